#include "wizard/FWizard.h"
#include "base/UFolderHistory.h"

#include "base/UExceptions.h"
#include "document/ULabelData.h"
#include "draw/UDrawObject.h"
#include "imaging/UImageData.h"
#include "imaging/UImageFilter.h"
#include "imaging/UImagePack.h"
#include "imaging/UWindowPictures.h"
#include "merge/UMergeSession.h"
#include "objects/FImageDialogs.h"
#include "objects/ULOFace.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "sheet/USheetLabels.h"
#include "sheet/USheetView.h"
#include "text/ULOText.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

// Remembered for the rest of the application's run.
int& SizeFilterOf(TWizardMode kind)
{
    static int wizard = 0, matching = 0;
    return kind == TWizardMode::wmWizard ? wizard : matching;
}
int& MatchingThumbnailSize()
{
    static int size = 100;
    return size;
}

// The colour a frame picture leaves open for the photo (red, green and blue 240).
constexpr TColor kPhotoFrameColor = 15790320;

// A double click on a genre button presses Next.
class TDoubleClickFilter : public QObject
{
public:
    TDoubleClickFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), FAction(std::move(action))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            FAction();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> FAction;
};

QWidget* PaperHolder(QWidget* parent, TPaperSite*& site, QSize size)
{
    auto* holder = new QWidget(parent);
    holder->setFixedSize(size);
    holder->setAutoFillBackground(true);
    QPalette palette = holder->palette();
    palette.setColor(QPalette::Window, QColor(0xE8, 0xE8, 0xE8));
    holder->setPalette(palette);
    site = new TPaperSite(nullptr, holder);
    site->SetColor(clWhite);
    site->setGeometry(holder->rect().adjusted(4, 4, -4, -4));
    return holder;
}

QString FaceText(const TPaperInfo& paper, int k, const QString& purpose)
{
    const TFaceInfo face = paper.GetFaceInfo(k);
    return QStringLiteral("ラベル %1\n用途：%2\nサイズ：%3×%4mm\n形状：%5")
        .arg(k + 1)
        .arg(purpose.isEmpty() ? QStringLiteral("－") : purpose)
        .arg(SummaryMillimetres(face.Rect.Width()), SummaryMillimetres(face.Rect.Height()))
        .arg(FaceShapeName(int(face.FaceShape)));
}

