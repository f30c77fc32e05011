#include "imaging/UImageData.h"

#include "base/UNumbers.h"
#include "base/UStream.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <typeinfo>

namespace velmo {

QSize GraphicSize(const TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return {0, 0};
    if (const auto* jpeg = dynamic_cast<const TSafetyJPEGImage*>(graphic))
        return {jpeg->Width(), jpeg->Height()};
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(graphic))
        return {bitmap->Width(), bitmap->Height()};
    const QImage image = graphic->Image();
    return image.isNull() ? QSize(0, 0) : image.size();
}

bool IsJPEGGraphic(const TGraphic* graphic)
{
    return dynamic_cast<const TSafetyJPEGImage*>(graphic) || dynamic_cast<const TJPEGImage*>(graphic);
}

bool GraphicSupportsTransparency(const TGraphic* graphic)
{
    // Pictures of the other web formats arrive as safe bitmaps, so the bitmap test
    // covers them.
    return dynamic_cast<const TSafetyBitmap*>(graphic) || dynamic_cast<const TBitmap*>(graphic) ||
           IsJPEGGraphic(graphic);
}

// ---------------------------------------------------------------------------------
// TPictureEx

const TPropertyTable& TPictureEx::Properties()
{
    // Not the plain picture's table: Data is declared only while the data is stored.
    static const TPropertyTable table =
        TPropertyTable::Extending(TPersistent::Properties())
            .String("ImageID", &TPictureEx::ImageID, &TPictureEx::SetImageID)
            .String("StorageID", &TPictureEx::StorageID, &TPictureEx::SetStorageID)
            .BinaryCustom("Data", &TPictureEx::StoresData, &TPictureEx::WriteStoredData,
                          &TPictureEx::ReadStoredData);
    return table;
}

TPictureEx::TPictureEx() : FNotify(std::make_unique<TChangeNotify>(nullptr)) {}

TPictureEx::~TPictureEx()
{
    // The graphic outlives nothing of ours, but its handler must not call back while
    // the members go away.
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(Graphic()))
        bitmap->OnChange = nullptr;
    else if (auto* jpeg = dynamic_cast<TSafetyJPEGImage*>(Graphic()))
        jpeg->OnChange = nullptr;
}

void TPictureEx::WatchGraphic()
{
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(Graphic()))
        bitmap->OnChange = [this] { Changed(); };
    else if (auto* jpeg = dynamic_cast<TSafetyJPEGImage*>(Graphic()))
        jpeg->OnChange = [this] { Changed(); };
}

void TPictureEx::Changed()
{
    WatchGraphic();
    if (FChanging > 0)
        return;
    ++FChanging;
    struct Leave
    {
        int& count;
        ~Leave() { --count; }
    } leave{FChanging};
    TPicture::Changed();
    FNotify->Changed();
}

void TPictureEx::Assign(const TPersistent& source)
{
    if (&source == this)
        return;
    if (const auto* ex = dynamic_cast<const TPictureEx*>(&source)) {
        FImageID = ex->FImageID;
        FStorageID = ex->FStorageID;
    }
    const auto* picture = dynamic_cast<const TPicture*>(&source);
    if (!picture) {
        TPicture::Assign(source);
        return;
    }
    const TGraphic* from = picture->Graphic();
    TGraphic* to = Graphic();
    if (!from && !to)
        return;
    if (from && to && typeid(*from) == typeid(*to) && !IsJPEGGraphic(from)) {
        if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(to)) {
            bitmap->Assign(static_cast<const TSafetyBitmap&>(*from)); // reports through OnChange
            return;
        }
        to->SetFileBytes(from->FileBytes());
        Changed();
        return;
    }
    TPicture::Assign(source);
}

bool TPictureEx::AssignFromClipboard()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return false;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return false;
    // The clipboard's own order decides; a device-independent bitmap is read by our
    // DIB reader, anything else the toolkit turns into an image.
    for (const QString& format : data->formats()) {
        if (format == u"image/bmp" || format == u"image/x-bmp") {
            const QByteArray bytes = data->data(format);
            auto bitmap = std::make_unique<TAppBitmap>();
            try {
                bitmap->SetFileBytes(bytes);
            } catch (const Exception&) {
                continue;
            }
            if (bitmap->Empty())
                continue;
            SetGraphic(std::move(bitmap));
            return true;
        }
    }
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull() && BitmapSizeAllowed(image.width(), image.height())) {
            auto bitmap = std::make_unique<TAppBitmap>();
            bitmap->SetImage(image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB888) : image);
            SetGraphic(std::move(bitmap));
            return true;
        }
    }
    return false;
}

