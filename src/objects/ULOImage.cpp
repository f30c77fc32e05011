#include "objects/ULOImage.h"
#include "base/UClassesFiler.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImagePack.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/UStandardDSA.h"
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

QRgb ToRgb(TColor color)
{
    // TColor keeps red in the low byte.
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// The quadrilateral the rectangle becomes when turned by the rotator.
QPolygon TurnedRect(const TLogRect& r, TRotator rotator)
{
    QPolygon polygon;
    for (QPoint p :
         {QPoint(r.Left, r.Top), QPoint(r.Right, r.Top), QPoint(r.Right, r.Bottom), QPoint(r.Left, r.Bottom)})
        polygon << rotator.Transformed(p);
    return polygon;
}

TLogRect PolygonBounds(const QPolygon& polygon)
{
    const QRect b = polygon.boundingRect();
    return {b.left(), b.top(), b.left() + b.width() - 1, b.top() + b.height() - 1};
}

} // namespace

QImage PictureToArgb(const TPicture* picture)
{
    if (!picture || !picture->HasGraphic())
        return {};
    const TGraphic* graphic = picture->Graphic();
    QImage image = graphic->Image().convertToFormat(QImage::Format_ARGB32);
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(graphic); bitmap && bitmap->Transparent()) {
        auto* writable = const_cast<TSafetyBitmap*>(bitmap);
        writable->MaskedImage().BuildMask(bitmap->Pixels(), bitmap->PixelFormat(),
                                          bitmap->TransparentColor());
        const QImage mask = writable->MaskedImage().GetMask();
        if (mask.size() == image.size()) {
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (mask.pixelIndex(x, y) == 1)
                        row[x] = 0;
            }
        }
    }
    return image;
}

// ---------------------------------------------------------------------------------

TLOImage::TLOImage(TComponent* owner)
    : TLORectBase(owner), FImageData(std::make_unique<TImageData>()),
      FFramePicture(std::make_unique<TPictureEx>()), FLegacyPicture(std::make_unique<TPictureEx>())
{
    FListener = std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            InputChanged();
    });
    FListener->ListenTo(&FImageData->Notify());
    FListener->ListenTo(&FFramePicture->Notify());
}

TLOImage::~TLOImage()
{
    FListener.reset();
}

const TPropertyTable& TLOImage::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("ImageData", &TLOImage::ImageData, &TLOImage::SetImageData)
            .Object("FramePicture", &TLOImage::FramePicture, &TLOImage::SetFramePicture)
            .Bool("AlphaFrame", &TLOImage::AlphaFrame, &TLOImage::SetAlphaFrame)
            .Default(0)
            .Int("Angle", &TLOImage::Angle, &TLOImage::SetAngleValue)
            .NoDefault()
            .Enum("ImageSource", &TLOImage::ImageSourceValue, &TLOImage::SetImageSourceValue,
                  {"isFile", "isOnePoint", "isTwain"})
            .NoDefault()
            // Older files give the picture here; it is moved into the image data once
            // the object is read, so it never holds anything when written.
            .Object("Picture", &TLOImage::LegacyPicture);
    return table;
}

void* TLOImage::QueryInterface(const TGUID& iid)
{
    if (iid == IDORotate::IID)
        return static_cast<IDORotate*>(this);
    return TLORectBase::QueryInterface(iid);
}

void TLOImage::SetImageData(TPersistent* value)
{
    if (auto* data = dynamic_cast<TImageData*>(value))
        FImageData->Assign(*data);
    else if (!value)
        FImageData->Clear();
}

void TLOImage::SetFramePicture(TPersistent* value)
{
    if (auto* picture = dynamic_cast<TPicture*>(value))
        FFramePicture->Assign(*picture);
    else if (!value)
        FFramePicture->Clear();
}

void TLOImage::SetAlphaFrame(bool value)
{
    if (value == FAlphaFrame)
        return;
    FAlphaFrame = value;
    InputChanged();
}

void TLOImage::SetAngleValue(int value)
{
    value = Mod(value, 360);
    if (value == FRotator.Angle())
        return;
    Invalidate();
    FRotator.SetAngle(value);
    DiscardCache();
    UpdateBounds();
    Changed();
    Invalidate();
}

void TLOImage::InputChanged()
{
    if (FRendering || InGhostAssignment())
        return;
    DiscardCache();
    Changed();
    Invalidate();
}

void TLOImage::DiscardCache()
{
    FCache = QImage();
}