QPixmap FitPixmap(const QImage& image, QSize box)
{
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// A square thumbnail with the picture centred on white and a thin frame.
QIcon ThumbnailIcon(const QImage& picture, int side)
{
    QImage square(side, side, QImage::Format_RGB32);
    square.fill(Qt::white);
    QPainter painter(&square);
    if (!picture.isNull()) {
        const QImage scaled =
            picture.scaled(side - 6, side - 6, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage((side - scaled.width()) / 2, (side - scaled.height()) / 2, scaled);
    }
    painter.setPen(QColor(0xB0, 0xB0, 0xB0));
    painter.drawRect(0, 0, side - 1, side - 1);
    painter.end();
    return QIcon(QPixmap::fromImage(square));
}

// The folder's work and template files in name order (the file system's own order is
// no order a user would recognise); a file that cannot be read is skipped.
void FillSorted(TTemplateList& list, const QString& folder, const TTemplateFace& face, bool firstOnly)
{
    list.Clear();
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.lbd"), QStringLiteral("*.lbt")}, // name filters ignore case
                          QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) {
        try {
            list.AddFile(file.absoluteFilePath(), face, firstOnly);
        } catch (const std::exception&) {
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------

TfrmWizard::TfrmWizard(TWizardMode kind, TVelmoPapers* papers, const QString& dataFile, QWidget* parent)
    : QDialog(parent), FKind(kind)
{
    setObjectName(kind == TWizardMode::wmWizard ? QStringLiteral("frmWizard")
                                                : QStringLiteral("frmSameWizard"));
    if (kind == TWizardMode::wmWizard) {
        auto info = std::make_unique<TWizardInfo>(papers, dataFile);
        FWizard = info.get();
        FInfo = std::move(info);
    } else {
        auto info = std::make_unique<TOsoroiInfo>(papers, dataFile);
        FOsoroi = info.get();
        FInfo = std::move(info);
    }
    if (!Available())
        return;

    auto* main = new QVBoxLayout(this);
    FPages = new QStackedWidget(this);
    main->addWidget(FPages, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    main->addWidget(line);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    FBack = new QPushButton(QStringLiteral("<<戻る(&P)"), this);
    FNext = new QPushButton(QStringLiteral(">>次へ(&N)"), this);
    FFinish = new QPushButton(QStringLiteral("完了(&F)"), this);
    FCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    FBack->setObjectName(QStringLiteral("back"));
    FNext->setObjectName(QStringLiteral("next"));
    FFinish->setObjectName(QStringLiteral("finish"));
    FCancel->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* b : {FBack, FNext, FFinish, FCancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    FNext->setDefault(true);
    main->addLayout(buttons);
    connect(FBack, &QPushButton::clicked, this, [this] { GoBack(); });
    connect(FNext, &QPushButton::clicked, this, [this] { GoNext(); });
    connect(FFinish, &QPushButton::clicked, this, [this] { FinishRun(); });
    connect(FCancel, &QPushButton::clicked, this, [this] { reject(); });

    FInfo->EnableNext = [this](bool enabled) { FNext->setEnabled(enabled); };
    FInfo->NextButton = FNext;

    BuildGenrePage();
    BuildPaperPage();
    BuildDesignPage();
    BuildPhotoPage();
    BuildInputPage();
    BuildFinishPage();

    FDocument = std::make_unique<TLabelData>();
    FResultFile.clear();
    ShowStep(wsGenre);
    resize(760, 560);
    // Centred over the main window and kept on the screen.
    if (parent) {
        QRect frame = geometry();
        frame.moveCenter(parent->window()->geometry().center());
        if (const QScreen* screen = parent->screen()) {
            const QRect available = screen->availableGeometry();
            frame.moveLeft(std::clamp(frame.left(), available.left(),
                                      std::max(available.left(), available.right() - frame.width())));
            frame.moveTop(std::clamp(frame.top(), available.top(),
                                     std::max(available.top(), available.bottom() - frame.height())));
        }
        move(frame.topLeft());
    }
}

TfrmWizard::~TfrmWizard()
{
    // The result belongs to this run only: whoever wanted it has loaded it by now.
    if (!FResultFile.isEmpty() && QFileInfo::exists(FResultFile))
        QFile::remove(FResultFile);
}

bool TfrmWizard::Available() const
{
    return FInfo && FInfo->Available();
}

void TfrmWizard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The keyboard starts on the chosen genre, so Tab and Space move between genres.
    if (FStep == wsGenre && FGenreButtons)
        if (QAbstractButton* b = FGenreButtons->checkedButton())
            b->setFocus();
}

void TfrmWizard::done(int result)
{
    if (FPendingThumbs.size())
        FPendingThumbs.clear();
    QDialog::done(result);
}

// ---- designs in hand ----

void TfrmWizard::ReadDesign(int k, TDOList& topmostFirst)
{
    TDOList stored;
    try {
        FDocument->ReadLabel(k, stored);
    } catch (const std::exception&) {
        stored.FreeObjects();
        return;
    }
    for (int i = stored.Count() - 1; i >= 0; --i)
        topmostFirst.Add(stored[i]);
    stored.Clear();
}

void TfrmWizard::WriteDesign(int k, const TDOList& topmostFirst)
{
    FDocument->WriteLabel(k, topmostFirst);
}

std::vector<int> TfrmWizard::EditedPositions() const
{
    std::vector<int> positions;
    if (FKind == TWizardMode::wmWizard) {
        positions.push_back(FDocument->SeparatelyDesign() ? FDocument->CurrentLabelNo() : 0);
        return positions;
    }
    const int count =
        FDocument->SeparatelyDesign() ? FDocument->LabelCount() : std::min(1, FDocument->LabelCount());
    for (int k = 0; k < count; ++k)
        positions.push_back(k);
    return positions;
}

bool TfrmWizard::HasPhoto()
{
    for (int k : EditedPositions()) {
        TDOList design;
        ReadDesign(k, design);
        const bool found = !PhotoPlaceholders(design).empty();
        design.FreeObjects();
        if (found)
            return true;
    }
    return false;
}

bool TfrmWizard::HasTexts()
{
    for (int k : EditedPositions()) {
        TDOList design;
        ReadDesign(k, design);
        const bool found = !TextFields(design).empty();
        design.FreeObjects();
        if (found)
            return true;
    }
    return false;
}

// ---- steps ----

void TfrmWizard::ShowStep(int step)
{
    FStep = step;
    FPages->setCurrentIndex(step);
    FBack->setEnabled(step >= wsPaper);
    FFinish->setEnabled(step == wsFinish);
    FNext->setEnabled(true);
    if (FKind == TWizardMode::wmWizard)
        FNext->setText(step == wsFinish ? QStringLiteral("別のラベル(&N)") : QStringLiteral(">>次へ(&N)"));
    EnterStep();
    if (FKind == TWizardMode::wmWizard)
        setWindowTitle(WizardCaption(step, step >= wsDesign && HasPhoto()));
    else
        setWindowTitle(OsoroiCaption(step));
    if (step == wsFinish)
        FFinish->setDefault(true);
    else
        FNext->setDefault(true);
}

void TfrmWizard::EnterStep()
{
    switch (FStep) {
    case wsGenre: {
        const int genre = FInfo->Genre();
        if (QAbstractButton* b = FGenreButtons->button(genre))
            b->setChecked(true);
        if (QAbstractButton* b = FGenreButtons->checkedButton())
            b->setFocus();
        break;
    }
    case wsPaper:
        // Each time the page opens the maker choice starts with every maker.
        FillSubGenres();
        if (FMaker->count())
            FMaker->setCurrentIndex(0);
        FillPaperList();
        break;
    case wsDesign:
        EnterDesign();
        break;
    case wsPhoto:
        EnterPhoto();
        break;
    case wsInput:
        EnterInput();
        break;
    case wsFinish:
        EnterFinish();
        break;
    }
}

bool TfrmWizard::CommitStep()
{
    switch (FStep) {
    case wsGenre: {
        const int chosen = FGenreButtons->checkedId();
        if (chosen >= 0 && chosen != FInfo->Genre()) {
            FInfo->SetSubGenre(0);
            FInfo->SetGenre(chosen);
        }
        return true;
    }
    case wsPaper:
        return CommitPaper();
    case wsDesign:
        return CommitDesign();
    case wsPhoto:
        return true; // each change was written when it was made
    case wsInput:
        return CommitInput();
    case wsFinish:
        return true;
    }
    return true;
}

void TfrmWizard::GoNext()
{
    if (!FNext->isEnabled())
        return;
    try {
        if (!CommitStep())
            return;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
        return;
    }
    int next;
    if (FKind == TWizardMode::wmWizard)
        next = WizardNextStep(FStep, FStep == wsDesign ? HasPhoto() : false);
    else
        next = OsoroiNextStep(FStep, HasPhoto(), HasTexts());
    ShowStep(next);
}

void TfrmWizard::GoBack()
{
    if (FStep == wsGenre)
        return;
    int previous;
    if (FKind == TWizardMode::wmWizard)
        previous = WizardPrevStep(FStep, HasPhoto());
    else
        previous = OsoroiPrevStep(FStep, HasPhoto(), HasTexts());
    ShowStep(previous);
}

void TfrmWizard::FinishRun()
{
    if (FStep != wsFinish)
        return;
    try {
        if (FKind == TWizardMode::wmWizard && !FDocument->CSVFile().isEmpty()) {
            const QString question = QStringLiteral(
                "作成したデータには、差込み項目があります。\r\nここでCSVファイルを選択しますか？");
            const bool ok = AskOkCancel ? AskOkCancel(question)
                                        : QMessageBox::question(this, windowTitle(), question,
                                                                QMessageBox::Ok | QMessageBox::Cancel,
                                                                QMessageBox::Ok) == QMessageBox::Ok;
            QString chosen;
            if (ok) {
                const QString proposal = QFileInfo(FDocument->CSVFile()).fileName();
                chosen = ChooseCsvFile ? ChooseCsvFile(proposal)
                                       : QFileDialog::getOpenFileName(
                                             this, QString(),
                                             QDir(StartFolder(folderkind::MergeData)).filePath(proposal),
                                             QStringLiteral("CSVデータ(*.csv);;すべてのﾌｧｲﾙ(*.*)"));
                RememberFolder(folderkind::MergeData, chosen);
            }
            if (chosen.isEmpty()) {
                // Without merge data the document would print its fields empty: the
                // run ends without a result rather than with a half-made one.
                accept();
                return;
            }
            const bool header = QFileInfo(chosen).fileName().compare(
                                    QFileInfo(FDocument->CSVFile()).fileName(), Qt::CaseInsensitive) == 0;
            FDocument->SetCSVFile(chosen);
            FDocument->SetCSVFieldName(header);
        }
        if (!SaveResult())
            return;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
        return;
    }
    accept();
}

bool TfrmWizard::SaveResult()
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/LWZXXXXXX.lbd"));
    file.setAutoRemove(false);
    if (!file.open())
        throw Exception(QStringLiteral("一時ファイルを作成できません"));
    const QString name = file.fileName();
    file.close();
    try {
        FDocument->Save(name);
    } catch (...) {
        QFile::remove(name);
        throw;
    }
    FResultFile = name;
    return true;
}

// ---- genre page ----

void TfrmWizard::BuildGenrePage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QVBoxLayout(page);
    auto* caption = new QLabel(QStringLiteral("作成するラベルのジャンルを選んでください。"), page);
    layout->addWidget(caption);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    layout->addStretch(1);
    FGenreButtons = new QButtonGroup(page);
    FGenreButtons->setExclusive(true);
    const bool wizard = FKind == TWizardMode::wmWizard;
    const int count = wizard ? 12 : 5;
    const QStringList genres = wizard ? FWizard->Genres() : FOsoroi->Genres();
    TMatrixImagePack pack;
    bool pictures = true;
    try {
        LoadWindowPicture(pack, wizard ? TWindowPicture::wpWizardGenre : TWindowPicture::wpMatchingGenre);
    } catch (const std::exception&) {
        pictures = false; // the captions still tell the genres apart
    }
    auto* filter = new TDoubleClickFilter(page, [this] { FInfo->PressNext(); });
    const int columns = wizard ? 4 : 5;
    for (int g = 0; g < count; ++g) {
        auto* button = new QToolButton(page);
        button->setObjectName(QStringLiteral("genre%1").arg(g));
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setText(g < genres.size() ? genres[g] : QString());
        button->setEnabled(g < genres.size());
        if (pictures) {
            button->setIcon(PackIcon(pack, g));
            button->setIconSize(QSize(120, 80));
        }
        button->setMinimumSize(150, 120);
        button->installEventFilter(filter);
        FGenreButtons->addButton(button, g);
        grid->addWidget(button, g / columns, g % columns);
    }
    FPages->addWidget(page);
}

// ---- paper page ----

void TfrmWizard::BuildPaperPage()
{
    auto* page = new QWidget(FPages);
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 3);
    auto* subRow = new QHBoxLayout;
    FSubGenreLabel = new QLabel(
        FKind == TWizardMode::wmWizard ? QStringLiteral("種類(&K):") : QStringLiteral("アイテム(&K):"), page);
    FSubGenre = new QComboBox(page);
    FSubGenre->setObjectName(QStringLiteral("subGenre"));
    FSubGenreLabel->setBuddy(FSubGenre);
    subRow->addWidget(FSubGenreLabel);
    subRow->addWidget(FSubGenre, 1);
    left->addLayout(subRow);
    auto* filters = new QHBoxLayout;
    FSize = new QComboBox(page);
    FSize->setObjectName(QStringLiteral("sizeFilter"));
    FSize->addItems({QStringLiteral("すべてのサイズ"), QStringLiteral("A4サイズ"),
                     QStringLiteral("ハガキサイズ"), QStringLiteral("その他のサイズ")});
    FSize->setCurrentIndex(SizeFilterOf(FKind));
    FMaker = new QComboBox(page);
    FMaker->setObjectName(QStringLiteral("makerFilter"));
    filters->addWidget(FSize, 1);
    filters->addWidget(FMaker, 1);
    left->addLayout(filters);
    FPaperList = new QTreeWidget(page);
    FPaperList->setObjectName(QStringLiteral("papers"));
    FPaperList->setRootIsDecorated(false);
    FPaperList->setHeaderLabels({QStringLiteral("用紙"), QStringLiteral("面数")});
    FPaperList->header()->setStretchLastSection(false);
    FPaperList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    FPaperList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    left->addWidget(FPaperList, 1);

    auto* right = new QVBoxLayout;
    columns->addLayout(right, 2);
    auto* orientation = new QHBoxLayout;
    FPortrait = new QRadioButton(QStringLiteral("縦長"), page);
    FLandscape = new QRadioButton(QStringLiteral("横長"), page);
    FPortrait->setObjectName(QStringLiteral("portrait"));
    FLandscape->setObjectName(QStringLiteral("landscape"));
    auto* orientationGroup = new QButtonGroup(page);
    orientationGroup->addButton(FPortrait);
    orientationGroup->addButton(FLandscape);
    FPortrait->setChecked(true);
    orientation->addWidget(FPortrait);
    orientation->addWidget(FLandscape);
    orientation->addStretch(1);
    right->addLayout(orientation);
    right->addWidget(PaperHolder(page, FPaperPicture, QSize(230, 260)), 0, Qt::AlignHCenter);
    FPaperPicture->setEnabled(false);
    FPaperSummary = new QLabel(page);
    FPaperSummary->setObjectName(QStringLiteral("paperSummary"));
    FPaperSummary->setWordWrap(true);
    FPaperSummary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    right->addWidget(FPaperSummary, 1);
    auto* method = new QGroupBox(QStringLiteral("デザイン方法"), page);
    auto* methodLayout = new QHBoxLayout(method);
    FShared = new QRadioButton(QStringLiteral("全ラベル同じ"), method);
    FSeparate = new QRadioButton(QStringLiteral("ラベル別に作成"), method);
    FShared->setObjectName(QStringLiteral("shared"));
    FSeparate->setObjectName(QStringLiteral("separate"));
    FShared->setChecked(true);
    methodLayout->addWidget(FShared);
    methodLayout->addWidget(FSeparate);
    right->addWidget(method);

    connect(FSubGenre, &QComboBox::activated, this, [this](int index) { SubGenreChosen(index); });
    connect(FSize, &QComboBox::activated, this, [this](int index) {
        SizeFilterOf(FKind) = index;
        FillPaperList();
    });
    connect(FMaker, &QComboBox::activated, this, [this](int) { FillPaperList(); });
    connect(FPaperList, &QTreeWidget::currentItemChanged, this, [this] { PaperSelected(); });
    connect(FPaperList, &QTreeWidget::itemDoubleClicked, this, [this] { FInfo->PressNext(); });
    connect(FPortrait, &QRadioButton::toggled, this, [this] { UpdatePaperDetails(); });
    FPages->addWidget(page);
}

void TfrmWizard::FillSubGenres()
{
    const QStringList subs = FKind == TWizardMode::wmWizard ? FWizard->SubGenres() : FOsoroi->Items();
    FSubGenre->clear();
    // Item names may be written in quotes; they are shown without them.
    for (QString name : subs) {
        if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
            name = name.mid(1, name.size() - 2);
        FSubGenre->addItem(name);
    }
    if (FInfo->SubGenre() < 0 || FInfo->SubGenre() >= subs.size())
        FInfo->SetSubGenre(0);
    FSubGenre->setCurrentIndex(subs.isEmpty() ? -1 : FInfo->SubGenre());
    FSubGenre->setVisible(subs.size() > 1);
    FSubGenreLabel->setVisible(subs.size() > 1);
    RebuildCandidates();
}

void TfrmWizard::SubGenreChosen(int index)
{
    FInfo->SetSubGenre(std::max(0, index));
    RebuildCandidates();
    FillPaperList();
}

void TfrmWizard::RebuildCandidates()
{
    FCandidates.clear();
    TVelmoPapers* papers = FInfo->Papers();
    if (papers) {
        if (FKind == TWizardMode::wmWizard) {
            FInfo->SetPurposeList(FWizard->Purposes());
            FCandidates = WizardCandidates(*papers, FInfo->PurposeList());
        } else {
            FCandidates = OsoroiCandidates(*papers, FOsoroi->PaperNames());
        }
    }
    // The chosen maker stays chosen while the new list still has it.
    const QString maker = FMaker->currentText();
    std::vector<TPaperInfo*> list;
    for (int index : FCandidates)
        list.push_back(papers->Paper(index));
    FMaker->clear();
    FMaker->addItems(MakerList(list));
    const int keep = FMaker->findText(maker);
    FMaker->setCurrentIndex(keep >= 0 ? keep : 0);
}

void TfrmWizard::FillPaperList()
{
    TVelmoPapers* papers = FInfo->Papers();
    FPaperList->clear();
    FShown.clear();
    const TSizeFilter size = TSizeFilter(std::clamp(FSize->currentIndex(), 0, 3));
    const bool allMakers = FMaker->currentIndex() <= 0;
    const QString maker = FMaker->currentText();
    QTreeWidgetItem* select = nullptr;
    for (int index : FCandidates) {
        TPaperInfo* paper = papers->Paper(index);
        if (!paper || !PassesSizeFilter(*paper, size))
            continue;
        if (!allMakers && MakerOfPaper(*paper) != maker)
            continue;
        auto* item = new QTreeWidgetItem(FPaperList, {paper->PaperName(), PaperCountText(*paper)});
        item->setData(0, Qt::UserRole, index);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        FShown.push_back(index);
        // The paper chosen before, else the first one.
        if (!select || (paper->PaperName() == FChosenPaperName && select->text(0) != FChosenPaperName))
            select = item;
    }
    if (select)
        FPaperList->setCurrentItem(select);
    PaperSelected();
}

void TfrmWizard::PaperSelected()
{
    QTreeWidgetItem* item = FPaperList->currentItem();
    TPaperInfo* paper = item ? FInfo->Papers()->Paper(item->data(0, Qt::UserRole).toInt()) : nullptr;
    if (paper) {
        const bool wasLandscape = paper->Landscape();
        FPortrait->blockSignals(true);
        FLandscape->setChecked(wasLandscape);
        FPortrait->setChecked(!wasLandscape);
        FPortrait->blockSignals(false);
        const bool single = paper->GetFaceCount() <= 1 || !dynamic_cast<TMatrixPaperInfo*>(paper);
        const bool wasDisabled = !FShared->isEnabled();
        FShared->setEnabled(!single);
        if (single)
            FSeparate->setChecked(true);
        else if (wasDisabled)
            FShared->setChecked(true);
    }
    UpdatePaperDetails();
    FInfo->SetNextEnabled(paper != nullptr);
}

void TfrmWizard::UpdatePaperDetails()
{
    QTreeWidgetItem* item = FPaperList->currentItem();
    TPaperInfo* paper = item ? FInfo->Papers()->Paper(item->data(0, Qt::UserRole).toInt()) : nullptr;
    FPaperPicture->SetPaper(nullptr);
    FPaperCopy.reset();
    if (!paper) {
        FPaperSummary->clear();
        return;
    }
    FPaperCopy = paper->Clone();
    FPaperCopy->SetLandscape(FLandscape->isChecked());
    FPaperPicture->SetPaper(FPaperCopy.get());
    QStringList lines;
    PaperSummary(lines, *FPaperCopy, FInfo->Papers(), -1);
    FPaperSummary->setText(lines.join(u'\n'));
}

bool TfrmWizard::CommitPaper()
{
    QTreeWidgetItem* item = FPaperList->currentItem();
    if (!item)
        return false;
    TPaperInfo* paper = FInfo->Papers()->Paper(item->data(0, Qt::UserRole).toInt());
    if (!paper)
        return false;
    paper->SetLandscape(FLandscape->isChecked());
    FChosenPaperName = paper->PaperName();
    FInfo->SetPaper(paper);
    FInfo->SetSeparateDesign(FSeparate->isChecked());
    auto document = std::make_unique<TLabelData>();
    document->SetPaper(paper);
    document->SetSeparatelyDesign(FInfo->SeparateDesign());
    document->SetExtraInfo(FInfo->ExtraInfo());
    document->SetImageInfo(FInfo->ImageInfo());
    FDocument = std::move(document);
    FDesignPosition = 0;
    FPhotoRects.clear();
    if (FOsoroi) {
        QStringList purposes;
        QString paperPurpose;
        if (FInfo->ExtraInfo())
            paperPurpose = FInfo->ExtraInfo()->Purpose();
        for (int k = 0; k < paper->GetFaceCount(); ++k) {
            const QString purpose = WizardFacePurpose(*paper, k, paperPurpose);
            if (!purposes.contains(purpose, Qt::CaseInsensitive))
                purposes << purpose;
        }
        FInfo->SetPurposeList(purposes);
        FOsoroi->SetLandscape(paper->Landscape());
    }
    return true;
}

// ---- design page ----

void TfrmWizard::BuildDesignPage()
{
    auto* page = new QWidget(FPages);
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    columns->addLayout(left);
    left->addWidget(PaperHolder(page, FDesignSheet, QSize(230, 260)));
    FFaceInfo = new QLabel(page);
    FFaceInfo->setObjectName(QStringLiteral("faceInfo"));
    left->addWidget(FFaceInfo);
    FDesignSummary = new QLabel(page);
    FDesignSummary->setWordWrap(true);
    left->addWidget(FDesignSummary, 1);
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("デザインを選んでください。"), page), 1);
    FThumbSize = new QComboBox(page);
    FThumbSize->setObjectName(QStringLiteral("thumbnailSize"));
    FThumbSize->addItems(
        {QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("150"), QStringLiteral("200")});
    FThumbSize->setVisible(FKind == TWizardMode::wmMatching);
    FThumbSize->setCurrentText(QString::number(MatchingThumbnailSize()));
    top->addWidget(FThumbSize);
    right->addLayout(top);
    FNoDesign = new QLabel(page);
    FNoDesign->setObjectName(QStringLiteral("noDesign"));
    FNoDesign->setVisible(false);
    right->addWidget(FNoDesign);
    FDesignList = new QListWidget(page);
    FDesignList->setObjectName(QStringLiteral("designs"));
    FDesignList->setViewMode(QListView::IconMode);
    FDesignList->setResizeMode(QListView::Adjust);
    FDesignList->setMovement(QListView::Static);
    FDesignList->setSpacing(6);
    FDesignList->setUniformItemSizes(true);
    right->addWidget(FDesignList, 1);

    FDesignSheet->OnFaceClick = [this](TPaperSite*) { DesignPositionChosen(); };
    connect(FDesignList, &QListWidget::currentRowChanged, this,
            [this](int row) { FInfo->SetNextEnabled(row >= 0); });
    connect(FDesignList, &QListWidget::itemDoubleClicked, this, [this] { FInfo->PressNext(); });
    connect(FThumbSize, &QComboBox::activated, this, [this] {
        MatchingThumbnailSize() = FThumbSize->currentText().toInt();
        FillSheetDesigns();
    });
    auto* timer = new QTimer(page);
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        if (FPendingThumbs.empty())
            timer->stop();
        else
            DrawNextThumbnail();
    });
    FDesignList->setProperty("timer", QVariant::fromValue<QObject*>(timer));
    FPages->addWidget(page);
}

