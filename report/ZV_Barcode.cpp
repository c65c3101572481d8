// TBarcode: symbology tables, the per-symbology pattern builders and drawing onto a Canvas.
#include "report/ZV_Barcode.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/Numeric.h"
#include "platform/base/Text.h"
#include "platform/draw/Canvas.h"
#include "report/ZV_Const.h"

namespace zv {
namespace {

// ---- tables ------------------------------------------------------------------------------------
// Patterns are in the element alphabet ('0'-'3' spaces, '5'-'8' bars, 'A'-'D' half bars) except
// the Code 128 and Code 93 width strings, which count modules ('1'-'4', bar first).

// EAN/UPC digit sets: A odd-parity left digits, B even-parity left digits, C right digits.
constexpr std::array<const char*, 10> kEanSetA = {"2605", "1615", "1516", "0805", "0526",
                                                  "0625", "0508", "0706", "0607", "2506"};
constexpr std::array<const char*, 10> kEanSetB = {"0517", "0616", "1606", "0535", "1705",
                                                  "0715", "3505", "1525", "2515", "1507"};
constexpr std::array<const char*, 10> kEanSetC = {"7150", "6160", "6061", "5350", "5071",
                                                  "5170", "5053", "5251", "5152", "7051"};
// EAN-13 sets of digits 2-7 by the first digit.
constexpr std::array<const char*, 10> kEan13Parity = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                                      "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
// UPC-E parity by check digit ('E' even, 'o' odd, for number system 0); the five-digit
// supplement uses the same rows without their first letter.
constexpr std::array<const char*, 10> kUpcEParity = {"EEEooo", "EEoEoo", "EEooEo", "EEoooE", "EoEEoo",
                                                     "EooEEo", "EoooEE", "EoEoEo", "EoEooE", "EooEoE"};
// UPC supplement 2 parity by value mod 4.
constexpr std::array<const char*, 4> kSupp2Parity = {"oo", "oE", "Eo", "EE"};

// 2 of 5: five bits per digit, '1' wide.
constexpr std::array<const char*, 10> kTwoOfFive = {"00110", "10001", "01001", "11000", "00101",
                                                    "10100", "01100", "00011", "10010", "01010"};
// POSTNET: five bars per digit, '1' full height.
constexpr std::array<const char*, 10> kPostNet = {"11000", "00011", "00101", "00110", "01001",
                                                  "01010", "01100", "10001", "10010", "10100"};

struct CharPattern {
    char ch;
    const char* pattern;
};

// Code 39: the row index is the character's value, except '*' (start/stop, value 0) which sits
// between ' ' and '$'.
constexpr std::array<CharPattern, 44> kCode39 = {{
    {'0', "505160605"}, {'1', "605150506"}, {'2', "506150506"}, {'3', "606150505"}, {'4', "505160506"},
    {'5', "605160505"}, {'6', "506160505"}, {'7', "505150606"}, {'8', "605150605"}, {'9', "506150605"},
    {'A', "605051506"}, {'B', "506051506"}, {'C', "606051505"}, {'D', "505061506"}, {'E', "605061505"},
    {'F', "506061505"}, {'G', "505051606"}, {'H', "605051605"}, {'I', "506051605"}, {'J', "505061605"},
    {'K', "605050516"}, {'L', "506050516"}, {'M', "606050515"}, {'N', "505060516"}, {'O', "605060515"},
    {'P', "506060515"}, {'Q', "505050616"}, {'R', "605050615"}, {'S', "506050615"}, {'T', "505060615"},
    {'U', "615050506"}, {'V', "516050506"}, {'W', "616050505"}, {'X', "515060506"}, {'Y', "615060505"},
    {'Z', "516060505"}, {'-', "515050606"}, {'.', "615050605"}, {' ', "516050605"}, {'*', "515060605"},
    {'$', "515151505"}, {'/', "515150515"}, {'+', "515051515"}, {'%', "505151515"},
}};
constexpr int kCode39StarRow = 39;

// Code 93: row index = value; '[' ']' '{' '}' stand for the shifts ($) (%) (/) (+).
constexpr std::array<CharPattern, 47> kCode93 = {{
    {'0', "131112"}, {'1', "111213"}, {'2', "111312"}, {'3', "111411"}, {'4', "121113"}, {'5', "121212"},
    {'6', "121311"}, {'7', "111114"}, {'8', "131211"}, {'9', "141111"}, {'A', "211113"}, {'B', "211212"},
    {'C', "211311"}, {'D', "221112"}, {'E', "221211"}, {'F', "231111"}, {'G', "112113"}, {'H', "112212"},
    {'I', "112311"}, {'J', "122112"}, {'K', "132111"}, {'L', "111123"}, {'M', "111222"}, {'N', "111321"},
    {'O', "121122"}, {'P', "131121"}, {'Q', "212112"}, {'R', "212211"}, {'S', "211122"}, {'T', "211221"},
    {'U', "221121"}, {'V', "222111"}, {'W', "112122"}, {'X', "112221"}, {'Y', "122121"}, {'Z', "123111"},
    {'-', "121131"}, {'.', "311112"}, {' ', "311211"}, {'$', "321111"}, {'/', "112131"}, {'+', "113121"},
    {'%', "211131"}, {'[', "121221"}, {']', "312111"}, {'{', "311121"}, {'}', "122211"},
}};
constexpr const char* kCode93Start = "111141";
constexpr const char* kCode93Stop = "1111411";

// Code 128 width strings by value 0-102; set A holds 0x20-0x5F as values 0-63, set B 0x20-0x7E
// as values 0-94, set C the pairs "00"-"99" as values 0-99.
constexpr std::array<const char*, 103> kCode128 = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", "221312",
    "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", "221231", "213212",
    "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321", "232121",
    "111323", "131123", "131321", "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",
    "132131", "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131", "311123",
    "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224", "111422", "121124",
    "121421", "141122", "141221", "112214", "112412", "122114", "122411", "142112", "142211", "241211", "221114",
    "413111", "241112", "134111", "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131",
};
constexpr int kCode128Fnc1 = 102;
constexpr int kCode128StartA = 103, kCode128StartB = 104, kCode128StartC = 105;
constexpr std::array<const char*, 3> kCode128Starts = {"211412", "211214", "211232"};
constexpr const char* kCode128Stop = "2331112";

// Codabar.
constexpr std::array<CharPattern, 20> kCodabar = {{
    {'1', "5050615"}, {'2', "5051506"}, {'3', "6150505"}, {'4', "5060515"}, {'5', "6050515"},
    {'6', "5150506"}, {'7', "5150605"}, {'8', "5160505"}, {'9', "6051505"}, {'0', "5050516"},
    {'-', "5051605"}, {'$', "5061505"}, {':', "6050606"}, {'/', "6060506"}, {'.', "6060605"},
    {'+', "5060606"}, {'A', "5061515"}, {'B', "5151506"}, {'C', "5051516"}, {'D', "5051615"},
}};

// ---- shared steps ------------------------------------------------------------------------------

// The settings and working copy of one encoding.
struct Job {
    const TBarcode& bc;
    std::string text;     // Text after validation
    std::string display;  // becomes DisplayText
    std::string pattern;
};

std::string Format1(const char* fmt, std::string_view a)
{
    std::string s(fmt);
    size_t p = s.find("%s");
    if (p != std::string::npos) s.replace(p, 2, a);
    return s;
}

std::string Format2(const char* fmt, std::string_view a, std::string_view b)
{
    std::string s(fmt);
    size_t p = s.find("%s");
    if (p == std::string::npos) return s;
    s.replace(p, 2, a);
    p = s.find("%s", p + a.size());
    if (p != std::string::npos) s.replace(p, 2, b);
    return s;
}

// The value of a digit; any other character goes through the platform's integer conversion,
// which fails on it with its ConvertError (no single non-digit is a decimal digit).
int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    int v = StrToInt(std::string_view(&c, 1));
    if (v < 0 || v > 9) throw ConvertError("'" + std::string(1, c) + "' is not a valid integer value");
    return v;
}

