#pragma once
// Drag feedback on a draw site: the ghost list that runs one drag at a time for the
// whole application, the ghost base class, the selection band, and the pivot base
// class (the handles shown on selected objects). Move, resize, rotate and creation
// ghosts and the other pivot kinds derive from these.
#include "draw/UStroke.h"
#include <QCursor>
#include <QPoint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace velmo {

class TDrawSite;
class TDrawObject;

// Only the Shift, Alt and Ctrl bits count.
using TShiftState = Qt::KeyboardModifiers;
TShiftState GhostShift(Qt::KeyboardModifiers modifiers);

class TGhost
{
public:
    virtual ~TGhost() = default;
    const TLogRect& Bounds() const { return FBounds; }
    TDrawSite* Site() const { return FSite; }
    void Prepare(TDrawSite* site, const TLogRect& bounds)
    {
        FSite = site;
        FBounds = bounds;
    }

    virtual void Start(QPoint point) = 0;
    // Draws the ghost in logical units (the painter carries the site's mapping).
    virtual void Draw(QPainter& painter) = 0;
    // movement = pointer position - start point.
    virtual void Track(TShiftState shift, QPoint movement) = 0;
    virtual void Apply(TShiftState shift) = 0;
    // Called when the drag ends without applying (cancelled, or never moved).
    virtual void Discard() {}

private:
    TLogRect FBounds;
    TDrawSite* FSite = nullptr;
};

// The application's one list of ghosts.
class TGhostList
{
public:
    static TGhostList& Instance();

    void Add(std::unique_ptr<TGhost> ghost);
    int Count() const { return int(FGhosts.size()); }
    TGhost* Items(int index) const { return FGhosts.at(size_t(index)).get(); }
    bool Active() const { return FActive; }
    bool Moved() const { return FMoved; }
    TDrawSite* Site() const { return FSite; }
    QPoint StartPoint() const { return FStartPoint; }
    QPoint LastPoint() const { return FLastPoint; }
    TShiftState LastShift() const { return FLastShift; }
    // Exactly one ghost, and it is the selection band.
    bool IsSelectionOnly() const;

    void Start(TDrawSite* site, const TLogRect& bounds, QPoint point, TShiftState shift);
    void Track(TShiftState shift, QPoint point);
    void End();
    void Cancel();
    void Clear();
    // Draws every ghost (the site calls it while it paints).
    void DrawGhosts(QPainter& painter) const;

    // Called by Clear when there had been ghosts.
    std::function<void()> OnEnd;

private:
    void Redraw();
    std::vector<std::unique_ptr<TGhost>> FGhosts;
    TDrawSite* FSite = nullptr;
    bool FActive = false;
    bool FMoved = false;
    QPoint FStartPoint;
    QPoint FLastPoint;
    TShiftState FLastShift;
};

// The selection band: selects (never deselects) every object whose device bounds lie
// wholly inside the band.
class TSelectGhost : public TGhost
{
public:
    void Start(QPoint point) override;
    void Draw(QPainter& painter) override;
    void Track(TShiftState shift, QPoint movement) override;
    void Apply(TShiftState shift) override;
    TLogRect Band() const { return {FStart.x(), FStart.y(), FCorner.x(), FCorner.y()}; }

private:
    QPoint FStart;
    QPoint FCorner;
};

// A handle of one object, placed in device pixels on the site. Pressing it starts a
// drag of its owner with its index.
class TPivot
{
public:
    TPivot(TDrawObject* owner, int index, int size = 5) : FOwner(owner), FIndex(index), FSize(size) {}
    virtual ~TPivot() = default;
    TDrawObject* Owner() const { return FOwner; }
    int Index() const { return FIndex; }
    int Size() const { return FSize; }
    const TLogRect& DeviceRect() const { return FRect; }
    void SetDeviceRect(const TLogRect& rect) { FRect = rect; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    Qt::CursorShape Cursor() const { return FCursor; }
    void SetCursor(Qt::CursorShape cursor) { FCursor = cursor; }
    // Paints the handle in device pixels.
    virtual void Paint(QPainter& painter);

private:
    TDrawObject* FOwner;
    int FIndex;
    int FSize;
    TLogRect FRect;
    bool FVisible = true;
    Qt::CursorShape FCursor = Qt::ArrowCursor;
};

} // namespace velmo
