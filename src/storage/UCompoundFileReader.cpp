// Reading the compound file format. A file is untrusted input: every sector number,
// count and size is checked against the file before it is used, every chain is
// followed at most once (a sector claimed twice, by a loop or by two chains, makes
// the file damaged), and the directory is walked without recursion. Every derived
// allocation is bounded by the size of the file.
#include "storage/UCompoundFileFormat.h"
#include <algorithm>
#include <cstring>

namespace velmo::cfb {
namespace {

[[noreturn]] void Corrupt(const char* what)
{
    throw EStorageError(stg::E_DOCFILECORRUPT, QString::fromLatin1(what));
}

uint16_t Get16(const char* p)
{
    return uint16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8));
}

uint32_t Get32(const char* p)
{
    return uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16) |
           (uint32_t(uint8_t(p[3])) << 24);
}

uint64_t Get64(const char* p)
{
    return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32);
}

const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Follows a chain through a table, claiming each entry in owner. A number outside
// the table, an entry already claimed (a loop or a cross-link) or a chain longer
// than the table makes the file damaged.
std::vector<uint32_t> FollowChain(uint32_t start, const std::vector<uint32_t>& table, uint32_t limit,
                                  std::vector<bool>& owner, uint64_t maxLength, const char* what)
{
    std::vector<uint32_t> chain;
    uint32_t current = start;
    while (current != kEndOfChain) {
        if (current >= limit || current >= table.size() || owner[current])
            Corrupt(what);
        if (chain.size() >= maxLength)
            Corrupt(what);
        owner[current] = true;
        chain.push_back(current);
        current = table[current];
    }
    return chain;
}

struct TRawEntry
{
    QString Name;
    uint8_t Type = 0;
    uint32_t Left = kNoStream, Right = kNoStream, Child = kNoStream;
    QUuid Clsid;
    uint32_t StateBits = 0;
    uint64_t CreateTime = 0, ModifyTime = 0;
    uint32_t Start = kEndOfChain;
    uint64_t Size = 0;
};

TRawEntry ParseEntry(const char* p, int version)
{
    TRawEntry e;
    const uint16_t nameBytes = Get16(p + 64);
    if (nameBytes > 64 || nameBytes % 2 != 0)
        Corrupt("directory entry name");
    const int units = nameBytes >= 2 ? nameBytes / 2 - 1 : 0;
    QString name(units, Qt::Uninitialized);
    for (int i = 0; i < units; ++i)
        name[i] = QChar(Get16(p + 2 * i));
    e.Name = name;
    e.Type = uint8_t(p[66]);
    e.Left = Get32(p + 68);
    e.Right = Get32(p + 72);
    e.Child = Get32(p + 76);
    // The format stores the GUID's first three fields little-endian.
    {
        const QByteArray raw(p + 80, 16);
        e.Clsid = QUuid(Get32(raw.constData()), Get16(raw.constData() + 4), Get16(raw.constData() + 6),
                        uchar(raw[8]), uchar(raw[9]), uchar(raw[10]), uchar(raw[11]), uchar(raw[12]),
                        uchar(raw[13]), uchar(raw[14]), uchar(raw[15]));
    }
    e.StateBits = Get32(p + 96);
    e.CreateTime = Get64(p + 100);
    e.ModifyTime = Get64(p + 108);
    e.Start = Get32(p + 116);
    e.Size = Get64(p + 120);
    // Older writers left the high half of a version 3 size uninitialised.
    if (version == 3)
        e.Size &= 0xFFFFFFFFu;
    return e;
}

} // namespace

void TSource::ReadAt(uint64_t offset, char* buffer, uint64_t length)
{
    if (offset > FileSize) {
        std::memset(buffer, 0, size_t(length));
        return;
    }
    const uint64_t available = std::min<uint64_t>(length, FileSize - offset);
    if (File) {
        if (!File->seek(qint64(offset)) || File->read(buffer, qint64(available)) != qint64(available))
            throw EStorageError(stg::E_READFAULT);
    } else {
        std::memcpy(buffer, Bytes.constData() + offset, size_t(available));
    }
    if (available < length)
        std::memset(buffer + available, 0, size_t(length - available));
}

