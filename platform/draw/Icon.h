// Icon files (.ico): directory reading and decoding of the largest image into a Bitmap with alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/draw/Dib.h"
#include "platform/draw/Graphics.h"

namespace zv {

inline constexpr const char kIconInvalidMessage[] = "Icon image is not valid";
inline constexpr const char kIconPngMessage[] = "PNG-compressed icons are not supported";

struct IconEntry {
    int32_t width = 0;  // from the image's own header (the directory's byte says 0 for 256)
    int32_t height = 0;
    int bitCount = 0;
    bool png = false;     // PNG-compressed image: listed, never decoded
    uint32_t offset = 0;  // of the image data in the file
    uint32_t size = 0;
};

// Reads and checks the directory: reserved 0, type 1, at least one entry, every entry's data
// within the file and starting with a DIB header or a PNG signature.
std::vector<IconEntry> ReadIconDirectory(const uint8_t* data, size_t size);

// Index of the entry that DecodeIcon draws: the largest DIB entry, the deeper one on a tie.
// Throws kIconPngMessage when every entry is PNG-compressed.
size_t ChooseIconEntry(const std::vector<IconEntry>& entries);

// Decodes the chosen entry: the colour (XOR) bitmap with the AND mask turned into alpha, or the
// alpha channel of a 32-bit image when it has one. The result always has hasAlpha set.
Bitmap DecodeIcon(const uint8_t* data, size_t size, uint64_t maxArea = kMaxPictureArea);

}  // namespace zv
