// velmo-tool res over the delivered Images.res and over damaged resource files.
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QImage>
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
    EXPECT_TRUE(out.contains(QRegularExpression("^CBM\tABOUTIMAGE\t\\d+\t480x300 24-bit$",
                                                QRegularExpression::MultilineOption)));
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

    const ProcessResult sheet = RunProgram(Tool(), {"res", Delivered(), "--contact-sheet", dir.filePath("all.png")});
    ASSERT_EQ(sheet.ExitCode, 0) << sheet.StdErr.toStdString();
    EXPECT_GT(QImage(dir.filePath("all.png")).height(), 480);
}

TEST(ToolRes, MissingResourcesAndDamagedFilesAreReported)
{
    QTemporaryDir dir;
    const ProcessResult missing = RunProgram(Tool(), {"res", Delivered(), "RT_BITMAP", "NOPE", dir.filePath("x.png")});
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
