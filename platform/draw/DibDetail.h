// Internals of the DIB decoder shared with the icon reader: header parsing and bit decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/draw/Graphics.h"

namespace zv::detail {

// Compression codes of BITMAPINFOHEADER.
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitfields = 6;

// A validated BITMAPINFO. width and height are positive; every size derived from them fits in
// 64 bits. palette entries are 0xFFRRGGBB.
struct DibInfo {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t sizeImage = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha; used for 16 and 32 bits
    bool alphaByte = false;            // 32-bit BI_RGB: take alpha from the fourth byte (icons)
    std::vector<uint32_t> palette;
    size_t infoBytes = 0;  // header + masks + palette: where the bits start in a packed DIB
};

// What the colour table of a BITMAPINFO holds. Metafile records may carry 16-bit indexes into
// the logical palette of the device context instead of colours (DIB_PAL_COLORS); without such a
// palette, index i is shown as the grey (i & 0xFF), which keeps the picture readable.
enum class DibColorTable { Colors, PaletteIndexes };

// Parses the header, masks and palette. Throws Exception on anything malformed or unsupported.
DibInfo ParseDibInfo(const uint8_t* info, size_t infoSize, DibColorTable table = DibColorTable::Colors);

// Bytes of one uncompressed row, padded to 32 bits.
uint64_t DibStride(int64_t width, int bitCount);

// Decodes the bits into a top-down bitmap. Refuses an area above maxArea before allocating and
// bits shorter than the picture needs.
Bitmap DecodeDibBits(const DibInfo& info, const uint8_t* bits, size_t bitsSize, uint64_t maxArea);

}  // namespace zv::detail
