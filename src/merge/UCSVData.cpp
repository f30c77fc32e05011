#include "merge/UCSVData.h"
#include "base/UCodePage932.h"
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace velmo {

namespace {

const QString kOutOfIndex = QStringLiteral("Out Of Index");

// 1 + the number of line ends (CR LF counting once) before position pos.
int LineNumberAt(QStringView text, qsizetype pos)
{
    int line = 1;
    pos = std::min(pos, text.size());
    for (qsizetype i = 0; i < pos; ++i) {
        const QChar c = text[i];
        if (c == u'\n')
            ++line;
        else if (c == u'\r' && !(i + 1 < text.size() && text[i + 1] == u'\n'))
            ++line;
    }
    return line;
}

int ByteLineNumberAt(const QByteArray& bytes, qsizetype pos)
{
    int line = 1;
    for (qsizetype i = 0; i < pos && i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n')
            ++line;
        else if (c == '\r' && !(i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            ++line;
    }
    return line;
}

[[noreturn]] void RaiseFormat(const QString& fileName, int line, const QString& what)
{
    throw ECSVFormat(QStringLiteral("CSVファイル「%1」の%2行目: %3").arg(fileName).arg(line).arg(what));
}

bool IsAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Decodes with Qt's strict decoder; on an error raises naming the line of the
// first replacement character.
QString DecodeStrict(QStringConverter::Encoding encoding, QByteArrayView bytes, const QString& fileName,
                     const QString& what)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        const qsizetype bad = text.indexOf(QChar(QChar::ReplacementCharacter));
        RaiseFormat(fileName, LineNumberAt(text, bad < 0 ? text.size() : bad), what);
    }
    return text;
}

} // namespace

// ---- TCSVStringList

void TCSVStringList::Put(int index, const QString& value)
{
    if (index < 0)
        throw ECSVDataBase(kOutOfIndex);
    while (Count() <= index)
        FItems.append(QString());
    FItems[index] = value;
}

void TCSVStringList::SetCSVLine(QStringView line)
{
    FItems.clear();
    const qsizetype n = line.size();
    qsizetype p = 0;
    while (p < n) {
        QString field;
        if (line[p] == u'"') {
            ++p;
            bool closed = false;
            while (p < n) {
                if (line[p] == u'"') {
                    if (p + 1 < n && line[p + 1] == u'"') {
                        field += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    closed = true;
                    break;
                }
                field += line[p++];
            }
            // An unclosed quote takes the whole rest of the line: nothing typed is dropped.
            Q_UNUSED(closed);
        } else {
            const qsizetype start = p;
            while (p < n && line[p] != u',')
                ++p;
            field = line.mid(start, p - start).toString();
        }
        FItems.append(field);
        // After a field: a comma goes on to the next one; anything else (text after
        // a closing quote) starts a new field at once.
        if (p < n && line[p] == u',')
            ++p;
    }
}

QString TCSVStringList::CSVLine() const
{
    if (FItems.size() == 1 && FItems.front().isEmpty())
        return QStringLiteral("\"\"");
    QStringList parts;
    parts.reserve(FItems.size());
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        const QString& field = FItems[i];
        // An empty last field written bare would vanish on reading ("a," is one field).
        const bool quote = (field.isEmpty() && i + 1 == FItems.size()) || std::any_of(field.begin(), field.end(), [](QChar c) {
            return (c.unicode() >= 1 && c.unicode() <= 32) || c == u'"' || c == u',';
        });
        if (quote) {
            QString q = field;
            q.replace(u'"', QStringLiteral("\"\""));
            parts.append(u'"' + q + u'"');
        } else {
            parts.append(field);
        }
    }
    return parts.join(u',');
}

// ---- decoding and splitting

QString CSVEncodingName(TCSVEncoding encoding)
{
    switch (encoding) {
    case TCSVEncoding::CodePage932: return QStringLiteral("cp932");
    case TCSVEncoding::Utf8: return QStringLiteral("utf-8");
    case TCSVEncoding::Utf8Bom: return QStringLiteral("utf-8-bom");
    case TCSVEncoding::Utf16LE: return QStringLiteral("utf-16le");
    case TCSVEncoding::Utf16BE: return QStringLiteral("utf-16be");
    }
    return {};
}

QString DecodeCSVBytes(const QByteArray& bytes, const QString& fileName, TCSVEncoding* encoding)
{
    TCSVEncoding enc = TCSVEncoding::CodePage932;
    QString text;
    const QString badUtf8 = QStringLiteral("UTF-8 として正しくないバイトがあります");
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        enc = TCSVEncoding::Utf8Bom;
        text = DecodeStrict(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3), fileName, badUtf8);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool le = bytes.startsWith("\xFF\xFE");
        enc = le ? TCSVEncoding::Utf16LE : TCSVEncoding::Utf16BE;
        text = DecodeStrict(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                            QByteArrayView(bytes).sliced(2), fileName,
                            QStringLiteral("UTF-16 として正しくないデータがあります"));
        // A byte left over cannot be half a character: the file was cut short.
        if (bytes.size() % 2 != 0)
            RaiseFormat(fileName, LineNumberAt(text, text.size()),
                        QStringLiteral("UTF-16 のファイルが途中で切れています"));
    } else {
        bool utf8 = false;
        if (!IsAscii(bytes)) {
            QStringDecoder probe(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            QString t = probe.decode(bytes);
            if (!probe.hasError()) {
                utf8 = true;
                text = std::move(t);
                enc = TCSVEncoding::Utf8;
            }
        }
        if (!utf8) {
            bool ok = true;
            text = cp932::Decode(bytes, &ok);
            if (!ok) {
                // Line ends are never trail bytes in code page 932, so lines decode on their own.
                qsizetype start = 0;
                while (start < bytes.size()) {
                    qsizetype end = start;
                    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
                        ++end;
                    bool lineOk = true;
                    cp932::Decode(bytes.mid(start, end - start), &lineOk);
                    if (!lineOk)
                        RaiseFormat(fileName, ByteLineNumberAt(bytes, start),
                                    QStringLiteral("シフトJIS として正しくないバイトがあります"));
                    start = end + 1;
                }
                RaiseFormat(fileName, ByteLineNumberAt(bytes, bytes.size()),
                            QStringLiteral("シフトJIS として正しくないバイトがあります"));
            }
        }
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        RaiseFormat(fileName, LineNumberAt(text, nul), QStringLiteral("NUL 文字があります (テキストファイルではありません)"));
    if (encoding)
        *encoding = enc;
    return text;
}

std::vector<TCSVSpan> SplitCSVRecords(QStringView text, const QString& fileName)
{
    std::vector<TCSVSpan> spans;
    const qsizetype n = text.size();
    const QChar* d = text.data();
    qsizetype start = 0;
    qsizetype p = 0;
    bool inQuote = false;
    bool fieldStart = true;
    qsizetype quoteOpenedAt = 0;
    while (p < n) {
        const QChar c = d[p];
        if (inQuote) {
            if (c == u'"') {
                if (p + 1 < n && d[p + 1] == u'"') {
                    p += 2;
                    continue;
                }
                inQuote = false;
            }
            ++p;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            spans.push_back({start, p - start});
            p += (c == u'\r' && p + 1 < n && d[p + 1] == u'\n') ? 2 : 1;
            start = p;
            fieldStart = true;
            continue;
        }
        if (c == u'"' && fieldStart) {
            inQuote = true;
            quoteOpenedAt = p;
        }
        // A quote opens a field only at its start (or right after a closing quote,
        // where the parser starts a new field); elsewhere it is an ordinary character.
        fieldStart = (c == u',');
        ++p;
    }
    if (inQuote)
        RaiseFormat(fileName, LineNumberAt(text, quoteOpenedAt),
                    QStringLiteral("引用符 (\") が閉じられないままファイルが終わっています"));
    if (start < n)
        spans.push_back({start, n - start});
    return spans;
}

// ---- TCSVData

void TCSVData::CheckIndex(int index) const
{
    if (index < 0 || index >= LineCount())
        throw ECSVDataBase(kOutOfIndex);
}

void TCSVData::LoadFromBytes(const QByteArray& bytes, const QString& fileName)
{
    TCSVEncoding enc;
    QString text = DecodeCSVBytes(bytes, fileName, &enc);
    std::vector<TCSVSpan> spans = SplitCSVRecords(text, fileName);
    FText = std::move(text);
    FLines = std::move(spans);
    FEncoding = enc;
    FCurrent.Clear();
    FFieldCount = -1;
    if (FHasHeader && LineCount() > 1) {
        FHeader.SetCSVLine(LineText(0));
        FLines.erase(FLines.begin());
    }
    FModified = false;
}

void TCSVData::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("CSVファイル「%1」を開けません: %2").arg(fileName, file.errorString()));
    if (file.size() > MaxFileSize)
        throw ECSVFormat(QStringLiteral("CSVファイル「%1」は大きすぎます (%2 MB まで)")
                             .arg(fileName)
                             .arg(MaxFileSize / (1024 * 1024)));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("CSVファイル「%1」を読めません: %2").arg(fileName, file.errorString()));
    if (bytes.size() > MaxFileSize)
        throw ECSVFormat(QStringLiteral("CSVファイル「%1」は大きすぎます").arg(fileName));
    LoadFromBytes(bytes, fileName);
}

