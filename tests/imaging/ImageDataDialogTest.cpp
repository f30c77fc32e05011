// The image-data pages and dialog: controls follow the image data and set it, the
// eyedropper, the trimming frame with the mouse, the dialog's start and result.
#include "ImagingTestSupport.h"
#include "base/UModalResult.h"
#include "imaging/FClipEditor.h"
#include "imaging/FEffectEditor.h"
#include "imaging/FImageDataEditor.h"
#include "imaging/FImagePanels.h"
#include "imaging/FTransparentEditor.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

QImage TestPicture(int w, int h)
{
    // A white ground with a red disc and a blue bar, like a cut-out illustration.
    QImage image(w, h, QImage::Format_BGR888);
    image.fill(Qt::white);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            if (dx * dx + dy * dy < (h / 3) * (h / 3))
                image.setPixelColor(x, y, QColor(220, 30, 40));
            else if (y > h * 3 / 4 && y < h * 7 / 8)
                image.setPixelColor(x, y, QColor(20, 40, 200));
        }
    return image;
}

void SetPicture(TImageData& data, const QImage& image)
{
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(image, TPixelFormat::pf24bit);
    data.Picture()->SetGraphic(std::move(bitmap));
}

class TOtherGraphic : public TGraphic
{
public:
    QString GraphicClassName() const override { return QStringLiteral("TMetafile"); }
    bool Empty() const override { return false; }
    QByteArray FileBytes() const override { return QByteArray("meta"); }
    void SetFileBytes(const QByteArray&) override {}
    QImage Image() const override { return QImage(); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TOtherGraphic>(); }
};

void Mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w->mapToGlobal(at), button, buttons, modifiers);
    QApplication::sendEvent(w, &event);
}

void Drag(QWidget* w, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
    Mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, modifiers);
    Mouse(w, QEvent::MouseMove, to, Qt::LeftButton, modifiers);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
}

// Saves a grab of the widget when screenshots are asked for.
void Shoot(QWidget& w, const char* name)
{
    const QByteArray dir = qgetenv("VELMO_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w.grab().save(QString::fromLocal8Bit(dir) + u'/' + QString::fromLatin1(name) + ".png");
}

} // namespace

TEST(ImageDataPages, QualityPageShowsTheImageData)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TImageData data;
    SetPicture(data, TestPicture(80, 60));
    TfrmEffectEditor page;
    page.SetImageData(&data);
    data.BlurFilter()->SetBlurCount(3);
    EXPECT_EQ(page.BlurBox()->currentText(), "普通");
    data.BlurFilter()->SetBlurCount(-4);
    EXPECT_EQ(page.BlurBox()->currentText(), "なし");
    data.BlurFilter()->SetBlurCount(6);
    EXPECT_EQ(page.BlurBox()->currentText(), "強い");
    data.BlurFilter()->SetBlurCount(1);
    EXPECT_EQ(page.BlurBox()->currentText(), "弱い");
    data.MonotoneFilter()->SetRefColor(0x00FF00);
    EXPECT_EQ(page.MonotoneBox()->currentText(), "白黒");
    data.MonotoneFilter()->SetRefColor(kSepiaRefColor);
    EXPECT_EQ(page.MonotoneBox()->currentText(), "セピア");
    data.LightFilter()->SetBrightness(-30);
    EXPECT_EQ(page.BrightnessBar()->value(), -30);
    EXPECT_EQ(page.BrightnessEdit()->value(), -30);

    // The controls set the image data.
    page.BlurBox()->setCurrentIndex(3);
    EXPECT_EQ(data.BlurFilter()->BlurCount(), 10);
    page.BlurBox()->setCurrentIndex(2);
    EXPECT_EQ(data.BlurFilter()->BlurCount(), 5);
    page.MonotoneBox()->setCurrentIndex(1);
    EXPECT_EQ(data.MonotoneFilter()->RefColor(), kGreyRefColor);
    page.MonotoneBox()->setCurrentIndex(0);
    EXPECT_EQ(data.MonotoneFilter()->RefColor(), clNone);
    page.ContrastBar()->setValue(40);
    EXPECT_EQ(page.ContrastEdit()->value(), 40);
    EXPECT_EQ(data.LightFilter()->Contrast(), 40);
    page.BrightnessEdit()->setValue(70);
    EXPECT_EQ(page.BrightnessBar()->value(), 70);
    EXPECT_EQ(data.LightFilter()->Brightness(), 70);
    EXPECT_EQ(page.BrightnessBar()->pageStep(), 10);
    EXPECT_EQ(page.BrightnessBar()->tickInterval(), 10);
    EXPECT_EQ(page.BrightnessEdit()->suffix(), "%");
    EXPECT_EQ(page.BrightnessEdit()->minimum(), -100);
    EXPECT_EQ(page.ContrastEdit()->maximum(), 100);

    // The preview renders at its next paint, once.
    page.resize(400, 400);
    const int before = data.RenderCount();
    page.Preview()->grab();
    page.Preview()->grab();
    EXPECT_EQ(data.RenderCount(), before + 1);
}

