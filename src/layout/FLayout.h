#pragma once
// The layout view: the editor of one label position of the document's current
// sheet. It shows the sheet tabs, the label as a draw site on a white area with a
// drop shadow inside a scroll area with the two rulers, the sheet overview in which
// the position is chosen, the command and style tool bars, its menus and the status
// panels. The main window hosts it and supplies what belongs to the whole program
// (file and help menus, new/open/save/print, paper selection, the view switches and
// the choice of merge data) through the hooks below.
#include "base/UGraphics.h"
#include "sheet/FSheet.h"
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace velmo {

class TDOList;
class TDrawSite;
class TDrawObject;
class TDrawSiteActionBase;
class TLabelData;
class TLabelObject;
class TCsvDB;
class TMergeDesigner;
class TMergeSession;
class TLayoutAids;
class TPaperSite;
class TFaceInfo;

// The style tool's state and the default style of new objects.
struct TStyleToolSpec
{
    QString FontName = QStringLiteral("ＭＳ Ｐゴシック");
    int FontSize = 24;
    int Align = 0; // 0 left, 1 centre, 2 right, 3 equal spacing
    TFontStyles FontStyle = 0;
    TColor PenColor = 0;
    TColor FillColor = 12632256;
    bool NoFill = false;
    bool operator==(const TStyleToolSpec&) const = default;
};

// Where the default style is kept between runs. The application installs its
// settings; without a store the defaults are the built-in ones and nothing is kept.
struct TLayoutSettingsStore
{
    std::function<int(const QString& name, int defaultValue)> ReadInteger;
    std::function<QString(const QString& name, const QString& defaultValue)> ReadString;
    std::function<void(const QString& name, int value)> WriteInteger;
    std::function<void(const QString& name, const QString& value)> WriteString;
};

// What the main window lends the view for the time it hosts it. Every member may
// be empty; an empty command leaves its tool button out.
struct TLayoutMainCommands
{
    QMenu* FileMenu = nullptr;      // "ファイル(&F)", shown first in the view's menu bar
    QMenu* HelpMenu = nullptr;      // "ヘルプ(&H)", shown last
    QAction* New = nullptr;         // "新規"
    QAction* Open = nullptr;        // "開く"
    QAction* Save = nullptr;        // "保存"
    QAction* Print = nullptr;       // "印刷"
    QAction* PaperSelect = nullptr; // "用紙選択"
    QAction* SheetView = nullptr;   // the view menu's sheet-view entry
    QAction* LayoutView = nullptr;  // the view menu's layout-view entry
};

class TfrmLayout : public QWidget
{
public:
    // Fixed zoom steps in per cent.
    static const std::vector<int>& ZoomSteps();
    // The zoom the next layout view opens with (0: automatic), kept for the run.
    static int RememberedZoom();
    // A new or opened document starts automatic again.
    static void ResetRememberedZoom();
    static void SetSettingsStore(TLayoutSettingsStore store);
    // The zoom step a zoom in (up) or out (down) goes to from scale; 0 at the ends.
    static int NextZoomStep(int scale, bool up);

    explicit TfrmLayout(QWidget* parent = nullptr);
    // Closing: cancels ghost operations, removes the hooks, remembers the zoom and
    // keeps the default style. The document is not written back here (the main
    // window decides; it calls WriteBack() first).
    ~TfrmLayout() override;

    // ---- the document
    // The document edited (not owned); nullptr empties the view. Call ShowLabel()
    // after setting it.
    void SetDocument(TLabelData* document);
    TLabelData* Document() const { return FDocument; }
    void SetMessages(TSheetMessages messages) { FMessages = std::move(messages); }

    // Loads the document's current position into the site and gives it the focus.
    void ShowLabel();
    // Stores the label into the document when the site is modified.
    void WriteBack();
    // Writes the label's design as it stands into the document for a safety copy,
    // leaving the view as the user has it: undo history, a creation in progress and
    // the site's own changes stay. False (nothing written) while a creation is pending.
    bool WriteDesignCopy();
    // The site holds changes not yet written back.
    bool Modified() const;
    // The tab row changed: write back, make the sheet current, show the label.
    void ChangeSheet(int index);
    // A position chosen in the overview: write back, make it current, show it.
    void ChoosePosition(int k);
    // Rebuilds the tab row after sheets were added, removed or renamed.
    void UpdateTabs();
    // Merge data was chosen or moved to another record: the label's merge and
    // numbering objects show position k's record again (no undo step, no change
    // mark: what is shown is not part of the design).
    void ReapplyMergeRecord();
    // The open document's merge session (the main window's): the record each
    // position shows, the merge step, and what the merge dialogs of the view's
    // objects work with. Without one (nullptr) the view keeps a session of its own
    // whose merge data is only what its merge data dialog links; until then merge
    // objects show no value and numbering objects their position's number.
    void SetMergeSession(TMergeSession* session);
    TMergeSession& MergeSession() const { return *FMergeSession; }
    // Called when ShowLabel has shown a label (another position, sheet or document).
    std::function<void()> OnLabelShown;
    // The label holds merge objects (in groups too).
    bool HoldsMergeObjects() const;
    // The field of the selected merge object, else of the first one on the label;
    // -1 when the label has none.
    int MergeFieldOfSelection() const;

    // A file dropped on the main window: true when it was taken as a picture, or
    // when a Photo CD file's dialog settled it (cancelled, or the file unreadable).
    bool OfferDroppedFile(const QString& fileName);

    // ---- zoom: 0 is automatic
    int Zoom() const { return FZoom; }
    void SetZoom(int percent);
    void ZoomIn();
    void ZoomOut();
    int Scale() const;

    // ---- hooks while the view is the hosted one
    // Registers the snapping and creation hooks (done by the constructor too; a
    // main window that hosts two views calls it when this one becomes active).
    void Activate();
    void Deactivate();

    // ---- what the view contributes to the main window
    void SetMainCommands(const TLayoutMainCommands& commands);
    // The view's own menu bar ("ファイル" … "ヘルプ"), shown at the top of the view.
    // A main window that prefers its own bar takes Menus() instead.
    QMenuBar* MenuBar() const { return FMenuBar; }
    // "編集" … "表示" in order.
    QList<QMenu*> Menus() const { return FMenus; }
    QMenu* ObjectMenu() const { return FObjectMenu; }
    QToolBar* CommandToolBar() const { return FCommandBar; }
    QToolBar* StyleToolBar() const { return FStyleBar; }
    // The main window's status bar (its five panels); nullptr: no status texts.
    void SetStatusBar(QStatusBar* bar);
    QString StatusText(int panel) const;

    // Called when an insert command of a merge kind finds no merge data: true when
    // merge data was chosen. Empty: the merge data dialog of the document is used.
    std::function<bool()> OnChooseMergeData;
    // "シート全体画面" (empty: the main commands' SheetView runs).
    std::function<void()> OnSheetView;
    // "クリエーター情報の編集(&C)...": the creator dialog on the document's creator
    // records (the main window holds the product store); true when OK stored them.
    // Empty: the command is disabled.
    std::function<bool(TLabelData& document)> OnEditCreatorInfo;
    // "プロダクト情報の編集(&P)...": the product dialog; answers 6 (Yes: stored, the
    // texts take the product fields), 7 (No: stored) or 0. Empty: disabled.
    std::function<int(TLabelData& document)> OnEditProductInfo;
    // Called after the texts took the creator or product fields (the main window
    // marks the document modified).
    std::function<void()> OnDocumentChanged;

    // ---- parts, for the main window and the tests
    TDrawSite* Site() const { return FSite; }
    TPaperSite* Overview() const { return FOverview; }
    QTabBar* Tabs() const { return FTabs; }
    QScrollArea* ScrollArea() const { return FScroll; }
    TLayoutAids* Aids() const { return FAids; }
    // A command by object name ("actText", "actZoom100", "Undo", …), or nullptr.
    QAction* Action(const QString& name) const;
    const TFaceInfo& FaceInfo() const { return *FFaceInfo; }

    // ---- style
    TStyleToolSpec ToolState() const;
    void SetToolState(const TStyleToolSpec& spec);
    const TStyleToolSpec& DefaultStyle() const { return FDefaultStyle; }
    QComboBox* FontSizeBox() const { return FFontSize; }
    // The style commands, as the tool bar runs them.
    void ApplyFontName(const QString& name);
    // False when the text is not a size the objects take (ignored).
    bool ApplyFontSize(const QString& text);
    void ApplyFontStyle(TFontStyles style);
    void ApplyAlign(int align);
    void ApplyPenColor(TColor color);
    void ApplyFillColor(TColor color, bool noFill);
    // The creation hook: the tool state and the topmost selected object's look.
    void PrepareNewObject(TLabelObject* object);

    // ---- commands
    // Runs an insert command by its kind ("TLOText", …); false when nothing started.
    bool Insert(const QString& kind);
    // Whether the kind's class is registered (its insert command is enabled); the
    // illustration and scanner kinds also need their creator preparation (the
    // picture browser, the scanner), since their class is the image object's.
    static bool CanInsert(const QString& kind);
    // "背景柄(&B)...": edits the label's background or makes one.
    void BackgroundCommand();
    void EditCreatorInfo();
    void EditProductInfo();
    // Idle processing: pivots, status, style sync, select tool (also run by a timer
    // after input; the main window may call it from its idle notifier).
    void IdleUpdate();
    // Status bar update alone.
    void UpdateStatus();
    // The select tool: cancels a pending creation.
    void PressSelectTool();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWidgets();
    // Record (the session's choice for the position) into the label's merge objects.
    void FillMergeRecord(TDOList& objects, int position);
    // Merge data for a merge kind (OnChooseMergeData, else the merge data dialog):
    // true when chosen.
    bool ChooseMergeDataForDocument();
    void BuildCommands();
    void BuildMenus();
    void BuildStyleBar();
    void RebuildMenuBar();
    // The view's edit box (a combo box's or spin box's own) that has the keyboard.
    QLineEdit* FocusedTextBox() const;
    static void UpdateTextBoxCommand(QAction& action, const QString& command, const QLineEdit& box);
    static void RunTextBoxCommand(const QString& command, QLineEdit& box);
    void ReadDefaultStyle();
    void WriteDefaultStyle();
    void ShowToolState(const TStyleToolSpec& spec);
    void UpdateDefaults();
    void SyncFromSelection();
    void Resize();
    void PlaceSite();
    void ScrollToSelection();
    void ApplyStyle(const std::function<void(TDrawObject*)>& change, const QString& iface);
    void PopupColorGrid(bool fill);
    void InsertCommand(const QString& kind, bool merge);
    void ScheduleIdle();
    bool HandleSiteKey(QKeyEvent* event);
    void MoveSelectionBy(int dx, int dy);
    void EndKeyMoveRun();
    void CycleSelection(bool forward);
    void ZoomAt(int percent, QPoint sitePoint);
    void PaintOverlay(QPainter& painter);
    void AttachObject(TDrawObject* object);
    void UpdateCommandStates();
    TDrawObject* TopSelected() const;

    TLabelData* FDocument = nullptr;
    std::unique_ptr<TCsvDB> FOwnMergeData;
    std::unique_ptr<TMergeSession> FOwnMergeSession;
    TMergeSession* FMergeSession = nullptr;
    // Opens the dialogs of the date, numbering and merge objects on this view's
    // session; registered while the view is the active one.
    std::shared_ptr<TMergeDesigner> FMergeDesigner;
    TSheetMessages FMessages;
    TLayoutMainCommands FMain;
    std::unique_ptr<TFaceInfo> FFaceInfo;
    TStyleToolSpec FDefaultStyle;
    int FZoom = 0;

    QMenuBar* FMenuBar = nullptr;
    QList<QMenu*> FMenus;
    QMenu* FObjectMenu = nullptr;
    QMenu* FMoveModeMenu = nullptr;
    QWidget* FMoveModePanel = nullptr;
    QToolBar* FCommandBar = nullptr;
    QToolBar* FStyleBar = nullptr;
    // The tool bar's buttons for the main window's new, open, save, print and paper
    // selection (made by SetMainCommands).
    std::vector<QAction*> FMainButtons;
    QTabBar* FTabs = nullptr;
    QScrollArea* FScroll = nullptr;
    QWidget* FHolder = nullptr;
    TDrawSite* FSite = nullptr;
    TPaperSite* FOverview = nullptr;
    QPushButton* FSheetButton = nullptr;
    TLayoutAids* FAids = nullptr;
    QComboBox* FFontName = nullptr;
    QComboBox* FFontSize = nullptr;
    QToolButton* FPenButton = nullptr;
    QToolButton* FFillButton = nullptr;
    QActionGroup* FToolGroup = nullptr;
    QActionGroup* FZoomGroup = nullptr;
    QAction* FSelectTool = nullptr;
    QAction* FZoomAuto = nullptr;
    std::vector<std::pair<QString, QAction*>> FInsertActions;
    QPointer<QStatusBar> FStatusBar;
    std::vector<QLabel*> FPanels;
    TColor FPenColor = 0;
    TColor FFillColor = 12632256;
    bool FNoFill = false;
    bool FUpdatingTabs = false;
    bool FIdleScheduled = false;
    bool FShowingTools = false;
    bool FActive = false;
    bool FWasGhost = false;
    // An arrow-key run: one "移動" group for the keys pressed in a row.
    bool FKeyMoveRun = false;
    std::vector<std::unique_ptr<class TDOChangeAction>> FKeyMoves;
    QPoint FLastPointer;
};

} // namespace velmo
