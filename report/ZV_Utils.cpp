// Data sources: naming, the range walk, opening and restoring the bound dataset, filtering, and
// the lookup of data sources, datasets and fields by name.
#include "report/ZV_Utils.h"

#include <algorithm>
#include <climits>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Template.h"

namespace zv {

namespace {

int64_t gNextSourceNumber = 1;
// While a data source applies its filter, plain field names are its own dataset's fields.
TDataSet* gFilteringDataSet = nullptr;

// The platform's message when a component of another class is taken as a dataset.
constexpr const char kInvalidCast[] = "Invalid class typecast";
// The longest component or field name a qualified reference may carry after its first point.
constexpr size_t kMaxNamePart = 255;

Component* ReportOwner()
{
    TzvReport* r = zvState().CurrentReport;
    return r ? r->owner() : nullptr;
}

Component* FindIn(Component* container, std::string_view name)
{
    return container ? container->findComponent(name) : nullptr;
}

Component* GlobalComponent(std::string_view name) { return ApplicationRegistry::instance().findGlobalComponent(name); }

// The dataset of the data source that serves the object being evaluated, chosen by the kind of
// the band that prints it.
TDataSet* DataSetOfEvaluatedObject()
{
    if (gFilteringDataSet) return gFilteringDataSet;
    const TzvGlobalState& st = zvState();
    if (!st.CurrentPage || !st.CurrentObject) return nullptr;
    int kind = bkMainData;
    switch (st.CurrentObject->BandKindOfOwner) {
    case bkDetailHeader:
    case bkDetailData:
    case bkDetailFooter: kind = bkDetailData; break;
    case bkSubDetailHeader:
    case bkSubDetailData:
    case bkSubDetailFooter: kind = bkSubDetailData; break;
    case bkTableHeader:
    case bkTableData:
    case bkTableFooter: kind = bkTableData; break;
    case bkBackground:
    case bkNone: return nullptr;
    default: break;
    }
    const TzvBand* band = st.CurrentPage->Bands[static_cast<size_t>(kind)];
    auto* db = band ? dynamic_cast<TzvDBDataSet*>(band->DataSource) : nullptr;
    return db ? db->CheckedDataSet() : nullptr;
}

}  // namespace

// ---- TzvDataset --------------------------------------------------------------------------------

TzvDataset::TzvDataset(Component* owner) : Component(owner)
{
    if (!owner) setName("N" + IntToStr(gNextSourceNumber++));
}

TzvDataset::~TzvDataset() { ForgetDataSourceEverywhere(this); }

void TzvDataset::First()
{
    RecNo = 0;
    PassedCount = 0;
    if (OnFirst) OnFirst(this);
}

void TzvDataset::Prior()
{
    --RecNo;
    if (OnPrior) OnPrior(this);
}

void TzvDataset::Next()
{
    ++RecNo;
    ++PassedCount;
    if (OnNext) OnNext(this);
}

bool TzvDataset::Eof()
{
    bool result = RangeEnd == reCount && RecNo >= RangeEndCount;
    if (OnCheckEOF) OnCheckEOF(this, result);
    return result;
}

namespace {

constexpr const char* kRangeBeginNames[] = {"rbFirst", "rbCurrent"};
constexpr const char* kRangeEndNames[] = {"reLast", "reCurrent", "reCount"};

template <size_t N>
uint8_t EnumValue(const PropValue& v, const char* const (&names)[N])
{
    if (v.kind == PropValue::Kind::Ident)
        for (size_t i = 0; i < N; ++i)
            if (SameText(v.text, names[i])) return static_cast<uint8_t>(i);
    throw Exception("Invalid property value");
}

const std::string& HandlerName(const PropValue& v)
{
    if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
    return v.text;
}

// The handler of that name offered by the nearest owner that offers handlers.
template <typename Find>
auto FindHandler(const Component* from, const std::string& name, Find find) -> decltype(find(nullptr))
{
    for (const Component* c = from ? from->owner() : nullptr; c; c = c->owner())
        if (auto* provider = dynamic_cast<TzvDataSetEventProvider*>(const_cast<Component*>(c)))
            if (auto handler = find(provider)) return handler;
    throw Exception("Method " + name + " not found");
}

}  // namespace

bool TzvDataset::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "RangeBegin")
        RangeBegin = static_cast<TRangeBegin>(EnumValue(v, kRangeBeginNames));
    else if (name == "RangeEnd")
        RangeEnd = static_cast<TRangeEnd>(EnumValue(v, kRangeEndNames));
    else if (name == "RangeEndCount")
        RangeEndCount = static_cast<int32_t>(std::clamp<int64_t>(v.asInt(), INT32_MIN, INT32_MAX));
    else if (name == "OnFirst")
        onFirstName_ = HandlerName(v);
    else if (name == "OnNext")
        onNextName_ = HandlerName(v);
    else if (name == "OnPrior")
        onPriorName_ = HandlerName(v);
    else if (name == "OnCheckEOF")
        onCheckEOFName_ = HandlerName(v);
    else
        return false;
    return true;
}

