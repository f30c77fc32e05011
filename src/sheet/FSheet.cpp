#include "sheet/FSheet.h"
#include "base/UNumbers.h"
#include "document/ULabelData.h"
#include "draw/UCanvas.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace velmo {

namespace {
int& LastZoom()
{
    static int zoom = 0;
    return zoom;
}
constexpr int kSiteMargin = 12;
} // namespace

TSheetMessages TSheetMessages::Standard(QWidget* parent)
{
    TSheetMessages m;
    m.YesNo = [parent](const QString& q) {
        return QMessageBox::question(parent, QApplication::applicationDisplayName(), q,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    };
    m.OkCancel = [parent](const QString& q) {
        return QMessageBox::question(parent, QApplication::applicationDisplayName(), q,
                                     QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Ok) == QMessageBox::Ok;
    };
    m.Notice = [parent](const QString& text) {
        QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
    };
    return m;
}

// ---------------------------------------------------------------------------------
// The site

TSheetSite::TSheetSite(TComponent* owner, QWidget* parent) : TDrawSite(owner, parent)
{
    Scaler()->SetUnitDPI(254);
    SetColor(clWhite);
}

int TSheetSite::PositionAt(QPoint logical) const
{
    for (int i = 0; TLOFace* face = FaceAt(this, i); ++i)
        if (PtInRect(face->BaseRect(), logical) && face->HitTest(logical))
            return i;
    return -1;
}

void TSheetSite::Highlight(int position, bool moves)
{
    if (position == FDropTarget && moves == FDropMoves)
        return;
    FDropTarget = position;
    FDropMoves = moves;
    update();
}

void TSheetSite::EndDrag()
{
    FDragSource = -1;
    FDragging = false;
    Highlight(-1, false);
}

void TSheetSite::PaintAfter(QPainter& painter)
{
    TDrawSite::PaintAfter(painter);
    if (FDropTarget < 0 || IsPaintingCopy())
        return;
    TLOFace* face = FaceAt(this, FDropTarget);
    if (!face)
        return;
    TCanvasSaver saver(painter);
    // Copy in blue, move in orange, over the target's shape.
    const QColor colour = FDropMoves ? QColor(0xF0, 0x80, 0x00) : QColor(0x00, 0x78, 0xD7);
    QColor fill = colour;
    fill.setAlpha(70);
    painter.setClipPath(face->FaceInfo().OuterPath());
    painter.fillPath(face->FaceInfo().OuterPath(), fill);
    const QTransform inverse = painter.combinedTransform().inverted();
    const qreal w = std::abs(inverse.map(QPointF(3, 0)).x() - inverse.map(QPointF(0, 0)).x());
    painter.setPen(QPen(colour, 2 * w));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(face->FaceInfo().OuterPath());
}

void TSheetSite::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint logical = ToLogical(event->position().toPoint());
    const int k = PositionAt(logical);
    if (k < 0 || !FSelecting)
        return;
    if (OnChoose)
        OnChoose(k);
    FDragSource = k;
    FDragging = false;
    FPressPoint = event->position().toPoint();
}

