#pragma once
// The folders recently used, by kind of file, for the file dialogs of every library:
// each dialog starts in the last folder used for its kind, else in the user's
// documents folder. The application keeps the lists in its settings (history lists
// on the given keys) by installing a store; without one (tools, tests) nothing is
// remembered.
#include <QString>
#include <QStringList>
#include <functional>

namespace velmo {

// History keys (macro text) of the kinds of files the dialogs open and save.
namespace folderkind {
inline const QString Document = QStringLiteral("$(LabelDataHistory)");
inline const QString Picture = QStringLiteral("$(UserImageHistory)");
inline const QString MergeData = QStringLiteral("$(SysRegistryKey)\\MergeFolderHistory");
inline const QString Export = QStringLiteral("$(SysRegistryKey)\\ExportFolderHistory");
inline const QString PrintFile = QStringLiteral("$(SysRegistryKey)\\PrintFileFolderHistory");
inline const QString PaperData = QStringLiteral("$(SysRegistryKey)\\PaperFolderHistory");
} // namespace folderkind

struct TFolderHistoryStore
{
    std::function<QStringList(const QString& key)> Read;
    std::function<void(const QString& key, const QString& folder)> Add;
    std::function<void(const QString& key)> Clear;
};

void SetFolderHistoryStore(TFolderHistoryStore store);

// Most recent first; empty without a store.
QStringList FolderHistory(const QString& key);
void AddFolderHistory(const QString& key, const QString& folder);
void ClearFolderHistory(const QString& key);

// The user's documents folder (the home folder when there is none).
QString DocumentsFolder();
// The folder a dialog for this kind starts in: the most recent one that still
// exists, else the documents folder.
QString StartFolder(const QString& key);
// Remembers the folder of a chosen file (or a chosen folder itself).
void RememberFolder(const QString& key, const QString& fileOrFolder);

} // namespace velmo
