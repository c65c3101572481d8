// QtCanvas: the Canvas over a QPainter, with the device-context semantics of Canvas.h.
#pragma once

#include <QPainter>
#include <vector>

#include "platform/draw/Canvas.h"

namespace zv {

// The painter works in page pixels (the caller sets any scale on it before). Shapes are drawn
// without antialiasing, as GDI draws them, so bars and rules stay sharp; text is antialiased
// and placed glyph by glyph at the given whole-pixel advances.
class QtCanvas : public Canvas {
public:
    explicit QtCanvas(QPainter& painter);

    void rectangle(const Rect& r) override;
    void fillRect(const Rect& r) override;
    void polygon(std::span<const Point> pts) override;
    void polyline(std::span<const Point> pts) override;
    void textOut(int32_t x, int32_t y, std::string_view text) override;
    void textRect(const Rect& clip, int32_t x, int32_t y, std::string_view text) override;
    void stretchDraw(const Rect& dest, const Bitmap& bitmap) override;
    void intersectClipRect(const Rect& r) override;
    void resetClip() override;
    void saveState() override;
    void restoreState() override;
    void textOutDx(int32_t x, int32_t y, std::string_view text, std::span<const int32_t> dx, const Rect* clip) override;
    void polyPolygon(std::span<const Point> pts, std::span<const uint32_t> counts, bool winding) override;

    QPainter& painter() { return p_; }

protected:
    void onMoveTo(int32_t x, int32_t y) override;
    void onLineTo(int32_t x, int32_t y) override;

private:
    bool solidBoxPen() const;
    void fillBoxes(std::span<const Rect> boxes);
    void usePen();
    void useBrush();
    bool penVisible() const;
    bool brushVisible() const;

    QPainter& p_;
    struct Saved {
        Pen pen;
        Brush brush;
        Font font;
    };
    std::vector<Saved> saved_;
};

}  // namespace zv
