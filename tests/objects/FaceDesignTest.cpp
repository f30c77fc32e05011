// The paper's background designs on faces: which design each label shows, the
// pictures (where the objects land, upright and turned, transparent elsewhere, the
// size cap), the cache, and a paper site drawing them inside the label outlines only.
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "draw/UCanvas.h"
#include "imaging/UColorSpec.h"
#include "objects/FShapeDialogs.h"
#include "objects/UFaceDesign.h"
#include "objects/ULOFace.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

TLORect* NewRect(const TLogRect& r, TColor fill)
{
    auto* rect = new TLORect;
    rect->SetBaseRect(r);
    rect->FillColor()->SetColor(fill);
    rect->FrameColor()->SetColor(fill);
    rect->SetFillInside(true);
    return rect;
}

// Designs for count labels; label i gets the rectangles given for it.
std::unique_ptr<TImagePaperInfo> Designs(bool separate,
                                         const std::vector<std::vector<std::pair<TLogRect, TColor>>>& faces)
{
    auto designs = std::make_unique<TImagePaperInfo>();
    designs->SetPaperName(QStringLiteral("柄つき"));
    designs->SetSeparatelyDesign(separate);
    designs->SetLabelCount(int(faces.size()));
    for (size_t i = 0; i < faces.size(); ++i) {
        TDOList list;
        for (const auto& [r, c] : faces[i])
            list.Add(NewRect(r, c));
        designs->SetFaceObjects(int(i), list);
        list.FreeObjects();
    }
    return designs;
}

// A4, 2 × 3 labels of 90 × 90 mm at 10 mm from the corner with 5 mm gaps.
std::unique_ptr<TMatrixPaperInfo> Grid(TFaceShape shape = fsRect)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(900);
    paper->SetRightMargin(50);
    paper->SetBottomMargin(50);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(3);
    paper->SetFaceShape(shape);
    return paper;
}

QColor PixelAt(const QImage& image, QPoint logical, int dpi)
{
    return image.pixelColor(MulDiv(logical.x(), dpi, 254), MulDiv(logical.y(), dpi, 254));
}

class FaceDesign : public ::testing::Test
{
protected:
    void SetUp() override { RegisterShapeClasses(); }
};

} // namespace

TEST_F(FaceDesign, EachLabelShowsItsOwnOrTheFirstDesign)
{
    TFaceDesigns none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(none.DesignIndex(0), -1);
    auto paper = Grid();
    EXPECT_TRUE(none.Picture(*paper, 0, 96).IsNull());

    TFaceDesigns separate;
    separate.TakeDesigns(Designs(true, {{}, {{{0, 0, 100, 100}, kRed}}}));
    EXPECT_FALSE(separate.IsEmpty());
    EXPECT_EQ(separate.DesignIndex(1), 1);
    EXPECT_EQ(separate.DesignIndex(2), -1); // the designs hold two labels only
    EXPECT_EQ(separate.DesignIndex(-1), -1);
    EXPECT_TRUE(separate.Picture(*paper, 0, 96).IsNull()); // an empty list draws nothing
    EXPECT_FALSE(separate.Picture(*paper, 1, 96).IsNull());
    EXPECT_TRUE(separate.Picture(*paper, 2, 96).IsNull());
    EXPECT_TRUE(separate.Picture(*paper, 6, 96).IsNull()); // beyond the paper's labels

    TFaceDesigns shared;
    shared.TakeDesigns(Designs(false, {{{{0, 0, 100, 100}, kRed}}}));
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(shared.DesignIndex(k), 0);
    // One design, one size: drawn once for all six labels.
    for (int k = 0; k < 6; ++k)
        EXPECT_FALSE(shared.Picture(*paper, k, 96).IsNull());
    EXPECT_EQ(shared.Rendered(), 1);
    shared.Picture(*paper, 0, 120);
    EXPECT_EQ(shared.Rendered(), 2);
    // New designs forget the old pictures.
    shared.SetDesigns(nullptr);
    EXPECT_TRUE(shared.IsEmpty());
    EXPECT_TRUE(shared.Picture(*paper, 0, 96).IsNull());
}

