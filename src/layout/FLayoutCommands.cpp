// The layout view's commands: the actions, the menus and the menu bar, insertion,
// backgrounds, the document's creator and product items, the command states and the
// idle processing with the status panels.
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

void TfrmLayout::BuildCommands()
{
    // The draw-site commands of the aids, in a menu bar of their own that is never
    // shown; the view's menus take the actions from there.
    auto* spare = new QMenuBar(this);
    spare->hide();
    spare->setObjectName(QStringLiteral("mbAidsCommands"));
    FAids->BuildCommands(this, spare);
    if (QAction* redo = FAids->Command(QStringLiteral("Redo")))
        redo->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    auto caption = [this](const char* name, const char* text) {
        if (QAction* a = FAids->Command(QString::fromLatin1(name)))
            a->setText(QString::fromUtf8(text));
    };
    caption("Rotate90", "右に90ﾟ(&I)");
    caption("Rotate270", "左に90ﾟ(&E)");
    caption("Rotate180", "180ﾟ(&O)");
    caption("Cut", "切り取り(&T)");
    caption("Copy", "コピー(&C)");
    caption("Paste", "貼り付け(&P)");
    caption("Clear", "クリア(&D)");
    // While one of the view's boxes (font name and size, the panels' numbers) has
    // the keyboard, the text commands of the edit menu act on that box.
    for (const char* name : {"Undo", "Redo", "Cut", "Copy", "Paste", "Clear"})
        if (TDrawSiteActionBase* a = FAids->Command(QString::fromLatin1(name))) {
            const QString command = QString::fromLatin1(name);
            a->UpdateForTextBox = [this, command](TDrawSiteActionBase& action) {
                QLineEdit* box = FocusedTextBox();
                if (!box)
                    return false;
                UpdateTextBoxCommand(action, command, *box);
                return true;
            };
            a->ExecuteOnTextBox = [this, command](TDrawSiteActionBase&) {
                QLineEdit* box = FocusedTextBox();
                if (!box)
                    return false;
                RunTextBoxCommand(command, *box);
                return true;
            };
        }

    FToolGroup = new QActionGroup(this);
    FToolGroup->setExclusive(true);
    FSelectTool = new QAction(QStringLiteral("選択"), this);
    FSelectTool->setObjectName(QStringLiteral("actSelect"));
    FSelectTool->setToolTip(QStringLiteral("オブジェクトを選択できる通常のモードにします"));
    FSelectTool->setCheckable(true);
    FSelectTool->setChecked(true);
    FToolGroup->addAction(FSelectTool);
    connect(FSelectTool, &QAction::triggered, this, [this] { PressSelectTool(); });

    for (const TInsertInfo& info : kInserts) {
        auto* a = new QAction(QString::fromUtf8(info.Caption), this);
        a->setObjectName(QString::fromLatin1(info.Name));
        if (*info.Hint)
            a->setStatusTip(QString::fromUtf8(info.Hint));
        const QString kind = QString::fromLatin1(info.Kind);
        const bool merge = info.Merge;
        connect(a, &QAction::triggered, this, [this, kind, merge] { InsertCommand(kind, merge); });
        addAction(a);
        FInsertActions.emplace_back(kind, a);
    }
    auto* back = new QAction(QStringLiteral("背景柄(&B)..."), this);
    back->setObjectName(QStringLiteral("actBackground"));
    back->setStatusTip(QStringLiteral("背景柄を選択します"));
    connect(back, &QAction::triggered, this, [this] { BackgroundCommand(); });
    addAction(back);
    FInsertActions.emplace_back(QStringLiteral("TLOBackImage"), back);

    auto* creator = new QAction(QStringLiteral("クリエーター情報の編集(&C)..."), this);
    creator->setObjectName(QStringLiteral("actCreatorInfo"));
    connect(creator, &QAction::triggered, this, [this] { EditCreatorInfo(); });
    addAction(creator);
    auto* product = new QAction(QStringLiteral("プロダクト情報の編集(&P)..."), this);
    product->setObjectName(QStringLiteral("actProductInfo"));
    connect(product, &QAction::triggered, this, [this] { EditProductInfo(); });
    addAction(product);

    // Zoom.
    FZoomGroup = new QActionGroup(this);
    FZoomGroup->setExclusive(true);
    for (int step : ZoomSteps()) {
        auto* a = new QAction(QStringLiteral("%1%").arg(step), this);
        a->setObjectName(QStringLiteral("actZoom%1").arg(step));
        a->setCheckable(true);
        FZoomGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, step] { SetZoom(step); });
    }
    FZoomAuto = new QAction(QStringLiteral("自動(&A)"), this);
    FZoomAuto->setObjectName(QStringLiteral("actZoomAuto"));
    FZoomAuto->setCheckable(true);
    FZoomGroup->addAction(FZoomAuto);
    connect(FZoomAuto, &QAction::triggered, this, [this] { SetZoom(0); });
    auto* zoomIn = new QAction(QStringLiteral("拡大"), this);
    zoomIn->setObjectName(QStringLiteral("actZoomIn"));
    zoomIn->setToolTip(QStringLiteral("ラベルを拡大表示します"));
    connect(zoomIn, &QAction::triggered, this, [this] { ZoomIn(); });
    auto* zoomOut = new QAction(QStringLiteral("縮小"), this);
    zoomOut->setObjectName(QStringLiteral("actZoomOut"));
    zoomOut->setToolTip(QStringLiteral("ラベルを縮小表示します"));
    connect(zoomOut, &QAction::triggered, this, [this] { ZoomOut(); });
    addAction(zoomIn);
    addAction(zoomOut);

    // The object menu.
    FObjectMenu = new QMenu(this);
    FObjectMenu->setObjectName(QStringLiteral("pmObject"));
    auto cmd = [this](const char* name) { return FAids->Command(QString::fromLatin1(name)); };
    FObjectMenu->addAction(cmd("Cut"));
    FObjectMenu->addAction(cmd("Copy"));
    FObjectMenu->addAction(cmd("Paste"));
    FObjectMenu->addAction(cmd("Clear"));
    FObjectMenu->addSeparator();
    if (QAction* adjust = findChild<QAction*>(QStringLiteral("FaceAdjust")))
        FObjectMenu->addAction(adjust);
    QMenu* turn = FObjectMenu->addMenu(QStringLiteral("回転(&T)"));
    turn->addAction(cmd("Rotate90"));
    turn->addAction(cmd("Rotate270"));
    turn->addAction(cmd("Rotate180"));
    FObjectMenu->addSeparator();
    FObjectMenu->addAction(cmd("BringToFront"));
    FObjectMenu->addAction(cmd("SendToBack"));
    FObjectMenu->addSeparator();
    auto* property = new QAction(QStringLiteral("プロパティ(&O)"), this);
    property->setObjectName(QStringLiteral("actProperty"));
    connect(property, &QAction::triggered, this, [this] {
        TDOList list;
        FSite->Collect(list, true);
        int labels = 0;
        for (TDrawObject* o : list.Objects())
            if (dynamic_cast<TLabelObject*>(o))
                ++labels;
        if (list.Count() == 1 && labels == 1) {
            if (TDrawSiteActionBase* p = FAids->Command(QStringLiteral("Property")))
                p->ExecuteAction();
        } else {
            BackgroundCommand();
        }
    });
    FObjectMenu->addAction(property);
    connect(FObjectMenu, &QMenu::aboutToShow, this, [this] {
        UpdateCommandStates();
        FAids->UpdateCommands();
    });
    connect(FObjectMenu, &QMenu::aboutToHide, this, [this] {
        if (QAction* paste = FAids->Command(QStringLiteral("Paste")))
            paste->setEnabled(true);
    });
}

