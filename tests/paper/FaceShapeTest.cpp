#include "paper/UFaceInfo.h"
#include "paper/UFaceShape.h"
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

TFaceInfo Face(TFaceShape shape, TLogRect rect, int margin = 0)
{
    TFaceInfo info;
    info.FaceShape = shape;
    info.Rect = rect;
    info.FaceMargin = margin;
    return info;
}

bool HasLine(const TStroke& stroke, QPoint a, QPoint b)
{
    for (int i = 1; i < stroke.Count(); ++i)
        if ((stroke.Type(i) & ~PT_CLOSEFIGURE) == PT_LINETO && stroke.Point(i - 1) == a &&
            stroke.Point(i) == b)
            return true;
    return false;
}

} // namespace

TEST(FaceInfo, DerivedRectangles)
{
    TFaceInfo info = Face(fsDoughnut, {100, 200, 1271, 1371}, 10);
    info.CutCenterWidth = 410;
    info.CutCenterHeight = 400;
    EXPECT_EQ(info.GetOuterRect(), (TLogRect{90, 190, 1281, 1381}));
    // (1171 - 410) / 2 = 380 and (1171 - 400) / 2 = 385, truncated.
    EXPECT_EQ(info.GetHoleRect(), (TLogRect{480, 585, 890, 985}));
    EXPECT_EQ(info.GetPrintHoleRect(), (TLogRect{490, 595, 880, 975}));
    info.SetOuterRect({0, 0, 500, 500});
    EXPECT_EQ(info.Rect, (TLogRect{10, 10, 490, 490}));
    info.SetCutCenter(150);
    EXPECT_EQ(info.CutCenterWidth, 150);
    EXPECT_EQ(info.CutCenterHeight, 150);
    // A hole wider than the face: the division truncates toward zero.
    info.Rect = {0, 0, 101, 100};
    info.CutCenterWidth = 110;
    EXPECT_EQ(info.GetHoleRect().Left, -4);
}

TEST(FaceInfo, LegacyFaceTypes)
{
    const struct
    {
        int Type;
        TFaceShape Shape;
        const char* Purpose;
    } table[] = {{0, fsRect, ""},           {1, fsDoughnut, "CD"},   {2, fsRect, "CDCover"},
                 {3, fsRect, "CDCaseTray"}, {4, fsRect, "MOSquare"}, {5, fsRect, "MOSquare"},
                 {6, fsEllipse, ""},        {7, fsRoundRect, ""}};
    for (const auto& row : table) {
        TFaceInfo info = Face(fsBarrelCD, {});
        info.FacePurpose = "old";
        info.SetFaceType(row.Type);
        EXPECT_EQ(info.FaceShape, row.Shape) << row.Type;
        EXPECT_EQ(info.FacePurpose, QString::fromLatin1(row.Purpose)) << row.Type;
    }
    TFaceInfo info = Face(fsBarrelCD, {});
    info.FacePurpose = "old";
    info.SetFaceType(8);
    info.SetFaceType(-1);
    EXPECT_EQ(info.FaceShape, fsBarrelCD);
    EXPECT_EQ(info.FacePurpose, "old");
}

TEST(FaceShapes, ClickInTheHoleIsNotOnTheFace)
{
    TFaceInfo cd = Face(fsDoughnut, {0, 0, 1170, 1170}, 10);
    cd.CutCenterWidth = cd.CutCenterHeight = 410;
    EXPECT_TRUE(cd.HasHole());
    EXPECT_FALSE(cd.ContainsPoint({585, 585})); // centre of the hole
    EXPECT_FALSE(cd.ContainsPoint({585, 400})); // inside the printable hole (380..790 shrunk by 10)
    EXPECT_TRUE(cd.ContainsPoint({585, 385}));  // the bleed reaches 10 into the hole
    EXPECT_TRUE(cd.ContainsPoint({585, 100}));  // on the ring
    EXPECT_TRUE(cd.ContainsPoint({585, -9}));   // bleed outside the cut line
    EXPECT_FALSE(cd.ContainsPoint({585, -11}));
    EXPECT_FALSE(cd.ContainsPoint({20, 20})); // the square corner outside the circle
    // The same position on a plain circle is on the face.
    TFaceInfo round = cd;
    round.FaceShape = fsEllipse;
    EXPECT_TRUE(round.ContainsPoint({585, 585}));
}

