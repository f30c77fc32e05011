// PDF output through the print run, read back with poppler (pdfinfo, pdftoppm): page
// sizes, ink inside every face's outline, banded and unbanded output alike, no
// partial file after an abort or a failure; and velmo-tool print, in this process
// (with the tests' own label kind) and as the program.
#include "PrintTestSupport.h"
#include "base/UNumbers.h"
#include "cli/UToolPrint.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velmo;
using namespace velmo::test;

namespace {

void PrintPdf(TLabelData& document, const TPrintSpec& spec, const QString& pdf, bool banding, int dpi = 300,
              std::function<void(TPrintSite&)> prepare = {})
{
    TPdfPrintDevice device(pdf, dpi);
    TPhasedProgress progress;
    TPrintSite site(document, progress, spec);
    site.SetBandingSetting([=] { return banding; });
    if (prepare)
        prepare(site);
    site.PrintRun(device);
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Ink pixels of a that have no ink pixel of b within one pixel.
int64_t InkWithoutPartner(const QImage& a, const QImage& b)
{
    int64_t n = 0;
    for (int y = 1; y + 1 < a.height(); ++y)
        for (int x = 1; x + 1 < a.width(); ++x) {
            if (!IsInk(a.pixel(x, y)))
                continue;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = IsInk(b.pixel(x + dx, y + dy));
            if (!found)
                ++n;
        }
    return n;
}

} // namespace

TEST(PdfPrint, ThePageIsThePaperAndEveryCopyAPage)
{
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TPrintSpec spec;
    spec.Copies = 3;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    PrintPdf(*document, spec, pdf, false);
    int pages = 0;
    QSizeF size;
    ASSERT_TRUE(PdfInfo(pdf, pages, size));
    EXPECT_EQ(pages, 3);
    EXPECT_NEAR(size.width(), 210.0 / 25.4 * 72, 0.5);
    EXPECT_NEAR(size.height(), 297.0 / 25.4 * 72, 0.5);
    // Only the PDF is left in the folder.
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("out.pdf")});

    paper->SetLandscape(true);
    auto turned = FilledDocument(*paper);
    PrintPdf(*turned, TPrintSpec{}, pdf, false);
    ASSERT_TRUE(PdfInfo(pdf, pages, size));
    EXPECT_EQ(pages, 1);
    EXPECT_NEAR(size.width(), 297.0 / 25.4 * 72, 0.5);
    EXPECT_NEAR(size.height(), 210.0 / 25.4 * 72, 0.5);
    const QImage page = RasterisePdf(pdf, 1, 100);
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(InkOutsideFaces(page, *paper, 100, 1), 0);
    for (int i = 0; i < 12; ++i)
        EXPECT_GT(FaceInkCoverage(page, *paper, i, 100), 0.97) << i;

    // A paper of its own size.
    auto odd = TwelveUpPaper();
    odd->SetPortraitWidth(1000);
    odd->SetPortraitHeight(1480);
    odd->SetFaceCountX(1);
    odd->SetFaceCountY(1);
    odd->SetFaceWidth(800);
    odd->SetFaceHeight(1200);
    odd->SetLeftOffset(100);
    odd->SetTopOffset(100);
    auto card = FilledDocument(*odd);
    PrintPdf(*card, TPrintSpec{}, pdf, false);
    ASSERT_TRUE(PdfInfo(pdf, pages, size));
    // Qt's page sizes are whole points: within one point (0.35 mm).
    EXPECT_NEAR(size.width(), 100.0 / 25.4 * 72, 1.0);
    EXPECT_NEAR(size.height(), 148.0 / 25.4 * 72, 1.0);
}

