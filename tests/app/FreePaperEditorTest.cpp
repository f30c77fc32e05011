// The free paper editor and the kind dialog: the starting label, labels added and
// deleted, boxes writing into the chosen label, purposes limiting the shapes, the
// checks choosing the offending label, the extended mode's fields, and the paper
// selection storing what the editors made.
#include "app/AppTestSupport.h"
#include "app/UHistoryManager.h"
#include "document/ULabelData.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULOFace.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FEditPaper.h"
#include "paperui/FPaperSelect.h"
#include "print/UPrinter.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class FreeEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        SetExtendedPaperMode(false);
        FPapers = std::make_unique<TVelmoPapers>(FDir.filePath(QStringLiteral("p.ppr")), false);
        FForms.Add({QStringLiteral("A4"), 9, QSize(2100, 2970)});
        FForms.Add({QStringLiteral("はがき"), 43, QSize(1000, 1480)});
    }
    void TearDown() override { SetExtendedPaperMode(false); }
    void Hook(TPaperEditor& editor)
    {
        editor.Ask = [this](const QString& text, bool question) {
            FMessages << text;
            return question ? FAnswer : true;
        };
    }
    static std::unique_ptr<TFreePaperInfo> Sheet(int w, int h)
    {
        auto p = std::make_unique<TFreePaperInfo>();
        p->SetPortraitWidth(w);
        p->SetPortraitHeight(h);
        return p;
    }
    static void AddItem(TFreePaperInfo& paper, const TLogRect& r, TFaceShape shape = fsRect)
    {
        TFaceInfo face;
        face.Rect = r;
        face.FaceShape = shape;
        SetFaceItemFromInfo(*paper.Faces()->Add(), face);
    }
    QTemporaryDir FDir;
    std::unique_ptr<TVelmoPapers> FPapers;
    TPrinterForm FForms;
    QStringList FMessages;
    bool FAnswer = false;
};

} // namespace

TEST_F(FreeEditor, ASheetWithoutLabelsStartsWithOneCentredLabel)
{
    auto sheet = Sheet(1000, 1480);
    sheet->SetReadOnly(true);
    sheet->SetGroupName(QStringLiteral("名刺"));
    TfrmEditFreePaper editor(*sheet, *FPapers, true, FForms);
    ASSERT_EQ(editor.FaceCount(), 1);
    const TLogRect r = FaceAt(editor.Site(), 0)->FaceInfo().Rect;
    EXPECT_EQ(r, (TLogRect{250, 555, 750, 925}));
    EXPECT_EQ(editor.Box("FaceWidth")->value(), 50.0);
    EXPECT_EQ(editor.Box("FaceHeight")->value(), 37.0);
    EXPECT_EQ(editor.SheetBox()->currentText(), QStringLiteral("はがき"));
    // Outside the extended mode: a user paper in the last group, no maker box.
    EXPECT_FALSE(editor.Paper().ReadOnly());
    EXPECT_EQ(editor.Paper().GroupName(), QStringLiteral("ユーザー定義"));
    EXPECT_EQ(editor.MakerBox(), nullptr);
    EXPECT_EQ(editor.LockMouseBox(), nullptr);
}

TEST_F(FreeEditor, BoxesWriteTheChosenLabelAndTheLastLabelStays)
{
    auto sheet = Sheet(2100, 2970);
    AddItem(*sheet, {100, 100, 600, 600});
    AddItem(*sheet, {100, 1000, 600, 1500});
    TfrmEditFreePaper editor(*sheet, *FPapers, true, FForms);
    Hook(editor);
    ASSERT_EQ(editor.FaceCount(), 2);
    EXPECT_EQ(editor.CurrentFace(), 0);
    editor.ChooseLabel(1);
    EXPECT_EQ(editor.Box("Top")->value(), 100.0);
    editor.Box("Left")->setValue(20.5);
    editor.Box("FaceWidth")->setValue(60);
    EXPECT_EQ(FaceAt(editor.Site(), 1)->FaceInfo().Rect, (TLogRect{205, 1000, 805, 1500}));
    EXPECT_EQ(FaceAt(editor.Site(), 0)->FaceInfo().Rect, (TLogRect{100, 100, 600, 600}));
    // A new label is centred and chosen; deleting moves to the last one.
    ASSERT_TRUE(editor.AddLabel());
    EXPECT_EQ(editor.FaceCount(), 3);
    EXPECT_EQ(editor.CurrentFace(), 2);
    EXPECT_TRUE(FaceAt(editor.Site(), 2)->Chosen());
    EXPECT_FALSE(FaceAt(editor.Site(), 1)->Chosen());
    EXPECT_EQ(FaceAt(editor.Site(), 2)->FaceInfo().Rect, (TLogRect{525, 1114, 1575, 1856}));
    ASSERT_TRUE(editor.DeleteLabel());
    EXPECT_EQ(editor.CurrentFace(), 1);
    ASSERT_TRUE(editor.DeleteLabel());
    EXPECT_EQ(editor.FaceCount(), 1);
    EXPECT_FALSE(editor.DeleteLabel());
    EXPECT_EQ(editor.FaceCount(), 1);
    // The labels go into the paper in face order when the dialog closes.
    editor.NameBox()->setText(QStringLiteral("自作"));
    editor.accept();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    ASSERT_EQ(editor.Paper().GetFaceCount(), 1);
    EXPECT_EQ(editor.Paper().GetFaceRect(0), (TLogRect{100, 100, 600, 600}));
}

