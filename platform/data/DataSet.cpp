// Datasets: field values and conversions, the cursor with its edit states, listeners, data sources.
#include "platform/data/DataSet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Text.h"
#include "platform/data/DataSetFilter.h"

namespace zv {

namespace {

// The platform's message texts.
constexpr const char* kNotEditing = "Dataset not in edit or insert mode";
constexpr const char* kClosed = "Cannot perform this operation on a closed dataset";
constexpr const char* kEmpty = "Cannot perform this operation on an empty dataset";
constexpr const char* kReadOnlyDataSet = "Cannot modify a read-only dataset";
constexpr const char* kRecordNotFound = "Record not found";

constexpr int64_t kMsPerDay = 86400000;
// Days of 0001-01-01 and 9999-12-31 counted from 1899-12-30.
constexpr int64_t kMinDay = -693593;
constexpr int64_t kMaxDay = 2958465;

std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

std::string FieldMessage(const char* format, std::string_view name)
{
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (*p == '%' && p[1] == 's') {
            out += name;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string IntText(double v)
{
    if (std::fabs(v) < 9.2e18 && v == std::trunc(v)) return IntToStr(static_cast<int64_t>(v));
    return FloatToStr(v, DefaultFormatSettings());
}

}  // namespace

namespace detail {

bool SplitDateTime(double v, int64_t& day, int64_t& msOfDay)
{
    if (!std::isfinite(v) || v < kMinDay - 1 || v > kMaxDay + 1) return false;
    double whole = std::trunc(v);
    int64_t ms = std::llround(std::fabs(v - whole) * static_cast<double>(kMsPerDay));
    day = static_cast<int64_t>(whole);
    if (ms >= kMsPerDay) {  // rounding carried into the next calendar day
        ms -= kMsPerDay;
        day += 1;
    }
    msOfDay = ms;
    return day >= kMinDay && day <= kMaxDay;
}

double ComposeDateTime(int64_t day, int64_t msOfDay)
{
    double t = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
    return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

bool NormalizeFieldDateTime(TFieldType type, double& v)
{
    int64_t day = 0, ms = 0;
    if (!SplitDateTime(v, day, ms)) return false;
    if (type == ftDate) ms = 0;
    if (type == ftTime) day = 0;
    v = ComposeDateTime(day, ms);
    return true;
}

}  // namespace detail

// ---- listeners -------------------------------------------------------------------------------

DataSetListener::~DataSetListener()
{
    if (source_) source_->removeListener(this);
}

DataEventSource::~DataEventSource() { detachAll(); }

void DataEventSource::addListener(DataSetListener* listener)
{
    if (!listener) return;
    if (listener->source_ == this) return;
    if (listener->source_) listener->source_->removeListener(listener);
    Entry e;
    e.object = listener;
    entries_.push_back(std::move(e));
    listener->source_ = this;
}

void DataEventSource::removeListener(DataSetListener* listener)
{
    if (!listener || listener->source_ != this) return;
    for (auto& e : entries_)
        if (e.object == listener && !e.removed) e.removed = true;
    listener->source_ = nullptr;
    if (delivering_ == 0) std::erase_if(entries_, [](const Entry& e) { return e.removed; });
}

int DataEventSource::addListener(Callback callback)
{
    Entry e;
    e.token = nextToken_++;
    e.callback = std::move(callback);
    entries_.push_back(std::move(e));
    return entries_.back().token;
}

void DataEventSource::removeListener(int token)
{
    for (auto& e : entries_)
        if (e.token == token && token != 0) e.removed = true;
    if (delivering_ == 0) std::erase_if(entries_, [](const Entry& e) { return e.removed; });
}

size_t DataEventSource::listenerCount() const
{
    return static_cast<size_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.removed; }));
}

void DataEventSource::deliver(DataEvent event, const TField* field)
{
    // Entries added meanwhile are not told this event; removed ones are skipped. The callback is
    // copied because a listener may add entries, which can move the vector.
    ++delivering_;
    const size_t n = entries_.size();
    try {
        for (size_t i = 0; i < n && i < entries_.size(); ++i) {
            if (entries_[i].removed) continue;
            if (entries_[i].object) {
                entries_[i].object->dataEvent(event, field);
            } else if (entries_[i].callback) {
                Callback cb = entries_[i].callback;
                cb(event, field);
            }
        }
    } catch (...) {
        if (--delivering_ == 0) std::erase_if(entries_, [](const Entry& e) { return e.removed; });
        throw;
    }
    if (--delivering_ == 0) std::erase_if(entries_, [](const Entry& e) { return e.removed; });
}

void DataEventSource::detachAll()
{
    if (entries_.empty()) return;
    try {
        deliver(DataEvent::Destroying, nullptr);
    } catch (...) {
        // A listener that throws while its source goes away cannot stop it.
    }
    for (auto& e : entries_)
        if (e.object && e.object->source_ == this) e.object->source_ = nullptr;
    entries_.clear();
}

// ---- fields ----------------------------------------------------------------------------------

TField::TField(TDataSet* dataSet, int index, const FieldDef& def) : dataSet_(dataSet), index_(index), def_(def) {}

int TField::displayWidth() const
{
    if (displayWidth_ >= 0) return displayWidth_;
    if (HasSizeLimit(def_.dataType) && def_.size > 0) return def_.size;
    return 10;
}

const FieldData& TField::data() const { return dataSet_->currentData(index_); }

bool TField::isNull() const { return data().null; }

Variant TField::value() const
{
    const FieldData& d = data();
    if (d.null) return Variant::null();
    switch (def_.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return Variant(static_cast<int32_t>(d.i));
    case ftLargeint:
    case ftLongWord:
        if (d.i >= INT32_MIN && d.i <= INT32_MAX) return Variant(static_cast<int32_t>(d.i));
        return Variant(static_cast<double>(d.i));
    case ftBoolean: return Variant(d.i != 0);
    case ftFloat:
    case ftCurrency: return Variant(d.d);
    case ftBCD: return Variant::fromCurrency(d.i);
    case ftDate:
    case ftTime:
    case ftDateTime: return Variant::fromDateTime(d.d);
    default: return Variant(d.s);
    }
}

std::string TField::asString() const
{
    const FieldData& d = data();
    if (d.null) return std::string();
    const FormatSettings& fs = DefaultFormatSettings();
    switch (def_.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord: return IntToStr(d.i);
    case ftBoolean: return d.i ? "True" : "False";
    case ftFloat:
    case ftCurrency: return FloatToStr(d.d, fs);
    case ftBCD: return CurrToStr(d.i, fs);
    case ftDate: return DateToStr(d.d, fs);
    case ftTime: return TimeToStr(d.d, fs);
    case ftDateTime: return DateTimeToStr(d.d, fs);
    default: return d.s;
    }
}

int32_t TField::asInteger() const
{
    const FieldData& d = data();
    if (d.null) return 0;
    int64_t v = asLargeint();
    if (v < INT32_MIN || v > INT32_MAX) rangeError(static_cast<double>(v), INT32_MIN, INT32_MAX);
    return static_cast<int32_t>(v);
}

int64_t TField::asLargeint() const
{
    const FieldData& d = data();
    if (d.null) return 0;
    switch (def_.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord:
    case ftBoolean: return d.i;
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime: {
        double r = std::nearbyint(d.d);
        if (!(std::fabs(r) < 9.2e18)) rangeError(d.d, -9.2e18, 9.2e18);
        return static_cast<int64_t>(r);
    }
    case ftBCD: return static_cast<int64_t>(std::nearbyint(static_cast<double>(d.i) / kCurrencyScale));
    default:
        if (IsTextType(def_.dataType)) return StrToInt64(Trim(d.s));
        throw Exception(FieldMessage("Invalid value for field '%s'", def_.name));
    }
}

double TField::asFloat() const
{
    const FieldData& d = data();
    if (d.null) return 0;
    switch (def_.dataType) {
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime: return d.d;
    case ftBCD: return static_cast<double>(d.i) / kCurrencyScale;
    default:
        if (IsTextType(def_.dataType)) return StrToFloat(d.s, DefaultFormatSettings());
        if (IsBinaryType(def_.dataType)) throw Exception(FieldMessage("Invalid value for field '%s'", def_.name));
        return static_cast<double>(d.i);
    }
}

bool TField::asBoolean() const
{
    const FieldData& d = data();
    if (d.null) return false;
    if (IsTextType(def_.dataType)) {
        std::string t = Trim(d.s);
        char c = t.empty() ? '\0' : UpperChar(t[0]);
        if (c == 'T' || c == 'Y') return true;
        if (c == 'F' || c == 'N') return false;
        throw ConvertError("'" + d.s + "' is not a valid boolean value");
    }
    if (IsBinaryType(def_.dataType)) throw Exception(FieldMessage("Invalid value for field '%s'", def_.name));
    return asFloat() != 0;
}

double TField::asDateTime() const
{
    const FieldData& d = data();
    if (d.null) return 0;
    if (IsTextType(def_.dataType)) return StrToDateTime(d.s, DefaultFormatSettings());
    return asFloat();
}

int64_t TField::asCurrency() const
{
    const FieldData& d = data();
    if (d.null) return 0;
    if (def_.dataType == ftBCD) return d.i;
    if (IsTextType(def_.dataType)) return StrToCurr(d.s, DefaultFormatSettings());
    double v = asFloat() * kCurrencyScale;
    if (!(std::fabs(v) < 9.2e18)) rangeError(asFloat(), -9.2e14, 9.2e14);
    return static_cast<int64_t>(std::nearbyint(v));
}

std::string TField::blobBytes() const
{
    const FieldData& d = data();
    if (d.null) return std::string();
    if (IsTextType(def_.dataType) || IsBinaryType(def_.dataType)) return d.s;
    return asString();
}

void TField::rangeError(double v, double lo, double hi) const
{
    throw Exception(IntText(v) + " is not a valid value for field " + Quoted(def_.name) + ". The allowed range is " +
                    IntText(lo) + " to " + IntText(hi));
}

void TField::store(FieldData d) { dataSet_->setCurrentData(index_, std::move(d), this); }

void TField::clear() { store(FieldData{}); }

void TField::setAsLargeint(int64_t v)
{
    FieldData d;
    d.null = false;
    switch (def_.dataType) {
    case ftSmallint:
        if (v < -32768 || v > 32767) rangeError(static_cast<double>(v), -32768, 32767);
        d.i = v;
        break;
    case ftWord:
        if (v < 0 || v > 65535) rangeError(static_cast<double>(v), 0, 65535);
        d.i = v;
        break;
    case ftInteger:
    case ftAutoInc:
        if (v < INT32_MIN || v > INT32_MAX) rangeError(static_cast<double>(v), INT32_MIN, INT32_MAX);
        d.i = v;
        break;
    case ftLongWord:
        if (v < 0 || v > UINT32_MAX) rangeError(static_cast<double>(v), 0, UINT32_MAX);
        d.i = v;
        break;
    case ftLargeint: d.i = v; break;
    case ftBoolean: d.i = v != 0; break;
    case ftBCD:
        if (v > INT64_MAX / kCurrencyScale || v < INT64_MIN / kCurrencyScale)
            rangeError(static_cast<double>(v), -9.2e14, 9.2e14);
        d.i = v * kCurrencyScale;
        break;
    default:
        if (IsTextType(def_.dataType) || IsBinaryType(def_.dataType)) {
            setAsString(IntToStr(v));
            return;
        }
        setAsFloat(static_cast<double>(v));
        return;
    }
    store(std::move(d));
}

void TField::setAsInteger(int32_t v) { setAsLargeint(v); }

void TField::setAsFloat(double v)
{
    if (!std::isfinite(v)) throw Exception(FieldMessage("Invalid floating point value for field '%s'", def_.name));
    FieldData d;
    d.null = false;
    switch (def_.dataType) {
    case ftFloat:
    case ftCurrency: d.d = v; break;
    case ftDate:
    case ftTime:
    case ftDateTime:
        if (!detail::NormalizeFieldDateTime(def_.dataType, v))
            throw Exception(FieldMessage("Invalid date or time value for field '%s'", def_.name));
        d.d = v;
        break;
    case ftBCD: {
        double s = std::nearbyint(v * kCurrencyScale);
        if (!(std::fabs(s) < 9.2e18)) rangeError(v, -9.2e14, 9.2e14);
        d.i = static_cast<int64_t>(s);
        break;
    }
    case ftBoolean: d.i = v != 0; break;
    default:
        if (IsTextType(def_.dataType) || IsBinaryType(def_.dataType)) {
            setAsString(FloatToStr(v, DefaultFormatSettings()));
            return;
        }
        // integer types: only whole values in range
        double r = std::nearbyint(v);
        if (!(std::fabs(r) < 9.2e18)) rangeError(v, -9.2e18, 9.2e18);
        setAsLargeint(static_cast<int64_t>(r));
        return;
    }
    store(std::move(d));
}

void TField::setAsDateTime(double v) { setAsFloat(v); }

void TField::setAsCurrency(int64_t scaled)
{
    if (def_.dataType == ftBCD) {
        FieldData d;
        d.null = false;
        d.i = scaled;
        store(std::move(d));
        return;
    }
    if (IsTextType(def_.dataType)) {
        setAsString(CurrToStr(scaled, DefaultFormatSettings()));
        return;
    }
    setAsFloat(static_cast<double>(scaled) / kCurrencyScale);
}

void TField::setAsBoolean(bool v)
{
    if (IsTextType(def_.dataType)) {
        setAsString(v ? "True" : "False");
        return;
    }
    setAsLargeint(v ? 1 : 0);
}

void TField::setBlobBytes(std::string_view bytes)
{
    if (!IsTextType(def_.dataType) && !IsBinaryType(def_.dataType)) {
        setAsString(bytes);
        return;
    }
    // Text ends at a NUL character, as the packet formats cannot carry one inside text.
    if (IsTextType(def_.dataType)) bytes = bytes.substr(0, bytes.find('\0'));
    FieldData d;
    d.null = false;
    d.s.assign(bytes.data(),
               HasSizeLimit(def_.dataType) && def_.size > 0 ? std::min<size_t>(bytes.size(), def_.size) : bytes.size());
    store(std::move(d));
}

void TField::setAsString(std::string_view s)
{
    TFieldType t = def_.dataType;
    if (IsTextType(t) || IsBinaryType(t)) {
        setBlobBytes(s);
        return;
    }
    std::string text = Trim(s);
    if (text.empty()) {
        clear();
        return;
    }
    const FormatSettings& fs = DefaultFormatSettings();
    switch (t) {
    case ftBoolean:
        // The display texts, or any prefix of them, without regard to case.
        if (CompareText(text, std::string_view("True").substr(0, text.size())) == 0 && text.size() <= 4)
            setAsBoolean(true);
        else if (CompareText(text, std::string_view("False").substr(0, text.size())) == 0 && text.size() <= 5)
            setAsBoolean(false);
        else
            throw ConvertError("'" + text + "' is not a valid boolean value for field " + Quoted(def_.name));
        return;
    case ftFloat:
    case ftCurrency: setAsFloat(StrToFloat(text, fs)); return;
    case ftBCD: setAsCurrency(StrToCurr(text, fs)); return;
    case ftDate: setAsFloat(StrToDate(text, fs)); return;
    case ftTime: setAsFloat(StrToTime(text, fs)); return;
    case ftDateTime: setAsFloat(StrToDateTime(text, fs)); return;
    default: setAsLargeint(StrToInt64(text)); return;
    }
}

void TField::setValue(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Null: clear(); return;
    case VarType::String: setAsString(v.rawString()); return;
    case VarType::Boolean: setAsBoolean(v.rawBool()); return;
    case VarType::Byte:
    case VarType::Integer: setAsLargeint(v.rawInt()); return;
    case VarType::Currency: setAsCurrency(v.rawCurrency()); return;
    case VarType::DateTime:
        if (IsTextType(def_.dataType)) {
            setAsString(v.toString());
            return;
        }
        setAsFloat(v.rawDouble());
        return;
    case VarType::Double: setAsFloat(v.rawDouble()); return;
    }
}

