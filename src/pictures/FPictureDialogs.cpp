#include "pictures/FPictureDialogs.h"
#include "imaging/FPhotoCD.h"
#include "imaging/FTransparentEditor.h"
#include "imaging/UDIB.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/FImageDialogs.h"
#include "objects/UStandardDSA.h"
#include "pictures/FImageBrowser.h"
#include "pictures/FPictureBrowsers.h"
#include "pictures/UPictureCollections.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

void ShowScaled(QLabel* view, const TPictureEx& picture)
{
    if (!picture.HasGraphic()) {
        view->setPixmap(QPixmap());
        return;
    }
    const QImage image = picture.Graphic()->Image();
    const QSize room = view->size() - QSize(8, 8);
    QImage shown = image;
    if (image.width() > room.width() || image.height() > room.height())
        shown = image.scaled(room.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    view->setPixmap(QPixmap::fromImage(shown));
}

void SetBitmap(TPictureEx& picture, const QImage& image)
{
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(image);
    picture.SetGraphic(std::move(bitmap));
}

} // namespace

// ---------------------------------------------------------------------------------
// Clipboard page

TClipboardPage::TClipboardPage(QWidget* parent)
    : QWidget(parent), FPicture(std::make_unique<TPictureEx>()), FView(new QLabel(this))
{
    setObjectName(QStringLiteral("pgClipboard"));
    FView->setObjectName(QStringLiteral("imgClipboard"));
    FView->setAlignment(Qt::AlignCenter);
    FView->setFrameShape(QFrame::StyledPanel);
    FView->setMinimumSize(200, 150);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FView, 1);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Refresh(); });
    Refresh();
}

TClipboardPage::~TClipboardPage() = default;

bool TClipboardPage::HasPicture() const
{
    return FPicture->HasGraphic();
}

void TClipboardPage::Refresh()
{
    FPicture->Clear();
    QString note;
    try {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QImage image = PastedPicture(data);
        // A picture put there by this program itself is not encoded yet.
        if (image.isNull() && data && data->hasImage()) {
            image = qvariant_cast<QImage>(data->imageData());
            if (!image.isNull() && !BitmapSizeAllowed(image.width(), image.height()))
                throw EInvalidGraphic(InvalidBitmapMessage());
        }
        if (!image.isNull())
            SetBitmap(*FPicture, image);
        else
            note = QStringLiteral("クリップボードに画像がありません。");
    } catch (const std::exception&) {
        // Too large or damaged: nothing to take.
        note = QStringLiteral("クリップボードの画像を読み込めません。");
    }
    FView->setText(note);
    ShowPicture();
    if (OnChange)
        OnChange();
}

void TClipboardPage::ShowPicture()
{
    if (FPicture->HasGraphic())
        ShowScaled(FView, *FPicture);
}

void TClipboardPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ShowPicture();
}

// ---------------------------------------------------------------------------------
// Scanner page

TTwainPage::TTwainPage(QWidget* parent)
    : QWidget(parent), FPicture(std::make_unique<TPictureEx>()),
      FAcquire(new QPushButton(QStringLiteral("取り込み"), this)), FView(new QLabel(this))
{
    setObjectName(QStringLiteral("pgTwain"));
    FAcquire->setObjectName(QStringLiteral("btnAcquire"));
    FView->setAlignment(Qt::AlignCenter);
    FView->setFrameShape(QFrame::StyledPanel);
    FView->setMinimumSize(200, 150);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(FAcquire);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addWidget(FView, 1);
    const bool available = bool(PictureEnvironment().Acquire);
    FAcquire->setEnabled(available);
    if (!available)
        FView->setText(QStringLiteral("スキャナーやカメラからの取り込みは使用できません。"));
    connect(FAcquire, &QPushButton::clicked, this, [this] { Acquire(); });
}

TTwainPage::~TTwainPage() = default;

bool TTwainPage::HasPicture() const
{
    return FPicture->HasGraphic();
}

bool TTwainPage::Acquire()
{
    const auto& acquire = PictureEnvironment().Acquire;
    if (!acquire)
        return false;
    TPictureEx picture;
    if (!acquire(window(), picture) || !picture.HasGraphic())
        return false;
    FPicture->Assign(picture);
    ShowScaled(FView, *FPicture);
    if (OnChange)
        OnChange();
    return true;
}

// ---------------------------------------------------------------------------------
// Picture-choice dialog

