#include "persist/UComponentText.h"
#include "base/UClassesFiler.h"
#include "base/UExtended.h"
#include "persist/UComponentStream.h"
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace velmo {

EParserError::EParserError(const QString& message, int line, int column)
    : Exception(QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(message)), FLine(line),
      FColumn(column)
{
}

namespace {

// Binary blocks are shown as this many bytes per line.
constexpr int kBinaryLine = 32;

// ---------------------------------------------------------------------------------
// bytes -> text

QString FloatText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-1e99999") : QStringLiteral("1e99999");
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(u'n'))
        text += QStringLiteral(".0");
    return text;
}

QString SingleText(float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    if (std::isinf(value))
        text = value < 0 ? QStringLiteral("-1e99999") : QStringLiteral("1e99999");
    else if (!text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0");
    return text + u's';
}

// A currency count of ten-thousandths, as an exact decimal.
QString CurrencyText(int64_t count)
{
    const bool negative = count < 0;
    const uint64_t magnitude = negative ? 0 - uint64_t(count) : uint64_t(count);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.size() > 1 && fraction.endsWith(u'0'))
        fraction.chop(1);
    return QStringLiteral("%1%2.%3c")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 10000)
        .arg(fraction);
}

class TextWriter
{
public:
    explicit TextWriter(TStream& stream) : FStream(stream), FReader(stream, kMaxComponentNesting) {}
    QString& Text() { return FText; }

    void Run()
    {
        if (FReader.PeekByte() == 0xFF)
            ReadResourceHeader(FStream);
        char signature[4];
        FStream.ReadBuffer(signature, 4);
        if (std::memcmp(signature, "TPF0", 4) != 0)
            throw EReadError(InvalidStreamFormatMessage());
        Record(0);
    }

private:
    void Indent(int indent) { FText += QString(indent * 2, u' '); }

    void Record(int indent)
    {
        TReader::DepthGuard guard(FReader);
        QString keyword = QStringLiteral("object");
        QString position;
        const uint8_t b = FReader.PeekByte();
        if ((b & 0xF0) == 0xF0) {
            FStream.ReadUInt8();
            if (b & 4)
                keyword = QStringLiteral("inline");
            else if (b & 1)
                keyword = QStringLiteral("inherited");
            if (b & 2)
                position = QStringLiteral(" [%1]").arg(FReader.ReadInteger());
        }
        const QString className = FReader.ReadStr();
        const QString name = FReader.ReadStr();
        Indent(indent);
        FText += keyword + u' ';
        if (!name.isEmpty())
            FText += name + QStringLiteral(": ");
        FText += className + position + u'\n';
        Properties(indent + 1);
        while (!FReader.EndOfList())
            Record(indent + 1);
        FReader.ReadListEnd();
        Indent(indent);
        FText += QStringLiteral("end\n");
    }

    void Properties(int indent)
    {
        while (!FReader.EndOfList()) {
            Indent(indent);
            FText += FReader.ReadStr() + QStringLiteral(" = ");
            Value(indent);
            FText += u'\n';
        }
        FReader.ReadListEnd();
    }

