#include "draw/UGhost.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

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
    // One drag of several objects is one step of the history, named by its first.
    std::unique_ptr<TActionGroupScope> group;
    if (FMoved && FGhosts.size() > 1)
        group = std::make_unique<TActionGroupScope>(QString());
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
    // A creation that waits for its first press is cancelled too: its ghost takes
    // the still invisible object off the site, which would otherwise stay there
    // unseen and be saved with the design.
    if (!FActive && FGhosts.empty())
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
// Move modes

TMoveModes& TMoveModes::Current()
{
    static TMoveModes modes;
    return modes;
}

TMoveModes TMoveModes::AllOff()
{
    TMoveModes m;
    m.Circumference = m.AxisLock = m.RotateWithFreeMove = m.RotateWithMove = m.StepMove = false;
    return m;
}

void TMoveModes::AfterCreation()
{
    Circumference = false;
    RotateWithFreeMove = false;
    AxisLock = false;
}

TMoveModes TMoveModes::ForShift(TShiftState shift) const
{
    TMoveModes m = *this;
    const bool alt = shift & Qt::AltModifier;
    const bool sh = shift & Qt::ShiftModifier;
    if (alt && !sh) {
        m.Circumference = m.AxisLock = m.RotateWithFreeMove = m.StepMove = false;
    } else if (alt && sh) {
        m.Circumference = !m.Circumference;
    } else if (sh) {
        if (m.Circumference)
            m.StepMove = !m.StepMove;
        else
            m.AxisLock = !m.AxisLock;
    }
    return m;
}

// ---------------------------------------------------------------------------------
// Snapping

namespace {
TSnapPointFunc& SnapFunc()
{
    static TSnapPointFunc snap;
    return snap;
}
} // namespace

void SetSnapPoint(TSnapPointFunc snap)
{
    SnapFunc() = std::move(snap);
}

QPoint SnapOffset(TGhost* ghost, QPoint point)
{
    return SnapOffset(ghost, std::vector<QPoint>{point});
}

QPoint SnapOffset(TGhost* ghost, const std::vector<QPoint>& points)
{
    if (!SnapFunc())
        return {};
    bool hasX = false, hasY = false;
    int dx = 0, dy = 0;
    for (const QPoint& p : points) {
        const TSnapOffset o = SnapFunc()(ghost, p);
        if (o.HasX && (!hasX || std::abs(o.DX) < std::abs(dx))) {
            dx = o.DX;
            hasX = true;
        }
        if (o.HasY && (!hasY || std::abs(o.DY) < std::abs(dy))) {
            dy = o.DY;
            hasY = true;
        }
    }
    return {dx, dy};
}

// ---------------------------------------------------------------------------------
// Geometry

double PointAngle(QPoint v)
{
    return std::atan2(double(v.y()), double(v.x()));
}

int NormalizeAngle(int degrees)
{
    return ((degrees % 360) + 360) % 360;
}

double AngleDelta(double a, double b)
{
    double d = std::remainder(a - b, 2 * std::numbers::pi);
    if (d <= -std::numbers::pi)
        d += 2 * std::numbers::pi;
    return d;
}

QPoint TurnPoint(QPoint point, QPoint centre, double degrees)
{
    const double r = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    const double x = point.x() - centre.x(), y = point.y() - centre.y();
    return {centre.x() + int(std::lround(x * c - y * s)), centre.y() + int(std::lround(x * s + y * c))};
}

TLogRect KeepRectInside(const TLogRect& rect, const TLogRect& bounds)
{
    const QPoint c = RectCenter(rect);
    int dx = 0, dy = 0;
    if (c.x() < bounds.Left + 10)
        dx = bounds.Left - c.x() + 10;
    else if (c.x() > bounds.Right - 10)
        dx = -(c.x() - bounds.Right + 10);
    if (c.y() < bounds.Top + 10)
        dy = bounds.Top - c.y() + 10;
    else if (c.y() > bounds.Bottom - 10)
        dy = -(c.y() - bounds.Bottom + 10);
    return OffsetRect(rect, dx, dy);
}

