// The grid paper editor: its starting layout, the boxes writing into the copy, printer
// forms as sheet sizes, and the checks before the dialog may close.
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FEditPaper.h"
#include "paperui/FPaperSelect.h"
#include "print/UPrinter.h"
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class EditMatrixPaper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        FPapers = std::make_unique<TVelmoPapers>(FDir.filePath(QStringLiteral("p.ppr")), false);
        auto p = std::make_unique<TMatrixPaperInfo>();
        p->SetPaperName(QStringLiteral("既存"));
        p->SetPortraitWidth(2100);
        p->SetPortraitHeight(2970);
        p->SetFaceWidth(1000);
        p->SetFaceHeight(500);
        p->SetFaceCountX(2);
        p->SetFaceCountY(5);
        p->SetLeftOffset(50);
        p->SetTopOffset(100);
        p->SetReadOnly(true);
        p->PurposeList()->SetDefault();
        FPapers->StorePaper(*p);
        FForms.Add({QStringLiteral("A4"), 9, QSize(2100, 2970)});
        FForms.Add({QStringLiteral("はがき"), 43, QSize(1000, 1480)});
    }
    // Records the messages; answers questions with FAnswer.
    void Hook(TfrmEditMatrixPaper& editor)
    {
        editor.Ask = [this](const QString& text, bool question) {
            FMessages << text;
            return question ? FAnswer : true;
        };
    }
    QTemporaryDir FDir;
    std::unique_ptr<TVelmoPapers> FPapers;
    TPrinterForm FForms;
    QStringList FMessages;
    bool FAnswer = false;
};

} // namespace

TEST_F(EditMatrixPaper, AFreePaperStartsAsTwoByThreeLabels)
{
    TFreePaperInfo free;
    free.SetPortraitWidth(2100);
    free.SetPortraitHeight(2970);
    free.SetReadOnly(true);
    free.SetGroupName(QStringLiteral("名刺"));
    TfrmEditMatrixPaper editor(free, *FPapers, true, FForms);
    const TMatrixPaperInfo& p = editor.Paper();
    EXPECT_EQ(p.FaceCountX(), 2);
    EXPECT_EQ(p.FaceCountY(), 3);
    EXPECT_EQ(p.FaceWidth(), 700);
    EXPECT_EQ(p.FaceHeight(), 742);
    EXPECT_EQ(p.TopOffset(), 148);
    EXPECT_EQ(p.BottomMargin(), 148);
    EXPECT_EQ(p.LeftOffset(), 233);
    EXPECT_EQ(p.RightMargin(), 233);
    EXPECT_FALSE(p.ReadOnly());
    EXPECT_EQ(p.GroupName(), QStringLiteral("ユーザー定義"));
    EXPECT_EQ(editor.SheetBox()->currentText(), QStringLiteral("A4"));
}

TEST_F(EditMatrixPaper, BoxesWriteIntoTheCopyAndFormsSetTheSheet)
{
    TfrmEditMatrixPaper editor(*FPapers->Paper(0), *FPapers, false, FForms);
    editor.Box("FaceWidth")->setValue(86.4);
    EXPECT_EQ(editor.Paper().FaceWidth(), 864);
    // Zero and negative sizes cannot be entered: the box keeps its smallest size.
    editor.Box("FaceWidth")->setValue(0);
    EXPECT_EQ(editor.Paper().FaceWidth(), 30);
    editor.Box("FaceHeight")->setValue(-5);
    EXPECT_EQ(editor.Paper().FaceHeight(), 30);
    editor.SheetBox()->setCurrentIndex(1);
    EXPECT_EQ(editor.Paper().Width(), 1000);
    EXPECT_EQ(editor.Paper().Height(), 1480);
    EXPECT_DOUBLE_EQ(editor.Box("Width")->value(), 100.0);
    editor.Box("Width")->setValue(123.4);
    EXPECT_EQ(editor.SheetBox()->currentText(), QStringLiteral("その他"));
    // The hole box only for shapes with a hole.
    editor.ShapeBox()->setCurrentIndex(int(fsRect));
    EXPECT_FALSE(editor.Box("Hole")->isEnabled());
    editor.ShapeBox()->setCurrentIndex(int(fsDoughnut));
    EXPECT_TRUE(editor.Box("Hole")->isEnabled());
    EXPECT_EQ(editor.Paper().FaceShape(), fsDoughnut);
}

