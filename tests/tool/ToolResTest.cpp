// velmo-tool res over the delivered Images.res and over damaged resource files.
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

QString Delivered()
{
    return BinaryDir() + QStringLiteral("/data/Images.res");
}

TEST(ToolRes, ListsEveryRecordWithItsPictureSize)
{
    const ProcessResult list = RunProgram(Tool(), {"res", Delivered()});
    ASSERT_EQ(list.ExitCode, 0) << list.StdErr.toStdString();
    const QString out = QString::fromUtf8(list.StdOut);
    EXPECT_TRUE(out.contains(QRegularExpression("^RT_BITMAP\tILCOMMANDON\t\\d+\t576x32 24-bit$",
                                                QRegularExpression::MultilineOption)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(
        QRegularExpression("^CBM\tABOUTIMAGE\t\\d+\t480x300 24-bit$", QRegularExpression::MultilineOption)));
    EXPECT_EQ(out.count(u'\n'), 15);
}

TEST(ToolRes, ExtractsOnePictureAsPng)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("papergroup.png");
    const ProcessResult run = RunProgram(Tool(), {"res", Delivered(), "RT_BITMAP", "papergroup", png});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(192, 480));
    // Column 1 of every row is the selected entry: navy at its corner.
    EXPECT_EQ(image.pixel(48, 0) & 0xFFFFFF, 0x000080u);

    const ProcessResult sheet =
        RunProgram(Tool(), {"res", Delivered(), "--contact-sheet", dir.filePath("all.png")});
    ASSERT_EQ(sheet.ExitCode, 0) << sheet.StdErr.toStdString();
    EXPECT_GT(QImage(dir.filePath("all.png")).height(), 480);
}

TEST(ToolRes, MissingResourcesAndDamagedFilesAreReported)
{
    QTemporaryDir dir;
    const ProcessResult missing =
        RunProgram(Tool(), {"res", Delivered(), "RT_BITMAP", "NOPE", dir.filePath("x.png")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(missing.StdErr).contains("NOPE リソースが見つかりません"));
    EXPECT_FALSE(QFile::exists(dir.filePath("x.png")));

    // Cut in the middle of a picture's data: the record runs past the end.
    const QByteArray whole = ReadFileBytes(Delivered());
    WriteFileBytes(dir.filePath("cut.res"), whole.left(whole.size() / 2));
    const ProcessResult cut = RunProgram(Tool(), {"res", dir.filePath("cut.res")});
    EXPECT_EQ(cut.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(cut.StdErr).contains("リソースファイルが壊れています"))
        << cut.StdErr.toStdString();

    // A header size smaller than a header.
    QByteArray small = whole;
    small[4] = 4;
    small[5] = small[6] = small[7] = 0;
    WriteFileBytes(dir.filePath("small.res"), small);
    EXPECT_EQ(RunProgram(Tool(), {"res", dir.filePath("small.res")}).ExitCode, 1);

    EXPECT_EQ(RunProgram(Tool(), {"res"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Tool(), {"res", Delivered(), "RT_BITMAP"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Tool(), {"res", dir.filePath("none.res")}).ExitCode, 1);
}

} // namespace
} // namespace velmo::test

namespace velmo::test {
namespace {

QString MakeImages()
{
    return BinaryDir() + QStringLiteral("/tools/make-images");
}

const char* kSquare = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="20">
  <rect x="2" y="2" width="16" height="16" fill="#ff0000"/><rect x="22" y="2" width="16" height="16" fill="#0000ff"/></svg>)";

TEST(MakeImages, BuildsAResourceFileOurToolReads)
{
    QTemporaryDir dir;
    WriteFileBytes(dir.filePath("src/square.svg"), kSquare);
    WriteFileBytes(dir.filePath("src/MANIFEST"),
                   "# test\nRT_BITMAP PAIR square.svg 2x1\nCBM WHOLE square.svg 1x1\n");
    const ProcessResult run = RunProgram(MakeImages(), {dir.filePath("out.res"), dir.filePath("src")});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    const ProcessResult list = RunProgram(Tool(), {"res", dir.filePath("out.res")});
    EXPECT_EQ(list.StdOut, QByteArray("RT_BITMAP\tPAIR\t") + QByteArray::number(40 + 40 * 20 * 3) +
                               "\t40x20 24-bit\n" + list.StdOut.mid(list.StdOut.indexOf("CBM")));
    ASSERT_EQ(
        RunProgram(Tool(), {"res", dir.filePath("out.res"), "CBM", "WHOLE", dir.filePath("w.png")}).ExitCode,
        0);
    const QImage image(dir.filePath("w.png"));
    EXPECT_EQ(image.pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(30, 10) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.pixel(20, 10) & 0xFFFFFF, 0xFFFFFFu); // drawn on white
}

TEST(MakeImages, ABadSourceFailsWithItsLineAndWritesNothing)
{
    struct Case
    {
        const char* Manifest;
        const char* Message;
    } cases[] = {
        {"RT_BITMAP A square.svg 3x1\n", "MANIFEST:1: error: 40 × 20 does not divide into 3 × 1 equal cells"},
        {"\nRT_ICON A square.svg 1x1\n", "MANIFEST:2: error: type \"RT_ICON\" is neither RT_BITMAP nor CBM"},
        {"RT_BITMAP A missing.svg 1x1\n", "is not a readable SVG drawing"},
        {"RT_BITMAP A square.svg\n", "MANIFEST:1: error: expected TYPE NAME FILE.svg COLUMNSxROWS"},
        {"RT_BITMAP A square.svg 0x1\n", "is not a grid like 18x1"},
        {"RT_BITMAP A square.svg 1x1\nCBM a square.svg 1x1\n", "MANIFEST:2: error: a is named twice"},
        {"# nothing\n", "names no pictures"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        WriteFileBytes(dir.filePath("src/square.svg"), kSquare);
        WriteFileBytes(dir.filePath("src/MANIFEST"), c.Manifest);
        const ProcessResult run = RunProgram(MakeImages(), {dir.filePath("out.res"), dir.filePath("src")});
        EXPECT_EQ(run.ExitCode, 1) << c.Manifest;
        EXPECT_TRUE(QString::fromUtf8(run.StdErr).contains(QString::fromUtf8(c.Message)))
            << run.StdErr.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("out.res")));
    }
}

} // namespace
} // namespace velmo::test
