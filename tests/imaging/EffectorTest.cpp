// The effectors against their formulas and against plain reference implementations on
// random pictures; resampling, mapping and rotation.
#include "ImagingTestSupport.h"
#include "imaging/UGREffector.h"
#include "imaging/UImageFilter.h"
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QImage Apply(TGREffector& e, const QImage& source)
{
    QImage target;
    e.SetSource(&source);
    e.SetTarget(&target);
    e.Execute();
    return target;
}

QImage CentreWhite()
{
    QImage image(3, 3, QImage::Format_BGR888);
    image.fill(Qt::black);
    image.setPixelColor(1, 1, Qt::white);
    return image;
}

// One blur pass written the plain way: each output byte from its 3 × 3 neighbourhood
// with clamped coordinates, sum / 9 rounded half up, at most 255.
QImage ReferenceBlur(const QImage& s, int passes)
{
    QImage cur = s.copy();
    const int bpp = s.depth() / 8;
    for (int p = 0; p < passes; ++p) {
        QImage next = cur.copy();
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int xx = std::clamp(x + dx, 0, s.width() - 1);
                            const int yy = std::clamp(y + dy, 0, s.height() - 1);
                            sum += cur.constScanLine(yy)[xx * bpp + c];
                        }
                    next.scanLine(y)[x * bpp + c] = uchar(std::min(255, (2 * sum + 9) / 18));
                }
        cur = next;
    }
    return cur;
}

bool SameBytes(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    const int n = a.width() * a.depth() / 8;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(n)) != 0)
            return false;
    return true;
}

} // namespace

TEST(Effector, BlurOfAWhiteCentreIs28Everywhere)
{
    TGREffectBlur blur(1);
    const QImage out = Apply(blur, CentreWhite());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(out.constScanLine(y)[3 * x + c], 28);
    EXPECT_EQ(BlurDivisionTable()[2303], 255);
    EXPECT_EQ(BlurDivisionTable()[13], 1); // 13 / 9 = 1.44
    EXPECT_EQ(BlurDivisionTable()[4], 0);  // (8 + 9) div 18
    EXPECT_EQ(BlurDivisionTable()[5], 1);  // halves up: (10 + 9) div 18
}

TEST(Effector, SharpenOfAWhiteCentre)
{
    TGREffectUnsharpMask sharpen(1);
    const QImage out = Apply(sharpen, CentreWhite());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(out.constScanLine(y)[3 * x], (x == 1 && y == 1) ? 255 : 0);
}

TEST(Effector, BlurMatchesTheReferenceOnRandomPictures)
{
    for (int passes : {1, 2, 3, 5}) {
        for (QImage::Format f : {QImage::Format_BGR888, QImage::Format_ARGB32}) {
            const QImage source = RandomPicture(17, 11, unsigned(passes * 7 + int(f)), f);
            TGREffectBlur blur(passes);
            const QImage out = Apply(blur, source);
            EXPECT_TRUE(SameBytes(out, ReferenceBlur(source, passes))) << passes;
            // The fourth byte (alpha) is left as it was.
            if (f == QImage::Format_ARGB32) {
                for (int x = 0; x < 17; ++x)
                    EXPECT_EQ(qAlpha(out.pixel(x, 4)), qAlpha(source.pixel(x, 4)));
            }
        }
    }
    // Single rows and columns.
    for (QSize size : {QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(2, 2)}) {
        const QImage source = RandomPicture(size.width(), size.height(), 5);
        TGREffectBlur blur(2);
        EXPECT_TRUE(SameBytes(Apply(blur, source), ReferenceBlur(source, 2)));
    }
}

TEST(Effector, SharpenMatchesTheReference)
{
    const QImage source = RandomPicture(13, 9, 77);
    TGREffectUnsharpMask sharpen(3);
    const QImage out = Apply(sharpen, source);
    const QImage blurred = ReferenceBlur(source, 3);
    for (int y = 0; y < 9; ++y)
        for (int i = 0; i < 13 * 3; ++i)
            ASSERT_EQ(out.constScanLine(y)[i],
                      std::clamp(2 * source.constScanLine(y)[i] - blurred.constScanLine(y)[i], 0, 255));
}

