#include "app/host/FSheetMain.h"
#include "app/FTemplateCall.h"
#include "app/UAppFrame.h"
#include "app/UTemplateCall.h"
#include "base/UModalResult.h"
#include "document/FTemplate.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "merge/FCsvBrowser.h"
#include "merge/UCsvDB.h"
#include "merge/UMergeSession.h"
#include "objects/FLayoutAids.h"
#include "objects/ULOImage.h"
#include "objects/ULabelObject.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FPaperSelect.h"
#include "print/FPrintPaper.h"
#include "sheet/FSheet.h"
#include "sheet/USheetLabels.h"
#include "sheet/USheetView.h"
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

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
    // Every edit of this label goes into a history of its own.
    TActionList::Instance().Clear();
    TActionList::Instance().SetRepeatAllowed(false);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
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
    const TLogRect rect = document.LabelRect(position);
    FSite->SetLogWidth(rect.Width());
    FSite->SetLogHeight(rect.Height());
    LoadObjects();
    // Guides outside a smaller label go.
    document.Guide()->RemoveOutside({0, 0, rect.Width(), rect.Height()});

    FAids = new TLayoutAids(FSite, scroll, *document.Guide(), *document.Grid(), this);
    if (const TPaperInfo* paper = document.Paper(); paper && position < paper->GetFaceCount()) {
        // Objects are pushed against the face's outline, hole included, with the
        // outer rectangle's corner at (0, 0).
        const TFaceInfo face = paper->GetFaceInfo(position);
        const TLogRect outer = face.GetOuterRect();
        FAids->FaceOutline = face.OuterPath().translated(-outer.Left, -outer.Top);
    }
    auto* menuBar = new QMenuBar(this);
    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("toolShapes"));
    const std::pair<const char*, const char*> kinds[] = {
        {"直線", "TLOLine"},         {"円弧", "TLOCurve"}, {"四角", "TLORect"},       {"円", "TLOCircle"},
        {"飾り罫線", "TLODecoLine"}, {"画像", "TLOImage"}, {"背景柄", "TLOBackImage"}};
    for (const auto& [caption, kind] : kinds) {
        QAction* action = tools->addAction(QString::fromUtf8(caption));
        action->setObjectName(QStringLiteral("Create") + QString::fromLatin1(kind));
        const QString k = QString::fromLatin1(kind);
        connect(action, &QAction::triggered, this, [this, k] {
            FSite->setFocus();
            TDesignerList::Instance().CreateObject(FSite, k);
            if (k == QLatin1String("TLOBackImage"))
                FitBackgrounds();
        });
    }
    QAction* callTemplate = tools->addAction(QStringLiteral("テンプレート"));
    callTemplate->setObjectName(QStringLiteral("CallTemplate"));
    callTemplate->setToolTip(QStringLiteral("ラベルテンプレートの呼び出し(&T)..."));
    connect(callTemplate, &QAction::triggered, this, [this] { CallTemplate(); });
    FAids->BuildCommands(this, menuBar);
    FAids->Activate();
    layout->setMenuBar(menuBar);
    layout->addWidget(tools, 0, 0, 1, 2);
    auto* corner = new QWidget(this);
    corner->setFixedSize(24, 24);
    layout->addWidget(corner, 1, 0);
    layout->addWidget(FAids->HorizontalRuler(), 1, 1);
    layout->addWidget(FAids->VerticalRuler(), 2, 0);
    layout->addWidget(scroll, 2, 1);
    resize(760, 640);
    FitScale();
}

// The template step of the main window, on this window's label: the design is
// written first and read back when a template replaced it.
bool TfrmLabelEdit::CallTemplate()
{
    WriteBack();
    if (!CallLabelTemplate(FDocument, FPosition, this))
        return false;
    TActionList::Instance().Clear();
    LoadObjects();
    FSite->update();
    return true;
}

void TfrmLabelEdit::LoadObjects()
{
    PrepareLabelSite(*FSite, FDocument, FPosition);
    TDOList objects;
    FDocument.ReadLabel(FPosition, objects);
    for (TDrawObject* object : objects.Objects()) {
        FSite->InsertComponent(object);
        FSite->AddObject(object);
        // A double click opens the object's property dialog through its designer.
        object->OnDblClick = [](TDrawObject* sender) {
            if (auto* label = dynamic_cast<TLabelObject*>(sender))
                label->Edit();
        };
    }
}

