#include "app/UWizardRun.h"

#include "app/UAppFrame.h"
#include <QDir>
#include <QFileInfo>

namespace velmo {

QString FindWizardDataFile(TWizardKind kind)
{
    const QString relative = kind == TWizardKind::wkWizard ? kWizardDataFile : kOsoroiDataFile;
    TAppFrame* frame = TAppFrame::Instance();
    QString found = frame ? frame->FindDataFile(relative, QString()) : QString();
    if (found.isEmpty() && frame) {
        QString path = relative;
        path.replace(u'\\', u'/');
        const QString built = QDir::cleanPath(frame->DataRoots().ExeFolder + QStringLiteral("/../data/") + path);
        if (QFileInfo(built).isFile())
            found = built;
    }
    return found;
}

bool RunWizardCommand(TWizardKind kind, TVelmoPapers* papers, QWidget* parent,
                      const std::function<bool(const QString& resultFile)>& load)
{
    bool notAvailable = false;
    bool loaded = false;
    const QString dataFile = FindWizardDataFile(kind);
    RunWizard(
        kind, papers, dataFile, parent,
        [&](const QString& resultFile) {
            if (load)
                loaded = load(resultFile);
        },
        &notAvailable, [](TfrmWizard& dialog) {
            dialog.AskOkCancel = [](const QString& question) {
                return AppMessageBox(question, {bkOK, bkCancel}, 0, 1, false) == mrOk;
            };
        });
    if (notAvailable) {
        const QString name = kind == TWizardKind::wkWizard ? kWizardDataName : kOsoroiDataName;
        ShowAppMessage(FormatText(ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")), {name}), false);
        return false;
    }
    return loaded;
}

} // namespace velmo
