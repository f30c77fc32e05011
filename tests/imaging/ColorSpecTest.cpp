// Colour settings: their stream form byte for byte, the rules of their
// properties, Assign, and what Fill paints for each kind.
#include "imaging/UColorSpec.h"
#include "imaging/UDIB.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/StreamBytes.h"
#include "support/TestSupport.h"
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

// An owner of a colour setting, as a label object holds one.
class TSpecOwner : public TComponent
{
    VELMO_PERSISTENT(TSpecOwner, TComponent)
public:
    explicit TSpecOwner(TComponent* owner = nullptr) : TComponent(owner) {}
    TColorSpec* FillColor() const { return FFill.get(); }

private:
    std::unique_ptr<TColorSpec> FFill = std::make_unique<TColorSpec>();
};

} // namespace

const TPropertyTable& TSpecOwner::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("FillColor", &TSpecOwner::FillColor);
    return table;
}

namespace {

class ColorSpecTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterClass<TSpecOwner>();
        RegisterImagingGraphics();
    }
};

QByteArray Colors(std::initializer_list<uint32_t> colours)
{
    StreamBytes b;
    b.U32(uint32_t(colours.size()));
    for (uint32_t c : colours)
        b.U32(c);
    return b.Data();
}

// A small picture with a different colour in each pixel.
QImage Pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(20 * x + 5, 25 * y + 3, (x * 7 + y * 13) % 256));
    return image;
}

QByteArray StreamOf(const TSpecOwner& owner)
{
    return ComponentStreamBytes(owner);
}

std::unique_ptr<TSpecOwner> ReadBack(const QByteArray& bytes)
{
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    auto owner = std::make_unique<TSpecOwner>();
    ReadComponentInto(stream, *owner);
    return owner;
}

TEST_F(ColorSpecTest, DefaultsWriteNothing)
{
    TSpecOwner owner;
    EXPECT_EQ(StreamOf(owner), StreamBytes().Header("TSpecOwner").End().End().Data());
}

TEST_F(ColorSpecTest, GradationStreamIsByteExact)
{
    TSpecOwner owner;
    TColorSpec& spec = *owner.FillColor();
    spec.SetColor(0x0000FF);
    spec.SetStyle(TBrushStyle::bsCross);
    spec.SetKind(TColorSpecKind::cskGradation);
    spec.SetGradAngle(45);
    spec.SetGradKind(rgGradationKind::rgkConeClockwise);
    spec.GradColors()->SetColors({0x00FF00, 0x123456, 0x800000});
    spec.GradColors()->SetRepeatCount(3);
    const QByteArray expected = StreamBytes()
                                    .Header("TSpecOwner")
                                    .Prop("FillColor.Color")
                                    .Ident("clRed")
                                    .Prop("FillColor.Style")
                                    .Ident("bsCross")
                                    .Prop("FillColor.Kind")
                                    .Ident("cskGradation")
                                    .Prop("FillColor.GradAngle")
                                    .Int(45)
                                    .Prop("FillColor.GradKind")
                                    .Ident("rgkConeClockwise")
                                    .Prop("FillColor.GradColors.RepeatCount")
                                    .Int(3)
                                    .Prop("FillColor.GradColors.Colors")
                                    .Byte(10)
                                    .U32(16)
                                    .Raw(Colors({0x00FF00, 0x123456, 0x800000}))
                                    .End()
                                    .End()
                                    .Data();
    const QByteArray bytes = StreamOf(owner);
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
    // Read back and written again: the same bytes.
    EXPECT_EQ(StreamOf(*ReadBack(bytes)), bytes);
    // And through the text form.
    EXPECT_EQ(TextToComponent(ComponentToText(bytes)), bytes);
}

TEST_F(ColorSpecTest, EveryKindRoundTrips)
{
    std::vector<std::function<void(TColorSpec&)>> kinds = {
        [](TColorSpec& s) { s.SetColor(0x123456); },
        [](TColorSpec& s) {
            s.SetColor(clNone);
            s.SetStyle(TBrushStyle::bsClear);
        },
        [](TColorSpec& s) {
            s.SetKind(TColorSpecKind::cskBitmap);
            s.SetBitmap(Pattern(6, 4));
            s.SetTile(true);
            s.SetTileShift(true);
        },
        [](TColorSpec& s) {
            s.SetKind(TColorSpecKind::cskBitmap);
            s.SetBitmap(Pattern(3, 9));
            s.ImageData()->SetTransparentColor(0x030505);
        },
        [](TColorSpec& s) {
            s.SetKind(TColorSpecKind::cskGradation);
            s.SetGradDir(rgGradationDir::rgdRimToCenter);
        },
        [](TColorSpec& s) {
            s.SetKind(TColorSpecKind::cskGradation);
            s.SetGradKind(rgGradationKind::rgkCircleToRim);
            s.GradColors()->SetColors({0xFFFFFF, 0x000000}); // the default list: no Colors entry
        },
    };
    for (size_t k = 0; k < kinds.size(); ++k) {
        TSpecOwner owner;
        kinds[k](*owner.FillColor());
        const QByteArray bytes = StreamOf(owner);
        const auto again = ReadBack(bytes);
        EXPECT_EQ(again->FillColor()->Kind(), owner.FillColor()->Kind()) << k;
        EXPECT_EQ(StreamOf(*again), bytes) << k;
        EXPECT_EQ(TextToComponent(ComponentToText(bytes)), bytes) << k;
    }
}

