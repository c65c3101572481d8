// Page painting callback: record keys, culling against the repainted area, highlight, bit blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_PagePaint.h"
#include "tests/support/EmfSplice.h"
#include "tests/support/TraceCanvas.h"

namespace {
using namespace zv;
using namespace zv::emf;

// A 400 x 400 page: a rectangle near the top, one near the bottom, two texts.
EmfFile Page()
{
    EmfRecorder r(400, 400);
    r.rectangle({10, 10, 50, 30});
    r.rectangle({10, 350, 50, 380});
    Font f;
    f.color = clWhite;
    r.setFont(f);
    r.setBrush({clWhite, BrushStyle::Clear});
    r.textOut(100, 12, "primo");
    f.color = clRed;
    r.setFont(f);
    r.textOut(100, 360, "secondo");
    return EmfFile(r.finish());
}

std::vector<std::string> Drawn(const TraceCanvas& c)
{
    std::vector<std::string> out;
    for (const auto& l : c.lines)
        if (l.rfind("rect ", 0) == 0 || l.rfind("text ", 0) == 0 || l.rfind("stretch ", 0) == 0 ||
            l.rfind("fill ", 0) == 0)
            out.push_back(l.substr(0, l.find(" pen=")));
    return out;
}

TzvPagePaintContext Context(const Rect& clip)
{
    TzvPagePaintContext ctx;
    ctx.PageIndex = 2;
    ctx.PageRect = {0, 0, 400, 400};
    ctx.Clip = clip;
    return ctx;
}

TEST(PagePaint, RecordsOutsideTheRepaintedAreaAreSkipped)
{
    EmfFile page = Page();
    struct Case {
        const char* name;
        Rect clip;
        bool foreign;
        size_t drawn;
    } cases[] = {
        {"whole page", {0, 0, 400, 400}, false, 4},
        {"top band", {0, 0, 400, 40}, false, 2},
        {"bottom band", {0, 340, 400, 400}, false, 2},
        // The bottom rectangle starts at 350: bounds grow by 4 and the clip by 1 (the text
        // below it, at 360, stays out).
        {"just within the margin", {0, 0, 400, 345}, false, 3},
        {"just outside the margin", {0, 0, 400, 344}, false, 2},
        {"nothing there", {200, 100, 300, 200}, false, 0},
        {"foreign device plays all", {200, 100, 300, 200}, true, 4},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        TzvPagePaintContext ctx = Context(tc.clip);
        ctx.ForeignDC = tc.foreign;
        TraceCanvas c;
        PaintPageRecords(page, c, ctx);
        EXPECT_EQ(Drawn(c).size(), tc.drawn);
    }
}

TEST(PagePaint, ScaledBoundsUseThePageScaleAndOrigin)
{
    TzvPagePaintContext ctx = Context({0, 0, 10, 10});
    ctx.PageRect = {100, 50, 300, 250};
    ctx.ScaleX = 0.5;
    ctx.ScaleY = 2.5;
    // (10 - 5) * 0.5 = 2.5 rounds to 2 (half to even); (20 + 5) * 2.5 = 62.5 rounds to 62.
    EXPECT_EQ(PageRecordRect(ctx, {10, 10, 20, 20}, 2, false), (Rect{2, 12, 12, 62}));
    EXPECT_EQ(PageRecordRect(ctx, {10, 10, 20, 20}, 2), (Rect{102, 62, 112, 112}));
}

TEST(PagePaint, RecordKeysCountFromThePageHeader)
{
    EmfFile page = Page();
    TzvPagePaintContext ctx = Context({0, 0, 400, 400});
    std::vector<int32_t> textKeys;
    EmfPlayer player(page, nullptr, ctx.PageRect);
    player.run([&](const EmfRecordInfo& r, EmfPlayer& p) {
        EmfAction a = PagePaintRecord(ctx, r, p);
        if (r.isText) textKeys.push_back(ctx.RecordKey);
        return a;
    });
    ASSERT_EQ(textKeys.size(), 2u);
    // The key is the page's base plus the record's index.
    size_t idx = 0;
    for (size_t i = 0; i < page.records().size(); ++i)
        if (page.records()[i].type == EMR_EXTTEXTOUTW) {
            idx = i;
            break;
        }
    EXPECT_EQ(textKeys[0], 20000 + static_cast<int32_t>(idx));
    EXPECT_EQ(ctx.RecordKey, 20000 + static_cast<int32_t>(page.records().size()) - 1);
}

TEST(PagePaint, FoundTextFlashesInHighlightColours)
{
    EmfFile page = Page();
    int32_t keys[2] = {0, 0};
    {
        TzvPagePaintContext ctx = Context({0, 0, 400, 400});
        EmfPlayer player(page, nullptr, ctx.PageRect);
        int n = 0;
        player.run([&](const EmfRecordInfo& r, EmfPlayer& p) {
            EmfAction a = PagePaintRecord(ctx, r, p);
            if (r.isText) keys[n++] = ctx.RecordKey;
            return a;
        });
    }
    struct Case {
        const char* name;
        int which, blink;
        const char* first;
        const char* second;
    } cases[] = {
        {"white text turns blue", 0, 1, "color=FF0000 brush=000000/Solid", "color=0000FF brush=FFFFFF/Clear"},
        {"red text turns white", 1, 3, "color=FFFFFF brush=FFFFFF/Clear", "color=FFFFFF brush=000000/Solid"},
        {"even ticks show it plain", 1, 2, "color=FFFFFF brush=FFFFFF/Clear", "color=0000FF brush=FFFFFF/Clear"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        TzvPagePaintContext ctx = Context({0, 0, 400, 400});
        ctx.Found = true;
        ctx.FoundPage = 2;
        ctx.FoundKey = keys[tc.which];
        ctx.BlinkCount = tc.blink;
        TraceCanvas c;
        PaintPageRecords(page, c, ctx);
        std::vector<std::string> texts;
        for (const auto& l : c.lines)
            if (l.rfind("text ", 0) == 0) texts.push_back(l.substr(l.find("color=")));
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], tc.first);
        EXPECT_EQ(texts[1], tc.second);
    }
}

