// Fuzz target for the prepared-report reader: any input is refused or loaded, and what loads
// saves and loads again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zv::TemplateVersionGuard version(29);
    zv::TzvEMFPages pages;
    try {
        zv::ReadOnlyMemoryStream in(data, size);
        pages.LoadFromStream(in);
    } catch (const zv::Exception&) {
        return 0;
    }
    zv::MemoryStream first;
    pages.SaveToStream(first);
    zv::TzvEMFPages again;
    zv::MemoryStream in(first.data());
    again.LoadFromStream(in);
    zv::MemoryStream second;
    again.SaveToStream(second);
    if (first.data() != second.data()) std::abort();
    return 0;
}
