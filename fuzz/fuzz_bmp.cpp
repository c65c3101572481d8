// Fuzz target of the BMP/DIB decoder: files, packed DIBs and split info/bits, with an encode round trip.
#include <cstdint>
#include <cstdlib>

#include "platform/base/Error.h"
#include "platform/draw/Dib.h"

namespace {

// Small enough that each input runs fast; large pictures are covered by the area checks.
constexpr uint64_t kFuzzArea = uint64_t(1) << 16;

// Whatever decodes must survive our own encoder and come back identical.
void CheckRoundTrip(const zv::Bitmap& bmp)
{
    std::vector<uint8_t> file = zv::EncodeBmp(bmp);
    zv::Bitmap back = zv::DecodeBmp(file.data(), file.size(), kFuzzArea);
    if (back.width != bmp.width || back.height != bmp.height || back.pixels.size() != bmp.pixels.size()) std::abort();
    for (size_t i = 0; i < bmp.pixels.size(); ++i) {
        uint32_t a = bmp.pixels[i], b = back.pixels[i];
        if (!bmp.hasAlpha) a |= 0xFF000000;
        if (a != b) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        zv::Bitmap bmp = zv::DecodeBmp(data, size, kFuzzArea);
        if (static_cast<uint64_t>(bmp.width) * bmp.height <= 4096) CheckRoundTrip(bmp);
    } catch (const zv::Exception&) {}
    try {
        zv::DecodePackedDib(data, size, kFuzzArea);
    } catch (const zv::Exception&) {}
    // Info and bits in separate buffers, as metafile records keep them: the first byte says
    // where the split is.
    if (size > 1) {
        size_t split = 1 + static_cast<size_t>(data[0]) * 4;
        if (split > size) split = size;
        try {
            zv::DecodeDib(data + 1, split - 1, data + split, size - split, kFuzzArea);
        } catch (const zv::Exception&) {}
    }
    return 0;
}
