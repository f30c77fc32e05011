#include "print/UPrinter.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "print/UPdfEngine.h"
#include "storage/UCompoundFile.h"
#include "storage/USafeFile.h"
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <cmath>
#include <cups/cups.h>

namespace velmo {

namespace {

QString MillimetreText(int tenths)
{
    return tenths % 10 == 0 ? QString::number(tenths / 10) : QString::number(tenths / 10.0, 'f', 1);
}

QPageSize PortraitPageSize(QSize portrait, QPageSize::SizeMatchPolicy policy)
{
    return QPageSize(QSizeF(portrait.width() / 10.0, portrait.height() / 10.0), QPageSize::Millimeter,
                     QString(), policy);
}

QSize TenthsOf(const QPageSize& size)
{
    const QSizeF mm = size.size(QPageSize::Millimeter);
    return QSize(int(std::lround(mm.width() * 10)), int(std::lround(mm.height() * 10)));
}

// Our PDF writer over the output, with a painter begun on it; false when the painter
// could not begin (the caller discards both).
bool BeginWriter(QIODevice& out, QSizeF page, int dpi, const QString& title,
                 std::unique_ptr<TPdfPaintDevice>& writer, std::unique_ptr<QPainter>& painter)
{
    writer = std::make_unique<TPdfPaintDevice>(out, page, dpi);
    writer->SetTitle(title);
    writer->SetCreator(QStringLiteral("ベルモ"));
    painter = std::make_unique<QPainter>();
    return painter->begin(writer.get());
}

} // namespace

// ---------------------------------------------------------------------------------
// PDF

TPdfPrintDevice::TPdfPrintDevice(const QString& fileName, int dpi) : FFileName(fileName), FDpi(dpi) {}

TPdfPrintDevice::~TPdfPrintDevice()
{
    // A job never ended well is never kept.
    if (FFile)
        Discard();
}

void TPdfPrintDevice::SetPaper(QSize portraitSize, bool landscape)
{
    if (portraitSize.width() <= 0 || portraitSize.height() <= 0 || portraitSize.width() > 50000 ||
        portraitSize.height() > 50000)
        throw EPrintError(
            QStringLiteral("用紙の大きさ（%1×%2mm）はPDFファイルにできません")
                .arg(MillimetreText(portraitSize.width()), MillimetreText(portraitSize.height())));
    FPortrait = portraitSize;
    FLandscape = landscape;
}

void TPdfPrintDevice::BeginDoc()
{
    if (FPrinting)
        throw EPrintError(QStringLiteral("印刷中です"));
    if (FPortrait.isEmpty())
        throw EPrintError(QStringLiteral("用紙が決まっていません"));
    if (FFileName.isEmpty())
        throw EPrintError(QStringLiteral("PDFファイルの名前がありません"));
    try {
        FFile = std::make_unique<TReplacingFile>(FFileName);
    } catch (const EStorageError& error) {
        throw EPrintError(
            QStringLiteral("PDFファイル「%1」を作れません（%2）").arg(FFileName, error.Message()));
    }
    // Whole points, as the page sizes of earlier files (and of PDF writers generally) are.
    const QSizeF portrait(std::round(FPortrait.width() / 254.0 * 72.0),
                          std::round(FPortrait.height() / 254.0 * 72.0));
    if (!BeginWriter(FFile->Device(), FLandscape ? portrait.transposed() : portrait, FDpi, FTitle, FWriter,
                     FPainter)) {
        Discard();
        throw EPrintError(QStringLiteral("PDFファイル「%1」に印刷を始められません").arg(FFileName));
    }
    FPrinting = true;
    FPageCount = 1;
}

void TPdfPrintDevice::NewPage()
{
    if (!FPrinting)
        return;
    // The finished page has just been written out: a full disk stops the run here
    // rather than after the last page.
    CheckWritten();
    if (!FWriter->NewPage())
        throw EPrintError(QStringLiteral("PDFファイル「%1」に次のページを作れません").arg(FFileName));
    ++FPageCount;
}

void TPdfPrintDevice::EndDoc()
{
    if (!FPrinting)
        return;
    FPrinting = false;
    const bool ended = FPainter->end();
    FPainter.reset();
    FWriter.reset();
    ForgetSharedImages();
    try {
        if (!ended)
            throw EPrintError(QStringLiteral("PDFファイル「%1」を書き終えられませんでした").arg(FFileName));
        CheckWritten();
        FFile->Commit();
    } catch (const EStorageError& error) {
        Discard();
        throw EPrintError(
            QStringLiteral("PDFファイル「%1」を書けませんでした（%2）").arg(FFileName, error.Message()));
    } catch (...) {
        Discard();
        throw;
    }
    FFile.reset();
}

void TPdfPrintDevice::CheckWritten()
{
    if (FFile)
        FFile->Flush();
    if (FFile && FFile->Error() != 0) {
        try {
            FFile->ThrowIfFailed();
        } catch (const EStorageError& error) {
            throw EPrintError(
                QStringLiteral("PDFファイル「%1」を書けませんでした（%2）").arg(FFileName, error.Message()));
        }
    }
}

void TPdfPrintDevice::Abort()
{
    Discard();
}

void TPdfPrintDevice::Discard()
{
    ForgetSharedImages();
    FPrinting = false;
    if (FPainter && FPainter->isActive())
        FPainter->end();
    FPainter.reset();
    FWriter.reset();
    FFile.reset(); // an uncommitted file removes what it wrote
}

// ---------------------------------------------------------------------------------
// Printer forms

TPrinterForm::TPrinterForm(const QString& printerName)
{
    const QPrinterInfo info =
        printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
    if (info.isNull())
        return;
    for (const QPageSize& size : info.supportedPageSizes()) {
        TPrinterFormItem item;
        item.Name = size.name().left(64);
        item.Number = size.windowsId();
        item.Size = TenthsOf(size);
        FForms.push_back(item);
    }
}

int TPrinterForm::FindForm(QSize size) const
{
    for (size_t i = 0; i < FForms.size(); ++i)
        if (FForms[i].Size == size)
            return int(i);
    return -1;
}

int TPrinterForm::FindHoldingForm(QSize size) const
{
    int best = -1;
    int64_t bestArea = 0;
    for (size_t i = 0; i < FForms.size(); ++i) {
        const QSize f = FForms[i].Size;
        const bool holds = (f.width() >= size.width() && f.height() >= size.height()) ||
                           (f.height() >= size.width() && f.width() >= size.height());
        const int64_t area = int64_t(f.width()) * f.height();
        if (holds && (best < 0 || area < bestArea)) {
            best = int(i);
            bestArea = area;
        }
    }
    return best;
}

QString TPrinterForm::SizeName(QSize size) const
{
    const int i = FindForm(size);
    if (i >= 0)
        return FForms[size_t(i)].Name;
    return QStringLiteral("その他") +
           QStringLiteral("(%1×%2mm)").arg(MillimetreText(size.width()), MillimetreText(size.height()));
}

QStringList PrinterNames()
{
    return QPrinterInfo::availablePrinterNames();
}

QString DefaultPrinterName()
{
    return QPrinterInfo::defaultPrinterName();
}

// ---------------------------------------------------------------------------------
// Printers

TQtPrintDevice::TQtPrintDevice(QPrinter& printer) : FPrinter(&printer) {}

TQtPrintDevice::TQtPrintDevice(const QString& printerName)
{
    if (QPrinterInfo::printerInfo(printerName).isNull())
        throw EPrintError(QStringLiteral("プリンタ「%1」が見つかりません").arg(printerName));
    FOwned = std::make_unique<QPrinter>(QPrinter::HighResolution);
    FPrinter = FOwned.get();
    FPrinter->setPrinterName(printerName);
    if (!FPrinter->isValid())
        throw EPrintError(QStringLiteral("プリンタ「%1」が使えません").arg(printerName));
}

TQtPrintDevice::~TQtPrintDevice()
{
    if (FPrinting)
        Abort();
}

void TQtPrintDevice::SetPaper(QSize portraitSize, bool landscape)
{
    const TPrinterForm forms(FPrinter->printerName());
    const QPrinterInfo info = QPrinterInfo::printerInfo(FPrinter->printerName());
    int form = forms.FindForm(portraitSize);
    QPageSize size;
    if (form >= 0) {
        size = PortraitPageSize(forms.Items(form).Size, QPageSize::FuzzyMatch);
    } else if (info.supportsCustomPageSizes()) {
        size = PortraitPageSize(portraitSize, QPageSize::ExactMatch);
    } else if ((form = forms.FindHoldingForm(portraitSize)) >= 0) {
        // Labels are placed from the paper's corner: a larger form holds them all.
        size = PortraitPageSize(forms.Items(form).Size, QPageSize::FuzzyMatch);
    } else {
        throw EPrintError(
            QStringLiteral("用紙（%1×%2mm）がプリンタ「%3」のどの用紙よりも大きいため印刷できません")
                .arg(MillimetreText(portraitSize.width()), MillimetreText(portraitSize.height()),
                     FPrinter->printerName()));
    }
    FPrinter->setFullPage(false);
    if (!FPrinter->setPageSize(size))
        throw EPrintError(QStringLiteral("プリンタ「%1」に用紙「%2」を設定できません")
                              .arg(FPrinter->printerName(), size.name()));
    FPrinter->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TQtPrintDevice::SetTitle(const QString& title)
{
    FPrinter->setDocName(title);
}

namespace {

// CUPS destinations by name; other print systems are taken at their word.
bool CupsKnows(const QString& name, bool& accepting)
{
    accepting = true;
    const QByteArray n = name.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, n.constData(), nullptr);
    if (!dest)
        return false;
    if (const char* value = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options))
        accepting = qstrcmp(value, "false") != 0;
    cupsFreeDests(1, dest);
    return true;
}

} // namespace

