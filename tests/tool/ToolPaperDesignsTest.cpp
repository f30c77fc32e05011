// velmo-tool paper-designs: a work file's label designs become a paper's background
// designs in the catalogue, listed, drawn on the sheet (upright and turned) and
// removed; a damaged work file, an unknown paper or bad options leave the catalogue
// byte for byte as it was.
#include "base/UNumbers.h"
#include "cli/UToolPaperDesigns.h"
#include "document/ULabelData.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// A4, 2 × 3 labels of 90 × 90 mm, 10 mm from the corner and 5 mm apart.
std::unique_ptr<TMatrixPaperInfo> Grid()
{
    auto p = std::make_unique<TMatrixPaperInfo>();
    p->SetPaperName(QStringLiteral("柄つき"));
    p->SetGroupName(QStringLiteral("宛名・表示ラベル"));
    p->SetPortraitWidth(2100);
    p->SetPortraitHeight(2970);
    p->SetLeftOffset(100);
    p->SetTopOffset(100);
    p->SetFaceWidth(900);
    p->SetFaceHeight(900);
    p->SetRightMargin(50);
    p->SetBottomMargin(50);
    p->SetFaceCountX(2);
    p->SetFaceCountY(3);
    p->PurposeList()->SetDefault();
    return p;
}

TLORect* Block(const TLogRect& r, TColor colour)
{
    auto* rect = new TLORect;
    rect->SetBaseRect(r);
    rect->SetFillInside(true);
    rect->FillColor()->SetColor(colour);
    rect->FrameColor()->SetColor(colour);
    return rect;
}

QByteArray Bytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int Designs(const QStringList& arguments)
{
    return tool::CommandPaperDesigns(arguments);
}

class ToolPaperDesigns : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        RegisterLabelDataClasses();
        FCatalogue = FDir.filePath(QStringLiteral("p.ppr"));
        {
            TVelmoPapers papers(FCatalogue, false);
            papers.StorePaper(*Grid());
            papers.Close();
        }
        // A work file on that paper: a red band on label 0, a blue square on label 3.
        FWork = FDir.filePath(QStringLiteral("design.lbd"));
        TLabelData data;
        auto paper = Grid();
        data.SetPaper(paper.get());
        data.SetSeparatelyDesign(true);
        TDOList first;
        first.Add(Block({0, 0, 900, 300}, 0x0000FF));
        data.WriteLabel(0, first);
        first.FreeObjects();
        TDOList fourth;
        fourth.Add(Block({300, 600, 600, 850}, 0xFF0000));
        fourth.Add(Block({0, 0, 100, 100}, 0x00FF00));
        data.WriteLabel(3, fourth);
        fourth.FreeObjects();
        data.Save(FWork);
    }

    std::unique_ptr<TImagePaperInfo> Stored()
    {
        TVelmoPapers papers(FCatalogue, true);
        auto record = papers.FindRecord(TVelmoPapers::PaperImagesBaseName(), QStringLiteral("柄つき"));
        auto* images = dynamic_cast<TImagePaperInfo*>(record.get());
        if (!images)
            return nullptr;
        record.release();
        return std::unique_ptr<TImagePaperInfo>(images);
    }

    QTemporaryDir FDir;
    QString FCatalogue;
    QString FWork;
};

} // namespace

