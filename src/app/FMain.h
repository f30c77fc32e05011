#pragma once
// The main window: owns the one open label document, hosts the sheet view (or the
// label editor) over it and carries the document's life cycle and file commands.
// Start-up reaches it through the virtual hooks; the test host's harness windows
// build a bare frame through the protected constructor.
#include "app/UWizardHook.h"
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;
class QToolBar;

class QPrinter;

namespace velmo {

class TCsvDB;
class TMergeSession;
class TLabelData;
class TVelmoPapers;
class TfrmSheet;
class TfrmLayout;
class TfrmPrinting;
class THistoryMenuManager;
class THistoryManager;
class TAutoSave;
class TDOList;
class TfrmAbout;
class TfrmInsertionController;

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up steps driven by the data module on idle.
    virtual void MakeInitialDocument();
    // Opens a work file (asks for one when empty); true when it is open.
    virtual bool OpenDocument(const QString& fileName);
    // The splash deletes itself when it closes.
    virtual bool SplashClosed() const { return FSplash.isNull(); }
    virtual void OfferStartupChoice();
    // True while the document is the not yet saved work restored from the autosave
    // copy of fileName: opening that file again would ask to throw the work away.
    virtual bool HoldsRestoredWorkOf(const QString& fileName) const;
    // True while the document is restored work not yet saved.
    virtual bool HoldsRestoredWork() const;

    // The application's catalogue (set by whoever makes the window).
    std::function<TVelmoPapers*()> Catalogue;

    // ---- the document operations the views, start-up and the wizards use ----
    // True: go on (saved, discarded, or nothing to save).
    bool AskToSave();
    bool NewDocument(bool silent);
    bool LoadWorkFile(const QString& fileName);
    bool Save();
    bool SaveAs();
    // Saves to fileName, no dialog (Save and Save as end here).
    bool SaveTo(const QString& fileName);
    bool RunWizard(TWizardKind kind);
    void RefreshView();
    // Switches to the sheet view (true) or the label editor (false).
    bool SwitchView(bool sheet);
    bool ChangePaper();
    // Export of the current label: the dialog, then ExportLabelTo.
    bool ExportLabel();
    bool ExportLabelTo(const QString& fileName, bool jpeg);
    bool Print();
    bool ChooseMergeData();
    bool ShowMergeData();
    bool EnvironmentDialog();
    void ShowAbout(bool staffRoll);
    void OpenHelp();
    // Chosen through the start-up choice's buttons (exposed for the tests).
    enum class TStartupChoice
    {
        New,
        Open,
        Matching,
        Wizard,
        Exit
    };
    // Runs the choice once; true when a document was made or the window closes.
    bool RunStartupChoice(TStartupChoice choice);

    TLabelData* Document() const { return FDocument.get(); }
    const QString& FileName() const { return FFileName; }
    TfrmSheet* SheetView() const { return FSheet; }
    bool SheetViewShown() const { return FSheet != nullptr; }
    TfrmLayout* LayoutView() const { return FLayout; }
    bool LayoutViewShown() const { return FLayout != nullptr; }
    // The record browser over the layout view (nullptr in a bare frame).
    TfrmInsertionController* InsertionController() const { return FInsertionController; }
    TMergeSession& MergeSession() const { return *FMergeSession; }
    // The merge step the sheet view draws each label with: the session's record k.
    std::function<void(TDOList& objects, int k)> LabelFill() const;
    QAction* Command(const QString& name) const;
    QMenu* HelpMenu() const { return FHelpMenu; }
    QMenu* FileMenu() const { return FFileMenu; }
    THistoryMenuManager* OpenFileHistory() const { return FOpenHistory; }
    // The window title as the document stands (without the modified mark).
    QString TitleText() const;
    // The autosave copy of this run's document (empty while there is none).
    QString AutoSavePath() const;
    // Writes the autosave copy now when the document has changes (the timer's step).
    void AutoSaveNow();

