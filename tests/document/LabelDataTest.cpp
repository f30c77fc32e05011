// The label document: sheets, designs, the 1 mm rule, dates and backgrounds on
// reading, unique sheet names, saving and reopening.
#include "LabelDocTestSupport.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "persist/UComponentStream.h"
#include "storage/UZLibStream.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QStringList SheetNames(TLabelData& data)
{
    QStringList names;
    data.GetSheetNames(names);
    return names;
}

QByteArray StreamBytesOf(TRootStorage& root, const QString& path)
{
    TDocStream stream(root, fmDocRead, path);
    return stream.ReadBytes(stream.Size());
}

TLogRect RectOf(TDrawObject* object)
{
    return Supports<IDOBaseRect>(object)->GetBaseRect();
}

class LabelData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FData = NewDocument();
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
    std::unique_ptr<TLabelData> FData;
};

} // namespace

TEST_F(LabelData, NewDocumentHasOneUnmodifiedSheetAndSavesItsTree)
{
    TLabelData fresh;
    EXPECT_EQ(fresh.SheetCount(), 1);
    EXPECT_EQ(fresh.CurrentSheet(), 0);
    EXPECT_EQ(fresh.SheetName(), QStringLiteral("新規シート1"));
    EXPECT_FALSE(fresh.Modified());
    EXPECT_TRUE(fresh.SeparatelyDesign());
    EXPECT_EQ(fresh.Grid()->Size(), 50);
    EXPECT_TRUE(fresh.Guide()->NoGuides());
    EXPECT_EQ(fresh.Paper(), nullptr);

    FData->Save(Path(QStringLiteral("new.lbd")));
    EXPECT_FALSE(FData->Modified());
    TFileStorage root(Path(QStringLiteral("new.lbd")), fmDocRead);
    EXPECT_TRUE(root.StreamExists(QStringLiteral("DataInfo")));
    EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\NameList")));
    EXPECT_TRUE(root.StorageExists(QStringLiteral("Sheets\\NameList0")));
    EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\Info")));
    EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperInfo")));
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperExtraInfo")));
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperImageInfo")));

    // The Info stream is the document's own component resource, every property written.
    {
        TDocStream info(root, fmDocRead, QStringLiteral("Sheets\\NameList0\\Info"));
        TLabelData scratch;
        ReadComponentResourceInto(info, scratch);
        EXPECT_EQ(scratch.SheetName(), QStringLiteral("新規シート1"));
    }
    const QByteArray bytes = StreamBytesOf(root, QStringLiteral("Sheets\\NameList0\\Info"));
    for (const char* name :
         {"Grid.Size", "CurrentLabelNo", "SeparatelyDesign", "CSVFieldName", "Guide.Pos", "TLabelData"})
        EXPECT_TRUE(bytes.contains(name)) << name;
}

TEST_F(LabelData, SharedDesignUsesElementZeroForEveryPosition)
{
    FData->SetSeparatelyDesign(false);
    TDOList list;
    list.Add(NewRect({100, 100, 300, 200}));
    FData->WriteLabel(5, list);
    list.FreeObjects();

    const QString sheet = FData->SheetPath(0);
    EXPECT_TRUE(FData->Storage().StreamExists(sheet + QStringLiteral("\\NameList0")));
    EXPECT_FALSE(FData->Storage().StreamExists(sheet + QStringLiteral("\\NameList5")));
    EXPECT_TRUE(FData->LabelHasData(3));
    OwnedList read;
    FData->ReadLabel(3, read.List);
    ASSERT_EQ(read.List.Count(), 1);
    EXPECT_EQ(RectOf(read.List[0]), (TLogRect{100, 100, 300, 200}));

    // Separately designed again: position 3 has its own (empty) design.
    FData->SetSeparatelyDesign(true);
    EXPECT_FALSE(FData->LabelHasData(3));
    EXPECT_TRUE(FData->LabelHasData(0));
}

