#pragma once
// The browsers built on the thumbnail browser: the one-point illustrations by genre,
// the backgrounds (browser and gallery), the frames and the user's picture folders.
// Each shows a warning panel instead of thumbnails when its collection is missing.
#include "base/UGraphics.h"
#include "objects/FImageDialogs.h"
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace velmo {

class TFileImagePack;
class TFolderImagePack;
class TfrmImageBrowser;
struct TBackGenre;

// The sizes offered by "サイズ": 50, 100 (default), 150, 200.
QComboBox* MakeSizeChoice(QWidget* parent);

// The part every browser shares: the thumbnail list and the warning panel.
class TBrowserFrame : public QWidget
{
public:
    explicit TBrowserFrame(QWidget* parent = nullptr);
    ~TBrowserFrame() override;

    TfrmImageBrowser* Browser() const { return FBrowser; }
    QLabel* Warning() const { return FWarning; }
    bool WarningShown() const;
    // The warning lines, then an empty line, "$(AppName)の", "CDを正しくセットしてください。".
    void ShowWarning(const QString& firstLine);
    void HideWarning();

    // The chosen picture's full path, and whether there is one.
    virtual QString SelectedFileName() const;
    virtual bool HasSelection() const;
    std::function<void()> OnSelectionChange;
    std::function<void()> DefaultAction;

protected:
    QWidget* FTop;          // the row of choices above the list
    QStackedWidget* FStack; // the list or the warning
    TfrmImageBrowser* FBrowser;
    QLabel* FWarning;
};

class TfrmOnePointBrowser : public TBrowserFrame
{
public:
    explicit TfrmOnePointBrowser(QWidget* parent = nullptr);
    ~TfrmOnePointBrowser() override;

    // The genres of the index file, or the built-in ones when there is none.
    const QStringList& Genres() const { return FGenres; }
    QComboBox* GenreBox() const { return FGenreBox; }
    QComboBox* SizeBox() const { return FSizeBox; }
    void ChooseGenre(int index);
    int GenreIndex() const;
    // The genre index into the remembered choices.
    void Remember();
    TFolderImagePack* Pack() const { return FPack.get(); }

private:
    std::unique_ptr<TFolderImagePack> FPack;
    QStringList FGenres;
    QComboBox* FGenreBox;
    QComboBox* FSizeBox;
};

// The background browser (size choice, remembered genre) and the background gallery
// (fixed size 70, remembers genre and picture when one is taken).
class TfrmBackImageBrowser : public TBrowserFrame
{
public:
    explicit TfrmBackImageBrowser(bool gallery, QWidget* parent = nullptr);
    ~TfrmBackImageBrowser() override;

    int GenreCount() const;
    QComboBox* GenreBox() const { return FGenreBox; }
    QComboBox* SizeBox() const { return FSizeBox; }
    void ChooseGenre(int index);
    int GenreIndex() const;
    // The gallery's genre and picture index into the remembered choices.
    void Taken();
    TFolderImagePack* Pack() const { return FPack.get(); }

private:
    bool FGallery;
    std::unique_ptr<TFolderImagePack> FPack;
    std::vector<TBackGenre> FGenres;
    QComboBox* FGenreBox;
    QComboBox* FSizeBox = nullptr;
};

class TfrmBackGalleryBrowser : public TfrmBackImageBrowser
{
public:
    explicit TfrmBackGalleryBrowser(QWidget* parent = nullptr) : TfrmBackImageBrowser(true, parent) {}
};

class TfrmFrameBrowser : public TBrowserFrame
{
public:
    explicit TfrmFrameBrowser(QWidget* parent = nullptr);
    ~TfrmFrameBrowser() override;

    QCheckBox* UseBox() const { return FUse; }
    QComboBox* SizeBox() const { return FSizeBox; }
    TFolderImagePack* Pack() const { return FPack.get(); }

private:
    std::unique_ptr<TFolderImagePack> FPack;
    QCheckBox* FUse;
    QComboBox* FSizeBox;
};

class TfrmImageFileBrowser : public TBrowserFrame
{
public:
    explicit TfrmImageFileBrowser(QWidget* parent = nullptr);
    ~TfrmImageFileBrowser() override;

    // The folder the box starts with: the newest history entry, the pictures folder,
    // the documents folder ("My Pictures" in it when there is one), the program's.
    static QString InitialFolder();
    QString Folder() const;
    // Puts the folder in the box, adds it to the history and lists it.
    void SetFolder(const QString& folder);
    // Lists the box's folder now (otherwise on first showing).
    void ListFiles();
    QToolButton* HistoryButton() const { return FHistory; }
    QComboBox* SizeBox() const { return FSizeBox; }
    TFileImagePack* Pack() const { return FPack.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Browse();
    void ShowHistory();

    std::unique_ptr<TFileImagePack> FPack;
    QLineEdit* FFolderBox;
    QToolButton* FHistory;
    QPushButton* FBrowse;
    QComboBox* FSizeBox;
    QString FListed;
    bool FListedOnce = false;
};

// The background dialog's collection page: a gallery browser.
class TBackGalleryPageImpl : public TBackGalleryPage
{
public:
    explicit TBackGalleryPageImpl(QWidget* parent = nullptr);
    QString SelectedFileName() const override;
    bool HasSelection() const override;
    void Taken() override;
    TfrmBackGalleryBrowser* Gallery() const { return FGallery; }

private:
    TfrmBackGalleryBrowser* FGallery;
};

} // namespace velmo
