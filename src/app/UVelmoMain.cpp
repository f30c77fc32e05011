#include "app/UVelmoMain.h"
#include "app/DMain.h"
#include "app/FMessage.h"
#include "imaging/USafetyBitmap.h"

namespace velmo {

int RunVelmo(int argc, char** argv, const TVelmoRunHooks& hooks)
{
    TVelmoApplication app(argc, argv);
    InstallStandardMessageBox();
    int exitCode = 1;
    {
        TdataMain dataMain;
        dataMain.SetArguments(app.arguments().mid(1));
        dataMain.SetCatalogueLoader(std::make_unique<TPaperCatalogueLoader>());
        // Pictures in documents, catalogues and clipboards read as the program's
        // own bitmap and JPEG classes.
        SetPictureFormatRegistration(RegisterImagingGraphics);
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
