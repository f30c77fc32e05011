// The sheet window of velmo --sheet: opening a work file into the sheet view, and the
// paper choice with its question (a No keeps the choice open).
#include "app/host/FSheetMain.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "objects/FShapeDialogs.h"
#include "objects/UDOGroup.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include "sheet/FSheet.h"
#include "sheet/USheetLabels.h"
#include "support/TestSupport.h"
#include <QCoreApplication>
#include <QTabBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

std::unique_ptr<TMatrixPaperInfo> Grid(int nx, int ny)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("テスト"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(nx);
    paper->SetFaceCountY(ny);
    paper->SetFaceWidth(900 / nx * 2);
    paper->SetFaceHeight(2700 / ny);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    return paper;
}

TEST(SheetMain, OpensAWorkFileIntoTheSheetView)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.lbd"));
    {
        TLabelData data;
        data.SetPaper(Grid(2, 6).get());
        data.AddSheet();
        data.Save(file);
    }
    TfrmSheetMain window{QString()};
    ASSERT_TRUE(window.OpenDocument(file));
    ASSERT_NE(window.SheetView(), nullptr);
    EXPECT_EQ(window.SheetView()->Tabs()->count(), 2);
    EXPECT_TRUE(window.Document()->SheetMode());
    EXPECT_TRUE(window.Save());
    auto reread = TLabelData::Open(file);
    EXPECT_TRUE(reread->SheetMode());
}

// The label editor writes its design back when it closes, and its destruction
// tears down the layout aids, which reach into the site and the scroll area made
// before them (the sanitizer build caught the aids touching a freed site).
TEST(SheetMain, LabelEditorWritesBackAndClosesCleanly)
{
    RegisterShapeClasses();
    TLabelData document;
    document.SetPaper(Grid(2, 6).get());
    {
        TDOList own;
        auto* rect = new TLORect;
        rect->SetBaseRect({10, 10, 200, 100});
        own.Add(rect);
        document.WriteLabel(3, own);
        own.FreeObjects();
    }
    auto edit = std::make_unique<TfrmLabelEdit>(document, 3);
    edit->show();
    edit->resize(900, 700);
    QCoreApplication::processEvents();
    TLORect* rect = nullptr;
    for (int i = 0; i < edit->Site()->ObjectCount() && !rect; ++i)
        rect = dynamic_cast<TLORect*>(edit->Site()->Objects(i));
    ASSERT_NE(rect, nullptr);
    rect->SetBaseRect({50, 40, 300, 160});
    edit->accept();
    edit.reset();

    TDOList written;
    document.ReadLabel(3, written);
    ASSERT_EQ(written.Count(), 1);
    ASSERT_NE(dynamic_cast<TLORect*>(written[0]), nullptr);
    EXPECT_EQ(dynamic_cast<TLORect*>(written[0])->BaseRect(), (TLogRect{50, 40, 300, 160}));
    written.FreeObjects();
}

TEST(SheetMain, PaperChoiceAsksAndNoKeepsItOpen)
{
    RegisterCatalogueClasses();
    TVelmoPapers papers(velmo::test::BinaryDir() + QStringLiteral("/data/velmo.ppr"), true);
    ASSERT_GT(papers.Count(), 1);
    int fewest = 0;
    for (int i = 0; i < papers.Count(); ++i)
        if (papers.Paper(i)->GetFaceCount() < papers.Paper(fewest)->GetFaceCount())
            fewest = i;
    ASSERT_LT(papers.Paper(fewest)->GetFaceCount(), 12);

    TLabelData data;
    data.SetPaper(Grid(2, 6).get());
    {
        // Data on the last position, which the smaller paper does not have.
        TDOList one;
        one.Add(new TDOGroup);
        data.WriteLabel(11, one);
        one.FreeObjects();
    }
    ASSERT_TRUE(data.LabelHasData(11));
    QStringList asked;
    bool answer = false;
    TfrmPaperChange dialog(papers, QString(), true, [&](const TPaperInfo& paper) {
        const QString q = PaperChangeQuestion(data, paper);
        if (q.isEmpty())
            return true;
        asked << q;
        return answer;
    });
    dialog.Select(fewest);
    ASSERT_EQ(dialog.SelectedPaper(), papers.Paper(fewest));
    EXPECT_TRUE(dialog.SummaryLines().value(0).startsWith(QStringLiteral("用紙グループ：")));
    EXPECT_TRUE(dialog.SummaryLines().value(1).startsWith(QStringLiteral("台紙：")));
    EXPECT_TRUE(dialog.SeparatelyDesign());
    dialog.accept();
    EXPECT_EQ(dialog.result(), 0);
    answer = true;
    dialog.accept();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(asked, (QStringList{PaperDropsLabelsQuestion(), PaperDropsLabelsQuestion()}));
}

} // namespace
