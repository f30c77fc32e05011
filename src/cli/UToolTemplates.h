#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool templates (Template.dat | FOLDER) [--purpose P] [--sheet OUT.png]
// [--catalogue PAPERS.ppr]: the templates of a collection index (purpose, group, file,
// sheet, label per line; every section or only P's) or of one folder's work and
// template files (those fitting P, or all). --sheet draws every listed template into
// one contact sheet and fails when one cannot be drawn or lacks a face or picture;
// --catalogue fails for a template that no label position of the catalogue is
// offered (its section's purpose with the template label's aspect class).
int CommandTemplates(const QStringList& arguments);

} // namespace velmo::tool
