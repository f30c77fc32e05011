#pragma once
// Draw objects for the ghost tests: a turnable rectangle and a curve, answering the
// interfaces the ghosts work through.
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UGhost.h"
#include <QPainter>

namespace velmo::test {

class TGBox : public TDrawObject,
              public IDOEncloseBounds,
              public IDOBounds,
              public IDORotate,
              public IDODraw,
              public IDOAutoSize
{
    VELMO_DRAW_OBJECT(TGBox, TDrawObject)
public:
    explicit TGBox(TComponent* owner = nullptr) : TDrawObject(owner) {}
    TLogRect R;
    int Angle = 0;
    bool Keep = false;
    bool Rotates = true;
    bool Auto = false;

    void Set(const TLogRect& r)
    {
        R = r;
        UpdateBounds();
        Changed();
    }
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDOEncloseBounds::IID)
            return static_cast<IDOEncloseBounds*>(this);
        if (iid == IDOBounds::IID)
            return static_cast<IDOBounds*>(this);
        if (iid == IDORotate::IID && Rotates)
            return static_cast<IDORotate*>(this);
        if (iid == IDODraw::IID)
            return static_cast<IDODraw*>(this);
        if (iid == IDOAutoSize::IID)
            return static_cast<IDOAutoSize*>(this);
        return TDrawObject::QueryInterface(iid);
    }
    void Paint(QPainter& p) override { p.fillRect(QRectF(ToQRect(R)), Qt::darkGreen); }
    bool HitTest(QPoint p) override { return PtInRect(R, p); }
    TLogRect GetEncloseRect() const override { return R; }
    void ShowPivots() override {}
    void BeginDrag(int) override;

    void MoveBy(int dx, int dy) override { Set(OffsetRect(R, dx, dy)); }
    void SetEncloseSize(int w, int h) override { Set({R.Left, R.Top, R.Left + w, R.Top + h}); }
    TLogRect GetEncloseBounds() const override { return R; }
    int GetBoundsLeft() const override { return R.Left; }
    void SetBoundsLeft(int v) override { Set({v, R.Top, v + R.Width(), R.Bottom}); }
    int GetBoundsTop() const override { return R.Top; }
    void SetBoundsTop(int v) override { Set({R.Left, v, R.Right, v + R.Height()}); }
    int GetBoundsWidth() const override { return R.Width(); }
    void SetBoundsWidth(int v) override { Set({R.Left, R.Top, R.Left + v, R.Bottom}); }
    int GetBoundsHeight() const override { return R.Height(); }
    void SetBoundsHeight(int v) override { Set({R.Left, R.Top, R.Right, R.Top + v}); }
    bool KeepsAspect() const override { return Keep; }
    int GetAngle() const override { return Angle; }
    void SetAngle(int a) override
    {
        if (a != Angle) {
            Angle = a;
            Changed();
        }
    }
    void DrawObjectTo(QPainter& p) override { DrawTo(p); }
    void DrawGhostOutline(QPainter& p) override { p.drawRect(QRectF(ToQRect(R))); }
    bool GetAutoSize() const override { return Auto; }
    void SetAutoSize(bool v) override { Auto = v; }

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TDrawObject::AssignDrawObject(source);
        if (const auto* o = dynamic_cast<const TGBox*>(&source)) {
            Angle = o->Angle;
            Keep = o->Keep;
            Rotates = o->Rotates;
            Auto = o->Auto;
            Set(o->R);
        }
    }
};

inline void TGBox::BeginDrag(int pivot)
{
    TGhostList& g = TGhostList::Instance();
    if (pivot == -1)
        g.Add(std::make_unique<TMoveGhost>(this));
    else if (pivot >= 0 && pivot <= 7)
        g.Add(std::make_unique<TRectGhost>(this, pivot));
    else if (pivot == 8)
        g.Add(std::make_unique<TRotateGhost>(this));
}

class TGCurve : public TDrawObject, public IDOCurve, public IDOEncloseBounds, public IDODraw
{
    VELMO_DRAW_OBJECT(TGCurve, TDrawObject)
public:
    explicit TGCurve(TComponent* owner = nullptr) : TDrawObject(owner) {}
    QPoint A, B, C;
    int Edits = 0;
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDOCurve::IID)
            return static_cast<IDOCurve*>(this);
        if (iid == IDOLine::IID)
            return static_cast<IDOLine*>(this);
        if (iid == IDOEncloseBounds::IID)
            return static_cast<IDOEncloseBounds*>(this);
        if (iid == IDODraw::IID)
            return static_cast<IDODraw*>(this);
        return TDrawObject::QueryInterface(iid);
    }
    TLogRect GetEncloseRect() const override
    {
        return {std::min({A.x(), B.x(), C.x()}), std::min({A.y(), B.y(), C.y()}),
                std::max({A.x(), B.x(), C.x()}) + 1, std::max({A.y(), B.y(), C.y()}) + 1};
    }
    bool HitTest(QPoint) override { return false; }
    void ShowPivots() override {}
    void BeginDrag(int) override {}
    QPoint GetStartPoint() const override { return A; }
    void SetStartPoint(QPoint p) override { A = p; }
    QPoint GetEndPoint() const override { return B; }
    void SetEndPoint(QPoint p) override { B = p; }
    void BeginCurveEdit() override { ++Edits; }
    void EndCurveEdit() override { --Edits; }
    QPoint GetControlPoint() const override { return C; }
    void SetControlPoint(QPoint p) override { C = p; }
    void MoveBy(int dx, int dy) override
    {
        A += QPoint(dx, dy);
        B += QPoint(dx, dy);
        C += QPoint(dx, dy);
    }
    void SetEncloseSize(int, int) override {}
    TLogRect GetEncloseBounds() const override { return GetEncloseRect(); }
    void DrawObjectTo(QPainter& p) override { DrawTo(p); }
    void DrawGhostOutline(QPainter& p) override { p.drawLine(A, B); }

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TDrawObject::AssignDrawObject(source);
        if (const auto* o = dynamic_cast<const TGCurve*>(&source)) {
            A = o->A;
            B = o->B;
            C = o->C;
            Edits = o->Edits;
        }
    }
};

} // namespace velmo::test
