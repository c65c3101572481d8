// Variant: conversions between the value kinds and the operators of the expression language.
#include "platform/base/Variant.h"

#include <array>
#include <cmath>
#include <limits>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Numeric.h"
#include "platform/base/Text.h"

namespace zv {
namespace {

constexpr std::array<const char*, 9> kTypeNames = {"Empty",    "Null", "Byte",   "Integer", "Double",
                                                   "Currency", "Date", "String", "Boolean"};
constexpr const char* kInvalidCast = "Invalid variant type conversion";
constexpr const char* kDivByZero = "Division by zero";
constexpr const char* kInvalidOp = "Invalid floating point operation";
constexpr const char* kOverflow = "Floating point overflow";
constexpr const char* kTrueText = "True";
constexpr const char* kFalseText = "False";
// Booleans count as -1 (true) and 0 (false) when they take part in arithmetic, as on the platform.
constexpr int32_t kTrueValue = -1;

constexpr double kInt32Min = -2147483648.0, kInt32Max = 2147483647.0;
// int64 bounds as doubles: 2^63 is exact; anything at or above it does not fit.
constexpr double kInt64Limit = 9223372036854775808.0;

[[noreturn]] void CastError(VarType from, VarType to)
{
    throw VariantError(std::string("Could not convert variant of type (") + VarTypeName(from) + ") into type (" +
                       VarTypeName(to) + ")");
}

[[noreturn]] void InvalidCast() { throw VariantError(kInvalidCast); }

// Nearest int32 with halves to even; NaN and values outside the range cannot be converted.
int32_t RoundToInt32(double v)
{
    double r = std::nearbyint(v);
    if (!(r >= kInt32Min && r <= kInt32Max)) InvalidCast();
    return static_cast<int32_t>(r);
}

// A double (in currency units) scaled by 10 000 and rounded half even, or none when it does not fit.
bool ScaleToCurrency(double v, int64_t& out)
{
    double r = std::nearbyint(v * static_cast<double>(kCurrencyScale));
    if (!(r > -kInt64Limit && r < kInt64Limit)) return false;
    out = static_cast<int64_t>(r);
    return true;
}

// Scaled currency divided by 10 000, rounded half even (exact integer arithmetic).
int64_t CurrencyToInt64(int64_t scaled)
{
    int64_t q = scaled / kCurrencyScale, r = scaled % kCurrencyScale;
    int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > kCurrencyScale || (twice == kCurrencyScale && (q & 1))) q += r < 0 ? -1 : 1;
    return q;
}

const FormatSettings& Defaults() { return DefaultFormatSettings(); }

// "True"/"False" in any letter case; anything else is no boolean text.
bool BoolText(std::string_view s, bool& out)
{
    std::string_view t = s;
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
    if (SameText(t, kTrueText)) return out = true, true;
    if (SameText(t, kFalseText)) return out = false, true;
    return false;
}

// --- numeric operands -----------------------------------------------------------------------------
// Arithmetic works on four categories: exact integers (Empty, Byte, Integer, Boolean), currency
// (scaled int64), doubles (Double and strings, which convert to doubles) and date-times. Nothing
// here allocates unless a string operand has to be parsed or an error is raised.

enum class Cat : uint8_t { Int, Cur, Dbl, Date };

struct Num {
    Cat cat;
    int64_t i;  // Int: the value; Cur: the scaled value
    double d;   // Dbl, Date
};

Num ToNum(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty: return {Cat::Int, 0, 0};
    case VarType::Byte:
    case VarType::Integer: return {Cat::Int, v.rawInt(), 0};
    case VarType::Boolean: return {Cat::Int, v.rawBool() ? kTrueValue : 0, 0};
    case VarType::Double: return {Cat::Dbl, 0, v.rawDouble()};
    case VarType::Currency: return {Cat::Cur, v.rawCurrency(), 0};
    case VarType::DateTime: return {Cat::Date, 0, v.rawDouble()};
    case VarType::String: return {Cat::Dbl, 0, StrToFloat(v.rawString(), Defaults())};
    case VarType::Null: break;
    }
    CastError(v.type(), VarType::Double);
}

double AsDouble(const Num& n)
{
    switch (n.cat) {
    case Cat::Int: return static_cast<double>(n.i);
    case Cat::Cur: return static_cast<double>(n.i) / kCurrencyScale;
    default: return n.d;
    }
}

// A floating result, refused when it overflowed or became undefined from ordinary operands.
double CheckedDouble(double r, double a, double b)
{
    if (std::isnan(r) && !std::isnan(a) && !std::isnan(b)) throw MathError(kInvalidOp);
    if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) throw MathError(kOverflow);
    return r;
}

