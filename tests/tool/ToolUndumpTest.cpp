// The text form over real streams: every component stream of the delivered catalogue
// and of a work file comes back as the same bytes; get-label and put-label through a
// work file; undump and dump --plain as a user runs them.
#include "cli/UToolCommands.h"
#include "cli/UToolDump.h"
#include "cli/UToolPapers.h"
#include "document/ULabelData.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "persist/UComponentText.h"
#include "storage/UDocFile.h"
#include "storage/UZLibStream.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

void CollectStreams(TDocStorage& storage, const QString& prefix, QStringList& paths)
{
    QStringList streams, storages;
    storage.ListStreams(streams);
    storage.ListStorages(storages);
    for (const QString& s : streams)
        paths << prefix + s;
    for (const QString& s : storages) {
        TDocStorage child(storage, false, s);
        CollectStreams(child, prefix + s + u'\\', paths);
    }
}

QByteArray Unpacked(const QByteArray& bytes)
{
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    uint32_t size = 0;
    if (!IsCompressed(stream, &size))
        return bytes;
    TMemoryStream plain;
    Decompress(stream, plain, size);
    return plain.Data();
}

// The resource name stored in a component resource's header.
QString ResourceName(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf('\0', 3);
    return QString::fromLatin1(bytes.mid(3, end - 3));
}

// Every component stream of a compound file turns into text and back into the same
// bytes; returns how many there were.
int RoundTripEveryStream(const QString& fileName)
{
    QStringList paths;
    {
        TFileStorage root(fileName, fmDocRead | fmDocShareDenyWrite);
        CollectStreams(root, QString(), paths);
    }
    int count = 0;
    for (const QString& path : paths) {
        const QByteArray bytes = Unpacked(tool::ReadStreamBytes(fileName, path));
        if (bytes.startsWith("TPF0")) {
            EXPECT_EQ(TextToComponent(ComponentToText(bytes)), bytes) << path.toStdString();
            ++count;
        } else if (bytes.size() > 3 && uchar(bytes[0]) == 0xFF && bytes[1] == 10 && bytes[2] == 0) {
            EXPECT_EQ(TextToComponentResource(ComponentToText(bytes), ResourceName(bytes)), bytes)
                << path.toStdString();
            ++count;
        }
    }
    return count;
}

TEST(ToolUndumpTest, EveryStreamOfTheDeliveredCatalogueComesBackTheSame)
{
    const QString catalogue = BinaryDir() + QStringLiteral("/data/velmo.ppr");
    ASSERT_TRUE(QFile::exists(catalogue));
    EXPECT_GT(RoundTripEveryStream(catalogue), 20);
}

class ToolLabelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FFile = FDir.filePath(QStringLiteral("work.lbd"));
        QStringList names;
        ASSERT_EQ(RunProgram(Tool(), {QStringLiteral("papers"), QStringLiteral("--names")}).ExitCode, 0);
        const QStringList papers =
            QString::fromUtf8(
                RunProgram(Tool(), {QStringLiteral("papers"), QStringLiteral("--names")}).StdOut)
                .split(u'\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(papers.isEmpty());
        const ProcessResult made =
            RunProgram(Tool(), {QStringLiteral("new"), QStringLiteral("--paper"), papers[0], FFile});
        ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();
    }

    // The text of a design holding one group, as the program writes it.
    QString GroupDesign()
    {
        tool::RegisterToolLabelClasses();
        auto* group = new TDOGroup;
        TDOList list;
        list.Add(group);
        TMemoryStream stream;
        WriteLabelData(stream, list);
        list.FreeObjects();
        return ComponentToText(stream.Data());
    }

    QTemporaryDir FDir;
    QString FFile;
};

