#include "app/FMain.h"
#include "app/FAbout.h"
#include "app/FAppForms.h"
#include "app/FEnvironment.h"
#include "app/FHistoryMenu.h"
#include "app/FTemplateCall.h"
#include "app/UAppFrame.h"
#include "app/UAutoSave.h"
#include "app/UMainCommands.h"
#include "base/UDateTime.h"
#include "base/UFolderHistory.h"
#include "base/UModalResult.h"
#include "document/FField.h"
#include "document/FOldPaperMerge.h"
#include "document/FProduct.h"
#include "document/FProductDialogs.h"
#include "document/ULabelData.h"
#include "document/UProductInfo.h"
#include "draw/UDOAction.h"
#include "glabels/UGlabelsProject.h"
#include "imaging/FPhotoCD.h"
#include "layout/FLayout.h"
#include "merge/FCsvBrowser.h"
#include "merge/FInsertionController.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/FImageDialogs.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FPaperMaintenance.h"
#include "paperui/FPaperSelect.h"
#include "paperui/FUpdatePaper.h"
#include "print/FPrintPaper.h"
#include "print/UPrinter.h"
#include "sheet/FSheet.h"
#include "sheet/USheetLabels.h"
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <set>

namespace velmo {

namespace {

bool GSplashEnabled = true;

const QString kModifiedQuestion = QStringLiteral("データが修正されています\r\n保存しますか？");

QString AppTitle()
{
    return ExpandMacros(QStringLiteral("$(AppName)"));
}

QString DocumentFilter()
{
    return FormatText(QStringLiteral("%sﾃﾞｰﾀ(*.%s)|*.%s|すべてのﾌｧｲﾙ(*.*)|*.*"),
                      {AppTitle(), QStringLiteral("lbd"), QStringLiteral("lbd")});
}

// "A(*.a)|*.a|B(*.*)|*.*" as Qt writes filters: "A(*.a);;B(*.*)".
QString QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString caption = parts[i];
        // Qt takes the patterns from the parentheses; a caption without them gets them.
        if (!caption.contains(QLatin1Char('(')))
            caption += QStringLiteral(" (%1)").arg(parts[i + 1]);
        out << caption;
    }
    return out.join(QStringLiteral(";;"));
}

void Tell(const QString& message)
{
    AppMessageBox(message, {bkOK}, 0, 0, false);
}

TSheetMessages SheetMessages()
{
    TSheetMessages m;
    m.YesNo = [](const QString& q) { return AppMessageBox(q, {bkYes, bkNo}, 0, 1, false) == mrYes; };
    m.OkCancel = [](const QString& q) { return AppMessageBox(q, {bkOK, bkCancel}, 0, 1, false) == mrOk; };
    m.Notice = [](const QString& text) { Tell(text); };
    return m;
}

class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The start-up choice: five large buttons under the application's title.
class TfrmStartupChoice : public QDialog
{
public:
    explicit TfrmStartupChoice(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("frmStartupChoice"));
        setWindowTitle(AppTitle());
        auto* layout = new QVBoxLayout(this);
        auto* caption = new QLabel(QStringLiteral("はじめに、することを選んでください。"), this);
        layout->addWidget(caption);
        const bool wizards = WizardRunnerRegistered();
        const std::pair<const char*, TfrmMain::TStartupChoice> entries[] = {
            {"新規作成", TfrmMain::TStartupChoice::New},
            {"開く", TfrmMain::TStartupChoice::Open},
            {"おそろいラベル", TfrmMain::TStartupChoice::Matching},
            {"ウイザード", TfrmMain::TStartupChoice::Wizard},
            {"終了", TfrmMain::TStartupChoice::Exit},
        };
        for (const auto& [text, choice] : entries) {
            const bool wizard =
                choice == TfrmMain::TStartupChoice::Matching || choice == TfrmMain::TStartupChoice::Wizard;
            if (wizard && !wizards)
                continue;
            auto* button = new QPushButton(QString::fromUtf8(text), this);
            button->setMinimumSize(240, 40);
            button->setObjectName(QStringLiteral("btnChoice%1").arg(int(choice)));
            layout->addWidget(button);
            const TfrmMain::TStartupChoice c = choice;
            connect(button, &QPushButton::clicked, this, [this, c] {
                Choice = c;
                accept();
            });
            if (c == TfrmMain::TStartupChoice::New)
                button->setDefault(true);
        }
        // Placed over the main window by its real size.
        adjustSize();
        PrepareForm(this);
    }
    TfrmMain::TStartupChoice Choice = TfrmMain::TStartupChoice::Exit;
};

} // namespace

// ---------------------------------------------------------------------------------

TfrmMain::TfrmMain(QWidget* parent, TBare)
    : QMainWindow(parent), FMergeData(std::make_unique<TCsvDB>()),
      FMergeSession(std::make_unique<TMergeSession>(*FMergeData)), FBare(true)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    SetMainForm(this);
    PrepareForm(this);
}

TfrmMain::TfrmMain(QWidget* parent)
    : QMainWindow(parent), FMergeData(std::make_unique<TCsvDB>()),
      FMergeSession(std::make_unique<TMergeSession>(*FMergeData))
{
    setObjectName(QStringLiteral("frmMain"));
    SetMainForm(this);
    // Nothing works without the product store: the documents' records come from it.
    try {
        if (!ProductDB().Initialized())
            ProductDB().Initialize();
    } catch (const std::exception&) {
        Tell(FormatText(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの実行に必要なﾌｧｲﾙ「%s」が開けませんでした"),
                        {QFileInfo(ExpandMacros(QStringLiteral("$(ProductDB)"))).fileName()}));
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    ApplyShowHint(ReadSettingBool(QStringLiteral("DefaultShowHint"), true));
    setAcceptDrops(true);
    setWindowTitle(AppTitle());
    // The splash: the About window, not waited for.
    if (GSplashEnabled) {
        // Watched through the guarded pointer, not destroyed(): the splash is also
        // deleted as a child while this window is half destroyed.
        FSplash = new TfrmAbout(true, false, this);
        FSplash->show();
    }
    FDocument = std::make_unique<TLabelData>();
    FMergeSession->SetDocument(FDocument.get());
    BuildCommands();
    PrepareForm(this);
    statusBar();
    FModifiedTimer = new QTimer(this);
    FModifiedTimer->setInterval(400);
    connect(FModifiedTimer, &QTimer::timeout, this, [this] { UpdateModifiedMark(); });
    FModifiedTimer->start();
    FAutoSave = std::make_unique<TAutoSave>(TAutoSave::DefaultFolder());
    FAutoSaveTimer = new QTimer(this);
    FAutoSaveTimer->setInterval(std::max(5, ReadSettingInteger(QStringLiteral("AutoSaveSeconds"), 120)) *
                                1000);
    connect(FAutoSaveTimer, &QTimer::timeout, this, [this] { AutoSaveNow(); });
    FAutoSaveTimer->start();
}

TfrmMain::~TfrmMain()
{
    DropView(false);
    if (MainForm() == this)
        SetMainForm(nullptr);
}

std::function<void(TDOList&, int)> TfrmMain::LabelFill() const
{
    return [session = FMergeSession.get()](TDOList& objects, int k) { session->FillLabel(objects, k); };
}

void TfrmMain::SetSplashEnabled(bool value)
{
    GSplashEnabled = value;
}

QAction* TfrmMain::AddCommand(QMenu* menu, const QString& name, const QString& caption,
                              const QKeySequence& shortcut, std::function<void()> run)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    // Short cuts work whichever menu bar shows: the layout view brings its own.
    addAction(action);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return action;
}

