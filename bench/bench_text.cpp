// Text layout: 1,000 two-line blocks laid out cold and cached, drawn at 100 % and
// into 600 dpi bands, and captured as outlines; QTextLayout on the same texts for
// comparison.
#include "draw/UCanvas.h"
#include "text/USimpleText.h"
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

constexpr int kBlocks = 1000;

void EnsureApplication()
{
    // Never destroyed: a toolkit application torn down by the exit handlers, after
    // the toolkit's own statics, crashes.
    static QGuiApplication* app = nullptr;
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_text";
        static char* argv[] = {name, nullptr};
        app = new QGuiApplication(argc, argv);
    }
}

QStringList Lines(int i)
{
    return {QStringLiteral(u"お届け先 %1 番地 ラベル").arg(i),
            QStringLiteral(u"株式会社サンプル 御中 No.%1").arg(i * 7)};
}

std::vector<std::unique_ptr<TSimpleText>> MakeBlocks()
{
    std::vector<std::unique_ptr<TSimpleText>> blocks;
    TPointBasedFont font;
    font.SetName(QStringLiteral(u"ＭＳ Ｐゴシック"));
    font.SetSize(12);
    for (int i = 0; i < kBlocks; ++i) {
        auto block = std::make_unique<TSimpleText>();
        block->SetFont(&font);
        block->SetLines(Lines(i));
        block->SetAlign(i % 4);
        blocks.push_back(std::move(block));
    }
    return blocks;
}

const TLogRect kRect{0, 0, 800, 200};

void BM_LayoutCold(benchmark::State& state)
{
    EnsureApplication();
    for (auto _ : state) {
        state.PauseTiming();
        auto blocks = MakeBlocks();
        state.ResumeTiming();
        for (auto& b : blocks)
            benchmark::DoNotOptimize(b->GetBounds(kRect));
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_LayoutCold)->Unit(benchmark::kMillisecond);

void BM_LayoutCached(benchmark::State& state)
{
    EnsureApplication();
    auto blocks = MakeBlocks();
    for (auto& b : blocks)
        b->GetBounds(kRect);
    for (auto _ : state)
        for (auto& b : blocks)
            benchmark::DoNotOptimize(b->GetBounds(kRect));
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_LayoutCached)->Unit(benchmark::kMillisecond);

void BM_DrawScreen100(benchmark::State& state)
{
    EnsureApplication();
    auto blocks = MakeBlocks();
    QImage image(320, 80, QImage::Format_RGB32); // 800 x 200 units at 96 dpi
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setTransform(QTransform::fromScale(96.0 / 254, 96.0 / 254));
        for (auto& b : blocks)
            b->Draw(painter, kRect);
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_DrawScreen100)->Unit(benchmark::kMillisecond);

void BM_DrawBands600(benchmark::State& state)
{
    EnsureApplication();
    auto blocks = MakeBlocks();
    // Two bands of half the block each, as a printer run draws a page band by band.
    const double scale = 600.0 / 254;
    QImage band(int(800 * scale), int(100 * scale), QImage::Format_RGB32);
    for (auto _ : state) {
        for (auto& b : blocks) {
            for (int k = 0; k < 2; ++k) {
                QPainter painter(&band);
                painter.setTransform(QTransform(scale, 0, 0, scale, 0, -k * 100 * scale));
                b->Draw(painter, kRect);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_DrawBands600)->Unit(benchmark::kMillisecond);

void BM_Outline(benchmark::State& state)
{
    EnsureApplication();
    auto blocks = MakeBlocks();
    for (auto _ : state) {
        for (auto& b : blocks) {
            TStroke stroke;
            b->MakeOutline(stroke, kRect, true);
            benchmark::DoNotOptimize(stroke.Count());
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_Outline)->Unit(benchmark::kMillisecond);

// The toolkit's own layout of the same texts: one QTextLayout per line, created and
// laid out each time (what an uncached layout costs there).
void BM_QTextLayoutCold(benchmark::State& state)
{
    EnsureApplication();
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(42); // 12 points at 254 units per inch
    std::vector<QStringList> texts;
    for (int i = 0; i < kBlocks; ++i)
        texts.push_back(Lines(i));
    for (auto _ : state) {
        for (const QStringList& lines : texts) {
            for (const QString& line : lines) {
                QTextLayout layout(line, font);
                layout.beginLayout();
                QTextLine l = layout.createLine();
                l.setLineWidth(800);
                layout.endLayout();
                benchmark::DoNotOptimize(l.naturalTextWidth());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_QTextLayoutCold)->Unit(benchmark::kMillisecond);

void BM_QTextLayoutDrawScreen100(benchmark::State& state)
{
    EnsureApplication();
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(42);
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    for (int i = 0; i < kBlocks; ++i) {
        for (const QString& line : Lines(i)) {
            auto layout = std::make_unique<QTextLayout>(line, font);
            layout->beginLayout();
            layout->createLine().setLineWidth(800);
            layout->endLayout();
            layouts.push_back(std::move(layout));
        }
    }
    QImage image(320, 80, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setTransform(QTransform::fromScale(96.0 / 254, 96.0 / 254));
        for (auto& l : layouts)
            l->draw(&painter, QPointF(0, 0));
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_QTextLayoutDrawScreen100)->Unit(benchmark::kMillisecond);

} // namespace
