#include "merge/UMergeSession.h"
#include "document/ULabelData.h"
#include "merge/UCsvDB.h"
#include <algorithm>

namespace velmo {

TMergeSession::TMergeSession(TCsvDB& db) : FDB(db), FCursor(db) {}

bool TMergeSession::Linked() const
{
    return FDocument && !FDocument->CSVFile().isEmpty() && FDB.Active();
}

int TMergeSession::RecordShownAt(int position)
{
    return FCursor.RecordFor(position);
}

int TMergeSession::CurrentRecord()
{
    return FDocument ? FCursor.RecordFor(std::max(FDocument->CurrentLabelNo(), 0)) : 0;
}

void TMergeSession::FillLabel(TDOList& objects, int record) const
{
    FDB.ApplyMergeRecord(objects, record);
}

void FillLabelWithoutMergeData(TDOList& objects, int n)
{
    // Never opened: every record is empty.
    static TCsvDB none;
    none.ApplyMergeRecord(objects, n);
}

} // namespace velmo
