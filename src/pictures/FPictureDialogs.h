#pragma once
// The picture-choice dialogs: "イラストの選択" with the illustration collection, the
// user's files, the clipboard and the scanner side by side; the same without the
// collection for the user's own pictures; and "フレームの選択".
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTabWidget;

namespace velmo {

class TPictureEx;
class TfrmFrameBrowser;
class TfrmImageFileBrowser;
class TfrmOnePointBrowser;
class TfrmBackImageBrowser;

// The picture on the clipboard, following every change of the clipboard.
class TClipboardPage : public QWidget
{
public:
    explicit TClipboardPage(QWidget* parent = nullptr);
    ~TClipboardPage() override;
    bool HasPicture() const;
    const TPictureEx& Picture() const { return *FPicture; }
    // Reads the clipboard again (called on every change).
    void Refresh();
    std::function<void()> OnChange;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPicture();
    std::unique_ptr<TPictureEx> FPicture;
    QLabel* FView;
};

// "取り込み" and the picture it brought.
class TTwainPage : public QWidget
{
public:
    explicit TTwainPage(QWidget* parent = nullptr);
    ~TTwainPage() override;
    bool HasPicture() const;
    const TPictureEx& Picture() const { return *FPicture; }
    // Acquires through the application's scanner function; false when cancelled.
    bool Acquire();
    QPushButton* AcquireButton() const { return FAcquire; }
    std::function<void()> OnChange;

private:
    std::unique_ptr<TPictureEx> FPicture;
    QPushButton* FAcquire;
    QLabel* FView;
};

// The kind of source a chosen picture came from: 0 file or clipboard, 1 illustration,
// 2 scanner (what image objects store as ImageSource).
enum TIllustMode
{
    imFile,
    imIllust,
    imTwain
};

// Which collection the dialog offers before the user's files.
enum class TPictureDialogKind
{
    Illustrations, // "イラストの選択" with the illustration collection
    UserImages,    // "イラストの選択" without a collection
    Backgrounds    // "背景柄の選択" with the background collection
};

class TfrmIllust2 : public QDialog
{
public:
    // withCollection false: the user image dialog (files, clipboard, scanner).
    explicit TfrmIllust2(bool withCollection = true, QWidget* parent = nullptr);
    TfrmIllust2(TPictureDialogKind kind, QWidget* parent);
    ~TfrmIllust2() override;

    // Shows the dialog in the mode (the scanner mode acquires at once and confirms
    // without showing); OK loads the chosen picture. Returns the modal result.
    int Execute(TIllustMode mode);
    // OK's work: the active tab's picture into the result; false (dialog stays) when
    // it cannot be had.
    bool TakeChoice();
    const TPictureEx& Result() const { return *FResult; }
    TPictureEx& Result() { return *FResult; }
    int SourceKind() const { return FSourceKind; }
    // The key colour a chosen file carried (clNone when none).
    unsigned KeyColor() const { return FKeyColor; }

    QTabWidget* Tabs() const { return FTabs; }
    TfrmOnePointBrowser* OnePoint() const { return FOnePoint; }
    TfrmBackImageBrowser* Backgrounds() const { return FBackgrounds; }
    TfrmImageFileBrowser* Files() const { return FFiles; }
    TClipboardPage* ClipboardPage() const { return FClipboard; }
    TTwainPage* TwainPage() const { return FTwain; }
    QPushButton* OkButton() const { return FOk; }
    void UpdateOk();
    void done(int result) override;

private:
    std::unique_ptr<TPictureEx> FResult;
    QTabWidget* FTabs;
    TfrmOnePointBrowser* FOnePoint = nullptr;
    TfrmBackImageBrowser* FBackgrounds = nullptr;
    TfrmImageFileBrowser* FFiles;
    TClipboardPage* FClipboard;
    TTwainPage* FTwain;
    QPushButton* FOk;
    int FSourceKind = 0;
    unsigned FKeyColor;
};

// The user image dialog: caption "イラストの選択", tabs "ファイル", "クリップボード", "TWAIN".
class TfrmSelectUserImage : public TfrmIllust2
{
public:
    explicit TfrmSelectUserImage(QWidget* parent = nullptr) : TfrmIllust2(false, parent) {}
};

class TfrmSelectFrame : public QDialog
{
public:
    explicit TfrmSelectFrame(QWidget* parent = nullptr);
    // The chosen frame file, or empty when "フレームを使用する" is not checked.
    QString FrameFileName() const;
    TfrmFrameBrowser* Browser() const { return FBrowser; }
    QPushButton* OkButton() const { return FOk; }
    void UpdateOk();

private:
    TfrmFrameBrowser* FBrowser;
    QPushButton* FOk;
};

// Puts the dialogs behind the image dialog's picture and frame choosers and the
// background dialog's collection page.
void InstallPictureBrowsers();

} // namespace velmo