// ---- the dataset -----------------------------------------------------------------------------

TDataSet::TDataSet(Component* owner) : Component(owner) {}

TDataSet::~TDataSet() { detachAll(); }

void TDataSet::checkActive() const
{
    if (!active()) throw Exception(kClosed);
}

void TDataSet::dataEvent(DataEvent event, const TField* field)
{
    if (disableCount_ > 0) {
        suppressed_ = true;
        return;
    }
    deliver(event, field);
}

void TDataSet::setState(TDataSetState s)
{
    if (s == state_) return;
    state_ = s;
    dataEvent(DataEvent::StateChanged);
}

void TDataSet::scrolled()
{
    if (!view_.empty()) internalMovedTo(view_[static_cast<size_t>(cur_)]);
    dataEvent(DataEvent::Scrolled);
    if (afterScroll) afterScroll(*this);
}

std::shared_ptr<FilterProgram> TDataSet::compileFilter(std::string_view text) const
{
    std::vector<TFieldType> types;
    for (const auto& f : fields_) types.push_back(f->dataType());
    auto prog = FilterProgram::compile(text, std::move(types), [this](std::string_view name) {
        const TField* f = findField(name);
        return f ? f->index() : -1;
    });
    prog->setCaseInsensitive(filterCaseInsensitive_);
    return prog;
}

