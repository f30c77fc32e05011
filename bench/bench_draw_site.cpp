// Painting a site of 1,000 objects at 100 % and hit-testing 10,000 points on it.
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

class TBenchBox : public TDrawObject
{
    VELMO_DRAW_OBJECT(TBenchBox, TDrawObject)
public:
    explicit TBenchBox(TComponent* owner = nullptr) : TDrawObject(owner) {}
    TLogRect Rect;
    QColor Color;
    void Paint(QPainter& painter) override
    {
        painter.setPen(DevicePixelPen(Qt::black));
        painter.setBrush(Color);
        painter.drawRect(QRectF(ToQRect(Rect)));
    }
    bool HitTest(QPoint p) override { return PtInRect(Rect, p); }
    TLogRect GetEncloseRect() const override { return Rect; }
};

const TPropertyTable& TBenchBox::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_draw_site";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

std::unique_ptr<TDrawSite> MakeSite()
{
    App();
    auto site = std::make_unique<TDrawSite>();
    site->Scaler()->SetUnitDPI(254);
    site->SetLogWidth(2100);
    site->SetLogHeight(2970);
    uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return int(seed >> 8);
    };
    for (int i = 0; i < 1000; ++i) {
        auto* box = new TBenchBox(site.get());
        const int x = next() % 2000, y = next() % 2870;
        box->Rect = {x, y, x + 20 + next() % 80, y + 20 + next() % 80};
        box->Color = QColor::fromHsv(i % 360, 200, 230);
        site->AddObject(box);
    }
    return site;
}

void BM_PaintSite1000Objects(benchmark::State& state)
{
    auto site = MakeSite();
    QImage image(site->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        site->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_PaintSite1000Objects)->Unit(benchmark::kMillisecond);

void BM_HitTest10000Points(benchmark::State& state)
{
    auto site = MakeSite();
    std::vector<QPoint> points;
    for (int i = 0; i < 10000; ++i)
        points.emplace_back((i * 7919) % 2100, (i * 104729) % 2970);
    for (auto _ : state) {
        int hits = 0;
        for (const QPoint& p : points)
            hits += site->ObjectAt(p) != nullptr;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_HitTest10000Points)->Unit(benchmark::kMillisecond);

} // namespace
