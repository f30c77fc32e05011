// The extended paper functions through their dialogs: update information with a bad
// date, the bulk dialogs, renumbering with a bad start number, the purpose editor
// and its check, the paper order with a typing slip, the list file and the menu.
#include "base/UDateTime.h"
#include "objects/FImageDialogs.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FPaperMaintenance.h"
#include "paperui/FPaperSelect.h"
#include "support/TestSupport.h"
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class MaintenanceDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        FPapers = std::make_unique<TVelmoPapers>(FDir.filePath(QStringLiteral("p.ppr")), false);
        Add(QStringLiteral("A4 甲"), QStringLiteral("宛名・表示ラベル"), true);
        Add(QStringLiteral("A4 乙"), QStringLiteral("宛名・表示ラベル"), true);
        Add(QStringLiteral("CD 丙"), QStringLiteral("CDラベル"), true);
        Add(QStringLiteral("自作"), QStringLiteral("ユーザー定義"), false);
        FAsk = [this](QWidget*, const QString& text, bool question) {
            FMessages << text;
            return question ? FAnswer : true;
        };
    }
    void Add(const QString& name, const QString& group, bool system)
    {
        auto p = std::make_unique<TMatrixPaperInfo>();
        p->SetPaperName(name);
        p->SetGroupName(group);
        p->SetPortraitWidth(2100);
        p->SetPortraitHeight(2970);
        p->SetFaceWidth(1000);
        p->SetFaceHeight(1000);
        p->SetFaceCountX(2);
        p->SetFaceCountY(2);
        p->SetReadOnly(system);
        FPapers->StorePaper(*p);
    }
    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < FPapers->Count(); ++i)
            names << FPapers->Paper(i)->PaperName();
        return names;
    }
    QTemporaryDir FDir;
    std::unique_ptr<TVelmoPapers> FPapers;
    TMaintenanceAsk FAsk;
    QStringList FMessages;
    bool FAnswer = false;
};

} // namespace