void TSheetSite::mouseMoveEvent(QMouseEvent* event)
{
    if (FDragSource < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    if (!FDragging && (pos - FPressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    FDragging = true;
    const int t = PositionAt(ToLogical(pos));
    Highlight(t == FDragSource ? -1 : t, event->modifiers() & Qt::ShiftModifier);
}

void TSheetSite::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int source = FDragSource;
    const bool dragging = FDragging;
    const bool moves = event->modifiers() & Qt::ShiftModifier;
    const int target = dragging ? PositionAt(ToLogical(event->position().toPoint())) : -1;
    EndDrag();
    if (source >= 0 && target >= 0 && target != source && OnDrop)
        OnDrop(source, target, moves);
}

void TSheetSite::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int k = PositionAt(ToLogical(event->position().toPoint()));
    if (k >= 0 && OnOpen)
        OnOpen(k);
}

void TSheetSite::keyPressEvent(QKeyEvent* event)
{
    if (FDragSource >= 0 && event->key() == Qt::Key_Escape) {
        EndDrag();
        return;
    }
    if (FDragging && FDropTarget >= 0)
        Highlight(FDropTarget, event->modifiers() & Qt::ShiftModifier);
    QWidget::keyPressEvent(event);
}

void TSheetSite::keyReleaseEvent(QKeyEvent* event)
{
    if (FDragging && FDropTarget >= 0)
        Highlight(FDropTarget, event->modifiers() & Qt::ShiftModifier);
    QWidget::keyReleaseEvent(event);
}

// ---------------------------------------------------------------------------------
// The view

const std::vector<int>& TfrmSheet::ZoomSteps()
{
    static const std::vector<int> steps{25, 50, 75, 100, 150, 200, 400};
    return steps;
}

int TfrmSheet::RememberedZoom()
{
    return LastZoom();
}

void TfrmSheet::ResetRememberedZoom()
{
    LastZoom() = 0;
}

TfrmSheet::TfrmSheet(TLabelData& document, const QString& appTitle, QWidget* parent, TLabelFill fill)
    : QWidget(parent), FDocument(document), FAppTitle(appTitle), FMessages(TSheetMessages::Standard(this)),
      FFill(std::move(fill))
{
    setObjectName(QStringLiteral("frmSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FToolBar = new QToolBar(this);
    const auto add = [this](const char* name, const QString& text, const QKeySequence& key, auto slot) {
        QAction* action = FToolBar->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            action->setShortcut(key);
            // Active wherever the focus is inside the view, not only in the tool bar.
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(action);
        }
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("actCopyLabel", QStringLiteral("コピー"), QKeySequence::Copy, [this] { CopyLabel(); });
    add("actCutLabel", QStringLiteral("切り取り"), QKeySequence::Cut, [this] { CutLabel(); });
    add("actPasteLabel", QStringLiteral("貼り付け"), QKeySequence::Paste, [this] { PasteLabel(); });
    add("actClearLabel", QStringLiteral("クリア"), QKeySequence::Delete, [this] { ClearLabel(); });
    FToolBar->addSeparator();
    add("actAddSheet", QStringLiteral("シートの追加"), {}, [this] { AddSheet(); });
    add("actDeleteSheet", QStringLiteral("シートの削除"), {}, [this] { DeleteSheet(); });
    add("actCopySheet", QStringLiteral("シートの複写"), {}, [this] { CopySheet(); });
    add("actMoveSheet", QStringLiteral("シートの移動"), {}, [this] { MoveSheet(); });
    add("actRenameSheet", QStringLiteral("シート名の変更"), {}, [this] { RenameSheet(); });
    FToolBar->addSeparator();
    FZoomBox = new QComboBox(FToolBar);
    FZoomBox->setObjectName(QStringLiteral("cbZoom"));
    FZoomBox->addItem(QStringLiteral("自動"), 0);
    for (int z : ZoomSteps())
        FZoomBox->addItem(QStringLiteral("%1%").arg(z), z);
    FToolBar->addWidget(FZoomBox);
    layout->addWidget(FToolBar);

    FTabs = new QTabBar(this);
    FTabs->setObjectName(QStringLiteral("tabSheets"));
    FTabs->setShape(QTabBar::RoundedNorth);
    FTabs->setExpanding(false);
    layout->addWidget(FTabs);
    // The sheet commands also on the tabs' context menu.
    FTabs->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const char* name :
         {"actAddSheet", "actDeleteSheet", "actCopySheet", "actMoveSheet", "actRenameSheet"})
        FTabs->addAction(Action(QString::fromLatin1(name)));

    FScroll = new QScrollArea(this);
    FScroll->setBackgroundRole(QPalette::Dark);
    FScroll->setAlignment(Qt::AlignCenter);
    FHolder = new QWidget;
    FSite = new TSheetSite(nullptr, FHolder);
    FSite->SetBorder(true);
    FScroll->setWidget(FHolder);
    FScroll->setWidgetResizable(false);
    FScroll->viewport()->installEventFilter(this);
    layout->addWidget(FScroll, 1);

    FSummary = new QLabel(this);
    FSummary->setObjectName(QStringLiteral("lblSummary"));
    FSummary->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(FSummary);

    FSite->OnChoose = [this](int k) {
        if (!FDocument.SeparatelyDesign())
            return;
        FDocument.SetCurrentLabelNo(k);
        ChooseFace(FSite, k);
        UpdateActions();
    };
    FSite->OnDrop = [this](int source, int target, bool move) { DragLabel(source, target, move); };
    FSite->OnOpen = [this](int k) {
        if (FDocument.SeparatelyDesign())
            FDocument.SetCurrentLabelNo(k);
        if (OnOpenLayout)
            OnOpenLayout(FDocument.CurrentLabelNo());
    };
    connect(FTabs, &QTabBar::currentChanged, this, [this](int index) {
        if (!FUpdatingTabs && index >= 0)
            ChooseSheet(index);
    });
    connect(FTabs, &QTabBar::tabBarDoubleClicked, this, [this](int) { RenameSheet(); });
    connect(FZoomBox, &QComboBox::activated, this, [this](int i) { SetZoom(FZoomBox->itemData(i).toInt()); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateActions(); });

    FDocument.SetSheetMode(true);
    FZoom = LastZoom();
    FZoomBox->setCurrentIndex(std::max(0, FZoomBox->findData(FZoom)));
    UpdateTabs();
    RefreshAll();
}

TfrmSheet::~TfrmSheet()
{
    LastZoom() = FZoom;
    FDocument.SetSheetMode(false);
}

QAction* TfrmSheet::Action(const QString& name) const
{
    return FToolBar->findChild<QAction*>(name);
}

QString TfrmSheet::ClipboardMimeType() const
{
    return SheetLabelMimeType(FAppTitle);
}

bool TfrmSheet::AskYesNo(const QString& question)
{
    return FMessages.YesNo ? FMessages.YesNo(question) : false;
}

int TfrmSheet::DevicePictureDpi() const
{
    // Pictures as sharp as the zoom shows them, within reason.
    const int dpi = DeviceDPI(FSite);
    const int scale = std::max(100, FSite->Scaler()->Scale());
    return std::clamp(MulDiv(dpi, scale, 100), 48, 300);
}

void TfrmSheet::RefreshAll()
{
    FPictures = RenderSheetPictures(FDocument, DevicePictureDpi(), FFill);
    BuildSite();
}

void TfrmSheet::RefreshPositions(const std::vector<int>& positions)
{
    const int n = FDocument.LabelCount();
    if (int(FPictures.size()) != n || !FDocument.SeparatelyDesign() ||
        LabelsRenderSeparately(FDocument) != FDocument.SeparatelyDesign())
        return RefreshAll();
    for (int k : positions)
        if (k >= 0 && k < n)
            FPictures[size_t(k)] = RenderLabelPicture(FDocument, k, DevicePictureDpi(), FFill);
    BuildSite();
}

void TfrmSheet::BuildSite()
{
    BuildSheetSite(*FSite, FDocument, FPictures, FDocument.SeparatelyDesign());
    // Positions are chosen and dragged only when each has a design of its own.
    FSite->SetSelecting(FDocument.SeparatelyDesign());
    ApplyZoom();
    QStringList lines;
    if (FDocument.Paper())
        PaperSummary(lines, *FDocument.Paper(), nullptr, -1);
    FSummary->setText(lines.join(QStringLiteral("　")));
    if (OnClearStatus)
        OnClearStatus();
    UpdateActions();
}

void TfrmSheet::UpdateTabs()
{
    FUpdatingTabs = true;
    QStringList names;
    FDocument.GetSheetNames(names);
    while (FTabs->count() > names.size())
        FTabs->removeTab(FTabs->count() - 1);
    for (int i = 0; i < names.size(); ++i) {
        if (i < FTabs->count())
            FTabs->setTabText(i, names[i]);
        else
            FTabs->addTab(names[i]);
    }
    FTabs->setCurrentIndex(FDocument.CurrentSheet());
    FUpdatingTabs = false;
}

void TfrmSheet::UpdateActions()
{
    TSheetLabels labels(FDocument, {});
    const int k = FDocument.CurrentLabelNo();
    const bool hasData = k >= 0 && k < FDocument.LabelCount() && FDocument.LabelHasData(k);
    Action(QStringLiteral("actCopyLabel"))->setEnabled(hasData);
    Action(QStringLiteral("actCutLabel"))->setEnabled(hasData);
    Action(QStringLiteral("actClearLabel"))->setEnabled(hasData);
    Action(QStringLiteral("actPasteLabel"))->setEnabled(CanPasteLabel());
    Action(QStringLiteral("actDeleteSheet"))->setEnabled(labels.CanDeleteSheet());
    Action(QStringLiteral("actMoveSheet"))->setEnabled(labels.CanMoveSheet());
}

void TfrmSheet::SetZoom(int percent)
{
    if (percent != 0 && std::find(ZoomSteps().begin(), ZoomSteps().end(), percent) == ZoomSteps().end())
        return;
    const int oldDpi = DevicePictureDpi();
    FZoom = percent;
    LastZoom() = percent;
    FZoomBox->setCurrentIndex(std::max(0, FZoomBox->findData(percent)));
    ApplyZoom();
    if (DevicePictureDpi() > oldDpi)
        RefreshAll();
}

void TfrmSheet::ApplyZoom()
{
    int scale = FZoom;
    if (scale == 0) {
        const QSize view = FScroll->viewport()->size() - QSize(2 * kSiteMargin, 2 * kSiteMargin);
        scale =
            std::max(5, FSite->FitScale(DeviceDPI(FSite), {0, 0, view.width(), view.height()}, true, true));
        FSite->Scaler()->SetScale(scale);
        // The fit rounds to the nearest per cent; a pixel too many would bring scroll bars.
        while (scale > 5 && (FSite->width() > view.width() || FSite->height() > view.height()))
            FSite->Scaler()->SetScale(--scale);
    }
    FSite->Scaler()->SetScale(scale);
    const QSize siteSize = FSite->size();
    const QSize view = FScroll->viewport()->size();
    const QSize holder(std::max(view.width(), siteSize.width() + 2 * kSiteMargin),
                       std::max(view.height(), siteSize.height() + 2 * kSiteMargin));
    FHolder->resize(holder);
    FSite->move((holder.width() - siteSize.width()) / 2, (holder.height() - siteSize.height()) / 2);
}

void TfrmSheet::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyZoom();
}

bool TfrmSheet::eventFilter(QObject* watched, QEvent* event)
{
    // The automatic zoom follows the visible area, which is laid out after the view.
    if (watched == FScroll->viewport() && event->type() == QEvent::Resize)
        ApplyZoom();
    return QWidget::eventFilter(watched, event);
}

void TfrmSheet::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ApplyZoom();
}

