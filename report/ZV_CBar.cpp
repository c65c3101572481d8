// TzvCodeBarreView: defaults, the 25-byte stored record, copying, the geometry step, registration.
#include "report/ZV_CBar.h"

#include <cstdio>
#include <cstring>

#include "platform/Stream.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

// Offsets of the fields inside the stored record.
constexpr size_t kOffChecksum = 0, kOffShowText = 1, kOffShowCheckSumText = 2, kOffReserved = 3,
                 kOffBarType = 4, kOffModul = 5, kOffRatio = 9, kOffReservedDouble = 17;

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
    Reserved = b->Reserved;
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
    TextHeight = 0;
    if (ShowText == 1) TextHeight = canvas ? canvas->textHeight("H") : DefaultFontMetrics().textExtent(f, "H").cy;
    BarsRect = DRect;
    DRect.right = DRect.left + BarWidth;
    Width = BarWidth;
    BarsRect.bottom = DRect.bottom - TextHeight - BorderWidth;
    ReservedDouble = 0.0;
    DRect.top = DRect.bottom - TextHeight;
}

void TzvCodeBarreView::Draw(Canvas& c)
{
    // The background of the object; the symbol itself is drawn once the encoder is wired in.
    if (zvState().RunMode && !Visible) return;
    BeginDraw(c);
    BorderWidth = 1;
    CalcFrameRect();
    ShowBackground();
}

void TzvCodeBarreView::LoadFromStream(Stream& s)
{
    TzvView::LoadFromStream(s);
    uint8_t r[kCodeBarreRecordSize];
    s.readBuffer(r, sizeof r);
    Checksum = r[kOffChecksum];
    ShowText = r[kOffShowText];
    ShowCheckSumText = r[kOffShowCheckSumText];
    Reserved = r[kOffReserved];
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
    r[kOffReserved] = Reserved;
    r[kOffBarType] = BarType;
    PutI32(r + kOffModul, Modul);
    PutDouble(r + kOffRatio, Ratio);
    PutDouble(r + kOffReservedDouble, ReservedDouble);
    s.writeBuffer(r, sizeof r);
}

std::string TzvCodeBarreView::DescribeExtras() const
{
    char buf[200];
    std::snprintf(buf, sizeof buf, "barcode checksum %u show-text %u show-checksum-text %u reserved %u type %u modul %d ratio %.17g reserved-double %.17g",
                  Checksum, ShowText, ShowCheckSumText, Reserved, BarType, Modul, Ratio, ReservedDouble);
    return buf;
}

void RegisterCodeBarreView()
{
    static bool registered = false;
    if (registered) return;
    registered = true;
    TzvAddInObjectInfo info;
    info.ClassName = "TzvCodeBarreView";
    info.Create = [](TzvReport* report) -> std::unique_ptr<TzvView> { return std::make_unique<TzvCodeBarreView>(report); };
    info.ButtonBitmap = "CODEBARBITMAP";
    info.ButtonHint = kHintCodeBarre;
    RegisterAddInObject(std::move(info));
}

}  // namespace zv
