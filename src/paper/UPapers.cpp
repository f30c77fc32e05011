#include "paper/UPapers.h"
#include "persist/UComponentStream.h"
#include <QFileInfo>
#include <algorithm>

namespace velmo {

QString PaperKey(uint32_t number)
{
    return QStringLiteral("$%1").arg(number, 8, 16, QLatin1Char('0')).toUpper();
}

bool ParsePaperKey(const QString& key, uint32_t* number)
{
    bool ok = false;
    qulonglong value = 0;
    const QString text = key.trimmed();
    if (text.startsWith(QLatin1Char('$')))
        value = text.mid(1).toULongLong(&ok, 16);
    else
        value = text.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull)
        return false;
    if (number)
        *number = uint32_t(value);
    return true;
}

uint32_t PaperKeyNumber(const QString& key)
{
    uint32_t number = 0;
    return ParsePaperKey(key, &number) ? number : 0;
}

QString PaperDefect(const TPaperInfo& paper)
{
    if (paper.PortraitWidth() <= 0 || paper.PortraitHeight() <= 0)
        return QStringLiteral("用紙の大きさが正しくありません");
    if (paper.HasExcessFaces() || paper.GetFaceCount() <= 0)
        return QStringLiteral("ラベルの数が正しくありません");
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        const TLogRect r = paper.GetFaceRect(i);
        if (r.Right <= r.Left || r.Bottom <= r.Top)
            return QStringLiteral("ラベルの大きさが正しくありません");
    }
    if (FindFaceOutsidePaper(paper) >= 0)
        return FaceOutsidePaperMessage();
    return QString();
}

// ---------------------------------------------------------------------------------
// TPapers

TPapers::TPapers(const QString& fileName, bool readOnly)
    : FFileName(fileName), FReadOnly(readOnly), FStorage(std::make_unique<TTemporaryStorage>()),
      FPurposeList(std::make_unique<TPurposeList>())
{
    if (QFileInfo::exists(fileName))
        FStorage->LoadFrom(fileName);
    ReadPurposeList();
    ReadPapers();
}

TPapers::~TPapers()
{
    try {
        Close();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
}

void TPapers::Close()
{
    if (FClosed)
        return;
    if (!FReadOnly && FStorage->IsModified())
        FStorage->SaveTo(FFileName);
    FClosed = true;
}

bool TPapers::Modified() const
{
    return FStorage->IsModified();
}

void TPapers::MarkChanged()
{
    FStorage->Mark(true);
}

std::unique_ptr<TComponent> TPapers::ReadStream(const QString& path) const
{
    TDocStream stream(*FStorage, fmDocRead, path);
    return ReadComponent(stream);
}

void TPapers::WriteStream(const QString& path, const TComponent& component)
{
    TDocStream stream(*FStorage, fmDocCreate, path);
    WriteComponent(stream, component);
}

void TPapers::ReadPurposeList()
{
    if (!FStorage->StreamExists(PurposeListStreamName())) {
        FPurposeList->SetDefault();
        return;
    }
    std::unique_ptr<TComponent> read = ReadStream(PurposeListStreamName());
    auto* streamer = dynamic_cast<TPLStreamer*>(read.get());
    if (!streamer)
        throw EReadError(InvalidStreamFormatMessage());
    FPurposeList->Assign(*streamer->List());
}

void TPapers::WritePurposeList()
{
    TPLStreamer streamer;
    streamer.List()->Assign(*FPurposeList);
    WriteStream(PurposeListStreamName(), streamer);
}

void TPapers::SetPurposeList(const TPurposeList& list)
{
    FPurposeList->Assign(list);
    WritePurposeList();
}

void TPapers::ReadPapers()
{
    QStringList keys;
    if (FStorage->StorageExists(PapersStorageName())) {
        TDocStorage papers(*FStorage, false, PapersStorageName());
        papers.ListStreams(keys);
    }
    FKeys.reserve(size_t(keys.size()));
    for (const QString& key : std::as_const(keys)) {
        // One damaged paper must not lock the user out of all the others. Its stream
        // stays in the file as it is, and its key is never handed out again.
        std::unique_ptr<TPaperInfo> held;
        try {
            std::unique_ptr<TComponent> read = ReadStream(PaperPath(key));
            if (auto* paper = dynamic_cast<TPaperInfo*>(read.get())) {
                read.release();
                held.reset(paper);
            }
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
        }
        if (!held || !PaperDefect(*held).isEmpty()) {
            FSkipped.append(key);
            continue;
        }
        held->PurposeList()->Merge(*FPurposeList);
        FKeys.push_back({key, std::move(held)});
    }
    SortKeys();
}

uint32_t TPapers::HighestKeyNumber() const
{
    uint32_t highest = 0;
    for (const TEntry& entry : FKeys)
        highest = std::max(highest, PaperKeyNumber(entry.Key));
    for (const QString& key : FSkipped)
        highest = std::max(highest, PaperKeyNumber(key));
    return highest;
}

void TPapers::SortKeys()
{
    std::stable_sort(FKeys.begin(), FKeys.end(), [](const TEntry& a, const TEntry& b) {
        return QString::compare(a.Key, b.Key, Qt::CaseInsensitive) < 0;
    });
}

void TPapers::SetKeysSorted(bool sorted)
{
    if (sorted && !FSorted)
        SortKeys();
    FSorted = sorted;
}

void TPapers::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EInternalError(QStringLiteral("paper index out of range"));
}

