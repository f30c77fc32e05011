#include "merge/UInsertionCursor.h"
#include "merge/UCsvDB.h"
#include <algorithm>

namespace velmo {

TInsertionCursor::TInsertionCursor(TCsvDB& db) : FDB(db), FGeneration(db.Generation()) {}

int TInsertionCursor::Count() const
{
    return FDB.Active() ? FDB.Count() : 0;
}

bool TInsertionCursor::HasRecords() const
{
    return Count() > 0;
}

int TInsertionCursor::FileLineAt(int record) const
{
    // Line indexes count from the first record; the names line, while it is one,
    // comes before them. The file line stays the same when the header is switched.
    return FDB.LineIndexAt(record) + (FDB.HasHeader() ? 1 : 0);
}

void TInsertionCursor::Sync()
{
    if (FDB.Generation() != FGeneration) {
        // Other merge data (or the same file read again): what was chosen means
        // nothing in it.
        FGeneration = FDB.Generation();
        FRecord = -1;
        FLine = -1;
        return;
    }
    if (FRecord < 0)
        return;
    const int count = Count();
    // With no records (a one-line file with its names line on) the choice waits for
    // the records to come back.
    if (count == 0)
        return;
    if (FRecord < count && FileLineAt(FRecord) == FLine)
        return;
    for (int n = 0; n < count; ++n)
        if (FileLineAt(n) == FLine) {
            FRecord = n;
            return;
        }
    // The record is no record any more (it became the names line): its place stays.
    FRecord = std::clamp(FRecord, 0, count - 1);
    FLine = FileLineAt(FRecord);
}

int TInsertionCursor::Shown(int position)
{
    Sync();
    return FRecord >= 0 ? FRecord : std::max(position, 0);
}

int TInsertionCursor::RecordFor(int position)
{
    return Shown(position);
}

bool TInsertionCursor::Browsing()
{
    Sync();
    return FRecord >= 0;
}

void TInsertionCursor::Choose(int record)
{
    FRecord = record;
    FLine = FileLineAt(record);
}

bool TInsertionCursor::First(int position)
{
    const int shown = Shown(position);
    if (Count() == 0)
        return false;
    Choose(0);
    return shown != 0;
}

bool TInsertionCursor::Prior(int position)
{
    const int shown = Shown(position);
    // From beyond the end (a position without a record) the step back is the last.
    const int target = std::min(shown - 1, Count() - 1);
    if (target < 0)
        return false;
    Choose(target);
    return true;
}

bool TInsertionCursor::Next(int position)
{
    const int shown = Shown(position);
    if (shown + 1 >= Count())
        return false;
    Choose(shown + 1);
    return true;
}

bool TInsertionCursor::Last(int position)
{
    const int shown = Shown(position);
    const int count = Count();
    if (count == 0)
        return false;
    Choose(count - 1);
    return shown != count - 1;
}

bool TInsertionCursor::JumpTo(int position, int record)
{
    const int shown = Shown(position);
    const int count = Count();
    if (count == 0)
        return false;
    const int target = std::clamp(record, 0, count - 1);
    Choose(target);
    return shown != target;
}

bool TInsertionCursor::CanStepBack(int position)
{
    return Count() > 0 && Shown(position) > 0;
}

bool TInsertionCursor::CanStepForward(int position)
{
    return Shown(position) + 1 < Count();
}

void TInsertionCursor::Pin(int position)
{
    const int shown = Shown(position);
    if (FRecord < 0 && shown < Count())
        Choose(shown);
}

void TInsertionCursor::Reset()
{
    FGeneration = FDB.Generation();
    FRecord = -1;
    FLine = -1;
}

QString TInsertionCursor::StatusText(int position)
{
    const int count = Count();
    const int shown = Shown(position);
    if (count == 0)
        return QStringLiteral("0 / 0");
    if (shown >= count)
        return QStringLiteral("－ / %1").arg(count);
    return QStringLiteral("%1 / %2").arg(shown + 1).arg(count);
}

} // namespace velmo
