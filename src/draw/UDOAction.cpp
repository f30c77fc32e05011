#include "draw/UDOAction.h"

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
