// velmo-tool picture: the key colour becomes transparent, effects and rotation apply,
// bad input is reported.
#include "ImagingTestSupport.h"
#include "imaging/USafetyBitmap.h"
#include <QImage>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

} // namespace

TEST(PictureTool, KeyColourEffectsAndRotation)
{
    QTemporaryDir dir;
    QImage image(20, 10, QImage::Format_BGR888);
    image.fill(QColor(100, 150, 200));
    image.setPixelColor(3, 3, QColor(0x12, 0x34, 0x56));
    TSafetyBitmap b;
    b.SetImage(image);
    b.SaveToFile(dir.filePath("in.bmp"));
    ProcessResult r = RunProgram(Tool(), {"picture", dir.filePath("in.bmp"), dir.filePath("a.png"),
                                          "--key-colour", "123456", "--contrast", "100"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
    QImage a(dir.filePath("a.png"));
    a = a.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(a.pixel(3, 3)), 0);               // the key, masked before the contrast changed it
    EXPECT_EQ(a.pixel(0, 0), qRgba(0, 255, 255, 255)); // 100 → 0, 150 → 255, 200 → 255
    r = RunProgram(Tool(), {"picture", dir.filePath("in.bmp"), dir.filePath("r.png"), "--rotate", "90"});
    ASSERT_EQ(r.ExitCode, 0);
    EXPECT_EQ(QImage(dir.filePath("r.png")).size(), QSize(10, 20));
    r = RunProgram(Tool(), {"picture", dir.filePath("in.bmp"), dir.filePath("x.png"), "--scale", "3"});
    EXPECT_EQ(r.ExitCode, 2);
    QFile bad(dir.filePath("bad.bmp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BMxxxxxxxxxxxxxxxxxxxxxxxxxx");
    bad.close();
    r = RunProgram(Tool(), {"picture", dir.filePath("bad.bmp"), dir.filePath("x.png")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("ビットマップイメージが不正です")));
}

TEST(PictureTool, TrimsAndReadsTheWebFormats)
{
    QTemporaryDir dir;
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(qRgba(10, 120, 200, 255));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            image.setPixel(x, y, qRgba(0, 0, 0, 0)); // a transparent corner
    image.setPixel(20, 15, qRgba(250, 250, 0, 255));
    ASSERT_TRUE(image.save(dir.filePath("in.png")));
    ProcessResult r =
        RunProgram(Tool(), {"picture", dir.filePath("in.png"), dir.filePath("t.png"), "--trim", "5,5,35,45"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
    QImage t = QImage(dir.filePath("t.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(t.size(), QSize(30, 40));
    EXPECT_EQ(qAlpha(t.pixel(0, 0)), 0);                  // the file's transparency survives
    EXPECT_EQ(t.pixel(10, 10), qRgba(10, 120, 200, 255)); // the picture
    EXPECT_EQ(t.pixel(15, 10), qRgba(250, 250, 0, 255));  // (20, 15) less the trim's corner
    EXPECT_EQ(qAlpha(t.pixel(10, 35)), 0);                // below the picture: the key colour
    // A bitmap trimmed beyond its edge shows white there.
    QImage plain(20, 10, QImage::Format_BGR888);
    plain.fill(QColor(0, 0, 0));
    TSafetyBitmap b;
    b.SetImage(plain);
    b.SaveToFile(dir.filePath("in.bmp"));
    r = RunProgram(Tool(),
                   {"picture", dir.filePath("in.bmp"), dir.filePath("w.png"), "--trim", "-5,0,20,10"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.constData();
    QImage w = QImage(dir.filePath("w.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(w.size(), QSize(25, 10));
    EXPECT_EQ(w.pixel(0, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(w.pixel(6, 0), qRgba(0, 0, 0, 255));
    // TIFF and WebP through the same command; a name without extension is sniffed.
    QImage solid(12, 8, QImage::Format_RGB32);
    solid.fill(qRgb(90, 60, 30));
    ASSERT_TRUE(solid.save(dir.filePath("in.tif"), "TIFF"));
    ASSERT_TRUE(solid.save(dir.filePath("in.webp"), "WEBP", 100));
    ASSERT_TRUE(solid.save(dir.filePath("noext"), "PNG"));
    for (const char* f : {"in.tif", "in.webp", "noext"}) {
        r = RunProgram(Tool(), {"picture", dir.filePath(f), dir.filePath("o.png")});
        ASSERT_EQ(r.ExitCode, 0) << f << r.StdErr.constData();
        EXPECT_EQ(QImage(dir.filePath("o.png")).convertToFormat(QImage::Format_RGB32).pixel(3, 3),
                  qRgb(90, 60, 30))
            << f;
    }
    // Bad trims are usage errors; damaged files failures.
    for (const char* bad : {"1,2,3", "a,b,c,d", "10,10,5,5"}) {
        r = RunProgram(Tool(), {"picture", dir.filePath("in.bmp"), dir.filePath("x.png"), "--trim", bad});
        EXPECT_EQ(r.ExitCode, 2) << bad;
    }
    WriteFileBytes(dir.filePath("bad.png"), "\x89PNG\r\n\x1a\nbroken");
    r = RunProgram(Tool(), {"picture", dir.filePath("bad.png"), dir.filePath("x.png")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.StdErr).contains(QStringLiteral("画像ファイルが不正です")));
}
