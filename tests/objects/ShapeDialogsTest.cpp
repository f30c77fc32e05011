// The shape dialogs, the decorative-line chooser and the command dialogs: values in,
// values out in their order, enabling, remembered choices; with VELMO_TEST_SHOTS set
// each dialog is also saved as a picture there.
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "draw/UGuide.h"
#include "imaging/FColorSpec.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "support/TestSupport.h"
#include "ui/FPosition.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

void Shot(QWidget& w, const char* name)
{
    const QString dir = qEnvironmentVariable("VELMO_TEST_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    w.adjustSize();
    w.grab().save(dir + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

struct Dialogs : ::testing::Test
{
    Dialogs()
    {
        ClearLabelClasses();
        RegisterShapeClasses();
        InstallActionHistory();
        TActionList::Instance().Clear();
    }
    ~Dialogs() override
    {
        TShapeDesigner::SetDialogRunner(nullptr);
        SetDecoLineFolderLocator(nullptr);
        TActionList::Instance().Clear();
        SetAddActionRecorder(nullptr);
        SetChangeActionFactory(nullptr);
    }
};

} // namespace

TEST_F(Dialogs, LineDialogShowsAndWritesTheLine)
{
    TLOLine line;
    line.SetStartPoint({100, 200});
    line.SetEndPoint({500, 250});
    line.SetLineWidth(15);
    line.SetDontPrint(true);
    TfrmLineProperty dialog(&line);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("直線の設定"));
    EXPECT_EQ(dialog.Tabs()->tabText(0), QStringLiteral("線色"));
    EXPECT_EQ(dialog.Tabs()->tabText(1), QStringLiteral("位置"));
    EXPECT_EQ(dialog.WidthEdit()->Value(), 15);
    EXPECT_EQ(dialog.PointEdit(3)->Value(), 250);
    EXPECT_TRUE(dialog.Position()->DontPrintBox()->isChecked());
    EXPECT_FALSE(dialog.Position()->LeftEdit()->isVisibleTo(&dialog)) << "lines keep end points instead";
    Shot(dialog, "dialog-line-colour");
    dialog.Tabs()->setCurrentIndex(1);
    Shot(dialog, "dialog-line-position");
    dialog.WidthEdit()->SetValue(40);
    dialog.PointEdit(0)->SetValue(120);
    dialog.Position()->LockBox()->setChecked(true);
    dialog.Apply();
    EXPECT_EQ(line.LineWidth(), 40);
    EXPECT_EQ(line.StartX(), 120);
    EXPECT_FALSE(line.Movable());
    dialog.reject();
    TfrmLineProperty again(&line);
    EXPECT_EQ(again.Tabs()->currentIndex(), 1) << "the tab last used, per kind";
    TLOCurve curve;
    TfrmLineProperty arc(&curve);
    EXPECT_EQ(arc.windowTitle(), QStringLiteral("円弧の設定"));
    EXPECT_EQ(arc.Tabs()->currentIndex(), 0) << "arcs remember their own tab";
}

TEST_F(Dialogs, RectangleDialogEnablesTheFillOnlyWhenFilling)
{
    TLORect rect;
    rect.SetBaseRect({100, 100, 400, 300});
    TfrmRectProperty dialog(&rect);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("四角図形の設定"));
    EXPECT_EQ(dialog.Tabs()->count(), 3);
    EXPECT_TRUE(dialog.ClearButton()->isChecked());
    EXPECT_FALSE(dialog.FillColorPanel()->isEnabled());
    Shot(dialog, "dialog-rect-frame");
    dialog.FillButton()->setChecked(true);
    EXPECT_TRUE(dialog.FillColorPanel()->isEnabled());
    dialog.Tabs()->setCurrentIndex(1);
    Shot(dialog, "dialog-rect-fill");
    dialog.Tabs()->setCurrentIndex(2);
    Shot(dialog, "dialog-rect-position");
    dialog.RoundBox()->setChecked(true);
    dialog.FrameWidthEdit()->SetValue(30);
    dialog.Position()->AngleEdit()->setValue(30);
    dialog.Position()->WidthEdit()->SetValue(500);
    dialog.Apply();
    EXPECT_TRUE(rect.RoundRect());
    EXPECT_TRUE(rect.FillInside());
    EXPECT_EQ(rect.FrameWidth(), 30);
    EXPECT_EQ(rect.Angle(), 30);
    EXPECT_EQ(rect.BaseRect().Width(), 500);
    TLOCircle circle;
    TfrmRectProperty round(&circle);
    EXPECT_EQ(round.windowTitle(), QStringLiteral("円図形の設定"));
    EXPECT_FALSE(round.RoundBox()->isVisibleTo(&round)) << "no rounded corners for an ellipse";
}