void TfrmWizard::EnterDesign()
{
    FDesignPaper.reset();
    FDesignSheet->SetPaper(nullptr);
    if (!FDocument->Paper())
        return;
    FDesignPaper = FDocument->Paper()->Clone();
    FDesignSheet->SetPaper(FDesignPaper.get());
    if (FKind == TWizardMode::wmWizard) {
        const bool separate = FDocument->SeparatelyDesign();
        FDesignSheet->setEnabled(separate);
        FDesignSheet->SetColor(separate ? clWhite : TColor(0xD0D0D0));
        FDesignPosition =
            separate ? std::clamp(FDesignPosition, 0, std::max(0, FDocument->LabelCount() - 1)) : 0;
        FDesignSheet->Choose(FDesignPosition);
        DesignPositionChosen();
    } else {
        FDesignSheet->setEnabled(true);
        FDesignSheet->SetColor(clWhite);
        FDesignList->clear();
        FTemplates.Clear();
        FFaceInfo->setText(QStringLiteral("ラベルをクリックすると\nデザインが表示されます。"));
        FDesignSummary->clear();
        FNoDesign->setVisible(false);
        FInfo->SetNextEnabled(false);
        // The first position's designs are listed at once; clicking another position
        // lists its own.
        if (FDocument->LabelCount() >= 1) {
            FDesignSheet->Choose(0);
            DesignPositionChosen();
        }
    }
}

