#pragma once
// The outlines of label faces and their centre holes as point paths in logical units,
// and the areas they cover on the 0.1 mm grid.
#include "draw/UStroke.h"
#include "paper/UPurposeInfo.h"
#include <QPainterPath>
#include <QRegion>

namespace velmo {

// The arc from p1 through p2 to p3, flattened into lines and appended to out: a move
// to its first point when moveFirst, else a line to it. The arc runs in the direction
// of growing angle (clockwise on the page); a radius below one unit appends nothing.
// The first and last appended points are p1 and p3 exactly.
void AppendArcThroughPoints(TStroke& out, QPoint p1, QPoint p2, QPoint p3, bool moveFirst);

// The barrel outline over the rectangle: straight long sides and arcs at the short ends.
void SetBarrelPath(TStroke& out, const TLogRect& rect);

// Face outlines over a rectangle (normalised first, as the drawing primitives do).
// roundSize is the width and height of the ellipse that rounds each corner.
QPainterPath FaceShapePath(TFaceShape shape, const TLogRect& rect, int roundSize);
QPainterPath CenterShapePath(TCenterShape shape, const TLogRect& rect);

// Coordinates farther out than this never take part in an area: an area is cut to
// the square of this half size, so a damaged paper cannot make a region of millions
// of scanlines.
constexpr int kRegionCoordinateLimit = 100000;

// The cells of the grid whose centres lie inside the path (non-zero winding), limited
// to window. Matches the rule that a rectangle covers the cells from its left/top edge
// up to but not including its right/bottom edge.
QRegion PathToRegion(const QPainterPath& path, const QRect& window);
// The whole area of the path, cut to the coordinate limit.
QRegion PathToRegion(const QPainterPath& path);

// A rectangle from edge coordinates, clipped to the coordinate limit.
QRect LimitedRect(const TLogRect& rect);

} // namespace velmo
