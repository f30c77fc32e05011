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