TEST_F(FreeEditor, ThePurposeLimitsTheShapesInBothEditors)
{
    auto sheet = Sheet(2100, 2970);
    TfrmPaperTypeSelect dialog(*sheet, *FPapers, true, FForms);
    for (TPaperEditor* editor : {static_cast<TPaperEditor*>(&dialog.MatrixEditor()),
                                 static_cast<TPaperEditor*>(&dialog.FreeEditor())}) {
        EXPECT_EQ(editor->OfferedShapes().size(), 6);
        const int cd = editor->PurposeBox()->findData(QStringLiteral("CD"));
        ASSERT_GE(cd, 0);
        editor->PurposeBox()->setCurrentIndex(cd);
        EXPECT_EQ(editor->OfferedShapes(),
                  (QStringList{QStringLiteral("CDラベル"), QStringLiteral("丸ラベル")}));
        EXPECT_EQ(editor->ShapeBox()->currentText(), QStringLiteral("CDラベル"));
        EXPECT_TRUE(editor->Box("Hole")->isEnabled());
        editor->ShapeBox()->setCurrentIndex(1);
        EXPECT_FALSE(editor->Box("Hole")->isEnabled());
        // A purpose that allows the chosen shape keeps it.
        editor->PurposeBox()->setCurrentIndex(editor->PurposeBox()->findData(QString()));
        EXPECT_EQ(editor->ShapeBox()->currentText(), QStringLiteral("丸ラベル"));
    }
    EXPECT_EQ(dialog.MatrixEditor().Paper().FaceShape(), fsEllipse);
    EXPECT_EQ(FaceAt(dialog.FreeEditor().Site(), 0)->FaceInfo().FaceShape, fsEllipse);
}

TEST_F(FreeEditor, APurposeTheCatalogueLacksIsKept)
{
    auto sheet = Sheet(2100, 2970);
    TFaceInfo face;
    face.Rect = {0, 0, 500, 500};
    face.FacePurpose = QStringLiteral("OLDPURPOSE");
    SetFaceItemFromInfo(*sheet->Faces()->Add(), face);
    TfrmEditFreePaper editor(*sheet, *FPapers, true, FForms);
    EXPECT_EQ(editor.PurposeBox()->currentData().toString(), QStringLiteral("OLDPURPOSE"));
    editor.StoreFaces();
    EXPECT_EQ(editor.Paper().GetFacePurpose(0), QStringLiteral("OLDPURPOSE"));
}

TEST_F(FreeEditor, ChecksChooseTheOffendingLabel)
{
    auto sheet = Sheet(2100, 2970);
    AddItem(*sheet, {100, 100, 600, 600});
    AddItem(*sheet, {300, 300, 900, 900}, fsEllipse);
    AddItem(*sheet, {1000, 2000, 1500, 2500});
    TfrmEditFreePaper editor(*sheet, *FPapers, true, FForms);
    Hook(editor);
    editor.NameBox()->setText(QStringLiteral("重なり"));
    FAnswer = false;
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.last(), QStringLiteral("ラベルが重なっています。よろしいですか？"));
    EXPECT_EQ(editor.CurrentFace(), 1);
    FAnswer = true;
    EXPECT_TRUE(editor.Validate());
    // A label pushed off the sheet is refused and shown.
    editor.ChooseLabel(2);
    editor.Box("Top")->setValue(280);
    editor.ChooseLabel(0);
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.last(), QStringLiteral("ラベルが用紙からはみ出しています"));
    EXPECT_EQ(editor.CurrentFace(), 2);
    // An empty name, then a name the catalogue has (when adding).
    auto existing = Sheet(1000, 1000);
    existing->SetPaperName(QStringLiteral("既存"));
    AddItem(*existing, {0, 0, 100, 100});
    FPapers->StorePaper(*existing);
    editor.Box("Top")->setValue(10);
    editor.NameBox()->setText(QString());
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.last(), QStringLiteral("用紙名を入力してください"));
    editor.NameBox()->setText(QStringLiteral("既存"));
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.last(), QStringLiteral("この用紙名は、すでに登録されています"));
}