void TzvDataset::writeProperties(FormWriter& w) const
{
    if (RangeBegin != rbFirst) w.writeIdent("RangeBegin", kRangeBeginNames[RangeBegin & 1]);
    if (RangeEnd != reLast) w.writeIdent("RangeEnd", kRangeEndNames[std::min<int>(RangeEnd, 2)]);
    if (RangeEndCount != 0) w.writeInt("RangeEndCount", RangeEndCount);
    const std::pair<const char*, const std::string*> events[] = {{"OnFirst", &onFirstName_},
                                                                 {"OnNext", &onNextName_},
                                                                 {"OnPrior", &onPriorName_},
                                                                 {"OnCheckEOF", &onCheckEOFName_}};
    for (const auto& [event, handler] : events)
        if (!handler->empty()) w.writeIdent(event, *handler);
}

void TzvDataset::loaded()
{
    auto notify = [this](const std::string& name, std::function<void(TzvDataset*)>& event) {
        if (!name.empty())
            event = FindHandler(this, name, [&name](TzvDataSetEventProvider* p) {
                return p ? p->FindNotifyHandler(name) : std::function<void(TzvDataset*)>();
            });
    };
    notify(onFirstName_, OnFirst);
    notify(onNextName_, OnNext);
    notify(onPriorName_, OnPrior);
    if (!onCheckEOFName_.empty())
        OnCheckEOF = FindHandler(this, onCheckEOFName_, [this](TzvDataSetEventProvider* p) {
            return p ? p->FindCheckEOFHandler(onCheckEOFName_) : std::function<void(TzvDataset*, bool&)>();
        });
}

// ---- TzvDBDataSet ------------------------------------------------------------------------------

bool TzvDBDataSet::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "DataSet") {
        if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
        dataSetName_ = v.text;
    } else if (name == "Filter") {
        Filter = v.asString();
    } else if (name == "Filtered") {
        Filtered = v.asBool();
    } else {
        return TzvDataset::readProperty(name, v);
    }
    return true;
}

void TzvDBDataSet::writeProperties(FormWriter& w) const
{
    TzvDataset::writeProperties(w);
    if (dataSet_)
        w.writeIdent("DataSet", dataSet_->owner() == owner() ? dataSet_->name() : QualifiedComponentName(dataSet_));
    else if (!dataSetName_.empty())
        w.writeIdent("DataSet", dataSetName_);
    if (!Filter.empty()) w.writeString("Filter", Filter);
    if (Filtered) w.writeBool("Filtered", true);
}

void TzvDBDataSet::loaded()
{
    TzvDataset::loaded();
    if (dataSetName_.empty()) return;
    Component* c = owner() ? owner()->findComponent(dataSetName_) : nullptr;
    if (!c) c = ApplicationRegistry::instance().findQualified(dataSetName_);
    auto* ds = dynamic_cast<TDataSet*>(c);
    if (!ds) throw Exception("Component " + dataSetName_ + " not found");
    SetDataSet(ds);
}

TzvDBDataSet::~TzvDBDataSet() { SetDataSet(nullptr); }

void TzvDBDataSet::SetDataSet(TDataSet* dataSet)
{
    if (dataSet_ == dataSet) return;
    if (dataSet_) removeFreeNotification(dataSet_);
    dataSet_ = dataSet;
    if (dataSet_) freeNotification(dataSet_);
}

void TzvDBDataSet::notification(Component* c, Operation op)
{
    TzvDataset::notification(c, op);
    if (op == Operation::Remove && c == dataSet_) {
        dataSet_ = nullptr;
        frozeControls_ = false;
    }
}

TDataSet* TzvDBDataSet::CheckedDataSet()
{
    if (!dataSet_) {
        ErrorText = kMsgDataSetNotAssigned + name();
        return nullptr;
    }
    if (dataSet_->active())
        ErrorText.clear();
    else if (Initialised)
        ErrorText = kMsgDataSetClosed + dataSet_->name();
    return dataSet_;
}

