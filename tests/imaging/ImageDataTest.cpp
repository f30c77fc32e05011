// Image data: stream form, notifications, the display picture and its cache, the
// order in which trimming, key colour and effects compose, and damaged streams.
#include "ImagingTestHolder.h"
#include "ImagingTestSupport.h"
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "imaging/UGREffector.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "persist/UComponentStream.h"
#include "support/StreamBytes.h"
#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <vector>

namespace velmo::test {
namespace {

QImage Solid(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_BGR888);
    image.fill(QColor(colour));
    return image;
}

std::unique_ptr<TAppBitmap> BitmapOf(const QImage& image)
{
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(image, TPixelFormat::pf24bit);
    return bitmap;
}

void SetPictureImage(TImageData& data, const QImage& image)
{
    data.Picture()->SetGraphic(BitmapOf(image));
}

struct Recorder
{
    std::vector<QString> Kinds;
    TListener Listener{[this](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            Kinds.push_back("changed");
        else if (kind == nkClipReset)
            Kinds.push_back("clipreset");
        else if (kind == nkPictureChanged)
            Kinds.push_back("picture");
    }};
    int Count(const QString& kind) const { return int(std::count(Kinds.begin(), Kinds.end(), kind)); }
};

// A graphic that is neither a bitmap nor a JPEG image (as a metafile is).
class TOtherGraphic : public TGraphic
{
public:
    QString GraphicClassName() const override { return QStringLiteral("TMetafile"); }
    bool Empty() const override { return false; }
    QByteArray FileBytes() const override { return QByteArray("meta"); }
    void SetFileBytes(const QByteArray&) override {}
    QImage Image() const override { return Solid(8, 8, qRgb(1, 2, 3)); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TOtherGraphic>(); }
};

class ImageData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        RegisterImagingTestHolder();
    }
};

} // namespace

TEST_F(ImageData, DefaultsWriteNothing)
{
    TImagingTestHolder holder;
    const QByteArray bytes = ComponentStreamBytes(holder);
    EXPECT_EQ(bytes, StreamBytes().Header("TImagingTestHolder").End().End().Data());
}

TEST_F(ImageData, StreamFormNamesEveryEntryByItsPath)
{
    TImagingTestHolder holder;
    TImageData& d = *holder.ImageData();
    SetPictureImage(d, Solid(4, 3, qRgb(10, 20, 30)));
    d.ClipFilter()->SetClipRect({1, 0, 3, 2});
    d.BlurFilter()->SetBlurCount(5);
    d.LightFilter()->SetBrightness(10);
    d.LightFilter()->SetContrast(-20);
    d.MonotoneFilter()->SetRefColor(kSepiaRefColor);
    d.SetTransparentColor(clWhite);

    const QByteArray bmp = d.Picture()->Graphic()->FileBytes();
    QByteArray data = StreamBytes().Str("TBitmap").U32(uint32_t(bmp.size())).Data() + bmp;
    const QByteArray expected = StreamBytes()
                                    .Header("TImagingTestHolder")
                                    .Prop("ImageData.Picture.Data")
                                    .Byte(10)
                                    .U32(uint32_t(data.size()))
                                    .Raw(data)
                                    .Prop("ImageData.ClipFilter.ClipRect")
                                    .Byte(1)
                                    .Int(1)
                                    .Int(0)
                                    .Int(3)
                                    .Int(2)
                                    .End()
                                    .Prop("ImageData.BlurFilter.BlurCount")
                                    .Int(5)
                                    .Prop("ImageData.LightFilter.Brightness")
                                    .Int(10)
                                    .Prop("ImageData.LightFilter.Contrast")
                                    .Int(-20)
                                    .Prop("ImageData.MonotoneFilter.RefColor")
                                    .Int(0x6680A0)
                                    .Prop("ImageData.TransparentColor")
                                    .Ident("clWhite")
                                    .End()
                                    .End()
                                    .Data();
    EXPECT_EQ(ComponentStreamBytes(holder).toHex(), expected.toHex());
}

