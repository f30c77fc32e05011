#include "draw/FDrawSite.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace velmo {

TDrawSite::TDrawSite(TComponent* owner, QWidget* parent)
    : QWidget(parent), TComponent(owner), FScaler(std::make_unique<TScaler>()),
      FBroadcaster(std::make_unique<TBroadcaster>(this)), FListener(std::make_unique<TListener>())
{
    FScaler->OnChange = [this] { ScalerChanged(); };
    FListener->SetCallback([this](TComponent* sender, const TGUID& kind) { ListenerCallback(sender, kind); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

TDrawSite::~TDrawSite()
{
    TGhostList& ghosts = TGhostList::Instance();
    if (ghosts.Site() == this)
        ghosts.Cancel();
    FPivots.clear();
    // Owned objects go first, while the site can still take them off its list.
    DestroyComponents();
    for (TDrawObject* object : std::vector<TDrawObject*>(FObjects))
        object->FSite = nullptr;
    FObjects.clear();
    FClickTarget = nullptr;
    FListener.reset();
    FBroadcaster.reset();
}

const TPropertyTable& TDrawSite::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("LogWidth", &TDrawSite::LogWidth, &TDrawSite::SetLogWidth)
            .Int("LogHeight", &TDrawSite::LogHeight, &TDrawSite::SetLogHeight)
            .Object("Scaler", &TDrawSite::Scaler, &TDrawSite::SetScaler)
            .Int("MoveCursor", &TDrawSite::MoveCursor, &TDrawSite::SetMoveCursor)
            .Default(0)
            .Idents(CursorIdents())
            .Bool("Border", &TDrawSite::Border, &TDrawSite::SetBorder)
            .Default(1)
            .Int("Color", &TDrawSite::Color, &TDrawSite::SetColor)
            .Default(clWindow)
            .Idents(ColorIdents())
            .Bool("DoubleBuffered", &TDrawSite::DoubleBuffered, &TDrawSite::SetDoubleBuffered)
            .Default(1);
    return table;
}

// ---------------------------------------------------------------------------------
// State

void TDrawSite::SetLogWidth(int value)
{
    if (value == FLogWidth)
        return;
    FLogWidth = value;
    Rescale();
}

void TDrawSite::SetLogHeight(int value)
{
    if (value == FLogHeight)
        return;
    FLogHeight = value;
    Rescale();
}

void TDrawSite::SetScaler(TScaler* value)
{
    if (value && value != FScaler.get())
        FScaler->Assign(*value);
}

void TDrawSite::SetBorder(bool value)
{
    if (value == FBorder)
        return;
    FBorder = value;
    update();
}

void TDrawSite::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    update();
}

void TDrawSite::SetModified(bool value)
{
    FPivotsDirty = true;
    if (FModified == value)
        return;
    FModified = value;
    if (OnModifyChanged)
        OnModifyChanged(this);
}

void TDrawSite::ScalerChanged()
{
    Rescale();
}

void TDrawSite::ListenerCallback(TComponent* sender, const TGUID& kind)
{
    if (kind == nkSelection || kind == nkMovable)
        FPivotsDirty = true;
    FBroadcaster->Notify(sender, kind);
}

// ---------------------------------------------------------------------------------
// Object list

int TDrawSite::IndexOfObject(const TDrawObject* object) const
{
    const auto it = std::find(FObjects.begin(), FObjects.end(), object);
    return it == FObjects.end() ? -1 : int(it - FObjects.begin());
}

void TDrawSite::MoveObject(int from, int to)
{
    if (from < 0 || from >= ObjectCount() || from == to)
        return;
    to = std::clamp(to, 0, ObjectCount() - 1);
    TDrawObject* object = FObjects[size_t(from)];
    FObjects.erase(FObjects.begin() + from);
    FObjects.insert(FObjects.begin() + to, object);
    InvalidateDevice(object->BoundsRect());
}

void TDrawSite::InsertObject(TDrawObject* object)
{
    if (!object || IndexOfObject(object) >= 0)
        return;
    FObjects.push_back(object);
    FListener->ListenTo(&object->Notifier());
    if (!object->IsLoading())
        UpdateBounds(object);
}

void TDrawSite::RemoveObject(TDrawObject* object)
{
    const int i = IndexOfObject(object);
    if (i < 0)
        return;
    FObjects.erase(FObjects.begin() + i);
    FListener->StopListening(&object->Notifier());
    if (FClickTarget == object)
        FClickTarget = nullptr;
    const auto owned = [object](const std::unique_ptr<TPivot>& p) { return p->Owner() == object; };
    if (std::any_of(FPivots.begin(), FPivots.end(), owned)) {
        FPivots.erase(std::remove_if(FPivots.begin(), FPivots.end(), owned), FPivots.end());
        FPivotsDirty = true;
    }
    InvalidateDevice(object->BoundsRect());
}

void TDrawSite::InvalidateDevice(const TLogRect& r)
{
    FGhostCache = QImage();
    if (r.Width() > 0 && r.Height() > 0)
        update(ToQRect(r));
}

void TDrawSite::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
}