TPaperInfo* TPapers::Paper(int index) const
{
    CheckIndex(index);
    return FKeys[size_t(index)].Paper.get();
}

const QString& TPapers::Key(int index) const
{
    CheckIndex(index);
    return FKeys[size_t(index)].Key;
}

QStringList TPapers::Keys() const
{
    QStringList keys;
    for (const TEntry& entry : FKeys)
        keys.append(entry.Key);
    return keys;
}

int TPapers::IndexOfName(const QString& paperName) const
{
    for (size_t i = 0; i < FKeys.size(); ++i)
        if (FKeys[i].Paper->PaperName() == paperName)
            return int(i);
    return -1;
}

int TPapers::IndexOfKey(const QString& key) const
{
    for (size_t i = 0; i < FKeys.size(); ++i)
        if (QString::compare(FKeys[i].Key, key, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void TPapers::GetGroupNames(QStringList& list) const
{
    for (const TEntry& entry : FKeys)
        if (!list.contains(entry.Paper->GroupName()))
            list.append(entry.Paper->GroupName());
}

int TPapers::InsertKey(const QString& key, std::unique_ptr<TPaperInfo> paper)
{
    auto at = FKeys.end();
    if (FSorted)
        at = std::upper_bound(FKeys.begin(), FKeys.end(), key, [](const QString& k, const TEntry& e) {
            return QString::compare(k, e.Key, Qt::CaseInsensitive) < 0;
        });
    at = FKeys.insert(at, TEntry{key, std::move(paper)});
    return int(at - FKeys.begin());
}

void TPapers::WritePaper(const QString& key, TPaperInfo& paper, bool withPurposes)
{
    // Papers are stored upright; the flags are put back whatever happens.
    const bool landscape = paper.Landscape();
    const bool purposes = paper.StorePurposes();
    paper.SetLandscape(false);
    paper.SetStorePurposes(withPurposes);
    try {
        WriteStream(PaperPath(key), paper);
    } catch (...) {
        paper.SetLandscape(landscape);
        paper.SetStorePurposes(purposes);
        throw;
    }
    paper.SetLandscape(landscape);
    paper.SetStorePurposes(purposes);
}

void TPapers::StorePaper(const TPaperInfo& paper)
{
    if (FPurposeList->Merge(*paper.PurposeList()))
        WritePurposeList();

    std::unique_ptr<TPaperInfo> copy = paper.Clone();
    int index = IndexOfName(paper.PaperName());
    QString key;
    if (index >= 0) {
        key = FKeys[size_t(index)].Key;
        FStorage->DeleteElement(PaperPath(key));
    } else {
        const uint32_t last = HighestKeyNumber();
        if (last == 0xFFFFFFFFu)
            throw EPaperCatalogError(QStringLiteral("用紙の番号が上限に達しました"));
        key = PaperKey(last + 1);
        // A placeholder until the stream is written: the list never holds a key
        // without a paper.
        index = InsertKey(key, paper.Clone());
        try {
            WritePaper(key, *copy, true);
        } catch (...) {
            FKeys.erase(FKeys.begin() + index);
            throw;
        }
        FKeys[size_t(index)].Paper = std::move(copy);
        return;
    }
    WritePaper(key, *copy, true);
    FKeys[size_t(index)].Paper = std::move(copy);
}

void TPapers::DeletePaper(int index)
{
    CheckIndex(index);
    FStorage->DeleteElement(PaperPath(FKeys[size_t(index)].Key));
    FKeys.erase(FKeys.begin() + index);
}

void TPapers::Renumber(const QStringList& names)
{
    const uint32_t start = HighestKeyNumber() + 1;
    SetKeysSorted(false);
    try {
        const int count = Count();
        for (int k = 0; k < count; ++k) {
            const int index = k < names.size() ? IndexOfName(names[k]) : -1;
            if (index < 0)
                throw EPaperCatalogError(QStringLiteral("Bad paper name"));
            if (uint64_t(start) + uint64_t(k) > 0xFFFFFFFFull)
                throw EPaperCatalogError(QStringLiteral("用紙の番号が上限に達しました"));
            const QString key = PaperKey(start + uint32_t(k));
            FStorage->MoveElement(PaperPath(FKeys[size_t(index)].Key), PaperPath(key));
            FKeys[size_t(index)].Key = key;
        }
    } catch (...) {
        SetKeysSorted(true);
        throw;
    }
    SetKeysSorted(true);
}

void TPapers::RenameKey(int index, const QString& key)
{
    CheckIndex(index);
    if (IndexOfKey(key) >= 0 || FSkipped.contains(key, Qt::CaseInsensitive))
        return;
    TEntry& entry = FKeys[size_t(index)];
    {
        TDocStream source(*FStorage, fmDocRead, PaperPath(entry.Key));
        TDocStream dest(*FStorage, fmDocCreate, PaperPath(key));
        dest.CopyFrom(source, 0);
    }
    FStorage->DeleteElement(PaperPath(entry.Key));
    entry.Key = key;
    if (FSorted)
        SortKeys();
}

void TPapers::Rewrite(const TPaperProgress& progress)
{
    const int total = Count() * 2;
    int position = 0;
    for (const TEntry& entry : FKeys) {
        FStorage->DeleteElement(PaperPath(entry.Key));
        if (progress)
            progress(++position, total);
    }
    for (TEntry& entry : FKeys) {
        WritePaper(entry.Key, *entry.Paper, false);
        if (progress)
            progress(++position, total);
    }
}

} // namespace velmo
