// The band iterator: band sizes and overlaps, white 24-bit bands at the printer's
// resolution, the unbanded case; and the phased progress arithmetic.
#include "draw/UCanvas.h"
#include "print/UPrintPage.h"
#include "print/UPrintSheet.h"
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct TBandLog
{
    std::vector<QPoint> At;
    std::vector<QSize> Sizes;
};

} // namespace

TEST(PrintPage, TwoThousandByThreeThousandGivesThreeBandsOf1398Rows)
{
    QImage target(2200, 4300, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter printer(&target);
    TPrintPage page(printer, true, QRect(100, 50, 2000, 3000), 600);
    EXPECT_EQ(page.BandHeight(), 1398);
    EXPECT_EQ(page.BandCount(), 3);
    TBandLog log;
    page.OnBandCopied = [&](const QImage& band, QPoint at) {
        log.At.push_back(at);
        log.Sizes.push_back(band.size());
    };
    int bands = 0;
    while (page.NextBand()) {
        ++bands;
        const QImage& band = page.BandBitmap();
        ASSERT_FALSE(band.isNull());
        EXPECT_EQ(band.format(), QImage::Format_RGB888); // 24 bits per pixel
        EXPECT_EQ(DeviceDPI(&band), 600);
        EXPECT_EQ(band.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(band.pixel(band.width() - 1, band.height() - 1), qRgb(255, 255, 255));
        EXPECT_LE(int64_t(band.width()) * (band.height() - 16), kBandPixelLimit);
        // Printer device coordinates work on the band unchanged: a dot at the band's
        // first own row lands 8 rows into the bitmap.
        QPainter& canvas = page.Canvas();
        EXPECT_NE(&canvas, &printer);
        const QPoint probe = canvas.transform().map(QPoint(100, page.Top()));
        EXPECT_EQ(probe, QPoint(0, 8));
    }
    EXPECT_EQ(bands, 3);
    ASSERT_EQ(log.At.size(), 3u);
    EXPECT_EQ(log.At[0], QPoint(100, 50 - 8));
    EXPECT_EQ(log.At[1], QPoint(100, 50 + 1398 - 8));
    EXPECT_EQ(log.At[2], QPoint(100, 50 + 2796 - 8));
    for (const QSize& s : log.Sizes)
        EXPECT_EQ(s, QSize(2000, 1398 + 16));
    EXPECT_TRUE(page.BandBitmap().isNull());
    // After the last band: false again, and nothing allocated.
    EXPECT_FALSE(page.NextBand());
    EXPECT_TRUE(page.BandBitmap().isNull());
    printer.end();
    // The bands were copied whole (white), overlaps included, nothing beyond.
    EXPECT_EQ(target.pixel(100, 42), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(100, 41), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(99, 500), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(2099, 500), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(2100, 500), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(500, 50 + 2796 - 8 + 1413), qRgb(255, 255, 255));
}

TEST(PrintPage, AnAreaLowerThanABandIsOneBandOfItsHeight)
{
    QImage target(400, 400, QImage::Format_RGB32);
    QPainter printer(&target);
    TPrintPage page(printer, true, QRect(10, 20, 300, 120), 300);
    EXPECT_EQ(page.BandHeight(), 120);
    EXPECT_EQ(page.BandCount(), 1);
    ASSERT_TRUE(page.NextBand());
    EXPECT_EQ(page.BandBitmap().size(), QSize(300, 136));
    EXPECT_FALSE(page.NextBand());
    EXPECT_FALSE(page.NextBand());
}

TEST(PrintPage, WithoutBandingTheObjectsGoStraightToThePrinterOnce)
{
    QImage target(400, 400, QImage::Format_RGB32);
    QPainter printer(&target);
    TPrintPage page(printer, false, QRect(10, 20, 3000, 4000), 300);
    EXPECT_EQ(page.BandCount(), 1);
    EXPECT_EQ(page.BandHeight(), 0);
    ASSERT_TRUE(page.NextBand());
    EXPECT_EQ(&page.Canvas(), &printer);
    EXPECT_TRUE(page.BandBitmap().isNull());
    EXPECT_FALSE(page.NextBand());
    EXPECT_TRUE(page.BandBitmap().isNull());
}

TEST(PrintPage, AVeryWideAreaStillGetsBandsOfAtLeastOneRow)
{
    QImage target(10, 10, QImage::Format_RGB32);
    QPainter printer(&target);
    TPrintPage page(printer, true, QRect(0, 0, kBandPixelLimit + 5, 3), 300);
    EXPECT_EQ(page.BandHeight(), 1);
    EXPECT_EQ(page.BandCount(), 3);
}

TEST(PrintPage, AnInterruptedPageDropsItsBandWithoutCopying)
{
    QImage target(100, 100, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter printer(&target);
        TPrintPage page(printer, true, QRect(0, 0, 100, 100), 300);
        ASSERT_TRUE(page.NextBand());
        page.Canvas().fillRect(QRect(0, 0, 100, 100), Qt::red);
    }
    EXPECT_EQ(target.pixel(50, 50), qRgb(0, 0, 0));
}

TEST(PrintPage, BandsJoinWithoutSeams)
{
    // A diagonal drawn across three bands comes out as drawn directly (24-bit bands
    // round a few levels differently from a 32-bit picture, seams would be far more).
    QImage direct(300, 700, QImage::Format_RGB32), banded(300, 700, QImage::Format_RGB32);
    direct.fill(Qt::white);
    banded.fill(Qt::white);
    auto draw = [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 7));
        p.drawLine(QPointF(5, 5), QPointF(295, 695));
        p.setBrush(Qt::blue);
        p.drawEllipse(QRectF(50, 200, 200, 300));
    };
    {
        QPainter p(&direct);
        draw(p);
    }
    {
        // 300 wide, 700 high, at most kBandPixelLimit pixels: use a wider area to get
        // several bands over the picture.
        QImage wide(kBandPixelLimit / 250, 700, QImage::Format_RGB32);
        wide.fill(Qt::white);
        QPainter printer(&wide);
        TPrintPage page(printer, true, QRect(0, 0, wide.width(), 700), 96);
        ASSERT_GE(page.BandCount(), 3);
        while (page.NextBand())
            draw(page.Canvas());
        printer.end();
        banded = wide.copy(0, 0, 300, 700);
    }
    int differing = 0;
    for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 300; ++x) {
            const QRgb a = direct.pixel(x, y), b = banded.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 4 || std::abs(qGreen(a) - qGreen(b)) > 4 ||
                std::abs(qBlue(a) - qBlue(b)) > 4) {
                ++differing;
            }
        }
    EXPECT_EQ(differing, 0);
}

