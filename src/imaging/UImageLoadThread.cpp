#include "imaging/UImageLoadThread.h"

#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include <algorithm>
#if defined(__SANITIZE_THREAD__)
#include <QtCore/qtsan_impl.h>
#endif

namespace velmo {

namespace {

// QWaitCondition releases and retakes the mutex inside the toolkit's library, where
// ThreadSanitizer does not see it; the same steps are told to it here, so that a
// sanitizer build sees the lock handed over as it really is.
void WaitOn(QWaitCondition& condition, QMutex& mutex)
{
#if defined(__SANITIZE_THREAD__)
    QtTsan::mutexPreUnlock(&mutex, 0u);
    QtTsan::mutexPostUnlock(&mutex, 0u);
#endif
    condition.wait(&mutex);
#if defined(__SANITIZE_THREAD__)
    QtTsan::mutexPreLock(&mutex, 0u);
    QtTsan::mutexPostLock(&mutex, 0u, 0);
#endif
}

} // namespace

TImageLoadThread::TEntry::TEntry() = default;
TImageLoadThread::TEntry::TEntry(std::unique_ptr<TPictureEx> picture, int index)
    : Picture(std::move(picture)), Index(index)
{
}
TImageLoadThread::TEntry::TEntry(TEntry&&) noexcept = default;
TImageLoadThread::TEntry& TImageLoadThread::TEntry::operator=(TEntry&&) noexcept = default;
TImageLoadThread::TEntry::~TEntry() = default;

TImageLoadThread::TImageLoadThread(QObject* parent) : QThread(parent)
{
    // The error picture measures text with the toolkit's fonts: made here, on the
    // owner's thread, rather than by the worker at its first failure.
    (void)ErrorPicture();
    start();
}

TImageLoadThread::~TImageLoadThread()
{
    if (isRunning())
        Stop();
    wait();
    // Both lists' pictures go with the vectors.
}

void TImageLoadThread::SetSourcePack(TImagePack* pack)
{
    QMutexLocker lock(&FRequestLock);
    FSource.store(pack);
    if (pack && !FRequests.empty())
        FWake.wakeAll();
}

void TImageLoadThread::Request(int index)
{
    // The picture is made here, on the owner's thread, before the lock.
    auto picture = std::make_unique<TPictureEx>();
    QMutexLocker lock(&FRequestLock);
    const bool queued = std::any_of(FRequests.begin(), FRequests.end(),
                                    [index](const TEntry& e) { return e.Index == index; });
    if (!queued)
        FRequests.emplace_back(std::move(picture), index);
    FWake.wakeAll();
}

int TImageLoadThread::FetchResult(TPictureEx& picture)
{
    TEntry taken;
    {
        QMutexLocker lock(&FResultLock);
        if (!FResults.empty()) {
            taken = std::move(FResults.front());
            FResults.erase(FResults.begin());
        }
    }
    if (taken.Picture) {
        picture.Assign(*taken.Picture);
        return taken.Index;
    }
    // The result lock is released before the request lock is taken.
    QMutexLocker lock(&FRequestLock);
    if (!FRequests.empty() && FSleeping.load())
        FWake.wakeAll();
    return -1;
}

void TImageLoadThread::Cancel()
{
    std::vector<TEntry> dropped;
    {
        QMutexLocker lock(&FRequestLock);
        dropped.swap(FRequests);
        while (!FSleeping.load() && !FFinished.load())
            WaitOn(FAsleep, FRequestLock);
    }
    // Oldest first; freed outside the lock.
    for (TEntry& e : dropped)
        e.Picture.reset();
    std::vector<TEntry> results;
    {
        QMutexLocker lock(&FResultLock);
        results.swap(FResults);
    }
}

void TImageLoadThread::Stop()
{
    {
        QMutexLocker lock(&FRequestLock);
        FTerminate.store(true);
        FWake.wakeAll();
        while (!FFinished.load())
            WaitOn(FAsleep, FRequestLock);
    }
    wait();
    // Whatever the worker touched last was under these locks: taking them once
    // more orders it before the owner's next use of the lists.
    QMutexLocker resultLock(&FResultLock);
}

int TImageLoadThread::RequestCount() const
{
    QMutexLocker lock(&FRequestLock);
    return int(FRequests.size());
}

int TImageLoadThread::ResultCount() const
{
    QMutexLocker lock(&FResultLock);
    return int(FResults.size());
}

void TImageLoadThread::run()
{
    for (;;) {
        TEntry entry;
        TImagePack* source = nullptr;
        {
            QMutexLocker lock(&FRequestLock);
            while (!FTerminate.load() && (FRequests.empty() || !FSource.load())) {
                FSleeping.store(true);
                FAsleep.wakeAll();
                WaitOn(FWake, FRequestLock);
            }
            if (FTerminate.load())
                break;
            FSleeping.store(false);
            // Newest first: what the user asked for last is what is on screen now.
            entry = std::move(FRequests.back());
            FRequests.pop_back();
            source = FSource.load();
        }
        bool loaded = false;
        try {
            if (auto* cached = dynamic_cast<TCachedImagePack*>(source))
                cached->LoadImage(*entry.Picture, entry.Index); // never the pack's cache
            else
                source->GetImageSafe(*entry.Picture, entry.Index);
            loaded = true;
        } catch (...) {
            // A picture that fails to load is lost: the owner keeps its placeholder.
            entry.Picture.reset();
        }
        if (!loaded)
            continue;
        FLoaded.fetch_add(1);
        if (AfterLoad)
            AfterLoad(entry.Index);
        QMutexLocker lock(&FResultLock);
        FResults.push_back(std::move(entry));
    }
    {
        QMutexLocker lock(&FRequestLock);
        FSleeping.store(false);
        FFinished.store(true);
        FAsleep.wakeAll();
    }
}

// ---------------------------------------------------------------------------------
// TImageLoadPump

TImageLoadPump::TImageLoadPump(TImageLoadThread& thread, TOnResult onResult, QObject* parent)
    : QObject(parent), FThread(thread), FOnResult(std::move(onResult))
{
    FTimer.setInterval(100);
    connect(&FTimer, &QTimer::timeout, this, [this] { Idle(); });
    FTimer.start();
}

bool TImageLoadPump::Idle()
{
    TPictureEx picture;
    const int index = FThread.FetchResult(picture);
    if (index < 0)
        return false;
    if (FOnResult)
        FOnResult(picture, index);
    return true;
}

} // namespace velmo
