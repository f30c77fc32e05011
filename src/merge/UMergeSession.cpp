#include "merge/UMergeSession.h"
#include "document/ULabelData.h"
#include "merge/UCsvDB.h"

namespace velmo {

TMergeSession::TMergeSession(TCsvDB& db) : FDB(db), FCursor(db)
{
}

bool TMergeSession::Linked() const
{
    return FDocument && !FDocument->CSVFile().isEmpty() && FDB.Active();
}

int TMergeSession::RecordShownAt(int position)
{
    return FCursor.RecordFor(position);
}

void TMergeSession::FillLabel(TDOList& objects, int record) const
{
    FDB.ApplyMergeRecord(objects, record);
}

} // namespace velmo
