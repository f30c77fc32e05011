#include "merge/FCsvBrowser.h"
#include "base/UFolderHistory.h"
#include "document/ULabelData.h"
#include "merge/UCsvDB.h"
#include <QAbstractTableModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

namespace velmo {

namespace {

// Remembered between openings for the whole run.
int gCurrentRecord = 0;
bool gCardView = true;
int gJumpNumber = 1;
QString gFindText;
int gFindFieldChoice = 0; // 0: the selected field, 1: all fields
bool gFindTowardsFirst = true;
bool gSortDescending = false;

const QColor kFixedColour(230, 230, 230);

} // namespace

// The grid: one row per record, the record numbers and field names as headers.
class TCsvTableModel : public QAbstractTableModel
{
public:
    explicit TCsvTableModel(TCsvDB& db) : FDB(db) {}
    void Reset()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !FDB.Active() ? 0 : FDB.Count();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !FDB.Active() ? 0
                                                 : std::max(int(FDB.FieldNames().size()), FDB.FieldCount());
    }
    // A cell is one line high: line breaks inside a field are shown as a mark, so
    // that both parts of an address stay in sight instead of being cut in half.
    static QString CellText(const QString& field)
    {
        if (!field.contains(u'\n') && !field.contains(u'\r'))
            return field;
        QString text = field;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        text.replace(u'\n', QStringLiteral(" \u21B5 "));
        return text;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole)
            return CellText(FDB.RecordCopy(index.row()).Get(index.column()));
        if (role == Qt::ToolTipRole) {
            // The whole field, line breaks and all, where the cell cannot show it so.
            const QString field = FDB.RecordCopy(index.row()).Get(index.column());
            return CellText(field) != field ? QVariant(field) : QVariant();
        }
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role == Qt::DisplayRole) {
            if (orientation == Qt::Vertical)
                return section + 1;
            const QStringList names = FDB.FieldNames();
            return section < names.size() ? names[section] : QString();
        }
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        if (role == Qt::BackgroundRole)
            return kFixedColour;
        return {};
    }

private:
    TCsvDB& FDB;
};

// ---- jump, find and sort

