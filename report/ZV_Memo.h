// The text objects: TzvCustomMemoView (run-time layout fields) and TzvMemoView: expansion, layout, drawing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/ZV_View.h"

namespace zv {

class TField;

// Alignment bits of a memo.
constexpr uint32_t maLeft = 0, maRight = 1, maCenter = 2, maJustify = 3, maRotated = 4, maMiddle = 8, maBottom = 16;
constexpr uint32_t maHorizontalMask = 3, maPlacementMask = 24;

// Font style bits as a template stores them (font style and highlight style).
constexpr uint16_t stItalic = 1, stBold = 2, stUnderline = 4;
uint16_t FontStyleToStored(uint8_t style);
uint8_t StoredToFontStyle(uint16_t stored);

// How the next Draw of a memo works; the run-time band sets it before each draw.
enum TzvDrawMode : uint8_t {
    dmNormal = 0,     // expand, lay out, draw
    dmMeasure = 1,    // expand and lay out, draw nothing, remember the height (MeasuredHeight)
    dmDrawAgain = 2,  // draw the lines of the preceding measuring draw
    dmContinue = 3,   // as dmDrawAgain, resuming at FirstLine (a memo split over pages)
};

// What a memo asks of the run-time band it is printed in. The run-time bands install the answer;
// without it (or without a band) a memo behaves as in a band that is not stretched.
struct TzvBandGeometry {
    bool Stretched = false;    // the band stretches with its content
    int32_t Height = 0;        // the band's current height
    int32_t DesignHeight = 0;  // the band's designed height
};
using TzvBandGeometryFn = bool (*)(const TzvBand* band, TzvBandGeometry& out);
void SetBandGeometryFunction(TzvBandGeometryFn fn);
// The geometry of band; false (and out untouched) without a band or an installed function.
bool BandGeometry(const TzvBand* band, TzvBandGeometry& out);

// The field named by a reference (as written between the brackets) in the data source of the
// current band; installed by the data sources. Without it such names find no field.
using TzvBandFieldFn = TField* (*)(std::string_view name);
void SetBandFieldFunction(TzvBandFieldFn fn);

// The blob rule of text and picture objects: when the report binds some blob or memo field and
// the first line is longer than 2 characters, starts with "[" and names (up to its last "]") a
// binding of Typ 1 or else a field of the current band's data source, whose type is a blob kind,
// that field; otherwise none.
TField* FindBlobFieldOfLines(const TzvReport* report, const std::vector<std::string>& lines);

// The variable-format dialog of the editing host: shows the code and text, answers true on OK
// with the chosen ones. Installed by the user-interface layer; without it the item does nothing.
using TzvFormatDialogFn = bool (*)(uint32_t& formatCode, std::string& formatText);
void SetFormatDialogFunction(TzvFormatDialogFn fn);

class TzvCustomMemoView : public TzvView {
public:
    using TzvView::TzvView;

    uint8_t DrawMode = dmNormal;
    int32_t FirstLine = 0;  // first expanded line to draw; where a continued draw resumes
    int32_t LineHeight = 0;
    uint8_t HadLineBreaks = 0;  // an inserted value contained CR LF: the layout splits lines there

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
    // Lines with every bracketed expression replaced by its formatted value in run mode; the
    // lines as they are in design mode.
    void ExpandVariables() override;
    // The text of the field (a memo or blob) becomes the expanded lines.
    void GetBlob(const TField& field) override;
    // "Formatta variabile...", a separator, "Adattato", "A capo", "Largezza automatica".
    void DefinePopupMenu(TzvPopupMenu& menu) override;
    std::string DescribeExtras() const override;

    // One line with its bracket groups expanded (run mode rules, whatever the mode).
    std::string ExpandLine(std::string line);

    // ---- for the run-time bands: measuring and splitting ------------------------------------
    // The unit of a split: after a draw, a memo's Height cut to whole lines is
    // n * GetLineHeight() + 2 * FrameAllowance() + 1.
    int32_t FrameAllowance() const { return InsetY; }
    // Expanded lines from FirstLine on: after a draw that stopped at a line that did not fit,
    // the lines still to print on the next page.
    int32_t RemainingLines() const;
    // Measured height of the layout of the last draw (0 before any layout of that draw).
    int32_t LayoutHeight() const { return layoutHeight_; }

    int32_t MeasuredHeight = 0;
    uint8_t HighlightEnabled = 0;
    uint32_t Alignment = 0;
    uint8_t HighlightStyle = fsBold;
    Color HighlightFontColor = clBlack;
    Color HighlightBackColor = clWhite;
    std::string HighlightExpr;
    int16_t HighlightActive = 0;
    Font TextFont;  // "Arial", 10 points, black, no style

private:
    // Text of the value of one bracketed expression (empty after a failure).
    std::string ValueText(std::string_view expr);
    // The memo-and-blob-field rule; true when it changed the first expanded line.
    bool TakeBlobField();
    // The memo's font on the canvas (scaled to the report's pixels per inch), with a cleared brush.
    void SetCanvasFont(Canvas& c) const;
    void Layout(Canvas& c);
    void WrapLine(Canvas& c, const std::string& line, int32_t avail, std::vector<std::string>& out) const;
    void DrawText(Canvas& c);
    void DrawHorizontal(Canvas& c, const Rect& clip, int32_t left, int32_t top, int32_t h);
    void DrawTurned(Canvas& c, const Rect& clip, int32_t left, int32_t h);
    // One piece of text: unclipped when allowed and wholly inside clip, else clipped.
    void PutText(Canvas& c, const Rect& clip, int32_t x, int32_t y, const std::string& text, bool mayUnclip) const;

    int32_t layoutHeight_ = 0;
    bool laidOut_ = false;  // the layout ran in the current draw
};

// The red cross of an invisible object in design mode: both diagonals of its rectangle.
void DrawInvisibleCross(Canvas& canvas, const TzvView& view);

}  // namespace zv
