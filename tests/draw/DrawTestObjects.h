#pragma once
// A minimal draw object for the site's tests: a filled rectangle in logical units
// that can be told to fail while painting and moves with a simple move ghost.
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UGhost.h"
#include <QPainter>
#include <stdexcept>

namespace velmo::test {

class TTestBox : public TDrawObject, public IDOEncloseBounds, public IDOBlend
{
    VELMO_DRAW_OBJECT(TTestBox, TDrawObject)
public:
    explicit TTestBox(TComponent* owner = nullptr) : TDrawObject(owner) {}
    TTestBox(const TLogRect& rect, QColor color) : TDrawObject(nullptr), Rect(rect), Color(color) {}

    TLogRect Rect;
    QColor Color = Qt::red;
    bool FailPaint = false;
    int PaintCount = 0;
    int Ratio = 100;
    bool Blendable = false;

    void SetRect(const TLogRect& r)
    {
        Rect = r;
        UpdateBounds();
        Changed();
    }
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDOEncloseBounds::IID)
            return static_cast<IDOEncloseBounds*>(this);
        if (iid == IDOBlend::IID && Blendable)
            return static_cast<IDOBlend*>(this);
        return TDrawObject::QueryInterface(iid);
    }
    void Paint(QPainter& painter) override
    {
        ++PaintCount;
        if (FailPaint)
            throw std::runtime_error("broken object");
        painter.fillRect(QRectF(ToQRect(Rect)), Color);
    }
    void PaintMask(QPainter& mask) override { mask.fillRect(QRectF(ToQRect(Rect)), Qt::white); }
    bool HitTest(QPoint p) override { return PtInRect(Rect, p); }
    TLogRect GetEncloseRect() const override { return Rect; }
    void ShowPivots() override
    {
        Site()->PlacePivot(std::make_unique<TPivot>(this, 0), {Rect.Left, Rect.Top});
        Site()->PlacePivot(std::make_unique<TPivot>(this, 7), {Rect.Right, Rect.Bottom});
    }
    void BeginDrag(int pivotIndex) override;

    // IDOEncloseBounds
    void MoveBy(int dx, int dy) override { SetRect(OffsetRect(Rect, dx, dy)); }
    void SetEncloseSize(int w, int h) override
    {
        SetRect({Rect.Left, Rect.Top, Rect.Left + w, Rect.Top + h});
    }
    TLogRect GetEncloseBounds() const override { return Rect; }
    // IDOBlend
    void SetBlendShade(bool) override {}
    bool GetBlendShade() const override { return false; }
    void SetBlendRatio(int r) override { Ratio = r; }
    int GetBlendRatio() const override { return Ratio; }

protected:
    void AssignDrawObject(const TDrawObject& source) override
    {
        TDrawObject::AssignDrawObject(source);
        if (const auto* other = dynamic_cast<const TTestBox*>(&source)) {
            Color = other->Color;
            SetRect(other->Rect);
        }
    }
};

// Moves its target by the pointer's movement when applied.
class TTestMoveGhost : public TGhost
{
public:
    explicit TTestMoveGhost(TTestBox* target) : FTarget(target) {}
    void Start(QPoint) override {}
    void Draw(QPainter& painter) override
    {
        painter.drawRect(QRectF(ToQRect(OffsetRect(FTarget->Rect, FMove.x(), FMove.y()))));
    }
    void Track(TShiftState, QPoint movement) override { FMove = movement; }
    void Apply(TShiftState) override { FTarget->MoveBy(FMove.x(), FMove.y()); }

private:
    TTestBox* FTarget;
    QPoint FMove;
};

inline void TTestBox::BeginDrag(int)
{
    TGhostList::Instance().Add(std::make_unique<TTestMoveGhost>(this));
}

} // namespace velmo::test