    // Appends one value at the current place; lines it adds are indented one level
    // deeper than indent. No newline at the end.
    void Value(int indent)
    {
        const TValueType tag = FReader.ReadValue();
        switch (tag) {
        case TValueType::vaNull:
            FText += QStringLiteral("Null");
            return;
        case TValueType::vaList: {
            TReader::DepthGuard guard(FReader);
            FText += u'(';
            while (!FReader.EndOfList()) {
                FText += u'\n';
                Indent(indent + 1);
                Value(indent + 1);
            }
            FReader.ReadListEnd();
            FText += u')';
            return;
        }
        case TValueType::vaInt8:
            FText += QString::number(int8_t(FStream.ReadUInt8()));
            return;
        case TValueType::vaInt16:
            FText += QString::number(int16_t(FStream.ReadUInt16()));
            return;
        case TValueType::vaInt32:
            FText += QString::number(int32_t(FStream.ReadUInt32()));
            return;
        case TValueType::vaInt64:
            FText += QString::number(qint64(FStream.ReadUInt64()));
            return;
        case TValueType::vaExtended: {
            uint8_t bytes[10];
            FStream.ReadBuffer(bytes, 10);
            FText += FloatText(ExtendedToDouble(bytes));
            return;
        }
        case TValueType::vaSingle: {
            const uint32_t bits = FStream.ReadUInt32();
            float f;
            std::memcpy(&f, &bits, 4);
            FText += SingleText(f);
            return;
        }
        case TValueType::vaDate: {
            const uint64_t bits = FStream.ReadUInt64();
            double d;
            std::memcpy(&d, &bits, 8);
            FText += FloatText(d) + u'd';
            return;
        }
        case TValueType::vaCurrency:
            FText += CurrencyText(int64_t(FStream.ReadUInt64()));
            return;
        case TValueType::vaString:
        case TValueType::vaLString:
        case TValueType::vaWString:
            FStream.Seek(-1, TSeekOrigin::soCurrent);
            FText += QuoteText(FReader.ReadString());
            return;
        case TValueType::vaIdent:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            FText += FReader.ReadIdentPayload(tag);
            return;
        case TValueType::vaSet: {
            QStringList members;
            for (;;) {
                const QString m = FReader.ReadStr();
                if (m.isEmpty())
                    break;
                members << m;
            }
            FText += u'[' + members.join(QStringLiteral(", ")) + u']';
            return;
        }
        case TValueType::vaBinary: {
            FStream.Seek(-1, TSeekOrigin::soCurrent);
            const QByteArray bytes = FReader.ReadBinary();
            FText += u'{';
            for (qsizetype i = 0; i < bytes.size(); i += kBinaryLine) {
                FText += u'\n';
                Indent(indent + 1);
                FText += QString::fromLatin1(bytes.mid(i, kBinaryLine).toHex().toUpper());
            }
            FText += u'}';
            return;
        }
        case TValueType::vaCollection: {
            TReader::DepthGuard guard(FReader);
            FText += u'<';
            while (!FReader.EndOfList()) {
                const TValueType next = FReader.NextValue();
                QString index;
                if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
                    index = QStringLiteral(" [%1]").arg(FReader.ReadInteger());
                FReader.ReadListBegin();
                FText += u'\n';
                Indent(indent + 1);
                FText += QStringLiteral("item") + index + u'\n';
                Properties(indent + 2);
                Indent(indent + 1);
                FText += QStringLiteral("end");
            }
            FReader.ReadListEnd();
            FText += u'>';
            return;
        }
        }
    }

    TStream& FStream;
    TReader FReader;
    QString FText;
};

// ---------------------------------------------------------------------------------
// text -> bytes

enum class TToken
{
    End,
    Symbol,
    Ident,
    Integer,
    Float,
    String,
};

enum class TFloatKind
{
    Extended,
    Single,
    Currency,
    Date,
};

struct TTokenValue
{
    TToken Kind = TToken::End;
    qsizetype Start = 0; // index in the text
    QChar Symbol;
    QString Text; // identifier or string
    // String characters that came from #128 … #255: perhaps bytes of code page 932.
    std::vector<qsizetype> Raw;
    int64_t Integer = 0;
    bool Hex = false;
    double Float = 0;
    float Single = 0;
    int64_t Currency = 0;
    TFloatKind FloatKind = TFloatKind::Extended;
};

bool IsIdentStart(QChar c)
{
    return c == u'_' || c.isLetter();
}
bool IsIdentPart(QChar c)
{
    return c == u'_' || c == u'.' || c.isLetterOrNumber();
}
int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

class Lexer
{
public:
    explicit Lexer(const QString& text) : FText(text) {}

