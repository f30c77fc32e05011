#include "imaging/UImageFilter.h"
#include "base/UClassesFiler.h"
#include "imaging/USafetyJPEGImage.h"
#include <cstring>

namespace velmo {

// ---------------------------------------------------------------------------------
// TImageFilter

const TPropertyTable& TImageFilter::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TImageFilter::TImageFilter() : FNotify(std::make_unique<TChangeNotify>(nullptr)) {}

TImageFilter::~TImageFilter() = default;

// ---------------------------------------------------------------------------------
// TClipFilter

const TPropertyTable& TClipFilter::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Custom("ClipRect", &TClipFilter::HasClipRect,
                                                    &TClipFilter::WriteClipRect, &TClipFilter::ReadClipRect);
    return table;
}

void TClipFilter::SetClipRect(const TClipRect& rect)
{
    if (rect == FClipRect)
        return;
    FClipRect = rect;
    Changed();
}

void TClipFilter::WriteClipRect(TWriter& writer) const
{
    writer.WriteListBegin();
    writer.WriteInteger(FClipRect.Left);
    writer.WriteInteger(FClipRect.Top);
    writer.WriteInteger(FClipRect.Right);
    writer.WriteInteger(FClipRect.Bottom);
    writer.WriteListEnd();
}

void TClipFilter::ReadClipRect(TReader& reader)
{
    reader.ReadListBegin();
    TClipRect r;
    r.Left = reader.ReadInteger();
    r.Top = reader.ReadInteger();
    r.Right = reader.ReadInteger();
    r.Bottom = reader.ReadInteger();
    reader.ReadListEnd();
    // Replaces the values directly: the picture read before it reset the rectangle.
    // Listeners still hear of it, so that a picture made with the old rectangle is
    // not kept.
    if (r == FClipRect)
        return;
    FClipRect = r;
    Changed();
}

void TClipFilter::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TClipFilter*>(&source)) {
        TUpdateBracket bracket(Notify());
        SetClipRect(other->FClipRect);
        return;
    }
    TImageFilter::Assign(source);
}

bool TClipFilter::CanApply(const TPicture& picture) const
{
    return picture.HasGraphic();
}

bool TClipFilter::NeedsTrimming(const TPicture& picture) const
{
    const TGraphic* graphic = picture.Graphic();
    if (!graphic)
        return false;
    const QImage image = dynamic_cast<const TSafetyJPEGImage*>(graphic) ? QImage() : graphic->Image();
    int w = image.width(), h = image.height();
    if (const auto* jpeg = dynamic_cast<const TSafetyJPEGImage*>(graphic)) {
        w = jpeg->Width();
        h = jpeg->Height();
    }
    const TClipRect whole{0, 0, w, h};
    if (!FClipRect.IsEmpty() && FClipRect != whole)
        return true;
    if (FTransparency)
        return dynamic_cast<const TSafetyBitmap*>(graphic) == nullptr;
    return false;
}

QRect TClipFilter::Apply(const TPicture& source, TPicture& target)
{
    const TGraphic* graphic = source.Graphic();
    if (!graphic || graphic->Empty()) {
        target.Clear();
        return {};
    }
    std::unique_ptr<TSafetyBitmap> bitmap = SafetyBitmapOf(*graphic);
    if (!bitmap) {
        target.Clear();
        return {};
    }
    const int w = bitmap->Width(), h = bitmap->Height();
    const TClipRect whole{0, 0, w, h};
    const TClipRect r = FClipRect.IsEmpty() ? whole : FClipRect;
    if (!FTransparency && FClipRect == whole) {
        target.Assign(source);
        return QRect(0, 0, w, h);
    }
    // A bitmap of R's size in the source's format, the background where the picture
    // does not reach, the picture at (-R.Left, -R.Top).
    const bool isBitmap = dynamic_cast<const TSafetyBitmap*>(graphic) != nullptr;
    TPixelFormat format = isBitmap ? bitmap->PixelFormat() : TPixelFormat::pf24bit;
    QImage pixels = bitmap->Pixels();
    if (!isBitmap && PixelFormatOf(pixels) != TPixelFormat::pf24bit)
        pixels = ConvertPixels(pixels, PixelFormatOf(pixels), TPixelFormat::pf24bit);
    if (!BitmapSizeAllowed(r.Width(), r.Height())) {
        target.Clear();
        return {};
    }
    QImage out(r.Width(), r.Height(), pixels.format());
    out.setColorTable(pixels.colorTable());
    const QRgb bg = ColorToRgb(FBackground);
    if (out.format() == QImage::Format_Indexed8)
        out.fill(uint(std::max(0, NearestPaletteIndex(pixels.colorTable(), bg))));
    else
        out.fill(QColor(bg));
    const QRect inside = QRect(r.Left, r.Top, r.Width(), r.Height()).intersected(QRect(0, 0, w, h));
    const int bpp = pixels.depth() / 8;
    for (int y = inside.top(); y <= inside.bottom() && !inside.isEmpty(); ++y)
        std::memcpy(out.scanLine(y - r.Top) + (inside.left() - r.Left) * bpp,
                    pixels.constScanLine(y) + inside.left() * bpp, size_t(inside.width()) * bpp);
    auto result = std::make_unique<TAppBitmap>();
    result->SetImage(out, format);
    target.SetGraphic(std::move(result));
    return QRect(0, 0, r.Width(), r.Height());
}

