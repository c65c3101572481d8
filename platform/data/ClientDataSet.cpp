// The in-memory client dataset: rows, XML data packets (pugixml) and the compact binary packet form.
#include "platform/data/ClientDataSet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include <pugixml.hpp>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Format.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"

namespace zv {

namespace {

constexpr const char* kBadPacket = "Invalid data packet";
constexpr const char* kMissingData = "Missing data provider or data packet";
constexpr const char* kOpenDataSet = "Cannot perform this operation on an open dataset";

constexpr char kBinaryMagic[4] = {'Z', 'V', 'D', 'P'};
constexpr uint8_t kBinaryVersion = 1;
constexpr size_t kMaxFields = 1024;
constexpr size_t kMaxNameLength = 255;
// Cells (rows x fields) a packet may ask for per input byte, beyond a fixed allowance: an XML row
// with many absent fields is short but still costs a cell per field.
constexpr size_t kCellsPerByte = 8;
constexpr size_t kCellAllowance = 65536;

// Row states of XML packets (bits).
constexpr int kRowOriginal = 1;
constexpr int kRowDeleted = 2;
constexpr int kRowInserted = 4;
constexpr int kRowModified = 8;

// How each field type is written in an XML packet: fieldtype and SUBTYPE. Reading accepts these
// and a few more (see ReadFieldType).
struct XmlType {
    TFieldType type;
    const char* fieldType;
    const char* subType;  // "" when none
};
constexpr XmlType kXmlTypes[] = {
    {ftString, "string", ""},
    {ftFixedChar, "string", "FixedChar"},
    {ftWideString, "string.uni", ""},
    {ftSmallint, "i2", ""},
    {ftInteger, "i4", ""},
    {ftAutoInc, "i4", "Autoinc"},
    {ftWord, "ui2", ""},
    {ftLongWord, "ui4", ""},
    {ftLargeint, "i8", ""},
    {ftBoolean, "boolean", ""},
    {ftFloat, "r8", ""},
    {ftCurrency, "r8", "Money"},
    {ftBCD, "fixed", ""},
    {ftDate, "date", ""},
    {ftTime, "time", ""},
    {ftDateTime, "dateTime", ""},
    {ftBytes, "bin.hex", ""},
    {ftVarBytes, "bin.hex", "VarBytes"},
    {ftBlob, "bin.hex", "Binary"},
    {ftMemo, "bin.hex", "Text"},
    {ftGraphic, "bin.hex", "Graphics"},
    {ftFmtMemo, "bin.hex", "Formatted"},
    {ftParadoxOle, "bin.hex", "Ole"},
    {ftDBaseOle, "bin.hex", "dBASEOle"},
    {ftTypedBinary, "bin.hex", "TypedBinary"},
};

constexpr char kBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

[[noreturn]] void Fail(const std::string& detail) { throw Exception(std::string(kBadPacket) + ": " + detail); }

const XmlType* XmlTypeOf(TFieldType t)
{
    for (const auto& x : kXmlTypes)
        if (x.type == t) return &x;
    return nullptr;
}

// ---- text codecs -----------------------------------------------------------------------------

// UTF-8 from pugixml to Windows-1252. Code points below 256 become that byte: for packets read as
// Windows-1252 they are the original bytes, and for UTF-8 packets the Latin-1 range matches.
// Other characters take their Windows-1252 form or '?'. Malformed sequences become '?'.
std::string FromXmlText(const char* s)
{
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        unsigned char c = *p;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++p;
            continue;
        }
        int len = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (c >= 0xF8) len = 0;
        char32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool ok = len > 0;
        for (int k = 1; ok && k < len; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[k] & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++p;
            continue;
        }
        if (cp < 0x100)
            out += static_cast<char>(cp);
        else
            out += Utf8ToCp1252(std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(len)));
        p += len;
    }
    return out;
}

bool IsValidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

enum class TextMode { Utf8, Latin1, Auto };

// The encoding named by the XML declaration, read from the first bytes.
TextMode DeclaredEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 5) != "<?xml") return TextMode::Auto;
    size_t end = bytes.find("?>");
    if (end == std::string_view::npos) return TextMode::Auto;
    std::string decl(bytes.substr(0, end));
    size_t at = decl.find("encoding");
    if (at == std::string::npos) return TextMode::Auto;
    size_t q = decl.find_first_of("\"'", at);
    if (q == std::string::npos) Fail("malformed XML declaration");
    size_t q2 = decl.find(decl[q], q + 1);
    if (q2 == std::string::npos) Fail("malformed XML declaration");
    std::string name = LowerCase(decl.substr(q + 1, q2 - q - 1));
    if (name == "utf-8" || name == "utf8") return TextMode::Utf8;
    if (name == "windows-1252" || name == "cp1252" || name == "iso-8859-1" || name == "latin1" ||
        name == "iso_8859-1" || name == "us-ascii" || name == "ascii")
        return TextMode::Latin1;
    Fail("unsupported encoding '" + name + "'");
}

void AppendEscaped(std::string& out, std::string_view s, bool utf8)
{
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "&#%03u;", c);
                out += buf;
            } else if (utf8 && c >= 0x80) {
                // Read back through the code point, which gives the same byte (see FromXmlText).
                out += Cp1252ToUtf8(std::string_view(&ch, 1));
            } else {
                out += ch;
            }
        }
    }
}

