#include "objects/ULabelObject.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include <QPainter>
#include <algorithm>

namespace velmo {

namespace {
bool& PrintOutputSwitch()
{
    static bool on = false;
    return on;
}
} // namespace

bool PrintOutput()
{
    return PrintOutputSwitch();
}

void SetPrintOutput(bool value)
{
    PrintOutputSwitch() = value;
}

// ---------------------------------------------------------------------------------

TDesignerList& TDesignerList::Instance()
{
    static TDesignerList list;
    return list;
}

void TDesignerList::Register(std::shared_ptr<IDODesigner> designer)
{
    if (designer)
        FDesigners.push_back(std::move(designer));
}

void TDesignerList::Unregister(const IDODesigner* designer)
{
    FDesigners.erase(std::remove_if(FDesigners.begin(), FDesigners.end(),
                                    [designer](const auto& d) { return d.get() == designer; }),
                     FDesigners.end());
}

bool TDesignerList::CreateObject(TDrawSite* site, const QString& kind)
{
    // A designer may register or remove others while it works: ask a snapshot.
    const auto designers = FDesigners;
    for (auto it = designers.rbegin(); it != designers.rend(); ++it)
        if ((*it)->CreateObject(site, kind))
            return true;
    return false;
}

bool TDesignerList::Edit(TLabelObject* object, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    if (!object)
        return false;
    const auto designers = FDesigners;
    for (auto it = designers.rbegin(); it != designers.rend(); ++it) {
        bool wasCancelled = false;
        if ((*it)->EditObject(object, wasCancelled)) {
            if (TDrawSite* site = object->Site())
                site->RefreshPivots();
            if (cancelled)
                *cancelled = wasCancelled;
            return !wasCancelled;
        }
    }
    return false;
}

bool TDesignerList::ShowPivots(TLabelObject* object)
{
    const auto designers = FDesigners;
    for (auto it = designers.rbegin(); it != designers.rend(); ++it)
        if ((*it)->ShowPivots(object))
            return true;
    return false;
}

bool TDesignerList::BeginDrag(TLabelObject* object, int pivotIndex)
{
    const auto designers = FDesigners;
    for (auto it = designers.rbegin(); it != designers.rend(); ++it)
        if ((*it)->BeginDrag(object, pivotIndex))
            return true;
    return false;
}

TLabelObject* TDesignerList::MakeObject(const QString& kind)
{
    const auto designers = FDesigners;
    for (auto it = designers.rbegin(); it != designers.rend(); ++it)
        if (TLabelObject* object = (*it)->MakeObject(kind))
            return object;
    return nullptr;
}

// ---------------------------------------------------------------------------------

TLabelObject::TLabelObject(TComponent* owner) : TDrawObject(owner)
{
    OnDblClick = [](TDrawObject* sender) {
        auto* object = static_cast<TLabelObject*>(sender);
        if (object->Edit()) {
            if (TDrawSite* site = object->Site(); site && site->OnClearGhost)
                site->OnClearGhost(object);
        }
    };
}

const TPropertyTable& TLabelObject::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("DontPrint", &TLabelObject::DontPrint, &TLabelObject::SetDontPrint)
            .Int<TLabelObject>(
                "BlendRatio", [](const TLabelObject& o) { return o.BlendRatio(); },
                [](TLabelObject& o, int64_t v) { o.SetBlendRatio(int(v)); })
            .Default(100)
            .Bool<TLabelObject>(
                "BlendShade", [](const TLabelObject& o) { return o.BlendShade(); },
                [](TLabelObject& o, int64_t v) { o.SetBlendShade(v != 0); })
            .Default(0);
    return table;
}

void* TLabelObject::QueryInterface(const TGUID& iid)
{
    if (iid == IDOBlend::IID)
        return static_cast<IDOBlend*>(this);
    return TDrawObject::QueryInterface(iid);
}

void TLabelObject::SetDontPrint(bool value)
{
    if (value == FDontPrint)
        return;
    FDontPrint = value;
    Notifier().Notify(this, nkDontPrint);
    Changed();
}

void TLabelObject::SetBlendRatio(int value)
{
    if (value == FBlendRatio)
        return;
    FBlendRatio = value;
    Changed();
    Invalidate();
}

void TLabelObject::SetBlendShade(bool value)
{
    if (value == FBlendShade)
        return;
    FBlendShade = value;
    Changed();
    Invalidate();
}

bool TLabelObject::Edit(bool* cancelled)
{
    return TDesignerList::Instance().Edit(this, cancelled);
}

void TLabelObject::ShowPivots()
{
    TDesignerList::Instance().ShowPivots(this);
}

void TLabelObject::BeginDrag(int pivotIndex)
{
    TDesignerList::Instance().BeginDrag(this, pivotIndex);
}

void TLabelObject::SetMovable(bool value)
{
    if (value == Movable())
        return;
    Changed();
    TDrawObject::SetMovable(value);
}

void TLabelObject::DrawTo(QPainter& painter)
{
    if (FDontPrint && (IsPrinting(painter) || PrintOutput()))
        return;
    TDrawObject::DrawTo(painter);
}

void TLabelObject::AssignDrawObject(const TDrawObject& source)
{
    TDrawObject::AssignDrawObject(source);
    const auto* other = dynamic_cast<const TLabelObject*>(&source);
    if (!other)
        return;
    SetSelectable(other->Selectable());
    SetEnabled(other->Enabled());
    SetMovable(other->Movable());
    SetTag(other->Tag());
    SetHint(other->Hint());
    SetCursor(other->Cursor());
    SetDontPrint(other->DontPrint());
    SetBlendShade(other->BlendShade());
    SetBlendRatio(other->BlendRatio());
}

TLabelObject* Clone(const TLabelObject& object, TComponent* owner)
{
    return static_cast<TLabelObject*>(CloneDrawObject(object, owner));
}

} // namespace velmo
