#pragma once
// Controls that show pictures of an image pack and repaint when the pack changes:
// TImageEx shows one image (fitted or stretched), TFillImage tiles one image over
// its area (the windows' patterned backgrounds).
#include "draw/UNotify.h"
#include <QWidget>

namespace velmo {

class TImagePack;

class TBitmapControl : public QWidget
{
    Q_OBJECT
public:
    explicit TBitmapControl(QWidget* parent = nullptr);
    ~TBitmapControl() override;

    TImagePack* ImagePack() const { return FImagePack; }
    // Listens to the new pack (and no longer to the old one), then ImageChanged.
    void SetImagePack(TImagePack* pack);

    // While the control is being read from its form, size rules wait.
    bool IsLoading() const { return FLoading; }
    void SetLoading(bool value) { FLoading = value; }

protected:
    // The pack's pictures changed; by default a repaint.
    virtual void ImageChanged();
    // The brush of the control (its background role's colour).
    QColor BrushColor() const;

private:
    void Notified(TComponent* sender, const TGUID& kind);

    TImagePack* FImagePack = nullptr;
    TListener FListener;
    bool FLoading = false;
};

class TImageEx : public TBitmapControl
{
    Q_OBJECT
public:
    explicit TImageEx(QWidget* parent = nullptr);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    bool KeepRatio() const { return FKeepRatio; }

    // Where the image is drawn within a box: the whole box, or with KeepRatio the
    // image's proportions fitted into the box and centred on it.
    static QRect FitRect(const QRect& box, int width, int height, bool keepRatio);

protected:
    void ImageChanged() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplySize();

    bool FAutoSize = false;
    int FImageIndex = 0;
    bool FKeepRatio = true;
};

class TFillImage : public TBitmapControl
{
    Q_OBJECT
public:
    explicit TFillImage(QWidget* parent = nullptr);

    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    // How many tiles the last paint drew (the visible ones only).
    int LastTileCount() const { return FLastTiles; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FImageIndex = 0;
    int FLastTiles = 0;
};

} // namespace velmo
