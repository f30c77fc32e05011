// velmo-tool tells the truth about its outputs: a command whose output cannot be
// written fails with a message, bad arguments are refused, files' control bytes never
// reach the terminal raw, and damaged input ends in a message, not an abort.
#include "paper/UVelmoPapers.h"
#include "storage/UCompoundFile.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

struct TRun
{
    int ExitCode = -1;
    QByteArray StdErr;
};

// Runs the tool with standard output going to a file (/dev/full for a full disk).
TRun RunInto(const QStringList& arguments, const QString& stdoutFile)
{
    QProcess process;
    process.setStandardOutputFile(stdoutFile);
    process.start(Tool(), arguments);
    TRun run;
    if (!process.waitForStarted() || !process.waitForFinished(60000))
        return run;
    run.StdErr = process.readAllStandardError();
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

class ToolHonesty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        const ProcessResult names = RunProgram(Tool(), {QStringLiteral("papers"), QStringLiteral("--names")});
        ASSERT_EQ(names.ExitCode, 0) << names.StdErr.toStdString();
        FPaperName = QString::fromUtf8(names.StdOut.left(names.StdOut.indexOf('\n')));
        FWork = FDir.filePath(QStringLiteral("work.lbd"));
        const ProcessResult made =
            RunProgram(Tool(), {QStringLiteral("new"), QStringLiteral("--paper"), FPaperName, FWork});
        ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
    QString FPaperName;
    QString FWork;
};

TEST_F(ToolHonesty, AFullStandardOutputFailsEveryCommand)
{
    const QString catalogue = BinaryDir() + QStringLiteral("/data/velmo.ppr");
    const QList<QStringList> commands = {
        {QStringLiteral("help")},
        {QStringLiteral("ls"), FWork},
        {QStringLiteral("cat"), FWork, QStringLiteral("DataInfo")},
        {QStringLiteral("dump"), FWork, QStringLiteral("DataInfo")},
        {QStringLiteral("info"), FWork},
        {QStringLiteral("papers")},
        {QStringLiteral("papers"), QStringLiteral("--names"), catalogue},
        {QStringLiteral("paper"), FWork, QStringLiteral("Sheets/NameList0/PaperInfo")},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(u' ').toStdString());
        const TRun ok = RunInto(command, QStringLiteral("/dev/null"));
        EXPECT_EQ(ok.ExitCode, 0) << ok.StdErr.toStdString();
        const TRun full = RunInto(command, QStringLiteral("/dev/full"));
        EXPECT_EQ(full.ExitCode, 1);
        EXPECT_TRUE(full.StdErr.contains("cannot write to standard output")) << full.StdErr.toStdString();
    }
}

TEST_F(ToolHonesty, OutputFilesThatCannotBeWrittenFailAndLeaveNothing)
{
    const QString missing = Path(QStringLiteral("no/such/folder/out"));
    const QList<QStringList> commands = {
        {QStringLiteral("new"), QStringLiteral("--paper"), FPaperName, missing + QStringLiteral(".lbd")},
        {QStringLiteral("paper"), FWork, QStringLiteral("Sheets\\NameList0\\PaperInfo"),
         QStringLiteral("--svg"), missing + QStringLiteral(".svg")},
        {QStringLiteral("text"), missing + QStringLiteral(".png"), QStringLiteral("ベルモ")},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(u' ').toStdString());
        const ProcessResult run = RunProgram(Tool(), command);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.StdErr.contains(QStringLiteral("パスが見つかりません").toUtf8()))
            << run.StdErr.toStdString();
    }
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("work.lbd")});
}

TEST_F(ToolHonesty, ALockedWorkFileIsNeitherReplacedNorEmptied)
{
    const QByteArray before = ReadFileBytes(FWork);
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-s"), FWork, QStringLiteral("-c"),
                                           QStringLiteral("echo locked; sleep 30")});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    const ProcessResult run =
        RunProgram(Tool(), {QStringLiteral("new"), QStringLiteral("--paper"), FPaperName, FWork});
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.StdErr.contains(QStringLiteral("共有違反が発生しました").toUtf8()))
        << run.StdErr.toStdString();
    EXPECT_EQ(ReadFileBytes(FWork), before);
}

