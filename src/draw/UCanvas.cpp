#include "draw/UCanvas.h"
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace velmo {

QColor ToQColor(TColor color)
{
    if (color & clSystemColor) {
        const QPalette palette = QGuiApplication::palette();
        switch (color & 0xFF) {
        case 5:
            return palette.color(QPalette::Base); // window
        case 8:
            return palette.color(QPalette::Text); // window text
        case 15:
            return palette.color(QPalette::Button); // button face
        default:
            return palette.color(QPalette::Window);
        }
    }
    const uint32_t v = uint32_t(color);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

bool IsPrinting(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return false;
    // Printers and PDF writers are the paged devices.
    return device->devType() == QInternal::Printer ||
           dynamic_cast<const QPagedPaintDevice*>(device) != nullptr;
}

QImage* PaintedImage(QPainter& painter)
{
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    return static_cast<QImage*>(device);
}

void SetImageDPI(QImage& image, int dpi)
{
    const int dpm = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
}

QPen DevicePixelPen(const QColor& color, Qt::PenStyle style)
{
    QPen pen(color, 0, style);
    pen.setCosmetic(true);
    return pen;
}

void FrameDeviceRect(QPainter& painter, const TLogRect& r, const QColor& color)
{
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    // Four one-pixel strips: exact at every device, unlike a stroked outline.
    const int w = r.Width(), h = r.Height();
    painter.drawRect(QRect(r.Left, r.Top, w, 1));
    painter.drawRect(QRect(r.Left, r.Bottom - 1, w, 1));
    painter.drawRect(QRect(r.Left, r.Top, 1, h));
    painter.drawRect(QRect(r.Right - 1, r.Top, 1, h));
}

QRectF InsideFrameRect(const TLogRect& r, qreal penWidth)
{
    const qreal half = penWidth / 2;
    return QRectF(r.Left + half, r.Top + half, std::max<qreal>(0, r.Width() - penWidth),
                  std::max<qreal>(0, r.Height() - penWidth));
}

TLogRect NormalizedRect(const TLogRect& r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

TLogRect UnionRect(const TLogRect& a, const TLogRect& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

TLogRect IntersectRect(const TLogRect& a, const TLogRect& b)
{
    const TLogRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                     std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TLogRect{} : r;
}

} // namespace velmo
