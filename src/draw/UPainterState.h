#pragma once
#include <QBrush>
#include <QPainter>
#include <QPen>
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

} // namespace velmo
