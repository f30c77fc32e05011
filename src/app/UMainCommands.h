#pragma once
// The main window's decisions that need no window: whether the current sheet still
// uses its merge data and whether another program holds a work file. The export of a
// label as a picture file is the document's (ULabelExport), shared with velmo-tool.
#include "document/ULabelExport.h"
#include <QString>

namespace velmo {

class TLabelData;

// True when a label position of the current sheet holds a merge field (groups
// searched too). A design that cannot be read counts as holding one: the link is
// only dropped when it is known to be unused.
bool CurrentSheetHoldsMergeFields(TLabelData& document);

// True when another process holds an advisory lock (flock) on the file.
bool FileLockedByOther(const QString& fileName);

} // namespace velmo
