// Scanning through SANE's own "test" device, configured by the test through
// SANE_CONFIG_DIR (nothing of the machine's scanner setup is read). SANE's
// scanimage, an independent front end, scans the same device for comparison.
#include "acquire/FScanner.h"
#include "acquire/USaneDevice.h"
#include "imaging/USafetyBitmap.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

using namespace velmo;
using namespace velmo::test;

namespace {

class SaneTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        gDir = new QTemporaryDir;
        // Only our folder: no network backends, no machine configuration.
        qputenv("SANE_CONFIG_DIR", gDir->path().toLocal8Bit());
    }
    static void TearDownTestSuite()
    {
        UnloadSane();
        delete gDir;
        gDir = nullptr;
    }
    // Starts the library afresh over a test device configuration.
    void Configure(const QString& extra)
    {
        UnloadSane();
        WriteFileBytes(gDir->filePath("dll.conf"), "test\n");
        const QString conf =
            QStringLiteral("number_of_devices 2\nmode Color\ntest-picture \"Color pattern\"\n"
                           "resolution 50.0\n") +
            extra;
        WriteFileBytes(gDir->filePath("test.conf"), conf.toUtf8());
    }
    // What scanimage makes of the same device and settings.
    QImage ScanImage(const QStringList& options)
    {
        UnloadSane();
        const ProcessResult r =
            RunProgram("scanimage", QStringList{"-d", "test:0", "--format=pnm"} + options);
        if (r.ExitCode != 0)
            return {};
        return QImage::fromData(r.StdOut, "PPM");
    }
    static QTemporaryDir* gDir;
};

QTemporaryDir* SaneTest::gDir = nullptr;

bool SamePixels(const QImage& ours, const QImage& theirs)
{
    if (ours.size() != theirs.size() || ours.isNull())
        return false;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            if ((ours.pixel(x, y) & 0xFFFFFF) != (theirs.pixel(x, y) & 0xFFFFFF))
                return false;
    return true;
}

// With VELMO_SHOTS set, the window as it looks now goes there as a PNG (for people
// checking the layout; the tests do not depend on it).
void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELMO_SHOTS");
    if (folder.isEmpty())
        return;
    window.show();
    QApplication::processEvents();
    window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

template <class Predicate> bool WaitFor(Predicate done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST_F(SaneTest, ListsTheTestDevices)
{
    Configure({});
    const QList<TSaneDeviceInfo> devices = ListSaneDevices();
    QStringList names;
    for (const auto& d : devices)
        names << d.Name;
    EXPECT_TRUE(names.contains("test:0"));
    EXPECT_TRUE(names.contains("test:1"));
    EXPECT_TRUE(devices.first().Caption().contains(devices.first().Name));
}

TEST_F(SaneTest, ColourScanMatchesScanimageAndTheRequestedSize)
{
    Configure({});
    TSaneDevice device;
    device.Open("test:0");
    const TSaneCapabilities caps = device.Capabilities();
    EXPECT_TRUE(caps.HasArea);
    EXPECT_TRUE(caps.Modes.contains("Color"));
    EXPECT_TRUE(caps.Modes.contains("Gray"));
    EXPECT_TRUE(caps.Resolutions.contains(300));
    TScanSettings settings;
    settings.Mode = "Color";
    // 254 dpi is ten pixels to the millimetre.
    settings.Resolution = 254;
    settings.Area = QRectF(10, 10, 20, 10);
    int64_t lastDone = 0, lastTotal = 0;
    const QImage ours = device.Scan(settings, [&](int64_t done, int64_t total) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        lastTotal = total;
    });
    ASSERT_FALSE(ours.isNull());
    EXPECT_EQ(ours.format(), QImage::Format_BGR888);
    EXPECT_EQ(ours.size(), QSize(200, 100));
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_EQ(lastTotal, 200 * 3 * 100);
    device.Close();
    const QImage theirs =
        ScanImage({"--mode", "Color", "--resolution", "254", "-l", "10", "-t", "10", "-x", "20", "-y", "10"});
    ASSERT_FALSE(theirs.isNull());
    EXPECT_TRUE(SamePixels(ours, theirs));
    // Not one colour: the pattern came through.
    QSet<QRgb> colours;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            colours.insert(ours.pixel(x, y));
    EXPECT_GE(colours.size(), 4);
}

