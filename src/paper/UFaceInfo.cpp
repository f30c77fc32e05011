#include "paper/UFaceInfo.h"
#include "paper/UFaceShape.h"
#include <QPainter>
#include <algorithm>

namespace velmo {
namespace {

int Clamp32(int64_t value)
{
    return int(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

TLogRect Grow(const TLogRect& r, int by)
{
    return {Clamp32(int64_t(r.Left) - by), Clamp32(int64_t(r.Top) - by), Clamp32(int64_t(r.Right) + by),
            Clamp32(int64_t(r.Bottom) + by)};
}

TLogRect Shift(const TLogRect& r, int dx, int dy)
{
    return {Clamp32(int64_t(r.Left) - dx), Clamp32(int64_t(r.Top) - dy), Clamp32(int64_t(r.Right) - dx),
            Clamp32(int64_t(r.Bottom) - dy)};
}

// Device rectangle of a logical one: corners mapped through the painter's transform.
TLogRect MapRect(const QTransform& t, const TLogRect& r)
{
    const QPointF a = t.map(QPointF(r.Left, r.Top)), b = t.map(QPointF(r.Right, r.Bottom));
    const auto round = [](double v) { return Clamp32(int64_t(std::clamp(std::round(v), -2e9, 2e9))); };
    return {round(a.x()), round(a.y()), round(b.x()), round(b.y())};
}

} // namespace

TLogRect TFaceInfo::GetOuterRect() const
{
    return Grow(Rect, FaceMargin);
}

TLogRect TFaceInfo::GetHoleRect() const
{
    const int64_t left = int64_t(Rect.Left) + (int64_t(Rect.Right) - Rect.Left - CutCenterWidth) / 2;
    const int64_t top = int64_t(Rect.Top) + (int64_t(Rect.Bottom) - Rect.Top - CutCenterHeight) / 2;
    return {Clamp32(left), Clamp32(top), Clamp32(left + CutCenterWidth), Clamp32(top + CutCenterHeight)};
}

TLogRect TFaceInfo::GetPrintHoleRect() const
{
    return Grow(GetHoleRect(), Clamp32(-int64_t(FaceMargin)));
}

void TFaceInfo::SetOuterRect(const TLogRect& rect)
{
    Rect = Grow(rect, Clamp32(-int64_t(FaceMargin)));
}

void TFaceInfo::SetCutCenter(int size)
{
    CutCenterWidth = size;
    CutCenterHeight = size;
}

void TFaceInfo::SetFaceType(int faceType)
{
    switch (faceType) {
    case 0:
        FaceShape = fsRect;
        FacePurpose.clear();
        break;
    case 1:
        FaceShape = fsDoughnut;
        FacePurpose = QStringLiteral("CD");
        break;
    case 2:
        FaceShape = fsRect;
        FacePurpose = QStringLiteral("CDCover");
        break;
    case 3:
        FaceShape = fsRect;
        FacePurpose = QStringLiteral("CDCaseTray");
        break;
    case 4:
    case 5:
        FaceShape = fsRect;
        FacePurpose = QStringLiteral("MOSquare");
        break;
    case 6:
        FaceShape = fsEllipse;
        FacePurpose.clear();
        break;
    case 7:
        FaceShape = fsRoundRect;
        FacePurpose.clear();
        break;
    default:
        break;
    }
}

QPainterPath TFaceInfo::OuterPath() const
{
    return FaceShapePath(FaceShape, GetOuterRect(), RoundSize);
}

QPainterPath TFaceInfo::CutPath() const
{
    return FaceShapePath(FaceShape, Rect, RoundSize);
}

QPainterPath TFaceInfo::HolePath() const
{
    return HasHole() ? CenterShapePath(CenterShape, GetHoleRect()) : QPainterPath();
}

QPainterPath TFaceInfo::PrintHolePath() const
{
    return HasHole() ? CenterShapePath(CenterShape, GetPrintHoleRect()) : QPainterPath();
}

QPainterPath TFaceInfo::PrintablePath() const
{
    QPainterPath path = OuterPath();
    if (HasHole())
        path = path.subtracted(PrintHolePath());
    return path;
}

void TFaceInfo::DrawOutline(QPainter& canvas, bool relative, bool centerMark) const
{
    const TLogRect outer = GetOuterRect();
    const int dx = relative ? outer.Left : 0, dy = relative ? outer.Top : 0;
    TLogRect last = Shift(outer, dx, dy);
    canvas.drawPath(FaceShapePath(FaceShape, last, RoundSize));
    if (HasHole()) {
        last = Shift(GetPrintHoleRect(), dx, dy);
        canvas.drawPath(CenterShapePath(CenterShape, last));
    }
    if (centerMark) {
        const int cx = int((int64_t(last.Left) + last.Right) / 2);
        const int cy = int((int64_t(last.Top) + last.Bottom) / 2);
        canvas.drawLine(QPoint(cx - 50, cy), QPoint(cx + 50, cy));
        canvas.drawLine(QPoint(cx, cy - 50), QPoint(cx, cy + 50));
    }
}

void TFaceInfo::DrawCutLine(QPainter& canvas, bool relative) const
{
    if (FaceMargin == 0)
        return;
    const TLogRect outer = GetOuterRect();
    const int dx = relative ? outer.Left : 0, dy = relative ? outer.Top : 0;
    canvas.drawPath(FaceShapePath(FaceShape, Shift(Rect, dx, dy), RoundSize));
    if (HasHole())
        canvas.drawPath(CenterShapePath(CenterShape, Shift(GetHoleRect(), dx, dy)));
}

void TFaceInfo::DrawHole(QPainter& canvas, bool relative) const
{
    if (!HasHole())
        return;
    const TLogRect hole = GetPrintHoleRect();
    canvas.drawPath(CenterShapePath(CenterShape, relative ? Shift(hole, hole.Left, hole.Top) : hole));
}

QRegion TFaceInfo::CreateRegion(const QPainter* canvas, bool withHole) const
{
    TLogRect outer = GetOuterRect();
    TLogRect hole = GetPrintHoleRect();
    int roundSize = RoundSize;
    if (canvas) {
        const QTransform t = canvas->combinedTransform();
        outer = MapRect(t, outer);
        hole = MapRect(t, hole);
        const QPointF corner = t.map(QPointF(RoundSize, RoundSize)) - t.map(QPointF(0, 0));
        roundSize = Clamp32(int64_t(std::clamp(std::round(std::abs(corner.x())), 0.0, 2e9)));
    }
    QRegion region = FaceShape == fsRect ? QRegion(LimitedRect(outer))
                                         : PathToRegion(FaceShapePath(FaceShape, outer, roundSize));
    if (withHole && HasHole())
        region -= PathToRegion(CenterShapePath(CenterShape, hole));
    return region;
}

bool TFaceInfo::ContainsPoint(QPoint point) const
{
    const QRect cell(point, QSize(1, 1));
    const TLogRect outer = GetOuterRect();
    const bool inShape = FaceShape == fsRect
                             ? LimitedRect(outer).contains(point)
                             : !PathToRegion(FaceShapePath(FaceShape, outer, RoundSize), cell).isEmpty();
    if (!inShape)
        return false;
    if (HasHole() && !PathToRegion(CenterShapePath(CenterShape, GetPrintHoleRect()), cell).isEmpty())
        return false;
    return true;
}

} // namespace velmo
