// Recording canvas: header fields, record bounds, text records, object bookkeeping, round trips.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/base/Error.h"
#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "tests/support/TraceCanvas.h"

namespace {
using namespace zv;
using namespace zv::emf;

Bitmap Checker(int32_t w, int32_t h)
{
    Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.resize(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.at(x, y) = 0xFF000000u | (x * 40 << 16) | (y * 30 << 8) | ((x + y) % 2 ? 0xFF : 0);
    return b;
}

// A scene of every call the recorder supports, drawn the same way on any canvas.
void DrawScene(Canvas& c)
{
    c.setPen({clBlue, 3, PenStyle::Solid});
    c.setBrush({clYellow, BrushStyle::Solid});
    c.rectangle({10, 20, 110, 70});
    c.setBrush({clRed, BrushStyle::Solid});
    c.fillRect({200, 10, 240, 30});
    c.setPen({clBlack, 1, PenStyle::Dash});
    c.setBrush({clWhite, BrushStyle::Clear});
    const Point tri[] = {{300, 300}, {350, 250}, {400, 300}};
    c.polygon(tri);
    c.setPen({clGreen, 2, PenStyle::Solid});
    const Point zig[] = {{0, 400}, {20, 380}, {40, 400}, {60, 380}};
    c.polyline(zig);
    c.saveState();
    c.intersectClipRect({0, 0, 300, 300});
    Font f;
    f.name = "Arial";
    f.height = -16;
    f.color = clMaroon;
    f.style = fsBold;
    c.setFont(f);
    c.setBrush({clWhite, BrushStyle::Solid});
    c.textOut(50, 100, "Pi\xE8 di pagina");
    c.restoreState();
    Font g;
    g.name = "Courier New";
    g.height = -12;
    g.escapement = 900;
    g.orientation = 900;
    c.setFont(g);
    c.setBrush({clWhite, BrushStyle::Clear});
    c.textOut(500, 400, "Verticale");
    c.setFont(Font{});
    c.textRect({20, 500, 60, 520}, 22, 502, "Testo tagliato lungo");
    c.stretchDraw({600, 600, 640, 630}, Checker(4, 3));
}

EmfFile Record(const std::function<void(EmfRecorder&)>& draw, int32_t w = 794, int32_t h = 1123)
{
    EmfRecorder rec(w, h, "Zelvo\x00Test");
    draw(rec);
    return EmfFile(rec.finish());
}

std::vector<EmfRecordInfo> Records(const EmfFile& f)
{
    std::vector<EmfRecordInfo> out;
    EnumerateEmf(f, [&](const EmfRecordInfo& r) {
        EmfRecordInfo copy = r;
        out.push_back(copy);
        return EmfAction::Play;
    });
    return out;
}

TEST(EmfRecorder, HeaderDescribesAPageAt96PerInch)
{
    EmfFile f = Record(DrawScene);
    const EmfHeader& h = f.header();
    EXPECT_EQ(h.bytes, f.bytes().size());
    EXPECT_EQ(h.records, f.records().size());
    EXPECT_EQ(h.device, (Size{1920, 1440}));
    EXPECT_EQ(h.millimeters, (Size{508, 381}));
    EXPECT_EQ(h.micrometers, (Size{508000, 381000}));
    // 794 x 1123 pixels is 210.08 x 297.12 mm; the frame is inclusive.
    EXPECT_EQ(h.frame, (Rect{0, 0, 21007, 29712}));
    EXPECT_EQ(f.frameInPixels(), (Rect{0, 0, 794, 1123}));
    EXPECT_EQ(f.records().front().type, EMR_HEADER);
    EXPECT_EQ(f.records().back().type, EMR_EOF);
    // The header bounds are the union of every record's bounds.
    Rect u{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const auto& r : Records(f)) {
        if (!r.hasBounds) continue;
        u = {std::min(u.left, r.bounds.left), std::min(u.top, r.bounds.top), std::max(u.right, r.bounds.right),
             std::max(u.bottom, r.bounds.bottom)};
    }
    EXPECT_EQ(h.bounds, u);
    EXPECT_EQ(h.bounds.right, 639);  // the bitmap's right edge, inclusive
}

TEST(EmfRecorder, EmptyPictureHasEmptyBounds)
{
    EmfFile f = Record([](EmfRecorder&) {}, 100, 50);
    EXPECT_EQ(f.header().bounds, (Rect{0, 0, -1, -1}));
    EXPECT_EQ(f.frameInPixels(), (Rect{0, 0, 100, 50}));
    EXPECT_EQ(f.header().handles, 1);
}

struct BoundsCase {
    const char* name;
    std::function<void(Canvas&)> draw;
    uint32_t type;
    Rect bounds;          // what the record carries after its header
    Rect headerBounds{};  // the pixels it covers, inclusive (rectangles only)
};

TEST(EmfRecorder, DrawingRecordsCarryTheirBounds)
{
    const BoundsCase cases[] = {
        // A rectangle record carries its box; without a pen it is one pixel larger than it paints.
        {"thin rectangle",
         [](Canvas& c) {
             c.rectangle({10, 20, 110, 70});
         },
         EMR_RECTANGLE,
         {10, 20, 110, 70},
         {10, 20, 109, 69}},
        {"wide pen rectangle",
         [](Canvas& c) {
             c.setPen({clBlack, 5});
             c.rectangle({10, 20, 110, 70});
         },
         EMR_RECTANGLE,
         {10, 20, 110, 70},
         {8, 18, 111, 71}},
        {"fill",
         [](Canvas& c) {
             c.fillRect({5, 6, 15, 16});
         },
         EMR_RECTANGLE,
         {5, 6, 16, 17},
         {5, 6, 14, 15}},
        {"polygon16",
         [](Canvas& c) {
             const Point p[] = {{1, 2}, {30, 4}, {5, 60}};
             c.polygon(p);
         },
         EMR_POLYGON16,
         {1, 2, 30, 60}},
        {"polygon32",
         [](Canvas& c) {
             const Point p[] = {{1, 2}, {70000, 4}, {5, 60}};
             c.polygon(p);
         },
         EMR_POLYGON,
         {1, 2, 70000, 60}},
        {"line",
         [](Canvas& c) {
             c.setPen({clBlack, 3});
             c.moveTo(10, 10);
             c.lineTo(50, 20);
         },
         EMR_POLYLINE16,
         {9, 9, 51, 21}},
        {"text",
         [](Canvas& c) {
             c.setFont(Font{});
             c.textOut(10, 20, "AB");
         },
         EMR_EXTTEXTOUTW,
         {10, 20, 10 + 7 + 7 - 1, 20 + 12 - 1}},
        {"clipped text",
         [](Canvas& c) {
             c.setFont(Font{});
             c.textRect({12, 0, 15, 100}, 10, 20, "AB");
         },
         EMR_EXTTEXTOUTW,
         {12, 20, 14, 31}},
        // Turned by 90 degrees the cell rises from the reference point.
        {"vertical text",
         [](Canvas& c) {
             Font f;
             f.escapement = 900;
             c.setFont(f);
             c.textOut(100, 200, "AB");
         },
         EMR_EXTTEXTOUTW,
         {100, 186, 111, 199}},
        {"bitmap",
         [](Canvas& c) {
             c.stretchDraw({3, 4, 43, 34}, Checker(4, 3));
         },
         EMR_STRETCHDIBITS,
         {3, 4, 42, 33}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EmfFile f = Record([&](EmfRecorder& r) { tc.draw(r); });
        auto recs = Records(f);
        auto it = std::find_if(recs.begin(), recs.end(), [&](const EmfRecordInfo& r) { return r.type == tc.type; });
        ASSERT_NE(it, recs.end());
        EXPECT_TRUE(it->hasBounds);
        EXPECT_EQ(it->bounds, tc.bounds);
        EXPECT_EQ(f.header().bounds, tc.type == EMR_RECTANGLE ? tc.headerBounds : tc.bounds);
    }
}

TEST(EmfRecorder, TextRecordsKeepStringPositionFontAndAdvances)
{
    FakeFontMetrics fake;
    Font f;
    f.name = "Times New Roman";
    f.height = -20;
    f.style = fsItalic | fsUnderline;
    f.escapement = 450;
    f.orientation = 450;
    f.color = clNavy;
    EmfFile file = Record([&](EmfRecorder& r) {
        r.setFont(f);
        r.textOut(40, 50, "Citt\xE0 \x80 5");
    });
    auto recs = Records(file);
    auto it = std::find_if(recs.begin(), recs.end(), [](const EmfRecordInfo& r) { return r.isText; });
    ASSERT_NE(it, recs.end());
    EXPECT_EQ(it->text, "Citt\xE0 \x80 5");
    EXPECT_EQ(it->reference, (Point{40, 50}));
    EXPECT_EQ(it->font.name, "Times New Roman");
    EXPECT_EQ(it->font.height, -20);
    EXPECT_EQ(it->font.escapement, 450);
    EXPECT_EQ(it->font.orientation, 450);
    EXPECT_EQ(it->font.style, fsItalic | fsUnderline);
    EXPECT_EQ(it->font.color, clNavy);
    // The advances are those of the metrics, one per character, after the UTF-16 string.
    RecordView v(it->data);
    uint32_t n = v.u32(kTextChars), offDx = v.u32(kTextOffDx);
    ASSERT_EQ(n, 9u);
    EXPECT_EQ(v.u16(v.u32(kTextOffString) + 12), 0x20AC);  // the euro sign
    for (uint32_t i = 0; i < n; ++i)
        EXPECT_EQ(v.i32(offDx + 4 * i), fake.advance(f, static_cast<uint8_t>(it->text[i]))) << i;
    EXPECT_EQ(v.u32(kTextOptions), 0u);
}

TEST(EmfRecorder, OpaqueTextTakesTheBrushColourAsBackground)
{
    EmfFile file = Record([](EmfRecorder& r) {
        r.setBrush({clYellow, BrushStyle::Solid});
        r.textOut(0, 0, "a");
        r.setBrush({clYellow, BrushStyle::Clear});
        r.textOut(0, 20, "b");
        r.setBrush({clAqua, BrushStyle::Solid});
        r.textOut(0, 40, "c");
    });
    std::vector<std::string> seen;
    EnumerateEmf(file, [&](const EmfRecordInfo& r) {
        RecordView v(r.data);
        if (r.type == EMR_SETBKMODE) seen.push_back(v.u32(8) == OPAQUE ? "opaque" : "transparent");
        if (r.type == EMR_SETBKCOLOR) seen.push_back("bk " + TraceCanvas::formatColor(v.u32(8)));
        if (r.isText) seen.push_back("text " + r.text);
        return EmfAction::Play;
    });
    // The device starts opaque and white, so only the changes are written.
    std::vector<std::string> want = {"bk 00FFFF", "text a", "transparent", "text b", "opaque", "bk FFFF00", "text c"};
    EXPECT_EQ(seen, want);
}

// Walks the object records like a device context would, failing on any misuse of a handle.
void CheckObjectUse(const EmfFile& f, size_t* created = nullptr)
{
    std::set<uint32_t> live;
    struct Sel {
        uint32_t pen = 0, brush = 0, font = 0;
    };
    std::map<uint32_t, int> kind;  // 0 pen, 1 brush, 2 font
    Sel cur;
    std::vector<Sel> stack;
    size_t n = 0;
    auto selected = [&](uint32_t ih) {
        if (cur.pen == ih || cur.brush == ih || cur.font == ih) return true;
        for (const Sel& s : stack)
            if (s.pen == ih || s.brush == ih || s.font == ih) return true;
        return false;
    };
    for (const auto& r : f.records()) {
        RecordView v(f.recordBytes(r));
        uint32_t ih = v.u32(8);
        switch (r.type) {
        case EMR_CREATEPEN:
        case EMR_CREATEBRUSHINDIRECT:
        case EMR_EXTCREATEFONTINDIRECTW:
            ASSERT_TRUE(live.insert(ih).second) << "slot reused while live: " << ih;
            ASSERT_LT(ih, f.header().handles);
            kind[ih] = r.type == EMR_CREATEPEN ? 0 : r.type == EMR_CREATEBRUSHINDIRECT ? 1 : 2;
            ++n;
            break;
        case EMR_SELECTOBJECT:
            if (ih & kStockObject) {
                uint32_t s = ih & ~kStockObject;
                if (s == NULL_PEN || s == BLACK_PEN)
                    cur.pen = 0;
                else if (s == NULL_BRUSH || s == WHITE_BRUSH)
                    cur.brush = 0;
                else
                    cur.font = 0;
            } else {
                ASSERT_TRUE(live.count(ih)) << "selecting a dead object " << ih;
                (kind[ih] == 0 ? cur.pen : kind[ih] == 1 ? cur.brush : cur.font) = ih;
            }
            break;
        case EMR_DELETEOBJECT:
            ASSERT_TRUE(live.count(ih)) << "deleting a dead object " << ih;
            live.erase(ih);
            ASSERT_FALSE(selected(ih)) << "deleted while a state still selects it: " << ih;
            break;
        case EMR_SAVEDC: stack.push_back(cur); break;
        case EMR_RESTOREDC:
            ASSERT_FALSE(stack.empty());
            cur = stack.back();
            stack.pop_back();
            break;
        default: break;
        }
    }
    EXPECT_TRUE(live.empty()) << live.size() << " objects left at the end";
    EXPECT_TRUE(stack.empty());
    if (created) *created = n;
}

TEST(EmfRecorder, ObjectsAreCreatedLazilyAndDeletedWhenNoStateUsesThem)
{
    size_t created = 0;
    EmfFile f = Record([](EmfRecorder& r) {
        for (int i = 0; i < 5; ++i) {
            r.setPen({static_cast<Color>(i * 10), 1 + i});
            r.rectangle({i, i, 10 + i, 10 + i});
            r.rectangle({i, i, 20 + i, 20 + i});  // same pen: no new object
        }
        r.saveState();
        r.setPen({clRed, 2});
        r.setBrush({clBlue, BrushStyle::Cross});
        r.rectangle({0, 0, 5, 5});
        r.saveState();
        r.setFont(Font{});
        r.textOut(0, 0, "x");
        r.setPen({clGreen, 2});
        r.rectangle({0, 0, 5, 5});
        r.restoreState();
        r.rectangle({0, 0, 6, 6});  // the red pen is selected again after the restore
        r.restoreState();
        r.rectangle({0, 0, 7, 7});
        r.restoreState();  // unbalanced: ignored
    });
    CheckObjectUse(f, &created);
    // 5 pens + white brush, red pen + cross brush, font + green pen.
    EXPECT_EQ(created, 10u);
    // Every object is kept for reuse (fewer than eight of a kind here), and all are gone at the end.
    EXPECT_EQ(f.header().handles, 11);
}

TEST(EmfRecorder, GoingBackToAKeptObjectOnlySelectsItAndFewAreKept)
{
    struct Case {
        int pens;  // distinct pens used in turn
        int rounds;
        size_t created;  // pen objects created
        int maxHandles;
    };
    // Two pens in turn are created once; twenty in turn overflow the eight kept and are made again.
    const Case cases[] = {{2, 50, 2, 4}, {8, 10, 8, 10}, {20, 3, 60, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pens);
        EmfFile f = Record([&](EmfRecorder& r) {
            for (int k = 0; k < c.rounds; ++k)
                for (int i = 0; i < c.pens; ++i) {
                    r.setPen({static_cast<Color>(i * 10), 1});
                    r.rectangle({i, i, 10 + i, 10 + i});
                }
        });
        size_t created = 0;
        CheckObjectUse(f, &created);
        EXPECT_EQ(created, c.created + 1);  // and the white brush
        EXPECT_LE(f.header().handles, c.maxHandles);
    }
}

// Captures bitmaps as well as the trace.
class CaptureCanvas : public TraceCanvas {
public:
    void stretchDraw(const Rect& dest, const Bitmap& b) override
    {
        TraceCanvas::stretchDraw(dest, b);
        bitmaps.push_back(b);
    }
    std::vector<Bitmap> bitmaps;
};

std::vector<std::string> DrawingLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const auto& l : lines)
        for (const char* p : {"rect ", "fill ", "polygon ", "polyline ", "text ", "textRect ", "stretch "})
            if (l.rfind(p, 0) == 0) out.push_back(l);
    return out;
}

TEST(EmfRecorder, PlayingBackAtFullSizeRepeatsTheDrawingCalls)
{
    CaptureCanvas direct;
    DrawScene(direct);
    EmfFile f = Record(DrawScene);
    CaptureCanvas played;
    PlayEmf(f, played, f.frameInPixels());
    EXPECT_EQ(DrawingLines(played.lines), DrawingLines(direct.lines));
    ASSERT_EQ(played.bitmaps.size(), 1u);
    EXPECT_EQ(played.bitmaps[0].pixels, direct.bitmaps[0].pixels);
    EXPECT_EQ(played.saveDepth(), 0);
}

TEST(EmfRecorder, PlaybackScalesIntoTheTarget)
{
    EmfFile f = Record(
        [](EmfRecorder& r) {
            r.setPen({clBlack, 2});
            r.rectangle({100, 100, 200, 150});
            Font g;
            g.height = -20;
            r.setFont(g);
            r.textOut(10, 10, "x");
        },
        400, 300);
    TraceCanvas c;
    PlayEmf(f, c, {50, 50, 250, 200});  // half size, moved
    auto lines = DrawingLines(c.lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "rect 100,100,150,125 pen=000000/1/Solid brush=FFFFFF/Solid");
    EXPECT_EQ(lines[1].substr(0, 31), "text 55,55 'x' font=Arial/-10/0");
}

TEST(EmfRecorder, FinishedRecorderRefusesMoreWork)
{
    EmfRecorder r(10, 10);
    r.finish();
    EXPECT_TRUE(r.finished());
    EXPECT_THROW(r.rectangle({0, 0, 1, 1}), Exception);
    EXPECT_THROW(r.finish(), Exception);
}

}  // namespace

