#pragma once
// Dates and times as the date object writes them: a format string of day, month,
// year, era, hour, minute and second letters, quoted text and the month-name macros,
// with Japanese era names, day names and separators.
#include <QString>
#include <QStringList>

namespace velmo {

// The formats the date dialog offers, in its order (41 of them).
const QStringList& DateFormatList();

// Replaces $(LongMonthA) … $(ShortMonthC) by the English name of the month (1..12)
// in double quotes: January / january / JANUARY / Jan / jan / JAN.
QString ExpandMonthMacros(const QString& format, int month);

// The day count (days since 1899-12-30, time as the fraction) in the format; an
// empty format gives the short date, then the time when it is not midnight. A day
// count outside years 1 to 9999 (or not a number) gives an empty text.
QString FormatDayCount(const QString& format, double dayCount);

// The era of the Japanese calendar on a Gregorian date: its name ("令和") and the
// year within it (1 for the era's first year). Empty name for dates before the
// calendar has eras.
struct TJapaneseEra
{
    QString Name;
    int Year = 0;
};
TJapaneseEra JapaneseEraOf(int year, int month, int day);

} // namespace velmo
