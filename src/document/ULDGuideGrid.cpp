#include "document/ULDGuideGrid.h"
#include "base/UStream.h"
#include <algorithm>

namespace velmo {

const TPropertyTable& TGuide::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("Visible", &TGuide::Visible, &TGuide::SetVisible)
            .Bool("Enabled", &TGuide::Enabled, &TGuide::SetEnabled)
            .Int("Count", &TGuide::Count) // read-only: never written
            .StoredIf(false)
            .BinaryCustom("Pos", nullptr, &TGuide::WritePos, &TGuide::ReadPos);
    return table;
}

bool TGuide::NoGuides() const
{
    return std::all_of(FSlots.begin(), FSlots.end(), [](QPoint p) { return p.isNull(); });
}

void TGuide::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TGuide*>(&source)) {
        FVisible = other->FVisible;
        FEnabled = other->FEnabled;
        FSlots = other->FSlots;
        return;
    }
    TPersistent::Assign(source);
}

bool TGuide::operator==(const TGuide& other) const
{
    return FVisible == other.FVisible && FEnabled == other.FEnabled && FSlots == other.FSlots;
}

void TGuide::WritePos(TStream& stream) const
{
    stream.WriteUInt32(kSlotCount);
    for (const QPoint& p : FSlots) {
        stream.WriteUInt32(uint32_t(p.x()));
        stream.WriteUInt32(uint32_t(p.y()));
    }
}

void TGuide::ReadPos(TStream& stream)
{
    const uint32_t count = stream.ReadUInt32();
    // Slots the block does not hold keep their values; a count larger than the
    // block is cut at what is there rather than read past it.
    const int64_t available = stream.Remaining() / 8;
    const int64_t n = std::min<int64_t>({int64_t(count), int64_t(kSlotCount), available});
    for (int64_t i = 0; i < n; ++i) {
        const int32_t x = int32_t(stream.ReadUInt32());
        const int32_t y = int32_t(stream.ReadUInt32());
        FSlots[size_t(i)] = QPoint(x, y);
    }
}

const TPropertyTable& TGrid::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Bool("LineShape", &TGrid::LineShape, &TGrid::SetLineShape)
                                            .Bool("Visible", &TGrid::Visible, &TGrid::SetVisible)
                                            .Int("Size", &TGrid::Size, &TGrid::SetSize)
                                            .Bool("Enabled", &TGrid::Enabled, &TGrid::SetEnabled);
    return table;
}

void TGrid::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TGrid*>(&source)) {
        FLineShape = other->FLineShape;
        FVisible = other->FVisible;
        FSize = other->FSize;
        FEnabled = other->FEnabled;
        return;
    }
    TPersistent::Assign(source);
}

bool TGrid::operator==(const TGrid& other) const
{
    return FLineShape == other.FLineShape && FVisible == other.FVisible && FSize == other.FSize &&
           FEnabled == other.FEnabled;
}

} // namespace velmo
