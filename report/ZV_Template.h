// Design pages (TzvPage, TzvPages) and the record loop of the template file; template dumps.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/ZV_Prntr.h"
#include "report/ZV_View.h"

namespace zv {

class Stream;
class TzvReport;

// One design page: its paper, margins, options and the objects on it (owned, in list order).
class TzvPage {
public:
    TzvPage();
    ~TzvPage();
    TzvPage(const TzvPage&) = delete;
    TzvPage& operator=(const TzvPage&) = delete;

    int32_t PaperSize = kPaperA4;
    int32_t PaperWidth = 0;        // tenths of a millimetre
    int32_t PaperHeight = 0;       // tenths of a millimetre
    Rect Margins{38, 38, 38, 57};  // left, top, right, bottom margin in page units
    uint8_t Orientation = 0;       // 0 portrait, 1 landscape
    int16_t PageHeaderOnFirst = -1;
    int16_t PageFooterOnLast = -1;
    int16_t RepeatTableHeader = 0;
    int16_t ContinuePrevious = 0;
    int32_t ColumnCount = 0;  // 0 and 1 both mean one column
    int32_t ColumnGap = 0;
    int32_t ScaleX = 100, ScaleY = 100;   // print scale in percent
    int32_t PrnWidth = 0, PrnHeight = 0;  // paper size in page units
    PageInfo Info{};

    // Settles the paper through the printer settings (falling back to a custom paper) and takes
    // back the paper, the size in page units and the page geometry.
    void ChangePaper(int32_t code, int32_t width, int32_t height, uint8_t orientation);

    // The objects; the page owns them.
    std::vector<std::unique_ptr<TzvView>> Objects;
    int Count() const { return static_cast<int>(Objects.size()); }
    TzvView* Object(int i) const { return Objects.at(static_cast<size_t>(i)).get(); }
    TzvView* Add(std::unique_ptr<TzvView> view);
    // Takes the object out of the list without freeing it (none when it is not on the page).
    std::unique_ptr<TzvView> Remove(const TzvView* view);

    void LoadFromStream(Stream& stream);  // the page record after its tag
    void SaveToStream(Stream& stream) const;

    // ---- run-time state while the page is prepared (not stored) --------------------------------
    // The head band of each kind; the page owns every run-time band, chained ones included.
    std::array<TzvBand*, kBandKindCount> Bands{};
    std::vector<std::unique_ptr<TzvBand>> OwnedBands;
    int32_t TableColumnNo = 1;     // "COLUMN#"
    int32_t RowCounter = 1;        // "CURRENT#": data rows printed on this design page
    bool UsedAsSubReport = false;  // some sub-report object targets the page: it is not formed alone
    bool ObjectsPrepared = false;  // objects were distributed and get their design geometry back
    bool BandsBuilt = false;       // the run-time bands exist and must be released
    int32_t CurY = 0;              // where the next band instance prints
    int32_t CurBottomY = 0;        // the lowest y band instances may use on the current output page
    int32_t CurColumn = 0;         // 0-based
    int32_t ColumnTopY = 0;        // where columns start (set when the column header prints)
    int32_t ColumnX = 0;           // left edge of the current column
    int32_t ColumnWidth = 0;
    // Nothing but headers has printed in the current column since it started: a band that does not
    // fit prints here, clipped, instead of asking for yet another page or column.
    bool FreshColumn = false;
    // Sub-report mode: the recorded steps, replay position, the band to resume first, the
    // complete-the-list band remembered by the replay, and whether the page is being played now.
    struct Step {
        TzvBand* Band;
        uint8_t Kind;  // TzvStepKind
    };
    std::vector<Step> StepQueue;
    bool QueueMode = false;
    size_t QueuePos = 0;
    TzvBand* PendingBand = nullptr;
    TzvBand* ReplayCompleteList = nullptr;
    bool Playing = false;
    bool TablePrinting = false;  // the table cells of a band are being printed
    // The data loop: bands waiting for their first row to print, the data level last entered,
    // the deepest level with a printing data band, and whether group headers print.
    std::vector<TzvBand*> Pending;
    int CurrentLevel = 0;
    int MaxLevel = 0;
    bool HasGroups = false;
};

// The ordered design pages of one report.
class TzvPages {
public:
    explicit TzvPages(TzvReport* report) : report_(report) {}
    ~TzvPages();
    TzvPages(const TzvPages&) = delete;
    TzvPages& operator=(const TzvPages&) = delete;

    int Count() const { return static_cast<int>(pages_.size()); }
    TzvPage& Pages(int index) const { return *pages_.at(static_cast<size_t>(index)); }
    TzvPage& operator[](int index) const { return Pages(index); }
    void Clear();
    TzvPage& Add();
    // Frees the page and fixes every sub-report placeholder so that none refers to a missing page.
    void Delete(int index);
    // True while Clear runs: placeholders freed then do not delete other pages.
    bool Clearing() const { return clearing_; }

    // Options and records of the template (the file after its data sources).
    void LoadFromStream(Stream& stream);
    void SaveToStream(Stream& stream) const;

private:
    TzvReport* report_;
    std::vector<std::unique_ptr<TzvPage>> pages_;
    std::vector<TzvPage*> dying_;  // deleted pages whose objects are being freed
    bool clearing_ = false;
};

// A plain, stable text description of the report's template (command line and tests).
std::string DumpTemplate(const TzvReport& report);

}  // namespace zv
