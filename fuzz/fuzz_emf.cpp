// Fuzz target for the metafile reader and player: any input is refused or played; what a valid
// input plays into the recorder must itself be a valid metafile.
#include <cstdint>
#include <vector>

#include "platform/base/Error.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<zv::EmfFile> f;
    try {
        f = std::make_unique<zv::EmfFile>(std::vector<uint8_t>(data, data + size));
    } catch (const zv::Exception&) {
        return 0;
    }
    size_t texts = 0;
    zv::EnumerateEmf(*f, [&](const zv::EmfRecordInfo& r) {
        texts += r.text.size();
        return zv::EmfAction::Play;
    });
    zv::EmfRecorder rec(200, 150);
    zv::PlayEmf(*f, rec, {0, 0, 200, 150});
    zv::EmfFile again(rec.finish());  // throws, and so fails the run, if the recorder wrote garbage
    return texts == SIZE_MAX ? 1 : 0;
}
