#pragma once
// The second generation of the catalogue: per-paper records in bases of their own
// (extra information, background designs), the version of the last update, and the
// maker and group lists.
#include "paper/UPaperRecords.h"
#include "paper/UPapers.h"
#include <map>

namespace velmo {

// A storage of per-paper records, each naming its paper by PaperName. Records the
// base hands out are new objects owned by the caller.
class TExtraInfoBase
{
public:
    explicit TExtraInfoBase(const QString& name) : FName(name) {}
    virtual ~TExtraInfoBase();
    TExtraInfoBase(const TExtraInfoBase&) = delete;
    TExtraInfoBase& operator=(const TExtraInfoBase&) = delete;

    // The name of the base's storage in the catalogue.
    const QString& Name() const { return FName; }

    // Opens (creating when missing) the base's storage under root.
    virtual void Attach(TRootStorage& root) = 0;
    virtual void DeletePaper(const QString& paperName) = 0;
    virtual void Store(const TExtraPaperInfo& record) = 0;
    virtual std::unique_ptr<TExtraPaperInfo> Find(const QString& paperName) = 0;
    virtual std::unique_ptr<TExtraPaperInfo> GetRecord(int index) = 0;
    virtual int Count() const = 0;

protected:
    TDocStorage& Folder() const;
    std::unique_ptr<TDocStorage> FFolder;

private:
    QString FName;
};

// "ExtraInfos": one stream per record. The streams before the cache count are
// exactly the cached ones; the rest are read on demand.
class TExInfoBase : public TExtraInfoBase
{
public:
    TExInfoBase() : TExtraInfoBase(QStringLiteral("ExtraInfos")) {}
    void Attach(TRootStorage& root) override;
    void DeletePaper(const QString& paperName) override;
    void Store(const TExtraPaperInfo& record) override;
    std::unique_ptr<TExtraPaperInfo> Find(const QString& paperName) override;
    std::unique_ptr<TExtraPaperInfo> GetRecord(int index) override;
    int Count() const override { return int(FNames.size()); }

    const QStringList& StreamNames() const { return FNames; }
    int CachedCount() const { return int(FCache.size()); }

private:
    struct TCacheEntry
    {
        QString StreamName;
        std::unique_ptr<TExPaperInfo> Record;
    };
    std::unique_ptr<TExPaperInfo> ReadRecord(const QString& streamName);
    // The stream of the paper's record, or empty.
    QString FindStream(const QString& paperName);
    void AddToCache(const QString& streamName, std::unique_ptr<TExPaperInfo> record);
    void Remove(const QString& paperName);

    QStringList FNames;
    std::map<QString, TCacheEntry> FCache;
};

// "PaperImages": one sub-storage per record, with the record in "ImageInfo" and one
// draw-object list per face in streams named like keys.
class TImageInfoBase : public TExtraInfoBase
{
public:
    TImageInfoBase() : TExtraInfoBase(QStringLiteral("PaperImages")) {}
    void Attach(TRootStorage& root) override;
    void DeletePaper(const QString& paperName) override;
    void Store(const TExtraPaperInfo& record) override;
    std::unique_ptr<TExtraPaperInfo> Find(const QString& paperName) override;
    std::unique_ptr<TExtraPaperInfo> GetRecord(int index) override;
    int Count() const override { return int(FNames.size()); }

    const QStringList& StorageNames() const { return FNames; }
    static QString InfoStreamName() { return QStringLiteral("ImageInfo"); }

private:
    int FindStorage(const QString& paperName);
    std::unique_ptr<TImagePaperInfo> ReadInfo(const QString& storageName);
    std::unique_ptr<TImagePaperInfo> ReadWhole(const QString& storageName);

    QStringList FNames;
};

class TPapersV2 : public TPapers
{
public:
    TPapersV2(const QString& fileName, bool readOnly);
    ~TPapersV2() override;

    // Takes the base and attaches it to the working copy; a base of a name already
    // registered replaces the old one.
    void RegisterBase(std::unique_ptr<TExtraInfoBase> base);
    TExtraInfoBase* Base(const QString& name) const;
    int BaseCount() const { return int(FBases.size()); }
    TExtraInfoBase* Bases(int index) const { return FBases.at(size_t(index)).get(); }
    // Nothing for an unknown base; none for a paper name that is empty.
    std::unique_ptr<TExtraPaperInfo> FindRecord(const QString& baseName, const QString& paperName) const;
    void StoreRecord(const QString& baseName, const TExtraPaperInfo& record);

    void DeletePaper(int index) override;

    const TPaperUpdate& UpdateInfo() const { return *FUpdateInfo; }
    void SetUpdateInfo(const TPaperUpdate& info);

    // The stored lists; every change is written to its stream at once.
    const QStringList& CompanyList() const { return FCompanyList; }
    void SetCompanyList(const QStringList& list);
    const QStringList& GroupList() const { return FGroupList; }
    void SetGroupList(const QStringList& list);

    // Merges a downloaded catalogue: its system papers with their records, its update
    // number, its lists and its "GlobalInfo". Marks the catalogue as changed. With
    // keepUserPapers, a paper of the user's own (not ReadOnly) is never replaced by a
    // system paper of the same name.
    void MergeUpdate(const TPapersV2& update, const TPaperProgress& progress = {},
                     bool keepUserPapers = false);

    static QString UpdateInfoStreamName() { return QStringLiteral("UpdateInfo\\UpdateInfo"); }
    static QString CompanyListStreamName() { return QStringLiteral("CompanyList\\CompanyList"); }
    static QString GroupListStreamName() { return QStringLiteral("GroupList\\GroupList"); }
    static QString GlobalInfoStorageName() { return QStringLiteral("GlobalInfo"); }

private:
    QStringList ReadList(const QString& path);
    void WriteList(const QString& path, const QStringList& list);

    std::vector<std::unique_ptr<TExtraInfoBase>> FBases;
    std::unique_ptr<TPaperUpdate> FUpdateInfo;
    QStringList FCompanyList;
    QStringList FGroupList;
};

// Text lists of the catalogue: one entry a line, CR LF, code page 932.
QByteArray EncodeCatalogueList(const QStringList& list);
QStringList DecodeCatalogueList(const QByteArray& bytes);

} // namespace velmo
