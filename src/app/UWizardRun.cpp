#include "app/UWizardRun.h"

#include "app/UAppFrame.h"
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace velmo {

QString FindWizardDataFile(TWizardMode kind)
{
    const QString relative = kind == TWizardMode::wmWizard ? kWizardDataFile : kOsoroiDataFile;
    TAppFrame* frame = TAppFrame::Instance();
    QString found = frame ? frame->FindDataFile(relative, QString()) : QString();
    if (found.isEmpty() && frame) {
        QString path = relative;
        path.replace(u'\\', u'/');
        const QString built =
            QDir::cleanPath(frame->DataRoots().ExeFolder + QStringLiteral("/../data/") + path);
        if (QFileInfo(built).isFile())
            found = built;
    }
    return found;
}

bool RunWizardCommand(TWizardMode kind, TVelmoPapers* papers, QWidget* parent,
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
        &notAvailable,
        [](TfrmWizard& dialog) {
            dialog.AskOkCancel = [](const QString& question) {
                return AppMessageBox(question, {bkOK, bkCancel}, 0, 1, false) == mrOk;
            };
        });
    if (notAvailable) {
        const QString name = kind == TWizardMode::wmWizard ? kWizardDataName : kOsoroiDataName;
        ShowAppMessage(FormatText(ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")), {name}), false);
        return false;
    }
    return loaded;
}

namespace {

// The result a runner handed to the main window: removed when the next run starts
// and when the program ends.
struct TKeptResult
{
    QString File;
    void Drop()
    {
        if (!File.isEmpty())
            QFile::remove(File);
        File.clear();
    }
    ~TKeptResult() { Drop(); }
};

TKeptResult& KeptResult()
{
    static TKeptResult kept;
    return kept;
}

} // namespace

TWizardRunner MakeWizardRunner(std::function<TVelmoPapers*()> papers)
{
    return [papers = std::move(papers)](TWizardKind kind, QWidget* parent) {
        KeptResult().Drop();
        const TWizardMode mode = kind == TWizardKind::Plain ? TWizardMode::wmWizard : TWizardMode::wmMatching;
        TWizardOutcome outcome;
        bool notAvailable = false;
        const int result = RunWizard(
            mode, papers ? papers() : nullptr, FindWizardDataFile(mode), parent,
            [&outcome](const QString& resultFile) {
                // The dialog removes its result when it closes: the file moves to a name
                // of the runner's own before that.
                QTemporaryFile kept(QDir::tempPath() + QStringLiteral("/LWZXXXXXX.lbd"));
                kept.setAutoRemove(false);
                if (!kept.open())
                    return;
                const QString name = kept.fileName();
                kept.close();
                QFile::remove(name);
                if (QFile::rename(resultFile, name) || QFile::copy(resultFile, name)) {
                    KeptResult().File = name;
                    outcome.WorkFile = name;
                }
            },
            &notAvailable,
            [](TfrmWizard& dialog) {
                dialog.AskOkCancel = [](const QString& question) {
                    return AppMessageBox(question, {bkOK, bkCancel}, 0, 1, false) == mrOk;
                };
            });
        if (notAvailable)
            outcome.Status = TWizardOutcome::Unavailable;
        else if (result == QDialog::Accepted && !outcome.WorkFile.isEmpty())
            outcome.Status = TWizardOutcome::Accepted;
        else
            outcome.Status = TWizardOutcome::Cancelled;
        return outcome;
    };
}

} // namespace velmo
