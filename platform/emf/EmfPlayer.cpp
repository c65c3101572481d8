// Enhanced-metafile player: device-context state, mapping modes, transforms, paths, text and bitmaps.
#include "platform/emf/EmfPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/draw/DibDetail.h"
#include "platform/emf/EmfFormat.h"

namespace zv {
namespace {
using namespace emf;

constexpr double kPi = 3.14159265358979323846;
constexpr double kCoordLimit = 1.0e8;              // transformed coordinates are kept inside this
constexpr uint64_t kMaxBitmapPixels = 1ull << 24;  // decoded bitmaps (before cropping) stay under 64 MB
constexpr int kMaxCurveSteps = 64;
constexpr int32_t kDefaultFontHeight = -16;  // 12 points at 96 per inch

// Counter-clockwise hatch styles in the canvas' order.
constexpr std::array<BrushStyle, 6> kHatches = {BrushStyle::Horizontal, BrushStyle::Vertical, BrushStyle::FDiagonal,
                                                BrushStyle::BDiagonal,  BrushStyle::Cross,    BrushStyle::DiagCross};

struct PointD {
    double x = 0, y = 0;
};

// Row-vector affine transform: x' = x*m11 + y*m21 + dx, y' = x*m12 + y*m22 + dy.
struct Xform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    PointD apply(PointD p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }
    // this applied first, then o.
    Xform then(const Xform& o) const
    {
        return {m11 * o.m11 + m12 * o.m21, m11 * o.m12 + m12 * o.m22,      m21 * o.m11 + m22 * o.m21,
                m21 * o.m12 + m22 * o.m22, dx * o.m11 + dy * o.m21 + o.dx, dx * o.m12 + dy * o.m22 + o.dy};
    }
    bool finite() const
    {
        return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) &&
               std::isfinite(dx) && std::isfinite(dy);
    }
};

struct PenObj {
    Color color = clBlack;
    double width = 0;      // logical units; 0 is one device pixel
    bool cosmetic = true;  // one device pixel whatever the width
    PenStyle style = PenStyle::Solid;
};

struct FontObj {
    Font font;  // height in logical units
};

struct Object {
    enum Kind { None, PenK, BrushK, FontK, OtherK } kind = None;
    PenObj pen;
    Brush brush;
    FontObj font;
};

struct Dc {
    PenObj pen;
    Brush brush{clWhite, BrushStyle::Solid};
    FontObj font;
    Color textColor = clBlack, bkColor = clWhite;
    uint32_t bkMode = OPAQUE, textAlign = 0, polyFill = ALTERNATE, mapMode = MM_TEXT;
    uint32_t arcDir = AD_COUNTERCLOCKWISE;
    PointD windowOrg, viewportOrg;
    PointD windowExt{1, 1}, viewportExt{1, 1};
    Xform world;
    PointD cur;
    std::optional<Rect> clip;  // canvas coordinates
};

struct Figure {
    std::vector<PointD> pts;  // canvas coordinates
    bool closed = false;
};

// A step count for flattening a curve of the given length, whatever the length (NaN included).
int StepCount(double v, int lo, int hi)
{
    if (!(v > lo)) return lo;
    if (v >= hi) return hi;
    return static_cast<int>(v);
}

int32_t ToInt(double v)
{
    if (!std::isfinite(v)) return 0;
    v = std::clamp(v, -kCoordLimit, kCoordLimit);
    return static_cast<int32_t>(std::lround(v));
}

int32_t AddClamped(int32_t a, int32_t b)
{
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t(a) + b, INT32_MIN, INT32_MAX));
}

Point ToPoint(PointD p) { return {ToInt(p.x), ToInt(p.y)}; }

Font LogFontAt(const RecordView& v, uint64_t off)
{
    Font f;
    f.height = v.i32(off);
    f.escapement = v.i32(off + 8);
    f.orientation = v.i32(off + 12);
    int32_t weight = v.i32(off + 16);
    f.style = 0;
    if (weight >= 600) f.style |= fsBold;
    if (v.u8(off + 20)) f.style |= fsItalic;
    if (v.u8(off + 21)) f.style |= fsUnderline;
    if (v.u8(off + 22)) f.style |= fsStrikeOut;
    f.charset = v.u8(off + 23);
    f.pitch = v.u8(off + 27);
    std::u16string face;
    for (uint32_t i = 0; i < 32; ++i) {
        char16_t c = v.u16(off + 28 + 2 * i);
        if (c == 0) break;
        face.push_back(c);
    }
    f.name = Utf16ToCp1252(face);
    return f;
}

// Decodes the DIB of a record into an opaque top-down bitmap, cropped to the source rectangle.
// Returns false when the parts lie outside the record, the bitmap is malformed or unsupported,
// larger than kMaxBitmapPixels, or the source rectangle misses it.
bool DecodeRecordDib(const RecordView& v, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
                     uint32_t usage, int32_t xSrc, int32_t ySrc, int32_t cxSrc, int32_t cySrc, Bitmap& out)
{
    if (cbBmi == 0 || cbBits == 0 || !v.has(offBmi, cbBmi) || !v.has(offBits, cbBits)) return false;
    Bitmap full;
    bool topDown;
    try {
        const detail::DibInfo info = detail::ParseDibInfo(
            v.p + offBmi, cbBmi,
            usage == DIB_PAL_COLORS ? detail::DibColorTable::PaletteIndexes : detail::DibColorTable::Colors);
        full = detail::DecodeDibBits(info, v.p + offBits, cbBits, kMaxBitmapPixels);
        topDown = info.topDown;
    } catch (const Exception&) {
        return false;
    }
    // Source rectangle, in top-down coordinates (a bottom-up DIB measures ySrc from the bottom).
    const int64_t w = full.width, h = full.height;
    int64_t x0 = std::clamp<int64_t>(xSrc, 0, w), x1 = std::clamp<int64_t>(static_cast<int64_t>(xSrc) + cxSrc, 0, w);
    int64_t yb = topDown ? ySrc : h - static_cast<int64_t>(ySrc) - cySrc;
    int64_t y0 = std::clamp<int64_t>(yb, 0, h), y1 = std::clamp<int64_t>(yb + cySrc, 0, h);
    if (x1 <= x0 || y1 <= y0) return false;
    // Bitmap records copy colours; an alpha channel they may carry does not show.
    for (uint32_t& px : full.pixels) px |= 0xFF000000u;
    full.hasAlpha = false;
    if (x0 == 0 && y0 == 0 && x1 == w && y1 == h) {
        out = std::move(full);
        return true;
    }
    out.width = static_cast<int32_t>(x1 - x0);
    out.height = static_cast<int32_t>(y1 - y0);
    out.hasAlpha = false;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int64_t y = y0; y < y1; ++y) {
        const uint32_t* src = full.pixels.data() + static_cast<size_t>(y * w + x0);
        std::copy(src, src + out.width, out.pixels.data() + static_cast<size_t>(y - y0) * out.width);
    }
    return true;
}

// A canvas that draws nothing, for enumerations that only track state.
class NullCanvas : public Canvas {
public:
    void rectangle(const Rect&) override {}
    void fillRect(const Rect&) override {}
    void polygon(std::span<const Point>) override {}
    void polyline(std::span<const Point>) override {}
    void textOut(int32_t, int32_t, std::string_view) override {}
    void textRect(const Rect&, int32_t, int32_t, std::string_view) override {}
    void stretchDraw(const Rect&, const Bitmap&) override {}
    void intersectClipRect(const Rect&) override {}
    void resetClip() override {}
    void saveState() override {}
    void restoreState() override {}
    void textOutDx(int32_t, int32_t, std::string_view, std::span<const int32_t>, const Rect*) override {}
    void polyPolygon(std::span<const Point>, std::span<const uint32_t>, bool) override {}

protected:
    void onMoveTo(int32_t, int32_t) override {}
    void onLineTo(int32_t, int32_t) override {}
};

}  // namespace

