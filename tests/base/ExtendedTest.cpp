#include "base/UExtended.h"
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace velmo;

namespace {
Extended80 Ext(std::initializer_list<int> bytes)
{
    Extended80 out{};
    size_t i = 0;
    for (int b : bytes)
        out[i++] = uint8_t(b);
    return out;
}
} // namespace

TEST(Extended, OneAndKnownValues)
{
    EXPECT_EQ(DoubleToExtended(1.0), Ext({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_EQ(DoubleToExtended(-2.0), Ext({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}));
    EXPECT_EQ(DoubleToExtended(0.5), Ext({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}));
    EXPECT_EQ(DoubleToExtended(3.0), Ext({0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0x40}));
    EXPECT_EQ(DoubleToExtended(0.0), Ext({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DoubleToExtended(-0.0), Ext({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(ExtendedToDouble(Ext({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})), 1.0);
}

TEST(Extended, RoundTripsEveryKindOfDouble)
{
    const double values[] = {1.0,
                             -1.0,
                             0.1,
                             1e300,
                             -1e-300,
                             123456.789,
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             5e-324 * 3,
                             36526.75};
    for (double v : values) {
        const double back = ExtendedToDouble(DoubleToExtended(v));
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v;
    }
    EXPECT_TRUE(std::isinf(ExtendedToDouble(DoubleToExtended(INFINITY))));
    EXPECT_LT(ExtendedToDouble(DoubleToExtended(-INFINITY)), 0);
    EXPECT_TRUE(std::isnan(ExtendedToDouble(DoubleToExtended(NAN))));
}

TEST(Extended, ReadingRoundsToNearestEven)
{
    // 1 + 2^-53 exactly halfway: ties to even gives 1.0.
    EXPECT_EQ(ExtendedToDouble(Ext({0, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})), 1.0);
    // Slightly above halfway rounds up to 1 + 2^-52.
    EXPECT_EQ(ExtendedToDouble(Ext({1, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})), 1.0 + std::ldexp(1.0, -52));
    // 1 + 3*2^-53: halfway between odd and even neighbour rounds up.
    EXPECT_EQ(ExtendedToDouble(Ext({0, 0x0C, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})), 1.0 + std::ldexp(1.0, -51));
}

TEST(Extended, OutOfDoubleRange)
{
    // 2^16000 overflows to infinity, 2^-16000 underflows to zero.
    const uint16_t big = 16383 + 16000, tiny = 16383 - 16000;
    EXPECT_TRUE(std::isinf(ExtendedToDouble(Ext({0, 0, 0, 0, 0, 0, 0, 0x80, big & 0xFF, big >> 8}))));
    EXPECT_EQ(ExtendedToDouble(Ext({0, 0, 0, 0, 0, 0, 0, 0x80, tiny & 0xFF, tiny >> 8})), 0.0);
    // Just below the smallest subnormal but above half of it rounds up to it.
    const uint16_t e = 16383 - 1075;
    EXPECT_EQ(ExtendedToDouble(Ext({0, 0, 0, 0, 0, 0, 0, 0xC0, e & 0xFF, e >> 8})),
              std::numeric_limits<double>::denorm_min());
    // An unnormal (integer bit clear) is read by its value: 0.5 * 2^1 = 1.
    EXPECT_EQ(ExtendedToDouble(Ext({0, 0, 0, 0, 0, 0, 0, 0x40, 0x00, 0x40})), 1.0);
}
