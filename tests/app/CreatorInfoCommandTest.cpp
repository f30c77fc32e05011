// The layout view's creator command in the main window: the creator dialog edits the
// document's two creator records and the store, and the label's bound texts follow.
#include "AppTestSupport.h"
#include "app/FMain.h"
#include "base/UModalResult.h"
#include "document/FField.h"
#include "document/ULabelData.h"
#include "document/UProductInfo.h"
#include "draw/FDrawSite.h"
#include "layout/FLayout.h"
#include "objects/FShapeDialogs.h"
#include "paper/UVelmoPapers.h"
#include "support/TestSupport.h"
#include "text/ULOText.h"
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class CreatorInfoCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(Fixture.Temp.path() + QStringLiteral("/data")));
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        RegisterTextClasses();
        Papers = std::make_unique<TVelmoPapers>(velmo::test::BinaryDir() + QStringLiteral("/data/velmo.ppr"),
                                                true);
        TfrmMain::SetSplashEnabled(false);
        Window = std::make_unique<TfrmMain>();
        Window->Catalogue = [this] { return Papers.get(); };
        Window->NewDocument(true);
        // The store is the process's: what the dialog writes into it is put back after
        // the test, so later tests see the store they expect.
        ProductDB().ReadJapaneseCreator(SavedJapanese);
        ProductDB().ReadEnglishCreator(SavedEnglish);
        ASSERT_TRUE(Window->OpenDocument(MakeDocument()));
        ASSERT_NE(Window->LayoutView(), nullptr);
    }
    void TearDown() override
    {
        if (Window && Window->Document())
            Window->Document()->SetModified(false);
        if (Window && Window->LayoutView())
            Window->LayoutView()->Site()->SetModified(false);
        Window.reset();
        if (ProductDB().Initialized()) {
            ProductDB().Write(SavedJapanese);
            ProductDB().Write(SavedEnglish);
        }
        qunsetenv("XDG_DATA_HOME");
    }

    // One label with three bound texts: the Japanese company name (item 1), the
    // English telephone (item 3) and the product's main title (item 1).
    QString MakeDocument()
    {
        TLabelData data;
        data.SetPaper(Papers->Paper(0));
        TDOList list;
        auto bound = [&](TFieldType type, int no, const QString& text, int top) {
            auto* t = new TLOVelmoText;
            t->SetBaseRect({100, top, 900, top + 100});
            t->SetLines({text});
            t->SetFieldType(type);
            t->SetFieldNo(no);
            list.Add(t);
        };
        bound(TFieldType::ftCreatorJapanese, 1, QStringLiteral("旧社名"), 100);
        bound(TFieldType::ftCreatorEnglish, 3, QStringLiteral("old tel"), 300);
        bound(TFieldType::ftProduct, 1, QStringLiteral("題名のまま"), 500);
        data.WriteLabel(0, list);
        list.FreeObjects();
        const QString file = Fixture.Temp.path() + QStringLiteral("/creator.lbd");
        data.Save(file);
        return file;
    }

    QStringList BoundText(TFieldType type) const
    {
        TDrawSite* site = Window->LayoutView()->Site();
        for (int i = 0; i < site->ObjectCount(); ++i)
            if (auto* t = dynamic_cast<TLOText*>(site->Objects(i));
                t && t->FieldNo() > 0 && t->FieldType() == type)
                return t->Text()->Lines();
        return {QStringLiteral("<none>")};
    }

    // Answers the creator dialog as a user would: types into the boxes, then presses
    // OK or Cancel.
    void AnswerDialog(bool ok, const QString& company, const QString& tel)
    {
        QTimer::singleShot(0, [=, this] {
            auto* dialog = qobject_cast<TfrmField*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "the creator dialog did not open";
                if (QWidget* w = QApplication::activeModalWidget())
                    w->close();
                return;
            }
            Opened = true;
            dialog->Ask = [](QWidget*, const QString&, TQuestionButtons) { return int(mrOk); };
            auto type = [](QLineEdit* edit, const QString& text) {
                edit->selectAll();
                edit->insert(text);
            };
            type(dialog->ItemEdit(0, 0), company);
            type(dialog->ItemEdit(1, 2), tel);
            (ok ? dialog->OkButton() : dialog->CancelButton())->click();
        });
    }

    velmo::test::TFrameFixture Fixture;
    std::unique_ptr<TVelmoPapers> Papers;
    std::unique_ptr<TfrmMain> Window;
    bool Opened = false;
    TProductInfo SavedJapanese;
    TProductInfo SavedEnglish;
};

