// Qt font metrics: the family table, logical font to QFont, cached per-character advances.
#include "platform/qt/QtFontMetrics.h"

#include <QFontMetrics>
#include <QRawFont>
#include <algorithm>
#include <cmath>

#include "platform/base/Text.h"

namespace zv {

// The largest character height in pixels a font is made with.
constexpr int32_t kMaxFontPixels = 16384;
namespace {

struct FamilyRow {
    const char* windows;
    const char* linux;
    int sizePercent;  // of the Windows font's pixel size
};
// Metric-compatible families first; the rest are close in look. MS Sans Serif is a bitmap font
// whose 8-point face (the old dialog font, 11 pixels high) has 5-pixel average characters: Liberation
// Sans has the same average width at 9 pixels, so windows laid out for it keep their texts whole.
constexpr FamilyRow kFamilies[] = {
    {"Arial", "Liberation Sans", 100},
    {"Helvetica", "Liberation Sans", 100},
    {"MS Sans Serif", "Liberation Sans", 82},
    {"Microsoft Sans Serif", "Liberation Sans", 100},
    {"Tahoma", "DejaVu Sans", 100},
    {"Verdana", "DejaVu Sans", 100},
    {"Segoe UI", "DejaVu Sans", 100},
    {"Arial Narrow", "Liberation Sans Narrow", 100},
    {"Times New Roman", "Liberation Serif", 100},
    {"Times", "Liberation Serif", 100},
    {"MS Serif", "Liberation Serif", 100},
    {"Courier New", "Liberation Mono", 100},
    {"Courier", "Liberation Mono", 100},
    {"Lucida Console", "Liberation Mono", 100},
    {"Consolas", "Liberation Mono", 100},
    {"System", "Liberation Sans", 100},
    {"Symbol", "Standard Symbols PS", 100},
};

const FamilyRow* FindFamily(std::string_view windowsFamily)
{
    for (const FamilyRow& r : kFamilies)
        if (SameText(windowsFamily, r.windows)) return &r;
    return nullptr;
}

// The library's windows were laid out for this font.
constexpr const char* kWindowFontName = "MS Sans Serif";
constexpr int32_t kWindowFontHeight = -11;

}  // namespace

std::string MapFontFamily(std::string_view windowsFamily)
{
    if (const FamilyRow* r = FindFamily(windowsFamily)) return r->linux;
    if (windowsFamily.empty()) return "Liberation Sans";
    return std::string(windowsFamily);
}

QFont WindowFont()
{
    Font f;
    f.name = kWindowFontName;
    f.height = kWindowFontHeight;
    return ToQFont(f);
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
    // Heights come from files too: beyond kMaxFontPixels (far above any page) they are held there.
    int32_t h = font.height == 0 ? -15 : std::clamp(font.height, -kMaxFontPixels, kMaxFontPixels);
    int px = 0;
    if (h < 0) {
        px = -h;
    } else {
        // A cell height: the character height is what is left without the internal leading.
        f.setPixelSize(std::max(1, h));
        QFontMetricsF m(f);
        double cell = m.ascent() + m.descent();
        px = cell > 0 ? static_cast<int>(std::min<double>(std::lround(double(h) * h / cell), kMaxFontPixels)) : h;
    }
    const FamilyRow* row = FindFamily(font.name);
    if (row && row->sizePercent != 100) px = static_cast<int>(std::lround(px * row->sizePercent / 100.0));
    f.setPixelSize(std::max(1, px));
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
