// The image and background dialogs: what they show, what OK applies, the
// background collection with foreign files, the reset, and the designer's one step.
#include "imaging/FColorSpec.h"
#include "imaging/UColorSpec.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/FImageDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "support/TestSupport.h"
#include "ui/FPosition.h"
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct ImageDialogs : ::testing::Test
{
    ImageDialogs()
    {
        RegisterImagingGraphics();
        RegisterPictureFormats();
        ClearLabelClasses();
        RegisterImageClasses();
    }
};

void GivePicture(TImageData& data, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(image);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    data.SetPicture(&picture);
}

void Shot(QWidget& widget, const QString& name)
{
    const QString dir = qEnvironmentVariable("VELMO_TEST_SHOTS");
    if (dir.isEmpty())
        return;
    widget.show();
    widget.grab().save(dir + u'/' + name);
}

} // namespace

TEST_F(ImageDialogs, TheImageDialogShowsItsPagesAndAppliesPositionAndPicture)
{
    TLOVelmoImage image;
    GivePicture(*image.ImageData(), {90, 45}, Qt::darkCyan);
    image.SetBaseRect({100, 200, 300, 300});
    image.SetAngleValue(30);
    TfrmImageProperty dialog(&image);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("イメージファイルの設定"));
    ASSERT_EQ(dialog.Tabs()->count(), 4);
    EXPECT_EQ(dialog.Tabs()->tabText(0), QStringLiteral("イラスト"));
    EXPECT_EQ(dialog.Tabs()->tabText(1), QStringLiteral("切り抜き"));
    EXPECT_EQ(dialog.Tabs()->tabText(2), QStringLiteral("画質調整"));
    EXPECT_EQ(dialog.Tabs()->tabText(3), QStringLiteral("位置"));
    const TPositionRecord shown = dialog.Position()->Record();
    EXPECT_EQ(shown.Angle, 30);
    EXPECT_EQ(shown.Left, 100);
    EXPECT_EQ(shown.Width, 200);
    EXPECT_TRUE(dialog.WizardBox()->isHidden()) << "only in the extended paper mode";
    Shot(dialog, QStringLiteral("image-dialog.png"));

    // A new picture in the copy sets the default size of it; the object is untouched
    // until OK.
    GivePicture(dialog.ImageData(), {360, 180}, Qt::magenta);
    EXPECT_EQ(dialog.Position()->Record().Width, 508);
    EXPECT_EQ(dialog.Position()->Record().Height, 254);
    EXPECT_EQ(image.ImageData()->Picture()->Width(), 90);
    TPositionRecord record = dialog.Position()->Record();
    record.Angle = 90;
    record.DontPrint = true;
    dialog.Position()->SetRecord(record);
    dialog.Apply();
    EXPECT_EQ(image.Angle(), 90);
    EXPECT_TRUE(image.DontPrint());
    EXPECT_EQ(image.PropWidth(), 508);
    EXPECT_EQ(image.ImageData()->Picture()->Width(), 360);
}