// A background covers the whole face in the face's shape, whatever the creator made.
void TfrmLabelEdit::FitBackgrounds()
{
    const TLogRect rect = FDocument.LabelRect(FPosition);
    const TPaperInfo* paper = FDocument.Paper();
    if (rect.IsEmpty() || !paper || FPosition >= paper->GetFaceCount())
        return;
    for (int i = 0; i < FSite->ObjectCount(); ++i)
        if (auto* back = dynamic_cast<TLOBackImage*>(FSite->Objects(i))) {
            back->SetFaceInfo(paper->GetFaceInfo(FPosition));
            back->FitToFace({0, 0, rect.Width(), rect.Height()});
        }
}

TfrmLabelEdit::~TfrmLabelEdit()
{
    // The aids reach into the site and the scroll area when they go, and both are
    // children made before them: the aids go first, and the viewport stops
    // reporting to this half-destroyed window.
    FScroll->viewport()->removeEventFilter(this);
    delete std::exchange(FAids, nullptr);
}

void TfrmLabelEdit::FitScale()
{
    const QSize view = FScroll->viewport()->size();
    const int margin = 16;
    const int scale = std::max(
        5, FSite->FitScale(DeviceDPI(FSite), {0, 0, view.width() - 2 * margin, view.height() - 2 * margin},
                           true, true));
    FSite->Scaler()->SetScale(scale);
    const QSize s = FSite->size();
    const QSize holder(std::max(view.width(), s.width() + 2 * margin),
                       std::max(view.height(), s.height() + 2 * margin));
    FHolder->resize(holder);
    FSite->move((holder.width() - s.width()) / 2, (holder.height() - s.height()) / 2);
    if (FAids)
        FAids->UpdateRulers();
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
    TGhostList::Instance().Cancel();
    if (FAids && FAids->GuideDragging())
        FAids->EndGuideDrag({}, false, true);
    WriteBack();
    // The history refers to this window's objects.
    TActionList::Instance().Clear();
    QDialog::done(result);
}

// ---------------------------------------------------------------------------------

TfrmPaperChange::TfrmPaperChange(const TVelmoPapers& papers, const QString& currentName,
                                 bool separatelyDesign, std::function<bool(const TPaperInfo&)> confirm,
                                 QWidget* parent)
    : QDialog(parent), FPapers(papers), FConfirm(std::move(confirm))
{
    setObjectName(QStringLiteral("frmPaperChange"));
    setWindowTitle(QStringLiteral("用紙の変更"));
    auto* layout = new QVBoxLayout(this);
    FList = new QListWidget(this);
    for (int i = 0; i < papers.Count(); ++i) {
        // The names carry their maker already; the group is in the summary below.
        FList->addItem(papers.Paper(i)->PaperName());
    }
    layout->addWidget(FList, 1);
    FSummary = new QLabel(this);
    FSummary->setMinimumHeight(90);
    FSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(FSummary);
    FSeparately = new QCheckBox(QStringLiteral("ラベルごとにデザインする"), this);
    FSeparately->setChecked(separatelyDesign);
    layout->addWidget(FSeparately);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FList, &QListWidget::currentRowChanged, this, [this](int) { ShowSummary(); });
    const int current = papers.IndexOfName(currentName);
    FList->setCurrentRow(std::max(0, current));
    resize(520, 560);
}

TPaperInfo* TfrmPaperChange::SelectedPaper() const
{
    const int row = FList->currentRow();
    return row >= 0 && row < FPapers.Count() ? FPapers.Paper(row) : nullptr;
}

bool TfrmPaperChange::SeparatelyDesign() const
{
    return FSeparately->isChecked();
}

void TfrmPaperChange::Select(int index)
{
    FList->setCurrentRow(index);
}

QStringList TfrmPaperChange::SummaryLines() const
{
    QStringList lines;
    if (const TPaperInfo* paper = SelectedPaper())
        PaperSummary(lines, *paper, &FPapers, -1);
    return lines;
}

void TfrmPaperChange::ShowSummary()
{
    QStringList lines = SummaryLines();
    // A free paper lists every face; a few lines tell enough here.
    if (lines.size() > 8) {
        lines = lines.mid(0, 8);
        lines << QStringLiteral("…");
    }
    FSummary->setText(lines.join(QLatin1Char('\n')));
}

void TfrmPaperChange::accept()
{
    const TPaperInfo* paper = SelectedPaper();
    if (!paper)
        return;
    if (FConfirm && !FConfirm(*paper))
        return; // No keeps the choice open
    QDialog::accept();
}

// ---------------------------------------------------------------------------------

