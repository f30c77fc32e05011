#pragma once
// The report blocks the test host prints for the window tests' reader
// (tests/xvfb/host_reports.py): "<prefix><begin>", one "<prefix><line>" per line,
// "<prefix><end>".
#include <QString>
#include <QStringList>

namespace velmo::testhost {

// Prints the block unless it repeats the one printed last, which `last` keeps.
void PrintReportBlock(const QStringList& lines, QString& last,
                      const QString& prefix = QStringLiteral("velmo: "),
                      const QString& begin = QStringLiteral("report begin"),
                      const QString& end = QStringLiteral("report end"));

} // namespace velmo::testhost
