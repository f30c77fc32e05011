#include "SoakHostHooks.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UStartup.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "layout/FLayout.h"
#include "objects/FLayoutAids.h"
#include "objects/UStandardDSA.h"
#include "print/FPrintPaper.h"
#include "text/ULOText.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>
#include <memory>

namespace velmo::testhost {

namespace {

// Resident memory of this process in kilobytes (VmRSS), 0 when unknown.
long ResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

int OpenFileHandles()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

int TemporaryFiles()
{
    return int(QDir(QDir::tempPath())
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                   .size());
}

// The first plain text of the label in the layout view.
TLOText* FirstText(TfrmMain& main)
{
    if (!main.LayoutView())
        return nullptr;
    TDrawSite* site = main.LayoutView()->Site();
    for (int i = 0; i < site->ObjectCount(); ++i)
        if (auto* text = dynamic_cast<TLOText*>(site->Objects(i)); text && !text->Text()->Lines().isEmpty())
            return text;
    return nullptr;
}

class TSoak
{
public:
    TSoak(TStartup& dataMain) : FDataMain(dataMain) {}

    // One cycle per turn of the event loop, so that what the cycle left for later
    // deletion is gone before the next one is measured.
    void Start()
    {
        FMain = FDataMain.MainWindow();
        const QString why = FMain ? Setup(*FMain) : QStringLiteral("no main window");
        if (!why.isEmpty())
            return Finish(why);
        QTimer::singleShot(0, FMain, [this] { Next(); });
    }

private:
    void Next()
    {
        ++FCycle;
        if (const QString why = Cycle(*FMain, FCycle); !why.isEmpty())
            return Finish(why);
        QTextStream(stderr) << "velmo: soak cycle " << FCycle << " rss " << ResidentKilobytes() << " fds "
                            << OpenFileHandles() << " temps " << TemporaryFiles() << Qt::endl;
        if (FCycle >= FCycles)
            return Finish({});
        QTimer::singleShot(0, FMain, [this] { Next(); });
    }

    void Finish(const QString& why)
    {
        if (why.isEmpty())
            QTextStream(stderr) << "velmo: soak done" << Qt::endl;
        else
            QTextStream(stderr) << "velmo: soak failed: " << why << Qt::endl;
        if (FMain)
            FMain->close();
    }

    QString Setup(TfrmMain& main)
    {
        FCycles = qEnvironmentVariableIntValue("VELMO_TEST_SOAK");
        FFile = qEnvironmentVariable("VELMO_TEST_SOAK_FILE");
        FPdf = qEnvironmentVariable("VELMO_TEST_SOAK_PDF");
        const QString csv = qEnvironmentVariable("VELMO_TEST_SOAK_CSV");
        main.FileDialogHook = [this, csv](TfrmMain::TFileDialogKind kind, const QString&, int*) {
            return kind == TfrmMain::TFileDialogKind::OpenCsv ? csv : FFile;
        };
        main.NewPaperDialogHook = [] { return true; };
        // Printing records the print date in the document, so closing afterwards asks
        // whether to save: いいえ, as a user who only printed would answer. Every
        // question answered is printed; the script accepts only that one.
        SetScriptedMessageAnswers({QStringLiteral("button:1")});
        if (csv.isEmpty())
            return {};
        // The merge data is linked once, as a user would, and stays in the work file.
        if (!main.OpenDocument(FFile))
            return QStringLiteral("the work file did not open for linking");
        if (!main.ChooseMergeData())
            return QStringLiteral("the merge data was not linked");
        if (!main.Save())
            return QStringLiteral("the linked work file was not saved");
        if (!main.NewDocument(true))
            return QStringLiteral("the linked work file did not close");
        return {};
    }

    QString Cycle(TfrmMain& main, int cycle)
    {
        main.Command(QStringLiteral("actOpen"))->trigger();
        if (!main.Document() || main.FileName() != FFile)
            return QStringLiteral("open");
        if (main.Document()->CSVFile().isEmpty())
            return QStringLiteral("the merge data is not linked");
        if (!main.LayoutViewShown())
            main.Command(QStringLiteral("actLayoutView"))->trigger();
        TLOText* text = FirstText(main);
        if (!text)
            return QStringLiteral("no text in the layout view");
        const QStringList before = text->Text()->Lines();
        ApplySettingChange(*text, [&] { text->SetLines({QStringLiteral("周回 %1").arg(cycle)}); });
        if (text->Text()->Lines() == before)
            return QStringLiteral("edit");
        // The commands' states follow the edit at idle time; this is that update.
        TDrawSiteActionBase* undo = main.LayoutView()->Aids()->Command(QStringLiteral("Undo"));
        if (!undo)
            return QStringLiteral("no undo command");
        undo->UpdateAction();
        if (!undo->isEnabled())
            return QStringLiteral("nothing to undo");
        undo->trigger();
        text = FirstText(main);
        if (!text || text->Text()->Lines() != before)
            return QStringLiteral("undo");
        if (!main.Save())
            return QStringLiteral("save");
        if (!Print(main))
            return QStringLiteral("print");
        if (!QFileInfo(FPdf).isFile() || QFileInfo(FPdf).size() == 0)
            return QStringLiteral("no PDF");
        QFile::remove(FPdf);
        if (!main.NewDocument(true) || main.FileName() == FFile)
            return QStringLiteral("close");
        return {};
    }

    // The print command with its dialog answered: output to the PDF file, start.
    bool Print(TfrmMain& main)
    {
        bool answered = false;
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, &answered, this] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = dynamic_cast<TfrmPrintPaper*>(top); dialog && dialog->isVisible()) {
                    dialog->OutputBox()->setCurrentIndex(dialog->OutputBox()->count() - 1);
                    dialog->PdfEdit()->setText(FPdf);
                    answered = true;
                    timer->stop();
                    dialog->accept();
                    return;
                }
        });
        timer->start();
        const bool printed = main.Print();
        delete timer;
        return printed && answered;
    }

    TStartup& FDataMain;
    TfrmMain* FMain = nullptr;
    int FCycle = 0;
    int FCycles = 0;
    QString FFile;
    QString FPdf;
};

} // namespace

void StartSoak(TStartup& dataMain)
{
    auto* idle = new QTimer(&dataMain);
    idle->setInterval(50);
    QObject::connect(idle, &QTimer::timeout, &dataMain, [idle, &dataMain] {
        if (!dataMain.StartupFinished() || !dataMain.MainWindow() || QApplication::activeModalWidget())
            return;
        idle->stop();
        idle->deleteLater();
        static TSoak soak(dataMain);
        soak.Start();
    });
    idle->start();
}

} // namespace velmo::testhost
