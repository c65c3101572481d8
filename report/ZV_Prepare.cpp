// The preparation driver: one or two passes over the design pages inside the progress window,
// the variable bindings, the interleaved page order.
#include <numeric>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/data/DataSet.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_PageLoop.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_Utils.h"

namespace zv {

namespace {

bool Failed() { return zvState().ErrorFlag; }

void ReportException(const std::exception& e)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    ReportError(std::string(kErrFromEngine) + (ex ? ex->message() : std::string(e.what())));
}

void BindValues(TzvReport& report)
{
    report.HasBlobFields = false;
    TzvGlobalState& st = zvState();
    for (int i = 0; i < report.Values.Count(); ++i) {
        TzvValue& value = report.Values.Items(i);
        if (value.Typ != 1) continue;
        TDataSet* dataSet = FindPlatformDataSet(value.DataSetName);
        if (!dataSet) {
            st.CurrentObject = nullptr;
            ReportError(kMsgDataSetNotAssigned + value.DataSetName);
            return;
        }
        if (!dataSet->active()) continue;
        TField* field = dataSet->findField(value.FieldName);
        if (!field) {
            st.CurrentObject = nullptr;
            ReportError(kMsgFieldNotFound + dataSet->name() + "." + value.FieldName);
            return;
        }
        value.DataSet = dataSet;
        value.Field = field;
        if (field->isBlob()) report.HasBlobFields = true;
    }
}

// The next design page after index that is formed on its own; -1 when none.
int NextFormedPage(const TzvReport& report, int index)
{
    for (int j = index + 1; j < report.Pages.Count(); ++j)
        if (!report.Pages[j].UsedAsSubReport) return j;
    return -1;
}

// Design pages played as sub-reports are known before any page is built.
void MarkSubReportPages(TzvReport& report)
{
    for (int i = 0; i < report.Pages.Count(); ++i) report.Pages[i].UsedAsSubReport = false;
    for (int i = 0; i < report.Pages.Count(); ++i)
        for (const auto& o : report.Pages[i].Objects)
            if (auto* sub = dynamic_cast<const TzvSubReportView*>(o.get());
                sub && sub->SubPage >= 0 && sub->SubPage < report.Pages.Count())
                report.Pages[sub->SubPage].UsedAsSubReport = true;
}

// The first output page of every design page, then the second of each, and so on.
void ComputePageOrder(TzvReport& report)
{
    TzvPrepareState& ps = PrepareState();
    const int count = report.EMFPages.Count();
    ps.PageOrder.clear();
    std::vector<int32_t> taken(ps.DesignPageCount.size(), 0);
    for (bool progress = true; progress && static_cast<int>(ps.PageOrder.size()) < count;) {
        progress = false;
        for (size_t i = 0; i < taken.size() && static_cast<int>(ps.PageOrder.size()) < count; ++i) {
            if (taken[i] >= ps.DesignPageCount[i]) continue;
            ps.PageOrder.push_back(ps.DesignFirstPage[i] + taken[i]++);
            progress = true;
        }
    }
    // Pages no design page claimed (none in a complete run) keep their place at the end.
    std::vector<bool> placed(static_cast<size_t>(count), false);
    for (int32_t p : ps.PageOrder) placed[static_cast<size_t>(p)] = true;
    for (int p = 0; p < count; ++p)
        if (!placed[static_cast<size_t>(p)]) ps.PageOrder.push_back(p);
    ps.PagePosition.assign(ps.PageOrder.size(), 0);
    for (size_t j = 0; j < ps.PageOrder.size(); ++j)
        ps.PagePosition[static_cast<size_t>(ps.PageOrder[j])] = static_cast<int32_t>(j + 1);
}

void BuildPages(TzvReport& report)
{
    TzvGlobalState& st = zvState();
    TzvPrepareState& ps = PrepareState();
    st.RunMode = true;
    st.DrawingSuppressed = ps.FirstPass;
    InstallBandHooks();
    report.Values.SetSorted(true);
    const int pageCount = report.Pages.Count();
    ps.DesignFirstPage.assign(static_cast<size_t>(pageCount), 0);
    ps.DesignPageCount.assign(static_cast<size_t>(pageCount), 0);

    Ui().processMessages();
    st.CurrentReport = &report;
    try {
        if (report.OnBeginDoc) report.OnBeginDoc();
    } catch (const std::exception&) {
        // The application's start-of-document handler cannot stop the report.
    }
    try {
        BindValues(report);
    } catch (const std::exception& e) {
        ReportException(e);
    }

    std::vector<TzvPage*> prepared;
    if (!Failed()) {
        report.Progress(ps.PageIndex + 1);
        MarkSubReportPages(report);
        for (int i = 0; i < pageCount && !Failed(); ++i) {
            TzvPage& page = report.Pages[i];
            st.CurrentPageNo = i + 1;
            st.CurrentPage = &page;
            prepared.push_back(&page);
            try {
                PreparePage(page);
            } catch (const std::exception& e) {
                ReportException(e);
            }
        }
    }
    for (int i = 0; i < pageCount && !Failed(); ++i) {
        TzvPage& page = report.Pages[i];
        if (page.UsedAsSubReport) continue;
        st.CurrentPage = &page;
        page.QueueMode = false;
        ps.DesignFirstPage[static_cast<size_t>(i)] = report.EMFPages.Count();
        st.CurrentPageNo = i + 1;
        try {
            if (report.OnBeginPage) report.OnBeginPage(i);
            FormPage(page);
            if (!Failed() && report.OnEndPage) report.OnEndPage(1);
        } catch (const std::exception& e) {
            ReportException(e);
        }
        ps.Continuing = false;
        if (ps.PageIndex > 0) {
            --ps.PageIndex;
            const int next = NextFormedPage(report, i);
            if (next >= 0 && report.Pages[next].ContinuePrevious != 0 && !Failed()) {
                ps.Continuing = true;
            } else {
                CloseOutputPages();
                report.Progress(ps.PageIndex);
            }
        }
        if (!Failed())
            ps.DesignPageCount[static_cast<size_t>(i)] =
                report.EMFPages.Count() - ps.DesignFirstPage[static_cast<size_t>(i)];
        if (report.Terminated) break;
    }
    if (!Failed() && report.OnEndDoc) {
        try {
            report.OnEndDoc();
        } catch (const std::exception& e) {
            ReportException(e);
        }
    }
    for (auto it = prepared.rbegin(); it != prepared.rend(); ++it) ReleasePage(**it);
    // Whatever stopped the pass, the pages made so far are complete pictures.
    for (int i = 0; i < report.EMFPages.Count(); ++i) report.EMFPages.FinishPage(i);
    st.CurrentBand = nullptr;
    st.CurrentObject = nullptr;
    st.CurrentPage = nullptr;
    if (!Failed()) {
        report.Progress(ps.PageIndex);
        if (report.InterleavePages != 0 && !report.Terminated) {
            ComputePageOrder(report);
            if (!ps.FirstPass) report.EMFPages.Reorder(ps.PageOrder);
        }
    }
    report.Values.SetSorted(false);
    st.DrawingSuppressed = false;
}

// The work of one pass (run in the progress window or directly). After the first of two passes
// it runs the second, which knows the total page count, inside the same window.
void RunPass(TzvReport& report, TzvProgressWindow* window)
{
    TzvPrepareState& ps = PrepareState();
    BuildPages(report);
    if (report.Terminated) ps.RunTerminated = true;
    if (ps.FinalPass) {
        if (window && window->IsVisible()) window->Close(report.Terminated);
        return;
    }
    ps.FirstPassCancelled = report.Terminated;
    ps.TotalPages = report.EMFPages.Count();
    const int16_t twoPass = report.TwoPass;
    report.TwoPass = 0;
    report.PrepareReport();
    report.TwoPass = twoPass != 0 ? twoPass : 1;
}

}  // namespace

