// Reading and writing of window descriptions through the component-class registry.
#include "platform/base/FormText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "platform/base/Component.h"
#include "platform/base/Error.h"
#include "platform/base/Text.h"

namespace zv {
namespace {

// Deeper nesting than this is refused: a description is a window, not a tree of thousands.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxLineWidth = 64;  // characters of one binary data line

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int64_t PropValue::asInt() const
{
    if (kind != Kind::Integer) throw Exception("Invalid property value");
    return integer;
}

bool PropValue::asBool() const
{
    if (kind == Kind::Ident && SameText(text, "True")) return true;
    if (kind == Kind::Ident && SameText(text, "False")) return false;
    throw Exception("Invalid property value");
}

const std::string& PropValue::asString() const
{
    if (kind != Kind::String) throw Exception("Invalid property value");
    return text;
}

const std::string& PropValue::asBinary() const
{
    if (kind != Kind::Binary) throw Exception("Invalid property value");
    return text;
}

ComponentClassRegistry& ComponentClassRegistry::instance()
{
    static ComponentClassRegistry registry;
    return registry;
}

void ComponentClassRegistry::add(const std::string& className, Factory factory)
{
    for (auto& [name, f] : classes_)
        if (SameText(name, className)) {
            f = std::move(factory);
            return;
        }
    classes_.emplace_back(className, std::move(factory));
}

const ComponentClassRegistry::Factory* ComponentClassRegistry::find(std::string_view className) const
{
    for (const auto& [name, f] : classes_)
        if (SameText(name, className)) return &f;
    return nullptr;
}

// ---- reader ---------------------------------------------------------------------------------

struct FormReader::Impl {
    std::string_view s;
    const ComponentClassRegistry& registry;
    size_t pos = 0;
    int line = 1;
    std::vector<Component*> readOrder;

    [[noreturn]] void fail(const std::string& what) const
    {
        throw Exception("Line " + std::to_string(line) + ": " + what);
    }

    void skipBlanks()
    {
        while (pos < s.size()) {
            char c = s[pos];
            if (c == '\n') {
                ++line;
                ++pos;
            } else if (static_cast<unsigned char>(c) <= 32) {
                ++pos;
            } else {
                break;
            }
        }
    }

    bool atEnd()
    {
        skipBlanks();
        return pos >= s.size();
    }
    char peek()
    {
        skipBlanks();
        return pos < s.size() ? s[pos] : '\0';
    }

    void expect(char c)
    {
        if (peek() != c) fail(std::string("'") + c + "' expected");
        ++pos;
    }

    std::string ident()
    {
        skipBlanks();
        if (pos >= s.size() || !IsIdentStart(s[pos])) fail("Identifier expected");
        size_t start = pos;
        while (pos < s.size() && IsIdentChar(s[pos])) ++pos;
        return std::string(s.substr(start, pos - start));
    }

    // A property name: identifiers joined by dots (Font.Height, Values.Data).
    std::string dottedName()
    {
        std::string name = ident();
        while (pos < s.size() && s[pos] == '.') {
            ++pos;
            name += '.';
            name += ident();
        }
        return name;
    }

    bool keyword(std::string_view word)
    {
        skipBlanks();
        size_t n = word.size();
        if (pos + n > s.size() || !SameText(s.substr(pos, n), word)) return false;
        if (pos + n < s.size() && IsIdentChar(s[pos + n])) return false;
        pos += n;
        return true;
    }

    // 'text'#13#10'more' + 'continued'
    std::string stringValue()
    {
        std::string out;
        for (;;) {
            skipBlanks();
            if (pos < s.size() && s[pos] == '\'') {
                ++pos;
                for (;;) {
                    if (pos >= s.size() || s[pos] == '\n') fail("Unterminated string");
                    if (s[pos] == '\'') {
                        if (pos + 1 < s.size() && s[pos + 1] == '\'') {
                            out += '\'';
                            pos += 2;
                            continue;
                        }
                        ++pos;
                        break;
                    }
                    out += s[pos++];
                }
            } else if (pos < s.size() && s[pos] == '#') {
                ++pos;
                size_t start = pos;
                while (pos < s.size() && IsDigit(s[pos])) ++pos;
                int code = 0;
                auto [p, ec] = std::from_chars(s.data() + start, s.data() + pos, code);
                if (ec != std::errc() || p != s.data() + pos || code > 255) fail("Invalid character code");
                out += static_cast<char>(code);
            } else {
                break;
            }
            // a '+' joins the next piece, possibly on the next line
            size_t save = pos;
            int saveLine = line;
            skipBlanks();
            if (pos < s.size() && s[pos] == '+') {
                ++pos;
                skipBlanks();
                if (pos >= s.size() || (s[pos] != '\'' && s[pos] != '#')) fail("String expected");
            } else if (pos < s.size() && (s[pos] == '\'' || s[pos] == '#') && save < s.size() &&
                       (s[save] == '\'' || s[save] == '#')) {
                // pieces written back to back on one line
            } else {
                pos = save;
                line = saveLine;
                break;
            }
        }
        return out;
    }

