#pragma once
// A label kind of the tests' own (a filled rectangle), sample papers and documents,
// a print device that paints pages into pictures, and PDF rasterising through
// poppler's pdftoppm, the independent reader of what we write.
#include "document/ULabelData.h"
#include "objects/ULORectBase.h"
#include "paper/UPaperInfo.h"
#include "print/UPrintSheet.h"
#include <QImage>
#include <memory>
#include <vector>

namespace velmo::test {

// Fills its rectangle with one colour.
class TPrintTestRect : public TLORectBase
{
    VELMO_DRAW_OBJECT(TPrintTestRect, TLORectBase)
public:
    explicit TPrintTestRect(TComponent* owner = nullptr) : TLORectBase(owner) {}
    // Reading the colour kDamagedColor fails, as a damaged design does.
    static constexpr int kDamagedColor = 0x7F00DEAD;
    int Color() const { return FColor; }
    void SetColor(int value);
    void SetEncloseSize(int w, int h) override;
    void DrawGhost(QPainter& painter) override;
    void Paint(QPainter& painter) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    int FColor = 0x0000FF;
};

void RegisterPrintTestObjects();

// A4, 2 x 6 faces of 86.4 x 42.3 mm (12 positions).
std::unique_ptr<TMatrixPaperInfo> TwelveUpPaper();
// A4 with two CD faces (117 mm, 41 mm hole) and a bleed of margin.
std::unique_ptr<TMatrixPaperInfo> CdPaper(int margin = 0);

// A document whose every position (separate designs) holds one rectangle covering
// the label (or inset by inset units), in the given colour.
std::unique_ptr<TLabelData> FilledDocument(const TPaperInfo& paper, int color = 0x0000FF, int inset = 0,
                                           const std::vector<int>& positions = {});

// Pages painted into white pictures at dpi; the picture is the printable area,
// which begins physicalOffset pixels from the paper's corner.
class TImagePrintDevice : public TPrintDevice
{
public:
    explicit TImagePrintDevice(int dpi = 254, QPoint physicalOffset = {})
        : FDpi(dpi), FPhysical(physicalOffset)
    {
    }
    void SetPaper(QSize portrait, bool landscape) override;
    void SetTitle(const QString& title) override { Title = title; }
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return FPrinting; }
    QPainter& Canvas() override { return *FPainter; }
    QPoint PhysicalOffset() const override { return FPhysical; }
    int DPI() const override { return FDpi; }

    std::vector<QImage> Pages;
    QSize Portrait;
    bool Landscape = false;
    QString Title;
    bool Ended = false;
    bool Aborted = false;

private:
    void StartPage();
    int FDpi;
    QPoint FPhysical;
    bool FPrinting = false;
    std::unique_ptr<QPainter> FPainter;
};

// Whether a pixel carries ink (anything clearly darker than white).
bool IsInk(QRgb pixel);
// Rasterises page `page` (from 1) of a PDF at dpi through pdftoppm; null on failure.
QImage RasterisePdf(const QString& pdf, int page, int dpi);
// The number of pages pdfinfo reports and the page size in points.
bool PdfInfo(const QString& pdf, int& pages, QSizeF& pageSizePoints);
// Pixels of ink lying outside every face's printable area (grown by tolerance pixels)
// or inside a hole (shrunk by tolerance).
int64_t InkOutsideFaces(const QImage& page, const TPaperInfo& paper, int dpi, int tolerance,
                        QPoint shift = {});
// The share (0 … 1) of face i's printable area that carries ink.
double FaceInkCoverage(const QImage& page, const TPaperInfo& paper, int i, int dpi, QPoint shift = {});

} // namespace velmo::test