namespace {
// Notes the clip in force at each rectangle.
class ClipProbe : public zv::TraceCanvas {
public:
    void rectangle(const zv::Rect& r) override
    {
        TraceCanvas::rectangle(r);
        clips.push_back(clip() ? TraceCanvas::formatRect(*clip()) : "none");
    }
    std::vector<std::string> clips;
};

TEST(EmfRecorder, PicturesOnlyNarrowTheCallersClip)
{
    zv::EmfFile f = Record(
        [](zv::EmfRecorder& r) {
            r.rectangle({0, 0, 5, 5});
            r.intersectClipRect({0, 0, 50, 50});
            r.rectangle({0, 0, 5, 5});
            r.saveState();
            r.intersectClipRect({20, 0, 200, 200});
            r.rectangle({0, 0, 5, 5});
            r.restoreState();
            r.rectangle({0, 0, 5, 5});
            r.resetClip();
            r.rectangle({0, 0, 5, 5});
        },
        200, 200);
    ClipProbe c;
    c.intersectClipRect({10, 10, 100, 100});
    zv::PlayEmf(f, c, {0, 0, 200, 200});
    std::vector<std::string> want = {"10,10,100,100", "10,10,50,50", "20,10,50,50", "10,10,50,50", "10,10,100,100"};
    EXPECT_EQ(c.clips, want);
    ASSERT_TRUE(c.clip());
    EXPECT_EQ(*c.clip(), (zv::Rect{10, 10, 100, 100}));
    EXPECT_EQ(c.saveDepth(), 0);
}
}  // namespace

