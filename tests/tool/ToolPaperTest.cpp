#include "cli/UToolPaper.h"
#include "paper/UPaperInfo.h"
#include "persist/UComponentStream.h"
#include "storage/UDocFile.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::tool;

namespace {

std::unique_ptr<TMatrixPaperInfo> TwelveUpA4()
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QString::fromUtf8("A4 12面"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(6);
    paper->SetFaceWidth(864);
    paper->SetFaceHeight(423);
    paper->SetLeftOffset(186);
    paper->SetTopOffset(216);
    return paper;
}

std::unique_ptr<TFreePaperInfo> TwoUpCD()
{
    auto paper = std::make_unique<TFreePaperInfo>();
    paper->SetPaperName(QString::fromUtf8("CD 2面"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    for (int top : {225, 1575}) {
        TFaceItem* face = paper->Faces()->Add();
        face->SetRect({465, top, 1635, top + 1170});
        face->SetFaceShape(fsDoughnut);
        face->SetFacePurpose("CD");
        face->SetFaceMargin(15);
    }
    return paper;
}

std::unique_ptr<TMatrixPaperInfo> BusinessCardCD()
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QString::fromUtf8("名刺型CD 8面"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(4);
    paper->SetFaceWidth(860);
    paper->SetFaceHeight(590);
    paper->SetLeftOffset(170);
    paper->SetTopOffset(215);
    paper->SetRightMargin(40);
    paper->SetBottomMargin(60);
    paper->SetFaceShape(fsRectCD);
    paper->SetRoundSize(120);
    paper->SetCutCenterWidth(220);
    paper->SetCutCenterHeight(220);
    return paper;
}

std::unique_ptr<TFreePaperInfo> BarrelCD()
{
    auto paper = std::make_unique<TFreePaperInfo>();
    paper->SetPaperName(QString::fromUtf8("たる型CD"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetLandscape(true);
    TFaceItem* face = paper->Faces()->Add();
    face->SetRect({400, 300, 1700, 1100});
    face->SetFaceShape(fsBarrelCD);
    face->SetCenterShape(csBarrel);
    face->SetCutCenterWidth(300);
    face->SetCutCenterHeight(200);
    return paper;
}

QImage Render(const QString& svgFile, QSize size)
{
    QSvgRenderer renderer(svgFile);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

class ToolPaper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        FileName = Dir.filePath("papers.lbd");
        TFileStorage file(FileName, fmDocCreate);
        const auto put = [&](const QString& path, const TPaperInfo& paper) {
            TDocStream stream(file, fmDocCreate, path);
            WriteComponentResource(stream, "Paper", paper);
        };
        put("Papers\\A4_12", *TwelveUpA4());
        put("Papers\\CD2", *TwoUpCD());
        put("Papers\\CardCD", *BusinessCardCD());
        put("Papers\\Barrel", *BarrelCD());
        TDocStream junk(file, fmDocCreate, "Junk");
        junk.WriteBytes("not a paper");
        file.Close();
    }

    // Where the pictures go when a person wants to look at them.
    QString OutputFolder() const
    {
        const QString folder = qEnvironmentVariable("VELMO_PAPER_PICTURES");
        return folder.isEmpty() ? Dir.path() : folder;
    }

    QTemporaryDir Dir;
    QString FileName;
};

} // namespace

TEST_F(ToolPaper, ListsFacesInMillimetres)
{
    QString text;
    QTextStream out(&text);
    ListPaperFaces(*TwelveUpA4(), out);
    out.flush();
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13) << text.toStdString();
    EXPECT_TRUE(lines[0].contains("210.0mm x 297.0mm")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("12 faces"));
    EXPECT_EQ(lines[1], "0\tfsRect\t18.6mm, 21.6mm - 105.0mm, 63.9mm\t(86.4mm x 42.3mm)");
    EXPECT_TRUE(lines[12].startsWith("11\tfsRect\t105.0mm, 233.1mm - 191.4mm, 275.4mm"));
}

TEST_F(ToolPaper, ReportsHolesAndProblems)
{
    QString text;
    QTextStream out(&text);
    ListPaperFaces(*BusinessCardCD(), out);
    out.flush();
    EXPECT_TRUE(text.contains("1\tfsRectCD\t107.0mm, 21.5mm - 193.0mm, 80.5mm")) << text.toStdString();
    EXPECT_TRUE(text.contains("hole 139.0mm, 40.0mm - 161.0mm, 62.0mm")) << text.toStdString();
    EXPECT_FALSE(text.contains("warning"));

    auto bad = TwelveUpA4();
    bad->SetRightMargin(-5);
    bad->SetLeftOffset(-1);
    QString report;
    QTextStream badOut(&report);
    ListPaperFaces(*bad, badOut);
    badOut.flush();
    EXPECT_TRUE(report.contains(QString::fromUtf8("warning: face 0: ラベルが用紙からはみ出しています")))
        << report.toStdString();
    EXPECT_TRUE(report.contains("warning: face 1 overlaps an earlier face"));
}

TEST_F(ToolPaper, DrawsSheetsAsSvg)
{
    const struct
    {
        const char* Name;
        std::unique_ptr<TPaperInfo> Paper;
    } sheets[] = {
        {"a4-12", TwelveUpA4()}, {"cd-2", TwoUpCD()}, {"card-cd", BusinessCardCD()}, {"barrel", BarrelCD()}};
    for (const auto& sheet : sheets) {
        const QString svg = QDir(OutputFolder()).filePath(QString::fromLatin1(sheet.Name) + ".svg");
        ASSERT_TRUE(WritePaperSvg(*sheet.Paper, svg));
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        EXPECT_TRUE(content.contains("viewBox=\"0 0 " + QByteArray::number(sheet.Paper->Width()) + " " +
                                     QByteArray::number(sheet.Paper->Height()) + "\""));
        const QSize size(sheet.Paper->Width() / 5, sheet.Paper->Height() / 5);
        const QImage image = Render(svg, size);
        image.save(QDir(OutputFolder()).filePath(QString::fromLatin1(sheet.Name) + ".png"));
        // Every face: the middle of its printable area is coloured, a hole is blank.
        for (int i = 0; i < sheet.Paper->GetFaceCount(); ++i) {
            const TFaceInfo face = sheet.Paper->GetFaceInfo(i);
            const QPoint centre((face.Rect.Left + face.Rect.Right) / 10,
                                (face.Rect.Top + face.Rect.Bottom) / 10);
            if (face.HasHole()) {
                const QPoint ring(centre.x(), (face.Rect.Top + 60) / 5);
                EXPECT_EQ(image.pixelColor(ring), QColor(0xD8, 0xE4, 0xF8)) << sheet.Name << " face " << i;
                const TLogRect hole = face.GetPrintHoleRect();
                const QPoint inHole((hole.Left + 25) / 5, (hole.Top + hole.Bottom) / 10);
                EXPECT_EQ(image.pixelColor(inHole), QColor(Qt::white)) << sheet.Name << " face " << i;
            } else {
                EXPECT_EQ(image.pixelColor(centre), QColor(0xD8, 0xE4, 0xF8)) << sheet.Name << " face " << i;
            }
        }
        EXPECT_EQ(image.pixelColor(3, 3), QColor(Qt::white)) << sheet.Name; // the sheet's corner
    }
}

TEST_F(ToolPaper, CommandReadsThePaperFromTheCompoundFile)
{
    const QString program = velmo::test::BinaryDir() + "/src/velmo-tool";
    if (!QFile::exists(program))
        GTEST_SKIP() << "velmo-tool is not built";
    const QString svg = Dir.filePath("cd.svg");
    const auto result = velmo::test::RunProgram(program, {"paper", FileName, "Papers\\CD2", "--svg", svg});
    EXPECT_EQ(result.ExitCode, 0) << result.StdErr.toStdString();
    const QString text = QString::fromUtf8(result.StdOut);
    EXPECT_TRUE(text.contains("TFreePaperInfo")) << text.toStdString();
    EXPECT_TRUE(text.contains("0\tfsDoughnut\t46.5mm, 22.5mm - 163.5mm, 139.5mm")) << text.toStdString();
    EXPECT_TRUE(QFile::exists(svg));

    const auto junk = velmo::test::RunProgram(program, {"paper", FileName, "Junk"});
    EXPECT_EQ(junk.ExitCode, 1);
    EXPECT_FALSE(junk.StdErr.isEmpty());
    const auto missing = velmo::test::RunProgram(program, {"paper", FileName, "Papers\\None"});
    EXPECT_EQ(missing.ExitCode, 1);
    const auto usage = velmo::test::RunProgram(program, {"paper", FileName});
    EXPECT_EQ(usage.ExitCode, 2);
}