TEST_F(LabelData, ListsAreBottomMostFirstOnReadingAndTopmostFirstOnWriting)
{
    TDOList topFirst;
    topFirst.Add(NewRect({100, 100, 200, 200}, 0x0000FF)); // topmost
    topFirst.Add(NewRect({150, 150, 250, 250}, 0x00FF00)); // bottom-most
    FData->WriteLabel(0, topFirst);
    topFirst.FreeObjects();
    OwnedList read;
    FData->ReadLabel(0, read.List);
    ASSERT_EQ(read.List.Count(), 2);
    EXPECT_EQ(static_cast<TLDTestRect*>(read.List[0])->Color(), 0x00FF00);
    EXPECT_EQ(static_cast<TLDTestRect*>(read.List[1])->Color(), 0x0000FF);
    // Reading appends; names are cleared.
    FData->ReadLabel(0, read.List);
    EXPECT_EQ(read.List.Count(), 4);
    EXPECT_TRUE(read.List[0]->Name().isEmpty());
}

TEST_F(LabelData, BlankBackgroundAloneIsNoDesign)
{
    TDOList list;
    list.Add(new TLDTestBack);
    FData->WriteLabel(1, list);
    EXPECT_FALSE(FData->LabelHasData(1));
    EXPECT_TRUE(FData->Storage().StreamExists(FData->SheetPath(0) + QStringLiteral("\\NameList1")));
    OwnedList read;
    FData->ReadLabel(1, read.List);
    EXPECT_EQ(read.List.Count(), 0);

    // With a frame it shows something; beside another object it is kept as well.
    static_cast<TLDTestBack*>(list[0])->SetFrameWidth(5);
    FData->WriteLabel(1, list);
    EXPECT_TRUE(FData->LabelHasData(1));
    static_cast<TLDTestBack*>(list[0])->SetFrameWidth(0);
    list.Add(NewRect({10, 10, 100, 100}));
    FData->WriteLabel(2, list);
    FData->ReadLabel(2, read.List);
    EXPECT_EQ(read.List.Count(), 2);
    list.FreeObjects();

    // An empty list empties the stream.
    TDOList empty;
    FData->WriteLabel(2, empty);
    EXPECT_FALSE(FData->LabelHasData(2));
}

TEST_F(LabelData, ReadingPullsObjectsOneMillimetreInside)
{
    // Label 0 is 900 x 400. Centres: 5 inside the left edge, beyond the right edge,
    // 3 inside the bottom edge, and one well inside.
    TDOList list;
    list.Add(NewRect({-45, 100, 55, 200}));   // centre x 5
    list.Add(NewRect({850, 100, 1050, 200})); // centre x 950
    list.Add(NewRect({400, 347, 500, 447}));  // centre y 397
    list.Add(NewRect({400, 100, 500, 200}));  // centre (450, 150)
    FData->WriteLabel(0, list);
    list.FreeObjects();
    OwnedList read;
    FData->ReadLabel(0, read.List);
    ASSERT_EQ(read.List.Count(), 4);
    // Bottom-most first: the last written comes first.
    EXPECT_EQ(RectOf(read.List[0]), (TLogRect{400, 100, 500, 200}));
    EXPECT_EQ(RectOf(read.List[1]), (TLogRect{400, 340, 500, 440}));
    EXPECT_EQ(RectOf(read.List[2]), (TLogRect{790, 100, 990, 200}));
    EXPECT_EQ(RectOf(read.List[3]), (TLogRect{-40, 100, 60, 200}));
}