TEST_F(ColorSpecTest, ColorsAreWrittenUnlessWhiteThenBlack)
{
    TSpecOwner owner;
    owner.FillColor()->SetKind(TColorSpecKind::cskGradation);
    EXPECT_FALSE(StreamOf(owner).contains("Colors"));
    owner.FillColor()->GradColors()->SetColors({0x000000, 0xFFFFFF});
    const QByteArray bytes = StreamOf(owner);
    EXPECT_TRUE(bytes.contains(StreamBytes().Prop("FillColor.GradColors.Colors").Byte(10).U32(12).Data() +
                               Colors({0x000000, 0xFFFFFF})));
}

TEST_F(ColorSpecTest, AnEmptyImageNeverStreamsAsBitmap)
{
    TSpecOwner owner;
    TColorSpec& spec = *owner.FillColor();
    spec.SetColor(0x00FF00);
    spec.SetKind(TColorSpecKind::cskBitmap);
    EXPECT_EQ(spec.Kind(), TColorSpecKind::cskSolid);
    EXPECT_FALSE(StreamOf(owner).contains("Kind"));
    spec.SetBitmap(Pattern(2, 2));
    EXPECT_EQ(spec.Kind(), TColorSpecKind::cskBitmap);
    spec.SetBitmap(QImage()); // an empty bitmap keeps the picture
    EXPECT_EQ(spec.Kind(), TColorSpecKind::cskBitmap);
    spec.ImageData()->Clear();
    EXPECT_EQ(spec.Kind(), TColorSpecKind::cskSolid);
    // And it paints its solid colour.
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    spec.Fill(painter, QRect(0, 0, 10, 10));
    painter.end();
    EXPECT_EQ(target.pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(ColorSpecTest, DirectionsAndTheirKindsAndAngles)
{
    TColorSpec spec;
    EXPECT_EQ(spec.GradDir(), rgGradationDir::rgdLeftToRight);
    spec.SetGradDir(rgGradationDir::rgdCenterToRim);
    EXPECT_EQ(spec.GradKind(), rgGradationKind::rgkBoxToRim);
    EXPECT_EQ(spec.GradAngle(), 0);
    EXPECT_EQ(spec.GradDir(), rgGradationDir::rgdCenterToRim);
    const std::pair<rgGradationDir, int> table[] = {{rgGradationDir::rgdLeftToRight, 270},
                                                    {rgGradationDir::rgdRightToLeft, 90},
                                                    {rgGradationDir::rgdTopToBottom, 0},
                                                    {rgGradationDir::rgdBottomToTop, 180},
                                                    {rgGradationDir::rgdLeftTopToRightBottom, 315},
                                                    {rgGradationDir::rgdRightTopToLeftBottom, 45},
                                                    {rgGradationDir::rgdRightBottomToLeftTop, 135},
                                                    {rgGradationDir::rgdLeftBottomToRightTop, 225}};
    for (const auto& [dir, angle] : table) {
        spec.SetGradDir(dir);
        EXPECT_EQ(spec.GradKind(), rgGradationKind::rgkSimple);
        EXPECT_EQ(spec.GradAngle(), angle);
        EXPECT_EQ(spec.GradDir(), dir);
    }
    spec.SetGradAngle(10);
    EXPECT_EQ(spec.GradDir(), rgGradationDir::rgdLeftToRight);
    spec.SetGradKind(rgGradationKind::rgkConeClockwise);
    EXPECT_EQ(spec.GradDir(), rgGradationDir::rgdLeftToRight);
    spec.SetGradKind(rgGradationKind::rgkBoxToCenter);
    EXPECT_EQ(spec.GradDir(), rgGradationDir::rgdRimToCenter);
}

TEST_F(ColorSpecTest, ChangesNotifyOnceAndBatchesOnceAtTheEnd)
{
    TColorSpec spec;
    int changes = 0;
    spec.Notify().OnChange = [&] { ++changes; };
    spec.SetColor(5);
    spec.SetColor(5);
    EXPECT_EQ(changes, 1);
    spec.GradColors()->SetColor(0, 1); // forwarded from the part
    EXPECT_EQ(changes, 2);
    spec.SetBitmap(Pattern(2, 2)); // from the image data
    EXPECT_GE(changes, 3);
    changes = 0;
    spec.BeginUpdate();
    spec.SetColor(6);
    spec.SetTile(true);
    spec.SetGradDir(rgGradationDir::rgdTopToBottom);
    EXPECT_EQ(changes, 0);
    spec.EndUpdate();
    EXPECT_EQ(changes, 1);
    changes = 0;
    spec.SetGradDir(rgGradationDir::rgdCenterToRim); // kind and angle: one notification
    EXPECT_EQ(changes, 1);
    // Colour slots beyond the count are not written.
    spec.SetGradColor(5, 0x123);
    EXPECT_EQ(spec.GradColNum(), 2);
    EXPECT_THROW(spec.GradColor(5), ERangeError);
}

TEST_F(ColorSpecTest, AssignCopiesTheGradationOnlyForGradations)
{
    TColorSpec gradation;
    gradation.SetKind(TColorSpecKind::cskGradation);
    gradation.SetGradAngle(90);
    gradation.SetGradKind(rgGradationKind::rgkCircleToCenter);
    gradation.GradColors()->SetColors({1, 2, 3});
    TColorSpec solid;
    solid.SetColor(0xFF);
    solid.Assign(gradation);
    EXPECT_EQ(solid.Kind(), TColorSpecKind::cskGradation);
    EXPECT_EQ(solid.GradAngle(), 90);
    EXPECT_EQ(solid.GradKind(), rgGradationKind::rgkCircleToCenter);
    EXPECT_EQ(solid.GradColors()->Colors(), (std::vector<TColor>{1, 2, 3}));
    EXPECT_EQ(solid.Color(), 0);

    TColorSpec other;
    other.SetColor(0x00FF00);
    int changes = 0;
    gradation.Notify().OnChange = [&] { ++changes; };
    gradation.Assign(other);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(gradation.Kind(), TColorSpecKind::cskSolid);
    EXPECT_EQ(gradation.Color(), 0x00FF00);
    EXPECT_EQ(gradation.GradAngle(), 90); // left as it was
    EXPECT_EQ(gradation.GradColors()->Count(), 3);
}

TEST_F(ColorSpecTest, TilesStartWhereTheRulesSay)
{
    const auto rows = TileRows(QRect(0, 0, 250, 100), 100, 80, true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Top, 0);
    EXPECT_EQ(rows[0].FirstLeft, 0);
    EXPECT_EQ(rows[1].Top, 80);
    EXPECT_EQ(rows[1].FirstLeft, -50);
    EXPECT_EQ(TileRows(QRect(0, 0, 250, 100), 100, 80, false)[1].FirstLeft, 0);
    EXPECT_TRUE(TileRows(QRect(0, 0, 250, 100), 0, 80, false).empty());

    // Painted: the second row's first tile shows its right half at the left edge.
    TColorSpec spec;
    spec.SetKind(TColorSpecKind::cskBitmap);
    spec.SetBitmap(Pattern(10, 8));
    spec.SetTile(true);
    spec.SetTileShift(true);
    QImage target(25, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    spec.Fill(painter, QRect(0, 0, 25, 10));
    painter.end();
    const QImage pattern = Pattern(10, 8);
    EXPECT_EQ(target.pixel(0, 0), pattern.pixel(0, 0));
    EXPECT_EQ(target.pixel(13, 3), pattern.pixel(3, 3));
    EXPECT_EQ(target.pixel(0, 8), pattern.pixel(5, 0)); // shifted by (10 + 1) div 2 = 5
    EXPECT_EQ(target.pixel(24, 9), pattern.pixel(9, 1));
}

TEST_F(ColorSpecTest, TilesLineUpAtEveryScale)
{
    TColorSpec spec;
    spec.SetKind(TColorSpecKind::cskBitmap);
    spec.SetBitmap(Pattern(7, 5));
    spec.SetTile(true);
    spec.SetTileShift(true);
    const QRect area(3, 2, 60, 40);
    const QImage pattern = Pattern(7, 5);
    for (double scale : {1.0, 4.0, 600.0 / 254.0}) {
        const QSize size(int(std::ceil(70 * scale)), int(std::ceil(50 * scale)));
        QImage target(size, QImage::Format_RGB32);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            painter.scale(scale, scale);
            spec.Fill(painter, area);
        }
        int mismatches = 0;
        for (int y = area.top(); y < area.top() + area.height(); ++y)
            for (int x = area.left(); x < area.left() + area.width(); ++x) {
                const int row = (y - area.top()) / 5;
                const int first = area.left() - (row % 2 ? 4 : 0);
                const QRgb want = pattern.pixel((x - first) % 7, (y - area.top()) % 5);
                const QPoint device(int((x + 0.5) * scale), int((y + 0.5) * scale));
                if (target.pixel(device) != want)
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0) << scale;
    }
}

TEST_F(ColorSpecTest, StretchedPictureFillsTheRectangle)
{
    TColorSpec spec;
    spec.SetKind(TColorSpecKind::cskBitmap);
    spec.SetBitmap(Pattern(4, 2));
    const QImage pattern = Pattern(4, 2);
    for (double scale : {1.0, 4.0, 600.0 / 254.0}) {
        QImage target(int(60 * scale), int(30 * scale), QImage::Format_RGB32);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            painter.scale(scale, scale);
            spec.Fill(painter, QRect(10, 10, 40, 10));
        }
        for (int px = 0; px < 4; ++px)
            for (int py = 0; py < 2; ++py) {
                // The centre of each stretched source pixel (10 x 5 units).
                const QPoint device(int((10 + px * 10 + 5) * scale), int((10 + py * 5 + 2.5) * scale));
                EXPECT_EQ(target.pixel(device), pattern.pixel(px, py)) << scale << " " << px << "," << py;
            }
        EXPECT_EQ(target.pixel(int(5 * scale), int(5 * scale)) & 0xFFFFFF, 0xFFFFFFu);
    }
}

TEST_F(ColorSpecTest, SolidFillsWithBrushStyles)
{
    TColorSpec spec;
    spec.SetColor(0x0000FF);
    QImage target(16, 16, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        painter.setBrush(Qt::green);
        spec.Fill(painter, QRect(0, 0, 8, 16));
        EXPECT_EQ(painter.brush().color(), QColor(Qt::green)); // restored
    }
    EXPECT_EQ(target.pixel(3, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.pixel(8, 3) & 0xFFFFFF, 0xFFFFFFu);
    spec.SetStyle(TBrushStyle::bsHorizontal);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        spec.Fill(painter, QRect(0, 0, 16, 16));
    }
    int red = 0, white = 0;
    for (int y = 0; y < 16; ++y)
        (target.pixel(4, y) & 0xFFFFFF) == 0xFF0000u ? ++red : ++white;
    EXPECT_GT(red, 0);
    EXPECT_GT(white, red); // hatch lines on an untouched background
    spec.SetStyle(TBrushStyle::bsClear);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        spec.Fill(painter, QRect(0, 0, 16, 16));
    }
    EXPECT_EQ(target.pixel(4, 4) & 0xFFFFFF, 0xFFFFFFu);
    // Plain colours: 24-bit devices show every colour, a 16-bit one only some.
    spec.SetStyle(TBrushStyle::bsSolid);
    QPainter painter(&target);
    EXPECT_TRUE(spec.IsPlainColor(painter));
    painter.end();
    QImage rgb16(4, 4, QImage::Format_RGB16);
    QPainter p16(&rgb16);
    spec.SetColor(0x010101);
    EXPECT_FALSE(spec.IsPlainColor(p16));
    spec.SetColor(0xFFFFFF);
    EXPECT_TRUE(spec.IsPlainColor(p16));
    spec.SetKind(TColorSpecKind::cskGradation);
    EXPECT_FALSE(spec.IsPlainColor(p16));
}

