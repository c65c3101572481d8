// Variant: kinds, conversions with their messages, operators, comparison, and no allocation for numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Variant.h"

using namespace zv;

// --- heap allocation counter ------------------------------------------------------------------------
// Counts operator new calls while gCounting is set, so the numeric paths can be shown not to allocate.
namespace {
bool gCounting = false;
long gAllocations = 0;
}  // namespace

// Out of line, so the compiler does not pair the inlined malloc with a delete elsewhere.
__attribute__((noinline)) void* operator new(std::size_t n)
{
    if (gCounting) ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

Variant Cur(int64_t scaled) { return Variant::fromCurrency(scaled); }
Variant Date(double d) { return Variant::fromDateTime(d); }
Variant Byte(uint8_t b) { return Variant::fromByte(b); }
Variant Int(int32_t i) { return Variant(i); }
Variant Dbl(double d) { return Variant(d); }
Variant Str(const char* s) { return Variant(s); }
const Variant kNull = Variant::null();
const Variant kEmpty;

std::string Describe(const Variant& v)
{
    std::string s = VarTypeName(v.type());
    switch (v.type()) {
    case VarType::Byte:
    case VarType::Integer: return s + " " + std::to_string(v.rawInt());
    case VarType::Double:
    case VarType::DateTime: {
        char buf[40];
        std::snprintf(buf, sizeof buf, " %.17g", v.rawDouble());
        return s + buf;
    }
    case VarType::Currency: return s + " " + std::to_string(v.rawCurrency()) + "/10000";
    case VarType::Boolean: return s + (v.rawBool() ? " true" : " false");
    case VarType::String: return s + " '" + v.rawString() + "'";
    default: return s;
    }
}

// The outcome of an operation: a value of an exact kind, or an error of a class with a message.
enum class Err { None, Convert, Variant, Math };

struct Outcome {
    Variant value;
    Err err = Err::None;
    std::string message;
};

Outcome Value(Variant v) { return Outcome{std::move(v), Err::None, {}}; }
Outcome Fails(Err e, std::string message) { return Outcome{Variant(), e, std::move(message)}; }

Outcome Attempt(const std::function<Variant()>& f)
{
    try {
        return Value(f());
    } catch (const ConvertError& e) {
        return Fails(Err::Convert, e.message());
    } catch (const VariantError& e) {
        return Fails(Err::Variant, e.message());
    } catch (const MathError& e) {
        return Fails(Err::Math, e.message());
    }
}

void ExpectOutcome(const Outcome& got, const Outcome& want, const std::string& what)
{
    if (want.err == Err::None) {
        EXPECT_EQ(got.err, Err::None) << what << ": unexpected error " << got.message;
        EXPECT_TRUE(VarSame(got.value, want.value))
            << what << ": got " << Describe(got.value) << ", want " << Describe(want.value);
    } else {
        EXPECT_EQ(got.err, want.err) << what << " (" << got.message << ")";
        EXPECT_EQ(got.message, want.message) << what;
    }
}

using BinOp = Variant (*)(const Variant&, const Variant&);

struct BinCase {
    const char* what;
    BinOp op;
    Variant a, b;
    Outcome expected;
};

// The tests run under the Italian settings the process starts with: "," is the decimal separator.
class VariantTest : public ::testing::Test {
protected:
    void SetUp() override { DefaultFormatSettings() = ItalianFormatSettings(); }
    FormatSettingsOverride restore_;
};

}  // namespace

