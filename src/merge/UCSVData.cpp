#include "merge/UCSVData.h"
#include "base/UCodePage932.h"
#include "merge/UVCardData.h"
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <iterator>

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

bool IsAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (unsigned char)c < 0x80; });
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

void TCSVStringList::SetCSVLine(QStringView line, QChar delimiter)
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
            // A quote never closed takes the rest of the line but its last character,
            // which a writer that lost the closing quote most often put there instead.
            if (!closed && !field.isEmpty())
                field.chop(1);
        } else {
            const qsizetype start = p;
            while (p < n && line[p] != delimiter)
                ++p;
            field = line.mid(start, p - start).toString();
        }
        FItems.append(field);
        // After a field: a comma goes on to the next one; anything else (text after
        // a closing quote) starts a new field at once.
        if (p < n && line[p] == delimiter)
            ++p;
    }
}

QString TCSVStringList::CSVLine(QChar delimiter) const
{
    if (FItems.size() == 1 && FItems.front().isEmpty())
        return QStringLiteral("\"\"");
    QStringList parts;
    parts.reserve(FItems.size());
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        const QString& field = FItems[i];
        // An empty last field written bare would vanish on reading ("a," is one field).
        const bool quote =
            (field.isEmpty() && i + 1 == FItems.size()) ||
            std::any_of(field.begin(), field.end(), [delimiter](QChar c) {
                return (c.unicode() >= 1 && c.unicode() <= 32) || c == u'"' || c == u',' || c == delimiter;
            });
        if (quote) {
            QString q = field;
            q.replace(u'"', QStringLiteral("\"\""));
            parts.append(u'"' + q + u'"');
        } else {
            parts.append(field);
        }
    }
    return parts.join(delimiter);
}

// ---- decoding and splitting

QString CSVEncodingName(TCSVEncoding encoding)
{
    switch (encoding) {
    case TCSVEncoding::CodePage932:
        return QStringLiteral("cp932");
    case TCSVEncoding::Utf8:
        return QStringLiteral("utf-8");
    case TCSVEncoding::Utf8Bom:
        return QStringLiteral("utf-8-bom");
    case TCSVEncoding::Utf16LE:
        return QStringLiteral("utf-16le");
    case TCSVEncoding::Utf16BE:
        return QStringLiteral("utf-16be");
    }
    return {};
}

namespace {

const QChar kReplacement(0xFFFD);
// What the program shows for a byte sequence that is no character (the geta mark
// of Japanese type setting), so one bad cell never costs the list.
const QChar kGeta(0x3013);

// Code page 932 decoded line by line, so that a bad byte can never swallow the
// line end after it; *firstBad gets the first line holding one (0: none).
QString DecodeCp932Lines(const QByteArray& bytes, int* firstBad)
{
    QString text;
    text.reserve(bytes.size());
    int line = 1;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        bool ok = true;
        const QByteArray piece = bytes.mid(start, end - start);
        QString decoded = cp932::Decode(piece, &ok);
        if (!ok) {
            // The converter stands SUB (0x1A) in for what it could not read; a line
            // that held no SUB of its own has only those.
            if (!piece.contains('\x1A'))
                decoded.replace(QChar(0x1A), kReplacement);
            if (*firstBad == 0)
                *firstBad = line;
        }
        text += decoded;
        if (end >= n)
            break;
        if (bytes[end] == '\r' && end + 1 < n && bytes[end + 1] == '\n') {
            text += QStringLiteral("\r\n");
            start = end + 2;
        } else {
            text += QChar(bytes[end]);
            start = end + 1;
        }
        ++line;
    }
    return text;
}

QString DecodeQt(QStringConverter::Encoding encoding, QByteArrayView bytes, bool* clean)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    *clean = !decoder.hasError();
    return text;
}

} // namespace

