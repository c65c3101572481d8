// TzvView: common fields and record, frame drawing, factory and add-in registry, names, string lists.
#include "report/ZV_View.h"

#include <unordered_set>

#include "platform/base/Error.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Numeric.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/device/UiServices.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Const.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

// Corner marks of an object without frame lines (design mode): stroke length in units.
constexpr int32_t kCornerMark = 4;

std::vector<TzvAddInObjectInfo>& Registry()
{
    static std::vector<TzvAddInObjectInfo> registry;
    return registry;
}

// The library's own add-ins register once, before the first use of the registry.
void EnsureStartupAddIns()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterCodeBarreView();
}

int32_t ScaleOldUnit(int32_t v) { return Round32(v * kOldUnitScale); }

}  // namespace

const std::string& BandName(int kind)
{
    static const std::vector<std::string> names(kBandNames.begin(), kBandNames.end());
    static const std::string none;
    return kind >= 0 && kind < kBandKindCount ? names[static_cast<size_t>(kind)] : none;
}

uint32_t DefaultFormatCode() { return 0x200u + static_cast<uint8_t>(DefaultFormatSettings().decimalSeparator); }

// ---- TzvView -----------------------------------------------------------------------------------

TzvView::TzvView(TzvReport* report) : ParentReport(report), FormatCode(DefaultFormatCode()) {}

TzvView::~TzvView()
{
    if (zvState().CurrentObject == this) zvState().CurrentObject = nullptr;
}

void TzvView::CalcFrameRect()
{
    const int32_t w = BorderWidth;
    const int32_t h = w / 2;
    const int32_t i = (w - 1) / 2;
    InsetX = h + 2;
    InsetY = h / 2 + 1;
    DRect.left = (Borders & frLeft) ? Left + i : Left;
    DRect.top = (Borders & frTop) ? Top + i : Top;
    DRect.right = Left + Width + 1 - ((Borders & frRight) ? h : 0);
    DRect.bottom = Top + Height + 1 - ((Borders & frBottom) ? h : 0);
}

void TzvView::ShowBackground()
{
    const TzvGlobalState& st = zvState();
    if (!canvas || st.DrawingSuppressed) return;
    if (st.RunMode && BackColor == clNone) return;
    canvas->setBrush({BackColor == clNone ? clWhite : BackColor, BrushStyle::Solid});
    if (st.RunMode)
        canvas->fillRect({Left, Top, Left + Width, Top + Height});
    else
        canvas->fillRect(DRect);
}

void TzvView::ShowFrame()
{
    const TzvGlobalState& st = zvState();
    if (!canvas || st.DrawingSuppressed) return;
    const uint16_t lines = Borders & frAll;
    if (st.RunMode && lines == 0) return;
    Canvas& c = *canvas;
    c.setPen({BorderColor, BorderWidth, PenStyle::Solid});
    c.setBrush({c.brush().color, BrushStyle::Clear});
    if (lines == 0) {
        c.setPen({clBlack, 1, PenStyle::Solid});
        const int32_t r = Left + Width, b = Top + Height;
        const int32_t m = kCornerMark;
        c.moveTo(Left, Top);
        c.lineTo(Left + m, Top);
        c.moveTo(Left, Top);
        c.lineTo(Left, Top + m);
        c.moveTo(r, Top);
        c.lineTo(r - m, Top);
        c.moveTo(r, Top);
        c.lineTo(r, Top + m);
        c.moveTo(Left, b);
        c.lineTo(Left + m, b);
        c.moveTo(Left, b);
        c.lineTo(Left, b - m);
        c.moveTo(r, b);
        c.lineTo(r - m, b);
        c.moveTo(r, b);
        c.lineTo(r, b - m);
        return;
    }
    if (lines == frAll) {
        c.rectangle({Left, Top, Left + Width + 1, Top + Height + 1});
        return;
    }
    if (lines & frRight) {
        c.moveTo(Left + Width, Top);
        c.lineTo(Left + Width, Top + Height);
    }
    if (lines & frLeft) {
        c.moveTo(Left, Top);
        c.lineTo(Left, Top + Height);
    }
    if (lines & frBottom) {
        c.moveTo(Left, Top + Height);
        c.lineTo(Left + Width, Top + Height);
    }
    if (lines & frTop) {
        c.moveTo(Left, Top);
        c.lineTo(Left + Width, Top);
    }
}

