// TBarcode: turns a text into the bars and spaces of one of 23 linear symbologies and draws them;
// the type table also names the three two-dimensional symbologies that ZV_Barcode2D encodes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/draw/Graphics.h"

namespace zv {

class Canvas;

// One byte. TBarcode encodes the linear types up to bcCodeEAN128C and rejects every other value;
// the two-dimensional types after them are encoded by EncodeMatrixBarcode (ZV_Barcode2D.h).
enum TBarcodeType : uint8_t {
    bcCode_2_5_interleaved,
    bcCode_2_5_industrial,
    bcCode_2_5_matrix,
    bcCode39,
    bcCode39Extended,
    bcCode128A,
    bcCode128B,
    bcCode128C,
    bcCode93,
    bcCode93Extended,
    bcCodeMSI,
    bcCodePostNet,
    bcCodeCodabar,
    bcCodeEAN8,
    bcCodeEAN13,
    bcCodeUPC_A,
    bcCodeUPC_E0,
    bcCodeUPC_E1,
    bcCodeUPC_Supp2,
    bcCodeUPC_Supp5,
    bcCodeEAN128A,
    bcCodeEAN128B,
    bcCodeEAN128C,
    bcQRCode,
    bcDataMatrix,
    bcPDF417,
};
constexpr int kBarcodeTypeCount = 23;     // the linear types
constexpr int kAllBarcodeTypeCount = 26;  // with the two-dimensional ones

enum TCheckSumMethod : uint8_t { csmNone, csmModulo10 };
enum TBarcodeOption : uint8_t { bcoNone, bcoCode, bcoTyp, bcoBoth };

// The row of a symbology in the type table; the editor fills its type list from displayName.
struct BarcodeTypeInfo {
    const char* name;         // enumeration name, "bcCodeEAN13"
    const char* displayName;  // "EAN13"
    bool digitsOnly;
    bool matrix;  // two-dimensional: encoded by libzint, sized by the object
};
// nullptr when the value is not a valid type (linear or two-dimensional).
const BarcodeTypeInfo* FindBarcodeTypeInfo(int type);
// The type whose enumeration name or display name matches, without regard to case.
std::optional<TBarcodeType> BarcodeTypeFromName(std::string_view name);

// Restores a canvas's pen and brush when drawing ends, also by an error.
class PenBrushGuard {
public:
    explicit PenBrushGuard(Canvas& c);
    ~PenBrushGuard();
    PenBrushGuard(const PenBrushGuard&) = delete;
    PenBrushGuard& operator=(const PenBrushGuard&) = delete;

private:
    Canvas& canvas_;
    Pen pen_;
    Brush brush_;
};

// A bar or module box from (x0, y0) to (x1, y1), both corners included, in the current pen and
// brush: drawn with the one-pixel outline of a pen in the brush's colour, as every symbol is.
void DrawBarBox(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Bar pattern alphabet: '0'-'3' spaces, '5'-'8' full bars, 'A'-'D' half bars, of widths w0-w3.
class TBarcode {
public:
    TBarcode() = default;

    std::string className() const { return "TBarcode"; }

    int32_t Height() const { return height_; }
    void SetHeight(int32_t v) { height_ = v; }
    const std::string& Text() const { return text_; }
    void SetText(std::string v) { text_ = std::move(v); }
    int32_t Top() const { return top_; }
    void SetTop(int32_t v) { top_ = v; }
    int32_t Left() const { return left_; }
    void SetLeft(int32_t v) { left_ = v; }
    int32_t Modul() const { return modul_; }
    void SetModul(int32_t v);  // accepts 1..49, ignores anything else
    double Ratio() const { return ratio_; }
    void SetRatio(double v) { ratio_ = v; }
    TBarcodeType Typ() const { return typ_; }
    void SetTyp(TBarcodeType v) { typ_ = v; }
    bool Checksum() const { return checksum_; }
    void SetChecksum(bool v) { checksum_ = v; }
    bool ShowCheckSumText() const { return showCheckSumText_; }
    void SetShowCheckSumText(bool v) { showCheckSumText_ = v; }
    TCheckSumMethod CheckSumMethod() const { return checkSumMethod_; }
    void SetCheckSumMethod(TCheckSumMethod v) { checkSumMethod_ = v; }
    TBarcodeOption ShowText() const { return showText_; }
    void SetShowText(TBarcodeOption v) { showText_ = v; }
    zv::Color Color() const { return color_; }
    void SetColor(zv::Color v) { color_ = v; }
    zv::Color ColorBar() const { return colorBar_; }
    void SetColorBar(zv::Color v) { colorBar_ = v; }

    // Human-readable form of the data of the last encoding.
    const std::string& DisplayText() const { return displayText_; }

    // Element widths, clamps Ratio, validates Text and builds the bar pattern; sets DisplayText.
    std::string Encode();
    // Total width in pixels of the encoded row; encodes on every call.
    int32_t Width();
    // Draws the row at (Left, Top), Height high, with the canvas brush; pen and brush are restored.
    void DrawOn(Canvas& canvas);

    // With csmModulo10 appends the modulo-10 check digit (weights 3, 1, 3, ... from the right).
    std::string AppendCheckDigit(std::string_view s) const;
    // Appends the supplement check digit (weights 3, 9, 3, ... from the right, sum mod 10).
    static std::string SupplementCheckDigit(std::string_view s);

    // Width of one pattern character with the widths of the last encoding.
    int32_t ElementWidth(char element) const;

private:
    void computeWidths();

    int32_t height_ = 0;
    std::string text_;
    int32_t top_ = 0;
    int32_t left_ = 0;
    int32_t modul_ = 1;
    double ratio_ = 2.0;
    TBarcodeType typ_ = bcCodeEAN13;
    bool checksum_ = false;
    bool showCheckSumText_ = false;
    TCheckSumMethod checkSumMethod_ = csmModulo10;
    TBarcodeOption showText_ = bcoNone;
    zv::Color color_ = clWhite;
    zv::Color colorBar_ = clBlack;

    int32_t w_[4] = {1, 2, 3, 4};  // w0..w3 in pixels
    std::string displayText_;
};

}  // namespace zv
