#include "text/FTextDialog.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "imaging/FColorSpec.h"
#include "objects/ULOCreator.h"
#include "objects/UStandardDSA.h"
#include "text/FTransform.h"
#include "text/UFontList.h"
#include "text/ULOText.h"
#include "ui/FPosition.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

std::function<TTextDialogEnvironment()>& EnvironmentProvider()
{
    static std::function<TTextDialogEnvironment()> provider;
    return provider;
}

// The page shown last, opened again next time (a new object starts on the first).
int& LastPage()
{
    static int page = 0;
    return page;
}

constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 36, 48, 72};
constexpr int kCharSpacings[] = {-4, -2, 0, 10, 20};
constexpr int kLineSpacings[] = {-20, -10, 0, 10, 20};
const char* const kSpacingNames[] = {"もっと狭く", "狭く", "普通", "広く", "もっと広く"};
// List index i of the shadow place means preset 8 - i.
const char* const kShadowPlaces[] = {"右下", "下", "左下", "右", "左", "右上", "上", "左上"};

int SpacingIndex(const int (&values)[5], int value)
{
    for (int i = 0; i < 5; ++i)
        if (values[i] == value)
            return i;
    return 2; // any other stored value shows as "普通"
}

} // namespace

void SetTextDialogEnvironment(std::function<TTextDialogEnvironment()> provider)
{
    EnvironmentProvider() = std::move(provider);
}

TTextDialogEnvironment CurrentTextDialogEnvironment()
{
    return EnvironmentProvider() ? EnvironmentProvider()() : TTextDialogEnvironment();
}

// The preview: the dialog's preview object scaled to fit the panel.
class TTextPreview : public QWidget
{
public:
    TTextPreview(TLOVelmoText& object, QWidget* parent) : QWidget(parent), FObject(object)
    {
        setMinimumSize(220, 160);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(palette().mid().color());
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        const TLogRect e = FObject.GetEncloseRect();
        if (e.IsEmpty())
            return;
        const QRectF area = QRectF(rect()).adjusted(8, 8, -8, -8);
        const double scale = std::min(area.width() / e.Width(), area.height() / e.Height());
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(area.center());
        p.scale(scale, scale);
        p.translate(-(e.Left + e.Right) / 2.0, -(e.Top + e.Bottom) / 2.0);
        try {
            FObject.Paint(p);
        } catch (const std::exception&) {
        }
    }

private:
    TLOVelmoText& FObject;
};

