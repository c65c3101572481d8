// Number and date-time formatting and parsing under explicit regional settings, and the clock.
#include "platform/base/Format.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Text.h"

namespace zv {
namespace {

constexpr int kDoublePrecision = 15;    // significant digits a double is shown with
constexpr int kCurrencyPrecision = 19;  // every digit of a 64-bit currency value
constexpr int kMaxFixedDigits = 18;     // decimals of the fixed renderings
constexpr int kMaxPlainExponent = 18;   // beyond 10^18 the fixed renderings give up for the general one
constexpr int kMaxExponentDigits = 4;
constexpr int kMaxFormatSections = 3;
constexpr int64_t kMSecsPerDay = 86400000;
constexpr int64_t kUnixEpochDay = 25569;  // 1970-01-01 in days since 1899-12-30
constexpr int64_t kMinDay = -693593;      // 0001-01-01
constexpr int64_t kMaxDay = 2958465;      // 9999-12-31
constexpr int kMaxNesting = 3;            // date-time formats inside formats ("c", "ddddd", "t")
constexpr int64_t kExponentLimit = 100000;

// ---------------------------------------------------------------------------------------------
// Decimal digit strings

// value = 0.d1d2d3... x 10^exponent. digits has no leading and no trailing zeros; empty is zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool IsZero() const { return digits.empty(); }
    // The i-th significant digit, '0' beyond the stored ones and before the first.
    char DigitAt(int i) const { return i >= 0 && i < static_cast<int>(digits.size()) ? digits[i] : '0'; }
};

void StripTrailingZeros(Decimal& d)
{
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}

// Keeps the first `keep` significant digits, rounding half away from zero.
void RoundDigits(Decimal& d, int keep)
{
    if (d.IsZero() || keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[i];
        }
    }
    StripTrailingZeros(d);
}

// The decimal digits of a finite double: 17 correctly rounded significant digits (enough to
// tell every double apart), then rounded half away from zero to the 15 a double is shown with.
// std::to_chars is exact and independent of the C locale.
Decimal FromDouble(double v)
{
    Decimal d;
    if (v == 0) return d;
    d.negative = std::signbit(v);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 16);
    std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
    const size_t e = s.find('e');
    for (char c : s.substr(0, e))
        if (c != '.') d.digits += c;
    std::string_view ex = s.substr(e + 1);
    const bool negExp = !ex.empty() && ex[0] == '-';
    if (!ex.empty() && (ex[0] == '-' || ex[0] == '+')) ex.remove_prefix(1);
    int exp10 = 0;
    std::from_chars(ex.data(), ex.data() + ex.size(), exp10);
    d.exponent = (negExp ? -exp10 : exp10) + 1;
    StripTrailingZeros(d);
    RoundDigits(d, kDoublePrecision);
    return d;
}

// The exact digits of a currency value scaled by 10 000.
Decimal FromCurrency(int64_t scaled)
{
    Decimal d;
    d.negative = scaled < 0;
    const uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    d.digits = std::to_string(mag);
    d.exponent = static_cast<int>(d.digits.size()) - 4;
    StripTrailingZeros(d);
    if (d.IsZero()) d.negative = false;
    return d;
}

std::string Padded(int64_t v, int width)
{
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
    return s;
}

// The digits before the decimal point ("" when the integer part is zero).
std::string IntegerDigits(const Decimal& d)
{
    std::string s;
    for (int i = 0; i < d.exponent; ++i) s += d.DigitAt(i);
    return s;
}

// The first `count` digits after the decimal point.
std::string FractionDigits(const Decimal& d, int count)
{
    std::string s;
    for (int k = 0; k < count; ++k) s += d.DigitAt(d.exponent + k);
    return s;
}

std::string GroupThousands(const std::string& digits, char sep)
{
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        out += digits[i];
        const size_t left = digits.size() - 1 - i;
        if (left > 0 && left % 3 == 0) out += sep;
    }
    return out;
}

std::string SpecialValue(double v)
{
    if (std::isnan(v)) return "NAN";
    return v < 0 ? "-INF" : "INF";
}

