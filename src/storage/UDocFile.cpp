#include "storage/UDocFile.h"
#include "base/UCodePage932.h"
#include <algorithm>

namespace velmo {

// ---- modes and paths

TDocStorageMode StorageModeOf(int mode)
{
    TDocStorageMode m;
    if (mode == fmDocCreate) {
        m.Access = TStgAccess::ReadWrite;
        m.Create = true;
        return m;
    }
    switch (mode & 3) {
    case fmDocWrite:
        m.Access = TStgAccess::Write;
        break;
    case fmDocReadWrite:
    case 3:
        m.Access = TStgAccess::ReadWrite;
        break;
    default:
        m.Access = TStgAccess::Read;
        break;
    }
    switch (mode & 0xF0) {
    case fmDocShareDenyWrite:
        m.Share = TStgShare::DenyWrite;
        break;
    case fmDocShareDenyRead:
        m.Share = TStgShare::DenyRead;
        break;
    case fmDocShareDenyNone:
        m.Share = TStgShare::DenyNone;
        break;
    default:
        m.Share = TStgShare::Exclusive;
        break;
    }
    return m;
}

QString ResolveDocPath(const QString& basePath, const QString& name)
{
    QStringList parts = DocPathComponents(basePath);
    bool absolute = basePath.startsWith(u'\\');
    if (name.startsWith(u'\\')) {
        parts.clear();
        absolute = true;
    }
    for (const QString& component : name.split(u'\\')) {
        if (component.isEmpty() || component == u".")
            continue;
        if (component == u"..") {
            if (parts.isEmpty())
                throw EPathUtil(QStringLiteral("too many \"..\""));
            parts.removeLast();
            continue;
        }
        parts.append(component);
    }
    return (absolute ? QStringLiteral("\\") : QString()) + parts.join(u'\\');
}

QStringList DocPathComponents(const QString& path)
{
    return path.split(u'\\', Qt::SkipEmptyParts);
}

bool SameDocPath(const QString& a, const QString& b)
{
    const QStringList x = DocPathComponents(a);
    const QStringList y = DocPathComponents(b);
    if (x.size() != y.size())
        return false;
    for (qsizetype i = 0; i < x.size(); ++i)
        if (x[i].compare(y[i], Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

namespace {

// Splits a resolved path into its folder and its last component.
void SplitLast(const QString& path, QString* folder, QString* last)
{
    QStringList parts = DocPathComponents(path);
    *last = parts.isEmpty() ? QString() : parts.takeLast();
    *folder = parts.join(u'\\');
}

} // namespace

// ---- TDocStorage

TDocStorage::TDocStorage(TDocStorage& parent, bool createMissing, const QString& name)
{
    TRootStorage& root = parent.Root();
    FPath = parent.ResolvePath(name);
    FChain = root.OpenPath(FPath, createMissing, StorageModeOf(root.Mode()).Access);
    FRoot = &root;
    root.Register(this);
}

TDocStorage::~TDocStorage()
{
    if (FRoot && FRoot != this)
        FRoot->Unregister(this);
}

void TDocStorage::Detach()
{
    FRoot = nullptr;
    FChain.clear();
}

TRootStorage& TDocStorage::Root() const
{
    if (!FRoot)
        throw EStorageError(stg::E_REVERTED, QStringLiteral("the root storage is closed"));
    return *FRoot;
}

TCfbStorage& TDocStorage::Handle() const
{
    if (FChain.empty())
        throw EStorageError(stg::E_REVERTED, QStringLiteral("the storage is not open"));
    return *FChain.back();
}

bool TDocStorage::ElementExists(const QString& name, TStgElementType type)
{
    QString folder, last;
    SplitLast(ResolvePath(name), &folder, &last);
    if (last.isEmpty())
        return type == TStgElementType::Storage; // the storage itself
    std::vector<std::shared_ptr<TCfbStorage>> chain;
    try {
        chain = Root().OpenPath(folder, false, TStgAccess::Read);
    } catch (const EStorageError& e) {
        if (e.Status() == stg::E_FILENOTFOUND || e.Status() == stg::E_ACCESSDENIED)
            return false;
        throw;
    }
    TStgElement element;
    return chain.back()->Find(last, &element) && element.Type == type;
}

bool TDocStorage::StreamExists(const QString& name)
{
    return ElementExists(name, TStgElementType::Stream);
}

bool TDocStorage::StorageExists(const QString& name)
{
    return ElementExists(name, TStgElementType::Storage);
}

bool TDocStorage::DeleteElement(const QString& name)
{
    QString folder, last;
    SplitLast(ResolvePath(name), &folder, &last);
    if (last.isEmpty())
        return false;
    try {
        const auto chain = Root().OpenPath(folder, false, StorageModeOf(Root().Mode()).Access);
        chain.back()->DestroyElement(last);
    } catch (const EStorageError& e) {
        if (e.Status() == stg::E_FILENOTFOUND)
            return false;
        throw;
    }
    return true;
}

void TDocStorage::ListStorages(QStringList& list)
{
    for (const TStgElement& e : Handle().Elements())
        if (e.Type == TStgElementType::Storage)
            list.append(e.Name);
}

void TDocStorage::ListStreams(QStringList& list)
{
    for (const TStgElement& e : Handle().Elements())
        if (e.Type == TStgElementType::Stream)
            list.append(e.Name);
}

void TDocStorage::CopyTo(TDocStorage& destination)
{
    Handle().CopyTo(destination.Handle());
}

void TDocStorage::MoveElement(const QString& oldName, const QString& newName)
{
    QString oldFolder, oldLast, newFolder, newLast;
    SplitLast(ResolvePath(oldName), &oldFolder, &oldLast);
    SplitLast(ResolvePath(newName), &newFolder, &newLast);
    if (oldLast.isEmpty() || newLast.isEmpty())
        throw EStorageError(stg::E_INVALIDNAME);
    TRootStorage& root = Root();
    const TStgAccess access = StorageModeOf(root.Mode()).Access;
    const auto from = root.OpenPath(oldFolder, false, access);
    if (SameDocPath(oldFolder, newFolder)) {
        from.back()->RenameElement(oldLast, newLast);
        return;
    }
    const auto to = root.OpenPath(newFolder, false, access);
    from.back()->MoveElementTo(oldLast, *to.back(), newLast);
}

// ---- TRootStorage

TRootStorage::TRootStorage()
{
    FRoot = this;
}

TRootStorage::~TRootStorage()
{
    // Discards what was not committed: a root destroyed while an exception unwinds
    // must not write a half-made file, and a write here could not be reported.
    for (TDocStorage* storage : FOpenStorages)
        storage->Detach();
}

void TRootStorage::SetHandle(std::shared_ptr<TCfbStorage> handle, int mode)
{
    FChain.clear();
    FChain.push_back(std::move(handle));
    FMode = mode;
}

void TRootStorage::OpenFile(const QString& fileName, int mode)
{
    const TDocStorageMode m = StorageModeOf(mode);
    Close();
    if (m.Create) {
        SetHandle(TCompoundFile::CreateFile(fileName, TStgShare::Exclusive),
                  fmDocReadWrite | fmDocShareExclusive);
    } else {
        SetHandle(TCompoundFile::OpenFile(fileName, m.Access, m.Share), mode);
    }
    Mark(false);
}

void TRootStorage::Wrap(std::shared_ptr<TCfbStorage> handle, int mode)
{
    Close();
    SetHandle(std::move(handle), mode);
    Mark(false);
}

void TRootStorage::Close()
{
    for (TDocStorage* storage : FOpenStorages)
        storage->Detach();
    FOpenStorages.clear();
    if (FChain.empty())
        return;
    const auto handle = FChain.front();
    FChain.clear();
    if (handle->CanWrite())
        handle->Commit();
}

double TRootStorage::ModificationTime()
{
    if (FChain.empty())
        return 0;
    FChain.front()->Commit();
    return double(FChain.front()->File().ChangeCount());
}

bool TRootStorage::IsModified()
{
    return ModificationTime() != FSavedStamp;
}

void TRootStorage::Mark(bool changed)
{
    FSavedStamp = changed ? 0 : ModificationTime();
}

void TRootStorage::Register(TDocStorage* storage)
{
    FOpenStorages.push_back(storage);
}

void TRootStorage::Unregister(TDocStorage* storage)
{
    FOpenStorages.erase(std::remove(FOpenStorages.begin(), FOpenStorages.end(), storage),
                        FOpenStorages.end());
}

std::vector<std::shared_ptr<TCfbStorage>> TRootStorage::OpenPath(const QString& path, bool createMissing,
                                                                 TStgAccess access)
{
    if (FChain.empty())
        throw EStorageError(stg::E_REVERTED, QStringLiteral("the root storage is closed"));
    QStringList components = DocPathComponents(path);
    std::vector<std::shared_ptr<TCfbStorage>> chain{FChain.front()};
    // Reuse the handles of the open storage that shares most leading components;
    // opening them again would fail, an element being open only once at a time.
    int best = 0;
    const TDocStorage* bestStorage = nullptr;
    for (const TDocStorage* open : FOpenStorages) {
        const QStringList theirs = DocPathComponents(open->Path());
        int shared = 0;
        while (shared < components.size() && shared < theirs.size() &&
               components[shared].compare(theirs[shared], Qt::CaseInsensitive) == 0 &&
               shared + 1 < int(open->FChain.size()))
            ++shared;
        if (shared > best) {
            best = shared;
            bestStorage = open;
        }
    }
    if (bestStorage) {
        for (int i = 1; i <= best; ++i)
            chain.push_back(bestStorage->FChain[size_t(i)]);
        components.erase(components.begin(), components.begin() + best);
    }
    bool creating = false;
    for (const QString& component : components) {
        if (!creating) {
            try {
                chain.push_back(chain.back()->OpenStorage(component, access));
                continue;
            } catch (const EStorageError& e) {
                if (!createMissing || e.Status() != stg::E_FILENOTFOUND)
                    throw;
                creating = true;
            }
        }
        chain.push_back(chain.back()->CreateStorage(component));
    }
    return chain;
}

// ---- TFileStorage, TTemporaryStorage

TFileStorage::TFileStorage(const QString& fileName, int mode) : FFileName(fileName)
{
    OpenFile(fileName, mode);
}

TTemporaryStorage::TTemporaryStorage()
{
    SetHandle(TCompoundFile::CreateInMemory(), fmDocReadWrite | fmDocShareExclusive);
    Mark(false);
}

void TTemporaryStorage::LoadFrom(const QString& fileName)
{
    // Readers share: a second program reading the same catalogue or document at the
    // same moment must not be refused; only a writer is kept out while we copy.
    const auto source = TCompoundFile::OpenFile(fileName, TStgAccess::Read, TStgShare::DenyWrite);
    Close();
    SetHandle(TCompoundFile::CreateInMemory(), fmDocReadWrite | fmDocShareExclusive);
    source->CopyTo(*FChain.front());
    Mark(false);
}

void TTemporaryStorage::SaveTo(const QString& fileName)
{
    if (FChain.empty())
        throw EStorageError(stg::E_REVERTED, QStringLiteral("the root storage is closed"));
    const auto target = TCompoundFile::CreateFile(fileName, TStgShare::Exclusive);
    FChain.front()->CopyTo(*target);
    target->Commit();
    Mark(false);
}

// ---- TDocStream

TDocStream::TDocStream(TDocStorage& storage, int mode, const QString& name)
{
    const TDocStorageMode m = StorageModeOf(mode);
    FPath = storage.ResolvePath(name);
    QString folder, last;
    SplitLast(FPath, &folder, &last);
    if (last.isEmpty())
        throw EStorageError(stg::E_INVALIDNAME, name);
    TRootStorage& root = storage.Root();
    FFolder = std::make_unique<TDocStorage>(root, m.Create, folder);
    if (m.Create)
        FHandle = FFolder->Handle().CreateStream(last);
    else
        FHandle = FFolder->Handle().OpenStream(last, m.Access);
}

TDocStream::~TDocStream() = default;

int64_t TDocStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return FHandle->Read(buffer, count);
}

int64_t TDocStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return FHandle->Write(buffer, count);
}

int64_t TDocStream::Seek(int64_t offset, TSeekOrigin origin)
{
    // Byte streams clamp a position before the start to 0.
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = FHandle->Seek(0, TSeekOrigin::soCurrent);
    else if (origin == TSeekOrigin::soEnd)
        base = FHandle->Size();
    if (offset < 0 && base + offset < 0)
        return FHandle->Seek(0, TSeekOrigin::soBeginning);
    return FHandle->Seek(offset, origin);
}

void TDocStream::SetSize(int64_t newSize)
{
    Seek(newSize, TSeekOrigin::soBeginning);
    FHandle->SetSize(newSize);
}

int64_t TDocStream::Size()
{
    return FHandle->Size();
}

// ---- TDocNameList

TDocNameList::TDocNameList(TRootStorage& root, const QString& listPath) : FRoot(root)
{
    FListPath = root.ResolvePath(listPath);
    SplitLast(FListPath, &FFolder, &FPrefix);
    if (FPrefix.isEmpty())
        throw EStorageError(stg::E_INVALIDNAME, listPath);
    if (!root.Writable()) {
        if (root.StreamExists(FListPath))
            FStream = std::make_unique<TDocStream>(root, fmDocRead, FListPath);
    } else if (root.StreamExists(FListPath)) {
        FStream = std::make_unique<TDocStream>(root, fmDocReadWrite, FListPath);
    } else {
        FStream = std::make_unique<TDocStream>(root, fmDocCreate, FListPath);
    }
    if (FStream && FStream->Size() > 0)
        Load();
}

TDocNameList::~TDocNameList() = default;

void TDocNameList::Load()
{
    FStream->SetPosition(0);
    FNextSerial = int32_t(FStream->ReadUInt32());
    const QByteArray rest = FStream->ReadBytes(FStream->Remaining());
    // Lines end in CR LF; a lone CR or LF also ends one, and text after the last
    // line break is a last name.
    FNames.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] != '\r' && rest[i] != '\n')
            continue;
        FNames.append(cp932::Decode(rest.mid(start, i - start)));
        if (rest[i] == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < rest.size())
        FNames.append(cp932::Decode(rest.mid(start)));
}

