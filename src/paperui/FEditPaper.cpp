#include "paperui/FEditPaper.h"
#include "base/UExceptions.h"
#include "base/UFolderHistory.h"
#include "document/ULabelData.h"
#include "document/UPaperDesigns.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperInfoV2.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UPaperRecords.h"
#include "paper/UPapers.h"
#include "paperui/FPaperMaintenance.h"
#include "print/UPrintOutlines.h"
#include "print/UPrinter.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

// The sheet drawn to scale: each label's printable outline solid, its cut line dotted.
class TMatrixPreview : public QWidget
{
public:
    TMatrixPreview(const TMatrixPaperInfo& paper, TFaceDesigns& designs, QWidget* parent)
        : QWidget(parent), FPaper(paper), FDesigns(designs)
    {
        setMinimumSize(260, 320);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        const int w = FPaper.Width(), h = FPaper.Height();
        if (w <= 0 || h <= 0)
            return;
        const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
        const double scale = std::min(area.width() / w, area.height() / h);
        p.translate(area.center().x() - w * scale / 2, area.center().y() - h * scale / 2);
        p.scale(scale, scale);
        p.fillRect(QRect(0, 0, w, h), Qt::white);
        p.setPen(QPen(Qt::black, 0));
        p.drawRect(QRect(0, 0, w, h));
        const int count = std::min(FPaper.GetFaceCount(), kMaxFaceCount);
        // The designs at the resolution the sheet is shown at: device pixels per inch.
        const int dpi = std::max(1, int(std::lround(scale * 254 * devicePixelRatioF())));
        for (int i = 0; i < count; ++i) {
            const TFaceInfo face = FPaper.GetFaceInfo(i);
            if (!FDesigns.IsEmpty())
                DrawFacePicture(p, face, FDesigns.Picture(FPaper, i, dpi));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 0, Qt::SolidLine));
            face.DrawOutline(p, false, false);
            p.setPen(QPen(Qt::black, 0, Qt::DotLine));
            face.DrawCutLine(p, false);
        }
    }

private:
    const TMatrixPaperInfo& FPaper;
    TFaceDesigns& FDesigns;
};

constexpr int kPurposeRole = Qt::UserRole + 1;

} // namespace

// The free editor's preview: the labels as faces the mouse moves and resizes, unless
// the extended mode's lock is on (then a press only chooses).
class TFreePaperSite : public TDrawSite
{
    VELMO_PERSISTENT(TFreePaperSite, TDrawSite)
public:
    TFreePaperSite(TfrmEditFreePaper& editor, QWidget* parent) : TDrawSite(nullptr, parent), FEditor(editor)
    {
        Scaler()->SetUnitDPI(254);
        SetColor(clWhite);
    }
    bool Locked = false;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        TDrawSite::mousePressEvent(event);
        if (Locked)
            CancelMode();
    }

private:
    TfrmEditFreePaper& FEditor;
};

const TPropertyTable& TFreePaperSite::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

// ---------------------------------------------------------------------------------

TPaperEditor::TPaperEditor(const TPapers& catalogue, bool adding, const TPrinterForm& forms, QWidget* parent)
    : QDialog(parent), FCatalogue(catalogue), FAdding(adding), FExtended(PaperExtendedModeOn())
{
    setWindowTitle(QStringLiteral("用紙の追加・編集"));
    Ask = [this](const QString& text, bool question) {
        if (question)
            return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        QMessageBox::warning(this, windowTitle(), text);
        return true;
    };
    for (int i = 0; i < forms.Count(); ++i)
        FForms.emplace_back(forms.Items(i).Name, forms.Items(i).Size);
}

TPaperEditor::~TPaperEditor() = default;

void TPaperEditor::PrepareCopy(TPaperInfo& paper)
{
    if (FExtended) {
        // The designs the paper carries now; they go with the result.
        if (auto* v2 = dynamic_cast<const TPapersV2*>(&FCatalogue))
            if (auto record = v2->FindRecord(QStringLiteral("PaperImages"), paper.PaperName()))
                if (auto* images = dynamic_cast<TImagePaperInfo*>(record.get())) {
                    record.release();
                    FFaceDesigns.TakeDesigns(std::unique_ptr<TImagePaperInfo>(images));
                }
    }
    paper.SetLandscape(false);
    if (!FExtended) {
        paper.SetReadOnly(false);
        paper.SetGroupName(QStringLiteral("ユーザー定義"));
    }
}

void TPaperEditor::AddNameRows(QFormLayout* form)
{
    FName = new QLineEdit(this);
    FName->setObjectName(QStringLiteral("PaperName"));
    FName->setMinimumWidth(260);
    form->addRow(QStringLiteral("用紙名(&N)"), FName);
    if (FExtended) {
        FMaker = new QComboBox(this);
        FMaker->setEditable(true);
        form->addRow(QStringLiteral("メーカー名"), FMaker);
        FGroup = new QComboBox(this);
        FGroup->setEditable(true);
        QStringList groups;
        FCatalogue.GetGroupNames(groups);
        FGroup->addItems(groups);
        form->addRow(QStringLiteral("グループ(&G)"), FGroup);
        FReadOnly = new QCheckBox(QStringLiteral("ReadOnly"), this);
        form->addRow(QString(), FReadOnly);
    }
    FSheet = new QComboBox(this);
    for (const auto& f : FForms)
        FSheet->addItem(f.first);
    FSheet->addItem(QStringLiteral("その他"));
    form->addRow(QStringLiteral("台紙(&P)"), FSheet);
}