TEST_F(LabelData, ReadingRefreshesDatesAndFitsBackgrounds)
{
    FData->SetLastPrint(40000.25);
    FData->SetLastSave(41000.5);
    const double stored = 30000;
    TDOList list;
    for (TDateUpdateFlag flag : {TDateUpdateFlag::dufNo, TDateUpdateFlag::dufOpen, TDateUpdateFlag::dufPrint,
                                 TDateUpdateFlag::dufSave}) {
        auto* date = new TLDTestDate;
        date->SetBaseRect({100, 100, 200, 150});
        date->SetUpdateFlag(flag);
        date->SetDate(stored);
        list.Add(date);
    }
    auto* back = new TLDTestBack;
    back->SetBaseRect({0, 0, 100, 100});
    back->SetColor(0x00FFFF);
    list.Add(back);
    FData->WriteLabel(3, list);
    list.FreeObjects();

    OwnedList read;
    FData->ReadLabel(3, read.List);
    ASSERT_EQ(read.List.Count(), 5);
    // Bottom-most first: the background, then the dates from dufSave back to dufNo.
    EXPECT_EQ(RectOf(read.List[0]), (TLogRect{0, 0, 900, 400}));
    auto date = [&](int i) { return Supports<IDODate>(read.List[i])->GetDate(); };
    EXPECT_DOUBLE_EQ(date(1), 41000.5);
    EXPECT_DOUBLE_EQ(date(2), 40000.25);
    EXPECT_DOUBLE_EQ(date(3), FData->OpenTime());
    EXPECT_DOUBLE_EQ(date(4), stored);
}

TEST_F(LabelData, DeletedSheetNameIsGivenOutAgain)
{
    FData->AddSheet();
    EXPECT_EQ(SheetNames(*FData),
              (QStringList{QStringLiteral("新規シート1"), QStringLiteral("新規シート2")}));
    EXPECT_EQ(FData->CurrentSheet(), 1);
    FData->SelectSheet(0);
    FData->DeleteSheet(0);
    EXPECT_EQ(SheetNames(*FData), QStringList{QStringLiteral("新規シート2")});
    FData->AddSheet();
    EXPECT_EQ(SheetNames(*FData),
              (QStringList{QStringLiteral("新規シート2"), QStringLiteral("新規シート1")}));
}

TEST_F(LabelData, AddedSheetTakesSettingsAndPaperOfTheCurrentOne)
{
    FData->SetCSVFile(QStringLiteral("住所録.csv"));
    FData->SetCurrentLabelNo(4);
    FData->Guide()->SetPos(0, {120, 0});
    FData->AddSheet();
    EXPECT_EQ(FData->CSVFile(), QStringLiteral("住所録.csv"));
    EXPECT_EQ(FData->CurrentLabelNo(), 4);
    EXPECT_EQ(FData->Guide()->GetPos(0), QPoint(120, 0));
    ASSERT_NE(FData->Paper(), nullptr);
    EXPECT_EQ(FData->LabelCount(), 12);
    EXPECT_FALSE(FData->LabelHasData(0));
}

TEST_F(LabelData, CopiesAreNumberedAndCarryTheDesigns)
{
    FData->SetSheetName(QStringLiteral("A"));
    TDOList list;
    list.Add(NewRect({100, 100, 200, 200}));
    FData->WriteLabel(7, list);
    list.FreeObjects();
    FData->CopySheet();
    EXPECT_EQ(FData->CurrentSheet(), 1);
    EXPECT_EQ(FData->SheetName(), QStringLiteral("Aのコピー1"));
    EXPECT_TRUE(FData->LabelHasData(7));
    FData->SelectSheet(0);
    FData->CopySheet();
    EXPECT_EQ(FData->SheetName(), QStringLiteral("Aのコピー2"));
    // Names compare without regard to case.
    FData->SelectSheet(0);
    FData->SetSheetName(QStringLiteral("b"));
    FData->SelectSheet(1);
    FData->SetSheetName(QStringLiteral("Bのコピー1"));
    FData->SelectSheet(0);
    FData->CopySheet();
    EXPECT_EQ(FData->SheetName(), QStringLiteral("bのコピー2"));
    EXPECT_EQ(FData->SheetCount(), 4);
}

TEST_F(LabelData, SmallerPaperDropsDesignsBeyondItsPositions)
{
    TDOList list;
    list.Add(NewRect({100, 100, 200, 200}));
    for (int k : {0, 9, 10, 11})
        FData->WriteLabel(k, list);
    list.FreeObjects();
    const QString sheet = FData->SheetPath(0);
    EXPECT_TRUE(FData->Storage().StreamExists(sheet + QStringLiteral("\\NameList11")));
    FData->SetPaper(SamplePaper(2, 5).get());
    EXPECT_EQ(FData->LabelCount(), 10);
    EXPECT_TRUE(FData->LabelHasData(9));
    EXPECT_FALSE(FData->Storage().StreamExists(sheet + QStringLiteral("\\NameList10")));
    EXPECT_FALSE(FData->Storage().StreamExists(sheet + QStringLiteral("\\NameList11")));
    EXPECT_EQ(FData->DesignCount(), 10);
}

