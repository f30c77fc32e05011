#include "paper/UPurposeInfo.h"

namespace velmo {

QString FaceShapeIdent(int shape)
{
    static const char* const idents[kFaceShapeCount] = VELMO_FACE_SHAPE_IDENTS;
    if (shape < 0 || shape >= kFaceShapeCount)
        return {};
    return QString::fromLatin1(idents[shape]);
}

QString FaceShapeDisplayName(int shape)
{
    static const char16_t* const names[kFaceShapeCount] = {u"角型",   u"CD型",     u"丸型",
                                                           u"角丸型", u"名刺型CD", u"たる型CD"};
    if (shape < 0 || shape >= kFaceShapeCount)
        return {};
    return QString::fromUtf16(names[shape]);
}

bool ShapeHasHole(int shape)
{
    return shape == fsDoughnut || shape == fsRectCD || shape == fsBarrelCD;
}

TFaceShape ValidFaceShape(int shape)
{
    return shape >= 0 && shape < kFaceShapeCount ? TFaceShape(shape) : fsRect;
}

// ---- TPurposeInfo

const TPropertyTable& TPurposeInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("ID", &TPurposeInfo::FID, &TPurposeInfo::FID)
            .String("DisplayName", &TPurposeInfo::FDisplayName, &TPurposeInfo::FDisplayName)
            .Set("ShapeMask", &TPurposeInfo::FShapeMask, &TPurposeInfo::FShapeMask, VELMO_FACE_SHAPE_IDENTS);
    return table;
}

void TPurposeInfo::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TPurposeInfo*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    FID = other->FID;
    FDisplayName = other->FDisplayName;
    FShapeMask = other->FShapeMask;
}

// ---- TPurposeList

const TPropertyTable& TPurposeList::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TPurposeList::TPurposeList() : TCollection(ItemFactory<TPurposeInfo>()) {}

int TPurposeList::Find(const QString& id) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->ID().compare(id, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TPurposeList::AddIfAbsent(const TPurposeInfo& item)
{
    if (Find(item.ID()) >= 0)
        return false;
    Add()->Assign(item);
    return true;
}

bool TPurposeList::Merge(const TPurposeList& other)
{
    if (&other == this)
        return false;
    bool added = false;
    for (int i = 0; i < other.Count(); ++i)
        added = AddIfAbsent(*other.Items(i)) || added;
    return added;
}

QStringList TPurposeList::DisplayNames() const
{
    QStringList names;
    for (int i = 0; i < Count(); ++i)
        names.append(Items(i)->DisplayName());
    return names;
}

void TPurposeList::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TPurposeList*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    Clear();
    for (int i = 0; i < other->Count(); ++i)
        Add()->Assign(*other->Items(i));
}

void TPurposeList::SetDefault()
{
    Clear();
    const auto add = [this](const QString& id, TFaceShapes mask) {
        TPurposeInfo* item = Add();
        item->SetID(id);
        item->SetDisplayName(id);
        item->SetShapeMask(mask);
    };
    const TFaceShapes squares = FaceShapeBit(fsRect) | FaceShapeBit(fsRoundRect);
    add(QStringLiteral("CD"), FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse));
    add(QStringLiteral("CDCover"), squares);
    add(QStringLiteral("CDCaseTray"), squares);
    add(QStringLiteral("MOSquare"), squares);
    add(QString(), 0);
}

// ---- TPLStreamer

const TPropertyTable& TPLStreamer::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("List", &TPLStreamer::List);
    return table;
}

TPLStreamer::TPLStreamer(TComponent* owner) : TComponent(owner), FList(std::make_unique<TPurposeList>()) {}

} // namespace velmo
