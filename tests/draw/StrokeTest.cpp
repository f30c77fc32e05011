#include "draw/UStroke.h"
#include "draw/UTransformer.h"
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

namespace {
std::vector<QPoint> P(std::initializer_list<QPoint> points)
{
    return points;
}
} // namespace

TEST(Rotator, QuarterHalfAndEighthTurns)
{
    TRotator r(90, QPoint(0, 0));
    EXPECT_EQ(r.Transformed({10, 0}), QPoint(0, 10)); // clockwise on the page
    r.SetAngle(180);
    EXPECT_EQ(r.Transformed({10, 0}), QPoint(-10, 0));
    r.SetAngle(45);
    EXPECT_EQ(r.Transformed({1, 1}), QPoint(0, 1));
    r.SetAngle(-90);
    EXPECT_EQ(r.Transformed({10, 0}), QPoint(0, -10));
}

TEST(Rotator, AboutACentreAndZeroAngle)
{
    TRotator r(90, QPoint(100, 50));
    EXPECT_EQ(r.Transformed({110, 50}), QPoint(100, 60));
    // Rounding is half away from zero on both sides of the centre.
    r.SetAngle(30);
    EXPECT_EQ(r.Transformed({101, 50}), QPoint(101, 51)); // (0.866, 0.5) -> (1, 1)
    EXPECT_EQ(r.Transformed({99, 50}), QPoint(99, 49));   // (-0.866, -0.5) -> (-1, -1)
    TRotator none(0, QPoint(7, 7));
    TStroke s;
    s.SetEllipsePath({-33, 5, 77, 91});
    const TStroke before = s;
    none.TransformStroke(s);
    EXPECT_EQ(s, before);
}

TEST(Stroke, RectanglePathAndBounds)
{
    TStroke s;
    s.SetRectPath({0, 0, 100, 50});
    ASSERT_EQ(s.Count(), 4);
    EXPECT_EQ(s.Points(), P({{0, 0}, {100, 0}, {100, 50}, {0, 50}}));
    EXPECT_EQ(s.Types(), (std::vector<uint8_t>{PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO_CLOSE}));
    EXPECT_EQ(s.Bounds(), (TLogRect{0, 0, 100, 50}));
    TStroke empty;
    EXPECT_EQ(empty.Bounds(), TLogRect{});
}

TEST(Stroke, EllipseHasThirteenPointsWithControlOffsets)
{
    TStroke s;
    s.SetEllipsePath({0, 0, 200, 100});
    ASSERT_EQ(s.Count(), 13);
    EXPECT_EQ(s.Point(0), QPoint(200, 50));
    EXPECT_EQ(s.Type(0), PT_MOVETO);
    EXPECT_EQ(s.Point(1), QPoint(200, 50 - 28)); // round(100 * 0.5522847 / 2) = 28
    EXPECT_EQ(s.Point(2), QPoint(100 + 55, 0));  // round(200 * 0.5522847 / 2) = 55
    EXPECT_EQ(s.Point(3), QPoint(100, 0));
    EXPECT_EQ(s.Point(6), QPoint(0, 50));
    EXPECT_EQ(s.Point(9), QPoint(100, 100));
    EXPECT_EQ(s.Point(12), QPoint(200, 50));
    EXPECT_EQ(s.Type(12), PT_BEZIERTO_CLOSE);
    EXPECT_EQ(s.Bounds(), (TLogRect{0, 0, 200, 100}));
}