    // ---- hooks for the tests and the test host ----
    // Replaces the file dialogs: (kind, suggested path) -> chosen path, empty on Cancel.
    enum class TFileDialogKind
    {
        OpenDocument,
        SaveDocument,
        ExportPicture,
        OpenCsv
    };
    std::function<QString(TFileDialogKind kind, const QString& suggested, int* filterIndex)> FileDialogHook;
    // Replaces the paper selection dialog of New: false is Cancel.
    std::function<bool()> NewPaperDialogHook;
    std::function<void(TfrmPrinting&)> OnPrintingWindow;
    std::function<void(TDOList& objects, int counter)> PrintFaceHook;
    // Replaces the system's printer dialog of "プリンタ設定" (true for OK).
    std::function<bool(QPrinter& printer)> PrinterSetupHook;
    // Replaces the start-up choice dialog: returns the button pressed.
    std::function<TStartupChoice()> StartupChoiceHook;
    // Opens an address in the desktop's browser (tests record it instead).
    std::function<bool(const QUrl&)> OpenUrlHook;

    // Windows made after this show the splash or not (tests leave it out).
    static void SetSplashEnabled(bool value);
    // The folder of the user guide's installed pages ("" when none was found).
    static QString HelpIndexFile();

protected:
    struct TBare
    {
    };
    // A frame without commands or document (the test host's harness windows).
    TfrmMain(QWidget* parent, TBare);

    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildCommands();
    QAction* AddCommand(QMenu* menu, const QString& name, const QString& caption,
                        const QKeySequence& shortcut, std::function<void()> run);
    void ShowView(bool sheet);
    // writeBack: the layout view's label goes into the document first (not when the
    // document itself is being replaced).
    void DropView(bool writeBack);
    void SetTitle();
    void UpdateModifiedMark();
    void AddToHistory(const QString& fileName);
    void TakeDocument(std::unique_ptr<TLabelData> document, const QString& fileName);
    bool OpenLoaded(const QString& fileName);
    // A gLabels project as a new untitled document; what it could not carry over is
    // listed once.
    bool OpenGlabelsProject(const QString& fileName);
    void OpenMergeOfDocument();
    // Shows the insertion controller while the layout view shows merge data and the
    // user wants it (autoShow: merge data was just linked; a label with merge objects
    // asks for it).
    void UpdateInsertionController(bool autoShow);
    void ClearUnusedMergeLink();
    void StoreLayout();
    QString AskFileName(TFileDialogKind kind, const QString& suggested, int* filterIndex);

public:
    // Where the file dialog of the kind starts: the suggested file when it names a
    // folder that exists, else the last folder used for the kind, else the documents
    // folder (with the suggested name in it).
    QString FileDialogStart(TFileDialogKind kind, const QString& suggested) const;

private:
    void AboutToShowHelp();
    void PrinterSetup();
    void EditUpdateUrl();
    bool OfferAutoSaveBack();

    std::unique_ptr<TLabelData> FDocument;
    // The document's merge database: this window's, lent to its views and dialogs
    // through the session.
    std::unique_ptr<TCsvDB> FMergeData;
    // The document's merge data, the record the editor shows, the merge step.
    std::unique_ptr<TMergeSession> FMergeSession;
    QString FFileName;
    TfrmSheet* FSheet = nullptr;
    TfrmLayout* FLayout = nullptr;
    QToolBar* FToolBar = nullptr;
    bool FBare = false;
    bool FClosingAllowed = false;
    bool FRestored = false;
    QMenu* FFileMenu = nullptr;
    QMenu* FHelpMenu = nullptr;
    QMenu* FRecentMenu = nullptr;
    QAction* FRecentAnchor = nullptr;
    THistoryMenuManager* FOpenHistory = nullptr;
    THistoryManager* FFolderHistory = nullptr;
    QTimer* FModifiedTimer = nullptr;
    QTimer* FAutoSaveTimer = nullptr;
    std::unique_ptr<TAutoSave> FAutoSave;
    QPointer<QWidget> FSplash;
    TfrmInsertionController* FInsertionController = nullptr;
};

} // namespace velmo