TEST_F(ImageData, StreamRoundTripRestoresTheClipRectAfterThePictureReset)
{
    TImagingTestHolder holder;
    SetPictureImage(*holder.ImageData(), RandomPicture(40, 30, 1));
    holder.ImageData()->ClipFilter()->SetClipRect({5, 6, 20, 25});
    holder.ImageData()->MonotoneFilter()->SetRefColor(kGreyRefColor);
    const QByteArray bytes = ComponentStreamBytes(holder);

    TMemoryStream stream(bytes);
    TImagingTestHolder back;
    Recorder rec;
    rec.Listener.ListenTo(&back.ImageData()->Notify());
    ReadComponentInto(stream, back);
    const TImageData& d = *back.ImageData();
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{5, 6, 20, 25}));
    EXPECT_EQ(d.MonotoneFilter()->RefColor(), kGreyRefColor);
    EXPECT_EQ(d.Picture()->Width(), 40);
    EXPECT_EQ(d.Picture()->Graphic()->Image(), holder.ImageData()->Picture()->Graphic()->Image());
    EXPECT_GE(rec.Count("clipreset"), 1);
    EXPECT_EQ(ComponentStreamBytes(back), bytes);
}

TEST_F(ImageData, AStreamWithoutClipRectTrimsToTheWholePicture)
{
    const QByteArray bmp = BitmapOf(RandomPicture(17, 9, 2))->FileBytes();
    const QByteArray inner = StreamBytes().Str("TBitmap").U32(uint32_t(bmp.size())).Data() + bmp;
    const QByteArray bytes = StreamBytes()
                                 .Header("TImagingTestHolder")
                                 .Prop("ImageData.Picture.Data")
                                 .Byte(10)
                                 .U32(uint32_t(inner.size()))
                                 .Raw(inner)
                                 .End()
                                 .End()
                                 .Data();

    TImagingTestHolder back;
    back.ImageData()->ClipFilter()->SetClipRect({1, 1, 2, 2});
    TMemoryStream stream(bytes);
    ReadComponentInto(stream, back);
    EXPECT_EQ(back.ImageData()->ClipFilter()->ClipRect(), (TClipRect{0, 0, 17, 9}));
}

TEST_F(ImageData, ANewPictureResetsTheClipOnlyWhenBothSidesChange)
{
    TImageData d;
    SetPictureImage(d, Solid(400, 200, qRgb(0, 0, 0)));
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 400, 200}));
    d.ClipFilter()->SetClipRect({10, 10, 100, 100});

    Recorder rec;
    rec.Listener.ListenTo(&d.Notify());
    SetPictureImage(d, Solid(400, 300, qRgb(0, 0, 0)));
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{10, 10, 100, 100}));
    EXPECT_EQ(rec.Count("clipreset"), 0);
    EXPECT_EQ(rec.Count("picture"), 1);
    EXPECT_EQ(rec.Count("changed"), 1);

    rec.Kinds.clear();
    SetPictureImage(d, Solid(640, 480, qRgb(0, 0, 0)));
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 640, 480}));
    EXPECT_EQ(rec.Count("clipreset"), 1);
    EXPECT_EQ(rec.Count("changed"), 1); // one change at the end, whatever happened inside
}

TEST_F(ImageData, AnEmptiedClipRectFallsBackToTheWholePicture)
{
    TImageData d;
    SetPictureImage(d, Solid(30, 20, qRgb(0, 0, 0)));
    d.ClipFilter()->SetClipRect({1, 2, 3, 4});
    d.ClipFilter()->SetClipRect({});
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 30, 20}));
}

TEST_F(ImageData, FitClipToSize)
{
    TImageData d;
    SetPictureImage(d, Solid(1000, 1000, qRgb(0, 0, 0)));
    d.FitClipToSize(4, 3);
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 125, 1000, 875}));
    d.FitClipToSize(3, 4);
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{125, 0, 875, 1000}));
    d.FitClipToSize(0, 0);
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 1000, 1000}));
    // A side of zero is no proportion: the whole picture, not a division by zero.
    d.FitClipToSize(5, 0);
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 1000, 1000}));

    SetPictureImage(d, Solid(641, 479, qRgb(0, 0, 0)));
    d.FitClipToSize(1, 1);
    // 479 × 479 centred: the centres agree under truncating division.
    const TClipRect r = d.ClipFilter()->ClipRect();
    EXPECT_EQ(r.Width(), 479);
    EXPECT_EQ(r.Height(), 479);
    EXPECT_EQ(Div(r.Left + r.Right, 2), 641 / 2);
    EXPECT_EQ(Div(r.Top + r.Bottom, 2), 479 / 2);

    // Proportions against the formula for many sizes.
    for (int w = 1; w < 40; w += 3)
        for (int h = 1; h < 40; h += 5) {
            d.FitClipToSize(w, h);
            const TClipRect c = d.ClipFilter()->ClipRect();
            int ew = MulDiv(w, 479, h), eh = 479;
            if (641 < ew) {
                eh = MulDiv(h, 641, w);
                ew = 641;
            }
            ASSERT_EQ(c.Width(), ew) << w << ":" << h;
            ASSERT_EQ(c.Height(), eh) << w << ":" << h;
            ASSERT_GE(c.Left, 0);
            ASSERT_GE(c.Top, 0);
            ASSERT_LE(c.Right, 641);
            ASSERT_LE(c.Bottom, 479);
        }

    TImageData empty;
    empty.FitClipToSize(4, 3);
    EXPECT_EQ(empty.ClipFilter()->ClipRect(), (TClipRect{0, 0, 0, 0}));
}