QAction* TfrmMain::Command(const QString& name) const
{
    return findChild<QAction*>(name);
}

void TfrmMain::BuildCommands()
{
    FFileMenu = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QMenu* file = FFileMenu;
    AddCommand(file, QStringLiteral("actNew"), QStringLiteral("新規作成(&N)..."),
               QKeySequence(Qt::CTRL | Qt::Key_N), [this] { NewDocument(false); });
    QAction* wizard =
        AddCommand(file, QStringLiteral("actWizard"), QStringLiteral("新規作成ウイザード(&W)..."), {},
                   [this] { RunWizard(TWizardKind::Plain); });
    QAction* matching =
        AddCommand(file, QStringLiteral("actMatching"), QStringLiteral("新規作成おそろいラベル(&E)..."), {},
                   [this] { RunWizard(TWizardKind::Matching); });
    AddCommand(file, QStringLiteral("actOpen"), QStringLiteral("開く(&O)..."),
               QKeySequence(Qt::CTRL | Qt::Key_O), [this] { OpenDocument(QString()); });
    FRecentMenu = file->addMenu(QStringLiteral("最近使ったファイル(&D)"));
    FRecentMenu->setObjectName(QStringLiteral("mnuRecent"));
    FRecentAnchor = FRecentMenu->addAction(QStringLiteral("(なし)"));
    FOpenHistory = new THistoryMenuManager(this);
    FOpenHistory->SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    FOpenHistory->SetUseAccelerator(true);
    FOpenHistory->SetClearHistoryCaption(QStringLiteral("履歴の消去"));
    FOpenHistory->SetMenuItem(FRecentAnchor);
    FOpenHistory->OnMenuClick = [this](const QString& entry) {
        // Opened after the menu has closed: the question and dialogs need the loop.
        QTimer::singleShot(0, this, [this, entry] { OpenDocument(entry); });
    };
    FFolderHistory = new THistoryManager(this);
    FFolderHistory->SetRegistryKey(QStringLiteral("$(LabelDataHistory)"));
    file->addSeparator();
    AddCommand(file, QStringLiteral("actSave"), QStringLiteral("保存(&S)"),
               QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Save(); });
    AddCommand(file, QStringLiteral("actSaveAs"), QStringLiteral("名前を付けて保存(&A)..."), {},
               [this] { SaveAs(); });
    AddCommand(file, QStringLiteral("actExport"), QStringLiteral("他形式保存(&H)..."), {},
               [this] { ExportLabel(); });
    file->addSeparator();
    AddCommand(file, QStringLiteral("actTemplate"), QStringLiteral("ラベルテンプレートの呼び出し(&T)..."), {},
               [this] {
                   // The template replaces the current label's design.
                   if (!FDocument || FDocument->LabelCount() == 0)
                       return;
                   StoreLayout();
                   const int k = std::clamp(FDocument->CurrentLabelNo(), 0, FDocument->LabelCount() - 1);
                   if (!CallLabelTemplate(*FDocument, k, this))
                       return;
                   // The history refers to the objects the view showed before.
                   TActionList::Instance().Clear();
                   FDocument->SetModified(true);
                   if (FSheet)
                       FSheet->RefreshPositions({k});
                   else
                       ShowView(false);
               });
    AddCommand(file, QStringLiteral("actSelectPaper"), QStringLiteral("用紙選択(&L)..."), {},
               [this] { ChangePaper(); });
    QMenu* merge = file->addMenu(QStringLiteral("差し込みデータ(&M)"));
    merge->setObjectName(QStringLiteral("mnuMerge"));
    AddCommand(merge, QStringLiteral("actMergeFile"), QStringLiteral("CSVファイルの選択(&F)..."), {},
               [this] { ChooseMergeData(); });
    AddCommand(merge, QStringLiteral("actMergeList"), QStringLiteral("CSVデータの一覧(&V)..."), {},
               [this] { ShowMergeData(); });
    {
        // The record browser over the label: which record the merge objects show.
        FInsertionController = new TfrmInsertionController(this, *FMergeSession);
        FInsertionController->Position = [this] {
            return FDocument ? std::max(FDocument->CurrentLabelNo(), 0) : 0;
        };
        FInsertionController->SelectedField = [this] {
            return FLayout ? std::max(FLayout->MergeFieldOfSelection(), 0) : 0;
        };
        FInsertionController->OnRecordChanged = [this] {
            if (FLayout)
                FLayout->ReapplyMergeRecord();
        };
        QAction* controller = AddCommand(merge, QStringLiteral("actMergeController"),
                                         QStringLiteral("差し込みコントローラ(&C)"), {}, [] {});
        controller->setCheckable(true);
        controller->setEnabled(false);
        FInsertionController->OnClosed = [controller] { controller->setChecked(false); };
        connect(controller, &QAction::triggered, this, [this, controller](bool on) {
            if (on && !FMergeSession->Linked() && !ChooseMergeData()) {
                controller->setChecked(false);
                return;
            }
            UpdateInsertionController(false);
            if (on && FInsertionController->isVisible()) {
                // Asked for: it takes the keyboard.
                FInsertionController->TakeKeyboard();
            }
        });
    }
    file->addSeparator();
    AddCommand(file, QStringLiteral("actEnvironment"), QStringLiteral("環境設定(&E)..."), {},
               [this] { EnvironmentDialog(); });
    AddCommand(file, QStringLiteral("actPrinterSetup"), QStringLiteral("プリンタ設定(&R)..."), {},
               [this] { PrinterSetup(); });
    AddCommand(file, QStringLiteral("actPrint"), QStringLiteral("印刷(&P)..."),
               QKeySequence(Qt::CTRL | Qt::Key_P), [this] { Print(); });
    file->addSeparator();
    AddCommand(file, QStringLiteral("actExit"), ExpandMacros(QStringLiteral("$(AppName)の終了(&X)")), {},
               [this] { close(); });
    connect(file, &QMenu::aboutToShow, this, [this, wizard, matching] {
        wizard->setVisible(WizardRunnerRegistered());
        matching->setVisible(WizardRunnerRegistered());
        FRecentMenu->setEnabled(!FOpenHistory->Items().isEmpty());
    });
    wizard->setVisible(WizardRunnerRegistered());
    matching->setVisible(WizardRunnerRegistered());
    FRecentMenu->setEnabled(!FOpenHistory->Items().isEmpty());

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    AddCommand(view, QStringLiteral("actSheetView"), QStringLiteral("ラベルシート表示(&S)"), {},
               [this] { SwitchView(true); });
    AddCommand(view, QStringLiteral("actLayoutView"), QStringLiteral("ラベル表示(&L)"), {},
               [this] { SwitchView(false); });

    FHelpMenu = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    QMenu* help = FHelpMenu;
    AddCommand(help, QStringLiteral("actHelp"), ExpandMacros(QStringLiteral("$(AppName)の使い方(&C)")),
               QKeySequence(Qt::Key_F1), [this] { OpenHelp(); });
    help->addSeparator();
    AddCommand(help, QStringLiteral("actUpdatePaper"), QStringLiteral("用紙情報の自動更新(&U)..."), {},
               [this] {
                   if (TVelmoPapers* papers = Catalogue ? Catalogue() : nullptr)
                       ExecuteUpdatePaper(*papers, this);
               });
    AddCommand(help, QStringLiteral("actOldPaperMerge"), QStringLiteral("以前の用紙情報の取り込み(&I)..."),
               {}, [this] {
                   if (TVelmoPapers* papers = Catalogue ? Catalogue() : nullptr)
                       ExecuteOldPaperMerge(this, *papers);
               });
    help->addSeparator();
    QAction* extended =
        AddCommand(help, QStringLiteral("actExtendedPaper"), QStringLiteral("用紙選択機能の拡張"), {}, [] {
            // One switch for the paper selection, the paper editors and the wizard items
            // of the picture and text dialogs.
            ToggleExtendedPaperMode();
        });
    extended->setCheckable(true);
    AddCommand(help, QStringLiteral("actUpdateUrl"), QStringLiteral("アップデートURLの変更"), {},
               [this] { EditUpdateUrl(); });
    help->addSeparator();
    AddCommand(help, QStringLiteral("actAbout"), QStringLiteral("バージョン情報(&A)..."), {}, [this] {
        const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
        ShowAbout((held & Qt::ShiftModifier) && (held & Qt::ControlModifier));
    });
    connect(help, &QMenu::aboutToShow, this, [this] { AboutToShowHelp(); });
    AboutToShowHelp();

    QToolBar* tools = addToolBar(QStringLiteral("標準"));
    FToolBar = tools;
    tools->setObjectName(QStringLiteral("tbMain"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const std::pair<const char*, const char*> buttons[] = {
        {"actNew", "新規作成"}, {"actOpen", "開く"},        {"actSave", "保存"},
        {"actPrint", "印刷"},   {"actSelectPaper", "用紙"}, {"actMergeFile", "CSV"},
    };
    for (const auto& [name, text] : buttons) {
        QAction* a = Command(QString::fromLatin1(name));
        a->setIconText(QString::fromUtf8(text));
        a->setToolTip(a->text().remove(QLatin1Char('&')));
        tools->addAction(a);
    }
}

void TfrmMain::AboutToShowHelp()
{
    const bool special = ReadSettingBool(QStringLiteral("EnableSpecialMenu"), false);
    Command(QStringLiteral("actExtendedPaper"))->setVisible(special);
    Command(QStringLiteral("actExtendedPaper"))->setChecked(PaperExtendedModeOn());
    Command(QStringLiteral("actUpdateUrl"))->setVisible(special);
}

void TfrmMain::EditUpdateUrl()
{
    ExecuteUpdateURL(this);
}

// ---------------------------------------------------------------------------------
// Title and changes

QString TfrmMain::TitleText() const
{
    const QString name = FFileName.isEmpty() ? QStringLiteral("新規作成") : QFileInfo(FFileName).fileName();
    return FormatText(ExpandMacros(QStringLiteral("$(TitleBarFormat)")), {name});
}

void TfrmMain::SetTitle()
{
    // "[*]" is where the toolkit shows the unsaved-changes mark.
    setWindowTitle(TitleText() + QStringLiteral("[*]"));
    UpdateModifiedMark();
}

void TfrmMain::UpdateModifiedMark()
{
    if (!FDocument)
        return;
    const bool modified = FDocument->Modified() || (FLayout && FLayout->Modified());
    if (isWindowModified() != modified)
        setWindowModified(modified);
}

void TfrmMain::AutoSaveNow()
{
    if (!FDocument || !FAutoSave || FBare)
        return;
    // A dialog may hold an edit half made (a new object waiting for its text): the
    // next interval takes the finished work.
    if (QApplication::activeModalWidget())
        return;
    if (FLayout && FLayout->Modified()) {
        // The label being edited is part of the work the copy must keep, but writing
        // it must not cost the user the undo history or a creation in progress, as a
        // save does: the view keeps its changes and its state.
        try {
            if (!FLayout->WriteDesignCopy())
                return;
        } catch (const std::exception& error) {
            statusBar()->showMessage(
                QStringLiteral("自動保存できませんでした: %1").arg(QString::fromUtf8(error.what())), 10000);
            return;
        }
        FDocument->SetModified(true);
    }
    if (!FDocument->Modified())
        return;
    try {
        FAutoSave->Write(*FDocument, FFileName);
    } catch (const std::exception& error) {
        // The work goes on; the status line says the safety copy could not be kept.
        statusBar()->showMessage(
            QStringLiteral("自動保存できませんでした: %1").arg(QString::fromUtf8(error.what())), 10000);
    }
}

bool TfrmMain::HoldsRestoredWork() const
{
    return FRestored && FDocument && FDocument->Modified();
}

bool TfrmMain::HoldsRestoredWorkOf(const QString& fileName) const
{
    if (!HoldsRestoredWork() || FFileName.isEmpty() || fileName.isEmpty())
        return false;
    const QFileInfo a(fileName), b(FFileName);
    const QString ca = a.canonicalFilePath(), cb = b.canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

QString TfrmMain::AutoSavePath() const
{
    return FAutoSave && QFileInfo(FAutoSave->CopyFile()).isFile() ? FAutoSave->CopyFile() : QString();
}

bool TfrmMain::OfferAutoSaveBack()
{
    QString workFile;
    if (!FAutoSave || !FAutoSave->Pending(&workFile))
        return false;
    const QString shown = workFile.isEmpty() ? QStringLiteral("新規作成") : QFileInfo(workFile).fileName();
    const int answer = AppMessageBox(
        FormatText(
            QStringLiteral("前回、保存されずに終了した文書「%s」の自動保存があります。\r\n復元しますか？"),
            {shown}),
        {bkYes, bkNo}, 0, 1, false);
    if (answer != mrYes) {
        FAutoSave->Discard();
        return false;
    }
    std::unique_ptr<TLabelData> restored;
    try {
        restored = TLabelData::Open(FAutoSave->CopyFile());
    } catch (const std::exception& error) {
        Tell(FormatText(QStringLiteral("自動保存の文書を読み込めませんでした\r\n%s"),
                        {QString::fromUtf8(error.what())}));
        FAutoSave->Discard();
        return false;
    }
    TakeDocument(std::move(restored), workFile);
    // The restored work is not in its file yet.
    FDocument->SetModified(true);
    FRestored = true;
    OpenMergeOfDocument();
    SetTitle();
    // The copy stays until the restored document is saved; the next interval renews it.
    AutoSaveNow();
    return true;
}

// ---------------------------------------------------------------------------------
// Views

void TfrmMain::DropView(bool writeBack)
{
    if (FSheet) {
        TfrmSheet* sheet = FSheet;
        FSheet = nullptr;
        sheet->hide();
        delete sheet;
    }
    if (FLayout) {
        TfrmLayout* layout = FLayout;
        if (writeBack)
            layout->WriteBack();
        FLayout = nullptr;
        layout->hide();
        // The view's status texts go with it.
        statusBar()->clearMessage();
        delete layout;
    }
}

void TfrmMain::ShowView(bool sheet)
{
    DropView(true);
    if (!FDocument)
        return;
    // The layout view brings its own menu bar (with the file and help menus lent to
    // it) and tool bars; the sheet view works under the window's own.
    menuBar()->setVisible(sheet);
    if (FToolBar)
        FToolBar->setVisible(sheet);
    if (sheet) {
        auto* view = new TfrmSheet(*FDocument, AppTitle(), this, LabelFill());
        view->SetMessages(SheetMessages());
        view->OnOpenLayout = [this](int k) {
            FDocument->SetCurrentLabelNo(k);
            // After the sheet's own click handling has finished with the view.
            QTimer::singleShot(0, this, [this] { SwitchView(false); });
        };
        FSheet = view;
        setCentralWidget(view);
        view->show();
        UpdateInsertionController(false);
        return;
    }
    auto* view = new TfrmLayout(this);
    view->SetMessages(SheetMessages());
    TLayoutMainCommands commands;
    commands.FileMenu = FFileMenu;
    commands.HelpMenu = FHelpMenu;
    commands.New = Command(QStringLiteral("actNew"));
    commands.Open = Command(QStringLiteral("actOpen"));
    commands.Save = Command(QStringLiteral("actSave"));
    commands.Print = Command(QStringLiteral("actPrint"));
    commands.PaperSelect = Command(QStringLiteral("actSelectPaper"));
    commands.SheetView = Command(QStringLiteral("actSheetView"));
    commands.LayoutView = Command(QStringLiteral("actLayoutView"));
    view->SetMainCommands(commands);
    view->SetStatusBar(statusBar());
    view->OnChooseMergeData = [this] { return ChooseMergeData(); };
    view->OnSheetView = [this] { QTimer::singleShot(0, this, [this] { SwitchView(true); }); };
    view->OnEditProductInfo = [this](TLabelData& document) {
        return TfrmProduct::Execute(document.ProductInfo(), ProductDB(), this);
    };
    view->OnEditCreatorInfo = [this](TLabelData& document) {
        return TfrmField::Execute(document.CreatorInfoJ(), document.CreatorInfoE(), ProductDB(), this) ==
               mrOk;
    };
    view->OnDocumentChanged = [this] {
        if (FDocument)
            FDocument->SetModified(true);
    };
    view->SetMergeSession(FMergeSession.get());
    view->OnLabelShown = [this] {
        if (FInsertionController)
            FInsertionController->Refresh();
    };
    FLayout = view;
    view->SetDocument(FDocument.get());
    setCentralWidget(view);
    view->show();
    view->ShowLabel();
    UpdateInsertionController(false);
}

void TfrmMain::RefreshView()
{
    if (FSheet)
        FSheet->RefreshAll();
    if (FLayout)
        FLayout->ReapplyMergeRecord();
    UpdateInsertionController(false);
}

void TfrmMain::UpdateInsertionController(bool autoShow)
{
    if (!FInsertionController)
        return;
    QAction* command = Command(QStringLiteral("actMergeController"));
    const bool linked = FMergeSession->Linked();
    // It browses what the label editor shows; the sheet view shows every record at once.
    command->setEnabled(FLayout != nullptr);
    if (autoShow && linked && FLayout && FLayout->HoldsMergeObjects())
        command->setChecked(true);
    if (linked && FLayout && command->isChecked())
        FInsertionController->ShowOver(this);
    else
        FInsertionController->hide();
    FInsertionController->Refresh();
}

void TfrmMain::StoreLayout()
{
    if (FLayout)
        FLayout->WriteBack();
}

bool TfrmMain::SwitchView(bool sheet)
{
    if (!FDocument)
        return false;
    if (sheet == SheetViewShown() && (sheet || LayoutViewShown()))
        return true;
    StoreLayout();
    FDocument->SetSheetMode(sheet);
    ShowView(sheet);
    return true;
}

// ---------------------------------------------------------------------------------
// Document life cycle

bool TfrmMain::AskToSave()
{
    if (!FDocument || !(FDocument->Modified() || (FLayout && FLayout->Modified())))
        return true;
    const int answer = AppMessageBox(kModifiedQuestion, {bkYes, bkNo, bkCancel}, 0, 2, false);
    if (answer == mrCancel)
        return false;
    if (answer == mrNo)
        return true;
    Save();
    return !FDocument->Modified() && !(FLayout && FLayout->Modified());
}

void TfrmMain::TakeDocument(std::unique_ptr<TLabelData> document, const QString& fileName)
{
    DropView(false);
    // The merge database belongs to the document it was linked for, and so does the
    // record the controller showed.
    FMergeSession->Database().Close();
    FMergeSession->Cursor().Reset();
    FDocument = std::move(document);
    FMergeSession->SetDocument(FDocument.get());
    FFileName = fileName;
    FRestored = false;
    TfrmSheet::ResetRememberedZoom();
    TfrmLayout::ResetRememberedZoom();
    ShowView(FDocument->SheetMode());
}

void TfrmMain::MakeInitialDocument()
{
    // A bare frame (the test host's harness windows) brings its own document.
    if (FBare)
        return;
    if (OfferAutoSaveBack())
        return;
    NewDocument(true);
}

bool TfrmMain::NewDocument(bool silent)
{
    if (!AskToSave())
        return false;
    TVelmoPapers* papers = Catalogue ? Catalogue() : nullptr;
    std::unique_ptr<TPaperInfo> paper;
    bool separately = ReadSettingBool(QStringLiteral("DefaultDesign"), true);
    if (papers && papers->Count() > 0) {
        const int named =
            papers->IndexOfName(ReadSettingString(QStringLiteral("DefaultPaperName"), QString()));
        paper = papers->Paper(std::max(0, named))->Clone();
        paper->SetLandscape(ReadSettingBool(QStringLiteral("DefaultLandScape"), false));
        if (dynamic_cast<TFreePaperInfo*>(paper.get()))
            separately = true;
    }
    if (!silent) {
        if (NewPaperDialogHook) {
            if (!NewPaperDialogHook())
                return false;
        } else if (papers) {
            TfrmPaperSelect dialog(*papers, separately, {}, this);
            if (paper)
                dialog.ShowPaper(*paper);
            if (dialog.exec() != QDialog::Accepted || !dialog.SelectedPaper())
                return false;
            paper = dialog.SelectedPaper()->Clone();
            paper->SetLandscape(dialog.Landscape());
            separately = dialog.SeparatelyDesign();
        }
    }
    std::unique_ptr<TExPaperInfo> extra;
    std::unique_ptr<TExtraPaperInfo> images;
    if (papers && paper) {
        extra = papers->GetExInfo(paper->PaperName(), false);
        images = papers->FindRecord(TVelmoPapers::PaperImagesBaseName(), paper->PaperName());
    }
    auto document = std::make_unique<TLabelData>();
    // A new document opens on its first label.
    document->SetSheetMode(false);
    if (paper)
        document->SetPaper(paper.get());
    document->SetSeparatelyDesign(separately);
    if (auto* imageInfo = dynamic_cast<const TImagePaperInfo*>(images.get()))
        document->SetImageInfo(imageInfo);
    if (extra)
        document->SetExtraInfo(extra.get());
    document->SetModified(false);
    TakeDocument(std::move(document), QString());
    if (FAutoSave)
        FAutoSave->Discard();
    SetTitle();
    return true;
}

bool TfrmMain::OpenDocument(const QString& fileName)
{
    if (!AskToSave())
        return false;
    QString name = fileName;
    if (name.isEmpty()) {
        name = AskFileName(TFileDialogKind::OpenDocument, FFileName, nullptr);
        if (name.isEmpty())
            return false;
    }
    return OpenLoaded(name);
}

bool TfrmMain::OpenLoaded(const QString& name)
{
    const QFileInfo info(name);
    if (info.isDir()) {
        Tell(FormatText(
            QStringLiteral("「%s」はフォルダです。\r\n開くことができるのは%sのデータファイルだけです"),
            {name, AppTitle()}));
        return false;
    }
    if (!info.isFile()) {
        Tell(FormatText(QStringLiteral("ファイル「%s」が見つかりません"), {name}));
        FOpenHistory->Remove(name);
        return false;
    }
    if (info.suffix().compare(QLatin1String("glabels"), Qt::CaseInsensitive) == 0)
        return OpenGlabelsProject(info.absoluteFilePath());
    if (FileLockedByOther(name)) {
        Tell(FormatText(
            QStringLiteral(
                "ファイル「%"
                "s」はほかのプログラムが使用中です。\r\nそのプログラムを終了してから開いてください"),
            {name}));
        return false;
    }
    std::unique_ptr<TLabelData> document;
    {
        TWaitCursor wait;
        try {
            document = TLabelData::Open(name);
        } catch (const std::exception&) {
            document.reset();
        }
    }
    if (!document) {
        FOpenHistory->Remove(info.absoluteFilePath());
        FOpenHistory->Remove(name);
        Tell(NotLabelDataMessage(AppTitle()));
        return false;
    }
    TakeDocument(std::move(document), info.absoluteFilePath());
    OpenMergeOfDocument();
    if (FAutoSave)
        FAutoSave->Discard();
    SetTitle();
    AddToHistory(FFileName);
    return true;
}

bool TfrmMain::OpenGlabelsProject(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxProjectBytes) {
        Tell(FormatText(QStringLiteral("gLabelsプロジェクト「%s」を読めません"), {name}));
        return false;
    }
    TGlabelsProject project;
    TVelmoPapers* papers = Catalogue ? Catalogue() : nullptr;
    {
        TWaitCursor wait;
        try {
            TGlabelsOptions options;
            options.FileName = name;
            if (papers)
                options.Catalogues = {papers};
            project = ImportGlabelsProject(file.readAll(), options);
        } catch (const std::exception& e) {
            Tell(FormatText(QStringLiteral("gLabelsプロジェクト「%s」を開けません\r\n%s"),
                            {name, ExceptionText(e)}));
            return false;
        }
    }
    // A sheet the catalogue lacks joins the user's papers, as an imported template.
    if (project.NewPaper && papers) {
        try {
            std::vector<TImportedTemplate> made;
            made.push_back(std::move(*project.NewPaper));
            TTemplateImporter::Store(*papers, made);
        } catch (const std::exception& e) {
            project.Warnings
                << QStringLiteral("用紙: 用紙情報に追加できませんでした（%1）").arg(ExceptionText(e));
        }
    }
    TakeDocument(std::move(project.Document), QString());
    FDocument->SetModified(true);
    OpenMergeOfDocument();
    if (FAutoSave)
        FAutoSave->Discard();
    SetTitle();
    if (!project.Warnings.isEmpty()) {
        QDialog dialog(this);
        dialog.setWindowTitle(QStringLiteral("gLabelsプロジェクトの読み込み"));
        auto* layout = new QVBoxLayout(&dialog);
        auto* label = new QLabel(
            FormatText(
                QStringLiteral("「%s」を新しいラベルとして開きました。\n次の項目は引き継げませんでした:"),
                {QFileInfo(name).fileName()}),
            &dialog);
        layout->addWidget(label);
        auto* list = new QListWidget(&dialog);
        list->addItems(project.Warnings);
        list->setWordWrap(true);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setMinimumSize(640, 220);
        layout->addWidget(list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        layout->addWidget(buttons);
        dialog.exec();
    }
    return true;
}

void TfrmMain::OpenMergeOfDocument()
{
    if (!FDocument || FDocument->CSVFile().isEmpty())
        return;
    QString message;
    OpenDocumentMergeData(FMergeSession->Database(), *FDocument, &message);
    if (!message.isEmpty())
        Tell(message);
    RefreshView();
    UpdateInsertionController(true);
}

bool TfrmMain::LoadWorkFile(const QString& fileName)
{
    std::unique_ptr<TLabelData> document;
    {
        TWaitCursor wait;
        try {
            document = TLabelData::Open(fileName);
        } catch (const std::exception&) {
            document.reset();
        }
    }
    if (!document) {
        Tell(FormatText(QStringLiteral("作業ファイル「%s」の読込みに失敗しました"), {fileName}));
        return false;
    }
    // The work file is the wizard's, not the user's: the document stays untitled.
    TakeDocument(std::move(document), QString());
    return true;
}

void TfrmMain::AddToHistory(const QString& fileName)
{
    FOpenHistory->Add(fileName);
    FFolderHistory->Add(QFileInfo(fileName).absolutePath());
    // The same list for the dialogs of the other windows (an installed store on the
    // same key: adding again only keeps it first).
    RememberFolder(folderkind::Document, fileName);
    FRecentMenu->setEnabled(true);
}

void TfrmMain::ClearUnusedMergeLink()
{
    if (FDocument && !FDocument->CSVFile().isEmpty() && !CurrentSheetHoldsMergeFields(*FDocument)) {
        FDocument->SetCSVFile(QString());
        FDocument->SetCSVFieldName(false);
    }
}

bool TfrmMain::Save()
{
    if (FFileName.isEmpty())
        return SaveAs();
    return SaveTo(FFileName);
}

bool TfrmMain::SaveAs()
{
    const QString suggested = FFileName.isEmpty() ? QString() : FFileName;
    QString name = AskFileName(TFileDialogKind::SaveDocument, suggested, nullptr);
    if (name.isEmpty())
        return false;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".lbd");
    return SaveTo(name);
}

bool TfrmMain::SaveTo(const QString& fileName)
{
    if (!FDocument)
        return false;
    const QFileInfo info(fileName);
    if (info.isDir()) {
        Tell(
            FormatText(QStringLiteral("「%s」はフォルダです。ファイルの名前を指定してください"), {fileName}));
        return SaveAs();
    }
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))) {
        // Replacing would succeed in a writable folder, but the user made the file
        // read-only to keep it: another name is asked for instead.
        Tell(FormatText(
            QStringLiteral("ファイル「%s」は読み取り専用です。\r\n別の名前を付けて保存してください"),
            {info.fileName()}));
        return SaveAs();
    }
    {
        TWaitCursor wait;
        StoreLayout();
        ClearUnusedMergeLink();
        const double formerSave = FDocument->LastSave();
        FDocument->SetLastSave(DateTimeToDayCount(QDateTime::currentDateTime()));
        try {
            FDocument->Save(fileName);
        } catch (const std::exception& error) {
            FDocument->SetLastSave(formerSave);
            FDocument->SetModified(true);
            QApplication::restoreOverrideCursor();
            Tell(SaveFailedMessage() + QStringLiteral("\r\n") + QString::fromUtf8(error.what()));
            QApplication::setOverrideCursor(Qt::WaitCursor);
            return false;
        }
    }
    FDocument->SetModified(false);
    FFileName = info.absoluteFilePath();
    if (FAutoSave)
        FAutoSave->Discard();
    SetTitle();
    AddToHistory(FFileName);
    // A link no label used was dropped with the save.
    UpdateInsertionController(false);
    return true;
}

