// The barcode page object TzvCodeBarreView with its 25-byte stored record, registered as an add-in.
#pragma once

#include <cstdint>
#include <string>

#include "report/ZV_View.h"

namespace zv {

class TzvCodeBarreView : public TzvView {
public:
    explicit TzvCodeBarreView(TzvReport* report);
    std::string ClassName() const override { return "TzvCodeBarreView"; }

    // The geometry step: bars above a text strip; the object takes the symbol's width. Two-dimensional
    // symbols and types this build does not know keep the object's size and have no text strip.
    void CalcFrameRect() override;
    void Assign(const TzvView& source) override;
    // Evaluates the text, draws the bars and, below them, the human-readable text. Errors of the
    // linear encoder propagate to the caller; a two-dimensional symbol that cannot be encoded (an
    // empty text, too much data) and an unknown type draw an error box instead.
    void Draw(Canvas& canvas) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    std::string DescribeExtras() const override;

    // The text to encode: the first line evaluated as an expression in run mode, the design-mode
    // placeholder otherwise, empty without lines.
    std::string BarcodeText() const;
    // True when the symbol takes the object's size: two-dimensional and unknown types.
    bool SizedByObject() const;

    // The stored record (25 bytes, packed, little-endian).
    uint8_t Checksum = 1;
    uint8_t ShowText = 1;
    uint8_t ShowCheckSumText = 0;
    // The error-correction level of QR Code (1-4: L, M, Q, H) and PDF417 (1-9: levels 0-8); 0, and
    // any value out of range, is the default (QR level M, PDF417 chosen by the encoder). The byte
    // was reserved and always 0 before the two-dimensional types, so older templates read as default.
    uint8_t EcLevel = 0;
    uint8_t BarType = 14;  // EAN-13
    int32_t Modul = 1;
    double Ratio = 1.0;
    double ReservedDouble = 0.0;

    // Run-time values.
    int32_t TextHeight = 0;
    Rect BarsRect;
    uint16_t BarWidth = 0;

private:
    void DrawLinear(Canvas& canvas, std::string text);
    void DrawSizedSymbol(Canvas& canvas, const std::string& text);
};
constexpr size_t kCodeBarreRecordSize = 25;

// Adds TzvCodeBarreView to the add-in registry (the library's start-up does it once).
void RegisterCodeBarreView();

}  // namespace zv
