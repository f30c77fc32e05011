#pragma once
// Pixel engines of the picture effects (blur, unsharp mask, brightness and contrast,
// single-colour tint) and the raster tools other drawing code shares: smooth
// resampling, quadrilateral mapping and rotation.
#include "base/UGraphics.h"
#include "imaging/USafetyBitmap.h"
#include <QImage>
#include <QPoint>
#include <QRect>
#include <array>

namespace velmo {

// An effector reads a rectangle of a 24- or 32-bit source and writes a target of the
// source's format and the rectangle's size; target (x, y) comes from source
// (Left + x, Top + y). Of 32-bit pixels only the colour bytes change.
class TGREffector
{
public:
    virtual ~TGREffector() = default;
    void SetSource(const QImage* source) { FSource = source; }
    void SetTarget(QImage* target) { FTarget = target; }
    // Left, Top, Right, Bottom in source pixels; empty means the whole source.
    void SetRect(const QRect& rect) { FRect = rect; }
    // Does nothing unless the source is 24 or 32 bits per pixel.
    void Execute();

protected:
    virtual void Run(const QImage& source, QImage& target) = 0;
    const QImage* FSource = nullptr;
    QImage* FTarget = nullptr;
    QRect FRect;
};

class TGREffectBlur : public TGREffector
{
public:
    explicit TGREffectBlur(int passes = 1) : FPasses(passes) {}

protected:
    void Run(const QImage& source, QImage& target) override;

private:
    int FPasses;
};

class TGREffectUnsharpMask : public TGREffector
{
public:
    explicit TGREffectUnsharpMask(double amount = 1) : FAmount(amount) {}

protected:
    void Run(const QImage& source, QImage& target) override;

private:
    double FAmount;
};

class TGREffectBrightnessContrast : public TGREffector
{
public:
    TGREffectBrightnessContrast(int brightness = 0, int contrast = 0)
        : FBrightness(brightness), FContrast(contrast)
    {
    }
    // The byte table for these settings.
    static std::array<uint8_t, 256> Table(int brightness, int contrast);

protected:
    void Run(const QImage& source, QImage& target) override;

private:
    int FBrightness;
    int FContrast;
};

class TGREffectMonoTone : public TGREffector
{
public:
    explicit TGREffectMonoTone(TColor reference = clWhite) : FReference(reference) {}
    // Entry i: the colour with the reference's hue and saturation and lightness i / 255.
    static std::array<QRgb, 256> Table(TColor reference);

protected:
    void Run(const QImage& source, QImage& target) override;

private:
    TColor FReference;
};

// Entry i = min(255, (2i + 9) div 18): a sum of nine bytes divided by 9, rounded.
const std::array<uint8_t, 2304>& BlurDivisionTable();

// One blur pass of the whole picture (24 or 32 bits), edge pixels repeated.
void BlurPass(const QImage& source, QImage& target);

// Resamples the whole source (8, 24 or 32 bits) into the target's current size and
// the source's format; other formats and empty pictures leave the target alone.
void SmoothResample(QImage& target, const QImage& source);

// Maps the source rectangle's corners (Left, Top), (Right, Top), (Right, Bottom),
// (Left, Bottom) onto P0..P3. The result has the source's format and palette, the
// points' bounding size and the background where the quadrilateral does not reach;
// bounds receives (min x, min y, max x, max y). Sources of 1 or 4 bits give an empty
// bitmap.
TSafetyBitmap MapQuad(const TSafetyBitmap& source, const QRect& sourceRect, QPoint p0, QPoint p1, QPoint p2,
                      QPoint p3, TColor background, QRect* bounds = nullptr);
// The source stretched to size and turned by angle degrees (clockwise) about the
// size's top-left corner; returns the bounds of the result.
QRect RotateBitmap(const TSafetyBitmap& source, TSafetyBitmap& target, int angle, QSize size,
                   TColor background = clWhite);
// As RotateBitmap; a transparent source stays transparent, and the corners outside
// the turned picture are transparent too.
QRect RotateMaskedBitmap(const TSafetyBitmap& source, TSafetyBitmap& target, int angle, QSize size);

} // namespace velmo
