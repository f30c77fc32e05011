#include "paperui/FPaperSelect.h"
#include "base/UExceptions.h"
#include "base/UFolderHistory.h"
#include "base/USettings.h"
#include "document/FOldPaperMerge.h"
#include "imaging/UImagePack.h"
#include "imaging/UWindowPictures.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UPaperRecords.h"
#include "paper/UTemplateImport.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FEditPaper.h"
#include "paperui/FPaperMaintenance.h"
#include "print/UPrinter.h"
#include "sheet/USheetLabels.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace velmo {

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;
// The papers last used: twenty kept (other histories keep ten).
constexpr int kUsedPaperHistoryLimit = 20;

// "用紙の検索": the text box's drop-down holds the earlier searches.
class TfrmPaperSearch : public QDialog
{
public:
    explicit TfrmPaperSearch(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("frmPaperSearch"));
        setWindowTitle(QStringLiteral("用紙の検索"));
        auto* main = new QVBoxLayout(this);
        main->addWidget(
            new QLabel(QStringLiteral("用紙名に含まれる文字（メーカー名、品番、面数など）"), this));
        FText = new QComboBox(this);
        FText->setEditable(true);
        FText->setInsertPolicy(QComboBox::NoInsert);
        FText->addItems(TfrmPaperSelect::SearchHistory());
        FText->setCurrentIndex(-1);
        FText->setEditText(QString());
        FText->setMinimumWidth(320);
        main->addWidget(FText);
        auto* box = new QDialogButtonBox(this);
        auto* find = box->addButton(QStringLiteral("検索"), QDialogButtonBox::AcceptRole);
        find->setDefault(true);
        box->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        main->addWidget(box);
    }
    QString Text() const { return FText->currentText().trimmed(); }
    void accept() override
    {
        // Only a text to look for closes the dialog.
        if (!Text().isEmpty())
            QDialog::accept();
    }

private:
    QComboBox* FText = nullptr;
};

// The group pictures: image 4g, or 4g + 1 while the entry is selected.
void SetGroupIcons(QListWidget* groups)
{
    TMatrixImagePack pack;
    try {
        LoadWindowPicture(pack, TWindowPicture::wpPaperGroup);
    } catch (const std::exception&) {
        return; // without the picture file the captions still tell the groups apart
    }
    for (int g = 0; g < groups->count(); ++g) {
        QIcon icon = PackIcon(pack, 4 * g);
        const QIcon selected = PackIcon(pack, 4 * g + 1);
        for (const QSize& size : selected.availableSizes())
            icon.addPixmap(selected.pixmap(size), QIcon::Selected);
        groups->item(g)->setIcon(icon);
    }
}

} // namespace

