// SQL connections: choosing the back end, and the type names, value texts and parameters both share.
#include "platform/data/SqlConnection.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/Text.h"
#include "platform/data/DataSet.h"

namespace zv {

std::unique_ptr<SqlConnection> ConnectSql(const std::string& database, SqlAccess access)
{
    const std::string lower = LowerCase(database);
    if (lower.rfind("postgres://", 0) == 0 || lower.rfind("postgresql://", 0) == 0)
        return detail::ConnectPostgres(database, access);
    if (database.empty()) throw Exception("No database given");
    return detail::ConnectSqlite(database, access);
}

namespace detail {

namespace {

// The numbers in the parentheses of a declared type: "NUMERIC(10, 2)" gives 10 and 2.
std::vector<int> TypeArguments(std::string_view declared)
{
    std::vector<int> out;
    const size_t open = declared.find('(');
    if (open == std::string_view::npos) return out;
    size_t i = open + 1;
    while (i < declared.size() && declared[i] != ')') {
        while (i < declared.size() && (declared[i] == ' ' || declared[i] == ',')) ++i;
        int v = 0;
        auto [p, ec] = std::from_chars(declared.data() + i, declared.data() + declared.size(), v);
        if (ec != std::errc() || p == declared.data() + i) break;
        out.push_back(v);
        i = static_cast<size_t>(p - declared.data());
    }
    return out;
}

bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

[[noreturn]] void BadValue(const FieldDef& def, std::string_view text)
{
    std::string shown = Utf8ToCp1252(text.substr(0, 64));
    throw Exception("Invalid value '" + shown + "' for field '" + def.name + "'");
}

template <typename T>
bool ParseNumber(std::string_view text, T& v)
{
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && p == text.data() + text.size() && !text.empty();
}

// A decimal text ("-12.3456") scaled by 10 000, rounded half to even beyond four decimals.
bool ParseScaled(std::string_view text, int64_t& out)
{
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        i = 1;
    }
    int64_t v = 0;
    int decimals = 0, digits = 0;
    bool point = false, pastHalf = false, exactHalf = false, sticky = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
        ++digits;
        if (point && decimals >= 4) {
            // Digits beyond the fourth decimal only decide the rounding.
            if (decimals == 4) {
                exactHalf = c == '5';
                pastHalf = c > '5';
            } else if (c != '0') {
                sticky = true;
            }
            ++decimals;
            continue;
        }
        if (v > (std::numeric_limits<int64_t>::max() - 9) / 10) return false;
        v = v * 10 + (c - '0');
        if (point) ++decimals;
    }
    if (digits == 0) return false;
    for (int d = decimals; d < 4; ++d) {
        if (v > std::numeric_limits<int64_t>::max() / 10) return false;
        v *= 10;
    }
    if (pastHalf || (exactHalf && (sticky || (v & 1)))) ++v;
    out = negative ? -v : v;
    return true;
}

int Digits(std::string_view s, size_t& i, size_t count)
{
    int v = 0;
    for (size_t k = 0; k < count; ++k, ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// "HH:MM[:SS[.fraction]]" from i: milliseconds of the day, rounded; -1 when malformed.
int64_t ParseClock(std::string_view s, size_t& i)
{
    const int h = Digits(s, i, 2);
    if (h < 0 || i >= s.size() || s[i++] != ':') return -1;
    const int m = Digits(s, i, 2);
    int sec = 0;
    double fraction = 0;
    if (i < s.size() && s[i] == ':') {
        ++i;
        sec = Digits(s, i, 2);
        if (i < s.size() && s[i] == '.') {
            double scale = 0.1;
            for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10) fraction += (s[i] - '0') * scale;
        }
    }
    if (m < 0 || sec < 0 || h > 24 || m > 59 || sec > 60) return -1;
    return (int64_t{h} * 3600 + m * 60 + sec) * 1000 + std::llround(fraction * 1000);
}

// ISO dates and times: "YYYY-MM-DD", "HH:MM:SS", and both with a blank or "T" between; a time
// zone after the clock ("Z", "+02", "-05:30") is left aside.
bool ParseIsoDateTime(std::string_view s, double& out)
{
    size_t i = 0;
    int64_t day = 0, ms = 0;
    const bool clockOnly = s.size() >= 3 && s[2] == ':';
    if (!clockOnly) {
        const int y = Digits(s, i, 4);
        if (y < 0 || i >= s.size() || s[i++] != '-') return false;
        const int mo = Digits(s, i, 2);
        if (mo < 0 || i >= s.size() || s[i++] != '-') return false;
        const int d = Digits(s, i, 2);
        const std::optional<double> date = d < 0 ? std::nullopt : TryEncodeDate(y, mo, d);
        if (!date) return false;
        day = static_cast<int64_t>(*date);
        if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) ++i;
    }
    if (i < s.size() || clockOnly) {
        ms = ParseClock(s, i);
        if (ms < 0) return false;
        if (i < s.size() && s[i] != 'Z' && s[i] != '+' && s[i] != '-') return false;
    }
    out = ComposeDateTime(day + ms / 86400000, ms % 86400000);
    return true;
}

bool ParseBoolean(std::string_view text, int64_t& out)
{
    static const char* const kTrue[] = {"t", "true", "1", "y", "yes", "on"};
    static const char* const kFalse[] = {"f", "false", "0", "n", "no", "off"};
    for (const char* t : kTrue)
        if (SameText(text, t)) return out = 1, true;
    for (const char* f : kFalse)
        if (SameText(text, f)) return out = 0, true;
    return false;
}

}  // namespace

