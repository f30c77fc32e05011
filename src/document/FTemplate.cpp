#include "document/FTemplate.h"
#include "base/UFolderHistory.h"
#include "document/ULabelData.h"
#include "draw/UDrawObject.h"
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace velmo {

namespace {

QString& LastGroup()
{
    static QString group;
    return group;
}

QListWidget* NewList(QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setViewMode(QListView::IconMode);
    list->setResizeMode(QListView::Adjust);
    list->setMovement(QListView::Static);
    list->setSpacing(6);
    list->setUniformItemSizes(true);
    return list;
}

QIcon BlankIcon()
{
    QImage white(100, 100, QImage::Format_RGB32);
    white.fill(Qt::white);
    QPainter p(&white);
    p.setPen(Qt::lightGray);
    p.drawRect(0, 0, 99, 99);
    p.end();
    return QIcon(QPixmap::fromImage(white));
}

QIcon PendingIcon()
{
    QImage white(100, 100, QImage::Format_RGB32);
    white.fill(Qt::white);
    return QIcon(QPixmap::fromImage(white));
}

} // namespace

TfrmTemplate::TfrmTemplate(const TTemplateFace& face, const QString& indexFile, QWidget* parent)
    : QDialog(parent), FFace(face), FGroup(indexFile), FSources(new QTabWidget(this)),
      FGroups(new QComboBox(this)), FCollection(NewList(this)), FMissing(new QLabel(this)),
      FFolder(new QLineEdit(this)), FFiles(NewList(this)), FSize(new QComboBox(this)), FOk(nullptr),
      FPreviewTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmTemplate"));
    setWindowTitle(QStringLiteral("テンプレートの選択"));
    FSources->setToolTip(QStringLiteral("取り込むテンプレートの種類を切替えます"));

    auto* collectionPage = new QWidget(FSources);
    auto* collectionLayout = new QVBoxLayout(collectionPage);
    collectionLayout->addWidget(FGroups);
    auto* stack = new QStackedWidget(collectionPage);
    stack->addWidget(FCollection);
    FMissing->setAlignment(Qt::AlignCenter);
    FMissing->setText(
        QStringLiteral("テンプレート集が見つかりません。\n\n%1の\nCDを正しくセットしてください。")
            .arg(QCoreApplication::applicationName()));
    stack->addWidget(FMissing);
    collectionLayout->addWidget(stack, 1);
    FSources->addTab(collectionPage, QStringLiteral("テンプレート集"));

    auto* filePage = new QWidget(FSources);
    auto* fileLayout = new QVBoxLayout(filePage);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(FFolder, 1);
    auto* browse = new QPushButton(QStringLiteral("参照"), filePage);
    folderRow->addWidget(browse);
    FHistory = new QPushButton(QStringLiteral("▼"), filePage);
    FHistory->setObjectName(QStringLiteral("btnFolderHistory"));
    FHistory->setFixedWidth(28);
    FHistory->setToolTip(QStringLiteral("これまでに使ったフォルダ"));
    folderRow->addWidget(FHistory);
    fileLayout->addLayout(folderRow);
    fileLayout->addWidget(FFiles, 1);
    FSources->addTab(filePage, QStringLiteral("保存したファイルから"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("表示サイズ"), this));
    FSize->addItems({QStringLiteral("50x50"), QStringLiteral("100x100"), QStringLiteral("150x150"),
                     QStringLiteral("200x200")});
    bottom->addWidget(FSize);
    bottom->addStretch(1);
    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FOk->setDefault(true);
    bottom->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FSources, 1);
    layout->addLayout(bottom);
    resize(640, 520);

    stack->setCurrentIndex(FGroup.Available() ? 0 : 1);
    FGroup.SetPurpose(face.Purpose);
    const QStringList names = FGroup.GroupNames();
    FGroups->addItems(names);
    FGroups->setEnabled(!names.isEmpty());
    connect(FGroups, &QComboBox::currentIndexChanged, this, [this](int i) { FillGroup(i); });
    connect(FSize, &QComboBox::currentIndexChanged, this, [this] { ApplyThumbnailSize(); });
    connect(FSources, &QTabWidget::currentChanged, this, [this] { UpdateEnabled(); });
    connect(FCollection, &QListWidget::currentRowChanged, this, [this] { UpdateEnabled(); });
    connect(FFiles, &QListWidget::currentRowChanged, this, [this] { UpdateEnabled(); });
    for (QListWidget* list : {FCollection, FFiles})
        connect(list, &QListWidget::itemDoubleClicked, this, [this] {
            if (FOk->isEnabled())
                accept();
        });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            QFileDialog::getExistingDirectory(this, QStringLiteral("パスの選択"), FFolder->text());
        if (!chosen.isEmpty() && QDir(chosen) != QDir(FFolder->text())) {
            AddFolderHistory(folderkind::Document, chosen);
            SetFolder(chosen);
        }
    });
    connect(FHistory, &QPushButton::clicked, this, [this] { ShowFolderHistory(); });
    connect(FFolder, &QLineEdit::returnPressed, browse, &QPushButton::click);
    FPreviewTimer->setInterval(0);
    connect(FPreviewTimer, &QTimer::timeout, this, [this] { DrawNextPreview(); });

    ApplyThumbnailSize();
    const int last = names.indexOf(LastGroup());
    if (!names.isEmpty()) {
        FGroups->setCurrentIndex(last >= 0 ? last : 0);
        FillGroup(FGroups->currentIndex());
    }
    // Where work files were last opened or saved, else the documents folder.
    const QStringList history = FolderHistory(folderkind::Document);
    FFolder->setText(history.isEmpty() ? DocumentsFolder() : history.first());
    FHistory->setEnabled(!history.isEmpty());
    FillFolder();
    UpdateEnabled();
}