// Splices hand-made records into an empty recorded picture, before its EOF.
std::vector<uint8_t> WithRecords(const std::vector<std::vector<uint8_t>>& extra)
{
    return zvtest::SpliceRecords(100, 100, extra);
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> w)
{
    std::vector<uint8_t> out;
    for (uint32_t v : w)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    uint32_t size = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + 4, &size, 4);
    return out;
}

TEST(PagePaint, BitBlocksWithSourceBitsAreDrawnAsStretchedBitmaps)
{
    // BITBLT of a 2 x 1 32-bit DIB to (5, 6) size 2 x 1, and STRETCHBLT of the same bits to 40 x 20.
    auto blt = [](uint32_t type) {
        std::vector<uint32_t> w = {
            type, 0, 5, 6, 44, 25, 5, 6, 40, 20, SRCCOPY, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, DIB_RGB_COLORS};
        uint32_t fixed = type == EMR_BITBLT ? 100 : 108;
        w.push_back(fixed);       // offBmiSrc
        w.push_back(40);          // cbBmiSrc
        w.push_back(fixed + 40);  // offBitsSrc
        w.push_back(8);           // cbBitsSrc
        if (type == EMR_STRETCHBLT) {
            w.push_back(2);
            w.push_back(1);
        }
        for (uint32_t v : {40u, 2u, 1u, 1u | (32u << 16), BI_RGB, 8u, 0u, 0u, 0u, 0u, 0x00FF0000u, 0x000000FFu})
            w.push_back(v);
        std::vector<uint8_t> out;
        for (uint32_t v : w)
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        uint32_t size = static_cast<uint32_t>(out.size());
        std::memcpy(out.data() + 4, &size, 4);
        if (type == EMR_BITBLT) {
            // BITBLT: destination width and height 2 x 1.
            uint32_t two = 2, one = 1;
            std::memcpy(out.data() + 32, &two, 4);
            std::memcpy(out.data() + 36, &one, 4);
        }
        return out;
    };
    EmfFile f(WithRecords(
        {blt(EMR_BITBLT), blt(EMR_STRETCHBLT),
         // A pattern fill without source bits.
         Words({EMR_BITBLT, 0, 0, 0, 9, 9, 0, 0, 10, 10, PATCOPY, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})}));
    TzvPagePaintContext ctx = Context({90, 90, 100, 100});  // culling would drop all of them
    ctx.PageRect = {0, 0, 100, 100};
    TraceCanvas c;
    PaintPageRecords(f, c, ctx);
    std::vector<std::string> want = {"stretch 5,6,7,7 bitmap=2x1", "stretch 5,6,45,26 bitmap=2x1",
                                     "fill 0,0,10,10 brush=FFFFFF/Solid"};
    EXPECT_EQ(Drawn(c), want);
}

}  // namespace