// ---------------------------------------------------------------------------------
// TGREFilter

const TPropertyTable& TGREFilter::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

bool TGREFilter::CanApply(const TPicture& picture) const
{
    const TGraphic* g = picture.Graphic();
    return g && (dynamic_cast<const TSafetyBitmap*>(g) || dynamic_cast<const TSafetyJPEGImage*>(g) ||
                 dynamic_cast<const TBitmap*>(g) || dynamic_cast<const TJPEGImage*>(g));
}

QRect TGREFilter::Apply(const TPicture& source, TPicture& target)
{
    std::unique_ptr<TGREffector> effector = CreateEffector();
    const TGraphic* graphic = source.Graphic();
    std::unique_ptr<TSafetyBitmap> bitmap = graphic ? SafetyBitmapOf(*graphic) : nullptr;
    if (!effector || !bitmap) {
        target.Assign(source);
        return bitmap ? QRect(0, 0, bitmap->Width(), bitmap->Height()) : QRect();
    }
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    QImage result;
    const QImage pixels = bitmap->Pixels();
    effector->SetSource(&pixels);
    effector->SetTarget(&result);
    effector->Execute();
    auto out = std::make_unique<TAppBitmap>();
    out->SetImage(result, TPixelFormat::pf24bit);
    const QRect bounds(0, 0, out->Width(), out->Height());
    target.SetGraphic(std::move(out));
    return bounds;
}

// ---------------------------------------------------------------------------------
// The three effect filters

const TPropertyTable& TBlurFilter::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("BlurCount", &TBlurFilter::BlurCount, &TBlurFilter::SetBlurCount)
            .Default(0);
    return table;
}

void TBlurFilter::SetBlurCount(int value)
{
    if (value == FBlurCount)
        return;
    FBlurCount = value;
    Changed();
}

std::unique_ptr<TGREffector> TBlurFilter::CreateEffector() const
{
    if (FBlurCount > 0)
        return std::make_unique<TGREffectBlur>(FBlurCount);
    if (FBlurCount < 0)
        return std::make_unique<TGREffectUnsharpMask>(-double(FBlurCount));
    return nullptr;
}

void TBlurFilter::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TBlurFilter*>(&source)) {
        TUpdateBracket bracket(Notify());
        SetBlurCount(other->FBlurCount);
        return;
    }
    TGREFilter::Assign(source);
}

const TPropertyTable& TLightFilter::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Brightness", &TLightFilter::Brightness, &TLightFilter::SetBrightness)
            .Default(0)
            .Int("Contrast", &TLightFilter::Contrast, &TLightFilter::SetContrast)
            .Default(0);
    return table;
}

void TLightFilter::SetBrightness(int value)
{
    if (value == FBrightness)
        return;
    FBrightness = value;
    Changed();
}

void TLightFilter::SetContrast(int value)
{
    if (value == FContrast)
        return;
    FContrast = value;
    Changed();
}

std::unique_ptr<TGREffector> TLightFilter::CreateEffector() const
{
    if (!IsActive())
        return nullptr;
    return std::make_unique<TGREffectBrightnessContrast>(FBrightness, FContrast);
}

void TLightFilter::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TLightFilter*>(&source)) {
        TUpdateBracket bracket(Notify());
        SetBrightness(other->FBrightness);
        SetContrast(other->FContrast);
        return;
    }
    TGREFilter::Assign(source);
}

const TPropertyTable& TMonotoneFilter::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("RefColor", &TMonotoneFilter::RefColor, &TMonotoneFilter::SetRefColor)
            .Default(clNone)
            .Idents(ColorIdents());
    return table;
}

void TMonotoneFilter::SetRefColor(TColor value)
{
    if (value == FRefColor)
        return;
    FRefColor = value;
    Changed();
}

std::unique_ptr<TGREffector> TMonotoneFilter::CreateEffector() const
{
    if (FRefColor == clNone)
        return nullptr;
    return std::make_unique<TGREffectMonoTone>(FRefColor);
}

void TMonotoneFilter::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TMonotoneFilter*>(&source)) {
        TUpdateBracket bracket(Notify());
        SetRefColor(other->FRefColor);
        return;
    }
    TGREFilter::Assign(source);
}

} // namespace velmo
