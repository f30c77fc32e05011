// Printing through QPrinter to a queue of a private CUPS scheduler: started by
// tests/cups/private_cups_test.py, which names the queue and the folder its PDF
// backend writes to; skipped when run on its own.
#include "PrintTestSupport.h"
#include <QDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

TEST(PrivateCups, AFilledSheetThroughQPrinterLandsInsideEveryFace)
{
    const QString printer = qEnvironmentVariable("VELMO_TEST_CUPS_PRINTER");
    const QString out = qEnvironmentVariable("VELMO_TEST_CUPS_OUT");
    if (printer.isEmpty() || out.isEmpty())
        GTEST_SKIP() << "run by tests/cups/private_cups_test.py with a private scheduler";
    auto paper = CdPaper(20);
    auto document = FilledDocument(*paper, 0x2040C0);
    TQtPrintDevice device(printer);
    device.SetTitle(QStringLiteral("velmo-qprinter"));
    TPhasedProgress progress;
    TPrintSpec spec;
    TPrintSite site(*document, progress, spec);
    site.PrintRun(device);
    EXPECT_GT(device.DPI(), 0);
    // The job's page is the whole paper (the queue fits it to the printable area), so
    // the run places labels from the paper's corner.
    EXPECT_EQ(device.PhysicalOffset(), QPoint());
    QStringList pdfs;
    for (int i = 0; i < 240 && pdfs.isEmpty(); ++i) {
        QThread::msleep(500);
        pdfs = QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    }
    ASSERT_FALSE(pdfs.isEmpty()) << "the queue wrote no PDF";
    const QString pdf = QDir(out).filePath(pdfs.first());
    int pages = 0;
    QSizeF size;
    // The backend writes the file while converting: read it once it is whole.
    bool whole = false;
    for (int i = 0; i < 120 && !whole; ++i) {
        QThread::msleep(500);
        whole = PdfInfo(pdf, pages, size);
    }
    ASSERT_TRUE(whole);
    EXPECT_EQ(pages, 1);
    EXPECT_NEAR(size.width(), 595.3, 1.5);
    EXPECT_NEAR(size.height(), 841.9, 1.5);
    const QImage page = RasterisePdf(pdf, 1, 150);
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(InkOutsideFaces(page, *paper, 150, 2), 0);
    for (int i = 0; i < 2; ++i)
        EXPECT_GT(FaceInkCoverage(page, *paper, i, 150), 0.95) << i;
    page.save(QDir(out).filePath(QStringLiteral("qprinter-page.png")));
    QFile::remove(pdf);
}
