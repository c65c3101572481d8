// TzvMemoView: stored extras, bracket expansion, line layout with word wrap, alignment and drawing.
#include "report/ZV_Memo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/data/DataSet.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Format.h"
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

// The line advance of a font: its character height plus 2. Fonts carry a negative height (the
// character height); a positive one (a cell height, only from damaged files) counts by its size
// so that the advance stays positive.
int32_t LineAdvance(const Font& f) { return 2 + std::abs(f.height); }

bool IsBreakChar(char ch) { return ch == ' ' || ch == ',' || ch == '-' || ch == '.'; }

// The text of a field split into lines at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> SplitText(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text, start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text, start);
    return lines;
}

// Whether a highlight condition's value is the truth value 1.
bool IsTrue(const Variant& v)
{
    if (!v.isNumeric() || v.type() == VarType::Boolean) return false;
    return v.toDouble() == 1.0;
}

TzvFormatDialogFn gFormatDialog = nullptr;
TzvBandGeometryFn gBandGeometry = nullptr;
TzvBandFieldFn gBandField = nullptr;

}  // namespace

void SetFormatDialogFunction(TzvFormatDialogFn fn) { gFormatDialog = fn; }

void SetBandGeometryFunction(TzvBandGeometryFn fn) { gBandGeometry = fn; }

bool BandGeometry(const TzvBand* band, TzvBandGeometry& out)
{
    return band && gBandGeometry && gBandGeometry(band, out);
}

void SetBandFieldFunction(TzvBandFieldFn fn) { gBandField = fn; }

TField* FindBlobFieldOfLines(const TzvReport* report, const std::vector<std::string>& lines)
{
    if (!report || !report->HasBlobFields || lines.empty()) return nullptr;
    const std::string& first = lines.front();
    if (first.size() <= 2 || first[0] != '[') return nullptr;
    const size_t close = first.rfind(']');
    if (close == std::string::npos || close == 0) return nullptr;
    const std::string name = first.substr(1, close - 1);
    TField* field = nullptr;
    if (const TzvValue* binding = report->Values.FindVariable(name)) {
        if (binding->Typ == 1) field = binding->Field;
    } else if (gBandField) {
        field = gBandField(name);
    }
    return field && field->isBlob() ? field : nullptr;
}

void DrawInvisibleCross(Canvas& c, const TzvView& v)
{
    c.setPen({clRed, 2, PenStyle::Solid});
    c.moveTo(v.Left, v.Top);
    c.lineTo(v.Left + v.Width, v.Top + v.Height);
    c.moveTo(v.Left + v.Width, v.Top);
    c.lineTo(v.Left, v.Top + v.Height);
}

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
    LineHeight = LineAdvance(TextFont);
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
    HighlightEnabled = HighlightActive != 0;
}

// ---- expansion -------------------------------------------------------------------------------

std::string TzvMemoView::ValueText(std::string_view expr)
{
    TzvGlobalState& st = zvState();
    if (st.ErrorFlag) return {};
    try {
        // The resolver answers plain names directly; anything else is an expression.
        Variant value;
        const TzvResolveEvent& resolver = TzvExpr::Instance().Resolver();
        if (resolver) resolver(expr, nullptr, value);
        if (value.isEmpty()) EvaluateExpression(expr, value);
        // The collecting expansion (an aggregate target is set) only registers aggregates.
        TzvPrepareState& ps = PrepareState();
        if (ps.AggregateTarget) return VarToStr(value);
        ps.CurrentValue = value;
        const TzvView* fmt = st.CurrentObject ? st.CurrentObject : this;
        std::string text = FormatValue(value, fmt->FormatCode, fmt->FormatText);
        if (text.find("\r\n") != std::string::npos)
            if (auto* memo = dynamic_cast<TzvCustomMemoView*>(st.CurrentObject ? st.CurrentObject : this))
                memo->HadLineBreaks = 1;
        return text;
    } catch (const SilentAbort&) {
        if (!PrepareState().AggregateTarget) ReportError(kErrFromEngine);
    } catch (const std::exception& e) {
        // The collecting expansion runs before any record is printed: its runtime errors (a
        // field of the first record outside a function's domain) count when the memo is drawn.
        if (!PrepareState().AggregateTarget) ReportError(std::string(kErrFromEngine) + e.what());
    }
    return {};
}

