// Player on records other programs write: mapping modes, world transforms, paths, curves,
// extended pens, text alignment, saved states.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfRecorder.h"
#include "tests/support/EmfSplice.h"
#include "tests/support/TraceCanvas.h"

namespace {
using namespace zv;
using namespace zv::emf;

// A record from 32-bit words (the size word is filled in).
std::vector<uint8_t> Rec(std::initializer_list<uint32_t> w)
{
    std::vector<uint8_t> out;
    for (uint32_t v : w)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    uint32_t size = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + 4, &size, 4);
    return out;
}
uint32_t F(float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}
uint32_t P16(int16_t x, int16_t y)
{
    return static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

// A 200 x 200 picture (made by the recorder, so the frame is exact) with the records spliced in.
EmfFile Picture(const std::vector<std::vector<uint8_t>>& extra, uint16_t handles = 4)
{
    return EmfFile(zvtest::SpliceRecords(200, 200, extra, handles));
}

std::vector<std::string> Play(const EmfFile& f)
{
    TraceCanvas c;
    PlayEmf(f, c, {0, 0, 200, 200});
    std::vector<std::string> out;
    for (const auto& l : c.lines)
        if (l.rfind("save", 0) != 0 && l.rfind("restore", 0) != 0 && l != "resetClip") out.push_back(l);
    return out;
}

struct Case {
    const char* name;
    std::vector<std::vector<uint8_t>> records;
    std::vector<std::string> want;
};

TEST(EmfPlayer, PlaysWhatOtherProgramsWrite)
{
    const Case cases[] = {
        {"anisotropic mapping",
         {Rec({EMR_SETMAPMODE, 0, MM_ANISOTROPIC}), Rec({EMR_SETWINDOWEXTEX, 0, 1000, 1000}),
          Rec({EMR_SETVIEWPORTEXTEX, 0, 100, 100}), Rec({EMR_RECTANGLE, 0, 0, 0, 500, 500})},
         {"rect 0,0,50,50 pen=000000/1/Solid brush=FFFFFF/Solid"}},
        {"isotropic mapping keeps the aspect",
         {Rec({EMR_SETMAPMODE, 0, MM_ISOTROPIC}), Rec({EMR_SETWINDOWEXTEX, 0, 1000, 500}),
          Rec({EMR_SETVIEWPORTEXTEX, 0, 100, 100}), Rec({EMR_RECTANGLE, 0, 0, 0, 500, 500})},
         {"rect 0,0,50,50 pen=000000/1/Solid brush=FFFFFF/Solid"}},
        // One inch in tenths of a millimetre is 96 pixels; the y axis points up, so negative
        // logical y lies below the origin.
        {"metric mapping",
         {Rec({EMR_SETMAPMODE, 0, MM_LOMETRIC}), Rec({EMR_SETVIEWPORTORGEX, 0, 0, 100}),
          Rec({EMR_RECTANGLE, 0, 0, 0, 254, static_cast<uint32_t>(-254)})},
         {"rect 0,100,96,196 pen=000000/1/Solid brush=FFFFFF/Solid"}},
        {"window origin moves the drawing",
         {Rec({EMR_SETWINDOWORGEX, 0, static_cast<uint32_t>(-20), 10}), Rec({EMR_RECTANGLE, 0, 0, 10, 10, 20})},
         {"rect 20,0,30,10 pen=000000/1/Solid brush=FFFFFF/Solid"}},
        {"world transform scales and moves",
         {Rec({EMR_SETWORLDTRANSFORM, 0, F(2), 0, 0, F(2), F(10), 0}),
          Rec({EMR_POLYLINE16, 0, 0, 0, 0, 0, 2, P16(0, 0), P16(10, 5)})},
         {"polyline 10,0 30,10 pen=000000/1/Solid"}},
        {"world rotation turns a rectangle into a polygon",
         {Rec({EMR_MODIFYWORLDTRANSFORM, 0, 0, F(1), F(-1), 0, F(100), 0, MWT_LEFTMULTIPLY}),
          Rec({EMR_RECTANGLE, 0, 0, 0, 20, 10})},
         {"polygon 100,0 100,20 90,20 90,0 pen=000000/1/Solid brush=FFFFFF/Solid"}},
        {"filled path",
         {Rec({EMR_BEGINPATH, 0}), Rec({EMR_MOVETOEX, 0, 10, 10}), Rec({EMR_LINETO, 0, 50, 10}),
          Rec({EMR_LINETO, 0, 30, 40}), Rec({EMR_CLOSEFIGURE, 0}), Rec({EMR_ENDPATH, 0}),
          Rec({EMR_FILLPATH, 0, 0, 0, 0, 0})},
         {"polygon 10,10 50,10 30,40 pen=000000/1/Clear brush=FFFFFF/Solid"}},
        {"stroked path draws nothing while it is built",
         {Rec({EMR_BEGINPATH, 0}), Rec({EMR_RECTANGLE, 0, 0, 0, 10, 10}), Rec({EMR_ENDPATH, 0}),
          Rec({EMR_STROKEPATH, 0, 0, 0, 0, 0})},
         {"polyline 0,0 10,0 10,10 0,10 0,0 pen=000000/1/Solid"}},
        {"extended geometric pen",
         {Rec({EMR_EXTCREATEPEN, 0, 1, 0, 0, 0, 0, PS_GEOMETRIC | PS_SOLID, 4, BS_SOLID, 0x0000FF, 0, 0}),
          Rec({EMR_SELECTOBJECT, 0, 1}), Rec({EMR_POLYLINE16, 0, 0, 0, 0, 0, 2, P16(0, 0), P16(10, 0)})},
         {"polyline 0,0 10,0 pen=0000FF/4/Solid"}},
        {"cosmetic extended pen stays one pixel under scaling",
         {Rec({EMR_EXTCREATEPEN, 0, 1, 0, 0, 0, 0, PS_DASH, 7, BS_SOLID, 0x00FF00, 0, 0}),
          Rec({EMR_SELECTOBJECT, 0, 1}), Rec({EMR_SETWORLDTRANSFORM, 0, F(3), 0, 0, F(3), 0, 0}),
          Rec({EMR_POLYLINE16, 0, 0, 0, 0, 0, 2, P16(0, 0), P16(10, 0)})},
         {"polyline 0,0 30,0 pen=00FF00/1/Dash"}},
        {"hatched brush and stock null pen",
         {Rec({EMR_CREATEBRUSHINDIRECT, 0, 2, BS_HATCHED, 0x123456, 4}), Rec({EMR_SELECTOBJECT, 0, 2}),
          Rec({EMR_SELECTOBJECT, 0, kStockObject | NULL_PEN}),
          Rec({EMR_POLYGON16, 0, 0, 0, 0, 0, 3, P16(0, 0), P16(9, 0), P16(0, 9)})},
         {"polygon 0,0 9,0 0,9 pen=000000/1/Clear brush=123456/Cross"}},
        {"poly-polygon with winding fill",
         {Rec({EMR_SETPOLYFILLMODE, 0, WINDING}), Rec({EMR_POLYPOLYGON16, 0, 0, 0, 0, 0, 2, 6, 3, 3, P16(0, 0),
                                                       P16(9, 0), P16(0, 9), P16(1, 1), P16(3, 1), P16(1, 3)})},
         {"polygon 0,0 9,0 0,9 pen=000000/1/Solid brush=FFFFFF/Solid",
          "polygon 1,1 3,1 1,3 pen=000000/1/Solid brush=FFFFFF/Solid"}},
        {"deleted objects cannot be selected",
         {Rec({EMR_CREATEPEN, 0, 1, PS_SOLID, 3, 0, 0xFF}), Rec({EMR_DELETEOBJECT, 0, 1}),
          Rec({EMR_SELECTOBJECT, 0, 1}), Rec({EMR_POLYLINE16, 0, 0, 0, 0, 0, 2, P16(0, 0), P16(10, 0)})},
         {"polyline 0,0 10,0 pen=000000/1/Solid"}},
        {"saved state comes back",
         {Rec({EMR_SAVEDC, 0}), Rec({EMR_CREATEPEN, 0, 1, PS_SOLID, 3, 0, 0xFF}), Rec({EMR_SELECTOBJECT, 0, 1}),
          Rec({EMR_RESTOREDC, 0, static_cast<uint32_t>(-1)}),
          Rec({EMR_POLYLINE16, 0, 0, 0, 0, 0, 2, P16(0, 0), P16(10, 0)})},
         {"polyline 0,0 10,0 pen=000000/1/Solid"}},
        {"line to from the current position",
         {Rec({EMR_MOVETOEX, 0, 5, 6}), Rec({EMR_LINETO, 0, 15, 6}), Rec({EMR_LINETO, 0, 15, 16})},
         {"polyline 5,6 15,6 pen=000000/1/Solid", "polyline 15,6 15,16 pen=000000/1/Solid"}},
        {"clip rectangle in logical units",
         {Rec({EMR_SETWORLDTRANSFORM, 0, F(2), 0, 0, F(2), 0, 0}), Rec({EMR_INTERSECTCLIPRECT, 0, 1, 2, 3, 4})},
         {"clip 2,4,6,8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Play(Picture(c.records)), c.want);
    }
}

TEST(EmfPlayer, CurvesAndEllipsesAreFlattened)
{
    auto lines =
        Play(Picture({Rec({EMR_ELLIPSE, 0, 20, 40, 120, 90}),
                      Rec({EMR_POLYBEZIER16, 0, 0, 0, 0, 0, 4, P16(0, 0), P16(0, 50), P16(50, 50), P16(50, 0)})}));
    ASSERT_EQ(lines.size(), 2u);
    // The ellipse touches its box on all four sides.
    std::vector<Point> pts;
    std::string s = lines[0].substr(8);
    for (size_t at = 0; at < s.size() && s[at] != 'p';) {
        int x, y, n;
        if (std::sscanf(s.c_str() + at, "%d,%d %n", &x, &y, &n) != 2) break;
        pts.push_back({x, y});
        at += n;
    }
    ASSERT_GT(pts.size(), 16u);
    int x0 = 1000, x1 = -1000, y0 = 1000, y1 = -1000;
    for (auto p : pts) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    EXPECT_EQ(x0, 20);
    EXPECT_EQ(x1, 120);
    EXPECT_EQ(y0, 40);
    EXPECT_EQ(y1, 90);
    // The curve runs from its first point to its last, bulging to y = 37.5 halfway.
    EXPECT_EQ(lines[1].rfind("polyline 0,0 ", 0), 0u);
    EXPECT_NE(lines[1].find(" 50,0 pen="), std::string::npos);
    EXPECT_NE(lines[1].find(",38 "), std::string::npos);
}

TEST(EmfPlayer, TextAlignmentPlacesTheCellFromTheReferencePoint)
{
    FakeFontMetrics fake;
    Font f;
    f.height = -20;
    const TextMetrics tm = fake.metrics(f);
    const int32_t w = fake.advance(f, 'A') + fake.advance(f, 'B');
    struct Align {
        uint32_t align;
        int32_t x, y;
    } cases[] = {
        {0, 100, 50},
        {TA_BASELINE, 100, 50 - tm.ascent},
        {TA_BOTTOM, 100, 50 - tm.height},
        {TA_RIGHT, 100 - w, 50},
        {TA_CENTER | TA_BASELINE, 100 - w / 2, 50 - tm.ascent},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.align);
        EmfRecorder r(200, 200);
        r.setFont(f);
        r.textOut(100, 50, "AB");
        std::vector<uint8_t> b = r.finish();
        // Change the recorded alignment (the SETTEXTALIGN record after the header).
        EmfFile probe(b);
        const uint32_t off = probe.records()[1].offset;
        ASSERT_EQ(probe.records()[1].type, EMR_SETTEXTALIGN);
        std::memcpy(b.data() + off + 8, &c.align, 4);
        TraceCanvas t;
        PlayEmf(EmfFile(b), t, {0, 0, 200, 200});
        std::string want = "text " + std::to_string(c.x) + "," + std::to_string(c.y) + " 'AB'";
        bool seen = false;
        for (const auto& l : t.lines)
            if (l.rfind("text ", 0) == 0) {
                EXPECT_EQ(l.substr(0, want.size()), want);
                seen = true;
            }
        EXPECT_TRUE(seen);
    }
}

TEST(EmfPlayer, CallbackCanSkipAndStop)
{
    EmfRecorder r(100, 100);
    for (int i = 0; i < 5; ++i) r.rectangle({i, i, 10 + i, 10 + i});
    EmfFile f(r.finish());
    TraceCanvas c;
    EmfPlayer p(f, &c, {0, 0, 100, 100});
    int rects = 0;
    p.run([&](const EmfRecordInfo& rec, EmfPlayer&) {
        if (rec.type != EMR_RECTANGLE) return EmfAction::Play;
        ++rects;
        if (rects == 2) return EmfAction::Skip;
        if (rects == 4) return EmfAction::Stop;
        return EmfAction::Play;
    });
    size_t drawn = 0;
    for (const auto& l : c.lines) drawn += l.rfind("rect ", 0) == 0;
    EXPECT_EQ(rects, 4);
    EXPECT_EQ(drawn, 2u);  // the first and the third
    EXPECT_EQ(c.saveDepth(), 0);
}

// Captures the bitmaps the player hands to the canvas.
class BitmapCanvas : public TraceCanvas {
public:
    void stretchDraw(const Rect& dest, const Bitmap& b) override
    {
        TraceCanvas::stretchDraw(dest, b);
        bitmaps.push_back(b);
    }
    std::vector<Bitmap> bitmaps;
};

void Put(std::vector<uint8_t>& out, std::initializer_list<uint32_t> words)
{
    for (uint32_t v : words)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A BITMAPINFOHEADER followed by the colour table bytes.
std::vector<uint8_t> Bmi(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t sizeImage, uint32_t colors,
                         std::initializer_list<uint8_t> table)
{
    std::vector<uint8_t> out;
    Put(out, {40, static_cast<uint32_t>(w), static_cast<uint32_t>(h), 1u | (uint32_t(bits) << 16), compression,
              sizeImage, 0, 0, colors, 0});
    out.insert(out.end(), table);
    return out;
}

// EMR_STRETCHDIBITS drawing the source rectangle at (10, 20), 40 x 30 pixels.
std::vector<uint8_t> StretchDib(std::vector<uint8_t> bmi, std::vector<uint8_t> bits, uint32_t usage, int32_t xs,
                                int32_t ys, int32_t cxs, int32_t cys)
{
    while (bmi.size() % 4) bmi.push_back(0);
    while (bits.size() % 4) bits.push_back(0);
    const uint32_t fixed = 80, bmiSize = static_cast<uint32_t>(bmi.size());
    std::vector<uint8_t> out;
    Put(out, {EMR_STRETCHDIBITS,
              0,
              0,
              0,
              0,
              0,
              10,
              20,
              static_cast<uint32_t>(xs),
              static_cast<uint32_t>(ys),
              static_cast<uint32_t>(cxs),
              static_cast<uint32_t>(cys),
              fixed,
              bmiSize,
              fixed + bmiSize,
              static_cast<uint32_t>(bits.size()),
              usage,
              SRCCOPY,
              40,
              30});
    out.insert(out.end(), bmi.begin(), bmi.end());
    out.insert(out.end(), bits.begin(), bits.end());
    uint32_t size = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + 4, &size, 4);
    return out;
}

TEST(EmfPlayer, BitmapRecordsDecodeEveryDibLayout)
{
    // Palette: 0 black, 1 red, 2 blue (RGBQUAD is blue, green, red, reserved).
    const std::initializer_list<uint8_t> rgb3 = {0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    constexpr uint32_t K = 0xFF000000, R = 0xFFFF0000, B = 0xFF0000FF;
    struct BitmapCase {
        const char* name;
        std::vector<uint8_t> record;
        int32_t width, height;         // 0: nothing is drawn
        std::vector<uint32_t> pixels;  // top-down
    } cases[] = {
        // Bottom row: a run of four reds; top row: absolute blue, black, red, then a run of one blue.
        {"RLE8",
         StretchDib(Bmi(4, 2, 8, BI_RLE8, 0, 3, rgb3), {4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 1, 2, 0, 1}, DIB_RGB_COLORS, 0, 0,
                    4, 2),
         4,
         2,
         {B, K, R, B, R, R, R, R}},
        {"RLE4",
         StretchDib(Bmi(4, 2, 4, BI_RLE4, 0, 3, rgb3), {4, 0x11, 0, 0, 0, 4, 0x20, 0x12, 0, 1}, DIB_RGB_COLORS, 0, 0, 4,
                    2),
         4,
         2,
         {B, K, R, B, R, R, R, R}},
        {"RLE8 cropped to its top right corner",
         StretchDib(Bmi(4, 2, 8, BI_RLE8, 0, 3, rgb3), {4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 1, 2, 0, 1}, DIB_RGB_COLORS, 2, 1,
                    2, 1),
         2,
         1,
         {R, B}},
        {"palette indexes become a grey ramp",
         StretchDib(Bmi(2, 1, 8, BI_RGB, 0, 2, {0x10, 0, 0x80, 0}), {1, 0}, DIB_PAL_COLORS, 0, 0, 2, 1),
         2,
         1,
         {0xFF808080, 0xFF101010}},
        // A bottom-up source rectangle counts its y from the bottom row.
        {"24 bits cropped to the bottom right pixel",
         StretchDib(Bmi(2, 2, 24, BI_RGB, 0, 0, {}), {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0},
                    DIB_RGB_COLORS, 1, 0, 1, 1),
         1,
         1,
         {0xFF060504}},
        // BI_ALPHABITFIELDS: red, green, blue and alpha masks follow the header.
        {"an alpha channel does not show",
         StretchDib(Bmi(1, -1, 32, 6, 0, 0, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF}),
                    {0x33, 0x22, 0x11, 0x80}, DIB_RGB_COLORS, 0, 0, 1, 1),
         1,
         1,
         {0xFF112233}},
        {"top-down RLE is refused",
         StretchDib(Bmi(4, -2, 8, BI_RLE8, 0, 3, rgb3), {4, 1, 0, 1}, DIB_RGB_COLORS, 0, 0, 4, 2),
         0,
         0,
         {}},
        {"palette shorter than it claims is refused",
         StretchDib(Bmi(2, 1, 8, BI_RGB, 0, 200, {0, 0, 0, 0}), {1, 0}, DIB_RGB_COLORS, 0, 0, 2, 1),
         0,
         0,
         {}},
        {"source rectangle outside the bitmap draws nothing",
         StretchDib(Bmi(2, 1, 8, BI_RGB, 0, 3, rgb3), {1, 2}, DIB_RGB_COLORS, 5, 0, 2, 1),
         0,
         0,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapCanvas canvas;
        PlayEmf(Picture({c.record}), canvas, {0, 0, 200, 200});
        if (c.width == 0) {
            EXPECT_TRUE(canvas.bitmaps.empty());
            continue;
        }
        ASSERT_EQ(canvas.bitmaps.size(), 1u);
        const Bitmap& b = canvas.bitmaps[0];
        EXPECT_EQ(b.width, c.width);
        EXPECT_EQ(b.height, c.height);
        EXPECT_FALSE(b.hasAlpha);
        EXPECT_EQ(b.pixels, c.pixels);
        bool placed = false;
        for (const auto& l : canvas.lines) placed |= l.rfind("stretch 10,20,50,50 ", 0) == 0;
        EXPECT_TRUE(placed);
    }
}

}  // namespace
