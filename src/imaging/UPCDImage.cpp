#include "imaging/UPCDImage.h"
#include "base/UStream.h"
#include "imaging/UDIB.h"
#include "imaging/UPictureFormats.h"
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTransform>
#include <algorithm>
#include <atomic>
#include <cmath>

namespace velmo {

namespace {

constexpr int64_t kSignatureOffset = 0x800;
constexpr char kSignature[] = "PCD_IPI";
constexpr int64_t kOrientationOffset = 0xE02;
// Larger than a pack with every resolution up to 64Base; anything bigger is not one.
constexpr int64_t kMaxPackBytes = int64_t(64) << 20;

struct TResolutionInfo
{
    int Width;
    int Height;
    int64_t Offset;
};

constexpr TResolutionInfo kResolutions[] = {
    {192, 128, 0x2000},  // Base/16
    {384, 256, 0xB800},  // Base/4
    {768, 512, 0x30000}, // Base
};

const TResolutionInfo* InfoOf(int resolution)
{
    if (resolution < 1 || resolution > 3)
        return nullptr;
    return &kResolutions[resolution - 1];
}

std::atomic<int> gScreenDepth{0};

// Chroma is stored at half width and height; each missing sample is the mean of its
// stored neighbours, so colour edges stay soft as the camera recorded them.
std::vector<uint8_t> Upsample(const uint8_t* half, int halfWidth, int halfHeight, int rowStride)
{
    const int width = halfWidth * 2;
    const int height = halfHeight * 2;
    std::vector<uint8_t> wide(size_t(width) * halfHeight);
    for (int y = 0; y < halfHeight; ++y) {
        const uint8_t* src = half + size_t(y) * rowStride;
        uint8_t* dst = wide.data() + size_t(y) * width;
        for (int x = 0; x < halfWidth; ++x) {
            const int next = x + 1 < halfWidth ? src[x + 1] : src[x];
            dst[2 * x] = src[x];
            dst[2 * x + 1] = uint8_t((src[x] + next + 1) / 2);
        }
    }
    std::vector<uint8_t> full(size_t(width) * height);
    for (int y = 0; y < halfHeight; ++y) {
        const uint8_t* row = wide.data() + size_t(y) * width;
        const uint8_t* next = y + 1 < halfHeight ? row + width : row;
        uint8_t* even = full.data() + size_t(2 * y) * width;
        uint8_t* odd = even + width;
        for (int x = 0; x < width; ++x) {
            even[x] = row[x];
            odd[x] = uint8_t((row[x] + next[x] + 1) / 2);
        }
    }
    return full;
}

inline uint8_t Clamp8(int value)
{
    return uint8_t(std::clamp(value, 0, 255));
}

} // namespace

QSize PCDResolutionSize(int resolution)
{
    const TResolutionInfo* info = InfoOf(resolution);
    return info ? QSize(info->Width, info->Height) : QSize();
}

int64_t PCDResolutionOffset(int resolution)
{
    const TResolutionInfo* info = InfoOf(resolution);
    return info ? info->Offset : -1;
}

int64_t PCDResolutionBytes(int resolution)
{
    const TResolutionInfo* info = InfoOf(resolution);
    return info ? int64_t(info->Width) * info->Height * 3 / 2 : 0;
}

int PCDUprightTransform(int orientationBits)
{
    // The pack records the quarter turns clockwise the scanner left the photograph
    // in; turning back is the transform with the matching rotation.
    switch (orientationBits & 3) {
    case 1:
        return 4; // a quarter turn anticlockwise
    case 2:
        return 3; // half a turn
    case 3:
        return 7; // a quarter turn clockwise
    default:
        return 0;
    }
}

QImage ApplyPCDTransform(const QImage& image, int transform)
{
    QImage result = image;
    if (transform & 4)
        result = result.transformed(QTransform().rotate(270));
    const bool vertical = transform & 1;
    const bool horizontal = transform & 2;
    if (vertical || horizontal)
        result = result.mirrored(horizontal, vertical);
    return result;
}

int16_t TPCDDecoder::Open(const QString& fileName)
{
    Close();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return pcdCannotOpen;
    if (file.size() > kMaxPackBytes)
        return pcdTooLarge;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return pcdCannotOpen;
    return OpenBytes(bytes);
}

int16_t TPCDDecoder::OpenBytes(const QByteArray& bytes)
{
    Close();
    if (bytes.size() > kMaxPackBytes)
        return pcdTooLarge;
    if (bytes.size() < kSignatureOffset + qsizetype(sizeof(kSignature) - 1) ||
        bytes.mid(kSignatureOffset, sizeof(kSignature) - 1) != QByteArrayView(kSignature))
        return pcdNotImagePack;
    int mask = 0;
    for (int r = 1; r <= 3; ++r)
        if (bytes.size() >= PCDResolutionOffset(r) + PCDResolutionBytes(r))
            mask |= 1 << r;
    if (mask == 0)
        return pcdNotImagePack;
    FBytes = bytes;
    FMask = mask;
    FOpen = true;
    FResolution = 1;
    while (!(FMask & (1 << FResolution)))
        ++FResolution;
    FFormat = kPCDFormatRGB;
    FTransform = PCDUprightTransform(uint8_t(FBytes.at(qsizetype(kOrientationOffset))));
    return pcdOK;
}

int16_t TPCDDecoder::Close()
{
    FBytes.clear();
    FOpen = false;
    FMask = 0;
    return pcdOK;
}

int16_t TPCDDecoder::GetCount(int& mask) const
{
    if (!FOpen)
        return pcdNotOpen;
    mask = FMask;
    return pcdOK;
}

int16_t TPCDDecoder::GetResolution(int& value) const
{
    if (!FOpen)
        return pcdNotOpen;
    value = FResolution;
    return pcdOK;
}

int16_t TPCDDecoder::SetResolution(int value)
{
    if (!FOpen)
        return pcdNotOpen;
    if (value < 0 || value > 30 || !(FMask & (1 << value)))
        return pcdBadResolution;
    FResolution = value;
    return pcdOK;
}

int16_t TPCDDecoder::GetFormat(int& value) const
{
    if (!FOpen)
        return pcdNotOpen;
    value = FFormat;
    return pcdOK;
}

int16_t TPCDDecoder::SetFormat(int value)
{
    if (!FOpen)
        return pcdNotOpen;
    if (value != kPCDFormatGrey && value != kPCDFormatRGB && value != kPCDFormatPalette)
        return pcdBadFormat;
    FFormat = value;
    return pcdOK;
}

int16_t TPCDDecoder::GetTransform(int& value) const
{
    if (!FOpen)
        return pcdNotOpen;
    value = FTransform;
    return pcdOK;
}

int16_t TPCDDecoder::SetTransform(int value)
{
    if (!FOpen)
        return pcdNotOpen;
    if (value < 0 || value > 7)
        return pcdBadTransform;
    FTransform = value;
    return pcdOK;
}

int16_t TPCDDecoder::LoadImage(QImage& image) const
{
    if (!FOpen)
        return pcdNotOpen;
    const TResolutionInfo* info = InfoOf(FResolution);
    if (!info || !(FMask & (1 << FResolution)))
        return pcdBadResolution;
    const int w = info->Width;
    const int h = info->Height;
    const auto* data = reinterpret_cast<const uint8_t*>(FBytes.constData()) + info->Offset;
    // Each pair of rows: luma row, luma row, chroma 1 (half width), chroma 2 (half width).
    const int pairStride = 3 * w;
    const std::vector<uint8_t> c1 = Upsample(data + 2 * w, w / 2, h / 2, pairStride);
    const std::vector<uint8_t> c2 = Upsample(data + 2 * w + w / 2, w / 2, h / 2, pairStride);

    QImage picture;
    if (FFormat == kPCDFormatGrey) {
        picture = QImage(w, h, QImage::Format_Indexed8);
        if (picture.isNull())
            throw std::bad_alloc();
        picture.setColorTable(GreyPalette());
        for (int y = 0; y < h; ++y) {
            const uint8_t* luma = data + size_t(y / 2) * pairStride + size_t(y % 2) * w;
            std::copy(luma, luma + w, picture.scanLine(y));
        }
    } else {
        picture = QImage(w, h, QImage::Format_BGR888);
        if (picture.isNull())
            throw std::bad_alloc();
        // PhotoYCC to display RGB: the recorded luma and chroma scaled back to the
        // 0 … 255 range of the display (luma 1.3584, chroma 2.2179 and 1.8215 about
        // their zero points 156 and 137), in 16-bit fixed point.
        constexpr int kRCr = 87877;  // 1.8215 / 1.3584 × 65536
        constexpr int kGCb = -20754; // -0.4302726 / 1.3584 × 65536
        constexpr int kGCr = -44731; // -0.9271435 / 1.3584 × 65536
        constexpr int kBCb = 107002; // 2.2179 / 1.3584 × 65536
        for (int y = 0; y < h; ++y) {
            const uint8_t* luma = data + size_t(y / 2) * pairStride + size_t(y % 2) * w;
            const uint8_t* cb = c1.data() + size_t(y) * w;
            const uint8_t* cr = c2.data() + size_t(y) * w;
            uint8_t* out = picture.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const int l = int(luma[x]) << 16;
                const int db = cb[x] - 156;
                const int dr = cr[x] - 137;
                out[3 * x + 0] = Clamp8((l + kBCb * db + 32768) >> 16);
                out[3 * x + 1] = Clamp8((l + kGCb * db + kGCr * dr + 32768) >> 16);
                out[3 * x + 2] = Clamp8((l + kRCr * dr + 32768) >> 16);
            }
        }
        if (FFormat == kPCDFormatPalette) {
            QImage indexed =
                picture.convertToFormat(QImage::Format_RGB32)
                    .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither);
            if (indexed.isNull())
                throw std::bad_alloc();
            picture = indexed;
        }
    }
    image = ApplyPCDTransform(picture, FTransform);
    return pcdOK;
}

