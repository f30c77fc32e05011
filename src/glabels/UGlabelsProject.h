#pragma once
// gLabels projects (".glabels": the XML of gLabels 2.2, 2.3 and 3.x, plain or gzip-
// compressed) turned into a new document: the sheet template into the document's
// paper, the objects into label objects of one design shared by every label, the
// merge source into the document's merge link. What cannot be carried over is left
// out object by object and named in the warnings; a file that cannot be read as a
// whole (damaged compression or XML, a template without a layout, negative sizes, a
// picture too large to hold) raises EGlabelsProject and makes nothing.
#include "base/UExceptions.h"
#include "paper/UTemplateImport.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace velmo {

class TLabelData;
class TPapers;

VELMO_DECLARE_EXCEPTION(EGlabelsProject, Exception)

struct TGlabelsOptions
{
    // The project's own file name: pictures named relative to it are looked up in its
    // folder.
    QString FileName;
    // Replaces the project's merge source when not empty (the source usually points
    // into someone else's home folder).
    QString MergeFile;
    // Searched in this order for a paper of the template's geometry (within 0.1 mm).
    std::vector<const TPapers*> Catalogues;
};

struct TGlabelsProject
{
    std::unique_ptr<TLabelData> Document;
    // The catalogue paper the template matched (empty: none did).
    QString MatchedPaper;
    // The template's paper as the template importer made it, when no catalogue paper
    // matched: what the caller may store in the user's catalogue.
    std::unique_ptr<TImportedTemplate> NewPaper;
    // The merge data the document is linked to (empty: none).
    QString MergeFile;
    // One line per thing that could not be carried over, in the project's order.
    QStringList Warnings;
};

// The project's XML: a gzip stream is inflated (at most kMaxProjectBytes), anything
// else is taken as it is. A damaged or truncated gzip stream raises EGlabelsProject.
QByteArray GlabelsProjectXml(const QByteArray& fileBytes);
constexpr qint64 kMaxProjectBytes = 64 * 1024 * 1024;

// Reads the project (its file's bytes). Needs the label, text, barcode and merge
// classes registered.
TGlabelsProject ImportGlabelsProject(const QByteArray& fileBytes, const TGlabelsOptions& options);

} // namespace velmo
