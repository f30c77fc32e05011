#include "paperui/FPaperMaintenance.h"
#include "base/UExceptions.h"
#include "base/UFolderHistory.h"
#include "objects/FImageDialogs.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/UPaperSelect.h"
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmo {

namespace {

QString GLastStart;

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace

bool ToggleExtendedPaperMode()
{
    const bool on = !ExtendedPaperMode();
    SetExtendedPaperMode(on);
    // The picture dialog's wizard box follows the same switch.
    TfrmImageProperty::SetExtendedPaperMode(on);
    return on;
}

bool PaperExtendedModeOn()
{
    return ExtendedPaperMode() || TfrmImageProperty::ExtendedPaperMode();
}

TMaintenanceAsk DefaultMaintenanceAsk()
{
    return [](QWidget* parent, const QString& text, bool question) {
        const QString title = parent ? parent->windowTitle() : QString();
        if (question)
            return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        QMessageBox::warning(parent, title, text);
        return true;
    };
}

// ---------------------------------------------------------------------------------

TfrmPaperUpdateInfo::TfrmPaperUpdateInfo(TVelmoPapers& papers, QWidget* parent)
    : QDialog(parent), FPapers(papers)
{
    setWindowTitle(QStringLiteral("用紙の更新情報"));
    auto* main = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FNumber = new QLineEdit(QString::number(papers.UpdateInfo().PPRNo()), this);
    FTime = new QLineEdit(UpdateTimeText(papers.UpdateInfo().LastUpdate()), this);
    FTime->setPlaceholderText(QStringLiteral("未更新（例：2026/12/09 10:30:00）"));
    FTime->setMinimumWidth(220);
    form->addRow(QStringLiteral("パターン番号(&P)"), FNumber);
    form->addRow(QStringLiteral("最終更新時間(&T)"), FTime);
    main->addLayout(form);
    main->addWidget(OkCancel(this));
}

void TfrmPaperUpdateInfo::accept()
{
    bool ok = false;
    const int number = FNumber->text().trimmed().toInt(&ok);
    if (!ok || number < 0) {
        Ask(this, QStringLiteral("パターン番号を正しく入力してください"), false);
        return;
    }
    // An empty time keeps the catalogue "never updated".
    const std::optional<double> time =
        FTime->text().trimmed().isEmpty() ? std::optional<double>(0.0) : ParseUpdateTime(FTime->text());
    if (!time) {
        Ask(this, QStringLiteral("日付・時間の指定が正しくありません"), false);
        return;
    }
    TPaperUpdate info;
    info.SetPPRNo(number);
    info.SetLastUpdate(*time);
    FPapers.SetUpdateInfo(info);
    QDialog::accept();
}

// ---------------------------------------------------------------------------------

TfrmBulkPapers::TfrmBulkPapers(TVelmoPapers& papers, TKind kind, QWidget* parent)
    : QDialog(parent), FPapers(papers), FKind(kind)
{
    setWindowTitle(kind == TKind::Delete ? QStringLiteral("用紙の一括削除")
                                         : QStringLiteral("用紙名の一括変換"));
    auto* main = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("グループ"), this));
    FGroup = new QComboBox(this);
    FGroup->setObjectName(QStringLiteral("group"));
    QStringList groups;
    papers.GetGroupNames(groups);
    FGroup->addItems(groups);
    // The last entry lists every paper.
    FGroup->addItem(QStringLiteral("（すべての用紙）"));
    top->addWidget(FGroup, 1);
    FCount = new QLabel(this);
    top->addWidget(FCount);
    main->addLayout(top);
    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("papers"));
    FList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    main->addWidget(FList, 1);

    if (kind == TKind::Rename) {
        auto* modes = new QGroupBox(QStringLiteral("変換方法"), this);
        auto* ml = new QVBoxLayout(modes);
        auto* radios = new QHBoxLayout;
        FHeaderFooter = new QRadioButton(QStringLiteral("ヘッダー・フッター"), modes);
        FReplace = new QRadioButton(QStringLiteral("置換"), modes);
        radios->addWidget(FHeaderFooter);
        radios->addWidget(FReplace);
        radios->addStretch(1);
        ml->addLayout(radios);
        auto* form = new QFormLayout;
        FFirstLabel = new QLabel(this);
        FSecondLabel = new QLabel(this);
        FFirst = new QLineEdit(this);
        FSecond = new QLineEdit(this);
        form->addRow(FFirstLabel, FFirst);
        form->addRow(FSecondLabel, FSecond);
        ml->addLayout(form);
        main->addWidget(modes);
        auto captions = [this] {
            const bool hf = FHeaderFooter->isChecked();
            FFirstLabel->setText(hf ? QStringLiteral("先頭に追加") : QStringLiteral("検索する文字"));
            FSecondLabel->setText(hf ? QStringLiteral("末尾に追加") : QStringLiteral("置き換える文字"));
        };
        connect(FHeaderFooter, &QRadioButton::toggled, this, captions);
        FHeaderFooter->setChecked(true);
        captions();
    } else if (kind == TKind::Regroup) {
        auto* form = new QFormLayout;
        FNewGroup = new QLineEdit(this);
        FNewGroup->setObjectName(QStringLiteral("newGroup"));
        form->addRow(QStringLiteral("新しいグループ名"), FNewGroup);
        main->addLayout(form);
    }
    auto* buttons = new QDialogButtonBox(this);
    FAction = buttons->addButton(kind == TKind::Delete ? QStringLiteral("削除") : QStringLiteral("変換"),
                                 QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FAction, &QPushButton::clicked, this, [this] { Execute(); });
    main->addWidget(buttons);
    connect(FGroup, &QComboBox::currentIndexChanged, this, [this] { ListPapers(); });
    connect(FList, &QListWidget::itemSelectionChanged, this,
            [this] { FAction->setEnabled(!FList->selectedItems().isEmpty()); });
    ListPapers();
    resize(520, 520);
}