QString DecodeCSVBytes(const QByteArray& bytes, const QString& fileName, TCSVEncoding* encoding,
                       QString* warning)
{
    TCSVEncoding enc = TCSVEncoding::CodePage932;
    QString text;
    QStringList warnings;
    int badLine = 0; // first line with bytes that are no character
    bool clean = true;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        enc = TCSVEncoding::Utf8Bom;
        text = DecodeQt(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3), &clean);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool le = bytes.startsWith("\xFF\xFE");
        enc = le ? TCSVEncoding::Utf16LE : TCSVEncoding::Utf16BE;
        text = DecodeQt(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                        QByteArrayView(bytes).sliced(2), &clean);
        // A byte left over cannot be half a character: the file was cut short there.
        if (bytes.size() % 2 != 0) {
            if (!text.endsWith(kReplacement))
                text += kReplacement;
            clean = false;
        }
    } else {
        // NUL is no character of either encoding's text and no part of a multi-byte
        // one: the text ends there, and what follows plays no part in the choice.
        const qsizetype nul = bytes.indexOf('\0');
        const QByteArray head = nul < 0 ? bytes : bytes.left(nul);
        int cpBad = 0;
        text = DecodeCp932Lines(head, &cpBad);
        clean = cpBad == 0;
        if (!IsAscii(head)) {
            bool utf8Clean = true;
            QString utf8 = DecodeQt(QStringConverter::Utf8, head, &utf8Clean);
            // Valid UTF-8 is taken as UTF-8. Code page 932 text read as UTF-8 breaks
            // at nearly every character (its lead bytes are UTF-8 continuation
            // bytes), while UTF-8 read as code page 932 mostly passes as other
            // characters: so a list whose UTF-8 reading has far more good characters
            // beyond ASCII than bad ones is UTF-8 with a few damaged bytes.
            const qsizetype bad = utf8.count(kReplacement);
            const qsizetype good = std::count_if(
                utf8.begin(), utf8.end(), [](QChar c) { return c.unicode() > 0x7F && c != kReplacement; });
            if (utf8Clean || (bad > 0 && good >= 4 * bad)) {
                enc = TCSVEncoding::Utf8;
                text = std::move(utf8);
                clean = utf8Clean;
            } else {
                badLine = cpBad;
            }
        }
        if (nul >= 0)
            text += QChar(0); // marks where the file went on, for the note below
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) {
        warnings << QStringLiteral(
                        "CSVファイル「%1」の%2行目: NUL 文字があるため、そこから後は読み込みません")
                        .arg(fileName)
                        .arg(LineNumberAt(text, nul));
        text.truncate(nul);
    }
    if (!clean && text.contains(kReplacement)) {
        if (badLine == 0)
            badLine = LineNumberAt(text, text.indexOf(kReplacement));
        text.replace(kReplacement, kGeta);
        warnings.prepend(
            QStringLiteral(
                "CSVファイル「%1」の%2行目ほか: 文字として読めないバイトを「〓」に置き換えました (%3)")
                .arg(fileName)
                .arg(badLine)
                .arg(enc == TCSVEncoding::CodePage932 ? QStringLiteral("シフトJIS") : CSVEncodingName(enc)));
    }
    if (encoding)
        *encoding = enc;
    if (warning)
        *warning = warnings.join(u'\n');
    return text;
}

std::vector<TCSVSpan> SplitCSVRecords(QStringView text, QChar delimiter)
{
    std::vector<TCSVSpan> spans;
    const qsizetype n = text.size();
    const QChar* d = text.data();
    qsizetype start = 0;
    qsizetype p = 0;
    bool inQuote = false;
    bool fieldStart = true;
    qsizetype quoteOpenedAt = 0;
    for (;;) {
        if (p >= n) {
            if (!inQuote)
                break;
            // A quote never closed would take the rest of the file into one field:
            // its record ends at the end of its own line instead, and the records
            // after it are read afresh.
            inQuote = false;
            p = quoteOpenedAt;
            while (p < n && d[p] != u'\r' && d[p] != u'\n')
                ++p;
            continue;
        }
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
        fieldStart = (c == delimiter);
        ++p;
    }
    if (start < n)
        spans.push_back({start, n - start});
    return spans;
}