TSafetyJPEGImage* TPictureEx::EnsureJPEG()
{
    if (!dynamic_cast<TSafetyJPEGImage*>(Graphic())) {
        ReplaceGraphic(std::make_unique<TAppJPEGImage>());
        WatchGraphic();
    }
    return static_cast<TSafetyJPEGImage*>(Graphic());
}

TSafetyBitmap* TPictureEx::EnsureBitmap()
{
    if (!dynamic_cast<TSafetyBitmap*>(Graphic())) {
        ReplaceGraphic(std::make_unique<TAppBitmap>());
        WatchGraphic();
    }
    return static_cast<TSafetyBitmap*>(Graphic());
}

void TPictureEx::ReadPictureData(TStream& stream)
{
    const bool notStored = FDataNotStored;
    FDataNotStored = false;
    struct Restore
    {
        bool& mark;
        bool value;
        ~Restore() { mark = value; }
    } restore{FDataNotStored, notStored};
    ReadData(stream);
}

// ---------------------------------------------------------------------------------
// TImageData

const TPropertyTable& TImageData::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("Picture", &TImageData::Picture, &TImageData::SetPicture)
            .Object("ClipFilter", &TImageData::ClipFilter, &TImageData::SetClipFilter)
            .Object("BlurFilter", &TImageData::BlurFilter, &TImageData::SetBlurFilter)
            .Object("LightFilter", &TImageData::LightFilter, &TImageData::SetLightFilter)
            .Object("MonotoneFilter", &TImageData::MonotoneFilter, &TImageData::SetMonotoneFilter)
            .Int("TransparentColor", &TImageData::TransparentColor, &TImageData::SetTransparentColor)
            .Default(clNone)
            .Idents(ColorIdents());
    return table;
}

TImageData::TImageData()
    : FNotify(std::make_unique<TChangeNotify>(nullptr)), FPicture(std::make_unique<TPictureEx>()),
      FDisplay(std::make_unique<TPictureEx>()), FClipFilter(std::make_unique<TClipFilter>()),
      FBlurFilter(std::make_unique<TBlurFilter>()), FLightFilter(std::make_unique<TLightFilter>()),
      FMonotoneFilter(std::make_unique<TMonotoneFilter>())
{
    FPictureListener = std::make_unique<TListener>(
        [this](TComponent* sender, const TGUID& kind) { InputChanged(sender, kind, 0); });
    FClipListener = std::make_unique<TListener>(
        [this](TComponent* sender, const TGUID& kind) { InputChanged(sender, kind, 1); });
    FEffectListener = std::make_unique<TListener>(
        [this](TComponent* sender, const TGUID& kind) { InputChanged(sender, kind, 2); });
    FPictureListener->ListenTo(&FPicture->Notify());
    FClipListener->ListenTo(&FClipFilter->Notify());
    FEffectListener->ListenTo(&FBlurFilter->Notify());
    FEffectListener->ListenTo(&FLightFilter->Notify());
    FEffectListener->ListenTo(&FMonotoneFilter->Notify());
}

TImageData::~TImageData()
{
    // The listeners go first, so that the inputs' last words reach nobody.
    FPictureListener.reset();
    FClipListener.reset();
    FEffectListener.reset();
}

void TImageData::SetPicture(const TPicture* value)
{
    if (value)
        FPicture->Assign(*value);
    else
        FPicture->Clear();
}

void TImageData::SetClipFilter(const TClipFilter* value)
{
    if (value)
        FClipFilter->Assign(*value);
}

void TImageData::SetBlurFilter(const TBlurFilter* value)
{
    if (value)
        FBlurFilter->Assign(*value);
}

void TImageData::SetLightFilter(const TLightFilter* value)
{
    if (value)
        FLightFilter->Assign(*value);
}

void TImageData::SetMonotoneFilter(const TMonotoneFilter* value)
{
    if (value)
        FMonotoneFilter->Assign(*value);
}

void TImageData::SetTransparentColor(TColor value)
{
    if (value == FTransparentColor)
        return;
    FTransparentColor = value;
    DiscardDisplay();
    FNotify->Changed();
}

void TImageData::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TImageData*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    TUpdateBracket bracket(*FNotify);
    FPicture->Assign(*other->FPicture);
    FClipFilter->Assign(*other->FClipFilter);
    FBlurFilter->Assign(*other->FBlurFilter);
    FLightFilter->Assign(*other->FLightFilter);
    FMonotoneFilter->Assign(*other->FMonotoneFilter);
    SetTransparentColor(other->FTransparentColor);
    // Last, after every input change has discarded ours: the copy needs no rendering.
    FDisplay->Assign(*other->FDisplay);
}

bool TImageData::SupportsTransparency() const
{
    return GraphicSupportsTransparency(FPicture->Graphic());
}

