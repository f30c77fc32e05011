// Image and background objects: stream forms and older entries, sizes, turned
// pictures with trimming and a key colour, frame pictures, backgrounds clipped to a
// face's shape, damaged streams and pictures that do not load.
#include "base/UStream.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct Images : ::testing::Test
{
    Images()
    {
        RegisterImagingGraphics();
        ClearLabelClasses();
        RegisterImageClasses();
    }
};

QByteArray StreamOf(const TDrawObject& object)
{
    TDOList list;
    list.Add(const_cast<TDrawObject*>(&object));
    TMemoryStream stream;
    WriteLabelData(stream, list);
    return stream.Data();
}

std::unique_ptr<TDrawObject> ReadBack(const QByteArray& bytes)
{
    TMemoryStream stream(bytes);
    TDOList list;
    ReadLabelData(stream, list);
    EXPECT_EQ(list.Count(), 1);
    return std::unique_ptr<TDrawObject>(list.Count() ? list[0] : nullptr);
}

QString TextOf(const TDrawObject& object)
{
    return ComponentToText(StreamOf(object));
}

// A picture of the size in one colour, optionally with a stripe of another colour
// down its left quarter.
void SetPicture(TImageData& data, QSize size, QColor colour, QColor stripe = QColor())
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    if (stripe.isValid()) {
        QPainter p(&image);
        p.fillRect(0, 0, size.width() / 4, size.height(), stripe);
    }
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(image);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    data.SetPicture(&picture);
}

QImage Render(TDrawObject& object, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    object.PaintBlended(p);
    p.end();
    return image;
}

bool IsWhite(QRgb c)
{
    return qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235;
}

bool IsRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

} // namespace

TEST_F(Images, StreamFormKeepsTheOrderAndAlwaysWritesAngleAndSource)
{
    TLOVelmoImage image;
    image.SetBaseRect({10, 20, 210, 120});
    SetPicture(*image.ImageData(), {40, 20}, Qt::red);
    const QString text = TextOf(image);
    const int data = text.indexOf(QStringLiteral("ImageData.Picture.Data"));
    const int alpha = text.indexOf(QStringLiteral("AlphaFrame"));
    const int angle = text.indexOf(QStringLiteral("Angle = 0"));
    const int source = text.indexOf(QStringLiteral("ImageSource = isFile"));
    EXPECT_GE(data, 0) << qPrintable(text);
    EXPECT_LT(data, angle);
    EXPECT_LT(angle, source);
    EXPECT_EQ(alpha, -1) << "False is the default";
    EXPECT_FALSE(text.contains(QStringLiteral("FramePicture"))) << "no frame, nothing written";
    EXPECT_FALSE(text.contains(QStringLiteral(" Picture.Data"))) << "the legacy entry is never written";
    EXPECT_TRUE(text.contains(QStringLiteral("  object TLOVelmoImage\n"))) << qPrintable(text);

    image.SetAngleValue(30);
    image.SetAlphaFrame(true);
    image.SetImageSource(isTwain);
    SetPicture(*image.ImageData(), {40, 20}, Qt::red);
    std::unique_ptr<TDrawObject> back = ReadBack(StreamOf(image));
    auto* copy = dynamic_cast<TLOVelmoImage*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Angle(), 30);
    EXPECT_TRUE(copy->AlphaFrame());
    EXPECT_EQ(copy->ImageSource(), isTwain);
    EXPECT_EQ(copy->ImageData()->Picture()->Width(), 40);
    // A picture made in memory is written as the bitmap writer lays it out; once
    // read, the object writes back byte for byte.
    std::unique_ptr<TDrawObject> again = ReadBack(StreamOf(*copy));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(StreamOf(*again), StreamOf(*copy)) << "byte for byte";
}

TEST_F(Images, TheOlderClassNamesAndTheLegacyPictureEntryAreRead)
{
    TLOVelmoImage image;
    image.SetBaseRect({0, 0, 100, 50});
    image.SetImageSource(isOnePoint);
    SetPicture(*image.ImageData(), {20, 10}, Qt::green);
    QString old = TextOf(image);
    old.replace(QStringLiteral("object TLOVelmoImage"), QStringLiteral("object TLOImage"));
    old.replace(QStringLiteral("ImageData.Picture.Data"), QStringLiteral("Picture.Data"));
    std::unique_ptr<TDrawObject> back;
    try {
        back = ReadBack(TextToComponentResource(old, QStringLiteral("LABELDATA")));
    } catch (const std::exception& e) {
        FAIL() << e.what() << "\n" << qPrintable(old);
    }
    auto* copy = dynamic_cast<TLOVelmoImage*>(back.get());
    ASSERT_NE(copy, nullptr) << "TLOImage is read as the current class";
    EXPECT_TRUE(copy->PictureUsed());
    EXPECT_EQ(copy->ImageData()->Picture()->Width(), 20);
    EXPECT_EQ(copy->ImageData()->TransparentColor(), kFrameOpenColor) << "one-point illustrations";
    EXPECT_FALSE(TextOf(*copy).contains(QStringLiteral("\n  Picture.Data"))) << "never written back";
}