void TQtPrintDevice::BeginDoc()
{
    if (FPrinting)
        throw EPrintError(QStringLiteral("印刷中です"));
    if (FPrinter->outputFormat() == QPrinter::NativeFormat) {
        bool accepting = true;
        if (!CupsKnows(FPrinter->printerName(), accepting))
            throw EPrintError(QStringLiteral("プリンタ「%1」が見つかりません").arg(FPrinter->printerName()));
        if (!accepting)
            throw EPrintError(
                QStringLiteral("プリンタ「%1」は印刷を受け付けていません").arg(FPrinter->printerName()));
        BeginSpool();
    } else {
        FPainter = std::make_unique<QPainter>();
        if (!FPainter->begin(FPrinter)) {
            FPainter.reset();
            throw EPrintError(
                QStringLiteral("プリンタ「%1」で印刷を始められません").arg(FPrinter->printerName()));
        }
    }
    FPrinting = true;
    FPageCount = 1;
}

void TQtPrintDevice::BeginSpool()
{
    const QString failed =
        QStringLiteral("プリンタ「%1」で印刷を始められません").arg(FPrinter->printerName());
    // A TMPDIR that names no folder leaves the toolkit's temporary path empty: the
    // job file must not land in whatever the working folder is.
    QString folder = QDir::tempPath();
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp");
    FSpool = std::make_unique<QTemporaryFile>(QDir(folder).filePath(QStringLiteral("velmo-job-XXXXXX.pdf")));
    if (!FSpool->open()) {
        const QString reason = FSpool->errorString();
        FSpool.reset();
        throw EPrintError(QStringLiteral("%1（%2）").arg(failed, reason));
    }
    // The whole paper in the chosen orientation: the job places labels from the
    // paper's corner, and the queue fits the page to what goes through the printer.
    const QRectF paper = FPrinter->pageLayout().fullRect(QPageLayout::Point);
    if (!BeginWriter(*FSpool, paper.size(), FPrinter->resolution(), FPrinter->docName(), FWriter, FPainter)) {
        DiscardSpool();
        throw EPrintError(failed);
    }
}