TfrmPaperSelect::TfrmPaperSelect(TVelmoPapers& papers, bool separatelyDesign,
                                 std::function<bool(const TPaperInfo&)> confirm, QWidget* parent)
    : QDialog(parent), FPapers(papers), FConfirm(std::move(confirm))
{
    setObjectName(QStringLiteral("frmPaperSelect"));
    setWindowTitle(QStringLiteral("用紙の選択"));
    auto* main = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    main->addLayout(columns, 1);

    FGroups = new QListWidget(this);
    FGroups->setObjectName(QStringLiteral("groups"));
    FGroups->setViewMode(QListView::IconMode);
    FGroups->setFlow(QListView::TopToBottom);
    FGroups->setMovement(QListView::Static);
    FGroups->setWrapping(false);
    FGroups->setIconSize(QSize(48, 48));
    FGroups->setGridSize(QSize(118, 76));
    FGroups->setFixedWidth(140);
    // White ground, dark blue while selected; icon on top, caption below.
    FGroups->setStyleSheet(
        QStringLiteral("QListWidget { background: white; }"
                       "QListWidget::item:selected { background: #000080; color: white; }"));
    for (const QString& caption : PaperGroups())
        FGroups->addItem(caption);
    SetGroupIcons(FGroups);
    columns->addWidget(FGroups);

    auto* middle = new QVBoxLayout;
    auto* filters = new QHBoxLayout;
    FSizes = new QComboBox(this);
    FSizes->addItems(PaperSizeFilters());
    FMakers = new QComboBox(this);
    FMakers->setMinimumContentsLength(14);
    auto* search = new QPushButton(QStringLiteral("検索(&S)..."), this);
    filters->addWidget(FSizes);
    filters->addWidget(FMakers, 1);
    filters->addWidget(search);
    middle->addLayout(filters);
    FSearchNote = new QLabel(this);
    FSearchNote->hide();
    middle->addWidget(FSearchNote);
    FList = new QTreeWidget(this);
    FList->setObjectName(QStringLiteral("papers"));
    FList->setRootIsDecorated(false);
    FList->setHeaderLabels({QStringLiteral("用紙名"), QStringLiteral("面数")});
    FList->header()->setSectionsClickable(true);
    FList->header()->setStretchLastSection(false);
    FList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    FList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    middle->addWidget(FList, 1);
    auto* listButtons = new QHBoxLayout;
    FAdd = new QPushButton(QStringLiteral("新規登録(&A)..."), this);
    FEdit = new QPushButton(QStringLiteral("用紙編集(&E)..."), this);
    listButtons->addWidget(FAdd);
    listButtons->addWidget(FEdit);
    FDelete = new QPushButton(QStringLiteral("用紙削除(&D)"), this);
    auto* import = new QPushButton(QStringLiteral("テンプレートの取り込み(&I)..."), this);
    listButtons->addWidget(FDelete);
    listButtons->addWidget(import);
    listButtons->addStretch(1);
    middle->addLayout(listButtons);
    columns->addLayout(middle, 1);

    auto* right = new QVBoxLayout;
    auto* holder = new QFrame(this);
    holder->setObjectName(QStringLiteral("preview"));
    holder->setFrameShape(QFrame::StyledPanel);
    // The preview takes the column's width and whatever height the dialog gives it.
    holder->setMinimumSize(240, 240);
    holder->setMaximumWidth(240);
    holder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    FSiteHolder = holder;
    FSite = new TPaperSite(nullptr, holder);
    FSite->SetColor(clWhite);
    FSite->setGeometry(holder->contentsRect());
    holder->installEventFilter(this);
    right->addWidget(holder, 1, Qt::AlignHCenter);
    FSummary = new QLabel(this);
    FSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FSummary->setMinimumHeight(110);
    FSummary->setWordWrap(true);
    FSummary->setFixedWidth(240);
    right->addWidget(FSummary);
    auto* orientation = new QGroupBox(QStringLiteral("用紙の向き"), this);
    auto* ol = new QHBoxLayout(orientation);
    FPortrait = new QRadioButton(QStringLiteral("縦長"), orientation);
    FLandscape = new QRadioButton(QStringLiteral("横長"), orientation);
    ol->addWidget(FPortrait);
    ol->addWidget(FLandscape);
    auto* og = new QButtonGroup(this);
    og->addButton(FPortrait);
    og->addButton(FLandscape);
    FPortrait->setChecked(true);
    right->addWidget(orientation);
    auto* design = new QGroupBox(QStringLiteral("デザイン"), this);
    auto* dl = new QHBoxLayout(design);
    FSame = new QRadioButton(QStringLiteral("全ラベル同じ"), design);
    FSeparate = new QRadioButton(QStringLiteral("ラベル別に作成"), design);
    dl->addWidget(FSame);
    dl->addWidget(FSeparate);
    auto* dg = new QButtonGroup(this);
    dg->addButton(FSame);
    dg->addButton(FSeparate);
    (separatelyDesign ? FSeparate : FSame)->setChecked(true);
    right->addWidget(design);
    columns->addLayout(right);

    FDefault = new QCheckBox(QStringLiteral("標準の用紙にする(&F)"), this);
    right->addWidget(FDefault);
    auto* bottom = new QHBoxLayout;
    FExtendedButton = new QPushButton(QStringLiteral("拡張機能..."), this);
    FExtendedMenu = new QMenu(this);
    FExtendedButton->setMenu(FExtendedMenu);
    bottom->addWidget(FExtendedButton);
    bottom->addStretch(1);
    main->addLayout(bottom);
    auto* box = new QDialogButtonBox(this);
    bottom->addWidget(box);
    FOk = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    box->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &TfrmPaperSelect::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(FGroups, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FUpdating)
            SelectGroup(row);
    });
    connect(FSizes, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FUpdating)
            SelectSize(index);
    });
    connect(FMakers, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FUpdating)
            SelectMaker(index <= 0 ? QString() : FMakers->itemText(index));
    });
    connect(FList, &QTreeWidget::currentItemChanged, this, [this] { UpdatePreview(); });
    connect(FList, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(FList->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(column); });
    connect(FPortrait, &QRadioButton::toggled, this, [this] { UpdatePreview(); });
    connect(FSeparate, &QRadioButton::toggled, this, [this] { UpdatePreview(); });
    connect(search, &QPushButton::clicked, this, [this] { AskSearch(); });
    connect(FDelete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(FAdd, &QPushButton::clicked, this, [this] { EditPaper(true); });
    connect(FEdit, &QPushButton::clicked, this, [this] { EditPaper(false); });
    connect(import, &QPushButton::clicked, this, [this] { AskImport(); });

    FFilter.Extended = PaperExtendedModeOn();
    FExtendedButton->setVisible(FFilter.Extended);
    BuildExtendedMenu();
    RefreshMakers();
    SelectGroup(0);
    resize(860, 600);
}

