// Painting each gradient kind over an A4 page at 600 dpi, one printer band at a time,
// as a print run does: every band resamples only its own rows of the 128 x 128 cells.
#include "imaging/UGradation.h"
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace velmo;

constexpr int kPageWidth = 2100; // 0.1 mm
constexpr int kPageHeight = 2970;
constexpr double kScale = 600.0 / 254.0;
constexpr int kBandRows = 256;

void PaintPageInBands(rgGradationKind kind, QImage& band)
{
    const int deviceHeight = int(kPageHeight * kScale + 0.5);
    const std::vector<TColor> colors = {0xFFFFFF, 0x0080FF, 0x400000};
    for (int top = 0; top < deviceHeight; top += kBandRows) {
        QPainter painter(&band);
        painter.translate(0, -top);
        painter.scale(kScale, kScale);
        PaintGradation(painter, QRect(0, 0, kPageWidth, kPageHeight), colors, 30, kind,
                       TGradationOutput::goResample);
    }
}

void BM_GradationA4At600Dpi(benchmark::State& state)
{
    const auto kind = rgGradationKind(state.range(0));
    QImage band(int(kPageWidth * kScale + 0.5), kBandRows, QImage::Format_RGB32);
    for (auto _ : state) {
        PaintPageInBands(kind, band);
        benchmark::DoNotOptimize(band.constBits());
    }
    state.SetLabel(GradationKindName(kind));
    state.counters["Mpixel/s"] = benchmark::Counter(double(band.width()) * kPageHeight * kScale / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GradationA4At600Dpi)->DenseRange(0, kGradationKindCount - 1)->Unit(benchmark::kMillisecond);

// The cells alone (what the screen path computes before the painter stretches them).
void BM_GradationCells(benchmark::State& state)
{
    const auto kind = rgGradationKind(state.range(0));
    const std::vector<TColor> colors = {0xFFFFFF, 0x0080FF, 0x400000};
    for (auto _ : state)
        benchmark::DoNotOptimize(GradationCells(colors, 30, kind).constBits());
    state.SetLabel(GradationKindName(kind));
}
BENCHMARK(BM_GradationCells)->DenseRange(0, kGradationKindCount - 1)->Unit(benchmark::kMicrosecond);

} // namespace