bool TfrmMain::RunWizard(TWizardKind kind)
{
    if (!WizardRunnerRegistered())
        return false;
    if (!AskToSave())
        return false;
    const TWizardOutcome outcome = WizardRunner()(kind, this);
    if (outcome.Status == TWizardOutcome::Unavailable) {
        Tell(FormatText(ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")),
                        {kind == TWizardKind::Plain ? QStringLiteral("ウイザード情報")
                                                    : QStringLiteral("おそろいラベル情報")}));
        return false;
    }
    if (outcome.Status != TWizardOutcome::Accepted)
        return false;
    // The old document is being replaced by the wizard's: no second question.
    FDocument->SetModified(false);
    if (!LoadWorkFile(outcome.WorkFile))
        return false;
    FFileName.clear();
    SetTitle();
    return true;
}

bool TfrmMain::RunStartupChoice(TStartupChoice choice)
{
    switch (choice) {
    case TStartupChoice::New:
        return NewDocument(false);
    case TStartupChoice::Open:
        return OpenDocument(QString());
    case TStartupChoice::Matching:
        return RunWizard(TWizardKind::Matching);
    case TStartupChoice::Wizard:
        return RunWizard(TWizardKind::Plain);
    case TStartupChoice::Exit:
        FClosingAllowed = true;
        QTimer::singleShot(0, this, &QWidget::close);
        return true;
    }
    return false;
}

