#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool dump: shows a component resource as indented text. arguments holds
// what follows "dump": "-" (standard input) or FILE PATH.
int CommandDump(const QStringList& arguments);

} // namespace velmo::tool