void TDrawSite::GetChildren(const TGetChildProc& proc, const TComponent* root) const
{
    for (TDrawObject* object : FObjects)
        if (object->Owner() == root)
            proc(object);
}

void TDrawSite::Loaded()
{
    TComponent::Loaded();
    if (FLogWidth != 0 || FLogHeight != 0) {
        Rescale();
    } else {
        const QPoint size = ToLogical(QPoint(width(), height()));
        FLogWidth = size.x();
        FLogHeight = size.y();
    }
    SetModified(false);
}

// ---------------------------------------------------------------------------------
// Coordinates

int TDrawSite::SiteDPI() const
{
    return DeviceDPI(this);
}

QPoint TDrawSite::ToLogical(QPoint device) const
{
    return FScaler->ToLogical(SiteDPI(), device);
}

QPoint TDrawSite::ToDevice(QPoint logical) const
{
    return FScaler->ToDevice(SiteDPI(), logical);
}

TLogRect TDrawSite::RectToDevice(const TLogRect& logical) const
{
    return FScaler->RectToDevice(SiteDPI(), logical);
}

TDrawObject* TDrawSite::ObjectAt(QPoint logical) const
{
    for (int i = ObjectCount() - 1; i >= 0; --i) {
        TDrawObject* object = FObjects[size_t(i)];
        if (object->Visible() && object->HitTest(logical))
            return object;
    }
    return nullptr;
}

void TDrawSite::SelectAll(bool value)
{
    for (int i = ObjectCount() - 1; i >= 0; --i) {
        if (i >= ObjectCount())
            continue;
        TDrawObject* object = FObjects[size_t(i)];
        if (object->Selected() != value)
            object->SetSelected(value);
    }
}

void TDrawSite::Collect(TDOList& list, bool selectedOnly) const
{
    for (int i = ObjectCount() - 1; i >= 0; --i) {
        TDrawObject* object = FObjects[size_t(i)];
        if (!selectedOnly || object->Selected())
            list.Add(object);
    }
}

void TDrawSite::SelectInRect(const TLogRect& r)
{
    TDOList list;
    Collect(list, false);
    for (TDrawObject* object : list.Objects()) {
        const TLogRect& b = object->BoundsRect();
        if (object->Visible() && b.Left >= r.Left && b.Top >= r.Top && b.Right <= r.Right &&
            b.Bottom <= r.Bottom)
            object->SetSelected(true);
    }
}

void TDrawSite::AddObject(TDrawObject* object)
{
    if (!object)
        return;
    object->SetSite(this);
    UpdateBounds(object);
    object->BringToFrontInLayer();
    SetModified(true);
}

void TDrawSite::UpdateBounds(TDrawObject* object)
{
    if (!object || FPaintingCopy)
        return;
    TLogRect r = RectToDevice(object->GetEncloseRect());
    r.Right += 1;
    r.Bottom += 1;
    object->SetBoundsRect(r);
}

void TDrawSite::Rescale()
{
    if (IsLoading() || FPaintingCopy)
        return;
    FGhostCache = QImage();
    const TLogRect size = RectToDevice({0, 0, FLogWidth, FLogHeight});
    resize(std::max(0, size.Width()), std::max(0, size.Height()));
    const bool hadPivots = HidePivots();
    for (TDrawObject* object : FObjects)
        UpdateBounds(object);
    update();
    if (hadPivots)
        RefreshPivots();
    if (OnScalerChanged)
        OnScalerChanged(this);
}

// ---------------------------------------------------------------------------------
// Pivots