bool IsIntegerType(TFieldType t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint || t == ftLongWord;
}

bool IntegerFits(TFieldType t, int64_t v)
{
    switch (t) {
    case ftSmallint: return v >= INT16_MIN && v <= INT16_MAX;
    case ftWord: return v >= 0 && v <= UINT16_MAX;
    case ftInteger:
    case ftAutoInc: return v >= INT32_MIN && v <= INT32_MAX;
    case ftLongWord: return v >= 0 && v <= UINT32_MAX;
    default: return true;
    }
}

FieldDef FieldFromDeclaredType(std::string name, std::string_view declared)
{
    FieldDef def;
    def.name = std::move(name);
    const std::string t = UpperCase(std::string(declared));
    const std::vector<int> args = TypeArguments(t);
    auto sized = [&](TFieldType type) {
        def.dataType = type;
        def.size = !args.empty() && args[0] > 0 ? std::min(args[0], kMaxFieldSize) : kSqlStringSize;
    };
    if (t.empty()) return def;
    if (Has(t, "BOOL"))
        def.dataType = ftBoolean;
    else if (Has(t, "DATETIME") || Has(t, "TIMESTAMP"))
        def.dataType = ftDateTime;
    else if (Has(t, "DATE"))
        def.dataType = ftDate;
    else if (Has(t, "TIME"))
        def.dataType = ftTime;
    else if (Has(t, "BIGINT") || Has(t, "INT8"))
        def.dataType = ftLargeint;
    else if (Has(t, "SMALLINT") || Has(t, "TINYINT") || Has(t, "INT2"))
        def.dataType = ftSmallint;
    else if (Has(t, "INT"))
        def.dataType = ftInteger;
    else if (Has(t, "CLOB") || Has(t, "MEMO"))
        def.dataType = ftMemo;
    else if (Has(t, "CHAR") && !Has(t, "VAR") && !Has(t, "VARYING") && !args.empty())
        sized(ftFixedChar);
    else if (Has(t, "CHAR") || Has(t, "TEXT"))
        sized(ftString);
    else if (Has(t, "IMAGE") || Has(t, "PICTURE") || Has(t, "GRAPHIC"))
        def.dataType = ftGraphic;
    else if (Has(t, "BLOB") || Has(t, "BYTEA"))
        def.dataType = ftBlob;
    else if (Has(t, "REAL") || Has(t, "FLOA") || Has(t, "DOUB"))
        def.dataType = ftFloat;
    else if (Has(t, "MONEY") || Has(t, "CURRENCY"))
        def.dataType = ftCurrency;
    else if (Has(t, "DEC") || Has(t, "NUMERIC")) {
        // Fixed point within four decimals and 18 digits; wider numbers as floats.
        const int precision = args.empty() ? 0 : args[0];
        const int scale = args.size() > 1 ? args[1] : 0;
        if (precision > 0 && precision <= 18 && scale >= 0 && scale <= 4) {
            def.dataType = ftBCD;
            def.size = scale;
            def.precision = precision;
        } else {
            def.dataType = ftFloat;
        }
    } else {
        // Names of other types (a PostgreSQL interval, a point) show as their text.
        sized(ftString);
    }
    return def;
}