void TDataSet::open()
{
    if (active()) return;
    internalOpen();
    state_ = dsBrowse;
    std::shared_ptr<FilterProgram> prog;
    if (filtered_ && !Trim(filter_).empty()) {
        try {
            prog = compileFilter(filter_);
        } catch (...) {
            state_ = dsInactive;
            internalClose();
            throw;
        }
    }
    program_ = std::move(prog);
    rebuildView();
    cur_ = 0;
    bof_ = true;
    eof_ = view_.empty();
    dataEvent(DataEvent::ActiveChanged);
    if (afterScroll) afterScroll(*this);
}

void TDataSet::close()
{
    if (!active()) return;
    buffer_.clear();
    modified_ = false;
    state_ = dsInactive;
    internalClose();
    view_.clear();
    program_.reset();
    cur_ = 0;
    bof_ = eof_ = true;
    dataEvent(DataEvent::ActiveChanged);
}

const FieldData& TDataSet::currentData(int fieldIndex) const
{
    static const FieldData kNull;
    const size_t i = static_cast<size_t>(fieldIndex);
    if (state_ == dsEdit || state_ == dsInsert) return i < buffer_.size() ? buffer_[i] : kNull;
    int raw = -1;
    if (filterRaw_ >= 0)
        raw = filterRaw_;
    else if (state_ == dsBrowse && !view_.empty())
        raw = view_[static_cast<size_t>(cur_)];
    if (raw < 0) return kNull;
    const Record& r = internalRecord(raw);
    return i < r.size() ? r[i] : kNull;
}

