#pragma once
// Label-sheet templates in the XML form of the public gLabels template database
// ("Glabels-templates" files) turned into papers of our catalogue. Every template
// either converts or is refused with a reason the user can read; nothing half-made
// reaches the catalogue.
#include "paper/UPaperInfo.h"
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace velmo {

class TVelmoPapers;

struct TImportedTemplate
{
    QString Brand;
    QString Part;
    QString Description;
    // The converted paper (ReadOnly false: the user's own), or null when refused.
    std::unique_ptr<TPaperInfo> Paper;
    QString Maker;
    QString Purpose;
    // Twice the corner radius in tenths of a millimetre (0 without corners).
    int Corner = 0;
    // Why the template was refused; empty when it converted.
    QString Refusal;
};

// Reads the templates of one or more files (given as their contents, so that equivalents
// may name a template of another file). A file that is not well-formed XML raises
// EFileError naming it; nothing of it is used.
class TTemplateImporter
{
public:
    void AddFile(const QString& fileName, const QByteArray& contents);
    // Converts every template read so far, in file order.
    std::vector<TImportedTemplate> Convert() const;

    // Stores the converted templates into the catalogue (papers and their maker and
    // purpose records, the group and maker lists); returns how many were stored.
    static int Store(TVelmoPapers& papers, const std::vector<TImportedTemplate>& templates);

    // Length attribute ("86.4mm", "0.5in", "12pt", "1cm"; bare numbers are points) in
    // millimetres; false when it is not a finite, non-negative number.
    static bool ParseLength(const QString& text, double& millimetres);

    struct TLayout
    {
        int Nx = 1, Ny = 1;
        QString X0, Y0, Dx, Dy;
    };
    struct TRaw
    {
        QString File, Brand, Part, Description, Size, Width, Height, Equiv;
        QStringList Categories;
        QString FrameKind; // "Label-rectangle", … (empty: none)
        int FrameCount = 0;
        QString FrameWidth, FrameHeight, Round, Radius, Hole;
        std::vector<TLayout> Layouts;
    };

private:
    TImportedTemplate ConvertOne(const TRaw& raw) const;
    std::vector<TRaw> FTemplates;
};

} // namespace velmo
