// Tests of the icon reader: directory checks, choice of image, mask and alpha, the ImageMagick oracle, hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/base/Error.h"
#include "platform/draw/Icon.h"
#include "tests/support/PictureTestUtil.h"

using namespace pictest;
using zv::Bitmap;

namespace {

// One image of a crafted icon file: a DIB with colour bits and an AND mask, or PNG bytes.
struct Image {
    int32_t width = 0, height = 0;
    int bitCount = 32;
    std::vector<uint32_t> palette;  // 0x00RRGGBB, for 1, 4 and 8 bits
    std::vector<uint32_t> pixels;   // top-down: 0xAARRGGBB at 32 bits, indices otherwise
    std::vector<uint8_t> mask;      // top-down, 1 = transparent; empty: no mask written
    bool png = false;
};

std::vector<uint8_t> ImageBytes(const Image& im)
{
    std::vector<uint8_t> out;
    if (im.png) {
        out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
        for (int32_t v : {im.width, im.height})
            for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
        out.insert(out.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
        return out;
    }
    out.resize(40, 0);
    Set32(out, 0, 40);
    Set32(out, 4, static_cast<uint32_t>(im.width));
    Set32(out, 8, static_cast<uint32_t>(im.height * 2));
    Set16(out, 12, 1);
    Set16(out, 14, static_cast<uint16_t>(im.bitCount));
    Set32(out, 32, static_cast<uint32_t>(im.palette.size()));
    for (uint32_t c : im.palette) out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
    size_t stride = ((static_cast<size_t>(im.width) * im.bitCount + 31) / 32) * 4;
    for (int32_t y = im.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int32_t x = 0; x < im.width; ++x) {
            uint32_t v = im.pixels[static_cast<size_t>(y) * im.width + x];
            if (im.bitCount == 32) {
                for (int k = 0; k < 4; ++k) row[4 * x + k] = static_cast<uint8_t>(v >> (8 * k));
            } else {
                size_t bit = static_cast<size_t>(x) * im.bitCount;
                row[bit / 8] |= static_cast<uint8_t>(v << (8 - im.bitCount - bit % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    if (!im.mask.empty()) {
        size_t maskStride = ((static_cast<size_t>(im.width) + 31) / 32) * 4;
        for (int32_t y = im.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int32_t x = 0; x < im.width; ++x)
                if (im.mask[static_cast<size_t>(y) * im.width + x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}

std::vector<uint8_t> IconFile(const std::vector<Image>& images)
{
    std::vector<uint8_t> f(6, 0);
    Set16(f, 2, 1);
    Set16(f, 4, static_cast<uint16_t>(images.size()));
    std::vector<std::vector<uint8_t>> data;
    for (const Image& im : images) data.push_back(ImageBytes(im));
    size_t offset = 6 + 16 * images.size();
    for (size_t i = 0; i < images.size(); ++i) {
        std::vector<uint8_t> e(16, 0);
        e[0] = static_cast<uint8_t>(images[i].width);  // 256 is written as 0
        e[1] = static_cast<uint8_t>(images[i].height);
        Set16(e, 4, 1);
        Set16(e, 6, static_cast<uint16_t>(images[i].bitCount));
        Set32(e, 8, static_cast<uint32_t>(data[i].size()));
        Set32(e, 12, static_cast<uint32_t>(offset));
        offset += data[i].size();
        f.insert(f.end(), e.begin(), e.end());
    }
    for (const auto& d : data) f.insert(f.end(), d.begin(), d.end());
    return f;
}

Image Solid(int32_t w, int32_t h, int bitCount, uint32_t value)
{
    Image im;
    im.width = w, im.height = h, im.bitCount = bitCount;
    if (bitCount == 1)
        im.palette = {0x000000, 0xFFFFFF};
    else if (bitCount <= 8)
        im.palette = {0x000000, 0xFFFFFF, 0xFF0000};
    im.pixels.assign(static_cast<size_t>(w) * h, value);
    im.mask.assign(static_cast<size_t>(w) * h, 0);
    return im;
}

Bitmap Decode(const std::vector<uint8_t>& f) { return zv::DecodeIcon(f.data(), f.size()); }

std::string DecodeError(const std::vector<uint8_t>& f)
{
    try {
        Decode(f);
    } catch (const zv::Exception& e) {
        return e.message();
    }
    return "no error";
}

// ---- reading -----------------------------------------------------------------------------------

TEST(IconSample, LargestOfThreeSizesMatchesReference)
{
    std::vector<uint8_t> f = ReadFile(SampleDir() / "icon_sizes.ico");
    auto entries = zv::ReadIconDirectory(f.data(), f.size());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].width, 32);
    EXPECT_EQ(entries[1].width, 16);
    EXPECT_EQ(entries[2].width, 24);
    EXPECT_EQ(zv::ChooseIconEntry(entries), 0u);
    Bitmap got = Decode(f);
    EXPECT_TRUE(got.hasAlpha);
    EXPECT_EQ(MaxDifference(got, ReadPam(SampleDir() / "icon_sizes.ico.pam"), true), 0);
}

// A 1-bit icon: colour bits and mask by hand. Mask bits make pixels transparent.
TEST(IconMask, OneBitColourWithMask)
{
    Image im = Solid(5, 2, 1, 0);
    im.pixels = {1, 0, 1, 0, 1, 0, 0, 1, 1, 1};
    im.mask = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0};
    Bitmap got = Decode(IconFile({im}));
    ASSERT_EQ(got.width, 5);
    ASSERT_EQ(got.height, 2);
    const uint32_t expected[] = {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0x00000000, 0x00FFFFFF,
                                 0x00000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(got.pixels[i], expected[i]) << i;
}

TEST(IconMask, AlphaChannelWinsOverMaskAndZeroAlphaFallsBackToMask)
{
    Image withAlpha = Solid(3, 1, 32, 0x80102030);
    withAlpha.mask = {1, 1, 1};  // ignored: the alpha bytes say half transparent
    Bitmap a = Decode(IconFile({withAlpha}));
    for (uint32_t p : a.pixels) EXPECT_EQ(p, 0x80102030u);

    Image zeroAlpha = Solid(3, 1, 32, 0x00102030);
    zeroAlpha.mask = {0, 1, 0};
    Bitmap b = Decode(IconFile({zeroAlpha}));
    EXPECT_EQ(b.pixels[0], 0xFF102030u);
    EXPECT_EQ(b.pixels[1], 0x00102030u);
    EXPECT_EQ(b.pixels[2], 0xFF102030u);

    Image noMask = Solid(3, 1, 4, 2);
    noMask.mask.clear();  // some writers leave the mask out: everything opaque
    Bitmap c = Decode(IconFile({noMask}));
    for (uint32_t p : c.pixels) EXPECT_EQ(p, 0xFFFF0000u);
}

struct Choice {
    const char* name;
    std::vector<Image> images;
    size_t chosen;
};
void PrintTo(const Choice& v, std::ostream* os) { *os << v.name; }

const Choice kChoices[] = {
    {"largest-first", {Solid(32, 32, 8, 1), Solid(16, 16, 32, 0xFF000000)}, 0},
    {"largest-last", {Solid(16, 16, 32, 0xFF000000), Solid(48, 48, 4, 1)}, 1},
    {"deeper-on-a-tie", {Solid(24, 24, 4, 1), Solid(24, 24, 32, 0xFF000000), Solid(24, 24, 8, 1)}, 1},
    {"png-skipped",
     {Solid(16, 16, 8, 1),
      [] {
          Image p;
          p.width = p.height = 256;
          p.png = true;
          return p;
      }()},
     0},
    {"area-not-width", {Solid(40, 10, 8, 1), Solid(30, 30, 8, 1)}, 1},
};

class IconChoice : public testing::TestWithParam<Choice> {};

TEST_P(IconChoice, PicksTheRightEntry)
{
    const Choice& c = GetParam();
    std::vector<uint8_t> f = IconFile(c.images);
    auto entries = zv::ReadIconDirectory(f.data(), f.size());
    ASSERT_EQ(entries.size(), c.images.size());
    EXPECT_EQ(zv::ChooseIconEntry(entries), c.chosen);
    Bitmap got = Decode(f);
    EXPECT_EQ(got.width, c.images[c.chosen].width);
    EXPECT_EQ(got.height, c.images[c.chosen].height);
}

INSTANTIATE_TEST_SUITE_P(All, IconChoice, testing::ValuesIn(kChoices), pictest::CaseName());

TEST(IconPng, OnlyPngEntriesAreRefused)
{
    Image p;
    p.width = p.height = 256;
    p.png = true;
    std::vector<uint8_t> f = IconFile({p});
    auto entries = zv::ReadIconDirectory(f.data(), f.size());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].png);
    EXPECT_EQ(entries[0].width, 256);
    EXPECT_EQ(DecodeError(f), zv::kIconPngMessage);
}

// ---- the ImageMagick oracle --------------------------------------------------------------

TEST(IconOracle, DecodesLikeConvert)
{
    if (!HaveConvert()) GTEST_FAIL() << "ImageMagick convert is not installed (scripts/deps.sh installs it)";
    auto dir = TempDir("icon-oracle");
    ASSERT_TRUE(
        Shell("convert -seed 9 -size 48x48 plasma:fractal -alpha set -channel A -fx 'hypot(i-24,j-24)<20' "
              "+channel " +
              Quote(dir / "src.png")));
    struct Row {
        const char* name;
        const char* options;
        int32_t size;
    };
    const Row rows[] = {
        {"sizes.ico", "-define icon:auto-resize=16,48,32", 48},
        {"one.ico", "", 48},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(Shell("convert " + Quote(dir / "src.png") + " " + r.options + " " + Quote(dir / r.name)));
        std::vector<uint8_t> f = ReadFile(dir / r.name);
        auto entries = zv::ReadIconDirectory(f.data(), f.size());
        size_t chosen = zv::ChooseIconEntry(entries);
        Bitmap got = Decode(f);
        EXPECT_EQ(got.width, r.size) << r.name;
        Bitmap theirs = DecodeWithConvert(dir / (std::string(r.name) + "[" + std::to_string(chosen) + "]"), dir);
        EXPECT_EQ(MaxDifference(got, theirs, true), 0) << r.name;
    }
}

// ---- hostile input ---------------------------------------------------------------------------

struct Hostile {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
};
void PrintTo(const Hostile& v, std::ostream* os) { *os << v.name; }

// Entry 0 of the crafted file starts at byte 22; its DIB header at the entry's offset.
constexpr size_t kEntry = 6, kDib = 22;

const Hostile kHostile[] = {
    {"reserved-not-zero", [](auto& f) { f[0] = 1; }, zv::kIconInvalidMessage},
    {"cursor-type", [](auto& f) { f[2] = 2; }, zv::kIconInvalidMessage},
    {"no-entries", [](auto& f) { Set16(f, 4, 0); }, zv::kIconInvalidMessage},
    {"more-entries-than-bytes", [](auto& f) { Set16(f, 4, 5000); }, zv::kIconInvalidMessage},
    {"offset-past-end", [](auto& f) { Set32(f, kEntry + 12, static_cast<uint32_t>(f.size() + 1)); },
     zv::kIconInvalidMessage},
    {"size-past-end", [](auto& f) { Set32(f, kEntry + 8, static_cast<uint32_t>(f.size())); }, zv::kIconInvalidMessage},
    {"size-wraps", [](auto& f) { Set32(f, kEntry + 8, 0xFFFFFFF0); }, zv::kIconInvalidMessage},
    {"not-a-dib", [](auto& f) { Set32(f, kDib, 0x12345678); }, zv::kIconInvalidMessage},
    {"top-down", [](auto& f) { Set32(f, kDib + 8, static_cast<uint32_t>(-16)); }, zv::kIconInvalidMessage},
    {"height-one", [](auto& f) { Set32(f, kDib + 8, 1); }, zv::kIconInvalidMessage},
    {"run-length", [](auto& f) { Set32(f, kDib + 16, 1); }, zv::kIconInvalidMessage},
    {"palette-too-big", [](auto& f) { Set32(f, kDib + 32, 300); }, zv::kIconInvalidMessage},
    {"huge",
     [](auto& f) {
         Set32(f, kDib + 4, 0x7FFFFFFF);
         Set32(f, kDib + 8, 0x7FFFFFFE);
     },
     zv::kBitmapTooLargeMessage},
    {"bits-short",
     [](auto& f) {
         Set32(f, kDib + 4, 400);
         Set32(f, kDib + 8, 800);
     },
     zv::kIconInvalidMessage},
};

class IconHostile : public testing::TestWithParam<Hostile> {};

TEST_P(IconHostile, IsRefusedWithMessage)
{
    std::vector<uint8_t> f = IconFile({Solid(8, 8, 8, 1)});
    GetParam().damage(f);
    EXPECT_EQ(DecodeError(f), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(All, IconHostile, testing::ValuesIn(kHostile), pictest::CaseName());

// Every cut of an icon is refused: the directory's sizes reach the end of the file.
TEST(IconHostile, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> f = ReadFile(SampleDir() / "icon_sizes.ico");
    for (size_t keep = 0; keep < f.size(); ++keep) {
        std::vector<uint8_t> cut(f.begin(), f.begin() + keep);
        std::string error = DecodeError(cut);
        ASSERT_EQ(error, zv::kIconInvalidMessage) << "cut to " << keep;
    }
}

}  // namespace
