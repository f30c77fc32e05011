// velmo-tool export: a label's design as BMP or JPEG at one dot per tenth of a
// millimetre, read back with Qt's own readers; bad arguments and damaged documents
// fail without leaving a file.
#include "cli/UToolCommands.h"
#include "cli/UToolExport.h"
#include "document/ULabelData.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QString MakeDocument(const QTemporaryDir& dir)
{
    RegisterShapeClasses();
    TMatrixPaperInfo paper;
    paper.SetPaperName(QStringLiteral("書き出し"));
    paper.SetPortraitWidth(2100);
    paper.SetPortraitHeight(2970);
    paper.SetFaceCountX(2);
    paper.SetFaceCountY(2);
    paper.SetFaceWidth(800);
    paper.SetFaceHeight(500);
    TLabelData data;
    data.SetPaper(&paper);
    data.SetSeparatelyDesign(true);
    TDOList list;
    auto* rect = new TLORect;
    rect->SetBaseRect({100, 100, 500, 300});
    list.Add(rect);
    data.WriteLabel(1, list);
    list.FreeObjects();
    const QString file = dir.filePath(QStringLiteral("export.lbd"));
    data.Save(file);
    return file;
}

bool AnyDark(const QImage& image, QRect area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 200)
                return true;
    return false;
}

TEST(ToolExport, WritesTheLabelAsBmpAndJpegAtItsSize)
{
    QTemporaryDir dir;
    const QString file = MakeDocument(dir);
    const QString bmp = dir.filePath(QStringLiteral("l.bmp"));
    ASSERT_EQ(tool::CommandExport({file, QStringLiteral("0"), QStringLiteral("1"), bmp}), tool::kExitOk);
    QImageReader reader(bmp);
    EXPECT_EQ(reader.format(), "bmp");
    const QImage picture = reader.read();
    ASSERT_EQ(picture.size(), QSize(800, 500));
    // The rectangle's outline at (100,100)-(500,300); white beyond it.
    EXPECT_TRUE(AnyDark(picture, QRect(95, 95, 10, 10)));
    EXPECT_FALSE(AnyDark(picture, QRect(600, 350, 150, 100)));
    // Label 0 has no design: white all over.
    const QString empty = dir.filePath(QStringLiteral("e.jpg"));
    ASSERT_EQ(tool::CommandExport({file, QStringLiteral("0"), QStringLiteral("0"), empty}), tool::kExitOk);
    QImageReader jpeg(empty);
    EXPECT_EQ(jpeg.format(), "jpeg");
    const QImage white = jpeg.read();
    ASSERT_EQ(white.size(), QSize(800, 500));
    EXPECT_FALSE(AnyDark(white, white.rect().adjusted(0, 0, -1, -1)));
}

TEST(ToolExport, BadArgumentsAndDamagedDocumentsLeaveNoFile)
{
    QTemporaryDir dir;
    const QString file = MakeDocument(dir);
    const QString out = dir.filePath(QStringLiteral("x.bmp"));
    EXPECT_EQ(tool::CommandExport({file, QStringLiteral("0"), QStringLiteral("0"), dir.filePath("x.png")}),
              tool::kExitUsage);
    EXPECT_EQ(tool::CommandExport({file, QStringLiteral("0"), QStringLiteral("4"), out}), tool::kExitFailure);
    EXPECT_EQ(tool::CommandExport({file, QStringLiteral("0"), QStringLiteral("-1"), out}),
              tool::kExitFailure);
    EXPECT_EQ(tool::CommandExport({file, QStringLiteral("3"), QStringLiteral("0"), out}), tool::kExitFailure);
    EXPECT_EQ(tool::CommandExport({file, QStringLiteral("0")}), tool::kExitUsage);
    EXPECT_FALSE(QFile::exists(out));
    // A document cut short.
    QFile whole(file);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const QString cut = dir.filePath(QStringLiteral("cut.lbd"));
    QFile part(cut);
    ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    part.write(bytes.left(bytes.size() / 3));
    part.close();
    EXPECT_EQ(tool::CommandExport({cut, QStringLiteral("0"), QStringLiteral("1"), out}), tool::kExitFailure);
    EXPECT_FALSE(QFile::exists(out));
    // An output folder that does not exist.
    EXPECT_EQ(tool::CommandExport({file, QStringLiteral("0"), QStringLiteral("1"), dir.filePath("no/x.bmp")}),
              tool::kExitFailure);
}

} // namespace