void TfrmBulkPapers::ListPapers()
{
    const bool all = FGroup->currentIndex() == FGroup->count() - 1;
    FPositions = PapersOfGroup(FPapers, FGroup->currentText(), all);
    FList->clear();
    for (int i : FPositions)
        FList->addItem(FPapers.Paper(i)->PaperName());
    FCount->setText(QStringLiteral("%1件").arg(FPositions.size()));
    FAction->setEnabled(false);
}

int TfrmBulkPapers::Execute()
{
    QList<int> chosen;
    for (int row = 0; row < FList->count(); ++row)
        if (FList->item(row)->isSelected())
            chosen << FPositions[row];
    if (chosen.isEmpty())
        return 0;
    int changed = 0;
    QStringList skipped;
    try {
        switch (FKind) {
        case TKind::Delete:
            changed = DeletePapers(FPapers, chosen);
            break;
        case TKind::Rename:
            changed =
                RenamePapers(FPapers, chosen,
                             FHeaderFooter->isChecked() ? TRenameMode::HeaderFooter : TRenameMode::Replace,
                             FFirst->text(), FSecond->text(), &skipped);
            break;
        case TKind::Regroup:
            changed = RegroupPapers(FPapers, chosen, FNewGroup->text().trimmed());
            break;
        }
    } catch (const std::exception& error) {
        Ask(this, ExceptionText(error), false);
    }
    // Groups may have come or gone; the chosen one stays when it still exists.
    const QString group = FGroup->currentText();
    const bool all = FGroup->currentIndex() == FGroup->count() - 1;
    QStringList groups;
    FPapers.GetGroupNames(groups);
    FGroup->blockSignals(true);
    FGroup->clear();
    FGroup->addItems(groups);
    FGroup->addItem(QStringLiteral("（すべての用紙）"));
    const int at = all ? FGroup->count() - 1 : FGroup->findText(group);
    FGroup->setCurrentIndex(at >= 0 ? at : FGroup->count() - 1);
    FGroup->blockSignals(false);
    ListPapers();
    if (OnChanged)
        OnChanged();
    if (!skipped.isEmpty())
        Ask(this,
            QStringLiteral(
                "次の用紙は、新しい名前が空になるか、すでに使われているため変換しませんでした：\n%1")
                .arg(skipped.mid(0, 20).join(QLatin1Char('\n'))),
            false);
    return changed;
}

// ---------------------------------------------------------------------------------

TfrmRenumberPapers::TfrmRenumberPapers(TVelmoPapers& papers, QWidget* parent)
    : QDialog(parent), FPapers(papers)
{
    setWindowTitle(QStringLiteral("用紙ファイル名のリナンバー"));
    auto* main = new QVBoxLayout(this);
    main->addWidget(new QLabel(QStringLiteral("現在の用紙ファイル名"), this));
    FKeys = new QListWidget(this);
    main->addWidget(FKeys, 1);
    FCount = new QLabel(this);
    main->addWidget(FCount);
    auto* form = new QFormLayout;
    FStart = new QLineEdit(GLastStart, this);
    FStart->setObjectName(QStringLiteral("start"));
    FStart->setPlaceholderText(QStringLiteral("256 または $100"));
    form->addRow(QStringLiteral("先頭番号"), FStart);
    main->addLayout(form);
    FProgress = new QProgressBar(this);
    FProgress->setValue(0);
    main->addWidget(FProgress);
    auto* buttons = OkCancel(this);
    auto* defrag = buttons->addButton(QStringLiteral("デフラグ"), QDialogButtonBox::ActionRole);
    connect(defrag, &QPushButton::clicked, this, [this] { Defragment(); });
    main->addWidget(buttons);
    FillKeys();
    resize(380, 460);
}

