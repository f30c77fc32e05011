#include "cli/UToolRes.h"

#include "base/UExceptions.h"
#include "base/UStream.h"
#include "cli/UToolCommands.h"
#include "imaging/UImageData.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <cstdio>

namespace velmo::tool {

namespace {

// How the load rule names a type on the command line.
TResourceId TypeArgument(const QString& text)
{
    if (text.compare(u"RT_BITMAP", Qt::CaseInsensitive) == 0)
        return TResourceId::FromOrdinal(RT_BITMAP);
    if (text.compare(u"RT_ICON", Qt::CaseInsensitive) == 0)
        return TResourceId::FromOrdinal(RT_ICON);
    return TResourceId::FromString(text);
}

QString TypeText(const TResourceId& type)
{
    if (type.IsOrdinal && type.Ordinal == RT_BITMAP)
        return QStringLiteral("RT_BITMAP");
    if (type.IsOrdinal && type.Ordinal == RT_ICON)
        return QStringLiteral("RT_ICON");
    return type.ToString();
}

bool IsBitmapType(const TResourceId& type)
{
    return (type.IsOrdinal && type.Ordinal == RT_BITMAP) ||
           (!type.IsOrdinal && type.Name.compare(u"CBM", Qt::CaseInsensitive) == 0);
}

// The picture of a record, or a null image for records that hold none.
QImage RecordPicture(const TResourceId& type, const QByteArray& data)
{
    TPictureEx picture;
    if (IsBitmapType(type))
        LoadBitmapResource(data, picture);
    else if (type.IsOrdinal && type.Ordinal == RT_ICON)
        LoadIconResource(data, picture);
    else if (!type.IsOrdinal && type.Name.compare(u"JPEG", Qt::CaseInsensitive) == 0)
        picture.EnsureJPEG()->SetFileBytes(data);
    else
        return {};
    if (!picture.HasGraphic())
        return {};
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(picture.Graphic()))
        return ConvertPixels(bitmap->Pixels(), bitmap->PixelFormat(), TPixelFormat::pf24bit)
            .convertToFormat(QImage::Format_RGB32);
    return picture.Graphic()->Image().convertToFormat(QImage::Format_RGB32);
}

int BitCount(const TResourceId& type, const QByteArray& data)
{
    TPictureEx picture;
    if (!IsBitmapType(type))
        return 0;
    LoadBitmapResource(data, picture);
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(picture.Graphic()))
        return BitsPerPixel(bitmap->PixelFormat());
    return 0;
}

int List(const QByteArray& file)
{
    QTextStream out(stdout);
    for (const TResourceRecord& record : ReadResourceRecords(file)) {
        // The empty record that opens every resource file.
        if (record.Type.IsOrdinal && record.Type.Ordinal == 0 && record.DataSize == 0)
            continue;
        const QByteArray data = file.mid(qsizetype(record.DataOffset), qsizetype(record.DataSize));
        QString picture = QStringLiteral("-");
        try {
            const QImage image = RecordPicture(record.Type, data);
            if (!image.isNull()) {
                picture = QStringLiteral("%1x%2").arg(image.width()).arg(image.height());
                if (const int bits = BitCount(record.Type, data))
                    picture += QStringLiteral(" %1-bit").arg(bits);
            }
        } catch (const Exception& e) {
            picture = QStringLiteral("unreadable (%1)").arg(e.Message());
        }
        out << TypeText(record.Type) << '\t' << EscapeControls(record.Name.ToString()) << '\t'
            << record.DataSize << '\t' << picture << '\n';
    }
    return kExitOk;
}

int ContactSheet(const QByteArray& file, const QString& outName, int zoom)
{
    struct TItem
    {
        QString Caption;
        QImage Image;
    };
    std::vector<TItem> items;
    for (const TResourceRecord& record : ReadResourceRecords(file)) {
        const QByteArray data = file.mid(qsizetype(record.DataOffset), qsizetype(record.DataSize));
        QImage image;
        try {
            image = RecordPicture(record.Type, data);
        } catch (const Exception&) {
        }
        if (image.isNull())
            continue;
        items.push_back({QStringLiteral("%1 %2  %3×%4")
                             .arg(TypeText(record.Type), record.Name.ToString())
                             .arg(image.width())
                             .arg(image.height()),
                         image});
    }
    if (items.empty()) {
        ReportError(QStringLiteral("the file holds no pictures"));
        return kExitFailure;
    }
    // Pictures side by side in rows no wider than 1400 pixels, each under its caption.
    const int margin = 12, captionHeight = 18, maxWidth = 1400;
    int x = margin, y = margin, rowHeight = 0, width = 0;
    std::vector<QPoint> places;
    for (const TItem& item : items) {
        const QSize size = item.Image.size() * zoom;
        const int w = std::max(size.width(), 200);
        if (x > margin && x + w > maxWidth) {
            x = margin;
            y += rowHeight + margin;
            rowHeight = 0;
        }
        places.push_back({x, y});
        x += w + margin;
        width = std::max(width, x);
        rowHeight = std::max(rowHeight, captionHeight + size.height());
    }
    const int height = y + rowHeight + margin;
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(0xD8, 0xDC, 0xE2));
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    for (size_t i = 0; i < items.size(); ++i) {
        const QPoint at = places[i];
        painter.setPen(Qt::black);
        painter.drawText(QRect(at.x(), at.y(), 600, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         items[i].Caption);
        const QRect target(at.x(), at.y() + captionHeight, items[i].Image.width() * zoom,
                           items[i].Image.height() * zoom);
        painter.drawImage(target, items[i].Image);
    }
    painter.end();
    return WritePngFile(outName, sheet) ? kExitOk : kExitFailure;
}

} // namespace

int CommandRes(const QStringList& arguments)
{
    const QStringList args = WithoutOptionEnd(arguments);
    const bool sheet = args.size() >= 3 && args[1] == u"--contact-sheet";
    if (!(args.size() == 1 || args.size() == 4 || sheet)) {
        ReportError(
            QStringLiteral("usage: res FILE.res [TYPE NAME OUT.png | --contact-sheet OUT.png [--zoom N]]"));
        return kExitUsage;
    }
    try {
        TFileStream stream(args[0], TFileStream::fmOpenRead);
        const int64_t size = stream.Size();
        if (size > (int64_t(1) << 30)) {
            ReportError(QStringLiteral("%1 is too large for a resource file").arg(args[0]));
            return kExitFailure;
        }
        const QByteArray file = stream.ReadBytes(size);
        if (args.size() == 1)
            return List(file);
        if (sheet) {
            int zoom = 1;
            if (args.size() == 5 && args[3] == u"--zoom") {
                bool ok = false;
                zoom = args[4].toInt(&ok);
                if (!ok || zoom < 1 || zoom > 8) {
                    ReportError(QStringLiteral("--zoom takes 1 to 8"));
                    return kExitUsage;
                }
            } else if (args.size() != 3) {
                ReportError(QStringLiteral("usage: res FILE.res --contact-sheet OUT.png [--zoom N]"));
                return kExitUsage;
            }
            return ContactSheet(file, args[2], zoom);
        }
        const TResourceId type = TypeArgument(args[1]);
        const QByteArray data = FindResource(file, type, TResourceId::FromString(args[2]));
        const QImage image = RecordPicture(type, data);
        if (image.isNull()) {
            ReportError(QStringLiteral("%1 %2 holds no picture").arg(args[1], args[2]));
            return kExitFailure;
        }
        return WritePngFile(args[3], image) ? kExitOk : kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
}

} // namespace velmo::tool