void TDataSet::setCurrentData(int fieldIndex, FieldData d, const TField* field)
{
    if (state_ != dsEdit && state_ != dsInsert) throw Exception(kNotEditing);
    if (field && field->readOnly()) throw Exception("Field " + Quoted(field->fieldName()) + " cannot be modified");
    const size_t i = static_cast<size_t>(fieldIndex);
    if (i >= buffer_.size()) return;
    buffer_[i] = std::move(d);
    modified_ = true;
    dataEvent(DataEvent::FieldChanged, field);
}

bool TDataSet::acceptsRecord(int rawIndex)
{
    if (!filtered_) return true;
    if (program_ && !program_->accepts(internalRecord(rawIndex))) return false;
    if (onFilterRecord) {
        // The handler reads the candidate through the fields, as if the cursor stood on it.
        struct Restore {
            int& r;
            TDataSetState& s;
            TDataSetState saved;
            ~Restore()
            {
                r = -1;
                s = saved;
            }
        } restore{filterRaw_, state_, state_};
        filterRaw_ = rawIndex;
        state_ = dsBrowse;
        return onFilterRecord(*this);
    }
    return true;
}

void TDataSet::rebuildView()
{
    view_.clear();
    const int n = internalRecordCount();
    for (int i = 0; i < n; ++i)
        if (acceptsRecord(i)) view_.push_back(i);
    if (cur_ >= static_cast<int>(view_.size())) cur_ = std::max(0, static_cast<int>(view_.size()) - 1);
}

