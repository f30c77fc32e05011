// The colour-choice panel, the colour grid and its pop-up, the samples dialog and
// the remembered custom colours, driven as a user would. With VELMO_SCREENSHOT_DIR
// set, the windows are also saved there as pictures to look at.
#include "imaging/FColorGrid.h"
#include "imaging/FColorSpec.h"
#include "imaging/FImageDataEditor.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

void Shot(QWidget& widget, const char* name)
{
    const QString dir = qEnvironmentVariable("VELMO_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    widget.grab().save(dir + u'/' + QLatin1String(name) + QStringLiteral(".png"));
}

void Key(QWidget* widget, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

void Click(QWidget* widget, QPoint at)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

TEST(ColorPanelTest, GridColoursAreTheFortyOfTheList)
{
    const auto& colors = ColorGridColors();
    EXPECT_EQ(colors[0], 0x000000);
    EXPECT_EQ(colors[1], 0x0000FF);  // clRed
    EXPECT_EQ(colors[7], 0xFFFFFF);  // clWhite
    EXPECT_EQ(colors[15], 0xC0C0C0); // clSilver
    EXPECT_EQ(colors[16], 0x3F3F3F);
    EXPECT_EQ(colors[39], 0x7F3FBF);
}

TEST(ColorPanelTest, GridCellsChooseColoursAndTransparent)
{
    TColorGridWidget grid;
    grid.resize(grid.sizeHint());
    TColor chosen = -1;
    QObject::connect(&grid, &TColorGridWidget::ColorChosen, [&](TColor c) { chosen = c; });
    Click(&grid, grid.CellRect(2).center());
    EXPECT_EQ(chosen, 0x00FFFF); // clYellow
    EXPECT_EQ(grid.Color(), 0x00FFFF);
    EXPECT_TRUE(grid.CellRect(41).isEmpty()); // no "透過" unless allowed
    grid.SetAllowTransparent(true);
    Click(&grid, grid.CellRect(41).center());
    EXPECT_EQ(chosen, clNone);
    // Keys move and choose.
    Key(&grid, Qt::Key_Up); // from "透過" to the last row
    Key(&grid, Qt::Key_Right);
    Key(&grid, Qt::Key_Return);
    EXPECT_EQ(chosen, ColorGridColors()[33]);
    Shot(grid, "colour-grid");
}

TEST(ColorPanelTest, PopupHidesAfterAChoiceAndCancelsOnEscape)
{
    TfrmColorGrid popup;
    TColor chosen = -1;
    int cancels = 0;
    popup.OnChosen = [&](TColor c) { chosen = c; };
    popup.OnCancel = [&] { ++cancels; };
    popup.SetColor(0x0000FF);
    popup.PopupAt(QPoint(100, 100));
    EXPECT_TRUE(popup.isVisible());
    Shot(popup, "colour-grid-popup");
    Click(popup.Grid(), popup.Grid()->CellRect(5).center());
    EXPECT_EQ(chosen, 0xFF0000); // clBlue
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(cancels, 0);
    popup.PopupAt(QPoint(100, 100));
    Key(&popup, Qt::Key_Escape);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(cancels, 1);
}

TEST(ColorPanelTest, CustomColoursAreReadBeforeAndWrittenAfterAConfirmedChoice)
{
    QString stored = QStringLiteral("0000FF,00FF00");
    int writes = 0;
    SetCustomColorsStore([&] { return stored; },
                         [&](const QString& v) {
                             stored = v;
                             ++writes;
                         });
    // Cancelled: nothing written.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(QColorDialog::customColor(0), QColor(255, 0, 0)); // BBGGRR 0000FF is red
        dialog->reject();
    });
    TColor chosen = 0;
    EXPECT_FALSE(ChooseSystemColor(nullptr, 0x123456, &chosen));
    EXPECT_EQ(writes, 0);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QColorDialog::setCustomColor(2, QColor(1, 2, 3));
        dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
        dialog->accept();
    });
    EXPECT_TRUE(ChooseSystemColor(nullptr, 0x123456, &chosen));
    EXPECT_EQ(chosen, 0x302010);
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(stored.startsWith(QStringLiteral("0000FF,00FF00,030201,"))) << stored.toStdString();
    SetCustomColorsStore({}, {});
}

TEST(ColorPanelTest, LoadingACircleMakesItTheLinearGradientOfItsDirection)
{
    TColorSpec circle;
    circle.SetKind(TColorSpecKind::cskGradation);
    circle.SetGradKind(rgGradationKind::rgkCircleToRim);
    circle.GradColors()->SetColors({0x0000FF, 0x00FF00, 0xFF0000});
    TfrmColorSpec panel;
    panel.LoadSpec(circle);
    EXPECT_EQ(panel.Spec().GradKind(), rgGradationKind::rgkSimple);
    EXPECT_EQ(panel.Spec().GradAngle(), 270);
    auto* pages = panel.findChild<QStackedWidget*>();
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->currentIndex(), 2);
    // An odd angle becomes the direction GradDir reports as well.
    TColorSpec odd;
    odd.SetKind(TColorSpecKind::cskGradation);
    odd.SetGradAngle(100);
    panel.LoadSpec(odd);
    EXPECT_EQ(panel.Spec().GradAngle(), 270);
    // The box directions keep their kind.
    odd.SetGradDir(rgGradationDir::rgdRimToCenter);
    panel.LoadSpec(odd);
    EXPECT_EQ(panel.Spec().GradKind(), rgGradationKind::rgkBoxToCenter);
}

