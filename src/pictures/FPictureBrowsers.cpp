#include "pictures/FPictureBrowsers.h"
#include "imaging/UImagePack.h"
#include "pictures/FImageBrowser.h"
#include "pictures/UPictureCollections.h"
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmo {

namespace {

QByteArray ReadIndexFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(kMaxIniBytes);
}

// The folder of a data path searched as "folder\*.*": the folder when it holds a file.
QString FindCollectionFolder(const QString& relativeFolder)
{
    QString rel = relativeFolder;
    while (rel.endsWith(u'\\') || rel.endsWith(u'/'))
        rel.chop(1);
    const QString hit = FindPictureData(rel + QStringLiteral("\\*.*"));
    return hit.isEmpty() ? QString() : QFileInfo(hit).absolutePath();
}

int SizeOfChoice(const QComboBox* box)
{
    return box->currentData().toInt();
}

} // namespace

QComboBox* MakeSizeChoice(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("cbSize"));
    for (int s : {50, 100, 150, 200})
        box->addItem(QStringLiteral("%1x%1").arg(s), s);
    box->setCurrentIndex(1);
    return box;
}

// ---------------------------------------------------------------------------------
// TBrowserFrame

TBrowserFrame::TBrowserFrame(QWidget* parent)
    : QWidget(parent), FTop(new QWidget(this)), FStack(new QStackedWidget(this)),
      FBrowser(new TfrmImageBrowser(FStack)), FWarning(new QLabel(FStack))
{
    FWarning->setObjectName(QStringLiteral("pnlWarning"));
    FWarning->setAlignment(Qt::AlignCenter);
    FWarning->setFrameShape(QFrame::StyledPanel);
    FWarning->setAutoFillBackground(true);
    FStack->addWidget(FBrowser);
    FStack->addWidget(FWarning);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(FTop);
    layout->addWidget(FStack, 1);
    FBrowser->OnSelectionChange = [this] {
        if (OnSelectionChange)
            OnSelectionChange();
    };
    FBrowser->DefaultAction = [this] {
        if (DefaultAction)
            DefaultAction();
    };
}

TBrowserFrame::~TBrowserFrame() = default;

bool TBrowserFrame::WarningShown() const
{
    return FStack->currentWidget() == FWarning;
}

void TBrowserFrame::ShowWarning(const QString& firstLine)
{
    FWarning->setText(firstLine + QStringLiteral("\n\n") +
                      ExpandPictureMacros(QStringLiteral("$(AppName)の")) +
                      QStringLiteral("\nCDを正しくセットしてください。"));
    FStack->setCurrentWidget(FWarning);
    if (OnSelectionChange)
        OnSelectionChange();
}

void TBrowserFrame::HideWarning()
{
    FStack->setCurrentWidget(FBrowser);
}

QString TBrowserFrame::SelectedFileName() const
{
    return WarningShown() ? QString() : FBrowser->SelectedFileName();
}

bool TBrowserFrame::HasSelection() const
{
    return !SelectedFileName().isEmpty();
}

// ---------------------------------------------------------------------------------
// One-point illustrations

TfrmOnePointBrowser::TfrmOnePointBrowser(QWidget* parent)
    : TBrowserFrame(parent), FPack(std::make_unique<TFolderImagePack>()), FGenreBox(new QComboBox(FTop)),
      FSizeBox(MakeSizeChoice(FTop))
{
    setObjectName(QStringLiteral("frmOnePointBrowser"));
    FGenreBox->setObjectName(QStringLiteral("cbGenre"));
    auto* row = new QHBoxLayout(FTop);
    row->setContentsMargins(0, 0, 0, 0);
    auto* genreLabel = new QLabel(QStringLiteral("ジャンル(&G)"), FTop);
    genreLabel->setBuddy(FGenreBox);
    row->addWidget(genreLabel);
    row->addWidget(FGenreBox, 1);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("サイズ"), FTop));
    row->addWidget(FSizeBox);

    FBrowser->SetKeyColor(0xF0F0F0);
    FBrowser->SetBackgroundColor(0xE6E6E6);
    FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox));
    FBrowser->SetSourcePack(FPack.get());

    const QString index = FindPictureData(QStringLiteral("Data\\Onepoint\\Illust.dat"));
    if (!index.isEmpty())
        FGenres = ReadOnePointGenres(ReadIndexFile(index));
    if (FGenres.isEmpty())
        FGenres = BuiltInOnePointGenres();
    for (const QString& genre : std::as_const(FGenres))
        FGenreBox->addItem(GenreCaption(genre));

    connect(FSizeBox, &QComboBox::currentIndexChanged, this,
            [this] { FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox)); });
    const int start = ValidRemembered(RememberedChoices().OnePointGenre, int(FGenres.size()));
    FGenreBox->setCurrentIndex(start);
    ChooseGenre(start);
    connect(FGenreBox, &QComboBox::currentIndexChanged, this, [this](int i) { ChooseGenre(i); });
}

