#pragma once
// The masked image of a transparent bitmap: a one-bit mask of the pixels that hold
// the exact key colour and a copy of the picture with those pixels whitened. Our
// painters have no raster operations, so drawing through the mask becomes drawing
// with alpha: where the mask is set the background stays, elsewhere the whitened
// picture's colour is laid down, which is what the two raster passes left behind.
#include "base/UGraphics.h"
#include "imaging/UDIB.h"
#include <QImage>
#include <QRect>

class QPainter;

namespace velmo {

class TMaskedImage
{
public:
    TMaskedImage() = default;

    // Copies both dirty marks, the mask and the whitened picture.
    void Assign(const TMaskedImage& other);
    // BuildMask, then the whitened picture when it is out of date.
    void Prepare(const QImage& picture, TPixelFormat format, TColor key);
    // Draws the prepared picture stretched into the rectangle, transparent where the
    // mask is set, without smoothing.
    void Draw(QPainter& painter, const QRect& rectangle) const;
    // Builds the mask from the picture when it is out of date.
    void BuildMask(const QImage& picture, TPixelFormat format, TColor key);
    // The mask becomes the bitmap: its light pixels (white) are transparent.
    void SetMask(const QImage& bitmap);
    // The mask as a monochrome image: index 1 (white) transparent, 0 (black) opaque.
    QImage GetMask() const { return FMask; }
    void Invalidate();

    bool MaskDirty() const { return FMaskDirty; }
    const QImage& Whitened() const { return FWhitened; }
    // The whitened picture with the mask as alpha (what Draw lays down).
    QImage Composed() const;

    // The mask of a picture: a pixel is transparent when its colour equals the key's
    // low 24 bits exactly; for 8-bit pictures only the palette entry nearest to the
    // key counts, and only when it equals the key.
    static QImage MakeMask(const QImage& picture, TPixelFormat format, TColor key);

private:
    void RebuildWhitened(const QImage& picture, TPixelFormat format);

    bool FMaskDirty = false;
    bool FWhitenedDirty = false;
    QImage FMask;     // Format_Mono, 1 = transparent
    QImage FWhitened; // Format_BGR888
    mutable QImage FComposed;
};

} // namespace velmo
