#include "document/UProductInfo.h"
#include "document/UProductInfoEdit.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace {

std::string Hex(const QByteArray& bytes)
{
    return velmo::test::Hex(bytes).toStdString();
}

QString U(const char* text)
{
    return QString::fromUtf8(text);
}

// A product whose main title is the given text.
std::unique_ptr<TProductInfo> Product(const QString& title)
{
    auto record = std::make_unique<TProductInfo>();
    record->Item(0)->Info()->Add(title);
    return record;
}

QStringList Titles(TProductDB& store)
{
    QStringList titles;
    for (int i = 0; i < store.ProductCount(); ++i) {
        TProductInfo record;
        store.ReadProduct(i, record);
        titles << record.Item(0)->FirstLine();
    }
    return titles;
}

std::vector<TGuid> Guids(TProductDB& store)
{
    std::vector<TGuid> guids;
    for (int i = 0; i < store.ProductCount(); ++i) {
        TProductInfo record;
        store.ReadProduct(i, record);
        guids.push_back(record.Guid());
    }
    return guids;
}

class ProductStore : public ::testing::Test
{
protected:
    void SetUp() override { Store.Initialize(); }
    void AddProducts(const QStringList& titles)
    {
        for (const QString& title : titles)
            Store.Write(*Product(title));
    }
    TProductDB Store;
};

} // namespace

// ---- records

TEST(ProductRecord, NewRecordHasTenNamedItemsAndItsOwnGuid)
{
    TProductInfo a, b;
    ASSERT_EQ(a.ItemCount(), 10);
    const char* names[] = {"メインタイトル", "サブタイトル", "担当者",    "コピーライト", "バージョン",
                           "日付",           "自由項目1",    "自由項目2", "自由項目3",    "自由項目4"};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(a.Item(i)->FieldName(), U(names[i]));
    EXPECT_FALSE(a.SameRecord(b));
    b.Assign(a);
    EXPECT_TRUE(a.SameRecord(b));
}

TEST(ProductRecord, NormaliseResetsTheFirstSevenNames)
{
    TProductInfo record;
    record.Items()->Clear();
    for (const char* name : {"A", "B", "C"})
        record.Items()->Add()->SetFieldName(name);
    record.Normalize();
    ASSERT_EQ(record.ItemCount(), 10);
    EXPECT_EQ(record.Item(0)->FieldName(), U("メインタイトル"));
    EXPECT_EQ(record.Item(9)->FieldName(), U("自由項目4"));

    record.Item(8)->SetFieldName("X");
    record.Item(3)->SetFieldName("Y");
    record.Items()->Add()->SetFieldName("Extra");
    record.Normalize();
    EXPECT_EQ(record.Item(8)->FieldName(), "X");
    EXPECT_EQ(record.Item(3)->FieldName(), U("コピーライト"));
    EXPECT_EQ(record.ItemCount(), 11);
    EXPECT_EQ(record.Item(10)->FieldName(), "Extra");
}

TEST(ProductRecord, CreatorDefault)
{
    auto creator = NewCreatorRecord();
    ASSERT_EQ(creator->ItemCount(), 11);
    EXPECT_EQ(creator->Item(0)->FieldName(), U("会社名"));
    EXPECT_EQ(creator->Item(4)->FieldName(), U("郵便番号"));
    EXPECT_EQ(creator->Item(7)->FieldName(), U("ホームページ"));
    EXPECT_EQ(creator->Item(10)->FieldName(), U("自由項目3"));
}

TEST(ProductRecord, GuidIsWrittenInThePlatformLayout)
{
    const QUuid uuid(0x01020304, 0x0506, 0x0708, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10);
    const TGuid guid = TGuid::FromUuid(uuid);
    EXPECT_EQ(Hex(guid.ToByteArray()), "04 03 02 01 06 05 08 07 09 0A 0B 0C 0D 0E 0F 10");
    EXPECT_EQ(guid.ToUuid(), uuid);

    TProductInfo record;
    record.Items()->Clear();
    record.SetGuid(guid);
    const QByteArray bytes = ComponentStreamBytes(record);
    // "TPF0", class, empty name, Items as an empty collection, then GUID as binary.
    QByteArray expected("TPF0");
    expected += char(12) + QByteArray("TProductInfo") + char(0);
    expected += char(5) + QByteArray("Items") + char(14) + char(0);
    expected += char(4) + QByteArray("GUID") + char(10) + QByteArray("\x10\0\0\0", 4) + guid.ToByteArray();
    expected += char(0) + QByteArray(1, 0);
    EXPECT_EQ(Hex(bytes), Hex(expected));
}

TEST(ProductRecord, StreamRoundTrip)
{
    RegisterProductClasses();
    TProductInfo record;
    record.Item(0)->Info()->SetLines({U("タイトル"), "second"});
    record.Item(5)->Info()->Add("2024");
    const QByteArray bytes = ComponentResourceBytes("ProductInfo", record);
    TMemoryStream stream(bytes);
    auto back = ReadComponentResourceAs<TProductInfo>(stream);
    EXPECT_TRUE(back->SameRecord(record));
    EXPECT_EQ(back->Item(0)->Info()->Lines(), (QStringList{U("タイトル"), "second"}));
    EXPECT_EQ(back->Item(5)->FirstLine(), "2024");
    EXPECT_EQ(Hex(ComponentResourceBytes("ProductInfo", *back)), Hex(bytes));
}

TEST(ProductRecord, DamagedGuidIsAStreamError)
{
    RegisterProductClasses();
    TProductInfo record;
    QByteArray bytes = ComponentStreamBytes(record);
    const int at = bytes.indexOf("GUID") + 4;
    ASSERT_EQ(bytes[at], char(10));
    QByteArray shorter = bytes;
    shorter[at + 1] = char(15); // claims 15 bytes: one byte of the identity is lost
    shorter.remove(at + 5, 1);
    TMemoryStream a(shorter);
    EXPECT_THROW(ReadComponent(a), EReadError);
    QByteArray huge = bytes;
    huge[at + 4] = char(0x7F); // 2 GB claimed
    TMemoryStream b(huge);
    EXPECT_THROW(ReadComponent(b), EReadError);
    for (int cut = 0; cut < bytes.size(); ++cut) {
        TMemoryStream c(bytes.left(cut));
        EXPECT_THROW(ReadComponent(c), EReadError) << cut;
    }
}

// ---- the store

TEST_F(ProductStore, FreshStoreHasFiveEntriesAndNoProducts)
{
    EXPECT_EQ(Store.Name(), "$(ProductDB)");
    EXPECT_EQ(Store.EntryCount(), 5);
    EXPECT_EQ(Store.ProductCount(), 0);
    EXPECT_FALSE(Store.Modified());
    TProductInfo japanese, english;
    Store.ReadJapaneseCreator(japanese);
    Store.ReadEnglishCreator(english);
    EXPECT_EQ(japanese.ItemCount(), 11);
    EXPECT_EQ(japanese.Item(4)->FieldName(), U("郵便番号"));
    EXPECT_FALSE(japanese.SameRecord(english));
    EXPECT_EQ(Store.Find(japanese), 0);
    EXPECT_EQ(Store.Find(english), 1);
    EXPECT_EQ(Store.ProductIndex(english), -1);
}

TEST_F(ProductStore, WriteReplacesTheSameRecordInPlace)
{
    AddProducts({"A", "B", "C"});
    EXPECT_TRUE(Store.Modified());
    TProductInfo b;
    Store.ReadProduct(1, b);
    b.Item(0)->Info()->SetLines({"B2"});
    Store.Write(b);
    EXPECT_EQ(Titles(Store), (QStringList{"A", "B2", "C"}));
    EXPECT_EQ(Store.ProductIndex(b), 1);
    Store.Delete(b);
    EXPECT_EQ(Titles(Store), (QStringList{"A", "C"}));
    EXPECT_EQ(Store.ProductIndex(b), -1);
    Store.SetModified(false);
    Store.Delete(b); // not there: nothing happens
    EXPECT_FALSE(Store.Modified());
}