void TDrawSite::RefreshPivots()
{
    if (!FPivotsDirty || FPressed)
        return;
    DeletePivots();
    TDOList selected;
    Collect(selected, true);
    for (TDrawObject* object : selected.Objects())
        object->ShowPivots();
    if (selected.Count() > 1)
        for (const auto& pivot : FPivots)
            pivot->SetCursor(crDefault);
    FPivotsDirty = false;
}

bool TDrawSite::HidePivots()
{
    bool any = false;
    for (const auto& pivot : FPivots) {
        if (pivot->Visible()) {
            pivot->SetVisible(false);
            InvalidateDevice(pivot->DeviceRect());
            any = true;
        }
    }
    FPivotsDirty = true;
    return any;
}

void TDrawSite::DeletePivots()
{
    FPivots.clear();
    FPivotsDirty = true;
    update();
}

TPivot* TDrawSite::PlacePivot(std::unique_ptr<TPivot> pivot, QPoint logical)
{
    const QPoint d = ToDevice(logical);
    const int size = pivot->Size();
    const int half = size / 2;
    pivot->SetDeviceRect({d.x() - half, d.y() - half, d.x() - half + size, d.y() - half + size});
    if (pivot->Owner() && !pivot->Owner()->Movable())
        pivot->SetCursor(crDefault);
    FPivots.push_back(std::move(pivot));
    InvalidateDevice(FPivots.back()->DeviceRect());
    return FPivots.back().get();
}

TPivot* TDrawSite::PivotAt(QPoint device) const
{
    for (auto it = FPivots.rbegin(); it != FPivots.rend(); ++it)
        if ((*it)->Visible() && PtInRect((*it)->DeviceRect(), device))
            return it->get();
    return nullptr;
}

TDrawObject* TDrawSite::WindowHitTest(QPoint device) const
{
    if (TGhostList::Instance().Active())
        return nullptr;
    const QPoint logical = ToLogical(device);
    for (int i = ObjectCount() - 1; i >= 0; --i) {
        TDrawObject* object = FObjects[size_t(i)];
        if (object->Visible() && PtInRect(object->BoundsRect(), device) && object->HitTest(logical))
            return object;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------
// Painting

void TDrawSite::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    QPainter window(this);
    TGhostList& ghosts = TGhostList::Instance();
    const bool ghosting = ghosts.Active() && ghosts.Site() == this;
    if (ghosting && FDoubleBuffered && !size().isEmpty()) {
        // Nothing under the ghosts changes during a drag: the objects are painted
        // once and each mouse move only copies them back and draws the ghosts over.
        if (FGhostCache.size() != size()) {
            FGhostCache = QImage(size(), QImage::Format_RGB32);
            SetImageDPI(FGhostCache, SiteDPI());
            FGhostCache.fill(palette().color(QPalette::Window));
            QPainter painter(&FGhostCache);
            PaintBackground(painter);
            PaintObjects(painter, rect());
        }
        window.drawImage(area.topLeft(), FGhostCache, area);
    } else if (FDoubleBuffered && !area.isEmpty()) {
        FGhostCache = QImage();
        QImage buffer(area.size(), QImage::Format_RGB32);
        SetImageDPI(buffer, SiteDPI());
        buffer.fill(palette().color(QPalette::Window));
        {
            QPainter painter(&buffer);
            painter.translate(-area.topLeft());
            PaintBackground(painter);
            PaintObjects(painter, area);
        }
        window.drawImage(area.topLeft(), buffer);
    } else {
        FGhostCache = QImage();
        window.setClipRect(area);
        PaintBackground(window);
        PaintObjects(window, area);
    }
    {
        TCanvasSaver saver(window);
        FScaler->ApplyMapping(window, SiteDPI());
        PaintAfter(window);
    }
    if (ghosting) {
        TCanvasSaver saver(window);
        FScaler->ApplyMapping(window, SiteDPI());
        window.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        window.setPen(DevicePixelPen(Qt::white, Qt::DotLine));
        window.setBrush(Qt::NoBrush);
        ghosts.DrawGhosts(window);
    }
}

void TDrawSite::PaintBackground(QPainter& painter)
{
    if (!FPaintingCopy && FColor != clNone)
        painter.fillRect(rect(), ToQColor(FColor));
    if (OnPaint) {
        TCanvasSaver saver(painter);
        FScaler->ApplyMapping(painter, SiteDPI());
        OnPaint(this, painter);
    }
}

void TDrawSite::PaintObjects(QPainter& painter, const QRect& area)
{
    const int dpi = SiteDPI();
    for (size_t i = 0; i < FObjects.size(); ++i) {
        TDrawObject* object = FObjects[i];
        if (!object->Visible())
            continue;
        const QRect bounds = ToQRect(object->BoundsRect());
        if (!bounds.intersects(area))
            continue;
        TCanvasSaver saver(painter);
        painter.setClipRect(bounds, Qt::IntersectClip);
        object->PaintOnSite(painter, dpi);
    }
    for (const auto& pivot : FPivots)
        if (pivot->Visible() && ToQRect(pivot->DeviceRect()).intersects(area))
            pivot->Paint(painter);
}

void TDrawSite::PaintAfter(QPainter& painter)
{
    if (OnPaintAfter)
        OnPaintAfter(this, painter);
    if (!FBorder)
        return;
    TCanvasSaver saver(painter);
    if (FPaintingCopy) {
        // On another device the frame follows the site's logical extent.
        painter.setPen(DevicePixelPen(Qt::black));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0, 0, FLogWidth, FLogHeight));
        return;
    }
    painter.resetTransform();
    FrameDeviceRect(painter, {0, 0, width(), height()}, Qt::black);
}

