#include "app/host/FLayoutMain.h"
#include "app/UAppFrame.h"
#include "app/UMacroString.h"
#include "base/UModalResult.h"
#include "document/ULabelData.h"
#include "layout/FLayout.h"
#include "merge/UCsvDB.h"
#include "merge/UMergeSession.h"
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>

namespace velmo {

namespace {
TSheetMessages AppMessages()
{
    TSheetMessages m;
    m.YesNo = [](const QString& q) { return AppMessageBox(q, {bkYes, bkNo}, 0, 1, false) == mrYes; };
    m.OkCancel = [](const QString& q) { return AppMessageBox(q, {bkOK, bkCancel}, 0, 1, false) == mrOk; };
    m.Notice = [](const QString& text) { AppMessageBox(text, {bkOK}, 0, 0, false); };
    return m;
}
} // namespace

TfrmLayoutMain::TfrmLayoutMain(QWidget* parent) : TfrmMain(parent, TBare{})
{
    setObjectName(QStringLiteral("frmLayoutMain"));
    setAcceptDrops(true);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    auto* file = new QMenu(QStringLiteral("ファイル(&F)"), this);
    file->setObjectName(QStringLiteral("mnFile"));
    QAction* save = file->addAction(QStringLiteral("上書き保存(&S)"), this, [this] { Save(); });
    save->setObjectName(QStringLiteral("actSave"));
    save->setShortcut(QKeySequence::Save);
    save->setToolTip(QStringLiteral("編集したデータを保存します"));
    save->setIconText(QStringLiteral("保存"));
    addAction(save);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("終了(&X)"), this, [this] { close(); });
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(quit);
    auto* help = new QMenu(QStringLiteral("ヘルプ(&H)"), this);
    help->setObjectName(QStringLiteral("mnHelp"));
    help->addAction(ExpandMacros(QStringLiteral("$(AppName)")))->setEnabled(false);
    FLayout = new TfrmLayout(this);
    FLayout->SetMessages(AppMessages());
    TLayoutMainCommands commands;
    commands.FileMenu = file;
    commands.HelpMenu = help;
    commands.Save = save;
    FLayout->SetMainCommands(commands);
    FLayout->SetStatusBar(statusBar());
    FLayout->SetMergeSession(&MergeSession());
    setCentralWidget(FLayout);
    resize(1000, 760);
}

TfrmLayoutMain::~TfrmLayoutMain()
{
    // The view refers to the document; it goes first.
    delete FLayout;
    FLayout = nullptr;
}

bool TfrmLayoutMain::OpenDocument(const QString& fileName)
{
    std::unique_ptr<TLabelData> document;
    try {
        document = TLabelData::Open(fileName);
    } catch (const std::exception& e) {
        AppMessageBox(QString::fromUtf8(e.what()), {bkOK}, 0, 0, false);
        return false;
    }
    FLayout->SetDocument(nullptr);
    FDocument = std::move(document);
    MergeSession().SetDocument(FDocument.get());
    FFileName = fileName;
    FDocument->SetSheetMode(false);
    TfrmLayout::ResetRememberedZoom();
    QString mergeMessage;
    OpenDocumentMergeData(MergeSession().Database(), *FDocument, &mergeMessage);
    if (!mergeMessage.isEmpty())
        AppMessageBox(mergeMessage, {bkOK}, 0, 0, false);
    FLayout->SetDocument(FDocument.get());
    FLayout->SetZoom(0);
    FLayout->ShowLabel();
    UpdateTitle();
    return true;
}

void TfrmLayoutMain::UpdateTitle()
{
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(FFileName).fileName(),
                                                 ExpandMacros(QStringLiteral("$(AppName)"))));
}

bool TfrmLayoutMain::Save()
{
    if (!FDocument)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        FLayout->WriteBack();
        FDocument->Save(FFileName);
        FDocument->SetModified(false);
        QApplication::restoreOverrideCursor();
        return true;
    } catch (const std::exception&) {
        QApplication::restoreOverrideCursor();
        AppMessageBox(SaveFailedMessage(), {bkOK}, 0, 0, false);
        return false;
    }
}

void TfrmLayoutMain::closeEvent(QCloseEvent* event)
{
    if (FDocument && (FLayout->Modified() || FDocument->Modified())) {
        const int answer = AppMessageBox(QStringLiteral("データが修正されています\r\n保存しますか？"),
                                         {bkYes, bkNo, bkCancel}, 0, 2, false);
        if (answer == mrCancel || (answer == mrYes && !Save())) {
            event->ignore();
            return;
        }
    }
    TfrmMain::closeEvent(event);
}

void TfrmLayoutMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmLayoutMain::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    const QString file = urls.first().toLocalFile();
    event->acceptProposedAction();
    if (FLayout->OfferDroppedFile(file))
        return;
    // Not a picture: the file is tried as a work file.
    if (FLayout->Modified() || (FDocument && FDocument->Modified())) {
        const int answer = AppMessageBox(QStringLiteral("データが修正されています\r\n保存しますか？"),
                                         {bkYes, bkNo, bkCancel}, 0, 2, false);
        if (answer == mrCancel || (answer == mrYes && !Save()))
            return;
    }
    OpenDocument(file);
}

} // namespace velmo
