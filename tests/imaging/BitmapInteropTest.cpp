// BMP files of every variant written by ImageMagick, Pillow and by hand decode to the
// pixels Pillow decodes; the BMP files we write read back the same in Pillow and
// ImageMagick.
#include "ImagingTestSupport.h"
#include "imaging/UDIB.h"
#include "imaging/USafetyBitmap.h"
#include "storage/UZLibStream.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

class BitmapInterop : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir();
        const ProcessResult r = RunProgram(
            Python(), {SourceDir() + QStringLiteral("/tests/imaging/make_pictures.py"), Dir->path()});
        ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
    }
    static void TearDownTestSuite()
    {
        delete Dir;
        Dir = nullptr;
    }
    static QTemporaryDir* Dir;
};

QTemporaryDir* BitmapInterop::Dir = nullptr;

} // namespace

TEST_F(BitmapInterop, EveryVariantDecodesToPillowsPixels)
{
    const QStringList lines =
        QString::fromUtf8(ReadAll(Dir->filePath("index.txt"))).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 25);
    for (const QString& line : lines) {
        const QStringList f = line.split(u' ');
        ASSERT_EQ(f.size(), 4);
        SCOPED_TRACE(f[0].toStdString());
        TSafetyBitmap bitmap;
        bitmap.SetFileBytes(ReadAll(Dir->filePath(f[0])));
        ASSERT_EQ(bitmap.Width(), f[1].toInt());
        ASSERT_EQ(bitmap.Height(), f[2].toInt());
        const QByteArray expected = ReadAll(Dir->filePath(f[3]));
        const QByteArray actual = RgbaBytes(bitmap.Pixels(), bitmap.PixelFormat());
        ASSERT_EQ(actual.size(), expected.size());
        int first = -1;
        for (int i = 0; i < actual.size(); ++i)
            if (actual[i] != expected[i]) {
                first = i;
                break;
            }
        EXPECT_EQ(first, -1) << "first differing byte " << first << " pixel " << first / 4;
    }
}

TEST_F(BitmapInterop, FormatsFollowTheFiles)
{
    auto format = [&](const char* name) {
        TSafetyBitmap b;
        b.SetFileBytes(ReadAll(Dir->filePath(name)));
        return b.PixelFormat();
    };
    EXPECT_EQ(format("im_bmp3_1.bmp"), TPixelFormat::pf1bit);
    EXPECT_EQ(format("im_bmp3_4.bmp"), TPixelFormat::pf4bit);
    EXPECT_EQ(format("hand_rle4.bmp"), TPixelFormat::pf4bit);
    EXPECT_EQ(format("im_bmp3_rle8.bmp"), TPixelFormat::pf8bit);
    EXPECT_EQ(format("im_bmp_555.bmp"), TPixelFormat::pf15bit);
    EXPECT_EQ(format("im_bmp_565.bmp"), TPixelFormat::pf16bit);
    EXPECT_EQ(format("im_bmp2_24.bmp"), TPixelFormat::pf24bit);
    EXPECT_EQ(format("im_bmp_32a.bmp"), TPixelFormat::pf32bit);
}

TEST_F(BitmapInterop, WrittenBitmapsOpenInPillowAndImageMagick)
{
    TSafetyBitmap source;
    source.SetFileBytes(ReadAll(Dir->filePath("im_bmp3_24.bmp")));
    QImage alpha = source.Pixels().convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < alpha.width(); ++x)
        alpha.setPixel(x, 3, qRgba(10 * x, 200, 30, (x * 7) % 256));
    struct Case
    {
        const char* Name;
        TPixelFormat Format;
        QImage Image;
    };
    const std::vector<Case> cases = {
        {"w1.bmp", TPixelFormat::pf1bit, source.Pixels()},
        {"w4.bmp", TPixelFormat::pf4bit, source.Pixels()},
        {"w8.bmp", TPixelFormat::pf8bit, source.Pixels()},
        {"w15.bmp", TPixelFormat::pf15bit, source.Pixels()},
        {"w16.bmp", TPixelFormat::pf16bit, source.Pixels()},
        {"w24.bmp", TPixelFormat::pf24bit, source.Pixels()},
        {"w32.bmp", TPixelFormat::pf32bit, source.Pixels()},
        {"w32a.bmp", TPixelFormat::pf32bit, alpha},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSafetyBitmap b;
        b.SetImage(c.Image, c.Format);
        ASSERT_EQ(b.PixelFormat(), c.Format);
        const QString path = Dir->filePath(c.Name);
        b.SaveToFile(path);
        const QByteArray ours = RgbaBytes(b.Pixels(), b.PixelFormat());
        // Pillow reads it.
        ProcessResult r = RunProgram(
            Python(), {"-c",
                       "import sys\nfrom PIL import Image\n"
                       "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert('RGBA').tobytes())",
                       path});
        ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
        EXPECT_TRUE(r.StdOut == ours) << "Pillow disagrees";
        // ImageMagick reads it.
        r = RunProgram("/usr/bin/convert", {path, "-depth", "8", "RGBA:-"});
        ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
        ASSERT_EQ(r.StdOut.size(), ours.size());
        int worst = 0;
        for (int i = 0; i < ours.size(); ++i)
            worst = std::max(worst, std::abs(int(uchar(r.StdOut[i])) - int(uchar(ours[i]))));
        // ImageMagick widens 5- and 6-bit channels by its own rounding.
        EXPECT_LE(worst, (c.Format == TPixelFormat::pf15bit || c.Format == TPixelFormat::pf16bit) ? 8 : 0);
        // And we read our own file back to the same pixels.
        TSafetyBitmap back;
        back.LoadFromFile(path);
        EXPECT_EQ(back.PixelFormat(), c.Format);
        EXPECT_TRUE(RgbaBytes(back.Pixels(), back.PixelFormat()) == ours);
    }
}

TEST_F(BitmapInterop, CompressedBitmapIsTheBitmapItHolds)
{
    const QByteArray bmp = ReadAll(Dir->filePath("im_bmp3_8raw.bmp"));
    TMemoryStream plain(bmp);
    TMemoryStream cbm;
    Compress(plain, cbm, TCompressionLevel::clMax);
    const QString path = Dir->filePath("x.cbm");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cbm.Data());
    }
    TSafetyBitmap a, b;
    a.SetFileBytes(bmp);
    b.LoadFromFile(path);
    EXPECT_EQ(b.PixelFormat(), a.PixelFormat());
    EXPECT_TRUE(RgbaBytes(a.Pixels(), a.PixelFormat()) == RgbaBytes(b.Pixels(), b.PixelFormat()));
    // What is written is the plain bitmap.
    EXPECT_TRUE(b.FileBytes() == bmp);
    // The tool reads it too.
    const ProcessResult r =
        RunProgram(BinaryDir() + "/src/velmo-tool", {"picture", path, Dir->filePath("x.png")});
    EXPECT_EQ(r.ExitCode, 0) << r.StdErr.constData();
    QImage png(Dir->filePath("x.png"));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32).pixel(5, 5) | 0xFF000000u,
              PixelColor(a.Pixels(), 5, 5) | 0xFF000000u);
}
