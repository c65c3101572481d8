// The report's resolver: name lookup (bindings, PI, fields, special values), the built-in
// functions with their error guard, and the user functions.
#include "report/ZV_Resolver.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <exception>
#include <optional>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Text.h"
#include "platform/data/DataSet.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Format.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_Utils.h"

namespace zv {

namespace {

// pi rounded to a double.
constexpr double kPi = 3.1415926535897932385;

bool IsStringField(TFieldType t)
{
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo || t == ftFmtMemo;
}
bool IsZeroWhenNull(TFieldType t)
{
    switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord: return true;
    default: return false;
    }
}

// A field's current value; a null reads as 0 for numbers, dates and booleans and as "" for text.
Variant FieldValue(const TField& f)
{
    if (!f.isNull()) return f.value();
    if (IsStringField(f.dataType())) return Variant(std::string());
    if (IsZeroWhenNull(f.dataType())) return Variant(int32_t{0});
    return Variant::null();
}

// ---- names without an argument list ---------------------------------------------------------

// A data field (or a data source named as such); false when the name is none of these.
bool ResolveField(std::string_view lookup, const std::string& uname, Variant& value)
{
    TDataSet* ds = nullptr;
    if (TField* f = FindField(lookup, ds)) {
        value = FieldValue(*f);
        return true;
    }
    if (ds && (uname == UpperCase(ds->name()) ||
               (ds->owner() && uname == UpperCase(ds->owner()->name() + "." + ds->name())))) {
        value = Variant(uname);
        return true;
    }
    return false;
}

// PAGE#: the output page's number, or its place in the interleaved order when pages are
// renumbered and that order is known.
int32_t PageNumber(const TzvReport& report)
{
    const TzvPrepareState& ps = PrepareState();
    const TzvReport* r = ps.PreparingReport ? ps.PreparingReport : &report;
    if (r->InterleavePages != 0 && r->InterleavedNumbering != 0) {
        const auto& order = ps.PageOrder;
        const auto at = static_cast<size_t>(ps.PageIndex);
        if (ps.PagePosition.size() == order.size() && at < order.size()) return ps.PagePosition[at];
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i] == ps.PageIndex) return static_cast<int32_t>(i + 1);
    }
    return ps.PageIndex + 1;
}

bool ResolveSpecial(const TzvReport& report, const std::string& uname, Variant& value)
{
    const TzvPrepareState& ps = PrepareState();
    const TzvGlobalState& st = zvState();
    if (uname == "VALUE" || uname == "VALORE") {
        value = ps.CurrentValue;
        return true;
    }
    int index = -1;
    for (size_t i = 0; i < kSpecialVarInternal.size(); ++i)
        if (i != kSpecialVarExpression && uname == kSpecialVarInternal[i]) index = static_cast<int>(i);
    switch (index) {
    case 0: value = Variant(PageNumber(report)); return true;
    case 2: value = Variant::fromDateTime(ps.CapturedDate); return true;
    case 3: value = Variant::fromDateTime(ps.CapturedTime); return true;
    case 4:
    case 5:
        if (!st.CurrentBand) return false;
        value = Variant(index == 4 ? st.CurrentBand->LineNo : st.CurrentBand->LineNoTotal);
        return true;
    case 6:
    case 7:
        if (!st.CurrentPage) return false;
        value = Variant(index == 6 ? st.CurrentPage->TableColumnNo : st.CurrentPage->RowCounter);
        return true;
    case 8: value = Variant(ps.TotalPages); return true;
    default: return false;
    }
}

