#include "document/UProductInfo.h"
#include "persist/UComponentStream.h"
#include <cstring>

namespace velmo {

// ---------------------------------------------------------------------------------
// TGuid

TGuid TGuid::Create()
{
    return FromUuid(QUuid::createUuid());
}

TGuid TGuid::FromUuid(const QUuid& uuid)
{
    TGuid guid;
    auto& b = guid.Bytes;
    for (int i = 0; i < 4; ++i)
        b[size_t(i)] = uint8_t(uuid.data1 >> (8 * i));
    b[4] = uint8_t(uuid.data2);
    b[5] = uint8_t(uuid.data2 >> 8);
    b[6] = uint8_t(uuid.data3);
    b[7] = uint8_t(uuid.data3 >> 8);
    for (int i = 0; i < 8; ++i)
        b[size_t(8 + i)] = uuid.data4[i];
    return guid;
}

QUuid TGuid::ToUuid() const
{
    const auto& b = Bytes;
    const uint32_t d1 = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    const uint16_t d2 = uint16_t(b[4] | b[5] << 8);
    const uint16_t d3 = uint16_t(b[6] | b[7] << 8);
    return QUuid(d1, d2, d3, b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

QByteArray TGuid::ToByteArray() const
{
    return QByteArray(reinterpret_cast<const char*>(Bytes.data()), int(Bytes.size()));
}

// ---------------------------------------------------------------------------------
// Items

QString ProductFieldName(int index)
{
    static const char16_t* const names[kProductItemCount] = {
        u"メインタイトル", u"サブタイトル", u"担当者",    u"コピーライト", u"バージョン",
        u"日付",           u"自由項目1",    u"自由項目2", u"自由項目3",    u"自由項目4"};
    return index >= 0 && index < kProductItemCount ? QString::fromUtf16(names[index]) : QString();
}

QString CreatorFieldName(int index)
{
    static const char16_t* const names[kCreatorItemCount] = {
        u"会社名", u"部署名",       u"TEL",       u"FAX",       u"郵便番号", u"住所1",
        u"住所2",  u"ホームページ", u"自由項目1", u"自由項目2", u"自由項目3"};
    return index >= 0 && index < kCreatorItemCount ? QString::fromUtf16(names[index]) : QString();
}

const TPropertyTable& TProductItem::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("Info", &TProductItem::Info)
            .String("FieldName", &TProductItem::FFieldName, &TProductItem::FFieldName);
    return table;
}

TProductItem::TProductItem() : FInfo(std::make_unique<TStrings>()) {}

QString TProductItem::FirstLine() const
{
    return FInfo->Count() > 0 ? (*FInfo)[0] : QString();
}

void TProductItem::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TProductItem*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    FInfo->Assign(*other->FInfo);
    FFieldName = other->FFieldName;
}

const TPropertyTable& TProductItemCollection::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TProductItemCollection::TProductItemCollection() : TCollection(ItemFactory<TProductItem>()) {}

void TProductItemCollection::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TProductItemCollection*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    while (Count() > other->Count())
        Delete(Count() - 1);
    while (Count() < other->Count())
        Add();
    for (int i = 0; i < Count(); ++i)
        Items(i)->Assign(*other->Items(i));
}

// ---------------------------------------------------------------------------------
// TProductInfo

const TPropertyTable& TProductInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("Items", &TProductInfo::Items)
            .BinaryCustom("GUID", nullptr, &TProductInfo::WriteGuid, &TProductInfo::ReadGuid);
    return table;
}

TProductInfo::TProductInfo(TComponent* owner)
    : TComponent(owner), FItems(std::make_unique<TProductItemCollection>()), FGuid(TGuid::Create())
{
    Normalize();
}

TProductInfo::~TProductInfo() = default;

void TProductInfo::WriteGuid(TStream& stream) const
{
    stream.WriteBuffer(FGuid.Bytes.data(), int64_t(FGuid.Bytes.size()));
}

void TProductInfo::ReadGuid(TStream& stream)
{
    // Anything but sixteen bytes is no identity of ours.
    if (stream.Size() != int64_t(FGuid.Bytes.size()))
        throw EReadError(InvalidPropertyValueMessage());
    stream.ReadBuffer(FGuid.Bytes.data(), int64_t(FGuid.Bytes.size()));
}

void TProductInfo::Normalize()
{
    while (FItems->Count() < kProductItemCount)
        FItems->Add();
    for (int i = 0; i < 7; ++i)
        Item(i)->SetFieldName(ProductFieldName(i));
    for (int i = 7; i < kProductItemCount; ++i)
        if (Item(i)->FieldName().isEmpty())
            Item(i)->SetFieldName(ProductFieldName(i));
}