void TfrmWizard::DesignPositionChosen()
{
    const int chosen = FDesignSheet->ChosenIndex();
    if (chosen < 0 || !FDesignPaper)
        return;
    FDesignPosition = chosen;
    QString paperPurpose;
    if (FInfo->ExtraInfo())
        paperPurpose = FInfo->ExtraInfo()->Purpose();
    FFaceInfo->setText(
        FaceText(*FDesignPaper, chosen, WizardFacePurpose(*FDesignPaper, chosen, paperPurpose)));
    QStringList lines;
    PaperSummary(lines, *FDesignPaper, FInfo->Papers(), chosen);
    FDesignSummary->setText(lines.join(u'\n'));
    if (FKind == TWizardMode::wmWizard)
        FillDesigns();
    else
        FillSheetDesigns();
}

void TfrmWizard::FillDesigns()
{
    FDesignList->clear();
    FTemplates.Clear();
    FPendingThumbs.clear();
    QString paperPurpose;
    if (FInfo->ExtraInfo())
        paperPurpose = FInfo->ExtraInfo()->Purpose();
    const QString purpose = WizardFacePurpose(*FDesignPaper, FDesignPosition, paperPurpose);
    bool known = false;
    for (const QString& p : FInfo->PurposeList())
        known = known || p.compare(purpose, Qt::CaseInsensitive) == 0;
    const QString folder = known ? FWizard->FolderForPurpose(purpose) : QString();
    if (!folder.isEmpty()) {
        const TTemplateFace face = TTemplateFace::From(FDesignPaper->GetFaceInfo(FDesignPosition));
        FillSorted(FTemplates, folder, face, false);
    }
    FNoDesign->setText(QStringLiteral("このラベルに適合するテンプレートはありません"));
    FNoDesign->setVisible(FTemplates.Count() == 0);
    const int side = 128;
    FDesignList->setIconSize(QSize(side, side));
    // Pictures only: no caption row under them.
    FDesignList->setGridSize(QSize(side + 14, side + 14));
    for (int i = 0; i < FTemplates.Count(); ++i) {
        auto* item = new QListWidgetItem(ThumbnailIcon(QImage(), side), QString(), FDesignList);
        const TTemplateInfo& info = FTemplates.Item(i);
        item->setToolTip(info.Blank ? QStringLiteral("白紙") : QFileInfo(info.File).completeBaseName());
        item->setData(Qt::UserRole, i);
        if (!info.Blank)
            FPendingThumbs.push_back(i);
    }
    if (FDesignList->count())
        FDesignList->setCurrentRow(0);
    FInfo->SetNextEnabled(FDesignList->currentRow() >= 0);
    if (auto* timer = qobject_cast<QTimer*>(FDesignList->property("timer").value<QObject*>()))
        timer->start();
}

