// Number and date-time formatting and parsing under explicit regional settings, and the clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/FormatSettings.h"

namespace zv {

enum class FloatFormat { General, Exponent, Fixed, Number, Currency };

// General format: 15 significant digits, the locale's decimal separator, exponent form where the
// number cannot be written plainly in 15 digits ("1E20", "1,5E-7").
std::string FloatToStr(double v, const FormatSettings& fs);
// Precision = significant digits; Digits = decimals (Fixed, Number, Currency) or exponent digits.
// Fixed and Number fall back to scientific notation when the integer part has more digits than
// Precision. Currency uses the locale's symbol, positive format and negative pattern.
std::string FloatToStrF(double v, FloatFormat format, int precision, int digits, const FormatSettings& fs);
// The number format language: 0 # . , E+ E- e+ e- quoted text, up to three ; sections.
// Rounds half away from zero. An empty format gives the general format.
std::string FormatFloat(std::string_view format, double v, const FormatSettings& fs);
// Currency (scaled by 10 000) to text: no thousands separators, as many decimals as needed (0..4).
std::string CurrToStr(int64_t scaled, const FormatSettings& fs);
std::string CurrToStrF(int64_t scaled, FloatFormat format, int digits, const FormatSettings& fs);

// Date-time format strings: d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz
// t tt am/pm a/p ampm c / : and quoted text; names are not case-sensitive.
// An empty format means "c".
std::string FormatDateTime(std::string_view format, double dateTime, const FormatSettings& fs);
std::string DateToStr(double dateTime, const FormatSettings& fs);      // short date
std::string TimeToStr(double dateTime, const FormatSettings& fs);      // long time
std::string DateTimeToStr(double dateTime, const FormatSettings& fs);  // "c"

// Parsing. The Str* forms throw ConvertError with the platform's messages:
// "'%s' is not a valid floating point value", "'%s' is not a valid integer value",
// "'%s' is not a valid date", "'%s' is not a valid time", "'%s' is not a valid date and time".
// Surrounding blanks are accepted.
double StrToFloat(std::string_view s, const FormatSettings& fs);
std::optional<double> TryStrToFloat(std::string_view s, const FormatSettings& fs);
int32_t StrToInt(std::string_view s);  // decimal, or hexadecimal with "$" / "0x"
std::optional<int32_t> TryStrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int64_t StrToCurr(std::string_view s, const FormatSettings& fs);  // scaled by 10 000, rounded half even
double StrToDate(std::string_view s, const FormatSettings& fs);
double StrToTime(std::string_view s, const FormatSettings& fs);
double StrToDateTime(std::string_view s, const FormatSettings& fs);

// Date and time encoding. EncodeDate/EncodeTime throw ConvertError
// ("Invalid argument to date encode" / "Invalid argument to time encode") on invalid parts.
struct DateParts {
    int year, month, day;
};
struct TimeParts {
    int hour, minute, second, millisecond;
};
double EncodeDate(int year, int month, int day);
double EncodeTime(int hour, int minute, int second, int millisecond);
std::optional<double> TryEncodeDate(int year, int month, int day);
std::optional<double> TryEncodeTime(int hour, int minute, int second, int millisecond);
DateParts DecodeDate(double dateTime);
TimeParts DecodeTime(double dateTime);  // rounded to the millisecond
int DayOfWeek(double dateTime);         // 1 = Sunday .. 7 = Saturday
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The clock: local date-time now, today (whole days), and the time of day (fraction only).
double Now();
double Today();
double TimeOfDay();

}  // namespace zv
