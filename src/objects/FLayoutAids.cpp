#include "objects/FLayoutAids.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UGhost.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULabelObject.h"
#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace velmo {

TLayoutAids::TLayoutAids(TDrawSite* site, QScrollArea* scroll, TGuide& guide, TGrid& grid, QObject* parent)
    : QObject(parent), FSite(site), FScroll(scroll), FGuide(&guide), FGrid(&grid), FHorizontal(new TRuler),
      FVertical(new TRuler)
{
    FHorizontal->setObjectName(QStringLiteral("rulerHorizontal"));
    FVertical->setObjectName(QStringLiteral("rulerVertical"));
    FVertical->SetKind(TRulerKind::rkVertical);
    for (TRuler* ruler : {FHorizontal, FVertical}) {
        ruler->SetColor(13948116);
        ruler->SetEndColor(clWhite);
        ruler->OnMouseDown = [this](TRuler* sender, Qt::MouseButton button, QPoint) {
            RulerPressed(sender, button);
        };
        ruler->setMouseTracking(true);
    }
    FHorizontal->setFixedHeight(24);
    FVertical->setFixedWidth(24);
    site->OnPaintAfter = [this](TDrawSite*, QPainter& painter) { Paint(painter); };
    site->installEventFilter(this);
    site->setMouseTracking(true);
    if (scroll) {
        scroll->viewport()->installEventFilter(this);
        scroll->viewport()->setMouseTracking(true);
        for (QScrollBar* bar : {scroll->horizontalScrollBar(), scroll->verticalScrollBar()})
            connect(bar, &QScrollBar::valueChanged, this, [this] { UpdateRulers(); });
    }
    ShowMessage = [this](const QString& message) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("ベルモ"), message, QMessageBox::Ok,
                        FSite->window());
        box.exec();
    };
    UpdateRulers();
}

TLayoutAids::~TLayoutAids()
{
    if (FSite)
        FSite->OnPaintAfter = nullptr;
    SetSnapPoint(nullptr);
    delete FHint;
}

void TLayoutAids::SetGuideAndGrid(TGuide& guide, TGrid& grid)
{
    if (FDragSlot >= 0)
        EndGuideDrag({}, false, true);
    FGuide = &guide;
    FGrid = &grid;
    FSite->update();
}

void TLayoutAids::UpdateRulers()
{
    const QPoint origin = FSite->mapTo(FSite->window(), QPoint(0, 0));
    const QPoint hOrigin = FHorizontal->mapTo(FHorizontal->window(), QPoint(0, 0));
    const QPoint vOrigin = FVertical->mapTo(FVertical->window(), QPoint(0, 0));
    FHorizontal->SetRulerOffset(origin.x() - hOrigin.x());
    FVertical->SetRulerOffset(origin.y() - vOrigin.y());
    for (TRuler* ruler : {FHorizontal, FVertical})
        ruler->SetScale(FSite->Scaler()->Scale());
    FHorizontal->SetRulerLength(FSite->LogWidth() / 10);
    FVertical->SetRulerLength(FSite->LogHeight() / 10);
}

void TLayoutAids::Activate()
{
    SetSnapPoint([this](TGhost*, QPoint p) {
        const QPoint o = SnapPoint(p);
        TSnapOffset r;
        r.HasX = o.x() != kNoSnap;
        r.HasY = o.y() != kNoSnap;
        r.DX = r.HasX ? o.x() : 0;
        r.DY = r.HasY ? o.y() : 0;
        return r;
    });
}

QPoint TLayoutAids::SnapPoint(QPoint logical) const
{
    if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier)
        return {0, 0};
    const int tolerance = FSite->ToLogical(QPoint(10, 10)).x();
    return CombineSnap(FGuide->SnapOffset(logical, tolerance), FGrid->SnapOffset(logical));
}

void TLayoutAids::Paint(QPainter& painter)
{
    const TLogRect all{0, 0, FSite->LogWidth(), FSite->LogHeight()};
    {
        TCanvasSaver saver(painter);
        painter.setPen(FGrid->LineShape() ? DevicePixelPen(ToQColor(clSilver), Qt::DotLine)
                                          : DevicePixelPen(Qt::blue));
        FGrid->DrawGrid(painter, all);
    }
    {
        TCanvasSaver saver(painter);
        painter.setPen(DevicePixelPen(Qt::blue, Qt::DotLine));
        FGuide->DrawGuides(painter, all);
    }
}

