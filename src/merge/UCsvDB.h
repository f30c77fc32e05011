#pragma once
// The merge database: the one CSV file the current document is linked to, its
// records in a user-chosen order, and the merge step that fills a label's merge
// objects with record n and its numbering objects with n.
#include "merge/UCSVData.h"
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace velmo {

class TDOList;
class TLabelData;

// Upper-cases ASCII letters (only those), then half-width to full-width, then
// hiragana to katakana: the form in which merge fields are sorted and searched.
QString MergeNormalize(const QString& s);

struct TMergeSortKey
{
    int Field = 0;
    bool Descending = false;
};

class TCsvDB
{
public:
    TCsvDB();
    ~TCsvDB();
    // The one merge database of the process.
    static TCsvDB& Instance();

    // Errors of opening or reading propagate; Active stays False then.
    // separator: the one the user chose (QChar(): found from the file).
    void Open(const QString& fileName, QChar separator = QChar());
    void Close();
    bool Active() const { return FActive; }
    // What the open file's reading had to mend (undecodable bytes, a NUL); empty
    // when it was clean.
    const QString& Warning() const { return FData->Warning(); }
    QString FileName() const { return FFileName; }
    // Changes with every Open and Close, so that whoever remembers a record of the
    // data can tell that the data is no longer the same (even for the same file).
    quint64 Generation() const { return FGeneration; }

    int Count() const { return FAccess->Count(); }
    int FieldCount() { return FData->FieldCount(); }
    const TCSVStringList& RecordAt(int n) { return FAccess->RecordAt(n); }
    TCSVStringList RecordCopy(int n) const { return FData->RecordCopy(FAccess->LineIndexAt(n)); }
    int LineIndexAt(int n) const { return FAccess->LineIndexAt(n); }
    int Append(int lineIndex) { return FAccess->Append(lineIndex); }
    void ClearView() { FAccess->Clear(); }
    TCSVData& Data() { return *FData; }

    // The file's names while the header is on, else "項目1", "項目2", ….
    QStringList FieldNames() const;
    bool HasHeader() const { return FData->HasHeader(); }
    // Keeps the record order the user made; the names line becomes the first record
    // when switched off (never for a vCard file, whose names line is ours).
    void SetHasHeader(bool value);

    void Sort(int field, bool descending);
    // Several keys: the first decides, later ones break its ties.
    void Sort(const std::vector<TMergeSortKey>& keys);
    // Compares two records the way Sort orders them by one field.
    static int CompareRecords(const TCSVStringList& a, const TCSVStringList& b, int field, bool descending);

    // The first record from current-1 down to 0 (towards the first) or current+1 up
    // (towards the last) whose field (or, for field -1, all fields joined by line
    // breaks) holds the normalised text; -1 for none. An empty text never matches.
    // progress gets (tested, total) now and then; returning false stops the search.
    int Find(const QString& text, int field, bool towardsFirst, int current,
             const std::function<bool(int, int)>& progress = {});

    // The folder relative file names in merge fields are taken from (the linked
    // file's folder); the process's working folder is never changed.
    QString MergeFolder() const { return FMergeFolder; }
    QString ResolveMergePath(const QString& name) const;

    // The merge step for one label: record n (or an empty record beyond the end, or
    // when no file is open) into every insertion object, n into every numbering object.
    void ApplyMergeRecord(TDOList& objects, int n);

private:
    std::unique_ptr<TCSVData> FData;
    std::unique_ptr<TCSVAccess> FAccess;
    bool FActive = false;
    quint64 FGeneration = 0;
    QString FFileName;
    QString FMergeFolder;
    QStringList FGeneratedNames;
};

// What opening merge data by name came to.
enum class TMergeOpenResult
{
    Opened,
    Missing,
    Failed
};

// Links the document to the file in db: Close, then Open when it exists; on success the
// document's CSVFile becomes the name, the header is switched off and CSVFieldName
// cleared. A file that did not open leaves CSVFile empty. message gets the text to
// show for Missing and Failed, and for Opened the warning of a file that had to be
// mended (empty when there is nothing to tell).
// separator: the field separator the user chose (QChar(): found from the file), kept
// in the document.
TMergeOpenResult OpenMergeDataByName(TCsvDB& db, TLabelData& document, const QString& fileName,
                                     QString* message = nullptr, QChar separator = QChar());
// For a document just opened: its CSVFile is opened in db and its stored
// CSVFieldName applied. Missing and Failed leave the document without merge data.
TMergeOpenResult OpenDocumentMergeData(TCsvDB& db, TLabelData& document, QString* message = nullptr);

} // namespace velmo