TEST_F(ImageData, SettingTheSameClipRectSendsNothing)
{
    TImageData d;
    SetPictureImage(d, Solid(100, 100, qRgb(0, 0, 0)));
    Recorder rec;
    rec.Listener.ListenTo(&d.Notify());
    d.FitClipToSize(0, 0);
    d.ClipFilter()->SetClipRect({0, 0, 100, 100});
    EXPECT_TRUE(rec.Kinds.empty());
}

TEST_F(ImageData, TransparencyNeedsABitmapOrJPEG)
{
    TImageData d;
    d.SetTransparentColor(clWhite);
    EXPECT_FALSE(d.HasTransparency()); // no picture
    d.Picture()->SetGraphic(std::make_unique<TOtherGraphic>());
    EXPECT_FALSE(d.SupportsTransparency());
    EXPECT_FALSE(d.HasTransparency());
    // The colour is ignored: nothing becomes transparent.
    TPictureEx* shown = d.DisplayPicture();
    ASSERT_TRUE(shown->HasGraphic());
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(shown->Graphic())) {
        EXPECT_FALSE(bitmap->Transparent());
    }

    SetPictureImage(d, Solid(4, 4, qRgb(0, 0, 0)));
    EXPECT_TRUE(d.HasTransparency());
    auto jpeg = std::make_unique<TAppJPEGImage>();
    jpeg->AssignImage(Solid(16, 16, qRgb(200, 10, 10)));
    d.Picture()->SetGraphic(std::move(jpeg));
    EXPECT_TRUE(d.HasTransparency());
}

TEST_F(ImageData, EmptyAndClear)
{
    TImageData d;
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_FALSE(d.DisplayPicture()->HasGraphic());
    EXPECT_EQ(d.RenderCount(), 0);
    SetPictureImage(d, Solid(3, 3, qRgb(0, 0, 0)));
    EXPECT_FALSE(d.IsEmpty());
    d.Clear();
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 0, 0}));
}

TEST_F(ImageData, TheDisplayPictureIsRebuiltOnlyWhenAnInputChanged)
{
    TImageData d;
    SetPictureImage(d, RandomPicture(32, 24, 3));
    d.DisplayPicture();
    d.DisplayPicture();
    EXPECT_EQ(d.RenderCount(), 1);

    // Same values: nothing changes.
    d.BlurFilter()->SetBlurCount(0);
    d.SetTransparentColor(clNone);
    d.ClipFilter()->SetClipRect({0, 0, 32, 24});
    d.LightFilter()->SetBrightness(0);
    d.MonotoneFilter()->SetRefColor(clNone);
    d.DisplayPicture();
    EXPECT_EQ(d.RenderCount(), 1);

    int expected = 1;
    auto check = [&](auto change) {
        change();
        EXPECT_FALSE(d.HasDisplayPicture());
        d.DisplayPicture();
        d.DisplayPicture();
        EXPECT_EQ(d.RenderCount(), ++expected);
    };
    check([&] { d.BlurFilter()->SetBlurCount(1); });
    check([&] { d.LightFilter()->SetBrightness(20); });
    check([&] { d.LightFilter()->SetContrast(20); });
    check([&] { d.MonotoneFilter()->SetRefColor(kSepiaRefColor); });
    check([&] { d.SetTransparentColor(clBlack); });
    check([&] { d.ClipFilter()->SetClipRect({1, 1, 20, 20}); });
    check([&] { SetPictureImage(d, RandomPicture(32, 24, 4)); });
    check([&] { d.Picture()->EnsureBitmap()->SetImage(RandomPicture(8, 8, 5)); });

    // Several changes in one bracket: one rendering after it.
    {
        TUpdateBracket bracket(d.Notify());
        d.BlurFilter()->SetBlurCount(-3);
        d.LightFilter()->SetBrightness(-10);
    }
    d.DisplayPicture();
    EXPECT_EQ(d.RenderCount(), ++expected);
}