struct EmfPlayer::Impl {
    const EmfFile& file;
    Canvas* canvas;
    NullCanvas nullCanvas;
    bool drawing;
    Rect target;
    double sx = 1, sy = 1;      // canvas pixels per reference-device pixel
    double devX = 0, devY = 0;  // device origin of the picture (frame's top-left)
    std::vector<Object> objects;
    Dc dc;
    std::vector<Dc> saved;
    bool inPath = false;
    std::vector<Figure> path;
    const std::optional<Rect>* baseClip = nullptr;

    Impl(const EmfFile& f, Canvas* c, const Rect& t)
        : file(f), canvas(c ? c : &nullCanvas), drawing(c != nullptr), target(t)
    {
        // The header's rectangles are the file's word: their edges may lie anywhere in the 32-bit
        // range, so the extents are taken in doubles (the bounds are inclusive).
        Rect frame = f.frameInPixels();
        if (frame.isEmpty()) {
            const Rect& b = f.header().bounds;
            frame = {b.left, b.top, AddClamped(b.right, 1), AddClamped(b.bottom, 1)};
        }
        if (!frame.isEmpty()) {
            sx = (double(t.right) - t.left) / (double(frame.right) - frame.left);
            sy = (double(t.bottom) - t.top) / (double(frame.bottom) - frame.top);
            devX = frame.left;
            devY = frame.top;
        }
        objects.resize(std::max<size_t>(f.header().handles, 1));
    }

    // ---- coordinates -------------------------------------------------------------------
    // Logical to reference-device units through the mapping mode.
    void pageScale(double& kx, double& ky) const
    {
        double px = file.pixelsPerHmmX(), py = file.pixelsPerHmmY();
        switch (dc.mapMode) {
        case MM_LOMETRIC: kx = px * 10, ky = -py * 10; return;
        case MM_HIMETRIC: kx = px, ky = -py; return;
        case MM_LOENGLISH: kx = px * 25.4, ky = -py * 25.4; return;
        case MM_HIENGLISH: kx = px * 2.54, ky = -py * 2.54; return;
        case MM_TWIPS: kx = px * 2540.0 / 1440, ky = -py * 2540.0 / 1440; return;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC: {
            double wx = dc.windowExt.x != 0 ? dc.windowExt.x : 1, wy = dc.windowExt.y != 0 ? dc.windowExt.y : 1;
            kx = dc.viewportExt.x / wx;
            ky = dc.viewportExt.y / wy;
            if (dc.mapMode == MM_ISOTROPIC) {
                double k = std::min(std::fabs(kx), std::fabs(ky));
                kx = kx < 0 ? -k : k;
                ky = ky < 0 ? -k : k;
            }
            if (kx == 0) kx = 1;
            if (ky == 0) ky = 1;
            return;
        }
        default: kx = 1, ky = 1; return;
        }
    }
    // The whole logical-to-canvas transform.
    Xform full() const
    {
        double kx, ky;
        pageScale(kx, ky);
        Xform page{kx, 0, 0, ky, -dc.windowOrg.x * kx + dc.viewportOrg.x, -dc.windowOrg.y * ky + dc.viewportOrg.y};
        Xform toCanvas{sx, 0, 0, sy, target.left - devX * sx, target.top - devY * sy};
        return dc.world.then(page).then(toCanvas);
    }
    PointD map(const Xform& t, double x, double y) const { return t.apply({x, y}); }
    PointD map(double x, double y) const { return full().apply({x, y}); }
    // Device (reference pixels) to canvas, for region data.
    PointD mapDevice(double x, double y) const { return {target.left + (x - devX) * sx, target.top + (y - devY) * sy}; }
    static bool axisAligned(const Xform& t) { return std::fabs(t.m12) < 1e-9 && std::fabs(t.m21) < 1e-9; }
    static double lenX(const Xform& t) { return std::hypot(t.m11, t.m12); }
    static double lenY(const Xform& t) { return std::hypot(t.m21, t.m22); }
    Rect mapRectBox(const Rect& r) const
    {
        Xform t = full();
        PointD c[4] = {t.apply({double(r.left), double(r.top)}), t.apply({double(r.right), double(r.top)}),
                       t.apply({double(r.right), double(r.bottom)}), t.apply({double(r.left), double(r.bottom)})};
        double x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
        for (auto& p : c)
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        return {ToInt(x0), ToInt(y0), ToInt(x1), ToInt(y1)};
    }

    // ---- canvas state ------------------------------------------------------------------
    void applyPen(bool use = true)
    {
        Pen p;
        if (!use || dc.pen.style == PenStyle::Clear) {
            p.style = PenStyle::Clear;
        } else {
            Xform t = full();
            double w = dc.pen.cosmetic || dc.pen.width <= 0 ? 1 : dc.pen.width * (lenX(t) + lenY(t)) / 2;
            p.width = std::max(1, ToInt(std::min(w, 10000.0)));
            p.color = dc.pen.color;
            p.style = dc.pen.style;
        }
        canvas->setPen(p);
    }
    void applyBrush(bool use = true) { canvas->setBrush(use ? dc.brush : Brush{clWhite, BrushStyle::Clear}); }
    // The canvas' own clipping (the caller's) is kept in the state saved by run(); the
    // picture's clip is put on top of it again after every change.
    void applyClip(bool fresh = false)
    {
        if (!fresh) {
            canvas->restoreState();
            canvas->saveState();
        }
        if (baseClip && *baseClip) canvas->intersectClipRect(**baseClip);
        if (dc.clip) canvas->intersectClipRect(*dc.clip);
    }
    void setClip(const Rect& r, uint32_t mode)
    {
        Rect n = r;
        if (mode == RGN_AND && dc.clip) {
            if (!IntersectRect(*dc.clip, r, &n)) n = {0, 0, 0, 0};
        } else if (mode == RGN_OR && dc.clip) {
            n = UnionRect(*dc.clip, r);
        } else if (mode != RGN_COPY && mode != RGN_AND) {
            return;  // differences and exclusive-or are not kept as rectangles
        }
        dc.clip = n;
        applyClip();
    }

