#pragma once
// Where drags and commands hand their changes to the undo history. The history
// installs the recorders at start-up; without them changes simply take effect.
#include <QString>
#include <functional>
#include <memory>

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

// Told when a drag has created a new object (the editor switches its move modes off).
void SetObjectCreatedHook(std::function<void(TDrawObject* object)> hook);
void NotifyObjectCreated(TDrawObject* object);

} // namespace velmo
