#pragma once
// Which merge record the label editor shows while the user browses the merge data
// with the insertion controller. Until the user browses, a label position shows the
// record it prints with (record k on position k); once a record is chosen, every
// position shows that one. The chosen record is followed through sorts and header
// changes by its line in the file, and forgotten when other merge data is linked.
#include <QString>

namespace velmo {

class TCsvDB;

class TInsertionCursor
{
public:
    explicit TInsertionCursor(TCsvDB& db);

    // The record position k shows now (may be at or beyond Count(): an empty record,
    // as in print).
    int RecordFor(int position);
    // The user chose a record.
    bool Browsing();
    int Count() const;
    // Records can be stepped to and searched from.
    bool HasRecords() const;

    // The steps of the controller's buttons, from what position k shows; each
    // returns whether the shown record changed.
    bool First(int position);
    bool Prior(int position);
    bool Next(int position);
    bool Last(int position);
    // A 0-based record number; out of range is clamped.
    bool JumpTo(int position, int record);
    bool CanStepBack(int position);
    bool CanStepForward(int position);

    // Before the records are reordered (sort, header switch): the record position k
    // shows is pinned so that it stays on the label afterwards.
    void Pin(int position);
    // Back to showing each position's own record.
    void Reset();

    // "n / N" for the controller: "－" for n when the shown record is beyond the end.
    QString StatusText(int position);

private:
    void Sync();
    int Shown(int position);
    int FileLineAt(int record) const;
    void Choose(int record);

    TCsvDB& FDB;
    quint64 FGeneration;
    int FRecord = -1; // -1: each position shows its own record
    int FLine = -1;   // the chosen record's line in the file (header line included)
};

} // namespace velmo