TEST_F(SaneTest, GreyScanIsEightBitGrey)
{
    Configure("test-picture \"Grid\"\n");
    TSaneDevice device;
    device.Open("test:1");
    TScanSettings settings;
    settings.Mode = "Gray";
    settings.Resolution = 75;
    settings.Area = QRectF(0, 0, 40, 30);
    const QImage ours = device.Scan(settings);
    ASSERT_FALSE(ours.isNull());
    EXPECT_EQ(ours.format(), QImage::Format_Indexed8);
    EXPECT_EQ(ours.size(), QSize(int(40 * 75 / 25.4), int(30 * 75 / 25.4)));
    device.Close();
    const QImage theirs =
        ScanImage({"--mode", "Gray", "--resolution", "75", "-l", "0", "-t", "0", "-x", "40", "-y", "30"});
    EXPECT_TRUE(SamePixels(ours, theirs));
}

TEST_F(SaneTest, ThreePassFramesJoinIntoOnePicture)
{
    Configure("three-pass true\n");
    TSaneDevice device;
    device.Open("test:0");
    TScanSettings settings;
    settings.Mode = "Color";
    settings.Resolution = 50;
    settings.Area = QRectF(0, 0, 60, 40);
    const QImage threePass = device.Scan(settings);
    device.Close();
    Configure({});
    device.Open("test:0");
    const QImage onePass = device.Scan(settings);
    ASSERT_FALSE(threePass.isNull());
    EXPECT_TRUE(SamePixels(threePass, onePass));
}

TEST_F(SaneTest, HandScannerWithoutLineCountGivesTheRowsItSent)
{
    Configure("hand-scanner true\n");
    TSaneDevice device;
    device.Open("test:0");
    TScanSettings settings;
    settings.Resolution = 50;
    int64_t total = -1;
    const QImage picture = device.Scan(settings, [&](int64_t, int64_t t) { total = t; });
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(total, 0);
    EXPECT_GT(picture.height(), 0);
}

TEST_F(SaneTest, CancelStopsMidPage)
{
    // Small reads of a large page: the whole page would take many seconds.
    Configure("read-limit true\nread-limit-size 256\n");
    TSaneDevice device;
    device.Open("test:0");
    TScanSettings settings;
    settings.Resolution = 600;
    settings.Area = QRectF(0, 0, 200, 200);
    const int64_t page = int64_t(4724) * 4724 * 3;
    std::atomic<int64_t> received{0};
    QImage result(1, 1, QImage::Format_RGB32);
    QElapsedTimer timer;
    timer.start();
    std::thread worker(
        [&] { result = device.Scan(settings, [&](int64_t done, int64_t) { received = done; }); });
    while (received.load() < 2000 && timer.elapsed() < 20000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    device.Cancel();
    worker.join();
    EXPECT_TRUE(result.isNull());
    EXPECT_GT(received.load(), 0);
    EXPECT_LT(received.load(), page / 4);
    EXPECT_LT(timer.elapsed(), 5000);
    // The device scans again after a cancel.
    settings.Area = QRectF(0, 0, 5, 5);
    EXPECT_FALSE(device.Scan(settings).isNull());
}

TEST_F(SaneTest, DeviceThatFailsToOpen)
{
    Configure({});
    TSaneDevice device;
    try {
        device.Open("test:7");
        FAIL() << "opened";
    } catch (const ETwain& e) {
        EXPECT_TRUE(e.Message().startsWith("TWAIN ERROR : ")) << e.Message().toStdString();
    }
    EXPECT_FALSE(device.IsOpen());
    EXPECT_THROW(device.Open("nosuchbackend:0"), ETwain);
    EXPECT_THROW(device.Scan({}), ETwain);
}

TEST_F(SaneTest, DeviceFailingMidScanRaises)
{
    Configure("read-status-code \"SANE_STATUS_IO_ERROR\"\n");
    TSaneDevice device;
    device.Open("test:0");
    TScanSettings settings;
    settings.Resolution = 50;
    try {
        (void)device.Scan(settings);
        FAIL() << "no error";
    } catch (const ETwain& e) {
        EXPECT_EQ(e.Message(), TwainErrorMessage(9)); // SANE_STATUS_IO_ERROR
    }
}

TEST_F(SaneTest, PictureLargerThanTheLimitIsRefused)
{
    Configure({});
    TSaneDevice::SetPixelLimit(1000);
    TSaneDevice device;
    device.Open("test:0");
    TScanSettings settings;
    settings.Resolution = 100;
    settings.Area = QRectF(0, 0, 50, 50);
    EXPECT_THROW(device.Scan(settings), ETwain);
    TSaneDevice::SetPixelLimit(int64_t(1) << 26);
}

TEST_F(SaneTest, AcquisitionWindowScansTheChosenArea)
{
    Configure({});
    TfrmScanner window("test:0");
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.Ready(); }));
    EXPECT_TRUE(window.Capabilities().HasArea);
    window.SetMode("Color");
    window.SetResolution(300);
    window.SetArea(QRectF(5, 5, 10, 5));
    // 10 × 5 mm at 300 dpi: 118.1 × 59.1 pixels, whole pixels only.
    EXPECT_EQ(window.ExpectedSize(), QSize(118, 59));
    // The preview covers the whole area.
    window.StartPreview();
    ASSERT_TRUE(WaitFor([&] { return !window.Busy() && !window.PreviewPicture().isNull(); }));
    EXPECT_TRUE(window.isVisible());
    // 200 × 200 mm, the test device's whole bed, at 75 dpi.
    EXPECT_EQ(window.PreviewPicture().size(), QSize(590, 590));
    SaveShot(window, "twain-window-preview");
    window.StartScan();
    ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(window.Error().isEmpty());
    EXPECT_EQ(window.Picture().size(), QSize(118, 59));
    EXPECT_EQ(LastTwainDevice(), QStringLiteral("test:0"));
}

