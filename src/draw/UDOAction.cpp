#include "draw/UDOAction.h"
#include "draw/UDrawObject.h"

namespace velmo {

namespace {
TAddActionRecorder& AddRecorder()
{
    static TAddActionRecorder recorder;
    return recorder;
}
TChangeActionFactory& ChangeFactory()
{
    static TChangeActionFactory factory;
    return factory;
}
std::function<void(TDrawObject*)>& CreatedHook()
{
    static std::function<void(TDrawObject*)> hook;
    return hook;
}
} // namespace

void SetAddActionRecorder(TAddActionRecorder recorder)
{
    AddRecorder() = std::move(recorder);
}

void RecordAddAction(TDrawObject* object, const QString& caption)
{
    if (AddRecorder())
        AddRecorder()(object, caption);
}

void SetChangeActionFactory(TChangeActionFactory factory)
{
    ChangeFactory() = std::move(factory);
}

std::unique_ptr<TChangeActionRecord> BeginChangeAction(TDrawObject* object, const QString& caption)
{
    if (!ChangeFactory())
        return nullptr;
    return ChangeFactory()(object, caption);
}

void ApplySettingChange(TDrawObject& object, const std::function<void()>& change)
{
    std::unique_ptr<TChangeActionRecord> action =
        object.OnSite() ? BeginChangeAction(&object, QStringLiteral("設定変更")) : nullptr;
    change();
    if (action)
        action->Commit();
}

void SetObjectCreatedHook(std::function<void(TDrawObject*)> hook)
{
    CreatedHook() = std::move(hook);
}

void NotifyObjectCreated(TDrawObject* object)
{
    if (CreatedHook())
        CreatedHook()(object);
}

} // namespace velmo

// ---------------------------------------------------------------------------------
// The undo history.

#include "base/UExceptions.h"
#include "draw/FDrawSite.h"
#include "draw/UDrawObject.h"
#include "draw/UNotify.h"
#include <algorithm>