TfrmTextDialog::TfrmTextDialog(const TTextDialogEnvironment& environment, QWidget* parent)
    : QDialog(parent), FEnv(environment), FPatterns(std::make_unique<TCDDFile>()),
      FPreviewObject(std::make_unique<TLOVelmoText>())
{
    setWindowTitle(QStringLiteral("文字の編集・設定"));
    if (!FEnv.PatternFile.isEmpty()) {
        try {
            FPatterns->Open(FEnv.PatternFile);
        } catch (const std::exception&) {
            FPatterns->Close();
        }
    }
    if (!FEnv.ThumbnailFile.isEmpty())
        FThumbnails = LoadPatternThumbnails(FEnv.ThumbnailFile);
    FPreviewObject->SetAutoSize(true);
    FPreviewObject->SetBaseRect({0, 0, 100, 100});

    FTabs = new QTabWidget(this);
    FTabs->addTab(BuildTextPage(), QStringLiteral("文字"));
    FTextColor = new TfrmColorSpec(this);
    FTabs->addTab(FTextColor, QStringLiteral("文字色"));
    FTabs->addTab(BuildFontPage(), QStringLiteral("変形"));
    FTabs->addTab(BuildShadowPage(), QStringLiteral("影"));
    FTabs->addTab(BuildOutlinePage(), QStringLiteral("縁取り"));
    FPosition = new TfrmPosition(this);
    auto* positionPage = new QWidget(this);
    auto* positionLayout = new QVBoxLayout(positionPage);
    positionLayout->addWidget(FPosition);
    positionLayout->addStretch(1);
    FTabs->addTab(positionPage, QStringLiteral("位置"));

    FPreview = new TTextPreview(*FPreviewObject, this);
    auto* previewBox = new QGroupBox(QStringLiteral("プレビュー"), this);
    auto* previewLayout = new QVBoxLayout(previewBox);
    previewLayout->addWidget(FPreview);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(FTabs, 3);
    body->addWidget(previewBox, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    auto changed = [this] {
        UpdateEnabled();
        UpdatePreview();
    };
    connect(FTextColor, &TfrmColorSpec::Changed, this, changed);
    connect(FShadowColor, &TfrmColorSpec::Changed, this, changed);
    connect(FOutlineColor, &TfrmColorSpec::Changed, this, changed);
    for (QCheckBox* box :
         {FBold, FItalic, FUnderline, FStrikeOut, FVertical, FHanToZen, FMinusExc, FNumToKnj})
        connect(box, &QCheckBox::toggled, this, changed);
    for (QComboBox* box : {FFace, FAlign, FCharSpacing, FLineSpacing, FShadowPlace})
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    connect(FSize, &QComboBox::currentTextChanged, this, changed);
    for (QRadioButton* radio : {FTransformOn, FTransformOff, FShadowOn, FShadowOff, FOutlineOn, FOutlineOff})
        connect(radio, &QRadioButton::toggled, this, changed);
    connect(FRatio, &QSlider::valueChanged, this, changed);
    FOutlineWidth->OnChange = changed;
    connect(FPatternButton, &QPushButton::clicked, this, [this] {
        int index = FPatternIndex;
        QImage thumbnail;
        if (TfrmTransform::Choose(this, FThumbnails, FPatterns->Count(), index, thumbnail))
            ChoosePattern(index);
    });
    resize(860, 560);
}

TfrmTextDialog::~TfrmTextDialog() = default;

TLOVelmoText& TfrmTextDialog::PreviewObject() const
{
    return *FPreviewObject;
}

QWidget* TfrmTextDialog::BuildTextPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    FTitle = new QLabel(QStringLiteral("文字の編集・設定"), page);
    QFont bold = FTitle->font();
    bold.setBold(true);
    FTitle->setFont(bold);
    FText = new QPlainTextEdit(page);
    FText->setTabChangesFocus(true);
    layout->addWidget(FTitle);
    layout->addWidget(FText, 1);
    // Bound objects stay bound unless their text is edited; the panel is never shown.
    FFieldPanel = new QGroupBox(page);
    auto* fieldLayout = new QVBoxLayout(FFieldPanel);
    FFieldUse = new QCheckBox(QStringLiteral("使用する"), FFieldPanel);
    FFieldKind = new QComboBox(FFieldPanel);
    FFieldKind->addItems(
        {QStringLiteral("プロダクト"), QStringLiteral("クリエーター"), QStringLiteral("クリエーター(英語)")});
    FFieldList = new QListWidget(FFieldPanel);
    fieldLayout->addWidget(FFieldUse);
    fieldLayout->addWidget(FFieldKind);
    fieldLayout->addWidget(FFieldList);
    FFieldPanel->hide();
    layout->addWidget(FFieldPanel);
    connect(FFieldKind, &QComboBox::currentIndexChanged, this, [this] { FillFieldItems(); });
    connect(FText, &QPlainTextEdit::textChanged, this, [this] {
        if (!FLoading)
            FFieldUse->setChecked(false);
    });
    FWizardGroup = new QGroupBox(QStringLiteral("ウイザード設定"), page);
    auto* wizardLayout = new QGridLayout(FWizardGroup);
    FWizardInput = new QCheckBox(QStringLiteral("ユーザー入力項目"), FWizardGroup);
    FWizardCaption = new QLineEdit(FWizardGroup);
    wizardLayout->addWidget(FWizardInput, 0, 0, 1, 2);
    wizardLayout->addWidget(new QLabel(QStringLiteral("入力キャプション"), FWizardGroup), 1, 0);
    wizardLayout->addWidget(FWizardCaption, 1, 1);
    connect(FWizardInput, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    FWizardGroup->hide();
    layout->addWidget(FWizardGroup);
    return page;
}

QWidget* TfrmTextDialog::BuildFontPage()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    int row = 0;
    auto caption = [&](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, page);
        label->setBuddy(buddy);
        return label;
    };
    FFace = new QComboBox(page);
    QStringList faces;
    GetUsableFaces(faces);
    FFace->addItems(faces);
    FFace->setEditable(false);
    grid->addWidget(caption(QStringLiteral("フォント(&F)"), FFace), row, 0);
    grid->addWidget(FFace, row++, 1, 1, 3);
    FSize = new QComboBox(page);
    FSize->setEditable(true);
    for (int size : kSizes)
        FSize->addItem(QString::number(size));
    grid->addWidget(caption(QStringLiteral("サイズ(&S)"), FSize), row, 0);
    grid->addWidget(FSize, row++, 1);
    FBold = new QCheckBox(QStringLiteral("強調(&B)"), page);
    FItalic = new QCheckBox(QStringLiteral("斜体(&I)"), page);
    FUnderline = new QCheckBox(QStringLiteral("下線(&U)"), page);
    FStrikeOut = new QCheckBox(QStringLiteral("打消し線(&K)"), page);
    auto* styles = new QHBoxLayout;
    for (QCheckBox* box : {FBold, FItalic, FUnderline, FStrikeOut})
        styles->addWidget(box);
    grid->addLayout(styles, row++, 0, 1, 4);
    FAlign = new QComboBox(page);
    FAlign->addItems({QStringLiteral("左寄せ"), QStringLiteral("ｾﾝﾀﾘﾝｸﾞ"), QStringLiteral("右寄せ"),
                      QStringLiteral("均等配置")});
    grid->addWidget(caption(QStringLiteral("文字配置(&A)"), FAlign), row, 0);
    grid->addWidget(FAlign, row++, 1);
    FCharSpacing = new QComboBox(page);
    FLineSpacing = new QComboBox(page);
    for (const char* name : kSpacingNames) {
        FCharSpacing->addItem(QString::fromUtf8(name));
        FLineSpacing->addItem(QString::fromUtf8(name));
    }
    grid->addWidget(caption(QStringLiteral("文字間(&C)"), FCharSpacing), row, 0);
    grid->addWidget(FCharSpacing, row, 1);
    QLabel* lineSpacingLabel = caption(QStringLiteral("行間(&L)"), FLineSpacing);
    FLineSpacing->setProperty("velmoLabel", QVariant::fromValue<QWidget*>(lineSpacingLabel));
    grid->addWidget(lineSpacingLabel, row, 2);
    grid->addWidget(FLineSpacing, row++, 3);
    FVertical = new QCheckBox(QStringLiteral("縦書き(&V)"), page);
    grid->addWidget(FVertical, row++, 0, 1, 2);
    FHanToZen = new QCheckBox(QStringLiteral("半角を全角に変換(&Z)"), page);
    FMinusExc = new QCheckBox(QStringLiteral("マイナス記号を除く(&M)"), page);
    FNumToKnj = new QCheckBox(QStringLiteral("全角数字を漢数字に変換(&N)"), page);
    grid->addWidget(FHanToZen, row++, 0, 1, 4);
    grid->addWidget(FMinusExc, row++, 0, 1, 4);
    grid->addWidget(FNumToKnj, row++, 0, 1, 4);
    FTransformGroup = new QGroupBox(QStringLiteral("文字変形(&T)"), page);
    auto* t = new QGridLayout(FTransformGroup);
    FTransformOn = new QRadioButton(QStringLiteral("す  る"), FTransformGroup);
    FTransformOff = new QRadioButton(QStringLiteral("しない"), FTransformGroup);
    auto* group = new QButtonGroup(FTransformGroup);
    group->addButton(FTransformOn);
    group->addButton(FTransformOff);
    FPatternButton = new QPushButton(QStringLiteral("変形パターン"), FTransformGroup);
    FPatternButton->setToolTip(QStringLiteral("変形ﾊﾟﾀｰﾝを一覧から選択できます"));
    FPatternButton->setIconSize(QSize(94, 37));
    FRatio = new QSlider(Qt::Horizontal, FTransformGroup);
    FRatio->setRange(0, 100);
    FRatio->setToolTip(QStringLiteral("左右にスライドして変形量を指定します"));
    FRatioLabel = new QLabel(QStringLiteral("変形量(&D)"), FTransformGroup);
    FRatioLabel->setBuddy(FRatio);
    t->addWidget(FTransformOn, 0, 0);
    t->addWidget(FTransformOff, 1, 0);
    t->addWidget(FPatternButton, 0, 1, 2, 1);
    t->addWidget(FRatioLabel, 2, 0);
    t->addWidget(FRatio, 2, 1);
    grid->addWidget(FTransformGroup, row++, 0, 1, 4);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TfrmTextDialog::BuildShadowPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    FShadowOn = new QRadioButton(QStringLiteral("影を付ける(&O)"), page);
    FShadowOff = new QRadioButton(QStringLiteral("付けない(&F)"), page);
    auto* group = new QButtonGroup(page);
    group->addButton(FShadowOn);
    group->addButton(FShadowOff);
    FShadowPlace = new QComboBox(page);
    for (const char* place : kShadowPlaces)
        FShadowPlace->addItem(QString::fromUtf8(place));
    auto* placeLabel = new QLabel(QStringLiteral("影の位置(&P)"), page);
    placeLabel->setBuddy(FShadowPlace);
    top->addWidget(FShadowOn);
    top->addWidget(FShadowOff);
    top->addSpacing(16);
    top->addWidget(placeLabel);
    top->addWidget(FShadowPlace);
    top->addStretch(1);
    layout->addLayout(top);
    FShadowColor = new TfrmColorSpec(page);
    layout->addWidget(FShadowColor, 1);
    return page;
}

