#pragma once
// Pictures on a label: the image object (a picture anywhere, turned and shaped by a
// frame picture) and the background (the whole face, clipped to the face's shape,
// filled with a colour setting, framed and blended with a second picture).
#include "draw/UTransformer.h"
#include "imaging/UImageData.h"
#include "objects/ULORectBase.h"
#include "paper/UFaceInfo.h"
#include <QImage>
#include <QPolygon>
#include <memory>

namespace velmo {

class TColorSpec;

enum TImageSource
{
    isFile,
    isOnePoint,
    isTwain
};

// The transparent colour a frame picture draws around its opening and the colour
// that marks the outside of the frame (nothing shows there).
inline constexpr TColor kFrameOpenColor = 0xF0F0F0;
inline constexpr TColor kFrameOutsideColor = 0x607090;

class TLOImage : public TLORectBase, public IDORotate
{
    VELMO_DRAW_OBJECT(TLOImage, TLORectBase)
public:
    explicit TLOImage(TComponent* owner = nullptr);
    ~TLOImage() override;

    void* QueryInterface(const TGUID& iid) override;

    TImageData* ImageData() const { return FImageData.get(); }
    void SetImageData(TPersistent* value);
    TPictureEx* FramePicture() const { return FFramePicture.get(); }
    void SetFramePicture(TPersistent* value);
    bool AlphaFrame() const { return FAlphaFrame; }
    void SetAlphaFrame(bool value);
    int Angle() const { return FRotator.Angle(); }
    void SetAngleValue(int value);
    int ImageSourceValue() const { return FImageSource; }
    void SetImageSourceValue(int value) { FImageSource = std::clamp(value, 0, 2); }
    TImageSource ImageSource() const { return TImageSource(FImageSource); }
    void SetImageSource(TImageSource value) { FImageSource = value; }
    // Whether an older stream gave the picture through the legacy Picture entry.
    bool PictureUsed() const { return FPictureUsed; }
    bool HasPicture() const { return FImageData->Picture()->HasGraphic(); }
    // The picture the object shows; a picture that fails to decode is drawn as the
    // shared error picture.
    void LoadPicture(const QString& fileName);
    // The default size of the current picture (180 pixels per inch), fitted into
    // the square over the base rectangle when the object is already placed.
    QSize DefaultSize() const;
    void RefreshSize();

    // The turned base rectangle.
    QPolygon OutlinePolygon() const;
    // The composed picture with its transparency (cache; rebuilt when empty).
    const QImage& Rendered();
    int RenderCount() const { return FRenderCount; }

    // IDORotate
    int GetAngle() const override { return Angle(); }
    void SetAngle(int degrees) override { SetAngleValue(degrees); }

    bool KeepAspect() const override { return true; }
    void SetBaseRect(const TLogRect& rect) override;
    void SetEncloseSize(int width, int height) override;
    TLogRect GetEncloseRect() const override;
    bool HitTest(QPoint logical) override;
    void DrawGhost(QPainter& painter) override;
    void Paint(QPainter& painter) override;
    void PaintMask(QPainter& maskPainter) override;
    void MakeImage(QPainter& imagePainter) override;
    bool NeedsBlend() override;
    void Loaded() override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    // The whole picture kept in its proportions and centred in the base rectangle
    // rather than stretched over it (pictures that change per label).
    virtual bool FitsPictureInside() const { return false; }

private:
    TPictureEx* LegacyPicture() const { return FLegacyPicture.get(); }
    void InputChanged();
    void DiscardCache();
    void DrawRendered(QPainter& painter, const QImage& image);

