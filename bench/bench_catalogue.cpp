// Start-up load of the paper catalogue: the delivered catalogue and a synthetic one
// of 2,000 papers, each with its extra information.
#include "paper/UVelmoPapers.h"
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

// A catalogue of count papers: three of four are matrix sheets, every fourth a free
// sheet of 8 faces; every paper has a maker.
QString SyntheticCatalogue(int count)
{
    static QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("synthetic-%1.ppr").arg(count));
    if (QFileInfo::exists(fileName))
        return fileName;
    TVelmoPapers papers(fileName, false);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<TPaperInfo> paper;
        if (i % 4 == 3) {
            auto free = std::make_unique<TFreePaperInfo>();
            for (int f = 0; f < 8; ++f) {
                TFaceItem* face = free->Faces()->Add();
                face->SetRect(
                    {100 + (f % 2) * 1000, 100 + (f / 2) * 700, 1000 + (f % 2) * 1000, 700 + (f / 2) * 700});
                face->SetFaceShape(f % 3 == 0 ? fsRoundRect : fsRect);
            }
            paper = std::move(free);
        } else {
            auto matrix = std::make_unique<TMatrixPaperInfo>();
            matrix->SetFaceCountX(2 + i % 2);
            matrix->SetFaceCountY(2 + i % 7);
            matrix->SetFaceWidth(600);
            matrix->SetFaceHeight(300);
            matrix->SetLeftOffset(50);
            matrix->SetTopOffset(50);
            matrix->SetRightMargin(20);
            matrix->SetBottomMargin(20);
            paper = std::move(matrix);
        }
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetPaperName(QStringLiteral("合成用紙 %1").arg(i));
        paper->SetGroupName(QStringLiteral("グループ %1").arg(i % 20));
        paper->SetReadOnly(true);
        papers.StorePaper(*paper);
        TExPaperInfo info;
        info.SetPaperName(paper->PaperName());
        info.SetCompany(QStringLiteral("メーカー %1").arg(i % 30));
        info.SetPurpose(QStringLiteral("宛名"));
        papers.StoreExInfo(info);
    }
    papers.Close();
    return fileName;
}

void LoadCatalogue(benchmark::State& state, const QString& fileName)
{
    RegisterCatalogueClasses();
    int count = 0;
    for (auto _ : state) {
        // Opened writable, as at start-up; unchanged, so closing writes nothing.
        TVelmoPapers papers(fileName, false);
        count = papers.Count();
        benchmark::DoNotOptimize(count);
    }
    state.counters["papers"] = count;
}

void BM_LoadDeliveredCatalogue(benchmark::State& state)
{
    const QString fileName = QStringLiteral(VELMO_DELIVERED_CATALOGUE);
    if (!QFileInfo::exists(fileName)) {
        state.SkipWithError("the delivered catalogue has not been built");
        return;
    }
    LoadCatalogue(state, fileName);
}
BENCHMARK(BM_LoadDeliveredCatalogue)->Unit(benchmark::kMillisecond);

void BM_LoadSyntheticCatalogue2000(benchmark::State& state)
{
    RegisterCatalogueClasses();
    LoadCatalogue(state, SyntheticCatalogue(2000));
}
BENCHMARK(BM_LoadSyntheticCatalogue2000)->Unit(benchmark::kMillisecond);

// The makers of every paper, as the selection dialog's maker filter asks for them:
// reads all extra-information records after the load.
void BM_CompaniesOfSyntheticCatalogue2000(benchmark::State& state)
{
    RegisterCatalogueClasses();
    const QString fileName = SyntheticCatalogue(2000);
    for (auto _ : state) {
        TVelmoPapers papers(fileName, false);
        QStringList companies;
        papers.GetCompanies(companies);
        benchmark::DoNotOptimize(companies);
    }
}
BENCHMARK(BM_CompaniesOfSyntheticCatalogue2000)->Unit(benchmark::kMillisecond);

} // namespace