void TQtPrintDevice::NewPage()
{
    if (!FPrinting)
        return;
    const bool started = Spooling() ? FWriter->NewPage() && !FWriter->Failed() : FPrinter->newPage();
    if (!started)
        throw EPrintError(
            QStringLiteral("プリンタ「%1」で次のページを始められません").arg(FPrinter->printerName()));
    ++FPageCount;
}

void TQtPrintDevice::EndDoc()
{
    if (!FPrinting)
        return;
    FPrinting = false;
    if (Spooling()) {
        SendSpool();
        return;
    }
    const bool ended = FPainter->end();
    FPainter.reset();
    ForgetSharedImages();
    if (!ended || FPrinter->printerState() == QPrinter::Error)
        throw EPrintError(
            QStringLiteral("プリンタ「%1」に印刷データを送れませんでした").arg(FPrinter->printerName()));
}

namespace {

// The QPrinter's choices as CUPS job options.
class TJobOptions
{
public:
    ~TJobOptions() { cupsFreeOptions(FCount, FOptions); }
    void Add(const QByteArray& name, const QByteArray& value)
    {
        FCount = cupsAddOption(name.constData(), value.constData(), FCount, &FOptions);
    }
    int Count() const { return FCount; }
    cups_option_t* Options() const { return FOptions; }

private:
    int FCount = 0;
    cups_option_t* FOptions = nullptr;
};

// Where the print dialog's printer properties keep the driver's options: a list of
// name, value, name, value, ...
constexpr auto kCupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

void CollectJobOptions(QPrinter& printer, TJobOptions& options)
{
    const QPageLayout layout = printer.pageLayout();
    options.Add("media", layout.pageSize().key().toUtf8());
    if (printer.copyCount() > 1) {
        options.Add("copies", QByteArray::number(printer.copyCount()));
        if (printer.collateCopies())
            options.Add("Collate", "True");
    }
    const bool landscape = layout.orientation() == QPageLayout::Landscape;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        options.Add("sides", "one-sided");
        break;
    case QPrinter::DuplexAuto:
        options.Add("sides", landscape ? "two-sided-short-edge" : "two-sided-long-edge");
        break;
    case QPrinter::DuplexLongSide:
        options.Add("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.Add("sides", "two-sided-short-edge");
        break;
    }
    const QStringList driver = printer.printEngine()->property(kCupsOptionsKey).toStringList();
    for (qsizetype i = 0; i + 1 < driver.size(); i += 2)
        options.Add(driver[i].toUtf8(), driver[i + 1].toUtf8());
}

} // namespace