#include "platform/base/Stream.h"
#include "platform/emf/EmfGraphic.h"

namespace {
TEST(EmfGraphic, ReadsWritesAndDrawsAMetafilePicture)
{
    zv::RegisterMetafileGraphic();
    std::unique_ptr<zv::Graphic> g = zv::CreateGraphic(zv::PictureKind::Metafile);
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->empty());
    zv::EmfRecorder rec(120, 60);
    rec.rectangle({10, 10, 110, 50});
    std::vector<uint8_t> bytes = rec.finish();
    zv::MemoryStream in(bytes);
    g->loadFromStream(in);
    EXPECT_EQ(g->width(), 120);
    EXPECT_EQ(g->height(), 60);
    zv::MemoryStream out;
    g->saveToStream(out);
    EXPECT_EQ(out.data(), bytes);
    zv::TraceCanvas c;
    g->draw(c, {0, 0, 60, 30});
    EXPECT_EQ(DrawingLines(c.lines), std::vector<std::string>{"rect 5,5,55,25 pen=000000/1/Solid brush=FFFFFF/Solid"});
    // A damaged picture is refused and the graphic keeps what it had.
    bytes[4] = 7;
    zv::MemoryStream bad(bytes);
    EXPECT_THROW(g->loadFromStream(bad), zv::Exception);
    EXPECT_EQ(g->width(), 120);
    auto copy = g->clone();
    EXPECT_EQ(copy->kind(), zv::PictureKind::Metafile);
    EXPECT_EQ(copy->height(), 60);
}
}  // namespace