    // ---- shapes ------------------------------------------------------------------------
    // Draws (or, inside a path, adds) figures in canvas coordinates.
    void emitFigures(std::vector<Figure>&& figs, bool fill, bool stroke)
    {
        if (inPath) {
            for (auto& f : figs) path.push_back(std::move(f));
            return;
        }
        if (!drawing) return;
        std::vector<Point> pts;
        std::vector<uint32_t> counts;
        for (const Figure& f : figs) {
            if (f.pts.size() < 2) continue;
            if (fill) {
                for (const PointD& p : f.pts) pts.push_back(ToPoint(p));
                counts.push_back(static_cast<uint32_t>(f.pts.size()));
            } else if (stroke) {
                std::vector<Point> line;
                for (const PointD& p : f.pts) line.push_back(ToPoint(p));
                if (f.closed) line.push_back(line.front());
                applyPen();
                canvas->polyline(line);
            }
        }
        if (fill && !counts.empty()) {
            applyPen(stroke);
            applyBrush();
            if (counts.size() == 1 && dc.polyFill == ALTERNATE)
                canvas->polygon(pts);
            else
                canvas->polyPolygon(pts, counts, dc.polyFill == WINDING);
        }
    }
    template <class Get>
    std::vector<PointD> readPoints(uint32_t n, Get get) const
    {
        Xform t = full();
        std::vector<PointD> out;
        out.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            Point p = get(i);
            out.push_back(t.apply({double(p.x), double(p.y)}));
        }
        return out;
    }
    static void bezierTo(std::vector<PointD>& out, PointD p0, PointD c1, PointD c2, PointD p3)
    {
        double len = std::hypot(c1.x - p0.x, c1.y - p0.y) + std::hypot(c2.x - c1.x, c2.y - c1.y) +
                     std::hypot(p3.x - c2.x, p3.y - c2.y);
        int steps = StepCount(len / 3, 2, kMaxCurveSteps);
        for (int i = 1; i <= steps; ++i) {
            double t = static_cast<double>(i) / steps, u = 1 - t;
            double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            out.push_back({a * p0.x + b * c1.x + c * c2.x + d * p3.x, a * p0.y + b * c1.y + c * c2.y + d * p3.y});
        }
    }
    // Points of an elliptic arc in logical units, from angle a0 sweeping by sweep (radians,
    // counter-clockwise as seen on a y-down page).
    static void arcPoints(std::vector<PointD>& out, double cx, double cy, double rx, double ry, double a0, double sweep,
                          bool includeStart)
    {
        double perim = (std::fabs(rx) + std::fabs(ry)) * std::fabs(sweep);
        int steps = StepCount(perim / 2, 4, 4 * kMaxCurveSteps);
        for (int i = includeStart ? 0 : 1; i <= steps; ++i) {
            double a = a0 + sweep * i / steps;
            out.push_back({cx + rx * std::cos(a), cy - ry * std::sin(a)});
        }
    }
    std::vector<PointD> mapAll(const std::vector<PointD>& logical) const
    {
        Xform t = full();
        std::vector<PointD> out;
        out.reserve(logical.size());
        for (const PointD& p : logical) out.push_back(t.apply(p));
        return out;
    }
    // ARC, CHORD, PIE, ARCTO: box and the two radial points.
    std::vector<PointD> arcFromRecord(const RecordView& v, double& startX, double& startY, double& endX, double& endY)
    {
        Rect box = v.rect(8);
        Point s = v.point(24), e = v.point(32);
        double cx = (double(box.left) + box.right) / 2, cy = (double(box.top) + box.bottom) / 2;
        double rx = (double(box.right) - box.left) / 2, ry = (double(box.bottom) - box.top) / 2;
        double a0 = std::atan2(-(s.y - cy) * (rx != 0 ? rx : 1), (s.x - cx) * (ry != 0 ? ry : 1));
        double a1 = std::atan2(-(e.y - cy) * (rx != 0 ? rx : 1), (e.x - cx) * (ry != 0 ? ry : 1));
        double sweep = a1 - a0;
        if (dc.arcDir == AD_CLOCKWISE) {
            while (sweep >= 0) sweep -= 2 * kPi;
        } else {
            while (sweep <= 0) sweep += 2 * kPi;
        }
        std::vector<PointD> pts;
        arcPoints(pts, cx, cy, rx, ry, a0, sweep, true);
        startX = pts.front().x, startY = pts.front().y, endX = pts.back().x, endY = pts.back().y;
        return pts;
    }

    void rectangleRecord(const Rect& r)
    {
        Xform t = full();
        if (!inPath && axisAligned(t)) {
            if (!drawing) return;
            Rect m = mapRectBox(r);
            if (dc.pen.style == PenStyle::Clear) {
                // Without a pen a rectangle covers one pixel less on the right and bottom.
                if (dc.brush.style == BrushStyle::Clear) return;
                applyBrush();
                canvas->fillRect({m.left, m.top, m.right - 1, m.bottom - 1});
                return;
            }
            applyPen();
            applyBrush();
            canvas->rectangle(m);
            return;
        }
        Figure f;
        f.closed = true;
        f.pts = {t.apply({double(r.left), double(r.top)}), t.apply({double(r.right), double(r.top)}),
                 t.apply({double(r.right), double(r.bottom)}), t.apply({double(r.left), double(r.bottom)})};
        std::vector<Figure> figs{std::move(f)};
        emitFigures(std::move(figs), true, true);
    }

    // ---- text --------------------------------------------------------------------------
    void textRecord(const EmfRecordInfo& rec, const RecordView& v, uint64_t base, bool wide)
    {
        uint32_t n = v.u32(base + 8), options = v.u32(base + 16), offDx = v.u32(base + 36);
        Rect rcl = v.rect(base + 20);
        Xform t = full();
        if ((options & ETO_OPAQUE) && !inPath && drawing && rcl.right > rcl.left && rcl.bottom > rcl.top) {
            canvas->setBrush({dc.bkColor, BrushStyle::Solid});
            canvas->fillRect(mapRectBox(rcl));
        }
        if (n == 0 || inPath || !drawing) return;
        if (options & ETO_GLYPH_INDEX) return;  // glyph indexes need the producer's font
        std::string text = rec.text;
        // Font, scaled into canvas units and turned with the transform.
        Font f = dc.font.font;
        double ky = lenY(t), kx = lenX(t);
        double h = (f.height != 0 ? f.height : kDefaultFontHeight) * ky;
        f.height = ToInt(h);
        if (f.height == 0) f.height = h < 0 ? -1 : 1;
        double kpx, kpy;
        pageScale(kpx, kpy);
        bool flipped = (t.m11 * t.m22 - t.m12 * t.m21) < 0;
        double esc = f.escapement * kPi / 1800.0;
        // Baseline direction in logical units, then through the transform.
        double bx = std::cos(esc), by = flipped ? std::sin(esc) : -std::sin(esc);
        PointD d{bx * t.m11 + by * t.m21, bx * t.m12 + by * t.m22};
        double angle = std::atan2(-d.y, d.x);
        f.escapement = ToInt(angle * 1800.0 / kPi);
        f.orientation = f.escapement;
        f.color = dc.textColor;
        // Advances: from the record, scaled; else measured.
        std::vector<int32_t> dx(n);
        double step = (options & ETO_PDY) ? 8 : 4;
        double acc = 0;
        int32_t prev = 0;
        int64_t width = 0;
        for (uint32_t i = 0; i < n; ++i) {
            double a = offDx != 0 ? v.i32(offDx + static_cast<uint64_t>(step * i)) * kx
                                  : canvas->metrics().advance(f, static_cast<uint8_t>(i < text.size() ? text[i] : ' '));
            acc += a;
            int32_t at = ToInt(acc);
            dx[i] = at - prev;
            prev = at;
            width += dx[i];
        }
        (void)wide;
        // Reference point to the top-left of the cell, by the text alignment.
        PointD ref;
        uint32_t align = dc.textAlign;
        if (align & TA_UPDATECP)
            ref = t.apply(dc.cur);
        else
            ref = t.apply({double(rec.reference.x), double(rec.reference.y)});
        TextMetrics tm = canvas->metrics().metrics(f);
        double hOff = 0, vOff = 0;
        switch (align & TA_HMASK) {
        case TA_RIGHT: hOff = static_cast<double>(width); break;
        case TA_CENTER: hOff = width / 2.0; break;
        default: break;
        }
        switch (align & TA_VMASK) {
        case TA_BASELINE: vOff = tm.ascent; break;
        case TA_BOTTOM: vOff = tm.height; break;
        default: break;
        }
        double ca = std::cos(angle), sa = std::sin(angle);
        // Along the baseline (ca, -sa); down the cell (sa, ca).
        PointD tl{ref.x - hOff * ca - vOff * sa, ref.y + hOff * sa - vOff * ca};
        if (align & TA_UPDATECP) {
            // The current position moves to the end of the text (in logical units).
            double wl = kx != 0 ? width / kx : 0;
            double lx = bx * wl, ly = by * wl;
            if ((align & TA_HMASK) == 0) dc.cur = {dc.cur.x + lx, dc.cur.y + ly};
        }
        canvas->setFont(f);
        canvas->setBrush(dc.bkMode == OPAQUE ? Brush{dc.bkColor, BrushStyle::Solid}
                                             : Brush{clWhite, BrushStyle::Clear});
        std::optional<Rect> clip;
        if (options & ETO_CLIPPED) clip = mapRectBox(rcl);
        canvas->textOutDx(ToInt(tl.x), ToInt(tl.y), text, dx, clip ? &*clip : nullptr);
    }

    // ---- bitmaps -----------------------------------------------------------------------
    void drawDib(const RecordView& v, int32_t xd, int32_t yd, int32_t cxd, int32_t cyd, uint32_t offBmi, uint32_t cbBmi,
                 uint32_t offBits, uint32_t cbBits, uint32_t usage, int32_t xs, int32_t ys, int32_t cxs, int32_t cys)
    {
        if (!drawing || inPath) return;
        Bitmap bmp;
        if (!DecodeRecordDib(v, offBmi, cbBmi, offBits, cbBits, usage, xs, ys, cxs, cys, bmp)) return;
        Rect dest = mapRectBox({xd, yd, AddClamped(xd, cxd), AddClamped(yd, cyd)});
        if (dest.isEmpty()) return;
        canvas->stretchDraw(dest, bmp);
    }
    void blt(const RecordView& v, bool stretch)
    {
        int32_t xd = v.i32(24), yd = v.i32(28), cxd = v.i32(32), cyd = v.i32(36);
        uint32_t rop = v.u32(40);
        int32_t xs = v.i32(44), ys = v.i32(48);
        uint32_t usage = v.u32(80), offBmi = v.u32(84), cbBmi = v.u32(88), offBits = v.u32(92), cbBits = v.u32(96);
        if (cbBits == 0) {
            // No source: a pattern fill with the brush, or black/white.
            if (!drawing || inPath) return;
            Brush b = dc.brush;
            if (rop == BLACKNESS)
                b = {clBlack, BrushStyle::Solid};
            else if (rop == WHITENESS)
                b = {clWhite, BrushStyle::Solid};
            else if (rop != PATCOPY)
                return;
            canvas->setBrush(b);
            canvas->fillRect(mapRectBox({xd, yd, AddClamped(xd, cxd), AddClamped(yd, cyd)}));
            return;
        }
        int32_t cxs = stretch ? v.i32(100) : cxd, cys = stretch ? v.i32(104) : cyd;
        drawDib(v, xd, yd, cxd, cyd, offBmi, cbBmi, offBits, cbBits, usage, xs, ys, cxs, cys);
    }

    // ---- objects -----------------------------------------------------------------------
    Object* slot(uint32_t ih)
    {
        if (ih == 0 || ih >= objects.size()) return nullptr;
        return &objects[ih];
    }
    void selectStock(uint32_t which)
    {
        switch (which) {
        case WHITE_BRUSH: dc.brush = {clWhite, BrushStyle::Solid}; break;
        case LTGRAY_BRUSH: dc.brush = {0xC0C0C0, BrushStyle::Solid}; break;
        case GRAY_BRUSH: dc.brush = {0x808080, BrushStyle::Solid}; break;
        case DKGRAY_BRUSH: dc.brush = {0x404040, BrushStyle::Solid}; break;
        case BLACK_BRUSH: dc.brush = {clBlack, BrushStyle::Solid}; break;
        case NULL_BRUSH: dc.brush = {clWhite, BrushStyle::Clear}; break;
        case DC_BRUSH: dc.brush = {clWhite, BrushStyle::Solid}; break;
        case WHITE_PEN: dc.pen = {clWhite, 0, true, PenStyle::Solid}; break;
        case BLACK_PEN:
        case DC_PEN: dc.pen = {clBlack, 0, true, PenStyle::Solid}; break;
        case NULL_PEN: dc.pen.style = PenStyle::Clear; break;
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case SYSTEM_FIXED_FONT:
            dc.font = {};
            dc.font.font.name = "Courier New";
            dc.font.font.height = kDefaultFontHeight;
            break;
        case ANSI_VAR_FONT:
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
        case DEFAULT_GUI_FONT:
            dc.font = {};
            dc.font.font.height = kDefaultFontHeight;
            break;
        default: break;
        }
    }
    static PenStyle penStyle(uint32_t s)
    {
        switch (s & PS_STYLE_MASK) {
        case PS_DASH: return PenStyle::Dash;
        case PS_DOT:
        case PS_ALTERNATE: return PenStyle::Dot;
        case PS_DASHDOT: return PenStyle::DashDot;
        case PS_DASHDOTDOT: return PenStyle::DashDotDot;
        case PS_NULL: return PenStyle::Clear;
        case PS_INSIDEFRAME: return PenStyle::InsideFrame;
        default: return PenStyle::Solid;
        }
    }
    static Brush brushFrom(uint32_t style, Color color, uint32_t hatch)
    {
        switch (style) {
        case BS_SOLID: return {color & 0xFFFFFF, BrushStyle::Solid};
        case BS_NULL: return {clWhite, BrushStyle::Clear};
        case BS_HATCHED: return {color & 0xFFFFFF, hatch < kHatches.size() ? kHatches[hatch] : BrushStyle::Solid};
        default: return {clGray, BrushStyle::Solid};  // pattern brushes: a neutral tone
        }
    }

    // ---- records ---------------------------------------------------------------------------
    // playRecord looks the record's type up in handlers(), a table indexed by type.
    using Handler = void (Impl::*)(const EmfRecordInfo& rec, const RecordView& v);
    using HandlerTable = std::array<Handler, EMR_CREATECOLORSPACEW + 1>;
    static const HandlerTable& handlers();
    void playRecord(const EmfRecordInfo& rec);
    void onHeader(const EmfRecordInfo& rec, const RecordView& v);
    void onPoly(const EmfRecordInfo& rec, const RecordView& v);
    void onPolyPoly(const EmfRecordInfo& rec, const RecordView& v);
    void onPolyDraw(const EmfRecordInfo& rec, const RecordView& v);
    void onPath(const EmfRecordInfo& rec, const RecordView& v);
    void onSetWindowExt(const EmfRecordInfo& rec, const RecordView& v);
    void onSetWindowOrg(const EmfRecordInfo& rec, const RecordView& v);
    void onSetViewportExt(const EmfRecordInfo& rec, const RecordView& v);
    void onSetViewportOrg(const EmfRecordInfo& rec, const RecordView& v);
    void onScaleExt(const EmfRecordInfo& rec, const RecordView& v);
    void onSetMapMode(const EmfRecordInfo& rec, const RecordView& v);
    void onSetBkMode(const EmfRecordInfo& rec, const RecordView& v);
    void onSetPolyFillMode(const EmfRecordInfo& rec, const RecordView& v);
    void onSetTextAlign(const EmfRecordInfo& rec, const RecordView& v);
    void onSetTextColor(const EmfRecordInfo& rec, const RecordView& v);
    void onSetBkColor(const EmfRecordInfo& rec, const RecordView& v);
    void onSetArcDirection(const EmfRecordInfo& rec, const RecordView& v);
    void onMoveTo(const EmfRecordInfo& rec, const RecordView& v);
    void onLineTo(const EmfRecordInfo& rec, const RecordView& v);
    void onSetPixel(const EmfRecordInfo& rec, const RecordView& v);
    void onIntersectClipRect(const EmfRecordInfo& rec, const RecordView& v);
    void onSelectClipRegion(const EmfRecordInfo& rec, const RecordView& v);
    void onSelectClipPath(const EmfRecordInfo& rec, const RecordView& v);
    void onSaveDc(const EmfRecordInfo& rec, const RecordView& v);
    void onRestoreDc(const EmfRecordInfo& rec, const RecordView& v);
    void onSetWorldTransform(const EmfRecordInfo& rec, const RecordView& v);
    void onModifyWorldTransform(const EmfRecordInfo& rec, const RecordView& v);
    void onSelectObject(const EmfRecordInfo& rec, const RecordView& v);
    void onDeleteObject(const EmfRecordInfo& rec, const RecordView& v);
    void onCreatePen(const EmfRecordInfo& rec, const RecordView& v);
    void onExtCreatePen(const EmfRecordInfo& rec, const RecordView& v);
    void onCreateBrush(const EmfRecordInfo& rec, const RecordView& v);
    void onCreatePatternBrush(const EmfRecordInfo& rec, const RecordView& v);
    void onCreateFont(const EmfRecordInfo& rec, const RecordView& v);
    void onCreatePalette(const EmfRecordInfo& rec, const RecordView& v);
    void onAngleArc(const EmfRecordInfo& rec, const RecordView& v);
    void onEllipse(const EmfRecordInfo& rec, const RecordView& v);
    void onRectangle(const EmfRecordInfo& rec, const RecordView& v);
    void onRoundRect(const EmfRecordInfo& rec, const RecordView& v);
    void onArc(const EmfRecordInfo& rec, const RecordView& v);
    void onFillRegion(const EmfRecordInfo& rec, const RecordView& v);
    void onBitBlt(const EmfRecordInfo& rec, const RecordView& v);
    void onStretchBlt(const EmfRecordInfo& rec, const RecordView& v);
    void onStretchDibits(const EmfRecordInfo& rec, const RecordView& v);
    void onSetDibitsToDevice(const EmfRecordInfo& rec, const RecordView& v);
    void onTextA(const EmfRecordInfo& rec, const RecordView& v);
    void onTextW(const EmfRecordInfo& rec, const RecordView& v);
    void polyRecord(const RecordView& v, uint32_t type);
    void polyPolyRecord(const RecordView& v, uint32_t type);
    void polyDraw(const RecordView& v, bool small);
    void pathRecord(uint32_t type);
};