std::string Base64Encode(std::string_view in)
{
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        uint32_t v =
            static_cast<uint8_t>(in[i]) << 16 | static_cast<uint8_t>(in[i + 1]) << 8 | static_cast<uint8_t>(in[i + 2]);
        out += kBase64Chars[v >> 18];
        out += kBase64Chars[(v >> 12) & 63];
        out += kBase64Chars[(v >> 6) & 63];
        out += kBase64Chars[v & 63];
    }
    if (i < in.size()) {
        uint32_t v = static_cast<uint8_t>(in[i]) << 16;
        if (i + 1 < in.size()) v |= static_cast<uint8_t>(in[i + 1]) << 8;
        out += kBase64Chars[v >> 18];
        out += kBase64Chars[(v >> 12) & 63];
        out += i + 1 < in.size() ? kBase64Chars[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool Base64Decode(std::string_view in, std::string& out)
{
    out.clear();
    uint32_t acc = 0;
    int n = 0, pad = 0;
    for (char ch : in) {
        if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') continue;
        int v;
        if (ch >= 'A' && ch <= 'Z')
            v = ch - 'A';
        else if (ch >= 'a' && ch <= 'z')
            v = ch - 'a' + 26;
        else if (ch >= '0' && ch <= '9')
            v = ch - '0' + 52;
        else if (ch == '+')
            v = 62;
        else if (ch == '/')
            v = 63;
        else if (ch == '=')
            v = -1;
        else
            return false;
        if (v < 0) {
            if (n < 2) return false;  // "=" cannot start a group or stand second
            ++pad;
            v = 0;
        } else if (pad > 0) {
            return false;  // data after padding
        }
        acc = acc << 6 | static_cast<uint32_t>(v);
        if (++n == 4) {
            out += static_cast<char>(acc >> 16);
            if (pad < 2) out += static_cast<char>((acc >> 8) & 0xFF);
            if (pad < 1) out += static_cast<char>(acc & 0xFF);
            acc = 0;
            n = 0;
            if (pad > 0) pad = 3;  // nothing may follow a padded group
        }
    }
    return n == 0;
}

// ---- value texts -----------------------------------------------------------------------------

bool ParseInt64(std::string_view s, int64_t& v)
{
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size();
}

bool ParseDouble(std::string_view s, double& v)
{
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-' || s[0] == '.')) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    return ec == std::errc() && p == s.data() + s.size() && std::isfinite(v);
}

// Shortest text that reads back as the same double, written the platform's way: plain digits
// for exponents from -5 to 14, otherwise "1.5E-7" / "1E20".
std::string FormatDouble(double v)
{
    if (v == 0) return "0";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string sci(buf, res.ptr);
    bool neg = sci[0] == '-';
    if (neg) sci.erase(0, 1);
    size_t e = sci.find('e');
    std::string digits = sci.substr(0, e);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    int exp = std::stoi(sci.substr(e + 1));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = neg ? "-" : "";
    if (exp < -5 || exp >= 15) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exp);
    } else if (exp >= 0) {
        std::string ip = digits.substr(0, std::min(digits.size(), static_cast<size_t>(exp) + 1));
        while (ip.size() < static_cast<size_t>(exp) + 1) ip += '0';
        out += ip;
        if (digits.size() > static_cast<size_t>(exp) + 1) out += "." + digits.substr(static_cast<size_t>(exp) + 1);
    } else {
        out += "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
    }
    return out;
}

// Fixed-point text (scaled by 10 000) with as few decimals as it needs.
std::string FormatScaled(int64_t v)
{
    uint64_t a = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    std::string out = v < 0 ? "-" : "";
    out += std::to_string(a / 10000);
    uint64_t frac = a % 10000;
    if (frac) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
        std::string f = buf;
        while (f.back() == '0') f.pop_back();
        out += "." + f;
    }
    return out;
}

bool ParseScaled(std::string_view s, int64_t& v)
{
    bool neg = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        neg = s[0] == '-';
        s.remove_prefix(1);
    }
    size_t dot = s.find('.');
    std::string_view ip = s.substr(0, dot);
    std::string_view fp = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
    if (ip.empty() && fp.empty()) return false;
    if (ip.size() > 15) return false;  // 64 bits hold 15 whole digits at four decimals
    for (char c : ip)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    for (char c : fp)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    uint64_t whole = 0;
    for (char c : ip) whole = whole * 10 + static_cast<uint64_t>(c - '0');
    uint64_t frac = 0;
    for (size_t k = 0; k < 4; ++k) frac = frac * 10 + static_cast<uint64_t>(k < fp.size() ? fp[k] - '0' : 0);
    // Decimals beyond the fourth round half to even.
    if (fp.size() > 4) {
        int first = fp[4] - '0';
        bool rest = fp.find_first_not_of('0', 5) != std::string_view::npos;
        if (first > 5 || (first == 5 && (rest || (frac & 1)))) ++frac;
    }
    const uint64_t limit = neg ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
    if (whole > (limit - frac) / 10000) return false;
    const uint64_t mag = whole * 10000 + frac;
    v = neg ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
    return true;
}

bool Digits(std::string_view s, size_t at, size_t n, int& v)
{
    if (at + n > s.size()) return false;
    v = 0;
    for (size_t k = 0; k < n; ++k) {
        char c = s[at + k];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return true;
}

// "YYYYMMDD" to a day number.
bool ParseDate(std::string_view s, int64_t& day)
{
    int y, m, d;
    if (s.size() != 8 || !Digits(s, 0, 4, y) || !Digits(s, 4, 2, m) || !Digits(s, 6, 2, d)) return false;
    auto v = TryEncodeDate(y, m, d);
    if (!v) return false;
    day = static_cast<int64_t>(*v);
    return true;
}

// "HH:MM:SS" with an optional three-digit millisecond part ("02:43:35000").
bool ParseTime(std::string_view s, int64_t& ms)
{
    int h, mi, se, milli = 0;
    if ((s.size() != 8 && s.size() != 11) || !Digits(s, 0, 2, h) || s[2] != ':' || !Digits(s, 3, 2, mi) ||
        s[5] != ':' || !Digits(s, 6, 2, se))
        return false;
    if (s.size() == 11 && !Digits(s, 8, 3, milli)) return false;
    if (h > 23 || mi > 59 || se > 59) return false;
    ms = ((static_cast<int64_t>(h) * 60 + mi) * 60 + se) * 1000 + milli;
    return true;
}

std::string DateText(int64_t day)
{
    DateParts p = DecodeDate(static_cast<double>(day));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", p.year, p.month, p.day);
    return buf;
}

std::string TimeText(int64_t ms)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d%03d", static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return buf;
}

