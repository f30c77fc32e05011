#include "ui/FPosition.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace velmo;

TEST(PositionPanel, RecordRoundTripsThroughTheControls)
{
    TfrmPosition panel;
    TPositionRecord in;
    in.Angle = -45;
    in.Lock = true;
    in.DontPrint = true;
    in.AutoSizeOffered = true;
    in.AutoSize = true;
    in.Left = -123;
    in.Top = 4567;
    in.Width = 301;
    in.Height = 999;
    panel.SetRecord(in);
    EXPECT_EQ(panel.Record(), in);
    EXPECT_EQ(panel.LeftEdit()->SpinBox()->value(), -12.3);
    // Width and height are not for the user while the object sizes itself.
    EXPECT_FALSE(panel.WidthEdit()->isEnabled());
    panel.AutoSizeBox()->setChecked(false);
    EXPECT_TRUE(panel.WidthEdit()->isEnabled());
}

TEST(PositionPanel, AutomaticSizeIsHiddenAndOffWhenNotOffered)
{
    TfrmPosition panel;
    TPositionRecord in;
    in.AutoSize = true; // not offered: cannot be on
    panel.SetRecord(in);
    EXPECT_TRUE(panel.AutoSizeBox()->isHidden());
    EXPECT_FALSE(panel.Record().AutoSize);
    EXPECT_TRUE(panel.HeightEdit()->isEnabled());
}

TEST(PositionPanel, RangesClampWhatTheUserTypesButKeepUntouchedSmallSizes)
{
    TfrmPosition panel;
    TPositionRecord in;
    in.Width = 5; // 0.5 mm: below what the edit offers
    in.Height = 30;
    in.Angle = 720;
    panel.SetRecord(in);
    TPositionRecord out = panel.Record();
    EXPECT_EQ(out.Width, 5) << "an untouched size must come back unchanged";
    EXPECT_EQ(out.Angle, 360);
    panel.WidthEdit()->SpinBox()->setValue(3.0);
    EXPECT_EQ(panel.Record().Width, 30);
    panel.WidthEdit()->SpinBox()->setValue(0.1);
    EXPECT_EQ(panel.Record().Width, 20) << "the smallest width a user can give is 2 mm";
    panel.LeftEdit()->SpinBox()->setValue(5000.0);
    EXPECT_EQ(panel.Record().Left, 10000);
    panel.AngleEdit()->setValue(-1000);
    EXPECT_EQ(panel.Record().Angle, -360);
}

TEST(PositionPanel, EveryControlReportsItsChangeButSetRecordDoesNot)
{
    TfrmPosition panel;
    int changes = 0;
    panel.OnChange = [&] { ++changes; };
    TPositionRecord in;
    in.AutoSizeOffered = true;
    in.Left = 100;
    panel.SetRecord(in);
    EXPECT_EQ(changes, 0);
    panel.AngleEdit()->setValue(10);
    panel.LockBox()->setChecked(true);
    panel.DontPrintBox()->setChecked(true);
    panel.AutoSizeBox()->setChecked(true);
    panel.LeftEdit()->SpinBox()->setValue(1.5);
    panel.TopEdit()->SpinBox()->setValue(2.5);
    panel.WidthEdit()->SpinBox()->setValue(3.5);
    panel.HeightEdit()->SpinBox()->setValue(4.5);
    EXPECT_EQ(changes, 8);
    TPositionRecord out = panel.Record();
    EXPECT_EQ(out.Top, 25);
    EXPECT_EQ(out.Height, 45);
}
