// Metafile benchmarks without Qt: recording the dense page, reading it back, playing it.
#include <benchmark/benchmark.h>

#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "tests/support/EmfDensePage.h"

namespace {

// Counts calls and draws nothing: the cost of the player itself.
class CountingCanvas : public zv::Canvas {
public:
    size_t calls = 0;
    void rectangle(const zv::Rect&) override { ++calls; }
    void fillRect(const zv::Rect&) override { ++calls; }
    void polygon(std::span<const zv::Point>) override { ++calls; }
    void polyline(std::span<const zv::Point>) override { ++calls; }
    void textOut(int32_t, int32_t, std::string_view) override { ++calls; }
    void textRect(const zv::Rect&, int32_t, int32_t, std::string_view) override { ++calls; }
    void stretchDraw(const zv::Rect&, const zv::Bitmap&) override { ++calls; }
    void intersectClipRect(const zv::Rect&) override {}
    void resetClip() override {}
    void saveState() override {}
    void restoreState() override {}

protected:
    void onMoveTo(int32_t, int32_t) override {}
    void onLineTo(int32_t, int32_t) override { ++calls; }
};

std::vector<uint8_t> RecordDense()
{
    zv::EmfRecorder rec(zvtest::kDensePageWidth, zvtest::kDensePageHeight);
    zvtest::DrawDensePage(rec);
    return rec.finish();
}

void BM_RecordDensePage(benchmark::State& state)
{
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> b = RecordDense();
        bytes = b.size();
        benchmark::DoNotOptimize(b.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RecordDensePage)->Unit(benchmark::kMicrosecond);

void BM_ValidateDensePage(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = RecordDense();
    for (auto _ : state) {
        zv::EmfFile f(bytes);
        benchmark::DoNotOptimize(f.records().size());
    }
}
BENCHMARK(BM_ValidateDensePage)->Unit(benchmark::kMicrosecond);

void BM_PlayDensePage(benchmark::State& state)
{
    const zv::EmfFile f(RecordDense());
    size_t calls = 0;
    for (auto _ : state) {
        CountingCanvas c;
        zv::PlayEmf(f, c, {0, 0, zvtest::kDensePageWidth, zvtest::kDensePageHeight});
        calls = c.calls;
    }
    state.counters["calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_PlayDensePage)->Unit(benchmark::kMicrosecond);

}  // namespace