void TLayoutAids::RulerPressed(TRuler* ruler, Qt::MouseButton)
{
    const int slot = FGuide->FreeSlot();
    if (slot < 0) {
        if (ShowMessage)
            ShowMessage(QStringLiteral("ガイドは%1本までです").arg(FGuide->Count()));
        return;
    }
    FGuide->SetPos(slot, ruler == FHorizontal ? QPoint(0, -1) : QPoint(-1, 0));
    BeginGuideDrag(slot);
}

void TLayoutAids::BeginGuideDrag(int slot)
{
    TGhostList::Instance().Cancel();
    FDragSlot = slot;
    FDragPos = FGuide->GetPos(slot);
    FSite->grabMouse();
    if (!FHint) {
        FHint = new QLabel(nullptr, Qt::ToolTip);
        FHint->setObjectName(QStringLiteral("guideHint"));
        FHint->setMargin(2);
        FHint->setStyleSheet(QStringLiteral("background: #ffffe1; border: 1px solid black;"));
    }
    FHint->show();
    FLine = new QFrame(FSite);
    FLine->setObjectName(QStringLiteral("guideLine"));
    FLine->setStyleSheet(QStringLiteral("background: blue;"));
    const QPoint d = FSite->ToDevice(FDragPos);
    if (FDragPos.x() != 0)
        FLine->setGeometry(d.x(), 0, 1, FSite->height());
    else
        FLine->setGeometry(0, d.y(), FSite->width(), 1);
    FLine->show();
    qApp->installEventFilter(this);
}

QString TLayoutAids::GuideHint() const
{
    return FHint ? FHint->text() : QString();
}

void TLayoutAids::MoveGuideDrag(QPoint device, bool exact)
{
    if (FDragSlot < 0)
        return;
    const QPoint slot = FGuide->GetPos(FDragSlot);
    FDragPos = GuideDragPosition(slot, FSite->ToLogical(device), exact);
    const TLogRect all{0, 0, FSite->LogWidth(), FSite->LogHeight()};
    if (TGuide::InRange(FDragPos, all)) {
        if (slot.x() != 0)
            FHint->setText(
                QStringLiteral("左から%1 右から%2")
                    .arg(MillimetreText(FDragPos.x()), MillimetreText(FSite->LogWidth() - FDragPos.x())));
        else
            FHint->setText(
                QStringLiteral("上から%1 下から%2")
                    .arg(MillimetreText(FDragPos.y()), MillimetreText(FSite->LogHeight() - FDragPos.y())));
    } else {
        FHint->setText(QStringLiteral("ｶﾞｲﾄﾞ削除"));
    }
    FHint->adjustSize();
    const QPoint global = FSite->mapToGlobal(device);
    FHint->move(global.x() - FHint->width() / 2, global.y() - FHint->height());
    const QPoint d = FSite->ToDevice(FDragPos);
    if (slot.x() != 0)
        FLine->setGeometry(d.x(), 0, 1, FSite->height());
    else
        FLine->setGeometry(0, d.y(), FSite->width(), 1);
}

void TLayoutAids::EndGuideDrag(QPoint device, bool exact, bool cancelled)
{
    if (FDragSlot < 0)
        return;
    if (!cancelled) {
        const QPoint slot = FGuide->GetPos(FDragSlot);
        FDragPos = GuideDragPosition(slot, FSite->ToLogical(device), exact);
        FGuide->SetPos(FDragSlot, FDragPos);
        FGuide->SetEnabled(true);
        FGuide->RemoveOutside({0, 0, FSite->LogWidth(), FSite->LogHeight()});
        FGuide->SetVisible(FGuide->Enabled());
        FSite->update();
    }
    FDragSlot = -1;
    qApp->removeEventFilter(this);
    FSite->releaseMouse();
    if (FHint)
        FHint->hide();
    delete FLine;
    FLine = nullptr;
}

void TLayoutAids::ToggleGuides()
{
    const bool enable = !FGuide->Enabled();
    FGuide->SetEnabled(enable);
    FGuide->SetVisible(enable);
    if (enable && FGuide->NoGuides()) {
        FGuide->SetPos(0, QPoint(0, FSite->LogHeight() / 2));
        FGuide->SetPos(1, QPoint(FSite->LogWidth() / 2, 0));
        FGuide->SetVisible(true);
    }
    FSite->update();
}

void TLayoutAids::ToggleGridSnap()
{
    FGrid->SetEnabled(!FGrid->Enabled());
}

