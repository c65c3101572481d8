// The report component TzvReport (template side), its variable bindings and the process-wide state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Component.h"
#include "platform/base/FormText.h"
#include "platform/base/Variant.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Template.h"

namespace zv {

class Stream;
class TzvView;
class TzvBand;
class TzvPage;
class TzvDataset;
class TDataSet;
class TField;

// State shared by the whole library; one preparation or one load at a time.
struct TzvGlobalState {
    TzvReport* CurrentReport = nullptr;
    TzvView* CurrentObject = nullptr;
    TzvBand* CurrentBand = nullptr;
    TzvPage* CurrentPage = nullptr;
    int32_t CurrentPageNo = 0;  // 1-based
    bool ErrorFlag = false;
    std::string ErrorText;
    bool RunMode = false;                    // on once a preparation has started, for the rest of the process
    bool DrawingSuppressed = false;          // the measuring pass of a two-pass preparation
    int TemplateVersion = kTemplateVersion;  // version of the template being read
    int ScreenPixelsPerInch = 96;
    std::vector<std::string> Scratch;  // scratch lines used while streaming objects
    // The lowest bottom seen while a run-time band measures its memos; a measuring draw of a
    // stretched memo raises it to its Top + measured height + 2.
    int32_t MeasuredBottom = 0;
};
TzvGlobalState& zvState();

// Sets the template version for the lifetime of the guard and restores the earlier one after,
// whatever happens: writers of templates and prepared reports work in the current version.
class TemplateVersionGuard {
public:
    explicit TemplateVersionGuard(int version = kTemplateVersion) : saved_(zvState().TemplateVersion)
    {
        zvState().TemplateVersion = version;
    }
    ~TemplateVersionGuard() { zvState().TemplateVersion = saved_; }
    TemplateVersionGuard(const TemplateVersionGuard&) = delete;
    TemplateVersionGuard& operator=(const TemplateVersionGuard&) = delete;

private:
    int saved_;
};

// One variable binding.
struct TzvValue {
    uint8_t Typ = 0;        // 0 not assigned (Null), 1 database field, other: special variable/expression
    int32_t OtherKind = 0;  // index into the special-variable table for Typ other than 0 and 1
    std::string DataSetName;
    std::string FieldName;        // field name, or the expression text
    TDataSet* DataSet = nullptr;  // found when a preparation starts; not stored
    TField* Field = nullptr;      // found when a preparation starts; not stored
};

// The variable bindings: names (case ignored) each with its binding, in the order read.
class TzvValues {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TzvValue& Items(int index) { return *items_.at(static_cast<size_t>(index)).second; }
    const TzvValue& Items(int index) const { return *items_.at(static_cast<size_t>(index)).second; }
    const std::string& Names(int index) const { return items_.at(static_cast<size_t>(index)).first; }
    TzvValue* FindVariable(std::string_view name) const;
    int AddValue(std::string name = {});  // index of a new empty binding
    void Clear() { items_.clear(); }
    // Sorted by name while a preparation runs; reading bindings stops keeping them sorted.
    void SetSorted(bool sorted);
    bool Sorted() const { return sorted_; }

    // A 32-bit count, then per binding Typ, OtherKind, DataSetName, FieldName, name (short strings).
    void ReadBindings(Stream& stream);
    void WriteBindings(Stream& stream) const;

private:
    std::vector<std::pair<std::string, std::unique_ptr<TzvValue>>> items_;
    bool sorted_ = false;
};

// ---- report component: events and options -----------------------------------------------------

// What a data band does with its data source when OnDataSetWork is raised.
enum TzvDataSetOperation : uint8_t { dsoInit = 0, dsoExit = 1, dsoFirst = 2, dsoNext = 3, dsoPrior = 4 };

// Options of an editing host (stored only): a set of these bits.
enum TzvDsgOption : uint8_t { doSaveConfirm = 1 };
using TzvDsgOptions = uint8_t;

// The events of a report, with the parameters they are published with; all optional.
using TBeginDocEvent = std::function<void()>;
using TEndDocEvent = std::function<void()>;
using TBeginPageEvent = std::function<void(int32_t pg)>;
using TEndPageEvent = std::function<void(int32_t pg)>;
using TDetailEvent = std::function<void(const std::string& ParName, Variant& ParValue)>;
using TFunctionEvent =
    std::function<void(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3, Variant& Val)>;
using TProgressEvent = std::function<void(int32_t n)>;
using TDataSetWorkEvent = std::function<void(const std::string& BandName, TDataSet* DataSet, int32_t& RecordCount,
                                             TzvDataSetOperation Operation)>;
using TOnDrawObject = std::function<void(TzvView* View)>;
using TOnBeforePrint = std::function<void(bool& Continue)>;
using TOnAfterPrint = std::function<void()>;

// A report: one template (design pages, data sources, bindings and variable list).
class TzvReport : public Component, public Persistent {
public:
    explicit TzvReport(Component* owner = nullptr);
    ~TzvReport() override;
    std::string className() const override { return "TzvReport"; }

