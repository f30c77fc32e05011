// The picture-format registry, its file filter, and pictures of the web formats read
// through the toolkit and kept as bitmaps with a key colour for their transparency.
#include "ImagingTestSupport.h"
#include "base/UStream.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

namespace velmo::test {
namespace {

class TGraphicA : public TSafetyBitmap
{
public:
    QString GraphicClassName() const override { return QStringLiteral("TGraphicA"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TGraphicA>(*this); }
};
class TGraphicB : public TGraphicA
{
public:
    QString GraphicClassName() const override { return QStringLiteral("TGraphicB"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TGraphicB>(*this); }
};

QString ClassOfExtension(const QString& extension)
{
    const TPictureFileFormat* f = FindPictureFileFormat(extension);
    return f ? f->Create()->GraphicClassName() : QString();
}

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (QByteArray(format) == "webp")
        writer.setQuality(100); // lossless
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

// A picture with a transparent hole, a half-covered band and opaque colours.
QImage AlphaPicture()
{
    QImage image(20, 10, QImage::Format_ARGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            image.setPixel(x, y, qRgba(x * 12, y * 25, 100, 255));
    for (int y = 2; y < 6; ++y)
        for (int x = 3; x < 9; ++x)
            image.setPixel(x, y, qRgba(0, 0, 0, 0));
    for (int x = 0; x < 20; ++x)
        image.setPixel(x, 9, qRgba(0, 0, 0, 200)); // mostly covered black
    return image;
}

class PictureFormats : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        RegisterPictureFormats();
    }
};

} // namespace

TEST_F(PictureFormats, StartUpRegistersTheClassicAndTheWebFormats)
{
    EXPECT_EQ(ClassOfExtension("bmp"), "TBitmap");
    EXPECT_EQ(ClassOfExtension(".CBM"), "TBitmap");
    EXPECT_EQ(ClassOfExtension("jpg"), "TSafetyJPEGImage"); // the later registration
    EXPECT_EQ(ClassOfExtension("JPEG"), "TSafetyJPEGImage");
    for (const char* e : {"png", "gif", "tif", "tiff", "webp"})
        EXPECT_EQ(ClassOfExtension(e), "TBitmap") << e; // kept as bitmaps
    EXPECT_EQ(FindPictureFileFormat("xyz"), nullptr);
    EXPECT_EQ(FindPictureFileFormat("jpg")->Description, "JPEG Image");
}

TEST_F(PictureFormats, LatestRegistrationWinsAndWithdrawalTakesDerivedClasses)
{
    RegisterPictureFileFormat<TGraphicA>("zzt", "Test A");
    RegisterPictureFileFormat<TGraphicB>("zzt", "Test B");
    RegisterPictureFileFormat<TGraphicA>("zzu", "Test A");
    EXPECT_EQ(ClassOfExtension("zzt"), "TGraphicB");
    UnRegisterPictureFileClass<TGraphicB>();
    EXPECT_EQ(ClassOfExtension("zzt"), "TGraphicA");
    RegisterPictureFileFormat<TGraphicB>("zzt", "Test B");
    UnRegisterPictureFileClass<TGraphicA>(); // B derives from A: both go
    EXPECT_EQ(FindPictureFileFormat("zzt"), nullptr);
    EXPECT_EQ(FindPictureFileFormat("zzu"), nullptr);
    EXPECT_EQ(ClassOfExtension("bmp"), "TBitmap"); // TAppBitmap is no TGraphicA
}

TEST_F(PictureFormats, TheFileFilterListsEveryFormat)
{
    const QString filter = GraphicFileFilter();
    const QStringList parts = filter.split(";;");
    ASSERT_GE(parts.size(), 5);
    EXPECT_TRUE(parts[0].startsWith("すべての画像ファイル ("));
    for (const char* e : {"*.bmp", "*.cbm", "*.jpg", "*.jpeg", "*.png", "*.gif", "*.tif", "*.webp"})
        EXPECT_TRUE(parts[0].contains(e)) << e;
    EXPECT_TRUE(parts.contains("JPEG Image (*.jpg *.jpeg)")) << filter.toStdString();
    EXPECT_TRUE(parts.contains("Bitmaps (*.bmp)"));
    EXPECT_TRUE(parts.contains("Compressed Bitmaps (*.cbm)"));
    EXPECT_TRUE(parts.contains("Portable Network Graphics (*.png)"));
    EXPECT_EQ(parts[0].count("*.jpg"), 1); // one entry per extension
}

TEST_F(PictureFormats, APNGWithAlphaGetsAKeyColourItDoesNotContain)
{
    const QImage source = AlphaPicture();
    TLoadedPicture loaded = LoadPictureBytes(Encode(source, "png"), "png");
    ASSERT_NE(loaded.KeyColor, clNone);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(loaded.Graphic.get());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GraphicClassName(), "TBitmap");
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf24bit);
    const QRgb key = ColorToRgb(loaded.KeyColor);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const QRgb got = PixelColor(bitmap->Pixels(), x, y);
            const QRgb want = source.pixel(x, y);
            if (qAlpha(want) == 0) {
                ASSERT_EQ(got, key) << x << "," << y;
            } else if (qAlpha(want) == 255) {
                ASSERT_EQ(got, want | 0xFF000000u) << x << "," << y;
                ASSERT_NE(got, key);
            } else {
                // 200/255 black over white: 55.
                ASSERT_EQ(qRed(got), 55);
                ASSERT_NE(got, key);
            }
        }
}