QStringView TCSVData::LineText(int index) const
{
    CheckIndex(index);
    const TCSVSpan& s = FLines[size_t(index)];
    return QStringView(FText).mid(s.Start, s.Length);
}

const TCSVStringList& TCSVData::GetRecord(int index)
{
    CheckIndex(index);
    FCurrent.SetCSVLine(LineText(index));
    return FCurrent;
}

TCSVStringList TCSVData::RecordCopy(int index) const
{
    CheckIndex(index);
    TCSVStringList list;
    list.SetCSVLine(LineText(index));
    return list;
}

void TCSVData::SetHasHeader(bool value)
{
    if (value == FHasHeader)
        return;
    FHasHeader = value;
    FFieldCount = -1;
    if (value) {
        if (LineCount() > 0) {
            FHeader.SetCSVLine(LineText(0));
            FLines.erase(FLines.begin());
        }
    } else {
        const QString line = FHeader.CSVLine();
        TCSVSpan span{FText.size(), line.size()};
        FText += line;
        FLines.insert(FLines.begin(), span);
        FHeader.Clear();
    }
}

int TCSVData::FieldCount()
{
    if (FFieldCount < 0) {
        int count = FHasHeader ? FHeader.Count() : 0;
        TCSVStringList list;
        for (int i = 0; i < LineCount(); ++i) {
            list.SetCSVLine(LineText(i));
            count = std::max(count, list.Count());
        }
        FFieldCount = count;
    }
    return FFieldCount;
}

