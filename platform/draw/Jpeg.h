// JPEG decoding and encoding through libjpeg, with errors turned into exceptions and sizes capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/draw/Dib.h"
#include "platform/draw/Graphics.h"

namespace zv {

// A libjpeg failure throws Exception(kJpegErrorPrefix + libjpeg's own message).
inline constexpr const char kJpegErrorPrefix[] = "JPEG error: ";
inline constexpr const char kJpegTooLargeMessage[] = "JPEG image is too large";
inline constexpr const char kJpegTooManyScansMessage[] = "JPEG image has too many scans";
inline constexpr const char kJpegEmptyMessage[] = "JPEG image is empty";

// Progressive files with more scans than this are refused: each scan re-walks the whole
// coefficient buffer, so a small file of many scans could otherwise take minutes.
constexpr int kJpegMaxScans = 500;

struct JpegInfo {
    int32_t width = 0;
    int32_t height = 0;
    int components = 0;  // 1 grey, 3 YCbCr/RGB, 4 CMYK/YCCK
    bool progressive = false;
};

// Reads the header only.
JpegInfo ReadJpegInfo(const uint8_t* data, size_t size);

// Decodes greyscale, YCbCr/RGB and CMYK/YCCK (Adobe-inverted or plain) files into an opaque
// top-down bitmap. The area is checked against maxArea before any pixel buffer is allocated,
// and libjpeg's own working memory is capped in proportion. A file cut short decodes with the
// missing part grey, as libjpeg recovers it.
Bitmap DecodeJpeg(const uint8_t* data, size_t size, uint64_t maxArea = kMaxPictureArea);

struct JpegEncodeOptions {
    int quality = 90;  // 1..100
    bool grayscale = false;
    bool progressive = false;
};

// Encodes the colour channels of the bitmap (alpha is dropped) as a baseline or progressive
// JFIF file at 96 dots per inch.
std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const JpegEncodeOptions& options = {});

}  // namespace zv