namespace {
double Degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}
double Length(QPointF v)
{
    return std::hypot(v.x(), v.y());
}
QPoint RoundPoint(QPointF p)
{
    return {int(std::lround(p.x())), int(std::lround(p.y()))};
}
QPoint SiteCentre(const TGhost& ghost)
{
    if (const TDrawSite* site = ghost.Site())
        return {Div(site->LogWidth(), 2), Div(site->LogHeight(), 2)};
    return RectCenter(ghost.Bounds());
}
TLogRect EncloseOf(TDrawObject* object)
{
    if (IDOEncloseBounds* e = Supports<IDOEncloseBounds>(object))
        return e->GetEncloseBounds();
    return object ? object->GetEncloseRect() : TLogRect{};
}
} // namespace

// ---------------------------------------------------------------------------------
// Universal ghost

TUniversalGhost::TUniversalGhost(TDrawObject* target, int pivotIndex, const QString& caption)
    : FTarget(target), FCopy(CloneDrawObject(*target, nullptr)), FPivotIndex(pivotIndex), FCaption(caption)
{
}

TUniversalGhost::~TUniversalGhost() = default;

void TUniversalGhost::Start(QPoint point)
{
    FStartPoint = point;
}

void TUniversalGhost::Draw(QPainter& painter)
{
    if (IDODraw* draw = Supports<IDODraw>(FCopy.get()))
        draw->DrawGhostOutline(painter);
}

void TUniversalGhost::Apply(TShiftState)
{
    ApplyCopy();
}

void TUniversalGhost::ApplyCopy()
{
    if (FCaption.isEmpty()) {
        FTarget->Assign(*FCopy);
        return;
    }
    std::unique_ptr<TChangeActionRecord> action = BeginChangeAction(FTarget, FCaption);
    FTarget->SetInGhostAssignment(true);
    try {
        FTarget->Assign(*FCopy);
    } catch (...) {
        FTarget->SetInGhostAssignment(false);
        throw;
    }
    FTarget->SetInGhostAssignment(false);
    if (action)
        action->Commit();
}

// ---------------------------------------------------------------------------------
// Move ghost

TMoveGhost::TMoveGhost(TDrawObject* target)
    : TUniversalGhost(target, -1, QStringLiteral("移動")), FModes(TMoveModes::Current())
{
}

TSimpleMoveGhost::TSimpleMoveGhost(TDrawObject* target) : TMoveGhost(target)
{
    FModes = TMoveModes::AllOff();
    FSimple = true;
}

void TMoveGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    FOrigin = FResult = EncloseOf(Target());
    FExtra = 0;
}

void TMoveGhost::Track(TShiftState shift, QPoint movement)
{
    IDOEncloseBounds* copyBounds = Supports<IDOEncloseBounds>(Copy());
    if (!copyBounds || !Supports<IDOEncloseBounds>(Target()))
        return;
    const TMoveModes modes = FSimple ? FModes : FModes.ForShift(shift);
    const QPoint c = SiteCentre(*this);
    const QPoint s = StartPoint();
    const QPoint p = s + movement;
    const TLogRect& o = FOrigin;
    TLogRect r = OffsetRect(o, movement.x(), movement.y());
    const QPoint snap = SnapOffset(this, {QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom),
                                          QPoint(r.Left, r.Bottom), QPoint(r.Right, r.Top)});
    r = OffsetRect(r, snap.x(), snap.y());
    int extra = 0;
    bool rotates = false;
    FCircumference = modes.Circumference;
    if (modes.Circumference) {
        const QPoint pv = p - c, sv = s - c;
        const double delta = AngleDelta(PointAngle(pv), PointAngle(sv));
        const QPoint turned = TurnPoint(p, c, -Degrees(delta));
        const double t = Length(QPointF(p - turned));
        const double radial = std::abs(Length(QPointF(pv)) - Length(QPointF(sv)));
        const QPoint oc = RectCenter(o);
        const QPointF ray = QPointF(oc - c);
        const double rayLength = Length(ray);
        if (t < radial) {
            const double d = Length(QPointF(pv)) - Length(QPointF(sv));
            QPoint shiftBy;
            if (rayLength > 0)
                shiftBy = RoundPoint(ray * (d / rayLength));
            r = OffsetRect(o, shiftBy.x(), shiftBy.y());
        } else {
            const double theta0 = PointAngle(oc - c);
            double theta = theta0 + delta;
            if (modes.StepMove && modes.StepAngle > 0) {
                const double step = modes.StepAngle * std::numbers::pi / 180.0;
                theta = std::round(theta / step) * step;
            }
            const QPoint centre =
                RoundPoint(QPointF(c) + QPointF(std::cos(theta), std::sin(theta)) * rayLength);
            r = OffsetRect(o, centre.x() - oc.x(), centre.y() - oc.y());
            if (modes.RotateWithMove) {
                extra = int(std::lround(Degrees(AngleDelta(theta, theta0))));
                rotates = true;
            }
        }
    } else if (modes.AxisLock) {
        const int dx = r.Left - o.Left, dy = r.Top - o.Top;
        if (std::abs(dy) < std::abs(dx))
            r = OffsetRect(r, 0, o.Top - r.Top);
        else
            r = OffsetRect(r, o.Left - r.Left, 0);
    }
    r = KeepRectInside(r, Bounds());
    if (!modes.Circumference && modes.RotateWithFreeMove) {
        extra = int(
            std::lround(Degrees(AngleDelta(PointAngle(RectCenter(r) - c), PointAngle(RectCenter(o) - c)))));
        rotates = true;
    }

    IDORotate* targetRotate = Supports<IDORotate>(Target());
    IDORotate* copyRotate = Supports<IDORotate>(Copy());
    if (targetRotate && copyRotate)
        copyRotate->SetAngle(targetRotate->GetAngle());
    const TLogRect now = copyBounds->GetEncloseBounds();
    if (now.Left != r.Left || now.Top != r.Top)
        copyBounds->MoveBy(r.Left - now.Left, r.Top - now.Top);
    if (rotates && targetRotate && copyRotate && extra != 0)
        copyRotate->SetAngle(NormalizeAngle(targetRotate->GetAngle() + extra));
    FResult = copyBounds->GetEncloseBounds();
    FExtra = rotates ? extra : 0;
}