TfrmCsvJump::TfrmCsvJump(TCsvDB& db, int current, int selectedField, QWidget* parent)
    : QDialog(parent), FDB(db), FCurrent(current), FSelectedField(selectedField)
{
    setWindowTitle(QStringLiteral("ジャンプ・検索・並べかえ"));
    auto* layout = new QVBoxLayout(this);
    FTabs = new QTabWidget(this);
    FTabs->setUsesScrollButtons(false);
    layout->addWidget(FTabs);

    // Jump
    auto* jump = new QWidget;
    auto* jl = new QGridLayout(jump);
    FNumber = new QSpinBox;
    const int count = std::max(db.Count(), 1);
    FNumber->setRange(1, count);
    FNumber->setValue(std::clamp(gJumpNumber, 1, count));
    jl->addWidget(FNumber, 0, 0);
    jl->addWidget(new QLabel(QStringLiteral("件目にジャンプ")), 0, 1);
    jl->addWidget(new QLabel(QStringLiteral("1～%1の範囲で指定できます。").arg(db.Count())), 1, 0, 1, 2);
    jl->setRowStretch(2, 1);
    FTabs->addTab(jump, QStringLiteral("指定レコードへのジャンプ"));

    // Find
    auto* find = new QWidget;
    auto* fl = new QVBoxLayout(find);
    auto* textLabel = new QLabel(QStringLiteral("検索文字列(&T)"));
    FFindText = new QLineEdit(gFindText);
    FFindText->setObjectName(QStringLiteral("edFindText"));
    textLabel->setBuddy(FFindText);
    fl->addWidget(textLabel);
    fl->addWidget(FFindText);
    auto* fieldBox = new QGroupBox(QStringLiteral("検索項目(&F)"));
    auto* fb = new QVBoxLayout(fieldBox);
    const QStringList names = db.FieldNames();
    const QString name = selectedField >= 0 && selectedField < names.size() && !names[selectedField].isEmpty()
                             ? names[selectedField]
                             : QStringLiteral("項目%1").arg(selectedField + 1);
    FFindField = new QRadioButton(QStringLiteral("[%1]から").arg(name));
    FFindAll = new QRadioButton(QStringLiteral("すべての項目"));
    (gFindFieldChoice == 0 ? FFindField : FFindAll)->setChecked(true);
    fb->addWidget(FFindField);
    fb->addWidget(FFindAll);
    fl->addWidget(fieldBox);
    auto* dirBox = new QGroupBox(QStringLiteral("検索方向(&D)"));
    auto* db2 = new QHBoxLayout(dirBox);
    FTowardsFirst = new QRadioButton(QStringLiteral("先頭方向"));
    FTowardsLast = new QRadioButton(QStringLiteral("末尾方向"));
    (gFindTowardsFirst ? FTowardsFirst : FTowardsLast)->setChecked(true);
    db2->addWidget(FTowardsFirst);
    db2->addWidget(FTowardsLast);
    fl->addWidget(dirBox);
    FProgress = new QProgressBar;
    FProgress->setTextVisible(false);
    FProgress->setValue(0);
    fl->addWidget(FProgress);
    FTabs->addTab(find, QStringLiteral("検索レコードへのジャンプ"));

    // Sort
    auto* sort = new QWidget;
    auto* sl = new QVBoxLayout(sort);
    auto* keyLabel = new QLabel(QStringLiteral("キー項目(&K)"));
    FSortField = new QComboBox;
    for (int i = 0; i < names.size(); ++i)
        FSortField->addItem(names[i].isEmpty() ? QStringLiteral("項目%1").arg(i + 1) : names[i]);
    if (FSortField->count() > 0)
        FSortField->setCurrentIndex(std::clamp(selectedField, 0, FSortField->count() - 1));
    keyLabel->setBuddy(FSortField);
    sl->addWidget(keyLabel);
    sl->addWidget(FSortField);
    FAscending = new QRadioButton(QStringLiteral("昇順(&U)"));
    FDescending = new QRadioButton(QStringLiteral("降順(&D)"));
    (gSortDescending ? FDescending : FAscending)->setChecked(true);
    sl->addWidget(FAscending);
    sl->addWidget(FDescending);
    sl->addStretch(1);
    FTabs->addTab(sort, QStringLiteral("データの並べかえ"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(FTabs, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == pgJump)
            FNumber->setFocus();
        else if (page == pgFind)
            FFindText->setFocus();
        else
            FSortField->setFocus();
    });
}

void TfrmCsvJump::SetPage(TPage page)
{
    FTabs->setCurrentIndex(int(page));
    // The page's box takes the keys even when the page was already the current one
    // (no change signal then).
    if (page == pgJump) {
        FNumber->setFocus();
        FNumber->selectAll();
    } else if (page == pgFind) {
        FFindText->setFocus();
        FFindText->selectAll();
    } else {
        FSortField->setFocus();
    }
}

TfrmCsvJump::TPage TfrmCsvJump::Page() const
{
    return TPage(FTabs->currentIndex());
}

bool TfrmCsvJump::DoJump()
{
    if (FDB.Count() == 0)
        return false;
    gJumpNumber = FNumber->value();
    FResult = FNumber->value() - 1;
    return true;
}

bool TfrmCsvJump::DoFind()
{
    const QString text = FFindText->text();
    const bool all = FFindAll->isChecked();
    const bool towardsFirst = FTowardsFirst->isChecked();
    gFindText = text;
    gFindFieldChoice = all ? 1 : 0;
    gFindTowardsFirst = towardsFirst;
    FProgress->setValue(0);
    const int found =
        FDB.Find(text, all ? -1 : FSelectedField, towardsFirst, FCurrent, [this](int done, int total) {
            FProgress->setMaximum(std::max(total, 1));
            FProgress->setValue(done);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        });
    FProgress->setValue(FProgress->maximum());
    if (found < 0) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("一致するデータはありません"));
        FProgress->setValue(0);
        return false;
    }
    FResult = found;
    return true;
}