TEST_F(SaneTest, AcquisitionWindowStaysResponsiveAndAbortsMidPage)
{
    Configure("read-limit true\nread-limit-size 256\n");
    TfrmScanner window("test:0");
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.Ready(); }));
    window.SetResolution(600);
    window.SetArea(QRectF(0, 0, 200, 200));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    window.StartScan();
    EXPECT_TRUE(window.Busy());
    WaitFor([&] { return ticks >= 5; }, 2000);
    SaveShot(window, "twain-window-scanning");
    // The event loop keeps turning while the page is read.
    ASSERT_TRUE(WaitFor([&] { return ticks >= 20; }, 5000));
    EXPECT_TRUE(window.Busy());
    window.Abort();
    ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }, 10000));
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(window.Picture().isNull());
    EXPECT_TRUE(window.Error().isEmpty());
}

TEST_F(SaneTest, AcquisitionWindowClosesWithTheDeviceError)
{
    Configure({});
    TfrmScanner window("test:9");
    window.show();
    ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(window.Error().startsWith("TWAIN ERROR : "));
}

TEST_F(SaneTest, ChooserListsDevicesOffTheInterfaceThread)
{
    Configure({});
    TfrmScannerSelect chooser;
    chooser.show();
    ASSERT_TRUE(WaitFor([&] { return chooser.Listed(); }));
    EXPECT_FALSE(chooser.SelectedDevice().isEmpty());
    SaveShot(chooser, "twain-chooser");
    EXPECT_TRUE(chooser.Error().isEmpty());
}

TEST_F(SaneTest, DeviceAnnouncingAnotherSizeThanItSends)
{
    // With "fuzzy parameters" the test device answers sizes before a scan starts
    // that differ from the scan's: the scan goes by what the device says once it has
    // started, and the picture is whole rows of what arrived.
    Configure("fuzzy-parameters true\n");
    for (int round = 0; round < 3; ++round) {
        TSaneDevice device;
        device.Open("test:0");
        TScanSettings settings;
        settings.Resolution = 75;
        settings.Area = QRectF(0, 0, 40, 40);
        const QImage picture = device.Scan(settings);
        ASSERT_FALSE(picture.isNull());
        EXPECT_GT(picture.width(), 0);
        EXPECT_GT(picture.height(), 0);
        EXPECT_LE(picture.height(), 200);
    }
}