QDoubleSpinBox* TPaperEditor::AddBox(QFormLayout* form, const QString& caption, const char* property,
                                     double min, double max)
{
    auto* b = new QDoubleSpinBox(this);
    b->setDecimals(1);
    b->setRange(min, max);
    b->setSingleStep(1.0);
    b->setSuffix(QStringLiteral(" mm"));
    b->setObjectName(QString::fromLatin1(property));
    // Typing goes into the copy as it is typed, not only when the box is left.
    b->setKeyboardTracking(true);
    FBoxes.emplace_back(QString::fromLatin1(property), b);
    form->addRow(caption, b);
    return b;
}

void TPaperEditor::AddShapeRows(QFormLayout* form)
{
    FPurpose = new QComboBox(this);
    FPurpose->setObjectName(QStringLiteral("FacePurpose"));
    form->addRow(QStringLiteral("用途(&U)"), FPurpose);
    FShape = new QComboBox(this);
    FShape->setObjectName(QStringLiteral("FaceShape"));
    form->addRow(QStringLiteral("形状(&T)"), FShape);
    FHoleLabel = new QLabel(QStringLiteral("内円のサイズ(C)"), this);
    auto* hole = new QDoubleSpinBox(this);
    hole->setDecimals(1);
    hole->setRange(10, 100);
    hole->setSingleStep(1.0);
    hole->setSuffix(QStringLiteral(" mm"));
    hole->setObjectName(QStringLiteral("Hole"));
    FBoxes.emplace_back(QStringLiteral("Hole"), hole);
    FHoleLabel->setBuddy(hole);
    form->addRow(FHoleLabel, hole);
}

void TPaperEditor::AddDesignRows(QFormLayout* form)
{
    if (!FExtended)
        return;
    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("用紙柄追加"), this);
    auto* remove = new QPushButton(QStringLiteral("用紙柄削除"), this);
    FDesignNote = new QLabel(this);
    row->addWidget(add);
    row->addWidget(remove);
    row->addWidget(FDesignNote, 1);
    form->addRow(QStringLiteral("用紙柄"), row);
    connect(add, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("用紙柄追加"), StartFolder(folderkind::Document),
            QStringLiteral("ベルモデータ(*.lbd);;すべてのファイル(*.*)"));
        RememberFolder(folderkind::Document, file);
        if (!file.isEmpty())
            AddDesigns(file);
    });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveDesigns(); });
    ShowDesigns();
}

void TPaperEditor::ShowDesigns()
{
    DesignsChanged();
    if (!FDesignNote)
        return;
    int faces = 0;
    if (const TImagePaperInfo* designs = Designs())
        for (int i = 0; i < designs->FaceCount(); ++i)
            if (designs->Faces(i).Count() > 0)
                ++faces;
    FDesignNote->setText(faces > 0 ? QStringLiteral("%1面に用紙柄あり").arg(faces)
                                   : QStringLiteral("用紙柄なし"));
}

bool TPaperEditor::AddDesigns(const QString& fileName)
{
    try {
        FFaceDesigns.TakeDesigns(DesignsFromFile(fileName, EditedPaper().PaperName()));
    } catch (const std::exception& error) {
        Ask(ExceptionText(error), false);
        return false;
    }
    ShowDesigns();
    return true;
}

void TPaperEditor::RemoveDesigns()
{
    FFaceDesigns.TakeDesigns(nullptr);
    ShowDesigns();
}

QDialogButtonBox* TPaperEditor::MakeButtons()
{
    FButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FButtons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* testPrint = FButtons->addButton(QStringLiteral("試し印刷(&P)..."), QDialogButtonBox::ActionRole);
    connect(testPrint, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getSaveFileName(this, QStringLiteral("試し印刷"), StartFolder(folderkind::PrintFile),
                                         QStringLiteral("PDFファイル (*.pdf)"));
        RememberFolder(folderkind::PrintFile, file);
        if (!file.isEmpty())
            TestPrint(file);
    });
    connect(FButtons, &QDialogButtonBox::accepted, this, &TPaperEditor::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return FButtons;
}

void TPaperEditor::SetEmbedded(bool embedded)
{
    if (FButtons)
        FButtons->setVisible(!embedded);
}

QDoubleSpinBox* TPaperEditor::Box(const char* property) const
{
    for (const auto& [name, b] : FBoxes)
        if (name == QLatin1String(property))
            return b;
    return nullptr;
}

int TPaperEditor::Tenths(const char* property) const
{
    return int(std::lround(Box(property)->value() * 10));
}

