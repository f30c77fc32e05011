// velmo-tool update-papers, merge-old-papers and papers --old: the update packed here
// with Python's zlib (not our writer) and served from 127.0.0.1.
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

class ToolPaperUpdate : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir;
        const QString root = Dir->filePath("srv");
        QDir().mkpath(root);
        // The delivered catalogue in the compressed container, packed independently.
        const ProcessResult pack =
            RunProgram("/usr/bin/python3", {"-c",
                                            "import sys, zlib, struct\n"
                                            "d = open(sys.argv[1], 'rb').read()\n"
                                            "open(sys.argv[2], 'wb').write(b'ZLIBCompress\\x1a' + "
                                            "struct.pack('<I', len(d)) + zlib.compress(d))\n",
                                            BinaryDir() + "/data/velmo.ppr", root + "/cat.ppz"});
        ASSERT_EQ(pack.ExitCode, 0) << pack.StdErr.toStdString();
        WriteFileBytes(root + "/index.vup", "QUILLON VERSION UP FILE\r\n7,2026/12/01 09:00:00\r\ncat.ppz");
        WriteFileBytes(root + "/zero.vup", "quillon version up file\r\n0,2026/12/01\r\ncat.ppz");
        Server = new QProcess;
        Server->start("/usr/bin/python3", {SourceDir() + "/tests/paper/update_server.py", root});
        ASSERT_TRUE(Server->waitForStarted(10000));
        ASSERT_TRUE(Server->waitForReadyRead(10000));
        Port = Server->readLine().trimmed().toInt();
    }
    static void TearDownTestSuite()
    {
        Server->kill();
        Server->waitForFinished(5000);
        delete Server;
        delete Dir;
    }
    void SetUp() override { ASSERT_GT(Port, 0); }
    static QString Url(const QString& path)
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(Port).arg(path);
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    static inline QTemporaryDir* Dir = nullptr;
    static inline QProcess* Server = nullptr;
    static inline int Port = 0;
    QTemporaryDir FDir;
};

int Lines(const QByteArray& text)
{
    return int(text.count('\n'));
}

TEST_F(ToolPaperUpdate, UpdatesACatalogueAndLeavesItAloneOnFailure)
{
    const ProcessResult delivered = RunProgram(Tool(), {"papers", "--names"});
    ASSERT_EQ(delivered.ExitCode, 0);

    const QString mine = Path("mine.ppr");
    const ProcessResult update = RunProgram(Tool(), {"update-papers", Url("ok/index.vup"), mine});
    ASSERT_EQ(update.ExitCode, 0) << update.StdErr.toStdString();
    EXPECT_TRUE(update.StdOut.contains("version\t0007\n")) << update.StdOut.toStdString();
    EXPECT_TRUE(update.StdOut.contains(QStringLiteral("date\t2026年12月1日\n").toUtf8()));
    const ProcessResult listed = RunProgram(Tool(), {"papers", "--names", mine});
    ASSERT_EQ(listed.ExitCode, 0);
    EXPECT_EQ(listed.StdOut, delivered.StdOut);

    const QByteArray before = ReadFileBytes(mine);
    for (const char* index : {"trunc/index.vup", "huge/index.vup", "ok/missing.vup", "loop/index.vup"}) {
        const ProcessResult failed = RunProgram(Tool(), {"update-papers", Url(index), mine});
        EXPECT_EQ(failed.ExitCode, 1) << index;
        EXPECT_TRUE(
            failed.StdErr.contains(QStringLiteral("アップデートファイルの取得に失敗しました").toUtf8()))
            << failed.StdErr.toStdString();
        EXPECT_EQ(ReadFileBytes(mine), before) << index;
    }
    const ProcessResult nothing = RunProgram(Tool(), {"update-papers", Url("ok/zero.vup"), mine});
    EXPECT_EQ(nothing.ExitCode, 0);
    EXPECT_TRUE(nothing.StdOut.contains(QStringLiteral("新しい更新情報はありません").toUtf8()));
    EXPECT_EQ(ReadFileBytes(mine), before);

    // Without a catalogue: checked and counted only.
    const ProcessResult check = RunProgram(Tool(), {"update-papers", Url("ok/index.vup")});
    EXPECT_EQ(check.ExitCode, 0);
    EXPECT_TRUE(check.StdOut.contains("papers\t" + QByteArray::number(Lines(delivered.StdOut))));
    // Through the proxy option.
    const ProcessResult proxied =
        RunProgram(Tool(), {"update-papers", "--proxy", QStringLiteral("127.0.0.1:%1").arg(Port),
                            "http://velmo-update.invalid/ok/index.vup"});
    EXPECT_EQ(proxied.ExitCode, 0) << proxied.StdErr.toStdString();
    EXPECT_EQ(RunProgram(Tool(), {"update-papers"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Tool(), {"update-papers", "--proxy", "h:0", Url("ok/index.vup")}).ExitCode, 2);
}

TEST_F(ToolPaperUpdate, OlderCatalogueListedAndMerged)
{
    // An older catalogue written by Python from the record layout: one matrix record
    // with the older properties, in a compound file made by the test helper.
    const QString old = Path("old.ppr");
    const ProcessResult made =
        RunProgram("/usr/bin/python3", {SourceDir() + "/tests/tool/make_old_catalogue.py", old});
    if (made.ExitCode == 3)
        GTEST_SKIP() << "no compound file writer for Python";
    ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();
    const QByteArray original = ReadFileBytes(old);
    const ProcessResult listed = RunProgram(Tool(), {"papers", "--old", old});
    ASSERT_EQ(listed.ExitCode, 0) << listed.StdErr.toStdString();
    EXPECT_TRUE(
        listed.StdOut.contains(QStringLiteral("ABC 12面\tA4\tABC\t210.0x297.0\t12\tfsRoundRect").toUtf8()))
        << listed.StdOut.toStdString();
    // Listing never writes the file.
    EXPECT_EQ(ReadFileBytes(old), original);

    const QString mine = Path("mine.ppr");
    const ProcessResult merged = RunProgram(Tool(), {"merge-old-papers", old, mine});
    ASSERT_EQ(merged.ExitCode, 0) << merged.StdErr.toStdString();
    EXPECT_TRUE(merged.StdOut.contains("merged\t2"));
    const ProcessResult after = RunProgram(Tool(), {"papers", mine});
    EXPECT_TRUE(after.StdOut.contains(QStringLiteral("ABC 12面\tA4\tABC\t").toUtf8()))
        << after.StdOut.toStdString();
    EXPECT_TRUE(after.StdOut.contains(QStringLiteral("定型ハガキ\t").toUtf8()));
    EXPECT_EQ(RunProgram(Tool(), {"merge-old-papers", Path("none.ppr"), mine}).ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {"papers", "--old", mine}).ExitCode, 0);
}

} // namespace
