// TzvBand, the run-time band: the counters, data source and aggregate slots that expressions read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Variant.h"
#include "report/ZV_View.h"

namespace zv {

class TzvDataset;
class TzvPage;

// One running aggregate: its key and its slot.
struct TzvAggregate {
    std::string Key;
    Variant Value;
};
// One per-column aggregate of a table: its key and one slot per table column.
struct TzvColumnAggregate {
    std::string Key;
    std::vector<Variant> Slots;
};

// Initial values of the aggregate functions (SUM and AVG start at the integer 0).
inline constexpr double kAggregateMinStart = 1e200;
inline constexpr double kAggregateMaxStart = -1e200;

// A band of a design page while the page is prepared. This holds what the evaluator and the data
// sources read and what the band printing code keeps up to date: the kind, the line counters, the
// group level, the data source and the aggregate slots.
class TzvBand {
public:
    TzvPage* Parent = nullptr;
    uint8_t BandKind = bkNone;
    uint8_t GroupLevel = 0;     // group header and footer: nesting level, 0 = innermost
    int32_t LineNo = 1;         // "LINE#": record within the current group or master record
    int32_t LineNoTotal = 1;    // "LINETHROUGH#": record over the whole walk
    TzvView* View = nullptr;    // the band object the band was built from
    TzvDataset* DataSource = nullptr;

    int32_t AggCount = 0;     // records accumulated since the last reset
    int32_t AggResets = 0;    // resets so far (group starts)
    int32_t AggMaxCount = 0;  // largest AggCount reached
    std::vector<TzvAggregate> Aggregates;              // sorted by key, case ignored
    std::vector<TzvColumnAggregate> ColumnAggregates;  // in registration order

    // The running aggregate of that key; none when it is not registered.
    TzvAggregate* FindAggregate(std::string_view key);
    // Registers key with the integer 0 at its sorted place; a key already there is left alone.
    void RegisterAggregate(std::string_view key);
    TzvColumnAggregate* FindColumnAggregate(std::string_view key);
    // Appends key with an empty series unless it is registered already.
    void RegisterColumnAggregate(std::string_view key);
};

// The kind of the data band whose aggregates serve an object in a band of this kind: main data
// for the report footer, page footer, main data, main footer, column footer and group footer;
// detail data for detail data and footer; sub-detail data for its data and footer; table data
// for table data and footer; bkNone for every other kind.
uint8_t GoverningDataBandKind(int kind);

}  // namespace zv
