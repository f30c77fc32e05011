// Photo CD image packs: pictures written by ImageMagick (an independent writer and
// reader) decode at every base resolution to the pixels ImageMagick reads, turned
// upright; damaged packs are refused without a crash.
#include "base/UStream.h"
#include "imaging/UPCDImage.h"
#include "imaging/UPictureFormats.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// A smooth picture with colour in every corner and a few hard edges: what the
// format's subsampled chroma is made for, with edges that test its upsampling.
bool MakeSource(const QString& path, int width, int height)
{
    const ProcessResult r = RunProgram("convert", {"-size",
                                                   QStringLiteral("%1x%2").arg(width).arg(height),
                                                   "gradient:#d03020-#2040c0",
                                                   "(",
                                                   "-size",
                                                   QStringLiteral("%1x%2").arg(width).arg(height),
                                                   "gradient:#f0e040-#108030",
                                                   "-rotate",
                                                   "0",
                                                   ")",
                                                   "-compose",
                                                   "blend",
                                                   "-define",
                                                   "compose:args=50",
                                                   "-composite",
                                                   "-fill",
                                                   "#ffffff",
                                                   "-draw",
                                                   QStringLiteral("rectangle %1,%2 %3,%4")
                                                       .arg(width / 8)
                                                       .arg(height / 8)
                                                       .arg(width / 4)
                                                       .arg(height / 4),
                                                   "-fill",
                                                   "#000000",
                                                   "-draw",
                                                   QStringLiteral("circle %1,%2 %3,%4")
                                                       .arg(width * 3 / 4)
                                                       .arg(height / 2)
                                                       .arg(width * 3 / 4 + width / 10)
                                                       .arg(height / 2),
                                                   path});
    return r.ExitCode == 0;
}

bool MakePCD(const QString& source, const QString& pcd)
{
    return RunProgram("convert", {source, pcd}).ExitCode == 0;
}

// ImageMagick's reading of a pack at a size (its scene by -size).
QImage MagickRead(const QString& pcd, QSize size)
{
    const ProcessResult r =
        RunProgram("convert", {"-size", QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), pcd,
                               "-depth", "8", "ppm:-"});
    if (r.ExitCode != 0)
        return {};
    return QImage::fromData(r.StdOut, "PPM").convertToFormat(QImage::Format_RGB888);
}

struct Diff
{
    double Mean = 1e9;
    double P99 = 1e9;
};

Diff Compare(const QImage& ours, const QImage& theirs)
{
    if (ours.size() != theirs.size())
        return {};
    const QImage a = ours.convertToFormat(QImage::Format_RGB888);
    std::vector<int> histogram(256, 0);
    double sum = 0;
    int64_t n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = theirs.constScanLine(y);
        for (int x = 0; x < a.width() * 3; ++x) {
            const int d = std::abs(int(p[x]) - int(q[x]));
            sum += d;
            ++histogram[d];
            ++n;
        }
    }
    Diff result;
    result.Mean = sum / double(n);
    int64_t seen = 0;
    for (int d = 0; d < 256; ++d) {
        seen += histogram[d];
        if (seen >= n * 99 / 100) {
            result.P99 = d;
            break;
        }
    }
    return result;
}

QImage Decode(const QString& pcd, int resolution, int format = kPCDFormatRGB)
{
    TPCDAccess access;
    if (!access.Open(pcd))
        return {};
    access.SetResolution(resolution);
    access.SetFormat(format);
    TAppBitmap bitmap;
    if (!access.LoadBitmap(bitmap))
        return {};
    return bitmap.Image();
}

class PCDTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetPCDScreenDepth(24);
    }
    void TearDown() override { SetPCDScreenDepth(0); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Landscape()
    {
        const QString pcd = Path("land.pcd");
        if (!QFile::exists(pcd)) {
            EXPECT_TRUE(MakeSource(Path("land.ppm"), 768, 512));
            EXPECT_TRUE(MakePCD(Path("land.ppm"), pcd));
        }
        return pcd;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PCDTest, EachBaseResolutionMatchesImageMagick)
{
    const QString pcd = Landscape();
    for (int r = 1; r <= 3; ++r) {
        SCOPED_TRACE(r);
        const QImage ours = Decode(pcd, r);
        ASSERT_EQ(ours.size(), PCDResolutionSize(r));
        const QImage theirs = MagickRead(pcd, PCDResolutionSize(r));
        ASSERT_EQ(theirs.size(), PCDResolutionSize(r));
        const Diff d = Compare(ours, theirs);
        EXPECT_LT(d.Mean, 1.0);
        EXPECT_LE(d.P99, 3);
    }
}

TEST_F(PCDTest, PortraitPackComesOutUpright)
{
    ASSERT_TRUE(MakeSource(Path("port.ppm"), 512, 768));
    ASSERT_TRUE(MakePCD(Path("port.ppm"), Path("port.pcd")));
    // The writer stores the photograph lying on its side and records the turn.
    const QByteArray bytes = ReadFileBytes(Path("port.pcd"));
    ASSERT_GT(bytes.size(), 0xE02);
    EXPECT_NE(uint8_t(bytes[0xE02]) & 3, 0);
    TPCDAccess access;
    ASSERT_TRUE(access.Open(Path("port.pcd")));
    EXPECT_EQ(access.Transform(), 4);
    for (int r = 1; r <= 3; ++r) {
        SCOPED_TRACE(r);
        const QImage ours = Decode(Path("port.pcd"), r);
        const QSize stored = PCDResolutionSize(r);
        ASSERT_EQ(ours.size(), stored.transposed());
        const QImage theirs = MagickRead(Path("port.pcd"), stored);
        ASSERT_EQ(theirs.size(), stored.transposed());
        const Diff d = Compare(ours, theirs);
        EXPECT_LT(d.Mean, 1.0);
        EXPECT_LE(d.P99, 3);
    }
}

TEST_F(PCDTest, StoredTurnsMapToTransforms)
{
    const QByteArray original = ReadFileBytes(Landscape());
    const int expected[] = {0, 4, 3, 7};
    for (int bits = 0; bits < 4; ++bits) {
        QByteArray bytes = original;
        bytes[0xE02] = char((uint8_t(bytes[0xE02]) & ~3) | bits);
        TPCDAccess access;
        ASSERT_TRUE(access.OpenBytes(bytes));
        EXPECT_EQ(access.Transform(), expected[bits]) << bits;
    }
}

TEST_F(PCDTest, TransformsTurnAndFlip)
{
    // A 2 × 1 picture: red left, blue right.
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage quarter = ApplyPCDTransform(image, 4); // anticlockwise: red ends at the bottom
    ASSERT_EQ(quarter.size(), QSize(1, 2));
    EXPECT_EQ(quarter.pixel(0, 1), qRgb(255, 0, 0));
    const QImage clockwise = ApplyPCDTransform(image, 7);
    ASSERT_EQ(clockwise.size(), QSize(1, 2));
    EXPECT_EQ(clockwise.pixel(0, 0), qRgb(255, 0, 0));
    const QImage half = ApplyPCDTransform(image, 3);
    EXPECT_EQ(half.pixel(0, 0), qRgb(0, 0, 255));
    const QImage mirrored = ApplyPCDTransform(image, 2);
    EXPECT_EQ(mirrored.pixel(0, 0), qRgb(0, 0, 255));
    const QImage flipped = ApplyPCDTransform(image, 1); // one row: unchanged
    EXPECT_EQ(flipped.pixel(0, 0), qRgb(255, 0, 0));
    // 180 with the horizontal flip is a vertical flip.
    QImage column(1, 2, QImage::Format_RGB32);
    column.setPixel(0, 0, qRgb(255, 0, 0));
    column.setPixel(0, 1, qRgb(0, 0, 255));
    EXPECT_EQ(ApplyPCDTransform(column, 3 ^ 2).pixel(0, 0), qRgb(0, 0, 255));
}

TEST_F(PCDTest, OpensAtSmallestResolutionInScreenFormat)
{
    TPCDAccess access;
    ASSERT_TRUE(access.Open(Landscape()));
    EXPECT_EQ(access.ResolutionMask(), 0b1110);
    EXPECT_EQ(access.Resolution(), 1);
    EXPECT_EQ(access.Format(), kPCDFormatRGB);
    SetPCDScreenDepth(8);
    ASSERT_TRUE(access.Open(Landscape()));
    EXPECT_EQ(access.Format(), kPCDFormatPalette);
}

TEST_F(PCDTest, GreyAndPaletteFormats)
{
    const QString pcd = Landscape();
    const QImage colour = Decode(pcd, 2);
    const QImage grey = Decode(pcd, 2, kPCDFormatGrey);
    ASSERT_EQ(grey.format(), QImage::Format_Indexed8);
    ASSERT_EQ(grey.size(), QSize(384, 256));
    for (int i = 0; i < grey.colorCount(); ++i)
        ASSERT_EQ(qRed(grey.color(i)), qBlue(grey.color(i)));
    // Grey follows brightness: the white square is light, the black disc dark.
    EXPECT_GT(qRed(grey.pixel(70, 50)), 200);
    EXPECT_LT(qRed(grey.pixel(288, 128)), 40);
    const QImage palette = Decode(pcd, 2, kPCDFormatPalette);
    ASSERT_EQ(palette.format(), QImage::Format_Indexed8);
    EXPECT_LE(palette.colorCount(), 256);
    // Dithered, so compare averages over blocks.
    double diff = 0;
    int n = 0;
    for (int y = 0; y + 8 <= 256; y += 8)
        for (int x = 0; x + 8 <= 384; x += 8) {
            int a[3] = {}, b[3] = {};
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 8; ++i) {
                    const QRgb p = palette.pixel(x + i, y + j), q = colour.pixel(x + i, y + j);
                    a[0] += qRed(p), a[1] += qGreen(p), a[2] += qBlue(p);
                    b[0] += qRed(q), b[1] += qGreen(q), b[2] += qBlue(q);
                }
            for (int c = 0; c < 3; ++c)
                diff += std::abs(a[c] - b[c]) / 64.0;
            n += 3;
        }
    EXPECT_LT(diff / n, 6);
}