TEST(VariantKinds, NamesAndPredicates)
{
    const std::pair<VarType, const char*> names[] = {
        {VarType::Empty, "Empty"},     {VarType::Null, "Null"},     {VarType::Byte, "Byte"},
        {VarType::Integer, "Integer"}, {VarType::Double, "Double"}, {VarType::Currency, "Currency"},
        {VarType::DateTime, "Date"},   {VarType::String, "String"}, {VarType::Boolean, "Boolean"},
    };
    for (auto [t, n] : names) EXPECT_STREQ(VarTypeName(t), n);

    struct Case {
        Variant v;
        VarType type;
        bool numeric, ordinal;
    };
    const Case cases[] = {
        {kEmpty, VarType::Empty, false, false},
        {kNull, VarType::Null, false, false},
        {Byte(1), VarType::Byte, true, true},
        {Int(1), VarType::Integer, true, true},
        {Dbl(1), VarType::Double, true, false},
        {Cur(1), VarType::Currency, true, false},
        {Date(1), VarType::DateTime, true, false},
        {Str("1"), VarType::String, false, false},
        {Variant(true), VarType::Boolean, true, true},
        {Variant(std::string("x")), VarType::String, false, false},
        {Variant(std::string_view("x")), VarType::String, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.v.type(), c.type) << Describe(c.v);
        EXPECT_EQ(c.v.isNumeric(), c.numeric) << Describe(c.v);
        EXPECT_EQ(c.v.isOrdinal(), c.ordinal) << Describe(c.v);
    }
    Variant s("text");
    s.clear();
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(s.rawString(), "");
    EXPECT_EQ(Byte(200).rawInt(), 200);
}

TEST_F(VariantTest, Arithmetic)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int64_t kCurMax = std::numeric_limits<int64_t>::max();
    const BinCase cases[] = {
        // '+' concatenates two strings and otherwise adds.
        {"'a' + 'b'", VarAdd, Str("a"), Str("b"), Value(Str("ab"))},
        {"'2' + 3", VarAdd, Str("2"), Int(3), Value(Dbl(5))},
        {"'2' + '3' concatenates", VarAdd, Str("2"), Str("3"), Value(Str("23"))},
        {"'1,5' + 1 uses the decimal comma", VarAdd, Str("1,5"), Int(1), Value(Dbl(2.5))},
        {"'abc' + 1", VarAdd, Str("abc"), Int(1), Fails(Err::Convert, "'abc' is not a valid floating point value")},
        {"'5' - '2' is numeric", VarSub, Str("5"), Str("2"), Value(Dbl(3))},
        {"'3' * 'x'", VarMul, Str("3"), Str("x"), Fails(Err::Convert, "'x' is not a valid floating point value")},
        // Integers stay integers until they overflow 32 bits.
        {"2 + 3", VarAdd, Int(2), Int(3), Value(Int(5))},
        {"-3 * 2", VarMul, Int(-3), Int(2), Value(Int(-6))},
        {"max + 1", VarAdd, Int(kMax), Int(1), Value(Dbl(2147483648.0))},
        {"min - 1", VarSub, Int(kMin), Int(1), Value(Dbl(-2147483649.0))},
        {"65536 * 65536", VarMul, Int(65536), Int(65536), Value(Dbl(4294967296.0))},
        {"min * -1", VarMul, Int(kMin), Int(-1), Value(Dbl(2147483648.0))},
        {"byte + byte", VarAdd, Byte(200), Byte(100), Value(Int(300))},
        {"true + 1 (true counts -1)", VarAdd, Variant(true), Int(1), Value(Int(0))},
        // Doubles win over integers and currency.
        {"2.5 + 1", VarAdd, Dbl(2.5), Int(1), Value(Dbl(3.5))},
        {"2 * 3.0", VarMul, Int(2), Dbl(3), Value(Dbl(6))},
        {"currency + double", VarAdd, Cur(15000), Dbl(0.25), Value(Dbl(1.75))},
        {"1e308 * 10", VarMul, Dbl(1e308), Int(10), Fails(Err::Math, "Floating point overflow")},
        {"-1e308 - 1e308", VarSub, Dbl(-1e308), Dbl(1e308), Fails(Err::Math, "Floating point overflow")},
        // Date-times plus or minus a number stay date-times.
        {"date + 1", VarAdd, Date(45000.5), Int(1), Value(Date(45001.5))},
        {"1 + date", VarAdd, Int(1), Date(45000.5), Value(Date(45001.5))},
        {"date - 0.25", VarSub, Date(45000.5), Dbl(0.25), Value(Date(45000.25))},
        {"date + '2'", VarAdd, Date(45000), Str("2"), Value(Date(45002))},
        {"date + currency", VarAdd, Date(45000), Cur(5000), Value(Date(45000.5))},
        {"date - date is a number of days", VarSub, Date(45010.5), Date(45000), Value(Dbl(10.5))},
        {"date * 2 is a number", VarMul, Date(2), Int(2), Value(Dbl(4))},
        // Currency stays currency while the result is exact.
        {"1.5 + 2.25", VarAdd, Cur(15000), Cur(22500), Value(Cur(37500))},
        {"currency - integer", VarSub, Cur(15000), Int(2), Value(Cur(-5000))},
        {"integer * currency", VarMul, Int(3), Cur(12345), Value(Cur(37035))},
        {"1.5 * 2.5", VarMul, Cur(15000), Cur(25000), Value(Cur(37500))},
        {"0.0001 * 0.5 rounds half to even", VarMul, Cur(1), Cur(5000), Value(Cur(0))},
        {"0.0003 * 0.5 rounds half to even", VarMul, Cur(3), Cur(5000), Value(Cur(2))},
        {"currency overflow continues as double", VarAdd, Cur(kCurMax), Cur(10000),
         Value(Dbl(static_cast<double>(kCurMax) / 10000 + 1))},
        // Null gives Null; Empty counts as 0 or "".
        {"null + 1", VarAdd, kNull, Int(1), Value(kNull)},
        {"'a' + null", VarAdd, Str("a"), kNull, Value(kNull)},
        {"null * 'x' does not convert", VarMul, kNull, Str("x"), Value(kNull)},
        {"empty + 1", VarAdd, kEmpty, Int(1), Value(Int(1))},
        {"empty + 'a'", VarAdd, kEmpty, Str("a"), Value(Str("a"))},
        {"'a' + empty", VarAdd, Str("a"), kEmpty, Value(Str("a"))},
        {"empty - 2.5", VarSub, kEmpty, Dbl(2.5), Value(Dbl(-2.5))},
        {"empty + empty", VarAdd, kEmpty, kEmpty, Value(Int(0))},
    };
    for (const BinCase& c : cases) ExpectOutcome(Attempt([&] { return c.op(c.a, c.b); }), c.expected, c.what);
}

