#pragma once
// The print dialog "ラベルシートの印刷" with its small sheet view of the chosen faces,
// the printing window with its progress bar and abort question, and the print
// command that joins them to the print run.
#include "print/UPrintSheet.h"
#include <QDialog>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QPrinter;

namespace velmo {

class TLabelData;
class TMillimetreEdit;
class TPaperInfo;
class TPaperSite;

// 0x0080FF as 0x00BBGGRR: orange, the colour of faces that will be printed.
constexpr TColor kPrintFaceColor = 0x0080FF;

// The dialog's settings, remembered while the application runs (never stored).
struct TPrintDialogSettings
{
    int Copies = 1;
    bool PrintFrames = false;
    bool PrintCutLines = false;
    bool PrintPaperImages = false;
    int OffsetTop = 0;  // tenths of a millimetre, downward
    int OffsetLeft = 0; // tenths of a millimetre, to the right
    bool AllFaces = true;
    bool CountSelectedOnly = false;
    QByteArray Selection;
    // Where the print goes: a printer's name, or a PDF file when ToPdf.
    QString PrinterName;
    bool ToPdf = false;
    QString PdfFile;

    // CountSelectedOnly is false whenever all faces are printed.
    TPrintSpec Spec() const;
};
TPrintDialogSettings& PrintDialogSettings();
// Back to the settings of a fresh start (tests).
void ResetPrintDialogSettings();

class TfrmPrintPaper : public QDialog
{
public:
    TfrmPrintPaper(TPaperInfo& paper, QWidget* parent = nullptr);
    ~TfrmPrintPaper() override;

    // Controls, for the window's users and tests.
    QSpinBox* CopiesEdit() const { return FCopies; }
    QRadioButton* AllFacesButton() const { return FAll; }
    QRadioButton* ChosenFacesButton() const { return FChosen; }
    QCheckBox* FramesBox() const { return FFrames; }
    QCheckBox* CutLinesBox() const { return FCutLines; }
    QCheckBox* PaperImagesBox() const { return FPaperImages; }
    QCheckBox* CountSelectedOnlyBox() const { return FCountSelected; }
    TMillimetreEdit* TopEdit() const { return FTop; }
    TMillimetreEdit* LeftEdit() const { return FLeft; }
    TPaperSite* Sheet() const { return FSheet; }
    QComboBox* OutputBox() const { return FOutput; }
    QLineEdit* PdfEdit() const { return FPdfFile; }
    // The faces marked on the sheet view, one byte per face.
    QByteArray Marks() const;
    void SetMark(int face, bool value);
    // The message shown when starting is refused (for tests: shown in a box unless
    // a handler is set).
    std::function<void(const QString&)> OnRefuse;

    void accept() override;

private:
    void FacesModeChanged();
    void OutputChanged();
    void ChoosePdfFile();
    void PrinterSetup();
    void Refuse(const QString& message);

    TPaperInfo& FPaper;
    QSpinBox* FCopies = nullptr;
    QCheckBox* FFrames = nullptr;
    QCheckBox* FCutLines = nullptr;
    QCheckBox* FPaperImages = nullptr;
    TMillimetreEdit* FTop = nullptr;
    TMillimetreEdit* FLeft = nullptr;
    QRadioButton* FAll = nullptr;
    QRadioButton* FChosen = nullptr;
    QCheckBox* FCountSelected = nullptr;
    QWidget* FSheetHolder = nullptr;
    TPaperSite* FSheet = nullptr;
    QComboBox* FOutput = nullptr;
    QLineEdit* FPdfFile = nullptr;
    QPushButton* FBrowse = nullptr;
    QPushButton* FSetup = nullptr;
    QPushButton* FStart = nullptr;
    QByteArray FRemembered;
};

// A phased progress shown on a progress bar (range 0 … 10000).
class TSTDPhasedProgress : public TPhasedProgressBase
{
public:
    explicit TSTDPhasedProgress(QProgressBar* bar);

protected:
    void Show(int position) override;

private:
    QProgressBar* FBar;
};

// "印刷中です。少しお待ちください．．．": a progress bar and 中止. Closing it while a
// run goes on asks "印刷を中断しますか？"; Yes calls OnAbort, and the window stays
// until the run has unwound.
class TfrmPrinting : public QDialog
{
public:
    explicit TfrmPrinting(QWidget* parent = nullptr);
    QProgressBar* Bar() const { return FBar; }
    void SetRunning(bool value) { FRunning = value; }
    std::function<void()> OnAbort;
    // Answers the abort question (tests); without it a message box asks.
    std::function<bool()> AskAbort;
    void RequestAbort();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QProgressBar* FBar;
    bool FRunning = false;
};

struct TPrintCommandHooks
{
    // Stores the label being edited into the document before the run.
    std::function<void()> StoreLayout;
    // The "Banding" setting; printers band without one, PDF files never band.
    std::function<bool()> Banding;
    // Fills merge fields and serial numbers of a face's objects.
    TPrintFaceHook FaceHook;
    // Shows a failure; a message box without one.
    std::function<void(const QString&)> ShowError;
    // Called with the printing window once it shows (tests steer it).
    std::function<void(TfrmPrinting&)> OnPrintingWindow;
    // Skip the dialog and print with the remembered settings (tests, batch).
    bool NoDialog = false;
};

// How the print command names its job for a document's file name (empty for a
// document never saved): the application installs its title format; without one,
// PrintJobTitle.
void SetPrintJobTitleFormatter(std::function<QString(const QString& fileName)> formatter);
QString PrintCommandJobTitle(const QString& fileName);

// "プリンタ設定" of the main window: the system's printer dialog on the printer the
// print command uses, so that the printer and its settings chosen there are the
// ones 印刷 prints with. The dialog is replaced by run in tests (true for OK).
void ExecutePrinterSetup(QWidget* parent, const std::function<bool(QPrinter& printer)>& run = nullptr);
// The printer the print command prints through (its settings stay for the run).
QPrinter& PrintCommandPrinter();

// The print command: the dialog, then the run with the printing window. True when a
// job was printed to its end.
bool ExecutePrintCommand(QWidget* parent, TLabelData& document, const QString& fileName,
                         const TPrintCommandHooks& hooks = {});

} // namespace velmo
