#include "tool/UToolDump.h"
#include <QTextStream>

namespace velmo::tool {

int CommandDump(const QStringList&)
{
    QTextStream(stderr) << "velmo-tool: dump is not built yet\n";
    return 2;
}

} // namespace velmo::tool
