#include "imaging/UDIB.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "storage/UZLibStream.h"
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QSet>
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace velmo {

QString InvalidBitmapMessage()
{
    return QStringLiteral("ビットマップイメージが不正です");
}

namespace {

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(InvalidBitmapMessage());
}

uint16_t U16(const char* p)
{
    return uint16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8));
}

// Planes times bits per plane, as the classic readers take the depth. Two 16-bit
// fields can make a product beyond int; nothing deeper than 32 bits is a bitmap.
int BitsPerPixel(uint16_t planes, uint16_t bits)
{
    const int64_t product = int64_t(planes) * int64_t(bits);
    if (product > 32)
        Invalid();
    return int(product);
}

uint32_t U32(const char* p)
{
    return uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16) |
           (uint32_t(uint8_t(p[3])) << 24);
}

void Put16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void Put32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

int64_t Stride(int64_t width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// The bytes of the pixels, saturated far below the integer range so that a header's
// absurd sizes cannot overflow, also once offsets are added (they fail the size checks
// that follow).
int64_t ImageBytes(int64_t width, int bits, int64_t height)
{
    constexpr int64_t cap = std::numeric_limits<int64_t>::max() / 4;
    const int64_t stride = Stride(width, bits);
    if (stride > 0 && height > 0 && stride > cap / height)
        return cap;
    return stride * height;
}

// The compressed container may claim at most what the largest picture needs.
constexpr uint32_t kMaxCompressedBitmapBytes = uint32_t(4 * kMaxBitmapPixels + (1 << 20));

// A bit-field channel: the value under the mask scaled to 0..255, truncating as
// the common readers do.
struct TChannel
{
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;
    explicit TChannel(uint32_t mask) : Mask(mask)
    {
        if (mask) {
            Shift = std::countr_zero(mask);
            Max = mask >> Shift;
        }
    }
    int Value(uint32_t pixel, int none) const
    {
        if (!Max)
            return none;
        return int(uint64_t((pixel & Mask) >> Shift) * 255 / Max);
    }
};

} // namespace

int BitsPerPixel(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit:
        return 1;
    case TPixelFormat::pf4bit:
        return 4;
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        return 16;
    case TPixelFormat::pf24bit:
        return 24;
    case TPixelFormat::pf32bit:
        return 32;
    default:
        return 0;
    }
}

TPixelFormat PixelFormatOf(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return TPixelFormat::pf1bit;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        return TPixelFormat::pf8bit;
    case QImage::Format_RGB555:
        return TPixelFormat::pf15bit;
    case QImage::Format_RGB16:
        return TPixelFormat::pf16bit;
    case QImage::Format_BGR888:
        return TPixelFormat::pf24bit;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return TPixelFormat::pf32bit;
    case QImage::Format_Invalid:
        return TPixelFormat::pfDevice;
    default:
        return TPixelFormat::pfCustom;
    }
}

bool BitmapSizeAllowed(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxBitmapDimension && height <= kMaxBitmapDimension &&
           width * height <= kMaxBitmapPixels;
}

int TBMPInfo::AbsHeight() const
{
    return Height < 0 ? -Height : Height;
}

QByteArray TBMPInfo::Block() const
{
    QByteArray out;
    Put32(out, 40);
    Put32(out, uint32_t(Width));
    Put32(out, uint32_t(Height));
    Put16(out, Planes);
    Put16(out, BitCount);
    Put32(out, Compression);
    Put32(out, SizeImage);
    Put32(out, uint32_t(XPelsPerMeter));
    Put32(out, uint32_t(YPelsPerMeter));
    Put32(out, ClrUsed);
    Put32(out, ClrImportant);
    if (Compression == BI_BITFIELDS) {
        Put32(out, RedMask);
        Put32(out, GreenMask);
        Put32(out, BlueMask);
    } else {
        out.append(ColorTableFromPalette(ColorTable));
    }
    return out;
}

