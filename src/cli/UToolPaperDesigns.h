#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool paper-designs CATALOGUE PAPER [--from FILE.lbd | --remove]
//                          [--png OUT.png [--dpi N] [--landscape]]
// A paper's background designs: listed (labels with designs and their object counts),
// taken from a work file's label designs, removed, or drawn with the sheet as the
// paper selection's preview shows it. The catalogue is written only when the designs
// changed and everything asked for succeeded.
int CommandPaperDesigns(const QStringList& arguments);

} // namespace velmo::tool