TEST_F(Images, WizardEntriesRoundTripAndAssignCopiesThem)
{
    TLOVelmoImage image;
    image.SetWizInputEnable(true);
    image.SetWizInputCaption(QStringLiteral("写真を選んでください"));
    std::unique_ptr<TDrawObject> back = ReadBack(StreamOf(image));
    auto* copy = dynamic_cast<TLOVelmoImage*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->WizInputEnable());
    EXPECT_EQ(copy->WizInputCaption(), QStringLiteral("写真を選んでください"));
    TLOVelmoImage other;
    other.Assign(image);
    EXPECT_EQ(Supports<IDOWizardInput>(&other)->GetWizardCaption(), QStringLiteral("写真を選んでください"));
}

TEST_F(Images, ThePictureDefaultSizeIs180PixelsPerInch)
{
    TLOVelmoImage image;
    SetPicture(*image.ImageData(), {360, 180}, Qt::blue);
    EXPECT_EQ(image.DefaultSize(), QSize(508, 254));
    image.RefreshSize();
    EXPECT_EQ(image.PropWidth(), 508);
    EXPECT_EQ(image.PropHeight(), 254);
}

TEST_F(Images, TurningBy90SwapsTheEnclosingRectangleAboutTheCentreAndHitsFollow)
{
    TLOVelmoImage image;
    image.SetBaseRect({100, 150, 300, 250}); // 200 x 100 about (200, 200)
    image.SetAngleValue(90);
    const TLogRect e = image.GetEncloseRect();
    EXPECT_NEAR(e.Width(), 100, 1);
    EXPECT_NEAR(e.Height(), 200, 1);
    EXPECT_NEAR((e.Left + e.Right) / 2, 200, 1);
    EXPECT_NEAR((e.Top + e.Bottom) / 2, 200, 1);
    EXPECT_TRUE(image.HitTest({200, 110})) << "inside the turned picture";
    EXPECT_FALSE(image.HitTest({120, 200})) << "inside the upright rectangle only";
}

TEST_F(Images, TurnedPicturesWithTrimmingAndAKeyColourStayInsideTheirOutline)
{
    for (int angle : {0, 30, 90, 200}) {
        SCOPED_TRACE(angle);
        TLOVelmoImage image;
        SetPicture(*image.ImageData(), {200, 100}, Qt::red, Qt::blue);
        // Trimmed to the right three quarters minus a bit: the blue stripe is gone
        // but a key colour on blue would still be harmless.
        TClipFilter clip;
        clip.SetClipRect(TClipRect{60, 0, 200, 100});
        image.ImageData()->SetClipFilter(&clip);
        image.ImageData()->SetTransparentColor(0xFF0000); // blue (TColor order)
        image.SetBaseRect({130, 150, 270, 250});          // 140 x 100, as the trimmed picture
        image.SetAngleValue(angle);
        const QImage out = Render(image, {400, 400});
        const QPolygon outline = image.OutlinePolygon();
        int red = 0;
        for (int y = 0; y < out.height(); y += 2)
            for (int x = 0; x < out.width(); x += 2) {
                const QRgb c = out.pixel(x, y);
                if (!IsWhite(c) && !outline.containsPoint(QPoint(x, y), Qt::OddEvenFill)) {
                    // Only antialiased edge pixels may lie just outside.
                    bool nearEdge = false;
                    for (int dy = -2; dy <= 2 && !nearEdge; ++dy)
                        for (int dx = -2; dx <= 2 && !nearEdge; ++dx)
                            nearEdge = outline.containsPoint(QPoint(x + dx, y + dy), Qt::OddEvenFill);
                    EXPECT_TRUE(nearEdge) << x << "," << y;
                }
                if (IsRed(c))
                    ++red;
                EXPECT_FALSE(qBlue(c) > 200 && qRed(c) < 60) << "trimmed away: " << x << "," << y;
            }
        EXPECT_TRUE(IsRed(out.pixel(200, 200))) << "the centre shows the picture";
        EXPECT_GT(red, 500);
    }
}