TEST(PdfPrint, InkStaysInsideEveryFaceACdsHoleIncluded)
{
    QTemporaryDir dir;
    for (int margin : {0, 20}) {
        auto paper = CdPaper(margin);
        auto document = FilledDocument(*paper, 0x00AA00);
        for (bool banding : {false, true}) {
            const QString pdf = dir.filePath(QStringLiteral("cd-%1-%2.pdf").arg(margin).arg(banding));
            PrintPdf(*document, TPrintSpec{}, pdf, banding);
            const QImage page = RasterisePdf(pdf, 1, 300);
            ASSERT_FALSE(page.isNull());
            EXPECT_EQ(page.width(), 2480);
            EXPECT_NEAR(page.height(), 3508, 1); // A4 at 300 dpi, as poppler rounds it
            EXPECT_EQ(InkOutsideFaces(page, *paper, 300, 1), 0) << margin << banding;
            for (int i = 0; i < 2; ++i) {
                EXPECT_GT(FaceInkCoverage(page, *paper, i, 300), 0.98) << margin << banding << i;
                const QPoint c = RectCenter(paper->GetFaceInfo(i).Rect) * 300 / 254;
                EXPECT_FALSE(IsInk(page.pixel(c)));
            }
        }
    }
}

TEST(PdfPrint, BandedAndUnbandedAgreeWithinOneDevicePixel)
{
    QTemporaryDir dir;
    auto paper = CdPaper(20);
    auto document = FilledDocument(*paper, 0xC08040, 150);
    TPrintSpec spec;
    spec.PrintFrames = true;
    spec.PrintCutLines = true;
    spec.Offset = QPoint(-13, 27);
    const QString a = dir.filePath(QStringLiteral("a.pdf")), b = dir.filePath(QStringLiteral("b.pdf"));
    PrintPdf(*document, spec, a, false);
    PrintPdf(*document, spec, b, true);
    // VELMO_PRINT_TEST_KEEP=FOLDER keeps both files for a look.
    if (const QString keep = qEnvironmentVariable("VELMO_PRINT_TEST_KEEP"); !keep.isEmpty()) {
        QFile::copy(a, keep + QStringLiteral("/cd-unbanded.pdf"));
        QFile::copy(b, keep + QStringLiteral("/cd-banded.pdf"));
    }
    const QImage pa = RasterisePdf(a, 1, 300), pb = RasterisePdf(b, 1, 300);
    ASSERT_FALSE(pa.isNull());
    ASSERT_EQ(pa.size(), pb.size());
    EXPECT_EQ(InkWithoutPartner(pa, pb), 0);
    EXPECT_EQ(InkWithoutPartner(pb, pa), 0);
    // The banded file holds pictures, the vector file none.
    EXPECT_GT(QFileInfo(b).size(), QFileInfo(a).size());
}

TEST(PdfPrint, AnAbortedRunLeavesNoPdfAndKeepsAnEarlierOne)
{
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    const QString pdf = dir.filePath(QStringLiteral("kept.pdf"));
    TPrintSpec spec;
    spec.Copies = 2;
    PrintPdf(*document, spec, dir.filePath(QStringLiteral("fresh.pdf")), true, 300, [](TPrintSite& site) {
        site.SetFaceHook([&site](TDOList&, int counter) {
            if (counter == 14)
                site.SetAborted(true);
        });
    });
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("fresh.pdf"))));
    EXPECT_TRUE(Entries(dir.path()).isEmpty()) << Entries(dir.path()).join(u' ').toStdString();

    WriteFileBytes(pdf, "earlier");
    PrintPdf(*document, spec, pdf, false, 300, [](TPrintSite& site) {
        site.SetFaceHook([&site](TDOList&, int counter) {
            if (counter == 3)
                site.SetAborted(true);
        });
    });
    EXPECT_EQ(ReadFileBytes(pdf), QByteArray("earlier"));
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("kept.pdf")});

    // A failure inside the run (a damaged design) ends the same way.
    document->Storage(); // keep the document alive
    PrintPdf(*document, TPrintSpec{}, pdf, false);
    EXPECT_TRUE(ReadFileBytes(pdf).startsWith("%PDF"));
}

