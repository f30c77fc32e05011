#pragma once
// Inside the compound file implementation: the element tree held in memory, the
// source a file's stream contents are read from, and the reader and writer of the
// on-disk format. Only the UCompoundFile*.cpp modules include this.
#include "storage/UCompoundFile.h"
#include <QFile>
#include <QIODevice>

namespace velmo::cfb {

constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr int kHeaderSize = 512;
constexpr int kDirEntrySize = 128;
constexpr int kMiniSectorSize = 64;
constexpr int kHeaderDifatCount = 109;

// Where an unchanged stream's bytes are: a file read at open time.
struct TSource
{
    std::unique_ptr<QFile> File; // or
    QByteArray Bytes;            // for files read from memory
    uint64_t FileSize = 0;
    uint32_t SectorSize = 512;
    uint32_t SectorCount = 0;
    int Version = 3;
    std::vector<uint32_t> Fat;
    std::vector<uint32_t> MiniFat;
    std::vector<uint32_t> MiniStreamSectors; // the regular sectors holding the mini stream
    uint64_t MiniStreamSize = 0;

    // Reads bytes of the file; bytes past its end (a short last sector) read as 0.
    void ReadAt(uint64_t offset, char* buffer, uint64_t length);
    uint64_t SectorOffset(uint32_t sector) const { return uint64_t(sector + 1) * SectorSize; }
    // The contents of a stream whose chain was checked when the file was opened.
    QByteArray ReadStream(uint32_t start, uint64_t size);
};

struct TNode
{
    QString Name;
    TStgElementType Type = TStgElementType::Stream;
    QUuid Clsid;
    uint32_t StateBits = 0;
    uint64_t CreateTime = 0; // FILETIME values, kept as read
    uint64_t ModifyTime = 0;
    TNode* Parent = nullptr;
    std::vector<std::shared_ptr<TNode>> Children; // in CompareElementNames order

    // Stream contents: Data when Loaded, else Size bytes at Start in Source.
    std::shared_ptr<TSource> Source;
    uint32_t Start = kEndOfChain;
    uint64_t Size = 0;
    QByteArray Data;
    bool Loaded = true;

    int OpenCount = 0;
    bool Reverted = false;

    // Index of the child of that name, or of where it would go (found false).
    size_t FindChild(const QString& name, bool* found) const;
    void Load();
    // Drops contents that can be read again from the source.
    void Unload();
    int Depth() const;
    // A deep copy (contents shared until written).
    std::shared_ptr<TNode> Clone() const;
    void Revert();
};

// Reads and checks a whole file; raises EStorageError on any inconsistency.
std::shared_ptr<TNode> ReadCompoundFile(const std::shared_ptr<TSource>& source);
// Writes the tree in the format (version 3 or 4); the root entry keeps root.ModifyTime.
void WriteCompoundFile(const TNode& root, QIODevice& out, int version);

uint64_t CurrentFileTime();

} // namespace velmo::cfb
