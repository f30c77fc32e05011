#include "base/UDateTime.h"
#include <cmath>

namespace velmo {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
// 0001-01-01 and 9999-12-31 in day counts.
constexpr double kMinDayCount = -693593.0;
constexpr double kMaxDayCount = 2958466.0;
} // namespace

double DateToDayCount(const QDate& date)
{
    return double(kEpoch.daysTo(date));
}

double DateTimeToDayCount(const QDateTime& dateTime)
{
    const double days = DateToDayCount(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / kMsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime DayCountToDateTime(double dayCount)
{
    if (!std::isfinite(dayCount) || dayCount < kMinDayCount || dayCount >= kMaxDayCount)
        return {};
    // Work on whole milliseconds of the absolute value so that the fraction's sign
    // convention is applied once.
    const double absMs = std::round(std::fabs(dayCount) * kMsPerDay);
    qint64 days = qint64(absMs / kMsPerDay);
    qint64 ms = qint64(absMs - double(days) * kMsPerDay);
    if (ms >= qint64(kMsPerDay)) {
        ++days;
        ms -= qint64(kMsPerDay);
    }
    if (dayCount < 0)
        days = -days;
    return QDateTime(kEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QDate DayCountToDate(double dayCount)
{
    return DayCountToDateTime(dayCount).date();
}

} // namespace velmo
