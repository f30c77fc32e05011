#pragma once
// The draw site: one widget that holds draw objects in z-order, paints them through
// its scaler at any zoom, hit-tests them, keeps their selection and runs the mouse
// protocol that starts ghosts. The same paint path draws the site onto any other
// painter (preview images, printer pages, PDF) without touching its on-screen state.
//
// This module is the widget itself and so includes QtWidgets; everything the site
// paints goes through QPainter and the scaler only.
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include "draw/UDrawObject.h"
#include "draw/UGhost.h"
#include "draw/UNotify.h"
#include "draw/UScaler.h"
#include <QCursor>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace velmo {

class TDrawSite : public QWidget, public TComponent
{
    VELMO_PERSISTENT(TDrawSite, TComponent)
public:
    explicit TDrawSite(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TDrawSite() override;

    // ---- published state
    int LogWidth() const { return FLogWidth; }
    void SetLogWidth(int value);
    int LogHeight() const { return FLogHeight; }
    void SetLogHeight(int value);
    TScaler* Scaler() const { return FScaler.get(); }
    void SetScaler(TScaler* value);
    int MoveCursor() const { return FMoveCursor; }
    void SetMoveCursor(int value) { FMoveCursor = value; }
    bool Border() const { return FBorder; }
    void SetBorder(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    bool Modified() const { return FModified; }
    void SetModified(bool value);
    bool PivotsDirty() const { return FPivotsDirty; }

    std::function<void(TDrawSite* sender, QPainter& painter)> OnPaintAfter;
    std::function<void(TDrawSite* sender, QPainter& painter)> OnPaint;
    std::function<void(TDrawSite* sender)> OnScalerChanged;
    std::function<void(TComponent* sender)> OnClearGhost;
    std::function<void(TDrawSite* sender)> OnModifyChanged;
    std::function<void(TDrawSite* sender, int index)> OnDrawToProgress;
    std::function<void(TDrawSite* sender)> OnClick;
    std::function<void(TDrawSite* sender)> OnDblClick;

    IChangeBroadcaster& Broadcaster() { return *FBroadcaster; }

    // ---- the object list (z-order: index 0 is painted first)
    int ObjectCount() const { return int(FObjects.size()); }
    TDrawObject* Objects(int index) const { return FObjects.at(size_t(index)); }
    int IndexOfObject(const TDrawObject* object) const;
    void MoveObject(int from, int to);

    // ---- coordinates, with the site's device resolution and scaler
    int SiteDPI() const;
    QPoint ToLogical(QPoint device) const;
    QPoint ToDevice(QPoint logical) const;
    TLogRect RectToDevice(const TLogRect& logical) const;

    TDrawObject* ObjectAt(QPoint logical) const;
    void SelectAll(bool value);
    // Appends objects from the top of the z-order down.
    void Collect(TDOList& list, bool selectedOnly) const;
    void SelectInRect(const TLogRect& deviceRect);
    void AddObject(TDrawObject* object);
    void UpdateBounds(TDrawObject* object);
    void Rescale();
    bool IsPaintingCopy() const { return FPaintingCopy; }
    QPainter* TargetCanvas() const { return FTargetCanvas; }

    // ---- pivots
    void RefreshPivots();
    bool HidePivots();
    void DeletePivots();
    // Takes ownership of the pivot and places it centred on the logical point.
    TPivot* PlacePivot(std::unique_ptr<TPivot> pivot, QPoint logical);
    int PivotCount() const { return int(FPivots.size()); }
    TPivot* Pivots(int index) const { return FPivots.at(size_t(index)).get(); }

    // ---- drawing onto another painter
    void DrawTo(QPainter& painter, QPoint deviceOffset, int scalePercent);
    int FitScale(QPainter& painter, const TLogRect& rect, bool fitHeight, bool fitWidth) const;
    int FitScale(int deviceDpi, const TLogRect& rect, bool fitHeight, bool fitWidth) const;

    // ---- the mouse protocol (device point relative to the site)
    void ObjectPress(Qt::MouseButton button, TShiftState shift, TDrawObject* object, int pivotIndex,
                     QPoint device);
    void SitePress(Qt::MouseButton button, TShiftState shift, QPoint device);
    void SiteMove(TShiftState shift, QPoint device);
    void SiteRelease(Qt::MouseButton button, TShiftState shift, QPoint device);
    void SiteClick();
    // A drag (an object, a handle, the selection band) that reaches the edge of the
    // visible part of the scroll area the site sits in scrolls it along, however deep
    // the site is nested in the viewport; held still there, it keeps scrolling until
    // the drag ends. False when nothing scrolled.
    bool AutoScroll(QPoint device);
    // The window system took the mouse away: the drag is cancelled.
    void CancelMode();

    // ---- components
    void Loaded() override;
    void GetChildren(const TGetChildProc& proc, const TComponent* root) const override;
    void Notification(TComponent* component, TOperation operation) override;

    // Called by draw objects entering or leaving the site.
    void InsertObject(TDrawObject* object);
    void RemoveObject(TDrawObject* object);
    void InvalidateDevice(const TLogRect& deviceRect);

protected:
    virtual void PaintAfter(QPainter& painter);
    virtual void DrawToProgress(int index);
    virtual void DrawObjectTo(TDrawObject* object);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void PaintBackground(QPainter& painter);
    void PaintObjects(QPainter& painter, const QRect& area);
    void ScalerChanged();
    void ListenerCallback(TComponent* sender, const TGUID& kind);
    TPivot* PivotAt(QPoint device) const;
    // The object a press at a device point belongs to: the topmost whose bounds
    // hold it and whose HitTest answers; presses elsewhere fall through.
    TDrawObject* WindowHitTest(QPoint device) const;
    void AutoScrollTick();
    void KeyShift(Qt::KeyboardModifiers modifiers);
    void UpdateHoverCursor(QPoint device);

    int FLogWidth = 0;
    int FLogHeight = 0;
    std::unique_ptr<TScaler> FScaler;
    int FMoveCursor = 0;
    bool FBorder = true;
    TColor FColor = clWindow;
    bool FDoubleBuffered = true;
    bool FModified = false;
    bool FPivotsDirty = false;
    TDrawObject* FClickTarget = nullptr;
    bool FToggleOnClick = false;
    bool FPressed = false;
    QPainter* FTargetCanvas = nullptr;
    bool FPaintingCopy = false;
    std::unique_ptr<TBroadcaster> FBroadcaster;
    std::unique_ptr<TListener> FListener;
    std::vector<TDrawObject*> FObjects;
    std::vector<std::unique_ptr<TPivot>> FPivots;
    QImage FGhostCache;
    QTimer* FAutoScrollTimer = nullptr;
    bool FHoverCursor = false;
    QCursor FSavedCursor;
};

} // namespace velmo
