// The page preparation loop: forming a design page, the data loop with headers, groups and
// footers, new pages and page footers, and the output pages being drawn.
#include "report/ZV_PageLoop.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/device/UiServices.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_Utils.h"

namespace zv {

using namespace pageinfo;  // PageInfo entries by name

namespace {

// A sub-report page whose data never ends would record steps until memory runs out.
constexpr size_t kMaxQueueSteps = size_t{1} << 24;

bool Failed() { return zvState().ErrorFlag; }
TzvReport& Preparing() { return *PrepareState().PreparingReport; }
bool Cancelled() { return Failed() || Preparing().Terminated; }

int32_t Clamp(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Runs a step now, or in queue mode records it for the replay.
void Act(TzvPage& page, TzvBand& band, TzvStepKind kind)
{
    if (!page.QueueMode) {
        RunStep(page, band, kind);
        return;
    }
    if (page.StepQueue.size() >= kMaxQueueSteps) {
        ReportError(kMsgSubReportTooLong + std::to_string(kMaxQueueSteps));
        return;
    }
    page.StepQueue.push_back({&band, kind});
}

// Moves the band's source to its first or next record. In queue mode the walk runs now too,
// so that the recording sees the end of the data and the group changes.
void Move(TzvPage& page, TzvBand& band, TzvStepKind kind)
{
    if (page.QueueMode && band.DataSource) {
        if (kind == skFirst)
            band.DataSource->First();
        else
            band.DataSource->Next();
        NotifyDataSetWork(&band, kind == skFirst ? dsoFirst : dsoNext);
    }
    Act(page, band, kind);
}

void PrintPending(TzvPage& page)
{
    std::vector<TzvBand*> bands;
    bands.swap(page.Pending);
    for (TzvBand* b : bands)
        if (b->HasObjects()) ShowBandOf(page, b);
}

// The bands of a kind whose design Y lies strictly between from and to (no upper bound: -1).
template <typename F>
void ForBandsBetween(TzvPage& page, uint8_t kind, int32_t from, int64_t to, F&& f)
{
    for (TzvBand* b = page.Bands[kind]; b; b = b->NextBand)
        if (b->View && b->Y > from && (to < 0 || b->Y < to)) f(b);
}

void PrintLevelFooters(TzvPage& page, int level, const TzvBand& data)
{
    const int64_t to = data.NextBand ? data.NextBand->Y : -1;
    ForBandsBetween(page, kLevelFooter[level], data.Y, to, [&page](TzvBand* f) { ShowBandOf(page, f); });
}

void PrintLevelHeaders(TzvPage& page, int level, const TzvBand* previous, const TzvBand& data)
{
    ForBandsBetween(page, kLevelHeader[level], previous ? previous->Y : 0, data.Y,
                    [&page](TzvBand* h) { ShowBandOf(page, h); });
}

Variant GroupValue(TzvBand& header)
{
    TzvGlobalState& st = zvState();
    TzvView* saved = st.CurrentObject;
    st.CurrentObject = header.View;
    Variant v;
    try {
        EvaluateExpression(header.GroupCondition, v);
    } catch (const std::exception& e) {
        ReportError(std::string(kErrFromEngine) + e.what());
    }
    st.CurrentObject = saved;
    return v;
}

bool SameGroupValue(const Variant& a, const Variant& b)
{
    try {
        return VarCompare(a, b) == 0;
    } catch (const std::exception&) {
        return false;  // values that cannot be compared belong to different groups
    }
}

// After the move to the next record of the master band: closes the groups whose condition
// changed (or all at the end of the data) and opens the new ones. True when a group started.
bool ScanGroups(TzvPage& page, TzvBand& data, const TzvBand* previous, bool& filled)
{
    TzvDataset& source = *data.DataSource;
    TzvBand* head = page.Bands[bkGroupHeader];
    for (TzvBand* g = head; g && !Failed(); g = g->NextBand) {
        if (Trim(g->GroupCondition).empty()) return false;
        if (!source.Eof() && SameGroupValue(GroupValue(*g), g->LastGroupValue)) continue;
        TzvBand* last = head->LastBand ? head->LastBand : head;
        if (data.CompleteList && !page.QueueMode) {
            int32_t reserve = 0;
            if (TzvBand* f = page.Bands[bkMainFooter]) reserve += MeasureHeight(*f);
            for (TzvBand* h = last; h && h != g; h = h->PrevBand)
                if (h->Footer) reserve += MeasureHeight(*h->Footer);
            if (g->Footer) reserve += MeasureHeight(*g->Footer);
            FillEmptyRows(data, reserve);
            filled = true;
        }
        PrintLevelFooters(page, 1, data);
        for (TzvBand* h = last; h && h != g; h = h->PrevBand) {
            ShowBandOf(page, h->Footer);
            h->LineNo = 0;
        }
        ShowBandOf(page, g->Footer);
        bool started = false;
        if (!source.Eof()) {
            if (g->ForceNewPage && !page.QueueMode) NewPage(page);
            InitGroupValues(*g);
            Act(page, *g, skHeaderCount);
            for (TzvBand* h = g; h; h = h->NextBand) ShowBandOf(page, h);
            Act(page, *g, skGroupAggregates);
            started = true;
            PrintLevelHeaders(page, 1, previous, data);
        }
        Act(page, data, skLineReset);
        return started;
    }
    return false;
}

std::unique_ptr<EmfRecorder>& ScratchCanvas()
{
    static std::unique_ptr<EmfRecorder> canvas;
    return canvas;
}

}  // namespace

TzvPageLimits PageLimits(const TzvPage& page)
{
    const PageInfo& info = page.Info;
    const Rect& m = page.Margins;
    TzvPageLimits l;
    l.Left = m.left != 0 ? m.left : info[kPrintableLeft];
    l.Top = m.top != 0 ? m.top : info[kPrintableTop];
    l.Right = Clamp(m.right != 0 ? static_cast<int64_t>(info[kPageWidth]) - m.right
                                 : static_cast<int64_t>(info[kPrintableLeft]) + info[kPrintableWidth]);
    int64_t bottom = m.bottom != 0 ? static_cast<int64_t>(info[kPageHeight]) - m.bottom
                                   : static_cast<int64_t>(info[kPrintableTop]) + info[kPrintableHeight];
    if (const TzvBand* footer = page.Bands[bkPageFooter]; footer && footer->HasObjects()) bottom -= footer->Height;
    l.Bottom = Clamp(bottom);
    return l;
}

int32_t PageColumns(const TzvPage& page) { return std::max(page.ColumnCount, 1); }

void AddOutputPage(TzvPage& page)
{
    TzvReport& report = Preparing();
    if (report.MaxPages > 0 && report.EMFPages.Count() >= report.MaxPages) {
        // Nothing is drawn once the error is recorded; the scratch canvas takes the rest.
        ReportError(kMsgTooManyPages + std::to_string(report.MaxPages));
        PrepareState().PageIndex = report.EMFPages.Count();
        return;
    }
    report.EMFPages.Add(page);
    PrepareState().PageIndex = report.EMFPages.Count() - 1;
}

void CloseOutputPages()
{
    TzvPrepareState& ps = PrepareState();
    TzvEMFPages& pages = Preparing().EMFPages;
    for (; ps.PageIndex < pages.Count(); ++ps.PageIndex)
        if (pages.Pages(ps.PageIndex).Canvas) pages.FinishPage(ps.PageIndex);
}

Canvas& OutputCanvas()
{
    const TzvPrepareState& ps = PrepareState();
    if (const TzvReport* r = ps.PreparingReport; r && ps.PageIndex >= 0 && ps.PageIndex < r->EMFPages.Count())
        if (EmfRecorder* c = r->EMFPages.Pages(ps.PageIndex).Canvas.get()) return *c;
    // Measuring outside any open page still needs a canvas with fonts.
    std::unique_ptr<EmfRecorder>& scratch = ScratchCanvas();
    if (!scratch || scratch->recordCount() > 100000) scratch = std::make_unique<EmfRecorder>(1, 1);
    return *scratch;
}

bool ShowBandOf(TzvPage& page, TzvBand* band)
{
    if (!band) return false;
    if (page.QueueMode) {
        Act(page, *band, skShow);
        return false;
    }
    return ShowBand(*band);
}

void PreparePage(TzvPage& page)
{
    TzvGlobalState& st = zvState();
    TzvPrepareState& ps = PrepareState();
    BuildBands(page);
    if (Failed()) return;
    if (!page.ObjectsPrepared) {
        for (const auto& owned : page.Objects) {
            TzvView& o = *owned;
            if (!dynamic_cast<TzvBandView*>(&o))
                o.BandKindOfOwner = o.ParentBand ? o.ParentBand->BandKind : uint8_t{bkNone};
        }
        // The collecting expansion: every memo expands once so that the aggregates it meets are
        // registered with the data band that governs its band.
        const bool firstPass = ps.FirstPass;
        ps.FirstPass = false;
        for (const auto& owned : page.Objects) {
            auto* memo = dynamic_cast<TzvCustomMemoView*>(owned.get());
            if (!memo || Failed()) continue;
            st.CurrentObject = memo;
            st.CurrentBand = memo->ParentBand;
            ps.AggregateTarget = page.Bands[GoverningDataBandKind(memo->BandKindOfOwner)];
            memo->HadLineBreaks = 0;
            memo->FirstLine = 0;
            SetExprErrorMode(emRecord);
            try {
                memo->ExpandVariables();
            } catch (const std::exception&) {
                // Nothing is printed yet; errors count when the memo is drawn.
            }
            SetExprErrorMode(emRaise);
        }
        ps.FirstPass = firstPass;
        ps.AggregateTarget = nullptr;
        st.CurrentObject = nullptr;
        st.CurrentBand = nullptr;
    }
    page.ObjectsPrepared = true;
    page.RowCounter = 1;
    page.TableColumnNo = 1;
}

void FormPage(TzvPage& page)
{
    TzvGlobalState& st = zvState();
    TzvPrepareState& ps = PrepareState();
    TzvPage* const savedPage = st.CurrentPage;
    st.CurrentPage = &page;
    const TzvPageLimits limits = PageLimits(page);
    const bool footerOnContinued = ps.Continuing && ps.FooterAlreadyPrinted;
    if (!page.QueueMode) {
        if (ps.Continuing && ps.ContinueY == ps.ContinueBottomY) {
            // The previous design page ended full: this one starts on a page of its own.
            ps.Continuing = ps.FooterAlreadyPrinted = false;
            CloseOutputPages();
        }
        page.CurBottomY = ps.Continuing && ps.FooterAlreadyPrinted ? ps.ContinueBottomY : limits.Bottom;
        page.CurColumn = 0;
        if (ps.Continuing) {
            page.CurY = ps.ContinueY;
            page.FreshColumn = false;
        } else {
            AddOutputPage(page);
            page.CurY = limits.Top;
            page.FreshColumn = true;
            ShowBandOf(page, page.Bands[bkBackground]);
            ShowBandOf(page, page.Bands[bkNone]);
        }
        page.ColumnX = limits.Left;
        const TzvBand* table = page.Bands[bkTableData];
        const TzvBand* master = page.Bands[bkMainData];
        const TzvBand* current = st.CurrentBand;
        if (table->HasObjects() && table->DataSource && master->DataSource && current && current != master &&
            current->Y < master->Y)
            master->DataSource->First();
        ShowBandOf(page, page.Bands[bkReportTitle]);
        if (page.Bands[bkPageHeader]->HasObjects() && page.PageHeaderOnFirst != 0)
            ShowBandOf(page, page.Bands[bkPageHeader]);
        ShowBandOf(page, page.Bands[bkColumnHeader]);
    }
    page.Pending.clear();
    page.MaxLevel = 0;
    for (int level = 1; level <= 3; ++level)
        if (page.Bands[kLevelData[level]]->HasObjects()) page.MaxLevel = level;
    page.HasGroups = page.Bands[bkGroupHeader]->HasObjects();
    DoLoop(page, 1);
    if (page.QueueMode) {
        st.CurrentPage = savedPage;
        return;
    }
    ShowBandOf(page, page.Bands[bkColumnFooter]);
    ShowBandOf(page, page.Bands[bkReportFooter]);
    ps.ContinueY = page.CurColumn > 0 ? limits.Bottom : page.CurY;  // a page with columns counts as full
    ps.ContinueBottomY = page.CurBottomY;
    page.ColumnX = limits.Left;
    const bool footer = page.PageFooterOnLast != 0 && page.Bands[bkPageFooter]->HasObjects();
    if (footer) {
        ps.FooterAlreadyPrinted = footerOnContinued;
        const int32_t index = ps.PageIndex;
        PrintPageFooters(page, false);
        ps.PageIndex = index;
    }
    ps.FooterAlreadyPrinted = footer;
    ++ps.PageIndex;
    st.CurrentPage = savedPage;
}

void DoLoop(TzvPage& page, int level)
{
    page.CurrentLevel = level;
    bool filled = false;
    const size_t levelMark = page.Pending.size();
    const TzvBand* previous = nullptr;
    for (TzvBand* data = page.Bands[kLevelData[level]]; data && data->DataSource && !Cancelled();
         previous = data, data = data->NextBand) {
        TzvDataset& source = *data->DataSource;
        zvState().CurrentBand = data;
        Move(page, *data, skFirst);
        if (source.Eof()) continue;  // nothing of this band prints, not even headers or footers
        const bool groups = level == 1 && page.HasGroups;
        if (groups) {
            TzvBand& head = *page.Bands[bkGroupHeader];
            InitGroupValues(head);
            Act(page, head, skHeaderCount);
            for (TzvBand* g = &head; g; g = g->NextBand) ShowBandOf(page, g);
        }
        ForBandsBetween(page, kLevelHeader[level], previous ? previous->Y : 0, data->Y,
                        [&page](TzvBand* h) { page.Pending.push_back(h); });
        while (!source.Eof() && !Cancelled()) {
            Ui().processMessages();
            if (Cancelled()) break;
            const size_t mark = page.Pending.size();
            page.Pending.push_back(data);
            bool printed = true;
            if (level < page.MaxLevel) {
                DoLoop(page, level + 1);
                zvState().CurrentBand = data;
                if (page.Pending.size() > mark) {
                    // The deeper level printed no row for this record.
                    if (data->PrintIfSubsetEmpty) {
                        PrintPending(page);
                    } else {
                        page.Pending.resize(mark);
                        printed = false;
                    }
                }
            } else {
                PrintPending(page);
            }
            if (groups) Act(page, *data, skResetFooters);
            Move(page, *data, skNext);
            const bool groupStarted = groups && ScanGroups(page, *data, previous, filled);
            if (!groupStarted) Act(page, *data, skAggregateNext);
            if (printed) {
                Act(page, *data, skRowEnd);
                if (!page.QueueMode && !source.Eof() && data->ForceNewPage) NewPage(page);
            }
        }
        if (page.Pending.size() > levelMark) {
            page.Pending.resize(levelMark);  // what this level collected never found a row
        } else {
            if (!page.QueueMode && !filled && data->CompleteList) {
                FillRows(page, *data);
                filled = true;
            }
            PrintLevelFooters(page, level, *data);
        }
    }
}

void NewPage(TzvPage& page)
{
    TzvPrepareState& ps = PrepareState();
    Preparing().Progress(ps.PageIndex + 1);
    ShowBandOf(page, page.Bands[bkColumnFooter]);
    PrintPageFooters(page, true);
    const TzvPageLimits limits = PageLimits(page);
    page.CurBottomY = limits.Bottom;
    AddOutputPage(page);
    ps.Continuing = false;
    ShowBandOf(page, page.Bands[bkBackground]);
    page.CurY = limits.Top;
    ShowBandOf(page, page.Bands[bkPageHeader]);
    ShowBandOf(page, page.Bands[bkColumnHeader]);
    page.FreshColumn = true;
}

void PrintPageFooters(TzvPage& page, bool close)
{
    TzvPrepareState& ps = PrepareState();
    TzvEMFPages& pages = Preparing().EMFPages;
    page.CurColumn = 0;
    page.ColumnX = PageLimits(page).Left;
    for (; ps.PageIndex < pages.Count(); ++ps.PageIndex) {
        if (!pages.Pages(ps.PageIndex).Canvas) continue;
        if (!(ps.Continuing && ps.FooterAlreadyPrinted)) ShowBandOf(page, page.Bands[bkPageFooter]);
        if (close) pages.FinishPage(ps.PageIndex);
    }
}

void ReleasePage(TzvPage& page)
{
    ReleaseBands(page);
    if (page.BandsBuilt) {
        for (const auto& owned : page.Objects) {
            TzvView& o = *owned;
            if (!dynamic_cast<TzvBandView*>(&o)) o.SetGeometry(o.DesignGeometry);
            o.Unplaced = false;
            o.PendingSplit = false;
            o.ParentBand = nullptr;
            o.SavedHeight = -1;
            o.SavedTop = -1;
        }
    }
    page.BandsBuilt = false;
    page.ObjectsPrepared = false;
    page.StepQueue.clear();
    page.QueueMode = false;
    page.QueuePos = 0;
    page.PendingBand = nullptr;
    page.ReplayCompleteList = nullptr;
    page.Playing = false;
    page.TablePrinting = false;
    page.Pending.clear();
}

}  // namespace zv
