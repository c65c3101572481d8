// Design pages and the template's options and record loop, reader (versions 21-29) and writer (29).
#include "report/ZV_Template.h"

#include <algorithm>
#include <cstdio>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Utils.h"

namespace zv {

namespace {

// Record tags after the options.
constexpr uint8_t kTagPage = 255;
constexpr uint8_t kTagValues = 254;

[[noreturn]] void Corrupt(const char* what) { throw Exception(std::string("corrupt template: ") + what); }

}  // namespace

// ---- TzvPage ---------------------------------------------------------------------------------

TzvPage::TzvPage() { ChangePaper(kPaperA4, 0, 0, 0); }

TzvPage::~TzvPage()
{
    if (zvState().CurrentPage == this) zvState().CurrentPage = nullptr;
    // Objects go in reverse order of their creation; each may still look at the others.
    while (!Objects.empty()) {
        std::unique_ptr<TzvView> v = std::move(Objects.back());
        Objects.pop_back();
        v.reset();
    }
}

void TzvPage::ChangePaper(int32_t code, int32_t width, int32_t height, uint8_t orientation)
{
    SettlePaper(code, width, height, orientation);
    PaperSize = code;
    PaperWidth = width;
    PaperHeight = height;
    Orientation = orientation;
    PrnWidth = PaperToPageUnits(width);
    PrnHeight = PaperToPageUnits(height);
    Prn().FillPageInfo(Info);
}

TzvView* TzvPage::Add(std::unique_ptr<TzvView> view)
{
    Objects.push_back(std::move(view));
    return Objects.back().get();
}

std::unique_ptr<TzvView> TzvPage::Remove(const TzvView* view)
{
    auto it = std::find_if(Objects.begin(), Objects.end(), [view](const auto& p) { return p.get() == view; });
    if (it == Objects.end()) return nullptr;
    std::unique_ptr<TzvView> taken = std::move(*it);
    Objects.erase(it);
    return taken;
}

void TzvPage::LoadFromStream(Stream& s)
{
    const int version = zvState().TemplateVersion;
    PaperSize = s.readI32();
    PaperWidth = s.readI32();
    PaperHeight = s.readI32();
    Margins.left = s.readI32();
    Margins.top = s.readI32();
    Margins.right = s.readI32();
    Margins.bottom = s.readI32();
    Orientation = s.readU8();
    PageHeaderOnFirst = s.readI16();
    PageFooterOnLast = s.readI16();
    RepeatTableHeader = s.readI16();
    ContinuePrevious = s.readI16();
    if (version <= 28) s.readU16();  // no longer used
    ColumnCount = s.readI32();
    ColumnGap = s.readI32();
    if (version >= 25) {
        ScaleX = s.readI32();
        ScaleY = s.readI32();
    }
    ChangePaper(PaperSize, PaperWidth, PaperHeight, Orientation);
}

void TzvPage::SaveToStream(Stream& s) const
{
    s.writeI32(PaperSize);
    s.writeI32(PaperWidth);
    s.writeI32(PaperHeight);
    s.writeI32(Margins.left);
    s.writeI32(Margins.top);
    s.writeI32(Margins.right);
    s.writeI32(Margins.bottom);
    s.writeU8(Orientation);
    s.writeI16(PageHeaderOnFirst);
    s.writeI16(PageFooterOnLast);
    s.writeI16(RepeatTableHeader);
    s.writeI16(ContinuePrevious);
    s.writeI32(ColumnCount);
    s.writeI32(ColumnGap);
    s.writeI32(ScaleX);
    s.writeI32(ScaleY);
}

// ---- TzvPages --------------------------------------------------------------------------------

TzvPages::~TzvPages() { Clear(); }

void TzvPages::Clear()
{
    const bool was = clearing_;
    clearing_ = true;
    while (!pages_.empty()) {
        std::unique_ptr<TzvPage> p = std::move(pages_.back());
        pages_.pop_back();
        p.reset();
    }
    clearing_ = was;
}

TzvPage& TzvPages::Add()
{
    pages_.push_back(std::make_unique<TzvPage>());
    return *pages_.back();
}

void TzvPages::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    std::unique_ptr<TzvPage> page = std::move(pages_[static_cast<size_t>(index)]);
    pages_.erase(pages_.begin() + index);

