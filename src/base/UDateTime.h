#pragma once
// Date-times as the day-count doubles stored in files: the integral part counts days
// since 1899-12-30, the fractional part is the time of day. For values before that
// day the fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00).
#include <QDateTime>

namespace velmo {

double DateTimeToDayCount(const QDateTime& dateTime);
// Milliseconds are rounded to the nearest. An invalid QDateTime results for values
// that are not finite or lie outside years 1 to 9999.
QDateTime DayCountToDateTime(double dayCount);

double DateToDayCount(const QDate& date);
QDate DayCountToDate(double dayCount);

} // namespace velmo