void ParseSqlText(const FieldDef& def, std::string_view text, FieldData& out)
{
    out.null = false;
    const TFieldType t = def.dataType;
    if (IsBinaryType(t)) {
        out.s.assign(text);
        return;
    }
    if (IsTextType(t) || t == ftUnknown) {
        out.s = Utf8ToCp1252(text);
        return;
    }
    bool ok = false;
    if (IsIntegerType(t)) ok = ParseNumber(text, out.i) && IntegerFits(t, out.i);
    switch (t) {
    case ftBoolean: ok = ParseBoolean(text, out.i); break;
    case ftFloat: ok = ParseNumber(text, out.d); break;
    case ftCurrency: {
        // Money as PostgreSQL writes it in the C locale: "-$1,234.50".
        std::string plain;
        for (char c : text)
            if (c != '$' && c != ',') plain += c;
        ok = ParseNumber(std::string_view(plain), out.d);
        break;
    }
    case ftBCD: ok = ParseScaled(text, out.i); break;
    case ftDate:
    case ftTime:
    case ftDateTime: ok = ParseIsoDateTime(text, out.d) && NormalizeFieldDateTime(t, out.d); break;
    default: break;
    }
    if (!ok) BadValue(def, text);
}

std::optional<std::string> SqlParamText(const Variant& v)
{
    char buf[64];
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Null: return std::nullopt;
    case VarType::Byte:
    case VarType::Integer: return std::to_string(v.rawInt());
    case VarType::Boolean: return std::string(v.rawBool() ? "1" : "0");
    case VarType::Double: {
        auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v.rawDouble());
        return std::string(buf, ec == std::errc() ? p : buf);
    }
    case VarType::Currency: {
        const int64_t c = v.rawCurrency();
        const uint64_t a = c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
        std::snprintf(buf, sizeof buf, "%s%llu.%04llu", c < 0 ? "-" : "", static_cast<unsigned long long>(a / 10000),
                      static_cast<unsigned long long>(a % 10000));
        return std::string(buf);
    }
    case VarType::DateTime: {
        int64_t day = 0, ms = 0;
        if (!SplitDateTime(v.rawDouble(), day, ms)) throw Exception("Invalid date parameter");
        const DateParts d = DecodeDate(static_cast<double>(day));
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year, d.month, d.day,
                      static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                      static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
        return std::string(buf);
    }
    case VarType::String: return Cp1252ToUtf8(v.rawString());
    }
    return std::nullopt;
}

std::string CountQuery(std::string_view sql)
{
    size_t end = sql.size();
    while (end > 0 && (sql[end - 1] == ';' || static_cast<unsigned char>(sql[end - 1]) <= ' ')) --end;
    // The line break ends a trailing "--" comment before the closing parenthesis.
    return "SELECT COUNT(*) FROM (\n" + std::string(sql.substr(0, end)) + "\n) AS zv_counted";
}

std::string DatabaseMessage(std::string_view utf8)
{
    std::string s = Utf8ToCp1252(utf8);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
    return s;
}

}  // namespace detail

}  // namespace zv
