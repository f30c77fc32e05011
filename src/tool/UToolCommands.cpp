#include "tool/UToolCommands.h"
#include "tool/UToolPaper.h"
#include <QCoreApplication>
#include <QTextStream>

namespace velmo::tool {

int Main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "paper") == 0)
        return CommandPaper(QCoreApplication::arguments().mid(2));
    QTextStream err(stderr);
    err << "usage: velmo-tool COMMAND ...\n";
    return 2;
}

} // namespace velmo::tool
