#pragma once
// Test-only hooks of the host for the sheet view under a real X server: a shape the
// product does not have yet (a coloured rectangle that turns), a sample work file, and
// a report of where faces, tabs, objects and pivots are on the screen.
#include <QString>

namespace velmo::testhost {

void RegisterTestShape();
// Two sheets: 12 labels of 86.4 x 42.3 mm with shapes on positions 1 and 4, and 24
// smaller labels of 60 x 30 mm.
void MakeSampleSheetFile(const QString& fileName);
// Prints "velmo: …" lines on stderr whenever what is on the screen changed.
void StartScreenReport();

} // namespace velmo::testhost