TfrmOnePointBrowser::~TfrmOnePointBrowser()
{
    delete FBrowser; // its thread stops before the pack goes
    FBrowser = nullptr;
}

int TfrmOnePointBrowser::GenreIndex() const
{
    return FGenreBox->currentIndex();
}

void TfrmOnePointBrowser::ChooseGenre(int index)
{
    if (index < 0 || index >= FGenres.size())
        return;
    const QString folder = FindCollectionFolder(GenreFolder(FGenres.at(index)));
    if (folder.isEmpty()) {
        FPack->SetFileMask(QString());
        FBrowser->FillWithNumbers();
        ShowWarning(QStringLiteral("イラスト集が見つかりません。"));
        return;
    }
    FPack->SetFileMask(FolderMask(folder));
    FBrowser->FillWithNumbers();
    HideWarning();
}

void TfrmOnePointBrowser::Remember()
{
    RememberedChoices().OnePointGenre = std::max(0, GenreIndex());
}

// ---------------------------------------------------------------------------------
// Backgrounds

TfrmBackImageBrowser::TfrmBackImageBrowser(bool gallery, QWidget* parent)
    : TBrowserFrame(parent), FGallery(gallery), FPack(std::make_unique<TFolderImagePack>()),
      FGenreBox(new QComboBox(FTop))
{
    setObjectName(gallery ? QStringLiteral("frmBackGalleryBrowser") : QStringLiteral("frmBackImageBrowser"));
    FGenreBox->setObjectName(QStringLiteral("cbPurpose"));
    auto* row = new QHBoxLayout(FTop);
    row->setContentsMargins(0, 0, 0, 0);
    auto* genreLabel = new QLabel(QStringLiteral("用途(&P)"), FTop);
    genreLabel->setObjectName(QStringLiteral("lblPurpose"));
    genreLabel->setBuddy(FGenreBox);
    row->addWidget(genreLabel);
    row->addWidget(FGenreBox, 1);
    if (!gallery) {
        FSizeBox = MakeSizeChoice(FTop);
        row->addSpacing(12);
        row->addWidget(new QLabel(QStringLiteral("サイズ"), FTop));
        row->addWidget(FSizeBox);
        connect(FSizeBox, &QComboBox::currentIndexChanged, this,
                [this] { FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox)); });
    } else {
        row->addStretch(1);
    }
    FBrowser->SetThumbnailSize(gallery ? 70 : SizeOfChoice(FSizeBox));
    FBrowser->SetSourcePack(FPack.get());

    const QString index = FindPictureData(QStringLiteral("Data\\BackGrnd\\BackGrnd.dat"));
    if (!index.isEmpty())
        FGenres = ReadBackGenres(ReadIndexFile(index), QFileInfo(index).absolutePath());
    for (const TBackGenre& genre : FGenres)
        FGenreBox->addItem(genre.Name);
    // One genre needs no choice.
    const bool several = FGenres.size() > 1;
    FGenreBox->setVisible(several);
    genreLabel->setVisible(several);
    if (!gallery && FSizeBox == nullptr)
        row->addStretch(1);

    if (FGenres.empty()) {
        ShowWarning(QStringLiteral("背景集が見つかりません。"));
        return;
    }
    int& remembered = gallery ? RememberedChoices().GalleryGenre : RememberedChoices().BackGenre;
    const int start = ValidRemembered(remembered, int(FGenres.size()));
    FGenreBox->setCurrentIndex(start);
    ChooseGenre(start);
    if (gallery) {
        const int picture = ValidRemembered(RememberedChoices().GalleryPicture, FBrowser->Count());
        FBrowser->Select(picture);
    }
    connect(FGenreBox, &QComboBox::currentIndexChanged, this, [this](int i) {
        ChooseGenre(i);
        if (!FGallery)
            RememberedChoices().BackGenre = std::max(0, i);
    });
}

