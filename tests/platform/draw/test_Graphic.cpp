// Tests of the graphic classes: own file forms, drawing, the kind registry and blob sniffing.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "platform/draw/Dib.h"
#include "platform/draw/Graphic.h"
#include "platform/draw/Icon.h"
#include "platform/draw/Jpeg.h"
#include "tests/support/PictureTestUtil.h"
#include "tests/support/TraceCanvas.h"

using namespace pictest;
using zv::Bitmap;
using zv::PictureKind;

namespace {

std::vector<uint8_t> Sample(const char* name) { return ReadFile(SampleDir() / name); }

std::vector<uint8_t> Saved(const zv::Graphic& g)
{
    zv::MemoryStream out;
    g.saveToStream(out);
    return out.data();
}

std::vector<uint8_t> Bytes(std::initializer_list<int> b)
{
    std::vector<uint8_t> v;
    for (int x : b) v.push_back(static_cast<uint8_t>(x));
    return v;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- sniffing ---------------------------------------------------------------------------------

struct Sniff {
    const char* name;
    std::vector<uint8_t> bytes;
    PictureKind kind;
    size_t offset;
};
void PrintTo(const Sniff& v, std::ostream* os) { *os << v.name; }

const std::vector<uint8_t> kHeader = Bytes({'h', 'e', 'a', 'd', 'e', 'r', '!', '!'});

const Sniff kSniffs[] = {
    {"bitmap", Bytes({'B', 'M', 9, 9}), PictureKind::Bitmap, 0},
    {"bitmap-after-header", Join(kHeader, Bytes({'B', 'M', 9, 9})), PictureKind::Bitmap, 8},
    {"icon", Bytes({0, 0, 1, 0, 2, 0}), PictureKind::Icon, 0},
    {"icon-after-header", Join(kHeader, Bytes({0, 0, 1, 0, 2, 0})), PictureKind::Icon, 8},
    {"jpeg", Bytes({0xFF, 0xD8, 0xFF, 0xE0}), PictureKind::Jpeg, 0},
    {"jpeg-after-header", Join(kHeader, Bytes({0xFF, 0xD8, 0xFF})), PictureKind::Jpeg, 8},
    {"enhanced-metafile", Bytes({1, 0, 0, 0, 0x6C, 0}), PictureKind::Metafile, 0},
    {"metafile-starting-with-zero", Bytes({0, 0, 9, 0}), PictureKind::Metafile, 0},
    {"placeable-metafile", Bytes({0xD7, 0xCD, 0xC6, 0x9A, 0, 0}), PictureKind::Metafile, 0},
    {"placeable-metafile-after-header", Join(kHeader, Bytes({0xD7, 0xCD, 0xC6, 0x9A})), PictureKind::Metafile, 8},
    // The rules go in order, each at both offsets: a bitmap signature at 8 wins over a metafile
    // signature (zero) or a JPEG signature at 0.
    {"bitmap-rule-before-metafile-rule", Join(Bytes({0, 0, 0, 0, 0, 0, 0, 0}), Bytes({'B', 'M'})), PictureKind::Bitmap,
     8},
    {"bitmap-rule-before-jpeg-rule", Join(Bytes({0xFF, 0xD8, 0, 0, 0, 0, 0, 0}), Bytes({'B', 'M'})),
     PictureKind::Bitmap, 8},
    {"icon-rule-before-metafile-rule", Join(Bytes({0, 0, 7, 0, 0, 0, 0, 0}), Bytes({0, 0, 1, 0})), PictureKind::Icon,
     8},
    // Matching at both offsets reads from 0: an icon file's first entry (colour count 0,
    // planes 1) and an enhanced metafile's bounds (left 0) match their own rule at 8 as well.
    {"signature-at-both-offsets-reads-from-0", Join(Bytes({'B', 'M', 0, 0, 0, 0, 0, 0}), Bytes({'B', 'M'})),
     PictureKind::Bitmap, 0},
    {"icon-file-matching-at-8-too", Bytes({0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0}), PictureKind::Icon, 0},
    {"metafile-with-zero-bounds", Bytes({1, 0, 0, 0, 0x6C, 0, 0, 0, 0, 0, 0, 0}), PictureKind::Metafile, 0},
    {"jpeg-at-0-metafile-at-8", Join(Bytes({0xFF, 0xD8, 0, 0, 0, 0, 0, 0}), Bytes({1, 0})), PictureKind::Jpeg, 0},
    {"gif", Bytes({'G', 'I', 'F', '8', '9', 'a', 0x10, 0, 0x10, 0x20, 0, 0}), PictureKind::None, 0},
    // Zero bytes at offset 8 look like a metafile: the rules cannot tell.
    {"zeros-at-8-look-like-a-metafile", Bytes({'G', 'I', 'F', '8', '9', 'a', 0x10, 0, 0, 0}), PictureKind::Metafile, 8},
    {"one-byte", Bytes({'B'}), PictureKind::None, 0},
    {"empty", {}, PictureKind::None, 0},
    {"icon-needs-four-bytes", Bytes({0xAA, 0xAA, 0xAA}), PictureKind::None, 0},
};

class GraphicSniff : public testing::TestWithParam<Sniff> {};

TEST_P(GraphicSniff, FindsKindAndOffset)
{
    const Sniff& s = GetParam();
    zv::PictureSignature sig = zv::SniffPicture(s.bytes.data(), s.bytes.size());
    EXPECT_EQ(sig.kind, s.kind);
    EXPECT_EQ(sig.offset, s.offset);
}

INSTANTIATE_TEST_SUITE_P(All, GraphicSniff, testing::ValuesIn(kSniffs), pictest::CaseName());

struct Blob {
    const char* sample;
    PictureKind kind;
    bool header;
};
void PrintTo(const Blob& v, std::ostream* os) { *os << v.sample; }
const Blob kBlobs[] = {
    {"bmp24.bmp", PictureKind::Bitmap, false},    {"bmp8.bmp", PictureKind::Bitmap, true},
    {"icon_sizes.ico", PictureKind::Icon, false}, {"icon_sizes.ico", PictureKind::Icon, true},
    {"jpeg_rgb.jpg", PictureKind::Jpeg, false},   {"jpeg_gray.jpg", PictureKind::Jpeg, true},
};

class GraphicBlob : public testing::TestWithParam<Blob> {};

TEST_P(GraphicBlob, LoadsTheSniffedKindFromItsOffset)
{
    const Blob& b = GetParam();
    std::vector<uint8_t> file = Sample(b.sample);
    std::vector<uint8_t> blob = b.header ? Join(kHeader, file) : file;
    auto g = zv::LoadGraphicFromBlob(blob.data(), blob.size());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->kind(), b.kind);
    EXPECT_EQ(Saved(*g), file);  // exactly the picture's bytes, without the header
    Bitmap expected = b.kind == PictureKind::Bitmap ? zv::DecodeBmp(file.data(), file.size())
                      : b.kind == PictureKind::Icon ? zv::DecodeIcon(file.data(), file.size())
                                                    : zv::DecodeJpeg(file.data(), file.size());
    ASSERT_NE(g->bitmap(), nullptr);
    EXPECT_EQ(g->bitmap()->pixels, expected.pixels);
    EXPECT_EQ(g->width(), expected.width);
    EXPECT_EQ(g->height(), expected.height);
}

INSTANTIATE_TEST_SUITE_P(All, GraphicBlob, testing::ValuesIn(kBlobs));

TEST(GraphicBlob, UnknownBytesGiveNoGraphicAndBadBytesThrow)
{
    std::vector<uint8_t> gif = Bytes({'G', 'I', 'F', '8', '9', 'a', 1, 0, 5, 0});
    EXPECT_EQ(zv::LoadGraphicFromBlob(gif.data(), gif.size()), nullptr);
    EXPECT_EQ(zv::LoadGraphicFromBlob(nullptr, 0), nullptr);
    std::vector<uint8_t> fakeBmp = Bytes({'B', 'M', 1, 2, 3});
    EXPECT_THROW(zv::LoadGraphicFromBlob(fakeBmp.data(), fakeBmp.size()), zv::Exception);
}

// ---- registry ---------------------------------------------------------------------------------

TEST(GraphicRegistry, CreatesEmptyGraphicsByKind)
{
    EXPECT_EQ(zv::CreateGraphic(PictureKind::None), nullptr);
    for (PictureKind k : {PictureKind::Bitmap, PictureKind::Icon, PictureKind::Jpeg}) {
        auto g = zv::CreateGraphic(k);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->kind(), k);
        EXPECT_TRUE(g->empty());
        EXPECT_EQ(g->bitmap(), nullptr);
    }
}