void TfrmMain::OfferStartupChoice()
{
    if (FBare)
        return;
    // A restored autosave copy is what the user was doing: no choice over it.
    if (FDocument && FDocument->Modified())
        return;
    for (;;) {
        TStartupChoice choice = TStartupChoice::Exit;
        if (StartupChoiceHook) {
            choice = StartupChoiceHook();
        } else {
            TfrmStartupChoice dialog(this);
            if (dialog.exec() != QDialog::Accepted)
                return; // closing the choice leaves the empty document to work on
            choice = dialog.Choice;
        }
        if (RunStartupChoice(choice))
            return;
    }
}

// ---------------------------------------------------------------------------------
// Paper, export, print

bool TfrmMain::ChangePaper()
{
    TVelmoPapers* papers = Catalogue ? Catalogue() : nullptr;
    if (!FDocument || !papers)
        return false;
    const bool sheetShown = SheetViewShown();
    StoreLayout();
    // The paper-change questions and the designs' rearrangement are the sheet view's;
    // the layout view has one made for the change.
    std::unique_ptr<TfrmSheet> helper;
    TfrmSheet* sheet = FSheet;
    if (!sheet) {
        helper = std::make_unique<TfrmSheet>(*FDocument, AppTitle(), nullptr, LabelFill());
        helper->SetMessages(SheetMessages());
        sheet = helper.get();
    }
    TfrmPaperSelect dialog(
        *papers, FDocument->SeparatelyDesign(),
        [sheet](const TPaperInfo& paper) { return sheet->ConfirmPaperChange(paper); }, this);
    if (FDocument->Paper())
        dialog.ShowPaper(*FDocument->Paper());
    if (dialog.exec() != QDialog::Accepted || !dialog.SelectedPaper())
        return false;
    std::unique_ptr<TPaperInfo> paper = dialog.SelectedPaper()->Clone();
    paper->SetLandscape(dialog.Landscape());
    std::unique_ptr<TExPaperInfo> extra = papers->GetExInfo(paper->PaperName(), false);
    std::unique_ptr<TExtraPaperInfo> record =
        papers->FindRecord(TVelmoPapers::PaperImagesBaseName(), paper->PaperName());
    sheet->ChangePaper(*paper, dialog.SeparatelyDesign(), extra.get(),
                       dynamic_cast<const TImagePaperInfo*>(record.get()));
    FDocument->SetCurrentLabelNo(0);
    helper.reset();
    // The hosted view is shown again on the new paper.
    ShowView(sheetShown);
    return true;
}

