#include "draw/UNotify.h"
#include "base/UExceptions.h"
#include <algorithm>

namespace velmo {

namespace {
const QString& InfinityLoopMessage()
{
    static const QString message = QStringLiteral("fall into infinity loop.");
    return message;
}
} // namespace

QString TGUID::ToString() const
{
    QString s = QStringLiteral("{%1-%2-%3-")
                    .arg(D1, 8, 16, QChar('0'))
                    .arg(D2, 4, 16, QChar('0'))
                    .arg(D3, 4, 16, QChar('0'));
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            s += u'-';
        s += QStringLiteral("%1").arg(D4[i], 2, 16, QChar('0'));
    }
    s += u'}';
    return s.toUpper();
}

// ---------------------------------------------------------------------------------

TBroadcaster::~TBroadcaster()
{
    Notify(FOwner, nkDestroying);
    try {
        DetachAll();
    } catch (const Exception&) {
        // A partner that refuses to let go cannot be helped here; forget it rather
        // than leave the destructor by an exception.
        FListeners.clear();
    }
}

bool TBroadcaster::HasListener(const IChangeListener* listener) const
{
    return std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end();
}

void TBroadcaster::Notify(TComponent* sender, const TGUID& kind)
{
    // A listener may detach itself or others while it is told; only those still
    // attached are told.
    const std::vector<IChangeListener*> snapshot = FListeners;
    for (IChangeListener* listener : snapshot)
        if (HasListener(listener))
            listener->Notified(sender, kind);
}

void TBroadcaster::AttachListener(IChangeListener* listener)
{
    if (!listener || HasListener(listener))
        return;
    FListeners.push_back(listener);
    listener->Attached(this);
}

void TBroadcaster::DetachListener(IChangeListener* listener)
{
    const auto it = std::find(FListeners.begin(), FListeners.end(), listener);
    if (it == FListeners.end())
        return;
    FListeners.erase(it);
    listener->Detached(this);
}

void TBroadcaster::DetachAll()
{
    while (!FListeners.empty()) {
        const size_t before = FListeners.size();
        DetachListener(FListeners.back());
        if (FListeners.size() >= before)
            throw EInternalError(InfinityLoopMessage());
    }
}

// ---------------------------------------------------------------------------------

TListener::~TListener()
{
    try {
        DetachAll();
    } catch (const Exception&) {
        FBroadcasters.clear();
    }
}

void TListener::Notified(TComponent* sender, const TGUID& kind)
{
    if (FCallback)
        FCallback(sender, kind);
}

void TListener::Attached(IChangeBroadcaster* broadcaster)
{
    if (std::find(FBroadcasters.begin(), FBroadcasters.end(), broadcaster) == FBroadcasters.end())
        FBroadcasters.push_back(broadcaster);
}

void TListener::Detached(IChangeBroadcaster* broadcaster)
{
    const auto it = std::find(FBroadcasters.begin(), FBroadcasters.end(), broadcaster);
    if (it != FBroadcasters.end())
        FBroadcasters.erase(it);
}

void TListener::DetachAll()
{
    while (!FBroadcasters.empty()) {
        const size_t before = FBroadcasters.size();
        FBroadcasters.back()->DetachListener(this);
        if (FBroadcasters.size() >= before)
            throw EInternalError(InfinityLoopMessage());
    }
}

// ---------------------------------------------------------------------------------

void TChangeNotify::BeginUpdate()
{
    if (FUpdateCount == 0)
        FChanged = false;
    ++FUpdateCount;
}

void TChangeNotify::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0 && FChanged) {
        FChanged = false;
        Notify(Owner(), nkChanged);
        if (OnChange)
            OnChange();
    }
}

void TChangeNotify::Changed()
{
    BeginUpdate();
    FChanged = true;
    EndUpdate();
}

TUpdateBracket::~TUpdateBracket() noexcept(false)
{
    if (std::uncaught_exceptions() > FUnwinding) {
        try {
            FNotify.EndUpdate();
        } catch (...) {
        }
        return;
    }
    FNotify.EndUpdate();
}

} // namespace velmo