void TDataSet::recordsReplaced(bool layoutChanged)
{
    buffer_.clear();
    modified_ = false;
    if (!active()) return;
    state_ = dsBrowse;
    if (program_) {
        // The filter names fields by index: compile it again for the new layout.
        try {
            program_ = compileFilter(filter_);
        } catch (const Exception&) {
            program_.reset();
            filtered_ = false;
        }
    }
    rebuildView();
    cur_ = 0;
    bof_ = true;
    eof_ = view_.empty();
    dataEvent(layoutChanged ? DataEvent::LayoutChanged : DataEvent::DataSetChanged);
    if (afterScroll) afterScroll(*this);
}

void TDataSet::setFieldDefs(const std::vector<FieldDef>& defs)
{
    std::vector<std::unique_ptr<TField>> old = std::move(fields_);
    fields_.clear();
    for (size_t i = 0; i < defs.size(); ++i) {
        std::unique_ptr<TField> f;
        for (auto& o : old) {
            if (o && SameText(o->fieldName(), defs[i].name)) {
                f = std::move(o);
                break;
            }
        }
        if (f) {
            f->def_ = defs[i];
            f->index_ = static_cast<int>(i);
        } else {
            f = std::make_unique<TField>(this, static_cast<int>(i), defs[i]);
        }
        fields_.push_back(std::move(f));
    }
}

