// The rules the wizard pages share: step order, titles, paper filters, makers,
// design mapping and picture fitting.
#include "wizard/UWizardUtil.h"
#include "paper/UPaperInfo.h"

#include <gtest/gtest.h>

using namespace velmo;

namespace {

std::unique_ptr<TMatrixPaperInfo> Paper(const QString& name, int w, int h, bool readOnly = true)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(name);
    paper->SetPortraitWidth(w);
    paper->SetPortraitHeight(h);
    paper->SetReadOnly(readOnly);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(5);
    return paper;
}

} // namespace

TEST(WizardSteps, WithoutPhotoDesignGoesStraightToInputAndBack)
{
    EXPECT_EQ(WizardNextStep(wsDesign, false), wsInput);
    EXPECT_EQ(WizardPrevStep(wsInput, false), wsDesign);
    EXPECT_EQ(WizardCaption(wsInput, false), QStringLiteral("ウイザード 4/5 入力項目の指定"));
    EXPECT_EQ(WizardCaption(wsFinish, false), QStringLiteral("ウイザード 5/5 作成データの確認"));
    EXPECT_EQ(WizardCaption(wsGenre, false), QStringLiteral("ウイザード 1/5 ジャンルの選択"));
}

TEST(WizardSteps, WithPhotoTheFourthStepHasTwoParts)
{
    EXPECT_EQ(WizardNextStep(wsDesign, true), wsPhoto);
    EXPECT_EQ(WizardNextStep(wsPhoto, true), wsInput);
    EXPECT_EQ(WizardPrevStep(wsInput, true), wsPhoto);
    EXPECT_EQ(WizardCaption(wsPhoto, true), QStringLiteral("ウイザード 4/5-1 写真の指定"));
    EXPECT_EQ(WizardCaption(wsInput, true), QStringLiteral("ウイザード 4/5-2 入力項目の指定"));
    EXPECT_EQ(WizardCaption(wsDesign, true), QStringLiteral("ウイザード 3/5 デザインの選択"));
    EXPECT_EQ(WizardCaption(wsFinish, true), QStringLiteral("ウイザード 5/5 作成データの確認"));
}

TEST(WizardSteps, AnotherLabelReturnsToTheDesignStep)
{
    EXPECT_EQ(WizardNextStep(wsFinish, true), wsDesign);
    EXPECT_EQ(OsoroiNextStep(wsFinish, true, true), wsDesign);
    EXPECT_EQ(WizardPrevStep(wsGenre, false), wsGenre);
}

TEST(OsoroiSteps, WithoutPhotoOrTextsDesignGoesToFinishAndBack)
{
    EXPECT_EQ(OsoroiNextStep(wsDesign, false, false), wsFinish);
    EXPECT_EQ(OsoroiPrevStep(wsFinish, false, false), wsDesign);
    EXPECT_EQ(OsoroiNextStep(wsDesign, true, false), wsPhoto);
    EXPECT_EQ(OsoroiNextStep(wsPhoto, true, false), wsFinish);
    EXPECT_EQ(OsoroiPrevStep(wsFinish, true, false), wsPhoto);
    EXPECT_EQ(OsoroiNextStep(wsDesign, false, true), wsInput);
    EXPECT_EQ(OsoroiPrevStep(wsInput, false, true), wsDesign);
    EXPECT_EQ(OsoroiPrevStep(wsFinish, false, true), wsInput);
    EXPECT_EQ(OsoroiCaption(wsPhoto), QStringLiteral("おそろいラベル 4/6 写真の指定"));
    EXPECT_EQ(OsoroiCaption(wsFinish), QStringLiteral("おそろいラベル 6/6 作成データの確認"));
}

TEST(PaperFilters, A4AndPostcardBounds)
{
    EXPECT_TRUE(PassesSizeFilter(*Paper("a", 2100, 2970), TSizeFilter::sfA4));
    EXPECT_FALSE(PassesSizeFilter(*Paper("a", 2100, 2969), TSizeFilter::sfA4));
    EXPECT_TRUE(PassesSizeFilter(*Paper("a", 2100, 2969), TSizeFilter::sfOther));
    EXPECT_TRUE(PassesSizeFilter(*Paper("p", 1000, 1480), TSizeFilter::sfPostcard));
    EXPECT_FALSE(PassesSizeFilter(*Paper("p", 1000, 1481), TSizeFilter::sfPostcard));
    EXPECT_FALSE(PassesSizeFilter(*Paper("p", 1000, 1469), TSizeFilter::sfPostcard));
    EXPECT_TRUE(PassesSizeFilter(*Paper("p", 1000, 1470), TSizeFilter::sfPostcard));
    EXPECT_FALSE(PassesSizeFilter(*Paper("p", 1000, 1470), TSizeFilter::sfOther));
    // Landscape does not change which size a paper is.
    auto turned = Paper("t", 2100, 2970);
    turned->SetLandscape(true);
    EXPECT_TRUE(PassesSizeFilter(*turned, TSizeFilter::sfA4));
}

TEST(PaperFilters, MakersAndTheirOrder)
{
    auto user = Paper("自作 10面", 2100, 2970, false);
    auto a = Paper("A4 10面 91×55mm", 2100, 2970);
    auto b = Paper("L判 1面", 890, 1270);
    auto std1 = Paper("定型はがき", 1000, 1480);
    auto none = Paper("無名", 1000, 1480);
    auto a2 = Paper("A4 2面", 2100, 2970);
    EXPECT_EQ(MakerOfPaper(*user), kUserMaker);
    EXPECT_EQ(MakerOfPaper(*a), QStringLiteral("A4"));
    EXPECT_EQ(MakerOfPaper(*std1), kStandardMaker);
    EXPECT_EQ(MakerOfPaper(*none), QString());
    const QStringList makers = MakerList({user.get(), std1.get(), a.get(), b.get(), none.get(), a2.get()});
    EXPECT_EQ(makers, (QStringList{kAllMakers, "A4", "L判", "", kStandardMaker, kUserMaker}));
    EXPECT_EQ(PaperCountText(*a), QStringLiteral("2x5"));
}

TEST(DesignMapping, CornersScaleAboutTheSourceCorner)
{
    EXPECT_EQ(FitInside({0, 0, 1000, 500}, 400, 400), (TLogRect{250, 0, 750, 500}));
    EXPECT_EQ(FitInside({100, 100, 300, 500}, 200, 100), (TLogRect{100, 250, 300, 350}));
    EXPECT_EQ(FitInside({0, 0, 100, 100}, 0, 10), (TLogRect{0, 0, 100, 100}));
}