void TLayoutAids::UpdateMarkers(QPoint siteDevice)
{
    QPoint l = FSite->ToLogical(siteDevice);
    l.setX(std::clamp(l.x(), 0, FSite->LogWidth()));
    l.setY(std::clamp(l.y(), 0, FSite->LogHeight()));
    const QPoint d = FSite->ToDevice(l);
    FHorizontal->SetMarker(FHorizontal->mapFrom(FSite->window(), FSite->mapTo(FSite->window(), d)).x());
    FVertical->SetMarker(FVertical->mapFrom(FSite->window(), FSite->mapTo(FSite->window(), d)).y());
}

bool TLayoutAids::eventFilter(QObject* watched, QEvent* event)
{
    if (FDragSlot >= 0) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint p = FSite->mapFromGlobal(me->globalPosition().toPoint());
            MoveGuideDrag(p, me->modifiers() & Qt::ShiftModifier);
            UpdateMarkers(p);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            EndGuideDrag(FSite->mapFromGlobal(me->globalPosition().toPoint()),
                         me->modifiers() & Qt::ShiftModifier);
            return true;
        }
        case QEvent::MouseButtonPress:
            return true;
        case QEvent::ApplicationDeactivate:
            EndGuideDrag({}, false, true);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
    if (watched == FSite) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint l = FSite->ToLogical(me->position().toPoint());
            // A press that would start a selection band picks a guide instead.
            if (me->button() == Qt::LeftButton && !FSite->ObjectAt(l)) {
                const int slot = FGuide->GuideAt(l.x(), l.y(), FSite->ToLogical(QPoint(2, 2)).x());
                if (slot >= 0) {
                    BeginGuideDrag(slot);
                    return true;
                }
            }
        } else if (event->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            UpdateMarkers(me->position().toPoint());
            if (me->buttons() == Qt::NoButton) {
                const QPoint l = FSite->ToLogical(me->position().toPoint());
                const int slot = FGuide->GuideAt(l.x(), l.y(), FSite->ToLogical(QPoint(2, 2)).x());
                if (slot >= 0) {
                    FSite->setCursor(FGuide->GetPos(slot).x() != 0 ? Qt::SizeHorCursor : Qt::SizeVerCursor);
                    FGuideCursor = true;
                } else if (FGuideCursor) {
                    FSite->setCursor(Qt::ArrowCursor);
                    FGuideCursor = false;
                }
            }
        } else if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
            UpdateRulers();
        }
    } else if (FScroll && watched == FScroll->viewport() && event->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(event);
        UpdateMarkers(FSite->mapFrom(FScroll->viewport(), me->position().toPoint()));
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------
// Commands

void TLayoutAids::BuildCommands(QWidget* window, QMenuBar* menuBar)
{
    FWindow = window;
    auto add = [&](const QString& name, TDrawSiteActionBase* action) {
        action->setParent(window);
        action->setObjectName(name);
        action->TargetSite = [this] { return FSite; };
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
        FCommands.emplace_back(name, action);
        return action;
    };
    QMenu* edit = menuBar->addMenu(QStringLiteral("編集(&E)"));
    edit->addAction(add(QStringLiteral("Undo"), new TDSAUndo));
    edit->addAction(add(QStringLiteral("Redo"), new TDSARedo));
    edit->addSeparator();
    edit->addAction(add(QStringLiteral("Cut"), new TDSACut));
    edit->addAction(add(QStringLiteral("Copy"), new TDSACopy));
    edit->addAction(add(QStringLiteral("Paste"), new TDSAPaste));
    edit->addAction(add(QStringLiteral("Clear"), new TDSAClear));
    edit->addAction(add(QStringLiteral("SelectAll"), new TDSASelectAll));
    QMenu* object = menuBar->addMenu(QStringLiteral("オブジェクト(&O)"));
    object->addAction(add(QStringLiteral("BringToFront"), new TDSABringToFront));
    object->addAction(add(QStringLiteral("SendToBack"), new TDSASendToBack));
    object->addSeparator();
    object->addAction(add(QStringLiteral("Group"), new TDSAGroup));
    object->addAction(add(QStringLiteral("Ungroup"), new TDSAUngroup));
    object->addSeparator();
    object->addAction(add(QStringLiteral("Lock"), new TDSALock));
    object->addAction(add(QStringLiteral("Unlock"), new TDSAUnlock));
    object->addAction(add(QStringLiteral("DontPrint"), new TDSADontPrint));
    object->addAction(add(QStringLiteral("DoPrint"), new TDSADoPrint));
    object->addAction(add(QStringLiteral("VertText"), new TDSAVertText));
    object->addAction(add(QStringLiteral("HorzText"), new TDSAHorzText));
    QMenu* turn = object->addMenu(QStringLiteral("回転(&R)"));
    turn->addAction(add(QStringLiteral("Rotate90"), new TDSAOffsetAngle(90)));
    turn->addAction(add(QStringLiteral("Rotate180"), new TDSAOffsetAngle(180)));
    turn->addAction(add(QStringLiteral("Rotate270"), new TDSAOffsetAngle(270)));
    object->addSeparator();
    auto* align = new QAction(QStringLiteral("位置揃え(&O)..."), window);
    align->setObjectName(QStringLiteral("Align"));
    connect(align, &QAction::triggered, this, [this] {
        TDOList list;
        FSite->Collect(list, true);
        if (!CanAlign(list))
            return;
        TfrmAlign dialog(FSite->window());
        if (dialog.exec() == QDialog::Accepted)
            AlignObjects(list, dialog.Choice());
        FSite->RefreshPivots();
    });
    object->addAction(align);
    auto* adjust = new QAction(QStringLiteral("位置合わせ(&A)..."), window);
    adjust->setObjectName(QStringLiteral("FaceAdjust"));
    connect(adjust, &QAction::triggered, this, [this] {
        TDOList list;
        FSite->Collect(list, true);
        if (list.Count() == 0)
            return;
        TfrmFaceAdjust dialog(FSite->window());
        if (dialog.exec() == QDialog::Accepted) {
            QPainterPath outline = FaceOutline;
            if (outline.isEmpty())
                outline.addRect(0, 0, FSite->LogWidth(), FSite->LogHeight());
            AdjustToFace(list, dialog.Choice(), outline, FSite->LogWidth(), FSite->LogHeight());
        }
        FSite->RefreshPivots();
    });
    object->addAction(adjust);
    object->addAction(add(QStringLiteral("Property"), new TDSAEditProperty));

    QMenu* view = menuBar->addMenu(QStringLiteral("表示(&V)"));
    auto* guides = view->addAction(QStringLiteral("ガイドバーに吸着(&B)"));
    guides->setObjectName(QStringLiteral("GuideSnap"));
    guides->setCheckable(true);
    connect(guides, &QAction::triggered, this, [this] { ToggleGuides(); });
    auto* gridSnap = view->addAction(QStringLiteral("グリッドに吸着(&R)"));
    gridSnap->setObjectName(QStringLiteral("GridSnap"));
    gridSnap->setCheckable(true);
    connect(gridSnap, &QAction::triggered, this, [this] { ToggleGridSnap(); });
    auto* gridSettings = view->addAction(QStringLiteral("グリッド設定(&G)..."));
    gridSettings->setObjectName(QStringLiteral("GridSettings"));
    connect(gridSettings, &QAction::triggered, this, [this] {
        TfrmGridSettings dialog(*FGrid, FSite->window());
        if (dialog.exec() == QDialog::Accepted)
            FSite->update();
    });
    connect(view, &QMenu::aboutToShow, this, [this, guides, gridSnap] {
        guides->setChecked(FGuide->Enabled());
        gridSnap->setChecked(FGrid->Enabled());
    });
    // Menus show what is possible now; short-cut keys find out when they run (a
    // command that cannot run does nothing), so between menus every command stays
    // enabled.
    for (QMenu* menu : {edit, object}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
        connect(menu, &QMenu::aboutToHide, this, [this] {
            for (const auto& [name, action] : FCommands)
                action->setEnabled(true);
        });
    }
    connect(object, &QMenu::aboutToShow, this, [this, align] {
        TDOList list;
        FSite->Collect(list, true);
        align->setEnabled(CanAlign(list));
    });
}

TDrawSiteActionBase* TLayoutAids::Command(const QString& name) const
{
    for (const auto& [n, action] : FCommands)
        if (n == name)
            return action;
    return nullptr;
}

void TLayoutAids::UpdateCommands()
{
    for (const auto& [name, action] : FCommands) {
        // The clipboard is asked when the menu opens; a failure only disables.
        try {
            action->UpdateAction();
        } catch (const std::exception&) {
            action->setEnabled(false);
        }
    }
}

} // namespace velmo
