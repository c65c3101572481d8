// Benchmark of barcode encoding (EAN-13, Code 128, Code 39) beside libzint encoding the same data.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "report/ZV_Barcode.h"

#ifdef ZV_HAVE_LIBZINT
#include <zint.h>
#endif

namespace {

struct Input {
    zv::TBarcodeType type;
    const char* text;
    bool checksum;
    int zintSymbology;
    const char* zintText;
};

// The same symbols on both sides: zint adds the EAN-13 check digit itself, and its Code 128
// subset B matches ours; Code 39 without check character on both.
#ifdef ZV_HAVE_LIBZINT
constexpr int kZintEan = BARCODE_EANX, kZint128B = BARCODE_CODE128B, kZint39 = BARCODE_CODE39;
#else
constexpr int kZintEan = 0, kZint128B = 0, kZint39 = 0;
#endif
const Input kEan13{zv::bcCodeEAN13, "400638133393", true, kZintEan, "400638133393"};
const Input kCode128{zv::bcCode128B, "Zelvo Report 128", false, kZint128B, "Zelvo Report 128"};
const Input kCode39{zv::bcCode39, "ZELVO-39 REPORT", false, kZint39, "ZELVO-39 REPORT"};

void Ours(benchmark::State& state, const Input& in)
{
    zv::TBarcode bc;
    bc.SetTyp(in.type);
    bc.SetText(in.text);
    bc.SetChecksum(in.checksum);
    for (auto _ : state) {
        std::string pattern = bc.Encode();
        benchmark::DoNotOptimize(pattern.data());
        benchmark::ClobberMemory();
    }
}

#ifdef ZV_HAVE_LIBZINT
void Zint(benchmark::State& state, const Input& in)
{
    zint_symbol* symbol = ZBarcode_Create();
    const auto* data = reinterpret_cast<const unsigned char*>(in.zintText);
    const int length = static_cast<int>(std::strlen(in.zintText));
    for (auto _ : state) {
        ZBarcode_Clear(symbol);
        symbol->symbology = in.zintSymbology;
        int rc = ZBarcode_Encode(symbol, data, length);
        if (rc >= ZINT_ERROR) {
            state.SkipWithError(symbol->errtxt);
            break;
        }
        benchmark::DoNotOptimize(symbol->encoded_data);
        benchmark::ClobberMemory();
    }
    ZBarcode_Delete(symbol);
}
#endif

}  // namespace

BENCHMARK_CAPTURE(Ours, EAN13, kEan13);
BENCHMARK_CAPTURE(Ours, Code128B, kCode128);
BENCHMARK_CAPTURE(Ours, Code39, kCode39);
#ifdef ZV_HAVE_LIBZINT
BENCHMARK_CAPTURE(Zint, EAN13, kEan13);
BENCHMARK_CAPTURE(Zint, Code128B, kCode128);
BENCHMARK_CAPTURE(Zint, Code39, kCode39);
#endif
