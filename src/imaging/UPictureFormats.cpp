#include "imaging/UPictureFormats.h"
#include "imaging/UPCDImage.h"

#include "base/UStream.h"
#include "imaging/UDIB.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <mutex>

namespace velmo {

QString UnknownExtensionMessage(const QString& extension)
{
    return QStringLiteral("未知の画像ファイル拡張子です (.%1)").arg(extension);
}

namespace {

// Larger files than this are no pictures we could hold within the bitmap cap.
constexpr int64_t kMaxPictureFileSize = int64_t(1) << 30;

struct TFormatEntry
{
    TPictureFileFormat Format;
    std::shared_ptr<const TGraphic> Sample; // for the class tests of withdrawal
};

struct FormatRegistry
{
    std::mutex Lock;
    std::vector<TFormatEntry> Entries; // in registration order
};

FormatRegistry& Formats()
{
    static FormatRegistry registry;
    return registry;
}

QString NormalExtension(const QString& extension)
{
    QString e = extension.trimmed();
    if (e.startsWith(u'.'))
        e.remove(0, 1);
    return e.toLower();
}

QString InvalidPictureFileMessage()
{
    return QStringLiteral("画像ファイルが不正です");
}

} // namespace

void RegisterPictureFileFormat(TPictureFileFormat format)
{
    format.Extension = NormalExtension(format.Extension);
    std::shared_ptr<const TGraphic> sample = format.Create ? format.Create() : nullptr;
    FormatRegistry& r = Formats();
    std::lock_guard lock(r.Lock);
    r.Entries.push_back({std::move(format), std::move(sample)});
}

void UnRegisterPictureFileClass(const std::function<bool(const TGraphic&)>& isKindOf)
{
    FormatRegistry& r = Formats();
    std::lock_guard lock(r.Lock);
    std::erase_if(r.Entries, [&](const TFormatEntry& e) { return e.Sample && isKindOf(*e.Sample); });
}

const TPictureFileFormat* FindPictureFileFormat(const QString& extension)
{
    const QString e = NormalExtension(extension);
    FormatRegistry& r = Formats();
    std::lock_guard lock(r.Lock);
    for (auto it = r.Entries.rbegin(); it != r.Entries.rend(); ++it)
        if (it->Format.Extension == e)
            return &it->Format;
    return nullptr;
}

std::vector<TPictureFileFormat> PictureFileFormats()
{
    FormatRegistry& r = Formats();
    std::lock_guard lock(r.Lock);
    std::vector<TPictureFileFormat> out;
    for (auto it = r.Entries.rbegin(); it != r.Entries.rend(); ++it) {
        const bool seen = std::any_of(out.begin(), out.end(), [&](const TPictureFileFormat& f) {
            return f.Extension == it->Format.Extension;
        });
        if (!seen)
            out.push_back(it->Format);
    }
    return out;
}

QString GraphicFileFilter()
{
    // Registration order reads best (bitmaps, then JPEG, then the others).
    std::vector<TPictureFileFormat> formats = PictureFileFormats();
    std::reverse(formats.begin(), formats.end());
    QStringList all;
    QStringList descriptions;
    QList<QStringList> patterns;
    for (const TPictureFileFormat& f : formats) {
        const QString pattern = QStringLiteral("*.") + f.Extension;
        all << pattern;
        const qsizetype at = descriptions.indexOf(f.Description);
        if (at >= 0) {
            patterns[at] << pattern;
        } else {
            descriptions << f.Description;
            patterns << QStringList{pattern};
        }
    }
    QStringList parts;
    parts << QStringLiteral("すべての画像ファイル (%1)").arg(all.join(u' '));
    for (qsizetype i = 0; i < descriptions.size(); ++i)
        parts << QStringLiteral("%1 (%2)").arg(descriptions[i], patterns[i].join(u' '));
    return parts.join(QStringLiteral(";;"));
}

TColor UnusedColor(const QImage& image)
{
    std::vector<uint64_t> used(size_t(1) << 18, 0); // one bit per 24-bit colour
    const QImage rgb =
        image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qAlpha(line[x]) < 128)
                continue;
            const uint32_t c = line[x] & 0xFFFFFF;
            used[c >> 6] |= uint64_t(1) << (c & 63);
        }
    }
    auto isUsed = [&](uint32_t rgbValue) { return (used[rgbValue >> 6] >> (rgbValue & 63)) & 1; };
    // Saturated magentas first: they rarely occur in photos or drawings.
    for (int step = 0; step < 256; ++step) {
        const uint32_t r = uint32_t(255 - step), g = uint32_t(step & 0x0F), b = uint32_t(255 - (step >> 4));
        const uint32_t v = (r << 16) | (g << 8) | b;
        if (!isUsed(v))
            return RgbToColor(QRgb(0xFF000000u | v));
    }
    for (uint32_t word = 0; word < used.size(); ++word) {
        if (used[word] == ~uint64_t(0))
            continue;
        for (int bit = 0; bit < 64; ++bit)
            if (!((used[word] >> bit) & 1))
                return RgbToColor(QRgb(0xFF000000u | ((word << 6) | uint32_t(bit))));
    }
    return clNone;
}

