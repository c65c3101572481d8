// Tests of the JPEG decoder and encoder: samples, the ImageMagick oracle, options, hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "platform/base/Error.h"
#include "platform/draw/Jpeg.h"
#include "tests/support/PictureTestUtil.h"

using namespace pictest;
using zv::Bitmap;

namespace {

// A picture without fine colour detail, which chroma subsampling would average away.
Bitmap Smooth(int32_t w, int32_t h)
{
    Bitmap bmp = MakePattern(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            bmp.at(x, y) = (bmp.at(x, y) & 0xFFFFFF00) | static_cast<uint32_t>((x + y) * 255 / (w + h));
    return bmp;
}

Bitmap Decode(const std::vector<uint8_t>& f, uint64_t maxArea = zv::kMaxPictureArea)
{
    return zv::DecodeJpeg(f.data(), f.size(), maxArea);
}

std::string DecodeError(const std::vector<uint8_t>& f, uint64_t maxArea = zv::kMaxPictureArea)
{
    try {
        Decode(f, maxArea);
    } catch (const zv::Exception& e) {
        return e.message();
    }
    return "no error";
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// Offset of the first marker FF code (skipping segments properly), or npos.
size_t FindMarker(const std::vector<uint8_t>& f, uint8_t code)
{
    size_t i = 2;
    while (i + 4 <= f.size() && f[i] == 0xFF) {
        if (f[i + 1] == code) return i;
        if (f[i + 1] == 0xDA) return std::string::npos;  // entropy data follows: stop
        i += 2 + ((f[i + 2] << 8) | f[i + 3]);
    }
    return std::string::npos;
}

// ---- samples and the oracle ----------------------------------------------------------------

struct Sample {
    const char* file;
    int components;
    bool progressive;
};
void PrintTo(const Sample& v, std::ostream* os) { *os << v.file; }
const Sample kSamples[] = {
    {"jpeg_rgb.jpg", 3, false},
    {"jpeg_gray.jpg", 1, false},
    {"jpeg_cmyk.jpg", 4, false},
    {"jpeg_prog.jpg", 3, true},
};

class JpegSample : public testing::TestWithParam<Sample> {};

// Both decoders use libjpeg's default (integer) transform and fancy upsampling, so the colours
// agree exactly; CMYK goes through each program's own ink-to-RGB formula, so one step of
// rounding may differ.
TEST_P(JpegSample, MatchesReference)
{
    const Sample& s = GetParam();
    std::vector<uint8_t> f = ReadFile(SampleDir() / s.file);
    zv::JpegInfo info = zv::ReadJpegInfo(f.data(), f.size());
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);
    EXPECT_EQ(info.components, s.components);
    EXPECT_EQ(info.progressive, s.progressive);
    Bitmap got = Decode(f);
    EXPECT_FALSE(got.hasAlpha);
    EXPECT_LE(MaxDifference(got, ReadPam(SampleDir() / (std::string(s.file) + ".pam")), false),
              s.components == 4 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(All, JpegSample, testing::ValuesIn(kSamples), [](const auto& info) {
    std::string n = info.param.file;
    return n.substr(0, n.find('.'));
});

struct Generated {
    const char* name;
    const char* size;
    const char* options;
    const char* decodeOptions;
};
void PrintTo(const Generated& v, std::ostream* os) { *os << v.name; }
const Generated kGenerated[] = {
    {"baseline-420", "64x48", "-quality 80", ""},
    {"baseline-444", "50x31", "-sampling-factor 1x1 -quality 90", ""},
    {"baseline-422", "33x17", "-sampling-factor 2x1 -quality 70", ""},
    {"gray", "41x29", "-colorspace gray -quality 75", ""},
    {"cmyk", "30x30", "-colorspace cmyk -quality 90", "-colorspace sRGB"},
    {"progressive", "70x45", "-interlace JPEG -quality 85", ""},
    {"progressive-gray", "23x61", "-colorspace gray -interlace JPEG", ""},
    {"low-quality", "64x64", "-quality 5", ""},
    {"one-pixel", "1x1", "-quality 90", ""},
    {"one-column", "1x40", "-quality 90", ""},
    {"restart-markers", "80x40", "-define jpeg:restart-interval=1", ""},
    {"arithmetic", "40x40", "-define jpeg:arithmetic-coding=true", ""},
};

class JpegOracle : public testing::TestWithParam<Generated> {};

TEST_P(JpegOracle, DecodesLikeConvert)
{
    const Generated& g = GetParam();
    if (!HaveConvert()) GTEST_FAIL() << "ImageMagick convert is not installed (scripts/deps.sh installs it)";
    auto dir = TempDir(std::string("jpeg-") + g.name);
    ASSERT_TRUE(Shell("convert -seed 5 -size " + std::string(g.size) + " plasma:fractal " + g.options + " " +
                      Quote(dir / "in.jpg")));
    std::vector<uint8_t> f = ReadFile(dir / "in.jpg");
    Bitmap theirs = DecodeWithConvert(dir / "in.jpg", dir, g.decodeOptions);
    Bitmap got = Decode(f);
    EXPECT_LE(MaxDifference(got, theirs, false), std::string(g.name) == "cmyk" ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(All, JpegOracle, testing::ValuesIn(kGenerated), pictest::CaseName());

// A CMYK file without the Adobe marker stores plain ink values (0 = no ink): the opposite sense.
TEST(JpegCmyk, PlainInkWithoutAdobeMarker)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "jpeg_cmyk.jpg");
    size_t app14 = FindMarker(f, 0xEE);
    ASSERT_NE(app14, std::string::npos);
    Bitmap adobe = Decode(f);
    f[app14 + 1] = 0xEF;  // turn the Adobe segment into an unknown APP15 one
    Bitmap plain = Decode(f);
    ASSERT_EQ(plain.pixels.size(), adobe.pixels.size());
    // Inverting all four inks: (255-c)(255-k) against c*k. Check a few pixels by the formula
    // through the Adobe reading: a plain file's light areas become dark.
    int brighter = 0;
    for (size_t i = 0; i < adobe.pixels.size(); ++i)
        if ((adobe.pixels[i] & 0xFF) > (plain.pixels[i] & 0xFF)) ++brighter;
    EXPECT_GT(brighter, static_cast<int>(adobe.pixels.size()) / 2);
}

// ---- encoding --------------------------------------------------------------------------------

TEST(JpegEncode, RoundTripAtHighQualityIsClose)
{
    Bitmap src = Smooth(45, 30);
    std::vector<uint8_t> f = zv::EncodeJpeg(src, {100, false, false});
    Bitmap back = Decode(f);
    ASSERT_EQ(back.width, 45);
    ASSERT_EQ(back.height, 30);
    EXPECT_LT(MeanDifference(src, back), 2.0);
    for (uint32_t p : back.pixels) ASSERT_EQ(p >> 24, 0xFFu);
}

TEST(JpegEncode, QualityAndOptionsShowInTheFile)
{
    Bitmap src = Smooth(64, 48);
    std::vector<uint8_t> q10 = zv::EncodeJpeg(src, {10, false, false});
    std::vector<uint8_t> q95 = zv::EncodeJpeg(src, {95, false, false});
    EXPECT_LT(q10.size(), q95.size());
    EXPECT_GT(MeanDifference(src, Decode(q10)), MeanDifference(src, Decode(q95)));

    std::vector<uint8_t> g = zv::EncodeJpeg(src, {80, true, false});
    EXPECT_EQ(zv::ReadJpegInfo(g.data(), g.size()).components, 1);
    Bitmap gb = Decode(g);
    for (uint32_t p : gb.pixels) ASSERT_TRUE(((p >> 16) & 0xFF) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF));

    std::vector<uint8_t> p = zv::EncodeJpeg(src, {80, false, true});
    EXPECT_TRUE(zv::ReadJpegInfo(p.data(), p.size()).progressive);
    EXPECT_FALSE(zv::ReadJpegInfo(q95.data(), q95.size()).progressive);
    EXPECT_LT(MeanDifference(src, Decode(p)), 3.0);
}

// ImageMagick estimates the quality from the quantisation tables and reads our files as we do.
TEST(JpegEncode, ConvertReadsQualityAndPixels)
{
    if (!HaveConvert()) GTEST_FAIL() << "ImageMagick convert is not installed (scripts/deps.sh installs it)";
    auto dir = TempDir("jpeg-encode");
    Bitmap src = MakePattern(40, 24);
    struct Row {
        zv::JpegEncodeOptions options;
        const char* quality;
        const char* colorspace;
        const char* interlace;
    };
    const Row rows[] = {
        {{75, false, false}, "75", "sRGB", "None"},   {{90, false, false}, "90", "sRGB", "None"},
        {{30, true, false}, "30", "Gray", "None"},    {{85, false, true}, "85", "sRGB", "JPEG"},
        {{150, false, false}, "100", "sRGB", "None"},  // clamped
    };
    for (const Row& r : rows) {
        std::vector<uint8_t> f = zv::EncodeJpeg(src, r.options);
        WriteFile(dir / "ours.jpg", f);
        ASSERT_TRUE(Shell("{ identify -format '%Q %[colorspace] %[interlace]' " + Quote(dir / "ours.jpg") + " > " +
                          Quote(dir / "id.txt") + "; }"));
        std::vector<uint8_t> id = ReadFile(dir / "id.txt");
        EXPECT_EQ(std::string(id.begin(), id.end()), std::string(r.quality) + " " + r.colorspace + " " + r.interlace);
        EXPECT_EQ(MaxDifference(Decode(f), DecodeWithConvert(dir / "ours.jpg", dir), false), 0) << r.quality;
    }
}

TEST(JpegEncode, RefusesEmptyAndOversized)
{
    Bitmap empty;
    EXPECT_THROW(zv::EncodeJpeg(empty), zv::Exception);
    Bitmap wide;
    wide.width = 70000;
    wide.height = 1;
    wide.pixels.resize(70000);
    try {
        zv::EncodeJpeg(wide);
        FAIL();
    } catch (const zv::Exception& e) {
        EXPECT_EQ(e.message(), zv::kJpegTooLargeMessage);
    }
}

// ---- hostile input ---------------------------------------------------------------------------

TEST(JpegHostile, EveryCutBeforeTheImageDataIsRefused)
{
    for (const char* name : {"jpeg_rgb.jpg", "jpeg_prog.jpg", "jpeg_cmyk.jpg"}) {
        std::vector<uint8_t> f = ReadFile(SampleDir() / name);
        size_t sos = 2;
        while (!(f[sos] == 0xFF && f[sos + 1] == 0xDA)) sos += 2 + ((f[sos + 2] << 8) | f[sos + 3]);
        for (size_t keep = 0; keep <= sos + 4; ++keep) {
            std::vector<uint8_t> cut(f.begin(), f.begin() + keep);
            ASSERT_TRUE(StartsWith(DecodeError(cut), zv::kJpegErrorPrefix)) << name << " cut to " << keep;
        }
    }
}

// A file cut inside its image data decodes; libjpeg fills what is missing.
TEST(JpegHostile, CutInsideImageDataDecodes)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "jpeg_rgb.jpg");
    for (size_t keep = f.size() - 1; keep > f.size() - 300; keep -= 37) {
        Bitmap b = Decode(std::vector<uint8_t>(f.begin(), f.begin() + keep));
        EXPECT_EQ(b.width, 37);
        EXPECT_EQ(b.height, 23);
    }
}

struct Hostile {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
};
void PrintTo(const Hostile& v, std::ostream* os) { *os << v.name; }

void SetSofSize(std::vector<uint8_t>& f, uint16_t w, uint16_t h)
{
    size_t sof = FindMarker(f, 0xC0);
    if (sof == std::string::npos) sof = FindMarker(f, 0xC2);
    ASSERT_NE(sof, std::string::npos);
    f[sof + 5] = static_cast<uint8_t>(h >> 8), f[sof + 6] = static_cast<uint8_t>(h);
    f[sof + 7] = static_cast<uint8_t>(w >> 8), f[sof + 8] = static_cast<uint8_t>(w);
}

const Hostile kHostile[] = {
    {"huge-dimensions", [](auto& f) { SetSofSize(f, 65000, 65000); }, zv::kJpegTooLargeMessage},
    {"just-over-the-cap", [](auto& f) { SetSofSize(f, 8192, 8193); }, zv::kJpegTooLargeMessage},
    {"zero-width", [](auto& f) { SetSofSize(f, 0, 23); }, "JPEG error: Empty JPEG image (DNL not supported)"},
    {"zero-height", [](auto& f) { SetSofSize(f, 37, 0); }, "JPEG error: Empty JPEG image (DNL not supported)"},
    {"not-a-jpeg",
     [](auto& f) {
         f[0] = 'B';
         f[1] = 'M';
     },
     "JPEG error: Not a JPEG file: starts with 0x42 0x4d"},
    {"empty-input", [](auto& f) { f.clear(); }, "JPEG error: Empty input file"},
    {"no-frame-before-scan",
     [](auto& f) {
         size_t sof = FindMarker(f, 0xC0);
         f.erase(f.begin() + sof, f.begin() + sof + 2 + ((f[sof + 2] << 8) | f[sof + 3]));
     },
     "JPEG error: Invalid JPEG file structure: SOS before SOF"},
    {"bad-precision", [](auto& f) { f[FindMarker(f, 0xC0) + 4] = 12; },
     "JPEG error: Unsupported JPEG data precision 12"},
    {"table-length-past-end",
     [](auto& f) {
         size_t d = FindMarker(f, 0xDB);
         f[d + 2] = 0xFF;
         f[d + 3] = 0xFF;
     },
     "JPEG error: Bogus DQT index 15"},
};

class JpegHostileCase : public testing::TestWithParam<Hostile> {};

TEST_P(JpegHostileCase, IsRefusedWithMessage)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "jpeg_rgb.jpg");
    GetParam().damage(f);
    EXPECT_EQ(DecodeError(f), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(All, JpegHostileCase, testing::ValuesIn(kHostile), pictest::CaseName());

TEST(JpegHostile, CallerAreaCapIsHonoured)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "jpeg_gray.jpg");
    EXPECT_EQ(DecodeError(f, 37 * 23 - 1), zv::kJpegTooLargeMessage);
    EXPECT_EQ(DecodeError(f, 37 * 23), "no error");
    try {
        zv::DecodeJpeg(nullptr, 10);  // a null buffer is an empty input whatever its size says
        FAIL();
    } catch (const zv::Exception& e) {
        EXPECT_EQ(e.message(), "JPEG error: Empty input file");
    }
}

