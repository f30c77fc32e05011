#pragma once
// Where drags and commands hand their changes to the undo history. The history
// installs the recorders at start-up; without them changes simply take effect.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace velmo {

class TDrawObject;

// Records an "add" step in the undo history.
using TAddActionRecorder = std::function<void(TDrawObject* object, const QString& caption)>;
void SetAddActionRecorder(TAddActionRecorder recorder);
void RecordAddAction(TDrawObject* object, const QString& caption);

// A change of one object, taken before the change and committed after it; an action
// whose object reported no change leaves no history entry (the history's concern).
class TChangeActionRecord
{
public:
    virtual ~TChangeActionRecord() = default;
    virtual void Commit() = 0;
};
using TChangeActionFactory =
    std::function<std::unique_ptr<TChangeActionRecord>(TDrawObject* object, const QString& caption)>;
void SetChangeActionFactory(TChangeActionFactory factory);
// nullptr when no history is installed.
std::unique_ptr<TChangeActionRecord> BeginChangeAction(TDrawObject* object, const QString& caption);
// Runs `change` on the object. On a site the change becomes one undoable step named
// "設定変更" (a property dialog's OK); an object not yet placed is simply changed.
void ApplySettingChange(TDrawObject& object, const std::function<void()>& change);

// Told when a drag has created a new object (the editor switches its move modes off).
void SetObjectCreatedHook(std::function<void(TDrawObject* object)> hook);
void NotifyObjectCreated(TDrawObject* object);

} // namespace velmo

// ---------------------------------------------------------------------------------
// The undo history.

namespace velmo {

class TDrawSite;
class TListener;

enum TActionFlag : int
{
    afUndo = 1,
    afRedo = 2,
    afRepeat = 4,
};

class TActionBase
{
public:
    virtual ~TActionBase() = default;
    virtual int Flags() const { return FFlags; }
    void SetFlags(int flags) { FFlags = flags; }
    virtual QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }
    virtual void Repeat() {}
    virtual void Redo() {}
    virtual void Undo() {}

private:
    int FFlags = 0;
    QString FCaption;
};

// Several actions recorded by one command; undone and redone as one step.
class TActionGroup : public TActionBase
{
public:
    explicit TActionGroup(const QString& caption) { SetCaption(caption); }
    int Flags() const override;
    QString Caption() const override;
    // Redo and repeat run the members in recording order, undo last to first.
    void Repeat() override;
    void Redo() override;
    void Undo() override;
    void Add(std::unique_ptr<TActionBase> action) { FActions.push_back(std::move(action)); }
    int Count() const { return int(FActions.size()); }
    TActionBase* Items(int index) const { return FActions.at(size_t(index)).get(); }

private:
    friend class TActionList;
    std::vector<std::unique_ptr<TActionBase>> FActions;
    TActionGroup* FOuter = nullptr;
};

// The one history of the application, at most kMaxDepth steps deep.
class TActionList
{
public:
    static constexpr int kMaxDepth = 10;
    static TActionList& Instance();

    TActionList() = default;
    ~TActionList();
    TActionList(const TActionList&) = delete;
    TActionList& operator=(const TActionList&) = delete;

    void AddAction(std::unique_ptr<TActionBase> action);
    void BeginGroup(const QString& caption);
    // Raises EInternalError "group level is invalid" without an open group.
    void EndGroup();
    int GroupLevel() const;

    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    QString UndoCaption() const;
    QString RedoCaption() const;
    void Clear();

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    void SetRepeatAllowed(bool value) { FRepeatAllowed = value; }

    int Count() const { return int(FActions.size()); }
    int CurrentIndex() const { return FCurrent; }
    TActionBase* Items(int index) const { return FActions.at(size_t(index)).get(); }

    // Told after every change of the history (menus refresh their captions).
    std::function<void()> OnChange;

private:
    void Changed();

    std::vector<std::unique_ptr<TActionBase>> FActions;
    int FCurrent = -1;
    bool FRepeatAllowed = true;
    bool FEnabled = true;
    TActionGroup* FOpenGroup = nullptr; // innermost
};