// Out of line: the genres' type is only declared in the header, and clang's
// library checks a vector's element type as soon as size() is instantiated.
int TfrmBackImageBrowser::GenreCount() const
{
    return int(FGenres.size());
}

TfrmBackImageBrowser::~TfrmBackImageBrowser()
{
    delete FBrowser;
    FBrowser = nullptr;
}

int TfrmBackImageBrowser::GenreIndex() const
{
    return FGenreBox->currentIndex();
}

void TfrmBackImageBrowser::ChooseGenre(int index)
{
    if (index < 0 || index >= int(FGenres.size()))
        return;
    const QString folder = FGenres[index].Folder;
    const bool found = QFileInfo(folder).isDir() && !QDir(folder).entryList(QDir::Files).isEmpty();
    if (!found) {
        FPack->SetFileMask(QString());
        FBrowser->FillWithNumbers();
        ShowWarning(QStringLiteral("背景集が見つかりません。"));
        return;
    }
    FPack->SetFileMask(FolderMask(folder));
    FBrowser->FillWithNumbers();
    HideWarning();
    FBrowser->Select(0);
}

void TfrmBackImageBrowser::Taken()
{
    if (!FGallery)
        return;
    RememberedChoices().GalleryGenre = std::max(0, GenreIndex());
    RememberedChoices().GalleryPicture = std::max(0, FBrowser->SelectedIndex());
}

// ---------------------------------------------------------------------------------
// Frames

TfrmFrameBrowser::TfrmFrameBrowser(QWidget* parent)
    : TBrowserFrame(parent), FPack(std::make_unique<TFolderImagePack>()),
      FUse(new QCheckBox(QStringLiteral("フレームを使用する"), FTop)), FSizeBox(MakeSizeChoice(FTop))
{
    setObjectName(QStringLiteral("frmFrameBrowser"));
    FUse->setObjectName(QStringLiteral("chkUseFrame"));
    FUse->setChecked(true);
    auto* row = new QHBoxLayout(FTop);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(FUse);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("サイズ"), FTop));
    row->addWidget(FSizeBox);
    FBrowser->SetKeyColor(0x607090);
    FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox));
    FBrowser->SetSourcePack(FPack.get());
    connect(FSizeBox, &QComboBox::currentIndexChanged, this,
            [this] { FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox)); });
    connect(FUse, &QCheckBox::toggled, this, [this](bool on) {
        FStack->setEnabled(on);
        if (OnSelectionChange)
            OnSelectionChange();
    });
    const QString folder = FindCollectionFolder(QStringLiteral("Data\\trimming"));
    if (folder.isEmpty()) {
        ShowWarning(QStringLiteral("フレームデータが見つかりません。"));
        return;
    }
    FPack->SetFileMask(FolderMask(folder));
    FBrowser->FillWithNumbers();
}

TfrmFrameBrowser::~TfrmFrameBrowser()
{
    delete FBrowser;
    FBrowser = nullptr;
}

// ---------------------------------------------------------------------------------
// User pictures

TfrmImageFileBrowser::TfrmImageFileBrowser(QWidget* parent)
    : TBrowserFrame(parent), FPack(std::make_unique<TFileImagePack>()), FFolderBox(new QLineEdit(FTop)),
      FHistory(new QToolButton(FTop)), FBrowse(new QPushButton(QStringLiteral("参照"), FTop)),
      FSizeBox(MakeSizeChoice(FTop))
{
    setObjectName(QStringLiteral("frmImageFileBrowser"));
    FFolderBox->setObjectName(QStringLiteral("edFolder"));
    FHistory->setObjectName(QStringLiteral("btnHistory"));
    FBrowse->setObjectName(QStringLiteral("btnBrowse"));
    FHistory->setText(QStringLiteral("▼"));
    auto* row = new QHBoxLayout(FTop);
    row->setContentsMargins(0, 0, 0, 0);
    auto* folderLabel = new QLabel(QStringLiteral("フォルダ"), FTop);
    folderLabel->setBuddy(FFolderBox);
    row->addWidget(folderLabel);
    row->addWidget(FFolderBox, 1);
    row->addWidget(FHistory);
    row->addWidget(FBrowse);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("サイズ"), FTop));
    row->addWidget(FSizeBox);
    FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox));
    FBrowser->SetSourcePack(FPack.get());
    FFolderBox->setText(QDir::toNativeSeparators(InitialFolder()));

    connect(FSizeBox, &QComboBox::currentIndexChanged, this,
            [this] { FBrowser->SetThumbnailSize(SizeOfChoice(FSizeBox)); });
    connect(FBrowse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(FHistory, &QToolButton::clicked, this, [this] { ShowHistory(); });
    // Enter takes the typed folder.
    connect(FFolderBox, &QLineEdit::returnPressed, this, [this] {
        const QString typed = QDir::fromNativeSeparators(FFolderBox->text().trimmed());
        if (QFileInfo(typed).isDir())
            SetFolder(typed);
        else
            Browse();
    });
}

