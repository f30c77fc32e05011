// Template files of the public label-sheet database into papers: the units, the
// radius/diameter conventions, equivalents, and the templates that must be refused.
#include "base/UExceptions.h"
#include "paper/UTemplateImport.h"
#include "paper/UVelmoPapers.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QByteArray File(const char* body)
{
    return QByteArray("<?xml version=\"1.0\"?>\n<Glabels-templates>\n") + body + "\n</Glabels-templates>\n";
}

std::vector<TImportedTemplate> Convert(const char* body)
{
    TTemplateImporter importer;
    importer.AddFile(QStringLiteral("test-templates.xml"), File(body));
    return importer.Convert();
}

} // namespace

TEST(TemplateImport, RoundedRectangleKeepsGapsAndDoublesTheCornerRadius)
{
    const auto result = Convert(R"(
  <Template brand="Hisago" part="ELM007" size="A4" _description="Rectangular labels">
    <Meta category="label"/><Meta category="rectangle-label"/>
    <Label-rectangle id="0" width="83.8mm" height="42.3mm" round="1.5mm" x_waste="1mm" y_waste="0mm">
      <Layout nx="2" ny="6" x0="20.3mm" y0="20.3mm" dx="87.6mm" dy="42.3mm"/>
    </Label-rectangle>
  </Template>)");
    ASSERT_EQ(result.size(), 1u);
    ASSERT_TRUE(result[0].Paper) << result[0].Refusal.toStdString();
    auto* m = dynamic_cast<TMatrixPaperInfo*>(result[0].Paper.get());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->PaperName(), QStringLiteral("ヒサゴ ELM007 12面 83.8×42.3mm"));
    EXPECT_EQ(m->PortraitWidth(), 2100);
    EXPECT_EQ(m->PortraitHeight(), 2970);
    EXPECT_EQ(m->LeftOffset(), 203);
    EXPECT_EQ(m->TopOffset(), 203);
    EXPECT_EQ(m->FaceWidth(), 838);
    EXPECT_EQ(m->FaceHeight(), 423);
    EXPECT_EQ(m->RightMargin(), 38); // 87.6 - 83.8
    EXPECT_EQ(m->BottomMargin(), 0);
    EXPECT_EQ(m->FaceShape(), fsRoundRect);
    EXPECT_EQ(m->RoundSize(), 30); // the rounding ellipse: twice the 1.5 mm radius
    EXPECT_EQ(m->GroupName(), QStringLiteral("宛名・表示ラベル"));
    EXPECT_FALSE(m->ReadOnly());
    EXPECT_EQ(result[0].Maker, QStringLiteral("ヒサゴ"));
}

TEST(TemplateImport, InchesAndPointsConvert)
{
    const auto result = Convert(R"(
  <Template brand="Avery" part="5160" size="US-Letter" description="Address labels">
    <Meta category="label"/>
    <Label-rectangle id="0" width="189pt" height="72pt" round="0pt">
      <Layout nx="3" ny="10" x0="0.1875in" y0="0.5in" dx="2.75in" dy="1in"/>
    </Label-rectangle>
  </Template>)");
    ASSERT_TRUE(result[0].Paper) << result[0].Refusal.toStdString();
    auto* m = dynamic_cast<TMatrixPaperInfo*>(result[0].Paper.get());
    EXPECT_EQ(m->PortraitWidth(), 2159);
    EXPECT_EQ(m->PortraitHeight(), 2794);
    // 189 pt = 66.675 mm, 0.1875 in = 4.7625 mm, step 2.75 in = 69.85 mm: rounded to
    // tenths together, every label edge stays within 0.1 mm of its place.
    EXPECT_NEAR(m->FaceWidth(), 666.75, 1.0);
    EXPECT_EQ(m->FaceHeight(), 254);
    EXPECT_NEAR(m->LeftOffset(), 47.625, 1.0);
    for (int column = 0; column < 3; ++column) {
        const int left = m->LeftOffset() + column * (m->FaceWidth() + m->RightMargin());
        EXPECT_NEAR(left, 47.625 + column * 698.5, 1.0) << column;
        EXPECT_NEAR(left + m->FaceWidth(), 47.625 + column * 698.5 + 666.75, 1.0) << column;
    }
    EXPECT_EQ(m->FaceShape(), fsRect);
}

