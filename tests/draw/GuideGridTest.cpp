// Guides and grid: snapping, finding, removal, drawing; the ruler's graduation.
#include "base/UStream.h"
#include "draw/FRuler.h"
#include "draw/UGuide.h"
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

TEST(Guides, GridOffsetsRoundHalfUpAndTruncateTowardZeroForNegatives)
{
    TGrid grid;
    EXPECT_EQ(grid.SnapOffset({120, 0}), QPoint(kNoSnap, kNoSnap)) << "disabled";
    grid.SetEnabled(true);
    EXPECT_EQ(grid.SnapOffset({120, 125}), QPoint(-20, 25));
    EXPECT_EQ(grid.SnapOffset({-30, -76}), QPoint(30, 26)) << "-30 snaps to 0, -76 to -50";
    grid.SetSize(0);
    EXPECT_EQ(grid.SnapOffset({7, 7}), QPoint(kNoSnap, kNoSnap)) << "a zero size never divides";
}

TEST(Guides, ACloserGuideWinsOnlyWhenStrictlyCloser)
{
    TGrid grid;
    grid.SetEnabled(true);
    TGuide guide;
    guide.SetEnabled(true);
    guide.SetPos(0, {125, 0});
    EXPECT_EQ(CombineSnap(guide.SnapOffset({120, 0}, 30), grid.SnapOffset({120, 0})).x(), 5);
    guide.SetPos(0, {140, 0});
    EXPECT_EQ(CombineSnap(guide.SnapOffset({120, 0}, 30), grid.SnapOffset({120, 0})).x(), -20)
        << "equal magnitude: the grid stays";
    grid.SetEnabled(false);
    EXPECT_EQ(CombineSnap(guide.SnapOffset({120, 0}, 30), grid.SnapOffset({120, 0})), QPoint(20, kNoSnap));
}

TEST(Guides, EqualDistancesGoToTheLowerSlotAndDisabledGuidesDoNothing)
{
    TGuide guide;
    guide.SetPos(3, {110, 0});
    guide.SetPos(5, {90, 0});
    guide.SetPos(7, {0, 40});
    EXPECT_EQ(guide.SnapOffset({100, 50}, 20), QPoint(kNoSnap, kNoSnap));
    EXPECT_EQ(guide.GuideAt(110, 0, 5), -1);
    guide.SetEnabled(true);
    EXPECT_EQ(guide.SnapOffset({100, 50}, 20), QPoint(10, -10));
    EXPECT_EQ(guide.SnapOffset({100, 50}, 5), QPoint(kNoSnap, kNoSnap)) << "beyond the tolerance";
    EXPECT_EQ(guide.GuideAt(100, 500, 10), 3);
    EXPECT_EQ(guide.GuideAt(0, 42, 2), 7);
    EXPECT_EQ(guide.FreeSlot(), 0);
}

TEST(Guides, RemoveOutsideFreesGuidesAndSwitchesSnappingOff)
{
    TGuide guide;
    guide.SetEnabled(true);
    guide.SetVisible(true);
    guide.SetPos(0, {500, 0});
    guide.SetPos(1, {0, 200});
    guide.SetPos(2, {0, -1}); // a placeholder of a drag that never ended
    guide.RemoveOutside({0, 0, 400, 300});
    EXPECT_EQ(guide.GetPos(0), QPoint());
    EXPECT_EQ(guide.GetPos(1), QPoint(0, 200));
    EXPECT_EQ(guide.GetPos(2), QPoint());
    EXPECT_TRUE(guide.Enabled());
    guide.RemoveOutside({0, 0, 100, 100});
    EXPECT_TRUE(guide.NoGuides());
    EXPECT_FALSE(guide.Enabled());
    EXPECT_TRUE(guide.Visible()) << "not changed here";
    EXPECT_TRUE(TGuide::InRange({0, 300}, {0, 0, 400, 300}));
    EXPECT_FALSE(TGuide::InRange({5, 5}, {0, 0, 400, 300})) << "a vertical guide has y 0";
    EXPECT_TRUE(TGuide::InRange({0, 0}, {0, 0, 400, 300})) << "a free slot is always in range";
}

