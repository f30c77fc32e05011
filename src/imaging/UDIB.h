#pragma once
// Device-independent bitmaps: our reader and writer of BMP files and DIB blocks (core
// and info headers, 1 to 32 bits per pixel, RLE4/RLE8, bit-field masks), the
// bitmap-file size rules, and drawing a DIB onto a painter with the row-by-row
// fallback that printers need.
#include "base/UExceptions.h"
#include "base/UGraphics.h"
#include "base/UStream.h"
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QVector>
#include <algorithm>
#include <cstdint>
#include <memory>

class QPainter;

namespace velmo {

// A picture whose data does not hold what it claims to.
VELMO_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
QString InvalidBitmapMessage(); // "ビットマップイメージが不正です"

// The pixel formats of bitmaps. 1, 4 and 8 bits are held as palette indices in a
// QImage::Format_Indexed8; 15 bits as Format_RGB555, 16 bits as Format_RGB16 (565),
// 24 bits as Format_BGR888 (blue, green, red in memory, as in a DIB), 32 bits as
// Format_RGB32 or, when the file carries alpha, Format_ARGB32 (blue, green, red,
// alpha in memory).
enum class TPixelFormat
{
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};

int BitsPerPixel(TPixelFormat format); // 0 for pfDevice and pfCustom
// The format a QImage of our layout stands for (8-bit indexed images are pf8bit).
TPixelFormat PixelFormatOf(const QImage& image);

// What a picture may claim: larger pictures are refused before anything is allocated.
constexpr int kMaxBitmapDimension = 65535;
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26; // 64 M pixels
bool BitmapSizeAllowed(int64_t width, int64_t height);

// BITMAPINFOHEADER values, whatever header they came from.
struct TBMPInfo
{
    uint32_t HeaderSize = 40;
    int32_t Width = 0;
    int32_t Height = 0; // positive: bottom-up rows
    uint16_t Planes = 1;
    uint16_t BitCount = 24;
    uint32_t Compression = 0;
    uint32_t SizeImage = 0;
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;
    uint32_t ClrUsed = 0;
    uint32_t ClrImportant = 0;
    // Bit-field masks (compression 3 and 6, and the masks of 52-byte and longer headers).
    uint32_t RedMask = 0;
    uint32_t GreenMask = 0;
    uint32_t BlueMask = 0;
    uint32_t AlphaMask = 0;
    QVector<QRgb> ColorTable;

    int AbsHeight() const;
    bool TopDown() const { return Height < 0; }
    // Capped at 255 (no depth), so that damaged headers cannot overflow it.
    int Bits() const { return int(std::min(int(BitCount) * int64_t(Planes), int64_t(255))); }
    // The 40-byte header followed by the colour table (or the three masks for
    // bit fields): the block a DIB is drawn with.
    QByteArray Block() const;
};

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

// The sizes of a bitmap file, measured from its header the way every reader of the
// program measures them.
struct TBitmapFileSizes
{
    int ColorCount = 0;
    int64_t HeaderAndColorTable = 0;
    int64_t ImageSize = 0;
};
// header points at the header (its first 4 bytes are its size); available is how
// many bytes are there. Raises EInvalidGraphic when the header is cut short.
TBitmapFileSizes MeasureBitmap(const char* header, int64_t available);

// The rows a destination row takes when a DIB is drawn row by row: destination row
// i of D draws the source rows [first, end) of H, at least one.
struct TRowSpan
{
    int First = 0;
    int End = 0;
};
TRowSpan RowByRowSource(int row, int destinationRows, int sourceRows);

// A device-independent bitmap: the info block and the pixel bits. The bits are
// shared between copies (Assign) and may refer into the bytes of the file they were
// read from.
class TDIB
{
public:
    TDIB() = default;

    const TBMPInfo& Info() const { return FInfo; }
    int Width() const { return FInfo.Width; }
    int Height() const { return FInfo.AbsHeight(); }
    bool Empty() const { return !FBits || Width() == 0 || Height() == 0; }
    // The pixel bytes as the header describes them (rows padded to 4 bytes, or RLE).
    QByteArray Bits() const;

    // A bitmap file (plain or in the compressed container) at the stream's position;
    // the stream ends up after the bitmap. Raises EInvalidGraphic
    // "ビットマップイメージが不正です" for data that is not a sound bitmap, EZLibError
    // for a damaged container; this DIB is unchanged then.
    void LoadFromStream(TStream& stream);
    // A bitmap file held in memory: its bits are used in place.
    void LoadFromFileBytes(const QByteArray& bytes);
    // The plain bitmap file this DIB was read from (empty for other DIBs).
    QByteArray FileBytes() const { return FFile; }

    // The pixels in our explicit layout (see TPixelFormat). Raises EInvalidGraphic
    // when RLE data runs off the picture.
    QImage ToImage() const;
    TPixelFormat PixelFormat() const;
    // A DIB of the image (in our layout). Paletted formats keep bits per pixel, palette
    // and indices.
    void FromImage(const QImage& image, TPixelFormat format);

    // A complete bitmap file: 14-byte file header, info header, colour table, bits.
    QByteArray SaveToFileBytes() const;

    void Assign(const TDIB& other) { *this = other; }

    // Draws the source rectangle (in DIB pixels, top-down) stretched into the
    // destination, without smoothing. On printer-like painters a refused direct
    // draw is done row by row. Returns whether anything was drawn.
    bool Draw(QPainter& painter, const QRect& destination, const QRect& source) const;
    bool DrawDirect(QPainter& painter, const QRect& destination, const QRect& source) const;
    bool DrawRowByRow(QPainter& painter, const QRect& destination, const QRect& source) const;
    // Direct draws of more source pixels than this are refused on printer-like painters
    // (a band limit; 0: no limit), as printer drivers refuse large stretches.
    static void SetPrinterDirectDrawLimit(int64_t pixels);

private:
    void ParseFile(const QByteArray& bytes, int64_t fileStart, int64_t available, bool fileHeader);

    TBMPInfo FInfo;
    // The bytes that hold the bits, with the offset and length of the bits in them.
    std::shared_ptr<const QByteArray> FBits;
    int64_t FBitsOffset = 0;
    int64_t FBitsSize = 0;
    QByteArray FFile;
    // Decoded once, on demand.
    mutable QImage FDecoded;
};

// Is the painter's device a printer or a PDF page (drawing goes through the DIB path)?
bool IsPrinterLike(const QPainter& painter);

// The palette entry nearest to a colour (squared distance), -1 for an empty palette.
int NearestPaletteIndex(const QVector<QRgb>& palette, QRgb colour);
QRgb ColorToRgb(TColor colour); // 0x00BBGGRR to QRgb, opaque
TColor RgbToColor(QRgb rgb);

// Shared palettes.
const QVector<QRgb>& GreyPalette();    // 256 entries (i, i, i)
const QVector<QRgb>& DefaultPalette(); // the identity palette of 256 entries
// The identity palette made from a source palette: the first 10 and last 10 system
// colours, the source's distinct colours between them, filler colours for the rest.
QVector<QRgb> MakeIdentityPalette(const QVector<QRgb>& source);
// Colour tables (blue, green, red, reserved) and palette entries (red, green, blue,
// flags) at most 256 entries; red and blue change places.
QVector<QRgb> PaletteFromColorTable(const QByteArray& table, int count);
QByteArray ColorTableFromPalette(const QVector<QRgb>& palette);

} // namespace velmo