TEST_F(ImageData, AssignCopiesTheDisplayPicture)
{
    TImageData source;
    SetPictureImage(source, RandomPicture(20, 20, 6));
    source.BlurFilter()->SetBlurCount(5);
    source.SetTransparentColor(clWhite);
    source.ClipFilter()->SetClipRect({2, 2, 18, 18});
    const QImage shown = source.DisplayPicture()->Graphic()->Image();

    TImageData copy;
    copy.Assign(source);
    EXPECT_TRUE(copy.HasDisplayPicture());
    EXPECT_EQ(copy.DisplayPicture()->Graphic()->Image(), shown);
    EXPECT_EQ(copy.RenderCount(), 0);
    EXPECT_EQ(copy.ClipFilter()->ClipRect(), (TClipRect{2, 2, 18, 18}));
    EXPECT_EQ(copy.BlurFilter()->BlurCount(), 5);
    EXPECT_EQ(copy.TransparentColor(), clWhite);
    auto* a = dynamic_cast<TSafetyBitmap*>(source.DisplayPicture()->Graphic());
    auto* b = dynamic_cast<TSafetyBitmap*>(copy.DisplayPicture()->Graphic());
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->MaskedImage().GetMask(), b->MaskedImage().GetMask());

    // The copy is independent.
    copy.BlurFilter()->SetBlurCount(0);
    EXPECT_TRUE(source.HasDisplayPicture());
    EXPECT_EQ(source.BlurFilter()->BlurCount(), 5);

    TPictureEx notImageData;
    EXPECT_THROW(copy.Assign(notImageData), EConvertError);
}

TEST_F(ImageData, ABlurredPictureKeepsExactlyItsTransparentPixels)
{
    QImage image = RandomPicture(30, 20, 7);
    // A white blob and scattered white pixels: blurring spreads white into neighbours
    // and takes it out of the single pixels.
    for (int y = 5; y < 12; ++y)
        for (int x = 8; x < 16; ++x)
            image.setPixelColor(x, y, Qt::white);
    for (int i = 0; i < 20; ++i)
        image.setPixelColor((i * 7) % 30, (i * 3) % 20, Qt::white);
    TImageData d;
    SetPictureImage(d, image);
    d.SetTransparentColor(clWhite);
    const QImage maskBefore =
        TMaskedImage::MakeMask(image, TPixelFormat::pf24bit, clWhite).convertToFormat(QImage::Format_RGB32);

    d.BlurFilter()->SetBlurCount(10);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(d.DisplayPicture()->Graphic());
    ASSERT_NE(bitmap, nullptr);
    ASSERT_TRUE(bitmap->Transparent());
    bitmap->PrepareMask();
    const QImage maskAfter = bitmap->MaskedImage().GetMask().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(maskAfter, maskBefore);
    // The blurred pixels differ from the picture, so a mask made from them would too.
    EXPECT_NE(TMaskedImage::MakeMask(bitmap->Pixels(), bitmap->PixelFormat(), clWhite)
                  .convertToFormat(QImage::Format_RGB32),
              maskBefore);
}

// The reference: each step's pixel work done directly with the effectors, in the
// order trimming, blur, tint, brightness and contrast.
static QImage ApplyEffector(TGREffector& effector, const QImage& source)
{
    QImage result;
    effector.SetSource(&source);
    effector.SetTarget(&result);
    effector.Execute();
    return result;
}

