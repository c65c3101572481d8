// The Italian regional settings, the loader from the process locale and the process default.
#include "platform/base/FormatSettings.h"

#include <langinfo.h>
#include <climits>
#include <clocale>
#include <cstring>
#include <string_view>

#include "platform/base/Text.h"

namespace zv {
namespace {

constexpr std::array<const char*, 12> kItLongMonths = {"gennaio",   "febbraio", "marzo",    "aprile",
                                                       "maggio",    "giugno",   "luglio",   "agosto",
                                                       "settembre", "ottobre",  "novembre", "dicembre"};
constexpr std::array<const char*, 12> kItShortMonths = {"gen", "feb", "mar", "apr", "mag", "giu",
                                                        "lug", "ago", "set", "ott", "nov", "dic"};
// Index 0 = Sunday.
constexpr std::array<const char*, 7> kItLongDays = {"domenica",   "luned\xEC",  "marted\xEC", "mercoled\xEC",
                                                    "gioved\xEC", "venerd\xEC", "sabato"};
constexpr std::array<const char*, 7> kItShortDays = {"dom", "lun", "mar", "mer", "gio", "ven", "sab"};

// ISO-8859-15 differs from Latin-1 (and so from Windows-1252) in eight places.
struct Latin9Pair {
    unsigned char latin9;
    unsigned char cp1252;
};
constexpr std::array<Latin9Pair, 8> kLatin9 = {
    {{0xA4, 0x80}, {0xA6, 0x8A}, {0xA8, 0x9A}, {0xB4, 0x8E}, {0xB8, 0x9E}, {0xBC, 0x8C}, {0xBD, 0x9C}, {0xBE, 0x9F}}};

bool IsCLocaleName(const char* name)
{
    if (name == nullptr) return true;
    std::string_view n(name);
    return n == "C" || n == "POSIX" || n.starts_with("C.");
}

// Converts a text of the locale's character set to Windows-1252.
std::string FromLocaleText(const char* text, std::string_view codeset)
{
    if (text == nullptr) return {};
    std::string_view s(text);
    if (codeset == "UTF-8" || codeset == "utf8") return Utf8ToCp1252(s);
    std::string out;
    if (codeset == "ISO-8859-1" || codeset == "ISO-8859-15") {
        for (char c : s) {
            auto b = static_cast<unsigned char>(c);
            if (codeset == "ISO-8859-15")
                for (const auto& p : kLatin9)
                    if (p.latin9 == b) b = p.cp1252;
            out += static_cast<char>(b);
        }
        return out;
    }
    for (char c : s) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
}

// A one-character separator; narrow no-break spaces become the no-break space.
char SeparatorChar(const std::string& cp1252, const char* raw, char fallback)
{
    if (raw != nullptr && std::string_view(raw) == "\xE2\x80\xAF") return '\xA0';
    if (cp1252.size() == 1 && cp1252[0] != '?') return cp1252[0];
    return fallback;
}

// Translates a C time format ("%d/%m/%Y") into this library's format language. The first
// character between two fields of the given kind becomes the separator; letters written
// literally are quoted so that they are not read as fields.
std::string FromStrftime(std::string_view f, char& dateSep, char& timeSep)
{
    std::string out;
    bool lastWasDate = false, lastWasTime = false;
    for (size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (c != '%' || i + 1 >= f.size()) {
            if (lastWasDate && (c == '/' || c == '.' || c == '-')) {
                if (dateSep == 0) dateSep = c;
                out += c == dateSep ? std::string("/") : std::string(1, c);
            } else if (lastWasTime && (c == ':' || c == '.')) {
                if (timeSep == 0) timeSep = c;
                out += c == timeSep ? std::string(":") : std::string(1, c);
            } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '/' || c == ':' || c == '\'') {
                out += '"';
                out += c;
                out += '"';
            } else if (c == '"') {
                out += "'\"'";
            } else {
                out += c;
            }
            continue;
        }
        char conv = f[++i];
        while ((conv == '-' || conv == '_' || conv == '0' || conv == 'E' || conv == 'O') && i + 1 < f.size())
            conv = f[++i];
        bool noPad = i >= 2 && f[i - 1] == '-';
        lastWasDate = lastWasTime = false;
        switch (conv) {
        case 'd':
            out += noPad ? "d" : "dd";
            lastWasDate = true;
            break;
        case 'e':
            out += "d";
            lastWasDate = true;
            break;
        case 'm':
            out += noPad ? "m" : "mm";
            lastWasDate = true;
            break;
        case 'b':
        case 'h':
            out += "mmm";
            lastWasDate = true;
            break;
        case 'B':
            out += "mmmm";
            lastWasDate = true;
            break;
        case 'y':
            out += "yy";
            lastWasDate = true;
            break;
        case 'Y':
            out += "yyyy";
            lastWasDate = true;
            break;
        case 'a': out += "ddd"; break;
        case 'A': out += "dddd"; break;
        case 'D':
            out += "mm/dd/yy";
            if (dateSep == 0) dateSep = '/';
            lastWasDate = true;
            break;
        case 'F':
            out += "yyyy/mm/dd";
            if (dateSep == 0) dateSep = '-';
            lastWasDate = true;
            break;
        case 'H':
        case 'k':
            out += noPad || conv == 'k' ? "h" : "hh";
            lastWasTime = true;
            break;
        case 'I':
        case 'l':
            out += noPad || conv == 'l' ? "h" : "hh";
            lastWasTime = true;
            break;
        case 'M':
            out += "nn";
            lastWasTime = true;
            break;
        case 'S':
            out += "ss";
            lastWasTime = true;
            break;
        case 'T':
            out += "hh:nn:ss";
            if (timeSep == 0) timeSep = ':';
            lastWasTime = true;
            break;
        case 'R':
            out += "hh:nn";
            if (timeSep == 0) timeSep = ':';
            lastWasTime = true;
            break;
        case 'r':
            out += "hh:nn:ss ampm";
            if (timeSep == 0) timeSep = ':';
            break;
        case 'p':
        case 'P': out += "ampm"; break;
        case 'n':
        case 't': out += ' '; break;
        case '%': out += '%'; break;
        default: break;  // time zones, week numbers and the like have no counterpart
        }
    }
    // Remove blanks left at either end by fields without counterpart.
    while (!out.empty() && out.back() == ' ') out.pop_back();
    while (!out.empty() && out.front() == ' ') out.erase(out.begin());
    return out;
}

// The platform's sixteen negative currency patterns from the C locale's description:
// sign position (0 parentheses, 1 before all, 2 after all, 3 just before the symbol, 4 just
// after it), whether the symbol comes first and whether a blank separates it.
uint8_t NegativeCurrencyPattern(int signPosn, bool symbolFirst, bool space)
{
    switch (signPosn) {
    case 0: return symbolFirst ? (space ? 14 : 0) : (space ? 15 : 4);
    case 2: return symbolFirst ? (space ? 11 : 3) : (space ? 10 : 7);
    case 3: return symbolFirst ? (space ? 9 : 1) : (space ? 13 : 6);
    case 4: return symbolFirst ? (space ? 12 : 2) : (space ? 10 : 7);
    default: return symbolFirst ? (space ? 9 : 1) : (space ? 8 : 5);
    }
}

// A time format without its seconds field: "hh:nn:ss" -> "hh:nn".
std::string WithoutSeconds(std::string f)
{
    size_t s = f.find("ss");
    if (s == std::string::npos) return f;
    size_t from = s;
    while (from > 0 && f[from - 1] != 'n') --from;  // the separator before the seconds
    f.erase(from, s + 2 - from);
    return f;
}

}  // namespace

