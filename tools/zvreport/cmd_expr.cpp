// zvreport eval / format / words: the expression engine, FormatValue and NumberToWords from the shell.
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Variant.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Format.h"
#include "tools/zvreport/Command.h"

namespace {

using zvtool::Print;
using zvtool::PrintError;

// Takes "--locale NAME" out of args and installs the settings: "it" (the default) is the Italian
// preset, "system" the process locale, "c" the plain settings ("." decimal, "," thousands);
// any other name is tried as a process locale. Returns false with a message when it fails.
bool ApplyLocale(std::vector<std::string>& args)
{
    std::string name = "it";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--locale") continue;
        if (i + 1 >= args.size()) {
            PrintError("zvreport: --locale needs a name (it, system, c or a locale name)");
            return false;
        }
        name = args[i + 1];
        args.erase(args.begin() + i, args.begin() + i + 2);
        break;
    }
    if (name == "it") {
        zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
    } else if (name == "c") {
        zv::DefaultFormatSettings() = zv::FormatSettings{};
    } else {
        if (!std::setlocale(LC_ALL, name == "system" ? "" : name.c_str())) {
            PrintError("zvreport: unknown locale: " + name);
            return false;
        }
        zv::DefaultFormatSettings() = zv::FormatSettingsFromLocale();
    }
    return true;
}

// "Kind: text"; Null and Empty have no text.
std::string Describe(const zv::Variant& v)
{
    std::string s = zv::VarTypeName(v.type());
    if (!v.isEmptyOrNull()) s += ": " + v.toString();
    return s;
}

int EvalCommand(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    if (!ApplyLocale(args)) return 2;
    if (args.size() != 1) {
        PrintError("usage: zvreport eval [--locale NAME] EXPR");
        return 2;
    }
    zv::Variant v;
    zv::EvaluateExpression(args[0], v);
    Print(Describe(v));
    return 0;
}

// A number ("1234.5", or with the locale's separator), a quoted string ('x' or "x"), or a
// date-time d:YYYY-MM-DD[THH:MM:SS].
bool ParseValue(const std::string& s, zv::Variant& v)
{
    if (s.size() >= 2 && (s.front() == '\'' || s.front() == '"') && s.back() == s.front()) {
        v = zv::Variant(s.substr(1, s.size() - 2));
        return true;
    }
    if (s.rfind("d:", 0) == 0) {
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
        char tail = 0;
        const int n = std::sscanf(s.c_str() + 2, "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &se, &tail);
        if (n != 3 && n != 6) return false;
        if (n == 3 && s.size() != 12) return false;
        auto date = zv::TryEncodeDate(y, mo, d);
        auto time = zv::TryEncodeTime(h, mi, se, 0);
        if (!date || !time) return false;
        v = zv::Variant::fromDateTime(*date + (*date < 0 ? -*time : *time));
        return true;
    }
    int32_t i = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), i);
    if (ec == std::errc() && end == s.data() + s.size()) {
        v = zv::Variant(i);
        return true;
    }
    std::string t = s;
    if (size_t dot = t.find('.'); dot != std::string::npos) t[dot] = zv::DefaultFormatSettings().decimalSeparator;
    if (auto d = zv::TryStrToFloat(t, zv::DefaultFormatSettings())) {
        v = zv::Variant(*d);
        return true;
    }
    return false;
}

int FormatCommand(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    if (!ApplyLocale(args)) return 2;
    const char* usage = "usage: zvreport format [--locale NAME] --code 0xHHHHHHHH [--text FORMAT] VALUE";
    uint32_t code = 0;
    bool haveCode = false;
    std::string text, value;
    bool haveValue = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--code" || a == "--text") && i + 1 < args.size()) {
            const std::string& p = args[++i];
            if (a == "--text") {
                text = p;
                continue;
            }
            const char* b = p.data();
            if (p.size() > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) b += 2;
            auto [end, ec] = std::from_chars(b, p.data() + p.size(), code, 16);
            if (ec != std::errc() || end != p.data() + p.size()) {
                PrintError("zvreport: not a format code: " + p);
                return 2;
            }
            haveCode = true;
        } else if (!haveValue) {
            value = a;
            haveValue = true;
        } else {
            PrintError(usage);
            return 2;
        }
    }
    if (!haveCode || !haveValue) {
        PrintError(usage);
        return 2;
    }
    zv::Variant v;
    if (!ParseValue(value, v)) {
        PrintError("zvreport: not a number, quoted string or d:YYYY-MM-DD[THH:MM:SS]: " + value);
        return 2;
    }
    Print(zv::FormatValue(v, code, text));
    return 0;
}

int WordsCommand(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    if (!ApplyLocale(args)) return 2;
    if (args.size() != 1) {
        PrintError("usage: zvreport words [--locale NAME] AMOUNT");
        return 2;
    }
    std::string t = args[0];
    if (size_t dot = t.find('.'); dot != std::string::npos) t[dot] = zv::DefaultFormatSettings().decimalSeparator;
    Print(zv::NumberToWords(zv::StrToCurr(t, zv::DefaultFormatSettings())));
    return 0;
}

const zvtool::CommandRegistrar evalCommand({"eval", "[--locale NAME] EXPR  (kind and value of an expression)",
                                            EvalCommand});
const zvtool::CommandRegistrar formatCommand(
    {"format", "[--locale NAME] --code 0xHHHHHHHH [--text FORMAT] VALUE  (number, 'string' or d:YYYY-MM-DD[THH:MM:SS])",
     FormatCommand});
const zvtool::CommandRegistrar wordsCommand({"words", "[--locale NAME] AMOUNT  (the amount in Italian words)",
                                             WordsCommand});

}  // namespace
