// BMP/DIB decoding (all common headers, depths and compressions) and 24/32-bit encoding.
#include "platform/draw/Dib.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/base/Error.h"
#include "platform/draw/DibDetail.h"

namespace zv {
namespace detail {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint16_t kBmSignature = 0x4D42;  // "BM"
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kOs2v2HeaderSize = 64;
constexpr uint32_t kMinOs2v2HeaderSize = 16;
constexpr uint32_t kMaxPaletteEntries = 256;
constexpr uint32_t kLcsSRgb = 0x73524742;  // 'sRGB'
constexpr uint32_t kLcsGmImages = 4;
constexpr int32_t kPelsPerMeter96Dpi = 3780;
constexpr uint32_t kOpaque = 0xFF000000;

// Default masks of BI_RGB at 16 bits (5-5-5) and 32 bits (8-8-8, no alpha).
constexpr uint32_t kMasks16[4] = {0x7C00, 0x03E0, 0x001F, 0};
constexpr uint32_t kMasks32[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};

[[noreturn]] void Invalid() { throw Exception(kBitmapInvalidMessage); }
[[noreturn]] void Unsupported() { throw Exception(kBitmapUnsupportedMessage); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One colour channel described by a bit mask: value = (pixel & mask) >> shift, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    uint32_t scale(uint32_t pixel) const
    {
        if (bits == 0) return 0;  // a channel without mask bits is absent
        uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        // Narrow channels repeat their bits downwards, so the largest value becomes 255.
        uint32_t r = 0;
        for (int s = 8 - bits; s > -bits; s -= bits) r |= s >= 0 ? v << s : v >> -s;
        return r;
    }
};

Channel MakeChannel(uint32_t mask)
{
    Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    uint32_t m = mask >> c.shift;
    c.bits = std::popcount(m);
    if ((m & (m + 1)) != 0) Invalid();  // the bits of a channel must be contiguous
    return c;
}

// Reads the palette index of pixel x of a row at 1, 2, 4 or 8 bits.
uint32_t IndexAt(const uint8_t* row, int64_t x, int bitCount)
{
    switch (bitCount) {
    case 8: return row[x];
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    case 2: return (row[x >> 2] >> (6 - 2 * (x & 3))) & 0x03;
    default: return (row[x >> 3] >> (7 - (x & 7))) & 0x01;
    }
}

uint32_t PaletteColor(const std::vector<uint32_t>& palette, uint32_t index)
{
    return index < palette.size() ? palette[index] : kOpaque;  // an index past the table is black
}

Bitmap Allocate(const DibInfo& info, uint64_t maxArea)
{
    uint64_t area = static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height);
    if (area > maxArea) throw Exception(kBitmapTooLargeMessage);
    Bitmap bmp;
    bmp.width = static_cast<int32_t>(info.width);
    bmp.height = static_cast<int32_t>(info.height);
    return bmp;
}

// Run-length decoding of BI_RLE8 and BI_RLE4. Pixels the codes never reach keep palette index 0;
// codes that reach beyond the right edge or past the last row are clipped; the data ending
// without an end-of-bitmap code ends the picture.
void DecodeRle(const DibInfo& info, const uint8_t* bits, size_t size, Bitmap& bmp)
{
    const bool four = info.compression == kBiRle4;
    const uint32_t background = PaletteColor(info.palette, 0);
    std::fill(bmp.pixels.begin(), bmp.pixels.end(), background);
    const int64_t w = info.width, h = info.height;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](uint32_t index) {
        if (x < w && y < h) bmp.pixels[static_cast<size_t>(h - 1 - y) * w + x] = PaletteColor(info.palette, index);
        ++x;
    };
    size_t i = 0;
    while (i + 1 < size && y < h) {
        uint8_t count = bits[i], value = bits[i + 1];
        i += 2;
        if (count > 0) {  // encoded run
            for (int k = 0; k < count; ++k) put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta
            if (i + 1 >= size) break;
            x += bits[i];
            y += bits[i + 1];
            i += 2;
        } else {  // absolute run of `value` pixels, padded to 16 bits
            size_t bytes = four ? (value + 1u) / 2 : value;
            if (bytes > size - i) bytes = size - i;
            for (int k = 0; k < value; ++k) {
                size_t at = four ? static_cast<size_t>(k / 2) : static_cast<size_t>(k);
                if (at >= bytes) break;
                uint8_t b = bits[i + at];
                put(four ? ((k & 1) ? b & 0x0F : b >> 4) : b);
            }
            i += bytes + (bytes & 1);
        }
    }
}

}  // namespace

