#include "objects/ULOCreator.h"
#include "draw/FDrawSite.h"
#include "draw/UGhost.h"
#include "objects/ULDObjects.h"
#include <QHash>
#include <memory>

namespace velmo {

namespace {

struct KindInfo
{
    const char* Kind;
    const char* Class;
};

// Kind -> class made for it.
constexpr KindInfo kKinds[] = {
    {"TLOLine", "TLOLine"},
    {"TLODecoLine", "TLODecoLine"},
    {"TLOCurve", "TLOCurve"},
    {"TLOCircle", "TLOCircle"},
    {"TLORect", "TLORect"},
    {"TLOJANCode", "TLOBarCode"},
    {"TLOBarCode", "TLOBarCode"},
    {"TLOZintBarCode", "TLOZintBarCode"},
    {"TLOImage", "TLOVelmoImage"},
    {"TLOImagePaste", "TLOVelmoImage"},
    {"TLOOnePoint", "TLOVelmoImage"},
    {"TLOTwain", "TLOVelmoImage"},
    {"TLOText", "TLOVelmoText"},
    {"TLOTextPaste", "TLOVelmoText"},
    {"TLOField", "TLOField"},
    {"TLODate", "TLODate"},
    {"TLOBackImage", "TLOBackImage"},
    {"TLODecoString", "TLODecoString"},
    {"TLOInsText", "TLOInsText"},
    {"TLOInsImage", "TLOInsImage"},
    {"TLOInsBarCode", "TLOInsBarCode"},
    {"TLOInsZintBarCode", "TLOInsZintBarCode"},
    {"TLONumbering", "TLONumbering"},
};

QHash<QString, TLOCreator::TPreparation>& Preparations()
{
    static QHash<QString, TLOCreator::TPreparation> preparations;
    return preparations;
}

std::function<void(TLabelObject*)>& CreationHook()
{
    static std::function<void(TLabelObject*)> hook;
    return hook;
}

struct TReplacement
{
    TLabelObject* Original = nullptr;
    std::unique_ptr<TLabelObject> Object;
};

TReplacement& PendingReplacement()
{
    static TReplacement replacement;
    return replacement;
}

std::function<void()>& CreatedHook()
{
    static std::function<void()> hook;
    return hook;
}

bool IsOneOf(const QString& kind, std::initializer_list<const char*> kinds)
{
    for (const char* k : kinds)
        if (kind == QLatin1String(k))
            return true;
    return false;
}

} // namespace

QString TLOCreator::ClassForKind(const QString& kind)
{
    for (const KindInfo& info : kKinds)
        if (kind == QLatin1String(info.Kind))
            return QString::fromLatin1(info.Class);
    return {};
}

bool TLOCreator::EditFirst(const QString& kind)
{
    if (ClassForKind(kind).isEmpty())
        return false;
    return !IsOneOf(
        kind, {"TLOImagePaste", "TLOTextPaste", "TLOLine", "TLOCurve", "TLOCircle", "TLORect", "TLOJANCode"});
}

bool TLOCreator::DragToCreate(const QString& kind)
{
    return IsOneOf(kind, {"TLOField", "TLOLine", "TLOCurve", "TLOCircle", "TLORect", "TLOJANCode"});
}

void TLOCreator::SetPreparation(const QString& kind, TPreparation preparation)
{
    Preparations().insert(kind, std::move(preparation));
}

bool TLOCreator::HasPreparation(const QString& kind)
{
    const auto it = Preparations().constFind(kind);
    return it != Preparations().constEnd() && *it;
}

void TLOCreator::SetCreationHook(std::function<void(TLabelObject*)> hook)
{
    CreationHook() = std::move(hook);
}

void TLOCreator::ReplaceNewObject(TLabelObject* original, TLabelObject* replacement)
{
    PendingReplacement().Original = original;
    PendingReplacement().Object.reset(replacement);
}

void TLOCreator::SetCreatedHook(std::function<void()> hook)
{
    CreatedHook() = std::move(hook);
}

TLabelObject* TLOCreator::MakeObject(const QString& kind)
{
    const QString className = ClassForKind(kind);
    if (className.isEmpty())
        return nullptr;
    const TComponentClass* cls = FindLabelClassByName(className);
    if (!cls)
        return nullptr;
    std::unique_ptr<TComponent> component(cls->Create(nullptr));
    auto* object = dynamic_cast<TLabelObject*>(component.get());
    if (!object)
        return nullptr;
    component.release();
    return object;
}

bool TLOCreator::CreateObject(TDrawSite* site, const QString& kind)
{
    if (!site)
        return false;
    std::unique_ptr<TLabelObject> object(TDesignerList::Instance().MakeObject(kind));
    if (!object)
        return false;

    // Generic preparation; what needs a kind's own API comes from its module.
    if (IsOneOf(kind, {"TLOText", "TLOTextPaste", "TLODate", "TLOInsText", "TLONumbering"}))
        if (IDOAutoSize* autoSize = Supports<IDOAutoSize>(object.get()))
            autoSize->SetAutoSize(true);
    if (kind == QLatin1String("TLOBackImage")) {
        if (IDOBounds* bounds = Supports<IDOBounds>(object.get())) {
            bounds->SetBoundsLeft(0);
            bounds->SetBoundsTop(0);
            bounds->SetBoundsWidth(site->LogWidth());
            bounds->SetBoundsHeight(site->LogHeight());
        }
        object->SetEnabled(false);
        object->SetSelectable(false);
    }
    if (const auto it = Preparations().constFind(kind); it != Preparations().constEnd() && *it)
        (*it)(object.get(), site);
    const bool editFirst = EditFirst(kind);
    const bool dragToCreate = DragToCreate(kind);

    site->InsertComponent(object.get());
    TGhostList::Instance().Cancel();
    if (CreationHook()) {
        CreationHook()(object.get());
        object->SetSelected(false);
    }
    site->setCursor(Qt::ArrowCursor);
    if (editFirst) {
        bool cancelled = false;
        PendingReplacement() = {};
        object->Edit(&cancelled);
        TReplacement replacement = std::move(PendingReplacement());
        PendingReplacement() = {};
        if (cancelled)
            return true; // the unique_ptr destroys the object; nothing was added
        if (replacement.Object && replacement.Original == object.get()) {
            site->InsertComponent(replacement.Object.get());
            object = std::move(replacement.Object);
        }
    }
    TLabelObject* placed = object.release();
    placed->SetCursor(crHandPoint);
    site->AddObject(placed);
    if (dragToCreate) {
        placed->SetVisible(false);
        site->setCursor(Qt::CrossCursor);
        placed->BeginDrag(-2);
    } else {
        if (placed->Selectable())
            PlaceNewObject(placed, site);
        RecordAddAction(placed, QStringLiteral("追加"));
        if (placed->Selectable()) {
            site->SelectAll(false);
            placed->SetSelected(true);
            site->RefreshPivots();
        }
    }
    if (CreatedHook())
        CreatedHook()();
    return true;
}

} // namespace velmo
