#include "base/UDateTime.h"
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;

TEST(DayCount, EpochAndKnownDays)
{
    EXPECT_EQ(DateTimeToDayCount(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_EQ(DateToDayCount(QDate(1900, 1, 1)), 2.0);
    EXPECT_EQ(DateToDayCount(QDate(2000, 1, 1)), 36526.0);
    EXPECT_DOUBLE_EQ(DateTimeToDayCount(QDateTime(QDate(2000, 1, 1), QTime(18, 0))), 36526.75);
    EXPECT_EQ(DayCountToDateTime(36526.75), QDateTime(QDate(2000, 1, 1), QTime(18, 0)));
}

TEST(DayCount, NegativeValuesCountTheFractionForward)
{
    // -1.25 is one day before the epoch, at 06:00.
    EXPECT_EQ(DayCountToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_DOUBLE_EQ(DateTimeToDayCount(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
}

TEST(DayCount, MillisecondsAreRounded)
{
    const double oneMs = 1.0 / 86400000.0;
    EXPECT_EQ(DayCountToDateTime(36526.0 + 1.4 * oneMs).time().msec(), 1);
    EXPECT_EQ(DayCountToDateTime(36526.0 + 1.6 * oneMs).time().msec(), 2);
    // Rounding up at the last millisecond of a day moves to the next day.
    EXPECT_EQ(DayCountToDateTime(36526.0 + 1.0 - 0.2 * oneMs), QDateTime(QDate(2000, 1, 2), QTime(0, 0)));
    for (int ms : {0, 1, 999, 43200000, 86399999}) {
        const QDateTime dt(QDate(2026, 12, 9), QTime::fromMSecsSinceStartOfDay(ms));
        EXPECT_EQ(DayCountToDateTime(DateTimeToDayCount(dt)), dt) << ms;
    }
}

TEST(DayCount, OutOfRangeIsInvalid)
{
    EXPECT_FALSE(DayCountToDateTime(NAN).isValid());
    EXPECT_FALSE(DayCountToDateTime(INFINITY).isValid());
    EXPECT_FALSE(DayCountToDateTime(1e300).isValid());
    EXPECT_FALSE(DayCountToDateTime(-1e9).isValid());
    EXPECT_EQ(DayCountToDate(2958465.0), QDate(9999, 12, 31));
}
