#pragma once
// The values of a component stream: tagged integers, strings, identifiers, lists and
// binary blocks. TWriter and TReader know how a single value is laid out; the
// component reader and writer (document/UComponentStream.h) walk objects with them,
// and a class's custom properties use them to write and read their own values.
#include "base/UStream.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace velmo {

enum class TValueType : uint8_t
{
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
};
constexpr int kLastValueType = 19;

// The reader's error texts, shared by every place that reports them.
QString InvalidStreamFormatMessage();  // "不正なストリーム フォーマット"
QString InvalidPropertyValueMessage(); // "不正なプロパティの値です"

// Text in a component stream is code page 932. These helpers keep ASCII fast and
// report whether the text survived.
QByteArray EncodeStreamText(const QString& text, bool* ok = nullptr);
QString DecodeStreamText(const QByteArray& bytes);

class TWriter
{
public:
    explicit TWriter(TStream& stream) : FStream(stream) {}
    TStream& Stream() { return FStream; }

    void WriteValue(TValueType value);
    // The smallest of vaInt8, vaInt16, vaInt32; vaInt64 only outside the 32-bit range.
    void WriteInteger(int64_t value);
    void WriteBoolean(bool value);
    // vaString below 256 bytes, else vaLString; text code page 932 cannot hold is
    // written as vaWString so that nothing is lost.
    void WriteString(const QString& value);
    void WriteStringBytes(const QByteArray& bytes);
    void WriteWideString(const QString& value);
    void WriteChar(QChar value);
    void WriteFloat(double value); // vaExtended
    void WriteSingle(float value);
    void WriteCurrency(int64_t tenThousandths);
    void WriteDate(double dayCount);
    // vaIdent, except that False, True, nil and Null (any case) become vaFalse,
    // vaTrue, vaNil and vaNull.
    void WriteIdent(const QString& ident);
    // vaSet with the names of the members present (bits 0..31 of members), then
    // the empty short string.
    void WriteSet(uint32_t members, const std::vector<QString>& names);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    void WriteBinary(const QByteArray& bytes);
    // A short string (length byte and bytes); cut to 255 bytes, never inside a
    // double-byte character.
    void WriteStr(const QString& value);
    void WriteStrBytes(const QByteArray& bytes);

private:
    TStream& FStream;
};

// Reads values. Every malformed or truncated input raises EReadError with one of the
// messages above or "ストリームからの読み込みエラー"; lengths are checked against the
// bytes that are there before anything is allocated.
class TReader
{
public:
    // Nested lists and collections deeper than maxDepth are rejected.
    explicit TReader(TStream& stream, int maxDepth = 64) : FStream(stream), FMaxDepth(maxDepth) {}
    TStream& Stream() { return FStream; }

    TValueType ReadValue();
    TValueType NextValue();
    void CheckValue(TValueType expected);

    // vaInt8, vaInt16, vaInt32.
    int32_t ReadInteger();
    // Also vaInt64.
    int64_t ReadInt64();
    // vaFalse / vaTrue, or the identifiers False / True.
    bool ReadBoolean();
    // vaString, vaLString or vaWString.
    QString ReadString();
    // A string of exactly one character.
    QChar ReadChar();
    // vaExtended, vaSingle, vaDate, vaCurrency or an integer.
    double ReadFloat();
    // vaIdent; vaFalse, vaTrue, vaNil and vaNull read as "False", "True", "nil", "Null".
    QString ReadIdent();
    // The tag has been read: reads the identifier payload.
    QString ReadIdentPayload(TValueType tag);
    // vaSet; each member must be one of names (case-insensitive).
    uint32_t ReadSet(const std::vector<QString>& names);
    void ReadListBegin() { CheckValue(TValueType::vaList); }
    // True when the next byte is 0 (vaNull, or the empty name that ends a list of
    // property entries or records).
    bool EndOfList() { return PeekByte() == 0; }
    uint8_t PeekByte();
    void ReadListEnd() { CheckValue(TValueType::vaNull); }
    QByteArray ReadBinary();
    QString ReadStr();
    QByteArray ReadStrBytes();
    // Skips one value of any kind, nested lists included.
    void SkipValue();

    // Guards recursion of callers that nest (children, collections, paths).
    class DepthGuard
    {
    public:
        explicit DepthGuard(TReader& reader);
        ~DepthGuard() { --FReader.FDepth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        TReader& FReader;
    };

private:
    QByteArray ReadCounted(int64_t count);
    void SkipSetBody();

    TStream& FStream;
    int FMaxDepth;
    int FDepth = 0;
};

} // namespace velmo
