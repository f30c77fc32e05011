#include "AppTestSupport.h"
#include "app/FAppForms.h"
#include "app/FMain.h"
#include "app/UGlobalNotify.h"
#include "app/UStartup.h"
#include "base/UExceptions.h"
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

class TStandInLoader : public ICatalogueLoader
{
public:
    enum Mode
    {
        Succeed,
        FileError,
        OtherError
    };
    TStandInLoader(Mode mode, int* loads) : FMode(mode), FLoads(loads) {}
    void Load(const QString& fileName) override
    {
        ++*FLoads;
        if (FMode == FileError)
            throw EFileError(QStringLiteral("カタログ「") + fileName.section(QLatin1Char('/'), -1) +
                             QStringLiteral("」が壊れています"));
        if (FMode == OtherError)
            throw std::runtime_error("bad data");
    }

private:
    Mode FMode;
    int* FLoads;
};

class TTestMain : public TfrmMain
{
public:
    void MakeInitialDocument() override { Calls.append(QStringLiteral("new")); }
    bool OpenDocument(const QString& fileName) override
    {
        Calls.append(QStringLiteral("open ") + fileName);
        return OpenSucceeds;
    }
    bool SplashClosed() const override { return SplashDone; }
    void OfferStartupChoice() override { Calls.append(QStringLiteral("choice")); }
    bool HoldsRestoredWorkOf(const QString& fileName) const override
    {
        return !fileName.isEmpty() && Restored;
    }
    bool HoldsRestoredWork() const override { return Restored; }
    QStringList Calls;
    bool Restored = false;
    bool OpenSucceeds = true;
    bool SplashDone = true;
};

// A data module over temporary folders that records its messages.
struct TStartupFixture
{
    TStartupFixture()
    {
        TSettingsKey::SetConfigRoot(Temp.path() + QStringLiteral("/config"));
        Data = std::make_unique<TStartup>();
        TAppFrame* frame = Data->AppFrame1();
        frame->Probes().LockFolder = Temp.path() + QStringLiteral("/run");
        frame->Probes().ScreenColorBits = [] { return 24; };
        frame->Probes().HasCurrentPrinter = [] { return true; };
        frame->Macro().SetValue(QStringLiteral("PaperInfo"), Temp.path() + QStringLiteral("/velmo.ppr"));
        frame->OnMessageBox = [this](const QString& text, const TButtonKinds&, int, int) {
            Shown.append(text);
            return mrOk;
        };
        Data->CreateMainWindow = [this] {
            Main = new TTestMain;
            Main->OpenSucceeds = OpenSucceeds;
            Main->SplashDone = SplashDone;
            return Main;
        };
    }
    ~TStartupFixture()
    {
        Data.reset();
        TExecuteBlocker::ReleaseAll();
        TSettingsKey::SetConfigRoot(QString());
    }
    void MakeCatalogue()
    {
        QFile file(Temp.path() + QStringLiteral("/velmo.ppr"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("PPR");
    }

    QTemporaryDir Temp;
    std::unique_ptr<TStartup> Data;
    QStringList Shown;
    TTestMain* Main = nullptr;
    bool OpenSucceeds = true;
    bool SplashDone = true;
};

} // namespace

TEST(Startup, MissingCatalogueShowsTheFileErrorAndMakesNoWindow)
{
    TStartupFixture f;
    int loads = 0;
    f.Data->SetCatalogueLoader(std::make_unique<TStandInLoader>(TStandInLoader::Succeed, &loads));
    EXPECT_FALSE(f.Data->Start());
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(f.Shown,
              QStringList{QStringLiteral("アプリケーションに必要なファイル「velmo.ppr」が開けませんでした")});
    EXPECT_EQ(f.Data->MainWindow(), nullptr);
    EXPECT_FALSE(f.Data->Ready());
}

TEST(Startup, CatalogueLoadFailuresInBothWays)
{
    {
        TStartupFixture f;
        f.MakeCatalogue();
        int loads = 0;
        f.Data->SetCatalogueLoader(std::make_unique<TStandInLoader>(TStandInLoader::FileError, &loads));
        EXPECT_FALSE(f.Data->Start());
        EXPECT_EQ(loads, 1);
        EXPECT_EQ(f.Shown, QStringList{QStringLiteral("カタログ「velmo.ppr」が壊れています")});
        EXPECT_EQ(f.Data->MainWindow(), nullptr);
    }
    {
        TStartupFixture f;
        f.MakeCatalogue();
        int loads = 0;
        f.Data->SetCatalogueLoader(std::make_unique<TStandInLoader>(TStandInLoader::OtherError, &loads));
        EXPECT_FALSE(f.Data->Start());
        EXPECT_EQ(f.Shown, QStringList{QStringLiteral(
                               "アプリケーションに必要なファイル「velmo.ppr」が開けませんでした")});
        EXPECT_EQ(f.Data->MainWindow(), nullptr);
    }
}

TEST(Startup, FailedConditionsCreateNothingFurther)
{
    TStartupFixture f;
    f.MakeCatalogue();
    f.Data->AppFrame1()->Probes().HasCurrentPrinter = [] { return false; };
    int loads = 0;
    f.Data->SetCatalogueLoader(std::make_unique<TStandInLoader>(TStandInLoader::Succeed, &loads));
    bool registered = false;
    SetPictureFormatRegistration([&] { registered = true; });
    EXPECT_FALSE(f.Data->Start());
    SetPictureFormatRegistration(nullptr);
    EXPECT_TRUE(registered);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(f.Data->MainWindow(), nullptr);
    EXPECT_EQ(TExecuteBlocker::HeldCount(), 0);
}

TEST(Startup, IdleMakesTheInitialDocumentThenOffersTheChoice)
{
    TStartupFixture f;
    f.MakeCatalogue();
    int loads = 0;
    f.Data->SetCatalogueLoader(std::make_unique<TStandInLoader>(TStandInLoader::Succeed, &loads));
    f.SplashDone = false;
    ASSERT_TRUE(f.Data->Start());
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(f.Data->Ready());
    EXPECT_EQ(TExecuteBlocker::HeldCount(), 1);
    ASSERT_NE(f.Main, nullptr);
    EXPECT_EQ(f.Main->windowTitle(), QStringLiteral("ベルモ"));
    EXPECT_FALSE(f.Main->isEnabled());

    f.Data->Idle();
    EXPECT_TRUE(f.Data->InitialDocumentMade());
    EXPECT_TRUE(f.Data->StartupChoiceDue());
    EXPECT_FALSE(f.Data->StartupFinished()); // the splash is still up
    f.Data->Idle();
    EXPECT_EQ(f.Main->Calls, QStringList{QStringLiteral("new")});
    f.Main->SplashDone = true;
    f.Data->Idle();
    EXPECT_TRUE(f.Data->StartupFinished());
    EXPECT_TRUE(f.Main->isEnabled());
    f.Data->Idle();
    EXPECT_EQ(f.Main->Calls, (QStringList{QStringLiteral("new"), QStringLiteral("choice")}));

    f.Data->Shutdown();
    EXPECT_EQ(f.Data->MainWindow(), nullptr);
    EXPECT_EQ(TExecuteBlocker::HeldCount(), 0);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("frmMainWidth"), 0), 800);
}

