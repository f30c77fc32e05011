#include "AppTestSupport.h"
#include "app/FMessage.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

TEST(MessageButtons, ThreeButtonsTakeTheirKinds)
{
    const TMessageButtonPlans plans = PlanMessageButtons({bkYes, bkNo, bkCancel}, 2, 1);
    EXPECT_TRUE(plans[0].Visible && plans[1].Visible && plans[2].Visible);
    EXPECT_EQ(plans[0].Caption, QStringLiteral("はい"));
    EXPECT_EQ(plans[1].Caption, QStringLiteral("いいえ"));
    EXPECT_EQ(plans[2].Caption, QStringLiteral("キャンセル"));
    EXPECT_EQ(plans[0].ModalResult, mrYes);
    EXPECT_EQ(plans[1].ModalResult, mrNo);
    EXPECT_EQ(plans[2].ModalResult, mrCancel);
    EXPECT_TRUE(plans[0].Glyph);
    EXPECT_FALSE(plans[1].Glyph);
    EXPECT_FALSE(plans[2].Glyph);
    EXPECT_TRUE(plans[2].Default);
    EXPECT_FALSE(plans[0].Default || plans[1].Default);
    EXPECT_TRUE(plans[1].Cancel);
    EXPECT_FALSE(plans[0].Cancel || plans[2].Cancel);
}

TEST(MessageButtons, WithoutThirdButtonCaptionsAreYesAndNo)
{
    const TMessageButtonPlans two = PlanMessageButtons({bkYes, bkCancel}, 0, 1);
    EXPECT_EQ(two[0].Caption, QStringLiteral("はい"));
    EXPECT_EQ(two[1].Caption, QStringLiteral("いいえ"));
    EXPECT_EQ(two[1].ModalResult, mrCancel); // the kind still decides the answer
    EXPECT_FALSE(two[2].Visible);

    const TMessageButtonPlans one = PlanMessageButtons({bkOK}, 0, 0);
    EXPECT_EQ(one[0].Caption, QStringLiteral("はい"));
    EXPECT_EQ(one[0].ModalResult, mrOk);
    EXPECT_TRUE(one[0].Glyph);
    EXPECT_TRUE(one[0].Default && one[0].Cancel);
    EXPECT_FALSE(one[1].Visible);

    const TMessageButtonPlans three = PlanMessageButtons({bkAbort, bkRetry, bkIgnore}, 5, -1);
    EXPECT_EQ(three[0].Caption, QStringLiteral("中止"));
    EXPECT_FALSE(three[0].Default || three[1].Default || three[2].Default);
    EXPECT_FALSE(three[0].Cancel || three[1].Cancel || three[2].Cancel);
}

TEST(MessageWindow, ShowsTextAndButtonsInACentredRow)
{
    TFrameFixture f;
    TfrmMessage form;
    form.Setup(QStringLiteral("一行目\r\n二行目"), {bkYes, bkNo}, 0, 1);
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ベルモ"));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form.TextLabel()->text(), QStringLiteral("一行目\n二行目"));
    EXPECT_TRUE(form.TextLabel()->alignment().testFlag(Qt::AlignHCenter));
    EXPECT_TRUE(form.Button(0)->isVisible());
    EXPECT_TRUE(form.Button(1)->isVisible());
    EXPECT_FALSE(form.Button(2)->isVisible());
    EXPECT_TRUE(form.Button(0)->isDefault());
    EXPECT_FALSE(form.Button(1)->isDefault());
    EXPECT_EQ(form.CancelButton(), form.Button(1));
    EXPECT_FALSE(form.Button(0)->icon().isNull());
    EXPECT_TRUE(form.Button(1)->icon().isNull());
    // Centred: the gaps to the left and right edges are equal.
    const int left = form.Button(0)->geometry().left();
    const int right = form.width() - form.Button(1)->geometry().right() - 1;
    EXPECT_NEAR(left, right, 2);
    EXPECT_EQ(form.Button(0)->geometry().top(), form.Button(1)->geometry().top());
}

TEST(MessageWindow, EscapePressesTheCancelButtonAndOnlyThat)
{
    TFrameFixture f;
    {
        TfrmMessage form;
        form.Setup(QStringLiteral("?"), {bkYes, bkNo}, 0, 0);
        QTimer::singleShot(0, &form, [&form] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&form, &escape);
        });
        EXPECT_EQ(form.exec(), mrYes); // Escape answers with the first button here
    }
    {
        TfrmMessage form;
        form.Setup(QStringLiteral("?"), {bkYes, bkNo, bkCancel}, 0, -1);
        bool stillOpen = false;
        QTimer::singleShot(0, &form, [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&form, &escape);
            stillOpen = form.isVisible();
            form.Button(1)->click();
        });
        EXPECT_EQ(form.exec(), mrNo);
        EXPECT_TRUE(stillOpen) << "Escape without a cancel button must not close the window";
    }
    {
        TfrmMessage form;
        form.Setup(QStringLiteral("?"), {bkYes, bkNo, bkCancel}, 1, 2);
        QTimer::singleShot(0, &form, [&form] {
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(form.focusWidget() ? form.focusWidget() : &form, &enter);
        });
        EXPECT_EQ(form.exec(), mrNo); // Return presses the default button
    }
}

TEST(MessageWindow, HelpButtonDoesNotCloseAndClosingIsACancel)
{
    TFrameFixture f;
    TfrmMessage form;
    form.Setup(QStringLiteral("?"), {bkOK, bkHelp, bkCancel}, 0, 2);
    bool stillOpen = false;
    QTimer::singleShot(0, &form, [&] {
        form.Button(1)->click();
        stillOpen = form.isVisible();
        form.close();
    });
    EXPECT_EQ(form.exec(), mrCancel);
    EXPECT_TRUE(stillOpen);
}
