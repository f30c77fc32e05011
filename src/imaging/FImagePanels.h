#pragma once
// Small widgets the image-data pages share: a panel that shows a picture scaled to
// fit, and a preview that shows an image data's display picture.
#include "base/UGraphics.h"
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

namespace velmo {

class TImageData;
class TListener;

// The picture centred and scaled to fit (never enlarged beyond 4×), on the panel's
// background.
class TImagePanel : public QWidget
{
public:
    explicit TImagePanel(QWidget* parent = nullptr);
    void SetImage(const QImage& image);
    const QImage& Image() const { return FImage; }
    // Where the picture is shown, in panel coordinates (empty without a picture).
    QRect PictureRect() const;
    QSize sizeHint() const override { return {240, 180}; }

    std::function<void(QMouseEvent*)> OnMousePress;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseRelease;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage FImage;
};

// An image data's display picture, rendered at the next paint after a change, drawn
// transparent over a light checkerboard when the image data has transparency.
class TPicturePreview : public QWidget
{
public:
    explicit TPicturePreview(QWidget* parent = nullptr);
    ~TPicturePreview() override;
    void SetImageData(TImageData* data);
    QSize sizeHint() const override { return {200, 160}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TImageData* FData = nullptr;
    std::unique_ptr<TListener> FListener;
};

// Where a picture of the size fits into the rectangle, centred, keeping proportions.
QRect FitPictureRect(const QSize& picture, const QRect& into, double maxScale = 4.0);
// The untrimmed picture of an image data as plain pixels (no transparency).
QImage PicturePixels(const TImageData& data);

} // namespace velmo