uint64_t DibStride(int64_t width, int bitCount)
{
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
}

DibInfo ParseDibInfo(const uint8_t* p, size_t infoSize, DibColorTable table)
{
    DibInfo info;
    if (!p || infoSize < 4) Invalid();
    const uint32_t hs = U32(p);
    info.headerSize = hs;
    if (hs != kCoreHeaderSize && (hs < kMinOs2v2HeaderSize || hs > kV5HeaderSize)) Invalid();
    if (hs > infoSize) Invalid();
    const bool core = hs == kCoreHeaderSize;
    // OS/2 2.x headers are 16 to 64 bytes long; 40 and the V2-V5 sizes above it are Windows headers.
    const bool os2 = !core && (hs < kInfoHeaderSize || hs == kOs2v2HeaderSize);
    // Fields past a short OS/2 2.x header default to zero.
    auto field = [&](uint32_t off) { return off + 4 <= hs ? U32(p + off) : 0u; };
    int64_t width, height;
    uint32_t clrUsed = 0;
    if (core) {
        width = U16(p + 4);
        height = U16(p + 6);
        info.bitCount = U16(p + 10);
    } else {
        width = static_cast<int32_t>(U32(p + 4));
        height = static_cast<int32_t>(U32(p + 8));
        info.bitCount = U16(p + 14);
        info.compression = field(16);
        info.sizeImage = field(20);
        clrUsed = field(32);
    }
    if (width <= 0 || height == 0) Invalid();
    info.topDown = height < 0;
    info.width = width;
    info.height = height < 0 ? -height : height;  // int64: no overflow at INT32_MIN

    const int bc = info.bitCount;
    switch (info.compression) {
    case kBiRgb:
        if (bc != 1 && bc != 2 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) Invalid();
        if (core && (bc == 2 || bc == 16 || bc == 32)) Invalid();
        break;
    case kBiRle8:
        if (bc != 8 || info.topDown) Invalid();
        break;
    case kBiRle4:
        if (bc != 4 || info.topDown) Invalid();
        break;
    case kBiBitfields:  // OS/2 2.x: Huffman 1D
    case kBiAlphaBitfields:
        if (os2) Unsupported();
        if (bc != 16 && bc != 32) Invalid();
        break;
    case kBiJpeg:  // OS/2 2.x: RLE24
    case kBiPng: Unsupported();
    default: Invalid();
    }

    size_t pos = hs;
    if (info.compression == kBiBitfields || info.compression == kBiAlphaBitfields) {
        size_t n = info.compression == kBiAlphaBitfields ? 4 : 3;
        if (hs >= kInfoHeaderSize + 4 * n) {
            for (size_t k = 0; k < n; ++k) info.masks[k] = U32(p + kInfoHeaderSize + 4 * k);
        } else {
            if (infoSize - pos < 4 * n) Invalid();
            for (size_t k = 0; k < n; ++k) info.masks[k] = U32(p + pos + 4 * k);
            pos += 4 * n;
        }
        // The V3-V5 headers carry an alpha mask even with plain BI_BITFIELDS.
        if (n == 3 && hs >= kInfoHeaderSize + 16) info.masks[3] = U32(p + kInfoHeaderSize + 12);
        for (auto m : info.masks) MakeChannel(m);  // refuses non-contiguous masks
    } else if (bc == 16) {
        std::copy(std::begin(kMasks16), std::end(kMasks16), info.masks);
    } else if (bc == 32) {
        std::copy(std::begin(kMasks32), std::end(kMasks32), info.masks);
    }

    uint32_t colors;
    if (core) {
        colors = bc <= 8 ? 1u << bc : 0;
    } else if (bc <= 8) {
        colors = clrUsed ? clrUsed : 1u << bc;
        if (colors > (1u << bc)) Invalid();
    } else {
        colors = clrUsed;  // an optional table that true-colour pixels do not use
        if (colors > kMaxPaletteEntries) Invalid();
    }
    const bool indexes = table == DibColorTable::PaletteIndexes;
    const size_t entry = indexes ? 2 : core ? 3 : 4;
    if ((infoSize - pos) / entry < colors) Invalid();
    if (bc <= 8) {
        info.palette.resize(colors);
        for (uint32_t k = 0; k < colors; ++k) {
            const uint8_t* e = p + pos + k * entry;
            const uint32_t grey = e[0];  // low byte of the palette index
            info.palette[k] =
                indexes ? kOpaque | (grey << 16) | (grey << 8) | grey
                        : kOpaque | (static_cast<uint32_t>(e[2]) << 16) | (static_cast<uint32_t>(e[1]) << 8) | e[0];
        }
    }
    pos += colors * entry;
    info.infoBytes = pos;
    return info;
}