TEST_F(Images, AKeyColourLeavesTheBackgroundShowing)
{
    TLOVelmoImage image;
    SetPicture(*image.ImageData(), {200, 100}, Qt::red, Qt::blue);
    image.ImageData()->SetTransparentColor(0xFF0000); // blue
    image.SetBaseRect({0, 0, 200, 100});
    for (int angle : {0, 30}) {
        image.SetAngleValue(angle);
        QImage out(200, 100, QImage::Format_RGB32);
        out.fill(Qt::green);
        QPainter p(&out);
        image.Paint(p);
        p.end();
        const QRgb stripe = out.pixel(20, 50);
        EXPECT_GT(qGreen(stripe), 200) << angle;
        EXPECT_LT(qBlue(stripe), 60) << angle;
    }
}

TEST_F(Images, AFramePictureShapesTheImage)
{
    TLOVelmoImage image;
    SetPicture(*image.ImageData(), {100, 100}, Qt::red);
    image.SetBaseRect({0, 0, 100, 100});
    // Frame: the outside colour on the left quarter, a black frame bar, the opening.
    QImage frame(50, 50, QImage::Format_RGB888);
    frame.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter fp(&frame);
    fp.fillRect(0, 0, 12, 50, QColor(0x90, 0x70, 0x60)); // TColor 0x607090
    fp.fillRect(12, 0, 4, 50, Qt::black);
    fp.end();
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(frame);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    image.FramePicture()->Assign(picture);
    const QImage out = Render(image, {100, 100});
    EXPECT_TRUE(IsWhite(out.pixel(5, 50))) << "outside the frame nothing shows";
    EXPECT_LT(qGray(out.pixel(28, 50)), 40) << "the frame itself";
    EXPECT_TRUE(IsRed(out.pixel(70, 50))) << "the opening shows the picture";
    EXPECT_FALSE(image.NeedsBlend());
    image.SetAlphaFrame(true);
    EXPECT_TRUE(image.NeedsBlend()) << "alpha frames blend even at ratio 100";
    const QImage alpha = Render(image, {100, 100});
    EXPECT_LT(qRed(alpha.pixel(5, 50)) - qGreen(alpha.pixel(5, 50)), 200) << "dark frame areas hide more";
}

TEST_F(Images, WithoutAPictureNothingIsDrawnAndNothingBlends)
{
    TLOVelmoImage image;
    image.SetBaseRect({0, 0, 50, 50});
    image.SetBlendRatio(50);
    EXPECT_FALSE(image.NeedsBlend());
    const QImage out = Render(image, {60, 60});
    for (int y = 0; y < 60; y += 5)
        for (int x = 0; x < 60; x += 5)
            EXPECT_TRUE(IsWhite(out.pixel(x, y)));
}

