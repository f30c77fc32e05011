#include "imaging/FPhotoCD.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace velmo {

namespace {

int gSize = 1;
int gColours = 1;

constexpr int kFormats[] = {kPCDFormatGrey, kPCDFormatPalette, kPCDFormatRGB};
constexpr int kTransforms[] = {0, 7, 3, 4};

} // namespace

int TfrmPhotoCD::RememberedSize()
{
    return gSize;
}

int TfrmPhotoCD::RememberedColours()
{
    return gColours;
}

void TfrmPhotoCD::ResetRemembered()
{
    gSize = 1;
    gColours = 1;
}

TfrmPhotoCD::TfrmPhotoCD(const QString& fileName, QWidget* parent)
    : QDialog(parent), FFileName(fileName), FPreviewPicture(std::make_unique<TPictureEx>()),
      FResult(std::make_unique<TPictureEx>())
{
    setWindowTitle(QStringLiteral("PhotoCDｲﾒｰｼﾞの設定"));
    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    outer->addLayout(left);
    auto* form = new QFormLayout;
    FSize = new QComboBox(this);
    FSize->addItems(
        {QStringLiteral("小 192x128"), QStringLiteral("中 384x256"), QStringLiteral("大 768x512")});
    FColours = new QComboBox(this);
    FColours->addItems(
        {QStringLiteral("256色ｸﾞﾚｰｽｹｰﾙ"), QStringLiteral("256色ｶﾗｰ"), QStringLiteral("16M色ﾌﾙｶﾗｰ")});
    auto* sizeLabel = new QLabel(QStringLiteral("ｻｲｽﾞ(&S)"), this);
    sizeLabel->setBuddy(FSize);
    auto* colourLabel = new QLabel(QStringLiteral("色数(&C)"), this);
    colourLabel->setBuddy(FColours);
    form->addRow(sizeLabel, FSize);
    form->addRow(colourLabel, FColours);
    left->addLayout(form);
    auto* options = new QGroupBox(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"), this);
    auto* optionForm = new QFormLayout(options);
    FRotation = new QComboBox(options);
    FRotation->addItems(
        {QStringLiteral("しない"), QStringLiteral("90"), QStringLiteral("180"), QStringLiteral("270")});
    auto* rotationLabel = new QLabel(QStringLiteral("回転(&R)"), options);
    rotationLabel->setBuddy(FRotation);
    optionForm->addRow(rotationLabel, FRotation);
    FVertical = new QCheckBox(QStringLiteral("垂直反転(&V)"), options);
    FHorizontal = new QCheckBox(QStringLiteral("水平反転(&H)"), options);
    optionForm->addRow(FVertical);
    optionForm->addRow(FHorizontal);
    left->addWidget(options);
    left->addStretch(1);
    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    left->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* sampleBox = new QGroupBox(QStringLiteral("ｻﾝﾌﾟﾙ"), this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    auto* scroll = new QScrollArea(sampleBox);
    FSample = new QLabel(scroll);
    FSample->setAlignment(Qt::AlignCenter);
    scroll->setWidget(FSample);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(420, 420);
    sampleLayout->addWidget(scroll);
    outer->addWidget(sampleBox, 1);

    auto changed = [this] { UpdatePreview(); };
    connect(FSize, &QComboBox::currentIndexChanged, this, changed);
    connect(FColours, &QComboBox::currentIndexChanged, this, changed);
    connect(FRotation, &QComboBox::currentIndexChanged, this, changed);
    connect(FVertical, &QCheckBox::toggled, this, changed);
    connect(FHorizontal, &QCheckBox::toggled, this, changed);
}

TfrmPhotoCD::~TfrmPhotoCD() = default;

void TfrmPhotoCD::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Activate();
}

void TfrmPhotoCD::ShowMessage(const QString& text)
{
    FLastMessage = text;
    if (!FQuiet)
        QMessageBox::information(this, windowTitle(), text);
}

bool TfrmPhotoCD::Activate()
{
    FLoading = true;
    FSize->setCurrentIndex(gSize);
    FColours->setCurrentIndex(gColours);
    FLoading = false;
    if (FActivated)
        return FAccess.IsOpen();
    FActivated = true;
    if (!FAccess.Open(FFileName)) {
        ShowMessage(QStringLiteral("%1をオープンできません").arg(FFileName));
        return false;
    }
    const int stored = FAccess.Transform();
    FLoading = true;
    FRotation->setCurrentIndex((stored & 4) ? 3 : 0);
    FVertical->setChecked(stored & 1);
    FHorizontal->setChecked(stored & 2);
    FLoading = false;
    UpdatePreview();
    return true;
}

int TfrmPhotoCD::ChosenFormat() const
{
    return kFormats[std::clamp(FColours->currentIndex(), 0, 2)];
}

int TfrmPhotoCD::ChosenResolution() const
{
    return std::clamp(FSize->currentIndex(), 0, 2) + 1;
}

int TfrmPhotoCD::ChosenTransform() const
{
    int t = kTransforms[std::clamp(FRotation->currentIndex(), 0, 3)];
    if (FVertical->isChecked())
        t ^= 1;
    if (FHorizontal->isChecked())
        t ^= 2;
    return t;
}

void TfrmPhotoCD::UpdatePreview()
{
    if (FLoading || !FAccess.IsOpen())
        return;
    const int format = ChosenFormat();
    const int resolution = ChosenResolution();
    const int transform = ChosenTransform();
    // Nothing new to show; an empty preview is always filled, so a photograph whose
    // stored settings match the choices still shows.
    if (FPreviewPicture->HasGraphic() && format == FShownFormat && resolution == FShownResolution &&
        transform == FShownTransform)
        return;
    try {
        FAccess.SetResolution(resolution);
        FAccess.SetFormat(format);
        FAccess.SetTransform(transform);
        auto bitmap = std::make_unique<TAppBitmap>();
        if (!FAccess.LoadBitmap(*bitmap))
            return;
        ++FLoadCount;
        FShownFormat = format;
        FShownResolution = resolution;
        FShownTransform = transform;
        FSample->setPixmap(QPixmap::fromImage(bitmap->Image()));
        FPreviewPicture->SetGraphic(std::move(bitmap));
    } catch (const EPCDError& e) {
        // The preview keeps its previous picture.
        ShowMessage(e.Message());
    }
}

void TfrmPhotoCD::accept()
{
    FResult->Assign(*FPreviewPicture);
    gSize = FSize->currentIndex();
    gColours = FColours->currentIndex();
    QDialog::accept();
}

bool IsPhotoCDFileName(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral(".pcd"), Qt::CaseInsensitive);
}

bool LoadPictureWithDialogs(QWidget* parent, const QString& fileName, TPictureEx& picture)
{
    if (IsPhotoCDFileName(fileName)) {
        TfrmPhotoCD dialog(fileName, parent);
        if (dialog.exec() != QDialog::Accepted || !dialog.Result().HasGraphic())
            return false;
        picture.Assign(dialog.Result());
        return true;
    }
    TLoadedPicture loaded = LoadPictureFile(fileName);
    // A file with transparency keeps its key colour, as the picture packs keep it.
    if (loaded.KeyColor != clNone)
        if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(loaded.Graphic.get())) {
            bitmap->SetTransparentColor(loaded.KeyColor);
            bitmap->SetTransparent(true);
        }
    picture.SetGraphic(std::move(loaded.Graphic));
    return true;
}

} // namespace velmo