TEST(ColorPanelTest, GradationPageEditsCountDirectionAndColours)
{
    TfrmColorSpec panel;
    panel.resize(520, 320);
    panel.SelectKind(TColorSpecKind::cskGradation);
    panel.SetColorCount(4);
    EXPECT_EQ(panel.Spec().GradColNum(), 4);
    EXPECT_EQ(panel.Spec().GradColor(3), 0); // added slots are black
    EXPECT_FALSE(panel.ColorButton(4)->isVisibleTo(&panel));
    EXPECT_TRUE(panel.ColorButton(3)->isVisibleTo(&panel));
    panel.SetColorCount(9);
    EXPECT_EQ(panel.Spec().GradColNum(), 7);
    static_cast<QPushButton*>(panel.DirectionButton(int(rgGradationDir::rgdCenterToRim)))->click();
    EXPECT_EQ(panel.Spec().GradKind(), rgGradationKind::rgkBoxToRim);
    EXPECT_EQ(panel.Spec().GradAngle(), 0);
    EXPECT_TRUE(
        static_cast<QPushButton*>(panel.DirectionButton(int(rgGradationDir::rgdCenterToRim)))->isChecked());
    // A colour button opens the pop-up; a choice there changes that colour.
    panel.ColorButton(1)->click();
    TfrmColorGrid& popup = TfrmColorGrid::Instance();
    EXPECT_TRUE(popup.isVisible());
    Click(popup.Grid(), popup.Grid()->CellRect(3).center()); // clLime
    EXPECT_EQ(panel.Spec().GradColor(1), 0x00FF00);
    panel.ApplyPattern(GradationSamplePatterns()[50]);
    EXPECT_EQ(panel.Spec().GradColNum(), 3);
    TColorSpec out;
    panel.GetSpec(out);
    EXPECT_EQ(out.Kind(), TColorSpecKind::cskGradation);
    EXPECT_EQ(out.GradKind(), rgGradationKind::rgkBoxToRim);
    EXPECT_EQ(out.GradColors()->Colors(), GradationSamplePatterns()[50]);
    panel.show();
    Shot(panel, "colour-panel-gradation");
}

TEST(ColorPanelTest, SolidPageAndColourOnlyMode)
{
    TfrmColorSpec panel;
    panel.resize(520, 320);
    auto* grid = panel.findChild<TColorGridWidget*>();
    ASSERT_NE(grid, nullptr);
    Click(grid, grid->CellRect(1).center());
    EXPECT_EQ(panel.Spec().Color(), 0x0000FF);
    panel.show();
    Shot(panel, "colour-panel-solid");
    TColorSpec gradation;
    gradation.SetKind(TColorSpecKind::cskGradation);
    panel.SetColorOnly(true);
    panel.LoadSpec(gradation);
    EXPECT_EQ(panel.Spec().Kind(), TColorSpecKind::cskSolid);
    EXPECT_FALSE(panel.findChild<QRadioButton*>()->isVisibleTo(&panel));
}

TEST(ColorPanelTest, PicturePageAndHandingBack)
{
    TColorSpec picture;
    picture.SetKind(TColorSpecKind::cskBitmap);
    QImage image(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, qRgb(x * 6, y * 8, ((x / 5 + y / 5) % 2) * 255));
    picture.SetBitmap(image);
    picture.SetTile(true);
    TfrmColorSpec panel;
    panel.resize(520, 320);
    panel.LoadSpec(picture);
    auto* pages = panel.findChild<QStackedWidget*>();
    EXPECT_EQ(pages->currentIndex(), 1);
    panel.show();
    Shot(panel, "colour-panel-picture");
    // "切り抜き..." opens the image-data dialog on the picture.
    ASSERT_TRUE(panel.TrimButton()->isEnabled());
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TfrmImageDataEditor*>(QApplication::activeModalWidget());
        opened = dialog != nullptr;
        if (dialog) {
            EXPECT_EQ(dialog->ImageData().Picture()->Width(), 40);
            dialog->reject();
        }
    });
    panel.TrimButton()->click();
    EXPECT_TRUE(opened);
    TColorSpec out;
    panel.GetSpec(out);
    EXPECT_EQ(out.Kind(), TColorSpecKind::cskBitmap);
    EXPECT_TRUE(out.Tile());
    // Another kind hands back no picture; so does a disabled panel.
    panel.SelectKind(TColorSpecKind::cskSolid);
    panel.GetSpec(out);
    EXPECT_TRUE(out.ImageData()->IsEmpty());
    panel.SelectKind(TColorSpecKind::cskBitmap);
    panel.setEnabled(false);
    panel.GetSpec(out);
    EXPECT_TRUE(out.ImageData()->IsEmpty());
}

TEST(ColorPanelTest, SamplesDialogRemembersTheLastPattern)
{
    EXPECT_EQ(GradationSamplePatterns().size(), 57u);
    EXPECT_EQ(GradationSamplePatterns()[0], (std::vector<TColor>{0xC0C0FF, 0xFFFFFF}));
    EXPECT_EQ(GradationSamplePatterns()[56], (std::vector<TColor>{0, 0xDCDCDC, 0}));
    {
        TfrmGradePattern dialog;
        EXPECT_EQ(dialog.Selected(), 0);
        dialog.show();
        Shot(dialog, "gradation-samples");
        auto* list = dialog.findChild<QListWidget*>();
        list->setCurrentRow(20);
        dialog.accept();
        EXPECT_EQ(dialog.SelectedColors(), GradationSamplePatterns()[20]);
    }
    TfrmGradePattern again;
    EXPECT_EQ(again.Selected(), 20);
    TfrmGradePattern::LastChosen() = 0;
}

} // namespace
} // namespace velmo::test
