// The registry of page document writers.
#include "platform/device/PageWriter.h"

#include <algorithm>

#include "platform/base/Text.h"

namespace zv {
namespace {
std::vector<PageWriterInfo>& Registry()
{
    static std::vector<PageWriterInfo> writers;
    return writers;
}
}  // namespace

void RegisterPageWriter(PageWriterInfo info)
{
    auto& r = Registry();
    for (PageWriterInfo& w : r)
        if (SameText(w.kind, info.kind)) {
            w = std::move(info);
            return;
        }
    r.push_back(std::move(info));
}

void UnregisterPageWriter(std::string_view kind)
{
    auto& r = Registry();
    r.erase(std::remove_if(r.begin(), r.end(), [&](const PageWriterInfo& w) { return SameText(w.kind, kind); }),
            r.end());
}

const std::vector<PageWriterInfo>& PageWriters() { return Registry(); }

const PageWriterInfo* FindPageWriter(std::string_view kind)
{
    for (const PageWriterInfo& w : Registry())
        if (SameText(w.kind, kind)) return &w;
    return nullptr;
}

}  // namespace zv
