// The paper selection: normalised search with synonyms, which papers each group, size
// and maker lists, sorting, the design choice, deleting user papers and importing.
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FPaperSelect.h"
#include "paperui/UPaperSelect.h"
#include "support/TestSupport.h"
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

std::unique_ptr<TMatrixPaperInfo> Paper(const QString& name, const QString& group, bool system, int w = 2100,
                                        int h = 2970, int nx = 2, int ny = 6)
{
    auto p = std::make_unique<TMatrixPaperInfo>();
    p->SetPaperName(name);
    p->SetGroupName(group);
    p->SetPortraitWidth(w);
    p->SetPortraitHeight(h);
    p->SetFaceWidth(w / nx);
    p->SetFaceHeight(h / ny);
    p->SetFaceCountX(nx);
    p->SetFaceCountY(ny);
    p->SetReadOnly(system);
    p->PurposeList()->SetDefault();
    return p;
}

// Answers the next message box with the given button.
void AnswerNextMessage(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                box->button(button)->click();
                return;
            }
        AnswerNextMessage(button);
    });
}

} // namespace

TEST(PaperSearch, HalfWidthHiraganaAndCaseFindTheSameName)
{
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("エーワン 28177 12面"), QStringLiteral("ｴｰﾜﾝ")));
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("エーワン 28177 12面"), QStringLiteral("えーわん")));
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("ヒサゴ OP861"), QStringLiteral("op861")));
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("ヒサゴ ＯＰ８６１"), QStringLiteral("OP861")));
    EXPECT_FALSE(PaperNameMatches(QStringLiteral("ヒサゴ OP861"), QStringLiteral("OP862")));
    EXPECT_FALSE(PaperNameMatches(QStringLiteral("ヒサゴ OP861"), QString()));
    EXPECT_EQ(NormalisePaperSearch(QStringLiteral("ｴｰﾜﾝ a-one")), QStringLiteral("エーワン Ａ－ＯＮＥ"));
}

TEST(PaperSearch, SynonymsFindTheOtherSpelling)
{
    // "sanwa" becomes ＳＡＮＷＡ, whose alternative is サンワ.
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("サンワサプライ LB-EL101"), QStringLiteral("sanwa")));
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("ヒサゴ OP861"), QStringLiteral("HISAGO")));
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("Avery 5160"), QStringLiteral("えいぶりい")));
    // The alternative written in small letters still finds a name.
    EXPECT_TRUE(PaperNameMatches(QStringLiteral("東洋印刷 nana LDW12P"), QStringLiteral("なな")));
    EXPECT_FALSE(PaperNameMatches(QStringLiteral("コクヨ KPC"), QStringLiteral("sanwa")));
    EXPECT_EQ(PaperSearchSynonyms().size(), 24);
}

TEST(PaperSearch, AThousandCharacterSearchIsJustNoMatch)
{
    const QString search(1000, QChar(u'あ'));
    EXPECT_FALSE(PaperNameMatches(QStringLiteral("ヒサゴ OP861"), search));
    EXPECT_TRUE(PaperNameMatches(QString(1200, QChar(u'ア')), search));
}

