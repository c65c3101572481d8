// Graphics types: colours, points, rectangles, pens, brushes, fonts and 32-bit bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/Numeric.h"

namespace zv {

// 0x00BBGGRR; values with the top bit set are system colours (index in the low byte).
using Color = uint32_t;
constexpr Color clNone = 0x1FFFFFFF;  // no colour: transparent
constexpr Color clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clGreen = 0x008000, clBlue = 0xFF0000,
                clYellow = 0x00FFFF, clGray = 0x808080, clSilver = 0xC0C0C0, clMaroon = 0x000080, clNavy = 0x800000,
                clAqua = 0xFFFF00, clFuchsia = 0xFF00FF, clLime = 0x00FF00, clOlive = 0x008080, clPurple = 0x800080,
                clTeal = 0x808000;
constexpr Color clSystemColor = 0x80000000;
constexpr Color clWindow = 0x80000005, clWindowText = 0x80000008, clBtnFace = 0x8000000F, clBtnShadow = 0x80000010,
                clHighlight = 0x8000000D, clHighlightText = 0x8000000E, clAppWorkSpace = 0x8000000C,
                clInfoBk = 0x80000018;

constexpr uint8_t GetRValue(Color c) { return c & 0xFF; }
constexpr uint8_t GetGValue(Color c) { return (c >> 8) & 0xFF; }
constexpr uint8_t GetBValue(Color c) { return (c >> 16) & 0xFF; }
constexpr Color RGB(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (static_cast<uint32_t>(b) << 16); }
// Resolves system colours to their plain value (a fixed light palette); plain colours pass.
Color ColorToRGB(Color c);

struct Point {
    int32_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t cx = 0, cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Like a GDI RECT: right and bottom are outside the rectangle.
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    // Rectangles come from files too, whose edges may lie anywhere in the 32-bit range: the
    // extent is taken in 64 bits and saturates instead of overflowing.
    int32_t width() const { return Saturate32(int64_t(right) - left); }
    int32_t height() const { return Saturate32(int64_t(bottom) - top); }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};
bool IntersectRect(const Rect& a, const Rect& b, Rect* out);  // false (and out empty) when disjoint
Rect UnionRect(const Rect& a, const Rect& b);                 // an empty side is ignored

enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
struct Pen {
    Color color = clBlack;
    int32_t width = 1;
    PenStyle style = PenStyle::Solid;
    friend bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushStyle : uint8_t { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };
struct Brush {
    Color color = clWhite;
    BrushStyle style = BrushStyle::Solid;
    friend bool operator==(const Brush&, const Brush&) = default;
};

// Font style bits.
constexpr uint8_t fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;
constexpr int kScreenPixelsPerInch = 96;

// A logical font. height < 0 is the character height in pixels (the usual form), > 0 the cell
// height. escapement and orientation are in tenths of a degree, counter-clockwise.
struct Font {
    std::string name = "Arial";  // Windows-1252
    int32_t height = -11;        // 8 points at 96 per inch
    Color color = clBlack;
    uint8_t style = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    uint8_t charset = 1;  // DEFAULT_CHARSET
    uint8_t pitch = 0;    // DEFAULT_PITCH

    // Size in points at 96 pixels per inch: -height * 72 / 96, rounded half even.
    int size() const;
    void setSize(int points) { height = -((points * kScreenPixelsPerInch + 36) / 72); }
    bool bold() const { return style & fsBold; }
    int weight() const { return bold() ? 700 : 400; }
    friend bool operator==(const Font&, const Font&) = default;
};

// A top-down 32-bit bitmap; each pixel is 0xAARRGGBB (alpha ignored unless hasAlpha).
struct Bitmap {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;  // width * height
    bool hasAlpha = false;
    bool empty() const { return width <= 0 || height <= 0; }
    uint32_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

}  // namespace zv