TBitmapFileSizes MeasureBitmap(const char* header, int64_t available)
{
    if (available < 4)
        Invalid();
    const uint32_t headerSize = U32(header);
    TBitmapFileSizes sizes;
    if (headerSize == 12) {
        if (available < 12)
            Invalid();
        const int64_t width = U16(header + 4), height = U16(header + 6);
        const int b = BitsPerPixel(U16(header + 8), U16(header + 10));
        sizes.ColorCount = b == 1 ? 2 : b == 4 ? 16 : b == 8 ? 256 : 0;
        sizes.HeaderAndColorTable = 12 + 3 * int64_t(sizes.ColorCount);
        sizes.ImageSize = ImageBytes(width, b, height);
        return sizes;
    }
    if (headerSize < 40 || headerSize > 1024 || available < 40)
        Invalid();
    const int64_t width = int32_t(U32(header + 4));
    int64_t height = int32_t(U32(header + 8));
    height = height < 0 ? -height : height;
    const int b = BitsPerPixel(U16(header + 12), U16(header + 14));
    const uint32_t compression = U32(header + 16);
    const uint32_t used = U32(header + 32);
    const int byDepth = b == 1 ? 2 : b == 4 ? 16 : b == 8 ? 256 : 0;
    // A colour count beyond any real table is refused here rather than read.
    if (used > 65536)
        Invalid();
    sizes.ColorCount = used ? int(used) : byDepth;
    if (compression == BI_BITFIELDS)
        sizes.HeaderAndColorTable = int64_t(headerSize) + 12;
    else if (compression == BI_ALPHABITFIELDS && headerSize == 40)
        sizes.HeaderAndColorTable = 40 + 16;
    else
        sizes.HeaderAndColorTable = int64_t(headerSize) + 4 * int64_t(sizes.ColorCount);
    if (compression == BI_RGB || compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS)
        sizes.ImageSize = width > 0 ? ImageBytes(width, b, height) : 0;
    else
        sizes.ImageSize = U32(header + 20);
    return sizes;
}

TRowSpan RowByRowSource(int row, int destinationRows, int sourceRows)
{
    TRowSpan span;
    if (destinationRows <= 0)
        return span;
    span.First = int(int64_t(row) * sourceRows / destinationRows);
    span.End = int(int64_t(row + 1) * sourceRows / destinationRows);
    if (span.End <= span.First)
        span.End = span.First + 1;
    return span;
}

// ---------------------------------------------------------------------------------
// Reading

QByteArray TDIB::Bits() const
{
    if (!FBits)
        return {};
    return FBits->mid(FBitsOffset, FBitsSize);
}