TEST_F(LabelData, SettingsSurviveSheetChangesAndReopening)
{
    FData->AddSheet();
    FData->SetSheetName(QStringLiteral("裏面"));
    FData->Grid()->SetSize(125);
    FData->Grid()->SetVisible(true);
    FData->Guide()->SetPos(3, {0, 777});
    FData->Guide()->SetEnabled(true);
    FData->SetSeparatelyDesign(false);
    FData->SetCSVFieldName(true);
    FData->SelectSheet(0);
    EXPECT_EQ(FData->SheetName(), QStringLiteral("新規シート1"));
    EXPECT_EQ(FData->Grid()->Size(), 50);
    FData->SelectSheet(1);
    EXPECT_EQ(FData->SheetName(), QStringLiteral("裏面"));
    EXPECT_EQ(FData->Grid()->Size(), 125);
    EXPECT_EQ(FData->Guide()->GetPos(3), QPoint(0, 777));
    EXPECT_FALSE(FData->SeparatelyDesign());

    FData->SetDataName(QStringLiteral("データ名"));
    FData->SetSheetMode(true);
    FData->SetLastPrint(45000.75);
    const TGuid product = FData->ProductInfo().Guid();
    FData->Save(Path(QStringLiteral("settings.lbd")));
    auto reopened = TLabelData::Open(Path(QStringLiteral("settings.lbd")));
    EXPECT_EQ(reopened->CurrentSheet(), 1);
    EXPECT_EQ(reopened->SheetName(), QStringLiteral("裏面"));
    EXPECT_EQ(*reopened->Grid(), *FData->Grid());
    EXPECT_EQ(*reopened->Guide(), *FData->Guide());
    EXPECT_FALSE(reopened->SeparatelyDesign());
    EXPECT_TRUE(reopened->CSVFieldName());
    EXPECT_EQ(reopened->DataName(), QStringLiteral("データ名"));
    EXPECT_TRUE(reopened->SheetMode());
    EXPECT_DOUBLE_EQ(reopened->LastPrint(), 45000.75);
    EXPECT_EQ(reopened->ProductInfo().Guid(), product);
    EXPECT_FALSE(reopened->Modified());
    EXPECT_EQ(SheetNames(*reopened), (QStringList{QStringLiteral("新規シート1"), QStringLiteral("裏面")}));
}

TEST_F(LabelData, ModifiedFollowsChangesButNotSelection)
{
    FData->AddSheet();
    FData->Save(Path(QStringLiteral("m.lbd")));
    EXPECT_FALSE(FData->Modified());
    FData->SelectSheet(0);
    SheetNames(*FData);
    EXPECT_FALSE(FData->Modified());
    TDOList list;
    list.Add(NewRect({100, 100, 200, 200}));
    FData->WriteLabel(0, list);
    list.FreeObjects();
    EXPECT_TRUE(FData->Modified());
    FData->SelectSheet(1);
    EXPECT_TRUE(FData->Modified());
    FData->Save(Path(QStringLiteral("m.lbd")));
    EXPECT_FALSE(FData->Modified());
    FData->MoveSheet(0);
    EXPECT_TRUE(FData->Modified());
}

TEST_F(LabelData, MovingASheetKeepsItCurrentAndItsState)
{
    FData->SetSheetName(QStringLiteral("一"));
    FData->AddSheet();
    FData->SetSheetName(QStringLiteral("二"));
    FData->AddSheet();
    FData->SetSheetName(QStringLiteral("三"));
    FData->MoveSheet(0);
    EXPECT_EQ(FData->CurrentSheet(), 0);
    EXPECT_EQ(SheetNames(*FData),
              (QStringList{QStringLiteral("三"), QStringLiteral("一"), QStringLiteral("二")}));
    FData->SelectSheet(2);
    EXPECT_EQ(FData->SheetName(), QStringLiteral("二"));
}