bool TzvReport::PrepareReport()
{
    TzvGlobalState& st = zvState();
    TzvPrepareState& ps = PrepareState();
    const bool outermost = ps.PrepareDepth == 0;
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    } depth(ps.PrepareDepth);

    if (outermost) {
        st.ErrorFlag = false;
        ps.TotalPages = 0;
        ps.PageOrder.clear();
        ps.PagePosition.clear();
        ps.FirstPassCancelled = false;
        ps.RunTerminated = false;
        ps.CapturedDate = Today();
        ps.CapturedTime = TimeOfDay();
        try {
            ReloadIfChanged();
        } catch (const std::exception& e) {
            ps.PreparingReport = this;
            ReportError(e.what());
            ClearPreparedPages();
            return false;
        }
    }
    st.CurrentPage = nullptr;
    st.CurrentReport = nullptr;
    st.CurrentObject = nullptr;
    ps.CurrentValue = Variant::null();
    Terminated = false;
    ps.Continuing = false;
    ps.PreparingReport = this;
    ps.FirstPass = false;
    ps.FinalPass = true;
    ps.PageIndex = 0;
    ClearPreparedPages();
    std::string prefix = kProgressBuilding;
    if (TwoPass != 0) {
        ps.FirstPass = true;
        ps.FinalPass = false;
        prefix = kProgressFirstPass;
    }

    TzvProgressWindow* window = OnProgress || !ShowProgress ? nullptr : ProgressWindow();
    auto work = [this, window] { RunPass(*this, window); };
    const bool singlePass = TwoPass == 0;
    if (!window) {
        work();
    } else if (singlePass && window->IsVisible()) {
        // The second pass of two, inside the window the first pass opened.
        if (!ps.FirstPassCancelled) TwoPass = 1;
        window->Prefix = prefix;
        work();
    } else {
        std::string caption = kPrepareCaption;
        if (!Title.empty()) caption += kCaptionTitleSeparator + Title;
        window->SetCaption(caption);
        window->Prefix = prefix;
        window->SetLabelText(prefix + "  1");
        window->PreparingReport = this;
        if (singlePass) ps.TotalPages = 0;
        if (!window->Show(this, work)) ps.RunTerminated = true;
    }
    if (singlePass) {
        Ui().processMessages();
        ps.FirstPass = false;
        Terminated = false;
    }
    return !st.ErrorFlag && !ps.RunTerminated;
}

}  // namespace zv
