#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool csv FILE.csv [--header] [--sort FIELD[,FIELD…]] [--find TEXT]: the
// records as the merge database holds them, one line per record (record number,
// then the fields, tab-separated; line break, tab and backslash escaped).
int CommandCsv(const QStringList& arguments);

} // namespace velmo::tool
