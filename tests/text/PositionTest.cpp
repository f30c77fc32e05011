// Glyph positioning on made-up widths: no font is involved.
#include "text/UTextUtil.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct TPlaced
{
    TIntArray Positions;
    int InkStart = 0, InkEnd = 0;
};

TPlaced Place(const TABCArray& widths, int length, int spacing, int align)
{
    TPlaced p;
    PositionGlyphs(widths, length, spacing, align, p.Positions, p.InkStart, p.InkEnd);
    return p;
}

// Three glyphs with ink 2..8 inside an advance of 10, one overhanging to the left.
const TABCArray kThree = {{2, 6, 2}, {2, 6, 2}, {-1, 8, 3}};

} // namespace

TEST(PositionGlyphs, LeftAlignPutsTheFirstInkAtZero)
{
    const TPlaced p = Place(kThree, 100, 0, kAlignLeft);
    EXPECT_EQ(p.Positions, TIntArray({-2, 8, 18}));
    EXPECT_EQ(p.InkStart, 0);
    EXPECT_EQ(p.InkEnd, 25); // pen 17 + 8 = 25, minus 2
}

TEST(PositionGlyphs, RightAlignEndsTheLastInkAtTheLength)
{
    const TPlaced p = Place(kThree, 100, 0, kAlignRight);
    EXPECT_EQ(p.InkEnd, 100);
    EXPECT_EQ(p.InkStart, 100 - 25);
    EXPECT_EQ(p.Positions, TIntArray({73, 83, 93}));
}

TEST(PositionGlyphs, CentreTruncatesTowardsZero)
{
    // m = 2, M = 27: (100 - 27 - 2) div 2 = 35 (71 / 2).
    TPlaced p = Place(kThree, 100, 0, kAlignCenter);
    EXPECT_EQ(p.InkStart, 37);
    EXPECT_EQ(p.Positions[0], 35);
    // A negative remainder truncates towards zero as well: (10 - 27 - 2) div 2 = -9.
    p = Place(kThree, 10, 0, kAlignCenter);
    EXPECT_EQ(p.Positions[0], -9);
    EXPECT_EQ(p.InkStart, -7);
    EXPECT_EQ(p.InkEnd, 18);
}

TEST(PositionGlyphs, SpacingAfterEveryCharacterMayBeNegative)
{
    TPlaced p = Place(kThree, 0, 5, kAlignLeft);
    EXPECT_EQ(p.Positions, TIntArray({-2, 13, 28}));
    EXPECT_EQ(p.InkEnd, 35);
    p = Place(kThree, 0, -4, kAlignLeft);
    EXPECT_EQ(p.Positions, TIntArray({-2, 4, 10}));
    EXPECT_EQ(p.InkStart, 0);
    EXPECT_EQ(p.InkEnd, 17);
}

TEST(PositionGlyphs, JustifySpreadsTheInkOverTheLength)
{
    // Ink 25 wide, length 100: extra 75 over 2 gaps, 37 after the first, 38 after
    // the second; the spacing does not count when justifying.
    const TPlaced p = Place(kThree, 100, 7, kAlignJustify);
    EXPECT_EQ(p.Positions, TIntArray({-2, 8 + 37, 18 + 75}));
    EXPECT_EQ(p.InkStart, 0);
    EXPECT_EQ(p.InkEnd, 100);
    // The last glyph's ink ends exactly at the length.
    EXPECT_EQ(p.Positions[2] + kThree[2].A + kThree[2].B, 100);
}

TEST(PositionGlyphs, JustifyRemainderFallsOnLaterGaps)
{
    const TABCArray four(4, TABC{0, 10, 0});
    const TPlaced p = Place(four, 42, 0, kAlignJustify); // extra 2 over 3 gaps: 0, 1, 2
    EXPECT_EQ(p.Positions, TIntArray({0, 10, 21, 32}));
}

TEST(PositionGlyphs, JustifyOneCharacterStaysAtTheStart)
{
    const TPlaced p = Place({{3, 5, 1}}, 100, 0, kAlignJustify);
    EXPECT_EQ(p.Positions, TIntArray({-3}));
    EXPECT_EQ(p.InkStart, 0);
    EXPECT_EQ(p.InkEnd, 100);
}

TEST(PositionGlyphs, NoCharacters)
{
    TPlaced p = Place({}, 50, 3, kAlignRight);
    EXPECT_TRUE(p.Positions.empty());
    EXPECT_EQ(p.InkStart, 50);
    EXPECT_EQ(p.InkEnd, 50);
    p = Place({}, 50, 3, kAlignLeft);
    EXPECT_EQ(p.InkStart, 0);
    EXPECT_EQ(p.InkEnd, 0);
}

TEST(PositionGlyphs, ShiftAndLineBoxes)
{
    TCharLayout layout;
    layout.Widths = kThree;
    layout.LineHeight = 12;
    RepositionLine(layout, 100, kAlignLeft, 0);
    ShiftLine(layout, 5);
    EXPECT_EQ(layout.Positions, TIntArray({3, 13, 23}));
    EXPECT_EQ(layout.InkStart, 5);
    EXPECT_EQ(layout.InkEnd, 30);
    const TLogRect rect{100, 200, 300, 400};
    EXPECT_EQ(HorizontalLineBox(rect, layout), (TLogRect{105, 200, 130, 212}));
    EXPECT_EQ(VerticalLineBox(rect, layout), (TLogRect{288, 205, 300, 230}));
}

TEST(PositionGlyphs, FontAngles)
{
    TLogFont font;
    SetFontAngle(font, 900);
    EXPECT_EQ(font.Escapement, -900);
    EXPECT_EQ(font.Orientation, -900);
    font.FaceName = "NoSuchFaceAnywhere";
    SetVerticalFont(font, 300);
    EXPECT_EQ(font.Escapement, 2400);
    EXPECT_EQ(font.FaceName, "NoSuchFaceAnywhere"); // no vertical form: the face itself
}

TEST(Decorations, BandsOfHorizontalAndVerticalBoxes)
{
    TDecorationMetrics m;
    m.UnderlineOffset = 30;
    m.UnderlineThickness = 2;
    m.StrikeOutOffset = 20;
    m.StrikeOutThickness = 3;
    auto bands = DecorationBands(m, {10, 100, 60, 135}, false, true, true);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0].boundingRect(), QRectF(10, 130, 50, 2));
    EXPECT_EQ(bands[1].boundingRect(), QRectF(10, 120, 50, 3));
    bands = DecorationBands(m, {200, 10, 235, 90}, true, true, false);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].boundingRect(), QRectF(203, 10, 2, 80));
    EXPECT_TRUE(DecorationBands(m, {0, 0, 50, 30}, false, false, false).empty());
}
