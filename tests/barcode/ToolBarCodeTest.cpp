// velmo-tool barcode: the command line face of the barcode drawing.
#include "BarCodeTestSupport.h"
#include "support/TestSupport.h"
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

ProcessResult RunBarCode(const QStringList& arguments)
{
    return RunProgram(Tool(), QStringList{QStringLiteral("barcode")} + arguments);
}

} // namespace

TEST(ToolBarCode, DrawsSymbolsThatDecode)
{
    QTemporaryDir dir;
    const QString jan = dir.filePath(QStringLiteral("jan.png"));
    const QString pdf = dir.filePath(QStringLiteral("jan.pdf"));
    ProcessResult run = RunBarCode({QStringLiteral("jan"), QStringLiteral("490123456789"), jan,
                                    QStringLiteral("--dpi"), QStringLiteral("300"), QStringLiteral("--pdf"),
                                    pdf, QStringLiteral("--angle"), QStringLiteral("90")});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_TRUE(run.StdOut.contains("\"4901234567894\"")) << run.StdOut.toStdString();
    EXPECT_TRUE(ReadFileBytes(pdf).startsWith("%PDF"));

    const QString c128 = dir.filePath(QStringLiteral("c128.png"));
    run = RunBarCode({QStringLiteral("code128"), QStringLiteral("Ab1"), c128, QStringLiteral("--no-digits")});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_TRUE(run.StdOut.contains("symbol characters: 103 33 100 66 17 87 106"))
        << run.StdOut.toStdString();

    const QString c39 = dir.filePath(QStringLiteral("c39.png"));
    run = RunBarCode({QStringLiteral("code39"), QStringLiteral("abc"), c39, QStringLiteral("--check"),
                      QStringLiteral("--frame"), QStringLiteral("--ratio"), QStringLiteral("300")});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_TRUE(run.StdOut.contains("check character: X")) << run.StdOut.toStdString();

    const TDecodes decodes = DecodeFiles({jan, c128, c39});
    EXPECT_EQ(decodes.ZBar.at(jan), QString::fromLatin1(QByteArray("4901234567894").toHex()));
    EXPECT_EQ(decodes.ZXing.at(c128), QString::fromLatin1(QByteArray("Ab1").toHex()));
    EXPECT_EQ(decodes.ZBar.at(c39), QString::fromLatin1(QByteArray("ABCX").toHex()));
}

TEST(ToolBarCode, RefusesWhatTheDialogRefuses)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("x.png"));
    ProcessResult run = RunBarCode({QStringLiteral("jan"), QStringLiteral("1234567890123"), out});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(run.StdErr).contains(QStringLiteral("バーコードが正しくありません。")))
        << run.StdErr.toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.StdErr).contains(u"check digit 8")) << run.StdErr.toStdString();
    EXPECT_EQ(RunBarCode({QStringLiteral("code39"), QStringLiteral("a*b"), out}).ExitCode, 1);
    EXPECT_EQ(RunBarCode({QStringLiteral("code128"), QStringLiteral("^{NOPE}"), out}).ExitCode, 1);
    EXPECT_EQ(RunBarCode({QStringLiteral("code128"), QString(), out}).ExitCode, 1);
    EXPECT_EQ(RunBarCode({QStringLiteral("maxicode"), QStringLiteral("x"), out}).ExitCode, 2);
    // The libzint kinds' options belong to them alone.
    EXPECT_EQ(RunBarCode({QStringLiteral("jan"), QStringLiteral("1234567"), out, QStringLiteral("--module"),
                          QStringLiteral("0.3")})
                  .ExitCode,
              2);
    EXPECT_EQ(RunBarCode({QStringLiteral("jan"), QStringLiteral("1234567")}).ExitCode, 2);
    EXPECT_EQ(RunBarCode({QStringLiteral("code39"), QStringLiteral("A"), out, QStringLiteral("--ratio"),
                          QStringLiteral("150")})
                  .ExitCode,
              2);
    // A picture too large to allocate is refused before it is made.
    run = RunBarCode({QStringLiteral("code128"), QString(1000, u'a'), out, QStringLiteral("--dpi"),
                      QStringLiteral("4800")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.StdErr.contains("at most")) << run.StdErr.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out));
}

// A work file whose label holds barcodes (one under the older class name) is drawn
// through the sheet view by velmo-tool, and ZBar reads both symbols off the sheet.
TEST(ToolBarCode, BarcodesInAWorkFileDrawOnTheSheet)
{
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("codes.lbd"));
    ProcessResult run = RunProgram(Tool(), {QStringLiteral("new"), QStringLiteral("--paper"),
                                            QStringLiteral("A4 4面 105×148.5mm"), work});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    run = RunProgram(Tool(), {QStringLiteral("put-label"), work, QStringLiteral("0"), QStringLiteral("0"),
                              TestDataPath(QStringLiteral("barcode/label-design.txt"))});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    run = RunProgram(Tool(), {QStringLiteral("get-label"), work, QStringLiteral("0"), QStringLiteral("0")});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_EQ(run.StdOut.count("object TLOBarCode"), 2)
        << run.StdOut.toStdString(); // written as today's class
    const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
    run = RunProgram(Tool(), {QStringLiteral("sheet"), work, QStringLiteral("0"), sheet,
                              QStringLiteral("--dpi"), QStringLiteral("300")});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    run = RunProgram(QStringLiteral("zbarimg"), {QStringLiteral("-q"), sheet});
    EXPECT_TRUE(run.StdOut.contains("EAN-13:4901234567894\n")) << run.StdOut.toStdString();
    EXPECT_TRUE(run.StdOut.contains("CODE-128:Sheet-128\n")) << run.StdOut.toStdString();
}