Bitmap DecodeDibBits(const DibInfo& info, const uint8_t* bits, size_t bitsSize, uint64_t maxArea)
{
    Bitmap bmp = Allocate(info, maxArea);
    const int64_t w = info.width, h = info.height;
    const int bc = info.bitCount;
    if (!bits) bitsSize = 0;

    if (info.compression == kBiRle4 || info.compression == kBiRle8) {
        if (info.sizeImage != 0 && info.sizeImage < bitsSize) bitsSize = info.sizeImage;
        if (bitsSize < 2) Invalid();
        bmp.pixels.resize(static_cast<size_t>(w * h));
        DecodeRle(info, bits, bitsSize, bmp);
        return bmp;
    }

    // The last row may lack its padding; everything before it must be whole.
    const uint64_t stride = DibStride(w, bc);
    const uint64_t lastRow = (static_cast<uint64_t>(w) * bc + 7) / 8;
    if (stride * static_cast<uint64_t>(h - 1) + lastRow > bitsSize) Invalid();
    bmp.pixels.resize(static_cast<size_t>(w * h));

    Channel ch[4];
    const bool masked = bc == 16 || bc == 32;
    if (masked)
        for (int k = 0; k < 4; ++k) ch[k] = MakeChannel(info.masks[k]);
    const bool alphaMask = masked && ch[3].mask != 0;
    bmp.hasAlpha = alphaMask || (bc == 32 && info.alphaByte);

    for (int64_t row = 0; row < h; ++row) {
        const uint8_t* src = bits + stride * static_cast<uint64_t>(info.topDown ? row : h - 1 - row);
        uint32_t* dst = bmp.pixels.data() + static_cast<size_t>(row * w);
        for (int64_t x = 0; x < w; ++x) {
            uint32_t c;
            if (bc <= 8) {
                c = PaletteColor(info.palette, IndexAt(src, x, bc));
            } else if (bc == 24) {
                const uint8_t* q = src + 3 * x;
                c = kOpaque | (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
            } else if (bc == 32 && info.alphaByte && info.compression == kBiRgb) {
                c = U32(src + 4 * x);
            } else {
                uint32_t v = bc == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                uint32_t a = alphaMask ? ch[3].scale(v) : 0xFF;
                c = (a << 24) | (ch[0].scale(v) << 16) | (ch[1].scale(v) << 8) | ch[2].scale(v);
            }
            dst[x] = c;
        }
    }
    return bmp;
}

}  // namespace detail

Bitmap DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize, uint64_t maxArea)
{
    detail::DibInfo di = detail::ParseDibInfo(info, infoSize);
    return detail::DecodeDibBits(di, bits, bitsSize, maxArea);
}

Bitmap DecodePackedDib(const uint8_t* data, size_t size, uint64_t maxArea)
{
    detail::DibInfo di = detail::ParseDibInfo(data, size);
    return detail::DecodeDibBits(di, data + di.infoBytes, size - di.infoBytes, maxArea);
}

