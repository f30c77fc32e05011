#pragma once
// Scanners and cameras through SANE. The library is started on first use and shut
// down at exit; a device is opened, asked for the options that matter to a label
// picture (resolution, colour mode, scan area, preview) and scanned into a picture.
// Every call blocks: the windows run them on a worker thread, one at a time. Only
// Cancel may be called from another thread while a scan runs.
#include "base/UExceptions.h"
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace velmo {

// Failures of the scanner layer. The application's exception handler shows them
// inside its scanner error text.
VELMO_DECLARE_EXCEPTION(ETwain, Exception)

// "TWAINドライバが見つかりません": the scanner library would not start.
QString TwainDriverMissingMessage();
// "TWAIN ERROR : %d" with the library's status code.
QString TwainErrorMessage(int status);

struct TSaneDeviceInfo
{
    QString Name; // what opens it ("test:0", "epson2:libusb:001:004")
    QString Vendor;
    QString Model;
    QString Type;
    // "Vendor Model (Name)" for lists.
    QString Caption() const;
};

// Starts the library when it is not running (once per run, or again after Unload).
void LoadSane();
// Shuts the library down; devices still open are closed first.
void UnloadSane();
// Devices the library finds now (local ones only when localOnly).
QList<TSaneDeviceInfo> ListSaneDevices(bool localOnly = false);

// What a device offers of the settings the acquisition window shows.
struct TSaneCapabilities
{
    QList<int> Resolutions; // dots per inch, ascending; empty: fixed by the device
    int Resolution = 0;     // the current one (0: unknown)
    QStringList Modes;      // the device's own names ("Color", "Gray", "Lineart", …)
    QString Mode;
    bool HasArea = false;    // the area can be chosen, in millimetres
    QRectF MaxArea;          // the largest area
    QRectF Area;             // the current one
    bool HasPreview = false; // the device scans quick previews
};

struct TScanSettings
{
    int Resolution = 0; // 0: leave the device's
    QString Mode;       // empty: leave the device's
    QRectF Area;        // millimetres; empty: leave the device's
    bool Preview = false;
};

// Progress of a scan: bytes received and the bytes the device announced (0 when
// the device does not know the number of lines).
using TScanProgress = std::function<void(int64_t done, int64_t total)>;

class TSaneDevice
{
public:
    TSaneDevice() = default;
    ~TSaneDevice();
    TSaneDevice(const TSaneDevice&) = delete;
    TSaneDevice& operator=(const TSaneDevice&) = delete;

    // Raises ETwain when the device cannot be opened.
    void Open(const QString& name);
    void Close();
    bool IsOpen() const { return FHandle != nullptr; }
    QString Name() const { return FName; }

    TSaneCapabilities Capabilities() const;
    // Sets what the settings name (the device may round them) and scans one picture:
    // grey pictures as 8-bit indexed with a grey palette, colour as 24 bits (our
    // BGR layout). A cancelled scan answers a null image; a device failure raises
    // ETwain. Rows the device did not deliver are left out; bytes beyond what it
    // announced are ignored.
    QImage Scan(const TScanSettings& settings, const TScanProgress& progress = {});
    // Stops a running scan (any thread); Scan then answers a null image.
    void Cancel();

    // The largest picture a scan may make (pixels); larger scans are refused.
    static void SetPixelLimit(int64_t pixels);

private:
    void Apply(const TScanSettings& settings);
    int FindOption(const char* name) const;
    std::atomic<void*> FHandle{nullptr};
    QString FName;
    std::atomic<bool> FCancelled{false};
};

} // namespace velmo
