#pragma once
// The guide lines and the grid a sheet keeps for its layout view. The document owns
// one of each per sheet and writes them with its other published properties, so
// only their persistent state lives here; snapping and drawing belong to the
// layout view.
#include "base/UClasses.h"
#include <QPoint>
#include <array>

namespace velmo {

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

private:
    bool FLineShape = false;
    bool FVisible = false;
    int FSize = kDefaultSize;
    bool FEnabled = false;
};

} // namespace velmo