QWidget* TfrmTextDialog::BuildOutlinePage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    FOutlineOn = new QRadioButton(QStringLiteral("縁取りを付ける(&O)"), page);
    FOutlineOff = new QRadioButton(QStringLiteral("付けない(&F)"), page);
    auto* group = new QButtonGroup(page);
    group->addButton(FOutlineOn);
    group->addButton(FOutlineOff);
    FOutlineWidth = new TMillimetreEdit(1, 999, page);
    auto* widthLabel = new QLabel(QStringLiteral("縁取りの太さ(&T)"), page);
    widthLabel->setBuddy(FOutlineWidth);
    top->addWidget(FOutlineOn);
    top->addWidget(FOutlineOff);
    top->addSpacing(16);
    top->addWidget(widthLabel);
    top->addWidget(FOutlineWidth);
    top->addStretch(1);
    layout->addLayout(top);
    FOutlineColor = new TfrmColorSpec(page);
    layout->addWidget(FOutlineColor, 1);
    return page;
}

void TfrmTextDialog::FillFieldItems()
{
    const int keep = FFieldList->currentRow();
    FFieldList->clear();
    if (FEnv.FieldItems)
        FFieldList->addItems(FEnv.FieldItems(TFieldType(std::clamp(FFieldKind->currentIndex(), 0, 2))));
    if (keep >= 0 && keep < FFieldList->count())
        FFieldList->setCurrentRow(keep);
}