TEST(PaperFilter, GroupsSizesAndMakers)
{
    const auto a4 = Paper(QStringLiteral("A4 12面"), QStringLiteral("宛名・表示ラベル"), true);
    const auto card =
        Paper(QStringLiteral("ハガキ 4面"), QStringLiteral("定型・その他"), true, 1000, 1480, 2, 2);
    const auto odd = Paper(QStringLiteral("L判"), QStringLiteral("どこにもない"), true, 890, 1270, 1, 1);
    const auto mine = Paper(QStringLiteral("わたしの"), QStringLiteral("宛名・表示ラベル"), false);
    TPaperFilter f;
    f.Group = 0;
    EXPECT_TRUE(PaperListed(*a4, nullptr, f));
    EXPECT_FALSE(PaperListed(*card, nullptr, f));
    // The user's own papers only under the last group.
    EXPECT_FALSE(PaperListed(*mine, nullptr, f));
    f.Group = kUserGroup;
    EXPECT_TRUE(PaperListed(*mine, nullptr, f));
    EXPECT_FALSE(PaperListed(*a4, nullptr, f));
    // A group outside the ten shows under 写真シール.
    f.Group = kPhotoGroup;
    EXPECT_TRUE(PaperListed(*odd, nullptr, f));
    f.Group = 7;
    f.Size = 2;
    EXPECT_TRUE(PaperListed(*card, nullptr, f));
    f.Size = 1;
    EXPECT_FALSE(PaperListed(*card, nullptr, f));
    f.Size = 3;
    EXPECT_FALSE(PaperListed(*card, nullptr, f));
    f.Group = kPhotoGroup;
    EXPECT_TRUE(PaperListed(*odd, nullptr, f));
    // Landscape turns the sheet: no longer an upright postcard.
    card->SetLandscape(true);
    f.Group = 7;
    f.Size = 2;
    EXPECT_FALSE(PaperListed(*card, nullptr, f));
    // Makers: a system paper needs its record with that company; user papers pass.
    f = TPaperFilter();
    f.Group = 0;
    f.Maker = QStringLiteral("ヒサゴ");
    EXPECT_FALSE(PaperListed(*a4, nullptr, f));
    TExPaperInfo info;
    info.SetCompany(QStringLiteral("ヒサゴ"));
    EXPECT_TRUE(PaperListed(*a4, &info, f));
    info.SetCompany(QStringLiteral("汎用"));
    EXPECT_FALSE(PaperListed(*a4, &info, f));
    f.Group = kUserGroup;
    EXPECT_TRUE(PaperListed(*mine, nullptr, f));
    // No group and no search: nothing, except the extended mode's user group.
    f = TPaperFilter();
    EXPECT_FALSE(PaperListed(*a4, nullptr, f));
    f.Search = QStringLiteral("12面");
    EXPECT_TRUE(PaperListed(*a4, nullptr, f));
    EXPECT_EQ(FaceCountText(*a4), QStringLiteral("2x6"));
}

class PaperSelectDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        FFile = FDir.filePath(QStringLiteral("papers.ppr"));
        FPapers = std::make_unique<TVelmoPapers>(FFile, false);
        FPapers->StorePaper(*Paper(QStringLiteral("B 12面"), QStringLiteral("宛名・表示ラベル"), true));
        FPapers->StorePaper(
            *Paper(QStringLiteral("A 24面"), QStringLiteral("宛名・表示ラベル"), true, 2100, 2970, 3, 8));
        FPapers->StorePaper(
            *Paper(QStringLiteral("C 1面"), QStringLiteral("宛名・表示ラベル"), true, 2100, 2970, 1, 1));
        FPapers->StorePaper(
            *Paper(QStringLiteral("自作 10面"), QStringLiteral("宛名・表示ラベル"), false, 2100, 2970, 2, 5));
    }
    QTemporaryDir FDir;
    QString FFile;
    std::unique_ptr<TVelmoPapers> FPapers;
};

TEST_F(PaperSelectDialog, ListsSortsAndSearches)
{
    TfrmPaperSelect dialog(*FPapers, false, nullptr);
    EXPECT_EQ(dialog.ListedNames(),
              (QStringList{QStringLiteral("B 12面"), QStringLiteral("A 24面"), QStringLiteral("C 1面")}));
    dialog.SortByColumn(0);
    EXPECT_EQ(dialog.ListedNames(),
              (QStringList{QStringLiteral("A 24面"), QStringLiteral("B 12面"), QStringLiteral("C 1面")}));
    dialog.SortByColumn(0);
    EXPECT_EQ(dialog.ListedNames(),
              (QStringList{QStringLiteral("C 1面"), QStringLiteral("B 12面"), QStringLiteral("A 24面")}));
    dialog.SortByColumn(0); // the column was forgotten: ascending again
    EXPECT_EQ(dialog.ListedNames().first(), QStringLiteral("A 24面"));
    dialog.SortByColumn(1); // "1x1" < "2x6" < "3x8" as text
    EXPECT_EQ(dialog.ListedNames().first(), QStringLiteral("C 1面"));
    dialog.SelectGroup(kUserGroup);
    EXPECT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("自作 10面")});
    dialog.Search(QStringLiteral("２４"));
    EXPECT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("A 24面")});
    dialog.SelectGroup(0);
    dialog.SelectSize(2);
    EXPECT_TRUE(dialog.ListedNames().isEmpty());
    EXPECT_EQ(dialog.SelectedPaper(), nullptr);
}

TEST_F(PaperSelectDialog, DesignChoiceFollowsTheLabelCount)
{
    TfrmPaperSelect dialog(*FPapers, true, nullptr);
    dialog.SelectRow(0); // B 12面: grid with several labels, the choice stays
    EXPECT_TRUE(dialog.SeparatelyDesign());
    dialog.SelectRow(2); // C 1面: one label, one design
    EXPECT_FALSE(dialog.SeparatelyDesign());
}

