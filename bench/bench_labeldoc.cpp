// Opening and saving a work file of 50 sheets with 24 designed labels each (five
// objects per design, one of them a group): the first save renders 1,200 previews
// and compresses 1,200 designs; a second save finds both done.
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULORectBase.h"
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

class TBenchRect : public TLORectBase
{
    VELMO_DRAW_OBJECT(TBenchRect, TLORectBase)
public:
    explicit TBenchRect(TComponent* owner = nullptr) : TLORectBase(owner) {}
    int Color() const { return FColor; }
    void SetColor(int value) { FColor = value; }
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void DrawGhost(QPainter& painter) override { painter.drawRect(QRectF(ToQRect(BaseRect()))); }
    void Paint(QPainter& painter) override
    {
        painter.fillRect(QRectF(ToQRect(BaseRect())), ToQColor(FColor));
    }

private:
    int FColor = 0;
};

const TPropertyTable& TBenchRect::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Color", &TBenchRect::Color, &TBenchRect::SetColor);
    return table;
}

constexpr int kSheets = 50;
constexpr int kLabels = 24;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_labeldoc";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

TBenchRect* Rect(const TLogRect& r, int color)
{
    auto* o = new TBenchRect;
    o->SetBaseRect(r);
    o->SetColor(color);
    return o;
}

std::unique_ptr<TMatrixPaperInfo> Paper()
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("A4 24面"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetLeftOffset(80);
    paper->SetTopOffset(120);
    paper->SetFaceWidth(640);
    paper->SetFaceHeight(339);
    paper->SetFaceCountX(3);
    paper->SetFaceCountY(8);
    return paper;
}

// The document, with designs written and nothing saved yet.
std::unique_ptr<TLabelData> BuildDocument()
{
    App();
    RegisterLabelClass<TBenchRect>();
    RegisterLabelClass<TDOGroup>();
    auto data = std::make_unique<TLabelData>();
    data->SetPaper(Paper().get());
    for (int s = 0; s < kSheets; ++s) {
        if (s > 0)
            data->AddSheet();
        for (int k = 0; k < kLabels; ++k) {
            TDOList list;
            auto* group = new TDOGroup;
            group->AddMember(Rect({40, 40, 200, 120}, 0x2040C0 + k));
            group->AddMember(Rect({220, 40, 380, 120}, 0x40C020 + s));
            list.Add(group);
            list.Add(Rect({20, 150, 620, 180}, 0x000000));
            list.Add(Rect({20, 200, 300, 320}, 0xC02040));
            list.Add(Rect({320, 200, 620, 320}, 0x808080));
            list.Add(Rect({0, 0, 640, 339}, 0xF0F0F0));
            data->WriteLabel(k, list);
            list.FreeObjects();
        }
    }
    return data;
}

void BM_SaveFirst(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        auto data = BuildDocument();
        state.ResumeTiming();
        data->Save(dir.filePath(QStringLiteral("bench.lbd")));
    }
}
BENCHMARK(BM_SaveFirst)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SaveAgain(benchmark::State& state)
{
    QTemporaryDir dir;
    auto data = BuildDocument();
    data->Save(dir.filePath(QStringLiteral("bench.lbd")));
    for (auto _ : state)
        data->Save(dir.filePath(QStringLiteral("bench.lbd")));
}
BENCHMARK(BM_SaveAgain)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Open(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.lbd"));
    BuildDocument()->Save(file);
    for (auto _ : state) {
        auto data = TLabelData::Open(file);
        benchmark::DoNotOptimize(data->SheetCount());
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(5);

// Opening and reading every design of every sheet, as printing all sheets would.
void BM_OpenAndReadAll(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.lbd"));
    BuildDocument()->Save(file);
    for (auto _ : state) {
        auto data = TLabelData::Open(file);
        for (int s = 0; s < data->SheetCount(); ++s) {
            data->SelectSheet(s);
            for (int k = 0; k < kLabels; ++k) {
                TDOList list;
                data->ReadLabel(k, list);
                list.FreeObjects();
            }
        }
    }
}
BENCHMARK(BM_OpenAndReadAll)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
