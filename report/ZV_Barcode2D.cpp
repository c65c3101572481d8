// Two-dimensional symbols: libzint encodes, the module matrix is read out and drawn as boxes.
#include "report/ZV_Barcode2D.h"

#include <zint.h>

#include <algorithm>
#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/draw/Canvas.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_Const.h"

namespace zv {
namespace {

// libzint's symbology, its quiet zone in modules and the height of a row in module widths.
struct MatrixKind {
    int symbology;
    int32_t quietZone;
    int32_t rowHeight;
};

const MatrixKind* FindKind(int type)
{
    static constexpr MatrixKind kQr{BARCODE_QRCODE, 4, 1}, kDm{BARCODE_DATAMATRIX, 1, 1}, kPdf{BARCODE_PDF417, 2, 3};
    switch (type) {
    case bcQRCode: return &kQr;
    case bcDataMatrix: return &kDm;
    case bcPDF417: return &kPdf;
    default: return nullptr;
    }
}

std::string WithName(const char* format, std::string_view name)
{
    std::string s(format);
    if (size_t p = s.find("%s"); p != std::string::npos) s.replace(p, 2, name);
    return s;
}

struct SymbolDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

bool IsMatrixBarcode(int type) { return FindKind(type) != nullptr; }

std::vector<std::string> ErrorCorrectionChoices(int type)
{
    // QR's four levels with the share of the symbol they can restore; PDF417's levels 0-8.
    if (type == bcQRCode) return {kBarcodeEcDefaultQr, "L (7%)", "M (15%)", "Q (25%)", "H (30%)"};
    if (type == bcPDF417) {
        std::vector<std::string> choices{kBarcodeEcAuto};
        for (int level = 0; level <= 8; ++level) choices.push_back(std::to_string(level));
        return choices;
    }
    return {};
}

MatrixSymbol EncodeMatrixBarcode(int type, std::string_view text, uint8_t errorCorrection)
{
    const MatrixKind* kind = FindKind(type);
    const BarcodeTypeInfo* info = FindBarcodeTypeInfo(type);
    if (!kind) throw Exception(WithName(kBarcodeBadType, "TBarcode"));
    if (text.empty()) throw Exception(WithName(kBarcodeEmptyText, info->displayName));

    std::unique_ptr<zint_symbol, SymbolDeleter> sym(ZBarcode_Create());
    if (!sym) throw Exception(WithName(kBarcodeInternal, info->displayName));
    sym->symbology = kind->symbology;
    sym->input_mode = UNICODE_MODE;
    // The stored level: 0 the default, then QR's L, M, Q, H as 1-4 and PDF417's 0-8 as 1-9;
    // anything else reads as the default.
    const int level = errorCorrection;
    if (type == bcQRCode) sym->option_1 = level >= 1 && level <= 4 ? level : 2;
    if (type == bcPDF417) sym->option_1 = level >= 1 && level <= 9 ? level - 1 : -1;
    if (type == bcDataMatrix) sym->option_3 = DM_SQUARE;
    const std::string utf8 = Cp1252ToUtf8(text);
    const int rc =
        ZBarcode_Encode(sym.get(), reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    if (rc >= ZINT_ERROR) throw Exception(std::string(info->displayName) + ": " + sym->errtxt);

    constexpr int kMaxRows = static_cast<int>(sizeof(zint_symbol::encoded_data) / sizeof(zint_symbol::encoded_data[0]));
    constexpr int kMaxColumns = static_cast<int>(sizeof(zint_symbol::encoded_data[0]) * 8);
    if (sym->rows < 1 || sym->rows > kMaxRows || sym->width < 1 || sym->width > kMaxColumns)
        throw Exception(WithName(kBarcodeInternal, info->displayName));

    MatrixSymbol out;
    out.rows = sym->rows;
    out.columns = sym->width;
    out.rowHeight = kind->rowHeight;
    out.quietZone = kind->quietZone;
    out.dark.resize(static_cast<size_t>(out.rows) * static_cast<size_t>(out.columns));
    // Each row holds one bit per module, the first module in the lowest bit of the first byte.
    for (int r = 0; r < out.rows; ++r)
        for (int c = 0; c < out.columns; ++c)
            out.dark[static_cast<size_t>(r * out.columns + c)] = (sym->encoded_data[r][c >> 3] >> (c & 7)) & 1;
    return out;
}

int32_t FitMatrixModule(const MatrixSymbol& symbol, int32_t width, int32_t height)
{
    const int32_t across = std::max(symbol.TotalColumns(), 1), down = std::max(symbol.TotalRows(), 1);
    return std::max<int32_t>(1, std::min(width / across, height / down));
}

void DrawMatrixBarcode(Canvas& canvas, const MatrixSymbol& symbol, int32_t left, int32_t top, int32_t module,
                       Color light, Color dark)
{
    PenBrushGuard guard(canvas);
    auto use = [&canvas](Color c) {
        canvas.setPen(Pen{c, 1, PenStyle::Solid});
        canvas.setBrush(Brush{c, BrushStyle::Solid});
    };
    use(light);
    DrawBarBox(canvas, left, top, left + symbol.TotalColumns() * module - 1, top + symbol.TotalRows() * module - 1);
    use(dark);
    const int32_t rowPixels = symbol.rowHeight * module;
    for (int32_t r = 0; r < symbol.rows; ++r) {
        const int32_t y = top + symbol.quietZone * module + r * rowPixels;
        for (int32_t c = 0; c < symbol.columns;) {
            if (!symbol.Dark(r, c)) {
                ++c;
                continue;
            }
            int32_t end = c;
            while (end < symbol.columns && symbol.Dark(r, end)) ++end;
            const int32_t x = left + (symbol.quietZone + c) * module;
            DrawBarBox(canvas, x, y, x + (end - c) * module - 1, y + rowPixels - 1);
            c = end;
        }
    }
}

}  // namespace zv
