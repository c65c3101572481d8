// Preview layout: page boxes in rows, the scroll position of a page, scroll ranges, zoom modes.
// Expected values are worked out by hand: A4 is 2100 x 2970 tenths of a millimetre, 794 x 1122.94
// pixels at 100 % (397 pixels for 105 mm); A5 is 559.58 x 794.
#include <gtest/gtest.h>

#include <vector>

#include "report/ZV_PreviewLayout.h"

namespace {
using namespace zv;

const PreviewPaper kA4{2100, 2970}, kA5{1480, 2100};

struct LayoutCase {
    const char* name;
    std::vector<PreviewPaper> pages;
    PreviewView view;
    std::vector<std::pair<int32_t, int32_t>> origins;  // x, y of each page
    int32_t height;
};

const LayoutCase kLayouts[] = {
    // Centred: (1000 - (794 + 20) - 2) / 2 + 10; one row of 1123 and the gap below the top margin.
    {"OnePageCentred", {kA4}, {1000, 800, 100, false, 0, 0}, {{102, 10}}, 1145},
    // Rows of 1123 + 12, scrolled up by 100.
    {"RowsScrolled", {kA4, kA4, kA4}, {1000, 800, 100, false, 0, 100}, {{102, -90}, {102, 1045}, {102, 2180}}, 3415},
    // Each page centred in its half; the odd last page makes a row of its own.
    {"TwoPagesOddCount", {kA4, kA4, kA4}, {2000, 800, 100, true, 0, 0}, {{102, 10}, {1102, 10}, {102, 1145}}, 2280},
    // A row is as high as its tallest page.
    {"TwoPagesMixedSizes", {kA5, kA4}, {2000, 800, 100, true, 0, 0}, {{219, 10}, {1102, 10}}, 1145},
    // 1588 pixels in a 1000-pixel canvas: the page starts at the margin, less the scrolling.
    {"WiderThanTheCanvas", {kA4}, {1000, 800, 200, false, 50, 0}, {{-40, 10}}, 2268},
    {"NoPages", {}, {1000, 800, 100, false, 0, 0}, {}, 10},
};

class PreviewLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(PreviewLayoutTest, PlacesPagesAndScrollsToThem)
{
    const LayoutCase& c = GetParam();
    const PreviewLayout layout = LayoutPreview(c.pages, c.view);
    ASSERT_EQ(layout.pages.size(), c.origins.size());
    for (size_t i = 0; i < c.origins.size(); ++i) {
        EXPECT_EQ(layout.pages[i].x, c.origins[i].first) << "page " << i + 1;
        EXPECT_EQ(layout.pages[i].y, c.origins[i].second) << "page " << i + 1;
    }
    EXPECT_EQ(layout.height, c.height);
    // Going to a page scrolls it to the top margin: the position is the page's unscrolled top.
    for (size_t i = 0; i < c.origins.size(); ++i) {
        const int32_t top = PreviewPageScrollTop(c.pages, c.view.zoom, c.view.twoPages, static_cast<int>(i) + 1);
        EXPECT_EQ(top + kPreviewTopMargin, layout.pages[i].y + c.view.vScroll) << "page " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(All, PreviewLayoutTest, testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PreviewLayout, ScrollRangesAndTheStartOfTheHorizontalBar)
{
    // 3415 high in an 800-pixel canvas; 794 wide fits 1000 pixels, 1588 does not (excess + margins).
    EXPECT_EQ(ScrollRangesOf(3415, 794, {1000, 800, 100, false, 0, 0}).vertical, 2615);
    EXPECT_EQ(ScrollRangesOf(3415, 794, {1000, 800, 100, false, 0, 0}).horizontal, 0);
    EXPECT_EQ(ScrollRangesOf(3415, 794, {1000, 800, 200, false, 0, 0}).horizontal, 608);
    EXPECT_EQ(ScrollRangesOf(700, 794, {1000, 800, 100, false, 0, 0}).vertical, 0);
    EXPECT_EQ(InitialHScroll(70), 35);  // a small excess is centred
    EXPECT_EQ(InitialHScroll(71), 0);
}

TEST(PreviewLayout, ZoomModesFitTheLargestPage)
{
    struct Row {
        TZoomMode mode;
        int32_t width, height, pageWidth, pageHeight;
        double expected;
    };
    const Row rows[] = {
        {zmPercent, 1000, 800, 794, 1123, 150},
        {zmPageWidth, 1000, 800, 794, 1123, 123.425693},  // (1000 - 20) / 794
        {zmOnePage, 1000, 800, 794, 1123, 69.456812},     // the height decides: (800 - 20) / 1123
        {zmTwoPages, 1000, 800, 794, 1123, 61.712846},    // two widths: 980 / 1588
        {zmPageWidth, 10, 800, 794, 1123, 150},           // no room left by the margins
        {zmOnePage, 1000, 800, 0, 0, 150},                // no pages
    };
    for (const Row& r : rows)
        EXPECT_NEAR(ZoomForMode(r.mode, r.width, r.height, r.pageWidth, r.pageHeight, 150), r.expected, 1e-5)
            << "mode " << int(r.mode) << " canvas " << r.width << "x" << r.height;
}

}  // namespace
