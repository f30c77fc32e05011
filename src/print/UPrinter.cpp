#include "print/UPrinter.h"
#include "print/UPdfEngine.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "storage/UCompoundFile.h"
#include "storage/USafeFile.h"
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
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
    return QPageSize(QSizeF(portrait.width() / 10.0, portrait.height() / 10.0), QPageSize::Millimeter, QString(),
                     policy);
}

QSize TenthsOf(const QPageSize& size)
{
    const QSizeF mm = size.size(QPageSize::Millimeter);
    return QSize(int(std::lround(mm.width() * 10)), int(std::lround(mm.height() * 10)));
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
        throw EPrintError(QStringLiteral("用紙の大きさ（%1×%2mm）はPDFファイルにできません")
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
        throw EPrintError(QStringLiteral("PDFファイル「%1」を作れません（%2）").arg(FFileName, error.Message()));
    }
    // Whole points, as the page sizes of earlier files (and of PDF writers generally) are.
    const QSizeF portrait(std::round(FPortrait.width() / 254.0 * 72.0), std::round(FPortrait.height() / 254.0 * 72.0));
    FWriter = std::make_unique<TPdfPaintDevice>(FFile->Device(), FLandscape ? portrait.transposed() : portrait, FDpi);
    FWriter->SetTitle(FTitle);
    FWriter->SetCreator(QStringLiteral("ベルモ"));
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FWriter.get())) {
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
        throw EPrintError(QStringLiteral("PDFファイル「%1」を書けませんでした（%2）").arg(FFileName, error.Message()));
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
        throw EPrintError(QStringLiteral("用紙（%1×%2mm）がプリンタ「%3」のどの用紙よりも大きいため印刷できません")
                              .arg(MillimetreText(portraitSize.width()), MillimetreText(portraitSize.height()),
                                   FPrinter->printerName()));
    }
    FPrinter->setFullPage(false);
    if (!FPrinter->setPageSize(size))
        throw EPrintError(
            QStringLiteral("プリンタ「%1」に用紙「%2」を設定できません").arg(FPrinter->printerName(), size.name()));
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
    bool accepting = true;
    if (FPrinter->outputFormat() == QPrinter::NativeFormat) {
        if (!CupsKnows(FPrinter->printerName(), accepting))
            throw EPrintError(QStringLiteral("プリンタ「%1」が見つかりません").arg(FPrinter->printerName()));
        if (!accepting)
            throw EPrintError(QStringLiteral("プリンタ「%1」は印刷を受け付けていません").arg(FPrinter->printerName()));
    }
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FPrinter)) {
        FPainter.reset();
        throw EPrintError(QStringLiteral("プリンタ「%1」で印刷を始められません").arg(FPrinter->printerName()));
    }
    FPrinting = true;
    FPageCount = 1;
}

void TQtPrintDevice::NewPage()
{
    if (!FPrinting)
        return;
    if (!FPrinter->newPage())
        throw EPrintError(QStringLiteral("プリンタ「%1」で次のページを始められません").arg(FPrinter->printerName()));
    ++FPageCount;
}

void TQtPrintDevice::EndDoc()
{
    if (!FPrinting)
        return;
    FPrinting = false;
    // The job is handed to CUPS as the painter ends; a refusal shows only in the
    // library's last status, which Qt leaves unread.
    const bool native = FPrinter->outputFormat() == QPrinter::NativeFormat;
    if (native) {
        bool accepting = true;
        CupsKnows(FPrinter->printerName(), accepting); // resets the last status to this call's
    }
    const bool ended = FPainter->end();
    FPainter.reset();
    ForgetSharedImages();
    if (!ended || FPrinter->printerState() == QPrinter::Error)
        throw EPrintError(QStringLiteral("プリンタ「%1」に印刷データを送れませんでした").arg(FPrinter->printerName()));
    if (native && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        throw EPrintError(QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした（%2）")
                              .arg(FPrinter->printerName(), QString::fromUtf8(cupsLastErrorString())));
}

void TQtPrintDevice::Abort()
{
    if (!FPrinting)
        return;
    FPrinting = false;
    FPrinter->abort();
    if (FPainter && FPainter->isActive())
        FPainter->end();
    FPainter.reset();
    ForgetSharedImages();
}

bool TQtPrintDevice::Printing() const
{
    return FPrinting && FPrinter->printerState() != QPrinter::Aborted && FPrinter->printerState() != QPrinter::Error;
}

QPoint TQtPrintDevice::PhysicalOffset() const
{
    const QRectF paper = FPrinter->paperRect(QPrinter::DevicePixel);
    const QRectF page = FPrinter->pageRect(QPrinter::DevicePixel);
    return QPoint(int(std::lround(page.left() - paper.left())), int(std::lround(page.top() - paper.top())));
}

int TQtPrintDevice::DPI() const
{
    return FPrinter->resolution();
}

} // namespace velmo