TEST_F(FaceDesign, ThePictureHoldsTheObjectsWhereTheyLieOnTheLabel)
{
    TFaceDesigns designs;
    designs.TakeDesigns(Designs(false, {{{{100, 200, 400, 300}, kRed}, {{300, 0, 900, 100}, kBlue}}}));
    // The face list as the catalogue stores it, kept for the fuzzer.
    if (const QString seeds = qEnvironmentVariable("VELMO_FUZZ_SEED_DIR"); !seeds.isEmpty()) {
        TMemoryStream stream;
        designs.Designs()->Faces(0).SaveToStream(stream);
        QFile seed(seeds + QStringLiteral("/two-rects.bin"));
        if (seed.open(QIODevice::WriteOnly))
            seed.write(stream.Data());
    }
    auto paper = Grid();
    const TFacePicture picture = designs.Picture(*paper, 0, 254); // one pixel per unit
    ASSERT_FALSE(picture.IsNull());
    EXPECT_EQ(picture.Size, QSize(900, 900));
    EXPECT_EQ(picture.Image.size(), QSize(900, 900));
    EXPECT_EQ(picture.Image.pixelColor(250, 250), QColor(Qt::red));
    EXPECT_EQ(picture.Image.pixelColor(50, 50).alpha(), 0);   // no object: transparent
    EXPECT_EQ(picture.Image.pixelColor(450, 250).alpha(), 0); // right of the rectangle
    EXPECT_EQ(picture.Image.pixelColor(250, 350).alpha(), 0); // below it
}

TEST_F(FaceDesign, ALandscapePaperTurnsTheDesignWithTheSheet)
{
    TFaceDesigns designs;
    // A bar along the top edge of the upright label.
    designs.TakeDesigns(Designs(false, {{{{0, 0, 900, 100}, kRed}}}));
    auto paper = Grid();
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(600);
    paper->SetLandscape(true);
    const TFacePicture picture = designs.Picture(*paper, 0, 254);
    ASSERT_FALSE(picture.IsNull());
    // The turned label is 600 wide and 900 high; the sheet turns a quarter to the
    // left, so the label's top edge becomes its left edge.
    EXPECT_EQ(picture.Size, QSize(600, 900));
    EXPECT_EQ(picture.Image.pixelColor(50, 450), QColor(Qt::red));
    EXPECT_EQ(picture.Image.pixelColor(300, 50).alpha(), 0);
    EXPECT_EQ(picture.Image.pixelColor(550, 450).alpha(), 0);
}

TEST_F(FaceDesign, AHugeLabelAtAHighResolutionIsDrawnWithFewerPixels)
{
    TFaceDesigns designs;
    designs.TakeDesigns(Designs(false, {{{{0, 0, 5000, 5000}, kRed}}}));
    const TFacePicture picture = designs.Picture(0, QSize(10000, 10000), false, 1200);
    ASSERT_FALSE(picture.IsNull());
    EXPECT_EQ(picture.Size, QSize(10000, 10000));
    EXPECT_LE(qint64(picture.Image.width()) * picture.Image.height(), kMaxFacePicturePixels + 2 * 2001);
    EXPECT_GE(picture.Image.width(), 1000);
    // Still the same place: the upper left quarter.
    EXPECT_EQ(picture.Image.pixelColor(picture.Image.width() / 4, picture.Image.height() / 4),
              QColor(Qt::red));
    EXPECT_EQ(picture.Image.pixelColor(picture.Image.width() * 3 / 4, picture.Image.height() / 4).alpha(), 0);
    // Sizes and resolutions that cannot be drawn give nothing rather than a crash.
    EXPECT_TRUE(designs.Picture(0, QSize(0, 100), false, 96).IsNull());
    EXPECT_TRUE(designs.Picture(0, QSize(100, -5), false, 96).IsNull());
    EXPECT_TRUE(designs.Picture(0, QSize(100, 100), false, 0).IsNull());
}

namespace {

// The site drawn at dpi onto white.
QImage DrawSite(TPaperSite& site, int dpi)
{
    const int percent = 100;
    QImage image(MulDiv(site.LogWidth(), dpi, 254), MulDiv(site.LogHeight(), dpi, 254), QImage::Format_RGB32);
    SetImageDPI(image, dpi);
    image.fill(Qt::white);
    QPainter p(&image);
    site.DrawTo(p, QPoint(0, 0), percent);
    return image;
}

} // namespace

