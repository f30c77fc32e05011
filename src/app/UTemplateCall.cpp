#include "app/UTemplateCall.h"
#include "document/ULabelData.h"
#include "text/ULOText.h"

namespace velmo {

void FillTemplateFields(const TDOList& objects, const TLabelData& document)
{
    UpdateFieldTexts(objects, {TFieldType::ftProduct, TFieldType::ftCreatorJapanese, TFieldType::ftCreatorEnglish},
                     [&document](TFieldType kind, int index, QStringList& lines) {
                         const TProductInfo& record = kind == TFieldType::ftProduct ? document.ProductInfo()
                                                      : kind == TFieldType::ftCreatorJapanese
                                                          ? document.CreatorInfoJ()
                                                          : document.CreatorInfoE();
                         if (index < 0 || index >= record.ItemCount())
                             return false;
                         const QStringList& info = record.Item(index)->Info()->Lines();
                         // An empty item would leave an invisible, empty text on the label.
                         if (info.join(QString()).trimmed().isEmpty())
                             return false;
                         lines = info;
                         return true;
                     });
}

} // namespace velmo
