#pragma once
// Path-addressed storages and streams of compound files, the temporary working copy
// a document lives in, change detection and persistent name lists.
//
// Elements are addressed by paths of names separated by "\" relative to the storage
// through which they are reached ("Sheets\NameList0", "..\Info"). A storage opened
// through this layer is registered with its root; opening a path reuses the handles
// of registered storages, since an element inside a compound file can be open only
// once at a time.
#include "base/UStream.h"
#include "storage/UCompoundFile.h"
#include <QStringList>
#include <memory>
#include <vector>

namespace velmo {

// File-style open modes and share flags, as callers give them.
constexpr int fmDocRead = 0;
constexpr int fmDocWrite = 1;
constexpr int fmDocReadWrite = 2;
constexpr int fmDocCreate = -1;
constexpr int fmDocShareExclusive = 0x10;
constexpr int fmDocShareDenyWrite = 0x20;
constexpr int fmDocShareDenyRead = 0x30;
constexpr int fmDocShareDenyNone = 0x40;

// The storage mode a file-style mode stands for.
struct TDocStorageMode
{
    TStgAccess Access = TStgAccess::Read;
    TStgShare Share = TStgShare::Exclusive;
    bool Create = false;
};
TDocStorageMode StorageModeOf(int mode);

// Resolves name against basePath: components of the base, then those of the name;
// a name beginning with "\" is absolute and keeps the leading "\"; "." and a trailing
// "\" are ignored; ".." drops the last component and raises EPathUtil
// "too many \"..\"" when there is none.
QString ResolveDocPath(const QString& basePath, const QString& name);
// The non-empty components of a resolved path.
QStringList DocPathComponents(const QString& path);
// Paths compared component by component, without regard to case.
bool SameDocPath(const QString& a, const QString& b);

class TRootStorage;

// One opened storage element.
class TDocStorage
{
public:
    // Opens the storage named by name (resolved against parent's path) with the
    // root's mode. With createMissing, storages that do not exist are created from
    // the first missing one on; otherwise a missing one raises EStorageError.
    TDocStorage(TDocStorage& parent, bool createMissing, const QString& name);
    virtual ~TDocStorage();
    TDocStorage(const TDocStorage&) = delete;
    TDocStorage& operator=(const TDocStorage&) = delete;

    TRootStorage& Root() const;
    // The path inside the root; empty for the root itself.
    const QString& Path() const { return FPath; }
    // The handles from the root's down to this storage's own (the last).
    const std::vector<std::shared_ptr<TCfbStorage>>& Chain() const { return FChain; }
    TCfbStorage& Handle() const;
    QString ResolvePath(const QString& name) const { return ResolveDocPath(FPath, name); }

    // Whether the stream or storage named exists (open elements count as existing).
    bool StreamExists(const QString& name);
    bool StorageExists(const QString& name);
    // Destroys the element (a storage with everything in it); false when it did not exist.
    bool DeleteElement(const QString& name);
    // Append the names of the direct child storages or streams, in enumeration order.
    void ListStorages(QStringList& list);
    void ListStreams(QStringList& list);
    // Copies every element of this storage, recursively, into destination.
    void CopyTo(TDocStorage& destination);
    // Moves the element oldName into the folder of newName under newName's last
    // component (a rename when both folders are the same). A rename onto an existing
    // name fails (E_FILEALREADYEXISTS); a move into another folder replaces an
    // element of that name there.
    void MoveElement(const QString& oldName, const QString& newName);

protected:
    TDocStorage() = default; // for roots
    void Detach();           // the root is going away

    TRootStorage* FRoot = nullptr;
    QString FPath;
    std::vector<std::shared_ptr<TCfbStorage>> FChain;

private:
    friend class TRootStorage;
    bool ElementExists(const QString& name, TStgElementType type);
};

// A storage whose root is itself: a whole compound file.
class TRootStorage : public TDocStorage
{
public:
    TRootStorage();
    ~TRootStorage() override;

    // Mode -1 creates a new compound file (replacing a file of that name when the
    // content is first written) and then works read and write, exclusive; any other
    // mode opens an existing file. The root is marked saved afterwards.
    void OpenFile(const QString& fileName, int mode);
    // Makes this root over a handle that is already open.
    void Wrap(std::shared_ptr<TCfbStorage> handle, int mode);
    // Writes pending changes and releases the file.
    void Close();

    int Mode() const { return FMode; }
    bool Writable() const { return StorageModeOf(FMode).Access != TStgAccess::Read; }

    // Commits pending changes, then reads the change stamp that stands in for the
    // modification time (0 without a handle).
    double ModificationTime();
    bool IsModified();
    // changed forces "modified" until the next mark; otherwise the current stamp
    // becomes the saved one.
    void Mark(bool changed);

