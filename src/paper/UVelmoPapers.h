#pragma once
// The application's catalogue: the second-generation catalogue with its two bases,
// extra information ("ExtraInfos") and background designs ("PaperImages").
#include "paper/UPaperInfoV2.h"

namespace velmo {

class TVelmoPapers : public TPapersV2
{
public:
    TVelmoPapers(const QString& fileName, bool readOnly);

    // A copy of the paper's extra information; with create, a new empty one naming
    // the paper when it has none; otherwise none.
    std::unique_ptr<TExPaperInfo> GetExInfo(const QString& paperName, bool create) const;
    // Storing an empty record removes the paper's extra information.
    void StoreExInfo(const TExPaperInfo& info);
    // Clears the list and fills it with each distinct maker of the papers' extra
    // information (an empty one included), in catalogue order.
    void GetCompanies(QStringList& list) const;

    static QString ExtraInfosBaseName() { return QStringLiteral("ExtraInfos"); }
    static QString PaperImagesBaseName() { return QStringLiteral("PaperImages"); }
};

// Registers the paper classes and the catalogue's record classes.
void RegisterCatalogueClasses();

} // namespace velmo
