// Export of prepared pages: replays each page, collects its text records and hands them to the filter.
#include "report/ZV_Export.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/device/UiServices.h"
#include "platform/emf/EmfPlayer.h"
#include "report/ZV_Const.h"
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

// Closes the progress window however the export ends.
struct ProgressCloser {
    TzvExportProgress* progress;
    ~ProgressCloser()
    {
        if (progress) progress->Finish();
    }
};

}  // namespace

void ExportPages(TzvReport& report, const TzvExportFilterInfo& info, const std::string& fileName,
                 TzvExportProgress* progress)
{
    PendingFile file(fileName);
    std::unique_ptr<TzvExportFilter> filter = info.FilterClass(file.stream());
    if (!filter) return;
    filter->Report = &report;
    filter->FileName = fileName;
    if (!filter->Setup()) return;
    if (report.EMFPages.Count() == 0) report.PrepareReport();

    TzvEMFPages& pages = report.EMFPages;
    if (progress) progress->Start(info.Description, pages.Count());
    ProgressCloser closer{progress};
    for (int i = 0; i < pages.Count(); ++i) {
        if (progress && progress->Cancelled()) break;
        ExportPage(pages.Pages(i), *filter);
        if (progress) progress->SetPosition(i + 1);
        Ui().processMessages();
    }
    const bool cancelled = progress && progress->Cancelled();
    filter->OnEndDoc();
    if (!cancelled) file.commit();
}

std::vector<std::string> DocumentFileNames(const PageWriterInfo& kind, const std::string& fileName, int first, int last)
{
    if (first < 1 || last < first) return {};
    if (kind.pagesPerFile != 1 || first == last) return {fileName};
    // name.ext -> name-007.ext; the extension is the part after the last dot of the file name.
    const std::string ext = ExtractFileExt(fileName);
    const std::string stem = fileName.substr(0, fileName.size() - ext.size());
    const size_t width = std::to_string(last).size();
    std::vector<std::string> names;
    for (int n = first; n <= last; ++n) {
        std::string number = std::to_string(n);
        names.push_back(stem + "-" + std::string(width - number.size(), '0') + number + ext);
    }
    return names;
}

bool ExportDocument(TzvEMFPages& pages, const PageWriterInfo& kind, const std::string& fileName,
                    const DocumentProperties& properties, const TzvDocumentOptions& options,
                    TzvExportProgress* progress)
{
    if (pages.Count() == 0) throw Exception(kNoPreparedPages);
    const int first = options.FirstPage,
              last = options.LastPage <= 0 ? pages.Count() : std::min(options.LastPage, pages.Count());
    if (first < 1 || first > last) throw Exception("No page " + std::to_string(first));
    if (!kind.make) throw Exception("No writer for " + kind.kind);
    DocumentProperties props = properties;
    props.dpi = options.Dpi;
    const std::vector<std::string> names = DocumentFileNames(kind, fileName, first, last);
    const bool filePerPage = names.size() > 1;

    // Every file is written beside its target and renamed only when all are complete, so that a
    // cancel or an error part way leaves the old files untouched and no half-written one.
    std::vector<PendingFile> files;
    files.reserve(names.size());
    std::unique_ptr<PageDocumentWriter> writer;
    auto open = [&](const std::string& name) {
        files.emplace_back(name);
        writer = kind.make();
        writer->begin(files.back().stream(), props);
    };
    if (progress) progress->Start(kind.description, last - first + 1);
    ProgressCloser closer{progress};
    if (!filePerPage) open(names[0]);
    for (int n = first; n <= last; ++n) {
        if (progress && progress->Cancelled()) return false;
        if (filePerPage) open(names[static_cast<size_t>(n - first)]);
        const TzvEMFPage& p = pages.Pages(n - 1);
        writer->addPage({&p.Picture, p.PaperWidth, p.PaperHeight, p.Orientation});
        if (filePerPage) {
            writer->end();
            files.back().close();
        }
        if (progress) progress->SetPosition(n - first + 1);
        Ui().processMessages();
    }
    if (progress && progress->Cancelled()) return false;
    if (!filePerPage) writer->end();
    for (PendingFile& f : files) f.commit();
    return true;
}

bool ExportDocument(TzvReport& report, const PageWriterInfo& kind, const std::string& fileName,
                    const TzvDocumentOptions& options, TzvExportProgress* progress)
{
    if (report.EMFPages.Count() == 0) report.PrepareReport();
    DocumentProperties props;
    props.title = report.Title;
    return ExportDocument(report.EMFPages, kind, fileName, props, options, progress);
}

bool PrepareAndExportDocument(TzvReport& report, const PageWriterInfo& kind, const std::string& fileName,
                              const TzvDocumentOptions& options, TzvExportProgress* progress)
{
    auto prepared = [&report] { return report.PrepareReport() && !zvState().ErrorFlag && report.EMFPages.Count() > 0; };
    if (kind.pagesPerFile == 1 || report.InterleavePages != 0 || options.FirstPage != 1 || options.LastPage != 0) {
        if (!prepared()) return false;
        return ExportDocument(report, kind, fileName, options, progress);
    }
    if (!kind.make) throw Exception("No writer for " + kind.kind);
    PendingFile file(fileName);
    std::unique_ptr<PageDocumentWriter> writer = kind.make();
    DocumentProperties props;
    props.title = report.Title;
    props.dpi = options.Dpi;
    writer->begin(file.stream(), props);
    if (progress) progress->Start(kind.description, 0);
    int written = 0;
    report.EMFPages.SetPageSink([&](const TzvEMFPage& p) {
        if (report.Terminated) return;  // cancelled or failed: nothing more is written
        writer->addPage({&p.Picture, p.PaperWidth, p.PaperHeight, p.Orientation});
        if (!progress) return;
        progress->SetPosition(++written);
        if (progress->Cancelled()) report.Terminated = true;
    });
    ProgressCloser closer{progress};
    struct Unset {
        TzvEMFPages& pages;
        ~Unset() { pages.SetPageSink(nullptr); }
    } unset{report.EMFPages};
    if (!prepared() || report.EMFPages.Passed() != report.EMFPages.Count()) return false;
    writer->end();
    file.commit();
    return true;
}

}  // namespace zv