TEST_F(VariantTest, Division)
{
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const BinCase cases[] = {
        {"7 / 2", VarDiv, Int(7), Int(2), Value(Dbl(3.5))},
        {"6 / 3 is still floating", VarDiv, Int(6), Int(3), Value(Dbl(2))},
        {"currency / integer", VarDiv, Cur(100000), Int(4), Value(Dbl(2.5))},
        {"'9' / 2", VarDiv, Str("9"), Int(2), Value(Dbl(4.5))},
        {"date / 2", VarDiv, Date(3), Int(2), Value(Dbl(1.5))},
        {"5 / 0", VarDiv, Int(5), Int(0), Fails(Err::Math, "Division by zero")},
        {"-5 / 0.0", VarDiv, Int(-5), Dbl(0), Fails(Err::Math, "Division by zero")},
        {"0 / 0", VarDiv, Int(0), Int(0), Fails(Err::Math, "Invalid floating point operation")},
        {"0.0 / empty", VarDiv, Dbl(0), kEmpty, Fails(Err::Math, "Invalid floating point operation")},
        {"1e308 / 1e-308", VarDiv, Dbl(1e308), Dbl(1e-308), Fails(Err::Math, "Floating point overflow")},
        {"null / 0", VarDiv, kNull, Int(0), Value(kNull)},
        {"'x' / 1", VarDiv, Str("x"), Int(1), Fails(Err::Convert, "'x' is not a valid floating point value")},
        // DIV and MOD truncate toward zero.
        {"7 DIV 2", VarIntDiv, Int(7), Int(2), Value(Int(3))},
        {"-7 DIV 2", VarIntDiv, Int(-7), Int(2), Value(Int(-3))},
        {"7 DIV -2", VarIntDiv, Int(7), Int(-2), Value(Int(-3))},
        {"7 MOD 3", VarMod, Int(7), Int(3), Value(Int(1))},
        {"-7 MOD 3", VarMod, Int(-7), Int(3), Value(Int(-1))},
        {"7 MOD -3", VarMod, Int(7), Int(-3), Value(Int(1))},
        {"7.0 DIV 2.0 (literals are doubles)", VarIntDiv, Dbl(7), Dbl(2), Value(Int(3))},
        {"7.0 MOD 3.0", VarMod, Dbl(7), Dbl(3), Value(Int(1))},
        {"7.5 DIV 1 rounds the operand half to even", VarIntDiv, Dbl(7.5), Int(1), Value(Int(8))},
        {"6.5 DIV 1", VarIntDiv, Dbl(6.5), Int(1), Value(Int(6))},
        {"'7' DIV '2'", VarIntDiv, Str("7"), Str("2"), Value(Int(3))},
        {"min DIV -1 does not fit 32 bits", VarIntDiv, Int(kMin), Int(-1), Value(Dbl(2147483648.0))},
        {"min MOD -1", VarMod, Int(kMin), Int(-1), Value(Int(0))},
        {"7 DIV 0", VarIntDiv, Int(7), Int(0), Fails(Err::Math, "Division by zero")},
        {"7 MOD 0", VarMod, Int(7), Int(0), Fails(Err::Math, "Division by zero")},
        {"7 MOD 0.4 (rounds to 0)", VarMod, Int(7), Dbl(0.4), Fails(Err::Math, "Division by zero")},
        {"1e10 DIV 1", VarIntDiv, Dbl(1e10), Int(1), Fails(Err::Variant, "Invalid variant type conversion")},
        {"'x' MOD 2", VarMod, Str("x"), Int(2), Fails(Err::Convert, "'x' is not a valid integer value")},
        {"null DIV 0", VarIntDiv, kNull, Int(0), Value(kNull)},
        {"empty MOD 5", VarMod, kEmpty, Int(5), Value(Int(0))},
    };
    for (const BinCase& c : cases) ExpectOutcome(Attempt([&] { return c.op(c.a, c.b); }), c.expected, c.what);
}

