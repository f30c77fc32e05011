// Shapes: geometry, stream forms, hit tests at known distances, painting, and
// damaged streams.
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct Shapes : ::testing::Test
{
    Shapes()
    {
        ClearLabelClasses();
        RegisterShapeClasses();
    }
};

// The deco line takes a copy of the picture it is given.
void SetTile(TLODecoLine& deco, const QImage& tile)
{
    TPicture picture;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(tile);
    picture.SetGraphic(std::move(bitmap));
    deco.SetImage(&picture);
}

QByteArray StreamOf(const TDrawObject& object)
{
    TDOList list;
    list.Add(const_cast<TDrawObject*>(&object));
    TMemoryStream stream;
    WriteLabelData(stream, list);
    return stream.Data();
}

std::unique_ptr<TDrawObject> ReadBack(const QByteArray& bytes)
{
    TMemoryStream stream(bytes);
    TDOList list;
    ReadLabelData(stream, list);
    EXPECT_EQ(list.Count(), 1);
    return std::unique_ptr<TDrawObject>(list.Count() ? list[0] : nullptr);
}

QString TextOf(const TDrawObject& object)
{
    return ComponentToText(StreamOf(object));
}

// The image of an object drawn at one pixel per logical unit.
QImage Render(TDrawObject& object, QSize size, QPoint origin = {})
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.translate(-origin);
    object.Paint(p);
    p.end();
    return image;
}

bool Dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

} // namespace

TEST_F(Shapes, ANewLineIsTenUnitsWideAndItsEnclosingRectangleReachesHalfBeyond)
{
    TLOLine line;
    EXPECT_EQ(line.LineWidth(), 10);
    line.SetEndPoint({100, 0});
    EXPECT_EQ(line.GetAngle(), 0);
    EXPECT_EQ(line.GetEncloseRect(), (TLogRect{-5, -5, 105, 5}));
}

TEST_F(Shapes, SettingTheAngleTurnsALineAboutItsMiddle)
{
    TLOLine line;
    line.SetEndPoint({100, 0});
    line.SetAngle(90);
    EXPECT_EQ(line.GetStartPoint(), QPoint(50, -50));
    EXPECT_EQ(line.GetEndPoint(), QPoint(50, 50));
    EXPECT_EQ(line.GetAngle(), 90);
    line.SetAngle(0);
    EXPECT_EQ(line.GetStartPoint(), QPoint(0, 0));
    EXPECT_EQ(line.GetEndPoint(), QPoint(100, 0));
}

TEST_F(Shapes, LineEncloseSizeAndMove)
{
    TLOLine line;
    line.SetStartPoint({100, 50});
    line.SetEndPoint({20, 10});
    line.SetEncloseSize(200, 100);
    EXPECT_EQ(line.StartX(), 20 + 200 - 10);
    EXPECT_EQ(line.StartY(), 10 + 100 - 10);
    line.MoveBy(5, -5);
    EXPECT_EQ(line.GetEndPoint(), QPoint(25, 5));
}

TEST_F(Shapes, LineStreamRoundTripsAndTheAngleIsNeverWritten)
{
    TLOLine line;
    line.SetStartPoint({10, 20});
    line.SetEndPoint({300, 40});
    line.SetLineWidth(25);
    line.LineColor()->SetColor(0x0000FF);
    const QString text = TextOf(line);
    EXPECT_TRUE(text.contains(QStringLiteral("StartX = 10"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("LineWidth = 25")));
    EXPECT_TRUE(text.contains(QStringLiteral("LineColor.Color = clRed"))) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Angle")));
    std::unique_ptr<TDrawObject> back = ReadBack(StreamOf(line));
    auto* copy = dynamic_cast<TLOLine*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetStartPoint(), QPoint(10, 20));
    EXPECT_EQ(copy->GetEndPoint(), QPoint(300, 40));
    EXPECT_EQ(copy->LineColor()->Color(), 0x0000FFu);
    EXPECT_EQ(StreamOf(*copy), StreamOf(line));
}