TEST_F(ToolPaperDesigns, AWorkFilesDesignsBecomeThePapersAndAreDrawnOnTheSheet)
{
    const QString png = FDir.filePath(QStringLiteral("sheet.png"));
    ASSERT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--from"), FWork,
                       QStringLiteral("--png"), png, QStringLiteral("--dpi"), QStringLiteral("127")}),
              0);
    auto stored = Stored();
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->SeparatelyDesign());
    ASSERT_GE(stored->FaceCount(), 4);
    EXPECT_EQ(stored->Faces(0).Count(), 1);
    EXPECT_EQ(stored->Faces(1).Count(), 0);
    EXPECT_EQ(stored->Faces(3).Count(), 2);
    EXPECT_FALSE(stored->Faces(3)[0]->Selectable());

    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(1050, 1485));
    auto at = [&](int x, int y) { return image.pixelColor(x / 2, y / 2); };
    EXPECT_EQ(at(100 + 450, 100 + 150), QColor(Qt::red));
    EXPECT_EQ(at(100 + 450, 100 + 600), QColor(Qt::white));
    EXPECT_EQ(at(1050 + 450, 100 + 150), QColor(Qt::white)); // label 1 has no design
    EXPECT_EQ(at(1050 + 450, 1050 + 725), QColor(Qt::blue));
    EXPECT_EQ(at(1050 + 50, 1050 + 50), QColor(Qt::green));
    EXPECT_EQ(at(1025, 100 + 150), QColor(Qt::white)); // between the labels
    // Every outline whole, the edges that lie on the faces' own borders too.
    for (const QPoint p : {QPoint(100 + 450, 100), QPoint(100 + 450, 1000), QPoint(100, 100 + 450),
                           QPoint(1950, 100 + 450), QPoint(1050 + 450, 2000), QPoint(1050 + 450, 2900)}) {
        const QColor c = image.pixelColor(p.x() / 2, p.y() / 2);
        EXPECT_LT(c.red() + c.green() + c.blue(), 200) << p.x() << "," << p.y();
    }

    // Turned: the band runs down the left side of each turned label.
    const QString turned = FDir.filePath(QStringLiteral("turned.png"));
    ASSERT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--png"), turned,
                       QStringLiteral("--dpi"), QStringLiteral("127"), QStringLiteral("--landscape")}),
              0);
    const QImage landscape(turned);
    ASSERT_EQ(landscape.size(), QSize(1485, 1050));
    auto paper = Grid();
    paper->SetLandscape(true);
    const TLogRect r = paper->GetPrintRect(0);
    const int cy = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(landscape.pixelColor((r.Left + 150) / 2, cy / 2), QColor(Qt::red));
    EXPECT_EQ(landscape.pixelColor((r.Right - 150) / 2, cy / 2), QColor(Qt::white));
}

TEST_F(ToolPaperDesigns, RemovedDesignsLeaveThePaperPlain)
{
    ASSERT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--from"), FWork}), 0);
    ASSERT_NE(Stored(), nullptr);
    const QString png = FDir.filePath(QStringLiteral("plain.png"));
    ASSERT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--remove"),
                       QStringLiteral("--png"), png, QStringLiteral("--dpi"), QStringLiteral("127")}),
              0);
    EXPECT_EQ(Stored(), nullptr);
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor((100 + 450) / 2, (100 + 150) / 2), QColor(Qt::white));
    // Listing a paper without designs says so and changes nothing.
    const QByteArray before = Bytes(FCatalogue);
    EXPECT_EQ(Designs({FCatalogue, QStringLiteral("柄つき")}), 0);
    EXPECT_EQ(Bytes(FCatalogue), before);
}

TEST_F(ToolPaperDesigns, FailuresLeaveTheCatalogueAsItWas)
{
    ASSERT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--from"), FWork}), 0);
    const QByteArray before = Bytes(FCatalogue);
    ASSERT_FALSE(before.isEmpty());
    // A work file that is no compound file, and one cut short.
    const QString junk = FDir.filePath(QStringLiteral("junk.lbd"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    const QString cut = FDir.filePath(QStringLiteral("cut.lbd"));
    {
        const QByteArray work = Bytes(FWork);
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(work.left(work.size() / 2));
    }
    for (const QString& bad : {junk, cut, FDir.filePath(QStringLiteral("missing.lbd"))}) {
        EXPECT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--from"), bad}), 1)
            << bad.toStdString();
        EXPECT_EQ(Bytes(FCatalogue), before) << bad.toStdString();
    }
    EXPECT_EQ(Designs({FCatalogue, QStringLiteral("ない用紙"), QStringLiteral("--remove")}), 1);
    EXPECT_EQ(Designs({FDir.filePath(QStringLiteral("none.ppr")), QStringLiteral("柄つき")}), 1);
    // A picture that cannot be written: the removal asked for with it is not kept.
    EXPECT_EQ(Designs({FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--remove"),
                       QStringLiteral("--png"), FDir.filePath(QStringLiteral("no/such/folder/out.png"))}),
              1);
    EXPECT_EQ(Bytes(FCatalogue), before);
    // Usage errors.
    for (const QStringList& wrong :
         {QStringList{FCatalogue},
          QStringList{FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--from")},
          QStringList{FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--from"), FWork,
                      QStringLiteral("--remove")},
          QStringList{FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--png"), QStringLiteral("a.png"),
                      QStringLiteral("--dpi"), QStringLiteral("100000")},
          QStringList{FCatalogue, QStringLiteral("柄つき"), QStringLiteral("--frobnicate")},
          QStringList{QStringLiteral("--from"), FCatalogue}})
        EXPECT_EQ(Designs(wrong), 2) << wrong.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(Bytes(FCatalogue), before);
}
