#pragma once
#include <QByteArray>
#include <QPoint>
#include <QStringList>

namespace velmo::tool {

// velmo-tool print FILE.lbd [--sheet N] [--copies N] [--faces LIST]
//   [--count-selected-only] [--frames] [--cut-lines] [--paper-images]
//   [--offset X,Y] [--banding | --no-banding] [--dpi N] (--pdf OUT.pdf | --printer NAME)
// The print run without a window: one sheet of a work file (by index or name, the
// current one by default) to a PDF file or a printer. LIST holds positions from 0
// ("1,3,5-7"); the offset is in millimetres with one decimal. PDF files are vector
// output unless --banding is given; printers are banded unless --no-banding. On a
// terminal a progress line is shown; Ctrl+C ends the job as aborted (no PDF left).
int CommandPrint(const QStringList& arguments);

// Parses "1,3,5-7" into a selection of count faces; false on bad input.
bool ParseFaceList(const QString& text, int count, QByteArray& selection, QString& error);
// Parses "X,Y" in millimetres (one decimal) into tenths; false on bad input.
bool ParseOffset(const QString& text, QPoint& offset, QString& error);

} // namespace velmo::tool
