#include "base/UNumbers.h"
#include <climits>
#include <gtest/gtest.h>

using namespace velmo;

TEST(MulDiv, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, -1, 2), -3);
    EXPECT_EQ(MulDiv(-5, -1, -2), -3);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(8, 1, 3), 3);
    EXPECT_EQ(MulDiv(-7, 1, 3), -2);
    EXPECT_EQ(MulDiv(-8, 1, 3), -3);
}

TEST(MulDiv, UsesA64BitIntermediate)
{
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
    EXPECT_EQ(MulDiv(2100000000, 254, 600), 889000000);
}

TEST(MulDiv, ZeroDivisorAndOverflowGiveMinusOne)
{
    EXPECT_EQ(MulDiv(10, 10, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
}

TEST(DivMod, TruncateWithSignOfDividend)
{
    EXPECT_EQ(Div(7, 2), 3);
    EXPECT_EQ(Div(-7, 2), -3);
    EXPECT_EQ(Mod(-7, 2), -1);
    EXPECT_EQ(Mod(7, -2), 1);
    EXPECT_EQ(Div(-15, 10), -1);
    EXPECT_EQ(Mod(-15, 10), -5);
    EXPECT_EQ(Div(5, 0), 0);
    EXPECT_EQ(Mod(5, 0), 0);
    EXPECT_EQ(Div(INT_MIN, -1), INT_MIN);
    EXPECT_EQ(Mod(INT_MIN, -1), 0);
    EXPECT_EQ(Div64(-9, 4), -2);
    EXPECT_EQ(Mod64(-9, 4), -1);
}

TEST(Wrap32, KeepsLow32Bits)
{
    EXPECT_EQ(Wrap32(0x100000000LL), 0);
    EXPECT_EQ(Wrap32(0x80000000LL), INT_MIN);
    EXPECT_EQ(Wrap32(-1), -1);
    EXPECT_EQ(Wrap32(0x1FFFFFFFFLL), -1);
}

TEST(RoundHalfAway, HalvesGoAwayFromZero)
{
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(2.49), 2);
    EXPECT_EQ(RoundHalfAway(-2.49), -2);
    EXPECT_EQ(RoundHalfAway(0.5L), 1);
    EXPECT_EQ(RoundHalfAway(-0.5L), -1);
}
