#pragma once
// The trimming page: the picture with a margin around it and one trimming frame that
// is moved and resized with the mouse. Bound to a face shape the frame keeps the
// face's proportions and shows its outline; with a frame picture it keeps the
// picture's proportions (Shift lifts that) and shows it; otherwise it is free.
#include "base/UGraphics.h"
#include <QImage>
#include <QPainterPath>
#include <QWidget>
#include <functional>
#include <memory>

class QPushButton;

namespace velmo {

class TImageData;
class TListener;
class TSafetyBitmap;

// A label face as the trimming page needs it: its outer size and its cut outline in
// the same units (0.1 mm), holes included as subpaths.
struct TClipFace
{
    QSizeF OuterSize;
    QPainterPath Outline;
};

enum class TClipMode
{
    cmFree,
    cmFace,
    cmFramePicture
};

class TClipSite : public QWidget
{
public:
    explicit TClipSite(QWidget* parent = nullptr);
    ~TClipSite() override;

    void SetPicture(const QImage& picture);
    QSize PictureSize() const { return FPicture.size(); }
    // The frame in picture pixels.
    void SetFrame(const QRect& frame);
    QRect Frame() const;
    void SetFace(const TClipFace* face);
    void SetFramePicture(std::shared_ptr<const TSafetyBitmap> picture);
    TClipMode Mode() const;
    // The proportion the frame keeps (width / height), 0 when free.
    double Aspect() const;
    bool Dragging() const { return FDrag != 0; }

    // Picture pixels to widget coordinates and back.
    QPointF ToWidget(const QPointF& picturePoint) const;
    QPointF ToPicture(const QPointF& widgetPoint) const;

    // Called when the user lets go of a move or resize, with the frame less the margin.
    std::function<void(const QRect&)> OnFrameChanged;

    QSize sizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF SiteRect() const; // picture pixels, margin included
    double Scale() const;
    int HitTest(const QPointF& widgetPoint) const;
    QRectF Resized(const QRectF& start, int handle, const QPointF& delta, bool keep) const;

    QImage FPicture;
    QRectF FFrame;
    TClipFace FFace;
    bool FHasFace = false;
    std::shared_ptr<const TSafetyBitmap> FFramePicture;
    int FDrag = 0; // 0 none, 1..8 handles, 9 move
    QPointF FDragStart;
    QRectF FFrameStart;
};

// A frame chooser: returns 0 when cancelled, 1 with a frame picture file, 2 for no
// frame.
using TFrameChooser = std::function<int(QWidget* parent, bool hasFrame, QString& file)>;
int ChooseFrameFile(QWidget* parent, bool hasFrame, QString& file);

class TfrmClipEditor : public QWidget
{
public:
    explicit TfrmClipEditor(QWidget* parent = nullptr);
    ~TfrmClipEditor() override;

    void SetImageData(TImageData* data);
    TImageData* ImageData() const { return FData; }
    // Binds the page to a face (nullptr: not bound).
    void SetFace(const TClipFace* face);
    // Loads a frame picture; its colour $F0F0F0 is transparent. An empty name removes it.
    void SetFrameFile(const QString& file);
    bool HasFramePicture() const { return FFramePicture != nullptr; }
    void SetFrameChooserVisible(bool visible);
    void SetFrameChooser(TFrameChooser chooser) { FFrameChooser = std::move(chooser); }

    // "リセット": the largest frame of the mode's proportions.
    void Reset();
    // "フレーム選択".
    void ChooseFrame();

    TClipSite* Site() const { return FSite; }

private:
    void DataChanged(bool pictureChanged);

    TImageData* FData = nullptr;
    std::unique_ptr<TListener> FListener;
    TClipSite* FSite;
    QPushButton* FReset;
    QPushButton* FFrame;
    std::shared_ptr<const TSafetyBitmap> FFramePicture;
    TClipFace FFace;
    bool FHasFace = false;
    TFrameChooser FFrameChooser;
};

} // namespace velmo