TEST_F(ImageData, TrimmingKeyColourAndEffectsComposeInOrder)
{
    QImage image = RandomPicture(48, 36, 8);
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 30; ++x)
            image.setPixelColor(x, y, QColor(0, 255, 0));
    TImageData d;
    SetPictureImage(d, image);
    const TClipRect clip{-4, 6, 40, 30}; // partly outside: the key colour fills
    d.ClipFilter()->SetClipRect(clip);
    d.BlurFilter()->SetBlurCount(1);
    d.MonotoneFilter()->SetRefColor(kSepiaRefColor);
    d.LightFilter()->SetBrightness(30);
    d.LightFilter()->SetContrast(-40);
    const TColor key = clLime;
    d.SetTransparentColor(key);

    // Trimming with the key colour as background.
    QImage trimmed(clip.Width(), clip.Height(), QImage::Format_BGR888);
    trimmed.fill(QColor(0, 255, 0));
    for (int y = clip.Top; y < clip.Bottom; ++y)
        for (int x = std::max(0, clip.Left); x < clip.Right; ++x)
            trimmed.setPixel(x - clip.Left, y - clip.Top, image.pixel(x, y));
    const QImage mask = TMaskedImage::MakeMask(trimmed, TPixelFormat::pf24bit, key);
    TGREffectBlur blur(1);
    TGREffectMonoTone tint(kSepiaRefColor);
    TGREffectBrightnessContrast light(30, -40);
    const QImage expected = ApplyEffector(light, ApplyEffector(tint, ApplyEffector(blur, trimmed)));

    auto* shown = dynamic_cast<TSafetyBitmap*>(d.DisplayPicture()->Graphic());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Pixels().convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(shown->Transparent());
    EXPECT_EQ(shown->TransparentColor(), key);
    shown->PrepareMask();
    EXPECT_EQ(shown->MaskedImage().GetMask().convertToFormat(QImage::Format_RGB32),
              mask.convertToFormat(QImage::Format_RGB32));

    // Another order gives another picture, so the comparison above decides the order.
    const QImage otherOrder = ApplyEffector(tint, ApplyEffector(light, ApplyEffector(blur, trimmed)));
    EXPECT_NE(otherOrder.convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
}

TEST_F(ImageData, WithoutKeyColourTheTrimmingBackgroundIsWhite)
{
    TImageData d;
    SetPictureImage(d, Solid(10, 10, qRgb(0, 0, 0)));
    d.ClipFilter()->SetClipRect({5, 5, 15, 15});
    const QImage shown = d.DisplayPicture()->Graphic()->Image();
    EXPECT_EQ(shown.size(), QSize(10, 10));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(shown.pixelColor(9, 9), QColor(255, 255, 255));
}

TEST_F(ImageData, AJPEGPictureIsDecodedWhenItArrives)
{
    TImageData d;
    auto jpeg = std::make_unique<TAppJPEGImage>();
    jpeg->AssignImage(RandomPicture(64, 40, 9));
    const QByteArray bytes = jpeg->FileBytes();
    auto fresh = std::make_unique<TAppJPEGImage>();
    fresh->SetFileBytes(bytes);
    d.Picture()->SetGraphic(std::move(fresh));
    EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 64, 40}));
    // Decoded already: the graphic's picture is there without further work.
    auto* held = dynamic_cast<TSafetyJPEGImage*>(d.Picture()->Graphic());
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(held->Bitmap().isNull());
    EXPECT_EQ(d.DisplayPicture()->Width(), 64);
}

// ---------------------------------------------------------------------------------
// TPictureEx

TEST_F(ImageData, PictureExIdentifiersAreStoredAndCopied)
{
    TImagingTestHolder holder;
    TPictureEx* p = holder.ImageData()->Picture();
    p->SetImageID("illust\\cat");
    p->SetStorageID("store1");
    const QByteArray bytes = ComponentStreamBytes(holder);
    EXPECT_EQ(bytes, StreamBytes()
                         .Header("TImagingTestHolder")
                         .Prop("ImageData.Picture.ImageID")
                         .String("illust\\cat")
                         .Prop("ImageData.Picture.StorageID")
                         .String("store1")
                         .End()
                         .End()
                         .Data());
    TPictureEx copy;
    copy.Assign(*p);
    EXPECT_EQ(copy.ImageID(), "illust\\cat");
    EXPECT_EQ(copy.StorageID(), "store1");
}

TEST_F(ImageData, PictureExWithDataNotStoredWritesNoData)
{
    TImagingTestHolder holder;
    SetPictureImage(*holder.ImageData(), Solid(5, 5, qRgb(1, 1, 1)));
    holder.ImageData()->Picture()->SetDataNotStored(true);
    const QByteArray bytes = ComponentStreamBytes(holder);
    EXPECT_FALSE(bytes.contains("Picture.Data"));
    EXPECT_FALSE(bytes.contains("TBitmap"));
    holder.ImageData()->Picture()->SetDataNotStored(false);
    EXPECT_TRUE(ComponentStreamBytes(holder).contains("ImageData.Picture.Data"));
}