// A progressive file whose last scan is repeated hundreds of times is stopped at the scan limit
// instead of re-walking the coefficients for each one.
TEST(JpegHostile, TooManyScansAreRefused)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "jpeg_prog.jpg");
    size_t last = std::string::npos;
    for (size_t i = 0; i + 1 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == 0xDA) last = i;
    ASSERT_NE(last, std::string::npos);
    ASSERT_EQ(f[f.size() - 2], 0xFF);
    ASSERT_EQ(f[f.size() - 1], 0xD9);
    std::vector<uint8_t> scan(f.begin() + last, f.end() - 2);
    std::vector<uint8_t> many(f.begin(), f.end() - 2);
    for (int i = 0; i < zv::kJpegMaxScans; ++i) many.insert(many.end(), scan.begin(), scan.end());
    many.insert(many.end(), {0xFF, 0xD9});
    EXPECT_EQ(DecodeError(many), zv::kJpegTooManyScansMessage);
    EXPECT_EQ(DecodeError(f), "no error");
}

// Random damage anywhere: every outcome is a picture or a zv::Exception.
TEST(JpegHostile, RandomDamageNeverEscapes)
{
    std::mt19937 rng(12345);
    for (const char* name : {"jpeg_rgb.jpg", "jpeg_prog.jpg", "jpeg_gray.jpg", "jpeg_cmyk.jpg"}) {
        const std::vector<uint8_t> f = ReadFile(SampleDir() / name);
        int decoded = 0, refused = 0;
        for (int round = 0; round < 400; ++round) {
            std::vector<uint8_t> d = f;
            int flips = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < flips; ++k) d[rng() % d.size()] = static_cast<uint8_t>(rng());
            try {
                Bitmap b = Decode(d, 1u << 20);
                ASSERT_EQ(b.pixels.size(), static_cast<size_t>(b.width) * b.height);
                ++decoded;
            } catch (const zv::Exception&) {
                ++refused;
            }
        }
        EXPECT_EQ(decoded + refused, 400);
        EXPECT_GT(decoded, 0) << name;
        EXPECT_GT(refused, 0) << name;
    }
}

}  // namespace
