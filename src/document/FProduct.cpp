#include "document/FProduct.h"
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmo {

// ---------------------------------------------------------------------------------
// TProductGrid

void TProductGrid::mousePressEvent(QMouseEvent* event)
{
    QTableWidget::mousePressEvent(event);
    FPressedRow = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint().y()) : -1;
    FDragging = false;
}

void TProductGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (FPressedRow >= 0 && (event->buttons() & Qt::LeftButton)) {
        const int row = rowAt(event->position().toPoint().y());
        if (row >= 0 && row != FPressedRow) {
            FDragging = true;
            viewport()->setCursor(Qt::DragMoveCursor);
        }
        return; // the selection stays on the dragged row
    }
    QTableWidget::mouseMoveEvent(event);
}

void TProductGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    viewport()->unsetCursor();
    const int from = FPressedRow;
    const int to = rowAt(event->position().toPoint().y());
    const bool dragging = FDragging;
    FPressedRow = -1;
    FDragging = false;
    if (dragging && from >= 0 && to >= 0 && from != to)
        Q_EMIT RowDragged(from + 1, to + 1);
}

// ---------------------------------------------------------------------------------
// TfrmProduct

namespace {

struct EditSpec
{
    const char16_t* Caption;
    bool JapaneseInput;
};

const EditSpec kEdits[kProductItemCount] = {
    {u"ﾒｲﾝﾀｲﾄﾙ(&M)", true},   {u"ｻﾌﾞﾀｲﾄﾙ(&S)", true},  {u"担当者(&T)", true},    {u"ｺﾋﾟｰﾗｲﾄ(&C)", false},
    {u"ﾊﾞｰｼﾞｮﾝ(&V)", false},  {u"日付(&D)", false},    {u"自由項目1(&F)", true}, {u"自由項目2(&X)", true},
    {u"自由項目3(&Y)", true}, {u"自由項目4(&Z)", true}};

} // namespace

TfrmProduct::TfrmProduct(TProductDB& store, QWidget* parent) : QDialog(parent), FEditor(store)
{
    setWindowTitle(product_text::ProductCaption());
    setModal(true);

    FGrid = new TProductGrid(this);
    FGrid->setColumnCount(kProductItemCount + 1);
    QStringList headers;
    for (int i = 0; i <= kProductItemCount; ++i)
        headers << FEditor.CellText(0, i);
    FGrid->setHorizontalHeaderLabels(headers);
    FGrid->verticalHeader()->hide();
    FGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    FGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FGrid->setColumnWidth(0, 32);
    FGrid->setMinimumHeight(120);
    connect(FGrid, &QTableWidget::itemSelectionChanged, this, [this] {
        if (FSyncing)
            return;
        const int row = FGrid->currentRow();
        if (row >= 0 && row + 1 != FEditor.SelectedRow())
            FEditor.SelectRow(row + 1);
    });
    connect(FGrid, &TProductGrid::RowDragged, this, &TfrmProduct::RowDragged);

    auto* panel = new QGridLayout;
    for (int i = 0; i < kProductItemCount; ++i) {
        auto* edit = new QLineEdit(this);
        auto* label = new QLabel(QString::fromUtf16(kEdits[i].Caption), this);
        label->setBuddy(edit);
        if (!kEdits[i].JapaneseInput) {
            edit->setAttribute(Qt::WA_InputMethodEnabled, false);
            edit->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
        }
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { FEditor.SetEditText(i, text); });
        FEdits[size_t(i)] = edit;
        const int column = (i / 5) * 2, row = i % 5;
        panel->addWidget(label, row, column);
        panel->addWidget(edit, row, column + 1);
    }

    FClose = new QPushButton(QStringLiteral("閉じる"), this);
    FAdd = new QPushButton(QStringLiteral("追加"), this);
    FCopy = new QPushButton(QStringLiteral("複写"), this);
    FDelete = new QPushButton(QStringLiteral("削除"), this);
    FAdd->setToolTip(QStringLiteral("新しいﾌﾟﾛﾀﾞｸﾄ情報を追加します"));
    FCopy->setToolTip(QStringLiteral("選択されているﾌﾟﾛﾀﾞｸﾄ情報を末尾に複写します"));
    FDelete->setToolTip(QStringLiteral("選択されているﾌﾟﾛﾀﾞｸﾄ情報を削除します"));
    for (QPushButton* b : {FAdd, FCopy, FDelete})
        b->setAutoDefault(false);
    FClose->setDefault(true);
    connect(FClose, &QPushButton::clicked, this, &TfrmProduct::CloseClicked);
    connect(FAdd, &QPushButton::clicked, this, [this] {
        if (Ask(this, product_text::AddQuestion(), TQuestionButtons::OkCancel) == mrOk)
            FEditor.AddProduct();
    });
    connect(FCopy, &QPushButton::clicked, this, [this] {
        if (Ask(this, product_text::CopyQuestion(), TQuestionButtons::OkCancel) == mrOk)
            FEditor.CopyProduct();
    });
    connect(FDelete, &QPushButton::clicked, this, [this] {
        if (Ask(this, product_text::DeleteQuestion(), TQuestionButtons::OkCancel) == mrOk)
            FEditor.DeleteProduct();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FAdd);
    buttons->addWidget(FCopy);
    buttons->addWidget(FDelete);
    buttons->addStretch();
    buttons->addWidget(FClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FGrid, 1);
    layout->addLayout(panel);
    layout->addLayout(buttons);
    resize(760, 420);

    FEditor.OnGridChanged = [this] { Refill(); };
    FEditor.OnEditsLoaded = [this] {
        ShowEdits();
        SyncSelection();
    };
}