bool TfrmPaperSelect::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the holder itself: asking the site for its parent would reach a
    // half-destroyed site while the holder hears of its removal.
    if (FSite && watched == FSiteHolder && event->type() == QEvent::Resize)
        FSite->FitToParent();
    return QDialog::eventFilter(watched, event);
}

TfrmPaperSelect::~TfrmPaperSelect()
{
    // The site points at the preview paper: it goes first, unseen by the filter (its
    // removal from the holder is an event the holder's filter would otherwise get).
    FSiteHolder->removeEventFilter(this);
    delete std::exchange(FSite, nullptr);
}

void TfrmPaperSelect::RefreshMakers()
{
    FUpdating = true;
    QStringList makers;
    FPapers.GetCompanies(makers);
    makers.removeAll(QString());
    makers.sort();
    makers.removeDuplicates();
    const QString current = FFilter.Maker;
    FMakers->clear();
    FMakers->addItem(QStringLiteral("すべてのメーカー"));
    FMakers->addItems(makers);
    const int index = current.isEmpty() ? 0 : FMakers->findText(current);
    FMakers->setCurrentIndex(std::max(0, index));
    if (index < 0)
        FFilter.Maker.clear();
    FUpdating = false;
}

void TfrmPaperSelect::SelectGroup(int group)
{
    FFilter.Group = group;
    FFilter.Search.clear();
    FSearchNote->hide();
    FUpdating = true;
    FGroups->setCurrentRow(group);
    FUpdating = false;
    // Makers say nothing about the user's own papers.
    FMakers->setEnabled(group != kUserGroup);
    RebuildList();
    SelectRow(0);
}

void TfrmPaperSelect::SelectSize(int index)
{
    FFilter.Size = index;
    FUpdating = true;
    FSizes->setCurrentIndex(index);
    FUpdating = false;
    RebuildList();
    SelectRow(0);
}

void TfrmPaperSelect::SelectMaker(const QString& maker)
{
    FFilter.Maker = maker;
    FUpdating = true;
    FMakers->setCurrentIndex(maker.isEmpty() ? 0 : std::max(0, FMakers->findText(maker)));
    FUpdating = false;
    RebuildList();
    SelectRow(0);
}

void TfrmPaperSelect::Search(const QString& text)
{
    if (text.isEmpty()) {
        SelectGroup(std::max(0, FGroups->currentRow()));
        return;
    }
    // A search looks through every group: the results alone are listed.
    FFilter.Group = -1;
    FFilter.Search = text;
    FUpdating = true;
    FGroups->clearSelection();
    FGroups->setCurrentRow(-1);
    FUpdating = false;
    RebuildList();
    FFilter.Search.clear();
    FSearchNote->setText(
        QStringLiteral("「%1」の検索結果：%2件").arg(text.left(40)).arg(FList->topLevelItemCount()));
    FSearchNote->show();
    SelectRow(0);
}

