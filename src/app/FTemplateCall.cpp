#include "app/FTemplateCall.h"
#include "app/UAppFrame.h"
#include "app/UTemplateCall.h"
#include "base/UModalResult.h"
#include "document/FTemplate.h"
#include "document/ULabelData.h"
#include "document/UTemplateInfo.h"
#include "draw/UDrawObject.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QApplication>
#include <QDialog>

namespace velmo {

bool CallLabelTemplate(TLabelData& document, int position, QWidget* parent)
{
    const TPaperInfo* paper = document.Paper();
    if (!paper || position < 0 || position >= paper->GetFaceCount())
        return false;
    const TFaceInfo face = paper->GetFaceInfo(position);
    bool hasOwn = false;
    {
        TDOList own;
        document.ReadLabel(position, own);
        for (TDrawObject* object : own.Objects())
            hasOwn = hasOwn || object->LayerGroup() != kBackgroundLayerGroup;
        own.FreeObjects();
    }
    if (hasOwn &&
        AppMessageBox(
            QStringLiteral(
                "このラベルのデータをすべて削除してからテンプレートを呼出します。\r\nよろしいですか？"),
            {bkYes, bkNo}, 0, 1) != mrYes)
        return false;
    TfrmTemplate dialog(TTemplateFace::From(face), TemplateIndexFile(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TDOList chosen;
    TLogRect from;
    try {
        dialog.ReadChosen(chosen, from);
        const TLogRect to = document.LabelRect(position);
        FillTemplateFields(chosen, document);
        for (TDrawObject* object : chosen.Objects()) {
            MapBetweenLabels(object, from, to);
            // A background covers the whole face in the face's shape, whatever the
            // template's label was.
            if (auto* back = dynamic_cast<TLOBackImage*>(object); back && !to.IsEmpty()) {
                back->SetFaceInfo(face);
                back->FitToFace({0, 0, to.Width(), to.Height()});
            }
        }
        document.WriteLabel(position, chosen);
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        chosen.FreeObjects();
        ShowAppMessage(QString::fromUtf8(error.what()), false);
        return false;
    }
    chosen.FreeObjects();
    QApplication::restoreOverrideCursor();
    return true;
}

} // namespace velmo