void TfrmLayout::BuildMenus()
{
    auto cmd = [this](const char* name) -> QAction* { return FAids->Command(QString::fromLatin1(name)); };
    auto act = [this](const char* name) -> QAction* { return Action(QString::fromLatin1(name)); };
    QMenu* edit = new QMenu(QStringLiteral("編集(&E)"), this);
    edit->setObjectName(QStringLiteral("mnEdit"));
    edit->addAction(cmd("Undo"));
    edit->addAction(cmd("Redo"));
    edit->addSeparator();
    edit->addAction(cmd("Cut"));
    edit->addAction(cmd("Copy"));
    edit->addAction(cmd("Paste"));
    edit->addSeparator();
    edit->addAction(cmd("Clear"));
    edit->addSeparator();
    edit->addAction(cmd("SelectAll"));

    QMenu* text = new QMenu(QStringLiteral("文字(&S)"), this);
    text->setObjectName(QStringLiteral("mnText"));
    text->addAction(act("actText"));
    text->addAction(act("actDate"));
    text->addAction(act("actNumbering"));
    text->addAction(act("actDecoString"));
    // Barcodes, decorative strings and lines and the merge kinds are listed too:
    // without an entry a user could not place them at all (the merge commands
    // themselves ask for merge data when none is linked).
    text->addSeparator();
    text->addAction(act("actBarCode"));
    text->addSeparator();
    text->addAction(act("actInsText"));
    text->addAction(act("actInsBarCode"));
    text->addSeparator();
    text->addAction(cmd("HorzText"));
    text->addAction(cmd("VertText"));

    QMenu* shape = new QMenu(QStringLiteral("図形(&R)"), this);
    shape->setObjectName(QStringLiteral("mnShape"));
    shape->addAction(act("actLine"));
    shape->addAction(act("actCurve"));
    shape->addAction(act("actDecoLine"));
    shape->addSeparator();
    shape->addAction(act("actRect"));
    shape->addAction(act("actCircle"));

    QMenu* image = new QMenu(QStringLiteral("画像(&I)"), this);
    image->setObjectName(QStringLiteral("mnImage"));
    image->addAction(act("actOnePoint"));
    image->addAction(act("actImageFile"));
    image->addAction(act("actTwain"));
    image->addAction(act("actInsImage"));
    image->addSeparator();
    image->addAction(act("actBackground"));

    QMenu* position = new QMenu(QStringLiteral("位置(&L)"), this);
    position->setObjectName(QStringLiteral("mnPosition"));
    QAction* adjust = findChild<QAction*>(QStringLiteral("FaceAdjust"));
    QAction* align = findChild<QAction*>(QStringLiteral("Align"));
    position->addAction(adjust);
    position->addAction(align);
    position->addSeparator();
    position->addAction(cmd("Group"));
    position->addAction(cmd("Ungroup"));
    position->addSeparator();
    QMenu* turn = position->addMenu(QStringLiteral("回転(&T)"));
    turn->addAction(cmd("Rotate90"));
    turn->addAction(cmd("Rotate270"));
    turn->addAction(cmd("Rotate180"));
    position->addSeparator();
    position->addAction(cmd("BringToFront"));
    position->addAction(cmd("SendToBack"));

    QMenu* settings = new QMenu(QStringLiteral("設定(&D)"), this);
    settings->setObjectName(QStringLiteral("mnSettings"));
    QAction* guideSnap = findChild<QAction*>(QStringLiteral("GuideSnap"));
    settings->addAction(guideSnap);
    settings->addSeparator();
    QMenu* lock = settings->addMenu(QStringLiteral("オブジェクト固定(&L)"));
    lock->addAction(cmd("Lock"));
    lock->addAction(cmd("Unlock"));
    QMenu* print = settings->addMenu(QStringLiteral("オブジェクト印刷禁止(&P)"));
    print->addAction(cmd("DontPrint"));
    print->addAction(cmd("DoPrint"));
    // Not shown, but reachable by their names and keys: the grid settings and the
    // step angles of circumference moves.
    for (const char* hidden : {"GridSettings", "GridSnap"})
        if (QAction* a = findChild<QAction*>(QString::fromLatin1(hidden)))
            addAction(a);
    const std::pair<const char*, int> stepAngles[] = {
        {"60ステップ(6度)", 6}, {"12ステップ(30度)", 30}, {"8ステップ(45度)", 45}};
    auto* stepGroup = new QActionGroup(this);
    for (const auto& [caption, angle] : stepAngles) {
        auto* a = new QAction(QString::fromUtf8(caption), stepGroup);
        a->setObjectName(QStringLiteral("actStep%1").arg(angle));
        a->setCheckable(true);
        const int value = angle;
        connect(a, &QAction::triggered, this, [value] {
            TMoveModes::Current().StepAngle = value;
            TMoveModes::Current().StepMove = true;
        });
        addAction(a);
    }

    QMenu* view = new QMenu(QStringLiteral("表示(&V)"), this);
    view->setObjectName(QStringLiteral("mnView"));
    for (int step : ZoomSteps())
        view->addAction(Action(QStringLiteral("actZoom%1").arg(step)));
    view->addSeparator();
    view->addAction(FZoomAuto);
    view->addSeparator();
    view->setProperty("velmoViewCommandsAt", view->actions().size());

    FMenus = {edit, text, shape, image, position, settings, view};
    for (QMenu* m : FMenus)
        connect(m, &QMenu::aboutToShow, this, [this] {
            UpdateCommandStates();
            FAids->UpdateCommands();
        });
    // Between menus paste stays enabled so that its key finds out for itself.
    for (QMenu* m : FMenus)
        connect(m, &QMenu::aboutToHide, this, [this] {
            if (QAction* paste = FAids->Command(QStringLiteral("Paste")))
                paste->setEnabled(true);
        });
    connect(position, &QMenu::aboutToShow, this, [this, align, adjust] {
        TDOList list;
        FSite->Collect(list, true);
        if (align)
            align->setEnabled(CanAlign(list));
        if (adjust)
            adjust->setEnabled(list.Count() > 0);
    });
    connect(settings, &QMenu::aboutToShow, this, [this, guideSnap] {
        if (guideSnap && FDocument)
            guideSnap->setChecked(FDocument->Guide()->Enabled());
    });

    // The move-mode pop-up shows the modifier keys of each switch.
    auto* axis = FMoveModeMenu->addAction(QStringLiteral("水平・垂直方向のみ\tShift"));
    axis->setObjectName(QStringLiteral("miAxisLock"));
    auto* stepMove = FMoveModeMenu->addAction(QStringLiteral("ステップ単位で移動\tShift"));
    stepMove->setObjectName(QStringLiteral("miStepMove"));
    auto* circ = FMoveModeMenu->addAction(QStringLiteral("円周・直径上"));
    circ->setObjectName(QStringLiteral("miCircumference"));
    auto* free = FMoveModeMenu->addAction(QStringLiteral("自由移動"));
    free->setObjectName(QStringLiteral("miFreeMove"));
    RebuildMenuBar();
    UpdateCommandStates();
}

