#include "merge/FInsertionController.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UWindowPictures.h"
#include "merge/UCsvDB.h"
#include "merge/UMergeSession.h"
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>

namespace velmo {

namespace {

std::function<int(TfrmCsvJump&)> gJumpRunner;

struct TButtonInfo
{
    const char* Caption; // shown when the pictures are missing
    const char* Hint;
};

// In the order of the picture strip.
const TButtonInfo kButtons[] = {
    {"先頭", "先頭のレコード (Home)"},
    {"前へ", "前のレコード (←)"},
    {"次へ", "次のレコード (→)"},
    {"末尾", "最後のレコード (End)"},
    {"指定", "レコード番号を指定して表示 (Ctrl+G)"},
    {"検索", "レコードを検索して表示 (Ctrl+F)"},
    {"並べかえ", "レコードの並べかえ (Ctrl+R)"},
};

// The ground the pictures were drawn for, when the tile cannot be loaded.
const QColor kIvory(0xfb, 0xf6, 0xe4);

} // namespace

void TfrmInsertionController::SetJumpDialogRunner(std::function<int(TfrmCsvJump&)> runner)
{
    gJumpRunner = std::move(runner);
}

TfrmInsertionController::TfrmInsertionController(QWidget* owner, TMergeSession& session)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      FDB(session.Database()), FCursor(session.Cursor())
{
    setObjectName(QStringLiteral("frmInsertionController"));
    setWindowTitle(QStringLiteral("差し込みコントローラ"));
    // A palette beside the editor is pointed at while the editor keeps the keyboard:
    // its hints show without it being the active window.
    setAttribute(Qt::WA_AlwaysShowToolTips, true);

    // The ivory tile under everything.
    QPalette ground = palette();
    ground.setColor(QPalette::Window, kIvory);
    try {
        TMatrixImagePack back;
        LoadWindowPicture(back, TWindowPicture::wpFillBackIvory);
        TPictureEx tile;
        if (back.GetImageSafe(tile, 0) && tile.HasGraphic())
            ground.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(tile.Graphic()->Image())));
    } catch (const std::exception&) {
        // The plain colour stays.
    }
    // Dark text on the light ground whatever the desktop's colours are.
    ground.setColor(QPalette::WindowText, Qt::black);
    ground.setColor(QPalette::ButtonText, Qt::black);
    setPalette(ground);
    setAutoFillBackground(true);

    TMatrixImagePack pictures;
    try {
        LoadWindowPicture(pictures, TWindowPicture::wpCsvController);
        FHasPictures = true;
    } catch (const std::exception&) {
        FHasPictures = false; // the captions tell the buttons apart
    }

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 6, 6, 6);
    row->setSpacing(2);
    row->setSizeConstraint(QLayout::SetFixedSize);
    for (int i = 0; i < int(FButtons.size()); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("btnRecord%1").arg(i));
        const QString caption = QString::fromUtf8(kButtons[i].Caption);
        button->setText(caption);
        button->setToolTip(QString::fromUtf8(kButtons[i].Hint));
        button->setAccessibleName(caption);
        if (FHasPictures) {
            button->setIcon(PackIcon(pictures, i));
            button->setIconSize(QSize(24, 24));
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        } else {
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        }
        button->setAutoRaise(true);
        // Reached with Tab and pressed with Space, like any button of the desktop.
        button->setFocusPolicy(Qt::StrongFocus);
        // The arrow keys step the records; a button would move the focus with them.
        button->installEventFilter(this);
        FButtons[size_t(i)] = button;
    }
    FStatus = new QLabel(this);
    FStatus->setObjectName(QStringLiteral("lblRecord"));
    FStatus->setAlignment(Qt::AlignCenter);
    FStatus->setFrameShape(QFrame::StyledPanel);
    FStatus->setFrameShadow(QFrame::Sunken);
    FStatus->setToolTip(QStringLiteral("表示中のレコード / レコード数"));
    FStatus->setAutoFillBackground(true);
    {
        QPalette p = FStatus->palette();
        p.setColor(QPalette::Window, Qt::white);
        p.setColor(QPalette::WindowText, Qt::black);
        FStatus->setPalette(p);
    }
    const QFontMetrics metrics(FStatus->font());
    FStatus->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("0000000 / 0000000")) + 12);
    FStatus->setMinimumHeight(std::max(metrics.height() + 8, 28));

    row->addWidget(FButtons[ccFirst]);
    row->addWidget(FButtons[ccPrevious]);
    row->addWidget(FStatus);
    row->addWidget(FButtons[ccNext]);
    row->addWidget(FButtons[ccLast]);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    row->addSpacing(4);
    row->addWidget(line);
    row->addSpacing(4);
    row->addWidget(FButtons[ccJump]);
    row->addWidget(FButtons[ccFind]);
    row->addWidget(FButtons[ccSort]);
    // Tab goes along the row as it is drawn.
    setTabOrder(FButtons[ccFirst], FButtons[ccPrevious]);
    setTabOrder(FButtons[ccPrevious], FButtons[ccNext]);
    setTabOrder(FButtons[ccNext], FButtons[ccLast]);
    setTabOrder(FButtons[ccLast], FButtons[ccJump]);
    setTabOrder(FButtons[ccJump], FButtons[ccFind]);
    setTabOrder(FButtons[ccFind], FButtons[ccSort]);

    connect(FButtons[ccFirst], &QToolButton::clicked, this, [this] { First(); });
    connect(FButtons[ccPrevious], &QToolButton::clicked, this, [this] { Prior(); });
    connect(FButtons[ccNext], &QToolButton::clicked, this, [this] { Next(); });
    connect(FButtons[ccLast], &QToolButton::clicked, this, [this] { Last(); });
    connect(FButtons[ccJump], &QToolButton::clicked, this, [this] { ShowJumpDialog(TfrmCsvJump::pgJump); });
    connect(FButtons[ccFind], &QToolButton::clicked, this, [this] { ShowJumpDialog(TfrmCsvJump::pgFind); });
    connect(FButtons[ccSort], &QToolButton::clicked, this, [this] { ShowJumpDialog(TfrmCsvJump::pgSort); });
    const std::pair<QKeySequence, TfrmCsvJump::TPage> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_G), TfrmCsvJump::pgJump},
        {QKeySequence(Qt::CTRL | Qt::Key_F), TfrmCsvJump::pgFind},
        {QKeySequence(Qt::CTRL | Qt::Key_R), TfrmCsvJump::pgSort},
    };
    for (const auto& [key, page] : keys) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, page = page] {
            if (FCursor.HasRecords())
                ShowJumpDialog(page);
        });
    }
    Refresh();
}

