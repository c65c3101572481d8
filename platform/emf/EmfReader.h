// Enhanced-metafile reader: validates every record of a metafile before anything uses it.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "platform/draw/Graphics.h"

namespace zv {

struct EmfHeader {
    Rect bounds;         // inclusive, reference-device pixels
    Rect frame;          // inclusive, 0.01 mm
    uint32_t bytes = 0;  // size of the metafile
    uint32_t records = 0;
    uint16_t handles = 0;     // handle-table size, slot 0 being the metafile itself
    Size device;              // reference device in pixels
    Size millimeters;         // reference device in millimetres
    Size micrometers;         // reference device in micrometres (0 when the header has no such field)
    std::string description;  // Windows-1252, NULs turned into '|'
};

// One record: its type, size and position in the metafile bytes.
struct EmfRecordRef {
    uint32_t type = 0;
    uint32_t size = 0;
    uint32_t offset = 0;
};

// A validated metafile. Construction checks the header, every record's size and position and the
// variable parts of the records this library reads (points, polygon counts, strings, advances,
// bitmaps, object indexes, palettes, region data); any fault throws Exception with a message
// "Invalid metafile: ..." naming the record. Records after it are then safe to read within their size.
// Zero bytes make an empty picture (some producers write empty files for blank drawings).
class EmfFile {
public:
    EmfFile() = default;  // an empty picture: no records
    explicit EmfFile(std::vector<uint8_t> bytes);

    bool empty() const { return records_.empty(); }
    const EmfHeader& header() const { return header_; }
    const std::vector<EmfRecordRef>& records() const { return records_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::span<const uint8_t> recordBytes(const EmfRecordRef& r) const { return {bytes_.data() + r.offset, r.size}; }

    // The picture's frame converted to reference-device pixels (left, top, right, bottom exclusive).
    Rect frameInPixels() const;
    int32_t width() const { return frameInPixels().width(); }
    int32_t height() const { return frameInPixels().height(); }
    // Reference-device pixels per 0.01 mm in x and y.
    double pixelsPerHmmX() const;
    double pixelsPerHmmY() const;

private:
    std::vector<uint8_t> bytes_;
    EmfHeader header_;
    std::vector<EmfRecordRef> records_;
};

namespace emf {

// Little-endian reads inside a record that EmfFile has validated; offsets past the end read 0,
// so a player bug can never read outside the record.
struct RecordView {
    const uint8_t* p = nullptr;
    uint32_t size = 0;
    RecordView() = default;
    explicit RecordView(std::span<const uint8_t> s) : p(s.data()), size(static_cast<uint32_t>(s.size())) {}
    uint32_t u32(uint64_t off) const
    {
        if (off + 4 > size) return 0;
        return p[off] | (p[off + 1] << 8) | (p[off + 2] << 16) | (static_cast<uint32_t>(p[off + 3]) << 24);
    }
    int32_t i32(uint64_t off) const { return static_cast<int32_t>(u32(off)); }
    uint16_t u16(uint64_t off) const { return off + 2 > size ? 0 : static_cast<uint16_t>(p[off] | (p[off + 1] << 8)); }
    int16_t i16(uint64_t off) const { return static_cast<int16_t>(u16(off)); }
    uint8_t u8(uint64_t off) const { return off < size ? p[off] : 0; }
    float f32(uint64_t off) const
    {
        uint32_t v = u32(off);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    Rect rect(uint64_t off) const { return {i32(off), i32(off + 4), i32(off + 8), i32(off + 12)}; }
    Point point(uint64_t off) const { return {i32(off), i32(off + 4)}; }
    bool has(uint64_t off, uint64_t len) const { return off <= size && len <= size - off; }
};

}  // namespace emf
}  // namespace zv