TEST_F(LabelData, DeletingAnotherSheetKeepsTheCurrentOneAndItsChanges)
{
    FData->AddSheet();
    FData->AddSheet();
    FData->SetSheetName(QStringLiteral("編集中")); // not yet written back
    FData->DeleteSheet(0);
    EXPECT_EQ(FData->CurrentSheet(), 1);
    EXPECT_EQ(FData->SheetName(), QStringLiteral("編集中"));
    // Deleting the current last sheet makes the new last one current.
    FData->DeleteSheet(1);
    EXPECT_EQ(FData->CurrentSheet(), 0);
    EXPECT_EQ(FData->SheetName(), QStringLiteral("新規シート2"));
    EXPECT_THROW(FData->DeleteSheet(0), EInternalError);
    EXPECT_EQ(FData->SheetCount(), 1);
}

TEST_F(LabelData, ClearingALabelKeepsItsNameAndDropsItsPreview)
{
    TDOList list;
    list.Add(NewRect({100, 100, 200, 200}));
    FData->WriteLabel(2, list);
    list.FreeObjects();
    FData->MakePreview(2);
    EXPECT_TRUE(FData->PreviewExists(2));
    FData->ClearLabel(2);
    EXPECT_FALSE(FData->LabelHasData(2));
    EXPECT_FALSE(FData->PreviewExists(2));
    EXPECT_EQ(FData->DesignCount(), 3);
    EXPECT_FALSE(FData->Storage().StreamExists(FData->SheetPath(0) + QStringLiteral("\\NameList2")));
}

TEST_F(LabelData, SavedDesignsAreCompressedAndReadBackUnchanged)
{
    TDOList list;
    auto* group = new TDOGroup;
    group->AddMember(NewRect({100, 100, 200, 200}, 0x123456));
    group->AddMember(NewRect({300, 100, 400, 200}, 0x654321));
    list.Add(group);
    list.Add(NewRect({500, 50, 700, 350}, 0x00FF00));
    FData->WriteLabel(4, list);
    list.FreeObjects();
    EXPECT_FALSE(FData->IsLabelCompressed(4));
    QByteArray before;
    {
        TDocStream s(FData->Storage(), fmDocRead, FData->SheetPath(0) + QStringLiteral("\\NameList4"));
        before = s.ReadBytes(s.Size());
    }
    FData->Save(Path(QStringLiteral("c.lbd")));
    EXPECT_TRUE(FData->IsLabelCompressed(4));

    QByteArray packed;
    {
        TFileStorage root(Path(QStringLiteral("c.lbd")), fmDocRead);
        packed = StreamBytesOf(root, QStringLiteral("Sheets\\NameList0\\NameList4"));
    }
    EXPECT_TRUE(packed.startsWith(CompressMarker()));
    TMemoryStream in(packed);
    uint32_t size = 0;
    ASSERT_TRUE(IsCompressed(in, &size));
    TMemoryStream plain;
    Decompress(in, plain, size);
    EXPECT_EQ(plain.Data(), before);

    auto reopened = TLabelData::Open(Path(QStringLiteral("c.lbd")));
    OwnedList read;
    reopened->ReadLabel(4, read.List);
    ASSERT_EQ(read.List.Count(), 2);
    EXPECT_EQ(static_cast<TLDTestRect*>(read.List[0])->Color(), 0x00FF00);
    auto* readGroup = dynamic_cast<TDOGroup*>(read.List[1]);
    ASSERT_NE(readGroup, nullptr);
    ASSERT_EQ(readGroup->MemberCount(), 2);
    EXPECT_EQ(static_cast<TLDTestRect*>(readGroup->Members(1))->Color(), 0x654321);
}