QLineEdit* TfrmLayout::FocusedTextBox() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != window() || !isAncestorOf(focus))
        return nullptr;
    if (auto* combo = qobject_cast<QComboBox*>(focus))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus))
        return spin->findChild<QLineEdit*>();
    return qobject_cast<QLineEdit*>(focus);
}

void TfrmLayout::UpdateTextBoxCommand(QAction& action, const QString& command, const QLineEdit& box)
{
    const bool editable = !box.isReadOnly();
    const bool selection = box.hasSelectedText();
    if (command == u"Undo") {
        action.setText(QStringLiteral("取り消し(&U)"));
        action.setEnabled(editable && box.isUndoAvailable());
    } else if (command == u"Redo") {
        action.setText(QStringLiteral("やり直し(&R)"));
        action.setEnabled(false);
    } else if (command == u"Cut" || command == u"Clear") {
        action.setEnabled(editable && selection);
    } else if (command == u"Copy") {
        action.setEnabled(selection && box.echoMode() == QLineEdit::Normal);
    } else if (command == u"Paste") {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        action.setEnabled(editable && data && data->hasText());
    }
}

void TfrmLayout::RunTextBoxCommand(const QString& command, QLineEdit& box)
{
    if (command == u"Undo")
        box.undo();
    else if (command == u"Cut")
        box.cut();
    else if (command == u"Copy")
        box.copy();
    else if (command == u"Paste")
        box.paste();
    else if (command == u"Clear")
        box.del();
}

