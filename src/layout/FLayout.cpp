#include "layout/FLayout.h"
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
#include "layout/FLayoutParts.h"
#include "merge/FCsvBrowser.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
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

const std::vector<int>& TfrmLayout::ZoomSteps()
{
    static const std::vector<int> steps{25, 50, 75, 100, 150, 200, 400};
    return steps;
}

int TfrmLayout::RememberedZoom()
{
    return LastZoom();
}

void TfrmLayout::ResetRememberedZoom()
{
    LastZoom() = 0;
}

void TfrmLayout::SetSettingsStore(TLayoutSettingsStore store)
{
    Store() = std::move(store);
}

int TfrmLayout::NextZoomStep(int scale, bool up)
{
    const std::vector<int>& steps = ZoomSteps();
    if (up) {
        for (int step : steps)
            if (step > scale)
                return step;
    } else {
        for (auto it = steps.rbegin(); it != steps.rend(); ++it)
            if (*it < scale)
                return *it;
    }
    return 0;
}

bool TfrmLayout::CanInsert(const QString& kind)
{
    if (kind == QLatin1String("TLOBackImage"))
        return FindLabelClassByName(u"TLOBackImage") != nullptr;
    const QString cls = TLOCreator::ClassForKind(kind);
    if (cls.isEmpty() || !FindLabelClassByName(cls))
        return false;
    // Illustrations and scans are image objects too; what makes them is the picture
    // browser or the scanner, which come with the preparation of their kind.
    if (kind == QLatin1String("TLOOnePoint") || kind == QLatin1String("TLOTwain"))
        return TLOCreator::HasPreparation(kind);
    return true;
}

TfrmLayout::TfrmLayout(QWidget* parent)
    : QWidget(parent), FOwnMergeData(std::make_unique<TCsvDB>()),
      FOwnMergeSession(std::make_unique<TMergeSession>(*FOwnMergeData)),
      FMergeSession(FOwnMergeSession.get()),
      FMergeDesigner(std::make_shared<TMergeDesigner>(*FOwnMergeSession)),
      FFaceInfo(std::make_unique<TFaceInfo>())
{
    setObjectName(QStringLiteral("frmLayout"));
    FMergeDesigner->SetDataChooser([this](QWidget*) { return ChooseMergeDataForDocument(); });
    if (!FMessages.YesNo)
        FMessages = TSheetMessages::Standard(this);
    // Every edit in this view goes into a history of its own.
    TActionList::Instance().Clear();
    TActionList::Instance().SetRepeatAllowed(false);
    BuildWidgets();
    BuildCommands();
    BuildStyleBar();
    BuildMenus();
    ReadDefaultStyle();
    SetToolState(FDefaultStyle);
    TfrmColorGrid::Instance(); // made before it is first needed, so it opens at once
    FZoom = LastZoom();
    if (FZoom > 0) {
        FSite->Scaler()->SetScale(FZoom);
        if (QAction* a = Action(QStringLiteral("actZoom%1").arg(FZoom)))
            a->setChecked(true);
        else
            FZoom = 0;
    }
    if (FZoom == 0)
        FZoomAuto->setChecked(true);
    qApp->installEventFilter(this);
    Activate();
}

TfrmLayout::~TfrmLayout()
{
    qApp->removeEventFilter(this);
    TGhostList::Instance().Cancel();
    if (FAids && FAids->GuideDragging())
        FAids->EndGuideDrag({}, false, true);
    Deactivate();
    TDesignerList::Instance().Unregister(FMergeDesigner.get());
    LastZoom() = FZoomAuto->isChecked() ? 0 : FSite->Scaler()->Scale();
    WriteDefaultStyle();
    TfrmColorGrid& grid = TfrmColorGrid::Instance();
    grid.OnChosen = nullptr;
    grid.OnCancel = nullptr;
    // The history refers to this view's objects.
    TActionList::Instance().Clear();
    if (FStatusBar)
        for (QLabel* panel : FPanels)
            FStatusBar->removeWidget(panel);
    qDeleteAll(FPanels);
    FPanels.clear();
    ClearSite(*FSite);
    // The aids reach into the site when they go; the site is a child made before
    // them and would otherwise be gone first.
    delete FAids;
    FAids = nullptr;
}

