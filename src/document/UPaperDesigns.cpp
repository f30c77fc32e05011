#include "document/UPaperDesigns.h"
#include "document/ULabelData.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <algorithm>

namespace velmo {

std::unique_ptr<TImagePaperInfo> DesignsFromDocument(TLabelData& document, const QString& paperName)
{
    auto designs = std::make_unique<TImagePaperInfo>();
    designs->SetPaperName(paperName);
    designs->SetSeparatelyDesign(document.SeparatelyDesign());
    const int count = std::min(document.LabelCount(), kMaxFaceCount);
    designs->SetLabelCount(count);
    for (int k = 0; k < count; ++k) {
        TDOList list;
        document.ReadLabel(k, list);
        // ReadLabel hands over copies; the record keeps copies of its own.
        try {
            designs->SetFaceObjects(k, list);
        } catch (...) {
            list.FreeObjects();
            throw;
        }
        list.FreeObjects();
    }
    return designs;
}

std::unique_ptr<TImagePaperInfo> DesignsFromFile(const QString& fileName, const QString& paperName)
{
    std::unique_ptr<TLabelData> document = TLabelData::Open(fileName);
    return DesignsFromDocument(*document, paperName);
}

} // namespace velmo