// Digits of validated digits-only text.
int D(const std::string& s, size_t i) { return s[i] - '0'; }

std::string PadLeft(std::string s, size_t n)
{
    if (s.size() < n) s.insert(0, n - s.size(), '0');
    return s;
}

// Weighted sum from the right (weights 3, 1, 3, ...), the check digit of EAN, UPC and ITF.
char Mod10Check(std::string_view s)
{
    int sum = 0;
    bool three = true;
    for (size_t i = s.size(); i-- > 0;) {
        sum = (sum + DigitValue(s[i]) * (three ? 3 : 1)) % 10;  // reduced: texts may be long
        three = !three;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// DisplayText rule: the data, without its last character when a check digit is hidden.
void SetDisplay(Job& job, const std::string& data)
{
    if (job.bc.ShowCheckSumText() || !job.bc.Checksum() || data.empty())
        job.display = data;
    else
        job.display = data.substr(0, data.size() - 1);
}

// Code 128 and Code 93 width strings to the alphabet: odd positions bars, even positions spaces.
void AppendModules(std::string& p, const char* modules)
{
    for (int i = 0; modules[i]; ++i) p += static_cast<char>(i % 2 == 0 ? modules[i] + 4 : modules[i] - 1);
}

const CharPattern* FindChar(const CharPattern* rows, size_t n, char c)
{
    for (size_t i = 0; i < n; ++i)
        if (rows[i].ch == c) return &rows[i];
    return nullptr;
}

// Writes a character of an error message readably: printable ones as they are, others as #code.
std::string NameChar(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) return "#" + std::to_string(u);
    return std::string(1, c);
}

// ---- 2 of 5 ------------------------------------------------------------------------------------

void BuildInterleaved(Job& job)
{
    const std::string& t = job.text;
    job.pattern = "5050";
    for (size_t i = 0; i + 1 < t.size(); i += 2) {  // an odd last digit is dropped
        const char* a = kTwoOfFive[D(t, i)];
        const char* b = kTwoOfFive[D(t, i + 1)];
        for (int k = 0; k < 5; ++k) {
            job.pattern += a[k] == '1' ? '6' : '5';
            job.pattern += b[k] == '1' ? '1' : '0';
        }
    }
    job.pattern += "605";
}

void BuildIndustrial(Job& job)
{
    job.pattern = "606050";
    for (size_t i = 0; i < job.text.size(); ++i)
        for (const char* b = kTwoOfFive[D(job.text, i)]; *b; ++b) job.pattern += *b == '1' ? "60" : "50";
    job.pattern += "605060";
}

void BuildMatrix(Job& job)
{
    job.pattern = "705050";
    for (size_t i = 0; i < job.text.size(); ++i) {
        const char* b = kTwoOfFive[D(job.text, i)];
        for (int k = 0; k < 5; ++k) job.pattern += k % 2 == 0 ? (b[k] == '1' ? '6' : '5') : (b[k] == '1' ? '1' : '0');
        job.pattern += '0';
    }
    job.pattern += "70505";
}

// ---- Code 39 -----------------------------------------------------------------------------------

// Full-ASCII sequence of a character below 128; '-' and '.' are written "/M" and "/N".
std::string Code39FullAscii(unsigned char c)
{
    auto two = [](char shift, int letter) { return std::string{shift, static_cast<char>('A' + letter)}; };
    if (c == 0) return "%U";
    if (c <= 26) return two('$', c - 1);
    if (c <= 31) return two('%', c - 27);
    if (c == ' ') return " ";
    if (c <= '/') return two('/', c - '!');  // ! .. / as /A .. /O
    if (c <= '9') return std::string(1, static_cast<char>(c));
    if (c == ':') return "/Z";
    if (c <= '?') return two('%', c - ';' + 5);  // ; .. ? as %F .. %J
    if (c == '@') return "%V";
    if (c <= 'Z') return std::string(1, static_cast<char>(c));
    if (c <= '_') return two('%', c - '[' + 10);  // [ .. _ as %K .. %O
    if (c == '`') return "%W";
    if (c <= 'z') return two('+', c - 'a');
    return two('%', c - '{' + 15);  // { .. DEL as %P .. %T
}

void EncodeCode39(Job& job, const std::string& data)
{
    const std::string star = kCode39[kCode39StarRow].pattern;
    job.pattern = star + "0";
    int sum = 0;
    for (char c : data) {
        const CharPattern* row = FindChar(kCode39.data(), kCode39.size(), c);
        // Characters outside the table are skipped; so is '*', which would end the symbol early.
        if (!row || row == &kCode39[kCode39StarRow]) continue;
        int index = static_cast<int>(row - kCode39.data());
        sum += index < kCode39StarRow ? index : index - 1;
        job.pattern += row->pattern;
        job.pattern += '0';
    }
    if (job.bc.Checksum()) {
        // The value of a row is its index for the first 39 rows and one less after '*'.
        int v = sum % 43;
        const CharPattern& check = kCode39[v < kCode39StarRow ? v : v + 1];
        job.pattern += check.pattern;
        job.pattern += '0';
        SetDisplay(job, data + check.ch);
    } else {
        job.display = job.bc.Text();
    }
    job.pattern += star;
}

void BuildCode39(Job& job) { EncodeCode39(job, job.text); }

void BuildCode39Extended(Job& job)
{
    std::string expanded;
    for (char c : job.text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 128) expanded += Code39FullAscii(u);
    }
    EncodeCode39(job, expanded);
}

