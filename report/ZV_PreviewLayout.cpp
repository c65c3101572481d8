// Preview layout: page boxes in rows, scroll ranges, the zoom of each zoom mode.
#include "report/ZV_PreviewLayout.h"

#include <algorithm>

#include "platform/base/Numeric.h"

namespace zv {

namespace {

int32_t Round(double v) { return static_cast<int32_t>(RoundHalfEven(v)); }

}  // namespace

double PreviewPixels(int32_t tenths) { return tenths * 397.0 / 1050.0; }

PreviewLayout LayoutPreview(const std::vector<PreviewPaper>& pages, const PreviewView& view)
{
    PreviewLayout layout;
    layout.pages.reserve(pages.size());
    const int32_t width = view.canvasWidth;
    int32_t y = kPreviewTopMargin - view.vScroll, rowHeight = 0;
    layout.height = kPreviewTopMargin;
    for (size_t i = 0; i < pages.size(); ++i) {
        const double w = PreviewPixels(pages[i].width) * view.zoom / 100;
        const double h = PreviewPixels(pages[i].height) * view.zoom / 100;
        const bool second = i % 2 == 1;
        int32_t x;
        if (Round(w - width) > 0)
            x = kPreviewTopMargin;
        else if (view.twoPages)
            x = Round((width / 2.0 - w - 2) / 2) + (second ? width / 2 : 0);
        else
            x = Round((width - (w + kPreviewSideMargin) - 2) / 2) + kPreviewTopMargin;
        layout.pages.push_back({w, h, x - view.hScroll, y});
        rowHeight = std::max(rowHeight, Round(h));
        if (!view.twoPages || second) {
            y += rowHeight + kPreviewPageGap;
            layout.height += rowHeight + kPreviewPageGap;
            rowHeight = 0;
        }
    }
    // The last page of an odd count in two-page mode ends a row of its own.
    if (rowHeight > 0) layout.height += rowHeight + kPreviewPageGap;
    return layout;
}

int32_t PreviewPageScrollTop(const std::vector<PreviewPaper>& pages, double zoom, bool twoPages, int n)
{
    int32_t position = 0, rowHeight = 0;
    for (int i = 0; i + 1 < n && i < static_cast<int>(pages.size()); ++i) {
        rowHeight = std::max(rowHeight, Round(PreviewPixels(pages[static_cast<size_t>(i)].height) * zoom / 100));
        if (!(twoPages && i % 2 == 0)) {
            position += rowHeight + kPreviewPageGap;
            rowHeight = 0;
        }
    }
    return position;
}

PreviewScrollRanges ScrollRangesOf(int32_t layoutHeight, int32_t maxPageWidth, const PreviewView& view)
{
    const int32_t vRange = layoutHeight - view.canvasHeight;
    const int32_t hRange = Round(maxPageWidth * view.zoom / 100) - view.canvasWidth;
    return {std::max(vRange, 0), hRange > 0 ? hRange + kPreviewSideMargin : 0};
}

int32_t InitialHScroll(int32_t horizontalRange)
{
    return horizontalRange > kPreviewCentredHScrollRange ? 0 : horizontalRange / 2;
}

double ZoomForMode(TZoomMode mode, int32_t canvasWidth, int32_t canvasHeight, int32_t maxPageWidth,
                   int32_t maxPageHeight, double zoom)
{
    const double w = canvasWidth, h = canvasHeight;
    double z = zoom;
    if (maxPageWidth > 0 && maxPageHeight > 0) {
        switch (mode) {
        case zmPercent: break;
        case zmPageWidth: z = (w - kPreviewSideMargin) / maxPageWidth * 100; break;
        case zmOnePage:
        case zmTwoPages: {
            double d = (w - kPreviewSideMargin) / ((mode == zmTwoPages ? 2.0 : 1.0) * maxPageWidth);
            if (h - kPreviewSideMargin < maxPageHeight * d) d = d * (h - kPreviewSideMargin) / (maxPageHeight * d);
            z = d * 100;
            break;
        }
        }
    }
    // A canvas narrower than its margins would give no page at all.
    if (!(z > 0) || z > kPreviewMaxZoom) z = zoom;
    return z;
}

}  // namespace zv
