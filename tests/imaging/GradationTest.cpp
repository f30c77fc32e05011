// The gradient engine against the formulas written out in floating point here, the
// printer path against the cells, banding, and the blender.
#include "imaging/UDIB.h"
#include "imaging/UGREffector.h"
#include "imaging/UGradation.h"
#include "support/TestSupport.h"
#include <QPainter>
#include <QPicture>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace velmo::test {
namespace {

constexpr double kPi = std::numbers::pi;

struct Rgb
{
    int R, G, B;
};

Rgb Channels(TColor c)
{
    return {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF};
}

bool IsReversedKind(rgGradationKind k)
{
    return k == rgGradationKind::rgkBoxToRim || k == rgGradationKind::rgkCircleToRim ||
           k == rgGradationKind::rgkConeClockwise;
}

// The ramp index of cell (i, j) in real terms, then rounded as the engine's last step
// does (truncated for the linear and square kinds, nearest for circles and cones).
int ExpectedIndex(rgGradationKind kind, int angle, int i, int j)
{
    int a = angle;
    while (a > 360)
        a -= 360;
    while (a < 0)
        a += 360;
    const double theta = (360 - a) * kPi / 180;
    const double U = std::cos(theta), V = std::sin(theta), M = std::max(std::abs(U), std::abs(V));
    const double di = 2.0 * i / 127 - 1, dj = 2.0 * j / 127 - 1;
    double value = 0;
    switch (kind) {
    case rgGradationKind::rgkSimple:
        value = std::trunc(512 + 512 * M * (U * di + V * dj));
        break;
    case rgGradationKind::rgkBoxToRim:
    case rgGradationKind::rgkBoxToCenter: {
        const double u = 512 + 512 * M * (U * di + V * dj);
        const double v = 512 + 512 * M * (U * dj - V * di);
        value = std::trunc(std::max(std::abs(2 * u - 1024), std::abs(2 * v - 1024)));
        break;
    }
    case rgGradationKind::rgkCircleToRim:
    case rgGradationKind::rgkCircleToCenter: {
        const double r = std::hypot(i - 63.5, j - 63.5);
        value = std::round(1024 * r / std::hypot(63.5, 63.5));
        break;
    }
    case rgGradationKind::rgkConeClockwise:
    case rgGradationKind::rgkConeCounterClockwise: {
        double phi = std::atan2(j - 63.5, i - 63.5) + a * kPi / 180;
        while (phi > kPi)
            phi -= 2 * kPi;
        while (phi <= -kPi)
            phi += 2 * kPi;
        value = std::round((phi + kPi) * 1024 / (2 * kPi));
        break;
    }
    }
    return int(std::clamp(value, 0.0, 1023.0));
}

Rgb ExpectedColour(std::vector<TColor> colors, rgGradationKind kind, int index)
{
    if (kind == rgGradationKind::rgkConeClockwise || kind == rgGradationKind::rgkConeCounterClockwise)
        colors.push_back(colors.front());
    const int n = int(colors.size());
    if (n == 1)
        return Channels(colors[0]);
    const int q = IsReversedKind(kind) ? 1023 - index : index;
    const double x = q * double(n - 1) / 1024;
    const int k = int(x);
    const double f = x - k;
    const Rgb a = Channels(colors[size_t(k)]), b = Channels(colors[size_t(k + 1)]);
    auto mix = [f](int ca, int cb) { return std::clamp(int(std::trunc(f * (cb - ca))) + ca, 0, 255); };
    return {mix(a.R, b.R), mix(a.G, b.G), mix(a.B, b.B)};
}

Rgb CellAt(const QImage& cells, int i, int j)
{
    const QRgb p = cells.pixel(j, i);
    return {qRed(p), qGreen(p), qBlue(p)};
}

constexpr rgGradationKind kAllKinds[] = {rgGradationKind::rgkSimple,
                                         rgGradationKind::rgkBoxToRim,
                                         rgGradationKind::rgkBoxToCenter,
                                         rgGradationKind::rgkCircleToRim,
                                         rgGradationKind::rgkCircleToCenter,
                                         rgGradationKind::rgkConeClockwise,
                                         rgGradationKind::rgkConeCounterClockwise};

TEST(GradationTest, EveryKindAndAngleFollowsTheFormulaWithinOne)
{
    const std::vector<std::vector<TColor>> lists = {
        {0xFFFFFF, 0x000000}, {0x0000FF, 0xFF0000, 0x00FF00}, {0x123456, 0xABCDEF}};
    for (rgGradationKind kind : kAllKinds)
        for (int angle : {0, 45, 90, 135, 180, 225, 270, 315, 360, 17, 300, -90, 450, 721})
            for (const auto& colors : lists) {
                const QImage cells = GradationCells(colors, angle, kind);
                ASSERT_EQ(cells.size(), QSize(128, 128));
                int worst = 0;
                for (int i = 0; i < 128; ++i)
                    for (int j = 0; j < 128; ++j) {
                        const Rgb want = ExpectedColour(colors, kind, ExpectedIndex(kind, angle, i, j));
                        const Rgb got = CellAt(cells, i, j);
                        worst = std::max({worst, std::abs(want.R - got.R), std::abs(want.G - got.G),
                                          std::abs(want.B - got.B)});
                    }
                EXPECT_LE(worst, 1) << GradationKindName(kind) << " angle " << angle << " colours "
                                    << colors.size();
            }
}

TEST(GradationTest, TheDocumentedCorners)
{
    const std::vector<TColor> whiteBlack = {0xFFFFFF, 0x000000};
    const QImage simple = GradationCells(whiteBlack, 270, rgGradationKind::rgkSimple);
    for (int i : {0, 64, 127}) {
        EXPECT_EQ(simple.pixel(0, i) & 0xFFFFFF, 0xFFFFFFu) << i; // white at the left
        EXPECT_LE(qRed(simple.pixel(127, i)), 1) << i;            // black at the right
    }
    const QImage rim = GradationCells(whiteBlack, 270, rgGradationKind::rgkCircleToRim);
    EXPECT_LE(qRed(rim.pixel(64, 64)), 4); // the centre lies between cells
    EXPECT_GE(qRed(rim.pixel(0, 0)), 254);
    EXPECT_GE(qRed(rim.pixel(127, 127)), 254);
    const QImage centre = GradationCells(whiteBlack, 270, rgGradationKind::rgkCircleToCenter);
    EXPECT_GE(qRed(centre.pixel(64, 64)), 254);
    EXPECT_LE(qRed(centre.pixel(0, 127)), 1);
    // Top to bottom, right to left, bottom to top.
    EXPECT_EQ(GradationCells(whiteBlack, 0, rgGradationKind::rgkSimple).pixel(64, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(GradationCells(whiteBlack, 90, rgGradationKind::rgkSimple).pixel(127, 64) & 0xFFFFFF,
              0xFFFFFFu);
    EXPECT_EQ(GradationCells(whiteBlack, 180, rgGradationKind::rgkSimple).pixel(64, 127) & 0xFFFFFF,
              0xFFFFFFu);
    // A diagonal runs corner to corner.
    const QImage diagonal = GradationCells(whiteBlack, 315, rgGradationKind::rgkSimple);
    EXPECT_EQ(diagonal.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_LE(qRed(diagonal.pixel(127, 127)), 1);
}

TEST(GradationTest, OneColourPaintsThatColourEverywhere)
{
    for (rgGradationKind kind : kAllKinds) {
        const QImage cells = GradationCells({0x336699}, 123, kind);
        for (int i = 0; i < 128; i += 7)
            for (int j = 0; j < 128; j += 5)
                ASSERT_EQ(cells.pixel(j, i) & 0xFFFFFF, 0x996633u) << GradationKindName(kind);
    }
}

TEST(GradationTest, RepeatedListsRunThroughTheColoursAgain)
{
    TGradationColors colors;
    colors.SetColors({0x0000FF, 0xFF0000});
    colors.SetRepeatCount(2);
    const std::vector<TColor> expanded = colors.Expanded();
    EXPECT_EQ(expanded, (std::vector<TColor>{0x0000FF, 0xFF0000, 0x0000FF, 0xFF0000}));
    const auto ramp = GradationRamp(expanded, false, false);
    EXPECT_EQ(ramp[0], 0xFF0000u);        // red
    EXPECT_EQ(qBlue(ramp[341]), 254);     // blue, just before the third colour
    EXPECT_EQ(qRed(ramp[342]), 0);        // x = 1.00195: blue turning red
    EXPECT_EQ(qRed(ramp[683]), 0xFF - 0); // red again
    EXPECT_GE(qBlue(ramp[1023]), 250);    // ends at blue
    colors.SetRepeatCount(0);
    EXPECT_TRUE(colors.Expanded().empty());
}

TEST(GradationTest, ColourListRangeAndResizing)
{
    TGradationColors colors;
    EXPECT_TRUE(colors.IsDefault());
    EXPECT_EQ(colors.Color(0), 0xFFFFFF);
    EXPECT_THROW(colors.Color(2), ERangeError);
    EXPECT_THROW(colors.Color(-1), ERangeError);
    int changes = 0;
    colors.OnChange = [&] { ++changes; };
    colors.SetCount(4);
    EXPECT_EQ(colors.Color(3), 0);
    colors.SetCount(4);
    colors.SetColor(1, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(colors.IsDefault());
}

TEST(GradationTest, PrinterPathMatchesTheCellsAtTheirCentres)
{
    const std::vector<TColor> colors = {0x0000FF, 0x00FF00, 0xFF0000};
    for (rgGradationKind kind : kAllKinds) {
        const QImage cells = GradationCells(colors, 30, kind);
        QImage target(512, 512, QImage::Format_RGB32);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            PaintGradation(painter, QRect(0, 0, 512, 512), colors, 30, kind, TGradationOutput::goResample);
        }
        for (int i = 0; i < 128; i += 3)
            for (int j = 0; j < 128; j += 3)
                ASSERT_EQ(target.pixel(4 * j + 2, 4 * i + 2) & 0xFFFFFF, cells.pixel(j, i) & 0xFFFFFF)
                    << GradationKindName(kind) << " " << i << "," << j;
        // The same as the smooth resampling of the whole picture.
        const QImage window = ResampleGradationWindow(cells, QSize(512, 512), QRect(0, 0, 512, 512));
        EXPECT_EQ(window.convertToFormat(QImage::Format_RGB32), target);
    }
}

TEST(GradationTest, PrinterPathShrinksSmallTargets)
{
    const std::vector<TColor> colors = {0x0000FF, 0xFF0000};
    const QImage cells = GradationCells(colors, 270, rgGradationKind::rgkSimple);
    for (const QSize size : {QSize(100, 60), QSize(300, 40), QSize(20, 500)}) {
        QImage target(size, QImage::Format_RGB32);
        target.fill(Qt::green);
        {
            QPainter painter(&target);
            PaintGradation(painter, QRect(QPoint(0, 0), size), colors, 270, rgGradationKind::rgkSimple,
                           TGradationOutput::goResample);
        }
        QImage expected(size, QImage::Format_BGR888);
        SmoothResample(expected, cells.convertToFormat(QImage::Format_BGR888));
        EXPECT_EQ(target, expected.convertToFormat(QImage::Format_RGB32))
            << size.width() << "x" << size.height();
        // Red at the left, blue at the right, nothing of the green left.
        EXPECT_GE(qRed(target.pixel(0, size.height() / 2)), 250);
        EXPECT_GE(qBlue(target.pixel(size.width() - 1, size.height() / 2)), 240);
    }
}

TEST(GradationTest, RecordingsKeepTheResampledGradient)
{
    const std::vector<TColor> colors = {0xFFFFFF, 0x000000};
    QPicture picture;
    {
        QPainter painter(&picture);
        PaintGradation(painter, QRect(0, 0, 256, 64), colors, 270, rgGradationKind::rgkSimple);
    }
    QImage replayed(256, 64, QImage::Format_RGB32);
    replayed.fill(Qt::green);
    {
        QPainter painter(&replayed);
        picture.play(&painter);
    }
    EXPECT_EQ(replayed.pixel(0, 30) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_LE(qRed(replayed.pixel(255, 30)), 2);
    EXPECT_EQ(qRed(replayed.pixel(128, 30)), qBlue(replayed.pixel(128, 30))); // grey, not green
}

TEST(GradationTest, BandsPaintWhatTheWholePagePaints)
{
    const std::vector<TColor> colors = {0xFFFFFF, 0x0080FF, 0x400000};
    const QRect area(10, 20, 700, 900); // logical units, scaled 2.5 onto the device
    QImage whole(2000, 2400, QImage::Format_RGB32);
    whole.fill(Qt::white);
    {
        QPainter painter(&whole);
        painter.scale(2.5, 2.5);
        PaintGradation(painter, area, colors, 200, rgGradationKind::rgkConeCounterClockwise,
                       TGradationOutput::goResample);
    }
    QImage banded(2000, 2400, QImage::Format_RGB32);
    banded.fill(Qt::white);
    for (int top = 0; top < 2400; top += 256) {
        // One band: a picture of the band's height, the page moved up by its top.
        QImage band(2000, 256, QImage::Format_RGB32);
        band.fill(Qt::white);
        {
            QPainter painter(&band);
            painter.translate(0, -top);
            painter.scale(2.5, 2.5);
            PaintGradation(painter, area, colors, 200, rgGradationKind::rgkConeCounterClockwise,
                           TGradationOutput::goResample);
        }
        QPainter copy(&banded);
        copy.drawImage(0, top, band);
    }
    EXPECT_EQ(banded, whole);
}

TEST(GradationTest, ScreenPathStretchesTheCells)
{
    const std::vector<TColor> colors = {0xFFFFFF, 0x000000};
    const QImage cells = GradationCells(colors, 45, rgGradationKind::rgkBoxToCenter);
    QImage target(256, 256, QImage::Format_RGB32);
    {
        QPainter painter(&target);
        PaintGradation(painter, QRect(0, 0, 256, 256), colors, 45, rgGradationKind::rgkBoxToCenter);
    }
    for (int i = 0; i < 128; i += 5)
        for (int j = 0; j < 128; j += 5)
            ASSERT_EQ(target.pixel(2 * j + 1, 2 * i + 1) & 0xFFFFFF, cells.pixel(j, i) & 0xFFFFFF);
}

TEST(GradationTest, EmptyListsAndRectanglesPaintNothing)
{
    QImage target(20, 20, QImage::Format_RGB32);
    target.fill(Qt::green);
    const QImage before = target;
    QPainter painter(&target);
    PaintGradation(painter, QRect(0, 0, 20, 20), {}, 270, rgGradationKind::rgkSimple);
    PaintGradation(painter, QRect(5, 5, 0, 10), {0xFF}, 270, rgGradationKind::rgkSimple);
    painter.end();
    EXPECT_EQ(target, before);
}

// ---- blender

QImage Filled(QSize size, QRgb colour, QImage::Format format = QImage::Format_RGB888)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

QImage AlphaMap(QSize size, int value)
{
    QImage map(size, QImage::Format_Grayscale8);
    map.fill(qRgb(value, value, value));
    return map;
}

TEST(GradationTest, BlendMixesByAlphaAndRatio)
{
    for (int alpha : {0, 1, 77, 128, 254, 255})
        for (int ratio : {0, 30, 50, 100, 150, -5}) {
            QImage d = Filled({8, 4}, qRgb(10, 200, 90));
            const QImage s = Filled({8, 4}, qRgb(250, 0, 91));
            TGRBlendAlphaMapRatio blend(ratio);
            blend.Execute(d, QRect(0, 0, 8, 4), s, QRect(0, 0, 8, 4), AlphaMap({8, 4}, alpha),
                          QRect(0, 0, 8, 4));
            const int r = std::clamp(ratio, 0, 100);
            const int a = std::min(255, int(std::floor(alpha * r / 100.0 + 0.5)));
            auto mix = [a](int dv, int sv) { return dv + int(std::trunc(a * (sv - dv) / 255.0)); };
            const QRgb p = d.pixel(3, 2);
            EXPECT_EQ(qRed(p), mix(10, 250)) << alpha << " " << ratio;
            EXPECT_EQ(qGreen(p), mix(200, 0)) << alpha << " " << ratio;
            EXPECT_EQ(qBlue(p), mix(90, 91)) << alpha << " " << ratio;
        }
}

TEST(GradationTest, BlendRefusesWhatItCannotDoUnscaled)
{
    const QImage original = Filled({10, 10}, qRgb(1, 2, 3));
    const QImage s = Filled({10, 10}, qRgb(200, 200, 200));
    TGRBlendAlphaMapRatio blend;
    QImage d = original;
    // Source rectangle of another size than the destination's: nothing happens.
    blend.Execute(d, QRect(0, 0, 5, 5), s, QRect(0, 0, 6, 5), AlphaMap({10, 10}, 255), QRect(0, 0, 6, 5));
    EXPECT_EQ(d, original);
    // Alpha rectangle outside the alpha map.
    blend.Execute(d, QRect(0, 0, 5, 5), s, QRect(0, 0, 5, 5), AlphaMap({4, 4}, 255), QRect(0, 0, 5, 5));
    EXPECT_EQ(d, original);
    // Formats that differ, and an alpha map of 32 bits.
    blend.Execute(d, QRect(0, 0, 5, 5), Filled({10, 10}, 0xFFFFFF, QImage::Format_RGB32), QRect(0, 0, 5, 5),
                  AlphaMap({10, 10}, 255), QRect(0, 0, 5, 5));
    EXPECT_EQ(d, original);
    EXPECT_FALSE(blend.CanBlend(d, s, Filled({10, 10}, 0, QImage::Format_RGB32)));
    EXPECT_FALSE(blend.CanBlend(Filled({10, 10}, 0, QImage::Format_RGB16),
                                Filled({10, 10}, 0, QImage::Format_RGB16), AlphaMap({10, 10}, 1)));
    // A destination rectangle partly outside is clipped, and the rest blended.
    blend.Execute(d, QRect(8, 8, 5, 5), s, QRect(0, 0, 5, 5), AlphaMap({10, 10}, 255), QRect(0, 0, 5, 5));
    EXPECT_EQ(d.pixel(9, 9) & 0xFFFFFF, 0xC8C8C8u);
    EXPECT_EQ(d.pixel(7, 7), original.pixel(7, 7));
}

} // namespace
} // namespace velmo::test