void TLOImage::Loaded()
{
    TLORectBase::Loaded();
    if (FLegacyPicture->HasGraphic()) {
        FPictureUsed = true;
        FImageData->SetPicture(FLegacyPicture.get());
        FLegacyPicture->Clear();
        if (FImageSource == isOnePoint)
            FImageData->SetTransparentColor(kFrameOpenColor);
    }
}

void TLOImage::LoadPicture(const QString& fileName)
{
    TImageData loaded;
    try {
        loaded.LoadFromFile(fileName);
    } catch (const std::exception&) {
        // What cannot be read shows as the shared error picture, never as a failed
        // paint.
        loaded.SetPicture(&ErrorPicture());
    }
    FImageData->Assign(loaded);
}

QSize TLOImage::DefaultSize() const
{
    TPictureEx* display = FImageData->DisplayPicture();
    const QSize pixels(display->Width(), display->Height());
    QSize size = DefaultImageSize(pixels);
    if (OnSite() && !pixels.isEmpty()) {
        const TLogRect& r = BaseRect();
        const int side = std::max(r.Width(), r.Height());
        const TLogRect square = CoverAspect(r, side, side);
        const TLogRect fitted = FitAspect(square, pixels.width(), pixels.height());
        size = QSize(fitted.Width(), fitted.Height());
    }
    return size;
}

void TLOImage::RefreshSize()
{
    const QSize size = DefaultSize();
    if (size.isEmpty())
        return;
    TUpdateBracket bracket(Notifier());
    SetPropWidth(size.width());
    SetPropHeight(size.height());
}

void TLOImage::SetBaseRect(const TLogRect& rect)
{
    const TLogRect r = NormalizedRect(rect);
    FRotator.SetCenter(RectCenter(r));
    if (r == BaseRect())
        return;
    if (r.Width() != BaseRect().Width() || r.Height() != BaseRect().Height())
        DiscardCache();
    TLORectBase::SetBaseRect(r);
}

QPolygon TLOImage::OutlinePolygon() const
{
    return TurnedRect(BaseRect(), FRotator);
}

TLogRect TLOImage::GetEncloseRect() const
{
    if (FRotator.Angle() == 0)
        return BaseRect();
    return PolygonBounds(OutlinePolygon());
}

void TLOImage::SetEncloseSize(int width, int height)
{
    TUpdateBracket bracket(Notifier());
    if (FRotator.Angle() != 0) {
        const TLogRect e = GetEncloseRect();
        if (e.Width() == 0 || e.Height() == 0)
            return;
        SetPropWidth(MulDiv(BaseRect().Width(), width, e.Width()));
        SetPropHeight(MulDiv(BaseRect().Height(), height, e.Height()));
    } else {
        SetPropWidth(width);
        SetPropHeight(height);
    }
}

bool TLOImage::HitTest(QPoint logical)
{
    return OutlinePolygon().containsPoint(logical, Qt::WindingFill);
}

void TLOImage::DrawGhost(QPainter& painter)
{
    painter.drawPolygon(OutlinePolygon());
}

const QImage& TLOImage::Rendered()
{
    if (!FCache.isNull() || !HasPicture())
        return FCache;
    FRendering = true;
    try {
        QImage image = PictureToArgb(FImageData->DisplayPicture());
        const QImage frame = PictureToArgb(FFramePicture.get());
        if (!frame.isNull() && !image.isNull()) {
            const QImage scaled = frame.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_RGB32);
            const QRgb open = ToRgb(kFrameOpenColor) & 0xFFFFFF;
            const QRgb outside = ToRgb(kFrameOutsideColor) & 0xFFFFFF;
            for (int y = 0; y < image.height(); ++y) {
                auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
                const auto* f = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb fc = f[x] & 0xFFFFFF;
                    if (FAlphaFrame) {
                        // The frame's grey level is the opacity.
                        const int a = qAlpha(d[x]) * qGray(f[x]) / 255;
                        d[x] = qRgba(qRed(d[x]), qGreen(d[x]), qBlue(d[x]), a);
                    } else if (fc == outside) {
                        d[x] = 0;
                    } else if (fc != open) {
                        d[x] = 0xFF000000u | fc; // the frame itself
                    }
                }
            }
        }
        FCache = std::move(image);
        ++FRenderCount;
    } catch (...) {
        FRendering = false;
        throw;
    }
    FRendering = false;
    return FCache;
}

