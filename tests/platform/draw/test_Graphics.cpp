// Graphics types, fake font metrics, headless UI services and the logging canvas.
#include <gtest/gtest.h>

#include <array>

#include "platform/device/UiServices.h"
#include "platform/draw/FontMetrics.h"
#include "platform/draw/Graphics.h"
#include "tests/support/TraceCanvas.h"

using namespace zv;

TEST(Graphics, ColorToRGB)
{
    struct Case {
        Color in, out;
    };
    const Case cases[] = {
        {clRed, 0x0000FF},
        {RGB(1, 2, 3), 0x030201},
        {clNone, clNone},
        {clWindow, 0xFFFFFF},
        {clWindowText, 0x000000},
        {clBtnFace, RGB(240, 240, 240)},
        {clHighlight, RGB(0, 120, 215)},
        {clInfoBk, RGB(255, 255, 225)},
        {0x800000FF, 0x000000},  // unknown index
    };
    for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.in), c.out) << std::hex << c.in;
    EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
    EXPECT_EQ(GetGValue(RGB(10, 20, 30)), 20);
    EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);
}

TEST(Graphics, RectangleSetOperations)
{
    struct Case {
        Rect a, b;
        bool meets;
        Rect inter, uni;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, true, {5, 5, 10, 10}, {0, 0, 20, 20}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, false, {}, {0, 0, 20, 10}},  // touching edges do not overlap
        {{0, 0, 10, 10}, {2, 2, 3, 3}, true, {2, 2, 3, 3}, {0, 0, 10, 10}},
        {{-5, -5, 0, 0}, {30, 30, 40, 40}, false, {}, {-5, -5, 40, 40}},
        {{0, 0, 0, 10}, {5, 5, 20, 20}, false, {}, {5, 5, 20, 20}},  // an empty side is ignored by the union
        {{0, 0, 0, 0}, {0, 0, 0, 0}, false, {}, {}},
    };
    for (const Case& c : cases) {
        Rect out{1, 1, 2, 2};
        EXPECT_EQ(IntersectRect(c.a, c.b, &out), c.meets);
        EXPECT_EQ(out, c.inter);
        EXPECT_EQ(IntersectRect(c.b, c.a, &out), c.meets);
        EXPECT_EQ(UnionRect(c.a, c.b), c.uni);
        EXPECT_EQ(UnionRect(c.b, c.a), c.uni);
    }
    // Extents of rectangles read from files saturate instead of overflowing.
    const struct {
        Rect r;
        int32_t width, height;
    } extents[] = {
        {{0, 0, 10, 5}, 10, 5},
        {{10, 5, 0, 0}, -10, -5},
        {{8, -2147483640, 293, 124}, 285, INT32_MAX},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MAX, INT32_MAX},
        {{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, INT32_MIN, INT32_MIN},
    };
    for (const auto& e : extents) {
        EXPECT_EQ(e.r.width(), e.width) << e.r.left << ".." << e.r.right;
        EXPECT_EQ(e.r.height(), e.height) << e.r.top << ".." << e.r.bottom;
    }
    Rect r{0, 0, 10, 5};
    EXPECT_TRUE(r.contains({0, 0}));
    EXPECT_FALSE(r.contains({10, 4}));  // the right edge is outside
    EXPECT_FALSE(r.contains({9, 5}));
}

TEST(Graphics, FontSizeInPoints)
{
    struct Case {
        int height, points;
    };
    // -height * 72 / 96 with halves to even: 2 px = 1.5 pt -> 2, 6 px = 4.5 pt -> 4.
    const Case cases[] = {{-11, 8}, {-13, 10}, {-16, 12}, {-2, 2}, {-6, 4}, {-10, 8}, {0, 0}, {16, -12}};
    for (const Case& c : cases) {
        Font f;
        f.height = c.height;
        EXPECT_EQ(f.size(), c.points) << c.height;
    }
    const std::array<int, 6> sizes = {8, 9, 10, 12, 14, 72};
    for (int pt : sizes) {
        Font f;
        f.setSize(pt);
        EXPECT_EQ(f.size(), pt) << "setSize then size round-trips for " << pt;
    }
    Font bold;
    bold.style = fsBold | fsItalic;
    EXPECT_TRUE(bold.bold());
    EXPECT_EQ(bold.weight(), 700);
}

