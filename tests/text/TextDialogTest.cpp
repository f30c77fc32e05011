// The text dialog and the pattern chooser, driven without a display.
#include "imaging/FColorSpec.h"
#include "support/TestSupport.h"
#include "text/FTextDialog.h"
#include "text/FTransform.h"
#include "text/ULOText.h"
#include "ui/FPosition.h"
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

TTextDialogEnvironment Environment()
{
    TTextDialogEnvironment env;
    env.PatternFile = BinaryDir() + QStringLiteral("/data/velmo.cdd");
    env.ThumbnailFile = BinaryDir() + QStringLiteral("/data/velmo-cdd.res");
    env.FieldItems = [](TFieldType kind) {
        if (kind == TFieldType::ftProduct)
            return QStringList{QStringLiteral("製品名"), QStringLiteral("型番")};
        return QStringList{QStringLiteral("氏名")};
    };
    return env;
}

class TextDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTextClasses();
        FObject.SetBaseRect({100, 100, 900, 300});
        FObject.SetLines({QStringLiteral("見本")});
    }
    TLOVelmoText FObject;
};

} // namespace

TEST_F(TextDialog, ThumbnailsLoadFromTheResourceFile)
{
    const QImage sheet = LoadPatternThumbnails(Environment().ThumbnailFile);
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet.size(), QSize(376, 592));
    EXPECT_EQ(PatternThumbnail(sheet, 63).size(), QSize(94, 37));
    EXPECT_TRUE(PatternThumbnail(sheet, 64).isNull());
    EXPECT_TRUE(LoadPatternThumbnails(BinaryDir() + QStringLiteral("/data/velmo.cdd")).isNull());
    EXPECT_TRUE(LoadPatternThumbnails(QStringLiteral("/nonexistent.res")).isNull());
}

TEST_F(TextDialog, ChooserScrollsAChosenRowIntoTheLastVisibleRow)
{
    const QImage sheet = LoadPatternThumbnails(Environment().ThumbnailFile);
    TfrmTransform chooser(sheet, 64);
    EXPECT_EQ(chooser.ScrollBar()->maximum(), 10);
    EXPECT_EQ(chooser.ScrollBar()->pageStep(), 6);
    chooser.SetIndex(30);
    EXPECT_EQ(chooser.ScrollPosition(), 2);
    ASSERT_TRUE(chooser.FrameVisible());
    // Row 7 of the patterns is the last of the six visible rows.
    // 30 is in row 7, the last of the six rows shown from row 2.
    EXPECT_GT(chooser.FrameRect().top(), 5 * 37);
    chooser.ScrollBar()->setValue(0);
    EXPECT_FALSE(chooser.FrameVisible());
    chooser.SetIndex(-1);
    EXPECT_EQ(chooser.Index(), 0);
    EXPECT_TRUE(chooser.FrameVisible());
    EXPECT_EQ(chooser.SelectedThumbnail(), PatternThumbnail(sheet, 0));
}

TEST_F(TextDialog, EmptyTextAndMissingPatternKeepTheDialogOpen)
{
    TfrmTextDialog dialog(Environment());
    dialog.SetQuietMessages(true);
    dialog.LoadFrom(FObject, false);
    dialog.TextEdit()->setPlainText(QString());
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(dialog.LastMessage(), QStringLiteral("文字が入力されていません"));
    EXPECT_EQ(dialog.Tabs()->currentIndex(), 0);
    dialog.TextEdit()->setPlainText(QStringLiteral("abc"));
    dialog.TransformOn()->setChecked(true);
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(dialog.LastMessage(), QStringLiteral("変形パターンが指定されていません"));
    EXPECT_EQ(dialog.Tabs()->currentIndex(), 2);
    dialog.ChoosePattern(5);
    EXPECT_TRUE(dialog.Validate());
}

TEST_F(TextDialog, AppliesThePagesToTheObject)
{
    TfrmTextDialog dialog(Environment());
    dialog.LoadFrom(FObject, false);
    dialog.TextEdit()->setPlainText(QStringLiteral("一行目\n二行目"));
    dialog.SizeBox()->setCurrentText(QStringLiteral("36"));
    dialog.AlignBox()->setCurrentIndex(1);
    dialog.ShadowOn()->setChecked(true);
    dialog.ShadowPlace()->setCurrentIndex(0); // 右下: preset 8
    dialog.OutlineOn()->setChecked(true);
    dialog.OutlineWidth()->SetValue(15);
    TPositionRecord r = dialog.PositionPanel()->Record();
    r.Angle = -30;
    r.Left = 200;
    dialog.PositionPanel()->SetRecord(r);
    ASSERT_TRUE(dialog.Validate());
    dialog.ApplyTo(FObject);
    EXPECT_EQ(FObject.Text()->Lines(), QStringList({QStringLiteral("一行目"), QStringLiteral("二行目")}));
    EXPECT_EQ(FObject.Font()->Size(), 36);
    EXPECT_EQ(FObject.Align(), 1);
    EXPECT_EQ(FObject.Shadow(), 8);
    EXPECT_TRUE(FObject.Outline());
    EXPECT_EQ(FObject.OutLineWidth(), 15);
    EXPECT_EQ(FObject.Angle(), 330);
    EXPECT_EQ(FObject.BaseRect().Left, 200);
    EXPECT_TRUE(FObject.CoonsDistortion()->IsEmpty());
}

