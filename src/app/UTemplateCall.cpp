#include "app/UTemplateCall.h"
#include "app/UAppFrame.h"
#include "document/ULabelData.h"
#include "text/ULOText.h"
#include <QDir>
#include <QFileInfo>

namespace velmo {

void FillTemplateFields(const TDOList& objects, const TLabelData& document)
{
    UpdateFieldTexts(objects,
                     {TFieldType::ftProduct, TFieldType::ftCreatorJapanese, TFieldType::ftCreatorEnglish},
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

QString TemplateIndexFile()
{
    TAppFrame* frame = TAppFrame::Instance();
    if (!frame)
        return {};
    const QString found = frame->FindDataFile(QStringLiteral("Data\\Template\\Template.dat"), QString());
    if (!found.isEmpty())
        return found;
    const QString built =
        QDir::cleanPath(frame->DataRoots().ExeFolder + QStringLiteral("/../data/Data/Template/Template.dat"));
    return QFileInfo(built).isFile() ? built : QString();
}

} // namespace velmo
