// The library's constant texts and tables. Texts are Windows-1252: accented letters are written
// as byte escapes here ("\xE8" is e with grave accent), never as UTF-8 literals.
#pragma once

#include <array>
#include <cstdint>

namespace zv {

// ---- object model and templates --------------------------------------------------------------

// ---- report component ------------------------------------------------------------------------

// ---- expressions and formatting --------------------------------------------------------------

// ---- preparation -----------------------------------------------------------------------------

// ---- barcodes --------------------------------------------------------------------------------
// Encoder errors; "%s" is replaced by the class name, then by the data or the character.
inline constexpr const char* kBarcodeNotNumeric = "Il codice a barre deve essere di tipo numerico";
inline constexpr const char* kBarcodeBadType = "%s: Tipo di codice a barre errato";
inline constexpr const char* kBarcodeEan8Length = "Lunghezza del testo errata (EAN8)";
inline constexpr const char* kBarcodeEan13Length = "Lunghezza del testo errata (EAN13)";
inline constexpr const char* kBarcodeCode93Data = "%s: Code93 dati errati Data <%s>";
inline constexpr const char* kBarcodeCodabarChar = "%s: Codabar carattere non ammesso <%s>";
inline constexpr const char* kBarcodeInternal = "%s: Errore interno";

// ---- preview and printing --------------------------------------------------------------------

}  // namespace zv
