// EmfRecorder: a Canvas that records its drawing as an enhanced metafile.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/Canvas.h"

namespace zv {

// Records at 96 pixels per inch in MM_TEXT: one logical unit is one page pixel. The reference
// device is a 1920 x 1440 pixel screen of 508 x 381 mm (and 508000 x 381000 micrometres), chosen
// because both sides are whole multiples of 480 px = 127 mm, so the pixel/millimetre ratio is
// exactly 96 per inch in both directions and bounds in device pixels equal page pixels.
// The frame is the picture size in 0.01 mm, inclusive. Pens, brushes and fonts are created
// lazily, when a drawing call first needs them, and kept in the handle table while they are
// among the last few of their kind used, so that going back to one costs a selection record
// only; the rest are deleted once no state refers to them, and every one by finish().
//
// Two kinds of drawing are gathered before they are written, because dense pages (barcodes) are
// made of them: solid filled boxes (four-point rectangles whose pen and brush have one colour)
// that do not overlap each other go out together, one polygon set per colour (a colour that fills
// the rest of their common box exactly goes first, as one rectangle); and texts that continue
// on the same line, left to right, in the same transparent font state inside a text run (see
// Canvas::beginTextRun) become one text record whose advances keep every character where it was.
// Either plays exactly as the calls did.
class EmfRecorder : public Canvas {
public:
    static constexpr int32_t kDeviceWidth = 1920, kDeviceHeight = 1440;
    static constexpr int32_t kDeviceWidthMm = 508, kDeviceHeightMm = 381;

    // width, height: the picture size in page pixels. description: optional Windows-1252 text
    // (application and title) stored in the header.
    EmfRecorder(int32_t width, int32_t height, std::string_view description = {});
    ~EmfRecorder() override;

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
    void beginTextRun() override;
    void endTextRun() override;

    // Completes the metafile (EOF record, header counts) and returns its bytes; the canvas
    // records nothing afterwards.
    std::vector<uint8_t> finish();
    bool finished() const { return finished_; }
    size_t recordCount() const { return records_; }
    // Writes every drawing call as its own records, for comparisons (on by default).
    void setGathering(bool on);

protected:
    void onMoveTo(int32_t x, int32_t y) override;
    void onLineTo(int32_t x, int32_t y) override;

private:
    struct DcState {
        uint32_t pen = 0, brush = 0, font = 0;  // selected handle-table slots (0: the stock default)
        Color textColor = clBlack, bkColor = clWhite;
        uint32_t bkMode = 2;    // OPAQUE
        uint32_t polyFill = 1;  // ALTERNATE
        Pen penValue;
        Brush brushValue;
        Font fontValue;
        bool penValid = false, brushValid = false, fontValid = false;
    };
    struct Saved {
        DcState dc;
        Pen pen;
        Brush brush;
        Font font;
    };
    // A kept object: its value and slot, and when it was last selected.
    template <class T>
    struct Kept {
        T value;
        uint32_t slot;
        uint64_t used;
    };
    struct Box {
        Rect r;  // inclusive
        Color color;
    };
    struct TextRun {
        int32_t x = 0, y = 0;
        std::string text;
        std::vector<int32_t> dx;
        Rect box{};
        bool open = false;
    };

    size_t begin(uint32_t type);  // starts a record, returns its offset
    void end(size_t start);       // pads and patches the size
    void put32(uint32_t v);
    void putRect(const Rect& r)
    {
        put32(r.left);
        put32(r.top);
        put32(r.right);
        put32(r.bottom);
    }
    void addBounds(const Rect& inclusive);
    void emitSimple(uint32_t type, std::initializer_list<uint32_t> values);

    uint32_t allocSlot();
    void release(uint32_t slot);
    // Looks the value up among the kept objects: its slot (with a reference for the caller), or 0.
    template <class T>
    uint32_t reuse(std::vector<Kept<T>>& kept, const T& value);
    // Keeps a new object; the least recently used one not selected goes when the kind is full.
    template <class T>
    void keep(std::vector<Kept<T>>& kept, const T& value, uint32_t slot);
    // Selects the kept object of that value, creating it first (create(slot) writes its record)
    // when none is kept; answers its slot.
    template <class T, class Create>
    uint32_t selectKept(std::vector<Kept<T>>& kept, const T& value, Create create);
    void selectPen(const Pen& want);
    void selectBrush(const Brush& want);
    void usePen();
    void useBrush();
    void useFont();
    void useTextState();
    // Writes what has been gathered; every public drawing and state call starts with it.
    void flush();
    void flushBoxes();
    void flushText();
    bool gatherBox(std::span<const Point> pts);
    void writeText(int32_t x, int32_t y, const std::u16string& wide, std::span<const int32_t> dx, const Rect& bounds,
                   const Rect* clip);
    void textRecord(int32_t x, int32_t y, std::string_view text, const Rect* clip,
                    const std::span<const int32_t>* givenDx = nullptr);
    void polyRecord(uint32_t type, std::span<const Point> pts);
    int32_t penHalf() const;
    void ensureLive() const;

    std::vector<uint8_t> out_;
    std::vector<uint32_t> refs_;  // reference counts per handle-table slot; [0] is the metafile
    size_t records_ = 0;
    uint32_t maxHandles_ = 1;
    Rect bounds_{0, 0, -1, -1};
    bool haveBounds_ = false;
    bool finished_ = false;
    int32_t width_, height_;
    DcState dc_;
    std::vector<Saved> saved_;
    std::vector<Kept<Pen>> keptPens_;
    std::vector<Kept<Brush>> keptBrushes_;
    std::vector<Kept<Font>> keptFonts_;
    uint64_t useClock_ = 0;
    bool gathering_ = true;
    int textRuns_ = 0;  // depth of beginTextRun
    std::vector<Box> boxes_;
    TextRun run_;
};

}  // namespace zv