void TDIB::ParseFile(const QByteArray& bytes, int64_t fileStart, int64_t available, bool fileHeader)
{
    const char* file = bytes.constData() + fileStart;
    int64_t headerAt = 0;
    uint32_t offBits = 0;
    if (fileHeader) {
        if (available < 14 || file[0] != 'B' || file[1] != 'M')
            Invalid();
        offBits = U32(file + 10);
        headerAt = 14;
    }
    const char* h = file + headerAt;
    const int64_t headerAvailable = available - headerAt;
    const TBitmapFileSizes sizes = MeasureBitmap(h, headerAvailable);
    TBMPInfo info;
    info.HeaderSize = U32(h);
    int entrySize = 4;
    int64_t masksEnd = headerAt + info.HeaderSize;
    if (info.HeaderSize == 12) {
        info.Width = U16(h + 4);
        info.Height = U16(h + 6);
        info.Planes = U16(h + 8);
        info.BitCount = U16(h + 10);
        entrySize = 3;
    } else {
        if (headerAvailable < int64_t(info.HeaderSize))
            Invalid();
        info.Width = int32_t(U32(h + 4));
        info.Height = int32_t(U32(h + 8));
        info.Planes = U16(h + 12);
        info.BitCount = U16(h + 14);
        info.Compression = U32(h + 16);
        info.SizeImage = U32(h + 20);
        info.XPelsPerMeter = int32_t(U32(h + 24));
        info.YPelsPerMeter = int32_t(U32(h + 28));
        info.ClrUsed = U32(h + 32);
        info.ClrImportant = U32(h + 36);
        const bool fields = info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS;
        if (info.HeaderSize >= 52) {
            info.RedMask = U32(h + 40);
            info.GreenMask = U32(h + 44);
            info.BlueMask = U32(h + 48);
            if (info.HeaderSize >= 56)
                info.AlphaMask = U32(h + 52);
        } else if (fields) {
            const int count = info.Compression == BI_ALPHABITFIELDS ? 4 : 3;
            if (headerAvailable < 40 + 4 * count)
                Invalid();
            info.RedMask = U32(h + 40);
            info.GreenMask = U32(h + 44);
            info.BlueMask = U32(h + 48);
            if (count == 4)
                info.AlphaMask = U32(h + 52);
            masksEnd += 4 * count;
        }
        // Older headers of that size use these numbers for other codings.
        if (info.HeaderSize == 64 && (info.Compression == 3 || info.Compression == 4))
            Invalid();
    }
    if (info.Height == INT32_MIN || !BitmapSizeAllowed(info.Width, info.AbsHeight()))
        Invalid();
    const int b = info.Bits();
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        Invalid();
    switch (info.Compression) {
    case BI_RGB:
        break;
    case BI_RLE8:
        if (b != 8)
            Invalid();
        break;
    case BI_RLE4:
        if (b != 4)
            Invalid();
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        if (b != 16 && b != 24 && b != 32)
            Invalid();
        break;
    default:
        Invalid();
    }
    if (info.Compression == BI_RGB && b == 16) {
        info.RedMask = 0x7C00;
        info.GreenMask = 0x03E0;
        info.BlueMask = 0x001F;
        info.AlphaMask = 0;
    }

    // The colour table: entries for paletted pictures; other depths may carry one
    // that is only skipped.
    const int64_t tableAt = masksEnd;
    if (b <= 8) {
        const int count = std::min(sizes.ColorCount, 1 << b);
        if (tableAt + int64_t(count) * entrySize > available)
            Invalid();
        info.ColorTable.reserve(1 << b);
        for (int i = 0; i < count; ++i) {
            const char* e = file + tableAt + int64_t(i) * entrySize;
            info.ColorTable.append(qRgb(uint8_t(e[2]), uint8_t(e[1]), uint8_t(e[0])));
        }
        // Indices beyond a short table show black.
        while (info.ColorTable.size() < (1 << b))
            info.ColorTable.append(qRgb(0, 0, 0));
    }

    // Where the bits start: the file header's offset when it points past the tables
    // into the data; otherwise right after the tables.
    int64_t bitsAt = info.HeaderSize == 12
                         ? headerAt + sizes.HeaderAndColorTable
                         : std::max<int64_t>(masksEnd, headerAt + sizes.HeaderAndColorTable);
    if (info.HeaderSize != 12 && (info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS))
        bitsAt = std::max<int64_t>(masksEnd, tableAt + (info.ClrUsed ? 4 * int64_t(info.ClrUsed) : 0));
    if (fileHeader && offBits >= uint32_t(masksEnd) && int64_t(offBits) < available)
        bitsAt = offBits;
    if (bitsAt > available)
        Invalid();
    int64_t imageSize = sizes.ImageSize;
    const bool rle = info.Compression == BI_RLE4 || info.Compression == BI_RLE8;
    if (rle) {
        if (imageSize == 0 || bitsAt + imageSize > available)
            imageSize = available - bitsAt;
    } else if (bitsAt + imageSize > available) {
        Invalid();
    }

    FInfo = std::move(info);
    FBits = std::make_shared<const QByteArray>(bytes);
    FBitsOffset = fileStart + bitsAt;
    FBitsSize = imageSize;
    FDecoded = QImage();
}