TEST_F(ImageData, PictureExAssignKeepsTheGraphicOfTheSameClass)
{
    TPictureEx a, b;
    a.SetGraphic(BitmapOf(Solid(4, 4, qRgb(9, 9, 9))));
    b.SetGraphic(BitmapOf(Solid(2, 2, qRgb(1, 1, 1))));
    const TGraphic* before = b.Graphic();
    int changes = 0;
    TListener listener([&](TComponent*, const TGUID& kind) { changes += kind == nkChanged; });
    listener.ListenTo(&b.Notify());
    b.Assign(a);
    EXPECT_EQ(b.Graphic(), before);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(changes, 1);

    // JPEG images are replaced, not assigned into.
    TPictureEx j1, j2;
    auto jpeg = std::make_unique<TAppJPEGImage>();
    jpeg->AssignImage(Solid(8, 8, qRgb(100, 100, 100)));
    j1.SetGraphic(std::move(jpeg));
    auto jpeg2 = std::make_unique<TAppJPEGImage>();
    jpeg2->AssignImage(Solid(16, 16, qRgb(100, 100, 100)));
    j2.SetGraphic(std::move(jpeg2));
    const TGraphic* old = j2.Graphic();
    j2.Assign(j1);
    EXPECT_NE(j2.Graphic(), old);
    EXPECT_EQ(j2.Width(), 8);

    // Both empty: nothing happens.
    TPictureEx e1, e2;
    changes = 0;
    listener.ListenTo(&e2.Notify());
    e2.Assign(e1);
    EXPECT_EQ(changes, 0);
}

TEST_F(ImageData, EnsureBitmapAndJPEGFireNoChangeButLaterLoadsDo)
{
    TPictureEx p;
    int changes = 0;
    TListener listener([&](TComponent*, const TGUID& kind) { changes += kind == nkChanged; });
    listener.ListenTo(&p.Notify());
    TSafetyBitmap* bitmap = p.EnsureBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GraphicClassName(), "TBitmap");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(p.EnsureBitmap(), bitmap);
    bitmap->SetImage(Solid(3, 3, qRgb(0, 0, 0)));
    EXPECT_EQ(changes, 1);
    TSafetyJPEGImage* jpeg = p.EnsureJPEG();
    EXPECT_EQ(changes, 1);
    jpeg->AssignImage(Solid(8, 8, qRgb(0, 0, 0)));
    EXPECT_EQ(changes, 2);
}

TEST_F(ImageData, ACopiedGraphicDoesNotReportToTheOriginalPicture)
{
    auto p = std::make_unique<TPictureEx>();
    auto jpeg = std::make_unique<TAppJPEGImage>();
    jpeg->AssignImage(Solid(8, 8, qRgb(0, 0, 0)));
    p->SetGraphic(std::move(jpeg));
    std::unique_ptr<TGraphic> copy = p->Graphic()->Clone();
    int changes = 0;
    TListener listener([&](TComponent*, const TGUID&) { ++changes; });
    listener.ListenTo(&p->Notify());
    static_cast<TSafetyJPEGImage&>(*copy).AssignImage(Solid(4, 4, qRgb(0, 0, 0)));
    EXPECT_EQ(changes, 0);
    p.reset();
    static_cast<TSafetyJPEGImage&>(*copy).AssignImage(Solid(2, 2, qRgb(0, 0, 0))); // no dangling call
}

TEST_F(ImageData, ReadPictureDataWhileTheDataIsNotStored)
{
    TPictureEx source;
    source.SetGraphic(BitmapOf(Solid(6, 2, qRgb(3, 3, 3))));
    TMemoryStream data;
    source.WriteData(data);
    data.SetPosition(0);
    TPictureEx p;
    p.SetDataNotStored(true);
    p.ReadPictureData(data);
    EXPECT_TRUE(p.DataNotStored());
    EXPECT_EQ(p.Width(), 6);
}

// ---------------------------------------------------------------------------------
// Damaged streams

TEST_F(ImageData, DamagedStreamsGiveTheStreamErrorOrAnEmptyPicture)
{
    TImagingTestHolder holder;
    SetPictureImage(*holder.ImageData(), RandomPicture(9, 7, 10));
    holder.ImageData()->ClipFilter()->SetClipRect({1, 1, 5, 5});
    holder.ImageData()->BlurFilter()->SetBlurCount(3);
    holder.ImageData()->SetTransparentColor(clRed);
    const QByteArray good = ComponentStreamBytes(holder);

    // Every truncation: an exception of the stream family, never a crash.
    for (int n = 0; n < good.size(); ++n) {
        TMemoryStream stream(good.left(n));
        TImagingTestHolder back;
        try {
            ReadComponentInto(stream, back);
        } catch (const Exception&) {
            continue;
        }
        // Reading stopped early without complaint only when the bytes form a shorter
        // valid stream: the image data is then consistent.
        back.ImageData()->DisplayPicture();
    }
    // Every single-byte change: no crash, and a usable image data afterwards.
    for (int n = 0; n < good.size(); ++n) {
        QByteArray bad = good;
        bad[n] = char(bad[n] ^ 0x5A);
        TMemoryStream stream(bad);
        TImagingTestHolder back;
        try {
            ReadComponentInto(stream, back);
        } catch (const Exception&) {
        }
        try {
            back.ImageData()->DisplayPicture();
        } catch (const Exception&) {
        }
    }
}

