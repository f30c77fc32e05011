#pragma once
// Drag feedback on a draw site: the ghost list that runs one drag at a time for the
// whole application, the ghost base class, the selection band, and the pivot base
// class (the handles shown on selected objects). Move, resize, rotate and creation
// ghosts and the other pivot kinds derive from these.
#include "draw/UPivot.h"
#include "draw/UStroke.h"
#include <QCursor>
#include <QPoint>
#include <QString>
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

// ---------------------------------------------------------------------------------
// Move modes: the layout editor's switches, copied by each move ghost when it is made.
struct TMoveModes
{
    // "円周・直径上" (on) / "自由移動" (off): move around the site's centre or along
    // the ray from it.
    bool Circumference = false;
    // "水平・垂直方向のみ"
    bool AxisLock = false;
    // "オブジェクトの回転" of the free-move panel: free moves turn the object by the
    // angle its centre swept about the site's centre.
    bool RotateWithFreeMove = false;
    // "オブジェクトの回転もする": circumference moves turn the object with them.
    bool RotateWithMove = true;
    // "ステップ単位で移動"
    bool StepMove = true;
    // "６０ステップ（６度）" 6, "１２ステップ（３０度）" 30, "８ステップ（４５度）" 45.
    int StepAngle = 30;

    // The process-wide switches.
    static TMoveModes& Current();
    // The switches as one pointer event's Shift and Alt change them.
    TMoveModes ForShift(TShiftState shift) const;
    static TMoveModes AllOff();
    // After a new object has been made the editor goes back to plain moves: the
    // circumference move, the rotation with free moves and the axis lock go off.
    void AfterCreation();
};

// ---------------------------------------------------------------------------------
// Snapping: the layout editor registers its guides and grid here.
struct TSnapOffset
{
    bool HasX = false;
    bool HasY = false;
    int DX = 0;
    int DY = 0;
};
using TSnapPointFunc = std::function<TSnapOffset(TGhost* ghost, QPoint logical)>;
void SetSnapPoint(TSnapPointFunc snap);
// The snap offset of one point, and of a list of points (the smallest |dx| and |dy|
// over all points, each axis on its own); an axis without snap reports 0.
QPoint SnapOffset(TGhost* ghost, QPoint point);
QPoint SnapOffset(TGhost* ghost, const std::vector<QPoint>& points);

// ---------------------------------------------------------------------------------
// Geometry shared by the ghosts.
double PointAngle(QPoint vector); // atan2(dy, dx) in radians, y downwards
// An angle in degrees brought into [0, 360).
int NormalizeAngle(int degrees);
// The angle difference a - b in radians brought into (-pi, pi].
double AngleDelta(double a, double b);
// Turns a point about a centre by degrees (clockwise on the page), rounded.
QPoint TurnPoint(QPoint point, QPoint centre, double degrees);
// Moves a rectangle so that its centre stays at least 10 units inside bounds.
TLogRect KeepRectInside(const TLogRect& rect, const TLogRect& bounds);

// ---------------------------------------------------------------------------------
// A ghost working on a private copy of one target object; applying assigns the copy
// to the target inside a change action with the ghost's caption.
class TUniversalGhost : public TGhost
{
public:
    TUniversalGhost(TDrawObject* target, int pivotIndex, const QString& caption);
    ~TUniversalGhost() override;
    TDrawObject* Target() const { return FTarget; }
    TDrawObject* Copy() const { return FCopy.get(); }
    int PivotIndex() const { return FPivotIndex; }
    const QString& Caption() const { return FCaption; }
    QPoint StartPoint() const { return FStartPoint; }

    void Start(QPoint point) override;
    void Draw(QPainter& painter) override;
    void Apply(TShiftState shift) override;

protected:
    void ApplyCopy();
    void SetCaption(const QString& caption) { FCaption = caption; }

private:
    TDrawObject* FTarget;
    std::unique_ptr<TDrawObject> FCopy;
    int FPivotIndex;
    QString FCaption;
    QPoint FStartPoint;
};

