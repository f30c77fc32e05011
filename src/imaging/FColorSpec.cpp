#include "imaging/FColorSpec.h"
#include "draw/UCanvas.h"
#include "draw/UNotify.h"
#include "imaging/FClipEditor.h"
#include "imaging/FColorGrid.h"
#include "imaging/FImageDataEditor.h"
#include "imaging/FTransparentEditor.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

constexpr int kMaxColors = 7;
constexpr int kPreviewSize = 36;

QPixmap SpecPicture(const TColorSpec& spec, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        spec.Fill(painter, QRect(QPoint(0, 0), size));
    }
    return QPixmap::fromImage(image);
}

QIcon ColorIcon(TColor color, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return QIcon(pixmap);
}

} // namespace

const std::vector<std::vector<TColor>>& GradationSamplePatterns()
{
    static const std::vector<std::vector<TColor>> patterns = [] {
        static const char* const texts[] = {"$00C0C0FF,$00FFFFFF",           "$0083C9FF,$00FFFFFF",
                                            "$00C0FFFF,$00FFFFFF",           "$00C0FFC0,$00FFFFFF",
                                            "$00FFFFC0,$00FFFFFF",           "$00FFC0FF,$00FFFFFF",
                                            "$00C0C0FF,$0083C9FF",           "$0083C9FF,$00C0FFFF",
                                            "$00C0C0FF,$00C0FFFF",           "$00C0C0FF,$00FFC0FF",
                                            "$00FFC0FF,$00C0FFFF",           "$00C0FFFF,$00C0FFC0",
                                            "$00F0CF80,$00CFF8FF",           "$00FFFFC0,$00C0FFC0",
                                            "$00FFC0C0,$00FFFFC0",           "$000000FF,$00FFFFFF",
                                            "$00008DFA,$00FFFFFF",           "$0000FFFF,$00FFFFFF",
                                            "$0000FF00,$00FFFFFF",           "$00FFFF00,$00FFFFFF",
                                            "$00808800,$00FFFFFF",           "$00FF0000,$00FFFFFF",
                                            "$00800000,$00FFFFFF",           "$00FF00FF,$00FFFFFF",
                                            "$00005292,$00FFFFFF",           "$00808080,$00FFFFFF",
                                            "$00000000,$00FFFFFF",           "$000000FF,$00028DFB",
                                            "$008028FF,$00DFCFFF",           "$001F20AF,$00709FFF",
                                            "$000096C7,$0000BDFF",           "$00014951,$0000D7FF",
                                            "$00808080,$0000FFFF",           "$00000000,$00C0FFFF",
                                            "$00004040,$000581FF",           "$000000B8,$00028EFB",
                                            "$00000000,$000000FF",           "$00000000,$0000FF00",
                                            "$0070080F,$00B0FF00",           "$00800000,$00FF0000",
                                            "$00870000,$007F7F00",           "$00800000,$00808080",
                                            "$00004000,$00CCFF01",           "$00FF0000,$00FF00FF",
                                            "$00B40061,$0000FFFF",           "$00FF0000,$00FFFF00",
                                            "$00FFFF20,$00FFF8BF",           "$00FFA631,$00A4DA00",
                                            "$00BFB7FF,$00FFFFFF,$00BFB7FF", "$00FFC0FF,$00FFC0C0,$00FFC0FF",
                                            "$00C0FFFF,$00C0FFC0,$00C0FFFF", "$0097FF97,$004BB5FF,$0097FF97",
                                            "$0000FFFF,$000000FF,$0000FFFF", "$00EF1F9F,$008F10FF,$00EF1F9F",
                                            "$00FF0000,$00FFFF00,$00FF0000", "$00800000,$00FF0000,$00800000",
                                            "$00000000,$00DCDCDC,$00000000"};
        std::vector<std::vector<TColor>> out;
        for (const char* text : texts) {
            std::vector<TColor> colors;
            for (const QString& part : QString::fromLatin1(text).split(u','))
                colors.push_back(TColor(part.mid(1).toUInt(nullptr, 16)));
            out.push_back(colors);
        }
        return out;
    }();
    return patterns;
}

// ---------------------------------------------------------------------------------
// TfrmGradePattern

int& TfrmGradePattern::LastChosen()
{
    static int last = 0;
    return last;
}