void TzvDBDataSet::Init()
{
    // A source bound by several bands keeps the state the dataset had before the first binding.
    if (bindings_++ > 0) return;
    if (TDataSet* ds = CheckedDataSet()) {
        WasActive = ds->active();
        if (!WasActive) {
            try {
                ds->open();
                ErrorText.clear();
            } catch (const std::exception& e) {
                ErrorText = kMsgDataSetOpenFailed + ds->name() + "\r\n" + e.what();
            }
        }
        if (ErrorText.empty()) {
            RememberedRecNo = ds->recNo();
            ControlsWereDisabled = ds->controlsDisabled();
            if (DisableControls && !ControlsWereDisabled) {
                ds->disableControls();
                frozeControls_ = true;
            }
        }
    }
    EndReached = false;
    Initialised = true;
    if (ErrorText.empty()) SkipFiltered(true);
}

void TzvDBDataSet::Exit()
{
    if (bindings_ > 1) {
        --bindings_;
        return;
    }
    bindings_ = 0;
    Initialised = false;
    TDataSet* ds = CheckedDataSet();
    if (!ds) return;
    // Thaw only what Init froze, so that a failed Init leaves the freeze count alone.
    if (frozeControls_) {
        ds->enableControls();
        frozeControls_ = false;
    }
    if (WasActive) {
        try {
            ds->setRecNo(RememberedRecNo);
        } catch (const std::exception&) {
            // The remembered record may be gone; the dataset stays where it is.
        }
    } else {
        ds->close();
    }
}

void TzvDBDataSet::First()
{
    if (TDataSet* ds = CheckedDataSet(); ds && ds->active()) {
        if (RangeBegin == rbCurrent) {
            if (ds->eof()) ds->refresh();
            try {
                ds->setRecNo(RememberedRecNo);
            } catch (const std::exception&) {
                // No such record any more: the walk starts where the dataset stands.
            }
        } else {
            ds->first();
        }
    }
    // The counters start here, so that PassedCount includes the records the filter skips now.
    RecNo = 0;
    PassedCount = 0;
    SkipFiltered(true);
    EndReached = false;
    if (OnFirst) OnFirst(this);
}

void TzvDBDataSet::Next()
{
    EndReached = false;
    TDataSet* ds = CheckedDataSet();
    // A reCurrent walk ends after the remembered record. The cursor still moves, so that a
    // look-ahead Prior returns to that record.
    if (RangeEnd == reCurrent && ds && ds->active() && ds->recNo() == RememberedRecNo) EndReached = true;
    if (ds && ds->active()) ds->next();
    SkipFiltered(true);
    TzvDataset::Next();
}

void TzvDBDataSet::Prior()
{
    EndReached = false;
    TDataSet* ds = CheckedDataSet();
    if (RangeEnd == reCurrent && ds && ds->active() && ds->recNo() == RememberedRecNo) EndReached = true;
    if (ds && ds->active()) ds->prior();
    SkipFiltered(false);
    TzvDataset::Prior();
}

bool TzvDBDataSet::Eof()
{
    if (TzvDataset::Eof()) return true;
    if (TDataSet* ds = CheckedDataSet(); ds && ds->eof()) return true;
    return EndReached;
}

void TzvDBDataSet::SkipFiltered(bool forward)
{
    if (!Filtered) return;
    TDataSet* ds = CheckedDataSet();
    if (!ds || !ds->active()) return;
    struct Scope {
        TDataSet* saved = gFilteringDataSet;
        explicit Scope(TDataSet* d) { gFilteringDataSet = d; }
        ~Scope() { gFilteringDataSet = saved; }
    } scope(ds);
    try {
        const Variant zero(int32_t{0});
        Variant v;
        if (forward) {
            while (!ds->eof()) {
                EvaluateExpression(Filter, v);
                if (VarCompare(v, zero) != 0) break;
                ds->next();
                ++PassedCount;
            }
        } else {
            while (!ds->bof()) {
                EvaluateExpression(Filter, v);
                if (VarCompare(v, zero) != 0) break;
                ds->prior();
            }
        }
    } catch (const std::exception&) {
        throw Exception(kMsgFilterError);
    }
}

// ---- lookup ------------------------------------------------------------------------------------

bool IsLastRecord(TzvDataset* source)
{
    if (!source) return false;
    if (source->RangeEnd == reCount) return source->RecNo >= source->RangeEndCount - 1;
    if (auto* db = dynamic_cast<TzvDBDataSet*>(source)) {
        TDataSet* ds = db->DataSet();
        return source->RecNo >= (ds ? ds->recordCount() : 0) - 1;
    }
    return false;
}

