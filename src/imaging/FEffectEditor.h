#pragma once
// The picture-quality page: blur or sharpen, a single-colour tint, brightness and
// contrast, with a preview of the display picture.
#include "base/UGraphics.h"
#include <QWidget>
#include <memory>

class QComboBox;
class QSlider;
class QSpinBox;

namespace velmo {

class TImageData;
class TListener;
class TPicturePreview;

// The blur choice an image data shows: 0 "なし" (0 or less), 1 "弱い" (1), 2 "普通"
// (2 to 5), 3 "強い" (more), and the counts the choices set.
int BlurChoiceOf(int blurCount);
int BlurCountOf(int choice);
// 0 "なし" (clNone), 1 "白黒" (any other colour), 2 "セピア", and back.
int MonotoneChoiceOf(TColor refColor);
TColor RefColorOf(int choice);

class TfrmEffectEditor : public QWidget
{
public:
    explicit TfrmEffectEditor(QWidget* parent = nullptr);
    ~TfrmEffectEditor() override;

    void SetImageData(TImageData* data);
    TImageData* ImageData() const { return FData; }

    QComboBox* BlurBox() const { return FBlur; }
    QComboBox* MonotoneBox() const { return FMonotone; }
    QSlider* BrightnessBar() const { return FBrightnessBar; }
    QSpinBox* BrightnessEdit() const { return FBrightnessEdit; }
    QSlider* ContrastBar() const { return FContrastBar; }
    QSpinBox* ContrastEdit() const { return FContrastEdit; }
    TPicturePreview* Preview() const { return FPreview; }

private:
    void DataChanged();

    TImageData* FData = nullptr;
    std::unique_ptr<TListener> FListener;
    QComboBox* FBlur;
    QComboBox* FMonotone;
    QSlider* FBrightnessBar;
    QSpinBox* FBrightnessEdit;
    QSlider* FContrastBar;
    QSpinBox* FContrastEdit;
    TPicturePreview* FPreview;
    bool FUpdating = false;
};

} // namespace velmo