TEST(FaceShapes, RoundedCornersAreNotOnTheFace)
{
    TFaceInfo card = Face(fsRoundRect, {0, 0, 910, 550});
    card.RoundSize = 200; // corner radius 100
    EXPECT_FALSE(card.ContainsPoint({2, 2}));
    EXPECT_FALSE(card.ContainsPoint({20, 20}));
    EXPECT_TRUE(card.ContainsPoint({40, 40})); // inside the corner arc (distance to centre ~85)
    EXPECT_TRUE(card.ContainsPoint({100, 0}));
    EXPECT_TRUE(card.ContainsPoint({0, 100}));
    EXPECT_FALSE(card.ContainsPoint({905, 545}));
    EXPECT_FALSE(card.ContainsPoint({910, 300})); // right edge is exclusive
    EXPECT_TRUE(card.ContainsPoint({909, 300}));

    // A business-card CD has the rounded outline and a hole.
    TFaceInfo cardCD = card;
    cardCD.FaceShape = fsRectCD;
    EXPECT_FALSE(cardCD.ContainsPoint({2, 2}));
    EXPECT_FALSE(cardCD.ContainsPoint({455, 275}));
    EXPECT_TRUE(cardCD.ContainsPoint({455, 40}));

    // A corner ellipse bigger than the face is cut to its size.
    TFaceInfo pill = Face(fsRoundRect, {0, 0, 400, 100});
    pill.RoundSize = 10000;
    EXPECT_TRUE(pill.ContainsPoint({200, 50}));
    EXPECT_FALSE(pill.ContainsPoint({3, 3}));
    EXPECT_TRUE(pill.ContainsPoint({60, 50}));
}

TEST(FaceShapes, RectangleCoversItsCellsExactly)
{
    const TFaceInfo face = Face(fsRect, {10, 20, 30, 25});
    const QRegion region = face.CreateRegion(nullptr, true);
    EXPECT_EQ(region, QRegion(QRect(10, 20, 20, 5)));
    EXPECT_TRUE(face.ContainsPoint({10, 20}));
    EXPECT_TRUE(face.ContainsPoint({29, 24}));
    EXPECT_FALSE(face.ContainsPoint({30, 24}));
    EXPECT_FALSE(face.ContainsPoint({29, 25}));
}

TEST(FaceShapes, EllipseAreaMatchesItsBoxAndIsSymmetric)
{
    const TFaceInfo face = Face(fsEllipse, {0, 0, 100, 60});
    const QRegion region = face.CreateRegion(nullptr, false);
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 100, 60));
    // Mirror images of each cell are in the area too.
    for (const QRect& r : region)
        for (int x = r.left(); x <= r.right(); ++x) {
            ASSERT_TRUE(region.contains(QPoint(99 - x, r.top())));
            ASSERT_TRUE(region.contains(QPoint(x, 59 - r.top())));
        }
    // Area close to pi * 50 * 30.
    int64_t cells = 0;
    for (const QRect& r : region)
        cells += int64_t(r.width()) * r.height();
    EXPECT_NEAR(double(cells), 3.14159265 * 50 * 30, 60);
}

