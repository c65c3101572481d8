// TzvBand's aggregate lists and the governing data band of a band kind.
#include "report/ZV_Bands.h"

#include <algorithm>

#include "platform/Text.h"

namespace zv {

TzvAggregate* TzvBand::FindAggregate(std::string_view key)
{
    auto at = std::lower_bound(Aggregates.begin(), Aggregates.end(), key,
                               [](const TzvAggregate& a, std::string_view k) { return CompareText(a.Key, k) < 0; });
    return at != Aggregates.end() && SameText(at->Key, key) ? &*at : nullptr;
}

void TzvBand::RegisterAggregate(std::string_view key)
{
    auto at = std::lower_bound(Aggregates.begin(), Aggregates.end(), key,
                               [](const TzvAggregate& a, std::string_view k) { return CompareText(a.Key, k) < 0; });
    if (at != Aggregates.end() && SameText(at->Key, key)) return;
    Aggregates.insert(at, TzvAggregate{std::string(key), Variant(int32_t{0})});
}

TzvColumnAggregate* TzvBand::FindColumnAggregate(std::string_view key)
{
    for (TzvColumnAggregate& a : ColumnAggregates)
        if (SameText(a.Key, key)) return &a;
    return nullptr;
}

void TzvBand::RegisterColumnAggregate(std::string_view key)
{
    if (!FindColumnAggregate(key)) ColumnAggregates.push_back(TzvColumnAggregate{std::string(key), {}});
}

uint8_t GoverningDataBandKind(int kind)
{
    switch (kind) {
    case bkReportFooter:
    case bkPageFooter:
    case bkMainData:
    case bkMainFooter:
    case bkColumnFooter:
    case bkGroupFooter:
        return bkMainData;
    case bkDetailData:
    case bkDetailFooter:
        return bkDetailData;
    case bkSubDetailData:
    case bkSubDetailFooter:
        return bkSubDetailData;
    case bkTableData:
    case bkTableFooter:
        return bkTableData;
    default:
        return bkNone;
    }
}

}  // namespace zv
