// The whole program under a real X server: start-up into the idle loop, the single
// instance, the colour question.
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

using namespace velmo::test;

namespace {

// An Xvfb that picks a free display number itself.
class TXServer
{
public:
    explicit TXServer(int depth)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return;
        FProcess.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1024x768x%1").arg(depth),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!FProcess.waitForStarted(10000))
            return;
        QByteArray out;
        for (int i = 0; i < 100 && !out.contains('\n'); ++i) {
            FProcess.waitForReadyRead(100);
            out += FProcess.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (ok)
            FDisplay = QStringLiteral(":%1").arg(number);
    }
    ~TXServer()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            if (!FProcess.waitForFinished(5000)) {
                FProcess.kill();
                FProcess.waitForFinished(5000);
            }
        }
    }
    const QString& Display() const { return FDisplay; }

private:
    QProcess FProcess;
    QString FDisplay;
};

struct TRun
{
    int ExitCode = -2;
    QString StdErr;
};

class VelmoProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(Runtime());
        QFile::setPermissions(Runtime(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The application with the hooks these tests steer (tests/app/host).
    QString Program() const { return BinaryDir() + QStringLiteral("/tests/velmo-test-host"); }
    QString Runtime() const { return FTemp.path() + QStringLiteral("/run"); }
    QString Config() const { return FTemp.path() + QStringLiteral("/config"); }
    QString SettingsFile() const { return Config() + QStringLiteral("/Quillon/ベルモ.ini"); }
    QString LockFile() const { return Runtime() + QStringLiteral("/ベルモ.1.0.Brenvik.Japan.lock"); }

    void Prepare(QProcess& process, const TXServer& server, const QStringList& extra) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), server.Display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Runtime());
        env.insert(QStringLiteral("XDG_DATA_HOME"), FTemp.path() + QStringLiteral("/data"));
        for (const QString& pair : extra)
            env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(env);
    }

    TRun Run(const TXServer& server, const QStringList& extra) const
    {
        QProcess process;
        Prepare(process, server, extra);
        process.start(Program(), {});
        TRun run;
        if (!process.waitForStarted(10000))
            return run;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            run.StdErr = QString::fromUtf8(process.readAllStandardError());
            return run;
        }
        run.StdErr = QString::fromUtf8(process.readAllStandardError());
        run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return run;
    }

    QTemporaryDir FTemp;
};

#define REQUIRE_SERVER(server)                                                                               \
    if ((server).Display().isEmpty())                                                                        \
    GTEST_SKIP() << "Xvfb could not be started"

const QStringList kQuitOnIdle{QStringLiteral("VELMO_TEST_QUIT_ON_IDLE=1"),
                              QStringLiteral("VELMO_TEST_AUTOCLOSE_MESSAGES=1")};

} // namespace

TEST_F(VelmoProcess, StartsWithTheDeliveredCatalogueInTheUsersOwnCopy)
{
    TXServer server(24);
    REQUIRE_SERVER(server);
    const TRun run = Run(server, kQuitOnIdle);
    EXPECT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_TRUE(run.StdErr.contains(QStringLiteral("velmo: idle"))) << run.StdErr.toStdString();
    EXPECT_FALSE(run.StdErr.contains(QStringLiteral("velmo message:"))) << run.StdErr.toStdString();
    // The first start copied the catalogue into the user's data folder, writable.
    const QString copy = FTemp.path() + QStringLiteral("/data/ベルモ/velmo.ppr");
    ASSERT_TRUE(QFileInfo(copy).isFile());
    EXPECT_TRUE(QFileInfo(copy).isWritable());
    QFile installed(BinaryDir() + QStringLiteral("/data/velmo.ppr"));
    QFile user(copy);
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly) && user.open(QIODevice::ReadOnly));
    EXPECT_EQ(user.readAll(), installed.readAll()); // nothing changed, nothing written back

    // A read-only copy ends the start with the message, before any window.
    QFile::setPermissions(copy, QFileDevice::ReadOwner);
    const TRun refused = Run(server, kQuitOnIdle);
    EXPECT_NE(refused.ExitCode, 0);
    EXPECT_TRUE(refused.StdErr.contains(
        QStringLiteral("velmo message: 実行に必要なファイル「velmo.ppr」が読み取り専用になっています")))
        << refused.StdErr.toStdString();
    EXPECT_FALSE(refused.StdErr.contains(QStringLiteral("velmo: idle")));
}