    [[noreturn]] void Fail(qsizetype at, const QString& message) const
    {
        int line = 1;
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i < at && i < FText.size(); ++i)
            if (FText.at(i) == u'\n') {
                ++line;
                lineStart = i + 1;
            }
        throw EParserError(message, line, int(at - lineStart) + 1);
    }

    qsizetype Position() const { return FPos; }
    void SetPosition(qsizetype pos) { FPos = pos; }
    const QString& Text() const { return FText; }

    void SkipBlank()
    {
        while (FPos < FText.size() && (FText.at(FPos).isSpace() || FText.at(FPos) == QChar(0xFEFF)))
            ++FPos;
    }

    TTokenValue Next()
    {
        SkipBlank();
        TTokenValue t;
        t.Start = FPos;
        if (FPos >= FText.size())
            return t;
        const QChar c = FText.at(FPos);
        if (c == u'\'' || c == u'#') {
            t.Kind = TToken::String;
            t.Text = StringPieces(t.Raw);
            return t;
        }
        if (c.unicode() < 0x80 && (c.isDigit() || c == u'$' ||
                                   ((c == u'-' || c == u'+') && FPos + 1 < FText.size() &&
                                    (FText.at(FPos + 1).isDigit() || FText.at(FPos + 1) == u'$')))) {
            Number(t);
            return t;
        }
        if (IsIdentStart(c)) {
            const qsizetype start = FPos;
            while (FPos < FText.size() && IsIdentPart(FText.at(FPos)))
                ++FPos;
            t.Kind = TToken::Ident;
            t.Text = FText.mid(start, FPos - start);
            return t;
        }
        if (QStringView(u"()[]<>{}=:,+").contains(c)) {
            ++FPos;
            t.Kind = TToken::Symbol;
            t.Symbol = c;
            return t;
        }
        Fail(FPos, QStringLiteral("unexpected character '%1'").arg(c));
    }

    TTokenValue Peek()
    {
        const qsizetype keep = FPos;
        TTokenValue t = Next();
        FPos = keep;
        return t;
    }

    // The hex digits of a binary block after its '{', up to and including '}'.
    QByteArray Binary()
    {
        QByteArray bytes;
        int high = -1;
        for (;;) {
            if (FPos >= FText.size())
                Fail(FPos, QStringLiteral("'}' expected"));
            const QChar c = FText.at(FPos);
            if (c == u'}') {
                if (high >= 0)
                    Fail(FPos, QStringLiteral("odd number of hex digits"));
                ++FPos;
                return bytes;
            }
            if (c.isSpace()) {
                ++FPos;
                continue;
            }
            const int digit = HexDigit(c);
            if (digit < 0)
                Fail(FPos, QStringLiteral("hex digit expected"));
            ++FPos;
            if (high < 0)
                high = digit;
            else {
                bytes += char(high * 16 + digit);
                high = -1;
            }
        }
    }

