// The report's name resolver: variables, data fields, special values, the built-in functions and
// the user functions of libraries and of the application.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Variant.h"
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

}  // namespace zv