Record TDataSet::emptyRecord() const { return Record(fields_.size()); }

void TDataSet::checkBrowseMode()
{
    checkActive();
    if (state_ == dsEdit) {
        post();
    } else if (state_ == dsInsert) {
        if (modified_)
            post();
        else
            cancel();
    }
}

void TDataSet::first()
{
    checkBrowseMode();
    cur_ = 0;
    bof_ = true;
    eof_ = view_.empty();
    scrolled();
}

void TDataSet::last()
{
    checkBrowseMode();
    cur_ = std::max(0, static_cast<int>(view_.size()) - 1);
    eof_ = true;
    bof_ = view_.empty();
    scrolled();
}

int TDataSet::moveBy(int distance)
{
    checkBrowseMode();
    const int n = static_cast<int>(view_.size());
    if (n == 0) {
        bof_ = eof_ = true;
        return 0;
    }
    int moved = 0;
    if (distance > 0) {
        bof_ = false;
        int room = n - 1 - cur_;
        moved = std::min(distance, room);
        cur_ += moved;
        eof_ = moved < distance;
    } else if (distance < 0) {
        eof_ = false;
        int room = cur_;
        moved = -std::min(-static_cast<int64_t>(distance), static_cast<int64_t>(room));
        cur_ += moved;
        bof_ = moved > distance;
    }
    if (moved != 0) scrolled();
    return moved;
}

void TDataSet::next() { moveBy(1); }

void TDataSet::prior() { moveBy(-1); }

int TDataSet::recNo() const
{
    if (!active()) return -1;
    const int n = static_cast<int>(view_.size());
    if (state_ == dsInsert) return appending_ || n == 0 ? n + 1 : cur_ + 1;
    return n == 0 ? -1 : cur_ + 1;
}

void TDataSet::setRecNo(int recNo)
{
    checkBrowseMode();
    if (recNo < 1 || recNo > static_cast<int>(view_.size())) throw Exception(kRecordNotFound);
    if (recNo - 1 == cur_ && !bof_ && !eof_) return;
    cur_ = recNo - 1;
    bof_ = eof_ = false;
    scrolled();
}

int TDataSet::recordCount() const { return active() ? static_cast<int>(view_.size()) : 0; }

void TDataSet::refresh()
{
    checkBrowseMode();
    int raw = view_.empty() ? -1 : view_[static_cast<size_t>(cur_)];
    rebuildView();
    auto it = std::lower_bound(view_.begin(), view_.end(), raw);
    cur_ = view_.empty() ? 0 : std::min(static_cast<int>(it - view_.begin()), static_cast<int>(view_.size()) - 1);
    bof_ = eof_ = view_.empty();  // a refresh leaves the end flags of a set that has records
    dataEvent(DataEvent::DataSetChanged);
}

void TDataSet::disableControls()
{
    if (disableCount_++ == 0) {
        disabledActive_ = active();
        disabledState_ = state_;
        suppressed_ = false;
    }
}

