// Icon files: directory checks, choice of the largest image, XOR bitmap and AND mask to alpha.
#include "platform/draw/Icon.h"

#include <cstring>

#include "platform/base/Error.h"
#include "platform/draw/DibDetail.h"

namespace zv {
namespace {

constexpr size_t kDirHeaderSize = 6;
constexpr size_t kDirEntrySize = 16;
constexpr uint16_t kIconType = 1;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kPngIhdrEnd = 24;  // signature, chunk length, "IHDR", width, height

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t U32BE(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

[[noreturn]] void Invalid() { throw Exception(kIconInvalidMessage); }

// The DIB of an icon image: its height counts the colour bitmap and the mask together.
detail::DibInfo ParseIconDib(const uint8_t* p, size_t size)
{
    detail::DibInfo info;
    try {
        info = detail::ParseDibInfo(p, size);
    } catch (const Exception&) {
        Invalid();
    }
    if (info.topDown || info.height < 2 || info.compression == detail::kBiRle4 || info.compression == detail::kBiRle8)
        Invalid();
    info.height /= 2;
    info.alphaByte = true;
    return info;
}

}  // namespace

std::vector<IconEntry> ReadIconDirectory(const uint8_t* data, size_t size)
{
    if (!data || size < kDirHeaderSize || U16(data) != 0 || U16(data + 2) != kIconType) Invalid();
    const size_t count = U16(data + 4);
    if (count == 0 || (size - kDirHeaderSize) / kDirEntrySize < count) Invalid();
    std::vector<IconEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + kDirHeaderSize + i * kDirEntrySize;
        IconEntry& entry = entries[i];
        entry.size = U32(e + 8);
        entry.offset = U32(e + 12);
        if (entry.offset > size || entry.size > size - entry.offset) Invalid();
        const uint8_t* img = data + entry.offset;
        if (entry.size >= sizeof kPngSignature && std::memcmp(img, kPngSignature, sizeof kPngSignature) == 0) {
            if (entry.size < kPngIhdrEnd) Invalid();
            entry.png = true;
            uint32_t w = U32BE(img + 16), h = U32BE(img + 20);
            if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) Invalid();
            entry.width = static_cast<int32_t>(w);
            entry.height = static_cast<int32_t>(h);
            entry.bitCount = 32;
        } else {
            detail::DibInfo info = ParseIconDib(img, entry.size);
            entry.width = static_cast<int32_t>(info.width);
            entry.height = static_cast<int32_t>(info.height);
            entry.bitCount = info.bitCount;
        }
    }
    return entries;
}

size_t ChooseIconEntry(const std::vector<IconEntry>& entries)
{
    size_t best = entries.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        const IconEntry& e = entries[i];
        if (e.png) continue;
        if (best == entries.size()) {
            best = i;
            continue;
        }
        const IconEntry& b = entries[best];
        uint64_t area = static_cast<uint64_t>(e.width) * e.height, bestArea = static_cast<uint64_t>(b.width) * b.height;
        if (area > bestArea || (area == bestArea && e.bitCount > b.bitCount)) best = i;
    }
    if (best == entries.size()) throw Exception(entries.empty() ? kIconInvalidMessage : kIconPngMessage);
    return best;
}

Bitmap DecodeIcon(const uint8_t* data, size_t size, uint64_t maxArea)
{
    const std::vector<IconEntry> entries = ReadIconDirectory(data, size);
    const IconEntry& entry = entries[ChooseIconEntry(entries)];
    const uint8_t* img = data + entry.offset;
    const detail::DibInfo info = ParseIconDib(img, entry.size);
    const uint8_t* bits = img + info.infoBytes;
    const size_t bitsSize = entry.size - info.infoBytes;

    Bitmap bmp;
    try {
        bmp = detail::DecodeDibBits(info, bits, bitsSize, maxArea);
    } catch (const Exception& e) {
        if (e.message() == kBitmapTooLargeMessage) throw;
        Invalid();
    }
    bmp.hasAlpha = true;

    // A 32-bit image whose alpha bytes are all zero was made for masks only.
    bool alphaUsed = false;
    if (info.bitCount == 32)
        for (uint32_t px : bmp.pixels)
            if (px >> 24) {
                alphaUsed = true;
                break;
            }
    if (alphaUsed) return bmp;

    // The AND mask follows the colour bitmap: 1 bit per pixel, bottom-up, rows padded to 32
    // bits; a set bit is transparent. Some writers leave it out: then every pixel is opaque.
    const uint64_t xorBytes = detail::DibStride(info.width, info.bitCount) * static_cast<uint64_t>(info.height);
    const uint64_t andStride = detail::DibStride(info.width, 1);
    const bool hasMask = xorBytes <= bitsSize && andStride * static_cast<uint64_t>(info.height) <= bitsSize - xorBytes;
    for (int32_t y = 0; y < bmp.height; ++y) {
        const uint8_t* row =
            hasMask ? bits + xorBytes + andStride * static_cast<uint64_t>(bmp.height - 1 - y) : nullptr;
        uint32_t* dst = bmp.pixels.data() + static_cast<size_t>(y) * bmp.width;
        for (int32_t x = 0; x < bmp.width; ++x) {
            bool transparent = row && ((row[x >> 3] >> (7 - (x & 7))) & 1);
            dst[x] = transparent ? (dst[x] & 0x00FFFFFF) : (dst[x] | 0xFF000000);
        }
    }
    return bmp;
}

}  // namespace zv
