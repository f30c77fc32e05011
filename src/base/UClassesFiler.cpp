#include "base/UClassesFiler.h"
#include "base/UCodePage932.h"
#include "base/UExtended.h"
#include <cmath>
#include <cstring>

namespace velmo {
namespace {

bool IsAscii(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

bool IsAsciiBytes(const QByteArray& bytes)
{
    for (char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

[[noreturn]] void InvalidValue()
{
    throw EReadError(InvalidPropertyValueMessage());
}

// Cuts code page 932 bytes to at most max bytes without splitting a double-byte character.
QByteArray CutBytes(const QByteArray& bytes, int max)
{
    if (bytes.size() <= max)
        return bytes;
    int end = 0;
    int i = 0;
    while (i < bytes.size()) {
        const int step = cp932::IsLeadByte(uchar(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        if (i + step > max)
            break;
        i += step;
        end = i;
    }
    return bytes.left(end);
}

} // namespace

QString InvalidStreamFormatMessage()
{
    return QStringLiteral("不正なストリーム フォーマット");
}
QString InvalidPropertyValueMessage()
{
    return QStringLiteral("不正なプロパティの値です");
}

QByteArray EncodeStreamText(const QString& text, bool* ok)
{
    if (IsAscii(text)) {
        if (ok)
            *ok = true;
        return text.toLatin1();
    }
    return cp932::Encode(text, ok);
}

QString DecodeStreamText(const QByteArray& bytes)
{
    if (IsAsciiBytes(bytes))
        return QString::fromLatin1(bytes);
    return cp932::Decode(bytes);
}

// ---------------------------------------------------------------------------------
// TWriter

void TWriter::WriteValue(TValueType value)
{
    FStream.WriteUInt8(uint8_t(value));
}

void TWriter::WriteInteger(int64_t value)
{
    if (value >= -128 && value <= 127) {
        WriteValue(TValueType::vaInt8);
        FStream.WriteUInt8(uint8_t(int8_t(value)));
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(TValueType::vaInt16);
        FStream.WriteUInt16(uint16_t(int16_t(value)));
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        WriteValue(TValueType::vaInt32);
        FStream.WriteUInt32(uint32_t(int32_t(value)));
    } else {
        WriteValue(TValueType::vaInt64);
        FStream.WriteUInt64(uint64_t(value));
    }
}

void TWriter::WriteBoolean(bool value)
{
    WriteValue(value ? TValueType::vaTrue : TValueType::vaFalse);
}

void TWriter::WriteString(const QString& value)
{
    bool ok = true;
    const QByteArray bytes = EncodeStreamText(value, &ok);
    if (!ok)
        WriteWideString(value);
    else
        WriteStringBytes(bytes);
}

void TWriter::WriteStringBytes(const QByteArray& bytes)
{
    if (bytes.size() < 256) {
        WriteValue(TValueType::vaString);
        FStream.WriteUInt8(uint8_t(bytes.size()));
    } else {
        WriteValue(TValueType::vaLString);
        FStream.WriteUInt32(uint32_t(bytes.size()));
    }
    FStream.WriteBytes(bytes);
}

void TWriter::WriteWideString(const QString& value)
{
    WriteValue(TValueType::vaWString);
    FStream.WriteUInt32(uint32_t(value.size()));
    QByteArray bytes;
    bytes.resize(value.size() * 2);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value.at(i).unicode();
        bytes[i * 2] = char(c & 0xFF);
        bytes[i * 2 + 1] = char(c >> 8);
    }
    FStream.WriteBytes(bytes);
}

void TWriter::WriteChar(QChar value)
{
    WriteString(QString(value));
}

void TWriter::WriteFloat(double value)
{
    WriteValue(TValueType::vaExtended);
    const Extended80 bytes = DoubleToExtended(value);
    FStream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void TWriter::WriteSingle(float value)
{
    WriteValue(TValueType::vaSingle);
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    FStream.WriteUInt32(bits);
}

void TWriter::WriteCurrency(int64_t tenThousandths)
{
    WriteValue(TValueType::vaCurrency);
    FStream.WriteUInt64(uint64_t(tenThousandths));
}

void TWriter::WriteDate(double dayCount)
{
    WriteValue(TValueType::vaDate);
    uint64_t bits;
    std::memcpy(&bits, &dayCount, 8);
    FStream.WriteUInt64(bits);
}

void TWriter::WriteIdent(const QString& ident)
{
    if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        WriteValue(TValueType::vaFalse);
    else if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        WriteValue(TValueType::vaTrue);
    else if (ident.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0)
        WriteValue(TValueType::vaNil);
    else if (ident.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0)
        WriteValue(TValueType::vaNull);
    else {
        WriteValue(TValueType::vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteSet(uint32_t members, const std::vector<QString>& names)
{
    WriteValue(TValueType::vaSet);
    for (int bit = 0; bit < 32; ++bit)
        if ((members & (1u << bit)) && size_t(bit) < names.size())
            WriteStr(names[size_t(bit)]);
    FStream.WriteUInt8(0);
}

void TWriter::WriteBinary(const QByteArray& bytes)
{
    WriteValue(TValueType::vaBinary);
    FStream.WriteUInt32(uint32_t(bytes.size()));
    FStream.WriteBytes(bytes);
}

void TWriter::WriteStr(const QString& value)
{
    bool ok = true;
    QByteArray bytes = EncodeStreamText(value, &ok);
    if (!ok) {
        // A short string has no wide form: keep what can be written, mark the rest.
        bytes.clear();
        for (QChar c : value) {
            bool one = true;
            const QByteArray b = EncodeStreamText(QString(c), &one);
            bytes += one ? b : QByteArray("?");
        }
    }
    WriteStrBytes(bytes);
}

void TWriter::WriteStrBytes(const QByteArray& bytes)
{
    const QByteArray cut = CutBytes(bytes, 255);
    FStream.WriteUInt8(uint8_t(cut.size()));
    FStream.WriteBytes(cut);
}

// ---------------------------------------------------------------------------------
// TReader

TReader::DepthGuard::DepthGuard(TReader& reader) : FReader(reader)
{
    if (FReader.FDepth >= FReader.FMaxDepth)
        throw EReadError(InvalidStreamFormatMessage());
    ++FReader.FDepth;
}

TValueType TReader::ReadValue()
{
    const uint8_t tag = FStream.ReadUInt8();
    if (tag > kLastValueType)
        InvalidValue();
    return TValueType(tag);
}

uint8_t TReader::PeekByte()
{
    const uint8_t b = FStream.ReadUInt8();
    FStream.Seek(-1, TSeekOrigin::soCurrent);
    return b;
}

TValueType TReader::NextValue()
{
    const TValueType value = ReadValue();
    FStream.Seek(-1, TSeekOrigin::soCurrent);
    return value;
}

void TReader::CheckValue(TValueType expected)
{
    if (ReadValue() != expected)
        InvalidValue();
}

QByteArray TReader::ReadCounted(int64_t count)
{
    return FStream.ReadBytes(count);
}

int32_t TReader::ReadInteger()
{
    switch (ReadValue()) {
    case TValueType::vaInt8:
        return int8_t(FStream.ReadUInt8());
    case TValueType::vaInt16:
        return int16_t(FStream.ReadUInt16());
    case TValueType::vaInt32:
        return int32_t(FStream.ReadUInt32());
    default:
        InvalidValue();
    }
}

int64_t TReader::ReadInt64()
{
    if (NextValue() == TValueType::vaInt64) {
        ReadValue();
        return int64_t(FStream.ReadUInt64());
    }
    return ReadInteger();
}

bool TReader::ReadBoolean()
{
    const QString ident = ReadIdent();
    if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    InvalidValue();
}

QString TReader::ReadString()
{
    switch (ReadValue()) {
    case TValueType::vaString:
        return DecodeStreamText(ReadCounted(FStream.ReadUInt8()));
    case TValueType::vaLString:
        return DecodeStreamText(ReadCounted(FStream.ReadUInt32()));
    case TValueType::vaWString: {
        const int64_t count = FStream.ReadUInt32();
        const QByteArray bytes = ReadCounted(count * 2);
        QString out(qsizetype(count), Qt::Uninitialized);
        for (int64_t i = 0; i < count; ++i)
            out[qsizetype(i)] =
                QChar(char16_t(uchar(bytes[qsizetype(i * 2)]) | (uchar(bytes[qsizetype(i * 2 + 1)]) << 8)));
        return out;
    }
    default:
        InvalidValue();
    }
}

QChar TReader::ReadChar()
{
    const QString s = ReadString();
    if (s.size() != 1)
        InvalidValue();
    return s.at(0);
}

double TReader::ReadFloat()
{
    switch (NextValue()) {
    case TValueType::vaExtended: {
        ReadValue();
        uint8_t bytes[10];
        FStream.ReadBuffer(bytes, 10);
        return ExtendedToDouble(bytes);
    }
    case TValueType::vaSingle: {
        ReadValue();
        const uint32_t bits = FStream.ReadUInt32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    case TValueType::vaDate: {
        ReadValue();
        const uint64_t bits = FStream.ReadUInt64();
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    case TValueType::vaCurrency:
        ReadValue();
        return double(int64_t(FStream.ReadUInt64())) / 10000.0;
    default:
        return double(ReadInt64());
    }
}

QString TReader::ReadIdent()
{
    return ReadIdentPayload(ReadValue());
}

QString TReader::ReadIdentPayload(TValueType tag)
{
    switch (tag) {
    case TValueType::vaIdent:
        return ReadStr();
    case TValueType::vaFalse:
        return QStringLiteral("False");
    case TValueType::vaTrue:
        return QStringLiteral("True");
    case TValueType::vaNil:
        return QStringLiteral("nil");
    case TValueType::vaNull:
        return QStringLiteral("Null");
    default:
        InvalidValue();
    }
}

uint32_t TReader::ReadSet(const std::vector<QString>& names)
{
    CheckValue(TValueType::vaSet);
    uint32_t members = 0;
    for (;;) {
        const QString name = ReadStr();
        if (name.isEmpty())
            break;
        bool found = false;
        for (size_t i = 0; i < names.size() && i < 32; ++i) {
            if (names[i].compare(name, Qt::CaseInsensitive) == 0) {
                members |= 1u << i;
                found = true;
                break;
            }
        }
        if (!found) {
            SkipSetBody();
            InvalidValue();
        }
    }
    return members;
}

QByteArray TReader::ReadBinary()
{
    CheckValue(TValueType::vaBinary);
    return ReadCounted(FStream.ReadUInt32());
}

QString TReader::ReadStr()
{
    return DecodeStreamText(ReadStrBytes());
}

QByteArray TReader::ReadStrBytes()
{
    return ReadCounted(FStream.ReadUInt8());
}

void TReader::SkipSetBody()
{
    for (;;) {
        const uint8_t n = FStream.ReadUInt8();
        if (n == 0)
            break;
        ReadCounted(n);
    }
}

void TReader::SkipValue()
{
    auto skip = [this](int64_t count) {
        if (count < 0 || count > FStream.Remaining())
            throw EReadError(ReadErrorMessage());
        FStream.Seek(count, TSeekOrigin::soCurrent);
    };
    switch (ReadValue()) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
        break;
    case TValueType::vaList: {
        DepthGuard guard(*this);
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        break;
    }
    case TValueType::vaInt8:
        skip(1);
        break;
    case TValueType::vaInt16:
        skip(2);
        break;
    case TValueType::vaInt32:
    case TValueType::vaSingle:
        skip(4);
        break;
    case TValueType::vaExtended:
        skip(10);
        break;
    case TValueType::vaString:
    case TValueType::vaIdent:
        skip(FStream.ReadUInt8());
        break;
    case TValueType::vaBinary:
    case TValueType::vaLString:
        skip(FStream.ReadUInt32());
        break;
    case TValueType::vaWString:
        skip(int64_t(FStream.ReadUInt32()) * 2);
        break;
    case TValueType::vaSet:
        for (;;) {
            const uint8_t n = FStream.ReadUInt8();
            if (n == 0)
                break;
            skip(n);
        }
        break;
    case TValueType::vaCollection: {
        DepthGuard guard(*this);
        while (!EndOfList()) {
            const TValueType next = NextValue();
            if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
                ReadInteger();
            ReadListBegin();
            // Property entries: a name, then a value, until vaNull.
            while (!EndOfList()) {
                ReadStrBytes();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        break;
    }
    case TValueType::vaCurrency:
    case TValueType::vaDate:
    case TValueType::vaInt64:
        skip(8);
        break;
    }
}

} // namespace velmo