void TDocNameList::Save()
{
    if (!FStream)
        throw EStorageError(stg::E_ACCESSDENIED, FListPath);
    QByteArray bytes;
    for (const QString& name : FNames)
        bytes += cp932::Encode(name) + "\r\n";
    FStream->SetSize(0);
    FStream->WriteUInt32(uint32_t(FNextSerial));
    FStream->WriteBytes(bytes);
}

void TDocNameList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EStorageError(stg::E_INVALIDPARAMETER,
                            QStringLiteral("list index out of bounds (%1)").arg(index));
}

int TDocNameList::IndexOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TDocNameList::AddNew()
{
    // A damaged list may hold names at or above its serial; never hand one out twice.
    QString name;
    do {
        name = FPrefix + QString::number(FNextSerial);
        FNextSerial = int32_t(uint32_t(FNextSerial) + 1);
    } while (IndexOf(name) >= 0);
    FNames.append(name);
    Save();
    return Count() - 1;
}

QString TDocNameList::FullPath(int index) const
{
    CheckIndex(index);
    return FFolder.isEmpty() ? FNames[index] : FFolder + u'\\' + FNames[index];
}

bool TDocNameList::DeleteElement(int index)
{
    return FRoot.DeleteElement(FullPath(index));
}

int TDocNameList::Add(const QString& name)
{
    FNames.append(name);
    Save();
    return Count() - 1;
}