TEST(Stroke, RoundRectCornersAndHitTest)
{
    TStroke s;
    s.SetRoundRectPath({0, 0, 100, 60}, 40);
    EXPECT_EQ(s.Point(0), QPoint(100, 20));
    EXPECT_EQ(s.Type(0), PT_MOVETO);
    ASSERT_EQ(s.Count(), 21);
    // Corners are Bezier quarters of radius 20 with control points 11 (40 x 0.5522847 / 2
    // rounded) from their ends; edges are two lines meeting at the edge's middle.
    EXPECT_EQ(s.Point(1), QPoint(100, 9));
    EXPECT_EQ(s.Point(2), QPoint(91, 0));
    EXPECT_EQ(s.Point(3), QPoint(80, 0));
    EXPECT_EQ(s.Point(4), QPoint(50, 0));
    EXPECT_EQ(s.Point(5), QPoint(20, 0));
    EXPECT_EQ(s.Point(9), QPoint(0, 30));
    EXPECT_EQ(s.Point(14), QPoint(50, 60));
    EXPECT_EQ(s.Point(19), QPoint(100, 30));
    EXPECT_EQ(s.Point(20), s.Point(0));
    const std::vector<uint8_t> types{6, 4, 4, 4, 2, 2, 4, 4, 4, 2, 2, 4, 4, 4, 2, 2, 4, 4, 4, 2, 3};
    EXPECT_EQ(s.Types(), types);
    EXPECT_EQ(s.Type(s.Count() - 1), PT_LINETO_CLOSE);
    EXPECT_EQ(s.Bounds(), (TLogRect{0, 0, 100, 60}));
    const QPainterPath path = s.DrawAsPath();
    EXPECT_TRUE(path.contains(QPointF(50, 30)));
    EXPECT_TRUE(path.contains(QPointF(50, 1)));   // on the straight top edge
    EXPECT_FALSE(path.contains(QPointF(1, 1)));   // cut away by the rounded corner
    EXPECT_FALSE(path.contains(QPointF(99, 59))); // likewise bottom right
}

TEST(Stroke, SubdivideHalvesUntilBelowEight)
{
    TStroke s;
    s.Add({0, 0}, PT_MOVETO);
    s.Add({20, 0}, PT_LINETO);
    s.SubdivideLines();
    EXPECT_EQ(s.Points(), P({{0, 0}, {5, 0}, {10, 0}, {15, 0}, {20, 0}}));
    // Negative midpoints truncate toward zero.
    TStroke n;
    n.Add({0, 0}, PT_MOVETO);
    n.Add({-9, 0}, PT_LINETO);
    n.SubdivideLines();
    EXPECT_EQ(n.Points(), P({{0, 0}, {-4, 0}, {-9, 0}}));
}

TEST(Stroke, SubdivideClosedFigureDropsDuplicateStart)
{
    TStroke s;
    s.SetRectPath({0, 0, 16, 16});
    s.SubdivideLines();
    // Each 16-unit edge becomes two pieces of 8 -> four of 4 (8 is not below 8).
    EXPECT_EQ(s.Count(), 16);
    EXPECT_EQ(s.Point(0), QPoint(0, 0));
    EXPECT_EQ(s.Point(s.Count() - 1), QPoint(0, 4));
    EXPECT_EQ(s.Type(s.Count() - 1), PT_LINETO_CLOSE);
    for (int i = 1; i < s.Count() - 1; ++i)
        EXPECT_EQ(s.Type(i), PT_LINETO) << i;
    // Curves pass through unchanged.
    TStroke e;
    e.SetEllipsePath({0, 0, 300, 300});
    TStroke copy = e;
    e.SubdivideLines();
    EXPECT_EQ(e, copy);
}

TEST(Stroke, PainterPathRoundTripKeepsClosedFigures)
{
    TStroke s;
    s.SetRectPath({10, 10, 110, 60});
    TStroke ellipse;
    ellipse.SetEllipsePath({200, 0, 300, 80});
    for (int i = 0; i < ellipse.Count(); ++i)
        s.Add(ellipse.Point(i), ellipse.Type(i));
    s.Add({0, 100}, PT_MOVETO); // an open polyline stays open
    s.Add({50, 150}, PT_LINETO);
    s.Add({90, 100}, PT_LINETO);

    TStroke back;
    back.AppendPath(s.ToPainterPath());
    EXPECT_EQ(back, s);
    // A triangle closed by a curve end that is not at the start gets its closing
    // line from the painter path and loses it again on the way back.
    TStroke t;
    t.Add({0, 0}, PT_MOVETO);
    t.Add({10, 0}, PT_BEZIERTO);
    t.Add({20, 10}, PT_BEZIERTO);
    t.Add({20, 20}, PT_BEZIERTO_CLOSE);
    TStroke tBack;
    tBack.AppendPath(t.ToPainterPath());
    EXPECT_EQ(tBack, t);
}

TEST(Stroke, DrawToStrokesOutlineAndEmptyPathDrawsNothingVisible)
{
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::black, 1));
        TStroke empty;
        empty.DrawTo(p);
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::red); // an outline must not be filled
        TStroke s;
        s.SetRectPath({10, 10, 50, 50});
        s.DrawTo(p);
    }
    EXPECT_EQ(qGray(image.pixel(30, 10)), 0);
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 255, 255));
}