int PCDScreenDepth()
{
    if (const int depth = gScreenDepth.load(); depth > 0)
        return depth;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->depth();
    return 24;
}

void SetPCDScreenDepth(int bits)
{
    gScreenDepth.store(bits);
}

// ---------------------------------------------------------------------------------

TPCDAccess::~TPCDAccess()
{
    Close();
}

bool TPCDAccess::Open(const QString& fileName)
{
    if (!Close())
        return false;
    FResult = FDecoder.Open(fileName);
    return AfterOpen();
}

bool TPCDAccess::OpenBytes(const QByteArray& bytes)
{
    if (!Close())
        return false;
    FResult = FDecoder.OpenBytes(bytes);
    return AfterOpen();
}

bool TPCDAccess::AfterOpen()
{
    if (FResult != pcdOK)
        return false;
    FResult = FDecoder.GetCount(FMask);
    if (FResult != pcdOK) {
        FDecoder.Close();
        return false;
    }
    int resolution = 0;
    while (resolution <= 8 && !(FMask & (1 << resolution)))
        ++resolution;
    SetResolution(resolution);
    SetFormat(PCDScreenDepth() < 9 ? kPCDFormatPalette : kPCDFormatRGB);
    return true;
}

bool TPCDAccess::Close()
{
    if (!FDecoder.IsOpen())
        return true;
    FResult = FDecoder.Close();
    if (FResult == pcdOK)
        FMask = 0;
    return FResult == pcdOK;
}