private:
    QString StringPieces(std::vector<qsizetype>& raw)
    {
        QString out;
        while (FPos < FText.size()) {
            const QChar c = FText.at(FPos);
            if (c == u'\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || FText.at(FPos) == u'\n' || FText.at(FPos) == u'\r')
                        Fail(FPos, QStringLiteral("unterminated string"));
                    const QChar d = FText.at(FPos++);
                    if (d == u'\'') {
                        if (FPos < FText.size() && FText.at(FPos) == u'\'') {
                            out += u'\'';
                            ++FPos;
                            continue;
                        }
                        break;
                    }
                    out += d;
                }
            } else if (c == u'#') {
                const qsizetype at = FPos++;
                uint32_t code = 0;
                int digits = 0;
                if (FPos < FText.size() && FText.at(FPos) == u'$') {
                    ++FPos;
                    for (int d; FPos < FText.size() && (d = HexDigit(FText.at(FPos))) >= 0; ++FPos, ++digits)
                        if ((code = code * 16 + uint32_t(d)) > 0x10FFFF)
                            Fail(at, QStringLiteral("character code out of range"));
                } else {
                    for (; FPos < FText.size() && FText.at(FPos).unicode() < 0x80 && FText.at(FPos).isDigit();
                         ++FPos, ++digits)
                        if ((code = code * 10 + uint32_t(FText.at(FPos).unicode() - '0')) > 0x10FFFF)
                            Fail(at, QStringLiteral("character code out of range"));
                }
                if (digits == 0)
                    Fail(at, QStringLiteral("character code expected after '#'"));
                if (code > 0xFFFF) {
                    const char32_t point = code;
                    out += QString::fromUcs4(&point, 1);
                } else {
                    if (code >= 0x80 && code <= 0xFF)
                        raw.push_back(out.size());
                    out += QChar(char16_t(code));
                }
            } else {
                break;
            }
        }
        return out;
    }

    void Number(TTokenValue& t)
    {
        const qsizetype start = FPos;
        bool negative = false;
        if (FText.at(FPos) == u'-' || FText.at(FPos) == u'+')
            negative = FText.at(FPos++) == u'-';
        if (FText.at(FPos) == u'$') {
            ++FPos;
            uint64_t value = 0;
            int digits = 0;
            for (int d; FPos < FText.size() && (d = HexDigit(FText.at(FPos))) >= 0; ++FPos, ++digits) {
                if (digits >= 16)
                    Fail(start, QStringLiteral("integer out of range"));
                value = value * 16 + uint64_t(d);
            }
            if (digits == 0)
                Fail(start, QStringLiteral("hex digit expected after '$'"));
            EndOfNumber(start);
            // Up to eight digits are a 32-bit pattern ($80000008 is a system colour).
            int64_t v = digits <= 8 ? int64_t(int32_t(uint32_t(value))) : int64_t(value);
            t.Kind = TToken::Integer;
            t.Hex = true;
            t.Integer = negative ? int64_t(0 - uint64_t(v)) : v;
            return;
        }
        bool isFloat = false;
        while (FPos < FText.size()) {
            const QChar c = FText.at(FPos);
            if (c.unicode() < 0x80 && c.isDigit()) {
                ++FPos;
            } else if (c == u'.' && !isFloat && FPos + 1 < FText.size() && FText.at(FPos + 1).isDigit()) {
                isFloat = true;
                ++FPos;
            } else if ((c == u'e' || c == u'E') && FPos + 1 < FText.size() &&
                       (FText.at(FPos + 1).isDigit() ||
                        ((FText.at(FPos + 1) == u'-' || FText.at(FPos + 1) == u'+') &&
                         FPos + 2 < FText.size() && FText.at(FPos + 2).isDigit()))) {
                isFloat = true;
                FPos += 2;
                while (FPos < FText.size() && FText.at(FPos).unicode() < 0x80 && FText.at(FPos).isDigit())
                    ++FPos;
                break;
            } else {
                break;
            }
        }
        const QByteArray literal = FText.mid(start, FPos - start).toLatin1();
        TFloatKind kind = TFloatKind::Extended;
        bool suffixed = false;
        if (FPos < FText.size()) {
            const char16_t s = FText.at(FPos).toLower().unicode();
            if (s == 's' || s == 'c' || s == 'd') {
                kind = s == 's' ? TFloatKind::Single : s == 'c' ? TFloatKind::Currency : TFloatKind::Date;
                suffixed = true;
                ++FPos;
            }
        }
        EndOfNumber(start);
        if (!isFloat && !suffixed) {
            int64_t value = 0;
            const char* begin = literal.constData() + (literal.startsWith('+') ? 1 : 0);
            const auto result = std::from_chars(begin, literal.constData() + literal.size(), value);
            if (result.ec != std::errc())
                Fail(start, QStringLiteral("integer out of range"));
            t.Kind = TToken::Integer;
            t.Integer = value;
            return;
        }
        t.Kind = TToken::Float;
        t.FloatKind = kind;
        const char* begin = literal.constData() + (literal.startsWith('+') ? 1 : 0);
        const char* end = literal.constData() + literal.size();
        if (kind == TFloatKind::Currency) {
            t.Currency = CurrencyCount(start, QByteArray(begin, int(end - begin)));
            return;
        }
        if (kind == TFloatKind::Single) {
            float f = 0;
            const auto result = std::from_chars(begin, end, f);
            if (result.ec == std::errc::result_out_of_range)
                f = std::strtof(QByteArray(begin, int(end - begin)).constData(), nullptr);
            else if (result.ec != std::errc())
                Fail(start, QStringLiteral("number expected"));
            t.Single = f;
            return;
        }
        double d = 0;
        const auto result = std::from_chars(begin, end, d);
        if (result.ec == std::errc::result_out_of_range)
            d = std::strtod(QByteArray(begin, int(end - begin)).constData(), nullptr);
        else if (result.ec != std::errc())
            Fail(start, QStringLiteral("number expected"));
        t.Float = d;
    }

    // A currency literal is exact to four decimals; more are rounded half away.
    int64_t CurrencyCount(qsizetype at, const QByteArray& literal)
    {
        bool negative = literal.startsWith('-');
        QByteArray body = negative ? literal.mid(1) : literal;
        if (body.contains('e') || body.contains('E'))
            Fail(at, QStringLiteral("a currency value takes no exponent"));
        const qsizetype dot = body.indexOf('.');
        QByteArray whole = dot < 0 ? body : body.left(dot);
        QByteArray fraction = dot < 0 ? QByteArray() : body.mid(dot + 1);
        bool roundUp = fraction.size() > 4 && fraction[4] >= '5';
        fraction = fraction.left(4).leftJustified(4, '0');
        __int128 value = 0;
        for (char c : whole + fraction) {
            value = value * 10 + (c - '0');
            if (value > __int128(std::numeric_limits<int64_t>::max()) + 1)
                Fail(at, QStringLiteral("currency value out of range"));
        }
        if (roundUp)
            ++value;
        if (negative)
            value = -value;
        if (value > std::numeric_limits<int64_t>::max() || value < std::numeric_limits<int64_t>::min())
            Fail(at, QStringLiteral("currency value out of range"));
        return int64_t(value);
    }

    void EndOfNumber(qsizetype start)
    {
        if (FPos < FText.size() && IsIdentPart(FText.at(FPos)))
            Fail(start, QStringLiteral("malformed number"));
    }

    const QString& FText;
    qsizetype FPos = 0;
};

