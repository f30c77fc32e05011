#pragma once
// The guide lines and the grid a sheet keeps for its layout view: their stored
// form (the document owns one of each per sheet and writes them with its other
// published properties), snapping and drawing. Coordinates are logical units.
#include "base/UClasses.h"
#include "draw/UStroke.h"
#include <QPoint>
#include <array>
#include <climits>

class QPainter;

namespace velmo {

// An axis of a snap offset with nothing to snap to.
constexpr int kNoSnap = INT_MAX;

// The millimetre text of a logical length: "12.5mm", "-0.3mm".
QString MillimetreText(int value);

// What the layout view's snapping makes of a guide and a grid offset: on each axis
// the guide's offset when strictly closer than the grid's.
QPoint CombineSnap(QPoint guide, QPoint grid);

// The position a dragged guide takes: (x, 0) for a vertical guide, (0, y) for a
// horizontal one, rounded to whole millimetres unless exact.
QPoint GuideDragPosition(QPoint slot, QPoint logical, bool exact);

class TGuide : public TPersistent
{
    VELMO_PERSISTENT(TGuide, TPersistent)
public:
    static constexpr int kSlotCount = 10;

    TGuide() = default;
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    int Count() const { return kSlotCount; }
    // x != 0: a vertical guide at x; x == 0, y != 0: a horizontal guide at y;
    // (0, 0): a free slot. No range checks beyond the slot index.
    QPoint GetPos(int index) const { return FSlots.at(size_t(index)); }
    void SetPos(int index, QPoint pos) { FSlots.at(size_t(index)) = pos; }
    bool NoGuides() const;
    // The slot of a guide within tolerance of the point; -1 when none or disabled.
    int GuideAt(int x, int y, int tolerance) const;
    int FreeSlot() const;
    static bool InRange(QPoint pos, const TLogRect& rect);
    // Frees the slots whose guides lie outside; snapping goes off with no guide left.
    void RemoveOutside(const TLogRect& rect);
    // (kNoSnap, kNoSnap) where nothing is close enough.
    QPoint SnapOffset(QPoint point, int tolerance) const;
    // Lines with the painter's current pen, across the rectangle.
    void DrawGuides(QPainter& painter, const TLogRect& rect) const;

    void Assign(const TPersistent& source) override;
    bool operator==(const TGuide& other) const;

private:
    void WritePos(TStream& stream) const;
    void ReadPos(TStream& stream);

    bool FVisible = false;
    bool FEnabled = false;
    std::array<QPoint, kSlotCount> FSlots{};
};

class TGrid : public TPersistent
{
    VELMO_PERSISTENT(TGrid, TPersistent)
public:
    static constexpr int kDefaultSize = 50;
    // Ten centimetres: beyond that a grid no longer helps place anything on a label.
    static constexpr int kMaxSize = 1000;

    TGrid() = default;
    bool LineShape() const { return FLineShape; }
    void SetLineShape(bool value) { FLineShape = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    int Size() const { return FSize; }
    void SetSize(int value) { FSize = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }

    void Assign(const TPersistent& source) override;
    bool operator==(const TGrid& other) const;

    QPoint SnapOffset(QPoint point) const;
    // Lines (LineShape) or one device pixel per crossing, in the pen's colour.
    void DrawGrid(QPainter& painter, const TLogRect& rect) const;

private:
    bool FLineShape = false;
    bool FVisible = false;
    int FSize = kDefaultSize;
    bool FEnabled = false;
};

} // namespace velmo
