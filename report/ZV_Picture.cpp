// Picture (stored bytes decoded when drawn, blob pictures), band and sub-report placeholder objects.
#include "report/ZV_Picture.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/data/DataSet.h"
#include "platform/emf/EmfGraphic.h"
#include "report/ZV_Const.h"
#include "report/ZV_Memo.h"
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

// Side of the tiles that paint the checkerboard; even, so every tile continues the pattern.
constexpr int32_t kCheckerTile = 64;

// Fills area (within page) with the design checkerboard, anchored at the page origin.
void FillCheckered(Canvas& c, const Rect& area, const Rect& page)
{
    Rect r;
    if (!IntersectRect(area, page, &r)) return;
    const Bitmap& pattern = CheckerboardBitmap();
    Bitmap tile;
    tile.width = tile.height = kCheckerTile;
    tile.pixels.resize(static_cast<size_t>(kCheckerTile) * kCheckerTile);
    for (int32_t y = 0; y < kCheckerTile; ++y)
        for (int32_t x = 0; x < kCheckerTile; ++x)
            tile.at(x, y) = pattern.at(((r.left + x) % pattern.width + pattern.width) % pattern.width,
                                       ((r.top + y) % pattern.height + pattern.height) % pattern.height);
    c.saveState();
    c.intersectClipRect(r);
    for (int64_t y = r.top; y < r.bottom; y += kCheckerTile)
        for (int64_t x = r.left; x < r.right; x += kCheckerTile) {
            const auto xi = static_cast<int32_t>(x), yi = static_cast<int32_t>(y);
            c.stretchDraw({xi, yi, xi + kCheckerTile, yi + kCheckerTile}, tile);
        }
    c.restoreState();
}

}  // namespace

// ---- picture ---------------------------------------------------------------------------------

namespace {

uint32_t Checksum(const std::vector<uint8_t>& bytes)
{
    uint32_t sum = 2166136261u;
    for (uint8_t b : bytes) sum = (sum ^ b) * 16777619u;
    return sum;
}

// A raster graphic is drawn from its pixels; a metafile is played as vectors into the rectangle.
void DrawGraphic(Canvas& c, const Graphic& g, const Rect& dest)
{
    if (const Bitmap* bmp = g.bitmap())
        c.stretchDraw(dest, *bmp);
    else
        g.draw(c, dest);
}

}  // namespace

