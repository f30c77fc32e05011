#pragma once
// The merge command of the paper dialog's extra functions: "ベルモ用紙情報のマージ(&M)...".
#include <QString>
#include <functional>

class QWidget;

namespace velmo {

class TVelmoPapers;

// The command's caption.
QString OldPaperMergeCaption(); // "ベルモ用紙情報のマージ(&M)..."

// Asks for an older catalogue (".ppr", must exist) and merges it into the catalogue;
// false when the user cancelled. Failures and left-out papers are told in a message.
// The ask hook stands in for the file dialog (tests); the tell hook for the messages.
struct TOldPaperMergeHooks
{
    std::function<QString(QWidget*)> AskFile;
    std::function<void(QWidget*, const QString&)> Tell;
};
bool ExecuteOldPaperMerge(QWidget* parent, TVelmoPapers& papers, const TOldPaperMergeHooks& hooks = {});

} // namespace velmo
