#include "HostReport.h"
#include <QTextStream>

namespace velmo::testhost {

void PrintReportBlock(const QStringList& lines, QString& last, const QString& prefix, const QString& begin,
                      const QString& end)
{
    const QString text = lines.join(QLatin1Char('\n'));
    if (text == last)
        return;
    last = text;
    QTextStream err(stderr);
    err << prefix << begin << "\n";
    for (const QString& l : lines)
        err << prefix << l << "\n";
    err << prefix << end << Qt::endl;
}

} // namespace velmo::testhost