QString TfrmRenumberPapers::LastStart()
{
    return GLastStart;
}

void TfrmRenumberPapers::FillKeys()
{
    FKeys->clear();
    FKeys->addItems(FPapers.Keys());
    FCount->setText(QStringLiteral("登録用紙数：%1").arg(FPapers.Count()));
}

void TfrmRenumberPapers::Defragment()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        FPapers.Rewrite([this](int position, int total) {
            FProgress->setMaximum(std::max(1, total));
            FProgress->setValue(position);
        });
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        Ask(this, ExceptionText(error), false);
        FillKeys();
        return;
    }
    QApplication::restoreOverrideCursor();
    FillKeys();
}

void TfrmRenumberPapers::accept()
{
    const std::optional<uint32_t> start = ParseStartNumber(FStart->text());
    if (!start) {
        Ask(this, QStringLiteral("先頭番号を正しく入力してください"), false);
        return;
    }
    GLastStart = FStart->text().trimmed();
    try {
        const int moved = RenumberPaperKeys(FPapers, *start, [this](int position, int total) {
            FProgress->setMaximum(std::max(1, total));
            FProgress->setValue(position);
        });
        if (moved < FPapers.Count())
            Ask(this,
                QStringLiteral("%1件の用紙は、新しいファイル名がすでに使われているため変更しませんでした")
                    .arg(FPapers.Count() - moved),
                false);
    } catch (const std::exception& error) {
        Ask(this, ExceptionText(error), false);
        FillKeys();
        return;
    }
    FillKeys();
    QDialog::accept();
}

// ---------------------------------------------------------------------------------

TfrmPurposeCheck::TfrmPurposeCheck(const TVelmoPapers& papers, const TPurposeList& list, QWidget* parent)
    : QDialog(parent), FPapers(papers), FList(std::make_unique<TPurposeList>())
{
    setWindowTitle(QStringLiteral("使用用途IDのチェック"));
    FList->Assign(list);
    auto* main = new QVBoxLayout(this);
    FReport = new QPlainTextEdit(this);
    FReport->setReadOnly(true);
    main->addWidget(FReport, 1);
    FProgress = new QProgressBar(this);
    FProgress->setValue(0);
    main->addWidget(FProgress);
    auto* buttons = OkCancel(this);
    auto* check = buttons->addButton(QStringLiteral("チェック"), QDialogButtonBox::ActionRole);
    FRemove = buttons->addButton(QStringLiteral("不要IDの削除"), QDialogButtonBox::ActionRole);
    FRemove->setEnabled(false);
    connect(check, &QPushButton::clicked, this, [this] { Check(); });
    connect(FRemove, &QPushButton::clicked, this, [this] { RemoveUnused(); });
    main->addWidget(buttons);
    resize(440, 400);
}

TfrmPurposeCheck::~TfrmPurposeCheck() = default;

void TfrmPurposeCheck::Check()
{
    FResult = CheckPurposes(FPapers, *FList, [this](int position, int total) {
        FProgress->setMaximum(std::max(1, total));
        FProgress->setValue(position);
    });
    FReport->setPlainText(FResult.Report.isEmpty() ? QStringLiteral("問題はありません")
                                                   : FResult.Report.join('\n'));
    FRemove->setEnabled(!FResult.Unused.isEmpty());
}

void TfrmPurposeCheck::RemoveUnused()
{
    RemoveUnusedPurposes(*FList, FResult);
    Check();
}

// ---------------------------------------------------------------------------------

