// TzvMemoView: defaults, copying and the stored extras (font, alignment, highlight) of a memo record.
#include "report/ZV_Memo.h"

#include <cstdio>

#include "platform/Numeric.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

// Point sizes beyond this are refused as font heights (they only come from damaged files).
constexpr int32_t kMaxPointSize = 1 << 20;

// Height in pixels at 96 per inch of a point size, rounded so that Font::size() gives it back.
int32_t PointsToHeight(int32_t points)
{
    if (points > kMaxPointSize) points = kMaxPointSize;
    if (points < -kMaxPointSize) points = -kMaxPointSize;
    return -Round32(points * 4.0 / 3.0);
}

}  // namespace

uint16_t FontStyleToStored(uint8_t style)
{
    uint16_t s = 0;
    if (style & fsItalic) s |= stItalic;
    if (style & fsBold) s |= stBold;
    if (style & fsUnderline) s |= stUnderline;
    return s;
}

uint8_t StoredToFontStyle(uint16_t stored)
{
    uint8_t s = 0;
    if (stored & stItalic) s |= fsItalic;
    if (stored & stBold) s |= fsBold;
    if (stored & stUnderline) s |= fsUnderline;
    return s;
}

TzvMemoView::TzvMemoView(TzvReport* report) : TzvCustomMemoView(report)
{
    Kind = otMemo;
    TextFont.name = "Arial";
    TextFont.height = PointsToHeight(10);
    TextFont.color = clBlack;
    TextFont.style = 0;
    LineHeight = 2 - TextFont.height;
    GenerateName();
}

void TzvMemoView::Assign(const TzvView& source)
{
    TzvView::Assign(source);
    const auto* m = dynamic_cast<const TzvMemoView*>(&source);
    if (!m) return;
    TextFont.name = m->TextFont.name;
    TextFont.height = m->TextFont.height;
    TextFont.style = m->TextFont.style;
    TextFont.color = m->TextFont.color;
    Alignment = m->Alignment;
    HighlightStyle = m->HighlightStyle;
    HighlightFontColor = m->HighlightFontColor;
    HighlightBackColor = m->HighlightBackColor;
    HighlightExpr = m->HighlightExpr;
    HighlightActive = m->HighlightActive;
}

void TzvMemoView::ExpandVariables()
{
    // Bracketed expressions are expanded by the expression engine in run mode; until it is
    // wired in here the lines are taken as they are, as in design mode.
    ExpandedLines = Lines;
}

void TzvMemoView::Draw(Canvas& c)
{
    // Background and frame; the text layout is drawn by the memo renderer.
    if (zvState().RunMode && !Visible) return;
    BeginDraw(c);
    CalcFrameRect();
    ExpandVariables();
    if (DrawMode != 1) {
        ShowBackground();
        ShowFrame();
    }
}

void TzvMemoView::LoadFromStream(Stream& s)
{
    TzvView::LoadFromStream(s);
    TextFont.name = ReadString(s);
    TextFont.height = PointsToHeight(s.readI32());
    TextFont.style = StoredToFontStyle(s.readU16());
    TextFont.color = s.readU32();
    Alignment = s.readU32();
    HighlightStyle = StoredToFontStyle(s.readU16());
    HighlightFontColor = s.readU32();
    HighlightBackColor = s.readU32();
    HighlightActive = s.readI16();
    HighlightExpr = ReadString(s);
    if (zvState().TemplateVersion == 21) Options |= moWordWrap;
    LineHeight = 2 - TextFont.height;
}

void TzvMemoView::SaveToStream(Stream& s)
{
    TzvView::SaveToStream(s);
    WriteString(s, TextFont.name);
    s.writeI32(TextFont.size());
    s.writeU16(FontStyleToStored(TextFont.style));
    s.writeU32(TextFont.color);
    s.writeU32(Alignment);
    s.writeU16(FontStyleToStored(HighlightStyle));
    s.writeU32(HighlightFontColor);
    s.writeU32(HighlightBackColor);
    s.writeI16(HighlightActive);
    WriteString(s, HighlightExpr);
}

std::string TzvMemoView::DescribeExtras() const
{
    char buf[160];
    std::snprintf(buf, sizeof buf, " size %d style %u color 0x%08X alignment %u highlight %d style %u color 0x%08X back 0x%08X expr ",
                  TextFont.size(), FontStyleToStored(TextFont.style), TextFont.color, Alignment, HighlightActive,
                  FontStyleToStored(HighlightStyle), HighlightFontColor, HighlightBackColor);
    return "font " + DumpQuote(TextFont.name) + buf + DumpQuote(HighlightExpr);
}

}  // namespace zv
