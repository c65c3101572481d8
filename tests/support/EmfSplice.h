// Hand-made metafile records spliced into an empty recorded picture, for tests of the readers.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"

namespace zvtest {

// An empty width x height picture made by the recorder (so its frame is exact) with the records
// put in before its EOF; the header's size and record count follow, and its handle count when
// given.
inline std::vector<uint8_t> SpliceRecords(int32_t width, int32_t height, const std::vector<std::vector<uint8_t>>& extra,
                                          std::optional<uint16_t> handles = std::nullopt)
{
    using namespace zv::emf;
    zv::EmfRecorder r(width, height);
    std::vector<uint8_t> b = r.finish();
    zv::EmfFile f(b);
    uint32_t eof = f.records().back().offset;
    std::vector<uint8_t> out(b.begin(), b.begin() + eof);
    for (const auto& rec : extra) out.insert(out.end(), rec.begin(), rec.end());
    out.insert(out.end(), b.begin() + eof, b.end());
    uint32_t bytes = static_cast<uint32_t>(out.size()),
             count = static_cast<uint32_t>(f.records().size() + extra.size());
    std::memcpy(out.data() + kHeaderBytes, &bytes, 4);
    std::memcpy(out.data() + kHeaderRecords, &count, 4);
    if (handles) std::memcpy(out.data() + kHeaderHandles, &*handles, 2);
    return out;
}

}  // namespace zvtest
