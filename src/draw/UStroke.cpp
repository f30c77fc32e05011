#include "draw/UStroke.h"
#include "base/UNumbers.h"
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace velmo {
namespace {

constexpr double kBezierCircle = 0.5522847;

bool IsClosing(uint8_t type)
{
    return (type & PT_CLOSEFIGURE) != 0 && type != PT_MOVETO;
}

} // namespace

void TStroke::SetCount(int count)
{
    count = std::max(count, 0);
    FPoints.resize(size_t(count));
    FTypes.resize(size_t(count), PT_LINETO);
}

void TStroke::Add(QPoint point, uint8_t type)
{
    FPoints.push_back(point);
    FTypes.push_back(type);
}

TLogRect TStroke::Bounds() const
{
    if (FPoints.empty())
        return {};
    TLogRect r{FPoints[0].x(), FPoints[0].y(), FPoints[0].x(), FPoints[0].y()};
    for (const QPoint& p : FPoints) {
        r.Left = std::min(r.Left, p.x());
        r.Top = std::min(r.Top, p.y());
        r.Right = std::max(r.Right, p.x());
        r.Bottom = std::max(r.Bottom, p.y());
    }
    return r;
}

void TStroke::Assign(const TStroke& other)
{
    FPoints = other.FPoints;
    FTypes = other.FTypes;
}

void TStroke::AppendPath(const QPainterPath& path)
{
    const int n = path.elementCount();
    int i = 0;
    while (i < n) {
        // One subpath: a move and everything up to the next move.
        int end = i + 1;
        while (end < n && path.elementAt(end).type != QPainterPath::MoveToElement)
            ++end;
        const QPainterPath::Element start = path.elementAt(i);
        const QPoint startPoint(qRound(start.x), qRound(start.y));
        const size_t firstIndex = FPoints.size();
        Add(startPoint, PT_MOVETO);
        int last = end - 1;
        bool closed = false;
        if (last > i) {
            const QPainterPath::Element tail = path.elementAt(last);
            const QPoint tailPoint(qRound(tail.x), qRound(tail.y));
            if (tailPoint == startPoint) {
                closed = true;
                // A line back to the start is the closing line itself: drop it when
                // the figure keeps at least two other points.
                if (tail.type == QPainterPath::LineToElement && last - i >= 3)
                    --last;
            }
        }
        for (int k = i + 1; k <= last; ++k) {
            const QPainterPath::Element e = path.elementAt(k);
            const QPoint p(qRound(e.x), qRound(e.y));
            if (e.type == QPainterPath::LineToElement)
                Add(p, PT_LINETO);
            else
                Add(p, PT_BEZIERTO); // the curve's control points and end point
        }
        if (closed && FPoints.size() > firstIndex + 1) {
            uint8_t& type = FTypes.back();
            type = type == PT_BEZIERTO ? PT_BEZIERTO_CLOSE : PT_LINETO_CLOSE;
        }
        i = end;
    }
}

QPainterPath TStroke::ToPainterPath() const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const int n = Count();
    int k = 0;
    while (k < n) {
        const uint8_t type = FTypes[size_t(k)];
        const QPoint& p = FPoints[size_t(k)];
        if (type == PT_MOVETO) {
            path.moveTo(p);
            ++k;
        } else if ((type & ~PT_CLOSEFIGURE) == PT_BEZIERTO) {
            if (k + 2 >= n) { // an incomplete curve is drawn as lines
                for (; k < n; ++k)
                    path.lineTo(FPoints[size_t(k)]);
                break;
            }
            const uint8_t endType = FTypes[size_t(k + 2)];
            path.cubicTo(FPoints[size_t(k)], FPoints[size_t(k + 1)], FPoints[size_t(k + 2)]);
            if (IsClosing(endType))
                path.closeSubpath();
            k += 3;
        } else {
            path.lineTo(p);
            if (IsClosing(type))
                path.closeSubpath();
            ++k;
        }
    }
    return path;
}

void TStroke::DrawTo(QPainter& painter) const
{
    // An empty path stands for a zero-length line at the origin, which leaves no
    // mark on any device; Qt would draw a dot for it, so draw nothing at all.
    if (FPoints.empty())
        return;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ToPainterPath());
    painter.restore();
}

void TStroke::SetRectPath(const TLogRect& r)
{
    Clear();
    Add({r.Left, r.Top}, PT_MOVETO);
    Add({r.Right, r.Top}, PT_LINETO);
    Add({r.Right, r.Bottom}, PT_LINETO);
    Add({r.Left, r.Bottom}, PT_LINETO_CLOSE);
}

