#pragma once
// The merge session of the open document: the merge database holding its linked
// file (the file name and the header switch are the document's settings, the record
// order the database's), the record the label editor shows at each position, and the
// merge step that puts record n on label n. The main window owns it beside the
// document and lends it to the layout view, the insertion controller, the merge
// dialogs and the print run, so none of them reaches for process-wide state.
#include "merge/UInsertionCursor.h"

namespace velmo {

class TCsvDB;
class TDOList;
class TLabelData;

class TMergeSession
{
public:
    explicit TMergeSession(TCsvDB& db);
    TMergeSession(const TMergeSession&) = delete;
    TMergeSession& operator=(const TMergeSession&) = delete;

    TCsvDB& Database() const { return FDB; }
    // Which record the label editor shows; browsed with the insertion controller.
    TInsertionCursor& Cursor() { return FCursor; }

    // The document whose merge data this is (nullptr: none open).
    void SetDocument(TLabelData* document) { FDocument = document; }
    TLabelData* Document() const { return FDocument; }
    // The document names a merge file and the database holds it open.
    bool Linked() const;

    // The record label position k shows in the label editor: its own record (k)
    // until the user browses, then the one chosen.
    int RecordShownAt(int position);
    // The record the label being edited shows (what a merge object takes when its
    // dialog is confirmed): the current label's, or the one the user browsed to.
    int CurrentRecord();
    // Record n (an empty record beyond the end or without merge data) into every
    // merge object of one label's objects, n into every numbering object.
    void FillLabel(TDOList& objects, int record) const;

private:
    TCsvDB& FDB;
    TInsertionCursor FCursor;
    TLabelData* FDocument = nullptr;
};

// The merge step where no merge data is linked: merge objects empty, n into every
// numbering object (a view or preview without a session).
void FillLabelWithoutMergeData(TDOList& objects, int n);

} // namespace velmo