TEST_F(EditMatrixPaper, ChecksNameSheetAndOverlap)
{
    TfrmEditMatrixPaper editor(*FPapers->Paper(0), *FPapers, true, FForms);
    Hook(editor);
    editor.NameBox()->setText(QString());
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.takeLast(), QStringLiteral("用紙名を入力してください"));
    editor.NameBox()->setText(QStringLiteral("既存"));
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.takeLast(), QStringLiteral("この用紙名は、すでに登録されています"));
    editor.NameBox()->setText(QStringLiteral("新しい"));
    EXPECT_TRUE(editor.Validate());
    EXPECT_TRUE(FMessages.isEmpty());
    // 2 × 110 mm from 5 mm runs off a 210 mm sheet.
    editor.Box("FaceWidth")->setValue(110);
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.takeLast(), QStringLiteral("ラベルが用紙からはみ出しています"));
    editor.Box("FaceWidth")->setValue(100);
    editor.Box("LeftOffset")->setValue(4);
    editor.Box("RightMargin")->setValue(0);
    editor.Box("FaceMargin")->setValue(2);
    FAnswer = false;
    EXPECT_FALSE(editor.Validate());
    EXPECT_EQ(FMessages.takeLast(), QStringLiteral("ラベルが重なっています。よろしいですか？"));
    FAnswer = true;
    EXPECT_TRUE(editor.Validate());
    editor.accept();
    EXPECT_EQ(editor.result(), int(QDialog::Accepted));
}

TEST_F(EditMatrixPaper, TheSelectionStoresTheEditAndDropsTheOldName)
{
    TfrmPaperSelect dialog(*FPapers, false, nullptr);
    dialog.Search(QStringLiteral("既存"));
    ASSERT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("既存")});
    // A system paper cannot be edited, only copied.
    dialog.EditorHook = [](TfrmPaperTypeSelect& dialog) {
        TfrmEditMatrixPaper& editor = dialog.MatrixEditor();
        editor.Box("FaceHeight")->setValue(42.3);
        return editor.Validate();
    };
    dialog.OpenEditor(true);
    EXPECT_GE(FPapers->IndexOfName(QStringLiteral("既存 のコピー")), 0);
    EXPECT_GE(FPapers->IndexOfName(QStringLiteral("既存")), 0);
    const TPaperInfo* copy = FPapers->Paper(FPapers->IndexOfName(QStringLiteral("既存 のコピー")));
    EXPECT_FALSE(copy->ReadOnly());
    EXPECT_EQ(dynamic_cast<const TMatrixPaperInfo*>(copy)->FaceHeight(), 423);
    EXPECT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("既存 のコピー")});
    // Renaming the user's paper removes the old entry.
    dialog.EditorHook = [](TfrmPaperTypeSelect& dialog) {
        TfrmEditMatrixPaper& editor = dialog.MatrixEditor();
        editor.NameBox()->setText(QStringLiteral("改名"));
        return editor.Validate();
    };
    dialog.OpenEditor(false);
    EXPECT_LT(FPapers->IndexOfName(QStringLiteral("既存 のコピー")), 0);
    EXPECT_GE(FPapers->IndexOfName(QStringLiteral("改名")), 0);
    EXPECT_EQ(dialog.ListedNames(), QStringList{QStringLiteral("改名")});
}

TEST_F(EditMatrixPaper, TestPrintPutsTheOutlinesWhereTheyWereEntered)
{
    TfrmEditMatrixPaper editor(*FPapers->Paper(0), *FPapers, true, FForms);
    editor.Box("LeftOffset")->setValue(18.6);
    editor.Box("TopOffset")->setValue(21.6);
    editor.Box("FaceWidth")->setValue(86.4);
    editor.Box("FaceHeight")->setValue(42.3);
    editor.Box("RightMargin")->setValue(5);
    editor.Box("BottomMargin")->setValue(0);
    editor.CountY()->setValue(6);
    const QString pdf = FDir.filePath(QStringLiteral("outlines.pdf"));
    ASSERT_TRUE(editor.TestPrint(pdf));
    // Poppler renders the page at 254 dpi: one pixel is 0.1 mm.
    const QString base = FDir.filePath(QStringLiteral("page"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"),
                                 QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, base}),
              0);
    QImage page(base + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 2100, 1);
    EXPECT_NEAR(page.height(), 2970, 1);
    auto dark = [&page](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (qGray(page.pixel(x + dx, y + dy)) < 128)
                    return true;
        return false;
    };
    // Left edges of both columns, right edge of the second, top of the first row and
    // bottom of the last, each within 0.1 mm; the labels' insides stay white.
    const int midY = 216 + 211;
    EXPECT_TRUE(dark(186, midY));
    EXPECT_TRUE(dark(186 + 864 + 50, midY));
    EXPECT_TRUE(dark(186 + 2 * 864 + 50, midY));
    EXPECT_TRUE(dark(186 + 432, 216));
    EXPECT_TRUE(dark(186 + 432, 216 + 6 * 423));
    EXPECT_FALSE(dark(186 + 432, midY));
    EXPECT_FALSE(dark(186 + 5, midY));
    EXPECT_FALSE(dark(100, midY));
}
