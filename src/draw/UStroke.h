#pragma once
// Point paths: points with path-command types, the form in which shapes and text
// outlines are captured, transformed, filled and hit-tested.
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <vector>

class QPainter;

namespace velmo {

// Path point types, as the device paths of the file formats use them.
enum TPathPointType : uint8_t
{
    PT_CLOSEFIGURE = 1,
    PT_LINETO = 2,
    PT_LINETO_CLOSE = 3, // line to the point, then back to the figure's start
    PT_BEZIERTO = 4,     // three in a row: two control points and the end point
    PT_BEZIERTO_CLOSE = 5,
    PT_MOVETO = 6,
};

// Logical rectangles keep the convention that Right and Bottom are coordinates,
// not sizes; QRect's right() is one less, so the program uses its own record.
struct TLogRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TLogRect&) const = default;
};

class TStroke
{
public:
    int Count() const { return int(FPoints.size()); }
    void SetCount(int count);
    void Add(QPoint point, uint8_t type);
    void Clear() { SetCount(0); }

    const QPoint& Point(int index) const { return FPoints[size_t(index)]; }
    QPoint& Point(int index) { return FPoints[size_t(index)]; }
    uint8_t Type(int index) const { return FTypes[size_t(index)]; }
    void SetType(int index, uint8_t type) { FTypes[size_t(index)] = type; }
    const std::vector<QPoint>& Points() const { return FPoints; }
    const std::vector<uint8_t>& Types() const { return FTypes; }

    // Smallest rectangle holding all points; Right and Bottom are the largest
    // coordinates themselves. Empty (all zero) when there are no points.
    TLogRect Bounds() const;

    void Assign(const TStroke& other);
    bool operator==(const TStroke& other) const = default;

    // Appends a painter path's elements as path points. A subpath that ends where it
    // started is taken as a closed figure, the form closeSubpath() leaves behind.
    void AppendPath(const QPainterPath& path);
    // The path with its figures, closed where a point type closes them.
    QPainterPath ToPainterPath() const;

    // Strokes the path with the painter's pen (no fill).
    void DrawTo(QPainter& painter) const;
    // The path as a fillable, clippable outline; the counterpart of capturing a
    // device path between begin-path and end-path.
    QPainterPath DrawAsPath() const { return ToPainterPath(); }

    void SetRectPath(const TLogRect& rect);
    void SetEllipsePath(const TLogRect& rect);
    void SetRoundRectPath(const TLogRect& rect, int cornerSize);

    // Splits every straight segment by repeated halving until each piece is shorter
    // than 8 units in x and y, so that a distortion can bend straight edges.
    void SubdivideLines();

private:
    std::vector<QPoint> FPoints;
    std::vector<uint8_t> FTypes;
};

} // namespace velmo
