#include "paper/UVelmoPapers.h"

namespace velmo {

TVelmoPapers::TVelmoPapers(const QString& fileName, bool readOnly) : TPapersV2(fileName, readOnly)
{
    RegisterBase(std::make_unique<TExInfoBase>());
    RegisterBase(std::make_unique<TImageInfoBase>());
}

std::unique_ptr<TExPaperInfo> TVelmoPapers::GetExInfo(const QString& paperName, bool create) const
{
    std::unique_ptr<TExtraPaperInfo> found = FindRecord(ExtraInfosBaseName(), paperName);
    if (auto* info = dynamic_cast<TExPaperInfo*>(found.get())) {
        found.release();
        return std::unique_ptr<TExPaperInfo>(info);
    }
    if (!create)
        return nullptr;
    auto info = std::make_unique<TExPaperInfo>();
    info->SetPaperName(paperName);
    return info;
}

void TVelmoPapers::StoreExInfo(const TExPaperInfo& info)
{
    StoreRecord(ExtraInfosBaseName(), info);
}

void TVelmoPapers::GetCompanies(QStringList& list) const
{
    list.clear();
    for (int i = 0; i < Count(); ++i) {
        const std::unique_ptr<TExPaperInfo> info = GetExInfo(Paper(i)->PaperName(), true);
        if (!list.contains(info->Company()))
            list.append(info->Company());
    }
}

void RegisterCatalogueClasses()
{
    RegisterPaperClasses();
    RegisterPaperRecordClasses();
}

} // namespace velmo
