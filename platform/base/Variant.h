// Variant: the dynamically typed value of expression operands, field values and bindings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

struct FormatSettings;

// Value kinds. Byte is the 8-bit unsigned integer kind; Integer is 32-bit signed.
enum class VarType : uint8_t { Empty, Null, Byte, Integer, Double, Currency, DateTime, String, Boolean };

// The platform's name of a kind, as used in conversion error messages
// ("Could not convert variant of type (String) into type (Double)").
const char* VarTypeName(VarType t);

// Currency: 64-bit integer scaled by 10 000 (four decimal places).
constexpr int64_t kCurrencyScale = 10000;

// Date-time: days since 1899-12-30, time of day as the fraction.
//
// A Variant never allocates for the non-string kinds; a string value owns its
// Windows-1252 bytes. Copying and moving are cheap for numbers.
class Variant {
public:
    Variant() noexcept = default;  // Empty
    Variant(bool v) noexcept : type_(VarType::Boolean) { u_.b = v; }
    Variant(int32_t v) noexcept : type_(VarType::Integer) { u_.i = v; }
    Variant(double v) noexcept : type_(VarType::Double) { u_.d = v; }
    Variant(std::string v) noexcept : type_(VarType::String), s_(std::move(v)) {}
    Variant(std::string_view v) : type_(VarType::String), s_(v) {}
    Variant(const char* v) : type_(VarType::String), s_(v) {}

    static Variant null() noexcept
    {
        Variant r;
        r.type_ = VarType::Null;
        return r;
    }
    static Variant fromByte(uint8_t v) noexcept
    {
        Variant r;
        r.type_ = VarType::Byte;
        r.u_.by = v;
        return r;
    }
    // scaled: the value times 10 000
    static Variant fromCurrency(int64_t scaled) noexcept
    {
        Variant r;
        r.type_ = VarType::Currency;
        r.u_.c = scaled;
        return r;
    }
    static Variant fromDateTime(double days) noexcept
    {
        Variant r;
        r.type_ = VarType::DateTime;
        r.u_.d = days;
        return r;
    }

    VarType type() const noexcept { return type_; }
    bool isEmpty() const noexcept { return type_ == VarType::Empty; }
    bool isNull() const noexcept { return type_ == VarType::Null; }
    bool isEmptyOrNull() const noexcept { return type_ == VarType::Empty || type_ == VarType::Null; }
    bool isString() const noexcept { return type_ == VarType::String; }
    // Byte, Integer, Double, Currency, DateTime, Boolean
    bool isNumeric() const noexcept;
    bool isOrdinal() const noexcept
    {
        return type_ == VarType::Byte || type_ == VarType::Integer || type_ == VarType::Boolean;
    }

    void clear() noexcept
    {
        type_ = VarType::Empty;
        s_.clear();
    }

    // Raw access without conversion; valid only for the matching kind.
    int32_t rawInt() const noexcept { return type_ == VarType::Byte ? u_.by : u_.i; }
    double rawDouble() const noexcept { return u_.d; }
    int64_t rawCurrency() const noexcept { return u_.c; }
    bool rawBool() const noexcept { return u_.b; }
    const std::string& rawString() const noexcept { return s_; }

    // Conversions by the platform's rules. They throw VariantError or ConvertError with the
    // platform's message when the value cannot be converted (a Null to a number, a string that
    // holds no number). Empty converts to 0 / "" / false. Strings are parsed with the given
    // (or the process default) format settings. A boolean counts as -1 (true) or 0 in numbers and
    // reads "True"/"False" as text; numbers convert to integers rounding halves to even. Values
    // outside the target's range fail with "Invalid variant type conversion".
    int32_t toInt() const;
    double toDouble() const;
    int64_t toCurrency() const;  // scaled by 10 000
    double toDateTime() const;
    bool toBool() const;
    std::string toString() const;
    std::string toString(const FormatSettings& fs) const;
    int32_t toInt(const FormatSettings& fs) const;
    double toDouble(const FormatSettings& fs) const;

    friend bool operator==(const Variant&, const Variant&) = delete;  // use VarCompare / VarSame

private:
    VarType type_ = VarType::Empty;
    union {
        int32_t i;
        uint8_t by;
        double d;
        int64_t c;
        bool b;
    } u_{};
    std::string s_;  // only for String
};

// Operators with the platform's conversion rules. "+" concatenates two strings and otherwise
// adds ('2' + 3 is 5); a date-time plus or minus a number stays a date-time; integer operands
// give integer results unless they overflow 32 bits; "/" is always floating; DIV and MOD convert
// both sides to integers and truncate toward zero; AND/OR/XOR are bitwise on integers (logical on
// booleans). Null operands give Null. Failures throw VariantError, ConvertError or MathError.
Variant VarAdd(const Variant& a, const Variant& b);
Variant VarSub(const Variant& a, const Variant& b);
Variant VarMul(const Variant& a, const Variant& b);
Variant VarDiv(const Variant& a, const Variant& b);     // floating division
Variant VarIntDiv(const Variant& a, const Variant& b);  // DIV
Variant VarMod(const Variant& a, const Variant& b);     // MOD
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarNeg(const Variant& a);
Variant VarNot(const Variant& a);  // bitwise on integers, logical on booleans

// Comparison: strings by character codes (case-sensitive), a string against a number
// numerically after converting the string, numbers and date-times by value. A string against a
// date-time is read as a date-time text, or else as a number of days. Null equals Null and is
// less than anything else; Empty counts as 0 or "".
// Returns <0, 0, >0. Throws like the conversions when the operands cannot be compared.
int VarCompare(const Variant& a, const Variant& b);

// Same kind and same value (for tests and containers; no conversion).
bool VarSame(const Variant& a, const Variant& b) noexcept;

// Display text: like toString(), but Null gives "" instead of an error.
std::string VarToStr(const Variant& v);

}  // namespace zv