void TfrmTextDialog::ChoosePattern(int index)
{
    if (index < 0 || index >= FPatterns->Count()) {
        FPatternIndex = -1;
    } else {
        FPatternIndex = index;
        FTransformOn->setChecked(true);
    }
    UpdateEnabled();
    UpdatePreview();
}

void TfrmTextDialog::LoadFrom(TLOText& object, bool isNew)
{
    FLoading = true;
    setWindowTitle(isNew ? QStringLiteral("文字の追加") : QStringLiteral("文字の編集・設定"));
    FTitle->setText(windowTitle());
    FText->setPlainText(object.Text()->Lines().join(u'\n'));
    FFieldUse->setChecked(object.FieldNo() != 0);
    FFieldKind->setCurrentIndex(int(object.FieldType()));
    FillFieldItems();
    if (object.FieldNo() != 0 && object.FieldNo() - 1 < FFieldList->count())
        FFieldList->setCurrentRow(object.FieldNo() - 1);
    auto* wizard = dynamic_cast<TLOWizardText*>(&object);
    FWizard = wizard && FEnv.ExtendedPaperMode;
    FWizardGroup->setVisible(FWizard);
    if (wizard) {
        FWizardInput->setChecked(wizard->WizInputEnable());
        FWizardCaption->setText(wizard->WizInputCaption());
    }
    FTextColor->LoadSpec(*object.TextColor());
    const TFont& font = *object.Font();
    int faceIndex = FFace->findText(font.Name());
    if (faceIndex < 0) {
        // A face that is not installed is still the object's: offered as it is.
        FFace->addItem(font.Name());
        faceIndex = FFace->count() - 1;
    }
    FFace->setCurrentIndex(faceIndex);
    FSize->setCurrentText(QString::number(font.Size()));
    FBold->setChecked(font.Style() & fsBold);
    FItalic->setChecked(font.Style() & fsItalic);
    FUnderline->setChecked(font.Style() & fsUnderline);
    FStrikeOut->setChecked(font.Style() & fsStrikeOut);
    FAlign->setCurrentIndex(std::clamp(object.Align(), 0, 3));
    FCharSpacing->setCurrentIndex(SpacingIndex(kCharSpacings, object.CharSpacing()));
    FLineSpacing->setCurrentIndex(SpacingIndex(kLineSpacings, object.LineSpacing()));
    FVertical->setChecked(object.Vertical());
    FHanToZen->setChecked(object.HanToZen());
    FMinusExc->setChecked(object.MinusExc());
    FNumToKnj->setChecked(object.NumToKnj());
    FPatternIndex = -1;
    if (FPatterns->IsOpen()) {
        try {
            FPatternIndex = FPatterns->IndexOf(*object.CoonsDistortion());
        } catch (const std::exception&) {
            FPatternIndex = -1;
        }
    }
    (FPatternIndex >= 0 ? FTransformOn : FTransformOff)->setChecked(true);
    FRatio->setValue(object.DistortionRatio());
    const int shadow = object.Shadow();
    FShadowOn->setChecked(shadow != 0);
    FShadowOff->setChecked(shadow == 0);
    FShadowPlace->setCurrentIndex(shadow >= 1 && shadow <= 8 ? 8 - shadow : 0);
    FShadowColor->LoadSpec(*object.ShadowColor());
    FOutlineOn->setChecked(object.Outline());
    FOutlineOff->setChecked(!object.Outline());
    FOutlineWidth->SetValue(std::max(1, object.OutLineWidth()));
    FOutlineColor->LoadSpec(*object.OutlineColor());
    TPositionRecord record;
    const int angle = object.Angle();
    record.Angle = angle;
    record.Lock = !object.Movable();
    record.DontPrint = object.DontPrint();
    record.AutoSizeOffered = true;
    record.AutoSize = object.AutoSize();
    record.Left = object.BaseRect().Left;
    record.Top = object.BaseRect().Top;
    record.Width = object.BaseRect().Width();
    record.Height = object.BaseRect().Height();
    FPosition->SetRecord(record);
    FTabs->setCurrentIndex(isNew ? 0 : std::clamp(LastPage(), 0, FTabs->count() - 1));
    FLoading = false;
    UpdateEnabled();
    UpdatePreview();
    if (FTabs->currentIndex() == 0)
        FText->setFocus();
}

