// EmfRecorder: writes header, object, state and drawing records with their bounds.
#include "platform/emf/EmfRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/emf/EmfFormat.h"
#include "platform/base/Error.h"
#include "platform/base/Text.h"

namespace zv {
namespace {
using namespace emf;

constexpr double kHmmPerPixel = 2540.0 / kScreenPixelsPerInch;  // 0.01 mm per page pixel
constexpr uint32_t kLogFontFaceChars = 32;

uint32_t PenStyleCode(PenStyle s)
{
    switch (s) {
    case PenStyle::Solid: return PS_SOLID;
    case PenStyle::Dash: return PS_DASH;
    case PenStyle::Dot: return PS_DOT;
    case PenStyle::DashDot: return PS_DASHDOT;
    case PenStyle::DashDotDot: return PS_DASHDOTDOT;
    case PenStyle::Clear: return PS_NULL;
    case PenStyle::InsideFrame: return PS_INSIDEFRAME;
    }
    return PS_SOLID;
}

bool IsClearBrush(const Brush& b) { return b.style == BrushStyle::Clear || b.color == clNone; }

int32_t Clamp32(double v)
{
    if (!(v == v)) return 0;
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

}  // namespace

EmfRecorder::EmfRecorder(int32_t width, int32_t height, std::string_view description)
    : width_(std::max(width, 1)), height_(std::max(height, 1))
{
    refs_.assign(1, 1);
    std::u16string desc;
    if (!description.empty()) {
        desc = Cp1252ToUtf16(description);
        desc.push_back(0);
        desc.push_back(0);
    }
    size_t h = begin(EMR_HEADER);
    putRect({0, 0, -1, -1});  // bounds, patched by finish()
    putRect({0, 0, Clamp32(std::nearbyint(width_ * kHmmPerPixel)) - 1,
             Clamp32(std::nearbyint(height_ * kHmmPerPixel)) - 1});
    put32(kSignature);
    put32(kVersion);
    put32(0);  // nBytes
    put32(0);  // nRecords
    put32(0);  // nHandles (16 bits) and the reserved 16 bits
    put32(static_cast<uint32_t>(desc.size()));
    put32(desc.empty() ? 0 : kHeaderSizeExt2);
    put32(0);  // palette entries
    put32(kDeviceWidth);
    put32(kDeviceHeight);
    put32(kDeviceWidthMm);
    put32(kDeviceHeightMm);
    put32(0);  // no pixel format
    put32(0);
    put32(0);  // not OpenGL
    put32(kDeviceWidthMm * 1000);
    put32(kDeviceHeightMm * 1000);
    for (char16_t c : desc) {
        out_.push_back(static_cast<uint8_t>(c & 0xFF));
        out_.push_back(static_cast<uint8_t>(c >> 8));
    }
    end(h);
    // Text is placed by the top-left corner of its cell, as the canvas defines it.
    emitSimple(EMR_SETTEXTALIGN, {0});
}

EmfRecorder::~EmfRecorder() = default;

size_t EmfRecorder::begin(uint32_t type)
{
    ensureLive();
    size_t start = out_.size();
    put32(type);
    put32(0);
    ++records_;
    return start;
}

void EmfRecorder::end(size_t start)
{
    while (out_.size() % 4 != 0) out_.push_back(0);
    uint32_t size = static_cast<uint32_t>(out_.size() - start);
    std::memcpy(out_.data() + start + 4, &size, 4);
}

void EmfRecorder::put32(uint32_t v)
{
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
    out_.insert(out_.end(), b, b + 4);
}

void EmfRecorder::emitSimple(uint32_t type, std::initializer_list<uint32_t> values)
{
    size_t s = begin(type);
    for (uint32_t v : values) put32(v);
    end(s);
}

void EmfRecorder::ensureLive() const
{
    if (finished_) throw Exception("The metafile recording is already finished");
}

void EmfRecorder::addBounds(const Rect& r)
{
    if (r.right < r.left || r.bottom < r.top) return;
    if (!haveBounds_) {
        bounds_ = r;
        haveBounds_ = true;
        return;
    }
    bounds_.left = std::min(bounds_.left, r.left);
    bounds_.top = std::min(bounds_.top, r.top);
    bounds_.right = std::max(bounds_.right, r.right);
    bounds_.bottom = std::max(bounds_.bottom, r.bottom);
}

uint32_t EmfRecorder::allocSlot()
{
    uint32_t slot = 1;
    while (slot < refs_.size() && refs_[slot] != 0) ++slot;
    if (slot >= 0xFFFF) throw Exception("Too many objects in the metafile");
    if (slot == refs_.size()) refs_.push_back(0);
    maxHandles_ = std::max(maxHandles_, slot + 1);
    return slot;
}

void EmfRecorder::release(uint32_t slot)
{
    if (slot == 0 || slot >= refs_.size() || refs_[slot] == 0) return;
    if (--refs_[slot] == 0) emitSimple(EMR_DELETEOBJECT, {slot});
}

int32_t EmfRecorder::penHalf() const
{
    if (pen().style == PenStyle::Clear) return 0;
    return std::max(pen().width, 1) / 2;
}

void EmfRecorder::usePen()
{
    Pen want = pen();
    want.color = ColorToRGB(want.color);
    if (want.color == clNone) want.style = PenStyle::Clear;
    if (dc_.penValid && dc_.penValue == want) return;
    uint32_t old = dc_.pen;
    if (want.style == PenStyle::Clear) {
        emitSimple(EMR_SELECTOBJECT, {kStockObject | NULL_PEN});
        dc_.pen = 0;
    } else {
        uint32_t slot = allocSlot();
        emitSimple(EMR_CREATEPEN, {slot, PenStyleCode(want.style), static_cast<uint32_t>(std::max(want.width, 0)),
                                   0, want.color & 0xFFFFFF});
        refs_[slot] = 1;
        emitSimple(EMR_SELECTOBJECT, {slot});
        dc_.pen = slot;
    }
    release(old);
    dc_.penValue = want;
    dc_.penValid = true;
}

void EmfRecorder::useBrush()
{
    Brush want = brush();
    want.color = ColorToRGB(want.color);
    if (IsClearBrush(want)) want = {clNone, BrushStyle::Clear};
    if (dc_.brushValid && dc_.brushValue == want) return;
    uint32_t old = dc_.brush;
    if (want.style == BrushStyle::Clear) {
        emitSimple(EMR_SELECTOBJECT, {kStockObject | NULL_BRUSH});
        dc_.brush = 0;
    } else {
        uint32_t slot = allocSlot();
        uint32_t style = want.style == BrushStyle::Solid ? BS_SOLID : BS_HATCHED;
        uint32_t hatch = want.style == BrushStyle::Solid ? 0 : static_cast<uint32_t>(want.style) - 2;
        emitSimple(EMR_CREATEBRUSHINDIRECT, {slot, style, want.color & 0xFFFFFF, hatch});
        refs_[slot] = 1;
        emitSimple(EMR_SELECTOBJECT, {slot});
        dc_.brush = slot;
    }
    release(old);
    dc_.brushValue = want;
    dc_.brushValid = true;
}

void EmfRecorder::useFont()
{
    Font want = font();
    want.color = 0;  // the colour is text-colour state, not part of the font object
    if (dc_.fontValid && dc_.fontValue == want) return;
    uint32_t old = dc_.font;
    uint32_t slot = allocSlot();
    size_t s = begin(EMR_EXTCREATEFONTINDIRECTW);
    put32(slot);
    put32(static_cast<uint32_t>(want.height));
    put32(0);  // width: the font's own
    put32(static_cast<uint32_t>(want.escapement));
    put32(static_cast<uint32_t>(want.orientation));
    put32(static_cast<uint32_t>(want.weight()));
    out_.push_back((want.style & fsItalic) ? 1 : 0);
    out_.push_back((want.style & fsUnderline) ? 1 : 0);
    out_.push_back((want.style & fsStrikeOut) ? 1 : 0);
    out_.push_back(want.charset);
    out_.push_back(0);  // OUT_DEFAULT_PRECIS
    out_.push_back(0);  // CLIP_DEFAULT_PRECIS
    out_.push_back(0);  // DEFAULT_QUALITY
    out_.push_back(want.pitch);
    std::u16string face = Cp1252ToUtf16(want.name.substr(0, kLogFontFaceChars - 1));
    face.resize(kLogFontFaceChars, 0);
    for (char16_t c : face) {
        out_.push_back(static_cast<uint8_t>(c & 0xFF));
        out_.push_back(static_cast<uint8_t>(c >> 8));
    }
    end(s);
    refs_[slot] = 1;
    emitSimple(EMR_SELECTOBJECT, {slot});
    dc_.font = slot;
    release(old);
    dc_.fontValue = want;
    dc_.fontValid = true;
}

void EmfRecorder::useTextState()
{
    Color tc = ColorToRGB(font().color);
    if (tc == clNone) tc = clBlack;
    if (tc != dc_.textColor) {
        emitSimple(EMR_SETTEXTCOLOR, {tc & 0xFFFFFF});
        dc_.textColor = tc;
    }
    // An opaque text background takes the brush colour, as the canvas defines it.
    Brush b = brush();
    b.color = ColorToRGB(b.color);
    uint32_t mode = IsClearBrush(b) ? TRANSPARENT : OPAQUE;
    if (mode != dc_.bkMode) {
        emitSimple(EMR_SETBKMODE, {mode});
        dc_.bkMode = mode;
    }
    if (mode == OPAQUE && b.color != dc_.bkColor) {
        emitSimple(EMR_SETBKCOLOR, {b.color & 0xFFFFFF});
        dc_.bkColor = b.color;
    }
}

void EmfRecorder::rectangle(const Rect& r)
{
    usePen();
    useBrush();
    size_t s = begin(EMR_RECTANGLE);
    putRect(r);
    end(s);
    int32_t h = penHalf();
    addBounds({r.left - h, r.top - h, r.right - 1 + h, r.bottom - 1 + h});
}

void EmfRecorder::fillRect(const Rect& r)
{
    if (r.isEmpty() || IsClearBrush(brush())) return;
    // A rectangle drawn without a pen covers one pixel less on the right and bottom.
    Pen keep = pen();
    penRef().style = PenStyle::Clear;
    usePen();
    useBrush();
    setPen(keep);
    size_t s = begin(EMR_RECTANGLE);
    putRect({r.left, r.top, r.right + 1, r.bottom + 1});
    end(s);
    addBounds({r.left, r.top, r.right - 1, r.bottom - 1});
}

void EmfRecorder::polyRecord(uint32_t type, std::span<const Point> pts)
{
    if (pts.empty()) return;
    Rect b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    bool small = true;
    for (const Point& p : pts) {
        b.left = std::min(b.left, p.x);
        b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x);
        b.bottom = std::max(b.bottom, p.y);
        small = small && p.x >= -32768 && p.x <= 32767 && p.y >= -32768 && p.y <= 32767;
    }
    int32_t h = penHalf();
    b = {b.left - h, b.top - h, b.right + h, b.bottom + h};
    // The 16-bit forms halve the size of dense pages (barcodes) when the points allow it.
    size_t s = begin(small ? type + (EMR_POLYGON16 - EMR_POLYGON) : type);
    putRect(b);
    put32(static_cast<uint32_t>(pts.size()));
    for (const Point& p : pts) {
        if (small) {
            put32((static_cast<uint32_t>(p.x) & 0xFFFF) | (static_cast<uint32_t>(p.y) << 16));
        } else {
            put32(static_cast<uint32_t>(p.x));
            put32(static_cast<uint32_t>(p.y));
        }
    }
    end(s);
    addBounds(b);
}

void EmfRecorder::polygon(std::span<const Point> pts)
{
    if (pts.size() < 2) return;
    usePen();
    useBrush();
    polyRecord(EMR_POLYGON, pts);
}

void EmfRecorder::polyline(std::span<const Point> pts)
{
    if (pts.size() < 2) return;
    usePen();
    polyRecord(EMR_POLYLINE, pts);
}

void EmfRecorder::onMoveTo(int32_t, int32_t) {}

void EmfRecorder::onLineTo(int32_t x, int32_t y)
{
    // Each line is its own bounded two-point polyline; the canvas keeps the pen position.
    Point pts[2] = {penPos(), {x, y}};
    usePen();
    polyRecord(EMR_POLYLINE, pts);
}

void EmfRecorder::textRecord(int32_t x, int32_t y, std::string_view text, const Rect* clip,
                             const std::span<const int32_t>* givenDx)
{
    if (text.empty()) return;
    useFont();
    useTextState();
    FontMetrics& m = metrics();
    const Font& f = font();
    std::vector<int32_t> dx(text.size());
    int64_t width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        dx[i] = givenDx && i < givenDx->size() ? (*givenDx)[i] : m.advance(f, static_cast<uint8_t>(text[i]));
        width += dx[i];
    }
    const int32_t height = m.metrics(f).height;
    // The text cell, turned about the reference point by the escapement.
    Rect box{x, y, Clamp32(x + width - 1), Clamp32(static_cast<int64_t>(y) + height - 1)};
    if (f.escapement % 3600 != 0) {
        double a = f.escapement * M_PI / 1800.0, c = std::cos(a), sn = std::sin(a);
        double xs[4], ys[4];
        double cx[4] = {0, static_cast<double>(width), static_cast<double>(width), 0};
        double cy[4] = {0, 0, static_cast<double>(height), static_cast<double>(height)};
        for (int i = 0; i < 4; ++i) {
            xs[i] = x + cx[i] * c + cy[i] * sn;
            ys[i] = y - cx[i] * sn + cy[i] * c;
        }
        box = {Clamp32(std::floor(*std::min_element(xs, xs + 4))), Clamp32(std::floor(*std::min_element(ys, ys + 4))),
               Clamp32(std::ceil(*std::max_element(xs, xs + 4)) - 1),
               Clamp32(std::ceil(*std::max_element(ys, ys + 4)) - 1)};
    }
    Rect bounds = box;
    if (clip) {
        Rect c{clip->left, clip->top, clip->right - 1, clip->bottom - 1};
        Rect i{std::max(box.left, c.left), std::max(box.top, c.top), std::min(box.right, c.right),
               std::min(box.bottom, c.bottom)};
        if (i.left <= i.right && i.top <= i.bottom) bounds = i;
    }
    std::u16string wide = Cp1252ToUtf16(text);
    const uint32_t n = static_cast<uint32_t>(wide.size());
    const uint32_t offString = kTextFixedSize;
    const uint32_t offDx = offString + ((n * 2 + 3) & ~3u);
    size_t s = begin(EMR_EXTTEXTOUTW);
    putRect(bounds);
    put32(GM_COMPATIBLE);
    float scale = static_cast<float>(kHmmPerPixel);
    uint32_t scaleBits;
    std::memcpy(&scaleBits, &scale, 4);
    put32(scaleBits);
    put32(scaleBits);
    put32(static_cast<uint32_t>(x));
    put32(static_cast<uint32_t>(y));
    put32(n);
    put32(offString);
    put32(clip ? ETO_CLIPPED : 0);
    putRect(clip ? *clip : Rect{0, 0, -1, -1});
    put32(offDx);
    for (char16_t c : wide) {
        out_.push_back(static_cast<uint8_t>(c & 0xFF));
        out_.push_back(static_cast<uint8_t>(c >> 8));
    }
    while ((out_.size() - s) % 4 != 0) out_.push_back(0);
    for (int32_t d : dx) put32(static_cast<uint32_t>(d));
    end(s);
    addBounds(bounds);
}