TfrmTemplate::~TfrmTemplate() = default;

void TfrmTemplate::SetFolder(const QString& folder)
{
    FFolder->setText(folder);
    FHistory->setEnabled(!FolderHistory(folderkind::Document).isEmpty());
    FillFolder();
}

QMenu* TfrmTemplate::FolderHistoryMenu()
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QStringList history = FolderHistory(folderkind::Document);
    for (const QString& folder : history)
        menu->addAction(folder, this, [this, folder] { SetFolder(folder); });
    if (!history.isEmpty()) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("履歴の消去"), this, [this] {
            ClearFolderHistory(folderkind::Document);
            FHistory->setEnabled(false);
        });
    }
    return menu;
}

void TfrmTemplate::ShowFolderHistory()
{
    QMenu* menu = FolderHistoryMenu();
    menu->exec(FHistory->mapToGlobal(QPoint(0, FHistory->height())));
    menu->close();
}

// Every file without a fitting label adds a blank entry; the page shows the blank
// label once instead of a row of identical white squares.
static TTemplateList WithOneBlank(const TTemplateList& list)
{
    TTemplateList result;
    bool blank = false;
    for (const TTemplateInfo& info : list.Items()) {
        if (info.Blank && std::exchange(blank, true))
            continue;
        result.Append(info);
    }
    return result;
}

void TfrmTemplate::FillGroup(int index)
{
    if (index < 0)
        return;
    LastGroup() = FGroups->itemText(index);
    TTemplateList list;
    list.FillFromFolder(FGroup.GroupFolder(index), FFace, false);
    list = WithOneBlank(list);
    FCollectionItems = list.Items();
    Fill(FCollection, list, false);
}

void TfrmTemplate::FillFolder()
{
    TTemplateFace purposeOnly = FFace;
    purposeOnly.Rect = {};
    TTemplateList list;
    list.FillFromFolder(FFolder->text(), purposeOnly, false);
    list = WithOneBlank(list);
    FFileItems = list.Items();
    Fill(FFiles, list, true);
}

void TfrmTemplate::Fill(QListWidget* view, const TTemplateList& list, bool captionByFile)
{
    FPending.erase(
        std::remove_if(FPending.begin(), FPending.end(), [view](const auto& p) { return p.first == view; }),
        FPending.end());
    view->clear();
    for (int i = 0; i < list.Count(); ++i) {
        const TTemplateInfo& info = list.Item(i);
        auto* item = new QListWidgetItem(view);
        if (captionByFile)
            item->setText(QFileInfo(info.File).fileName());
        else
            item->setToolTip(QFileInfo(info.File).completeBaseName());
        if (info.Blank) {
            item->setIcon(BlankIcon());
        } else {
            // A white stand-in until the preview is drawn: the list sizes its uniform
            // cells from the first item it lays out, and an item without an icon or a
            // caption would give every cell no size at all (nothing to click).
            item->setIcon(PendingIcon());
            FPending.emplace_back(view, i);
        }
    }
    if (!FPending.empty())
        FPreviewTimer->start();
    UpdateEnabled();
}

void TfrmTemplate::DrawNextPreview()
{
    if (FPending.empty()) {
        FPreviewTimer->stop();
        return;
    }
    const auto [view, row] = FPending.front();
    FPending.erase(FPending.begin());
    const auto& items = view == FCollection ? FCollectionItems : FFileItems;
    if (row >= int(items.size()) || row >= view->count())
        return;
    const TTemplateInfo& info = items[size_t(row)];
    QImage preview;
    try {
        if (!TLabelData::LoadPreview(info.File, info.Sheet, info.Label, preview))
            preview = QImage();
    } catch (const std::exception&) {
        preview = QImage();
    }
    if (preview.isNull()) {
        preview = QImage(100, 100, QImage::Format_RGB32);
        preview.fill(Qt::white);
    }
    view->item(row)->setIcon(QIcon(QPixmap::fromImage(preview)));
}

void TfrmTemplate::ApplyThumbnailSize()
{
    const int side = 50 * (FSize->currentIndex() + 1);
    for (QListWidget* list : {FCollection, FFiles}) {
        list->setIconSize(QSize(side, side));
        list->setGridSize(QSize(side + 24, side + 30));
    }
}

void TfrmTemplate::UpdateEnabled()
{
    const QListWidget* shown = FSources->currentIndex() == 0 ? FCollection : FFiles;
    FOk->setEnabled(shown->currentItem() != nullptr);
}

std::optional<TTemplateInfo> TfrmTemplate::Chosen() const
{
    const bool collection = FSources->currentIndex() == 0;
    const QListWidget* shown = collection ? FCollection : FFiles;
    const auto& items = collection ? FCollectionItems : FFileItems;
    const int row = shown->currentRow();
    if (row < 0 || row >= int(items.size()))
        return std::nullopt;
    return items[size_t(row)];
}

bool TfrmTemplate::ReadChosen(TDOList& objects, TLogRect& labelRect) const
{
    const std::optional<TTemplateInfo> chosen = Chosen();
    if (!chosen || chosen->Blank)
        return false;
    std::unique_ptr<TLabelData> document = TLabelData::Open(chosen->File);
    document->SelectSheet(chosen->Sheet);
    TDOList read;
    document->ReadLabel(chosen->Label, read);
    for (int i = read.Count() - 1; i >= 0; --i)
        objects.Add(read[i]);
    labelRect = document->LabelRect(chosen->Label);
    return true;
}

} // namespace velmo
