#include "paper/UPaperInfoV2.h"
#include "base/UCodePage932.h"
#include "base/UDateTime.h"
#include "persist/UComponentStream.h"
#include <QDateTime>
#include <algorithm>

namespace velmo {

namespace {

template <class T> std::unique_ptr<T> ReadComponentAs(TStream& stream)
{
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    if (T* typed = dynamic_cast<T*>(read.get())) {
        read.release();
        return std::unique_ptr<T>(typed);
    }
    throw EReadError(InvalidStreamFormatMessage());
}

// One more than the highest key among the names; 1 when there is none.
QString NextKey(const QStringList& names)
{
    uint32_t highest = 0;
    for (const QString& name : names)
        highest = std::max(highest, PaperKeyNumber(name));
    if (highest == 0xFFFFFFFFu)
        throw EPaperCatalogError(QStringLiteral("用紙の番号が上限に達しました"));
    return PaperKey(highest + 1);
}

} // namespace

QByteArray EncodeCatalogueList(const QStringList& list)
{
    QByteArray bytes;
    for (const QString& line : list) {
        bytes += cp932::Encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

QStringList DecodeCatalogueList(const QByteArray& bytes)
{
    QStringList lines = cp932::Decode(bytes).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// ---------------------------------------------------------------------------------
// TExtraInfoBase

TExtraInfoBase::~TExtraInfoBase() = default;

TDocStorage& TExtraInfoBase::Folder() const
{
    if (!FFolder)
        throw EInternalError(QStringLiteral("extra information base not attached"));
    return *FFolder;
}

// ---------------------------------------------------------------------------------
// TExInfoBase

void TExInfoBase::Attach(TRootStorage& root)
{
    FFolder = std::make_unique<TDocStorage>(root, true, Name());
    FNames.clear();
    FCache.clear();
    FFolder->ListStreams(FNames);
}

std::unique_ptr<TExPaperInfo> TExInfoBase::ReadRecord(const QString& streamName)
{
    TDocStream stream(Folder(), fmDocRead, streamName);
    return ReadComponentAs<TExPaperInfo>(stream);
}

void TExInfoBase::AddToCache(const QString& streamName, std::unique_ptr<TExPaperInfo> record)
{
    const QString paperName = record->PaperName();
    if (FCache.count(paperName))
        throw EPaperCatalogError(QStringLiteral("用紙情報更新エラー(%1)").arg(paperName));
    FCache.emplace(paperName, TCacheEntry{streamName, std::move(record)});
}

QString TExInfoBase::FindStream(const QString& paperName)
{
    const auto hit = FCache.find(paperName);
    if (hit != FCache.end())
        return hit->second.StreamName;
    while (CachedCount() < FNames.size()) {
        const QString streamName = FNames[CachedCount()];
        std::unique_ptr<TExPaperInfo> record = ReadRecord(streamName);
        const bool found = record->PaperName() == paperName;
        AddToCache(streamName, std::move(record));
        if (found)
            return streamName;
    }
    return QString();
}

void TExInfoBase::Remove(const QString& paperName)
{
    const QString streamName = FindStream(paperName);
    if (streamName.isEmpty())
        return;
    Folder().DeleteElement(streamName);
    FNames.removeAt(FNames.indexOf(streamName));
    FCache.erase(paperName);
}

void TExInfoBase::DeletePaper(const QString& paperName)
{
    Remove(paperName);
}

void TExInfoBase::Store(const TExtraPaperInfo& record)
{
    auto* info = dynamic_cast<const TExPaperInfo*>(&record);
    if (!info)
        throw EConvertError(QStringLiteral("%1 を %2 に代入できません")
                                .arg(QString::fromLatin1(record.ClassName()),
                                     QString::fromLatin1(TExPaperInfo::StaticClassName())));
    Remove(info->PaperName());
    if (info->IsEmpty())
        return;
    const QString key = NextKey(FNames);
    {
        TDocStream stream(Folder(), fmDocCreate, key);
        WriteComponent(stream, *info);
    }
    auto copy = std::make_unique<TExPaperInfo>();
    copy->Assign(*info);
    const int cached = CachedCount();
    FNames.insert(cached, key);
    AddToCache(key, std::move(copy));
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::Find(const QString& paperName)
{
    if (FindStream(paperName).isEmpty())
        return nullptr;
    return FCache.at(paperName).Record->Clone();
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::GetRecord(int index)
{
    if (index < 0 || index >= FNames.size())
        throw EInternalError(QStringLiteral("record index out of range"));
    return ReadRecord(FNames[index]);
}

// ---------------------------------------------------------------------------------
// TImageInfoBase

void TImageInfoBase::Attach(TRootStorage& root)
{
    FFolder = std::make_unique<TDocStorage>(root, true, Name());
    FNames.clear();
    FFolder->ListStorages(FNames);
}

std::unique_ptr<TImagePaperInfo> TImageInfoBase::ReadInfo(const QString& storageName)
{
    TDocStream stream(Folder(), fmDocRead, storageName + QLatin1Char('\\') + InfoStreamName());
    return ReadComponentAs<TImagePaperInfo>(stream);
}

std::unique_ptr<TImagePaperInfo> TImageInfoBase::ReadWhole(const QString& storageName)
{
    std::unique_ptr<TImagePaperInfo> info = ReadInfo(storageName);
    QStringList faces;
    {
        TDocStorage folder(Folder(), false, storageName);
        folder.ListStreams(faces);
    }
    faces.removeIf([](const QString& name) {
        return QString::compare(name, InfoStreamName(), Qt::CaseInsensitive) == 0;
    });
    std::sort(faces.begin(), faces.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    for (const QString& face : std::as_const(faces)) {
        TDocStream stream(Folder(), fmDocRead, storageName + QLatin1Char('\\') + face);
        info->LoadFace(stream);
    }
    return info;
}

int TImageInfoBase::FindStorage(const QString& paperName)
{
    for (int i = 0; i < FNames.size(); ++i) {
        // A record that cannot be read belongs to no paper; it must not block the
        // others.
        try {
            if (ReadInfo(FNames[i])->PaperName() == paperName)
                return i;
        } catch (const Exception&) {
        }
    }
    return -1;
}

void TImageInfoBase::DeletePaper(const QString& paperName)
{
    const int index = FindStorage(paperName);
    if (index < 0)
        return;
    Folder().DeleteElement(FNames[index]);
    FNames.removeAt(index);
}

void TImageInfoBase::Store(const TExtraPaperInfo& record)
{
    auto* info = dynamic_cast<const TImagePaperInfo*>(&record);
    if (!info)
        throw EConvertError(QStringLiteral("%1 を %2 に代入できません")
                                .arg(QString::fromLatin1(record.ClassName()),
                                     QString::fromLatin1(TImagePaperInfo::StaticClassName())));
    DeletePaper(info->PaperName());
    if (info->IsEmpty())
        return;
    const QString key = NextKey(FNames);
    try {
        TDocStorage folder(Folder(), true, key);
        QStringList old;
        folder.ListStreams(old);
        for (const QString& name : std::as_const(old))
            folder.DeleteElement(name);
        {
            TDocStream stream(folder, fmDocCreate, InfoStreamName());
            WriteComponent(stream, *info);
        }
        for (int face = 0; face < info->FaceCount(); ++face) {
            TDocStream stream(folder, fmDocCreate, PaperKey(uint32_t(face + 1)));
            info->Faces(face).SaveToStream(stream);
        }
    } catch (...) {
        Folder().DeleteElement(key);
        throw;
    }
    FNames.append(key);
}

std::unique_ptr<TExtraPaperInfo> TImageInfoBase::Find(const QString& paperName)
{
    const int index = FindStorage(paperName);
    if (index < 0)
        return nullptr;
    return ReadWhole(FNames[index]);
}

std::unique_ptr<TExtraPaperInfo> TImageInfoBase::GetRecord(int index)
{
    if (index < 0 || index >= FNames.size())
        throw EInternalError(QStringLiteral("record index out of range"));
    return ReadWhole(FNames[index]);
}

// ---------------------------------------------------------------------------------
// TPapersV2

TPapersV2::TPapersV2(const QString& fileName, bool readOnly)
    : TPapers(fileName, readOnly), FUpdateInfo(std::make_unique<TPaperUpdate>())
{
    try {
        if (Storage().StreamExists(UpdateInfoStreamName())) {
            TDocStream stream(Storage(), fmDocRead, UpdateInfoStreamName());
            FUpdateInfo = ReadComponentAs<TPaperUpdate>(stream);
        } else {
            WriteStream(UpdateInfoStreamName(), *FUpdateInfo);
        }
        FGroupList = ReadList(GroupListStreamName());
        FCompanyList = ReadList(CompanyListStreamName());
    } catch (...) {
        // A catalogue that failed to open is never written back.
        Discard();
        throw;
    }
}

TPapersV2::~TPapersV2()
{
    // Write back while the bases still exist; they hold storages of the working copy.
    try {
        Close();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
    FBases.clear();
}

QStringList TPapersV2::ReadList(const QString& path)
{
    if (!Storage().StreamExists(path)) {
        WriteList(path, {});
        return {};
    }
    TDocStream stream(Storage(), fmDocRead, path);
    return DecodeCatalogueList(stream.ReadBytes(stream.Size()));
}

void TPapersV2::WriteList(const QString& path, const QStringList& list)
{
    const QByteArray bytes = EncodeCatalogueList(list);
    TDocStream stream(Storage(), fmDocCreate, path);
    stream.WriteBytes(bytes);
}

void TPapersV2::SetCompanyList(const QStringList& list)
{
    WriteList(CompanyListStreamName(), list);
    FCompanyList = list;
}

void TPapersV2::SetGroupList(const QStringList& list)
{
    WriteList(GroupListStreamName(), list);
    FGroupList = list;
}

void TPapersV2::SetUpdateInfo(const TPaperUpdate& info)
{
    auto copy = std::make_unique<TPaperUpdate>();
    copy->Assign(info);
    WriteStream(UpdateInfoStreamName(), *copy);
    FUpdateInfo = std::move(copy);
}

void TPapersV2::RegisterBase(std::unique_ptr<TExtraInfoBase> base)
{
    base->Attach(Storage());
    for (std::unique_ptr<TExtraInfoBase>& existing : FBases) {
        if (QString::compare(existing->Name(), base->Name(), Qt::CaseInsensitive) == 0) {
            existing = std::move(base);
            return;
        }
    }
    FBases.push_back(std::move(base));
}

TExtraInfoBase* TPapersV2::Base(const QString& name) const
{
    for (const std::unique_ptr<TExtraInfoBase>& base : FBases)
        if (QString::compare(base->Name(), name, Qt::CaseInsensitive) == 0)
            return base.get();
    return nullptr;
}

std::unique_ptr<TExtraPaperInfo> TPapersV2::FindRecord(const QString& baseName,
                                                       const QString& paperName) const
{
    TExtraInfoBase* base = Base(baseName);
    if (!base || paperName.isEmpty())
        return nullptr;
    return base->Find(paperName);
}

void TPapersV2::StoreRecord(const QString& baseName, const TExtraPaperInfo& record)
{
    TExtraInfoBase* base = Base(baseName);
    if (!base || record.PaperName().isEmpty())
        return;
    base->Store(record);
}

void TPapersV2::DeletePaper(int index)
{
    const QString paperName = Paper(index)->PaperName();
    for (const std::unique_ptr<TExtraInfoBase>& base : FBases)
        base->DeletePaper(paperName);
    TPapers::DeletePaper(index);
}

void TPapersV2::MergeUpdate(const TPapersV2& update, const TPaperProgress& progress, bool keepUserPapers)
{
    const int count = update.Count();
    for (int i = 0; i < count; ++i) {
        if (progress)
            progress(i, count);
        std::unique_ptr<TPaperInfo> paper = update.Paper(i)->Clone();
        if (!paper->ReadOnly())
            continue;
        if (keepUserPapers) {
            const int mine = IndexOfName(paper->PaperName());
            if (mine >= 0 && !Paper(mine)->ReadOnly())
                continue;
        }
        StorePaper(*paper);
        for (const std::unique_ptr<TExtraInfoBase>& theirs : update.FBases) {
            TExtraInfoBase* ours = Base(theirs->Name());
            if (!ours)
                continue;
            if (std::unique_ptr<TExtraPaperInfo> record = theirs->Find(paper->PaperName()))
                ours->Store(*record);
        }
    }
    if (progress)
        progress(count, count);

    TPaperUpdate info;
    info.Assign(*FUpdateInfo);
    info.SetLastUpdate(DateTimeToDayCount(QDateTime::currentDateTime()));
    info.SetPPRNo(update.UpdateInfo().PPRNo());
    SetUpdateInfo(info);

    SetCompanyList(update.CompanyList());
    SetGroupList(update.GroupList());

    if (update.Storage().StorageExists(GlobalInfoStorageName())) {
        TDocStorage theirs(update.Storage(), false, GlobalInfoStorageName());
        TDocStorage ours(Storage(), true, GlobalInfoStorageName());
        theirs.CopyTo(ours);
    }
    MarkChanged();
}

} // namespace velmo
