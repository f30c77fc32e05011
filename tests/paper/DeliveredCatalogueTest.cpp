// The delivered catalogue as the build makes it from data/papers, and the generator's
// refusal of bad source lines.
#include "paper/CatalogueTestSupport.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QSet>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Delivered()
{
    return BinaryDir() + QStringLiteral("/data/velmo.ppr");
}

QString Generator()
{
    return BinaryDir() + QStringLiteral("/tools/make-catalogue");
}

class DeliveredCatalogue : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        EnsureCatalogueClasses();
        if (QFileInfo::exists(Delivered()))
            FPapers = std::make_unique<TVelmoPapers>(Delivered(), true);
    }
    static void TearDownTestSuite() { FPapers.reset(); }
    void SetUp() override { ASSERT_TRUE(FPapers) << Delivered().toStdString(); }

    static std::unique_ptr<TVelmoPapers> FPapers;
};
std::unique_ptr<TVelmoPapers> DeliveredCatalogue::FPapers;

TEST_F(DeliveredCatalogue, HoldsTheSourcesProductsInOrderUnderConsecutiveKeys)
{
    ASSERT_GE(FPapers->Count(), 150);
    QSet<QString> names;
    for (int i = 0; i < FPapers->Count(); ++i) {
        EXPECT_EQ(FPapers->Key(i), PaperKey(uint32_t(i + 1)));
        names.insert(FPapers->Paper(i)->PaperName());
    }
    EXPECT_EQ(names.size(), FPapers->Count());
    EXPECT_EQ(FPapers->UpdateInfo().PPRNo() >= 1, true);
    EXPECT_TRUE(FPapers->Storage().StreamExists(QStringLiteral("PurposeList\\PurposeList")));
    EXPECT_TRUE(FPapers->Storage().StorageExists(QStringLiteral("GlobalInfo")));
}

TEST_F(DeliveredCatalogue, EveryPaperPassesThePaperChecks)
{
    for (int i = 0; i < FPapers->Count(); ++i) {
        const TPaperInfo& paper = *FPapers->Paper(i);
        SCOPED_TRACE(paper.PaperName().toStdString());
        EXPECT_TRUE(PaperDefect(paper).isEmpty()) << PaperDefect(paper).toStdString();
        EXPECT_EQ(FindFaceOutsidePaper(paper), -1);
        EXPECT_EQ(FindOverlappingFace(paper), -1);
        EXPECT_TRUE(paper.ReadOnly());
        EXPECT_FALSE(paper.Landscape());
        const std::unique_ptr<TExPaperInfo> info = FPapers->GetExInfo(paper.PaperName(), false);
        ASSERT_TRUE(info);
        EXPECT_FALSE(info->Company().isEmpty());
        EXPECT_FALSE(info->Purpose().isEmpty());
    }
}

TEST_F(DeliveredCatalogue, CoversEveryShapePurposeAndTheCommonA4Layouts)
{
    QSet<int> shapes;
    QSet<QString> purposes;
    QSet<int> a4Counts;
    bool barrelHole = false;
    bool freePaper = false;
    for (int i = 0; i < FPapers->Count(); ++i) {
        const TPaperInfo& paper = *FPapers->Paper(i);
        freePaper = freePaper || dynamic_cast<const TFreePaperInfo*>(&paper);
        if (paper.PortraitWidth() == 2100 && paper.PortraitHeight() == 2970)
            a4Counts.insert(paper.GetFaceCount());
        for (int f = 0; f < paper.GetFaceCount(); ++f) {
            shapes.insert(paper.GetFaceShape(f));
            purposes.insert(paper.GetFacePurpose(f));
            barrelHole =
                barrelHole || (ShapeHasHole(paper.GetFaceShape(f)) && paper.GetCenterShape(f) == csBarrel);
        }
    }
    EXPECT_EQ(shapes.size(), kFaceShapeCount);
    for (const char* id : {"CD", "CDCover", "CDCaseTray", "MOSquare"})
        EXPECT_TRUE(purposes.contains(QString::fromLatin1(id))) << id;
    EXPECT_TRUE(barrelHole);
    EXPECT_TRUE(freePaper);
    for (int count : {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 21, 24, 27, 28, 33, 36, 40, 44, 48, 52, 65})
        EXPECT_TRUE(a4Counts.contains(count)) << count;
}

TEST_F(DeliveredCatalogue, MakerAndGroupListsFollowCatalogueOrder)
{
    QStringList groups;
    FPapers->GetGroupNames(groups);
    EXPECT_EQ(FPapers->GroupList(), groups);
    QStringList companies;
    FPapers->GetCompanies(companies);
    EXPECT_EQ(FPapers->CompanyList(), companies);
    EXPECT_FALSE(companies.contains(QString()));
    EXPECT_GE(groups.size(), 5);
}