void TMoveGhost::Draw(QPainter& painter)
{
    if (FCircumference && Site()) {
        TCanvasSaver saver(painter);
        const QPoint c = SiteCentre(*this);
        const QPoint oc = RectCenter(EncloseOf(Target()));
        const double radius = Length(QPointF(oc - c));
        QPen pen = painter.pen();
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawEllipse(QPointF(c), radius, radius);
        // The diameter through the object's centre.
        const double half = Div(Site()->LogWidth(), 2);
        const QPointF dir = radius > 0 ? QPointF(oc - c) / radius : QPointF(1, 0);
        painter.drawLine(QPointF(c) - dir * half, QPointF(c) + dir * half);
    }
    TUniversalGhost::Draw(painter);
}

void TMoveGhost::Apply(TShiftState shift)
{
    IDOEncloseBounds* copyBounds = Supports<IDOEncloseBounds>(Copy());
    if (!copyBounds)
        return;
    const TLogRect now = copyBounds->GetEncloseBounds();
    const TLogRect was = EncloseOf(Target());
    if (now.Left == was.Left && now.Top == was.Top)
        return;
    if (!FSimple && (shift & Qt::ControlModifier) && Site()) {
        Target()->SetSelected(false);
        TDrawObject* copy = CloneDrawObject(*Copy(), Site());
        Site()->AddObject(copy);
        RecordAddAction(copy, QStringLiteral("ドラッグコピー"));
        return;
    }
    ApplyCopy();
}

// ---------------------------------------------------------------------------------
// End-point ghosts

TLineGhost::TLineGhost(TDrawObject* target, int pivotIndex)
    : TUniversalGhost(target, pivotIndex, QStringLiteral("移動・サイズ変更"))
{
}

void TLineGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    if (IDOLine* line = Supports<IDOLine>(Target()))
        FOrigin = PivotIndex() == 0 ? line->GetStartPoint() : line->GetEndPoint();
}

void TLineGhost::Track(TShiftState shift, QPoint movement)
{
    IDOLine* line = Supports<IDOLine>(Copy());
    if (!line)
        return;
    QPoint p = FOrigin + movement;
    if (!movement.isNull())
        p += SnapOffset(this, p);
    const bool start = PivotIndex() == 0;
    if (shift & Qt::ShiftModifier) {
        const QPoint other = start ? line->GetEndPoint() : line->GetStartPoint();
        const int dx = p.x() - other.x(), dy = p.y() - other.y();
        if (dx != 0 && std::abs(dy) / std::abs(dx) == 0)
            p.setY(other.y());
        else
            p.setX(other.x());
    }
    if (start)
        line->SetStartPoint(p);
    else
        line->SetEndPoint(p);
}

