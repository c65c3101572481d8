// Data components as window descriptions store them: client dataset, its field objects, data source.
#include "platform/data/DBComponents.h"

#include <algorithm>

#include "platform/base/Error.h"
#include "platform/base/Text.h"

namespace zv {

namespace {

// Field object classes by data type; a type without a row here gets "TField".
struct FieldClassRow {
    TFieldType type;
    const char* className;
};
constexpr FieldClassRow kFieldClasses[] = {
    {ftString, "TStringField"},
    {ftSmallint, "TSmallintField"},
    {ftInteger, "TIntegerField"},
    {ftWord, "TWordField"},
    {ftBoolean, "TBooleanField"},
    {ftFloat, "TFloatField"},
    {ftCurrency, "TCurrencyField"},
    {ftBCD, "TBCDField"},
    {ftDate, "TDateField"},
    {ftTime, "TTimeField"},
    {ftDateTime, "TDateTimeField"},
    {ftBytes, "TBytesField"},
    {ftVarBytes, "TVarBytesField"},
    {ftAutoInc, "TAutoIncField"},
    {ftBlob, "TBlobField"},
    {ftMemo, "TMemoField"},
    {ftGraphic, "TGraphicField"},
    {ftFixedChar, "TStringField"},
    {ftWideString, "TWideStringField"},
    {ftLargeint, "TLargeintField"},
};

struct ProviderFlagName {
    const char* name;
    uint8_t bit;
};
constexpr ProviderFlagName kProviderFlags[] = {
    {"pfInUpdate", pfInUpdate},
    {"pfInWhere", pfInWhere},
    {"pfInKey", pfInKey},
    {"pfHidden", pfHidden},
};

// Sizes of field objects: a string field holds at most kMaxFieldSize characters.
int SizeProp(const PropValue& v)
{
    int64_t i = v.asInt();
    if (i < 0 || i > kMaxFieldSize) throw Exception("Invalid property value");
    return static_cast<int>(i);
}

}  // namespace

std::string FieldClassName(TFieldType type)
{
    for (const FieldClassRow& r : kFieldClasses)
        if (r.type == type) return r.className;
    return "TField";
}

bool DesignPosition::read(const std::string& name, const PropValue& v)
{
    if (name != "Left" && name != "Top") return false;
    int64_t i = v.asInt();
    if (i < -100000 || i > 100000) throw Exception("Invalid property value");
    (name == "Left" ? left : top) = static_cast<int>(i);
    return true;
}

void DesignPosition::write(FormWriter& w) const
{
    w.writeInt("Left", left);
    w.writeInt("Top", top);
}

// ---- field objects -------------------------------------------------------------------------

TFieldComponent::TFieldComponent(Component* owner, TFieldType type) : Component(owner), type_(type) {}

TFieldComponent::~TFieldComponent()
{
    if (auto* ds = dynamic_cast<TStoredClientDataSet*>(parent_)) ds->detachField(this);
}

std::string TFieldComponent::className() const { return FieldClassName(type_); }

void TFieldComponent::applyTo(TField& f) const
{
    if (!SameText(f.fieldName(), fieldName)) return;
    if (displayWidth >= 0) f.setDisplayWidth(displayWidth);
    if (!displayLabel.empty()) f.setDisplayLabel(displayLabel);
    f.setProviderFlags(providerFlags);
    f.setVisible(visible);
    f.setReadOnly(readOnly);
}

bool TFieldComponent::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "FieldName")
        fieldName = v.asString();
    else if (name == "Size")
        size = SizeProp(v);
    else if (name == "DisplayWidth")
        displayWidth = SizeProp(v);
    else if (name == "DisplayLabel")
        displayLabel = v.asString();
    else if (name == "Visible")
        visible = v.asBool();
    else if (name == "ReadOnly")
        readOnly = v.asBool();
    else if (name == "ProviderFlags") {
        if (v.kind != PropValue::Kind::Set) throw Exception("Invalid property value");
        uint8_t bits = 0;
        for (const std::string& item : v.items) {
            auto it = std::find_if(std::begin(kProviderFlags), std::end(kProviderFlags),
                                   [&](const ProviderFlagName& p) { return SameText(item, p.name); });
            if (it == std::end(kProviderFlags)) throw Exception("Invalid property value");
            bits |= it->bit;
        }
        providerFlags = bits;
    } else
        return false;
    return true;
}

void TFieldComponent::writeProperties(FormWriter& w) const
{
    if (!displayLabel.empty()) w.writeString("DisplayLabel", displayLabel);
    if (displayWidth >= 0) w.writeInt("DisplayWidth", displayWidth);
    w.writeString("FieldName", fieldName);
    if (providerFlags != (pfInUpdate | pfInWhere)) {
        std::vector<std::string> items;
        for (const ProviderFlagName& p : kProviderFlags)
            if (providerFlags & p.bit) items.emplace_back(p.name);
        w.writeSet("ProviderFlags", items);
    }
    if (readOnly) w.writeBool("ReadOnly", true);
    if (!visible) w.writeBool("Visible", false);
    if (size > 0) w.writeInt("Size", size);
}

void TFieldComponent::setParentComponent(Component* parent)
{
    if (parent == parent_) return;
    if (auto* old = dynamic_cast<TStoredClientDataSet*>(parent_)) {
        old->detachField(this);
        removeFreeNotification(old);
    }
    parent_ = parent;
    if (auto* ds = dynamic_cast<TStoredClientDataSet*>(parent)) {
        freeNotification(ds);
        ds->attachField(this);
    }
}

void TFieldComponent::notification(Component* c, Operation op)
{
    Component::notification(c, op);
    if (op == Operation::Remove && c == parent_) parent_ = nullptr;
}

