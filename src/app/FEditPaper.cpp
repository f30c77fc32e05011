#include "app/FEditPaper.h"
#include "paper/UPaperInfo.h"
#include "paper/UPapers.h"
#include "print/UPrintOutlines.h"
#include "print/UPrinter.h"
#include <QFileDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstring>

namespace velmo {

namespace {

const char* const kShapeNames[] = {"角ラベル", "CDラベル", "丸ラベル", "角丸ラベル", "名刺CDラベル", "樽CDラベル"};

// The sheet drawn to scale: each label's printable outline solid, its cut line dotted.
class TMatrixPreview : public QWidget
{
public:
    TMatrixPreview(const TMatrixPaperInfo& paper, QWidget* parent) : QWidget(parent), FPaper(paper)
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
        for (int i = 0; i < count; ++i) {
            const TFaceInfo face = FPaper.GetFaceInfo(i);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 0, Qt::SolidLine));
            face.DrawOutline(p, false, false);
            p.setPen(QPen(Qt::black, 0, Qt::DotLine));
            face.DrawCutLine(p, false);
        }
    }

private:
    const TMatrixPaperInfo& FPaper;
};

} // namespace

TfrmEditMatrixPaper::TfrmEditMatrixPaper(const TPaperInfo& paper, const TPapers& catalogue, bool adding,
                                         const TPrinterForm& forms, QWidget* parent)
    : QDialog(parent), FPaper(std::make_unique<TMatrixPaperInfo>()), FCatalogue(catalogue), FAdding(adding)
{
    setObjectName(QStringLiteral("frmEditMatrixPaper"));
    setWindowTitle(QStringLiteral("用紙の追加・編集"));
    Ask = [this](const QString& text, bool question) {
        if (question)
            return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        QMessageBox::warning(this, windowTitle(), text);
        return true;
    };
    // A free paper given here yields a grid paper without labels.
    FPaper->Assign(paper);
    if (!dynamic_cast<const TMatrixPaperInfo*>(&paper)) {
        FPaper->SetFaceCountX(0);
        FPaper->SetFaceCountY(0);
    }
    FPaper->SetLandscape(false);
    // The user's own papers: editable, in the last group.
    FPaper->SetReadOnly(false);
    FPaper->SetGroupName(QStringLiteral("ユーザー定義"));
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
    for (int i = 0; i < forms.Count(); ++i)
        FForms.emplace_back(forms.Items(i).Name, forms.Items(i).Size);

    auto* main = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    main->addLayout(left);
    auto* form = new QFormLayout;
    left->addLayout(form);
    FName = new QLineEdit(this);
    FName->setMinimumWidth(280);
    form->addRow(QStringLiteral("用紙名(&N)"), FName);
    FSheet = new QComboBox(this);
    for (const auto& f : FForms)
        FSheet->addItem(f.first);
    FSheet->addItem(QStringLiteral("その他"));
    form->addRow(QStringLiteral("台紙(&P)"), FSheet);
    auto box = [this](const char* property, double min, double max) {
        auto* b = new QDoubleSpinBox(this);
        b->setDecimals(1);
        b->setRange(min, max);
        b->setSingleStep(1.0);
        b->setSuffix(QStringLiteral(" mm"));
        b->setObjectName(QString::fromLatin1(property));
        FBoxes.emplace_back(QString::fromLatin1(property), b);
        return b;
    };
    form->addRow(QStringLiteral("横(&W)"), box("Width", 50, 1000));
    form->addRow(QStringLiteral("縦(&H)"), box("Height", 50, 1000));
    FCountX = new QSpinBox(this);
    FCountX->setRange(1, 99);
    FCountY = new QSpinBox(this);
    FCountY->setRange(1, 99);
    form->addRow(QStringLiteral("横(&Z)の数"), FCountX);
    form->addRow(QStringLiteral("縦(&V)の数"), FCountY);
    form->addRow(QStringLiteral("幅(&D)"), box("FaceWidth", 3, 1000));
    form->addRow(QStringLiteral("高(&E)"), box("FaceHeight", 3, 1000));
    form->addRow(QStringLiteral("用紙の左端から(&L)"), box("LeftOffset", 0, 1000));
    form->addRow(QStringLiteral("用紙の上端から(&S)"), box("TopOffset", 0, 1000));
    form->addRow(QStringLiteral("ラベルの左右間隔(&R)"), box("RightMargin", 0, 1000));
    form->addRow(QStringLiteral("ラベルの上下間隔(&B)"), box("BottomMargin", 0, 1000));
    form->addRow(QStringLiteral("塗り足し(&Y)"), box("FaceMargin", 0, 1000));
    FShape = new QComboBox(this);
    for (const char* name : kShapeNames)
        FShape->addItem(QString::fromUtf8(name));
    form->addRow(QStringLiteral("形状(&T)"), FShape);
    form->addRow(QStringLiteral("内円のサイズ(C)"), box("Hole", 10, 100));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* testPrint = buttons->addButton(QStringLiteral("試し印刷(&P)..."), QDialogButtonBox::ActionRole);
    connect(testPrint, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("試し印刷"), QString(),
                                                          QStringLiteral("PDFファイル (*.pdf)"));
        if (!file.isEmpty())
            TestPrint(file);
    });
    left->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEditMatrixPaper::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    FPreview = new TMatrixPreview(*FPaper, this);
    main->addWidget(FPreview, 1);

    Fill();
    connect(FName, &QLineEdit::textChanged, this, [this] { WriteBack(); });
    connect(FCountX, &QSpinBox::valueChanged, this, [this] { WriteBack(); });
    connect(FCountY, &QSpinBox::valueChanged, this, [this] { WriteBack(); });
    connect(FShape, &QComboBox::currentIndexChanged, this, [this] { WriteBack(); });
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
    resize(720, 560);
}