TEST_F(ProductStore, DraggingRowTwoToFour)
{
    AddProducts({"A", "B", "C", "D", "E"});
    const std::vector<TGuid> before = Guids(Store);
    Store.Reorder(2, 4);
    EXPECT_EQ(Titles(Store), (QStringList{"A", "C", "D", "B", "E"}));
    const std::vector<TGuid> after = Guids(Store);
    EXPECT_EQ(after[0], before[0]); // A
    EXPECT_EQ(after[1], before[2]); // C
    EXPECT_EQ(after[2], before[3]); // D
    EXPECT_NE(after[3], before[1]); // B has a new identity
    EXPECT_NE(after[4], before[4]); // and so has E
}

TEST_F(ProductStore, DraggingRowFourToTwoAndToTheEnd)
{
    AddProducts({"A", "B", "C", "D", "E"});
    Store.Reorder(4, 2);
    EXPECT_EQ(Titles(Store), (QStringList{"A", "D", "B", "C", "E"}));
    Store.Reorder(1, 5);
    EXPECT_EQ(Titles(Store), (QStringList{"D", "B", "C", "E", "A"}));
    Store.Reorder(3, 3);
    Store.Reorder(0, 2);
    Store.Reorder(2, 9);
    EXPECT_EQ(Titles(Store), (QStringList{"D", "B", "C", "E", "A"}));
}

TEST_F(ProductStore, MovedProductKeepsAllItsItems)
{
    auto record = Product("A");
    record->Item(9)->Info()->SetLines({"x", "y"});
    record->Item(8)->SetFieldName("Own");
    Store.Write(*record);
    AddProducts({"B"});
    Store.MoveProductToEnd(0);
    TProductInfo moved;
    Store.ReadProduct(1, moved);
    EXPECT_EQ(moved.Item(0)->FirstLine(), "A");
    EXPECT_EQ(moved.Item(9)->Info()->Lines(), (QStringList{"x", "y"}));
    EXPECT_EQ(moved.Item(8)->FieldName(), "Own");
    EXPECT_FALSE(moved.SameRecord(*record));
}

TEST_F(ProductStore, DocumentRecords)
{
    TProductInfo product, japanese, english;
    const TGuid own = product.Guid();
    Store.InitDocumentRecords(product, japanese, english);
    EXPECT_EQ(product.Guid(), own); // no products yet: stays new
    EXPECT_EQ(Store.Find(japanese), 0);
    EXPECT_EQ(Store.Find(english), 1);

    AddProducts({"First"});
    Store.InitDocumentRecords(product, japanese, english);
    EXPECT_EQ(product.Item(0)->FirstLine(), "First");

    // A loaded product with fewer items is extended and renamed.
    TProductInfo loaded;
    loaded.Items()->Clear();
    loaded.Items()->Add()->SetFieldName("Old");
    TProductDB::TakeLoadedProduct(product, loaded);
    EXPECT_TRUE(product.SameRecord(loaded));
    EXPECT_EQ(product.ItemCount(), 10);
    EXPECT_EQ(product.Item(0)->FieldName(), U("メインタイトル"));
}

// ---- the product dialog's logic

class ProductEditorTest : public ProductStore
{
protected:
    TProductEditor Editor{Store};
};

