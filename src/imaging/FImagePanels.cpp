#include "imaging/FImagePanels.h"

#include "draw/UNotify.h"
#include "imaging/UImageData.h"
#include "imaging/UImageDraw.h"
#include "imaging/USafetyBitmap.h"
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace velmo {

QRect FitPictureRect(const QSize& picture, const QRect& into, double maxScale)
{
    if (picture.isEmpty() || into.isEmpty())
        return {};
    const double scale = std::min(
        {double(into.width()) / picture.width(), double(into.height()) / picture.height(), maxScale});
    const int w = std::max(1, int(std::lround(picture.width() * scale)));
    const int h = std::max(1, int(std::lround(picture.height() * scale)));
    return QRect(into.left() + (into.width() - w) / 2, into.top() + (into.height() - h) / 2, w, h);
}

QImage PicturePixels(const TImageData& data)
{
    const TGraphic* graphic = data.Picture()->Graphic();
    if (!graphic || graphic->Empty())
        return {};
    try {
        std::unique_ptr<TSafetyBitmap> bitmap = SafetyBitmapOf(*graphic);
        if (!bitmap)
            return {};
        return ConvertPixels(bitmap->Pixels(), bitmap->PixelFormat(), TPixelFormat::pf24bit);
    } catch (const Exception&) {
        return {};
    }
}

// ---------------------------------------------------------------------------------
// TImagePanel

TImagePanel::TImagePanel(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(120, 90);
}

void TImagePanel::SetImage(const QImage& image)
{
    FImage = image;
    update();
}

QRect TImagePanel::PictureRect() const
{
    return FitPictureRect(FImage.size(), rect().adjusted(4, 4, -4, -4));
}

void TImagePanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(isEnabled() ? QPalette::Base : QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (FImage.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(PictureRect(), FImage);
    if (!isEnabled())
        painter.fillRect(PictureRect(), QColor(255, 255, 255, 110)); // greyed out with the panel
}

void TImagePanel::mousePressEvent(QMouseEvent* event)
{
    if (OnMousePress)
        OnMousePress(event);
}

void TImagePanel::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(event);
}

void TImagePanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseRelease)
        OnMouseRelease(event);
}

// ---------------------------------------------------------------------------------
// TPicturePreview

TPicturePreview::TPicturePreview(QWidget* parent)
    : QWidget(parent), FListener(std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
          if (kind == nkChanged)
              update(); // rendered at the next paint, and only while shown
      }))
{
    setMinimumSize(120, 90);
}

TPicturePreview::~TPicturePreview()
{
    FListener.reset();
}

void TPicturePreview::SetImageData(TImageData* data)
{
    if (FData)
        FListener->StopListening(&FData->Notify());
    FData = data;
    if (FData)
        FListener->ListenTo(&FData->Notify());
    update();
}

void TPicturePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect().adjusted(4, 4, -4, -4);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!FData || FData->IsEmpty())
        return;
    TPictureEx* shown = nullptr;
    try {
        shown = FData->DisplayPicture();
    } catch (const Exception&) {
        shown = nullptr;
    }
    if (!shown || !shown->HasGraphic()) {
        painter.setPen(Qt::red);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("描画に失敗しました"));
        return;
    }
    const QRect target = FitPictureRect(QSize(shown->Width(), shown->Height()), area);
    if (FData->HasTransparency()) {
        // A checkerboard shows what the key colour turned transparent.
        const int cell = 8;
        for (int y = target.top(); y <= target.bottom(); y += cell)
            for (int x = target.left(); x <= target.right(); x += cell) {
                const bool dark = ((x - target.left()) / cell + (y - target.top()) / cell) % 2;
                painter.fillRect(QRect(x, y, cell, cell).intersected(target),
                                 dark ? QColor(204, 204, 204) : QColor(255, 255, 255));
            }
    }
    SafeStretchDraw(painter, target, *shown->Graphic());
}

} // namespace velmo