TEST(FontMetrics, FakeMetricsAreDeterministicSums)
{
    FakeFontMetrics m;
    Font f;  // Arial, -11
    const std::string text = "Totale: 1.234,56 WiMi";
    int32_t sum = 0;
    for (char c : text) sum += m.advance(f, static_cast<uint8_t>(c));
    EXPECT_EQ(m.textWidth(f, text), sum);
    EXPECT_EQ(m.textWidth(f, ""), 0);
    EXPECT_EQ(m.textExtent(f, text), (Size{sum, m.metrics(f).height}));

    // Wide letters are wider than narrow ones; bold adds one pixel per character.
    EXPECT_GT(m.advance(f, 'W'), m.advance(f, 'i'));
    Font b = f;
    b.style = fsBold;
    EXPECT_EQ(m.textWidth(b, text), sum + static_cast<int32_t>(text.size()));
    // Larger fonts are wider; escapement does not change advances.
    Font big = f;
    big.height = -22;
    EXPECT_GT(m.textWidth(big, text), sum);
    Font turned = f;
    turned.escapement = 900;
    EXPECT_EQ(m.textWidth(turned, text), sum);

    TextMetrics tm = m.metrics(f);
    EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    EXPECT_EQ(tm.height, 11 + tm.internalLeading);
    EXPECT_GT(tm.internalLeading, 0);
    Font cell = f;
    cell.height = tm.height;  // the same font asked for by its cell height
    EXPECT_EQ(m.metrics(cell).height, tm.height);
}

TEST(FontMetrics, DefaultSourceCanBeReplaced)
{
    struct Fixed : FontMetrics {
        TextMetrics metrics(const Font&) override { return TextMetrics{20, 16, 4, 0, 0, 7, 7}; }
        int32_t advance(const Font&, uint8_t) override { return 7; }
    } fixed;
    Font f;
    int32_t fake = DefaultFontMetrics().textWidth(f, "abc");
    SetDefaultFontMetrics(&fixed);
    EXPECT_EQ(DefaultFontMetrics().textWidth(f, "abc"), 21);
    TraceCanvas canvas;  // a canvas without its own metrics measures with the default
    EXPECT_EQ(canvas.textExtent("abcd"), (Size{28, 20}));
    SetDefaultFontMetrics(nullptr);
    EXPECT_EQ(DefaultFontMetrics().textWidth(f, "abc"), fake);
    canvas.setMetrics(&fixed);
    EXPECT_EQ(canvas.textWidth("ab"), 14);
}