void EmfPlayer::Impl::polyRecord(const RecordView& v, uint32_t type)
{
    const bool small = type >= EMR_POLYBEZIER16;
    const uint32_t base = small ? type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER) : type;
    const uint32_t n = v.u32(24);
    auto get = [&](uint32_t i) -> Point {
        return small ? Point{v.i16(28 + 4ull * i), v.i16(30 + 4ull * i)} : v.point(28 + 8ull * i);
    };
    Xform t = full();
    std::vector<PointD> pts = readPoints(n, get);
    Figure f;
    switch (base) {
    case EMR_POLYGON:
        f.pts = std::move(pts);
        f.closed = true;
        emitFigures({std::move(f)}, true, true);
        return;
    case EMR_POLYLINE:
        f.pts = std::move(pts);
        emitFigures({std::move(f)}, false, true);
        return;
    case EMR_POLYLINETO:
        if (n == 0) return;
        f.pts.push_back(t.apply(dc.cur));
        f.pts.insert(f.pts.end(), pts.begin(), pts.end());
        {
            Point last = get(n - 1);
            dc.cur = {double(last.x), double(last.y)};
        }
        emitFigures({std::move(f)}, false, true);
        return;
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIERTO: {
        size_t i = 0;
        if (base == EMR_POLYBEZIER) {
            if (pts.empty()) return;
            f.pts.push_back(pts[0]);
            i = 1;
        } else {
            f.pts.push_back(t.apply(dc.cur));
        }
        for (; i + 3 <= pts.size(); i += 3) bezierTo(f.pts, f.pts.back(), pts[i], pts[i + 1], pts[i + 2]);
        if (base == EMR_POLYBEZIERTO && n >= 3) {
            Point last = get(static_cast<uint32_t>((n / 3) * 3 - 1));
            dc.cur = {double(last.x), double(last.y)};
        }
        emitFigures({std::move(f)}, false, true);
        return;
    }
    default: return;
    }
}