// Opens a group for a scope and closes it even when a step throws.
class TActionGroupScope
{
public:
    TActionGroupScope(const QString& caption, TActionList& list = TActionList::Instance());
    ~TActionGroupScope();
    TActionGroupScope(const TActionGroupScope&) = delete;
    TActionGroupScope& operator=(const TActionGroupScope&) = delete;

private:
    TActionList& FList;
};

// The objects an action refers to, forgotten when destroyed.
class TDOActionBase : public TActionBase
{
public:
    TDOActionBase();
    ~TDOActionBase() override;

protected:
    void Watch(TDrawObject* object);
    void Unwatch(TDrawObject* object);
    virtual void Forget(TDrawObject* object) = 0;
    // The site's objects from the top of the z-order down.
    static std::vector<TDrawObject*> TopDown(const TDrawSite* site);
    // Sends each recorded object, from the top one down, to the back of its layer
    // group: that rebuilds the recorded order.
    static void RestoreOrder(const std::vector<TDrawObject*>& topDown);
    static void ForgetIn(std::vector<TDrawObject*>& list, TDrawObject* object);

    std::unique_ptr<TListener> FListener;
};

class TDOChangeAction : public TDOActionBase
{
public:
    explicit TDOChangeAction(TDrawObject* target, const QString& caption = QString(), bool changed = false);
    ~TDOChangeAction() override;
    // Records the action in the history when the target reported a change (or the
    // action was made changed); otherwise destroys it.
    static void Commit(std::unique_ptr<TDOChangeAction> action, TActionList& list = TActionList::Instance());
    bool IsChanged() const { return FChanged; }
    TDrawObject* Target() const { return FTarget; }
    void Undo() override;
    void Redo() override;

protected:
    void Forget(TDrawObject* object) override;

private:
    void Restore(TDrawObject* copy);
    TDrawObject* FTarget;
    std::unique_ptr<TDrawObject> FBefore;
    std::unique_ptr<TDrawObject> FAfter;
    bool FChanged;
};

class TDOLayerAction : public TDOActionBase
{
public:
    explicit TDOLayerAction(TDrawSite* site, const QString& caption = QString());
    static void Commit(std::unique_ptr<TDOLayerAction> action, TActionList& list = TActionList::Instance());
    void Undo() override;
    void Redo() override;

protected:
    void Forget(TDrawObject* object) override;

private:
    void Apply(const std::vector<TDrawObject*>& order);
    TDrawSite* FSite;
    std::vector<TDrawObject*> FBefore;
    std::vector<TDrawObject*> FAfter;
    std::vector<TDrawObject*> FSelected;
};

// Adding (the object is on the site) and deleting (it is taken off) share the data.
class TDOAddDelAction : public TDOActionBase
{
public:
    TDOAddDelAction(TDrawObject* object, const QString& caption, bool owns);
    ~TDOAddDelAction() override;
    TDrawObject* Object() const { return FObject; }

protected:
    void Forget(TDrawObject* object) override;
    void TakeOff();
    void PutBack();

private:
    TDrawObject* FObject;
    TDrawSite* FSite;
    std::vector<TDrawObject*> FOrder;
    bool FOwns;
};

class TDOAddAction : public TDOAddDelAction
{
public:
    explicit TDOAddAction(TDrawObject* object, const QString& caption = QStringLiteral("追加"))
        : TDOAddDelAction(object, caption, false)
    {
    }
    void Undo() override { TakeOff(); }
    void Redo() override { PutBack(); }
};

class TDODelAction : public TDOAddDelAction
{
public:
    explicit TDODelAction(TDrawObject* object, const QString& caption = QString())
        : TDOAddDelAction(object, caption, true)
    {
    }
    void Undo() override { PutBack(); }
    void Redo() override { TakeOff(); }
};

// Points the add and change recorders of the drags at the history.
void InstallActionHistory();

} // namespace velmo
