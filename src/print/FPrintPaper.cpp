#include "print/FPrintPaper.h"
#include "base/UDateTime.h"
#include "document/ULabelData.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "ui/FPosition.h"
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmo {

namespace {

const QString kCaption = QStringLiteral("ラベルシートの印刷");
const QString kNoFace = QStringLiteral("印刷するラベルが一つもありません");
const QString kPdfEntry = QStringLiteral("PDFファイルに保存");

QPrinter& SharedPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

} // namespace

QPrinter& PrintCommandPrinter()
{
    return SharedPrinter();
}

static std::function<QString(const QString&)>& JobTitleFormatter()
{
    static std::function<QString(const QString&)> formatter;
    return formatter;
}

void SetPrintJobTitleFormatter(std::function<QString(const QString& fileName)> formatter)
{
    JobTitleFormatter() = std::move(formatter);
}

QString PrintCommandJobTitle(const QString& fileName)
{
    return JobTitleFormatter() ? JobTitleFormatter()(fileName) : PrintJobTitle(fileName);
}

void ExecutePrinterSetup(QWidget* parent, const std::function<bool(QPrinter& printer)>& run)
{
    QPrinter& printer = SharedPrinter();
    const TPrintDialogSettings& remembered = PrintDialogSettings();
    printer.setOutputFormat(QPrinter::NativeFormat);
    if (!remembered.ToPdf && !remembered.PrinterName.isEmpty())
        printer.setPrinterName(remembered.PrinterName);
    bool accepted = false;
    if (run) {
        accepted = run(printer);
    } else {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("プリンタ設定"));
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted)
        return;
    // The next print dialog offers this printer and the run prints through it.
    TPrintDialogSettings& settings = PrintDialogSettings();
    settings.ToPdf = false;
    settings.PrinterName = printer.printerName();
}

namespace {

QString DefaultPdfName()
{
    return QDir::home().filePath(QStringLiteral("ラベル.pdf"));
}

} // namespace

TPrintSpec TPrintDialogSettings::Spec() const
{
    TPrintSpec spec;
    spec.Copies = Copies;
    spec.PrintFrames = PrintFrames;
    spec.PrintCutLines = PrintCutLines;
    spec.PrintPaperImages = PrintPaperImages;
    spec.Offset = QPoint(OffsetLeft, OffsetTop);
    spec.AllFaces = AllFaces;
    spec.Selection = Selection;
    spec.CountSelectedOnly = !AllFaces && CountSelectedOnly;
    return spec;
}

TPrintDialogSettings& PrintDialogSettings()
{
    static TPrintDialogSettings settings;
    return settings;
}

void ResetPrintDialogSettings()
{
    PrintDialogSettings() = TPrintDialogSettings();
}

// ---------------------------------------------------------------------------------

