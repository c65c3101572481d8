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

    // The geometry step: bars above a text strip; the object takes the symbol's width.
    void CalcFrameRect() override;
    void Assign(const TzvView& source) override;
    // Evaluates the text, draws the bars and, below them, the human-readable text. Encoder errors
    // propagate to the caller.
    void Draw(Canvas& canvas) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    std::string DescribeExtras() const override;

    // The text to encode: the first line evaluated as an expression in run mode, the design-mode
    // placeholder otherwise, empty without lines.
    std::string BarcodeText() const;

    // The stored record (25 bytes, packed, little-endian).
    uint8_t Checksum = 1;
    uint8_t ShowText = 1;
    uint8_t ShowCheckSumText = 0;
    uint8_t Reserved = 0;
    uint8_t BarType = 14;  // EAN-13
    int32_t Modul = 1;
    double Ratio = 1.0;
    double ReservedDouble = 0.0;

    // Run-time values.
    int32_t TextHeight = 0;
    Rect BarsRect;
    uint16_t BarWidth = 0;
};
constexpr size_t kCodeBarreRecordSize = 25;

// Adds TzvCodeBarreView to the add-in registry (the library's start-up does it once).
void RegisterCodeBarreView();

}  // namespace zv