// A stand-in for the metafile graphic, which registers itself from its own unit.
class FakeMetafile : public zv::Graphic {
public:
    PictureKind kind() const override { return PictureKind::Metafile; }
    int32_t width() const override { return bytes.empty() ? 0 : 10; }
    int32_t height() const override { return bytes.empty() ? 0 : 20; }
    bool empty() const override { return bytes.empty(); }
    void draw(zv::Canvas&, const zv::Rect&) const override {}
    void loadFromStream(zv::Stream& s) override { bytes = s.readBytes(static_cast<size_t>(s.remaining())); }
    void saveToStream(zv::Stream& s) const override { s.writeBuffer(bytes.data(), bytes.size()); }
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<FakeMetafile>(*this); }
    std::vector<uint8_t> bytes;
};

TEST(GraphicRegistry, MetafileKindIsAnExtensionPoint)
{
    const bool before = zv::IsGraphicKindRegistered(PictureKind::Metafile);
    zv::RegisterGraphicKind(PictureKind::Metafile, nullptr);
    try {
        zv::CreateGraphic(PictureKind::Metafile);
        FAIL();
    } catch (const zv::Exception& e) {
        EXPECT_EQ(e.message(), zv::kPictureKindUnsupportedMessage);
    }
    std::vector<uint8_t> emf = Join(kHeader, Bytes({1, 0, 0, 0, 0x6C, 0, 0, 0}));
    EXPECT_THROW(zv::LoadGraphicFromBlob(emf.data(), emf.size()), zv::Exception);

    zv::RegisterGraphicKind(PictureKind::Metafile, [] { return std::unique_ptr<zv::Graphic>(new FakeMetafile); });
    EXPECT_TRUE(zv::IsGraphicKindRegistered(PictureKind::Metafile));
    auto g = zv::LoadGraphicFromBlob(emf.data(), emf.size());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->kind(), PictureKind::Metafile);
    EXPECT_EQ(static_cast<FakeMetafile&>(*g).bytes, Bytes({1, 0, 0, 0, 0x6C, 0, 0, 0}));

    // Registering None or a kind out of range changes nothing.
    zv::RegisterGraphicKind(PictureKind::None, [] { return std::unique_ptr<zv::Graphic>(new FakeMetafile); });
    zv::RegisterGraphicKind(static_cast<PictureKind>(9), [] { return std::unique_ptr<zv::Graphic>(new FakeMetafile); });
    EXPECT_EQ(zv::CreateGraphic(PictureKind::None), nullptr);
    EXPECT_FALSE(zv::IsGraphicKindRegistered(static_cast<PictureKind>(9)));
    if (!before) zv::RegisterGraphicKind(PictureKind::Metafile, nullptr);
}

