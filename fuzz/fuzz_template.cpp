// Fuzz target of the template reader: any bytes load or fail cleanly, and what loads writes back
// and reads again to the same content.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/Stream.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Report.h"

namespace {

// Lists the writer can store unchanged: at most 65535 lines of at most 1024 bytes.
bool Storable(const std::vector<std::string>& lines)
{
    if (lines.size() > 0xFFFF) return false;
    for (const auto& l : lines)
        if (l.size() > zv::kMaxStoredLine) return false;
    return true;
}

bool StorableTemplate(const zv::TzvReport& r)
{
    if (!Storable(r.Variables)) return false;
    for (int p = 0; p < r.Pages.Count(); ++p)
        for (const auto& v : r.Pages[p].Objects) {
            if (!Storable(v->Lines) || v->FormatText.size() > zv::kMaxStoredLine) return false;
            if (auto* m = dynamic_cast<const zv::TzvMemoView*>(v.get()))
                if (m->TextFont.name.size() > zv::kMaxStoredLine || m->HighlightExpr.size() > zv::kMaxStoredLine)
                    return false;
        }
    return true;
}

std::string WithoutVersion(const std::string& dump) { return dump.substr(dump.find('\n')); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static zv::TzvReport* first = new zv::TzvReport();
    zv::DefaultHeadlessUi().messages.clear();
    static const uint8_t none = 0;
    zv::ReadOnlyMemoryStream in(size ? data : &none, size);
    first->LoadFromStream(in);
    if (first->Pages.Count() < 1) std::abort();
    if (!StorableTemplate(*first)) return 0;

    const std::string dump = WithoutVersion(zv::DumpTemplate(*first));
    zv::MemoryStream out;
    first->SaveToStream(out);
    out.setPosition(0);
    zv::TzvReport second;
    second.LoadFromStream(out);
    if (WithoutVersion(zv::DumpTemplate(second)) != dump) {
        std::fprintf(stderr, "round trip changed the template\n%s\n----\n%s\n", dump.c_str(),
                     zv::DumpTemplate(second).c_str());
        std::abort();
    }
    zv::DefaultHeadlessUi().messages.clear();
    return 0;
}