// ---- Code 93 -----------------------------------------------------------------------------------

// Full-ASCII sequence of a character below 128 with the shifts written '[' ($), ']' (%),
// '{' (/) and '}' (+); characters of the basic set stand for themselves.
std::string Code93FullAscii(unsigned char c)
{
    auto two = [](char shift, int letter) { return std::string{shift, static_cast<char>('A' + letter)}; };
    if (c == 0) return "]U";
    if (c <= 26) return two('[', c - 1);
    if (c <= 31) return two(']', c - 27);
    if (c == ' ' || c == '$' || c == '%' || c == '+' || c == '-' || c == '.' || c == '/')
        return std::string(1, static_cast<char>(c));
    if (c <= ',') return two('{', c - '!');  // ! .. , as (/)A .. (/)L
    if (c <= '9') return std::string(1, static_cast<char>(c));
    if (c == ':') return "{Z";
    if (c <= '?') return two(']', c - ';' + 5);
    if (c == '@') return "]V";
    if (c <= 'Z') return std::string(1, static_cast<char>(c));
    if (c <= '_') return two(']', c - '[' + 10);
    if (c == '`') return "]W";
    if (c <= 'z') return two('}', c - 'a');
    return two(']', c - '{' + 15);
}

void EncodeCode93(Job& job, const std::string& data)
{
    std::string values;  // one value per character, 0..46
    values.reserve(data.size());
    for (char c : data) {
        const CharPattern* row = FindChar(kCode93.data(), kCode93.size(), c);
        if (!row) throw Exception(Format2(kBarcodeCode93Data, job.bc.className(), data));
        values += static_cast<char>(row - kCode93.data());
    }
    // C weights 1..20 and K weights 1..15 run from the rightmost character leftwards; K counts C
    // as its rightmost character.
    int c = 0, k = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        size_t pos = values.size() - 1 - i;  // 0 for the rightmost
        int v = values[i];
        c = (c + v * static_cast<int>(pos % 20 + 1)) % 47;
        k = (k + v * static_cast<int>((pos + 1) % 15 + 1)) % 47;
    }
    k = (k + c) % 47;
    job.pattern.clear();
    AppendModules(job.pattern, kCode93Start);
    for (char v : values) AppendModules(job.pattern, kCode93[static_cast<size_t>(v)].pattern);
    AppendModules(job.pattern, kCode93[static_cast<size_t>(c)].pattern);
    AppendModules(job.pattern, kCode93[static_cast<size_t>(k)].pattern);
    AppendModules(job.pattern, kCode93Stop);
    job.display = job.bc.Text();
}

