// Metafile validation: hand-made damage to sizes, offsets, counts and handles is refused by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/base/Error.h"
#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "tests/support/TraceCanvas.h"

namespace {
using namespace zv;
using namespace zv::emf;

std::vector<uint8_t> BasePicture()
{
    EmfRecorder r(200, 100, "Test");
    r.setPen({clRed, 2});
    r.rectangle({1, 1, 50, 50});
    const Point line[] = {{0, 0}, {10, 10}, {20, 0}};
    r.polyline(line);
    const Point pts[] = {{0, 0}, {10, 0}, {10, 10}, {2, 2}, {4, 2}, {4, 4}};
    const uint32_t counts[] = {3, 3};
    r.polyPolygon(pts, counts, true);
    r.textOut(5, 5, "Hello");
    Bitmap b;
    b.width = 2;
    b.height = 2;
    b.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    r.stretchDraw({100, 10, 120, 30}, b);
    return r.finish();
}

// Offset of the first record of a type in a valid picture.
uint32_t Find(const std::vector<uint8_t>& bytes, uint32_t type)
{
    EmfFile f{std::vector<uint8_t>(bytes)};
    for (const auto& r : f.records())
        if (r.type == type) return r.offset;
    ADD_FAILURE() << "no record " << RecordName(type);
    return 0;
}

void Put32(std::vector<uint8_t>& b, size_t off, uint32_t v) { std::memcpy(b.data() + off, &v, 4); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t off)
{
    uint32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}

struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
    const char* message;       // the text after "Invalid metafile: ", or the reason at its end
    bool recordLevel = false;  // message names a record: only the reason is compared
};

TEST(EmfReader, TheUndamagedPictureIsAccepted)
{
    auto bytes = BasePicture();
    EmfFile f(bytes);
    EXPECT_EQ(f.header().description, "Test");
    EXPECT_GT(f.records().size(), 10u);
    TraceCanvas c;
    PlayEmf(f, c, {0, 0, 200, 100});
    EXPECT_FALSE(c.lines.empty());
}