namespace velmo {

int TActionGroup::Flags() const
{
    if (FActions.empty())
        return 0;
    int flags = FActions.front()->Flags();
    for (const auto& action : FActions)
        flags &= action->Flags();
    return flags;
}

QString TActionGroup::Caption() const
{
    const QString own = TActionBase::Caption();
    if (own.isEmpty() && !FActions.empty())
        return FActions.front()->Caption();
    return own;
}

void TActionGroup::Repeat()
{
    for (const auto& action : FActions)
        action->Repeat();
}

void TActionGroup::Redo()
{
    for (const auto& action : FActions)
        action->Redo();
}

void TActionGroup::Undo()
{
    // Last recorded first: z-order and add/delete records each hold the whole order
    // of their moment, and only undoing them backwards walks those moments back in
    // turn (in recording order an undone grouping or a two-object "front" came
    // back in the wrong order).
    for (auto it = FActions.rbegin(); it != FActions.rend(); ++it)
        (*it)->Undo();
}

TActionList& TActionList::Instance()
{
    static TActionList list;
    return list;
}

TActionList::~TActionList()
{
    while (FOpenGroup) {
        TActionGroup* outer = FOpenGroup->FOuter;
        delete FOpenGroup;
        FOpenGroup = outer;
    }
}

void TActionList::AddAction(std::unique_ptr<TActionBase> action)
{
    if (!action || !FEnabled)
        return; // the action is destroyed here
    if (FOpenGroup) {
        FOpenGroup->Add(std::move(action));
        return;
    }
    FActions.erase(FActions.begin() + (FCurrent + 1), FActions.end());
    FActions.push_back(std::move(action));
    FCurrent = int(FActions.size()) - 1;
    while (int(FActions.size()) > kMaxDepth) {
        FActions.erase(FActions.begin());
        --FCurrent;
    }
    Changed();
}

void TActionList::BeginGroup(const QString& caption)
{
    auto* group = new TActionGroup(caption);
    group->FOuter = FOpenGroup;
    FOpenGroup = group;
}

void TActionList::EndGroup()
{
    if (!FOpenGroup)
        throw EInternalError(QStringLiteral("group level is invalid"));
    std::unique_ptr<TActionGroup> group(FOpenGroup);
    FOpenGroup = group->FOuter;
    group->FOuter = nullptr;
    if (group->Count() > 0)
        AddAction(std::move(group));
}

int TActionList::GroupLevel() const
{
    int level = 0;
    for (TActionGroup* g = FOpenGroup; g; g = g->FOuter)
        ++level;
    return level;
}

bool TActionList::CanUndo() const
{
    return FCurrent >= 0 && FCurrent < Count() && (FActions[size_t(FCurrent)]->Flags() & afUndo);
}

bool TActionList::CanRedo() const
{
    if (FCurrent + 1 < Count())
        return FActions[size_t(FCurrent + 1)]->Flags() & afRedo;
    if (FRepeatAllowed && FCurrent >= 0 && FCurrent == Count() - 1)
        return FActions[size_t(FCurrent)]->Flags() & afRepeat;
    return false;
}

void TActionList::Undo()
{
    if (!CanUndo())
        return;
    TActionBase* action = FActions[size_t(FCurrent)].get();
    --FCurrent;
    action->Undo();
    Changed();
}

void TActionList::Redo()
{
    if (!CanRedo())
        return;
    if (FCurrent + 1 < Count()) {
        ++FCurrent;
        FActions[size_t(FCurrent)]->Redo();
    } else {
        FActions[size_t(FCurrent)]->Repeat();
    }
    Changed();
}

QString TActionList::UndoCaption() const
{
    if (FCurrent >= 0 && FCurrent < Count())
        return FActions[size_t(FCurrent)]->Caption();
    return {};
}

QString TActionList::RedoCaption() const
{
    if (FCurrent + 1 < Count())
        return FActions[size_t(FCurrent + 1)]->Caption();
    if (FRepeatAllowed && FCurrent >= 0 && FCurrent == Count() - 1)
        return FActions[size_t(FCurrent)]->Caption();
    return {};
}

void TActionList::Clear()
{
    std::vector<std::unique_ptr<TActionBase>> actions = std::move(FActions);
    FActions.clear();
    FCurrent = -1;
    actions.clear();
    Changed();
}

void TActionList::Changed()
{
    if (OnChange)
        OnChange();
}

TActionGroupScope::TActionGroupScope(const QString& caption, TActionList& list) : FList(list)
{
    FList.BeginGroup(caption);
}

TActionGroupScope::~TActionGroupScope()
{
    try {
        FList.EndGroup();
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------

TDOActionBase::TDOActionBase()
{
    SetFlags(afUndo | afRedo);
    FListener = std::make_unique<TListener>([this](TComponent* sender, const TGUID& kind) {
        if (kind == nkDestroying)
            if (auto* object = dynamic_cast<TDrawObject*>(sender))
                Forget(object);
    });
}

TDOActionBase::~TDOActionBase() = default;

void TDOActionBase::Watch(TDrawObject* object)
{
    if (object)
        FListener->ListenTo(&object->Notifier());
}

void TDOActionBase::Unwatch(TDrawObject* object)
{
    if (object)
        FListener->StopListening(&object->Notifier());
}

std::vector<TDrawObject*> TDOActionBase::TopDown(const TDrawSite* site)
{
    std::vector<TDrawObject*> list;
    if (site)
        for (int i = site->ObjectCount() - 1; i >= 0; --i)
            list.push_back(site->Objects(i));
    return list;
}

void TDOActionBase::RestoreOrder(const std::vector<TDrawObject*>& topDown)
{
    for (TDrawObject* object : topDown)
        if (object && object->OnSite())
            object->SendToBackInLayer();
}

void TDOActionBase::ForgetIn(std::vector<TDrawObject*>& list, TDrawObject* object)
{
    std::replace(list.begin(), list.end(), object, static_cast<TDrawObject*>(nullptr));
}

// ---- change

TDOChangeAction::TDOChangeAction(TDrawObject* target, const QString& caption, bool changed)
    : FTarget(target), FChanged(changed)
{
    SetCaption(caption);
    FBefore.reset(CloneDrawObject(*target, nullptr));
    FAfter.reset(CloneDrawObject(*target, nullptr));
    FListener->SetCallback([this](TComponent* sender, const TGUID& kind) {
        if (sender == FTarget && kind == nkChanged)
            FChanged = true;
        if (kind == nkDestroying)
            if (auto* object = dynamic_cast<TDrawObject*>(sender))
                Forget(object);
    });
    Watch(FTarget);
}

TDOChangeAction::~TDOChangeAction()
{
    Unwatch(FTarget);
}

void TDOChangeAction::Commit(std::unique_ptr<TDOChangeAction> action, TActionList& list)
{
    if (!action)
        return;
    if (!action->FTarget || !action->FTarget->OnSite() || !action->FChanged)
        return; // nothing changed: no entry
    action->FAfter->Assign(*action->FTarget);
    list.AddAction(std::move(action));
}

void TDOChangeAction::Forget(TDrawObject* object)
{
    if (object == FTarget)
        FTarget = nullptr;
}

void TDOChangeAction::Restore(TDrawObject* copy)
{
    if (!FTarget)
        return;
    // The copies were taken with the selection of their moment.
    copy->SetSelected(true);
    FTarget->Assign(*copy);
    if (FTarget->OnSite()) {
        FTarget->SetSelected(true);
        FTarget->Invalidate();
    }
}

void TDOChangeAction::Undo()
{
    Restore(FBefore.get());
}

void TDOChangeAction::Redo()
{
    Restore(FAfter.get());
}

// ---- layer

TDOLayerAction::TDOLayerAction(TDrawSite* site, const QString& caption) : FSite(site)
{
    SetCaption(caption);
    FBefore = TopDown(site);
    for (TDrawObject* object : FBefore)
        Watch(object);
}

void TDOLayerAction::Commit(std::unique_ptr<TDOLayerAction> action, TActionList& list)
{
    if (!action)
        return;
    action->FAfter = TopDown(action->FSite);
    for (TDrawObject* object : action->FAfter) {
        action->Watch(object);
        if (object->Selected())
            action->FSelected.push_back(object);
    }
    list.AddAction(std::move(action));
}

void TDOLayerAction::Forget(TDrawObject* object)
{
    ForgetIn(FBefore, object);
    ForgetIn(FAfter, object);
    ForgetIn(FSelected, object);
}

void TDOLayerAction::Apply(const std::vector<TDrawObject*>& order)
{
    RestoreOrder(order);
    for (TDrawObject* object : FSelected)
        if (object && object->OnSite())
            object->SetSelected(true);
    if (FSite)
        FSite->update();
}

void TDOLayerAction::Undo()
{
    Apply(FBefore);
}

void TDOLayerAction::Redo()
{
    Apply(FAfter);
}

// ---- add and delete

TDOAddDelAction::TDOAddDelAction(TDrawObject* object, const QString& caption, bool owns)
    : FObject(object), FSite(object ? object->Site() : nullptr), FOwns(owns)
{
    SetCaption(caption);
    FOrder = TopDown(FSite);
    for (TDrawObject* o : FOrder)
        Watch(o);
    Watch(FObject);
}

TDOAddDelAction::~TDOAddDelAction()
{
    FListener->DetachAll();
    if (FOwns && FObject)
        delete FObject;
}

void TDOAddDelAction::Forget(TDrawObject* object)
{
    if (object == FObject)
        FObject = nullptr;
    ForgetIn(FOrder, object);
}

void TDOAddDelAction::TakeOff()
{
    FOwns = true;
    if (!FObject)
        return;
    FObject->SetSelected(false);
    FObject->Invalidate();
    FObject->SetSite(nullptr);
}

void TDOAddDelAction::PutBack()
{
    if (!FObject || !FSite)
        return;
    FOwns = false;
    FSite->AddObject(FObject);
    FObject->SetSelected(true);
    RestoreOrder(FOrder);
    FObject->Invalidate();
}

void InstallActionHistory()
{
    SetAddActionRecorder([](TDrawObject* object, const QString& caption) {
        if (object)
            TActionList::Instance().AddAction(std::make_unique<TDOAddAction>(object, caption));
    });
    struct Record : TChangeActionRecord
    {
        std::unique_ptr<TDOChangeAction> Action;
        void Commit() override { TDOChangeAction::Commit(std::move(Action)); }
    };
    SetChangeActionFactory(
        [](TDrawObject* object, const QString& caption) -> std::unique_ptr<TChangeActionRecord> {
            if (!object)
                return nullptr;
            auto record = std::make_unique<Record>();
            record->Action = std::make_unique<TDOChangeAction>(object, caption);
            return record;
        });
}

} // namespace velmo
