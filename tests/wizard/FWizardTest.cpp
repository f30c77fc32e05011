// Both wizard dialogs driven through their buttons over the delivered wizard data and
// catalogue: genre memory, forced separate designs, shared inputs of a matching
// sheet, another label of the same document, missing data.
#include "wizard/FWizard.h"
#include "cli/UToolDump.h"
#include "document/ULabelData.h"
#include "draw/UDrawObject.h"
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include "support/TestSupport.h"

#include "base/UCodePage932.h"
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class WizardDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tool::RegisterToolLabelClasses();
        RegisterCatalogueClasses();
        const QString catalogue = test::BinaryDir() + "/data/velmo.ppr";
        ASSERT_TRUE(QFileInfo(catalogue).isFile()) << "the delivered catalogue is built first";
        FPapers = std::make_unique<TVelmoPapers>(catalogue, true);
    }
    QString Data(const QString& relative) const { return test::BinaryDir() + "/data/Data/" + relative; }

    static void ChooseGenre(TfrmWizard& dialog, int genre)
    {
        auto* button = dialog.findChild<QToolButton*>(QStringLiteral("genre%1").arg(genre));
        ASSERT_NE(button, nullptr);
        button->click();
    }
    static void ChoosePaper(TfrmWizard& dialog, const QString& name)
    {
        auto* papers = dialog.findChild<QTreeWidget*>(QStringLiteral("papers"));
        ASSERT_NE(papers, nullptr);
        const auto found = papers->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        papers->setCurrentItem(found.front());
    }
    static void ChooseSubGenre(TfrmWizard& dialog, int index)
    {
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("subGenre"));
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }

    std::unique_ptr<TVelmoPapers> FPapers;
};

} // namespace

TEST_F(WizardDialog, MissingDataIsReportedAndShowsNothing)
{
    bool notAvailable = false;
    const int result = RunWizard(TWizardMode::wmWizard, FPapers.get(), test::BinaryDir() + "/no/Wizard.dat",
                                 nullptr, {}, &notAvailable);
    EXPECT_TRUE(notAvailable);
    EXPECT_EQ(result, QDialog::Rejected);
    TfrmWizard empty(TWizardMode::wmMatching, FPapers.get(), QString());
    EXPECT_FALSE(empty.Available());
}

TEST_F(WizardDialog, ChangingTheGenreResetsTheSubGenreAndReturningKeepsIt)
{
    TfrmWizard dialog(TWizardMode::wmWizard, FPapers.get(), Data("Template/Wizard.dat"));
    ASSERT_TRUE(dialog.Available());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ウイザード 1/5 ジャンルの選択"));
    ChooseGenre(dialog, 1); // 名刺・カード
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsPaper);
    ChooseSubGenre(dialog, 2);
    EXPECT_EQ(dialog.Info().SubGenre(), 2);
    dialog.BackButton()->click();
    ChooseGenre(dialog, 1); // the same genre
    dialog.NextButton()->click();
    EXPECT_EQ(dialog.Info().SubGenre(), 2);
    dialog.BackButton()->click();
    ChooseGenre(dialog, 4); // another genre
    dialog.NextButton()->click();
    EXPECT_EQ(dialog.Info().Genre(), 4);
    EXPECT_EQ(dialog.Info().SubGenre(), 0);
}

TEST_F(WizardDialog, DesignWithoutPhotoGoesToInputAndAnotherLabelDesignsPositionOne)
{
    TfrmWizard dialog(TWizardMode::wmWizard, FPapers.get(), Data("Template/Wizard.dat"));
    ChooseGenre(dialog, 1);
    dialog.NextButton()->click();
    ChooseSubGenre(dialog, 0); // ビジネス名刺
    ChoosePaper(dialog, QStringLiteral("A4 10面 91×55mm"));
    dialog.findChild<QRadioButton*>(QStringLiteral("separate"))->setChecked(true);
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsDesign);
    EXPECT_TRUE(dialog.NextButton()->isEnabled());
    dialog.NextButton()->click();
    // Business cards hold no photo: straight to the input step, and back again.
    ASSERT_EQ(dialog.Step(), wsInput);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ウイザード 4/5 入力項目の指定"));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("input2"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("最初 の人"));
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsFinish);
    EXPECT_EQ(dialog.NextButton()->text(), QStringLiteral("別のラベル(&N)"));
    EXPECT_TRUE(dialog.NextButton()->isEnabled());
    EXPECT_TRUE(dialog.FinishButton()->isEnabled());
    dialog.NextButton()->click(); // another label of the same document
    ASSERT_EQ(dialog.Step(), wsDesign);
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsInput);
    EXPECT_EQ(dialog.Document().CurrentLabelNo(), 1);
    dialog.BackButton()->click();
    EXPECT_EQ(dialog.Step(), wsDesign);
    dialog.NextButton()->click();
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsFinish);
    EXPECT_TRUE(dialog.Document().LabelHasData(0));
    EXPECT_TRUE(dialog.Document().LabelHasData(1));
    TDOList first;
    dialog.Document().ReadLabel(0, first);
    bool found = false;
    for (TDrawObject* o : first.Objects())
        found = found || TextFieldText(o) == QStringLiteral("最初 の人");
    first.FreeObjects();
    EXPECT_TRUE(found);
    dialog.FinishButton()->click();
    ASSERT_FALSE(dialog.ResultFile().isEmpty());
    EXPECT_TRUE(QFileInfo(dialog.ResultFile()).fileName().startsWith(QStringLiteral("LWZ")));
    EXPECT_TRUE(QFileInfo::exists(dialog.ResultFile()));
}

