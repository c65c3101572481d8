// The dataset filter language: the tokenizer and parser that compile a filter text, and the evaluator.
#include "platform/data/DataSetFilter.h"

#include <cctype>
#include <charconv>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Text.h"
#include "platform/base/Variant.h"

namespace zv {

namespace {

// The platform's message texts.
constexpr const char* kFilterTerminated = "Filter expression incorrectly terminated";
constexpr const char* kFilterInvalid = "Invalid filter expression";
constexpr const char* kTypeMismatch = "Type mismatch in expression";

int CompareBytes(std::string_view a, std::string_view b, bool caseInsensitive)
{
    if (caseInsensitive) return CompareText(a, b);
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

namespace detail {

// Reads a filter text into tokens and builds the program; throws Exception on malformed input.
class FilterCompiler {
public:
    FilterCompiler(std::string_view text, const std::function<int(std::string_view)>& fieldIndex)
        : s_(text), fieldIndex_(fieldIndex)
    {}

    template <class P>
    void compile(P& prog)
    {
        next();
        prog.root = parseOr(prog);
        if (tok_.kind != Tok::End) throw Exception(kFilterTerminated);
    }

private:
    enum class Tok { End, Name, String, Number, Op, LParen, RParen };
    struct Token {
        Tok kind = Tok::End;
        std::string text;
    };

    static bool NameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
    static bool NameChar(unsigned char c) { return NameStart(c) || std::isdigit(c); }

    void next()
    {
        while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) <= ' ') ++pos_;
        tok_ = Token{};
        if (pos_ >= s_.size()) return;
        unsigned char c = static_cast<unsigned char>(s_[pos_]);
        if (c == '\'') {
            ++pos_;
            std::string v;
            for (;;) {
                if (pos_ >= s_.size()) throw Exception(kFilterTerminated);
                if (s_[pos_] == '\'') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                        v += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                v += s_[pos_++];
            }
            tok_ = {Tok::String, std::move(v)};
        } else if (c == '[') {
            size_t end = s_.find(']', pos_ + 1);
            if (end == std::string_view::npos) throw Exception(kFilterTerminated);
            tok_ = {Tok::Name, std::string(s_.substr(pos_ + 1, end - pos_ - 1))};
            pos_ = end + 1;
        } else if (std::isdigit(c) ||
                   (c == '.' && pos_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
            size_t start = pos_;
            while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.')) ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
                size_t save = pos_++;
                if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
                if (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
                    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
                } else {
                    pos_ = save;
                }
            }
            tok_ = {Tok::Number, std::string(s_.substr(start, pos_ - start))};
        } else if (NameStart(c)) {
            size_t start = pos_;
            while (pos_ < s_.size() && NameChar(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            tok_ = {Tok::Name, std::string(s_.substr(start, pos_ - start))};
        } else if (c == '(' || c == ')') {
            ++pos_;
            tok_ = {c == '(' ? Tok::LParen : Tok::RParen, std::string(1, static_cast<char>(c))};
        } else if (c == '=' || c == '<' || c == '>' || c == '!') {
            size_t start = pos_++;
            if (pos_ < s_.size() && (s_[pos_] == '=' || (c == '<' && s_[pos_] == '>'))) ++pos_;
            std::string op(s_.substr(start, pos_ - start));
            if (op == "!") throw Exception(kFilterInvalid);
            tok_ = {Tok::Op, op};
        } else if (c == '-' || c == '+') {
            // a signed number literal
            ++pos_;
            next();
            if (tok_.kind != Tok::Number) throw Exception(kFilterInvalid);
            if (c == '-') tok_.text.insert(0, 1, '-');
        } else {
            throw Exception(kFilterInvalid);
        }
    }

    bool keyword(const char* k) const { return tok_.kind == Tok::Name && SameText(tok_.text, k); }

    template <class P>
    int add(P& prog, typename P::Node n)
    {
        if (prog.nodes.size() > 10000) throw Exception(kFilterInvalid);
        prog.nodes.push_back(std::move(n));
        return static_cast<int>(prog.nodes.size()) - 1;
    }

    template <class P>
    int parseOr(P& prog)
    {
        int a = parseAnd(prog);
        while (keyword("OR")) {
            next();
            typename P::Node n;
            n.kind = P::Kind::Or;
            n.a = a;
            n.b = parseAnd(prog);
            a = add(prog, std::move(n));
        }
        return a;
    }

    template <class P>
    int parseAnd(P& prog)
    {
        int a = parseNot(prog);
        while (keyword("AND")) {
            next();
            typename P::Node n;
            n.kind = P::Kind::And;
            n.a = a;
            n.b = parseNot(prog);
            a = add(prog, std::move(n));
        }
        return a;
    }

    template <class P>
    int parseNot(P& prog)
    {
        if (++depth_ > 200) throw Exception(kFilterInvalid);
        int r;
        if (keyword("NOT")) {
            next();
            typename P::Node n;
            n.kind = P::Kind::Not;
            n.a = parseNot(prog);
            r = add(prog, std::move(n));
        } else {
            r = parseCompare(prog);
        }
        --depth_;
        return r;
    }

    template <class P>
    typename P::Operand operand(const P& prog)
    {
        typename P::Operand o;
        if (tok_.kind == Tok::String) {
            o.text = true;
            o.str = tok_.text;
        } else if (tok_.kind == Tok::Number) {
            double v = 0;
            auto [p, ec] = std::from_chars(tok_.text.data(), tok_.text.data() + tok_.text.size(), v);
            if (ec != std::errc() || p != tok_.text.data() + tok_.text.size()) throw Exception(kFilterInvalid);
            o.number = v;
        } else if (keyword("NULL")) {
            o.null = true;
        } else if (keyword("TRUE") || keyword("FALSE")) {
            o.number = keyword("TRUE") ? 1 : 0;
        } else if (tok_.kind == Tok::Name) {
            const int index = fieldIndex_(tok_.text);
            if (index < 0 || static_cast<size_t>(index) >= prog.types.size())
                throw Exception("Field '" + tok_.text + "' not found");
            TFieldType t = prog.types[static_cast<size_t>(index)];
            if (IsBinaryType(t)) throw Exception(kTypeMismatch);
            o.field = index;
            o.text = IsTextType(t);
        } else {
            throw Exception(kFilterInvalid);
        }
        next();
        return o;
    }

    // Converts a literal to the kind of the field it is compared with.
    template <class P>
    void coerce(const P& prog, typename P::Operand& lit, const typename P::Operand& fld)
    {
        if (lit.field >= 0 || lit.null) return;
        if (fld.field < 0) {
            if (lit.text != fld.text) throw Exception(kTypeMismatch);
            return;
        }
        TFieldType t = prog.types[static_cast<size_t>(fld.field)];
        if (fld.text) {
            if (!lit.text) throw Exception(kTypeMismatch);
            return;
        }
        if (!lit.text) return;
        const FormatSettings& fs = DefaultFormatSettings();
        try {
            if (IsDateType(t)) {
                lit.number = t == ftDate   ? StrToDate(lit.str, fs)
                             : t == ftTime ? StrToTime(lit.str, fs)
                                           : StrToDateTime(lit.str, fs);
            } else if (t == ftBoolean) {
                if (SameText(lit.str, "True"))
                    lit.number = 1;
                else if (SameText(lit.str, "False"))
                    lit.number = 0;
                else
                    throw Exception(kTypeMismatch);
            } else {
                lit.number = StrToFloat(lit.str, fs);
            }
        } catch (const Exception&) {
            throw Exception(kTypeMismatch);
        }
        lit.text = false;
    }

    template <class P>
    int parseCompare(P& prog)
    {
        if (tok_.kind == Tok::LParen) {
            next();
            int r = parseOr(prog);
            if (tok_.kind != Tok::RParen) throw Exception(kFilterTerminated);
            next();
            return r;
        }
        typename P::Operand left = operand(prog);
        typename P::Node n;
        if (keyword("IS")) {
            next();
            n.kind = P::Kind::IsNull;
            if (keyword("NOT")) {
                n.negate = true;
                next();
            }
            if (!keyword("NULL")) throw Exception(kFilterInvalid);
            next();
            n.left = std::move(left);
            return add(prog, std::move(n));
        }
        if (tok_.kind != Tok::Op) {
            // A boolean field on its own is a condition.
            if (left.field >= 0 && prog.types[static_cast<size_t>(left.field)] == ftBoolean) {
                n.kind = P::Kind::Compare;
                n.op = P::Op::Ne;
                n.left = std::move(left);
                n.right.number = 0;
                return add(prog, std::move(n));
            }
            if (left.field < 0 && !left.text && !left.null) {
                n.kind = P::Kind::Const;
                n.value = left.number != 0;
                return add(prog, std::move(n));
            }
            throw Exception(kFilterInvalid);
        }
        const std::string op = tok_.text;
        n.kind = P::Kind::Compare;
        if (op == "=")
            n.op = P::Op::Eq;
        else if (op == "<>" || op == "!=")
            n.op = P::Op::Ne;
        else if (op == "<")
            n.op = P::Op::Lt;
        else if (op == ">")
            n.op = P::Op::Gt;
        else if (op == "<=")
            n.op = P::Op::Le;
        else if (op == ">=")
            n.op = P::Op::Ge;
        else
            throw Exception(kFilterInvalid);
        next();
        typename P::Operand right = operand(prog);
        coerce(prog, right, left);
        coerce(prog, left, right);
        if (left.field >= 0 && right.field >= 0 && left.text != right.text) throw Exception(kTypeMismatch);
        if (right.field < 0 && right.text && !right.str.empty() && right.str.back() == '*' &&
            (n.op == P::Op::Eq || n.op == P::Op::Ne)) {
            right.prefix = true;
            right.str.pop_back();
        }
        n.left = std::move(left);
        n.right = std::move(right);
        return add(prog, std::move(n));
    }

    std::string_view s_;
    const std::function<int(std::string_view)>& fieldIndex_;
    size_t pos_ = 0;
    int depth_ = 0;
    Token tok_;
};

}  // namespace detail

std::shared_ptr<FilterProgram> FilterProgram::compile(std::string_view text, std::vector<TFieldType> types,
                                                      const std::function<int(std::string_view)>& fieldIndex)
{
    std::shared_ptr<FilterProgram> prog(new FilterProgram);
    prog->types = std::move(types);
    detail::FilterCompiler(text, fieldIndex).compile(*prog);
    return prog;
}

bool FilterProgram::accepts(const Record& r) const { return eval(root, r); }

bool FilterProgram::operandValue(const Operand& o, const Record& r, TFieldType type, double& num, std::string_view& str)
{
    if (o.field < 0) {
        if (o.null) return false;
        num = o.number;
        str = o.str;
        return true;
    }
    if (static_cast<size_t>(o.field) >= r.size()) return false;
    const FieldData& d = r[static_cast<size_t>(o.field)];
    if (d.null) return false;
    if (IsTextType(type)) {
        str = d.s;
    } else if (type == ftFloat || type == ftCurrency || IsDateType(type)) {
        num = d.d;
    } else if (type == ftBCD) {
        num = static_cast<double>(d.i) / kCurrencyScale;
    } else {
        num = static_cast<double>(d.i);
    }
    return true;
}

bool FilterProgram::eval(int n, const Record& r) const
{
    const Node& node = nodes[static_cast<size_t>(n)];
    switch (node.kind) {
    case Kind::Or: return eval(node.a, r) || eval(node.b, r);
    case Kind::And: return eval(node.a, r) && eval(node.b, r);
    case Kind::Not: return !eval(node.a, r);
    case Kind::Const: return node.value;
    case Kind::IsNull: {
        bool isNull = true;
        if (node.left.field >= 0 && static_cast<size_t>(node.left.field) < r.size())
            isNull = r[static_cast<size_t>(node.left.field)].null;
        else if (node.left.field < 0)
            isNull = node.left.null;
        return isNull != node.negate;
    }
    case Kind::Compare: {
        TFieldType lt = node.left.field >= 0 ? types[static_cast<size_t>(node.left.field)] : ftUnknown;
        TFieldType rt = node.right.field >= 0 ? types[static_cast<size_t>(node.right.field)] : ftUnknown;
        double ln = 0, rn = 0;
        std::string_view ls, rs;
        if (!operandValue(node.left, r, lt, ln, ls) || !operandValue(node.right, r, rt, rn, rs)) return false;
        int c;
        if (node.left.text) {
            if (node.right.prefix) {
                bool match = ls.size() >= rs.size() && CompareBytes(ls.substr(0, rs.size()), rs, caseInsensitive) == 0;
                return node.op == Op::Eq ? match : !match;
            }
            c = CompareBytes(ls, rs, caseInsensitive);
        } else {
            c = ln < rn ? -1 : ln > rn ? 1 : 0;
        }
        switch (node.op) {
        case Op::Eq: return c == 0;
        case Op::Ne: return c != 0;
        case Op::Lt: return c < 0;
        case Op::Gt: return c > 0;
        case Op::Le: return c <= 0;
        case Op::Ge: return c >= 0;
        }
        return false;
    }
    }
    return false;
}

}  // namespace zv
