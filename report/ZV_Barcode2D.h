// Two-dimensional symbols (QR Code, Data Matrix, PDF417): libzint's module matrix, sizing and drawing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/Graphics.h"

namespace zv {

class Canvas;

// The dark and light modules of one encoded symbol.
struct MatrixSymbol {
    int32_t rows = 0;
    int32_t columns = 0;
    int32_t rowHeight = 1;      // in module widths: 1 for square modules, 3 for PDF417's rows
    int32_t quietZone = 0;      // light modules kept on every side
    std::vector<uint8_t> dark;  // rows * columns, row by row, 1 = dark

    bool Dark(int32_t row, int32_t column) const { return dark[static_cast<size_t>(row * columns + column)] != 0; }
    // Width and height in modules with the quiet zone on every side.
    int32_t TotalColumns() const { return columns + 2 * quietZone; }
    int32_t TotalRows() const { return rows * rowHeight + 2 * quietZone; }
};

// True for bcQRCode, bcDataMatrix and bcPDF417.
bool IsMatrixBarcode(int type);

// The choices of the error-correction level of a type, indexed by the stored level: entry 0 is the
// default (QR level M, PDF417 chosen by the encoder). Empty for types without a choice.
std::vector<std::string> ErrorCorrectionChoices(int type);

// Encodes Windows-1252 text (converted to UTF-8 for the encoder). An empty text, a text the
// symbology cannot hold and a type that is not two-dimensional throw Exception with the message.
MatrixSymbol EncodeMatrixBarcode(int type, std::string_view text, uint8_t errorCorrection);

// The largest module width in pixels at which the symbol and its quiet zone fit in width x height;
// at least 1.
int32_t FitMatrixModule(const MatrixSymbol& symbol, int32_t width, int32_t height);

// Draws the symbol with its top-left quiet-zone corner at (left, top): one light box for the whole
// symbol, then each run of dark modules in a row as one box. Pen and brush are restored.
void DrawMatrixBarcode(Canvas& canvas, const MatrixSymbol& symbol, int32_t left, int32_t top, int32_t module,
                       Color light = clWhite, Color dark = clBlack);

}  // namespace zv