QByteArray TSource::ReadStream(uint32_t start, uint64_t size)
{
    QByteArray out;
    if (size == 0)
        return out;
    if (size > uint64_t(kMaxStreamSize))
        throw EStorageError(stg::E_INSUFFICIENTMEMORY);
    out.resize(qsizetype(size));
    char* p = out.data();
    uint64_t left = size;
    uint32_t current = start;
    if (size < uint64_t(kMiniStreamCutoff)) {
        const uint64_t perSector = SectorSize / kMiniSectorSize;
        while (left > 0) {
            if (current >= MiniFat.size())
                Corrupt("mini stream chain");
            const uint64_t position = uint64_t(current) * kMiniSectorSize;
            const uint64_t sectorIndex = position / SectorSize;
            if (sectorIndex >= MiniStreamSectors.size())
                Corrupt("mini stream chain");
            const uint64_t n = std::min<uint64_t>(left, kMiniSectorSize);
            ReadAt(SectorOffset(MiniStreamSectors[sectorIndex]) + (current % perSector) * kMiniSectorSize, p,
                   n);
            p += n;
            left -= n;
            current = MiniFat[current];
        }
    } else {
        // Runs of consecutive sectors are read at once.
        while (left > 0) {
            if (current >= SectorCount || current >= Fat.size())
                Corrupt("sector chain");
            uint32_t runStart = current;
            uint64_t runBytes = 0;
            uint32_t count = 0;
            do {
                runBytes += SectorSize;
                ++count;
                const uint32_t next = Fat[current];
                if (runBytes >= left || next != current + 1 || next >= SectorCount)
                    break;
                current = next;
            } while (true);
            const uint64_t n = std::min<uint64_t>(left, runBytes);
            ReadAt(SectorOffset(runStart), p, n);
            p += n;
            left -= n;
            current = Fat[runStart + count - 1];
        }
    }
    return out;
}