bool TfrmMain::ExportLabel()
{
    if (!FDocument)
        return false;
    int filter = 1;
    const QString name = AskFileName(TFileDialogKind::ExportPicture, QString(), &filter);
    if (name.isEmpty())
        return false;
    return ExportLabelTo(name, filter == 2);
}

bool TfrmMain::ExportLabelTo(const QString& fileName, bool jpeg)
{
    if (!FDocument)
        return false;
    StoreLayout();
    const int k = std::clamp(FDocument->CurrentLabelNo(), 0, std::max(0, FDocument->LabelCount() - 1));
    try {
        TWaitCursor wait;
        WriteLabelPicture(*FDocument, k, fileName, jpeg);
    } catch (const std::exception& error) {
        Tell(FormatText(QStringLiteral("ラベルの画像を「%s」に保存できませんでした\r\n%s"),
                        {fileName, QString::fromUtf8(error.what())}));
        return false;
    }
    return true;
}

bool TfrmMain::Print()
{
    if (!FDocument)
        return false;
    TPrintCommandHooks hooks;
    hooks.StoreLayout = [this] { StoreLayout(); };
    hooks.Banding = [] { return ReadSettingBool(QStringLiteral("Banding"), true); };
    hooks.ShowError = [](const QString& message) { Tell(message); };
    hooks.OnPrintingWindow = OnPrintingWindow;
    // Labels whose merge picture file is missing print without it; the run goes
    // on and says so once at the end.
    std::set<int> missingLabels;
    QStringList missingFiles;
    hooks.FaceHook = [this, &missingLabels, &missingFiles](TDOList& objects, int counter) {
        // Label n of the run prints record n.
        FMergeSession->FillLabel(objects, counter);
        for (const QString& name : MissingMergePictures(objects)) {
            missingLabels.insert(counter);
            if (!missingFiles.contains(name))
                missingFiles << name;
        }
        if (PrintFaceHook)
            PrintFaceHook(objects, counter);
    };
    const double formerPrint = FDocument->LastPrint();
    FDocument->SetLastPrint(DateTimeToDayCount(QDateTime::currentDateTime()));
    const bool printed = ExecutePrintCommand(
        this, *FDocument, FFileName.isEmpty() ? QStringLiteral("新規作成") : FFileName, hooks);
    if (!printed)
        FDocument->SetLastPrint(formerPrint);
    if (printed && !missingLabels.empty())
        Tell(MissingMergePicturesNotice(int(missingLabels.size()), missingFiles));
    return printed;
}