TEST_F(WizardDialog, PhotoDesignTitlesTheFourthStepInTwoParts)
{
    TfrmWizard dialog(TWizardMode::wmWizard, FPapers.get(), Data("Template/Wizard.dat"));
    ChooseGenre(dialog, 5); // 写真
    dialog.NextButton()->click();
    ChoosePaper(dialog, QStringLiteral("A4 4面 89×127mm"));
    dialog.NextButton()->click();
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsPhoto);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ウイザード 4/5-1 写真の指定"));
    dialog.NextButton()->click();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ウイザード 4/5-2 入力項目の指定"));
    dialog.BackButton()->click();
    EXPECT_EQ(dialog.Step(), wsPhoto);
}

TEST_F(WizardDialog, FreePaperForcesSeparateDesigns)
{
    TfrmWizard dialog(TWizardMode::wmMatching, FPapers.get(), Data("Osoroi/Osoroi.dat"));
    ChooseGenre(dialog, 3); // パーティー
    dialog.NextButton()->click();
    ChooseSubGenre(dialog, 0); // CDセット: Case01 and Case02
    ChoosePaper(dialog, QStringLiteral("A4 2面 CD/DVDラベル その1"));
    EXPECT_FALSE(dialog.findChild<QRadioButton*>(QStringLiteral("shared"))->isEnabled());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("separate"))->isChecked());
    ChoosePaper(dialog, QStringLiteral("A4 2面 CD/DVDラベル その2"));
    EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("separate"))->isChecked());
}

TEST_F(WizardDialog, MatchingSheetAsksOncePerCaptionAndFillsEveryLabel)
{
    TfrmWizard dialog(TWizardMode::wmMatching, FPapers.get(), Data("Osoroi/Osoroi.dat"));
    ChooseGenre(dialog, 0); // ホーム・ファミリー
    dialog.NextButton()->click();
    ChooseSubGenre(dialog, 1); // 宛名ラベル
    ChoosePaper(dialog, QStringLiteral("A4 12面 86.4×42.3mm"));
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsDesign);
    ASSERT_TRUE(dialog.NextButton()->isEnabled());
    dialog.NextButton()->click();
    // No photo on these labels: straight to the texts.
    ASSERT_EQ(dialog.Step(), wsInput);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("おそろいラベル 5/6 入力項目の指定"));
    QPlainTextEdit* address = nullptr;
    for (auto* edit : dialog.findChildren<QPlainTextEdit*>())
        address = address ? address : edit;
    ASSERT_NE(address, nullptr);
    const int rows =
        int(dialog.findChildren<QLineEdit*>().size() + dialog.findChildren<QPlainTextEdit*>().size());
    // Three layouts over twelve labels, one row per caption: 郵便番号, 住所, 宛名 and
    // the framed layout's 会社名.
    EXPECT_EQ(rows, 4);
    address->setPlainText(QStringLiteral("一行目\n二行目"));
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsFinish);
    EXPECT_FALSE(dialog.NextButton()->isEnabled());
    int filled = 0;
    for (int k = 0; k < dialog.Document().LabelCount(); ++k) {
        TDOList design;
        dialog.Document().ReadLabel(k, design);
        for (TDrawObject* o : design.Objects())
            if (TextFieldCaption(o) == QStringLiteral("住所")) {
                EXPECT_EQ(TextFieldText(o), QStringLiteral("一行目\n二行目")) << "label " << k;
                ++filled;
            }
        design.FreeObjects();
    }
    EXPECT_EQ(filled, 12);
}

