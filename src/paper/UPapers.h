#pragma once
// The paper catalogue: every label sheet the application knows, kept in one compound
// file. TPapers holds the papers under their keys; the keys' order is the catalogue
// order. All changes go to a working copy in memory; the catalogue file itself is
// rewritten only when the catalogue is closed, and only when something changed.
#include "base/UExceptions.h"
#include "paper/UPaperInfo.h"
#include "storage/UDocFile.h"
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace velmo {

// Failures of the catalogue's own rules ("Bad paper name", "用紙情報更新エラー(%s)",
// papers that fail their checks).
VELMO_DECLARE_EXCEPTION(EPaperCatalogError, Exception)

// (position, total) of a long catalogue operation.
using TPaperProgress = std::function<void(int position, int total)>;

// "$" and eight upper-case hexadecimal digits.
QString PaperKey(uint32_t number);
// The number a key stands for ("$" means hexadecimal, as in ordinary integer
// parsing); false for text that is not a number.
bool ParsePaperKey(const QString& key, uint32_t* number);
// The number of a key, 0 for text that is not one.
uint32_t PaperKeyNumber(const QString& key);

// Why a paper cannot be used, or empty when it can: a size or face count the sheet
// cannot have, or a face outside the sheet. Overlapping faces are allowed (the
// editors let the user keep them).
QString PaperDefect(const TPaperInfo& paper);

class TPapers
{
public:
    // Opens the catalogue file (an empty catalogue when the file does not exist).
    // A read-only catalogue never writes its file.
    TPapers(const QString& fileName, bool readOnly);
    virtual ~TPapers();
    TPapers(const TPapers&) = delete;
    TPapers& operator=(const TPapers&) = delete;

    const QString& FileName() const { return FFileName; }
    bool ReadOnly() const { return FReadOnly; }
    // The working copy.
    TRootStorage& Storage() const { return *FStorage; }

    int Count() const { return int(FKeys.size()); }
    TPaperInfo* Paper(int index) const;
    const QString& Key(int index) const;
    QStringList Keys() const;
    // Exact, case-sensitive; -1 when absent.
    int IndexOfName(const QString& paperName) const;
    int IndexOfKey(const QString& key) const;
    // Adds each paper's group not yet in the list, in catalogue order.
    void GetGroupNames(QStringList& list) const;

    // Adds a new paper or replaces the one of the same name (keeping its key).
    virtual void StorePaper(const TPaperInfo& paper);
    // Removes the paper, its stream and (in descendants) its extra records.
    virtual void DeletePaper(int index);
    // Gives the papers new keys behind every key in use, in the order of names.
    void Renumber(const QStringList& names);
    // Moves one paper to the key; nothing happens when the key is in use.
    void RenameKey(int index, const QString& key);
    // Writes every paper afresh under its key.
    void Rewrite(const TPaperProgress& progress = {});
    bool KeysSorted() const { return FSorted; }
    // Keys of papers whose streams failed to read or failed their checks: not listed,
    // kept in the file untouched, their keys never given to another paper.
    const QStringList& SkippedPapers() const { return FSkipped; }
    void SetKeysSorted(bool sorted);

    TPurposeList* PurposeList() const { return FPurposeList.get(); }
    void SetPurposeList(const TPurposeList& list);

    // Whether the working copy differs from the catalogue file.
    bool Modified() const;
    // Forces the catalogue to be written back at closing.
    void MarkChanged();
    // Writes the working copy back over the catalogue file when it changed (and the
    // catalogue is writable), beside it first and then renamed into place. The
    // destructor does this too, but cannot report a failure.
    void Close();
    // Forgets every change of the run: the catalogue file is not written.
    void Discard() { FClosed = true; }

    static QString PapersStorageName() { return QStringLiteral("Papers"); }
    static QString PurposeListStreamName() { return QStringLiteral("PurposeList\\PurposeList"); }

protected:
    QString PaperPath(const QString& key) const { return PapersStorageName() + QLatin1Char('\\') + key; }
    // Reads a component stream of the working copy.
    std::unique_ptr<TComponent> ReadStream(const QString& path) const;
    void WriteStream(const QString& path, const TComponent& component);

private:
    struct TEntry
    {
        QString Key;
        std::unique_ptr<TPaperInfo> Paper;
    };

    void ReadPurposeList();
    void WritePurposeList();
    void ReadPapers();
    void WritePaper(const QString& key, TPaperInfo& paper, bool withPurposes);
    int InsertKey(const QString& key, std::unique_ptr<TPaperInfo> paper);
    void SortKeys();
    uint32_t HighestKeyNumber() const;
    void CheckIndex(int index) const;

    QString FFileName;
    bool FReadOnly;
    bool FClosed = false;
    std::unique_ptr<TTemporaryStorage> FStorage;
    std::vector<TEntry> FKeys;
    QStringList FSkipped;
    bool FSorted = true;
    std::unique_ptr<TPurposeList> FPurposeList;
};

} // namespace velmo
