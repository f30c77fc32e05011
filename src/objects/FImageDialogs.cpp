#include "objects/FImageDialogs.h"
#include "base/UFolderHistory.h"
#include "base/UModalResult.h"
#include "draw/FDrawSite.h"
#include "draw/UNotify.h"
#include "imaging/FClipEditor.h"
#include "imaging/FColorSpec.h"
#include "imaging/FTransparentEditor.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "objects/ULOImage.h"
#include "ui/FPosition.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

bool& ExtendedMode()
{
    static bool mode = false;
    return mode;
}

// The image dialog's last tab, remembered while the application runs.
int& LastImageTab()
{
    static int tab = 0;
    return tab;
}

struct TBackMemory
{
    bool Free = false;
    bool Used = false;
};

TBackMemory& LastBackMethod()
{
    static TBackMemory memory;
    return memory;
}

TfrmImageProperty::TFrameChooser& FrameChooser()
{
    static TfrmImageProperty::TFrameChooser chooser;
    return chooser;
}

TBackGalleryFactory& GalleryFactory()
{
    static TBackGalleryFactory factory;
    return factory;
}

QString& CollectionFolder()
{
    static QString folder;
    return folder;
}

std::function<int(QDialog&)>& DialogRunner()
{
    static std::function<int(QDialog&)> runner;
    return runner;
}

int RunDialog(QDialog& dialog)
{
    if (DialogRunner())
        return DialogRunner()(dialog);
    return dialog.exec();
}

} // namespace

// ---------------------------------------------------------------------------------
// Image objects

void TfrmImageProperty::SetExtendedPaperMode(bool value)
{
    ExtendedMode() = value;
}

bool TfrmImageProperty::ExtendedPaperMode()
{
    return ExtendedMode();
}

TfrmImageProperty::TfrmImageProperty(TLOImage* image, QWidget* parent)
    : TfrmImageDataEditor(parent), FImage(image), FFrame(std::make_unique<TPictureEx>()),
      FPosition(new TfrmPosition(this)), FWizard(new QCheckBox(QStringLiteral("ｳｨｻﾞｰﾄﾞ項目"), this)),
      FAlphaFrame(new QCheckBox(QStringLiteral("フレームの濃さを不透明度にする(&A)"), this)),
      FFrameLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("frmImageProperty"));
    setWindowTitle(image->ImageSource() == isOnePoint ? QStringLiteral("イラストの設定")
                                                      : QStringLiteral("イメージファイルの設定"));
    QTabWidget* tabs = Tabs();
    tabs->setTabText(0, QStringLiteral("イラスト"));

    // The trimming page also holds the frame picture.
    QWidget* clip = tabs->widget(1);
    tabs->removeTab(1);
    auto* clipPage = new QWidget(tabs);
    auto* clipLayout = new QVBoxLayout(clipPage);
    clipLayout->addWidget(clip, 1);
    auto* frameRow = new QHBoxLayout;
    frameRow->addWidget(new QLabel(QStringLiteral("フレーム:"), clipPage));
    frameRow->addWidget(FFrameLabel, 1);
    auto* chooseFrame = new QPushButton(QStringLiteral("フレームの選択(&M)..."), clipPage);
    chooseFrame->setObjectName(QStringLiteral("btnChooseFrame"));
    auto* noFrame = new QPushButton(QStringLiteral("フレームなし(&N)"), clipPage);
    noFrame->setObjectName(QStringLiteral("btnNoFrame"));
    frameRow->addWidget(chooseFrame);
    frameRow->addWidget(noFrame);
    clipLayout->addLayout(frameRow);
    clipLayout->addWidget(FAlphaFrame);
    tabs->insertTab(1, clipPage, QStringLiteral("切り抜き"));

    auto* positionPage = new QWidget(tabs);
    auto* positionLayout = new QVBoxLayout(positionPage);
    positionLayout->addWidget(FPosition);
    positionLayout->addWidget(FWizard);
    positionLayout->addStretch(1);
    tabs->addTab(positionPage, QStringLiteral("位置"));

    connect(chooseFrame, &QPushButton::clicked, this, [this] { ChooseFrame(); });
    connect(noFrame, &QPushButton::clicked, this, [this] {
        FFrame->Clear();
        UpdateFrameLabel();
    });

    SetImageData(*image->ImageData());
    FFrame->Assign(*image->FramePicture());
    FAlphaFrame->setChecked(image->AlphaFrame());
    UpdateFrameLabel();
    // The picture chooser offers illustrations, files and scanners, opening on the
    // source the picture came from.
    SetIllustrationChooser(true);
    TransparentPage()->SetCurrentSource(image->ImageSource() == isOnePoint ? TPictureSource::psIllustration
                                        : image->ImageSource() == isTwain  ? TPictureSource::psScanner
                                                                           : TPictureSource::psFile);

    TPositionRecord record;
    record.Lock = !image->Movable();
    record.DontPrint = image->DontPrint();
    record.Angle = image->Angle();
    record.Left = image->BaseRect().Left;
    record.Top = image->BaseRect().Top;
    record.Width = image->BaseRect().Width();
    record.Height = image->BaseRect().Height();
    FPosition->SetRecord(record);

    auto* wizard = Supports<IDOWizardInput>(image);
    auto* wizardImage = dynamic_cast<TLOWizardImage*>(image);
    FWizardShown = ExtendedMode() && wizard;
    FWizard->setVisible(FWizardShown);
    FWizard->setChecked(wizardImage && wizardImage->WizInputEnable());

    // A new picture gets its default size.
    FPictureListener = std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
        if (kind == nkPictureChanged)
            PictureChanged();
    });
    FPictureListener->ListenTo(&ImageData().Notify());
    tabs->setCurrentIndex(std::clamp(LastImageTab(), 0, tabs->count() - 1));
}