TEST_F(TextDialog, SizeThatIsNotANumberKeepsTheSize)
{
    FObject.Font()->SetSize(18);
    TfrmTextDialog dialog(Environment());
    dialog.LoadFrom(FObject, false);
    dialog.SizeBox()->setCurrentText(QStringLiteral("大きく"));
    dialog.ApplyTo(FObject);
    EXPECT_EQ(FObject.Font()->Size(), 18);
}

TEST_F(TextDialog, PatternIsFoundAgainByItsIdentifierAndAppliedOrCleared)
{
    TCDDFile cdd;
    cdd.Open(Environment().PatternFile);
    cdd.LoadPattern(*FObject.CoonsDistortion(), 12);
    TfrmTextDialog dialog(Environment());
    dialog.LoadFrom(FObject, false);
    EXPECT_EQ(dialog.PatternIndex(), 12);
    EXPECT_TRUE(dialog.TransformOn()->isChecked());
    EXPECT_FALSE(dialog.PatternButton()->icon().isNull());
    EXPECT_FALSE(dialog.SizeBox()->isEnabled());
    dialog.ChoosePattern(40);
    dialog.RatioSlider()->setValue(50);
    EXPECT_FALSE(dialog.PreviewObject().CoonsDistortion()->IsEmpty());
    dialog.ApplyTo(FObject);
    TCoonsDistortion expected;
    cdd.LoadPattern(expected, 40);
    EXPECT_TRUE(FObject.CoonsDistortion()->SameContent(expected));
    EXPECT_EQ(FObject.DistortionRatio(), 50);
    // "しない" clears it; so does a pattern the catalogue does not know.
    TfrmTextDialog again(Environment());
    again.LoadFrom(FObject, false);
    again.TransformOff()->setChecked(true);
    EXPECT_TRUE(again.PreviewObject().CoonsDistortion()->IsEmpty());
    again.ApplyTo(FObject);
    EXPECT_TRUE(FObject.CoonsDistortion()->IsEmpty());
    FObject.CoonsDistortion()->MakeIdentity();
    FObject.CoonsDistortion()->SetId(TPatternId::Create()); // not in the file
    TfrmTextDialog foreign(Environment());
    foreign.LoadFrom(FObject, false);
    EXPECT_TRUE(foreign.TransformOff()->isChecked());
    foreign.ApplyTo(FObject);
    EXPECT_TRUE(FObject.CoonsDistortion()->IsEmpty());
}

TEST_F(TextDialog, WithoutThePatternFileTheObjectsPatternIsKept)
{
    FObject.CoonsDistortion()->MakeIdentity();
    TTextDialogEnvironment env = Environment();
    env.PatternFile = QStringLiteral("/nonexistent/velmo.cdd");
    TfrmTextDialog dialog(env);
    dialog.LoadFrom(FObject, false);
    EXPECT_FALSE(dialog.TransformOn()->isEnabled());
    dialog.ApplyTo(FObject);
    EXPECT_FALSE(FObject.CoonsDistortion()->IsEmpty());
}

TEST_F(TextDialog, BindingSurvivesUnlessTheTextIsEdited)
{
    FObject.SetFieldNo(2);
    FObject.SetFieldType(TFieldType::ftProduct);
    {
        TfrmTextDialog dialog(Environment());
        dialog.LoadFrom(FObject, false);
        EXPECT_TRUE(dialog.FieldUse()->isChecked());
        dialog.ApplyTo(FObject);
        EXPECT_EQ(FObject.FieldNo(), 2);
    }
    TfrmTextDialog dialog(Environment());
    dialog.LoadFrom(FObject, false);
    dialog.TextEdit()->setPlainText(QStringLiteral("手で書いた"));
    EXPECT_FALSE(dialog.FieldUse()->isChecked());
    dialog.ApplyTo(FObject);
    EXPECT_EQ(FObject.FieldNo(), 0);
}

TEST_F(TextDialog, NewObjectsStartOnTheFirstPageAndTheTitleSaysSo)
{
    {
        TfrmTextDialog dialog(Environment());
        dialog.LoadFrom(FObject, false);
        dialog.Tabs()->setCurrentIndex(3);
        dialog.reject(); // remembers the page
    }
    TfrmTextDialog edit(Environment());
    edit.LoadFrom(FObject, false);
    EXPECT_EQ(edit.Tabs()->currentIndex(), 3);
    EXPECT_EQ(edit.windowTitle(), QStringLiteral("文字の編集・設定"));
    TfrmTextDialog add(Environment());
    add.LoadFrom(FObject, true);
    EXPECT_EQ(add.Tabs()->currentIndex(), 0);
    EXPECT_EQ(add.windowTitle(), QStringLiteral("文字の追加"));
}

TEST_F(TextDialog, PreviewFollowsTheFaceCharset)
{
    TfrmTextDialog dialog(Environment());
    dialog.LoadFrom(FObject, false);
    EXPECT_EQ(dialog.PreviewObject().Text()->Lines(), QStringList({QStringLiteral("ベルモ")}));
    const int latin = dialog.FaceBox()->findText(QStringLiteral("DejaVu Sans"));
    ASSERT_GE(latin, 0);
    dialog.FaceBox()->setCurrentIndex(latin);
    EXPECT_EQ(dialog.PreviewObject().Text()->Lines(), QStringList({QStringLiteral("Velmo")}));
    EXPECT_EQ(dialog.PreviewObject().Angle(), 0);
    EXPECT_TRUE(dialog.PreviewObject().AutoSize());
}