int CheckedSize(std::string_view text, int lo, int hi, const std::string& what)
{
    int64_t v = 0;
    if (!ParseInt64(text, v) || v < lo || v > hi)
        Fail(what + " '" + std::string(text) + "' is outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return static_cast<int>(v);
}

// Parses the text of one cell; false when it does not fit the field's type.
bool ParseCell(const FieldDef& def, std::string&& text, FieldData& out)
{
    out = FieldData{};
    out.null = false;
    switch (def.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord: {
        if (!ParseInt64(text, out.i)) return false;
        int64_t lo = INT32_MIN, hi = INT32_MAX;
        if (def.dataType == ftSmallint) lo = -32768, hi = 32767;
        if (def.dataType == ftWord) lo = 0, hi = 65535;
        if (def.dataType == ftLongWord) lo = 0, hi = UINT32_MAX;
        if (def.dataType == ftLargeint) lo = INT64_MIN, hi = INT64_MAX;
        return out.i >= lo && out.i <= hi;
    }
    case ftBoolean:
        if (SameText(text, "TRUE"))
            out.i = 1;
        else if (SameText(text, "FALSE"))
            out.i = 0;
        else
            return false;
        return true;
    case ftFloat:
    case ftCurrency: return ParseDouble(text, out.d);
    case ftBCD: return ParseScaled(text, out.i);
    case ftDate: {
        int64_t day;
        if (!ParseDate(text, day)) return false;
        out.d = detail::ComposeDateTime(day, 0);
        return true;
    }
    case ftTime: {
        int64_t ms;
        if (!ParseTime(text, ms)) return false;
        out.d = detail::ComposeDateTime(0, ms);
        return true;
    }
    case ftDateTime: {
        int64_t day, ms;
        if (text.size() < 9 || (text[8] != 'T' && text[8] != 't')) return false;
        if (!ParseDate(std::string_view(text).substr(0, 8), day) || !ParseTime(std::string_view(text).substr(9), ms))
            return false;
        out.d = detail::ComposeDateTime(day, ms);
        return true;
    }
    default:
        if (IsTextType(def.dataType)) {
            out.s = std::move(text);
        } else if (!Base64Decode(text, out.s)) {
            return false;
        }
        return !(HasSizeLimit(def.dataType) && def.size > 0 && out.s.size() > static_cast<size_t>(def.size));
    }
}

std::string CellText(const FieldDef& def, const FieldData& d)
{
    switch (def.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord: return std::to_string(d.i);
    case ftBoolean: return d.i ? "TRUE" : "FALSE";
    case ftFloat:
    case ftCurrency: return FormatDouble(d.d);
    case ftBCD: return FormatScaled(d.i);
    case ftDate:
    case ftTime:
    case ftDateTime: {
        int64_t day = 0, ms = 0;
        detail::SplitDateTime(d.d, day, ms);
        if (def.dataType == ftDate) return DateText(day);
        if (def.dataType == ftTime) return TimeText(ms);
        return DateText(day) + "T" + TimeText(ms);
    }
    default: return IsTextType(def.dataType) ? d.s : Base64Encode(d.s);
    }
}

bool ValidCell(const FieldDef& def, const FieldData& d)
{
    if (d.null) return true;
    switch (def.dataType) {
    case ftSmallint: return d.i >= -32768 && d.i <= 32767;
    case ftWord: return d.i >= 0 && d.i <= 65535;
    case ftInteger:
    case ftAutoInc: return d.i >= INT32_MIN && d.i <= INT32_MAX;
    case ftLongWord: return d.i >= 0 && d.i <= UINT32_MAX;
    case ftBoolean: return d.i == 0 || d.i == 1;
    case ftFloat:
    case ftCurrency: return std::isfinite(d.d);
    case ftDate:
    case ftTime:
    case ftDateTime: {
        double v = d.d;
        return detail::NormalizeFieldDateTime(def.dataType, v) && v == d.d;
    }
    default:
        if (IsTextType(def.dataType) && d.s.find('\0') != std::string::npos) return false;
        return !(HasSizeLimit(def.dataType) && def.size > 0 && d.s.size() > static_cast<size_t>(def.size));
    }
}

// Letters that XML names may hold: ASCII letters and the Latin-1 letters (the same code points in
// Windows-1252 and in Unicode, so the name reads back in either encoding).
bool IsNameLetter(unsigned char c) { return std::isalpha(c) || c == '_' || (c >= 0xC0 && c != 0xD7 && c != 0xF7); }

// A plain XML attribute name that cannot be mistaken for the row state.
bool IsPlainName(std::string_view n)
{
    if (n.empty() || !IsNameLetter(static_cast<unsigned char>(n[0]))) return false;
    for (char c : n) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!(IsNameLetter(u) || std::isdigit(u) || c == '-' || c == '.')) return false;
    }
    return !SameText(n, "RowState") && !(n.size() >= 3 && SameText(n.substr(0, 3), "xml"));
}

// ---- XML reading -----------------------------------------------------------------------------

pugi::xml_node Child(pugi::xml_node n, const char* name)
{
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && SameText(c.name(), name)) return c;
    return {};
}

pugi::xml_attribute Attr(pugi::xml_node n, const char* name)
{
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
        if (SameText(a.name(), name)) return a;
    return {};
}

// A parsed packet, before it replaces a dataset's rows.
struct Packet {
    std::vector<FieldDef> defs;
    std::vector<Record> rows;
    std::vector<std::pair<std::string, std::string>> params;
};