void TfrmWizard::FillSheetDesigns()
{
    FDesignList->clear();
    FTemplates.Clear();
    FPendingThumbs.clear();
    if (!FDesignPaper)
        return;
    QString paperPurpose;
    if (FInfo->ExtraInfo())
        paperPurpose = FInfo->ExtraInfo()->Purpose();
    const QString purpose = WizardFacePurpose(*FDesignPaper, FDesignPosition, paperPurpose);
    bool known = false;
    for (const QString& p : FInfo->PurposeList())
        known = known || p.compare(purpose, Qt::CaseInsensitive) == 0;
    const QString folder = known ? FOsoroi->Folder(FDesignPaper->PaperName()) : QString();
    if (!folder.isEmpty()) {
        TTemplateFace face;
        face.Purpose = FDesignPaper->GetFacePurpose(FDesignPosition).isEmpty()
                           ? QStringLiteral("*")
                           : FDesignPaper->GetFacePurpose(FDesignPosition);
        FillSorted(FTemplates, folder, face, true);
        // Blank entries stand for files without a fitting label; a whole matching sheet
        // has nothing to offer there.
        TTemplateList kept;
        for (const TTemplateInfo& info : FTemplates.Items())
            if (!info.Blank) {
                try {
                    kept.AddFile(info.File, face, true);
                } catch (const std::exception&) {
                }
            }
        FTemplates = kept;
    }
    FNoDesign->setText(QStringLiteral("この用紙に適合するテンプレートはありません"));
    FNoDesign->setVisible(FTemplates.Count() == 0);
    const int side = std::clamp(MatchingThumbnailSize(), 50, 200);
    FDesignList->setIconSize(QSize(side, side));
    FDesignList->setGridSize(QSize(side + 14, side + 14));
    for (int i = 0; i < FTemplates.Count(); ++i) {
        auto* item = new QListWidgetItem(ThumbnailIcon(QImage(), side), QString(), FDesignList);
        item->setToolTip(QFileInfo(FTemplates.Item(i).File).completeBaseName());
        item->setData(Qt::UserRole, i);
        FPendingThumbs.push_back(i);
    }
    if (FDesignList->count())
        FDesignList->setCurrentRow(0);
    FInfo->SetNextEnabled(FDesignList->currentRow() >= 0);
    if (auto* timer = qobject_cast<QTimer*>(FDesignList->property("timer").value<QObject*>()))
        timer->start();
}