TEST_F(Images, APictureThatFailsToLoadShowsTheErrorPicture)
{
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("broken.png"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x89PNG\r\n\x1a\nnot really");
    f.close();
    TLOVelmoImage image;
    image.LoadPicture(bad);
    ASSERT_TRUE(image.HasPicture());
    EXPECT_EQ(image.ImageData()->Picture()->Width(), ErrorPicture().Width());
    image.SetBaseRect({0, 0, 100, 50});
    Render(image, {100, 50}); // paints, does not throw
    image.LoadPicture(dir.filePath(QStringLiteral("missing.bmp")));
    EXPECT_EQ(image.ImageData()->Picture()->Width(), ErrorPicture().Width());
}

TEST_F(Images, ABackgroundOnACDFaceLeavesTheHoleAndTheOutsideUntouched)
{
    TLOBackImage back;
    EXPECT_EQ(back.LayerGroup(), -100);
    EXPECT_TRUE(back.IsEmpty());
    TFaceInfo face;
    face.FaceShape = fsDoughnut;
    face.Rect = {0, 0, 1160, 1160};
    face.CutCenterWidth = 410;
    face.CutCenterHeight = 410;
    back.SetFaceInfo(face);
    back.FitToFace({0, 0, 1160, 1160});
    back.FillColor()->SetColor(0x0000FF); // red
    EXPECT_FALSE(back.IsEmpty());
    QImage out(290, 290, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.scale(0.25, 0.25);
    back.PaintBlended(p);
    p.end();
    EXPECT_TRUE(IsWhite(out.pixel(145, 145))) << "the hole";
    EXPECT_TRUE(IsWhite(out.pixel(3, 3))) << "outside the round face";
    EXPECT_TRUE(IsWhite(out.pixel(286, 286)));
    EXPECT_TRUE(IsRed(out.pixel(145, 20))) << "the ring";
    EXPECT_TRUE(IsRed(out.pixel(40, 145)));
    EXPECT_FALSE(back.HitTest({500, 100})) << "never hit";
}

TEST_F(Images, ABackgroundFrameAndAPictureFillCoveringTheFace)
{
    TLOBackImage back;
    back.FitToFace({0, 0, 200, 100});
    back.SetFrameWidth(10);
    back.FrameColor()->SetColor(0x000000);
    back.FillColor()->SetKind(TColorSpecKind::cskBitmap);
    // A square picture, left half red and right half blue: covering a 2:1 face it
    // is cut at the top and bottom, so the face is half red, half blue.
    QImage pic(100, 100, QImage::Format_RGB888);
    pic.fill(Qt::blue);
    QPainter pp(&pic);
    pp.fillRect(0, 0, 50, 100, Qt::red);
    pp.end();
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(pic);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    back.FillColor()->ImageData()->SetPicture(&picture);
    back.FillColor()->SetKind(TColorSpecKind::cskBitmap);
    const QImage out = Render(back, {200, 100});
    EXPECT_LT(qGray(out.pixel(3, 50)), 30) << "the frame";
    EXPECT_TRUE(IsRed(out.pixel(50, 50)));
    EXPECT_GT(qBlue(out.pixel(150, 50)), 200);
    EXPECT_LT(qRed(out.pixel(150, 50)), 60);
    back.Reset();
    EXPECT_TRUE(back.IsEmpty());
    EXPECT_FALSE(back.FillColor()->ImageData()->Picture()->HasGraphic());
}

TEST_F(Images, ABackgroundBlendPictureMixesTheTwoColours)
{
    TLOBackImage back;
    back.FitToFace({0, 0, 100, 100});
    back.FillColor()->SetColor(0xFFFFFF);
    back.BlendColor()->SetColor(0x000000);
    QImage map(2, 1, QImage::Format_RGB888);
    map.setPixel(0, 0, qRgb(0, 0, 0));
    map.setPixel(1, 0, qRgb(255, 255, 255));
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(map);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    back.BlendPicture()->Assign(picture);
    EXPECT_FALSE(back.IsEmpty());
    QImage out = Render(back, {100, 100});
    EXPECT_TRUE(IsWhite(out.pixel(10, 50))) << "dark map: the fill";
    EXPECT_LT(qGray(out.pixel(90, 50)), 20) << "bright map: the blend colour";
    back.SetBlendRatio(50);
    EXPECT_FALSE(back.NeedsBlend()) << "the ratio mixes the map only";
    out = Render(back, {100, 100});
    EXPECT_NEAR(qGray(out.pixel(90, 50)), 128, 10);
    const QString text = TextOf(back);
    EXPECT_TRUE(text.contains(QStringLiteral("BlendRatio = 50"))) << qPrintable(text);
    std::unique_ptr<TDrawObject> read = ReadBack(StreamOf(back));
    auto* copy = dynamic_cast<TLOBackImage*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->BackBlendRatio(), 50);
    EXPECT_TRUE(copy->BlendPicture()->HasGraphic());
    // A picture made in memory is written as the bitmap writer lays it out; once
    // read, the object writes back byte for byte.
    std::unique_ptr<TDrawObject> again = ReadBack(StreamOf(*copy));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(StreamOf(*again), StreamOf(*copy)) << "byte for byte";
}

TEST_F(Images, OlderBackgroundEntriesAreReadAndHaveNoEffect)
{
    TLOBackImage back;
    back.FitToFace({0, 0, 100, 100});
    TLOVelmoImage donor;
    SetPicture(*donor.ImageData(), {10, 10}, Qt::red);
    const QString donorText = TextOf(donor);
    const int at = donorText.indexOf(QStringLiteral("ImageData.Picture.Data = {"));
    ASSERT_GE(at, 0);
    const int end = donorText.indexOf(u'}', at);
    const QString data = donorText.mid(at, end - at + 1)
                             .replace(QStringLiteral("ImageData.Picture.Data"), QStringLiteral("Image.Data"));
    QString old = TextOf(back);
    const int last = old.indexOf(QStringLiteral("\n  end")) + 1;
    old.insert(last,
               QStringLiteral("    EllipseClip = True\n    CenterClip = False\n    CenterRadius = 12\n    ") +
                   data + QStringLiteral("\n"));
    std::unique_ptr<TDrawObject> read;
    try {
        read = ReadBack(TextToComponentResource(old, QStringLiteral("LABELDATA")));
    } catch (const std::exception& e) {
        FAIL() << e.what() << "\n" << qPrintable(old);
    }
    auto* copy = dynamic_cast<TLOBackImage*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->FillColor()->Kind(), TColorSpecKind::cskBitmap);
    EXPECT_EQ(copy->FillColor()->ImageData()->Picture()->Width(), 10);
    const QString again = TextOf(*copy);
    EXPECT_FALSE(again.contains(QStringLiteral("EllipseClip")));
    EXPECT_FALSE(again.contains(QStringLiteral("\n  Image.Data")));
}