bool TfrmCsvJump::DoSort()
{
    gSortDescending = FDescending->isChecked();
    if (FSortField->currentIndex() < 0)
        return true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FDB.Sort(FSortField->currentIndex(), gSortDescending);
    QApplication::restoreOverrideCursor();
    return true;
}

void TfrmCsvJump::accept()
{
    bool ok = false;
    switch (FTabs->currentIndex()) {
    case pgJump:
        ok = DoJump();
        break;
    case pgFind:
        ok = DoFind();
        break;
    default:
        ok = DoSort();
        break;
    }
    if (ok)
        QDialog::accept();
}

// ---- the browser

TfrmCsvBrowser::TfrmCsvBrowser(TCsvDB& db, QWidget* parent) : QDialog(parent), FDB(db)
{
    setWindowTitle(QStringLiteral("CSVデータの一覧"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    resize(800, 520);
    // The order to go back to on Cancel, in line indices with the header off.
    FRememberedHeader = db.HasHeader();
    db.SetHasHeader(false);
    for (int n = 0; n < db.Count(); ++n)
        FRemembered.push_back(db.LineIndexAt(n));
    db.SetHasHeader(FRememberedHeader);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* kind = new QGroupBox(QStringLiteral("表示方法(&D)"));
    auto* kl = new QHBoxLayout(kind);
    FCard = new QRadioButton(QStringLiteral("カード(&C)"));
    FTable = new QRadioButton(QStringLiteral("表組(&L)"));
    kl->addWidget(FCard);
    kl->addWidget(FTable);
    top->addWidget(kind);
    FHeader = new QCheckBox(QStringLiteral("1件目を項目名にする(&F)"));
    // Level with the view kind's buttons rather than with the box's title.
    auto* headerColumn = new QVBoxLayout;
    headerColumn->addStretch(1);
    headerColumn->addWidget(FHeader);
    headerColumn->addSpacing(kl->contentsMargins().bottom() +
                             kind->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    top->addLayout(headerColumn);
    top->addStretch(1);
    layout->addLayout(top);

    FStack = new QStackedWidget;
    FCardText = new QPlainTextEdit;
    FCardText->setReadOnly(true);
    // Read-only text boxes hide the caret and ignore the arrow keys; the caret's line
    // chooses the field to find and sort by, so the keyboard must be able to move it.
    FCardText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FCardText->setLineWrapMode(QPlainTextEdit::NoWrap);
    FCardText->installEventFilter(this);
    connect(FCardText, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (FFillingCard)
            return;
        // A field with line breaks takes several lines of the card.
        const int line = FCardText->textCursor().blockNumber();
        const auto after = std::upper_bound(FCardFieldLine.begin(), FCardFieldLine.end(), line);
        FField = std::max(int(after - FCardFieldLine.begin()) - 1, 0);
    });
    FStack->addWidget(FCardText);
    FGrid = new QTableView;
    FModel = new TCsvTableModel(db);
    FModel->setParent(this);
    FGrid->setModel(FModel);
    FGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FGrid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    FGrid->horizontalHeader()->setStretchLastSection(true);
    FGrid->verticalHeader()->setMinimumWidth(
        QFontMetrics(font()).horizontalAdvance(QStringLiteral("#00000#")));
    FGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    FGrid->setStyleSheet(QStringLiteral(
        "QTableView { background: white; color: black; gridline-color: #c0c0c0; }"
        "QTableView::item { padding-left: 4px; }"
        "QTableView::item:selected { background: navy; color: white; }"
        "QHeaderView::section { background: rgb(230,230,230); color: black; border: 1px solid #c0c0c0; }"
        "QTableCornerButton::section { background: rgb(230,230,230); }"));
    FStack->addWidget(FGrid);
    layout->addWidget(FStack, 1);

    auto* nav = new QHBoxLayout;
    FFirst = new QPushButton(QStringLiteral("先頭"));
    FPrior = new QPushButton(QStringLiteral("前へ"));
    FNext = new QPushButton(QStringLiteral("次へ"));
    FLast = new QPushButton(QStringLiteral("末尾"));
    auto* jump = new QPushButton(QStringLiteral("指定"));
    auto* find = new QPushButton(QStringLiteral("検索"));
    auto* sort = new QPushButton(QStringLiteral("ソート"));
    for (QPushButton* b : {FFirst, FPrior, FNext, FLast, jump, find, sort}) {
        b->setAutoDefault(false);
        nav->addWidget(b);
    }
    FStatus = new QLabel;
    FStatus->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("00000/00000　　")));
    nav->addWidget(FStatus);
    nav->addStretch(1);
    layout->addLayout(nav);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(FFirst, &QPushButton::clicked, this, [this] { SetCurrent(0); });
    connect(FPrior, &QPushButton::clicked, this, [this] { SetCurrent(FCurrent - 1); });
    connect(FNext, &QPushButton::clicked, this, [this] { SetCurrent(FCurrent + 1); });
    connect(FLast, &QPushButton::clicked, this, [this] { SetCurrent(FDB.Count() - 1); });
    connect(jump, &QPushButton::clicked, this, [this] { ShowJumpDialog(TfrmCsvJump::pgJump); });
    connect(find, &QPushButton::clicked, this, [this] { ShowJumpDialog(TfrmCsvJump::pgFind); });
    connect(sort, &QPushButton::clicked, this, [this] { ShowJumpDialog(TfrmCsvJump::pgSort); });
    connect(FCard, &QRadioButton::toggled, this, [this](bool card) { SetCardView(card); });
    connect(FHeader, &QCheckBox::toggled, this, [this](bool on) { ToggleHeader(on); });
    connect(FGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid())
                    FField = index.column();
                if (index.isValid() && index.row() != FCurrent) {
                    FCurrent = index.row();
                    UpdateAll();
                }
            });
    FRecordCommands = {jump, find, sort};

    FCurrent = std::clamp(gCurrentRecord, 0, std::max(db.Count() - 1, 0));
    (gCardView ? FCard : FTable)->setChecked(true);
    SetCardView(gCardView);
    FitColumns();
    UpdateAll();
    // The keyboard starts in the records, not on the view kind's buttons.
    CurrentView()->setFocus();
}

