// The logging test canvas: one stable text line per drawing call.
#include "tests/support/TraceCanvas.h"

#include <array>
#include <cstdio>

namespace zv {
namespace {

constexpr std::array<const char*, 7> kPenStyles = {"Solid",      "Dash",  "Dot",        "DashDot",
                                                   "DashDotDot", "Clear", "InsideFrame"};
constexpr std::array<const char*, 8> kBrushStyles = {"Solid",     "Clear",     "Horizontal", "Vertical",
                                                     "FDiagonal", "BDiagonal", "Cross",      "DiagCross"};

const char* StyleName(size_t index, const auto& table) { return index < table.size() ? table[index] : "?"; }

std::string Pt(int32_t x, int32_t y) { return std::to_string(x) + "," + std::to_string(y); }

std::string Points(std::span<const Point> pts)
{
    std::string s;
    for (const Point& p : pts) {
        if (!s.empty()) s += ' ';
        s += Pt(p.x, p.y);
    }
    return s;
}

}  // namespace

std::string TraceCanvas::formatColor(Color c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, c > 0xFFFFFF ? "%08X" : "%06X", static_cast<unsigned>(c));
    return buf;
}

std::string TraceCanvas::formatRect(const Rect& r) { return Pt(r.left, r.top) + "," + Pt(r.right, r.bottom); }

std::string TraceCanvas::formatPen(const Pen& p)
{
    return formatColor(p.color) + "/" + std::to_string(p.width) + "/" +
           StyleName(static_cast<size_t>(p.style), kPenStyles);
}

std::string TraceCanvas::formatBrush(const Brush& b)
{
    return formatColor(b.color) + "/" + StyleName(static_cast<size_t>(b.style), kBrushStyles);
}

std::string TraceCanvas::formatFont(const Font& f)
{
    return f.name + "/" + std::to_string(f.height) + "/" + std::to_string(f.style) + "/" + std::to_string(f.escapement);
}

std::string TraceCanvas::textLine(std::string_view text) const
{
    std::string s = "'";
    s += text;
    s += "' font=" + formatFont(font()) + " color=" + formatColor(font().color) + " brush=" + formatBrush(brush());
    return s;
}

void TraceCanvas::onMoveTo(int32_t x, int32_t y) { lines.push_back("moveTo " + Pt(x, y)); }

void TraceCanvas::onLineTo(int32_t x, int32_t y) { lines.push_back("lineTo " + Pt(x, y) + " pen=" + formatPen(pen())); }

void TraceCanvas::rectangle(const Rect& r)
{
    lines.push_back("rect " + formatRect(r) + " pen=" + formatPen(pen()) + " brush=" + formatBrush(brush()));
}

void TraceCanvas::fillRect(const Rect& r)
{
    lines.push_back("fill " + formatRect(r) + " brush=" + formatBrush(brush()));
}

void TraceCanvas::polygon(std::span<const Point> pts)
{
    lines.push_back("polygon " + Points(pts) + " pen=" + formatPen(pen()) + " brush=" + formatBrush(brush()));
}

void TraceCanvas::polyline(std::span<const Point> pts)
{
    lines.push_back("polyline " + Points(pts) + " pen=" + formatPen(pen()));
}

void TraceCanvas::textOut(int32_t x, int32_t y, std::string_view text)
{
    lines.push_back("text " + Pt(x, y) + " " + textLine(text));
}

void TraceCanvas::textRect(const Rect& clip, int32_t x, int32_t y, std::string_view text)
{
    lines.push_back("textRect " + formatRect(clip) + " " + Pt(x, y) + " " + textLine(text));
}

void TraceCanvas::stretchDraw(const Rect& dest, const Bitmap& bitmap)
{
    lines.push_back("stretch " + formatRect(dest) + " bitmap=" + std::to_string(bitmap.width) + "x" +
                    std::to_string(bitmap.height));
}

void TraceCanvas::intersectClipRect(const Rect& r)
{
    lines.push_back("clip " + formatRect(r));
    if (clip_) {
        Rect out;
        IntersectRect(*clip_, r, &out);
        clip_ = out;
    } else {
        clip_ = r;
    }
}

void TraceCanvas::resetClip()
{
    lines.push_back("resetClip");
    clip_.reset();
}

void TraceCanvas::saveState()
{
    saved_.push_back(State{pen(), brush(), font(), clip_});
    lines.push_back("save " + std::to_string(saved_.size()));
}

void TraceCanvas::restoreState()
{
    if (saved_.empty()) {
        lines.push_back("restore unbalanced");
        return;
    }
    State s = std::move(saved_.back());
    saved_.pop_back();
    setPen(s.pen);
    setBrush(s.brush);
    setFont(s.font);
    clip_ = s.clip;
    lines.push_back("restore " + std::to_string(saved_.size()));
}

std::string TraceCanvas::text() const
{
    std::string s;
    for (const std::string& l : lines) {
        s += l;
        s += '\n';
    }
    return s;
}

}  // namespace zv