// ---- own file forms ----------------------------------------------------------------------------

struct FileForm {
    const char* sample;
    PictureKind kind;
};
void PrintTo(const FileForm& v, std::ostream* os) { *os << v.sample; }
const FileForm kForms[] = {
    {"bmp1.bmp", PictureKind::Bitmap},     {"bmp8rle.bmp", PictureKind::Bitmap}, {"bmp32a.bmp", PictureKind::Bitmap},
    {"icon_sizes.ico", PictureKind::Icon}, {"jpeg_prog.jpg", PictureKind::Jpeg}, {"jpeg_cmyk.jpg", PictureKind::Jpeg},
};

class GraphicFileForm : public testing::TestWithParam<FileForm> {};

// Reading from the middle of a stream takes everything up to its end; writing gives back the
// very same bytes, so templates keep their pictures unchanged.
TEST_P(GraphicFileForm, LoadsToEndOfStreamAndSavesSameBytes)
{
    std::vector<uint8_t> file = Sample(GetParam().sample);
    zv::MemoryStream in(Join(Bytes({7, 7, 7}), file));
    in.setPosition(3);
    auto g = zv::CreateGraphic(GetParam().kind);
    g->loadFromStream(in);
    EXPECT_EQ(in.position(), in.size());
    EXPECT_FALSE(g->empty());
    zv::MemoryStream out;
    out.writeU8(0x55);
    g->saveToStream(out);
    EXPECT_EQ(out.data(), Join(Bytes({0x55}), file));
    auto copy = g->clone();
    EXPECT_EQ(Saved(*copy), file);
    EXPECT_EQ(copy->width(), g->width());
}

