#pragma once
// Drawing utilities for pictures: locks that keep a picture decoded in a worker
// thread from being drawn while its pixels are in use, a stretch-draw that holds
// both locks, and bitmaps for drawing just the visible part of a rectangle.
#include "base/UGraphics.h"
#include "imaging/UDIB.h"
#include <QRect>
#include <QTransform>
#include <QVector>
#include <memory>

class QPainter;
class QPaintDevice;

namespace velmo {

class TSafetyBitmap;

// For a bitmap, or a JPEG image's decoded bitmap, lock (unlock) its pixels; other
// graphics are left alone. Locks nest within one thread.
void LockGraphic(const TGraphic* graphic);
void UnlockGraphic(const TGraphic* graphic);
// The lock of a painting surface (the canvas a painter draws on).
void LockCanvas(const QPaintDevice* device);
void UnlockCanvas(const QPaintDevice* device);

// Locks the canvas, then the graphic, stretch-draws the graphic into the rectangle
// and unlocks both in reverse order, also when drawing fails.
void SafeStretchDraw(QPainter& painter, const QRect& rectangle, const TGraphic& graphic);

// A bitmap for the part of a logical rectangle that is visible on a canvas: the
// clip box grown by grow logical units on every side, intersected with the
// rectangle, in device pixels. Mapping is the canvas's transform shifted so that the
// area's top-left logical point falls on pixel (0, 0): a painter on the bitmap with
// that transform draws the same logical coordinates.
struct TRegionBitmap
{
    std::unique_ptr<TSafetyBitmap> Bitmap; // nullptr when nothing is visible
    QRect LogicalArea;                     // the visible part of the rectangle
    QRect DeviceArea;                      // where the bitmap lies on the canvas
    QTransform Mapping;
    int PixelsPerInch = 96; // of the canvas's font
};
TRegionBitmap MakeRegionBitmap(QPainter& canvas, const QRect& rectangle, TPixelFormat format, int grow,
                               bool copyContents, const QVector<QRgb>* palette = nullptr);

} // namespace velmo