class TextReader
{
public:
    TextReader(const QString& text, TStream& out) : FLexer(text), FWriter(out) {}

    void Run()
    {
        FWriter.Stream().WriteBytes(QByteArray("TPF0"));
        const TTokenValue first = FLexer.Next();
        Object(first, 0);
        const TTokenValue rest = FLexer.Next();
        if (rest.Kind != TToken::End)
            FLexer.Fail(rest.Start, QStringLiteral("end of text expected"));
    }

private:
    static bool IsWord(const TTokenValue& t, QStringView word)
    {
        return t.Kind == TToken::Ident && t.Text.compare(word, Qt::CaseInsensitive) == 0;
    }
    static bool IsSymbol(const TTokenValue& t, char16_t c)
    {
        return t.Kind == TToken::Symbol && t.Symbol == c;
    }
    static bool IsObjectWord(const TTokenValue& t)
    {
        return IsWord(t, u"object") || IsWord(t, u"inherited") || IsWord(t, u"inline");
    }

    void Expect(char16_t symbol)
    {
        const TTokenValue t = FLexer.Next();
        if (!IsSymbol(t, symbol))
            FLexer.Fail(t.Start, QStringLiteral("'%1' expected").arg(QChar(symbol)));
    }
    TTokenValue ExpectIdent(const char* what)
    {
        const TTokenValue t = FLexer.Next();
        if (t.Kind != TToken::Ident)
            FLexer.Fail(t.Start, QStringLiteral("%1 expected").arg(QLatin1String(what)));
        return t;
    }
    void Deeper(int depth, qsizetype at)
    {
        if (depth >= kMaxComponentNesting)
            FLexer.Fail(at, QStringLiteral("nesting too deep"));
    }
    int64_t IndexValue()
    {
        const TTokenValue t = FLexer.Next();
        if (t.Kind != TToken::Integer)
            FLexer.Fail(t.Start, QStringLiteral("integer expected"));
        Expect(u']');
        return t.Integer;
    }
    void WriteName(const TTokenValue& t)
    {
        bool ok = true;
        const QByteArray bytes = EncodeStreamText(t.Text, &ok);
        if (!ok || bytes.size() > 255)
            FLexer.Fail(t.Start, QStringLiteral("name cannot be stored: %1").arg(t.Text));
        FWriter.WriteStrBytes(bytes);
    }