TzvDataset* FindDataSource(TzvBand* band, const std::string& name)
{
    if (!band || band->BandKind == bkGroupHeader) return nullptr;
    band->DataSource = nullptr;
    TzvGlobalState& st = zvState();
    TzvReport* report = st.CurrentReport;
    TzvDataset* source = nullptr;
    if (report && report->owner()) {
        if (Component* c = report->owner()->findComponent(name)) {
            source = dynamic_cast<TzvDataset*>(c);
            if (!source) throw Exception(kInvalidCast);
        }
    }
    if (!source && report) source = report->FindRegisteredDataSource(name);
    if (!source) {
        if (!name.empty()) ReportError(kMsgDataSetNotFound + name);
        return nullptr;
    }
    auto* db = dynamic_cast<TzvDBDataSet*>(source);
    if (db && report) db->DisableControls = report->DisableDataSetControls;
    try {
        source->Init();
    } catch (const std::exception& e) {
        // A filter that fails on the first record: the dataset goes back as it was.
        source->Exit();
        st.CurrentObject = nullptr;
        const auto* ex = dynamic_cast<const Exception*>(&e);
        ReportError(ex ? ex->message() : std::string(e.what()));
        return nullptr;
    }
    if (db && !db->ErrorText.empty()) {
        source->Exit();
        st.CurrentObject = nullptr;
        ReportError(db->ErrorText);
        return nullptr;
    }
    band->DataSource = source;
    NotifyDataSetWork(band, dsoInit);
    return source;
}

TDataSet* FindPlatformDataSet(const std::string& name)
{
    Component* c = nullptr;
    if (const size_t dot = name.find('.'); dot != std::string::npos)
        c = FindIn(GlobalComponent(std::string_view(name).substr(0, dot)),
                   std::string_view(name).substr(dot + 1, kMaxNamePart));
    else
        c = FindIn(ReportOwner(), name);
    if (!c) {
        ReportError(kMsgDataSetNotFound + name);
        return nullptr;
    }
    auto* ds = dynamic_cast<TDataSet*>(c);
    if (!ds) throw Exception(kInvalidCast);
    return ds;
}

std::string Unquote(std::string_view text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return std::string(text);
}

TField* FindField(std::string_view reference, TDataSet*& dataSet)
{
    const size_t dot = reference.find('.');
    if (dot == std::string_view::npos || reference.front() == '"') {
        if (!dataSet) dataSet = DataSetOfEvaluatedObject();
        return dataSet ? dataSet->findField(Unquote(reference)) : nullptr;
    }
    const std::string_view a = reference.substr(0, dot);
    const std::string_view rest = reference.substr(dot + 1, kMaxNamePart);
    const size_t second = rest.find('.');
    if (!rest.empty() && rest.front() != '"' && second != std::string_view::npos) {
        // Form.Dataset.Field
        dataSet = dynamic_cast<TDataSet*>(FindIn(GlobalComponent(a), rest.substr(0, second)));
        return dataSet ? dataSet->findField(Unquote(rest.substr(second + 1))) : nullptr;
    }
    if (auto* ds = dynamic_cast<TDataSet*>(FindIn(ReportOwner(), a))) {
        dataSet = ds;
        return ds->findField(Unquote(rest));
    }
    // Form.Dataset: the dataset alone.
    dataSet = dynamic_cast<TDataSet*>(FindIn(GlobalComponent(a), rest));
    return nullptr;
}

void NotifyDataSetWork(TzvBand* band, TzvDataSetOperation operation)
{
    TzvReport* report = zvState().CurrentReport;
    if (!report || !band || !band->DataSource) return;
    TzvDataset* source = band->DataSource;
    const TzvView* match = nullptr;
    for (int p = 0; p < report->Pages.Count() && !match; ++p) {
        for (const auto& v : report->Pages[p].Objects) {
            const int kind = v->Borders & 0xFF;
            if (v->Kind == otBand && IsDataBandKind(kind) && kind == band->BandKind &&
                SameText(v->FormatText, source->name())) {
                match = v.get();
                break;
            }
        }
    }
    if (!match || !report->OnDataSetWork) return;
    auto* db = dynamic_cast<TzvDBDataSet*>(source);
    int32_t count = source->RangeEndCount;
    report->OnDataSetWork(match->Name, db ? db->DataSet() : nullptr, count, operation);
    source->RangeEndCount = count;
}