    TRotator FRotator;
    std::unique_ptr<TImageData> FImageData;
    std::unique_ptr<TPictureEx> FFramePicture;
    std::unique_ptr<TPictureEx> FLegacyPicture;
    std::unique_ptr<TListener> FListener;
    QImage FCache;
    int FImageSource = isFile;
    bool FAlphaFrame = false;
    bool FPictureUsed = false;
    bool FRendering = false;
    int FRenderCount = 0;
};

class TLOWizardImage : public TLOImage, public IDOWizardInput
{
    VELMO_DRAW_OBJECT(TLOWizardImage, TLOImage)
public:
    explicit TLOWizardImage(TComponent* owner = nullptr) : TLOImage(owner) {}
    void* QueryInterface(const TGUID& iid) override;

    bool WizInputEnable() const { return FWizInputEnable; }
    void SetWizInputEnable(bool value) { FWizInputEnable = value; }
    const QString& WizInputCaption() const { return FWizInputCaption; }
    void SetWizInputCaption(const QString& value) { FWizInputCaption = value; }

    QString GetWizardCaption() const override { return FWizInputCaption; }
    void SetWizardCaption(const QString& caption) override { FWizInputCaption = caption; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    bool FWizInputEnable = false;
    QString FWizInputCaption;
};

// The class every new image object gets.
class TLOVelmoImage : public TLOWizardImage
{
    VELMO_DRAW_OBJECT(TLOVelmoImage, TLOWizardImage)
public:
    explicit TLOVelmoImage(TComponent* owner = nullptr) : TLOWizardImage(owner) {}
};

class TLOBackImage : public TLORectBase, public IDOBackImage, public IDOBackImageContent
{
    VELMO_DRAW_OBJECT(TLOBackImage, TLORectBase)
public:
    static constexpr int kLayerGroup = -100;

    explicit TLOBackImage(TComponent* owner = nullptr);
    ~TLOBackImage() override;

    void* QueryInterface(const TGUID& iid) override;

    TColorSpec* FillColor() const { return FFillColor.get(); }
    TColorSpec* FrameColor() const { return FFrameColor.get(); }
    TColorSpec* BlendColor() const { return FBlendColor.get(); }
    TPictureEx* BlendPicture() const { return FBlendPicture.get(); }
    void SetBlendPicture(TPersistent* value);
    int FrameWidth() const { return FFrameWidth; }
    void SetFrameWidth(int value);
    // The published BlendRatio (same name and stream place as the label object's)
    // mixes the blend picture here; the background is never blended as a whole.
    int BackBlendRatio() const { return BlendRatio(); }

    const TFaceInfo& FaceInfo() const { return FFace; }
    void SetFaceInfo(const TFaceInfo& face);

    // "背景柄なし": no frame, solid white, no blend picture, no pictures.
    void Reset();
    bool IsEmpty() const;

    // IDOBackImage: the base rectangle becomes the face's (local) rectangle.
    void FitToFace(const TLogRect& face) override;
    // IDOBackImageContent
    bool IsEmptyBackground() const override { return IsEmpty(); }

    bool HitTest(QPoint) override { return false; }
    void SetEncloseSize(int width, int height) override;
    bool NeedsBlend() override { return false; }
    void Paint(QPainter& painter) override;
    void Loaded() override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    TPictureEx* LegacyImage() const { return FLegacyImage.get(); }
    void ReadIgnoredBool(TReader& reader);
    void ReadIgnoredInt(TReader& reader);
    void ColorChanged();
    void PaintFill(QPainter& painter, const QRectF& area);

    std::unique_ptr<TColorSpec> FFillColor;
    std::unique_ptr<TColorSpec> FFrameColor;
    std::unique_ptr<TColorSpec> FBlendColor;
    std::unique_ptr<TPictureEx> FBlendPicture;
    std::unique_ptr<TPictureEx> FLegacyImage;
    std::unique_ptr<TListener> FListener;
    TFaceInfo FFace;
    int FFrameWidth = 0;
};

// The picture of a graphic as 32-bit ARGB, its mask (key colour) as transparency;
// a null image for none.
QImage PictureToArgb(const TPicture* picture);

// Registers the image and background classes under their names and the older ones,
// and the preparation that fills an image pasted from another program.
void RegisterImageClasses();

} // namespace velmo