// General format of digits already rounded to `precision`: plain when the number fits in
// `precision` digits and is not below 0.0001, otherwise "d,dddE-x" with at least
// `expDigits` exponent digits and no plus sign.
std::string FormatGeneral(const Decimal& d, int precision, int expDigits, const FormatSettings& fs)
{
    if (d.IsZero()) return "0";
    std::string out = d.negative ? "-" : "";
    if (d.exponent > precision || d.exponent < -3) {
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += fs.decimalSeparator;
            out += d.digits.substr(1);
        }
        const int e = d.exponent - 1;
        out += 'E';
        if (e < 0) out += '-';
        out += Padded(std::abs(e), expDigits);
    } else if (d.exponent <= 0) {
        out += '0';
        out += fs.decimalSeparator;
        out.append(static_cast<size_t>(-d.exponent), '0');
        out += d.digits;
    } else {
        out += IntegerDigits(d);
        if (static_cast<int>(d.digits.size()) > d.exponent) {
            out += fs.decimalSeparator;
            out += d.digits.substr(static_cast<size_t>(d.exponent));
        }
    }
    return out;
}

// "d,ddddE+xx": exactly `precision` mantissa digits, an exponent sign always.
std::string FormatExponent(const Decimal& d, int precision, int expDigits, const FormatSettings& fs)
{
    std::string out = d.negative && !d.IsZero() ? "-" : "";
    out += d.DigitAt(0);
    if (precision > 1) {
        out += fs.decimalSeparator;
        for (int i = 1; i < precision; ++i) out += d.DigitAt(i);
    }
    const int e = d.IsZero() ? 0 : d.exponent - 1;
    out += 'E';
    out += e < 0 ? '-' : '+';
    out += Padded(std::abs(e), expDigits);
    return out;
}

// The magnitude with `digits` decimals, optionally with thousands separators; no sign.
std::string FormatFixedMagnitude(const Decimal& d, int digits, bool thousands, const FormatSettings& fs)
{
    std::string ip = IntegerDigits(d);
    if (ip.empty()) ip = "0";
    std::string out = thousands ? GroupThousands(ip, fs.thousandSeparator) : ip;
    if (digits > 0) {
        out += fs.decimalSeparator;
        out += FractionDigits(d, digits);
    }
    return out;
}

// Places the currency symbol and the sign around a magnitude text, by the locale's patterns.
std::string ApplyCurrency(const std::string& n, bool negative, const FormatSettings& fs)
{
    const std::string& c = fs.currencyString;
    if (!negative) {
        switch (fs.currencyFormat) {
        case 1: return n + c;
        case 2: return c + " " + n;
        case 3: return n + " " + c;
        default: return c + n;
        }
    }
    switch (fs.negCurrFormat) {
    case 1: return "-" + c + n;
    case 2: return c + "-" + n;
    case 3: return c + n + "-";
    case 4: return "(" + n + c + ")";
    case 5: return "-" + n + c;
    case 6: return n + "-" + c;
    case 7: return n + c + "-";
    case 8: return "-" + n + " " + c;
    case 9: return "-" + c + " " + n;
    case 10: return n + " " + c + "-";
    case 11: return c + " " + n + "-";
    case 12: return c + " -" + n;
    case 13: return n + "- " + c;
    case 14: return "(" + c + " " + n + ")";
    case 15: return "(" + n + " " + c + ")";
    default: return "(" + c + n + ")";
    }
}

// Fixed, number and currency renderings of digits already rounded to their decimals.
std::string FormatFixedKind(const Decimal& d, FloatFormat format, int digits, const FormatSettings& fs)
{
    const bool negative = d.negative && !d.IsZero();
    if (format == FloatFormat::Currency) return ApplyCurrency(FormatFixedMagnitude(d, digits, true, fs), negative, fs);
    std::string text = FormatFixedMagnitude(d, digits, format == FloatFormat::Number, fs);
    return negative ? "-" + text : text;
}

// ---------------------------------------------------------------------------------------------
// The number format language

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Splits at ';' outside quotes; at most three sections count.
std::vector<std::string_view> SplitSections(std::string_view f)
{
    std::vector<std::string_view> out;
    char quote = 0;
    size_t start = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == ';') {
            out.push_back(f.substr(start, i - start));
            start = i + 1;
            if (static_cast<int>(out.size()) == kMaxFormatSections) return out;
        }
    }
    out.push_back(f.substr(start));
    return out;
}

// What one section asks for; found by a first walk over it.
struct NumberLayout {
    int intPlaces = 0;    // digit placeholders before the decimal point
    int decPlaces = 0;    // digit placeholders after it
    int minDecimals = 0;  // decimals up to the last '0' after the point
    bool thousands = false;
    bool scientific = false;
};

