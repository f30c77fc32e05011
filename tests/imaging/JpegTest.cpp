// JPEG decoding against Pillow: scaled sizes as libjpeg defines them, scaled decodes
// against a full decode shrunk, CMYK, progressive and grey files, EXIF orientations.
#include "ImagingTestSupport.h"
#include "imaging/USafetyJPEGImage.h"
#include <QFile>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// Runs a Pillow snippet with the folder as argv[1].
void Pillow(const QString& dir, const char* code)
{
    const ProcessResult r = RunProgram(Python(), {"-c", code, dir});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
}

int MaxDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

double MeanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

const char* kMake = R"(
import sys, os
from PIL import Image
d = sys.argv[1]
w, h = 203, 131
im = Image.new('RGB', (w, h))
px = im.load()
for y in range(h):
    for x in range(w):
        px[x, y] = ((x * 255) // w, (y * 255) // h, 128 if (x // 20 + y // 20) % 2 else 40)
im.save(os.path.join(d, 'base.jpg'), quality=95)
im.save(os.path.join(d, 'prog.jpg'), quality=95, progressive=True)
im.convert('L').save(os.path.join(d, 'grey.jpg'), quality=95)
im.convert('CMYK').save(os.path.join(d, 'cmyk.jpg'), quality=95)
for name in ['base', 'prog', 'grey', 'cmyk']:
    Image.open(os.path.join(d, name + '.jpg')).convert('RGB').save(os.path.join(d, name + '.png'))
# An asymmetric picture with each EXIF orientation, and how it looks upright.
a = Image.new('RGB', (60, 30), (255, 255, 255))
a.paste((255, 0, 0), (0, 0, 20, 10))
a.paste((0, 0, 255), (40, 20, 60, 30))
from PIL import ImageOps
for o in range(1, 9):
    e = Image.Exif(); e[0x0112] = o
    a.save(os.path.join(d, 'o%d.jpg' % o), quality=95, exif=e.tobytes())
    ImageOps.exif_transpose(Image.open(os.path.join(d, 'o%d.jpg' % o))).convert('RGB').save(os.path.join(d, 'o%d.png' % o))
)";

class Jpeg : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir();
        Pillow(Dir->path(), kMake);
    }
    static void TearDownTestSuite() { delete Dir; }
    static QString Path(const char* name) { return Dir->filePath(name); }
    static QTemporaryDir* Dir;
};
QTemporaryDir* Jpeg::Dir = nullptr;

} // namespace

TEST_F(Jpeg, DecodesLikePillow)
{
    for (const char* name : {"base", "prog", "grey", "cmyk"}) {
        SCOPED_TRACE(name);
        const QImage ours = DecodeJPEG(ReadAll(Path((QByteArray(name) + ".jpg").constData())));
        const QImage theirs(Path((QByteArray(name) + ".png").constData()));
        ASSERT_EQ(ours.size(), theirs.size());
        EXPECT_LE(MaxDifference(ours, theirs), 2);
    }
    const TJPEGHeader cmyk = ReadJPEGHeader(ReadAll(Path("cmyk.jpg")));
    EXPECT_TRUE(cmyk.Cmyk);
    EXPECT_TRUE(ReadJPEGHeader(ReadAll(Path("prog.jpg"))).Progressive);
}

TEST_F(Jpeg, ScaledDecodesHaveLibjpegSizesAndAgreeWithTheFullPicture)
{
    const QByteArray bytes = ReadAll(Path("base.jpg"));
    const QImage full = DecodeJPEG(bytes);
    for (int d : {2, 4, 8}) {
        SCOPED_TRACE(d);
        TJPEGDecodeOptions o;
        o.ScaleDenominator = d;
        const QImage scaled = DecodeJPEG(bytes, o);
        EXPECT_EQ(scaled.width(), (203 + d - 1) / d);
        EXPECT_EQ(scaled.height(), (131 + d - 1) / d);
        // djpeg, libjpeg's own program, gives the same size.
        const ProcessResult r =
            RunProgram("/usr/bin/djpeg", {"-scale", QStringLiteral("1/%1").arg(d), "-bmp", Path("base.jpg")});
        ASSERT_EQ(r.ExitCode, 0);
        TSafetyBitmap djpeg;
        djpeg.SetFileBytes(r.StdOut);
        EXPECT_EQ(djpeg.Width(), scaled.width());
        EXPECT_EQ(djpeg.Height(), scaled.height());
        // libjpeg's scaled output pixel (i, j) stands for the d × d block at (d·i, d·j).
        QImage shrunk(scaled.size(), QImage::Format_RGB32);
        for (int j = 0; j < shrunk.height(); ++j)
            for (int i = 0; i < shrunk.width(); ++i) {
                int r = 0, g = 0, b = 0, n = 0;
                for (int y = j * d; y < std::min((j + 1) * d, full.height()); ++y)
                    for (int x = i * d; x < std::min((i + 1) * d, full.width()); ++x, ++n) {
                        const QRgb p = PixelColor(full, x, y);
                        r += qRed(p), g += qGreen(p), b += qBlue(p);
                    }
                shrunk.setPixel(i, j, qRgb(r / n, g / n, b / n));
            }
        EXPECT_LT(MeanDifference(scaled, shrunk), 4.0);
    }
    TSafetyJPEGImage jpeg;
    jpeg.SetFileBytes(bytes);
    jpeg.SetScale(TJPEGScale::jsEighth);
    EXPECT_EQ(jpeg.Width(), 26);
    EXPECT_EQ(jpeg.Bitmap().width(), 26);
}