void TDIB::LoadFromFileBytes(const QByteArray& bytes)
{
    TDIB dib;
    dib.ParseFile(bytes, 0, bytes.size(), true);
    dib.FFile = bytes;
    *this = std::move(dib);
}

void TDIB::LoadFromStream(TStream& stream)
{
    uint32_t size = 0;
    if (IsCompressed(stream, &size)) {
        if (size > kMaxCompressedBitmapBytes)
            Invalid();
        TMemoryStream plain;
        Decompress(stream, plain, size);
        LoadFromFileBytes(plain.Data());
        return;
    }
    // Read the headers first, then exactly what they say the bitmap holds.
    const int64_t start = stream.Position();
    const int64_t remaining = stream.Remaining();
    QByteArray head = stream.ReadBytes(std::min<int64_t>(remaining, 54));
    if (head.size() < 14 || head[0] != 'B' || head[1] != 'M') {
        stream.SetPosition(start);
        Invalid();
    }
    int64_t total = remaining;
    try {
        if (head.size() >= 18) {
            const uint32_t headerSize = U32(head.constData() + 14);
            const int64_t need = 14 + std::min<int64_t>(headerSize, 40);
            if (head.size() < need && remaining >= need)
                head.append(stream.ReadBytes(need - head.size()));
            const TBitmapFileSizes sizes = MeasureBitmap(head.constData() + 14, head.size() - 14);
            const uint32_t offBits = U32(head.constData() + 10);
            int64_t bitsAt = 14 + sizes.HeaderAndColorTable;
            if (offBits > uint32_t(bitsAt) && int64_t(offBits) <= remaining)
                bitsAt = offBits;
            const bool rle = headerSize != 12 && head.size() >= 34 &&
                             (U32(head.constData() + 30) == BI_RLE4 || U32(head.constData() + 30) == BI_RLE8);
            if (!(rle && sizes.ImageSize == 0))
                total = std::min(remaining, bitsAt + sizes.ImageSize);
        }
        QByteArray bytes = head;
        if (total > bytes.size())
            bytes.append(stream.ReadBytes(total - bytes.size()));
        else
            bytes.truncate(total);
        LoadFromFileBytes(bytes);
        stream.SetPosition(start + total);
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
}

// ---------------------------------------------------------------------------------
// Decoding

TPixelFormat TDIB::PixelFormat() const
{
    switch (FInfo.Bits()) {
    case 1:
        return TPixelFormat::pf1bit;
    case 4:
        return TPixelFormat::pf4bit;
    case 8:
        return TPixelFormat::pf8bit;
    case 16:
        if (FInfo.RedMask == 0xF800 && FInfo.GreenMask == 0x07E0 && FInfo.BlueMask == 0x001F)
            return TPixelFormat::pf16bit;
        if (FInfo.RedMask == 0x7C00 && FInfo.GreenMask == 0x03E0 && FInfo.BlueMask == 0x001F)
            return TPixelFormat::pf15bit;
        return FInfo.AlphaMask ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
    case 24:
        return TPixelFormat::pf24bit;
    default:
        return TPixelFormat::pf32bit;
    }
}

namespace {

void DecodeRle(const uint8_t* data, int64_t size, bool rle4, QImage& image, bool topDown)
{
    const int width = image.width();
    const int height = image.height();
    int64_t x = 0, y = 0;
    int64_t pos = 0;
    auto put = [&](int index) {
        if (x < width && y < height) {
            const int row = topDown ? int(y) : height - 1 - int(y);
            image.scanLine(row)[x] = uint8_t(index);
        }
        ++x;
    };
    while (pos + 2 <= size && y < height) {
        const int count = data[pos];
        const int value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            const int n = int(std::min<int64_t>(count, std::max<int64_t>(0, width - x)));
            for (int i = 0; i < n; ++i)
                put(rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            x += count - n;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (pos + 2 > size)
                break;
            x = std::min<int64_t>(x + data[pos], width);
            y += data[pos + 1];
            pos += 2;
        } else { // absolute run
            const int64_t bytes = rle4 ? (value + 1) / 2 : value;
            const int64_t avail = std::min(bytes, size - pos);
            for (int i = 0; i < value; ++i) {
                const int64_t at = rle4 ? i / 2 : i;
                if (at >= avail)
                    break;
                const int b = data[pos + at];
                put(rle4 ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            pos += bytes + (bytes & 1);
        }
    }
}

} // namespace

QImage TDIB::ToImage() const
{
    if (Empty())
        return {};
    if (!FDecoded.isNull())
        return FDecoded;
    const int width = Width();
    const int height = Height();
    const int b = FInfo.Bits();
    const bool topDown = FInfo.TopDown();
    const uint8_t* bits = reinterpret_cast<const uint8_t*>(FBits->constData() + FBitsOffset);
    const int64_t stride = Stride(width, b);
    auto srcRow = [&](int y) { return bits + stride * (topDown ? y : height - 1 - y); };
    QImage image;
    const TPixelFormat format = PixelFormat();
    if (b <= 8) {
        image = QImage(width, height, QImage::Format_Indexed8);
        if (image.isNull())
            Invalid();
        image.setColorTable(FInfo.ColorTable);
        if (FInfo.Compression == BI_RLE4 || FInfo.Compression == BI_RLE8) {
            image.fill(0);
            DecodeRle(bits, FBitsSize, FInfo.Compression == BI_RLE4, image, topDown);
        } else {
            for (int y = 0; y < height; ++y) {
                const uint8_t* s = srcRow(y);
                uint8_t* d = image.scanLine(y);
                if (b == 8) {
                    std::memcpy(d, s, size_t(width));
                } else if (b == 4) {
                    for (int x = 0; x < width; ++x)
                        d[x] = (x & 1) ? s[x >> 1] & 0x0F : s[x >> 1] >> 4;
                } else {
                    for (int x = 0; x < width; ++x)
                        d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1;
                }
            }
        }
    } else if (format == TPixelFormat::pf15bit || format == TPixelFormat::pf16bit) {
        image = QImage(width, height,
                       format == TPixelFormat::pf15bit ? QImage::Format_RGB555 : QImage::Format_RGB16);
        if (image.isNull())
            Invalid();
        for (int y = 0; y < height; ++y) {
            auto* d = reinterpret_cast<uint16_t*>(image.scanLine(y));
            const uint8_t* s = srcRow(y);
            for (int x = 0; x < width; ++x)
                d[x] = uint16_t((s[2 * x] | (s[2 * x + 1] << 8)) &
                                (format == TPixelFormat::pf15bit ? 0x7FFF : 0xFFFF));
        }
    } else if (b == 24 && FInfo.Compression == BI_RGB) {
        image = QImage(width, height, QImage::Format_BGR888);
        if (image.isNull())
            Invalid();
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), srcRow(y), size_t(width) * 3);
    } else if (b == 32 &&
               (FInfo.Compression == BI_RGB ||
                (FInfo.RedMask == 0xFF0000 && FInfo.GreenMask == 0xFF00 && FInfo.BlueMask == 0xFF &&
                 (FInfo.AlphaMask == 0 || FInfo.AlphaMask == 0xFF000000u)))) {
        const bool alpha = FInfo.Compression != BI_RGB && FInfo.AlphaMask == 0xFF000000u;
        image = QImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull())
            Invalid();
        for (int y = 0; y < height; ++y) {
            auto* d = reinterpret_cast<uint32_t*>(image.scanLine(y));
            std::memcpy(d, srcRow(y), size_t(width) * 4);
            if (!alpha)
                for (int x = 0; x < width; ++x)
                    d[x] |= 0xFF000000u;
        }
    } else {
        // Any other layout of bit fields: each channel scaled from its mask.
        const TChannel r(FInfo.RedMask), g(FInfo.GreenMask), bl(FInfo.BlueMask), a(FInfo.AlphaMask);
        const bool alpha = FInfo.AlphaMask != 0;
        image = QImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        if (image.isNull())
            Invalid();
        const int bytes = b / 8;
        for (int y = 0; y < height; ++y) {
            const uint8_t* s = srcRow(y);
            uint8_t* d = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                uint32_t p = 0;
                for (int k = 0; k < bytes; ++k)
                    p |= uint32_t(s[x * bytes + k]) << (8 * k);
                if (alpha) {
                    reinterpret_cast<uint32_t*>(d)[x] =
                        qRgba(r.Value(p, 0), g.Value(p, 0), bl.Value(p, 0), a.Value(p, 255));
                } else {
                    d[3 * x] = uint8_t(bl.Value(p, 0));
                    d[3 * x + 1] = uint8_t(g.Value(p, 0));
                    d[3 * x + 2] = uint8_t(r.Value(p, 0));
                }
            }
        }
    }
    const int dpmX = FInfo.XPelsPerMeter, dpmY = FInfo.YPelsPerMeter;
    if (dpmX > 0 && dpmY > 0) {
        image.setDotsPerMeterX(dpmX);
        image.setDotsPerMeterY(dpmY);
    }
    FDecoded = image;
    return image;
}