TLoadedPicture ReadToolkitPicture(const QByteArray& bytes, const char* format)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(true);
    reader.setDecideFormatFromContent(false);
    // The same cap as every bitmap: checked on the header's size before any pixels
    // are decoded, and again on what came out, for readers that report no size.
    reader.setAllocationLimit(int(kMaxBitmapPixels * 4 / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid() && !BitmapSizeAllowed(size.width(), size.height()))
        throw EInvalidGraphic(InvalidPictureFileMessage());
    QImage image = reader.read();
    if (image.isNull() || !BitmapSizeAllowed(image.width(), image.height()))
        throw EInvalidGraphic(InvalidPictureFileMessage());

    TLoadedPicture result;
    auto bitmap = std::make_unique<TAppBitmap>();
    if (!image.hasAlphaChannel()) {
        if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono &&
            image.format() != QImage::Format_MonoLSB)
            image = image.convertToFormat(QImage::Format_RGB888);
        bitmap->SetImage(image);
        result.Graphic = std::move(bitmap);
        return result;
    }
    // Our documents keep 24-bit bitmaps: partly covered pixels are laid over white
    // (the paper), uncovered ones become the key colour.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage opaque(argb.size(), QImage::Format_RGB32);
    if (opaque.isNull())
        throw EInvalidGraphic(InvalidPictureFileMessage());
    bool anyClear = false;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const int a = qAlpha(s[x]);
            if (a < 128) {
                anyClear = true;
                d[x] = qRgb(255, 255, 255);
                continue;
            }
            auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            d[x] = qRgb(over(qRed(s[x])), over(qGreen(s[x])), over(qBlue(s[x])));
        }
    }
    if (anyClear) {
        // The key must not occur among the covered pixels; the cleared ones do not count.
        QImage visible = opaque.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            auto* d = reinterpret_cast<QRgb*>(visible.scanLine(y));
            for (int x = 0; x < argb.width(); ++x)
                if (qAlpha(s[x]) < 128)
                    d[x] = 0;
        }
        const TColor key = UnusedColor(visible);
        if (key != clNone) {
            const QRgb keyRgb = ColorToRgb(key);
            for (int y = 0; y < argb.height(); ++y) {
                const auto* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
                auto* d = reinterpret_cast<QRgb*>(opaque.scanLine(y));
                for (int x = 0; x < argb.width(); ++x)
                    if (qAlpha(s[x]) < 128)
                        d[x] = keyRgb;
            }
            result.KeyColor = key;
        }
    }
    bitmap->SetImage(opaque.convertToFormat(QImage::Format_RGB888));
    result.Graphic = std::move(bitmap);
    return result;
}

void RegisterPictureFormats()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterPictureFileFormat<TAppBitmap>(QStringLiteral("bmp"), QStringLiteral("Bitmaps"));
        RegisterPictureFileFormat<TAppBitmap>(QStringLiteral("cbm"), QStringLiteral("Compressed Bitmaps"));
        RegisterPictureFileFormat<TAppJPEGImage>(QStringLiteral("jpg"), QStringLiteral("JPEG Image"));
        RegisterPictureFileFormat<TSafetyJPEGImage>(QStringLiteral("jpg"), QStringLiteral("JPEG Image"));
        RegisterPictureFileFormat<TSafetyJPEGImage>(QStringLiteral("jpeg"), QStringLiteral("JPEG Image"));
        struct Toolkit
        {
            const char* Extension;
            const char* Format;
            const char* Description;
        };
        static const Toolkit toolkit[] = {
            {"png", "png", "Portable Network Graphics"},
            {"gif", "gif", "GIF Image"},
            {"tif", "tiff", "TIFF Image"},
            {"tiff", "tiff", "TIFF Image"},
            {"webp", "webp", "WebP Image"},
            {"ico", "ico", "Icons"},
        };
        const QList<QByteArray> readable = QImageReader::supportedImageFormats();
        for (const Toolkit& t : toolkit) {
            if (!readable.contains(QByteArray(t.Format)))
                continue;
            const char* format = t.Format;
            RegisterPictureFileFormat(
                {QString::fromLatin1(t.Extension), QString::fromLatin1(t.Description),
                 [] { return std::make_unique<TAppBitmap>(); },
                 [format](const QByteArray& bytes) { return ReadToolkitPicture(bytes, format); }});
        }
        // Photo CD image packs through our own decoder, at their smallest resolution.
        RegisterPCDFormat();
    });
}

TLoadedPicture LoadPictureBytes(const QByteArray& bytes, const QString& extension)
{
    const TPictureFileFormat* found = FindPictureFileFormat(extension);
    if (!found)
        throw EInvalidGraphic(UnknownExtensionMessage(NormalExtension(extension)));
    const TPictureFileFormat format = *found; // the registry may change meanwhile
    if (format.Read)
        return format.Read(bytes);
    TLoadedPicture result;
    result.Graphic = format.Create();
    result.Graphic->SetFileBytes(bytes);
    if (result.Graphic->Empty())
        throw EInvalidGraphic(InvalidPictureFileMessage());
    return result;
}

TLoadedPicture LoadPictureFile(const QString& fileName)
{
    const QString extension = QFileInfo(fileName).suffix();
    if (!FindPictureFileFormat(extension))
        throw EInvalidGraphic(UnknownExtensionMessage(NormalExtension(extension)));
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    const int64_t size = stream.Size();
    if (size > kMaxPictureFileSize)
        throw EInvalidGraphic(InvalidPictureFileMessage());
    return LoadPictureBytes(stream.ReadBytes(size), extension);
}

void TImageData::LoadFromFile(const QString& fileName)
{
    TLoadedPicture loaded = LoadPictureFile(fileName);
    TUpdateBracket bracket(*FNotify);
    FPicture->SetGraphic(std::move(loaded.Graphic));
    if (loaded.KeyColor != clNone)
        SetTransparentColor(loaded.KeyColor);
}

} // namespace velmo