void TfrmPaperSelect::RebuildList()
{
    FList->clear();
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < FPapers.Count(); ++i) {
        const TPaperInfo& paper = *FPapers.Paper(i);
        std::unique_ptr<TExPaperInfo> extra;
        if (!FFilter.Maker.isEmpty() && paper.ReadOnly())
            extra = FPapers.GetExInfo(paper.PaperName(), false);
        if (!PaperListed(paper, extra.get(), FFilter))
            continue;
        auto* item = new QTreeWidgetItem({paper.PaperName(), FaceCountText(paper)});
        item->setData(0, kIndexRole, i);
        items.append(item);
    }
    FList->addTopLevelItems(items);
    FSortColumn = -1;
    UpdateButtons();
}

void TfrmPaperSelect::SortByColumn(int column)
{
    const bool ascending = FSortColumn != column;
    QList<QTreeWidgetItem*> items;
    while (FList->topLevelItemCount() > 0)
        items.append(FList->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [column, ascending](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int c = QString::compare(a->text(column), b->text(column), Qt::CaseSensitive);
        return ascending ? c < 0 : c > 0;
    });
    FList->addTopLevelItems(items);
    // A second click sorts descending and forgets the column: the next is ascending.
    FSortColumn = ascending ? column : -1;
}

QStringList TfrmPaperSelect::ListedNames() const
{
    QStringList names;
    for (int i = 0; i < FList->topLevelItemCount(); ++i)
        names << FList->topLevelItem(i)->text(0);
    return names;
}

void TfrmPaperSelect::SelectRow(int row)
{
    if (row >= 0 && row < FList->topLevelItemCount()) {
        FList->setCurrentItem(FList->topLevelItem(row));
        FList->scrollToItem(FList->currentItem());
    }
    UpdatePreview();
}

TPaperInfo* TfrmPaperSelect::SelectedPaper() const
{
    const QTreeWidgetItem* item = FList->currentItem();
    if (!item)
        return nullptr;
    const int index = item->data(0, kIndexRole).toInt();
    return index >= 0 && index < FPapers.Count() ? FPapers.Paper(index) : nullptr;
}

bool TfrmPaperSelect::SeparatelyDesign() const
{
    return FSeparate->isChecked();
}

bool TfrmPaperSelect::Landscape() const
{
    return FLandscape->isChecked();
}

void TfrmPaperSelect::ShowPaper(const TPaperInfo& paper)
{
    FUpdating = true;
    (paper.Landscape() ? FLandscape : FPortrait)->setChecked(true);
    FUpdating = false;
    int group = PaperGroups().indexOf(paper.GroupName());
    if (!paper.ReadOnly())
        group = kUserGroup;
    else if (group < 0)
        group = kPhotoGroup;
    auto find = [this, &paper] {
        for (int i = 0; i < FList->topLevelItemCount(); ++i)
            if (FList->topLevelItem(i)->text(0) == paper.PaperName())
                return i;
        return -1;
    };
    FFilter.Size = 0;
    FFilter.Maker.clear();
    FUpdating = true;
    FSizes->setCurrentIndex(0);
    FMakers->setCurrentIndex(0);
    FUpdating = false;
    SelectGroup(group);
    int row = find();
    if (row < 0) {
        // A document's paper the catalogue does not hold joins it.
        FPapers.StorePaper(paper);
        RefreshMakers();
        RebuildList();
        row = find();
    }
    SelectRow(std::max(0, row));
}

QStringList TfrmPaperSelect::SummaryLines() const
{
    QStringList lines;
    if (const TPaperInfo* paper = SelectedPaper())
        PaperSummary(lines, *paper, &FPapers, -1);
    return lines;
}