// ---------------------------------------------------------------------------------
// Writing

void TDIB::FromImage(const QImage& source, TPixelFormat format)
{
    TDIB dib;
    if (source.isNull()) {
        *this = dib;
        return;
    }
    QImage image = source;
    const int width = image.width();
    const int height = image.height();
    int b = BitsPerPixel(format);
    if (b == 0) {
        format = TPixelFormat::pf24bit;
        b = 24;
    }
    TBMPInfo& info = dib.FInfo;
    info.Width = width;
    info.Height = height;
    info.BitCount = uint16_t(b);
    info.XPelsPerMeter = std::max(0, image.dotsPerMeterX());
    info.YPelsPerMeter = std::max(0, image.dotsPerMeterY());
    if (b <= 8) {
        if (image.format() != QImage::Format_Indexed8)
            image = image.convertToFormat(QImage::Format_Indexed8);
        QVector<QRgb> table = image.colorTable();
        if (table.size() > (1 << b))
            table.resize(1 << b);
        info.ColorTable = table;
        info.ClrUsed = uint32_t(table.size()) == (1u << b) ? 0 : uint32_t(table.size());
    } else if (format == TPixelFormat::pf15bit) {
        image = image.convertToFormat(QImage::Format_RGB555);
    } else if (format == TPixelFormat::pf16bit) {
        image = image.convertToFormat(QImage::Format_RGB16);
        info.Compression = BI_BITFIELDS;
        info.RedMask = 0xF800;
        info.GreenMask = 0x07E0;
        info.BlueMask = 0x001F;
    } else if (format == TPixelFormat::pf24bit) {
        image = image.convertToFormat(QImage::Format_BGR888);
    } else {
        const bool alpha = image.hasAlphaChannel();
        image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (alpha) {
            info.HeaderSize = 108;
            info.Compression = BI_BITFIELDS;
            info.RedMask = 0x00FF0000;
            info.GreenMask = 0x0000FF00;
            info.BlueMask = 0x000000FF;
            info.AlphaMask = 0xFF000000u;
        }
    }
    const int64_t stride = Stride(width, b);
    QByteArray bits(stride * height, '\0');
    for (int y = 0; y < height; ++y) {
        uint8_t* d = reinterpret_cast<uint8_t*>(bits.data()) + stride * (height - 1 - y);
        const uint8_t* s = image.constScanLine(y);
        if (b == 8) {
            std::memcpy(d, s, size_t(width));
        } else if (b == 4) {
            for (int x = 0; x < width; ++x)
                d[x >> 1] |= uint8_t((s[x] & 0x0F) << ((x & 1) ? 0 : 4));
        } else if (b == 1) {
            for (int x = 0; x < width; ++x)
                if (s[x] & 1)
                    d[x >> 3] |= uint8_t(0x80 >> (x & 7));
        } else if (b == 16) {
            std::memcpy(d, s, size_t(width) * 2);
        } else if (b == 24) {
            std::memcpy(d, s, size_t(width) * 3);
        } else {
            std::memcpy(d, s, size_t(width) * 4);
            if (info.AlphaMask == 0)
                for (int x = 0; x < width; ++x)
                    d[4 * x + 3] = 0;
        }
    }
    info.SizeImage = uint32_t(bits.size());
    dib.FBitsSize = bits.size();
    dib.FBits = std::make_shared<const QByteArray>(std::move(bits));
    *this = std::move(dib);
}

