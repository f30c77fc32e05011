#include "layout/FLayout.h"
#include "merge/FMergeDialogs.h"
#include "barcode/FBarCodeProperty.h"
#include "base/UGraphics.h"
#include "document/ULabelData.h"
#include "document/USheetView.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawSite.h"
#include "draw/UGhost.h"
#include "draw/UGuide.h"
#include "imaging/FColorGrid.h"
#include "imaging/FPhotoCD.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UWindowPictures.h"
#include "merge/FCsvBrowser.h"
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
#include "text/UFontList.h"
#include "text/ULOText.h"
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QMimeData>
#include <QAbstractSpinBox>
#include <QCheckBox>
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

namespace {

int& LastZoom()
{
    static int zoom = 0;
    return zoom;
}

TLayoutSettingsStore& Store()
{
    static TLayoutSettingsStore store;
    return store;
}

// The white area the label lies on, with the label's drop shadow.
class TLabelHolder : public QWidget
{
public:
    using QWidget::QWidget;
    QWidget* Label = nullptr;
    static constexpr int kShadow = 6;
    QRect ShadowRect() const
    {
        if (!Label)
            return {};
        return Label->geometry().translated(kShadow, kShadow);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (Label)
            p.fillRect(ShadowRect(), QColor(128, 128, 128));
    }
};

struct TInsertInfo
{
    const char* Name;    // action object name
    const char* Caption; // menu caption
    const char* Hint;
    const char* Button;  // tool button caption, nullptr: none
    const char* Kind;
    bool Merge;
    bool Shown;
    int Image; // command pack cell, -1 none
};

constexpr TInsertInfo kInserts[] = {
    {"actText", "文字(&T)...", "ラベルに文字を追加します", "文字", "TLOText", false, true, ciText},
    {"actInsText", "差込み文字(&N)...", "", nullptr, "TLOInsText", true, false, -1},
    {"actNumbering", "ナンバリング(&N)...", "", nullptr, "TLONumbering", false, true, -1},
    {"actDate", "日付・時間(&D)...", "日付文字を追加します", "日付", "TLODate", false, true, ciDate},
    {"actDecoString", "飾り文字(&I)...", "", nullptr, "TLODecoString", false, false, -1},
    {"actLine", "直線(&L)", "直線を追加します", "直線", "TLOLine", false, true, ciLine},
    {"actCurve", "円弧(&A)", "円弧を追加します", "円弧", "TLOCurve", false, true, ciArc},
    {"actRect", "四角(&R)", "四角図形を追加します", "四角", "TLORect", false, true, ciRectangle},
    {"actCircle", "円(&E)", "円図形を追加します", "円", "TLOCircle", false, true, ciCircle},
    {"actDecoLine", "飾り罫線(&D)...", "", nullptr, "TLODecoLine", false, false, -1},
    {"actOnePoint", "イラスト(&O)...", "イラストやワンポイントを追加します", "イラスト", "TLOOnePoint", false, true,
     ciIllustration},
    {"actInsImage", "差込みイラスト(&N)...", "", nullptr, "TLOInsImage", true, false, -1},
    {"actImageFile", "イメージファイル(&F)...", "", nullptr, "TLOImage", false, true, -1},
    {"actTwain", "TWAIN取り込み(&T)...", "", nullptr, "TLOTwain", false, true, -1},
    {"actBarCode", "バーコード(&J)...", "", nullptr, "TLOBarCode", false, false, -1},
    {"actInsBarCode", "差込みバーコード(&S)...", "", nullptr, "TLOInsBarCode", true, false, -1},
};

const char* const kSizeEntries[] = {"6",  "7",  "8",  "9",  "10", "11", "12", "14", "16", "18",
                                    "20", "22", "24", "26", "28", "32", "36", "48", "72"};

TShiftState ShiftOf(Qt::KeyboardModifiers m)
{
    return m;
}

// The lines of the document's product and creator items for the text fields.
TFieldLines DocumentFieldLines(TLabelData& document)
{
    return [&document](TFieldType kind, int index, QStringList& lines) {
        const TProductInfo* record = kind == TFieldType::ftProduct         ? &document.ProductInfo()
                                     : kind == TFieldType::ftCreatorEnglish ? &document.CreatorInfoE()
                                                                            : &document.CreatorInfoJ();
        if (index < 0 || index >= record->ItemCount())
            return false;
        lines = record->Item(index)->Info()->Lines();
        return true;
    };
}

bool IsDescendant(const QObject* object, const QWidget* ancestor)
{
    for (const QObject* o = object; o; o = o->parent())
        if (o == ancestor)
            return true;
    return false;
}

} // namespace

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

