#include "AppTestSupport.h"
#include "base/UExceptions.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

void Touch(const QString& path, const QByteArray& content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

TEST(AppFrame, TableBeforeLoadingHoldsOnlyTheProjectName)
{
    TAppFrame frame;
    EXPECT_EQ(frame.Macro().Lines(), QStringList{QStringLiteral("AppName=Project")});
    EXPECT_EQ(TAppFrame::Instance(), &frame);
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("Project"));
}

TEST(AppFrame, WithoutFrameTextsStayUnexpandedAndSettingsGiveDefaults)
{
    ASSERT_EQ(TAppFrame::Instance(), nullptr);
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("$(AppName)"));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
    WriteSettingInteger(QStringLiteral("DefFontSize"), 12); // does nothing, must not crash
}

TEST(AppFrame, ApplicationTableAndBuiltInMacros)
{
    TFrameFixture f;
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("ベルモ"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(ShortVer)")), QStringLiteral("1.0"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(LongVer)")), QStringLiteral("1.0.1.0"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysRegistryKey)")),
              QStringLiteral("Software\\Quillon\\ベルモ\\1.0\\Settings"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysMutexID)")), QStringLiteral("ベルモ.1.0.Brenvik.Japan"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysMsgAlreadyRun)")),
              QStringLiteral("ベルモは、すでに実行中です"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(OpenFileHistory)")),
              QStringLiteral("Software\\Quillon\\ベルモ\\1.0\\Settings\\OpenFileHistory"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(CRLF)")), QStringLiteral("\r\n"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(Quote)")), QStringLiteral("\""));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysKeyFile)")), exe.fileName());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysApplicationFolder)")), exe.completeBaseName());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(ExeDir)")), exe.absolutePath() + QLatin1Char('/'));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(ExeDir:Drive)")), QStringLiteral("/"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(PaperInfo)")),
              exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ppr"));
    EXPECT_TRUE(ExpandMacros(QStringLiteral("$(AppDataDir)")).endsWith(QLatin1Char('/')));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(TitleBarFormat)")), QStringLiteral("ベルモ - %s"));
    EXPECT_EQ(f.Frame->HelpFile(), exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + ".hlp");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("ベルモ"));
    // Every line of the configured table expands.
    for (const QString& line : ApplicationMacroLines()) {
        const QString name = line.left(line.indexOf(QLatin1Char('=')));
        EXPECT_NO_THROW(ExpandMacros(QStringLiteral("$(") + name + QStringLiteral(":inessential)")))
            << name.toStdString();
    }
}

TEST(AppFrame, KeyFileAndFolderAreKeptWhenConfigured)
{
    TFrameFixture f;
    TAppFrame frame;
    TMacroString table(ApplicationMacroLines());
    table.SetValue(QStringLiteral("SysKeyFile"), QStringLiteral("key.dat"));
    frame.SetMacro(table);
    frame.SetExecutableFile(QStringLiteral("/opt/x/prog.bin"));
    frame.Loaded();
    EXPECT_EQ(frame.Macro().Value(QStringLiteral("SysKeyFile")), QStringLiteral("key.dat"));
    EXPECT_EQ(frame.Macro().Value(QStringLiteral("SysApplicationFolder")), QStringLiteral("prog"));
    EXPECT_EQ(frame.Macro().Expand(QStringLiteral("$(ExeNameNoExt)")), QStringLiteral("/opt/x/prog"));
    EXPECT_EQ(frame.Macro().Expand(QStringLiteral("$(ExeDir)")), QStringLiteral("/opt/x/"));
}

TEST(AppFrame, FormatTextTakesArgumentsInTurn)
{
    EXPECT_EQ(FormatText(QStringLiteral("%sの%d文字目 100%%"), {QStringLiteral("a"), QStringLiteral("3")}),
              QStringLiteral("aの3文字目 100%"));
    EXPECT_EQ(FormatText(QStringLiteral("%s/%s"), {QStringLiteral("%s")}), QStringLiteral("%s/"));
    EXPECT_EQ(FormatText(QStringLiteral("end %"), {}), QStringLiteral("end %"));
}