void TfrmLayout::Activate()
{
    FActive = true;
    if (FAids)
        FAids->Activate();
    TLOCreator::SetCreationHook([this](TLabelObject* object) { PrepareNewObject(object); });
    // The merge and numbering dialogs of this view's objects: its session's merge
    // data and label.
    RegisterMergeDesigner(FMergeDesigner);
}

void TfrmLayout::Deactivate()
{
    if (!FActive)
        return;
    FActive = false;
    SetSnapPoint(nullptr);
    TLOCreator::SetCreationHook(nullptr);
}

// ---------------------------------------------------------------------------------
// Building

void TfrmLayout::BuildWidgets()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    FMenuBar = new QMenuBar(this);
    FMenuBar->setNativeMenuBar(false);
    outer->addWidget(FMenuBar);
    FCommandBar = new QToolBar(QStringLiteral("コマンド"), this);
    FCommandBar->setObjectName(QStringLiteral("tbCommand"));
    FCommandBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    FCommandBar->setIconSize(QSize(24, 24));
    outer->addWidget(FCommandBar);
    FStyleBar = new QToolBar(QStringLiteral("スタイル"), this);
    FStyleBar->setObjectName(QStringLiteral("tbStyle"));
    FStyleBar->setIconSize(QSize(16, 16));
    outer->addWidget(FStyleBar);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    outer->addLayout(body, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    FTabs = new QTabBar(this);
    FTabs->setObjectName(QStringLiteral("tabSheets"));
    FTabs->setShape(QTabBar::RoundedNorth);
    FTabs->setExpanding(false);
    FTabs->setDrawBase(true);
    connect(FTabs, &QTabBar::currentChanged, this, [this](int index) {
        if (!FUpdatingTabs && index >= 0)
            ChangeSheet(index);
    });
    left->addWidget(FTabs);

    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("sbLabel"));
    FScroll->setBackgroundRole(QPalette::Base);
    FScroll->setFocusPolicy(Qt::StrongFocus);
    FScroll->setWidgetResizable(false);
    auto* holder = new TLabelHolder;
    holder->setObjectName(QStringLiteral("pnlLabelBack"));
    holder->setMouseTracking(true);
    FHolder = holder;
    FSite = new TDrawSite(nullptr, FHolder);
    FSite->setObjectName(QStringLiteral("siteLabel"));
    FSite->Scaler()->SetUnitDPI(254);
    FSite->SetColor(clWhite);
    FSite->SetBorder(false);
    FSite->setFocusPolicy(Qt::StrongFocus);
    holder->Label = FSite;
    FScroll->setWidget(FHolder);
    FHolder->installEventFilter(this);
    FScroll->viewport()->installEventFilter(this);
    FSite->installEventFilter(this);

    // The guides and grid are the document's; until a document comes the aids
    // work on a pair of their own.
    static TGuide spareGuide;
    static TGrid spareGrid;
    FAids = new TLayoutAids(FSite, FScroll, spareGuide, spareGrid, this);
    FAids->ShowMessage = [this](const QString& m) {
        if (FMessages.Notice)
            FMessages.Notice(m);
    };
    FSite->OnPaintAfter = [this](TDrawSite*, QPainter& painter) { PaintOverlay(painter); };
    FSite->OnScalerChanged = [this](TDrawSite*) {
        PlaceSite();
        FHolder->update();
    };
    auto* corner = new QWidget(this);
    corner->setFixedSize(24, 24);
    grid->addWidget(corner, 0, 0);
    grid->addWidget(FAids->HorizontalRuler(), 0, 1);
    grid->addWidget(FAids->VerticalRuler(), 1, 0);
    grid->addWidget(FScroll, 1, 1);
    left->addLayout(grid, 1);
    body->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(4, 4, 4, 4);
    auto* overviewFrame = new QWidget(this);
    overviewFrame->setObjectName(QStringLiteral("pnlSheet"));
    overviewFrame->setFixedSize(180, 240);
    overviewFrame->setAutoFillBackground(true);
    QPalette pal = overviewFrame->palette();
    pal.setColor(QPalette::Window, Qt::white);
    overviewFrame->setPalette(pal);
    FOverview = new TPaperSite(nullptr, overviewFrame);
    FOverview->setObjectName(QStringLiteral("siteSheet"));
    FOverview->SetMultiSelect(false);
    FOverview->SetDrawInfo(false);
    FOverview->SetFaceColor(clSilver);
    FOverview->SetColor(clWhite);
    FOverview->Scaler()->SetScale(25);
    FOverview->OnFaceClick = [this](TPaperSite* sender) {
        const int k = sender->ChosenIndex();
        if (FDocument && FDocument->SeparatelyDesign() && k >= 0)
            ChoosePosition(k);
    };
    FOverview->installEventFilter(this);
    right->addWidget(overviewFrame);
    FSheetButton = new QPushButton(QStringLiteral("シート全体画面"), this);
    FSheetButton->setObjectName(QStringLiteral("btnSheetView"));
    FSheetButton->setToolTip(QStringLiteral("シート表示画面に切替えます"));
    connect(FSheetButton, &QPushButton::clicked, this, [this] {
        if (OnSheetView)
            OnSheetView();
        else if (FMain.SheetView)
            FMain.SheetView->trigger();
    });
    right->addWidget(FSheetButton);
    right->addStretch(1);
    body->addLayout(right);

    // The move-mode panel is never shown: the modes keep their start-up defaults and
    // the modifier keys vary them per drag. It is kept consistent with the switches
    // so that whoever shows it sees the truth.
    FMoveModePanel = new QWidget(this);
    FMoveModePanel->setObjectName(QStringLiteral("pnlMoveMode"));
    FMoveModePanel->hide();
    auto* modeLayout = new QVBoxLayout(FMoveModePanel);
    auto* modes = new QButtonGroup(FMoveModePanel);
    auto* pages = new QStackedWidget(FMoveModePanel);
    const char* modeNames[] = {"通常", "グリッド", "円周"};
    auto* modeRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(modeNames[i]), FMoveModePanel);
        b->setObjectName(QStringLiteral("rbMode%1").arg(i));
        modes->addButton(b, i);
        modeRow->addWidget(b);
    }
    modeLayout->addLayout(modeRow);
    modeLayout->addWidget(pages);
    // free
    auto* freePage = new QWidget;
    auto* freeLayout = new QVBoxLayout(freePage);
    auto* axis = new QCheckBox(QStringLiteral("水平・垂直移動"), freePage);
    axis->setObjectName(QStringLiteral("cbAxisLock"));
    auto* rotFree = new QCheckBox(QStringLiteral("オブジェクトの回転"), freePage);
    rotFree->setObjectName(QStringLiteral("cbRotateFree"));
    freeLayout->addWidget(axis);
    freeLayout->addWidget(rotFree);
    // grid
    auto* gridPage = new QWidget;
    auto* gridLayout = new QHBoxLayout(gridPage);
    auto* gridSize = new QDoubleSpinBox(gridPage);
    gridSize->setObjectName(QStringLiteral("edGridSize"));
    gridSize->setRange(0.5, 100.0);
    gridSize->setDecimals(1);
    auto* dots = new QCheckBox(QStringLiteral("点で表示"), gridPage);
    dots->setObjectName(QStringLiteral("cbGridDots"));
    gridLayout->addWidget(gridSize);
    gridLayout->addWidget(new QLabel(QStringLiteral("mm 間隔"), gridPage));
    gridLayout->addWidget(dots);
    // circumference
    auto* circPage = new QWidget;
    auto* circLayout = new QVBoxLayout(circPage);
    auto* rotMove = new QCheckBox(QStringLiteral("オブジェクトの回転"), circPage);
    rotMove->setObjectName(QStringLiteral("cbRotateMove"));
    auto* stepMove = new QCheckBox(QStringLiteral("ステップ移動"), circPage);
    stepMove->setObjectName(QStringLiteral("cbStepMove"));
    auto* steps = new QComboBox(circPage);
    steps->setObjectName(QStringLiteral("cbSteps"));
    steps->addItems({QStringLiteral("ステップなし"), QStringLiteral("60ステップ(6度)"),
                     QStringLiteral("12ステップ(30度)"), QStringLiteral("8ステップ(45度)")});
    circLayout->addWidget(rotMove);
    circLayout->addWidget(stepMove);
    circLayout->addWidget(steps);
    pages->addWidget(freePage);
    pages->addWidget(gridPage);
    pages->addWidget(circPage);
    connect(modes, &QButtonGroup::idClicked, this, [this, pages](int id) {
        TMoveModes& m = TMoveModes::Current();
        m.Circumference = id == 2;
        if (FDocument) {
            FDocument->Grid()->SetEnabled(id == 1);
            FDocument->Grid()->SetVisible(id == 1);
        }
        pages->setCurrentIndex(id);
        FSite->update();
    });
    connect(axis, &QCheckBox::toggled, this, [](bool on) { TMoveModes::Current().AxisLock = on; });
    connect(rotFree, &QCheckBox::toggled, this,
            [](bool on) { TMoveModes::Current().RotateWithFreeMove = on; });
    connect(rotMove, &QCheckBox::toggled, this, [](bool on) { TMoveModes::Current().RotateWithMove = on; });
    connect(stepMove, &QCheckBox::toggled, this, [](bool on) { TMoveModes::Current().StepMove = on; });
    connect(steps, &QComboBox::activated, this, [](int index) {
        TMoveModes& m = TMoveModes::Current();
        m.StepMove = index > 0;
        static const int angles[] = {30, 6, 30, 45};
        if (index > 0)
            m.StepAngle = angles[index];
    });
    connect(gridSize, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        if (FDocument) {
            const int units = int(std::lround(mm * 10));
            FDocument->Grid()->SetSize(std::clamp(units, 1, TGrid::kMaxSize));
            FSite->update();
        }
    });
    connect(dots, &QCheckBox::toggled, this, [this](bool on) {
        if (FDocument) {
            FDocument->Grid()->SetLineShape(!on);
            FSite->update();
        }
    });
    FMoveModeMenu = new QMenu(this);
    FMoveModeMenu->setObjectName(QStringLiteral("pmMoveMode"));
}

