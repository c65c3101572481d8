// TzvExpr: one left-to-right pass over the text; operands are converted and combined on the fly.
#include "report/ZV_Expr.h"

#include <array>
#include <cmath>
#include <cstring>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "report/ZV_Const.h"

namespace zv {
namespace {

// ---- character classes (8-bit) ----------------------------------------------------------------

enum : uint8_t { ccBlank = 1, ccNumber = 2, ccIdentStart = 4, ccIdentBody = 8 };

constexpr std::array<uint8_t, 256> MakeCharClasses()
{
    std::array<uint8_t, 256> t{};
    for (int c = 1; c <= 32; ++c) t[c] |= ccBlank;
    for (int c = '0'; c <= '9'; ++c) t[c] |= ccNumber | ccIdentBody;
    t['.'] |= ccNumber | ccIdentBody;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] |= ccIdentStart | ccIdentBody;
    for (int c = 'a'; c <= 'z'; ++c) t[c] |= ccIdentStart | ccIdentBody;
    for (int c : {'"', '#', '_'}) t[c] |= ccIdentStart | ccIdentBody;
    return t;
}
constexpr std::array<uint8_t, 256> kCharClass = MakeCharClasses();

inline bool Is(char c, uint8_t cls) { return (kCharClass[static_cast<uint8_t>(c)] & cls) != 0; }

// ---- operators: code / 10 is the precedence class, a higher class binds tighter ---------------

enum OpCode : int {
    opNone = 0,
    opEqual = 10,
    opGreaterEqual = 11,
    opGreater = 12,
    opLessEqual = 13,
    opNotEqual = 14,
    opLess = 15,
    opAdd = 100,
    opSubtract = 101,
    opOr = 102,
    opPower = 1000,
    opMultiply = 1001,
    opDivide = 1002,
    opAnd = 1003,
    opMod = 1004,
    opIntDiv = 1005,
};

struct WordOperator {
    char text[4];
    OpCode code;
};
constexpr WordOperator kThreeLetterOperators[] = {{"AND", opAnd}, {"MOD", opMod}, {"DIV", opIntDiv}};

// The operator read after an operand. A "none" that swallowed letters is an unknown word.
struct Operator {
    int code = opNone;
    bool consumed = false;
};

// Number literals up to this length are converted from a stack buffer (longer ones are rare).
constexpr size_t kLiteralBuffer = 64;
// Digit-only literals this short are exact in a double and need no text conversion.
constexpr size_t kMaxExactDigits = 15;

Variant Truth(bool b) { return Variant::fromByte(b ? 1 : 0); }

}  // namespace

// The evaluator. Every call frame holds part of one evaluation's state; the instance holds only
// the resolver, the error mode and the nesting depth.
struct TzvExpr::Detail {
    struct Eval {
        TzvExpr& engine;
        std::string_view text;
        size_t pos = 0;
        bool stopped = false;  // operator "none" amid the text: the whole evaluation yields Empty

        bool AtEnd() const { return pos >= text.size(); }
        char Cur() const { return text[pos]; }
        bool AtLevelEnd() const { return pos >= text.size() || text[pos] == ')'; }
        void SkipBlanks()
        {
            while (pos < text.size() && Is(text[pos], ccBlank)) ++pos;
        }
        [[noreturn]] void Fail(const char* message, size_t levelStart) const
        {
            std::string m(message);
            m.append(text.substr(levelStart));
            throw Exception(std::move(m));
        }
        void Stop()
        {
            stopped = true;
            pos = text.size();
        }
    };

    // Counts one nesting step for the scope's lifetime; refuses to go beyond kExprMaxNesting.
    class Nesting {
    public:
        Nesting(Eval& e, size_t levelStart) : engine_(e.engine)
        {
            if (engine_.depth_ >= kExprMaxNesting) e.Fail(kExprTooDeepMsg, levelStart);
            ++engine_.depth_;
        }
        ~Nesting() { --engine_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        TzvExpr& engine_;
    };

    static void CheckBrackets(std::string_view text)
    {
        // A quote inside the other kind of quotes is an ordinary character.
        bool dq = false, sq = false;
        size_t open = 0, close = 0;
        for (char c : text) {
            if (c == '"') {
                if (!sq) dq = !dq;
            } else if (c == '\'') {
                if (!dq) sq = !sq;
            } else if (!dq && !sq) {
                if (c == '(')
                    ++open;
                else if (c == ')')
                    ++close;
            }
        }
        if (open != close) throw Exception(kExprBracketCountMsg);
    }

