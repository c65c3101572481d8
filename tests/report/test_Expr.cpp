// Tests of the expression engine: evaluation rows, resolver calls, error modes, nesting, allocations.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Variant.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"

// ---- heap allocation counting: every operator new of this program goes through here ----------

namespace {
std::atomic<long> gAllocations{0};
}

// Out of line, so the compiler does not pair an inlined malloc/free with new/delete expressions.
__attribute__((noinline)) void* operator new(std::size_t size)
{
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using zv::Variant;
using zv::VarType;

// A resolver that knows a few names and functions and records every call in order.
struct TestResolver {
    struct Call {
        std::string name;
        bool hasArgs;
        std::vector<std::string> args;
    };
    std::vector<Call> calls;
    bool record = true;

    void Resolve(std::string_view name, const zv::TzvArgList* args, Variant& v)
    {
        if (record) calls.push_back({std::string(name), args != nullptr, args ? *args : zv::TzvArgList{}});
        if (!args) {
            if (name == "a")
                v = Variant(int32_t{1});
            else if (name == "x")
                v = Variant(int32_t{11});
            else if (name == "d")
                v = Variant(2.5);
            else if (name == "s")
                v = Variant("abc");
            else if (name == "NOTE")
                v = Variant(int32_t{7});
            else if (name == "Totale")
                v = Variant(int32_t{100});
            else if (name == " a b ")
                v = Variant("spaced");
            else if (name == "T")
                v = Variant(true);
            else if (name == "Dataset.\"Field name\"" || name == "\"Field name\"" || name == "ds.f1")
                v = Variant("field");
            else if (name == "BOOM")
                throw zv::Exception("boom");
            return;
        }
        if (name == "F" || name == "SUM") {
            v = Variant(static_cast<int32_t>(args->size()));
        } else if (name == "EVAL") {  // evaluates its arguments through the engine and adds them
            Variant sum(int32_t{0});
            for (const std::string& a : *args) sum = zv::VarAdd(sum, zv::EvaluateExpression(a));
            v = sum;
        }
    }
};

class Expr : public ::testing::Test {
protected:
    void SetUp() override
    {
        zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
        zv::SetExprResolver(zv::TzvResolveEvent::Of<&TestResolver::Resolve>(&resolver));
        zv::SetExprErrorMode(zv::emRaise);
    }
    void TearDown() override
    {
        zv::ClearExprResolver(&resolver);
        zv::SetExprErrorMode(zv::emRaise);
    }
    TestResolver resolver;
};

std::string Msg(const char* prefix, const std::string& rest) { return std::string(prefix) + rest; }

// What a row expects: a kind and a value, or an exception with an exact message.
enum class Want { Null, Empty, Double, Truth, Integer, String, Error };
struct Row {
    const char* text;
    Want want;
    double number;       // Double, Truth, Integer
    std::string string;  // String value or the whole error message
};

void CheckRow(const Row& r)
{
    SCOPED_TRACE(std::string("expression: ") + r.text);
    Variant v;
    if (r.want == Want::Error) {
        try {
            zv::EvaluateExpression(r.text, v);
            ADD_FAILURE() << "no exception";
        } catch (const zv::Exception& e) {
            EXPECT_EQ(e.message(), r.string);
        }
        return;
    }
    ASSERT_NO_THROW(zv::EvaluateExpression(r.text, v));
    switch (r.want) {
    case Want::Null: EXPECT_EQ(v.type(), VarType::Null); break;
    case Want::Empty: EXPECT_EQ(v.type(), VarType::Empty); break;
    case Want::Double:
        ASSERT_EQ(v.type(), VarType::Double);
        EXPECT_NEAR(v.rawDouble(), r.number, 1e-8);
        break;
    case Want::Truth:
        ASSERT_EQ(v.type(), VarType::Byte);
        EXPECT_EQ(v.rawInt(), static_cast<int>(r.number));
        break;
    case Want::Integer:
        ASSERT_TRUE(v.type() == VarType::Integer || v.type() == VarType::Byte) << zv::VarTypeName(v.type());
        EXPECT_EQ(v.rawInt(), static_cast<int>(r.number));
        break;
    case Want::String:
        ASSERT_EQ(v.type(), VarType::String);
        EXPECT_EQ(v.rawString(), r.string);
        break;
    default: break;
    }
}

const char* const kUnknown = zv::kExprUnknownIdentMsg;
const char* const kIncompatible = zv::kExprIncompatibleMsg;

TEST_F(Expr, EvaluatesLiteralsOperatorsAndPrecedence)
{
    const Row rows[] = {
        // empty and blank texts, dangling operators
        {"", Want::Null, 0, ""},
        {"   ", Want::Error, 0, Msg(kUnknown, "   ")},
        {"1 +", Want::Double, 1, ""},
        {"(1 +)", Want::Double, 1, ""},
        {"1 + ", Want::Error, 0, Msg(kUnknown, "1 + ")},  // a blank follows: an operand is missing
        // precedence classes, left to right within a class
        {"2+3*4", Want::Double, 14, ""},
        {"(2+3)*4", Want::Double, 20, ""},
        {"8/2*2", Want::Double, 8, ""},
        {"10 - 2 + 3", Want::Double, 11, ""},
        {"x = 10 - 2 + 3", Want::Truth, 1, ""},
        {"x = 10 - (2 + 3)", Want::Truth, 0, ""},
        {"2 * 3 + 4 * 5 - 6 / 3", Want::Double, 24, ""},
        {"1 + 2 = 3", Want::Truth, 1, ""},
        {"2 ^ 3 * 2", Want::Double, 16, ""},
        {"100 / 10 / 5", Want::Double, 2, ""},
        // signs are operand 0 followed by the binary operator
        {"-3", Want::Double, -3, ""},
        {"-2^2", Want::Double, -4, ""},
        {"2 * -3", Want::Double, -3, ""},
        {"+5", Want::Double, 5, ""},
        {"- - 4", Want::Double, -4, ""},  // (0 - 0) - 4
        // power
        {"2^0.5", Want::Double, 1.4142135623730951, ""},
        {"0^2", Want::Error, 0, Msg(kIncompatible, "0^2")},
        {"(-2)^2", Want::Error, 0, Msg(kIncompatible, "(-2)^2")},
        // number literals: "." is the decimal point whatever the locale says
        {"1.5", Want::Double, 1.5, ""},
        {"1,5", Want::Empty, 0, ""},
        {"007", Want::Double, 7, ""},
        {"12345678901234567", Want::Double, 12345678901234567.0, ""},
        {"3 ", Want::Double, 3, ""},
        // strings
        {"'It''s'", Want::String, 0, "It's"},
        {"'a' + 'b'", Want::String, 0, "ab"},
        {"'2' + 3", Want::Double, 5, ""},
        {"'abc", Want::String, 0, "abc"},
        {"''", Want::String, 0, ""},
        {"'a''", Want::String, 0, "a'"},
        {"'x(y'", Want::String, 0, "x(y"},
        // comparisons give the integers 1 and 0
        {"3 > 2", Want::Truth, 1, ""},
        {"3 < 2", Want::Truth, 0, ""},
        {"2 >= 2", Want::Truth, 1, ""},
        {"2 <= 1", Want::Truth, 0, ""},
        {"2 <> 1", Want::Truth, 1, ""},
        {"'a' < 'b'", Want::Truth, 1, ""},
        {"'B' < 'a'", Want::Truth, 1, ""},
        {"'10' = 10", Want::Truth, 1, ""},
        // NOT binds tightest and applies to one operand
        {"NOT (3 > 2)", Want::Truth, 0, ""},
        {"NOT 0", Want::Truth, 1, ""},
        {"NOT 5", Want::Truth, 0, ""},
        {"not 0", Want::Truth, 1, ""},
        {"NOT NOT 5", Want::Truth, 1, ""},
        {"NOT 0 + 1", Want::Double, 2, ""},
        {"NOT '0'", Want::Truth, 1, ""},
        {"NOTE", Want::Integer, 7, ""},
        {"NOT(x)", Want::Truth, 0, ""},
        {"NOT", Want::Error, 0, Msg(kUnknown, "NOT")},
        // word operators (followed by a blank, which they consume)
        {"1 AND 0", Want::Integer, 0, ""},
        {"1 OR 0", Want::Integer, 1, ""},
        {"7 MOD 3", Want::Integer, 1, ""},
        {"7 DIV 2", Want::Integer, 3, ""},
        {"7 div 2", Want::Integer, 3, ""},
        {"1 OR 0 AND 0", Want::Integer, 1, ""},
        {"(3 > 2) AND (2 > 1)", Want::Integer, 1, ""},
        {"T AND T", Want::Truth, 1, ""},
        {"1 ANDx 3", Want::Integer, 1, ""},  // the character after the word is taken with it
        {"1 AND", Want::Double, 1, ""},
        // operator "none": two operands side by side or an unknown word
        {"1 2", Want::Empty, 0, ""},
        {"2 Abc", Want::Empty, 0, ""},
        {"2 * (1 x) + 3", Want::Empty, 0, ""},
        {"1 ; 2", Want::Empty, 0, ""},
        // brackets
        {"(1+2", Want::Error, 0, zv::kExprBracketCountMsg},
        {"1+2)", Want::Error, 0, zv::kExprBracketCountMsg},
        {"'('", Want::String, 0, "("},
        {"('a\"b')", Want::String, 0, "a\"b"},
        {"((((1))))", Want::Double, 1, ""},
        {"1)+(2", Want::Double, 1, ""},
        {"()", Want::Error, 0, Msg(kUnknown, ")")},
        // division
        {"5 / 0", Want::Error, 0, Msg(kIncompatible, "5 / 0")},
        {"1 + (5 / 0)", Want::Error, 0, Msg(kIncompatible, "5 / 0)")},
        {"7 / 2", Want::Double, 3.5, ""},
        {"'abc' * 2", Want::Error, 0, Msg(kIncompatible, "'abc' * 2")},
    };
    for (const Row& r : rows) CheckRow(r);
}

TEST_F(Expr, ResolvesNamesIdentifiersAndCalls)
{
    const Row rows[] = {
        // bracketed names keep their blanks
        {"[Totale]", Want::Integer, 100, ""},
        {"[ a b ]", Want::String, 0, "spaced"},
        {"[Totale] * 2", Want::Double, 200, ""},
        {"[x", Want::Error, 0, Msg(kUnknown, "[x")},
        {"[nobody]", Want::Error, 0, Msg(kUnknown, "[nobody]")},
        {"[nobody] - 1", Want::Error, 0, Msg(kUnknown, "[nobody] - 1")},
        // identifiers with dots and quoted parts
        {"Dataset.\"Field name\"", Want::String, 0, "field"},
        {"\"Field name\"", Want::String, 0, "field"},
        {"ds.f1 + 'x'", Want::String, 0, "fieldx"},
        {"a+1", Want::Double, 2, ""},
        {"d * 2", Want::Double, 5, ""},
        // unknown names quote the text from the level start
        {"nobody", Want::Error, 0, Msg(kUnknown, "nobody")},
        {"1 + (2 * nobody)", Want::Error, 0, Msg(kUnknown, "2 * nobody)")},
        {"1 + #", Want::Error, 0, Msg(kUnknown, "1 + #")},
        // calls: the resolver answers with the number of arguments it received
        {"F(1, 2, 3)", Want::Integer, 3, ""},
        {"F()", Want::Integer, 0, ""},
        {"EVAL(1+2, EVAL(3,4)) * 2", Want::Double, 20, ""},
    };
    for (const Row& r : rows) CheckRow(r);
}

TEST_F(Expr, SplitsArgumentTexts)
{
    struct SplitRow {
        const char* text;
        std::vector<std::string> args;
    };
    const SplitRow rows[] = {
        {"SUM( [Totale] , 2)", {" [Totale] ", " 2"}},
        {"F(a,,b)", {"a", "b"}},
        {"F('x,y')", {"'x,y'"}},
        {"F()", {}},
        {"F( )", {" "}},
        {"F((1,2),3)", {"(1,2)", "3"}},
        {"F([f(a,b)],c)", {"[f(a,b)]", "c"}},
        {"F(\"q,(\",c)", {"\"q,(\"", "c"}},
        {"F('a\"b', 2)", {"'a\"b'", " 2"}},
        {"F ( 1 )", {" 1 "}},
        {"F(G(1,2),'it''s, ok')", {"G(1,2)", "'it''s, ok'"}},
    };
    for (const SplitRow& r : rows) {
        SCOPED_TRACE(r.text);
        resolver.calls.clear();
        Variant v;
        ASSERT_NO_THROW(zv::EvaluateExpression(r.text, v));
        ASSERT_EQ(resolver.calls.size(), 1u);
        EXPECT_TRUE(resolver.calls[0].hasArgs);
        EXPECT_EQ(resolver.calls[0].args, r.args);
    }
}

TEST_F(Expr, CallsTheResolverInTextualOrderWithoutShortCircuit)
{
    Variant v;
    zv::EvaluateExpression("a + x * d - [Totale] + F(s) = 0", v);
    std::vector<std::string> names;
    for (const auto& c : resolver.calls) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "x", "d", "Totale", "F"}));
    EXPECT_FALSE(resolver.calls[0].hasArgs);
    EXPECT_TRUE(resolver.calls[4].hasArgs);
    EXPECT_TRUE(zv::VarSame(v, Variant::fromByte(0)));

    resolver.calls.clear();
    zv::EvaluateExpression("0 AND a OR NOT x", v);  // every operand is read although 0 decides
    ASSERT_EQ(resolver.calls.size(), 2u);
    EXPECT_EQ(resolver.calls[0].name, "a");
    EXPECT_EQ(resolver.calls[1].name, "x");
}