TEST_F(Images, DamagedImageStreamsAreRefusedWithoutACrash)
{
    TLOVelmoImage image;
    image.SetBaseRect({0, 0, 40, 20});
    image.SetAngleValue(30);
    SetPicture(*image.ImageData(), {8, 4}, Qt::red);
    TLOBackImage back;
    back.FitToFace({0, 0, 40, 40});
    for (const QByteArray& good : {StreamOf(image), StreamOf(back)}) {
        for (int cut = 1; cut < good.size(); cut += 7) {
            TMemoryStream stream(good.left(cut));
            TDOList list;
            try {
                ReadLabelData(stream, list);
            } catch (const std::exception&) {
            }
            list.FreeObjects();
        }
        for (int i = 0; i < good.size(); i += 2) {
            QByteArray bad = good;
            bad[i] = char(bad[i] ^ 0x5A);
            TMemoryStream stream(bad);
            TDOList list;
            try {
                ReadLabelData(stream, list);
            } catch (const std::exception&) {
            }
            for (TDrawObject* o : list.Objects()) {
                QImage out(64, 64, QImage::Format_RGB32);
                QPainter p(&out);
                try {
                    o->PaintBlended(p);
                } catch (const std::exception&) {
                }
                o->HitTest({5, 5});
                o->GetEncloseRect();
            }
            list.FreeObjects();
        }
    }
    SUCCEED();
}

