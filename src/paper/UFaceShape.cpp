#include "paper/UFaceShape.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace velmo {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kArcStep = kTwoPi / 180; // 2 degrees

int ClampToInt(double value)
{
    if (!(value == value))
        return 0;
    return int(std::clamp(value, -2147483648.0, 2147483647.0));
}

int RoundAway(double value)
{
    return ClampToInt(std::round(value));
}

int RoundEven(double value)
{
    return ClampToInt(std::nearbyint(value));
}

double NormalAngle(double dy, double dx)
{
    double a = std::atan2(dy, dx);
    if (a < 0)
        a += kTwoPi;
    if (a >= kTwoPi)
        a -= kTwoPi;
    return a;
}

void AddPoint(TStroke& out, QPoint p, bool move)
{
    out.Add(p, move || out.Count() == 0 ? PT_MOVETO : PT_LINETO);
}

QRectF ToRectF(const TLogRect& r)
{
    return QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom));
}

} // namespace

void AppendArcThroughPoints(TStroke& out, QPoint p1, QPoint p2, QPoint p3, bool moveFirst)
{
    const double ux = double(p2.x()) - p1.x(), uy = double(p2.y()) - p1.y();
    const double vx = double(p3.x()) - p1.x(), vy = double(p3.y()) - p1.y();
    const double c = ux * vy - uy * vx;
    double cx, cy, radius;
    if (std::abs(c) < 0.1) {
        // Collinear points: no circle passes through them.
        cx = double((int64_t(p1.x()) + p2.x() + p3.x()) / 3);
        cy = double((int64_t(p1.y()) + p2.y() + p3.y()) / 3);
        radius = std::hypot(p2.x() - cx, p2.y() - cy);
    } else {
        const double uu = ux * ux + uy * uy, vv = vx * vx + vy * vy;
        const double ox = std::round((vy * uu - uy * vv) / (2 * c));
        const double oy = std::round((ux * vv - vx * uu) / (2 * c));
        cx = p1.x() + ox;
        cy = p1.y() + oy;
        radius = std::hypot(ox, oy);
    }
    const double r = std::round(radius);
    if (!(r >= 1))
        return;
    double start = NormalAngle(p1.y() - cy, p1.x() - cx);
    const double end = NormalAngle(p3.y() - cy, p3.x() - cx);

    // How far the arc stands off its chord decides whether a quadratic curve through
    // the three points is close enough.
    const double s = vx * (double(p2.y()) - p1.y()) - vy * (double(p2.x()) - p1.x());
    double sagitta = 0;
    if (s != 0) {
        const double mx = (double(p1.x()) + p3.x()) / 2, my = (double(p1.y()) + p3.y()) / 2;
        double d = radius - std::hypot(mx - cx, my - cy);
        if (d >= -1) {
            const double side = vx * (cy - p1.y()) - vy * (cx - p1.x());
            if ((side > 0 && s > 0) || (side < 0 && s < 0))
                d = 2 * radius - d;
            if (s > 0)
                d = -d;
            sagitta = std::trunc(d);
        }
    }

    AddPoint(out, p1, moveFirst);
    if (std::abs(sagitta) <= 20 || r >= 8000) {
        const double ax = -3.0 * p1.x() + 4.0 * p2.x() - p3.x(), ay = -3.0 * p1.y() + 4.0 * p2.y() - p3.y();
        const double bx = 2.0 * (p1.x() - 2.0 * p2.x() + p3.x()), by = 2.0 * (p1.y() - 2.0 * p2.y() + p3.y());
        for (int i = 1; i <= 7; ++i) {
            const double t = i / 8.0;
            out.Add({RoundAway(p1.x() + t * ax + t * t * bx), RoundAway(p1.y() + t * ay + t * t * by)},
                    PT_LINETO);
        }
    } else {
        if (start > end)
            start -= kTwoPi;
        for (int k = 1; k <= 180; ++k) {
            const double a = start + k * kArcStep;
            if (a > end - kArcStep)
                break;
            out.Add(
                {ClampToInt(cx + std::trunc(r * std::cos(a))), ClampToInt(cy + std::trunc(r * std::sin(a)))},
                PT_LINETO);
        }
    }
    out.Add(p3, PT_LINETO);
}

void SetBarrelPath(TStroke& out, const TLogRect& rect)
{
    out.Clear();
    const TLogRect r = NormalizedRect(rect);
    const double w = double(r.Right) - r.Left, h = double(r.Bottom) - r.Top;
    const double f = std::sqrt(std::abs((h / 2) * (h / 2) - (w / 2) * (w / 2)));
    const int cx = RoundEven((double(r.Left) + r.Right) / 2);
    const int cy = RoundEven((double(r.Top) + r.Bottom) / 2);
    if (h < w) {
        const int x1 = RoundEven(cx - f), x2 = RoundEven(cx + f);
        AppendArcThroughPoints(out, {x1, r.Bottom}, {r.Left, cy}, {x1, r.Top}, true);
        AppendArcThroughPoints(out, {x2, r.Top}, {r.Right, cy}, {x2, r.Bottom}, false);
    } else {
        const int y1 = RoundEven(cy - f), y2 = RoundEven(cy + f);
        AppendArcThroughPoints(out, {r.Left, y1}, {cx, r.Top}, {r.Right, y1}, true);
        AppendArcThroughPoints(out, {r.Right, y2}, {cx, r.Bottom}, {r.Left, y2}, false);
    }
    if (out.Count() > 0)
        out.SetType(out.Count() - 1, uint8_t(out.Type(out.Count() - 1) | PT_CLOSEFIGURE));
}