TEST_F(Shapes, LineHitTestAtKnownDistancesAlsoTurned)
{
    TLOLine line;
    line.SetStartPoint({0, 0});
    line.SetEndPoint({200, 0});
    line.SetLineWidth(20); // half width 10, plus the hit pen's extra pixel (3 off a site)
    EXPECT_TRUE(line.HitTest({100, 0}));
    EXPECT_TRUE(line.HitTest({100, 9}));
    EXPECT_TRUE(line.HitTest({100, -10}));
    EXPECT_FALSE(line.HitTest({100, 14}));
    EXPECT_FALSE(line.HitTest({100, -20}));
    EXPECT_TRUE(line.HitTest({205, 0})) << "round caps";
    EXPECT_FALSE(line.HitTest({220, 0}));
    line.SetAngle(45);
    // The line now runs diagonally through (100, 0); points on the perpendicular.
    const double d = std::sqrt(0.5);
    EXPECT_TRUE(line.HitTest({100 + int(std::lround(50 * d)), int(std::lround(50 * d))}));
    EXPECT_TRUE(line.HitTest({100 - int(std::lround(8 * d)), int(std::lround(8 * d))}));
    EXPECT_FALSE(line.HitTest({100 - int(std::lround(20 * d)), int(std::lround(20 * d))}));
}

TEST_F(Shapes, AThinLineIsStillHitWithinAPixel)
{
    TLOLine line;
    line.SetEndPoint({100, 0});
    line.SetLineWidth(0);
    EXPECT_TRUE(line.HitTest({50, 1}));
    EXPECT_FALSE(line.HitTest({50, 6}));
}

TEST_F(Shapes, CurveBulgeChoosesStraightParabolaOrArc)
{
    TLOCurve curve;
    curve.SetEndPoint({1000, 0});
    curve.SetBulge(0);
    EXPECT_EQ(curve.CenterLine().size(), 2u) << "straight";
    curve.SetBulge(15);
    EXPECT_EQ(curve.CenterLine().size(), 9u) << "parabola: start, seven, end";
    curve.SetBulge(500);
    const std::vector<QPoint> arc = curve.CenterLine();
    EXPECT_GT(arc.size(), 20u) << "2-degree steps";
    EXPECT_EQ(arc.back(), QPoint(1000, 0));
    // The control point lies on the arc: the chord's middle moved by the bulge.
    EXPECT_EQ(curve.GetControlPoint(), QPoint(500, -500));
}

TEST_F(Shapes, SettingTheControlPointGivesTheBulgeBack)
{
    TLOCurve curve;
    curve.SetEndPoint({1000, 0});
    for (int bulge : {30, 200, 500, 800, -300}) {
        curve.SetBulge(bulge);
        const QPoint p = curve.GetControlPoint();
        curve.SetBulge(0);
        curve.SetControlPoint(p);
        EXPECT_NEAR(curve.Bulge(), bulge, 1) << bulge;
    }
    curve.SetControlPoint({500, 0});
    EXPECT_EQ(curve.Bulge(), 0) << "collinear points make a straight line";
}

TEST_F(Shapes, ArcHitTestNearTheStrokeOnly)
{
    TLOCurve curve;
    curve.SetEndPoint({1000, 0});
    curve.SetBulge(500); // a half circle about (500, 0) of radius 500, bulging upwards
    curve.SetLineWidth(10);
    EXPECT_TRUE(curve.HitTest({500, -500}));
    EXPECT_TRUE(curve.HitTest({500, -494}));
    EXPECT_FALSE(curve.HitTest({500, -480}));
    EXPECT_FALSE(curve.HitTest({500, -250})) << "inside the arc is not the arc";
    const int x = 500 + int(std::lround(500 * std::cos(M_PI / 4)));
    const int y = -int(std::lround(500 * std::sin(M_PI / 4)));
    EXPECT_TRUE(curve.HitTest({x, y}));
}

TEST_F(Shapes, CurveStreamCarriesItsBulge)
{
    TLOCurve curve;
    curve.SetEndPoint({300, 0});
    curve.SetBulge(77);
    EXPECT_TRUE(TextOf(curve).contains(QStringLiteral("Bulge = 77")));
    std::unique_ptr<TDrawObject> back = ReadBack(StreamOf(curve));
    auto* copy = dynamic_cast<TLOCurve*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Bulge(), 77);
}

