// Picture (kind and raw graphic bytes), band and sub-report placeholder objects and their records.
#include "report/ZV_Picture.h"

#include <cstdio>
#include <initializer_list>

#include "platform/Error.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

// Band kinds that allow each option, one bit per kind.
constexpr uint32_t KindBits(std::initializer_list<int> kinds)
{
    uint32_t bits = 0;
    for (int k : kinds) bits |= 1u << k;
    return bits;
}
constexpr uint32_t kStretchedKinds = KindBits({0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18});
constexpr uint32_t kNewPageKinds = KindBits({0, 1, 5, 6, 8, 9, 11, 12, 16});
constexpr uint32_t kPrintIfEmptyKinds = KindBits({5, 8});
constexpr uint32_t kBreakableKinds = KindBits({0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17});
constexpr uint32_t kCompleteListKinds = KindBits({5, 8, 11});

constexpr uint8_t kMaxPictureKind = pkJpeg;

// The caption tab of a band object: 130 units along the band, 18 across.
constexpr int32_t kTabLength = 130, kTabDepth = 18;

}  // namespace

// ---- picture ---------------------------------------------------------------------------------

TzvPictureView::TzvPictureView(TzvReport* report) : TzvCustomPictureView(report)
{
    Kind = otPicture;
    Options = poStretched | poProportional;
    GenerateName();
}

void TzvPictureView::Assign(const TzvView& source)
{
    TzvView::Assign(source);
    if (const auto* p = dynamic_cast<const TzvPictureView*>(&source)) {
        PictureKind = p->PictureKind;
        PictureData = p->PictureData;
    }
}

void TzvPictureView::Draw(Canvas& c)
{
    // Background and frame; decoding and drawing the graphic is the picture renderer's work.
    if (zvState().RunMode && !Visible) return;
    BeginDraw(c);
    CalcFrameRect();
    ShowBackground();
    ShowFrame();
}

void TzvPictureView::LoadFromStream(Stream& s)
{
    TzvView::LoadFromStream(s);
    const uint8_t kind = s.readU8();
    const uint32_t end = s.readU32();
    if (kind > kMaxPictureKind) throw Exception("unknown picture kind");
    const int64_t pos = s.position();
    if (end < pos || end > s.size()) throw StreamError("Stream read error");
    PictureKind = kind;
    PictureData.clear();
    if (kind != pkNone) PictureData = s.readBytes(static_cast<size_t>(end - pos));
    s.setPosition(end);
}

void TzvPictureView::SaveToStream(Stream& s)
{
    TzvView::SaveToStream(s);
    const uint8_t kind = PictureKind <= kMaxPictureKind ? PictureKind : uint8_t{pkNone};
    s.writeU8(kind);
    const int64_t placeholder = s.position();
    s.writeU32(0);
    if (kind != pkNone) s.writeBuffer(PictureData.data(), PictureData.size());
    const int64_t end = s.position();
    s.setPosition(placeholder);
    s.writeU32(static_cast<uint32_t>(end));
    s.seek(0, SeekOrigin::End);
}

std::string TzvPictureView::DescribeExtras() const
{
    // A short checksum stands for the bytes so dumps stay small and comparable.
    uint32_t sum = 2166136261u;
    for (uint8_t b : PictureData) sum = (sum ^ b) * 16777619u;
    char buf[96];
    std::snprintf(buf, sizeof buf, "picture kind %u bytes %zu fnv 0x%08X", PictureKind, PictureData.size(), sum);
    return buf;
}

// ---- band ------------------------------------------------------------------------------------

TzvBandView::TzvBandView(TzvReport* report) : TzvView(report)
{
    Kind = otBand;
    FormatCode = 0;
    GenerateName();
}

TzvBandView::~TzvBandView()
{
    // A data band takes the data source the template created for it along.
    if (ParentReport && UsesDataSource()) ParentReport->ReleaseDataSource(FormatText);
}

bool TzvBandView::Allows(uint16_t option, int kind)
{
    if (kind < 0 || kind >= kBandKindCount) return false;
    const uint32_t bit = 1u << kind;
    switch (option) {
    case boStretched: return kStretchedKinds & bit;
    case boNewPage: return kNewPageKinds & bit;
    case boPrintIfEmpty: return kPrintIfEmptyKinds & bit;
    case boBreakable: return kBreakableKinds & bit;
    case boCompleteList: return kCompleteListKinds & bit;
    default: return false;
    }
}

void TzvBandView::Draw(Canvas& c)
{
    // Band markers are drawn only by editing hosts; this paints their area and frame.
    BeginDraw(c);
    BorderWidth = 1;
    CalcFrameRect();
    ShowBackground();
    ShowFrame();
}

Rect TzvBandView::GetClipRgn(bool extended) const
{
    Rect r{Left, Top, Left + Width, Top + Height};
    if (extended) r = {r.left - 10, r.top - 10, r.right + 10, r.bottom + 10};
    const Rect tab = IsTableBandKind(Borders & 0xFF) ? Rect{Left - kTabDepth, Top, Left, Top + kTabLength}
                                                      : Rect{Left, Top - kTabDepth, Left + kTabLength, Top};
    return UnionRect(r, tab);
}

std::string TzvBandView::DescribeExtras() const
{
    return "band " + IntToStr(Borders & 0xFF) + " " + DumpQuote(BandName(Borders & 0xFF));
}

// ---- sub-report placeholder ------------------------------------------------------------------

TzvSubReportView::TzvSubReportView(TzvReport* report) : TzvView(report)
{
    Kind = otSubReport;
    GenerateName();
}

TzvSubReportView::~TzvSubReportView()
{
    if (Deleting || !ParentReport) return;
    TzvPages& pages = ParentReport->Pages;
    if (pages.Clearing() || SubPage < 0 || SubPage >= pages.Count()) return;
    Deleting = 1;
    pages.Delete(SubPage);
}

void TzvSubReportView::Assign(const TzvView& source)
{
    TzvView::Assign(source);
    if (const auto* p = dynamic_cast<const TzvSubReportView*>(&source)) SubPage = p->SubPage;
}

void TzvSubReportView::Draw(Canvas& c)
{
    BeginDraw(c);
    BorderWidth = 1;
    CalcFrameRect();
    c.setPen({clBlack, 1, PenStyle::Solid});
    c.setBrush({clWhite, BrushStyle::Solid});
    c.rectangle({Left, Top, Left + Width + 1, Top + Height + 1});
    c.setBrush({clWhite, BrushStyle::Clear});
    Font f;
    f.name = "Arial";
    f.setSize(8);
    f.color = clBlack;
    c.setFont(f);
    c.textRect(DRect, Left + 2, Top + 2, std::string(kTextSubReportOnPage) + IntToStr(int64_t{SubPage} + 1));
}

void TzvSubReportView::LoadFromStream(Stream& s)
{
    TzvView::LoadFromStream(s);
    SubPage = s.readI32();
}

void TzvSubReportView::SaveToStream(Stream& s)
{
    TzvView::SaveToStream(s);
    s.writeI32(SubPage);
}

std::string TzvSubReportView::DescribeExtras() const { return "subpage " + IntToStr(SubPage); }

}  // namespace zv
