// The layout editor's insert commands for dates, numbering and merge objects: the
// merge kinds ask for merge data first and Cancel ends the command; the others and a
// chosen file make the object through its dialog.
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOBarCode.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "layout/FLayout.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "paper/UPaperInfo.h"
#include "text/FTextDialog.h"
#include "text/ULODate.h"
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class LayoutMergeCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            RegisterLabelDataClasses();
            RegisterGhostDesigners();
            RegisterMergeClasses();
            TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
            RegisterTextDesigner();
            RegisterBarCodeDesigner();
            InstallActionHistory();
            return true;
        }();
        (void)registered;
        ASSERT_TRUE(FDir.isValid());
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetFaceCountX(2);
        paper->SetFaceCountY(6);
        paper->SetFaceWidth(864);
        paper->SetFaceHeight(423);
        FDoc = std::make_unique<TLabelData>();
        FDoc->SetPaper(paper.get());
        FSession = std::make_unique<TMergeSession>(TCsvDB::Instance());
        FSession->SetDocument(FDoc.get());
        FView = std::make_unique<TfrmLayout>();
        FView->resize(1000, 700);
        FView->SetMergeSession(FSession.get());
        FView->SetDocument(FDoc.get());
        FView->Activate();
        FView->ShowLabel();
        SetMergeDialogRunner([this](QWidget& dialog) {
            FDialogs << dialog.windowTitle();
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override
    {
        SetMergeDialogRunner({});
        FView.reset();
        FDoc.reset();
        TCsvDB::Instance().Close();
    }
    int Count(const std::function<bool(TDrawObject*)>& is)
    {
        int n = 0;
        for (int i = 0; i < FView->Site()->ObjectCount(); ++i)
            if (is(FView->Site()->Objects(i)))
                ++n;
        return n;
    }
    void Trigger(const char* name)
    {
        QAction* action = FView->Action(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        action->setEnabled(true);
        action->trigger();
    }
    QString WriteCsv()
    {
        const QString path = FDir.filePath(QStringLiteral("m.csv"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Yamada,4901234567894\nSato,4901234567900\n");
        return path;
    }
    QTemporaryDir FDir;
    std::unique_ptr<TLabelData> FDoc;
    std::unique_ptr<TMergeSession> FSession;
    std::unique_ptr<TfrmLayout> FView;
    QStringList FDialogs;
};

} // namespace

TEST_F(LayoutMergeCommands, TheKindsAreRegisteredSoTheCommandsAreEnabled)
{
    for (const char* kind : {"TLOInsText", "TLOInsImage", "TLOInsBarCode", "TLODate", "TLONumbering"})
        EXPECT_TRUE(TfrmLayout::CanInsert(QString::fromLatin1(kind))) << kind;
}

TEST_F(LayoutMergeCommands, MergeKindsAskForMergeDataAndCancelEndsTheCommand)
{
    int asked = 0;
    FView->OnChooseMergeData = [&] {
        ++asked;
        return false;
    };
    for (const char* name : {"actInsText", "actInsImage", "actInsBarCode"})
        Trigger(name);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(FDialogs.isEmpty());
    EXPECT_EQ(Count([](TDrawObject* o) { return Supports<IDOInsertion>(o) != nullptr; }), 0);
}

TEST_F(LayoutMergeCommands, ChosenMergeDataThenTheObjectAndItsDialog)
{
    const QString csv = WriteCsv();
    FView->OnChooseMergeData = [&] {
        return OpenMergeDataByName(TCsvDB::Instance(), *FDoc, csv) == TMergeOpenResult::Opened;
    };
    Trigger("actInsText");
    Trigger("actInsBarCode");
    Trigger("actInsImage");
    EXPECT_EQ(FDialogs, (QStringList{"差込み文字の追加", "差込みバーコードの追加", "差込みイラストの追加"}));
    ASSERT_EQ(Count([](TDrawObject* o) { return dynamic_cast<TLOInsText*>(o) != nullptr; }), 1);
    EXPECT_EQ(Count([](TDrawObject* o) { return dynamic_cast<TLOInsBarCode*>(o) != nullptr; }), 1);
    EXPECT_EQ(Count([](TDrawObject* o) { return dynamic_cast<TLOInsImage*>(o) != nullptr; }), 1);
    for (int i = 0; i < FView->Site()->ObjectCount(); ++i) {
        if (auto* text = dynamic_cast<TLOInsText*>(FView->Site()->Objects(i))) {
            EXPECT_EQ(text->Text()->Lines(), QStringList{QStringLiteral("Yamada")});
        }
        if (auto* code = dynamic_cast<TLOInsBarCode*>(FView->Site()->Objects(i))) {
            // A new barcode is a JAN one: the reference value is kept, but letters
            // make no JAN code.
            EXPECT_EQ(code->InsertionText(), QStringLiteral("Yamada"));
            EXPECT_EQ(code->BarKind(), bkJAN);
            EXPECT_EQ(code->JANCode(), QString());
        }
    }
}

TEST_F(LayoutMergeCommands, DateAndNumberingNeedNoMergeData)
{
    FView->OnChooseMergeData = [] {
        ADD_FAILURE() << "no merge data needed";
        return false;
    };
    FDoc->SetCurrentLabelNo(3);
    FView->ShowLabel();
    Trigger("actDate");
    Trigger("actNumbering");
    EXPECT_EQ(FDialogs, (QStringList{"日付オブジェクトの設定", "ナンバリングの追加"}));
    EXPECT_EQ(Count([](TDrawObject* o) { return dynamic_cast<TLODate*>(o) != nullptr; }), 1);
    for (int i = 0; i < FView->Site()->ObjectCount(); ++i)
        if (auto* numbering = dynamic_cast<TLONumbering*>(FView->Site()->Objects(i))) {
            EXPECT_EQ(numbering->Text()->Lines(), QStringList{QStringLiteral("4")}); // label 3, from 1
        }
}
