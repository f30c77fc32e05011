#include "app/UStartup.h"
#include "app/FAppForms.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UAppFrame.h"
#include "app/UGlobalNotify.h"
#include "base/UExceptions.h"
#include "document/FProductDialogs.h"
#include "imaging/FColorGrid.h"
#include "imaging/UResourceImage.h"
#include "paper/UVelmoPapers.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace velmo {

namespace {

std::function<void()>& PictureFormatRegistration()
{
    static std::function<void()> registration;
    return registration;
}

} // namespace

TVelmoApplication::TVelmoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TVelmoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (TAppFrame* frame = TAppFrame::Instance())
            frame->HandleException(error);
        else
            qWarning("%s", error.what());
    }
    return false;
}

void SetPictureFormatRegistration(std::function<void()> registration)
{
    PictureFormatRegistration() = std::move(registration);
}

TStartup::TStartup(QObject* owner) : QObject(owner)
{
    setObjectName(QStringLiteral("dataMain"));
    FAppFrame = new TAppFrame(this);
    FAppFrame->setObjectName(QStringLiteral("AppFrame1"));
    FAppFrame->SetMacro(TMacroString(ApplicationMacroLines()));
    FAppFrame->SetExecuteCondition({ecNeedHighColor, ecNeedPrinter, ecExclusive});
    FAppFrame->OnMessageBox = &TfrmMessage::Execute;
    // The product and creator dialogs ask through the application's message window.
    SetQuestionHandler([](QWidget*, const QString& text, TQuestionButtons buttons) {
        if (buttons == TQuestionButtons::OkCancel)
            return AppMessageBox(text, {bkOK, bkCancel}, 0, 1, false);
        return AppMessageBox(text, {bkYes, bkNo, bkCancel}, 0, 2, false);
    });
    FGlobalNotify = new TGlobalNotify(this);
    FGlobalNotify->setObjectName(QStringLiteral("GlobalNotify1"));
    FGlobalNotify->OnIdle = [this] { Idle(); };
    FAppFrame->Loaded();
    // Resource files of the windows' pictures ("Images.res") are installed data:
    // found where the rest of the data is.
    SetResourceFileResolver([](const QString& resFile) {
        TAppFrame* frame = TAppFrame::Instance();
        const QString found = frame ? frame->FindDataFile(resFile, QString()) : QString();
        if (!found.isEmpty())
            return found;
        // A build tree keeps its data beside the programs' folder.
        const QString built =
            QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../data")).filePath(resFile);
        return QFileInfo(built).isFile() ? QDir::cleanPath(built) : QString();
    });
    // The system colour dialog's custom colours live in the settings.
    SetCustomColorsStore(
        [] { return ReadSettingString(QStringLiteral("CustomColors"), QString()); },
        [](const QString& value) { WriteSettingString(QStringLiteral("CustomColors"), value); });
    CreateMainWindow = [this] {
        auto* window = new TfrmMain;
        window->Catalogue = [this] { return Papers(); };
        return window;
    };
}

TStartup::~TStartup()
{
    SetQuestionHandler({});
    SetCustomColorsStore({}, {});
    SetResourceFileResolver({});
    Shutdown();
}

void TStartup::SetCatalogueLoader(std::unique_ptr<ICatalogueLoader> loader)
{
    FCatalogueLoader = std::move(loader);
}

TfrmMain* TStartup::MainWindow() const
{
    return FMainWindow;
}

TVelmoPapers* TStartup::Papers() const
{
    return FCatalogueLoader ? FCatalogueLoader->Papers() : nullptr;
}

bool TStartup::LoadCatalogue()
{
    if (!FCatalogueLoader)
        return true;
    QString fileName;
    try {
        FCatalogueLoader->Prepare(*FAppFrame);
        fileName = ExpandMacros(QStringLiteral("$(PaperInfo)"));
        CheckRequiredFile(fileName, true);
        FCatalogueLoader->Load(fileName);
        ReportSkippedPapers();
        return true;
    } catch (const EFileError& error) {
        ShowAppMessage(error.Message(), false);
    } catch (const std::exception&) {
        ShowAppMessage(FormatText(QStringLiteral("アプリケーションに必要なファイル「%s」が開けませんでした"),
                                  {QFileInfo(fileName).fileName()}),
                       false);
    }
    return false;
}

void TStartup::ReportSkippedPapers()
{
    // Told once, at the start; the other papers are there and the damaged streams stay
    // in the file for whoever can mend them.
    const TVelmoPapers* papers = Papers();
    if (papers && !papers->SkippedPapers().isEmpty())
        ShowAppMessage(FormatText(QStringLiteral("用紙情報「%s」を読み込めませんでした"),
                                  {papers->SkippedPapers().join(QStringLiteral("、"))}),
                       false);
}

bool TStartup::Start()
{
    if (PictureFormatRegistration())
        PictureFormatRegistration()();
    if (!FAppFrame->CheckExecuteConditions())
        return false;
    if (!LoadCatalogue())
        return false;
    if (!ScreenCanShowWindows()) {
        // Going on would end in the toolkit failing to draw the first window.
        QTextStream(stderr) << ExpandMacros(QStringLiteral("$(AppName)"))
                            << QStringLiteral(": この画面の色数ではウィンドウを表示できません") << Qt::endl;
        return false;
    }
    FMainWindow = CreateMainWindow();
    // Commands wait until the start-up choice has been made.
    FMainWindow->setEnabled(false);
    FMainWindow->show();
    // The colour-grid pop-up is made once, beside the main window.
    TfrmColorGrid::Instance();
    FReady = true;
    return true;
}

void TStartup::Idle()
{
    if (!FReady || !FMainWindow)
        return;
    if (!FInitialDocumentMade) {
        FInitialDocumentMade = true;
        FMainWindow->MakeInitialDocument();
        const QString first = FArguments.value(0);
        if (FMainWindow->HoldsRestoredWorkOf(first) ||
            (first.isEmpty() && FMainWindow->HoldsRestoredWork())) {
            // Restored work gets no start-up choice and takes input at once, splash or
            // not (a click on 保存 would otherwise do nothing); a file given that is
            // the restored work's own is open already, with the user's last changes.
            FStartupFinished = true;
            FMainWindow->setEnabled(true);
        } else if (!first.isEmpty() && QFileInfo(first).isFile() && FMainWindow->OpenDocument(first)) {
            FStartupFinished = true;
            FMainWindow->setEnabled(true);
        }
        FStartupChoiceDue = true;
    }
    if (FStartupChoiceDue && !FStartupFinished && FMainWindow->SplashClosed()) {
        FStartupFinished = true;
        FMainWindow->OfferStartupChoice();
        if (FMainWindow)
            FMainWindow->setEnabled(true);
    }
}

void TStartup::Shutdown()
{
    FReady = false;
    if (FMainWindow) {
        if (FMainWindow->isVisible())
            FMainWindow->close();
        delete FMainWindow.data();
    }
    FCatalogueLoader.reset();
    TExecuteBlocker::ReleaseAll();
}

} // namespace velmo