    void Object(const TTokenValue& head, int depth)
    {
        if (!IsObjectWord(head))
            FLexer.Fail(head.Start, QStringLiteral("'object' expected"));
        Deeper(depth, head.Start);
        uint8_t flags = IsWord(head, u"inherited") ? 1 : IsWord(head, u"inline") ? 4 : 0;
        TTokenValue name;
        TTokenValue className = ExpectIdent("class name");
        if (IsSymbol(FLexer.Peek(), u':')) {
            FLexer.Next();
            name = className;
            className = ExpectIdent("class name");
        }
        std::optional<int64_t> position;
        if (IsSymbol(FLexer.Peek(), u'[')) {
            FLexer.Next();
            position = IndexValue();
            flags |= 2;
        }
        if (flags) {
            FWriter.Stream().WriteUInt8(uint8_t(0xF0 | flags));
            if (position)
                FWriter.WriteInteger(*position);
        }
        WriteName(className);
        WriteName(name);
        Properties(depth);
        for (;;) {
            const TTokenValue t = FLexer.Next();
            if (IsWord(t, u"end"))
                break;
            if (IsObjectWord(t)) {
                Object(t, depth + 1);
                continue;
            }
            FLexer.Fail(t.Start, QStringLiteral("'end' expected"));
        }
        FWriter.WriteListEnd();
    }

    // Property entries up to the first token that does not begin one; writes vaNull.
    void Properties(int depth)
    {
        for (;;) {
            const qsizetype keep = FLexer.Position();
            const TTokenValue t = FLexer.Next();
            const TTokenValue after = FLexer.Peek();
            if (t.Kind != TToken::Ident || !IsSymbol(after, u'=')) {
                FLexer.SetPosition(keep);
                break;
            }
            FLexer.Next();
            WriteName(t);
            Value(depth);
        }
        FWriter.WriteListEnd();
    }

    QString StringValue(const TTokenValue& first)
    {
        QString text = first.Text;
        std::vector<qsizetype> raw = first.Raw;
        while (IsSymbol(FLexer.Peek(), u'+')) {
            FLexer.Next();
            const TTokenValue t = FLexer.Next();
            if (t.Kind != TToken::String)
                FLexer.Fail(t.Start, QStringLiteral("string expected"));
            for (qsizetype r : t.Raw)
                raw.push_back(text.size() + r);
            text += t.Text;
        }
        return ResolveRawBytes(text, raw);
    }

    // The classic form writes the bytes of a code-page string above 127 as #nnn
    // ("#130'l'" is "Ｍ"). When the string read that way is valid code page 932 it
    // is taken so; otherwise the codes stay the characters they name.
    static QString ResolveRawBytes(const QString& text, const std::vector<qsizetype>& raw)
    {
        if (raw.empty())
            return text;
        QByteArray bytes;
        size_t r = 0;
        for (qsizetype i = 0; i < text.size();) {
            if (r < raw.size() && raw[r] == i) {
                bytes += char(text.at(i).unicode());
                ++r;
                ++i;
                continue;
            }
            const qsizetype end = r < raw.size() ? raw[r] : text.size();
            bool ok = true;
            bytes += EncodeStreamText(text.mid(i, end - i), &ok);
            if (!ok)
                return text;
            i = end;
        }
        const QString decoded = DecodeStreamText(bytes);
        bool ok = true;
        if (EncodeStreamText(decoded, &ok) != bytes || !ok)
            return text;
        return decoded;
    }

