#include "pictures/FImageBrowser.h"
#include "draw/UNotify.h"
#include "imaging/UDIB.h"
#include "imaging/UImageData.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/USafetyBitmap.h"
#include "pictures/UPictureCollections.h"
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <qdrawutil.h>

namespace velmo {

namespace {

// Worker-made thumbnails carry these marks, so the browser does not reduce them again.
const QString kThumbMark = QStringLiteral("velmo:thumbnail");
const QString kThumbErrorMark = QStringLiteral("velmo:thumbnail-error");

void SetThumbnail(TPictureEx& picture, const QImage& image)
{
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(image.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
    picture.SetGraphic(std::move(bitmap));
}

constexpr int kIconBorder = 3; // the thumbnail sits this far inside the icon rectangle

} // namespace

TfrmImageBrowser::TfrmImageBrowser(QWidget* parent)
    : QAbstractScrollArea(parent), FThread(std::make_unique<TImageLoadThread>()),
      FThumbs(std::make_unique<TCustomImagePack>())
{
    setObjectName(QStringLiteral("frmImageBrowser"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(20);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    FThumbs->OnGetCount = [this](TImagePack*, int& count) { count = FSource ? FSource->GetCount() : 0; };
    FThumbs->OnGetImage = [this](TImagePack*, TPictureEx& picture, int index) {
        FThread->Request(index);
        if (!FTicker.isActive())
            FTicker.start();
        picture.Assign(PlaceholderThumbnail());
    };
    FThumbs->SetCacheLimit(ThumbnailCacheLimit(FSize));

    FListener = std::make_unique<TListener>([this](TComponent* sender, const TGUID& kind) {
        if (sender != FSource)
            return;
        if (kind == nkPackChanging)
            PackChanging();
        else if (kind == nkPackChanged)
            PackChanged();
        else if (kind == nkDestroying) {
            FThread->Cancel();
            FThread->SetSourcePack(nullptr);
            FSource = nullptr;
        }
    });
    // One result per 100 ms tick at least; while thumbnails are outstanding the ticker
    // takes what is ready every 10 ms, a bounded slice at a time, so the list stays
    // responsive and fills quickly.
    FPump = std::make_unique<TImageLoadPump>(
        *FThread, [this](TPictureEx& picture, int index) { ResultArrived(picture, index); });
    FTicker.setInterval(10);
    connect(&FTicker, &QTimer::timeout, this, [this] { Tick(); });
}

TfrmImageBrowser::~TfrmImageBrowser()
{
    FTicker.stop();
    FThread->Stop();
    FPump.reset();
    if (auto* files = dynamic_cast<TFileImagePackBase*>(FSource))
        files->OnFileLoad = nullptr;
    FListener.reset();
    FThread.reset();
}

void TfrmImageBrowser::SetSourcePack(TImagePack* pack)
{
    if (pack == FSource)
        return;
    FThread->Cancel();
    if (auto* old = dynamic_cast<TFileImagePackBase*>(FSource))
        old->OnFileLoad = nullptr;
    FListener->DetachAll();
    FSource = pack;
    if (pack) {
        FListener->ListenTo(&pack->Broadcaster());
        if (auto* files = dynamic_cast<TFileImagePackBase*>(pack))
            files->OnFileLoad = [this](TImagePack*, const QString& fileName, TPictureEx& picture) {
                LoadInWorker(fileName, picture);
            };
    }
    FThread->SetSourcePack(pack);
    ResetThumbnails();
}

void TfrmImageBrowser::LoadInWorker(const QString& fileName, TPictureEx& picture)
{
    // Runs on the image-load thread: the settings are read once, and change only while
    // the worker sleeps.
    bool failed = false;
    const QImage thumb =
        MakeFileThumbnail(fileName, FSize.load(), FKeyColor.load(), FBackground.load(), &failed);
    SetThumbnail(picture, thumb);
    picture.SetImageID(failed ? kThumbErrorMark : kThumbMark);
}

void TfrmImageBrowser::SetThumbnailSize(int s)
{
    s = std::clamp(s, 16, 1024);
    FThread->Cancel();
    FSize = s;
    FPlaceholder.reset();
    ResetThumbnails();
}

void TfrmImageBrowser::SetKeyColor(TColor colour)
{
    if (colour == FKeyColor.load())
        return;
    FThread->Cancel();
    FKeyColor = colour;
    ResetThumbnails();
}

void TfrmImageBrowser::SetBackgroundColor(TColor colour)
{
    if (colour == FBackground.load())
        return;
    FThread->Cancel();
    FBackground = colour;
    FPlaceholder.reset();
    ResetThumbnails();
}

void TfrmImageBrowser::ResetThumbnails()
{
    FThread->Cancel();
    FThumbs->SetCacheLimit(ThumbnailCacheLimit(FSize));
    FThumbs->Refresh();
    std::fill(FHasThumb.begin(), FHasThumb.end(), false);
    FReady = 0;
    FFailed = 0;
    Relayout();
}

void TfrmImageBrowser::PackChanging()
{
    FThread->Cancel();
}

void TfrmImageBrowser::PackChanged()
{
    FThread->Cancel();
    FThumbs->Refresh();
    std::fill(FHasThumb.begin(), FHasThumb.end(), false);
    FReady = 0;
    FFailed = 0;
    viewport()->update();
}

const TPictureEx& TfrmImageBrowser::PlaceholderThumbnail()
{
    if (!FPlaceholder) {
        FPlaceholder = std::make_unique<TPictureEx>();
        SetThumbnail(*FPlaceholder,
                     MakeThumbnail(PlaceholderPicture().Graphic()->Image(), FSize, clNone, clWhite));
    }
    return *FPlaceholder;
}

void TfrmImageBrowser::FillWithNumbers()
{
    QStringList captions;
    const int count = FSource ? FSource->GetCount() : 0;
    captions.reserve(count);
    for (int i = 0; i < count; ++i)
        captions << QStringLiteral("No.%1").arg(i + 1);
    FillWithNames(captions);
}

void TfrmImageBrowser::FillWithNames(const QStringList& names)
{
    FCaptions = names;
    FHasThumb.assign(names.size(), false);
    FReady = 0;
    FFailed = 0;
    if (FSelected >= Count())
        FSelected = -1;
    Relayout();
    if (OnSelectionChange)
        OnSelectionChange();
}

bool TfrmImageBrowser::IsReady(int index) const
{
    return index >= 0 && index < int(FHasThumb.size()) && FHasThumb[index];
}

void TfrmImageBrowser::Relayout()
{
    const int s = FSize;
    const int itemWidth = s + 2 * kIconBorder;
    const int itemHeight = s + 2 * kIconBorder + 2 + fontMetrics().height();
    FCellWidth = itemWidth + 10;
    FCellHeight = itemHeight + 10;
    const int width = viewport()->width();
    FColumns = std::max(1, width / FCellWidth);
    FLeftMargin = std::max(0, (width - FColumns * FCellWidth) / 2);
    const int rows = (Count() + FColumns - 1) / FColumns;
    verticalScrollBar()->setRange(0, std::max(0, rows * FCellHeight - viewport()->height()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
    verticalScrollBar()->setSingleStep(std::max(1, FCellHeight / 4));
    viewport()->update();
}

QRect TfrmImageBrowser::ItemRect(int index) const
{
    if (index < 0 || index >= Count())
        return QRect();
    const int row = index / FColumns, col = index % FColumns;
    return QRect(FLeftMargin + col * FCellWidth + 5, row * FCellHeight + 5 - verticalScrollBar()->value(),
                 FCellWidth - 10, FCellHeight - 10);
}

QRect TfrmImageBrowser::IconRect(int index) const
{
    const QRect item = ItemRect(index);
    if (item.isNull())
        return item;
    const int side = FSize + 2 * kIconBorder;
    return QRect(item.left() + (item.width() - side) / 2, item.top(), side, side);
}

int TfrmImageBrowser::IndexAt(const QPoint& position) const
{
    if (FCellWidth <= 0 || FCellHeight <= 0 || position.x() < FLeftMargin)
        return -1;
    const int col = (position.x() - FLeftMargin) / FCellWidth;
    if (col >= FColumns)
        return -1;
    const int row = (position.y() + verticalScrollBar()->value()) / FCellHeight;
    const int index = row * FColumns + col;
    if (index < 0 || index >= Count() || !ItemRect(index).contains(position))
        return -1;
    return index;
}

void TfrmImageBrowser::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().base());
    if (Count() == 0 || FCellHeight <= 0)
        return;
    const int top = verticalScrollBar()->value() + dirty.top();
    const int bottom = verticalScrollBar()->value() + dirty.bottom();
    const int firstRow = std::max(0, top / FCellHeight);
    const int lastRow = bottom / FCellHeight;
    const QColor background = QColor::fromRgb(ColorToRgb(FBackground));
    const QFontMetrics metrics = fontMetrics();
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int col = 0; col < FColumns; ++col) {
            const int i = row * FColumns + col;
            if (i >= Count())
                break;
            const QRect item = ItemRect(i);
            if (!item.adjusted(-3, -3, 3, 3).intersects(dirty))
                continue;
            const bool selected = i == FSelected;
            const QRect icon = IconRect(i);
            painter.fillRect(icon, background);
            qDrawShadePanel(&painter, icon, palette(), false, 1);
            TPictureEx thumb;
            FThumbs->GetImage(thumb, i);
            if (thumb.HasGraphic()) {
                const QImage image = thumb.Graphic()->Image();
                const QRect inner = icon.adjusted(kIconBorder, kIconBorder, -kIconBorder, -kIconBorder);
                const QRect target(inner.left() + (inner.width() - image.width()) / 2,
                                   inner.top() + (inner.height() - image.height()) / 2, image.width(),
                                   image.height());
                painter.drawImage(target, image);
            }
            const QRect captionRect(item.left(), icon.bottom() + 3, item.width(), metrics.height());
            const QString caption = CutCaption(FCaptions.at(i), FSize, [&metrics](const QString& t) {
                return metrics.horizontalAdvance(t);
            });
            if (selected) {
                QPen pen(palette().color(QPalette::Highlight), 3);
                pen.setJoinStyle(Qt::MiterJoin);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(item.adjusted(-2, -2, 1, 1));
                const int textWidth = metrics.horizontalAdvance(caption) + 6;
                const QRect textBack(captionRect.center().x() - textWidth / 2, captionRect.top(), textWidth,
                                     captionRect.height());
                painter.fillRect(textBack, palette().color(QPalette::Highlight));
                painter.setPen(palette().color(QPalette::HighlightedText));
            } else {
                painter.setPen(palette().color(QPalette::Text));
            }
            painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop, caption);
        }
    }
}

void TfrmImageBrowser::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
}