void TDrawSite::DrawToProgress(int index)
{
    if (OnDrawToProgress)
        OnDrawToProgress(this, index);
}

void TDrawSite::DrawObjectTo(TDrawObject* object)
{
    if (FTargetCanvas)
        object->DrawTo(*FTargetCanvas);
}

void TDrawSite::DrawTo(QPainter& painter, QPoint deviceOffset, int scalePercent)
{
    TCanvasSaver saver(painter);
    const int oldScale = FScaler->Scale();
    FTargetCanvas = &painter;
    FPaintingCopy = true;
    struct Restore
    {
        TDrawSite* Site;
        int Scale;
        ~Restore()
        {
            // Still marked as copying: restoring the scale moves nothing.
            Site->FScaler->SetScale(Scale);
            Site->FTargetCanvas = nullptr;
            Site->FPaintingCopy = false;
        }
    } restore{this, oldScale};
    painter.translate(deviceOffset);
    FScaler->SetScale(scalePercent);
    FScaler->ApplyMapping(painter);
    if (OnPaint)
        OnPaint(this, painter);
    for (int i = 0; i < ObjectCount(); ++i) {
        TDrawObject* object = FObjects[size_t(i)];
        if (object->Visible())
            DrawObjectTo(object);
        DrawToProgress(i);
    }
    PaintAfter(painter);
}

int TDrawSite::FitScale(int deviceDpi, const TLogRect& rect, bool fitHeight, bool fitWidth) const
{
    TScaler scaler;
    scaler.Assign(*FScaler);
    scaler.SetScale(100);
    const QPoint size = scaler.ToDevice(deviceDpi, QPoint(FLogWidth, FLogHeight));
    const int bw = size.x() != 0 ? MulDiv(100, rect.Width(), size.x()) : 100;
    const int bh = size.y() != 0 ? MulDiv(100, rect.Height(), size.y()) : 100;
    if (fitWidth && fitHeight)
        return std::min(bw, bh);
    if (fitWidth)
        return bw;
    if (fitHeight)
        return bh;
    return 100;
}

int TDrawSite::FitScale(QPainter& painter, const TLogRect& rect, bool fitHeight, bool fitWidth) const
{
    return FitScale(CanvasDPI(painter), rect, fitHeight, fitWidth);
}

// ---------------------------------------------------------------------------------
// Mouse protocol

void TDrawSite::ObjectPress(Qt::MouseButton button, TShiftState shift, TDrawObject* object, int pivotIndex,
                            QPoint device)
{
    if (!object)
        return SitePress(button, shift, device);
    if (object->Selected()) {
        if (shift & Qt::ShiftModifier)
            FToggleOnClick = true;
    } else {
        if (!(shift & Qt::ShiftModifier))
            SelectAll(false);
        object->SetSelected(true);
    }
    if (button != Qt::LeftButton)
        return;
    FClickTarget = object;
    FPressed = true;
    TGhostList& ghosts = TGhostList::Instance();
    if (!ghosts.Active()) {
        TDOList selected;
        Collect(selected, true);
        const int n = selected.Count();
        for (int i = n - 1; i >= 0; --i) {
            TDrawObject* item = selected[i];
            if (item->Movable())
                item->BeginDrag(n == 1 ? pivotIndex : -1);
        }
    }
    SitePress(button, shift, device);
}

