// The print dialog's rules (remembered settings, the face choice on its small sheet
// view, refusing to start without a face) and the print command's printing window
// (progress, abort question, no PDF after an abort).
#include "PrintTestSupport.h"
#include "objects/ULOFace.h"
#include "print/FPrintPaper.h"
#include "ui/FPosition.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {
struct TFreshSettings
{
    TFreshSettings() { ResetPrintDialogSettings(); }
    ~TFreshSettings() { ResetPrintDialogSettings(); }
};
} // namespace

TEST(PrintDialog, OpensWithTheStartingSettingsAndEveryFaceMarked)
{
    TFreshSettings fresh;
    auto paper = TwelveUpPaper();
    TfrmPrintPaper dialog(*paper);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ラベルシートの印刷"));
    EXPECT_EQ(dialog.CopiesEdit()->value(), 1);
    EXPECT_EQ(dialog.CopiesEdit()->minimum(), 1);
    EXPECT_EQ(dialog.CopiesEdit()->maximum(), 99);
    EXPECT_FALSE(dialog.FramesBox()->isChecked());
    EXPECT_FALSE(dialog.CutLinesBox()->isChecked());
    EXPECT_FALSE(dialog.PaperImagesBox()->isChecked());
    EXPECT_EQ(dialog.TopEdit()->Value(), 0);
    EXPECT_EQ(dialog.LeftEdit()->Value(), 0);
    EXPECT_DOUBLE_EQ(dialog.TopEdit()->SpinBox()->minimum(), -99.9);
    EXPECT_DOUBLE_EQ(dialog.TopEdit()->SpinBox()->maximum(), 99.9);
    EXPECT_TRUE(dialog.AllFacesButton()->isChecked());
    EXPECT_FALSE(dialog.CountSelectedOnlyBox()->isChecked());
    EXPECT_FALSE(dialog.CountSelectedOnlyBox()->isEnabled());
    EXPECT_EQ(dialog.Marks(), QByteArray(12, 1));
    EXPECT_FALSE(dialog.Sheet()->isEnabled());
    EXPECT_EQ(FaceAt(dialog.Sheet(), 3)->FaceColor(), kPrintFaceColor);
}