TfrmEditMatrixPaper::~TfrmEditMatrixPaper() = default;

QDoubleSpinBox* TfrmEditMatrixPaper::Box(const char* property) const
{
    for (const auto& [name, b] : FBoxes)
        if (name == QLatin1String(property))
            return b;
    return nullptr;
}

void TfrmEditMatrixPaper::Fill()
{
    FFilling = true;
    const TMatrixPaperInfo& p = *FPaper;
    FName->setText(p.PaperName());
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
    FShape->setCurrentIndex(int(p.FaceShape()));
    Box("Hole")->setValue(p.CutCenterWidth() / 10.0);
    int form = int(FForms.size());
    for (size_t i = 0; i < FForms.size(); ++i)
        if (FForms[i].second == QSize(p.Width(), p.Height())) {
            form = int(i);
            break;
        }
    FSheet->setCurrentIndex(form);
    FFilling = false;
    UpdateHole();
    FPreview->update();
}

void TfrmEditMatrixPaper::WriteBack()
{
    if (FFilling)
        return;
    TMatrixPaperInfo& p = *FPaper;
    auto tenths = [this](const char* property) { return int(std::lround(Box(property)->value() * 10)); };
    p.SetPaperName(FName->text().trimmed());
    p.SetWidth(tenths("Width"));
    p.SetHeight(tenths("Height"));
    p.SetFaceCountX(FCountX->value());
    p.SetFaceCountY(FCountY->value());
    p.SetFaceWidth(tenths("FaceWidth"));
    p.SetFaceHeight(tenths("FaceHeight"));
    p.SetLeftOffset(tenths("LeftOffset"));
    p.SetTopOffset(tenths("TopOffset"));
    p.SetRightMargin(tenths("RightMargin"));
    p.SetBottomMargin(tenths("BottomMargin"));
    p.SetFaceMargin(tenths("FaceMargin"));
    p.SetFaceShape(TFaceShape(std::max(0, FShape->currentIndex())));
    p.SetCutCenterWidth(tenths("Hole"));
    p.SetCutCenterHeight(tenths("Hole"));
    FFilling = true;
    int form = int(FForms.size());
    for (size_t i = 0; i < FForms.size(); ++i)
        if (FForms[i].second == QSize(p.Width(), p.Height())) {
            form = int(i);
            break;
        }
    FSheet->setCurrentIndex(form);
    FFilling = false;
    UpdateHole();
    FPreview->update();
}

void TfrmEditMatrixPaper::UpdateHole()
{
    Box("Hole")->setEnabled(ShapeHasHole(TFaceShape(std::max(0, FShape->currentIndex()))));
}

bool TfrmEditMatrixPaper::Validate()
{
    const QString name = FPaper->PaperName().trimmed();
    if (name.isEmpty()) {
        Ask(QStringLiteral("用紙名を入力してください"), false);
        return false;
    }
    if (FAdding && FCatalogue.IndexOfName(name) >= 0) {
        Ask(QStringLiteral("この用紙名は、すでに登録されています"), false);
        return false;
    }
    if (FindFaceOutsidePaper(*FPaper) >= 0) {
        Ask(FaceOutsidePaperMessage(), false);
        return false;
    }
    if (FindOverlappingFace(*FPaper) >= 0 && !Ask(QStringLiteral("ラベルが重なっています。よろしいですか？"), true))
        return false;
    return true;
}

bool TfrmEditMatrixPaper::TestPrint(const QString& pdfFile)
{
    WriteBack();
    try {
        PrintPaperOutlinesToPdf(pdfFile, *FPaper);
        return true;
    } catch (const std::exception& error) {
        Ask(QStringLiteral("試し印刷できませんでした：%1").arg(QString::fromLocal8Bit(error.what())), false);
        return false;
    }
}

void TfrmEditMatrixPaper::accept()
{
    WriteBack();
    if (Validate())
        QDialog::accept();
}

} // namespace velmo