void TCreateGhostBase::FinishCreation(TUniversalGhost& ghost)
{
    TDrawObject* target = ghost.Target();
    target->Assign(*ghost.Copy());
    NotifyObjectCreated(target);
    target->SetSelected(true);
    target->SetVisible(true);
    RecordAddAction(target, QStringLiteral("追加"));
}

void TCreateGhostBase::DiscardCreation(TUniversalGhost& ghost)
{
    delete ghost.Target();
}

TLineCreateGhost::TLineCreateGhost(TDrawObject* target) : TLineGhost(target, 1)
{
    SetCaption(QString());
}

void TLineCreateGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    if (Site())
        Site()->SelectAll(false);
    const QPoint p = point + SnapOffset(this, point);
    for (TDrawObject* object : {Target(), Copy()}) {
        if (IDOLine* line = Supports<IDOLine>(object)) {
            line->SetStartPoint(p);
            line->SetEndPoint(p);
        }
    }
    FOrigin = p;
}

void TLineCreateGhost::Apply(TShiftState)
{
    FinishCreation(*this);
}

void TLineCreateGhost::Discard()
{
    DiscardCreation(*this);
}

// ---------------------------------------------------------------------------------
// Rotate ghost

TRotateGhost::TRotateGhost(TDrawObject* target) : TUniversalGhost(target, 8, QStringLiteral("回転")) {}

void TRotateGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    FCentre = RectCenter(EncloseOf(Target()));
    if (IDORotate* rotate = Supports<IDORotate>(Target()))
        FStartAngle = FAngle = rotate->GetAngle();
}

void TRotateGhost::Track(TShiftState shift, QPoint movement)
{
    IDORotate* rotate = Supports<IDORotate>(Copy());
    if (!rotate || !Supports<IDORotate>(Target()))
        return;
    const QPoint p = StartPoint() + movement;
    const int turn =
        int(std::lround(Degrees(AngleDelta(PointAngle(p - FCentre), PointAngle(StartPoint() - FCentre)))));
    int a = FStartAngle + turn;
    if (shift & Qt::ShiftModifier)
        a = a >= 0 ? (a + 22) / 45 * 45 : (a - 22) / 45 * 45;
    FAngle = NormalizeAngle(a);
    rotate->SetAngle(FAngle);
}

// ---------------------------------------------------------------------------------
// Resize ghost

namespace {
// Which edges a handle moves: -1 the left/top edge, 1 the right/bottom edge, 0 none.
int HandleX(int index)
{
    return index <= 2 ? -1 : index <= 4 ? 0 : 1;
}
int HandleY(int index)
{
    switch (index) {
    case 0:
    case 3:
    case 5:
        return -1;
    case 1:
    case 6:
        return 0;
    default:
        return 1;
    }
}
QPoint HandlePoint(const TLogRect& b, int index)
{
    const QPoint c = RectCenter(b);
    const int hx = HandleX(index), hy = HandleY(index);
    return {hx < 0 ? b.Left : hx > 0 ? b.Right : c.x(), hy < 0 ? b.Top : hy > 0 ? b.Bottom : c.y()};
}
// Keeps one axis at least minimum long: the dragged edge gives way, a middle handle
// centres the minimum on the old middle.
void HoldMinimum(int& low, int& high, int side, int minimum, int oldLow, int oldHigh)
{
    if (high - low >= minimum)
        return;
    if (side < 0)
        low = high - minimum;
    else if (side > 0)
        high = low + minimum;
    else {
        low = Div(oldLow + oldHigh, 2) - Div(minimum, 2);
        high = low + minimum;
    }
}
} // namespace

TRectGhost::TRectGhost(TDrawObject* target, int pivotIndex)
    : TUniversalGhost(target, pivotIndex, QStringLiteral("サイズ変更"))
{
}

void TRectGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    if (IDOBounds* b = Supports<IDOBounds>(Target())) {
        FOrigin = {b->GetBoundsLeft(), b->GetBoundsTop(), b->GetBoundsLeft() + b->GetBoundsWidth(),
                   b->GetBoundsTop() + b->GetBoundsHeight()};
        FResult = FOrigin;
    }
    FAngle = 0;
    if (IDORotate* rotate = Supports<IDORotate>(Target()))
        FAngle = rotate->GetAngle();
}