void TfrmPaperSelect::UpdatePreview()
{
    if (FUpdating)
        return;
    TPaperInfo* paper = SelectedPaper();
    FSite->parentWidget()->setVisible(paper != nullptr);
    if (!paper) {
        FSite->SetDesigns(nullptr);
        FSite->SetPaper(nullptr);
        FPreviewPaper.reset();
        FSummary->clear();
        UpdateButtons();
        return;
    }
    paper->SetLandscape(Landscape());
    std::unique_ptr<TPaperInfo> copy = paper->Clone();
    // The paper's background designs lie in the labels; a record that cannot be read
    // leaves the labels plain rather than the preview empty.
    std::unique_ptr<TImagePaperInfo> designs;
    try {
        if (auto record = FPapers.FindRecord(TVelmoPapers::PaperImagesBaseName(), paper->PaperName()))
            if (auto* images = dynamic_cast<TImagePaperInfo*>(record.get())) {
                record.release();
                designs.reset(images);
            }
    } catch (const std::exception&) {
        designs.reset();
    }
    // Designs are drawn once, for the new paper's labels.
    FSite->SetDesigns(nullptr);
    FSite->SetPaper(copy.get());
    FSite->TakeDesigns(std::move(designs));
    FPreviewPaper = std::move(copy);
    QStringList lines = SummaryLines();
    if (lines.size() > 7) {
        lines = lines.mid(0, 7);
        lines << QStringLiteral("…");
    }
    FSummary->setText(lines.join(QLatin1Char('\n')));
    // One label: one design; a free paper with several labels: one design each.
    const int faces = paper->GetFaceCount();
    FUpdating = true;
    if (faces <= 1) {
        FSame->setChecked(true);
        FSame->setEnabled(true);
        FSeparate->setEnabled(false);
    } else if (dynamic_cast<TFreePaperInfo*>(paper)) {
        FSeparate->setChecked(true);
        FSeparate->setEnabled(true);
        FSame->setEnabled(false);
    } else {
        FSame->setEnabled(true);
        FSeparate->setEnabled(true);
    }
    FUpdating = false;
    UpdateButtons();
}

void TfrmPaperSelect::UpdateButtons()
{
    const TPaperInfo* paper = SelectedPaper();
    FOk->setEnabled(paper != nullptr);
    FDelete->setEnabled(paper && (!paper->ReadOnly() || FFilter.Extended));
    FAdd->setEnabled(paper != nullptr);
    FEdit->setEnabled(paper && (!paper->ReadOnly() || FFilter.Extended));
}