TEST(Guides, DraggedGuidesRoundToWholeMillimetresUnlessExact)
{
    EXPECT_EQ(GuideDragPosition({-1, 0}, {124, 77}, false), QPoint(120, 0));
    EXPECT_EQ(GuideDragPosition({-1, 0}, {125, 77}, false), QPoint(130, 0));
    EXPECT_EQ(GuideDragPosition({0, -1}, {124, 77}, false), QPoint(0, 80));
    EXPECT_EQ(GuideDragPosition({0, -1}, {124, 77}, true), QPoint(0, 77));
    EXPECT_EQ(GuideDragPosition({-1, 0}, {-3, 0}, false), QPoint(0, 0)) << "(-3 + 5) div 10";
    EXPECT_EQ(MillimetreText(125), QStringLiteral("12.5mm"));
    EXPECT_EQ(MillimetreText(-3), QStringLiteral("-0.3mm"));
    EXPECT_EQ(MillimetreText(0), QStringLiteral("0.0mm"));
}

TEST(Guides, TheStreamKeepsTenSlotsWhateverTheCount)
{
    TGuide guide;
    TMemoryStream stream;
    stream.WriteUInt32(12);
    for (int i = 0; i < 12; ++i) {
        stream.WriteUInt32(uint32_t(i + 1));
        stream.WriteUInt32(0);
    }
    // The reader is reached through the binary custom property of the table.
    const TCustomPropertyInfo* pos = TGuide::Properties().FindCustom(QStringLiteral("Pos"));
    ASSERT_NE(pos, nullptr);
    stream.SetPosition(0);
    pos->ReadBinary(guide, stream);
    EXPECT_EQ(guide.GetPos(9), QPoint(10, 0));
    TGuide three;
    three.SetPos(5, {0, 55});
    TMemoryStream short3;
    short3.WriteUInt32(3);
    for (int i = 0; i < 3; ++i) {
        short3.WriteUInt32(uint32_t(i + 1));
        short3.WriteUInt32(0);
    }
    short3.SetPosition(0);
    pos->ReadBinary(three, short3);
    EXPECT_EQ(three.GetPos(2), QPoint(3, 0));
    EXPECT_EQ(three.GetPos(5), QPoint(0, 55)) << "slots beyond the count keep their values";
    TMemoryStream lying;
    lying.WriteUInt32(1000000);
    lying.WriteUInt32(7);
    lying.SetPosition(0);
    TGuide safe;
    EXPECT_NO_THROW(pos->ReadBinary(safe, lying));
    EXPECT_TRUE(safe.NoGuides()) << "a count beyond the bytes reads what is there";
}

TEST(Guides, GridDrawsLinesOrOneDotPerCrossingAndGuidesOnlyWhenVisible)
{
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    TGrid grid;
    grid.SetSize(20);
    {
        QPainter p(&image);
        p.setPen(Qt::blue);
        grid.DrawGrid(p, {0, 0, 100, 100});
    }
    EXPECT_EQ(image.pixel(40, 40), qRgb(255, 255, 255)) << "not visible";
    grid.SetVisible(true);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::blue, 0));
        grid.DrawGrid(p, {0, 0, 100, 100});
    }
    EXPECT_EQ(image.pixel(40, 40), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(41, 40), qRgb(255, 255, 255)) << "dots only";
    grid.SetLineShape(true);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::red, 0));
        grid.DrawGrid(p, {0, 0, 100, 100});
    }
    EXPECT_EQ(image.pixel(40, 47), qRgb(255, 0, 0));
    TGuide guide;
    guide.SetPos(0, {0, 33});
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::green, 0));
        guide.DrawGuides(p, {0, 0, 100, 100});
    }
    EXPECT_NE(image.pixel(10, 33), qRgb(0, 255, 0));
    guide.SetVisible(true);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::green, 0));
        guide.DrawGuides(p, {0, 0, 100, 100});
    }
    EXPECT_EQ(image.pixel(10, 33), qRgb(0, 255, 0));
}

