#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool templates (Template.dat | FOLDER) [--purpose P]: the templates of a
// collection index (purpose, group, file, sheet, label per line; every section or
// only P's) or of one folder's work and template files (those fitting P, or all).
int CommandTemplates(const QStringList& arguments);

} // namespace velmo::tool
