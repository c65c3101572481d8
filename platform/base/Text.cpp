// Windows-1252 conversions and ASCII string helpers.
#include "platform/base/Text.h"

#include <array>

namespace zv {
namespace {

// Unicode code points of the bytes 0x80..0x9F; the five unassigned bytes keep their C1 code.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char FromUnicode(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

char16_t Cp1252CharToUtf16(uint8_t ch)
{
    return (ch >= 0x80 && ch < 0xA0) ? kHigh[ch - 0x80] : static_cast<char16_t>(ch);
}

std::string Cp1252ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) AppendUtf8(out, Cp1252CharToUtf16(static_cast<uint8_t>(c)));
    return out;
}

std::u16string Cp1252ToUtf16(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (char c : s) out += Cp1252CharToUtf16(static_cast<uint8_t>(c));
    return out;
}

std::string Utf8ToCp1252(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<uint8_t>(s[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        // Well-formed sequences only: the lead byte fixes the length and the range of the second
        // byte, which excludes overlong forms, encoded surrogates and code points past U+10FFFF.
        // A broken sequence becomes one '?' for its longest valid beginning (at least one byte).
        int len = 0;
        uint8_t lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF)
            len = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            len = 3, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        else if (b >= 0xF0 && b <= 0xF4)
            len = 4, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        char32_t cp = b & (0x7F >> len);
        int k = 1;
        for (; k < len && i + k < s.size(); ++k) {
            auto c = static_cast<uint8_t>(s[i + k]);
            if (k == 1 ? (c < lo || c > hi) : (c & 0xC0) != 0x80) break;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (len == 0 || k < len) {
            out += '?';
            i += k;
            continue;
        }
        out += FromUnicode(cp);
        i += len;
    }
    return out;
}

std::string Utf16ToCp1252(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            // A surrogate pair: never in the code page. A lone surrogate falls through to '?'.
            ++i;
            out += '?';
            continue;
        }
        out += FromUnicode(cp);
    }
    return out;
}

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = UpperChar(c);
    return out;
}

std::string LowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

int CompareText(std::string_view a, std::string_view b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(UpperChar(a[i]));
        auto cb = static_cast<unsigned char>(UpperChar(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

std::string TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1])) --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string IntToStr(int64_t v) { return std::to_string(v); }

}  // namespace zv