void EmfRecorder::textOut(int32_t x, int32_t y, std::string_view text) { textRecord(x, y, text, nullptr); }

void EmfRecorder::textRect(const Rect& clip, int32_t x, int32_t y, std::string_view text)
{
    textRecord(x, y, text, &clip);
}

void EmfRecorder::textOutDx(int32_t x, int32_t y, std::string_view text, std::span<const int32_t> dx,
                            const Rect* clip)
{
    // Advances given by the caller (a played metafile picture) are kept as they are.
    textRecord(x, y, text, clip, &dx);
}

void EmfRecorder::polyPolygon(std::span<const Point> pts, std::span<const uint32_t> counts, bool winding)
{
    uint64_t total = 0;
    for (uint32_t n : counts) total += n;
    if (counts.empty() || total == 0 || total > pts.size()) return;
    usePen();
    useBrush();
    uint32_t mode = winding ? WINDING : ALTERNATE;
    if (mode != dc_.polyFill) {
        emitSimple(EMR_SETPOLYFILLMODE, {mode});
        dc_.polyFill = mode;
    }
    pts = pts.first(total);
    Rect b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    bool small = true;
    for (const Point& p : pts) {
        b.left = std::min(b.left, p.x);
        b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x);
        b.bottom = std::max(b.bottom, p.y);
        small = small && p.x >= -32768 && p.x <= 32767 && p.y >= -32768 && p.y <= 32767;
    }
    int32_t h = penHalf();
    b = {b.left - h, b.top - h, b.right + h, b.bottom + h};
    size_t s = begin(small ? EMR_POLYPOLYGON16 : EMR_POLYPOLYGON);
    putRect(b);
    put32(static_cast<uint32_t>(counts.size()));
    put32(static_cast<uint32_t>(total));
    for (uint32_t n : counts) put32(n);
    for (const Point& p : pts) {
        if (small) {
            put32((static_cast<uint32_t>(p.x) & 0xFFFF) | (static_cast<uint32_t>(p.y) << 16));
        } else {
            put32(static_cast<uint32_t>(p.x));
            put32(static_cast<uint32_t>(p.y));
        }
    }
    end(s);
    addBounds(b);
}