void TfrmTextDialog::UpdateEnabled()
{
    const bool transform = FTransformOn->isChecked();
    const bool patternsAvailable = FPatterns->IsOpen() && FPatterns->Count() > 0;
    FTransformOn->setEnabled(patternsAvailable);
    FPatternButton->setEnabled(transform && patternsAvailable);
    FTransformGroup->setToolTip(patternsAvailable ? QString()
                                                  : QStringLiteral("変形パターンのファイルが見つかりません"));
    const QImage thumb =
        FPatternButton->isEnabled() ? PatternThumbnail(FThumbnails, FPatternIndex) : QImage();
    FPatternButton->setIcon(thumb.isNull() ? QIcon() : QIcon(QPixmap::fromImage(thumb)));
    const bool ratio = transform && FPatternIndex >= 0;
    FRatio->setVisible(ratio);
    FRatioLabel->setVisible(ratio);
    // A distorted text has one size and no decorations or alignment of its own.
    FSize->setEnabled(!transform);
    FUnderline->setEnabled(!transform);
    FStrikeOut->setEnabled(!transform);
    FAlign->setEnabled(!transform);
    FShadowPlace->setEnabled(FShadowOn->isChecked());
    FShadowColor->setEnabled(FShadowOn->isChecked());
    FOutlineWidth->setEnabled(FOutlineOn->isChecked());
    FOutlineColor->setEnabled(FOutlineOn->isChecked());
    FWizardCaption->setEnabled(FWizardInput->isChecked());
}