TEST_F(Jpeg, EightBitColourIsAPaletteOf256)
{
    TJPEGDecodeOptions o;
    o.EightBit = true;
    const QImage image = DecodeJPEG(ReadAll(Path("base.jpg")), o);
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_LE(image.colorCount(), 256);
    EXPECT_LT(MeanDifference(image, QImage(Path("base.png"))), 8.0);
}

TEST_F(Jpeg, ExifOrientationsStandUpright)
{
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const QByteArray name = "o" + QByteArray::number(o);
        TSafetyJPEGImage jpeg;
        jpeg.SetFileBytes(ReadAll(Path((name + ".jpg").constData())));
        EXPECT_EQ(jpeg.Header().Orientation, o);
        const QImage upright(Path((name + ".png").constData()));
        ASSERT_EQ(jpeg.Bitmap().size(), upright.size());
        EXPECT_EQ(jpeg.Width(), upright.width());
        EXPECT_LE(MaxDifference(jpeg.Bitmap(), upright), 2);
    }
}

TEST_F(Jpeg, EncodesWithTheQualityAndReadsBack)
{
    const QImage source = QImage(Path("base.png")).convertToFormat(QImage::Format_BGR888);
    const QByteArray low = EncodeJPEG(source, 20), high = EncodeJPEG(source, 95);
    EXPECT_LT(low.size(), high.size());
    EXPECT_LT(MeanDifference(DecodeJPEG(high), source), 2.0);
    // Pillow reads what we write.
    const QString path = Dir->filePath("ours.jpg");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(EncodeJPEG(source, 90, true));
    f.close();
    const ProcessResult r = RunProgram(
        Python(), {"-c", "import sys\nfrom PIL import Image\nprint(Image.open(sys.argv[1]).size)", path});
    EXPECT_EQ(r.StdOut.trimmed(), QByteArray("(203, 131)"));
}

TEST(JpegDamage, BadDataRaisesAndKeepsThePicture)
{
    TSafetyJPEGImage jpeg;
    const QByteArray good = EncodeJPEG(RandomPicture(16, 8, 3), 80);
    jpeg.SetFileBytes(good);
    for (const QByteArray& bad : {QByteArray("\xFF\xD8"), QByteArray("\xFF\xD8\xFF\xE0garbage", 11),
                                  good.left(20), QByteArray(100, 'x')}) {
        EXPECT_THROW(jpeg.SetFileBytes(bad), EInvalidGraphic);
        EXPECT_TRUE(jpeg.FileBytes() == good);
    }
    // Cut short after the header: it decodes with what is there (grey for the rest).
    TSafetyJPEGImage cut;
    cut.SetFileBytes(good.left(good.size() - 30));
    EXPECT_EQ(cut.Bitmap().width(), 16);
}

TEST(JpegExif, BrokenBlocksMeanNoTurn)
{
    EXPECT_EQ(ExifOrientation(nullptr, 0), 1);
    const uchar shortBlock[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ExifOrientation(shortBlock, sizeof shortBlock), 1);
    const uchar good[] = {'E', 'x', 'i',  'f',  0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                          0,   1,   0x01, 0x12, 0, 3, 0,   0,   0, 1,  0, 6, 0, 0};
    EXPECT_EQ(ExifOrientation(good, sizeof good), 6);
    EXPECT_EQ(ExifOrientation(good, sizeof good - 4), 1); // entry cut off
}