void EmfPlayer::Impl::polyPolyRecord(const RecordView& v, uint32_t type)
{
    const bool small = type >= EMR_POLYPOLYLINE16;
    const bool polygon = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
    const uint32_t polys = v.u32(24);
    const uint64_t ptsOff = 32 + 4ull * polys;
    Xform t = full();
    std::vector<Figure> figs;
    uint64_t at = 0;
    for (uint32_t k = 0; k < polys; ++k) {
        uint32_t cnt = v.u32(32 + 4ull * k);
        Figure f;
        f.closed = polygon;
        f.pts.reserve(cnt);
        for (uint32_t i = 0; i < cnt; ++i, ++at) {
            Point p = small ? Point{v.i16(ptsOff + 4 * at), v.i16(ptsOff + 4 * at + 2)} : v.point(ptsOff + 8 * at);
            f.pts.push_back(t.apply({double(p.x), double(p.y)}));
        }
        figs.push_back(std::move(f));
    }
    emitFigures(std::move(figs), polygon, true);
}

void EmfPlayer::Impl::polyDraw(const RecordView& v, bool small)
{
    const uint32_t n = v.u32(24);
    const uint64_t typesOff = 28 + static_cast<uint64_t>(n) * (small ? 4 : 8);
    Xform t = full();
    std::vector<Figure> figs;
    Figure cur;
    cur.pts.push_back(t.apply(dc.cur));
    for (uint32_t i = 0; i < n; ++i) {
        Point p = small ? Point{v.i16(28 + 4ull * i), v.i16(30 + 4ull * i)} : v.point(28 + 8ull * i);
        uint8_t ty = v.u8(typesOff + i);
        PointD m = t.apply({double(p.x), double(p.y)});
        if ((ty & ~PT_CLOSEFIGURE) == PT_MOVETO) {
            if (cur.pts.size() > 1) figs.push_back(std::move(cur));
            cur = {};
            cur.pts.push_back(m);
        } else if ((ty & PT_BEZIERTO) && i + 2 < n) {
            Point p2 = small ? Point{v.i16(32 + 4ull * i), v.i16(34 + 4ull * i)} : v.point(36 + 8ull * i);
            Point p3 = small ? Point{v.i16(36 + 4ull * i), v.i16(38 + 4ull * i)} : v.point(44 + 8ull * i);
            bezierTo(cur.pts, cur.pts.back(), m, t.apply({double(p2.x), double(p2.y)}),
                     t.apply({double(p3.x), double(p3.y)}));
            i += 2;
            p = p3;
            ty = v.u8(typesOff + i);
        } else {
            cur.pts.push_back(m);
        }
        dc.cur = {double(p.x), double(p.y)};
        if (ty & PT_CLOSEFIGURE) {
            cur.closed = true;
            figs.push_back(std::move(cur));
            cur = {};
            cur.pts.push_back(t.apply(dc.cur));
        }
    }
    if (cur.pts.size() > 1) figs.push_back(std::move(cur));
    emitFigures(std::move(figs), false, true);
}

void EmfPlayer::Impl::pathRecord(uint32_t type)
{
    switch (type) {
    case EMR_BEGINPATH:
        inPath = true;
        path.clear();
        return;
    case EMR_ENDPATH: inPath = false; return;
    case EMR_ABORTPATH:
        inPath = false;
        path.clear();
        return;
    case EMR_CLOSEFIGURE:
        if (!path.empty()) path.back().closed = true;
        return;
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH: {
        inPath = false;
        std::vector<Figure> figs = std::move(path);
        path.clear();
        if (type == EMR_STROKEPATH) {
            emitFigures(std::move(figs), false, true);
        } else {
            for (auto& f : figs) f.closed = true;
            emitFigures(std::move(figs), true, type == EMR_STROKEANDFILLPATH);
        }
        return;
    }
    default: return;
    }
}

// ---- record handlers -------------------------------------------------------------------------
// One handler per record type (or family of types). Records the table does not name are skipped.

void EmfPlayer::Impl::onHeader(const EmfRecordInfo&, const RecordView&)
{
    dc = {};
    saved.clear();
}

void EmfPlayer::Impl::onPoly(const EmfRecordInfo& rec, const RecordView& v) { polyRecord(v, rec.type); }
void EmfPlayer::Impl::onPolyPoly(const EmfRecordInfo& rec, const RecordView& v) { polyPolyRecord(v, rec.type); }
void EmfPlayer::Impl::onPolyDraw(const EmfRecordInfo& rec, const RecordView& v)
{
    polyDraw(v, rec.type == EMR_POLYDRAW16);
}
void EmfPlayer::Impl::onPath(const EmfRecordInfo& rec, const RecordView&) { pathRecord(rec.type); }

