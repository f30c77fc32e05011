#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool update-papers [--proxy HOST[:PORT]] URL [CATALOGUE]: reads the update
// index at URL, downloads and unpacks the catalogue it names and merges it into
// CATALOGUE (written back only when the merge succeeded). Without CATALOGUE the
// download is checked and its papers counted, nothing is merged.
int CommandUpdatePapers(const QStringList& arguments);

// velmo-tool merge-old-papers OLD.ppr CATALOGUE: merges an older catalogue file into
// a catalogue (made when missing), as the paper dialog's merge command does.
int CommandMergeOldPapers(const QStringList& arguments);

// velmo-tool papers --old OLD.ppr: lists an older catalogue (never written).
int ListOldPapers(const QString& fileName, bool namesOnly);

} // namespace velmo::tool