void TfrmImageBrowser::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TfrmImageBrowser::Select(int index)
{
    const int previous = FSelected;
    FSelected = index >= 0 && index < Count() ? index : -1;
    if (FSelected >= 0) {
        const QRect r = ItemRect(FSelected);
        QScrollBar* bar = verticalScrollBar();
        if (r.top() < 5)
            bar->setValue(bar->value() + r.top() - 5);
        else if (r.bottom() > viewport()->height() - 5)
            bar->setValue(bar->value() + r.bottom() - viewport()->height() + 5);
    }
    viewport()->update();
    if (previous != FSelected && OnSelectionChange)
        OnSelectionChange();
}

QString TfrmImageBrowser::SelectedFileName() const
{
    const auto* files = dynamic_cast<const TFileImagePackBase*>(FSource);
    if (!files || FSelected < 0 || FSelected >= files->Files().size())
        return QString();
    return files->Files().at(FSelected);
}

void TfrmImageBrowser::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (event->button() == Qt::LeftButton)
        Select(IndexAt(event->position().toPoint()));
}

void TfrmImageBrowser::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int index = IndexAt(event->position().toPoint());
    if (index < 0)
        return;
    Select(index);
    if (DefaultAction)
        DefaultAction();
}

void TfrmImageBrowser::keyPressEvent(QKeyEvent* event)
{
    if (Count() == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int rowsPerPage = std::max(1, viewport()->height() / std::max(1, FCellHeight));
    int index = FSelected < 0 ? 0 : FSelected;
    switch (event->key()) {
    case Qt::Key_Left:
        index -= 1;
        break;
    case Qt::Key_Right:
        index += 1;
        break;
    case Qt::Key_Up:
        index -= FColumns;
        break;
    case Qt::Key_Down:
        index += FColumns;
        break;
    case Qt::Key_PageUp:
        index -= FColumns * rowsPerPage;
        break;
    case Qt::Key_PageDown:
        index += FColumns * rowsPerPage;
        break;
    case Qt::Key_Home:
        index = 0;
        break;
    case Qt::Key_End:
        index = Count() - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FSelected >= 0 && DefaultAction)
            DefaultAction();
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    Select(std::clamp(index, 0, Count() - 1));
}

void TfrmImageBrowser::ResultArrived(TPictureEx& picture, int index)
{
    if (index < 0 || index >= Count())
        return;
    if (picture.ImageID() == kThumbErrorMark)
        ++FFailed;
    if (picture.ImageID() != kThumbMark && picture.ImageID() != kThumbErrorMark) {
        // A pack that hands over whole pictures: reduce here.
        const QImage full = picture.HasGraphic() ? picture.Graphic()->Image() : QImage();
        SetThumbnail(picture, MakeThumbnail(full, FSize, FKeyColor, FBackground));
    }
    FThumbs->StoreCachedPicture(picture, index);
    if (!FHasThumb[index]) {
        FHasThumb[index] = true;
        ++FReady;
    }
    const QRect r = ItemRect(index);
    if (r.intersects(viewport()->rect()))
        viewport()->update(r.adjusted(-3, -3, 3, 3));
}

void TfrmImageBrowser::Tick()
{
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < 12 && FPump->Idle()) {
    }
    if (FThread->RequestCount() == 0 && FThread->ResultCount() == 0 && FThread->IsSleeping())
        FTicker.stop();
}

} // namespace velmo
