// Shapes through the tool's existing faces (sheet) and the decorative-line sheet.
#include "base/UNumbers.h"
#include "cli/UToolCommands.h"
#include "cli/UToolSheet.h"
#include "document/ULabelData.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

TEST(ToolShapes, ASheetShowsRectanglesEllipsesAndLines)
{
    RegisterShapeClasses();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shapes.lbd"));
    {
        TLabelData data;
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetPaperName(QStringLiteral("A4 1面"));
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetFaceCountX(1);
        paper->SetFaceCountY(1);
        paper->SetFaceWidth(2000);
        paper->SetFaceHeight(2000);
        paper->SetLeftOffset(50);
        paper->SetTopOffset(50);
        data.SetPaper(paper.get());
        auto* rect = new TLORect;
        rect->SetBaseRect({100, 100, 900, 900});
        rect->SetFillInside(true);
        rect->FillColor()->SetColor(0x0000FF);
        auto* circle = new TLOCircle;
        circle->SetBaseRect({1000, 100, 1800, 900});
        circle->SetFillInside(true);
        circle->FillColor()->SetColor(0x00FF00);
        auto* line = new TLOLine;
        line->SetStartPoint({100, 1500});
        line->SetEndPoint({1900, 1500});
        line->SetLineWidth(60);
        line->LineColor()->SetColor(0xFF0000);
        TDOList list;
        list.Add(line);
        list.Add(circle);
        list.Add(rect);
        data.WriteLabel(0, list);
        list.FreeObjects();
        data.Save(file);
    }
    const QString out = dir.filePath(QStringLiteral("sheet.png"));
    ASSERT_EQ(
        tool::CommandSheet({file, QStringLiteral("0"), out, QStringLiteral("--dpi"), QStringLiteral("127")}),
        0);
    const QImage image(out);
    ASSERT_FALSE(image.isNull());
    auto at = [&](int lx, int ly) { return image.pixelColor((50 + lx) / 2, (50 + ly) / 2); };
    EXPECT_EQ(at(500, 500), QColor(255, 0, 0));
    EXPECT_EQ(at(1400, 500), QColor(0, 255, 0));
    EXPECT_EQ(at(1050, 150), QColor(255, 255, 255)) << "outside the ellipse's curve";
    EXPECT_EQ(at(1000, 1500), QColor(0, 0, 255));
    EXPECT_EQ(at(1000, 1600), QColor(255, 255, 255));
}

TEST(ToolShapes, DecorativeLinesSheetHasARowPerPattern)
{
    QTemporaryDir dir;
    const QString patterns = test::BinaryDir() + QStringLiteral("/data/ILLUST/DecoLine");
    const int count = int(QDir(patterns).entryList(QDir::Files).size());
    ASSERT_GE(count, 30) << "the delivered patterns";
    const QString out = dir.filePath(QStringLiteral("deco.png"));
    ASSERT_EQ(tool::CommandDecoLines({QStringLiteral("--folder"), patterns, out}), 0);
    const QImage image(out);
    EXPECT_EQ(image.height(), count * 100 + 20);
    EXPECT_NE(tool::CommandDecoLines({QStringLiteral("--folder"), dir.filePath(QStringLiteral("none")), out}),
              0);
    EXPECT_NE(tool::CommandDecoLines({QStringLiteral("--length"), QStringLiteral("x"), out}), 0);
}
