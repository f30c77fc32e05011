#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool import-templates [--catalogue FILE.ppr] [--dry-run] FILE.xml…: turns the
// label-sheet templates of gLabels template files into papers of a catalogue (the
// user's own by default), one line per template on standard output: "imported" or
// "refused", brand and part, then the paper's name or the reason. --dry-run converts
// and reports without writing. A file that cannot be read or parsed stops the command
// before anything is written.
int CommandImportTemplates(const QStringList& arguments);

// The user's own catalogue the program works on: "velmo.ppr" in the application data
// folder of the program (not of this tool).
QString UserCatalogue();

} // namespace velmo::tool