TEST_F(PCDTest, BitmapFileOfEightBitsHasItsColourTable)
{
    TPCDAccess access;
    ASSERT_TRUE(access.Open(Landscape()));
    access.SetFormat(kPCDFormatGrey);
    TMemoryStream stream;
    ASSERT_TRUE(access.LoadImage(stream));
    const QByteArray file = stream.Data();
    ASSERT_GT(file.size(), 54);
    EXPECT_EQ(file.left(2), QByteArray("BM"));
    auto u32 = [&](int at) {
        return uint32_t(uint8_t(file[at])) | uint32_t(uint8_t(file[at + 1])) << 8 |
               uint32_t(uint8_t(file[at + 2])) << 16 | uint32_t(uint8_t(file[at + 3])) << 24;
    };
    EXPECT_EQ(u32(2), uint32_t(file.size()));
    EXPECT_EQ(u32(10), 14u + 40u + 1024u);
}

TEST_F(PCDTest, UnavailableResolutionIsRefusedBeforeDecoding)
{
    const QByteArray bytes = ReadFileBytes(Landscape());
    TPCDAccess access;
    ASSERT_TRUE(access.OpenBytes(bytes.left(int(PCDResolutionOffset(1) + PCDResolutionBytes(1)))));
    EXPECT_EQ(access.ResolutionMask(), 0b10);
    try {
        access.SetResolution(3);
        FAIL() << "no error";
    } catch (const EPCDError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("cannot support specified Resolution(3)"));
    }
    EXPECT_EQ(access.Resolution(), 1);
    EXPECT_THROW(access.SetFormat(12), EPCDError);
    EXPECT_THROW(access.SetTransform(8), EPCDError);
    TMemoryStream stream;
    EXPECT_TRUE(access.LoadImage(stream));
}

