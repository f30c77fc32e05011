#include "app/UVelmoMain.h"
#include "acquire/FScanner.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UAppFrame.h"
#include "app/UHistoryManager.h"
#include "app/UStartup.h"
#include "app/UToolkitTranslations.h"
#include "app/UWizardRun.h"
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOBarCode.h"
#include "base/UFolderHistory.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "layout/FLayout.h"
#include "merge/ULOInsertion.h"
#include "objects/FImageDialogs.h"
#include "objects/FShapeDialogs.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULOCreator.h"
#include "objects/ULOImage.h"
#include "pictures/FPictureDialogs.h"
#include "pictures/UPictureCollections.h"
#include "print/FPrintPaper.h"
#include "text/FDecoString.h"
#include "text/FTextDialog.h"
#include "text/UImageFont.h"
#include "text/ULODecoString.h"
#include "text/ULOText.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <optional>

namespace velmo {

namespace {

// The frame "--wizard" and "--osoroi" run their wizard over: no document, no
// start-up choice.
class TfrmWizardHost : public TfrmMain
{
public:
    TfrmWizardHost() : TfrmMain(nullptr, TBare{}) {}
    void MakeInitialDocument() override {}
    bool SplashClosed() const override { return true; }
    void OfferStartupChoice() override {}
};

} // namespace

int RunVelmo(int argc, char** argv, const TVelmoRunHooks& hooks)
{
    TVelmoApplication app(argc, argv);
    InstallToolkitTranslations(app);
    InstallStandardMessageBox();
    // Stored pictures naming "TBitmap" or "TJPEGImage" load into the safe classes, and
    // picture files open by their extension.
    SetPictureFormatRegistration([] {
        RegisterImagingGraphics();
        RegisterPictureFormats();
    });
    RegisterGhostDesigners();
    // Documents hold barcodes under "TLOBarCode" and the older "TLOJANCode"; a double
    // click on one opens its dialog.
    RegisterBarCodeClasses();
    RegisterBarCodeDesigner();
    // Text objects read under all their class names and edit in their own dialog,
    // which finds the delivered patterns like every other data file.
    RegisterTextClasses();
    RegisterTextDesigner();
    SetTextDialogEnvironment([] {
        TTextDialogEnvironment env;
        QString patterns = ExpandMacros(QStringLiteral("$(CoonsDistortionData)"));
        const QString name = QFileInfo(patterns).fileName();
        if (!QFileInfo(patterns).isFile() && TAppFrame::Instance()) {
            // The build's own data folder first, as for the catalogue, then the data roots.
            const QString built =
                TAppFrame::Instance()->DataRoots().ExeFolder + QStringLiteral("/../data/") + name;
            patterns = QFileInfo(built).isFile() ? QDir::cleanPath(built)
                                                 : TAppFrame::Instance()->FindDataFile(name, QString());
        }
        if (!patterns.isEmpty()) {
            const QFileInfo info(patterns);
            env.PatternFile = patterns;
            env.ThumbnailFile =
                info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral("-cdd.res");
        }
        return env;
    });
    TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
    RegisterShapeClasses();
    // Pictures and backgrounds, under their older class names too; a picture pasted
    // from another program becomes an image object.
    RegisterImageClasses();
    RegisterImageDesigner();
    // Dates, numbering and the merge objects; their dialogs come with the layout
    // view, which opens them on its merge session.
    RegisterMergeClasses();
    InstallActionHistory();
    SetDecoLineFolderLocator([] {
        // The data roots first, then the folder beside the program (a build tree);
        // only when neither has it is the user asked for the data.
        const QString path = QStringLiteral("ILLUST\\DecoLine");
        TAppFrame* frame = TAppFrame::Instance();
        QString folder = frame ? frame->FindDataFile(path, QString()) : QString();
        if (folder.isEmpty())
            folder = BuiltDecoLineFolder();
        if (folder.isEmpty() && frame)
            folder = frame->FindDataFile(path, QStringLiteral("飾り罫線データ"));
        return folder;
    });
    // Decorative strings read from documents and open their dialog; their picture
    // fonts come from the folder the settings name, else "Data\Font" among the data
    // files (the build's own first), asking for the disc only when neither has it.
    RegisterDecoStringClasses();
    RegisterDecoStringDesigner();
    SetImageFontFolderLocator([] {
        QString folder = ExpandMacros(QStringLiteral("$(ImageFontFolder:inessential)"));
        if (!folder.isEmpty())
            return folder;
        const QString path = QStringLiteral("Data\\Font");
        TAppFrame* frame = TAppFrame::Instance();
        folder = frame ? frame->FindDataFile(path, QString()) : QString();
        if (folder.isEmpty())
            folder = BuiltImageFontFolder();
        if (folder.isEmpty() && frame)
            folder = frame->FindDataFile(path, QStringLiteral("飾り文字データ"));
        return folder;
    });
    // Illustrations, backgrounds, frames and the user's picture folders: the picture
    // dialogs behind the image and background dialogs, their collections found
    // through the data-file search (never asking for the disc: a missing collection
    // shows its warning in the browser).
    InstallPictureBrowsers();
    PictureEnvironment().FindDataFile = [](const QString& path) {
        TAppFrame* frame = TAppFrame::Instance();
        return frame ? frame->FindDataFile(path, QString()) : QString();
    };
    PictureEnvironment().ExpandMacros = [](const QString& text) { return ExpandMacros(text); };
    // Print jobs are named by the application's title format.
    SetPrintJobTitleFormatter([](const QString& fileName) {
        return FormatText(ExpandMacros(QStringLiteral("$(PrintTitleFormat)")),
                          {fileName.isEmpty() ? QStringLiteral("新規作成") : QFileInfo(fileName).fileName()});
    });
    // The file dialogs of every library start where their kind was last used.
    SetFolderHistoryStore({[](const QString& key) {
                               try {
                                   THistoryManager history;
                                   history.SetRegistryKey(key);
                                   return history.Items();
                               } catch (const std::exception&) {
                                   return QStringList();
                               }
                           },
                           [](const QString& key, const QString& folder) {
                               try {
                                   THistoryManager history;
                                   history.SetRegistryKey(key);
                                   history.Add(folder);
                               } catch (const std::exception&) {
                               }
                           },
                           [](const QString& key) {
                               try {
                                   THistoryManager history;
                                   history.SetRegistryKey(key);
                                   history.Clear();
                               } catch (const std::exception&) {
                               }
                           }});
    PictureEnvironment().ReadFolderHistory = [] {
        THistoryManager history;
        history.SetRegistryKey(QStringLiteral("$(UserImageHistory)"));
        return history.Items();
    };
    PictureEnvironment().AddFolderHistory = [](const QString& folder) {
        THistoryManager history;
        history.SetRegistryKey(QStringLiteral("$(UserImageHistory)"));
        history.Add(folder);
    };
    PictureEnvironment().ClearFolderHistory = [] {
        THistoryManager history;
        history.SetRegistryKey(QStringLiteral("$(UserImageHistory)"));
        history.Clear();
    };
    // "取り込み": a scanner or camera through SANE; a device failure (ETwain) reaches
    // the exception handler, which shows it inside the scanner error text.
    PictureEnvironment().Acquire = [](QWidget* parent, TPictureEx& picture) {
        std::unique_ptr<TAppBitmap> bitmap = AcquireTwainPicture(parent);
        if (!bitmap)
            return false;
        picture.SetGraphic(std::move(bitmap));
        return true;
    };
    TLOCreator::SetPreparation(QStringLiteral("TLOOnePoint"), [](TLabelObject* object, TDrawSite*) {
        if (auto* image = dynamic_cast<TLOImage*>(object))
            image->SetImageSource(isOnePoint);
    });
    // A scanner image: its dialog's chooser acquires at once, without showing itself.
    TLOCreator::SetPreparation(QStringLiteral("TLOTwain"), [](TLabelObject* object, TDrawSite*) {
        if (auto* image = dynamic_cast<TLOImage*>(object))
            image->SetImageSource(isTwain);
    });
    TLOCreator::SetCreatedHook([] { TMoveModes::Current().AfterCreation(); });
    SetObjectCreatedHook([](TDrawObject*) { TMoveModes::Current().AfterCreation(); });
    int exitCode = 1;
    {
        TStartup dataMain;
        QStringList arguments = app.arguments().mid(1);
        // The layout view keeps its default style in the application's settings.
        TfrmLayout::SetSettingsStore(
            {ReadSettingInteger, ReadSettingString, WriteSettingInteger, WriteSettingString});
        // "--wizard OUT.lbd" and "--osoroi OUT.lbd" run one wizard over an empty main
        // window and copy its result to OUT (exit 0; cancelled 3; no data 4).
        std::optional<TWizardMode> wizardKind;
        QString wizardOut;
        if (arguments.size() >= 2 &&
            (arguments[0] == QLatin1String("--wizard") || arguments[0] == QLatin1String("--osoroi"))) {
            wizardKind =
                arguments[0] == QLatin1String("--wizard") ? TWizardMode::wmWizard : TWizardMode::wmMatching;
            wizardOut = arguments[1];
            arguments = arguments.mid(2);
            dataMain.CreateMainWindow = [] { return new TfrmWizardHost; };
        }
        // The main window's wizard commands and start-up entries run the wizards over
        // the catalogue the data module loads.
        SetWizardRunner(MakeWizardRunner([&dataMain] { return dataMain.Papers(); }));
        dataMain.SetArguments(arguments);
        dataMain.SetCatalogueLoader(std::make_unique<TPaperCatalogueLoader>());
        if (hooks.BeforeStart)
            hooks.BeforeStart(dataMain);
        if (dataMain.Start()) {
            if (hooks.AfterStart)
                hooks.AfterStart(dataMain);
            if (wizardKind) {
                QTimer::singleShot(0, &app, [&dataMain, &wizardKind, &wizardOut] {
                    int code = 3;
                    if (FindWizardDataFile(*wizardKind).isEmpty())
                        code = 4;
                    RunWizardCommand(*wizardKind, dataMain.Papers(), dataMain.MainWindow(),
                                     [&](const QString& resultFile) {
                                         QFile::remove(wizardOut);
                                         code = QFile::copy(resultFile, wizardOut) ? 0 : 1;
                                         return code == 0;
                                     });
                    QCoreApplication::exit(code);
                });
            }
            exitCode = app.exec();
        }
        dataMain.Shutdown();
        SetWizardRunner({});
    }
    return exitCode;
}

} // namespace velmo