int TPCDAccess::Resolution()
{
    int value = 0;
    FResult = FDecoder.GetResolution(value);
    if (FResult != pcdOK)
        throw EPCDError(QStringLiteral("cannot get Resolution from PCD(%1)").arg(FResult));
    return value;
}

void TPCDAccess::SetResolution(int value)
{
    if (value < 0 || value > 30 || !(FMask & (1 << value)))
        throw EPCDError(QStringLiteral("cannot support specified Resolution(%1)").arg(value));
    FResult = FDecoder.SetResolution(value);
    if (FResult != pcdOK)
        throw EPCDError(QStringLiteral("cannot set Resolution from PCD(%1)").arg(FResult));
}

int TPCDAccess::Format()
{
    int value = 0;
    FResult = FDecoder.GetFormat(value);
    if (FResult != pcdOK)
        throw EPCDError(QStringLiteral("cannot get Format from PCD(%1)").arg(FResult));
    return value;
}

void TPCDAccess::SetFormat(int value)
{
    FResult = FDecoder.SetFormat(value);
    if (FResult != pcdOK)
        throw EPCDError(QStringLiteral("cannot set Format from PCD(%1)").arg(FResult));
}

int TPCDAccess::Transform()
{
    int value = 0;
    FResult = FDecoder.GetTransform(value);
    if (FResult != pcdOK)
        throw EPCDError(QStringLiteral("cannot get Transform from PCD(%1)").arg(FResult));
    return value;
}

void TPCDAccess::SetTransform(int value)
{
    FResult = FDecoder.SetTransform(value);
    if (FResult != pcdOK)
        throw EPCDError(QStringLiteral("cannot set Transform to PCD(%1)").arg(FResult));
}

bool TPCDAccess::LoadImage(TStream& stream)
{
    QImage image;
    FResult = FDecoder.LoadImage(image);
    if (FResult != pcdOK)
        return false;
    TDIB dib;
    dib.FromImage(image, PixelFormatOf(image));
    const QByteArray file = dib.SaveToFileBytes();
    stream.WriteBuffer(file.constData(), file.size());
    return true;
}

bool TPCDAccess::LoadBitmap(TSafetyBitmap& bitmap)
{
    TMemoryStream stream;
    if (!LoadImage(stream))
        return false;
    stream.SetPosition(0);
    bitmap.LoadFromStream(stream);
    return true;
}

// ---------------------------------------------------------------------------------

void TPCDBitmap::LoadFromPCDFile(const QString& fileName)
{
    TPCDAccess access;
    if (access.Open(fileName))
        access.LoadBitmap(*this);
}

void TPCDBitmap::LoadFromPCDBytes(const QByteArray& bytes)
{
    TPCDAccess access;
    if (access.OpenBytes(bytes))
        access.LoadBitmap(*this);
}

void RegisterPCDFormat()
{
    RegisterPictureFileFormat({QStringLiteral("pcd"), QStringLiteral("PCD Bitmaps"),
                               [] { return std::make_unique<TPCDBitmap>(); },
                               [](const QByteArray& bytes) {
                                   auto bitmap = std::make_unique<TPCDBitmap>();
                                   bitmap->LoadFromPCDBytes(bytes);
                                   if (bitmap->Empty())
                                       throw EInvalidGraphic(InvalidBitmapMessage());
                                   TLoadedPicture result;
                                   result.Graphic = std::move(bitmap);
                                   return result;
                               }});
}

} // namespace velmo
