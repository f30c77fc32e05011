#include "app/UGlobalNotify.h"
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTimerEvent>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <vector>

namespace velmo {

namespace {

// One dispatcher per process watches the application and hands each event to every
// registered notifier. Idle is reported once the event loop is about to wait with
// an empty queue, and again only after some other event has been delivered.
class TNotifyDispatcher : public QObject
{
public:
    static TNotifyDispatcher& Instance()
    {
        static TNotifyDispatcher* dispatcher = new TNotifyDispatcher;
        return *dispatcher;
    }

    void Register(TGlobalNotify* notify)
    {
        Attach();
        FNotifies.push_back(notify);
    }

    void Unregister(TGlobalNotify* notify) { std::erase(FNotifies, notify); }
    int Count() const { return int(FNotifies.size()); }

    template <typename F> void Broadcast(F&& call)
    {
        // A handler may create or destroy notifiers: walk a guarded copy.
        std::vector<QPointer<TGlobalNotify>> copy(FNotifies.begin(), FNotifies.end());
        for (const QPointer<TGlobalNotify>& notify : copy)
            if (notify && std::find(FNotifies.begin(), FNotifies.end(), notify.data()) != FNotifies.end())
                call(*notify);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && watched == this)
            return false;
        FActivity = true;
        switch (event->type()) {
        case QEvent::StatusTip: {
            const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
            Broadcast([&](TGlobalNotify& n) {
                if (n.OnHint)
                    n.OnHint(tip);
            });
            break;
        }
        case QEvent::WindowStateChange:
            if (watched->isWindowType())
                WindowStateChanged(static_cast<QWindow*>(watched),
                                   static_cast<QWindowStateChangeEvent*>(event)->oldState());
            break;
        default:
            break;
        }
        return false;
    }

    void timerEvent(QTimerEvent* event) override
    {
        if (event->timerId() != FIdleTimer)
            return;
        killTimer(FIdleTimer);
        FIdleTimer = 0;
        FActivity = false;
        Broadcast([](TGlobalNotify& n) {
            if (n.OnIdle)
                n.OnIdle();
        });
    }

private:
    void Attach()
    {
        if (FAttached || !QCoreApplication::instance())
            return;
        FAttached = true;
        QCoreApplication::instance()->installEventFilter(this);
        if (QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance())
            connect(events, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                if (FActivity && FIdleTimer == 0)
                    FIdleTimer = startTimer(0);
            });
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            connect(gui, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
                const bool active = state == Qt::ApplicationActive;
                if (active == FActive)
                    return;
                FActive = active;
                Broadcast([&](TGlobalNotify& n) {
                    if (active && n.OnActivate)
                        n.OnActivate();
                    else if (!active && n.OnDeactivate)
                        n.OnDeactivate();
                });
            });
            connect(gui, &QGuiApplication::focusObjectChanged, this, [this](QObject* focus) {
                Broadcast([&](TGlobalNotify& n) {
                    if (n.OnActiveControlChange)
                        n.OnActiveControlChange(focus);
                });
            });
            connect(gui, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
                Broadcast([&](TGlobalNotify& n) {
                    if (n.OnActiveFormChange)
                        n.OnActiveFormChange(window);
                });
            });
        }
    }

    void WindowStateChanged(QWindow* window, Qt::WindowStates oldState)
    {
        if (window->transientParent())
            return;
        const bool wasMinimized = oldState.testFlag(Qt::WindowMinimized);
        const bool minimized = window->windowStates().testFlag(Qt::WindowMinimized);
        if (wasMinimized == minimized)
            return;
        Broadcast([&](TGlobalNotify& n) {
            if (minimized && n.OnMinimize)
                n.OnMinimize();
            else if (!minimized && n.OnRestore)
                n.OnRestore();
        });
    }

    std::vector<TGlobalNotify*> FNotifies;
    bool FAttached = false;
    bool FActivity = true;
    bool FActive = false;
    int FIdleTimer = 0;
};

} // namespace

TGlobalNotify::TGlobalNotify(QObject* owner) : QObject(owner)
{
    TNotifyDispatcher::Instance().Register(this);
}

TGlobalNotify::~TGlobalNotify()
{
    TNotifyDispatcher::Instance().Unregister(this);
}

int TGlobalNotify::RegisteredCount()
{
    return TNotifyDispatcher::Instance().Count();
}

void TGlobalNotify::BroadcastHint(const QString& hint)
{
    TNotifyDispatcher::Instance().Broadcast([&](TGlobalNotify& n) {
        if (n.OnHint)
            n.OnHint(hint);
    });
}

} // namespace velmo