TfrmGradePattern::TfrmGradePattern(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGradePattern"));
    setWindowTitle(QStringLiteral("グラデーションのカラーパターン"));
    auto* layout = new QVBoxLayout(this);
    FList = new QListWidget(this);
    FList->setViewMode(QListView::IconMode);
    FList->setIconSize(QSize(96, 96));
    FList->setGridSize(QSize(104, 104));
    FList->setMovement(QListView::Static);
    FList->setResizeMode(QListView::Adjust);
    FList->setUniformItemSizes(true);
    // Three per row, three rows in view.
    FList->setFixedSize(3 * 104 + 2 * FList->frameWidth() + 20, 3 * 104 + 2 * FList->frameWidth() + 4);
    const auto& patterns = GradationSamplePatterns();
    for (size_t k = 0; k < patterns.size(); ++k) {
        TColorSpec spec;
        spec.SetKind(TColorSpecKind::cskGradation);
        spec.GradColors()->SetColors(patterns[k]);
        auto* item = new QListWidgetItem(QIcon(SpecPicture(spec, QSize(96, 96))), QString(), FList);
        item->setSizeHint(QSize(100, 100));
    }
    FList->setCurrentRow(std::clamp(LastChosen(), 0, int(patterns.size()) - 1));
    layout->addWidget(FList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(this, &QDialog::accepted, this, [this] { LastChosen() = Selected(); });
}

int TfrmGradePattern::Selected() const
{
    return std::max(0, FList->currentRow());
}

std::vector<TColor> TfrmGradePattern::SelectedColors() const
{
    return GradationSamplePatterns()[size_t(Selected())];
}

// ---------------------------------------------------------------------------------
// TfrmColorSpec

TfrmColorSpec::TfrmColorSpec(QWidget* parent) : QWidget(parent), FSpec(std::make_unique<TColorSpec>())
{
    setObjectName(QStringLiteral("frmColorSpec"));
    setWindowTitle(QStringLiteral("色の選択"));
    auto* layout = new QVBoxLayout(this);
    FKindBox = new QWidget(this);
    auto* kinds = new QHBoxLayout(FKindBox);
    kinds->setContentsMargins(0, 0, 0, 0);
    const QString captions[3] = {QStringLiteral("色指定(&C)"), QStringLiteral("イメージファイル(&I)"),
                                 QStringLiteral("グラデーション(&G)")};
    auto* group = new QButtonGroup(this);
    for (int k = 0; k < 3; ++k) {
        FKindButtons[k] = new QRadioButton(captions[k], FKindBox);
        group->addButton(FKindButtons[k], k);
        kinds->addWidget(FKindButtons[k]);
    }
    kinds->addStretch();
    layout->addWidget(FKindBox);
    FPages = new QStackedWidget(this);
    FPages->addWidget(BuildSolidPage());
    FPages->addWidget(BuildImagePage());
    FPages->addWidget(BuildGradationPage());
    layout->addWidget(FPages);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { SelectKind(TColorSpecKind(id)); });
    LoadSpec(TColorSpec());
}

TfrmColorSpec::~TfrmColorSpec() = default;

QWidget* TfrmColorSpec::BuildSolidPage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QHBoxLayout(page);
    FGrid = new TColorGridWidget(page);
    layout->addWidget(FGrid, 0, Qt::AlignTop);
    FSolidPreview = new QLabel(QStringLiteral("選択中の色"), page);
    FSolidPreview->setObjectName(QStringLiteral("SolidPreview"));
    FSolidPreview->setAlignment(Qt::AlignCenter);
    FSolidPreview->setFixedSize(96, 60);
    FSolidPreview->setAutoFillBackground(true);
    FSolidPreview->setFrameShape(QFrame::Box);
    layout->addWidget(FSolidPreview, 0, Qt::AlignTop);
    layout->addStretch();
    connect(FGrid, &TColorGridWidget::ColorChosen, this, [this](TColor color) {
        FSpec->SetColor(color);
        Refresh();
    });
    return page;
}

