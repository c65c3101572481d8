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

// ---- preview and printing --------------------------------------------------------------------

}  // namespace zv
