// The report component TzvReport (template side), its variable bindings and the process-wide state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Component.h"
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
    bool RunMode = false;            // on once a preparation has started, for the rest of the process
    bool DrawingSuppressed = false;  // the measuring pass of a two-pass preparation
    int TemplateVersion = kTemplateVersion;  // version of the template being read
    int ScreenPixelsPerInch = 96;
    std::vector<std::string> Scratch;  // scratch lines used while streaming objects
};
TzvGlobalState& zvState();

// Sets the template version for the lifetime of the guard and restores the earlier one after,
// whatever happens: writers of templates and prepared reports work in the current version.
class TemplateVersionGuard {
public:
    explicit TemplateVersionGuard(int version = kTemplateVersion)
        : saved_(zvState().TemplateVersion) { zvState().TemplateVersion = version; }
    ~TemplateVersionGuard() { zvState().TemplateVersion = saved_; }
    TemplateVersionGuard(const TemplateVersionGuard&) = delete;
    TemplateVersionGuard& operator=(const TemplateVersionGuard&) = delete;

private:
    int saved_;
};

// One variable binding.
struct TzvValue {
    uint8_t Typ = 0;  // 0 not assigned (Null), 1 database field, other: special variable/expression
    int32_t OtherKind = 0;  // index into the special-variable table for Typ other than 0 and 1
    std::string DataSetName;
    std::string FieldName;  // field name, or the expression text
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

// A report: one template (design pages, data sources, bindings and variable list).
class TzvReport : public Component {
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

protected:
    // Empties the prepared pages of the last preparation; the prepared-page store hooks in here.
    virtual void ClearPreparedPages() {}

private:
    void ReadTemplate(Stream& stream);
    void CheckOldDataBands();

    std::string autoLoad_;
    std::vector<DataSourceEntry> dataSources_;
    std::string loadedPath_;
    std::optional<double> loadedAge_;
};

}  // namespace zv
