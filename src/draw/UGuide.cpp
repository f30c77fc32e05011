#include "draw/UGuide.h"
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

// ---------------------------------------------------------------------------------
// Snapping and drawing.

#include "base/UNumbers.h"
#include <QPainter>
#include <cmath>
#include <cstdlib>

namespace velmo {

QString MillimetreText(int value)
{
    const int64_t v = value < 0 ? -int64_t(value) : int64_t(value);
    return QStringLiteral("%1%2.%3mm")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(v / 10)
        .arg(v % 10);
}

QPoint CombineSnap(QPoint guide, QPoint grid)
{
    auto mag = [](int v) { return v == kNoSnap ? int64_t(kNoSnap) : std::abs(int64_t(v)); };
    QPoint r = grid;
    if (mag(guide.x()) < mag(grid.x()))
        r.setX(guide.x());
    if (mag(guide.y()) < mag(grid.y()))
        r.setY(guide.y());
    return r;
}

QPoint GuideDragPosition(QPoint slot, QPoint logical, bool exact)
{
    QPoint p = slot.x() != 0 ? QPoint(logical.x(), 0) : QPoint(0, logical.y());
    if (!exact) {
        p.setX(Div(p.x() + 5, 10) * 10);
        p.setY(Div(p.y() + 5, 10) * 10);
    }
    return p;
}

int TGuide::GuideAt(int x, int y, int tolerance) const
{
    if (!FEnabled)
        return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        const QPoint p = FSlots[size_t(i)];
        if (p.x() != 0) {
            if (std::abs(int64_t(p.x()) - x) <= tolerance)
                return i;
        } else if (p.y() != 0) {
            if (std::abs(int64_t(p.y()) - y) <= tolerance)
                return i;
        }
    }
    return -1;
}

int TGuide::FreeSlot() const
{
    for (int i = 0; i < kSlotCount; ++i)
        if (FSlots[size_t(i)].isNull())
            return i;
    return -1;
}

bool TGuide::InRange(QPoint pos, const TLogRect& rect)
{
    if (pos.x() != 0)
        return pos.y() == 0 && rect.Left <= pos.x() && pos.x() <= rect.Right;
    return rect.Top <= pos.y() && pos.y() <= rect.Bottom;
}

void TGuide::RemoveOutside(const TLogRect& rect)
{
    for (QPoint& p : FSlots)
        if (!InRange(p, rect))
            p = QPoint();
    if (FEnabled)
        FEnabled = !NoGuides();
}

QPoint TGuide::SnapOffset(QPoint point, int tolerance) const
{
    QPoint r(kNoSnap, kNoSnap);
    if (!FEnabled)
        return r;
    int64_t bestX = INT64_MAX, bestY = INT64_MAX;
    for (const QPoint& p : FSlots) {
        if (p.x() != 0) {
            const int64_t d = int64_t(p.x()) - point.x();
            if (std::abs(d) <= tolerance && std::abs(d) < bestX) {
                bestX = std::abs(d);
                r.setX(int(d));
            }
        } else if (p.y() != 0) {
            const int64_t d = int64_t(p.y()) - point.y();
            if (std::abs(d) <= tolerance && std::abs(d) < bestY) {
                bestY = std::abs(d);
                r.setY(int(d));
            }
        }
    }
    return r;
}

void TGuide::DrawGuides(QPainter& painter, const TLogRect& rect) const
{
    if (!FVisible)
        return;
    for (const QPoint& p : FSlots) {
        if (p.x() != 0)
            painter.drawLine(QPoint(p.x(), rect.Top), QPoint(p.x(), rect.Bottom));
        else if (p.y() != 0)
            painter.drawLine(QPoint(rect.Left, p.y()), QPoint(rect.Right, p.y()));
    }
}

QPoint TGrid::SnapOffset(QPoint point) const
{
    if (!FEnabled || FSize <= 0)
        return {kNoSnap, kNoSnap};
    const int64_t s = FSize, h = FSize / 2;
    const int64_t dx = s * ((point.x() + h) / s) - point.x();
    const int64_t dy = s * ((point.y() + h) / s) - point.y();
    return {int(dx), int(dy)};
}

void TGrid::DrawGrid(QPainter& painter, const TLogRect& rect) const
{
    if (!FVisible || FSize <= 0)
        return;
    if (FLineShape) {
        for (int64_t x = rect.Left; x < rect.Right; x += FSize)
            painter.drawLine(QPoint(int(x), rect.Top), QPoint(int(x), rect.Bottom));
        for (int64_t y = rect.Top; y < rect.Bottom; y += FSize)
            painter.drawLine(QPoint(rect.Left, int(y)), QPoint(rect.Right, int(y)));
        return;
    }
    // One device pixel per crossing, whatever the mapping.
    const QTransform t = painter.worldTransform();
    painter.save();
    painter.resetTransform();
    const QColor color = painter.pen().color();
    QPen pen(color);
    pen.setWidth(1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    std::vector<QPoint> dots;
    for (int64_t x = rect.Left; x < rect.Right; x += FSize)
        for (int64_t y = rect.Top; y < rect.Bottom; y += FSize) {
            const QPointF d = t.map(QPointF(double(x), double(y)));
            dots.emplace_back(int(std::floor(d.x())), int(std::floor(d.y())));
        }
    if (!dots.empty())
        painter.drawPoints(dots.data(), int(dots.size()));
    painter.restore();
}

} // namespace velmo
