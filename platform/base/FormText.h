// Window descriptions: the text form that lists a window's components and their stored properties.
//
//   object FormMain: TFormMain
//     Caption = 'Zelvo report BarCode Demo'
//     Font.Height = -11
//     object zvReport: TzvReport
//       AutoLoad = 'BarCodeDemo.zvf'
//       Values.Data = {0100000001...}
//     end
//   end
//
// Values: integers, floats, strings ('It''s', #232 for a character code, pieces joined by '+'),
// identifiers (True, alTop, clBtnFace), sets ([akTop, akRight]), binary data in braces ({0A1B...})
// and string lists in parentheses (('one' 'two')). Strings are Windows-1252.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class Component;

struct PropValue {
    enum class Kind { Integer, Float, String, Ident, Set, Binary, List };
    Kind kind = Kind::Integer;
    int64_t integer = 0;
    double number = 0;
    std::string text;                // String, Ident, Binary (raw bytes)
    std::vector<std::string> items;  // Set (identifiers), List (strings)

    static PropValue Int(int64_t v)
    {
        PropValue p;
        p.kind = Kind::Integer;
        p.integer = v;
        return p;
    }
    static PropValue Float(double v)
    {
        PropValue p;
        p.kind = Kind::Float;
        p.number = v;
        return p;
    }
    static PropValue Str(std::string v)
    {
        PropValue p;
        p.kind = Kind::String;
        p.text = std::move(v);
        return p;
    }
    static PropValue Ident(std::string v)
    {
        PropValue p;
        p.kind = Kind::Ident;
        p.text = std::move(v);
        return p;
    }
    static PropValue Bool(bool v) { return Ident(v ? "True" : "False"); }
    static PropValue Binary(std::string bytes)
    {
        PropValue p;
        p.kind = Kind::Binary;
        p.text = std::move(bytes);
        return p;
    }
    static PropValue Set(std::vector<std::string> v)
    {
        PropValue p;
        p.kind = Kind::Set;
        p.items = std::move(v);
        return p;
    }
    static PropValue List(std::vector<std::string> v)
    {
        PropValue p;
        p.kind = Kind::List;
        p.items = std::move(v);
        return p;
    }

    // Typed reads; they throw Exception("Invalid property value") on the wrong kind.
    int64_t asInt() const;
    bool asBool() const;  // the identifiers True / False
    const std::string& asString() const;
    const std::string& asBinary() const;
};

class FormWriter;

// A component that can be stored in a window description. readProperty() is called for every
// stored property in the order of the description, at the moment it is read; it returns false
// for a name it does not know. writeProperties() writes the component's stored properties.
class Persistent {
public:
    virtual ~Persistent() = default;
    virtual bool readProperty(const std::string& name, const PropValue& value) = 0;
    virtual void writeProperties(FormWriter& writer) const = 0;
    // Called for every component of the description, in order, after the whole description is read.
    virtual void loaded() {}
    // Visual nesting: the object a child was written inside (the root for top-level children).
    // Ownership is separate: every component of a description is owned by its root.
    virtual void setParentComponent(Component* parent) { (void)parent; }
    virtual const Component* parentComponent() const { return nullptr; }
};

// Classes the reader can create, by class name. create() makes a component owned by `owner`.
class ComponentClassRegistry {
public:
    using Factory = std::function<Component*(Component* owner)>;
    static ComponentClassRegistry& instance();
    void add(const std::string& className, Factory factory);
    const Factory* find(std::string_view className) const;

private:
    std::vector<std::pair<std::string, Factory>> classes_;
};

// Reads a description. The root object may be given (an existing form: its class name must match)
// or is created through the registry. Each child is created with the root as owner, named, then
// given its properties in order; a component that is not Persistent accepts no properties.
// Failures throw Exception with the line number: "Line 12: Class TFoo not found",
// "Line 5: Property Bar does not exist", "Line 3: Invalid property value", ...
class FormReader {
public:
    explicit FormReader(std::string_view text,
                        const ComponentClassRegistry& registry = ComponentClassRegistry::instance());
    Component* read(Component* root = nullptr);

private:
    struct Impl;
    std::string_view text_;
    const ComponentClassRegistry& registry_;
};

// Writes a description: the root with its owned components in order, each written inside its
// parent component (or directly inside the root when it has none).
class FormWriter {
public:
    void writeComponent(const Component& root);
    void writeInt(const std::string& name, int64_t v);
    void writeFloat(const std::string& name, double v);
    void writeString(const std::string& name, std::string_view v);
    void writeIdent(const std::string& name, std::string_view v);
    void writeBool(const std::string& name, bool v) { writeIdent(name, v ? "True" : "False"); }
    void writeSet(const std::string& name, const std::vector<std::string>& v);
    void writeBinary(const std::string& name, std::string_view bytes);
    void writeList(const std::string& name, const std::vector<std::string>& v);

    const std::string& text() const { return out_; }

private:
    void writeObject(const Component& c, const Component& root);
    void indent();
    std::string out_;
    int depth_ = 0;
};

// Quoting of a Windows-1252 string as the description writes it: printable ASCII inside quotes,
// other characters as #code.
std::string QuoteFormString(std::string_view s);

}  // namespace zv