QWidget* TfrmColorSpec::BuildImagePage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QHBoxLayout(page);
    auto* column = new QVBoxLayout;
    FTile = new QCheckBox(QStringLiteral("並べて表示(&T)"), page);
    FTileShift = new QCheckBox(QStringLiteral("交互に並べる(&E)"), page);
    FPickImage = new QPushButton(QStringLiteral("イメージ選択..."), page);
    FTrim = new QPushButton(QStringLiteral("切り抜き..."), page);
    column->addWidget(FTile);
    column->addWidget(FTileShift);
    column->addWidget(FPickImage);
    column->addWidget(FTrim);
    column->addStretch();
    layout->addLayout(column);
    FImageSample = new QLabel(page);
    FImageSample->setObjectName(QStringLiteral("ImageSample"));
    FImageSample->setFixedSize(150, 150);
    FImageSample->setFrameShape(QFrame::Box);
    layout->addWidget(FImageSample, 0, Qt::AlignTop);
    layout->addStretch();
    connect(FTile, &QCheckBox::toggled, this, [this](bool on) {
        if (FLoading)
            return;
        FSpec->SetTile(on);
        Refresh();
    });
    connect(FTileShift, &QCheckBox::toggled, this, [this](bool on) {
        if (FLoading)
            return;
        FSpec->SetTileShift(on);
        Refresh();
    });
    connect(FPickImage, &QPushButton::clicked, this, &TfrmColorSpec::PickImage);
    connect(FTrim, &QPushButton::clicked, this, &TfrmColorSpec::EditImage);
    return page;
}

QWidget* TfrmColorSpec::BuildGradationPage()
{
    auto* page = new QWidget(FPages);
    auto* layout = new QVBoxLayout(page);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("指定する色の数"), page));
    FCount = new QSpinBox(page);
    FCount->setRange(2, kMaxColors);
    countRow->addWidget(FCount);
    countRow->addWidget(new QLabel(QStringLiteral("(最大7色)"), page));
    countRow->addStretch();
    layout->addLayout(countRow);
    auto* colorRow = new QHBoxLayout;
    for (int i = 0; i < kMaxColors; ++i) {
        FColorButtons[i] = new QPushButton(page);
        FColorButtons[i]->setFixedSize(28, 22);
        FColorButtons[i]->setIconSize(QSize(18, 12));
        colorRow->addWidget(FColorButtons[i]);
        connect(FColorButtons[i], &QPushButton::clicked, this, [this, i] { PickGradationColor(i); });
    }
    colorRow->addStretch();
    layout->addLayout(colorRow);
    auto* directions = new QGridLayout;
    for (int d = 0; d < kGradationDirCount; ++d) {
        FDirButtons[d] = new QPushButton(page);
        FDirButtons[d]->setFixedSize(kPreviewSize + 8, kPreviewSize + 8);
        FDirButtons[d]->setIconSize(QSize(kPreviewSize, kPreviewSize));
        FDirButtons[d]->setCheckable(true);
        FDirButtons[d]->setFlat(true);
        directions->addWidget(FDirButtons[d], d % 2, d / 2); // five columns of two
        connect(FDirButtons[d], &QPushButton::clicked, this,
                [this, d] { SelectDirection(rgGradationDir(d)); });
    }
    auto* dirRow = new QHBoxLayout;
    dirRow->addLayout(directions);
    dirRow->addStretch();
    layout->addLayout(dirRow);
    FSamples = new QPushButton(QStringLiteral("色サンプル..."), page);
    auto* sampleRow = new QHBoxLayout;
    sampleRow->addWidget(FSamples);
    sampleRow->addStretch();
    layout->addLayout(sampleRow);
    layout->addStretch();
    connect(FCount, &QSpinBox::valueChanged, this, [this](int value) {
        if (!FLoading)
            SetColorCount(value);
    });
    connect(FSamples, &QPushButton::clicked, this, [this] {
        TfrmGradePattern dialog(this);
        if (dialog.exec() == QDialog::Accepted)
            ApplyPattern(dialog.SelectedColors());
    });
    return page;
}

void TfrmColorSpec::SetColorOnly(bool value)
{
    FColorOnly = value;
    if (value)
        SelectKind(TColorSpecKind::cskSolid);
    FKindBox->setVisible(!value);
}

void TfrmColorSpec::SetAllowTransparent(bool value)
{
    FGrid->SetAllowTransparent(value);
}

void TfrmColorSpec::SetFaceSize(int width, int height)
{
    FFaceWidth = width;
    FFaceHeight = height;
}