TEST(Rulers, NumbersEveryTenMillimetresButNeverZeroAndNotAcrossTheEnd)
{
    TRuler ruler;
    ruler.resize(400, 24);
    ruler.SetRulerLength(40);
    QFont font;
    font.setPixelSize(9);
    const QFontMetrics metrics(font);
    const std::vector<TRuler::TTick> ticks = ruler.Ticks(254, metrics); // 10 px per mm
    ASSERT_EQ(ticks.size(), 40u);
    EXPECT_FALSE(ticks[0].Number) << "0 would start left of the mark";
    EXPECT_TRUE(ticks[10].Number);
    EXPECT_EQ(ticks[10].Position, 100);
    EXPECT_EQ(ticks[10].Start, metrics.height());
    EXPECT_LT(ticks[5].Start, ticks[1].Start) << "5 mm ticks are longer";
    ruler.SetRulerLength(30);
    const std::vector<TRuler::TTick> short30 = ruler.Ticks(254, metrics);
    EXPECT_TRUE(short30.back().Millimetre == 29);
    // 20 at 200 px: its text ends before 300, so it is printed; nothing at 30.
    EXPECT_TRUE(short30[20].Number);
}

TEST(Rulers, AtAQuarterZoomTheRulerStepsByTwoMillimetres)
{
    TRuler ruler;
    ruler.resize(400, 24);
    ruler.SetScale(25);
    ruler.SetRulerLength(100);
    QFont font;
    font.setPixelSize(9);
    const std::vector<TRuler::TTick> ticks = ruler.Ticks(96, QFontMetrics(font));
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks[1].Millimetre, 2);
    for (const TRuler::TTick& t : ticks)
        EXPECT_NE(t.Millimetre % 10, 5) << "no 5 mm ticks";
}

// At a third of full size ten millimetres are about 13 pixels, narrower than "100":
// the numbers shown must not run into each other, on either kind of ruler, and at
// full size none is left out.
TEST(Rulers, NumbersNeverRunIntoEachOther)
{
    QFont font;
    font.setPixelSize(9);
    const QFontMetrics metrics(font);
    for (TRulerKind kind : {TRulerKind::rkHorizontal, TRulerKind::rkVertical}) {
        TRuler ruler;
        ruler.SetKind(kind);
        ruler.resize(kind == TRulerKind::rkHorizontal ? QSize(800, 24) : QSize(24, 800));
        ruler.SetRulerLength(297);
        ruler.SetScale(34);
        int shown = 0, lastEnd = -1000;
        for (const TRuler::TTick& t : ruler.Ticks(96, metrics)) {
            if (!t.Number)
                continue;
            const int w = metrics.horizontalAdvance(QString::number(t.Millimetre));
            const int first = t.Position - w / 2;
            EXPECT_GT(first, lastEnd) << t.Millimetre << " runs into the number before it";
            lastEnd = first + w;
            ++shown;
        }
        EXPECT_GE(shown, 5) << "some numbers still show";
        // ...at an even rhythm: every 20 mm here.
        for (const TRuler::TTick& t : ruler.Ticks(96, metrics))
            if (t.Millimetre > 0 && t.Millimetre < 280)
                EXPECT_EQ(t.Number, t.Millimetre % 20 == 0) << t.Millimetre;
        EXPECT_LT(shown, 29) << "not every ten millimetres fits at this zoom";
        ruler.SetScale(100);
        for (const TRuler::TTick& t : ruler.Ticks(96, metrics))
            if (t.Millimetre % 10 == 0 && t.Millimetre > 0 && t.Millimetre < 290)
                EXPECT_TRUE(t.Number) << t.Millimetre << " left out at full size";
    }
}

TEST(Rulers, PaintsTheGradientAndTheMarker)
{
    TRuler ruler;
    ruler.resize(300, 24);
    ruler.SetColor(13948116);
    ruler.SetEndColor(clWhite);
    ruler.SetRulerLength(20);
    ruler.SetMarker(250);
    QImage image(300, 24, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    ruler.PaintRuler(p, 254);
    p.end();
    EXPECT_EQ(image.pixel(250, 2), qRgb(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(1, 2)).red(), 0xD4) << "13948116 is 0xD4D4D4 at the start";
    EXPECT_GT(QColor(image.pixel(298, 2)).red(), 0xF8);
    EXPECT_EQ(image.pixel(100, 23), qRgb(0, 0, 0)) << "the 10 mm tick reaches the edge";
}