// Writes the kept inputs of the image-design fuzz target when asked
// (VELMO_WRITE_FUZZ_SEEDS=<folder>): an image of every kind of setting and a
// background with every part.
TEST_F(Images, FuzzSeeds)
{
    const QString dir = qEnvironmentVariable("VELMO_WRITE_FUZZ_SEEDS");
    if (dir.isEmpty())
        GTEST_SKIP() << "only when asked";
    TLOVelmoImage image;
    image.SetBaseRect({10, 10, 410, 210});
    SetPicture(*image.ImageData(), {8, 4}, Qt::red, Qt::blue);
    image.ImageData()->SetTransparentColor(0xFF0000);
    image.SetAngleValue(30);
    image.SetBlendRatio(60);
    image.FramePicture()->Assign(*image.ImageData()->Picture());
    TLOBackImage back;
    back.FitToFace({0, 0, 600, 400});
    back.SetFrameWidth(20);
    back.BlendPicture()->Assign(*image.ImageData()->Picture());
    TDOList list;
    list.Add(&image);
    list.Add(&back);
    TMemoryStream stream;
    WriteLabelData(stream, list);
    QFile out(dir + QStringLiteral("/image-and-background.res"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(stream.Data());
    QFile cut(dir + QStringLiteral("/truncated.res"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(stream.Data().left(stream.Data().size() / 2));
    list.Clear();
}

// Every kind drawn on one picture (VELMO_TEST_SHOTS=<folder> keeps it for a look):
// turned pictures with a key colour, a framed one, and a CD background with a frame
// and a blend picture. Each must paint inside its enclosing rectangle.
TEST_F(Images, GalleryPaintsInsideTheEnclosingRectangles)
{
    QImage sheet(1200, 400, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    std::vector<std::unique_ptr<TLORectBase>> objects;
    int x = 20;
    for (int angle : {0, 30, 90, 200}) {
        auto image = std::make_unique<TLOVelmoImage>();
        SetPicture(*image->ImageData(), {160, 100}, QColor(230, 120, 20), Qt::blue);
        image->ImageData()->SetTransparentColor(0xFF0000);
        image->SetBaseRect({x, 100, x + 160, 200});
        image->SetAngleValue(angle);
        objects.push_back(std::move(image));
        x += 200;
    }
    TLOBackImage* cd = new TLOBackImage;
    objects.emplace_back(cd);
    TFaceInfo face;
    face.FaceShape = fsDoughnut;
    face.Rect = {0, 0, 360, 360};
    face.CutCenterWidth = 120;
    face.CutCenterHeight = 120;
    cd->SetFaceInfo(face);
    cd->FitToFace({0, 0, 360, 360});
    cd->SetBaseRect({820, 20, 1180, 380});
    cd->SetFrameWidth(12);
    cd->FrameColor()->SetColor(0x402000);
    cd->FillColor()->SetColor(0xC0E0FF);
    QImage map(64, 64, QImage::Format_RGB888);
    for (int yy = 0; yy < 64; ++yy)
        for (int xx = 0; xx < 64; ++xx)
            map.setPixel(xx, yy, ((xx / 8 + yy / 8) % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(map);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    cd->BlendPicture()->Assign(picture);
    cd->BlendColor()->SetColor(0x3050A0);
    cd->SetBlendRatio(70);
    for (auto& object : objects) {
        QImage alone(sheet.size(), QImage::Format_RGB32);
        alone.fill(Qt::white);
        {
            QPainter p(&alone);
            object->PaintBlended(p);
        }
        const TLogRect e = object->GetEncloseRect();
        const QRect allowed = QRect(e.Left, e.Top, e.Width(), e.Height()).adjusted(-2, -2, 2, 2);
        int inside = 0;
        for (int yy = 0; yy < alone.height(); ++yy)
            for (int xx = 0; xx < alone.width(); ++xx)
                if (!IsWhite(alone.pixel(xx, yy))) {
                    EXPECT_TRUE(allowed.contains(xx, yy)) << object->ClassName() << " " << xx << "," << yy;
                    ++inside;
                    if (!allowed.contains(xx, yy))
                        return;
                }
        EXPECT_GT(inside, 1000);
        QPainter p(&sheet);
        object->PaintBlended(p);
    }
    const QString dir = qEnvironmentVariable("VELMO_TEST_SHOTS");
    if (!dir.isEmpty())
        sheet.save(dir + QStringLiteral("/images-gallery.png"));
}

// ---- a picture pasted from another program

#include "draw/FDrawSite.h"
#include "objects/ULOCreator.h"
#include "objects/UStandardDSA.h"
#include <QBuffer>
#include <QMimeData>

TEST_F(Images, APastedPictureBecomesAnImageObjectAtItsDefaultSize)
{
    TDesignerList::Instance().Clear();
    TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(2000);
    site.SetLogHeight(1000);
    QImage picture(360, 180, QImage::Format_ARGB32);
    picture.fill(QColor(0, 128, 255, 255));
    for (int x = 0; x < 90; ++x)
        for (int y = 0; y < 180; ++y)
            picture.setPixel(x, y, qRgba(0, 0, 0, 0)); // transparent quarter → white
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/png"), png);
    TDSAPaste paste;
    QMimeData* raw = data.get();
    paste.Source = [raw] { return raw; };
    ASSERT_TRUE(paste.Execute(&site));
    ASSERT_EQ(site.ObjectCount(), 1);
    auto* image = dynamic_cast<TLOVelmoImage*>(site.Objects(0));
    ASSERT_NE(image, nullptr) << "the image class registered under TLOImagePaste";
    EXPECT_EQ(image->ImageData()->Picture()->Width(), 360);
    EXPECT_EQ(image->BaseRect().Width(), 508);
    EXPECT_EQ(image->BaseRect().Height(), 254);
    const QImage shown = PictureToArgb(image->ImageData()->Picture());
    EXPECT_EQ(qRed(shown.pixel(10, 10)), 255) << "transparency flattened onto white";
    TDesignerList::Instance().Clear();
}

TEST_F(Images, AHugePictureFileIsCappedAndShowsTheErrorPicture)
{
    RegisterPictureFormats();
    // A BMP header announcing 20,000 x 20,000 pixels of 24 bits with no pixels behind it.
    QByteArray bmp(54, '\0');
    auto put32 = [&bmp](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 20000);
    put32(22, 20000);
    bmp[26] = 1;
    bmp[28] = 24;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("huge.bmp"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    TLOVelmoImage image;
    image.LoadPicture(file);
    ASSERT_TRUE(image.HasPicture());
    EXPECT_EQ(image.ImageData()->Picture()->Width(), ErrorPicture().Width());
    image.SetBaseRect({0, 0, 100, 100});
    Render(image, {100, 100});
}
