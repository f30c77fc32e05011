#pragma once
// Our own implementation of the compound file binary format (MS-CFB): a small file
// system of storages (folders) and streams (files) inside one file.
//
// The model is held in memory while a file is open: the element tree is read at
// once (and checked, since files come from anywhere), stream contents are read from
// the file when a stream is first opened. Changes stay in memory until Commit(), which
// writes a complete new file beside the old one and renames it into place, so a
// failed or interrupted write never damages the previous file.
//
// Handles behave like the platform's structured storage in direct, exclusive mode:
// an element can be open through one handle at a time, a destroyed element's handles
// are reverted, and every failure raises EStorageError with the platform's status.
#include "base/UExceptions.h"
#include "base/UStream.h"
#include <QByteArray>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmo {

// Status codes of storage failures, with the values of the platform's storage layer.
namespace stg {
constexpr uint32_t S_OK = 0;
constexpr uint32_t E_INVALIDFUNCTION = 0x80030001;
constexpr uint32_t E_FILENOTFOUND = 0x80030002;
constexpr uint32_t E_PATHNOTFOUND = 0x80030003;
constexpr uint32_t E_ACCESSDENIED = 0x80030005;
constexpr uint32_t E_INSUFFICIENTMEMORY = 0x80030008;
constexpr uint32_t E_WRITEFAULT = 0x8003001D;
constexpr uint32_t E_READFAULT = 0x8003001E;
constexpr uint32_t E_SHAREVIOLATION = 0x80030020;
constexpr uint32_t E_FILEALREADYEXISTS = 0x80030050;
constexpr uint32_t E_INVALIDPARAMETER = 0x80030057;
constexpr uint32_t E_MEDIUMFULL = 0x80030070;
constexpr uint32_t E_INVALIDHEADER = 0x800300FB;
constexpr uint32_t E_INVALIDNAME = 0x800300FC;
constexpr uint32_t E_REVERTED = 0x80030102;
constexpr uint32_t E_DOCFILECORRUPT = 0x80030109;
constexpr uint32_t E_DOCFILETOOLARGE = 0x80030111;
} // namespace stg

// A failing storage or stream operation. The message names the failure and the
// status in hexadecimal; Status() gives the code itself.
class EStorageError : public Exception
{
public:
    explicit EStorageError(uint32_t status, const QString& detail = QString());
    uint32_t Status() const noexcept { return FStatus; }
    const char* ClassName() const noexcept override { return "EStorageError"; }

private:
    uint32_t FStatus;
};

// The text of a status code ("複合ドキュメント ファイルが壊れています。" …), without the code.
QString StorageStatusText(uint32_t status);

enum class TStgElementType
{
    Storage = 1,
    Stream = 2,
    Root = 5
};
enum class TStgAccess
{
    Read,
    Write,
    ReadWrite
};
// How other openers of the same file are held off. Elements inside a file are always
// exclusive; this applies to the file as a whole (an advisory lock on it).
enum class TStgShare
{
    Exclusive,
    DenyWrite,
    DenyRead,
    DenyNone
};

// What enumeration and Stat report of an element.
struct TStgElement
{
    QString Name;
    TStgElementType Type = TStgElementType::Stream;
    uint64_t Size = 0; // streams only
    QUuid Clsid;
    uint32_t StateBits = 0;
};

// The format's order of element names inside a storage: the shorter name first,
// names of equal length by their upper-case UTF-16 units. Negative, 0 or positive.
int CompareElementNames(const QString& a, const QString& b);
// True when the name can be stored: 1 to 31 UTF-16 units, none of / \ : !.
bool IsValidElementName(const QString& name);

constexpr int kMaxElementNameLength = 31;
constexpr int kMiniStreamCutoff = 4096;
// Storages nest at most this deep; deeper trees in a file are treated as damaged.
constexpr int kMaxStorageDepth = 256;
// The largest stream this implementation keeps (it holds stream contents in memory).
constexpr int64_t kMaxStreamSize = 0x7FFFFFFF;

class TCfbStorage;
class TCfbStream;
class TCompoundFile;

namespace cfb {
struct TNode;
struct TSource;
} // namespace cfb

// An open compound file. Reached through its root storage handle; it lives as long
// as any handle into it does. Changes reach the file only through Commit(); releasing
// the last handle without it discards them, so a failure can never half-write a file.
class TCompoundFile : public std::enable_shared_from_this<TCompoundFile>
{
public:
    // Makes a new empty compound file (replacing one of that name at the first Commit;
    // a file that does not exist yet is written at once).
    static std::shared_ptr<TCfbStorage> CreateFile(const QString& fileName,
                                                   TStgShare share = TStgShare::Exclusive);
    // Opens an existing compound file. Raises EStorageError: E_FILENOTFOUND,
    // E_PATHNOTFOUND, E_ACCESSDENIED, E_SHAREVIOLATION, E_INVALIDHEADER (not a
    // compound file), E_DOCFILECORRUPT (damaged), E_READFAULT.
    static std::shared_ptr<TCfbStorage> OpenFile(const QString& fileName, TStgAccess access,
                                                 TStgShare share = TStgShare::Exclusive);
    // A compound file that exists only in memory (a private working copy).
    static std::shared_ptr<TCfbStorage> CreateInMemory();
    // Reads a compound file from bytes; the result is writable in memory only.
    static std::shared_ptr<TCfbStorage> OpenBytes(const QByteArray& bytes);

