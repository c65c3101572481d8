// Export of prepared pages: replays each page, collects its text records and hands them to the filter.
#include "report/ZV_Export.h"

#include <cstdio>
#include <map>
#include <memory>

#include "platform/emf/EmfPlayer.h"
#include "platform/base/Stream.h"
#include "platform/device/UiServices.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"

namespace zv {
namespace {

struct CapturedText {
    int32_t x, y;
    Font font;
    std::string text;
};

// y then x, each left-padded with "0" to 10 characters: the order texts are exported in.
std::string SortKey(int32_t y, int32_t x)
{
    char key[32];
    std::snprintf(key, sizeof key, "%010d%010d", y, x);
    return key;
}

void ExportPage(const TzvEMFPage& page, TzvExportFilter& filter)
{
    filter.OnBeginPage(page.Picture.width(), page.Picture.height());
    std::map<std::string, CapturedText> texts;  // sorted by key; the first text of a key is kept
    // The records are replayed without a target canvas: the player keeps the device state (font,
    // text colour) current, which is all the capture needs.
    EmfPlayer player(page.Picture, nullptr, page.Picture.frameInPixels());
    player.run([&](const EmfRecordInfo& r, EmfPlayer& p) {
        if (r.isText) {
            CapturedText t{r.reference.x, r.reference.y, r.font, r.text};
            Font current = p.currentFont();
            t.font.name = current.name;
            t.font.height = current.height;
            t.font.style = current.style & (fsBold | fsItalic | fsUnderline);
            t.font.color = p.textColor();
            texts.emplace(SortKey(t.y, t.x), std::move(t));
        }
        return EmfAction::Play;
    });
    for (const auto& [key, t] : texts) filter.OnText(t.x, t.y, t.font, t.text);
    filter.OnEndPage();
}

}  // namespace

void ExportPages(TzvReport& report, const TzvExportFilterInfo& info, const std::string& fileName,
                 TzvExportProgress* progress)
{
    FileStream stream(fileName, FileMode::Create);
    std::unique_ptr<TzvExportFilter> filter = info.FilterClass(stream);
    if (!filter) return;
    filter->Report = &report;
    filter->FileName = fileName;
    if (!filter->Setup()) return;
    if (report.EMFPages.Count() == 0) report.PrepareReport();

    TzvEMFPages& pages = report.EMFPages;
    if (progress) progress->Start(info.Description, pages.Count());
    for (int i = 0; i < pages.Count(); ++i) {
        if (progress && progress->Cancelled()) break;
        ExportPage(pages.Pages(i), *filter);
        if (progress) progress->SetPosition(i + 1);
        Ui().processMessages();
    }
    filter->OnEndDoc();
    if (progress) progress->Finish();
}

}  // namespace zv