    // One bracket level: from the current position to the end of the text or to its ")",
    // which is consumed.
    static void Level(Eval& e, Variant& result)
    {
        const size_t levelStart = e.pos;
        if (e.AtEnd()) {
            result = Variant::null();
            return;
        }
        ReadOperand(e, levelStart, result);
        if (!e.stopped) {
            Operator op = ReadOperator(e);
            Chain(e, levelStart, 1, result, op);
        }
        if (e.stopped) {
            result.clear();
            return;
        }
        if (!e.AtEnd()) ++e.pos;  // the level's ")"
    }

    // Precedence climbing: combines lhs with the operators of class >= minClass that follow it,
    // left to right within a class. op is the operator read after lhs; on return it holds the
    // first operator this call did not take.
    static void Chain(Eval& e, size_t levelStart, int minClass, Variant& lhs, Operator& op)
    {
        for (;;) {
            if (op.code == opNone && op.consumed) {  // an unknown word after an operand
                e.Stop();
                return;
            }
            if (e.AtLevelEnd()) {  // an operator right before the end or ")" is ignored
                op = Operator{};
                return;
            }
            if (op.code == opNone) {  // two operands side by side
                e.Stop();
                return;
            }
            const int cls = op.code / 10;
            if (cls < minClass) return;
            const int code = op.code;
            Variant rhs;
            ReadOperand(e, levelStart, rhs);
            if (e.stopped) return;
            op = ReadOperator(e);
            Chain(e, levelStart, cls + 1, rhs, op);
            if (e.stopped) return;
            Apply(e, levelStart, code, lhs, rhs);
        }
    }

    static void ReadOperand(Eval& e, size_t levelStart, Variant& v)
    {
        v.clear();
        e.SkipBlanks();
        if (!e.AtEnd()) {
            const char c = e.Cur();
            if (c == '(') {
                ++e.pos;
                Nesting n(e, levelStart);
                Level(e, v);
            } else if (Is(c, ccNumber)) {
                ReadNumber(e, v);
            } else if (c == '[') {
                ++e.pos;
                size_t close = e.text.find(']', e.pos);
                if (close == std::string_view::npos) {
                    e.pos = e.text.size();  // unterminated: the operand stays empty
                } else {
                    std::string_view name = e.text.substr(e.pos, close - e.pos);
                    e.pos = close + 1;
                    Resolve(e, name, nullptr, v);
                }
            } else if (c == '\'') {
                ReadString(e, v);
            } else if (IsNot(e)) {
                e.pos += 3;
                Nesting n(e, levelStart);
                Variant operand;
                ReadOperand(e, levelStart, operand);
                if (e.stopped) return;
                Negate(e, levelStart, operand, v);
            } else if (Is(c, ccIdentStart)) {
                ReadIdentifier(e, v);
            } else if (c == '-' || c == '+') {
                v = Variant(int32_t{0});  // the sign stays to be read as the binary operator
            }
        }
        if (v.isEmpty() && !e.stopped) e.Fail(kExprUnknownIdentMsg, levelStart);
    }

    // "NOT" in any letter case, not followed by an identifier character.
    static bool IsNot(const Eval& e)
    {
        const std::string_view t = e.text;
        const size_t p = e.pos;
        if (p + 3 > t.size()) return false;
        if ((t[p] | 0x20) != 'n' || (t[p + 1] | 0x20) != 'o' || (t[p + 2] | 0x20) != 't') return false;
        return p + 3 == t.size() || !Is(t[p + 3], ccIdentBody);
    }

    static void ReadNumber(Eval& e, Variant& v)
    {
        const size_t start = e.pos;
        size_t digitsEnd = start;
        bool digitsOnly = true;
        while (digitsEnd < e.text.size() && Is(e.text[digitsEnd], ccNumber)) {
            if (e.text[digitsEnd] == '.') digitsOnly = false;
            ++digitsEnd;
        }
        e.pos = digitsEnd;
        e.SkipBlanks();
        const std::string_view literal = e.text.substr(start, e.pos - start);

        if (digitsOnly && digitsEnd - start <= kMaxExactDigits) {
            // The value the text conversion would give, without its cost.
            int64_t n = 0;
            for (size_t i = start; i < digitsEnd; ++i) n = n * 10 + (e.text[i] - '0');
            v = Variant(static_cast<double>(n));
            return;
        }
        const char sep = DefaultFormatSettings().decimalSeparator;
        if (literal.size() <= kLiteralBuffer) {
            char buf[kLiteralBuffer];
            std::memcpy(buf, literal.data(), literal.size());
            if (void* dot = std::memchr(buf, '.', literal.size())) *static_cast<char*>(dot) = sep;
            v = Variant(StrToFloat(std::string_view(buf, literal.size()), DefaultFormatSettings()));
        } else {
            std::string s(literal);
            if (size_t dot = s.find('.'); dot != std::string::npos) s[dot] = sep;
            v = Variant(StrToFloat(s, DefaultFormatSettings()));
        }
    }

