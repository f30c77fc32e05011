#include "persist/UComponentDump.h"
#include "base/UClassesFiler.h"
#include "base/UExtended.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include <cstring>

namespace velmo {
namespace {

// Binary values show at most this many bytes.
constexpr int kBinaryShown = 256;

class Dumper
{
public:
    explicit Dumper(TStream& stream) : FStream(stream), FReader(stream, kMaxComponentNesting) {}
    QString& Text() { return FText; }

    void Run()
    {
        if (FReader.PeekByte() == 0xFF) {
            const int64_t start = FStream.Position();
            FStream.ReadUInt8();
            if (FStream.ReadUInt16() != 10)
                throw EReadError(InvalidStreamFormatMessage());
            QByteArray name;
            for (uint8_t b; (b = FStream.ReadUInt8()) != 0;)
                name.append(char(b));
            const uint16_t flags = FStream.ReadUInt16();
            const uint32_t size = FStream.ReadUInt32();
            Q_UNUSED(start);
            Line(0, QStringLiteral("resource %1 (flags %2, %3 bytes)")
                        .arg(DecodeStreamText(name))
                        .arg(flags, 4, 16, QLatin1Char('0'))
                        .arg(size));
        }
        char signature[4];
        FStream.ReadBuffer(signature, 4);
        if (std::memcmp(signature, "TPF0", 4) != 0)
            throw EReadError(InvalidStreamFormatMessage());
        Record(0);
    }

private:
    void Line(int indent, const QString& text)
    {
        FText += QString(indent * 2, u' ');
        FText += text;
        FText += u'\n';
    }

    void Record(int indent)
    {
        TReader::DepthGuard guard(FReader);
        QString prefix;
        const uint8_t b = FReader.PeekByte();
        if ((b & 0xF0) == 0xF0) {
            FStream.ReadUInt8();
            QStringList flags;
            if (b & 1)
                flags << QStringLiteral("inherited");
            if (b & 4)
                flags << QStringLiteral("inline");
            if (b & 2)
                flags << QStringLiteral("position %1").arg(FReader.ReadInteger());
            prefix = QStringLiteral(" [%1]").arg(flags.join(QStringLiteral(", ")));
        }
        const QString className = FReader.ReadStr();
        const QString name = FReader.ReadStr();
        Line(indent, QStringLiteral("object %1: %2%3").arg(name, className, prefix));
        Properties(indent + 1);
        while (!FReader.EndOfList())
            Record(indent + 1);
        FReader.ReadListEnd();
        Line(indent, QStringLiteral("end"));
    }

    void Properties(int indent)
    {
        while (!FReader.EndOfList()) {
            const QString name = FReader.ReadStr();
            Value(indent, name + QStringLiteral(" = "));
        }
        FReader.ReadListEnd();
    }

    // Writes one value; lead is what precedes it on its first line.
    void Value(int indent, const QString& lead)
    {
        const TValueType tag = FReader.ReadValue();
        switch (tag) {
        case TValueType::vaNull:
            Line(indent, lead + QStringLiteral("Null"));
            return;
        case TValueType::vaList: {
            TReader::DepthGuard guard(FReader);
            Line(indent, lead + u'(');
            while (!FReader.EndOfList())
                Value(indent + 1, QString());
            FReader.ReadListEnd();
            Line(indent, QStringLiteral(")"));
            return;
        }
        case TValueType::vaInt8:
            Line(indent, lead + QStringLiteral("%1 (vaInt8)").arg(int8_t(FStream.ReadUInt8())));
            return;
        case TValueType::vaInt16:
            Line(indent, lead + QStringLiteral("%1 (vaInt16)").arg(int16_t(FStream.ReadUInt16())));
            return;
        case TValueType::vaInt32:
            Line(indent, lead + QStringLiteral("%1 (vaInt32)").arg(int32_t(FStream.ReadUInt32())));
            return;
        case TValueType::vaInt64:
            Line(indent, lead + QStringLiteral("%1 (vaInt64)").arg(int64_t(FStream.ReadUInt64())));
            return;
        case TValueType::vaExtended: {
            uint8_t bytes[10];
            FStream.ReadBuffer(bytes, 10);
            Line(indent, lead + QString::number(ExtendedToDouble(bytes), 'g', 17));
            return;
        }
        case TValueType::vaSingle:
        case TValueType::vaDate:
        case TValueType::vaCurrency: {
            FStream.Seek(-1, TSeekOrigin::soCurrent);
            const double d = FReader.ReadFloat();
            const char* kind = tag == TValueType::vaSingle ? "vaSingle"
                               : tag == TValueType::vaDate ? "vaDate"
                                                           : "vaCurrency";
            Line(indent,
                 lead + QStringLiteral("%1 (%2)").arg(QString::number(d, 'g', 17), QLatin1String(kind)));
            return;
        }
        case TValueType::vaString:
        case TValueType::vaLString:
        case TValueType::vaWString: {
            FStream.Seek(-1, TSeekOrigin::soCurrent);
            const QString s = FReader.ReadString();
            QString text = lead + QuoteText(s);
            if (tag == TValueType::vaLString)
                text += QStringLiteral(" (vaLString)");
            else if (tag == TValueType::vaWString)
                text += QStringLiteral(" (vaWString)");
            Line(indent, text);
            return;
        }
        case TValueType::vaIdent:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            Line(indent, lead + FReader.ReadIdentPayload(tag));
            return;
        case TValueType::vaSet: {
            QStringList members;
            for (;;) {
                const QString m = FReader.ReadStr();
                if (m.isEmpty())
                    break;
                members << m;
            }
            Line(indent, lead + u'[' + members.join(QStringLiteral(", ")) + u']');
            return;
        }
        case TValueType::vaBinary: {
            FStream.Seek(-1, TSeekOrigin::soCurrent);
            const QByteArray bytes = FReader.ReadBinary();
            Line(indent, lead + QStringLiteral("{binary %1 bytes").arg(bytes.size()));
            const int shown = int(std::min<qsizetype>(bytes.size(), kBinaryShown));
            for (int i = 0; i < shown; i += 32)
                Line(indent + 1,
                     QString::fromLatin1(bytes.mid(i, std::min(32, shown - i)).toHex(' ').toUpper()));
            if (bytes.size() > shown)
                Line(indent + 1, QStringLiteral("... %1 more bytes").arg(bytes.size() - shown));
            Line(indent, QStringLiteral("}"));
            return;
        }
        case TValueType::vaCollection: {
            TReader::DepthGuard guard(FReader);
            Line(indent, lead + u'<');
            while (!FReader.EndOfList()) {
                const TValueType next = FReader.NextValue();
                QString index;
                if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
                    index = QStringLiteral(" [%1]").arg(FReader.ReadInteger());
                FReader.ReadListBegin();
                Line(indent + 1, QStringLiteral("item") + index);
                Properties(indent + 2);
                Line(indent + 1, QStringLiteral("end"));
            }
            FReader.ReadListEnd();
            Line(indent, QStringLiteral(">"));
            return;
        }
        }
    }

    TStream& FStream;
    TReader FReader;
    QString FText;
};

} // namespace

QString DumpComponent(const QByteArray& bytes, QString* partial)
{
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    Dumper dumper(stream);
    try {
        dumper.Run();
    } catch (...) {
        if (partial)
            *partial = dumper.Text();
        throw;
    }
    if (partial)
        *partial = dumper.Text();
    return dumper.Text();
}

} // namespace velmo
