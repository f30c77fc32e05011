// The layout view at scale: show label of a design with 200 objects, one mouse-move
// step of dragging 50 selected objects at 400 % (with the repaint it causes), and the
// idle pass (pivots, status, style sync, command states) with 200 objects selected.
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "imaging/UColorSpec.h"
#include "layout/FLayout.h"
#include "objects/FShapeDialogs.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "text/ULOText.h"
#include <QApplication>
#include <QStatusBar>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_layout";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterLabelDataClasses();
        RegisterGhostDesigners();
        RegisterShapeClasses();
        RegisterTextClasses();
        TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
        InstallActionHistory();
    }
    return app;
}

// A 2 x 6 paper of 86.4 x 42.3 mm labels; position 0 holds count objects, one in
// ten a text.
std::unique_ptr<TLabelData> Document(int count)
{
    auto doc = std::make_unique<TLabelData>();
    TMatrixPaperInfo paper;
    paper.SetPaperName(QStringLiteral("ベンチ 12面"));
    paper.SetPortraitWidth(2100);
    paper.SetPortraitHeight(2970);
    paper.SetFaceCountX(2);
    paper.SetFaceCountY(6);
    paper.SetFaceWidth(864);
    paper.SetFaceHeight(423);
    paper.SetLeftOffset(166);
    paper.SetTopOffset(196);
    doc->SetPaper(&paper);
    TDOList list;
    for (int i = 0; i < count; ++i) {
        const int x = 20 + (i * 37) % 760, y = 20 + (i * 53) % 340;
        if (i % 10 == 9) {
            list.Add(MakeTextObject({QStringLiteral("文字%1").arg(i)}, {x, y}).release());
        } else {
            auto* r = new TLORect;
            r->SetBaseRect({x, y, x + 40 + i % 30, y + 30 + i % 20});
            TColorSpec fill;
            fill.SetColor(TColor(0x102030 * (i % 7 + 1)));
            r->SetFillColor(fill);
            list.Add(r);
        }
    }
    doc->WriteLabel(0, list);
    list.FreeObjects();
    return doc;
}

struct View
{
    QApplication& app = App();
    std::unique_ptr<TLabelData> doc;
    std::unique_ptr<TfrmLayout> view;
    QStatusBar bar;
    explicit View(int count) : doc(Document(count)), view(std::make_unique<TfrmLayout>())
    {
        view->resize(1100, 800);
        view->SetStatusBar(&bar);
        view->SetDocument(doc.get());
        view->show();
        view->ShowLabel();
        QApplication::processEvents();
    }
    ~View() { view.reset(); }
};

void BM_ShowLabel200(benchmark::State& state)
{
    View v(200);
    for (auto _ : state) {
        v.view->ShowLabel();
        benchmark::DoNotOptimize(v.view->Site()->ObjectCount());
    }
    state.counters["objects"] = v.view->Site()->ObjectCount();
}
BENCHMARK(BM_ShowLabel200)->Unit(benchmark::kMillisecond);

void BM_DragStep50At400(benchmark::State& state)
{
    View v(50);
    v.view->SetZoom(400);
    QApplication::processEvents();
    TDrawSite* site = v.view->Site();
    site->SelectAll(true);
    site->RefreshPivots();
    TDrawObject* grip = site->Objects(0);
    const QPoint start = site->ToDevice(RectCenter(grip->GetEncloseRect()));
    site->ObjectPress(Qt::LeftButton, Qt::NoModifier, grip, -1, start);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by a few pixels, as a hand moves the mouse.
        const QPoint p = start + QPoint(3 + step % 40, 2 + (step * 3) % 30);
        ++step;
        site->SiteMove(Qt::NoModifier, p);
        site->repaint();
    }
    // What was dragged: every selected object has its ghost.
    state.counters["ghosts"] = TGhostList::Instance().Count();
    state.counters["active"] = TGhostList::Instance().Active() ? 1 : 0;
    site->SiteRelease(Qt::LeftButton, Qt::NoModifier, start);
    TGhostList::Instance().Cancel();
}
BENCHMARK(BM_DragStep50At400)->Unit(benchmark::kMillisecond);

void BM_IdlePass200Selected(benchmark::State& state)
{
    View v(200);
    v.view->Site()->SelectAll(true);
    v.view->Site()->RefreshPivots();
    for (auto _ : state)
        v.view->IdleUpdate();
}
BENCHMARK(BM_IdlePass200Selected)->Unit(benchmark::kMillisecond);

} // namespace
