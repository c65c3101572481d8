// Regional settings that formatting and parsing follow: separators, currency, dates, names.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zv {

// Every text is Windows-1252.
struct FormatSettings {
    char decimalSeparator = '.';
    char thousandSeparator = ',';
    std::string currencyString = "$";
    uint8_t currencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    uint8_t negCurrFormat = 0;   // 0..15, the platform's sixteen negative currency patterns
    uint8_t currencyDecimals = 2;
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string shortDateFormat = "m/d/yyyy";
    std::string longDateFormat = "dddd, mmmm d, yyyy";
    std::string shortTimeFormat = "h:nn AMPM";
    std::string longTimeFormat = "h:nn:ss AMPM";
    std::string timeAMString = "AM";
    std::string timePMString = "PM";
    std::array<std::string, 12> shortMonthNames;
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 7> shortDayNames;  // index 0 = Sunday
    std::array<std::string, 7> longDayNames;   // index 0 = Sunday
    // Two-digit years: 0 means "current century"; otherwise the window size in years.
    int twoDigitYearCenturyWindow = 50;
};

// The Italian regional settings: "," decimal, "." thousands, "€" currency (format "€ 1",
// negative pattern 9), short date dd/mm/yyyy, long date "dddd d mmmm yyyy", short time hh:nn,
// long time hh:nn:ss, AM/PM, Italian month and day names.
FormatSettings ItalianFormatSettings();

// The settings of the process locale (LC_NUMERIC, LC_MONETARY, LC_TIME). With the C or POSIX
// locale this returns the Italian preset.
FormatSettings FormatSettingsFromLocale();

// The process default that conversions without explicit settings use. Starts as the Italian preset;
// the program replaces it at start-up. Formatting code may change a field temporarily and must
// restore it (see FormatSettingsOverride).
FormatSettings& DefaultFormatSettings();

// Restores the default settings it was constructed with when it goes out of scope.
class FormatSettingsOverride {
public:
    FormatSettingsOverride() : saved_(DefaultFormatSettings()) {}
    ~FormatSettingsOverride() { DefaultFormatSettings() = saved_; }
    FormatSettingsOverride(const FormatSettingsOverride&) = delete;
    FormatSettingsOverride& operator=(const FormatSettingsOverride&) = delete;

private:
    FormatSettings saved_;
};

}  // namespace zv