TEST_F(Expr, ResolverErrorsAndConversionErrorsPropagateUnchanged)
{
    Variant v;
    try {
        zv::EvaluateExpression("1 + BOOM", v);
        ADD_FAILURE() << "no exception";
    } catch (const zv::Exception& e) {
        EXPECT_EQ(e.message(), "boom");
    }
    EXPECT_THROW(zv::EvaluateExpression("1.2.3", v), zv::ConvertError);
    EXPECT_THROW(zv::EvaluateExpression(".", v), zv::ConvertError);
    // A failed evaluation leaves the caller's value alone.
    v = Variant(int32_t{42});
    EXPECT_THROW(zv::EvaluateExpression("nobody", v), zv::Exception);
    EXPECT_EQ(v.rawInt(), 42);
}

TEST_F(Expr, NumberLiteralsFollowTheLocaleSeparator)
{
    zv::FormatSettingsOverride restore;
    for (char sep : {',', '.'}) {
        zv::DefaultFormatSettings().decimalSeparator = sep;
        SCOPED_TRACE(sep);
        Variant v = zv::EvaluateExpression("1.5 + 0.25");
        ASSERT_EQ(v.type(), VarType::Double);
        EXPECT_DOUBLE_EQ(v.rawDouble(), 1.75);
        // A long literal goes through the conversion too.
        v = zv::EvaluateExpression("1.2500000000000000000000000000000000000000000000000000000000000000000000");
        EXPECT_DOUBLE_EQ(v.rawDouble(), 1.25);
    }
}

