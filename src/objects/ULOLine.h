#pragma once
// Straight lines, arcs and decorative lines. Every stroke is painted by clipping to
// the widened path and filling with the line's colour setting, so solid colours,
// gradients and pictures all paint the same way.
#include "base/UGraphics.h"
#include "draw/UTransformer.h"
#include "objects/ULabelObject.h"
#include <QImage>
#include <QPainterPath>
#include <memory>
#include <vector>

namespace velmo {

class TColorSpec;

class TLOLine : public TLabelObject,
                public IDORotate,
                public IDOLine,
                public IDOBaseRect,
                public IDOLineColor,
                public IDODraw,
                public IDOEncloseBounds
{
    VELMO_DRAW_OBJECT(TLOLine, TLabelObject)
public:
    static constexpr int kDefaultLineWidth = 10;

    explicit TLOLine(TComponent* owner = nullptr);
    ~TLOLine() override;

    void* QueryInterface(const TGUID& iid) override;

    int StartX() const { return FStart.x(); }
    void SetStartX(int value) { SetStartPoint({value, FStart.y()}); }
    int StartY() const { return FStart.y(); }
    void SetStartY(int value) { SetStartPoint({FStart.x(), value}); }
    int EndX() const { return FEnd.x(); }
    void SetEndX(int value) { SetEndPoint({value, FEnd.y()}); }
    int EndY() const { return FEnd.y(); }
    void SetEndY(int value) { SetEndPoint({FEnd.x(), value}); }
    TColorSpec* LineColor() const { return FLineColor.get(); }
    int LineWidth() const { return FLineWidth; }
    virtual void SetLineWidth(int value);
    const TRotator& Rotator() const { return FRotator; }

    // IDORotate: the direction of the segment, -180..180.
    int GetAngle() const override;
    void SetAngle(int degrees) override;
    // IDOLine
    QPoint GetStartPoint() const override { return FStart; }
    void SetStartPoint(QPoint point) override;
    QPoint GetEndPoint() const override { return FEnd; }
    void SetEndPoint(QPoint point) override;
    // IDOBaseRect: the end points' rectangle, normalised.
    TLogRect GetBaseRect() const override;
    // IDOLineColor
    const TColorSpec* GetLineColor() const override { return FLineColor.get(); }
    void SetLineColor(const TColorSpec& color) override;
    // IDODraw
    void DrawObjectTo(QPainter& painter) override { DrawTo(painter); }
    void DrawGhostOutline(QPainter& painter) override { DrawGhost(painter); }
    // IDOEncloseBounds
    void MoveBy(int dx, int dy) override;
    void SetEncloseSize(int width, int height) override;
    TLogRect GetEncloseBounds() const override { return GetEncloseRect(); }

    virtual void DrawGhost(QPainter& painter);
    // The centre line as drawn (two points for a line, a polyline for an arc).
    virtual std::vector<QPoint> CenterLine() const;

    TLogRect GetEncloseRect() const override;
    void Paint(QPainter& painter) override;
    void PaintMask(QPainter& maskPainter) override;
    bool HitTest(QPoint logical) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    // Moves the rotator's centre where the kind keeps it.
    virtual void UpdateCenter();
    virtual void GeometryChanged();
    QPainterPath CenterPath() const;
    QPainterPath WidenedPath(int width, Qt::PenCapStyle cap) const;
    void SetRotatorCenter(QPoint center) { FRotator.SetCenter(center); }

private:
    void ColorChanged();

    std::unique_ptr<TColorSpec> FLineColor;
    std::unique_ptr<TListener> FColorListener;
    int FLineWidth = kDefaultLineWidth;
    TRotator FRotator;
    QPoint FStart;
    QPoint FEnd;
};

class TLOCurve : public TLOLine, public IDOCurve
{
    VELMO_DRAW_OBJECT(TLOCurve, TLOLine)
public:
    static constexpr int kDefaultBulge = 30;
    static constexpr int kMaxBulge = 4000;

    explicit TLOCurve(TComponent* owner = nullptr);

    void* QueryInterface(const TGUID& iid) override;

    int Bulge() const { return FBulge; }
    void SetBulge(int value);

    // IDOCurve (the line half is TLOLine's)
    QPoint GetStartPoint() const override { return TLOLine::GetStartPoint(); }
    void SetStartPoint(QPoint point) override { TLOLine::SetStartPoint(point); }
    QPoint GetEndPoint() const override { return TLOLine::GetEndPoint(); }
    void SetEndPoint(QPoint point) override { TLOLine::SetEndPoint(point); }
    void BeginCurveEdit() override {}
    void EndCurveEdit() override {}
    QPoint GetControlPoint() const override;
    void SetControlPoint(QPoint point) override;

    void SetEncloseSize(int width, int height) override;
    std::vector<QPoint> CenterLine() const override;

    // The bulge that puts the control point at q for an arc from s to e.
    static int BulgeFor(QPoint s, QPoint q, QPoint e);
    // The circle through three points (centre, radius).
    static void CircleThrough(QPoint p1, QPoint p2, QPoint p3, QPoint& center, double& radius);
    // The polyline of the arc through three points: parabola or 2-degree steps.
    static std::vector<QPoint> ArcPolyline(QPoint s, QPoint p, QPoint e);

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    void UpdateCenter() override;

private:
    int FBulge = kDefaultBulge;
};

class TLODecoLine : public TLOLine
{
    VELMO_DRAW_OBJECT(TLODecoLine, TLOLine)
public:
    static constexpr TColor kTransparentColor = 0xF0F0F0;

    explicit TLODecoLine(TComponent* owner = nullptr);
    ~TLODecoLine() override;

    TPicture* Image() const { return FImage.get(); }
    void SetImage(const TPicture* value);
    void SetLineWidth(int value) override;
    // Six tiles long at 180 pixels per inch, one tile thick, from (0, 0).
    void FitToTile();
    // The number of tiles the rendered line holds.
    int TileCount() const;
    // The rendered line's length in logical units.
    int StripWidth() const;

    TLogRect GetEncloseRect() const override;
    void Paint(QPainter& painter) override;
    void PaintMask(QPainter& maskPainter) override;
    bool HitTest(QPoint logical) override;
    void DrawGhost(QPainter& painter) override;
    // The four corners of the widened segment (flat ends, LineWidth + 4).
    std::vector<QPoint> Outline() const;
    // The rendered picture (empty without a tile) and where it lies.
    QImage RenderedImage(TLogRect* where);

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    void GeometryChanged() override;

private:
    void RenderCache();
    std::unique_ptr<TPicture> FImage;
    QImage FCache;
    TLogRect FCacheRect;
};

// Geometry shared by the shapes.
TLogRect PathBounds(const QPainterPath& path);

} // namespace velmo