    // Template in and out.
    void LoadFromStream(Stream& stream);
    void SaveToStream(Stream& stream);
    void LoadFromFile(std::string fileName);
    void ClearTemplate();
    void ReloadIfChanged();

    const std::string& AutoLoad() const { return autoLoad_; }
    void SetAutoLoad(const std::string& value);

    // Data sources registered by name (a list sorted by name without regard to case).
    struct DataSourceEntry {
        std::string Name;
        TzvDataset* Source;
    };
    const std::vector<DataSourceEntry>& DataSources() const { return dataSources_; }
    void AddDataSource(const std::string& name, TzvDataset* source);
    TzvDataset* FindRegisteredDataSource(std::string_view name) const;
    // Removes the entry of that name; frees its source when it has no owner component.
    void ReleaseDataSource(std::string_view name);
    // Releases every registered data source.
    void ReleaseDataSources();
    // Forgets a data source that is being destroyed (called by the data source itself).
    void ForgetDataSource(const TzvDataset* source);

    // "Owner.Name", or just the name without an owner (error texts).
    std::string QualifiedName() const;

    // Published properties (template side).
    std::string ReportDir;
    std::string PathFromExe;
    std::string TemplateDir;  // stored only
    std::string Title;
    bool ShowProgress = true;
    bool ModalPreview = true;
    bool DisableDataSetControls = true;
    int32_t PixelsPerInch = 96;
    bool Scaled = true;

    TzvPages Pages;
    TzvValues Values;
    std::vector<std::string> Variables;  // category lines, and " name" lines under them
    std::string FileName;                // bare name of the template loaded last
    int Version = kTemplateVersion;      // version byte of the template loaded last
    int16_t TwoPass = 0;
    int16_t InterleavePages = 0;
    int16_t InterleavedNumbering = 0;

    // Remembered for ReloadIfChanged.
    const std::string& LoadedPath() const { return loadedPath_; }
    std::optional<double> LoadedAge() const { return loadedAge_; }

    // ---- report component: preparation, show operations, events, window description ----------

    TzvDsgOptions DesignerOptions = doSaveConfirm;  // stored only
    TzvEMFPages EMFPages{this};                     // the prepared pages of the last preparation
    bool Terminated = false;                        // set by cancel or by an error of a preparation
    bool HasBlobFields = false;                     // a bound field holds a large object

    TBeginDocEvent OnBeginDoc;
    TEndDocEvent OnEndDoc;
    TBeginPageEvent OnBeginPage;
    TEndPageEvent OnEndPage;
    TDetailEvent OnGetValue;
    TFunctionEvent OnUserFunction;
    TProgressEvent OnProgress;
    TDataSetWorkEvent OnDataSetWork;
    TOnDrawObject OnDrawObject;
    TOnDrawObject OnDrawedObject;
    TOnBeforePrint OnBeforePrint;
    TOnAfterPrint OnAfterPrint;

    // Runs the preparation: one pass, or two when TwoPass asks for the total page count, inside
    // the progress window unless OnProgress is assigned or ShowProgress is off. False when the
    // run failed (the error is in zvState().ErrorText) or was cancelled; the pages made so far
    // stay.
    bool PrepareReport();
    // A preparation that makes more output pages than this ends with kMsgTooManyPages (a data
    // source without an end cannot fill the disk); 0 means no limit.
    int32_t MaxPages = 100000;
    // Prepares, then shows the recorded error in an "Errore" box or opens the preview; empties
    // the prepared pages and clears the recorded-error flag on leaving.
    void ShowReport();
    // Opens a preview of the registered class on the prepared pages (see ZV_Preview.h).
    void ShowPreview();
    // Progress step n: OnProgress, or the progress window's line; then pending messages.
    void Progress(int32_t n);