TEST_F(ColorSpecTest, AHandWrittenSpecPaintsTheExpectedPixels)
{
    TColorSpec spec;
    ReadColorSpecText(QStringLiteral("object TLORect\n"
                                     "  FillColor.Kind = cskGradation\n"
                                     "  FillColor.GradAngle = 0\n"
                                     "  FillColor.GradColors.Colors = {\n"
                                     "    02000000 FF000000 0000FF00}\n"
                                     "end\n"),
                      spec);
    EXPECT_EQ(spec.Kind(), TColorSpecKind::cskGradation);
    EXPECT_EQ(spec.GradColors()->Colors(), (std::vector<TColor>{0xFF, 0xFF0000}));
    QImage target(128, 128, QImage::Format_RGB32);
    {
        QPainter painter(&target);
        spec.Fill(painter, QRect(0, 0, 128, 128));
    }
    // Angle 0 runs top to bottom: red at the top, blue at the bottom.
    EXPECT_EQ(target.pixel(40, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_GE(qBlue(target.pixel(40, 127)), 254);
    EXPECT_LE(qRed(target.pixel(40, 127)), 1);
    const QRgb middle = target.pixel(40, 64);
    EXPECT_NEAR(qRed(middle), 127, 3);
    EXPECT_NEAR(qBlue(middle), 128, 3);

    // The setting's own property names work too, and so does a solid colour.
    TColorSpec solid;
    ReadColorSpecText(QStringLiteral("object TColorSpec\n  Color = clAqua\nend"), solid);
    EXPECT_EQ(solid.Color(), 0xFFFF00);
    // Unknown properties are the stream's error; bad text the parser's.
    EXPECT_THROW(ReadColorSpecText(QStringLiteral("object TX\n  Colour = 1\nend"), solid), EReadError);
    EXPECT_THROW(ReadColorSpecText(QStringLiteral("object TX\n  Color = \nend"), solid), EParserError);
}

TEST_F(ColorSpecTest, DamagedStreamsGiveTheStreamError)
{
    TSpecOwner owner;
    owner.FillColor()->SetKind(TColorSpecKind::cskGradation);
    owner.FillColor()->GradColors()->SetColors({1, 2, 3});
    owner.FillColor()->SetBitmap(Pattern(3, 3));
    const QByteArray bytes = StreamOf(owner);
    for (qsizetype n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(ReadBack(bytes.left(n)), EReadError) << n;
    // Counts beyond the data.
    const QByteArray huge = StreamBytes()
                                .Header("TSpecOwner")
                                .Prop("FillColor.GradColors.Colors")
                                .Byte(10)
                                .U32(8)
                                .U32(0x40000000)
                                .U32(1)
                                .End()
                                .End()
                                .Data();
    EXPECT_THROW(ReadBack(huge), EReadError);
    // Wrong kinds of value and names that do not exist.
    for (const QByteArray& damaged :
         {StreamBytes().Header("TSpecOwner").Prop("FillColor.Kind").Ident("cskPlaid").End().End().Data(),
          StreamBytes().Header("TSpecOwner").Prop("FillColor.GradKind").Int(3).End().End().Data(),
          StreamBytes().Header("TSpecOwner").Prop("FillColor.GradColors").Int(3).End().End().Data(),
          StreamBytes().Header("TSpecOwner").Prop("FillColor.Colour").Int(3).End().End().Data(),
          StreamBytes()
              .Header("TSpecOwner")
              .Prop("FillColor.GradColors.Colors")
              .String("x")
              .End()
              .End()
              .Data()})
        EXPECT_THROW(ReadBack(damaged), EReadError);
    // A colour list of count zero reads, and paints the solid colour.
    const auto empty = ReadBack(StreamBytes()
                                    .Header("TSpecOwner")
                                    .Prop("FillColor.Color")
                                    .Int(0x44)
                                    .Prop("FillColor.Kind")
                                    .Ident("cskGradation")
                                    .Prop("FillColor.GradColors.Colors")
                                    .Byte(10)
                                    .U32(4)
                                    .U32(0)
                                    .End()
                                    .End()
                                    .Data());
    EXPECT_EQ(empty->FillColor()->GradColNum(), 0);
    QImage target(4, 4, QImage::Format_RGB32);
    QPainter painter(&target);
    empty->FillColor()->Fill(painter, QRect(0, 0, 4, 4));
    painter.end();
    EXPECT_EQ(target.pixel(1, 1) & 0xFFFFFF, 0x440000u);
}

} // namespace
} // namespace velmo::test

namespace velmo::test {
namespace {

QByteArray PdfOf(const TColorSpec& spec)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        QPainter painter(&writer);
        spec.Fill(painter, QRect(100, 100, 300, 200));
    }
    return bytes;
}

TEST_F(ColorSpecTest, PdfKeepsSolidFillsAsVectorsAndGradientsAsPictures)
{
    TColorSpec solid;
    solid.SetColor(0x3366CC);
    const QByteArray vector = PdfOf(solid);
    ASSERT_FALSE(vector.isEmpty());
    EXPECT_FALSE(vector.contains("/Subtype /Image"));
    TColorSpec gradation;
    gradation.SetKind(TColorSpecKind::cskGradation);
    const QByteArray picture = PdfOf(gradation);
    EXPECT_TRUE(picture.contains("/Subtype /Image"));
    // The picture is the resampled one: the size of the rectangle in device pixels.
    EXPECT_TRUE(picture.contains("/Width 300")) << picture.left(2000).toStdString();
    EXPECT_TRUE(picture.contains("/Height 200"));
}

} // namespace
} // namespace velmo::test