QByteArray TDIB::SaveToFileBytes() const
{
    QByteArray header;
    if (FInfo.HeaderSize == 108) {
        // Alpha pictures: a version 4 header with its masks and the sRGB space.
        QByteArray block = FInfo.Block();
        QByteArray v4 = block.left(40);
        v4.replace(0, 4, QByteArray("\x6C\0\0\0", 4));
        Put32(v4, FInfo.RedMask);
        Put32(v4, FInfo.GreenMask);
        Put32(v4, FInfo.BlueMask);
        Put32(v4, FInfo.AlphaMask);
        Put32(v4, 0x73524742); // 'sRGB'
        v4.append(QByteArray(108 - v4.size(), '\0'));
        header = v4;
    } else {
        header = FInfo.Block();
    }
    const QByteArray bits = Bits();
    QByteArray out;
    out.append("BM");
    Put32(out, uint32_t(14 + header.size() + bits.size()));
    Put32(out, 0);
    Put32(out, uint32_t(14 + header.size()));
    out.append(header);
    out.append(bits);
    return out;
}

// ---------------------------------------------------------------------------------
// Drawing

namespace {
int64_t gPrinterDirectDrawLimit = 0;
}

void TDIB::SetPrinterDirectDrawLimit(int64_t pixels)
{
    gPrinterDirectDrawLimit = std::max<int64_t>(0, pixels);
}