Variant IntResult(int64_t r)
{
    if (r >= INT32_MIN && r <= INT32_MAX) return Variant(static_cast<int32_t>(r));
    return Variant(static_cast<double>(r));
}

enum class Op : uint8_t { Add, Sub, Mul };

double ApplyDouble(Op op, double a, double b)
{
    double r = op == Op::Add ? a + b : op == Op::Sub ? a - b : a * b;
    return CheckedDouble(r, a, b);
}

Variant Arith(Op op, const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::null();
    Num x = ToNum(a), y = ToNum(b);

    // Date-times: plus or minus a number stays a date-time; the difference of two is a plain number.
    if (x.cat == Cat::Date || y.cat == Cat::Date) {
        double r = ApplyDouble(op, AsDouble(x), AsDouble(y));
        if (op == Op::Mul || (op == Op::Sub && x.cat == Cat::Date && y.cat == Cat::Date)) return Variant(r);
        return Variant::fromDateTime(r);
    }
    if (x.cat == Cat::Dbl || y.cat == Cat::Dbl) return Variant(ApplyDouble(op, AsDouble(x), AsDouble(y)));

    if (x.cat == Cat::Cur || y.cat == Cat::Cur) {
        // Exact scaled arithmetic; a result that does not fit 64 bits continues as a double.
        int64_t r;
        bool overflow;
        if (op == Op::Mul) {
            if (x.cat == Cat::Cur && y.cat == Cat::Cur) {
                __int128 p = static_cast<__int128>(x.i) * y.i;
                __int128 q = p / kCurrencyScale, rem = p % kCurrencyScale;
                __int128 twice = 2 * (rem < 0 ? -rem : rem);
                if (twice > kCurrencyScale || (twice == kCurrencyScale && (q & 1))) q += rem < 0 ? -1 : 1;
                overflow = q < std::numeric_limits<int64_t>::min() || q > std::numeric_limits<int64_t>::max();
                r = static_cast<int64_t>(q);
            } else {
                overflow = __builtin_mul_overflow(x.i, y.i, &r);  // one side is a plain integer
            }
        } else {
            int64_t sx = x.i, sy = y.i;
            overflow = (x.cat == Cat::Int && __builtin_mul_overflow(x.i, kCurrencyScale, &sx)) ||
                       (y.cat == Cat::Int && __builtin_mul_overflow(y.i, kCurrencyScale, &sy));
            if (!overflow)
                overflow = op == Op::Add ? __builtin_add_overflow(sx, sy, &r) : __builtin_sub_overflow(sx, sy, &r);
        }
        if (!overflow) return Variant::fromCurrency(r);
        return Variant(ApplyDouble(op, AsDouble(x), AsDouble(y)));
    }

    // Two integers: 64-bit arithmetic cannot overflow for 32-bit operands.
    int64_t r = op == Op::Add ? x.i + y.i : op == Op::Sub ? x.i - y.i : x.i * y.i;
    return IntResult(r);
}

// Integer operands of DIV, MOD, AND, OR: no allocation for the numeric kinds.
int32_t IntOperand(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Byte:
    case VarType::Integer: return v.rawInt();
    case VarType::Boolean: return v.rawBool() ? kTrueValue : 0;
    default: return v.toInt();
    }
}

}  // namespace

const char* VarTypeName(VarType t)
{
    auto i = static_cast<size_t>(t);
    return i < kTypeNames.size() ? kTypeNames[i] : "Unknown";
}

bool Variant::isNumeric() const noexcept
{
    switch (type_) {
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Double:
    case VarType::Currency:
    case VarType::DateTime:
    case VarType::Boolean: return true;
    default: return false;
    }
}

// --- conversions ----------------------------------------------------------------------------------

// The numeric kinds convert without format settings: the process default is touched (and, on first
// use, built) only when a string has to be parsed.
namespace {

int32_t NumberToInt(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Byte:
    case VarType::Integer: return v.rawInt();
    case VarType::Boolean: return v.rawBool() ? kTrueValue : 0;
    case VarType::Double:
    case VarType::DateTime: return RoundToInt32(v.rawDouble());
    case VarType::Currency: {
        int64_t r = CurrencyToInt64(v.rawCurrency());
        if (r < INT32_MIN || r > INT32_MAX) InvalidCast();
        return static_cast<int32_t>(r);
    }
    default: CastError(v.type(), VarType::Integer);
    }
}

double NumberToDouble(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty: return 0.0;
    case VarType::Byte:
    case VarType::Integer: return v.rawInt();
    case VarType::Boolean: return v.rawBool() ? kTrueValue : 0;
    case VarType::Double:
    case VarType::DateTime: return v.rawDouble();
    case VarType::Currency: return static_cast<double>(v.rawCurrency()) / kCurrencyScale;
    default: CastError(v.type(), VarType::Double);
    }
}

}  // namespace

