// Fuzz target of the JPEG decoder (header reading and full decoding through libjpeg).
#include <cstdint>
#include <cstdlib>

#include "platform/base/Error.h"
#include "platform/draw/Jpeg.h"

namespace {
constexpr uint64_t kFuzzArea = uint64_t(1) << 16;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        zv::JpegInfo info = zv::ReadJpegInfo(data, size);
        zv::Bitmap bmp = zv::DecodeJpeg(data, size, kFuzzArea);
        if (bmp.width != info.width || bmp.height != info.height) std::abort();
        // Touch every pixel so the sanitizers see uninitialised or stray output.
        uint32_t sum = 0;
        for (uint32_t p : bmp.pixels) sum += p;
        if (sum == 1) std::abort();  // never true in practice; keeps the loop from being removed
    } catch (const zv::Exception&) {}
    return 0;
}
