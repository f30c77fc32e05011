#include "cli/UToolPicture.h"
#include "cli/UToolCommands.h"
#include "imaging/UGREffector.h"
#include "imaging/UImageFilter.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace velmo::tool {

namespace {

bool ParseColour(const QString& text, TColor* colour)
{
    bool ok = false;
    const uint rgb = text.toUInt(&ok, 16);
    if (!ok || text.size() != 6)
        return false;
    // RRGGBB as written by people; TColor is 0x00BBGGRR.
    *colour = TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
}

bool ParseInt(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

// Runs one filter over the picture in place.
void ApplyFilter(TGREFilter& filter, TPicture& picture)
{
    if (!filter.IsActive() || !filter.CanApply(picture))
        return;
    TPicture out;
    filter.Apply(picture, out);
    picture.Assign(out);
}

bool IsJPEGExtension(const QString& extension)
{
    const TPictureFileFormat* format = FindPictureFileFormat(extension);
    return format && dynamic_cast<const TSafetyJPEGImage*>(format->Create().get()) != nullptr;
}

// The extension a file's first bytes suggest, for files named without a known one.
QString SniffExtension(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("jpg");
    if (bytes.startsWith("BM"))
        return QStringLiteral("bmp");
    if (bytes.startsWith("ZLIBCompress"))
        return QStringLiteral("cbm");
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (bytes.startsWith("II*") || bytes.startsWith("MM\0*"))
        return QStringLiteral("tif");
    if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return QStringLiteral("webp");
    return {};
}

bool ParseTrim(const QString& text, TClipRect* rect)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i)
        if (!ParseInt(parts[i].trimmed(), &v[i]))
            return false;
    *rect = TClipRect{v[0], v[1], v[2], v[3]};
    return !rect->IsEmpty();
}

} // namespace

