#pragma once
// The self-contained description of one label face: everything a consumer needs to
// know about a face, whatever kind of paper it comes from.
#include "draw/UStroke.h"
#include "paper/UPurposeInfo.h"
#include <QPainterPath>
#include <QRegion>

class QPainter;

namespace velmo {

constexpr int kDefaultCutCenter = 410;
constexpr int kDefaultRoundSize = 100;

class TFaceInfo
{
public:
    // The cut outline in sheet coordinates.
    TLogRect Rect;
    int CutCenterWidth = kDefaultCutCenter;
    int CutCenterHeight = kDefaultCutCenter;
    TFaceShape FaceShape = fsRect;
    QString FacePurpose;
    // Printable bleed around the cut outline (and into the hole).
    int FaceMargin = 0;
    TCenterShape CenterShape = csEllipse;
    // Width and height of the ellipse that rounds each corner.
    int RoundSize = kDefaultRoundSize;

    void Assign(const TFaceInfo& source) { *this = source; }
    bool operator==(const TFaceInfo&) const = default;

    // Rect grown by FaceMargin on every side: the printable area.
    TLogRect GetOuterRect() const;
    // The hole, centred in Rect.
    TLogRect GetHoleRect() const;
    // The hole shrunk by FaceMargin: the printable area reaches into the hole.
    TLogRect GetPrintHoleRect() const;
    bool HasHole() const { return ShapeHasHole(FaceShape); }

    // Sets Rect so that the outer rectangle becomes rect.
    void SetOuterRect(const TLogRect& rect);
    void SetCutCenter(int size);
    // Applies the table of the older face-type numbers; other values change nothing.
    void SetFaceType(int faceType);

    // Outlines in logical units.
    QPainterPath OuterPath() const;     // the shape over the outer rectangle
    QPainterPath CutPath() const;       // the shape over Rect
    QPainterPath HolePath() const;      // the hole shape over the hole rectangle
    QPainterPath PrintHolePath() const; // the hole shape over the printable hole
    QPainterPath PrintablePath() const; // outer shape less the printable hole

    // Drawing with the painter's current pen and brush. relative shifts everything so
    // that the outer rectangle's top-left corner is at (0, 0).
    void DrawOutline(QPainter& canvas, bool relative, bool centerMark) const;
    // Only when FaceMargin is non-zero: the true cut line (and the true hole).
    void DrawCutLine(QPainter& canvas, bool relative) const;
    // Only the printable hole; relative puts its corner at (0, 0).
    void DrawHole(QPainter& canvas, bool relative) const;

    // The printable area as cells of the grid. With a canvas the corners (and the
    // corner size, as a vector) are first mapped to the canvas's device coordinates so
    // that the region can clip that canvas; without one it is in paper units.
    QRegion CreateRegion(const QPainter* canvas, bool withHole) const;
    // Whether the point (a cell of the 0.1 mm grid) lies on the printable area, the
    // hole excluded.
    bool ContainsPoint(QPoint point) const;
};

} // namespace velmo
