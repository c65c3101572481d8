// Datasets: fields with typed values, the abstract record cursor, listeners of data events, data sources.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Component.h"
#include "platform/base/Variant.h"
#include "platform/data/Field.h"

namespace zv {

namespace detail {
// Date-time values of fields are kept to the millisecond within the years 1 to 9999. Split gives
// the calendar day (days since 1899-12-30, the integer part) and the milliseconds of the day.
bool SplitDateTime(double v, int64_t& day, int64_t& msOfDay);
double ComposeDateTime(int64_t day, int64_t msOfDay);
// Rounds v to the millisecond and keeps only the date (ftDate) or the time (ftTime) part.
bool NormalizeFieldDateTime(TFieldType type, double& v);
}  // namespace detail

enum TDataSetState : uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert };

// What a listener is told.
enum class DataEvent : uint8_t {
    ActiveChanged,   // opened or closed (a data source also sends it when re-bound or toggled)
    LayoutChanged,   // the fields were replaced (a new packet was loaded)
    DataSetChanged,  // records were added, removed, changed or re-filtered
    Scrolled,        // the current record moved
    StateChanged,    // browse / edit / insert changed
    FieldChanged,    // a field of the current record was set (the field is given)
    Destroying,      // the source is going away; the listener is detached afterwards
};

class TDataSet;
class DataEventSource;
class FilterProgram;

// A listener object. It belongs to at most one source at a time and leaves it when destroyed.
class DataSetListener {
public:
    DataSetListener() = default;
    virtual ~DataSetListener();
    DataSetListener(const DataSetListener&) = delete;
    DataSetListener& operator=(const DataSetListener&) = delete;

    DataEventSource* source() const { return source_; }
    virtual void dataEvent(DataEvent event, const class TField* field) = 0;

private:
    friend class DataEventSource;
    DataEventSource* source_ = nullptr;
};

// Keeps the listeners of a dataset or data source and delivers events to them in the order they
// registered. Listeners may register and unregister while an event is being delivered.
class DataEventSource {
public:
    using Callback = std::function<void(DataEvent, const TField*)>;

    DataEventSource() = default;
    virtual ~DataEventSource();
    DataEventSource(const DataEventSource&) = delete;
    DataEventSource& operator=(const DataEventSource&) = delete;

    void addListener(DataSetListener* listener);  // moves it away from its previous source
    void removeListener(DataSetListener* listener);
    int addListener(Callback callback);  // returns a token for removeListener
    void removeListener(int token);
    size_t listenerCount() const;

protected:
    void deliver(DataEvent event, const TField* field);
    // Sends Destroying and detaches everyone; derived destructors call it first.
    void detachAll();

private:
    struct Entry {
        DataSetListener* object = nullptr;
        int token = 0;
        Callback callback;
        bool removed = false;
    };
    std::vector<Entry> entries_;
    int nextToken_ = 1;
    int delivering_ = 0;
};

// A field of a dataset: its definition, display settings, and the value in the current record.
// Fields are owned by their dataset; reading a field of an inactive or empty dataset gives null.
class TField {
public:
    TField(TDataSet* dataSet, int index, const FieldDef& def);

    TDataSet* dataSet() const { return dataSet_; }
    int index() const { return index_; }
    const std::string& fieldName() const { return def_.name; }
    TFieldType dataType() const { return def_.dataType; }
    int size() const { return def_.size; }
    int precision() const { return def_.precision; }
    bool required() const { return def_.required; }
    const FieldDef& def() const { return def_; }
    bool isBlob() const { return IsBlobType(def_.dataType); }

    // Display settings, kept when the dataset loads a new packet that has a field of this name.
    std::string displayLabel() const { return displayLabel_.empty() ? def_.name : displayLabel_; }
    void setDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
    int displayWidth() const;  // characters; by default the size of text fields, 10 otherwise
    void setDisplayWidth(int width) { displayWidth_ = width; }
    bool visible() const { return visible_; }
    void setVisible(bool v) { visible_ = v; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool v) { readOnly_ = v; }
    uint8_t providerFlags() const { return providerFlags_; }
    void setProviderFlags(uint8_t flags) { providerFlags_ = flags; }