// ---------------------------------------------------------------------------------
// Commands

TDrawObject* TfrmLayout::TopSelected() const
{
    for (int i = FSite->ObjectCount() - 1; i >= 0; --i)
        if (FSite->Objects(i)->Selected())
            return FSite->Objects(i);
    return nullptr;
}

bool TfrmLayout::Insert(const QString& kind)
{
    if (!FDocument || FSite->LogWidth() <= 0 || !CanInsert(kind))
        return false;
    for (const auto& [k, action] : FInsertActions)
        if (k == kind) {
            action->setEnabled(true);
            action->trigger();
            return true;
        }
    return false;
}

void TfrmLayout::InsertCommand(const QString& kind, bool merge)
{
    if (!FDocument || !CanInsert(kind) || FSite->LogWidth() <= 0)
        return;
    EndKeyMoveRun();
    if (merge && FDocument->CSVFile().isEmpty()) {
        const bool chosen = ChooseMergeDataForDocument();
        if (!chosen || FDocument->CSVFile().isEmpty()) {
            PressSelectTool();
            return;
        }
    }
    FSite->setFocus();
    if (kind == QLatin1String("TLOBarCode")) {
        InsertBarCode(FSite);
    } else {
        TDesignerList::Instance().CreateObject(FSite, kind);
    }
    // A kind made at once leaves nothing pending: the select tool comes back.
    ScheduleIdle();
}

