// Tests of the BMP/DIB decoder and encoder: frozen samples, crafted variants, the ImageMagick oracle, hostile headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/base/Error.h"
#include "platform/draw/Dib.h"
#include "tests/support/PictureTestUtil.h"

using namespace pictest;
using zv::Bitmap;

namespace {

Bitmap Decode(const std::vector<uint8_t>& file) { return zv::DecodeBmp(file.data(), file.size()); }

std::string DecodeError(const std::vector<uint8_t>& file, uint64_t maxArea = zv::kMaxPictureArea)
{
    try {
        zv::DecodeBmp(file.data(), file.size(), maxArea);
    } catch (const zv::Exception& e) {
        return e.message();
    }
    return "no error";
}

// Header fields of a BMP file.
struct BmpFields {
    uint32_t offBits, headerSize;
    int32_t width, height;
    uint16_t bitCount;
    uint32_t compression, clrUsed;
};
BmpFields Fields(const std::vector<uint8_t>& f)
{
    return {Get32(f, 10),
            Get32(f, 14),
            static_cast<int32_t>(Get32(f, 18)),
            static_cast<int32_t>(Get32(f, 22)),
            Get16(f, 28),
            Get32(f, 30),
            Get32(f, 46)};
}

// ---- crafted variants of the samples ------------------------------------------------------------

// Reverses the rows of an uncompressed file and makes its height negative.
std::vector<uint8_t> ToTopDown(std::vector<uint8_t> f)
{
    BmpFields h = Fields(f);
    size_t stride = ((static_cast<size_t>(h.width) * h.bitCount + 31) / 32) * 4;
    std::vector<uint8_t> out(f.begin(), f.begin() + h.offBits);
    for (int32_t y = h.height - 1; y >= 0; --y)
        out.insert(out.end(), f.begin() + h.offBits + y * stride, f.begin() + h.offBits + (y + 1) * stride);
    Set32(out, 22, static_cast<uint32_t>(-h.height));
    return out;
}

// Cuts a BITMAPV5HEADER down to the given size (108: V4, 56: V3, 52: V2).
std::vector<uint8_t> ShortenHeader(std::vector<uint8_t> f, uint32_t size)
{
    BmpFields h = Fields(f);
    uint32_t drop = h.headerSize - size;
    f.erase(f.begin() + 14 + size, f.begin() + 14 + h.headerSize);
    Set32(f, 14, size);
    Set32(f, 10, h.offBits - drop);
    Set32(f, 2, static_cast<uint32_t>(f.size()));
    return f;
}

// A BITMAPINFOHEADER followed by the masks of a V5 bit-field file (3 masks, or 4 with
// BI_ALPHABITFIELDS).
std::vector<uint8_t> MasksAfterHeader(const std::vector<uint8_t>& f, bool alpha)
{
    BmpFields h = Fields(f);
    std::vector<uint8_t> out(f.begin(), f.begin() + 14 + 40);
    size_t masks = alpha ? 16 : 12;
    out.insert(out.end(), f.begin() + 14 + 40, f.begin() + 14 + 40 + masks);
    out.insert(out.end(), f.begin() + h.offBits, f.end());
    Set32(out, 14, 40);
    Set32(out, 30, alpha ? 6 : 3);
    Set32(out, 10, static_cast<uint32_t>(14 + 40 + masks));
    return out;
}

// 24-bit rows widened to 32-bit BI_RGB with a junk fourth byte, which must be ignored.
std::vector<uint8_t> To32BitRgb(const std::vector<uint8_t>& f)
{
    BmpFields h = Fields(f);
    size_t stride = ((static_cast<size_t>(h.width) * 24 + 31) / 32) * 4;
    std::vector<uint8_t> out(f.begin(), f.begin() + h.offBits);
    for (int32_t y = 0; y < h.height; ++y)
        for (int32_t x = 0; x < h.width; ++x) {
            const uint8_t* p = f.data() + h.offBits + y * stride + 3 * x;
            out.insert(out.end(), {p[0], p[1], p[2], static_cast<uint8_t>(x * 11)});
        }
    Set16(out, 28, 32);
    return out;
}

// A 24-bit file rewritten with a BITMAPCOREHEADER (OS/2 1.x).
std::vector<uint8_t> ToCoreHeader(const std::vector<uint8_t>& f)
{
    BmpFields h = Fields(f);
    std::vector<uint8_t> out(f.begin(), f.begin() + 14);
    std::vector<uint8_t> core(12, 0);
    Set32(core, 0, 12);
    Set16(core, 4, static_cast<uint16_t>(h.width));
    Set16(core, 6, static_cast<uint16_t>(h.height));
    Set16(core, 8, 1);
    Set16(core, 10, 24);
    out.insert(out.end(), core.begin(), core.end());
    out.insert(out.end(), f.begin() + h.offBits, f.end());
    Set32(out, 10, 26);
    return out;
}

// An indexed BITMAPINFOHEADER file rewritten with an OS/2 2.x header of the given size (16
// bytes: no fields after the bit count; 64 bytes: the Windows fields and OS/2 extras, zero).
std::vector<uint8_t> ToOs2v2Header(const std::vector<uint8_t>& f, uint32_t size)
{
    BmpFields h = Fields(f);
    std::vector<uint8_t> out(f.begin(), f.begin() + 14 + std::min<uint32_t>(size, 40));
    out.resize(14 + size, 0);
    Set32(out, 14, size);
    if (size < 40) out.resize(14 + size);
    out.insert(out.end(), f.begin() + 14 + 40, f.end());
    Set32(out, 10, h.offBits - 40 + size);
    Set32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

// Palette indices of an uncompressed indexed file, top-down.
std::vector<std::vector<uint8_t>> Indices(const std::vector<uint8_t>& f)
{
    BmpFields h = Fields(f);
    size_t stride = ((static_cast<size_t>(h.width) * h.bitCount + 31) / 32) * 4;
    std::vector<std::vector<uint8_t>> rows(h.height, std::vector<uint8_t>(h.width));
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* row = f.data() + h.offBits + (h.height - 1 - y) * stride;
        for (int32_t x = 0; x < h.width; ++x) {
            int bits = h.bitCount, per = 8 / bits;
            rows[y][x] = (row[x / per] >> (8 - bits * (x % per + 1))) & ((1 << bits) - 1);
        }
    }
    return rows;
}

// Replaces the bits of an indexed file by newly packed ones at another depth or by RLE data.
std::vector<uint8_t> WithBits(const std::vector<uint8_t>& f, uint16_t bitCount, uint32_t compression,
                              uint32_t paletteEntries, const std::vector<uint8_t>& bits)
{
    BmpFields h = Fields(f);
    std::vector<uint8_t> out(f.begin(), f.begin() + 14 + h.headerSize);
    size_t palette = 14 + h.headerSize;
    out.insert(out.end(), f.begin() + palette, f.begin() + palette + 4 * paletteEntries);
    Set32(out, 10, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), bits.begin(), bits.end());
    Set16(out, 28, bitCount);
    Set32(out, 30, compression);
    Set32(out, 34, compression ? static_cast<uint32_t>(bits.size()) : 0);
    Set32(out, 46, paletteEntries);
    Set32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

std::vector<uint8_t> Pack(const std::vector<std::vector<uint8_t>>& rows, int bits)
{
    std::vector<uint8_t> out;
    size_t w = rows[0].size(), stride = ((w * bits + 31) / 32) * 4;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        std::vector<uint8_t> row(stride, 0);
        for (size_t x = 0; x < w; ++x)
            row[x * bits / 8] |= static_cast<uint8_t>((*it)[x] << (8 - bits - (x * bits) % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// Run-length encodes indexed rows, bottom-up. Even rows use encoded runs (at 4 bits, runs of
// alternating pairs), odd rows absolute runs of five pixels, so both modes are exercised.
std::vector<uint8_t> EncodeRle(const std::vector<std::vector<uint8_t>>& rows, bool four)
{
    std::vector<uint8_t> out;
    int line = 0;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it, ++line) {
        const auto& r = *it;
        size_t x = 0;
        while (x < r.size()) {
            if (line % 2 == 1 && r.size() - x >= 5) {
                out.insert(out.end(), {0, 5});
                if (four)
                    out.insert(out.end(), {static_cast<uint8_t>(r[x] << 4 | r[x + 1]),
                                           static_cast<uint8_t>(r[x + 2] << 4 | r[x + 3]),
                                           static_cast<uint8_t>(r[x + 4] << 4), 0});
                else
                    out.insert(out.end(), {r[x], r[x + 1], r[x + 2], r[x + 3], r[x + 4], 0});
                x += 5;
            } else if (four) {
                uint8_t n = x + 1 < r.size() ? 2 : 1;
                out.insert(out.end(), {n, static_cast<uint8_t>(r[x] << 4 | (n == 2 ? r[x + 1] : 0))});
                x += n;
            } else {
                uint8_t n = 1;
                while (x + n < r.size() && n < 255 && r[x + n] == r[x]) ++n;
                out.insert(out.end(), {n, r[x]});
                x += n;
            }
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

using Craft = std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)>;

struct Variant {
    const char* name;
    const char* sample;  // frozen sample it is made from; its reference is the expected picture
    Craft craft;
    int tolerance;
    bool alpha;
    bool convertReads = true;  // false where ImageMagick is stricter than the format
};
void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

const Variant kVariants[] = {
    {"sample-1bit", "bmp1.bmp", nullptr, 0, false},
    {"sample-4bit", "bmp4.bmp", nullptr, 0, false},
    {"sample-8bit", "bmp8.bmp", nullptr, 0, false},
    {"sample-rle8", "bmp8rle.bmp", nullptr, 0, false},
    {"sample-16bit-565", "bmp16_565.bmp", nullptr, 0, false},
    {"sample-16bit-555", "bmp16_555.bmp", nullptr, 0, false},
    // ImageMagick widens 4-bit channels to v * 16, we to v * 17 (15 becomes 255): up to 15 apart.
    {"sample-16bit-4444", "bmp16_4444.bmp", nullptr, 15, true},
    {"sample-24bit", "bmp24.bmp", nullptr, 0, false},
    {"sample-32bit-alpha", "bmp32a.bmp", nullptr, 0, true},
    {"sample-core-8bit", "bmpcore8.bmp", nullptr, 0, false},
    {"topdown-24bit", "bmp24.bmp", ToTopDown, 0, false},
    {"topdown-8bit", "bmp8.bmp", ToTopDown, 0, false},
    {"topdown-1bit", "bmp1.bmp", ToTopDown, 0, false},
    {"topdown-32bit-alpha", "bmp32a.bmp", ToTopDown, 0, true},
    {"v4-header-32bit", "bmp32a.bmp", [](auto& f) { return ShortenHeader(f, 108); }, 0, true},
    {"v3-header-32bit", "bmp32a.bmp", [](auto& f) { return ShortenHeader(f, 56); }, 0, true},
    {"v2-header-565", "bmp16_565.bmp", [](auto& f) { return ShortenHeader(f, 52); }, 0, false},
    {"masks-after-header-565", "bmp16_565.bmp", [](auto& f) { return MasksAfterHeader(f, false); }, 0, false},
    {"alphabitfields-4444", "bmp16_4444.bmp", [](auto& f) { return MasksAfterHeader(f, true); }, 15, true, false},
    {"32bit-rgb-ignores-4th-byte", "bmp24.bmp", To32BitRgb, 0, false},
    {"core-header-24bit", "bmp24.bmp", ToCoreHeader, 0, false},
    // OS/2 2.x palettes have 4-byte entries; ImageMagick refuses the short header and reads
    // 3-byte entries after the long one, so it is no oracle for these two.
    {"os2-16-byte-header", "bmp4.bmp", [](auto& f) { return ToOs2v2Header(f, 16); }, 0, false, false},
    {"os2-64-byte-header", "bmp4.bmp", [](auto& f) { return ToOs2v2Header(f, 64); }, 0, false, false},
    {"2bit", "bmp1.bmp", [](auto& f) { return WithBits(f, 2, 0, 2, Pack(Indices(f), 2)); }, 0, false, false},
    {"rle4", "bmp4.bmp", [](auto& f) { return WithBits(f, 4, 2, 16, EncodeRle(Indices(f), true)); }, 0, false},
    {"rle8-crafted", "bmp8.bmp",
     [](auto& f) { return WithBits(f, 8, 1, Fields(f).clrUsed, EncodeRle(Indices(f), false)); }, 0, false},
    {"offbits-zero", "bmp8.bmp",
     [](auto f) {
         Set32(f, 10, 0);
         return f;
     },
     0, false, false},
    {"gap-before-bits", "bmp24.bmp",
     [](auto f) {
         f.insert(f.begin() + Fields(f).offBits, 10, 0xEE);
         Set32(f, 10, Fields(f).offBits + 10);
         return f;
     },
     0, false},
    {"missing-last-row-padding", "bmp24.bmp",
     [](auto f) {
         f.resize(f.size() - 1);
         return f;
     },
     0, false, false},
};

class DibVariant : public testing::TestWithParam<Variant> {};

// Each variant decodes to ImageMagick's decoding of the sample it was made from.
TEST_P(DibVariant, MatchesReference)
{
    const Variant& v = GetParam();
    std::vector<uint8_t> file = ReadFile(SampleDir() / v.sample);
    if (v.craft) file = v.craft(file);
    Bitmap expected = ReadPam(SampleDir() / (std::string(v.sample) + ".pam"));
    Bitmap got = Decode(file);
    ASSERT_EQ(got.width, expected.width);
    ASSERT_EQ(got.height, expected.height);
    EXPECT_EQ(got.hasAlpha, v.alpha);
    EXPECT_LE(MaxDifference(got, expected, v.alpha), v.tolerance);
    if (!v.alpha) {
        for (uint32_t px : got.pixels) ASSERT_EQ(px >> 24, 0xFFu);
    }
}

// ImageMagick must read each crafted file as we do (a check on the crafting and on our reading of
// the format, independent of the sample it came from). Only the crafted variants it accepts take
// part: the samples are their own references.
class DibCraftedVariant : public testing::TestWithParam<Variant> {};

TEST_P(DibCraftedVariant, ConvertAgreesOnCraftedFile)
{
    const Variant& v = GetParam();
    if (!HaveConvert()) GTEST_FAIL() << "ImageMagick convert is not installed (scripts/deps.sh installs it)";
    auto dir = TempDir(std::string("dib-") + v.name);
    std::vector<uint8_t> file = v.craft(ReadFile(SampleDir() / v.sample));
    Set32(file, 2, static_cast<uint32_t>(file.size()));  // ImageMagick insists on a right bfSize
    WriteFile(dir / "crafted.bmp", file);
    Bitmap theirs = DecodeWithConvert(dir / "crafted.bmp", dir);
    EXPECT_LE(MaxDifference(Decode(file), theirs, v.alpha), v.tolerance);
}

std::string VariantName(const testing::TestParamInfo<Variant>& info)
{
    std::string n = info.param.name;
    std::replace(n.begin(), n.end(), '-', '_');
    return n;
}

std::vector<Variant> CraftedVariantsConvertReads()
{
    std::vector<Variant> out;
    for (const Variant& v : kVariants)
        if (v.craft && v.convertReads) out.push_back(v);
    return out;
}

INSTANTIATE_TEST_SUITE_P(All, DibVariant, testing::ValuesIn(kVariants), VariantName);
INSTANTIATE_TEST_SUITE_P(All, DibCraftedVariant, testing::ValuesIn(CraftedVariantsConvertReads()), VariantName);

// The samples really are the variants they are named after (otherwise the tests above prove less).
TEST(DibSamples, HeadersAreTheNamedVariants)
{
    struct Row {
        const char* file;
        uint32_t headerSize;
        uint16_t bitCount;
        uint32_t compression;
    };
    const Row rows[] = {
        {"bmp1.bmp", 40, 1, 0},    {"bmp4.bmp", 40, 4, 0},        {"bmp8.bmp", 40, 8, 0},
        {"bmp8rle.bmp", 40, 8, 1}, {"bmp16_565.bmp", 124, 16, 3}, {"bmp16_4444.bmp", 124, 16, 3},
        {"bmp24.bmp", 40, 24, 0},  {"bmp32a.bmp", 124, 32, 3},
    };
    for (const Row& r : rows) {
        BmpFields f = Fields(ReadFile(SampleDir() / r.file));
        EXPECT_EQ(f.headerSize, r.headerSize) << r.file;
        EXPECT_EQ(f.bitCount, r.bitCount) << r.file;
        EXPECT_EQ(f.compression, r.compression) << r.file;
    }
    EXPECT_EQ(Get32(ReadFile(SampleDir() / "bmpcore8.bmp"), 14), 12u);
}

// ---- the ImageMagick oracle at test time ----------------------------------------------------

struct Generated {
    const char* name;
    const char* options;  // convert options and output format prefix
    uint16_t bitCount;
    uint32_t compression;
    bool alpha;
    int tolerance;
    bool oneBitAlpha = false;  // ImageMagick widens a 1-bit alpha to 128: compare it as on/off
};
void PrintTo(const Generated& v, std::ostream* os) { *os << v.name; }
const Generated kGenerated[] = {
    {"1bit", "-colors 2 -type palette -compress none BMP3:", 1, 0, false, 0},
    {"4bit", "-colors 9 -type palette -compress none BMP3:", 4, 0, false, 0},
    {"8bit", "-colors 256 -type palette -compress none BMP3:", 8, 0, false, 0},
    {"rle8", "-colors 100 -type palette -compress RLE BMP3:", 8, 1, false, 0},
    {"565", "-type truecolor -define bmp:subtype=RGB565 BMP:", 16, 3, false, 0},
    {"555", "-type truecolor -define bmp:subtype=RGB555 BMP:", 16, 3, false, 0},
    {"24bit", "-type truecolor -compress none BMP3:", 24, 0, false, 0},
    {"32bit-alpha", "-alpha set -channel A -fx 'j/h' +channel BMP:", 32, 3, true, 0},
    {"1555", "-alpha set -channel A -fx 'i>w/2' +channel -define bmp:subtype=ARGB1555 BMP:", 16, 3, true, 0, true},
};

class DibOracle : public testing::TestWithParam<Generated> {};

TEST_P(DibOracle, DecodesLikeConvert)
{
    const Generated& g = GetParam();
    if (!HaveConvert()) GTEST_FAIL() << "ImageMagick convert is not installed (scripts/deps.sh installs it)";
    auto dir = TempDir(std::string("dib-oracle-") + g.name);
    // A bigger picture than the samples, with a width that needs row padding at every depth.
    ASSERT_TRUE(Shell("convert -seed 3 -size 61x45 plasma:fractal " + Quote(dir / "src.png")));
    ASSERT_TRUE(Shell("convert " + Quote(dir / "src.png") + " " + g.options + Quote(dir / "out.bmp")));
    std::vector<uint8_t> file = ReadFile(dir / "out.bmp");
    BmpFields f = Fields(file);
    ASSERT_EQ(f.bitCount, g.bitCount);
    ASSERT_EQ(f.compression, g.compression);
    Bitmap got = Decode(file);
    EXPECT_EQ(got.hasAlpha, g.alpha);
    Bitmap theirs = DecodeWithConvert(dir / "out.bmp", dir);
    if (g.oneBitAlpha) {
        ASSERT_EQ(theirs.pixels.size(), got.pixels.size());
        for (size_t i = 0; i < got.pixels.size(); ++i)
            ASSERT_EQ(got.pixels[i] >> 24, (theirs.pixels[i] >> 24) ? 255u : 0u);
        EXPECT_LE(MaxDifference(got, theirs, false), g.tolerance);
    } else {
        EXPECT_LE(MaxDifference(got, theirs, g.alpha), g.tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(All, DibOracle, testing::ValuesIn(kGenerated), pictest::CaseName());

// ---- run-length semantics, from hand-written streams ----------------------------------------

struct RleCase {
    const char* name;
    bool four;
    std::vector<uint8_t> data;
    const char* expected;  // palette indices of the 4x3 picture, top row first
    // ImageMagick refuses streams that end early and wraps runs past the right edge into the
    // next row, so those cases are not compared with it.
    bool convertAgrees = true;
};
void PrintTo(const RleCase& v, std::ostream* os) { *os << v.name; }

// Palette: 0 black, 1 red, 2 green, 3 blue, 4 white.
constexpr uint32_t kRlePalette[] = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};

std::vector<uint8_t> RleFile(bool four, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> f(14 + 40, 0);
    f[0] = 'B', f[1] = 'M';
    Set32(f, 14, 40);
    Set32(f, 18, 4);
    Set32(f, 22, 3);
    Set16(f, 26, 1);
    Set16(f, 28, four ? 4 : 8);
    Set32(f, 30, four ? 2 : 1);
    Set32(f, 34, static_cast<uint32_t>(data.size()));
    Set32(f, 46, 5);
    for (uint32_t c : kRlePalette) f.insert(f.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
    Set32(f, 10, static_cast<uint32_t>(f.size()));
    f.insert(f.end(), data.begin(), data.end());
    // Bytes past the compressed size must be ignored (ImageMagick also wants them to be there).
    f.insert(f.end(), {0, 0, 0, 0});
    Set32(f, 2, static_cast<uint32_t>(f.size()));
    return f;
}

const RleCase kRleCases[] = {
    {"encoded-runs", false, {3, 1, 1, 2, 0, 0, 4, 3, 0, 0, 2, 4, 2, 1, 0, 1}, "4411 3333 1112"},
    {"absolute-run", false, {0, 3, 1, 2, 3, 0, 1, 4, 0, 1}, "0000 0000 1234"},
    {"delta", false, {0, 2, 2, 1, 2, 3, 0, 1}, "0000 0033 0000"},
    {"run-past-right-edge-is-clipped", false, {6, 2, 0, 0, 1, 4, 0, 1}, "0000 4000 2222", false},
    {"no-end-of-bitmap", false, {2, 1}, "0000 0000 1100", false},
    {"rows-past-the-top-are-ignored", false, {0, 0, 0, 0, 0, 0, 0, 0, 4, 1, 0, 1}, "0000 0000 0000"},
    {"absolute-run-cut-by-end-of-data", false, {0, 5, 1, 2}, "0000 0000 1200", false},
    {"rle4-encoded-alternates-nibbles", true, {4, 0x12, 0, 0, 3, 0x40, 0, 1}, "0000 4040 1212"},
    {"rle4-absolute", true, {0, 3, 0x34, 0x10, 0, 1}, "0000 0000 3410"},
    {"rle4-delta", true, {0, 2, 1, 2, 2, 0x33, 0, 1}, "0330 0000 0000"},
};

class DibRle : public testing::TestWithParam<RleCase> {};

TEST_P(DibRle, DecodesIndices)
{
    const RleCase& c = GetParam();
    std::vector<uint8_t> file = RleFile(c.four, c.data);
    Bitmap got = Decode(file);
    ASSERT_EQ(got.width, 4);
    ASSERT_EQ(got.height, 3);
    std::string expected = c.expected;
    expected.erase(std::remove(expected.begin(), expected.end(), ' '), expected.end());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(got.at(x, y), kRlePalette[expected[y * 4 + x] - '0']) << "x=" << x << " y=" << y;
    if (HaveConvert() && c.convertAgrees) {  // ImageMagick reads the same stream the same way
        auto dir = TempDir(std::string("rle-") + c.name);
        WriteFile(dir / "rle.bmp", file);
        EXPECT_EQ(MaxDifference(got, DecodeWithConvert(dir / "rle.bmp", dir), false), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(All, DibRle, testing::ValuesIn(kRleCases), pictest::CaseName());

// ---- encoding --------------------------------------------------------------------------------

TEST(DibEncode, RoundTripsAt24And32Bits)
{
    for (int32_t w : {1, 2, 3, 5, 33})
        for (bool alpha : {false, true}) {
            Bitmap src = MakePattern(w, 7, alpha);
            std::vector<uint8_t> file = zv::EncodeBmp(src);
            BmpFields f = Fields(file);
            EXPECT_EQ(f.bitCount, alpha ? 32 : 24);
            EXPECT_EQ(Get32(file, 2), file.size());
            Bitmap back = Decode(file);
            EXPECT_EQ(back.hasAlpha, alpha);
            EXPECT_EQ(back.pixels, src.pixels) << "width " << w << (alpha ? " with alpha" : "");
        }
}

TEST(DibEncode, Forced32BitWithoutAlphaIsOpaque)
{
    Bitmap src = MakePattern(4, 3);
    for (auto& p : src.pixels) p &= 0x00FFFFFF;  // alpha bytes that must not leak into the file
    Bitmap back = Decode(zv::EncodeBmp(src, 32));
    for (size_t i = 0; i < src.pixels.size(); ++i) EXPECT_EQ(back.pixels[i], src.pixels[i] | 0xFF000000);
}

TEST(DibEncode, ConvertReadsOurFiles)
{
    if (!HaveConvert()) GTEST_FAIL() << "ImageMagick convert is not installed (scripts/deps.sh installs it)";
    auto dir = TempDir("dib-encode");
    for (bool alpha : {false, true}) {
        Bitmap src = MakePattern(29, 11, alpha);
        WriteFile(dir / "ours.bmp", zv::EncodeBmp(src));
        EXPECT_EQ(MaxDifference(src, DecodeWithConvert(dir / "ours.bmp", dir), alpha), 0);
    }
}

TEST(DibEncode, RefusesEmptyAndOddDepths)
{
    Bitmap empty;
    EXPECT_THROW(zv::EncodeBmp(empty), zv::Exception);
    EXPECT_THROW(zv::EncodePackedDib(empty), zv::Exception);
    try {
        zv::EncodeBmp(MakePattern(2, 2), 8);
        FAIL();
    } catch (const zv::Exception& e) {
        EXPECT_EQ(e.message(), zv::kBitmapUnsupportedMessage);
    }
}

TEST(DibPacked, RoundTripsThroughBothDecoders)
{
    Bitmap src = MakePattern(13, 5, true);
    std::vector<uint8_t> dib = zv::EncodePackedDib(src);
    ASSERT_EQ(dib.size(), zv::kPackedDibHeaderSize + 13 * 5 * 4);
    EXPECT_EQ(Get32(dib, 0), 40u);
    EXPECT_EQ(Get16(dib, 14), 32);
    EXPECT_EQ(Get32(dib, 16), 0u);  // BI_RGB
    Bitmap a = zv::DecodePackedDib(dib.data(), dib.size());
    Bitmap b = zv::DecodeDib(dib.data(), zv::kPackedDibHeaderSize, dib.data() + zv::kPackedDibHeaderSize,
                             dib.size() - zv::kPackedDibHeaderSize);
    // BI_RGB at 32 bits has no alpha: the colours come back opaque.
    for (const Bitmap* got : {&a, &b}) {
        ASSERT_EQ(got->width, 13);
        ASSERT_EQ(got->height, 5);
        EXPECT_FALSE(got->hasAlpha);
        for (size_t i = 0; i < src.pixels.size(); ++i) ASSERT_EQ(got->pixels[i], src.pixels[i] | 0xFF000000);
    }
}

TEST(DibPacked, SeparateInfoWithPalette)
{
    // The info of an 8-bit sample and its bits, as a metafile record keeps them.
    std::vector<uint8_t> f = ReadFile(SampleDir() / "bmp8.bmp");
    BmpFields h = Fields(f);
    Bitmap got = zv::DecodeDib(f.data() + 14, h.offBits - 14, f.data() + h.offBits, f.size() - h.offBits);
    EXPECT_EQ(MaxDifference(got, ReadPam(SampleDir() / "bmp8.bmp.pam"), false), 0);
    // Bits one byte short of the picture are refused.
    EXPECT_THROW(zv::DecodeDib(f.data() + 14, h.offBits - 14, f.data() + h.offBits, 37 * 22), zv::Exception);
    EXPECT_THROW(zv::DecodeDib(f.data() + 14, h.offBits - 14, nullptr, 0), zv::Exception);
    // Info too short for the palette it announces.
    EXPECT_THROW(zv::DecodeDib(f.data() + 14, 40 + 4 * 10, f.data() + h.offBits, f.size() - h.offBits), zv::Exception);
}

// ---- hostile input ---------------------------------------------------------------------------

struct Hostile {
    const char* name;
    const char* sample;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
};
void PrintTo(const Hostile& v, std::ostream* os) { *os << v.name; }

const Hostile kHostile[] = {
    {"not-bm", "bmp24.bmp", [](auto& f) { f[0] = 'X'; }, zv::kBitmapInvalidMessage},
    {"area-overflows-32-bits", "bmp24.bmp",
     [](auto& f) {
         Set32(f, 18, 0x7FFFFFFF);
         Set32(f, 22, 0x7FFFFFFF);
     },
     zv::kBitmapTooLargeMessage},
    {"height-int-min", "bmp24.bmp", [](auto& f) { Set32(f, 22, 0x80000000); }, zv::kBitmapTooLargeMessage},
    {"just-over-the-area-cap", "bmp24.bmp",
     [](auto& f) {
         Set32(f, 18, 1u << 13);
         Set32(f, 22, (1u << 13) + 1);
     },
     zv::kBitmapTooLargeMessage},
    {"rle-cannot-exceed-the-cap", "bmp8rle.bmp",
     [](auto& f) {
         Set32(f, 18, 1u << 20);
         Set32(f, 22, 1u << 20);
     },
     zv::kBitmapTooLargeMessage},
    {"big-but-bits-missing", "bmp24.bmp",
     [](auto& f) {
         Set32(f, 18, 4000);
         Set32(f, 22, 4000);
     },
     zv::kBitmapInvalidMessage},
    {"negative-width", "bmp24.bmp", [](auto& f) { Set32(f, 18, 0xFFFFFFF0); }, zv::kBitmapInvalidMessage},
    {"zero-height", "bmp24.bmp", [](auto& f) { Set32(f, 22, 0); }, zv::kBitmapInvalidMessage},
    {"offbits-past-the-end", "bmp24.bmp", [](auto& f) { Set32(f, 10, static_cast<uint32_t>(f.size() + 1)); },
     zv::kBitmapInvalidMessage},
    {"offbits-huge", "bmp24.bmp", [](auto& f) { Set32(f, 10, 0xFFFFFFF0); }, zv::kBitmapInvalidMessage},
    {"offbits-inside-header", "bmp24.bmp", [](auto& f) { Set32(f, 10, 20); }, zv::kBitmapInvalidMessage},
    {"offbits-cuts-palette", "bmp8.bmp", [](auto& f) { Set32(f, 10, 14 + 40 + 8); }, zv::kBitmapInvalidMessage},
    {"palette-above-depth", "bmp8.bmp", [](auto& f) { Set32(f, 46, 257); }, zv::kBitmapInvalidMessage},
    {"palette-huge", "bmp24.bmp", [](auto& f) { Set32(f, 46, 0x40000000); }, zv::kBitmapInvalidMessage},
    {"palette-past-the-end", "bmp4.bmp",
     [](auto& f) {
         Set32(f, 10, 0);
         Set32(f, 46, 16);
         f.resize(14 + 40 + 30);
     },
     zv::kBitmapInvalidMessage},
    {"header-size-too-big", "bmp24.bmp", [](auto& f) { Set32(f, 14, 200); }, zv::kBitmapInvalidMessage},
    {"header-size-odd", "bmp24.bmp", [](auto& f) { Set32(f, 14, 13); }, zv::kBitmapInvalidMessage},
    {"header-size-past-end", "bmp24.bmp",
     [](auto& f) {
         Set32(f, 14, 124);
         f.resize(14 + 100);
         Set32(f, 10, 0);
     },
     zv::kBitmapInvalidMessage},
    {"bit-count-7", "bmp24.bmp", [](auto& f) { Set16(f, 28, 7); }, zv::kBitmapInvalidMessage},
    {"bit-count-0", "bmp24.bmp", [](auto& f) { Set16(f, 28, 0); }, zv::kBitmapInvalidMessage},
    {"compression-unknown", "bmp24.bmp", [](auto& f) { Set32(f, 30, 9); }, zv::kBitmapInvalidMessage},
    {"compression-png", "bmp24.bmp", [](auto& f) { Set32(f, 30, 5); }, zv::kBitmapUnsupportedMessage},
    {"compression-jpeg", "bmp24.bmp", [](auto& f) { Set32(f, 30, 4); }, zv::kBitmapUnsupportedMessage},
    {"rle8-at-24-bits", "bmp24.bmp", [](auto& f) { Set32(f, 30, 1); }, zv::kBitmapInvalidMessage},
    {"rle8-top-down", "bmp8rle.bmp", [](auto& f) { Set32(f, 22, static_cast<uint32_t>(-23)); },
     zv::kBitmapInvalidMessage},
    {"bitfields-at-24-bits", "bmp24.bmp", [](auto& f) { Set32(f, 30, 3); }, zv::kBitmapInvalidMessage},
    {"mask-not-contiguous", "bmp16_565.bmp", [](auto& f) { Set32(f, 14 + 40, 0xA800); }, zv::kBitmapInvalidMessage},
    {"masks-past-the-end", "bmp16_565.bmp",
     [](auto& f) {
         f = MasksAfterHeader(f, false);
         Set32(f, 10, 0);
         f.resize(14 + 40 + 8);
     },
     zv::kBitmapInvalidMessage},
    {"only-file-header", "bmp24.bmp", [](auto& f) { f.resize(14); }, zv::kBitmapInvalidMessage},
};

class DibHostile : public testing::TestWithParam<Hostile> {};

TEST_P(DibHostile, IsRefusedWithMessage)
{
    const Hostile& h = GetParam();
    std::vector<uint8_t> f = ReadFile(SampleDir() / h.sample);
    h.damage(f);
    EXPECT_EQ(DecodeError(f), h.message);
}

INSTANTIATE_TEST_SUITE_P(All, DibHostile, testing::ValuesIn(kHostile), pictest::CaseName());

// Every proper prefix of an uncompressed file is refused (the bits always come up short).
TEST(DibHostile, EveryTruncationIsRefused)
{
    for (const char* name : {"bmp1.bmp", "bmp8.bmp", "bmp16_565.bmp", "bmp24.bmp", "bmp32a.bmp", "bmpcore8.bmp"}) {
        std::vector<uint8_t> f = ReadFile(SampleDir() / name);
        // The last row may lack its padding: cut at least the padding plus one byte.
        const bool core = Get32(f, 14) == 12;
        size_t width = core ? Get16(f, 18) : Get32(f, 18), bits = core ? Get16(f, 24) : Get16(f, 28);
        size_t stride = ((width * bits + 31) / 32) * 4, lastRow = (width * bits + 7) / 8;
        size_t keepMax = f.size() - (stride - lastRow) - 1;
        for (size_t keep = 0; keep <= keepMax; ++keep) {
            std::vector<uint8_t> cut(f.begin(), f.begin() + keep);
            ASSERT_NE(DecodeError(cut), "no error") << name << " cut to " << keep;
        }
    }
}

// Truncated run-length data decodes what is there; nothing is read past the end.
TEST(DibHostile, TruncatedRleDecodesPartially)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "bmp8rle.bmp");
    BmpFields h = Fields(f);
    Bitmap whole = Decode(f);
    for (size_t keep = h.offBits + 2; keep < f.size(); keep += 97) {
        std::vector<uint8_t> cut(f.begin(), f.begin() + keep);
        Bitmap part = Decode(cut);
        ASSERT_EQ(part.width, whole.width);
        // The bottom row comes first in the file and is complete once enough data is there.
        if (keep > h.offBits + 200) {
            for (int x = 0; x < whole.width; ++x)
                EXPECT_EQ(part.at(x, whole.height - 1), whole.at(x, whole.height - 1));
        }
    }
}

TEST(DibHostile, CallerAreaCapIsHonoured)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "bmp24.bmp");
    EXPECT_EQ(DecodeError(f, 37 * 23 - 1), zv::kBitmapTooLargeMessage);
    EXPECT_EQ(DecodeError(f, 37 * 23), "no error");
}

// A colour channel whose mask is zero is absent (black), not a division or an endless loop.
TEST(DibHostile, ZeroMaskChannelIsBlack)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "bmp16_565.bmp");
    Set32(f, 14 + 40, 0);  // red mask
    Bitmap got = Decode(f);
    Bitmap ref = ReadPam(SampleDir() / "bmp16_565.bmp.pam");
    ASSERT_EQ(got.pixels.size(), ref.pixels.size());
    for (size_t i = 0; i < got.pixels.size(); ++i) ASSERT_EQ(got.pixels[i], ref.pixels[i] & 0xFF00FFFF) << i;
}

// Indices past the palette (allowed by a short palette) draw black instead of reading past it.
TEST(DibHostile, IndexPastShortPaletteIsBlack)
{
    std::vector<uint8_t> f = RleFile(false, {2, 4, 2, 200, 0, 1});
    Bitmap got = Decode(f);
    EXPECT_EQ(got.at(0, 2), 0xFFFFFFFFu);
    EXPECT_EQ(got.at(2, 2), 0xFF000000u);
    EXPECT_EQ(got.at(3, 2), 0xFF000000u);
}

}  // namespace