TEST_F(DeliveredCatalogue, LengthsAreConvertedExactly)
{
    // data/papers/40-cd.csv: 46.5, 21, 117 x 117, gap 21, bleed 1, hole 41.
    const int index = FPapers->IndexOfName(QStringLiteral("A4 2面 CD/DVD 内径41mm 117×117mm"));
    ASSERT_GE(index, 0);
    auto* cd = dynamic_cast<TMatrixPaperInfo*>(FPapers->Paper(index));
    ASSERT_TRUE(cd);
    EXPECT_EQ(cd->LeftOffset(), 465);
    EXPECT_EQ(cd->TopOffset(), 210);
    EXPECT_EQ(cd->FaceWidth(), 1170);
    EXPECT_EQ(cd->BottomMargin(), 210);
    EXPECT_EQ(cd->FaceMargin(), 10);
    EXPECT_EQ(cd->GetCutCenter(0), QSize(410, 410));
    EXPECT_EQ(cd->FaceShape(), fsDoughnut);
    EXPECT_EQ(cd->FacePurpose(), QStringLiteral("CD"));
}

class CatalogueGenerator : public ::testing::Test
{
protected:
    // Runs the generator on one source file with the given lines.
    ProcessResult Run(const QByteArray& lines)
    {
        QDir(FDir.path()).mkpath(QStringLiteral("src"));
        QFile source(FDir.filePath(QStringLiteral("src/10-test.csv")));
        EXPECT_TRUE(source.open(QIODevice::WriteOnly));
        source.write(lines);
        source.close();
        return RunProgram(Generator(), {Out(), FDir.filePath(QStringLiteral("src"))});
    }
    QString Out() const { return FDir.filePath(QStringLiteral("out.ppr")); }
    QTemporaryDir FDir;
};

const QByteArray kGood =
    "# comment\n"
    "M, 良い 2面, A4, メーカー, 宛名, 210, 297, 5, 10, 100, 138.5, 2, 2, 0, 0, fsRect, , 0, , , , \n";

TEST_F(CatalogueGenerator, WritesACatalogueFromGoodLines)
{
    const ProcessResult r = Run(kGood + "\n"
                                        "F, 自由 1面, CD, メーカー2, CD, 210, 297\n"
                                        "FACE, 10, 10, 117, 117, fsDoughnut, CD, 1, , 41, 41, csEllipse\n");
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EnsureCatalogueClasses();
    TVelmoPapers papers(Out(), true);
    ASSERT_EQ(papers.Count(), 2);
    auto* m = dynamic_cast<TMatrixPaperInfo*>(papers.Paper(0));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->FaceHeight(), 1385);
    EXPECT_EQ(m->GetFaceCount(), 4);
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("自由 1面"), false)->Company(), QStringLiteral("メーカー2"));
    EXPECT_EQ(papers.CompanyList(), (QStringList{"メーカー", "メーカー2"}));
    EXPECT_EQ(papers.GroupList(), (QStringList{"A4", "CD"}));
}

TEST_F(CatalogueGenerator, RefusesBadLinesWithFileAndLine)
{
    const struct
    {
        QByteArray Line;
        const char* Expect;
    } cases[] = {
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10.55, 1, 1, 0, 0, fsRect, , 0, , , , \n", "face height"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , \n", "fields"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 01, 1, 0, 0, fsRect, , 0, , , , \n", "columns"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsSquare, , 0, , , , \n", "shape"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, CD, 0, , , , \n", "purpose"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRoundRect, , 0, , , , \n", "corner"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 117, 117, 1, 1, 0, 0, fsDoughnut, CD, 0, , 116, 116, csEllipse\n",
         "ring"},
        {"M, x, A4, m, p, 210, 297, 150, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \n", "はみ出して"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 2, 1, 0, 0, fsRect, , 1, , , , \n", "overlaps"},
        {"M, ∑x\xe2\x80\x94, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \n",
         "code page 932"},
        {"M, 良い 2面, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \n", "repeats"},
        {"M, 良い　２面, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \n",
         "told apart"},
        {"FACE, 10, 10, 117, 117, fsRect, , 0, , , , \n", "FACE record"},
        {"F, x, A4, m, p, 210, 297\n", "without FACE"},
        {"X, x\n", "record kind"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \r\n",
         "control character"},
        {"M, \"x\", A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \n", "double quote"},
        {"M, x, A4, m, p, 210, 297, 5, 10, 100, 10, 1, 1, 0, 0, fsRect, , 0, , , , \xff\n", "UTF-8"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = Run(kGood + c.Line);
        const QString err = QString::fromUtf8(r.StdErr);
        EXPECT_EQ(r.ExitCode, 1) << c.Expect;
        EXPECT_TRUE(err.contains(QStringLiteral("10-test.csv:3: error: ")))
            << c.Expect << ": " << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.Expect))) << c.Expect << ": " << err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Out())) << c.Expect;
    }
    const ProcessResult bom = Run("\xEF\xBB\xBF" + kGood);
    EXPECT_EQ(bom.ExitCode, 1);
    EXPECT_TRUE(bom.StdErr.contains("10-test.csv:1: error: ")) << bom.StdErr.toStdString();
}

} // namespace