void TfrmLayout::BackgroundCommand()
{
    if (!FDocument || FSite->LogWidth() <= 0)
        return;
    EndKeyMoveRun();
    TLOBackImage* existing = nullptr;
    for (int i = 0; i < FSite->ObjectCount() && !existing; ++i)
        if (FSite->Objects(i)->LayerGroup() != kBackgroundLayerGroup)
            existing = dynamic_cast<TLOBackImage*>(FSite->Objects(i));
    if (existing) {
        TGhostList::Instance().Cancel();
        TActionGroupScope group(QStringLiteral("背景変更"));
        auto action = std::make_unique<TDOChangeAction>(existing, QStringLiteral("背景変更"));
        existing->Edit();
        existing->SetFaceInfo(*FFaceInfo);
        existing->FitToFace({0, 0, FSite->LogWidth(), FSite->LogHeight()});
        TDOChangeAction::Commit(std::move(action));
        FSite->update();
    } else if (CanInsert(QStringLiteral("TLOBackImage"))) {
        FSite->setFocus();
        TDesignerList::Instance().CreateObject(FSite, QStringLiteral("TLOBackImage"));
    }
    ScheduleIdle();
}

void TfrmLayout::EditCreatorInfo()
{
    if (!FDocument || !OnEditCreatorInfo)
        return;
    if (!OnEditCreatorInfo(*FDocument))
        return;
    TDOList all;
    FSite->Collect(all, false);
    UpdateFieldTexts(all, {TFieldType::ftCreatorJapanese, TFieldType::ftCreatorEnglish},
                     DocumentFieldLines(*FDocument));
    FSite->SetModified(true);
    FSite->update();
    if (OnDocumentChanged)
        OnDocumentChanged();
}

void TfrmLayout::EditProductInfo()
{
    if (!FDocument || !OnEditProductInfo)
        return;
    const int answer = OnEditProductInfo(*FDocument);
    if (answer != 6)
        return;
    TDOList all;
    FSite->Collect(all, false);
    UpdateFieldTexts(all, {TFieldType::ftProduct}, DocumentFieldLines(*FDocument));
    FSite->SetModified(true);
    FSite->update();
    if (OnDocumentChanged)
        OnDocumentChanged();
}

void TfrmLayout::PressSelectTool()
{
    TGhostList::Instance().Cancel();
    FSelectTool->setChecked(true);
    FSite->setCursor(Qt::ArrowCursor);
}

