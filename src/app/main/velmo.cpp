#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UAppFrame.h"
#include "app/UGlobalNotify.h"
#include "base/UExceptions.h"
#include <QTextStream>
#include <QTimer>

using namespace velmo;

int main(int argc, char** argv)
{
    TVelmoApplication app(argc, argv);
    InstallStandardMessageBox();
    int exitCode = 1;
    {
        TdataMain dataMain;
        dataMain.SetArguments(app.arguments().mid(1));
        dataMain.SetCatalogueLoader(std::make_unique<TPaperCatalogueLoader>());
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
            // Tests of the exception handler: an event whose handler fails.
            if (qEnvironmentVariableIntValue("VELMO_TEST_THROW_IN_EVENT") == 1)
                QTimer::singleShot(0, &dataMain, [] { throw EFileError(QStringLiteral("テスト用の失敗")); });
            exitCode = app.exec();
        }
        dataMain.Shutdown();
    }
    return exitCode;
}