TEST(TemplateImport, RoundAndCdLabelsTakeRadiiAsRadii)
{
    const auto result = Convert(R"(
  <Template brand="X" part="R1" size="A4"><Meta category="round-label"/>
    <Label-round id="0" radius="20mm"><Layout nx="4" ny="5" x0="10mm" y0="10mm" dx="45mm" dy="50mm"/></Label-round>
  </Template>
  <Template brand="X" part="CD1" size="A4"><Meta category="media"/>
    <Label-cd id="0" radius="58.5mm" hole="20.5mm"><Layout nx="1" ny="2" x0="46.5mm" y0="21mm" dx="117mm" dy="138mm"/></Label-cd>
  </Template>
  <Template brand="X" part="CD2" size="A4">
    <Label-cd id="0" radius="58.5mm" hole="11mm" width="117mm" height="100mm"><Layout nx="1" ny="2" x0="46.5mm" y0="21mm" dx="117mm" dy="120mm"/></Label-cd>
  </Template>)");
    ASSERT_EQ(result.size(), 3u);
    auto* round = dynamic_cast<TMatrixPaperInfo*>(result[0].Paper.get());
    ASSERT_TRUE(round) << result[0].Refusal.toStdString();
    EXPECT_EQ(round->FaceWidth(), 400);
    EXPECT_EQ(round->FaceShape(), fsEllipse);
    EXPECT_EQ(round->RightMargin(), 50);
    auto* cd = dynamic_cast<TMatrixPaperInfo*>(result[1].Paper.get());
    ASSERT_TRUE(cd) << result[1].Refusal.toStdString();
    EXPECT_EQ(cd->FaceWidth(), 1170);
    EXPECT_EQ(cd->FaceShape(), fsDoughnut);
    EXPECT_EQ(cd->GetCutCenter(0), QSize(410, 410));
    EXPECT_EQ(cd->FacePurpose(), QStringLiteral("CD"));
    EXPECT_EQ(cd->GroupName(), QStringLiteral("CDラベル"));
    auto* barrel = dynamic_cast<TMatrixPaperInfo*>(result[2].Paper.get());
    ASSERT_TRUE(barrel) << result[2].Refusal.toStdString();
    EXPECT_EQ(barrel->FaceShape(), fsBarrelCD);
    EXPECT_EQ(barrel->FaceWidth(), 1170);
    EXPECT_EQ(barrel->FaceHeight(), 1000);
}

TEST(TemplateImport, AGridTenthsCannotHoldBecomesFreeLabels)
{
    // A 33.87 mm step over 8 rows drifts by more than 0.1 mm in any tenth-grid.
    const auto result = Convert(R"(
  <Template brand="X" part="DRIFT" size="A4">
    <Label-rectangle id="0" width="63.87mm" height="33.87mm">
      <Layout nx="3" ny="8" x0="6.7mm" y0="12.7mm" dx="65.97mm" dy="33.87mm"/></Label-rectangle></Template>)");
    ASSERT_TRUE(result[0].Paper) << result[0].Refusal.toStdString();
    auto* free = dynamic_cast<TFreePaperInfo*>(result[0].Paper.get());
    ASSERT_TRUE(free);
    ASSERT_EQ(free->GetFaceCount(), 24);
    const TLogRect last = free->GetFaceRect(23);
    EXPECT_NEAR(last.Left, (6.7 + 2 * 65.97) * 10, 0.5);
    EXPECT_NEAR(last.Top, (12.7 + 7 * 33.87) * 10, 0.5);
}

TEST(TemplateImport, EquivalentTakesTheGeometryUnderItsOwnNumber)
{
    const auto result = Convert(R"(
  <Template brand="Hisago" part="OP861" equiv="ELM007"/>
  <Template brand="Hisago" part="ELM007" size="A4">
    <Label-rectangle id="0" width="83.8mm" height="42.3mm" round="1.5mm">
      <Layout nx="2" ny="6" x0="20.3mm" y0="20.3mm" dx="87.6mm" dy="42.3mm"/></Label-rectangle>
  </Template>
  <Template brand="Hisago" part="NOPE" equiv="MISSING"/>)");
    ASSERT_EQ(result.size(), 3u);
    ASSERT_TRUE(result[0].Paper);
    EXPECT_EQ(result[0].Paper->PaperName(), QStringLiteral("ヒサゴ OP861 12面 83.8×42.3mm"));
    EXPECT_FALSE(result[2].Paper);
    EXPECT_TRUE(result[2].Refusal.contains(QStringLiteral("MISSING")));
}