void TDocNameList::Insert(int index, const QString& name)
{
    if (index < 0 || index > Count())
        CheckIndex(index);
    FNames.insert(index, name);
    Save();
}

void TDocNameList::Delete(int index)
{
    CheckIndex(index);
    FNames.removeAt(index);
    Save();
}

void TDocNameList::Move(int from, int to)
{
    if (from == to)
        return;
    CheckIndex(from);
    CheckIndex(to);
    FNames.move(from, to);
    Save();
}

void TDocNameList::Exchange(int a, int b)
{
    CheckIndex(a);
    CheckIndex(b);
    FNames.swapItemsAt(a, b);
    Save();
}

void TDocNameList::Clear()
{
    FNames.clear();
    Save();
}

std::unique_ptr<TDocStream> TDocStreamList::OpenStream(int index, int mode)
{
    return std::make_unique<TDocStream>(FRoot, mode, FullPath(index));
}

bool TDocStreamList::StreamExists(int index)
{
    if (index < 0 || index >= Count())
        return false;
    return FRoot.StreamExists(FullPath(index));
}

void TDocStreamList::Delete(int index)
{
    DeleteElement(index);
    TDocNameList::Delete(index);
}

std::unique_ptr<TDocStorage> TDocStorageList::OpenStorage(int index, bool createMissing)
{
    return std::make_unique<TDocStorage>(FRoot, createMissing, FullPath(index));
}

void TDocStorageList::Delete(int index)
{
    DeleteElement(index);
    TDocNameList::Delete(index);
}

} // namespace velmo
