#pragma once
// Change notifications between draw objects and sites: broadcasters, listeners and
// the update-counting notifier, with notification kinds identified by GUIDs.
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

namespace velmo {

class TComponent;

struct TGUID
{
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    uint8_t D4[8] = {};
    constexpr bool operator==(const TGUID& other) const
    {
        if (D1 != other.D1 || D2 != other.D2 || D3 != other.D3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (D4[i] != other.D4[i])
                return false;
        return true;
    }
    // "{1153AE63-523C-11D3-AD37-00500463098A}"
    QString ToString() const;
};

// Notification kinds.
inline constexpr TGUID nkChanged{
    0x1153AE63, 0x523C, 0x11D3, {0xAD, 0x37, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
inline constexpr TGUID nkDestroying{
    0xFF0E0940, 0x2D29, 0x11D3, {0xAC, 0xCC, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
inline constexpr TGUID nkSelection{
    0xB423E361, 0x44C6, 0x11D3, {0xAD, 0x13, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
inline constexpr TGUID nkMovable{
    0xB45F6E91, 0x458A, 0x11D3, {0xAD, 0x15, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
inline constexpr TGUID nkDontPrint{
    0xB45F6E92, 0x458A, 0x11D3, {0xAD, 0x15, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};

class IChangeListener;

class IChangeBroadcaster
{
public:
    static constexpr TGUID IID{0xD945C5B0, 0x29DA, 0x11D3, {0xAC, 0xA5, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
    virtual ~IChangeBroadcaster() = default;
    virtual void Notify(TComponent* sender, const TGUID& kind) = 0;
    virtual void AttachListener(IChangeListener* listener) = 0;
    virtual void DetachListener(IChangeListener* listener) = 0;
};

class IChangeListener
{
public:
    static constexpr TGUID IID{0xD945C5B1, 0x29DA, 0x11D3, {0xAC, 0xA5, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
    virtual ~IChangeListener() = default;
    virtual void Notified(TComponent* sender, const TGUID& kind) = 0;
    virtual void Attached(IChangeBroadcaster* broadcaster) = 0;
    virtual void Detached(IChangeBroadcaster* broadcaster) = 0;
};

// Sends notifications to its listeners. On destruction it first tells them
// nkDestroying and then detaches every one, so no listener keeps a dangling link.
class TBroadcaster : public IChangeBroadcaster
{
public:
    explicit TBroadcaster(TComponent* owner) : FOwner(owner) {}
    ~TBroadcaster() override;
    TBroadcaster(const TBroadcaster&) = delete;
    TBroadcaster& operator=(const TBroadcaster&) = delete;

    TComponent* Owner() const { return FOwner; }
    void Notify(TComponent* sender, const TGUID& kind) override;
    void AttachListener(IChangeListener* listener) override;
    void DetachListener(IChangeListener* listener) override;
    int ListenerCount() const { return int(FListeners.size()); }
    bool HasListener(const IChangeListener* listener) const;
    // Raises EInternalError "fall into infinity loop." when a listener does not let go.
    void DetachAll();

private:
    TComponent* FOwner;
    std::vector<IChangeListener*> FListeners;
};

// Receives notifications from the broadcasters it is attached to; detaches from all
// of them when destroyed.
class TListener : public IChangeListener
{
public:
    using TCallback = std::function<void(TComponent* sender, const TGUID& kind)>;
    explicit TListener(TCallback callback = {}) : FCallback(std::move(callback)) {}
    ~TListener() override;
    TListener(const TListener&) = delete;
    TListener& operator=(const TListener&) = delete;

    void SetCallback(TCallback callback) { FCallback = std::move(callback); }
    // Attaches this listener to the broadcaster (twice is ignored).
    void ListenTo(IChangeBroadcaster* broadcaster) { broadcaster->AttachListener(this); }
    void StopListening(IChangeBroadcaster* broadcaster) { broadcaster->DetachListener(this); }
    void Notified(TComponent* sender, const TGUID& kind) override;
    void Attached(IChangeBroadcaster* broadcaster) override;
    void Detached(IChangeBroadcaster* broadcaster) override;
    int BroadcasterCount() const { return int(FBroadcasters.size()); }
    // Raises EInternalError "fall into infinity loop." when a broadcaster does not let go.
    void DetachAll();

private:
    TCallback FCallback;
    std::vector<IChangeBroadcaster*> FBroadcasters;
};

// A broadcaster with an update count: changes inside a begin/end bracket are
// reported once, as nkChanged followed by the change callback, when the outermost
// bracket closes.
class TChangeNotify : public TBroadcaster
{
public:
    explicit TChangeNotify(TComponent* owner) : TBroadcaster(owner) {}

    void BeginUpdate();
    void EndUpdate();
    // BeginUpdate, mark, EndUpdate.
    void Changed();
    bool IsChanged() const { return FChanged; }

    std::function<void()> OnChange;

private:
    int FUpdateCount = 0;
    bool FChanged = false;
};

// Keeps a notifier's update bracket open for a scope.
class TUpdateBracket
{
public:
    explicit TUpdateBracket(TChangeNotify& notify) : FNotify(notify), FUnwinding(std::uncaught_exceptions())
    {
        FNotify.BeginUpdate();
    }
    // While an exception unwinds, a failure of the closing notification is dropped
    // rather than terminating the program.
    ~TUpdateBracket() noexcept(false);
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    TChangeNotify& FNotify;
    int FUnwinding;
};

} // namespace velmo
