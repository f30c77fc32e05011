#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool import-glabels IN.glabels OUT.lbd [--merge DATA]: a gLabels project as a
// new work file. Standard output gets the paper line ("paper: NAME (catalogue)",
// "(added to the user's catalogue)" when the user's catalogue exists and lacked the
// sheet, else "(from the project)"), the merge link and one "warning: …" line per
// thing that could not be carried over. OUT is written only when the project was read; a
// damaged project ends with the reason and exit 1, and OUT is left as it was.
int CommandImportGlabels(const QStringList& arguments);

} // namespace velmo::tool
