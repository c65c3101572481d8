// Printing prepared pages: sheet order and progress, geometry, paper changes between documents,
// the device settings, the events, cancel and failures, the progress window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Init.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "tests/support/RecordingPrinter.h"
#include "tests/support/RecordingProgressWindow.h"

namespace {
using namespace zv;

// Renders pages for the print job; by default it writes which page went where, so that the
// recorded sheets tell the order. With playMetafile it draws the real page through the base.
struct PrintPreview : TzvPreview {
    static inline int made = 0, freed = 0;
    static inline bool playMetafile = false;
    static inline std::vector<Rect> rects;

    PrintPreview() { ++made; }
    ~PrintPreview() override { ++freed; }
    void SetCaption(const std::string&) override {}
    std::string Caption() const override { return {}; }
    bool IsVisible() const override { return false; }
    void ClosePreview() override {}
    void ShowModalMaximized() override {}
    void ShowStayOnTopMaximized() override {}
    void DrawPage(Canvas& canvas, int pageIndex, const Rect& rect) override
    {
        rects.push_back(rect);
        if (playMetafile)
            TzvPreview::DrawPage(canvas, pageIndex, rect);
        else
            canvas.textOut(rect.left, rect.top, "page " + std::to_string(pageIndex + 1));
    }
};

using FakeProgress = zvtest::RecordingProgressWindow;

struct Paper {
    int32_t code, width, height;
    uint8_t orientation;
};
constexpr Paper kA4{kPaperA4, 2100, 2970, 0};
constexpr Paper kA5{11, 1480, 2100, 0};

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitReportLibrary();
        RegisterPreviewClass({"TPrintPreview", [] { return new PrintPreview(); }});
        PrintPreview::made = PrintPreview::freed = 0;
        PrintPreview::playMetafile = false;
        PrintPreview::rects.clear();
        SetProgressWindow(nullptr);
        SetPrinting(false);
        Prn().SetPaper(kPaperA4, 0, 0, 0);
        Prn().SetPlatformPrinter(&printer);
    }
    void TearDown() override
    {
        Prn().SetPlatformPrinter(nullptr);
        SetProgressWindow(nullptr);
    }

    // Prepared pages on the given papers, each with its number written at (100, 200).
    void Prepare(const std::vector<Paper>& papers)
    {
        report.EMFPages.Clear();
        for (size_t i = 0; i < papers.size(); ++i) {
            TzvPage design;
            design.ChangePaper(papers[i].code, papers[i].width, papers[i].height, papers[i].orientation);
            EmfRecorder& canvas = report.EMFPages.Add(design);
            canvas.textOut(100, 200, "Pagina" + std::to_string(i + 1));
            report.EMFPages.FinishPage(static_cast<int>(i));
        }
    }

    // The first drawing line of every printed sheet, over all finished documents.
    std::vector<std::string> SheetsPrinted() const
    {
        std::vector<std::string> out;
        for (const RecordingPrinter::Document* d : printer.Finished())
            for (const RecordingPrinter::Sheet& s : d->Sheets)
                out.push_back(s.Lines.empty() ? "blank" : UpToText(s.Lines.front()));
        return out;
    }
    // A trace line up to the end of its quoted text.
    static std::string UpToText(const std::string& line)
    {
        const size_t open = line.find('\'');
        const size_t close = open == std::string::npos ? open : line.find('\'', open + 1);
        return close == std::string::npos ? line : line.substr(0, close + 1);
    }
    static std::string Drawn(int page, int32_t x = 0, int32_t y = 0)
    {
        return "text " + std::to_string(x) + "," + std::to_string(y) + " 'page " + std::to_string(page) + "'";
    }

    RecordingPrinter printer;
    TzvReport report;
};