bool IsExponentAt(std::string_view s, size_t i)
{
    return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

NumberLayout AnalyseSection(std::string_view s)
{
    NumberLayout l;
    bool point = false;
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (point) {
                ++l.decPlaces;
                if (c == '0') l.minDecimals = l.decPlaces;
            } else {
                ++l.intPlaces;
            }
        } else if (c == '.') {
            point = true;
        } else if (c == ',') {
            if (!point) l.thousands = true;
        } else if (IsExponentAt(s, i)) {
            l.scientific = true;
            break;  // what follows the exponent is the exponent's digits and plain text
        }
    }
    return l;
}

struct RenderedNumber {
    std::string text;
    bool zero = false;  // every digit shown is zero
};

// Writes the magnitude `value` by one section. The digits go where the placeholders are;
// integer digits beyond the placeholders all go to the first one; the decimal separator is
// written just before the first decimal digit that is written.
RenderedNumber RenderSection(std::string_view s, const NumberLayout& l, Decimal value, const FormatSettings& fs)
{
    RenderedNumber r;
    std::string intDigits, frac;
    int exp10 = 0;
    if (l.scientific) {
        const int n = std::max(1, l.intPlaces + l.decPlaces);
        RoundDigits(value, std::min(n, kDoublePrecision));
        r.zero = value.IsZero();
        exp10 = r.zero ? 0 : value.exponent - l.intPlaces;
        for (int i = 0; i < l.intPlaces; ++i) intDigits += value.DigitAt(i);
        for (int i = 0; i < l.decPlaces; ++i) frac += value.DigitAt(l.intPlaces + i);
        if (r.zero) intDigits.clear();
    } else {
        RoundDigits(value, value.exponent + l.decPlaces);
        r.zero = value.IsZero();
        intDigits = IntegerDigits(value);
        frac = FractionDigits(value, l.decPlaces);
    }
    const size_t lastNonZero = frac.find_last_not_of('0');
    const int writeDec =
        std::max(l.minDecimals, lastNonZero == std::string::npos ? 0 : static_cast<int>(lastNonZero) + 1);

    // Integer positions: width W, the leading `pad` of which have no digit of the number.
    const int len = static_cast<int>(intDigits.size());
    const int width = std::max(len, l.intPlaces);
    const int pad = width - len;
    const bool group = l.thousands && !l.scientific;
    std::string& out = r.text;
    auto putIntPosition = [&](int pos, char placeholder) {
        if (pos < pad) {
            if (placeholder != '0') return;
            out += '0';
        } else {
            out += intDigits[static_cast<size_t>(pos - pad)];
        }
        const int left = width - 1 - pos;
        if (group && left > 0 && left % 3 == 0) out += fs.thousandSeparator;
    };

    int intIndex = 0, decIndex = 0;
    bool point = false, intWritten = false, sepWritten = false;
    auto putAllIntDigits = [&] {
        for (int pos = 0; pos < width; ++pos) putIntPosition(pos, '#');
        intWritten = true;
    };
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                out += c;
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (!point) {
                if (intIndex == 0)
                    for (int pos = 0; pos < width - l.intPlaces; ++pos) putIntPosition(pos, '#');
                putIntPosition(intIndex + width - l.intPlaces, c);
                ++intIndex;
                intWritten = true;
            } else {
                if (decIndex < writeDec) {
                    if (!sepWritten) {
                        out += fs.decimalSeparator;
                        sepWritten = true;
                    }
                    out += frac[static_cast<size_t>(decIndex)];
                }
                ++decIndex;
            }
        } else if (c == '.') {
            if (!point && l.intPlaces == 0 && !intWritten) putAllIntDigits();
            point = true;
        } else if (c == ',') {
            // a flag, never written
        } else if (IsExponentAt(s, i)) {
            out += c;
            const char sign = s[i + 1];
            i += 2;
            int digits = 0;
            while (i < s.size() && s[i] == '0') {
                ++digits;
                ++i;
            }
            if (exp10 < 0)
                out += '-';
            else if (sign == '+')
                out += '+';
            out += Padded(std::abs(exp10), std::min(digits, kMaxExponentDigits));
            // The rest of the section is copied as it stands.
            for (; i < s.size(); ++i)
                if (!IsQuote(s[i])) out += s[i];
            break;
        } else {
            out += c;
        }
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Dates and times

struct Stamp {
    int year, month, day, dayOfWeek;  // dayOfWeek 1 = Sunday
    int hour, minute, second, msec;
};

// Proleptic Gregorian calendar over days since 1970-01-01.
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

[[noreturn]] void ThrowInvalidDateTime(double v, const FormatSettings& fs)
{
    throw ConvertError("'" + (std::isfinite(v) ? FloatToStr(v, fs) : SpecialValue(v)) + "' is not a valid date");
}