void TfrmMain::PrinterSetup()
{
    // On the print command's own printer: what is chosen here is what 印刷 uses.
    ExecutePrinterSetup(this, PrinterSetupHook);
}

// ---------------------------------------------------------------------------------
// Merge data

bool TfrmMain::ChooseMergeData()
{
    if (!FDocument)
        return false;
    int filter = 0;
    const QString name = AskFileName(TFileDialogKind::OpenCsv, FDocument->CSVFile(), &filter);
    if (name.isEmpty())
        return false;
    QString message;
    const TMergeOpenResult result =
        OpenMergeDataByName(FMergeSession->Database(), *FDocument, name, &message,
                            MergeFilterSeparator(MergeFileFilters().value(filter - 1)));
    // The former data is closed either way: the labels must stop showing it.
    RefreshView();
    if (result != TMergeOpenResult::Opened) {
        if (FSplash)
            FSplash->close();
        if (!message.isEmpty())
            Tell(message);
        return false;
    }
    if (!message.isEmpty())
        Tell(message); // the list opened, mended: which line to look at
    UpdateInsertionController(true);
    return true;
}

bool TfrmMain::ShowMergeData()
{
    if (!FDocument)
        return false;
    if (!FMergeSession->Linked() && !ChooseMergeData())
        return false;
    ExecuteCsvBrowser(this, *FDocument, FMergeSession->Database(), [this] { RefreshView(); });
    // Cancel put the former order back: the controller's numbers follow it.
    UpdateInsertionController(false);
    return true;
}