Bitmap DecodeBmp(const uint8_t* data, size_t size, uint64_t maxArea)
{
    using namespace detail;
    if (!data || size < kFileHeaderSize + 4 || U16(data) != kBmSignature) Invalid();
    const uint32_t offBits = U32(data + 10);
    const uint8_t* info = data + kFileHeaderSize;
    const size_t rest = size - kFileHeaderSize;
    // The info part ends where the bits begin; writers that leave bfOffBits at 0 get the bits
    // right after the palette.
    if (offBits == 0) {
        DibInfo di = ParseDibInfo(info, rest);
        return DecodeDibBits(di, info + di.infoBytes, rest - di.infoBytes, maxArea);
    }
    if (offBits < kFileHeaderSize || offBits > size) Invalid();
    DibInfo di = ParseDibInfo(info, offBits - kFileHeaderSize);
    return DecodeDibBits(di, data + offBits, size - offBits, maxArea);
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bmp, int bitCount)
{
    using namespace detail;
    if (bmp.empty() || bmp.pixels.size() != static_cast<size_t>(bmp.width) * bmp.height)
        throw Exception(kBitmapEmptyMessage);
    if (bitCount == 0) bitCount = bmp.hasAlpha ? 32 : 24;
    if (bitCount != 24 && bitCount != 32) throw Exception(kBitmapUnsupportedMessage);
    const uint32_t headerSize = bitCount == 32 ? kV5HeaderSize : kInfoHeaderSize;
    const uint64_t stride = DibStride(bmp.width, bitCount);
    const uint64_t imageSize = stride * static_cast<uint64_t>(bmp.height);
    const uint64_t fileSize = kFileHeaderSize + headerSize + imageSize;
    if (fileSize > UINT32_MAX) throw Exception(kBitmapTooLargeMessage);

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(fileSize));
    Put16(out, kBmSignature);
    Put32(out, static_cast<uint32_t>(fileSize));
    Put32(out, 0);
    Put32(out, kFileHeaderSize + headerSize);
    Put32(out, headerSize);
    Put32(out, static_cast<uint32_t>(bmp.width));
    Put32(out, static_cast<uint32_t>(bmp.height));
    Put16(out, 1);
    Put16(out, static_cast<uint16_t>(bitCount));
    Put32(out, bitCount == 32 ? kBiBitfields : kBiRgb);
    Put32(out, static_cast<uint32_t>(imageSize));
    Put32(out, kPelsPerMeter96Dpi);
    Put32(out, kPelsPerMeter96Dpi);
    Put32(out, 0);
    Put32(out, 0);
    if (bitCount == 32) {
        for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) Put32(out, m);
        Put32(out, kLcsSRgb);
        out.resize(out.size() + 36 + 12);  // endpoints and gamma: unused with sRGB
        Put32(out, kLcsGmImages);
        Put32(out, 0);  // profile data
        Put32(out, 0);  // profile size
        Put32(out, 0);  // reserved
    }
    for (int32_t y = bmp.height - 1; y >= 0; --y) {
        const uint32_t* row = bmp.pixels.data() + static_cast<size_t>(y) * bmp.width;
        size_t start = out.size();
        for (int32_t x = 0; x < bmp.width; ++x) {
            uint32_t c = row[x];
            if (bitCount == 32 && !bmp.hasAlpha) c |= kOpaque;
            out.push_back(static_cast<uint8_t>(c));
            out.push_back(static_cast<uint8_t>(c >> 8));
            out.push_back(static_cast<uint8_t>(c >> 16));
            if (bitCount == 32) out.push_back(static_cast<uint8_t>(c >> 24));
        }
        out.resize(start + static_cast<size_t>(stride), 0);
    }
    return out;
}

std::vector<uint8_t> EncodePackedDib(const Bitmap& bmp)
{
    using namespace detail;
    if (bmp.empty() || bmp.pixels.size() != static_cast<size_t>(bmp.width) * bmp.height)
        throw Exception(kBitmapEmptyMessage);
    const uint64_t imageSize = static_cast<uint64_t>(bmp.width) * static_cast<uint64_t>(bmp.height) * 4;
    if (imageSize > UINT32_MAX - kPackedDibHeaderSize) throw Exception(kBitmapTooLargeMessage);
    std::vector<uint8_t> out;
    out.reserve(kPackedDibHeaderSize + static_cast<size_t>(imageSize));
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<uint32_t>(bmp.width));
    Put32(out, static_cast<uint32_t>(bmp.height));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, kBiRgb);
    Put32(out, static_cast<uint32_t>(imageSize));
    Put32(out, kPelsPerMeter96Dpi);
    Put32(out, kPelsPerMeter96Dpi);
    Put32(out, 0);
    Put32(out, 0);
    for (int32_t y = bmp.height - 1; y >= 0; --y) {
        const uint32_t* row = bmp.pixels.data() + static_cast<size_t>(y) * bmp.width;
        for (int32_t x = 0; x < bmp.width; ++x) Put32(out, bmp.hasAlpha ? row[x] : row[x] | kOpaque);
    }
    return out;
}

}  // namespace zv
