#pragma once
// The dialog "PhotoCDｲﾒｰｼﾞの設定": size, colours and orientation of a Photo CD
// photograph, with a preview, before it becomes a picture.
#include "imaging/UPCDImage.h"
#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;

namespace velmo {

class TPictureEx;

class TfrmPhotoCD : public QDialog
{
public:
    explicit TfrmPhotoCD(const QString& fileName, QWidget* parent = nullptr);
    ~TfrmPhotoCD() override;

    // Opens the file (once) and shows the preview; false when it cannot be opened
    // (the user was told "%sをオープンできません"). Runs when the window is shown.
    bool Activate();
    // Applies the controls: loads the photograph anew when size, colours or
    // orientation differ from what the preview shows.
    void UpdatePreview();
    // The transform the orientation controls give.
    int ChosenTransform() const;
    int ChosenFormat() const;
    int ChosenResolution() const;

    // The preview's picture (empty before the first load).
    const TPictureEx& Preview() const { return *FPreviewPicture; }
    // After OK: the picture taken over.
    const TPictureEx& Result() const { return *FResult; }
    TPCDAccess& Access() { return FAccess; }
    int LoadCount() const { return FLoadCount; }
    QString LastMessage() const { return FLastMessage; }
    void SetQuietMessages(bool quiet) { FQuiet = quiet; }

    QComboBox* SizeBox() const { return FSize; }
    QComboBox* ColourBox() const { return FColours; }
    QComboBox* RotationBox() const { return FRotation; }
    QCheckBox* VerticalBox() const { return FVertical; }
    QCheckBox* HorizontalBox() const { return FHorizontal; }

    void accept() override;

    // The choices remembered for the rest of the run (both start at the second entry).
    static int RememberedSize();
    static int RememberedColours();
    static void ResetRemembered();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowMessage(const QString& text);
    QString FFileName;
    TPCDAccess FAccess;
    std::unique_ptr<TPictureEx> FPreviewPicture;
    std::unique_ptr<TPictureEx> FResult;
    QComboBox* FSize = nullptr;
    QComboBox* FColours = nullptr;
    QComboBox* FRotation = nullptr;
    QCheckBox* FVertical = nullptr;
    QCheckBox* FHorizontal = nullptr;
    QLabel* FSample = nullptr;
    bool FActivated = false;
    bool FLoading = false;
    bool FQuiet = false;
    int FLoadCount = 0;
    int FShownResolution = -1;
    int FShownFormat = -1;
    int FShownTransform = -1;
    QString FLastMessage;
};

// Loads a picture file the user chose: a Photo CD file (".pcd", any case) through
// the dialog, true on OK; any other file through the picture formats, true when it
// loaded (a file that does not decode raises as LoadPictureFile does).
bool LoadPictureWithDialogs(QWidget* parent, const QString& fileName, TPictureEx& picture);

// True for a name ending in ".pcd" (any case): the files the dialog takes.
bool IsPhotoCDFileName(const QString& fileName);

} // namespace velmo