    PropValue value()
    {
        char c = peek();
        if (c == '\'' || c == '#') return PropValue::Str(stringValue());
        if (c == '-' || c == '+' || IsDigit(c)) {
            size_t start = pos;
            if (c == '-' || c == '+') ++pos;
            bool isFloat = false;
            while (pos < s.size() && (IsDigit(s[pos]) || s[pos] == '.' || s[pos] == 'E' || s[pos] == 'e' ||
                                      ((s[pos] == '-' || s[pos] == '+') && (s[pos - 1] == 'E' || s[pos - 1] == 'e')))) {
                if (!IsDigit(s[pos])) isFloat = true;
                ++pos;
            }
            std::string_view num = s.substr(start, pos - start);
            if (num.front() == '+') num.remove_prefix(1);
            if (isFloat) {
                double d = 0;
                auto [p, ec] = std::from_chars(num.data(), num.data() + num.size(), d);
                if (ec != std::errc() || p != num.data() + num.size()) fail("Invalid property value");
                return PropValue::Float(d);
            }
            int64_t v = 0;
            auto [p, ec] = std::from_chars(num.data(), num.data() + num.size(), v);
            if (ec != std::errc() || p != num.data() + num.size()) fail("Invalid property value");
            return PropValue::Int(v);
        }
        if (IsIdentStart(c)) return PropValue::Ident(dottedName());
        if (c == '[') {
            ++pos;
            std::vector<std::string> items;
            if (peek() != ']') {
                for (;;) {
                    items.push_back(ident());
                    if (peek() == ',') {
                        ++pos;
                        continue;
                    }
                    break;
                }
            }
            expect(']');
            return PropValue::Set(std::move(items));
        }
        if (c == '{') {
            ++pos;
            std::string bytes;
            for (;;) {
                skipBlanks();
                if (pos >= s.size()) fail("'}' expected");
                if (s[pos] == '}') {
                    ++pos;
                    break;
                }
                int hi = HexValue(s[pos]);
                int lo = pos + 1 < s.size() ? HexValue(s[pos + 1]) : -1;
                if (hi < 0 || lo < 0) fail("Invalid binary value");
                bytes += static_cast<char>(hi * 16 + lo);
                pos += 2;
            }
            return PropValue::Binary(std::move(bytes));
        }
        if (c == '(') {
            ++pos;
            std::vector<std::string> items;
            while (peek() != ')') {
                if (atEnd()) fail("')' expected");
                char d = peek();
                if (d != '\'' && d != '#') fail("String expected");
                items.push_back(stringValue());
            }
            ++pos;
            return PropValue::List(std::move(items));
        }
        fail("Invalid property value");
    }