void BuildCode93(Job& job) { EncodeCode93(job, job.text); }

void BuildCode93Extended(Job& job)
{
    std::string expanded;
    for (char c : job.text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 128) expanded += Code93FullAscii(u);
    }
    EncodeCode93(job, expanded);
}

// ---- Code 128 and EAN 128 ----------------------------------------------------------------------

enum class Set128 { A, B, C };

void EncodeCode128(Job& job, Set128 set, bool ean)
{
    int start = set == Set128::A ? kCode128StartA : set == Set128::B ? kCode128StartB : kCode128StartC;
    long sum = start;
    long weight = 1;
    job.pattern.clear();
    AppendModules(job.pattern, kCode128Starts[static_cast<size_t>(start - kCode128StartA)]);
    std::string data = job.text;
    if (ean) {
        AppendModules(job.pattern, kCode128[kCode128Fnc1]);
        sum += kCode128Fnc1 * weight;
        weight = 2;
        if (job.bc.Checksum()) {
            data = job.bc.AppendCheckDigit(job.text);
            SetDisplay(job, data);
        }
    }
    auto symbol = [&](int v) {
        AppendModules(job.pattern, kCode128[static_cast<size_t>(v)]);
        sum = (sum + v * weight) % 103;  // kept reduced so long texts cannot overflow
        ++weight;
    };
    if (set == Set128::C) {
        if (data.size() % 2) data.insert(0, 1, '0');
        for (size_t i = 0; i < data.size(); i += 2) {
            char a = data[i], b = data[i + 1];
            bool digits = a >= '0' && a <= '9' && b >= '0' && b <= '9';
            symbol(digits ? (a - '0') * 10 + (b - '0') : 0);
        }
    } else {
        int last = set == Set128::A ? 0x5F : 0x7E;
        for (char ch : data) {
            int u = static_cast<unsigned char>(ch);
            symbol(u >= 0x20 && u <= last ? u - 0x20 : 0);  // outside the set: the space
        }
    }
    AppendModules(job.pattern, kCode128[static_cast<size_t>(sum % 103)]);
    AppendModules(job.pattern, kCode128Stop);
}