TEST_F(WizardDialog, CancelLeavesNoResult)
{
    QString result;
    {
        TfrmWizard dialog(TWizardMode::wmWizard, FPapers.get(), Data("Template/Wizard.dat"));
        dialog.NextButton()->click();
        dialog.NextButton()->click();
        dialog.CancelButton()->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.ResultFile().isEmpty());
    }
}

TEST_F(WizardDialog, DamagedDesignFilesAreLeftOutOfTheList)
{
    // A data folder of our own: one delivered design, one damaged file, one that is no
    // work file at all.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Template/Cards");
    test::WriteFileBytes(
        dir.filePath("Template/Wizard.dat"),
        cp932::Encode(QStringLiteral("[ジャンル]\r\n名刺=\r\n[名刺]\r\n名刺=名刺,cards\r\n")));
    const QByteArray good = test::ReadFileBytes(Data("Template/Wizard/Card/Business/band01.lbd"));
    ASSERT_FALSE(good.isEmpty());
    test::WriteFileBytes(dir.filePath("Template/Cards/a-good.lbd"), good);
    test::WriteFileBytes(dir.filePath("Template/Cards/b-cut.lbd"), good.left(good.size() / 3));
    test::WriteFileBytes(dir.filePath("Template/Cards/c-text.lbd"), "not a work file");
    TfrmWizard dialog(TWizardMode::wmWizard, FPapers.get(), dir.filePath("Template/Wizard.dat"));
    ASSERT_TRUE(dialog.Available());
    dialog.NextButton()->click();
    ChoosePaper(dialog, QStringLiteral("A4 10面 91×55mm"));
    dialog.NextButton()->click();
    ASSERT_EQ(dialog.Step(), wsDesign);
    auto* designs = dialog.findChild<QListWidget*>(QStringLiteral("designs"));
    ASSERT_NE(designs, nullptr);
    EXPECT_EQ(designs->count(), 1);
    // Genres the file does not name stay empty buttons, never a crash.
    EXPECT_FALSE(dialog.findChild<QToolButton*>(QStringLiteral("genre5"))->isEnabled());
}

TEST_F(WizardDialog, EveryMatchingItemOffersLandscapeDesigns)
{
    // Each of the ten items, turned to 横長: the design page lists sheets made for
    // the turned paper, and the chosen one becomes a landscape document.
    int items = 0;
    for (int genre = 0; genre < 5; ++genre) {
        for (int item = 0; item < 2; ++item) {
            TfrmWizard dialog(TWizardMode::wmMatching, FPapers.get(), Data("Osoroi/Osoroi.dat"));
            ChooseGenre(dialog, genre);
            dialog.NextButton()->click();
            ASSERT_EQ(dialog.Step(), wsPaper);
            ChooseSubGenre(dialog, item);
            auto* landscape = dialog.findChild<QRadioButton*>(QStringLiteral("landscape"));
            ASSERT_NE(landscape, nullptr);
            landscape->click();
            ASSERT_TRUE(dialog.NextButton()->isEnabled()) << genre << "/" << item;
            dialog.NextButton()->click();
            ASSERT_EQ(dialog.Step(), wsDesign);
            auto* designs = dialog.findChild<QListWidget*>(QStringLiteral("designs"));
            ASSERT_NE(designs, nullptr);
            EXPECT_GT(designs->count(), 0)
                << "genre " << genre << " item " << item << " offers no landscape design";
            if (genre == 0 && item == 0 && !qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
                dialog.resize(900, 640);
                dialog.show();
                for (int i = 0; i < 50; ++i)
                    QCoreApplication::processEvents();
                dialog.grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                                   QStringLiteral("/osoroi-landscape-design.png"));
            }
            if (designs->count() == 0)
                continue;
            designs->setCurrentRow(0);
            ASSERT_TRUE(dialog.NextButton()->isEnabled());
            dialog.NextButton()->click();
            ASSERT_NE(dialog.Document().Paper(), nullptr);
            EXPECT_TRUE(dialog.Document().Paper()->Landscape()) << genre << "/" << item;
            // Every label of the turned sheet has its design.
            for (int k = 0; k < dialog.Document().LabelCount(); ++k)
                EXPECT_TRUE(dialog.Document().LabelHasData(dialog.Document().SeparatelyDesign() ? k : 0))
                    << k;
            dialog.CancelButton()->click();
            ++items;
        }
    }
    EXPECT_EQ(items, 10);
}
