#include "draw/UGhost.h"
#include "draw/UCanvas.h"
#include "draw/UDrawSite.h"
#include <QPainter>
#include <algorithm>

namespace velmo {

TShiftState GhostShift(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier);
}

TGhostList& TGhostList::Instance()
{
    static TGhostList list;
    return list;
}

void TGhostList::Add(std::unique_ptr<TGhost> ghost)
{
    if (ghost)
        FGhosts.push_back(std::move(ghost));
}

bool TGhostList::IsSelectionOnly() const
{
    return FGhosts.size() == 1 && dynamic_cast<const TSelectGhost*>(FGhosts.front().get()) != nullptr;
}

void TGhostList::Redraw()
{
    if (FSite)
        FSite->update();
}

void TGhostList::Start(TDrawSite* site, const TLogRect& bounds, QPoint point, TShiftState shift)
{
    FSite = site;
    Redraw();
    FMoved = false;
    FStartPoint = FLastPoint = point;
    FLastShift = GhostShift(shift);
    for (const auto& ghost : FGhosts) {
        ghost->Prepare(site, bounds);
        ghost->Start(point);
    }
    FActive = true;
    Redraw();
}

void TGhostList::Track(TShiftState shift, QPoint point)
{
    shift = GhostShift(shift);
    if (!FActive || (point == FLastPoint && shift == FLastShift))
        return;
    FMoved = true;
    FLastPoint = point;
    FLastShift = shift;
    for (const auto& ghost : FGhosts)
        ghost->Track(shift, point - FStartPoint);
    Redraw();
}

void TGhostList::End()
{
    struct ClearGuard
    {
        TGhostList* List;
        ~ClearGuard() { List->Clear(); }
    } guard{this};
    if (!FActive)
        return;
    Redraw();
    FActive = false;
    for (const auto& ghost : FGhosts) {
        if (FMoved)
            ghost->Apply(FLastShift);
        else
            ghost->Discard();
    }
}

void TGhostList::Cancel()
{
    struct ClearGuard
    {
        TGhostList* List;
        ~ClearGuard() { List->Clear(); }
    } guard{this};
    if (!FActive)
        return;
    Redraw();
    FActive = false;
    for (const auto& ghost : FGhosts)
        ghost->Discard();
}

void TGhostList::Clear()
{
    const bool had = !FGhosts.empty();
    std::vector<std::unique_ptr<TGhost>> ghosts = std::move(FGhosts);
    FGhosts.clear();
    ghosts.clear();
    FActive = false;
    Redraw();
    FSite = nullptr;
    // The callback belongs to the drag that just ended.
    std::function<void()> onEnd = std::move(OnEnd);
    OnEnd = nullptr;
    if (had && onEnd)
        onEnd();
}

void TGhostList::DrawGhosts(QPainter& painter) const
{
    for (const auto& ghost : FGhosts)
        ghost->Draw(painter);
}

// ---------------------------------------------------------------------------------

void TSelectGhost::Start(QPoint point)
{
    FStart = FCorner = point;
}

void TSelectGhost::Draw(QPainter& painter)
{
    painter.drawRect(QRectF(ToQRect(NormalizedRect(Band()))));
}

void TSelectGhost::Track(TShiftState, QPoint movement)
{
    const TLogRect& b = Bounds();
    const QPoint p = FStart + movement;
    FCorner = QPoint(std::clamp(p.x(), std::min(b.Left, b.Right), std::max(b.Left, b.Right)),
                     std::clamp(p.y(), std::min(b.Top, b.Bottom), std::max(b.Top, b.Bottom)));
}

void TSelectGhost::Apply(TShiftState)
{
    if (!Site())
        return;
    TLogRect device = Site()->RectToDevice(NormalizedRect(Band()));
    device.Right += 1;
    device.Bottom += 1;
    Site()->SelectInRect(device);
}

// ---------------------------------------------------------------------------------

void TPivot::Paint(QPainter& painter)
{
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = ToQRect(FRect);
    const bool movable = FOwner && FOwner->Movable();
    if (movable && PaintedImage(painter)) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(r, Qt::black);
        return;
    }
    painter.fillRect(r, movable ? Qt::black : Qt::white);
    FrameDeviceRect(painter, FRect, Qt::black);
}

} // namespace velmo