void TDrawSite::SitePress(Qt::MouseButton button, TShiftState shift, QPoint device)
{
    if (focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    if (button != Qt::LeftButton) {
        SelectAll(false);
        return;
    }
    FPressed = true;
    const QPoint logical = ToLogical(device);
    TGhostList& ghosts = TGhostList::Instance();
    // A drag prepared by the objects (ghosts added, not yet started) counts as a
    // ghost operation here.
    if (!ghosts.Active() && ghosts.Count() == 0) {
        TDrawObject* hit = ObjectAt(logical);
        if (!hit || !hit->Selectable()) {
            if (!(shift & Qt::ShiftModifier))
                SelectAll(false);
            ghosts.Add(std::make_unique<TSelectGhost>());
        }
    }
    if (!ghosts.Active() && ghosts.Count() > 0) {
        HidePivots();
        ghosts.OnEnd = [this] {
            if (OnClearGhost)
                OnClearGhost(this);
        };
        const QPoint extent = ToLogical(QPoint(width(), height()));
        ghosts.Start(this, {0, 0, extent.x(), extent.y()}, logical, shift);
    } else {
        FPressed = false;
        RefreshPivots();
        FPressed = true;
    }
}

void TDrawSite::SiteMove(TShiftState shift, QPoint device)
{
    TGhostList& ghosts = TGhostList::Instance();
    if (!ghosts.Active() || ghosts.Site() != this)
        return;
    AutoScroll(device);
    ghosts.Track(shift, ToLogical(device));
}

void TDrawSite::SiteRelease(Qt::MouseButton button, TShiftState shift, QPoint device)
{
    if (button != Qt::LeftButton)
        return;
    TGhostList& ghosts = TGhostList::Instance();
    bool hadGhosts = false;
    if (ghosts.Active() && ghosts.Site() == this) {
        hadGhosts = true;
        ghosts.Track(shift, ToLogical(device));
        ghosts.End();
    } else if (!ghosts.Active() && ghosts.Count() > 0) {
        ghosts.Clear();
    }
    FPressed = false;
    if (hadGhosts)
        RefreshPivots();
    FClickTarget = nullptr;
}

void TDrawSite::SiteClick()
{
    TGhostList& ghosts = TGhostList::Instance();
    const bool moved = ghosts.Active() && ghosts.Site() == this && ghosts.Moved();
    if (TDrawObject* target = FClickTarget) {
        if (!moved && FToggleOnClick)
            target->SetSelected(false);
        if (target->OnClick)
            target->OnClick(target);
    } else if (OnClick) {
        OnClick(this);
    }
    FToggleOnClick = false;
}

void TDrawSite::CancelMode()
{
    TGhostList& ghosts = TGhostList::Instance();
    if (ghosts.Site() == this || (!ghosts.Active() && ghosts.Count() > 0))
        ghosts.Cancel();
    FPressed = false;
    FClickTarget = nullptr;
    FToggleOnClick = false;
}

void TDrawSite::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const TShiftState shift = GhostShift(event->modifiers());
    if (!TGhostList::Instance().Active()) {
        if (TPivot* pivot = PivotAt(pos)) {
            ObjectPress(event->button(), {}, pivot->Owner(), pivot->Index(), pos);
            return;
        }
    }
    if (TDrawObject* object = WindowHitTest(pos)) {
        object->BeforePress(event->button(), shift);
        ObjectPress(event->button(), shift, object, -1, pos);
        if (IndexOfObject(object) >= 0)
            object->AfterPress(event->button());
    } else {
        SitePress(event->button(), shift, pos);
    }
}

void TDrawSite::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!TGhostList::Instance().Active())
        UpdateHoverCursor(pos);
    SiteMove(GhostShift(event->modifiers()), pos);
}