    // The value in the current record. Null reads as 0, "" or false through the as* accessors.
    bool isNull() const;
    // Null; strings and blob bytes as String; integers as Integer (Double beyond 32 bits); booleans
    // as Boolean; floats and currency as Double; BCD as Currency; dates and times as DateTime.
    Variant value() const;
    std::string asString() const;  // text for display; blob and memo bytes as they are
    int32_t asInteger() const;
    int64_t asLargeint() const;
    double asFloat() const;
    bool asBoolean() const;
    double asDateTime() const;
    int64_t asCurrency() const;     // scaled by 10 000
    std::string blobBytes() const;  // the bytes of a blob or text field; "" when null
    const FieldData& data() const;

    // Setting needs the dataset in edit or insert state. A null or empty Variant and an empty
    // string for a non-text field set null. Text longer than Size is cut to Size characters;
    // text (strings and memos) also ends at a NUL character.
    // Values that do not fit the type throw Exception with the platform's message.
    void setValue(const Variant& v);
    void setAsString(std::string_view s);
    void setAsInteger(int32_t v);
    void setAsLargeint(int64_t v);
    void setAsFloat(double v);
    void setAsBoolean(bool v);
    void setAsDateTime(double v);
    void setAsCurrency(int64_t scaled);
    void setBlobBytes(std::string_view bytes);
    void clear();  // set null

private:
    friend class TDataSet;
    void store(FieldData d);
    [[noreturn]] void rangeError(double v, double lo, double hi) const;

    TDataSet* dataSet_;
    int index_;
    FieldDef def_;
    std::string displayLabel_;
    int displayWidth_ = -1;
    bool visible_ = true;
    bool readOnly_ = false;
    uint8_t providerFlags_ = pfInUpdate | pfInWhere;
};

// The abstract dataset: a cursor over records with browse/edit/insert states, fields, a filter,
// and listeners that follow it. A concrete dataset supplies the records (internal* hooks).
//
// Cursor rules: record numbers are 1-based and count only the records the filter lets through;
// RecNo is -1 when there is no record. After Open and First, Bof is true; Eof is true when the
// set is empty, after Last, and after Next on the last record (the cursor stays on it). Moving
// while editing posts the edit first (an unchanged inserted record is dropped instead).
class TDataSet : public Component, public DataEventSource {
public:
    explicit TDataSet(Component* owner = nullptr);
    ~TDataSet() override;
    std::string className() const override { return "TDataSet"; }

    void open();
    void close();
    bool active() const { return state_ != dsInactive; }
    void setActive(bool active) { active ? open() : close(); }
    TDataSetState state() const { return state_; }

    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance);  // returns the distance actually moved
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    int recNo() const;
    void setRecNo(int recNo);  // 1..RecordCount; otherwise "Record not found"
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    // Re-reads the records (re-applies the filter) and tells the listeners; posts a pending edit.
    // The cursor stays on its record (or the nearest) and Bof and Eof are cleared.
    void refresh();

    // Freezing of attached controls: listeners hear nothing until the matching EnableControls.
    // Nested; the last EnableControls sends ActiveChanged, or StateChanged and DataSetChanged,
    // for what happened meanwhile.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    int fieldCount() const { return static_cast<int>(fields_.size()); }
    TField* field(int index) const { return fields_.at(static_cast<size_t>(index)).get(); }
    TField* findField(std::string_view name) const;    // without regard to case; none if absent
    TField* fieldByName(std::string_view name) const;  // "Field 'X' not found" if absent
    std::vector<std::string> fieldNames() const;

    // Editing. Edit on an empty set appends. Delete removes the current record ("Cannot perform
    // this operation on an empty dataset" when there is none); during an insert it cancels.
    void edit();
    void insert();
    void append();
    void post();
    void cancel();
    void deleteRecord();
    bool modified() const { return modified_; }  // the edit buffer was changed
    bool canModify() const { return !readOnly_; }
    void setReadOnly(bool v) { readOnly_ = v; }

    // Filter expression: comparisons (= <> < > <= >=, IS [NOT] NULL) of fields, quoted strings
    // and numbers, joined with AND, OR, NOT and parentheses. A quoted string ending in '*' matches
    // by prefix. Field names with blanks go in square brackets. A malformed filter throws
    // Exception when it is applied and leaves the previous filter in force.
    const std::string& filter() const { return filter_; }
    void setFilter(std::string filter);
    bool filtered() const { return filtered_; }
    void setFiltered(bool filtered);
    bool filterCaseInsensitive() const { return filterCaseInsensitive_; }
    void setFilterCaseInsensitive(bool v);
    // Called for each record while filtering; returns whether it is accepted.
    std::function<bool(TDataSet&)> onFilterRecord;

    // Events.
    std::function<void(TDataSet&)> onNewRecord;  // after Insert/Append set up the empty record
    std::function<void(TDataSet&)> beforePost;   // may throw to refuse the post
    std::function<void(TDataSet&)> afterPost;
    std::function<void(TDataSet&)> beforeDelete;  // may throw to refuse the delete
    std::function<void(TDataSet&)> afterDelete;
    std::function<void(TDataSet&)> afterScroll;

