#pragma once
// The transparency page: whether a key colour is used, which one (picked from the
// picture with the eyedropper), and choosing another picture.
#include "base/UGraphics.h"
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace velmo {

class TImageData;
class TImagePanel;
class TListener;
class TPictureEx;

// Where a chosen picture came from, as the illustration chooser reports it.
enum class TPictureSource
{
    psFile,
    psIllustration,
    psScanner
};

// A picture chooser: fills the picture (and its key colour when the file carried
// transparency) and returns false when cancelled.
struct TChosenPicture
{
    std::unique_ptr<TGraphic> Graphic;
    TColor KeyColor = clNone;
    TPictureSource Source = TPictureSource::psFile;
};
using TPictureChooser = std::function<bool(QWidget* parent, int kind, TChosenPicture& chosen)>;

// The chooser every transparency page uses unless it was given its own (the
// application's picture-choice dialogs); empty: ChoosePictureFile.
void SetDefaultPictureChooser(TPictureChooser chooser);
// The chooser used when none is set: a file dialog over every registered format,
// titled by kind ("背景柄の選択", "イラストの選択", otherwise "画像ファイルの選択").
bool ChoosePictureFile(QWidget* parent, int kind, TChosenPicture& chosen);
// A picture by the application's chooser of the kind (1 backgrounds, 2
// illustrations, otherwise the user's pictures), else by ChoosePictureFile.
bool ChoosePicture(QWidget* parent, int kind, TChosenPicture& chosen);
// The eyedropper cursor.
QCursor SpuitCursor();

class TfrmTransparentEditor : public QWidget
{
public:
    explicit TfrmTransparentEditor(QWidget* parent = nullptr);
    ~TfrmTransparentEditor() override;

    void SetImageData(TImageData* data);
    TImageData* ImageData() const { return FData; }
    // 1 background patterns, 2 illustrations, 3 no reselection (button hidden),
    // anything else the user's picture files.
    int ChooserKind() const { return FChooserKind; }
    void SetChooserKind(int kind);
    void SetPictureChooser(TPictureChooser chooser) { FChooser = std::move(chooser); }
    TPictureSource CurrentSource() const { return FSource; }
    void SetCurrentSource(TPictureSource source) { FSource = source; }

    // "再選択...": true when a picture was chosen.
    bool ChooseAgain();
    // Takes the colour under a panel position as the key colour (when it lies on the
    // picture).
    void PickAt(const QPoint& panelPosition);

    QCheckBox* CheckBox() const { return FCheck; }
    TImagePanel* Panel() const { return FPanel; }
    QPushButton* ReselectButton() const { return FReselect; }
    TColor SwatchColor() const { return FSwatchColor; }

private:
    void DataChanged();
    void PictureChanged();
    void CheckClicked(bool checked);
    void SetSwatchColor(TColor colour);

    TImageData* FData = nullptr;
    std::unique_ptr<TListener> FListener;
    QCheckBox* FCheck;
    QLabel* FSwatch;
    TImagePanel* FPanel;
    QPushButton* FReselect;
    TColor FSwatchColor = clWhite;
    int FChooserKind = 0;
    TPictureChooser FChooser;
    TPictureSource FSource = TPictureSource::psFile;
    bool FUpdating = false;
};

} // namespace velmo
