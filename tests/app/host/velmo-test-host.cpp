// The desktop application as the process tests run it: the same run as the real
// program, with the hooks those tests steer through the environment.
//   VELMO_TEST_SCREEN_DEPTH=N          the screen reports N colour bits
//   VELMO_TEST_QUIT_ON_IDLE=1          prints "velmo: idle" and quits once start-up is done
//   VELMO_TEST_THROW_IN_EVENT=1        an event handler fails (the exception handler's test)
//   VELMO_TEST_AUTOCLOSE_MESSAGES=a,b  scripted answers for the message windows
//   VELMO_TEST_SHAPES=1                a turning rectangle kind ("TLOTestShape") is registered
//   VELMO_TEST_MAKE_SHEET=FILE         writes a sample two-sheet work file and exits
//   VELMO_TEST_REPORT=1                prints where faces, tabs, objects and pivots are
//   VELMO_TEST_LAYOUT_REPORT=1         the same for the layout view and its dialogs
//   VELMO_TEST_MERGE_REPORT=1          the main window's merge texts, insertion controller and jump dialog
//   VELMO_TEST_SLOW_PRINT=MS           each printed face takes MS milliseconds longer
//   VELMO_TEST_BROWSER_REPORT=1        prints what the record browser and its dialog show
//   --sheet FILE.lbd                   the work file straight into the sheet harness window
//   --layout FILE.lbd                  the work file straight into the layout harness window
//   VELMO_TEST_SOAK=N                  N cycles of open, edit, undo, save, print, close
//                                      (SoakHostHooks.h names the other variables)
#include "BrowserHostHooks.h"
#include "LayoutHostHooks.h"
#include "MergeHostHooks.h"
#include "SheetHostHooks.h"
#include "SoakHostHooks.h"
#include "app/FMain.h"
#include "app/FMessage.h"
#include "app/UAppFrame.h"
#include "app/UGlobalNotify.h"
#include "app/UStartup.h"
#include "app/UVelmoMain.h"
#include "app/host/FLayoutMain.h"
#include "app/host/FSheetMain.h"
#include "base/UExceptions.h"
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>
#include <memory>

using namespace velmo;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("VELMO_TEST_MAKE_SHEET")) {
        QApplication app(argc, argv);
        velmo::testhost::MakeSampleSheetFile(qEnvironmentVariable("VELMO_TEST_MAKE_SHEET"));
        return 0;
    }
    if (qEnvironmentVariableIntValue("VELMO_TEST_SHAPES") == 1)
        velmo::testhost::RegisterTestShape();
    std::unique_ptr<TGlobalNotify> quitOnIdle;
    TVelmoRunHooks hooks;
    hooks.BeforeStart = [](TStartup& dataMain) {
        // The harness windows of the sheet and layout tests, never in the real program.
        const QStringList arguments = QCoreApplication::arguments().mid(1);
        if (arguments.size() >= 2 && arguments[0] == QLatin1String("--sheet")) {
            dataMain.SetArguments(arguments.mid(1));
            dataMain.CreateMainWindow = [&dataMain] {
                auto* window = new TfrmSheetMain(QString());
                window->Catalogue = [&dataMain] { return dataMain.Papers(); };
                return window;
            };
        } else if (arguments.size() >= 2 && arguments[0] == QLatin1String("--layout")) {
            dataMain.SetArguments(arguments.mid(1));
            dataMain.CreateMainWindow = [] { return new TfrmLayoutMain; };
        }
        SetScriptedMessageAnswers(qEnvironmentVariable("VELMO_TEST_AUTOCLOSE_MESSAGES")
                                      .split(QLatin1Char(','), Qt::SkipEmptyParts));
        if (qEnvironmentVariableIsSet("VELMO_TEST_SCREEN_DEPTH")) {
            const int depth = qEnvironmentVariableIntValue("VELMO_TEST_SCREEN_DEPTH");
            dataMain.AppFrame1()->Probes().ScreenColorBits = [depth] { return depth; };
        }
    };
    hooks.AfterStart = [&quitOnIdle](TStartup& dataMain) {
        if (qEnvironmentVariableIntValue("VELMO_TEST_QUIT_ON_IDLE") == 1) {
            quitOnIdle = std::make_unique<TGlobalNotify>();
            quitOnIdle->OnIdle = [&dataMain, done = false]() mutable {
                if (done || !dataMain.StartupFinished() || !dataMain.MainWindow())
                    return;
                done = true;
                QTextStream(stderr) << "velmo: idle" << Qt::endl;
                dataMain.MainWindow()->close();
            };
        }
        if (qEnvironmentVariableIntValue("VELMO_TEST_REPORT") == 1)
            velmo::testhost::StartScreenReport();
        if (qEnvironmentVariableIntValue("VELMO_TEST_LAYOUT_REPORT") == 1)
            velmo::testhost::StartLayoutReport();
        if (qEnvironmentVariableIntValue("VELMO_TEST_MERGE_REPORT") == 1)
            velmo::testhost::StartMergeReport();
        if (qEnvironmentVariableIntValue("VELMO_TEST_BROWSER_REPORT") == 1)
            velmo::testhost::StartBrowserReport();
        if (qEnvironmentVariableIntValue("VELMO_TEST_SOAK") > 0)
            velmo::testhost::StartSoak(dataMain);
        if (const int ms = qEnvironmentVariableIntValue("VELMO_TEST_SLOW_PRINT"); ms > 0)
            QTimer::singleShot(0, &dataMain, [&dataMain, ms] {
                if (auto* sheet = dynamic_cast<TfrmSheetMain*>(dataMain.MainWindow()))
                    sheet->PrintFaceHook = [ms](TDOList&, int counter) {
                        QTextStream(stderr) << "velmo: printing face " << counter << Qt::endl;
                        QElapsedTimer timer;
                        timer.start();
                        while (timer.elapsed() < ms)
                            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
                    };
            });
        if (qEnvironmentVariableIntValue("VELMO_TEST_THROW_IN_EVENT") == 1)
            QTimer::singleShot(0, &dataMain, [] { throw EFileError(QStringLiteral("テスト用の失敗")); });
    };
    const int exitCode = RunVelmo(argc, argv, hooks);
    return exitCode;
}
