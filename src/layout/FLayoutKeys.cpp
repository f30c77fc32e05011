// The layout view's keys and pointer: arrow-key moves as one undo step per run,
// cycling the selection, and the event filter that routes the view's keys, clicks,
// wheel zoom and context menu.
#include "barcode/FBarCodeProperty.h"
#include "base/UGraphics.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UDOInterfaces.h"
#include "draw/UGhost.h"
#include "draw/UGuide.h"
#include "imaging/FColorGrid.h"
#include "imaging/FPhotoCD.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UWindowPictures.h"
#include "layout/FLayout.h"
#include "layout/FLayoutParts.h"
#include "merge/FCsvBrowser.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/FLayoutAids.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/ULOFace.h"
#include "objects/ULOImage.h"
#include "objects/ULabelObject.h"
#include "objects/UStandardDSA.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "sheet/USheetView.h"
#include "text/UFontList.h"
#include "text/ULOText.h"
#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace velmo {

using namespace layoutparts;

// ---------------------------------------------------------------------------------
// Keys and the pointer

void TfrmLayout::EndKeyMoveRun()
{
    if (!FKeyMoveRun)
        return;
    FKeyMoveRun = false;
    std::vector<std::unique_ptr<TDOChangeAction>> pending = std::move(FKeyMoves);
    FKeyMoves.clear();
    TActionGroupScope group(QStringLiteral("移動"));
    for (auto& action : pending)
        TDOChangeAction::Commit(std::move(action));
}

void TfrmLayout::MoveSelectionBy(int dx, int dy)
{
    TDOList list;
    FSite->Collect(list, true);
    std::vector<TDrawObject*> movable;
    for (TDrawObject* o : list.Objects())
        if (o->Movable() && o->LayerGroup() != kBackgroundLayerGroup && Supports<IDOEncloseBounds>(o))
            movable.push_back(o);
    if (movable.empty())
        return;
    if (!FKeyMoveRun) {
        FKeyMoveRun = true;
        for (TDrawObject* o : movable)
            FKeyMoves.push_back(std::make_unique<TDOChangeAction>(o, QStringLiteral("移動")));
    }
    FSite->HidePivots();
    for (TDrawObject* o : movable) {
        // Objects that joined the selection during the run are recorded too.
        bool known = false;
        for (const auto& a : FKeyMoves)
            if (a->Target() == o)
                known = true;
        if (!known)
            FKeyMoves.push_back(std::make_unique<TDOChangeAction>(o, QStringLiteral("移動")));
        Supports<IDOEncloseBounds>(o)->MoveBy(dx, dy);
        FSite->UpdateBounds(o);
    }
    FSite->SetModified(true);
    FSite->RefreshPivots();
    FSite->update();
    UpdateStatus();
}

void TfrmLayout::CycleSelection(bool forward)
{
    std::vector<TDrawObject*> candidates;
    for (int i = 0; i < FSite->ObjectCount(); ++i) {
        TDrawObject* o = FSite->Objects(i);
        if (o->Selectable() && o->Visible() && o->LayerGroup() != kBackgroundLayerGroup)
            candidates.push_back(o);
    }
    if (candidates.empty())
        return;
    TDrawObject* top = TopSelected();
    int index = -1;
    for (size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i] == top)
            index = int(i);
    const int n = int(candidates.size());
    const int next = index < 0 ? (forward ? 0 : n - 1) : ((index + (forward ? 1 : -1)) % n + n) % n;
    FSite->SelectAll(false);
    candidates[size_t(next)]->SetSelected(true);
    FSite->RefreshPivots();
    ScrollToSelection();
    ScheduleIdle();
}

bool TfrmLayout::HandleSiteKey(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int step = shift ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        MoveSelectionBy(-step, 0);
        return true;
    case Qt::Key_Right:
        MoveSelectionBy(step, 0);
        return true;
    case Qt::Key_Up:
        MoveSelectionBy(0, -step);
        return true;
    case Qt::Key_Down:
        MoveSelectionBy(0, step);
        return true;
    case Qt::Key_Tab:
        CycleSelection(true);
        return true;
    case Qt::Key_Backtab:
        CycleSelection(false);
        return true;
    default:
        return false;
    }
}

void TfrmLayout::keyPressEvent(QKeyEvent* event)
{
    QWidget::keyPressEvent(event);
}

bool TfrmLayout::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // Only what happens in this view's window counts; a dialog opened from here is
    // a window of its own and keeps its keys (Escape closes it, nothing else).
    auto inView = [this, watched] {
        auto* w = qobject_cast<QWidget*>(watched);
        return w && w->window() == window() && IsDescendant(w, this);
    };
    switch (type) {
    case QEvent::KeyPress: {
        if (!inView())
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            PressSelectTool();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            FScroll->setFocus();
            return true;
        }
        if (watched == FSite && HandleSiteKey(key))
            return true;
        if (watched == FSite && !key->isAutoRepeat())
            EndKeyMoveRun();
        ScheduleIdle();
        break;
    }
    case QEvent::KeyRelease: {
        if (watched != FSite)
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        const int k = key->key();
        if (!key->isAutoRepeat() &&
            (k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Up || k == Qt::Key_Down))
            EndKeyMoveRun();
        ScheduleIdle();
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!inView())
            break;
        EndKeyMoveRun();
        if (watched == FOverview)
            QTimer::singleShot(0, FSite, [this] { FSite->setFocus(); });
        if (watched == FScroll->viewport() || watched == FHolder) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint p = FHolder->mapFromGlobal(me->globalPosition().toPoint());
            const QRect shadow = static_cast<TLabelHolder*>(FHolder)->ShadowRect();
            if (shadow.contains(p) && !FSite->geometry().contains(p)) {
                FSite->SelectAll(false);
                FSite->RefreshPivots();
                FSite->update();
            }
        }
        ScheduleIdle();
        break;
    case QEvent::MouseMove:
        if (!inView())
            break;
        if (watched == FHolder) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint p = me->position().toPoint();
            const QRect shadow = static_cast<TLabelHolder*>(FHolder)->ShadowRect();
            const QPoint inSite = FSite->mapFrom(FHolder, p);
            if (shadow.contains(p))
                FSite->SiteMove(ShiftOf(me->modifiers()), inSite);
            else
                FAids->UpdateMarkers(inSite);
        }
        ScheduleIdle();
        break;
    case QEvent::MouseButtonRelease:
        if (inView())
            ScheduleIdle();
        break;
    case QEvent::Wheel: {
        if (watched != FSite && watched != FHolder && watched != FScroll->viewport())
            break;
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int delta = wheel->angleDelta().y();
            if (delta == 0)
                return true;
            const int step = NextZoomStep(Scale(), delta > 0);
            if (step > 0) {
                const QPoint p = FSite->mapFromGlobal(wheel->globalPosition().toPoint());
                ZoomAt(step, p);
            }
            return true;
        }
        break;
    }
    case QEvent::ContextMenu:
        if (watched == FSite) {
            auto* menu = static_cast<QContextMenuEvent*>(event);
            UpdateCommandStates();
            FObjectMenu->popup(menu->globalPos());
            return true;
        }
        break;
    case QEvent::Resize:
        if (watched == FScroll->viewport())
            QTimer::singleShot(0, this, [this] { Resize(); });
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmo
