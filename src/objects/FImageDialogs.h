#pragma once
// The property dialogs of image objects ("イラストの設定" / "イメージファイルの設定")
// and backgrounds ("背景柄の設定"), and the designer that opens them.
#include "imaging/FImageDataEditor.h"
#include "objects/ULabelObject.h"
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace velmo {

class TLOImage;
class TLOBackImage;
class TPictureEx;
class TfrmColorSpec;
class TfrmPosition;
class TMillimetreEdit;

class TfrmImageProperty : public TfrmImageDataEditor
{
public:
    explicit TfrmImageProperty(TLOImage* image, QWidget* parent = nullptr);
    ~TfrmImageProperty() override;

    // The process-wide extended paper mode shows the wizard item box; read when a
    // dialog is made.
    static void SetExtendedPaperMode(bool value);
    static bool ExtendedPaperMode();

    // Chooses the picture first when the object has none (cancelled: no dialog).
    int Execute();
    // Angle, lock, do-not-print and the rectangle, then the image data and its
    // source, the wizard item and the frame picture.
    void Apply();
    void done(int result) override;

    TfrmPosition* Position() const { return FPosition; }
    QCheckBox* WizardBox() const { return FWizard; }
    QCheckBox* AlphaFrameBox() const { return FAlphaFrame; }
    TPictureEx* FramePicture() const { return FFrame.get(); }
    // How "フレームの選択(&M)..." chooses: false when cancelled; an empty file name
    // means no frame. Unset: a file dialog.
    using TFrameChooser = std::function<bool(QWidget* parent, QString& fileName)>;
    static void SetFrameChooser(TFrameChooser chooser);
    // Runs the frame chooser and takes its answer.
    void ChooseFrame();
    // Loads a frame picture file; false (nothing changed) when it does not load.
    bool LoadFrame(const QString& fileName);

private:
    void PictureChanged();
    void UpdateFrameLabel();

    TLOImage* FImage;
    std::unique_ptr<TPictureEx> FFrame;
    std::unique_ptr<TListener> FPictureListener;
    TfrmPosition* FPosition;
    QCheckBox* FWizard;
    QCheckBox* FAlphaFrame;
    QLabel* FFrameLabel;
    bool FWizardShown = false;
};

// A page that offers the background collection's pictures (the application's
// gallery browser); the background dialog shows it instead of its plain list.
class TBackGalleryPage : public QWidget
{
public:
    using QWidget::QWidget;
    virtual QString SelectedFileName() const = 0;
    virtual bool HasSelection() const = 0;
    // Called when a picture of the page was taken.
    virtual void Taken() {}
    std::function<void()> OnSelectionChange;
    std::function<void()> OnActivate;
};
using TBackGalleryFactory = std::function<TBackGalleryPage*(QWidget* parent)>;

class TfrmBackImageProperty : public QDialog
{
public:
    explicit TfrmBackImageProperty(TLOBackImage* background, QWidget* parent = nullptr);

    // The folder of the background collection (pictures shown as a gallery).
    static void SetCollectionFolder(const QString& folder);
    // The gallery page made for every dialog from now on (empty: the plain list).
    static void SetGalleryFactory(TBackGalleryFactory factory);

    void Apply();
    void done(int result) override;

    QRadioButton* CollectionButton() const { return FCollection; }
    QRadioButton* FreeButton() const { return FFree; }
    QListWidget* Gallery() const { return FGallery; }
    TfrmColorSpec* FillEditor() const { return FFillColor; }
    TMillimetreEdit* FrameWidthEdit() const { return FFrameWidth; }
    QPushButton* OkButton() const { return FOk; }
    QPushButton* NoneButton() const { return FNone; }
    bool ResetChosen() const { return FReset; }

private:
    void UpdateEnabled();
    void FillGallery();

    TLOBackImage* FBack;
    QRadioButton* FCollection;
    QRadioButton* FFree;
    QStackedWidget* FPages;
    QListWidget* FGallery;
    TBackGalleryPage* FGalleryPage = nullptr;
    TfrmColorSpec* FFillColor;
    TfrmColorSpec* FFrameColor;
    TMillimetreEdit* FFrameWidth;
    QPushButton* FOk;
    QPushButton* FNone;
    bool FReset = false;
};

// Opens the image and background dialogs for every image and background object;
// the change is one undo step "設定変更". Tests replace how a dialog runs.
class TImageDesigner : public TDesigner
{
public:
    bool EditObject(TLabelObject* object, bool& cancelled) override;
    static void SetDialogRunner(std::function<int(QDialog&)> runner);
};

void RegisterImageDesigner();

} // namespace velmo
