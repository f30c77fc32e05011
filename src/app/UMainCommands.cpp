#include "app/UMainCommands.h"
#include "base/UExceptions.h"
#include "document/ULabelData.h"
#include "document/USheetView.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawObject.h"
#include "draw/UDrawSite.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "objects/UDOGroup.h"
#include "storage/USafeFile.h"
#include <QPainter>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>

namespace velmo {

namespace {

bool HoldsMergeField(TDrawObject* object)
{
    if (Supports<IDOInsertion>(object))
        return true;
    if (auto* group = dynamic_cast<TDOGroup*>(object))
        for (TDrawObject* member : group->MemberList())
            if (HoldsMergeField(member))
                return true;
    return false;
}

} // namespace

bool CurrentSheetHoldsMergeFields(TLabelData& document)
{
    const int count = document.LabelCount();
    for (int k = 0; k < count; ++k) {
        if (!document.LabelHasData(k))
            continue;
        TDOList list;
        try {
            document.ReadLabel(k, list);
        } catch (const std::exception&) {
            list.FreeObjects();
            return true;
        }
        bool found = false;
        for (TDrawObject* object : list.Objects())
            found = found || HoldsMergeField(object);
        list.FreeObjects();
        if (found)
            return true;
    }
    return false;
}

QImage RenderLabelDesign(TLabelData& document, int k)
{
    const TLogRect rect = document.LabelRect(k);
    if (rect.IsEmpty())
        throw EFileError(QStringLiteral("このラベルには大きさがありません"));
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
    // One dot per stored unit (a tenth of a millimetre).
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

bool FileLockedByOther(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

} // namespace velmo