void TfrmTextDialog::UpdatePreview()
{
    if (FLoading)
        return;
    TLOVelmoText& p = *FPreviewObject;
    TPointBasedFont font;
    font.Assign(*p.Font());
    const QString face = FFace->currentText();
    font.SetName(face);
    bool ok = false;
    const int size = FSize->currentText().trimmed().toInt(&ok);
    if (ok && size > 0 && size <= 1638)
        font.SetSize(size);
    TFontStyles style = 0;
    if (FBold->isChecked())
        style |= fsBold;
    if (FItalic->isChecked())
        style |= fsItalic;
    if (FUnderline->isChecked() && FUnderline->isEnabled())
        style |= fsUnderline;
    if (FStrikeOut->isChecked() && FStrikeOut->isEnabled())
        style |= fsStrikeOut;
    font.SetStyle(style);
    font.SetCharset(FaceCharset(face));
    p.SetFontObject(&font);
    if (!FPreviewLines.isEmpty())
        p.SetLines(FPreviewLines);
    else
        p.SetLines({font.Charset() == 128 ? QStringLiteral("ベルモ") : QStringLiteral("Velmo")});
    p.SetAlignValue(FAlign->currentIndex());
    p.SetCharSpacing(kCharSpacings[std::clamp(FCharSpacing->currentIndex(), 0, 4)]);
    p.SetLineSpacing(kLineSpacings[std::clamp(FLineSpacing->currentIndex(), 0, 4)]);
    p.SetVerticalValue(FVertical->isChecked());
    p.SetHanToZen(FHanToZen->isChecked());
    p.SetMinusExc(FMinusExc->isChecked());
    p.SetNumToKnj(FNumToKnj->isChecked());
    TColorSpec spec;
    FTextColor->GetSpec(spec);
    p.SetTextColor(&spec);
    FShadowColor->GetSpec(spec);
    p.SetShadowColor(&spec);
    FOutlineColor->GetSpec(spec);
    p.SetOutlineColor(&spec);
    p.SetShadow(FShadowOn->isChecked() ? 8 - FShadowPlace->currentIndex() : 0);
    p.SetOutline(FOutlineOn->isChecked());
    p.SetOutLineWidth(FOutlineWidth->Value());
    p.SetDistortionRatio(FRatio->value());
    if (FTransformOn->isChecked() && FPatternIndex >= 0) {
        try {
            FPatterns->LoadPattern(*p.CoonsDistortion(), FPatternIndex);
        } catch (const std::exception&) {
            p.CoonsDistortion()->Clear();
        }
    } else {
        p.CoonsDistortion()->Clear();
    }
    p.AutoSizeNow();
    FPreview->update();
}