TEST(Startup, ExistingFileOnTheCommandLineIsOpenedInsteadOfTheChoice)
{
    TStartupFixture f;
    f.MakeCatalogue();
    f.Data->SetArguments({f.Temp.path() + QStringLiteral("/velmo.ppr")});
    ASSERT_TRUE(f.Data->Start());
    f.Data->Idle();
    EXPECT_TRUE(f.Data->StartupFinished());
    EXPECT_EQ(f.Main->Calls, (QStringList{QStringLiteral("new"), QStringLiteral("open ") + f.Temp.path() +
                                                                     QStringLiteral("/velmo.ppr")}));
}

TEST(Startup, FileWhoseWorkWasJustRestoredIsNotOpenedAgain)
{
    TStartupFixture f;
    f.MakeCatalogue();
    f.Data->SetArguments({f.Temp.path() + QStringLiteral("/velmo.ppr")});
    ASSERT_TRUE(f.Data->Start());
    f.Main->Restored = true;
    f.Data->Idle();
    // Opening it would ask to throw the restored changes away; no choice over them.
    EXPECT_TRUE(f.Data->StartupFinished());
    EXPECT_EQ(f.Main->Calls, QStringList{QStringLiteral("new")});
    EXPECT_TRUE(f.Main->isEnabled());
}

TEST(Startup, RestoredWorkTakesInputBeforeTheSplashHasGone)
{
    TStartupFixture f;
    f.SplashDone = false;
    ASSERT_TRUE(f.Data->Start());
    f.Main->Restored = true;
    f.Data->Idle();
    EXPECT_TRUE(f.Main->isEnabled());
    EXPECT_TRUE(f.Data->StartupFinished());
    f.Main->SplashDone = true;
    f.Data->Idle();
    EXPECT_EQ(f.Main->Calls, QStringList{QStringLiteral("new")}) << "no start-up choice over restored work";
}

TEST(Startup, MissingOrUnopenableFileFallsBackToTheChoice)
{
    TStartupFixture f;
    f.OpenSucceeds = false;
    f.Data->SetArguments({f.Temp.path() + QStringLiteral("/velmo.ppr")}); // does not exist yet
    ASSERT_TRUE(f.Data->Start()); // no loader: the catalogue step is left out
    f.Data->Idle();
    EXPECT_EQ(f.Main->Calls, (QStringList{QStringLiteral("new"), QStringLiteral("choice")}));
}

// --- idle notifier -----------------------------------------------------------------