TzvPictureView::TzvPictureView(TzvReport* report) : TzvCustomPictureView(report)
{
    Kind = otPicture;
    Options = poStretched | poProportional;
    RegisterMetafileGraphic();
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

const Graphic* TzvPictureView::Picture() const
{
    if (PictureKind == pkNone || PictureKind > kMaxPictureKind) return nullptr;
    const uint32_t sum = Checksum(PictureData);
    if (graphic_ && graphicKind_ == PictureKind && graphicSize_ == PictureData.size() && graphicSum_ == sum)
        return graphic_.get();
    graphic_.reset();
    std::unique_ptr<Graphic> g = CreateGraphic(static_cast<zv::PictureKind>(PictureKind));
    ReadOnlyMemoryStream in(PictureData.data(), PictureData.size());
    g->loadFromStream(in);
    graphic_ = std::move(g);
    graphicKind_ = PictureKind;
    graphicSize_ = PictureData.size();
    graphicSum_ = sum;
    return graphic_.get();
}

void TzvPictureView::SetPicture(const Graphic* graphic)
{
    graphic_.reset();
    PictureData.clear();
    PictureKind = pkNone;
    if (!graphic || graphic->empty()) return;
    MemoryStream out;
    graphic->saveToStream(out);
    PictureData = out.data();
    PictureKind = static_cast<uint8_t>(graphic->kind());
}

void TzvPictureView::GetBlob(const TField& field)
{
    BlobPicture.reset();
    UseBlob = 1;
    if (field.isNull()) return;
    const std::string bytes = field.blobBytes();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    BlobPicture = LoadGraphicFromBlob(data, bytes.size());
    if (!BlobPicture) throw Exception(kErrUnknownPictureFormat);
}

void TzvPictureView::Draw(Canvas& c)
{
    const TzvGlobalState& st = zvState();
    const bool run = st.RunMode;
    if (run && !Visible) return;
    BeginDraw(c);
    if (run && ParentReport && ParentReport->HasBlobFields) {
        UseBlob = 0;
        const std::vector<std::string> lines = Lines;
        if (TField* field = FindBlobFieldOfLines(ParentReport, lines)) GetBlob(*field);
    }
    const Graphic* g = DrawnPicture();
    CalcFrameRect();
    ShowBackground();
    if (g && !g->empty()) {
        const int32_t pw = g->width(), ph = g->height();
        const int32_t fw = DRect.width(), fh = DRect.height();
        Rect r = DRect;
        if (Options & poStretched) {
            if (Options & poProportional) {
                const double kx = static_cast<double>(Width) / pw, ky = static_cast<double>(Height) / ph;
                if (kx >= ky)
                    r.right = r.left + Round32(pw * ky);
                else
                    r.bottom = r.top + Round32(ph * kx);
            }
            if (Options & poCentered) {
                const int32_t dx = (fw - r.width()) / 2, dy = (fh - r.height()) / 2;
                r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
            }
            DrawGraphic(c, *g, r);
        } else {
            if (Options & poCentered) {
                r.left += (fw - pw) / 2;
                r.top += (fh - ph) / 2;
            }
            c.saveState();
            c.intersectClipRect({Left, Top, Left + Width + 1, Top + Height + 1});
            DrawGraphic(c, *g, {r.left, r.top, r.left + pw, r.top + ph});
            c.restoreState();
        }
    } else if (!run) {
        Font f;
        f.name = "Arial";
        f.setSize(8);
        f.color = clBlack;
        c.setFont(f);
        c.setBrush({c.brush().color, BrushStyle::Clear});
        c.textRect(DRect, Left + 2, Top + 2, kTextPicturePlaceholder);
    }
    ShowFrame();
    if (!run && !Visible) DrawInvisibleCross(c, *this);
}

void TzvPictureView::DefinePopupMenu(TzvPopupMenu& menu)
{
    menu.push_back({kMenuSeparator, false, {}});
    menu.push_back(OptionMenuItem(*this, kMenuStretched, poStretched));
    menu.push_back(OptionMenuItem(*this, kMenuCenterPicture, poCentered));
    menu.push_back(OptionMenuItem(*this, kMenuKeepProportions, poProportional));
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
    graphic_.reset();
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
    char buf[96];
    std::snprintf(buf, sizeof buf, "picture kind %u bytes %zu fnv 0x%08X", PictureKind, PictureData.size(),
                  Checksum(PictureData));
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
    BeginDraw(c);
    BorderWidth = 1;
    CalcFrameRect();
    const int kind = Borders & 0xFF;
    const bool table = IsTableBandKind(kind);
    const Rect area =
        table ? Rect{Left, 0, Left + Width, HostPageSize.cy} : Rect{0, Top, HostPageSize.cx, Top + Height};
    FillCheckered(c, area, Rect{0, 0, HostPageSize.cx, HostPageSize.cy});
    c.setPen({clBtnFace, 1, PenStyle::Solid});
    c.setBrush({c.brush().color, BrushStyle::Clear});
    c.rectangle(area);

    // The caption tab: button face, a shadow and a black line near its far end, the kind's name.
    const std::string& name = BandName(kind);
    Font f;
    f.name = "Arial";
    f.setSize(8);
    f.color = clBlack;
    c.setBrush({clBtnFace, BrushStyle::Solid});
    if (!table) {
        c.fillRect({Left, Top - kTabDepth, Left + kTabLength, Top});
        c.setPen({clBtnShadow, 1, PenStyle::Solid});
        c.moveTo(Left + kTabLength - 2, Top - kTabDepth);
        c.lineTo(Left + kTabLength - 2, Top);
        c.setPen({clBlack, 1, PenStyle::Solid});
        c.moveTo(Left + kTabLength - 1, Top - kTabDepth);
        c.lineTo(Left + kTabLength - 1, Top);
        c.setFont(f);
        c.setBrush({clBtnFace, BrushStyle::Clear});
        c.textOut(Left + 4, Top - 17, name);
    } else {
        c.fillRect({Left - kTabDepth, Top, Left, Top + kTabLength});
        c.setPen({clBtnShadow, 1, PenStyle::Solid});
        c.moveTo(Left - kTabDepth, Top + kTabLength - 2);
        c.lineTo(Left, Top + kTabLength - 2);
        c.setPen({clBlack, 1, PenStyle::Solid});
        c.moveTo(Left - kTabDepth, Top + kTabLength - 1);
        c.lineTo(Left, Top + kTabLength - 1);
        c.setFont(CreateRotatedFont(f));
        c.setBrush({clBtnFace, BrushStyle::Clear});
        c.textOut(Left - 15, Top + 4 + c.textWidth(name), name);
    }
}

void TzvBandView::DefinePopupMenu(TzvPopupMenu& menu)
{
    const int kind = Borders & 0xFF;
    if (Allows(boStretched, kind)) {
        menu.push_back({kMenuSeparator, false, {}});
        menu.push_back(OptionMenuItem(*this, kMenuStretched, boStretched));
    }
    const std::pair<uint16_t, const char*> rest[] = {{boNewPage, kMenuNewPage},
                                                     {boPrintIfEmpty, kMenuPrintIfEmpty},
                                                     {boBreakable, kMenuBreakable},
                                                     {boCompleteList, kMenuCompleteList}};
    for (const auto& [bit, caption] : rest)
        if (Allows(bit, kind)) menu.push_back(OptionMenuItem(*this, caption, bit));
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
