// Canvas: a drawing surface with the semantics of a GDI device context.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/draw/FontMetrics.h"
#include "platform/draw/Graphics.h"

namespace zv {

// Pen, brush and font are state that drawing calls use. Semantics follow GDI:
// - textOut(x, y) places the top-left of the text cell at (x, y); the background is filled with
//   the brush colour unless the brush is Clear; escapement turns the text about (x, y);
// - rectangle() draws the frame with the pen (Clear: no frame) and fills the inside with the
//   brush (Clear: no fill); the right and bottom edges are excluded, like fillRect();
// - polygon() outlines with the pen and fills with the brush (alternate fill);
// - textRect() is text output clipped to a rectangle (ExtTextOut with ETO_CLIPPED);
// - clip rectangles are in logical units and intersect; resetClip() removes clipping;
// - saveState()/restoreState() save and restore pen, brush, font and clipping.
// Text is Windows-1252. Units are pixels (96 per inch for pages).
class Canvas {
public:
    virtual ~Canvas() = default;

    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    const Font& font() const { return font_; }
    void setPen(const Pen& p) { pen_ = p; }
    void setBrush(const Brush& b) { brush_ = b; }
    void setFont(const Font& f) { font_ = f; }
    Pen& penRef() { return pen_; }
    Brush& brushRef() { return brush_; }
    Font& fontRef() { return font_; }
    Point penPos() const { return penPos_; }

    void setMetrics(FontMetrics* m) { metrics_ = m; }
    FontMetrics& metrics() const { return metrics_ ? *metrics_ : DefaultFontMetrics(); }

    void moveTo(int32_t x, int32_t y)
    {
        penPos_ = {x, y};
        onMoveTo(x, y);
    }
    void lineTo(int32_t x, int32_t y)
    {
        onLineTo(x, y);
        penPos_ = {x, y};
    }
    virtual void rectangle(const Rect& r) = 0;
    virtual void fillRect(const Rect& r) = 0;
    virtual void polygon(std::span<const Point> pts) = 0;
    virtual void polyline(std::span<const Point> pts) = 0;
    virtual void textOut(int32_t x, int32_t y, std::string_view text) = 0;
    virtual void textRect(const Rect& clip, int32_t x, int32_t y, std::string_view text) = 0;
    virtual void stretchDraw(const Rect& dest, const Bitmap& bitmap) = 0;
    virtual void intersectClipRect(const Rect& r) = 0;
    virtual void resetClip() = 0;
    virtual void saveState() = 0;
    virtual void restoreState() = 0;

    // Text placed by explicit advances: character i+1 starts dx[i] logical units after character
    // i along the baseline (turned by the escapement); clip, when given, clips like textRect().
    // Canvases that can place glyphs one by one override it; the default ignores the advances.
    virtual void textOutDx(int32_t x, int32_t y, std::string_view text, std::span<const int32_t> dx, const Rect* clip)
    {
        (void)dx;
        if (clip)
            textRect(*clip, x, y, text);
        else
            textOut(x, y, text);
    }
    // The texts drawn between beginTextRun() and endTextRun() are the pieces of one text (the
    // characters of a barcode's digits, spread over its width): a recording canvas may keep those
    // that follow each other on one line as one text record with advances that place every
    // character where it was drawn. What is drawn does not change.
    virtual void beginTextRun() {}
    virtual void endTextRun() {}
    // Several polygons filled as one shape (holes follow the fill rule: winding or alternate) and
    // outlined with the pen; counts[i] points each, taken in order from pts. The default draws each
    // polygon on its own, which fills holes.
    virtual void polyPolygon(std::span<const Point> pts, std::span<const uint32_t> counts, bool winding)
    {
        (void)winding;
        size_t at = 0;
        for (uint32_t n : counts) {
            if (n > pts.size() - at) break;
            polygon(pts.subspan(at, n));
            at += n;
        }
    }

    // Measurement in the current font, through metrics().
    Size textExtent(std::string_view text) const { return metrics().textExtent(font_, text); }
    int32_t textWidth(std::string_view text) const { return metrics().textWidth(font_, text); }
    int32_t textHeight(std::string_view text) const { return textExtent(text).cy; }

protected:
    virtual void onMoveTo(int32_t x, int32_t y) = 0;
    virtual void onLineTo(int32_t x, int32_t y) = 0;

private:
    Pen pen_;
    Brush brush_;
    Font font_;
    Point penPos_;
    FontMetrics* metrics_ = nullptr;
};

}  // namespace zv