TEST(GlobalNotify, IdleComesOnceTheQueueIsEmptyToEveryNotifier)
{
    TGlobalNotify a, b;
    int idleA = 0, idleB = 0, posted = 0;
    a.OnIdle = [&] { ++idleA; };
    b.OnIdle = [&] { ++idleB; };
    QObject receiver;
    // Work queued before the loop runs is done before idle.
    for (int i = 0; i < 5; ++i)
        QTimer::singleShot(0, &receiver, [&] {
            ++posted;
            EXPECT_EQ(idleA, 0);
        });
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(posted, 5);
    EXPECT_GE(idleA, 1);
    EXPECT_EQ(idleA, idleB);
    // Without further events there is no stream of idle notifications.
    EXPECT_LE(idleA, 4);
    const int before = idleA;
    {
        TGlobalNotify c;
        EXPECT_EQ(TGlobalNotify::RegisteredCount(), 3);
    }
    EXPECT_EQ(TGlobalNotify::RegisteredCount(), 2);
    QEventLoop again;
    QTimer::singleShot(50, &again, &QEventLoop::quit);
    again.exec();
    EXPECT_GT(idleA, before); // the timer event is activity, so idle follows
}

TEST(GlobalNotify, HintsReachEveryNotifier)
{
    TGlobalNotify a, b;
    QStringList hints;
    a.OnHint = [&](const QString& h) { hints.append(QStringLiteral("a:") + h); };
    b.OnHint = [&](const QString& h) { hints.append(QStringLiteral("b:") + h); };
    TGlobalNotify::BroadcastHint(QStringLiteral("保存"));
    EXPECT_EQ(hints, (QStringList{QStringLiteral("a:保存"), QStringLiteral("b:保存")}));
}

// --- component macros and placement -----------------------------------------------

TEST(ComponentMacros, StringPropertiesOfTheWholeTreeAreExpanded)
{
    TFrameFixture f;
    QDialog form;
    form.setWindowTitle(QStringLiteral("$(AppName) - 設定"));
    auto* label = new QLabel(QStringLiteral("$(SysMsgAlreadyRun)"), &form);
    auto* broken = new QLabel(QStringLiteral("$(Undefined)"), &form);
    auto* plain = new QLabel(QStringLiteral("100%"), &form);
    QObject* nested = new QObject(label);
    nested->setObjectName(QStringLiteral("n$(ShortVer)"));
    QStringList walked;
    const int walker = RegisterComponentMacroWalker(
        [&](QObject* object, const std::function<QString(const QString&)>& expand) {
            if (object == &form)
                walked.append(expand(QStringLiteral("$(AppName)")));
        });
    ExpandComponentMacros(&form);
    UnregisterComponentMacroWalker(walker);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ベルモ - 設定"));
    EXPECT_EQ(label->text(), QStringLiteral("ベルモは、すでに実行中です"));
    EXPECT_EQ(broken->text(), QStringLiteral("$(Undefined)")); // kept
    EXPECT_EQ(plain->text(), QStringLiteral("100%"));
    EXPECT_EQ(nested->objectName(), QStringLiteral("n1.0"));
    EXPECT_EQ(walked, QStringList{QStringLiteral("ベルモ")});
}

TEST(FormPlacement, DialogsAreCentredOverTheMainWindowAndKeptOnScreen)
{
    TFrameFixture f;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget main;
    main.setObjectName(QStringLiteral("frmMain"));
    SetMainForm(&main);
    PrepareForm(&main);
    EXPECT_EQ(main.size(), QSize(qMin(800, area.width()), qMin(600, area.height())));

    QDialog dialog;
    dialog.resize(200, 100);
    PrepareForm(&dialog);
    EXPECT_EQ(dialog.geometry().center(), main.frameGeometry().center());

    main.move(area.right() - 50, area.bottom() - 50);
    QDialog corner;
    corner.resize(300, 200);
    PrepareForm(&corner);
    EXPECT_TRUE(area.contains(corner.frameGeometry()));

    // Forms that place themselves are left alone.
    QDialog own;
    own.move(7, 9);
    PrepareForm(&own, false);
    EXPECT_EQ(own.pos(), QPoint(7, 9));
    SetMainForm(nullptr);
}

TEST(FormPlacement, StoredPlaceComesBackAndLostPlacesReturnToTheScreen)
{
    TFrameFixture f;
    QWidget form;
    form.setObjectName(QStringLiteral("frmTest"));
    form.setGeometry(30, 40, 320, 240);
    SaveFormPlacement(&form);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("frmTestLeft"), 0), 30);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("frmTestHeight"), 0), 240);
    QWidget again;
    again.setObjectName(QStringLiteral("frmTest"));
    RestoreFormPlacement(&again, 800, 600);
    EXPECT_EQ(again.geometry(), QRect(30, 40, 320, 240));

    WriteSettingInteger(QStringLiteral("frmTestLeft"), 100000);
    WriteSettingString(QStringLiteral("frmTestWidth"), QStringLiteral("wide"));
    RestoreFormPlacement(&again, 800, 600);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.intersects(again.geometry()));
    EXPECT_EQ(again.width(), qMin(800, screen.width()));
}