// ---- TCSVAccess

void TCSVAccess::CheckPosition(int position) const
{
    if (position < 0 || position >= Count())
        throw ECSVAccess(kOutOfIndex);
}

void TCSVAccess::Rebuild()
{
    FIndex.clear();
    if (!FData)
        return;
    FIndex.resize(size_t(FData->LineCount()));
    for (int i = 0; i < FData->LineCount(); ++i)
        FIndex[size_t(i)] = i;
}

int TCSVAccess::Append(int lineIndex)
{
    if (!FData)
        return -1;
    FIndex.push_back(lineIndex);
    return Count() - 1;
}

int TCSVAccess::LineIndexAt(int position) const
{
    if (!FData)
        return -1;
    CheckPosition(position);
    return FIndex[size_t(position)];
}

const TCSVStringList& TCSVAccess::RecordAt(int position)
{
    CheckPosition(position);
    if (!FData)
        throw ECSVAccess(kOutOfIndex);
    return FData->GetRecord(FIndex[size_t(position)]);
}

void TCSVAccess::Sort(const TCSVComparer& comparer)
{
    if (!FData || !comparer || Count() < 2)
        return;
    // Stable, so that records that compare equal keep their order.
    std::stable_sort(FIndex.begin(), FIndex.end(), [&](int a, int b) {
        return comparer(FData->RecordCopy(a), FData->RecordCopy(b)) < 0;
    });
}

void TCSVAccess::Reorder(const std::vector<int>& positions)
{
    std::vector<int> next;
    next.reserve(positions.size());
    for (int p : positions)
        next.push_back(FIndex.at(size_t(p)));
    FIndex = std::move(next);
}

} // namespace velmo