TEST(Effector, BrightnessAndContrastTable)
{
    const auto same = TGREffectBrightnessContrast::Table(0, 0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(same[size_t(i)], i);
    const auto hard = TGREffectBrightnessContrast::Table(0, 100);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(hard[size_t(i)], i < 128 ? 0 : 255);
    const auto dark = TGREffectBrightnessContrast::Table(-100, 0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(dark[size_t(i)], 0);
    // The formula on random settings, written out again.
    std::mt19937 rng(4);
    for (int k = 0; k < 50; ++k) {
        const int b = int(rng() % 301) - 150, c = int(rng() % 199) - 99;
        const auto t = TGREffectBrightnessContrast::Table(b, c);
        for (int i = 0; i < 256; ++i) {
            const double bb = std::clamp(b / 100.0, -1.0, 1.0), kk = c / 100.0;
            const double e = bb + i / 255.0 - 0.5;
            const double f = kk < 0 ? e * (kk + 1) + 0.5 : e / (1 - kk) + 0.5;
            EXPECT_EQ(t[size_t(i)], int(std::clamp(std::trunc(f * 255 + 0.5), 0.0, 255.0)));
        }
    }
    QImage source = RandomPicture(5, 5, 9);
    TGREffectBrightnessContrast e(30, -20);
    const QImage out = Apply(e, source);
    const auto t = TGREffectBrightnessContrast::Table(30, -20);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(out.constScanLine(2)[i], t[source.constScanLine(2)[i]]);
}

TEST(Effector, MonoToneSepiaAndGrey)
{
    QImage grey(1, 1, QImage::Format_BGR888);
    grey.fill(QColor(128, 128, 128));
    TGREffectMonoTone sepia(kSepiaRefColor);
    const QImage s = Apply(sepia, grey);
    EXPECT_EQ(s.pixelColor(0, 0), QColor(157, 124, 98));
    QImage colour(1, 1, QImage::Format_BGR888);
    colour.fill(QColor(200, 100, 50));
    TGREffectMonoTone mono(kGreyRefColor);
    EXPECT_EQ(Apply(mono, colour).pixelColor(0, 0), QColor(124, 124, 124));
}

TEST(Effector, OnlyTwentyFourAndThirtyTwoBitSources)
{
    QImage indexed(4, 4, QImage::Format_Indexed8);
    indexed.setColorTable(GreyPalette());
    indexed.fill(3);
    QImage target(2, 2, QImage::Format_BGR888);
    TGREffectBlur blur(1);
    blur.SetSource(&indexed);
    blur.SetTarget(&target);
    blur.Execute();
    EXPECT_EQ(target.size(), QSize(2, 2)); // untouched
}

TEST(Effector, SourceRectangle)
{
    const QImage source = RandomPicture(10, 10, 12);
    TGREffectBrightnessContrast e(0, 0);
    e.SetRect(QRect(2, 3, 4, 5));
    const QImage out = Apply(e, source);
    ASSERT_EQ(out.size(), QSize(4, 5));
    EXPECT_EQ(out.pixel(0, 0), source.pixel(2, 3));
}

TEST(Filters, EffectsAlwaysGiveTwentyFourBits)
{
    TPicture picture;
    auto bitmap = std::make_unique<TAppBitmap>();
    QImage indexed(6, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    indexed.fill(1);
    bitmap->SetImage(indexed, TPixelFormat::pf8bit);
    picture.SetGraphic(std::move(bitmap));
    TLightFilter light;
    EXPECT_FALSE(light.IsActive());
    light.SetContrast(100);
    ASSERT_TRUE(light.CanApply(picture));
    TPicture out;
    EXPECT_EQ(light.Apply(picture, out), QRect(0, 0, 6, 4));
    auto* result = dynamic_cast<TSafetyBitmap*>(out.Graphic());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GraphicClassName(), QStringLiteral("TBitmap"));
    EXPECT_EQ(result->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelColor(result->Pixels(), 0, 0), qRgb(0, 0, 255));
    // Inactive filters copy.
    TBlurFilter blur;
    TPicture copy;
    blur.Apply(picture, copy);
    EXPECT_EQ(static_cast<TSafetyBitmap*>(copy.Graphic())->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(dynamic_cast<TGREffectUnsharpMask*>([&] {
                  blur.SetBlurCount(-2);
                  return blur.CreateEffector();
              }()
                                                      .get()) != nullptr,
              true);
}

TEST(Filters, SettersSignalOnlyRealChanges)
{
    TMonotoneFilter f;
    int changes = 0;
    TListener listener([&](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            ++changes;
    });
    listener.ListenTo(&f.Notify());
    f.SetRefColor(clNone);
    EXPECT_EQ(changes, 0);
    f.SetRefColor(kSepiaRefColor);
    EXPECT_EQ(changes, 1);
    TMonotoneFilter g;
    g.Assign(f);
    EXPECT_EQ(g.RefColor(), kSepiaRefColor);
}

TEST(Filters, TrimmingOutsideThePictureGivesBackground)
{
    TPicture picture;
    auto bitmap = std::make_unique<TAppBitmap>();
    QImage image(100, 100, QImage::Format_BGR888);
    image.fill(QColor(10, 20, 30));
    bitmap->SetImage(image);
    picture.SetGraphic(std::move(bitmap));
    TClipFilter clip;
    clip.SetClipRect({-10, 0, 90, 100});
    clip.SetBackgroundColor(0x00FF00); // green
    EXPECT_TRUE(clip.NeedsTrimming(picture));
    TPicture out;
    EXPECT_EQ(clip.Apply(picture, out), QRect(0, 0, 100, 100));
    const QImage r = static_cast<TSafetyBitmap*>(out.Graphic())->Pixels();
    EXPECT_EQ(PixelColor(r, 9, 50), qRgb(0, 255, 0));
    EXPECT_EQ(PixelColor(r, 10, 50), qRgb(10, 20, 30));
    clip.SetClipRect({0, 0, 100, 100});
    EXPECT_FALSE(clip.NeedsTrimming(picture));
}

TEST(Resample, OnePixelEnlargedIsUniform)
{
    QImage one(1, 1, QImage::Format_BGR888);
    one.fill(QColor(12, 200, 99));
    QImage target(7, 5, QImage::Format_BGR888);
    SmoothResample(target, one);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(target.pixelColor(x, y), QColor(12, 200, 99));
}

TEST(Resample, SameSizeCopiesAndHalvingAverages)
{
    const QImage source = RandomPicture(20, 10, 3);
    QImage same(20, 10, QImage::Format_BGR888);
    SmoothResample(same, source);
    EXPECT_TRUE(SameBytes(same, source));
    QImage half(10, 5, QImage::Format_BGR888);
    SmoothResample(half, source);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += source.constScanLine(2 * y + k / 2)[3 * (2 * x + k % 2) + c];
                EXPECT_NEAR(half.constScanLine(y)[3 * x + c], sum / 4.0, 1.0);
            }
    // Enlarging interpolates between neighbours.
    QImage two(2, 1, QImage::Format_BGR888);
    two.setPixelColor(0, 0, QColor(0, 0, 0));
    two.setPixelColor(1, 0, QColor(200, 200, 200));
    QImage wide(8, 1, QImage::Format_BGR888);
    SmoothResample(wide, two);
    EXPECT_EQ(wide.pixelColor(0, 0).red(), 0);
    EXPECT_EQ(wide.pixelColor(7, 0).red(), 200);
    for (int x = 1; x < 8; ++x)
        EXPECT_GE(wide.pixelColor(x, 0).red(), wide.pixelColor(x - 1, 0).red());
    // Unsupported formats are left alone.
    QImage rgb16(4, 4, QImage::Format_RGB16), t(2, 2, QImage::Format_BGR888);
    t.fill(Qt::red);
    SmoothResample(t, rgb16);
    EXPECT_EQ(t.pixelColor(0, 0), QColor(Qt::red));
}

TEST(Rotate, NinetyDegreesIsAnExactTurn)
{
    TSafetyBitmap source;
    source.SetImage(RandomPicture(40, 20, 8));
    TSafetyBitmap target;
    const QRect bounds = RotateBitmap(source, target, 90, QSize(40, 20));
    EXPECT_EQ(bounds.left(), -20);
    EXPECT_EQ(bounds.top(), 0);
    EXPECT_EQ(bounds.right() + 1, 0);
    EXPECT_EQ(bounds.bottom() + 1, 40);
    ASSERT_EQ(target.Width(), 20);
    ASSERT_EQ(target.Height(), 40);
    const QImage qt = source.Pixels().transformed(QTransform().rotate(90));
    EXPECT_TRUE(SameBytes(target.Pixels(), qt));
}

TEST(Rotate, AllFormatsMapAndPaletteIsKept)
{
    for (TPixelFormat f : {TPixelFormat::pf8bit, TPixelFormat::pf15bit, TPixelFormat::pf16bit,
                           TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TSafetyBitmap source;
        source.SetImage(RandomPicture(9, 7, 2), f);
        TSafetyBitmap target;
        RotateBitmap(source, target, 180, QSize(9, 7));
        ASSERT_EQ(target.PixelFormat(), f);
        EXPECT_EQ(PixelColor(target.Pixels(), 0, 0), PixelColor(source.Pixels(), 8, 6));
        EXPECT_EQ(target.Palette(), source.Palette());
    }
    TSafetyBitmap four;
    four.SetImage(RandomPicture(4, 4, 1), TPixelFormat::pf4bit);
    EXPECT_TRUE(MapQuad(four, QRect(0, 0, 4, 4), {0, 0}, {4, 0}, {4, 4}, {0, 4}, clWhite).Empty());
}

TEST(Rotate, MaskedRotationKeepsTheMaskAndMakesCornersTransparent)
{
    QImage image(30, 20, QImage::Format_BGR888);
    image.fill(QColor(0, 0, 200));
    for (int x = 10; x < 20; ++x)
        for (int y = 5; y < 15; ++y)
            image.setPixelColor(x, y, QColor(0xF0, 0xF0, 0xF0)); // the key
    TSafetyBitmap source;
    source.SetImage(image);
    source.SetTransparentColor(0xF0F0F0);
    source.SetTransparent(true);
    TSafetyBitmap target;
    RotateMaskedBitmap(source, target, 30, QSize(30, 20));
    EXPECT_TRUE(target.Transparent());
    QImage canvas(target.Width(), target.Height(), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        target.Draw(p, canvas.rect());
    }
    EXPECT_EQ(qAlpha(canvas.pixel(0, 0)), 0);                                    // a corner
    EXPECT_EQ(qAlpha(canvas.pixel(canvas.width() / 2, canvas.height() / 2)), 0); // the key's hole
    int opaqueBlue = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) == qRgb(0, 0, 200))
                ++opaqueBlue;
    EXPECT_GT(opaqueBlue, 300);
}