FieldDef ReadFieldDef(pugi::xml_node f, std::string& attrName)
{
    pugi::xml_attribute an = Attr(f, "attrname");
    pugi::xml_attribute ft = Attr(f, "fieldtype");
    if (!an) Fail("a field has no attrname");
    attrName = FromXmlText(an.value());
    if (!ft) Fail("field '" + attrName + "' has no fieldtype");
    FieldDef def;
    pugi::xml_attribute fn = Attr(f, "fieldname");
    def.name = fn ? FromXmlText(fn.value()) : attrName;
    std::string type = FromXmlText(ft.value());
    std::string sub = Attr(f, "SUBTYPE") ? FromXmlText(Attr(f, "SUBTYPE").value()) : std::string();
    pugi::xml_attribute width = Attr(f, "WIDTH");
    std::string widthText = width ? FromXmlText(width.value()) : std::string();
    const std::string what = "field '" + def.name + "'";

    if (SameText(type, "string") || SameText(type, "string.uni")) {
        bool uni = SameText(type, "string.uni");
        def.dataType = uni ? ftWideString : SameText(sub, "FixedChar") ? ftFixedChar : ftString;
        if (width) {
            // Unicode strings count their width in bytes, two per character.
            int w = CheckedSize(widthText, uni ? 2 : 1, uni ? 2 * kMaxFieldSize : kMaxFieldSize, what + ": WIDTH");
            def.size = uni ? w / 2 : w;
        }
    } else if (SameText(type, "i1") || SameText(type, "i2")) {
        def.dataType = ftSmallint;
    } else if (SameText(type, "i4")) {
        def.dataType = SameText(sub, "Autoinc") ? ftAutoInc : ftInteger;
    } else if (SameText(type, "ui1") || SameText(type, "ui2")) {
        def.dataType = ftWord;
    } else if (SameText(type, "ui4")) {
        def.dataType = ftLongWord;
    } else if (SameText(type, "i8")) {
        def.dataType = ftLargeint;
    } else if (SameText(type, "r8") || SameText(type, "r4")) {
        def.dataType = SameText(sub, "Money") ? ftCurrency : ftFloat;
    } else if (SameText(type, "fixed") || SameText(type, "fixedFMT")) {
        def.dataType = ftBCD;
        pugi::xml_attribute dec = Attr(f, "DECIMALS");
        if (dec) def.size = CheckedSize(FromXmlText(dec.value()), 0, 4, what + ": DECIMALS");
        if (width) def.precision = CheckedSize(widthText, 1, 32, what + ": WIDTH");
    } else if (SameText(type, "boolean")) {
        def.dataType = ftBoolean;
    } else if (SameText(type, "date")) {
        def.dataType = ftDate;
    } else if (SameText(type, "time")) {
        def.dataType = ftTime;
    } else if (SameText(type, "dateTime")) {
        def.dataType = ftDateTime;
    } else if (SameText(type, "bin.hex")) {
        if (sub.empty())
            def.dataType = width ? ftBytes : ftBlob;
        else if (SameText(sub, "Text") || SameText(sub, "WideText"))
            def.dataType = ftMemo;
        else if (SameText(sub, "Graphics"))
            def.dataType = ftGraphic;
        else if (SameText(sub, "Formatted"))
            def.dataType = ftFmtMemo;
        else if (SameText(sub, "Ole"))
            def.dataType = ftParadoxOle;
        else if (SameText(sub, "dBASEOle"))
            def.dataType = ftDBaseOle;
        else if (SameText(sub, "TypedBinary"))
            def.dataType = ftTypedBinary;
        else if (SameText(sub, "VarBytes"))
            def.dataType = ftVarBytes;
        else
            def.dataType = ftBlob;
        if (width) {
            bool bytes = def.dataType == ftBytes || def.dataType == ftVarBytes;
            def.size = CheckedSize(widthText, bytes ? 1 : 0, bytes ? kMaxFieldSize : INT32_MAX, what + ": WIDTH");
        }
    } else {
        Fail(what + " has an unknown fieldtype '" + type + "'");
    }
    pugi::xml_attribute req = Attr(f, "required");
    def.required = req && SameText(req.value(), "true");
    return def;
}