void TPaperEditor::FillPurposes(const QString& current)
{
    const bool filling = FFilling;
    FFilling = true;
    FPurpose->clear();
    const TPurposeList* list = FCatalogue.PurposeList();
    int chosen = -1;
    for (int i = 0; list && i < list->Count(); ++i) {
        const TPurposeInfo* item = list->Items(i);
        QString caption = item->DisplayName();
        if (caption.isEmpty())
            caption = item->ID().isEmpty() ? QStringLiteral("（指定なし）") : item->ID();
        FPurpose->addItem(caption, item->ID());
        if (chosen < 0 && item->ID().compare(current, Qt::CaseInsensitive) == 0)
            chosen = FPurpose->count() - 1;
    }
    if (chosen < 0) {
        // A purpose the catalogue does not list stays the label's own.
        FPurpose->addItem(current.isEmpty() ? QStringLiteral("（指定なし）") : current, current);
        chosen = FPurpose->count() - 1;
    }
    FPurpose->setCurrentIndex(chosen);
    FFilling = filling;
}

QString TPaperEditor::ChosenPurpose() const
{
    return FPurpose->currentIndex() < 0 ? QString() : FPurpose->currentData().toString();
}

void TPaperEditor::FillShapes(int currentShape)
{
    const bool filling = FFilling;
    FFilling = true;
    const TPurposeList* list = FCatalogue.PurposeList();
    const QList<int> shapes = ShapesOffered(list ? PurposeShapeMask(*list, ChosenPurpose()) : 0);
    FShape->clear();
    for (int s : shapes)
        FShape->addItem(FaceShapeNames()[s], s);
    const int at = int(shapes.indexOf(currentShape));
    FShape->setCurrentIndex(at >= 0 ? at : 0);
    FFilling = filling;
    UpdateHole();
}

int TPaperEditor::ChosenShape() const
{
    return FShape->currentIndex() < 0 ? int(fsRect) : FShape->currentData().toInt();
}

QStringList TPaperEditor::OfferedShapes() const
{
    QStringList names;
    for (int i = 0; i < FShape->count(); ++i)
        names << FShape->itemText(i);
    return names;
}

void TPaperEditor::UpdateHole()
{
    const bool hole = ShapeHasHole(ChosenShape());
    Box("Hole")->setEnabled(hole);
    FHoleLabel->setEnabled(hole);
    FHoleLabel->setStyleSheet(hole ? QString() : QStringLiteral("color: #C0C0C0;"));
}

int TPaperEditor::SheetIndex(int width, int height) const
{
    for (size_t i = 0; i < FForms.size(); ++i)
        if (FForms[i].second == QSize(width, height))
            return int(i);
    return int(FForms.size());
}

void TPaperEditor::SelectSheet(int width, int height)
{
    const bool filling = FFilling;
    FFilling = true;
    FSheet->setCurrentIndex(SheetIndex(width, height));
    FFilling = filling;
}

void TPaperEditor::FillNames(const TPaperInfo& paper)
{
    FName->setText(paper.PaperName());
    if (FGroup)
        FGroup->setEditText(paper.GroupName());
    if (FReadOnly)
        FReadOnly->setChecked(paper.ReadOnly());
}

void TPaperEditor::WriteNames(TPaperInfo& paper) const
{
    paper.SetPaperName(FName->text().trimmed());
    if (FGroup)
        paper.SetGroupName(FGroup->currentText().trimmed());
    if (FReadOnly)
        paper.SetReadOnly(FReadOnly->isChecked());
}

void TPaperEditor::SetMakers(const QStringList& makers, const QString& current)
{
    if (!FMaker)
        return;
    FMaker->clear();
    FMaker->addItems(makers);
    FMaker->setEditText(current);
}

QString TPaperEditor::Maker() const
{
    return FMaker ? FMaker->currentText().trimmed() : QString();
}

bool TPaperEditor::Validate()
{
    TPaperInfo& paper = EditedPaper();
    const QString name = paper.PaperName().trimmed();
    if (name.isEmpty()) {
        Ask(QStringLiteral("用紙名を入力してください"), false);
        return false;
    }
    if (FAdding && FCatalogue.IndexOfName(name) >= 0) {
        Ask(QStringLiteral("この用紙名は、すでに登録されています"), false);
        return false;
    }
    if (FindFaceOutsidePaper(paper) >= 0) {
        Ask(FaceOutsidePaperMessage(), false);
        return false;
    }
    if (FindOverlappingFace(paper) >= 0 &&
        !Ask(QStringLiteral("ラベルが重なっています。よろしいですか？"), true))
        return false;
    return true;
}

bool TPaperEditor::TestPrint(const QString& pdfFile)
{
    WriteBack();
    if (auto* free = dynamic_cast<TfrmEditFreePaper*>(this))
        free->StoreFaces();
    try {
        PrintPaperOutlinesToPdf(pdfFile, EditedPaper());
        return true;
    } catch (const std::exception& error) {
        Ask(QStringLiteral("試し印刷できませんでした：%1").arg(ExceptionText(error)), false);
        return false;
    }
}

