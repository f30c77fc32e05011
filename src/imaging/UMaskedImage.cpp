#include "imaging/UMaskedImage.h"
#include "draw/UCanvas.h"
#include "imaging/USafetyBitmap.h"
#include <QPainter>

namespace velmo {

void TMaskedImage::Assign(const TMaskedImage& other)
{
    FMaskDirty = other.FMaskDirty;
    FWhitenedDirty = other.FWhitenedDirty;
    FMask = other.FMask;
    FWhitened = other.FWhitened;
    FComposed = other.FComposed;
}

void TMaskedImage::Invalidate()
{
    FMaskDirty = true;
    FWhitenedDirty = true;
    FComposed = QImage();
}

void TMaskedImage::Prepare(const QImage& picture, TPixelFormat format, TColor key)
{
    BuildMask(picture, format, key);
    if (FWhitenedDirty || FWhitened.size() != picture.size()) {
        RebuildWhitened(picture, format);
        FWhitenedDirty = false;
    }
}

void TMaskedImage::BuildMask(const QImage& picture, TPixelFormat format, TColor key)
{
    // A mask that never was built counts as out of date, whatever the marks say.
    if (FMaskDirty || FMask.size() != picture.size()) {
        FMask = MakeMask(picture, format, key);
        FMaskDirty = false;
        FWhitenedDirty = true;
        FComposed = QImage();
    }
}

QImage TMaskedImage::MakeMask(const QImage& picture, TPixelFormat format, TColor key)
{
    const int width = picture.width();
    const int height = picture.height();
    QImage mask(width, height, QImage::Format_Mono);
    if (mask.isNull())
        return mask;
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    const uint32_t k = uint32_t(key) & 0xFFFFFF;
    const int kr = k & 0xFF, kg = (k >> 8) & 0xFF, kb = (k >> 16) & 0xFF;
    // Each row is computed in memory; a set bit marks a transparent pixel.
    auto setBit = [](uchar* row, int x) { row[x >> 3] |= uchar(0x80 >> (x & 7)); };
    if (format == TPixelFormat::pf8bit && picture.format() == QImage::Format_Indexed8) {
        const QVector<QRgb> palette = picture.colorTable();
        const int index = NearestPaletteIndex(palette, qRgb(kr, kg, kb));
        if (index < 0 || (palette[index] & 0xFFFFFF) != (qRgb(kr, kg, kb) & 0xFFFFFF))
            return mask;
        for (int y = 0; y < height; ++y) {
            const uchar* s = picture.constScanLine(y);
            uchar* d = mask.scanLine(y);
            for (int x = 0; x < width; ++x)
                if (s[x] == index)
                    setBit(d, x);
        }
    } else if (picture.format() == QImage::Format_BGR888) {
        for (int y = 0; y < height; ++y) {
            const uchar* s = picture.constScanLine(y);
            uchar* d = mask.scanLine(y);
            for (int x = 0; x < width; ++x)
                if (s[3 * x] == kb && s[3 * x + 1] == kg && s[3 * x + 2] == kr)
                    setBit(d, x);
        }
    } else if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32) {
        const uint32_t want = uint32_t(qRgb(kr, kg, kb)) & 0xFFFFFF;
        for (int y = 0; y < height; ++y) {
            const auto* s = reinterpret_cast<const uint32_t*>(picture.constScanLine(y));
            uchar* d = mask.scanLine(y);
            for (int x = 0; x < width; ++x)
                if ((s[x] & 0xFFFFFF) == want)
                    setBit(d, x);
        }
    } else {
        // Other formats: the colour each pixel shows.
        const QImage shown = ConvertPixels(picture, PixelFormatOf(picture), TPixelFormat::pf24bit);
        for (int y = 0; y < height; ++y) {
            const uchar* s = shown.constScanLine(y);
            uchar* d = mask.scanLine(y);
            for (int x = 0; x < width; ++x)
                if (s[3 * x] == kb && s[3 * x + 1] == kg && s[3 * x + 2] == kr)
                    setBit(d, x);
        }
    }
    (void)format;
    return mask;
}

void TMaskedImage::RebuildWhitened(const QImage& picture, TPixelFormat format)
{
    QImage white = ConvertPixels(picture, format, TPixelFormat::pf24bit);
    if (white.isNull()) {
        FWhitened = QImage();
        return;
    }
    if (white.constBits() == picture.constBits())
        white.detach();
    // The mask laid over the picture with OR: set bits turn pixels white.
    if (FMask.size() == white.size()) {
        for (int y = 0; y < white.height(); ++y) {
            const uchar* m = FMask.constScanLine(y);
            uchar* d = white.scanLine(y);
            for (int x = 0; x < white.width(); ++x)
                if (m[x >> 3] & (0x80 >> (x & 7)))
                    d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = 0xFF;
        }
    }
    FWhitened = white;
    FComposed = QImage();
}

void TMaskedImage::SetMask(const QImage& bitmap)
{
    // A mask of our own layout (GetMask's) is taken as it is: the same bits, without
    // a pass over every pixel.
    const QVector<QRgb> ownTable{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    if (bitmap.format() == QImage::Format_Mono && bitmap.colorTable() == ownTable) {
        FMask = bitmap;
        FMaskDirty = false;
        FWhitenedDirty = true;
        FComposed = QImage();
        return;
    }
    QImage mask(bitmap.width(), bitmap.height(), QImage::Format_Mono);
    if (!mask.isNull()) {
        mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        mask.fill(0);
        const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* d = mask.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x)
                if (qGray(s[x]) >= 128)
                    d[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
    FMask = mask;
    FMaskDirty = false;
    FWhitenedDirty = true;
    FComposed = QImage();
}

QImage TMaskedImage::Composed() const
{
    if (!FComposed.isNull() || FWhitened.isNull() || FMask.size() != FWhitened.size())
        return FComposed;
    QImage out(FWhitened.size(), QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < out.height(); ++y) {
        const uchar* m = FMask.constScanLine(y);
        const uchar* s = FWhitened.constScanLine(y);
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            d[x] = (m[x >> 3] & (0x80 >> (x & 7))) ? 0u : qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
    }
    FComposed = out;
    return out;
}

void TMaskedImage::Draw(QPainter& painter, const QRect& rectangle) const
{
    const QImage image = Composed();
    if (image.isNull() || rectangle.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    DrawSharedImage(painter, QRectF(rectangle), image);
    painter.restore();
}

} // namespace velmo
