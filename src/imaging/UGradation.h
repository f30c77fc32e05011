#pragma once
// Gradations: the colour list a colour setting keeps, the gradient engine that
// paints seven kinds of gradient, and the alpha-map blender the drawing code shares.
//
// The engine computes every gradient at 128 x 128 cells through a 1024-entry colour
// ramp, whatever the target size, then scales the cells to the target: on screens
// and bitmaps by the painter's own (unsmoothed) stretching, on printers and PDF by
// smooth resampling to the device pixels, only for the part of the target inside
// the painter's clip (a printer band).
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include <QImage>
#include <QPainter>
#include <QRect>
#include <array>
#include <functional>
#include <vector>

namespace velmo {

// Stored by name; the order is the stream's.
enum class rgGradationKind
{
    rgkSimple,
    rgkBoxToRim,
    rgkBoxToCenter,
    rgkCircleToRim,
    rgkCircleToCenter,
    rgkConeClockwise,
    rgkConeCounterClockwise,
};
constexpr int kGradationKindCount = 7;
const char* GradationKindName(rgGradationKind kind);

// A view of kind and angle (never stored).
enum class rgGradationDir
{
    rgdLeftToRight,
    rgdRightToLeft,
    rgdTopToBottom,
    rgdBottomToTop,
    rgdLeftTopToRightBottom,
    rgdRightTopToLeftBottom,
    rgdRightBottomToLeftTop,
    rgdLeftBottomToRightTop,
    rgdCenterToRim,
    rgdRimToCenter,
};
constexpr int kGradationDirCount = 10;
constexpr int64_t kMaxExpandedColors = 1 << 20;

// The colours of a gradation and how often the list repeats. The list itself is the
// binary property "Colors" (a 32-bit count, then the colours), written unless it is
// exactly white, black.
class TGradationColors : public TPersistent
{
    VELMO_PERSISTENT(TGradationColors, TPersistent)
public:
    TGradationColors();

    int Count() const { return int(FColors.size()); }
    // New entries are black. Negative counts are taken as 0.
    void SetCount(int count);
    // ERangeError beyond the count.
    TColor Color(int index) const;
    void SetColor(int index, TColor color);
    const std::vector<TColor>& Colors() const { return FColors; }
    void SetColors(const std::vector<TColor>& colors);
    int RepeatCount() const { return FRepeatCount; }
    void SetRepeatCount(int value);
    // Count x RepeatCount entries (at most kMaxExpandedColors), entry k being colour
    // k mod Count.
    std::vector<TColor> Expanded() const;
    bool IsDefault() const;

    void Assign(const TPersistent& source) override;
    bool operator==(const TGradationColors& other) const
    {
        return FColors == other.FColors && FRepeatCount == other.FRepeatCount;
    }

    std::function<void()> OnChange;

private:
    void WriteColors(TStream& stream) const;
    void ReadColors(TStream& stream);
    void Changed();

    std::vector<TColor> FColors;
    int FRepeatCount = 1;
};

// Raised for an index outside a list: "リストのインデックスが範囲を超えています (%d)".
VELMO_DECLARE_EXCEPTION(ERangeError, Exception)

// ---- the engine

// How the cells reach the target: as the painter's device asks, or forced.
enum class TGradationOutput
{
    goAuto,
    goStretch,  // the painter stretches the 128 x 128 cells (screens, bitmaps)
    goResample, // smooth resampling to device pixels (printers, PDF)
};

// The 1024 ramp entries (0x00RRGGBB as QRgb without alpha) of the colours; reversed
// runs them from the last colour to the first; cone adds a copy of the first colour
// at the end first.
std::array<QRgb, 1024> GradationRamp(const std::vector<TColor>& colors, bool reversed, bool cone);
// The 128 x 128 ramp indexes (0 … 1023), row-major, for kind and angle (degrees).
std::vector<uint16_t> GradationIndexMap(rgGradationKind kind, int angle);
// The 128 x 128 cells, 24 bits (QImage::Format_RGB888 order is red, green, blue).
QImage GradationCells(const std::vector<TColor>& colors, int angle, rgGradationKind kind);
// Paints the gradient over rectangle (logical units of the painter). An empty colour
// list paints nothing.
void PaintGradation(QPainter& painter, const QRect& rectangle, const std::vector<TColor>& colors, int angle,
                    rgGradationKind kind, TGradationOutput output = TGradationOutput::goAuto);
// The pixels the resampling path produces inside window (device pixels, relative to
// the whole target of size full): the same pixels a smooth resampling of the cells
// to the whole size has there.
QImage ResampleGradationWindow(const QImage& cells, QSize full, const QRect& window);

// ---- the alpha-map blender

class TGRBlender
{
public:
    virtual ~TGRBlender() = default;
    // Source and destination of one format of 24 or 32 bits, alpha map 8 bits.
    virtual bool CanBlend(const QImage& destination, const QImage& source, const QImage& alphaMap) const;
    virtual void Execute(QImage& destination, const QRect& destRect, const QImage& source,
                         const QRect& sourceRect, const QImage& alphaMap, const QRect& alphaRect) = 0;
};

// d += trunc(a' (s - d) / 255) per colour byte, a' = min(255, round(a r / 100)).
class TGRBlendAlphaMapRatio : public TGRBlender
{
public:
    explicit TGRBlendAlphaMapRatio(int ratio = 100) { SetRatio(ratio); }
    int Ratio() const { return FRatio; }
    // Clamped to 0 … 100.
    void SetRatio(int ratio) { FRatio = std::clamp(ratio, 0, 100); }
    void Execute(QImage& destination, const QRect& destRect, const QImage& source, const QRect& sourceRect,
                 const QImage& alphaMap, const QRect& alphaRect) override;

private:
    int FRatio = 100;
};

} // namespace velmo