// ---------------------------------------------------------------------------------
// Settings, help, about

bool TfrmMain::EnvironmentDialog()
{
    TfrmEnvironment dialog(this);
    return dialog.exec() == QDialog::Accepted;
}

void TfrmMain::ShowAbout(bool staffRoll)
{
    auto* about = new TfrmAbout(false, staffRoll, this);
    about->exec();
}

QString TfrmMain::HelpIndexFile()
{
    // Installed beside the data; a build tree keeps the guide in the source folder.
    const QString relative = QStringLiteral("help/index.html");
    if (TAppFrame* frame = TAppFrame::Instance()) {
        const QString found = frame->FindDataFile(QStringLiteral("help\\index.html"), QString());
        if (!found.isEmpty())
            return found;
        const QString built = frame->DataRoots().ExeFolder + QStringLiteral("/../data/") + relative;
        if (QFileInfo(built).isFile())
            return QDir::cleanPath(built);
    }
    return QString();
}

void TfrmMain::OpenHelp()
{
    const QString index = HelpIndexFile();
    if (index.isEmpty()) {
        Tell(FormatText(ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")),
                        {QStringLiteral("使い方のページ")}));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(index);
    const bool opened = OpenUrlHook ? OpenUrlHook(url) : QDesktopServices::openUrl(url);
    if (!opened)
        Tell(FormatText(QStringLiteral("使い方のページ「%s」をブラウザで開けませんでした"), {index}));
}

// ---------------------------------------------------------------------------------
// Dialogs

QString TfrmMain::AskFileName(TFileDialogKind kind, const QString& suggested, int* filterIndex)
{
    if (FileDialogHook)
        return FileDialogHook(kind, suggested, filterIndex);
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString start = FileDialogStart(kind, suggested);
    if (QFileInfo(start).isDir())
        dialog.setDirectory(start);
    else if (!start.isEmpty()) {
        dialog.setDirectory(QFileInfo(start).absolutePath());
        dialog.selectFile(QFileInfo(start).fileName());
    }
    switch (kind) {
    case TFileDialogKind::OpenDocument:
        dialog.setWindowTitle(QStringLiteral("開く"));
        dialog.setNameFilter(
            QtFilter(DocumentFilter() + QStringLiteral("|gLabelsプロジェクト (*.glabels)|*.glabels")));
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case TFileDialogKind::SaveDocument:
        dialog.setWindowTitle(QStringLiteral("名前を付けて保存"));
        dialog.setNameFilter(QtFilter(DocumentFilter()));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("lbd"));
        break;
    case TFileDialogKind::ExportPicture:
        dialog.setWindowTitle(QStringLiteral("他形式保存"));
        dialog.setNameFilters(
            QtFilter(QStringLiteral("ビットマップ (*.bmp)|*.bmp|JPEG イメージファイル (*.jpg)|*.jpg"))
                .split(QStringLiteral(";;")));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("bmp"));
        // The extension follows the chosen kind.
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(filter.contains(QStringLiteral("jpg")) ? QStringLiteral("jpg")
                                                                           : QStringLiteral("bmp"));
        });
        break;
    case TFileDialogKind::OpenCsv:
        dialog.setWindowTitle(QStringLiteral("CSVファイルの選択"));
        // The first filter finds the separator from the file; the others choose it.
        dialog.setNameFilters(MergeFileFilters());
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (filterIndex) {
        const int index = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
        *filterIndex = index + 1;
        // A name typed with the other extension decides the kind.
        const QString suffix = QFileInfo(dialog.selectedFiles().first()).suffix().toLower();
        if (kind == TFileDialogKind::ExportPicture && (suffix == u"jpg" || suffix == u"jpeg"))
            *filterIndex = 2;
        else if (kind == TFileDialogKind::ExportPicture && suffix == u"bmp")
            *filterIndex = 1;
    }
    const QString chosen = dialog.selectedFiles().first();
    // Work files join the folder history when they are opened or saved.
    if (kind == TFileDialogKind::ExportPicture)
        RememberFolder(folderkind::Export, chosen);
    else if (kind == TFileDialogKind::OpenCsv)
        RememberFolder(folderkind::MergeData, chosen);
    return chosen;
}