TEST(EmfReader, DamageIsRefusedWithAClearMessage)
{
    const Damage cases[] = {
        {"empty header", [](auto& b) { b.resize(40); }, "the file is too short for a header"},
        {"not a header", [](auto& b) { Put32(b, 0, EMR_EOF); }, "the first record is not a header"},
        {"signature", [](auto& b) { Put32(b, kHeaderSignature, 0x12345678); }, "wrong signature"},
        {"header size odd", [](auto& b) { Put32(b, 4, Get32(b, 4) + 2); }, "bad header size"},
        {"header past the file", [](auto& b) { Put32(b, 4, 0x7FFFFFF0); }, "bad header size"},
        {"byte count past the file", [](auto& b) { Put32(b, kHeaderBytes, Get32(b, kHeaderBytes) + 4); },
         "byte count outside the file"},
        {"truncated file", [](auto& b) { b.resize(b.size() / 2); }, "byte count outside the file"},
        {"no handles", [](auto& b) { Put32(b, kHeaderHandles, 0); }, "empty handle table"},
        {"no device size", [](auto& b) { Put32(b, kHeaderDevice, 0); }, "bad reference device size"},
        {"description past the header", [](auto& b) { Put32(b, kHeaderDescriptionCount, 1000); },
         "description outside the header"},
        {"description count overflows", [](auto& b) { Put32(b, kHeaderDescriptionCount, 0x80000001); },
         "description outside the header"},
        {"record size not a multiple of 4",
         [](auto& b) {
             size_t o = Find(b, EMR_RECTANGLE);
             Put32(b, o + 4, Get32(b, o + 4) + 1);
         },
         "bad record size", true},
        {"record size below 8",
         [](auto& b) {
             size_t o = Find(b, EMR_RECTANGLE);
             Put32(b, o + 4, 4);
         },
         "bad record size", true},
        {"record past the end",
         [](auto& b) {
             size_t o = Find(b, EMR_EOF);
             Put32(b, o + 4, 0x1000);
         },
         "the record runs past the end of the metafile", true},
        {"record too short for its type",
         [](auto& b) {
             size_t o = Find(b, EMR_RECTANGLE);
             Put32(b, o + 4, 16);
         },
         "(EMR_RECTANGLE) at offset 208: record too short", true},
        {"missing end record",
         [](auto& b) {
             size_t o = Find(b, EMR_EOF);
             b.resize(o);
             Put32(b, kHeaderBytes, static_cast<uint32_t>(o));
         },
         "no end-of-file record"},
        {"second header",
         [](auto& b) {
             size_t o = Find(b, EMR_RECTANGLE);
             Put32(b, o, EMR_HEADER);
         },
         "a second header", true},
        {"string offset past the end",
         [](auto& b) {
             size_t o = Find(b, EMR_EXTTEXTOUTW);
             Put32(b, o + kTextOffString, 0x10000);
         },
         "string exceeds the record", true},
        {"string offset inside the header",
         [](auto& b) {
             size_t o = Find(b, EMR_EXTTEXTOUTW);
             Put32(b, o + kTextOffString, 2);
         },
         "string offset inside the record header", true},
        {"character count overflows",
         [](auto& b) {
             size_t o = Find(b, EMR_EXTTEXTOUTW);
             Put32(b, o + kTextChars, 0x80000002);
         },
         "string exceeds the record", true},
        {"advances past the end",
         [](auto& b) {
             size_t o = Find(b, EMR_EXTTEXTOUTW);
             Put32(b, o + kTextOffDx, Get32(b, o + 4) - 8);
         },
         "advances exceed the record", true},
        {"point count past the end",
         [](auto& b) {
             size_t o = Find(b, EMR_POLYLINE16);
             Put32(b, o + 24, 1000);
         },
         "point count exceeds the record", true},
        {"point count that overflows 32 bits",
         [](auto& b) {
             size_t o = Find(b, EMR_POLYLINE16);
             Put32(b, o + 24, 0x40000001);
         },
         "point count exceeds the record", true},
        {"polygon counts that do not add up",
         [](auto& b) {
             size_t o = Find(b, EMR_POLYPOLYGON16);
             Put32(b, o + 32, 4);
         },
         "polygon point counts do not add up", true},
        {"polygon count that overflows",
         [](auto& b) {
             size_t o = Find(b, EMR_POLYPOLYGON16);
             Put32(b, o + 24, 0xC0000000);
         },
         "polygon count exceeds the record", true},
        {"pen index past the handle table",
         [](auto& b) {
             size_t o = Find(b, EMR_CREATEPEN);
             Put32(b, o + 8, 500);
         },
         "object index outside the handle table", true},
        {"pen index 0",
         [](auto& b) {
             size_t o = Find(b, EMR_CREATEPEN);
             Put32(b, o + 8, 0);
         },
         "object index outside the handle table", true},
        {"select index past the handle table",
         [](auto& b) {
             size_t o = Find(b, EMR_SELECTOBJECT);
             Put32(b, o + 8, 77);
         },
         "object index outside the handle table", true},
        {"unknown stock object",
         [](auto& b) {
             size_t o = Find(b, EMR_SELECTOBJECT);
             Put32(b, o + 8, 0x80000100);
         },
         "unknown stock object", true},
        {"bitmap bits past the end",
         [](auto& b) {
             size_t o = Find(b, EMR_STRETCHDIBITS);
             Put32(b, o + 60, 0x100000);
         },
         "bitmap bits exceed the record", true},
        {"bitmap header offset inside the fixed part",
         [](auto& b) {
             size_t o = Find(b, EMR_STRETCHDIBITS);
             Put32(b, o + 48, 20);
         },
         "bitmap header exceeds the record", true},
        {"palette past the end",
         [](auto& b) {
             size_t o = Find(b, EMR_EOF);
             Put32(b, o + 8, 10);
         },
         "palette exceeds the record", true},
    };
    const std::vector<uint8_t> base = BasePicture();
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.name);
        std::vector<uint8_t> bytes = base;
        d.apply(bytes);
        try {
            EmfFile f(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            const std::string& m = e.message();
            std::string want = d.recordLevel ? std::string(d.message) : std::string("Invalid metafile: ") + d.message;
            EXPECT_EQ(m.rfind("Invalid metafile: ", 0), 0u) << m;
            if (d.recordLevel)
                EXPECT_EQ(m.substr(m.size() - std::min(m.size(), want.size())), want);
            else
                EXPECT_EQ(m, want);
        }
    }
}