void EmfPlayer::Impl::onSetWindowExt(const EmfRecordInfo&, const RecordView& v)
{
    dc.windowExt = {double(v.i32(8)), double(v.i32(12))};
}
void EmfPlayer::Impl::onSetWindowOrg(const EmfRecordInfo&, const RecordView& v)
{
    dc.windowOrg = {double(v.i32(8)), double(v.i32(12))};
}
void EmfPlayer::Impl::onSetViewportExt(const EmfRecordInfo&, const RecordView& v)
{
    dc.viewportExt = {double(v.i32(8)), double(v.i32(12))};
}
void EmfPlayer::Impl::onSetViewportOrg(const EmfRecordInfo&, const RecordView& v)
{
    dc.viewportOrg = {double(v.i32(8)), double(v.i32(12))};
}

void EmfPlayer::Impl::onScaleExt(const EmfRecordInfo& rec, const RecordView& v)
{
    int32_t xn = v.i32(8), xd = v.i32(12), yn = v.i32(16), yd = v.i32(20);
    if (xd == 0 || yd == 0) return;
    PointD& e = rec.type == EMR_SCALEVIEWPORTEXTEX ? dc.viewportExt : dc.windowExt;
    e = {e.x * xn / xd, e.y * yn / yd};
}

void EmfPlayer::Impl::onSetMapMode(const EmfRecordInfo&, const RecordView& v) { dc.mapMode = v.u32(8); }
void EmfPlayer::Impl::onSetBkMode(const EmfRecordInfo&, const RecordView& v) { dc.bkMode = v.u32(8); }
void EmfPlayer::Impl::onSetPolyFillMode(const EmfRecordInfo&, const RecordView& v) { dc.polyFill = v.u32(8); }
void EmfPlayer::Impl::onSetTextAlign(const EmfRecordInfo&, const RecordView& v) { dc.textAlign = v.u32(8); }
void EmfPlayer::Impl::onSetTextColor(const EmfRecordInfo&, const RecordView& v) { dc.textColor = v.u32(8) & 0xFFFFFF; }
void EmfPlayer::Impl::onSetBkColor(const EmfRecordInfo&, const RecordView& v) { dc.bkColor = v.u32(8) & 0xFFFFFF; }
void EmfPlayer::Impl::onSetArcDirection(const EmfRecordInfo&, const RecordView& v) { dc.arcDir = v.u32(8); }

void EmfPlayer::Impl::onMoveTo(const EmfRecordInfo&, const RecordView& v)
{
    dc.cur = {double(v.i32(8)), double(v.i32(12))};
    if (inPath) path.push_back({{full().apply(dc.cur)}, false});
}

void EmfPlayer::Impl::onLineTo(const EmfRecordInfo&, const RecordView& v)
{
    PointD to{double(v.i32(8)), double(v.i32(12))};
    Xform t = full();
    if (inPath) {
        if (path.empty()) path.push_back({{t.apply(dc.cur)}, false});
        path.back().pts.push_back(t.apply(to));
    } else {
        emitFigures({Figure{{t.apply(dc.cur), t.apply(to)}, false}}, false, true);
    }
    dc.cur = to;
}

void EmfPlayer::Impl::onSetPixel(const EmfRecordInfo&, const RecordView& v)
{
    if (!drawing || inPath) return;
    PointD p = map(v.i32(8), v.i32(12));
    canvas->setBrush({v.u32(16) & 0xFFFFFF, BrushStyle::Solid});
    canvas->fillRect({ToInt(p.x), ToInt(p.y), ToInt(p.x) + 1, ToInt(p.y) + 1});
}

void EmfPlayer::Impl::onIntersectClipRect(const EmfRecordInfo&, const RecordView& v)
{
    setClip(mapRectBox(v.rect(8)), RGN_AND);
}

void EmfPlayer::Impl::onSelectClipRegion(const EmfRecordInfo&, const RecordView& v)
{
    uint32_t cb = v.u32(8), mode = v.u32(12);
    if (cb == 0) {
        if (mode == RGN_COPY) {
            dc.clip.reset();
            applyClip();
        }
        return;
    }
    Rect b = v.rect(16 + 16);
    PointD a = mapDevice(b.left, b.top), z = mapDevice(b.right, b.bottom);
    setClip(
        {ToInt(std::min(a.x, z.x)), ToInt(std::min(a.y, z.y)), ToInt(std::max(a.x, z.x)), ToInt(std::max(a.y, z.y))},
        mode);
}

void EmfPlayer::Impl::onSelectClipPath(const EmfRecordInfo&, const RecordView& v)
{
    if (path.empty()) return;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const Figure& f : path)
        for (const PointD& p : f.pts)
            x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    path.clear();
    inPath = false;
    if (x0 <= x1) setClip({ToInt(x0), ToInt(y0), ToInt(x1), ToInt(y1)}, v.u32(8));
}

void EmfPlayer::Impl::onSaveDc(const EmfRecordInfo&, const RecordView&)
{
    if (saved.size() < 1024) saved.push_back(dc);
}

void EmfPlayer::Impl::onRestoreDc(const EmfRecordInfo&, const RecordView& v)
{
    int32_t rel = v.i32(8);
    size_t depth = saved.size();
    size_t keep;
    if (rel < 0) {
        if (static_cast<uint64_t>(-static_cast<int64_t>(rel)) > depth) return;
        keep = depth - static_cast<size_t>(-static_cast<int64_t>(rel));
    } else {
        if (rel == 0 || static_cast<size_t>(rel) > depth) return;
        keep = static_cast<size_t>(rel) - 1;
    }
    dc = saved[keep];
    saved.resize(keep);
    applyClip();
}

void EmfPlayer::Impl::onSetWorldTransform(const EmfRecordInfo&, const RecordView& v)
{
    Xform x{v.f32(8), v.f32(12), v.f32(16), v.f32(20), v.f32(24), v.f32(28)};
    if (x.finite()) dc.world = x;
}

void EmfPlayer::Impl::onModifyWorldTransform(const EmfRecordInfo&, const RecordView& v)
{
    Xform x{v.f32(8), v.f32(12), v.f32(16), v.f32(20), v.f32(24), v.f32(28)};
    uint32_t mode = v.u32(32);
    if (!x.finite()) return;
    if (mode == MWT_IDENTITY)
        dc.world = {};
    else if (mode == MWT_LEFTMULTIPLY)
        dc.world = x.then(dc.world);
    else if (mode == MWT_RIGHTMULTIPLY)
        dc.world = dc.world.then(x);
    else if (mode == MWT_SET)
        dc.world = x;
}

void EmfPlayer::Impl::onSelectObject(const EmfRecordInfo&, const RecordView& v)
{
    uint32_t ih = v.u32(8);
    if (ih & kStockObject) {
        selectStock(ih & ~kStockObject);
        return;
    }
    Object* o = slot(ih);
    if (!o) return;
    if (o->kind == Object::PenK)
        dc.pen = o->pen;
    else if (o->kind == Object::BrushK)
        dc.brush = o->brush;
    else if (o->kind == Object::FontK)
        dc.font = o->font;
}

void EmfPlayer::Impl::onDeleteObject(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) *o = {};
}

void EmfPlayer::Impl::onCreatePen(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) {
        o->kind = Object::PenK;
        o->pen = {v.u32(24) & 0xFFFFFF, double(v.i32(16)), v.i32(16) <= 1, penStyle(v.u32(12))};
    }
}

void EmfPlayer::Impl::onExtCreatePen(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) {
        uint32_t style = v.u32(28);
        o->kind = Object::PenK;
        o->pen = {v.u32(40) & 0xFFFFFF, double(v.u32(32)), !(style & PS_GEOMETRIC), penStyle(style)};
        if (v.u32(36) == BS_NULL) o->pen.style = PenStyle::Clear;
    }
}

void EmfPlayer::Impl::onCreateBrush(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) {
        o->kind = Object::BrushK;
        o->brush = brushFrom(v.u32(12), v.u32(16), v.u32(20));
    }
}

// Pattern brushes are drawn as solid gray.
void EmfPlayer::Impl::onCreatePatternBrush(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) {
        o->kind = Object::BrushK;
        o->brush = {clGray, BrushStyle::Solid};
    }
}

