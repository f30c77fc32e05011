#include "imaging/UImageDraw.h"

#include "draw/UCanvas.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <mutex>
#include <unordered_map>

namespace velmo {

namespace {

// One recursive lock per locked object. Entries stay once made: a lock that is
// freed while another thread waits on it would be worse than a few bytes kept.
class TLockTable
{
public:
    std::recursive_mutex& For(const void* key)
    {
        std::lock_guard guard(FLock);
        std::unique_ptr<std::recursive_mutex>& slot = FLocks[key];
        if (!slot)
            slot = std::make_unique<std::recursive_mutex>();
        return *slot;
    }

private:
    std::mutex FLock;
    std::unordered_map<const void*, std::unique_ptr<std::recursive_mutex>> FLocks;
};

TLockTable& Locks()
{
    static TLockTable table;
    return table;
}

const void* GraphicLockKey(const TGraphic* graphic)
{
    if (dynamic_cast<const TSafetyBitmap*>(graphic) || dynamic_cast<const TSafetyJPEGImage*>(graphic))
        return graphic;
    return nullptr;
}

} // namespace

void LockGraphic(const TGraphic* graphic)
{
    if (const void* key = GraphicLockKey(graphic))
        Locks().For(key).lock();
}

void UnlockGraphic(const TGraphic* graphic)
{
    if (const void* key = GraphicLockKey(graphic))
        Locks().For(key).unlock();
}

void LockCanvas(const QPaintDevice* device)
{
    if (device)
        Locks().For(device).lock();
}

void UnlockCanvas(const QPaintDevice* device)
{
    if (device)
        Locks().For(device).unlock();
}

void SafeStretchDraw(QPainter& painter, const QRect& rectangle, const TGraphic& graphic)
{
    const QPaintDevice* device = painter.device();
    LockCanvas(device);
    struct CanvasGuard
    {
        const QPaintDevice* d;
        ~CanvasGuard() { UnlockCanvas(d); }
    } canvasGuard{device};
    LockGraphic(&graphic);
    struct GraphicGuard
    {
        const TGraphic* g;
        ~GraphicGuard() { UnlockGraphic(g); }
    } graphicGuard{&graphic};

    if (auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&graphic)) {
        // Drawing prepares the mask, which the bitmap caches; the lock held makes
        // that safe.
        const_cast<TSafetyBitmap*>(bitmap)->Draw(painter, rectangle);
    } else if (auto* jpeg = dynamic_cast<const TSafetyJPEGImage*>(&graphic)) {
        jpeg->Draw(painter, rectangle);
    } else if (!graphic.Empty()) {
        const QImage image = graphic.Image();
        if (!image.isNull())
            DrawSharedImage(painter, QRectF(rectangle), image);
    }
}

TRegionBitmap MakeRegionBitmap(QPainter& canvas, const QRect& rectangle, TPixelFormat format, int grow,
                               bool copyContents, const QVector<QRgb>* palette)
{
    TRegionBitmap result;
    const QPaintDevice* device = canvas.device();
    if (!device)
        return result;
    const QTransform toDevice = canvas.combinedTransform();
    bool invertible = false;
    const QTransform toLogical = toDevice.inverted(&invertible);
    if (!invertible)
        return result;
    QRect clip = canvas.hasClipping()
                     ? canvas.clipBoundingRect().toAlignedRect()
                     : toLogical.mapRect(QRectF(0, 0, device->width(), device->height())).toAlignedRect();
    clip.adjust(-grow, -grow, grow, grow);
    const QRect area = clip.intersected(rectangle.normalized());
    if (area.isEmpty())
        return result;
    const QRect deviceArea = toDevice.mapRect(QRectF(area)).toAlignedRect();
    if (deviceArea.isEmpty() || !BitmapSizeAllowed(deviceArea.width(), deviceArea.height()))
        return result;

    auto bitmap = std::make_unique<TAppBitmap>();
    if (format == TPixelFormat::pf8bit && palette && !palette->isEmpty()) {
        QImage pixels(deviceArea.size(), QImage::Format_Indexed8);
        pixels.setColorTable(*palette);
        pixels.fill(uint(NearestPaletteIndex(*palette, qRgb(255, 255, 255))));
        bitmap->SetImage(pixels, TPixelFormat::pf8bit);
    } else {
        bitmap->SetPixelFormat(format == TPixelFormat::pfDevice ? TPixelFormat::pf24bit : format);
        bitmap->SetSize(deviceArea.width(), deviceArea.height());
    }
    if (copyContents) {
        if (const auto* image = dynamic_cast<const QImage*>(device)) {
            const QImage under = image->copy(deviceArea).convertToFormat(QImage::Format_RGB32);
            const TPixelFormat wanted = bitmap->PixelFormat();
            if (wanted == TPixelFormat::pf8bit && palette && !palette->isEmpty()) {
                QImage pixels(under.size(), QImage::Format_Indexed8);
                pixels.setColorTable(*palette);
                for (int y = 0; y < under.height(); ++y) {
                    const auto* s = reinterpret_cast<const QRgb*>(under.constScanLine(y));
                    uchar* d = pixels.scanLine(y);
                    for (int x = 0; x < under.width(); ++x)
                        d[x] = uchar(std::max(0, NearestPaletteIndex(*palette, s[x] | 0xFF000000u)));
                }
                bitmap->SetImage(pixels, TPixelFormat::pf8bit);
            } else {
                bitmap->SetImage(under.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
                bitmap->SetPixelFormat(wanted);
            }
        }
    }
    result.Bitmap = std::move(bitmap);
    result.LogicalArea = area;
    result.DeviceArea = deviceArea;
    result.Mapping = toDevice * QTransform::fromTranslate(-deviceArea.left(), -deviceArea.top());
    result.PixelsPerInch = device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    return result;
}

} // namespace velmo