TfrmSheetMain::TfrmSheetMain(const QString& fileName, QWidget* parent)
    : TfrmMain(parent, TBare{}), FFileName(fileName)
{
    setObjectName(QStringLiteral("frmSheetMain"));
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* save = file->addAction(QStringLiteral("上書き保存(&S)"), this, [this] { Save(); });
    save->setShortcut(QKeySequence::Save);
    QAction* print = file->addAction(QStringLiteral("印刷(&P)..."), this, [this] { Print(); });
    print->setShortcut(QKeySequence::Print);
    print->setObjectName(QStringLiteral("actPrint"));
    file->addSeparator();
    QToolBar* tools = addToolBar(QStringLiteral("印刷"));
    tools->setObjectName(QStringLiteral("tbPrint"));
    tools->addAction(print);
    QMenu* paper = menuBar()->addMenu(QStringLiteral("用紙(&P)"));
    paper->addAction(QStringLiteral("用紙の変更(&C)..."), this, [this] { ChangePaper(); });
    QMenu* data = menuBar()->addMenu(QStringLiteral("差し込み(&M)"));
    QAction* choose = data->addAction(QStringLiteral("CSVファイルの選択(&F)..."), this, [this] {
        // The pictures of the labels were drawn with the former records: drawn again
        // (also when the chosen file failed, which closed the former data).
        if (FDocument && velmo::ChooseMergeData(this, *FDocument, MergeSession().Database()) && FSheet)
            FSheet->RefreshAll();
    });
    choose->setObjectName(QStringLiteral("actChooseCsv"));
    QAction* browse = data->addAction(QStringLiteral("CSVデータの一覧(&V)..."), this, [this] {
        if (FDocument)
            ExecuteCsvBrowser(this, *FDocument, MergeSession().Database(), [this] {
                if (FSheet)
                    FSheet->RefreshAll();
            });
    });
    browse->setObjectName(QStringLiteral("actCsvBrowser"));
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
    MergeSession().SetDocument(FDocument.get());
    FFileName = fileName;
    // The document's merge data comes with it (before the sheet draws its labels,
    // which show their records); a file that is gone or unreadable leaves the
    // document open without it.
    QString mergeMessage;
    OpenDocumentMergeData(MergeSession().Database(), *FDocument, &mergeMessage);
    if (!mergeMessage.isEmpty())
        AppMessageBox(mergeMessage, {bkOK}, 0, 0, false);
    TfrmSheet::ResetRememberedZoom();
    FSheet = new TfrmSheet(*FDocument, ExpandMacros(QStringLiteral("$(AppName)")), this, LabelFill());
    FSheet->SetMessages(AppMessages());
    FSheet->OnOpenLayout = [this](int k) { OpenLayout(k); };
    setCentralWidget(FSheet);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(fileName).fileName(),
                                                 ExpandMacros(QStringLiteral("$(AppName)"))));
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

bool TfrmSheetMain::Print()
{
    if (!FDocument)
        return false;
    TPrintCommandHooks hooks;
    hooks.Banding = [] { return ReadSettingBool(QStringLiteral("Banding"), true); };
    hooks.ShowError = [](const QString& message) { AppMessageBox(message, {bkOK}, 0, 0, false); };
    hooks.OnPrintingWindow = OnPrintingWindow;
    // Record n on label n, numbering objects at n; then whatever the test hooks want.
    hooks.FaceHook = [this](TDOList& objects, int counter) {
        MergeSession().FillLabel(objects, counter);
        if (PrintFaceHook)
            PrintFaceHook(objects, counter);
    };
    return ExecutePrintCommand(this, *FDocument, FFileName, hooks);
}

void TfrmSheetMain::ChangePaper()
{
    TVelmoPapers* papers = Catalogue ? Catalogue() : nullptr;
    if (!FDocument || !FSheet || !papers)
        return;
    const QString current = FDocument->Paper() ? FDocument->Paper()->PaperName() : QString();
    TfrmPaperSelect dialog(
        *papers, FDocument->SeparatelyDesign(),
        [this](const TPaperInfo& paper) { return FSheet->ConfirmPaperChange(paper); }, this);
    if (FDocument->Paper())
        dialog.ShowPaper(*FDocument->Paper());
    if (dialog.exec() != QDialog::Accepted || !dialog.SelectedPaper())
        return;
    const TPaperInfo& paper = *dialog.SelectedPaper();
    std::unique_ptr<TExPaperInfo> extra = papers->GetExInfo(paper.PaperName(), false);
    std::unique_ptr<TExtraPaperInfo> record =
        papers->FindRecord(TVelmoPapers::PaperImagesBaseName(), paper.PaperName());
    FSheet->ChangePaper(paper, dialog.SeparatelyDesign(), extra.get(),
                        dynamic_cast<const TImagePaperInfo*>(record.get()));
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
