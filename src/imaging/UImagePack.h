#pragma once
// Image packs: numbered collections of pictures behind one interface (how many, the
// rectangle of image i, the picture of image i, drawing image i). Matrix packs cut
// one resource picture into a grid of cells; file and folder packs load one picture
// per file; custom packs ask their owner. File, folder and custom packs keep what
// they produced in a cache of the most recently used pictures.
//
// Whatever cannot be produced is shown, and measured, as the shared error picture.
#include "base/UClasses.h"
#include "base/UExceptions.h"
#include "base/UGraphics.h"
#include "draw/UNotify.h"
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace velmo {

class TPictureEx;
class TResourceImageLoader;

VELMO_DECLARE_EXCEPTION(EImagePack, Exception)

// Sent by packs besides nkDestroying.
inline constexpr TGUID nkPackChanged{
    0xFF0E0942, 0x2D29, 0x11D3, {0xAC, 0xCC, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
// The contents are about to change: listeners stop using them before they return.
inline constexpr TGUID nkPackChanging{
    0xA916FC40, 0x6C6C, 0x11D3, {0x95, 0x51, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};

// "イメージ処理\r\nエラー"
QString ErrorPictureText();
// The picture shown for anything that cannot be loaded: white, the two-line text in
// red, as large as the text measures with the default font. Made on first use (from
// any thread), lives to the end of the run.
const TPictureEx& ErrorPicture();
// The extent of a multi-line text with the default font on a scratch bitmap.
QSize MeasuredTextExtent(const QString& text);
// A white picture with the text centred in the colour, sized by MeasuredTextExtent
// (the error picture and the browsers' placeholder are made this way).
void MakeTextPicture(TPictureEx& picture, const QString& text, TColor colour);

// When the picture's graphic has a Transparent flag that differs from the requested
// one: sets a bitmap's key colour and the flag, without the picture reporting a
// change. A flag that already has the value leaves everything, the colour included.
void SetPictureTransparency(TPictureEx& picture, TColor colour, bool transparent);

// The cell rectangle of a grid: neighbouring cells share their edges, so the cells
// tile the picture without gaps.
QRect MatrixCellRect(int index, int countCol, int countRow, int width, int height);

class TImagePack : public TComponent
{
    VELMO_PERSISTENT(TImagePack, TComponent)
public:
    explicit TImagePack(TComponent* owner = nullptr);
    ~TImagePack() override;

    // nkPackChanged, nkPackChanging and (when the pack is destroyed) nkDestroying.
    TBroadcaster& Broadcaster() const { return *FBroadcaster; }
    std::function<void(TImagePack* sender)> OnChange;

    virtual void Changed();
    virtual void NotifyChanging();
    virtual int GetCount() const = 0;
    virtual void SetCount(int count);
    // The rectangle of image i: left, top, width and height (right = left + width);
    // an empty rectangle for an invalid index.
    virtual QRect GetImageRect(int index) const = 0;
    virtual void SetImageRect(int index, const QRect& rectangle);
    int GetLeft(int index) const { return GetImageRect(index).x(); }
    int GetWidth(int index) const { return GetImageRect(index).width(); }
    void SetLeft(int index, int value);
    void SetTop(int index, int value);
    void SetWidth(int index, int value);
    void SetHeight(int index, int value);
    // Puts image i into the picture (may raise).
    virtual void GetImage(TPictureEx& picture, int index) const = 0;
    // At natural size with the top-left corner at (x, y).
    void Draw(QPainter& painter, int x, int y, int index) const;
    virtual void StretchDraw(QPainter& painter, const QRect& rectangle, int index) const;
    virtual bool IsInvalid(int index) const;

    // GetImage; when that raises, the picture becomes the error picture and the result
    // is false.
    bool GetImageSafe(TPictureEx& picture, int index) const;

private:
    std::unique_ptr<TBroadcaster> FBroadcaster;
};

// One resource picture cut into CountCol × CountRow cells, numbered row by row.
class TMatrixImagePack : public TImagePack
{
    VELMO_PERSISTENT(TMatrixImagePack, TImagePack)
public:
    explicit TMatrixImagePack(TComponent* owner = nullptr);
    ~TMatrixImagePack() override;

    TResourceImageLoader* ImageLoader() const { return FLoader.get(); }
    void SetImageLoader(const TResourceImageLoader* value);
    TPictureEx* Image() const { return FImage.get(); }
    void SetImage(const TPicture* value);
    int CountCol() const { return FCountCol; }
    void SetCountCol(int value);
    int CountRow() const { return FCountRow; }
    void SetCountRow(int value);

    int GetCount() const override { return FCountCol * FCountRow; }
    QRect GetImageRect(int index) const override;
    void GetImage(TPictureEx& picture, int index) const override;
    void StretchDraw(QPainter& painter, const QRect& rectangle, int index) const override;
    bool IsInvalid(int index) const override;

    // After reading from a form: loads the resource when AutoLoad is set and lets the
    // loader reload on later changes.
    void Loaded() override;
    // The usual set-up in code: resource file, type, name and grid, loaded now.
    void LoadFrom(const QString& resFile, const QString& resType, const QString& resName, int countCol,
                  int countRow);

private:
    std::unique_ptr<TPictureEx> FImage;
    std::unique_ptr<TResourceImageLoader> FLoader;
    int FCountCol = 1;
    int FCountRow = 1;
};

// Packs that keep the pictures they produced, least recently used first out.
class TCachedImagePack : public TImagePack
{
    VELMO_PERSISTENT(TCachedImagePack, TImagePack)
public:
    static constexpr int MinCacheLimit = 1;
    static constexpr int MaxCacheLimit = 65535;

    explicit TCachedImagePack(TComponent* owner = nullptr);
    ~TCachedImagePack() override;

    int CacheLimit() const { return FCacheLimit; }
    // Clamped to 1..65535; trims at once.
    void SetCacheLimit(int value);

    virtual void ClearCache();
    // The cached picture of image i (made empty and cached on a miss), now the most
    // recently used.
    virtual TPictureEx* GetCachedPicture(int index);
    // Loads image i into the picture; may raise. The image-load thread calls this
    // directly, so it must not touch the cache.
    virtual void LoadImage(TPictureEx& picture, int index) const = 0;
    // The browsers' way to put a finished thumbnail in.
    void StoreCachedPicture(const TPictureEx& picture, int index);

    void GetImage(TPictureEx& picture, int index) const override;

    int CachedCount() const { return int(FCache.size()); }
    // Indexes from least to most recently used.
    std::vector<int> CachedIndexes() const;

private:
    void Trim();

    struct TEntry
    {
        int Index;
        std::unique_ptr<TPictureEx> Picture;
    };
    int FCacheLimit = 1;
    // Least recently used first. Mutable: reading an image updates the order.
    mutable std::vector<TEntry> FCache;
};

// Loads the picture of a file (line i of the file list gives image i).
using TOnFileLoadEvent =
    std::function<void(TImagePack* sender, const QString& fileName, TPictureEx& picture)>;

class TFileImagePackBase : public TCachedImagePack
{
    VELMO_PERSISTENT(TFileImagePackBase, TCachedImagePack)
public:
    explicit TFileImagePackBase(TComponent* owner = nullptr);
    ~TFileImagePackBase() override;

    const QStringList& Files() const { return FFiles; }
    // Changes of the list: nkPackChanging before, then ClearCache and nkPackChanged
    // after; inside BeginUpdate/EndUpdate one of each for all of them.
    void SetFiles(const QStringList& files);
    void AddFile(const QString& fileName);
    void ClearFiles();
    void BeginUpdate();
    void EndUpdate();

    TOnFileLoadEvent OnFileLoad;
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value) { FTransparent = value; }
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor value) { FTransparentColor = value; }

    int GetCount() const override { return int(FFiles.size()); }
    QRect GetImageRect(int index) const override;
    void LoadImage(TPictureEx& picture, int index) const override;

protected:
    // Sorted lists keep their order through every change.
    virtual void Arrange(QStringList& files) const { (void)files; }

private:
    void BeforeChange();
    void AfterChange();

    QStringList FFiles;
    int FUpdateCount = 0;
    bool FChangingSent = false;
    bool FTransparent = false;
    TColor FTransparentColor = 0xF0F0F0;
};

class TFileImagePack : public TFileImagePackBase
{
    VELMO_PERSISTENT(TFileImagePack, TFileImagePackBase)
public:
    explicit TFileImagePack(TComponent* owner = nullptr);
    ~TFileImagePack() override;

    // The published list; assigning copies the lines into the pack.
    TStrings* FileList() const { return FFileList.get(); }
    void SetFileList(const TStrings* value);

private:
    std::unique_ptr<TStrings> FFileList;
    bool FSyncing = false;
};

// The files of a folder that match a wildcard mask, sorted case-insensitively in the
// user's locale.
class TFolderImagePack : public TFileImagePackBase
{
    VELMO_PERSISTENT(TFolderImagePack, TFileImagePackBase)
public:
    explicit TFolderImagePack(TComponent* owner = nullptr);

    const QString& FileMask() const { return FFileMask; }
    // "folder/*.jpg" (either separator): the folder's entries that match, without
    // folders and names beginning with "."; an empty mask empties the list.
    void SetFileMask(const QString& value);
    // Reads the folder again with the same mask.
    void Rescan();

protected:
    void Arrange(QStringList& files) const override;

private:
    QString FFileMask;
};

using TIPOnGetCount = std::function<void(TImagePack* sender, int& count)>;
using TIPOnGetImage = std::function<void(TImagePack* sender, TPictureEx& picture, int index)>;

class TCustomImagePack : public TCachedImagePack
{
    VELMO_PERSISTENT(TCustomImagePack, TCachedImagePack)
public:
    explicit TCustomImagePack(TComponent* owner = nullptr);

    TIPOnGetCount OnGetCount;
    TIPOnGetImage OnGetImage;

    int GetCount() const override;
    QRect GetImageRect(int index) const override;
    void LoadImage(TPictureEx& picture, int index) const override;
    // ClearCache, then Changed.
    void Refresh();
};

void RegisterImagePackClasses();

} // namespace velmo