TEST_F(ToolLabelTest, PutLabelStoresTheDesignAndGetLabelPrintsItAgain)
{
    const QString design = GroupDesign();
    const QString designFile = FDir.filePath(QStringLiteral("design.txt"));
    WriteFileBytes(designFile, design.toUtf8());
    // A position without a design yet.
    EXPECT_EQ(
        RunProgram(Tool(), {QStringLiteral("get-label"), FFile, QStringLiteral("0"), QStringLiteral("0")})
            .ExitCode,
        1);
    const ProcessResult put = RunProgram(
        Tool(), {QStringLiteral("put-label"), FFile, QStringLiteral("0"), QStringLiteral("0"), designFile});
    ASSERT_EQ(put.ExitCode, 0) << put.StdErr.toStdString();
    const ProcessResult get =
        RunProgram(Tool(), {QStringLiteral("get-label"), FFile, QStringLiteral("0"), QStringLiteral("0")});
    ASSERT_EQ(get.ExitCode, 0) << get.StdErr.toStdString();
    EXPECT_EQ(QString::fromUtf8(get.StdOut), design);

    // Through the document's own operations: compressed, with a preview.
    std::unique_ptr<TLabelData> data = TLabelData::Open(FFile);
    data->SelectSheet(0);
    EXPECT_TRUE(data->LabelHasData(0));
    EXPECT_TRUE(data->IsLabelCompressed(0));
    EXPECT_TRUE(data->PreviewExists(0));
    data.reset();

    // Every stream of the saved work file comes back from its text form.
    EXPECT_GT(RoundTripEveryStream(FFile), 3);

    // Positions and sheets that do not exist.
    EXPECT_EQ(
        RunProgram(Tool(), {QStringLiteral("get-label"), FFile, QStringLiteral("0"), QStringLiteral("9999")})
            .ExitCode,
        1);
    EXPECT_EQ(
        RunProgram(Tool(), {QStringLiteral("get-label"), FFile, QStringLiteral("5"), QStringLiteral("0")})
            .ExitCode,
        1);
    EXPECT_EQ(
        RunProgram(Tool(), {QStringLiteral("get-label"), FFile, QStringLiteral("x"), QStringLiteral("0")})
            .ExitCode,
        2);
}

TEST_F(ToolLabelTest, PutLabelRefusesBadDesignsAndLeavesTheFile)
{
    const QByteArray before = ReadFileBytes(FFile);
    const QString bad = FDir.filePath(QStringLiteral("bad.txt"));
    WriteFileBytes(bad, QByteArray("object TLDObjects\n  object TDOGroup\n    Left = \nend\n"));
    ProcessResult put = RunProgram(
        Tool(), {QStringLiteral("put-label"), FFile, QStringLiteral("0"), QStringLiteral("0"), bad});
    EXPECT_EQ(put.ExitCode, 1);
    EXPECT_TRUE(put.StdErr.contains("line 5, column 1")) << put.StdErr.toStdString();
    // Syntactically fine, but a class nobody registered.
    WriteFileBytes(bad, QByteArray("object TLDObjects\n  object TLONothing\n  end\nend\n"));
    put = RunProgram(Tool(),
                     {QStringLiteral("put-label"), FFile, QStringLiteral("0"), QStringLiteral("0"), bad});
    EXPECT_EQ(put.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(put.StdErr).contains(QStringLiteral("TLONothing")));
    EXPECT_EQ(ReadFileBytes(FFile), before);
}

TEST(ToolUndumpTest, UndumpWritesTheResourceDumpPlainReadsItBack)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("object Sample: TThing\n  Caption = '見本 ①'\n  Size = 300\nend\n");
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    WriteFileBytes(in, text.toUtf8());
    const QString out = dir.filePath(QStringLiteral("Thing.res"));
    ProcessResult run = RunProgram(Tool(), {QStringLiteral("undump"), in, out});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    EXPECT_EQ(ReadFileBytes(out), TextToComponentResource(text, QStringLiteral("THING")));
    run = RunProgram(
        Tool(), {QStringLiteral("undump"), in, out, QStringLiteral("--name"), QStringLiteral("LabelData")});
    ASSERT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(out), TextToComponentResource(text, QStringLiteral("LabelData")));
    run = RunProgram(Tool(), {QStringLiteral("dump"), QStringLiteral("--plain"), QStringLiteral("-")},
                     ReadFileBytes(out));
    ASSERT_EQ(run.ExitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.StdOut), text);
    // Text from standard input too.
    run = RunProgram(Tool(), {QStringLiteral("undump"), QStringLiteral("-"), out}, text.toUtf8());
    ASSERT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(out), TextToComponentResource(text, QStringLiteral("THING")));

    // Errors: the parser's position, text that is not UTF-8, damaged streams.
    WriteFileBytes(in, QByteArray("object TX\n  A = [1]\nend\n"));
    run = RunProgram(Tool(), {QStringLiteral("undump"), in, out});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.StdErr.contains("line 2, column 8")) << run.StdErr.toStdString();
    WriteFileBytes(in, QByteArray("object TX\n  A = '\xFF'\nend\n"));
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("undump"), in, out}).ExitCode, 1);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("undump"), in}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Tool(), {QStringLiteral("undump"), in, out, QStringLiteral("--name")}).ExitCode, 2);
    run = RunProgram(Tool(), {QStringLiteral("dump"), QStringLiteral("--plain"), QStringLiteral("-")},
                     QByteArray("TPF0\x03TXX"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.StdOut.isEmpty());
}