TEST_F(FaceDesign, APaperSiteDrawsTheDesignsInsideTheLabelsOnly)
{
    auto paper = Grid();
    TPaperSite site;
    site.SetPaper(paper.get());
    // Label 1 (top right, at 1050,100) carries a red block that runs 5 mm past its
    // left and right edges; label 4 a blue one; the others nothing.
    site.TakeDesigns(
        Designs(true, {{}, {{{-50, 200, 950, 500}, kRed}}, {}, {}, {{{0, 0, 300, 300}, kBlue}}}));
    const int dpi = 127; // half a pixel per unit
    const QImage image = DrawSite(site, dpi);
    if (qEnvironmentVariableIsSet("VELMO_TEST_SHOTS"))
        image.save(qEnvironmentVariable("VELMO_TEST_SHOTS") + QStringLiteral("/paper-site-designs.png"));
    EXPECT_EQ(PixelAt(image, {1050 + 500, 100 + 350}, dpi), QColor(Qt::red));
    EXPECT_EQ(PixelAt(image, {100 + 150, 2000 + 150}, dpi), QColor(Qt::blue))
        << "label 4 is the first of the third row";
    // Labels without designs stay white inside.
    EXPECT_EQ(PixelAt(image, {100 + 500, 100 + 350}, dpi), QColor(Qt::white));
    EXPECT_EQ(PixelAt(image, {1050 + 500, 1050 + 350}, dpi), QColor(Qt::white));
    // The block stops at the label's edges: the 5 mm past them on the sheet stay white.
    EXPECT_EQ(PixelAt(image, {1980, 100 + 350}, dpi), QColor(Qt::white));
    EXPECT_EQ(PixelAt(image, {1020, 100 + 350}, dpi), QColor(Qt::white));
    // The outline is drawn over the design: black on label 1's left edge.
    const QColor edge = PixelAt(image, {1050, 100 + 350}, dpi);
    EXPECT_LT(edge.red() + edge.green() + edge.blue(), 200) << edge.name().toStdString();
    // Removing the designs leaves the labels plain.
    site.SetDesigns(nullptr);
    const QImage plain = DrawSite(site, dpi);
    EXPECT_EQ(PixelAt(plain, {1050 + 500, 100 + 350}, dpi), QColor(Qt::white));
    EXPECT_EQ(PixelAt(plain, {100 + 150, 2000 + 150}, dpi), QColor(Qt::white));
}

TEST_F(FaceDesign, TheDesignKeepsOutOfACDLabelsHoleAndFollowsAChosenFace)
{
    auto paper = Grid(fsDoughnut);
    paper->SetCutCenterWidth(400);
    paper->SetCutCenterHeight(400);
    TPaperSite site;
    site.SetPaper(paper.get());
    // Fills the whole label: the ring is red, the hole and the corners are not.
    site.TakeDesigns(Designs(false, {{{{0, 0, 900, 900}, kRed}}}));
    site.Choose(0);
    const int dpi = 127;
    const QImage image = DrawSite(site, dpi);
    // The chosen label: the design lies over its face colour.
    EXPECT_EQ(PixelAt(image, {100 + 450, 100 + 100}, dpi), QColor(Qt::red));
    // Another label: red ring, white hole, white outside the circle.
    EXPECT_EQ(PixelAt(image, {1050 + 450, 100 + 100}, dpi), QColor(Qt::red));
    EXPECT_EQ(PixelAt(image, {1050 + 450, 100 + 450}, dpi), QColor(Qt::white));
    EXPECT_EQ(PixelAt(image, {1050 + 30, 100 + 30}, dpi), QColor(Qt::white));
}

TEST_F(FaceDesign, ObjectsStoredUnderOneNameAreAllDrawn)
{
    // A catalogue design whose objects shared a name ended the program: a draw site
    // refuses a name used twice. Names mean nothing to a drawing.
    TDOList list;
    list.Add(NewRect({100, 200, 400, 300}, kRed));
    list.Add(NewRect({300, 0, 900, 100}, kBlue));
    for (TDrawObject* object : list.Objects())
        object->SetName(QStringLiteral("Box"));
    TMemoryStream stored;
    list.SaveToStream(stored);
    list.FreeObjects();

    auto info = std::make_unique<TImagePaperInfo>();
    TMemoryStream stream(stored.Data());
    info->LoadFace(stream);
    ASSERT_EQ(info->Faces(0).Count(), 2);
    TFaceDesigns designs;
    designs.TakeDesigns(std::move(info));
    const TFacePicture picture = designs.Picture(0, QSize(900, 900), false, 254);
    ASSERT_FALSE(picture.IsNull());
    EXPECT_EQ(picture.Image.pixelColor(250, 250), QColor(Qt::red));
    EXPECT_EQ(picture.Image.pixelColor(600, 50), QColor(Qt::blue));
}