void TfrmWizard::DrawNextThumbnail()
{
    if (FPendingThumbs.empty())
        return;
    const int index = FPendingThumbs.front();
    FPendingThumbs.erase(FPendingThumbs.begin());
    if (index >= FTemplates.Count() || index >= FDesignList->count())
        return;
    const TTemplateInfo& info = FTemplates.Item(index);
    QImage picture;
    const int side = FDesignList->iconSize().width();
    if (FKind == TWizardMode::wmWizard) {
        TLabelData::LoadPreview(info.File, info.Sheet, info.Label, picture);
    } else if (FDesignPaper) {
        DrawSheetPreview(picture, info.File, *FDesignPaper, 25, info.Sheet);
    }
    FDesignList->item(index)->setIcon(ThumbnailIcon(picture, side));
}

bool TfrmWizard::CommitDesign()
{
    const int row = FDesignList->currentRow();
    if (row < 0 || row >= FTemplates.Count())
        return false;
    const TTemplateInfo info = FTemplates.Item(row);
    FPhotoRects.clear();
    if (FKind == TWizardMode::wmWizard) {
        const int position = FDocument->SeparatelyDesign() ? FDesignPosition : 0;
        TDOList objects;
        if (!info.Blank) {
            std::unique_ptr<TLabelData> source = TLabelData::Open(info.File);
            source->SelectSheet(info.Sheet);
            TDOList stored;
            source->ReadLabel(info.Label, stored);
            for (int i = stored.Count() - 1; i >= 0; --i)
                objects.Add(stored[i]);
            stored.Clear();
            // Designs sit on their label: carry them from the template's label size to
            // the chosen position's.
            const TLogRect from = source->LabelRect(info.Label);
            const TLogRect to = FDocument->LabelRect(position);
            MapObjectsBetween(objects, {0, 0, from.Width(), from.Height()}, {0, 0, to.Width(), to.Height()});
        }
        FDocument->SetPaper(FInfo->Paper());
        FDocument->SetExtraInfo(FInfo->ExtraInfo());
        FDocument->SetImageInfo(FInfo->ImageInfo());
        FDocument->SetCurrentLabelNo(position);
        WriteDesign(position, objects);
        objects.FreeObjects();
        return true;
    }
    auto document = TLabelData::Open(info.File);
    document->SelectSheet(info.Sheet);
    document->SetPaper(FInfo->Paper());
    document->SetExtraInfo(FInfo->ExtraInfo());
    document->SetImageInfo(FInfo->ImageInfo());
    FDocument = std::move(document);
    return true;
}

