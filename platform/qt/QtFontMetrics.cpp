// Qt font metrics: the family table, logical font to QFont, cached per-character advances.
#include "platform/qt/QtFontMetrics.h"

#include <QFontMetrics>
#include <QRawFont>
#include <cmath>

#include "platform/Text.h"

namespace zv {
namespace {

struct FamilyRow {
    const char* windows;
    const char* linux;
};
// Metric-compatible families first; the rest are close in look.
constexpr FamilyRow kFamilies[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Microsoft Sans Serif", "Liberation Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
    {"Segoe UI", "DejaVu Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"MS Serif", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Lucida Console", "Liberation Mono"},
    {"Consolas", "Liberation Mono"},
    {"System", "Liberation Sans"},
    {"Symbol", "Standard Symbols PS"},
};

}  // namespace

std::string MapFontFamily(std::string_view windowsFamily)
{
    for (const FamilyRow& r : kFamilies)
        if (SameText(windowsFamily, r.windows)) return r.linux;
    if (windowsFamily.empty()) return "Liberation Sans";
    return std::string(windowsFamily);
}

QFont ToQFont(const Font& font)
{
    QFont f(QString::fromStdString(Cp1252ToUtf8(MapFontFamily(font.name))));
    f.setStyleStrategy(QFont::PreferOutline);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    f.setBold(font.style & fsBold);
    f.setItalic(font.style & fsItalic);
    f.setUnderline(font.style & fsUnderline);
    f.setStrikeOut(font.style & fsStrikeOut);
    int32_t h = font.height == 0 ? -15 : font.height;
    if (h < 0) {
        f.setPixelSize(std::max(1, -h));
    } else {
        // A cell height: the character height is what is left without the internal leading.
        f.setPixelSize(std::max(1, h));
        QFontMetricsF m(f);
        double cell = m.ascent() + m.descent();
        if (cell > 0) f.setPixelSize(std::max(1, static_cast<int>(std::lround(h * h / cell))));
    }
    return f;
}

const QtFontMetrics::Entry& QtFontMetrics::entry(const Font& font)
{
    auto key = std::make_tuple(font.name, font.height, static_cast<uint8_t>(font.style & (fsBold | fsItalic)));
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    Entry e;
    QFont qf = ToQFont(font);
    QFontMetricsF m(qf);
    QRawFont raw = QRawFont::fromFont(qf);
    e.metrics.ascent = static_cast<int32_t>(std::lround(m.ascent()));
    e.metrics.descent = static_cast<int32_t>(std::lround(m.descent()));
    e.metrics.height = e.metrics.ascent + e.metrics.descent;
    e.metrics.internalLeading = std::max(0, e.metrics.height - qf.pixelSize());
    e.metrics.externalLeading = std::max(0, static_cast<int32_t>(std::lround(m.leading())));
    e.metrics.maxCharWidth = static_cast<int32_t>(std::lround(m.maxWidth()));
    for (int c = 0; c < 256; ++c) {
        QChar ch(Cp1252CharToUtf16(static_cast<uint8_t>(c)));
        double a = 0;
        if (raw.isValid()) {
            QList<quint32> glyphs = raw.glyphIndexesForString(QString(ch));
            if (!glyphs.isEmpty() && glyphs[0] != 0) {
                QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs);
                if (!adv.isEmpty()) a = adv[0].x();
            } else {
                a = m.horizontalAdvance(ch);
            }
        } else {
            a = m.horizontalAdvance(ch);
        }
        // Whole pixels per character, as the page layout adds them up.
        e.advances[c] = c < 32 ? 0 : static_cast<int32_t>(std::lround(a));
    }
    e.metrics.aveCharWidth = e.advances['x'];
    return cache_.emplace(key, e).first->second;
}

TextMetrics QtFontMetrics::metrics(const Font& font) { return entry(font).metrics; }

int32_t QtFontMetrics::advance(const Font& font, uint8_t ch) { return entry(font).advances[ch]; }

}  // namespace zv
