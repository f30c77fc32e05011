#include "storage/UZLibStream.h"
#include "storage/USafeFile.h"
#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace velmo {
namespace {

constexpr int kMarkerSize = 13;
constexpr int64_t kBlock = 64 * 1024;

int ZLibLevel(TCompressionLevel level)
{
    switch (level) {
    case TCompressionLevel::clNone:
        return 0;
    case TCompressionLevel::clFastest:
        return 1;
    case TCompressionLevel::clDefault:
        return Z_DEFAULT_COMPRESSION;
    case TCompressionLevel::clMax:
        return 9;
    }
    return Z_DEFAULT_COMPRESSION;
}

QString ZMessage(const char* what)
{
    return QStringLiteral("圧縮データが壊れています (%1)").arg(QString::fromLatin1(what));
}

} // namespace

const QByteArray& CompressMarker()
{
    static const QByteArray marker = QByteArray("ZLIBCompress") + char(0x1A);
    return marker;
}

bool IsCompressed(TStream& stream, uint32_t* size)
{
    const int64_t start = stream.Position();
    char buffer[kMarkerSize];
    if (stream.Read(buffer, kMarkerSize) == kMarkerSize &&
        std::memcmp(buffer, CompressMarker().constData(), kMarkerSize) == 0) {
        uint8_t sizeBytes[4];
        if (stream.Read(sizeBytes, 4) == 4) {
            if (size)
                *size = uint32_t(sizeBytes[0]) | (uint32_t(sizeBytes[1]) << 8) |
                        (uint32_t(sizeBytes[2]) << 16) | (uint32_t(sizeBytes[3]) << 24);
            return true;
        }
    }
    stream.SetPosition(start);
    return false;
}

void Decompress(TStream& source, TStream& target, uint32_t size)
{
    // Refused before anything is allocated: the header is only a claim, and a few
    // damaged bytes must not make us reserve gigabytes.
    if (size > kMaxDecompressedSize)
        throw EZLibError(ZMessage("stated size too large"));
    const int64_t present = std::max<int64_t>(0, source.Size() - source.Position());
    if (int64_t(size) > present * kMaxDeflateRatio + 64)
        throw EZLibError(ZMessage("stated size beyond what the data can hold"));
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw EZLibError(ZMessage("init"));
    struct Guard
    {
        z_stream* z;
        ~Guard() { inflateEnd(z); }
    } guard{&z};

    std::unique_ptr<Bytef[]> in(new Bytef[kBlock]);
    std::unique_ptr<Bytef[]> out(new Bytef[kBlock]);
    uint64_t produced = 0;
    int status = Z_OK;
    bool inputEnded = false;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0 && !inputEnded) {
            const int64_t n = source.Read(in.get(), kBlock);
            if (n <= 0)
                inputEnded = true;
            z.next_in = in.get();
            z.avail_in = uInt(std::max<int64_t>(n, 0));
        }
        z.next_out = out.get();
        z.avail_out = uInt(kBlock);
        status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_NEED_DICT || status == Z_DATA_ERROR || status == Z_MEM_ERROR)
            throw EZLibError(ZMessage("data"));
        const uint64_t n = uint64_t(kBlock) - z.avail_out;
        if (produced + n > size)
            throw EZLibError(ZMessage("longer than its stated size"));
        if (n > 0)
            target.WriteBuffer(out.get(), int64_t(n));
        produced += n;
        if (status == Z_BUF_ERROR && inputEnded && n == 0)
            throw EZLibError(ZMessage("truncated"));
    }
    // Give back input that belongs to whatever follows the zlib stream.
    if (z.avail_in > 0)
        source.Seek(-int64_t(z.avail_in), TSeekOrigin::soCurrent);
    if (produced != size)
        throw EZLibError(ZMessage("shorter than its stated size"));
}

void Compress(TMemoryStream& source, TStream& target, TCompressionLevel level)
{
    const int64_t position = source.Position();
    const int64_t count = std::max<int64_t>(0, source.Size() - position);
    if (count > int64_t(UINT32_MAX))
        throw EZLibError(ZMessage("too large"));
    target.WriteBytes(CompressMarker());
    target.WriteUInt32(uint32_t(count));

    z_stream z{};
    if (deflateInit(&z, ZLibLevel(level)) != Z_OK)
        throw EZLibError(ZMessage("init"));
    struct Guard
    {
        z_stream* z;
        ~Guard() { deflateEnd(z); }
    } guard{&z};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(source.Data().constData() + position));
    // Feed in blocks that fit zlib's 32-bit counters.
    int64_t left = count;
    std::unique_ptr<Bytef[]> out(new Bytef[kBlock]);
    int status = Z_OK;
    do {
        const uInt chunk = uInt(std::min<int64_t>(left, 1 << 30));
        z.avail_in = chunk;
        left -= chunk;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = out.get();
            z.avail_out = uInt(kBlock);
            status = deflate(&z, flush);
            if (status == Z_STREAM_ERROR)
                throw EZLibError(ZMessage("deflate"));
            target.WriteBuffer(out.get(), kBlock - z.avail_out);
        } while (z.avail_out == 0);
    } while (left > 0);
    if (status != Z_STREAM_END)
        throw EZLibError(ZMessage("deflate"));
    source.SetPosition(position + count);
}

bool IsCompressedFile(const QString& fileName)
{
    try {
        TFileStream file(fileName, TFileStream::fmOpenRead);
        return IsCompressed(file);
    } catch (const EStreamError&) {
        return false;
    }
}

bool DecompressFile(const QString& fileName, const QString& targetFileName)
{
    TFileStream file(fileName, TFileStream::fmOpenRead);
    uint32_t size = 0;
    if (!IsCompressed(file, &size))
        return false;
    // Inflate into memory first so that a damaged source never leaves a half-written target.
    TMemoryStream inflated;
    Decompress(file, inflated, size);
    WriteFileReplacing(targetFileName, inflated.Data());
    return true;
}

} // namespace velmo