TEST(AppFrame, MessageBoxExpandsOnlyWhenAsked)
{
    TFrameFixture f;
    f.Answers = {mrNo};
    EXPECT_EQ(AppMessageBox(QStringLiteral("$(AppName)?"), {bkYes, bkNo}, 1, 1), mrNo);
    ASSERT_EQ(f.Shown.size(), 1u);
    EXPECT_EQ(f.Shown[0].Text, QStringLiteral("ベルモ?"));
    EXPECT_EQ(f.Shown[0].Buttons, (TButtonKinds{bkYes, bkNo}));
    EXPECT_EQ(f.Shown[0].Default, 1);
    ShowAppMessage(QStringLiteral("file $(x).txt"), false);
    EXPECT_EQ(f.Shown[1].Text, QStringLiteral("file $(x).txt"));
    EXPECT_EQ(f.Shown[1].Buttons, TButtonKinds{bkOK});
    EXPECT_EQ(f.Shown[1].Cancel, 0);
}

TEST(AppFrame, ButtonKindsAndModalResults)
{
    EXPECT_EQ(ModalResultOfKind(bkOK), 1);
    EXPECT_EQ(ModalResultOfKind(bkCancel), 2);
    EXPECT_EQ(ModalResultOfKind(bkYes), 6);
    EXPECT_EQ(ModalResultOfKind(bkNo), 7);
    EXPECT_EQ(int(bkAll), 10);
    EXPECT_EQ(CaptionOfKind(bkCancel), QStringLiteral("キャンセル"));
}

TEST(AppFrame, UnhandledExceptionsAreShownWithTheirMessage)
{
    TFrameFixture f;
    f.Frame->HandleException(EFileError(QStringLiteral("壊れています $(nonsense)")));
    VELMO_DECLARE_EXCEPTION(ETwain, Exception)
    f.Frame->HandleException(ETwain(QStringLiteral("no source")));
    f.Frame->HandleException(std::runtime_error("plain"));
    ASSERT_EQ(f.Shown.size(), 3u);
    EXPECT_EQ(f.Shown[0].Text, QStringLiteral("予期しないエラーが発生しました\r\n壊れています $(nonsense)"));
    EXPECT_EQ(
        f.Shown[1].Text,
        QStringLiteral("TWAINでエラーが発生しました。\r\nTWAINドライバあるいはTWAIN機器に問題があると\r\n"
                       "思われます\r\n「no source」"));
    EXPECT_EQ(f.Shown[2].Text, QStringLiteral("予期しないエラーが発生しました\r\nplain"));
    EXPECT_EQ(f.Shown[2].Buttons, TButtonKinds{bkOK});
    QString handled;
    f.Frame->OnException = [&](const std::exception& e) { handled = QString::fromUtf8(e.what()); };
    f.Frame->HandleException(EFileError(QStringLiteral("x")));
    EXPECT_EQ(handled, QStringLiteral("x"));
    EXPECT_EQ(f.Shown.size(), 3u);
}

TEST(AppFrame, CheckRequiredFile)
{
    QTemporaryDir dir;
    const QString missing = dir.path() + QStringLiteral("/sub/velmo.ppr");
    try {
        CheckRequiredFile(missing, true);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("アプリケーションに必要なファイル「velmo.ppr」が開けませんでした"));
    }
    const QString present = dir.path() + QStringLiteral("/velmo.ppr");
    Touch(present);
    EXPECT_NO_THROW(CheckRequiredFile(present, true));
    QFile::setPermissions(present, QFileDevice::ReadOwner);
    EXPECT_NO_THROW(CheckRequiredFile(present, false));
    try {
        CheckRequiredFile(present, true);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("実行に必要なファイル「velmo.ppr」が読み取り専用になっています"));
    }
    // A folder is not the file.
    EXPECT_THROW(CheckRequiredFile(dir.path(), false), EFileError);
}