TEST_F(ImageData, WrongKindsAreStreamErrors)
{
    // ClipRect given as a string, BlurCount as a string, TransparentColor as a list.
    const QByteArray clipAsString = StreamBytes()
                                        .Header("TImagingTestHolder")
                                        .Prop("ImageData.ClipFilter.ClipRect")
                                        .String("1,2,3,4")
                                        .End()
                                        .End()
                                        .Data();
    const QByteArray blurAsString = StreamBytes()
                                        .Header("TImagingTestHolder")
                                        .Prop("ImageData.BlurFilter.BlurCount")
                                        .String("5")
                                        .End()
                                        .End()
                                        .Data();
    const QByteArray colourAsList = StreamBytes()
                                        .Header("TImagingTestHolder")
                                        .Prop("ImageData.TransparentColor")
                                        .Byte(1)
                                        .End()
                                        .End()
                                        .End()
                                        .Data();
    const QByteArray shortClip = StreamBytes()
                                     .Header("TImagingTestHolder")
                                     .Prop("ImageData.ClipFilter.ClipRect")
                                     .Byte(1)
                                     .Int(1)
                                     .Int(2)
                                     .End()
                                     .End()
                                     .End()
                                     .Data();
    const QByteArray pictureAsInt =
        StreamBytes().Header("TImagingTestHolder").Prop("ImageData.Picture.Data").Int(3).End().End().Data();
    for (const QByteArray& bytes : {clipAsString, blurAsString, colourAsList, shortClip, pictureAsInt}) {
        TMemoryStream stream(bytes);
        TImagingTestHolder back;
        EXPECT_THROW(ReadComponentInto(stream, back), EReadError) << bytes.toHex().toStdString();
    }
}

TEST_F(ImageData, CountsBeyondTheDataAreStreamErrors)
{
    const QByteArray bmp = BitmapOf(Solid(2, 2, qRgb(0, 0, 0)))->FileBytes();
    // The binary claims more than there is.
    QByteArray inner = StreamBytes().Str("TBitmap").U32(uint32_t(bmp.size())).Data() + bmp;
    const QByteArray binaryTooLong = StreamBytes()
                                         .Header("TImagingTestHolder")
                                         .Prop("ImageData.Picture.Data")
                                         .Byte(10)
                                         .U32(uint32_t(inner.size() + 100))
                                         .Raw(inner)
                                         .End()
                                         .End()
                                         .Data();
    // The graphic's own length claims more than the binary holds.
    QByteArray innerTooLong = StreamBytes().Str("TBitmap").U32(uint32_t(bmp.size() + 50)).Data() + bmp;
    const QByteArray graphicTooLong = StreamBytes()
                                          .Header("TImagingTestHolder")
                                          .Prop("ImageData.Picture.Data")
                                          .Byte(10)
                                          .U32(uint32_t(innerTooLong.size()))
                                          .Raw(innerTooLong)
                                          .End()
                                          .End()
                                          .Data();
    for (const QByteArray& bytes : {binaryTooLong, graphicTooLong}) {
        TMemoryStream stream(bytes);
        TImagingTestHolder back;
        EXPECT_THROW(ReadComponentInto(stream, back), Exception);
        EXPECT_TRUE(back.ImageData()->IsEmpty());
    }
}

TEST_F(ImageData, AnUnknownGraphicClassReadsAsAnEmptyPicture)
{
    QByteArray inner = StreamBytes().Str("TPortableNetworkGraphic").U32(4).Raw({1, 2, 3, 4}).Data();
    const QByteArray bytes = StreamBytes()
                                 .Header("TImagingTestHolder")
                                 .Prop("ImageData.Picture.Data")
                                 .Byte(10)
                                 .U32(uint32_t(inner.size()))
                                 .Raw(inner)
                                 .Prop("ImageData.BlurFilter.BlurCount")
                                 .Int(1)
                                 .End()
                                 .End()
                                 .Data();
    TMemoryStream stream(bytes);
    TImagingTestHolder back;
    ReadComponentInto(stream, back);
    EXPECT_TRUE(back.ImageData()->IsEmpty());
    EXPECT_EQ(back.ImageData()->BlurFilter()->BlurCount(), 1);
    EXPECT_FALSE(back.ImageData()->DisplayPicture()->HasGraphic());
}

