// A PDF that cannot be written whole is never kept: a write failing at any point of
// the job (the write-fault layer stands in for a full disk or a quota), a real full
// file system where the superuser can make one, and the program's exit status. The
// earlier file stays byte for byte and no temporary file is left behind.
#include "PrintTestSupport.h"
#include "cli/UToolPrint.h"
#include "storage/USafeFile.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct TFaultOff
{
    ~TFaultOff() { SetWriteFaultAfter(-1); }
};

// Prints `copies` sheets; the error's message when the run failed, else empty.
QString PrintPdf(TLabelData& document, const QString& pdf, int copies)
{
    TPdfPrintDevice device(pdf, 300);
    TPhasedProgress progress;
    TPrintSpec spec;
    spec.Copies = copies;
    TPrintSite site(document, progress, spec);
    site.SetBandingSetting([] { return false; });
    try {
        site.PrintRun(device);
    } catch (const EPrintError& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(PdfWriteFault, AFailedWriteAnywhereKeepsTheEarlierFileAndSaysTheDiskIsFull)
{
    TFaultOff off;
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x3060C0, 30);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    // Enough pages that the file is written out in several blocks during the run.
    constexpr int kCopies = 40;
    ASSERT_EQ(PrintPdf(*document, pdf, kCopies), QString());
    const QByteArray whole = ReadFileBytes(pdf);
    ASSERT_TRUE(whole.startsWith("%PDF"));
    ASSERT_TRUE(whole.trimmed().endsWith("%%EOF"));
    const int64_t size = whole.size();

    const QByteArray earlier("an earlier PDF, to be kept");
    for (const int64_t at :
         {int64_t(0), int64_t(1), int64_t(9), int64_t(4096), size / 3, size / 2, size - 100, size - 1}) {
        SCOPED_TRACE(at);
        WriteFileBytes(pdf, earlier);
        SetWriteFaultAfter(at);
        const QString message = PrintPdf(*document, pdf, kCopies);
        SetWriteFaultAfter(-1);
        EXPECT_TRUE(message.startsWith(QStringLiteral("PDFファイル「%1」を書けませんでした").arg(pdf)))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("ディスクの空き容量が不足しています")))
            << message.toStdString();
        EXPECT_EQ(ReadFileBytes(pdf), earlier);
        EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("out.pdf")});
    }
    // With room for every byte the same job goes through: the limit was what failed.
    SetWriteFaultAfter(size + 1);
    EXPECT_EQ(PrintPdf(*document, pdf, kCopies), QString());
    SetWriteFaultAfter(-1);
    EXPECT_EQ(ReadFileBytes(pdf).size(), size);
}

TEST(PdfWriteFault, AFailureStopsTheRunAtTheNextPageNotAtTheEnd)
{
    TFaultOff off;
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    int faces = 0;
    TPdfPrintDevice device(pdf, 300);
    TPhasedProgress progress;
    TPrintSpec spec;
    spec.Copies = 60;
    TPrintSite site(*document, progress, spec);
    site.SetBandingSetting([] { return false; });
    site.SetFaceHook([&](TDOList&, int) { ++faces; });
    SetWriteFaultAfter(0);
    EXPECT_THROW(site.PrintRun(device), EPrintError);
    SetWriteFaultAfter(-1);
    // Each finished page is written out as the next begins.
    EXPECT_LE(faces, 2 * 12);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(Entries(dir.path()).isEmpty());
}

TEST(PdfWriteFault, TheToolExitsWithAFailureAndKeepsTheEarlierFile)
{
    TFaultOff off;
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x0000FF, 40);
    const QString file = dir.filePath(QStringLiteral("twelve.lbd"));
    document->Save(file);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    WriteFileBytes(pdf, "earlier");
    SetWriteFaultAfter(1000);
    EXPECT_EQ(tool::CommandPrint(
                  {file, QStringLiteral("--copies"), QStringLiteral("3"), QStringLiteral("--pdf"), pdf}),
              1);
    SetWriteFaultAfter(-1);
    EXPECT_EQ(ReadFileBytes(pdf), QByteArray("earlier"));
    EXPECT_EQ(Entries(dir.path()), (QStringList{QStringLiteral("out.pdf"), QStringLiteral("twelve.lbd")}));
}

TEST(PdfWriteFault, AFullFileSystemKeepsTheEarlierFile)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs the superuser";
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x3060C0, 30);
    // The program prints a catalogue paper's frames: it knows no test label kind.
    const QString work = dir.filePath(QStringLiteral("frames.lbd"));
    const QString tool = BinaryDir() + QStringLiteral("/src/velmo-tool");
    ASSERT_EQ(RunProgram(tool, {QStringLiteral("new"), QStringLiteral("--paper"),
                                QStringLiteral("A4 12面 86.4×42.3mm"), work})
                  .ExitCode,
              0);
    const QStringList frames{QStringLiteral("print"),    work,
                             QStringLiteral("--copies"), QStringLiteral("99"),
                             QStringLiteral("--frames"), QStringLiteral("--cut-lines"),
                             QStringLiteral("--pdf")};

    // Both jobs measured where there is room, then given a file system with room for
    // the earlier file and half of the job.
    const QString roomy = dir.filePath(QStringLiteral("roomy.pdf"));
    ASSERT_EQ(PrintPdf(*document, roomy, 99), QString());
    const int64_t design = QFileInfo(roomy).size();
    ASSERT_EQ(RunProgram(tool, frames + QStringList{roomy}).ExitCode, 0);
    const int64_t outlines = QFileInfo(roomy).size();
    const QByteArray earlier(20000, 'e');
    auto mountSmall = [&](const QString& path, int64_t job) {
        const int64_t bytes = ((earlier.size() + job / 2) / 4096 + 2) * 4096;
        return QProcess::execute(QStringLiteral("mount"),
                                 {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                  QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), path}) == 0;
    };
    struct TUnmount
    {
        QString Path;
        ~TUnmount()
        {
            if (!Path.isEmpty())
                QProcess::execute(QStringLiteral("umount"), {Path});
        }
    };

    const QString small = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkdir(small));
    if (!mountSmall(small, design))
        GTEST_SKIP() << "this machine does not let us mount a tmpfs";
    {
        TUnmount unmount{small};
        const QString pdf = small + QStringLiteral("/out.pdf");
        WriteFileBytes(pdf, earlier);
        const QString message = PrintPdf(*document, pdf, 99);
        EXPECT_TRUE(message.contains(QStringLiteral("ディスクの空き容量が不足しています")))
            << message.toStdString();
        EXPECT_EQ(ReadFileBytes(pdf), earlier);
        EXPECT_EQ(Entries(small), QStringList{QStringLiteral("out.pdf")});
    }

    // The program says so and exits with a failure.
    const QString other = dir.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkdir(other));
    ASSERT_TRUE(mountSmall(other, outlines));
    TUnmount unmount{other};
    const QString pdf = other + QStringLiteral("/out.pdf");
    WriteFileBytes(pdf, earlier);
    const ProcessResult r = RunProgram(tool, frames + QStringList{pdf});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("ディスクの空き容量が不足しています")))
        << r.StdErr.toStdString();
    EXPECT_EQ(ReadFileBytes(pdf), earlier);
    EXPECT_EQ(Entries(other), QStringList{QStringLiteral("out.pdf")});
}
