#pragma once
// Catalogue upkeep apart from any window: the process-wide extended paper mode, the
// shapes a purpose allows, new purpose names and the purpose check, renumbering the
// papers' keys, the paper order, bulk deletion and renaming, and turning the user's
// papers into system papers. The maintenance dialogs and velmo-tool share these.
#include "paper/UPapers.h"
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace velmo {

// The extended paper mode: system papers become editable and the maintenance
// functions are offered. Off when the process starts.
bool ExtendedPaperMode();
void SetExtendedPaperMode(bool value);

// The shape names of the editors, in enum order: "角ラベル", "CDラベル", ….
const QStringList& FaceShapeNames();
// The shapes a purpose's mask offers, in enum order; an empty mask offers all six.
QList<int> ShapesOffered(TFaceShapes mask);
// The mask the purpose editor stores for the ticked shapes: all six ticked is the
// empty mask.
TFaceShapes MaskFromShapes(const QList<int>& shapes);
// The mask of the purpose with this identifier in the list (0 when absent).
TFaceShapes PurposeShapeMask(const TPurposeList& list, const QString& id);

// The first free ("NewID%d", "新規用途%d") for 1 to 999; nothing when all are taken.
std::optional<std::pair<QString, QString>> NewPurposeName(const TPurposeList& list);

struct TPurposeCheck
{
    QStringList Report; // "%s:[%s]" per unknown use, then "未使用:[%s]" per unused purpose
    QStringList Unused; // identifiers of listed purposes no paper uses (not the empty one)
};
// Walks every paper's label positions.
TPurposeCheck CheckPurposes(const TPapers& papers, const TPurposeList& list,
                            const TPaperProgress& progress = {});
// Keeps only the purposes the check did not find unused, in their order.
void RemoveUnusedPurposes(TPurposeList& list, const TPurposeCheck& check);

// A start number: decimal, or hexadecimal after "$"; nothing for anything else or
// a number outside 0 … 0xFFFFFFFF.
std::optional<uint32_t> ParseStartNumber(const QString& text);
// Paper i (in key order) moves to the key of start + i; keys already in use are
// skipped (that paper keeps its key). Refuses before anything moves when the last
// key would pass $FFFFFFFF. Returns how many papers moved.
int RenumberPaperKeys(TPapers& papers, uint32_t start, const TPaperProgress& progress = {});

// The paper names in catalogue order, one per line (the paper order editor's text).
QString PaperOrderText(const TPapers& papers);
// Why the edited order cannot be applied (an unknown, repeated or missing name), or
// empty; blank lines and spaces around a name are ignored.
QString PaperOrderDefect(const TPapers& papers, const QString& text, QStringList* names = nullptr);
// Gives the catalogue the edited order; raises EPaperCatalogError with the defect.
void ApplyPaperOrder(TPapers& papers, const QString& text);

// Catalogue positions of the papers of a group, in catalogue order; all papers when
// all is set.
QList<int> PapersOfGroup(const TPapers& papers, const QString& group, bool all);
// Deletes the papers, from the last position to the first; returns how many.
int DeletePapers(TPapers& papers, QList<int> positions);

enum class TRenameMode
{
    HeaderFooter, // header + name + footer
    Replace,      // the first occurrence of the search text replaced
};
QString BulkPaperName(const QString& name, TRenameMode mode, const QString& first, const QString& second);
// Renames the papers (last to first): a copy under the new name replaces the paper
// and its extra records. Names that do not change, come out empty or belong to
// another paper are left alone and listed in skipped. Returns how many were renamed.
int RenamePapers(TPapers& papers, QList<int> positions, TRenameMode mode, const QString& first,
                 const QString& second, QStringList* skipped = nullptr);
// Stores each paper again (last to first) with the new group; returns how many.
int RegroupPapers(TPapers& papers, QList<int> positions, const QString& group);
// Every user paper stored again as a system paper; returns how many.
int MakeSystemPapers(TPapers& papers);

// The update time as the update information dialog shows it ("yyyy/MM/dd HH:mm:ss");
// empty for 0 (never updated).
QString UpdateTimeText(double lastUpdate);
// Parses a date with or without a time ("2026/12/9", "2026-12-09 10:30", …).
std::optional<double> ParseUpdateTime(const QString& text);

// The listed names, one per line with CR LF, in UTF-8; false when not written.
bool SavePaperList(const QString& fileName, const QStringList& names, QString* error = nullptr);

} // namespace velmo