void EmfRecorder::stretchDraw(const Rect& dest, const Bitmap& bitmap)
{
    if (bitmap.empty() || dest.isEmpty()) return;
    if (bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * bitmap.height)
        throw Exception("Invalid bitmap");
    const uint64_t bitsSize = static_cast<uint64_t>(bitmap.width) * bitmap.height * 4;
    if (bitsSize > 0x7FFFFFFF - 200) throw Exception("Bitmap too large for a metafile");
    const uint32_t fixed = 80, bmiSize = 40;
    size_t s = begin(EMR_STRETCHDIBITS);
    Rect bounds{dest.left, dest.top, dest.right - 1, dest.bottom - 1};
    putRect(bounds);
    put32(static_cast<uint32_t>(dest.left));
    put32(static_cast<uint32_t>(dest.top));
    put32(0);
    put32(0);
    put32(static_cast<uint32_t>(bitmap.width));
    put32(static_cast<uint32_t>(bitmap.height));
    put32(fixed);
    put32(bmiSize);
    put32(fixed + bmiSize);
    put32(static_cast<uint32_t>(bitsSize));
    put32(DIB_RGB_COLORS);
    put32(SRCCOPY);
    put32(static_cast<uint32_t>(dest.width()));
    put32(static_cast<uint32_t>(dest.height()));
    // BITMAPINFOHEADER: 32 bits per pixel, bottom-up rows, no compression.
    put32(bmiSize);
    put32(static_cast<uint32_t>(bitmap.width));
    put32(static_cast<uint32_t>(bitmap.height));
    put32(1 | (32u << 16));
    put32(BI_RGB);
    put32(static_cast<uint32_t>(bitsSize));
    put32(3780);  // 96 per inch in pixels per metre
    put32(3780);
    put32(0);
    put32(0);
    out_.reserve(out_.size() + bitsSize);
    for (int32_t y = bitmap.height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < bitmap.width; ++x) {
            uint32_t p = bitmap.at(x, y);
            if (bitmap.hasAlpha) {
                // StretchDIBits has no transparency: composite over white paper.
                uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                r = (r * a + 255 * (255 - a) + 127) / 255;
                g = (g * a + 255 * (255 - a) + 127) / 255;
                b = (b * a + 255 * (255 - a) + 127) / 255;
                p = (r << 16) | (g << 8) | b;
            }
            put32(p & 0xFFFFFF);
        }
    }
    end(s);
    addBounds(bounds);
}

