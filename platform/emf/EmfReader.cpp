// Enhanced-metafile reader: header checks, the record walk and the per-record validation table.
#include "platform/emf/EmfReader.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/emf/EmfFormat.h"

namespace zv {
namespace emf {
namespace {

constexpr std::array<const char*, kMaxRecordType + 1> kRecordNames = {
    "EMR_UNKNOWN",
    "EMR_HEADER",
    "EMR_POLYBEZIER",
    "EMR_POLYGON",
    "EMR_POLYLINE",
    "EMR_POLYBEZIERTO",
    "EMR_POLYLINETO",
    "EMR_POLYPOLYLINE",
    "EMR_POLYPOLYGON",
    "EMR_SETWINDOWEXTEX",
    "EMR_SETWINDOWORGEX",
    "EMR_SETVIEWPORTEXTEX",
    "EMR_SETVIEWPORTORGEX",
    "EMR_SETBRUSHORGEX",
    "EMR_EOF",
    "EMR_SETPIXELV",
    "EMR_SETMAPPERFLAGS",
    "EMR_SETMAPMODE",
    "EMR_SETBKMODE",
    "EMR_SETPOLYFILLMODE",
    "EMR_SETROP2",
    "EMR_SETSTRETCHBLTMODE",
    "EMR_SETTEXTALIGN",
    "EMR_SETCOLORADJUSTMENT",
    "EMR_SETTEXTCOLOR",
    "EMR_SETBKCOLOR",
    "EMR_OFFSETCLIPRGN",
    "EMR_MOVETOEX",
    "EMR_SETMETARGN",
    "EMR_EXCLUDECLIPRECT",
    "EMR_INTERSECTCLIPRECT",
    "EMR_SCALEVIEWPORTEXTEX",
    "EMR_SCALEWINDOWEXTEX",
    "EMR_SAVEDC",
    "EMR_RESTOREDC",
    "EMR_SETWORLDTRANSFORM",
    "EMR_MODIFYWORLDTRANSFORM",
    "EMR_SELECTOBJECT",
    "EMR_CREATEPEN",
    "EMR_CREATEBRUSHINDIRECT",
    "EMR_DELETEOBJECT",
    "EMR_ANGLEARC",
    "EMR_ELLIPSE",
    "EMR_RECTANGLE",
    "EMR_ROUNDRECT",
    "EMR_ARC",
    "EMR_CHORD",
    "EMR_PIE",
    "EMR_SELECTPALETTE",
    "EMR_CREATEPALETTE",
    "EMR_SETPALETTEENTRIES",
    "EMR_RESIZEPALETTE",
    "EMR_REALIZEPALETTE",
    "EMR_EXTFLOODFILL",
    "EMR_LINETO",
    "EMR_ARCTO",
    "EMR_POLYDRAW",
    "EMR_SETARCDIRECTION",
    "EMR_SETMITERLIMIT",
    "EMR_BEGINPATH",
    "EMR_ENDPATH",
    "EMR_CLOSEFIGURE",
    "EMR_FILLPATH",
    "EMR_STROKEANDFILLPATH",
    "EMR_STROKEPATH",
    "EMR_FLATTENPATH",
    "EMR_WIDENPATH",
    "EMR_SELECTCLIPPATH",
    "EMR_ABORTPATH",
    "EMR_UNKNOWN",
    "EMR_GDICOMMENT",
    "EMR_FILLRGN",
    "EMR_FRAMERGN",
    "EMR_INVERTRGN",
    "EMR_PAINTRGN",
    "EMR_EXTSELECTCLIPRGN",
    "EMR_BITBLT",
    "EMR_STRETCHBLT",
    "EMR_MASKBLT",
    "EMR_PLGBLT",
    "EMR_SETDIBITSTODEVICE",
    "EMR_STRETCHDIBITS",
    "EMR_EXTCREATEFONTINDIRECTW",
    "EMR_EXTTEXTOUTA",
    "EMR_EXTTEXTOUTW",
    "EMR_POLYBEZIER16",
    "EMR_POLYGON16",
    "EMR_POLYLINE16",
    "EMR_POLYBEZIERTO16",
    "EMR_POLYLINETO16",
    "EMR_POLYPOLYLINE16",
    "EMR_POLYPOLYGON16",
    "EMR_POLYDRAW16",
    "EMR_CREATEMONOBRUSH",
    "EMR_CREATEDIBPATTERNBRUSHPT",
    "EMR_EXTCREATEPEN",
    "EMR_POLYTEXTOUTA",
    "EMR_POLYTEXTOUTW",
    "EMR_SETICMMODE",
    "EMR_CREATECOLORSPACE",
    "EMR_SETCOLORSPACE",
    "EMR_DELETECOLORSPACE",
    "EMR_GLSRECORD",
    "EMR_GLSBOUNDEDRECORD",
    "EMR_PIXELFORMAT",
    "EMR_DRAWESCAPE",
    "EMR_EXTESCAPE",
    "EMR_UNKNOWN",
    "EMR_SMALLTEXTOUT",
    "EMR_FORCEUFIMAPPING",
    "EMR_NAMEDESCAPE",
    "EMR_COLORCORRECTPALETTE",
    "EMR_SETICMPROFILEA",
    "EMR_SETICMPROFILEW",
    "EMR_ALPHABLEND",
    "EMR_SETLAYOUT",
    "EMR_TRANSPARENTBLT",
    "EMR_UNKNOWN",
    "EMR_GRADIENTFILL",
    "EMR_SETLINKEDUFIS",
    "EMR_SETTEXTJUSTIFICATION",
    "EMR_COLORMATCHTOTARGETW",
    "EMR_CREATECOLORSPACEW",
};

// Smallest valid size of each record type, header included (0: no fixed part is read).
constexpr std::array<uint16_t, kMaxRecordType + 1> kMinSize = [] {
    std::array<uint16_t, kMaxRecordType + 1> m{};
    for (auto& v : m) v = 8;
    m[EMR_HEADER] = kHeaderSizeBase;
    for (uint32_t t :
         {EMR_POLYBEZIER, EMR_POLYGON, EMR_POLYLINE, EMR_POLYBEZIERTO, EMR_POLYLINETO, EMR_POLYBEZIER16, EMR_POLYGON16,
          EMR_POLYLINE16, EMR_POLYBEZIERTO16, EMR_POLYLINETO16, EMR_POLYDRAW, EMR_POLYDRAW16})
        m[t] = 28;
    for (uint32_t t : {EMR_POLYPOLYLINE, EMR_POLYPOLYGON, EMR_POLYPOLYLINE16, EMR_POLYPOLYGON16}) m[t] = 32;
    for (uint32_t t : {EMR_SETWINDOWEXTEX, EMR_SETWINDOWORGEX, EMR_SETVIEWPORTEXTEX, EMR_SETVIEWPORTORGEX,
                       EMR_SETBRUSHORGEX, EMR_OFFSETCLIPRGN, EMR_MOVETOEX, EMR_LINETO, EMR_RESIZEPALETTE})
        m[t] = 16;
    m[EMR_EOF] = 20;
    m[EMR_SETPIXELV] = 20;
    for (uint32_t t : {EMR_SETMAPPERFLAGS, EMR_SETMAPMODE, EMR_SETBKMODE, EMR_SETPOLYFILLMODE, EMR_SETROP2,
                       EMR_SETSTRETCHBLTMODE, EMR_SETTEXTALIGN, EMR_SETTEXTCOLOR, EMR_SETBKCOLOR, EMR_RESTOREDC,
                       EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_SELECTPALETTE, EMR_SETARCDIRECTION, EMR_SETMITERLIMIT,
                       EMR_SELECTCLIPPATH, EMR_SETICMMODE, EMR_GDICOMMENT, EMR_SETLAYOUT})
        m[t] = 12;
    m[EMR_SETCOLORADJUSTMENT] = 32;
    for (uint32_t t :
         {EMR_EXCLUDECLIPRECT, EMR_INTERSECTCLIPRECT, EMR_SCALEVIEWPORTEXTEX, EMR_SCALEWINDOWEXTEX, EMR_ELLIPSE,
          EMR_RECTANGLE, EMR_EXTFLOODFILL, EMR_FILLPATH, EMR_STROKEANDFILLPATH, EMR_STROKEPATH})
        m[t] = 24;
    m[EMR_SETWORLDTRANSFORM] = 32;
    m[EMR_MODIFYWORLDTRANSFORM] = 36;
    m[EMR_CREATEPEN] = 28;
    m[EMR_CREATEBRUSHINDIRECT] = 24;
    m[EMR_ANGLEARC] = 28;
    m[EMR_ROUNDRECT] = 32;
    for (uint32_t t : {EMR_ARC, EMR_CHORD, EMR_PIE, EMR_ARCTO}) m[t] = 40;
    m[EMR_CREATEPALETTE] = 16;
    m[EMR_SETPALETTEENTRIES] = 20;
    m[EMR_FILLRGN] = 32;
    m[EMR_FRAMERGN] = 40;
    m[EMR_INVERTRGN] = 28;
    m[EMR_PAINTRGN] = 28;
    m[EMR_EXTSELECTCLIPRGN] = 16;
    m[EMR_BITBLT] = 100;
    m[EMR_STRETCHBLT] = 108;
    m[EMR_MASKBLT] = 128;
    m[EMR_PLGBLT] = 140;
    m[EMR_SETDIBITSTODEVICE] = 76;
    m[EMR_STRETCHDIBITS] = 80;
    m[EMR_EXTCREATEFONTINDIRECTW] = 12 + kLogFontSize;
    m[EMR_EXTTEXTOUTA] = kTextFixedSize;
    m[EMR_EXTTEXTOUTW] = kTextFixedSize;
    m[EMR_CREATEMONOBRUSH] = 32;
    m[EMR_CREATEDIBPATTERNBRUSHPT] = 32;
    m[EMR_EXTCREATEPEN] = 52;
    m[EMR_POLYTEXTOUTA] = 40;
    m[EMR_POLYTEXTOUTW] = 40;
    m[EMR_ALPHABLEND] = 108;
    m[EMR_TRANSPARENTBLT] = 108;
    m[EMR_GRADIENTFILL] = 36;
    return m;
}();

}  // namespace

const char* RecordName(uint32_t type) { return type <= kMaxRecordType ? kRecordNames[type] : "EMR_UNKNOWN"; }

bool IsBoundedRecord(uint32_t type)
{
    return (type >= 2 && type <= 8) || type == 15 || (type >= 41 && type <= 47) || type == 53 || type == 55 ||
           type == 56 || (type >= 71 && type <= 74) || (type >= 76 && type <= 79) || type == 81 || type == 83 ||
           type == 84 || (type >= 85 && type <= 92) || type == 96 || type == 97;
}

}  // namespace emf

namespace {
using namespace emf;

// Validation of one record's variable parts; throws through fail().
class RecordChecker {
public:
    RecordChecker(const RecordView& v, uint32_t type, uint32_t index, uint32_t offset, uint16_t handles)
        : v_(v), type_(type), index_(index), offset_(offset), handles_(handles)
    {}