TEST_F(PictureFormats, TheKeyAvoidsColoursThePictureHas)
{
    // Every preferred magenta taken, and the hole: the key is still unused.
    QImage image(256, 2, QImage::Format_ARGB32);
    for (int step = 0; step < 256; ++step) {
        const int r = 255 - step, g = step & 0x0F, b = 255 - (step >> 4);
        image.setPixel(step, 0, qRgba(r, g, b, 255));
        image.setPixel(step, 1, qRgba(0, 0, 0, 0));
    }
    const TColor key = UnusedColor(image);
    ASSERT_NE(key, clNone);
    for (int x = 0; x < 256; ++x)
        EXPECT_NE(ColorToRgb(key), image.pixel(x, 0) | 0xFF000000u);
    // Clear pixels do not count as used.
    QImage clear(1, 1, QImage::Format_ARGB32);
    clear.setPixel(0, 0, qRgba(255, 0, 255, 0));
    EXPECT_EQ(UnusedColor(clear), TColor(0xFF00FF));
}

TEST_F(PictureFormats, APNGWithoutAlphaHasNoKey)
{
    const QImage source = RandomPicture(13, 7, 20).convertToFormat(QImage::Format_RGB32);
    TLoadedPicture loaded = LoadPictureBytes(Encode(source, "png"), "png");
    EXPECT_EQ(loaded.KeyColor, clNone);
    ASSERT_NE(loaded.Graphic, nullptr);
    EXPECT_EQ(loaded.Graphic->Image().convertToFormat(QImage::Format_RGB32), source);
    // Alpha present but everything covered: no key either.
    QImage covered = source.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(LoadPictureBytes(Encode(covered, "png"), "png").KeyColor, clNone);
}

