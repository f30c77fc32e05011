#pragma once
// JPEG pictures on libjpeg-turbo: decoding at 1/1 to 1/8 scale, in 24-bit or 8-bit
// colour, CMYK and YCCK files included, with the EXIF orientation applied; encoding
// with a quality. The image keeps its file bytes and decodes them on demand.
#include "base/UGraphics.h"
#include "imaging/UDIB.h"
#include <QByteArray>
#include <QImage>
#include <memory>

class QPainter;

namespace velmo {

QString InvalidJPEGMessage(); // "JPEGイメージが不正です"

enum class TJPEGScale
{
    jsFullSize,
    jsHalf,
    jsQuarter,
    jsEighth
};

enum class TJPEGPixelFormat
{
    jf24Bit,
    jf8Bit
};

enum class TJPEGPerformance
{
    jpBestQuality,
    jpBestSpeed
};

struct TJPEGDecodeOptions
{
    int ScaleDenominator = 1; // 1, 2, 4 or 8
    bool EightBit = false;    // 256 colours (a grey palette for grey pictures)
    bool Grayscale = false;
    bool Fast = false;
    bool ApplyOrientation = true;
};

struct TJPEGHeader
{
    int Width = 0; // as stored, before orientation
    int Height = 0;
    int Components = 0;
    bool Progressive = false;
    bool Cmyk = false;   // CMYK or YCCK
    bool Adobe = false;  // an Adobe marker (inverted CMYK)
    int Orientation = 1; // EXIF orientation 1..8
};

// Raise EInvalidGraphic "JPEGイメージが不正です" for data that does not decode.
TJPEGHeader ReadJPEGHeader(const QByteArray& bytes);
// 24-bit pictures are Format_BGR888, 8-bit ones Format_Indexed8.
QImage DecodeJPEG(const QByteArray& bytes, const TJPEGDecodeOptions& options = {});
// Encodes the picture (any of our formats) at the quality (1..100).
QByteArray EncodeJPEG(const QImage& image, int quality = 90, bool progressive = false,
                      bool grayscale = false);

// The orientation tag of an APP1 "Exif" block (1 when there is none or it is bad).
int ExifOrientation(const uchar* data, size_t size);
// Turns a picture stored in that orientation upright.
QImage ApplyOrientation(const QImage& image, int orientation);

// The output size libjpeg gives a dimension at 1/denominator: ceil(size / denominator).
int ScaledJPEGSize(int size, int denominator);

class TSafetyJPEGImage : public TGraphic
{
public:
    TSafetyJPEGImage() = default;
    TSafetyJPEGImage(const TSafetyJPEGImage&) = default;
    TSafetyJPEGImage& operator=(const TSafetyJPEGImage&) = delete;

    QString GraphicClassName() const override { return QStringLiteral("TSafetyJPEGImage"); }
    bool Empty() const override { return FBytes.isEmpty(); }
    // Of the decoded picture (scale and orientation applied).
    int Width() const;
    int Height() const;
    const TJPEGHeader& Header() const { return FHeader; }

    TJPEGScale Scale() const { return FScale; }
    void SetScale(TJPEGScale scale);
    TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat format);
    bool Grayscale() const { return FGrayscale; }
    void SetPerformance(TJPEGPerformance value);
    void SetCompressionQuality(int quality);

    // The file bytes; setting checks the header first and keeps the previous picture
    // when it is bad (EInvalidGraphic).
    QByteArray FileBytes() const override { return FBytes; }
    void SetFileBytes(const QByteArray& bytes) override;
    // The rest of the stream is the JPEG file.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const QString& fileName);
    void SaveToStream(TStream& stream) const { stream.WriteBytes(FBytes); }
    // Encodes a picture at the compression quality.
    void AssignImage(const QImage& image);

    // The decoded picture at the current settings (decoded once).
    QImage Bitmap() const;
    QImage Image() const override { return Bitmap(); }
    // Decodes now when not yet done.
    void DIBNeeded() const { (void)Bitmap(); }

    // Stretched through a temporary safe bitmap; decoding signals no change.
    void Draw(QPainter& painter, const QRect& rectangle) const;

    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TSafetyJPEGImage>(*this); }
    TGraphicChangeEvent OnChange;

protected:
    void Changed();

private:
    // A decoding option: a new value drops the decoded picture so the next use
    // decodes again with it.
    template <class T> void SetDecodeOption(T& option, T value)
    {
        if (value == option)
            return;
        option = value;
        FBitmap = QImage();
        Changed();
    }
    TJPEGDecodeOptions Options() const;

    QByteArray FBytes;
    TJPEGHeader FHeader;
    TJPEGScale FScale = TJPEGScale::jsFullSize;
    TJPEGPixelFormat FPixelFormat = TJPEGPixelFormat::jf24Bit;
    bool FGrayscale = false;
    TJPEGPerformance FPerformance = TJPEGPerformance::jpBestQuality;
    int FQuality = 90;
    bool FProgressive = false;
    mutable QImage FBitmap;
};

// The application's JPEG class; pictures store it as "TJPEGImage".
class TAppJPEGImage final : public TSafetyJPEGImage
{
public:
    using TSafetyJPEGImage::TSafetyJPEGImage;
    QString GraphicClassName() const override { return QStringLiteral("TJPEGImage"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TAppJPEGImage>(*this); }
};

} // namespace velmo
