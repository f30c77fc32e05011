// Damaged bitmaps, the picture form in component streams, masks and the printer path.
#include "ImagingTestSupport.h"
#include "base/UClassesFiler.h"
#include "imaging/UDIB.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "storage/UZLibStream.h"
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QByteArray SmallBmp(TPixelFormat format = TPixelFormat::pf24bit)
{
    TSafetyBitmap b;
    b.SetImage(RandomPicture(5, 3, 1), format);
    return b.FileBytes();
}

void Put32(QByteArray& b, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace

TEST(BitmapDamage, BadBitmapsRaiseTheMessageAndKeepThePicture)
{
    TSafetyBitmap bitmap;
    const QByteArray good = SmallBmp();
    bitmap.SetFileBytes(good);
    std::vector<QByteArray> bad;
    bad.push_back("BX" + good.mid(2));         // signature
    bad.push_back(good.left(20));              // header cut
    bad.push_back(good.left(good.size() - 1)); // bits cut
    for (uint32_t hs : {0u, 11u, 13u, 39u, 2000u, 0xFFFFFFFFu}) {
        QByteArray b = good;
        Put32(b, 14, hs);
        bad.push_back(b);
    }
    for (uint32_t w : {0u, 0x80000000u, 70000u}) { // width 0, negative, huge
        QByteArray b = good;
        Put32(b, 18, w);
        bad.push_back(b);
    }
    for (uint32_t h : {0u, 0x80000000u, 60000u}) {
        QByteArray b = good;
        Put32(b, 22, h);
        bad.push_back(b);
    }
    {
        QByteArray b = good; // bit count 7
        b[28] = 7;
        bad.push_back(b);
    }
    {
        QByteArray b = good; // planes × bits beyond int (61937 × 61937, found by fuzzing)
        b[26] = char(0xF1);
        b[27] = char(0xF1);
        b[28] = char(0xF1);
        b[29] = char(0xF1);
        bad.push_back(b);
    }
    {
        QByteArray b = good; // RLE8 on a 24-bit picture
        Put32(b, 30, 1);
        bad.push_back(b);
    }
    {
        QByteArray b = SmallBmp(TPixelFormat::pf8bit); // a colour count beyond the data
        Put32(b, 46, 60000);
        bad.push_back(b);
    }
    for (const QByteArray& b : bad) {
        try {
            bitmap.SetFileBytes(b);
            ADD_FAILURE() << "accepted " << Hex(b.left(40)).toStdString();
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です"));
        }
        EXPECT_TRUE(bitmap.FileBytes() == good);
        EXPECT_EQ(bitmap.Width(), 5);
    }
}

TEST(BitmapDamage, RleRunsStayInsideThePicture)
{
    // 4 × 2 RLE8: a run longer than the row, a delta far outside, an absolute run that
    // claims more than the data holds.
    QByteArray b("BM");
    b.append(QByteArray(12, '\0'));
    QByteArray info(40, '\0');
    Put32(info, 0, 40);
    Put32(info, 4, 4);
    Put32(info, 8, 2);
    info[12] = 1;
    info[14] = 8;
    Put32(info, 16, 1);
    b.append(info);
    for (int i = 0; i < 256; ++i)
        b.append(QByteArray("\x10\x20\x30\0", 4));
    Put32(b, 10, uint32_t(b.size()));
    b.append(Bytes({200, 1, 0, 2, 255, 255, 0, 0, 0, 200, 5, 6}));
    TSafetyBitmap bitmap;
    bitmap.SetFileBytes(b);
    ASSERT_EQ(bitmap.Width(), 4);
    const QImage p = bitmap.Pixels();
    EXPECT_EQ(p.constScanLine(1)[3], 1); // bottom row filled by the clipped run
}

TEST(BitmapDamage, CompressedContainerLies)
{
    const QByteArray good = SmallBmp();
    TMemoryStream plain(good);
    TMemoryStream cbm;
    Compress(plain, cbm, TCompressionLevel::clDefault);
    QByteArray damaged = cbm.Data();
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
    QByteArray huge = cbm.Data();
    Put32(huge, 13, 0xFFFFFFF0u);
    TSafetyBitmap bitmap;
    bitmap.SetFileBytes(cbm.Data());
    EXPECT_THROW(bitmap.SetFileBytes(damaged), Exception);
    EXPECT_THROW(bitmap.SetFileBytes(huge), Exception);
    EXPECT_THROW(bitmap.SetFileBytes(cbm.Data().left(20)), Exception);
    EXPECT_TRUE(bitmap.FileBytes() == good);
}

TEST(PictureForm, BitmapsAreReadAndWrittenByteExactly)
{
    RegisterImagingGraphics();
    const QByteArray bmp = SmallBmp(TPixelFormat::pf8bit);
    // The picture's Data: class name, length, the bitmap, then whatever follows.
    QByteArray data;
    data.append(char(7));
    data.append("TBitmap");
    QByteArray len(4, '\0');
    Put32(len, 0, uint32_t(bmp.size() + 3)); // three bytes more than the headers say
    data.append(len);
    data.append(bmp);
    data.append("xyz");
    data.append("after");
    TMemoryStream stream(data);
    TPicture picture;
    picture.ReadData(stream);
    auto* bitmap = dynamic_cast<TAppBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    // Exactly the stored length is consumed.
    EXPECT_EQ(stream.ReadBytes(5), QByteArray("after"));
    // Written back: class name, length and the file as read.
    TMemoryStream out;
    picture.WriteData(out);
    EXPECT_TRUE(out.Data() == data.left(data.size() - 5));
    // A changed picture is written as a new file of the same format.
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    TMemoryStream changed;
    picture.WriteData(changed);
    EXPECT_EQ(changed.Data().mid(1, 7), QByteArray("TBitmap"));
    EXPECT_EQ(uint8_t(changed.Data()[12 + 28]), 24);
}

TEST(PictureForm, JpegImages)
{
    RegisterImagingGraphics();
    const QByteArray jpg = EncodeJPEG(RandomPicture(8, 8, 2), 70);
    QByteArray data;
    data.append(char(10));
    data.append("TJPEGImage");
    QByteArray len(4, '\0');
    Put32(len, 0, uint32_t(jpg.size()));
    data.append(len);
    data.append(jpg);
    TMemoryStream stream(data);
    TPicture picture;
    picture.ReadData(stream);
    auto* jpeg = dynamic_cast<TAppJPEGImage*>(picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Width(), 8);
    TMemoryStream out;
    picture.WriteData(out);
    EXPECT_TRUE(out.Data() == data);
}

TEST(Mask, ExactKeyOnlyAndWhitenedCopy)
{
    QImage image(4, 1, QImage::Format_BGR888);
    image.setPixelColor(0, 0, QColor(0xF0, 0xF0, 0xF0));
    image.setPixelColor(1, 0, QColor(0xF0, 0xF0, 0xF1));
    image.setPixelColor(2, 0, QColor(1, 2, 3));
    image.setPixelColor(3, 0, QColor(0xF0, 0xF0, 0xF0));
    const QImage mask = TMaskedImage::MakeMask(image, TPixelFormat::pf24bit, 0xF0F0F0);
    EXPECT_EQ(mask.pixelIndex(0, 0), 1);
    EXPECT_EQ(mask.pixelIndex(1, 0), 0);
    EXPECT_EQ(mask.pixelIndex(2, 0), 0);
    EXPECT_EQ(mask.pixelIndex(3, 0), 1);
    TMaskedImage masked;
    masked.Prepare(image, TPixelFormat::pf24bit, 0xF0F0F0);
    EXPECT_EQ(masked.Whitened().pixelColor(0, 0), QColor(255, 255, 255));
    EXPECT_EQ(masked.Whitened().pixelColor(2, 0), QColor(1, 2, 3));
    // 8 bits: only when the nearest palette entry is the key itself.
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0xF0, 0xF0, 0xF1), qRgb(0, 0, 0)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    EXPECT_EQ(TMaskedImage::MakeMask(indexed, TPixelFormat::pf8bit, 0xF0F0F0).pixelIndex(0, 0), 0);
    indexed.setColor(0, qRgb(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(TMaskedImage::MakeMask(indexed, TPixelFormat::pf8bit, 0xF0F0F0).pixelIndex(0, 0), 1);
    // 4 bits: each pixel's colour.
    TSafetyBitmap four;
    four.SetImage(indexed, TPixelFormat::pf4bit);
    EXPECT_EQ(TMaskedImage::MakeMask(four.Pixels(), TPixelFormat::pf4bit, 0xF0F0F0).pixelIndex(0, 0), 1);
}

TEST(Mask, WhiteKeyShowsTheBackgroundAndAssignCarriesTheMask)
{
    QImage image(2, 2, QImage::Format_BGR888);
    image.fill(Qt::white);
    image.setPixelColor(1, 1, QColor(9, 9, 9));
    TSafetyBitmap bitmap;
    bitmap.SetImage(image);
    bitmap.SetTransparentColor(clWhite);
    bitmap.SetTransparent(true);
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(QColor(200, 0, 0));
    {
        QPainter p(&canvas);
        bitmap.Draw(p, canvas.rect());
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(canvas.pixel(3, 3), qRgb(9, 9, 9));
    EXPECT_FALSE(bitmap.MaskedImage().MaskDirty());
    TSafetyBitmap copy;
    copy.Assign(bitmap);
    EXPECT_FALSE(copy.MaskedImage().MaskDirty());
    EXPECT_EQ(copy.MaskedImage().GetMask(), bitmap.MaskedImage().GetMask());
    EXPECT_TRUE(copy.Equals(bitmap));
    copy.SetPixelFormat(TPixelFormat::pf32bit);
    EXPECT_TRUE(copy.MaskedImage().MaskDirty());
}

TEST(Printer, RowByRowMapping)
{
    const TRowSpan first = RowByRowSource(0, 300, 1000);
    EXPECT_EQ(first.First, 0);
    EXPECT_EQ(first.End, 3);
    const TRowSpan last = RowByRowSource(299, 300, 1000);
    EXPECT_EQ(last.First, 996);
    EXPECT_EQ(last.End, 1000);
    const TRowSpan grow = RowByRowSource(5, 10, 3); // enlarging: at least one row
    EXPECT_EQ(grow.End - grow.First, 1);
}

TEST(Printer, PrinterLikeDevicesDrawThroughTheDIBAndFallBackRowByRow)
{
    TSafetyBitmap bitmap;
    bitmap.SetImage(RandomPicture(6, 100, 4));
    QPicture recording; // a device that records for printers
    {
        QPainter p(&recording);
        EXPECT_TRUE(IsPrinterLike(p));
        TDIB::SetPrinterDirectDrawLimit(10);
        bitmap.Draw(p, QRect(0, 0, 6, 30));
        TDIB::SetPrinterDirectDrawLimit(0);
    }
    QImage played(6, 30, QImage::Format_RGB32);
    played.fill(Qt::black);
    {
        QPainter p(&played);
        recording.play(&p);
    }
    // Each destination row shows one of its own source rows.
    for (int i = 0; i < 30; ++i) {
        const TRowSpan span = RowByRowSource(i, 30, 100);
        bool found = false;
        for (int row = span.First; row < span.End; ++row)
            found = found || played.pixel(2, i) == PixelColor(bitmap.Pixels(), 2, row);
        EXPECT_TRUE(found) << i;
    }
    QImage screen(6, 30, QImage::Format_RGB32);
    QPainter p(&screen);
    EXPECT_FALSE(IsPrinterLike(p));
}

TEST(Clipboard, DibWithoutFileHeader)
{
    const QByteArray file = SmallBmp(TPixelFormat::pf8bit);
    TSafetyBitmap bitmap;
    bitmap.LoadFromClipboardFormat(CF_DIB, file.mid(14));
    TSafetyBitmap direct;
    direct.SetFileBytes(file);
    EXPECT_EQ(RgbaBytes(bitmap.Pixels(), bitmap.PixelFormat()),
              RgbaBytes(direct.Pixels(), direct.PixelFormat()));
    EXPECT_THROW(bitmap.LoadFromClipboardFormat(3, file), EInvalidGraphic);
}

TEST(Palettes, GreyAndIdentity)
{
    EXPECT_EQ(GreyPalette().size(), 256);
    EXPECT_EQ(GreyPalette()[77], qRgb(77, 77, 77));
    const QVector<QRgb>& p = DefaultPalette();
    ASSERT_EQ(p.size(), 256);
    EXPECT_EQ(p[0], qRgb(0, 0, 0));
    EXPECT_EQ(p[255], qRgb(255, 255, 255));
    QSet<QRgb> seen;
    for (QRgb c : p)
        seen.insert(c & 0xFFFFFF);
    EXPECT_EQ(seen.size(), 256);
    const QByteArray table = ColorTableFromPalette({qRgb(1, 2, 3)});
    EXPECT_EQ(table, QByteArray("\x03\x02\x01\x00", 4));
    EXPECT_EQ(PaletteFromColorTable(table, 1)[0], qRgb(1, 2, 3));
}