QString TfrmMain::FileDialogStart(TFileDialogKind kind, const QString& suggested) const
{
    // A suggested name with a folder (the current file) is where the user is; a bare
    // name starts in the last folder used for the kind, else the documents folder.
    if (!suggested.isEmpty() && QFileInfo(suggested).isAbsolute() &&
        QFileInfo(QFileInfo(suggested).absolutePath()).isDir())
        return suggested;
    QString folder;
    switch (kind) {
    case TFileDialogKind::OpenDocument:
    case TFileDialogKind::SaveDocument:
        folder = StartFolder(folderkind::Document);
        break;
    case TFileDialogKind::ExportPicture:
        folder = StartFolder(folderkind::Export);
        break;
    case TFileDialogKind::OpenCsv:
        folder = StartFolder(folderkind::MergeData);
        break;
    }
    return suggested.isEmpty() ? folder : QDir(folder).filePath(QFileInfo(suggested).fileName());
}

// ---------------------------------------------------------------------------------
// Window events

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!FBare && !AskToSave()) {
        event->ignore();
        return;
    }
    if (FAutoSave && !FBare)
        FAutoSave->Discard();
    SaveFormPlacement(this);
    QMainWindow::closeEvent(event);
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    const QString file = urls.first().toLocalFile();
    if (FLayout && IsPhotoCDFileName(file)) {
        // Its dialog is modal: let the drag finish first.
        QTimer::singleShot(0, this, [this, file] {
            if (FLayout && !FLayout->OfferDroppedFile(file))
                OpenDocument(file);
        });
        return;
    }
    if (FLayout && FLayout->OfferDroppedFile(file))
        return;
    // After the drop has finished: the question and messages need their own loop.
    QTimer::singleShot(0, this, [this, file] { OpenDocument(file); });
}

bool TfrmMain::event(QEvent* event)
{
    return QMainWindow::event(event);
}

} // namespace velmo