bool TfrmPaperSelect::DeleteSelected()
{
    const TPaperInfo* paper = SelectedPaper();
    if (!paper || (paper->ReadOnly() && !FFilter.Extended))
        return false;
    const QString name = paper->PaperName();
    const QString group = paper->GroupName();
    const bool user = !paper->ReadOnly();
    if (QMessageBox::question(this, windowTitle(),
                              QStringLiteral("「%1」を削除します。よろしいですか？").arg(name),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
    FPapers.DeletePaper(FPapers.IndexOfName(name));
    RefreshMakers();
    int g = user ? kUserGroup : PaperGroups().indexOf(group);
    SelectGroup(g < 0 ? kPhotoGroup : g);
    return true;
}

void TfrmPaperSelect::EditPaper(bool adding)
{
    const TPaperInfo* paper = SelectedPaper();
    if (!paper || (!adding && paper->ReadOnly() && !FFilter.Extended))
        return;
    const QString oldName = paper->PaperName();
    TPrinterForm forms;
    try {
        forms = TPrinterForm(QString());
    } catch (const std::exception&) {
        // Without a printer the sizes are typed in.
    }
    if (forms.Count() == 0) {
        // No printer to ask: the common label-sheet sizes.
        forms.Add({QStringLiteral("A4"), 9, QSize(2100, 2970)});
        forms.Add({QStringLiteral("B5"), 13, QSize(1820, 2570)});
        forms.Add({QStringLiteral("A5"), 11, QSize(1480, 2100)});
        forms.Add({QStringLiteral("はがき"), 43, QSize(1000, 1480)});
    }
    TfrmPaperTypeSelect editor(*paper, FPapers, adding, forms, this);
    if (adding) {
        // A copy is a new paper: it needs a name of its own.
        editor.MatrixEditor().NameBox()->setText(oldName + QStringLiteral(" のコピー"));
        editor.FreeEditor().NameBox()->setText(oldName + QStringLiteral(" のコピー"));
    }
    std::unique_ptr<TExPaperInfo> oldExtra;
    if (FFilter.Extended) {
        QStringList makers;
        FPapers.GetCompanies(makers);
        makers.removeAll(QString());
        makers.sort();
        makers.removeDuplicates();
        oldExtra = FPapers.GetExInfo(oldName, false);
        editor.SetMakers(makers, !adding && oldExtra ? oldExtra->Company() : QString());
    }
    const bool ok = EditorHook ? EditorHook(editor) : editor.exec() == QDialog::Accepted;
    if (!ok)
        return;
    const TPaperInfo& edited = editor.Paper();
    const QString newName = edited.PaperName();
    try {
        FPapers.StorePaper(edited);
        if (!adding && newName != oldName) {
            const int stale = FPapers.IndexOfName(oldName);
            if (stale >= 0)
                FPapers.DeletePaper(stale);
        }
        if (FFilter.Extended) {
            std::unique_ptr<TExPaperInfo> extra = FPapers.GetExInfo(newName, true);
            if (extra->Company() != editor.Maker()) {
                extra->SetCompany(editor.Maker());
                FPapers.StoreExInfo(*extra);
            }
            // The editor's background designs become the paper's; none removes them.
            TImagePaperInfo designs;
            if (editor.Designs())
                designs.Assign(*editor.Designs());
            designs.SetPaperName(newName);
            FPapers.StoreRecord(TVelmoPapers::PaperImagesBaseName(), designs);
        }
    } catch (const std::exception& error) {
        QMessageBox::warning(this, windowTitle(), ExceptionText(error));
    }
    RefreshMakers();
    int group = edited.ReadOnly() ? PaperGroups().indexOf(edited.GroupName()) : kUserGroup;
    if (group < 0)
        group = kPhotoGroup;
    SelectGroup(group);
    for (int i = 0; i < FList->topLevelItemCount(); ++i)
        if (FList->topLevelItem(i)->text(0) == newName)
            SelectRow(i);
}

QStringList TfrmPaperSelect::SearchHistory()
{
    return SettingsHistory(QStringLiteral("$(FindPaperHistory)"));
}

bool TfrmPaperSelect::SearchAndRemember(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    AddSettingsHistory(QStringLiteral("$(FindPaperHistory)"), t);
    Search(t);
    return true;
}

void TfrmPaperSelect::AskSearch()
{
    TfrmPaperSearch dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SearchAndRemember(dialog.Text());
}

int TfrmPaperSelect::RunDialog(QDialog& dialog)
{
    return DialogHook ? DialogHook(dialog) : dialog.exec();
}

void TfrmPaperSelect::CatalogueChanged()
{
    RefreshMakers();
    const int group = FGroups->currentRow();
    RebuildList();
    if (group < 0 && FList->topLevelItemCount() == 0)
        SelectGroup(0);
    SelectRow(0);
}

bool TfrmPaperSelect::SaveList(const QString& fileName)
{
    QString error;
    if (SavePaperList(fileName, ListedNames(), &error))
        return true;
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("%1 に保存できませんでした：%2").arg(fileName, error));
    return false;
}

void TfrmPaperSelect::BuildExtendedMenu()
{
    QMenu* m = FExtendedMenu;
    auto guarded = [this](const std::function<void()>& action) {
        return [this, action] {
            try {
                action();
            } catch (const std::exception& error) {
                QMessageBox::warning(this, windowTitle(), ExceptionText(error));
            }
            CatalogueChanged();
        };
    };
    m->addAction(QStringLiteral("更新情報(&U)..."), this, guarded([this] {
                     TfrmPaperUpdateInfo dialog(FPapers, this);
                     RunDialog(dialog);
                 }));
    m->addAction(QStringLiteral("ベルモ用紙情報のマージ(&M)..."), this,
                 guarded([this] { ExecuteOldPaperMerge(this, FPapers); }));
    m->addAction(QStringLiteral("全てをシステム用紙に(&R)..."), this,
                 guarded([this] { ExecuteMakeSystemPapers(this, FPapers); }));
    m->addSeparator();
    m->addAction(QStringLiteral("グループ編集(&G)..."), this, guarded([this] {
                     TfrmGroupView dialog(FPapers, this);
                     RunDialog(dialog);
                 }));
    m->addAction(QStringLiteral("用途IDの編集(&P)..."), this, guarded([this] {
                     TfrmPurposeEditor dialog(FPapers, this);
                     RunDialog(dialog);
                 }));
    m->addAction(QStringLiteral("用紙順の変更(&O)..."), this, guarded([this] {
                     TfrmPaperOrder dialog(FPapers, this);
                     RunDialog(dialog);
                 }));
    m->addSeparator();
    const std::pair<const char16_t*, TfrmBulkPapers::TKind> bulk[] = {
        {u"用紙の一括削除(&D)...", TfrmBulkPapers::TKind::Delete},
        {u"用紙名の一括変更(&N)...", TfrmBulkPapers::TKind::Rename},
        {u"グループ名の一括変更(&A)...", TfrmBulkPapers::TKind::Regroup},
    };
    for (const auto& [caption, kind] : bulk) {
        const TfrmBulkPapers::TKind k = kind;
        m->addAction(QString::fromUtf16(caption), this, guarded([this, k] {
                         TfrmBulkPapers dialog(FPapers, k, this);
                         dialog.OnChanged = [this] { CatalogueChanged(); };
                         RunDialog(dialog);
                     }));
    }
    m->addAction(QStringLiteral("リナンバー(&B)..."), this, guarded([this] {
                     TfrmRenumberPapers dialog(FPapers, this);
                     RunDialog(dialog);
                 }));
    m->addSeparator();
    m->addAction(QStringLiteral("用紙リストの保存..."), this, [this] {
        const QString file =
            QFileDialog::getSaveFileName(this, QStringLiteral("用紙リストの保存"),
                                         StartFolder(folderkind::PaperData), QStringLiteral("(*.txt)"));
        RememberFolder(folderkind::PaperData, file);
        if (!file.isEmpty())
            SaveList(file);
    });
}

QString TfrmPaperSelect::ImportTemplates(const QStringList& files)
{
    TTemplateImporter importer;
    for (const QString& fileName : files) {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("%1 を読み込めませんでした").arg(fileName);
        try {
            importer.AddFile(QFileInfo(fileName).fileName(), file.read(64 * 1024 * 1024));
        } catch (const std::exception& error) {
            return ExceptionText(error);
        }
    }
    const std::vector<TImportedTemplate> converted = importer.Convert();
    const int stored = TTemplateImporter::Store(FPapers, converted);
    QStringList refused;
    for (const TImportedTemplate& t : converted)
        if (!t.Paper)
            refused << QStringLiteral("%1 %2: %3").arg(t.Brand, t.Part, t.Refusal);
    RefreshMakers();
    SelectGroup(kUserGroup);
    QString report = QStringLiteral("%1件の用紙を取り込みました。").arg(stored);
    if (!refused.isEmpty()) {
        report += QStringLiteral("\n%1件は取り込めませんでした：\n").arg(refused.size());
        report += refused.mid(0, 15).join(QLatin1Char('\n'));
        if (refused.size() > 15)
            report += QStringLiteral("\n…");
    }
    return report;
}

void TfrmPaperSelect::AskImport()
{
    const QStringList files = QFileDialog::getOpenFileNames(this, QStringLiteral("テンプレートの取り込み"),
                                                            StartFolder(folderkind::PaperData),
                                                            QStringLiteral("テンプレートファイル (*.xml)"));
    if (!files.isEmpty())
        RememberFolder(folderkind::PaperData, files.first());
    if (files.isEmpty())
        return;
    QMessageBox::information(this, windowTitle(), ImportTemplates(files));
}

void TfrmPaperSelect::accept()
{
    TPaperInfo* paper = SelectedPaper();
    if (!paper)
        return;
    paper->SetLandscape(Landscape());
    if (FConfirm && !FConfirm(*paper))
        return; // No keeps the dialog open
    if (FDefault->isChecked()) {
        WriteSettingString(QStringLiteral("DefaultPaperName"), paper->PaperName());
        WriteSettingBool(QStringLiteral("DefaultDesign"), SeparatelyDesign());
        WriteSettingBool(QStringLiteral("DefaultLandScape"), paper->Landscape());
    }
    AddSettingsHistory(QStringLiteral("$(UsedPaperHistory)"), paper->PaperName(), kUsedPaperHistoryLimit);
    QDialog::accept();
}

} // namespace velmo
