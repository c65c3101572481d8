// Fuzz target of the icon reader and of picture sniffing with the graphic classes.
#include <cstdint>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "platform/draw/Graphic.h"
#include "platform/draw/Icon.h"

namespace {
constexpr uint64_t kFuzzArea = uint64_t(1) << 16;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        zv::DecodeIcon(data, size, kFuzzArea);
    } catch (const zv::Exception&) {}
    // An icon blob (with or without the 8-byte header) through the graphic class; bitmaps and
    // JPEGs have targets of their own.
    try {
        if (zv::SniffPicture(data, size).kind != zv::PictureKind::Icon) return 0;
        if (auto g = zv::LoadGraphicFromBlob(data, size)) {
            zv::MemoryStream out;
            g->saveToStream(out);
        }
    } catch (const zv::Exception&) {}
    return 0;
}