void ResolvePlainName(TzvReport& report, const std::string& name, std::string uname, Variant& value)
{
    std::string lookup = name;
    if (TzvValue* binding = report.Values.FindVariable(uname)) {
        if (report.OnGetValue) {
            Variant v;
            report.OnGetValue(name, v);
            if (!v.isEmpty()) {
                value = std::move(v);
                return;
            }
        }
        if (binding->Typ == 0) {
            value = Variant::null();
            return;
        }
        if (binding->Typ == 1) {
            TDataSet* ds = nullptr;
            if (TField* f = FindField(binding->DataSetName + ".\"" + binding->FieldName + "\"", ds)) {
                value = FieldValue(*f);
                return;
            }
        } else if (binding->OtherKind == kSpecialVarExpression) {
            EvaluateExpression(binding->FieldName, value);
            return;
        } else {
            // A special variable: the search goes on with its internal name.
            uname = SpecialVarInternalName(binding->OtherKind);
            lookup = uname;
        }
    } else if (uname == "PI") {
        value = Variant(kPi);
        return;
    }
    if (!lookup.empty() && ResolveField(lookup, uname, value)) return;
    ResolveSpecial(report, uname, value);
}

// ---- functions -------------------------------------------------------------------------------

// Texts made by FILLSTR stop at this length, instead of exhausting memory.
constexpr size_t kMaxFilledText = size_t{1} << 24;
// Doubles at or beyond 2^63 have no 64-bit integer part (the integer functions fail there) and
// are out of reach of the sine operation (SIN gives 0 there).
constexpr double kInt64Limit = 9223372036854775808.0;

[[noreturn]] void FailMath() { throw MathError("Invalid floating point operation"); }

double Finite(double r)
{
    if (!std::isfinite(r)) throw MathError("Floating point overflow");
    return r;
}

int64_t TruncInt64(double x)
{
    if (!(std::fabs(x) < kInt64Limit)) FailMath();
    return static_cast<int64_t>(x);
}

int64_t RoundInt64(double x)
{
    if (!(std::fabs(x) < kInt64Limit)) FailMath();
    return static_cast<int64_t>(std::nearbyint(x));
}

// A 64-bit integer result: an Integer when it fits 32 bits, else a Double of the same value.
Variant IntegerResult(int64_t v)
{
    if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
    return Variant(static_cast<double>(v));
}

// Kept to 32 bits: the low 32 bits of the 64-bit result.
Variant Wrapped32(int64_t v) { return Variant(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)))); }

// X / 1936.27, to the cent with halves to even.
double EuroAmount(double x)
{
    const double cents = Finite(x / (static_cast<double>(kEuroRateScaled) / kCurrencyScale) * 100);
    return static_cast<double>(RoundInt64(cents)) / 100;
}

// X (currency) x 1936.27 as a currency, rounded to the fourth decimal with halves to even.
int64_t EuroToMoney(int64_t scaled)
{
    const __int128 product = static_cast<__int128>(scaled) * kEuroRateScaled;
    __int128 q = product / kCurrencyScale;
    const __int128 r = product % kCurrencyScale;
    const __int128 twice = (r < 0 ? -r : r) * 2;
    if (twice > kCurrencyScale || (twice == kCurrencyScale && (q % 2) != 0)) q += product < 0 ? -1 : 1;
    if (q > INT64_MAX || q < INT64_MIN) throw MathError("Floating point overflow");
    return static_cast<int64_t>(q);
}

// The locale's currency format with the negative pattern "€ -1,00".
std::string MoneyText(int64_t scaled)
{
    FormatSettings fs = DefaultFormatSettings();
    fs.negCurrFormat = 12;
    return CurrToStrF(scaled, FloatFormat::Currency, fs.currencyDecimals, fs);
}

