#include "base/UFolderHistory.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmo {

namespace {

TFolderHistoryStore& Store()
{
    static TFolderHistoryStore store;
    return store;
}

} // namespace

void SetFolderHistoryStore(TFolderHistoryStore store)
{
    Store() = std::move(store);
}

QStringList FolderHistory(const QString& key)
{
    return Store().Read ? Store().Read(key) : QStringList();
}

void AddFolderHistory(const QString& key, const QString& folder)
{
    if (Store().Add && !folder.isEmpty())
        Store().Add(key, QDir::toNativeSeparators(QDir::cleanPath(folder)));
}

void ClearFolderHistory(const QString& key)
{
    if (Store().Clear)
        Store().Clear(key);
}

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString StartFolder(const QString& key)
{
    for (const QString& folder : FolderHistory(key))
        if (QFileInfo(folder).isDir())
            return folder;
    return DocumentsFolder();
}

void RememberFolder(const QString& key, const QString& fileOrFolder)
{
    if (fileOrFolder.isEmpty())
        return;
    const QFileInfo info(fileOrFolder);
    AddFolderHistory(key, info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

} // namespace velmo
