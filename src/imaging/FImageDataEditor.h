#pragma once
// The image-data dialog: the transparency, trimming and picture-quality pages over a
// copy of the caller's image data, with a preview of the result.
#include "imaging/FClipEditor.h"
#include "imaging/FTransparentEditor.h"
#include <QDialog>
#include <memory>

class QTabWidget;
class QPushButton;

namespace velmo {

class TImageData;
class TListener;
class TPicturePreview;
class TfrmEffectEditor;

class TfrmImageDataEditor : public QDialog
{
public:
    explicit TfrmImageDataEditor(QWidget* parent = nullptr);
    ~TfrmImageDataEditor() override;

    // The face the trimming page is bound to unless tiled (nullptr: none).
    void SetFace(const TClipFace* face);
    void SetTiled(bool tiled);
    void SetNoReselect(bool noReselect);
    // Image objects choose among illustrations, files and scanners (chooser kind 2).
    void SetIllustrationChooser(bool value) { FIllustration = value; }
    void SetPictureChooser(TPictureChooser chooser);
    // Takes a copy; the dialog edits only its own image data.
    void SetImageData(const TImageData& data);
    TImageData& ImageData() const { return *FData; }

    // Shows the dialog. An empty image data opens the chooser first; still empty, the
    // dialog ends as cancelled without showing. Returns the modal result (1 OK, 2
    // cancel).
    int Execute();
    // The pages are set up for showing (chooser kind, face binding).
    void Prepare();

    // Opens the dialog over a copy and copies back on OK.
    static bool Edit(QWidget* parent, TImageData& data, const TClipFace* face = nullptr, bool tiled = false,
                     bool noReselect = false);

    QTabWidget* Tabs() const { return FTabs; }
    TfrmTransparentEditor* TransparentPage() const { return FTransparent; }
    TfrmClipEditor* ClipPage() const { return FClip; }
    TfrmEffectEditor* EffectPage() const { return FEffect; }
    TPicturePreview* Preview() const { return FPreview; }

private:
    void DataChanged();

    std::unique_ptr<TImageData> FData;
    std::unique_ptr<TListener> FListener;
    QTabWidget* FTabs;
    TfrmTransparentEditor* FTransparent;
    TfrmClipEditor* FClip;
    TfrmEffectEditor* FEffect;
    TPicturePreview* FPreview;
    TClipFace FFace;
    bool FHasFace = false;
    bool FTiled = false;
    bool FNoReselect = false;
    bool FIllustration = false;
};

} // namespace velmo