std::string TzvMemoView::ExpandLine(std::string line)
{
    size_t pos = 0;
    while (pos < line.size()) {
        pos = line.find('[', pos);
        // A "[" that is the line's last character starts no group.
        if (pos == std::string::npos || pos + 1 >= line.size()) break;
        // The group ends where the bracket depth returns to 0; inner groups belong to it.
        int64_t depth = 0;
        size_t end = pos;
        for (; end < line.size(); ++end) {
            if (line[end] == '[')
                ++depth;
            else if (line[end] == ']' && --depth == 0)
                break;
        }
        // An unclosed group takes the rest of the line as its expression.
        const size_t exprEnd = end < line.size() ? end : line.size();
        const size_t groupEnd = end < line.size() ? end + 1 : line.size();
        const std::string text = ValueText(std::string_view(line).substr(pos + 1, exprEnd - pos - 1));
        line.replace(pos, groupEnd - pos, text);
        pos += text.size();  // inserted text is never expanded again
    }
    return line;
}

void TzvMemoView::ExpandVariables()
{
    ExpandedLines = Lines;
    if (!zvState().RunMode) return;
    for (std::string& line : ExpandedLines) line = ExpandLine(std::move(line));
}

void TzvMemoView::GetBlob(const TField& field) { ExpandedLines = SplitText(field.blobBytes()); }

bool TzvMemoView::TakeBlobField()
{
    TField* field = FindBlobFieldOfLines(ParentReport, Lines);
    if (!field) return false;
    ExpandedLines = Lines;
    const std::string before = ExpandedLines.front();
    GetBlob(*field);
    return ExpandedLines.empty() || ExpandedLines.front() != before;
}

// ---- layout ----------------------------------------------------------------------------------

void TzvMemoView::SetCanvasFont(Canvas& c) const
{
    Font f = TextFont;
    const TzvGlobalState& st = zvState();
    if (ParentReport && ParentReport->Scaled && st.ScreenPixelsPerInch > 0 &&
        ParentReport->PixelsPerInch != st.ScreenPixelsPerInch)
        f.height = Round32(static_cast<double>(f.height) * ParentReport->PixelsPerInch / st.ScreenPixelsPerInch);
    c.setFont(f);
    c.setBrush({c.brush().color, BrushStyle::Clear});
}

void TzvMemoView::WrapLine(Canvas& c, const std::string& line, int32_t avail, std::vector<std::string>& out) const
{
    if (line.size() < 2 || c.textWidth(line) <= avail) {
        out.push_back(line);
        return;
    }
    size_t s = 0, b = 0;
    int32_t width = 0;  // width of the characters s..p
    for (size_t p = 0; p < line.size(); ++p) {
        width += c.metrics().advance(c.font(), static_cast<uint8_t>(line[p]));
        if (width >= avail) {
            if (b == s) b = p;
            out.push_back(line.substr(s, b - s + 1));  // a break character stays at the end
            // A run without break character is cut after the character that reached the
            // length; its remainder goes on wrapping rather than being dropped.
            s = b + 1;
            b = s;
            width = 0;
            for (size_t k = s; k <= p && k < line.size(); ++k)
                width += c.metrics().advance(c.font(), static_cast<uint8_t>(line[k]));
        }
        if (IsBreakChar(line[p]) && p >= s) b = p;
    }
    if (s < line.size()) out.push_back(line.substr(s));
}