    [[noreturn]] void fail(const char* what) const
    {
        char buf[160];
        std::snprintf(buf, sizeof buf, "Invalid metafile: record %u (%s) at offset %u: %s", index_, RecordName(type_),
                      offset_, what);
        throw Exception(buf);
    }

    // A block of count items of itemSize bytes at offset off lies inside the record.
    void block(uint64_t off, uint64_t count, uint64_t itemSize, const char* what) const
    {
        if (count > UINT32_MAX || off > v_.size || count * itemSize > v_.size - off) fail(what);
    }
    // An optional (offset, size) pair of a bitmap part: a zero size needs no offset.
    void part(uint64_t offField, uint64_t sizeField, uint32_t fixed, const char* what) const
    {
        uint32_t off = v_.u32(offField), cb = v_.u32(sizeField);
        if (cb == 0) return;
        if (off < fixed) fail(what);
        block(off, cb, 1, what);
    }
    // A bitmap (or mask) stored as four fields from `at`: header offset and size, bits offset and size.
    void dib(uint64_t at, uint32_t fixed, bool mask = false) const
    {
        part(at, at + 4, fixed, mask ? "mask header exceeds the record" : "bitmap header exceeds the record");
        part(at + 8, at + 12, fixed, mask ? "mask bits exceed the record" : "bitmap bits exceed the record");
    }
    void createdIndex(uint64_t off) const
    {
        uint32_t ih = v_.u32(off);
        if (ih == 0 || ih >= handles_) fail("object index outside the handle table");
    }
    void usedIndex(uint64_t off) const
    {
        uint32_t ih = v_.u32(off);
        if (ih & kStockObject) {
            if ((ih & ~kStockObject) > DC_PEN) fail("unknown stock object");
            return;
        }
        if (ih == 0 || ih >= handles_) fail("object index outside the handle table");
    }
    void points(uint32_t pointSize, bool withTypes)
    {
        uint32_t n = v_.u32(24);
        block(28, n, pointSize + (withTypes ? 1 : 0), "point count exceeds the record");
    }
    void polyPoints(uint32_t pointSize)
    {
        uint64_t polys = v_.u32(24), total = v_.u32(28);
        block(32, polys, 4, "polygon count exceeds the record");
        uint64_t sum = 0;
        for (uint64_t i = 0; i < polys; ++i) sum += v_.u32(32 + 4 * i);
        if (sum != total) fail("polygon point counts do not add up");
        block(32 + 4 * polys, total, pointSize, "point count exceeds the record");
    }
    void text(uint64_t base, uint32_t charSize)
    {
        // base: offset of the EMRTEXT structure (36 for EXTTEXTOUT).
        uint32_t n = v_.u32(base + 8), offString = v_.u32(base + 12), options = v_.u32(base + 16),
                 offDx = v_.u32(base + 36);
        if (n == 0) return;
        if (offString < 8) fail("string offset inside the record header");
        block(offString, n, charSize, "string exceeds the record");
        if (offDx != 0) {
            if (offDx < 8) fail("advance offset inside the record header");
            block(offDx, n, (options & ETO_PDY) ? 8 : 4, "advances exceed the record");
        }
    }
    void region(uint64_t sizeField, uint64_t dataOff)
    {
        uint32_t cb = v_.u32(sizeField);
        block(dataOff, cb, 1, "region data exceeds the record");
        if (cb == 0) return;
        if (cb < 32) fail("region data too short");
        uint32_t count = v_.u32(dataOff + 8);
        block(dataOff + 32, count, 16, "region rectangles exceed the region data");
        if (32 + static_cast<uint64_t>(count) * 16 > cb) fail("region rectangles exceed the region data");
    }