TEST(ImageDataPages, TransparencyPageFollowsAndSetsTheKeyColour)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TImageData data;
    TfrmTransparentEditor page;
    page.resize(400, 300);
    page.SetImageData(&data);
    data.Picture()->SetGraphic(std::make_unique<TOtherGraphic>());
    EXPECT_FALSE(page.CheckBox()->isEnabled());
    EXPECT_FALSE(page.Panel()->isEnabled());

    SetPicture(data, TestPicture(80, 60));
    EXPECT_TRUE(page.CheckBox()->isEnabled());
    EXPECT_FALSE(page.CheckBox()->isChecked());
    EXPECT_EQ(page.Panel()->Image().size(), QSize(80, 60));

    page.CheckBox()->click();
    EXPECT_EQ(data.TransparentColor(), clWhite); // the swatch's colour
    EXPECT_TRUE(page.Panel()->isEnabled());

    // The eyedropper on the disc's centre takes red.
    page.show();
    const QRect r = page.Panel()->PictureRect();
    Mouse(page.Panel(), QEvent::MouseButtonPress, QPointF(r.center()), Qt::LeftButton);
    Mouse(page.Panel(), QEvent::MouseButtonRelease, QPointF(r.center()), Qt::NoButton);
    EXPECT_EQ(data.TransparentColor(), RgbToColor(qRgb(220, 30, 40)));
    EXPECT_EQ(page.SwatchColor(), data.TransparentColor());
    // Dragging to the blue bar takes blue; outside the picture nothing.
    Mouse(page.Panel(), QEvent::MouseButtonPress, QPointF(r.center()), Qt::LeftButton);
    Mouse(page.Panel(), QEvent::MouseMove, QPointF(r.left() + 2, r.top() + r.height() * 13 / 16),
          Qt::LeftButton);
    Mouse(page.Panel(), QEvent::MouseMove, QPointF(0, 0), Qt::LeftButton);
    Mouse(page.Panel(), QEvent::MouseButtonRelease, QPointF(0, 0), Qt::NoButton);
    EXPECT_EQ(data.TransparentColor(), RgbToColor(qRgb(20, 40, 200)));

    page.CheckBox()->click();
    EXPECT_EQ(data.TransparentColor(), clNone);
    EXPECT_FALSE(page.Panel()->isEnabled());
    data.SetTransparentColor(clBlack);
    EXPECT_TRUE(page.CheckBox()->isChecked());
    EXPECT_EQ(page.SwatchColor(), clBlack);

    page.SetChooserKind(3);
    EXPECT_TRUE(page.ReselectButton()->isHidden());
    page.SetChooserKind(2);
    EXPECT_FALSE(page.ReselectButton()->isHidden());
    page.SetPictureChooser([](QWidget*, int kind, TChosenPicture& chosen) {
        EXPECT_EQ(kind, 2);
        auto bitmap = std::make_unique<TAppBitmap>();
        bitmap->SetImage(TestPicture(50, 50), TPixelFormat::pf24bit);
        chosen.Graphic = std::move(bitmap);
        chosen.Source = TPictureSource::psIllustration;
        return true;
    });
    EXPECT_TRUE(page.ChooseAgain());
    EXPECT_EQ(data.Picture()->Width(), 50);
    EXPECT_EQ(data.TransparentColor(), TColor(0xF0F0F0)); // the illustrations' key
    EXPECT_EQ(page.CurrentSource(), TPictureSource::psIllustration);
    page.SetPictureChooser([](QWidget*, int, TChosenPicture&) { return false; });
    EXPECT_FALSE(page.ChooseAgain());
    EXPECT_EQ(data.Picture()->Width(), 50);
}