void BuildCode128A(Job& job) { EncodeCode128(job, Set128::A, false); }
void BuildCode128B(Job& job) { EncodeCode128(job, Set128::B, false); }
void BuildCode128C(Job& job) { EncodeCode128(job, Set128::C, false); }
void BuildEan128A(Job& job) { EncodeCode128(job, Set128::A, true); }
void BuildEan128B(Job& job) { EncodeCode128(job, Set128::B, true); }
void BuildEan128C(Job& job) { EncodeCode128(job, Set128::C, true); }

// ---- MSI, POSTNET, Codabar ---------------------------------------------------------------------

// Modulo 10 over the digits counted from the right: the rightmost and every second one to its
// left form a number whose double contributes its digit sum, the others are added as they are.
// Doubling carries exactly at digits of 5 and up, so the digit sum can be taken digit by digit.
int MsiCheck(const std::string& t)
{
    int total = 0;
    bool doubled = true;
    for (size_t i = t.size(); i-- > 0;) {
        int d = D(t, i);
        total = (total + (doubled ? (d >= 5 ? 2 * d - 9 : 2 * d) : d)) % 10;
        doubled = !doubled;
    }
    int r = total % 10;
    return r > 0 ? 10 - r : 0;
}

void BuildMsi(Job& job)
{
    auto digit = [&](int d) {
        for (int bit = 3; bit >= 0; --bit) job.pattern += (d >> bit) & 1 ? "60" : "51";
    };
    job.pattern = "60";
    for (size_t i = 0; i < job.text.size(); ++i) digit(D(job.text, i));
    digit(MsiCheck(job.text));
    job.pattern += "515";
}

void BuildPostNet(Job& job)
{
    job.pattern = "51";
    for (size_t i = 0; i < job.text.size(); ++i)
        for (const char* b = kPostNet[D(job.text, i)]; *b; ++b) job.pattern += *b == '1' ? "51" : "A1";
    job.pattern += '5';
}

void BuildCodabar(Job& job)
{
    const CharPattern* a = FindChar(kCodabar.data(), kCodabar.size(), 'A');
    const CharPattern* b = FindChar(kCodabar.data(), kCodabar.size(), 'B');
    job.pattern = a->pattern;
    job.pattern += '0';
    for (char c : job.text) {
        const CharPattern* row = FindChar(kCodabar.data(), kCodabar.size(), c);
        // A dropped character would scan as different data, so it is refused.
        if (!row) throw Exception(Format2(kBarcodeCodabarChar, job.bc.className(), NameChar(c)));
        job.pattern += row->pattern;
        job.pattern += '0';
    }
    job.pattern += b->pattern;
}

// ---- EAN and UPC -------------------------------------------------------------------------------

void AppendSet(std::string& p, char set, int digit)
{
    p += set == 'A' ? kEanSetA[digit] : set == 'B' ? kEanSetB[digit] : kEanSetC[digit];
}

void BuildEan8(Job& job)
{
    std::string data;
    if (job.bc.Checksum()) {
        data = PadLeft(job.text, 7);
        data = job.bc.AppendCheckDigit(data.substr(data.size() - 7));
    } else {
        data = PadLeft(job.text, 8);
    }
    if (data.size() != 8) throw Exception(kBarcodeEan8Length);
    job.pattern = "505";
    for (size_t i = 0; i < 4; ++i) AppendSet(job.pattern, 'A', D(data, i));
    job.pattern += "05050";
    for (size_t i = 4; i < 8; ++i) AppendSet(job.pattern, 'C', D(data, i));
    job.pattern += "505";
    SetDisplay(job, data);
}

