#pragma once
// Merge data read from comma-, tab-, semicolon- or colon-separated text files and
// vCard files: the field list of one record,
// the record store that keeps the file's records as raw text and parses one record
// at a time, and the ordered view over the store that sorting and record
// navigation work on.
//
// Files are code page 932, UTF-8 (with or without a byte-order mark; a file that is
// valid UTF-8 and not plain ASCII is taken as UTF-8) or UTF-16 with a byte-order
// mark. A record ends at CR, LF or CR LF outside double quotes; inside quotes a
// line end belongs to the field, as spreadsheet programs write it, unless the quote
// is never closed. Damaged content is mended, never refused.
#include "base/UExceptions.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace velmo {

VELMO_DECLARE_EXCEPTION(ECSVDataBase, Exception)
VELMO_DECLARE_EXCEPTION(ECSVAccess, Exception)
// A file that cannot be taken as merge data; the message names the file and line.
VELMO_DECLARE_EXCEPTION(ECSVFormat, Exception)

// The fields of one record. Reading past the end gives the empty string; writing
// past the end first appends empty fields up to the index.
class TCSVStringList
{
public:
    int Count() const { return int(FItems.size()); }
    QString Get(int index) const { return index >= 0 && index < Count() ? FItems.at(index) : QString(); }
    void Put(int index, const QString& value);
    void Clear() { FItems.clear(); }
    void Add(const QString& value) { FItems.append(value); }
    const QStringList& Items() const { return FItems; }
    // Parses one record's text (which may hold line ends inside quoted fields).
    void SetCSVLine(QStringView line, QChar delimiter = u',');
    // The fields written back as one record line.
    QString CSVLine(QChar delimiter = u',') const;

private:
    QStringList FItems;
};

enum class TCSVEncoding
{
    CodePage932,
    Utf8,
    Utf8Bom,
    Utf16LE,
    Utf16BE
};
QString CSVEncodingName(TCSVEncoding encoding);

// The text of a merge file's bytes, with the encoding it was read in. Content never
// refuses a file: bytes that are no character in the detected encoding become "〓"
// and a NUL ends the text; *warning then names the first line concerned (empty when
// the file was clean).
QString DecodeCSVBytes(const QByteArray& bytes, const QString& fileName, TCSVEncoding* encoding = nullptr,
                       QString* warning = nullptr);

// Where each record of the text begins and how long it is. A quote left open at the
// end of the file ends its record at the end of its own line.
struct TCSVSpan
{
    qsizetype Start = 0;
    qsizetype Length = 0;
};
std::vector<TCSVSpan> SplitCSVRecords(QStringView text, QChar delimiter = u',');

// The field separator of a merge file: a tab for ".tsv" and ".tab" files, otherwise
// the comma, tab, semicolon or colon (not the colon in ".csv" files) its first line
// holds most often outside quotes, the comma on a tie.
QChar DetectDelimiter(const QString& fileName, QStringView text);

// The merge file dialogs' filters: by file (the separator found from the file), then
// comma, tab, semicolon and colon chosen, vCard and every file; and the separator a
// filter chooses (QChar(): found from the file).
QStringList MergeFileFilters();
QChar MergeFilterSeparator(const QString& filter);

class TCSVData
{
public:
    // Files larger than this are refused: the store holds the whole text.
    static constexpr qint64 MaxFileSize = qint64(512) * 1024 * 1024;

    int LineCount() const { return int(FLines.size()); }
    bool HasHeader() const { return FHasHeader; }
    void SetHasHeader(bool value);
    const TCSVStringList& Header() const { return FHeader; }
    bool Modified() const { return FModified; }
    TCSVEncoding Encoding() const { return FEncoding; }
    // What the last load had to mend (see DecodeCSVBytes); empty for a clean file.
    const QString& Warning() const { return FWarning; }
    // The field separator the last load found.
    QChar Delimiter() const { return FDelimiter; }
    // A separator the user chose, used by the following loads instead of the one the
    // file suggests (QChar(): found from the file; vCard files are always cards).
    void SetChosenDelimiter(QChar value) { FChosenDelimiter = value; }
    // Whether the last load read a vCard file (its contacts are the records, the
    // names line is always on).
    bool IsVCard() const { return FVCard; }

    // Replaces the records; with the header on and more than one record, the first
    // becomes the field names.
    void LoadFromBytes(const QByteArray& bytes, const QString& fileName);
    void LoadFromFile(const QString& fileName);
    // Shared: the next call overwrites it. "Out Of Index" outside the records.
    const TCSVStringList& GetRecord(int index);
    // A record's fields as a new list (does not touch the shared one).
    TCSVStringList RecordCopy(int index) const;
    // The raw text of record i.
    QStringView LineText(int index) const;
    int FieldCount();

private:
    void CheckIndex(int index) const;

    QString FText;
    std::vector<TCSVSpan> FLines;
    bool FHasHeader = false;
    TCSVStringList FHeader;
    TCSVStringList FCurrent;
    bool FModified = false;
    TCSVEncoding FEncoding = TCSVEncoding::CodePage932;
    QString FWarning;
    int FFieldCount = -1;
    QChar FDelimiter = u',';
    QChar FChosenDelimiter;
    bool FVCard = false;
};

// Negative when a orders before b.
using TCSVComparer = std::function<int(const TCSVStringList& a, const TCSVStringList& b)>;

// An ordered list of line indices of a store: position p shows line Index[p].
class TCSVAccess
{
public:
    explicit TCSVAccess(TCSVData* data = nullptr) : FData(data) {}
    TCSVData* Data() const { return FData; }
    void Rebuild();
    void Clear() { FIndex.clear(); }
    int Count() const { return int(FIndex.size()); }
    int Append(int lineIndex);
    int LineIndexAt(int position) const;
    const TCSVStringList& RecordAt(int position);
    // Orders the view with the comparer (records compared by their fields).
    void Sort(const TCSVComparer& comparer);
    // Orders the view by a ready-made order of its positions (a permutation).
    void Reorder(const std::vector<int>& positions);
    const std::vector<int>& Index() const { return FIndex; }

private:
    void CheckPosition(int position) const;

    TCSVData* FData;
    std::vector<int> FIndex;
};

} // namespace velmo