void TzvMemoView::Layout(Canvas& c)
{
    const bool run = zvState().RunMode;
    SetCanvasFont(c);
    if (HadLineBreaks) {
        std::vector<std::string> split;
        for (const std::string& line : ExpandedLines) {
            size_t start = 0, at;
            while ((at = line.find("\r\n", start)) != std::string::npos) {
                split.emplace_back(line, start, at - start);
                start = at + 2;
            }
            split.emplace_back(line, start);
        }
        ExpandedLines = std::move(split);
    }
    if (run && (Options & moAutoWidth)) {
        int32_t widest = 0;
        for (const std::string& line : ExpandedLines) widest = std::max(widest, c.textWidth(line));
        Width = 2 * InsetX + widest;
        CalcFrameRect();
    }
    const int32_t h = LineAdvance(c.font());
    const bool turned = Alignment & maRotated;
    const int32_t avail = turned ? Height - 2 * InsetY : Width - 2 * InsetX;
    if (turned) c.setFont(CreateRotatedFont(c.font()));
    std::vector<std::string> lines;
    for (const std::string& line : ExpandedLines) {
        if (Options & moWordWrap)
            WrapLine(c, line, avail, lines);
        else
            lines.push_back(line);
    }
    const int64_t measured = static_cast<int64_t>(lines.size()) * h + 2 * (turned ? InsetX : InsetY);
    layoutHeight_ = static_cast<int32_t>(std::min<int64_t>(measured, INT32_MAX));
    if (run && (Options & moStretched)) {
        TzvBandGeometry band;
        if (turned)
            Width = layoutHeight_;
        else if (BandGeometry(ParentBand, band) && band.Stretched)
            Height = layoutHeight_;
        CalcFrameRect();
    }
    LineHeight = h;
    ExpandedLines = std::move(lines);
    laidOut_ = true;
}

int32_t TzvMemoView::RemainingLines() const
{
    const auto n = static_cast<int32_t>(std::min<size_t>(ExpandedLines.size(), INT32_MAX));
    return FirstLine >= 0 && FirstLine < n ? n - FirstLine : 0;
}

// ---- drawing ---------------------------------------------------------------------------------

void TzvMemoView::PutText(Canvas& c, const Rect& clip, int32_t x, int32_t y, const std::string& text,
                          bool mayUnclip) const
{
    if (mayUnclip) {
        const Size ext = c.textExtent(text);
        if (x >= clip.left && y >= clip.top && x + ext.cx <= clip.right && y + ext.cy <= clip.bottom) {
            c.textOut(x, y, text);
            return;
        }
    }
    c.textRect(clip, x, y, text);
}

void TzvMemoView::DrawHorizontal(Canvas& c, const Rect& clip, int32_t left, int32_t top, int32_t h)
{
    const uint32_t align = Alignment & maHorizontalMask;
    const bool mayUnclip = !(Options & moWordWrap);
    int64_t y = static_cast<int64_t>(top) + InsetY;
    const auto n = static_cast<int32_t>(std::min<size_t>(ExpandedLines.size(), INT32_MAX));
    for (int32_t i = std::max(FirstLine, 0); i < n; ++i, y += h) {
        if (y + h > clip.bottom) {
            FirstLine = i;  // the continuation starts here
            return;
        }
        const std::string& line = ExpandedLines[static_cast<size_t>(i)];
        const auto yi = static_cast<int32_t>(y);
        const size_t firstText = line.find_first_not_of(' ');
        if (align == maJustify && firstText != std::string::npos && line.find(' ', firstText) != std::string::npos) {
            // Blanks share the free space; positions are real and rounded at each word.
            const std::string text = line.substr(0, line.find_last_not_of(' ') + 1);
            const auto blanks = static_cast<int32_t>(std::count(text.begin(), text.end(), ' '));
            const int32_t w = c.textWidth(text);
            double pos = static_cast<double>(left) + InsetX;
            double advance = 0;
            if (blanks > 0)
                advance = (static_cast<double>(blanks) * c.textWidth(" ") + (clip.right - clip.left - InsetX - 1 - w)) /
                          blanks;
            size_t k = 0;
            while (k < text.size()) {
                if (text[k] == ' ') {
                    pos += advance;
                    ++k;
                    continue;
                }
                const size_t e = std::min(text.find(' ', k), text.size());
                const std::string word = text.substr(k, e - k);
                PutText(c, clip, Round32(pos), yi, word, mayUnclip);
                pos += c.textWidth(word);
                k = e;
            }
            continue;
        }
        const int32_t w = c.textWidth(line);
        int32_t x = left + InsetX;
        if (align == maRight)
            x = left + Width - InsetX - w - 1;
        else if (align == maCenter)
            x = left + InsetX + (Width - 2 * InsetX - w) / 2;
        PutText(c, clip, x, yi, line, mayUnclip);
    }
    FirstLine = n;  // every line is drawn: nothing is left for a continuation
}