std::string EuroText(double v)
{
    return kEuroPrefix + FloatToStrF(v, FloatFormat::Number, 10, 2, DefaultFormatSettings());
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string NameCase(std::string_view text)
{
    std::string r = LowerCase(text);
    if (!r.empty()) r[0] = UpperChar(r[0]);
    return r;
}

std::string PhraseCase(std::string_view text)
{
    std::string r = LowerCase(text);
    char previous = 0;
    for (char& c : r) {
        const char original = c;
        if (!IsAsciiLetter(previous)) c = UpperChar(c);
        previous = original;
    }
    return r;
}

// Copy(text, index, count) with 1-based index: an index below 1 counts as 1.
std::string CopyText(const std::string& text, int32_t index, int32_t count)
{
    if (index < 1) index = 1;
    const size_t start = static_cast<size_t>(index) - 1;
    if (count <= 0 || start >= text.size()) return {};
    return text.substr(start, static_cast<size_t>(count));
}

std::string FillText(int32_t times, const std::string& piece)
{
    if (times <= 0 || piece.empty()) return {};
    if (static_cast<size_t>(times) > kMaxFilledText / piece.size()) throw Exception("Out of memory");
    std::string r;
    r.reserve(piece.size() * static_cast<size_t>(times));
    for (int32_t i = 0; i < times; ++i) r += piece;
    return r;
}

// One call of a built-in function: its name in capitals and the raw argument texts.
struct Call {
    const std::string& uname;
    const TzvArgList& args;

    // The collecting expansion only registers aggregates: an argument that fails there (a field
    // of the first record outside a function's domain) counts as 0, so that the arguments after
    // it are still scanned and nothing stops the preparation before any record is printed.
    Variant Arg(size_t i) const
    {
        Variant v;
        if (!PrepareState().AggregateTarget) {
            EvaluateExpression(args[i], v);
            return v;
        }
        try {
            EvaluateExpression(args[i], v);
        } catch (const std::exception&) {
            v = Variant(int32_t{0});
        }
        return v;
    }
    double Number(size_t i) const { return Arg(i).toDouble(); }
    std::string Text(size_t i) const { return Arg(i).toString(); }
    int32_t Integer(size_t i) const { return Arg(i).toInt(); }
    int64_t Currency(size_t i) const { return Arg(i).toCurrency(); }
};

using BuiltinFn = void (*)(const Call& c, Variant& v);

// ---- statistics ----

// The current design page's head band of a kind; none outside a preparation.
TzvBand* PageBand(int kind)
{
    const TzvPage* page = zvState().CurrentPage;
    return page ? page->Bands[static_cast<size_t>(kind)] : nullptr;
}

int CurrentBandKind()
{
    const TzvBand* band = zvState().CurrentBand;
    return band ? band->BandKind : -1;
}

void Count(const Call& c, Variant& v)
{
    if (!c.args.empty()) {
        TDataSet* ds = nullptr;
        FindField(Trim(c.args[0]), ds);
        if (!ds) {
            ReportError(kMsgFuncBadParamFormat + c.uname);
            return;
        }
        v = Variant(static_cast<int32_t>(ds->recordCount()));
        return;
    }
    const TzvView* object = zvState().CurrentObject;
    // Records since the reset of the current band's own level, so that a group footer counts its
    // group and the report summary every record.
    const uint8_t level = AggregateLevel(zvState().CurrentBand);
    auto from = [&v, level](int kind, bool resets) {
        if (const TzvBand* band = PageBand(kind)) v = Variant(resets ? band->AggResets : band->LevelCount[level]);
    };
    if (object && object->BandKindOfOwner == bkTableData) {
        from(bkTableData, true);
        return;
    }
    switch (CurrentBandKind()) {
    case bkReportFooter:
    case bkPageFooter:
    case bkMainData:
    case bkMainFooter:
    case bkColumnFooter:
    case bkGroupFooter: from(bkMainData, false); break;
    case bkDetailData:
    case bkDetailFooter: from(bkDetailData, false); break;
    case bkSubDetailData:
    case bkSubDetailFooter: from(bkSubDetailData, false); break;
    case bkTableFooter: from(bkTableData, true); break;
    default: ReportError(kMsgFuncStatBand + c.uname); break;
    }
}

// The band whose running totals an object of the output pass reads.
TzvBand* AggregateBandForOutput(const TzvView* object)
{
    if (object && object->BandKindOfOwner == bkTableFooter) return PageBand(bkTableData);
    const int kind = CurrentBandKind();
    if ((kind >= bkReportTitle && kind <= bkMainFooter) || (kind >= bkColumnHeader && kind <= bkGroupFooter))
        return PageBand(bkMainData);
    if (kind >= bkDetailHeader && kind <= bkDetailFooter) return PageBand(bkDetailData);
    if (kind >= bkSubDetailHeader && kind <= bkSubDetailFooter) return PageBand(bkSubDetailData);
    if (IsTableBandKind(kind)) return PageBand(bkTableData);
    return nullptr;
}

// SUM, AVG, MIN or MAX over the first n slots of a table column series.
Variant OverSlots(const std::string& uname, const std::vector<Variant>& slots, size_t n)
{
    if (uname == "SUM" || uname == "AVG") {
        Variant total(int32_t{0});
        for (size_t i = 0; i < n; ++i) total = VarAdd(total, slots[i]);
        if (uname == "SUM" || n == 0) return total;
        return VarDiv(total, Variant(static_cast<int32_t>(n)));
    }
    const bool min = uname == "MIN";
    Variant best(min ? kAggregateMinStart : kAggregateMaxStart);
    for (size_t i = 0; i < n; ++i) {
        const int cmp = VarCompare(slots[i], best);
        if (min ? cmp < 0 : cmp > 0) best = slots[i];
    }
    return best;
}

void Aggregate(const Call& c, Variant& v)
{
    TzvGlobalState& st = zvState();
    TzvView* object = st.CurrentObject;
    const std::string objectName = object ? object->Name : std::string();
    const std::string key = c.uname + "(" + c.args[0] + ")" + objectName + static_cast<char>(objectName.size());
    const TzvBand* current = st.CurrentBand;
    const std::string levelKey = key + static_cast<char>(AggregateLevel(current));
    const int kind = CurrentBandKind();

    if (TzvBand* target = PrepareState().AggregateTarget) {
        // The collecting expansion registers the aggregate with the governing data band.
        if (target->BandKind == bkNone) {
            ReportError(kMsgFuncStatBand + c.uname);
            return;
        }
        const bool footerCell = kind == bkTableFooter && object && IsTableBandKind(object->BandKindOfOwner);
        if (kind == bkTableData || footerCell) {
            if (footerCell) object->TableFooterAggregate = true;
            target->RegisterColumnAggregate(key);
        } else {
            target->RegisterAggregate(levelKey);
        }
        v = Variant(int32_t{1});
        return;
    }
    if (object && object->BandKindOfOwner == bkTableData && !object->TableFooterAggregate) {
        TzvBand* table = PageBand(bkTableData);
        const TzvColumnAggregate* series = table ? table->FindColumnAggregate(key) : nullptr;
        const int32_t column = st.CurrentPage ? st.CurrentPage->TableColumnNo : 0;
        if (series && column >= 1 && series->Slots.size() >= static_cast<size_t>(column))
            v = series->Slots[static_cast<size_t>(column) - 1];
        return;
    }
    if (object && object->TableFooterAggregate) {
        TzvBand* table = PageBand(bkTableData);
        const TzvColumnAggregate* series = table ? table->FindColumnAggregate(key) : nullptr;
        if (!series || table->AggMaxCount < 0) return;
        const size_t n = static_cast<size_t>(table->AggMaxCount);
        if (series->Slots.size() >= n) v = OverSlots(c.uname, series->Slots, n);
        return;
    }
    if (TzvBand* band = AggregateBandForOutput(object))
        if (const TzvAggregate* a = band->FindAggregate(levelKey)) v = a->Value;
}

// ---- the rest ----

void If(const Call& c, Variant& v)
{
    if (PrepareState().AggregateTarget) {
        // Both branches are expanded, so that the aggregates in either are registered.
        c.Arg(0);
        c.Arg(1);
        c.Arg(2);
        v = Variant(int32_t{1});
        return;
    }
    v = VarCompare(c.Arg(0), Variant(int32_t{1})) == 0 ? c.Arg(1) : c.Arg(2);
}

void Str(const Call& c, Variant& v) { v = Variant(FloatToStr(c.Number(0), DefaultFormatSettings())); }
void FillStr(const Call& c, Variant& v)
{
    const std::string piece = c.Text(1);
    v = Variant(FillText(c.Integer(0), piece));
}
void Ceil(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    const int64_t t = TruncInt64(x);
    v = IntegerResult(x - static_cast<double>(t) > 0 ? t + 1 : t);
}
void Floor(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    const int64_t t = TruncInt64(x);
    v = IntegerResult(x - static_cast<double>(t) < 0 ? t - 1 : t);
}
void Int(const Call& c, Variant& v) { v = Variant(std::trunc(c.Number(0))); }
void Frac(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    v = Variant(x - std::trunc(x));
}
void Abs(const Call& c, Variant& v) { v = Variant(std::fabs(c.Number(0))); }
void ArcTan(const Call& c, Variant& v) { v = Variant(std::atan(c.Number(0))); }
void Cos(const Call& c, Variant& v) { v = Variant(Finite(std::cos(c.Number(0)))); }
void Exp(const Call& c, Variant& v) { v = Variant(Finite(std::exp(c.Number(0)))); }
void Ln(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    if (!(x > 0)) FailMath();
    v = Variant(std::log(x));
}
void Sin(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    v = Variant(std::fabs(x) < kInt64Limit ? std::sin(x) : 0.0);
}
void Sqr(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    v = Variant(Finite(x * x));
}
void Sqrt(const Call& c, Variant& v)
{
    const double x = c.Number(0);
    if (x < 0) FailMath();
    v = Variant(std::sqrt(x));
}
void Pos(const Call& c, Variant& v)
{
    const std::string in = c.Text(1);
    const std::string what = c.Text(0);
    const size_t at = what.empty() ? std::string::npos : in.find(what);
    v = Variant(at == std::string::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
}
void Length(const Call& c, Variant& v) { v = Variant(static_cast<int32_t>(c.Text(0).size())); }
void Round(const Call& c, Variant& v) { v = Wrapped32(RoundInt64(c.Number(0))); }
void Trunc(const Call& c, Variant& v) { v = Wrapped32(TruncInt64(c.Number(0))); }
void Power(const Call& c, Variant& v)
{
    const double y = c.Number(1);
    const double x = c.Number(0);
    if (!(x > 0)) FailMath();
    v = Variant(Finite(std::exp(y * std::log(x))));
}
void Upper(const Call& c, Variant& v) { v = Variant(UpperCase(c.Text(0))); }
void Lower(const Call& c, Variant& v) { v = Variant(LowerCase(c.Text(0))); }
void Copy(const Call& c, Variant& v)
{
    const int32_t index = c.Integer(1);
    const int32_t count = c.Integer(2);
    v = Variant(CopyText(c.Text(0), index, count));
}
void Val(const Call& c, Variant& v) { v = Variant(StrToFloat(c.Text(0), DefaultFormatSettings())); }
void StrToDateFn(const Call& c, Variant& v)
{
    v = Variant::fromDateTime(StrToDate(c.Text(0), DefaultFormatSettings()));
}
void StrToTimeFn(const Call& c, Variant& v)
{
    v = Variant::fromDateTime(StrToTime(c.Text(0), DefaultFormatSettings()));
}
void NameCaseFn(const Call& c, Variant& v) { v = Variant(NameCase(c.Text(0))); }
void PhraseCaseFn(const Call& c, Variant& v) { v = Variant(PhraseCase(c.Text(0))); }
void NumberToLetter(const Call& c, Variant& v) { v = Variant(NumberToWords(c.Currency(0))); }
void FormatFloatFn(const Call& c, Variant& v)
{
    const double y = c.Number(1);
    v = Variant(FormatFloat(c.Text(0), y, DefaultFormatSettings()));
}
void FormatDateTimeFn(const Call& c, Variant& v)
{
    const double y = c.Number(1);
    v = Variant(FormatDateTime(c.Text(0), y, DefaultFormatSettings()));
}
void MoneyToEuro(const Call& c, Variant& v) { v = Variant(EuroText(EuroAmount(c.Number(0)))); }
void Euro(const Call& c, Variant& v) { v = Variant(EuroText(c.Number(0))); }
void Money(const Call& c, Variant& v) { v = Variant(MoneyText(c.Currency(0))); }
void EuroToMoneyFn(const Call& c, Variant& v) { v = Variant(MoneyText(EuroToMoney(c.Currency(0)))); }
void EuroToMoneyVal(const Call& c, Variant& v) { v = Variant::fromCurrency(EuroToMoney(c.Currency(0))); }
void MoneyToEuroVal(const Call& c, Variant& v) { v = Variant(EuroAmount(c.Number(0))); }

// The built-in functions in the order they are matched, with their argument counts
// (kCountArgs: none or one).
constexpr int kCountArgs = -1;
struct Builtin {
    const char* name;
    int args;
    BuiltinFn fn;
};
constexpr Builtin kBuiltins[] = {
    {"COUNT", kCountArgs, Count},
    {"SUM", 1, Aggregate},
    {"AVG", 1, Aggregate},
    {"MIN", 1, Aggregate},
    {"MAX", 1, Aggregate},
    {"STR", 1, Str},
    {"FILLSTR", 2, FillStr},
    {"CEIL", 1, Ceil},
    {"FLOOR", 1, Floor},
    {"IF", 3, If},
    {"INT", 1, Int},
    {"FRAC", 1, Frac},
    {"ABS", 1, Abs},
    {"ARCTAN", 1, ArcTan},
    {"COS", 1, Cos},
    {"EXP", 1, Exp},
    {"LN", 1, Ln},
    {"SIN", 1, Sin},
    {"SQR", 1, Sqr},
    {"SQRT", 1, Sqrt},
    {"POS", 2, Pos},
    {"LENGTH", 1, Length},
    {"ROUND", 1, Round},
    {"TRUNC", 1, Trunc},
    {"POWER", 2, Power},
    {"UPPERCASE", 1, Upper},
    {"LOWERCASE", 1, Lower},
    {"COPY", 3, Copy},
    {"VAL", 1, Val},
    {"STRTODATE", 1, StrToDateFn},
    {"STRTOTIME", 1, StrToTimeFn},
    {"NAMECASE", 1, NameCaseFn},
    {"PHRASECASE", 1, PhraseCaseFn},
    {"NUMBERTOLETTER", 1, NumberToLetter},
    {"FORMATFLOAT", 2, FormatFloatFn},
    {"FORMATDATETIME", 2, FormatDateTimeFn},
    {"MONEYTOEURO", 1, MoneyToEuro},
    {"EURO", 1, Euro},
    {"MONEY", 1, Money},
    {"EUROTOMONEY", 1, EuroToMoneyFn},
    {"EUROTOMONEYVAL", 1, EuroToMoneyVal},
    {"MONEYTOEUROVAL", 1, MoneyToEuroVal},
};

// The built-in functions; false when name is none of them.
bool CallBuiltin(const std::string& uname, const TzvArgList& args, Variant& value)
{
    const Builtin* f = nullptr;
    for (const Builtin& b : kBuiltins)
        if (uname == b.name) {
            f = &b;
            break;
        }
    if (!f) return false;
    const bool countOk = f->args == kCountArgs ? args.size() <= 1 : args.size() == static_cast<size_t>(f->args);
    if (!countOk) {
        ReportError(kMsgFuncArgCount + uname);
        return true;
    }
    try {
        f->fn(Call{uname, args}, value);
    } catch (const std::exception&) {
        value.clear();
        // The collecting expansion sees the first record only: a value outside the function's
        // domain there is no error of the report (it counts when the memo is drawn).
        if (PrepareState().AggregateTarget) return true;
        std::string text = kMsgFuncBadParamTypes + uname + " (";
        for (size_t i = 0; i < args.size(); ++i) text += (i ? "," : "") + args[i];
        ReportError(text + ")");
    }
    return true;
}

void CallUserFunction(TzvReport& report, const std::string& name, const TzvArgList* args, Variant& value)
{
    std::array<Variant, 3> p;
    if (args)
        for (size_t i = 0; i < p.size() && i < args->size(); ++i) EvaluateExpression((*args)[i], p[i]);
    Variant v;
    if (!CallFunctionLibraries(name, p[0], p[1], p[2], v) && report.OnUserFunction)
        report.OnUserFunction(name, p[0], p[1], p[2], v);
    if (!v.isEmpty()) value = std::move(v);
}

}  // namespace

void ResolveReportValue(TzvReport& report, std::string_view rawName, const TzvArgList* args, Variant& value)
{
    value.clear();
    if (zvState().ErrorFlag) return;
    const std::string name = Trim(rawName);
    const std::string uname = UpperCase(name);
    if (!args)
        ResolvePlainName(report, name, uname, value);
    else
        CallBuiltin(uname, *args, value);
    // A function that failed has recorded its error; nothing more is asked then.
    if (value.isEmpty() && !zvState().ErrorFlag) CallUserFunction(report, name, args, value);
    if (value.type() == VarType::Boolean) value = Variant::fromByte(value.rawBool() ? 1 : 0);
}

std::vector<std::string> FunctionCatalogue()
{
    std::vector<std::string> lines;
    lines.reserve(kFunctionCatalogue.size());
    for (const TzvFunctionInfo& f : kFunctionCatalogue)
        lines.push_back(std::string(f.Name) + "=" + f.Category + " |" + f.Syntax + " |" + f.Description);
    return lines;
}

std::vector<std::string>& ExtraFunctionCatalogue()
{
    static std::vector<std::string> lines;
    return lines;
}

namespace {

std::optional<TzvFunctionHelp> HelpFromLine(std::string_view line, std::string_view upperName)
{
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || UpperCase(line.substr(0, eq)) != upperName) return std::nullopt;
    std::string_view rest = line.substr(eq + 1);
    std::string parts[3];
    for (int i = 0; i < 3; ++i) {
        const size_t bar = i < 2 ? rest.find('|') : std::string_view::npos;
        parts[i] = Trim(rest.substr(0, bar));
        if (bar == std::string_view::npos) break;
        rest = rest.substr(bar + 1);
    }
    return TzvFunctionHelp{parts[0], parts[1], parts[2]};
}

// Every function name the editor offers: the built-ins, then the libraries' names.
std::vector<std::string> AllFunctionNames()
{
    std::vector<std::string> names;
    for (const TzvFunctionInfo& f : kFunctionCatalogue) names.emplace_back(f.Name);
    for (const auto& library : FunctionLibraries())
        for (const std::string& n : library->List()) names.push_back(n);
    return names;
}

std::string CategoryOf(const std::string& name)
{
    std::string category = FunctionHelp(name).Category;
    return category.empty() ? std::string(kFunctionCategoryUnknown) : category;
}

void SortUnique(std::vector<std::string>& v)
{
    std::sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    v.erase(std::unique(v.begin(), v.end(), [](const std::string& a, const std::string& b) { return SameText(a, b); }),
            v.end());
}

}  // namespace

TzvFunctionHelp FunctionHelp(std::string_view name)
{
    const std::string upper = UpperCase(name);
    for (const std::string& line : FunctionCatalogue())
        if (auto help = HelpFromLine(line, upper)) return *help;
    for (const std::string& line : ExtraFunctionCatalogue())
        if (auto help = HelpFromLine(line, upper)) return *help;
    return {};
}

std::vector<std::string> FunctionCategoryList()
{
    std::vector<std::string> categories;
    for (const std::string& name : AllFunctionNames()) categories.push_back(CategoryOf(name));
    SortUnique(categories);
    categories.insert(categories.begin(), kFunctionCategoryAll);
    return categories;
}

std::vector<std::string> FunctionsInCategory(std::string_view category)
{
    std::vector<std::string> names;
    const bool all = category == kFunctionCategoryAll;
    for (const std::string& name : AllFunctionNames())
        if (all || CategoryOf(name) == category) names.push_back(name);
    SortUnique(names);
    return names;
}

}  // namespace zv
