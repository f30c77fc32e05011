#pragma once
// Drawing steps that keep a vector page small: state put back without save and
// restore, and pictures that the file holds once however often they are drawn.
#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QTransform>

namespace velmo {

// Puts back what a short drawing step changes (pen, brush, transformations, render
// hints) without save and restore: on a vector page a restore under a clip writes
// the whole graphics state out again at once, drawn on or not. Not for clips.
class TPainterStateKeeper
{
public:
    explicit TPainterStateKeeper(QPainter& painter)
        : FPainter(painter), FPen(painter.pen()), FBrush(painter.brush()), FWorld(painter.worldTransform()),
          FViewEnabled(painter.viewTransformEnabled()), FHints(painter.renderHints())
    {
    }
    ~TPainterStateKeeper()
    {
        FPainter.setViewTransformEnabled(FViewEnabled);
        FPainter.setWorldTransform(FWorld);
        FPainter.setRenderHints(FPainter.renderHints() & ~FHints, false);
        FPainter.setRenderHints(FHints, true);
        FPainter.setBrush(FBrush);
        FPainter.setPen(FPen);
    }
    TPainterStateKeeper(const TPainterStateKeeper&) = delete;
    TPainterStateKeeper& operator=(const TPainterStateKeeper&) = delete;

private:
    QPainter& FPainter;
    QPen FPen;
    QBrush FBrush;
    QTransform FWorld;
    bool FViewEnabled;
    QPainter::RenderHints FHints;
};

// Draws a picture (all of it, or the source part). On a PDF page the same pixels
// drawn again become the same picture in the file: a logo on every label, a tile
// repeated over a background, a design copied for each face are held once, whoever
// made their picture anew for each draw. Elsewhere it is drawImage.
void DrawSharedImage(QPainter& painter, const QRectF& target, const QImage& image,
                     const QRectF& source = QRectF());
// Lets go of the pictures kept for that (a print job's end).
void ForgetSharedImages();

} // namespace velmo