TEST_F(VelmoProcess, StartsIntoItsIdleLoopAndLeavesNoLockBehind)
{
    TXServer server(24);
    REQUIRE_SERVER(server);
    const TRun run = Run(server, kQuitOnIdle);
    EXPECT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_TRUE(run.StdErr.contains(QStringLiteral("velmo: idle"))) << run.StdErr.toStdString();
    EXPECT_FALSE(run.StdErr.contains(QStringLiteral("velmo message:"))) << run.StdErr.toStdString();
    EXPECT_FALSE(QFileInfo::exists(LockFile()));
    // The main window kept its default size and stored its place.
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("1.0/Settings/frmMainWidth")).toString(), QStringLiteral("800"));
    EXPECT_EQ(settings.value(QStringLiteral("1.0/Settings/frmMainHeight")).toString(), QStringLiteral("600"));
}

TEST_F(VelmoProcess, MainWindowReturnsToItsStoredPlace)
{
    TXServer server(24);
    REQUIRE_SERVER(server);
    {
        QDir().mkpath(QFileInfo(SettingsFile()).absolutePath());
        QSettings settings(SettingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("1.0/Settings/frmMainLeft"), QStringLiteral("40"));
        settings.setValue(QStringLiteral("1.0/Settings/frmMainTop"), QStringLiteral("30"));
        settings.setValue(QStringLiteral("1.0/Settings/frmMainWidth"), QStringLiteral("640"));
        settings.setValue(QStringLiteral("1.0/Settings/frmMainHeight"), QStringLiteral("480"));
    }
    const TRun run = Run(server, kQuitOnIdle);
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("1.0/Settings/frmMainLeft")).toString(), QStringLiteral("40"));
    EXPECT_EQ(settings.value(QStringLiteral("1.0/Settings/frmMainTop")).toString(), QStringLiteral("30"));
    EXPECT_EQ(settings.value(QStringLiteral("1.0/Settings/frmMainWidth")).toString(), QStringLiteral("640"));
    EXPECT_EQ(settings.value(QStringLiteral("1.0/Settings/frmMainHeight")).toString(), QStringLiteral("480"));
}