TfrmLayout::TfrmLayout(QWidget* parent) : QWidget(parent), FFaceInfo(std::make_unique<TFaceInfo>())
{
    setObjectName(QStringLiteral("frmLayout"));
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
    // The merge and numbering dialogs read this document's merge data and label.
    SetMergeDocument(FDocument);
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
    FAutoScrollTimer = new QTimer(this);
    FAutoScrollTimer->setInterval(60);
    connect(FAutoScrollTimer, &QTimer::timeout, this, [this] { AutoScrollTick(); });

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
    connect(rotFree, &QCheckBox::toggled, this, [](bool on) { TMoveModes::Current().RotateWithFreeMove = on; });
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

void TfrmLayout::BuildCommands()
{
    // The draw-site commands of the aids, in a menu bar of their own that is never
    // shown; the view's menus take the actions from there.
    auto* spare = new QMenuBar(this);
    spare->hide();
    spare->setObjectName(QStringLiteral("mbAidsCommands"));
    FAids->BuildCommands(this, spare);
    if (QAction* redo = FAids->Command(QStringLiteral("Redo")))
        redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
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

void TfrmLayout::BuildStyleBar()
{
    TMatrixImagePack commandPack;
    TMatrixImagePack stylePack;
    bool haveCommand = true;
    bool haveStyle = true;
    try {
        LoadWindowPicture(commandPack, TWindowPicture::wpCommand);
    } catch (const std::exception&) {
        haveCommand = false; // the captions still tell the buttons apart
    }
    try {
        LoadWindowPicture(stylePack, TWindowPicture::wpStyle);
    } catch (const std::exception&) {
        haveStyle = false;
    }
    auto commandIcon = [&](QAction* a, int cell) {
        if (haveCommand && a && cell >= 0)
            a->setIcon(PackIcon(commandPack, cell));
    };
    auto styleIcon = [&](QAction* a, int cell) {
        if (haveStyle && a && cell >= 0)
            a->setIcon(PackIcon(stylePack, cell));
    };

    // Command tool bar: the main window's commands are added in SetMainCommands.
    commandIcon(FSelectTool, ciSelect);
    FCommandBar->addAction(FSelectTool);
    for (const TInsertInfo& info : kInserts) {
        if (!info.Button)
            continue;
        QAction* menuAction = Action(QString::fromLatin1(info.Name));
        // The tool button is a checkable twin of the menu entry in the select tool's
        // radio group, so that it stays down while its creation drag waits.
        auto* tool = new QAction(QString::fromUtf8(info.Button), this);
        tool->setObjectName(QStringLiteral("tb") + QString::fromLatin1(info.Name).mid(3));
        tool->setToolTip(QString::fromUtf8(info.Hint));
        tool->setCheckable(true);
        commandIcon(tool, info.Image);
        FToolGroup->addAction(tool);
        connect(tool, &QAction::triggered, this, [menuAction] { menuAction->trigger(); });
        connect(menuAction, &QAction::enabledChanged, tool, &QAction::setEnabled);
        FCommandBar->addAction(tool);
    }
    {
        QAction* menuAction = Action(QStringLiteral("actBackground"));
        auto* tool = new QAction(QStringLiteral("背景柄"), this);
        tool->setObjectName(QStringLiteral("tbBackground"));
        tool->setToolTip(QStringLiteral("背景柄を選択します"));
        tool->setCheckable(true);
        commandIcon(tool, ciBackground);
        FToolGroup->addAction(tool);
        connect(tool, &QAction::triggered, this, [menuAction] { menuAction->trigger(); });
        connect(menuAction, &QAction::enabledChanged, tool, &QAction::setEnabled);
        FCommandBar->addAction(tool);
    }
    FCommandBar->setProperty("velmoCommandIcons", haveCommand);
    if (haveCommand) {
        // Kept for the main window's commands.
        auto* keep = new QObject(this);
        keep->setObjectName(QStringLiteral("commandPackIcons"));
        for (int cell : {int(ciNew), int(ciOpen), int(ciSave), int(ciPrint), int(ciPaperSelect)})
            keep->setProperty(QByteArray::number(cell).constData(), PackIcon(commandPack, cell));
    }

    // Style tool bar.
    FFontName = new QComboBox(this);
    FFontName->setObjectName(QStringLiteral("cbFontName"));
    FFontName->setEditable(true);
    FFontName->setToolTip(QStringLiteral("使用するフォント名を選択するか入力します"));
    FFontName->setMinimumWidth(170);
    FFontName->setInsertPolicy(QComboBox::NoInsert);
    QStringList faces;
    GetUsableFaces(faces);
    FFontName->addItems(faces);
    FStyleBar->addWidget(FFontName);
    FFontSize = new QComboBox(this);
    FFontSize->setObjectName(QStringLiteral("cbFontSize"));
    FFontSize->setEditable(true);
    FFontSize->setInsertPolicy(QComboBox::NoInsert);
    FFontSize->setToolTip(QStringLiteral("使用するフォントのサイズを選択するか入力します"));
    for (const char* s : kSizeEntries)
        FFontSize->addItem(QString::fromLatin1(s));
    FFontSize->setMinimumWidth(60);
    FStyleBar->addWidget(FFontSize);
    connect(FFontName, &QComboBox::activated, this, [this](int) {
        if (!FShowingTools)
            ApplyFontName(FFontName->currentText());
    });
    connect(FFontName->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!FShowingTools)
            ApplyFontName(FFontName->currentText());
    });
    connect(FFontSize, &QComboBox::activated, this, [this](int) {
        if (!FShowingTools)
            ApplyFontSize(FFontSize->currentText());
    });
    connect(FFontSize->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!FShowingTools)
            ApplyFontSize(FFontSize->currentText());
    });

    struct StyleButton
    {
        const char* Name;
        const char* Caption;
        const char* Hint;
        int Cell;
    };
    const StyleButton styles[] = {{"actBold", "B", "文字や数字を強調体にします", siBold},
                                  {"actItalic", "I", "文字や数字を斜体にします", siItalic},
                                  {"actUnderline", "U", "文字や数字に下線を付けます", siUnderline},
                                  {"actStrikeOut", "S", "文字や数字に打消し線を付けます", siStrikeOut}};
    for (const StyleButton& b : styles) {
        auto* a = new QAction(QString::fromLatin1(b.Caption), this);
        a->setObjectName(QString::fromLatin1(b.Name));
        a->setToolTip(QString::fromUtf8(b.Hint));
        a->setCheckable(true);
        styleIcon(a, b.Cell);
        connect(a, &QAction::triggered, this, [this] {
            if (!FShowingTools)
                ApplyFontStyle(ToolState().FontStyle);
        });
        FStyleBar->addAction(a);
    }
    FStyleBar->addSeparator();
    const StyleButton aligns[] = {{"actAlignLeft", "左", "文字や日付文字を左寄せにします", siAlignLeft},
                                  {"actAlignCenter", "中", "文字や日付文字をセンタリングします", siAlignCenter},
                                  {"actAlignRight", "右", "文字や日付文字を右寄せにします", siAlignRight},
                                  {"actAlignDistribute", "均", "文字や日付文字を均等配置にします", siAlignDistribute}};
    auto* alignGroup = new QActionGroup(this);
    alignGroup->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        auto* a = new QAction(QString::fromUtf8(aligns[i].Caption), this);
        a->setObjectName(QString::fromLatin1(aligns[i].Name));
        a->setToolTip(QString::fromUtf8(aligns[i].Hint));
        a->setCheckable(true);
        styleIcon(a, aligns[i].Cell);
        alignGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] {
            if (!FShowingTools)
                ApplyAlign(i);
        });
        FStyleBar->addAction(a);
    }
    FStyleBar->addSeparator();
    auto colourButton = [&](const char* name, const char* caption, const char* hint, int cell, bool fill) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(QString::fromUtf8(caption));
        button->setToolTip(QString::fromUtf8(hint));
        button->setCheckable(true);
        button->setAutoRaise(true);
        if (haveStyle)
            button->setIcon(PackIcon(stylePack, cell));
        button->setIconSize(QSize(16, 16));
        connect(button, &QToolButton::clicked, this, [this, fill] { PopupColorGrid(fill); });
        FStyleBar->addWidget(button);
        return button;
    };
    FPenButton = colourButton("btnPenColor", "線色", "文字や線の色を選択します", siLineColor, false);
    FFillButton = colourButton("btnFillColor", "塗り", "四角や円の塗り色を選択します", siFillColor, true);
    FStyleBar->addSeparator();
    if (QAction* front = FAids->Command(QStringLiteral("BringToFront"))) {
        styleIcon(front, siBringToFront);
        FStyleBar->addAction(front);
    }
    if (QAction* backA = FAids->Command(QStringLiteral("SendToBack"))) {
        styleIcon(backA, siSendToBack);
        FStyleBar->addAction(backA);
    }
    FStyleBar->addSeparator();
    styleIcon(Action(QStringLiteral("actZoomIn")), siZoomIn);
    styleIcon(Action(QStringLiteral("actZoomOut")), siZoomOut);
    FStyleBar->addAction(Action(QStringLiteral("actZoomIn")));
    FStyleBar->addAction(Action(QStringLiteral("actZoomOut")));
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