void TPaperEditor::accept()
{
    WriteBack();
    if (Validate())
        QDialog::accept();
}

// ---------------------------------------------------------------------------------

TfrmEditMatrixPaper::TfrmEditMatrixPaper(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                                         const TPrinterForm& forms, QWidget* parent)
    : TPaperEditor(catalogue, adding, forms, parent), FPaper(std::make_unique<TMatrixPaperInfo>())
{
    setObjectName(QStringLiteral("frmEditMatrixPaper"));
    // A free paper given here yields a grid paper without labels.
    FPaper->Assign(paper);
    if (!dynamic_cast<const TMatrixPaperInfo*>(&paper)) {
        FPaper->SetFaceCountX(0);
        FPaper->SetFaceCountY(0);
    }
    PrepareCopy(*FPaper);
    if (FPaper->FaceCountX() <= 0 || FPaper->FaceCountY() <= 0) {
        const int w = FPaper->Width(), h = FPaper->Height();
        FPaper->SetFaceCountX(2);
        FPaper->SetFaceCountY(3);
        FPaper->SetFaceWidth(w / 3);
        FPaper->SetFaceHeight(h / 4);
        FPaper->SetTopOffset((h / 4) / 5);
        FPaper->SetBottomMargin((h / 4) / 5);
        FPaper->SetLeftOffset(w / 9);
        FPaper->SetRightMargin(w / 9);
    }

    auto* main = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    main->addLayout(left);
    auto* form = new QFormLayout;
    left->addLayout(form);
    AddNameRows(form);
    AddBox(form, QStringLiteral("横(&W)"), "Width", 50, 1000);
    AddBox(form, QStringLiteral("縦(&H)"), "Height", 50, 1000);
    FCountX = new QSpinBox(this);
    FCountX->setObjectName(QStringLiteral("FaceCountX"));
    FCountX->setRange(1, 99);
    FCountY = new QSpinBox(this);
    FCountY->setObjectName(QStringLiteral("FaceCountY"));
    FCountY->setRange(1, 99);
    form->addRow(QStringLiteral("横(&Z)の数"), FCountX);
    form->addRow(QStringLiteral("縦(&V)の数"), FCountY);
    AddBox(form, QStringLiteral("幅(&D)"), "FaceWidth", 3, 1000);
    AddBox(form, QStringLiteral("高(&E)"), "FaceHeight", 3, 1000);
    AddBox(form, QStringLiteral("用紙の左端から(&L)"), "LeftOffset", 0, 1000);
    AddBox(form, QStringLiteral("用紙の上端から(&S)"), "TopOffset", 0, 1000);
    AddBox(form, QStringLiteral("ラベルの左右間隔(&R)"), "RightMargin", 0, 1000);
    AddBox(form, QStringLiteral("ラベルの上下間隔(&B)"), "BottomMargin", 0, 1000);
    AddBox(form, QStringLiteral("塗り足し(&Y)"), "FaceMargin", 0, 1000);
    AddShapeRows(form);
    AddDesignRows(form);
    left->addStretch(1);
    left->addWidget(MakeButtons());
    FPreview = new TMatrixPreview(*FPaper, FFaceDesigns, this);
    FPreview->setObjectName(QStringLiteral("preview"));
    main->addWidget(FPreview, 1);

    Fill();
    connect(FName, &QLineEdit::textChanged, this, [this] { WriteBack(); });
    connect(FCountX, &QSpinBox::valueChanged, this, [this] { WriteBack(); });
    connect(FCountY, &QSpinBox::valueChanged, this, [this] { WriteBack(); });
    connect(FShape, &QComboBox::currentIndexChanged, this, [this] { WriteBack(); });
    connect(FPurpose, &QComboBox::currentIndexChanged, this, [this] {
        if (FFilling)
            return;
        FillShapes(ChosenShape());
        WriteBack();
    });
    if (FGroup)
        connect(FGroup, &QComboBox::currentTextChanged, this, [this] { WriteBack(); });
    if (FReadOnly)
        connect(FReadOnly, &QCheckBox::toggled, this, [this] { WriteBack(); });
    for (auto& [name, b] : FBoxes)
        connect(b, &QDoubleSpinBox::valueChanged, this, [this] { WriteBack(); });
    connect(FSheet, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (FFilling || index < 0 || index >= int(FForms.size()))
            return;
        // A printer form sets the sheet size; the size boxes follow without reacting.
        FPaper->SetWidth(FForms[size_t(index)].second.width());
        FPaper->SetHeight(FForms[size_t(index)].second.height());
        Fill();
    });
    resize(760, 600);
}

TfrmEditMatrixPaper::~TfrmEditMatrixPaper() = default;

TPaperInfo& TfrmEditMatrixPaper::EditedPaper() const
{
    return *FPaper;
}

void TfrmEditMatrixPaper::DesignsChanged()
{
    if (FPreview)
        FPreview->update();
}

