#pragma once
// Small helpers that keep the drawing conventions the object code relies on, for any
// QPainter (screen buffer, preview image, printer, PDF): exclusive right and bottom
// edges, width-0 pens one device pixel wide, inside-frame pens, scope guards around
// paint steps, and what kind of device a painter draws on.
#include "base/UGraphics.h"
#include "draw/UStroke.h"
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRectF>

namespace velmo {

// 0x00BBGGRR to a colour; system colours map to the palette's roles.
QColor ToQColor(TColor color);

// Restores pen, brush, font, clipping and mapping of a painter when it goes out of
// scope.
class TCanvasSaver
{
public:
    explicit TCanvasSaver(QPainter& painter) : FPainter(painter) { FPainter.save(); }
    ~TCanvasSaver() { FPainter.restore(); }
    TCanvasSaver(const TCanvasSaver&) = delete;
    TCanvasSaver& operator=(const TCanvasSaver&) = delete;

private:
    QPainter& FPainter;
};

// True for printers and PDF output.
bool IsPrinting(const QPainter& painter);
// The painter's device is a bitmap whose pixels can be read and written directly.
QImage* PaintedImage(QPainter& painter);
// Gives an image the resolution dpi (pixels per inch) so that CanvasDPI reports it.
void SetImageDPI(QImage& image, int dpi);

// A pen exactly one device pixel wide at any mapping (a width-0 pen).
QPen DevicePixelPen(const QColor& color, Qt::PenStyle style = Qt::SolidLine);
// The QRect of a rectangle whose Right and Bottom lie outside it.
inline QRect ToQRect(const TLogRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}
inline TLogRect FromQRect(const QRect& r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
// Outlines the pixels from (Left, Top) to (Right - 1, Bottom - 1) with a one-pixel
// pen, as a frame drawn in device pixels covers them.
void FrameDeviceRect(QPainter& painter, const TLogRect& deviceRect, const QColor& color);
// Normalised rectangle (Left <= Right, Top <= Bottom).
TLogRect NormalizedRect(const TLogRect& r);
TLogRect UnionRect(const TLogRect& a, const TLogRect& b);
// Empty rectangles (no area) give an all-zero result.
TLogRect IntersectRect(const TLogRect& a, const TLogRect& b);
inline TLogRect OffsetRect(const TLogRect& r, int dx, int dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
inline bool PtInRect(const TLogRect& r, QPoint p)
{
    return p.x() >= r.Left && p.x() < r.Right && p.y() >= r.Top && p.y() < r.Bottom;
}

} // namespace velmo