void TfrmTextDialog::ShowMessage(const QString& text, int page)
{
    FLastMessage = text;
    FTabs->setCurrentIndex(page);
    if (!FQuiet)
        QMessageBox::warning(this, windowTitle(), text);
}

void TfrmTextDialog::ReplaceTextPage(QWidget* page, const QString& caption)
{
    QWidget* old = FTabs->widget(0);
    FTabs->removeTab(0);
    FTabs->insertTab(0, page, caption);
    FTabs->setCurrentIndex(0);
    // The text widgets stay alive (hidden) so that loading the object still works.
    old->hide();
    old->setParent(this);
    old->hide();
    FTextPageReplaced = true;
}

void TfrmTextDialog::SetPreviewLines(const QStringList& lines)
{
    FPreviewLines = lines;
    UpdatePreview();
}

void TfrmTextDialog::HideLineSpacing()
{
    FLineSpacing->setEnabled(false);
    FLineSpacing->hide();
    if (QWidget* label = FLineSpacing->property("velmoLabel").value<QWidget*>())
        label->hide();
}

void TfrmTextDialog::SetTitle(const QString& title)
{
    setWindowTitle(title);
    FTitle->setText(title);
}

bool TfrmTextDialog::Validate()
{
    FLastMessage.clear();
    if (FExtraValidation && !FExtraValidation())
        return false;
    if (!FTextPageReplaced && FText->toPlainText().isEmpty()) {
        ShowMessage(QStringLiteral("文字が入力されていません"), 0);
        FText->setFocus();
        return false;
    }
    if (FTransformOn->isChecked() && FPatternIndex < 0) {
        ShowMessage(QStringLiteral("変形パターンが指定されていません"), 2);
        FPatternButton->setFocus();
        return false;
    }
    return true;
}