TfrmIllust2::TfrmIllust2(bool withCollection, QWidget* parent)
    : TfrmIllust2(withCollection ? TPictureDialogKind::Illustrations : TPictureDialogKind::UserImages, parent)
{
}

TfrmIllust2::TfrmIllust2(TPictureDialogKind kind, QWidget* parent)
    : QDialog(parent), FResult(std::make_unique<TPictureEx>()), FTabs(new QTabWidget(this)), FFiles(nullptr),
      FClipboard(nullptr), FTwain(nullptr), FOk(nullptr), FKeyColor(clNone)
{
    setObjectName(kind == TPictureDialogKind::Illustrations ? QStringLiteral("frmIllust2")
                  : kind == TPictureDialogKind::Backgrounds ? QStringLiteral("frmSelectBackImage")
                                                            : QStringLiteral("frmSelectUserImage"));
    setWindowTitle(kind == TPictureDialogKind::Backgrounds ? QStringLiteral("背景柄の選択")
                                                           : QStringLiteral("イラストの選択"));
    if (kind == TPictureDialogKind::Illustrations) {
        FOnePoint = new TfrmOnePointBrowser(FTabs);
        FTabs->addTab(FOnePoint, QStringLiteral("イラスト集"));
    } else if (kind == TPictureDialogKind::Backgrounds) {
        FBackgrounds = new TfrmBackImageBrowser(false, FTabs);
        FTabs->addTab(FBackgrounds, QStringLiteral("背景集"));
    }
    FFiles = new TfrmImageFileBrowser(FTabs);
    FTabs->addTab(FFiles, QStringLiteral("ファイル"));
    FClipboard = new TClipboardPage(FTabs);
    FTabs->addTab(FClipboard, QStringLiteral("クリップボード"));
    FTwain = new TTwainPage(FTabs);
    FTabs->addTab(FTwain, QStringLiteral("TWAIN"));

    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(QDialog::Accepted); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(QDialog::Rejected); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTabs, 1);
    layout->addWidget(buttons);
    resize(720, 540);

    auto update = [this] { UpdateOk(); };
    auto accept = [this] {
        if (FOk->isEnabled())
            done(QDialog::Accepted);
    };
    if (FOnePoint) {
        FOnePoint->OnSelectionChange = update;
        FOnePoint->DefaultAction = accept;
    }
    if (FBackgrounds) {
        FBackgrounds->OnSelectionChange = update;
        FBackgrounds->DefaultAction = accept;
    }
    FFiles->OnSelectionChange = update;
    FFiles->DefaultAction = accept;
    FClipboard->OnChange = update;
    FTwain->OnChange = update;
    connect(FTabs, &QTabWidget::currentChanged, this, update);
    UpdateOk();
}

TfrmIllust2::~TfrmIllust2() = default;

void TfrmIllust2::UpdateOk()
{
    if (!FOk)
        return;
    QWidget* page = FTabs->currentWidget();
    bool enabled = false;
    if (FOnePoint && page == FOnePoint)
        enabled = FOnePoint->HasSelection();
    else if (FBackgrounds && page == FBackgrounds)
        enabled = FBackgrounds->HasSelection();
    else if (page == FFiles)
        enabled = FFiles->HasSelection();
    else if (page == FClipboard)
        enabled = FClipboard->HasPicture();
    else if (page == FTwain)
        enabled = FTwain->HasPicture();
    FOk->setEnabled(enabled);
}

bool TfrmIllust2::TakeChoice()
{
    QWidget* page = FTabs->currentWidget();
    FKeyColor = clNone;
    auto loadFile = [this](const QString& fileName) {
        try {
            if (IsPhotoCDFileName(fileName))
                return LoadPictureWithDialogs(this, fileName, *FResult) && FResult->HasGraphic();
            TLoadedPicture loaded = LoadPictureFile(fileName);
            if (!loaded.Graphic || loaded.Graphic->Empty())
                return false;
            FResult->SetGraphic(std::move(loaded.Graphic));
            FKeyColor = loaded.KeyColor;
            return true;
        } catch (const std::exception& e) {
            QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral("画像を読み込めませんでした。\n%1").arg(QString::fromUtf8(e.what())));
            return false;
        }
    };
    if (FOnePoint && page == FOnePoint) {
        if (!FOnePoint->HasSelection() || !loadFile(FOnePoint->SelectedFileName()))
            return false;
        FSourceKind = 1;
        return true;
    }
    if (FBackgrounds && page == FBackgrounds) {
        if (!FBackgrounds->HasSelection() || !loadFile(FBackgrounds->SelectedFileName()))
            return false;
        FSourceKind = 0;
        return true;
    }
    if (page == FFiles) {
        if (!FFiles->HasSelection() || !loadFile(FFiles->SelectedFileName()))
            return false;
        FSourceKind = 0;
        return true;
    }
    if (page == FClipboard) {
        if (!FClipboard->HasPicture())
            return false;
        FResult->Assign(FClipboard->Picture());
        FSourceKind = 0;
        return true;
    }
    if (page == FTwain) {
        if (!FTwain->HasPicture())
            return false;
        FResult->Assign(FTwain->Picture());
        FSourceKind = 2;
        return true;
    }
    return false;
}