void BuildEan13(Job& job)
{
    std::string data = job.bc.Checksum() ? job.bc.AppendCheckDigit(PadLeft(job.text, 12)) : PadLeft(job.text, 13);
    if (data.size() != 13) throw Exception(kBarcodeEan13Length);
    const char* parity = kEan13Parity[D(data, 0)];
    job.pattern = "505";
    for (size_t i = 1; i < 7; ++i) AppendSet(job.pattern, parity[i - 1], D(data, i));
    job.pattern += "05050";
    for (size_t i = 7; i < 13; ++i) AppendSet(job.pattern, 'C', D(data, i));
    job.pattern += "505";
    SetDisplay(job, data);
}

void BuildUpcA(Job& job)
{
    std::string padded = PadLeft(job.text, 12);
    std::string data = padded;
    if (job.bc.Checksum()) {
        data = job.bc.AppendCheckDigit(padded.substr(0, 11));
        if (data.size() < 12) data = padded;  // csmNone adds no digit: the twelfth is the text's
    }
    job.pattern = "505";
    for (size_t i = 0; i < 6; ++i) AppendSet(job.pattern, 'A', D(data, i));
    job.pattern += "05050";
    for (size_t i = 6; i < 12; ++i) AppendSet(job.pattern, 'C', D(data, i));
    job.pattern += "505";
    SetDisplay(job, data);
}

// The check digit of a UPC-E symbol: the UPC-A check of the number its six digits expand to.
// It selects the parity row, so it exists whatever the check-sum method.
char UpcECheck(const std::string& x, char numberSystem)
{
    std::string body;  // the ten digits after the number system
    switch (x[5]) {
    case '0':
    case '1':
    case '2': body = x.substr(0, 2) + x[5] + "0000" + x.substr(2, 3); break;
    case '3': body = x.substr(0, 3) + "00000" + x.substr(3, 2); break;
    case '4': body = x.substr(0, 4) + "00000" + x[4]; break;
    default: body = x.substr(0, 5) + "0000" + x[5]; break;
    }
    return Mod10Check(numberSystem + body);
}

void EncodeUpcE(Job& job, bool system1)
{
    std::string padded = PadLeft(job.text, 7);
    std::string six = padded.substr(0, 6);
    char d = UpcECheck(six, system1 ? '1' : '0');
    std::string data = job.bc.Checksum() ? six + d : padded;
    const char* parity = kUpcEParity[d - '0'];
    job.pattern = "505";
    for (size_t i = 0; i < 6; ++i) {
        bool even = parity[i] == 'E';
        AppendSet(job.pattern, even != system1 ? 'B' : 'A', D(six, i));
    }
    job.pattern += "050505";
    SetDisplay(job, data);
}

void BuildUpcE0(Job& job) { EncodeUpcE(job, false); }
void BuildUpcE1(Job& job) { EncodeUpcE(job, true); }

void BuildSupp2(Job& job)
{
    std::string padded = PadLeft(job.text, 2);
    int mod4 = 0;  // the whole number mod 4, digit by digit
    for (size_t i = 0; i < padded.size(); ++i) mod4 = (mod4 * 10 + D(padded, i)) % 4;
    const char* parity = kSupp2Parity[static_cast<size_t>(mod4)];
    std::string data = job.bc.Checksum() ? TBarcode::SupplementCheckDigit(padded.substr(0, 5)) : padded;
    job.pattern = "506";
    AppendSet(job.pattern, parity[0] == 'E' ? 'B' : 'A', D(padded, 0));
    job.pattern += "05";
    AppendSet(job.pattern, parity[1] == 'E' ? 'B' : 'A', D(padded, 1));
    SetDisplay(job, data);
}

void BuildSupp5(Job& job)
{
    std::string padded = PadLeft(job.text, 5);
    std::string c = TBarcode::SupplementCheckDigit(padded.substr(0, 5));
    const char* parity = kUpcEParity[c.back() - '0'] + 1;
    std::string data = job.bc.Checksum() ? c : padded;
    job.pattern = "506";
    for (size_t i = 0; i < 5; ++i) {
        if (i) job.pattern += "05";
        AppendSet(job.pattern, parity[i] == 'E' ? 'B' : 'A', D(padded, i));
    }
    SetDisplay(job, data);
}