TfrmInsertionController::~TfrmInsertionController() = default;

int TfrmInsertionController::CurrentPosition() const
{
    return Position ? Position() : 0;
}

int TfrmInsertionController::ShownRecord()
{
    return FCursor.RecordFor(CurrentPosition());
}

void TfrmInsertionController::Refresh()
{
    const int position = CurrentPosition();
    const bool records = FCursor.HasRecords();
    const bool back = FCursor.CanStepBack(position);
    const bool forward = FCursor.CanStepForward(position);
    FButtons[ccFirst]->setEnabled(back);
    FButtons[ccPrevious]->setEnabled(back);
    FButtons[ccNext]->setEnabled(forward);
    FButtons[ccLast]->setEnabled(forward);
    FButtons[ccJump]->setEnabled(records);
    FButtons[ccFind]->setEnabled(records);
    FButtons[ccSort]->setEnabled(records);
    FStatus->setText(FCursor.StatusText(position));
}

void TfrmInsertionController::ShowOver(QWidget* window)
{
    Refresh();
    if (isVisible())
        return;
    if (!FPlaced && window) {
        FPlaced = true;
        adjustSize();
        // Over the label editor's lower right, clear of the menus, tool bars, rulers
        // and the sheet overview, and mostly of the label, which the editor centres.
        const QRect area = window->geometry();
        move(std::max(area.left(), area.right() - width() - 16),
             std::max(area.top(), area.bottom() - height() - 48));
    }
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void TfrmInsertionController::TakeKeyboard()
{
    raise();
    activateWindow();
    for (int image : {int(ccNext), int(ccPrevious), int(ccJump)})
        if (FButtons[size_t(image)]->isEnabled()) {
            FButtons[size_t(image)]->setFocus();
            return;
        }
    setFocus();
}

void TfrmInsertionController::Changed(bool changed)
{
    // A button that just went disabled would leave the keyboard nowhere.
    QWidget* focused = focusWidget();
    Refresh();
    if (focused && !focused->isEnabled()) {
        for (int image : {int(ccNext), int(ccPrevious), int(ccJump)})
            if (FButtons[size_t(image)]->isEnabled()) {
                FButtons[size_t(image)]->setFocus();
                break;
            }
    }
    if (changed && OnRecordChanged)
        OnRecordChanged();
}

void TfrmInsertionController::First()
{
    Changed(FCursor.First(CurrentPosition()));
}

void TfrmInsertionController::Prior()
{
    Changed(FCursor.Prior(CurrentPosition()));
}

void TfrmInsertionController::Next()
{
    Changed(FCursor.Next(CurrentPosition()));
}

void TfrmInsertionController::Last()
{
    Changed(FCursor.Last(CurrentPosition()));
}

void TfrmInsertionController::ShowJumpDialog(TfrmCsvJump::TPage page)
{
    const int position = CurrentPosition();
    const int count = FCursor.Count();
    if (count == 0)
        return;
    const bool wasBrowsing = FCursor.Browsing();
    // A sort keeps the shown record on the label: it is followed to its new place.
    // (The dialog's pages can be switched, so any opening may end in a sort.)
    FCursor.Pin(position);
    const int shown = std::min(FCursor.RecordFor(position), count);
    const int field = SelectedField ? SelectedField() : 0;
    TfrmCsvJump dialog(FDB, shown, std::max(field, 0), this);
    dialog.SetPage(page);
    const int result = gJumpRunner ? gJumpRunner(dialog) : dialog.exec();
    if (result != QDialog::Accepted) {
        if (!wasBrowsing)
            FCursor.Reset();
        Refresh();
        return;
    }
    if (dialog.Page() == TfrmCsvJump::pgSort) {
        // The record stays; the numbering objects and "n / N" follow its new place.
        Changed(true);
        return;
    }
    Changed(dialog.Result() >= 0 && FCursor.JumpTo(position, dialog.Result()));
}

bool TfrmInsertionController::HandleKey(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Home:
        First();
        return true;
    case Qt::Key_End:
        Last();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        Prior();
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        Next();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void TfrmInsertionController::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event))
        QWidget::keyPressEvent(event);
}

bool TfrmInsertionController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TfrmInsertionController::closeEvent(QCloseEvent* event)
{
    // Closing only hides it: the owner keeps it (and the record it shows).
    event->accept();
    hide();
    if (OnClosed)
        OnClosed();
}

} // namespace velmo