    // Placeholders on the page that goes refer to the numbering after the removal too, so that
    // the sub-reports they delete when freed are the right pages; one that refers to the deleted
    // page itself deletes nothing more.
    auto renumber = [index](TzvPage& p, std::vector<TzvSubReportView*>* orphans) {
        for (const auto& v : p.Objects) {
            auto* sub = dynamic_cast<TzvSubReportView*>(v.get());
            if (!sub || sub->Deleting) continue;
            if (sub->SubPage == index) {
                sub->Deleting = 1;
                if (orphans) orphans->push_back(sub);
            } else if (sub->SubPage > index) {
                --sub->SubPage;
            }
        }
    };
    for (auto& p : pages_) {
        std::vector<TzvSubReportView*> orphans;
        renumber(*p, &orphans);
        for (TzvSubReportView* sub : orphans) p->Remove(sub).reset();
    }
    // Pages still being freed by an outer deletion hold placeholders that will delete pages too.
    for (TzvPage* p : dying_) renumber(*p, nullptr);
    renumber(*page, nullptr);
    dying_.push_back(page.get());
    page.reset();
    dying_.pop_back();
}

void TzvPages::LoadFromStream(Stream& s)
{
    Clear();
    TzvGlobalState& st = zvState();
    const int version = st.TemplateVersion;
    std::vector<std::string> ignored;
    if (version <= 28) s.readU16();
    report_->TwoPass = s.readI16();
    if (version >= 23) {
        report_->InterleavePages = s.readI16();
        report_->InterleavedNumbering = s.readI16();
    } else {
        report_->InterleavePages = report_->InterleavedNumbering = 0;
    }
    if (version <= 28) ReadStrings(s, ignored);

    while (s.position() < s.size()) {
        const uint8_t tag = s.readU8();
        if (tag == kTagPage) {
            Add().LoadFromStream(s);
        } else if (tag == kTagValues) {
            report_->Values.ReadBindings(s);
            ReadStrings(s, report_->Variables);
        } else if (tag <= otSubReport || tag == otAddIn) {
            std::string className;
            if (tag == otAddIn) className = ReadString(s);
            std::unique_ptr<TzvView> view = CreateObject(tag, className);
            if (!view) Corrupt("no object");
            const int pageIndex = s.remaining() >= 1 ? s.readU8() : -1;
            if (pageIndex < 0 || pageIndex >= Count()) {
                // A placeholder that never reached a page must not take a page with it.
                if (auto* sub = dynamic_cast<TzvSubReportView*>(view.get())) sub->Deleting = 1;
                Corrupt("page index");
            }
            TzvView* placed = pages_[static_cast<size_t>(pageIndex)]->Add(std::move(view));
            placed->LoadFromStream(s);
        } else if (tag > otAddIn) {
            break;  // the end of the readable content
        } else {
            Corrupt("object type");
        }
    }
}

void TzvPages::SaveToStream(Stream& s) const
{
    s.writeI16(report_->TwoPass);
    s.writeI16(report_->InterleavePages);
    s.writeI16(report_->InterleavedNumbering);
    for (const auto& p : pages_) {
        s.writeU8(kTagPage);
        p->SaveToStream(s);
    }
    // Only the first 256 pages can carry objects: the page index is one byte.
    const size_t carrying = std::min<size_t>(pages_.size(), 256);
    for (size_t i = 0; i < carrying; ++i) {
        for (const auto& v : pages_[i]->Objects) {
            s.writeU8(v->Kind);
            if (v->Kind == otAddIn) WriteString(s, v->ClassName());
            s.writeU8(static_cast<uint8_t>(i));
            v->SaveToStream(s);
        }
    }
    s.writeU8(kTagValues);
    report_->Values.WriteBindings(s);
    WriteStrings(s, report_->Variables);
}