TEST_F(MaintenanceDialogs, UpdateInformationRefusesABadDate)
{
    TfrmPaperUpdateInfo dialog(*FPapers);
    dialog.Ask = FAsk;
    // Never updated: an empty box, and OK with it keeps it so.
    EXPECT_TRUE(dialog.TimeBox()->text().isEmpty());
    dialog.NumberBox()->setText(QStringLiteral("42"));
    dialog.TimeBox()->setText(QStringLiteral("2026/13/40"));
    dialog.accept();
    EXPECT_EQ(FMessages.last(), QStringLiteral("日付・時間の指定が正しくありません"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(FPapers->UpdateInfo().PPRNo(), 0);
    dialog.NumberBox()->setText(QStringLiteral("x"));
    dialog.TimeBox()->setText(QStringLiteral("2026/12/09 10:00"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.NumberBox()->setText(QStringLiteral("42"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(FPapers->UpdateInfo().PPRNo(), 42);
    EXPECT_EQ(DayCountToDateTime(FPapers->UpdateInfo().LastUpdate()),
              QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
}

TEST_F(MaintenanceDialogs, BulkDeleteListsAGroupOrEverything)
{
    TfrmBulkPapers dialog(*FPapers, TfrmBulkPapers::TKind::Delete);
    dialog.Ask = FAsk;
    int changes = 0;
    dialog.OnChanged = [&changes] { ++changes; };
    EXPECT_EQ(dialog.GroupBox()->currentText(), QStringLiteral("宛名・表示ラベル"));
    EXPECT_EQ(dialog.List()->count(), 2);
    EXPECT_EQ(dialog.CountLabel()->text(), QStringLiteral("2件"));
    EXPECT_FALSE(dialog.ActionButton()->isEnabled());
    dialog.GroupBox()->setCurrentIndex(dialog.GroupBox()->count() - 1);
    EXPECT_EQ(dialog.List()->count(), 4);
    dialog.List()->item(1)->setSelected(true);
    dialog.List()->item(3)->setSelected(true);
    EXPECT_TRUE(dialog.ActionButton()->isEnabled());
    dialog.ActionButton()->click();
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("A4 甲"), QStringLiteral("CD 丙")}));
    EXPECT_EQ(dialog.List()->count(), 2);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(FMessages.isEmpty());
}

TEST_F(MaintenanceDialogs, BulkRenameAndRegroup)
{
    {
        TfrmBulkPapers dialog(*FPapers, TfrmBulkPapers::TKind::Rename);
        dialog.Ask = FAsk;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("用紙名の一括変換"));
        dialog.ReplaceButton()->setChecked(true);
        dialog.FirstBox()->setText(QStringLiteral("A4"));
        dialog.SecondBox()->setText(QStringLiteral("Ａ４"));
        dialog.List()->selectAll();
        EXPECT_EQ(dialog.Execute(), 2);
        // The renamed papers are stored anew: they come last, in their group.
        ASSERT_EQ(dialog.List()->count(), 2);
        EXPECT_EQ(Names().mid(2), (QStringList{QStringLiteral("Ａ４ 乙"), QStringLiteral("Ａ４ 甲")}));
        // Renaming onto a name in use is left out and told.
        dialog.FirstBox()->setText(QStringLiteral("乙"));
        dialog.SecondBox()->setText(QStringLiteral("甲"));
        dialog.List()->selectAll();
        EXPECT_EQ(dialog.Execute(), 0);
        ASSERT_FALSE(FMessages.isEmpty());
        EXPECT_TRUE(FMessages.last().contains(QStringLiteral("Ａ４ 乙")));
        EXPECT_GE(FPapers->IndexOfName(QStringLiteral("Ａ４ 乙")), 0);
    }
    {
        TfrmBulkPapers dialog(*FPapers, TfrmBulkPapers::TKind::Regroup);
        dialog.GroupBox()->setCurrentIndex(dialog.GroupBox()->findText(QStringLiteral("CDラベル")));
        ASSERT_EQ(dialog.List()->count(), 1);
        dialog.List()->item(0)->setSelected(true);
        dialog.NewGroupBox()->setText(QStringLiteral("写真シール"));
        EXPECT_EQ(dialog.Execute(), 1);
        EXPECT_EQ(FPapers->Paper(FPapers->IndexOfName(QStringLiteral("CD 丙")))->GroupName(),
                  QStringLiteral("写真シール"));
        // The emptied group is gone from the box; everything is listed.
        EXPECT_LT(dialog.GroupBox()->findText(QStringLiteral("CDラベル")), 0);
        EXPECT_EQ(dialog.List()->count(), 4);
    }
}

TEST_F(MaintenanceDialogs, RenumberingChecksTheStartNumber)
{
    TfrmRenumberPapers dialog(*FPapers);
    dialog.Ask = FAsk;
    EXPECT_EQ(dialog.KeyList()->count(), 4);
    dialog.StartBox()->setText(QStringLiteral("abc"));
    dialog.accept();
    EXPECT_EQ(FMessages.last(), QStringLiteral("先頭番号を正しく入力してください"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.StartBox()->setText(QStringLiteral("$100"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(FPapers->Keys(), (QStringList{QStringLiteral("$00000100"), QStringLiteral("$00000101"),
                                            QStringLiteral("$00000102"), QStringLiteral("$00000103")}));
    EXPECT_EQ(TfrmRenumberPapers::LastStart(), QStringLiteral("$100"));
    TfrmRenumberPapers again(*FPapers);
    EXPECT_EQ(again.StartBox()->text(), QStringLiteral("$100"));
    again.Defragment();
    EXPECT_EQ(FPapers->Count(), 4);
    EXPECT_EQ(FPapers->Paper(2)->PaperName(), QStringLiteral("CD 丙"));
}

TEST_F(MaintenanceDialogs, PurposeEditorAddsChecksAndStores)
{
    TPurposeList start;
    for (const char* id : {"CD", "MEISHI"})
        start.Add()->SetID(QString::fromLatin1(id));
    FPapers->SetPurposeList(start);
    auto cd = std::make_unique<TMatrixPaperInfo>();
    cd->Assign(*FPapers->Paper(2));
    cd->SetFacePurpose(QStringLiteral("CD"));
    FPapers->StorePaper(*cd);

    TfrmPurposeEditor editor(*FPapers);
    editor.Ask = FAsk;
    editor.AddPurpose();
    editor.AddPurpose();
    ASSERT_EQ(editor.List().Count(), 4);
    EXPECT_EQ(editor.List().Items(2)->ID(), QStringLiteral("NewID1"));
    EXPECT_EQ(editor.List().Items(3)->DisplayName(), QStringLiteral("新規用途2"));
    EXPECT_EQ(editor.Names()->currentRow(), 3);
    // Ticking two shapes stores their mask; all six ticked is the empty mask.
    for (int s = 0; s < 6; ++s)
        editor.Shapes()->item(s)->setCheckState(s == 1 || s == 2 ? Qt::Checked : Qt::Unchecked);
    EXPECT_EQ(editor.List().Items(3)->ShapeMask(), FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse));
    for (int s = 0; s < 6; ++s)
        editor.Shapes()->item(s)->setCheckState(Qt::Checked);
    EXPECT_EQ(editor.List().Items(3)->ShapeMask(), 0u);
    editor.MoveSelected(-1);
    EXPECT_EQ(editor.List().Items(2)->ID(), QStringLiteral("NewID2"));
    EXPECT_EQ(editor.Names()->currentRow(), 2);
    // The check finds the unused purposes and removes them.
    editor.CheckHook = [](TfrmPurposeCheck& check) {
        check.Check();
        EXPECT_TRUE(check.RemoveButton()->isEnabled());
        EXPECT_TRUE(check.Report()->toPlainText().contains(QStringLiteral("未使用:[MEISHI]")));
        check.RemoveUnused();
        EXPECT_FALSE(check.RemoveButton()->isEnabled());
        check.accept();
    };
    editor.OpenCheck();
    ASSERT_EQ(editor.List().Count(), 1);
    EXPECT_EQ(editor.List().Items(0)->ID(), QStringLiteral("CD"));
    editor.accept();
    ASSERT_EQ(FPapers->PurposeList()->Count(), 1);
    EXPECT_EQ(FPapers->PurposeList()->Items(0)->ID(), QStringLiteral("CD"));
}

TEST_F(MaintenanceDialogs, PaperOrderRefusesASlipAndAppliesTheOrder)
{
    TfrmPaperOrder dialog(*FPapers);
    dialog.Ask = FAsk;
    EXPECT_EQ(dialog.Text()->toPlainText(), Names().join(QLatin1Char('\n')));
    dialog.Text()->setPlainText(QStringLiteral("自作\nCD 丙\nA4 乙\nA4 甲x"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(FMessages.last().contains(QStringLiteral("A4 甲x")));
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("A4 甲"), QStringLiteral("A4 乙"), QStringLiteral("CD 丙"),
                                    QStringLiteral("自作")}));
    dialog.Text()->setPlainText(QStringLiteral("自作\nCD 丙\nA4 乙\nA4 甲\n"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("自作"), QStringLiteral("CD 丙"), QStringLiteral("A4 乙"),
                                    QStringLiteral("A4 甲")}));
}

TEST_F(MaintenanceDialogs, SystemPapersGroupViewAndTheMenu)
{
    FAnswer = false;
    EXPECT_EQ(ExecuteMakeSystemPapers(nullptr, *FPapers, FAsk), 0);
    EXPECT_FALSE(FPapers->Paper(3)->ReadOnly());
    FAnswer = true;
    EXPECT_EQ(ExecuteMakeSystemPapers(nullptr, *FPapers, FAsk), 1);
    EXPECT_TRUE(FPapers->Paper(3)->ReadOnly());
    EXPECT_EQ(FMessages.last(), QStringLiteral("すべての用紙をシステム用紙にします"));

    TfrmGroupView view(*FPapers);
    EXPECT_TRUE(view.Text()->toPlainText().contains(QStringLiteral("CDラベル")));
    EXPECT_FALSE(view.ShowPicture(FDir.filePath(QStringLiteral("missing.png"))));

    SetExtendedPaperMode(true);
    TfrmPaperSelect select(*FPapers, false, {});
    SetExtendedPaperMode(false);
    QStringList entries;
    for (QAction* a : select.ExtendedMenu()->actions())
        if (!a->isSeparator())
            entries << a->text();
    EXPECT_EQ(entries.size(), 11);
    EXPECT_TRUE(entries.contains(QStringLiteral("リナンバー(&B)...")));
    // Each entry opens its dialog; the hook closes it at once.
    QStringList opened;
    select.DialogHook = [&opened](QDialog& dialog) {
        opened << dialog.windowTitle();
        return int(QDialog::Rejected);
    };
    for (QAction* a : select.ExtendedMenu()->actions())
        if (a->text() == QStringLiteral("用紙順の変更(&O)...") ||
            a->text() == QStringLiteral("用途IDの編集(&P)..."))
            a->trigger();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("用途IDの編集"), QStringLiteral("文字列の編集")}));
    // In the extended mode the last group lists every paper without a search.
    select.SelectGroup(9);
    EXPECT_EQ(select.ListedNames().size(), 4);
    const QString file = FDir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(select.SaveList(file));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts),
              select.ListedNames());
}

TEST(ExtendedPaperMode, ToggleSwitchesTheProcessWideFlag)
{
    SetExtendedPaperMode(false);
    EXPECT_TRUE(ToggleExtendedPaperMode());
    EXPECT_TRUE(ExtendedPaperMode());
    EXPECT_FALSE(ToggleExtendedPaperMode());
    EXPECT_FALSE(ExtendedPaperMode());
    EXPECT_FALSE(PaperExtendedModeOn());
    // The picture dialog's switch alone also turns it on for the paper dialogs.
    TfrmImageProperty::SetExtendedPaperMode(true);
    EXPECT_TRUE(PaperExtendedModeOn());
    TfrmImageProperty::SetExtendedPaperMode(false);
}