TfrmImageFileBrowser::~TfrmImageFileBrowser()
{
    delete FBrowser;
    FBrowser = nullptr;
}

QString TfrmImageFileBrowser::InitialFolder()
{
    if (const auto& read = PictureEnvironment().ReadFolderHistory) {
        const QStringList history = read();
        if (!history.isEmpty() && !history.first().isEmpty())
            return history.first();
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        const QString myPictures = documents + QStringLiteral("/My Pictures");
        return QFileInfo(myPictures).isDir() ? myPictures : documents;
    }
    return QCoreApplication::applicationDirPath();
}

QString TfrmImageFileBrowser::Folder() const
{
    return QDir::fromNativeSeparators(FFolderBox->text().trimmed());
}

void TfrmImageFileBrowser::SetFolder(const QString& folder)
{
    FFolderBox->setText(QDir::toNativeSeparators(folder));
    if (const auto& add = PictureEnvironment().AddFolderHistory)
        add(folder);
    ListFiles();
}

void TfrmImageFileBrowser::ListFiles()
{
    FListedOnce = true;
    FListed = Folder();
    const QStringList files = ListUserPictures(FListed);
    FPack->SetFiles(files);
    QStringList names;
    names.reserve(files.size());
    for (const QString& file : files)
        names << QFileInfo(file).fileName();
    FBrowser->FillWithNames(names);
    HideWarning();
}

void TfrmImageFileBrowser::showEvent(QShowEvent* event)
{
    TBrowserFrame::showEvent(event);
    if (!FListedOnce)
        ListFiles();
}

void TfrmImageFileBrowser::Browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("パスの選択"), Folder());
    if (chosen.isEmpty())
        return;
    if (QDir::cleanPath(chosen) != QDir::cleanPath(FListed) || !FListedOnce)
        SetFolder(QDir::cleanPath(chosen));
}

void TfrmImageFileBrowser::ShowHistory()
{
    const auto& read = PictureEnvironment().ReadFolderHistory;
    const QStringList history = read ? read() : QStringList();
    QMenu menu(this);
    if (history.isEmpty())
        menu.addAction(QStringLiteral("(履歴なし)"))->setEnabled(false);
    for (const QString& folder : history) {
        QAction* action = menu.addAction(QDir::toNativeSeparators(folder));
        connect(action, &QAction::triggered, this, [this, folder] {
            if (QDir::cleanPath(folder) != QDir::cleanPath(Folder()) || !FListedOnce)
                SetFolder(folder);
        });
    }
    if (!history.isEmpty() && PictureEnvironment().ClearFolderHistory) {
        menu.addSeparator();
        QAction* clear = menu.addAction(QStringLiteral("履歴の消去"));
        clear->setObjectName(QStringLiteral("actClearHistory"));
        connect(clear, &QAction::triggered, this, [] { PictureEnvironment().ClearFolderHistory(); });
    }
    menu.exec(FHistory->mapToGlobal(QPoint(0, FHistory->height())));
}

// ---------------------------------------------------------------------------------
// The background dialog's gallery page

TBackGalleryPageImpl::TBackGalleryPageImpl(QWidget* parent)
    : TBackGalleryPage(parent), FGallery(new TfrmBackGalleryBrowser(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FGallery);
    FGallery->OnSelectionChange = [this] {
        if (OnSelectionChange)
            OnSelectionChange();
    };
    FGallery->DefaultAction = [this] {
        if (OnActivate)
            OnActivate();
    };
}

QString TBackGalleryPageImpl::SelectedFileName() const
{
    return FGallery->SelectedFileName();
}

bool TBackGalleryPageImpl::HasSelection() const
{
    return FGallery->HasSelection();
}

void TBackGalleryPageImpl::Taken()
{
    FGallery->Taken();
}

} // namespace velmo
