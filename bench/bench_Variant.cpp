// Variant operator throughput: the numeric paths the expression engine runs for every record.
#include <benchmark/benchmark.h>

#include "platform/base/Variant.h"

using namespace zv;

static void BM_AddMulDoubles(benchmark::State& state)  // 2+3*4 as the engine sees it: doubles
{
    const Variant a(2.0), b(3.0), c(4.0);
    for (auto _ : state) {
        Variant r = VarAdd(a, VarMul(b, c));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_AddMulDoubles);

static void BM_AddIntegers(benchmark::State& state)
{
    const Variant a(int32_t{2}), b(int32_t{40});
    for (auto _ : state) {
        Variant r = VarAdd(a, b);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_AddIntegers);

static void BM_CompareMixed(benchmark::State& state)
{
    const Variant a(int32_t{10}), b(10.5), cur = Variant::fromCurrency(105000);
    for (auto _ : state) {
        int r = VarCompare(a, b) + VarCompare(cur, b);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_CompareMixed);

static void BM_ConcatStrings(benchmark::State& state)  // for contrast: strings do allocate
{
    const Variant a("Totale pagina "), b("12");
    for (auto _ : state) {
        Variant r = VarAdd(a, b);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ConcatStrings);