void TfrmTextDialog::ApplyTo(TLOText& object)
{
    const TPositionRecord r = FPosition->Record();
    object.SetAngleValue(r.Angle);
    object.SetMovable(!r.Lock);
    object.SetDontPrint(r.DontPrint);
    object.SetPropLeft(r.Left);
    object.SetPropTop(r.Top);
    object.SetAutoSizeValue(r.AutoSize);
    if (!r.AutoSize) {
        object.SetPropWidth(r.Width);
        object.SetPropHeight(r.Height);
    }
    object.SetCharSpacing(kCharSpacings[std::clamp(FCharSpacing->currentIndex(), 0, 4)]);
    object.SetLineSpacing(kLineSpacings[std::clamp(FLineSpacing->currentIndex(), 0, 4)]);
    object.SetVerticalValue(FVertical->isChecked());
    if (FAlign->isEnabled())
        object.SetAlignValue(FAlign->currentIndex());
    object.SetOutline(FOutlineOn->isChecked());
    if (FOutlineOn->isChecked())
        object.SetOutLineWidth(FOutlineWidth->Value());
    object.SetHanToZen(FHanToZen->isChecked());
    object.SetNumToKnj(FNumToKnj->isChecked());
    object.SetMinusExc(FMinusExc->isChecked());
    TPointBasedFont font;
    font.Assign(*object.Font());
    font.SetName(FFace->currentText());
    bool ok = false;
    const int size = FSize->currentText().trimmed().toInt(&ok);
    if (FSize->isEnabled() && ok && size > 0 && size <= 1638)
        font.SetSize(size); // text that is not a number keeps the size
    TFontStyles style = font.Style() & ~(fsBold | fsItalic);
    if (FBold->isChecked())
        style |= fsBold;
    if (FItalic->isChecked())
        style |= fsItalic;
    if (FUnderline->isEnabled())
        style = FUnderline->isChecked() ? (style | fsUnderline) : (style & ~fsUnderline);
    if (FStrikeOut->isEnabled())
        style = FStrikeOut->isChecked() ? (style | fsStrikeOut) : (style & ~fsStrikeOut);
    font.SetStyle(style);
    font.SetCharset(FaceCharset(font.Name()));
    object.SetFontObject(&font);
    object.SetDistortionRatio(FRatio->value());
    TColorSpec spec;
    FTextColor->GetSpec(spec);
    object.SetTextColor(&spec);
    FOutlineColor->GetSpec(spec);
    object.SetOutlineColor(&spec);
    FShadowColor->GetSpec(spec);
    object.SetShadowColor(&spec);
    object.SetShadow(FShadowOn->isChecked() ? 8 - FShadowPlace->currentIndex() : 0);
    if (FTransformOn->isChecked() && FPatternIndex >= 0 && FPatterns->IsOpen()) {
        TCoonsDistortion pattern;
        FPatterns->LoadPattern(pattern, FPatternIndex);
        object.SetCoonsDistortion(&pattern);
    } else if (FPatterns->IsOpen()) {
        object.CoonsDistortion()->Clear();
    }
    // Without the pattern file the object's own pattern is kept: nothing can be
    // chosen, and nothing is lost.
    if (!FTextPageReplaced)
        object.SetLines(FText->toPlainText().split(u'\n'));
    if (auto* wizard = dynamic_cast<TLOWizardText*>(&object); wizard && FWizard) {
        wizard->SetWizInputEnable(FWizardInput->isChecked());
        wizard->SetWizInputCaption(FWizardCaption->text());
    }
    if (FTextPageReplaced) {
        // Bound text comes from its own page, not from product information.
    } else if (FFieldUse->isChecked() && FFieldList->currentRow() >= 0) {
        object.SetFieldNo(FFieldList->currentRow() + 1);
        object.SetFieldType(TFieldType(std::clamp(FFieldKind->currentIndex(), 0, 2)));
    } else if (!FFieldUse->isChecked()) {
        object.SetFieldNo(0);
    }
}

void TfrmTextDialog::done(int result)
{
    if (result == QDialog::Accepted && !Validate())
        return;
    LastPage() = FTabs->currentIndex();
    QDialog::done(result);
}

bool TfrmTextDialog::Edit(TLOText& object, QWidget* parent)
{
    TfrmTextDialog dialog(CurrentTextDialogEnvironment(), parent ? parent : object.Site());
    dialog.LoadFrom(object, !object.OnSite());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplySettingChange(object, [&] { dialog.ApplyTo(object); });
    return true;
}

namespace {

class TTextDesigner : public TDesigner
{
public:
    bool EditObject(TLabelObject* object, bool& cancelled) override
    {
        auto* text = dynamic_cast<TLOText*>(object);
        if (!text)
            return false;
        cancelled = !TfrmTextDialog::Edit(*text);
        return true;
    }
};

} // namespace

void RegisterTextDesigner()
{
    TDesignerList::Instance().Register(std::make_shared<TTextDesigner>());
    // Plain text pasted from another program becomes a text object of its lines,
    // sized to them like a text the user types.
    TLOCreator::SetPreparation(QStringLiteral("TLOTextPaste"), [](TLabelObject* object, TDrawSite*) {
        auto* text = dynamic_cast<TLOText*>(object);
        if (!text)
            return;
        static const QRegularExpression lineEnds(QStringLiteral("\\r\\n|\\r|\\n"));
        QStringList lines = PastedText(CurrentPasteData()).split(lineEnds);
        while (lines.size() > 1 && lines.back().isEmpty())
            lines.pop_back();
        text->SetLines(lines);
        text->AutoSizeNow();
    });
}

} // namespace velmo