// ---- photo page ----

void TfrmWizard::BuildPhotoPage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        new QLabel(QStringLiteral("「写真の変更」で、ラベルに入れる写真を選んでください。"), page));
    FPhotoPicture = new QLabel(page);
    FPhotoPicture->setObjectName(QStringLiteral("photoPicture"));
    FPhotoPicture->setAlignment(Qt::AlignCenter);
    FPhotoPicture->setMinimumSize(400, 380);
    layout->addWidget(FPhotoPicture, 1);
    FPhotoButton = new QPushButton(QStringLiteral("写真の変更(&C)..."), page);
    FPhotoButton->setObjectName(QStringLiteral("changePhoto"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(FPhotoButton);
    row->addStretch(1);
    layout->addLayout(row);
    connect(FPhotoButton, &QPushButton::clicked, this, [this] { ChangePhoto(); });
    FPages->addWidget(page);
}

void TfrmWizard::ShowDesignPicture(QLabel* target)
{
    const QSize box = target->size().boundedTo(QSize(680, 440)).expandedTo(QSize(300, 260));
    QImage picture;
    try {
        if (FKind == TWizardMode::wmWizard) {
            const int k = EditedPositions().front();
            const TLogRect rect = FDocument->LabelRect(k);
            const int dpi = rect.IsEmpty() ? 96
                                           : std::clamp(int(254LL * std::min(box.width(), box.height()) /
                                                            std::max(rect.Width(), rect.Height())),
                                                        10, 300);
            picture = RenderLabelPicture(*FDocument, k, dpi, FillLabelWithoutMergeData);
        } else {
            const int dpi =
                FDocument->Paper()
                    ? std::clamp(int(254LL * box.height() / std::max(1, FDocument->Paper()->Height())), 10,
                                 200)
                    : 50;
            picture = RenderSheetImage(*FDocument, dpi, FillLabelWithoutMergeData);
        }
    } catch (const std::exception&) {
    }
    target->setPixmap(FitPixmap(picture, box));
}

void TfrmWizard::EnterPhoto()
{
    ShowDesignPicture(FPhotoPicture);
}

void TfrmWizard::ChangePhoto()
{
    const std::vector<int> positions = EditedPositions();
    // The dialog opens on the first placeholder met.
    std::vector<std::unique_ptr<TDOList>> designs;
    TLOImage* first = nullptr;
    for (int k : positions) {
        auto design = std::make_unique<TDOList>();
        ReadDesign(k, *design);
        if (!first)
            for (TDrawObject* object : PhotoPlaceholders(*design)) {
                first = dynamic_cast<TLOImage*>(object);
                break;
            }
        designs.push_back(std::move(design));
    }
    auto freeAll = [&designs] {
        for (auto& d : designs)
            d->FreeObjects();
    };
    if (!first) {
        freeAll();
        return;
    }
    // The rectangles the photos fit into: remembered the first time the photo changes
    // after a design was chosen, in the order the placeholders are met.
    if (FPhotoRects.empty())
        for (auto& design : designs)
            for (TDrawObject* object : PhotoPlaceholders(*design))
                FPhotoRects.push_back(ObjectRect(object));
    {
        TfrmImageProperty dialog(first, this);
        if (dialog.Execute() != QDialog::Accepted) {
            freeAll();
            return;
        }
        dialog.Apply();
    }
    first->SetImageSource(isFile);
    SetPictureTransparency(*first->FramePicture(), kPhotoFrameColor, true);
    // The proportions of the picture as cropped.
    QSize pictureSize = GraphicSize(first->ImageData()->Picture()->Graphic());
    if (const TClipFilter* clip = first->ImageData()->ClipFilter(); clip && !clip->ClipRect().IsEmpty())
        pictureSize = QSize(clip->ClipRect().Width(), clip->ClipRect().Height());
    size_t slot = 0;
    for (size_t d = 0; d < designs.size(); ++d) {
        bool changed = false;
        for (TDrawObject* object : PhotoPlaceholders(*designs[d])) {
            auto* image = dynamic_cast<TLOImage*>(object);
            if (!image)
                continue;
            if (image != first) {
                image->ImageData()->Assign(*first->ImageData());
                image->FramePicture()->Assign(*first->FramePicture());
                image->SetImageSource(isFile);
            }
            if (slot < FPhotoRects.size())
                SetObjectRect(image, FitInside(FPhotoRects[slot], pictureSize.width(), pictureSize.height()));
            ++slot;
            changed = true;
        }
        if (changed)
            WriteDesign(positions[d], *designs[d]);
    }
    freeAll();
    ShowDesignPicture(FPhotoPicture);
}

// ---- input page ----

void TfrmWizard::BuildInputPage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("ラベルに入れる文字を入力してください。"), page));
    FNoInput = new QLabel(QStringLiteral("このテンプレートに入力文字項目はありません"), page);
    FNoInput->setObjectName(QStringLiteral("noInput"));
    layout->addWidget(FNoInput);
    FInputArea = new QScrollArea(page);
    FInputArea->setObjectName(QStringLiteral("inputs"));
    FInputArea->setWidgetResizable(true);
    layout->addWidget(FInputArea, 1);
    FPages->addWidget(page);
}

