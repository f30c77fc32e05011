// Drawing utilities: stretch-drawing under both locks, locks that keep a second
// thread out, and bitmaps for the visible part of a rectangle.
#include "ImagingTestSupport.h"
#include "imaging/UImageDraw.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QPainter>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace velmo::test {

TEST(ImageDraw, SafeStretchDrawDrawsEveryKind)
{
    QImage target(40, 20, QImage::Format_RGB32);
    target.fill(Qt::white);
    TAppBitmap bitmap;
    QImage red(2, 2, QImage::Format_BGR888);
    red.fill(QColor(255, 0, 0));
    red.setPixelColor(1, 1, QColor(0, 255, 0));
    bitmap.SetImage(red, TPixelFormat::pf24bit);
    bitmap.SetTransparentColor(clLime);
    bitmap.SetTransparent(true);
    TAppJPEGImage jpeg;
    QImage blue(8, 8, QImage::Format_BGR888);
    blue.fill(QColor(0, 0, 255));
    jpeg.AssignImage(blue);
    {
        QPainter p(&target);
        SafeStretchDraw(p, QRect(0, 0, 20, 20), bitmap);
        SafeStretchDraw(p, QRect(20, 0, 20, 20), jpeg);
    }
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(15, 15), qRgb(255, 255, 255)); // the key colour let the paper through
    const QRgb b = target.pixel(30, 10);
    EXPECT_LT(qRed(b), 10);
    EXPECT_GT(qBlue(b), 240);
}

TEST(ImageDraw, AGraphicsLockKeepsAnotherThreadWaiting)
{
    TAppBitmap bitmap;
    bitmap.SetSize(4, 4);
    std::atomic<bool> entered{false};
    LockGraphic(&bitmap);
    LockGraphic(&bitmap); // nests
    std::thread other([&] {
        LockGraphic(&bitmap);
        entered = true;
        UnlockGraphic(&bitmap);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
    UnlockGraphic(&bitmap);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered.load());
    UnlockGraphic(&bitmap);
    other.join();
    EXPECT_TRUE(entered.load());
    // Other graphics are left alone.
    TJPEGImage plain;
    LockGraphic(&plain);
    UnlockGraphic(&plain);
}

TEST(ImageDraw, RegionBitmapCoversTheVisiblePartInDevicePixels)
{
    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(qRgb(10, 20, 30));
    QPainter p(&canvas);
    // Two device pixels per logical unit, logical (0, 0) at device (20, 10).
    p.translate(20, 10);
    p.scale(2, 2);
    p.setClipRect(QRect(0, 0, 30, 20));
    const TRegionBitmap r = MakeRegionBitmap(p, QRect(-100, -100, 300, 300), TPixelFormat::pf24bit, 5, true);
    ASSERT_NE(r.Bitmap, nullptr);
    EXPECT_EQ(r.LogicalArea, QRect(-5, -5, 40, 30));
    EXPECT_EQ(r.DeviceArea, QRect(10, 0, 80, 60));
    EXPECT_EQ(r.Bitmap->Width(), 80);
    EXPECT_EQ(r.Bitmap->Height(), 60);
    EXPECT_EQ(r.Bitmap->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelColor(r.Bitmap->Pixels(), 5, 5), qRgb(10, 20, 30)); // copied contents
    EXPECT_EQ(r.Mapping.map(QPointF(-5, -5)), QPointF(0, 0));
    EXPECT_EQ(r.Mapping.map(QPointF(0, 0)), QPointF(10, 10));

    // Drawing into the region bitmap with its mapping puts logical points where the
    // canvas would.
    QImage pixels = r.Bitmap->Pixels().convertToFormat(QImage::Format_RGB32);
    {
        QPainter q(&pixels);
        q.setTransform(r.Mapping);
        q.fillRect(QRect(10, 10, 1, 1), Qt::red);
    }
    EXPECT_EQ(pixels.pixel(30, 30), qRgb(255, 0, 0));

    // Nothing visible, a palette, no copy.
    EXPECT_EQ(MakeRegionBitmap(p, QRect(500, 500, 10, 10), TPixelFormat::pf24bit, 5, false).Bitmap, nullptr);
    const QVector<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(10, 20, 30)};
    const TRegionBitmap q = MakeRegionBitmap(p, QRect(0, 0, 10, 10), TPixelFormat::pf8bit, 0, true, &palette);
    ASSERT_NE(q.Bitmap, nullptr);
    EXPECT_EQ(q.Bitmap->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(q.Bitmap->Palette(), palette);
    EXPECT_EQ(PixelColor(q.Bitmap->Pixels(), 1, 1), qRgb(10, 20, 30));
    p.end();
}

} // namespace velmo::test
