#include "app/DMain.h"
#include "app/FAppForms.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UAppFrame.h"
#include "app/UGlobalNotify.h"
#include "base/UExceptions.h"
#include "persist/UComponentStream.h"
#include "document/FProductDialogs.h"
#include "paper/UVelmoPapers.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
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

TdataMain::TdataMain(QObject* owner) : QObject(owner)
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
    CreateMainWindow = [] { return new TfrmMain; };
}

TdataMain::~TdataMain()
{
    SetQuestionHandler({});
    Shutdown();
}

void TdataMain::SetCatalogueLoader(std::unique_ptr<ICatalogueLoader> loader)
{
    FCatalogueLoader = std::move(loader);
}

TfrmMain* TdataMain::MainWindow() const
{
    return FMainWindow;
}

TVelmoPapers* TdataMain::Papers() const
{
    return FCatalogueLoader ? FCatalogueLoader->Papers() : nullptr;
}

bool TdataMain::LoadCatalogue()
{
    if (!FCatalogueLoader)
        return true;
    QString fileName;
    try {
        FCatalogueLoader->Prepare(*FAppFrame);
        fileName = ExpandMacros(QStringLiteral("$(PaperInfo)"));
        CheckRequiredFile(fileName, true);
        FCatalogueLoader->Load(fileName);
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

bool TdataMain::Start()
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
    FReady = true;
    return true;
}

void TdataMain::Idle()
{
    if (!FReady || !FMainWindow)
        return;
    if (!FInitialDocumentMade) {
        FInitialDocumentMade = true;
        FMainWindow->MakeInitialDocument();
        const QString first = FArguments.value(0);
        if (!first.isEmpty() && QFileInfo(first).isFile() && FMainWindow->OpenDocument(first)) {
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

void TdataMain::Shutdown()
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

// ---------------------------------------------------------------------------------
// TPaperCatalogueLoader

TPaperCatalogueLoader::TPaperCatalogueLoader()
{
    RegisterCatalogueClasses();
}

TPaperCatalogueLoader::~TPaperCatalogueLoader()
{
    try {
        Close();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
}

void TPaperCatalogueLoader::Close()
{
    if (!FPapers)
        return;
    std::unique_ptr<TVelmoPapers> papers = std::move(FPapers);
    papers->Close();
}

QString TPaperCatalogueLoader::DefaultUserFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.local/share/velmo");
    return folder + QStringLiteral("/velmo.ppr");
}

QString TPaperCatalogueLoader::FindInstalledCatalogue(TAppFrame& frame)
{
    const TDataRootSources& roots = frame.DataRoots();
    QStringList candidates;
    if (!roots.ExeFolder.isEmpty())
        candidates.append(QDir::cleanPath(roots.ExeFolder + QStringLiteral("/../data/velmo.ppr")));
    for (const QString& folder : roots.InstalledFolders)
        candidates.append(QDir::cleanPath(folder + QStringLiteral("/velmo.ppr")));
    for (const QString& candidate : std::as_const(candidates))
        if (QFileInfo(candidate).isFile())
            return candidate;
    return QString();
}

int TPaperCatalogueLoader::ReadUpdateNumber(const QString& fileName)
{
    try {
        TRootStorage root;
        root.OpenFile(fileName, fmDocRead | fmDocShareDenyWrite);
        TDocStream stream(root, fmDocRead, TPapersV2::UpdateInfoStreamName());
        std::unique_ptr<TComponent> read = ReadComponent(stream);
        if (auto* update = dynamic_cast<TPaperUpdate*>(read.get()))
            return update->PPRNo();
    } catch (const std::exception&) {
    }
    return -1;
}

void TPaperCatalogueLoader::Prepare(TAppFrame& frame)
{
    if (UserFile.isEmpty())
        UserFile = DefaultUserFile();
    if (InstalledFile.isEmpty())
        InstalledFile = FindInstalledCatalogue(frame);
    frame.Macro().SetValue(QStringLiteral("PaperInfo"), UserFile);
    if (QFileInfo::exists(UserFile) || InstalledFile.isEmpty())
        return; // a missing catalogue is reported by the start-up check
    QDir().mkpath(QFileInfo(UserFile).absolutePath());
    // Copied beside and renamed, so that an interrupted first start leaves no half
    // catalogue behind; the copy is the user's and writable, whatever the original.
    const QString partial = UserFile + QStringLiteral(".new");
    QFile::remove(partial);
    if (QFile::copy(InstalledFile, partial)) {
        QFile::setPermissions(partial, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (!QFile::rename(partial, UserFile))
            QFile::remove(partial);
    }
}

void TPaperCatalogueLoader::Load(const QString& fileName)
{
    Close();
    FPapers = std::make_unique<TVelmoPapers>(fileName, false);
    if (!InstalledFile.isEmpty() &&
        QFileInfo(InstalledFile).canonicalFilePath() != QFileInfo(fileName).canonicalFilePath() &&
        ReadUpdateNumber(InstalledFile) > FPapers->UpdateInfo().PPRNo())
        MergeInstalled();
}

void TPaperCatalogueLoader::MergeInstalled()
{
    const QString fileName = FPapers->FileName();
    try {
        TVelmoPapers installed(InstalledFile, true);
        const QStringList companies = FPapers->CompanyList();
        const QStringList groups = FPapers->GroupList();
        if (!FPapers->Storage().StorageExists(TPapersV2::GlobalInfoStorageName()))
            TDocStorage(FPapers->Storage(), true, TPapersV2::GlobalInfoStorageName());
        FPapers->MergeUpdate(installed, {}, true);
        // Makers and groups the user added stay listed behind the delivered ones.
        QStringList mergedCompanies = FPapers->CompanyList();
        for (const QString& name : companies)
            if (!mergedCompanies.contains(name))
                mergedCompanies.append(name);
        FPapers->SetCompanyList(mergedCompanies);
        QStringList mergedGroups = FPapers->GroupList();
        for (const QString& name : groups)
            if (!mergedGroups.contains(name))
                mergedGroups.append(name);
        FPapers->SetGroupList(mergedGroups);
    } catch (const std::exception& error) {
        // A delivered catalogue that cannot be merged must not cost the user theirs:
        // the half-merged working copy is dropped and the file read again.
        qWarning("%s", error.what());
        FPapers->Discard();
        FPapers = std::make_unique<TVelmoPapers>(fileName, false);
    }
}

} // namespace velmo
