// Data sources: TzvDataset (range and walk) and TzvDBDataSet bound to a platform dataset; lookup of
// data sources, datasets and fields by name; the OnDataSetWork notification.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Component.h"
#include "platform/base/FormText.h"
#include "platform/data/DataSet.h"
#include "report/ZV_Report.h"

namespace zv {

class TzvBand;
class TzvDataset;

// A form that offers handlers for the events of its data sources by the names a window
// description gives them.
class TzvDataSetEventProvider {
public:
    virtual ~TzvDataSetEventProvider() = default;
    virtual std::function<void(TzvDataset*)> FindNotifyHandler(std::string_view name) = 0;
    virtual std::function<void(TzvDataset*, bool&)> FindCheckEOFHandler(std::string_view name) = 0;
};

enum TRangeBegin : uint8_t { rbFirst = 0, rbCurrent = 1 };
enum TRangeEnd : uint8_t { reLast = 0, reCurrent = 1, reCount = 2 };

// A data source walked by a data band. Created without an owner it names itself "N" and a
// number unique to the object. Destroying it removes it from the current report's list.
//
// The walk: First, then Next until Eof. RecNo counts the steps of the walk (0 after First, +1 per
// Next, -1 per Prior); PassedCount the records passed, those a filter skipped included. This base
// class has no records: it ends only with reCount or through OnCheckEOF.
class TzvDataset : public Component, public Persistent {
public:
    explicit TzvDataset(Component* owner = nullptr);
    ~TzvDataset() override;
    std::string className() const override { return "TzvDataset"; }

    // Window description: RangeBegin, RangeEnd, RangeEndCount and the handler names of OnFirst,
    // OnNext, OnPrior and OnCheckEOF, found among the owners once the description is read.
    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void loaded() override;

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    int32_t RangeEndCount = 0;
    std::function<void(TzvDataset*)> OnFirst, OnNext, OnPrior;  // raised after the walk moved
    std::function<void(TzvDataset*, bool&)> OnCheckEOF;         // may change the end test
    int32_t RecNo = 0;
    int32_t PassedCount = 0;

    virtual void Init() {}
    virtual void Exit() {}
    virtual void First();
    virtual void Prior();
    virtual void Next();
    // reCount and RecNo >= RangeEndCount; then OnCheckEOF may change the answer.
    virtual bool Eof();

private:
    std::string onFirstName_, onNextName_, onPriorName_, onCheckEOFName_;
};

// A data source bound to a platform dataset. Init opens the dataset when it is closed, remembers
// the current record and freezes the attached controls; Exit puts all of that back.
class TzvDBDataSet : public TzvDataset {
public:
    explicit TzvDBDataSet(Component* owner = nullptr) : TzvDataset(owner) {}
    ~TzvDBDataSet() override;
    std::string className() const override { return "TzvDBDataSet"; }

    // Window description: the base properties, DataSet (a component of the owner or
    // "Form.Component"), Filter and Filtered.
    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void loaded() override;

    // The bound dataset without any check; cleared when that component is destroyed.
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    // The bound dataset as the walk uses it: records in ErrorText why it cannot be used ("Dataset
    // non assegnato: " + Name when none is bound; "Dataset chiuso: " + its name when it is closed
    // between Init and Exit) and clears ErrorText when it is open. Answers it even when closed.
    TDataSet* CheckedDataSet();

    void Init() override;
    void Exit() override;
    void First() override;
    void Prior() override;
    void Next() override;
    // The base answer, or the dataset's end, or the remembered record passed by a reCurrent walk.
    bool Eof() override;
    // With Filtered: moves on (forward) or back until Filter accepts the record. A value that
    // compares equal to the integer 0 rejects it. Any failure becomes kMsgFilterError.
    void SkipFiltered(bool forward);

    bool EndReached = false;      // a reCurrent walk stepped off the remembered record
    bool DisableControls = true;  // freeze the dataset's controls during the walk
    bool Initialised = false;     // between Init and Exit
    bool WasActive = false;       // the dataset was open before Init
    bool ControlsWereDisabled = false;
    std::string ErrorText;  // why the source cannot be used; empty when it can
    std::string Filter;
    bool Filtered = false;
    int32_t RememberedRecNo = 0;  // the dataset's record number at Init

protected:
    void notification(Component* c, Operation op) override;

private:
    TDataSet* dataSet_ = nullptr;
    bool frozeControls_ = false;  // Init froze the controls, so Exit thaws them
    std::string dataSetName_;     // as the window description names it, until it is found
    int32_t bindings_ = 0;        // Init calls not yet matched by Exit
};

// Whether the walk stands on its last record (complete-the-list filling): with reCount, RecNo is
// RangeEndCount - 1 or more; for a bound source, RecNo is the dataset's record count - 1 or more.
bool IsLastRecord(TzvDataset* source);

// Binds the data source named name to band (nothing for a group header): a component of the
// current report's owner, else a data source registered with the report. A found source is
// Init-ed and announced with OnDataSetWork (Init); a source that cannot be used, or a name that
// is not found, goes to ReportError and the band keeps no source. Answers the band's source.
TzvDataset* FindDataSource(TzvBand* band, const std::string& name);

// The platform dataset "Form.Component" among the open forms and data modules, or a component of
// the current report's owner; none (and ReportError) when not found.
TDataSet* FindPlatformDataSet(const std::string& name);

// A field reference of an expression: "Dataset.Field", "Form.Dataset.Field", or a plain (or
// double-quoted) field name of the data source serving the object being evaluated. dataSet is
// the dataset found (also when no field is); a dataset passed in serves a plain name.
TField* FindField(std::string_view reference, TDataSet*& dataSet);

// A text in double quotes without them; any other text unchanged.
std::string Unquote(std::string_view text);

// Raises the report's OnDataSetWork for the band: with the name of the band object of the band's
// kind bound to the same data source, the source's platform dataset and its RangeEndCount, which
// the handler may change.
void NotifyDataSetWork(TzvBand* band, TzvDataSetOperation operation);

// The datasets an editing dialog offers, each with the name a reference uses: every dataset
// component of the open forms, the data modules and the data modules owned by forms, by its own
// name when reportOwner owns it, else as "Owner.Name"; sorted by that name.
std::vector<std::pair<std::string, TDataSet*>> ListDataSets(const Component* reportOwner);
// The field names of a dataset. A closed dataset is opened for that and closed again; a dataset
// that cannot be opened gives none.
std::vector<std::string> DataSetFieldNames(TDataSet* dataSet);
// What the field pickers offer: the sources (ListDataSets' names, then "Altro" for the special
// values), the entries of one source (its field names, or the special values' display names),
// and the reference an entry gives (Source."Field", or the special value's name).
std::vector<std::string> DataChoiceSources(const Component* reportOwner);
std::vector<std::string> DataChoiceEntries(const Component* reportOwner, const std::string& source);
std::string DataChoiceReference(const std::string& source, const std::string& entry);

// A variable list (category lines, then " name" lines under each): the categories, and the
// variables of one category without their leading blank.
std::vector<std::string> VariableCategories(const std::vector<std::string>& variables);
std::vector<std::string> VariablesOfCategory(const std::vector<std::string>& variables, std::string_view category);

// "Owner.Component" among the open forms and data modules; none when either part is not found.
Component* ResolveQualifiedName(std::string_view qualifiedName);
// The name under which a template stores the bound dataset: "Owner.Name", or "Name" without owner.
std::string QualifiedComponentName(const Component* c);

}  // namespace zv