QChar DetectDelimiter(const QString& fileName, QStringView text)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"tsv" || suffix == u"tab")
        return u'\t';
    // The first line decides: the separator it holds most often outside quotes, the
    // comma on a tie. A ".csv" file is never colon-separated (times hold colons).
    const QChar candidates[] = {u',', u'\t', u';', u':'};
    const int considered = suffix == u"csv" ? 3 : 4;
    int counts[4] = {0, 0, 0, 0};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n') {
            if (!quoted)
                break;
            continue;
        }
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted)
            for (int i = 0; i < considered; ++i)
                if (c == candidates[i])
                    ++counts[i];
    }
    int best = 0;
    for (int i = 1; i < considered; ++i)
        if (counts[i] > counts[best])
            best = i;
    return candidates[best];
}

QStringList MergeFileFilters()
{
    return {QStringLiteral("差し込みデータ (*.csv *.tsv *.tab *.txt *.vcf)"),
            QStringLiteral("カンマ区切りテキスト (*.csv *.txt)"),
            QStringLiteral("タブ区切りテキスト (*.tsv *.tab *.txt)"),
            QStringLiteral("セミコロン区切りテキスト (*.csv *.txt)"),
            QStringLiteral("コロン区切りテキスト (*.txt)"),
            QStringLiteral("vCard (*.vcf)"),
            QStringLiteral("すべてのﾌｧｲﾙ (*)")};
}

QChar MergeFilterSeparator(const QString& filter)
{
    const QStringList filters = MergeFileFilters();
    static const QChar separators[] = {QChar(), u',', u'\t', u';', u':', QChar(), QChar()};
    const qsizetype i = filters.indexOf(filter);
    return i >= 0 && i < qsizetype(std::size(separators)) ? separators[i] : QChar();
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
    QString warning;
    QString text = DecodeCSVBytes(bytes, fileName, &enc, &warning);
    FVCard = LooksLikeVCard(text);
    if (FVCard) {
        // Contacts become records under a names line of their own, always read as
        // the names line.
        text = VCardToDelimitedText(text);
        FDelimiter = u',';
        FHasHeader = true;
    } else {
        FDelimiter = FChosenDelimiter.isNull() ? DetectDelimiter(fileName, text) : FChosenDelimiter;
    }
    std::vector<TCSVSpan> spans = SplitCSVRecords(text, FDelimiter);
    FWarning = std::move(warning);
    FText = std::move(text);
    FLines = std::move(spans);
    FEncoding = enc;
    FCurrent.Clear();
    FFieldCount = -1;
    if (FHasHeader && (LineCount() > 1 || (FVCard && LineCount() > 0))) {
        FHeader.SetCSVLine(LineText(0), FDelimiter);
        FLines.erase(FLines.begin());
    }
    FModified = false;
}

void TCSVData::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(
            QStringLiteral("CSVファイル「%1」を開けません: %2").arg(fileName, file.errorString()));
    if (file.size() > MaxFileSize)
        throw ECSVFormat(QStringLiteral("CSVファイル「%1」は大きすぎます (%2 MB まで)")
                             .arg(fileName)
                             .arg(MaxFileSize / (1024 * 1024)));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw EFileError(
            QStringLiteral("CSVファイル「%1」を読めません: %2").arg(fileName, file.errorString()));
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
    FCurrent.SetCSVLine(LineText(index), FDelimiter);
    return FCurrent;
}

TCSVStringList TCSVData::RecordCopy(int index) const
{
    CheckIndex(index);
    TCSVStringList list;
    list.SetCSVLine(LineText(index), FDelimiter);
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
            FHeader.SetCSVLine(LineText(0), FDelimiter);
            FLines.erase(FLines.begin());
        }
    } else {
        const QString line = FHeader.CSVLine(FDelimiter);
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
            list.SetCSVLine(LineText(i), FDelimiter);
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
    std::stable_sort(FIndex.begin(), FIndex.end(),
                     [&](int a, int b) { return comparer(FData->RecordCopy(a), FData->RecordCopy(b)) < 0; });
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
