// Prepared pages (TzvEMFPages): one metafile per output page with its paper, and the .zvp file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_Prntr.h"

namespace zv {

class Stream;
class TzvPage;
class TzvReport;

// One output page.
struct TzvEMFPage {
    std::array<uint8_t, 16> Reserved{};
    int32_t PaperSize = kPaperA4;  // 256 (custom) when the design page is printed scaled
    int32_t PaperWidth = 0;        // tenths of a millimetre, scaled
    int32_t PaperHeight = 0;
    uint8_t Orientation = 0;  // 0 portrait, 1 landscape
    uint8_t PageFlag = 1;
    PageInfo Info{};
    EmfFile Picture;                              // complete once Canvas is closed
    std::unique_ptr<EmfRecorder> Canvas;          // open while the page is drawn; none after loading
    int32_t PictureWidth = 0, PictureHeight = 0;  // the size the picture was created with
    // Vertical spans [top, bottom) of the page header and page footer drawn on this page, in page
    // units, so that exports can leave their texts out. Kept while the report that prepared the
    // page is open; not stored in the prepared-report file.
    std::vector<std::pair<int32_t, int32_t>> PageBandSpans;
};

class TzvEMFPages {
public:
    explicit TzvEMFPages(TzvReport* report = nullptr) : report_(report) {}
    TzvEMFPages(const TzvEMFPages&) = delete;
    TzvEMFPages& operator=(const TzvEMFPages&) = delete;

    TzvReport* Report() const { return report_; }
    int Count() const { return static_cast<int>(pages_.size()); }
    TzvEMFPage& Pages(int index) const { return *pages_.at(static_cast<size_t>(index)); }
    void Clear()
    {
        pages_.clear();
        passed_ = 0;
    }

    // Appends a page for the paper of the design page and opens its recording canvas, which is
    // the output canvas the page loop draws on (returned, and CurrentCanvas() until closed).
    EmfRecorder& Add(const TzvPage& designPage);
    // The open canvas of the last page, if any.
    EmfRecorder* CurrentCanvas() const;
    // Completes a page's picture and closes its canvas.
    void FinishPage(int index);
    // Puts the pages in a new order: page j becomes the page that stood at order[j], with its
    // paper. order must hold every index once.
    void Reorder(const std::vector<int32_t>& order);

    // While a sink is set, each page of the final pass of a report that does not interleave its
    // pages goes to it as soon as the page and every page before it are complete, in page order,
    // and its picture is let go then (the page keeps its paper): a long report can be written out
    // while it is prepared without holding every picture. Passed() counts the pages passed.
    void SetPageSink(std::function<void(const TzvEMFPage&)> sink) { sink_ = std::move(sink); }
    int Passed() const { return passed_; }

    // The file body. Saving completes any page still open.
    void SaveToStream(Stream& stream);
    void LoadFromStream(Stream& stream);

private:
    void passCompletePages();

    TzvReport* report_;
    std::vector<std::unique_ptr<TzvEMFPage>> pages_;
    std::function<void(const TzvEMFPage&)> sink_;
    int passed_ = 0;
};

// The file name with ".zvp" put on when it contains no '.' anywhere.
std::string PreparedReportFileName(const std::string& name);
// Writes the pages through the replace-by-rename writer; without pages it throws
// kNoPreparedPages and writes nothing.
void SavePreparedReport(TzvEMFPages& pages, const std::string& name);
// Reads a prepared report with the template version set to 29 (restored afterwards); the pages
// are replaced even when reading fails part way.
void LoadPreparedReport(TzvEMFPages& pages, const std::string& name);

}  // namespace zv