void TfrmEditMatrixPaper::Fill()
{
    FFilling = true;
    const TMatrixPaperInfo& p = *FPaper;
    FillNames(p);
    Box("Width")->setValue(p.Width() / 10.0);
    Box("Height")->setValue(p.Height() / 10.0);
    FCountX->setValue(p.FaceCountX());
    FCountY->setValue(p.FaceCountY());
    Box("FaceWidth")->setValue(p.FaceWidth() / 10.0);
    Box("FaceHeight")->setValue(p.FaceHeight() / 10.0);
    Box("LeftOffset")->setValue(p.LeftOffset() / 10.0);
    Box("TopOffset")->setValue(p.TopOffset() / 10.0);
    Box("RightMargin")->setValue(p.RightMargin() / 10.0);
    Box("BottomMargin")->setValue(p.BottomMargin() / 10.0);
    Box("FaceMargin")->setValue(p.FaceMargin() / 10.0);
    FillPurposes(p.FacePurpose());
    FillShapes(int(ValidFaceShape(p.FaceShape())));
    Box("Hole")->setValue(p.CutCenterWidth() / 10.0);
    SelectSheet(p.Width(), p.Height());
    FFilling = false;
    UpdateHole();
    FPreview->update();
}

void TfrmEditMatrixPaper::WriteBack()
{
    if (FFilling)
        return;
    TMatrixPaperInfo& p = *FPaper;
    WriteNames(p);
    p.SetWidth(Tenths("Width"));
    p.SetHeight(Tenths("Height"));
    p.SetFaceCountX(FCountX->value());
    p.SetFaceCountY(FCountY->value());
    p.SetFaceWidth(Tenths("FaceWidth"));
    p.SetFaceHeight(Tenths("FaceHeight"));
    p.SetLeftOffset(Tenths("LeftOffset"));
    p.SetTopOffset(Tenths("TopOffset"));
    p.SetRightMargin(Tenths("RightMargin"));
    p.SetBottomMargin(Tenths("BottomMargin"));
    p.SetFaceMargin(Tenths("FaceMargin"));
    p.SetFacePurpose(ChosenPurpose());
    p.SetFaceShape(TFaceShape(ChosenShape()));
    p.SetCutCenterWidth(Tenths("Hole"));
    p.SetCutCenterHeight(Tenths("Hole"));
    SelectSheet(p.Width(), p.Height());
    UpdateHole();
    FPreview->update();
}

// ---------------------------------------------------------------------------------

