#pragma once
// The printing layer the print run draws through: a print job on a device with a
// canvas, its resolution and the physical offset of its printable area. PDF files
// and CUPS queues are both written by our own PDF writer (UPdfEngine): a PDF file
// beside the target, renamed into place only when the job ended well and every byte
// reached the disk, so an aborted or failed job (a full disk included) leaves no
// partial PDF and the previous file as it was; a queue's job in a temporary file
// handed to the scheduler once complete. Other outputs go through QPrinter.
#include "base/UExceptions.h"
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QPrinter;
class QTemporaryFile;

namespace velmo {

class TReplacingFile;
class TPdfPaintDevice;

// A print job that could not be set up, started or finished; the message is the
// user's.
VELMO_DECLARE_EXCEPTION(EPrintError, Exception)

class TPrintDevice
{
public:
    virtual ~TPrintDevice() = default;
    // Before BeginDoc: the paper in tenths of a millimetre, portrait, and whether the
    // page is turned. Raises EPrintError when the device cannot take the paper.
    virtual void SetPaper(QSize portraitSize, bool landscape) = 0;
    virtual void SetTitle(const QString& title) = 0;
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    // Ends a job that went well; raises EPrintError when the output failed.
    virtual void EndDoc() = 0;
    // Ends the job as aborted: nothing of it is kept.
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
    virtual QPainter& Canvas() = 0;
    // Device pixels from the paper's corner to the printable area's corner.
    virtual QPoint PhysicalOffset() const = 0;
    // Pixels per inch (one value for both axes).
    virtual int DPI() const = 0;
    // Pages begun so far (the first page counts once BeginDoc succeeded).
    int PageCount() const { return FPageCount; }

protected:
    int FPageCount = 0;
};

// A PDF file: a vector device at the given resolution, the page exactly the paper.
class TPdfPrintDevice : public TPrintDevice
{
public:
    explicit TPdfPrintDevice(const QString& fileName, int dpi = 300);
    ~TPdfPrintDevice() override;
    void SetPaper(QSize portraitSize, bool landscape) override;
    void SetTitle(const QString& title) override { FTitle = title; }
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return FPrinting; }
    QPainter& Canvas() override { return *FPainter; }
    QPoint PhysicalOffset() const override { return {}; }
    int DPI() const override { return FDpi; }

private:
    void Discard();
    // Raises EPrintError once a write to the file has failed.
    void CheckWritten();
    QString FFileName;
    int FDpi;
    QString FTitle;
    QSize FPortrait;
    bool FLandscape = false;
    bool FPrinting = false;
    std::unique_ptr<TReplacingFile> FFile;
    std::unique_ptr<TPdfPaintDevice> FWriter;
    std::unique_ptr<QPainter> FPainter;
};

// One paper form of a printer.
struct TPrinterFormItem
{
    QString Name;   // up to 64 characters
    int Number = 0; // the form's identifier
    QSize Size;     // tenths of a millimetre, portrait
};

// The paper forms of a printer.
class TPrinterForm
{
public:
    TPrinterForm() = default;
    // The forms the named printer offers (the default printer when the name is empty).
    explicit TPrinterForm(const QString& printerName);
    int Count() const { return int(FForms.size()); }
    const TPrinterFormItem& Items(int index) const { return FForms.at(size_t(index)); }
    void Add(const TPrinterFormItem& item) { FForms.push_back(item); }
    // The first form whose width and height equal the size exactly, or -1.
    int FindForm(QSize size) const;
    // The smallest form that holds the size (either way round), or -1.
    int FindHoldingForm(QSize size) const;
    // The printer form's name, or "その他(W×Hmm)".
    QString SizeName(QSize size) const;

private:
    std::vector<TPrinterFormItem> FForms;
};

// The printers the system knows (CUPS destinations) and the default one.
QStringList PrinterNames();
QString DefaultPrinterName();

// A printer of the system, through QPrinter. The printer need not be the default.
// The QPrinter carries the user's choices (printer, paper, copies, sides, the
// driver's options); a CUPS queue gets the job as a PDF from our own writer, the
// same compact file a PDF export makes, handed over with those choices as job
// options. Only outputs that are not CUPS queues are drawn through QPrinter itself.
class TQtPrintDevice : public TPrintDevice
{
public:
    // Takes the printer as it is (settings from a printer setup dialog stay).
    explicit TQtPrintDevice(QPrinter& printer);
    // Raises EPrintError when no printer has that name.
    explicit TQtPrintDevice(const QString& printerName);
    ~TQtPrintDevice() override;
    void SetPaper(QSize portraitSize, bool landscape) override;
    void SetTitle(const QString& title) override;
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override;
    QPainter& Canvas() override { return *FPainter; }
    QPoint PhysicalOffset() const override;
    int DPI() const override;
    QPrinter& Printer() { return *FPrinter; }

private:
    // The job file for a CUPS queue (empty when drawing through QPrinter).
    bool Spooling() const { return FSpool != nullptr; }
    void BeginSpool();
    void SendSpool();
    void DiscardSpool();
    std::unique_ptr<QPrinter> FOwned;
    QPrinter* FPrinter;
    std::unique_ptr<QPainter> FPainter;
    std::unique_ptr<QTemporaryFile> FSpool;
    std::unique_ptr<TPdfPaintDevice> FWriter;
    bool FPrinting = false;
};

} // namespace velmo
