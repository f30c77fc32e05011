// The sheet view of a 65-up sheet with a design on every label, drawn cold (every
// label rendered) and from the stored previews; and a move drag of 200 selected
// objects, timed per mouse move (the ghosts' geometry and the repaint of the site).
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "draw/UGhost.h"
#include "objects/ULDObjects.h"
#include "objects/ULORectBase.h"
#include "paper/UPaperInfo.h"
#include "sheet/USheetView.h"
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

class TBenchShape : public TLORectBase
{
    VELMO_DRAW_OBJECT(TBenchShape, TLORectBase)
public:
    explicit TBenchShape(TComponent* owner = nullptr) : TLORectBase(owner) {}
    int Hue = 0;
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void DrawGhost(QPainter& p) override { p.drawRect(QRectF(ToQRect(BaseRect()))); }
    void Paint(QPainter& p) override
    {
        p.setPen(DevicePixelPen(Qt::black));
        p.setBrush(QColor::fromHsv(Hue % 360, 200, 230));
        p.drawEllipse(QRectF(ToQRect(BaseRect())));
    }

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TLORectBase::AssignDrawObject(source);
        if (const auto* o = dynamic_cast<const TBenchShape*>(&source))
            Hue = o->Hue;
    }
};

const TPropertyTable& TBenchShape::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int<TBenchShape>(
                                                "Hue", [](const TBenchShape& o) { return o.Hue; },
                                                [](TBenchShape& o, int64_t v) { o.Hue = int(v); })
                                            .Default(0);
    return table;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_sheet";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// 5 x 13 labels of 38.1 x 21.2 mm, each with ten shapes.
std::unique_ptr<TLabelData> SixtyFiveUp()
{
    App();
    RegisterLabelDataClasses();
    if (!FindLabelClass(u"TBenchShape"))
        RegisterLabelClass<TBenchShape>();
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(5);
    paper->SetFaceCountY(13);
    paper->SetFaceWidth(381);
    paper->SetFaceHeight(212);
    paper->SetLeftOffset(97);
    paper->SetTopOffset(107);
    auto data = std::make_unique<TLabelData>();
    data->SetPaper(paper.get());
    for (int k = 0; k < data->LabelCount(); ++k) {
        TDOList list;
        for (int i = 0; i < 10; ++i) {
            auto* shape = new TBenchShape;
            shape->SetBaseRect({10 + 30 * i, 10 + 15 * i, 60 + 30 * i, 60 + 15 * i});
            shape->Hue = k * 5 + i * 30;
            list.Add(shape);
        }
        data->WriteLabel(k, list);
        list.FreeObjects();
    }
    return data;
}

void BM_SheetView65UpCold(benchmark::State& state)
{
    auto data = SixtyFiveUp();
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetColor(clWhite);
    site.Scaler()->SetScale(30); // about what fits a window
    for (auto _ : state) {
        BuildSheetSite(site, *data, RenderSheetPictures(*data, 96), true);
        QImage image(site.size(), QImage::Format_RGB32);
        site.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_SheetView65UpCold)->Unit(benchmark::kMillisecond);

void BM_SheetView65UpRebuildOnly(benchmark::State& state)
{
    // The view after a change elsewhere: pictures kept, site rebuilt and painted.
    auto data = SixtyFiveUp();
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetColor(clWhite);
    site.Scaler()->SetScale(30);
    const std::vector<QImage> pictures = RenderSheetPictures(*data, 96);
    for (auto _ : state) {
        BuildSheetSite(site, *data, pictures, true);
        QImage image(site.size(), QImage::Format_RGB32);
        site.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_SheetView65UpRebuildOnly)->Unit(benchmark::kMillisecond);

void BM_SheetView65UpFromPreviews(benchmark::State& state)
{
    auto data = SixtyFiveUp();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sixtyfive.lbd"));
    data->Save(file); // makes every preview
    for (auto _ : state) {
        QImage picture;
        const bool ok = DrawSheetPreview(picture, file, *data->Paper(), 30, 0);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_SheetView65UpFromPreviews)->Unit(benchmark::kMillisecond);

void BM_MoveDrag200ObjectsPerMouseMove(benchmark::State& state)
{
    App();
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(1000);
    site.SetLogHeight(1000);
    site.SetColor(clWhite);
    site.Scaler()->SetScale(150);
    std::vector<TBenchShape*> shapes;
    for (int i = 0; i < 200; ++i) {
        auto* shape = new TBenchShape(&site);
        const int x = (i % 20) * 45 + 20, y = (i / 20) * 90 + 20;
        shape->SetBaseRect({x, y, x + 40, y + 60});
        shape->Hue = i * 7;
        site.AddObject(shape);
        shape->SetSelected(true);
        shapes.push_back(shape);
    }
    site.show();
    QApplication::processEvents();
    TGhostList& ghosts = TGhostList::Instance();
    for (TBenchShape* shape : shapes)
        ghosts.Add(std::make_unique<TMoveGhost>(shape));
    ghosts.Start(&site, {0, 0, 1000, 1000}, QPoint(500, 500), {});
    int step = 0;
    for (auto _ : state) {
        ++step;
        ghosts.Track({}, QPoint(500 + step % 97, 500 + (step * 7) % 89));
        site.repaint();
    }
    ghosts.Cancel();
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_MoveDrag200ObjectsPerMouseMove)->Unit(benchmark::kMillisecond);

} // namespace