std::shared_ptr<TNode> ReadCompoundFile(const std::shared_ptr<TSource>& source)
{
    TSource& src = *source;
    if (src.FileSize < uint64_t(kHeaderSize))
        throw EStorageError(stg::E_INVALIDHEADER, QStringLiteral("not a compound file"));
    char header[kHeaderSize];
    src.ReadAt(0, header, kHeaderSize);
    if (std::memcmp(header, kSignature, 8) != 0)
        throw EStorageError(stg::E_INVALIDHEADER, QStringLiteral("not a compound file"));
    const uint16_t major = Get16(header + 26);
    const uint16_t byteOrder = Get16(header + 28);
    const uint16_t sectorShift = Get16(header + 30);
    const uint16_t miniShift = Get16(header + 32);
    if (byteOrder != 0xFFFE || miniShift != 6 ||
        !((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12)))
        throw EStorageError(stg::E_INVALIDHEADER, QStringLiteral("unsupported header"));
    if (Get32(header + 56) != uint32_t(kMiniStreamCutoff))
        throw EStorageError(stg::E_INVALIDHEADER, QStringLiteral("unsupported mini stream cutoff"));
    src.Version = major;
    src.SectorSize = 1u << sectorShift;
    if (src.FileSize < src.SectorSize + uint64_t(1))
        Corrupt("file too short");
    // A short last sector is accepted (its missing bytes read as zero).
    const uint64_t sectors = (src.FileSize - src.SectorSize + src.SectorSize - 1) / src.SectorSize;
    if (sectors > kMaxRegSect)
        throw EStorageError(stg::E_DOCFILETOOLARGE);
    src.SectorCount = uint32_t(sectors);
    const uint32_t perSector = src.SectorSize / 4;

    const uint32_t fatCount = Get32(header + 44);
    const uint32_t firstDir = Get32(header + 48);
    const uint32_t firstMiniFat = Get32(header + 60);
    const uint32_t miniFatCount = Get32(header + 64);
    const uint32_t firstDifat = Get32(header + 68);
    const uint32_t difatCount = Get32(header + 72);
    if (fatCount > src.SectorCount || difatCount > src.SectorCount || miniFatCount > src.SectorCount)
        Corrupt("sector counts");
    // A table needs at least as many entries as there are sectors.
    if (uint64_t(fatCount) * perSector < src.SectorCount)
        Corrupt("allocation table too small");

    std::vector<bool> owner(src.SectorCount, false);
    std::vector<uint32_t> fatSectors;
    fatSectors.reserve(fatCount);
    for (int i = 0; i < kHeaderDifatCount && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(Get32(header + 76 + 4 * i));
    {
        std::vector<char> buffer(src.SectorSize);
        uint32_t current = firstDifat;
        for (uint32_t i = 0; i < difatCount && fatSectors.size() < fatCount; ++i) {
            if (current >= src.SectorCount || owner[current])
                Corrupt("DIFAT chain");
            owner[current] = true;
            src.ReadAt(src.SectorOffset(current), buffer.data(), src.SectorSize);
            for (uint32_t k = 0; k + 1 < perSector && fatSectors.size() < fatCount; ++k)
                fatSectors.push_back(Get32(buffer.data() + 4 * k));
            current = Get32(buffer.data() + 4 * (perSector - 1));
        }
    }
    if (fatSectors.size() < fatCount)
        Corrupt("DIFAT too short");
    src.Fat.resize(size_t(fatCount) * perSector);
    {
        std::vector<char> buffer(src.SectorSize);
        for (uint32_t i = 0; i < fatCount; ++i) {
            const uint32_t s = fatSectors[i];
            if (s >= src.SectorCount || owner[s])
                Corrupt("FAT sector");
            owner[s] = true;
            src.ReadAt(src.SectorOffset(s), buffer.data(), src.SectorSize);
            for (uint32_t k = 0; k < perSector; ++k)
                src.Fat[size_t(i) * perSector + k] = Get32(buffer.data() + 4 * k);
        }
    }

    // Directory.
    const std::vector<uint32_t> dirChain =
        FollowChain(firstDir, src.Fat, src.SectorCount, owner, src.SectorCount, "directory chain");
    if (dirChain.empty())
        Corrupt("no directory");
    const uint64_t entriesPerSector = src.SectorSize / kDirEntrySize;
    const uint64_t entryCount = dirChain.size() * entriesPerSector;
    QByteArray dir(qsizetype(dirChain.size() * src.SectorSize), Qt::Uninitialized);
    for (size_t i = 0; i < dirChain.size(); ++i)
        src.ReadAt(src.SectorOffset(dirChain[i]), dir.data() + i * src.SectorSize, src.SectorSize);
    auto entryAt = [&](uint64_t index) { return ParseEntry(dir.constData() + index * kDirEntrySize, major); };

    const TRawEntry rootEntry = entryAt(0);
    if (rootEntry.Type != 5)
        Corrupt("no root entry");

    // Mini stream and its allocation table.
    if (miniFatCount > 0 || firstMiniFat != kEndOfChain) {
        const std::vector<uint32_t> miniFatChain =
            FollowChain(firstMiniFat, src.Fat, src.SectorCount, owner, src.SectorCount, "mini FAT chain");
        src.MiniFat.resize(miniFatChain.size() * perSector);
        std::vector<char> buffer(src.SectorSize);
        for (size_t i = 0; i < miniFatChain.size(); ++i) {
            src.ReadAt(src.SectorOffset(miniFatChain[i]), buffer.data(), src.SectorSize);
            for (uint32_t k = 0; k < perSector; ++k)
                src.MiniFat[i * perSector + k] = Get32(buffer.data() + 4 * k);
        }
    }
    src.MiniStreamSize = rootEntry.Size;
    if (src.MiniStreamSize > 0) {
        src.MiniStreamSectors =
            FollowChain(rootEntry.Start, src.Fat, src.SectorCount, owner, src.SectorCount, "mini stream");
        if (uint64_t(src.MiniStreamSectors.size()) * src.SectorSize < src.MiniStreamSize)
            Corrupt("mini stream shorter than its size");
    }
    const uint64_t miniSectorLimit =
        std::min<uint64_t>(src.MiniFat.size(), (src.MiniStreamSize + kMiniSectorSize - 1) / kMiniSectorSize);
    std::vector<bool> miniOwner(size_t(miniSectorLimit), false);

    // The element tree: each storage's children form a binary tree of entries. Every
    // entry may be reached once; a second visit means a loop or a shared subtree.
    auto root = std::make_shared<TNode>();
    root->Type = TStgElementType::Root;
    root->Name = rootEntry.Name;
    root->Clsid = rootEntry.Clsid;
    root->StateBits = rootEntry.StateBits;
    root->CreateTime = rootEntry.CreateTime;
    root->ModifyTime = rootEntry.ModifyTime;

    std::vector<bool> visited(size_t(entryCount), false);
    visited[0] = true;
    struct TPending
    {
        TNode* Storage;
        uint32_t Tree;
        int Depth;
    };
    std::vector<TPending> storages{{root.get(), rootEntry.Child, 0}};
    std::vector<uint32_t> stack;
    while (!storages.empty()) {
        const TPending pending = storages.back();
        storages.pop_back();
        if (pending.Depth > kMaxStorageDepth)
            Corrupt("storages nested too deeply");
        stack.clear();
        stack.push_back(pending.Tree);
        while (!stack.empty()) {
            const uint32_t index = stack.back();
            stack.pop_back();
            if (index == kNoStream)
                continue;
            if (index >= entryCount || visited[index])
                Corrupt("directory tree");
            visited[index] = true;
            const TRawEntry e = entryAt(index);
            if (e.Type != 1 && e.Type != 2)
                Corrupt("directory entry type");
            stack.push_back(e.Left);
            stack.push_back(e.Right);
            auto node = std::make_shared<TNode>();
            node->Name = e.Name;
            node->Type = TStgElementType(e.Type);
            node->Clsid = e.Clsid;
            node->StateBits = e.StateBits;
            node->CreateTime = e.CreateTime;
            node->ModifyTime = e.ModifyTime;
            node->Parent = pending.Storage;
            if (e.Type == 2) {
                node->Size = e.Size;
                node->Start = e.Start;
                node->Loaded = e.Size == 0;
                if (e.Size > 0) {
                    if (e.Size > uint64_t(kMaxStreamSize) || e.Size > src.FileSize)
                        Corrupt("stream size");
                    node->Source = source;
                    if (e.Size < uint64_t(kMiniStreamCutoff)) {
                        const auto chain = FollowChain(e.Start, src.MiniFat, uint32_t(miniSectorLimit),
                                                       miniOwner, miniSectorLimit, "mini chain");
                        if (uint64_t(chain.size()) * kMiniSectorSize < e.Size)
                            Corrupt("stream larger than its chain");
                    } else {
                        const auto chain =
                            FollowChain(e.Start, src.Fat, src.SectorCount, owner, src.SectorCount, "chain");
                        if (uint64_t(chain.size()) * src.SectorSize < e.Size)
                            Corrupt("stream larger than its chain");
                    }
                }
            } else {
                storages.push_back({node.get(), e.Child, pending.Depth + 1});
            }
            pending.Storage->Children.push_back(std::move(node));
        }
        // Sorted once per storage: inserting one by one would be quadratic.
        auto& children = pending.Storage->Children;
        std::sort(children.begin(), children.end(),
                  [](const auto& a, const auto& b) { return CompareElementNames(a->Name, b->Name) < 0; });
        for (size_t i = 1; i < children.size(); ++i)
            if (CompareElementNames(children[i - 1]->Name, children[i]->Name) == 0)
                Corrupt("duplicate element name");
    }
    return root;
}

} // namespace velmo::cfb