    void Value(int depth)
    {
        const TTokenValue t = FLexer.Next();
        switch (t.Kind) {
        case TToken::End:
            FLexer.Fail(t.Start, QStringLiteral("value expected"));
        case TToken::Integer:
            FWriter.WriteInteger(t.Integer);
            return;
        case TToken::Float:
            switch (t.FloatKind) {
            case TFloatKind::Extended:
                FWriter.WriteFloat(t.Float);
                return;
            case TFloatKind::Single:
                FWriter.WriteSingle(t.Single);
                return;
            case TFloatKind::Currency:
                FWriter.WriteCurrency(t.Currency);
                return;
            case TFloatKind::Date:
                FWriter.WriteDate(t.Float);
                return;
            }
            return;
        case TToken::String:
            FWriter.WriteString(StringValue(t));
            return;
        case TToken::Ident: {
            bool ok = true;
            const QByteArray bytes = EncodeStreamText(t.Text, &ok);
            if (!ok || bytes.size() > 255)
                FLexer.Fail(t.Start, QStringLiteral("identifier cannot be stored: %1").arg(t.Text));
            FWriter.WriteIdent(t.Text);
            return;
        }
        case TToken::Symbol:
            break;
        }
        switch (t.Symbol.unicode()) {
        case u'[': {
            FWriter.WriteValue(TValueType::vaSet);
            TTokenValue m = FLexer.Next();
            if (!IsSymbol(m, u']')) {
                for (;;) {
                    if (m.Kind != TToken::Ident)
                        FLexer.Fail(m.Start, QStringLiteral("set member expected"));
                    WriteName(m);
                    const TTokenValue sep = FLexer.Next();
                    if (IsSymbol(sep, u']'))
                        break;
                    if (!IsSymbol(sep, u','))
                        FLexer.Fail(sep.Start, QStringLiteral("',' or ']' expected"));
                    m = FLexer.Next();
                }
            }
            FWriter.Stream().WriteUInt8(0);
            return;
        }
        case u'(': {
            Deeper(depth + 1, t.Start);
            FWriter.WriteListBegin();
            while (!IsSymbol(FLexer.Peek(), u')')) {
                if (FLexer.Peek().Kind == TToken::End)
                    FLexer.Fail(FLexer.Peek().Start, QStringLiteral("')' expected"));
                Value(depth + 1);
            }
            FLexer.Next();
            FWriter.WriteListEnd();
            return;
        }
        case u'<': {
            Deeper(depth + 1, t.Start);
            FWriter.WriteValue(TValueType::vaCollection);
            for (;;) {
                const TTokenValue item = FLexer.Next();
                if (IsSymbol(item, u'>'))
                    break;
                if (!IsWord(item, u"item"))
                    FLexer.Fail(item.Start, QStringLiteral("'item' or '>' expected"));
                if (IsSymbol(FLexer.Peek(), u'[')) {
                    FLexer.Next();
                    FWriter.WriteInteger(IndexValue());
                }
                FWriter.WriteListBegin();
                Properties(depth + 1);
                const TTokenValue end = FLexer.Next();
                if (!IsWord(end, u"end"))
                    FLexer.Fail(end.Start, QStringLiteral("'end' expected"));
            }
            FWriter.WriteListEnd();
            return;
        }
        case u'{':
            FWriter.WriteBinary(FLexer.Binary());
            return;
        default:
            FLexer.Fail(t.Start, QStringLiteral("value expected"));
        }
    }

    Lexer FLexer;
    TWriter FWriter;
};

} // namespace

// 'quoted' text with #nnn for what must not stand in the text itself: control
// characters and UTF-16 halves that do not pair.
QString QuoteText(const QString& text)
{
    QString out;
    bool inQuote = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        bool plain = c.unicode() >= 0x20 && c.unicode() != 0x7F;
        if (c.isHighSurrogate())
            plain = i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        else if (c.isLowSurrogate())
            plain = i > 0 && text.at(i - 1).isHighSurrogate();
        if (!plain) {
            if (inQuote) {
                out += u'\'';
                inQuote = false;
            }
            out += QStringLiteral("#%1").arg(c.unicode());
            continue;
        }
        if (!inQuote) {
            out += u'\'';
            inQuote = true;
        }
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    if (inQuote)
        out += u'\'';
    return out.isEmpty() ? QStringLiteral("''") : out;
}

QString ComponentToText(const QByteArray& bytes)
{
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    TextWriter writer(stream);
    writer.Run();
    return writer.Text();
}

QByteArray TextToComponent(const QString& text)
{
    TMemoryStream out;
    TextReader reader(text, out);
    reader.Run();
    return out.Data();
}

QByteArray TextToComponentResource(const QString& text, const QString& resourceName)
{
    const QByteArray body = TextToComponent(text);
    TMemoryStream out;
    const int64_t sizePosition = WriteResourceHeader(out, resourceName);
    out.WriteBytes(body);
    const int64_t end = out.Position();
    out.SetPosition(sizePosition);
    out.WriteUInt32(uint32_t(body.size()));
    out.SetPosition(end);
    return out.Data();
}

} // namespace velmo
