// The text objects: TzvCustomMemoView (run-time layout fields) and TzvMemoView with its stored extras.
#pragma once

#include <cstdint>
#include <string>

#include "report/ZV_View.h"

namespace zv {

// Alignment bits of a memo.
constexpr uint32_t maLeft = 0, maRight = 1, maCenter = 2, maJustify = 3, maRotated = 4,
                   maMiddle = 8, maBottom = 16;

// Font style bits as a template stores them (font style and highlight style).
constexpr uint16_t stItalic = 1, stBold = 2, stUnderline = 4;
uint16_t FontStyleToStored(uint8_t style);
uint8_t StoredToFontStyle(uint16_t stored);

class TzvCustomMemoView : public TzvView {
public:
    using TzvView::TzvView;

    uint8_t DrawMode = 0;  // 0 normal, 1 measure, 2 draw again, 3 continue
    int32_t FirstLine = 0;
    int32_t LineHeight = 0;
    uint8_t HadLineBreaks = 0;

    virtual int32_t GetLineHeight() const { return LineHeight; }
    // Builds ExpandedLines from Lines.
    virtual void ExpandVariables() = 0;
};

class TzvMemoView : public TzvCustomMemoView {
public:
    explicit TzvMemoView(TzvReport* report);
    std::string ClassName() const override { return "TzvMemoView"; }

    void Assign(const TzvView& source) override;
    void Draw(Canvas& canvas) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    void ExpandVariables() override;
    std::string DescribeExtras() const override;

    int32_t MeasuredHeight = 0;
    uint8_t HighlightEnabled = 0;
    uint32_t Alignment = 0;
    uint8_t HighlightStyle = fsBold;
    Color HighlightFontColor = clBlack;
    Color HighlightBackColor = clWhite;
    std::string HighlightExpr;
    int16_t HighlightActive = 0;
    Font TextFont;  // "Arial", 10 points, black, no style
};

}  // namespace zv
