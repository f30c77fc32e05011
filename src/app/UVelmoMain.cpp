#include "app/UVelmoMain.h"
#include "app/DMain.h"
#include "app/FMessage.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"

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
    int exitCode = 1;
    {
        TdataMain dataMain;
        dataMain.SetArguments(app.arguments().mid(1));
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