TEST(PrintDialog, ChosenFacesStartWithFaceZeroAndAreRemembered)
{
    TFreshSettings fresh;
    auto paper = TwelveUpPaper();
    {
        TfrmPrintPaper dialog(*paper);
        dialog.ChosenFacesButton()->setChecked(true);
        EXPECT_TRUE(dialog.CountSelectedOnlyBox()->isEnabled());
        EXPECT_TRUE(dialog.Sheet()->isEnabled());
        QByteArray expected(12, 0);
        expected[0] = 1;
        EXPECT_EQ(dialog.Marks(), expected);
        dialog.SetMark(0, false);
        dialog.SetMark(1, true);
        dialog.SetMark(3, true);
        dialog.CountSelectedOnlyBox()->setChecked(true);
        dialog.CopiesEdit()->setValue(2);
        dialog.FramesBox()->setChecked(true);
        dialog.LeftEdit()->SetValue(20);
        dialog.TopEdit()->SetValue(-15);
        dialog.PdfEdit()->setText(QStringLiteral("/tmp/x.pdf"));
        dialog.OutputBox()->setCurrentIndex(dialog.OutputBox()->count() - 1);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    const TPrintDialogSettings& settings = PrintDialogSettings();
    const TPrintSpec spec = settings.Spec();
    EXPECT_EQ(spec.Copies, 2);
    EXPECT_TRUE(spec.PrintFrames);
    EXPECT_EQ(spec.Offset, QPoint(20, -15));
    EXPECT_FALSE(spec.AllFaces);
    EXPECT_TRUE(spec.CountSelectedOnly);
    EXPECT_EQ(spec.SelectedCount(12), 2);
    EXPECT_TRUE(spec.Selected(1));
    EXPECT_TRUE(spec.Selected(3));
    EXPECT_TRUE(settings.ToPdf);
    EXPECT_EQ(settings.PdfFile, QStringLiteral("/tmp/x.pdf"));
    {
        // Opened again: the same choice.
        TfrmPrintPaper dialog(*paper);
        EXPECT_TRUE(dialog.ChosenFacesButton()->isChecked());
        EXPECT_EQ(dialog.Marks(), settings.Selection);
        EXPECT_EQ(dialog.CopiesEdit()->value(), 2);
        EXPECT_EQ(dialog.LeftEdit()->Value(), 20);
        // All faces: every face marked, the choice kept for later, no counting of
        // chosen faces.
        dialog.AllFacesButton()->setChecked(true);
        EXPECT_EQ(dialog.Marks(), QByteArray(12, 1));
        dialog.ChosenFacesButton()->setChecked(true);
        EXPECT_EQ(dialog.Marks(), settings.Selection);
        dialog.AllFacesButton()->setChecked(true);
        dialog.accept();
    }
    EXPECT_FALSE(PrintDialogSettings().Spec().CountSelectedOnly);
    EXPECT_TRUE(PrintDialogSettings().Spec().AllFaces);
    {
        // A paper with another number of faces replaces the remembered choice.
        PrintDialogSettings().AllFaces = false;
        auto cd = CdPaper();
        TfrmPrintPaper dialog(*cd);
        EXPECT_EQ(dialog.Marks(), QByteArray::fromHex("0100"));
    }
}

TEST(PrintDialog, StartingWithoutAChosenFaceIsRefusedAndTheDialogStays)
{
    TFreshSettings fresh;
    auto paper = TwelveUpPaper();
    TfrmPrintPaper dialog(*paper);
    QStringList refused;
    dialog.OnRefuse = [&](const QString& m) { refused << m; };
    dialog.ChosenFacesButton()->setChecked(true);
    dialog.SetMark(0, false);
    dialog.CopiesEdit()->setValue(5);
    dialog.accept();
    EXPECT_EQ(refused, QStringList{QStringLiteral("印刷するラベルが一つもありません")});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(PrintDialogSettings().Copies, 1); // nothing remembered
    // A PDF output without a file name is refused as well.
    dialog.SetMark(2, true);
    dialog.OutputBox()->setCurrentIndex(dialog.OutputBox()->count() - 1);
    dialog.PdfEdit()->setText(QStringLiteral("  "));
    dialog.accept();
    EXPECT_EQ(refused.size(), 2);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST(PrintCommand, PrintsToPdfWithItsWindowAndAnAbortLeavesNothing)
{
    TFreshSettings fresh;
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TPrintDialogSettings& settings = PrintDialogSettings();
    settings.ToPdf = true;
    settings.PdfFile = dir.filePath(QStringLiteral("cmd.pdf"));
    settings.Copies = 3;
    TPrintCommandHooks hooks;
    hooks.NoDialog = true;
    QStringList errors;
    hooks.ShowError = [&](const QString& m) { errors << m; };
    int windows = 0;
    QString caption;
    hooks.OnPrintingWindow = [&](TfrmPrinting& window) {
        ++windows;
        caption = window.windowTitle();
        EXPECT_EQ(window.Bar()->maximum(), 10000);
    };
    std::vector<int> counters;
    hooks.FaceHook = [&](TDOList&, int c) { counters.push_back(c); };
    bool stored = false;
    hooks.StoreLayout = [&] { stored = true; };
    EXPECT_TRUE(ExecutePrintCommand(nullptr, *document, QStringLiteral("/x/a.lbd"), hooks));
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(stored);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(caption, QStringLiteral("印刷中です。少しお待ちください．．．"));
    EXPECT_EQ(counters.size(), 36u);
    int pages = 0;
    QSizeF size;
    ASSERT_TRUE(PdfInfo(settings.PdfFile, pages, size));
    EXPECT_EQ(pages, 3);
    EXPECT_GT(document->LastPrint(), 40000.0);

    // Stopped from the window at face 5: answered No first (the run goes on), then Yes.
    const QString second = dir.filePath(QStringLiteral("stopped.pdf"));
    settings.PdfFile = second;
    counters.clear();
    TfrmPrinting* shown = nullptr;
    int asked = 0;
    hooks.OnPrintingWindow = [&](TfrmPrinting& window) {
        shown = &window;
        window.AskAbort = [&] { return ++asked == 2; };
    };
    hooks.FaceHook = [&](TDOList&, int c) {
        counters.push_back(c);
        if (c == 5 || c == 7)
            shown->RequestAbort();
    };
    EXPECT_FALSE(ExecutePrintCommand(nullptr, *document, QString(), hooks));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(counters.back(), 7);
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_TRUE(errors.isEmpty());

    // A failure is shown, and nothing is written.
    settings.PdfFile = dir.filePath(QStringLiteral("missing/x.pdf"));
    hooks.FaceHook = {};
    hooks.OnPrintingWindow = {};
    EXPECT_FALSE(ExecutePrintCommand(nullptr, *document, QString(), hooks));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("PDFファイル「")));
}