    // Prints prepared pages from..to (numbered from 1; an end past the last page is cut to it),
    // copies times, collated or page by page, on the printer of Prn(), inside the progress
    // window unless OnProgress is assigned or ShowProgress is off. Errors abort the document
    // silently; cancel (Terminated) aborts it after the current page.
    void PrintPreparedReport(int32_t from, int32_t to, bool collate, int32_t copies);
    // The arguments of the last print request, kept while its job runs.
    struct PrintRequest {
        int32_t From = 0, To = 0;
        bool Collate = false;
        int32_t Copies = 1;
    } LastPrint;

    // The expression engine's name resolver for this report (see ResolveReportValue).
    void ResolveValue(std::string_view name, const TzvArgList* args, Variant& value);

    // Window description: the published properties, "Values.Data" and "Data" (binary),
    // "PixelsPerInch" once more at the end (written only).
    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;

protected:
    // Empties the prepared pages of the last preparation.
    virtual void ClearPreparedPages();

private:
    void ReadTemplate(Stream& stream);
    void CheckOldDataBands();

    std::string autoLoad_;
    std::vector<DataSourceEntry> dataSources_;
    std::string loadedPath_;
    std::optional<double> loadedAge_;
};

// ---- report component: errors and process-wide helpers ------------------------------------------

// Removes a data source that is being destroyed from the list of every report.
void ForgetDataSourceEverywhere(const TzvDataset* source);

// Records the first error of a preparation: the error text gets the message, the current object,
// band and design page; the preparing report is terminated. Later errors are ignored until the
// flag is cleared (ShowReport does it).
void ReportError(const std::string& message);

// The pass state of a preparation that error texts and the progress line read.
struct TzvPrepareState {
    TzvReport* PreparingReport = nullptr;  // Terminated is set on it by ReportError
    bool FirstPass = false;
    bool FinalPass = true;  // false only during the first pass of a two-pass run
    int32_t TotalPages = 0;

    // What expressions read from the preparation ("DATE", "TIME", "PAGE#", "VALUE", statistics).
    double CapturedDate = 0;  // today's date, captured when the preparation starts
    double CapturedTime = 0;  // the time then
    int32_t PageIndex = 0;    // index of the current output page
    // Output-page indexes in their interleaved order, once a pass has computed it, and the
    // position of each output page in that order ("PAGE#" with interleaved numbering).
    std::vector<int32_t> PageOrder;
    std::vector<int32_t> PagePosition;
    // Per design page: its first output page and the number of output pages it produced.
    std::vector<int32_t> DesignFirstPage, DesignPageCount;
    // Continuation: the next design page starts on the last output page, below ContinueY.
    bool Continuing = false;
    int32_t ContinueY = 0, ContinueBottomY = 0;
    bool FooterAlreadyPrinted = false;
    bool FirstPassCancelled = false;
    bool RunTerminated = false;  // some pass of the run was cancelled or failed
    int PrepareDepth = 0;        // PrepareReport calls under way (the second pass is nested)
    // During the collecting expansion: the band that registers the aggregates met; none otherwise.
    TzvBand* AggregateTarget = nullptr;
    // The memo value evaluated most recently ("VALUE"); Null when a preparation starts.
    Variant CurrentValue = Variant::null();
};
TzvPrepareState& PrepareState();

// The band kind of a run-time band, installed by the run-time bands; without it the band line of
// an error text names no kind.
using TzvBandKindFn = int (*)(const TzvBand* band);
void SetBandKindFunction(TzvBandKindFn fn);

// Display name and internal name of special variable index (OtherKind); "" out of range.
const std::string& SpecialVarName(int index);
const std::string& SpecialVarInternalName(int index);

// The 8 x 8 checkerboard of white and silver squares (pixel x, y white when x + y is even).
const Bitmap& CheckerboardBitmap();

}  // namespace zv