TfrmCsvBrowser::~TfrmCsvBrowser()
{
    gCurrentRecord = FCurrent;
    gCardView = CardView();
}

bool TfrmCsvBrowser::CardView() const
{
    return FCard->isChecked();
}

void TfrmCsvBrowser::SetCardView(bool card)
{
    if (FCard->isChecked() != card)
        (card ? FCard : FTable)->setChecked(true);
    FStack->setCurrentIndex(card ? 0 : 1);
    UpdateAll();
}

void TfrmCsvBrowser::SetCurrent(int n)
{
    FCurrent = std::clamp(n, 0, std::max(FDB.Count() - 1, 0));
    UpdateAll();
}

int TfrmCsvBrowser::SelectedField() const
{
    return std::clamp(FField, 0, std::max(int(FDB.FieldNames().size()) - 1, 0));
}

bool TfrmCsvBrowser::eventFilter(QObject* watched, QEvent* event)
{
    // The card has no rows to page through: the page keys go from record to record
    // and Ctrl+Home / Ctrl+End to the first and last, as in the grid.
    if (watched == FCardText && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool control = key->modifiers().testFlag(Qt::ControlModifier);
        if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) {
            SetCurrent(FCurrent + (key->key() == Qt::Key_PageUp ? -1 : 1));
            return true;
        }
        if (control && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
            SetCurrent(key->key() == Qt::Key_Home ? 0 : FDB.Count() - 1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmCsvBrowser::UpdateCard()
{
    FCardFieldLine.clear();
    if (!FDB.Active() || FDB.Count() == 0) {
        FCardText->clear();
        return;
    }
    QStringList fields = FDB.RecordCopy(FCurrent).Items();
    int line = 0;
    for (QString& field : fields) {
        field.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        field.replace(u'\r', u'\n');
        FCardFieldLine.push_back(line);
        line += int(field.count(u'\n')) + 1;
    }
    // The caret stays on the field it was on, so that moving between records keeps
    // the field the find and sort pages start with.
    FFillingCard = true;
    FCardText->setPlainText(fields.join(u'\n'));
    if (!FCardFieldLine.empty()) {
        const int field = std::min(FField, int(FCardFieldLine.size()) - 1);
        FCardText->setTextCursor(
            QTextCursor(FCardText->document()->findBlockByNumber(FCardFieldLine[size_t(field)])));
    }
    FFillingCard = false;
}

QWidget* TfrmCsvBrowser::CurrentView() const
{
    return CardView() ? static_cast<QWidget*>(FCardText) : static_cast<QWidget*>(FGrid);
}

void TfrmCsvBrowser::FitColumns()
{
    // Each column as wide as its name and the texts of the first records, within
    // bounds: a long address must not push every other column out of sight.
    const int columns = FModel->columnCount();
    if (columns == 0)
        return;
    const QFontMetrics cells(FGrid->font());
    const QFontMetrics names(FGrid->horizontalHeader()->font());
    const int padding = 4 + cells.horizontalAdvance(u'0') + 2;
    const int narrowest = cells.horizontalAdvance(QStringLiteral("0000")) + padding;
    const int widest = cells.horizontalAdvance(u'\u6F22') * 18;
    std::vector<int> width(size_t(columns), narrowest);
    for (int c = 0; c < columns; ++c) {
        const QString name = FModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        width[size_t(c)] = std::max(width[size_t(c)], names.horizontalAdvance(name) + 2 * padding);
    }
    const int sample = std::min(FDB.Count(), 200);
    for (int r = 0; r < sample; ++r) {
        const QStringList fields = FDB.RecordCopy(r).Items();
        for (int c = 0; c < std::min(columns, int(fields.size())); ++c)
            width[size_t(c)] = std::max(
                width[size_t(c)], cells.horizontalAdvance(TCsvTableModel::CellText(fields[c])) + padding);
    }
    for (int c = 0; c < columns; ++c)
        FGrid->setColumnWidth(c, std::min(width[size_t(c)], widest));
}

void TfrmCsvBrowser::UpdateAll()
{
    const bool active = FDB.Active();
    const int count = active ? FDB.Count() : 0;
    FFirst->setEnabled(active && FCurrent > 0);
    FPrior->setEnabled(active && FCurrent > 0);
    FNext->setEnabled(active && FCurrent < count - 1);
    FLast->setEnabled(active && FCurrent < count - 1);
    // Without records (a file of names only, with the header on) there is nothing to
    // jump to, find or sort: the dialog would only refuse its OK.
    for (QPushButton* b : FRecordCommands)
        b->setEnabled(active && count > 0);
    {
        const QSignalBlocker block(FHeader);
        FHeader->setChecked(FDB.HasHeader());
    }
    // With the header on, turning it off must stay possible whatever the count.
    FHeader->setEnabled(active && (count > 1 || FDB.HasHeader()));
    FStatus->setText(QStringLiteral("%1/%2　　").arg(count > 0 ? FCurrent + 1 : 0).arg(count));
    if (CardView()) {
        UpdateCard();
    } else if (count > 0) {
        const QModelIndex cur = FGrid->currentIndex();
        const int column = std::clamp(FField, 0, std::max(FModel->columnCount() - 1, 0));
        const QModelIndex target = FModel->index(FCurrent, column);
        if (target.isValid() && target != cur) {
            // A record jumped to or found far away is shown amid its neighbours; one
            // step to a row at the edge only scrolls as far as needed.
            const int first = FGrid->rowAt(0);
            const int last = FGrid->rowAt(FGrid->viewport()->height() - 1);
            const bool near = first >= 0 && FCurrent >= first - 1 && (last < 0 || FCurrent <= last + 1);
            FGrid->setCurrentIndex(target);
            FGrid->scrollTo(target,
                            near ? QAbstractItemView::EnsureVisible : QAbstractItemView::PositionAtCenter);
        }
    }
}

void TfrmCsvBrowser::ToggleHeader(bool on)
{
    FDB.SetHasHeader(on);
    FModel->Reset();
    FitColumns();
    FCurrent = std::clamp(FCurrent, 0, std::max(FDB.Count() - 1, 0));
    UpdateAll();
}

void TfrmCsvBrowser::ShowJumpDialog(TfrmCsvJump::TPage page)
{
    TfrmCsvJump dialog(FDB, FCurrent, SelectedField(), this);
    dialog.SetPage(page);
    const int result = dialog.exec();
    // Back to the records, so the keyboard goes on where the dialog took the user.
    activateWindow();
    CurrentView()->setFocus();
    if (result != QDialog::Accepted)
        return;
    if (page == TfrmCsvJump::pgSort)
        FModel->Reset();
    if (dialog.Result() >= 0)
        FCurrent = dialog.Result();
    SetCurrent(FCurrent);
}

void TfrmCsvBrowser::accept()
{
    QDialog::accept();
    if (OnRefresh)
        OnRefresh();
}

void TfrmCsvBrowser::reject()
{
    // Back to the order the window opened with.
    FDB.SetHasHeader(false);
    FDB.ClearView();
    for (int i : FRemembered)
        FDB.Append(i);
    FDB.SetHasHeader(FRememberedHeader);
    FModel->Reset();
    FCurrent = std::clamp(FCurrent, 0, std::max(FDB.Count() - 1, 0));
    QDialog::reject();
}

namespace {
std::function<QString(QWidget*, const QString&)> gMergeFileChooser;
} // namespace

void SetMergeFileChooser(std::function<QString(QWidget*, const QString&)> chooser)
{
    gMergeFileChooser = std::move(chooser);
}

bool ChooseMergeData(QWidget* parent, TLabelData& document, TCsvDB& db)
{
    const QString current = document.CSVFile();
    // The linked file, else the folder merge data last came from, else the documents.
    const QString start =
        current.isEmpty() ? StartFolder(folderkind::MergeData) : QFileInfo(current).absoluteFilePath();
    QString filter;
    const QString name =
        gMergeFileChooser
            ? gMergeFileChooser(parent, start)
            : QFileDialog::getOpenFileName(parent, QStringLiteral("CSVファイルの選択"), start,
                                           MergeFileFilters().join(QStringLiteral(";;")), &filter);
    if (name.isEmpty())
        return false;
    RememberFolder(folderkind::MergeData, name);
    QString message;
    OpenMergeDataByName(db, document, name, &message, MergeFilterSeparator(filter));
    if (!message.isEmpty())
        QMessageBox::warning(parent, QStringLiteral("CSVファイルの選択"), message);
    return true;
}

void ExecuteCsvBrowser(QWidget* parent, TLabelData& document, TCsvDB& db,
                       const std::function<void()>& onRefresh)
{
    if (document.CSVFile().isEmpty() || !db.Active()) {
        if (!ChooseMergeData(parent, document, db) || !db.Active())
            return;
    }
    TfrmCsvBrowser browser(db, parent);
    browser.OnRefresh = onRefresh;
    browser.exec();
}

} // namespace velmo
