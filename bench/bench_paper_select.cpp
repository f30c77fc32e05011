// The paper selection on a 2,000-paper catalogue: opening the dialog and one search
// keystroke (the list rebuilt with the text typed so far); choosing a 65-up paper whose
// labels each carry a background design; importing the whole gLabels template database.
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UTemplateImport.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FPaperSelect.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmo;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

TVelmoPapers& Catalogue()
{
    static QTemporaryDir dir;
    static std::unique_ptr<TVelmoPapers> papers;
    if (!papers) {
        RegisterCatalogueClasses();
        papers = std::make_unique<TVelmoPapers>(dir.filePath(QStringLiteral("big.ppr")), false);
        const QStringList groups = PaperGroups();
        for (int i = 0; i < 2000; ++i) {
            TMatrixPaperInfo p;
            p.SetPaperName(
                QStringLiteral("メーカー%1 品番%2 ラベル %3面").arg(i % 40).arg(i).arg(2 + i % 60));
            p.SetGroupName(groups[i % 9]);
            p.SetPortraitWidth(2100);
            p.SetPortraitHeight(2970);
            p.SetFaceWidth(500);
            p.SetFaceHeight(200);
            p.SetFaceCountX(2);
            p.SetFaceCountY(5);
            p.SetReadOnly(true);
            p.PurposeList()->SetDefault();
            papers->StorePaper(p);
        }
    }
    return *papers;
}

void OpenDialog(benchmark::State& state)
{
    App();
    TVelmoPapers& papers = Catalogue();
    for (auto _ : state) {
        TfrmPaperSelect dialog(papers, false, nullptr);
        benchmark::DoNotOptimize(dialog.ListedNames().size());
    }
}
BENCHMARK(OpenDialog)->Unit(benchmark::kMillisecond);

void SearchKeystroke(benchmark::State& state)
{
    App();
    TVelmoPapers& papers = Catalogue();
    TfrmPaperSelect dialog(papers, false, nullptr);
    const QString word = QStringLiteral("ひんばん12");
    int n = 0;
    for (auto _ : state) {
        // One keystroke: the text typed so far, 1 to 6 characters.
        dialog.Search(word.left(1 + n++ % word.size()));
        benchmark::DoNotOptimize(dialog.ListedNames().size());
    }
}
BENCHMARK(SearchKeystroke)->Unit(benchmark::kMillisecond);

void ChooseAPaperWithDesigns(benchmark::State& state)
{
    App();
    TVelmoPapers& papers = Catalogue();
    RegisterShapeClasses();
    const QString name = QStringLiteral("柄つき 65面");
    if (papers.IndexOfName(name) < 0) {
        TMatrixPaperInfo p;
        p.SetPaperName(name);
        p.SetGroupName(PaperGroups()[0]);
        p.SetPortraitWidth(2100);
        p.SetPortraitHeight(2970);
        p.SetLeftOffset(100);
        p.SetTopOffset(100);
        p.SetFaceWidth(380);
        p.SetFaceHeight(212);
        p.SetFaceCountX(5);
        p.SetFaceCountY(13);
        p.SetReadOnly(true);
        p.PurposeList()->SetDefault();
        papers.StorePaper(p);
        TImagePaperInfo designs;
        designs.SetPaperName(name);
        designs.SetSeparatelyDesign(true);
        designs.SetLabelCount(65);
        for (int k = 0; k < 65; ++k) {
            TDOList list;
            for (int i = 0; i < 3; ++i) {
                auto* r = new TLORect;
                r->SetBaseRect({20 + 40 * i, 20 + 30 * i, 200 + 40 * i + k, 120 + 30 * i});
                r->FillColor()->SetColor(TColor(0x102030 * (i + 1) + k));
                r->SetFillInside(true);
                list.Add(r);
            }
            designs.SetFaceObjects(k, list);
            list.FreeObjects();
        }
        papers.StoreRecord(TVelmoPapers::PaperImagesBaseName(), designs);
    }
    TfrmPaperSelect dialog(papers, true, nullptr);
    dialog.show();
    dialog.SelectGroup(0);
    const int designed = int(dialog.ListedNames().indexOf(name));
    if (designed < 0) {
        state.SkipWithError("the paper with designs is not listed");
        return;
    }
    const int plain = designed == 0 ? 1 : 0;
    bool flip = false;
    for (auto _ : state) {
        // Every other choice is the paper with designs: its record read, 65 pictures drawn.
        dialog.SelectRow((flip = !flip) ? designed : plain);
        benchmark::DoNotOptimize(dialog.PreviewSite());
    }
}
BENCHMARK(ChooseAPaperWithDesigns)->Unit(benchmark::kMillisecond);

void ImportTemplateDatabase(benchmark::State& state)
{
    QDir dir(QStringLiteral(VELMO_TEMPLATE_DIR));
    QList<QPair<QString, QByteArray>> files;
    for (const QString& name : dir.entryList({QStringLiteral("*-templates.xml")})) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            files.append({name, f.readAll()});
    }
    if (files.isEmpty()) {
        state.SkipWithError("glabels-data is not installed");
        return;
    }
    for (auto _ : state) {
        TTemplateImporter importer;
        for (const auto& [name, bytes] : files)
            importer.AddFile(name, bytes);
        benchmark::DoNotOptimize(importer.Convert().size());
    }
}
BENCHMARK(ImportTemplateDatabase)->Unit(benchmark::kMillisecond);

} // namespace
