// Export of prepared pages: filter calling order, texts in reading order, refusal and cancelling.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <algorithm>
#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/emf/EmfPlayer.h"
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
    bool Setup() override
    {
        gCalls.push_back("setup");
        return accept;
    }
    void OnBeginPage(int32_t w, int32_t h) override
    {
        gCalls.push_back("begin " + std::to_string(w) + "x" + std::to_string(h));
    }
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
    void Start(const std::string& label, int maximum) override
    {
        log.push_back("start " + label + " " + std::to_string(maximum));
    }
    void SetPosition(int p) override
    {
        log.push_back("pos " + std::to_string(p));
        if (p >= cancelAfter) cancelled = true;
    }
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

TEST(ExportPages, StopsWhenCancelledAndWhenTheFilterDeclinesKeepingTheOldFile)
{
    TzvReport report;
    MakePages(report);
    std::string file = TempFile("zv-export-cancel.txt");
    SaveFileAtomically(file, [](Stream& s) { s.writeBytes("vecchio"); });

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
    EXPECT_EQ(ReadFileBytes(file), "vecchio");
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

// ---- documents through a page writer ------------------------------------------------------------

// Writes "title|pages" then one line per page: its paper and the text records of its picture.
// failAtPage throws while writing that page (1-based, counted over every writer since the reset).
class TextDocumentWriter : public PageDocumentWriter {
public:
    void begin(Stream& out, const DocumentProperties& p) override
    {
        out_ = &out;
        out.writeBytes(p.title + "|" + std::to_string(p.dpi) + "\n");
    }
    void addPage(const PagePicture& page) override
    {
        if (++pagesWritten == failAtPage) throw Exception("disk full");
        std::string line = std::to_string(page.paperWidth) + "x" + std::to_string(page.paperHeight) + ":";
        EnumerateEmf(*page.picture, [&](const EmfRecordInfo& r) {
            if (r.isText) line += " " + r.text;
            return EmfAction::Play;
        });
        out_->writeBytes(line + "\n");
    }
    void end() override { out_->writeBytes("end\n"); }
    static inline int failAtPage = 0, pagesWritten = 0;

private:
    Stream* out_ = nullptr;
};

PageWriterInfo TextKind(int pagesPerFile)
{
    return {"txt", "Testo", "*.txt", pagesPerFile, [] { return std::make_unique<TextDocumentWriter>(); }};
}

std::string Slurp(const std::filesystem::path& p)
{
    return FileExists(p.string()) ? ReadFileBytes(p.string()) : "<none>";
}

// The files of a folder, so that a temporary file left behind shows up.
std::vector<std::string> Listing(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ExportDocument, WritesTheChosenPagesIntoOneFileOrOneFilePerPage)
{
    struct Case {
        int pagesPerFile, first, last;
        std::vector<std::string> files;  // as written, with their contents
        std::vector<std::string> contents;
    };
    const std::string t1 = "2100x2970: destra sinistra titolo1 doppio\n";  // in drawing order
    const std::string t2 = "2100x2970: destra sinistra titolo2 doppio\n";
    const Case cases[] = {
        {0, 1, 0, {"out.txt"}, {"Elenco|72.000000\n" + t1 + t2 + "end\n"}},
        {0, 2, 2, {"out.txt"}, {"Elenco|72.000000\n" + t2 + "end\n"}},
        {1, 2, 2, {"out.txt"}, {"Elenco|72.000000\n" + t2 + "end\n"}},
        {1,
         1,
         9,
         {"out-1.txt", "out-2.txt"},
         {"Elenco|72.000000\n" + t1 + "end\n", "Elenco|72.000000\n" + t2 + "end\n"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case& c = cases[i];
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zv_export_doc";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        TzvReport report;
        report.Title = "Elenco";
        MakePages(report);
        CountingProgress progress;
        TzvDocumentOptions options{c.first, c.last, 72};
        EXPECT_TRUE(ExportDocument(report, TextKind(c.pagesPerFile), (dir / "out.txt").string(), options, &progress));
        EXPECT_EQ(Listing(dir), c.files);
        for (size_t f = 0; f < c.files.size(); ++f) EXPECT_EQ(Slurp(dir / c.files[f]), c.contents[f]);
        const int count = std::min(c.last ? c.last : 2, 2) - c.first + 1;
        ASSERT_FALSE(progress.log.empty());
        EXPECT_EQ(progress.log.front(), "start Testo " + std::to_string(count));
        EXPECT_EQ(progress.log.back(), "finish");
        EXPECT_EQ(progress.log.size(), static_cast<size_t>(count) + 2);
    }
}

TEST(ExportDocument, ACancelOrAFailureKeepsTheOldFilesAndLeavesNoOtherFile)
{
    struct Case {
        int pagesPerFile, cancelAfter, failAtPage;
        bool throws;
    };
    const Case cases[] = {{0, 1, 0, false}, {1, 1, 0, false}, {0, 1000, 2, true}, {1, 1000, 2, true}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case& c = cases[i];
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zv_export_cancel";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        for (const char* name : {"out.txt", "out-1.txt", "out-2.txt"})
            SaveFileAtomically((dir / name).string(), [](Stream& s) { s.writeBytes("vecchio"); });
        TzvReport report;
        MakePages(report);
        CountingProgress progress;
        progress.cancelAfter = c.cancelAfter;
        TextDocumentWriter::failAtPage = c.failAtPage;
        TextDocumentWriter::pagesWritten = 0;
        bool threw = false, written = true;
        try {
            written = ExportDocument(report, TextKind(c.pagesPerFile), (dir / "out.txt").string(), {}, &progress);
        } catch (const Exception& e) {
            threw = true;
            EXPECT_STREQ(e.what(), "disk full");
        }
        TextDocumentWriter::failAtPage = 0;
        EXPECT_EQ(threw, c.throws);
        EXPECT_FALSE(written && !threw);
        EXPECT_EQ(Listing(dir), (std::vector<std::string>{"out-1.txt", "out-2.txt", "out.txt"}));
        for (const char* name : {"out.txt", "out-1.txt", "out-2.txt"}) EXPECT_EQ(Slurp(dir / name), "vecchio");
        EXPECT_EQ(progress.log.back(), "finish");
    }
}

TEST(ExportDocument, RefusesAReportWithoutPagesAndPagesOutOfRange)
{
    TzvEMFPages none;
    EXPECT_THROW(ExportDocument(none, TextKind(0), TempFile("zv_none.txt"), {}, {}), Exception);
    TzvReport report;
    MakePages(report);
    EXPECT_THROW(ExportDocument(report.EMFPages, TextKind(0), TempFile("zv_none.txt"), {}, {3, 3, 150}), Exception);
    EXPECT_FALSE(FileExists(TempFile("zv_none.txt")));
}

}  // namespace