// ---- the type table ----------------------------------------------------------------------------

// How the element widths follow Modul and Ratio.
enum class WidthRule : uint8_t {
    Clamp2,    // Ratio clamped to 2.0-3.0
    Clamp225,  // Ratio clamped to 2.25-3.0
    Free,      // Ratio as set
    Modules,   // 1, 2, 3 and 4 modules: these tables count widths in modules
};

struct TypeRow {
    BarcodeTypeInfo info;
    WidthRule widths;
    void (*build)(Job&);
};

constexpr std::array<TypeRow, kBarcodeTypeCount> kTypes = {{
    {{"bcCode_2_5_interleaved", "2 5 interleaved", true, false}, WidthRule::Clamp2, BuildInterleaved},
    {{"bcCode_2_5_industrial", "2 5 industrial", true, false}, WidthRule::Clamp2, BuildIndustrial},
    {{"bcCode_2_5_matrix", "2 5 matrix", true, false}, WidthRule::Clamp225, BuildMatrix},
    {{"bcCode39", "Code39", false, false}, WidthRule::Clamp2, BuildCode39},
    {{"bcCode39Extended", "Code39 Extended", false, false}, WidthRule::Clamp2, BuildCode39Extended},
    {{"bcCode128A", "Code128A", false, false}, WidthRule::Modules, BuildCode128A},
    {{"bcCode128B", "Code128B", false, false}, WidthRule::Modules, BuildCode128B},
    {{"bcCode128C", "Code128C", true, false}, WidthRule::Modules, BuildCode128C},
    {{"bcCode93", "Code93", false, false}, WidthRule::Modules, BuildCode93},
    {{"bcCode93Extended", "Code93 Extended", false, false}, WidthRule::Modules, BuildCode93Extended},
    {{"bcCodeMSI", "MSI", true, false}, WidthRule::Clamp2, BuildMsi},
    {{"bcCodePostNet", "PostNet", true, false}, WidthRule::Free, BuildPostNet},
    {{"bcCodeCodabar", "Codebar", false, false}, WidthRule::Clamp2, BuildCodabar},
    {{"bcCodeEAN8", "EAN8", true, false}, WidthRule::Clamp2, BuildEan8},
    {{"bcCodeEAN13", "EAN13", true, false}, WidthRule::Clamp2, BuildEan13},
    {{"bcCodeUPC_A", "UPC A", true, false}, WidthRule::Clamp2, BuildUpcA},
    {{"bcCodeUPC_E0", "UPC E0", true, false}, WidthRule::Clamp2, BuildUpcE0},
    {{"bcCodeUPC_E1", "UPC E1", true, false}, WidthRule::Clamp2, BuildUpcE1},
    {{"bcCodeUPC_Supp2", "UPC Supp2", true, false}, WidthRule::Clamp2, BuildSupp2},
    {{"bcCodeUPC_Supp5", "UPC Supp5", true, false}, WidthRule::Clamp2, BuildSupp5},
    {{"bcCodeEAN128A", "EAN128A", false, false}, WidthRule::Modules, BuildEan128A},
    {{"bcCodeEAN128B", "EAN128B", false, false}, WidthRule::Modules, BuildEan128B},
    {{"bcCodeEAN128C", "EAN128C", true, false}, WidthRule::Modules, BuildEan128C},
}};

// The two-dimensional types follow the linear ones; TBarcode has no builder for them.
constexpr std::array<BarcodeTypeInfo, kAllBarcodeTypeCount - kBarcodeTypeCount> kMatrixTypes = {{
    {"bcQRCode", "QR Code", false, true},
    {"bcDataMatrix", "Data Matrix", false, true},
    {"bcPDF417", "PDF417", false, true},
}};

const TypeRow* FindRow(int type) { return type >= 0 && type < kBarcodeTypeCount ? &kTypes[type] : nullptr; }

}  // namespace

const BarcodeTypeInfo* FindBarcodeTypeInfo(int type)
{
    if (const TypeRow* row = FindRow(type)) return &row->info;
    if (type >= kBarcodeTypeCount && type < kAllBarcodeTypeCount)
        return &kMatrixTypes[static_cast<size_t>(type - kBarcodeTypeCount)];
    return nullptr;
}