TEST_F(VariantTest, LogicAndBits)
{
    const BinCase cases[] = {
        {"1 AND 0", VarAnd, Int(1), Int(0), Value(Int(0))},
        {"1 OR 0", VarOr, Int(1), Int(0), Value(Int(1))},
        {"1 AND 1", VarAnd, Int(1), Int(1), Value(Int(1))},
        {"6 AND 3", VarAnd, Int(6), Int(3), Value(Int(2))},
        {"6 OR 3", VarOr, Int(6), Int(3), Value(Int(7))},
        {"1.0 AND 1.0", VarAnd, Dbl(1), Dbl(1), Value(Int(1))},
        {"1.0 OR 0.0", VarOr, Dbl(1), Dbl(0), Value(Int(1))},
        {"'12' AND 4", VarAnd, Str("12"), Int(4), Value(Int(4))},
        {"true AND false", VarAnd, Variant(true), Variant(false), Value(Variant(false))},
        {"true OR false", VarOr, Variant(true), Variant(false), Value(Variant(true))},
        {"true AND 5 (true is all bits)", VarAnd, Variant(true), Int(5), Value(Int(5))},
        {"null AND 1", VarAnd, kNull, Int(1), Value(kNull)},
        {"1 OR null", VarOr, Int(1), kNull, Value(kNull)},
        {"'x' OR 1", VarOr, Str("x"), Int(1), Fails(Err::Convert, "'x' is not a valid integer value")},
    };
    for (const BinCase& c : cases) ExpectOutcome(Attempt([&] { return c.op(c.a, c.b); }), c.expected, c.what);

    struct UnCase {
        const char* what;
        Variant (*op)(const Variant&);
        Variant a;
        Outcome expected;
    };
    const UnCase unary[] = {
        {"NOT 0", VarNot, Int(0), Value(Int(-1))},
        {"NOT 5", VarNot, Int(5), Value(Int(-6))},
        {"NOT -1", VarNot, Int(-1), Value(Int(0))},
        {"NOT 1.0", VarNot, Dbl(1), Value(Int(-2))},
        {"NOT true", VarNot, Variant(true), Value(Variant(false))},
        {"NOT 'False'", VarNot, Str("False"), Value(Variant(true))},
        {"NOT '3'", VarNot, Str("3"), Value(Int(-4))},
        {"NOT null", VarNot, kNull, Value(kNull)},
        {"NOT 'x'", VarNot, Str("x"), Fails(Err::Convert, "'x' is not a valid integer value")},
        {"-5", VarNeg, Int(5), Value(Int(-5))},
        {"-min", VarNeg, Int(std::numeric_limits<int32_t>::min()), Value(Dbl(2147483648.0))},
        {"-byte", VarNeg, Byte(7), Value(Int(-7))},
        {"-2.5", VarNeg, Dbl(2.5), Value(Dbl(-2.5))},
        {"-currency", VarNeg, Cur(12345), Value(Cur(-12345))},
        {"-date", VarNeg, Date(2), Value(Date(-2))},
        {"-'3'", VarNeg, Str("3"), Value(Dbl(-3))},
        {"-null", VarNeg, kNull, Value(kNull)},
        {"-empty", VarNeg, kEmpty, Value(Int(0))},
        {"-'y'", VarNeg, Str("y"), Fails(Err::Convert, "'y' is not a valid floating point value")},
    };
    for (const UnCase& c : unary) ExpectOutcome(Attempt([&] { return c.op(c.a); }), c.expected, c.what);
}