void TRectGhost::Track(TShiftState shift, QPoint movement)
{
    IDOBounds* target = Supports<IDOBounds>(Target());
    IDOBounds* copy = Supports<IDOBounds>(Copy());
    if (!target || !copy)
        return;
    const int index = PivotIndex();
    if (index < 0 || index > 7)
        return;
    const TLogRect& b = FOrigin;
    const QPoint bc = RectCenter(b);
    // The handle as it lies on the page, snapped.
    const QPoint handle = TurnPoint(HandlePoint(b, index), bc, FAngle);
    movement += SnapOffset(this, handle + movement);
    // The smallest size allowed, and whether the proportions are kept.
    const bool ctrl = shift & Qt::ControlModifier;
    int minW = ctrl ? 0 : kMinimumSize, minH = minW;
    const bool aspect =
        (target->KeepsAspect() != bool(shift & Qt::ShiftModifier)) && b.Width() != 0 && b.Height() != 0;
    if (aspect && minW > 0) {
        minH = std::max(minH, MulDiv(minW, b.Height(), b.Width()));
        minW = MulDiv(minH, b.Width(), b.Height());
    }
    // The movement measured along the object's own axes.
    if (FAngle != 0)
        movement = TurnPoint(movement, QPoint(0, 0), -FAngle);
    // The edges the handle moves.
    const int hx = HandleX(index), hy = HandleY(index);
    TLogRect n = b;
    if (hx < 0)
        n.Left += movement.x();
    else if (hx > 0)
        n.Right += movement.x();
    if (hy < 0)
        n.Top += movement.y();
    else if (hy > 0)
        n.Bottom += movement.y();
    if (aspect && (hx == 0 || hy == 0)) {
        if (hy == 0) {
            const int h = MulDiv(std::abs(n.Width()), b.Height(), b.Width());
            const int grow = h - b.Height();
            n.Top = b.Top - Div(grow, 2);
            n.Bottom = b.Bottom + (grow - Div(grow, 2));
        } else {
            const int w = MulDiv(std::abs(n.Height()), b.Width(), b.Height());
            const int grow = w - b.Width();
            n.Left = b.Left - Div(grow, 2);
            n.Right = b.Right + (grow - Div(grow, 2));
        }
    }
    // Never below the minimum; with the proportions kept, the largest such rectangle.
    if (aspect) {
        // Flip a rectangle dragged past its opposite side, fit B's proportions into
        // it and pin the result at the side that stays.
        const int fixedX = hx < 0 ? b.Right : hx > 0 ? b.Left : bc.x();
        const int fixedY = hy < 0 ? b.Bottom : hy > 0 ? b.Top : bc.y();
        n = NormalizedRect(n);
        HoldMinimum(n.Left, n.Right,
                    n.Left == fixedX    ? 1
                    : n.Right == fixedX ? -1
                                        : 0,
                    minW, n.Left, n.Right);
        HoldMinimum(n.Top, n.Bottom,
                    n.Top == fixedY      ? 1
                    : n.Bottom == fixedY ? -1
                                         : 0,
                    minH, n.Top, n.Bottom);
        const TLogRect fit = FitAspect(b, n.Width(), n.Height());
        const int w = fit.Width(), h = fit.Height();
        TLogRect f;
        if (n.Right == fixedX && hx != 0)
            f.Left = n.Right - w;
        else if (n.Left == fixedX && hx != 0)
            f.Left = n.Left;
        else
            f.Left = Div(n.Left + n.Right, 2) - Div(w, 2);
        if (n.Bottom == fixedY && hy != 0)
            f.Top = n.Bottom - h;
        else if (n.Top == fixedY && hy != 0)
            f.Top = n.Top;
        else
            f.Top = Div(n.Top + n.Bottom, 2) - Div(h, 2);
        f.Right = f.Left + w;
        f.Bottom = f.Top + h;
        n = f;
    } else {
        HoldMinimum(n.Left, n.Right, hx, minW, b.Left, b.Right);
        HoldMinimum(n.Top, n.Bottom, hy, minH, b.Top, b.Bottom);
    }
    // Onto the copy, the centre turned back for a turned object.
    Copy()->Assign(*Target());
    if (IDOAutoSize* autoSize = Supports<IDOAutoSize>(Copy()))
        autoSize->SetAutoSize(false);
    if (FAngle != 0) {
        const QPoint nc = RectCenter(n);
        const QPoint turned = TurnPoint(nc, bc, FAngle);
        n = OffsetRect(n, turned.x() - nc.x(), turned.y() - nc.y());
    }
    n = KeepRectInside(n, Bounds());
    copy->SetBoundsLeft(n.Left);
    copy->SetBoundsTop(n.Top);
    copy->SetBoundsWidth(n.Width());
    copy->SetBoundsHeight(n.Height());
    FResult = n;
}