// ---- label commands

void TfrmSheet::CopyLabel()
{
    TSheetLabels labels(FDocument, {});
    const QByteArray bytes = labels.CopyLabel(FDocument.CurrentLabelNo());
    if (bytes.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setData(ClipboardMimeType(), bytes);
    QApplication::clipboard()->setMimeData(data);
    UpdateActions();
}

void TfrmSheet::CutLabel()
{
    TSheetLabels labels(FDocument, [this](const QString& q) { return AskYesNo(q); });
    QByteArray bytes;
    const int k = FDocument.CurrentLabelNo();
    if (!labels.CutLabel(k, bytes))
        return;
    auto* data = new QMimeData;
    data->setData(ClipboardMimeType(), bytes);
    QApplication::clipboard()->setMimeData(data);
    RefreshPositions({k});
}

bool TfrmSheet::CanPasteLabel() const
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(ClipboardMimeType()) && FDocument.LabelCount() > 0;
}

void TfrmSheet::PasteLabel()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(ClipboardMimeType()))
        return;
    TSheetLabels labels(FDocument, [this](const QString& q) { return AskYesNo(q); });
    const int k = FDocument.CurrentLabelNo();
    if (labels.PasteLabel(k, data->data(ClipboardMimeType())))
        RefreshPositions({k});
}

