// The library's constant texts and tables. Texts are Windows-1252: accented letters are written
// as byte escapes here ("\xE8" is e with grave accent), never as UTF-8 literals.
#pragma once

#include <array>
#include <cstdint>

namespace zv {

// ---- object model and templates --------------------------------------------------------------

// ---- report component ------------------------------------------------------------------------

// ---- expressions and formatting --------------------------------------------------------------

// Messages of the expression engine; each is followed by the offending text, except the bracket one.
inline constexpr const char kExprBracketCountMsg[] = "Numero errato di parentesi nell'espressione : ";
inline constexpr const char kExprUnknownIdentMsg[] = "Identificatore sconosciuto: ";
inline constexpr const char kExprIncompatibleMsg[] = "Tipo di dati incompatibili nell'espressione: ";
// Raised instead of exhausting the stack when brackets, NOT or nested calls go too deep.
inline constexpr const char kExprTooDeepMsg[] = "Livello di annidamento eccessivo nell'espressione: ";

// Number words: units and teens (0..19), tens (0..9), group words per level (singular, plural).
inline constexpr std::array<const char*, 20> kWordsUnits = {
    "", "uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove", "dieci",
    "undici", "dodici", "tredici", "quattordici", "quindici", "sedici", "diciassette", "diciotto",
    "diciannove"};
inline constexpr std::array<const char*, 10> kWordsTens = {
    "", "", "venti", "trenta", "quaranta", "cinquanta", "sessanta", "settanta", "ottanta", "novanta"};
// Index 0 (the units) has no group word. Level 4's plural is "milamiliardi" (2 000 miliardi =
// "duemilamiliardi"); level 5 lies beyond the currency range and is never reached.
inline constexpr std::array<const char*, 6> kWordsGroupSingular = {
    "", "mille", "unmilione", "unmiliardo", "millemiliardi", "unmilionedimiliardi"};
inline constexpr std::array<const char*, 6> kWordsGroupPlural = {
    "", "mila", "milioni", "miliardi", "milamiliardi", "milionidimiliardi"};
inline constexpr const char kWordZero[] = "zero";
inline constexpr const char kWordHundred[] = "cento";
inline constexpr const char kWordPoint[] = "virgola";
inline constexpr const char kWordMinus[] = "meno ";

// Logico display texts.
inline constexpr const char kLogicNo[] = "No";
inline constexpr const char kLogicYes[] = "Si";

// ---- preparation -----------------------------------------------------------------------------

// ---- barcodes --------------------------------------------------------------------------------

// ---- preview and printing --------------------------------------------------------------------

}  // namespace zv
