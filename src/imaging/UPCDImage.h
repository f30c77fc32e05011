#pragma once
// Photo CD image packs: our decoder of the three base resolutions (Base/16, Base/4 and
// Base, 192 × 128 to 768 × 512), the access object the picture dialogs work through,
// and the bitmap class the picture-format registry opens ".pcd" files with.
//
// The file: 2048-byte sectors; "PCD_IPI" at 0x800 marks an image pack; the low two
// bits of byte 0xE02 say how the photograph was turned when it was scanned; each base
// resolution is stored uncompressed at a fixed offset as rows of PhotoYCC: two luma
// rows, then one row of each chroma channel at half width.
#include "base/UExceptions.h"
#include "imaging/USafetyBitmap.h"
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

namespace velmo {

class TStream;

VELMO_DECLARE_EXCEPTION(EPCDError, Exception)

// Result codes of the decoder (0 success, failures negative).
enum : int16_t
{
    pcdOK = 0,
    pcdCannotOpen = -1,    // the file cannot be read
    pcdNotImagePack = -2,  // no image pack signature, or too short for any resolution
    pcdBadResolution = -3, // a resolution the pack does not hold
    pcdBadFormat = -4,     // a format other than 10, 11, 13
    pcdBadTransform = -5,  // a transform outside 0 … 7
    pcdNotOpen = -6,       // no image open
    pcdTooLarge = -7       // the file is larger than any image pack
};

// Formats of the decoded picture.
constexpr int kPCDFormatGrey = 10;    // 256 grey levels
constexpr int kPCDFormatRGB = 11;     // 24-bit colour
constexpr int kPCDFormatPalette = 13; // 256-colour palette

// The stored size of resolution 1 … 3; an invalid size for any other.
QSize PCDResolutionSize(int resolution);
// Where the resolution's rows start in the file and how many bytes they take.
int64_t PCDResolutionOffset(int resolution);
int64_t PCDResolutionBytes(int resolution);
// The transform that turns a pack's stored photograph upright (from byte 0xE02).
int PCDUprightTransform(int orientationBits);
// Applies a transform (bit 0 vertical flip, bit 1 horizontal flip, bit 2 a quarter
// turn anticlockwise before the flips).
QImage ApplyPCDTransform(const QImage& image, int transform);

// One open image pack, with the calls the access object makes of it. Every call
// answers a result code; nothing throws except allocation failure.
class TPCDDecoder
{
public:
    int16_t Open(const QString& fileName);
    int16_t OpenBytes(const QByteArray& bytes);
    int16_t Close();
    bool IsOpen() const { return FOpen; }
    int16_t GetCount(int& mask) const;
    int16_t GetResolution(int& value) const;
    int16_t SetResolution(int value);
    int16_t GetFormat(int& value) const;
    int16_t SetFormat(int value);
    int16_t GetTransform(int& value) const;
    int16_t SetTransform(int value);
    // The picture at the current resolution, format and transform, in our pixel layout
    // (24 bits as BGR888, 8 bits indexed with its palette).
    int16_t LoadImage(QImage& image) const;

private:
    QByteArray FBytes;
    bool FOpen = false;
    int FMask = 0;
    int FResolution = 0;
    int FFormat = kPCDFormatRGB;
    int FTransform = 0;
};

// The screen depth the access object decides the first format by; tests may set it
// (0 returns to the screen's own depth).
int PCDScreenDepth();
void SetPCDScreenDepth(int bits);

class TPCDAccess
{
public:
    TPCDAccess() = default;
    ~TPCDAccess();
    TPCDAccess(const TPCDAccess&) = delete;
    TPCDAccess& operator=(const TPCDAccess&) = delete;

    // Opens a pack (closing any open one first) and chooses its smallest resolution
    // and the format the screen shows best; false when it cannot be opened.
    bool Open(const QString& fileName);
    bool OpenBytes(const QByteArray& bytes);
    bool Close();
    bool IsOpen() const { return FDecoder.IsOpen(); }
    int ResolutionMask() const { return FMask; }
    int16_t LastResult() const { return FResult; }

    // Failures raise EPCDError with the decoder's result code.
    int Resolution();
    void SetResolution(int value);
    int Format();
    void SetFormat(int value);
    int Transform();
    void SetTransform(int value);

    // The picture at the current settings as a BMP file written to the stream.
    bool LoadImage(TStream& stream);
    // The picture into a bitmap; false leaves the bitmap as it was.
    bool LoadBitmap(TSafetyBitmap& bitmap);

private:
    bool AfterOpen();
    TPCDDecoder FDecoder;
    int16_t FResult = 0;
    int FMask = 0;
};

// A bitmap read from a Photo CD file at the pack's smallest resolution, upright.
// Stored in pictures as a plain bitmap, so documents need no Photo CD reader.
class TPCDBitmap final : public TSafetyBitmap
{
public:
    using TSafetyBitmap::TSafetyBitmap;
    QString GraphicClassName() const override { return QStringLiteral("TBitmap"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPCDBitmap>(*this); }
    // An unreadable pack leaves the bitmap empty.
    void LoadFromPCDFile(const QString& fileName);
    void LoadFromPCDBytes(const QByteArray& bytes);
};

// Registers "pcd" ("PCD Bitmaps") with the picture-format registry.
void RegisterPCDFormat();

} // namespace velmo
