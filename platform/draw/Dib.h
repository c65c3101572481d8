// BMP files and device-independent bitmaps: decoding into Bitmap, encoding 24/32-bit files and packed DIBs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/draw/Graphics.h"

namespace zv {

// Largest picture area (pixels) any decoder accepts unless told otherwise: 2^26 pixels are
// 256 MiB of 32-bit pixels. Decoders refuse larger pictures before allocating anything.
constexpr uint64_t kMaxPictureArea = uint64_t(1) << 26;

// Messages of the bitmap decoder and encoder.
inline constexpr const char kBitmapInvalidMessage[] = "Bitmap image is not valid";
inline constexpr const char kBitmapTooLargeMessage[] = "Bitmap image is too large";
inline constexpr const char kBitmapUnsupportedMessage[] = "Bitmap format is not supported";
inline constexpr const char kBitmapEmptyMessage[] = "Bitmap image is empty";

// Decodes a BMP file (file header, info header, optional masks and palette, bits). Reads
// BITMAPCOREHEADER, BITMAPINFOHEADER, OS/2 2.x and the V2-V5 headers; 1, 2, 4, 8, 16, 24 and
// 32 bits per pixel; BI_RGB, BI_RLE4, BI_RLE8, BI_BITFIELDS, BI_ALPHABITFIELDS; bottom-up and
// top-down. The result is top-down 0xAARRGGBB; hasAlpha is set only when the header carries an
// alpha mask. Anything malformed throws Exception with one of the messages above.
Bitmap DecodeBmp(const uint8_t* data, size_t size, uint64_t maxArea = kMaxPictureArea);

// Decodes a DIB whose BITMAPINFO (header, masks, palette) and bits lie in separate buffers,
// as metafile records keep them.
Bitmap DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                 uint64_t maxArea = kMaxPictureArea);

// Decodes a packed DIB: BITMAPINFO immediately followed by the bits in one buffer.
Bitmap DecodePackedDib(const uint8_t* data, size_t size, uint64_t maxArea = kMaxPictureArea);

// Encodes a BMP file, bottom-up, uncompressed. bitCount 24 writes BITMAPINFOHEADER + BGR;
// 32 writes a BITMAPV5HEADER with BI_BITFIELDS and an alpha mask; 0 picks 32 when the bitmap
// has alpha, else 24. An empty bitmap throws kBitmapEmptyMessage.
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap, int bitCount = 0);

// A packed 32-bit BI_RGB DIB: a BITMAPINFOHEADER of kPackedDibHeaderSize bytes (positive
// height, no palette) followed by width * height * 4 bytes of bottom-up BGRA bits.
constexpr size_t kPackedDibHeaderSize = 40;
std::vector<uint8_t> EncodePackedDib(const Bitmap& bitmap);

}  // namespace zv
