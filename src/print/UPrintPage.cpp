#include "print/UPrintPage.h"
#include "base/UExceptions.h"
#include "draw/UCanvas.h"
#include <new>

namespace velmo {

TPrintPage::TPrintPage(QPainter& printer, bool banding, const QRect& area, int dpi)
    : FPrinter(printer), FBanding(banding), FDpi(dpi)
{
    if (!banding || area.width() <= 0 || area.height() <= 0) {
        // Nothing to band over: the objects go straight to the printer (they are
        // clipped there anyway).
        FBanding = false;
        FBandCount = 1;
        FBandHeight = 0;
        return;
    }
    FWidth = area.width();
    FBandHeight = std::max(1, std::min(kBandPixelLimit / FWidth, area.height()));
    FLeft = area.left();
    FTop = area.top();
    FBandCount = int((int64_t(area.height()) + FBandHeight - 1) / FBandHeight);
}

TPrintPage::~TPrintPage()
{
    // A band left over by an interrupted run is dropped, not copied.
    FBandCanvas.reset();
}

QPainter& TPrintPage::Canvas()
{
    if (FBandCanvas)
        return *FBandCanvas;
    return FPrinter;
}

void TPrintPage::ReleaseBand()
{
    FBandCanvas.reset();
    const QPoint at(FLeft, FTop - kBandOverlap);
    {
        TCanvasSaver saver(FPrinter);
        // The band lands in device pixels, whatever mapping the caller left set.
        FPrinter.resetTransform();
        FPrinter.setCompositionMode(QPainter::CompositionMode_Source);
        FPrinter.drawImage(at, FBitmap);
    }
    if (OnBandCopied)
        OnBandCopied(FBitmap, at);
    FBitmap = QImage();
    FTop += FBandHeight;
}

bool TPrintPage::NextBand()
{
    const int k = FBandIndex;
    if (!FBitmap.isNull())
        ReleaseBand();
    if (k < FBandCount && FBanding) {
        FBitmap = QImage(FWidth, FBandHeight + 2 * kBandOverlap, QImage::Format_RGB888);
        if (FBitmap.isNull())
            throw std::bad_alloc();
        SetImageDPI(FBitmap, FDpi);
        FBitmap.fill(Qt::white);
        FBandCanvas = std::make_unique<QPainter>(&FBitmap);
        FBandCanvas->setRenderHint(QPainter::Antialiasing);
        FBandCanvas->setRenderHint(QPainter::SmoothPixmapTransform);
        // Printer device coordinates work on the band unchanged.
        FBandCanvas->translate(-FLeft, -(FTop - kBandOverlap));
    }
    ++FBandIndex;
    return k < FBandCount;
}

} // namespace velmo