TEST_F(Expr, ErrorModesDecideWhatAFailedOperationYields)
{
    struct ModeRow {
        uint8_t mode;
        const char* text;
        VarType type;
        double value;
    };
    const ModeRow rows[] = {
        {zv::emRecord, "5 / 0", VarType::Integer, 0},
        {zv::emRecord, "1 + 5 / 0", VarType::Double, 1},
        {zv::emRecord, "'abc' * 2 + 3", VarType::Double, 3},
        {zv::emRecord, "0 ^ 2", VarType::Integer, 0},
        {zv::emRecord, "NOT 'abc'", VarType::Integer, 0},
        {2, "5 / 0", VarType::Double, 5},  // the left operand stays
        {2, "1 + 5 / 0", VarType::Double, 6},
        {255, "(-2) ^ 2 * 3", VarType::Double, -6},
    };
    for (const ModeRow& r : rows) {
        SCOPED_TRACE(r.text);
        zv::SetExprErrorMode(r.mode);
        EXPECT_EQ(zv::ExprErrorMode(), r.mode);
        Variant v;
        ASSERT_NO_THROW(zv::EvaluateExpression(r.text, v));
        ASSERT_EQ(v.type(), r.type) << zv::VarTypeName(v.type());
        EXPECT_DOUBLE_EQ(v.toDouble(), r.value);
    }
    // The mode covers combining only: unknown names and brackets still raise.
    zv::SetExprErrorMode(zv::emRecord);
    EXPECT_THROW(zv::EvaluateExpression("nobody"), zv::Exception);
    EXPECT_THROW(zv::EvaluateExpression("(1"), zv::Exception);
}