TEST_F(Shapes, RectangleStreamFormAndTheOlderRoundProperty)
{
    TLORect rect;
    rect.SetBaseRect({10, 20, 110, 70});
    const QString text = TextOf(rect);
    const int fw = text.indexOf(QStringLiteral("FrameWidth = 10"));
    const int fi = text.indexOf(QStringLiteral("FillInside = False"));
    const int an = text.indexOf(QStringLiteral("Angle = 0"));
    const int rr = text.indexOf(QStringLiteral("RoundRect = False"));
    EXPECT_TRUE(fw >= 0 && fw < fi && fi < an && an < rr) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Round ="))) << "never written";
    QString old = text;
    old.replace(QStringLiteral("RoundRect = False"), QStringLiteral("Round = True"));
    std::unique_ptr<TDrawObject> back;
    try {
        back = ReadBack(TextToComponentResource(old, QStringLiteral("LABELDATA")));
    } catch (const std::exception& e) {
        FAIL() << e.what() << "\n" << qPrintable(old);
    }
    auto* copy = dynamic_cast<TLORect*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->RoundRect());
    EXPECT_EQ(copy->BaseRect(), (TLogRect{10, 20, 110, 70}));
}

TEST_F(Shapes, AnEmptyTransparentRectangleIsHitInsideButDrawsNothing)
{
    TLORect rect;
    rect.SetBaseRect({0, 0, 200, 100});
    rect.SetFrameWidth(0);
    EXPECT_TRUE(rect.HitTest({100, 50}));
    const QImage image = Render(rect, {220, 120});
    for (int y = 0; y < image.height(); y += 5)
        for (int x = 0; x < image.width(); x += 5)
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
}

TEST_F(Shapes, AFramedRectangleIsHitNearItsFrameAndInsideOnlyWhenFilled)
{
    TLORect rect;
    rect.SetBaseRect({0, 0, 200, 100});
    rect.SetFrameWidth(10);
    EXPECT_TRUE(rect.HitTest({0, 50}));
    EXPECT_TRUE(rect.HitTest({5, 50}));
    EXPECT_FALSE(rect.HitTest({20, 50}));
    EXPECT_FALSE(rect.HitTest({100, 50}));
    rect.SetFillInside(true);
    EXPECT_TRUE(rect.HitTest({100, 50}));
    EXPECT_FALSE(rect.HitTest({100, 80 + 40}));
}

TEST_F(Shapes, TurnedRectangleIsHitWhereItWasTurnedTo)
{
    TLORect rect;
    rect.SetBaseRect({0, 0, 400, 40});
    rect.SetFrameWidth(0);
    EXPECT_TRUE(rect.HitTest({380, 20}));
    rect.SetAngle(90); // now upright about (200, 20)
    EXPECT_FALSE(rect.HitTest({380, 20}));
    EXPECT_TRUE(rect.HitTest({200, 200}));
    EXPECT_TRUE(rect.HitTest({200, -150}));
}

TEST_F(Shapes, ANarrowRectangleWithAWideFrameNeverFills)
{
    TLORect rect;
    rect.SetBaseRect({20, 20, 50, 120});
    rect.SetFrameWidth(40);
    rect.SetFillInside(true);
    rect.FillColor()->SetColor(0x0000FF); // red
    rect.FrameColor()->SetColor(0x000000);
    const QImage image = Render(rect, {120, 160});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_NE(image.pixel(x, y), qRgb(255, 0, 0)) << x << "," << y;
    EXPECT_TRUE(Dark(image, 35, 70)) << "the frame covers the middle";
}

TEST_F(Shapes, RectanglePaintsFrameCentredOnTheEdgesAndFill)
{
    TLORect rect;
    rect.SetBaseRect({20, 20, 120, 80});
    rect.SetFrameWidth(10);
    rect.SetFillInside(true);
    rect.FillColor()->SetColor(0x00FF00);
    const QImage image = Render(rect, {140, 100});
    EXPECT_TRUE(Dark(image, 16, 50));
    EXPECT_TRUE(Dark(image, 24, 50));
    EXPECT_EQ(image.pixel(12, 50), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(70, 50), qRgb(0, 255, 0));
}

TEST_F(Shapes, EllipseIsHitInsideItsCurveOnly)
{
    TLOCircle circle;
    circle.SetBaseRect({0, 0, 200, 200});
    circle.SetFrameWidth(0);
    EXPECT_TRUE(circle.HitTest({100, 100}));
    EXPECT_FALSE(circle.HitTest({10, 10})) << "the corner of the box is outside the ellipse";
    circle.SetFrameWidth(10);
    EXPECT_FALSE(circle.HitTest({100, 100}));
    EXPECT_TRUE(circle.HitTest({100, 2}));
    EXPECT_TRUE(circle.HitTest({100 + 71, 100 + 71}));
}