// Splits a date-time into its parts. The whole value is rounded to the millisecond first, so a
// time that rounds up to midnight moves the date as well. For negative values the date is the
// whole part (toward zero) and the time of day is the absolute value of the fraction.
Stamp MakeStamp(double v, const FormatSettings& fs)
{
    if (!(v > static_cast<double>(kMinDay - 1) && v < static_cast<double>(kMaxDay + 1))) ThrowInvalidDateTime(v, fs);
    const auto total = static_cast<int64_t>(std::nearbyint(v * static_cast<double>(kMSecsPerDay)));
    const int64_t days = total / kMSecsPerDay;
    int64_t ms = total % kMSecsPerDay;
    if (ms < 0) ms = -ms;
    if (days < kMinDay || days > kMaxDay) ThrowInvalidDateTime(v, fs);
    Stamp st{};
    CivilFromDays(days - kUnixEpochDay, st.year, st.month, st.day);
    st.dayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;  // day 0 was a Saturday
    st.hour = static_cast<int>(ms / 3600000);
    st.minute = static_cast<int>(ms / 60000 % 60);
    st.second = static_cast<int>(ms / 1000 % 60);
    st.msec = static_cast<int>(ms % 1000);
    return st;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// Whether the rest of a format holds a twelve-hour marker outside quotes.
bool HasAmPmMarker(std::string_view rest)
{
    char quote = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (IsQuote(c)) {
            quote = c;
        } else if (StartsWithNoCase(rest.substr(i), "am/pm") || StartsWithNoCase(rest.substr(i), "a/p") ||
                   StartsWithNoCase(rest.substr(i), "ampm")) {
            return true;
        }
    }
    return false;
}

void AppendDateTime(std::string& out, std::string_view f, const Stamp& st, const FormatSettings& fs, int depth)
{
    if (depth >= kMaxNesting) return;
    char lastToken = 0;
    size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        char token = UpperChar(c);
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && lastToken == 'H') token = 'N';  // "m" right after an hour is minutes
            lastToken = token;
        }
        auto run = [&] {
            size_t j = i;
            while (j < f.size() && UpperChar(f[j]) == UpperChar(c)) ++j;
            const int n = static_cast<int>(j - i);
            i = j;
            return n;
        };
        switch (token) {
        case 'Y': {
            const int n = run();
            out += n <= 2 ? Padded(st.year % 100, 2) : Padded(st.year, 4);
            break;
        }
        case 'M': {
            const int n = run();
            if (n <= 2)
                out += Padded(st.month, n);
            else
                out += n == 3 ? fs.shortMonthNames[st.month - 1] : fs.longMonthNames[st.month - 1];
            break;
        }
        case 'N': out += Padded(st.minute, std::min(run(), 2)); break;
        case 'S': out += Padded(st.second, std::min(run(), 2)); break;
        case 'Z': out += Padded(st.msec, run() == 1 ? 1 : 3); break;
        case 'D': {
            const int n = run();
            if (n <= 2)
                out += Padded(st.day, n);
            else if (n == 3)
                out += fs.shortDayNames[st.dayOfWeek - 1];
            else if (n == 4)
                out += fs.longDayNames[st.dayOfWeek - 1];
            else
                AppendDateTime(out, n == 5 ? fs.shortDateFormat : fs.longDateFormat, st, fs, depth + 1);
            break;
        }
        case 'H': {
            const int n = run();
            int h = st.hour;
            if (HasAmPmMarker(f.substr(i))) {
                h %= 12;
                if (h == 0) h = 12;
            }
            out += Padded(h, std::min(n, 2));
            break;
        }
        case 'T': AppendDateTime(out, run() == 1 ? fs.shortTimeFormat : fs.longTimeFormat, st, fs, depth + 1); break;
        case 'C':
            run();
            AppendDateTime(out, fs.shortDateFormat, st, fs, depth + 1);
            if (st.hour != 0 || st.minute != 0 || st.second != 0 || st.msec != 0) {  // not exactly midnight
                out += ' ';
                AppendDateTime(out, fs.longTimeFormat, st, fs, depth + 1);
            }
            break;
        case 'A': {
            const std::string_view rest = f.substr(i);
            const bool pm = st.hour >= 12;
            if (StartsWithNoCase(rest, "am/pm")) {
                out += rest.substr(pm ? 3 : 0, 2);  // the marker in the case it is written
                i += 5;
            } else if (StartsWithNoCase(rest, "a/p")) {
                out += rest[pm ? 2 : 0];
                i += 3;
            } else if (StartsWithNoCase(rest, "ampm")) {
                out += pm ? fs.timePMString : fs.timeAMString;
                i += 4;
            } else {
                out += c;
                ++i;
            }
            break;
        }
        case '/':
            if (fs.dateSeparator != 0) out += fs.dateSeparator;
            ++i;
            break;
        case ':':
            if (fs.timeSeparator != 0) out += fs.timeSeparator;
            ++i;
            break;
        case '"':
        case '\'': {
            const size_t end = f.find(c, i + 1);
            const size_t stop = end == std::string_view::npos ? f.size() : end;
            out += f.substr(i + 1, stop - i - 1);
            i = end == std::string_view::npos ? f.size() : end + 1;
            break;
        }
        default:
            out += c;
            ++i;
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Parsing

[[noreturn]] void ThrowConvert(std::string_view s, const char* what)
{
    throw ConvertError("'" + std::string(s) + "' is not a valid " + what);
}

// value = (negative ? -1 : 1) x digits x 10^exp10.
struct DecimalText {
    bool negative = false;
    std::string digits;
    int64_t exp10 = 0;
};

// Surrounding blanks, a sign, digits with the locale's decimal separator (no thousands
// separators), an optional exponent "E[sign]digits". At least one digit.
std::optional<DecimalText> ParseDecimalText(std::string_view text, char decimalSeparator)
{
    const std::string t = Trim(text);
    DecimalText r;
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) r.negative = t[i++] == '-';
    while (i < t.size() && IsDigit(t[i])) r.digits += t[i++];
    if (i < t.size() && t[i] == decimalSeparator) {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            r.digits += t[i++];
            --r.exp10;
        }
    }
    if (r.digits.empty()) return std::nullopt;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        bool negExp = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) negExp = t[i++] == '-';
        if (i >= t.size() || !IsDigit(t[i])) return std::nullopt;
        int64_t e = 0;
        while (i < t.size() && IsDigit(t[i])) e = std::min(e * 10 + (t[i++] - '0'), kExponentLimit);
        r.exp10 += negExp ? -e : e;
    }
    if (i != t.size()) return std::nullopt;
    const size_t nz = r.digits.find_first_not_of('0');
    r.digits.erase(0, nz == std::string::npos ? r.digits.size() : nz);
    return r;
}