int32_t Variant::toInt() const { return type_ == VarType::String ? toInt(Defaults()) : NumberToInt(*this); }
double Variant::toDouble() const { return type_ == VarType::String ? toDouble(Defaults()) : NumberToDouble(*this); }
std::string Variant::toString() const { return toString(Defaults()); }

int32_t Variant::toInt(const FormatSettings& fs) const
{
    if (type_ != VarType::String) return NumberToInt(*this);
    if (auto i = TryStrToInt(s_)) return *i;
    // A number with decimals rounds, like a double would.
    if (auto d = TryStrToFloat(s_, fs)) {
        double r = std::nearbyint(*d);
        if (r >= kInt32Min && r <= kInt32Max) return static_cast<int32_t>(r);
    }
    throw ConvertError("'" + s_ + "' is not a valid integer value");
}

double Variant::toDouble(const FormatSettings& fs) const
{
    return type_ == VarType::String ? StrToFloat(s_, fs) : NumberToDouble(*this);
}

int64_t Variant::toCurrency() const
{
    int64_t scaled;
    switch (type_) {
    case VarType::Empty: return 0;
    case VarType::Null: CastError(type_, VarType::Currency);
    case VarType::Byte: return static_cast<int64_t>(u_.by) * kCurrencyScale;
    case VarType::Integer: return static_cast<int64_t>(u_.i) * kCurrencyScale;
    case VarType::Boolean: return u_.b ? kTrueValue * kCurrencyScale : 0;
    case VarType::Currency: return u_.c;
    case VarType::Double:
    case VarType::DateTime:
        if (!ScaleToCurrency(u_.d, scaled)) InvalidCast();
        return scaled;
    case VarType::String: return StrToCurr(s_, Defaults());
    }
    InvalidCast();
}

double Variant::toDateTime() const
{
    switch (type_) {
    case VarType::Null: CastError(type_, VarType::DateTime);
    case VarType::String: {
        // A date-time text first; a plain number (days) is accepted too.
        try {
            return StrToDateTime(s_, Defaults());
        } catch (const ConvertError&) {
            if (auto d = TryStrToFloat(s_, Defaults())) return *d;
            throw;
        }
    }
    default: return NumberToDouble(*this);
    }
}

bool Variant::toBool() const
{
    switch (type_) {
    case VarType::Empty: return false;
    case VarType::Null: CastError(type_, VarType::Boolean);
    case VarType::Boolean: return u_.b;
    case VarType::Byte: return u_.by != 0;
    case VarType::Integer: return u_.i != 0;
    case VarType::Double:
    case VarType::DateTime: return u_.d != 0.0;
    case VarType::Currency: return u_.c != 0;
    case VarType::String: {
        bool b;
        if (BoolText(s_, b)) return b;
        if (auto d = TryStrToFloat(s_, Defaults())) return *d != 0.0;
        CastError(type_, VarType::Boolean);
    }
    }
    InvalidCast();
}

std::string Variant::toString(const FormatSettings& fs) const
{
    switch (type_) {
    case VarType::Empty: return std::string();
    case VarType::Null: CastError(type_, VarType::String);
    case VarType::Byte: return IntToStr(u_.by);
    case VarType::Integer: return IntToStr(u_.i);
    case VarType::Boolean: return u_.b ? kTrueText : kFalseText;
    case VarType::Double: return FloatToStr(u_.d, fs);
    case VarType::Currency: return CurrToStr(u_.c, fs);
    case VarType::DateTime: return DateTimeToStr(u_.d, fs);
    case VarType::String: return s_;
    }
    InvalidCast();
}

std::string VarToStr(const Variant& v) { return v.isNull() ? std::string() : v.toString(); }

// --- operators ------------------------------------------------------------------------------------

Variant VarAdd(const Variant& a, const Variant& b)
{
    // Two strings concatenate; Empty beside a string counts as "".
    if ((a.isString() || a.isEmpty()) && (b.isString() || b.isEmpty()) && (a.isString() || b.isString())) {
        std::string s;
        s.reserve(a.rawString().size() + b.rawString().size());
        s += a.rawString();
        s += b.rawString();
        return Variant(std::move(s));
    }
    return Arith(Op::Add, a, b);
}

Variant VarSub(const Variant& a, const Variant& b) { return Arith(Op::Sub, a, b); }

Variant VarMul(const Variant& a, const Variant& b) { return Arith(Op::Mul, a, b); }

Variant VarDiv(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::null();
    double x = AsDouble(ToNum(a)), y = AsDouble(ToNum(b));
    if (y == 0.0) throw MathError(x == 0.0 || std::isnan(x) ? kInvalidOp : kDivByZero);
    return Variant(CheckedDouble(x / y, x, y));
}