TEST(FaceShapes, WideBarrelHasStraightEdgesBetweenItsArcs)
{
    TStroke barrel;
    SetBarrelPath(barrel, {0, 0, 500, 300});
    // f = sqrt(250^2 - 150^2) = 200 about the centre 250.
    EXPECT_TRUE(HasLine(barrel, {50, 0}, {450, 0}));
    // The arcs bulge to the short sides (their 2-degree points truncate toward the
    // centre, so they come within a unit of the midpoints).
    const TLogRect bounds = barrel.Bounds();
    EXPECT_LE(bounds.Left, 1);
    EXPECT_GE(bounds.Right, 499);
    EXPECT_EQ(bounds.Top, 0);
    EXPECT_EQ(bounds.Bottom, 300);
    for (const QPoint& p : barrel.Points()) {
        const double dl = std::hypot(p.x() - 250.0, p.y() - 150.0);
        ASSERT_LE(dl, 250.5 + 1) << p.x() << "," << p.y();
    }
    EXPECT_EQ(barrel.Type(0), PT_MOVETO);
    EXPECT_TRUE(barrel.Type(barrel.Count() - 1) & PT_CLOSEFIGURE);
    // Ends exactly at the arc's third point: (50, 300) closes to the start (50, 300).
    EXPECT_EQ(barrel.Point(0), QPoint(50, 300));
    EXPECT_EQ(barrel.Point(barrel.Count() - 1), QPoint(450, 300));
}

TEST(FaceShapes, TallAndSquareBarrels)
{
    TStroke tall;
    SetBarrelPath(tall, {0, 0, 300, 500});
    EXPECT_TRUE(HasLine(tall, {300, 50}, {300, 450}));
    EXPECT_EQ(tall.Point(0), QPoint(0, 50));

    TStroke square;
    SetBarrelPath(square, {0, 0, 400, 400});
    // f = 0: two half circles meeting at the side midpoints.
    EXPECT_EQ(square.Point(0), QPoint(0, 200));
    EXPECT_EQ(square.Bounds(), (TLogRect{0, 0, 400, 400}));
    const QRegion area = PathToRegion(square.ToPainterPath());
    EXPECT_TRUE(area.contains(QPoint(200, 200)));
    EXPECT_FALSE(area.contains(QPoint(5, 5)));
    EXPECT_TRUE(area.contains(QPoint(200, 2)));
}

TEST(FaceShapes, BarrelCDHoleAndOutline)
{
    TFaceInfo face = Face(fsBarrelCD, {0, 0, 1200, 800});
    face.CenterShape = csBarrel;
    face.CutCenterWidth = 300;
    face.CutCenterHeight = 200;
    EXPECT_FALSE(face.ContainsPoint({600, 400}));
    EXPECT_TRUE(face.ContainsPoint({600, 20}));
    EXPECT_FALSE(face.ContainsPoint({3, 3}));   // outside the left arc
    EXPECT_TRUE(face.ContainsPoint({10, 400})); // the arc's bulge
}

TEST(ArcThroughPoints, ShallowArcBecomesAQuadraticCurve)
{
    TStroke out;
    AppendArcThroughPoints(out, {0, 0}, {50, -10}, {100, 0}, true);
    ASSERT_EQ(out.Count(), 9);
    EXPECT_EQ(out.Point(0), QPoint(0, 0));
    EXPECT_EQ(out.Point(4), QPoint(50, -10)); // Q(1/2) is the middle point
    EXPECT_EQ(out.Point(8), QPoint(100, 0));
    // Q(1/8) = (12.5, -4.375): halves away from zero.
    EXPECT_EQ(out.Point(1), QPoint(13, -4));
}

