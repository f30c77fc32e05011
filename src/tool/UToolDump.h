#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool dump: shows a component resource as indented text. arguments holds
// what follows "dump": "-" (standard input) or FILE PATH.
int CommandDump(const QStringList& arguments);

// Prints the dump of a component resource or stream held in bytes; the core of both
// forms of the command. Returns the exit code.
int DumpBytes(const QByteArray& bytes);

} // namespace velmo::tool