void TzvMemoView::DrawTurned(Canvas& c, const Rect& clip, int32_t left, int32_t h)
{
    c.setFont(CreateRotatedFont(c.font()));
    const uint32_t align = Alignment & maHorizontalMask;
    int64_t x = static_cast<int64_t>(left) + InsetX;
    for (const std::string& line : ExpandedLines) {
        const auto xi = static_cast<int32_t>(x);
        x += h;
        const size_t firstText = line.find_first_not_of(' ');
        if (align == maJustify && firstText != std::string::npos && line.find(' ', firstText) != std::string::npos) {
            // Along the height, from the bottom upwards.
            const std::string text = line.substr(0, line.find_last_not_of(' ') + 1);
            const auto blanks = static_cast<int32_t>(std::count(text.begin(), text.end(), ' '));
            const int32_t w = c.textWidth(text);
            double pos = static_cast<double>(Top) + Height - InsetY;
            double advance = 0;
            if (blanks > 0)
                advance = (static_cast<double>(blanks) * c.textWidth(" ") + (clip.bottom - clip.top - InsetY - 1 - w)) /
                          blanks;
            size_t k = 0;
            while (k < text.size()) {
                if (text[k] == ' ') {
                    pos -= advance;
                    ++k;
                    continue;
                }
                const size_t e = std::min(text.find(' ', k), text.size());
                const std::string word = text.substr(k, e - k);
                c.textRect(clip, xi, Round32(pos), word);
                pos -= c.textWidth(word);
                k = e;
            }
            continue;
        }
        const int32_t w = c.textWidth(line);
        int32_t y = Top + Height - InsetY;  // flush with the bottom
        if (align == 1)
            y = Top + InsetY + w;  // flush with the top
        else if (align == maCenter)
            y = Top + Height - InsetY - (Height - 2 * InsetY - w) / 2 - 1;
        c.textRect(clip, xi, y, line);
    }
}

void TzvMemoView::DrawText(Canvas& c)
{
    SetCanvasFont(c);
    // The text block is placed by this draw's layout, or by the preceding measuring draw when no
    // layout ran (draw again, continue).
    const int32_t measured = laidOut_ ? layoutHeight_ : MeasuredHeight;
    const Rect clip{DRect.left + 1, DRect.top, DRect.right - 2, DRect.bottom - 1};
    const bool turned = Alignment & maRotated;
    const uint32_t placement = Alignment & maPlacementMask;
    int32_t top = Top, left = Left;
    if (placement == maMiddle) {
        if (turned)
            left += (Width - measured) / 2;
        else
            top += (Height - measured) / 2;
    } else if (placement == maBottom) {
        if (turned)
            left = Left + Width - measured;
        else
            top = Top + Height - measured;
    }
    const int32_t h = LineHeight;
    if (turned)
        DrawTurned(c, clip, left, h);
    else
        DrawHorizontal(c, clip, left, top, h);
}

