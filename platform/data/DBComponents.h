// Data components as window descriptions store them: client dataset, its field objects, SQL dataset, data source.
//
//   object ClientDataSet: TClientDataSet
//     FileName = 'Clienti.xml'
//     Data = {5A564450...}        design-time packet: the field definitions, usually no rows
//     Active = True               opens at once, so components read later find an open table
//     object ClientDataSetCS: TStringField
//       DisplayLabel = 'Codice sanitario'
//       FieldName = 'CS'
//       ProviderFlags = [pfInUpdate, pfInWhere, pfInKey]
//       Size = 16
//     end
//   end
#pragma once

#include <string>
#include <vector>

#include "platform/base/FormText.h"
#include "platform/data/ClientDataSet.h"
#include "platform/data/SqlDataSet.h"

namespace zv {

class ComponentClassRegistry;

// Left/Top of a non-visual component's icon on the designed form; kept so descriptions round-trip.
struct DesignPosition {
    int left = 0, top = 0;
    bool read(const std::string& name, const PropValue& value);
    void write(FormWriter& writer) const;
};

// A field object: display and update settings for the dataset field of the same name. It applies
// them when it is placed inside its dataset and whenever the dataset opens.
class TFieldComponent : public Component, public Persistent {
public:
    TFieldComponent(Component* owner, TFieldType type);
    ~TFieldComponent() override;
    std::string className() const override;
    TFieldType dataType() const { return type_; }

    std::string fieldName;
    int size = 0;
    int displayWidth = -1;  // -1: the field's default
    std::string displayLabel;
    uint8_t providerFlags = pfInUpdate | pfInWhere;
    bool visible = true;
    bool readOnly = false;

    // Copies the settings onto the field (no-op for a field of another name).
    void applyTo(TField& field) const;

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void setParentComponent(Component* parent) override;
    const Component* parentComponent() const override { return parent_; }

protected:
    void notification(Component* c, Operation op) override;

private:
    TFieldType type_;
    Component* parent_ = nullptr;
};

// The class name of the field object for a data type ("TStringField"); "TField" for unknown ones.
std::string FieldClassName(TFieldType type);

class TStoredClientDataSet : public TClientDataSet, public Persistent {
public:
    explicit TStoredClientDataSet(Component* owner = nullptr);
    ~TStoredClientDataSet() override;

    // The field objects placed inside this dataset, in order.
    const std::vector<TFieldComponent*>& fieldComponents() const { return fieldComponents_; }
    void attachField(TFieldComponent* f);
    void detachField(TFieldComponent* f);
    void applyFieldSettings();
    // The design-time packet as the description stored it (written back unchanged).
    const std::string& designPacket() const { return designPacket_; }
    DesignPosition position;

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;

protected:
    void internalOpen() override;

private:
    std::vector<TFieldComponent*> fieldComponents_;
    std::string designPacket_;
    bool storedActive_ = false;
};

class TStoredDataSource : public TDataSource, public Persistent {
public:
    explicit TStoredDataSource(Component* owner = nullptr);
    DesignPosition position;

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    // A DataSet named before its dataset was read is found here.
    void loaded() override;

private:
    std::string dataSetName_;
};

// An SQL dataset as a description stores it:
//   object Clienti: TSqlDataSet
//     Database = 'Clienti.db'
//     SQL.Strings = ('SELECT Cognome, Nome' 'FROM Clienti')   lines joined by line breaks
//     Active = True
//   end
class TStoredSqlDataSet : public TSqlDataSet, public Persistent {
public:
    explicit TStoredSqlDataSet(Component* owner = nullptr) : TSqlDataSet(owner) {}
    DesignPosition position;

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
};

// Registers TClientDataSet, TSqlDataSet, TDataSource and the field classes.
void RegisterDataComponentClasses(ComponentClassRegistry& registry);

}  // namespace zv