TEST_F(PrintTest, SheetOrderAndProgressFollowTheCollateFlag)
{
    struct Case {
        bool collate;
        std::vector<int> order;
        std::vector<int32_t> progress;
    } cases[] = {
        {false, {2, 2, 3, 3}, {2, 25, 2, 50, 3, 75, 3, 100}},
        {true, {2, 3, 2, 3}, {2, 25, 3, 50, 2, 75, 3, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.collate ? "collated" : "not collated");
        printer = RecordingPrinter();
        Prepare({kA4, kA4, kA4, kA4});
        std::vector<int32_t> progress;
        report.OnProgress = [&](int32_t n) { progress.push_back(n); };
        int after = 0;
        report.OnAfterPrint = [&] { ++after; };
        report.PrintPreparedReport(2, 3, c.collate, 2);

        std::vector<std::string> expected;
        for (int p : c.order) expected.push_back(Drawn(p));
        EXPECT_EQ(SheetsPrinted(), expected);
        EXPECT_EQ(progress, c.progress);
        ASSERT_EQ(printer.documents.size(), 1u);
        EXPECT_EQ(printer.documents[0].Title, "ZelvoReport- Nessun nome");
        EXPECT_EQ(after, 1);
        EXPECT_EQ(report.LastPrint.From, 2);
        EXPECT_EQ(report.LastPrint.Copies, 2);
        EXPECT_FALSE(IsPrinting());
    }
    // One preview made and freed per job.
    EXPECT_EQ(PrintPreview::made, 2);
    EXPECT_EQ(PrintPreview::freed, 2);
}

TEST_F(PrintTest, JobTitleAndRangeCutToTheLastPage)
{
    Prepare({kA4, kA4, kA4});
    report.Title = "Clienti";
    report.PrintPreparedReport(2, 99, false, 1);
    EXPECT_EQ(SheetsPrinted(), (std::vector<std::string>{Drawn(2), Drawn(3)}));
    EXPECT_EQ(printer.documents.at(0).Title, "ZelvoReport- Clienti");
    // The sheets of one document: begun once, a new page between sheets, ended once.
    std::vector<std::string> docCalls;
    for (const std::string& c : printer.calls)
        if (c.rfind("begin", 0) == 0 || c == "newPage" || c == "end" || c == "abort") docCalls.push_back(c);
    EXPECT_EQ(docCalls, (std::vector<std::string>{"begin ZelvoReport- Clienti", "newPage", "end"}));
}

TEST_F(PrintTest, SheetGeometryAtThePrinterResolution)
{
    Prepare({kA4, {kPaperA4, 2100, 2970, 1}});
    printer.PpiX = printer.PpiY = 600;
    printer.OffsetX = 50;
    printer.OffsetY = 60;
    report.PrintPreparedReport(1, 1, false, 1);
    const PageInfo& e = report.EMFPages.Pages(0).Info;
    EXPECT_EQ(e[pageinfo::kPageWidth], 793);
    EXPECT_EQ(e[pageinfo::kPageHeight], 1122);
    // 793 x 6.25 = 4956.25; 1122 x 6.25 = 7012.5, whose half goes to the even 7012.
    EXPECT_EQ(e[pageinfo::kPrinterWidth], 4956);
    EXPECT_EQ(e[pageinfo::kPrinterHeight], 7012);
    EXPECT_EQ(e[pageinfo::kOffsetX], 50);
    EXPECT_EQ(e[pageinfo::kOffsetY], 60);
    EXPECT_EQ(e[pageinfo::kPrintableLeft], 18);
    EXPECT_EQ(e[pageinfo::kPrintableHeight], 1122 - 36);
    ASSERT_EQ(PrintPreview::rects.size(), 1u);
    EXPECT_EQ(PrintPreview::rects[0], (Rect{-50, -60, 4906, 6952}));

    // Landscape A4 on a printer with different resolutions across and down: 1122 x 300 / 96 =
    // 3506.25 and 793 x 1200 / 96 = 9912.5, which goes to the even 9912.
    printer.PpiX = 300;
    printer.PpiY = 1200;
    printer.OffsetX = printer.OffsetY = 0;
    report.PrintPreparedReport(2, 2, false, 1);
    const PageInfo& l = report.EMFPages.Pages(1).Info;
    EXPECT_EQ(l[pageinfo::kPageWidth], 1122);
    EXPECT_EQ(l[pageinfo::kPageHeight], 793);
    EXPECT_EQ(l[pageinfo::kPrinterWidth], 3506);
    EXPECT_EQ(l[pageinfo::kPrinterHeight], 9912);
    EXPECT_EQ(PrintPreview::rects.back(), (Rect{0, 0, 3506, 9912}));
}

TEST_F(PrintTest, PaperChangeStartsANewDocument)
{
    // A device that can change paper within a document (a file) keeps every sheet in one.
    struct Case {
        const char* what;
        bool withinDocument;
        std::vector<Paper> papers;
        std::vector<std::vector<int16_t>> documentPapers;  // device paper code of each sheet
    } cases[] = {
        {"alternating, file", true, {kA4, kA5, kA4, kA5}, {{9, 11, 9, 11}}},
        {"orientation alone, file", true, {kA4, {kPaperA4, 2100, 2970, 1}}, {{9, 9}}},
        {"alternating", false, {kA4, kA5, kA4, kA5}, {{9}, {11}, {9}, {11}}},
        {"runs", false, {kA4, kA4, kA5, kA5, kA5}, {{9, 9}, {11, 11, 11}}},
        {"orientation alone", false, {kA4, {kPaperA4, 2100, 2970, 1}}, {{9}, {9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        printer = RecordingPrinter();
        printer.PaperWithinDocument = c.withinDocument;
        Prepare(c.papers);
        report.PrintPreparedReport(1, static_cast<int32_t>(c.papers.size()), false, 1);
        std::vector<std::vector<int16_t>> got;
        for (const RecordingPrinter::Document* d : printer.Finished()) {
            got.emplace_back();
            for (const RecordingPrinter::Sheet& s : d->Sheets) got.back().push_back(s.Settings.PaperSize);
        }
        EXPECT_EQ(got, c.documentPapers);
        EXPECT_EQ(printer.Finished().size(), printer.documents.size());
        EXPECT_EQ(SheetsPrinted().size(), c.papers.size());
    }
    // The landscape sheet went out in landscape.
    EXPECT_EQ(printer.documents.at(1).Sheets.at(0).Settings.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(printer.documents.at(0).Sheets.at(0).Settings.Orientation, DMORIENT_PORTRAIT);
}

TEST_F(PrintTest, FirstPaperReachesTheDeviceEvenWhenTheSettingsHoldIt)
{
    // The settings are on A4 already, the device's default paper is Letter.
    printer.Defaults.PaperSize = printer.Settings.PaperSize = 1;
    Prepare({kA4});
    report.PrintPreparedReport(1, 1, false, 1);
    ASSERT_EQ(printer.documents.size(), 1u);
    EXPECT_EQ(printer.documents[0].Sheets.at(0).Settings.PaperSize, 9);
}

TEST_F(PrintTest, DeviceSettingsWhilePrinting)
{
    TPrinterSettings& prn = Prn();
    // The driver declares paper size and orientation: both go in; a table paper sets no size.
    SetPrinting(true);
    prn.SetPaper(11, 0, 1, 0);
    EXPECT_EQ(printer.calls.back(), "settings fields=3 orient=2 paper=11 length=0 width=0");
    // A custom paper sets its size as well, 16-bit, length from the height.
    prn.SetPaper(kPaperCustom, 1000, 0, 40000);
    EXPECT_EQ(printer.calls.back(), "settings fields=15 orient=1 paper=256 length=32767 width=1000");
    // A driver that declares neither gets only the size of a custom paper, or nothing.
    printer.Defaults.Fields = 0;
    prn.SetPaper(kPaperCustom, 1200, 0, 1500);
    EXPECT_EQ(printer.calls.back(), "settings fields=12 orient=1 paper=256 length=1500 width=1200");
    prn.SetPaper(kPaperA4, 0, 0, 0);
    EXPECT_EQ(printer.calls.back(), "settings fields=0 orient=1 paper=256 length=1500 width=1200");
    // The settings keep the names the device reports.
    EXPECT_EQ(prn.Device, "Recording printer");
    EXPECT_EQ(prn.Port, "rec:");

    // Selecting a printer while printing moves the device there and brings the defaults back.
    printer.Defaults = {DM_PAPERSIZE, DMORIENT_PORTRAIT, 5, 0, 0};
    printer.calls.clear();
    prn.SelectPrinter(0);
    EXPECT_EQ(printer.calls, (std::vector<std::string>{"index 0", "device Recording printer,recdrv,rec:"}));
    EXPECT_EQ(printer.Settings.PaperSize, 5);
    // With no printer listed nothing reaches the device.
    printer.PrinterList.clear();
    printer.calls.clear();
    prn.SelectPrinter(0);
    EXPECT_TRUE(printer.calls.empty());
    SetPrinting(false);

    // Not printing: the device is left alone, the table size applies.
    prn.SetPaper(11, 0, 1, 0);
    EXPECT_TRUE(printer.calls.empty());
    EXPECT_EQ(prn.PaperWidth, 2100);
    EXPECT_EQ(prn.PaperHeight, 1480);
    EXPECT_EQ(prn.PrinterNames, (std::vector<std::string>{kDefaultPrinterName}));
}

TEST_F(PrintTest, BeforePrintCanStopTheJob)
{
    Prepare({kA4, kA4});
    bool printingSeen = false;
    int after = 0;
    report.OnBeforePrint = [&](bool& proceed) {
        printingSeen = IsPrinting();
        proceed = false;
    };
    report.OnAfterPrint = [&] { ++after; };
    report.PrintPreparedReport(1, 2, false, 1);
    EXPECT_TRUE(printingSeen);
    EXPECT_TRUE(printer.documents.empty());
    EXPECT_EQ(after, 0);
    EXPECT_FALSE(IsPrinting());
    EXPECT_EQ(PrintPreview::freed, 1);

    // Continuing prints, and the report is the current one while it does.
    TzvReport* current = nullptr;
    report.OnBeforePrint = [&](bool&) {};
    report.OnProgress = [&](int32_t) { current = zvState().CurrentReport; };
    report.PrintPreparedReport(1, 2, false, 1);
    EXPECT_EQ(current, &report);
    EXPECT_EQ(printer.Finished().size(), 1u);
    EXPECT_EQ(after, 1);
}

TEST_F(PrintTest, CancelAbortsAfterTheCurrentSheet)
{
    Prepare({kA4, kA4, kA4});
    int calls = 0, after = 0;
    report.OnProgress = [&](int32_t) {
        // The third call is the page number of the second sheet: the job stops after that
        // sheet, once its percentage is given.
        if (++calls == 3) report.Terminated = true;
    };
    report.OnAfterPrint = [&] { ++after; };
    report.PrintPreparedReport(1, 3, false, 1);
    ASSERT_EQ(printer.documents.size(), 1u);
    EXPECT_TRUE(printer.documents[0].Aborted);
    EXPECT_FALSE(printer.documents[0].Ended);
    EXPECT_EQ(printer.documents[0].Sheets.size(), 2u);
    EXPECT_EQ(printer.calls.back(), "abort");
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(after, 0);
    EXPECT_FALSE(report.Terminated);
    EXPECT_FALSE(IsPrinting());
}

// Failures inside a document abort it silently; a document that cannot start is told in a box.
TEST_F(PrintTest, FailuresAbortSilentlyButAFailedStartIsShown)
{
    struct Case {
        const char* failingCall;
        size_t documents;
        bool aborted;
        const char* box;
    } cases[] = {
        {"newPage", 1, true, nullptr},                // inside the page loop
        {"begin ZelvoReport- Nessun nome", 0, false,  // before any document
         "Impossibile avviare la stampa su \"Recording printer\"."},
        {"end", 1, true, nullptr},  // closing the document
    };
    HeadlessUi ui;
    SetUi(&ui);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failingCall);
        ui.messages.clear();
        printer = RecordingPrinter();
        const std::string failing = c.failingCall;
        printer.OnCall = [&](const std::string& call) {
            if (call == failing) throw Exception("device failure");
        };
        Prepare({kA4, kA4});
        int after = 0;
        report.OnAfterPrint = [&] { ++after; };
        EXPECT_NO_THROW(report.PrintPreparedReport(1, 2, false, 1));
        EXPECT_EQ(printer.documents.size(), c.documents);
        if (c.documents) {
            EXPECT_EQ(printer.documents[0].Aborted, c.aborted);
            EXPECT_FALSE(printer.Printing());
        }
        EXPECT_EQ(after, 0);
        EXPECT_FALSE(IsPrinting());
        ASSERT_EQ(ui.messages.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(ui.messages[0].text, c.box);
            EXPECT_EQ(ui.messages[0].caption, "Errore");
            EXPECT_EQ(ui.messages[0].flags, MB_OK | MB_ICONERROR);
        }
    }
    SetUi(nullptr);
    EXPECT_EQ(PrintPreview::made, PrintPreview::freed);
}

TEST_F(PrintTest, NothingToPrintOrNoWhereToPrint)
{
    int after = 0;
    report.OnAfterPrint = [&] { ++after; };
    // No prepared pages.
    report.PrintPreparedReport(1, 5, false, 1);
    EXPECT_TRUE(printer.documents.empty());
    // A range past the pages, or no copies: no document.
    Prepare({kA4, kA4});
    report.PrintPreparedReport(3, 5, false, 1);
    report.PrintPreparedReport(1, 2, true, 0);
    EXPECT_TRUE(printer.documents.empty());
    EXPECT_EQ(after, 2);
    // A start before the first page starts at the first page.
    report.PrintPreparedReport(0, 1, false, 1);
    EXPECT_EQ(SheetsPrinted(), (std::vector<std::string>{Drawn(1)}));
    // Without a platform printer or a preview class the job does nothing.
    printer = RecordingPrinter();
    Prn().SetPlatformPrinter(nullptr);
    report.PrintPreparedReport(1, 2, false, 1);
    Prn().SetPlatformPrinter(&printer);
    RegisterPreviewClass({});
    report.PrintPreparedReport(1, 2, false, 1);
    EXPECT_TRUE(printer.documents.empty());
    EXPECT_FALSE(IsPrinting());
}

TEST_F(PrintTest, ProgressWindowShowsThePrintedPage)
{
    FakeProgress window;
    SetProgressWindow(&window);
    Prepare({kA4, kA4, kA4});
    // A two-pass preparation left behind must not add its page total to the print line.
    TzvReport prepared;
    prepared.TwoPass = 1;
    PrepareState().PreparingReport = &prepared;
    PrepareState().FinalPass = true;
    PrepareState().TotalPages = 3;

    report.Title = "Clienti";
    report.PrintPreparedReport(2, 3, true, 1);
    EXPECT_EQ(window.shows, 1);
    EXPECT_EQ(window.caption, "Report in preparazione - Clienti");
    EXPECT_EQ(window.labels,
              (std::vector<std::string>{"Pagina in stampa:", "Pagina in stampa:  2", "Pagina in stampa:  3"}));
    EXPECT_EQ(window.closes, (std::vector<bool>{false}));
    EXPECT_EQ(SheetsPrinted().size(), 2u);
    EXPECT_EQ(PrepareState().PreparingReport, &prepared);

    report.Title.clear();
    report.PrintPreparedReport(1, 1, true, 1);
    EXPECT_EQ(window.caption, "Report in preparazione");

    // OnProgress or ShowProgress off: no window.
    report.ShowProgress = false;
    report.PrintPreparedReport(1, 1, true, 1);
    report.ShowProgress = true;
    report.OnProgress = [](int32_t) {};
    report.PrintPreparedReport(1, 1, true, 1);
    EXPECT_EQ(window.shows, 2);
    EXPECT_EQ(printer.Finished().size(), 4u);
    PrepareState().PreparingReport = nullptr;
}

TEST_F(PrintTest, PageMetafilePlaysScaledOntoTheSheet)
{
    PrintPreview::playMetafile = true;
    Prepare({kA4});
    printer.PpiX = printer.PpiY = 192;  // two printer pixels per page pixel
    report.PrintPreparedReport(1, 1, false, 1);
    ASSERT_EQ(printer.Finished().size(), 1u);
    const std::vector<std::string>& lines = printer.documents[0].Sheets.at(0).Lines;
    bool found = false;
    for (const std::string& l : lines)
        if (l.find("'Pagina1'") != std::string::npos) {
            found = true;
            EXPECT_EQ(l.rfind("text 200,400 ", 0), 0u) << l;
        }
    EXPECT_TRUE(found);
}

}  // namespace