std::optional<double> DecimalTextToDouble(const DecimalText& d)
{
    if (d.digits.empty()) return 0.0;
    const std::string s = d.digits + "e" + std::to_string(d.exp10);
    double v = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (static_cast<int64_t>(d.digits.size()) + d.exp10 > 0) return std::nullopt;  // overflow
        v = 0;
    } else if (res.ec != std::errc() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return d.negative ? -v : v;
}

// Digits x 10^(exp10 + 4) rounded half to even into a 64-bit value.
std::optional<int64_t> DecimalTextToCurrency(const DecimalText& d)
{
    const int64_t shift = d.exp10 + 4;
    const int64_t len = static_cast<int64_t>(d.digits.size());
    if (len + shift > 20) return std::nullopt;
    if (len + shift < 0) return 0;  // below half of the last unit
    const int64_t keep = len + shift;
    uint64_t acc = 0;
    auto push = [&acc](int digit) {
        if (acc > (UINT64_MAX - static_cast<uint64_t>(digit)) / 10) return false;
        acc = acc * 10 + static_cast<uint64_t>(digit);
        return true;
    };
    for (int64_t i = 0; i < keep; ++i)
        if (!push(i < len ? d.digits[static_cast<size_t>(i)] - '0' : 0)) return std::nullopt;
    if (keep < len) {
        const std::string_view rest = std::string_view(d.digits).substr(static_cast<size_t>(keep));
        const bool above =
            rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
        const bool half = rest[0] == '5' && !above;
        if (above || (half && (acc & 1) != 0)) {
            if (acc == UINT64_MAX) return std::nullopt;
            ++acc;
        }
    }
    const uint64_t limit = d.negative ? static_cast<uint64_t>(INT64_MAX) + 1 : static_cast<uint64_t>(INT64_MAX);
    if (acc > limit) return std::nullopt;
    if (d.negative) return acc == limit ? INT64_MIN : -static_cast<int64_t>(acc);
    return static_cast<int64_t>(acc);
}