void EmfPlayer::Impl::onCreateFont(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) {
        o->kind = Object::FontK;
        o->font.font = LogFontAt(v, 12);
    }
}

// A palette takes its object slot (selecting it changes nothing); colour spaces take none.
void EmfPlayer::Impl::onCreatePalette(const EmfRecordInfo&, const RecordView& v)
{
    if (Object* o = slot(v.u32(8))) *o = {Object::OtherK, {}, {}, {}};
}

void EmfPlayer::Impl::onAngleArc(const EmfRecordInfo&, const RecordView& v)
{
    PointD c{double(v.i32(8)), double(v.i32(12))};
    double r = v.u32(16), a0 = v.f32(20) * kPi / 180, sw = v.f32(24) * kPi / 180;
    if (!std::isfinite(a0) || !std::isfinite(sw) || r > 1e7) return;
    sw = std::clamp(sw, -4 * kPi, 4 * kPi);
    std::vector<PointD> pts{dc.cur};
    arcPoints(pts, c.x, c.y, r, r, a0, sw, true);
    dc.cur = pts.back();
    emitFigures({Figure{mapAll(pts), false}}, false, true);
}

void EmfPlayer::Impl::onEllipse(const EmfRecordInfo&, const RecordView& v)
{
    Rect b = v.rect(8);
    std::vector<PointD> pts;
    arcPoints(pts, (double(b.left) + b.right) / 2, (double(b.top) + b.bottom) / 2, (double(b.right) - b.left) / 2,
              (double(b.bottom) - b.top) / 2, 0, 2 * kPi, true);
    pts.pop_back();
    emitFigures({Figure{mapAll(pts), true}}, true, true);
}

void EmfPlayer::Impl::onRectangle(const EmfRecordInfo&, const RecordView& v) { rectangleRecord(v.rect(8)); }

void EmfPlayer::Impl::onRoundRect(const EmfRecordInfo&, const RecordView& v)
{
    Rect b = v.rect(8);
    double rx = std::min(std::fabs(double(v.i32(24))) / 2, std::fabs(double(b.right) - b.left) / 2);
    double ry = std::min(std::fabs(double(v.i32(28))) / 2, std::fabs(double(b.bottom) - b.top) / 2);
    double l = std::min(b.left, b.right), r = std::max(b.left, b.right);
    double t = std::min(b.top, b.bottom), bo = std::max(b.top, b.bottom);
    std::vector<PointD> pts;
    arcPoints(pts, r - rx, t + ry, rx, ry, 0, kPi / 2, true);
    arcPoints(pts, l + rx, t + ry, rx, ry, kPi / 2, kPi / 2, true);
    arcPoints(pts, l + rx, bo - ry, rx, ry, kPi, kPi / 2, true);
    arcPoints(pts, r - rx, bo - ry, rx, ry, 3 * kPi / 2, kPi / 2, true);
    emitFigures({Figure{mapAll(pts), true}}, true, true);
}

// Arc and ArcTo stroke the curve (ArcTo from the current position, which moves to its end);
// Chord closes it with a straight line and Pie through the centre, both filled.
void EmfPlayer::Impl::onArc(const EmfRecordInfo& rec, const RecordView& v)
{
    const uint32_t type = rec.type;
    double sx0, sy0, ex, ey;
    std::vector<PointD> pts = arcFromRecord(v, sx0, sy0, ex, ey);
    if (type == EMR_ARCTO) {
        pts.insert(pts.begin(), dc.cur);
        dc.cur = {ex, ey};
        emitFigures({Figure{mapAll(pts), false}}, false, true);
    } else if (type == EMR_ARC) {
        emitFigures({Figure{mapAll(pts), false}}, false, true);
    } else {
        if (type == EMR_PIE) {
            Rect b = v.rect(8);
            pts.push_back({(double(b.left) + b.right) / 2, (double(b.top) + b.bottom) / 2});
        }
        emitFigures({Figure{mapAll(pts), true}}, true, true);
    }
    (void)sx0;
    (void)sy0;
}

void EmfPlayer::Impl::onFillRegion(const EmfRecordInfo& rec, const RecordView& v)
{
    const uint32_t type = rec.type;
    if (!drawing || inPath) return;
    uint64_t data = type == EMR_FILLRGN ? 32 : 28;
    if (v.u32(24) == 0) return;
    Brush b = dc.brush;
    if (type == EMR_FILLRGN) {
        uint32_t ih = v.u32(28);
        if (ih & kStockObject) {
            Dc keep = dc;
            selectStock(ih & ~kStockObject);
            b = dc.brush;
            dc = keep;
        } else if (Object* o = slot(ih); o && o->kind == Object::BrushK) {
            b = o->brush;
        } else {
            return;
        }
    }
    canvas->setBrush(b);
    uint32_t count = v.u32(data + 8);
    for (uint32_t i = 0; i < count; ++i) canvas->fillRect(mapRectBox(v.rect(data + 32 + 16ull * i)));
}

void EmfPlayer::Impl::onBitBlt(const EmfRecordInfo&, const RecordView& v) { blt(v, false); }
void EmfPlayer::Impl::onStretchBlt(const EmfRecordInfo&, const RecordView& v) { blt(v, true); }

void EmfPlayer::Impl::onStretchDibits(const EmfRecordInfo&, const RecordView& v)
{
    drawDib(v, v.i32(24), v.i32(28), v.i32(72), v.i32(76), v.u32(48), v.u32(52), v.u32(56), v.u32(60), v.u32(64),
            v.i32(32), v.i32(36), v.i32(40), v.i32(44));
}

void EmfPlayer::Impl::onSetDibitsToDevice(const EmfRecordInfo&, const RecordView& v)
{
    if (v.u32(68) != 0) return;  // partial scan bands are not supported
    drawDib(v, v.i32(24), v.i32(28), v.i32(40), v.i32(44), v.u32(48), v.u32(52), v.u32(56), v.u32(60), v.u32(64),
            v.i32(32), v.i32(36), v.i32(40), v.i32(44));
}

void EmfPlayer::Impl::onTextA(const EmfRecordInfo& rec, const RecordView& v) { textRecord(rec, v, 36, false); }
void EmfPlayer::Impl::onTextW(const EmfRecordInfo& rec, const RecordView& v) { textRecord(rec, v, 36, true); }

// ---- the dispatch table ------------------------------------------------------------------