    // object Name: TClass ... end, with the keyword already consumed.
    Component* object(Component* given, Component* owner, int depth)
    {
        if (depth > kMaxDepth) fail("Description nested too deeply");
        std::string name = ident();
        expect(':');
        std::string className = ident();
        Component* c = given;
        std::unique_ptr<Component> made;
        if (c) {
            if (!SameText(c->className(), className)) fail("Class " + className + " does not match " + c->className());
        } else {
            const ComponentClassRegistry::Factory* f = registry.find(className);
            if (!f) fail("Class " + className + " not found");
            c = (*f)(owner);
            if (!c) fail("Class " + className + " not found");
            if (!owner) made.reset(c);  // a root we created is freed again on failure
        }
        c->setName(name);
        readOrder.push_back(c);
        auto* persistent = dynamic_cast<Persistent*>(c);
        for (;;) {
            if (atEnd()) fail("'end' expected");
            if (keyword("end")) break;
            if (keyword("object")) {
                Component* child = object(nullptr, owner ? owner : c, depth + 1);
                if (auto* cp = dynamic_cast<Persistent*>(child)) cp->setParentComponent(c);
                continue;
            }
            int propLine = line;
            std::string prop = dottedName();
            expect('=');
            PropValue v = value();
            bool known = false;
            try {
                known = persistent && persistent->readProperty(prop, v);
            } catch (const SilentAbort&) {
                throw;
            } catch (const Exception& e) {
                line = propLine;
                fail("Error reading " + name + "." + prop + ": " + e.message());
            }
            if (!known) {
                line = propLine;
                fail("Property " + prop + " does not exist");
            }
        }
        made.release();
        return c;
    }
};

FormReader::FormReader(std::string_view text, const ComponentClassRegistry& registry) : text_(text), registry_(registry)
{}

Component* FormReader::read(Component* root)
{
    Impl p{text_, registry_, 0, 1, {}};
    if (!p.keyword("object")) p.fail("'object' expected");
    Component* c = p.object(root, nullptr, 0);
    std::unique_ptr<Component> made(root ? nullptr : c);  // freed again if the rest is refused
    if (!p.atEnd()) p.fail("End of description expected");
    for (Component* each : p.readOrder)
        if (auto* persistent = dynamic_cast<Persistent*>(each)) persistent->loaded();
    made.release();
    return c;
}

// ---- writer ---------------------------------------------------------------------------------

std::string QuoteFormString(std::string_view s)
{
    if (s.empty()) return "''";
    std::string out;
    bool inQuote = false;
    for (char ch : s) {
        auto u = static_cast<unsigned char>(ch);
        if (u >= 32 && u < 127) {
            if (!inQuote) {
                out += '\'';
                inQuote = true;
            }
            if (ch == '\'') out += '\'';
            out += ch;
        } else {
            if (inQuote) {
                out += '\'';
                inQuote = false;
            }
            out += '#';
            out += std::to_string(u);
        }
    }
    if (inQuote) out += '\'';
    return out;
}

void FormWriter::indent() { out_.append(static_cast<size_t>(depth_) * 2, ' '); }

void FormWriter::writeComponent(const Component& root) { writeObject(root, root); }

void FormWriter::writeObject(const Component& c, const Component& root)
{
    indent();
    out_ += "object " + c.name() + ": " + c.className() + "\n";
    ++depth_;
    if (auto* persistent = dynamic_cast<const Persistent*>(&c)) persistent->writeProperties(*this);
    for (const Component* child : root.components()) {
        if (child == &c) continue;
        auto* cp = dynamic_cast<const Persistent*>(child);
        const Component* parent = cp ? cp->parentComponent() : nullptr;
        if (parent == &c || (!parent && &c == &root)) writeObject(*child, root);
    }
    --depth_;
    indent();
    out_ += "end\n";
}

void FormWriter::writeInt(const std::string& name, int64_t v)
{
    indent();
    out_ += name + " = " + std::to_string(v) + "\n";
}

void FormWriter::writeFloat(const std::string& name, double v)
{
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string text(buf, ec == std::errc() ? p : buf);
    if (text.find_first_of(".eE") == std::string::npos) text += ".0";
    indent();
    out_ += name + " = " + text + "\n";
}

void FormWriter::writeString(const std::string& name, std::string_view v)
{
    indent();
    out_ += name + " = " + QuoteFormString(v) + "\n";
}

void FormWriter::writeIdent(const std::string& name, std::string_view v)
{
    indent();
    out_ += name + " = " + std::string(v) + "\n";
}

void FormWriter::writeSet(const std::string& name, const std::vector<std::string>& v)
{
    indent();
    out_ += name + " = [";
    for (size_t i = 0; i < v.size(); ++i) out_ += (i ? ", " : "") + v[i];
    out_ += "]\n";
}

void FormWriter::writeBinary(const std::string& name, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    indent();
    out_ += name + " = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % (kMaxLineWidth / 2) == 0) {
            out_ += '\n';
            out_.append(static_cast<size_t>(depth_ + 1) * 2, ' ');
        }
        auto u = static_cast<unsigned char>(bytes[i]);
        out_ += kHex[u >> 4];
        out_ += kHex[u & 15];
    }
    out_ += "}\n";
}

void FormWriter::writeList(const std::string& name, const std::vector<std::string>& v)
{
    indent();
    out_ += name + " = (";
    for (const std::string& item : v) {
        out_ += '\n';
        out_.append(static_cast<size_t>(depth_ + 1) * 2, ' ');
        out_ += QuoteFormString(item);
    }
    out_ += ")\n";
}

}  // namespace zv