TEST_F(FreeEditor, TenThousandLabelsAreTheLimit)
{
    auto sheet = Sheet(10000, 10000);
    for (int i = 0; i < kMaxFaceCount; ++i)
        AddItem(*sheet, {(i % 100) * 100, (i / 100) * 100, (i % 100) * 100 + 90, (i / 100) * 100 + 90});
    TfrmEditFreePaper editor(*sheet, *FPapers, true, FForms);
    Hook(editor);
    ASSERT_EQ(editor.FaceCount(), kMaxFaceCount);
    EXPECT_FALSE(editor.AddLabel());
    EXPECT_EQ(editor.FaceCount(), kMaxFaceCount);
    EXPECT_EQ(FMessages.size(), 1);
}

TEST_F(FreeEditor, TheKindFollowsThePaperAndEachEditorKeepsItsCopy)
{
    auto sheet = Sheet(2100, 2970);
    AddItem(*sheet, {100, 100, 600, 600});
    TfrmPaperTypeSelect dialog(*sheet, *FPapers, true, FForms);
    EXPECT_TRUE(dialog.FreeKind());
    dialog.FreeEditor().NameBox()->setText(QStringLiteral("フリー"));
    dialog.SetFreeKind(false);
    EXPECT_TRUE(dialog.MatrixEditor().NameBox()->text().isEmpty());
    // The grid editor started from the free paper: the starting 2 x 3 layout.
    EXPECT_EQ(dialog.MatrixEditor().Paper().FaceCountX(), 2);
    EXPECT_EQ(dialog.MatrixEditor().Paper().FaceWidth(), 700);
    dialog.MatrixButton()->click();
    EXPECT_EQ(&dialog.Editor(), static_cast<TPaperEditor*>(&dialog.MatrixEditor()));
    dialog.FreeButton()->click();
    EXPECT_EQ(dialog.Paper().PaperName(), QStringLiteral("フリー"));
    EXPECT_NE(dynamic_cast<TFreePaperInfo*>(&dialog.Paper()), nullptr);
}

TEST_F(FreeEditor, ExtendedModeKeepsGroupReadOnlyAndMaker)
{
    SetExtendedPaperMode(true);
    auto sheet = Sheet(2100, 2970);
    sheet->SetReadOnly(true);
    sheet->SetGroupName(QStringLiteral("CDラベル"));
    TfrmPaperTypeSelect dialog(*sheet, *FPapers, true, FForms);
    dialog.SetMakers({QStringLiteral("甲社"), QStringLiteral("乙社")}, QStringLiteral("乙社"));
    TfrmEditFreePaper& free = dialog.FreeEditor();
    ASSERT_NE(free.MakerBox(), nullptr);
    ASSERT_NE(free.LockMouseBox(), nullptr);
    EXPECT_TRUE(free.Paper().ReadOnly());
    EXPECT_EQ(free.Paper().GroupName(), QStringLiteral("CDラベル"));
    EXPECT_EQ(dialog.Maker(), QStringLiteral("乙社"));
    free.GroupBox()->setEditText(QStringLiteral("写真シール"));
    free.ReadOnlyBox()->setChecked(false);
    EXPECT_EQ(free.Paper().GroupName(), QStringLiteral("写真シール"));
    EXPECT_FALSE(free.Paper().ReadOnly());
}

// ---- the paper selection storing the editors' result

namespace {

class SelectAndEdit : public FreeEditor
{
protected:
    void SetUp() override
    {
        FreeEditor::SetUp();
        auto p = std::make_unique<TMatrixPaperInfo>();
        p->SetPaperName(QStringLiteral("システム用紙"));
        p->SetGroupName(QStringLiteral("CDラベル"));
        p->SetPortraitWidth(2100);
        p->SetPortraitHeight(2970);
        p->SetFaceWidth(1000);
        p->SetFaceHeight(1000);
        p->SetFaceCountX(1);
        p->SetFaceCountY(2);
        p->SetReadOnly(true);
        FPapers->StorePaper(*p);
    }
};

} // namespace

