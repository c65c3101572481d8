// Preview layout: where the standard preview puts its pages at a zoom, how far it scrolls, and
// the zoom that a zoom mode asks for. Pure arithmetic in screen pixels; the window only asks.
#pragma once

#include <cstdint>
#include <vector>

namespace zv {

enum TZoomMode : uint8_t { zmPercent = 0, zmPageWidth = 1, zmOnePage = 2, zmTwoPages = 3 };

constexpr int32_t kPreviewTopMargin = 10;            // above the first page, and left of a page wider than the canvas
constexpr int32_t kPreviewPageGap = 12;              // between rows of pages
constexpr int32_t kPreviewSideMargin = 20;           // both sides together of a centred page
constexpr int32_t kPreviewCentredHScrollRange = 70;  // a horizontal excess up to this much is centred
constexpr double kPreviewMaxZoom = 10000;            // larger zooms would overflow page coordinates

// A paper length in tenths of a millimetre as screen pixels (397 pixels for 105 mm), unrounded.
double PreviewPixels(int32_t tenths);

struct PreviewPaper {
    int32_t width = 0, height = 0;  // tenths of a millimetre
};

// What the layout depends on: the canvas, the zoom in percent, pages side by side, the scroll bars.
struct PreviewView {
    int32_t canvasWidth = 0, canvasHeight = 0;
    double zoom = 100;
    bool twoPages = false;
    int32_t hScroll = 0, vScroll = 0;
};

struct PreviewPageBox {
    double w = 0, h = 0;   // page size on screen at the zoom
    int32_t x = 0, y = 0;  // top-left on the canvas, scrolling applied
};

struct PreviewLayout {
    std::vector<PreviewPageBox> pages;
    int32_t height = 0;  // the top margin and every row with its gap: what the vertical bar scrolls over
};

// Pages go in rows, one a row or two in two-page mode; a row is as high as its tallest page and
// is followed by the gap. A page narrower than the canvas is centred (in its half in two-page
// mode); a wider one starts at the top margin.
PreviewLayout LayoutPreview(const std::vector<PreviewPaper>& pages, const PreviewView& view);

// The vertical scroll position that brings page n (1-based) to the top of the canvas.
int32_t PreviewPageScrollTop(const std::vector<PreviewPaper>& pages, double zoom, bool twoPages, int n);

// The maxima of the scroll bars; 0 means there is nothing to scroll and the bar is disabled.
struct PreviewScrollRanges {
    int32_t vertical = 0, horizontal = 0;
};
PreviewScrollRanges ScrollRangesOf(int32_t layoutHeight, int32_t maxPageWidth, const PreviewView& view);

// Where the horizontal bar starts after a zoom: a small excess is centred, a large one starts at
// the left edge.
int32_t InitialHScroll(int32_t horizontalRange);

// The zoom in percent that fits the widest and tallest page to the canvas in the given mode. The
// current zoom stays for zmPercent, without pages, and when the canvas has no room for a page.
double ZoomForMode(TZoomMode mode, int32_t canvasWidth, int32_t canvasHeight, int32_t maxPageWidth,
                   int32_t maxPageHeight, double zoom);

}  // namespace zv