TEST(ImageDataPages, TheTrimmingFrameMovesAndResizes)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TImageData data;
    SetPicture(data, TestPicture(200, 100));
    TfrmClipEditor page;
    page.resize(480, 320);
    page.SetImageData(&data);
    page.show();
    TClipSite* site = page.Site();
    ASSERT_EQ(site->Frame(), QRect(0, 0, 200, 100));

    // Move the whole frame after shrinking it freely from the bottom-right corner.
    const QPointF br = site->ToWidget(QPointF(200, 100));
    const QPointF target = site->ToWidget(QPointF(150, 80));
    Drag(site, br, target);
    TClipRect r = data.ClipFilter()->ClipRect();
    EXPECT_NEAR(r.Right, 150, 1);
    EXPECT_NEAR(r.Bottom, 80, 1);
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Top, 0);
    Drag(site, site->ToWidget(QPointF(50, 40)), site->ToWidget(QPointF(70, 50)));
    r = data.ClipFilter()->ClipRect();
    EXPECT_NEAR(r.Left, 20, 1);
    EXPECT_NEAR(r.Top, 10, 1);
    EXPECT_NEAR(r.Width(), 150, 1);
    // Beyond the picture is allowed: the margin shows where the background will be.
    Drag(site, site->ToWidget(QPointF(90, 50)), site->ToWidget(QPointF(90 - 35, 50)));
    EXPECT_LT(data.ClipFilter()->ClipRect().Left, 0);

    page.Reset();
    EXPECT_EQ(data.ClipFilter()->ClipRect(), (TClipRect{0, 0, 200, 100}));

    // Bound to a square face: the frame keeps 1:1, resets to the centred square, and a
    // picture of another size resets it through nkClipReset.
    TClipFace face;
    face.OuterSize = QSizeF(500, 500);
    face.Outline.addEllipse(QRectF(0, 0, 500, 500));
    face.Outline.addEllipse(QRectF(200, 200, 100, 100));
    page.SetFace(&face);
    EXPECT_EQ(site->Mode(), TClipMode::cmFace);
    page.Reset();
    EXPECT_EQ(data.ClipFilter()->ClipRect(), (TClipRect{50, 0, 150, 100}));
    Drag(site, site->ToWidget(QPointF(150, 100)), site->ToWidget(QPointF(130, 60)), Qt::ShiftModifier);
    r = data.ClipFilter()->ClipRect();
    EXPECT_NEAR(r.Width(), r.Height(), 1) << r.Width() << "x" << r.Height();
    Shoot(page, "clip-page-face");
    SetPicture(data, TestPicture(300, 240));
    EXPECT_EQ(data.ClipFilter()->ClipRect(), (TClipRect{30, 0, 270, 240}));
    page.SetFace(nullptr);
    EXPECT_EQ(site->Mode(), TClipMode::cmFree);
}

