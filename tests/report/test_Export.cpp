// Export of prepared pages: filter calling order, texts in reading order, refusal and cancelling.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include <algorithm>
#include "report/ZV_EMFPages.h"
#include "report/ZV_Export.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"

namespace {

using namespace zv;

std::vector<std::string> gCalls;

class LoggingFilter : public TzvExportFilter {
public:
    using TzvExportFilter::TzvExportFilter;
    bool Setup() override { gCalls.push_back("setup"); return accept; }
    void OnBeginPage(int32_t w, int32_t h) override { gCalls.push_back("begin " + std::to_string(w) + "x" + std::to_string(h)); }
    void OnText(int32_t x, int32_t y, const Font& f, const std::string& t) override
    {
        gCalls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + t + " " + f.name +
                         (f.bold() ? " bold" : "") + " " + std::to_string(f.color));
        stream_.writeBytes(t);
    }
    void OnEndPage() override { gCalls.push_back("end page"); }
    void OnEndDoc() override { gCalls.push_back("end doc"); }
    static inline bool accept = true;
};

class CountingProgress : public TzvExportProgress {
public:
    void Start(const std::string& label, int maximum) override { log.push_back("start " + label + " " + std::to_string(maximum)); }
    void SetPosition(int p) override { log.push_back("pos " + std::to_string(p)); if (p >= cancelAfter) cancelled = true; }
    bool Cancelled() const override { return cancelled; }
    void Finish() override { log.push_back("finish"); }
    std::vector<std::string> log;
    int cancelAfter = 1000;
    bool cancelled = false;
};

TzvExportFilterInfo Info()
{
    return {[](Stream& s) { return std::unique_ptr<TzvExportFilter>(new LoggingFilter(s)); }, "Testo", "*.txt"};
}

// Two pages; texts drawn out of reading order, one drawn twice at the same point.
void MakePages(TzvReport& report)
{
    for (int page = 0; page < 2; ++page) {
        EmfRecorder& c = report.EMFPages.Add(report.Pages[0]);
        Font f;
        f.name = "Arial";
        f.color = clRed;
        c.setFont(f);
        c.setBrush(Brush{clWhite, BrushStyle::Clear});
        c.textOut(300, 40, "destra");
        c.textOut(20, 40, "sinistra");
        f.style = fsBold;
        f.color = clBlue;
        c.setFont(f);
        c.textOut(20, 10, "titolo" + std::to_string(page + 1));
        c.textOut(20, 10, "doppio");  // same point: only the first is exported
        report.EMFPages.FinishPage(report.EMFPages.Count() - 1);
    }
}

std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

TEST(ExportPages, CallsTheFilterPageByPageWithTextsInReadingOrder)
{
    gCalls.clear();
    LoggingFilter::accept = true;
    TzvReport report;
    MakePages(report);
    const int32_t w = report.EMFPages.Pages(0).Picture.width(), h = report.EMFPages.Pages(0).Picture.height();
    CountingProgress progress;
    std::string file = TempFile("zv-export-order.txt");
    ExportPages(report, Info(), file, &progress);

    std::string size = std::to_string(w) + "x" + std::to_string(h);
    std::vector<std::string> expected = {"setup"};
    for (int page = 1; page <= 2; ++page) {
        expected.push_back("begin " + size);
        expected.push_back("text 20,10 titolo" + std::to_string(page) + " Arial bold " + std::to_string(clBlue));
        expected.push_back("text 20,40 sinistra Arial " + std::to_string(clRed));
        expected.push_back("text 300,40 destra Arial " + std::to_string(clRed));
        expected.push_back("end page");
    }
    expected.push_back("end doc");
    EXPECT_EQ(gCalls, expected);
    EXPECT_EQ(progress.log, (std::vector<std::string>{"start Testo 2", "pos 1", "pos 2", "finish"}));
    EXPECT_EQ(ReadFileBytes(file), "titolo1sinistradestratitolo2sinistradestra");
    std::filesystem::remove(file);
}

TEST(ExportPages, StopsWhenCancelledAndWhenTheFilterDeclines)
{
    TzvReport report;
    MakePages(report);
    std::string file = TempFile("zv-export-cancel.txt");

    gCalls.clear();
    CountingProgress progress;
    progress.cancelAfter = 1;
    ExportPages(report, Info(), file, &progress);
    EXPECT_EQ(std::count(gCalls.begin(), gCalls.end(), "end page"), 1);
    EXPECT_EQ(gCalls.back(), "end doc");

    gCalls.clear();
    LoggingFilter::accept = false;
    ExportPages(report, Info(), file, nullptr);
    EXPECT_EQ(gCalls, std::vector<std::string>{"setup"});
    LoggingFilter::accept = true;
    std::filesystem::remove(file);
}

TEST(ExportPages, AFileThatCannotBeCreatedFailsBeforeTheFilterRuns)
{
    gCalls.clear();
    TzvReport report;
    MakePages(report);
    EXPECT_THROW(ExportPages(report, Info(), "/nonexistent-folder/x.txt", nullptr), StreamError);
    EXPECT_TRUE(gCalls.empty());
}

}  // namespace