bool TImageData::HasTransparency() const
{
    return SupportsTransparency() && FTransparentColor != clNone;
}

bool TImageData::IsEmpty() const
{
    return !FPicture->HasGraphic();
}

void TImageData::Clear()
{
    FPicture->Clear();
}

void TImageData::DiscardDisplay()
{
    if (FDisplay->Graphic())
        FDisplay->Clear();
}

TPictureEx* TImageData::DisplayPicture()
{
    if (!IsEmpty() && !FDisplay->HasGraphic())
        Render();
    return FDisplay.get();
}

void TImageData::FitClipToSize(int width, int height)
{
    const QSize size = GraphicSize(FPicture->Graphic());
    const int W = size.width(), H = size.height();
    TClipRect rect{0, 0, W, H};
    // A proportion with a zero or negative side has no rectangle; the whole picture
    // is the sensible answer rather than a division by zero.
    if (width > 0 && height > 0 && W > 0 && H > 0) {
        int w = MulDiv(width, H, height);
        int h = H;
        if (W < w) {
            h = MulDiv(height, W, width);
            w = W;
        }
        rect.Left = Div(W, 2) - Div(w, 2);
        rect.Top = Div(H, 2) - Div(h, 2);
        rect.Right = rect.Left + w;
        rect.Bottom = rect.Top + h;
    }
    FClipFilter->SetClipRect(rect);
}

void TImageData::InputChanged(TComponent*, const TGUID& kind, int source)
{
    if (!(kind == nkChanged))
        return;
    TUpdateBracket bracket(*FNotify);
    if (source == 0) {
        const QSize size = GraphicSize(FPicture->Graphic());
        if (size.width() != FLastWidth && size.height() != FLastHeight) {
            FitClipToSize(0, 0);
            FNotify->Notify(nullptr, nkClipReset);
        }
        FLastWidth = size.width();
        FLastHeight = size.height();
        if (auto* jpeg = dynamic_cast<TSafetyJPEGImage*>(FPicture->Graphic())) {
            // Decoded once here rather than at each paint; a picture that does not
            // decode shows its fault when it is drawn.
            try {
                jpeg->DIBNeeded();
            } catch (const Exception&) {
            }
        }
        FNotify->Notify(nullptr, nkPictureChanged);
    } else if (source == 1 && FClipFilter->ClipRect().IsEmpty()) {
        FitClipToSize(0, 0);
    }
    DiscardDisplay();
    FNotify->Changed();
}

void TImageData::Render()
{
    ++FRenderCount;
    const bool transparent = HasTransparency();
    // Two work pictures take turns as source and target, so no step copies a picture.
    TPicture a, b;
    TPicture* current = &a;
    TPicture* next = &b;
    auto step = [&](TImageFilter& filter) {
        filter.Apply(*current, *next);
        std::swap(current, next);
    };
    a.Assign(*FPicture);

    FClipFilter->SetBackgroundColor(transparent ? FTransparentColor : clWhite);
    FClipFilter->SetTransparency(transparent);
    step(*FClipFilter);

    // The mask is taken after trimming and before the effects, so effects that move
    // the key colour's pixels do not change what is transparent.
    QImage mask;
    if (transparent && current->Graphic()) {
        auto* bitmap = dynamic_cast<TSafetyBitmap*>(current->Graphic());
        if (!bitmap) {
            std::unique_ptr<TSafetyBitmap> converted = SafetyBitmapOf(*current->Graphic());
            bitmap = converted.get();
            current->SetGraphic(std::move(converted));
        }
        if (bitmap) {
            bitmap->SetTransparentColor(FTransparentColor);
            bitmap->SetTransparent(true);
            bitmap->MaskedImage().BuildMask(bitmap->Pixels(), bitmap->PixelFormat(), FTransparentColor);
            mask = bitmap->MaskedImage().GetMask();
        }
    }

    // A filter with nothing to do would copy its input unchanged; skipping it gives
    // the same picture without the copy.
    for (TGREFilter* filter :
         {static_cast<TGREFilter*>(FBlurFilter.get()), static_cast<TGREFilter*>(FMonotoneFilter.get()),
          static_cast<TGREFilter*>(FLightFilter.get())})
        if (filter->IsActive() && filter->CanApply(*current))
            step(*filter);

    if (!mask.isNull()) {
        if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(current->Graphic())) {
            bitmap->SetTransparentColor(FTransparentColor);
            bitmap->SetTransparent(true);
            bitmap->MaskedImage().SetMask(mask);
        }
    }
    FDisplay->SetGraphic(current->Graphic() ? current->Graphic()->Clone() : nullptr);
}

} // namespace velmo