TEST_F(Shapes, EncloseSizeOfARectangleIncludesItsFrame)
{
    TLORect rect;
    rect.SetBaseRect({0, 0, 100, 100});
    rect.SetEncloseSize(210, 110);
    EXPECT_EQ(rect.BaseRect().Width(), 200);
    EXPECT_EQ(rect.BaseRect().Height(), 100);
}

TEST_F(Shapes, DecoLineFillsItsLengthWithWholeTiles)
{
    TLODecoLine deco;
    QImage tile(30, 30, QImage::Format_RGB888);
    tile.fill(Qt::black);
    SetTile(deco, tile);
    deco.SetStartPoint({0, 100});
    deco.SetEndPoint({600, 100});
    deco.SetLineWidth(60);
    EXPECT_EQ(deco.TileCount(), 10);
    deco.FitToTile();
    EXPECT_EQ(deco.GetEndPoint(), QPoint(6 * 42, 0));
    EXPECT_EQ(deco.LineWidth(), 42);
    deco.SetLineWidth(-3);
    EXPECT_EQ(deco.LineWidth(), 1);
    deco.SetLineWidth(42);
    TLogRect where;
    const QImage rendered = deco.RenderedImage(&where);
    ASSERT_FALSE(rendered.isNull());
    EXPECT_NEAR(where.Width(), 6 * 42, 2);
    const QImage image = Render(deco, {300, 80}, {-10, -40});
    EXPECT_TRUE(Dark(image, 10 + 126, 40)) << "the tile shows along the line";
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
}

TEST_F(Shapes, ADecoLineWithoutATilePaintsNothing)
{
    TLODecoLine deco;
    deco.SetEndPoint({300, 0});
    const QImage image = Render(deco, {320, 60}, {-10, -30});
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
    EXPECT_EQ(deco.TileCount(), 0);
}

TEST_F(Shapes, DecoLineStreamCarriesItsTile)
{
    TLODecoLine deco;
    QImage tile(12, 8, QImage::Format_RGB888);
    tile.fill(QColor(10, 200, 30));
    SetTile(deco, tile);
    deco.SetEndPoint({400, 0});
    std::unique_ptr<TDrawObject> back = ReadBack(StreamOf(deco));
    auto* copy = dynamic_cast<TLODecoLine*>(back.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->Image()->HasGraphic());
    EXPECT_EQ(copy->Image()->Graphic()->Image().size(), QSize(12, 8));
    EXPECT_EQ(StreamOf(*copy), StreamOf(deco));
}

TEST_F(Shapes, DamagedShapeStreamsAreRefusedWithoutACrash)
{
    TLORect rect;
    rect.SetBaseRect({10, 20, 110, 70});
    TLOLine line;
    line.SetEndPoint({50, 50});
    TLODecoLine deco;
    for (const QByteArray& good : {StreamOf(rect), StreamOf(line), StreamOf(deco)}) {
        for (int cut = 1; cut < good.size(); cut += 3) {
            TMemoryStream stream(good.left(cut));
            TDOList list;
            try {
                ReadLabelData(stream, list);
            } catch (const std::exception&) {
            }
            list.FreeObjects();
        }
        for (int i = 0; i < good.size(); ++i) {
            QByteArray bad = good;
            bad[i] = char(bad[i] ^ 0x5A);
            TMemoryStream stream(bad);
            TDOList list;
            try {
                ReadLabelData(stream, list);
            } catch (const std::exception&) {
            }
            for (TDrawObject* o : list.Objects()) {
                QImage image(64, 64, QImage::Format_ARGB32);
                QPainter p(&image);
                o->Paint(p);
                o->HitTest({5, 5});
                o->GetEncloseRect();
            }
            list.FreeObjects();
        }
    }
    SUCCEED();
}