TEST_F(ToolHonesty, ArgumentsAndMessagesSayWhatIsWrong)
{
    const ProcessResult help = RunProgram(Tool(), {QStringLiteral("help")});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.StdOut.startsWith("usage: velmo-tool"));
    EXPECT_TRUE(help.StdErr.isEmpty());

    const ProcessResult emptySvg =
        RunProgram(Tool(), {QStringLiteral("paper"), FWork, QStringLiteral("Sheets/NameList0/PaperInfo"),
                            QStringLiteral("--svg"), QString()});
    EXPECT_EQ(emptySvg.ExitCode, 2);

    const QString gone = Path(QStringLiteral("gone.lbd"));
    const ProcessResult info = RunProgram(Tool(), {QStringLiteral("info"), gone});
    EXPECT_EQ(info.ExitCode, 1);
    EXPECT_TRUE(info.StdErr.contains(gone.toUtf8() + ": no such file")) << info.StdErr.toStdString();

    // "--" ends the options: a file whose name begins with "-".
    const QString dashed = Path(QStringLiteral("-dashed.lbd"));
    ASSERT_TRUE(QFile::copy(FWork, dashed));
    const ProcessResult dashedInfo =
        RunProgram(Tool(), {QStringLiteral("info"), QStringLiteral("--"), dashed});
    EXPECT_EQ(dashedInfo.ExitCode, 0) << dashedInfo.StdErr.toStdString();
    const ProcessResult dashedCat = RunProgram(
        Tool(), {QStringLiteral("cat"), QStringLiteral("--"), dashed, QStringLiteral("/Sheets/NameList")});
    EXPECT_EQ(dashedCat.ExitCode, 0) << dashedCat.StdErr.toStdString();
    const ProcessResult dashedText =
        RunProgram(Tool(), {QStringLiteral("text"), QStringLiteral("--"), Path(QStringLiteral("-t.png")),
                            QStringLiteral("-1")});
    EXPECT_EQ(dashedText.ExitCode, 0) << dashedText.StdErr.toStdString();
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("-t.png"))).size() > 0);

    const QString dashedBmp = Path(QStringLiteral("-in.bmp"));
    ASSERT_TRUE(
        QFile::copy(SourceDir() + QStringLiteral("/tests/data/fuzz/fuzz_bmp/im_bmp3_1.bmp"), dashedBmp));
    const ProcessResult dashedPicture = RunProgram(Tool(), {QStringLiteral("picture"), QStringLiteral("--"),
                                                            dashedBmp, Path(QStringLiteral("-out.png"))});
    EXPECT_EQ(dashedPicture.ExitCode, 0) << dashedPicture.StdErr.toStdString();
    const ProcessResult dashedDump =
        RunProgram(Tool(), {QStringLiteral("dump"), QStringLiteral("--plain"), QStringLiteral("--"), dashed,
                            QStringLiteral("DataInfo")});
    EXPECT_EQ(dashedDump.ExitCode, 0) << dashedDump.StdErr.toStdString();
    EXPECT_TRUE(dashedDump.StdOut.startsWith("object")) << dashedDump.StdOut.left(200).toStdString();

    // A name whose bytes are not valid in the locale's encoding is not guessed at.
    QProcess invalid;
    invalid.setWorkingDirectory(FDir.path());
    invalid.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("'%1' new --paper \"$1\" \"$(printf 'x\\377.lbd')\"").arg(Tool()),
                   QStringLiteral("sh"), FPaperName});
    ASSERT_TRUE(invalid.waitForFinished(60000));
    EXPECT_EQ(invalid.exitCode(), 2);
    EXPECT_TRUE(invalid.readAllStandardError().contains("not valid text"));
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files).filter(QStringLiteral(".lbd")).size(), 2);

    for (const char* command : {"cat", "dump"}) {
        const ProcessResult storage =
            RunProgram(Tool(), {QLatin1String(command), FWork, QStringLiteral("Sheets")});
        EXPECT_EQ(storage.ExitCode, 1) << command;
        EXPECT_TRUE(storage.StdErr.contains("Sheets is a storage, not a stream"))
            << storage.StdErr.toStdString();
    }
}

