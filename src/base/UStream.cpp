#include "base/UStream.h"
#include <algorithm>
#include <cstring>

namespace velmo {

QString ReadErrorMessage()
{
    return QStringLiteral("ストリームからの読み込みエラー");
}
QString WriteErrorMessage()
{
    return QStringLiteral("ストリームへの書き込みエラー");
}

int64_t TStream::Size()
{
    const int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count < 0 || (count > 0 && Read(buffer, count) != count))
        throw EReadError(ReadErrorMessage());
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count < 0 || (count > 0 && Write(buffer, count) != count))
        throw EWriteError(WriteErrorMessage());
}

QByteArray TStream::ReadBytes(int64_t count)
{
    // Never allocate more than is there: a damaged length must not cost gigabytes.
    if (count < 0 || count > Remaining())
        throw EReadError(ReadErrorMessage());
    QByteArray out;
    out.resize(qsizetype(count));
    ReadBuffer(out.data(), count);
    return out;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0)
        count = source.Size() - source.Position();
    if (count < 0)
        throw EReadError(ReadErrorMessage());
    constexpr int64_t kBlock = 64 * 1024;
    std::unique_ptr<char[]> buffer(new char[size_t(std::min(count, kBlock)) + 1]);
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min(left, kBlock);
        source.ReadBuffer(buffer.get(), n);
        WriteBuffer(buffer.get(), n);
        left -= n;
    }
    return count;
}

uint8_t TStream::ReadUInt8()
{
    uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}

uint16_t TStream::ReadUInt16()
{
    uint8_t b[2];
    ReadBuffer(b, 2);
    return uint16_t(b[0] | (b[1] << 8));
}

uint32_t TStream::ReadUInt32()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

uint64_t TStream::ReadUInt64()
{
    const uint64_t low = ReadUInt32();
    const uint64_t high = ReadUInt32();
    return low | (high << 32);
}

void TStream::WriteUInt8(uint8_t v)
{
    WriteBuffer(&v, 1);
}

void TStream::WriteUInt16(uint16_t v)
{
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    WriteBuffer(b, 2);
}

void TStream::WriteUInt32(uint32_t v)
{
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    WriteBuffer(b, 4);
}

void TStream::WriteUInt64(uint64_t v)
{
    WriteUInt32(uint32_t(v));
    WriteUInt32(uint32_t(v >> 32));
}

// ---- TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= FData.size())
        return 0;
    const int64_t n = std::min<int64_t>(count, FData.size() - FPosition);
    std::memcpy(buffer, FData.constData() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const int64_t end = FPosition + count;
    if (end > FData.size())
        FData.resize(qsizetype(end), '\0');
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = FPosition;
    else if (origin == TSeekOrigin::soEnd)
        base = FData.size();
    FPosition = std::max<int64_t>(0, base + offset);
    return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    FData.resize(qsizetype(std::max<int64_t>(0, newSize)), '\0');
    FPosition = std::min<int64_t>(FPosition, FData.size());
}

// ---- TReadOnlyMemoryStream

int64_t TReadOnlyMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= FSize)
        return 0;
    const int64_t n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FData + FPosition, size_t(n));
    FPosition += n;
    return n;
}

int64_t TReadOnlyMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = FPosition;
    else if (origin == TSeekOrigin::soEnd)
        base = FSize;
    FPosition = std::max<int64_t>(0, base + offset);
    return FPosition;
}

void TReadOnlyMemoryStream::SetSize(int64_t)
{
    throw EWriteError(WriteErrorMessage());
}

// ---- TFileStream

TFileStream::TFileStream(const QString& fileName, Mode mode) : FFile(fileName)
{
    bool ok = false;
    switch (mode) {
    case fmOpenRead:
        ok = FFile.open(QIODevice::ReadOnly);
        break;
    case fmOpenReadWrite:
        ok = FFile.open(QIODevice::ReadWrite);
        break;
    case fmCreate:
        ok = FFile.open(QIODevice::ReadWrite | QIODevice::Truncate);
        break;
    }
    if (!ok) {
        const QString message =
            QStringLiteral("ファイル %1 を開けません。%2").arg(fileName, FFile.errorString());
        if (mode == fmCreate)
            throw EFCreateError(message);
        throw EFOpenError(message);
    }
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const qint64 n = FFile.read(static_cast<char*>(buffer), count);
    return n < 0 ? 0 : n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const qint64 n = FFile.write(static_cast<const char*>(buffer), count);
    return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = FFile.pos();
    else if (origin == TSeekOrigin::soEnd)
        base = FFile.size();
    FFile.seek(std::max<int64_t>(0, base + offset));
    return FFile.pos();
}

void TFileStream::SetSize(int64_t newSize)
{
    if (!FFile.resize(std::max<int64_t>(0, newSize)))
        throw EWriteError(WriteErrorMessage());
}

} // namespace velmo
