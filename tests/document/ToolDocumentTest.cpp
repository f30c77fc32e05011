// velmo-tool new, info and preview on real work files.
#include "LabelDocTestSupport.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

ProcessResult RunTool(const QStringList& arguments)
{
    return RunProgram(Tool(), arguments);
}

} // namespace

TEST(ToolDocument, NewMakesADocumentOnAStoredPaper)
{
    QTemporaryDir dir;
    const QString papers = dir.filePath(QStringLiteral("papers.ppr"));
    {
        TRootStorage root;
        root.OpenFile(papers, fmDocCreate);
        {
            TDocStream s(root, fmDocCreate, QStringLiteral("Papers\\$00000001"));
            WriteComponent(s, *SamplePaper(2, 5)); // plain component stream, as the catalogue keeps papers
        }
        root.Close();
    }
    const QString out = dir.filePath(QStringLiteral("new.lbd"));
    const ProcessResult made =
        RunTool({QStringLiteral("new"), QStringLiteral("--paper-file"), papers,
                 QStringLiteral("Papers/$00000001"), QStringLiteral("--landscape"), out});
    ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();
    auto data = TLabelData::Open(out);
    ASSERT_NE(data->Paper(), nullptr);
    EXPECT_TRUE(data->Paper()->Landscape());
    EXPECT_EQ(data->LabelCount(), 10);
    EXPECT_EQ(data->SheetName(), QStringLiteral("新規シート1"));
    // The paper dialog's default: one design for all labels.
    EXPECT_FALSE(data->SeparatelyDesign());

    const ProcessResult info = RunTool({QStringLiteral("info"), out});
    ASSERT_EQ(info.ExitCode, 0) << info.StdErr.toStdString();
    const QString text = QString::fromUtf8(info.StdOut);
    EXPECT_TRUE(text.contains(QStringLiteral("sheet 0: 新規シート1"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("297.0mm x 210.0mm landscape, 10 labels")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("designed labels: none"))) << text.toStdString();

    // Wrong uses: a name the catalogue does not know, a missing paper, bad arguments.
    EXPECT_EQ(RunTool({QStringLiteral("new"), QStringLiteral("--paper"), QStringLiteral("存在しない用紙"),
                       dir.filePath(QStringLiteral("x.lbd"))})
                  .ExitCode,
              1);
    EXPECT_EQ(RunTool({QStringLiteral("new"), QStringLiteral("--paper-file"), papers,
                       QStringLiteral("Papers/$00000009"), dir.filePath(QStringLiteral("x.lbd"))})
                  .ExitCode,
              1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.lbd"))));
    EXPECT_EQ(RunTool({QStringLiteral("new"), out}).ExitCode, 2);
    EXPECT_EQ(RunTool({QStringLiteral("new"), QStringLiteral("--paper-file"), papers,
                       QStringLiteral("Papers/$00000001"), QStringLiteral("--design"), QStringLiteral("some"),
                       dir.filePath(QStringLiteral("x.lbd"))})
                  .ExitCode,
              2);
}

TEST(ToolDocument, PutLabelFollowsTheDesignForm)
{
    QTemporaryDir dir;
    const QString design = TestDataPath(QStringLiteral("barcode/label-design.txt"));
    const QString same = dir.filePath(QStringLiteral("same.lbd"));
    const QString each = dir.filePath(QStringLiteral("each.lbd"));
    const QString paper = QStringLiteral("A4 12面 86.4×42.3mm");
    ASSERT_EQ(RunTool({QStringLiteral("new"), QStringLiteral("--paper"), paper, same}).ExitCode, 0);
    ASSERT_EQ(RunTool({QStringLiteral("new"), QStringLiteral("--paper"), paper, QStringLiteral("--design"),
                       QStringLiteral("each"), each})
                  .ExitCode,
              0);
    for (const QString& file : {same, each}) {
        const ProcessResult put =
            RunTool({QStringLiteral("put-label"), file, QStringLiteral("0"), QStringLiteral("7"), design});
        ASSERT_EQ(put.ExitCode, 0) << put.StdErr.toStdString();
    }
    RegisterLabelDataClasses();
    // Same design: position 7 wrote the one design every label shows.
    auto one = TLabelData::Open(same);
    EXPECT_FALSE(one->SeparatelyDesign());
    EXPECT_EQ(one->DesignCount(), 1);
    for (int k : {0, 7, 11})
        EXPECT_TRUE(one->LabelHasData(k)) << k;
    const ProcessResult first =
        RunTool({QStringLiteral("get-label"), same, QStringLiteral("0"), QStringLiteral("0")});
    const ProcessResult seventh =
        RunTool({QStringLiteral("get-label"), same, QStringLiteral("0"), QStringLiteral("7")});
    ASSERT_EQ(first.ExitCode, 0) << first.StdErr.toStdString();
    EXPECT_EQ(first.StdOut, seventh.StdOut);
    // A design per label: only position 7 has one.
    auto per = TLabelData::Open(each);
    EXPECT_TRUE(per->SeparatelyDesign());
    EXPECT_TRUE(per->LabelHasData(7));
    EXPECT_FALSE(per->LabelHasData(0));
    EXPECT_EQ(RunTool({QStringLiteral("get-label"), each, QStringLiteral("0"), QStringLiteral("0")}).ExitCode,
              1);
}

TEST(ToolDocument, InfoAndPreviewShowTheDesigns)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("d.lbd"));
    auto data = NewDocument();
    TDOList list;
    list.Add(NewRect({100, 100, 800, 300}));
    for (int k : {0, 1, 2, 7})
        data->WriteLabel(k, list);
    list.FreeObjects();
    data->SetCSVFile(QStringLiteral("名簿.csv"));
    data->AddSheet();
    data->SetSheetName(QStringLiteral("二枚目"));
    data->Save(file);
    data->SelectSheet(0);
    const QByteArray stored = data->PreviewBytes(7);
    data.reset();

    const ProcessResult info = RunTool({QStringLiteral("info"), file});
    ASSERT_EQ(info.ExitCode, 0) << info.StdErr.toStdString();
    const QString text = QString::fromUtf8(info.StdOut);
    EXPECT_TRUE(text.contains(QStringLiteral("sheets: 2 (current 1)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("designed labels: 0-2,7"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("previews: 0-2,7"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("merge file: 名簿.csv"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("sheet 1: 二枚目"))) << text.toStdString();

    const QString bmp = dir.filePath(QStringLiteral("p.bmp"));
    const ProcessResult preview =
        RunTool({QStringLiteral("preview"), file, QStringLiteral("0"), QStringLiteral("7"), bmp});
    ASSERT_EQ(preview.ExitCode, 0) << preview.StdErr.toStdString();
    QFile f(bmp);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), stored);
    EXPECT_FALSE(stored.isEmpty());

    EXPECT_EQ(
        RunTool({QStringLiteral("preview"), file, QStringLiteral("0"), QStringLiteral("5"), bmp}).ExitCode,
        1);
    EXPECT_EQ(
        RunTool({QStringLiteral("preview"), file, QStringLiteral("9"), QStringLiteral("0"), bmp}).ExitCode,
        1);
    EXPECT_EQ(
        RunTool({QStringLiteral("preview"), file, QStringLiteral("x"), QStringLiteral("0"), bmp}).ExitCode,
        2);
    const ProcessResult bad = RunTool({QStringLiteral("info"), bmp});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(bad.StdErr).contains(QStringLiteral("のデータではありません")));
}

TEST(ToolDocument, NewTakesAPaperOfTheDeliveredCatalogue)
{
    const ProcessResult names = RunTool({QStringLiteral("papers"), QStringLiteral("--names")});
    ASSERT_EQ(names.ExitCode, 0) << names.StdErr.toStdString();
    const QStringList list = QString::fromUtf8(names.StdOut).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(list.isEmpty());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("catalogue.lbd"));
    const QString name = list.last();
    const ProcessResult made = RunTool({QStringLiteral("new"), QStringLiteral("--paper"), name, out});
    ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();
    auto data = TLabelData::Open(out);
    ASSERT_NE(data->Paper(), nullptr);
    EXPECT_EQ(data->Paper()->PaperName(), name);
    EXPECT_FALSE(data->Paper()->Landscape());
    EXPECT_GT(data->LabelCount(), 0);
}
