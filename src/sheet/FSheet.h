#pragma once
// The sheet view: the whole label sheet of the document's current sheet with a
// picture of every label, the sheet tabs, and the commands on labels and sheets.
#include "sheet/USheetLabels.h"
#include "sheet/USheetView.h"
#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QTabBar;
class QToolBar;

namespace velmo {

class TLabelData;
class TPaperInfo;
class TExPaperInfo;
class TImagePaperInfo;

// How the view asks and tells; the application installs its own message window.
struct TSheetMessages
{
    std::function<bool(const QString& question)> YesNo;    // Yes default, No cancel
    std::function<bool(const QString& question)> OkCancel; // OK default, Cancel cancel
    std::function<void(const QString& message)> Notice;
    // Message boxes of the toolkit.
    static TSheetMessages Standard(QWidget* parent);
};

// The sheet's draw site: presses choose a position and start a label drag.
class TSheetSite : public TDrawSite
{
public:
    explicit TSheetSite(TComponent* owner = nullptr, QWidget* parent = nullptr);

    // The position under a logical point, or -1.
    int PositionAt(QPoint logical) const;
    int DropTarget() const { return FDropTarget; }
    bool DropMoves() const { return FDropMoves; }
    bool Selecting() const { return FSelecting; }
    void SetSelecting(bool value) { FSelecting = value; }

    std::function<void(int position)> OnChoose;
    std::function<void(int source, int target, bool move)> OnDrop;
    std::function<void(int position)> OnOpen;

protected:
    void PaintAfter(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Highlight(int position, bool moves);
    void EndDrag();
    int FDragSource = -1;
    int FDropTarget = -1;
    bool FDropMoves = false;
    bool FSelecting = true;
    QPoint FPressPoint;
    bool FDragging = false;
};

class TfrmSheet : public QWidget
{
public:
    // Zoom steps in per cent; 0 is automatic (fit the sheet into the window).
    static const std::vector<int>& ZoomSteps();
    // The zoom the next sheet view opens with (0: automatic).
    static int RememberedZoom();
    // A new or opened document starts automatic again.
    static void ResetRememberedZoom();

    // fill: the merge step each label's picture is drawn with (the document's merge
    // session's; empty: the designs as stored).
    TfrmSheet(TLabelData& document, const QString& appTitle, QWidget* parent = nullptr, TLabelFill fill = {});
    ~TfrmSheet() override;

    void SetMessages(TSheetMessages messages) { FMessages = std::move(messages); }
    TLabelData& Document() const { return FDocument; }
    TSheetSite* Site() const { return FSite; }
    QTabBar* Tabs() const { return FTabs; }
    int Zoom() const { return FZoom; }
    void SetZoom(int percent);
    // Rebuilds the pictures and the site (after a change of the document).
    void RefreshAll();
    // Re-renders the pictures of the positions given, then rebuilds the site.
    void RefreshPositions(const std::vector<int>& positions);
    const std::vector<QImage>& Pictures() const { return FPictures; }

    // ---- the commands
    void CopyLabel();
    void CutLabel();
    void PasteLabel();
    bool CanPasteLabel() const;
    void ClearLabel();
    void DragLabel(int source, int target, bool move);
    void AddSheet();
    void DeleteSheet();
    void CopySheet();
    void MoveSheet();
    void RenameSheet();
    void ChooseSheet(int index);
    // Asks the paper-change questions; true when the change may go on.
    bool ConfirmPaperChange(const TPaperInfo& paper);
    // Takes the paper (designs beyond its positions go), the selection's design mode
    // and records, then rebuilds.
    void ChangePaper(const TPaperInfo& paper, bool separatelyDesign, const TExPaperInfo* extra,
                     const TImagePaperInfo* images);

    // Opening a label in the layout view (the main window's concern).
    std::function<void(int position)> OnOpenLayout;
    // The status bar panels are cleared whenever the sheet is shown.
    std::function<void()> OnClearStatus;

    QString ClipboardMimeType() const;
    QAction* Action(const QString& name) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSite();
    void UpdateTabs();
    void UpdateActions();
    void ApplyZoom();
    bool AskYesNo(const QString& question);
    int DevicePictureDpi() const;

    TLabelData& FDocument;
    QString FAppTitle;
    TSheetMessages FMessages;
    QToolBar* FToolBar = nullptr;
    QTabBar* FTabs = nullptr;
    QScrollArea* FScroll = nullptr;
    QWidget* FHolder = nullptr;
    TSheetSite* FSite = nullptr;
    QComboBox* FZoomBox = nullptr;
    QLabel* FSummary = nullptr;
    std::vector<QImage> FPictures;
    TLabelFill FFill;
    int FZoom = 0;
    bool FUpdatingTabs = false;
};

// The dialog of copying and moving sheets: the list of sheets in which one entry is
// moved up or down to the place wanted.
class TfrmSheetPosition : public QDialog
{
public:
    // With copiedEntry non-empty the entry is appended and moved; otherwise the
    // current sheet's entry is.
    TfrmSheetPosition(const QString& title, const QString& guidance, const QStringList& names, int current,
                      const QString& copiedEntry, QWidget* parent = nullptr);
    int Position() const { return FPosition; }
    void MoveUp();
    void MoveDown();
    QListWidget* List() const { return FList; }
    QPushButton* UpButton() const { return FUp; }
    QPushButton* DownButton() const { return FDown; }

private:
    void UpdateButtons();
    QListWidget* FList;
    QPushButton* FUp;
    QPushButton* FDown;
    int FPosition;
};

// The rename dialog: OK only while the name is not empty; a name that is taken keeps
// the dialog open with the message.
class TfrmSheetName : public QDialog
{
public:
    TfrmSheetName(const QString& name, std::function<QString(const QString&)> check,
                  std::function<void(const QString&)> notice, QWidget* parent = nullptr);
    QString Name() const;
    QLineEdit* Edit() const { return FEdit; }
    QPushButton* OkButton() const { return FOk; }
    void accept() override;

private:
    QLineEdit* FEdit;
    QPushButton* FOk;
    std::function<QString(const QString&)> FCheck;
    std::function<void(const QString&)> FNotice;
};

} // namespace velmo