TEST_F(ToolHonesty, ControlBytesFromFilesAreShownEscaped)
{
    RegisterCatalogueClasses();
    const QString catalogue = Path(QStringLiteral("odd.ppr"));
    {
        TVelmoPapers papers(catalogue, false);
        TFreePaperInfo paper;
        paper.SetPaperName(QStringLiteral("赤\x1b[31m字"));
        paper.SetPortraitWidth(1000);
        paper.SetPortraitHeight(1000);
        paper.Faces()->Add()->SetRect({100, 100, 500, 500});
        papers.StorePaper(paper);
        papers.Close();
    }
    const ProcessResult run =
        RunProgram(Tool(), {QStringLiteral("papers"), QStringLiteral("--names"), catalogue});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_FALSE(run.StdOut.contains('\x1b'));
    EXPECT_EQ(QString::fromUtf8(run.StdOut), QStringLiteral("赤\\x1b[31m字\n"));
}

TEST_F(ToolHonesty, ImpossibleSizesEndInAMessageNotAnAbort)
{
    // A label stream whose container claims 4 GiB.
    QByteArray claim = QByteArray("ZLIBCompress\x1a", 13) + QByteArray("\xff\xff\xff\xff", 4);
    claim += QByteArray(4000, '\0');
    const QString file = Path(QStringLiteral("claim.lbd"));
    {
        auto root = TCompoundFile::CreateFile(file);
        root->CreateStream(QStringLiteral("LabelData"))->Write(claim.constData(), claim.size());
        root->Commit();
    }
    for (const QStringList& command :
         {QStringList{QStringLiteral("cat"), QStringLiteral("--inflate"), file, QStringLiteral("LabelData")},
          QStringList{QStringLiteral("dump"), file, QStringLiteral("LabelData")}}) {
        const ProcessResult run = RunProgram(Tool(), command);
        EXPECT_EQ(run.ExitCode, 1) << command.join(u' ').toStdString();
        EXPECT_TRUE(run.StdErr.contains(QStringLiteral("圧縮データが壊れています").toUtf8()))
            << run.StdErr.toStdString();
    }
    // A resource on standard input stating more than can be meant, and endless input.
    const QByteArray header =
        QByteArray("\xff\x0a\x00LABEL\x00\x30\x10", 10) + QByteArray("\xff\xff\xff\x7f", 4);
    const ProcessResult stated = RunProgram(Tool(), {QStringLiteral("dump"), QStringLiteral("-")}, header);
    EXPECT_EQ(stated.ExitCode, 1);
    EXPECT_TRUE(stated.StdErr.contains("states 2147483647 bytes")) << stated.StdErr.toStdString();
    QProcess endless;
    endless.setStandardOutputFile(QProcess::nullDevice());
    endless.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("head -c 600000000 /dev/zero | '%1' dump -").arg(Tool())});
    ASSERT_TRUE(endless.waitForFinished(120000));
    EXPECT_EQ(endless.exitCode(), 1);
    EXPECT_TRUE(endless.readAllStandardError().contains("standard input holds more than"));
    // Refused within its cap (512 MiB): the buffer never grows past it. The largest
    // child waited for so far is this one (the others dump a few bytes).
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer keeps freed blocks in quarantine and shadows every byte: the
    // peak says nothing of the buffer there, only the refusal above counts.
#else
    EXPECT_LT(usage.ru_maxrss, 800L * 1024) << "max RSS " << usage.ru_maxrss << " KiB";
#endif
}

} // namespace
