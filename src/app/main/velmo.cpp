#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UAppFrame.h"
#include "app/UGlobalNotify.h"
#include <QTextStream>

using namespace velmo;

int main(int argc, char** argv)
{
    TVelmoApplication app(argc, argv);
    InstallStandardMessageBox();
    int exitCode = 1;
    {
        TdataMain dataMain;
        dataMain.SetArguments(app.arguments().mid(1));
        // Tests of the colour question on screens that can draw it.
        if (qEnvironmentVariableIsSet("VELMO_TEST_SCREEN_DEPTH")) {
            const int depth = qEnvironmentVariableIntValue("VELMO_TEST_SCREEN_DEPTH");
            dataMain.AppFrame1()->Probes().ScreenColorBits = [depth] { return depth; };
        }
        if (dataMain.Start()) {
            // Tests of the whole program end it once start-up has finished.
            TGlobalNotify quitOnIdle;
            if (qEnvironmentVariableIntValue("VELMO_TEST_QUIT_ON_IDLE") == 1) {
                quitOnIdle.OnIdle = [&dataMain, done = false]() mutable {
                    if (done || !dataMain.StartupFinished() || !dataMain.MainWindow())
                        return;
                    done = true;
                    QTextStream(stderr) << "velmo: idle" << Qt::endl;
                    dataMain.MainWindow()->close();
                };
            }
            exitCode = app.exec();
        }
        dataMain.Shutdown();
    }
    return exitCode;
}