TRectCreateGhost::TRectCreateGhost(TDrawObject* target) : TRectGhost(target, 7)
{
    SetCaption(QString());
}

void TRectCreateGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    if (Site())
        Site()->SelectAll(false);
    for (TDrawObject* object : {Target(), Copy()}) {
        if (IDOBounds* b = Supports<IDOBounds>(object)) {
            b->SetBoundsLeft(point.x());
            b->SetBoundsTop(point.y());
            b->SetBoundsWidth(1);
            b->SetBoundsHeight(1);
        }
    }
    FOrigin = FResult = {point.x(), point.y(), point.x() + 1, point.y() + 1};
    FAngle = 0;
}

void TRectCreateGhost::Apply(TShiftState)
{
    FinishCreation(*this);
}

void TRectCreateGhost::Discard()
{
    DiscardCreation(*this);
}

// ---------------------------------------------------------------------------------
// Curve ghost

namespace {
// A point in the frame of a chord: t along it (0 at a, 1 at b), d across it in units.
struct TChordPoint
{
    double T = 0.5;
    double D = 0;
};
TChordPoint ToChord(QPointF p, QPointF a, QPointF b)
{
    const QPointF u = b - a;
    const double len = Length(u);
    if (len == 0)
        return {0.5, 0};
    const QPointF v = p - a;
    return {(v.x() * u.x() + v.y() * u.y()) / (len * len), (u.x() * v.y() - u.y() * v.x()) / len};
}
QPointF FromChord(TChordPoint c, QPointF a, QPointF b)
{
    const QPointF u = b - a;
    const double len = Length(u);
    if (len == 0)
        return a;
    const QPointF n(-u.y() / len, u.x() / len);
    return a + u * c.T + n * c.D;
}
} // namespace

TCurveGhost::TCurveGhost(TDrawObject* target, int pivotIndex)
    : TUniversalGhost(target, pivotIndex, QStringLiteral("移動・サイズ変更")), FModes(TMoveModes::Current())
{
}

void TCurveGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    if (IDOCurve* curve = Supports<IDOCurve>(Copy())) {
        curve->BeginCurveEdit();
        FStart0 = curve->GetStartPoint();
        FEnd0 = curve->GetEndPoint();
        FControl0 = curve->GetControlPoint();
    }
}

