// velmo-tool render and patterns: a design with every kind of text object goes
// into a work file, comes out again and draws the same; the delivered patterns.
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

const QString kPaper = QStringLiteral(u"A4 2面 210×148.5mm");

void RunTool(const QStringList& arguments, ProcessResult* out = nullptr)
{
    const ProcessResult r = RunProgram(Tool(), arguments);
    ASSERT_EQ(r.ExitCode, 0) << arguments.join(' ').toStdString() << ": " << r.StdErr.toStdString();
    if (out)
        *out = r;
}

int Differing(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++n;
    return n;
}

} // namespace

TEST(ToolRender, EveryKindOfTextSurvivesSavingAndReopening)
{
    QTemporaryDir dir;
    const QString design = TestDataPath(QStringLiteral("text/every-kind.txt"));
    const QString a = dir.filePath("a.lbd"), b = dir.filePath("b.lbd");
    ASSERT_NO_FATAL_FAILURE(RunTool({"new", "--paper", kPaper, a}));
    ASSERT_NO_FATAL_FAILURE(RunTool({"put-label", a, "0", "0", design}));
    ASSERT_NO_FATAL_FAILURE(RunTool({"render", a, "0", "0", dir.filePath("a.png"), "--dpi", "150"}));
    // The design as the file holds it, written into a second file and drawn again.
    ProcessResult got;
    ASSERT_NO_FATAL_FAILURE(RunTool({"get-label", a, "0", "0"}, &got));
    const QString copy = dir.filePath("copy.txt");
    WriteFileBytes(copy, got.StdOut);
    ASSERT_NO_FATAL_FAILURE(RunTool({"new", "--paper", kPaper, b}));
    ASSERT_NO_FATAL_FAILURE(RunTool({"put-label", b, "0", "0", copy}));
    ProcessResult again;
    ASSERT_NO_FATAL_FAILURE(RunTool({"get-label", b, "0", "0"}, &again));
    EXPECT_EQ(again.StdOut, got.StdOut);
    ASSERT_NO_FATAL_FAILURE(RunTool({"render", b, "0", "0", dir.filePath("b.png"), "--dpi", "150"}));
    const QImage first(dir.filePath("a.png")), second(dir.filePath("b.png"));
    ASSERT_FALSE(first.isNull());
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(Differing(first, second), 0);
    // Every kind put ink down: the gradient's blue end, the red shadowed text, the
    // grey shadow, the navy outline, the picture's green.
    auto count = [&](auto test) {
        int n = 0;
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x)
                if (test(first.pixel(x, y)))
                    ++n;
        return n;
    };
    EXPECT_GT(count([](QRgb c) { return qBlue(c) > 200 && qRed(c) < 80 && qGreen(c) < 80; }), 100);
    EXPECT_GT(count([](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }), 100);
    EXPECT_GT(count([](QRgb c) { return std::abs(qRed(c) - 128) < 6 && std::abs(qBlue(c) - 128) < 6; }), 50);
    EXPECT_GT(count([](QRgb c) { return qBlue(c) > 100 && qRed(c) < 30 && qGreen(c) < 30; }), 50);
    EXPECT_GT(count([](QRgb c) { return qGreen(c) > 140 && qRed(c) < 60 && qBlue(c) < 60; }), 50);
    // The preview of the label shows the same texts: small, but dark where the
    // drawing is dark.
    const QString preview = dir.filePath("p.bmp");
    ASSERT_NO_FATAL_FAILURE(RunTool({"preview", b, "0", "0", preview}));
    const QImage small(preview);
    ASSERT_FALSE(small.isNull());
    const QImage scaled = first.scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int agree = 0, inked = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) {
            const bool darkA = qGray(scaled.pixel(x, y)) < 200;
            const bool darkB = qGray(small.pixel(x, y)) < 200;
            inked += darkA;
            agree += darkA && darkB;
        }
    ASSERT_GT(inked, 100);
    EXPECT_GT(agree, inked * 3 / 5);
}

TEST(ToolRender, BadArgumentsAndDamagedDesigns)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.lbd");
    ASSERT_NO_FATAL_FAILURE(RunTool({"new", "--paper", kPaper, a}));
    EXPECT_EQ(RunProgram(Tool(), {"render", a, "0", "9", dir.filePath("x.png")}).ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {"render", a, "3", "0", dir.filePath("x.png")}).ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {"render", a, "0", "0", dir.filePath("x.png"), "--dpi", "0"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Tool(), {"render", a}).ExitCode, 2);
    // An empty label draws white.
    ASSERT_NO_FATAL_FAILURE(RunTool({"render", a, "0", "1", dir.filePath("empty.png"), "--dpi", "30"}));
    const QImage empty(dir.filePath("empty.png"));
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(empty.pixel(empty.width() / 2, empty.height() / 2), qRgb(255, 255, 255));
}

TEST(ToolPatterns, ListsAndDrawsTheDeliveredPatterns)
{
    ProcessResult list;
    ASSERT_NO_FATAL_FAILURE(RunTool({"patterns"}, &list));
    const QStringList lines = QString::fromUtf8(list.StdOut).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 65);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("0\t{")));
    EXPECT_TRUE(lines[64].startsWith(QStringLiteral("63\t{")));
    QTemporaryDir dir;
    ASSERT_NO_FATAL_FAILURE(RunTool({"patterns", "--sheet", dir.filePath("s.png")}));
    const QImage sheet(dir.filePath("s.png"));
    EXPECT_EQ(sheet.size(), QSize(1200, 170 * 16));
    const ProcessResult missing = RunProgram(Tool(), {"patterns", "--file", dir.filePath("none.cdd")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_FALSE(missing.StdErr.isEmpty());
}

TEST(PatternThumbnails, ResourceHoldsOneCellPerPatternDrawnFromIt)
{
    // The resource file beside the pattern file: one 8-bit bitmap of 376 × 592.
    const QByteArray res = ReadFileBytes(BinaryDir() + QStringLiteral("/data/velmo-cdd.res"));
    ASSERT_GT(res.size(), 32 + 64 + 40);
    const int header = int(uchar(res[36])) | int(uchar(res[37])) << 8;
    const QByteArray dib = res.mid(32 + header);
    auto u32 = [&](int at) {
        return uint32_t(uchar(dib[at])) | uint32_t(uchar(dib[at + 1])) << 8 |
               uint32_t(uchar(dib[at + 2])) << 16 | uint32_t(uchar(dib[at + 3])) << 24;
    };
    EXPECT_EQ(u32(4), 376u);
    EXPECT_EQ(u32(8), 592u);
    EXPECT_EQ(int(uchar(dib[14])), 8);
    // Every cell has ink (the sample drawn through its pattern).
    const QByteArray pixels = dib.mid(40 + 1024);
    ASSERT_EQ(pixels.size(), 376 * 592);
    for (int cell = 0; cell < 64; ++cell) {
        const int cx = (cell % 4) * 94, cy = (cell / 4) * 37;
        int dark = 0;
        for (int y = cy + 3; y < cy + 34; ++y)
            for (int x = cx + 3; x < cx + 91; ++x)
                if (uchar(pixels[(591 - y) * 376 + x]) < 100)
                    ++dark;
        EXPECT_GT(dark, 40) << "cell " << cell;
    }
}