void TfrmSheet::ClearLabel()
{
    TSheetLabels labels(FDocument, [this](const QString& q) { return AskYesNo(q); });
    const int k = FDocument.CurrentLabelNo();
    if (labels.ClearLabel(k))
        RefreshPositions({k});
}

void TfrmSheet::DragLabel(int source, int target, bool move)
{
    TSheetLabels labels(FDocument, [this](const QString& q) { return AskYesNo(q); });
    if (labels.DragLabel(source, target, move))
        RefreshPositions({source, target});
}

// ---- sheet commands

void TfrmSheet::ChooseSheet(int index)
{
    if (index < 0 || index >= FDocument.SheetCount() || index == FDocument.CurrentSheet())
        return;
    FDocument.SelectSheet(index);
    UpdateTabs();
    RefreshAll();
}

void TfrmSheet::AddSheet()
{
    FDocument.AddSheet();
    UpdateTabs();
    RefreshAll();
}

void TfrmSheet::DeleteSheet()
{
    TSheetLabels labels(FDocument, {});
    if (!labels.DeleteSheet([this](const QString& q) { return FMessages.OkCancel && FMessages.OkCancel(q); }))
        return;
    UpdateTabs();
    RefreshAll();
}

void TfrmSheet::CopySheet()
{
    QStringList names;
    FDocument.GetSheetNames(names);
    TfrmSheetPosition dialog(CopySheetTitle(), CopySheetGuidance(), names, -1, CopiedSheetEntry(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TSheetLabels labels(FDocument, {});
    labels.CopySheetTo(dialog.Position());
    UpdateTabs();
    RefreshAll();
}

void TfrmSheet::MoveSheet()
{
    TSheetLabels labels(FDocument, {});
    if (!labels.CanMoveSheet())
        return;
    QStringList names;
    FDocument.GetSheetNames(names);
    TfrmSheetPosition dialog(MoveSheetTitle(), MoveSheetGuidance(), names, FDocument.CurrentSheet(),
                             QString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    labels.MoveSheetTo(dialog.Position());
    UpdateTabs();
    RefreshAll();
}

void TfrmSheet::RenameSheet()
{
    TSheetLabels labels(FDocument, {});
    TfrmSheetName dialog(
        FDocument.SheetName(), [&labels](const QString& name) { return labels.CheckSheetName(name); },
        [this](const QString& message) {
            if (FMessages.Notice)
                FMessages.Notice(message);
        },
        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (labels.RenameSheet(dialog.Name()))
        UpdateTabs();
}

bool TfrmSheet::ConfirmPaperChange(const TPaperInfo& paper)
{
    const QString question = PaperChangeQuestion(FDocument, paper);
    return question.isEmpty() || AskYesNo(question);
}

void TfrmSheet::ChangePaper(const TPaperInfo& paper, bool separatelyDesign, const TExPaperInfo* extra,
                            const TImagePaperInfo* images)
{
    FDocument.SetPaper(&paper);
    FDocument.SetSeparatelyDesign(separatelyDesign);
    FDocument.SetExtraInfo(extra);
    FDocument.SetImageInfo(images);
    FDocument.SetCurrentLabelNo(0);
    RefreshAll();
}

// ---------------------------------------------------------------------------------
// Dialogs

TfrmSheetPosition::TfrmSheetPosition(const QString& title, const QString& guidance, const QStringList& names,
                                     int current, const QString& copiedEntry, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(guidance, this));
    auto* row = new QHBoxLayout;
    FList = new QListWidget(this);
    FList->addItems(names);
    if (!copiedEntry.isEmpty()) {
        FList->addItem(copiedEntry);
        current = FList->count() - 1;
    }
    current = std::clamp(current, 0, std::max(0, FList->count() - 1));
    FPosition = current;
    FList->setCurrentRow(current);
    // The entry to place is the only one that can be chosen; the list shows where.
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setFocusPolicy(Qt::NoFocus);
    FList->setEnabled(true);
    for (int i = 0; i < FList->count(); ++i)
        FList->item(i)->setFlags(i == current ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
    row->addWidget(FList, 1);
    auto* buttons = new QVBoxLayout;
    FUp = new QPushButton(QStringLiteral("上へ"), this);
    FDown = new QPushButton(QStringLiteral("下へ"), this);
    buttons->addWidget(FUp);
    buttons->addWidget(FDown);
    buttons->addStretch(1);
    row->addLayout(buttons);
    layout->addLayout(row);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FUp, &QPushButton::clicked, this, [this] { MoveUp(); });
    connect(FDown, &QPushButton::clicked, this, [this] { MoveDown(); });
    UpdateButtons();
}

void TfrmSheetPosition::MoveUp()
{
    if (FPosition <= 0)
        return;
    QListWidgetItem* item = FList->takeItem(FPosition);
    --FPosition;
    FList->insertItem(FPosition, item);
    FList->setCurrentRow(FPosition);
    UpdateButtons();
}

void TfrmSheetPosition::MoveDown()
{
    if (FPosition >= FList->count() - 1)
        return;
    QListWidgetItem* item = FList->takeItem(FPosition);
    ++FPosition;
    FList->insertItem(FPosition, item);
    FList->setCurrentRow(FPosition);
    UpdateButtons();
}

void TfrmSheetPosition::UpdateButtons()
{
    FUp->setEnabled(FPosition > 0);
    FDown->setEnabled(FPosition < FList->count() - 1);
}

TfrmSheetName::TfrmSheetName(const QString& name, std::function<QString(const QString&)> check,
                             std::function<void(const QString&)> notice, QWidget* parent)
    : QDialog(parent), FCheck(std::move(check)), FNotice(std::move(notice))
{
    setWindowTitle(QStringLiteral("シート名の変更"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("シート名"), this));
    FEdit = new QLineEdit(name, this);
    FEdit->setMaxLength(kMaxSheetNameLength);
    FEdit->selectAll();
    layout->addWidget(FEdit);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    FOk = box->button(QDialogButtonBox::Ok);
    FOk->setDefault(true);
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { FOk->setEnabled(!text.isEmpty()); });
    FOk->setEnabled(!name.isEmpty());
}

QString TfrmSheetName::Name() const
{
    return FEdit->text();
}

void TfrmSheetName::accept()
{
    const QString name = Name();
    if (name.isEmpty())
        return;
    const QString message = FCheck ? FCheck(name) : QString();
    if (!message.isEmpty()) {
        if (FNotice)
            FNotice(message);
        return;
    }
    QDialog::accept();
}

} // namespace velmo