TEST_F(PCDTest, DamagedPacksAreRefused)
{
    const QByteArray good = ReadFileBytes(Landscape());
    TPCDAccess access;
    EXPECT_FALSE(access.OpenBytes({}));
    EXPECT_FALSE(access.OpenBytes(good.left(0x800 + 3)));
    QByteArray unsigned_ = good;
    unsigned_[0x801] = 'X';
    EXPECT_FALSE(access.OpenBytes(unsigned_));
    EXPECT_FALSE(access.OpenBytes(good.left(int(PCDResolutionOffset(1) + PCDResolutionBytes(1) - 1))));
    EXPECT_FALSE(access.IsOpen());
    EXPECT_FALSE(access.Open(Path("missing.pcd")));
    EXPECT_NE(access.LastResult(), 0);
    // Not opened: every setting fails with the decoder's code.
    EXPECT_THROW(access.Resolution(), EPCDError);
    TMemoryStream stream;
    EXPECT_FALSE(access.LoadImage(stream));
    // A pack cut inside Base keeps the two smaller resolutions.
    ASSERT_TRUE(access.OpenBytes(good.left(int(PCDResolutionOffset(3) + 1000))));
    EXPECT_EQ(access.ResolutionMask(), 0b110);
    // A file far larger than any pack is not read.
    QFile huge(Path("huge.pcd"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(good);
    ASSERT_TRUE(huge.resize(int64_t(65) << 20));
    huge.close();
    EXPECT_FALSE(access.Open(Path("huge.pcd")));
    EXPECT_EQ(access.LastResult(), pcdTooLarge);
}

TEST_F(PCDTest, RegistryOpensPacksAtTheSmallestResolution)
{
    RegisterPictureFormats();
    const TPictureFileFormat* format = FindPictureFileFormat(QStringLiteral("PCD"));
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->Description, QStringLiteral("PCD Bitmaps"));
    EXPECT_TRUE(GraphicFileFilter().contains(QStringLiteral("*.pcd")));
    QFile::copy(Landscape(), Path("PHOTO.PCD"));
    TLoadedPicture loaded = LoadPictureFile(Path("PHOTO.PCD"));
    ASSERT_TRUE(loaded.Graphic);
    EXPECT_EQ(loaded.Graphic->Image().size(), QSize(192, 128));
    EXPECT_EQ(loaded.Graphic->GraphicClassName(), QStringLiteral("TBitmap"));
    WriteFileBytes(Path("bad.pcd"), QByteArray(5000, 'x'));
    EXPECT_THROW(LoadPictureFile(Path("bad.pcd")), EInvalidGraphic);
    TPCDBitmap bitmap;
    bitmap.LoadFromPCDFile(Path("bad.pcd"));
    EXPECT_TRUE(bitmap.Empty());
}

TEST_F(PCDTest, KeptFuzzInputsDoNotCrash)
{
    const QDir kept(TestDataPath("fuzz/fuzz_pcd"));
    const QStringList names = kept.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        TPCDAccess access;
        if (access.OpenBytes(ReadFileBytes(kept.filePath(name)))) {
            TMemoryStream stream;
            EXPECT_TRUE(access.LoadImage(stream)) << name.toStdString();
        }
    }
}

// ---------------------------------------------------------------------------------
// The dialog "PhotoCDｲﾒｰｼﾞの設定"

#include "imaging/FPhotoCD.h"
#include "imaging/UImageData.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

namespace {
// With VELMO_SHOTS set, the window as it looks now goes there as a PNG (for people
// checking the layout; the tests do not depend on it).
void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELMO_SHOTS");
    if (folder.isEmpty())
        return;
    window.show();
    QApplication::processEvents();
    window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}
} // namespace