std::optional<TBarcodeType> BarcodeTypeFromName(std::string_view name)
{
    for (int i = 0; i < kAllBarcodeTypeCount; ++i) {
        const BarcodeTypeInfo* info = FindBarcodeTypeInfo(i);
        if (SameText(name, info->name) || SameText(name, info->displayName)) return static_cast<TBarcodeType>(i);
    }
    return std::nullopt;
}

PenBrushGuard::PenBrushGuard(Canvas& c) : canvas_(c), pen_(c.pen()), brush_(c.brush()) {}

PenBrushGuard::~PenBrushGuard()
{
    canvas_.setPen(pen_);
    canvas_.setBrush(brush_);
}

void TBarcode::SetModul(int32_t v)
{
    if (v >= 1 && v <= 49) modul_ = v;
}

std::string TBarcode::AppendCheckDigit(std::string_view s) const
{
    if (checkSumMethod_ == csmNone) return std::string(s);
    return std::string(s) + Mod10Check(s);
}

std::string TBarcode::SupplementCheckDigit(std::string_view s)
{
    int sum = 0;
    bool three = true;
    for (size_t i = s.size(); i-- > 0;) {
        sum = (sum + DigitValue(s[i]) * (three ? 3 : 9)) % 10;
        three = !three;
    }
    return std::string(s) + static_cast<char>('0' + sum % 10);
}

void TBarcode::computeWidths()
{
    const TypeRow* row = FindRow(typ_);
    WidthRule rule = row ? row->widths : WidthRule::Free;
    auto clamp = [this](double lo, double hi) {
        if (!(ratio_ >= lo))
            ratio_ = lo;  // also NaN
        else if (ratio_ > hi)
            ratio_ = hi;
    };
    if (rule == WidthRule::Clamp2) clamp(2.0, 3.0);
    if (rule == WidthRule::Clamp225) clamp(2.25, 3.0);
    w_[0] = modul_;
    if (rule == WidthRule::Modules) {
        w_[1] = 2 * modul_;
        w_[2] = 3 * modul_;
        w_[3] = 4 * modul_;
        return;
    }
    // An unclamped Ratio may be anything: keep every element at least one pixel and bounded.
    double wide = static_cast<double>(modul_) * ratio_;
    if (!(wide >= 1.0)) wide = 1.0;
    if (wide > 1000.0) wide = 1000.0;
    w_[1] = static_cast<int32_t>(RoundHalfEven(wide));
    w_[2] = w_[1] * 3 / 2;
    w_[3] = w_[1] * 2;
}

std::string TBarcode::Encode()
{
    computeWidths();
    const TypeRow* row = FindRow(typ_);
    if (!row) throw Exception(Format1(kBarcodeBadType, className()));
    if (row->info.digitsOnly) {
        text_ = Trim(text_);
        for (char c : text_)
            if (c < '0' || c > '9') throw Exception(kBarcodeNotNumeric);
    }
    Job job{*this, text_, text_, {}};
    row->build(job);
    displayText_ = job.display;
    return job.pattern;
}

int32_t TBarcode::ElementWidth(char element) const
{
    if (element >= '0' && element <= '3') return w_[element - '0'];
    if (element >= '5' && element <= '8') return w_[element - '5'];
    if (element >= 'A' && element <= 'D') return w_[element - 'A'];
    throw Exception(Format1(kBarcodeInternal, className()));
}

int32_t TBarcode::Width()
{
    std::string pattern = Encode();
    int64_t sum = 0;
    for (char c : pattern) sum += ElementWidth(c);
    return static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX));
}

void TBarcode::DrawOn(Canvas& canvas)
{
    displayText_ = text_;
    PenBrushGuard guard(canvas);
    std::string pattern = Encode();
    for (char c : pattern) ElementWidth(c);  // an internal error leaves the canvas untouched
    int32_t x = 0;
    for (char c : pattern) {
        int32_t w = ElementWidth(c);
        bool space = c >= '0' && c <= '3';
        bool half = c >= 'A' && c <= 'D';
        zv::Color color = space ? color_ : colorBar_;
        canvas.setPen(Pen{color, 1, PenStyle::Solid});
        canvas.setBrush(Brush{color, BrushStyle::Solid});
        int32_t y0 = half ? height_ - height_ * 2 / 5 : 0;
        DrawBarBox(canvas, left_ + x, top_ + y0, left_ + x + w - 1, top_ + height_);
        x += w;
    }
}

void DrawBarBox(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    const Point pts[4] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
    canvas.polygon(pts);
}

}  // namespace zv