void TzvView::Assign(const TzvView& source)
{
    Kind = source.Kind;
    Selected = source.Selected;
    Left = source.Left;
    Top = source.Top;
    Width = source.Width;
    Height = source.Height;
    Options = source.Options;
    Borders = source.Borders;
    BorderWidth = source.BorderWidth;
    BorderColor = source.BorderColor;
    BorderStyle = source.BorderStyle;
    BackColor = source.BackColor;
    FormatCode = source.FormatCode;
    FormatText = source.FormatText;
    Lines = source.Lines;
    Visible = source.Visible;
    // Names stay unique within the report: take the source's only when nobody else bears it.
    if (&source != this && !FindObject(ParentReport, source.Name, this)) Name = source.Name;
}

void TzvView::LoadFromStream(Stream& s)
{
    const int version = zvState().TemplateVersion;
    Left = s.readI32();
    Top = s.readI32();
    Width = s.readI32();
    Height = s.readI32();
    Options = s.readU16();
    Borders = s.readU16();
    BorderWidth = s.readI32();
    BorderColor = s.readU32();
    BorderStyle = s.readU16();
    BackColor = s.readU32();
    FormatCode = s.readU32();
    FormatText = ReadString(s);
    ReadStrings(s, Lines);
    if (version >= 23) {
        Visible = s.readU8();
        Name = s.readShortString();
    }
    if (version < 24) {
        Left = ScaleOldUnit(Left);
        Top = ScaleOldUnit(Top);
        Width = ScaleOldUnit(Width);
        Height = ScaleOldUnit(Height);
    }
}

void TzvView::SaveToStream(Stream& s)
{
    s.writeI32(Left);
    s.writeI32(Top);
    s.writeI32(Width);
    s.writeI32(Height);
    s.writeU16(Options);
    s.writeU16(Borders);
    s.writeI32(BorderWidth);
    s.writeU32(BorderColor);
    s.writeU16(BorderStyle);
    s.writeU32(BackColor);
    s.writeU32(FormatCode);
    WriteString(s, FormatText);
    WriteStrings(s, Lines);
    s.writeU8(Visible);
    s.writeShortString(Name.size() > 255 ? std::string_view(Name).substr(0, 255) : std::string_view(Name));
}

Rect TzvView::GetClipRgn(bool extended) const
{
    const int32_t h = BorderWidth / 2;
    Rect r{Left, Top, Left + Width, Top + Height};
    if (Borders & frLeft) r.left -= h;
    if (Borders & frTop) r.top -= h;
    if (Borders & frRight) r.right += h;
    if (Borders & frBottom) r.bottom += h;
    if (extended) r = {r.left - 10, r.top - 10, r.right + 10, r.bottom + 10};
    return r;
}

void TzvView::BeginDraw(Canvas& c)
{
    canvas = &c;
    zvState().CurrentObject = this;
}

void TzvView::GenerateName()
{
    const std::string cls = ClassName();
    const std::string base = cls.size() > 7 ? cls.substr(3, cls.size() - 7) : cls;
    if (!ParentReport) {
        Name = base + "1";
        return;
    }
    // One pass over the report's objects, then the first number whose name is free.
    std::unordered_set<std::string> taken;
    const TzvPages& pages = ParentReport->Pages;
    for (int p = 0; p < pages.Count(); ++p)
        for (const auto& v : pages[p].Objects)
            if (v.get() != this) taken.insert(LowerCase(v->Name));
    const std::string lowerBase = LowerCase(base);
    for (int64_t n = 1;; ++n) {
        if (!taken.count(lowerBase + IntToStr(n))) {
            Name = base + IntToStr(n);
            return;
        }
    }
}

TzvMenuItem OptionMenuItem(TzvView& view, const char* caption, uint16_t bit)
{
    TzvMenuItem item;
    item.Caption = caption;
    item.Checked = (view.Options & bit) != 0;
    item.OnClick = [&view, bit] {
        const bool on = !(view.Options & bit);
        TzvReport* report = view.ParentReport;
        if (!report) return;
        for (int p = 0; p < report->Pages.Count(); ++p)
            for (const auto& v : report->Pages[p].Objects) {
                if (!v->Selected) continue;
                if (on)
                    v->Options |= bit;
                else
                    v->Options &= static_cast<uint16_t>(~bit);
            }
    };
    return item;
}

// ---- registry and factory --------------------------------------------------------------------