TfrmEditFreePaper::TfrmEditFreePaper(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                                     const TPrinterForm& forms, QWidget* parent)
    : TPaperEditor(catalogue, adding, forms, parent), FPaper(std::make_unique<TFreePaperInfo>())
{
    setObjectName(QStringLiteral("frmEditFreePaper"));
    // A grid paper given here yields a free paper without labels.
    FPaper->Assign(paper);
    PrepareCopy(*FPaper);

    auto* main = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    main->addLayout(left);
    auto* form = new QFormLayout;
    left->addLayout(form);
    AddNameRows(form);
    AddBox(form, QStringLiteral("横(&W)"), "Width", 50, 1000);
    AddBox(form, QStringLiteral("縦(&H)"), "Height", 50, 1000);
    AddDesignRows(form);
    auto* labelBox = new QGroupBox(QStringLiteral("選択中のラベル"), this);
    auto* labelForm = new QFormLayout(labelBox);
    AddBox(labelForm, QStringLiteral("ラベルの幅(&I)"), "FaceWidth", 3, 1000);
    AddBox(labelForm, QStringLiteral("ラベルの高さ(&E)"), "FaceHeight", 3, 1000);
    AddBox(labelForm, QStringLiteral("用紙の左端から(&L)"), "Left", 0, 1000);
    AddBox(labelForm, QStringLiteral("用紙の上端から(&S)"), "Top", 0, 1000);
    AddBox(labelForm, QStringLiteral("塗り足し(&Y)"), "FaceMargin", 0, 1000);
    AddShapeRows(labelForm);
    left->addWidget(labelBox);
    auto* labelButtons = new QHBoxLayout;
    FAddButton = new QPushButton(QStringLiteral("ラベル追加(&A)"), this);
    FDeleteButton = new QPushButton(QStringLiteral("ラベル削除(&D)"), this);
    labelButtons->addWidget(FAddButton);
    labelButtons->addWidget(FDeleteButton);
    labelButtons->addStretch(1);
    left->addLayout(labelButtons);
    if (FExtended) {
        FLockMouse = new QCheckBox(QStringLiteral("マウス移動禁止"), this);
        left->addWidget(FLockMouse);
        connect(FLockMouse, &QCheckBox::toggled, this, [this](bool on) { FSite->Locked = on; });
    }
    left->addStretch(1);
    left->addWidget(MakeButtons());

    FHolder = new QFrame(this);
    FHolder->setObjectName(QStringLiteral("preview"));
    FHolder->setMinimumSize(300, 360);
    static_cast<QFrame*>(FHolder)->setFrameShape(QFrame::StyledPanel);
    main->addWidget(FHolder, 1);
    FSite = new TFreePaperSite(*this, FHolder);
    FSite->setObjectName(QStringLiteral("site"));
    FSite->setFocusPolicy(Qt::ClickFocus);
    // The end of a move or resize: the face dragged is the label the boxes show.
    FSite->OnClearGhost = [this](TComponent*) {
        if (TLOFace* face = ChosenFace(FSite))
            FCurrent = FaceIndex(face);
        FillFaceBoxes();
        // A resized label shows its design at its new size.
        DesignsChanged();
    };
    FHolder->installEventFilter(this);

    if (FPaper->GetFaceCount() == 0) {
        const TFaceInfo face = CentredFace();
        TFaceItem* item = FPaper->Faces()->Add();
        SetFaceItemFromInfo(*item, face);
    }
    const int count = std::min(FPaper->GetFaceCount(), kMaxFaceCount);
    for (int i = 0; i < count; ++i)
        AddFace(FPaper->GetFaceInfo(i));
    DesignsChanged();
    FCurrent = 0;
    ChooseFace(FSite, 0);

    FillPaperBoxes();
    FillFaceBoxes();
    connect(FName, &QLineEdit::textChanged, this, [this] { WriteBack(); });
    if (FGroup)
        connect(FGroup, &QComboBox::currentTextChanged, this, [this] { WriteBack(); });
    if (FReadOnly)
        connect(FReadOnly, &QCheckBox::toggled, this, [this] { WriteBack(); });
    connect(Box("Width"), &QDoubleSpinBox::valueChanged, this, [this] { WriteBack(); });
    connect(Box("Height"), &QDoubleSpinBox::valueChanged, this, [this] { WriteBack(); });
    for (const char* property : {"FaceWidth", "FaceHeight", "Left", "Top", "FaceMargin", "Hole"})
        connect(Box(property), &QDoubleSpinBox::valueChanged, this, [this] { WriteFace(); });
    connect(FShape, &QComboBox::currentIndexChanged, this, [this] { WriteFace(); });
    connect(FPurpose, &QComboBox::currentIndexChanged, this, [this] {
        if (FFilling)
            return;
        FillShapes(ChosenShape());
        WriteFace();
    });
    connect(FSheet, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (FFilling || index < 0 || index >= int(FForms.size()))
            return;
        FPaper->SetWidth(FForms[size_t(index)].second.width());
        FPaper->SetHeight(FForms[size_t(index)].second.height());
        FillPaperBoxes();
        FitSite();
    });
    connect(FAddButton, &QPushButton::clicked, this, [this] { AddLabel(); });
    connect(FDeleteButton, &QPushButton::clicked, this, [this] { DeleteLabel(); });
    resize(780, 620);
}

TfrmEditFreePaper::~TfrmEditFreePaper()
{
    // The faces belong to the site; it goes before the copy and the boxes.
    delete FSite;
    FSite = nullptr;
}

TPaperInfo& TfrmEditFreePaper::EditedPaper() const
{
    return *FPaper;
}

void TfrmEditFreePaper::DesignsChanged()
{
    if (!FSite)
        return;
    // Each label shows the design of its place in the label order, at its own size.
    const int dpi = SitePaperDPI(*FSite);
    const bool none = FFaceDesigns.IsEmpty();
    int k = 0;
    for (int i = 0; i < FSite->ObjectCount(); ++i) {
        auto* face = dynamic_cast<TLOFace*>(FSite->Objects(i));
        if (!face)
            continue;
        if (none) {
            if (!face->DesignPicture().IsNull())
                face->SetDesignPicture({});
        } else {
            const TLogRect outer = face->FaceInfo().GetOuterRect();
            face->SetDesignPicture(FFaceDesigns.Picture(k, QSize(outer.Width(), outer.Height()), false, dpi));
        }
        ++k;
    }
}

TDrawSite* TfrmEditFreePaper::Site() const
{
    return FSite;
}

int TfrmEditFreePaper::FaceCount() const
{
    return SiteFaceCount(FSite);
}

TFaceInfo TfrmEditFreePaper::CentredFace() const
{
    const int w = FPaper->Width(), h = FPaper->Height();
    const int fw = w / 2, fh = h / 4;
    TFaceInfo face;
    face.Rect = {w / 2 - fw / 2, h / 2 - fh / 2, w / 2 - fw / 2 + fw, h / 2 - fh / 2 + fh};
    // A new label takes the purpose and shape the boxes show.
    if (FPurpose && FPurpose->count() > 0) {
        face.FacePurpose = ChosenPurpose();
        face.FaceShape = TFaceShape(ChosenShape());
    }
    return face;
}

void TfrmEditFreePaper::AddFace(const TFaceInfo& info)
{
    auto* face = new TLOFace(FSite);
    face->SetSingleChoice(true);
    face->SetEditable(true);
    face->SetFaceInfo(info);
    face->OnChoose = [this](TLOFace* sender) {
        if (sender->Chosen()) {
            FCurrent = FaceIndex(sender);
            FillFaceBoxes();
        }
    };
    FSite->AddObject(face);
}

