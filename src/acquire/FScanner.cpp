#include "acquire/FScanner.h"
#include "imaging/USafetyBitmap.h"
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <cmath>

namespace velmo {

namespace {

QString& LastDevice()
{
    static QString name;
    return name;
}

// The device's own mode names in the words of the rest of the program.
QString ModeCaption(const QString& mode)
{
    const QString m = mode.toLower();
    if (m == QLatin1String("color") || m == QLatin1String("colour") || m == QLatin1String("24bit color"))
        return QStringLiteral("カラー");
    if (m == QLatin1String("gray") || m == QLatin1String("grey"))
        return QStringLiteral("グレースケール");
    if (m == QLatin1String("lineart") || m == QLatin1String("binary") || m == QLatin1String("black & white"))
        return QStringLiteral("白黒");
    if (m == QLatin1String("halftone"))
        return QStringLiteral("白黒(ハーフトーン)");
    return mode;
}

} // namespace

QString LastTwainDevice()
{
    return LastDevice();
}

// ---------------------------------------------------------------------------------
// The preview: the device's whole area with the last preview scan in it; dragging
// chooses the area to scan.

class TScanPreview : public QWidget
{
public:
    explicit TScanPreview(QWidget* parent) : QWidget(parent)
    {
        setMinimumSize(240, 300);
        setCursor(Qt::CrossCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    std::function<void(const QRectF&)> OnAreaChosen;

    void SetMaxArea(const QRectF& area)
    {
        FMax = area;
        update();
    }
    void SetArea(const QRectF& area)
    {
        FArea = area;
        update();
    }
    void SetPicture(const QImage& picture, const QRectF& covers)
    {
        FPicture = picture;
        FCovers = covers;
        update();
    }

protected:
    QRectF Page() const
    {
        if (FMax.isEmpty())
            return {};
        const QRectF box = QRectF(rect()).adjusted(6, 6, -6, -6);
        const double scale = std::min(box.width() / FMax.width(), box.height() / FMax.height());
        const QSizeF size(FMax.width() * scale, FMax.height() * scale);
        return QRectF(box.topLeft() + QPointF((box.width() - size.width()) / 2, 0), size);
    }
    QPointF ToScreen(const QPointF& mm) const
    {
        const QRectF page = Page();
        return {page.left() + (mm.x() - FMax.left()) * page.width() / FMax.width(),
                page.top() + (mm.y() - FMax.top()) * page.height() / FMax.height()};
    }
    QPointF ToMillimetres(const QPointF& p) const
    {
        const QRectF page = Page();
        const double x = FMax.left() + (p.x() - page.left()) * FMax.width() / page.width();
        const double y = FMax.top() + (p.y() - page.top()) * FMax.height() / page.height();
        return {std::clamp(x, FMax.left(), FMax.right()), std::clamp(y, FMax.top(), FMax.bottom())};
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().dark());
        const QRectF page = Page();
        if (page.isEmpty())
            return;
        painter.fillRect(page, Qt::white);
        if (!FPicture.isNull())
            painter.drawImage(QRectF(ToScreen(FCovers.topLeft()), ToScreen(FCovers.bottomRight())), FPicture);
        if (!FArea.isEmpty()) {
            const QRectF chosen(ToScreen(FArea.topLeft()), ToScreen(FArea.bottomRight()));
            // Dim what lies outside the chosen area.
            QPainterPath outside;
            outside.addRect(page);
            outside.addRect(chosen);
            // Clearly dimmed, so the area shows even over a busy preview.
            painter.fillPath(outside, QColor(0, 0, 0, 140));
            painter.setPen(QPen(Qt::white, 3));
            painter.drawRect(chosen.adjusted(0, 0, -1, -1));
            painter.setPen(QPen(QColor(0, 90, 220), 1, Qt::DashLine));
            painter.drawRect(chosen.adjusted(0, 0, -1, -1));
        }
        painter.setPen(palette().shadow().color());
        painter.drawRect(page.adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || Page().isEmpty() || !isEnabled())
            return;
        FDragging = true;
        FAnchor = ToMillimetres(event->position());
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!FDragging)
            return;
        SetArea(QRectF(FAnchor, ToMillimetres(event->position())).normalized());
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (!FDragging || event->button() != Qt::LeftButton)
            return;
        FDragging = false;
        const QRectF area = QRectF(FAnchor, ToMillimetres(event->position())).normalized();
        // A click without a drag goes back to the whole area.
        FArea = area.width() < 1 || area.height() < 1 ? FMax : area;
        update();
        if (OnAreaChosen)
            OnAreaChosen(FArea);
    }

private:
    QRectF FMax;
    QRectF FArea;
    QImage FPicture;
    QRectF FCovers;
    bool FDragging = false;
    QPointF FAnchor;
};

// ---------------------------------------------------------------------------------

TfrmScannerSelect::TfrmScannerSelect(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ソースの選択"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("ソース(&S):"), this);
    layout->addWidget(label);
    FList = new QListWidget(this);
    label->setBuddy(FList);
    FList->setMinimumSize(360, 160);
    layout->addWidget(FList);
    FStatus = new QLabel(QStringLiteral("スキャナやカメラを探しています..."), this);
    layout->addWidget(FStatus);
    auto* buttons = new QDialogButtonBox(this);
    FOK = buttons->addButton(QStringLiteral("選択"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FOK->setDefault(true);
    FOK->setEnabled(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(FList, &QListWidget::currentRowChanged, this, [this](int row) { FOK->setEnabled(row >= 0); });

    // Network scanners may take seconds to answer: the list is asked for off the
    // user-interface thread, and the window stays responsive meanwhile.
    auto devices = std::make_shared<QList<TSaneDeviceInfo>>();
    auto error = std::make_shared<QString>();
    FThread = QThread::create([devices, error] {
        try {
            *devices = ListSaneDevices();
        } catch (const std::exception& e) {
            *error = ExceptionText(e);
        }
    });
    connect(FThread, &QThread::finished, this, [this, devices, error] {
        FThread->deleteLater();
        FThread = nullptr;
        FError = *error;
        ShowDevices(*devices);
    });
    FThread->start();
}

TfrmScannerSelect::~TfrmScannerSelect()
{
    if (FThread) {
        FThread->disconnect(this);
        FThread->wait();
        delete FThread;
    }
}

void TfrmScannerSelect::ShowDevices(const QList<TSaneDeviceInfo>& devices)
{
    FListed = true;
    for (const TSaneDeviceInfo& d : devices) {
        auto* item = new QListWidgetItem(d.Caption(), FList);
        item->setData(Qt::UserRole, d.Name);
        item->setToolTip(d.Type);
        if (d.Name == LastDevice())
            FList->setCurrentItem(item);
    }
    if (FList->currentRow() < 0 && FList->count() > 0)
        FList->setCurrentRow(0);
    if (!FError.isEmpty()) {
        // The library failed: the caller reports it once the window is gone.
        reject();
        return;
    }
    FStatus->setText(devices.isEmpty() ? QStringLiteral("スキャナやカメラが見つかりません")
                                       : QStringLiteral("取り込みに使うソースを選んでください"));
    FList->setFocus();
}

QString TfrmScannerSelect::SelectedDevice() const
{
    const QListWidgetItem* item = FList->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

// ---------------------------------------------------------------------------------

TfrmScanner::TfrmScanner(const QString& deviceName, QWidget* parent)
    : QDialog(parent), FDeviceName(deviceName), FDevice(std::make_unique<TSaneDevice>())
{
    setWindowTitle(QStringLiteral("TWAINからの取込み"));
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    outer->addLayout(top, 1);
    FPreview = new TScanPreview(this);
    top->addWidget(FPreview, 1);
    FPreview->OnAreaChosen = [this](const QRectF& area) { SetArea(area); };

    auto* side = new QVBoxLayout;
    top->addLayout(side);
    auto* device = new QLabel(deviceName, this);
    device->setWordWrap(true);
    side->addWidget(device);
    auto* settings = new QGroupBox(QStringLiteral("設定"), this);
    auto* form = new QFormLayout(settings);
    FResolution = new QComboBox(settings);
    FMode = new QComboBox(settings);
    form->addRow(QStringLiteral("解像度(&R):"), FResolution);
    form->addRow(QStringLiteral("モード(&M):"), FMode);
    auto spin = [settings](double max) {
        auto* s = new QDoubleSpinBox(settings);
        s->setDecimals(1);
        s->setRange(0, max);
        s->setSuffix(QStringLiteral(" mm"));
        return s;
    };
    FLeft = spin(10000);
    FTop = spin(10000);
    FWidth = spin(10000);
    FHeight = spin(10000);
    form->addRow(QStringLiteral("左(&L):"), FLeft);
    form->addRow(QStringLiteral("上(&U):"), FTop);
    form->addRow(QStringLiteral("幅(&W):"), FWidth);
    form->addRow(QStringLiteral("高さ(&H):"), FHeight);
    FSize = new QLabel(settings);
    form->addRow(QStringLiteral("画像サイズ:"), FSize);
    side->addWidget(settings);
    side->addStretch(1);

    FMessage = new QLabel(QStringLiteral("デバイスを開いています..."), this);
    FMessage->setWordWrap(true);
    outer->addWidget(FMessage);
    FProgress = new QProgressBar(this);
    FProgress->setRange(0, 100);
    FProgress->setValue(0);
    outer->addWidget(FProgress);
    auto* buttons = new QHBoxLayout;
    outer->addLayout(buttons);
    FPreviewButton = new QPushButton(QStringLiteral("プレビュー(&P)"), this);
    FScanButton = new QPushButton(QStringLiteral("取り込み(&S)"), this);
    FAbortButton = new QPushButton(QStringLiteral("中止"), this);
    buttons->addStretch(1);
    buttons->addWidget(FPreviewButton);
    buttons->addWidget(FScanButton);
    buttons->addWidget(FAbortButton);
    FPreviewButton->setAutoDefault(false);
    FScanButton->setAutoDefault(false);
    // Enter and Escape both stop, as the window's one button always did.
    FAbortButton->setDefault(true);
    connect(FPreviewButton, &QPushButton::clicked, this, &TfrmScanner::StartPreview);
    connect(FScanButton, &QPushButton::clicked, this, &TfrmScanner::StartScan);
    connect(FAbortButton, &QPushButton::clicked, this, &TfrmScanner::Abort);
    auto areaEdited = [this] {
        FPreview->SetArea(Settings().Area);
        UpdateSizeLabel();
    };
    for (QDoubleSpinBox* s : {FLeft, FTop, FWidth, FHeight})
        connect(s, &QDoubleSpinBox::valueChanged, this, areaEdited);
    connect(FResolution, &QComboBox::currentIndexChanged, this, [this] { UpdateSizeLabel(); });
    resize(640, 480);
    UpdateControls();
}

TfrmScanner::~TfrmScanner()
{
    if (FThread) {
        FDevice->Cancel();
        FThread->disconnect(this);
        FThread->wait();
        delete FThread;
        FThread = nullptr;
    }
    // Closing the device waits for nothing: no job runs any more.
    FDevice->Close();
    QApplication::restoreOverrideCursor();
}

void TfrmScanner::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FStarted)
        return;
    FStarted = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    RunJob(TJob::Open, {});
}

TScanSettings TfrmScanner::Settings() const
{
    TScanSettings s;
    s.Resolution = FResolution->currentData().toInt();
    s.Mode = FMode->currentData().toString();
    if (FCaps.HasArea)
        s.Area = QRectF(FLeft->value(), FTop->value(), FWidth->value(), FHeight->value());
    return s;
}

void TfrmScanner::SetResolution(int dpi)
{
    const int i = FResolution->findData(dpi);
    if (i >= 0)
        FResolution->setCurrentIndex(i);
}

void TfrmScanner::SetMode(const QString& mode)
{
    const int i = FMode->findData(mode);
    if (i >= 0)
        FMode->setCurrentIndex(i);
}

void TfrmScanner::SetArea(const QRectF& millimetres)
{
    if (!FCaps.HasArea)
        return;
    const QRectF area = millimetres.intersected(FCaps.MaxArea);
    const QSignalBlocker b1(FLeft), b2(FTop), b3(FWidth), b4(FHeight);
    FLeft->setValue(area.left());
    FTop->setValue(area.top());
    FWidth->setValue(area.width());
    FHeight->setValue(area.height());
    FPreview->SetArea(Settings().Area);
    UpdateSizeLabel();
}

QSize TfrmScanner::ExpectedSize() const
{
    const TScanSettings s = Settings();
    if (s.Area.isEmpty() || s.Resolution <= 0)
        return {};
    // Devices count whole pixels of the area at the resolution.
    return QSize(int(s.Area.width() * s.Resolution / 25.4), int(s.Area.height() * s.Resolution / 25.4));
}

void TfrmScanner::UpdateSizeLabel()
{
    const QSize size = ExpectedSize();
    FSize->setText(size.isEmpty() ? QStringLiteral("-")
                                  : QStringLiteral("%1 × %2 ピクセル").arg(size.width()).arg(size.height()));
}

void TfrmScanner::UpdateControls()
{
    const bool idle = FReady && !FThread;
    for (QWidget* w : std::initializer_list<QWidget*>{FResolution, FMode, FScanButton})
        w->setEnabled(idle);
    for (QDoubleSpinBox* s : {FLeft, FTop, FWidth, FHeight})
        s->setEnabled(idle && FCaps.HasArea);
    FPreview->setEnabled(idle && FCaps.HasArea);
    // Without a preview mode of its own the device scans the whole area at its
    // lowest resolution.
    FPreviewButton->setEnabled(idle && FCaps.HasArea);
    FResolution->setEnabled(idle && FResolution->count() > 1);
    FMode->setEnabled(idle && FMode->count() > 1);
}

void TfrmScanner::RunJob(TJob job, const TScanSettings& settings)
{
    if (FThread)
        return;
    FJob = job;
    FResult = QImage();
    FJobError.clear();
    FProgress->setValue(0);
    FProgress->setRange(0, 100);
    TSaneDevice* device = FDevice.get();
    const QString name = FDeviceName;
    QPointer<TfrmScanner> self(this);
    FThread = QThread::create([this, device, name, job, settings, self] {
        try {
            if (job == TJob::Open) {
                device->Open(name);
                FCaps = device->Capabilities();
                return;
            }
            FResult = device->Scan(settings, [self](int64_t done, int64_t total) {
                // Progress reaches the window through its event queue.
                const int percent = total > 0 ? int(done * 100 / total) : -1;
                QMetaObject::invokeMethod(
                    self.data(),
                    [self, percent] {
                        if (!self)
                            return;
                        if (percent < 0)
                            self->FProgress->setRange(0, 0);
                        else
                            self->FProgress->setValue(percent);
                    },
                    Qt::QueuedConnection);
            });
        } catch (const std::exception& e) {
            FJobError = ExceptionText(e);
        }
    });
    connect(FThread, &QThread::finished, this, &TfrmScanner::JobDone, Qt::QueuedConnection);
    switch (job) {
    case TJob::Open:
        FMessage->setText(QStringLiteral("デバイスを開いています..."));
        break;
    case TJob::Preview:
        FMessage->setText(QStringLiteral("プレビューを取り込んでいます..."));
        break;
    case TJob::Scan:
        FMessage->setText(QStringLiteral("画像を取り込んでいます..."));
        break;
    }
    FThread->start();
    UpdateControls();
    Q_EMIT StateChanged();
}

void TfrmScanner::JobDone()
{
    if (!FThread)
        return;
    FThread->wait();
    delete FThread;
    FThread = nullptr;
    if (FClosing) {
        QDialog::reject();
        Q_EMIT StateChanged();
        return;
    }
    if (!FJobError.isEmpty()) {
        Fail(FJobError);
        return;
    }
    switch (FJob) {
    case TJob::Open: {
        FReady = true;
        QApplication::restoreOverrideCursor();
        const QSignalBlocker b1(FResolution), b2(FMode);
        for (int r : FCaps.Resolutions)
            FResolution->addItem(QStringLiteral("%1 dpi").arg(r), r);
        if (FResolution->count() == 0)
            FResolution->addItem(QStringLiteral("装置の設定"), 0);
        // A label picture rarely needs more: start at 150 dpi when the device has it.
        SetResolution(FCaps.Resolutions.contains(150) ? 150 : FCaps.Resolution);
        for (const QString& m : FCaps.Modes)
            FMode->addItem(ModeCaption(m), m);
        if (FMode->count() == 0)
            FMode->addItem(QStringLiteral("装置の設定"), QString());
        SetMode(FCaps.Mode);
        for (const QString& m : FCaps.Modes)
            if (m.compare(QLatin1String("Color"), Qt::CaseInsensitive) == 0)
                SetMode(m);
        if (FCaps.HasArea) {
            for (QDoubleSpinBox* s : {FLeft, FWidth})
                s->setMaximum(FCaps.MaxArea.right());
            for (QDoubleSpinBox* s : {FTop, FHeight})
                s->setMaximum(FCaps.MaxArea.bottom());
            FPreview->SetMaxArea(FCaps.MaxArea);
            SetArea(FCaps.Area.isEmpty() ? FCaps.MaxArea : FCaps.Area);
        }
        UpdateSizeLabel();
        FMessage->setText(
            FCaps.HasArea
                ? QStringLiteral("取り込む範囲をプレビューでドラッグして選び、「取り込み」を押してください。")
                : QStringLiteral("設定を選んで「取り込み」を押してください。"));
        break;
    }
    case TJob::Preview:
        if (!FResult.isNull()) {
            FPreviewPicture = FResult;
            FPreview->SetPicture(FResult, FCaps.MaxArea);
            FMessage->setText(QStringLiteral("取り込む範囲をプレビューでドラッグして選んでください。"));
        }
        break;
    case TJob::Scan:
        if (!FResult.isNull() && !FResult.size().isEmpty()) {
            FPicture = FResult;
            LastDevice() = FDeviceName;
            accept();
        }
        break;
    }
    FProgress->setRange(0, 100);
    FProgress->setValue(FJob == TJob::Open ? 0 : 100);
    UpdateControls();
    Q_EMIT StateChanged();
}

void TfrmScanner::Fail(const QString& message)
{
    // The device is given up and the window closes without a picture; the caller
    // reports the failure once the window is gone.
    FError = message;
    FDevice->Close();
    QDialog::reject();
    Q_EMIT StateChanged();
}

void TfrmScanner::StartPreview()
{
    if (!FReady || FThread || !FCaps.HasArea)
        return;
    TScanSettings s = Settings();
    s.Preview = true;
    s.Area = FCaps.MaxArea;
    // A quick look: the lowest resolution that still shows the page.
    if (!FCaps.Resolutions.isEmpty()) {
        s.Resolution = FCaps.Resolutions.first();
        for (int r : FCaps.Resolutions)
            if (r <= 75)
                s.Resolution = r;
    }
    RunJob(TJob::Preview, s);
}

void TfrmScanner::StartScan()
{
    if (!FReady || FThread)
        return;
    RunJob(TJob::Scan, Settings());
}

void TfrmScanner::Abort()
{
    if (FThread) {
        // The scan stops mid-page; the window closes when the worker has returned.
        FClosing = true;
        FMessage->setText(QStringLiteral("中止しています..."));
        FAbortButton->setEnabled(false);
        FDevice->Cancel();
        return;
    }
    QDialog::reject();
}

void TfrmScanner::reject()
{
    Abort();
}

// ---------------------------------------------------------------------------------

std::unique_ptr<TAppBitmap> AcquireTwainPicture(QWidget* parent)
{
    QString device;
    {
        TfrmScannerSelect select(parent);
        const int answer = select.exec();
        if (!select.Error().isEmpty())
            throw ETwain(select.Error());
        if (answer != QDialog::Accepted || select.SelectedDevice().isEmpty())
            return nullptr;
        device = select.SelectedDevice();
        LastDevice() = device;
    }
    if (parent)
        parent->activateWindow();
    TfrmScanner window(device, parent);
    const int answer = window.exec();
    if (!window.Error().isEmpty())
        throw ETwain(window.Error());
    if (answer != QDialog::Accepted || window.Picture().isNull())
        return nullptr;
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(window.Picture());
    return bitmap;
}

} // namespace velmo