FormatSettings ItalianFormatSettings()
{
    FormatSettings fs;
    fs.decimalSeparator = ',';
    fs.thousandSeparator = '.';
    fs.currencyString = "\x80";
    fs.currencyFormat = 2;
    fs.negCurrFormat = 9;
    fs.currencyDecimals = 2;
    fs.dateSeparator = '/';
    fs.timeSeparator = ':';
    fs.shortDateFormat = "dd/mm/yyyy";
    fs.longDateFormat = "dddd d mmmm yyyy";
    fs.shortTimeFormat = "hh:nn";
    fs.longTimeFormat = "hh:nn:ss";
    fs.timeAMString = "AM";
    fs.timePMString = "PM";
    for (size_t i = 0; i < 12; ++i) {
        fs.longMonthNames[i] = kItLongMonths[i];
        fs.shortMonthNames[i] = kItShortMonths[i];
    }
    for (size_t i = 0; i < 7; ++i) {
        fs.longDayNames[i] = kItLongDays[i];
        fs.shortDayNames[i] = kItShortDays[i];
    }
    fs.twoDigitYearCenturyWindow = 50;
    return fs;
}

// Each category that the process has set to a real locale replaces the matching fields of
// the Italian preset; categories left at C or POSIX keep the preset.
FormatSettings FormatSettingsFromLocale()
{
    FormatSettings fs = ItalianFormatSettings();
    const bool numeric = !IsCLocaleName(std::setlocale(LC_NUMERIC, nullptr));
    const bool monetary = !IsCLocaleName(std::setlocale(LC_MONETARY, nullptr));
    const bool time = !IsCLocaleName(std::setlocale(LC_TIME, nullptr));
    if (!numeric && !monetary && !time) return fs;

    const std::string codeset = nl_langinfo(CODESET);
    const lconv* lc = std::localeconv();
    if (numeric && lc != nullptr) {
        fs.decimalSeparator = SeparatorChar(FromLocaleText(lc->decimal_point, codeset), lc->decimal_point, '.');
        std::string thou = FromLocaleText(lc->thousands_sep, codeset);
        if (thou.empty() && monetary) thou = FromLocaleText(lc->mon_thousands_sep, codeset);
        char fallback = fs.decimalSeparator == ',' ? '.' : ',';
        fs.thousandSeparator = SeparatorChar(thou, lc->thousands_sep, fallback);
        if (fs.thousandSeparator == fs.decimalSeparator) fs.thousandSeparator = fallback;
    }
    if (monetary && lc != nullptr) {
        std::string symbol = FromLocaleText(lc->currency_symbol, codeset);
        if (!symbol.empty()) fs.currencyString = symbol;
        const bool pFirst = lc->p_cs_precedes == 1;
        const bool pSpace = lc->p_sep_by_space != 0 && lc->p_sep_by_space != CHAR_MAX;
        fs.currencyFormat = static_cast<uint8_t>(pFirst ? (pSpace ? 2 : 0) : (pSpace ? 3 : 1));
        const bool nFirst = lc->n_cs_precedes == CHAR_MAX ? pFirst : lc->n_cs_precedes == 1;
        const bool nSpace = lc->n_sep_by_space == CHAR_MAX ? pSpace : lc->n_sep_by_space != 0;
        fs.negCurrFormat = NegativeCurrencyPattern(lc->n_sign_posn == CHAR_MAX ? 1 : lc->n_sign_posn, nFirst, nSpace);
        if (lc->frac_digits != CHAR_MAX && lc->frac_digits >= 0 && lc->frac_digits <= 4)
            fs.currencyDecimals = static_cast<uint8_t>(lc->frac_digits);
    }
    if (time) {
        char dateSep = 0, timeSep = 0;
        std::string shortDate = FromStrftime(FromLocaleText(nl_langinfo(D_FMT), codeset), dateSep, timeSep);
        std::string longTime = FromStrftime(FromLocaleText(nl_langinfo(T_FMT), codeset), dateSep, timeSep);
        if (!shortDate.empty()) fs.shortDateFormat = shortDate;
        if (!longTime.empty()) {
            fs.longTimeFormat = longTime;
            fs.shortTimeFormat = WithoutSeconds(longTime);
        }
        if (dateSep != 0) fs.dateSeparator = dateSep;
        if (timeSep != 0) fs.timeSeparator = timeSep;
        // The C library has no long date; it is built from the order of the short date.
        size_t d = fs.shortDateFormat.find_first_of("dD"), m = fs.shortDateFormat.find_first_of("mM"),
               y = fs.shortDateFormat.find_first_of("yY");
        if (y < d && y < m)
            fs.longDateFormat = "yyyy mmmm d, dddd";
        else if (m < d)
            fs.longDateFormat = "dddd, mmmm d, yyyy";
        else
            fs.longDateFormat = "dddd d mmmm yyyy";
        std::string am = FromLocaleText(nl_langinfo(AM_STR), codeset);
        std::string pm = FromLocaleText(nl_langinfo(PM_STR), codeset);
        if (!am.empty() && !pm.empty()) {
            fs.timeAMString = am;
            fs.timePMString = pm;
        }
        for (int i = 0; i < 12; ++i) {
            fs.longMonthNames[i] = FromLocaleText(nl_langinfo(static_cast<nl_item>(MON_1 + i)), codeset);
            fs.shortMonthNames[i] = FromLocaleText(nl_langinfo(static_cast<nl_item>(ABMON_1 + i)), codeset);
        }
        for (int i = 0; i < 7; ++i) {
            fs.longDayNames[i] = FromLocaleText(nl_langinfo(static_cast<nl_item>(DAY_1 + i)), codeset);
            fs.shortDayNames[i] = FromLocaleText(nl_langinfo(static_cast<nl_item>(ABDAY_1 + i)), codeset);
        }
    }
    return fs;
}

FormatSettings& DefaultFormatSettings()
{
    static FormatSettings settings = ItalianFormatSettings();
    return settings;
}

}  // namespace zv