TEST_F(ProductEditorTest, PrepareAddsTheDocumentsProductAndSelectsIt)
{
    TProductInfo document;
    Editor.Prepare(document);
    EXPECT_EQ(Store.ProductCount(), 1);
    EXPECT_EQ(Store.ProductIndex(document), 0);
    EXPECT_EQ(Editor.RowCount(), 2);
    EXPECT_EQ(Editor.SelectedRow(), 1);
    EXPECT_EQ(Editor.PreviousRow(), 1);
    EXPECT_EQ(Editor.CellText(0, 1), U("メインタイトル"));
    EXPECT_EQ(Editor.CellText(1, 0), "1");

    // A second preparation finds it and adds nothing.
    AddProducts({"B"});
    TProductEditor again(Store);
    TProductInfo b;
    Store.ReadProduct(1, b);
    again.Prepare(b);
    EXPECT_EQ(Store.ProductCount(), 2);
    EXPECT_EQ(again.SelectedRow(), 2);
    EXPECT_EQ(again.Edit(0).Text, "B");
    EXPECT_FALSE(again.Edit(0).Modified);
}

TEST_F(ProductEditorTest, RowChangeCommitsOnlyRealChanges)
{
    AddProducts({"A", "B"});
    TProductInfo a;
    Store.ReadProduct(0, a);
    Editor.Prepare(a);
    int repaints = 0;
    Editor.OnGridChanged = [&] { ++repaints; };

    // Typed and typed back: nothing is written.
    Editor.SetEditText(0, "Z");
    Editor.SetEditText(0, "A");
    Store.SetModified(false);
    Editor.SelectRow(2);
    EXPECT_FALSE(Store.Modified());
    EXPECT_EQ(repaints, 0);
    EXPECT_EQ(Editor.Edit(0).Text, "B");

    // Emptying the title leaves the item without lines.
    Editor.SetEditText(0, "");
    Editor.SetEditText(2, U("担当"));
    Editor.SelectRow(1);
    EXPECT_EQ(repaints, 1);
    TProductInfo b;
    Store.ReadProduct(1, b);
    EXPECT_EQ(b.Item(0)->Info()->Count(), 0);
    EXPECT_EQ(b.Item(2)->Info()->Lines(), QStringList{U("担当")});
    EXPECT_EQ(Editor.RowTexts(2).at(3), U("担当"));
}

TEST_F(ProductEditorTest, TakeSelectionCommitsAndReadsIntoTheDocument)
{
    AddProducts({"A", "B"});
    TProductInfo document;
    Editor.Prepare(document);
    Editor.SelectRow(2);
    Editor.SetEditText(1, "Sub");
    Editor.TakeSelection(document);
    EXPECT_EQ(document.Item(0)->FirstLine(), "B");
    EXPECT_EQ(document.Item(1)->FirstLine(), "Sub");
    EXPECT_EQ(Store.ProductIndex(document), 1);
}

TEST_F(ProductEditorTest, AddCopyAndDelete)
{
    AddProducts({"A"});
    TProductInfo a;
    Store.ReadProduct(0, a);
    Editor.Prepare(a);
    Editor.SetEditText(3, "(c)");
    Editor.AddProduct();
    EXPECT_EQ(Editor.RowCount(), 3);
    EXPECT_EQ(Editor.SelectedRow(), 2);
    EXPECT_EQ(Editor.Edit(0).Text, "");
    Store.ReadProduct(0, a);
    EXPECT_EQ(a.Item(3)->FirstLine(), "(c)"); // committed on the way

    Editor.SelectRow(1);
    Editor.SetEditText(0, "A2");
    Editor.CopyProduct();
    EXPECT_EQ(Titles(Store), (QStringList{"A2", "", "A2"}));
    EXPECT_EQ(Editor.SelectedRow(), 3);
    EXPECT_EQ(Editor.Edit(3).Text, "(c)");
    TProductInfo original, copy;
    Store.ReadProduct(0, original);
    Store.ReadProduct(2, copy);
    EXPECT_FALSE(copy.SameRecord(original));

    // Deleting the last row selects the new last row; pending edits are dropped.
    Editor.SetEditText(0, "lost");
    Editor.DeleteProduct();
    EXPECT_EQ(Titles(Store), (QStringList{"A2", ""}));
    EXPECT_EQ(Editor.SelectedRow(), 2);
    // Deleting a middle row keeps the row number, without carrying the edits over.
    Editor.SelectRow(1);
    Editor.SetEditText(0, "dropped");
    Editor.DeleteProduct();
    EXPECT_EQ(Titles(Store), QStringList{""});
    EXPECT_EQ(Editor.SelectedRow(), 1);
}

