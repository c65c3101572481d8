// Metafile benchmark with Qt: the dense page recorded with Qt's metrics and played to a 96-dpi QImage.
#include <benchmark/benchmark.h>

#ifdef ZV_HAVE_QT
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfRecorder.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/Render.h"
#include "tests/support/EmfDensePage.h"

namespace {

zv::QtFontMetrics& Metrics()
{
    zv::EnsureGuiApplication();
    static zv::QtFontMetrics m;
    return m;
}

std::vector<uint8_t> RecordDense()
{
    zv::EmfRecorder rec(zvtest::kDensePageWidth, zvtest::kDensePageHeight);
    rec.setMetrics(&Metrics());
    zvtest::DrawDensePage(rec);
    return rec.finish();
}

void BM_RecordDensePageQtMetrics(benchmark::State& state)
{
    RecordDense();  // fills the metrics cache, as a running program has
    for (auto _ : state) benchmark::DoNotOptimize(RecordDense().size());
}
BENCHMARK(BM_RecordDensePageQtMetrics)->Unit(benchmark::kMicrosecond);

void BM_PlayDensePageToQImage96(benchmark::State& state)
{
    const zv::EmfFile f(RecordDense());
    QImage img(zvtest::kDensePageWidth, zvtest::kDensePageHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        zv::QtCanvas c(p);
        c.setMetrics(&Metrics());
        zv::PlayEmf(f, c, {0, 0, zvtest::kDensePageWidth, zvtest::kDensePageHeight});
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_PlayDensePageToQImage96)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
