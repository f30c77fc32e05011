// Writing the compound file format. The whole file is laid out before a byte is
// written: allocation tables, then DIFAT sectors, the directory, the mini FAT, the
// mini stream and the regular streams, each chain in consecutive sectors. Each
// storage's children become a balanced binary tree coloured as a valid red-black
// tree, so that readers which check the colours accept it.
#include "storage/UCompoundFileFormat.h"
#include <QDateTime>
#include <cstring>

namespace velmo::cfb {
namespace {

void Put16(char* p, uint16_t v)
{
    p[0] = char(v);
    p[1] = char(v >> 8);
}

void Put32(char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char(v >> (8 * i));
}

void Put64(char* p, uint64_t v)
{
    Put32(p, uint32_t(v));
    Put32(p + 4, uint32_t(v >> 32));
}

struct TEntry
{
    const TNode* Node = nullptr;
    uint32_t Left = kNoStream, Right = kNoStream, Child = kNoStream;
    bool Black = true;
    uint32_t Start = kEndOfChain;
    uint64_t Size = 0;
};

// Builds a balanced tree over entries[first, first + count) (sorted by name) and
// returns its root. Levels above the last full one are black, the nodes of an
// incomplete last level red: every path then meets the same number of black nodes
// and no red node has a red child.
uint32_t BuildTree(std::vector<TEntry>& entries, uint32_t first, uint32_t count, int depth, int fullLevels)
{
    if (count == 0)
        return kNoStream;
    const uint32_t middle = count / 2;
    TEntry& e = entries[first + middle];
    e.Black = depth < fullLevels;
    const uint32_t index = first + middle;
    entries[index].Left = BuildTree(entries, first, middle, depth + 1, fullLevels);
    entries[index].Right = BuildTree(entries, first + middle + 1, count - middle - 1, depth + 1, fullLevels);
    return index;
}

class TWriter
{
public:
    TWriter(QIODevice& out) : FOut(out) {}
    void Write(const char* data, uint64_t length)
    {
        if (length > 0 && FOut.write(data, qint64(length)) != qint64(length))
            throw EStorageError(stg::E_WRITEFAULT, FOut.errorString());
    }
    void Pad(uint64_t written, uint32_t sectorSize, char fill = 0)
    {
        const uint64_t rest = written % sectorSize;
        if (rest == 0)
            return;
        const std::vector<char> zeros(sectorSize - rest, fill);
        Write(zeros.data(), zeros.size());
    }

private:
    QIODevice& FOut;
};

} // namespace

uint64_t CurrentFileTime()
{
    // 100-nanosecond intervals since 1601-01-01 UTC.
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    return uint64_t(ms) * 10000u + 116444736000000000ull;
}

void WriteCompoundFile(const TNode& root, QIODevice& out, int version)
{
    if (version != 3 && version != 4)
        throw EStorageError(stg::E_INVALIDPARAMETER);
    const uint32_t sectorSize = version == 3 ? 512 : 4096;
    const uint32_t perSector = sectorSize / 4;

    // Directory entries: the root, then the children of each storage in turn, so that
    // one storage's children occupy consecutive entries in name order.
    std::vector<TEntry> entries;
    entries.push_back({&root});
    for (size_t i = 0; i < entries.size(); ++i) {
        const TNode* node = entries[i].Node;
        if (node->Type == TStgElementType::Stream)
            continue;
        const uint32_t first = uint32_t(entries.size());
        const uint32_t count = uint32_t(node->Children.size());
        for (const auto& child : node->Children)
            entries.push_back({child.get()});
        int fullLevels = 0;
        while ((uint64_t(2) << fullLevels) - 1 <= count)
            ++fullLevels;
        entries[i].Child = BuildTree(entries, first, count, 0, fullLevels);
    }

    // Streams: small ones go to the mini stream, the others into regular sectors.
    uint64_t miniSectors = 0;
    uint64_t streamSectors = 0;
    for (TEntry& e : entries) {
        if (e.Node->Type != TStgElementType::Stream)
            continue;
        e.Size = e.Node->Size;
        if (e.Size == 0)
            continue;
        if (e.Size < uint64_t(kMiniStreamCutoff)) {
            e.Start = uint32_t(miniSectors);
            miniSectors += (e.Size + kMiniSectorSize - 1) / kMiniSectorSize;
        } else {
            streamSectors += (e.Size + sectorSize - 1) / sectorSize;
        }
    }
    const uint64_t dirSectors = (entries.size() * kDirEntrySize + sectorSize - 1) / sectorSize;
    const uint64_t miniFatSectors = (miniSectors * 4 + sectorSize - 1) / sectorSize;
    const uint64_t miniStreamBytes = miniSectors * kMiniSectorSize;
    const uint64_t miniStreamSectors = (miniStreamBytes + sectorSize - 1) / sectorSize;
    const uint64_t dataSectors = dirSectors + miniFatSectors + miniStreamSectors + streamSectors;
    uint64_t fatSectors = 0;
    uint64_t difatSectors = 0;
    for (;;) {
        const uint64_t total = dataSectors + fatSectors + difatSectors;
        const uint64_t fat = (total + perSector - 1) / perSector;
        const uint64_t difat = fat > uint64_t(kHeaderDifatCount)
                                   ? (fat - kHeaderDifatCount + perSector - 2) / (perSector - 1)
                                   : 0;
        if (fat == fatSectors && difat == difatSectors)
            break;
        fatSectors = fat;
        difatSectors = difat;
    }
    const uint64_t totalSectors = dataSectors + fatSectors + difatSectors;
    if (totalSectors >= kMaxRegSect || entries.size() >= kMaxRegSect)
        throw EStorageError(stg::E_DOCFILETOOLARGE);

    const uint32_t difatStart = uint32_t(fatSectors);
    const uint32_t dirStart = uint32_t(difatStart + difatSectors);
    const uint32_t miniFatStart = uint32_t(dirStart + dirSectors);
    const uint32_t miniStreamStart = uint32_t(miniFatStart + miniFatSectors);
    uint32_t nextSector = uint32_t(miniStreamStart + miniStreamSectors);

    std::vector<uint32_t> fat(size_t(fatSectors * perSector), kFreeSect);
    auto chain = [&](uint32_t start, uint64_t count) {
        for (uint64_t i = 0; i < count; ++i)
            fat[start + i] = i + 1 < count ? uint32_t(start + i + 1) : kEndOfChain;
    };
    for (uint64_t i = 0; i < fatSectors; ++i)
        fat[i] = kFatSect;
    for (uint64_t i = 0; i < difatSectors; ++i)
        fat[difatStart + i] = kDifSect;
    chain(dirStart, dirSectors);
    chain(miniFatStart, miniFatSectors);
    chain(miniStreamStart, miniStreamSectors);
    for (TEntry& e : entries) {
        if (e.Node->Type != TStgElementType::Stream || e.Size < uint64_t(kMiniStreamCutoff))
            continue;
        const uint64_t n = (e.Size + sectorSize - 1) / sectorSize;
        e.Start = nextSector;
        chain(nextSector, n);
        nextSector += uint32_t(n);
    }
    entries[0].Start = miniSectors > 0 ? miniStreamStart : kEndOfChain;
    entries[0].Size = miniStreamBytes;

    TWriter w(out);
    // Header.
    std::vector<char> header(sectorSize, 0);
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header.data(), signature, 8);
    Put16(header.data() + 24, 0x003E);
    Put16(header.data() + 26, uint16_t(version));
    Put16(header.data() + 28, 0xFFFE);
    Put16(header.data() + 30, version == 3 ? 9 : 12);
    Put16(header.data() + 32, 6);
    Put32(header.data() + 40, version == 3 ? 0 : uint32_t(dirSectors));
    Put32(header.data() + 44, uint32_t(fatSectors));
    Put32(header.data() + 48, dirStart);
    Put32(header.data() + 56, uint32_t(kMiniStreamCutoff));
    Put32(header.data() + 60, miniFatSectors > 0 ? miniFatStart : kEndOfChain);
    Put32(header.data() + 64, uint32_t(miniFatSectors));
    Put32(header.data() + 68, difatSectors > 0 ? difatStart : kEndOfChain);
    Put32(header.data() + 72, uint32_t(difatSectors));
    for (int i = 0; i < kHeaderDifatCount; ++i)
        Put32(header.data() + 76 + 4 * i, uint64_t(i) < fatSectors ? uint32_t(i) : kFreeSect);
    w.Write(header.data(), header.size());

