#pragma once
// The band iterator one label face is printed through. With banding the face is
// rendered into white 24-bit bitmaps of bounded size at the printer's resolution, one
// horizontal band after another, each copied to the printer when complete: masks,
// blends and transparency then come out as on screen whatever the driver does, and
// memory stays bounded at any resolution. Without banding the objects are drawn once,
// straight onto the printer's canvas (vector output on PDF).
//
// Coordinates here are printer device pixels (the printer canvas's own, before any
// mapping the caller sets).
#include <QImage>
#include <QPainter>
#include <QRect>
#include <functional>
#include <memory>

namespace velmo {

// 8 MiB of 24-bit pixels, rounded down: the most pixels one band holds (without its
// overlap rows).
constexpr int kBandPixelLimit = 2796202;
// Rows redrawn above and below each band so that objects crossing a band edge join
// without seams.
constexpr int kBandOverlap = 8;

class TPrintPageBase
{
public:
    virtual ~TPrintPageBase() = default;
    // The canvas to draw the current band on.
    virtual QPainter& Canvas() = 0;
    // Finishes the current band and starts the next; true while a band is available.
    virtual bool NextBand() = 0;
};

class TPrintPage : public TPrintPageBase
{
public:
    // area: the device rectangle to be covered. dpi: the printer's resolution, given
    // to every band so that fonts and mappings measure as they will print.
    TPrintPage(QPainter& printer, bool banding, const QRect& area, int dpi);
    ~TPrintPage() override;
    TPrintPage(const TPrintPage&) = delete;
    TPrintPage& operator=(const TPrintPage&) = delete;

    QPainter& Canvas() override;
    bool NextBand() override;

    int BandCount() const { return FBandCount; }
    int BandHeight() const { return FBandHeight; }
    int Width() const { return FWidth; }
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    bool Banding() const { return FBanding; }
    // The band bitmap being drawn (null between bands and without banding).
    const QImage& BandBitmap() const { return FBitmap; }
    // Called after a band was copied, with the band and where its top-left corner
    // went on the printer (tests and diagnostics).
    std::function<void(const QImage& band, QPoint at)> OnBandCopied;

private:
    void ReleaseBand();

    QPainter& FPrinter;
    bool FBanding;
    int FDpi;
    QImage FBitmap;
    std::unique_ptr<QPainter> FBandCanvas;
    int FBandCount = 1;
    int FBandIndex = 0;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FBandHeight = 0;
};

} // namespace velmo
