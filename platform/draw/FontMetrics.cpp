// Font metrics: text width as the sum of advances, the deterministic fake source, the process default.
#include "platform/draw/FontMetrics.h"

#include <array>
#include <cstdlib>

namespace zv {
namespace {

// Fake metrics: a character's advance is ceil(charHeight * width / 16) (+1 when bold), with the
// width class below in sixteenths of the character height.
constexpr int32_t kNarrow = 4, kSpace = 5, kDigit = 9, kLower = 8, kUpper = 10, kWide = 13, kOther = 8;
constexpr int32_t kDefaultCharHeight = 11;  // height 0 asks for the default font size

constexpr std::array<uint8_t, 256> MakeWidthClasses()
{
    std::array<uint8_t, 256> w{};
    for (int c = 0; c < 256; ++c) w[c] = kOther;
    for (int c = 'a'; c <= 'z'; ++c) w[c] = kLower;
    for (int c = 'A'; c <= 'Z'; ++c) w[c] = kUpper;
    for (int c = '0'; c <= '9'; ++c) w[c] = kDigit;
    for (char c : {'i', 'l', 'j', 'I', '.', ',', ':', ';', '!', '|', '\'', 'f', 't'})
        w[static_cast<uint8_t>(c)] = kNarrow;
    for (char c : {'m', 'w', 'M', 'W'}) w[static_cast<uint8_t>(c)] = kWide;
    w[' '] = kSpace;
    return w;
}
constexpr std::array<uint8_t, 256> kWidthClass = MakeWidthClasses();

// The character height (without internal leading) and the internal leading of a fake font.
void FakeSizes(const Font& font, int32_t& charHeight, int32_t& leading)
{
    if (font.height < 0) {
        charHeight = -font.height;
        leading = (charHeight + 4) / 8;
    } else if (font.height > 0) {
        // A positive height is the cell height: the leading comes out of it.
        leading = (font.height + 4) / 9;
        charHeight = font.height - leading;
    } else {
        charHeight = kDefaultCharHeight;
        leading = (charHeight + 4) / 8;
    }
}

FakeFontMetrics gFakeMetrics;
FontMetrics* gDefaultMetrics = nullptr;

}  // namespace

int32_t FontMetrics::textWidth(const Font& font, std::string_view text)
{
    int32_t w = 0;
    for (char c : text) w += advance(font, static_cast<uint8_t>(c));
    return w;
}

Size FontMetrics::textExtent(const Font& font, std::string_view text)
{
    return Size{textWidth(font, text), metrics(font).height};
}

TextMetrics FakeFontMetrics::metrics(const Font& font)
{
    int32_t charHeight, leading;
    FakeSizes(font, charHeight, leading);
    TextMetrics m;
    m.height = charHeight + leading;
    m.descent = (m.height + 2) / 5;
    m.ascent = m.height - m.descent;
    m.internalLeading = leading;
    m.externalLeading = 0;
    m.aveCharWidth = advance(font, 'x');
    m.maxCharWidth = advance(font, 'W');
    return m;
}

int32_t FakeFontMetrics::advance(const Font& font, uint8_t ch)
{
    int32_t charHeight, leading;
    FakeSizes(font, charHeight, leading);
    int32_t a = (charHeight * kWidthClass[ch] + 15) / 16;
    return a + (font.bold() ? 1 : 0);
}

FontMetrics& DefaultFontMetrics() { return gDefaultMetrics ? *gDefaultMetrics : gFakeMetrics; }

void SetDefaultFontMetrics(FontMetrics* metrics) { gDefaultMetrics = metrics; }

}  // namespace zv
