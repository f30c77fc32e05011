#include "imaging/USafetyBitmap.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "imaging/USafetyJPEGImage.h"
#include "storage/USafeFile.h"
#include <QFile>
#include <QPainter>
#include <cstring>

namespace velmo {

namespace {

const QVector<QRgb>& SixteenColours()
{
    static const QVector<QRgb> table = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
        qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return table;
}

QImage ToBGR888(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    if (image.format() == QImage::Format_BGR888)
        return image;
    QImage out(width, height, QImage::Format_BGR888);
    if (out.isNull())
        return out;
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    switch (image.format()) {
    case QImage::Format_Indexed8: {
        const QVector<QRgb> table = image.colorTable();
        for (int y = 0; y < height; ++y) {
            const uchar* s = image.constScanLine(y);
            uchar* d = out.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const QRgb c = s[x] < table.size() ? table[s[x]] : 0;
                d[3 * x] = uchar(qBlue(c));
                d[3 * x + 1] = uchar(qGreen(c));
                d[3 * x + 2] = uchar(qRed(c));
            }
        }
        break;
    }
    case QImage::Format_RGB555:
    case QImage::Format_RGB16: {
        const bool five = image.format() == QImage::Format_RGB555;
        for (int y = 0; y < height; ++y) {
            const auto* s = reinterpret_cast<const uint16_t*>(image.constScanLine(y));
            uchar* d = out.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const uint16_t p = s[x];
                d[3 * x] = uchar((p & 31) * 255 / 31);
                if (five) {
                    d[3 * x + 1] = uchar(((p >> 5) & 31) * 255 / 31);
                    d[3 * x + 2] = uchar(((p >> 10) & 31) * 255 / 31);
                } else {
                    d[3 * x + 1] = uchar(((p >> 5) & 63) * 255 / 63);
                    d[3 * x + 2] = uchar(((p >> 11) & 31) * 255 / 31);
                }
            }
        }
        break;
    }
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        for (int y = 0; y < height; ++y) {
            const uchar* s = image.constScanLine(y);
            uchar* d = out.scanLine(y);
            for (int x = 0; x < width; ++x) {
                d[3 * x] = s[4 * x];
                d[3 * x + 1] = s[4 * x + 1];
                d[3 * x + 2] = s[4 * x + 2];
            }
        }
        break;
    default:
        return image.convertToFormat(QImage::Format_BGR888);
    }
    return out;
}

} // namespace

QImage ConvertPixels(const QImage& image, TPixelFormat from, TPixelFormat to)
{
    if (image.isNull())
        return image;
    if (from == to && PixelFormatOf(image) != TPixelFormat::pfCustom)
        return image;
    switch (to) {
    case TPixelFormat::pf24bit:
        return ToBGR888(image);
    case TPixelFormat::pf32bit: {
        if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
            return image;
        if (image.hasAlphaChannel())
            return image.convertToFormat(QImage::Format_ARGB32);
        return ToBGR888(image).convertToFormat(QImage::Format_RGB32);
    }
    case TPixelFormat::pf15bit:
        return ToBGR888(image).convertToFormat(QImage::Format_RGB555);
    case TPixelFormat::pf16bit:
        return ToBGR888(image).convertToFormat(QImage::Format_RGB16);
    case TPixelFormat::pf8bit:
        if (image.format() == QImage::Format_Indexed8)
            return image;
        return ToBGR888(image).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf1bit: {
        const QVector<QRgb> table =
            to == TPixelFormat::pf1bit ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : SixteenColours();
        if (image.format() == QImage::Format_Indexed8 && image.colorCount() <= table.size())
            return image;
        return ToBGR888(image).convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    }
    default:
        return image;
    }
}

QRgb PixelColor(const QImage& image, int x, int y)
{
    if (!image.valid(x, y))
        return qRgb(0, 0, 0);
    const uchar* s = image.constScanLine(y);
    switch (image.format()) {
    case QImage::Format_Indexed8: {
        const QVector<QRgb> table = image.colorTable();
        return s[x] < table.size() ? (table[s[x]] | 0xFF000000u) : qRgb(0, 0, 0);
    }
    case QImage::Format_BGR888:
        return qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
    case QImage::Format_RGB555:
    case QImage::Format_RGB16: {
        const QImage one = ToBGR888(image.copy(x, y, 1, 1));
        const uchar* p = one.constScanLine(0);
        return qRgb(p[2], p[1], p[0]);
    }
    default:
        return image.pixel(x, y) | 0xFF000000u;
    }
}

// ---------------------------------------------------------------------------------

TSafetyBitmap::TSafetyBitmap(const TSafetyBitmap& other)
    : TGraphic(), FImage(other.FImage), FFormat(other.FFormat), FTransparent(other.FTransparent),
      FTransparentMode(other.FTransparentMode), FTransparentColor(other.FTransparentColor),
      FFileBytes(other.FFileBytes)
{
    FMasked.Assign(other.FMasked);
}

