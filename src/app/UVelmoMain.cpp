#include "merge/FMergeDialogs.h"
#include "merge/ULOInsertion.h"
#include "app/UVelmoMain.h"
#include "app/DMain.h"
#include "app/FMessage.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "app/FSheetMain.h"
#include "app/FLayoutMain.h"
#include "layout/FLayout.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "objects/FShapeDialogs.h"
#include "objects/UGhostDesigners.h"
#include "app/UAppFrame.h"
#include "objects/ULOCreator.h"
#include "objects/ULOImage.h"
#include "objects/FImageDialogs.h"
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOBarCode.h"
#include "app/UAppFrame.h"
#include "text/FTextDialog.h"
#include "text/ULOText.h"
#include <QDir>
#include <QFileInfo>

namespace velmo {

int RunVelmo(int argc, char** argv, const TVelmoRunHooks& hooks)
{
    TVelmoApplication app(argc, argv);
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
            const QString built = TAppFrame::Instance()->DataRoots().ExeFolder + QStringLiteral("/../data/") + name;
            patterns = QFileInfo(built).isFile() ? QDir::cleanPath(built)
                                                 : TAppFrame::Instance()->FindDataFile(name, QString());
        }
        if (!patterns.isEmpty()) {
            const QFileInfo info(patterns);
            env.PatternFile = patterns;
            env.ThumbnailFile = info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral("-cdd.res");
        }
        return env;
    });
    TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
    RegisterShapeClasses();
    // Pictures and backgrounds, under their older class names too; a picture pasted
    // from another program becomes an image object.
    RegisterImageClasses();
    RegisterImageDesigner();
    // Dates, numbering and the merge objects, with their dialogs (after the text,
    // barcode and image dialogs, which they take over for their own kinds).
    RegisterMergeClasses();
    RegisterMergeDesigners();
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
    TLOCreator::SetCreatedHook([] { TMoveModes::Current().AfterCreation(); });
    SetObjectCreatedHook([](TDrawObject*) { TMoveModes::Current().AfterCreation(); });
    int exitCode = 1;
    {
        TdataMain dataMain;
        QStringList arguments = app.arguments().mid(1);
        // "--sheet FILE.lbd" opens the work file straight into the sheet view.
        if (arguments.size() >= 2 && arguments[0] == QLatin1String("--sheet")) {
            arguments.removeFirst();
            dataMain.CreateMainWindow = [&dataMain] {
                auto* window = new TfrmSheetMain(QString());
                window->Catalogue = [&dataMain] { return dataMain.Papers(); };
                return window;
            };
        }
        // "--layout FILE.lbd" opens the work file straight into the layout view.
        if (arguments.size() >= 2 && arguments[0] == QLatin1String("--layout")) {
            arguments.removeFirst();
            dataMain.CreateMainWindow = [] { return new TfrmLayoutMain; };
        }
        // The layout view keeps its default style in the application's settings.
        TfrmLayout::SetSettingsStore({ReadSettingInteger, ReadSettingString, WriteSettingInteger, WriteSettingString});
        dataMain.SetArguments(arguments);
        dataMain.SetCatalogueLoader(std::make_unique<TPaperCatalogueLoader>());
        if (hooks.BeforeStart)
            hooks.BeforeStart(dataMain);
        if (dataMain.Start()) {
            if (hooks.AfterStart)
                hooks.AfterStart(dataMain);
            exitCode = app.exec();
        }
        dataMain.Shutdown();
    }
    return exitCode;
}

} // namespace velmo
