#pragma once
// The bitmap class that holds every raster picture of the program: pixels in an
// explicit format, read from and written to BMP files (plain or in the compressed
// container), drawn through its masked image when transparent and through a DIB on
// printers.
#include "base/UGraphics.h"
#include "imaging/UDIB.h"
#include "imaging/UMaskedImage.h"
#include <QImage>
#include <functional>
#include <memory>

class QPainter;

namespace velmo {

// The pixels converted to another of our formats. Paletted targets get the image's
// palette (8 bits), black and white (1 bit) or the 16 standard colours (4 bits); 15-
// and 16-bit pixels become 8-bit channels as v × 255 / max, truncated.
QImage ConvertPixels(const QImage& image, TPixelFormat from, TPixelFormat to);
// The colour a pixel shows (opaque), whatever the format.
QRgb PixelColor(const QImage& image, int x, int y);

enum class TTransparentMode
{
    tmAuto, // the key is the colour of the bottom-left pixel
    tmFixed // the key is TransparentColor
};

// Clipboard formats a bitmap reads.
constexpr int CF_BITMAP = 2;
constexpr int CF_DIB = 8;
constexpr int CF_DIBV5 = 17;

class TSafetyBitmap : public TGraphic
{
public:
    TSafetyBitmap() = default;
    TSafetyBitmap(const TSafetyBitmap& other);
    TSafetyBitmap& operator=(const TSafetyBitmap&) = delete;

    QString GraphicClassName() const override { return QStringLiteral("TSafetyBitmap"); }
    bool Empty() const override { return FImage.isNull(); }
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }

    // The pixels in our layout (see TPixelFormat).
    QImage Image() const override { return FImage; }
    const QImage& Pixels() const { return FImage; }
    TPixelFormat PixelFormat() const { return FFormat; }
    // Converts the pixels; an empty bitmap only remembers the format.
    void SetPixelFormat(TPixelFormat format);
    // Takes the image; pfDevice picks the format from the image's (other QImage
    // formats become 32 bits with alpha, or 24 bits without).
    void SetImage(const QImage& image, TPixelFormat format = TPixelFormat::pfDevice);
    // A new picture of that size in the current format, filled with the colour.
    void SetSize(int width, int height, TColor fill = clWhite);
    QVector<QRgb> Palette() const { return FImage.colorTable(); }

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor TransparentColor() const;
    // Also switches to the fixed mode.
    void SetTransparentColor(TColor colour);

    // A BMP file, plain or in the compressed container, at the stream's position.
    // A bad bitmap raises EInvalidGraphic "ビットマップイメージが不正です" (EZLibError for
    // a damaged container) and leaves this bitmap as it was.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const QString& fileName);
    // A BMP file of the pixels: the file this bitmap was read from while unchanged.
    void SaveToStream(TStream& stream) const;
    void SaveToFile(const QString& fileName) const;
    // In a picture: a 4-byte length and the bitmap file. Exactly that many bytes are
    // consumed, whatever the bitmap's own headers say.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) const override;
    QByteArray FileBytes() const override;
    void SetFileBytes(const QByteArray& bytes) override;
    // Format 8 (and 17): a DIB block without file header.
    void LoadFromClipboardFormat(int format, const QByteArray& data);

    // Stretches the picture into the rectangle (no smoothing): through the masked
    // image when transparent, through a DIB on printers, else directly.
    void Draw(QPainter& painter, const QRect& rectangle);

    // A bitmap that shares this one's pixels only takes the transparency settings;
    // from another safe bitmap the masked image is carried over, so no mask is rebuilt.
    void Assign(const TSafetyBitmap& source);
    // Both share the same pixels.
    bool Equals(const TGraphic& other) const;

    TMaskedImage& MaskedImage() { return FMasked; }
    const TMaskedImage& MaskedImage() const { return FMasked; }
    // Builds the mask and the whitened picture now (a loading thread may do this).
    void PrepareMask();

    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TSafetyBitmap>(*this); }
    TGraphicChangeEvent OnChange;

protected:
    void Changed();

private:
    QImage FImage;
    TPixelFormat FFormat = TPixelFormat::pf24bit;
    bool FTransparent = false;
    TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
    TColor FTransparentColor = clNone;
    // The plain bitmap file the pixels were read from, until they change.
    QByteArray FFileBytes;
    TMaskedImage FMasked;
    bool FAssigning = false;
};

// The application's bitmap class; pictures store it as "TBitmap".
class TAppBitmap final : public TSafetyBitmap
{
public:
    using TSafetyBitmap::TSafetyBitmap;
    QString GraphicClassName() const override { return QStringLiteral("TBitmap"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TAppBitmap>(*this); }
};

// Binds the stored class names "TBitmap" and "TJPEGImage" to the safe classes (and
// the classes' own names to them), replacing the plain file graphics.
void RegisterImagingGraphics();

// The safe bitmap behind a graphic: the bitmap itself, or the decoded picture of a
// JPEG image; nullptr for other graphics.
std::unique_ptr<TSafetyBitmap> SafetyBitmapOf(const TGraphic& graphic);

} // namespace velmo