    // A single-quoted literal; a doubled quote stands for one. Unterminated: up to the end.
    static void ReadString(Eval& e, Variant& v)
    {
        ++e.pos;
        std::string s;
        for (;;) {
            size_t q = e.text.find('\'', e.pos);
            if (q == std::string_view::npos) {
                s.append(e.text.substr(e.pos));
                e.pos = e.text.size();
                break;
            }
            s.append(e.text.substr(e.pos, q - e.pos));
            if (q + 1 < e.text.size() && e.text[q + 1] == '\'') {
                s.push_back('\'');
                e.pos = q + 2;
            } else {
                e.pos = q + 1;
                break;
            }
        }
        v = Variant(std::move(s));
    }

    // An identifier: body characters up to a double quote; a double-quoted part ends it.
    static void ReadIdentifier(Eval& e, Variant& v)
    {
        const size_t start = e.pos;
        const size_t n = e.text.size();
        while (e.pos < n && e.text[e.pos] != '"' && Is(e.text[e.pos], ccIdentBody)) ++e.pos;
        if (e.pos < n && e.text[e.pos] == '"') {
            size_t q = e.text.find('"', e.pos + 1);
            e.pos = q == std::string_view::npos ? n : q + 1;
        }
        size_t end = e.pos;
        while (end > start && Is(e.text[end - 1], ccBlank)) --end;  // an unterminated quote
        const std::string_view name = e.text.substr(start, end - start);
        e.SkipBlanks();
        if (e.pos < n && e.text[e.pos] == '(') {
            TzvArgList args;
            SplitArguments(e, args);
            Resolve(e, name, &args, v);
        } else {
            Resolve(e, name, nullptr, v);
        }
    }

    // From the call's "(" to its ")" (consumed): the raw argument texts, split at top-level commas.
    static void SplitArguments(Eval& e, TzvArgList& args)
    {
        const std::string_view t = e.text;
        size_t open = 1, close = 0;
        bool bracket = false, dq = false, sq = false;
        for (;;) {
            ++e.pos;  // past "(" or ","
            const size_t start = e.pos;
            bool closed = false;
            for (; e.pos < t.size(); ++e.pos) {
                const char c = t[e.pos];
                if (bracket) {
                    if (c == ']') bracket = false;
                } else if (dq) {
                    if (c == '"') dq = false;
                } else if (sq) {
                    if (c == '\'') sq = false;
                } else if (c == '[') {
                    bracket = true;
                } else if (c == '"') {
                    dq = true;
                } else if (c == '\'') {
                    sq = true;
                } else if (c == '(') {
                    ++open;
                } else if (c == ')') {
                    if (++close == open) {
                        closed = true;
                        break;
                    }
                } else if (c == ',' && open - close == 1) {
                    break;
                }
            }
            if (e.pos > start) args.emplace_back(t.substr(start, e.pos - start));
            if (e.pos >= t.size()) return;
            if (closed) {
                ++e.pos;
                return;
            }
        }
    }

    static void Resolve(Eval& e, std::string_view name, const TzvArgList* args, Variant& v)
    {
        const TzvResolveEvent resolver = e.engine.resolver_;  // a copy: the resolver may re-register
        if (resolver) resolver(name, args, v);
    }

    static Operator ReadOperator(Eval& e)
    {
        e.SkipBlanks();
        Operator op;
        if (e.AtEnd()) return op;
        const std::string_view t = e.text;
        const size_t p = e.pos;
        const char next = p + 1 < t.size() ? t[p + 1] : '\0';
        switch (t[p]) {
        case '*': op.code = opMultiply; break;
        case '+': op.code = opAdd; break;
        case '-': op.code = opSubtract; break;
        case '/': op.code = opDivide; break;
        case '=': op.code = opEqual; break;
        case '^': op.code = opPower; break;
        case '<':
            op.code = next == '=' ? opLessEqual : next == '>' ? opNotEqual : opLess;
            e.pos += op.code == opLess ? 1 : 2;
            return op;
        case '>':
            op.code = next == '=' ? opGreaterEqual : opGreater;
            e.pos += op.code == opGreater ? 1 : 2;
            return op;
        case 'A':
        case 'a':
        case 'D':
        case 'd':
        case 'M':
        case 'm': return ReadWord(e, 3);
        case 'O':
        case 'o': return ReadWord(e, 2);
        default: return op;  // none, nothing consumed
        }
        ++e.pos;
        return op;
    }