Packet ParseXml(std::string_view bytes)
{
    TextMode mode = TextMode::Auto;
    pugi::xml_encoding enc = pugi::encoding_utf8;
    std::string_view body = bytes;
    const auto* u = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        body.remove_prefix(3);
        mode = TextMode::Utf8;
    } else if (bytes.size() >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        enc = pugi::encoding_auto;  // UTF-16 or UTF-32 with a byte order mark: pugixml converts
        mode = TextMode::Utf8;
    }
    if (enc != pugi::encoding_auto) {
        TextMode declared = DeclaredEncoding(body);
        if (declared != TextMode::Auto) mode = declared;
        if (mode == TextMode::Auto) mode = IsValidUtf8(body) ? TextMode::Utf8 : TextMode::Latin1;
        enc = mode == TextMode::Latin1 ? pugi::encoding_latin1 : pugi::encoding_utf8;
    }
    pugi::xml_document doc;
    pugi::xml_parse_result res = doc.load_buffer(body.data(), body.size(), pugi::parse_default, enc);
    if (!res) Fail(std::string(res.description()) + " at offset " + std::to_string(res.offset));

    pugi::xml_node root = doc.document_element();
    if (!root || !SameText(root.name(), "DATAPACKET")) Fail("the root element is not DATAPACKET");
    for (pugi::xml_node n = root.next_sibling(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element) Fail("more than one root element");
    pugi::xml_node meta = Child(root, "METADATA");
    if (!meta) Fail("METADATA is missing");
    pugi::xml_node fields = Child(meta, "FIELDS");
    if (!fields) Fail("FIELDS is missing");

    Packet p;
    std::vector<std::string> attrNames;
    for (pugi::xml_node f = fields.first_child(); f; f = f.next_sibling()) {
        if (f.type() != pugi::node_element || !SameText(f.name(), "FIELD")) continue;
        if (p.defs.size() >= kMaxFields) Fail("more than " + std::to_string(kMaxFields) + " fields");
        std::string an;
        p.defs.push_back(ReadFieldDef(f, an));
        for (const auto& other : attrNames)
            if (SameText(other, an)) Fail("attrname '" + an + "' appears twice");
        if (SameText(an, "RowState")) Fail("a field may not be called RowState");
        attrNames.push_back(std::move(an));
    }
    CheckFieldDefs(p.defs);

    std::string changeLog;
    bool hasChangeLog = false;
    if (pugi::xml_node params = Child(meta, "PARAMS")) {
        for (pugi::xml_attribute a = params.first_attribute(); a; a = a.next_attribute()) {
            std::string name = FromXmlText(a.name());
            if (SameText(name, "CHANGE_LOG")) {
                changeLog = FromXmlText(a.value());
                hasChangeLog = true;
                continue;
            }
            if (name.size() > kMaxNameLength || !IsPlainName(name)) Fail("bad PARAMS attribute name");
            p.params.emplace_back(std::move(name), FromXmlText(a.value()));
        }
    }

    // Attribute names of rows, upper-cased, to field indexes.
    std::map<std::string, size_t> byAttr;
    for (size_t i = 0; i < attrNames.size(); ++i) byAttr.emplace(UpperCase(attrNames[i]), i);

    // The rows as read, before the change log is applied: records, their RowState and which cells
    // each sets (one flat bit array). The vectors are sized once from the number of ROW elements,
    // so a large packet pays neither doubling slack nor an allocation per row.
    const size_t nf = p.defs.size();
    std::vector<Record> rows;
    std::vector<uint8_t> states;
    std::vector<bool> present;
    const size_t cellLimit = kCellsPerByte * bytes.size() + kCellAllowance;
    size_t cells = 0;
    if (pugi::xml_node rowData = Child(root, "ROWDATA")) {
        size_t count = 0;
        for (pugi::xml_node r = rowData.first_child(); r; r = r.next_sibling())
            if (r.type() == pugi::node_element && SameText(r.name(), "ROW")) ++count;
        if (count <= cellLimit / (nf + 1)) {  // otherwise the loop below fails at the row over the limit
            rows.reserve(count);
            states.reserve(count);
            present.reserve(count * nf);
        }
        for (pugi::xml_node r = rowData.first_child(); r; r = r.next_sibling()) {
            if (r.type() != pugi::node_element || !SameText(r.name(), "ROW")) continue;
            if (p.defs.empty()) Fail("rows without fields");
            cells += nf + 1;
            if (cells > cellLimit) Fail("too many rows for the size of the packet");
            Record& rec = rows.emplace_back(nf);
            uint8_t& state = states.emplace_back(0);
            const size_t bits = present.size();
            present.resize(bits + nf, false);
            const size_t rowNo = rows.size();
            for (pugi::xml_attribute a = r.first_attribute(); a; a = a.next_attribute()) {
                std::string name = FromXmlText(a.name());
                if (SameText(name, "RowState")) {
                    int64_t s = 0;
                    if (!ParseInt64(a.value(), s) || s < 0 || s > 255)
                        Fail("row " + std::to_string(rowNo) + ": bad RowState");
                    state = static_cast<uint8_t>(s);
                    continue;
                }
                auto it = byAttr.find(UpperCase(name));
                if (it == byAttr.end()) continue;  // not a field of this packet
                const size_t fi = it->second;
                const FieldDef& def = p.defs[fi];
                if (present[bits + fi])
                    Fail("row " + std::to_string(rowNo) + ": field '" + def.name + "' appears twice");
                std::string text = FromXmlText(a.value());
                std::string shown = text.size() > 40 ? text.substr(0, 40) + "..." : text;
                if (!ParseCell(def, std::move(text), rec[fi]))
                    Fail("row " + std::to_string(rowNo) + ", field '" + def.name + "': '" + shown +
                         "' is not a valid " + FieldTypeName(def.dataType) + " value");
                present[bits + fi] = true;
            }
        }
    }

    // The change log: triples of (row, original row, change kind), rows numbered from 1.
    std::vector<int64_t> originOf(rows.size() + 1, -1);
    if (hasChangeLog) {
        std::vector<int64_t> nums;
        size_t i = 0;
        while (i < changeLog.size()) {
            while (i < changeLog.size() && static_cast<unsigned char>(changeLog[i]) <= ' ') ++i;
            size_t j = i;
            while (j < changeLog.size() && static_cast<unsigned char>(changeLog[j]) > ' ') ++j;
            if (j > i) {
                int64_t v = 0;
                if (!ParseInt64(std::string_view(changeLog).substr(i, j - i), v))
                    Fail("CHANGE_LOG is not a list of numbers");
                nums.push_back(v);
                if (nums.size() > 3 * (rows.size() + 1)) Fail("CHANGE_LOG names more changes than rows");
            }
            i = j;
        }
        if (nums.size() % 3 != 0) Fail("CHANGE_LOG is not a list of triples");
        for (size_t k = 0; k < nums.size(); k += 3) {
            int64_t id = nums[k], orig = nums[k + 1];
            if (id < 1 || id > static_cast<int64_t>(rows.size()) || orig < 0 || orig >= id)
                Fail("CHANGE_LOG refers to a row that is not there");
            if (orig > 0) originOf[static_cast<size_t>(id)] = orig;
        }
    }

    // Merge: deleted rows go, modifications are applied to the row they change. The rows kept are
    // moved down in place: a row's new index is never above its old one.
    std::vector<int64_t> slot(rows.size() + 1, -1);  // row number -> index among the rows kept, -1 if gone
    size_t kept = 0;
    for (size_t k = 1; k <= rows.size(); ++k) {
        const int state = states[k - 1];
        if (state & kRowDeleted) continue;
        if (state & kRowModified) {
            int64_t origin = originOf[k];
            if (origin < 0 && !(state & kRowInserted)) origin = static_cast<int64_t>(k) - 1;
            if (origin > 0) {
                if (slot[static_cast<size_t>(origin)] < 0) {
                    if (!(states[static_cast<size_t>(origin) - 1] & kRowDeleted))
                        Fail("row " + std::to_string(k) + " changes a row that is not there");
                    continue;  // a change of a deleted row goes with it
                }
                Record& target = rows[static_cast<size_t>(slot[static_cast<size_t>(origin)])];
                for (size_t fi = 0; fi < nf; ++fi)
                    if (present[(k - 1) * nf + fi]) target[fi] = std::move(rows[k - 1][fi]);
                slot[k] = slot[static_cast<size_t>(origin)];
                continue;
            }
            if (k == 1 && !(state & kRowInserted)) Fail("row 1 changes a row that is not there");
        }
        (void)kRowOriginal;
        slot[k] = static_cast<int64_t>(kept);
        if (kept != k - 1) rows[kept] = std::move(rows[k - 1]);
        ++kept;
    }
    rows.resize(kept);
    p.rows = std::move(rows);
    return p;
}