TEST_F(SelectAndEdit, AFreePaperMadeInTheEditorIsStoredAsAUserPaper)
{
    TfrmPaperSelect dialog(*FPapers, false, {});
    dialog.SelectGroup(2);
    ASSERT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("システム用紙")});
    dialog.EditorHook = [](TfrmPaperTypeSelect& editor) {
        editor.SetFreeKind(true);
        editor.FreeEditor().NameBox()->setText(QStringLiteral("自作CD"));
        editor.FreeEditor().AddLabel();
        editor.FreeEditor().Box("Top")->setValue(10);
        editor.SetAsk([](const QString&, bool) { return true; });
        editor.accept();
        return editor.result() == QDialog::Accepted;
    };
    dialog.OpenEditor(true);
    const int at = FPapers->IndexOfName(QStringLiteral("自作CD"));
    ASSERT_GE(at, 0);
    auto* stored = dynamic_cast<TFreePaperInfo*>(FPapers->Paper(at));
    ASSERT_NE(stored, nullptr);
    EXPECT_FALSE(stored->ReadOnly());
    EXPECT_EQ(stored->GroupName(), QStringLiteral("ユーザー定義"));
    EXPECT_EQ(stored->GetFaceCount(), 2);
    EXPECT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("自作CD")});
    ASSERT_NE(dialog.SelectedPaper(), nullptr);
    EXPECT_EQ(dialog.SelectedPaper()->PaperName(), QStringLiteral("自作CD"));
    // The system paper is untouched.
    EXPECT_TRUE(FPapers->Paper(FPapers->IndexOfName(QStringLiteral("システム用紙")))->ReadOnly());
}

TEST_F(SelectAndEdit, ExtendedModeEditsSystemPapersAndTheirMaker)
{
    SetExtendedPaperMode(true);
    TfrmPaperSelect dialog(*FPapers, false, {});
    EXPECT_FALSE(dialog.ExtendedButton()->isHidden());
    dialog.SelectGroup(2);
    dialog.EditorHook = [](TfrmPaperTypeSelect& editor) {
        TPaperEditor& grid = editor.Editor();
        grid.NameBox()->setText(QStringLiteral("改名した用紙"));
        grid.MakerBox()->setEditText(QStringLiteral("新メーカー"));
        editor.accept();
        return editor.result() == QDialog::Accepted;
    };
    dialog.OpenEditor(false);
    EXPECT_LT(FPapers->IndexOfName(QStringLiteral("システム用紙")), 0);
    const int at = FPapers->IndexOfName(QStringLiteral("改名した用紙"));
    ASSERT_GE(at, 0);
    EXPECT_TRUE(FPapers->Paper(at)->ReadOnly());
    auto extra = FPapers->GetExInfo(QStringLiteral("改名した用紙"), false);
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->Company(), QStringLiteral("新メーカー"));
}

TEST_F(SelectAndEdit, TheDefaultPaperAndTheHistories)
{
    velmo::test::TFrameFixture fixture;
    TfrmPaperSelect dialog(*FPapers, false, {});
    EXPECT_TRUE(dialog.ExtendedButton()->isHidden());
    EXPECT_FALSE(dialog.SearchAndRemember(QStringLiteral("   ")));
    EXPECT_TRUE(TfrmPaperSelect::SearchHistory().isEmpty());
    EXPECT_TRUE(dialog.SearchAndRemember(QStringLiteral("システム")));
    EXPECT_TRUE(dialog.SearchAndRemember(QStringLiteral("ｼｽﾃﾑ")));
    EXPECT_EQ(TfrmPaperSelect::SearchHistory(),
              (QStringList{QStringLiteral("ｼｽﾃﾑ"), QStringLiteral("システム")}));
    EXPECT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("システム用紙")});
    dialog.SelectRow(0);
    dialog.DefaultBox()->setChecked(true);
    // Nineteen papers used before: the one chosen now is the twentieth kept.
    {
        THistoryManager earlier;
        earlier.SetRegistryKey(QStringLiteral("$(UsedPaperHistory)"));
        earlier.SetLimit(30);
        for (int i = 0; i < 25; ++i)
            earlier.Add(QStringLiteral("以前の用紙%1").arg(i));
    }
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultPaperName"), QString()),
              QStringLiteral("システム用紙"));
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("DefaultDesign"), true));
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("DefaultLandScape"), true));
    THistoryManager used;
    used.SetRegistryKey(QStringLiteral("$(UsedPaperHistory)"));
    used.SetLimit(100);
    const QStringList kept = used.Items();
    ASSERT_EQ(kept.size(), 20);
    EXPECT_EQ(kept.front(), QStringLiteral("システム用紙"));
    EXPECT_EQ(kept.back(), QStringLiteral("以前の用紙6"));
}