TEST_F(Expr, RegistrationBelongsToItsOwner)
{
    TestResolver other;
    zv::ClearExprResolver(&other);  // not the registered owner: nothing changes
    EXPECT_EQ(zv::EvaluateExpression("a").rawInt(), 1);
    EXPECT_EQ(resolver.calls.size(), 1u);
    resolver.calls.clear();

    zv::SetExprResolver(zv::TzvResolveEvent::Of<&TestResolver::Resolve>(&other));
    EXPECT_EQ(zv::EvaluateExpression("a").rawInt(), 1);
    EXPECT_TRUE(resolver.calls.empty());
    EXPECT_EQ(other.calls.size(), 1u);

    zv::ClearExprResolver(&other);  // the destroyed owner's registration goes away
    try {
        zv::EvaluateExpression("a");
        ADD_FAILURE() << "no exception";
    } catch (const zv::Exception& e) {
        EXPECT_EQ(e.message(), Msg(kUnknown, "a"));
    }
    EXPECT_EQ(other.calls.size(), 1u);
}

std::string Repeat(const std::string& s, int n)
{
    std::string r;
    r.reserve(s.size() * n);
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

void ExpectTooDeep(const std::string& text)
{
    try {
        zv::EvaluateExpression(text);
        ADD_FAILURE() << "no exception";
    } catch (const zv::Exception& e) {
        const std::string prefix = zv::kExprTooDeepMsg;
        EXPECT_EQ(e.message().substr(0, prefix.size()), prefix);
    }
}

TEST_F(Expr, BoundsTheNestingDepth)
{
    resolver.record = false;
    // The top level counts as one: kExprMaxNesting - 1 brackets still evaluate.
    const int ok = zv::kExprMaxNesting - 1;
    EXPECT_DOUBLE_EQ(zv::EvaluateExpression(Repeat("(", ok) + "1" + Repeat(")", ok)).rawDouble(), 1);
    ExpectTooDeep(Repeat("(", ok + 1) + "1" + Repeat(")", ok + 1));
    ExpectTooDeep(Repeat("(", 100000) + "1" + Repeat(")", 100000));
    ExpectTooDeep(Repeat("NOT ", 100000) + "1");
    ExpectTooDeep(Repeat("- (", 100000) + "1" + Repeat(")", 100000));
    // Calls whose arguments the resolver evaluates nest through the engine.
    ExpectTooDeep(Repeat("EVAL(", 10000) + "1" + Repeat(")", 10000));
    EXPECT_EQ(zv::EvaluateExpression(Repeat("EVAL(", 50) + "1" + Repeat(")", 50)).toInt(), 1);
    // The depth is back to zero after the failures.
    EXPECT_DOUBLE_EQ(zv::EvaluateExpression(Repeat("(", ok) + "2" + Repeat(")", ok)).rawDouble(), 2);
    const uint8_t odd = (ok - 1) % 2;
    EXPECT_TRUE(zv::VarSame(zv::EvaluateExpression(Repeat("NOT ", ok - 1) + "0"), Variant::fromByte(odd)));
}

long AllocationsOf(const char* text, Variant& v)
{
    const long before = gAllocations.load();
    zv::EvaluateExpression(text, v);
    return gAllocations.load() - before;
}

TEST_F(Expr, NumericEvaluationDoesNotAllocate)
{
    resolver.record = false;
    Variant v;
    const char* texts[] = {"2+3*4", "(a+1)*2", "1.5 * 2.25", "x = 10 - 2 + 3", "NOT (d > 2) OR 7 MOD 3"};
    for (const char* t : texts) zv::EvaluateExpression(t, v);  // first use creates what is shared
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        EXPECT_EQ(AllocationsOf(t, v), 0);
    }
    EXPECT_DOUBLE_EQ(v.toDouble(), 1);
    AllocationsOf("(a+1)*2", v);
    EXPECT_DOUBLE_EQ(v.rawDouble(), 4);
    // The counter does see allocations: a long string result needs the heap.
    EXPECT_GT(AllocationsOf("'a string longer than any small-string buffer'", v), 0);
}

}  // namespace