TEST(EmfReader, RecordMessagesNameTheRecordAndItsProblem)
{
    auto bytes = BasePicture();
    size_t o = Find(bytes, EMR_EXTTEXTOUTW);
    Put32(bytes, o + kTextOffString, 0x10000);
    size_t index = 0;
    {
        EmfFile f{BasePicture()};
        for (size_t i = 0; i < f.records().size(); ++i)
            if (f.records()[i].offset == o) index = i;
    }
    try {
        EmfFile f(bytes);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Invalid metafile: record " + std::to_string(index) + " (EMR_EXTTEXTOUTW) at offset " +
                                   std::to_string(o) + ": string exceeds the record");
    }
}

TEST(EmfReader, PlayerIgnoresWhatItCannotDrawSafely)
{
    // Well-formed records the player cannot use are passed over and the rest of the picture
    // plays: each case says how its drawing differs from the undamaged one.
    using Trace = std::vector<std::string>;
    const auto without = [](const char* prefix) {
        return [prefix](Trace t) {
            std::erase_if(t, [prefix](const std::string& l) { return l.rfind(prefix, 0) == 0; });
            return t;
        };
    };
    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> apply;
        std::function<Trace(Trace)> expected;  // from the undamaged trace
    } cases[] = {
        {"select of an empty slot",
         [](auto& b) { Put32(b, Find(b, EMR_CREATEPEN), EMR_SETMAPPERFLAGS); },  // the pen is never created
         [](Trace t) {  // everything is drawn with the default pen
             for (std::string& l : t)
                 if (size_t at = l.find("pen=0000FF/2/Solid"); at != std::string::npos)
                     l.replace(at, 18, "pen=000000/1/Solid");
             return t;
         }},
        {"restore deeper than saved",
         [](auto& b) {
             size_t o = Find(b, EMR_SETTEXTALIGN);
             Put32(b, o, EMR_RESTOREDC);
             Put32(b, o + 8, static_cast<uint32_t>(-5));
         },
         [](Trace t) { return t; }},
        {"bitmap claiming a huge size",
         [](auto& b) {
             size_t o = Find(b, EMR_STRETCHDIBITS);
             Put32(b, o + 80 + 4, 60000);  // biWidth
             Put32(b, o + 80 + 8, 60000);  // biHeight
         },
         without("stretch ")},
        {"bitmap source outside the bitmap",
         [](auto& b) { Put32(b, Find(b, EMR_STRETCHDIBITS) + 40, static_cast<uint32_t>(-3)); }, without("stretch ")},
        {"anisotropic mode with the default extents",
         [](auto& b) {
             size_t o = Find(b, EMR_SETTEXTALIGN);
             Put32(b, o, EMR_SETMAPMODE);
             Put32(b, o + 8, MM_ANISOTROPIC);
         },
         [](Trace t) { return t; }},
    };
    const std::vector<uint8_t> base = BasePicture();
    TraceCanvas undamaged;
    PlayEmf(EmfFile(base), undamaged, {0, 0, 200, 100});
    ASSERT_EQ(std::count_if(undamaged.lines.begin(), undamaged.lines.end(),
                            [](const std::string& l) { return l.rfind("stretch ", 0) == 0; }),
              1);
    for (const auto& d : cases) {
        SCOPED_TRACE(d.name);
        std::vector<uint8_t> bytes = base;
        d.apply(bytes);
        TraceCanvas c;
        PlayEmf(EmfFile(bytes), c, {0, 0, 200, 100});
        EXPECT_EQ(c.lines, d.expected(undamaged.lines));
        EXPECT_EQ(c.saveDepth(), 0);
    }
}

TEST(EmfReader, EmptyFileIsAnEmptyPicture)
{
    EmfFile f(std::vector<uint8_t>{});
    EXPECT_TRUE(f.empty());
    TraceCanvas c;
    PlayEmf(f, c, {0, 0, 10, 10});
    for (const auto& l : c.lines)
        EXPECT_TRUE(l.rfind("save", 0) == 0 || l.rfind("restore", 0) == 0 || l == "resetClip") << l;
}

}  // namespace