TEST_F(Dialogs, EditingThroughTheDesignerRecordsOneChangeOrNothing)
{
    TDrawSite site;
    auto* rect = new TLORect(&site);
    rect->SetBaseRect({0, 0, 100, 100});
    site.AddObject(rect);
    TShapeDesigner::SetDialogRunner([](QDialog& dialog) {
        if (auto* d = dynamic_cast<TfrmRectProperty*>(&dialog))
            d->FrameWidthEdit()->SetValue(55);
        return int(QDialog::Accepted);
    });
    TShapeDesigner designer;
    bool cancelled = true;
    ASSERT_TRUE(designer.EditObject(rect, cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(rect->FrameWidth(), 55);
    EXPECT_EQ(TActionList::Instance().Count(), 1);
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("設定変更"));
    // OK without changes: nothing recorded.
    TShapeDesigner::SetDialogRunner([](QDialog&) { return int(QDialog::Accepted); });
    designer.EditObject(rect, cancelled);
    EXPECT_EQ(TActionList::Instance().Count(), 1);
    TShapeDesigner::SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    designer.EditObject(rect, cancelled);
    EXPECT_TRUE(cancelled);
}

TEST_F(Dialogs, DecoLineChooserListsThePatternsAndFitsANewLine)
{
    const QString folder = test::BinaryDir() + QStringLiteral("/data/ILLUST/DecoLine");
    TLODecoLine line;
    TfrmDecoLineSelect dialog(&line, folder);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("飾り罫線の選択"));
    ASSERT_GE(dialog.Patterns()->count(), 30);
    EXPECT_FALSE(dialog.WidthEdit()->isEnabled()) << "a line being made takes the tile's size";
    dialog.resize(640, 460);
    Shot(dialog, "dialog-decoline");
    dialog.Patterns()->setCurrentRow(15);
    dialog.Apply();
    ASSERT_TRUE(line.Image()->HasGraphic());
    EXPECT_GT(line.EndX(), 0) << "fitted to the tile";
    EXPECT_EQ(line.StartX(), 0);
    dialog.accept();
    TLODecoLine next;
    TfrmDecoLineSelect again(&next, folder);
    EXPECT_EQ(again.Patterns()->currentRow(), 15) << "the pattern is remembered";
    // Without the folder the edit is reported cancelled.
    SetDecoLineFolderLocator([] { return QString(); });
    TShapeDesigner designer;
    bool cancelled = false;
    EXPECT_TRUE(designer.EditObject(&next, cancelled));
    EXPECT_TRUE(cancelled);
}

TEST_F(Dialogs, AlignmentFaceAdjustmentAndGridDialogs)
{
    TfrmAlign align;
    EXPECT_EQ(align.windowTitle(), QStringLiteral("位置揃え"));
    EXPECT_EQ(align.Group()->buttons().size(), 6);
    Shot(align, "dialog-align");
    align.Group()->button(4)->setChecked(true);
    align.accept();
    TfrmAlign again;
    EXPECT_EQ(again.Choice(), TAlignKind::akSpaceHorizontally);
    TfrmFaceAdjust adjust;
    EXPECT_EQ(adjust.Group()->buttons().size(), 8);
    Shot(adjust, "dialog-face-adjust");

    TGrid grid;
    TfrmGridSettings dialog(grid);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("グリッド設定"));
    EXPECT_EQ(dialog.SizeEdit()->Value(), 50);
    EXPECT_FALSE(dialog.ShapeGroup()->button(1)->isEnabled()) << "the look only while shown";
    dialog.VisibleBox()->setChecked(true);
    dialog.ShapeGroup()->button(1)->setChecked(true);
    dialog.SizeEdit()->SetValue(120);
    Shot(dialog, "dialog-grid");
    dialog.reject();
    EXPECT_FALSE(grid.Visible()) << "Cancel changes nothing";
    TfrmGridSettings ok(grid);
    ok.VisibleBox()->setChecked(true);
    ok.EnabledBox()->setChecked(true);
    ok.ShapeGroup()->button(1)->setChecked(true);
    ok.SizeEdit()->SetValue(120);
    ok.accept();
    EXPECT_TRUE(grid.Visible());
    EXPECT_TRUE(grid.Enabled());
    EXPECT_TRUE(grid.LineShape());
    EXPECT_EQ(grid.Size(), 120);
}