TEST(ImageDataPages, AFramePictureKeepsItsProportionsUnlessShiftIsHeld)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    QTemporaryDir dir;
    TAppBitmap frame;
    QImage frameImage(40, 20, QImage::Format_BGR888);
    frameImage.fill(QColor(240, 240, 240));
    for (int x = 0; x < 40; ++x) {
        frameImage.setPixelColor(x, 0, Qt::darkGreen);
        frameImage.setPixelColor(x, 19, Qt::darkGreen);
    }
    frame.SetImage(frameImage, TPixelFormat::pf24bit);
    frame.SaveToFile(dir.filePath("frame.bmp"));

    TImageData data;
    SetPicture(data, TestPicture(200, 200));
    TfrmClipEditor page;
    page.resize(480, 360);
    page.SetImageData(&data);
    page.SetFrameChooserVisible(true);
    page.show();
    page.SetFrameChooser([&](QWidget*, bool, QString& file) {
        file = dir.filePath("frame.bmp");
        return 1;
    });
    page.ChooseFrame();
    EXPECT_TRUE(page.HasFramePicture());
    EXPECT_EQ(page.Site()->Mode(), TClipMode::cmFramePicture);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), (TClipRect{0, 50, 200, 150})); // 2:1, centred
    TClipSite* site = page.Site();
    Drag(site, site->ToWidget(QPointF(200, 150)), site->ToWidget(QPointF(160, 150)));
    TClipRect r = data.ClipFilter()->ClipRect();
    EXPECT_NEAR(double(r.Width()) / r.Height(), 2.0, 0.05);
    Drag(site, site->ToWidget(QPointF(r.Right, r.Bottom)), site->ToWidget(QPointF(r.Right, r.Bottom + 40)),
         Qt::ShiftModifier);
    r = data.ClipFilter()->ClipRect();
    EXPECT_LT(double(r.Width()) / r.Height(), 1.5); // Shift lifted the proportion
    Shoot(page, "clip-page-frame");
    page.SetFrameChooser([](QWidget*, bool hasFrame, QString&) {
        EXPECT_TRUE(hasFrame);
        return 2;
    });
    page.ChooseFrame();
    EXPECT_FALSE(page.HasFramePicture());
    EXPECT_EQ(site->Mode(), TClipMode::cmFree);
}

TEST(ImageDataDialog, AnEmptyImageDataOpensTheChooserAndCancelsWithoutOne)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TfrmImageDataEditor dialog;
    int asked = 0;
    dialog.SetPictureChooser([&](QWidget*, int kind, TChosenPicture&) {
        ++asked;
        EXPECT_EQ(kind, 0);
        return false;
    });
    TImageData empty;
    dialog.SetImageData(empty);
    EXPECT_EQ(dialog.Execute(), mrCancel);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ImageDataDialog, EditsACopyAndCopiesBackOnOK)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TImageData data;
    SetPicture(data, TestPicture(160, 120));
    TClipFace face;
    face.OuterSize = QSizeF(910, 550);
    face.Outline.addRoundedRect(QRectF(0, 0, 910, 550), 40, 40);

    TfrmImageDataEditor dialog;
    dialog.SetFace(&face);
    dialog.SetImageData(data);
    EXPECT_EQ(dialog.windowTitle(), "透過色・切抜きの設定");
    EXPECT_EQ(dialog.Tabs()->tabText(0), "イメージ");
    EXPECT_EQ(dialog.Tabs()->tabText(1), "切り抜き");
    EXPECT_EQ(dialog.Tabs()->tabText(2), "画質調整");
    EXPECT_TRUE(dialog.Tabs()->isTabEnabled(1));
    EXPECT_TRUE(dialog.Tabs()->isTabEnabled(2));
    QTimer::singleShot(0, &dialog, [&] {
        dialog.ImageData().SetTransparentColor(clWhite);
        dialog.ImageData().LightFilter()->SetBrightness(20);
        dialog.ImageData().ClipFilter()->SetClipRect({10, 10, 150, 100});
        EXPECT_EQ(dialog.TransparentPage()->ChooserKind(), 1); // a face was given
        EXPECT_EQ(dialog.ClipPage()->Site()->Mode(), TClipMode::cmFace);
        EXPECT_EQ(data.TransparentColor(), clNone); // the caller's is untouched meanwhile
        Shoot(dialog, "image-data-dialog");
        dialog.done(mrOk);
    });
    ASSERT_EQ(dialog.Execute(), mrOk);
    data.Assign(dialog.ImageData());
    EXPECT_EQ(data.TransparentColor(), clWhite);
    EXPECT_EQ(data.LightFilter()->Brightness(), 20);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), (TClipRect{10, 10, 150, 100}));

    // Cancel leaves the caller's image data as it was.
    TfrmImageDataEditor second;
    second.SetNoReselect(true);
    second.SetTiled(true);
    second.SetFace(&face);
    second.SetImageData(data);
    QTimer::singleShot(0, &second, [&] {
        EXPECT_EQ(second.TransparentPage()->ChooserKind(), 3);
        EXPECT_TRUE(second.TransparentPage()->ReselectButton()->isHidden());
        EXPECT_EQ(second.ClipPage()->Site()->Mode(), TClipMode::cmFree); // tiled: not bound
        second.ImageData().BlurFilter()->SetBlurCount(10);
        second.done(mrCancel);
    });
    EXPECT_EQ(second.Execute(), mrCancel);
    EXPECT_EQ(data.BlurFilter()->BlurCount(), 0);
}