TfrmImageProperty::~TfrmImageProperty()
{
    FPictureListener.reset();
}

void TfrmImageProperty::SetFrameChooser(TFrameChooser chooser)
{
    FrameChooser() = std::move(chooser);
}

void TfrmImageProperty::ChooseFrame()
{
    QString file;
    if (FrameChooser()) {
        if (!FrameChooser()(this, file))
            return;
        if (file.isEmpty()) {
            FFrame->Clear();
            UpdateFrameLabel();
            return;
        }
    } else {
        file = QFileDialog::getOpenFileName(this, QStringLiteral("フレームの選択"),
                                            StartFolder(folderkind::Picture), GraphicFileFilter());
        if (file.isEmpty())
            return;
        RememberFolder(folderkind::Picture, file);
    }
    if (!LoadFrame(file))
        QMessageBox::warning(this, windowTitle(), QStringLiteral("フレームを読み込めませんでした。"));
}

bool TfrmImageProperty::LoadFrame(const QString& fileName)
{
    TImageData loaded;
    try {
        loaded.LoadFromFile(fileName);
    } catch (const std::exception&) {
        return false;
    }
    FFrame->Assign(*loaded.Picture());
    UpdateFrameLabel();
    return true;
}

void TfrmImageProperty::UpdateFrameLabel()
{
    FFrameLabel->setText(FFrame->HasGraphic()
                             ? QStringLiteral("%1 × %2 ピクセル").arg(FFrame->Width()).arg(FFrame->Height())
                             : QStringLiteral("なし"));
    FAlphaFrame->setEnabled(FFrame->HasGraphic());
}

void TfrmImageProperty::PictureChanged()
{
    TPictureEx* display = ImageData().DisplayPicture();
    const QSize size = DefaultImageSize(QSize(display->Width(), display->Height()));
    if (size.isEmpty())
        return;
    TPositionRecord record = FPosition->Record();
    record.Width = size.width();
    record.Height = size.height();
    FPosition->SetRecord(record);
}

int TfrmImageProperty::Execute()
{
    return TfrmImageDataEditor::Execute();
}

void TfrmImageProperty::done(int result)
{
    LastImageTab() = Tabs()->currentIndex();
    TfrmImageDataEditor::done(result);
}

void TfrmImageProperty::Apply()
{
    const TPositionRecord record = FPosition->Record();
    FImage->SetAngle(record.Angle);
    FImage->SetMovable(!record.Lock);
    FImage->SetDontPrint(record.DontPrint);
    FImage->SetPropLeft(record.Left);
    FImage->SetPropTop(record.Top);
    FImage->SetPropWidth(record.Width);
    FImage->SetPropHeight(record.Height);
    FImage->ImageData()->Assign(ImageData());
    switch (TransparentPage()->CurrentSource()) {
    case TPictureSource::psIllustration:
        FImage->SetImageSource(isOnePoint);
        break;
    case TPictureSource::psScanner:
        FImage->SetImageSource(isTwain);
        break;
    case TPictureSource::psFile:
        FImage->SetImageSource(isFile);
        break;
    }
    if (FWizardShown)
        if (auto* wizard = dynamic_cast<TLOWizardImage*>(FImage))
            wizard->SetWizInputEnable(FWizard->isChecked());
    FImage->FramePicture()->Assign(*FFrame);
    if (!FFrame->HasGraphic())
        FImage->FramePicture()->Clear();
    FImage->SetAlphaFrame(FAlphaFrame->isChecked() && FFrame->HasGraphic());
}

// ---------------------------------------------------------------------------------
// Backgrounds

