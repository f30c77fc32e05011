// The image-load thread: request and result lists, their order, Cancel and Stop, and
// an owner that requests, cancels and changes the pack under it for a few seconds
// (run under ThreadSanitizer by `make test-tsan`).
#include "ImagingTestSupport.h"
#include "imaging/UImageData.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>

namespace velmo::test {
namespace {

std::unique_ptr<TAppBitmap> Bitmap(int w, int h)
{
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(RandomPicture(w, h, unsigned(w * 31 + h)), TPixelFormat::pf24bit);
    return bitmap;
}

// Waits up to a few seconds for a condition that another thread makes true.
template <class F> bool Eventually(F condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A one-shot gate the worker waits at.
class TGate
{
public:
    void Wait()
    {
        std::unique_lock lock(FLock);
        FArrived = true;
        FArrivedCv.notify_all();
        FCv.wait(lock, [this] { return FOpen; });
    }
    void WaitUntilArrived()
    {
        std::unique_lock lock(FLock);
        FArrivedCv.wait(lock, [this] { return FArrived; });
    }
    void Open()
    {
        std::lock_guard lock(FLock);
        FOpen = true;
        FCv.notify_all();
    }

private:
    std::mutex FLock;
    std::condition_variable FCv, FArrivedCv;
    bool FOpen = false;
    bool FArrived = false;
};

class ImageLoadThread : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        RegisterPictureFormats();
        (void)ErrorPicture(); // made by the owner here; the stress test also lets the worker make it
        Pack.SetCacheLimit(100);
        Pack.OnGetCount = [](TImagePack*, int& n) { n = 1000; };
        // Image i is (i + 1) pixels wide, so a result tells whose it is.
        Pack.OnGetImage = [this](TImagePack*, TPictureEx& picture, int index) {
            if (Gate && index == GateIndex)
                Gate->Wait();
            if (index == FailIndex)
                throw EImagePack(QStringLiteral("cannot"));
            picture.SetGraphic(Bitmap(index + 1, 2));
        };
    }
    TCustomImagePack Pack;
    TGate* Gate = nullptr;
    int GateIndex = -1;
    int FailIndex = -1;
};

TEST_F(ImageLoadThread, DuplicateRequestsAreQueuedOnce)
{
    TImageLoadThread thread; // no source pack: the worker stays idle
    thread.Request(3);
    thread.Request(3);
    thread.Request(4);
    EXPECT_EQ(thread.RequestCount(), 2);
    TPictureEx picture;
    EXPECT_EQ(thread.FetchResult(picture), -1);
    EXPECT_FALSE(picture.HasGraphic());
    thread.Stop();
    EXPECT_TRUE(thread.IsFinished());
    EXPECT_FALSE(thread.isRunning());
}

TEST_F(ImageLoadThread, NewestRequestsFirstAndResultsOldestFirst)
{
    TImageLoadThread thread;
    for (int i = 0; i < 5; ++i)
        thread.Request(i);
    thread.SetSourcePack(&Pack); // takes effect now: the queue is served from its end
    ASSERT_TRUE(Eventually([&] { return thread.ResultCount() == 5; }));
    std::vector<int> order;
    TPictureEx picture;
    for (int index; (index = thread.FetchResult(picture)) >= 0;) {
        order.push_back(index);
        EXPECT_EQ(picture.Width(), index + 1);
    }
    EXPECT_EQ(order, (std::vector<int>{4, 3, 2, 1, 0}));
    // The worker never touched the pack's cache.
    EXPECT_EQ(Pack.CachedCount(), 0);
    EXPECT_TRUE(Eventually([&] { return thread.IsSleeping(); }));
    thread.Stop();
}

TEST_F(ImageLoadThread, APictureThatFailsIsLost)
{
    FailIndex = 2;
    TImageLoadThread thread;
    thread.Request(1);
    thread.Request(2);
    thread.Request(3);
    thread.SetSourcePack(&Pack);
    ASSERT_TRUE(Eventually([&] { return thread.IsSleeping() && thread.RequestCount() == 0; }));
    std::vector<int> got;
    TPictureEx picture;
    for (int index; (index = thread.FetchResult(picture)) >= 0;)
        got.push_back(index);
    EXPECT_EQ(got, (std::vector<int>{3, 1}));
    thread.Stop();
}

TEST_F(ImageLoadThread, AnyPackWorksThroughGetImageSafe)
{
    // A matrix pack is not cached: the worker asks it for its images the safe way.
    TMatrixImagePack matrix;
    matrix.Image()->SetGraphic(Bitmap(30, 10));
    matrix.SetCountCol(3);
    TImageLoadThread thread;
    thread.Request(2);
    thread.Request(7); // invalid: an empty picture comes back
    thread.SetSourcePack(&matrix);
    ASSERT_TRUE(Eventually([&] { return thread.ResultCount() == 2; }));
    TPictureEx picture;
    EXPECT_EQ(thread.FetchResult(picture), 7);
    EXPECT_FALSE(picture.HasGraphic());
    EXPECT_EQ(thread.FetchResult(picture), 2);
    EXPECT_EQ(picture.Width(), 10);
    thread.Stop();
}

TEST_F(ImageLoadThread, CancelWaitsForTheDecodeInHandAndDiscardsItsResult)
{
    TGate gate;
    Gate = &gate;
    GateIndex = 5;
    TImageLoadThread thread;
    thread.Request(1);
    thread.Request(5);
    thread.SetSourcePack(&Pack); // 5 is served first; the worker stops inside it
    gate.WaitUntilArrived();
    EXPECT_FALSE(thread.IsSleeping());
    std::thread opener([&gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        gate.Open();
    });
    QElapsedTimer timer;
    timer.start();
    thread.Cancel();
    const qint64 waited = timer.elapsed();
    opener.join();
    EXPECT_GE(waited, 250); // it returned only after the decode
    EXPECT_TRUE(thread.IsSleeping());
    EXPECT_EQ(thread.RequestCount(), 0); // request 1 was dropped, never loaded
    EXPECT_EQ(thread.ResultCount(), 0);  // the result of 5 was discarded
    EXPECT_EQ(thread.LoadedCount(), 1);
    TPictureEx picture;
    EXPECT_EQ(thread.FetchResult(picture), -1);
    thread.Stop();
}

TEST_F(ImageLoadThread, StopWhileTheWorkerLoadsWaitsForIt)
{
    TGate gate;
    Gate = &gate;
    GateIndex = 9;
    auto thread = std::make_unique<TImageLoadThread>();
    thread->SetSourcePack(&Pack);
    thread->Request(9);
    gate.WaitUntilArrived();
    std::thread opener([&gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gate.Open();
    });
    thread->Stop();
    opener.join();
    EXPECT_TRUE(thread->IsFinished());
    // Destroying discards what is left.
    thread.reset();
}

TEST_F(ImageLoadThread, DestroyingARunningThreadStopsIt)
{
    auto thread = std::make_unique<TImageLoadThread>();
    thread->SetSourcePack(&Pack);
    for (int i = 0; i < 50; ++i)
        thread->Request(i);
    thread.reset();
    SUCCEED();
}

TEST_F(ImageLoadThread, ThePumpTakesOneResultPerTick)
{
    TImageLoadThread thread;
    for (int i = 0; i < 3; ++i)
        thread.Request(i);
    thread.SetSourcePack(&Pack);
    ASSERT_TRUE(Eventually([&] { return thread.ResultCount() == 3; }));
    std::vector<int> handed;
    TImageLoadPump pump(thread, [&handed](TPictureEx&, int index) { handed.push_back(index); });
    EXPECT_TRUE(pump.Idle());
    EXPECT_EQ(handed.size(), 1u);
    EXPECT_EQ(thread.ResultCount(), 2);
    pump.SetInterval(5);
    QElapsedTimer timer;
    timer.start();
    while (handed.size() < 3 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(handed, (std::vector<int>{2, 1, 0}));
    EXPECT_FALSE(pump.Idle());
    thread.Stop();
}

QByteArray BmpBytes(int w, int h, unsigned seed)
{
    TAppBitmap bitmap;
    bitmap.SetImage(RandomPicture(w, h, seed), TPixelFormat::pf24bit);
    return bitmap.FileBytes();
}

// Seconds of the interleaving test: short in the ordinary run, longer under the
// sanitizer run (VELMO_STRESS_SECONDS).
int StressSeconds()
{
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("VELMO_STRESS_SECONDS", &ok);
    return ok && s > 0 ? s : 1;
}

TEST_F(ImageLoadThread, OwnerRequestsCancelsAndChangesThePackUnderTheWorker)
{
    QTemporaryDir dir;
    QStringList a, b;
    for (int i = 0; i < 40; ++i) {
        const QString name = dir.filePath(QStringLiteral("a%1.bmp").arg(i));
        WriteFileBytes(name, BmpBytes(8 + i % 5, 6, unsigned(i)));
        a.append(name);
    }
    for (int i = 0; i < 25; ++i) {
        const QString name = dir.filePath(QStringLiteral("b%1.bmp").arg(i));
        // Every fifth file is damaged, so failing loads are part of the mix.
        QByteArray bytes = BmpBytes(20, 3 + i % 4, unsigned(100 + i));
        if (i % 5 == 0)
            bytes[1] = 'X';
        WriteFileBytes(name, bytes);
        b.append(name);
    }
    TFileImagePack files;
    files.SetCacheLimit(16);
    files.SetTransparent(true); // masks are prepared on the loading thread
    files.SetFiles(a);
    TImageLoadThread thread;
    // The owner's rule: the pack announces a change, the owner cancels first.
    TListener listener([&thread](TComponent*, const TGUID& kind) {
        if (kind == nkPackChanging || kind == nkPackChanged)
            thread.Cancel();
    });
    listener.ListenTo(&files.Broadcaster());
    thread.SetSourcePack(&files);

    std::mt19937 rng(7);
    QElapsedTimer timer;
    timer.start();
    int fetched = 0, cancels = 0, changes = 0;
    TPictureEx picture;
    while (timer.elapsed() < StressSeconds() * 1000) {
        const int action = int(rng() % 100);
        const int count = files.GetCount();
        if (action < 55) {
            thread.Request(int(rng() % uint32_t(count)));
        } else if (action < 85) {
            const int index = thread.FetchResult(picture);
            if (index >= 0) {
                ++fetched;
                ASSERT_LT(index, files.GetCount());
                // What the worker made is drawn and measured here, on the owner's thread.
                EXPECT_GT(picture.Width(), 0);
                files.StoreCachedPicture(picture, index);
            }
        } else if (action < 93) {
            thread.Cancel();
            EXPECT_TRUE(thread.IsSleeping());
            EXPECT_EQ(thread.ResultCount(), 0);
            ++cancels;
        } else if (action < 97) {
            files.SetFiles(files.Files() == a ? b : a);
            ++changes;
        } else {
            // The owner reads the pack itself meanwhile (through its cache).
            TPictureEx own;
            files.GetImageSafe(own, int(rng() % uint32_t(files.GetCount())));
            EXPECT_GT(own.Width(), 0);
        }
        if (rng() % 16 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500));
    }
    thread.Stop();
    EXPECT_GT(fetched, 0);
    EXPECT_GT(cancels, 0);
    EXPECT_GT(changes, 0);
}

TEST_F(ImageLoadThread, AFolderThatVanishesWhileLoadingLosesItsPicturesQuietly)
{
    auto dir = std::make_unique<QTemporaryDir>();
    for (int i = 0; i < 60; ++i)
        WriteFileBytes(dir->filePath(QStringLiteral("p%1.bmp").arg(i, 2, 10, QChar(u'0'))),
                       BmpBytes(300, 200, unsigned(i)));
    TFolderImagePack folder;
    folder.SetCacheLimit(100);
    folder.SetFileMask(dir->path() + "/*.bmp");
    ASSERT_EQ(folder.GetCount(), 60);
    // The tenth load waits until the folder has gone.
    TGate gate;
    std::atomic<int> calls{0};
    folder.OnFileLoad = [&](TImagePack*, const QString&, TPictureEx&) {
        if (calls.fetch_add(1) == 9)
            gate.Wait();
    };
    TImageLoadThread thread;
    thread.SetSourcePack(&folder);
    for (int i = 0; i < 60; ++i)
        thread.Request(i);
    gate.WaitUntilArrived();
    const QString path = dir->path();
    dir.reset();
    ASSERT_FALSE(QDir(path).exists());
    gate.Open();
    ASSERT_TRUE(Eventually([&] { return thread.IsSleeping() && thread.RequestCount() == 0; }));
    int results = 0;
    TPictureEx picture;
    while (thread.FetchResult(picture) >= 0) {
        EXPECT_EQ(picture.Width(), 300);
        ++results;
    }
    EXPECT_EQ(results, 9);
    EXPECT_EQ(calls.load(), 60);
    // The owner's own look at a lost file is the error picture.
    folder.GetImageSafe(picture, 59);
    EXPECT_EQ(picture.Width(), ErrorPicture().Width());
    thread.Stop();
}

} // namespace
} // namespace velmo::test
