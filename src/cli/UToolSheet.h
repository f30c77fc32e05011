#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool sheet FILE.lbd SHEET OUT.png [--dpi N]: one sheet of a work file drawn
// as the sheet view shows it (the paper, its label faces, every label's design).
// SHEET is the sheet's index (from 0) or its name. The default is 100 dpi.
int CommandSheet(const QStringList& arguments);

} // namespace velmo::tool