void TfrmIllust2::done(int result)
{
    if (result == QDialog::Accepted && !TakeChoice())
        return; // nothing taken: the dialog stays open
    if (FOnePoint)
        FOnePoint->Remember();
    QDialog::done(result);
}

int TfrmIllust2::Execute(TIllustMode mode)
{
    if (mode == imTwain) {
        FTabs->setCurrentWidget(FTwain);
        if (!FTwain->Acquire())
            return QDialog::Rejected;
        if (!TakeChoice())
            return QDialog::Rejected;
        if (FOnePoint)
            FOnePoint->Remember();
        return QDialog::Accepted;
    }
    if (mode == imIllust && FOnePoint)
        FTabs->setCurrentWidget(FOnePoint);
    else if (FBackgrounds && mode != imTwain)
        FTabs->setCurrentWidget(FBackgrounds);
    else
        FTabs->setCurrentWidget(FFiles);
    UpdateOk();
    return exec();
}

// ---------------------------------------------------------------------------------
// Frame dialog

TfrmSelectFrame::TfrmSelectFrame(QWidget* parent)
    : QDialog(parent), FBrowser(new TfrmFrameBrowser(this)), FOk(nullptr)
{
    setObjectName(QStringLiteral("frmSelectFrame"));
    setWindowTitle(QStringLiteral("フレームの選択"));
    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (FOk->isEnabled())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FBrowser, 1);
    layout->addWidget(buttons);
    resize(640, 480);
    FBrowser->OnSelectionChange = [this] { UpdateOk(); };
    FBrowser->DefaultAction = [this] {
        if (FOk->isEnabled())
            accept();
    };
    UpdateOk();
}

QString TfrmSelectFrame::FrameFileName() const
{
    return FBrowser->UseBox()->isChecked() ? FBrowser->SelectedFileName() : QString();
}

void TfrmSelectFrame::UpdateOk()
{
    FOk->setEnabled(!FBrowser->UseBox()->isChecked() || FBrowser->HasSelection());
}

// ---------------------------------------------------------------------------------

void InstallPictureBrowsers()
{
    SetDefaultPictureChooser([](QWidget* parent, int kind, TChosenPicture& chosen) {
        // Illustrations (kind 2) come with the collection; backgrounds and the user's
        // own pictures from files, the clipboard or a scanner.
        // Backgrounds (kind 1) come with the background collection beside the
        // user's folders.
        const bool collection = kind == 2;
        TfrmIllust2 dialog(kind == 1    ? TPictureDialogKind::Backgrounds
                           : collection ? TPictureDialogKind::Illustrations
                                        : TPictureDialogKind::UserImages,
                           parent);
        const TIllustMode mode = !collection                                       ? imFile
                                 : chosen.Source == TPictureSource::psIllustration ? imIllust
                                 : chosen.Source == TPictureSource::psScanner      ? imTwain
                                                                                   : imFile;
        if (dialog.Execute(mode) != QDialog::Accepted || !dialog.Result().HasGraphic())
            return false;
        chosen.Graphic = dialog.Result().Graphic()->Clone();
        chosen.KeyColor = dialog.KeyColor();
        chosen.Source = dialog.SourceKind() == 1   ? TPictureSource::psIllustration
                        : dialog.SourceKind() == 2 ? TPictureSource::psScanner
                                                   : TPictureSource::psFile;
        return true;
    });
    TfrmImageProperty::SetFrameChooser([](QWidget* parent, QString& fileName) {
        TfrmSelectFrame dialog(parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        fileName = dialog.FrameFileName();
        return true;
    });
    TfrmBackImageProperty::SetGalleryFactory(
        [](QWidget* parent) { return new TBackGalleryPageImpl(parent); });
}

} // namespace velmo