void TStroke::SetEllipsePath(const TLogRect& r)
{
    Clear();
    const int cx = Div(r.Left + r.Right, 2);
    const int cy = Div(r.Top + r.Bottom, 2);
    const int ox = RoundHalfAway(r.Width() * kBezierCircle / 2);
    const int oy = RoundHalfAway(r.Height() * kBezierCircle / 2);
    Add({r.Right, cy}, PT_MOVETO);
    // Right to top, top to left, left to bottom, bottom back to right.
    Add({r.Right, cy - oy}, PT_BEZIERTO);
    Add({cx + ox, r.Top}, PT_BEZIERTO);
    Add({cx, r.Top}, PT_BEZIERTO);
    Add({cx - ox, r.Top}, PT_BEZIERTO);
    Add({r.Left, cy - oy}, PT_BEZIERTO);
    Add({r.Left, cy}, PT_BEZIERTO);
    Add({r.Left, cy + oy}, PT_BEZIERTO);
    Add({cx - ox, r.Bottom}, PT_BEZIERTO);
    Add({cx, r.Bottom}, PT_BEZIERTO);
    Add({cx + ox, r.Bottom}, PT_BEZIERTO);
    Add({r.Right, cy + oy}, PT_BEZIERTO);
    Add({r.Right, cy}, PT_BEZIERTO_CLOSE);
}

void TStroke::SetRoundRectPath(const TLogRect& r, int cornerSize)
{
    Clear();
    const int a = Div(cornerSize, 2);
    const int o = RoundHalfAway(cornerSize * kBezierCircle / 2);
    const int midX = Div(r.Left + r.Right, 2);
    const int midY = Div(r.Top + r.Bottom, 2);
    // 21 points: the start on the right edge below the top-right corner, then round
    // the figure counter-clockwise on the page; each corner is one Bezier quarter
    // and each straight edge two lines meeting at its middle, the last line closing
    // the figure back at the start.
    Add({r.Right, r.Top + a}, PT_MOVETO);
    Add({r.Right, r.Top + a - o}, PT_BEZIERTO); // top-right corner
    Add({r.Right - a + o, r.Top}, PT_BEZIERTO);
    Add({r.Right - a, r.Top}, PT_BEZIERTO);
    Add({midX, r.Top}, PT_LINETO); // top edge
    Add({r.Left + a, r.Top}, PT_LINETO);
    Add({r.Left + a - o, r.Top}, PT_BEZIERTO); // top-left corner
    Add({r.Left, r.Top + a - o}, PT_BEZIERTO);
    Add({r.Left, r.Top + a}, PT_BEZIERTO);
    Add({r.Left, midY}, PT_LINETO); // left edge
    Add({r.Left, r.Bottom - a}, PT_LINETO);
    Add({r.Left, r.Bottom - a + o}, PT_BEZIERTO); // bottom-left corner
    Add({r.Left + a - o, r.Bottom}, PT_BEZIERTO);
    Add({r.Left + a, r.Bottom}, PT_BEZIERTO);
    Add({midX, r.Bottom}, PT_LINETO); // bottom edge
    Add({r.Right - a, r.Bottom}, PT_LINETO);
    Add({r.Right - a + o, r.Bottom}, PT_BEZIERTO); // bottom-right corner
    Add({r.Right, r.Bottom - a + o}, PT_BEZIERTO);
    Add({r.Right, r.Bottom - a}, PT_BEZIERTO);
    Add({r.Right, midY}, PT_LINETO); // right edge
    Add({r.Right, r.Top + a}, PT_LINETO_CLOSE);
}

namespace {

// Appends the pieces of the segment from a to b (exclusive of a, inclusive of b).
void AppendSubdivided(QPoint a, QPoint b, uint8_t type, TStroke& out)
{
    if (std::abs(b.x() - a.x()) < 8 && std::abs(b.y() - a.y()) < 8) {
        out.Add(b, type);
        return;
    }
    // Truncating midpoint, as integer halving toward zero.
    const QPoint mid(Div(a.x() + b.x(), 2), Div(a.y() + b.y(), 2));
    if (mid == a || mid == b) { // cannot shrink further (guards against overflow loops)
        out.Add(b, type);
        return;
    }
    AppendSubdivided(a, mid, PT_LINETO, out);
    AppendSubdivided(mid, b, type, out);
}

} // namespace

void TStroke::SubdivideLines()
{
    TStroke out;
    const int n = Count();
    QPoint figureStart;
    QPoint current;
    int k = 0;
    while (k < n) {
        const uint8_t type = FTypes[size_t(k)];
        const QPoint p = FPoints[size_t(k)];
        if (type == PT_MOVETO) {
            out.Add(p, PT_MOVETO);
            figureStart = current = p;
            ++k;
        } else if ((type & ~PT_CLOSEFIGURE) == PT_BEZIERTO) {
            const int count = std::min(3, n - k);
            for (int j = 0; j < count; ++j)
                out.Add(FPoints[size_t(k + j)], FTypes[size_t(k + j)]);
            current = FPoints[size_t(k + count - 1)];
            if (IsClosing(FTypes[size_t(k + count - 1)]))
                current = figureStart;
            k += count;
        } else if (type == PT_LINETO_CLOSE) {
            // The segment to the point, then the closing line back to the start;
            // the duplicated start is dropped and the new last point closes.
            AppendSubdivided(current, p, PT_LINETO, out);
            if (p != figureStart) {
                AppendSubdivided(p, figureStart, PT_LINETO, out);
                out.FPoints.pop_back();
                out.FTypes.pop_back();
            }
            out.FTypes.back() = PT_LINETO_CLOSE;
            current = figureStart;
            ++k;
        } else {
            AppendSubdivided(current, p, type, out);
            current = p;
            ++k;
        }
    }
    Assign(out);
}

} // namespace velmo
