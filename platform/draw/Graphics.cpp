// Graphics types: system colour resolution, rectangle set operations and font sizes.
#include "platform/draw/Graphics.h"

#include <algorithm>
#include <array>

#include "platform/base/Numeric.h"

namespace zv {
namespace {

// The light system palette, indexed by the low byte of a system colour (0x00BBGGRR).
constexpr std::array<Color, 31> kSystemPalette = {
    RGB(200, 200, 200),  //  0 scroll bar
    RGB(0, 0, 0),        //  1 desktop
    RGB(153, 180, 209),  //  2 active caption
    RGB(191, 205, 219),  //  3 inactive caption
    RGB(240, 240, 240),  //  4 menu
    RGB(255, 255, 255),  //  5 window
    RGB(100, 100, 100),  //  6 window frame
    RGB(0, 0, 0),        //  7 menu text
    RGB(0, 0, 0),        //  8 window text
    RGB(0, 0, 0),        //  9 caption text
    RGB(180, 180, 180),  // 10 active border
    RGB(244, 247, 252),  // 11 inactive border
    RGB(171, 171, 171),  // 12 application work space
    RGB(0, 120, 215),    // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(240, 240, 240),  // 15 button face
    RGB(160, 160, 160),  // 16 button shadow
    RGB(109, 109, 109),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(0, 0, 0),        // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(105, 105, 105),  // 21 3D dark shadow
    RGB(227, 227, 227),  // 22 3D light
    RGB(0, 0, 0),        // 23 info text
    RGB(255, 255, 225),  // 24 info background
    RGB(0, 0, 0),        // 25 (unused)
    RGB(0, 102, 204),    // 26 hot light
    RGB(185, 209, 234),  // 27 gradient active caption
    RGB(215, 228, 242),  // 28 gradient inactive caption
    RGB(51, 153, 255),   // 29 menu highlight
    RGB(240, 240, 240),  // 30 menu bar
};

}  // namespace

Color ColorToRGB(Color c)
{
    if ((c & clSystemColor) == 0) return c;
    size_t index = c & 0xFF;
    return index < kSystemPalette.size() ? kSystemPalette[index] : clBlack;
}

bool IntersectRect(const Rect& a, const Rect& b, Rect* out)
{
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    bool ok = !r.isEmpty();
    if (!ok) r = Rect{};
    if (out) *out = r;
    return ok;
}

Rect UnionRect(const Rect& a, const Rect& b)
{
    if (a.isEmpty()) return b.isEmpty() ? Rect{} : b;
    if (b.isEmpty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

int Font::size() const
{
    return static_cast<int>(RoundHalfEven(-static_cast<double>(height) * 72.0 / kScreenPixelsPerInch));
}

}  // namespace zv