    // FAT.
    std::vector<char> sector(sectorSize);
    for (uint64_t s = 0; s < fatSectors; ++s) {
        for (uint32_t k = 0; k < perSector; ++k)
            Put32(sector.data() + 4 * k, fat[s * perSector + k]);
        w.Write(sector.data(), sectorSize);
    }
    // DIFAT: the FAT sectors beyond the header's 109, chained.
    uint64_t fatIndex = kHeaderDifatCount;
    for (uint64_t s = 0; s < difatSectors; ++s) {
        for (uint32_t k = 0; k + 1 < perSector; ++k) {
            Put32(sector.data() + 4 * k, fatIndex < fatSectors ? uint32_t(fatIndex) : kFreeSect);
            ++fatIndex;
        }
        Put32(sector.data() + 4 * (perSector - 1),
              s + 1 < difatSectors ? uint32_t(difatStart + s + 1) : kEndOfChain);
        w.Write(sector.data(), sectorSize);
    }
    // Directory.
    {
        std::vector<char> dir(size_t(dirSectors * sectorSize), 0);
        for (size_t i = 0; i < size_t(dirSectors * sectorSize / kDirEntrySize); ++i) {
            char* p = dir.data() + i * kDirEntrySize;
            if (i >= entries.size()) {
                Put32(p + 68, kNoStream);
                Put32(p + 72, kNoStream);
                Put32(p + 76, kNoStream);
                continue;
            }
            const TEntry& e = entries[i];
            const TNode& n = *e.Node;
            const QString name = i == 0 ? QStringLiteral("Root Entry") : n.Name;
            const int units = std::min<int>(int(name.size()), kMaxElementNameLength);
            for (int k = 0; k < units; ++k)
                Put16(p + 2 * k, name[k].unicode());
            Put16(p + 64, uint16_t((units + 1) * 2));
            p[66] = char(i == 0 ? 5 : int(n.Type));
            p[67] = char(e.Black ? 1 : 0);
            Put32(p + 68, e.Left);
            Put32(p + 72, e.Right);
            Put32(p + 76, n.Type == TStgElementType::Stream ? kNoStream : e.Child);
            const QUuid& id = n.Clsid;
            Put32(p + 80, id.data1);
            Put16(p + 84, id.data2);
            Put16(p + 86, id.data3);
            std::memcpy(p + 88, id.data4, 8);
            Put32(p + 96, n.StateBits);
            if (n.Type != TStgElementType::Stream) {
                Put64(p + 100, i == 0 ? 0 : n.CreateTime);
                Put64(p + 108, n.ModifyTime);
            }
            Put32(p + 116, n.Type == TStgElementType::Storage ? 0 : e.Start);
            Put64(p + 120, n.Type == TStgElementType::Storage ? 0 : e.Size);
        }
        w.Write(dir.data(), dir.size());
    }
    // Mini FAT.
    if (miniFatSectors > 0) {
        std::vector<char> table(size_t(miniFatSectors * sectorSize));
        for (uint64_t k = 0; k < miniFatSectors * perSector; ++k)
            Put32(table.data() + 4 * k, kFreeSect);
        for (const TEntry& e : entries) {
            if (e.Node->Type != TStgElementType::Stream || e.Size == 0 ||
                e.Size >= uint64_t(kMiniStreamCutoff))
                continue;
            const uint64_t n = (e.Size + kMiniSectorSize - 1) / kMiniSectorSize;
            for (uint64_t k = 0; k < n; ++k)
                Put32(table.data() + 4 * (e.Start + k), k + 1 < n ? uint32_t(e.Start + k + 1) : kEndOfChain);
        }
        w.Write(table.data(), table.size());
    }
    auto contents = [](const TNode& n) {
        if (n.Loaded)
            return n.Data;
        return n.Source->ReadStream(n.Start, n.Size);
    };
    // Mini stream.
    if (miniSectors > 0) {
        uint64_t written = 0;
        for (const TEntry& e : entries) {
            if (e.Node->Type != TStgElementType::Stream || e.Size == 0 ||
                e.Size >= uint64_t(kMiniStreamCutoff))
                continue;
            const QByteArray data = contents(*e.Node);
            w.Write(data.constData(), e.Size);
            w.Pad(e.Size, kMiniSectorSize);
            written += (e.Size + kMiniSectorSize - 1) / kMiniSectorSize * kMiniSectorSize;
        }
        w.Pad(written, sectorSize);
    }
    // Regular streams.
    for (const TEntry& e : entries) {
        if (e.Node->Type != TStgElementType::Stream || e.Size < uint64_t(kMiniStreamCutoff))
            continue;
        const QByteArray data = contents(*e.Node);
        w.Write(data.constData(), e.Size);
        w.Pad(e.Size, sectorSize);
    }
}

} // namespace velmo::cfb