TfrmPurposeEditor::TfrmPurposeEditor(TVelmoPapers& papers, QWidget* parent)
    : QDialog(parent), FPapers(papers), FList(std::make_unique<TPurposeList>())
{
    setWindowTitle(QStringLiteral("用途IDの編集"));
    if (papers.PurposeList())
        FList->Assign(*papers.PurposeList());
    auto* main = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    main->addLayout(columns, 1);
    auto* left = new QVBoxLayout;
    FNames = new QListWidget(this);
    FNames->setObjectName(QStringLiteral("purposes"));
    left->addWidget(FNames, 1);
    auto* listButtons = new QHBoxLayout;
    auto* up = new QPushButton(QStringLiteral("↑"), this);
    auto* down = new QPushButton(QStringLiteral("↓"), this);
    auto* add = new QPushButton(QStringLiteral("追加"), this);
    auto* remove = new QPushButton(QStringLiteral("削除"), this);
    for (QPushButton* b : {up, down, add, remove})
        listButtons->addWidget(b);
    left->addLayout(listButtons);
    columns->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    FID = new QLineEdit(this);
    FName = new QLineEdit(this);
    form->addRow(QStringLiteral("用途ＩＤ"), FID);
    form->addRow(QStringLiteral("表示名"), FName);
    right->addLayout(form);
    right->addWidget(new QLabel(QStringLiteral("選択可能な形状"), this));
    FShapes = new QListWidget(this);
    for (const QString& name : FaceShapeNames()) {
        auto* item = new QListWidgetItem(name, FShapes);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    right->addWidget(FShapes, 1);
    auto* check = new QPushButton(QStringLiteral("用途IDチェック"), this);
    right->addWidget(check);
    columns->addLayout(right, 1);
    main->addWidget(OkCancel(this));

    connect(FNames, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
    connect(FID, &QLineEdit::textEdited, this, [this] { WriteSelected(); });
    connect(FName, &QLineEdit::textEdited, this, [this] { WriteSelected(); });
    connect(FShapes, &QListWidget::itemChanged, this, [this] { WriteSelected(); });
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(add, &QPushButton::clicked, this, [this] { AddPurpose(); });
    connect(remove, &QPushButton::clicked, this, [this] { DeletePurpose(); });
    connect(check, &QPushButton::clicked, this, [this] { OpenCheck(); });
    FillNames(0);
    resize(560, 420);
}

TfrmPurposeEditor::~TfrmPurposeEditor() = default;

void TfrmPurposeEditor::FillNames(int select)
{
    FFilling = true;
    FNames->clear();
    for (int i = 0; i < FList->Count(); ++i) {
        const TPurposeInfo* item = FList->Items(i);
        FNames->addItem(item->DisplayName().isEmpty() ? QStringLiteral("（表示名なし）")
                                                      : item->DisplayName());
    }
    FFilling = false;
    FNames->setCurrentRow(std::min(select, FList->Count() - 1));
    ShowSelected();
}

void TfrmPurposeEditor::ShowSelected()
{
    if (FFilling)
        return;
    const int row = FNames->currentRow();
    const bool any = row >= 0 && row < FList->Count();
    FID->setEnabled(any);
    FName->setEnabled(any);
    FShapes->setEnabled(any);
    FFilling = true;
    const TPurposeInfo* item = any ? FList->Items(row) : nullptr;
    FID->setText(item ? item->ID() : QString());
    FName->setText(item ? item->DisplayName() : QString());
    // An empty mask allows every shape: all six ticked.
    const QList<int> offered = ShapesOffered(item ? item->ShapeMask() : 0);
    for (int s = 0; s < FShapes->count(); ++s)
        FShapes->item(s)->setCheckState(offered.contains(s) ? Qt::Checked : Qt::Unchecked);
    FFilling = false;
}

void TfrmPurposeEditor::WriteSelected()
{
    if (FFilling)
        return;
    const int row = FNames->currentRow();
    if (row < 0 || row >= FList->Count())
        return;
    TPurposeInfo* item = FList->Items(row);
    item->SetID(FID->text().trimmed());
    item->SetDisplayName(FName->text());
    QList<int> ticked;
    for (int s = 0; s < FShapes->count(); ++s)
        if (FShapes->item(s)->checkState() == Qt::Checked)
            ticked << s;
    item->SetShapeMask(MaskFromShapes(ticked));
    FFilling = true;
    FNames->item(row)->setText(item->DisplayName().isEmpty() ? QStringLiteral("（表示名なし）")
                                                             : item->DisplayName());
    FFilling = false;
}

void TfrmPurposeEditor::AddPurpose()
{
    const auto name = NewPurposeName(*FList);
    if (!name) {
        Ask(this, QStringLiteral("新しい用途IDを作れません（NewID1～NewID999 はすべて使われています）"),
            false);
        return;
    }
    TPurposeInfo* item = FList->Add();
    item->SetID(name->first);
    item->SetDisplayName(name->second);
    FillNames(FList->Count() - 1);
}

void TfrmPurposeEditor::DeletePurpose()
{
    const int row = FNames->currentRow();
    if (row < 0 || row >= FList->Count())
        return;
    FList->Delete(row);
    FillNames(std::max(0, row - (row >= FList->Count() ? 1 : 0)));
}

void TfrmPurposeEditor::MoveSelected(int step)
{
    const int row = FNames->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= FList->Count())
        return;
    TPurposeList copy;
    copy.Assign(*FList);
    // Rebuild in the new order: collections keep their items by position.
    FList->Clear();
    for (int i = 0; i < copy.Count(); ++i) {
        int from = i;
        if (i == row)
            from = to;
        else if (i == to)
            from = row;
        FList->Add()->Assign(*copy.Items(from));
    }
    FillNames(to);
}

void TfrmPurposeEditor::OpenCheck()
{
    TfrmPurposeCheck check(FPapers, *FList, this);
    const bool ok = CheckHook ? (CheckHook(check), check.result() == QDialog::Accepted)
                              : check.exec() == QDialog::Accepted;
    if (!ok)
        return;
    FList->Assign(check.List());
    FillNames(0);
}

void TfrmPurposeEditor::accept()
{
    FPapers.SetPurposeList(*FList);
    QDialog::accept();
}

// ---------------------------------------------------------------------------------

TfrmPaperOrder::TfrmPaperOrder(TVelmoPapers& papers, QWidget* parent) : QDialog(parent), FPapers(papers)
{
    setWindowTitle(QStringLiteral("文字列の編集"));
    auto* main = new QVBoxLayout(this);
    main->addWidget(new QLabel(QStringLiteral("用紙名を並べたい順に、1行に1つずつ書いてください"), this));
    FText = new QPlainTextEdit(PaperOrderText(papers), this);
    FText->setLineWrapMode(QPlainTextEdit::NoWrap);
    main->addWidget(FText, 1);
    main->addWidget(OkCancel(this));
    resize(480, 520);
}

void TfrmPaperOrder::accept()
{
    // Checked whole before anything moves: a typing slip must not half-sort the
    // catalogue.
    const QString defect = PaperOrderDefect(FPapers, FText->toPlainText());
    if (!defect.isEmpty()) {
        Ask(this, defect, false);
        return;
    }
    try {
        ApplyPaperOrder(FPapers, FText->toPlainText());
    } catch (const std::exception& error) {
        Ask(this, ExceptionText(error), false);
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------------

TfrmGroupView::TfrmGroupView(const TVelmoPapers& papers, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("グループ編集"));
    auto* main = new QHBoxLayout(this);
    QStringList groups;
    papers.GetGroupNames(groups);
    FText = new QPlainTextEdit(groups.join(QLatin1Char('\n')), this);
    main->addWidget(FText, 1);
    auto* right = new QVBoxLayout;
    FPicture = new QLabel(this);
    FPicture->setFixedSize(96, 96);
    FPicture->setFrameShape(QFrame::StyledPanel);
    FPicture->setAlignment(Qt::AlignCenter);
    right->addWidget(FPicture);
    auto* change = new QPushButton(QStringLiteral("イメージの変更"), this);
    right->addWidget(change);
    auto* note = new QLabel(QStringLiteral("ここでの変更は保存されません"), this);
    note->setWordWrap(true);
    right->addWidget(note);
    right->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    right->addWidget(close);
    main->addLayout(right);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(change, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("イメージの変更"),
                                                          StartFolder(folderkind::Picture),
                                                          QStringLiteral("画像 (*.png *.bmp *.jpg *.jpeg)"));
        RememberFolder(folderkind::Picture, file);
        if (!file.isEmpty() && !ShowPicture(file))
            QMessageBox::warning(this, windowTitle(), QStringLiteral("%1 を読み込めませんでした").arg(file));
    });
    resize(420, 320);
}

bool TfrmGroupView::ShowPicture(const QString& fileName)
{
    QImageReader reader(fileName);
    // Only a picture the size of an icon is wanted; a huge one is refused unread.
    if (reader.size().isValid() && qint64(reader.size().width()) * reader.size().height() > 4096 * 4096)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    FPicture->setPixmap(
        QPixmap::fromImage(image.scaled(FPicture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return true;
}

int ExecuteMakeSystemPapers(QWidget* parent, TVelmoPapers& papers, const TMaintenanceAsk& ask)
{
    const TMaintenanceAsk question = ask ? ask : DefaultMaintenanceAsk();
    if (!question(parent, QStringLiteral("すべての用紙をシステム用紙にします"), true))
        return 0;
    return MakeSystemPapers(papers);
}

} // namespace velmo