void TLOImage::DrawRendered(QPainter& painter, const QImage& image)
{
    const TLogRect& r = BaseRect();
    if (image.isNull() || r.Width() <= 0 || r.Height() <= 0)
        return;
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (FRotator.Angle() == 0) {
        const TLogRect d = FitsPictureInside() ? FitAspectBox({0, 0, image.width(), image.height()}, r) : r;
        DrawSharedImage(painter, QRectF(d.Left, d.Top, d.Width(), d.Height()), image);
        return;
    }
    // Turned: the picture's proportions fitted into the base rectangle, then turned
    // with the rotator so that picture, outline and hit test agree.
    const TLogRect fit = FitAspect(r, image.width(), image.height());
    const QPolygon quad = TurnedRect(fit, FRotator);
    QPolygonF from(QRectF(0, 0, image.width(), image.height()));
    from.pop_back();
    QTransform map;
    if (!QTransform::quadToQuad(from, QPolygonF(quad), map))
        return;
    painter.setTransform(map, true);
    DrawSharedImage(painter, QRectF(QPointF(0, 0), QSizeF(image.size())), image);
}

void TLOImage::Paint(QPainter& painter)
{
    if (!HasPicture())
        return;
    DrawRendered(painter, Rendered());
}

void TLOImage::MakeImage(QPainter& imagePainter)
{
    // Blending takes the opacity from the mask: the picture goes in opaque here so
    // that it is not applied twice.
    if (!HasPicture())
        return;
    QImage opaque = Rendered().convertToFormat(QImage::Format_RGB32);
    DrawRendered(imagePainter, opaque);
}

void TLOImage::PaintMask(QPainter& maskPainter)
{
    if (!HasPicture())
        return;
    QImage coverage = Rendered();
    for (int y = 0; y < coverage.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(coverage.scanLine(y));
        for (int x = 0; x < coverage.width(); ++x)
            row[x] = qRgba(255, 255, 255, qAlpha(row[x]));
    }
    DrawRendered(maskPainter, coverage);
}

bool TLOImage::NeedsBlend()
{
    if (!HasPicture())
        return false;
    return BlendRatio() != 100 || BlendShade() || (FFramePicture->HasGraphic() && FAlphaFrame);
}

void TLOImage::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOImage*>(&source)) {
        FImageData->Assign(*other->FImageData);
        FFramePicture->Assign(*other->FFramePicture);
        FAlphaFrame = other->FAlphaFrame;
        FImageSource = other->FImageSource;
        FPictureUsed = other->FPictureUsed;
        SetAngleValue(other->Angle());
        DiscardCache();
    }
}

// ---------------------------------------------------------------------------------

const TPropertyTable& TLOWizardImage::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("wizInputEnable", &TLOWizardImage::WizInputEnable, &TLOWizardImage::SetWizInputEnable)
            .Default(0)
            .String("wizInputCaption", &TLOWizardImage::WizInputCaption, &TLOWizardImage::SetWizInputCaption);
    return table;
}

void* TLOWizardImage::QueryInterface(const TGUID& iid)
{
    if (iid == IDOWizardInput::IID)
        return static_cast<IDOWizardInput*>(this);
    return TLOImage::QueryInterface(iid);
}

void TLOWizardImage::AssignDrawObject(const TDrawObject& source)
{
    TLOImage::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOWizardImage*>(&source)) {
        FWizInputEnable = other->FWizInputEnable;
        FWizInputCaption = other->FWizInputCaption;
    }
}

const TPropertyTable& TLOVelmoImage::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

// ---------------------------------------------------------------------------------

TLOBackImage::TLOBackImage(TComponent* owner)
    : TLORectBase(owner), FFillColor(std::make_unique<TColorSpec>()),
      FFrameColor(std::make_unique<TColorSpec>()), FBlendColor(std::make_unique<TColorSpec>()),
      FBlendPicture(std::make_unique<TPictureEx>()), FLegacyImage(std::make_unique<TPictureEx>())
{
    FFillColor->SetColor(clWhite);
    SetLayerGroup(kLayerGroup);
    FListener = std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            ColorChanged();
    });
    FListener->ListenTo(&FFillColor->Notify());
    FListener->ListenTo(&FFrameColor->Notify());
    FListener->ListenTo(&FBlendColor->Notify());
    FListener->ListenTo(&FBlendPicture->Notify());
}

TLOBackImage::~TLOBackImage()
{
    FListener.reset();
}