void TSafetyBitmap::Changed()
{
    if (!FAssigning)
        FMasked.Invalidate();
    if (OnChange)
        OnChange();
}

void TSafetyBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == TPixelFormat::pfDevice || format == TPixelFormat::pfCustom)
        format = TPixelFormat::pf24bit;
    if (format == FFormat)
        return;
    const QImage converted = ConvertPixels(FImage, FFormat, format);
    FFormat = format;
    FImage = converted;
    FFileBytes.clear();
    Changed();
}

void TSafetyBitmap::SetImage(const QImage& image, TPixelFormat format)
{
    QImage pixels = image;
    if (format == TPixelFormat::pfDevice || format == TPixelFormat::pfCustom) {
        format = PixelFormatOf(image);
        if (format == TPixelFormat::pfCustom || format == TPixelFormat::pfDevice)
            format = image.hasAlphaChannel() ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
        if (image.format() == QImage::Format_Grayscale8)
            pixels = image.convertToFormat(QImage::Format_Indexed8, GreyPalette());
        else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
            pixels = image.convertToFormat(QImage::Format_Indexed8);
    }
    if (!pixels.isNull() && PixelFormatOf(pixels) != format)
        pixels = ConvertPixels(pixels, PixelFormatOf(pixels), format);
    if (!pixels.isNull() && pixels.format() == QImage::Format_Indexed8) {
        const int limit = 1 << BitsPerPixel(format);
        if (pixels.colorCount() > limit)
            pixels =
                ConvertPixels(pixels.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit, format);
    }
    FImage = pixels;
    FFormat = format;
    FFileBytes.clear();
    Changed();
}

void TSafetyBitmap::SetSize(int width, int height, TColor fill)
{
    if (!BitmapSizeAllowed(width, height)) {
        SetImage(QImage(), FFormat);
        return;
    }
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(QColor(ColorToRgb(fill)));
    if (FFormat == TPixelFormat::pf8bit || FFormat == TPixelFormat::pf4bit ||
        FFormat == TPixelFormat::pf1bit) {
        QImage indexed(width, height, QImage::Format_Indexed8);
        QVector<QRgb> palette = FImage.colorTable();
        if (palette.isEmpty())
            palette = FFormat == TPixelFormat::pf8bit
                          ? DefaultPalette()
                          : ConvertPixels(image, TPixelFormat::pf24bit, FFormat).colorTable();
        indexed.setColorTable(palette);
        indexed.fill(uint(std::max(0, NearestPaletteIndex(palette, ColorToRgb(fill)))));
        SetImage(indexed, FFormat);
        return;
    }
    SetImage(image, FFormat);
}

void TSafetyBitmap::SetTransparent(bool value)
{
    if (value == FTransparent)
        return;
    FTransparent = value;
    Changed();
}

TColor TSafetyBitmap::TransparentColor() const
{
    if (FTransparentMode == TTransparentMode::tmFixed)
        return FTransparentColor;
    if (FImage.isNull())
        return clNone;
    return RgbToColor(PixelColor(FImage, 0, FImage.height() - 1));
}

void TSafetyBitmap::SetTransparentColor(TColor colour)
{
    if (colour == FTransparentColor && FTransparentMode == TTransparentMode::tmFixed)
        return;
    FTransparentColor = colour;
    FTransparentMode = colour == clNone ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    Changed();
}

// ---------------------------------------------------------------------------------
// Files and streams

void TSafetyBitmap::LoadFromStream(TStream& stream)
{
    TDIB dib;
    dib.LoadFromStream(stream);
    const QImage image = dib.ToImage();
    // Only a picture that decoded completely replaces the current one.
    FImage = image;
    FFormat = image.format() == QImage::Format_Indexed8 ? dib.PixelFormat() : PixelFormatOf(image);
    Changed();
    // The file as read, so that an unchanged picture is written back byte for byte.
    FFileBytes = dib.FileBytes();
}

void TSafetyBitmap::SetFileBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        SetImage(QImage(), FFormat);
        return;
    }
    TMemoryStream stream(bytes);
    LoadFromStream(stream);
    // A plain bitmap is kept as given, bytes after its bits included, so that it is
    // written back exactly.
    if (bytes.startsWith("BM"))
        FFileBytes = bytes;
}

void TSafetyBitmap::LoadFromFile(const QString& fileName)
{
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    LoadFromStream(stream);
}

QByteArray TSafetyBitmap::FileBytes() const
{
    if (!FFileBytes.isEmpty())
        return FFileBytes;
    if (FImage.isNull())
        return {};
    TDIB dib;
    dib.FromImage(FImage, FFormat);
    return dib.SaveToFileBytes();
}

void TSafetyBitmap::SaveToStream(TStream& stream) const
{
    stream.WriteBytes(FileBytes());
}