TEST_F(ImageData, AZeroSizePictureIsAnErrorOrEmptyNeverACrash)
{
    // A bitmap header with a width of 0.
    QByteArray bmp = BitmapOf(Solid(1, 1, qRgb(0, 0, 0)))->FileBytes();
    for (int field : {18, 22}) { // biWidth, biHeight
        QByteArray zero = bmp;
        zero[field] = 0;
        QByteArray inner = StreamBytes().Str("TBitmap").U32(uint32_t(zero.size())).Data() + zero;
        const QByteArray bytes = StreamBytes()
                                     .Header("TImagingTestHolder")
                                     .Prop("ImageData.Picture.Data")
                                     .Byte(10)
                                     .U32(uint32_t(inner.size()))
                                     .Raw(inner)
                                     .End()
                                     .End()
                                     .Data();
        TMemoryStream stream(bytes);
        TImagingTestHolder back;
        try {
            ReadComponentInto(stream, back);
        } catch (const Exception&) {
        }
        TImageData& d = *back.ImageData();
        EXPECT_TRUE(d.IsEmpty());
        EXPECT_FALSE(d.DisplayPicture()->HasGraphic());
        d.FitClipToSize(4, 3);
        EXPECT_EQ(d.ClipFilter()->ClipRect(), (TClipRect{0, 0, 0, 0}));
    }
    // A graphic with no data at all.
    QByteArray inner = StreamBytes().Str("TBitmap").U32(0).Data();
    const QByteArray bytes = StreamBytes()
                                 .Header("TImagingTestHolder")
                                 .Prop("ImageData.Picture.Data")
                                 .Byte(10)
                                 .U32(uint32_t(inner.size()))
                                 .Raw(inner)
                                 .End()
                                 .End()
                                 .Data();
    TMemoryStream stream(bytes);
    TImagingTestHolder back;
    ReadComponentInto(stream, back);
    EXPECT_TRUE(back.ImageData()->IsEmpty());
}

} // namespace velmo::test

namespace velmo::test {

TEST_F(ImageData, ReadingAClipRectDiscardsADisplayPictureMadeWithTheOldOne)
{
    // A picture that is not stored (it comes from a resource) keeps its display
    // picture while the stream sets the rectangle.
    TImagingTestHolder holder;
    SetPictureImage(*holder.ImageData(), RandomPicture(20, 20, 30));
    holder.ImageData()->Picture()->SetDataNotStored(true);
    holder.ImageData()->DisplayPicture();
    ASSERT_TRUE(holder.ImageData()->HasDisplayPicture());
    const QByteArray bytes = StreamBytes()
                                 .Header("TImagingTestHolder")
                                 .Prop("ImageData.ClipFilter.ClipRect")
                                 .Byte(1)
                                 .Int(2)
                                 .Int(2)
                                 .Int(12)
                                 .Int(8)
                                 .End()
                                 .End()
                                 .End()
                                 .Data();
    TMemoryStream stream(bytes);
    ReadComponentInto(stream, holder);
    EXPECT_EQ(holder.ImageData()->ClipFilter()->ClipRect(), (TClipRect{2, 2, 12, 8}));
    EXPECT_EQ(holder.ImageData()->DisplayPicture()->Width(), 10);
    EXPECT_EQ(holder.ImageData()->DisplayPicture()->Height(), 6);
}

TEST_F(ImageData, APictureFromTheClipboard)
{
    QImage image = RandomPicture(9, 4, 31).convertToFormat(QImage::Format_RGB32);
    QGuiApplication::clipboard()->setImage(image);
    TPictureEx p;
    ASSERT_TRUE(p.AssignFromClipboard());
    EXPECT_EQ(p.Graphic()->GraphicClassName(), "TBitmap");
    EXPECT_EQ(p.Graphic()->Image().convertToFormat(QImage::Format_RGB32), image);
    QGuiApplication::clipboard()->clear();
    TPictureEx q;
    EXPECT_FALSE(q.AssignFromClipboard());
    EXPECT_FALSE(q.HasGraphic());
}

} // namespace velmo::test