    // A word operator takes its letters and the one character after them (the separating blank);
    // an unknown word still advances by its length.
    static Operator ReadWord(Eval& e, size_t length)
    {
        const std::string_view t = e.text;
        const size_t take = std::min(length, t.size() - e.pos);
        char word[3] = {};
        for (size_t i = 0; i < take; ++i) word[i] = static_cast<char>(t[e.pos + i] & ~0x20);
        e.pos += take;
        Operator op;
        op.consumed = true;
        if (take == length) {
            if (length == 2) {
                if (word[0] == 'O' && word[1] == 'R') op.code = opOr;
            } else {
                for (const WordOperator& w : kThreeLetterOperators)
                    if (std::memcmp(word, w.text, 3) == 0) op.code = w.code;
            }
        }
        if (op.code != opNone && e.pos < t.size()) ++e.pos;
        return op;
    }

    // Runs one combining step under the error mode; the result replaces lhs.
    template <class F>
    static void Guarded(Eval& e, size_t levelStart, Variant& lhs, F&& combine)
    {
        try {
            Variant r = combine();
            if (r.type() == VarType::Double || r.type() == VarType::DateTime) {
                if (!std::isfinite(r.rawDouble())) throw MathError("Floating point overflow");
            } else if (r.type() == VarType::Boolean) {
                r = Truth(r.rawBool());
            }
            lhs = std::move(r);
        } catch (const Exception&) {
            switch (e.engine.errorMode_) {
            case emRaise: e.Fail(kExprIncompatibleMsg, levelStart);
            case emRecord: lhs = Variant(int32_t{0}); break;
            default: break;  // the result stays as it was
            }
        }
    }

    static void Apply(Eval& e, size_t levelStart, int code, Variant& lhs, const Variant& rhs)
    {
        Guarded(e, levelStart, lhs, [&]() -> Variant {
            switch (code) {
            case opEqual: return Truth(VarCompare(lhs, rhs) == 0);
            case opGreaterEqual: return Truth(VarCompare(lhs, rhs) >= 0);
            case opGreater: return Truth(VarCompare(lhs, rhs) > 0);
            case opLessEqual: return Truth(VarCompare(lhs, rhs) <= 0);
            case opNotEqual: return Truth(VarCompare(lhs, rhs) != 0);
            case opLess: return Truth(VarCompare(lhs, rhs) < 0);
            case opAdd: return VarAdd(lhs, rhs);
            case opSubtract: return VarSub(lhs, rhs);
            case opOr: return VarOr(lhs, rhs);
            case opPower: {
                const double base = lhs.toDouble();
                const double exponent = rhs.toDouble();
                if (!(base > 0)) throw MathError("Invalid floating point operation");
                return Variant(std::exp(exponent * std::log(base)));
            }
            case opMultiply: return VarMul(lhs, rhs);
            case opDivide: return VarDiv(lhs, rhs);
            case opAnd: return VarAnd(lhs, rhs);
            case opMod: return VarMod(lhs, rhs);
            case opIntDiv: return VarIntDiv(lhs, rhs);
            default: return Variant();
            }
        });
    }

    // NOT: 1 when the operand is zero (or false, or a string holding zero), else 0.
    static void Negate(Eval& e, size_t levelStart, const Variant& operand, Variant& v)
    {
        v = operand;
        Guarded(e, levelStart, v, [&]() -> Variant {
            if (operand.type() == VarType::Boolean) return Truth(!operand.rawBool());
            return Truth(operand.toDouble() == 0.0);
        });
    }
};

TzvExpr& TzvExpr::Instance()
{
    static TzvExpr instance;
    return instance;
}

void TzvExpr::ClearResolver(const void* owner) noexcept
{
    if (resolver_.owner == owner) resolver_ = TzvResolveEvent{};
}

void TzvExpr::Evaluate(std::string_view text, Variant& value)
{
    Detail::CheckBrackets(text);
    Detail::Eval e{*this, text};
    Detail::Nesting n(e, 0);
    Variant result;
    Detail::Level(e, result);
    value = std::move(result);
}

void EvaluateExpression(std::string_view text, Variant& value) { TzvExpr::Instance().Evaluate(text, value); }

Variant EvaluateExpression(std::string_view text)
{
    Variant v;
    TzvExpr::Instance().Evaluate(text, v);
    return v;
}

void SetExprResolver(const TzvResolveEvent& resolver) { TzvExpr::Instance().SetResolver(resolver); }
void ClearExprResolver(const void* owner) { TzvExpr::Instance().ClearResolver(owner); }
void SetExprErrorMode(uint8_t mode) { TzvExpr::Instance().SetErrorMode(mode); }
uint8_t ExprErrorMode() { return TzvExpr::Instance().ErrorMode(); }

}  // namespace zv