protected:
    // Hooks of the concrete dataset. Raw indexes are 0-based positions in its own record order.
    virtual void internalOpen() = 0;  // must define the fields (setFieldDefs) before returning
    virtual void internalClose() = 0;
    virtual int internalRecordCount() const = 0;
    virtual const Record& internalRecord(int rawIndex) const = 0;
    // Stores a posted record: a new one is inserted before rawIndex (== count appends), an edited
    // one replaces the record at rawIndex. Returns the raw index it now has.
    virtual int internalPost(int rawIndex, Record record, bool inserted) = 0;
    virtual void internalDelete(int rawIndex) = 0;
    // The cursor has just moved onto rawIndex. A dataset that reads its rows as the cursor
    // reaches them does it here, so that a failure surfaces from the move itself.
    virtual void internalMovedTo(int rawIndex) { (void)rawIndex; }

    // For concrete datasets: replace the field list, keeping the TField objects (and their
    // display settings) of names that remain.
    void setFieldDefs(const std::vector<FieldDef>& defs);
    // After the concrete dataset replaced its records while open: re-filter, go to the first
    // record, and tell the listeners (LayoutChanged when the fields changed too).
    void recordsReplaced(bool layoutChanged);
    void dataEvent(DataEvent event, const TField* field = nullptr);
    void checkActive() const;
    void checkBrowseMode();  // posts a pending edit (or drops an unchanged insert)

private:
    friend class TField;
    const FieldData& currentData(int fieldIndex) const;
    void setCurrentData(int fieldIndex, FieldData d, const TField* field);
    void rebuildView();
    bool acceptsRecord(int rawIndex);
    void setState(TDataSetState s);
    void scrolled();
    Record emptyRecord() const;
    void beginNewRecord(bool append);
    // The filter text compiled over the current fields, with the case rule in force.
    std::shared_ptr<FilterProgram> compileFilter(std::string_view text) const;

    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<int> view_;  // raw indexes of the records the filter lets through, ascending
    int cur_ = 0;            // position in view_
    bool bof_ = true;
    bool eof_ = true;
    TDataSetState state_ = dsInactive;
    Record buffer_;      // the record being edited or inserted
    int bufferRaw_ = 0;  // raw index it replaces (edit) or goes before (insert)
    bool appending_ = false;
    bool modified_ = false;
    bool readOnly_ = false;
    std::string filter_;
    bool filtered_ = false;
    bool filterCaseInsensitive_ = false;
    std::shared_ptr<FilterProgram> program_;  // the compiled filter while filtered and active
    int disableCount_ = 0;
    bool disabledActive_ = false;
    TDataSetState disabledState_ = dsInactive;
    bool suppressed_ = false;
    int filterRaw_ = -1;  // the record an OnFilterRecord handler is looking at
};

// Binds controls to a dataset: it passes the dataset's events on to its own listeners while it is
// enabled, and tells them ActiveChanged when it is re-bound or toggled. It lets go of a dataset
// that is destroyed.
class TDataSource : public Component, public DataEventSource {
public:
    explicit TDataSource(Component* owner = nullptr);
    ~TDataSource() override;
    std::string className() const override { return "TDataSource"; }

    TDataSet* dataSet() const { return dataSet_; }
    void setDataSet(TDataSet* dataSet);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // The dataset's state as the controls see it: inactive without a dataset or while disabled.
    TDataSetState state() const;

    std::function<void(TDataSource&, const TField*)> onDataChange;  // data, scroll, field events
    std::function<void(TDataSource&)> onStateChange;

protected:
    void notification(Component* c, Operation op) override;

private:
    class Relay;
    void forward(DataEvent event, const TField* field);
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::unique_ptr<Relay> relay_;
};

}  // namespace zv
