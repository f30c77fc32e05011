#include "tool/UToolCommands.h"
#include <QCoreApplication>
#include <QTextStream>

namespace velmo::tool {

int Main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    err << "usage: velmo-tool COMMAND ...\n";
    return 2;
}

} // namespace velmo::tool