void TfrmBackImageProperty::SetGalleryFactory(TBackGalleryFactory factory)
{
    GalleryFactory() = std::move(factory);
}

void TfrmBackImageProperty::SetCollectionFolder(const QString& folder)
{
    CollectionFolder() = folder;
}

TfrmBackImageProperty::TfrmBackImageProperty(TLOBackImage* background, QWidget* parent)
    : QDialog(parent), FBack(background),
      FCollection(new QRadioButton(QStringLiteral("背景集から(&B)"), this)),
      FFree(new QRadioButton(QStringLiteral("自由に指定(&F)"), this)), FPages(new QStackedWidget(this)),
      FGallery(new QListWidget(this)), FFillColor(new TfrmColorSpec(this)),
      FFrameColor(new TfrmColorSpec(this)), FFrameWidth(new TMillimetreEdit(0, 200, this)), FOk(nullptr),
      FNone(nullptr)
{
    setObjectName(QStringLiteral("frmBackImageProperty"));
    setWindowTitle(QStringLiteral("背景柄の設定"));

    auto* method = new QGroupBox(QStringLiteral("指定方法"), this);
    auto* methodLayout = new QHBoxLayout(method);
    auto* group = new QButtonGroup(this);
    group->addButton(FCollection, 0);
    group->addButton(FFree, 1);
    methodLayout->addWidget(FCollection);
    methodLayout->addWidget(FFree);
    methodLayout->addStretch(1);

    FGallery->setViewMode(QListView::IconMode);
    FGallery->setIconSize(QSize(96, 96));
    FGallery->setResizeMode(QListView::Adjust);
    FGallery->setMovement(QListView::Static);
    FGallery->setSpacing(6);
    if (GalleryFactory())
        FGalleryPage = GalleryFactory()(FPages);
    if (FGalleryPage) {
        FGallery->hide();
        FPages->addWidget(FGalleryPage);
        FGalleryPage->OnSelectionChange = [this] { UpdateEnabled(); };
        FGalleryPage->OnActivate = [this] {
            if (FOk->isEnabled())
                done(QDialog::Accepted);
        };
    } else {
        FPages->addWidget(FGallery);
    }

    auto* freePage = new QWidget(FPages);
    auto* freeLayout = new QHBoxLayout(freePage);
    auto* fillBox = new QGroupBox(QStringLiteral("塗り色"), freePage);
    (new QVBoxLayout(fillBox))->addWidget(FFillColor);
    auto* frameBox = new QGroupBox(QStringLiteral("枠線"), freePage);
    auto* frameLayout = new QVBoxLayout(frameBox);
    frameLayout->addWidget(FFrameColor);
    auto* widthRow = new QHBoxLayout;
    auto* widthLabel = new QLabel(QStringLiteral("枠線の太さ(&F)"), frameBox);
    widthLabel->setBuddy(FFrameWidth->SpinBox());
    widthRow->addWidget(widthLabel);
    widthRow->addWidget(FFrameWidth);
    widthRow->addStretch(1);
    frameLayout->addLayout(widthRow);
    freeLayout->addWidget(fillBox);
    freeLayout->addWidget(frameBox);
    FPages->addWidget(freePage);

    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FNone = buttons->addButton(QStringLiteral("背景柄なし"), QDialogButtonBox::ResetRole);
    FOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(QDialog::Accepted); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(QDialog::Rejected); });
    connect(FNone, &QPushButton::clicked, this, [this] {
        FReset = true;
        done(QDialog::Accepted);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(method);
    layout->addWidget(FPages, 1);
    layout->addWidget(buttons);
    resize(760, 520);

    FFillColor->LoadSpec(*background->FillColor());
    FFrameColor->LoadSpec(*background->FrameColor());
    FFrameWidth->SetValue(background->FrameWidth());
    const TLogRect& r = background->BaseRect();
    FFillColor->SetFaceSize(r.Width(), r.Height());
    FFrameColor->SetFaceSize(r.Width(), r.Height());
    if (!FGalleryPage)
        FillGallery();

    // Being created: the collection first; otherwise the method used last.
    const bool free = background->OnSite() && LastBackMethod().Used && LastBackMethod().Free;
    (free ? FFree : FCollection)->setChecked(true);
    FPages->setCurrentIndex(free ? 1 : 0);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        FPages->setCurrentIndex(id);
        UpdateEnabled();
    });
    connect(FGallery, &QListWidget::currentRowChanged, this, [this] { UpdateEnabled(); });
    connect(FGallery, &QListWidget::itemDoubleClicked, this, [this] {
        if (FOk->isEnabled())
            done(QDialog::Accepted);
    });
    UpdateEnabled();
}