// ---- XML writing -----------------------------------------------------------------------------

std::string WriteXml(const std::vector<FieldDef>& defs, const std::vector<Record>& rows,
                     const std::vector<std::pair<std::string, std::string>>& params, bool utf8)
{
    // Attribute names: the field name when it is a plain XML name, else a made-up one, with the
    // real name in "fieldname".
    std::vector<std::string> attrs(defs.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        if (IsPlainName(defs[i].name)) attrs[i] = defs[i].name;
    }
    for (size_t i = 0; i < defs.size(); ++i) {
        if (!attrs[i].empty()) continue;
        for (size_t n = i + 1;; ++n) {
            std::string cand = "F" + std::to_string(n);
            bool clash = false;
            for (size_t j = 0; j < defs.size() && !clash; ++j)
                clash = SameText(attrs[j], cand) || SameText(defs[j].name, cand);
            if (!clash) {
                attrs[i] = cand;
                break;
            }
        }
    }

    std::string out = utf8 ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                           : "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n";
    auto attr = [&](const std::string& name, std::string_view value) {
        out += ' ';
        out += utf8 ? Cp1252ToUtf8(name) : name;  // plain names: ASCII or Latin-1 letters
        out += "=\"";
        AppendEscaped(out, value, utf8);
        out += '"';
    };
    out += "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (size_t i = 0; i < defs.size(); ++i) {
        const FieldDef& d = defs[i];
        const XmlType* x = XmlTypeOf(d.dataType);
        out += "<FIELD";
        attr("attrname", attrs[i]);
        if (attrs[i] != d.name) attr("fieldname", d.name);
        attr("fieldtype", x->fieldType);
        if (*x->subType) attr("SUBTYPE", x->subType);
        if (d.dataType == ftBCD) {
            attr("DECIMALS", std::to_string(d.size));
            if (d.precision > 0) attr("WIDTH", std::to_string(d.precision));
        } else if (d.dataType == ftWideString) {
            if (d.size > 0) attr("WIDTH", std::to_string(2 * d.size));
        } else if (d.size > 0 && (HasSizeLimit(d.dataType) || IsBlobType(d.dataType))) {
            attr("WIDTH", std::to_string(d.size));
        }
        if (d.required) attr("required", "true");
        out += "/>";
    }
    out += "</FIELDS><PARAMS";
    for (const auto& [name, value] : params) attr(name, value);
    out += "/></METADATA><ROWDATA>";
    for (const Record& r : rows) {
        out += "<ROW";
        for (size_t i = 0; i < defs.size() && i < r.size(); ++i)
            if (!r[i].null) attr(attrs[i], CellText(defs[i], r[i]));
        out += "/>";
    }
    out += "</ROWDATA></DATAPACKET>";
    return out;
}

// ---- binary form -----------------------------------------------------------------------------
//
// "ZVDP", version byte; field count (u16), each field: name (short string), type (u8), size (i32),
// precision (i32), flags (u8, bit 0 required); parameter count (u16), each: name (short string),
// value (u32 length + bytes); row count (u32), each row: a bitmap of the non-null fields (bit i of
// byte i/8), then the non-null values in field order: i32 for the 16/32-bit integer kinds, u32 for
// LongWord, i64 for Largeint and BCD (scaled), u8 for Boolean, double for floats, currency and
// date-times, u32 length + bytes for text and binary. All little-endian; nothing may follow.

void PutString(MemoryStream& s, std::string_view v)
{
    s.writeU32(static_cast<uint32_t>(v.size()));
    s.writeBytes(v);
}