int CommandPicture(const QStringList& arguments)
{
    QStringList files;
    int scale = 1;
    TColor key = clNone;
    int blur = 0, brightness = 0, contrast = 0, rotate = 0;
    bool rotating = false;
    TColor tint = clNone;
    int strength = 100;
    TClipRect trim;
    bool trimming = false;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i >= end) {
            if (i > end)
                files.append(a);
            continue;
        }
        const bool hasValue = i + 1 < arguments.size();
        auto bad = [&] {
            ReportError(QStringLiteral("bad value for %1").arg(a));
            return kExitUsage;
        };
        if (a == u"--scale" && hasValue) {
            if (!ParseInt(arguments[++i], &scale) || (scale != 1 && scale != 2 && scale != 4 && scale != 8))
                return bad();
        } else if ((a == u"--key-colour" || a == u"--key-color") && hasValue) {
            if (!ParseColour(arguments[++i], &key))
                return bad();
        } else if ((a == u"--blur" || a == u"--sharpen") && hasValue) {
            int n = 0;
            if (!ParseInt(arguments[++i], &n) || n < 0 || n > 1000)
                return bad();
            blur = a == u"--blur" ? n : -n;
        } else if (a == u"--tint" && hasValue) {
            // RRGGBB[,N]: N percent of the tint mixed into the picture (100 when left out).
            const QStringList parts = arguments[++i].split(u',');
            strength = 100;
            if (parts.isEmpty() || !ParseColour(parts[0], &tint) ||
                (parts.size() > 1 && (!ParseInt(parts[1], &strength) || strength < 0 || strength > 100)))
                return bad();
            if (strength == 0)
                tint = clNone;
        } else if (a == u"--brightness" && hasValue) {
            if (!ParseInt(arguments[++i], &brightness))
                return bad();
        } else if (a == u"--contrast" && hasValue) {
            if (!ParseInt(arguments[++i], &contrast))
                return bad();
        } else if (a == u"--trim" && hasValue) {
            if (!ParseTrim(arguments[++i], &trim))
                return bad();
            trimming = true;
        } else if (a == u"--rotate" && hasValue) {
            if (!ParseInt(arguments[++i], &rotate))
                return bad();
            rotating = true;
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option %1").arg(a));
            return kExitUsage;
        } else {
            files.append(a);
        }
    }
    RegisterImagingGraphics();
    RegisterPictureFormats();
    if (files.size() != 2) {
        ReportError(QStringLiteral("usage: picture IN OUT.png [options]"));
        return kExitUsage;
    }
    try {
        QFile in(files[0]);
        if (!in.open(QIODevice::ReadOnly)) {
            ReportError(QStringLiteral("cannot open %1").arg(files[0]));
            return kExitFailure;
        }
        const QByteArray bytes = in.readAll();
        QString extension = QFileInfo(files[0]).suffix();
        if (!FindPictureFileFormat(extension) && !SniffExtension(bytes).isEmpty())
            extension = SniffExtension(bytes);
        TPicture picture;
        if (FindPictureFileFormat(extension) && IsJPEGExtension(extension)) {
            auto jpeg = std::make_unique<TAppJPEGImage>();
            jpeg->SetScale(TJPEGScale(scale == 8 ? 3 : scale == 4 ? 2 : scale == 2 ? 1 : 0));
            jpeg->SetFileBytes(bytes);
            auto bitmap = std::make_unique<TAppBitmap>();
            bitmap->SetImage(jpeg->Bitmap());
            picture.SetGraphic(std::move(bitmap));
        } else {
            TLoadedPicture loaded = LoadPictureBytes(bytes, extension);
            std::unique_ptr<TSafetyBitmap> bitmap = SafetyBitmapOf(*loaded.Graphic);
            if (!bitmap)
                throw EInvalidGraphic(InvalidBitmapMessage());
            // A picture whose file carried transparency keeps it, unless a key was given.
            if (key == clNone)
                key = loaded.KeyColor;
            if (scale > 1) {
                QImage small(std::max(1, (bitmap->Width() + scale - 1) / scale),
                             std::max(1, (bitmap->Height() + scale - 1) / scale), QImage::Format_BGR888);
                bitmap->SetPixelFormat(TPixelFormat::pf24bit);
                SmoothResample(small, bitmap->Pixels());
                bitmap->SetImage(small, TPixelFormat::pf24bit);
            }
            picture.SetGraphic(std::move(bitmap));
        }
        // Trimming comes first, with the key colour (or white) where the rectangle
        // reaches beyond the picture.
        if (trimming) {
            TClipFilter clip;
            clip.SetClipRect(trim);
            clip.SetBackgroundColor(key != clNone ? key : clWhite);
            clip.SetTransparency(key != clNone);
            TPicture trimmed;
            clip.Apply(picture, trimmed);
            if (!trimmed.HasGraphic())
                throw EInvalidGraphic(InvalidBitmapMessage());
            picture.SetGraphic(SafetyBitmapOf(*trimmed.Graphic()));
        }
        auto current = [&] { return static_cast<TSafetyBitmap*>(picture.Graphic()); };
        // The mask is taken before the effects, so effects that shift the key colour
        // do not change what is transparent.
        QImage mask;
        if (key != clNone) {
            current()->SetTransparentColor(key);
            current()->SetTransparent(true);
            current()->PrepareMask();
            mask = current()->MaskedImage().GetMask();
        }
        TBlurFilter blurFilter;
        blurFilter.SetBlurCount(blur);
        ApplyFilter(blurFilter, picture);
        TMonotoneFilter tintFilter;
        tintFilter.SetRefColor(tint);
        if (strength >= 100) {
            ApplyFilter(tintFilter, picture);
        } else if (tint != clNone) {
            TPicture before;
            before.Assign(picture);
            ApplyFilter(tintFilter, picture);
            QImage mixed = current()->Pixels();
            const QImage old = ConvertPixels(static_cast<TSafetyBitmap*>(before.Graphic())->Pixels(),
                                             static_cast<TSafetyBitmap*>(before.Graphic())->PixelFormat(),
                                             TPixelFormat::pf24bit);
            for (int y = 0; y < mixed.height(); ++y) {
                uchar* d = mixed.scanLine(y);
                const uchar* o = old.constScanLine(y);
                for (int x = 0; x < mixed.width() * 3; ++x)
                    d[x] = uchar((o[x] * (100 - strength) + d[x] * strength + 50) / 100);
            }
            current()->SetImage(mixed, TPixelFormat::pf24bit);
        }
        TLightFilter lightFilter;
        lightFilter.SetBrightness(brightness);
        lightFilter.SetContrast(contrast);
        ApplyFilter(lightFilter, picture);
        TSafetyBitmap* bitmap = current();
        if (key != clNone) {
            bitmap->SetTransparentColor(key);
            bitmap->SetTransparent(true);
            bitmap->MaskedImage().SetMask(mask);
        }
        TAppBitmap turned;
        if (rotating) {
            RotateMaskedBitmap(*bitmap, turned, rotate, QSize(bitmap->Width(), bitmap->Height()));
            bitmap = &turned;
        }
        QImage out(bitmap->Width(), bitmap->Height(), QImage::Format_ARGB32);
        out.fill(Qt::transparent);
        {
            QPainter painter(&out);
            bitmap->Draw(painter, out.rect());
        }
        if (!WritePngFile(files[1], out))
            return kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