TEST_F(PictureFormats, GIFTIFFAndWebPAreRead)
{
    const QImage source = RandomPicture(24, 16, 21).convertToFormat(QImage::Format_RGB32);
    for (const char* f : {"tiff", "webp"}) {
        TLoadedPicture loaded = LoadPictureBytes(Encode(source, f), f);
        ASSERT_NE(loaded.Graphic, nullptr) << f;
        EXPECT_EQ(loaded.Graphic->Image().convertToFormat(QImage::Format_RGB32), source) << f;
    }
    // Qt writes no GIF; Pillow does.
    QTemporaryDir dir;
    const QString gif = dir.filePath("p.gif");
    const ProcessResult r =
        RunProgram(Python(), {"-c",
                              "import sys; from PIL import Image; im = Image.new('P', (5, 3)); "
                              "im.putpalette([255,0,0, 0,0,255] + [0]*762); "
                              "im.putdata([0,1,0,1,0, 1,1,1,1,1, 0,0,0,0,0]); im.save(sys.argv[1], "
                              "transparency=1)",
                              gif});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    TLoadedPicture loaded = LoadPictureFile(gif);
    ASSERT_NE(loaded.Graphic, nullptr);
    const QImage got = loaded.Graphic->Image();
    ASSERT_EQ(got.size(), QSize(5, 3));
    EXPECT_EQ(PixelColor(got, 0, 0), qRgb(255, 0, 0));
    ASSERT_NE(loaded.KeyColor, clNone); // palette index 1 is transparent
    EXPECT_EQ(PixelColor(got, 1, 0), ColorToRgb(loaded.KeyColor));
    EXPECT_EQ(PixelColor(got, 0, 2), qRgb(255, 0, 0));
}

// A PNG chunk with its CRC.
static QByteArray Chunk(const char* type, const QByteArray& data)
{
    QByteArray out;
    const uint32_t n = uint32_t(data.size());
    out += char(n >> 24);
    out += char(n >> 16);
    out += char(n >> 8);
    out += char(n);
    QByteArray body = QByteArray(type) + data;
    out += body;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()));
    out += char(crc >> 24);
    out += char(crc >> 16);
    out += char(crc >> 8);
    out += char(crc);
    return out;
}

TEST_F(PictureFormats, EveryFormatHasTheBitmapSizeCap)
{
    // A PNG header claiming 60000 × 60000 (3.6 G pixels) with a little data.
    QByteArray ihdr;
    for (uint32_t v : {60000u, 60000u}) {
        ihdr += char(v >> 24);
        ihdr += char(v >> 16);
        ihdr += char(v >> 8);
        ihdr += char(v);
    }
    ihdr += QByteArray::fromHex("0802000000"); // 8-bit RGB
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a") + Chunk("IHDR", ihdr) +
                           Chunk("IDAT", QByteArray::fromHex("789c0300000000")) + Chunk("IEND", {});
    EXPECT_THROW(LoadPictureBytes(png, "png"), EInvalidGraphic);

    // A TIFF that says 70000 pixels wide.
    const QImage small = RandomPicture(4, 4, 22).convertToFormat(QImage::Format_RGB32);
    QByteArray tiff = Encode(small, "tiff");
    // Find the ImageWidth tag (256) in the first directory and make it huge.
    const uint32_t ifd = uchar(tiff[4]) | uchar(tiff[5]) << 8 | uchar(tiff[6]) << 16 | uchar(tiff[7]) << 24;
    const int entries = uchar(tiff[int(ifd)]) | uchar(tiff[int(ifd) + 1]) << 8;
    bool patched = false;
    for (int i = 0; i < entries; ++i) {
        const int at = int(ifd) + 2 + 12 * i;
        const int tag = uchar(tiff[at]) | uchar(tiff[at + 1]) << 8;
        const int type = uchar(tiff[at + 2]) | uchar(tiff[at + 3]) << 8;
        if (tag == 256 || tag == 257) {
            if (type == 3) { // SHORT: 65535 × 65535 is past the pixel cap
                tiff[at + 8] = char(0xFF);
                tiff[at + 9] = char(0xFF);
            } else {
                tiff[at + 8] = char(0x70);
                tiff[at + 9] = char(0x11);
                tiff[at + 10] = char(0x01);
            }
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    EXPECT_THROW(LoadPictureBytes(tiff, "tif"), EInvalidGraphic);
}

TEST_F(PictureFormats, DamagedFilesAreInvalidGraphics)
{
    const QByteArray png = Encode(AlphaPicture(), "png");
    for (int n : {0, 8, 20, 40}) {
        EXPECT_THROW(LoadPictureBytes(png.left(n), "png"), EInvalidGraphic) << n;
    }
    EXPECT_THROW(LoadPictureBytes("not a picture at all", "webp"), EInvalidGraphic);
    EXPECT_THROW(LoadPictureBytes("BM", "bmp"), EInvalidGraphic);
    EXPECT_THROW(LoadPictureBytes({}, "bmp"), EInvalidGraphic);
    EXPECT_THROW(LoadPictureBytes("\xFF\xD8\xFF", "jpg"), EInvalidGraphic);
    // A PNG named .gif is read as what its name says: not a GIF.
    EXPECT_THROW(LoadPictureBytes(png, "gif"), EInvalidGraphic);
    try {
        LoadPictureBytes(png, "xyz");
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "未知の画像ファイル拡張子です (.xyz)");
    }
    EXPECT_THROW(LoadPictureFile("/nonexistent/picture.png"), Exception);
}

TEST_F(PictureFormats, ImageDataLoadsAPNGWithItsTransparency)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("alpha.png");
    WriteFileBytes(file, Encode(AlphaPicture(), "png"));
    TImageData d;
    d.LoadFromFile(file);
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 20, 10}));
    ASSERT_TRUE(d.HasTransparency());
    auto* shown = dynamic_cast<TSafetyBitmap*>(d.DisplayPicture()->Graphic());
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(shown->Transparent());
    shown->PrepareMask();
    const QImage mask = shown->MaskedImage().GetMask();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool hole = x >= 3 && x < 9 && y >= 2 && y < 6;
            ASSERT_EQ(mask.pixelIndex(x, y) == 1, hole) << x << "," << y;
        }
    // Stored as a plain bitmap that any bitmap reader takes.
    const QByteArray stored = d.Picture()->Graphic()->FileBytes();
    EXPECT_TRUE(stored.startsWith("BM"));

    // A JPEG keeps the key colour it had.
    const QString jpg = dir.filePath("p.jpg");
    WriteFileBytes(jpg, EncodeJPEG(RandomPicture(16, 16, 23)));
    d.SetTransparentColor(clWhite);
    d.LoadFromFile(jpg);
    EXPECT_EQ(d.TransparentColor(), clWhite);
    EXPECT_TRUE(IsJPEGGraphic(d.Picture()->Graphic()));
}

} // namespace velmo::test

