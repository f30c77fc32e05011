#pragma once
// The thumbnail browser: one item per picture of a source pack, drawn as thumbnails
// with captions in rows centred in the list. Thumbnails are made on the image-load
// thread; until an item's thumbnail is ready it shows the placeholder picture, and a
// picture that does not load shows the error picture.
#include "base/UGraphics.h"
#include <QAbstractScrollArea>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

namespace velmo {

class TCustomImagePack;
class TImageLoadPump;
class TImageLoadThread;
class TImagePack;
class TListener;
class TPictureEx;

class TfrmImageBrowser : public QAbstractScrollArea
{
public:
    explicit TfrmImageBrowser(QWidget* parent = nullptr);
    // Stops the load thread before it is freed.
    ~TfrmImageBrowser() override;

    // Binds the pack (not owned), listens to it and gives it to the load thread. A
    // file or folder pack loads its files as thumbnails of this browser from now on.
    void SetSourcePack(TImagePack* pack);
    TImagePack* SourcePack() const { return FSource; }
    int ThumbnailSize() const { return FSize; }
    // Cancels the loads, empties the thumbnails, lays the items out again; the
    // thumbnail cache holds about 10 MB.
    void SetThumbnailSize(int s);
    TColor KeyColor() const { return FKeyColor; }
    void SetKeyColor(TColor colour);
    TColor BackgroundColor() const { return FBackground; }
    void SetBackgroundColor(TColor colour);

    // One item per picture of the source pack, "No.1", "No.2", ...
    void FillWithNumbers();
    // One item per name.
    void FillWithNames(const QStringList& names);
    int Count() const { return int(FCaptions.size()); }
    const QStringList& Captions() const { return FCaptions; }

    int SelectedIndex() const { return FSelected; }
    // Selects and scrolls to the item; an index out of range clears the selection.
    void Select(int index);
    // The file of the selected item when the source is a file pack.
    QString SelectedFileName() const;

    std::function<void()> DefaultAction; // double click, Enter
    std::function<void()> OnSelectionChange;

    TCustomImagePack* ThumbnailPack() const { return FThumbs.get(); }
    // Items whose thumbnail arrived (errors included) and of those the damaged ones.
    int ReadyCount() const { return FReady; }
    int FailedCount() const { return FFailed.load(); }
    bool IsReady(int index) const;
    // The item's rectangles in viewport coordinates (for tests and repainting).
    QRect ItemRect(int index) const;
    QRect IconRect(int index) const;
    int Columns() const { return FColumns; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void Relayout();
    void ResultArrived(TPictureEx& picture, int index);
    void PackChanging();
    void PackChanged();
    void ResetThumbnails();
    void LoadInWorker(const QString& fileName, TPictureEx& picture);
    int IndexAt(const QPoint& position) const;
    void Tick();
    const TPictureEx& PlaceholderThumbnail();

    TImagePack* FSource = nullptr;
    std::unique_ptr<TImageLoadThread> FThread;
    std::unique_ptr<TImageLoadPump> FPump;
    std::unique_ptr<TCustomImagePack> FThumbs;
    std::unique_ptr<TListener> FListener;
    std::unique_ptr<TPictureEx> FPlaceholder;
    QTimer FTicker;
    QStringList FCaptions;
    std::vector<bool> FHasThumb;
    int FReady = 0;
    std::atomic<int> FFailed{0};
    // Read by the worker while it loads; changed only while it sleeps (after Cancel).
    std::atomic<int> FSize{100};
    std::atomic<TColor> FKeyColor{clNone};
    std::atomic<TColor> FBackground{clWhite};
    int FSelected = -1;
    int FCellWidth = 0;
    int FCellHeight = 0;
    int FColumns = 1;
    int FLeftMargin = 0;
};

} // namespace velmo
