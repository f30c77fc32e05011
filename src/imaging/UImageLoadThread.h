#pragma once
// The image-load thread: the one worker thread of the program. It decodes pictures
// of a source pack from a request list (newest request first) into a result list
// (handed over oldest first); each list has a lock of its own and no operation
// holds both. The owner's thread asks with Request and takes results with
// FetchResult, one per idle moment or timer tick (TImageLoadPump), so the window
// never waits for a decode.
//
// Rules for the owner: before a source pack's contents change (nkPackChanging) call
// Cancel, which returns only when the worker sleeps; call Stop before destroying.
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace velmo {

class TImagePack;
class TPictureEx;

class TImageLoadThread : public QThread
{
    Q_OBJECT
public:
    // Starts the worker, which sleeps until there is something to do.
    explicit TImageLoadThread(QObject* parent = nullptr);
    // Stops the worker when the owner has not, then discards both lists.
    ~TImageLoadThread() override;

    // Takes effect at the worker's next look at its queue; nullptr: idle.
    void SetSourcePack(TImagePack* pack);
    TImagePack* SourcePack() const { return FSource.load(); }

    // Queues image i unless it is queued already; wakes the worker.
    void Request(int index);
    // The oldest result assigned into the picture, and its index; -1 when there is
    // none (waking the worker when requests wait while it sleeps).
    int FetchResult(TPictureEx& picture);
    // Discards the queued requests, waits until the worker sleeps, discards the results.
    void Cancel();
    // Ends the worker's loop and waits for it.
    void Stop();

    bool IsSleeping() const { return FSleeping.load(); }
    bool IsFinished() const { return FFinished.load(); }
    int RequestCount() const;
    int ResultCount() const;
    // How many pictures the worker has loaded (results posted or discarded later).
    int LoadedCount() const { return FLoaded.load(); }

    // Test hook: runs on the worker after each load, before its result is posted.
    std::function<void(int index)> AfterLoad;

protected:
    void run() override;

private:
    struct TEntry
    {
        std::unique_ptr<TPictureEx> Picture;
        int Index = -1;
        TEntry();
        TEntry(std::unique_ptr<TPictureEx> picture, int index);
        TEntry(TEntry&&) noexcept;
        TEntry& operator=(TEntry&&) noexcept;
        ~TEntry();
    };

    mutable QMutex FRequestLock;
    QWaitCondition FWake;   // the worker waits here for work
    QWaitCondition FAsleep; // Cancel waits here for the worker to sleep
    std::vector<TEntry> FRequests;
    mutable QMutex FResultLock;
    std::vector<TEntry> FResults;
    std::atomic<TImagePack*> FSource{nullptr};
    std::atomic<bool> FSleeping{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FTerminate{false};
    std::atomic<int> FLoaded{0};
};

// Takes one result per idle moment (Idle, called from the owner's idle
// notification) or per 100 ms tick, and hands it to the callback.
class TImageLoadPump : public QObject
{
    Q_OBJECT
public:
    using TOnResult = std::function<void(TPictureEx& picture, int index)>;
    TImageLoadPump(TImageLoadThread& thread, TOnResult onResult, QObject* parent = nullptr);

    // One FetchResult; true when a result was handed on.
    bool Idle();
    void SetInterval(int milliseconds) { FTimer.setInterval(milliseconds); }

private:
    TImageLoadThread& FThread;
    TOnResult FOnResult;
    QTimer FTimer;
};

} // namespace velmo