bool TfrmLayout::DraggingOnSite() const
{
    const TGhostList& ghosts = TGhostList::Instance();
    return ghosts.Active() && ghosts.Site() == FSite;
}

bool TfrmLayout::AutoScrollAt(QPoint inSite)
{
    // A band along the inside of the viewport's edge counts as the edge, so that a
    // window that fills the screen still scrolls; the step grows with the distance
    // beyond it.
    constexpr int kEdge = 12;
    QWidget* viewport = FScroll->viewport();
    const QPoint p = FSite->mapTo(viewport, inSite);
    auto step = [](QScrollBar* bar, int position, int length) {
        const int unit = std::max(bar->singleStep(), 8);
        int delta = 0;
        if (position < kEdge)
            delta = -unit * (1 + std::min(4, (kEdge - position) / 32));
        else if (position >= length - kEdge)
            delta = unit * (1 + std::min(4, (position - (length - kEdge)) / 32));
        const int before = bar->value();
        bar->setValue(before + delta);
        return bar->value() != before;
    };
    const bool h = step(FScroll->horizontalScrollBar(), p.x(), viewport->width());
    const bool v = step(FScroll->verticalScrollBar(), p.y(), viewport->height());
    return h || v;
}

void TfrmLayout::AutoScrollTick()
{
    // The mouse held still at the edge keeps scrolling until the drag ends.
    if (!DraggingOnSite() || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        FAutoScrollTimer->stop();
        return;
    }
    const QPoint inSite = FSite->mapFromGlobal(QCursor::pos());
    if (!AutoScrollAt(inSite)) {
        FAutoScrollTimer->stop();
        return;
    }
    FSite->SiteMove(ShiftOf(QApplication::keyboardModifiers()), inSite);
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
    const char* samples[] = {"ﾏｳｽ-(999.9mm,999.9mm)", "位置-(999.9mm,999.9mm),ｻｲｽﾞ-(999.9mm,999.9mm)", "固定しない",
                             "印刷しない", "999%"};
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
    if (FActive)
        SetMergeDocument(document);
    // The aids work on the document's guides and grid.
    static TGuide spareGuide;
    static TGrid spareGrid;
    FAids->SetGuideAndGrid(document ? *document->Guide() : spareGuide, document ? *document->Grid() : spareGrid);
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
        TCsvDB::Instance().ApplyMergeRecord(placed, MergeRecordOf ? MergeRecordOf(k) : k);
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
    TCsvDB::Instance().ApplyMergeRecord(objects, MergeRecordOf ? MergeRecordOf(k) : k);
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
            const int scale = FSite->FitScale(DeviceDPI(FSite),
                                              {0, 0, std::max(1, client.width() - room),
                                               std::max(1, client.height() - room)},
                                              true, true);
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

// ---------------------------------------------------------------------------------
// Style

TStyleToolSpec TfrmLayout::ToolState() const
{
    TStyleToolSpec spec;
    spec.FontName = FFontName->currentText();
    bool ok = false;
    const int size = FFontSize->currentText().trimmed().toInt(&ok);
    spec.FontSize = ok && size > 5 && size < 999 ? size : FDefaultStyle.FontSize;
    spec.Align = 0;
    const char* aligns[] = {"actAlignLeft", "actAlignCenter", "actAlignRight", "actAlignDistribute"};
    for (int i = 0; i < 4; ++i)
        if (QAction* a = Action(QString::fromLatin1(aligns[i])); a && a->isChecked())
            spec.Align = i;
    TFontStyles style = 0;
    const std::pair<const char*, TFontStyle> bits[] = {
        {"actBold", fsBold}, {"actItalic", fsItalic}, {"actUnderline", fsUnderline}, {"actStrikeOut", fsStrikeOut}};
    for (const auto& [name, bit] : bits)
        if (QAction* a = Action(QString::fromLatin1(name)); a && a->isChecked())
            style |= bit;
    spec.FontStyle = style;
    spec.PenColor = FPenColor;
    spec.FillColor = FFillColor;
    spec.NoFill = FNoFill;
    return spec;
}

void TfrmLayout::SetToolState(const TStyleToolSpec& spec)
{
    FPenColor = spec.PenColor;
    FFillColor = spec.FillColor;
    FNoFill = spec.NoFill;
    ShowToolState(spec);
}

void TfrmLayout::ShowToolState(const TStyleToolSpec& spec)
{
    FShowingTools = true;
    const bool comboFocus = FFontName->hasFocus() || FFontSize->hasFocus() ||
                            (FFontName->lineEdit() && FFontName->lineEdit()->hasFocus()) ||
                            (FFontSize->lineEdit() && FFontSize->lineEdit()->hasFocus());
    if (!comboFocus) {
        if (FFontName->currentText() != spec.FontName)
            FFontName->setEditText(spec.FontName);
        const QString size = QString::number(spec.FontSize);
        if (FFontSize->currentText() != size)
            FFontSize->setEditText(size);
    }
    const char* aligns[] = {"actAlignLeft", "actAlignCenter", "actAlignRight", "actAlignDistribute"};
    if (QAction* a = Action(QString::fromLatin1(aligns[std::clamp(spec.Align, 0, 3)])); a && !a->isChecked())
        a->setChecked(true);
    const std::pair<const char*, TFontStyle> bits[] = {
        {"actBold", fsBold}, {"actItalic", fsItalic}, {"actUnderline", fsUnderline}, {"actStrikeOut", fsStrikeOut}};
    for (const auto& [name, bit] : bits)
        if (QAction* a = Action(QString::fromLatin1(name)); a && a->isChecked() != bool(spec.FontStyle & bit))
            a->setChecked(spec.FontStyle & bit);
    // The colour buttons show their colour as a bar under the picture.
    auto paintBar = [](QToolButton* button, TColor colour, bool none) {
        const QString tip = button->toolTip().section(QLatin1Char('\n'), 0, 0);
        Q_UNUSED(tip);
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        if (!button->property("velmoBaseIcon").isValid())
            button->setProperty("velmoBaseIcon", button->icon());
        const QIcon base = button->property("velmoBaseIcon").value<QIcon>();
        if (!base.isNull())
            p.drawPixmap(0, 0, base.pixmap(16, 16));
        else
            p.drawText(QRect(0, 0, 16, 12), Qt::AlignCenter, button->text().left(1));
        if (none) {
            p.setPen(Qt::black);
            p.drawRect(0, 12, 15, 3);
        } else {
            p.fillRect(0, 12, 16, 4, ToQColor(colour));
        }
        p.end();
        button->setIcon(QIcon(pm));
    };
    paintBar(FPenButton, spec.PenColor, false);
    paintBar(FFillButton, spec.FillColor, spec.NoFill);
    FShowingTools = false;
}

void TfrmLayout::ReadDefaultStyle()
{
    TStyleToolSpec spec;
    const TLayoutSettingsStore& s = Store();
    if (s.ReadString)
        spec.FontName = s.ReadString(QStringLiteral("DefFontName"), spec.FontName);
    if (s.ReadInteger) {
        spec.FontSize = s.ReadInteger(QStringLiteral("DefFontSize"), spec.FontSize);
        spec.PenColor = TColor(s.ReadInteger(QStringLiteral("DefPenColor"), int(spec.PenColor)));
        spec.FillColor = TColor(s.ReadInteger(QStringLiteral("DefBrushColor"), int(spec.FillColor)));
        spec.Align = s.ReadInteger(QStringLiteral("DefAlign"), spec.Align);
        spec.FontStyle = TFontStyles(s.ReadInteger(QStringLiteral("DefStyle"), 0)) & 0x0F;
    }
    // Values no window could have stored fall back to the built-in ones.
    if (spec.FontName.trimmed().isEmpty())
        spec.FontName = TStyleToolSpec().FontName;
    if (spec.FontSize <= 5 || spec.FontSize >= 999)
        spec.FontSize = TStyleToolSpec().FontSize;
    if (spec.Align < 0 || spec.Align > 3)
        spec.Align = 0;
    spec.NoFill = false;
    FDefaultStyle = spec;
}

void TfrmLayout::WriteDefaultStyle()
{
    const TLayoutSettingsStore& s = Store();
    if (s.WriteString)
        s.WriteString(QStringLiteral("DefFontName"), FDefaultStyle.FontName);
    if (s.WriteInteger) {
        s.WriteInteger(QStringLiteral("DefFontSize"), FDefaultStyle.FontSize);
        s.WriteInteger(QStringLiteral("DefPenColor"), int(FDefaultStyle.PenColor));
        s.WriteInteger(QStringLiteral("DefBrushColor"), int(FDefaultStyle.FillColor));
        s.WriteInteger(QStringLiteral("DefAlign"), FDefaultStyle.Align);
        s.WriteInteger(QStringLiteral("DefStyle"), int(FDefaultStyle.FontStyle & 0x0F));
    }
}

void TfrmLayout::UpdateDefaults()
{
    if (!TopSelected())
        FDefaultStyle = ToolState();
}

// Runs a change over the selected objects that offer the interface, as one undo
// step "設定変更".
void TfrmLayout::ApplyStyle(const std::function<void(TDrawObject*)>& change, const QString& iface)
{
    Q_UNUSED(iface);
    TDSOperation op;
    op.ActionType = TActionType::atChange;
    op.ActionString = QStringLiteral("設定変更");
    op.OnEachObject = [&change](TDSOperation*, TDrawObject* target) { change(target); };
    op.Execute(FSite);
    UpdateDefaults();
}

void TfrmLayout::ApplyFontName(const QString& name)
{
    const QString face = name.trimmed();
    if (face.isEmpty())
        return;
    const int charset = FaceCharset(face);
    ApplyStyle(
        [&](TDrawObject* o) {
            if (IDOFont* f = Supports<IDOFont>(o)) {
                TFont font;
                font.Assign(*f->GetFont());
                if (font.Name() == face && font.Charset() == charset)
                    return;
                font.SetName(face);
                font.SetCharset(charset);
                f->SetFont(font);
            }
        },
        QStringLiteral("IDOFont"));
}

bool TfrmLayout::ApplyFontSize(const QString& text)
{
    bool ok = false;
    int n = text.trimmed().toInt(&ok);
    if (!ok)
        n = -1;
    if (!(n > 5 && n < 999)) {
        // Not a size the objects take: they keep theirs, the box shows it again.
        ScheduleIdle();
        return false;
    }
    ApplyStyle(
        [n](TDrawObject* o) {
            if (IDOFont* f = Supports<IDOFont>(o)) {
                if (f->GetFont()->Size() == n)
                    return;
                TFont font;
                font.Assign(*f->GetFont());
                font.SetSize(n);
                f->SetFont(font);
            }
        },
        QStringLiteral("IDOFont"));
    return true;
}

void TfrmLayout::ApplyFontStyle(TFontStyles style)
{
    ApplyStyle(
        [style](TDrawObject* o) {
            if (IDOFont* f = Supports<IDOFont>(o)) {
                if (f->GetFont()->Style() == style)
                    return;
                TFont font;
                font.Assign(*f->GetFont());
                font.SetStyle(style);
                f->SetFont(font);
            }
        },
        QStringLiteral("IDOFont"));
}

void TfrmLayout::ApplyAlign(int align)
{
    ApplyStyle(
        [align](TDrawObject* o) {
            if (IDOAlign* a = Supports<IDOAlign>(o); a && a->GetAlign() != align)
                a->SetAlign(align);
        },
        QStringLiteral("IDOAlign"));
}

void TfrmLayout::ApplyPenColor(TColor color)
{
    FPenColor = color;
    ShowToolState(ToolState());
    ApplyStyle(
        [color](TDrawObject* o) {
            if (IDOLineColor* l = Supports<IDOLineColor>(o)) {
                TColorSpec spec;
                spec.SetColor(color);
                l->SetLineColor(spec);
            }
        },
        QStringLiteral("IDOLineColor"));
}

void TfrmLayout::ApplyFillColor(TColor color, bool noFill)
{
    FNoFill = noFill;
    if (!noFill)
        FFillColor = color;
    ShowToolState(ToolState());
    const TColor fill = FFillColor;
    ApplyStyle(
        [fill, noFill](TDrawObject* o) {
            if (IDOFillColor* f = Supports<IDOFillColor>(o)) {
                TColorSpec spec;
                spec.SetColor(fill);
                f->SetFillColor(spec);
                f->SetNoFill(noFill);
            }
        },
        QStringLiteral("IDOFillColor"));
}

void TfrmLayout::PopupColorGrid(bool fill)
{
    QToolButton* button = fill ? FFillButton : FPenButton;
    QToolButton* other = fill ? FPenButton : FFillButton;
    other->setChecked(false);
    button->setChecked(true);
    TfrmColorGrid& grid = TfrmColorGrid::Instance();
    grid.SetAllowTransparent(fill);
    grid.SetColor(fill ? (FNoFill ? clNone : FFillColor) : FPenColor);
    grid.OnChosen = [this, fill, button](TColor colour) {
        button->setChecked(false);
        if (fill)
            ApplyFillColor(colour == clNone ? FFillColor : colour, colour == clNone);
        else if (colour != clNone)
            ApplyPenColor(colour);
    };
    grid.OnCancel = [button] { button->setChecked(false); };
    grid.PopupAt(button->mapToGlobal(QPoint(0, button->height())));
}

void TfrmLayout::PrepareNewObject(TLabelObject* object)
{
    if (!object)
        return;
    // 1. The tool state.
    const TStyleToolSpec spec = ToolState();
    if (IDOFillColor* f = Supports<IDOFillColor>(object)) {
        TColorSpec fill;
        fill.SetColor(spec.FillColor);
        f->SetFillColor(fill);
        f->SetNoFill(spec.NoFill);
    }
    if (IDOLineColor* l = Supports<IDOLineColor>(object)) {
        TColorSpec line;
        line.SetColor(spec.PenColor);
        l->SetLineColor(line);
    }
    if (IDOFont* f = Supports<IDOFont>(object)) {
        TFont font;
        font.Assign(*f->GetFont());
        font.SetName(spec.FontName);
        font.SetCharset(FaceCharset(spec.FontName));
        font.SetSize(spec.FontSize);
        font.SetStyle(spec.FontStyle);
        f->SetFont(font);
    }
    if (IDOAlign* a = Supports<IDOAlign>(object))
        a->SetAlign(spec.Align);
    // 2. The topmost selected object's look, complete (gradients and patterns too).
    if (TDrawObject* top = TopSelected(); top && top != object) {
        IDOFillColor* sf = Supports<IDOFillColor>(top);
        IDOFillColor* df = Supports<IDOFillColor>(object);
        if (sf && df && sf->GetFillColor()) {
            df->SetFillColor(*sf->GetFillColor());
            df->SetNoFill(sf->GetNoFill());
        }
        IDOLineColor* sl = Supports<IDOLineColor>(top);
        IDOLineColor* dl = Supports<IDOLineColor>(object);
        if (sl && dl && sl->GetLineColor())
            dl->SetLineColor(*sl->GetLineColor());
        IDOFont* sfo = Supports<IDOFont>(top);
        IDOFont* dfo = Supports<IDOFont>(object);
        if (sfo && dfo && sfo->GetFont())
            dfo->SetFont(*sfo->GetFont());
        IDOAlign* sa = Supports<IDOAlign>(top);
        IDOAlign* da = Supports<IDOAlign>(object);
        if (sa && da)
            da->SetAlign(sa->GetAlign());
    }
    // 3.
    AttachObject(object);
    // 4. A background covers the face in its shape.
    if (auto* back = dynamic_cast<TLOBackImage*>(object)) {
        back->SetFaceInfo(*FFaceInfo);
        back->FitToFace({0, 0, FSite->LogWidth(), FSite->LogHeight()});
    } else if (IDOBackImage* b = Supports<IDOBackImage>(object)) {
        b->FitToFace({0, 0, FSite->LogWidth(), FSite->LogHeight()});
    }
}

void TfrmLayout::SyncFromSelection()
{
    TDrawObject* top = TopSelected();
    if (!top)
        return;
    TStyleToolSpec spec = ToolState();
    if (IDOFillColor* f = Supports<IDOFillColor>(top)) {
        if (f->GetFillColor())
            spec.FillColor = f->GetFillColor()->Color();
        spec.NoFill = f->GetNoFill();
    }
    if (IDOLineColor* l = Supports<IDOLineColor>(top); l && l->GetLineColor())
        spec.PenColor = l->GetLineColor()->Color();
    if (IDOFont* f = Supports<IDOFont>(top); f && f->GetFont()) {
        spec.FontName = f->GetFont()->Name();
        spec.FontSize = f->GetFont()->Size();
        spec.FontStyle = f->GetFont()->Style() & 0x0F;
    }
    if (IDOAlign* a = Supports<IDOAlign>(top))
        spec.Align = a->GetAlign();
    if (spec != ToolState())
        SetToolState(spec);
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
        const bool chosen = OnChooseMergeData ? OnChooseMergeData() : ChooseMergeData(this, *FDocument);
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
    UpdateFieldTexts(all, {TFieldType::ftCreatorJapanese, TFieldType::ftCreatorEnglish}, DocumentFieldLines(*FDocument));
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
    for (const char* name : {"Undo", "Redo", "Cut", "Copy", "Clear", "SelectAll", "BringToFront", "SendToBack",
                             "Group", "Ungroup", "Lock", "Unlock", "DontPrint", "DoPrint", "VertText", "HorzText",
                             "Rotate90", "Rotate180", "Rotate270", "Property"})
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
        if (auto* c = FMoveModePanel->findChild<QCheckBox*>(QString::fromLatin1(name)); c && c->isChecked() != on) {
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
        popup[2]->setText(m.Circumference ? QStringLiteral("円周・直径上") : QStringLiteral("円周・直径上\tAlt"));
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
    FPanels[0]->setText(QStringLiteral("ﾏｳｽ(%1,%2)").arg(MillimetreText(logical.x()), MillimetreText(logical.y())));
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
        if (!key->isAutoRepeat() && (k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Up || k == Qt::Key_Down))
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
        if (watched == FSite) {
            // A drag (an object, a handle, the selection band) that reaches the
            // edge of the visible part scrolls the label along, before the site
            // tracks the ghost at the point.
            auto* me = static_cast<QMouseEvent*>(event);
            if ((me->buttons() & Qt::LeftButton) && DraggingOnSite() && AutoScrollAt(me->position().toPoint()))
                FAutoScrollTimer->start();
        }
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