void TfrmEditFreePaper::FitSite()
{
    if (!FSite || !FHolder)
        return;
    const int w = std::max(1, FPaper->Width()), h = std::max(1, FPaper->Height());
    FSite->SetLogWidth(w);
    FSite->SetLogHeight(h);
    const QRect area = FHolder->contentsRect().adjusted(2, 2, -2, -2);
    const double perUnit = FSite->SiteDPI() / 254.0;
    const double scale = std::min(area.width() / (w * perUnit), area.height() / (h * perUnit));
    FSite->Scaler()->SetScale(std::max(1, int(std::floor(scale * 100))));
    const QPoint size = FSite->ToDevice(QPoint(w, h));
    FSite->setGeometry(area.x() + (area.width() - size.x()) / 2, area.y() + (area.height() - size.y()) / 2,
                       size.x(), size.y());
    DesignsChanged();
    FSite->update();
}

bool TfrmEditFreePaper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FHolder && event->type() == QEvent::Resize)
        FitSite();
    return TPaperEditor::eventFilter(watched, event);
}

void TfrmEditFreePaper::FillPaperBoxes()
{
    const bool filling = FFilling;
    FFilling = true;
    FillNames(*FPaper);
    Box("Width")->setValue(FPaper->Width() / 10.0);
    Box("Height")->setValue(FPaper->Height() / 10.0);
    // The form chosen stays while its size still fits the paper.
    const int form = FSheet->currentIndex();
    if (form < 0 || form >= int(FForms.size()) ||
        FForms[size_t(form)].second != QSize(FPaper->Width(), FPaper->Height()))
        SelectSheet(FPaper->Width(), FPaper->Height());
    FFilling = filling;
}

void TfrmEditFreePaper::FillFaceBoxes()
{
    TLOFace* face = FaceAt(FSite, FCurrent);
    if (!face)
        return;
    const TFaceInfo& info = face->FaceInfo();
    const bool filling = FFilling;
    FFilling = true;
    Box("FaceWidth")->setValue(info.Rect.Width() / 10.0);
    Box("FaceHeight")->setValue(info.Rect.Height() / 10.0);
    Box("Left")->setValue(info.Rect.Left / 10.0);
    Box("Top")->setValue(info.Rect.Top / 10.0);
    Box("FaceMargin")->setValue(info.FaceMargin / 10.0);
    FillPurposes(info.FacePurpose);
    FillShapes(int(ValidFaceShape(info.FaceShape)));
    Box("Hole")->setValue(info.CutCenterWidth / 10.0);
    FFilling = filling;
    UpdateHole();
    FDeleteButton->setEnabled(FaceCount() >= 2);
}

void TfrmEditFreePaper::WriteFace()
{
    if (FFilling)
        return;
    TLOFace* face = FaceAt(FSite, FCurrent);
    if (!face)
        return;
    TFaceInfo info = face->FaceInfo();
    const int left = Tenths("Left"), top = Tenths("Top");
    info.Rect = {left, top, left + Tenths("FaceWidth"), top + Tenths("FaceHeight")};
    info.FaceMargin = Tenths("FaceMargin");
    info.FaceShape = TFaceShape(ChosenShape());
    info.FacePurpose = ChosenPurpose();
    info.CutCenterWidth = Tenths("Hole");
    info.CutCenterHeight = Tenths("Hole");
    face->SetFaceInfo(info);
    DesignsChanged();
    UpdateHole();
    // The handles follow the label the boxes moved.
    FSite->RefreshPivots();
    FSite->update();
}

void TfrmEditFreePaper::WriteBack()
{
    if (FFilling)
        return;
    WriteNames(*FPaper);
    const int w = Tenths("Width"), h = Tenths("Height");
    if (w != FPaper->Width() || h != FPaper->Height()) {
        FPaper->SetWidth(w);
        FPaper->SetHeight(h);
        FitSite();
    }
    const int form = FSheet->currentIndex();
    if (form < 0 || form >= int(FForms.size()) || FForms[size_t(form)].second != QSize(w, h))
        SelectSheet(w, h);
}

void TfrmEditFreePaper::ChooseLabel(int index)
{
    if (index < 0 || index >= FaceCount())
        return;
    FCurrent = index;
    ChooseFace(FSite, index);
    FillFaceBoxes();
}

bool TfrmEditFreePaper::AddLabel()
{
    if (FaceCount() >= kMaxFaceCount) {
        Ask(QStringLiteral("ラベルは%1枚までです").arg(kMaxFaceCount), false);
        return false;
    }
    for (int i = 0; TLOFace* face = FaceAt(FSite, i); ++i)
        face->SetChosen(false);
    FSite->SelectAll(false);
    AddFace(CentredFace());
    DesignsChanged();
    FCurrent = FaceCount() - 1;
    ChooseFace(FSite, FCurrent);
    FillFaceBoxes();
    return true;
}

