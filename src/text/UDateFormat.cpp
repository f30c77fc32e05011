#include "text/UDateFormat.h"
#include "base/UDateTime.h"
#include <QDateTime>
#include <memory>
#include <mutex>
#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace velmo {

namespace {

QString FromIcu(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// Names from the "ja" locale, read once: day names (Sunday first), month names and
// the morning / afternoon strings.
struct TJaNames
{
    QStringList ShortDays, LongDays, ShortMonths, LongMonths;
    QString Am = QStringLiteral("午前"), Pm = QStringLiteral("午後");
};

const TJaNames& JaNames()
{
    static const TJaNames names = [] {
        TJaNames n;
        UErrorCode status = U_ZERO_ERROR;
        icu::DateFormatSymbols symbols(icu::Locale("ja"), status);
        if (U_SUCCESS(status)) {
            int32_t count = 0;
            const icu::UnicodeString* s = symbols.getShortWeekdays(count);
            for (int i = UCAL_SUNDAY; i < count && i <= UCAL_SATURDAY; ++i)
                n.ShortDays << FromIcu(s[i]);
            s = symbols.getWeekdays(count);
            for (int i = UCAL_SUNDAY; i < count && i <= UCAL_SATURDAY; ++i)
                n.LongDays << FromIcu(s[i]);
            s = symbols.getShortMonths(count);
            for (int i = 0; i < count && i < 12; ++i)
                n.ShortMonths << FromIcu(s[i]);
            s = symbols.getMonths(count);
            for (int i = 0; i < count && i < 12; ++i)
                n.LongMonths << FromIcu(s[i]);
            s = symbols.getAmPmStrings(count);
            if (count >= 2) {
                n.Am = FromIcu(s[0]);
                n.Pm = FromIcu(s[1]);
            }
        }
        // Without the locale data the names are still Japanese ones.
        if (n.ShortDays.size() != 7)
            n.ShortDays = QStringList{"日", "月", "火", "水", "木", "金", "土"};
        if (n.LongDays.size() != 7) {
            n.LongDays.clear();
            for (const QString& d : n.ShortDays)
                n.LongDays << d + QStringLiteral("曜日");
        }
        if (n.ShortMonths.size() != 12) {
            n.ShortMonths.clear();
            for (int m = 1; m <= 12; ++m)
                n.ShortMonths << QString::number(m) + QStringLiteral("月");
        }
        if (n.LongMonths.size() != 12)
            n.LongMonths = n.ShortMonths;
        return n;
    }();
    return names;
}

// The Japanese calendar and its era names, made once and used under a lock (ICU
// calendars are not to be shared between threads unguarded).
struct TEraSource
{
    std::mutex Lock;
    std::unique_ptr<icu::Calendar> Calendar;
    std::vector<QString> EraNames;
};

TEraSource& EraSource()
{
    static TEraSource source;
    static std::once_flag made;
    std::call_once(made, [] {
        TEraSource& s = source;
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale("ja_JP@calendar=japanese");
        s.Calendar.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), locale, status));
        if (U_FAILURE(status))
            s.Calendar.reset();
        status = U_ZERO_ERROR;
        icu::DateFormatSymbols symbols(icu::Locale("ja"), "japanese", status);
        if (U_SUCCESS(status)) {
            int32_t count = 0;
            const icu::UnicodeString* names = symbols.getEraNames(count);
            for (int i = 0; i < count; ++i)
                s.EraNames.push_back(FromIcu(names[i]));
        }
    });
    return source;
}