void TDataSet::enableControls()
{
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (disabledActive_ != active()) {
        deliver(DataEvent::ActiveChanged, nullptr);
    } else if (suppressed_) {
        if (disabledState_ != state_) deliver(DataEvent::StateChanged, nullptr);
        deliver(DataEvent::DataSetChanged, nullptr);
    }
    suppressed_ = false;
}

TField* TDataSet::findField(std::string_view name) const
{
    for (const auto& f : fields_)
        if (SameText(f->fieldName(), name)) return f.get();
    return nullptr;
}

TField* TDataSet::fieldByName(std::string_view name) const
{
    TField* f = findField(name);
    if (!f) {
        std::string msg = "Field '" + std::string(name) + "' not found";
        if (!this->name().empty()) msg = this->name() + ": " + msg;
        throw Exception(msg);
    }
    return f;
}

std::vector<std::string> TDataSet::fieldNames() const
{
    std::vector<std::string> out;
    for (const auto& f : fields_) out.push_back(f->fieldName());
    return out;
}

void TDataSet::edit()
{
    checkActive();
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (readOnly_) throw Exception(kReadOnlyDataSet);
    if (view_.empty()) {
        append();
        return;
    }
    bufferRaw_ = view_[static_cast<size_t>(cur_)];
    buffer_ = internalRecord(bufferRaw_);
    buffer_.resize(fields_.size());
    modified_ = false;
    setState(dsEdit);
}

void TDataSet::beginNewRecord(bool append)
{
    checkBrowseMode();
    if (readOnly_) throw Exception(kReadOnlyDataSet);
    buffer_ = emptyRecord();
    appending_ = append || view_.empty();
    bufferRaw_ = appending_ ? internalRecordCount() : view_[static_cast<size_t>(cur_)];
    bof_ = eof_ = false;
    setState(dsInsert);
    if (onNewRecord) {
        try {
            onNewRecord(*this);
        } catch (...) {
            cancel();
            throw;
        }
    }
    modified_ = false;  // default values alone do not make the record worth keeping
    dataEvent(DataEvent::DataSetChanged);
}

void TDataSet::insert() { beginNewRecord(false); }

void TDataSet::append() { beginNewRecord(true); }

void TDataSet::post()
{
    checkActive();
    if (state_ != dsEdit && state_ != dsInsert) return;
    if (beforePost) beforePost(*this);
    for (const auto& f : fields_) {
        if (f->required() && buffer_[static_cast<size_t>(f->index())].null)
            throw Exception("Field " + Quoted(f->fieldName()) + " must have a value");
    }
    const bool inserted = state_ == dsInsert;
    int raw = internalPost(bufferRaw_, std::move(buffer_), inserted);
    buffer_.clear();
    modified_ = false;
    appending_ = false;
    state_ = dsBrowse;
    rebuildView();
    auto it = std::lower_bound(view_.begin(), view_.end(), raw);
    cur_ = view_.empty() ? 0 : std::min(static_cast<int>(it - view_.begin()), static_cast<int>(view_.size()) - 1);
    bof_ = eof_ = view_.empty();
    dataEvent(DataEvent::StateChanged);
    dataEvent(DataEvent::DataSetChanged);
    if (afterPost) afterPost(*this);
}

void TDataSet::cancel()
{
    if (state_ != dsEdit && state_ != dsInsert) return;
    buffer_.clear();
    modified_ = false;
    appending_ = false;
    state_ = dsBrowse;
    bof_ = eof_ = view_.empty();
    dataEvent(DataEvent::StateChanged);
    dataEvent(DataEvent::DataSetChanged);
}

void TDataSet::deleteRecord()
{
    checkActive();
    if (state_ == dsInsert) {
        cancel();
        return;
    }
    if (readOnly_) throw Exception(kReadOnlyDataSet);
    if (view_.empty()) throw Exception(kEmpty);
    if (beforeDelete) beforeDelete(*this);
    if (state_ == dsEdit) {
        buffer_.clear();
        modified_ = false;
        state_ = dsBrowse;
        dataEvent(DataEvent::StateChanged);
    }
    internalDelete(view_[static_cast<size_t>(cur_)]);
    rebuildView();
    bof_ = eof_ = view_.empty();
    dataEvent(DataEvent::DataSetChanged);
    if (afterDelete) afterDelete(*this);
}