    void check()
    {
        switch (type_) {
        case EMR_POLYBEZIER:
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO: points(8, false); break;
        case EMR_POLYBEZIER16:
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16: points(4, false); break;
        case EMR_POLYDRAW: points(8, true); break;
        case EMR_POLYDRAW16: points(4, true); break;
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYGON: polyPoints(8); break;
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON16: polyPoints(4); break;
        case EMR_EOF: {
            uint32_t n = v_.u32(8), off = v_.u32(12);
            if (n != 0) {
                if (off < 12) fail("palette offset inside the record header");
                block(off, n, 4, "palette exceeds the record");
            }
            break;
        }
        case EMR_CREATEPEN:
        case EMR_CREATEBRUSHINDIRECT:
        case EMR_EXTCREATEFONTINDIRECTW: createdIndex(8); break;
        case EMR_CREATEPALETTE:
            createdIndex(8);
            block(16, v_.u16(14), 4, "palette exceeds the record");
            break;
        case EMR_SETPALETTEENTRIES:
            usedIndex(8);
            block(20, v_.u32(16), 4, "palette exceeds the record");
            break;
        case EMR_SELECTOBJECT:
        case EMR_DELETEOBJECT:
        case EMR_SELECTPALETTE: usedIndex(8); break;
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT:
            createdIndex(8);
            dib(16, 32);
            break;
        case EMR_EXTCREATEPEN:
            createdIndex(8);
            dib(12, 52);
            block(52, v_.u32(48), 4, "style entries exceed the record");
            break;
        case EMR_EXTTEXTOUTA: text(36, 1); break;
        case EMR_EXTTEXTOUTW: text(36, 2); break;
        case EMR_POLYTEXTOUTA:
        case EMR_POLYTEXTOUTW: {
            uint32_t n = v_.u32(36);
            block(40, n, 40, "text count exceeds the record");
            for (uint32_t i = 0; i < n; ++i) text(40 + 40ull * i, type_ == EMR_POLYTEXTOUTW ? 2 : 1);
            break;
        }
        case EMR_GDICOMMENT: block(12, v_.u32(8), 1, "comment data exceeds the record"); break;
        case EMR_FILLRGN:
            usedIndex(28);
            region(24, 32);
            break;
        case EMR_FRAMERGN:
            usedIndex(28);
            region(24, 40);
            break;
        case EMR_INVERTRGN:
        case EMR_PAINTRGN: region(24, 28); break;
        case EMR_EXTSELECTCLIPRGN: region(8, 16); break;
        case EMR_BITBLT:
        case EMR_STRETCHBLT: dib(84, type_ == EMR_BITBLT ? 100 : 108); break;
        case EMR_MASKBLT:
            dib(84, 128);
            dib(112, 128, true);
            break;
        case EMR_PLGBLT:
            dib(96, 140);
            dib(124, 140, true);
            break;
        case EMR_SETDIBITSTODEVICE: dib(48, 76); break;
        case EMR_STRETCHDIBITS: dib(48, 80); break;
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT: dib(84, 108); break;
        case EMR_GRADIENTFILL: {
            uint64_t nVer = v_.u32(24), nTri = v_.u32(28), mode = v_.u32(32);
            block(36, nVer, 16, "vertices exceed the record");
            block(36 + 16 * nVer, nTri, mode == 2 ? 12 : 8, "gradient parts exceed the record");
            break;
        }
        default: break;
        }
    }

private:
    const RecordView& v_;
    uint32_t type_, index_, offset_;
    uint16_t handles_;
};

[[noreturn]] void HeaderFault(const char* what) { throw Exception(std::string("Invalid metafile: ") + what); }

}  // namespace

EmfFile::EmfFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
    const uint64_t fileSize = bytes_.size();
    if (fileSize == 0) return;  // an empty file is an empty picture
    if (fileSize < kHeaderSizeBase) HeaderFault("the file is too short for a header");
    RecordView h(std::span<const uint8_t>(bytes_.data(), kHeaderSizeBase));
    if (h.u32(0) != EMR_HEADER) HeaderFault("the first record is not a header");
    const uint32_t headerSize = h.u32(4);
    if (h.u32(kHeaderSignature) != kSignature) HeaderFault("wrong signature");
    if (headerSize < kHeaderSizeBase || headerSize % 4 != 0 || headerSize > fileSize) HeaderFault("bad header size");
    h = RecordView(std::span<const uint8_t>(bytes_.data(), headerSize));
    header_.bounds = h.rect(kHeaderBounds);
    header_.frame = h.rect(kHeaderFrame);
    header_.bytes = h.u32(kHeaderBytes);
    header_.records = h.u32(kHeaderRecords);
    header_.handles = h.u16(kHeaderHandles);
    header_.device = {h.i32(kHeaderDevice), h.i32(kHeaderDevice + 4)};
    header_.millimeters = {h.i32(kHeaderMillimeters), h.i32(kHeaderMillimeters + 4)};
    if (header_.bytes < headerSize || header_.bytes > fileSize) HeaderFault("byte count outside the file");
    if (header_.bytes % 4 != 0) HeaderFault("byte count not a multiple of 4");
    if (header_.handles == 0) HeaderFault("empty handle table");
    if (header_.device.cx <= 0 || header_.device.cy <= 0 || header_.millimeters.cx <= 0 || header_.millimeters.cy <= 0)
        HeaderFault("bad reference device size");
    const uint32_t nDesc = h.u32(kHeaderDescriptionCount), offDesc = h.u32(kHeaderDescriptionOffset);
    if (nDesc != 0) {
        if (offDesc < kHeaderSizeBase || offDesc > headerSize || nDesc > (headerSize - offDesc) / 2)
            HeaderFault("description outside the header");
        std::u16string d;
        for (uint32_t i = 0; i < nDesc; ++i) {
            char16_t c = h.u16(offDesc + 2ull * i);
            d.push_back(c == 0 ? u'|' : c);
        }
        while (!d.empty() && d.back() == u'|') d.pop_back();
        header_.description = Utf16ToCp1252(d);
    }
    // The extensions are present only when the header is long enough and no description
    // starts inside them.
    const uint32_t firstData = nDesc != 0 ? offDesc : headerSize;
    if (headerSize >= kHeaderSizeExt1 && firstData >= kHeaderSizeExt1) {
        uint32_t cbPix = h.u32(kHeaderPixelFormatSize), offPix = h.u32(kHeaderPixelFormatOffset);
        if (cbPix != 0 && (offPix < kHeaderSizeBase || offPix > headerSize || cbPix > headerSize - offPix))
            HeaderFault("pixel format outside the header");
        if (headerSize >= kHeaderSizeExt2 && firstData >= kHeaderSizeExt2)
            header_.micrometers = {h.i32(kHeaderMicrometers), h.i32(kHeaderMicrometers + 4)};
    }

