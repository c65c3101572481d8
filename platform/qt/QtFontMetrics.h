// Font metrics from Qt's font engine (fontconfig): integer advances at 96 per inch, kerning off.
#pragma once

#include <QFont>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/draw/FontMetrics.h"

namespace zv {

// The Linux family that stands in for a Windows family name ("Arial" -> "Liberation Sans");
// names not in the table are passed to fontconfig as they are.
std::string MapFontFamily(std::string_view windowsFamily);

// The Qt font for a logical font: family mapped, pixel size from the height (negative: character
// height, positive: cell height) scaled as the family table says for a stand-in of other metrics,
// weight, italic, underline, strike-out, no kerning, no hinting of positions. Escapement is not
// part of it (the canvas turns the text).
QFont ToQFont(const Font& font);

// The font the library's windows are laid out for: the old 8-point sans-serif dialog font through
// the family table.
QFont WindowFont();

// Needs a QGuiApplication. Results are cached per family, height and style.
class QtFontMetrics : public FontMetrics {
public:
    TextMetrics metrics(const Font& font) override;
    int32_t advance(const Font& font, uint8_t ch) override;

private:
    struct Entry {
        TextMetrics metrics;
        std::array<int32_t, 256> advances{};
    };
    const Entry& entry(const Font& font);
    std::map<std::tuple<std::string, int32_t, uint8_t>, Entry> cache_;
};

}  // namespace zv