const TPropertyTable& TLOBackImage::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("FillColor", &TLOBackImage::FillColor)
            .Object("FrameColor", &TLOBackImage::FrameColor)
            .Int("FrameWidth", &TLOBackImage::FrameWidth, &TLOBackImage::SetFrameWidth)
            .Default(0)
            .Object("BlendColor", &TLOBackImage::BlendColor)
            .Object("BlendPicture", &TLOBackImage::BlendPicture, &TLOBackImage::SetBlendPicture)
            .Object("Image", &TLOBackImage::LegacyImage)
            .ReadOnlyCustom("EllipseClip", &TLOBackImage::ReadIgnoredBool)
            .ReadOnlyCustom("CenterClip", &TLOBackImage::ReadIgnoredBool)
            .ReadOnlyCustom("CenterRadius", &TLOBackImage::ReadIgnoredInt);
    return table;
}

void* TLOBackImage::QueryInterface(const TGUID& iid)
{
    if (iid == IDOBackImage::IID)
        return static_cast<IDOBackImage*>(this);
    if (iid == IDOBackImageContent::IID)
        return static_cast<IDOBackImageContent*>(this);
    return TLORectBase::QueryInterface(iid);
}

void TLOBackImage::ReadIgnoredBool(TReader& reader)
{
    reader.ReadBoolean();
}

void TLOBackImage::ReadIgnoredInt(TReader& reader)
{
    reader.ReadInteger();
}

void TLOBackImage::ColorChanged()
{
    if (InGhostAssignment())
        return;
    Changed();
    Invalidate();
}

void TLOBackImage::SetBlendPicture(TPersistent* value)
{
    if (auto* picture = dynamic_cast<TPicture*>(value))
        FBlendPicture->Assign(*picture);
    else if (!value)
        FBlendPicture->Clear();
}

void TLOBackImage::SetFrameWidth(int value)
{
    value = std::max(0, value);
    if (value == FFrameWidth)
        return;
    FFrameWidth = value;
    ColorChanged();
}

void TLOBackImage::SetFaceInfo(const TFaceInfo& face)
{
    FFace.Assign(face);
    Invalidate();
}

void TLOBackImage::Reset()
{
    TUpdateBracket bracket(Notifier());
    SetFrameWidth(0);
    FFillColor->ImageData()->Clear();
    FFrameColor->ImageData()->Clear();
    FFillColor->SetKind(TColorSpecKind::cskSolid);
    FFillColor->SetColor(clWhite);
    FBlendPicture->Clear();
}

bool TLOBackImage::IsEmpty() const
{
    return FFrameWidth == 0 && FFillColor->Kind() == TColorSpecKind::cskSolid &&
           FFillColor->Color() == 0xFFFFFF && !FBlendPicture->HasGraphic();
}

void TLOBackImage::FitToFace(const TLogRect& face)
{
    SetBaseRect(face);
    // A face set earlier keeps its shape; only its size follows.
    const TLogRect outer = FFace.GetOuterRect();
    if (outer.Width() != face.Width() || outer.Height() != face.Height() || FFace.Rect.IsEmpty())
        FFace.SetOuterRect(face);
}

void TLOBackImage::SetEncloseSize(int width, int height)
{
    TUpdateBracket bracket(Notifier());
    SetPropWidth(width);
    SetPropHeight(height);
}

void TLOBackImage::Loaded()
{
    TLORectBase::Loaded();
    if (FLegacyImage->HasGraphic()) {
        FFillColor->ImageData()->SetPicture(FLegacyImage.get());
        FFillColor->SetKind(TColorSpecKind::cskBitmap);
        FLegacyImage->Clear();
    }
}