    // The record walk: every record lies inside the declared size, the last one is EOF.
    const uint64_t end = header_.bytes;
    uint64_t pos = 0;
    bool sawEof = false;
    // A record is at least 8 bytes, so the walk cannot produce more records than this.
    records_.reserve(std::min<uint64_t>(header_.records, end / 8));
    while (pos < end) {
        const uint32_t index = static_cast<uint32_t>(records_.size());
        if (end - pos < 8) HeaderFault("a record header runs past the end");
        RecordView v(std::span<const uint8_t>(bytes_.data() + pos, end - pos));
        const uint32_t type = v.u32(0), size = v.u32(4);
        RecordView rv(std::span<const uint8_t>(bytes_.data() + pos, std::min<uint64_t>(size, end - pos)));
        RecordChecker check(rv, type, index, static_cast<uint32_t>(pos), header_.handles);
        if (size < 8 || size % 4 != 0) check.fail("bad record size");
        if (size > end - pos) check.fail("the record runs past the end of the metafile");
        if (type == 0) check.fail("bad record type");
        if (type == EMR_HEADER && index != 0) check.fail("a second header");
        if (type <= kMaxRecordType && size < kMinSize[type]) check.fail("record too short");
        if (type != EMR_HEADER) check.check();
        records_.push_back({type, size, static_cast<uint32_t>(pos)});
        pos += size;
        if (type == EMR_EOF) {
            sawEof = true;
            break;
        }
    }
    if (!sawEof) HeaderFault("no end-of-file record");
    // The header's record count is not checked: producers are known to write it one short, and
    // the walk above has already bounded every record.
}