std::string WriteBinary(const std::vector<FieldDef>& defs, const std::vector<Record>& rows,
                        const std::vector<std::pair<std::string, std::string>>& params)
{
    MemoryStream s;
    s.writeBuffer(kBinaryMagic, sizeof kBinaryMagic);
    s.writeU8(kBinaryVersion);
    s.writeU16(static_cast<uint16_t>(defs.size()));
    for (const FieldDef& d : defs) {
        s.writeShortString(d.name);
        s.writeU8(d.dataType);
        s.writeI32(d.size);
        s.writeI32(d.precision);
        s.writeU8(d.required ? 1 : 0);
    }
    s.writeU16(static_cast<uint16_t>(params.size()));
    for (const auto& [name, value] : params) {
        s.writeShortString(name);
        PutString(s, value);
    }
    s.writeU32(static_cast<uint32_t>(rows.size()));
    const size_t mapBytes = (defs.size() + 7) / 8;
    for (const Record& r : rows) {
        std::vector<uint8_t> map(mapBytes, 0);
        for (size_t i = 0; i < defs.size(); ++i)
            if (i < r.size() && !r[i].null) map[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
        s.writeBuffer(map.data(), map.size());
        for (size_t i = 0; i < defs.size(); ++i) {
            if (i >= r.size() || r[i].null) continue;
            const FieldData& d = r[i];
            switch (defs[i].dataType) {
            case ftSmallint:
            case ftInteger:
            case ftWord:
            case ftAutoInc: s.writeI32(static_cast<int32_t>(d.i)); break;
            case ftLongWord: s.writeU32(static_cast<uint32_t>(d.i)); break;
            case ftLargeint:
            case ftBCD: s.writeI64(d.i); break;
            case ftBoolean: s.writeU8(d.i ? 1 : 0); break;
            case ftFloat:
            case ftCurrency:
            case ftDate:
            case ftTime:
            case ftDateTime: s.writeDouble(d.d); break;
            default: PutString(s, d.s); break;
            }
        }
    }
    const auto& v = s.data();
    return std::string(v.begin(), v.end());
}

Packet ParseBinary(std::string_view bytes)
{
    ReadOnlyMemoryStream s(bytes.data(), bytes.size());
    Packet p;
    try {
        char magic[4];
        s.readBuffer(magic, 4);
        if (std::memcmp(magic, kBinaryMagic, 4) != 0) Fail("unknown format");
        if (s.readU8() != kBinaryVersion) Fail("unsupported binary version");
        const size_t nf = s.readU16();
        if (nf > kMaxFields) Fail("more than " + std::to_string(kMaxFields) + " fields");
        for (size_t i = 0; i < nf; ++i) {
            FieldDef d;
            d.name = s.readShortString();
            uint8_t t = s.readU8();
            if (t == ftUnknown || t >= kFieldTypeCount) Fail("field '" + d.name + "' has an unknown type");
            d.dataType = static_cast<TFieldType>(t);
            d.size = s.readI32();
            d.precision = s.readI32();
            uint8_t flags = s.readU8();
            if (flags > 1) Fail("field '" + d.name + "' has unknown flags");
            d.required = flags & 1;
            p.defs.push_back(std::move(d));
        }
        CheckFieldDefs(p.defs);
        const size_t np = s.readU16();
        for (size_t i = 0; i < np; ++i) {
            std::string name = s.readShortString();
            if (!IsPlainName(name)) Fail("bad parameter name");
            uint32_t len = s.readU32();
            std::vector<uint8_t> v = s.readBytes(len);
            std::string value(v.begin(), v.end());
            if (value.find('\0') != std::string::npos) Fail("parameter '" + name + "' holds a NUL character");
            p.params.emplace_back(std::move(name), std::move(value));
        }
        const uint32_t nr = s.readU32();
        const size_t mapBytes = (nf + 7) / 8;
        if (nr > 0 && nf == 0) Fail("rows without fields");
        if (mapBytes > 0 && nr > static_cast<uint64_t>(s.remaining()) / mapBytes)
            Fail("more rows than the packet holds");
        p.rows.reserve(nr);
        for (uint32_t r = 0; r < nr; ++r) {
            std::vector<uint8_t> map = s.readBytes(mapBytes);
            if (nf % 8 && (map.back() >> (nf % 8)))
                Fail("row " + std::to_string(r + 1) + " marks fields that do not exist");
            Record rec(nf);
            for (size_t i = 0; i < nf; ++i) {
                if (!(map[i / 8] >> (i % 8) & 1)) continue;
                FieldData& d = rec[i];
                d.null = false;
                switch (p.defs[i].dataType) {
                case ftSmallint:
                case ftInteger:
                case ftWord:
                case ftAutoInc: d.i = s.readI32(); break;
                case ftLongWord: d.i = s.readU32(); break;
                case ftLargeint:
                case ftBCD: d.i = s.readI64(); break;
                case ftBoolean: d.i = s.readU8(); break;
                case ftFloat:
                case ftCurrency:
                case ftDate:
                case ftTime:
                case ftDateTime: d.d = s.readDouble(); break;
                default: {
                    uint32_t len = s.readU32();
                    std::vector<uint8_t> v = s.readBytes(len);
                    d.s.assign(v.begin(), v.end());
                    break;
                }
                }
                if (!ValidCell(p.defs[i], d))
                    Fail("row " + std::to_string(r + 1) + ", field '" + p.defs[i].name + "': value out of range");
            }
            p.rows.push_back(std::move(rec));
        }
        if (s.remaining() != 0) Fail("bytes after the last row");
    } catch (const StreamError&) {
        Fail("the packet is cut short");
    }
    return p;
}

Packet ParsePacket(std::string_view bytes)
{
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), kBinaryMagic, 4) == 0) return ParseBinary(bytes);
    return ParseXml(bytes);
}

}  // namespace

// ---- field definitions -----------------------------------------------------------------------

void CheckFieldDefs(const std::vector<FieldDef>& defs)
{
    if (defs.size() > kMaxFields) Fail("more than " + std::to_string(kMaxFields) + " fields");
    for (size_t i = 0; i < defs.size(); ++i) {
        const FieldDef& d = defs[i];
        if (d.name.empty() || d.name.size() > kMaxNameLength)
            Fail("a field name is empty or longer than 255 characters");
        if (d.name.find('\0') != std::string::npos) Fail("a field name holds a NUL character");
        for (size_t j = 0; j < i; ++j)
            if (SameText(defs[j].name, d.name)) Fail("field '" + d.name + "' appears twice");
        if (d.dataType == ftUnknown || d.dataType >= kFieldTypeCount) Fail("field '" + d.name + "' has no known type");
        const std::string what = "field '" + d.name + "'";
        if (HasSizeLimit(d.dataType)) {
            if (d.size < 0 || d.size > kMaxFieldSize)
                Fail(what + ": size " + std::to_string(d.size) + " is outside 0.." + std::to_string(kMaxFieldSize));
        } else if (d.dataType == ftBCD) {
            if (d.size < 0 || d.size > 4 || d.precision < 0 || d.precision > 32) Fail(what + ": bad size or precision");
        } else if (d.size < 0) {
            Fail(what + ": negative size");
        }
        if (d.dataType != ftBCD && d.precision != 0) Fail(what + ": precision is only for BCD fields");
    }
}