TEST_F(LabelData, UncompressedDesignsReadAsWell)
{
    TDOList list;
    list.Add(NewRect({100, 100, 200, 200}, 0x445566));
    FData->Save(Path(QStringLiteral("first.lbd")));
    FData->WriteLabel(0, list);
    list.FreeObjects();
    // The working copy as it stands: designs not compressed yet.
    FData->Storage().SaveTo(Path(QStringLiteral("plain.lbd")));
    {
        TFileStorage root(Path(QStringLiteral("plain.lbd")), fmDocRead);
        EXPECT_FALSE(
            StreamBytesOf(root, QStringLiteral("Sheets\\NameList0\\NameList0")).startsWith(CompressMarker()));
    }
    auto reopened = TLabelData::Open(Path(QStringLiteral("plain.lbd")));
    EXPECT_FALSE(reopened->IsLabelCompressed(0));
    OwnedList read;
    reopened->ReadLabel(0, read.List);
    ASSERT_EQ(read.List.Count(), 1);
    EXPECT_EQ(static_cast<TLDTestRect*>(read.List[0])->Color(), 0x445566);
}

TEST_F(LabelData, LoadingReplacesTheWholeDocument)
{
    FData->SetSheetName(QStringLiteral("保存前"));
    FData->AddSheet();
    FData->Save(Path(QStringLiteral("two.lbd")));
    TLabelData other;
    other.Load(Path(QStringLiteral("two.lbd")));
    EXPECT_EQ(other.SheetCount(), 2);
    EXPECT_EQ(other.CurrentSheet(), 1);
    ASSERT_NE(other.Paper(), nullptr);
    EXPECT_EQ(other.Paper()->PaperName(), FData->Paper()->PaperName());
    EXPECT_FALSE(other.Modified());
    // The loaded copy is private: changing it leaves the file alone.
    other.AddSheet();
    auto again = TLabelData::Open(Path(QStringLiteral("two.lbd")));
    EXPECT_EQ(again->SheetCount(), 2);
}

TEST_F(LabelData, LandscapePaperGivesTurnedLabelRectangles)
{
    auto paper = SamplePaper();
    paper->SetLandscape(true);
    FData->SetPaper(paper.get());
    const TLogRect r = FData->LabelRect(0);
    EXPECT_EQ(r.Width(), 400);
    EXPECT_EQ(r.Height(), 900);
    TDOList list;
    list.Add(NewRect({0, 800, 100, 900}));
    FData->WriteLabel(0, list);
    list.FreeObjects();
    OwnedList read;
    FData->ReadLabel(0, read.List);
    // Inside the 400 x 900 label, so nothing moves.
    EXPECT_EQ(RectOf(read.List[0]), (TLogRect{0, 800, 100, 900}));
}

TEST_F(LabelData, RecordsComeFromTheStoreAndProductsFromTheFile)
{
    TProductDB& store = ProductDB();
    if (!store.Initialized())
        store.Initialize();
    TProductInfo product;
    product.Item(0)->Info()->Add(QStringLiteral("冬のカタログ"));
    store.Write(product);
    TProductInfo creatorJ;
    store.ReadJapaneseCreator(creatorJ);

    TProductInfo first;
    store.ReadProduct(0, first);

    TLabelData created;
    EXPECT_TRUE(created.ProductInfo().SameRecord(first));
    EXPECT_TRUE(created.CreatorInfoJ().SameRecord(creatorJ));
    EXPECT_EQ(created.CreatorInfoJ().ItemCount(), kCreatorItemCount);

    // The file's product record is taken (normalised); its creator records are not.
    created.ProductInfo().Assign(product);
    created.ProductInfo().Item(0)->Info()->SetLines({QStringLiteral("春のカタログ")});
    created.CreatorInfoJ().SetGuid(TGuid::Create());
    created.Save(FDir.filePath(QStringLiteral("records.lbd")));
    auto reopened = TLabelData::Open(FDir.filePath(QStringLiteral("records.lbd")));
    EXPECT_TRUE(reopened->ProductInfo().SameRecord(product));
    EXPECT_EQ(reopened->ProductInfo().Item(0)->FirstLine(), QStringLiteral("春のカタログ"));
    EXPECT_EQ(reopened->ProductInfo().ItemCount(), kProductItemCount);
    EXPECT_TRUE(reopened->CreatorInfoJ().SameRecord(creatorJ));
}