TEST(ArcThroughPoints, DeepArcIsAPolylineOnTheCircle)
{
    TStroke out;
    // Half circle of radius 100 about (100, 0), clockwise on the page through the top.
    AppendArcThroughPoints(out, {0, 0}, {100, -100}, {200, 0}, true);
    ASSERT_GT(out.Count(), 80);
    EXPECT_EQ(out.Point(0), QPoint(0, 0));
    EXPECT_EQ(out.Point(out.Count() - 1), QPoint(200, 0));
    for (int i = 1; i + 1 < out.Count(); ++i) {
        const QPoint p = out.Point(i);
        const double d = std::hypot(p.x() - 100.0, double(p.y()));
        ASSERT_NEAR(d, 100, 1.5) << i;
        ASSERT_LE(p.y(), 0) << i;
    }
    // Collinear points give an arc with no bulge but keep their ends; a path that
    // has no figure yet starts with a move even when a line was asked for.
    TStroke line;
    AppendArcThroughPoints(line, {0, 0}, {10, 0}, {100, 0}, false);
    ASSERT_EQ(line.Count(), 9);
    EXPECT_EQ(line.Type(0), PT_MOVETO);
    for (const QPoint& p : line.Points())
        EXPECT_EQ(p.y(), 0);
    // Collinear with the middle point at their centre: no radius, nothing drawn.
    TStroke flat;
    AppendArcThroughPoints(flat, {0, 0}, {50, 0}, {100, 0}, true);
    EXPECT_EQ(flat.Count(), 0);
    EXPECT_EQ(line.Point(line.Count() - 1), QPoint(100, 0));
    // Coincident points: nothing.
    TStroke none;
    AppendArcThroughPoints(none, {5, 5}, {5, 5}, {5, 5}, true);
    EXPECT_EQ(none.Count(), 0);
}

TEST(FaceDrawing, OutlineHoleAndCutLineOnAPainter)
{
    QImage image(200, 200, QImage::Format_ARGB32);
    image.fill(Qt::white);
    TFaceInfo face = Face(fsDoughnut, {20, 20, 180, 180}, 10);
    face.CutCenterWidth = face.CutCenterHeight = 60;
    {
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        face.DrawOutline(painter, false, false);
    }
    // Ring filled, hole drawn over it with the same brush: draw the hole white to see it.
    EXPECT_EQ(image.pixelColor(100, 15), QColor(Qt::black)); // bleed
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
    {
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        face.DrawHole(painter, false);
    }
    EXPECT_EQ(image.pixelColor(100, 100), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(100, 60), QColor(Qt::black));

    // Relative drawing puts the outer rectangle's corner at the origin.
    QImage relative(200, 200, QImage::Format_ARGB32);
    relative.fill(Qt::white);
    {
        QPainter painter(&relative);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        face.DrawOutline(painter, true, true);
    }
    EXPECT_EQ(relative.pixelColor(90, 90), QColor(Qt::black)); // centre mark (hole centre)
    // The hole is (70, 70, 110, 110) once shifted; the arms reach 50 each way.
    EXPECT_EQ(relative.pixelColor(90, 135), QColor(Qt::black));
    EXPECT_EQ(relative.pixelColor(90, 145), QColor(Qt::white));
    EXPECT_EQ(relative.pixelColor(45, 90), QColor(Qt::black));
    EXPECT_EQ(relative.pixelColor(35, 90), QColor(Qt::white));
}

TEST(FaceDrawing, CutLineOnlyWithABleed)
{
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    TFaceInfo face = Face(fsRect, {10, 10, 90, 90});
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 1));
        face.DrawCutLine(painter, false);
    }
    EXPECT_EQ(image, [] {
        QImage white(100, 100, QImage::Format_ARGB32);
        white.fill(Qt::white);
        return white;
    }());
    face.FaceMargin = 5;
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 1));
        face.DrawCutLine(painter, false);
    }
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::black));
}

TEST(FaceDrawing, RegionForACanvasIsInDevicePixels)
{
    QImage image(100, 100, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.translate(10, 5);
    painter.scale(0.5, 0.5);
    const TFaceInfo face = Face(fsRect, {0, 0, 100, 60});
    EXPECT_EQ(face.CreateRegion(&painter, true), QRegion(QRect(10, 5, 50, 30)));
    TFaceInfo round = Face(fsRoundRect, {0, 0, 100, 60});
    round.RoundSize = 40;
    const QRegion device = round.CreateRegion(&painter, true);
    EXPECT_EQ(device.boundingRect(), QRect(10, 5, 50, 30));
    EXPECT_FALSE(device.contains(QPoint(10, 5)));
    EXPECT_TRUE(device.contains(QPoint(35, 20)));
}