// Decimal, or hexadecimal after "$", "x" or "0x". Decimal values must fit the range; hexadecimal
// ones may use every bit of the type and wrap to negative values, as the platform does.
std::optional<int64_t> ParseInteger(std::string_view text, int bits)
{
    const std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    bool hex = false;
    if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= t.size()) return std::nullopt;
    const uint64_t maxMag =
        hex ? (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1) : (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    const uint64_t base = hex ? 16 : 10;
    uint64_t acc = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        uint64_t digit;
        if (IsDigit(c))
            digit = static_cast<uint64_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<uint64_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<uint64_t>(c - 'A' + 10);
        else
            return std::nullopt;
        if (acc > (maxMag - digit) / base) return std::nullopt;
        acc = acc * base + digit;
    }
    int64_t v;
    if (hex)
        v = bits == 32 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(acc)))
                       : static_cast<int64_t>(acc);
    else
        v = negative ? static_cast<int64_t>(0 - acc) : static_cast<int64_t>(acc);
    return hex && negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(v)) : v;
}

struct LocalClock {
    int year, month, day, hour, minute, second, msec;
};

LocalClock ReadLocalClock()
{
    using namespace std::chrono;
    const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    int64_t secs = ms / 1000, rem = ms % 1000;
    if (rem < 0) {
        rem += 1000;
        --secs;
    }
    const auto tt = static_cast<std::time_t>(secs);
    std::tm t{};
    localtime_r(&tt, &t);
    return {t.tm_year + 1900,       t.tm_mon + 1,         t.tm_mday, t.tm_hour, t.tm_min,
            std::min(t.tm_sec, 59), static_cast<int>(rem)};
}

// Reads the numbers, separators and AM/PM markers of dates and times, skipping blanks.
class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    void Blanks()
    {
        while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) <= ' ') ++pos_;
    }
    // Digits are read while the value is below 1000, so a number has at most four of them.
    bool Number(int& n, int& len)
    {
        Blanks();
        const size_t start = pos_;
        n = 0;
        while (pos_ < s_.size() && IsDigit(s_[pos_]) && n < 1000) n = n * 10 + (s_[pos_++] - '0');
        len = static_cast<int>(pos_ - start);
        return len > 0;
    }
    bool Char(char c)
    {
        Blanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view w)
    {
        Blanks();
        if (w.empty() || !StartsWithNoCase(s_.substr(pos_), w)) return false;
        pos_ += w.size();
        return true;
    }
    bool AtEnd() const { return pos_ >= s_.size(); }

private:
    std::string_view s_;
    size_t pos_ = 0;
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder DateOrderOf(std::string_view shortDate)
{
    for (char c : shortDate) {
        switch (UpperChar(c)) {
        case 'Y': return DateOrder::YMD;
        case 'M': return DateOrder::MDY;
        case 'D': return DateOrder::DMY;
        default: break;
        }
    }
    return DateOrder::MDY;
}

bool ScanDate(Scanner& sc, const FormatSettings& fs, double& out)
{
    int n1, l1, n2, l2, n3 = 0, l3 = 0;
    if (!(sc.Number(n1, l1) && sc.Char(fs.dateSeparator) && sc.Number(n2, l2))) return false;
    const DateOrder order = DateOrderOf(fs.shortDateFormat);
    int y, m, d;
    if (sc.Char(fs.dateSeparator)) {
        if (!sc.Number(n3, l3)) return false;
        int yearLen;
        switch (order) {
        case DateOrder::MDY:
            y = n3;
            yearLen = l3;
            m = n1;
            d = n2;
            break;
        case DateOrder::DMY:
            y = n3;
            yearLen = l3;
            m = n2;
            d = n1;
            break;
        default:
            y = n1;
            yearLen = l1;
            m = n2;
            d = n3;
            break;
        }
        if (yearLen <= 2) {
            // Two-digit years fall in the window of years ending this many years after now.
            const int window = fs.twoDigitYearCenturyWindow;
            const int base = ReadLocalClock().year - window;
            y += base / 100 * 100;
            if (window > 0 && y < base) y += 100;
        }
    } else {
        y = ReadLocalClock().year;
        if (order == DateOrder::DMY) {
            d = n1;
            m = n2;
        } else {
            m = n1;
            d = n2;
        }
    }
    sc.Char(fs.dateSeparator);
    sc.Blanks();
    const auto r = TryEncodeDate(y, m, d);
    if (!r) return false;
    out = *r;
    return true;
}

bool ScanAmPm(Scanner& sc, const FormatSettings& fs, int& baseHour)
{
    if (sc.Word(fs.timeAMString) || sc.Word("AM")) {
        baseHour = 0;
        return true;
    }
    if (sc.Word(fs.timePMString) || sc.Word("PM")) {
        baseHour = 12;
        return true;
    }
    return false;
}