TEST_F(Shapes, HugeBulgesAreClampedAndDegenerateShapesStaySafe)
{
    TLOCurve curve;
    curve.SetEndPoint({100, 0});
    curve.SetBulge(2000000000);
    EXPECT_EQ(curve.GetControlPoint(), QPoint(50, -4000));
    curve.SetEndPoint({0, 0});
    EXPECT_EQ(curve.CenterLine().size(), 2u);
    TLORect rect; // empty
    EXPECT_NO_THROW(rect.HitTest({0, 0}));
    TLODecoLine deco;
    deco.SetStartPoint({0, 0});
    deco.SetEndPoint({2000000000, 0});
    deco.SetLineWidth(2000000000);
    TLogRect where;
    EXPECT_TRUE(deco.RenderedImage(&where).isNull()) << "no strip beyond what a label can need";
    // Ends stored at opposite extremes: their distance does not fit an int.
    QImage tile(30, 30, QImage::Format_RGB888);
    tile.fill(Qt::black);
    SetTile(deco, tile);
    deco.SetStartPoint({-2000000000, -2000000000});
    deco.SetEndPoint({2000000000, 2000000000});
    deco.SetLineWidth(100);
    EXPECT_GT(deco.StripWidth(), 1000000000) << "a long line stays long";
    EXPECT_GT(deco.TileCount(), 0);
    EXPECT_TRUE(deco.RenderedImage(&where).isNull());
    // A curve over such ends: its arc's centre lies beyond any coordinate.
    TLOCurve far;
    far.SetBulge(5);
    far.SetStartPoint({-2000000000, 0});
    far.SetEndPoint({2000000000, 10});
    const std::vector<QPoint> line = far.CenterLine();
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.front(), QPoint(-2000000000, 0));
    EXPECT_EQ(line.back(), QPoint(2000000000, 10));
    EXPECT_LE(std::abs(far.GetControlPoint().y()), 20) << "the bulge stays small";
}

TEST_F(Shapes, GalleryOfEveryShapePaintsInsideItsEnclosingRectangle)
{
    // Every shape kind, solid, gradient and turned, painted at one pixel per unit;
    // each covers pixels inside its enclosing rectangle and none far outside it.
    std::vector<std::unique_ptr<TDrawObject>> shapes;
    auto line = std::make_unique<TLOLine>();
    line->SetStartPoint({40, 60});
    line->SetEndPoint({360, 140});
    line->SetLineWidth(20);
    line->LineColor()->SetColor(0x2040C0);
    shapes.push_back(std::move(line));
    auto curve = std::make_unique<TLOCurve>();
    curve->SetStartPoint({420, 160});
    curve->SetEndPoint({760, 160});
    curve->SetBulge(120);
    curve->SetLineWidth(16);
    curve->LineColor()->SetColor(0x008000);
    shapes.push_back(std::move(curve));
    auto rect = std::make_unique<TLORect>();
    rect->SetBaseRect({40, 240, 360, 440});
    rect->SetFrameWidth(12);
    rect->SetFillInside(true);
    rect->FillColor()->SetKind(TColorSpecKind::cskGradation);
    shapes.push_back(std::move(rect));
    auto round = std::make_unique<TLORect>();
    round->SetBaseRect({420, 240, 760, 440});
    round->SetRoundRect(true);
    round->SetFrameWidth(20);
    round->FrameColor()->SetColor(0x0000C0);
    round->SetAngle(15);
    shapes.push_back(std::move(round));
    auto circle = std::make_unique<TLOCircle>();
    circle->SetBaseRect({40, 500, 360, 700});
    circle->SetFillInside(true);
    circle->FillColor()->SetColor(0x00C0FF);
    circle->SetFrameWidth(8);
    shapes.push_back(std::move(circle));
    auto deco = std::make_unique<TLODecoLine>();
    QImage tile(test::BinaryDir() + QStringLiteral("/data/ILLUST/DecoLine/18-hearts.bmp"));
    if (!tile.isNull()) {
        SetTile(*deco, tile.convertToFormat(QImage::Format_RGB888));
    }
    deco->SetStartPoint({420, 620});
    deco->SetEndPoint({760, 560});
    deco->SetLineWidth(50);
    shapes.push_back(std::move(deco));

    QImage all(800, 760, QImage::Format_ARGB32);
    all.fill(Qt::white);
    for (auto& shape : shapes) {
        const QImage one = Render(*shape, {800, 760});
        const TLogRect e = shape->GetEncloseRect();
        int inside = 0, outside = 0;
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x) {
                if (one.pixel(x, y) == qRgb(255, 255, 255))
                    continue;
                if (x >= e.Left - 2 && x <= e.Right + 2 && y >= e.Top - 2 && y <= e.Bottom + 2)
                    ++inside;
                else
                    ++outside;
            }
        EXPECT_GT(inside, 100) << shape->ClassName();
        EXPECT_EQ(outside, 0) << shape->ClassName();
        QPainter p(&all);
        shape->Paint(p);
    }
    const QString dir = qEnvironmentVariable("VELMO_TEST_SHOTS");
    if (!dir.isEmpty())
        all.save(dir + QStringLiteral("/shapes-gallery.png"));
}