Variant VarIntDiv(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::null();
    int64_t x = IntOperand(a), y = IntOperand(b);
    if (y == 0) throw MathError(kDivByZero);
    return IntResult(DivTrunc(x, y));  // -2147483648 DIV -1 does not fit and becomes a double
}

Variant VarMod(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::null();
    int64_t x = IntOperand(a), y = IntOperand(b);
    if (y == 0) throw MathError(kDivByZero);
    return IntResult(ModTrunc(x, y));
}

Variant VarAnd(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::null();
    if (a.type() == VarType::Boolean && b.type() == VarType::Boolean) return Variant(a.rawBool() && b.rawBool());
    return Variant(IntOperand(a) & IntOperand(b));
}

Variant VarOr(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::null();
    if (a.type() == VarType::Boolean && b.type() == VarType::Boolean) return Variant(a.rawBool() || b.rawBool());
    return Variant(IntOperand(a) | IntOperand(b));
}

Variant VarNeg(const Variant& a)
{
    switch (a.type()) {
    case VarType::Null: return Variant::null();
    case VarType::Empty: return Variant(int32_t{0});
    case VarType::Byte:
    case VarType::Integer: return IntResult(-static_cast<int64_t>(a.rawInt()));
    case VarType::Boolean: return Variant(a.rawBool() ? -kTrueValue : 0);
    case VarType::Double: return Variant(-a.rawDouble());
    case VarType::DateTime: return Variant::fromDateTime(-a.rawDouble());
    case VarType::Currency:
        if (a.rawCurrency() == std::numeric_limits<int64_t>::min())
            return Variant(-static_cast<double>(a.rawCurrency()) / kCurrencyScale);
        return Variant::fromCurrency(-a.rawCurrency());
    case VarType::String: return Variant(-a.toDouble());
    }
    InvalidCast();
}

Variant VarNot(const Variant& a)
{
    switch (a.type()) {
    case VarType::Null: return Variant::null();
    case VarType::Boolean: return Variant(!a.rawBool());
    case VarType::String: {
        bool b;
        if (BoolText(a.rawString(), b)) return Variant(!b);
        return Variant(~a.toInt());
    }
    default: return Variant(~IntOperand(a));
    }
}

// --- comparison -----------------------------------------------------------------------------------

int VarCompare(const Variant& a, const Variant& b)
{
    // Null is equal to Null and less than anything else.
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : a.isNull() ? -1 : 1;

    // Strings by byte codes; Empty beside a string counts as "".
    if ((a.isString() || a.isEmpty()) && (b.isString() || b.isEmpty()) && (a.isString() || b.isString())) {
        int c = a.rawString().compare(b.rawString());  // char_traits<char> compares as unsigned bytes
        return (c > 0) - (c < 0);
    }
    if (a.type() == VarType::Boolean && b.type() == VarType::Boolean)
        return static_cast<int>(a.rawBool()) - static_cast<int>(b.rawBool());

    // A string against a date-time may be a date text ("15/03/2024") as well as a number of days.
    if (a.type() == VarType::DateTime && b.isString()) {
        double d = b.toDateTime();
        return (a.rawDouble() > d) - (a.rawDouble() < d);
    }
    if (a.isString() && b.type() == VarType::DateTime) return -VarCompare(b, a);

    Num x = ToNum(a), y = ToNum(b);
    if ((x.cat == Cat::Int || x.cat == Cat::Cur) && (y.cat == Cat::Int || y.cat == Cat::Cur)) {
        // Exact: integers and currency compare on the common scale (a 32-bit integer times 10 000 fits).
        int64_t sx = x.cat == Cat::Int && y.cat == Cat::Cur ? x.i * kCurrencyScale : x.i;
        int64_t sy = y.cat == Cat::Int && x.cat == Cat::Cur ? y.i * kCurrencyScale : y.i;
        return (sx > sy) - (sx < sy);
    }
    double dx = AsDouble(x), dy = AsDouble(y);
    if (std::isnan(dx) || std::isnan(dy)) return std::isnan(dx) && std::isnan(dy) ? 0 : 1;
    return (dx > dy) - (dx < dy);
}

bool VarSame(const Variant& a, const Variant& b) noexcept
{
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case VarType::Empty:
    case VarType::Null: return true;
    case VarType::Byte:
    case VarType::Integer: return a.rawInt() == b.rawInt();
    case VarType::Boolean: return a.rawBool() == b.rawBool();
    case VarType::Currency: return a.rawCurrency() == b.rawCurrency();
    case VarType::Double:
    case VarType::DateTime:
        return a.rawDouble() == b.rawDouble() || (std::isnan(a.rawDouble()) && std::isnan(b.rawDouble()));
    case VarType::String: return a.rawString() == b.rawString();
    }
    return false;
}

}  // namespace zv
