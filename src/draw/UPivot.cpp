#include "draw/UPivot.h"
#include "draw/UCanvas.h"
#include "draw/UDrawObject.h"
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace velmo {

QImage RotateCursorImage()
{
    // A three-quarter circle with an arrow head, black with a white rim so that it
    // shows on any label.
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(7, 7, 18, 18);
    const auto arc = [&](const QColor& color, qreal width) {
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(circle, 90 * 16, 270 * 16);
    };
    arc(Qt::white, 5);
    arc(Qt::black, 2);
    // The arrow head at the arc's end (the top of the circle), pointing right.
    const QPointF head[3] = {QPointF(15, 1.5), QPointF(23, 7), QPointF(15, 12.5)};
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::black);
    p.drawPolygon(head, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(16, 16), 1.5, 1.5);
    return image;
}

QCursor CursorFor(int cursor)
{
    switch (cursor) {
    case crRotate: {
        static const QCursor rotate(QPixmap::fromImage(RotateCursorImage()), 16, 16);
        return rotate;
    }
    case -2:
        return Qt::ArrowCursor;
    case -3:
        return Qt::CrossCursor;
    case -4:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case -10:
        return Qt::UpArrowCursor;
    case -11:
        return Qt::WaitCursor;
    case -12:
        return Qt::DragCopyCursor;
    case -13:
    case -18:
        return Qt::ForbiddenCursor;
    case -14:
        return Qt::SplitHCursor;
    case -15:
        return Qt::SplitVCursor;
    case -19:
        return Qt::BusyCursor;
    case -20:
        return Qt::WhatsThisCursor;
    case -21:
        return Qt::PointingHandCursor;
    case -22:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

int TPivot::Cursor() const
{
    return FOwner && !FOwner->Movable() ? 0 : FCursor;
}

void TPivot::PaintFixed(QPainter& painter)
{
    const QRect r = ToQRect(FRect);
    painter.fillRect(r, Qt::white);
    FrameDeviceRect(painter, FRect, Qt::black);
}

void TPivot::Paint(QPainter& painter)
{
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const bool movable = FOwner && FOwner->Movable();
    if (movable && PaintedImage(painter)) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(ToQRect(FRect), Qt::black);
        return;
    }
    if (movable) {
        painter.fillRect(ToQRect(FRect), Qt::black);
        return;
    }
    PaintFixed(painter);
}

void TLabelPivot::Paint(QPainter& painter)
{
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!Owner() || !Owner()->Movable())
        return PaintFixed(painter);
    painter.fillRect(ToQRect(DeviceRect()), Qt::black);
    FrameDeviceRect(painter, DeviceRect(), Qt::white);
}

namespace {
void PaintDisc(QPainter& painter, const TLogRect& r, const QColor& fill)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(r.Left + 0.5, r.Top + 0.5, r.Width() - 1, r.Height() - 1));
}
} // namespace

void TRotatePivot::Paint(QPainter& painter)
{
    TCanvasSaver saver(painter);
    if (!Owner() || !Owner()->Movable())
        return PaintFixed(painter);
    PaintDisc(painter, DeviceRect(), QColor(0x00, 0xFF, 0x00));
}

void TBulgePivot::Paint(QPainter& painter)
{
    TCanvasSaver saver(painter);
    if (!Owner() || !Owner()->Movable())
        return PaintFixed(painter);
    PaintDisc(painter, DeviceRect(), QColor(0xFF, 0x00, 0x00));
}

} // namespace velmo
