// velmo-tool text: the command line face of the layout engine.
#include "support/TestSupport.h"
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QString Tool()
{
    return test::BinaryDir() + QStringLiteral("/src/velmo-tool");
}

QRect Ink(const QImage& image)
{
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

TEST(ToolText, WritesThePictureAtTheResolution)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.png"), b = dir.filePath("b.png"), c = dir.filePath("c.png");
    test::ProcessResult r = test::RunProgram(
        Tool(), {"text", a, QStringLiteral(u"ラベル"), "Label", "--box", "1000,400", "--size", "20"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    const QImage at254(a);
    ASSERT_FALSE(at254.isNull());
    EXPECT_EQ(at254.width(), 1000 + 40); // the box and a margin of 2 mm each side
    EXPECT_EQ(at254.height(), 400 + 40);
    r = test::RunProgram(Tool(), {"text", b, QStringLiteral(u"ラベル"), "Label", "--box", "1000,400",
                                  "--size", "20", "--dpi", "600"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    const QImage at600(b);
    EXPECT_EQ(at600.width(), (1040 * 600 + 253) / 254);
    const QRect ink254 = Ink(at254), ink600 = Ink(at600);
    ASSERT_FALSE(ink254.isNull());
    EXPECT_NEAR(ink600.width(), ink254.width() * 600.0 / 254, 4);
    EXPECT_NEAR(ink600.left(), ink254.left() * 600.0 / 254, 4);
    // The captured outline covers the same place as the drawn text.
    r = test::RunProgram(Tool(), {"text", c, QStringLiteral(u"ラベル"), "Label", "--box", "1000,400",
                                  "--size", "20", "--outline"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    const QRect inkOutline = Ink(QImage(c));
    EXPECT_NEAR(inkOutline.left(), ink254.left(), 2);
    EXPECT_NEAR(inkOutline.right(), ink254.right(), 2);
    EXPECT_NEAR(inkOutline.bottom(), ink254.bottom(), 2);
}

TEST(ToolText, EveryOptionAndBadArguments)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("v.png");
    test::ProcessResult r = test::RunProgram(Tool(), {"text",
                                                      out,
                                                      QStringLiteral(u"縦（ー）。"),
                                                      "AB",
                                                      "--vertical",
                                                      "--font",
                                                      "No Such Face",
                                                      "--bold",
                                                      "--align",
                                                      "3",
                                                      "--char-spacing",
                                                      "-5",
                                                      "--line-spacing",
                                                      "10",
                                                      "--bulge",
                                                      "40",
                                                      "--angle",
                                                      "15",
                                                      "--feed-angle",
                                                      "10",
                                                      "--box",
                                                      "300,800",
                                                      "--boxes"});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_FALSE(Ink(QImage(out)).isNull());
    EXPECT_EQ(test::RunProgram(Tool(), {"text"}).ExitCode, 2);
    EXPECT_EQ(test::RunProgram(Tool(), {"text", out, "x", "--align", "4"}).ExitCode, 2);
    EXPECT_EQ(test::RunProgram(Tool(), {"text", out, "x", "--size", "0"}).ExitCode, 2);
    EXPECT_EQ(test::RunProgram(Tool(), {"text", out, "x", "--box", "12"}).ExitCode, 2);
    EXPECT_EQ(test::RunProgram(Tool(), {"text", out, "x", "--frobnicate"}).ExitCode, 2);
    // A picture too large to allocate is refused.
    EXPECT_EQ(test::RunProgram(Tool(), {"text", out, "x", "--box", "90000,90000", "--dpi", "2400"}).ExitCode,
              1);
    EXPECT_EQ(test::RunProgram(Tool(), {"text", dir.filePath("no/such/dir/x.png"), "x"}).ExitCode, 1);
    const test::ProcessResult help = test::RunProgram(Tool(), {"help"});
    EXPECT_TRUE(help.StdOut.contains("text OUT.png LINE...")) << help.StdOut.toStdString();
}
