// The environment dialog's settings and the About window's splash and staff roll.
#include "AppTestSupport.h"
#include "app/FAbout.h"
#include "app/FEnvironment.h"
#include "app/UHistoryManager.h"
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::TFrameFixture;

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(EnvironmentDialog, ShowsAndStoresTheSettings)
{
    TFrameFixture fixture;
    WriteSettingBool(QStringLiteral("Banding"), false);
    WriteSettingBool(QStringLiteral("DefaultShowHint"), false);
    {
        TfrmEnvironment dialog;
        EXPECT_TRUE(dialog.Fast()->isChecked());
        EXPECT_TRUE(dialog.HideHint()->isChecked());
        EXPECT_TRUE(dialog.AutoPath()->isChecked());
        // The path field is there only with 指定.
        dialog.show();
        EXPECT_FALSE(dialog.PathEdit()->isVisible());
        EXPECT_FALSE(dialog.HistoryButton()->isEnabled());
        dialog.GivenPath()->setChecked(true);
        EXPECT_TRUE(dialog.PathEdit()->isVisible());
        dialog.PathEdit()->setText(QStringLiteral("/media/cdrom"));
        dialog.Banded()->setChecked(true);
        dialog.ShowHint()->setChecked(true);
        dialog.Store();
    }
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("Banding"), false));
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("DefaultShowHint"), false));
    EXPECT_TRUE(HintsShown());
    EXPECT_EQ(ReadSettingString(QStringLiteral("CDPath"), QString()), QStringLiteral("/media/cdrom"));
    THistoryManager history;
    history.SetRegistryKey(QStringLiteral("$(CDPathHistory)"));
    EXPECT_EQ(history.Items().value(0), QStringLiteral("/media/cdrom"));
    {
        // 自動検索 empties the path; the history stays and its button works.
        TfrmEnvironment dialog;
        EXPECT_TRUE(dialog.GivenPath()->isChecked());
        EXPECT_TRUE(dialog.HistoryButton()->isEnabled());
        dialog.AutoPath()->setChecked(true);
        dialog.HideHint()->setChecked(true);
        dialog.Store();
    }
    EXPECT_TRUE(ReadSettingString(QStringLiteral("CDPath"), QStringLiteral("x")).isEmpty());
    EXPECT_FALSE(HintsShown());
    EXPECT_EQ(history.Items().size(), 1);
    ApplyShowHint(true);
}

TEST(EnvironmentDialog, ThePathHistoryPopUpClearsTheHistory)
{
    TFrameFixture fixture;
    THistoryManager history;
    history.SetRegistryKey(QStringLiteral("$(CDPathHistory)"));
    history.Add(QStringLiteral("/media/a"));
    history.Add(QStringLiteral("/media/b"));
    TfrmEnvironment dialog;
    dialog.show();
    dialog.GivenPath()->setChecked(true);
    ASSERT_TRUE(dialog.HistoryButton()->isEnabled());
    // The pop-up: both paths, then "履歴の消去", which empties the list.
    QStringList shown;
    QTimer::singleShot(100, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
            QCoreApplication::processEvents();
            dialog.grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                               QStringLiteral("/environment-dialog.png"));
            menu->grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                              QStringLiteral("/environment-path-history.png"));
        }
        QAction* clear = nullptr;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                shown << action->text();
            if (action->text() == QStringLiteral("履歴の消去"))
                clear = action;
        }
        if (clear)
            clear->trigger();
        menu->close();
    });
    dialog.HistoryButton()->click();
    EXPECT_EQ(shown, QStringList({"/media/b", "/media/a", "履歴の消去"}));
    EXPECT_TRUE(history.Items().isEmpty());
    EXPECT_FALSE(dialog.HistoryButton()->isEnabled());
}

TEST(AboutWindow, TheSplashClosesItselfAndAKeyClosesTheAbout)
{
    QPointer<TfrmAbout> splash = new TfrmAbout(true, false);
    splash->show();
    EXPECT_FALSE(splash->StaffRollRunning());
    Wait(2300);
    EXPECT_TRUE(splash.isNull()) << "the splash closes after two seconds";

    QPointer<TfrmAbout> about = new TfrmAbout(false, false);
    about->show();
    Wait(2300);
    ASSERT_FALSE(about.isNull()) << "the About window waits for the user";
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(about, &key);
    Wait(50);
    EXPECT_TRUE(about.isNull());
}

TEST(AboutWindow, ShiftAndCtrlRunTheStaffRoll)
{
    QPointer<TfrmAbout> about = new TfrmAbout(false, true);
    about->show();
    EXPECT_TRUE(about->StaffRollRunning());
    EXPECT_EQ(about->RollOffset(), 0);
    // The picture darkens in 100 ms steps first, then the names climb.
    Wait(1500);
    EXPECT_GT(about->RollOffset(), 0);
    EXPECT_FALSE(TfrmAbout::StaffRoll().isEmpty());
    about->close();
}

} // namespace
