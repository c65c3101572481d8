// Helpers of the barcode tests: shell tools (zint, zbarimg, ZXingReader), a raster canvas, PNG output.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/draw/Canvas.h"
#include "platform/draw/Graphics.h"

namespace bctest {

using namespace zv;

inline bool ToolInstalled(const char* name)
{
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Runs a shell command and returns what it wrote to stdout.
inline std::string Capture(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

inline std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string TrimNewlines(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

inline std::filesystem::path OutDir()
{
    std::filesystem::path dir = std::filesystem::path(ZV_BINARY_DIR) / "test_barcode_out";
    std::filesystem::create_directories(dir);
    return dir;
}

// A raster canvas with GDI's polygon rules: the inside is filled with the brush where pixel
// centres lie inside (alternate rule), the outline is drawn with a one-pixel pen, end points
// included. TBarcode draws nothing else.
class RasterCanvas : public Canvas {
public:
    RasterCanvas(int32_t w, int32_t h)
    {
        bitmap.width = w;
        bitmap.height = h;
        bitmap.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFFFFFFFFu);
    }

    void polygon(std::span<const Point> pts) override
    {
        ++polygons;
        if (pts.size() < 2) return;
        if (brush().style != BrushStyle::Clear) {
            for (int32_t y = 0; y < bitmap.height; ++y) {
                double cy = y + 0.5;
                std::vector<double> xs;
                for (size_t i = 0; i < pts.size(); ++i) {
                    Point a = pts[i], b = pts[(i + 1) % pts.size()];
                    if ((a.y <= cy) == (b.y <= cy)) continue;
                    xs.push_back(a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
                }
                std::sort(xs.begin(), xs.end());
                for (size_t i = 0; i + 1 < xs.size(); i += 2)
                    for (int32_t x = 0; x < bitmap.width; ++x)
                        if (x + 0.5 >= xs[i] && x + 0.5 < xs[i + 1]) put(x, y, brush().color);
            }
        }
        if (pen().style != PenStyle::Clear)
            for (size_t i = 0; i < pts.size(); ++i) line(pts[i], pts[(i + 1) % pts.size()], pen().color);
    }
    void rectangle(const Rect&) override { ++others; }
    // Fills the rectangle with the brush (right and bottom edges excluded).
    void fillRect(const Rect& r) override
    {
        ++others;
        if (brush().style == BrushStyle::Clear) return;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x) put(x, y, brush().color);
    }
    void polyline(std::span<const Point>) override { ++others; }
    void textOut(int32_t, int32_t, std::string_view) override { ++others; }
    void textRect(const Rect&, int32_t, int32_t, std::string_view) override { ++others; }
    void stretchDraw(const Rect&, const Bitmap&) override { ++others; }
    void intersectClipRect(const Rect&) override { ++others; }
    void resetClip() override { ++others; }
    void saveState() override { ++others; }
    void restoreState() override { ++others; }

    bool dark(int32_t x, int32_t y) const { return (bitmap.at(x, y) & 0xFFFFFF) != 0xFFFFFF; }

    Bitmap bitmap;
    int polygons = 0;
    int others = 0;  // calls TBarcode should never make

protected:
    void onMoveTo(int32_t, int32_t) override { ++others; }
    void onLineTo(int32_t, int32_t) override { ++others; }

private:
    void put(int32_t x, int32_t y, zv::Color c)
    {
        if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) return;
        bitmap.at(x, y) = 0xFF000000u | (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
    }
    void line(Point a, Point b, zv::Color c)
    {
        int32_t dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
        int32_t sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1, err = dx + dy;
        for (;;) {
            put(a.x, a.y, c);
            if (a.x == b.x && a.y == b.y) break;
            int32_t e2 = 2 * err;
            if (e2 >= dy) err += dy, a.x += sx;
            if (e2 <= dx) err += dx, a.y += sy;
        }
    }
};

}  // namespace bctest
