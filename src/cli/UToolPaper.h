#pragma once
#include <QStringList>
#include <QTextStream>

namespace velmo {
class TPaperInfo;
}

namespace velmo::tool {

// velmo-tool paper FILE PATH [--svg OUT]: lists the faces of the paper stored as a
// component resource in stream PATH of compound file FILE, and optionally draws the
// sheet with its faces, holes and cut lines as SVG.
int CommandPaper(const QStringList& arguments);

// The listing and the drawing on their own.
void ListPaperFaces(const TPaperInfo& paper, QTextStream& out);
// Writes the sheet as SVG, one unit of the drawing being 0.1 mm.
bool WritePaperSvg(const TPaperInfo& paper, const QString& fileName);

} // namespace velmo::tool
