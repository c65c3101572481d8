// TzvCodeBarreView: defaults, the 25-byte stored record, copying, the geometry step, drawing, registration.
#include "report/ZV_CBar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Numeric.h"
#include "platform/base/Stream.h"
#include "platform/base/Variant.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_Barcode2D.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

// What the object encodes while a template is being designed.
constexpr const char* kDesignBarcodeText = "00000000";

// Offsets of the fields inside the stored record.
constexpr size_t kOffChecksum = 0, kOffShowText = 1, kOffShowCheckSumText = 2, kOffEcLevel = 3, kOffBarType = 4,
                 kOffModul = 5, kOffRatio = 9, kOffReservedDouble = 17;

void PutI32(uint8_t* p, int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
int32_t GetI32(const uint8_t* p)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
    return static_cast<int32_t>(u);
}
void PutDouble(uint8_t* p, double d)
{
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
double GetDouble(const uint8_t* p)
{
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(p[i]) << (8 * i);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

}  // namespace

TzvCodeBarreView::TzvCodeBarreView(TzvReport* report) : TzvView(report)
{
    Kind = otAddIn;
    Lines = {"0"};
    FormatText = "00000000000";
    GenerateName();
}

void TzvCodeBarreView::Assign(const TzvView& source)
{
    TzvView::Assign(source);
    const auto* b = dynamic_cast<const TzvCodeBarreView*>(&source);
    if (!b) return;
    Checksum = b->Checksum;
    ShowText = b->ShowText;
    ShowCheckSumText = b->ShowCheckSumText;
    EcLevel = b->EcLevel;
    BarType = b->BarType;
    Modul = b->Modul;
    Ratio = b->Ratio;
    ReservedDouble = b->ReservedDouble;
}

void TzvCodeBarreView::CalcFrameRect()
{
    TzvView::CalcFrameRect();
    Font f;
    f.name = "Arial";
    f.setSize(8);
    f.color = clBlack;
    f.style = 0;
    if (canvas) canvas->setFont(f);
    const bool sized = SizedByObject();
    if (sized) BarWidth = static_cast<uint16_t>(std::clamp<int32_t>(Width, 0, UINT16_MAX));
    TextHeight = 0;
    if (ShowText == 1 && !sized)
        TextHeight = canvas ? canvas->textHeight("H") : DefaultFontMetrics().textExtent(f, "H").cy;
    BarsRect = DRect;
    DRect.right = DRect.left + BarWidth;
    Width = BarWidth;
    BarsRect.bottom = DRect.bottom - TextHeight - BorderWidth;
    ReservedDouble = 0.0;
    DRect.top = DRect.bottom - TextHeight;
}

std::string TzvCodeBarreView::BarcodeText() const
{
    if (Lines.empty()) return {};
    if (!zvState().RunMode) return kDesignBarcodeText;
    // A Null result (an empty line) reads as an empty text.
    return VarToStr(EvaluateExpression(Lines.front()));
}

void TzvCodeBarreView::Draw(Canvas& c)
{
    const bool run = zvState().RunMode;
    if (run && !Visible) return;
    BeginDraw(c);
    std::string text = BarcodeText();
    BorderWidth = 1;
    CalcFrameRect();
    ShowBackground();

    if (SizedByObject())
        DrawSizedSymbol(c, text);
    else
        DrawLinear(c, std::move(text));

    if (!Visible) {
        // Only reached in design mode: a red cross marks the hidden object.
        c.setPen({clRed, 2, PenStyle::Solid});
        c.moveTo(Left, Top);
        c.lineTo(Left + Width, Top + Height);
        c.moveTo(Left + Width, Top);
        c.lineTo(Left, Top + Height);
    }
}

void TzvCodeBarreView::DrawLinear(Canvas& c, std::string text)
{
    // The encoder lives for this drawing only; an encoding error leaves the canvas untouched and
    // propagates to the page preparation.
    TBarcode bc;
    bc.SetTop(BarsRect.top);
    bc.SetLeft(BarsRect.left);
    bc.SetHeight(BarsRect.bottom - BarsRect.top);
    bc.SetRatio(Ratio);
    bc.SetModul(Modul);
    bc.SetChecksum(Checksum != 0);
    bc.SetShowCheckSumText(ShowCheckSumText != 0);
    bc.SetShowText(bcoNone);
    bc.SetTyp(static_cast<TBarcodeType>(BarType));
    // Digits-only types get "0" for a text that is not a number, rather than an error.
    const BarcodeTypeInfo* info = FindBarcodeTypeInfo(BarType);
    if (info && info->digitsOnly && !TryStrToFloat(text, DefaultFormatSettings())) text = "0";
    bc.SetText(text);
    bc.DrawOn(c);
    // The width is kept in 16 bits; a wider symbol keeps the largest width rather than wrapping.
    BarWidth = static_cast<uint16_t>(std::clamp<int32_t>(bc.Width(), 0, UINT16_MAX));

    CalcFrameRect();
    DRect.top = DRect.bottom - TextHeight;

    // The text strip under the bars, one pixel narrower and lower than the object.
    const int32_t savedTop = Top, savedHeight = Height, savedWidth = Width;
    Top = DRect.top;
    Height = DRect.bottom - DRect.top - 1;
    Width = Width - 1;
    ShowBackground();
    Top = savedTop;
    Height = savedHeight;
    Width = savedWidth;

    if (ShowText == 1) {
        if (zvState().RunMode) {
            // The characters are spread evenly over the width of the bars.
            const std::string& s = bc.DisplayText();
            double spacing = 0;
            if (s.size() >= 2) spacing = (BarWidth - c.textWidth(s) - 1) / static_cast<double>(s.size() - 1);
            c.beginTextRun();  // one text for the page's records, each character where it is drawn
            for (size_t i = 0; i < s.size(); ++i) {
                const double at =
                    c.textWidth(std::string_view(s).substr(0, i)) + static_cast<double>(i) * spacing + DRect.left;
                c.textOut(Round32(at) + 1, DRect.top, std::string_view(s).substr(i, 1));
            }
            c.endTextRun();
        } else if (!Lines.empty()) {
            c.textRect(DRect, DRect.left, DRect.top, Lines.front());
        }
    }
}

bool TzvCodeBarreView::SizedByObject() const
{
    const BarcodeTypeInfo* info = FindBarcodeTypeInfo(BarType);
    return !info || info->matrix;
}

void TzvCodeBarreView::DrawSizedSymbol(Canvas& c, const std::string& text)
{
    const Rect area{BarsRect.left, BarsRect.top, BarsRect.left + Width, BarsRect.bottom};
    std::string error;
    if (!FindBarcodeTypeInfo(BarType)) {
        error = kBarcodeUnknownType + std::to_string(BarType);
    } else {
        try {
            // The largest square (PDF417: one by three) modules that fit, from the top-left corner.
            const MatrixSymbol symbol = EncodeMatrixBarcode(BarType, text, EcLevel);
            const int32_t module = FitMatrixModule(symbol, area.right - area.left, area.bottom - area.top);
            DrawMatrixBarcode(c, symbol, area.left, area.top, module);
            return;
        } catch (const Exception& e) {
            error = e.message();
        }
    }
    // The error box: a red frame over the object with the message inside it.
    PenBrushGuard guard(c);
    c.setPen({clRed, 1, PenStyle::Solid});
    c.setBrush({clWhite, BrushStyle::Clear});
    c.rectangle(area);
    Font f = c.font();
    f.color = clRed;
    c.setFont(f);
    c.textRect(area, area.left + 2, area.top + 2, error);
}

void TzvCodeBarreView::LoadFromStream(Stream& s)
{
    TzvView::LoadFromStream(s);
    uint8_t r[kCodeBarreRecordSize];
    s.readBuffer(r, sizeof r);
    Checksum = r[kOffChecksum];
    ShowText = r[kOffShowText];
    ShowCheckSumText = r[kOffShowCheckSumText];
    EcLevel = r[kOffEcLevel];
    BarType = r[kOffBarType];
    Modul = GetI32(r + kOffModul);
    Ratio = GetDouble(r + kOffRatio);
    ReservedDouble = GetDouble(r + kOffReservedDouble);
}

void TzvCodeBarreView::SaveToStream(Stream& s)
{
    TzvView::SaveToStream(s);
    uint8_t r[kCodeBarreRecordSize] = {};
    r[kOffChecksum] = Checksum;
    r[kOffShowText] = ShowText;
    r[kOffShowCheckSumText] = ShowCheckSumText;
    r[kOffEcLevel] = EcLevel;
    r[kOffBarType] = BarType;
    PutI32(r + kOffModul, Modul);
    PutDouble(r + kOffRatio, Ratio);
    PutDouble(r + kOffReservedDouble, ReservedDouble);
    s.writeBuffer(r, sizeof r);
}

std::string TzvCodeBarreView::DescribeExtras() const
{
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "barcode checksum %u show-text %u show-checksum-text %u ec-level %u type %u modul %d ratio %.17g "
                  "reserved-double %.17g",
                  Checksum, ShowText, ShowCheckSumText, EcLevel, BarType, Modul, Ratio, ReservedDouble);
    return buf;
}

void RegisterCodeBarreView()
{
    static bool registered = false;
    if (registered) return;
    registered = true;
    TzvAddInObjectInfo info;
    info.ClassName = "TzvCodeBarreView";
    info.Create = [](TzvReport* report) -> std::unique_ptr<TzvView> {
        return std::make_unique<TzvCodeBarreView>(report);
    };
    info.ButtonBitmap = "CODEBARBITMAP";
    info.ButtonHint = kHintCodeBarre;
    RegisterAddInObject(std::move(info));
}

}  // namespace zv