// --- execute conditions -----------------------------------------------------------

TEST(ExecuteConditions, LowColourAsksAndNoEndsStartUp)
{
    TFrameFixture f;
    f.Frame->SetExecuteCondition({ecNeedHighColor});
    f.Frame->Probes().ScreenColorBits = [] { return 8; };
    f.Answers = {mrYes, mrCancel, mrNo};
    EXPECT_TRUE(f.Frame->CheckExecuteConditions());
    EXPECT_TRUE(f.Frame->CheckExecuteConditions()); // anything but No goes on
    EXPECT_FALSE(f.Frame->CheckExecuteConditions());
    ASSERT_EQ(f.Shown.size(), 3u);
    EXPECT_EQ(f.Shown[0].Text, QStringLiteral("「ベルモ」は、32,000色以上の\r\n表示環境でご使用ください。\r\n"
                                              "正しく表示できないことがありますが起動しますか？"));
    EXPECT_EQ(f.Shown[0].Buttons, (TButtonKinds{bkYes, bkNo}));
    EXPECT_EQ(f.Shown[0].Default, 0);
    EXPECT_EQ(f.Shown[0].Cancel, 0);
    f.Frame->Probes().ScreenColorBits = [] { return 16; };
    EXPECT_TRUE(f.Frame->CheckExecuteConditions());
    EXPECT_EQ(f.Shown.size(), 3u);
}

TEST(ExecuteConditions, MissingDefaultPrinter)
{
    TFrameFixture f;
    f.Frame->SetExecuteCondition({ecNeedHighColor, ecNeedPrinter, ecExclusive});
    f.Frame->Probes().HasCurrentPrinter = [] { return false; };
    EXPECT_FALSE(f.Frame->CheckExecuteConditions());
    ASSERT_EQ(f.Shown.size(), 1u);
    EXPECT_EQ(f.Shown[0].Text, QStringLiteral("通常使うプリンタがセットされていません\r\n"
                                              "コントロールパネルのプリンタを開いて設定してください"));
    // The check stops at the first failure: no lock was taken.
    EXPECT_EQ(TExecuteBlocker::HeldCount(), 0);
}

TEST(ExecuteConditions, SecondInstanceIsRefusedUntilTheLockIsReleased)
{
    TFrameFixture f;
    f.Frame->SetExecuteCondition({ecExclusive});
    EXPECT_TRUE(f.Frame->CheckExecuteConditions());
    const QString lockFile = TExecuteBlocker::LockFileName(QStringLiteral("ベルモ.1.0.Brenvik.Japan"),
                                                           f.Frame->Probes().LockFolder);
    EXPECT_TRUE(QFileInfo::exists(lockFile));
    EXPECT_FALSE(f.Frame->CheckExecuteConditions());
    ASSERT_EQ(f.Shown.size(), 1u);
    EXPECT_EQ(f.Shown[0].Text, QStringLiteral("ベルモは、すでに実行中です"));
    TExecuteBlocker::ReleaseAll();
    EXPECT_FALSE(QFileInfo::exists(lockFile));
    EXPECT_TRUE(f.Frame->CheckExecuteConditions());
}

TEST(ExecuteConditions, StaleLockOfADeadProcessDoesNotBlock)
{
    TFrameFixture f;
    const QString lockFile =
        TExecuteBlocker::LockFileName(QStringLiteral("id"), f.Frame->Probes().LockFolder);
    // A lock file as QLockFile writes it, for a process id that is not running.
    Touch(lockFile, "999999999\nvelmo\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_TRUE(TExecuteBlocker::Acquire(QStringLiteral("id"), f.Frame->Probes().LockFolder));
}