void TQtPrintDevice::SendSpool()
{
    const QString name = FPrinter->printerName();
    const bool ended = FPainter->end();
    FPainter.reset();
    const bool written =
        ended && !FWriter->Failed() && FSpool->flush() && FSpool->error() == QFileDevice::NoError;
    FWriter.reset();
    ForgetSharedImages();
    if (!written) {
        const QString reason = FSpool->errorString();
        DiscardSpool();
        throw EPrintError(
            QStringLiteral("プリンタ「%1」に印刷データを送れませんでした（%2）").arg(name, reason));
    }
    TJobOptions options;
    CollectJobOptions(*FPrinter, options);
    const QByteArray file = QFile::encodeName(FSpool->fileName());
    const QByteArray title = FPrinter->docName().toUtf8();
    const int job = cupsPrintFile(name.toUtf8().constData(), file.constData(), title.constData(),
                                  options.Count(), options.Options());
    DiscardSpool(); // the scheduler has its own copy once the call returns
    if (job <= 0 || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        throw EPrintError(QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした（%2）")
                              .arg(name, QString::fromUtf8(cupsLastErrorString())));
}

void TQtPrintDevice::DiscardSpool()
{
    if (FPainter && FPainter->isActive())
        FPainter->end();
    FPainter.reset();
    FWriter.reset();
    FSpool.reset(); // removes the job file
}

void TQtPrintDevice::Abort()
{
    if (!FPrinting)
        return;
    FPrinting = false;
    if (Spooling()) {
        DiscardSpool();
    } else {
        FPrinter->abort();
        if (FPainter && FPainter->isActive())
            FPainter->end();
        FPainter.reset();
    }
    ForgetSharedImages();
}

bool TQtPrintDevice::Printing() const
{
    if (Spooling())
        return FPrinting && !FWriter->Failed();
    return FPrinting && FPrinter->printerState() != QPrinter::Aborted &&
           FPrinter->printerState() != QPrinter::Error;
}

QPoint TQtPrintDevice::PhysicalOffset() const
{
    if (FPrinter->outputFormat() == QPrinter::NativeFormat)
        return {}; // a queue's job page is the whole paper
    const QRectF paper = FPrinter->paperRect(QPrinter::DevicePixel);
    const QRectF page = FPrinter->pageRect(QPrinter::DevicePixel);
    return QPoint(int(std::lround(page.left() - paper.left())), int(std::lround(page.top() - paper.top())));
}

int TQtPrintDevice::DPI() const
{
    return FPrinter->resolution();
}

} // namespace velmo
