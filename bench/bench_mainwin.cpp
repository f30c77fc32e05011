// The main window: start-up to the first document (catalogue opened, window made and
// shown, the silent new document on the default paper) with the delivered catalogue
// and with one of 2,000 papers; opening and saving a 50-sheet document through the
// window's own commands.
#include "app/FMain.h"
#include "app/UAppFrame.h"
#include "app/USettingsStore.h"
#include "document/ULabelData.h"
#include "document/UProductInfo.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

struct TEnvironment
{
    TEnvironment()
    {
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_DATA_HOME", QFile::encodeName(Temp.filePath(QStringLiteral("data"))));
        App = std::make_unique<QApplication>(argc, argv);
        TSettingsKey::SetConfigRoot(Temp.filePath(QStringLiteral("config")));
        Frame = std::make_unique<TAppFrame>();
        Frame->SetMacro(TMacroString(ApplicationMacroLines()));
        Frame->Loaded();
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        TfrmMain::SetSplashEnabled(false);
    }
    QTemporaryDir Temp;
    std::unique_ptr<QApplication> App;
    std::unique_ptr<TAppFrame> Frame;
};

TEnvironment& Env()
{
    static TEnvironment env;
    return env;
}

QString BigCatalogue()
{
    const QString file = Env().Temp.filePath(QStringLiteral("big.ppr"));
    if (QFileInfo(file).isFile())
        return file;
    TVelmoPapers papers(file, false);
    for (int i = 0; i < 2000; ++i) {
        TMatrixPaperInfo p;
        p.SetPaperName(QStringLiteral("メーカー%1 品番%2 ラベル %3面").arg(i % 40).arg(i).arg(2 + i % 60));
        p.SetPortraitWidth(2100);
        p.SetPortraitHeight(2970);
        p.SetFaceWidth(500);
        p.SetFaceHeight(200);
        p.SetFaceCountX(2);
        p.SetFaceCountY(5);
        p.PurposeList()->SetDefault();
        papers.StorePaper(p);
    }
    papers.Close();
    return file;
}

void StartToFirstDocument(benchmark::State& state, const QString& catalogue)
{
    Env();
    for (auto _ : state) {
        // What start-up does between the checks and the idle loop.
        auto papers = std::make_unique<TVelmoPapers>(catalogue, true);
        auto window = std::make_unique<TfrmMain>();
        window->Catalogue = [&papers] { return papers.get(); };
        window->show();
        window->MakeInitialDocument();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->Document());
        window->Document()->SetModified(false);
        window.reset();
        papers.reset();
    }
}

void DeliveredCatalogue(benchmark::State& state)
{
    StartToFirstDocument(state, QStringLiteral(VELMO_DELIVERED_CATALOGUE));
}

void Catalogue2000(benchmark::State& state)
{
    StartToFirstDocument(state, BigCatalogue());
}

QString FiftySheets()
{
    const QString file = Env().Temp.filePath(QStringLiteral("fifty.lbd"));
    if (QFileInfo(file).isFile())
        return file;
    TVelmoPapers papers(QStringLiteral(VELMO_DELIVERED_CATALOGUE), true);
    TLabelData data;
    data.SetPaper(papers.Paper(std::min(10, papers.Count() - 1)));
    for (int s = 0; s < 50; ++s) {
        if (s > 0)
            data.AddSheet();
        TDOList list;
        for (int i = 0; i < 5; ++i) {
            auto* rect = new TLORect;
            rect->SetBaseRect({50 + i * 40, 50, 120 + i * 40, 150});
            list.Add(rect);
        }
        data.WriteLabel(0, list);
        list.FreeObjects();
    }
    data.Save(file);
    return file;
}

void OpenAndSave50Sheets(benchmark::State& state)
{
    Env();
    TVelmoPapers papers(QStringLiteral(VELMO_DELIVERED_CATALOGUE), true);
    TfrmMain window;
    window.Catalogue = [&papers] { return &papers; };
    window.NewDocument(true);
    const QString source = FiftySheets();
    const QString target = Env().Temp.filePath(QStringLiteral("fifty-saved.lbd"));
    for (auto _ : state) {
        if (!window.OpenDocument(source) || !window.SaveTo(target))
            state.SkipWithError("open or save failed");
    }
}

} // namespace

BENCHMARK(DeliveredCatalogue)->Unit(benchmark::kMillisecond);
BENCHMARK(Catalogue2000)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenAndSave50Sheets)->Unit(benchmark::kMillisecond);