TEST(TemplateImport, ImpossibleTemplatesAreRefusedWithAReason)
{
    const auto result = Convert(R"(
  <Template brand="X" part="ROLL" size="Other" width="62mm" height="100mm">
    <Label-continuous id="0" width="62mm"/></Template>
  <Template brand="X" part="OFF" size="A4">
    <Label-rectangle id="0" width="100mm" height="50mm"><Layout nx="3" ny="1" x0="0mm" y0="0mm" dx="100mm" dy="50mm"/></Label-rectangle></Template>
  <Template brand="X" part="OVER" size="A4">
    <Label-rectangle id="0" width="100mm" height="50mm"><Layout nx="2" ny="1" x0="0mm" y0="0mm" dx="90mm" dy="50mm"/></Label-rectangle></Template>
  <Template brand="X" part="TWO" size="A4">
    <Label-rectangle id="0" width="100mm" height="50mm">
      <Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/>
      <Layout nx="1" ny="1" x0="50mm" y0="25mm" dx="0mm" dy="0mm"/></Label-rectangle></Template>
  <Template brand="X" part="ZERO" size="A4">
    <Label-rectangle id="0" width="0mm" height="50mm"><Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/></Label-rectangle></Template>
  <Template brand="X" part="NEG" size="A4">
    <Label-rectangle id="0" width="-5mm" height="50mm"><Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/></Label-rectangle></Template>
  <Template brand="X" part="CORNER" size="A4">
    <Label-rectangle id="0" width="40mm" height="20mm" round="15mm"><Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/></Label-rectangle></Template>
  <Template brand="X" part="MANY" size="A4">
    <Label-rectangle id="0" width="1mm" height="1mm"><Layout nx="101" ny="100" x0="0mm" y0="0mm" dx="1mm" dy="1mm"/></Label-rectangle></Template>
  <Template brand="X" part="HOLE" size="A4">
    <Label-cd id="0" radius="20mm" hole="19.5mm"><Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/></Label-cd></Template>
  <Template brand="X" part="SIZE" size="Z9">
    <Label-rectangle id="0" width="10mm" height="10mm"><Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/></Label-rectangle></Template>
  <Template brand="X" part="NAN" size="A4">
    <Label-rectangle id="0" width="nanmm" height="10mm"><Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="0mm" dy="0mm"/></Label-rectangle></Template>)");
    const char* expected[][2] = {{"ROLL", "continuous"}, {"OFF", "run off"},     {"OVER", "overlap"},
                                 {"TWO", "overlap"},     {"ZERO", "zero"},       {"NEG", "not a length"},
                                 {"CORNER", "corner"},   {"MANY", "10000"},      {"HOLE", "ring"},
                                 {"SIZE", "sheet size"}, {"NAN", "not a length"}};
    ASSERT_EQ(result.size(), std::size(expected));
    for (size_t i = 0; i < result.size(); ++i) {
        EXPECT_EQ(result[i].Part, QString::fromLatin1(expected[i][0]));
        EXPECT_FALSE(result[i].Paper) << expected[i][0];
        EXPECT_TRUE(result[i].Refusal.contains(QString::fromLatin1(expected[i][1])))
            << expected[i][0] << ": " << result[i].Refusal.toStdString();
    }
}

TEST(TemplateImport, DamagedXmlIsRefusedWhole)
{
    TTemplateImporter importer;
    EXPECT_THROW(
        importer.AddFile(QStringLiteral("bad.xml"), QByteArray("<Glabels-templates><Template brand=\"X\"")),
        EFileError);
    EXPECT_THROW(importer.AddFile(QStringLiteral("bad2.xml"), QByteArray("\xff\xfe garbage")), EFileError);
    EXPECT_TRUE(importer.Convert().empty());
}

TEST(TemplateImport, StoredPapersReopenFromTheCatalogue)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("user.ppr"));
    RegisterCatalogueClasses();
    const auto result = Convert(R"(
  <Template brand="Hisago" part="ELM007" size="A4"><Meta category="label"/>
    <Label-rectangle id="0" width="83.8mm" height="42.3mm" round="1.5mm">
      <Layout nx="2" ny="6" x0="20.3mm" y0="20.3mm" dx="87.6mm" dy="42.3mm"/></Label-rectangle>
  </Template>
  <Template brand="X" part="OFF" size="A4">
    <Label-rectangle id="0" width="100mm" height="50mm"><Layout nx="3" ny="1" x0="0mm" y0="0mm" dx="100mm" dy="50mm"/></Label-rectangle></Template>)");
    {
        TVelmoPapers papers(file, false);
        EXPECT_EQ(TTemplateImporter::Store(papers, result), 1);
        papers.Close();
    }
    TVelmoPapers papers(file, true);
    ASSERT_EQ(papers.Count(), 1);
    const int index = papers.IndexOfName(QStringLiteral("ヒサゴ ELM007 12面 83.8×42.3mm"));
    ASSERT_GE(index, 0);
    EXPECT_EQ(papers.Paper(index)->GetFaceCount(), 12);
    QStringList companies;
    papers.GetCompanies(companies);
    EXPECT_TRUE(companies.contains(QStringLiteral("ヒサゴ")));
}