void TfrmBackImageProperty::FillGallery()
{
    FGallery->clear();
    const QString folder = CollectionFolder();
    // Without pictures the page says so instead of staying blank; the line cannot be
    // chosen, so OK stays off until the free method is picked.
    auto sayMissing = [this] {
        if (FGallery->count() != 0)
            return;
        auto* note = new QListWidgetItem(
            QStringLiteral("背景集が見つかりません。「自由に指定」で色や画像を指定できます。"), FGallery);
        note->setFlags(Qt::NoItemFlags);
    };
    if (folder.isEmpty() || !QDir(folder).exists()) {
        sayMissing();
        return;
    }
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        QImage image;
        if (!image.load(file.absoluteFilePath()))
            continue; // not a picture: not offered
        auto* item = new QListWidgetItem(
            QIcon(QPixmap::fromImage(image.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation))),
            file.completeBaseName(), FGallery);
        item->setData(Qt::UserRole, file.absoluteFilePath());
    }
    sayMissing();
}

void TfrmBackImageProperty::UpdateEnabled()
{
    if (FGalleryPage) {
        FOk->setEnabled(FFree->isChecked() || FGalleryPage->HasSelection());
        return;
    }
    const QListWidgetItem* item = FGallery->currentItem();
    FOk->setEnabled(FFree->isChecked() || (item && (item->flags() & Qt::ItemIsSelectable)));
}

void TfrmBackImageProperty::done(int result)
{
    if (result == QDialog::Accepted && !FReset) {
        LastBackMethod().Used = true;
        LastBackMethod().Free = FFree->isChecked();
    }
    QDialog::done(result);
}

void TfrmBackImageProperty::Apply()
{
    if (FReset) {
        FBack->Reset();
        return;
    }
    if (FFree->isChecked()) {
        TColorSpec frame, fill;
        FFrameColor->GetSpec(frame);
        FFillColor->GetSpec(fill);
        FBack->FrameColor()->Assign(frame);
        FBack->FillColor()->Assign(fill);
        FBack->SetFrameWidth(FFrameWidth->Value());
        return;
    }
    QString fileName;
    if (FGalleryPage) {
        if (!FGalleryPage->HasSelection())
            return;
        fileName = FGalleryPage->SelectedFileName();
        FGalleryPage->Taken();
    } else {
        const QListWidgetItem* item = FGallery->currentItem();
        if (!item || !(item->flags() & Qt::ItemIsSelectable))
            return;
        fileName = item->data(Qt::UserRole).toString();
    }
    TImageData loaded;
    try {
        loaded.LoadFromFile(fileName);
    } catch (const std::exception&) {
        return; // the picture vanished or broke: the background stays as it was
    }
    TColorSpec fill;
    fill.Assign(*FBack->FillColor());
    fill.ImageData()->Assign(loaded);
    fill.SetKind(TColorSpecKind::cskBitmap);
    fill.SetTile(false);
    fill.SetTileShift(false);
    FBack->FillColor()->Assign(fill);
    FBack->SetFrameWidth(0);
}

// ---------------------------------------------------------------------------------
// The designer

void TImageDesigner::SetDialogRunner(std::function<int(QDialog&)> runner)
{
    DialogRunner() = std::move(runner);
}

bool TImageDesigner::EditObject(TLabelObject* object, bool& cancelled)
{
    QWidget* parent = object->Site() ? object->Site()->window() : nullptr;
    if (auto* image = dynamic_cast<TLOImage*>(object)) {
        TfrmImageProperty dialog(image, parent);
        dialog.Prepare();
        if (dialog.ImageData().IsEmpty()) {
            dialog.TransparentPage()->ChooseAgain();
            if (dialog.ImageData().IsEmpty()) {
                cancelled = true;
                return true;
            }
        }
        cancelled = RunDialog(dialog) != QDialog::Accepted;
        if (cancelled)
            return true;
        auto action = object->OnSite() ? std::make_unique<TDOChangeAction>(object, QStringLiteral("設定変更"))
                                       : nullptr;
        dialog.Apply();
        TDOChangeAction::Commit(std::move(action));
        return true;
    }
    if (auto* back = dynamic_cast<TLOBackImage*>(object)) {
        TfrmBackImageProperty dialog(back, parent);
        cancelled = RunDialog(dialog) != QDialog::Accepted;
        if (cancelled)
            return true;
        auto action = object->OnSite() ? std::make_unique<TDOChangeAction>(object, QStringLiteral("設定変更"))
                                       : nullptr;
        dialog.Apply();
        TDOChangeAction::Commit(std::move(action));
        return true;
    }
    return false;
}

void RegisterImageDesigner()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    TDesignerList::Instance().Register(std::make_shared<TImageDesigner>());
}

} // namespace velmo
