// The dataset filter language: a filter text compiled over a list of fields, then tried on records.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/Field.h"

namespace zv {

namespace detail {
class FilterCompiler;
}

// A compiled filter: a small tree of conditions over the fields of a record. The language has
// comparisons (= <> != < > <= >=, IS [NOT] NULL) of fields, quoted strings and numbers, joined with
// AND, OR, NOT and parentheses; a quoted string ending in '*' matches by prefix; [Field Name]
// brackets names with blanks. Fields are referred to by index, so a program belongs to one field
// layout: compile it again when the fields change.
class FilterProgram {
public:
    // Compiles text over fields given by their types (by field index); fieldIndex gives the index
    // of a field name, or -1. Throws Exception with the platform's message on malformed input.
    static std::shared_ptr<FilterProgram> compile(std::string_view text, std::vector<TFieldType> types,
                                                  const std::function<int(std::string_view)>& fieldIndex);

    bool accepts(const Record& r) const;
    void setCaseInsensitive(bool v) { caseInsensitive = v; }  // how text comparisons treat case

private:
    friend class detail::FilterCompiler;
    FilterProgram() = default;

    enum class Kind { Or, And, Not, Compare, IsNull, Const };
    enum class Op { Eq, Ne, Lt, Gt, Le, Ge };
    struct Operand {
        int field = -1;     // field index, or -1 for a literal
        bool text = false;  // compared as text (else as a number)
        bool null = false;  // literal NULL
        double number = 0;
        std::string str;
        bool prefix = false;  // literal text ending in '*': prefix match
    };
    struct Node {
        Kind kind = Kind::Const;
        Op op = Op::Eq;
        bool negate = false;  // IS NOT NULL
        bool value = false;   // Const
        int a = -1, b = -1;   // child nodes
        Operand left, right;
    };

    bool eval(int n, const Record& r) const;
    static bool operandValue(const Operand& o, const Record& r, TFieldType type, double& num, std::string_view& str);

    std::vector<Node> nodes;
    int root = -1;
    bool caseInsensitive = false;
    std::vector<TFieldType> types;  // field types, by field index
};

}  // namespace zv
