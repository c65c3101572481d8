// Display formatting of values by a 32-bit format code, and amounts written in Italian words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/Variant.h"

namespace zv {

// A format code: bits 24-27 category, 16-23 style, 8-15 decimals, 0-7 decimal separator.
enum FormatCategory : uint8_t {
    fcText = 0,     // "Testo"
    fcNumber = 1,   // "Numero"
    fcDate = 2,     // "Data"
    fcTime = 3,     // "Orario"
    fcBoolean = 4,  // "Logico"
};

// Style 4 of Numero, Data and Orario takes the object's format text ("Personalizzato").
inline constexpr uint8_t kFormatStyleCustom = 4;

constexpr uint8_t FormatCodeCategory(uint32_t code) { return static_cast<uint8_t>((code >> 24) & 0x0F); }
constexpr uint8_t FormatCodeStyle(uint32_t code) { return static_cast<uint8_t>((code >> 16) & 0xFF); }
constexpr uint8_t FormatCodeDecimals(uint32_t code) { return static_cast<uint8_t>((code >> 8) & 0xFF); }
constexpr char FormatCodeSeparator(uint32_t code) { return static_cast<char>(code & 0xFF); }
constexpr uint32_t MakeFormatCode(uint8_t category, uint8_t style, uint8_t decimals, char separator)
{
    return (uint32_t{category} & 0x0F) << 24 | uint32_t{style} << 16 | uint32_t{decimals} << 8 |
           static_cast<uint8_t>(separator);
}

// The text a report prints for value under formatCode (formatText for the custom styles).
// Null and Empty give the empty text. Never throws for a conversion: whatever cannot be
// formatted is written by the value's ordinary text conversion. Formatting follows the process
// default settings, with ":" as time separator and, for numbers, the code's decimal separator
// (a separator byte of 0 keeps the locale's); both are restored afterwards.
std::string FormatValue(const Variant& value, uint32_t formatCode, std::string_view formatText);

// The amount (currency, scaled by 10 000) in Italian words: 21 "ventuno", 1001 "milleuno",
// 1,05 "uno virgola zero cinque", -3 "meno tre".
std::string NumberToWords(int64_t amountScaled);

}  // namespace zv