    ~TCompoundFile();
    TCompoundFile(const TCompoundFile&) = delete;
    TCompoundFile& operator=(const TCompoundFile&) = delete;

    // Writes pending changes to the file (nothing for memory files or read-only ones).
    void Commit();
    // The whole file in the format, version 3 (512-byte sectors) or 4 (4096-byte).
    QByteArray SaveToBytes(int version = 3);
    // Writes the whole file beside fileName and renames it into place.
    void SaveToFile(const QString& fileName, int version = 3);

    // Grows whenever an element is written, created, renamed, moved or destroyed; it
    // stands in for the root's modification time. Starts at 1.
    uint64_t ChangeCount() const { return FChangeCount; }
    bool Writable() const { return FWritable; }
    QString FileName() const { return FFileName; }
    // Major version of the file read (3 or 4); 3 for new files. Commit keeps it.
    int Version() const { return FVersion; }

private:
    friend class TCfbStorage;
    friend class TCfbStream;
    TCompoundFile();
    void Changed();
    static std::shared_ptr<TCfbStorage> RootHandle(const std::shared_ptr<TCompoundFile>& file,
                                                   TStgAccess access);
    void LockFile(const QString& fileName, TStgShare share);

    std::shared_ptr<cfb::TNode> FRoot;
    QString FFileName;
    TStgShare FShare = TStgShare::Exclusive;
    std::unique_ptr<class QFile> FLock;
    uint64_t FChangeCount = 1;
    int FVersion = 3;
    bool FDirty = false;
    bool FWritable = true;
};

// An open storage (IStorage in the platform's words).
class TCfbStorage
{
public:
    ~TCfbStorage();
    TCfbStorage(const TCfbStorage&) = delete;
    TCfbStorage& operator=(const TCfbStorage&) = delete;

    TStgElement Stat() const;
    // The direct children in the format's name order.
    std::vector<TStgElement> Elements() const;
    // Looks a child up without opening it; false when there is none of that name.
    bool Find(const QString& name, TStgElement* element = nullptr) const;

    // Raise E_FILENOTFOUND when missing, E_ACCESSDENIED when the element is already
    // open, when the kind differs, or when write access is asked of a read-only parent.
    std::shared_ptr<TCfbStorage> OpenStorage(const QString& name, TStgAccess access);
    std::shared_ptr<TCfbStream> OpenStream(const QString& name, TStgAccess access);
    // Create replaces an existing element of the name (it must not be open).
    std::shared_ptr<TCfbStorage> CreateStorage(const QString& name);
    std::shared_ptr<TCfbStream> CreateStream(const QString& name);

    // Removes the element with everything in it; its open handles are reverted.
    void DestroyElement(const QString& name);
    // E_FILEALREADYEXISTS when another element already has the new name.
    void RenameElement(const QString& oldName, const QString& newName);
    // Moves a child into destination (of this or another file) under newName,
    // replacing an element of that name there.
    void MoveElementTo(const QString& name, TCfbStorage& destination, const QString& newName);
    // Copies every element into destination. Streams replace streams of the same
    // name; a storage is merged into a storage of the same name.
    void CopyTo(TCfbStorage& destination) const;
    void SetClass(const QUuid& clsid);

    void Commit() { FFile->Commit(); }
    TCompoundFile& File() const { return *FFile; }
    bool CanWrite() const { return FAccess != TStgAccess::Read; }

private:
    friend class TCompoundFile;
    TCfbStorage(std::shared_ptr<TCompoundFile> file, std::shared_ptr<cfb::TNode> node, TStgAccess access);
    void CheckValid() const;
    void CheckWrite() const;
    std::shared_ptr<cfb::TNode> Child(const QString& name) const;
    std::shared_ptr<cfb::TNode> NewChild(const QString& name, TStgElementType type);

    std::shared_ptr<TCompoundFile> FFile;
    std::shared_ptr<cfb::TNode> FNode;
    TStgAccess FAccess;
};

// An open stream (IStream). Positions are 64-bit; the size is limited to kMaxStreamSize.
class TCfbStream
{
public:
    ~TCfbStream();
    TCfbStream(const TCfbStream&) = delete;
    TCfbStream& operator=(const TCfbStream&) = delete;

    TStgElement Stat() const;
    int64_t Read(void* buffer, int64_t count);
    int64_t Write(const void* buffer, int64_t count);
    // E_INVALIDFUNCTION for a position before the start.
    int64_t Seek(int64_t offset, TSeekOrigin origin);
    void SetSize(int64_t size);
    int64_t Size() const;
    void Commit() { FFile->Commit(); }
    bool CanWrite() const { return FAccess != TStgAccess::Read; }

private:
    friend class TCfbStorage;
    TCfbStream(std::shared_ptr<TCompoundFile> file, std::shared_ptr<cfb::TNode> node, TStgAccess access);
    void CheckValid() const;

    std::shared_ptr<TCompoundFile> FFile;
    std::shared_ptr<cfb::TNode> FNode;
    TStgAccess FAccess;
    int64_t FPosition = 0;
};

} // namespace velmo