TEST(ImageDataDialog, PictureOnlyPagesAreDisabledForOtherGraphics)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TImageData data;
    data.Picture()->SetGraphic(std::make_unique<TOtherGraphic>());
    TfrmImageDataEditor dialog;
    dialog.SetImageData(data);
    EXPECT_TRUE(dialog.Tabs()->isTabEnabled(1));
    EXPECT_FALSE(dialog.Tabs()->isTabEnabled(2));
}

} // namespace velmo::test

namespace velmo::test {

// The dialog over a real photograph-like picture (ImageMagick's built-in logo, as a
// JPEG): picking the white ground with the eyedropper makes it transparent in the
// preview, the frame trims, the effects show. With VELMO_SCREENSHOT_DIR set each tab
// is saved as a picture to look at.
TEST(ImageDataDialog, EditsARealPicture)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    QTemporaryDir dir;
    const QString file = dir.filePath("logo.jpg");
    const ProcessResult made = RunProgram("convert", {"logo:", "-quality", "95", file});
    ASSERT_EQ(made.ExitCode, 0) << made.StdErr.toStdString();
    TImageData data;
    data.LoadFromFile(file);
    ASSERT_EQ(data.Picture()->Width(), 640);

    TfrmImageDataEditor dialog;
    dialog.SetImageData(data);
    dialog.Prepare();
    dialog.show();
    QApplication::processEvents();
    TfrmTransparentEditor* page = dialog.TransparentPage();
    page->CheckBox()->click();
    const QRect r = page->Panel()->PictureRect();
    // The top-left corner of the logo is its white ground (JPEG noise aside).
    Mouse(page->Panel(), QEvent::MouseButtonPress, QPointF(r.left() + 3, r.top() + 3), Qt::LeftButton);
    Mouse(page->Panel(), QEvent::MouseButtonRelease, QPointF(r.left() + 3, r.top() + 3), Qt::NoButton);
    TImageData& edited = dialog.ImageData();
    ASSERT_TRUE(edited.HasTransparency());
    const QRgb key = ColorToRgb(edited.TransparentColor());
    EXPECT_GT(qRed(key), 240);
    auto* shown = dynamic_cast<TSafetyBitmap*>(edited.DisplayPicture()->Graphic());
    ASSERT_NE(shown, nullptr);
    shown->PrepareMask();
    EXPECT_EQ(shown->MaskedImage().GetMask().pixelIndex(3, 3), 1);
    QApplication::processEvents();
    Shoot(dialog, "dialog-1-transparency");

    dialog.Tabs()->setCurrentIndex(1);
    edited.ClipFilter()->SetClipRect({100, 40, 500, 440});
    QApplication::processEvents();
    Shoot(dialog, "dialog-2-trimming");
    EXPECT_EQ(edited.DisplayPicture()->Width(), 400);

    dialog.Tabs()->setCurrentIndex(2);
    dialog.EffectPage()->MonotoneBox()->setCurrentIndex(2);
    dialog.EffectPage()->BrightnessEdit()->setValue(20);
    dialog.EffectPage()->BlurBox()->setCurrentIndex(1);
    QApplication::processEvents();
    Shoot(dialog, "dialog-3-quality");
    EXPECT_EQ(edited.MonotoneFilter()->RefColor(), kSepiaRefColor);
    EXPECT_EQ(edited.LightFilter()->Brightness(), 20);
    // What the preview shows is the display picture.
    const QString out = qEnvironmentVariable("VELMO_SCREENSHOT_DIR");
    if (!out.isEmpty())
        edited.DisplayPicture()->Graphic()->Image().save(out + "/display-picture.png");
    dialog.hide();
}

} // namespace velmo::test
