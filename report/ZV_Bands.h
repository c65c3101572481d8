// TzvBand, the run-time band: building a page's bands, measuring, splitting, printing one instance,
// sub-reports, table cells, aggregates and groups.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Variant.h"
#include "report/ZV_View.h"

namespace zv {

class TzvDataset;
class TzvPage;
class TzvSubReportView;

// One running aggregate: its key, the function and argument read from it, the memo that
// registered it (its band kind chooses the data source of the argument), its level and its slot.
// Count is the number of records accumulated since the entry's own level was last reset.
struct TzvAggregate {
    std::string Key;
    Variant Value;
    std::string Function;  // "SUM", "AVG", "MIN" or "MAX"
    std::string Argument;
    TzvView* Object = nullptr;
    uint8_t Level = 0;
    int32_t Count = 0;
};
// One per-column aggregate of a table: its key and one slot per table column.
struct TzvColumnAggregate {
    std::string Key;
    std::vector<Variant> Slots;
    std::string Function;
    std::string Argument;
    TzvView* Object = nullptr;
};

// Initial values of the aggregate functions (SUM and AVG start at the integer 0).
inline constexpr double kAggregateMinStart = 1e200;
inline constexpr double kAggregateMaxStart = -1e200;
// The level of the aggregates of the report summary, page footer and column footer: above every
// group, so that a group start never resets them.
inline constexpr uint8_t kTopAggregateLevel = 255;

// Steps of the data loop. A page played as a sub-report records them (the enclosing band
// replays them); any other page runs them at once.
enum TzvStepKind : uint8_t {
    skShow = 0,             // show the band
    skFirst = 1,            // first record: aggregates restart, LINE# 1
    skNext = 2,             // next record
    skRowEnd = 3,           // a printed row is complete: CURRENT#, LINETHROUGH# and LINE# advance
    skHeaderCount = 4,      // group headers from this one inwards count the group
    skGroupAggregates = 5,  // a group of this header started: its levels restart with the record
    skLineReset = 6,        // LINE# restarts after a group change
    skAggregateNext = 7,    // the record is accumulated into the band's aggregates
    skResetFooters = 8      // group footers re-expand before the move to the next record
};

// A band of a design page while the page is prepared.
class TzvBand {
public:
    TzvPage* Parent = nullptr;
    uint8_t BandKind = bkNone;
    TzvBand* NextBand = nullptr;  // chain of the bands of this kind, in ascending design Top
    TzvBand* PrevBand = nullptr;
    TzvBand* LastBand = nullptr;         // on the head of a chain: its last band
    TzvBand* Footer = nullptr;           // group header: its paired group footer
    uint8_t GroupLevel = 0;              // group header and footer: nesting level, 0 = innermost
    int32_t LineNo = 1;                  // "LINE#": record within the current group or master record
    int32_t LineNoTotal = 1;             // "LINETHROUGH#": record over the whole walk
    Variant LastGroupValue;              // group header: the condition's value for the current group
    std::vector<std::string> ResetList;  // group footer: name=flag entries, cleared at a group start
    int32_t ResetCount = 0;
    bool Filling = false;  // printing the empty rows of a complete-the-list filling

    size_t SubIndex = 0;             // index in Objects of the first sub-report object
    int32_t SubMaxY = 0;             // lowest y the sub-reports of the instance reached
    bool SubsDone = true;            // every sub-report of the current instance is finished
    std::vector<bool> SubDone;       // per sub-report of the instance
    std::vector<TzvPage*> SubPages;  // the design pages they play
    std::vector<TzvView*> SubViews;  // their placeholder objects

    int32_t X = 0, Width = 0;  // table bands: design Left and Width of the band object
    int32_t Y = 0;             // design Top; while printing, the y of the instance
    int32_t Height = 0;        // design Height
    int32_t StretchedHeight = 0;
    TzvView* View = nullptr;  // the band object the band was built from
    bool PrintIfSubsetEmpty = false, ForceNewPage = false, Stretched = false, Breakable = false, CompleteList = false;
    std::vector<TzvView*> Objects;  // in design-page order; Top (table bands: Left) band-relative
    std::vector<std::string> SourceLines;
    std::string GroupCondition;  // group header: the condition expression
    TzvDataset* DataSource = nullptr;

    int32_t AggCount = 0;                              // records accumulated since the last reset
    int32_t AggResets = 0;                             // resets so far (group starts)
    int32_t AggMaxCount = 0;                           // largest AggCount reached
    std::array<int32_t, 256> LevelCount{};             // records accumulated since each level was reset
    std::vector<TzvAggregate> Aggregates;              // sorted by key, case ignored
    std::vector<TzvColumnAggregate> ColumnAggregates;  // in registration order

    bool HasObjects() const { return !Objects.empty(); }

    // The running aggregate of that key; none when it is not registered.
    TzvAggregate* FindAggregate(std::string_view key);
    // Registers key (function, "(", argument, ")", memo name, its length, level) with the integer
    // 0 at its sorted place for the current object; a key already there is left alone.
    void RegisterAggregate(std::string_view key);
    TzvColumnAggregate* FindColumnAggregate(std::string_view key);
    // Appends key (as above, without the level) with an empty series unless it is registered.
    void RegisterColumnAggregate(std::string_view key);
};

// The kind of the data band whose aggregates serve an object in a band of this kind: main data
// for the report footer, page footer, main data, main footer, column footer and group footer;
// detail data for detail data and footer; sub-detail data for its data and footer; table data
// for table data and footer; bkNone for every other kind.
uint8_t GoverningDataBandKind(int kind);
// The level an aggregate of a band takes: kTopAggregateLevel for the report summary, the page
// footer and the column footer, else the band's group level (0 outside groups).
uint8_t AggregateLevel(const TzvBand* band);

// Installs what the objects and the error text ask of the run-time bands: the band kind of the
// "Banda:" line, the geometry of the band a stretched memo grows in, and the fields of the data
// source of the band being drawn (blob fields of memos and pictures).
void InstallBandHooks();

// ---- preparation of one band ---------------------------------------------------------------

// Creates the page's run-time bands, distributes its objects and binds the data sources.
void BuildBands(TzvPage& page);
// Destroys the page's bands; bound data sources get their Exit.
void ReleaseBands(TzvPage& page);

int32_t MeasureHeight(TzvBand& band);
int32_t BandHeightForFit(TzvBand& band);
// Whether y + height (and the column footer) passes the bottom; unless checkOnly, a band that
// does not fit moves to the next column or page.
bool CheckPageBreak(TzvBand& band, int32_t y, int32_t height, bool checkOnly);
void DrawBandBody(TzvBand& band);
// Prints one instance at the page's CurY; true when it did not complete on this page.
bool ShowBand(TzvBand& band);
// Complete-the-list filling with empty rows of band.
void FillRows(TzvPage& page, TzvBand& band);
// Shows empty rows of band while more than reserve is left below them.
void FillEmptyRows(TzvBand& band, int32_t reserve);

void InitGroupValues(TzvBand& header);
void ResetFooterValues(TzvBand& footer);
void ResetAggregates(TzvBand& band, int level);
void Accumulate(TzvBand& band);
void AggregateStep(TzvBand& band, bool first);

// Replays a sub-report page's queue; true when it stopped at a full page.
bool ReplayQueue(TzvPage& page);
// Runs one recorded step (also the direct form of the step outside sub-report mode).
void RunStep(TzvPage& page, TzvBand& band, TzvStepKind kind);

}  // namespace zv
