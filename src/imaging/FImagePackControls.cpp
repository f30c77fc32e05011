#include "imaging/FImagePackControls.h"

#include "base/UNumbers.h"
#include "imaging/UImagePack.h"
#include <QPaintEvent>
#include <QPainter>

namespace velmo {

// ---------------------------------------------------------------------------------
// TBitmapControl

TBitmapControl::TBitmapControl(QWidget* parent) : QWidget(parent)
{
    FListener.SetCallback([this](TComponent* sender, const TGUID& kind) { Notified(sender, kind); });
}

TBitmapControl::~TBitmapControl()
{
    FListener.DetachAll();
}

void TBitmapControl::SetImagePack(TImagePack* pack)
{
    if (pack == FImagePack)
        return;
    if (FImagePack)
        FListener.StopListening(&FImagePack->Broadcaster());
    FImagePack = pack;
    if (FImagePack)
        FListener.ListenTo(&FImagePack->Broadcaster());
    ImageChanged();
}

void TBitmapControl::Notified(TComponent* sender, const TGUID& kind)
{
    if (sender != FImagePack)
        return;
    if (kind == nkPackChanged) {
        ImageChanged();
    } else if (kind == nkDestroying) {
        // The broadcaster is going away and detaches us itself.
        FImagePack = nullptr;
        update();
    }
}

void TBitmapControl::ImageChanged()
{
    update();
}

QColor TBitmapControl::BrushColor() const
{
    return palette().color(backgroundRole());
}

// ---------------------------------------------------------------------------------
// TImageEx

TImageEx::TImageEx(QWidget* parent) : TBitmapControl(parent) {}

void TImageEx::SetAutoSize(bool value)
{
    if (value == FAutoSize)
        return;
    FAutoSize = value;
    ApplySize();
}

void TImageEx::SetImageIndex(int value)
{
    if (value == FImageIndex)
        return;
    FImageIndex = value;
    ImageChanged();
}

void TImageEx::ImageChanged()
{
    update();
    ApplySize();
}

void TImageEx::ApplySize()
{
    if (!FAutoSize || IsLoading() || !ImagePack() || ImagePack()->IsInvalid(FImageIndex))
        return;
    const QRect r = ImagePack()->GetImageRect(FImageIndex);
    resize(r.width(), r.height());
}

QRect TImageEx::FitRect(const QRect& box, int width, int height, bool keepRatio)
{
    if (!keepRatio || width <= 0 || height <= 0)
        return box;
    int w = MulDiv(width, box.height(), height);
    int h = box.height();
    if (w > box.width()) {
        h = MulDiv(height, box.width(), width);
        w = box.width();
    }
    // Centres as (left + right) div 2 with exclusive right edges.
    const int cx = Div(box.left() + box.left() + box.width(), 2);
    const int cy = Div(box.top() + box.top() + box.height(), 2);
    const int left = cx - Div(w, 2);
    const int top = cy - Div(h, 2);
    return QRect(left, top, w, h);
}

void TImageEx::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect q = rect();
    QRegion uncovered(event->rect());
    if (ImagePack() && !ImagePack()->IsInvalid(FImageIndex)) {
        const QRect image = ImagePack()->GetImageRect(FImageIndex);
        const QRect r = FitRect(q, image.width(), image.height(), FKeepRatio);
        if (!r.isEmpty() && event->region().intersects(r)) {
            ImagePack()->StretchDraw(painter, r, FImageIndex);
            uncovered -= QRegion(r);
        }
    }
    // The brush covers only what the image left.
    if (!uncovered.isEmpty()) {
        painter.setClipRegion(uncovered);
        painter.fillRect(q, BrushColor());
    }
}

// ---------------------------------------------------------------------------------
// TFillImage

TFillImage::TFillImage(QWidget* parent) : TBitmapControl(parent) {}

void TFillImage::SetImageIndex(int value)
{
    if (value == FImageIndex)
        return;
    FImageIndex = value;
    ImageChanged();
}

void TFillImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect q = rect();
    FLastTiles = 0;
    if (!ImagePack() || ImagePack()->IsInvalid(FImageIndex)) {
        painter.fillRect(q, BrushColor());
        return;
    }
    const QRect image = ImagePack()->GetImageRect(FImageIndex);
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0)
        return;
    // Tiles from the top-left corner; those the paint does not reach are skipped.
    for (int top = q.top(); top < q.top() + q.height(); top += h) {
        for (int left = q.left(); left < q.left() + q.width(); left += w) {
            const QRect tile(left, top, w, h);
            if (!event->region().intersects(tile))
                continue;
            ImagePack()->StretchDraw(painter, tile, FImageIndex);
            ++FLastTiles;
        }
    }
}

} // namespace velmo
