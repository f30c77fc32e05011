#include "document/FOldPaperMerge.h"
#include "base/UFolderHistory.h"
#include "paper/UOldPapers.h"
#include "paper/UVelmoPapers.h"
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace velmo {

QString OldPaperMergeCaption()
{
    return QStringLiteral("ベルモ用紙情報のマージ(&M)...");
}

bool ExecuteOldPaperMerge(QWidget* parent, TVelmoPapers& papers, const TOldPaperMergeHooks& hooks)
{
    auto tell = [&](const QString& text) {
        if (hooks.Tell)
            hooks.Tell(parent, text);
        else
            QMessageBox::information(parent, QCoreApplication::applicationName(), text);
    };
    QString fileName;
    if (hooks.AskFile) {
        fileName = hooks.AskFile(parent);
    } else {
        QFileDialog dialog(parent);
        dialog.setDirectory(StartFolder(folderkind::PaperData));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("ppr"));
        dialog.setNameFilters({QStringLiteral("ppr(*.ppr)"), QStringLiteral("All Files(*)")});
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            fileName = dialog.selectedFiles().constFirst();
        RememberFolder(folderkind::PaperData, fileName);
    }
    if (fileName.isEmpty())
        return false;
    try {
        const TOldPaperMergeResult result = MergeOldPapers(papers, fileName);
        if (!result.Skipped.isEmpty()) {
            QStringList shown = result.Skipped.mid(0, 20);
            if (result.Skipped.size() > shown.size())
                shown << QStringLiteral("…ほか %1 件").arg(result.Skipped.size() - shown.size());
            tell(QStringLiteral(
                     "%1 件の用紙をマージしました。次の用紙は読み込めなかったため、マージしていません。\n%2")
                     .arg(result.Merged)
                     .arg(shown.join(QLatin1Char('\n'))));
        }
    } catch (const std::exception& e) {
        tell(QString::fromUtf8(e.what()));
    }
    return true;
}

} // namespace velmo