TEST_F(PCDTest, DialogOpensUprightAtTheRememberedSize)
{
    TfrmPhotoCD::ResetRemembered();
    ASSERT_TRUE(MakeSource(Path("port.ppm"), 512, 768));
    ASSERT_TRUE(MakePCD(Path("port.ppm"), Path("port.pcd")));
    TfrmPhotoCD dialog(Path("port.pcd"));
    dialog.SetQuietMessages(true);
    ASSERT_TRUE(dialog.Activate());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("PhotoCDｲﾒｰｼﾞの設定"));
    EXPECT_EQ(dialog.SizeBox()->currentIndex(), 1);
    EXPECT_EQ(dialog.ColourBox()->currentIndex(), 1);
    EXPECT_EQ(dialog.RotationBox()->currentText(), QStringLiteral("270"));
    EXPECT_FALSE(dialog.VerticalBox()->isChecked());
    EXPECT_EQ(dialog.Preview().Width(), 256);
    EXPECT_EQ(dialog.Preview().Height(), 384);
    EXPECT_EQ(dialog.Access().Format(), kPCDFormatPalette);
    SaveShot(dialog, "photocd-dialog");
    // "180" with the horizontal flip passes transform 1.
    dialog.RotationBox()->setCurrentIndex(2);
    dialog.HorizontalBox()->setChecked(true);
    EXPECT_EQ(dialog.ChosenTransform(), 1);
    EXPECT_EQ(dialog.Access().Transform(), 1);
    EXPECT_EQ(dialog.Preview().Width(), 384);
    // OK takes the preview and remembers size and colours.
    dialog.SizeBox()->setCurrentIndex(0);
    dialog.ColourBox()->setCurrentIndex(2);
    dialog.accept();
    EXPECT_EQ(dialog.Result().Width(), 192);
    EXPECT_EQ(TfrmPhotoCD::RememberedSize(), 0);
    EXPECT_EQ(TfrmPhotoCD::RememberedColours(), 2);
    TfrmPhotoCD again(Path("port.pcd"));
    ASSERT_TRUE(again.Activate());
    EXPECT_EQ(again.SizeBox()->currentIndex(), 0);
    EXPECT_EQ(again.ColourBox()->currentIndex(), 2);
    TfrmPhotoCD::ResetRemembered();
}

TEST_F(PCDTest, DialogWithMatchingStoredSettingsStillShowsThePhotograph)
{
    // Stored transform 7 gives "270" with both flips, which is 7 again: the choices
    // match what is open, and the preview must still be filled.
    QByteArray bytes = ReadFileBytes(Landscape());
    bytes[0xE02] = char((uint8_t(bytes[0xE02]) & ~3) | 3);
    WriteFileBytes(Path("seven.pcd"), bytes);
    TfrmPhotoCD::ResetRemembered();
    TfrmPhotoCD dialog(Path("seven.pcd"));
    dialog.SetQuietMessages(true);
    ASSERT_TRUE(dialog.Activate());
    EXPECT_EQ(dialog.RotationBox()->currentText(), QStringLiteral("270"));
    EXPECT_TRUE(dialog.VerticalBox()->isChecked());
    EXPECT_TRUE(dialog.HorizontalBox()->isChecked());
    EXPECT_EQ(dialog.ChosenTransform(), 7);
    EXPECT_TRUE(dialog.Preview().HasGraphic());
    const int loads = dialog.LoadCount();
    // Activating again neither reopens nor reloads.
    EXPECT_TRUE(dialog.Activate());
    EXPECT_EQ(dialog.LoadCount(), loads);
}

TEST_F(PCDTest, DialogTellsWhenTheFileCannotBeOpened)
{
    WriteFileBytes(Path("bad.pcd"), QByteArray(3000, '\0'));
    TfrmPhotoCD dialog(Path("bad.pcd"));
    dialog.SetQuietMessages(true);
    EXPECT_FALSE(dialog.Activate());
    EXPECT_EQ(dialog.LastMessage(), Path("bad.pcd") + QStringLiteral("をオープンできません"));
    EXPECT_FALSE(dialog.Preview().HasGraphic());
}

TEST_F(PCDTest, OnlyPhotoCDFilesGoThroughTheDialog)
{
    RegisterPictureFormats();
    // "photo.pcdx" is not a Photo CD file: the picture formats refuse its extension.
    WriteFileBytes(Path("photo.pcdx"), ReadFileBytes(Landscape()));
    TPictureEx picture;
    try {
        LoadPictureWithDialogs(nullptr, Path("photo.pcdx"), picture);
        FAIL() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), UnknownExtensionMessage("pcdx"));
    }
    QImage plain(8, 8, QImage::Format_RGB32);
    plain.fill(Qt::red);
    ASSERT_TRUE(plain.save(Path("plain.bmp")));
    EXPECT_TRUE(LoadPictureWithDialogs(nullptr, Path("plain.bmp"), picture));
    EXPECT_EQ(picture.Width(), 8);
}