void TzvMemoView::Draw(Canvas& c)
{
    TzvGlobalState& st = zvState();
    const bool run = st.RunMode;
    if (run && !Visible) return;
    BeginDraw(c);
    const uint16_t savedOptions = Options;
    const bool layoutMode = DrawMode == dmNormal || DrawMode == dmMeasure;
    if (!(run && DrawMode == dmContinue)) FirstLine = 0;
    if (layoutMode) {
        HighlightEnabled = HighlightActive != 0;
        layoutHeight_ = 0;
    }
    laidOut_ = false;

    if (!run)
        ExpandVariables();
    else if (layoutMode && !TakeBlobField())
        ExpandVariables();

    // The highlight swaps style, font colour and background for this draw.
    bool highlighted = false;
    const uint8_t savedStyle = TextFont.style;
    const Color savedColor = TextFont.color, savedBack = BackColor;
    if (run && DrawMode != dmMeasure && HighlightActive != 0) {
        bool on = false;
        try {
            on = IsTrue(EvaluateExpression(HighlightExpr));
        } catch (const std::exception&) {
            ReportError(kErrHighlightExpr);
        }
        if (on) {
            highlighted = true;
            TextFont.style = HighlightStyle;
            TextFont.color = HighlightFontColor;
            BackColor = HighlightBackColor;
        } else {
            HighlightActive = 0;
        }
    }

    CalcFrameRect();
    if (!ExpandedLines.empty()) {
        if (layoutMode) Layout(c);
        if (DrawMode != dmMeasure) {
            ShowBackground();
            ShowFrame();
            if (!st.DrawingSuppressed) DrawText(c);
        }
    } else if (DrawMode != dmMeasure) {
        TzvBandGeometry band;
        const int32_t designHeight = SavedHeight >= 0 ? SavedHeight : Height;
        if (Lines.empty() && (Options & moStretched) && Height == designHeight && BandGeometry(ParentBand, band) &&
            band.Stretched && band.DesignHeight > 0) {
            // An empty stretched memo follows its band's growth.
            const int32_t h = Height;
            Height = Round32(static_cast<double>(Height) * band.Height / band.DesignHeight);
            ShowBackground();
            ShowFrame();
            Height = h;
        } else {
            ShowBackground();
            ShowFrame();
        }
    }
    if (DrawMode == dmMeasure && (Options & moStretched)) {
        const int64_t bottom = static_cast<int64_t>(Top) + layoutHeight_ + 2;
        if (bottom > st.MeasuredBottom) st.MeasuredBottom = static_cast<int32_t>(std::min<int64_t>(bottom, INT32_MAX));
    }
    if (highlighted) {
        TextFont.style = savedStyle;
        TextFont.color = savedColor;
        BackColor = savedBack;
    }
    HighlightActive = HighlightEnabled ? -1 : 0;
    if (!run && !Visible) DrawInvisibleCross(c, *this);
    if (DrawMode == dmMeasure) MeasuredHeight = layoutHeight_;
    Options = savedOptions;
}

// ---- editing host ----------------------------------------------------------------------------

void TzvMemoView::DefinePopupMenu(TzvPopupMenu& menu)
{
    TzvMenuItem format;
    format.Caption = kMenuFormatVariable;
    format.OnClick = [this] {
        uint32_t code = FormatCode;
        std::string text = FormatText;
        if (!gFormatDialog || !gFormatDialog(code, text) || !ParentReport) return;
        for (int p = 0; p < ParentReport->Pages.Count(); ++p)
            for (const auto& v : ParentReport->Pages[p].Objects)
                if (v->Selected && dynamic_cast<TzvMemoView*>(v.get())) {
                    v->FormatCode = code;
                    v->FormatText = text;
                }
    };
    menu.push_back(std::move(format));
    menu.push_back({kMenuSeparator, false, {}});
    menu.push_back(OptionMenuItem(*this, kMenuStretched, moStretched));
    menu.push_back(OptionMenuItem(*this, kMenuWordWrap, moWordWrap));
    menu.push_back(OptionMenuItem(*this, kMenuAutoWidth, moAutoWidth));
}

// ---- stored form -----------------------------------------------------------------------------

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
    LineHeight = LineAdvance(TextFont);
    HighlightEnabled = HighlightActive != 0;
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
    std::snprintf(buf, sizeof buf,
                  " size %d style %u color 0x%08X alignment %u highlight %d style %u color 0x%08X back 0x%08X expr ",
                  TextFont.size(), FontStyleToStored(TextFont.style), TextFont.color, Alignment, HighlightActive,
                  FontStyleToStored(HighlightStyle), HighlightFontColor, HighlightBackColor);
    return "font " + DumpQuote(TextFont.name) + buf + DumpQuote(HighlightExpr);
}

}  // namespace zv
