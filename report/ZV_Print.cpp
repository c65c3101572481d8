// The print driver: prepared pages to the platform printer, with paper changes between sheets.
#include <algorithm>
#include <memory>
#include <string>

#include "platform/base/Numeric.h"
#include "platform/device/Printer.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Const.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"

namespace zv {

using namespace pageinfo;  // PageInfo entries by name

namespace {

// Clears the printing flag, frees the rendering preview and gives the page line back to the
// preparation whatever way the job ends.
struct JobGuard {
    std::unique_ptr<TzvPreview> preview;
    TzvReport* savedPreparing = PrepareState().PreparingReport;
    ~JobGuard()
    {
        SetPrinting(false);
        preview.reset();
        PrepareState().PreparingReport = savedPreparing;
    }
};

bool SamePaperAs(const TPrinterSettings& prn, const TzvEMFPage& page)
{
    return prn.SamePaper(page.PaperSize, page.PaperWidth, page.Orientation, page.PaperHeight);
}

// The page's geometry for the printer: its paper in page units and, from the printer, the
// offsets and the size in printer pixels.
void FillPrinterGeometry(const TPrinterSettings& prn, Printer& printer, PageInfo& info)
{
    prn.FillPageInfo(info);
    info[kOffsetX] = printer.PhysicalOffsetX();
    info[kOffsetY] = printer.PhysicalOffsetY();
    info[kPrinterWidth] = Round32(static_cast<double>(info[kPageWidth]) * printer.PixelsPerInchX() / 96.0);
    info[kPrinterHeight] = Round32(static_cast<double>(info[kPageHeight]) * printer.PixelsPerInchY() / 96.0);
}

void RunPrintJob(TzvReport& report)
{
    TPrinterSettings& prn = Prn();
    Printer* printer = prn.PlatformPrinter;
    JobGuard guard;
    // The page line of a print job has no "di n" of a two-pass preparation.
    PrepareState().PreparingReport = nullptr;
    bool docOpen = false;
    try {
        const TzvPreviewClass& previewClass = PreviewClass();
        if (!previewClass) return;
        guard.preview.reset(previewClass.Create());
        if (!guard.preview || !printer) return;
        TzvPreview& preview = *guard.preview;
        preview.Report = &report;

        prn.SelectPrinter(printer->PrinterIndex());
        SetPrinting(true);
        if (report.OnBeforePrint) {
            bool proceed = true;
            report.OnBeforePrint(proceed);
            if (!proceed) return;
        }
        zvState().CurrentReport = &report;
        prn.AttachPrinter(printer);

        TzvEMFPages& pages = report.EMFPages;
        const int32_t count = pages.Count();
        if (count == 0) return;  // nothing prepared: no document
        const TzvReport::PrintRequest& req = report.LastPrint;
        const int32_t first = std::max(req.From, 1) - 1;
        int32_t last = req.To - 1;
        if (last >= count) last = count - 1;
        const int32_t n = last - first + 1;
        const int32_t copies = req.Copies;

        // The paper of the range's first page goes into the device before the document begins
        // (so no blank document is started on another paper), even when the settings hold it
        // already, since the device came back with the driver's defaults.
        TzvEMFPage& firstPage = pages.Pages(first < count ? first : 0);
        if (SamePaperAs(prn, firstPage))
            prn.ApplyPaper();
        else
            prn.SetPaper(firstPage.PaperSize, firstPage.PaperWidth, firstPage.Orientation, firstPage.PaperHeight);
        FillPrinterGeometry(prn, *printer, firstPage.Info);

        if (n <= 0 || copies <= 0) {
            if (report.OnAfterPrint) report.OnAfterPrint();
            return;
        }
        const std::string title =
            std::string(kPrintJobTitle) + (report.Title.empty() ? std::string(kPrintJobNoName) : report.Title);
        try {
            printer->BeginDoc(title);
        } catch (const std::exception&) {
            // Nothing was printed: the user hears of it instead of finding no output.
            const std::string name = printer->TargetName();
            Ui().messageBox(std::string(kPrintCannotStart) + "\"" + (name.empty() ? kDefaultPrinterName : name) + "\".",
                            kCaptionError, MB_OK | MB_ICONERROR);
            return;
        }
        docOpen = true;
        bool firstSheet = true;

        auto printPage = [&](int32_t i) {
            TzvEMFPage& page = pages.Pages(i);
            if (!SamePaperAs(prn, page)) {
                if (printer->ChangesPaperWithinDocument()) {
                    prn.SetPaper(page.PaperSize, page.PaperWidth, page.Orientation, page.PaperHeight);
                    printer->NewPage();
                } else {
                    printer->EndDoc();
                    docOpen = false;
                    prn.SetPaper(page.PaperSize, page.PaperWidth, page.Orientation, page.PaperHeight);
                    printer->BeginDoc(title);
                    docOpen = true;
                }
            } else if (!firstSheet) {
                printer->NewPage();
            }
            FillPrinterGeometry(prn, *printer, page.Info);
            const PageInfo& e = page.Info;
            const Rect sheet{-e[kOffsetX], -e[kOffsetY], e[kPrinterWidth] - e[kOffsetX],
                             e[kPrinterHeight] - e[kOffsetY]};
            preview.DrawPage(printer->PageCanvas(), i, sheet);
            report.Progress(i + 1);
            Ui().processMessages();
            firstSheet = false;
        };
        // After each sheet: the share done, then a cancel ends the job with the document aborted.
        auto afterSheet = [&](int64_t done) {
            if (report.OnProgress)
                report.OnProgress(static_cast<int32_t>(done * 100 / (static_cast<int64_t>(copies) * n)));
            if (!report.Terminated) return true;
            docOpen = false;
            printer->Abort();
            return false;
        };

        if (!req.Collate) {
            for (int32_t k = 0; k < n; ++k)
                for (int32_t c = 0; c < copies; ++c) {
                    printPage(first + k);
                    if (!afterSheet(c + static_cast<int64_t>(copies) * k + 1)) return;
                }
        } else {
            for (int32_t c = 0; c < copies; ++c)
                for (int32_t k = 0; k < n; ++k) {
                    printPage(first + k);
                    if (!afterSheet(k + static_cast<int64_t>(c) * n + 1)) return;
                }
        }
        printer->EndDoc();
        docOpen = false;
        if (report.OnAfterPrint) report.OnAfterPrint();
    } catch (...) {
        // A failure while printing (ending a document included) discards the document and is
        // not passed on.
        if (docOpen) {
            try {
                printer->Abort();
            } catch (...) {}
        }
    }
}

}  // namespace

void TzvReport::PrintPreparedReport(int32_t from, int32_t to, bool collate, int32_t copies)
{
    Terminated = false;
    LastPrint = {from, to, collate, copies};
    TzvProgressWindow* window = ProgressWindow();
    if (OnProgress || !ShowProgress || !window) {
        Ui().processMessages();
        RunPrintJob(*this);
    } else {
        std::string caption = kPrintProgressCaption;
        if (!Title.empty()) caption += " - " + Title;
        window->SetCaption(caption);
        window->Prefix = kPrintProgressPrefix;
        window->SetLabelText(kPrintProgressPrefix);
        Ui().processMessages();
        window->Show(this, [this, window] {
            RunPrintJob(*this);
            window->Close(false);
        });
    }
    Terminated = false;
}

}  // namespace zv
