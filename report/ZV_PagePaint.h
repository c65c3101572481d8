// Playing a prepared page record by record: culling against the repainted area, the flashing
// highlight of a found text, and plain playback on foreign device contexts.
#pragma once

#include <cstdint>

#include "platform/draw/Canvas.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"

namespace zv {

// The enumeration context of one page being painted.
struct TzvPagePaintContext {
    int32_t PageIndex = 0;          // 0-based page being played
    Rect PageRect;                  // target rectangle on the canvas
    double ScaleX = 1, ScaleY = 1;  // canvas pixels per picture unit
    int32_t RecordKey = 0;          // PageIndex * 10000 at the header, then + 1 per record
    bool ForeignDC = false;         // not the preview canvas: play everything, no culling or highlight
    Rect Clip;                      // the area being repainted, in canvas coordinates
    // The highlighted text record of a search, shown on odd blink counts.
    bool Found = false;
    int32_t FoundPage = -1;
    int32_t FoundKey = 0;
    int32_t BlinkCount = 0;
};

// Colours of a highlighted text: blue on black when the text is white, else white on black.
constexpr Color kHighlightTextOnWhite = 0x00FF0000;
constexpr Color kHighlightBackground = clBlack;

// A record's bounds grown by half the pen width plus 4, scaled and moved to the page rectangle.
Rect PageRecordRect(const TzvPagePaintContext& ctx, const Rect& bounds, int32_t penWidth, bool moved = true);
// Whether a bounded record touches the repainted area (grown by one pixel).
bool PageRecordVisible(const TzvPagePaintContext& ctx, const Rect& bounds, int32_t penWidth);
// The record callback in drawing mode.
EmfAction PagePaintRecord(TzvPagePaintContext& ctx, const EmfRecordInfo& rec, EmfPlayer& player);
// Plays a page's picture into ctx.PageRect through PagePaintRecord.
void PaintPageRecords(const EmfFile& picture, Canvas& canvas, TzvPagePaintContext& ctx);

}  // namespace zv