void EmfRecorder::intersectClipRect(const Rect& r)
{
    size_t s = begin(EMR_INTERSECTCLIPRECT);
    putRect(r);
    end(s);
}

void EmfRecorder::resetClip() { emitSimple(EMR_EXTSELECTCLIPRGN, {0, RGN_COPY}); }

void EmfRecorder::saveState()
{
    emitSimple(EMR_SAVEDC, {});
    for (uint32_t slot : {dc_.pen, dc_.brush, dc_.font})
        if (slot != 0) ++refs_[slot];
    saved_.push_back({dc_, pen(), brush(), font()});
}

void EmfRecorder::restoreState()
{
    if (saved_.empty()) return;
    Saved s = saved_.back();
    saved_.pop_back();
    emitSimple(EMR_RESTOREDC, {static_cast<uint32_t>(-1)});
    DcState old = dc_;
    dc_ = s.dc;
    for (uint32_t slot : {old.pen, old.brush, old.font}) release(slot);
    setPen(s.pen);
    setBrush(s.brush);
    setFont(s.font);
}

std::vector<uint8_t> EmfRecorder::finish()
{
    ensureLive();
    while (!saved_.empty()) restoreState();
    // Put the stock objects back and delete ours, so no object outlives the picture.
    if (dc_.pen) emitSimple(EMR_SELECTOBJECT, {kStockObject | BLACK_PEN});
    if (dc_.brush) emitSimple(EMR_SELECTOBJECT, {kStockObject | WHITE_BRUSH});
    if (dc_.font) emitSimple(EMR_SELECTOBJECT, {kStockObject | DEVICE_DEFAULT_FONT});
    for (uint32_t slot : {dc_.pen, dc_.brush, dc_.font}) release(slot);
    dc_ = {};
    size_t s = begin(EMR_EOF);
    put32(0);
    put32(16);
    put32(20);
    end(s);
    auto patch = [&](size_t off, uint32_t v) { std::memcpy(out_.data() + off, &v, 4); };
    Rect b = haveBounds_ ? bounds_ : Rect{0, 0, -1, -1};
    patch(kHeaderBounds, b.left);
    patch(kHeaderBounds + 4, b.top);
    patch(kHeaderBounds + 8, b.right);
    patch(kHeaderBounds + 12, b.bottom);
    patch(kHeaderBytes, static_cast<uint32_t>(out_.size()));
    patch(kHeaderRecords, static_cast<uint32_t>(records_));
    patch(kHeaderHandles, maxHandles_ & 0xFFFF);
    finished_ = true;
    return std::move(out_);
}

}  // namespace zv