void TfrmLayout::UpdateCommandStates()
{
    // Skipped while a modal window is up: its own commands are what count.
    if (QApplication::activeModalWidget())
        return;
    for (const auto& [kind, action] : FInsertActions)
        action->setEnabled(FDocument && FSite->LogWidth() > 0 && CanInsert(kind));
    if (QAction* c = Action(QStringLiteral("actCreatorInfo")))
        c->setEnabled(FDocument && OnEditCreatorInfo);
    if (QAction* p = Action(QStringLiteral("actProductInfo")))
        p->setEnabled(FDocument && OnEditProductInfo);
    // Every command but paste: asking the clipboard means a round trip to whichever
    // program owns it, which idle moments must not wait for; paste finds out when it
    // runs and when its menu opens.
    for (const char* name :
         {"Undo",       "Redo",     "Cut",      "Copy",      "Clear",     "SelectAll", "BringToFront",
          "SendToBack", "Group",    "Ungroup",  "Lock",      "Unlock",    "DontPrint", "DoPrint",
          "VertText",   "HorzText", "Rotate90", "Rotate180", "Rotate270", "Property"})
        if (TDrawSiteActionBase* action = FAids->Command(QString::fromLatin1(name))) {
            try {
                action->UpdateAction();
            } catch (const std::exception&) {
                action->setEnabled(false);
            }
        }
    const int scale = Scale();
    if (QAction* in = Action(QStringLiteral("actZoomIn")))
        in->setEnabled(NextZoomStep(scale, true) > 0);
    if (QAction* out = Action(QStringLiteral("actZoomOut")))
        out->setEnabled(NextZoomStep(scale, false) > 0);
    // The hidden move-mode panel follows the switches.
    const TMoveModes& m = TMoveModes::Current();
    const bool gridOn = FDocument && FDocument->Grid()->Enabled();
    const int mode = m.Circumference ? 2 : (gridOn ? 1 : 0);
    if (auto* b = FMoveModePanel->findChild<QRadioButton*>(QStringLiteral("rbMode%1").arg(mode)))
        b->setChecked(true);
    if (auto* pages = FMoveModePanel->findChild<QStackedWidget*>())
        pages->setCurrentIndex(mode);
    auto check = [this](const char* name, bool on) {
        if (auto* c = FMoveModePanel->findChild<QCheckBox*>(QString::fromLatin1(name));
            c && c->isChecked() != on) {
            QSignalBlocker block(c);
            c->setChecked(on);
        }
    };
    check("cbAxisLock", m.AxisLock);
    check("cbRotateFree", m.RotateWithFreeMove);
    check("cbRotateMove", m.RotateWithMove);
    check("cbStepMove", m.StepMove);
    if (auto* steps = FMoveModePanel->findChild<QComboBox*>(QStringLiteral("cbSteps"))) {
        QSignalBlocker block(steps);
        steps->setCurrentIndex(!m.StepMove ? 0 : m.StepAngle == 6 ? 1 : m.StepAngle == 45 ? 3 : 2);
    }
    if (FDocument) {
        if (auto* size = FMoveModePanel->findChild<QDoubleSpinBox*>(QStringLiteral("edGridSize"))) {
            QSignalBlocker block(size);
            size->setValue(FDocument->Grid()->Size() / 10.0);
        }
        check("cbGridDots", !FDocument->Grid()->LineShape());
    }
    const QList<QAction*> popup = FMoveModeMenu->actions();
    if (popup.size() == 4) {
        popup[2]->setText(m.Circumference ? QStringLiteral("円周・直径上")
                                          : QStringLiteral("円周・直径上\tAlt"));
        popup[3]->setText(m.Circumference ? QStringLiteral("自由移動\tAlt") : QStringLiteral("自由移動"));
    }
}

// ---------------------------------------------------------------------------------
// Idle processing and status

void TfrmLayout::ScheduleIdle()
{
    if (FIdleScheduled)
        return;
    FIdleScheduled = true;
    QTimer::singleShot(0, this, [this] {
        FIdleScheduled = false;
        IdleUpdate();
    });
}

void TfrmLayout::IdleUpdate()
{
    if (FSite->PivotsDirty())
        FSite->RefreshPivots();
    UpdateStatus();
    const bool ghost = TGhostList::Instance().Count() > 0;
    if (TopSelected())
        SyncFromSelection();
    else if (FWasGhost && !ghost)
        SetToolState(FDefaultStyle);
    FWasGhost = ghost;
    if (!ghost) {
        if (!FSelectTool->isChecked())
            FSelectTool->setChecked(true);
        if (FSite->cursor().shape() == Qt::CrossCursor)
            FSite->setCursor(Qt::ArrowCursor);
    }
    UpdateCommandStates();
}

void TfrmLayout::UpdateStatus()
{
    if (FPanels.size() != 5)
        return;
    const QPoint device = FSite->mapFromGlobal(QCursor::pos());
    const QPoint logical = FSite->ToLogical(device);
    FPanels[0]->setText(
        QStringLiteral("ﾏｳｽ(%1,%2)").arg(MillimetreText(logical.x()), MillimetreText(logical.y())));
    TDrawObject* top = TopSelected();
    QString position;
    QString fixed;
    QString print;
    if (top) {
        if (IDOBaseRect* b = Supports<IDOBaseRect>(top)) {
            const TLogRect r = b->GetBaseRect();
            position = QStringLiteral("位置(%1,%2),ｻｲｽﾞ(%3,%4)")
                           .arg(MillimetreText(r.Left), MillimetreText(r.Top), MillimetreText(r.Width()),
                                MillimetreText(r.Height()));
        }
        if (auto* label = dynamic_cast<TLabelObject*>(top)) {
            if (!label->Movable())
                fixed = QStringLiteral("固定");
            if (label->DontPrint())
                print = QStringLiteral("印刷しない");
        }
    }
    FPanels[1]->setText(position);
    FPanels[2]->setText(fixed);
    FPanels[3]->setText(print);
    FPanels[4]->setText(QStringLiteral("%1%").arg(Scale()));
}

} // namespace velmo
