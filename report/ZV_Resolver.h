// The report's name resolver: variables, data fields, special values, the built-in functions and
// the user functions of libraries and of the application.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Variant.h"
#include "report/ZV_Expr.h"

namespace zv {

class TzvReport;

// National currency units per euro (1936.27), as a currency value scaled by 10 000.
inline constexpr int64_t kEuroRateScaled = 19362700;

// Gives name its value for report, as TzvReport::ResolveValue does (the engine's resolver).
// Names without an argument list are looked up in this order: the report's variable bindings,
// PI, data fields ("Dataset.Field" or a field of the data source that serves the object being
// evaluated), the special values (VALUE, PAGE#, DATE, TIME, LINE#, LINETHROUGH#, COLUMN#,
// CURRENT#, TOTALPAGES). Names with one are the built-in functions. What is still unknown is
// offered to the registered function libraries and then to OnUserFunction. Booleans come back
// as the integers 1 and 0; an unknown name leaves value empty.
//
// The resolver reads the preparation through the process-wide state (current report, page,
// band and object, see zvState) and PrepareState (captured date and time, output-page index and
// order, total pages, aggregate target of the collecting expansion, the memo value being
// formatted). Failures of a function are recorded with ReportError and leave value empty; once
// an error has been recorded every call answers nothing.
void ResolveReportValue(TzvReport& report, std::string_view name, const TzvArgList* args, Variant& value);

// The function catalogue as the expression editor lists it: one line per built-in function, in
// catalogue order, each "NAME=Category |SYNTAX |Description".
std::vector<std::string> FunctionCatalogue();

// Further catalogue lines of the same form, for the functions of add-on libraries; empty until
// an application fills it.
std::vector<std::string>& ExtraFunctionCatalogue();

// A function's entry: looked up in upper case in the built-in catalogue, then in the further
// lines; the text after "=" split at "|" and trimmed. No entry gives empty texts.
struct TzvFunctionHelp {
    std::string Category, Syntax, Description;
};
TzvFunctionHelp FunctionHelp(std::string_view name);

// The expression editor's lists: "Tutte", then the distinct categories of the built-in and the
// library functions, sorted ("Sconosciute" for a function without one); and the functions of a
// category ("Tutte": all), library and built-in names together, sorted.
std::vector<std::string> FunctionCategoryList();
std::vector<std::string> FunctionsInCategory(std::string_view category);

}  // namespace zv