QPainterPath FaceShapePath(TFaceShape shape, const TLogRect& rect, int roundSize)
{
    const TLogRect r = NormalizedRect(rect);
    QPainterPath path;
    switch (shape) {
    case fsDoughnut:
    case fsEllipse:
        path.addEllipse(ToRectF(r));
        break;
    case fsRoundRect:
    case fsRectCD:
        // The corner ellipse is cut to the rectangle's size, as rounded rectangles are.
        if (roundSize > 0)
            path.addRoundedRect(ToRectF(r), roundSize / 2.0, roundSize / 2.0, Qt::AbsoluteSize);
        else
            path.addRect(ToRectF(r));
        break;
    case fsBarrelCD: {
        TStroke stroke;
        SetBarrelPath(stroke, r);
        path = stroke.ToPainterPath();
        break;
    }
    case fsRect:
    default:
        path.addRect(ToRectF(r));
        break;
    }
    return path;
}

QPainterPath CenterShapePath(TCenterShape shape, const TLogRect& rect)
{
    return FaceShapePath(shape == csBarrel ? fsBarrelCD : fsEllipse, rect, 0);
}

QRect LimitedRect(const TLogRect& rect)
{
    const TLogRect r = NormalizedRect(rect);
    const auto clamp = [](int v) { return std::clamp(v, -kRegionCoordinateLimit, kRegionCoordinateLimit); };
    const int l = clamp(r.Left), t = clamp(r.Top), rr = clamp(r.Right), b = clamp(r.Bottom);
    return QRect(l, t, rr - l, b - t);
}

QRegion PathToRegion(const QPainterPath& path, const QRect& window)
{
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty() || window.isEmpty())
        return {};
    const double lo = -double(kRegionCoordinateLimit), hi = double(kRegionCoordinateLimit);
    const auto cellFloor = [&](double v) { return int(std::floor(std::clamp(v, lo, hi))); };
    const auto cellCeil = [&](double v) { return int(std::ceil(std::clamp(v, lo, hi))); };
    const QRect cells = QRect(QPoint(cellFloor(bounds.left()), cellFloor(bounds.top())),
                              QPoint(cellCeil(bounds.right()) - 1, cellCeil(bounds.bottom()) - 1)) &
                        window;
    if (cells.isEmpty())
        return {};

    struct Edge
    {
        double X0, Y0, X1, Y1;
        int Dir;
    };
    std::vector<Edge> edges;
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        const qsizetype n = polygon.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF a = polygon[i], b = polygon[(i + 1) % n];
            if (a.y() == b.y())
                continue;
            if (a.y() < b.y())
                edges.push_back({a.x(), a.y(), b.x(), b.y(), 1});
            else
                edges.push_back({b.x(), b.y(), a.x(), a.y(), -1});
        }
    }

    std::vector<QRect> rects;
    std::vector<std::pair<double, int>> crossings;
    for (int y = cells.top(); y <= cells.bottom(); ++y) {
        const double yc = y + 0.5;
        crossings.clear();
        for (const Edge& e : edges)
            if (e.Y0 <= yc && yc < e.Y1)
                crossings.push_back({e.X0 + (yc - e.Y0) * (e.X1 - e.X0) / (e.Y1 - e.Y0), e.Dir});
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        double spanStart = 0;
        int lastRight = std::numeric_limits<int>::min();
        for (const auto& [x, dir] : crossings) {
            const int before = winding;
            winding += dir;
            if (before == 0 && winding != 0) {
                spanStart = x;
            } else if (before != 0 && winding == 0) {
                // Cells whose centres lie in [spanStart, x).
                int first = cellCeil(spanStart - 0.5), last = cellCeil(x - 0.5) - 1;
                first = std::max({first, cells.left(), lastRight + 1});
                last = std::min(last, cells.right());
                if (first <= last) {
                    if (!rects.empty() && rects.back().top() == y && rects.back().right() + 1 == first)
                        rects.back().setRight(last);
                    else
                        rects.push_back(QRect(first, y, last - first + 1, 1));
                    lastRight = last;
                }
            }
        }
    }
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), int(rects.size()));
    return region;
}

QRegion PathToRegion(const QPainterPath& path)
{
    const int l = kRegionCoordinateLimit;
    return PathToRegion(path, QRect(QPoint(-l, -l), QPoint(l - 1, l - 1)));
}

} // namespace velmo
