#include "cli/UToolDate.h"
#include "base/UDateTime.h"
#include "cli/UToolCommands.h"
#include "text/UDateFormat.h"
#include <QDateTime>
#include <QRegularExpression>
#include <QTextStream>

namespace velmo::tool {

namespace {

bool ParseWhen(const QString& text, QDateTime& when)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:T(\\d{2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid() || date.year() < 1)
        return false;
    when = QDateTime(date, time);
    return true;
}

} // namespace

int CommandDate(const QStringList& arguments)
{
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: velmo-tool date (FORMAT | --list) YYYY-MM-DD[THH:MM[:SS]]\n";
        return kExitUsage;
    }
    QDateTime when;
    if (!ParseWhen(arguments[1], when)) {
        ReportError(
            QStringLiteral("\"%1\" is not a date of the form YYYY-MM-DD[THH:MM[:SS]]").arg(arguments[1]));
        return kExitUsage;
    }
    const double dayCount = DateTimeToDayCount(when);
    const QStringList& formats = DateFormatList();
    QTextStream out(stdout);
    if (arguments[0] == u"--list") {
        for (int i = 0; i < formats.size(); ++i)
            out << (i + 1) << '\t' << FormatDayCount(formats[i], dayCount) << '\n';
        return kExitOk;
    }
    QString format = arguments[0];
    bool numbered = false;
    const int number = format.toInt(&numbered);
    if (numbered) {
        if (number < 1 || number > formats.size()) {
            ReportError(QStringLiteral("format numbers run from 1 to %1").arg(formats.size()));
            return kExitUsage;
        }
        format = formats[number - 1];
    }
    out << FormatDayCount(format, dayCount) << '\n';
    return kExitOk;
}

} // namespace velmo::tool
