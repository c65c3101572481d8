// QtCanvas: pens, brushes, GDI rectangle rules, glyph-run text with advances, bitmaps and clipping.
#include "platform/qt/QtCanvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QVarLengthArray>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/base/Text.h"
#include "platform/qt/QtFontMetrics.h"

namespace zv {
namespace {

QColor ToQColor(Color c)
{
    c = ColorToRGB(c);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

Qt::PenStyle ToQtPen(PenStyle s)
{
    switch (s) {
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Clear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle ToQtBrush(BrushStyle s)
{
    switch (s) {
    case BrushStyle::Solid: return Qt::SolidPattern;
    case BrushStyle::Clear: return Qt::NoBrush;
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::FDiagonal: return Qt::FDiagPattern;
    case BrushStyle::BDiagonal: return Qt::BDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

QPolygon ToQPolygon(std::span<const Point> pts)
{
    QPolygon q(static_cast<int>(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i) q.setPoint(static_cast<int>(i), pts[i].x, pts[i].y);
    return q;
}

// The box of a four-point polygon that runs round an upright rectangle, corner to corner.
std::optional<Rect> UprightBox(std::span<const Point> pts)
{
    if (pts.size() != 4) return std::nullopt;
    Rect r{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const Point& q : pts)
        r = {std::min(r.left, q.x), std::min(r.top, q.y), std::max(r.right, q.x), std::max(r.bottom, q.y)};
    for (size_t i = 0; i < 4; ++i) {
        const Point& q = pts[i];
        const Point& next = pts[(i + 1) % 4];
        if ((q.x != r.left && q.x != r.right) || (q.y != r.top && q.y != r.bottom)) return std::nullopt;
        if (q.x != next.x && q.y != next.y) return std::nullopt;
        if (r.left != r.right && r.top != r.bottom)
            for (size_t j = 0; j < i; ++j)
                if (pts[j] == q) return std::nullopt;
    }
    return r;
}

}  // namespace

bool QtCanvas::solidBoxPen() const
{
    const Pen& p = pen();
    const Brush& b = brush();
    return p.style == PenStyle::Solid && p.width <= 1 && b.style == BrushStyle::Solid && p.color != clNone &&
           ColorToRGB(p.color) == ColorToRGB(b.color);
}

void QtCanvas::fillBoxes(std::span<const Rect> boxes)
{
    // The area a one-pixel outline and the fill cover together, as one rectangle: its edges fall
    // on the same device pixels whatever is drawn next to it and in which order, and a PDF gets
    // plain filled rectangles, all of one set in one path.
    QVarLengthArray<QRectF, 64> rects;
    for (const Rect& r : boxes)
        rects.append(QRectF(r.left - 0.5, r.top - 0.5, double(r.right) - r.left + 1, double(r.bottom) - r.top + 1));
    p_.setPen(Qt::NoPen);
    p_.setBrush(ToQColor(brush().color));
    p_.drawRects(rects.data(), static_cast<int>(rects.size()));
}

QtCanvas::QtCanvas(QPainter& painter) : p_(painter)
{
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

bool QtCanvas::penVisible() const { return pen().style != PenStyle::Clear && pen().color != clNone; }
bool QtCanvas::brushVisible() const { return brush().style != BrushStyle::Clear && brush().color != clNone; }

void QtCanvas::usePen()
{
    if (!penVisible()) {
        p_.setPen(Qt::NoPen);
        return;
    }
    QPen qp(ToQColor(pen().color));
    qp.setWidth(std::max(1, pen().width));
    qp.setStyle(pen().width > 1 && pen().style != PenStyle::InsideFrame ? Qt::SolidLine : ToQtPen(pen().style));
    qp.setCapStyle(Qt::FlatCap);
    qp.setJoinStyle(Qt::MiterJoin);
    p_.setPen(qp);
}

void QtCanvas::useBrush()
{
    if (!brushVisible()) {
        p_.setBrush(Qt::NoBrush);
        return;
    }
    p_.setBrush(QBrush(ToQColor(brush().color), ToQtBrush(brush().style)));
}

void QtCanvas::rectangle(const Rect& r)
{
    if (r.isEmpty()) return;
    if (!penVisible()) {
        // Without a pen the filled area is one pixel smaller on the right and bottom.
        if (brushVisible() && r.width() > 1 && r.height() > 1) {
            p_.fillRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1),
                        QBrush(ToQColor(brush().color), ToQtBrush(brush().style)));
        }
        return;
    }
    if (brushVisible())
        p_.fillRect(QRect(r.left, r.top, r.width(), r.height()),
                    QBrush(ToQColor(brush().color), ToQtBrush(brush().style)));
    // The frame's centre line runs half a pen inside the rectangle, so its outer edge is r.
    const int w = std::max(1, pen().width);
    QRectF frame(r.left + w / 2.0, r.top + w / 2.0, r.width() - w, r.height() - w);
    usePen();
    p_.setBrush(Qt::NoBrush);
    if (frame.width() <= 0 || frame.height() <= 0) {
        p_.fillRect(QRect(r.left, r.top, r.width(), r.height()), ToQColor(pen().color));
        return;
    }
    p_.drawRect(frame);
}

void QtCanvas::fillRect(const Rect& r)
{
    if (r.isEmpty() || !brushVisible()) return;
    p_.fillRect(QRect(r.left, r.top, r.width(), r.height()), QBrush(ToQColor(brush().color), ToQtBrush(brush().style)));
}

void QtCanvas::polygon(std::span<const Point> pts)
{
    if (pts.size() < 2) return;
    if (solidBoxPen())
        if (std::optional<Rect> box = UprightBox(pts)) {
            fillBoxes(std::span<const Rect>(&*box, 1));
            return;
        }
    usePen();
    useBrush();
    p_.drawPolygon(ToQPolygon(pts), Qt::OddEvenFill);
}

void QtCanvas::polyPolygon(std::span<const Point> pts, std::span<const uint32_t> counts, bool winding)
{
    // Upright boxes that do not overlap (a barcode's bars) are filled one by one like polygon();
    // anything else is one path, whose fill rule makes the holes.
    if (solidBoxPen() && counts.size() <= 4096) {
        std::vector<Rect> boxes;
        size_t at = 0;
        for (uint32_t n : counts) {
            if (n != 4 || pts.size() - at < 4) break;
            std::optional<Rect> box = UprightBox(pts.subspan(at, 4));
            if (!box) break;
            boxes.push_back(*box);
            at += 4;
        }
        bool apart = boxes.size() == counts.size();
        for (size_t i = 0; apart && i < boxes.size(); ++i)
            for (size_t j = 0; apart && j < i; ++j)
                apart = boxes[i].left > boxes[j].right || boxes[j].left > boxes[i].right ||
                        boxes[i].top > boxes[j].bottom || boxes[j].top > boxes[i].bottom;
        if (apart) {
            fillBoxes(boxes);
            return;
        }
    }
    QPainterPath path;
    path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
    size_t at = 0;
    for (uint32_t n : counts) {
        if (n > pts.size() - at) break;
        if (n >= 2) {
            QPolygonF poly;
            for (uint32_t i = 0; i < n; ++i) poly << QPointF(pts[at + i].x, pts[at + i].y);
            poly << poly.front();
            path.addPolygon(poly);
        }
        at += n;
    }
    usePen();
    useBrush();
    p_.drawPath(path);
}

void QtCanvas::polyline(std::span<const Point> pts)
{
    if (pts.size() < 2 || !penVisible()) return;
    usePen();
    p_.drawPolyline(ToQPolygon(pts));
}

void QtCanvas::onMoveTo(int32_t, int32_t) {}

void QtCanvas::onLineTo(int32_t x, int32_t y)
{
    if (!penVisible()) return;
    usePen();
    p_.drawLine(QPoint(penPos().x, penPos().y), QPoint(x, y));
}

void QtCanvas::textOut(int32_t x, int32_t y, std::string_view text) { textOutDx(x, y, text, {}, nullptr); }

void QtCanvas::textRect(const Rect& clip, int32_t x, int32_t y, std::string_view text)
{
    textOutDx(x, y, text, {}, &clip);
}

void QtCanvas::textOutDx(int32_t x, int32_t y, std::string_view text, std::span<const int32_t> dx, const Rect* clip)
{
    if (text.empty()) return;
    const Font& f = font();
    QFont qf = ToQFont(f);
    QRawFont raw = QRawFont::fromFont(qf);
    QString s = QString::fromStdU16String(Cp1252ToUtf16(text));
    // Positions along the baseline: the given advances, else the metrics' ones.
    QList<QPointF> positions;
    positions.reserve(s.size());
    FontMetrics& m = metrics();
    int64_t pos = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        positions.append(QPointF(static_cast<double>(pos), 0));
        pos += i < dx.size() ? dx[i] : m.advance(f, static_cast<uint8_t>(text[i]));
    }
    QFontMetricsF qm(qf);
    const double ascent = qm.ascent();
    const double cell = qm.ascent() + qm.descent();
    p_.save();
    if (clip) p_.setClipRect(QRect(clip->left, clip->top, clip->width(), clip->height()), Qt::IntersectClip);
    p_.translate(x, y);
    if (f.escapement != 0) p_.rotate(-f.escapement / 10.0);
    if (brushVisible()) p_.fillRect(QRectF(0, 0, static_cast<double>(pos), std::ceil(cell)), ToQColor(brush().color));
    const QColor ink = ToQColor(f.color == clNone ? clBlack : f.color);
    p_.setPen(ink);
    // Underline and strike-out are drawn as bars over the whole advance, as GDI does.
    const double line = std::max(1.0, std::round(qm.lineWidth()));
    if (qf.underline())
        p_.fillRect(QRectF(0, std::round(ascent + qm.underlinePos()), static_cast<double>(pos), line), ink);
    if (qf.strikeOut())
        p_.fillRect(QRectF(0, std::round(ascent - qm.strikeOutPos()), static_cast<double>(pos), line), ink);
    if (raw.isValid()) {
        QList<quint32> glyphs = raw.glyphIndexesForString(s);
        if (glyphs.size() == positions.size()) {
            for (auto& p : positions) p.setY(ascent);
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            p_.drawGlyphRun(QPointF(0, 0), run);
            p_.restore();
            return;
        }
    }
    p_.setFont(qf);
    for (int i = 0; i < s.size(); ++i) p_.drawText(QPointF(positions[i].x(), ascent), QString(s[i]));
    p_.restore();
}

void QtCanvas::stretchDraw(const Rect& dest, const Bitmap& bitmap)
{
    if (bitmap.empty() || dest.isEmpty()) return;
    if (bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * bitmap.height) return;
    QImage img(reinterpret_cast<const uchar*>(bitmap.pixels.data()), bitmap.width, bitmap.height, bitmap.width * 4,
               bitmap.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    p_.drawImage(QRect(dest.left, dest.top, dest.width(), dest.height()), img);
}

void QtCanvas::intersectClipRect(const Rect& r)
{
    QRect q(r.left, r.top, std::max(0, r.width()), std::max(0, r.height()));
    p_.setClipRect(q, p_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void QtCanvas::resetClip() { p_.setClipping(false); }

void QtCanvas::saveState()
{
    p_.save();
    saved_.push_back({pen(), brush(), font()});
}

void QtCanvas::restoreState()
{
    if (saved_.empty()) return;
    p_.restore();
    setPen(saved_.back().pen);
    setBrush(saved_.back().brush);
    setFont(saved_.back().font);
    saved_.pop_back();
}

}  // namespace zv