// ---------------------------------------------------------------------------------

namespace {
class TRecordingProgress : public TPhasedProgressBase
{
public:
    std::vector<int> Shown;

protected:
    void Show(int position) override { Shown.push_back(position); }
};
} // namespace

TEST(PhasedProgress, OuterPhasesShareTheirStepWithInnerOnes)
{
    TRecordingProgress progress;
    EXPECT_EQ(progress.Depth(), 1);
    EXPECT_EQ(progress.Position(), 0);
    progress.BeginPhase(1, 2); // two sheets: n = 2
    progress.BeginPhase(1, 4); // four faces of the first
    progress.Step();
    // a = 10000 for the sheets, e = 0: sum 0, a = 5000; faces: e = 1 of 4 → 1250.
    EXPECT_EQ(progress.Position(), 1250);
    progress.Step();
    progress.Step();
    progress.Step();
    EXPECT_EQ(progress.Position(), 5000);
    progress.EndPhase();
    progress.Step(); // the first sheet done
    EXPECT_EQ(progress.Position(), 5000);
    progress.BeginPhase(1, 4);
    progress.Step();
    EXPECT_EQ(progress.Position(), 6250);
    progress.EndPhase();
    progress.Step();
    EXPECT_EQ(progress.Position(), 10000);
    progress.EndPhase();
    EXPECT_EQ(progress.Depth(), 1);
    progress.EndPhase(); // the bottom phase stays
    EXPECT_EQ(progress.Depth(), 1);
    ASSERT_FALSE(progress.Shown.empty());
    EXPECT_EQ(progress.Shown.back(), 10000);
    for (size_t i = 1; i < progress.Shown.size(); ++i)
        EXPECT_GE(progress.Shown[i], progress.Shown[i - 1]);
}

TEST(PhasedProgress, AHighBelowTheLowIsTheLowAndStepsBeyondAreClamped)
{
    TRecordingProgress progress;
    progress.BeginPhase(5, 2); // high = max(low, high) = 5: one step
    progress.Step();
    EXPECT_EQ(progress.Position(), 10000);
    progress.Step();
    progress.Step();
    EXPECT_EQ(progress.Position(), 10000);
    progress.EndPhase();
    TRecordingProgress three;
    three.BeginPhase(1, 3);
    three.Step();
    EXPECT_EQ(three.Position(), 3333);
    three.BeginPhase(1, 0); // an empty inner phase (no objects)
    three.Step();
    EXPECT_EQ(three.Position(), 3333 + 3333);
}
