// Text objects: 100 distorted, outlined and shadowed texts drawn at 600 dpi (the
// printer's case), the same without distortion, and automatic sizing while typing
// (one keystroke more on a 200-character text).
#include "text/ULOText.h"
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using namespace velmo;

namespace {

void EnsureApplication()
{
    // Never destroyed: a toolkit application torn down by the exit handlers, after
    // the toolkit's own statics, crashes.
    static QGuiApplication* app = nullptr;
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_text_object";
        static char* argv[] = {name, nullptr};
        app = new QGuiApplication(argc, argv);
    }
}

// 100 texts in a 10 × 10 grid over 200 × 100 mm, each with its own pattern.
std::vector<std::unique_ptr<TLOVelmoText>> MakeTexts(bool distorted)
{
    TCDDFile cdd;
    cdd.Open(QStringLiteral(VELMO_DELIVERED_PATTERNS));
    std::vector<std::unique_ptr<TLOVelmoText>> texts;
    for (int i = 0; i < 100; ++i) {
        auto t = std::make_unique<TLOVelmoText>();
        const int x = (i % 10) * 200, y = (i / 10) * 100;
        t->SetBaseRect({x + 10, y + 10, x + 190, y + 80});
        t->SetLines({QStringLiteral("ベルモ%1").arg(i)});
        t->Font()->SetSize(14);
        t->SetOutline(true);
        t->SetOutLineWidth(4);
        t->OutlineColor()->SetColor(0x800000);
        t->TextColor()->SetColor(0x00FFFF);
        t->SetShadow(8);
        if (distorted)
            cdd.LoadPattern(*t->CoonsDistortion(), i % cdd.Count());
        texts.push_back(std::move(t));
    }
    return texts;
}

void Render(benchmark::State& state, bool distorted)
{
    EnsureApplication();
    auto texts = MakeTexts(distorted);
    // 200 × 100 mm at 600 dpi.
    QImage image(4724, 2362, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(600.0 / 254.0, 600.0 / 254.0);
        for (auto& t : texts)
            t->Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["texts/s"] = benchmark::Counter(100.0 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_Render100DistortedOutlinedShadowed600dpi(benchmark::State& state)
{
    Render(state, true);
}
BENCHMARK(BM_Render100DistortedOutlinedShadowed600dpi)->Unit(benchmark::kMillisecond);

void BM_Render100OutlinedShadowed600dpi(benchmark::State& state)
{
    Render(state, false);
}
BENCHMARK(BM_Render100OutlinedShadowed600dpi)->Unit(benchmark::kMillisecond);

// Typing: the text grows by one character and the object fits itself again.
void BM_AutoSizePerKeystroke200Characters(benchmark::State& state)
{
    EnsureApplication();
    TLOVelmoText t;
    t.SetBaseRect({0, 0, 100, 100});
    t.SetAutoSize(true);
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QChar(i % 20 == 19 ? u'\n' : QChar(u'あ' + i % 40));
    t.SetLines(text.split(u'\n'));
    t.AutoSizeNow();
    int n = 0;
    for (auto _ : state) {
        // One more character, as the dialog's text box hands it over.
        const QString typed = text + QChar(u'ア' + (n++ % 40));
        t.SetLines(typed.split(u'\n'));
        benchmark::DoNotOptimize(t.BaseRect());
    }
}
BENCHMARK(BM_AutoSizePerKeystroke200Characters)->Unit(benchmark::kMicrosecond);

} // namespace