void TfrmWizard::EnterInput()
{
    FInputs.clear();
    auto* holder = new QWidget;
    auto* form = new QFormLayout(holder);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    QWidget* firstInput = nullptr;
    for (int k : EditedPositions()) {
        TDOList design;
        ReadDesign(k, design);
        for (TDrawObject* object : TextFields(design)) {
            const QString caption = TextFieldCaption(object);
            bool seen = false;
            for (const auto& input : FInputs)
                seen = seen || input.first == caption;
            // The wizard asks for every field of its one position; the matching sheet
            // asks once per caption.
            if (seen && FKind == TWizardMode::wmMatching)
                continue;
            const QString text = TextFieldText(object);
            QWidget* input;
            if (text.count(u'\n') < 1) {
                auto* edit = new QLineEdit(text.section(u'\n', 0, 0), holder);
                input = edit;
            } else {
                auto* edit = new QPlainTextEdit(text, holder);
                edit->setLineWrapMode(QPlainTextEdit::NoWrap);
                edit->setTabChangesFocus(true);
                edit->setFixedHeight(std::min(8, int(text.count(u'\n')) + 2) * edit->fontMetrics().height() +
                                     12);
                input = edit;
            }
            input->setObjectName(QStringLiteral("input%1").arg(FInputs.size()));
            form->addRow(caption + QStringLiteral("："), input);
            FInputs.push_back({caption, input});
            if (!firstInput)
                firstInput = input;
        }
        design.FreeObjects();
    }
    FInputArea->setWidget(holder);
    FNoInput->setVisible(FInputs.empty());
    FInputArea->setVisible(!FInputs.empty());
    if (firstInput)
        firstInput->setFocus();
}

bool TfrmWizard::CommitInput()
{
    auto inputText = [](QWidget* input) {
        if (auto* line = qobject_cast<QLineEdit*>(input))
            return line->text();
        if (auto* text = qobject_cast<QPlainTextEdit*>(input))
            return text->toPlainText();
        return QString();
    };
    for (int k : EditedPositions()) {
        TDOList design;
        ReadDesign(k, design);
        const std::vector<TDrawObject*> fields = TextFields(design);
        size_t row = 0;
        for (TDrawObject* object : fields) {
            QWidget* input = nullptr;
            if (FKind == TWizardMode::wmWizard) {
                if (row < FInputs.size())
                    input = FInputs[row].second;
                ++row;
            } else {
                for (const auto& entry : FInputs)
                    if (entry.first == TextFieldCaption(object)) {
                        input = entry.second;
                        break;
                    }
            }
            if (input)
                SetTextFieldText(object, inputText(input));
        }
        if (!fields.empty())
            WriteDesign(k, design);
        design.FreeObjects();
    }
    return true;
}

// ---- finish page ----

void TfrmWizard::BuildFinishPage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QVBoxLayout(page);
    FSheetPicture = new QLabel(page);
    FSheetPicture->setObjectName(QStringLiteral("sheetPicture"));
    FSheetPicture->setAlignment(Qt::AlignCenter);
    FSheetPicture->setMinimumSize(400, 400);
    layout->addWidget(FSheetPicture, 1);
    auto* question = new QLabel(QStringLiteral("ウイザードを終了しますか？"), page);
    question->setAlignment(Qt::AlignCenter);
    layout->addWidget(question);
    FPages->addWidget(page);
}

void TfrmWizard::EnterFinish()
{
    QImage picture;
    const QSize box(660, 420);
    try {
        if (FDocument->Paper()) {
            const int dpi =
                std::clamp(int(254LL * box.height() / std::max(1, FDocument->Paper()->Height())), 10, 200);
            picture = RenderSheetImage(*FDocument, dpi, FillLabelWithoutMergeData);
        }
    } catch (const std::exception&) {
    }
    FSheetPicture->setPixmap(FitPixmap(picture, box));
    const bool another =
        FKind == TWizardMode::wmWizard && FDocument->SeparatelyDesign() && FDocument->LabelCount() > 1;
    FNext->setEnabled(another);
    if (another && FDocument->LabelCount() > 0)
        FDesignPosition = (FDocument->CurrentLabelNo() + 1) % FDocument->LabelCount();
}

// ---------------------------------------------------------------------------------

int RunWizard(TWizardMode kind, TVelmoPapers* papers, const QString& dataFile, QWidget* parent,
              const std::function<void(const QString& resultFile)>& onResult, bool* notAvailable,
              const std::function<void(TfrmWizard&)>& prepare)
{
    TfrmWizard dialog(kind, papers, dataFile, parent);
    if (notAvailable)
        *notAvailable = !dialog.Available();
    if (!dialog.Available())
        return QDialog::Rejected;
    if (prepare)
        prepare(dialog);
    const int result = dialog.exec();
    if (result == QDialog::Accepted && !dialog.ResultFile().isEmpty() && onResult)
        onResult(dialog.ResultFile());
    return result;
}

} // namespace velmo
