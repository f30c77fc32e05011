// velmo-tool scan (through SANE's test device), photocd (over ImageMagick's Photo CD
// files) and decostring (over the delivered picture fonts), with their failures.
#include "support/TestSupport.h"
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

class ToolAcquire : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        WriteFileBytes(dir.filePath("sane/dll.conf"), "test\n");
        WriteFileBytes(dir.filePath("sane/test.conf"),
                       "number_of_devices 1\nmode Color\ntest-picture \"Color pattern\"\n");
        qputenv("SANE_CONFIG_DIR", dir.filePath("sane").toLocal8Bit());
    }
    void TearDown() override { qunsetenv("SANE_CONFIG_DIR"); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ToolAcquire, ScanListsAndScansTheTestDevice)
{
    const ProcessResult list = RunProgram(Tool(), {"scan", "--list"});
    ASSERT_EQ(list.ExitCode, 0) << list.StdErr.toStdString();
    EXPECT_TRUE(list.StdOut.startsWith("test:0\t"));
    const QString png = dir.filePath("scan.png");
    const ProcessResult scan = RunProgram(Tool(), {"scan", png, "--device", "test:0", "--resolution", "100",
                                                   "--mode", "Gray", "--area", "0,0,50,30"});
    ASSERT_EQ(scan.ExitCode, 0) << scan.StdErr.toStdString();
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(196, 118)); // 50 × 30 mm at 100 dpi, whole pixels
    EXPECT_TRUE(image.isGrayscale());
    const ProcessResult missing = RunProgram(Tool(), {"scan", dir.filePath("no.png"), "--device", "test:5"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_TRUE(missing.StdErr.contains("TWAIN ERROR : ")) << missing.StdErr.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("no.png")));
    EXPECT_EQ(RunProgram(Tool(), {"scan", png, "--area", "1,2,3"}).ExitCode, 2);
}

// A backend with C++ statics of its own (genesys, a USB backend: no device, no
// network) must be shut down before those statics go: the list ends normally.
TEST_F(ToolAcquire, ListEndsCleanlyWithABackendThatCleansUpAtExit)
{
    WriteFileBytes(dir.filePath("sane/dll.conf"), "genesys\n");
    WriteFileBytes(dir.filePath("sane/genesys.conf"), "");
    const ProcessResult list = RunProgram(Tool(), {"scan", "--list"});
    EXPECT_EQ(list.ExitCode, 0) << list.StdErr.toStdString();
    EXPECT_TRUE(list.StdOut.isEmpty()) << list.StdOut.toStdString();
    const ProcessResult scan = RunProgram(Tool(), {"scan", dir.filePath("none.png")});
    EXPECT_EQ(scan.ExitCode, 1) << scan.StdErr.toStdString();
    EXPECT_TRUE(scan.StdErr.contains("no scanner or camera was found")) << scan.StdErr.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("none.png")));
}

TEST_F(ToolAcquire, PhotoCDAtEachSizeAndTurn)
{
    const QString pcd = dir.filePath("photo.pcd");
    ASSERT_EQ(RunProgram("convert", {"-size", "768x512", "gradient:red-blue", pcd}).ExitCode, 0);
    const QString png = dir.filePath("pcd.png");
    ASSERT_EQ(RunProgram(Tool(), {"photocd", pcd, png, "--size", "1"}).ExitCode, 0);
    EXPECT_EQ(QImage(png).size(), QSize(192, 128));
    ASSERT_EQ(RunProgram(Tool(), {"photocd", pcd, png, "--size", "3", "--transform", "4"}).ExitCode, 0);
    EXPECT_EQ(QImage(png).size(), QSize(512, 768));
    ASSERT_EQ(RunProgram(Tool(), {"photocd", pcd, png, "--format", "grey", "--size", "2"}).ExitCode, 0);
    EXPECT_TRUE(QImage(png).isGrayscale());
    // The picture command reads Photo CD files through the registry, smallest size.
    ASSERT_EQ(RunProgram(Tool(), {"picture", pcd, png}).ExitCode, 0);
    EXPECT_EQ(QImage(png).size(), QSize(192, 128));
    // Damaged: cut inside Base/16.
    WriteFileBytes(dir.filePath("cut.pcd"), ReadFileBytes(pcd).left(20000));
    const ProcessResult cut = RunProgram(Tool(), {"photocd", dir.filePath("cut.pcd"), png});
    EXPECT_EQ(cut.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(cut.StdErr).contains(QStringLiteral("をオープンできません")));
    EXPECT_NE(RunProgram(Tool(), {"picture", dir.filePath("cut.pcd"), png}).ExitCode, 0);
}

TEST_F(ToolAcquire, DecoStringTurnsAsAsked)
{
    const QString png = dir.filePath("deco.png");
    ASSERT_EQ(RunProgram(Tool(), {"decostring", png, "Label 7?", "--font", "3"}).ExitCode, 0);
    const QImage flat(png);
    EXPECT_GT(flat.width(), 2 * flat.height());
    ASSERT_EQ(RunProgram(Tool(), {"decostring", png, "Label 7?", "--angle", "90"}).ExitCode, 0);
    const QImage turned(png);
    EXPECT_GT(turned.height(), 2 * turned.width());
    QDir().mkpath(dir.filePath("empty"));
    const ProcessResult none =
        RunProgram(Tool(), {"decostring", png, "A", "--folder", dir.filePath("empty")});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {"decostring", png}).ExitCode, 2);
}
