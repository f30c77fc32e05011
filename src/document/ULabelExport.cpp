#include "document/ULabelExport.h"
#include "base/UExceptions.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDrawObject.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "storage/USafeFile.h"
#include <QPainter>

namespace velmo {

QImage RenderLabelDesign(TLabelData& document, int k)
{
    const TLogRect rect = document.LabelRect(k);
    // One dot per stored unit; a damaged paper must not make a picture of any size.
    if (rect.IsEmpty() || int64_t(rect.Width()) * rect.Height() > 200'000'000)
        throw EFileError(QStringLiteral("このラベルは画像にできない大きさです"));
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.Scaler()->SetScale(100);
    site.SetLogWidth(rect.Width());
    site.SetLogHeight(rect.Height());
    site.SetColor(clWhite);
    site.SetBorder(false);
    if (document.LabelHasData(k)) {
        TDOList list;
        document.ReadLabel(k, list);
        for (TDrawObject* object : list.Objects()) {
            site.InsertComponent(object);
            site.AddObject(object);
        }
    }
    QImage image(rect.Width(), rect.Height(), QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    if (site.ObjectCount() > 0) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        site.DrawTo(painter, QPoint(0, 0), 100);
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

void WriteLabelPicture(TLabelData& document, int k, const QString& fileName, bool jpeg)
{
    const QImage picture = RenderLabelDesign(document, k);
    if (jpeg) {
        TAppJPEGImage image;
        image.SetCompressionQuality(90);
        image.AssignImage(picture);
        WriteFileReplacing(fileName, image.FileBytes());
    } else {
        TSafetyBitmap bitmap;
        bitmap.SetImage(picture, TPixelFormat::pf24bit);
        bitmap.SaveToFile(fileName);
    }
}

} // namespace velmo
