#include "app/UVelmoMain.h"
#include "app/DMain.h"
#include "app/FMessage.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "app/FSheetMain.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULOCreator.h"
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOBarCode.h"

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