void TLOBackImage::PaintFill(QPainter& painter, const QRectF& area)
{
    const QRect fillRect = area.toAlignedRect();
    if (!FBlendPicture->HasGraphic()) {
        FFillColor->Fill(painter, fillRect);
        return;
    }
    // The two colour settings drawn at the device's resolution and mixed through the
    // blend picture's grey levels at the ratio.
    const QTransform toDevice = painter.combinedTransform();
    QRectF visible = area;
    if (painter.hasClipping())
        visible &= painter.clipBoundingRect().adjusted(-5, -5, 5, 5);
    if (visible.isEmpty())
        return;
    const QRect device = toDevice.mapRect(visible).toAlignedRect();
    if (device.isEmpty() || qint64(device.width()) * device.height() > 64LL * 1024 * 1024)
        return;
    const QTransform toImage = toDevice * QTransform::fromTranslate(-device.x(), -device.y());
    auto render = [&](const TColorSpec& spec) {
        QImage image(device.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setTransform(toImage);
        spec.Fill(p, fillRect);
        return image;
    };
    const QImage fill = render(*FFillColor);
    const QImage blend = render(*FBlendColor);
    QImage grey(device.size(), QImage::Format_Grayscale8);
    grey.fill(0);
    {
        QPainter p(&grey);
        p.setTransform(toImage);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(fillRect), PictureToArgb(FBlendPicture.get()));
    }
    const int ratio = std::clamp(BlendRatio(), 0, 100);
    QImage out(device.size(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        const auto* f = reinterpret_cast<const QRgb*>(fill.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(blend.constScanLine(y));
        const uchar* g = grey.constScanLine(y);
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int a = g[x] * ratio / 100;
            auto mix = [a](int from, int to) { return from + (to - from) * a / 255; };
            o[x] = qRgb(mix(qRed(f[x]), qRed(b[x])), mix(qGreen(f[x]), qGreen(b[x])),
                        mix(qBlue(f[x]), qBlue(b[x])));
        }
    }
    TCanvasSaver saver(painter);
    painter.resetTransform();
    painter.drawImage(device.topLeft(), out);
}

void TLOBackImage::Paint(QPainter& painter)
{
    const TLogRect& r = BaseRect();
    if (r.IsEmpty())
        return;
    TFaceInfo face = FFace;
    if (face.Rect.IsEmpty())
        face.SetOuterRect(r);
    const TLogRect outer = face.GetOuterRect();
    const int dx = r.Left - outer.Left, dy = r.Top - outer.Top;
    face.Rect = {face.Rect.Left + dx, face.Rect.Top + dy, face.Rect.Right + dx, face.Rect.Bottom + dy};

    QRectF area(r.Left, r.Top, r.Width(), r.Height());
    if (FFillColor->Kind() == TColorSpecKind::cskBitmap && !FFillColor->Tile()) {
        TPictureEx* display = FFillColor->ImageData()->DisplayPicture();
        if (display->Width() > 0 && display->Height() > 0) {
            const TLogRect cover = CoverAspect(r, display->Width(), display->Height());
            area = QRectF(cover.Left, cover.Top, cover.Width(), cover.Height());
        }
    }

    TCanvasSaver saver(painter);
    QPainterPath shape = face.OuterPath();
    painter.setClipPath(shape, Qt::IntersectClip);
    if (FFrameWidth != 0) {
        FFrameColor->Fill(painter, ToQRect(r));
        TFaceInfo inner = face;
        inner.FaceMargin -= FFrameWidth;
        painter.setClipPath(inner.OuterPath(), Qt::IntersectClip);
    }
    PaintFill(painter, area);
    if (face.HasHole()) {
        painter.setClipping(false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        face.DrawHole(painter, false);
    }
}

void TLOBackImage::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOBackImage*>(&source)) {
        FFillColor->Assign(*other->FFillColor);
        FFrameColor->Assign(*other->FFrameColor);
        FBlendColor->Assign(*other->FBlendColor);
        FBlendPicture->Assign(*other->FBlendPicture);
        FFrameWidth = other->FFrameWidth;
        FFace = other->FFace;
    }
}

// ---------------------------------------------------------------------------------

void RegisterImageClasses()
{
    if (FindLabelClassByName(u"TLOVelmoImage"))
        return;
    RegisterLabelClass<TLOVelmoImage>();
    RegisterLabelClass<TLOBackImage>();
    // Older documents name the image object by earlier class names.
    UnRegisterLabelClass<TLOImage>();
    RegisterLabelAlias<TLOVelmoImage>(QStringLiteral("TLOImage"));
    RegisterLabelAlias<TLOVelmoImage>(QStringLiteral("TLOMirtoImage"));
    // A picture pasted from another program becomes an image object at its default
    // size; PastedPicture keeps the readers' size cap.
    TLOCreator::SetPreparation(QStringLiteral("TLOImagePaste"), [](TLabelObject* object, TDrawSite*) {
        auto* image = dynamic_cast<TLOImage*>(object);
        if (!image)
            return;
        QImage pasted = PastedPicture(CurrentPasteData());
        if (pasted.isNull())
            return;
        if (pasted.hasAlphaChannel()) {
            QImage flat(pasted.size(), QImage::Format_RGB32);
            flat.fill(Qt::white);
            QPainter p(&flat);
            p.drawImage(0, 0, pasted);
            p.end();
            pasted = flat;
        }
        auto bitmap = std::make_unique<TSafetyBitmap>();
        bitmap->SetImage(pasted.convertToFormat(QImage::Format_RGB888));
        TPictureEx picture;
        picture.SetGraphic(std::move(bitmap));
        image->ImageData()->SetPicture(&picture);
        image->SetImageSource(isFile);
        image->RefreshSize();
    });
}

} // namespace velmo