void TDataSet::setFilter(std::string filter)
{
    if (filter == filter_) return;
    if (active() && filtered_) {
        checkBrowseMode();
        std::shared_ptr<FilterProgram> prog;
        if (!Trim(filter).empty()) {
            prog = compileFilter(filter);
        }
        filter_ = std::move(filter);
        program_ = std::move(prog);
        rebuildView();
        cur_ = 0;
        bof_ = true;
        eof_ = view_.empty();
        dataEvent(DataEvent::DataSetChanged);
        return;
    }
    filter_ = std::move(filter);
}

void TDataSet::setFiltered(bool filtered)
{
    if (filtered == filtered_) return;
    if (!active()) {
        filtered_ = filtered;
        return;
    }
    checkBrowseMode();
    std::shared_ptr<FilterProgram> prog;
    if (filtered && !Trim(filter_).empty()) {
        prog = compileFilter(filter_);
    }
    filtered_ = filtered;
    program_ = std::move(prog);
    rebuildView();
    cur_ = 0;
    bof_ = true;
    eof_ = view_.empty();
    dataEvent(DataEvent::DataSetChanged);
}

void TDataSet::setFilterCaseInsensitive(bool v)
{
    if (v == filterCaseInsensitive_) return;
    filterCaseInsensitive_ = v;
    if (program_) {
        program_->setCaseInsensitive(v);
        if (active() && filtered_) {
            checkBrowseMode();
            rebuildView();
            cur_ = 0;
            bof_ = true;
            eof_ = view_.empty();
            dataEvent(DataEvent::DataSetChanged);
        }
    }
}

// ---- data source -----------------------------------------------------------------------------

class TDataSource::Relay : public DataSetListener {
public:
    explicit Relay(TDataSource& owner) : owner_(owner) {}
    void dataEvent(DataEvent event, const TField* field) override { owner_.forward(event, field); }

private:
    TDataSource& owner_;
};

TDataSource::TDataSource(Component* owner) : Component(owner), relay_(std::make_unique<Relay>(*this)) {}

TDataSource::~TDataSource()
{
    detachAll();
    relay_.reset();  // leaves the dataset while this object is still whole
}

void TDataSource::setDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_) return;
    if (dataSet_) {
        dataSet_->removeListener(relay_.get());
        removeFreeNotification(dataSet_);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->addListener(relay_.get());
        freeNotification(dataSet_);
    }
    if (enabled_) {
        deliver(DataEvent::ActiveChanged, nullptr);
        if (onStateChange) onStateChange(*this);
    }
}

void TDataSource::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    deliver(DataEvent::ActiveChanged, nullptr);
    if (onStateChange) onStateChange(*this);
}

TDataSetState TDataSource::state() const { return dataSet_ && enabled_ ? dataSet_->state() : dsInactive; }

void TDataSource::forward(DataEvent event, const TField* field)
{
    if (event == DataEvent::Destroying) {
        // The dataset is going away: it detaches the relay itself. Controls that already saw it
        // close are not told again.
        const bool wasActive = dataSet_ && dataSet_->active();
        dataSet_ = nullptr;
        if (enabled_ && wasActive) {
            deliver(DataEvent::ActiveChanged, nullptr);
            if (onStateChange) onStateChange(*this);
        }
        return;
    }
    if (!enabled_) return;
    deliver(event, field);
    switch (event) {
    case DataEvent::StateChanged:
        if (onStateChange) onStateChange(*this);
        break;
    case DataEvent::ActiveChanged:
        if (onStateChange) onStateChange(*this);
        if (onDataChange) onDataChange(*this, nullptr);
        break;
    default:
        if (onDataChange) onDataChange(*this, field);
        break;
    }
}

void TDataSource::notification(Component* c, Operation op)
{
    Component::notification(c, op);
    if (op == Operation::Remove && c == dataSet_) {
        dataSet_ = nullptr;
        if (enabled_) deliver(DataEvent::ActiveChanged, nullptr);
    }
}

}  // namespace zv
