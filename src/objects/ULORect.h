#pragma once
// Rectangles (optionally with rounded corners) and ellipses: a frame and a fill,
// each a colour setting, turned about the centre of the base rectangle.
#include "draw/UTransformer.h"
#include "objects/ULORectBase.h"
#include <QPainterPath>
#include <memory>

namespace velmo {

class TColorSpec;

class TLORect : public TLORectBase, public IDOFillColor, public IDOLineColor, public IDORotate
{
    VELMO_DRAW_OBJECT(TLORect, TLORectBase)
public:
    static constexpr int kDefaultFrameWidth = 10;

    explicit TLORect(TComponent* owner = nullptr);
    ~TLORect() override;

    void* QueryInterface(const TGUID& iid) override;

    int FrameWidth() const { return FFrameWidth; }
    void SetFrameWidth(int value);
    TColorSpec* FrameColor() const { return FFrameColor.get(); }
    TColorSpec* FillColor() const { return FFillColor.get(); }
    bool FillInside() const { return FFillInside; }
    void SetFillInside(bool value);
    int Angle() const { return FRotator.Angle(); }
    virtual void SetAngleValue(int value);
    bool RoundRect() const { return FRoundRect; }
    void SetRoundRect(bool value);

    // The outline path (rotated), built when needed.
    const TStroke& Outline();
    virtual void BuildOutline(TStroke& stroke) const;

    // IDOFillColor
    const TColorSpec* GetFillColor() const override { return FFillColor.get(); }
    void SetFillColor(const TColorSpec& color) override;
    bool GetNoFill() const override { return !FFillInside; }
    void SetNoFill(bool value) override { SetFillInside(!value); }
    // IDOLineColor
    const TColorSpec* GetLineColor() const override { return FFrameColor.get(); }
    void SetLineColor(const TColorSpec& color) override;
    // IDORotate
    int GetAngle() const override { return Angle(); }
    void SetAngle(int degrees) override { SetAngleValue(degrees); }

    void SetBaseRect(const TLogRect& rect) override;
    void SetEncloseSize(int width, int height) override;
    TLogRect GetEncloseRect() const override;
    void DrawGhost(QPainter& painter) override;
    void Paint(QPainter& painter) override;
    void PaintMask(QPainter& maskPainter) override;
    bool HitTest(QPoint logical) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    void PaintFill(QPainter& painter, const TLogRect& enclose);
    virtual void PaintFrame(QPainter& painter, const TLogRect& enclose);
    QPainterPath OutlinePath();
    void ShapeChanged();

private:
    void ReadRound(TReader& reader);
    void ColorChanged();

    int FFrameWidth = kDefaultFrameWidth;
    std::unique_ptr<TColorSpec> FFrameColor;
    std::unique_ptr<TColorSpec> FFillColor;
    std::unique_ptr<TListener> FColorListener;
    bool FFillInside = false;
    TRotator FRotator;
    TStroke FOutline;
    bool FRoundRect = false;
};

class TLOCircle : public TLORect
{
    VELMO_DRAW_OBJECT(TLOCircle, TLORect)
public:
    explicit TLOCircle(TComponent* owner = nullptr) : TLORect(owner) {}
    void BuildOutline(TStroke& stroke) const override;

protected:
    void PaintFrame(QPainter& painter, const TLogRect& enclose) override;
};

} // namespace velmo