void TfrmColorSpec::LoadSpec(const TColorSpec& spec)
{
    FSpec->Assign(spec);
    // The panel works on the gradation settings even of another kind.
    FSpec->SetGradAngle(spec.GradAngle());
    FSpec->SetGradKind(spec.GradKind());
    FSpec->GradColors()->Assign(*spec.GradColors());
    if (FSpec->GradColNum() < 2)
        FSpec->SetGradColNum(2);
    if (FSpec->GradColNum() > kMaxColors)
        FSpec->SetGradColNum(kMaxColors);
    if (FColorOnly)
        FSpec->SetKind(TColorSpecKind::cskSolid);
    FShownKind = FSpec->Kind();
    // Drawing the previews sets each direction and then the one GradDir reports.
    const rgGradationDir dir = FSpec->GradDir();
    RefreshPreviews();
    FSpec->SetGradDir(dir);
    Refresh();
}

void TfrmColorSpec::GetSpec(TColorSpec& spec) const
{
    TColorSpec copy;
    copy.Assign(*FSpec);
    copy.SetGradAngle(FSpec->GradAngle());
    copy.SetGradKind(FSpec->GradKind());
    copy.GradColors()->Assign(*FSpec->GradColors());
    if (!isEnabled() || FSpec->Kind() != TColorSpecKind::cskBitmap)
        copy.ImageData()->Clear();
    spec.Assign(copy);
    if (copy.Kind() != TColorSpecKind::cskGradation)
        return;
    spec.SetGradAngle(copy.GradAngle());
    spec.SetGradKind(copy.GradKind());
}

void TfrmColorSpec::SelectKind(TColorSpecKind kind)
{
    if (FColorOnly)
        kind = TColorSpecKind::cskSolid;
    FShownKind = kind;
    FSpec->SetKind(kind);
    Refresh();
}

void TfrmColorSpec::SelectDirection(rgGradationDir dir)
{
    FSpec->SetGradDir(dir);
    Refresh();
}

void TfrmColorSpec::SetColorCount(int count)
{
    count = std::clamp(count, 2, kMaxColors);
    FSpec->SetGradColNum(count); // added slots start black
    RefreshPreviews();
    Refresh();
}

void TfrmColorSpec::ApplyPattern(const std::vector<TColor>& colors)
{
    FSpec->GradColors()->SetColors(colors);
    RefreshPreviews();
    Refresh();
}

QWidget* TfrmColorSpec::DirectionButton(int dir) const
{
    return FDirButtons[dir];
}

QPushButton* TfrmColorSpec::ColorButton(int index) const
{
    return FColorButtons[index];
}

void TfrmColorSpec::RefreshPreviews()
{
    // Each direction in turn on a copy, then the panel's own again.
    TColorSpec preview;
    preview.SetKind(TColorSpecKind::cskGradation);
    preview.GradColors()->Assign(*FSpec->GradColors());
    for (int d = 0; d < kGradationDirCount; ++d) {
        preview.SetGradDir(rgGradationDir(d));
        FDirButtons[d]->setIcon(QIcon(SpecPicture(preview, QSize(kPreviewSize, kPreviewSize))));
    }
}