// ---- qualified names ---------------------------------------------------------------------------

Component* ResolveQualifiedName(std::string_view qualifiedName)
{
    const ApplicationRegistry& app = ApplicationRegistry::instance();
    if (Component* c = app.findQualified(qualifiedName)) return c;
    // A data module owned by a form: the last one of that name, in the order of forms and components.
    const size_t dot = qualifiedName.find('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string_view ownerName = qualifiedName.substr(0, dot);
    Component* owner = nullptr;
    for (Component* form : app.forms())
        for (Component* c : form->components())
            if (SameText(c->name(), ownerName) &&
                std::find(app.dataModules().begin(), app.dataModules().end(), c) != app.dataModules().end())
                owner = c;
    return owner ? owner->findComponent(qualifiedName.substr(dot + 1)) : nullptr;
}

std::string QualifiedComponentName(const Component* c)
{
    if (!c) return {};
    return c->owner() ? c->owner()->name() + "." + c->name() : c->name();
}

std::vector<std::pair<std::string, TDataSet*>> ListDataSets(const Component* reportOwner)
{
    std::vector<std::pair<std::string, TDataSet*>> out;
    auto addFrom = [&](const Component* container) {
        for (Component* c : container->components()) {
            if (auto* ds = dynamic_cast<TDataSet*>(c)) {
                const bool local = container == reportOwner;
                out.emplace_back(local ? c->name() : container->name() + "." + c->name(), ds);
            }
        }
    };
    const ApplicationRegistry& app = ApplicationRegistry::instance();
    for (const Component* form : app.forms()) {
        addFrom(form);
        // Data modules owned by a form.
        for (const Component* c : form->components())
            if (std::find(app.dataModules().begin(), app.dataModules().end(), c) != app.dataModules().end()) addFrom(c);
    }
    for (const Component* module : app.dataModules())
        if (!module->owner() || std::find(app.forms().begin(), app.forms().end(), module->owner()) == app.forms().end())
            addFrom(module);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return CompareText(a.first, b.first) < 0; });
    return out;
}

std::vector<std::string> DataSetFieldNames(TDataSet* dataSet)
{
    std::vector<std::string> names;
    if (!dataSet) return names;
    const bool wasActive = dataSet->active();
    try {
        if (!wasActive) dataSet->open();
        names = dataSet->fieldNames();
    } catch (const std::exception&) {
        // What could be listed is listed.
    }
    try {
        if (!wasActive && dataSet->active()) dataSet->close();
    } catch (const std::exception&) {}
    return names;
}

namespace {

// The special values the pickers offer, skipping the free expression: display and internal name.
std::vector<std::pair<std::string, std::string>> SpecialValueChoices()
{
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i < kSpecialVarNames.size(); ++i)
        if (static_cast<int>(i) != kSpecialVarExpression) out.emplace_back(kSpecialVarNames[i], kSpecialVarInternal[i]);
    return out;
}

}  // namespace

std::vector<std::string> DataChoiceSources(const Component* reportOwner)
{
    std::vector<std::string> out;
    for (const auto& entry : ListDataSets(reportOwner)) out.push_back(entry.first);
    out.emplace_back(kFieldsOther);
    return out;
}

std::vector<std::string> DataChoiceEntries(const Component* reportOwner, const std::string& source)
{
    std::vector<std::string> out;
    if (source == kFieldsOther) {
        for (const auto& special : SpecialValueChoices()) out.push_back(special.first);
        return out;
    }
    for (const auto& [name, dataSet] : ListDataSets(reportOwner))
        if (name == source) return DataSetFieldNames(dataSet);
    return out;
}

std::string DataChoiceReference(const std::string& source, const std::string& entry)
{
    if (source == kFieldsOther) {
        for (const auto& special : SpecialValueChoices())
            if (special.first == entry) return special.second;
        return {};
    }
    return source + ".\"" + entry + "\"";
}

std::vector<std::string> VariableCategories(const std::vector<std::string>& variables)
{
    std::vector<std::string> out;
    for (const std::string& line : variables)
        if (!line.empty() && line[0] != ' ') out.push_back(line);
    return out;
}

std::vector<std::string> VariablesOfCategory(const std::vector<std::string>& variables, std::string_view category)
{
    std::vector<std::string> out;
    bool inside = false;
    for (const std::string& line : variables) {
        if (!line.empty() && line[0] != ' ')
            inside = line == category;
        else if (inside && !line.empty())
            out.push_back(line.substr(1));
    }
    return out;
}

}  // namespace zv
