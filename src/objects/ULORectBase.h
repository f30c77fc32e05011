#pragma once
// Label objects kept as a logical base rectangle (shapes, images, backgrounds, text,
// barcodes): geometry, hit test and the rectangle interfaces.
#include "objects/ULabelObject.h"

namespace velmo {

class TLORectBase : public TLabelObject,
                    public IDOBaseRect,
                    public IDOEncloseBounds,
                    public IDOBounds,
                    public IDODraw
{
    VELMO_DRAW_OBJECT(TLORectBase, TLabelObject)
public:
    explicit TLORectBase(TComponent* owner = nullptr);

    void* QueryInterface(const TGUID& iid) override;

    const TLogRect& BaseRect() const { return FRect; }
    // Normalises; an equal rectangle changes nothing, otherwise the bounds are
    // updated and one change is reported.
    virtual void SetBaseRect(const TLogRect& rect);
    // Resizes so that the enclosing rectangle gets this size.
    void SetEncloseSize(int width, int height) override;
    // The outline shown during a drag, in logical units.
    virtual void DrawGhost(QPainter& painter);
    virtual bool KeepAspect() const { return false; }

    // Logical geometry behind the published Left, Top, Width and Height.
    int PropLeft() const override { return FRect.Left; }
    void SetPropLeft(int value) override;
    int PropTop() const override { return FRect.Top; }
    void SetPropTop(int value) override;
    int PropWidth() const override { return FRect.Width(); }
    void SetPropWidth(int value) override;
    int PropHeight() const override { return FRect.Height(); }
    void SetPropHeight(int value) override;

    TLogRect GetEncloseRect() const override { return FRect; }
    bool HitTest(QPoint logical) override;
    void Paint(QPainter& painter) override;

    // IDOBaseRect
    TLogRect GetBaseRect() const override { return FRect; }
    // IDOEncloseBounds
    void MoveBy(int dx, int dy) override;
    TLogRect GetEncloseBounds() const override { return GetEncloseRect(); }
    // IDOBounds
    int GetBoundsLeft() const override { return PropLeft(); }
    void SetBoundsLeft(int value) override { SetPropLeft(value); }
    int GetBoundsTop() const override { return PropTop(); }
    void SetBoundsTop(int value) override { SetPropTop(value); }
    int GetBoundsWidth() const override { return PropWidth(); }
    void SetBoundsWidth(int value) override { SetPropWidth(value); }
    int GetBoundsHeight() const override { return PropHeight(); }
    void SetBoundsHeight(int value) override { SetPropHeight(value); }
    bool KeepsAspect() const override { return KeepAspect(); }
    // IDODraw
    void DrawObjectTo(QPainter& painter) override { DrawTo(painter); }
    void DrawGhostOutline(QPainter& painter) override { DrawGhost(painter); }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    TLogRect FRect;
};

} // namespace velmo
