#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool catalogue CATALOGUE ACTION …: the paper selection's extended functions
// without a window (keys, renumbering, paper order, purposes and their check, bulk
// rename, regroup and delete, system papers, update information, rewriting). The
// catalogue is written back only when the action succeeded.
int CommandCatalogue(const QStringList& arguments);

} // namespace velmo::tool
