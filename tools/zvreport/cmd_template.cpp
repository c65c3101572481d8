// `zvreport dump FILE.zvf` prints a template as text; `zvreport resave IN OUT` writes it back as version 29.
#include <string>
#include <vector>

#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Report.h"
#include "tools/zvreport/Command.h"

namespace {

// Loads a template file by the report's rules. Message boxes go to stderr; an error box means
// the load failed (the report then holds one empty page) and gives exit code 1.
int LoadTemplate(const std::string& path, zv::TzvReport& report)
{
    zv::HeadlessUi ui;
    zv::SetUi(&ui);
    struct Restore {
        ~Restore() { zv::SetUi(nullptr); }
    } restore;
    report.LoadFromFile(path);
    int rc = 0;
    for (const auto& m : ui.messages) {
        zvtool::PrintError(m.text);
        if ((m.flags & 0xF0) == zv::MB_ICONERROR) rc = 1;
    }
    return rc;
}

int DumpTemplateFile(const std::vector<std::string>& args)
{
    zv::TzvReport report;
    report.setName("zvReport");
    if (int rc = LoadTemplate(args.at(0), report)) return rc;
    std::string text = zv::DumpTemplate(report);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    zvtool::Print(text);
    return 0;
}

int Resave(const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        zvtool::PrintError("usage: zvreport resave IN.zvf OUT.zvf");
        return 2;
    }
    zv::TzvReport report;
    report.setName("zvReport");
    if (int rc = LoadTemplate(args[0], report)) return rc;
    zv::SaveFileAtomically(args[1], [&report](zv::Stream& s) { report.SaveToStream(s); });
    return 0;
}

const zvtool::DumpRegistrar dumpTemplate({".zvf", DumpTemplateFile});
const zvtool::CommandRegistrar resaveCommand({"resave", "IN.zvf OUT.zvf  (load a template, write it as version 29)",
                                              Resave});

}  // namespace
