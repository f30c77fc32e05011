#include "cli/UToolAcquire.h"
#include "acquire/FScanner.h"
#include "acquire/USaneDevice.h"
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "cli/UToolCommands.h"
#include "imaging/UPCDImage.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "text/UImageFont.h"
#include "text/ULODecoString.h"
#include <QImage>
#include <QPainter>
#include <QTextStream>

namespace velmo::tool {

namespace {

int ScanUsage()
{
    QTextStream(stderr)
        << "usage: velmo-tool scan --list\n"
           "       velmo-tool scan OUT.png [--device NAME] [--resolution DPI] [--mode MODE]\n"
           "                       [--area L,T,W,H] [--preview]\n"
           "       velmo-tool scan OUT.png --dialog\n"
           "  --area in millimetres; MODE as the device names it (Color, Gray, Lineart, ...)\n";
    return kExitUsage;
}

int PhotoCDUsage()
{
    QTextStream(stderr)
        << "usage: velmo-tool photocd IN.pcd OUT.png [--size 1|2|3] [--format grey|palette|rgb]\n"
           "                          [--transform 0-7] [--bmp]\n"
           "  size 1 192x128, 2 384x256, 3 768x512 (default: 3); transform: the stored one unless\n"
           "  given (bit 0 vertical flip, bit 1 horizontal flip, bit 2 a quarter turn back)\n";
    return kExitUsage;
}

int DecoUsage()
{
    QTextStream(stderr)
        << "usage: velmo-tool decostring OUT.png TEXT [--font N] [--height UNITS] [--width UNITS]\n"
           "                             [--angle DEG] [--align 0-3] [--dpi N] [--folder DIR]\n"
           "  lengths in 0.1 mm (height default 100, width default the glyphs' own)\n";
    return kExitUsage;
}

bool Number(const QString& text, int* value, int low, int high)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

} // namespace

int CommandScan(const QStringList& arguments)
{
    QString out, device, mode;
    int resolution = 0;
    QRectF area;
    bool preview = false, list = false, dialog = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto next = [&](QString* v) {
            if (i + 1 >= arguments.size())
                return false;
            *v = arguments[++i];
            return true;
        };
        QString v;
        if (a == u"--list") {
            list = true;
        } else if (a == u"--dialog") {
            dialog = true;
        } else if (a == u"--preview") {
            preview = true;
        } else if (a == u"--device") {
            if (!next(&device))
                return ScanUsage();
        } else if (a == u"--mode") {
            if (!next(&mode))
                return ScanUsage();
        } else if (a == u"--resolution") {
            if (!next(&v) || !Number(v, &resolution, 1, 19200))
                return ScanUsage();
        } else if (a == u"--area") {
            const QStringList parts = next(&v) ? v.split(u',') : QStringList();
            bool ok = parts.size() == 4;
            double n[4] = {};
            for (int k = 0; ok && k < 4; ++k) {
                n[k] = parts[k].toDouble(&ok);
                ok = ok && n[k] >= 0 && n[k] <= 10000;
            }
            if (!ok || n[2] <= 0 || n[3] <= 0)
                return ScanUsage();
            area = QRectF(n[0], n[1], n[2], n[3]);
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option \"%1\"").arg(a));
            return ScanUsage();
        } else if (out.isEmpty()) {
            out = a;
        } else {
            return ScanUsage();
        }
    }
    try {
        if (list) {
            QTextStream stdOut(stdout);
            for (const TSaneDeviceInfo& d : ListSaneDevices())
                stdOut << EscapeControls(d.Name) << '\t' << EscapeControls(d.Vendor) << '\t'
                       << EscapeControls(d.Model) << '\t' << EscapeControls(d.Type) << '\n';
            return kExitOk;
        }
        if (out.isEmpty())
            return ScanUsage();
        QImage picture;
        if (dialog) {
            std::unique_ptr<TAppBitmap> bitmap = AcquireTwainPicture(nullptr);
            if (!bitmap) {
                ReportError(QStringLiteral("no picture was acquired"));
                return kExitFailure;
            }
            picture = bitmap->Image();
        } else {
            if (device.isEmpty()) {
                const QList<TSaneDeviceInfo> devices = ListSaneDevices();
                if (devices.isEmpty()) {
                    ReportError(QStringLiteral("no scanner or camera was found"));
                    return kExitFailure;
                }
                device = devices.first().Name;
            }
            TSaneDevice scanner;
            scanner.Open(device);
            TScanSettings settings;
            settings.Resolution = resolution;
            settings.Mode = mode;
            settings.Area = area;
            settings.Preview = preview;
            picture = scanner.Scan(settings);
            if (picture.isNull()) {
                ReportError(QStringLiteral("the scan was cancelled"));
                return kExitFailure;
            }
        }
        return WritePngFile(out, picture) ? kExitOk : kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
}