TEST_F(PaperSelectDialog, ShowPaperAddsAMissingPaperAndNoKeepsTheDialogOpen)
{
    int asked = 0;
    bool answer = false;
    TfrmPaperSelect dialog(*FPapers, false, [&](const TPaperInfo&) {
        ++asked;
        return answer;
    });
    const auto foreign = Paper(QStringLiteral("よそ 2面"), QStringLiteral("名刺"), true, 2100, 2970, 1, 2);
    dialog.ShowPaper(*foreign);
    ASSERT_NE(dialog.SelectedPaper(), nullptr);
    EXPECT_EQ(dialog.SelectedPaper()->PaperName(), QStringLiteral("よそ 2面"));
    EXPECT_GE(FPapers->IndexOfName(QStringLiteral("よそ 2面")), 0);
    dialog.accept();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog.result(), 0);
    answer = true;
    dialog.accept();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
}

// The preview follows its holder's size; choosing a paper and closing destroys the
// preview while the holder's filter still listens (the sanitizer build aborted when
// the filter asked the half-destroyed preview for its parent).
TEST_F(PaperSelectDialog, PreviewFollowsItsHolderAndTheDialogClosesCleanly)
{
    auto dialog = std::make_unique<TfrmPaperSelect>(*FPapers, false, nullptr);
    dialog->show();
    dialog->SelectRow(1); // A 24面: a portrait sheet
    QWidget* holder = dialog->PreviewSite()->parentWidget();
    ASSERT_NE(holder, nullptr);
    // Fixed heights: the dialog's layout gives the holder exactly these.
    holder->setFixedHeight(600);
    QCoreApplication::processEvents();
    const QRect tall = dialog->PreviewSite()->geometry();
    EXPECT_TRUE(holder->rect().contains(tall));
    holder->setFixedHeight(240); // now the height limits the sheet
    QCoreApplication::processEvents();
    const QRect low = dialog->PreviewSite()->geometry();
    EXPECT_TRUE(holder->rect().contains(low));
    EXPECT_LT(low.height(), tall.height()) << "the preview shrinks with its holder";
    dialog->accept();
    EXPECT_EQ(dialog->result(), int(QDialog::Accepted));
    ASSERT_NE(dialog->SelectedPaper(), nullptr);
    dialog.reset();
}

TEST_F(PaperSelectDialog, DeletesOnlyAfterYes)
{
    TfrmPaperSelect dialog(*FPapers, false, nullptr);
    dialog.SelectGroup(0);
    EXPECT_FALSE(dialog.DeleteSelected()); // a system paper
    dialog.SelectGroup(kUserGroup);
    AnswerNextMessage(QMessageBox::No);
    EXPECT_FALSE(dialog.DeleteSelected());
    EXPECT_GE(FPapers->IndexOfName(QStringLiteral("自作 10面")), 0);
    AnswerNextMessage(QMessageBox::Yes);
    EXPECT_TRUE(dialog.DeleteSelected());
    EXPECT_LT(FPapers->IndexOfName(QStringLiteral("自作 10面")), 0);
    EXPECT_TRUE(dialog.ListedNames().isEmpty());
}

TEST_F(PaperSelectDialog, ImportsTemplatesAsUserPapers)
{
    const QString xml = FDir.filePath(QStringLiteral("t.xml"));
    QFile file(xml);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0"?><Glabels-templates>
  <Template brand="Hisago" part="ELM007" size="A4"><Meta category="label"/>
    <Label-rectangle id="0" width="83.8mm" height="42.3mm" round="1.5mm">
      <Layout nx="2" ny="6" x0="20.3mm" y0="20.3mm" dx="87.6mm" dy="42.3mm"/></Label-rectangle></Template>
  <Template brand="X" part="ROLL" size="Other" width="62mm" height="100mm"><Label-continuous id="0" width="62mm"/></Template>
</Glabels-templates>)");
    file.close();
    TfrmPaperSelect dialog(*FPapers, false, nullptr);
    const QString report = dialog.ImportTemplates({xml});
    EXPECT_TRUE(report.startsWith(QStringLiteral("1件の用紙を取り込みました。"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("X ROLL"))) << report.toStdString();
    EXPECT_TRUE(dialog.ListedNames().contains(QStringLiteral("ヒサゴ ELM007 12面 83.8×42.3mm")));
}
