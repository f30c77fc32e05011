// velmo-tool ls: one line per element, depth first in the storage's own order:
// the kind ("storage" or "stream"), the size in bytes (0 for storages) and the path
// with "\" between names.
#include "cli/UToolCommands.h"
#include "storage/UCompoundFile.h"
#include <QTextStream>

namespace velmo::tool {
namespace {

void ListStorage(TCfbStorage& storage, const QString& prefix, QTextStream& out)
{
    for (const TStgElement& e : storage.Elements()) {
        const QString path = prefix.isEmpty() ? e.Name : prefix + u'\\' + e.Name;
        const bool isStorage = e.Type == TStgElementType::Storage;
        out << (isStorage ? "storage" : "stream ") << ' ' << QString::number(e.Size).rightJustified(10) << ' '
            << path << '\n';
        if (isStorage) {
            // Trees are at most kMaxStorageDepth deep, so recursion is bounded.
            auto child = storage.OpenStorage(e.Name, TStgAccess::Read);
            ListStorage(*child, path, out);
        }
    }
}

} // namespace

int CommandLs(const QStringList& given)
{
    const QStringList arguments = WithoutOptionEnd(given);
    if (arguments.size() != 1) {
        ReportError(QStringLiteral("usage: velmo-tool ls FILE"));
        return kExitUsage;
    }
    try {
        auto root = TCompoundFile::OpenFile(arguments[0], TStgAccess::Read, TStgShare::DenyWrite);
        QString text;
        QTextStream out(&text);
        ListStorage(*root, QString(), out);
        out.flush();
        return WriteStandardOutput(text.toUtf8()) ? kExitOk : kExitFailure;
    } catch (const Exception& e) {
        ReportError(QStringLiteral("%1: %2").arg(arguments[0], e.Message()));
        return kExitFailure;
    }
}

} // namespace velmo::tool