// h[:n[:s[<decimal separator>ms]]] with an AM/PM marker before or after. The milliseconds are a
// count ("5" is 5 ms), as the platform reads them.
bool ScanTime(Scanner& sc, const FormatSettings& fs, double& out)
{
    int baseHour = -1;
    ScanAmPm(sc, fs, baseHour);
    int hour, minute = 0, second = 0, msec = 0, len;
    if (!sc.Number(hour, len)) return false;
    if (sc.Char(fs.timeSeparator)) {
        if (!sc.Number(minute, len)) return false;
        if (sc.Char(fs.timeSeparator)) {
            if (!sc.Number(second, len)) return false;
            if (sc.Char(fs.decimalSeparator) && !sc.Number(msec, len)) return false;
        }
    }
    if (baseHour < 0) ScanAmPm(sc, fs, baseHour);
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12) return false;
        if (hour == 12) hour = 0;
        hour += baseHour;
    }
    sc.Blanks();
    const auto r = TryEncodeTime(hour, minute, second, msec);
    if (!r) return false;
    out = *r;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string FloatToStr(double v, const FormatSettings& fs)
{
    if (!std::isfinite(v)) return SpecialValue(v);
    return FormatGeneral(FromDouble(v), kDoublePrecision, 0, fs);
}

std::string FloatToStrF(double v, FloatFormat format, int precision, int digits, const FormatSettings& fs)
{
    if (!std::isfinite(v)) return SpecialValue(v);
    precision = std::clamp(precision, 1, kDoublePrecision);
    Decimal d = FromDouble(v);
    switch (format) {
    case FloatFormat::General:
        RoundDigits(d, precision);
        return FormatGeneral(d, precision, std::clamp(digits, 0, kMaxExponentDigits), fs);
    case FloatFormat::Exponent:
        RoundDigits(d, precision);
        return FormatExponent(d, precision, std::clamp(digits, 0, kMaxExponentDigits), fs);
    default: break;
    }
    digits = std::clamp(digits, 0, kMaxFixedDigits);
    if (d.exponent > kMaxPlainExponent) {
        RoundDigits(d, precision);
        return FormatGeneral(d, precision, 0, fs);
    }
    RoundDigits(d, std::min(precision, d.exponent + digits));
    // More integer digits than significant ones: scientific notation instead.
    if (format != FloatFormat::Currency && d.exponent > precision) return FormatGeneral(d, precision, 0, fs);
    return FormatFixedKind(d, format, digits, fs);
}

std::string FormatFloat(std::string_view format, double v, const FormatSettings& fs)
{
    if (format.empty() || !std::isfinite(v)) return FloatToStr(v, fs);
    const std::vector<std::string_view> sections = SplitSections(format);
    Decimal value = FromDouble(v);
    const bool negative = value.negative;
    value.negative = false;
    size_t sec = negative && sections.size() > 1 && !sections[1].empty() ? 1 : 0;
    if (sections[sec].empty()) return FloatToStr(v, fs);
    const NumberLayout layout = AnalyseSection(sections[sec]);
    if (!layout.scientific && value.exponent > kMaxPlainExponent) return FloatToStr(v, fs);
    RenderedNumber r = RenderSection(sections[sec], layout, value, fs);
    if (r.zero) {
        // Zero as shown: the zero section if there is one, else the positive one without sign.
        if (sections.size() > 2 && !sections[2].empty())
            return RenderSection(sections[2], AnalyseSection(sections[2]), Decimal{}, fs).text;
        if (sec == 1) return RenderSection(sections[0], AnalyseSection(sections[0]), Decimal{}, fs).text;
        return r.text;
    }
    return negative && sec == 0 ? "-" + r.text : r.text;
}

std::string CurrToStr(int64_t scaled, const FormatSettings& fs)
{
    return FormatGeneral(FromCurrency(scaled), kCurrencyPrecision, 0, fs);
}

std::string CurrToStrF(int64_t scaled, FloatFormat format, int digits, const FormatSettings& fs)
{
    Decimal d = FromCurrency(scaled);
    switch (format) {
    case FloatFormat::General: return FormatGeneral(d, kCurrencyPrecision, 0, fs);
    case FloatFormat::Exponent:
        return FormatExponent(d, kCurrencyPrecision, std::clamp(digits, 0, kMaxExponentDigits), fs);
    default: break;
    }
    digits = std::clamp(digits, 0, kMaxFixedDigits);
    RoundDigits(d, d.exponent + digits);
    return FormatFixedKind(d, format, digits, fs);
}