// ---- client dataset ------------------------------------------------------------------------

TStoredClientDataSet::TStoredClientDataSet(Component* owner) : TClientDataSet(owner) {}

TStoredClientDataSet::~TStoredClientDataSet()
{
    const std::vector<TFieldComponent*> fields = fieldComponents_;  // setParentComponent edits the list
    for (TFieldComponent* f : fields) f->setParentComponent(nullptr);
    // Closing here, while this object is whole, saves a changed table with its file name.
    close();
}

void TStoredClientDataSet::attachField(TFieldComponent* f)
{
    if (std::find(fieldComponents_.begin(), fieldComponents_.end(), f) == fieldComponents_.end())
        fieldComponents_.push_back(f);
    if (TField* field = findField(f->fieldName)) f->applyTo(*field);
}

void TStoredClientDataSet::detachField(TFieldComponent* f)
{
    fieldComponents_.erase(std::remove(fieldComponents_.begin(), fieldComponents_.end(), f), fieldComponents_.end());
}

void TStoredClientDataSet::applyFieldSettings()
{
    for (TFieldComponent* f : fieldComponents_)
        if (TField* field = findField(f->fieldName)) f->applyTo(*field);
}

void TStoredClientDataSet::internalOpen()
{
    TClientDataSet::internalOpen();
    applyFieldSettings();
}

bool TStoredClientDataSet::readProperty(const std::string& name, const PropValue& v)
{
    if (position.read(name, v)) return true;
    if (name == "FileName")
        setFileName(v.asString());
    else if (name == "Data") {
        designPacket_ = v.asBinary();
        setDataPacket(designPacket_);
    } else if (name == "Active") {
        // Opened at the moment it is read: the components that follow see an open table.
        storedActive_ = v.asBool();
        setActive(storedActive_);
    } else if (name == "ReadOnly")
        setReadOnly(v.asBool());
    else if (name == "Filter")
        setFilter(v.asString());
    else if (name == "Filtered")
        setFiltered(v.asBool());
    else
        return false;
    return true;
}

void TStoredClientDataSet::writeProperties(FormWriter& w) const
{
    if (!fileName().empty()) w.writeString("FileName", fileName());
    if (!filter().empty()) w.writeString("Filter", filter());
    if (filtered()) w.writeBool("Filtered", true);
    if (!canModify()) w.writeBool("ReadOnly", true);
    if (!designPacket_.empty()) w.writeBinary("Data", designPacket_);
    if (active() || storedActive_) w.writeBool("Active", true);
    position.write(w);
}

// ---- SQL dataset ---------------------------------------------------------------------------

bool TStoredSqlDataSet::readProperty(const std::string& name, const PropValue& v)
{
    if (position.read(name, v)) return true;
    if (name == "Database")
        setDatabase(v.asString());
    else if (name == "SQL")
        setSql(v.asString());
    else if (name == "SQL.Strings") {
        if (v.kind != PropValue::Kind::List) throw Exception("Invalid property value");
        std::string text;
        for (const std::string& line : v.items) text += (text.empty() ? "" : "\r\n") + line;
        setSql(text);
    } else if (name == "Active")
        setActive(v.asBool());  // opened at once, like the client dataset
    else
        return false;
    return true;
}

void TStoredSqlDataSet::writeProperties(FormWriter& w) const
{
    if (!database().empty()) w.writeString("Database", database());
    if (!sql().empty()) w.writeString("SQL", sql());
    if (active()) w.writeBool("Active", true);
    position.write(w);
}

// ---- data source ---------------------------------------------------------------------------

TStoredDataSource::TStoredDataSource(Component* owner) : TDataSource(owner) {}

bool TStoredDataSource::readProperty(const std::string& name, const PropValue& v)
{
    if (position.read(name, v)) return true;
    if (name == "DataSet") {
        if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
        dataSetName_ = v.text;
        Component* c = owner() ? owner()->findComponent(v.text) : nullptr;
        if (auto* ds = dynamic_cast<TDataSet*>(c)) setDataSet(ds);
    } else if (name == "Enabled")
        setEnabled(v.asBool());
    else
        return false;
    return true;
}

void TStoredDataSource::writeProperties(FormWriter& w) const
{
    if (TDataSet* ds = dataSet())
        w.writeIdent("DataSet", ds->name());
    else if (!dataSetName_.empty())
        w.writeIdent("DataSet", dataSetName_);
    if (!enabled()) w.writeBool("Enabled", false);
    position.write(w);
}

void TStoredDataSource::loaded()
{
    if (dataSet() || dataSetName_.empty()) return;
    Component* c = owner() ? owner()->findComponent(dataSetName_) : nullptr;
    if (!c) c = ApplicationRegistry::instance().findQualified(dataSetName_);
    auto* ds = dynamic_cast<TDataSet*>(c);
    if (!ds) throw Exception("Component " + dataSetName_ + " not found");
    setDataSet(ds);
}

// ---- registration --------------------------------------------------------------------------

void RegisterDataComponentClasses(ComponentClassRegistry& registry)
{
    registry.add("TClientDataSet", [](Component* owner) -> Component* { return new TStoredClientDataSet(owner); });
    registry.add("TSqlDataSet", [](Component* owner) -> Component* { return new TStoredSqlDataSet(owner); });
    registry.add("TDataSource", [](Component* owner) -> Component* { return new TStoredDataSource(owner); });
    for (const FieldClassRow& r : kFieldClasses) {
        if (r.type == ftFixedChar) continue;  // shares TStringField
        TFieldType type = r.type;
        registry.add(r.className, [type](Component* owner) -> Component* { return new TFieldComponent(owner, type); });
    }
}

}  // namespace zv