TfrmPrintPaper::TfrmPrintPaper(TPaperInfo& paper, QWidget* parent) : QDialog(parent), FPaper(paper)
{
    setObjectName(QStringLiteral("frmPrintPaper"));
    setWindowTitle(kCaption);
    const TPrintDialogSettings& settings = PrintDialogSettings();
    auto* main = new QVBoxLayout(this);

    // Where the print goes.
    auto* outputBox = new QGroupBox(QStringLiteral("出力先"), this);
    auto* outputGrid = new QGridLayout(outputBox);
    FOutput = new QComboBox(outputBox);
    const QStringList printers = PrinterNames();
    FOutput->addItems(printers);
    FOutput->addItem(kPdfEntry);
    int current = -1;
    if (settings.ToPdf)
        current = FOutput->count() - 1;
    else if (!settings.PrinterName.isEmpty())
        current = int(printers.indexOf(settings.PrinterName));
    if (current < 0)
        current = printers.isEmpty() ? FOutput->count() - 1
                                     : std::max(0, int(printers.indexOf(DefaultPrinterName())));
    FOutput->setCurrentIndex(current);
    FSetup = new QPushButton(QStringLiteral("プリンタ設定"), outputBox);
    FPdfFile = new QLineEdit(settings.PdfFile.isEmpty() ? DefaultPdfName() : settings.PdfFile, outputBox);
    FBrowse = new QPushButton(QStringLiteral("参照..."), outputBox);
    outputGrid->addWidget(new QLabel(QStringLiteral("プリンタ"), outputBox), 0, 0);
    outputGrid->addWidget(FOutput, 0, 1);
    outputGrid->addWidget(FSetup, 0, 2);
    outputGrid->addWidget(new QLabel(QStringLiteral("PDFファイル"), outputBox), 1, 0);
    outputGrid->addWidget(FPdfFile, 1, 1);
    outputGrid->addWidget(FBrowse, 1, 2);
    main->addWidget(outputBox);

    auto* columns = new QHBoxLayout;
    main->addLayout(columns);
    auto* left = new QVBoxLayout;
    columns->addLayout(left);

    auto* copiesRow = new QHBoxLayout;
    FCopies = new QSpinBox(this);
    FCopies->setRange(1, kMaxPrintCopies);
    FCopies->setValue(settings.Copies);
    auto* copiesLabel = new QLabel(QStringLiteral("印刷部数(1～99)"), this);
    copiesLabel->setBuddy(FCopies);
    copiesRow->addWidget(copiesLabel);
    copiesRow->addWidget(FCopies);
    copiesRow->addStretch();
    left->addLayout(copiesRow);

    FFrames = new QCheckBox(QStringLiteral("ラベル枠線を印刷(&F)"), this);
    FFrames->setChecked(settings.PrintFrames);
    FCutLines = new QCheckBox(QStringLiteral("切り取り線を印刷(&C)"), this);
    FCutLines->setChecked(settings.PrintCutLines);
    FPaperImages = new QCheckBox(QStringLiteral("用紙柄を印刷(&I)"), this);
    FPaperImages->setChecked(settings.PrintPaperImages);
    left->addWidget(FFrames);
    left->addWidget(FCutLines);
    left->addWidget(FPaperImages);

    auto* offsetBox = new QGroupBox(QStringLiteral("印刷位置微調整"), this);
    auto* offsetGrid = new QGridLayout(offsetBox);
    FTop = new TMillimetreEdit(-kMaxPrintOffset, kMaxPrintOffset, offsetBox);
    FTop->SetValue(settings.OffsetTop);
    FLeft = new TMillimetreEdit(-kMaxPrintOffset, kMaxPrintOffset, offsetBox);
    FLeft->SetValue(settings.OffsetLeft);
    auto* topLabel = new QLabel(QStringLiteral("上から(&T)"), offsetBox);
    topLabel->setBuddy(FTop->SpinBox());
    auto* leftLabel = new QLabel(QStringLiteral("左から(&L)"), offsetBox);
    leftLabel->setBuddy(FLeft->SpinBox());
    offsetGrid->addWidget(topLabel, 0, 0);
    offsetGrid->addWidget(FTop, 0, 1);
    offsetGrid->addWidget(
        new QLabel(QStringLiteral("プラスの指定で全体の印刷位置を下にずらします"), offsetBox), 1, 0, 1, 2);
    offsetGrid->addWidget(leftLabel, 2, 0);
    offsetGrid->addWidget(FLeft, 2, 1);
    offsetGrid->addWidget(
        new QLabel(QStringLiteral("プラスの指定で全体の印刷位置を右にずらします"), offsetBox), 3, 0, 1, 2);
    left->addWidget(offsetBox);

    auto* numberingBox = new QGroupBox(QStringLiteral("ナンバリングの設定"), this);
    auto* numberingLayout = new QVBoxLayout(numberingBox);
    FCountSelected = new QCheckBox(QStringLiteral("印刷ラベルで連続させる"), numberingBox);
    FCountSelected->setChecked(settings.CountSelectedOnly);
    numberingLayout->addWidget(FCountSelected);
    left->addWidget(numberingBox);
    left->addStretch();

    auto* facesBox = new QGroupBox(QStringLiteral("印刷ラベル面"), this);
    auto* facesLayout = new QVBoxLayout(facesBox);
    FAll = new QRadioButton(QStringLiteral("全ラベル(&A)"), facesBox);
    FChosen = new QRadioButton(QStringLiteral("指定ラベル(&S)"), facesBox);
    auto* group = new QButtonGroup(this);
    group->addButton(FAll);
    group->addButton(FChosen);
    auto* radios = new QHBoxLayout;
    radios->addWidget(FAll);
    radios->addWidget(FChosen);
    facesLayout->addLayout(radios);
    FSheetHolder = new QFrame(facesBox);
    FSheetHolder->setFixedSize(210, 290);
    facesLayout->addWidget(FSheetHolder, 0, Qt::AlignHCenter);
    FSheet = new TPaperSite(nullptr, FSheetHolder);
    FSheet->SetColor(clWhite);
    FSheet->SetFaceColor(kPrintFaceColor);
    FSheet->SetMultiSelect(true);
    FSheet->setGeometry(FSheetHolder->contentsRect());
    FSheet->SetPaper(&FPaper);
    auto* note = new QLabel(QStringLiteral("オレンジ色で表示されているラベルを印刷します"), facesBox);
    note->setWordWrap(true);
    facesLayout->addWidget(note);
    columns->addWidget(facesBox);

    auto* buttons = new QDialogButtonBox(this);
    FStart = buttons->addButton(QStringLiteral("印刷開始"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FStart->setDefault(true);
    main->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPrintPaper::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmPrintPaper::reject);

    // The remembered choice holds for a paper with as many faces; otherwise the sheet
    // view's marks (none yet) replace it.
    const int faces = FPaper.GetFaceCount();
    FRemembered = settings.Selection.size() == faces ? settings.Selection : Marks();
    (settings.AllFaces ? FAll : FChosen)->setChecked(true);
    connect(FAll, &QRadioButton::toggled, this, [this] { FacesModeChanged(); });
    connect(FOutput, &QComboBox::currentIndexChanged, this, [this] { OutputChanged(); });
    connect(FBrowse, &QPushButton::clicked, this, [this] { ChoosePdfFile(); });
    connect(FSetup, &QPushButton::clicked, this, [this] { PrinterSetup(); });
    FSheet->OnFaceClick = [this](TPaperSite*) {
        if (FChosen->isChecked())
            FRemembered = Marks();
    };
    FacesModeChanged();
    OutputChanged();
}

TfrmPrintPaper::~TfrmPrintPaper() = default;

QByteArray TfrmPrintPaper::Marks() const
{
    const int faces = FPaper.GetFaceCount();
    QByteArray marks(faces, 0);
    for (int i = 0; i < faces; ++i)
        marks[i] = FSheet->IsChosen(i) ? 1 : 0;
    return marks;
}

void TfrmPrintPaper::SetMark(int face, bool value)
{
    if (!FChosen->isChecked())
        return;
    FSheet->SetChosen(face, value);
    FRemembered = Marks();
    FSheet->update();
}

void TfrmPrintPaper::FacesModeChanged()
{
    const int faces = FPaper.GetFaceCount();
    if (FAll->isChecked()) {
        for (int i = 0; i < faces; ++i)
            FSheet->SetChosen(i, true);
        FSheet->setEnabled(false);
        FCountSelected->setEnabled(false);
    } else {
        bool any = false;
        for (int i = 0; i < faces; ++i) {
            const bool marked = i < FRemembered.size() && FRemembered[i] == 1;
            FSheet->SetChosen(i, marked);
            any = any || marked;
        }
        if (!any && faces > 0)
            FSheet->SetChosen(0, true);
        FRemembered = Marks();
        FSheet->setEnabled(true);
        FCountSelected->setEnabled(true);
    }
    FSheet->update();
}

void TfrmPrintPaper::OutputChanged()
{
    const bool pdf = FOutput->currentText() == kPdfEntry && FOutput->currentIndex() == FOutput->count() - 1;
    FPdfFile->setEnabled(pdf);
    FBrowse->setEnabled(pdf);
    FSetup->setEnabled(!pdf);
}

void TfrmPrintPaper::ChoosePdfFile()
{
    const QString name = QFileDialog::getSaveFileName(
        this, QStringLiteral("PDFファイルに保存"), FPdfFile->text(), QStringLiteral("PDFファイル (*.pdf)"));
    if (!name.isEmpty())
        FPdfFile->setText(name);
}

void TfrmPrintPaper::PrinterSetup()
{
    QPrinter& printer = SharedPrinter();
    if (FOutput->currentIndex() < FOutput->count() - 1)
        printer.setPrinterName(FOutput->currentText());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("プリンタ設定"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int index = FOutput->findText(printer.printerName());
    if (index >= 0)
        FOutput->setCurrentIndex(index);
}

void TfrmPrintPaper::Refuse(const QString& message)
{
    if (OnRefuse)
        OnRefuse(message);
    else
        QMessageBox::warning(this, kCaption, message);
}

void TfrmPrintPaper::accept()
{
    const QByteArray marks = Marks();
    if (FChosen->isChecked() && !marks.contains(char(1))) {
        Refuse(kNoFace);
        return;
    }
    const bool pdf = FOutput->currentIndex() == FOutput->count() - 1;
    if (pdf && FPdfFile->text().trimmed().isEmpty()) {
        Refuse(QStringLiteral("PDFファイルの名前を入力してください"));
        return;
    }
    TPrintDialogSettings& settings = PrintDialogSettings();
    settings.Copies = FCopies->value();
    settings.PrintFrames = FFrames->isChecked();
    settings.PrintCutLines = FCutLines->isChecked();
    settings.PrintPaperImages = FPaperImages->isChecked();
    settings.OffsetTop = FTop->Value();
    settings.OffsetLeft = FLeft->Value();
    settings.AllFaces = FAll->isChecked();
    settings.CountSelectedOnly = FCountSelected->isChecked();
    settings.Selection = FAll->isChecked() ? FRemembered : marks;
    settings.ToPdf = pdf;
    if (pdf)
        settings.PdfFile = FPdfFile->text().trimmed();
    else
        settings.PrinterName = FOutput->currentText();
    QDialog::accept();
}

// ---------------------------------------------------------------------------------

TSTDPhasedProgress::TSTDPhasedProgress(QProgressBar* bar) : FBar(bar)
{
    if (FBar) {
        FBar->setRange(0, kPhasedRange);
        FBar->setValue(0);
    }
}

void TSTDPhasedProgress::Show(int position)
{
    if (FBar && FBar->value() != position)
        FBar->setValue(position);
}

TfrmPrinting::TfrmPrinting(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrinting"));
    setWindowTitle(QStringLiteral("印刷中です。少しお待ちください．．．"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("印刷中です。少しお待ちください．．．"), this));
    FBar = new QProgressBar(this);
    FBar->setMinimumWidth(360);
    layout->addWidget(FBar);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* stop = buttons->addButton(QStringLiteral("中止"), QDialogButtonBox::RejectRole);
    connect(stop, &QPushButton::clicked, this, [this] { RequestAbort(); });
    layout->addWidget(buttons);
}

void TfrmPrinting::RequestAbort()
{
    if (!FRunning)
        return;
    const bool yes =
        AskAbort
            ? AskAbort()
            : QMessageBox::question(this, windowTitle(), QStringLiteral("印刷を中断しますか？"),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    if (yes && OnAbort)
        OnAbort();
}

void TfrmPrinting::closeEvent(QCloseEvent* event)
{
    if (FRunning) {
        // The window stays until the run has unwound.
        event->ignore();
        RequestAbort();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmPrinting::reject()
{
    if (FRunning) {
        RequestAbort();
        return;
    }
    QDialog::reject();
}

// ---------------------------------------------------------------------------------

bool ExecutePrintCommand(QWidget* parent, TLabelData& document, const QString& fileName,
                         const TPrintCommandHooks& hooks)
{
    auto showError = [&](const QString& message) {
        if (hooks.ShowError)
            hooks.ShowError(message);
        else
            QMessageBox::warning(parent, kCaption, message);
    };
    TPaperInfo* paper = document.Paper();
    if (!paper) {
        showError(QStringLiteral("このシートには用紙がありません"));
        return false;
    }
    if (!hooks.NoDialog) {
        TfrmPrintPaper dialog(*paper, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    const TPrintDialogSettings settings = PrintDialogSettings();
    document.SetLastPrint(DateTimeToDayCount(QDateTime::currentDateTime()));

    // A modal pop-up: the other windows wait, the cursor is an hourglass.
    QPointer<QWidget> active = QApplication::activeWindow();
    std::vector<QPointer<QWidget>> disabled;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isEnabled()) {
            w->setEnabled(false);
            disabled.emplace_back(w);
        }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto window = std::make_unique<TfrmPrinting>(parent);
    window->setEnabled(true);
    window->show();
    struct TRestore
    {
        std::vector<QPointer<QWidget>>& Disabled;
        QPointer<QWidget>& Active;
        std::unique_ptr<TfrmPrinting>& Window;
        ~TRestore()
        {
            Window.reset();
            for (QPointer<QWidget>& w : Disabled)
                if (w)
                    w->setEnabled(true);
            if (Active)
                Active->activateWindow();
            QApplication::restoreOverrideCursor();
        }
    } restore{disabled, active, window};

    bool printed = false;
    try {
        if (hooks.StoreLayout)
            hooks.StoreLayout();
        std::unique_ptr<TPrintDevice> device;
        if (settings.ToPdf) {
            device = std::make_unique<TPdfPrintDevice>(settings.PdfFile);
        } else {
            QPrinter& printer = SharedPrinter();
            printer.setOutputFormat(QPrinter::NativeFormat);
            printer.setPrinterName(settings.PrinterName);
            device = std::make_unique<TQtPrintDevice>(printer);
        }
        device->SetTitle(PrintCommandJobTitle(fileName));
        TSTDPhasedProgress progress(window->Bar());
        TPrintSite site(document, progress, settings.Spec());
        if (hooks.FaceHook)
            site.SetFaceHook(hooks.FaceHook);
        // A PDF file is a vector device: never banded. For printers the setting is
        // read for every face, as the run asks.
        if (settings.ToPdf)
            site.SetBandingSetting([] { return false; });
        else if (hooks.Banding)
            site.SetBandingSetting(hooks.Banding);
        // The window is repainted and 中止 is seen a hundred times a second; asking
        // after every object of a long run would cost more than the drawing.
        QElapsedTimer sincePump;
        sincePump.start();
        site.SetMessagePump([&sincePump] {
            if (sincePump.elapsed() >= 10) {
                QCoreApplication::processEvents();
                sincePump.restart();
            }
        });
        window->OnAbort = [&site] { site.SetAborted(true); };
        window->SetRunning(true);
        if (hooks.OnPrintingWindow)
            hooks.OnPrintingWindow(*window);
        struct TStopped
        {
            TfrmPrinting& Window;
            ~TStopped() { Window.SetRunning(false); }
        } stopped{*window};
        site.PrintRun(*device);
        printed = !site.Aborted();
    } catch (const std::exception& error) {
        window->SetRunning(false);
        window->hide();
        showError(ExceptionText(error));
        return false;
    }
    return printed;
}

} // namespace velmo
