// The editing machinery at scale: undo and redo of one grouped change over 500
// objects, alignment of 500 objects, and painting a label with the grid on at 400 %.
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UGuide.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULORect.h"
#include "objects/UStandardDSA.h"
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace velmo;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_shapes";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct Fixture
{
    QApplication& app = App();
    TDrawSite site;
    Fixture(int count)
    {
        RegisterShapeClasses();
        InstallActionHistory();
        TActionList::Instance().Clear();
        site.Scaler()->SetUnitDPI(254);
        site.SetLogWidth(2000);
        site.SetLogHeight(2000);
        for (int i = 0; i < count; ++i) {
            auto* r = new TLORect(&site);
            const int x = (i * 37) % 1800, y = (i * 53) % 1800;
            r->SetBaseRect({x, y, x + 60 + i % 40, y + 40 + i % 30});
            r->SetFillInside(true);
            site.AddObject(r);
            r->SetSelected(true);
        }
    }
    ~Fixture() { TActionList::Instance().Clear(); }
};

void BM_UndoRedoGroupChange500(benchmark::State& state)
{
    Fixture f(500);
    TDSAOffsetAngle turn(90);
    turn.Execute(&f.site); // one group of 500 change actions
    for (auto _ : state) {
        TActionList::Instance().Undo();
        TActionList::Instance().Redo();
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_UndoRedoGroupChange500)->Unit(benchmark::kMillisecond);

void BM_Align500(benchmark::State& state)
{
    Fixture f(500);
    TDOList list;
    f.site.Collect(list, true);
    int k = 0;
    for (auto _ : state) {
        AlignObjects(list, k++ % 2 ? TAlignKind::akLeft : TAlignKind::akSpaceHorizontally);
        TActionList::Instance().Clear();
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_Align500)->Unit(benchmark::kMillisecond);

void BM_PaintLabelWithGrid400(benchmark::State& state)
{
    Fixture f(20);
    f.site.Scaler()->SetScale(400);
    TGrid grid;
    grid.SetVisible(true);
    grid.SetLineShape(state.range(0) == 1);
    grid.SetSize(10);
    TGuide guide;
    guide.SetVisible(true);
    guide.SetPos(0, {500, 0});
    guide.SetPos(1, {0, 700});
    // A 90 x 55 mm label at 400 % on a 96-dpi screen.
    QImage image(1361, 832, QImage::Format_RGB32);
    SetImageDPI(image, 96);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        f.site.DrawTo(p, {0, 0}, 400);
        f.site.Scaler()->ApplyMapping(p, 96);
        p.setPen(grid.LineShape() ? DevicePixelPen(QColor(192, 192, 192), Qt::DotLine)
                                  : DevicePixelPen(Qt::blue));
        grid.DrawGrid(p, {0, 0, 900, 550});
        p.setPen(DevicePixelPen(Qt::blue, Qt::DotLine));
        guide.DrawGuides(p, {0, 0, 900, 550});
    }
}
BENCHMARK(BM_PaintLabelWithGrid400)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