// ---- the dataset -----------------------------------------------------------------------------

TClientDataSet::TClientDataSet(Component* owner) : TDataSet(owner) {}

TClientDataSet::~TClientDataSet()
{
    try {
        close();
    } catch (...) {
        // A destructor cannot report a failed save; callers who care close the table first.
    }
}

void TClientDataSet::addFieldDef(std::string name, TFieldType type, int size, bool required)
{
    FieldDef d;
    d.name = std::move(name);
    d.dataType = type;
    d.size = size;
    d.required = required;
    fieldDefs_.push_back(std::move(d));
}

void TClientDataSet::createDataSet()
{
    if (active()) throw Exception(kOpenDataSet);
    CheckFieldDefs(fieldDefs_);
    layout_ = fieldDefs_;
    rows_.clear();
    params_.clear();
    hasData_ = true;
    openWithData_ = true;
    changed_ = false;
    changeCount_ = 0;
    open();
}

void TClientDataSet::emptyDataSet()
{
    checkActive();
    cancel();
    if (!rows_.empty()) {
        rows_.clear();
        changed_ = true;
        ++changeCount_;
    }
    recordsReplaced(false);
}

void TClientDataSet::adopt(std::vector<FieldDef> defs, std::vector<Record> rows,
                           std::vector<std::pair<std::string, std::string>> params)
{
    layout_ = std::move(defs);
    fieldDefs_ = layout_;
    rows_ = std::move(rows);
    params_ = std::move(params);
    hasData_ = true;
    changed_ = false;
    changeCount_ = 0;
}

void TClientDataSet::internalOpen()
{
    if (openWithData_) {
        openWithData_ = false;
    } else if (!fileName_.empty() && FileExists(fileName_)) {
        Packet p = ParsePacket(ReadFileBytes(fileName_));
        adopt(std::move(p.defs), std::move(p.rows), std::move(p.params));
    } else if (!hasData_) {
        if (fieldDefs_.empty()) throw Exception(kMissingData);
        CheckFieldDefs(fieldDefs_);
        layout_ = fieldDefs_;
        rows_.clear();
        hasData_ = true;
    }
    setFieldDefs(layout_);
}

void TClientDataSet::internalClose()
{
    if (!fileName_.empty() && changed_) saveToFile(fileName_);
}

int TClientDataSet::internalPost(int rawIndex, Record record, bool inserted)
{
    record.resize(layout_.size());
    const size_t at = static_cast<size_t>(std::clamp(rawIndex, 0, static_cast<int>(rows_.size())));
    if (inserted)
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(record));
    else
        rows_[at] = std::move(record);
    changed_ = true;
    ++changeCount_;
    return static_cast<int>(at);
}

void TClientDataSet::internalDelete(int rawIndex)
{
    rows_.erase(rows_.begin() + rawIndex);
    changed_ = true;
    ++changeCount_;
}

void TClientDataSet::loadBytes(std::string_view bytes, bool openIt)
{
    Packet p = ParsePacket(bytes);  // throws before anything changes
    const bool wasActive = active();
    bool layoutChanged = p.defs.size() != layout_.size();
    for (size_t i = 0; !layoutChanged && i < p.defs.size(); ++i)
        layoutChanged = !SameText(p.defs[i].name, layout_[i].name) || p.defs[i].dataType != layout_[i].dataType ||
                        p.defs[i].size != layout_[i].size;
    if (wasActive) cancel();
    adopt(std::move(p.defs), std::move(p.rows), std::move(p.params));
    if (wasActive) {
        setFieldDefs(layout_);
        recordsReplaced(layoutChanged);
    } else if (openIt) {
        openWithData_ = true;
        try {
            open();
        } catch (...) {
            openWithData_ = false;
            throw;
        }
    }
}

void TClientDataSet::loadFromFile(const std::string& path) { loadBytes(ReadFileBytes(path), true); }

void TClientDataSet::loadFromStream(Stream& stream)
{
    int64_t n = stream.remaining();
    if (n < 0) n = 0;
    std::vector<uint8_t> bytes = stream.readBytes(static_cast<size_t>(n));
    loadBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), true);
}

void TClientDataSet::setDataPacket(std::string_view bytes) { loadBytes(bytes, false); }

std::string TClientDataSet::write(DataPacketFormat format)
{
    if (active()) checkBrowseMode();
    if (!hasData_) {
        CheckFieldDefs(fieldDefs_);
        if (format == DataPacketFormat::Binary) return WriteBinary(fieldDefs_, {}, params_);
        return WriteXml(fieldDefs_, {}, params_, format == DataPacketFormat::XmlUtf8);
    }
    if (format == DataPacketFormat::Binary) return WriteBinary(layout_, rows_, params_);
    return WriteXml(layout_, rows_, params_, format == DataPacketFormat::XmlUtf8);
}

std::string TClientDataSet::dataPacket(DataPacketFormat format) { return write(format); }

void TClientDataSet::saveToStream(Stream& stream, DataPacketFormat format)
{
    std::string bytes = write(format);
    stream.writeBytes(bytes);
}

void TClientDataSet::saveToFile(const std::string& path)
{
    const std::string target = path.empty() ? fileName_ : path;
    if (target.empty()) throw Exception(kMissingData);
    const DataPacketFormat format =
        SameText(ExtractFileExt(target), ".xml") ? DataPacketFormat::Xml : DataPacketFormat::Binary;
    std::string bytes = write(format);
    SaveFileAtomically(target, [&](Stream& s) { s.writeBytes(bytes); });
    changed_ = false;
    changeCount_ = 0;
}

}  // namespace zv
