#pragma once
// Face shapes and label purposes: what a label face looks like and what it is for.
#include "base/UClasses.h"
#include <QString>
#include <QStringList>
#include <cstdint>

namespace velmo {

enum TFaceShape
{
    fsRect,
    fsDoughnut,  // round CD label with a centre hole
    fsEllipse,   // circle or ellipse
    fsRoundRect, // rectangle with rounded corners
    fsRectCD,    // business-card CD label: rounded rectangle with a centre hole
    fsBarrelCD,  // barrel-shaped CD label with a centre hole
};
constexpr int kFaceShapeCount = 6;

enum TCenterShape
{
    csEllipse,
    csBarrel,
};

// A set of TFaceShape: bit n stands for shape n.
using TFaceShapes = uint32_t;
constexpr TFaceShapes FaceShapeBit(TFaceShape shape)
{
    return TFaceShapes(1) << int(shape);
}

// Identifiers as component streams write them (the property tables list them too).
#define VELMO_FACE_SHAPE_IDENTS                                                                              \
    {                                                                                                        \
        "fsRect", "fsDoughnut", "fsEllipse", "fsRoundRect", "fsRectCD", "fsBarrelCD"                         \
    }
#define VELMO_CENTER_SHAPE_IDENTS                                                                            \
    {                                                                                                        \
        "csEllipse", "csBarrel"                                                                              \
    }
// "fsRect", ...; empty for a value outside the enumeration.
QString FaceShapeIdent(int shape);
// "角型", "CD型", ...; empty for a value outside the enumeration.
QString FaceShapeDisplayName(int shape);
// Whether a face of the shape has a centre hole.
bool ShapeHasHole(int shape);
// Out-of-range values from damaged data are drawn and measured as rectangles.
TFaceShape ValidFaceShape(int shape);

class TPurposeInfo : public TCollectionItem
{
    VELMO_PERSISTENT(TPurposeInfo, TCollectionItem)
public:
    TPurposeInfo() = default;
    const QString& ID() const { return FID; }
    void SetID(const QString& value) { FID = value; }
    const QString& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const QString& value) { FDisplayName = value; }
    TFaceShapes ShapeMask() const { return FShapeMask; }
    void SetShapeMask(TFaceShapes value) { FShapeMask = value; }

    void Assign(const TPersistent& source) override;

private:
    QString FID;
    QString FDisplayName;
    TFaceShapes FShapeMask = 0;
};

class TPurposeList : public TCollection
{
    VELMO_PERSISTENT(TPurposeList, TCollection)
public:
    TPurposeList();
    TPurposeInfo* Items(int index) const { return static_cast<TPurposeInfo*>(TCollection::Items(index)); }
    TPurposeInfo* Add() { return static_cast<TPurposeInfo*>(TCollection::Add()); }

    // Case-insensitive; the last item with the ID wins. -1 when absent.
    int Find(const QString& id) const;
    // Adds a copy of the item unless its ID is present already.
    bool AddIfAbsent(const TPurposeInfo& item);
    // Adds every item of other whose ID is absent, in other's order.
    bool Merge(const TPurposeList& other);
    // The display names in item order.
    QStringList DisplayNames() const;
    // Replaces the items with copies of the source's.
    void Assign(const TPersistent& source) override;
    // The list a catalogue without purposes starts with.
    void SetDefault();
};

// Carries a purpose list through a component stream.
class TPLStreamer : public TComponent
{
    VELMO_PERSISTENT(TPLStreamer, TComponent)
public:
    explicit TPLStreamer(TComponent* owner = nullptr);
    TPurposeList* List() const { return FList.get(); }

private:
    std::unique_ptr<TPurposeList> FList;
};

} // namespace velmo
