// velmo-tool templates over a collection index and a folder, and a background on a
// CD face rendered as it prints: the hole and the area outside the face stay white.
#include "base/UCodePage932.h"
#include "cli/UToolRender.h"
#include "cli/UToolTemplates.h"
#include "document/ULabelData.h"
#include "imaging/UColorSpec.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velmo;

namespace {

// Runs a command with standard output going into a file; returns what it wrote.
QString Captured(const std::function<int()>& command, int& code, const QString& file)
{
    fflush(stdout);
    const int saved = dup(fileno(stdout));
    FILE* target = freopen(QFile::encodeName(file).constData(), "w", stdout);
    EXPECT_NE(target, nullptr);
    code = command();
    fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

QString SaveCDTemplate(const QString& path)
{
    TLabelData data;
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("CD 1面"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(1);
    paper->SetFaceCountY(1);
    paper->SetFaceWidth(1160);
    paper->SetFaceHeight(1160);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetFaceShape(fsDoughnut);
    paper->SetCutCenterWidth(410);
    paper->SetCutCenterHeight(410);
    paper->SetFacePurpose(QStringLiteral("CDL"));
    data.SetPaper(paper.get());
    auto* back = new TLOBackImage;
    back->FillColor()->SetColor(0x0000FF);
    back->FitToFace({0, 0, 1160, 1160});
    TDOList list;
    list.Add(back);
    data.WriteLabel(0, list);
    list.FreeObjects();
    data.Save(path);
    return path;
}

} // namespace

TEST(ToolTemplates, ACDBackgroundPrintsAroundTheHoleAndTheCollectionIsListed)
{
    RegisterImagingGraphics();
    RegisterImageClasses();
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Template/CD")));
    const QString file = SaveCDTemplate(dir.filePath(QStringLiteral("Template/CD/red.lbt")));

    const QString png = dir.filePath(QStringLiteral("cd.png"));
    ASSERT_EQ(tool::CommandRender({file, QStringLiteral("0"), QStringLiteral("0"), png,
                                   QStringLiteral("--dpi"), QStringLiteral("127")}),
              0);
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    const int w = image.width(), h = image.height();
    auto red = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; };
    auto white = [](QRgb c) { return qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235; };
    EXPECT_TRUE(white(image.pixel(w / 2, h / 2))) << "the hole";
    EXPECT_TRUE(white(image.pixel(3, 3))) << "outside the round face";
    EXPECT_TRUE(red(image.pixel(w / 2, h / 10))) << "the ring";
    EXPECT_TRUE(red(image.pixel(w / 10, h / 2)));

    QFile index(dir.filePath(QStringLiteral("Template.dat")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write(cp932::Encode(QStringLiteral(
        "[CDL]\r\nName=円形\r\nDir=Template\\CD\r\n[ADDR]\r\nName=宛名\r\nDir=Template\\Addr\r\n")));
    index.close();
    int code = -1;
    const QString listed = Captured([&] { return tool::CommandTemplates({index.fileName()}); }, code,
                                    dir.filePath(QStringLiteral("out.txt")));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(listed, QStringLiteral("CDL\t円形\tTemplate/CD/red.lbt\t0\t0\n"));
    const QString other = Captured(
        [&] {
            return tool::CommandTemplates(
                {index.fileName(), QStringLiteral("--purpose"), QStringLiteral("ADDR")});
        },
        code, dir.filePath(QStringLiteral("out2.txt")));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(other.isEmpty());
    EXPECT_EQ(tool::CommandTemplates({dir.filePath(QStringLiteral("missing.dat"))}), 1);
    EXPECT_EQ(tool::CommandTemplates({index.fileName(), index.fileName()}), 2);
    // Without an index: the delivered collection beside the program.
    const QString delivered = Captured([&] { return tool::CommandTemplates({}); }, code,
                                       dir.filePath(QStringLiteral("delivered.txt")));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(delivered.contains(QStringLiteral(".lbt\t"))) << delivered.left(200).toStdString();
    EXPECT_EQ(tool::CommandTemplates({index.fileName(), QStringLiteral("--purpose"), QStringLiteral("NONE")}),
              1);
}