TEST(PrintCommand, TheJobIsNamedByTheInstalledTitleFormat)
{
    TFreshSettings fresh;
    QTemporaryDir dir;
    auto paper = TwelveUpPaper();
    auto document = FilledDocument(*paper);
    TPrintDialogSettings& settings = PrintDialogSettings();
    settings.ToPdf = true;
    settings.PdfFile = dir.filePath(QStringLiteral("titled.pdf"));
    TPrintCommandHooks hooks;
    hooks.NoDialog = true;
    QStringList named;
    SetPrintJobTitleFormatter([&](const QString& fileName) {
        named << fileName;
        return QStringLiteral("【%1】ラベル印刷").arg(QFileInfo(fileName).fileName());
    });
    EXPECT_EQ(PrintCommandJobTitle(QStringLiteral("/x/住所.lbd")), QStringLiteral("【住所.lbd】ラベル印刷"));
    ASSERT_TRUE(ExecutePrintCommand(nullptr, *document, QStringLiteral("/x/住所.lbd"), hooks));
    SetPrintJobTitleFormatter(nullptr);
    EXPECT_EQ(named.back(), QStringLiteral("/x/住所.lbd"));
    // The PDF carries the job's title (pdfinfo, an independent reader).
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {settings.PdfFile});
    ASSERT_TRUE(info.waitForFinished(60000));
    EXPECT_TRUE(
        QString::fromUtf8(info.readAllStandardOutput()).contains(QStringLiteral("【住所.lbd】ラベル印刷")));
    // Without a format: the plain title.
    EXPECT_EQ(PrintCommandJobTitle(QStringLiteral("/x/住所.lbd")),
              PrintJobTitle(QStringLiteral("/x/住所.lbd")));
}

TEST(PrintCommand, ThePrinterChosenInPrinterSetupIsTheOneTheRunUses)
{
    TFreshSettings fresh;
    PrintDialogSettings().ToPdf = true;
    QPrinter* seen = nullptr;
    // Cancelled: nothing changes.
    ExecutePrinterSetup(nullptr, [&](QPrinter& printer) {
        seen = &printer;
        return false;
    });
    EXPECT_EQ(seen, &PrintCommandPrinter()) << "the print command's own printer, not a throwaway one";
    EXPECT_TRUE(PrintDialogSettings().ToPdf);
    // Accepted with settings made in the dialog: they stay on the printer the run
    // prints through, and the next print dialog starts on that printer.
    ExecutePrinterSetup(nullptr, [&](QPrinter& printer) {
        printer.setCopyCount(2);
        printer.setDuplex(QPrinter::DuplexLongSide);
        return true;
    });
    EXPECT_FALSE(PrintDialogSettings().ToPdf);
    EXPECT_EQ(PrintDialogSettings().PrinterName, PrintCommandPrinter().printerName());
    EXPECT_EQ(PrintCommandPrinter().copyCount(), 2);
    PrintCommandPrinter().setCopyCount(1);
    PrintCommandPrinter().setDuplex(QPrinter::DuplexNone);
}
