#include "app/FSheetMain.h"
#include "app/UAppFrame.h"
#include "document/FSheet.h"
#include "document/ULabelData.h"
#include "document/USheetView.h"
#include "draw/UDrawSite.h"
#include "paper/UPaperRecords.h"
#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QScrollArea>
#include <QVBoxLayout>

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

TfrmLabelEdit::TfrmLabelEdit(TLabelData& document, int position, QWidget* parent)
    : QDialog(parent), FDocument(document), FPosition(position)
{
    setObjectName(QStringLiteral("frmLabelEdit"));
    setWindowTitle(QStringLiteral("ラベルの編集 - %1").arg(position + 1));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    FScroll = scroll;
    scroll->setBackgroundRole(QPalette::Dark);
    scroll->viewport()->installEventFilter(this);
    FHolder = new QWidget;
    FSite = new TDrawSite(nullptr, FHolder);
    FSite->setObjectName(QStringLiteral("siteLabel"));
    FSite->Scaler()->SetUnitDPI(254);
    FSite->SetColor(clWhite);
    scroll->setWidget(FHolder);
    layout->addWidget(scroll);
    const TLogRect rect = document.LabelRect(position);
    FSite->SetLogWidth(rect.Width());
    FSite->SetLogHeight(rect.Height());
    PrepareLabelSite(*FSite, document, position);
    TDOList objects;
    document.ReadLabel(position, objects);
    for (TDrawObject* object : objects.Objects()) {
        FSite->InsertComponent(object);
        FSite->AddObject(object);
    }
    resize(720, 600);
    FitScale();
}

TfrmLabelEdit::~TfrmLabelEdit() = default;

void TfrmLabelEdit::FitScale()
{
    const QSize view = FScroll->viewport()->size();
    const int margin = 16;
    const int scale = std::max(
        5, FSite->FitScale(DeviceDPI(FSite), {0, 0, view.width() - 2 * margin, view.height() - 2 * margin}, true,
                           true));
    FSite->Scaler()->SetScale(scale);
    const QSize s = FSite->size();
    const QSize holder(std::max(view.width(), s.width() + 2 * margin), std::max(view.height(), s.height() + 2 * margin));
    FHolder->resize(holder);
    FSite->move((holder.width() - s.width()) / 2, (holder.height() - s.height()) / 2);
}

bool TfrmLabelEdit::eventFilter(QObject* watched, QEvent* event)
{
    // The label fills the visible area, which is laid out after the window.
    if (watched == FScroll->viewport() && event->type() == QEvent::Resize)
        FitScale();
    return QDialog::eventFilter(watched, event);
}

void TfrmLabelEdit::WriteBack()
{
    TDOList all;
    FSite->Collect(all, false);
    TDOList design;
    for (TDrawObject* object : all.Objects())
        if (object->LayerGroup() != kBackgroundLayerGroup)
            design.Add(object);
    FDocument.WriteLabel(FPosition, design);
}

void TfrmLabelEdit::done(int result)
{
    WriteBack();
    QDialog::done(result);
}

// ---------------------------------------------------------------------------------

TfrmSheetMain::TfrmSheetMain(const QString& fileName, QWidget* parent) : TfrmMain(parent), FFileName(fileName)
{
    setObjectName(QStringLiteral("frmSheetMain"));
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* save = file->addAction(QStringLiteral("上書き保存(&S)"), this, [this] { Save(); });
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("終了(&X)"), this, [this] { close(); });
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    resize(900, 760);
}

TfrmSheetMain::~TfrmSheetMain()
{
    delete FSheet;
    FSheet = nullptr;
}

bool TfrmSheetMain::OpenDocument(const QString& fileName)
{
    std::unique_ptr<TLabelData> document;
    try {
        document = TLabelData::Open(fileName);
    } catch (const std::exception& e) {
        AppMessageBox(QString::fromUtf8(e.what()), {bkOK}, 0, 0, false);
        return false;
    }
    delete FSheet;
    FSheet = nullptr;
    FDocument = std::move(document);
    FFileName = fileName;
    TfrmSheet::ResetRememberedZoom();
    FSheet = new TfrmSheet(*FDocument, ExpandMacros(QStringLiteral("$(AppName)")), this);
    FSheet->SetMessages(AppMessages());
    FSheet->OnOpenLayout = [this](int k) { OpenLayout(k); };
    setCentralWidget(FSheet);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(fileName).fileName(), ExpandMacros(QStringLiteral("$(AppName)"))));
    return true;
}

bool TfrmSheetMain::Save()
{
    if (!FDocument)
        return false;
    try {
        FDocument->Save(FFileName);
        FDocument->SetModified(false);
        return true;
    } catch (const std::exception&) {
        AppMessageBox(SaveFailedMessage(), {bkOK}, 0, 0, false);
        return false;
    }
}

void TfrmSheetMain::OpenLayout(int position)
{
    if (!FDocument || position < 0 || position >= FDocument->LabelCount())
        return;
    TfrmLabelEdit editor(*FDocument, position, this);
    editor.exec();
    if (FSheet)
        FSheet->RefreshPositions({position});
}

} // namespace velmo