void TCurveGhost::Track(TShiftState shift, QPoint movement)
{
    IDOCurve* curve = Supports<IDOCurve>(Copy());
    if (!curve)
        return;
    const int index = PivotIndex();
    if (index == 10 || index == 11) {
        const bool startMoves = index == 10;
        const QPoint moved0 = startMoves ? FStart0 : FEnd0;
        const QPoint other0 = startMoves ? FEnd0 : FStart0;
        QPoint moved = moved0 + movement;
        moved += SnapOffset(this, moved);
        const QPoint m = moved - moved0;
        QPoint other = other0;
        QPoint control = FControl0;
        if (FCreating) {
            control = RoundPoint((QPointF(moved) + QPointF(other)) / 2);
        } else if (shift & Qt::ShiftModifier) {
            const TChordPoint c = ToChord(QPointF(FControl0), QPointF(moved0), QPointF(other0));
            control = RoundPoint(FromChord(c, QPointF(moved), QPointF(other0)));
        } else {
            const QPointF u = QPointF(other0 - moved0);
            const double len = Length(u);
            QPointF mirrored = QPointF(m);
            if (len > 0) {
                const QPointF unit = u / len;
                const double along = m.x() * unit.x() + m.y() * unit.y();
                mirrored = QPointF(m) - unit * (2 * along);
            }
            other = other0 + RoundPoint(mirrored);
        }
        if (startMoves) {
            curve->SetStartPoint(moved);
            curve->SetEndPoint(other);
        } else {
            curve->SetStartPoint(other);
            curve->SetEndPoint(moved);
        }
        curve->SetControlPoint(control);
        return;
    }
    if (index != 12)
        return;
    const TMoveModes modes = FModes.ForShift(shift);
    const QPoint q = StartPoint() + movement;
    if (modes.Circumference) {
        const QPointF c = QPointF(SiteCentre(*this));
        // Half the curve's length: along its circle when it has one, else half the chord.
        const QPointF a(FStart0), m(FControl0), b(FEnd0);
        double half = Length(b - a) / 2;
        const double d = 2 * (a.x() * (m.y() - b.y()) + m.x() * (b.y() - a.y()) + b.x() * (a.y() - m.y()));
        if (d != 0) {
            const double a2 = a.x() * a.x() + a.y() * a.y(), m2 = m.x() * m.x() + m.y() * m.y(),
                         b2 = b.x() * b.x() + b.y() * b.y();
            const QPointF o((a2 * (m.y() - b.y()) + m2 * (b.y() - a.y()) + b2 * (a.y() - m.y())) / d,
                            (a2 * (b.x() - m.x()) + m2 * (a.x() - b.x()) + b2 * (m.x() - a.x())) / d);
            const double r = Length(a - o);
            if (r >= 1 && r <= 7999) {
                // The span from a through m to b.
                const double ta = std::atan2(a.y() - o.y(), a.x() - o.x());
                const double tm = std::atan2(m.y() - o.y(), m.x() - o.x());
                const double tb = std::atan2(b.y() - o.y(), b.x() - o.x());
                const auto ccw = [](double from, double to) {
                    double v = std::fmod(to - from, 2 * std::numbers::pi);
                    return v < 0 ? v + 2 * std::numbers::pi : v;
                };
                double span = ccw(ta, tb);
                if (ccw(ta, tm) > span)
                    span = 2 * std::numbers::pi - span;
                half = r * span / 2;
            }
        }
        const QPointF qv = QPointF(q) - c;
        const double radius = std::max(50.0, Length(qv));
        const double halfAngle = half / radius;
        const double at = std::atan2(qv.y(), qv.x());
        const double rq = Length(qv);
        const auto on = [&](double angle) {
            return RoundPoint(c + QPointF(std::cos(angle), std::sin(angle)) * rq);
        };
        curve->SetStartPoint(on(at - halfAngle));
        curve->SetControlPoint(on(at));
        curve->SetEndPoint(on(at + halfAngle));
        return;
    }
    QPoint control = FControl0 + movement;
    control += SnapOffset(this, control);
    const int limit = std::min(Bounds().Width(), Bounds().Height());
    TChordPoint cp = ToChord(QPointF(control), QPointF(FStart0), QPointF(FEnd0));
    if (std::abs(cp.D) > limit && FStart0 != FEnd0) {
        cp.D = cp.D < 0 ? -limit : limit;
        control = RoundPoint(FromChord(cp, QPointF(FStart0), QPointF(FEnd0)));
    }
    curve->SetStartPoint(FStart0);
    curve->SetEndPoint(FEnd0);
    curve->SetControlPoint(control);
}

void TCurveGhost::Apply(TShiftState shift)
{
    if (IDOCurve* curve = Supports<IDOCurve>(Copy()))
        curve->EndCurveEdit();
    TUniversalGhost::Apply(shift);
}

TCurveCreateGhost::TCurveCreateGhost(TDrawObject* target) : TCurveGhost(target, 11)
{
    SetCaption(QString());
    FCreating = true;
}

void TCurveCreateGhost::Start(QPoint point)
{
    TUniversalGhost::Start(point);
    const QPoint p = point + SnapOffset(this, point);
    for (TDrawObject* object : {Target(), Copy()}) {
        if (IDOCurve* curve = Supports<IDOCurve>(object)) {
            curve->SetStartPoint(p);
            curve->SetEndPoint(p);
            curve->SetControlPoint(p);
        }
    }
    if (IDOCurve* curve = Supports<IDOCurve>(Copy()))
        curve->BeginCurveEdit();
    FStart0 = FEnd0 = FControl0 = p;
}

void TCurveCreateGhost::Apply(TShiftState)
{
    if (IDOCurve* curve = Supports<IDOCurve>(Copy()))
        curve->EndCurveEdit();
    FinishCreation(*this);
}

void TCurveCreateGhost::Discard()
{
    DiscardCreation(*this);
}

} // namespace velmo