void TfrmColorSpec::Refresh()
{
    FLoading = true;
    // The page of the kind chosen: a picture kind without a picture yet still shows
    // the picture page, though the setting reads as solid until one is there.
    const int shown = FColorOnly ? 0 : int(FShownKind);
    FKindButtons[shown]->setChecked(true);
    FPages->setCurrentIndex(shown);
    // Solid page.
    FGrid->SetColor(FSpec->Color());
    QPalette palette = FSolidPreview->palette();
    const TColor color = FSpec->Color();
    palette.setColor(QPalette::Window, color == clNone ? QColor(Qt::white) : ToQColor(color));
    palette.setColor(QPalette::WindowText, ToQColor((color == clNone ? 0xFFFFFF : color) ^ 0xAAAAAA));
    FSolidPreview->setPalette(palette);
    // Picture page.
    const bool hasImage = !FSpec->ImageData()->IsEmpty();
    FTile->setChecked(FSpec->Tile());
    FTile->setEnabled(hasImage);
    FTileShift->setChecked(FSpec->TileShift());
    FTileShift->setEnabled(hasImage && FSpec->Tile());
    FTrim->setEnabled(hasImage);
    QImage sample(FImageSample->size() - QSize(2, 2), QImage::Format_RGB32);
    sample.fill(Qt::white);
    if (hasImage) {
        TColorSpec shownSpec;
        shownSpec.Assign(*FSpec);
        shownSpec.SetKind(TColorSpecKind::cskBitmap);
        QPainter painter(&sample);
        const QSize picture = GraphicSize(FSpec->ImageData()->DisplayPicture()->Graphic());
        if (FSpec->Tile() && !picture.isEmpty()) {
            // Tiles two fifths of the sample along the picture's longer side.
            const double along =
                0.4 * (picture.width() > picture.height() ? sample.width() : sample.height());
            const double scale = along / std::max(picture.width(), picture.height());
            painter.scale(scale, scale);
            shownSpec.Fill(painter,
                           QRect(0, 0, int(sample.width() / scale) + 1, int(sample.height() / scale) + 1));
        } else {
            shownSpec.Fill(painter, QRect(QPoint(0, 0), sample.size()));
        }
    }
    FImageSample->setPixmap(QPixmap::fromImage(sample));
    // Gradation page.
    FCount->setValue(FSpec->GradColNum());
    for (int i = 0; i < kMaxColors; ++i) {
        FColorButtons[i]->setVisible(i < FSpec->GradColNum());
        if (i < FSpec->GradColNum())
            FColorButtons[i]->setIcon(ColorIcon(FSpec->GradColor(i), QSize(18, 12)));
    }
    const int dir = int(FSpec->GradDir());
    for (int d = 0; d < kGradationDirCount; ++d) {
        FDirButtons[d]->setChecked(d == dir);
        FDirButtons[d]->setStyleSheet(
            d == dir ? QStringLiteral("QPushButton { border: 2px solid palette(highlight); }")
                     : QStringLiteral("QPushButton { border: 2px solid transparent; }"));
    }
    FLoading = false;
    Q_EMIT Changed();
}

void TfrmColorSpec::PickImage()
{
    // A panel for a label face chooses among the backgrounds (the delivered ones and
    // the user's folders, as thumbnails); otherwise among the user's pictures.
    const bool bound = FFaceWidth > 0 && FFaceHeight > 0;
    TChosenPicture chosen;
    const bool ok = PictureChooser ? PictureChooser(this, bound ? 1 : 0, chosen)
                                   : ChoosePicture(this, bound ? 1 : 0, chosen);
    if (!ok || !chosen.Graphic || chosen.Graphic->Empty())
        return; // the picture stays as it was
    {
        TUpdateBracket bracket(FSpec->ImageData()->Notify());
        FSpec->ImageData()->Clear();
        FSpec->ImageData()->Picture()->SetGraphic(std::move(chosen.Graphic));
        if (chosen.KeyColor != clNone)
            FSpec->ImageData()->SetTransparentColor(chosen.KeyColor);
    }
    if (bound)
        FSpec->ImageData()->FitClipToSize(FFaceWidth, FFaceHeight);
    FSpec->SetKind(TColorSpecKind::cskBitmap);
    FShownKind = TColorSpecKind::cskBitmap;
    Refresh();
}

void TfrmColorSpec::EditImage()
{
    if (FSpec->ImageData()->IsEmpty())
        return;
    // A face-bound picture is trimmed to the face's proportions unless it is tiled.
    TClipFace face;
    const bool bound = FFaceWidth > 0 && FFaceHeight > 0;
    if (bound) {
        face.OuterSize = QSizeF(FFaceWidth, FFaceHeight);
        face.Outline.addRect(QRectF(0, 0, FFaceWidth, FFaceHeight));
    }
    if (TfrmImageDataEditor::Edit(this, *FSpec->ImageData(), bound ? &face : nullptr, FSpec->Tile(), true))
        Refresh();
}

void TfrmColorSpec::PickGradationColor(int index)
{
    TfrmColorGrid& grid = TfrmColorGrid::Instance();
    grid.SetAllowTransparent(false);
    grid.SetColor(FSpec->GradColor(index));
    grid.OnChosen = [this, index](TColor color) {
        FSpec->SetGradColor(index, color);
        RefreshPreviews();
        Refresh();
    };
    grid.OnCancel = nullptr;
    grid.PopupAt(FColorButtons[index]->mapToGlobal(QPoint(0, FColorButtons[index]->height())));
}

} // namespace velmo