void TProductInfo::SetCreatorDefault()
{
    while (FItems->Count() < kCreatorItemCount)
        FItems->Add();
    for (int i = 0; i < kCreatorItemCount; ++i)
        Item(i)->SetFieldName(CreatorFieldName(i));
}

void TProductInfo::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TProductInfo*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    FItems->Assign(*other->FItems);
    FGuid = other->FGuid;
}

std::unique_ptr<TProductInfo> NewCreatorRecord()
{
    auto record = std::make_unique<TProductInfo>();
    record->Items()->Add(); // the eleventh item
    record->SetCreatorDefault();
    return record;
}

void RegisterProductClasses()
{
    RegisterClass<TProductInfo>();
}

// ---------------------------------------------------------------------------------
// TProductDB

TProductDB::TProductDB()
    : FName(QStringLiteral("$(ProductDB)")), FStorage(std::make_unique<TTemporaryStorage>())
{
    RegisterProductClasses();
}

TProductDB::~TProductDB()
{
    FModified = false;
    FList.reset();
}

TDocStreamList& TProductDB::List()
{
    if (!FList)
        FList = std::make_unique<TDocStreamList>(*FStorage, QStringLiteral("Infos\\NameList"));
    return *FList;
}

void TProductDB::Initialize()
{
    try {
        List();
        Write(*NewCreatorRecord());
        Write(*NewCreatorRecord());
        while (EntryCount() < kFirstProductEntry)
            Write(TProductInfo());
    } catch (...) {
        FModified = false;
        throw;
    }
    FModified = false;
}

int TProductDB::EntryCount() const
{
    return FList ? FList->Count() : 0;
}

int TProductDB::ProductCount() const
{
    return std::max(0, EntryCount() - kFirstProductEntry);
}

void TProductDB::ReadEntry(int index, TProductInfo& record)
{
    std::unique_ptr<TDocStream> stream = List().OpenStream(index, fmDocRead);
    std::unique_ptr<TProductInfo> read = ReadComponentResourceAs<TProductInfo>(*stream);
    record.Assign(*read);
}

void TProductDB::ReadProduct(int index, TProductInfo& record)
{
    if (index < 0 || index >= ProductCount())
        throw EInternalError(QStringLiteral("product index out of range"));
    ReadEntry(index + kFirstProductEntry, record);
}

int TProductDB::Find(const TProductInfo& record)
{
    TProductInfo scratch;
    for (int i = 0; i < EntryCount(); ++i) {
        ReadEntry(i, scratch);
        if (scratch.SameRecord(record))
            return i;
    }
    return -1;
}

int TProductDB::ProductIndex(const TProductInfo& record)
{
    const int index = Find(record);
    return index >= kFirstProductEntry ? index - kFirstProductEntry : -1;
}

void TProductDB::Write(const TProductInfo& record)
{
    int index = Find(record);
    if (index < 0)
        index = List().AddNew();
    std::unique_ptr<TDocStream> stream = List().OpenStream(index, fmDocCreate);
    WriteComponentResource(*stream, QStringLiteral("ProductInfo"), record);
    FModified = true;
}

void TProductDB::Delete(const TProductInfo& record)
{
    const int index = Find(record);
    if (index < 0)
        return;
    List().Delete(index);
    FModified = true;
}

void TProductDB::MoveProductToEnd(int index)
{
    TProductInfo last;
    Write(last);
    TProductInfo moved;
    ReadProduct(index, moved);
    Delete(moved);
    ReadProduct(ProductCount() - 1, last);
    last.Items()->Assign(*moved.Items());
    Write(last);
}

void TProductDB::Reorder(int fromRow, int toRow)
{
    const int count = ProductCount();
    if (fromRow == toRow || fromRow < 1 || fromRow > count || toRow < 1 || toRow > count)
        return;
    MoveProductToEnd(fromRow - 1);
    if (toRow != count)
        for (int i = 0; i < count - toRow; ++i)
            MoveProductToEnd(toRow - 1);
}

void TProductDB::InitDocumentRecords(TProductInfo& product, TProductInfo& creatorJapanese,
                                     TProductInfo& creatorEnglish)
{
    if (ProductCount() > 0)
        ReadProduct(0, product);
    ReadJapaneseCreator(creatorJapanese);
    ReadEnglishCreator(creatorEnglish);
}

void TProductDB::TakeLoadedProduct(TProductInfo& documentRecord, const TProductInfo& loaded)
{
    documentRecord.Assign(loaded);
    documentRecord.Normalize();
}

TProductDB& ProductDB()
{
    static TProductDB store;
    return store;
}

} // namespace velmo
