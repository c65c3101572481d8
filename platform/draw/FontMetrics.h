// Font metrics: the one source of text measurement for layout, recording and drawing.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/draw/Graphics.h"

namespace zv {

// Metrics of a realised font, in pixels at 96 per inch (GDI's TEXTMETRIC fields).
struct TextMetrics {
    int32_t height = 0;  // ascent + descent: the cell height
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t internalLeading = 0;
    int32_t externalLeading = 0;
    int32_t aveCharWidth = 0;
    int32_t maxCharWidth = 0;
};

// A text's width is the sum of integer per-character advances (kerning off), so a line that
// fitted when laid out fits wherever it is played. Escapement does not change the advances.
class FontMetrics {
public:
    virtual ~FontMetrics() = default;
    virtual TextMetrics metrics(const Font& font) = 0;
    // Advance of one Windows-1252 character in whole pixels.
    virtual int32_t advance(const Font& font, uint8_t ch) = 0;

    int32_t textWidth(const Font& font, std::string_view text);
    Size textExtent(const Font& font, std::string_view text);  // width, metrics().height
};

// A deterministic source for tests: advances depend only on the character, the height and
// the bold bit; no font files are read.
class FakeFontMetrics : public FontMetrics {
public:
    TextMetrics metrics(const Font& font) override;
    int32_t advance(const Font& font, uint8_t ch) override;
};

// The process-wide source. Starts as a FakeFontMetrics; programs with Qt install the real one.
FontMetrics& DefaultFontMetrics();
void SetDefaultFontMetrics(FontMetrics* metrics);  // nullptr restores the fake source

}  // namespace zv
