// EmfRecorder: writes header, object, state and drawing records with their bounds.
#include "platform/emf/EmfRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/emf/EmfFormat.h"

namespace zv {
namespace {
using namespace emf;

constexpr double kHmmPerPixel = 2540.0 / kScreenPixelsPerInch;  // 0.01 mm per page pixel
constexpr uint32_t kLogFontFaceChars = 32;
constexpr size_t kKeptPerKind = 8;          // objects of each kind kept for reuse
constexpr size_t kMaxGatheredBoxes = 4096;  // boxes written at once at most
constexpr size_t kMaxRunChars = 4096;       // characters of one gathered text record at most

bool Fits16(int32_t v) { return v >= -32768 && v <= 32767; }
bool Overlap(const Rect& a, const Rect& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

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

// The box around non-empty points widened by half the pen, and whether every point fits the
// 16-bit record forms.
std::pair<Rect, bool> BoundPoints(std::span<const Point> pts, int32_t penHalf)
{
    Rect b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    bool small = true;
    for (const Point& p : pts) {
        b.left = std::min(b.left, p.x);
        b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x);
        b.bottom = std::max(b.bottom, p.y);
        small = small && p.x >= -32768 && p.x <= 32767 && p.y >= -32768 && p.y <= 32767;
    }
    return {{b.left - penHalf, b.top - penHalf, b.right + penHalf, b.bottom + penHalf}, small};
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

template <class T>
uint32_t EmfRecorder::reuse(std::vector<Kept<T>>& kept, const T& value)
{
    for (Kept<T>& k : kept)
        if (k.value == value) {
            k.used = ++useClock_;
            ++refs_[k.slot];
            return k.slot;
        }
    return 0;
}

template <class T>
void EmfRecorder::keep(std::vector<Kept<T>>& kept, const T& value, uint32_t slot)
{
    if (kept.size() >= kKeptPerKind) {
        auto oldest = std::min_element(kept.begin(), kept.end(),
                                       [](const Kept<T>& a, const Kept<T>& b) { return a.used < b.used; });
        const uint32_t gone = oldest->slot;
        kept.erase(oldest);
        release(gone);  // deleted now, or once no state selects it any more
    }
    ++refs_[slot];
    kept.push_back({value, slot, ++useClock_});
}

template <class T, class Create>
uint32_t EmfRecorder::selectKept(std::vector<Kept<T>>& kept, const T& value, Create create)
{
    uint32_t slot = reuse(kept, value);
    if (!slot) {
        slot = allocSlot();
        create(slot);
        refs_[slot] = 1;
        keep(kept, value, slot);
    }
    emitSimple(EMR_SELECTOBJECT, {slot});
    return slot;
}

void EmfRecorder::selectPen(const Pen& want)
{
    if (dc_.penValid && dc_.penValue == want) return;
    uint32_t old = dc_.pen;
    if (want.style == PenStyle::Clear) {
        emitSimple(EMR_SELECTOBJECT, {kStockObject | NULL_PEN});
        dc_.pen = 0;
    } else {
        dc_.pen = selectKept(keptPens_, want, [this, &want](uint32_t slot) {
            emitSimple(EMR_CREATEPEN, {slot, PenStyleCode(want.style), static_cast<uint32_t>(std::max(want.width, 0)),
                                       0, want.color & 0xFFFFFF});
        });
    }
    release(old);
    dc_.penValue = want;
    dc_.penValid = true;
}

void EmfRecorder::usePen()
{
    Pen want = pen();
    want.color = ColorToRGB(want.color);
    if (want.color == clNone) want.style = PenStyle::Clear;
    selectPen(want);
}

void EmfRecorder::selectBrush(const Brush& want)
{
    if (dc_.brushValid && dc_.brushValue == want) return;
    uint32_t old = dc_.brush;
    if (want.style == BrushStyle::Clear) {
        emitSimple(EMR_SELECTOBJECT, {kStockObject | NULL_BRUSH});
        dc_.brush = 0;
    } else {
        dc_.brush = selectKept(keptBrushes_, want, [this, &want](uint32_t slot) {
            const uint32_t style = want.style == BrushStyle::Solid ? BS_SOLID : BS_HATCHED;
            const uint32_t hatch = want.style == BrushStyle::Solid ? 0 : static_cast<uint32_t>(want.style) - 2;
            emitSimple(EMR_CREATEBRUSHINDIRECT, {slot, style, want.color & 0xFFFFFF, hatch});
        });
    }
    release(old);
    dc_.brushValue = want;
    dc_.brushValid = true;
}

void EmfRecorder::useBrush()
{
    Brush want = brush();
    want.color = ColorToRGB(want.color);
    if (IsClearBrush(want)) want = {clNone, BrushStyle::Clear};
    selectBrush(want);
}

void EmfRecorder::useFont()
{
    Font want = font();
    want.color = 0;  // the colour is text-colour state, not part of the font object
    if (dc_.fontValid && dc_.fontValue == want) return;
    uint32_t old = dc_.font;
    const uint32_t slot = selectKept(keptFonts_, want, [this, &want](uint32_t slot) {
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
    });
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
    flush();
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
    flush();
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
    const auto [b, small] = BoundPoints(pts, penHalf());
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
    if (gatherBox(pts)) return;
    flush();
    usePen();
    useBrush();
    polyRecord(EMR_POLYGON, pts);
}

void EmfRecorder::polyline(std::span<const Point> pts)
{
    if (pts.size() < 2) return;
    flush();
    usePen();
    polyRecord(EMR_POLYLINE, pts);
}

void EmfRecorder::onMoveTo(int32_t, int32_t) {}

void EmfRecorder::onLineTo(int32_t x, int32_t y)
{
    // Each line is its own bounded two-point polyline; the canvas keeps the pen position.
    Point pts[2] = {penPos(), {x, y}};
    flush();
    usePen();
    polyRecord(EMR_POLYLINE, pts);
}

void EmfRecorder::textRecord(int32_t x, int32_t y, std::string_view text, const Rect* clip,
                             const std::span<const int32_t>* givenDx)
{
    if (text.empty()) return;
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

    // Inside a text run, a transparent, unclipped, upright text without lines drawn along it can
    // join the text before it on its line: only the advance of that text's last character grows.
    const bool joinable = gathering_ && textRuns_ > 0 && !clip && f.escapement == 0 &&
                          (f.style & (fsUnderline | fsStrikeOut)) == 0 && IsClearBrush(brush()) && width >= 0;
    if (run_.open) {
        int64_t end = run_.x;
        for (int32_t d : run_.dx) end += d;
        Font want = f;
        want.color = 0;
        Color tc = ColorToRGB(f.color);
        if (tc == clNone) tc = clBlack;
        if (joinable && y == run_.y && x >= end && x - end <= INT32_MAX / 2 && dc_.fontValid && dc_.fontValue == want &&
            dc_.textColor == tc && dc_.bkMode == TRANSPARENT && run_.text.size() + text.size() <= kMaxRunChars) {
            run_.dx.back() = Clamp32(run_.dx.back() + (x - end));
            run_.text.append(text);
            run_.dx.insert(run_.dx.end(), dx.begin(), dx.end());
            run_.box = {std::min(run_.box.left, box.left), std::min(run_.box.top, box.top),
                        std::max(run_.box.right, box.right), std::max(run_.box.bottom, box.bottom)};
            return;
        }
    }
    flush();
    useFont();
    useTextState();
    if (joinable) {
        run_ = {x, y, std::string(text), std::move(dx), box, true};
        return;
    }
    Rect bounds = box;
    if (clip) {
        Rect c{clip->left, clip->top, clip->right - 1, clip->bottom - 1};
        Rect i{std::max(box.left, c.left), std::max(box.top, c.top), std::min(box.right, c.right),
               std::min(box.bottom, c.bottom)};
        if (i.left <= i.right && i.top <= i.bottom) bounds = i;
    }
    writeText(x, y, Cp1252ToUtf16(text), dx, bounds, clip);
}

void EmfRecorder::writeText(int32_t x, int32_t y, const std::u16string& wide, std::span<const int32_t> dx,
                            const Rect& bounds, const Rect* clip)
{
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
    for (size_t i = 0; i < n; ++i) put32(static_cast<uint32_t>(i < dx.size() ? dx[i] : 0));
    end(s);
    addBounds(bounds);
}

void EmfRecorder::flushText()
{
    if (!run_.open) return;
    TextRun run = std::move(run_);
    run_ = {};
    writeText(run.x, run.y, Cp1252ToUtf16(run.text), run.dx, run.box, nullptr);
}

bool EmfRecorder::gatherBox(std::span<const Point> pts)
{
    if (!gathering_ || pts.size() != 4) return false;
    const Pen& p = pen();
    const Brush& b = brush();
    if (p.style != PenStyle::Solid || p.width > 1 || b.style != BrushStyle::Solid) return false;
    const Color color = ColorToRGB(p.color);
    if (color != ColorToRGB(b.color) || color == clNone) return false;
    Rect r{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const Point& q : pts) {
        if (!Fits16(q.x) || !Fits16(q.y)) return false;
        r = {std::min(r.left, q.x), std::min(r.top, q.y), std::max(r.right, q.x), std::max(r.bottom, q.y)};
    }
    // Every point a corner, every edge along an axis; a box with area needs its four corners.
    for (size_t i = 0; i < 4; ++i) {
        const Point& q = pts[i];
        const Point& next = pts[(i + 1) % 4];
        if ((q.x != r.left && q.x != r.right) || (q.y != r.top && q.y != r.bottom)) return false;
        if (q.x != next.x && q.y != next.y) return false;
        if (r.left != r.right && r.top != r.bottom)
            for (size_t j = 0; j < i; ++j)
                if (pts[j] == q) return false;
    }
    flushText();  // a text gathered before is drawn before the box
    for (const Box& other : boxes_)
        if (Overlap(other.r, r)) {
            flushBoxes();
            break;
        }
    if (boxes_.size() >= kMaxGatheredBoxes) flushBoxes();
    boxes_.push_back({r, color});
    return true;
}

void EmfRecorder::flushBoxes()
{
    if (boxes_.empty()) return;
    std::vector<Box> boxes = std::move(boxes_);
    boxes_.clear();
    std::vector<Color> colors;
    std::vector<size_t> counts;
    Rect all = boxes[0].r;
    int64_t area = 0;
    for (const Box& b : boxes) {
        auto it = std::find(colors.begin(), colors.end(), b.color);
        if (it == colors.end()) {
            colors.push_back(b.color);
            counts.push_back(1);
        } else {
            ++counts[static_cast<size_t>(it - colors.begin())];
        }
        all = {std::min(all.left, b.r.left), std::min(all.top, b.r.top), std::max(all.right, b.r.right),
               std::max(all.bottom, b.r.bottom)};
        area += (int64_t{b.r.right} - b.r.left + 1) * (int64_t{b.r.bottom} - b.r.top + 1);
    }
    auto select = [this](Color c) {
        selectPen(Pen{c, 1, PenStyle::Solid});
        selectBrush(Brush{c, BrushStyle::Solid});
    };
    auto writeSet = [this](std::span<const Rect> rects) {
        Rect b = rects[0];
        for (const Rect& r : rects)
            b = {std::min(b.left, r.left), std::min(b.top, r.top), std::max(b.right, r.right),
                 std::max(b.bottom, r.bottom)};
        const bool one = rects.size() == 1;
        size_t s = begin(one ? EMR_POLYGON16 : EMR_POLYPOLYGON16);
        putRect(b);
        if (!one) put32(static_cast<uint32_t>(rects.size()));
        put32(static_cast<uint32_t>(rects.size() * 4));
        if (!one)
            for (size_t i = 0; i < rects.size(); ++i) put32(4);
        auto pt = [this](int32_t x, int32_t y) {
            put32((static_cast<uint32_t>(x) & 0xFFFF) | (static_cast<uint32_t>(y) << 16));
        };
        // The corners in the order the barcode draws them: down the left edge, up the right.
        for (const Rect& r : rects) {
            pt(r.left, r.top);
            pt(r.left, r.bottom);
            pt(r.right, r.bottom);
            pt(r.right, r.top);
        }
        end(s);
        addBounds(b);
    };
    // Two colours that tile their common box exactly (the boxes never overlap): one fills the
    // whole box first and only the other one's boxes follow. The one whose pen and brush are
    // selected already goes first (no selection records), else the commoner one.
    Color back = clNone;
    if (colors.size() == 2 && area == (int64_t{all.right} - all.left + 1) * (int64_t{all.bottom} - all.top + 1)) {
        back = counts[0] >= counts[1] ? colors[0] : colors[1];
        for (Color c : colors)
            if (dc_.penValid && dc_.brushValid && dc_.penValue == Pen{c, 1, PenStyle::Solid} &&
                dc_.brushValue == Brush{c, BrushStyle::Solid})
                back = c;
    }
    if (back != clNone) {
        select(back);
        const Rect whole[1] = {all};
        writeSet(whole);
    }
    std::vector<Rect> rects;
    for (Color c : colors) {
        if (c == back) continue;
        rects.clear();
        for (const Box& b : boxes)
            if (b.color == c) rects.push_back(b.r);
        select(c);
        writeSet(rects);
    }
}

void EmfRecorder::flush()
{
    flushText();
    flushBoxes();
}

void EmfRecorder::beginTextRun() { ++textRuns_; }

void EmfRecorder::endTextRun()
{
    if (textRuns_ > 0 && --textRuns_ == 0) flushText();
}

void EmfRecorder::setGathering(bool on)
{
    flush();
    gathering_ = on;
}

void EmfRecorder::textOut(int32_t x, int32_t y, std::string_view text) { textRecord(x, y, text, nullptr); }

void EmfRecorder::textRect(const Rect& clip, int32_t x, int32_t y, std::string_view text)
{
    textRecord(x, y, text, &clip);
}

void EmfRecorder::textOutDx(int32_t x, int32_t y, std::string_view text, std::span<const int32_t> dx, const Rect* clip)
{
    // Advances given by the caller (a played metafile picture) are kept as they are.
    textRecord(x, y, text, clip, &dx);
}

void EmfRecorder::polyPolygon(std::span<const Point> pts, std::span<const uint32_t> counts, bool winding)
{
    uint64_t total = 0;
    for (uint32_t n : counts) total += n;
    if (counts.empty() || total == 0 || total > pts.size()) return;
    flush();
    usePen();
    useBrush();
    uint32_t mode = winding ? WINDING : ALTERNATE;
    if (mode != dc_.polyFill) {
        emitSimple(EMR_SETPOLYFILLMODE, {mode});
        dc_.polyFill = mode;
    }
    pts = pts.first(total);
    const auto [b, small] = BoundPoints(pts, penHalf());
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
    if (bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * bitmap.height) throw Exception("Invalid bitmap");
    flush();
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
    flush();
    size_t s = begin(EMR_INTERSECTCLIPRECT);
    putRect(r);
    end(s);
}

void EmfRecorder::resetClip()
{
    flush();
    emitSimple(EMR_EXTSELECTCLIPRGN, {0, RGN_COPY});
}

void EmfRecorder::saveState()
{
    flush();
    emitSimple(EMR_SAVEDC, {});
    for (uint32_t slot : {dc_.pen, dc_.brush, dc_.font})
        if (slot != 0) ++refs_[slot];
    saved_.push_back({dc_, pen(), brush(), font()});
}

void EmfRecorder::restoreState()
{
    if (saved_.empty()) return;
    flush();
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
    flush();
    while (!saved_.empty()) restoreState();
    // Put the stock objects back and delete ours, so no object outlives the picture.
    if (dc_.pen) emitSimple(EMR_SELECTOBJECT, {kStockObject | BLACK_PEN});
    if (dc_.brush) emitSimple(EMR_SELECTOBJECT, {kStockObject | WHITE_BRUSH});
    if (dc_.font) emitSimple(EMR_SELECTOBJECT, {kStockObject | DEVICE_DEFAULT_FONT});
    for (uint32_t slot : {dc_.pen, dc_.brush, dc_.font}) release(slot);
    for (const auto& k : keptPens_) release(k.slot);
    for (const auto& k : keptBrushes_) release(k.slot);
    for (const auto& k : keptFonts_) release(k.slot);
    keptPens_.clear();
    keptBrushes_.clear();
    keptFonts_.clear();
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
    out_.shrink_to_fit();  // a page keeps its bytes for the report's life: no spare capacity
    return std::move(out_);
}

}  // namespace zv