void TfrmProduct::Prepare(const TProductInfo& documentRecord)
{
    FEditor.Prepare(documentRecord);
    Refill();
}

void TfrmProduct::Refill()
{
    FSyncing = true;
    const int rows = std::max(0, FEditor.RowCount() - 1);
    FGrid->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const QStringList texts = FEditor.RowTexts(r + 1);
        for (int c = 0; c < texts.size(); ++c) {
            QTableWidgetItem* item = FGrid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                FGrid->setItem(r, c, item);
            }
            item->setText(texts[c]);
        }
    }
    FSyncing = false;
    SyncSelection();
}

void TfrmProduct::ShowEdits()
{
    for (int i = 0; i < kProductItemCount; ++i) {
        FEdits[size_t(i)]->setText(FEditor.Edit(i).Text);
        FEdits[size_t(i)]->setModified(false);
    }
}

void TfrmProduct::SyncSelection()
{
    const int row = FEditor.SelectedRow() - 1;
    if (row < 0 || row >= FGrid->rowCount() || FGrid->currentRow() == row)
        return;
    FSyncing = true;
    FGrid->selectRow(row);
    FSyncing = false;
}

void TfrmProduct::RowDragged(int fromRow, int toRow)
{
    const QString question = FEditor.MoveQuestion(fromRow, toRow);
    if (Ask(this, question, TQuestionButtons::OkCancel) == mrOk)
        FEditor.MoveProduct(fromRow, toRow);
    else
        Refill(); // the grid draws from the store: the old order
}

void TfrmProduct::CloseClicked()
{
    const int answer = Ask(this, product_text::CloseQuestion(), TQuestionButtons::YesNoCancel);
    if (answer == mrYes || answer == mrNo)
        done(answer);
}

void TfrmProduct::reject()
{
    // Escape asks the update question instead of closing at once.
    CloseClicked();
}

void TfrmProduct::closeEvent(QCloseEvent* event)
{
    // Closing by the frame answers nothing: the document's record stays as it was.
    event->accept();
    done(mrNone);
}

void TfrmProduct::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FitGridHeight();
}

void TfrmProduct::FitGridHeight()
{
    // The grid shows whole rows only: let the layout give it all the room, then cut
    // that down to a whole number of rows.
    FGrid->setMaximumHeight(QWIDGETSIZE_MAX);
    if (layout())
        layout()->activate();
    const int rowHeight = FGrid->verticalHeader()->defaultSectionSize();
    const int chrome = FGrid->horizontalHeader()->height() + 2 * FGrid->frameWidth();
    const int available = FGrid->height() - chrome;
    if (rowHeight <= 0 || available <= rowHeight)
        return;
    const int whole = (available / rowHeight) * rowHeight + chrome;
    FGrid->setMaximumHeight(whole);
}

int TfrmProduct::Execute(TProductInfo& documentRecord, TProductDB& store, QWidget* parent)
{
    TfrmProduct dialog(store, parent);
    dialog.Prepare(documentRecord);
    const int result = dialog.exec();
    if (result == mrYes || result == mrNo)
        dialog.TakeSelection(documentRecord);
    return result;
}

} // namespace velmo