void TDrawSite::UpdateHoverCursor(QPoint device)
{
    // Over a pivot or an object the site shows their cursor; elsewhere the cursor the
    // site's owner gave it (a creation cross, say).
    int cursor = 0;
    bool over = false;
    if (TPivot* pivot = PivotAt(device)) {
        cursor = pivot->Cursor();
        over = true;
    } else if (TDrawObject* object = WindowHitTest(device)) {
        cursor = object->Cursor();
        over = cursor != 0;
    }
    if (over) {
        if (!FHoverCursor) {
            FSavedCursor = this->cursor();
            FHoverCursor = true;
        }
        setCursor(CursorFor(cursor));
    } else if (FHoverCursor) {
        FHoverCursor = false;
        setCursor(FSavedCursor);
    }
}

void TDrawSite::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    // As a control reports a click before its button-up.
    if (event->button() == Qt::LeftButton && FPressed && rect().contains(pos))
        SiteClick();
    SiteRelease(event->button(), GhostShift(event->modifiers()), pos);
}

void TDrawSite::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (TDrawObject* object = WindowHitTest(pos)) {
        if (object->OnDblClick)
            object->OnDblClick(object);
    } else if (OnDblClick) {
        OnDblClick(this);
    }
}

void TDrawSite::KeyShift(Qt::KeyboardModifiers modifiers)
{
    TGhostList& ghosts = TGhostList::Instance();
    if (ghosts.Active() && ghosts.Site() == this)
        ghosts.Track(GhostShift(modifiers), ToLogical(mapFromGlobal(QCursor::pos())));
}

void TDrawSite::keyPressEvent(QKeyEvent* event)
{
    KeyShift(event->modifiers());
    QWidget::keyPressEvent(event);
}

void TDrawSite::keyReleaseEvent(QKeyEvent* event)
{
    KeyShift(event->modifiers());
    QWidget::keyReleaseEvent(event);
}

void TDrawSite::focusOutEvent(QFocusEvent* event)
{
    if (TGhostList::Instance().Active() && TGhostList::Instance().Site() == this)
        CancelMode();
    QWidget::focusOutEvent(event);
}

bool TDrawSite::focusNextPrevChild(bool)
{
    // The arrow and tab keys stay with the site.
    return false;
}

bool TDrawSite::AutoScroll(QPoint device)
{
    TGhostList& ghosts = TGhostList::Instance();
    if (!ghosts.Active() || ghosts.Site() != this)
        return false;
    QAbstractScrollArea* area = nullptr;
    for (QWidget* w = parentWidget(); w && !area; w = w->parentWidget())
        if (auto* a = qobject_cast<QAbstractScrollArea*>(w); a && a->viewport()->isAncestorOf(this))
            area = a;
    if (!area)
        return false;
    // A band along the inside of the viewport's edge counts as the edge, so that a
    // window that fills the screen still scrolls; the step grows with the distance
    // beyond it.
    constexpr int kEdge = 12;
    QWidget* viewport = area->viewport();
    const QPoint p = mapTo(viewport, device);
    auto step = [](QScrollBar* bar, int position, int length) {
        const int unit = std::max(bar->singleStep(), 8);
        int delta = 0;
        if (position < kEdge)
            delta = -unit * (1 + std::min(4, (kEdge - position) / 32));
        else if (position >= length - kEdge)
            delta = unit * (1 + std::min(4, (position - (length - kEdge)) / 32));
        const int before = bar->value();
        bar->setValue(before + delta);
        return bar->value() != before;
    };
    const bool h = step(area->horizontalScrollBar(), p.x(), viewport->width());
    const bool v = step(area->verticalScrollBar(), p.y(), viewport->height());
    if (!h && !v)
        return false;
    if (!FAutoScrollTimer) {
        FAutoScrollTimer = new QTimer(this);
        FAutoScrollTimer->setInterval(60);
        connect(FAutoScrollTimer, &QTimer::timeout, this, [this] { AutoScrollTick(); });
    }
    FAutoScrollTimer->start();
    update();
    return true;
}

void TDrawSite::AutoScrollTick()
{
    // The mouse held still at the edge keeps scrolling until the drag ends.
    const QPoint device = mapFromGlobal(QCursor::pos());
    if (!(QApplication::mouseButtons() & Qt::LeftButton) || !AutoScroll(device)) {
        FAutoScrollTimer->stop();
        return;
    }
    TGhostList::Instance().Track(GhostShift(QApplication::keyboardModifiers()), ToLogical(device));
}

} // namespace velmo
