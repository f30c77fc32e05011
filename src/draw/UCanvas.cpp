#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include <QGuiApplication>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
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

namespace {

struct TSharedImage
{
    QImage Image;
    QPixmap Pixmap;
};

// The PDF writer stores a picture once per pixmap it is given, and a picture once
// per draw when given images; the pixmaps are kept by a hash of their pixels.
struct TSharedImages
{
    QMultiHash<size_t, TSharedImage> Pictures;
    int64_t Bytes = 0;
};

TSharedImages& SharedImages()
{
    static TSharedImages shared;
    return shared;
}

// More than this is let go (what it was kept for is a smaller file, not memory).
constexpr int64_t kSharedImageBytes = int64_t(256) << 20;

} // namespace

void DrawSharedImage(QPainter& painter, const QRectF& target, const QImage& image, const QRectF& source)
{
    const QRectF part = source.isNull() ? QRectF(image.rect()) : source;
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Pdf || image.isNull() || !QGuiApplication::instance()) {
        painter.drawImage(target, image, part);
        return;
    }
    TSharedImages& shared = SharedImages();
    const size_t key = qHashMulti(0, qHashBits(image.constBits(), size_t(image.sizeInBytes())), image.width(),
                                  image.height(), int(image.format()));
    const QPixmap* pixmap = nullptr;
    for (auto it = shared.Pictures.constFind(key); it != shared.Pictures.constEnd() && it.key() == key; ++it)
        if (it->Image == image) {
            pixmap = &it->Pixmap;
            break;
        }
    if (!pixmap) {
        // Pixmaps must go before the application does.
        static const bool registered = [] {
            qAddPostRoutine(ForgetSharedImages);
            return true;
        }();
        Q_UNUSED(registered);
        if (shared.Bytes + image.sizeInBytes() > kSharedImageBytes)
            ForgetSharedImages();
        auto added = shared.Pictures.insert(key, {image, QPixmap::fromImage(image)});
        shared.Bytes += image.sizeInBytes();
        pixmap = &added->Pixmap;
    }
    painter.drawPixmap(target, *pixmap, part);
}

void ForgetSharedImages()
{
    SharedImages().Pictures.clear();
    SharedImages().Bytes = 0;
}

} // namespace velmo