std::string FormatDateTime(std::string_view format, double dateTime, const FormatSettings& fs)
{
    const Stamp st = MakeStamp(dateTime, fs);
    std::string out;
    AppendDateTime(out, format.empty() ? std::string_view("c") : format, st, fs, 0);
    return out;
}

std::string DateToStr(double dateTime, const FormatSettings& fs) { return FormatDateTime("ddddd", dateTime, fs); }
std::string TimeToStr(double dateTime, const FormatSettings& fs) { return FormatDateTime("tt", dateTime, fs); }
std::string DateTimeToStr(double dateTime, const FormatSettings& fs) { return FormatDateTime("c", dateTime, fs); }

std::optional<double> TryStrToFloat(std::string_view s, const FormatSettings& fs)
{
    const auto d = ParseDecimalText(s, fs.decimalSeparator);
    if (!d) return std::nullopt;
    return DecimalTextToDouble(*d);
}

double StrToFloat(std::string_view s, const FormatSettings& fs)
{
    const auto v = TryStrToFloat(s, fs);
    if (!v) ThrowConvert(s, "floating point value");
    return *v;
}

std::optional<int32_t> TryStrToInt(std::string_view s)
{
    const auto v = ParseInteger(s, 32);
    if (!v) return std::nullopt;
    return static_cast<int32_t>(*v);
}

int32_t StrToInt(std::string_view s)
{
    const auto v = TryStrToInt(s);
    if (!v) ThrowConvert(s, "integer value");
    return *v;
}

int64_t StrToInt64(std::string_view s)
{
    const auto v = ParseInteger(s, 64);
    if (!v) ThrowConvert(s, "integer value");
    return *v;
}

int64_t StrToCurr(std::string_view s, const FormatSettings& fs)
{
    const auto d = ParseDecimalText(s, fs.decimalSeparator);
    const auto v = d ? DecimalTextToCurrency(*d) : std::nullopt;
    if (!v) ThrowConvert(s, "floating point value");
    return *v;
}

double StrToDate(std::string_view s, const FormatSettings& fs)
{
    Scanner sc(s);
    double v = 0;
    if (!ScanDate(sc, fs, v) || !sc.AtEnd()) ThrowConvert(s, "date");
    return v;
}

double StrToTime(std::string_view s, const FormatSettings& fs)
{
    Scanner sc(s);
    double v = 0;
    if (!ScanTime(sc, fs, v) || !sc.AtEnd()) ThrowConvert(s, "time");
    return v;
}

double StrToDateTime(std::string_view s, const FormatSettings& fs)
{
    Scanner sc(s);
    double date = 0, time = 0;
    if (ScanDate(sc, fs, date) && (sc.AtEnd() || ScanTime(sc, fs, time)) && sc.AtEnd())
        return date >= 0 ? date + time : date - time;
    Scanner timeOnly(s);
    if (ScanTime(timeOnly, fs, time) && timeOnly.AtEnd()) return time;
    ThrowConvert(s, "date and time");
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<double> TryEncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

std::optional<double> TryEncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return std::nullopt;
    const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMSecsPerDay);
}

double EncodeDate(int year, int month, int day)
{
    const auto v = TryEncodeDate(year, month, day);
    if (!v) throw ConvertError("Invalid argument to date encode");
    return *v;
}

double EncodeTime(int hour, int minute, int second, int millisecond)
{
    const auto v = TryEncodeTime(hour, minute, second, millisecond);
    if (!v) throw ConvertError("Invalid argument to time encode");
    return *v;
}

DateParts DecodeDate(double dateTime)
{
    const Stamp st = MakeStamp(dateTime, DefaultFormatSettings());
    return {st.year, st.month, st.day};
}

TimeParts DecodeTime(double dateTime)
{
    const Stamp st = MakeStamp(dateTime, DefaultFormatSettings());
    return {st.hour, st.minute, st.second, st.msec};
}

int DayOfWeek(double dateTime) { return MakeStamp(dateTime, DefaultFormatSettings()).dayOfWeek; }

double Now()
{
    const LocalClock c = ReadLocalClock();
    return EncodeDate(c.year, c.month, c.day) + EncodeTime(c.hour, c.minute, c.second, c.msec);
}

double Today()
{
    const LocalClock c = ReadLocalClock();
    return EncodeDate(c.year, c.month, c.day);
}

double TimeOfDay()
{
    const LocalClock c = ReadLocalClock();
    return EncodeTime(c.hour, c.minute, c.second, c.msec);
}

}  // namespace zv