namespace velmo::test {

// Headers whose planes × bits and row bytes × height overflowed 32 and 64 bits (found by
// fuzz_picture_file): refused as bad bitmaps.
TEST_F(PictureFormats, BitmapHeadersWithAbsurdDepthsAreRefused)
{
    auto header = [](uint32_t headerSize, int32_t w, int32_t h, uint16_t planes, uint16_t bits) {
        QByteArray b("BM");
        auto put32 = [&b](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b += char((v >> (8 * i)) & 0xFF);
        };
        auto put16 = [&b](uint16_t v) {
            b += char(v & 0xFF);
            b += char(v >> 8);
        };
        put32(0);
        put32(0);
        put32(0);
        put32(headerSize);
        if (headerSize == 12) {
            put16(uint16_t(w));
            put16(uint16_t(h));
        } else {
            put32(uint32_t(w));
            put32(uint32_t(h));
        }
        put16(planes);
        put16(bits);
        b += QByteArray(int(headerSize) - (headerSize == 12 ? 12 : 16), '\0');
        b += QByteArray(64, '\x55');
        return b;
    };
    for (const QByteArray& bmp :
         {header(40, 0x7FFFFFFF, 0x7FFFFFFF, 0xFFFF, 0xFF01), header(40, 0x7FFFFFFF, -0x7FFFFFFF, 1, 32),
          header(12, 0xFFFF, 0xFFFF, 0xFF01, 0xFFFF), header(40, 3, 2, 0xFFFF, 0xFFFF)}) {
        EXPECT_THROW(LoadPictureBytes(bmp, "bmp"), EInvalidGraphic);
        TAppBitmap bitmap;
        EXPECT_THROW(bitmap.SetFileBytes(bmp), EInvalidGraphic);
        EXPECT_TRUE(bitmap.Empty());
    }
}

} // namespace velmo::test