void TfrmLayout::RebuildMenuBar()
{
    FMenuBar->clear();
    if (FMain.FileMenu)
        FMenuBar->addMenu(FMain.FileMenu);
    for (QMenu* m : FMenus)
        FMenuBar->addMenu(m);
    if (FMain.HelpMenu)
        FMenuBar->addMenu(FMain.HelpMenu);
}

void TfrmLayout::SetMainCommands(const TLayoutMainCommands& commands)
{
    FMain = commands;
    RebuildMenuBar();
    // The view menu ends with the main window's two view commands.
    QMenu* view = FMenus.value(6);
    if (view) {
        const int keep = view->property("velmoViewCommandsAt").toInt();
        const QList<QAction*> actions = view->actions();
        for (int i = keep; i < actions.size(); ++i)
            view->removeAction(actions[i]);
        if (FMain.SheetView)
            view->addAction(FMain.SheetView);
        if (FMain.LayoutView)
            view->addAction(FMain.LayoutView);
    }
    // Command tool bar: new, open, save, print, then the tools, then paper selection.
    // The buttons have captions and hints of their own (the menu texts carry
    // accelerators and dots), so each is a button action that triggers the main
    // window's command and follows its enabled state.
    const QList<QAction*> current = FCommandBar->actions();
    for (QAction* a : current)
        if (a->property("velmoMainSeparator").toBool())
            FCommandBar->removeAction(a);
    qDeleteAll(FMainButtons);
    FMainButtons.clear();
    QObject* icons = findChild<QObject*>(QStringLiteral("commandPackIcons"));
    auto button = [this, icons](QAction* command, int cell, const QString& name, const QString& caption,
                                const QString& hint) -> QAction* {
        if (!command)
            return nullptr;
        auto* a = new QAction(caption, this);
        a->setObjectName(name);
        a->setToolTip(hint);
        a->setStatusTip(hint);
        a->setIcon(!command->icon().isNull() || !icons
                       ? command->icon()
                       : icons->property(QByteArray::number(cell).constData()).value<QIcon>());
        a->setEnabled(command->isEnabled());
        connect(a, &QAction::triggered, command, [command] { command->trigger(); });
        connect(command, &QAction::changed, a, [a, command] { a->setEnabled(command->isEnabled()); });
        FMainButtons.push_back(a);
        return a;
    };
    QAction* first = FCommandBar->actions().value(0);
    bool any = false;
    for (QAction* a : {button(FMain.New, ciNew, QStringLiteral("tbNew"), QStringLiteral("新規"),
                              QStringLiteral("新しくラベルシートを開きます")),
                       button(FMain.Open, ciOpen, QStringLiteral("tbOpen"), QStringLiteral("開く"),
                              QStringLiteral("保存されているデータを開きます")),
                       button(FMain.Save, ciSave, QStringLiteral("tbSave"), QStringLiteral("保存"),
                              QStringLiteral("編集したデータを保存します")),
                       button(FMain.Print, ciPrint, QStringLiteral("tbPrint"), QStringLiteral("印刷"),
                              QStringLiteral("ラベルシートを印刷します"))})
        if (a) {
            FCommandBar->insertAction(first, a);
            any = true;
        }
    if (any) {
        QAction* sep = FCommandBar->insertSeparator(first);
        sep->setProperty("velmoMainSeparator", true);
    }
    if (QAction* paper = button(FMain.PaperSelect, ciPaperSelect, QStringLiteral("tbPaperSelect"),
                                QStringLiteral("用紙選択"), QStringLiteral("用紙を変更します"))) {
        QAction* sep = FCommandBar->addSeparator();
        sep->setProperty("velmoMainSeparator", true);
        FCommandBar->addAction(paper);
    }
}

