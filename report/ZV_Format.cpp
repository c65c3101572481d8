// FormatValue by category and style, and NumberToWords with the Italian word tables.
#include "report/ZV_Format.h"

#include <array>
#include <cmath>
#include <exception>
#include <optional>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "report/ZV_Const.h"

namespace zv {
namespace {

// Fixed format strings of the Data and Orario styles 0 to 3.
constexpr std::array<const char*, 4> kDateStyles = {"dd/mm/yy", "dd/mm/yyyy", "d mmm yyyy", "d mmmm yyyy"};
constexpr std::array<const char*, 4> kTimeStyles = {"hh:nn:ss", "h:nn:ss", "hh:nn", "h:nn"};
// Number styles 0 and 2 use format strings; 1 and 3 fixed decimals with 10 significant digits.
constexpr const char kNumberPlain[] = "0.##";
constexpr const char kNumberThousands[] = "0,.##";
constexpr int kNumberPrecision = 10;
// Testo writes date-times in these forms.
constexpr const char kTextDate[] = "dd/mm/yyyy";
constexpr const char kTextDateTime[] = "dd/mm/yyyy hh:nn:ss";
constexpr const char kTextTime[] = "hh:nn:ss";
// Logico styles 0 and 2: the texts for 0 and for any other value.
constexpr std::array<const char*, 2> kLogicDigits = {"0", "1"};
constexpr std::array<const char*, 2> kLogicCross = {" ", "X"};

std::string TextCategory(const Variant& value, const FormatSettings& fs)
{
    if (value.type() != VarType::DateTime) return value.toString(fs);
    const double dt = value.rawDouble();
    const double days = std::trunc(dt);
    if (days != 0) return FormatDateTime(dt != days ? kTextDateTime : kTextDate, dt, fs);
    if (dt == 0) return {};
    return FormatDateTime(kTextTime, dt, fs);
}

// The text for the code, or nothing for a category or style that has no format.
// Conversion failures throw; the caller falls back to the plain conversion.
std::optional<std::string> FormatByCode(const Variant& value, uint32_t code, std::string_view formatText,
                                        FormatSettings& fs)
{
    const uint8_t style = FormatCodeStyle(code);
    switch (FormatCodeCategory(code)) {
    case fcText: return TextCategory(value, fs);
    case fcNumber: {
        if (value.isString()) return value.rawString();
        if (char sep = FormatCodeSeparator(code); sep != 0) fs.decimalSeparator = sep;
        const double v = value.toDouble();
        const int decimals = FormatCodeDecimals(code);
        switch (style) {
        case 0: return FormatFloat(kNumberPlain, v, fs);
        case 1: return FloatToStrF(v, FloatFormat::Fixed, kNumberPrecision, decimals, fs);
        case 2: return FormatFloat(kNumberThousands, v, fs);
        case 3: return FloatToStrF(v, FloatFormat::Number, kNumberPrecision, decimals, fs);
        case kFormatStyleCustom: return FormatFloat(formatText, v, fs);
        default: return std::nullopt;
        }
    }
    case fcDate:
    case fcTime: {
        const auto& styles = FormatCodeCategory(code) == fcDate ? kDateStyles : kTimeStyles;
        std::string_view format;
        if (style < styles.size())
            format = styles[style];
        else if (style == kFormatStyleCustom)
            format = formatText;
        else
            return std::nullopt;
        return FormatDateTime(format, value.toDateTime(), fs);
    }
    case fcBoolean: {
        const bool nonZero = StrToInt(value.toString(fs)) != 0;
        switch (style) {
        case 0: return std::string(kLogicDigits[nonZero]);
        case 1: return std::string(nonZero ? kLogicYes : kLogicNo);
        case 2: return std::string(kLogicCross[nonZero]);
        default: return std::nullopt;
        }
    }
    default: return std::nullopt;
    }
}

// One group of up to three digits at group level `level` (0 = units); moreLeft tells whether
// more digits stand to its left.
std::string GroupWords(int value, size_t level, bool moreLeft)
{
    if (value == 1 && level >= 1) return kWordsGroupSingular[level];
    const int h = value / 100, t = value / 10 % 10, u = value % 10;
    std::string words;
    if (t == 1) {
        words = kWordsUnits[10 + u];
    } else if (value != 0 || moreLeft) {
        words = kWordsTens[t];
        if ((u == 1 || u == 8) && !words.empty()) words.pop_back();  // ventuno, trentotto
        words += kWordsUnits[u];
    } else {
        words = kWordZero;
    }
    if (h == 1)
        words.insert(0, kWordHundred);
    else if (h >= 2)
        words.insert(0, std::string(kWordsUnits[h]) + kWordHundred);
    if (level >= 1 && value != 0) words += kWordsGroupPlural[level];
    return words;
}

std::string IntegerWords(std::string_view digits)
{
    std::string words;
    size_t end = digits.size();
    for (size_t level = 0; end > 0; ++level) {
        const size_t begin = end >= 3 ? end - 3 : 0;
        int value = 0;
        for (size_t i = begin; i < end; ++i) {
            const char c = digits[i];
            value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
        }
        end = begin;
        // The currency range ends within level 4; the clamp only guards the table.
        words.insert(0, GroupWords(value, std::min(level, kWordsGroupPlural.size() - 1), end > 0));
    }
    return words;
}

}  // namespace

std::string NumberToWords(int64_t amountScaled)
{
    const FormatSettings& fs = DefaultFormatSettings();
    std::string text = CurrToStr(amountScaled, fs);
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);

    std::string decimals;
    if (size_t sep = text.find(fs.decimalSeparator); sep != std::string::npos) {
        std::string_view d = std::string_view(text).substr(sep + 1);
        while (!d.empty() && d[0] == '0') {
            decimals += kWordZero;
            decimals += ' ';
            d.remove_prefix(1);
        }
        if (!d.empty()) {
            int64_t n = 0;
            for (char c : d)
                if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
            decimals += NumberToWords(n * kCurrencyScale);
        }
        text.resize(sep);
    }

    std::string words = IntegerWords(text);
    if (!decimals.empty()) {
        words += ' ';
        words += kWordPoint;
        words += ' ';
        words += decimals;
    }
    if (negative) words.insert(0, kWordMinus);
    return words;
}

std::string FormatValue(const Variant& value, uint32_t formatCode, std::string_view formatText)
{
    if (value.isEmptyOrNull()) return {};
    std::optional<std::string> text;
    {
        FormatSettingsOverride restore;  // the separators come back even after a failure
        FormatSettings& fs = DefaultFormatSettings();
        fs.timeSeparator = ':';
        try {
            text = FormatByCode(value, formatCode, formatText, fs);
        } catch (const std::exception&) {
            text.reset();
        }
    }
    if (text) return std::move(*text);
    try {
        return value.toString();
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace zv