TEST_F(VariantTest, Comparison)
{
    struct Case {
        const char* what;
        Variant a, b;
        int sign;  // 2: the comparison fails
        const char* error = nullptr;
    };
    const Case cases[] = {
        {"strings by byte codes", Str("a"), Str("b"), -1},
        {"upper case before lower case", Str("B"), Str("a"), -1},
        {"case matters", Str("abc"), Str("ABC"), 1},
        {"prefix first", Str("a"), Str("ab"), -1},
        {"bytes above 127 are large", Str("\xE8"), Str("z"), 1},
        {"digit strings as strings", Str("10"), Str("9"), -1},
        {"equal strings", Str("x y"), Str("x y"), 0},
        {"string against number is numeric", Str("10"), Int(9), 1},
        {"number against string", Dbl(2.5), Str("2,5"), 0},
        {"number string against date", Str("45000"), Date(45000.5), -1},
        {"date text against date", Str("15/03/2024"), Date(45366.5), -1},
        {"date text equal to a date", Date(45366), Str("15/03/2024"), 0},
        {"3 > 2", Int(3), Int(2), 1},
        {"integer against double", Int(2), Dbl(2.0), 0},
        {"2.5 against 2", Dbl(2.5), Int(2), 1},
        {"currency against integer", Cur(20000), Int(2), 0},
        {"currency against currency", Cur(1), Cur(2), -1},
        {"currency against double", Cur(15000), Dbl(1.5), 0},
        {"dates by value", Date(45000.25), Date(45000.5), -1},
        {"date against number", Date(45000), Int(45000), 0},
        {"byte against integer", Byte(255), Int(256), -1},
        {"booleans: false before true", Variant(false), Variant(true), -1},
        {"null equals null", kNull, kNull, 0},
        {"null before anything", kNull, Int(-1000), -1},
        {"anything after null", Str(""), kNull, 1},
        {"empty equals 0", kEmpty, Int(0), 0},
        {"empty equals ''", kEmpty, Str(""), 0},
        {"empty before 'a'", kEmpty, Str("a"), -1},
        {"empty equals empty", kEmpty, kEmpty, 0},
        {"non-number string against number", Str("x"), Int(1), 2, "'x' is not a valid floating point value"},
        {"non-date string against date", Date(1), Str("x"), 2, "'x' is not a valid date and time"},
    };
    for (const Case& c : cases) {
        if (c.sign == 2) {
            try {
                VarCompare(c.a, c.b);
                ADD_FAILURE() << c.what << ": no error";
            } catch (const ConvertError& e) {
                EXPECT_EQ(e.message(), c.error) << c.what;
            }
            continue;
        }
        int r = VarCompare(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.what;
        int back = VarCompare(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.what << " (swapped)";
    }
}

TEST_F(VariantTest, ConversionsToNumbers)
{
    FormatSettings dot = ItalianFormatSettings();
    dot.decimalSeparator = '.';
    dot.thousandSeparator = ',';
    struct Case {
        const char* what;
        std::function<Variant()> convert;
        Outcome expected;
    };
    const Case cases[] = {
        // toInt: halves to even, strings as integers or numbers.
        {"empty", [] { return Int(kEmpty.toInt()); }, Value(Int(0))},
        {"2.5", [] { return Int(Dbl(2.5).toInt()); }, Value(Int(2))},
        {"3.5", [] { return Int(Dbl(3.5).toInt()); }, Value(Int(4))},
        {"-2.5", [] { return Int(Dbl(-2.5).toInt()); }, Value(Int(-2))},
        {"currency 2.5", [] { return Int(Cur(25000).toInt()); }, Value(Int(2))},
        {"currency -3.5", [] { return Int(Cur(-35000).toInt()); }, Value(Int(-4))},
        {"currency 1.4999", [] { return Int(Cur(14999).toInt()); }, Value(Int(1))},
        {"date", [] { return Int(Date(45000.75).toInt()); }, Value(Int(45001))},
        {"true", [] { return Int(Variant(true).toInt()); }, Value(Int(-1))},
        {"'42'", [] { return Int(Str("42").toInt()); }, Value(Int(42))},
        {"' 42 '", [] { return Int(Str(" 42 ").toInt()); }, Value(Int(42))},
        {"'$1F'", [] { return Int(Str("$1F").toInt()); }, Value(Int(31))},
        {"'2,5'", [] { return Int(Str("2,5").toInt()); }, Value(Int(2))},
        {"'3.5' with a dot", [&] { return Int(Str("3.5").toInt(dot)); }, Value(Int(4))},
        {"'abc'", [] { return Int(Str("abc").toInt()); }, Fails(Err::Convert, "'abc' is not a valid integer value")},
        {"''", [] { return Int(Str("").toInt()); }, Fails(Err::Convert, "'' is not a valid integer value")},
        {"'1e20'", [] { return Int(Str("1e20").toInt()); }, Fails(Err::Convert, "'1e20' is not a valid integer value")},
        {"null", [] { return Int(kNull.toInt()); },
         Fails(Err::Variant, "Could not convert variant of type (Null) into type (Integer)")},
        {"1e10", [] { return Int(Dbl(1e10).toInt()); }, Fails(Err::Variant, "Invalid variant type conversion")},
        {"NaN", [] { return Int(Dbl(std::nan("")).toInt()); }, Fails(Err::Variant, "Invalid variant type conversion")},
        {"huge currency", [] { return Int(Cur(std::numeric_limits<int64_t>::max()).toInt()); },
         Fails(Err::Variant, "Invalid variant type conversion")},
        // toDouble
        {"'1,5'", [] { return Dbl(Str("1,5").toDouble()); }, Value(Dbl(1.5))},
        {"'1.5' with a dot", [&] { return Dbl(Str("1.5").toDouble(dot)); }, Value(Dbl(1.5))},
        {"currency", [] { return Dbl(Cur(12345).toDouble()); }, Value(Dbl(1.2345))},
        {"byte", [] { return Dbl(Byte(255).toDouble()); }, Value(Dbl(255))},
        {"true as double", [] { return Dbl(Variant(true).toDouble()); }, Value(Dbl(-1))},
        {"'abc' as double", [] { return Dbl(Str("abc").toDouble()); },
         Fails(Err::Convert, "'abc' is not a valid floating point value")},
        {"null as double", [] { return Dbl(kNull.toDouble()); },
         Fails(Err::Variant, "Could not convert variant of type (Null) into type (Double)")},
        // toCurrency: scaled and rounded half to even
        {"1.5 to currency", [] { return Cur(Dbl(1.5).toCurrency()); }, Value(Cur(15000))},
        {"1.23456 to currency", [] { return Cur(Dbl(1.23456).toCurrency()); }, Value(Cur(12346))},
        {"integer to currency", [] { return Cur(Int(-3).toCurrency()); }, Value(Cur(-30000))},
        {"'2,5' to currency", [] { return Cur(Str("2,5").toCurrency()); }, Value(Cur(25000))},
        {"1e20 to currency", [] { return Cur(Dbl(1e20).toCurrency()); },
         Fails(Err::Variant, "Invalid variant type conversion")},
        {"null to currency", [] { return Cur(kNull.toCurrency()); },
         Fails(Err::Variant, "Could not convert variant of type (Null) into type (Currency)")},
        // toDateTime
        {"double to date", [] { return Date(Dbl(45000.5).toDateTime()); }, Value(Date(45000.5))},
        {"'45000' to date", [] { return Date(Str("45000").toDateTime()); }, Value(Date(45000))},
        {"Italian date text", [] { return Date(Str("15/03/2024").toDateTime()); }, Value(Date(45366))},
        {"'abc' to date", [] { return Date(Str("abc").toDateTime()); },
         Fails(Err::Convert, "'abc' is not a valid date and time")},
        {"empty to date", [] { return Date(kEmpty.toDateTime()); }, Value(Date(0))},
        {"null to date", [] { return Date(kNull.toDateTime()); },
         Fails(Err::Variant, "Could not convert variant of type (Null) into type (Date)")},
        // toBool
        {"0", [] { return Variant(Int(0).toBool()); }, Value(Variant(false))},
        {"2", [] { return Variant(Int(2).toBool()); }, Value(Variant(true))},
        {"0.5", [] { return Variant(Dbl(0.5).toBool()); }, Value(Variant(true))},
        {"'TRUE'", [] { return Variant(Str("TRUE").toBool()); }, Value(Variant(true))},
        {"'false'", [] { return Variant(Str("false").toBool()); }, Value(Variant(false))},
        {"'0'", [] { return Variant(Str("0").toBool()); }, Value(Variant(false))},
        {"'abc' to boolean", [] { return Variant(Str("abc").toBool()); },
         Fails(Err::Variant, "Could not convert variant of type (String) into type (Boolean)")},
        {"null to boolean", [] { return Variant(kNull.toBool()); },
         Fails(Err::Variant, "Could not convert variant of type (Null) into type (Boolean)")},
    };
    for (const Case& c : cases) ExpectOutcome(Attempt(c.convert), c.expected, c.what);
}

TEST_F(VariantTest, ConversionsToText)
{
    FormatSettings dot = ItalianFormatSettings();
    dot.decimalSeparator = '.';
    const FormatSettings it = ItalianFormatSettings();
    struct Case {
        Variant v;
        std::string italian;
    };
    const Case cases[] = {
        {kEmpty, ""},
        {Int(-5), "-5"},
        {Byte(255), "255"},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Str("Pi\xE8"), "Pi\xE8"},
        {Dbl(1.5), FloatToStr(1.5, it)},
        {Cur(15000), CurrToStr(15000, it)},
        {Date(45000.5), DateTimeToStr(45000.5, it)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.v.toString(), c.italian) << Describe(c.v);
        EXPECT_EQ(VarToStr(c.v), c.italian) << Describe(c.v);
    }
    EXPECT_EQ(Dbl(1.5).toString(), "1,5");
    EXPECT_EQ(Dbl(1.5).toString(dot), "1.5");
    EXPECT_EQ(VarToStr(kNull), "");
    try {
        kNull.toString();
        ADD_FAILURE() << "Null converted to a string";
    } catch (const VariantError& e) {
        EXPECT_EQ(e.message(), "Could not convert variant of type (Null) into type (String)");
    }
    // The process default settings decide the text of toString() without arguments.
    DefaultFormatSettings().decimalSeparator = '.';
    EXPECT_EQ(Dbl(2.25).toString(), "2.25");
    EXPECT_TRUE(VarSame(VarAdd(Str("2.25"), Int(1)), Dbl(3.25)));
}

TEST(VariantSame, KindAndValue)
{
    EXPECT_TRUE(VarSame(Int(1), Int(1)));
    EXPECT_FALSE(VarSame(Int(1), Dbl(1)));
    EXPECT_FALSE(VarSame(Int(1), Byte(1)));
    EXPECT_FALSE(VarSame(Dbl(45000), Date(45000)));
    EXPECT_TRUE(VarSame(Dbl(std::nan("")), Dbl(std::nan(""))));
    EXPECT_FALSE(VarSame(Str("a"), Str("A")));
    EXPECT_TRUE(VarSame(kNull, kNull));
    EXPECT_FALSE(VarSame(kNull, kEmpty));
    EXPECT_FALSE(VarSame(Cur(1), Cur(2)));
    EXPECT_FALSE(VarSame(Variant(true), Variant(false)));
}

// The expression engine evaluates numeric expressions with no heap allocation; the value type
// must therefore not allocate on numeric paths, copies included.
TEST(VariantAllocation, NumericPathsDoNotAllocate)
{
    const Variant two(2.0), three(3.0), four(4.0), seven(7), cur = Cur(12345), date = Date(45000.5);
    const Variant i1(1), i0(0), big(std::numeric_limits<int32_t>::max());
    int sink = 0;
    gAllocations = 0;
    gCounting = true;
    Variant r = VarAdd(two, VarMul(three, four));  // 2+3*4
    Variant copies[4] = {r, two, cur, date};
    Variant moved = std::move(copies[0]);
    r = VarSub(VarDiv(seven, two), VarIntDiv(seven, two));
    r = VarMod(seven, Variant(3));
    r = VarAnd(i1, i0);
    r = VarOr(i1, i0);
    r = VarNot(i0);
    r = VarNeg(cur);
    r = VarAdd(date, i1);
    r = VarMul(cur, cur);
    r = VarAdd(big, i1);
    sink += VarCompare(two, three) + VarCompare(cur, seven) + VarCompare(Variant::null(), Variant());
    sink += seven.toInt() + static_cast<int>(two.toDouble()) + static_cast<int>(cur.toCurrency()) +
            static_cast<int>(date.toDateTime()) + i1.toBool();
    gCounting = false;
    EXPECT_EQ(gAllocations, 0);
    EXPECT_TRUE(VarSame(moved, Dbl(14.0)));
    EXPECT_TRUE(VarSame(r, Dbl(2147483648.0)));
    EXPECT_NE(sink, 0);

    // The counter itself works: a string result does allocate.
    gCounting = true;
    Variant s = VarAdd(Str("a string longer than the small buffer "), Str("so that it allocates"));
    gCounting = false;
    EXPECT_GT(gAllocations, 0);
    EXPECT_EQ(s.rawString(), "a string longer than the small buffer so that it allocates");
}