TEST_F(ImageDialogs, IllustrationsAndTheWizardItemAndAFrameThatDoesNotLoad)
{
    TfrmImageProperty::SetExtendedPaperMode(true);
    TLOVelmoImage image;
    image.SetImageSource(isOnePoint);
    GivePicture(*image.ImageData(), {20, 20}, Qt::red);
    TfrmImageProperty dialog(&image);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("イラストの設定"));
    EXPECT_FALSE(dialog.WizardBox()->isHidden());
    dialog.WizardBox()->setChecked(true);
    QTemporaryDir dir;
    const QString junk = dir.filePath(QStringLiteral("frame.bmp"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM this is no bitmap");
    f.close();
    EXPECT_FALSE(dialog.LoadFrame(junk));
    EXPECT_FALSE(dialog.FramePicture()->HasGraphic());
    EXPECT_FALSE(dialog.AlphaFrameBox()->isEnabled());
    dialog.Tabs()->setCurrentIndex(1);
    Shot(dialog, QStringLiteral("image-dialog-trimming.png"));
    dialog.show();
    dialog.Apply();
    EXPECT_TRUE(image.WizInputEnable());
    EXPECT_FALSE(image.FramePicture()->HasGraphic());
    TfrmImageProperty::SetExtendedPaperMode(false);
}

TEST_F(ImageDialogs, ABackgroundBeingCreatedStartsOnTheCollectionWhichSkipsForeignFiles)
{
    QTemporaryDir dir;
    QImage tile(40, 20, QImage::Format_RGB32);
    tile.fill(Qt::yellow);
    ASSERT_TRUE(tile.save(dir.filePath(QStringLiteral("yellow.png"))));
    QFile junk(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    QFile broken(dir.filePath(QStringLiteral("broken.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\nbroken");
    broken.close();
    TfrmBackImageProperty::SetCollectionFolder(dir.path());

    TLOBackImage back;
    back.FitToFace({0, 0, 400, 200});
    back.SetFrameWidth(5);
    TfrmBackImageProperty dialog(&back);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("背景柄の設定"));
    EXPECT_TRUE(dialog.CollectionButton()->isChecked());
    ASSERT_EQ(dialog.Gallery()->count(), 1) << "only the picture is offered";
    EXPECT_TRUE(dialog.Gallery()->item(0)->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(dialog.OkButton()->isEnabled()) << "nothing chosen yet";
    dialog.Gallery()->setCurrentRow(0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Shot(dialog, QStringLiteral("background-dialog-collection.png"));
    dialog.Apply();
    EXPECT_EQ(back.FillColor()->Kind(), TColorSpecKind::cskBitmap);
    EXPECT_FALSE(back.FillColor()->Tile());
    EXPECT_EQ(back.FillColor()->ImageData()->Picture()->Width(), 40);
    EXPECT_EQ(back.FrameWidth(), 0);
    TfrmBackImageProperty::SetCollectionFolder(QString());
}

TEST_F(ImageDialogs, TheFreeMethodAndTheReset)
{
    TLOBackImage back;
    back.FitToFace({0, 0, 400, 200});
    TfrmBackImageProperty dialog(&back);
    dialog.FreeButton()->click();
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    TColorSpec red;
    red.SetColor(0x0000FF);
    dialog.FillEditor()->LoadSpec(red);
    dialog.FrameWidthEdit()->SetValue(30);
    Shot(dialog, QStringLiteral("background-dialog-free.png"));
    dialog.Apply();
    EXPECT_EQ(back.FillColor()->Color(), TColor(0x0000FF));
    EXPECT_EQ(back.FrameWidth(), 30);
    EXPECT_FALSE(back.IsEmpty());

    TfrmBackImageProperty again(&back);
    again.NoneButton()->click();
    EXPECT_TRUE(again.ResetChosen());
    again.Apply();
    EXPECT_TRUE(back.IsEmpty());
}

TEST_F(ImageDialogs, TheDesignerEditsImagesAndBackgroundsAndCancelChangesNothing)
{
    TImageDesigner designer;
    TLOVelmoImage image;
    GivePicture(*image.ImageData(), {20, 10}, Qt::red);
    image.SetBaseRect({0, 0, 200, 100});
    TImageDesigner::SetDialogRunner([](QDialog& dialog) {
        auto* property = dynamic_cast<TfrmImageProperty*>(&dialog);
        if (property) {
            TPositionRecord r = property->Position()->Record();
            r.Angle = 45;
            property->Position()->SetRecord(r);
        }
        return int(QDialog::Accepted);
    });
    bool cancelled = true;
    EXPECT_TRUE(designer.EditObject(&image, cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(image.Angle(), 45);
    TImageDesigner::SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    TLOBackImage back;
    EXPECT_TRUE(designer.EditObject(&back, cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(back.IsEmpty());
    TImageDesigner::SetDialogRunner(nullptr);
}

TEST_F(ImageDialogs, WithoutACollectionThePageSaysSoAndNothingCanBeChosen)
{
    TfrmBackImageProperty::SetCollectionFolder(QString());
    TLOBackImage back;
    TfrmBackImageProperty dialog(&back);
    ASSERT_EQ(dialog.Gallery()->count(), 1);
    EXPECT_TRUE(dialog.Gallery()->item(0)->text().startsWith(QStringLiteral("背景集が見つかりません。")));
    dialog.Gallery()->setCurrentRow(0);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.Apply();
    EXPECT_TRUE(back.IsEmpty());
}