bool TfrmEditFreePaper::DeleteLabel()
{
    const int count = FaceCount();
    if (count < 2)
        return false;
    FSite->DeletePivots();
    delete FaceAt(FSite, FCurrent);
    if (FCurrent >= FaceCount())
        FCurrent = FaceCount() - 1;
    // The labels after it moved up one place, and with them their designs.
    DesignsChanged();
    ChooseFace(FSite, FCurrent);
    FillFaceBoxes();
    FSite->update();
    return true;
}

void TfrmEditFreePaper::StoreFaces()
{
    FPaper->Faces()->Clear();
    for (int i = 0; TLOFace* face = FaceAt(FSite, i); ++i)
        SetFaceItemFromInfo(*FPaper->Faces()->Add(), face->FaceInfo());
}

bool TfrmEditFreePaper::Validate()
{
    StoreFaces();
    TPaperInfo& paper = *FPaper;
    // The offending label is shown before the message about it.
    if (!paper.PaperName().trimmed().isEmpty() &&
        !(FAdding && FCatalogue.IndexOfName(paper.PaperName()) >= 0)) {
        int face = FindFaceOutsidePaper(paper);
        if (face < 0)
            face = FindOverlappingFace(paper);
        if (face >= 0)
            ChooseLabel(std::min(face, FaceCount() - 1));
    }
    return TPaperEditor::Validate();
}

// ---------------------------------------------------------------------------------

TfrmPaperTypeSelect::TfrmPaperTypeSelect(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                                         const TPrinterForm& forms, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPaperTypeSelect"));
    setWindowTitle(QStringLiteral("用紙の追加・編集"));
    auto* main = new QVBoxLayout(this);
    auto* kinds = new QHBoxLayout;
    FMatrixButton = new QRadioButton(QStringLiteral("繰り返しラベル(&M)"), this);
    FMatrixButton->setToolTip(QStringLiteral("同じｻｲｽﾞのﾗﾍﾞﾙが規則的に並んでいるとき選択します"));
    FFreeButton = new QRadioButton(QStringLiteral("フリーラベル(&F)"), this);
    FFreeButton->setToolTip(QStringLiteral("いろいろなｻｲｽﾞのﾗﾍﾞﾙがあるときに選択します"));
    kinds->addWidget(FMatrixButton);
    kinds->addWidget(FFreeButton);
    kinds->addStretch(1);
    main->addLayout(kinds);
    FStack = new QStackedWidget(this);
    FMatrix = new TfrmEditMatrixPaper(paper, catalogue, adding, forms, nullptr);
    FFree = new TfrmEditFreePaper(paper, catalogue, adding, forms, nullptr);
    for (TPaperEditor* editor : {static_cast<TPaperEditor*>(FMatrix), static_cast<TPaperEditor*>(FFree)}) {
        editor->setWindowFlags(Qt::Widget);
        editor->SetEmbedded(true);
        FStack->addWidget(editor);
    }
    main->addWidget(FStack, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* testPrint = buttons->addButton(QStringLiteral("試し印刷(&P)..."), QDialogButtonBox::ActionRole);
    connect(testPrint, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getSaveFileName(this, QStringLiteral("試し印刷"), StartFolder(folderkind::PrintFile),
                                         QStringLiteral("PDFファイル (*.pdf)"));
        RememberFolder(folderkind::PrintFile, file);
        if (!file.isEmpty())
            Editor().TestPrint(file);
    });
    main->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPaperTypeSelect::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FMatrixButton, &QRadioButton::toggled, this,
            [this] { FStack->setCurrentIndex(FreeKind() ? 1 : 0); });
    SetFreeKind(dynamic_cast<const TFreePaperInfo*>(&paper) != nullptr);
    resize(820, 660);
}

TfrmPaperTypeSelect::~TfrmPaperTypeSelect() = default;

TPaperEditor& TfrmPaperTypeSelect::Editor() const
{
    return FreeKind() ? static_cast<TPaperEditor&>(*FFree) : static_cast<TPaperEditor&>(*FMatrix);
}

bool TfrmPaperTypeSelect::FreeKind() const
{
    return FFreeButton->isChecked();
}

void TfrmPaperTypeSelect::SetFreeKind(bool free)
{
    (free ? FFreeButton : FMatrixButton)->setChecked(true);
    FStack->setCurrentIndex(free ? 1 : 0);
}

void TfrmPaperTypeSelect::SetMakers(const QStringList& makers, const QString& current)
{
    FMatrix->SetMakers(makers, current);
    FFree->SetMakers(makers, current);
}

void TfrmPaperTypeSelect::SetAsk(const std::function<bool(const QString&, bool)>& ask)
{
    FMatrix->Ask = ask;
    FFree->Ask = ask;
}

void TfrmPaperTypeSelect::accept()
{
    TPaperEditor& editor = Editor();
    editor.WriteBack();
    if (editor.Validate())
        QDialog::accept();
}

} // namespace velmo
