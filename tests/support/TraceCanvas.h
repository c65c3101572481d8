// A canvas that draws nothing and logs every call as one text line, for tests of drawing code.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/draw/Canvas.h"

namespace zv {

// Each call appends one line to `lines`. Colours are the raw Color value as six (or, for system
// colours and clNone, eight) upper-case hex digits; rectangles are left,top,right,bottom:
//   moveTo 1,2
//   lineTo 3,4 pen=000000/1/Solid
//   rect 10,20,30,40 pen=000000/1/Solid brush=FFFFFF/Solid
//   fill 10,20,30,40 brush=FFFFFF/Solid
//   polygon 0,0 10,0 5,5 pen=000000/1/Solid brush=FFFFFF/Solid
//   polyline 0,0 10,0 pen=000000/1/Solid
//   text 5,6 'Hello' font=Arial/-11/0/0 color=000000 brush=FFFFFF/Solid
//   textRect 0,0,50,20 5,6 'Hello' font=Arial/-11/0/0 color=000000 brush=FFFFFF/Solid
//   stretch 0,0,100,50 bitmap=20x10
//   clip 0,0,100,100        (the requested rectangle)
//   resetClip
//   save 1                  (the depth after saving)
//   restore 0               (the depth after restoring; "restore unbalanced" without a save)
// The font field is name/height/style bits/escapement. Text is logged as given (Windows-1252).
class TraceCanvas : public Canvas {
public:
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

    // The current clip (the intersection of the clip rectangles since the last reset), if any.
    const std::optional<Rect>& clip() const { return clip_; }
    int saveDepth() const { return static_cast<int>(saved_.size()); }
    // All lines joined with '\n' (each line followed by one), for whole-log comparisons.
    std::string text() const;
    void clearLog() { lines.clear(); }

    std::vector<std::string> lines;

    static std::string formatPen(const Pen& p);
    static std::string formatBrush(const Brush& b);
    static std::string formatFont(const Font& f);
    static std::string formatColor(Color c);
    static std::string formatRect(const Rect& r);

protected:
    void onMoveTo(int32_t x, int32_t y) override;
    void onLineTo(int32_t x, int32_t y) override;

private:
    struct State {
        Pen pen;
        Brush brush;
        Font font;
        std::optional<Rect> clip;
    };
    std::string textLine(std::string_view text) const;

    std::optional<Rect> clip_;
    std::vector<State> saved_;
};

}  // namespace zv