TEST_F(VelmoProcess, SecondInstanceIsRefusedAndAKilledOneDoesNotBlock)
{
    TXServer server(24);
    REQUIRE_SERVER(server);
    QProcess first;
    Prepare(first, server, {QStringLiteral("VELMO_TEST_AUTOCLOSE_MESSAGES=1")});
    first.start(Program(), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    for (int i = 0; i < 200 && !QFileInfo::exists(LockFile()); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(LockFile())) << first.readAllStandardError().toStdString();

    const TRun second = Run(server, kQuitOnIdle);
    EXPECT_NE(second.ExitCode, 0);
    EXPECT_NE(second.ExitCode, -1) << "the second instance crashed";
    EXPECT_TRUE(second.StdErr.contains(QStringLiteral("velmo message: ベルモは、すでに実行中です")))
        << second.StdErr.toStdString();
    EXPECT_FALSE(second.StdErr.contains(QStringLiteral("velmo: idle")));
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill(); // no chance to release the lock
    first.waitForFinished(10000);
    EXPECT_TRUE(QFileInfo::exists(LockFile()));

    const TRun third = Run(server, kQuitOnIdle);
    EXPECT_EQ(third.ExitCode, 0) << third.StdErr.toStdString();
    EXPECT_TRUE(third.StdErr.contains(QStringLiteral("velmo: idle")));
    EXPECT_FALSE(QFileInfo::exists(LockFile()));
}

TEST_F(VelmoProcess, ColourQuestionEscapeGoesOnAndNoEnds)
{
    TXServer server(24);
    REQUIRE_SERVER(server);
    const QString question =
        QStringLiteral("velmo message: 「ベルモ」は、32,000色以上の\\n表示環境でご使用ください。\\n"
                       "正しく表示できないことがありますが起動しますか？");
    // The real message window under a screen that reports 256 colours.
    TRun yes = Run(server, kQuitOnIdle + QStringList{QStringLiteral("VELMO_TEST_SCREEN_DEPTH=8")});
    EXPECT_EQ(yes.ExitCode, 0) << yes.StdErr.toStdString();
    EXPECT_TRUE(yes.StdErr.contains(question)) << yes.StdErr.toStdString();
    EXPECT_TRUE(yes.StdErr.contains(QStringLiteral("velmo: idle")));

    TRun no =
        Run(server, {QStringLiteral("VELMO_TEST_QUIT_ON_IDLE=1"), QStringLiteral("VELMO_TEST_SCREEN_DEPTH=8"),
                     QStringLiteral("VELMO_TEST_AUTOCLOSE_MESSAGES=button:1")});
    EXPECT_EQ(no.ExitCode, 1) << no.StdErr.toStdString();
    EXPECT_TRUE(no.StdErr.contains(question));
    EXPECT_FALSE(no.StdErr.contains(QStringLiteral("velmo: idle")));
    EXPECT_FALSE(QFileInfo::exists(LockFile()));
}

TEST_F(VelmoProcess, EightBitScreenAsksWithoutCrashing)
{
    TXServer server(8);
    REQUIRE_SERVER(server);
    const QString question = QStringLiteral("ベルモ: 「ベルモ」は、32,000色以上の");
    const QString cannotDraw = QStringLiteral("この画面の色数ではウィンドウを表示できません");
    const TRun yes = Run(server, kQuitOnIdle);
    EXPECT_EQ(yes.ExitCode, 1) << yes.StdErr.toStdString();
    EXPECT_TRUE(yes.StdErr.contains(question)) << yes.StdErr.toStdString();
    EXPECT_TRUE(yes.StdErr.contains(cannotDraw)); // went on past the question
    const TRun no = Run(server, {QStringLiteral("VELMO_TEST_AUTOCLOSE_MESSAGES=button:1")});
    EXPECT_EQ(no.ExitCode, 1) << no.StdErr.toStdString();
    EXPECT_TRUE(no.StdErr.contains(question));
    EXPECT_FALSE(no.StdErr.contains(cannotDraw));
    EXPECT_FALSE(QFileInfo::exists(LockFile()));
}

TEST_F(VelmoProcess, FailingEventIsReportedAndTheProgramGoesOn)
{
    TXServer server(24);
    REQUIRE_SERVER(server);
    const TRun run = Run(server, kQuitOnIdle + QStringList{QStringLiteral("VELMO_TEST_THROW_IN_EVENT=1")});
    EXPECT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_TRUE(
        run.StdErr.contains(QStringLiteral("velmo message: 予期しないエラーが発生しました\\nテスト用の失敗")))
        << run.StdErr.toStdString();
    EXPECT_TRUE(run.StdErr.contains(QStringLiteral("velmo: idle")));
}

// The program users start reads none of the variables the harness answers to.
TEST(VelmoProgram, CarriesNoTestHooks)
{
    const QByteArray program = ReadFileBytes(BinaryDir() + QStringLiteral("/src/velmo"));
    ASSERT_FALSE(program.isEmpty());
    EXPECT_FALSE(program.contains("VELMO_TEST_"));
    EXPECT_TRUE(
        ReadFileBytes(BinaryDir() + QStringLiteral("/tests/velmo-test-host")).contains("VELMO_TEST_"));
}