TEST_F(ProductEditorTest, DeletingTheOnlyProductLeavesAnEmptyOne)
{
    TProductInfo document;
    document.Item(0)->Info()->Add("Only");
    Editor.Prepare(document);
    Editor.DeleteProduct();
    EXPECT_EQ(Store.ProductCount(), 1);
    EXPECT_EQ(Editor.RowCount(), 2);
    EXPECT_EQ(Editor.SelectedRow(), 1);
    EXPECT_EQ(Editor.Edit(0).Text, "");
    EXPECT_EQ(Store.ProductIndex(document), -1);
}

TEST_F(ProductEditorTest, DragQuestionAndMove)
{
    AddProducts({"A", "B", "C", "D", "E"});
    TProductInfo c;
    Store.ReadProduct(2, c);
    Editor.Prepare(c);
    EXPECT_EQ(Editor.MoveQuestion(2, 4), U("「B」を4番目に移動します。"));
    TProductInfo untitled;
    Store.Write(untitled);
    Editor.AddProduct(); // refreshes the rows
    EXPECT_EQ(Editor.MoveQuestion(6, 1), U("6番目のプロダクト情報を1番目に移動します。"));

    Editor.SelectRow(2);
    Editor.SetEditText(1, "typed for B");
    Editor.MoveProduct(2, 4);
    EXPECT_EQ(Titles(Store).mid(0, 5), (QStringList{"A", "C", "D", "B", "E"}));
    EXPECT_EQ(Editor.SelectedRow(), 4);
    EXPECT_EQ(Editor.Edit(0).Text, "B");
    EXPECT_EQ(Editor.Edit(1).Text, "typed for B");
}

// ---- the creator dialog's logic

TEST_F(ProductStore, CreatorEditsCommitOnlyModifiedItems)
{
    TProductInfo japanese, english;
    Store.ReadJapaneseCreator(japanese);
    Store.ReadEnglishCreator(english);
    japanese.Item(0)->Info()->SetLines({"Old Co", "line 2"});
    japanese.Item(1)->Info()->SetLines({"Keep", "these"});

    TCreatorEditor editor;
    editor.Prepare(japanese, english);
    EXPECT_EQ(editor.Edit(0, 0).Text, "Old Co");
    EXPECT_FALSE(editor.AnyModified());
    editor.SetEditText(0, 0, "");
    editor.SetEditText(1, 7, "https://example.invalid/");
    EXPECT_TRUE(editor.AnyModified());
    // Before OK the document's records are untouched.
    EXPECT_EQ(japanese.Item(0)->FirstLine(), "Old Co");

    editor.Store(japanese, english, Store);
    EXPECT_EQ(japanese.Item(0)->Info()->Lines(), QStringList{""}); // one empty line
    EXPECT_EQ(japanese.Item(1)->Info()->Lines(), (QStringList{"Keep", "these"}));
    EXPECT_EQ(english.Item(7)->FirstLine(), "https://example.invalid/");

    // A document made later in the run carries the new creator items.
    TProductInfo product, laterJ, laterE;
    Store.InitDocumentRecords(product, laterJ, laterE);
    EXPECT_EQ(laterJ.Item(0)->Info()->Lines(), QStringList{""});
    EXPECT_EQ(laterE.Item(7)->FirstLine(), "https://example.invalid/");
    EXPECT_TRUE(laterJ.SameRecord(japanese));
}