TEST_F(CreatorInfoCommand, CommandIsEnabledInTheHostedLayoutView)
{
    QAction* command = Window->LayoutView()->Action(QStringLiteral("actCreatorInfo"));
    ASSERT_NE(command, nullptr);
    QApplication::processEvents();
    EXPECT_TRUE(command->isEnabled());
    EXPECT_EQ(command->text(), QStringLiteral("クリエーター情報の編集(&C)..."));
}

TEST_F(CreatorInfoCommand, OkUpdatesRecordsStoreAndBoundTexts)
{
    EXPECT_FALSE(Window->Document()->Modified());
    const int entries = ProductDB().EntryCount();
    AnswerDialog(true, QStringLiteral("ベルモ商会"), QStringLiteral("03-1234-5678"));
    Window->LayoutView()->Action(QStringLiteral("actCreatorInfo"))->trigger();
    ASSERT_TRUE(Opened);
    // The document's records.
    EXPECT_EQ(Window->Document()->CreatorInfoJ().Item(0)->Info()->Lines(),
              QStringList{QStringLiteral("ベルモ商会")});
    EXPECT_EQ(Window->Document()->CreatorInfoE().Item(2)->Info()->Lines(),
              QStringList{QStringLiteral("03-1234-5678")});
    // The store holds them for the next document, over its two creator entries.
    EXPECT_EQ(ProductDB().EntryCount(), entries);
    TProductInfo japanese, english;
    ProductDB().ReadJapaneseCreator(japanese);
    ProductDB().ReadEnglishCreator(english);
    EXPECT_EQ(japanese.Item(0)->Info()->Lines(), QStringList{QStringLiteral("ベルモ商会")});
    EXPECT_EQ(english.Item(2)->Info()->Lines(), QStringList{QStringLiteral("03-1234-5678")});
    // The label being edited shows them; the product text is not the creator's.
    EXPECT_EQ(BoundText(TFieldType::ftCreatorJapanese), QStringList{QStringLiteral("ベルモ商会")});
    EXPECT_EQ(BoundText(TFieldType::ftCreatorEnglish), QStringList{QStringLiteral("03-1234-5678")});
    EXPECT_EQ(BoundText(TFieldType::ftProduct), QStringList{QStringLiteral("題名のまま")});
    // A change the user made: marked, and kept by the save.
    EXPECT_TRUE(Window->Document()->Modified() || Window->LayoutView()->Modified());
    ASSERT_TRUE(Window->Save());
    ASSERT_FALSE(Window->FileName().isEmpty());
    auto saved = TLabelData::Open(Window->FileName());
    EXPECT_EQ(saved->CreatorInfoJ().Item(0)->Info()->Lines(), QStringList{QStringLiteral("ベルモ商会")});
    TDOList objects;
    saved->ReadLabel(0, objects);
    bool found = false;
    for (TDrawObject* o : objects.Objects())
        if (auto* t = dynamic_cast<TLOText*>(o); t && t->FieldType() == TFieldType::ftCreatorJapanese)
            found = t->Text()->Lines() == QStringList{QStringLiteral("ベルモ商会")};
    objects.FreeObjects();
    EXPECT_TRUE(found) << "the saved label does not hold the new company name";
}

TEST_F(CreatorInfoCommand, CancelChangesNothing)
{
    const QStringList before = Window->Document()->CreatorInfoJ().Item(0)->Info()->Lines();
    AnswerDialog(false, QStringLiteral("捨てる社名"), QStringLiteral("000"));
    Window->LayoutView()->Action(QStringLiteral("actCreatorInfo"))->trigger();
    ASSERT_TRUE(Opened);
    EXPECT_EQ(Window->Document()->CreatorInfoJ().Item(0)->Info()->Lines(), before);
    EXPECT_EQ(BoundText(TFieldType::ftCreatorJapanese), QStringList{QStringLiteral("旧社名")});
    EXPECT_EQ(BoundText(TFieldType::ftCreatorEnglish), QStringList{QStringLiteral("old tel")});
    EXPECT_FALSE(Window->LayoutView()->Modified());
    EXPECT_FALSE(Window->Document()->Modified());
}

} // namespace
