#include "draw/UScaler.h"
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

TEST(Scaler, TenMillimetresOnA96DpiScreen)
{
    TScaler s;
    s.SetUnitDPI(254);
    EXPECT_EQ(s.RectToDevice(96, {0, 0, 100, 100}), (TLogRect{0, 0, 38, 38}));
    EXPECT_EQ(s.ToDevice(96, QPoint(100, 100)), QPoint(38, 38));
    EXPECT_EQ(s.ToLogical(96, QPoint(38, 38)), QPoint(101, 101)); // may differ by one unit
}

TEST(Scaler, OutwardRoundingForNegativeCoordinates)
{
    TScaler s;
    s.SetUnitDPI(254);
    // -10 logical at 96 dpi is -3.78 device pixels: left rounds down to -4, right up to -3.
    EXPECT_EQ(s.RectToDevice(96, {-10, -10, -10, -10}), (TLogRect{-4, -4, -3, -3}));
    EXPECT_EQ(s.RectToDevice(96, {-100, -5, 5, 100}), (TLogRect{-38, -2, 2, 38}));
    // Exact multiples do not grow.
    EXPECT_EQ(s.RectToDevice(254, {-30, -30, 30, 30}), (TLogRect{-30, -30, 30, 30}));
    EXPECT_EQ(s.ToDevice(96, QPoint(-100, -5)), QPoint(-38, -2));
}

TEST(Scaler, ZoomAndLargeValuesUse64Bits)
{
    TScaler s;
    s.SetUnitDPI(254);
    s.SetScale(400);
    EXPECT_EQ(s.ToDevice(96, 100), 151);
    // 2 m of logical units at 600 dpi and 800 % would overflow 32-bit products.
    s.SetScale(800);
    const TLogRect r = s.RectToDevice(600, {0, 0, 20000, 20000});
    EXPECT_EQ(r.Right, 377953);
}

TEST(Scaler, ChangeNotificationsOnlyOnRealChange)
{
    TScaler s;
    int changes = 0;
    s.OnChange = [&] { ++changes; };
    s.SetScale(100);
    EXPECT_EQ(changes, 0);
    s.SetScale(200);
    s.SetUnitDPI(254);
    EXPECT_EQ(changes, 2);
    TScaler other;
    other.SetUnitDPI(254);
    s.Assign(other);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(s.Scale(), 100);
}

TEST(Scaler, ApplyMappingDrawsInLogicalUnitsFromTheCurrentOrigin)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dpi
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    TScaler s;
    s.SetUnitDPI(254);
    s.SetScale(200);
    {
        QPainter p(&image);
        p.translate(10, 20);
        s.ApplyMapping(p);
        // 10 mm at 200 % and 96 dpi is 75.6 device pixels.
        p.fillRect(QRectF(0, 0, 100, 100), Qt::black);
    }
    EXPECT_EQ(qGray(image.pixel(10, 20)), 0);
    EXPECT_EQ(qGray(image.pixel(84, 94)), 0);
    EXPECT_EQ(qGray(image.pixel(87, 97)), 255);
    EXPECT_EQ(qGray(image.pixel(9, 19)), 255);
}

namespace {
// Height in device pixels of the ink of "H" drawn after ApplyMapping at a zoom.
int InkHeightOfH(TScaler& s, int scale, int* pixelSize)
{
    s.SetScale(scale);
    QImage image(600, 600, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dpi
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        QFont font(QStringLiteral("IPAGothic"));
        font.setPointSizeF(36); // half an inch
        p.setFont(font);
        s.ApplyMapping(p);
        s.ApplyMapping(p); // a second mapping must not resize the font again
        *pixelSize = p.font().pixelSize();
        p.setPen(Qt::black);
        p.drawText(QPointF(20, 300), QStringLiteral("H"));
    }
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
    return top < 0 ? 0 : bottom - top + 1;
}
} // namespace

TEST(Scaler, ApplyMappingKeepsThePhysicalFontSizeAtEveryZoom)
{
    TScaler s;
    s.SetUnitDPI(254);
    int pixelSize = 0;
    const int at100 = InkHeightOfH(s, 100, &pixelSize);
    EXPECT_EQ(pixelSize, 127); // 36 pt = 12.7 mm = 127 logical units
    const int at200 = InkHeightOfH(s, 200, &pixelSize);
    EXPECT_EQ(pixelSize, 127);
    // A capital of a half-inch font (48 device pixels per em at 96 dpi) is roughly
    // two thirds of the em high, and twice that at 200 %.
    EXPECT_GT(at100, 25);
    EXPECT_LT(at100, 45);
    EXPECT_NEAR(at200, 2 * at100, 3);
}
