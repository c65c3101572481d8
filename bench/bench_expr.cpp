// Benchmarks of the expression engine on representative expressions (evaluations per second).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "platform/base/FormatSettings.h"
#include "platform/base/Variant.h"
#include "report/ZV_Expr.h"

namespace {

// Answers a few names and one function, as a report's resolver would for fields and functions.
struct BenchResolver {
    void Resolve(std::string_view name, const zv::TzvArgList* args, zv::Variant& v)
    {
        if (!args) {
            if (name == "a")
                v = zv::Variant(int32_t{41});
            else if (name == "Cognome")
                v = zv::Variant("Rossi");
            else if (name == "Clienti.\"Importo\"")
                v = zv::Variant(1234.5);
            return;
        }
        if (name == "MAX2" && args->size() == 2) {  // evaluates its arguments like a built-in
            zv::Variant x = zv::EvaluateExpression((*args)[0]);
            zv::Variant y = zv::EvaluateExpression((*args)[1]);
            v = zv::VarCompare(x, y) >= 0 ? x : y;
        }
    }
};

BenchResolver gResolver;

void Evaluate(benchmark::State& state, const char* text)
{
    zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
    zv::SetExprResolver(zv::TzvResolveEvent::Of<&BenchResolver::Resolve>(&gResolver));
    zv::Variant v;
    for (auto _ : state) {
        zv::EvaluateExpression(text, v);
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(text);
}

}  // namespace

BENCHMARK_CAPTURE(Evaluate, numbers, "2+3*4");
BENCHMARK_CAPTURE(Evaluate, decimals, "1.5 * 2.25 - 0.125");
BENCHMARK_CAPTURE(Evaluate, name, "(a+1)*2");
BENCHMARK_CAPTURE(Evaluate, strings, "'Sig. ' + Cognome + ' ' + 'it''s'");
BENCHMARK_CAPTURE(Evaluate, comparison, "Clienti.\"Importo\" >= 1000 AND a <> 0");
BENCHMARK_CAPTURE(Evaluate, nested_brackets, "((((1 + 2) * (3 + 4)) - ((5 - 6) / (7 + 8))) ^ 2)");
BENCHMARK_CAPTURE(Evaluate, function_call, "MAX2(a * 2, [Clienti.\"Importo\"] / 10) + 1");
