#pragma once
// Acquiring a picture from a scanner or camera: the device chooser and the
// acquisition window "TWAINからの取込み", and the one call the picture source
// pages' "取り込み" button makes.
#include "acquire/USaneDevice.h"
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QThread;

namespace velmo {

class TAppBitmap;

// Lets the user choose a device (the one chosen last in this run is offered first)
// and acquire one picture from it. Answers the picture (24-bit colour or 8-bit
// grey), or nullptr when the user gave up in either window. A device or library
// failure raises ETwain after the windows have closed; the application's exception
// handler shows it inside its scanner error text.
std::unique_ptr<TAppBitmap> AcquireTwainPicture(QWidget* parent);

// The device chosen last in this run (empty before the first choice).
QString LastTwainDevice();

// The device chooser. Lists the devices off the user-interface thread.
class TfrmScannerSelect : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmScannerSelect(QWidget* parent = nullptr);
    ~TfrmScannerSelect() override;
    QString SelectedDevice() const;
    // Whether the device list has arrived (tests wait for it).
    bool Listed() const { return FListed; }
    // A failure of the listing, raised again by the caller after the window closed.
    QString Error() const { return FError; }

private:
    void ShowDevices(const QList<TSaneDeviceInfo>& devices);
    QListWidget* FList = nullptr;
    QLabel* FStatus = nullptr;
    QPushButton* FOK = nullptr;
    QThread* FThread = nullptr;
    bool FListed = false;
    QString FError;
};

class TScanPreview;

// The acquisition window for one device: resolution, mode and area, a preview scan,
// progress, and "中止" that stops a scan mid-page. The device is opened and scanned
// on a worker thread; the window stays responsive.
class TfrmScanner : public QDialog
{
    Q_OBJECT
public:
    TfrmScanner(const QString& deviceName, QWidget* parent = nullptr);
    ~TfrmScanner() override;

    // The picture of a finished scan (closes the window with OK).
    QImage Picture() const { return FPicture; }
    // A failure met on the way (the window closed with Cancel).
    QString Error() const { return FError; }
    bool Ready() const { return FReady; }
    bool Busy() const { return FThread != nullptr; }
    TSaneCapabilities Capabilities() const { return FCaps; }
    // The last preview scan (the device's whole area).
    QImage PreviewPicture() const { return FPreviewPicture; }

    // What the controls say now.
    TScanSettings Settings() const;
    void SetResolution(int dpi);
    void SetMode(const QString& mode);
    void SetArea(const QRectF& millimetres);
    // The picture size the settings give, in pixels.
    QSize ExpectedSize() const;

    void StartPreview();
    void StartScan();
    // "中止": stops a running scan, then closes with Cancel.
    void Abort();

Q_SIGNALS:
    void StateChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    enum class TJob
    {
        Open,
        Preview,
        Scan
    };
    void RunJob(TJob job, const TScanSettings& settings);
    void JobDone();
    void UpdateControls();
    void UpdateSizeLabel();
    void Fail(const QString& message);

    QString FDeviceName;
    std::unique_ptr<TSaneDevice> FDevice;
    TSaneCapabilities FCaps;
    QThread* FThread = nullptr;
    TJob FJob = TJob::Open;
    bool FReady = false;
    bool FStarted = false;
    bool FClosing = false;
    QImage FResult;
    QString FJobError;
    QImage FPicture;
    QImage FPreviewPicture;
    QString FError;

    QLabel* FMessage = nullptr;
    QLabel* FSize = nullptr;
    QComboBox* FResolution = nullptr;
    QComboBox* FMode = nullptr;
    QDoubleSpinBox* FLeft = nullptr;
    QDoubleSpinBox* FTop = nullptr;
    QDoubleSpinBox* FWidth = nullptr;
    QDoubleSpinBox* FHeight = nullptr;
    TScanPreview* FPreview = nullptr;
    QProgressBar* FProgress = nullptr;
    QPushButton* FPreviewButton = nullptr;
    QPushButton* FScanButton = nullptr;
    QPushButton* FAbortButton = nullptr;
};

} // namespace velmo