TEST(HeadlessUi, RecordsBoxesAndAnswers)
{
    HeadlessUi ui;
    struct Case {
        uint32_t flags;
        int answer;  // with no prepared answer: the first button
    };
    const Case cases[] = {{MB_OK | MB_ICONERROR, IDOK},
                          {MB_OKCANCEL, IDOK},
                          {MB_YESNO | MB_ICONQUESTION, IDYES},
                          {MB_YESNOCANCEL, IDYES}};
    for (const Case& c : cases) EXPECT_EQ(ui.messageBox("t", "c", c.flags), c.answer) << c.flags;
    ui.answers = {IDNO, IDCANCEL};
    EXPECT_EQ(ui.messageBox("Salvare?", "Attenzione", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(ui.messageBox("Salvare?", "Attenzione", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(ui.messageBox("Salvare?", "Attenzione", MB_YESNOCANCEL), IDYES);
    ASSERT_EQ(ui.messages.size(), 7u);
    EXPECT_EQ(ui.messages[4].text, "Salvare?");
    EXPECT_EQ(ui.messages[4].caption, "Attenzione");
    EXPECT_EQ(ui.messages[0].flags, MB_OK | MB_ICONERROR);

    // The process-wide services start headless and can be swapped.
    EXPECT_EQ(&Ui(), &DefaultHeadlessUi());
    SetUi(&ui);
    Ui().beep();
    Ui().setClipboardText("x");
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(ui.clipboardText(), "x");
    SetUi(nullptr);
    EXPECT_EQ(&Ui(), &DefaultHeadlessUi());
}

TEST(TraceCanvas, LogsEveryCall)
{
    TraceCanvas c;
    c.moveTo(1, 2);
    c.lineTo(3, 4);
    c.rectangle({10, 20, 30, 40});
    c.setBrush({clNone, BrushStyle::Clear});
    c.setPen({clRed, 2, PenStyle::Dash});
    c.fillRect({0, 0, 5, 5});
    const Point tri[] = {{0, 0}, {10, 0}, {5, 5}};
    c.polygon(tri);
    c.polyline(std::span<const Point>(tri, 2));
    Font f;
    f.name = "Courier New";
    f.height = -13;
    f.style = fsBold;
    f.escapement = 900;
    f.color = clBtnFace;
    c.setFont(f);
    c.textOut(5, 6, "Pi\xE8");
    c.textRect({0, 0, 50, 20}, 5, 6, "");
    Bitmap bmp;
    bmp.width = 20;
    bmp.height = 10;
    c.stretchDraw({0, 0, 100, 50}, bmp);
    const std::vector<std::string> expected = {
        "moveTo 1,2",
        "lineTo 3,4 pen=000000/1/Solid",
        "rect 10,20,30,40 pen=000000/1/Solid brush=FFFFFF/Solid",
        "fill 0,0,5,5 brush=1FFFFFFF/Clear",
        "polygon 0,0 10,0 5,5 pen=0000FF/2/Dash brush=1FFFFFFF/Clear",
        "polyline 0,0 10,0 pen=0000FF/2/Dash",
        "text 5,6 'Pi\xE8' font=Courier New/-13/1/900 color=8000000F brush=1FFFFFFF/Clear",
        "textRect 0,0,50,20 5,6 '' font=Courier New/-13/1/900 color=8000000F brush=1FFFFFFF/Clear",
        "stretch 0,0,100,50 bitmap=20x10",
    };
    EXPECT_EQ(c.lines, expected);
    EXPECT_EQ(c.penPos(), (Point{3, 4}));
    EXPECT_EQ(c.text().substr(0, 11), "moveTo 1,2\n");
}

TEST(TraceCanvas, ClipAndSaveRestore)
{
    TraceCanvas c;
    EXPECT_FALSE(c.clip().has_value());
    c.intersectClipRect({0, 0, 100, 100});
    c.saveState();
    c.setPen({clBlue, 3, PenStyle::Dot});
    c.intersectClipRect({50, 50, 200, 200});
    EXPECT_EQ(*c.clip(), (Rect{50, 50, 100, 100}));
    c.saveState();
    EXPECT_EQ(c.saveDepth(), 2);
    c.resetClip();
    EXPECT_FALSE(c.clip().has_value());
    c.restoreState();
    EXPECT_EQ(*c.clip(), (Rect{50, 50, 100, 100}));
    c.intersectClipRect({300, 300, 400, 400});
    EXPECT_TRUE(c.clip()->isEmpty()) << "disjoint clips leave nothing visible";
    c.restoreState();
    EXPECT_EQ(*c.clip(), (Rect{0, 0, 100, 100}));
    EXPECT_EQ(c.pen(), Pen{});
    c.restoreState();  // more restores than saves are logged, not fatal
    EXPECT_EQ(c.saveDepth(), 0);
    const std::vector<std::string> expected = {
        "clip 0,0,100,100",     "save 1",    "clip 50,50,200,200", "save 2", "resetClip", "restore 1",
        "clip 300,300,400,400", "restore 0", "restore unbalanced",
    };
    EXPECT_EQ(c.lines, expected);
    c.clearLog();
    EXPECT_TRUE(c.lines.empty());
}