    // Storages opened under this root, in the order they were opened.
    const std::vector<TDocStorage*>& OpenStorages() const { return FOpenStorages; }

protected:
    void SetHandle(std::shared_ptr<TCfbStorage> handle, int mode);

private:
    friend class TDocStorage;
    void Register(TDocStorage* storage);
    void Unregister(TDocStorage* storage);
    // Opens the storages along a resolved path, reusing registered ones.
    std::vector<std::shared_ptr<TCfbStorage>> OpenPath(const QString& path, bool createMissing,
                                                       TStgAccess access);

    std::vector<TDocStorage*> FOpenStorages;
    int FMode = fmDocRead;
    double FSavedStamp = 0;
};

// A root opened on a named file.
class TFileStorage : public TRootStorage
{
public:
    TFileStorage(const QString& fileName, int mode);
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
};

// A private working copy that is loaded from and saved to a file as a whole. It lives
// in memory and disappears when it is destroyed.
class TTemporaryStorage : public TRootStorage
{
public:
    TTemporaryStorage();
    // Replaces the whole content with that of the compound file; marked saved.
    void LoadFrom(const QString& fileName);
    // Writes the whole content to the file (beside it, then renamed into place, so an
    // interrupted save leaves the previous file intact); marked saved.
    void SaveTo(const QString& fileName);
};

// An opened stream element.
class TDocStream : public TStream
{
public:
    // Opens the stream named by name (resolved against storage's path). Mode -1
    // creates it (replacing an existing one) and creates missing folders; other
    // modes open an existing stream.
    TDocStream(TDocStorage& storage, int mode, const QString& name);
    ~TDocStream() override;

    // A count of 0 or less transfers nothing and returns 0.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Moves the position to newSize, then sets the size.
    void SetSize(int64_t newSize) override;
    int64_t Size() override;

    const QString& Path() const { return FPath; }
    TDocStorage& Folder() const { return *FFolder; }
    TCfbStream& Handle() const { return *FHandle; }

private:
    std::unique_ptr<TDocStorage> FFolder;
    std::shared_ptr<TCfbStream> FHandle;
    QString FPath;
};

// An ordered list of element names kept in a stream of its own: a 32-bit next serial
// number, then the names, each followed by CR LF, in code page 932. New names are the
// prefix (the list stream's own name) followed by the serial, which only grows.
// Every change of the list is written to its stream at once.
class TDocNameList
{
public:
    // Opens the list stream read-only when the root is not writable (a missing stream
    // is then an empty list and is not created), otherwise opens or creates it.
    TDocNameList(TRootStorage& root, const QString& listPath);
    virtual ~TDocNameList();
    TDocNameList(const TDocNameList&) = delete;
    TDocNameList& operator=(const TDocNameList&) = delete;

    int Count() const { return int(FNames.size()); }
    QString operator[](int index) const { return FNames.at(index); }
    const QStringList& Names() const { return FNames; }
    int IndexOf(const QString& name) const;
    const QString& Prefix() const { return FPrefix; }
    int32_t NextSerial() const { return FNextSerial; }
    // The folder of the list stream (and of its elements).
    const QString& Folder() const { return FFolder; }
    TRootStorage& Root() const { return FRoot; }

    // Appends a new name and returns its index. The element itself is not created.
    int AddNew();
    // The path of element index: the list's folder joined with its name.
    QString FullPath(int index) const;
    // Destroys element index; its name stays in the list.
    bool DeleteElement(int index);

    // String-list operations on the names only; each is saved.
    int Add(const QString& name);
    void Insert(int index, const QString& name);
    // Removes the name; the variants below also destroy the element.
    virtual void Delete(int index);
    void Move(int from, int to);
    void Exchange(int a, int b);
    void Clear();

protected:
    void Save();
    void Load();
    void CheckIndex(int index) const;

    TRootStorage& FRoot;
    QString FListPath;
    QString FPrefix;
    QString FFolder;
    int32_t FNextSerial = 0;
    QStringList FNames;
    std::unique_ptr<TDocStream> FStream;
};

// A name list whose elements are streams.
class TDocStreamList : public TDocNameList
{
public:
    using TDocNameList::TDocNameList;
    std::unique_ptr<TDocStream> OpenStream(int index, int mode);
    // False when index is not below the count.
    bool StreamExists(int index);
    void Delete(int index) override;
};

// A name list whose elements are storages.
class TDocStorageList : public TDocNameList
{
public:
    using TDocNameList::TDocNameList;
    std::unique_ptr<TDocStorage> OpenStorage(int index, bool createMissing);
    void Delete(int index) override;
};

} // namespace velmo
