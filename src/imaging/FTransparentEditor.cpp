#include "imaging/FTransparentEditor.h"
#include "base/UFolderHistory.h"

#include "base/UNumbers.h"
#include "draw/UNotify.h"
#include "imaging/FImagePanels.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include <QBitmap>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmo {

// The key colour of the delivered illustrations.
constexpr TColor kIllustrationKeyColor = 0xF0F0F0;

QCursor SpuitCursor()
{
    // A pipette pointing down-left; its tip is the hot spot.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath body;
    body.moveTo(2, 29);
    body.lineTo(4, 23);
    body.lineTo(17, 10);
    body.lineTo(21, 14);
    body.lineTo(8, 27);
    body.closeSubpath();
    p.setPen(QPen(Qt::white, 3));
    p.drawPath(body);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(230, 230, 230));
    p.drawPath(body);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(17, 3, 11, 11));
    p.drawRect(QRectF(15, 9, 7, 7).translated(0, 0));
    p.end();
    return QCursor(pixmap, 2, 29);
}

namespace {
TPictureChooser& DefaultChooser()
{
    static TPictureChooser chooser;
    return chooser;
}
} // namespace

void SetDefaultPictureChooser(TPictureChooser chooser)
{
    DefaultChooser() = std::move(chooser);
}

bool ChoosePicture(QWidget* parent, int kind, TChosenPicture& chosen)
{
    return DefaultChooser() ? DefaultChooser()(parent, kind, chosen)
                            : ChoosePictureFile(parent, kind, chosen);
}

bool ChoosePictureFile(QWidget* parent, int kind, TChosenPicture& chosen)
{
    const QString caption = kind == 1   ? QStringLiteral("背景柄の選択")
                            : kind == 2 ? QStringLiteral("イラストの選択")
                                        : QStringLiteral("画像ファイルの選択");
    for (;;) {
        const QString file = QFileDialog::getOpenFileName(parent, caption, StartFolder(folderkind::Picture),
                                                          GraphicFileFilter());
        if (file.isEmpty())
            return false;
        RememberFolder(folderkind::Picture, file);
        try {
            TLoadedPicture loaded = LoadPictureFile(file);
            chosen.Graphic = std::move(loaded.Graphic);
            chosen.KeyColor = loaded.KeyColor;
            chosen.Source = TPictureSource::psFile;
            return true;
        } catch (const Exception&) {
            // A file that does not open is not a choice; ask again.
            continue;
        }
    }
}

TfrmTransparentEditor::TfrmTransparentEditor(QWidget* parent)
    : QWidget(parent), FListener(std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
          if (kind == nkChanged)
              DataChanged();
          else if (kind == nkPictureChanged)
              PictureChanged();
      }))
{
    setObjectName(QStringLiteral("frmTransparentEditor"));
    FCheck = new QCheckBox(QStringLiteral("透明色を指定する"), this);
    FSwatch = new QLabel(this);
    FSwatch->setFixedSize(40, 20);
    FSwatch->setFrameShape(QFrame::Box);
    FSwatch->setAutoFillBackground(true);
    FPanel = new TImagePanel(this);
    FPanel->setCursor(SpuitCursor());
    FPanel->setMouseTracking(false);
    FReselect = new QPushButton(QStringLiteral("再選択..."), this);

    auto* top = new QHBoxLayout;
    top->addWidget(FCheck);
    top->addWidget(FSwatch);
    top->addStretch(1);
    top->addWidget(FReselect);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(FPanel, 1);

    connect(FCheck, &QCheckBox::clicked, this, [this](bool checked) { CheckClicked(checked); });
    connect(FReselect, &QPushButton::clicked, this, [this] { ChooseAgain(); });
    FPanel->OnMousePress = [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton)
            PickAt(e->position().toPoint());
    };
    FPanel->OnMouseMove = [this](QMouseEvent* e) {
        // While the button is held the panel has the mouse.
        if ((e->buttons() & Qt::LeftButton) && FCheck->isChecked())
            PickAt(e->position().toPoint());
    };
    SetSwatchColor(clWhite);
    DataChanged();
}

TfrmTransparentEditor::~TfrmTransparentEditor()
{
    FListener.reset();
}

void TfrmTransparentEditor::SetImageData(TImageData* data)
{
    if (FData)
        FListener->StopListening(&FData->Notify());
    FData = data;
    if (FData)
        FListener->ListenTo(&FData->Notify());
    PictureChanged();
    DataChanged();
}

void TfrmTransparentEditor::SetChooserKind(int kind)
{
    FChooserKind = kind;
    FReselect->setVisible(kind != 3);
}

void TfrmTransparentEditor::SetSwatchColor(TColor colour)
{
    FSwatchColor = colour;
    QPalette pal = FSwatch->palette();
    pal.setColor(QPalette::Window, QColor(ColorToRgb(colour)));
    FSwatch->setPalette(pal);
    FSwatch->setToolTip(
        QStringLiteral("#%1").arg(ColorToRgb(colour) & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper());
}

void TfrmTransparentEditor::DataChanged()
{
    FUpdating = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{FUpdating};
    if (FData && FData->SupportsTransparency()) {
        FCheck->setEnabled(true);
        if (FData->HasTransparency()) {
            SetSwatchColor(FData->TransparentColor());
            FCheck->setChecked(true);
            FPanel->setEnabled(true);
        } else {
            FCheck->setChecked(false);
            SetSwatchColor(clWhite);
            FPanel->setEnabled(false);
        }
    } else {
        FCheck->setChecked(false);
        FCheck->setEnabled(false);
        FPanel->setEnabled(false);
        SetSwatchColor(clWhite);
    }
}

void TfrmTransparentEditor::PictureChanged()
{
    FPanel->SetImage(FData ? PicturePixels(*FData) : QImage());
}

void TfrmTransparentEditor::CheckClicked(bool checked)
{
    if (FUpdating || !FData)
        return;
    FPanel->setEnabled(checked);
    FData->SetTransparentColor(checked ? FSwatchColor : clNone);
}

void TfrmTransparentEditor::PickAt(const QPoint& position)
{
    if (!FData || !FPanel->isEnabled())
        return;
    const QImage& image = FPanel->Image();
    const QRect r = FPanel->PictureRect();
    if (image.isNull() || !r.contains(position))
        return;
    int x = MulDiv(position.x() - r.left(), image.width(), r.width());
    int y = MulDiv(position.y() - r.top(), image.height(), r.height());
    // Rounding can land on the edge just past the last pixel.
    x = std::clamp(x, 0, image.width() - 1);
    y = std::clamp(y, 0, image.height() - 1);
    const TColor colour = RgbToColor(image.pixel(x, y));
    SetSwatchColor(colour);
    FData->SetTransparentColor(colour);
}

bool TfrmTransparentEditor::ChooseAgain()
{
    if (!FData)
        return false;
    TChosenPicture chosen;
    // The chooser opens on the source the picture came from last.
    chosen.Source = FSource;
    const bool ok =
        FChooser ? FChooser(this, FChooserKind, chosen) : ChoosePicture(this, FChooserKind, chosen);
    if (!ok || !chosen.Graphic)
        return false;
    TUpdateBracket bracket(FData->Notify());
    FData->Picture()->SetGraphic(std::move(chosen.Graphic));
    if (FChooserKind == 2) {
        FSource = chosen.Source;
        if (chosen.Source == TPictureSource::psIllustration)
            FData->SetTransparentColor(kIllustrationKeyColor);
    }
    if (chosen.KeyColor != clNone)
        FData->SetTransparentColor(chosen.KeyColor);
    return true;
}

} // namespace velmo