// Moves the target ("移動"), with the move modes; Ctrl at release makes a moved copy
// ("ドラッグコピー").
class TMoveGhost : public TUniversalGhost
{
public:
    explicit TMoveGhost(TDrawObject* target);
    void Start(QPoint point) override;
    void Draw(QPainter& painter) override;
    void Track(TShiftState shift, QPoint movement) override;
    void Apply(TShiftState shift) override;
    // The switches this ghost works with (as copied when it was made).
    TMoveModes& Modes() { return FModes; }
    // The enclosing rectangle the copy was last moved to, and its extra rotation.
    const TLogRect& Result() const { return FResult; }
    int ExtraRotation() const { return FExtra; }

protected:
    TMoveModes FModes;
    bool FSimple = false;

private:
    TLogRect FOrigin;
    TLogRect FResult;
    int FExtra = 0;
    bool FCircumference = false;
};

// A move ghost with every switch off whatever the keys, that never copies.
class TSimpleMoveGhost : public TMoveGhost
{
public:
    explicit TSimpleMoveGhost(TDrawObject* target);
};

// Drags one end of a line (pivot 0: start, 1: end); Shift makes it horizontal or
// vertical.
class TLineGhost : public TUniversalGhost
{
public:
    TLineGhost(TDrawObject* target, int pivotIndex);
    void Start(QPoint point) override;
    void Track(TShiftState shift, QPoint movement) override;

protected:
    QPoint FOrigin;
};

// What the creation drags share: the hidden new object is theirs until they apply.
class TCreateGhostBase
{
protected:
    void FinishCreation(TUniversalGhost& ghost);
    void DiscardCreation(TUniversalGhost& ghost);
};

class TLineCreateGhost : public TLineGhost, private TCreateGhostBase
{
public:
    explicit TLineCreateGhost(TDrawObject* target);
    void Start(QPoint point) override;
    void Apply(TShiftState shift) override;
    void Discard() override;
};

// Turns the target about its centre ("回転"); Shift snaps to 45 degrees.
class TRotateGhost : public TUniversalGhost
{
public:
    explicit TRotateGhost(TDrawObject* target);
    void Start(QPoint point) override;
    void Track(TShiftState shift, QPoint movement) override;
    int NewAngle() const { return FAngle; }

private:
    QPoint FCentre;
    int FStartAngle = 0;
    int FAngle = 0;
};

// Resizes by one of the handles 0 to 7 ("サイズ変更").
class TRectGhost : public TUniversalGhost
{
public:
    TRectGhost(TDrawObject* target, int pivotIndex);
    void Start(QPoint point) override;
    void Track(TShiftState shift, QPoint movement) override;
    // The rectangle (Left, Top, Right, Bottom) last set on the copy.
    const TLogRect& Result() const { return FResult; }
    static constexpr int kMinimumSize = 20;

protected:
    TLogRect FOrigin;
    TLogRect FResult;
    int FAngle = 0;
};

class TRectCreateGhost : public TRectGhost, private TCreateGhostBase
{
public:
    explicit TRectCreateGhost(TDrawObject* target);
    void Start(QPoint point) override;
    void Apply(TShiftState shift) override;
    void Discard() override;
};

// Drags a curve's start (10), end (11) or control point (12) ("移動・サイズ変更").
class TCurveGhost : public TUniversalGhost
{
public:
    TCurveGhost(TDrawObject* target, int pivotIndex);
    void Start(QPoint point) override;
    void Track(TShiftState shift, QPoint movement) override;
    void Apply(TShiftState shift) override;

protected:
    bool FCreating = false;
    QPoint FStart0, FEnd0, FControl0;
    TMoveModes FModes;
};

class TCurveCreateGhost : public TCurveGhost, private TCreateGhostBase
{
public:
    explicit TCurveCreateGhost(TDrawObject* target);
    void Start(QPoint point) override;
    void Apply(TShiftState shift) override;
    void Discard() override;
};

} // namespace velmo