INSTANTIATE_TEST_SUITE_P(All, GraphicFileForm, testing::ValuesIn(kForms));

TEST(GraphicFileForm, EmptyGraphicsWriteAndDrawNothing)
{
    for (PictureKind k : {PictureKind::Bitmap, PictureKind::Icon, PictureKind::Jpeg}) {
        auto g = zv::CreateGraphic(k);
        EXPECT_TRUE(Saved(*g).empty());
        zv::MemoryStream nothing;
        g->loadFromStream(nothing);
        EXPECT_TRUE(g->empty());
        EXPECT_EQ(g->width(), 0);
        zv::TraceCanvas canvas;
        g->draw(canvas, {0, 0, 10, 10});
        EXPECT_TRUE(canvas.lines.empty());
    }
}

TEST(GraphicFileForm, MalformedBytesThrowAndKeepThePicture)
{
    zv::BitmapGraphic g;
    std::vector<uint8_t> good = Sample("bmp4.bmp");
    g.loadFromBytes(good);
    std::vector<uint8_t> bad = good;
    Set32(bad, 18, 0x7FFFFFFF);  // width
    zv::MemoryStream in(bad);
    EXPECT_THROW(g.loadFromStream(in), zv::Exception);
    EXPECT_EQ(Saved(g), good);
    EXPECT_EQ(g.width(), 37);

    zv::JpegGraphic j;
    std::vector<uint8_t> notJpeg = Bytes({0xFF, 0xD8, 0xFF, 0xD9});
    EXPECT_THROW(j.loadFromBytes(notJpeg), zv::Exception);
    EXPECT_TRUE(j.empty());
    zv::IconGraphic i;
    EXPECT_THROW(i.loadFromBytes(Bytes({0, 0, 1, 0, 0, 0})), zv::Exception);
    EXPECT_TRUE(i.empty());
}

TEST(GraphicDraw, StretchesIntoTheTargetRectangle)
{
    zv::IconGraphic g;
    g.loadFromBytes(Sample("icon_sizes.ico"));
    zv::TraceCanvas canvas;
    g.draw(canvas, {1, 2, 101, 52});
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0], "stretch 1,2,101,52 bitmap=32x32");
    EXPECT_TRUE(g.bitmap()->hasAlpha);
}

// ---- graphics made from pixels --------------------------------------------------------------

TEST(GraphicFromPixels, BitmapGraphicStoresA24Or32BitFile)
{
    for (bool alpha : {false, true}) {
        Bitmap src = MakePattern(9, 4, alpha);
        zv::BitmapGraphic g(src);
        std::vector<uint8_t> file = Saved(g);
        ASSERT_GT(file.size(), 30u);
        EXPECT_EQ(Get16(file, 28), alpha ? 32 : 24);
        zv::BitmapGraphic back;
        back.loadFromBytes(file);
        EXPECT_EQ(back.bitmap()->pixels, src.pixels);
        EXPECT_EQ(g.bitmap()->pixels, src.pixels);
    }
    zv::BitmapGraphic cleared(MakePattern(2, 2));
    cleared.setBitmap(Bitmap{});
    EXPECT_TRUE(cleared.empty());
    EXPECT_TRUE(Saved(cleared).empty());
}

TEST(GraphicFromPixels, JpegGraphicShowsWhatItSaves)
{
    Bitmap src = MakePattern(20, 10);
    zv::JpegGraphic g(src, {60, false, false});
    std::vector<uint8_t> file = Saved(g);
    ASSERT_EQ(zv::SniffPicture(file.data(), file.size()).kind, PictureKind::Jpeg);
    zv::JpegGraphic back;
    back.loadFromBytes(file);
    EXPECT_EQ(back.bitmap()->pixels, g.bitmap()->pixels);  // the lossy pixels, not the source
    EXPECT_NE(g.bitmap()->pixels, src.pixels);
}

TEST(GraphicFromPixels, CloneIsIndependent)
{
    zv::BitmapGraphic g(MakePattern(3, 3));
    auto copy = g.clone();
    g.loadFromBytes(Sample("bmp24.bmp"));
    EXPECT_EQ(copy->width(), 3);
    EXPECT_EQ(g.width(), 37);
}

}  // namespace
