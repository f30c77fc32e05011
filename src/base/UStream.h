#pragma once
// Byte streams: the one interface through which storages, component streams and the
// compressed container read and write, whatever holds the bytes.
#include "base/UExceptions.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

namespace velmo {

VELMO_DECLARE_EXCEPTION(EStreamError, Exception)
VELMO_DECLARE_EXCEPTION(EReadError, EStreamError)
VELMO_DECLARE_EXCEPTION(EWriteError, EStreamError)
VELMO_DECLARE_EXCEPTION(EFCreateError, EStreamError)
VELMO_DECLARE_EXCEPTION(EFOpenError, EStreamError)

enum class TSeekOrigin
{
    soBeginning,
    soCurrent,
    soEnd
};

class TStream
{
public:
    virtual ~TStream() = default;
    // Transfer at most count bytes; the result is the number moved (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position. Seeking before the start clamps to 0.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    virtual int64_t Size();
    int64_t Remaining() { return Size() - Position(); }

    // Whole transfers; a short transfer raises EReadError "ストリームからの読み込みエラー"
    // or EWriteError "ストリームへの書き込みエラー".
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    QByteArray ReadBytes(int64_t count);
    void WriteBytes(const QByteArray& bytes) { WriteBuffer(bytes.constData(), bytes.size()); }
    // Copies count bytes from source (all from source's position to its end when
    // count is 0), in blocks, and returns the number copied.
    int64_t CopyFrom(TStream& source, int64_t count);

    uint8_t ReadUInt8();
    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    uint64_t ReadUInt64();
    void WriteUInt8(uint8_t v);
    void WriteUInt16(uint16_t v);
    void WriteUInt32(uint32_t v);
    void WriteUInt64(uint64_t v);
};

QString ReadErrorMessage();  // "ストリームからの読み込みエラー"
QString WriteErrorMessage(); // "ストリームへの書き込みエラー"

// A growable stream in memory.
class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(QByteArray bytes) : FData(std::move(bytes)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override { return FData.size(); }

    const QByteArray& Data() const { return FData; }
    QByteArray& Data() { return FData; }
    void Clear()
    {
        FData.clear();
        FPosition = 0;
    }

private:
    QByteArray FData;
    int64_t FPosition = 0;
};

// A read-only view of bytes held elsewhere; the bytes must outlive the stream.
class TReadOnlyMemoryStream : public TStream
{
public:
    TReadOnlyMemoryStream(const void* data, int64_t size)
        : FData(static_cast<const uint8_t*>(data)), FSize(size)
    {
    }
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t) override;
    int64_t Size() override { return FSize; }

private:
    const uint8_t* FData;
    int64_t FSize;
    int64_t FPosition = 0;
};

// A stream over a file.
class TFileStream : public TStream
{
public:
    enum Mode
    {
        fmOpenRead,
        fmOpenReadWrite,
        fmCreate
    };
    // Raises EFOpenError / EFCreateError when the file cannot be opened.
    TFileStream(const QString& fileName, Mode mode);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override { return FFile.size(); }
    QFile& File() { return FFile; }

private:
    QFile FFile;
};

} // namespace velmo