TEST(PdfPrint, AFolderThatIsMissingOrCannotBeWrittenGivesAClearMessageAndNoFile)
{
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    auto expectFailure = [&](const QString& pdf) {
        try {
            PrintPdf(*document, TPrintSpec{}, pdf, false);
            ADD_FAILURE() << "printed to " << pdf.toStdString();
        } catch (const EPrintError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("PDFファイル「%1」を作れません").arg(pdf)))
                << e.Message().toStdString();
        }
        EXPECT_FALSE(QFile::exists(pdf));
    };
    expectFailure(dir.filePath(QStringLiteral("missing/out.pdf")));
    WriteFileBytes(dir.filePath(QStringLiteral("plain")), "x");
    expectFailure(dir.filePath(QStringLiteral("plain/out.pdf")));
    if (geteuid() == 0) {
        // Permissions do not stop the superuser; /proc takes no new files from anyone.
        expectFailure(QStringLiteral("/proc/velmo-print-test.pdf"));
    } else {
        const QString locked = dir.filePath(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkdir(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        expectFailure(locked + QStringLiteral("/out.pdf"));
        QFile::setPermissions(locked,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

// ---------------------------------------------------------------------------------
// velmo-tool print

TEST(ToolPrint, FaceListsAndOffsets)
{
    QByteArray selection;
    QString error;
    ASSERT_TRUE(tool::ParseFaceList(QStringLiteral("1,3,5-7"), 12, selection, error));
    EXPECT_EQ(selection, QByteArray::fromHex("000100010001010100000000"));
    EXPECT_FALSE(tool::ParseFaceList(QStringLiteral("12"), 12, selection, error));
    EXPECT_TRUE(error.contains(QStringLiteral("0 to 11")));
    EXPECT_FALSE(tool::ParseFaceList(QStringLiteral("3-1"), 12, selection, error));
    EXPECT_FALSE(tool::ParseFaceList(QStringLiteral(""), 12, selection, error));
    EXPECT_FALSE(tool::ParseFaceList(QStringLiteral("a"), 12, selection, error));
    EXPECT_FALSE(tool::ParseFaceList(QStringLiteral("-1"), 12, selection, error));
    EXPECT_FALSE(tool::ParseFaceList(QStringLiteral("99999999999"), 12, selection, error));
    QPoint offset;
    ASSERT_TRUE(tool::ParseOffset(QStringLiteral("2.0,-1.5"), offset, error));
    EXPECT_EQ(offset, QPoint(20, -15));
    ASSERT_TRUE(tool::ParseOffset(QStringLiteral("-99.9,99.9"), offset, error));
    EXPECT_EQ(offset, QPoint(-999, 999));
    EXPECT_FALSE(tool::ParseOffset(QStringLiteral("100,0"), offset, error));
    EXPECT_TRUE(error.contains(QStringLiteral("99.9mm")));
    EXPECT_FALSE(tool::ParseOffset(QStringLiteral("1.25,0"), offset, error));
    EXPECT_FALSE(tool::ParseOffset(QStringLiteral("1"), offset, error));
    EXPECT_FALSE(tool::ParseOffset(QStringLiteral("nan,0"), offset, error));
}

TEST(ToolPrint, PrintsAWorkFileToPdfInThisProcess)
{
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper, 0x0000FF, 40);
    const QString file = dir.filePath(QStringLiteral("twelve.lbd"));
    document->Save(file);
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    ASSERT_EQ(
        tool::CommandPrint({file, QStringLiteral("--copies"), QStringLiteral("2"), QStringLiteral("--faces"),
                            QStringLiteral("0,2-3"), QStringLiteral("--frames"), QStringLiteral("--offset"),
                            QStringLiteral("1.0,2.0"), QStringLiteral("--pdf"), pdf}),
        0);
    int pages = 0;
    QSizeF size;
    ASSERT_TRUE(PdfInfo(pdf, pages, size));
    EXPECT_EQ(pages, 2);
    const QImage page = RasterisePdf(pdf, 2, 150);
    ASSERT_FALSE(page.isNull());
    const QPoint shift(MulDiv(10, 150, 254), MulDiv(20, 150, 254));
    for (int i : {0, 2, 3})
        EXPECT_GT(FaceInkCoverage(page, *paper, i, 150, shift), 0.7) << i; // inset by 4 mm
    for (int i : {1, 4, 11})
        EXPECT_LT(FaceInkCoverage(page, *paper, i, 150, shift), 0.01) << i;
    EXPECT_EQ(InkOutsideFaces(page, *paper, 150, 2, shift), 0);

    // Bad requests: usage (2), failures (1), nothing written.
    const QString none = dir.filePath(QStringLiteral("none.pdf"));
    EXPECT_EQ(tool::CommandPrint(
                  {file, QStringLiteral("--faces"), QStringLiteral("12"), QStringLiteral("--pdf"), none}),
              2);
    EXPECT_EQ(tool::CommandPrint(
                  {file, QStringLiteral("--copies"), QStringLiteral("100"), QStringLiteral("--pdf"), none}),
              2);
    EXPECT_EQ(tool::CommandPrint({file, QStringLiteral("--banding"), QStringLiteral("--no-banding"),
                                  QStringLiteral("--pdf"), none}),
              2);
    EXPECT_EQ(tool::CommandPrint({file}), 2);
    EXPECT_EQ(tool::CommandPrint(
                  {file, QStringLiteral("--pdf"), none, QStringLiteral("--printer"), QStringLiteral("p")}),
              2);
    EXPECT_EQ(tool::CommandPrint(
                  {file, QStringLiteral("--sheet"), QStringLiteral("5"), QStringLiteral("--pdf"), none}),
              1);
    EXPECT_EQ(
        tool::CommandPrint({dir.filePath(QStringLiteral("missing.lbd")), QStringLiteral("--pdf"), none}), 1);
    EXPECT_FALSE(QFile::exists(none));
}

TEST(ToolPrint, TheProgramReportsFailuresClearly)
{
    QTemporaryDir dir;
    const QString tool = BinaryDir() + QStringLiteral("/src/velmo-tool");
    const QString file = dir.filePath(QStringLiteral("empty.lbd"));
    RegisterPrintTestObjects();
    {
        TLabelData empty;
        auto paper = CdPaper(0);
        empty.SetPaper(paper.get());
        empty.Save(file);
    }
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    ProcessResult r = RunProgram(tool, {QStringLiteral("print"), file, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.StdErr).trimmed(),
              QStringLiteral("velmo-tool: 印刷するラベルにデザインがありません"));
    EXPECT_FALSE(QFile::exists(pdf));
    r = RunProgram(tool, {QStringLiteral("print"), file, QStringLiteral("--offset"), QStringLiteral("0,-100"),
                          QStringLiteral("--frames"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("99.9mm")));
    r = RunProgram(tool, {QStringLiteral("print"), file, QStringLiteral("--frames"),
                          QStringLiteral("--printer"), QStringLiteral("velmo-no-such-printer")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(
        QStringLiteral("プリンタ「velmo-no-such-printer」が見つかりません")))
        << r.StdErr.toStdString();
    // Frames alone print from an empty sheet: the page is the CD sheet's outlines.
    r = RunProgram(tool,
                   {QStringLiteral("print"), file, QStringLiteral("--frames"), QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_TRUE(r.StdErr.isEmpty()); // no terminal: no progress line
    const QImage page = RasterisePdf(pdf, 1, 100);
    ASSERT_FALSE(page.isNull());
    auto paper = CdPaper(0);
    EXPECT_EQ(InkOutsideFaces(page, *paper, 100, 2), 0);
    const TFaceInfo face = paper->GetFaceInfo(0);
    const QPoint c = RectCenter(face.Rect) * 100 / 254;
    const int left = face.Rect.Left * 100 / 254;
    bool edge = false;
    for (int dx = -1; dx <= 1; ++dx)
        edge = edge || IsInk(page.pixel(left + dx, c.y()));
    EXPECT_TRUE(edge);
}

TEST(ToolPrint, BarcodesPrintedToPdfDecodeBandedAndUnbanded)
{
    QTemporaryDir dir;
    const QString tool = BinaryDir() + QStringLiteral("/src/velmo-tool");
    const QString work = dir.filePath(QStringLiteral("codes.lbd"));
    ProcessResult r = RunProgram(tool, {QStringLiteral("new"), QStringLiteral("--paper"),
                                        QStringLiteral("A4 4面 105×148.5mm"), QStringLiteral("--design"),
                                        QStringLiteral("each"), work});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    for (const char* position : {"0", "3"}) {
        r = RunProgram(tool,
                       {QStringLiteral("put-label"), work, QStringLiteral("0"), QString::fromLatin1(position),
                        TestDataPath(QStringLiteral("barcode/label-design.txt"))});
        ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    }
    for (const char* banding : {"--no-banding", "--banding"}) {
        const QString pdf = dir.filePath(QStringLiteral("codes%1.pdf").arg(QLatin1String(banding)));
        r = RunProgram(tool,
                       {QStringLiteral("print"), work, QStringLiteral("--copies"), QStringLiteral("2"),
                        QStringLiteral("--frames"), QStringLiteral("--offset"), QStringLiteral("1.0,1.0"),
                        QString::fromLatin1(banding), QStringLiteral("--pdf"), pdf});
        ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
        int pages = 0;
        QSizeF size;
        ASSERT_TRUE(PdfInfo(pdf, pages, size));
        EXPECT_EQ(pages, 2);
        const QImage page = RasterisePdf(pdf, 2, 300);
        ASSERT_FALSE(page.isNull());
        // Each label decoded on its own: positions 0 and 3 carry both symbols, 1 and 2
        // nothing.
        auto document = [&] {
            RegisterLabelDataClasses();
            return TLabelData::Open(work);
        }();
        for (int k = 0; k < document->LabelCount(); ++k) {
            const TLogRect rect = document->LabelRect(k);
            const QRect pixels(MulDiv(rect.Left + 10, 300, 254), MulDiv(rect.Top + 10, 300, 254),
                               MulDiv(rect.Width(), 300, 254), MulDiv(rect.Height(), 300, 254));
            const QString png = dir.filePath(QStringLiteral("label%1.png").arg(k));
            ASSERT_TRUE(page.copy(pixels).save(png));
            r = RunProgram(QStringLiteral("zbarimg"), {QStringLiteral("-q"), png});
            const bool designed = k == 0 || k == 3;
            EXPECT_EQ(r.StdOut.contains("EAN-13:4901234567894\n"), designed)
                << banding << k << r.StdOut.toStdString();
            EXPECT_EQ(r.StdOut.contains("CODE-128:Sheet-128\n"), designed)
                << banding << k << r.StdOut.toStdString();
        }
    }
}

TEST(ToolPrint, CtrlCEndsTheJobAsAbortedAndLeavesNoPdf)
{
    QTemporaryDir dir;
    const QString tool = BinaryDir() + QStringLiteral("/src/velmo-tool");
    const QString work = dir.filePath(QStringLiteral("codes.lbd"));
    ProcessResult r = RunProgram(
        tool, {QStringLiteral("new"), QStringLiteral("--paper"), QStringLiteral("A4 4面 105×148.5mm"), work});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    r = RunProgram(tool, {QStringLiteral("put-label"), work, QStringLiteral("0"), QStringLiteral("0"),
                          TestDataPath(QStringLiteral("barcode/label-design.txt"))});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkdir(out));
    const QString pdf = out + QStringLiteral("/big.pdf");
    QProcess p;
    p.start(tool, {QStringLiteral("print"), work, QStringLiteral("--copies"), QStringLiteral("99"),
                   QStringLiteral("--banding"), QStringLiteral("--dpi"), QStringLiteral("1200"),
                   QStringLiteral("--pdf"), pdf});
    ASSERT_TRUE(p.waitForStarted());
    // Interrupted while the job runs (99 sheets at 1200 dpi take far longer); the file
    // being written beside the target may have no name yet (an unnamed temporary file).
    QThread::msleep(4000);
    ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()).trimmed(),
              QStringLiteral("velmo-tool: 印刷を中断しました"));
    EXPECT_TRUE(Entries(out).isEmpty()) << Entries(out).join(u' ').toStdString();
}
