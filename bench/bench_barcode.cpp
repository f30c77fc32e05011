// Barcodes: encoding and drawing 10,000 Code 128 symbols of 20 characters into
// 600 dpi printer bands, with and without the human-readable characters.
#include "barcode/UBarCode.h"
#include "barcode/ULOBarCode.h"
#include "draw/UCanvas.h"
#include "objects/ULabelObject.h"
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace velmo;

namespace {

constexpr int kSymbols = 10000;

// 20 characters of mixed case, digits and now and then a control character, so that
// the drawing switches code sets.
QByteArray Data(int i)
{
    QByteArray data;
    const char* alphabet = "ABCDEFGHIJabcdefghij0123456789-./";
    for (int k = 0; k < 20; ++k)
        data += alphabet[(i * 7 + k * 13) % 33];
    if (i % 5 == 0)
        data[10] = char(0xC9); // HT
    return data;
}

QGuiApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_barcode";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

void BM_EncodeCode128(benchmark::State& state)
{
    std::vector<QByteArray> data;
    for (int i = 0; i < kSymbols; ++i)
        data.push_back(Data(i));
    for (auto _ : state) {
        int64_t sum = 0;
        for (const QByteArray& d : data)
            sum += int64_t(Code128Symbols(d).size());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSymbols);
}
BENCHMARK(BM_EncodeCode128)->Unit(benchmark::kMillisecond);

// Each symbol (90 x 12 mm) is drawn into a band of 600 dpi pixels the way a print
// run draws it: the band's painter maps 0.1 mm units to the band's pixels.
void DrawIntoBands(benchmark::State& state, bool digits)
{
    App();
    SetPrintOutput(true);
    const double scale = 600.0 / 254.0;
    QImage band(int(920 * scale) + 8, int(130 * scale) + 8, QImage::Format_RGB32);
    TLOBarCode code;
    code.SetBarKind(bkCode128);
    code.SetShowNumber(digits);
    code.Font()->SetName(QStringLiteral("IPAPGothic"));
    code.Font()->SetSize(8);
    code.SetBaseRect({10, 10, 910, 130});
    std::vector<QByteArray> data;
    for (int i = 0; i < kSymbols; ++i)
        data.push_back(Data(i));
    for (auto _ : state) {
        for (const QByteArray& d : data) {
            band.fill(Qt::white);
            code.SetCodeBytes(d);
            QPainter painter(&band);
            painter.setTransform(QTransform(scale, 0, 0, scale, 0, 0));
            code.Paint(painter);
        }
    }
    SetPrintOutput(false);
    state.SetItemsProcessed(state.iterations() * kSymbols);
}

void BM_DrawCode128Bands(benchmark::State& state)
{
    DrawIntoBands(state, false);
}
BENCHMARK(BM_DrawCode128Bands)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DrawCode128BandsWithText(benchmark::State& state)
{
    DrawIntoBands(state, true);
}
BENCHMARK(BM_DrawCode128BandsWithText)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
