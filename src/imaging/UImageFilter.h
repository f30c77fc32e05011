#pragma once
// The four filters through which an image data turns its picture into a display
// picture: trimming, blur or sharpen, single-colour tint, brightness and contrast.
// Each is a persistent object with a change notifier; the effect filters create the
// effector that does the pixel work.
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include "draw/UNotify.h"
#include "imaging/UGREffector.h"
#include <QRect>
#include <memory>

namespace velmo {

// Left, Top, Right, Bottom; empty when Right <= Left or Bottom <= Top.
struct TClipRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TClipRect&) const = default;
};

class TImageFilter : public TPersistent
{
    VELMO_PERSISTENT(TImageFilter, TPersistent)
public:
    TImageFilter();
    ~TImageFilter() override;
    TChangeNotify& Notify() const { return *FNotify; }

    virtual bool CanApply(const TPicture& picture) const = 0;
    // Renders the source into the target; returns (0, 0, width, height) of the target.
    virtual QRect Apply(const TPicture& source, TPicture& target) = 0;

protected:
    void Changed() { FNotify->Changed(); }

private:
    std::unique_ptr<TChangeNotify> FNotify;
};

class TClipFilter : public TImageFilter
{
    VELMO_PERSISTENT(TClipFilter, TImageFilter)
public:
    TClipFilter() = default;
    const TClipRect& ClipRect() const { return FClipRect; }
    void SetClipRect(const TClipRect& rect);
    TColor BackgroundColor() const { return FBackground; }
    void SetBackgroundColor(TColor colour) { FBackground = colour; }
    void SetTransparency(bool value) { FTransparency = value; }

    bool CanApply(const TPicture& picture) const override;
    QRect Apply(const TPicture& source, TPicture& target) override;
    bool NeedsTrimming(const TPicture& picture) const;
    void Assign(const TPersistent& source) override;

private:
    bool HasClipRect() const { return !FClipRect.IsEmpty(); }
    void WriteClipRect(TWriter& writer) const;
    void ReadClipRect(TReader& reader);

    TClipRect FClipRect;
    TColor FBackground = clWhite;
    bool FTransparency = false;
};

class TGREFilter : public TImageFilter
{
    VELMO_PERSISTENT(TGREFilter, TImageFilter)
public:
    virtual bool IsActive() const = 0;
    virtual std::unique_ptr<TGREffector> CreateEffector() const = 0;
    // A bitmap (any bitmap class) or a JPEG image.
    bool CanApply(const TPicture& picture) const override;
    // The effect on a 24-bit copy of the picture; a filter with nothing to do copies.
    QRect Apply(const TPicture& source, TPicture& target) override;
};

class TBlurFilter : public TGREFilter
{
    VELMO_PERSISTENT(TBlurFilter, TGREFilter)
public:
    int BlurCount() const { return FBlurCount; }
    void SetBlurCount(int value);
    bool IsActive() const override { return FBlurCount != 0; }
    std::unique_ptr<TGREffector> CreateEffector() const override;
    void Assign(const TPersistent& source) override;

private:
    int FBlurCount = 0;
};

class TLightFilter : public TGREFilter
{
    VELMO_PERSISTENT(TLightFilter, TGREFilter)
public:
    int Brightness() const { return FBrightness; }
    void SetBrightness(int value);
    int Contrast() const { return FContrast; }
    void SetContrast(int value);
    bool IsActive() const override { return FBrightness != 0 || FContrast != 0; }
    std::unique_ptr<TGREffector> CreateEffector() const override;
    void Assign(const TPersistent& source) override;

private:
    int FBrightness = 0;
    int FContrast = 0;
};

class TMonotoneFilter : public TGREFilter
{
    VELMO_PERSISTENT(TMonotoneFilter, TGREFilter)
public:
    TColor RefColor() const { return FRefColor; }
    void SetRefColor(TColor value);
    bool IsActive() const override { return FRefColor != clNone; }
    std::unique_ptr<TGREffector> CreateEffector() const override;
    void Assign(const TPersistent& source) override;

private:
    TColor FRefColor = clNone;
};

// The values the picture-quality page offers.
constexpr TColor kGreyRefColor = 0xFFFFFF;
constexpr TColor kSepiaRefColor = 0x6680A0;

} // namespace velmo