// The records the player draws or keeps state for, by type; every other record is skipped.
const EmfPlayer::Impl::HandlerTable& EmfPlayer::Impl::handlers()
{
    using I = EmfPlayer::Impl;
    struct RecordHandler {
        uint32_t type;
        Handler handler;
    };
    static constexpr RecordHandler kRecords[] = {
        {EMR_HEADER, &I::onHeader},
        {EMR_POLYBEZIER, &I::onPoly},
        {EMR_POLYGON, &I::onPoly},
        {EMR_POLYLINE, &I::onPoly},
        {EMR_POLYBEZIERTO, &I::onPoly},
        {EMR_POLYLINETO, &I::onPoly},
        {EMR_POLYPOLYLINE, &I::onPolyPoly},
        {EMR_POLYPOLYGON, &I::onPolyPoly},
        {EMR_SETWINDOWEXTEX, &I::onSetWindowExt},
        {EMR_SETWINDOWORGEX, &I::onSetWindowOrg},
        {EMR_SETVIEWPORTEXTEX, &I::onSetViewportExt},
        {EMR_SETVIEWPORTORGEX, &I::onSetViewportOrg},
        {EMR_SETMAPMODE, &I::onSetMapMode},
        {EMR_SETBKMODE, &I::onSetBkMode},
        {EMR_SETPOLYFILLMODE, &I::onSetPolyFillMode},
        {EMR_SETTEXTALIGN, &I::onSetTextAlign},
        {EMR_SETTEXTCOLOR, &I::onSetTextColor},
        {EMR_SETBKCOLOR, &I::onSetBkColor},
        {EMR_MOVETOEX, &I::onMoveTo},
        {EMR_INTERSECTCLIPRECT, &I::onIntersectClipRect},
        {EMR_SCALEVIEWPORTEXTEX, &I::onScaleExt},
        {EMR_SCALEWINDOWEXTEX, &I::onScaleExt},
        {EMR_SAVEDC, &I::onSaveDc},
        {EMR_RESTOREDC, &I::onRestoreDc},
        {EMR_SETWORLDTRANSFORM, &I::onSetWorldTransform},
        {EMR_MODIFYWORLDTRANSFORM, &I::onModifyWorldTransform},
        {EMR_SELECTOBJECT, &I::onSelectObject},
        {EMR_CREATEPEN, &I::onCreatePen},
        {EMR_CREATEBRUSHINDIRECT, &I::onCreateBrush},
        {EMR_DELETEOBJECT, &I::onDeleteObject},
        {EMR_ANGLEARC, &I::onAngleArc},
        {EMR_ELLIPSE, &I::onEllipse},
        {EMR_RECTANGLE, &I::onRectangle},
        {EMR_ROUNDRECT, &I::onRoundRect},
        {EMR_ARC, &I::onArc},
        {EMR_CHORD, &I::onArc},
        {EMR_PIE, &I::onArc},
        {EMR_CREATEPALETTE, &I::onCreatePalette},
        {EMR_LINETO, &I::onLineTo},
        {EMR_ARCTO, &I::onArc},
        {EMR_POLYDRAW, &I::onPolyDraw},
        {EMR_SETARCDIRECTION, &I::onSetArcDirection},
        {EMR_BEGINPATH, &I::onPath},
        {EMR_ENDPATH, &I::onPath},
        {EMR_CLOSEFIGURE, &I::onPath},
        {EMR_FILLPATH, &I::onPath},
        {EMR_STROKEANDFILLPATH, &I::onPath},
        {EMR_STROKEPATH, &I::onPath},
        {EMR_SELECTCLIPPATH, &I::onSelectClipPath},
        {EMR_ABORTPATH, &I::onPath},
        {EMR_FILLRGN, &I::onFillRegion},
        {EMR_PAINTRGN, &I::onFillRegion},
        {EMR_EXTSELECTCLIPRGN, &I::onSelectClipRegion},
        {EMR_BITBLT, &I::onBitBlt},
        {EMR_STRETCHBLT, &I::onStretchBlt},
        {EMR_SETDIBITSTODEVICE, &I::onSetDibitsToDevice},
        {EMR_STRETCHDIBITS, &I::onStretchDibits},
        {EMR_EXTCREATEFONTINDIRECTW, &I::onCreateFont},
        {EMR_EXTTEXTOUTA, &I::onTextA},
        {EMR_EXTTEXTOUTW, &I::onTextW},
        {EMR_POLYBEZIER16, &I::onPoly},
        {EMR_POLYGON16, &I::onPoly},
        {EMR_POLYLINE16, &I::onPoly},
        {EMR_POLYBEZIERTO16, &I::onPoly},
        {EMR_POLYLINETO16, &I::onPoly},
        {EMR_POLYPOLYLINE16, &I::onPolyPoly},
        {EMR_POLYPOLYGON16, &I::onPolyPoly},
        {EMR_POLYDRAW16, &I::onPolyDraw},
        {EMR_CREATEMONOBRUSH, &I::onCreatePatternBrush},
        {EMR_CREATEDIBPATTERNBRUSHPT, &I::onCreatePatternBrush},
        {EMR_EXTCREATEPEN, &I::onExtCreatePen},
        {EMR_SETPIXELV, &I::onSetPixel},
        {EMR_ALPHABLEND, &I::onStretchBlt},
        {EMR_TRANSPARENTBLT, &I::onStretchBlt},
    };
    static const HandlerTable table = [] {
        HandlerTable t{};
        for (const RecordHandler& r : kRecords) t.at(r.type) = r.handler;
        return t;
    }();
    return table;
}

void EmfPlayer::Impl::playRecord(const EmfRecordInfo& rec)
{
    const HandlerTable& table = handlers();
    if (rec.type >= table.size()) return;
    if (const Handler h = table[rec.type]) (this->*h)(rec, RecordView(rec.data));
}

EmfPlayer::EmfPlayer(const EmfFile& file, Canvas* canvas, const Rect& target)
    : d_(std::make_unique<Impl>(file, canvas, target))
{
    d_->baseClip = &baseClip_;
}

EmfPlayer::~EmfPlayer() = default;

namespace {
// Fills the parts of the record information that need the player's state.
void Describe(const EmfFile& file, const EmfRecordRef& r, uint32_t index, const Dc& dc, EmfRecordInfo& info)
{
    info.index = index;
    info.type = r.type;
    info.size = r.size;
    info.data = file.recordBytes(r);
    RecordView v(info.data);
    info.hasBounds = IsBoundedRecord(r.type);
    info.bounds = info.hasBounds ? v.rect(8) : Rect{};
    info.isText = r.type == EMR_EXTTEXTOUTA || r.type == EMR_EXTTEXTOUTW;
    info.text.clear();
    if (info.isText) {
        info.reference = v.point(kTextReference);
        uint32_t n = v.u32(kTextChars), off = v.u32(kTextOffString);
        if (r.type == EMR_EXTTEXTOUTW) {
            std::u16string w;
            w.reserve(n);
            for (uint32_t i = 0; i < n; ++i) w.push_back(v.u16(off + 2ull * i));
            info.text = Utf16ToCp1252(w);
        } else {
            info.text.reserve(n);
            for (uint32_t i = 0; i < n; ++i) info.text.push_back(static_cast<char>(v.u8(off + i)));
        }
        info.font = dc.font.font;
        info.font.color = dc.textColor;
    } else {
        info.reference = {};
        info.font = dc.font.font;
    }
}
}  // namespace

void EmfPlayer::run(const Callback& callback)
{
    Impl& d = *d_;
    d.canvas->saveState();
    d.applyClip(true);
    const auto& recs = d.file.records();
    EmfRecordInfo info;
    for (uint32_t i = 0; i < recs.size(); ++i) {
        Describe(d.file, recs[i], i, d.dc, info);
        EmfAction a = callback ? callback(info, *this) : EmfAction::Play;
        if (a == EmfAction::Stop) break;
        if (a == EmfAction::Play) d.playRecord(info);
    }
    d.canvas->restoreState();
}

void EmfPlayer::play(const EmfRecordInfo& record) { d_->playRecord(record); }

Color EmfPlayer::textColor() const { return d_->dc.textColor; }
void EmfPlayer::setTextColor(Color c) { d_->dc.textColor = c; }
Color EmfPlayer::bkColor() const { return d_->dc.bkColor; }
void EmfPlayer::setBkColor(Color c) { d_->dc.bkColor = c; }
uint32_t EmfPlayer::bkMode() const { return d_->dc.bkMode; }
void EmfPlayer::setBkMode(uint32_t mode) { d_->dc.bkMode = mode; }
int32_t EmfPlayer::penWidth() const
{
    return d_->dc.pen.style == PenStyle::Clear ? 0 : ToInt(std::min(d_->dc.pen.width, 1e6));
}
Font EmfPlayer::currentFont() const { return d_->dc.font.font; }
double EmfPlayer::scaleX() const { return d_->sx; }
double EmfPlayer::scaleY() const { return d_->sy; }

void PlayEmf(const EmfFile& file, Canvas& canvas, const Rect& target)
{
    EmfPlayer p(file, &canvas, target);
    p.run();
}

void EnumerateEmf(const EmfFile& file, const std::function<EmfAction(const EmfRecordInfo&)>& callback)
{
    EmfPlayer p(file, nullptr, file.frameInPixels());
    p.run([&](const EmfRecordInfo& r, EmfPlayer&) { return callback(r); });
}

}  // namespace zv
