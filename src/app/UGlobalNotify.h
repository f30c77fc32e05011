#pragma once
// Application events for any number of listeners: idle (the event queue has run
// empty), activation, minimising, hints and focus changes.
#include <QObject>
#include <QString>
#include <functional>

class QWindow;

namespace velmo {

class TGlobalNotify : public QObject
{
    Q_OBJECT
public:
    explicit TGlobalNotify(QObject* owner = nullptr);
    ~TGlobalNotify() override;

    std::function<void()> OnIdle;
    std::function<void()> OnActivate;
    std::function<void()> OnDeactivate;
    std::function<void()> OnMinimize;
    std::function<void()> OnRestore;
    std::function<void(const QString&)> OnHint;
    std::function<void(QObject*)> OnActiveControlChange;
    std::function<void(QWindow*)> OnActiveFormChange;

    // Number of notifiers registered with the process-wide dispatcher.
    static int RegisteredCount();
    // Sends a hint to every notifier (status tips reach them by themselves).
    static void BroadcastHint(const QString& hint);
};

} // namespace velmo
