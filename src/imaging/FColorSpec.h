#pragma once
// The colour-choice panel "色の選択" the property dialogs embed, and the gradient
// samples dialog "グラデーションのカラーパターン".
#include "imaging/FTransparentEditor.h"
#include "imaging/UColorSpec.h"
#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QListWidget;

namespace velmo {

class TColorGridWidget;
class TImageData;

// The 57 colour patterns of the samples dialog, in order.
const std::vector<std::vector<TColor>>& GradationSamplePatterns();

class TfrmGradePattern : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmGradePattern(QWidget* parent = nullptr);
    // The pattern chosen by OK or a double click (the last one chosen before, when
    // the dialog opens).
    int Selected() const;
    std::vector<TColor> SelectedColors() const;
    // The pattern remembered for the next opening (initially 0).
    static int& LastChosen();

private:
    QListWidget* FList;
};

class TfrmColorSpec : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmColorSpec(QWidget* parent = nullptr);
    ~TfrmColorSpec() override;

    // Only a solid colour: the kind choice is hidden.
    void SetColorOnly(bool value);
    // Offers "透過" (clNone) in the colour grid.
    void SetAllowTransparent(bool value);
    // For a label face: the picture comes from the background patterns and is
    // fitted to the face's printable size (0 x 0: not face-bound).
    void SetFaceSize(int width, int height);

    // Loads a private copy (by assignment) and shows it; the gradation previews are
    // drawn, so a setting whose direction is not one of the ten becomes the
    // linear gradient GradDir reports.
    void LoadSpec(const TColorSpec& spec);
    // The edited copy; without a picture unless the kind is a picture and the panel
    // is enabled.
    void GetSpec(TColorSpec& spec) const;
    const TColorSpec& Spec() const { return *FSpec; }

    // For tests and dialogs that drive the panel.
    void SelectKind(TColorSpecKind kind);
    void SelectDirection(rgGradationDir dir);
    void SetColorCount(int count);
    void ApplyPattern(const std::vector<TColor>& colors);
    QWidget* DirectionButton(int dir) const;
    QPushButton* ColorButton(int index) const;
    QPushButton* TrimButton() const { return FTrim; }
    // "イメージ選択...": the picture chosen with the application's chooser of
    // backgrounds (face-bound) or of the user's pictures.
    void PickImage();
    // Takes the application chooser's place (tests): (parent, kind, chosen).
    TPictureChooser PictureChooser;

Q_SIGNALS:
    void Changed();

private:
    QWidget* BuildSolidPage();
    QWidget* BuildImagePage();
    QWidget* BuildGradationPage();
    void Refresh();
    void RefreshPreviews();
    void EditImage();
    void PickGradationColor(int index);

    std::unique_ptr<TColorSpec> FSpec;
    bool FColorOnly = false;
    int FFaceWidth = 0;
    int FFaceHeight = 0;
    bool FLoading = false;
    TColorSpecKind FShownKind = TColorSpecKind::cskSolid;

    QWidget* FKindBox = nullptr;
    QRadioButton* FKindButtons[3] = {};
    QStackedWidget* FPages = nullptr;
    TColorGridWidget* FGrid = nullptr;
    QLabel* FSolidPreview = nullptr;
    QCheckBox* FTile = nullptr;
    QCheckBox* FTileShift = nullptr;
    QPushButton* FPickImage = nullptr;
    QPushButton* FTrim = nullptr;
    QLabel* FImageSample = nullptr;
    QSpinBox* FCount = nullptr;
    QPushButton* FColorButtons[7] = {};
    QPushButton* FDirButtons[kGradationDirCount] = {};
    QPushButton* FSamples = nullptr;
};

} // namespace velmo