bool IsPrinterLike(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return false;
    // Printers and PDF pages are paged devices; pictures record for them.
    return device->devType() == QInternal::Printer || device->devType() == QInternal::Picture ||
           dynamic_cast<const QPagedPaintDevice*>(device) != nullptr;
}

bool TDIB::Draw(QPainter& painter, const QRect& destination, const QRect& source) const
{
    if (!IsPrinterLike(painter))
        return DrawDirect(painter, destination, source);
    if (DrawDirect(painter, destination, source))
        return true;
    return DrawRowByRow(painter, destination, source);
}

bool TDIB::DrawDirect(QPainter& painter, const QRect& destination, const QRect& source) const
{
    if (Empty() || (destination.isEmpty() && source.isEmpty()))
        return true;
    if (IsPrinterLike(painter) && gPrinterDirectDrawLimit > 0 &&
        int64_t(source.width()) * source.height() > gPrinterDirectDrawLimit)
        return false;
    const QImage image = ToImage();
    if (image.isNull())
        return false;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    DrawSharedImage(painter, QRectF(destination), image, QRectF(source));
    painter.restore();
    return true;
}

bool TDIB::DrawRowByRow(QPainter& painter, const QRect& destination, const QRect& source) const
{
    if (Empty())
        return true;
    const QImage image = ToImage();
    if (image.isNull())
        return false;
    const int rows = destination.height();
    const int sourceRows = Height();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int i = 0; i < rows; ++i) {
        const TRowSpan span = RowByRowSource(i, rows, sourceRows);
        painter.drawImage(QRect(destination.left(), destination.top() + i, destination.width(), 1), image,
                          QRect(source.left(), span.First, source.width(), span.End - span.First));
    }
    painter.restore();
    return true;
}