bool RegisterAddInObject(TzvAddInObjectInfo info)
{
    EnsureStartupAddIns();
    std::vector<TzvAddInObjectInfo>& reg = Registry();
    if (reg.size() >= kMaxAddIns) return false;
    reg.push_back(std::move(info));
    return true;
}

const std::vector<TzvAddInObjectInfo>& AddInObjects()
{
    EnsureStartupAddIns();
    return Registry();
}

void ReplaceAddInObjects(std::vector<TzvAddInObjectInfo> entries)
{
    EnsureStartupAddIns();
    if (entries.size() > kMaxAddIns) entries.resize(kMaxAddIns);
    Registry() = std::move(entries);
}

bool SetAddInEditor(std::string_view className, std::function<std::unique_ptr<TzvObjEditorForm>()> createEditor)
{
    EnsureStartupAddIns();
    for (TzvAddInObjectInfo& info : Registry()) {
        if (SameText(info.ClassName, className)) {
            info.CreateEditor = std::move(createEditor);
            return true;
        }
    }
    return false;
}

std::unique_ptr<TzvView> CreateObject(uint8_t typeCode, const std::string& className)
{
    TzvReport* report = zvState().CurrentReport;
    switch (typeCode) {
    case otMemo: return std::make_unique<TzvMemoView>(report);
    case otPicture: return std::make_unique<TzvPictureView>(report);
    case otBand: return std::make_unique<TzvBandView>(report);
    case otSubReport: return std::make_unique<TzvSubReportView>(report);
    case otAddIn: {
        for (const TzvAddInObjectInfo& info : AddInObjects()) {
            if (info.ClassName != className || !info.Create) continue;
            std::unique_ptr<TzvView> view = info.Create(report);
            view->Kind = otAddIn;
            return view;
        }
        std::string text = kMsgAddInNotFound;
        const size_t at = text.find("%s");
        if (at != std::string::npos) text.replace(at, 2, className);
        Ui().messageBox(text, kCaptionError, MB_OK | MB_ICONERROR);
        throw SilentAbort();
    }
    default: return nullptr;
    }
}

TzvView* FindObject(const TzvReport* report, std::string_view name, const TzvView* except)
{
    if (!report) return nullptr;
    const TzvPages& pages = report->Pages;
    for (int p = 0; p < pages.Count(); ++p)
        for (const auto& v : pages[p].Objects)
            if (v.get() != except && SameText(v->Name, name)) return v.get();
    return nullptr;
}

Font CreateRotatedFont(const Font& font)
{
    Font f = font;
    f.escapement = 900;
    f.orientation = 900;
    return f;
}

// ---- string lists --------------------------------------------------------------------------

void ReadStrings(Stream& s, std::vector<std::string>& list)
{
    list.clear();
    if (zvState().TemplateVersion >= 26) {
        const uint16_t count = s.readU16();
        // Every line takes at least its two length bytes: refuse counts the stream cannot hold.
        if (static_cast<int64_t>(count) * 2 > s.remaining()) throw StreamError("Stream read error");
        list.reserve(count);
        for (uint16_t i = 0; i < count; ++i) {
            const uint16_t len = s.readU16();
            std::vector<uint8_t> bytes = s.readBytes(len);
            list.emplace_back(bytes.begin(), bytes.end());
        }
        return;
    }
    // Older form: text up to a NUL byte, each line ended by CR.
    std::string line;
    for (;;) {
        const uint8_t ch = s.readU8();
        if (ch == 0) break;
        if (ch == 13) {
            list.push_back(std::move(line));
            line.clear();
        } else {
            line.push_back(static_cast<char>(ch));
        }
    }
    if (!line.empty()) list.push_back(std::move(line));
}

void WriteStrings(Stream& s, const std::vector<std::string>& list)
{
    const size_t count = std::min<size_t>(list.size(), 0xFFFF);
    s.writeU16(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const std::string& line = list[i];
        const size_t len = std::min(line.size(), kMaxStoredLine);
        s.writeU16(static_cast<uint16_t>(len));
        s.writeBuffer(line.data(), len);
    }
}

std::string ReadString(Stream& s)
{
    std::vector<std::string>& scratch = zvState().Scratch;
    ReadStrings(s, scratch);
    std::string first = scratch.empty() ? std::string() : std::move(scratch.front());
    scratch.clear();
    return first;
}

void WriteString(Stream& s, const std::string& str) { WriteStrings(s, {str}); }

std::string DumpQuote(const std::string& s)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace zv