void TfrmLayout::SetStatusBar(QStatusBar* bar)
{
    if (FStatusBar)
        for (QLabel* panel : FPanels)
            FStatusBar->removeWidget(panel);
    qDeleteAll(FPanels);
    FPanels.clear();
    FStatusBar = bar;
    if (!bar)
        return;
    const char* samples[] = {"ﾏｳｽ-(999.9mm,999.9mm)", "位置-(999.9mm,999.9mm),ｻｲｽﾞ-(999.9mm,999.9mm)",
                             "固定しない", "印刷しない", "999%"};
    for (int i = 0; i < 5; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("pnlStatus%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(panel->fontMetrics().horizontalAdvance(QString::fromUtf8(samples[i])) + 8);
        bar->addWidget(panel);
        FPanels.push_back(panel);
    }
    UpdateStatus();
}

QString TfrmLayout::StatusText(int panel) const
{
    if (panel < 0 || panel >= int(FPanels.size()))
        return {};
    return FPanels[size_t(panel)]->text();
}

QAction* TfrmLayout::Action(const QString& name) const
{
    if (QAction* a = findChild<QAction*>(name))
        return a;
    return FAids ? FAids->Command(name) : nullptr;
}

// ---------------------------------------------------------------------------------
// The document

void TfrmLayout::SetDocument(TLabelData* document)
{
    TGhostList::Instance().Cancel();
    ClearSite(*FSite);
    FDocument = document;
    FOwnMergeSession->SetDocument(document);
    // The aids work on the document's guides and grid.
    static TGuide spareGuide;
    static TGrid spareGrid;
    FAids->SetGuideAndGrid(document ? *document->Guide() : spareGuide,
                           document ? *document->Grid() : spareGrid);
    FOverview->SetPaper(nullptr);
    UpdateTabs();
}

void TfrmLayout::UpdateTabs()
{
    FUpdatingTabs = true;
    QStringList names;
    if (FDocument)
        FDocument->GetSheetNames(names);
    while (FTabs->count() > names.size())
        FTabs->removeTab(FTabs->count() - 1);
    for (int i = 0; i < names.size(); ++i) {
        // Ampersands are shown as they are, not as mnemonics.
        QString caption = names[i];
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (i < FTabs->count())
            FTabs->setTabText(i, caption);
        else
            FTabs->addTab(caption);
    }
    if (FDocument && FDocument->CurrentSheet() >= 0)
        FTabs->setCurrentIndex(FDocument->CurrentSheet());
    FUpdatingTabs = false;
}

void TfrmLayout::AttachObject(TDrawObject* object)
{
    // A double click opens the object's property dialog through its designer.
    object->OnDblClick = [](TDrawObject* sender) {
        if (auto* label = dynamic_cast<TLabelObject*>(sender))
            label->Edit();
    };
}

void TfrmLayout::ShowLabel()
{
    if (!FDocument)
        return;
    EndKeyMoveRun();
    TGhostList::Instance().Cancel();
    const int k = FDocument->CurrentLabelNo();
    TPaperInfo* paper = FDocument->Paper();
    // A sheet change or a load may have given the document other guide and grid
    // objects.
    FAids->SetGuideAndGrid(*FDocument->Guide(), *FDocument->Grid());
    // 1. The overview.
    FOverview->SetPaper(paper);
    if (FDocument->SeparatelyDesign()) {
        FOverview->Choose(k);
        FOverview->setEnabled(true);
    } else {
        FOverview->Choose(-1);
        FOverview->setEnabled(false);
    }
    // 2. and 3. The face and the site's size.
    if (paper && k >= 0 && k < paper->GetFaceCount())
        *FFaceInfo = paper->GetFaceInfo(k);
    else
        *FFaceInfo = TFaceInfo();
    TLogRect outer = FFaceInfo->GetOuterRect();
    const int width = std::max(0, outer.Width());
    const int height = std::max(0, outer.Height());
    FAids->HorizontalRuler()->SetRulerLength(width / 10);
    FAids->VerticalRuler()->SetRulerLength(height / 10);
    FSite->SetLogWidth(width);
    FSite->SetLogHeight(height);
    {
        QPainterPath outline = FFaceInfo->OuterPath();
        FAids->FaceOutline = outline.translated(-outer.Left, -outer.Top);
    }
    // 4. The printed images under the design.
    if (paper && k >= 0 && k < paper->GetFaceCount())
        PrepareLabelSite(*FSite, *FDocument, k);
    else
        ClearSite(*FSite);
    FSite->SetModified(false);
    TActionList::Instance().Clear();
    // 5. The design.
    if (paper && k >= 0 && k < paper->GetFaceCount()) {
        TDOList objects;
        try {
            FDocument->ReadLabel(k, objects);
        } catch (const std::exception& error) {
            // The position opens empty; the stored design stays as it is until the
            // user makes something here.
            objects.FreeObjects();
            objects.Clear();
            if (FMessages.Notice)
                FMessages.Notice(QString::fromUtf8(error.what()));
        }
        TDOList placed;
        for (TDrawObject* object : objects.Objects()) {
            AttachObject(object);
            FSite->InsertComponent(object);
            FSite->AddObject(object);
            placed.Add(object);
        }
        FillMergeRecord(placed, k);
    }
    FSite->SetModified(false);
    TActionList::Instance().Clear();
    // 6. Guides outside the label go; the zoom.
    FDocument->Guide()->RemoveOutside({0, 0, width, height});
    Resize();
    // 7.
    UpdateTabs();
    UpdateCommandStates();
    UpdateStatus();
    FSite->show();
    FSite->update();
    if (isVisible())
        FSite->setFocus();
    ScheduleIdle();
    if (OnLabelShown)
        OnLabelShown();
}

void TfrmLayout::SetMergeSession(TMergeSession* session)
{
    FMergeSession = session ? session : FOwnMergeSession.get();
    FMergeDesigner->SetSession(*FMergeSession);
}

void TfrmLayout::FillMergeRecord(TDOList& objects, int position)
{
    FMergeSession->FillLabel(objects, FMergeSession->RecordShownAt(position));
}

bool TfrmLayout::ChooseMergeDataForDocument()
{
    if (OnChooseMergeData)
        return OnChooseMergeData();
    return FDocument && ChooseMergeData(this, *FDocument, FMergeSession->Database());
}

void TfrmLayout::ReapplyMergeRecord()
{
    if (!FDocument)
        return;
    TDOList objects;
    for (int i = 0; i < FSite->ObjectCount(); ++i)
        if (FSite->Objects(i)->LayerGroup() != kBackgroundLayerGroup)
            objects.Add(FSite->Objects(i));
    const bool modified = FSite->Modified();
    const int k = FDocument->CurrentLabelNo();
    FillMergeRecord(objects, k);
    FSite->SetModified(modified);
    FSite->update();
}

bool TfrmLayout::HoldsMergeObjects() const
{
    return MergeFieldOfSelection() >= 0;
}

int TfrmLayout::MergeFieldOfSelection() const
{
    int first = -1;
    int selected = -1;
    for (int i = 0; i < FSite->ObjectCount() && selected < 0; ++i) {
        TDrawObject* object = FSite->Objects(i);
        if (object->LayerGroup() == kBackgroundLayerGroup)
            continue;
        const int field = InsertionFieldOf(object);
        if (field < 0)
            continue;
        if (first < 0)
            first = field;
        if (object->Selected())
            selected = field;
    }
    return selected >= 0 ? selected : first;
}

void TfrmLayout::WriteBack()
{
    if (!FDocument)
        return;
    EndKeyMoveRun();
    if (!FSite->Modified())
        return;
    TGhostList::Instance().Cancel();
    TDOList all;
    FSite->Collect(all, false);
    TDOList design;
    for (TDrawObject* object : all.Objects())
        if (object->LayerGroup() != kBackgroundLayerGroup)
            design.Add(object);
    TActionList::Instance().Clear();
    FDocument->WriteLabel(FDocument->CurrentLabelNo(), design);
    FSite->SetModified(false);
}

bool TfrmLayout::WriteDesignCopy()
{
    if (!FDocument || !Modified())
        return false;
    if (TGhostList::Instance().Count() > 0)
        return false;
    TDOList all;
    FSite->Collect(all, false);
    TDOList design;
    for (TDrawObject* object : all.Objects())
        if (object->LayerGroup() != kBackgroundLayerGroup)
            design.Add(object);
    FDocument->WriteLabel(FDocument->CurrentLabelNo(), design);
    return true;
}

bool TfrmLayout::Modified() const
{
    return FSite->Modified() || FKeyMoveRun;
}

void TfrmLayout::ChangeSheet(int index)
{
    if (!FDocument || index < 0 || index >= FDocument->SheetCount())
        return;
    if (index == FDocument->CurrentSheet()) {
        UpdateTabs();
        return;
    }
    WriteBack();
    FDocument->SelectSheet(index);
    ShowLabel();
}

void TfrmLayout::ChoosePosition(int k)
{
    if (!FDocument || k < 0 || k >= FDocument->LabelCount())
        return;
    if (k == FDocument->CurrentLabelNo())
        return;
    WriteBack();
    FDocument->SetCurrentLabelNo(k);
    ShowLabel();
}

bool TfrmLayout::OfferDroppedFile(const QString& fileName)
{
    if (!FDocument || !FDocument->Paper() || FSite->LogWidth() <= 0)
        return false;
    TImageData loaded;
    try {
        // A Photo CD holds several sizes: the user picks one in its dialog, as
        // with every other way a picture file reaches a label.
        // Cancelling that dialog, or its message about an unreadable disc file,
        // settles the drop: the file is no document to try next.
        if (IsPhotoCDFileName(fileName)) {
            TPictureEx picture;
            if (!LoadPictureWithDialogs(this, fileName, picture))
                return true;
            loaded.SetPicture(&picture);
        } else {
            loaded.LoadFromFile(fileName);
        }
    } catch (const std::exception&) {
        return false; // not a picture: the main window tries it as a document
    }
    if (!loaded.Picture() || !loaded.Picture()->HasGraphic())
        return false;
    const QString cls = TLOCreator::ClassForKind(QStringLiteral("TLOImage"));
    const TComponentClass* type = FindLabelClassByName(cls);
    if (!type)
        return false;
    std::unique_ptr<TComponent> component(type->Create(nullptr));
    auto* image = dynamic_cast<TLOImage*>(component.get());
    if (!image)
        return false;
    TGhostList::Instance().Cancel();
    image->ImageData()->Assign(loaded);
    image->SetImageSource(isFile);
    PrepareNewObject(image);
    image->SetSelected(false);
    const QSize size = image->DefaultSize();
    image->SetBaseRect({0, 0, std::max(20, size.width()), std::max(20, size.height())});
    component.release();
    FSite->InsertComponent(image);
    image->SetCursor(crHandPoint);
    FSite->AddObject(image);
    PlaceNewObject(image, FSite);
    RecordAddAction(image, QStringLiteral("追加"));
    FSite->SelectAll(false);
    image->SetSelected(true);
    FSite->RefreshPivots();
    FSite->update();
    ScheduleIdle();
    return true;
}

// ---------------------------------------------------------------------------------
// Zoom

int TfrmLayout::Scale() const
{
    return FSite->Scaler()->Scale();
}

void TfrmLayout::SetZoom(int percent)
{
    if (percent > 0) {
        QAction* a = Action(QStringLiteral("actZoom%1").arg(percent));
        if (!a)
            return;
        a->setChecked(true);
        FZoom = percent;
        FSite->Scaler()->SetScale(percent);
    } else {
        FZoom = 0;
        FZoomAuto->setChecked(true);
    }
    Resize();
}

void TfrmLayout::ZoomIn()
{
    const int step = NextZoomStep(Scale(), true);
    if (step > 0)
        SetZoom(step);
}

void TfrmLayout::ZoomOut()
{
    const int step = NextZoomStep(Scale(), false);
    if (step > 0)
        SetZoom(step);
}

void TfrmLayout::ZoomAt(int percent, QPoint sitePoint)
{
    const QPoint logical = FSite->ToLogical(sitePoint);
    const QPoint inViewport = FSite->mapTo(FScroll->viewport(), sitePoint);
    SetZoom(percent);
    // The point under the pointer stays under it.
    const QPoint now = FSite->mapTo(FHolder, FSite->ToDevice(logical));
    FScroll->horizontalScrollBar()->setValue(now.x() - inViewport.x());
    FScroll->verticalScrollBar()->setValue(now.y() - inViewport.y());
    FAids->UpdateRulers();
}

void TfrmLayout::PlaceSite()
{
    const QSize view = FScroll->viewport()->size();
    const int margin = 16;
    const QSize s = FSite->size();
    const QSize holder(std::max(view.width(), s.width() + 2 * margin + TLabelHolder::kShadow),
                       std::max(view.height(), s.height() + 2 * margin + TLabelHolder::kShadow));
    FHolder->resize(holder);
    FSite->move((holder.width() - s.width() - TLabelHolder::kShadow) / 2,
                (holder.height() - s.height() - TLabelHolder::kShadow) / 2);
    FHolder->update();
    FAids->UpdateRulers();
}

void TfrmLayout::Resize()
{
    if (FZoomAuto->isChecked()) {
        FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        FScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const int edge = FScroll->frameWidth();
        const QRect client = FScroll->rect().adjusted(edge, edge, -edge, -edge);
        // Room for the margin and the shadow around the label.
        const int room = 2 * 16 + TLabelHolder::kShadow;
        if (FSite->LogWidth() > 0 && FSite->LogHeight() > 0) {
            const int scale = FSite->FitScale(
                DeviceDPI(FSite),
                {0, 0, std::max(1, client.width() - room), std::max(1, client.height() - room)}, true, true);
            FSite->Scaler()->SetScale(std::clamp(scale, 1, 2000));
        }
    } else {
        FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        FScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        FScroll->horizontalScrollBar()->setValue(0);
        FScroll->verticalScrollBar()->setValue(0);
    }
    PlaceSite();
    ScrollToSelection();
    UpdateStatus();
}

void TfrmLayout::ScrollToSelection()
{
    TDrawObject* top = TopSelected();
    if (!top)
        return;
    const TLogRect r = FSite->RectToDevice(top->GetEncloseRect());
    const QRect device = ToQRect(r).translated(FSite->pos());
    FScroll->ensureVisible(device.center().x(), device.center().y(), device.width() / 2 + 8,
                           device.height() / 2 + 8);
}

void TfrmLayout::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    QTimer::singleShot(0, this, [this] { Resize(); });
}

// ---------------------------------------------------------------------------------
// Overlay

void TfrmLayout::PaintOverlay(QPainter& painter)
{
    TCanvasSaver saver(painter);
    painter.setBrush(Qt::NoBrush);
    if (FDocument && FDocument->Paper()) {
        // The printable outline shows on any background.
        TCanvasSaver s(painter);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(DevicePixelPen(Qt::white));
        FFaceInfo->DrawOutline(painter, true, false);
    }
    FAids->Paint(painter);
    {
        TCanvasSaver s(painter);
        painter.setPen(DevicePixelPen(Qt::black));
        painter.drawRect(QRect(0, 0, FSite->LogWidth(), FSite->LogHeight()));
    }
    if (FFaceInfo->FaceMargin != 0) {
        TCanvasSaver s(painter);
        painter.setPen(DevicePixelPen(QColor(0x80, 0x80, 0x80), Qt::DotLine));
        FFaceInfo->DrawCutLine(painter, true);
    }
}

} // namespace velmo