// ---------------------------------------------------------------------------------
// Colours and palettes

QRgb ColorToRgb(TColor colour)
{
    const uint32_t c = uint32_t(colour);
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

TColor RgbToColor(QRgb rgb)
{
    return TColor(uint32_t(qRed(rgb)) | (uint32_t(qGreen(rgb)) << 8) | (uint32_t(qBlue(rgb)) << 16));
}

int NearestPaletteIndex(const QVector<QRgb>& palette, QRgb colour)
{
    int best = -1;
    int64_t bestDistance = INT64_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour);
        const int dg = qGreen(palette[i]) - qGreen(colour);
        const int db = qBlue(palette[i]) - qBlue(colour);
        const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

const QVector<QRgb>& GreyPalette()
{
    static const QVector<QRgb> palette = [] {
        QVector<QRgb> p;
        for (int i = 0; i < 256; ++i)
            p.append(qRgb(i, i, i));
        return p;
    }();
    return palette;
}

namespace {

const QRgb kSystemFirst[10] = {
    qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(0, 128, 0),     qRgb(128, 128, 0),   qRgb(0, 0, 128),
    qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(192, 220, 192), qRgb(166, 202, 240)};
const QRgb kSystemLast[10] = {
    qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),
    qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255)};

// In place of the system halftone palette: a 6 × 6 × 6 colour cube and greys.
QVector<QRgb> HalftonePalette()
{
    QVector<QRgb> p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.append(qRgb(r * 51, g * 51, b * 51));
    for (int i = 1; i < 21; ++i)
        p.append(qRgb(i * 12, i * 12, i * 12));
    return p;
}

} // namespace

QVector<QRgb> MakeIdentityPalette(const QVector<QRgb>& source)
{
    QVector<QRgb> result(256, 0);
    QSet<QRgb> used;
    for (int i = 0; i < 10; ++i) {
        result[i] = kSystemFirst[i];
        result[246 + i] = kSystemLast[i];
        used.insert(kSystemFirst[i] & 0xFFFFFF);
        used.insert(kSystemLast[i] & 0xFFFFFF);
    }
    int next = 10;
    for (QRgb c : source) {
        if (next >= 246)
            break;
        c = qRgb(qRed(c), qGreen(c), qBlue(c));
        if (used.contains(c & 0xFFFFFF))
            continue;
        used.insert(c & 0xFFFFFF);
        result[next++] = c;
    }
    // Fillers: distinct colours walked through the cube with an odd step.
    uint32_t v = 0x010101;
    while (next < 246) {
        v = (v + 0x0F3B57) & 0xFFFFFF;
        if (used.contains(v))
            continue;
        used.insert(v);
        result[next++] = 0xFF000000u | v;
    }
    return result;
}

const QVector<QRgb>& DefaultPalette()
{
    static const QVector<QRgb> palette = MakeIdentityPalette(HalftonePalette());
    return palette;
}

QVector<QRgb> PaletteFromColorTable(const QByteArray& table, int count)
{
    QVector<QRgb> p;
    count = std::clamp(count, 0, 256);
    for (int i = 0; i < count && 4 * i + 3 < table.size(); ++i)
        p.append(qRgb(uint8_t(table[4 * i + 2]), uint8_t(table[4 * i + 1]), uint8_t(table[4 * i])));
    return p;
}

QByteArray ColorTableFromPalette(const QVector<QRgb>& palette)
{
    QByteArray out;
    const int count = std::min<int>(int(palette.size()), 256);
    for (int i = 0; i < count; ++i) {
        out.append(char(qBlue(palette[i])));
        out.append(char(qGreen(palette[i])));
        out.append(char(qRed(palette[i])));
        out.append('\0');
    }
    return out;
}

} // namespace velmo