QString Pad(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

int RunLength(const QString& f, qsizetype i, QChar lower)
{
    int n = 0;
    while (i + n < f.size() && f[i + n].toLower() == lower)
        ++n;
    return n;
}

bool StartsWithNoCase(const QString& f, qsizetype i, QLatin1StringView what)
{
    return QStringView(f).mid(i, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// Whether an AM/PM, A/P or AMPM follows the hour at i (outside quotes) before the
// next hour: the hour is then on a 12-hour clock.
bool TwelveHourAfter(const QString& f, qsizetype i)
{
    while (i < f.size()) {
        const QChar c = f[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = f.indexOf(c, i + 1);
            if (end < 0)
                return false;
            i = end + 1;
            continue;
        }
        if (c.toLower() == u'h')
            return false;
        if (c.toLower() == u'a' && (StartsWithNoCase(f, i, QLatin1StringView("am/pm")) ||
                                    StartsWithNoCase(f, i, QLatin1StringView("a/p")) ||
                                    StartsWithNoCase(f, i, QLatin1StringView("ampm"))))
            return true;
        ++i;
    }
    return false;
}

QString ShortDate(const QDate& d)
{
    return QStringLiteral("%1/%2/%3").arg(Pad(d.year(), 4), Pad(d.month(), 2), Pad(d.day(), 2));
}

QString LongTime(const QTime& t)
{
    return QStringLiteral("%1:%2:%3").arg(t.hour()).arg(Pad(t.minute(), 2), Pad(t.second(), 2));
}

QString FormatExpanded(const QString& f, const QDateTime& dt)
{
    const QDate date = dt.date();
    const QTime time = dt.time();
    const TJaNames& names = JaNames();
    const int weekday = date.dayOfWeek() % 7; // Sunday 0
    QString out;
    bool twelveHour = false;
    qsizetype i = 0;
    while (i < f.size()) {
        const QChar c = f[i];
        const QChar l = c.toLower();
        if (c == u'"' || c == u'\'') {
            qsizetype end = f.indexOf(c, i + 1);
            if (end < 0)
                end = f.size();
            out += f.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (l == u'a' && StartsWithNoCase(f, i, QLatin1StringView("am/pm"))) {
            out += time.hour() < 12 ? f.mid(i, 2) : f.mid(i + 3, 2);
            i += 5;
            continue;
        }
        if (l == u'a' && StartsWithNoCase(f, i, QLatin1StringView("a/p"))) {
            out += time.hour() < 12 ? f.mid(i, 1) : f.mid(i + 2, 1);
            i += 3;
            continue;
        }
        if (l == u'a' && StartsWithNoCase(f, i, QLatin1StringView("ampm"))) {
            out += time.hour() < 12 ? names.Am : names.Pm;
            i += 4;
            continue;
        }
        if (l == u'a' && RunLength(f, i, u'a') >= 3) {
            const int n = RunLength(f, i, u'a');
            out += n == 3 ? names.ShortDays[weekday] : names.LongDays[weekday];
            i += n;
            continue;
        }
        const int n = RunLength(f, i, l);
        if (l == u'd') {
            if (n == 1)
                out += QString::number(date.day());
            else if (n == 2)
                out += Pad(date.day(), 2);
            else if (n == 3)
                out += names.ShortDays[weekday];
            else if (n == 4)
                out += names.LongDays[weekday];
            else
                out += ShortDate(date);
        } else if (l == u'm') {
            if (n == 1)
                out += QString::number(date.month());
            else if (n == 2)
                out += Pad(date.month(), 2);
            else if (n == 3)
                out += names.ShortMonths[date.month() - 1];
            else
                out += names.LongMonths[date.month() - 1];
        } else if (l == u'y') {
            out += n <= 2 ? Pad(date.year() % 100, 2) : Pad(date.year(), 4);
        } else if (l == u'g') {
            const QString era = JapaneseEraOf(date.year(), date.month(), date.day()).Name;
            out += n == 1 ? era.left(1) : era;
        } else if (l == u'e') {
            const TJapaneseEra era = JapaneseEraOf(date.year(), date.month(), date.day());
            const int year = era.Name.isEmpty() ? date.year() : era.Year;
            out += n == 1 ? QString::number(year) : Pad(year, 2);
        } else if (l == u'h') {
            twelveHour = TwelveHourAfter(f, i + n);
            int hour = time.hour();
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            out += n == 1 ? QString::number(hour) : Pad(hour, 2);
        } else if (l == u'n') {
            out += n == 1 ? QString::number(time.minute()) : Pad(time.minute(), 2);
        } else if (l == u's') {
            out += n == 1 ? QString::number(time.second()) : Pad(time.second(), 2);
        } else if (l == u'c') {
            out += ShortDate(date);
            if (time.msecsSinceStartOfDay() != 0)
                out += u' ' + LongTime(time);
        } else if (c == u'/') {
            out += u'/';
        } else if (c == u':') {
            out += u':';
        } else {
            out += QString(n, c);
        }
        i += n;
    }
    return out;
}

} // namespace

const QStringList& DateFormatList()
{
    static const QStringList formats{
        QStringLiteral("m\"月\"d\"日\""),
        QStringLiteral("ggge\"年\"m\"月\""),
        QStringLiteral("ggge\"年\"m\"月\"d\"日\""),
        QStringLiteral("ggge\"年\"m\"月\"d\"日(\"aaa\")\""),
        QStringLiteral("ggge\"年\"m\"月\"d\"日(\"aaaa\")\""),
        QStringLiteral("ggge\"年\"m\"月\"d\"日\" h\"時\"n\"分\""),
        QStringLiteral("ggge\"年\"m\"月\"d\"日(\"aaa\")\" h\"時\"n\"分\""),
        QStringLiteral("yyyy\"年\"m\"月\""),
        QStringLiteral("yyyy\"年\"m\"月\"d\"日\""),
        QStringLiteral("yyyy\"年\"m\"月\"d\"日\" h\"時\"n\"分\""),
        QStringLiteral("yyyy\"年\"m\"月\"d\"日(\"aaa\")\" h\"時\"n\"分\""),
        QStringLiteral("yyyy\"/\"m"),
        QStringLiteral("yyyy\"/\"m\"/\"d"),
        QStringLiteral("yyyy\"/\"m\"/\"d ddd"),
        QStringLiteral("yyyy\"/\"m\"/\"d dddd"),
        QStringLiteral("yyyy\"/\"m\"/\"d hh\":\"nn"),
        QStringLiteral("yyyy\"/\"m\"/\"d h\":\"nn AM/PM"),
        QStringLiteral("yyyy\"/\"m\"/\"d ddd hh\":\"nn"),
        QStringLiteral("yyyy\"/\"m\"/\"d ddd h\":\"nn AM/PM"),
        QStringLiteral("yy\"/\"m"),
        QStringLiteral("yy\"/\"m\"/\"d"),
        QStringLiteral("yy\"/\"m\"/\"d ddd"),
        QStringLiteral("yy\"/\"m\"/\"d dddd"),
        QStringLiteral("yy\"/\"m\"/\"d hh\":\"nn"),
        QStringLiteral("yy\"/\"m\"/\"d h\":\"nn AM/PM"),
        QStringLiteral("yy\"/\"m\"/\"d ddd hh\":\"nn"),
        QStringLiteral("yy\"/\"m\"/\"d ddd h\":\"nn AM/PM"),
        QStringLiteral("yyyy\"-\"mm\"-\"dd"),
        QStringLiteral("$(LongMonthA) d','yyyy"),
        QStringLiteral("$(ShortMonthA) d\",\"yyyy"),
        QStringLiteral("$(ShortMonthC)\".\"d\",\"yyyy"),
        QStringLiteral("$(LongMonthA)\",\" yyyy"),
        QStringLiteral("$(ShortMonthA)\",\" yyyy"),
        QStringLiteral("$(ShortMonthC)\",\" yyyy"),
        QStringLiteral("$(LongMonthA)\",\" yy"),
        QStringLiteral("$(ShortMonthA)\"-\"yy"),
        QStringLiteral("d $(LongMonthA)\",\" yy"),
        QStringLiteral("d $(LongMonthA) \"'\"yy"),
        QStringLiteral("d $(ShortMonthA) \"'\" yy"),
        QStringLiteral("d $(ShortMonthC)\".'\"yy"),
        QStringLiteral("d\"/\"mm\"/\"yy"),
    };
    return formats;
}

QString ExpandMonthMacros(const QString& format, int month)
{
    static const char* const kLong[12] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    if (month < 1 || month > 12 || !format.contains(QLatin1String("$(")))
        return format;
    const QString full = QString::fromLatin1(kLong[month - 1]);
    const QString shortName = full.left(3);
    const struct
    {
        const char* Macro;
        QString Name;
    } macros[] = {
        {"$(LongMonthA)", full},
        {"$(LongMonthB)", full.toLower()},
        {"$(LongMonthC)", full.toUpper()},
        {"$(ShortMonthA)", shortName},
        {"$(ShortMonthB)", shortName.toLower()},
        {"$(ShortMonthC)", shortName.toUpper()},
    };
    QString result = format;
    for (const auto& m : macros)
        result.replace(QLatin1String(m.Macro), u'"' + m.Name + u'"', Qt::CaseInsensitive);
    return result;
}

TJapaneseEra JapaneseEraOf(int year, int month, int day)
{
    TJapaneseEra era;
    TEraSource& source = EraSource();
    std::lock_guard<std::mutex> guard(source.Lock);
    if (!source.Calendar)
        return era;
    UErrorCode status = U_ZERO_ERROR;
    icu::Calendar& cal = *source.Calendar;
    cal.clear();
    // Fields are set on the Gregorian calendar underneath: the Japanese calendar
    // reads its own year as the year within the era.
    icu::GregorianCalendar gregorian(icu::TimeZone::getGMT()->clone(), status);
    if (U_FAILURE(status))
        return era;
    gregorian.clear();
    gregorian.set(year, month - 1, day, 12, 0, 0);
    const UDate when = gregorian.getTime(status);
    if (U_FAILURE(status))
        return era;
    cal.setTime(when, status);
    const int eraIndex = cal.get(UCAL_ERA, status);
    const int eraYear = cal.get(UCAL_YEAR, status);
    if (U_FAILURE(status) || eraIndex < 0 || size_t(eraIndex) >= source.EraNames.size())
        return era;
    era.Name = source.EraNames[size_t(eraIndex)];
    era.Year = eraYear;
    return era;
}

QString FormatDayCount(const QString& format, double dayCount)
{
    const QDateTime dt = DayCountToDateTime(dayCount);
    if (!dt.isValid())
        return {};
    const QString f = format.isEmpty() ? QStringLiteral("c") : ExpandMonthMacros(format, dt.date().month());
    return FormatExpanded(f, dt);
}

} // namespace velmo
