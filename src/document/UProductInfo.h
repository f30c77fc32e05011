#pragma once
// Product and creator information: records of named text items that label texts can
// be bound to, and the application-wide store of the creator pair and the products.
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include "storage/UDocFile.h"
#include <QUuid>
#include <array>
#include <memory>

namespace velmo {

// A GUID in the platform's byte layout: a 32-bit, two 16-bit (all little-endian) and
// eight 8-bit fields.
struct TGuid
{
    std::array<uint8_t, 16> Bytes{};

    static TGuid Create();
    static TGuid FromUuid(const QUuid& uuid);
    QUuid ToUuid() const;
    QByteArray ToByteArray() const;
    bool operator==(const TGuid&) const = default;
};

class TProductItem : public TCollectionItem
{
    VELMO_PERSISTENT(TProductItem, TCollectionItem)
public:
    TProductItem();
    // The item's text as lines.
    TStrings* Info() const { return FInfo.get(); }
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& value) { FFieldName = value; }
    // The first line, or empty text when there are no lines.
    QString FirstLine() const;
    void Assign(const TPersistent& source) override;

private:
    std::unique_ptr<TStrings> FInfo;
    QString FFieldName;
};

class TProductItemCollection : public TCollection
{
    VELMO_PERSISTENT(TProductItemCollection, TCollection)
public:
    TProductItemCollection();
    TProductItem* Items(int index) const { return static_cast<TProductItem*>(TCollection::Items(index)); }
    TProductItem* Add() { return static_cast<TProductItem*>(TCollection::Add()); }
    // Replaces the items one for one.
    void Assign(const TPersistent& source) override;
};

constexpr int kProductItemCount = 10;
constexpr int kCreatorItemCount = 11;
// Default item names of product and creator records.
QString ProductFieldName(int index);
QString CreatorFieldName(int index);

class TProductInfo : public TComponent
{
    VELMO_PERSISTENT(TProductInfo, TComponent)
public:
    // A new identity, then normalised to the ten product items.
    explicit TProductInfo(TComponent* owner = nullptr);
    ~TProductInfo() override;

    TProductItemCollection* Items() const { return FItems.get(); }
    TProductItem* Item(int index) const { return FItems->Items(index); }
    int ItemCount() const { return FItems->Count(); }
    const TGuid& Guid() const { return FGuid; }
    void SetGuid(const TGuid& guid) { FGuid = guid; }

    // At least ten items; the first seven take the default names, the next three
    // only when they have none.
    void Normalize();
    // Makes this a creator record: eleven items with the creator names.
    void SetCreatorDefault();
    // Copies the items and the identity.
    void Assign(const TPersistent& source) override;
    // Records are the same record when their identities are equal.
    bool SameRecord(const TProductInfo& other) const { return FGuid == other.FGuid; }

private:
    void WriteGuid(TStream& stream) const;
    void ReadGuid(TStream& stream);

    std::unique_ptr<TProductItemCollection> FItems;
    TGuid FGuid;
};

// A creator default record (eleven items, creator names, own identity).
std::unique_ptr<TProductInfo> NewCreatorRecord();

void RegisterProductClasses();

// The store: entry 0 the Japanese creator record, 1 the English one, 2 to 4 unused
// product records, products from entry 5 on. It lives on a temporary compound file
// for the run of the application only.
class TProductDB
{
public:
    static constexpr int kFirstProductEntry = 5;

    TProductDB();
    ~TProductDB();
    TProductDB(const TProductDB&) = delete;
    TProductDB& operator=(const TProductDB&) = delete;

    const QString& Name() const { return FName; }
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }

    // Fills a new store with the creator pair and the unused entries.
    void Initialize();
    bool Initialized() const { return FList != nullptr; }

    int EntryCount() const;
    int ProductCount() const;
    void ReadProduct(int index, TProductInfo& record);
    void ReadJapaneseCreator(TProductInfo& record) { ReadEntry(0, record); }
    void ReadEnglishCreator(TProductInfo& record) { ReadEntry(1, record); }
    // The entry holding the same record, or -1. Reads the entries from the first.
    int Find(const TProductInfo& record);
    // Find - 5 when that is a product, else -1.
    int ProductIndex(const TProductInfo& record);
    // Over the entry holding the same record, or appended.
    void Write(const TProductInfo& record);
    void Delete(const TProductInfo& record);

    // Moves product index to the end; it keeps its items and takes a new identity.
    void MoveProductToEnd(int index);
    // Moves the product shown in row from (rows from 1) to row to.
    void Reorder(int fromRow, int toRow);

    // A new document's records: product 0 (when there is one) and the creator pair.
    void InitDocumentRecords(TProductInfo& product, TProductInfo& creatorJapanese,
                             TProductInfo& creatorEnglish);
    // A loaded document's product record, normalised.
    static void TakeLoadedProduct(TProductInfo& documentRecord, const TProductInfo& loaded);

private:
    void ReadEntry(int index, TProductInfo& record);
    TDocStreamList& List();

    QString FName;
    std::unique_ptr<TTemporaryStorage> FStorage;
    std::unique_ptr<TDocStreamList> FList;
    bool FModified = false;
};

// The store of the running application.
TProductDB& ProductDB();

} // namespace velmo