// ---- dump ------------------------------------------------------------------------------------

namespace {

std::string Hex(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string I(int64_t v) { return IntToStr(v); }

}  // namespace

std::string DumpTemplate(const TzvReport& r)
{
    std::string out;
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    line("version " + I(r.Version));
    line("data sources " + I(static_cast<int64_t>(r.DataSources().size())));
    for (const auto& e : r.DataSources()) {
        std::string s = "  source " + DumpQuote(e.Name);
        if (auto* db = dynamic_cast<const TzvDBDataSet*>(e.Source)) {
            s += " db " + DumpQuote(QualifiedComponentName(db->DataSet())) + " filtered " + I(db->Filtered) +
                 " filter " + DumpQuote(db->Filter);
        } else {
            s += " plain";
        }
        if (e.Source)
            s += " range " + I(e.Source->RangeBegin) + " " + I(e.Source->RangeEnd) + " " + I(e.Source->RangeEndCount);
        line(s);
    }
    line("options twopass " + I(r.TwoPass) + " interleave " + I(r.InterleavePages) + " interleaved-numbering " +
         I(r.InterleavedNumbering));
    line("pages " + I(r.Pages.Count()));
    for (int p = 0; p < r.Pages.Count(); ++p) {
        const TzvPage& pg = r.Pages[p];
        line("page " + I(p) + " paper " + I(pg.PaperSize) + " " + I(pg.PaperWidth) + "x" + I(pg.PaperHeight) +
             " orientation " + I(pg.Orientation) + " units " + I(pg.PrnWidth) + "x" + I(pg.PrnHeight));
        line("  margins " + I(pg.Margins.left) + " " + I(pg.Margins.top) + " " + I(pg.Margins.right) + " " +
             I(pg.Margins.bottom));
        line("  options header-first " + I(pg.PageHeaderOnFirst) + " footer-last " + I(pg.PageFooterOnLast) +
             " repeat-table-header " + I(pg.RepeatTableHeader) + " continue " + I(pg.ContinuePrevious));
        line("  columns " + I(pg.ColumnCount) + " gap " + I(pg.ColumnGap) + " scale " + I(pg.ScaleX) + " " +
             I(pg.ScaleY));
        line("  objects " + I(pg.Count()));
        for (const auto& v : pg.Objects) {
            line("  object " + v->ClassName() + " " + DumpQuote(v->Name) + " page " + I(p) + " kind " + I(v->Kind));
            line("    geometry " + I(v->Left) + " " + I(v->Top) + " " + I(v->Width) + " " + I(v->Height) + " visible " +
                 I(v->Visible));
            line("    options " + Hex(v->Options) + " borders " + Hex(v->Borders) + " border-width " +
                 I(v->BorderWidth) + " border-color " + Hex(v->BorderColor) + " border-style " + I(v->BorderStyle) +
                 " back-color " + Hex(v->BackColor));
            line("    format " + Hex(v->FormatCode) + " " + DumpQuote(v->FormatText));
            line("    lines " + I(static_cast<int64_t>(v->Lines.size())));
            for (const std::string& l : v->Lines) line("      " + DumpQuote(l));
            const std::string extras = v->DescribeExtras();
            if (!extras.empty()) line("    extras " + extras);
        }
    }
    line("values " + I(r.Values.Count()));
    for (int i = 0; i < r.Values.Count(); ++i) {
        const TzvValue& v = r.Values.Items(i);
        line("  value " + DumpQuote(r.Values.Names(i)) + " typ " + I(v.Typ) + " other " + I(v.OtherKind) + " dataset " +
             DumpQuote(v.DataSetName) + " field " + DumpQuote(v.FieldName));
    }
    line("variables " + I(static_cast<int64_t>(r.Variables.size())));
    for (const std::string& l : r.Variables) line("  " + DumpQuote(l));
    return out;
}

}  // namespace zv