int CommandPhotoCD(const QStringList& arguments)
{
    QString in, out;
    int size = 3, format = kPCDFormatRGB, transform = -1;
    bool bmp = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString v;
        auto next = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        if (a == u"--size") {
            if (!next(&v) || !Number(v, &size, 1, 3))
                return PhotoCDUsage();
        } else if (a == u"--format") {
            if (!next(&v))
                return PhotoCDUsage();
            if (v == u"grey" || v == u"gray")
                format = kPCDFormatGrey;
            else if (v == u"palette")
                format = kPCDFormatPalette;
            else if (v == u"rgb")
                format = kPCDFormatRGB;
            else
                return PhotoCDUsage();
        } else if (a == u"--transform") {
            if (!next(&v) || !Number(v, &transform, 0, 7))
                return PhotoCDUsage();
        } else if (a == u"--bmp") {
            bmp = true;
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option \"%1\"").arg(a));
            return PhotoCDUsage();
        } else if (in.isEmpty()) {
            in = a;
        } else if (out.isEmpty()) {
            out = a;
        } else {
            return PhotoCDUsage();
        }
    }
    if (in.isEmpty() || out.isEmpty())
        return PhotoCDUsage();
    try {
        TPCDAccess access;
        if (!access.Open(in)) {
            ReportError(QStringLiteral("%1をオープンできません").arg(in));
            return kExitFailure;
        }
        access.SetResolution(size);
        access.SetFormat(format);
        if (transform >= 0)
            access.SetTransform(transform);
        TMemoryStream stream;
        if (!access.LoadImage(stream)) {
            ReportError(QStringLiteral("cannot decode %1 (%2)").arg(in).arg(access.LastResult()));
            return kExitFailure;
        }
        if (bmp)
            return WriteOutputFile(out, stream.Data()) ? kExitOk : kExitFailure;
        TAppBitmap bitmap;
        stream.SetPosition(0);
        bitmap.LoadFromStream(stream);
        return WritePngFile(out, bitmap.Image()) ? kExitOk : kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
}

int CommandDecoString(const QStringList& arguments)
{
    QString out, text, folder;
    int font = 1, height = 100, width = -1, angle = 0, align = 0, dpi = 254;
    bool haveText = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString v;
        auto next = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        if (a == u"--font") {
            if (!next(&v) || !Number(v, &font, -1000, 1000))
                return DecoUsage();
        } else if (a == u"--height") {
            if (!next(&v) || !Number(v, &height, 1, 10000))
                return DecoUsage();
        } else if (a == u"--width") {
            if (!next(&v) || !Number(v, &width, 1, 30000))
                return DecoUsage();
        } else if (a == u"--angle") {
            if (!next(&v) || !Number(v, &angle, -100000, 100000))
                return DecoUsage();
        } else if (a == u"--align") {
            if (!next(&v) || !Number(v, &align, 0, 3))
                return DecoUsage();
        } else if (a == u"--dpi") {
            if (!next(&v) || !Number(v, &dpi, 10, 1200))
                return DecoUsage();
        } else if (a == u"--folder") {
            if (!next(&folder))
                return DecoUsage();
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option \"%1\"").arg(a));
            return DecoUsage();
        } else if (out.isEmpty()) {
            out = a;
        } else if (!haveText) {
            text = a;
            haveText = true;
        } else {
            return DecoUsage();
        }
    }
    if (out.isEmpty() || !haveText)
        return DecoUsage();
    RegisterPictureFormats();
    if (folder.isEmpty())
        folder = BuiltImageFontFolder();
    SetImageFontFolderLocator([folder] { return folder; });
    ResetImageFontPack();
    if (ImageFontNumbers(folder).isEmpty()) {
        ReportError(QStringLiteral("no picture fonts in \"%1\"").arg(folder));
        return kExitFailure;
    }
    TLODecoString deco;
    deco.SetFontNo(font);
    deco.SetText(text);
    deco.FitToText();
    const int naturalWidth = MulDiv(deco.BaseRect().Width(), height, 100);
    deco.SetBaseRect({0, 0, width > 0 ? width : std::max(1, naturalWidth), height});
    deco.SetAlignValue(align);
    deco.SetAngleValue(angle);
    const TLogRect e = deco.GetEncloseRect();
    const int margin = 20;
    const int64_t pw = (int64_t(e.Width() + 2 * margin) * dpi + 253) / 254;
    const int64_t ph = (int64_t(e.Height() + 2 * margin) * dpi + 253) / 254;
    if (pw <= 0 || ph <= 0 || pw > 12000 || ph > 12000) {
        ReportError(QStringLiteral("the picture would be too large"));
        return kExitFailure;
    }
    QImage image(int(pw), int(ph), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(dpi / 254.0, dpi / 254.0);
        painter.translate(margin - e.Left, margin - e.Top);
        deco.Paint(painter);
    }
    return WritePngFile(out, image) ? kExitOk : kExitFailure;
}

} // namespace velmo::tool