TEST(ToolUndumpTest, ColourPaintsAColourWrittenByHand)
{
    QTemporaryDir dir;
    const QString spec = dir.filePath(QStringLiteral("spec.txt"));
    WriteFileBytes(
        spec, QByteArray("object TColorSpec\n  Kind = cskGradation\n  GradKind = rgkCircleToRim\nend\n"));
    const QString png = dir.filePath(QStringLiteral("out.png"));
    const ProcessResult run = RunProgram(
        Tool(), {QStringLiteral("colour"), spec, QStringLiteral("200"), QStringLiteral("100"), png});
    ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    QImage image(png);
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_LE(qRed(image.pixel(100, 50)), 4); // black in the centre (between cells)
    EXPECT_GE(qRed(image.pixel(0, 0)), 253);  // white in the corners
    EXPECT_GE(qRed(image.pixel(199, 99)), 253);
    // Twice the size with --zoom.
    ASSERT_EQ(
        RunProgram(Tool(), {QStringLiteral("colour"), spec, QStringLiteral("200"), QStringLiteral("100"), png,
                            QStringLiteral("--zoom"), QStringLiteral("200")})
            .ExitCode,
        0);
    EXPECT_EQ(QImage(png).size(), QSize(400, 200));
    // --print: resampled to the pixels instead of stretched cells.
    auto changesAlongRow = [](const QImage& image, int y) {
        int changes = 0;
        for (int x = 1; x < image.width(); ++x)
            changes += image.pixel(x, y) != image.pixel(x - 1, y);
        return changes;
    };
    WriteFileBytes(spec, QByteArray("object TColorSpec\n  Kind = cskGradation\nend\n"));
    for (const bool print : {false, true}) {
        QStringList args = {QStringLiteral("colour"), spec, QStringLiteral("128"),
                            QStringLiteral("20"),     png,  QStringLiteral("--zoom"),
                            QStringLiteral("600")};
        if (print)
            args << QStringLiteral("--print");
        ASSERT_EQ(RunProgram(Tool(), args).ExitCode, 0);
        const QImage image(png);
        ASSERT_EQ(image.width(), 768);
        // 128 cells of 6 pixels each when stretched; resampled, the greys change
        // far more often.
        if (print)
            EXPECT_GT(changesAlongRow(image, 60), 200); // every grey level of the way
        else
            EXPECT_LE(changesAlongRow(image, 60), 127);
    }
    // A tiled picture given as a file.
    QImage tile(4, 2, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            tile.setPixel(x, y, qRgb(60 * x, 100 * y, 200));
    const QString bmp = dir.filePath(QStringLiteral("tile.bmp"));
    ASSERT_TRUE(tile.save(bmp, "BMP"));
    WriteFileBytes(spec, QByteArray("object TColorSpec\n  Kind = cskBitmap\n  Tile = True\nend\n"));
    ASSERT_EQ(RunProgram(Tool(), {QStringLiteral("colour"), spec, QStringLiteral("10"), QStringLiteral("6"),
                                  png, QStringLiteral("--picture"), bmp})
                  .ExitCode,
              0);
    const QImage tiled(png);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 6; ++y)
            ASSERT_EQ(tiled.pixel(x, y), tile.pixel(x % 4, y % 2)) << x << "," << y;
    WriteFileBytes(spec, QByteArray("object TColorSpec\n  Kind = cskPlaid\nend\n"));
    EXPECT_EQ(
        RunProgram(Tool(), {QStringLiteral("colour"), spec, QStringLiteral("20"), QStringLiteral("10"), png})
            .ExitCode,
        1);
    EXPECT_EQ(
        RunProgram(Tool(), {QStringLiteral("colour"), spec, QStringLiteral("0"), QStringLiteral("10"), png})
            .ExitCode,
        2);
}

} // namespace
} // namespace velmo::test
