// velmo-tool papers over the delivered catalogue and over catalogues made here.
#include "paper/UVelmoPapers.h"
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

QStringList Lines(const QByteArray& output)
{
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

TEST(ToolPapers, ListsTheDeliveredCatalogueWithoutAnArgument)
{
    const ProcessResult all = RunProgram(Tool(), {QStringLiteral("papers")});
    ASSERT_EQ(all.ExitCode, 0) << all.StdErr.toStdString();
    const QStringList lines = Lines(all.StdOut);
    ASSERT_GE(lines.size(), 151);
    EXPECT_EQ(lines[0], QStringLiteral("key\tname\tgroup\tmaker\tsize (mm)\tfaces\tshape"));
    const QStringList first = lines[1].split(QLatin1Char('\t'));
    ASSERT_EQ(first.size(), 7);
    EXPECT_EQ(first[0], QStringLiteral("$00000001"));
    EXPECT_FALSE(first[1].isEmpty());
    EXPECT_FALSE(first[3].isEmpty()); // every delivered paper has its maker

    const ProcessResult names = RunProgram(Tool(), {QStringLiteral("papers"), QStringLiteral("--names")});
    ASSERT_EQ(names.ExitCode, 0) << names.StdErr.toStdString();
    const QStringList nameLines = Lines(names.StdOut);
    EXPECT_EQ(nameLines.size(), lines.size() - 1);
    EXPECT_EQ(nameLines[0], first[1]);
    EXPECT_EQ(nameLines.size(), QSet<QString>(nameLines.begin(), nameLines.end()).size());
    // A CD label sheet with its hole is among them.
    bool doughnut = false;
    for (const QString& line : lines)
        doughnut = doughnut || line.endsWith(QStringLiteral("\tfsDoughnut"));
    EXPECT_TRUE(doughnut);
}

TEST(ToolPapers, ListsAGivenCatalogueInCatalogueOrder)
{
    RegisterCatalogueClasses();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mine.ppr"));
    {
        TVelmoPapers papers(file, false);
        TFreePaperInfo free;
        free.SetPaperName(QStringLiteral("自由 2面"));
        free.SetGroupName(QStringLiteral("自分"));
        free.SetPortraitWidth(1000);
        free.SetPortraitHeight(1485);
        TFaceItem* a = free.Faces()->Add();
        a->SetRect({0, 0, 500, 500});
        TFaceItem* b = free.Faces()->Add();
        b->SetRect({500, 500, 1000, 1000});
        b->SetFaceShape(fsEllipse);
        papers.StorePaper(free);
        TMatrixPaperInfo matrix;
        matrix.SetPaperName(QStringLiteral("格子"));
        matrix.SetGroupName(QStringLiteral("A4"));
        matrix.SetPortraitWidth(2100);
        matrix.SetPortraitHeight(2970);
        matrix.SetFaceCountX(3);
        matrix.SetFaceCountY(2);
        matrix.SetFaceWidth(700);
        matrix.SetFaceHeight(864);
        papers.StorePaper(matrix);
        TExPaperInfo info;
        info.SetPaperName(QStringLiteral("格子"));
        info.SetCompany(QStringLiteral("メーカー"));
        papers.StoreExInfo(info);
        papers.Renumber({QStringLiteral("格子"), QStringLiteral("自由 2面")});
        papers.Close();
    }
    QFile catalogue(file);
    ASSERT_TRUE(catalogue.open(QIODevice::ReadOnly));
    const QByteArray before = catalogue.readAll();
    catalogue.close();
    const ProcessResult r = RunProgram(Tool(), {QStringLiteral("papers"), file});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_EQ(Lines(r.StdOut),
              (QStringList{
                  QStringLiteral("key\tname\tgroup\tmaker\tsize (mm)\tfaces\tshape"),
                  QStringLiteral("$00000003\t格子\tA4\tメーカー\t210.0x297.0\t6\tfsRect"),
                  QStringLiteral("$00000004\t自由 2面\t自分\t\t100.0x148.5\t2\tfsRect/fsEllipse"),
              }));
    // Listing never writes the catalogue.
    ASSERT_TRUE(catalogue.open(QIODevice::ReadOnly));
    EXPECT_EQ(catalogue.readAll(), before);
}

TEST(ToolPapers, BadInputGivesAMessageAndAnExitCode)
{
    QTemporaryDir dir;
    const ProcessResult missing = RunProgram(Tool(), {QStringLiteral("papers"), dir.filePath("none.ppr")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_TRUE(missing.StdErr.contains("velmo-tool: ")) << missing.StdErr.toStdString();

    const QString junk = dir.filePath(QStringLiteral("junk.ppr"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1024, '\x11'));
    file.close();
    const ProcessResult damaged = RunProgram(Tool(), {QStringLiteral("papers"), junk});
    EXPECT_EQ(damaged.ExitCode, 1);
    EXPECT_TRUE(damaged.StdErr.startsWith("velmo-tool: " + junk.toUtf8())) << damaged.StdErr.toStdString();
    EXPECT_TRUE(damaged.StdOut.isEmpty());

    const ProcessResult usage = RunProgram(Tool(), {QStringLiteral("papers"), QStringLiteral("--bogus")});
    EXPECT_EQ(usage.ExitCode, 2);
    const ProcessResult two = RunProgram(Tool(), {QStringLiteral("papers"), junk, junk});
    EXPECT_EQ(two.ExitCode, 2);
}

} // namespace