TEST_F(SelectAndEdit, BackgroundDesignsComeFromAWorkFileInTheExtendedMode)
{
    RegisterLabelDataClasses();
    RegisterShapeClasses();
    // A work file with a rectangle on label 1.
    const QString work = FDir.filePath(QStringLiteral("design.lbd"));
    {
        TLabelData data;
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->Assign(*FPapers->Paper(0));
        data.SetPaper(paper.get());
        auto* rect = new TLORect;
        rect->SetBaseRect({100, 100, 400, 300});
        TDOList list;
        list.Add(rect);
        data.WriteLabel(1, list);
        list.FreeObjects();
        data.Save(work);
    }
    const QString junk = FDir.filePath(QStringLiteral("junk.lbd"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    SetExtendedPaperMode(true);
    TfrmPaperSelect dialog(*FPapers, false, {});
    dialog.SelectGroup(2);
    QStringList messages;
    dialog.EditorHook = [&](TfrmPaperTypeSelect& editor) {
        TPaperEditor& grid = editor.Editor();
        grid.Ask = [&messages](const QString& text, bool) {
            messages << text;
            return true;
        };
        EXPECT_EQ(editor.Designs(), nullptr);
        EXPECT_FALSE(grid.AddDesigns(junk));
        EXPECT_EQ(messages.size(), 1);
        EXPECT_EQ(editor.Designs(), nullptr);
        EXPECT_TRUE(grid.AddDesigns(work));
        EXPECT_NE(editor.Designs(), nullptr);
        editor.accept();
        return editor.result() == QDialog::Accepted;
    };
    dialog.OpenEditor(false);
    auto record = FPapers->FindRecord(TVelmoPapers::PaperImagesBaseName(), QStringLiteral("システム用紙"));
    ASSERT_TRUE(record);
    auto* images = dynamic_cast<TImagePaperInfo*>(record.get());
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->LabelCount(), 2);
    ASSERT_EQ(images->FaceCount(), 2);
    EXPECT_EQ(images->Faces(0).Count(), 0);
    ASSERT_EQ(images->Faces(1).Count(), 1);
    EXPECT_FALSE(images->Faces(1)[0]->Selectable());
    // Editing again and removing them drops the record.
    dialog.EditorHook = [](TfrmPaperTypeSelect& editor) {
        EXPECT_NE(editor.Designs(), nullptr);
        editor.Editor().RemoveDesigns();
        editor.accept();
        return editor.result() == QDialog::Accepted;
    };
    dialog.OpenEditor(false);
    EXPECT_FALSE(FPapers->FindRecord(TVelmoPapers::PaperImagesBaseName(), QStringLiteral("システム用紙")));
}

namespace {

void Drag(QWidget* site, QPoint from, QPoint to)
{
    auto send = [site](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(site->mapToGlobal(at)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(site, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 5; ++step)
        send(QEvent::MouseMove, from + (to - from) * step / 5, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

} // namespace

TEST_F(FreeEditor, TheMouseMovesALabelUnlessLocked)
{
    SetExtendedPaperMode(true);
    auto sheet = Sheet(2100, 2970);
    AddItem(*sheet, {500, 500, 1500, 1500});
    TfrmEditFreePaper editor(*sheet, *FPapers, true, FForms);
    editor.resize(800, 700);
    editor.show();
    QApplication::processEvents();
    TDrawSite* site = editor.Site();
    const QPoint centre = site->ToDevice(QPoint(1000, 1000));
    const QPoint target = centre + QPoint(40, 60);
    ASSERT_NE(editor.LockMouseBox(), nullptr);
    editor.LockMouseBox()->setChecked(true);
    Drag(site, centre, target);
    EXPECT_EQ(FaceAt(site, 0)->FaceInfo().Rect, (TLogRect{500, 500, 1500, 1500}));
    editor.LockMouseBox()->setChecked(false);
    Drag(site, centre, target);
    const TLogRect moved = FaceAt(site, 0)->FaceInfo().Rect;
    EXPECT_GT(moved.Left, 500);
    EXPECT_GT(moved.Top, 500);
    EXPECT_EQ(moved.Width(), 1000);
    // The boxes show where the mouse put the label.
    EXPECT_EQ(editor.Box("Left")->value(), moved.Left / 10.0);
    EXPECT_EQ(editor.Box("Top")->value(), moved.Top / 10.0);
}
