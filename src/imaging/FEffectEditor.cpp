#include "imaging/FEffectEditor.h"

#include "draw/UNotify.h"
#include "imaging/FImagePanels.h"
#include "imaging/UImageData.h"
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmo {

int BlurChoiceOf(int blurCount)
{
    if (blurCount <= 0)
        return 0;
    if (blurCount == 1)
        return 1;
    if (blurCount <= 5)
        return 2;
    return 3;
}

int BlurCountOf(int choice)
{
    static const int counts[] = {0, 1, 5, 10};
    return choice >= 0 && choice < 4 ? counts[choice] : 0;
}

int MonotoneChoiceOf(TColor refColor)
{
    if (refColor == kSepiaRefColor)
        return 2;
    if (refColor == clNone)
        return 0;
    return 1;
}

TColor RefColorOf(int choice)
{
    return choice == 1 ? kGreyRefColor : choice == 2 ? kSepiaRefColor : clNone;
}

namespace {

// A track bar of -100..100 in steps of 10 with its number box.
void MakeLevel(QWidget* parent, QSlider*& bar, QSpinBox*& edit)
{
    bar = new QSlider(Qt::Horizontal, parent);
    bar->setRange(-100, 100);
    bar->setPageStep(10);
    bar->setSingleStep(1);
    bar->setTickInterval(10);
    bar->setTickPosition(QSlider::TicksBelow);
    edit = new QSpinBox(parent);
    edit->setRange(-100, 100);
    edit->setSuffix(QStringLiteral("%"));
    edit->setMinimumWidth(70);
}

} // namespace

TfrmEffectEditor::TfrmEffectEditor(QWidget* parent)
    : QWidget(parent), FListener(std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
          if (kind == nkChanged)
              DataChanged();
      }))
{
    setObjectName(QStringLiteral("frmEffectEditor"));
    FBlur = new QComboBox(this);
    FBlur->addItems(
        {QStringLiteral("なし"), QStringLiteral("弱い"), QStringLiteral("普通"), QStringLiteral("強い")});
    FMonotone = new QComboBox(this);
    FMonotone->addItems({QStringLiteral("なし"), QStringLiteral("白黒"), QStringLiteral("セピア")});
    MakeLevel(this, FBrightnessBar, FBrightnessEdit);
    MakeLevel(this, FContrastBar, FContrastEdit);
    FPreview = new TPicturePreview(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ぼかし"), FBlur);
    form->addRow(QStringLiteral("単色効果"), FMonotone);
    auto* brightness = new QHBoxLayout;
    brightness->addWidget(FBrightnessBar, 1);
    brightness->addWidget(FBrightnessEdit);
    form->addRow(QStringLiteral("明るさ"), brightness);
    auto* contrast = new QHBoxLayout;
    contrast->addWidget(FContrastBar, 1);
    contrast->addWidget(FContrastEdit);
    form->addRow(QStringLiteral("コントラスト"), contrast);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(FPreview, 1);

    connect(FBlur, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FUpdating && FData && index >= 0)
            FData->BlurFilter()->SetBlurCount(BlurCountOf(index));
    });
    connect(FMonotone, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FUpdating && FData && index >= 0)
            FData->MonotoneFilter()->SetRefColor(RefColorOf(index));
    });
    // Moving a bar sets its number box; a number in the box sets the value and the bar.
    connect(FBrightnessBar, &QSlider::valueChanged, FBrightnessEdit, &QSpinBox::setValue);
    connect(FContrastBar, &QSlider::valueChanged, FContrastEdit, &QSpinBox::setValue);
    connect(FBrightnessEdit, &QSpinBox::valueChanged, this, [this](int value) {
        FBrightnessBar->setValue(value);
        if (!FUpdating && FData)
            FData->LightFilter()->SetBrightness(value);
    });
    connect(FContrastEdit, &QSpinBox::valueChanged, this, [this](int value) {
        FContrastBar->setValue(value);
        if (!FUpdating && FData)
            FData->LightFilter()->SetContrast(value);
    });
    DataChanged();
}

TfrmEffectEditor::~TfrmEffectEditor()
{
    FListener.reset();
}

void TfrmEffectEditor::SetImageData(TImageData* data)
{
    if (FData)
        FListener->StopListening(&FData->Notify());
    FData = data;
    if (FData)
        FListener->ListenTo(&FData->Notify());
    FPreview->SetImageData(data);
    DataChanged();
}

void TfrmEffectEditor::DataChanged()
{
    FUpdating = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{FUpdating};
    const bool on = FData != nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{FBlur, FMonotone, FBrightnessBar, FBrightnessEdit,
                                                      FContrastBar, FContrastEdit})
        w->setEnabled(on);
    if (!FData)
        return;
    FBlur->setCurrentIndex(BlurChoiceOf(FData->BlurFilter()->BlurCount()));
    FMonotone->setCurrentIndex(MonotoneChoiceOf(FData->MonotoneFilter()->RefColor()));
    FBrightnessBar->setValue(FData->LightFilter()->Brightness());
    FBrightnessEdit->setValue(FData->LightFilter()->Brightness());
    FContrastBar->setValue(FData->LightFilter()->Contrast());
    FContrastEdit->setValue(FData->LightFilter()->Contrast());
}

} // namespace velmo
