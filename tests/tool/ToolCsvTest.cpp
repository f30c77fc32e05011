// velmo-tool csv over files written by Python's csv module in every encoding the
// reader takes, and print --merge through the print run.
#include "support/TestSupport.h"
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

// The rows every file holds: commas, quotes, line breaks of all kinds, tabs,
// backslashes, half-width kana and code page 932's own characters.
const char* kWriter = R"PY(
import csv, sys
rows = [["名前", "住所", "メモ"],
        ["山田 太郎", "東京都港区, 芝公園", "一行目\r\n二行目"],
        ["ｻﾄｳ", "\"引用\"と,カンマ", "tab\there"],
        ["～∥－￥①髙", "back\\slash", ""],
        ["last", "lf\nonly", "cr\ronly"]]
with open(sys.argv[1], "w", encoding=sys.argv[2], newline="") as f:
    csv.writer(f).writerows(rows)
)PY";

const char* kExpected = "#\t名前\t住所\tメモ\n"
                        "0\t山田 太郎\t東京都港区, 芝公園\t一行目\\n二行目\n"
                        "1\tｻﾄｳ\t\"引用\"と,カンマ\ttab\\there\n"
                        "2\t～∥－￥①髙\tback\\\\slash\n"
                        "3\tlast\tlf\\nonly\tcr\\nonly\n";

} // namespace

TEST(ToolCsv, PythonFilesInEveryEncodingReadBackFieldForField)
{
    QTemporaryDir dir;
    for (const char* encoding : {"cp932", "utf-8", "utf-8-sig", "utf-16"}) {
        const QString file = dir.filePath(QStringLiteral("%1.csv").arg(encoding));
        ProcessResult w = RunProgram(QStringLiteral("/usr/bin/python3"),
                                     {QStringLiteral("-c"), QString::fromUtf8(kWriter), file, encoding});
        ASSERT_EQ(w.ExitCode, 0) << w.StdErr.toStdString();
        ProcessResult r = RunProgram(Tool(), {QStringLiteral("csv"), file, QStringLiteral("--header")});
        ASSERT_EQ(r.ExitCode, 0) << encoding << r.StdErr.toStdString();
        // Python ends a row with an empty last field in a bare comma, which adds no
        // field: the record holds two (the third reads as empty all the same).
        EXPECT_EQ(QString::fromUtf8(r.StdOut), QString::fromUtf8(kExpected)) << encoding;
    }
}

TEST(ToolCsv, SortFindAndErrors)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("s.csv"));
    WriteFileBytes(file, QStringLiteral("名前,よみ\n佐藤,さとう\n阿部,あべ\n加藤,カトウ\n").toUtf8());
    ProcessResult r = RunProgram(Tool(), {QStringLiteral("csv"), file, QStringLiteral("--header"),
                                          QStringLiteral("--sort"), QStringLiteral("よみ")});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.StdOut),
              QStringLiteral("#\t名前\tよみ\n0\t阿部\tあべ\n1\t加藤\tカトウ\n2\t佐藤\tさとう\n"));
    r = RunProgram(Tool(), {QStringLiteral("csv"), file, QStringLiteral("--header"), QStringLiteral("--sort"),
                            QStringLiteral("-2")});
    EXPECT_TRUE(QString::fromUtf8(r.StdOut).endsWith(QStringLiteral("2\t阿部\tあべ\n")));
    // かとう finds カトウ (hiragana and katakana are alike when searching).
    r = RunProgram(Tool(), {QStringLiteral("csv"), file, QStringLiteral("--header"), QStringLiteral("--find"),
                            QStringLiteral("かとう")});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.StdOut), QStringLiteral("#\t名前\tよみ\n2\t加藤\tカトウ\n"));
    r = RunProgram(Tool(),
                   {QStringLiteral("csv"), file, QStringLiteral("--find"), QStringLiteral("nothing")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("一致するデータはありません")));
    r = RunProgram(Tool(), {QStringLiteral("csv"), file, QStringLiteral("--sort"), QStringLiteral("9")});
    EXPECT_EQ(r.ExitCode, 2);

    const QString bad = dir.filePath(QStringLiteral("bad.csv"));
    // Damaged content is mended, never refused: an open quote takes its line, a byte
    // that is no character becomes 〓 and the first such line is named.
    WriteFileBytes(bad, QByteArray("ok\nok\n\"open,\nx\x81\x20\n"));
    r = RunProgram(Tool(), {QStringLiteral("csv"), bad});
    EXPECT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.StdOut).contains(QStringLiteral("2\topen\n3\tx〓")))
        << r.StdOut.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("warning"))) << r.StdErr.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("bad.csv")));
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("4行目")));
    r = RunProgram(Tool(), {QStringLiteral("csv"), dir.filePath(QStringLiteral("none.csv"))});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("none.csv")));
}

TEST(ToolCsv, PrintMergeRunsThroughThePrintRun)
{
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("m.lbd"));
    ProcessResult r = RunProgram(Tool(), {QStringLiteral("new"), QStringLiteral("--paper"),
                                          QStringLiteral("A4 4面 105×148.5mm"), work});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    r = RunProgram(Tool(), {QStringLiteral("put-label"), work, QStringLiteral("0"), QStringLiteral("0"),
                            TestDataPath(QStringLiteral("barcode/label-design.txt"))});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    const QString csv = dir.filePath(QStringLiteral("m.csv"));
    WriteFileBytes(csv, "name\na\nb\n");
    const QString pdf = dir.filePath(QStringLiteral("m.pdf"));
    r = RunProgram(Tool(), {QStringLiteral("print"), work, QStringLiteral("--merge"), csv,
                            QStringLiteral("--header"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_TRUE(QFile::exists(pdf));
    // A merge file that is not there: nothing printed, the file named.
    const QString pdf2 = dir.filePath(QStringLiteral("m2.pdf"));
    r = RunProgram(Tool(), {QStringLiteral("print"), work, QStringLiteral("--merge"),
                            dir.filePath(QStringLiteral("gone.csv")), QStringLiteral("--pdf"), pdf2});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("gone.csv")));
    EXPECT_FALSE(QFile::exists(pdf2));
    r = RunProgram(
        Tool(), {QStringLiteral("print"), work, QStringLiteral("--header"), QStringLiteral("--pdf"), pdf2});
    EXPECT_EQ(r.ExitCode, 2);
}