double EmfFile::pixelsPerHmmX() const
{
    if (header_.micrometers.cx > 0) return header_.device.cx / (header_.micrometers.cx / 10.0);
    return header_.millimeters.cx > 0 ? header_.device.cx / (header_.millimeters.cx * 100.0) : 96.0 / 2540.0;
}

double EmfFile::pixelsPerHmmY() const
{
    if (header_.micrometers.cy > 0) return header_.device.cy / (header_.micrometers.cy / 10.0);
    return header_.millimeters.cy > 0 ? header_.device.cy / (header_.millimeters.cy * 100.0) : 96.0 / 2540.0;
}

Rect EmfFile::frameInPixels() const
{
    if (records_.empty()) return {};
    const Rect& f = header_.frame;
    auto px = [](double v) {
        double r = std::nearbyint(v);
        return r > 1e9 ? 1000000000 : r < -1e9 ? -1000000000 : static_cast<int32_t>(r);
    };
    double sx = pixelsPerHmmX(), sy = pixelsPerHmmY();
    // The frame is inclusive: its right edge is the last 0.01 mm inside the picture.
    return {px(f.left * sx), px(f.top * sy), px((static_cast<double>(f.right) + 1) * sx),
            px((static_cast<double>(f.bottom) + 1) * sy)};
}

}  // namespace zv
