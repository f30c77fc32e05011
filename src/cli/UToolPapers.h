#pragma once
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace velmo {
class TVelmoPapers;
}

namespace velmo::tool {

// velmo-tool papers [--names] [CATALOGUE]: lists the papers of a catalogue file in
// catalogue order, one a line: key, name, group, maker, sheet size, face count and
// face shapes, separated by tabs. --names prints the names only. Without a file the
// delivered catalogue is listed.
int CommandPapers(const QStringList& arguments);

// The delivered catalogue beside the program ("../data/velmo.ppr" in a build tree,
// "../share/velmo/velmo.ppr" installed), or empty.
QString DeliveredCatalogue();

void ListPapers(const TVelmoPapers& papers, bool namesOnly, QTextStream& out);

} // namespace velmo::tool