void TSafetyBitmap::SaveToFile(const QString& fileName) const
{
    // Written beside and renamed: a failed save keeps the previous picture.
    WriteFileReplacing(fileName, FileBytes());
}

void TSafetyBitmap::ReadData(TStream& stream)
{
    const uint32_t size = stream.ReadUInt32();
    const QByteArray bytes = stream.ReadBytes(size); // refuses sizes beyond the data
    SetFileBytes(bytes);
}

void TSafetyBitmap::WriteData(TStream& stream) const
{
    const QByteArray bytes = FileBytes();
    stream.WriteUInt32(uint32_t(bytes.size()));
    stream.WriteBytes(bytes);
}

void TSafetyBitmap::LoadFromClipboardFormat(int format, const QByteArray& data)
{
    if (format != CF_DIB && format != CF_DIBV5)
        throw EInvalidGraphic(InvalidBitmapMessage());
    // A file header whose only non-zero bytes are the signature.
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    file.append(data);
    TMemoryStream stream(file);
    LoadFromStream(stream);
}

// ---------------------------------------------------------------------------------
// Drawing and assignment

void TSafetyBitmap::PrepareMask()
{
    if (FTransparent && !FImage.isNull())
        FMasked.Prepare(FImage, FFormat, TransparentColor());
}

void TSafetyBitmap::Draw(QPainter& painter, const QRect& rectangle)
{
    if (FImage.isNull() || rectangle.isEmpty())
        return;
    // Monochrome pixels show 1 as white and 0 as black; what is changed here is put
    // back afterwards, also when drawing fails.
    painter.save();
    struct Restore
    {
        QPainter& p;
        ~Restore() { p.restore(); }
    } restore{painter};
    painter.setBackground(Qt::white);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (FTransparent) {
        FMasked.Prepare(FImage, FFormat, TransparentColor());
        FMasked.Draw(painter, rectangle);
        return;
    }
    if (IsPrinterLike(painter)) {
        TDIB dib;
        dib.FromImage(FImage, FFormat);
        dib.Draw(painter, rectangle, QRect(0, 0, Width(), Height()));
        return;
    }
    if (FFormat == TPixelFormat::pf15bit || FFormat == TPixelFormat::pf16bit)
        DrawSharedImage(painter, QRectF(rectangle), ConvertPixels(FImage, FFormat, TPixelFormat::pf24bit));
    else
        DrawSharedImage(painter, QRectF(rectangle), FImage);
}

bool TSafetyBitmap::Equals(const TGraphic& other) const
{
    const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&other);
    if (!bitmap)
        return false;
    if (FImage.isNull() || bitmap->FImage.isNull())
        return FImage.isNull() && bitmap->FImage.isNull();
    return FImage.constBits() == bitmap->FImage.constBits();
}

void TSafetyBitmap::Assign(const TSafetyBitmap& source)
{
    if (&source == this)
        return;
    if (Equals(source) && !FImage.isNull()) {
        FTransparent = source.FTransparent;
        FTransparentMode = source.FTransparentMode;
        if (FTransparentMode == TTransparentMode::tmFixed)
            FTransparentColor = source.FTransparentColor;
        Changed();
        return;
    }
    FAssigning = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FAssigning};
    FImage = source.FImage;
    FFormat = source.FFormat;
    FFileBytes = source.FFileBytes;
    FTransparent = source.FTransparent;
    FTransparentMode = source.FTransparentMode;
    FTransparentColor = source.FTransparentColor;
    Changed();
    FMasked.Assign(source.FMasked);
}

// ---------------------------------------------------------------------------------

void RegisterImagingGraphics()
{
    RegisterGraphicClass(QStringLiteral("TBitmap"), [] { return std::make_unique<TAppBitmap>(); });
    RegisterGraphicClass(QStringLiteral("TSafetyBitmap"), [] { return std::make_unique<TAppBitmap>(); });
    RegisterGraphicClass(QStringLiteral("TJPEGImage"), [] { return std::make_unique<TAppJPEGImage>(); });
    RegisterGraphicClass(QStringLiteral("TSafetyJPEGImage"),
                         [] { return std::make_unique<TAppJPEGImage>(); });
}

std::unique_ptr<TSafetyBitmap> SafetyBitmapOf(const TGraphic& graphic)
{
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&graphic)) {
        auto copy = std::make_unique<TAppBitmap>();
        copy->Assign(*bitmap);
        return copy;
    }
    if (const auto* jpeg = dynamic_cast<const TSafetyJPEGImage*>(&graphic)) {
        auto copy = std::make_unique<TAppBitmap>();
        copy->SetImage(jpeg->Bitmap());
        return copy;
    }
    if (!graphic.Empty()) {
        const QImage image = graphic.Image();
        if (!image.isNull()) {
            auto copy = std::make_unique<TAppBitmap>();
            copy->SetImage(image);
            return copy;
        }
    }
    return nullptr;
}

} // namespace velmo
