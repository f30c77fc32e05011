#include "imaging/UImagePack.h"

#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "imaging/UImageData.h"
#include "imaging/UImageDraw.h"
#include "imaging/UPictureFormats.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>

namespace velmo {

// ---------------------------------------------------------------------------------
// The error picture

QString ErrorPictureText()
{
    return QStringLiteral("イメージ処理\r\nエラー");
}

namespace {

QFont ScratchFont()
{
    // The default font of the toolkit: the application's when there is one.
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::font() : QFont();
}

QString QtLines(const QString& text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

QSize MeasuredTextExtent(const QString& text)
{
    QImage scratch(1, 1, QImage::Format_RGB32);
    const QFontMetrics metrics(ScratchFont(), &scratch);
    // Centred, unclipped, no prefix processing: what is measured is what is drawn.
    const QRect box =
        metrics.boundingRect(QRect(0, 0, 0, 0), Qt::AlignCenter | Qt::TextDontClip, QtLines(text));
    return box.size().expandedTo(QSize(1, 1));
}

void MakeTextPicture(TPictureEx& picture, const QString& text, TColor colour)
{
    const QSize size = MeasuredTextExtent(text);
    QImage pixels(size, QImage::Format_RGB32);
    pixels.fill(Qt::white);
    {
        QPainter painter(&pixels);
        painter.setFont(ScratchFont());
        painter.setPen(QColor::fromRgb(ColorToRgb(colour)));
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter | Qt::TextDontClip, QtLines(text));
    }
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(pixels.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
    picture.SetGraphic(std::move(bitmap));
}

const TPictureEx& ErrorPicture()
{
    // Made once, by whichever thread needs it first; read-only afterwards.
    static std::once_flag once;
    static TPictureEx* picture = nullptr;
    std::call_once(once, [] {
        static TPictureEx made;
        MakeTextPicture(made, ErrorPictureText(), 0x0000FF);
        picture = &made;
    });
    return *picture;
}

void SetPictureTransparency(TPictureEx& picture, TColor colour, bool transparent)
{
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
    if (!bitmap || bitmap->Transparent() == transparent)
        return;
    // The picture is not told: its handler comes back when this is done, also when
    // setting fails.
    struct Restore
    {
        TSafetyBitmap* b;
        std::function<void()> saved;
        ~Restore() { b->OnChange.swap(saved); }
    } restore{bitmap, {}};
    // Swapped, not assigned: a graphic's handler does not travel by copy.
    restore.saved.swap(bitmap->OnChange);
    bitmap->SetTransparentColor(colour);
    bitmap->SetTransparent(transparent);
}

QRect MatrixCellRect(int index, int countCol, int countRow, int width, int height)
{
    if (countCol <= 0 || countRow <= 0 || index < 0 || index >= countCol * countRow)
        return {};
    const int row = index / countCol;
    const int col = index % countCol;
    const int left = MulDiv(col, width, countCol);
    const int top = MulDiv(row, height, countRow);
    const int right = MulDiv(col + 1, width, countCol);
    const int bottom = MulDiv(row + 1, height, countRow);
    return QRect(left, top, right - left, bottom - top);
}

// ---------------------------------------------------------------------------------
// TImagePack

const TPropertyTable& TImagePack::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TImagePack::TImagePack(TComponent* owner)
    : TComponent(owner), FBroadcaster(std::make_unique<TBroadcaster>(this))
{
}

TImagePack::~TImagePack()
{
    // Listeners hear nkDestroying while the pack is still whole.
    FBroadcaster.reset();
}

void TImagePack::Changed()
{
    FBroadcaster->Notify(this, nkPackChanged);
    if (OnChange)
        OnChange(this);
}

void TImagePack::NotifyChanging()
{
    FBroadcaster->Notify(this, nkPackChanging);
}

void TImagePack::SetCount(int)
{
    throw EImagePack(QStringLiteral("Cannot set count of ImagePack"));
}

void TImagePack::SetImageRect(int, const QRect&)
{
    throw EImagePack(QStringLiteral("Cannot set ImageRect of ImagePack"));
}

void TImagePack::SetLeft(int index, int value)
{
    QRect r = GetImageRect(index);
    r.moveLeft(value);
    SetImageRect(index, r);
}

void TImagePack::SetTop(int index, int value)
{
    QRect r = GetImageRect(index);
    r.moveTop(value);
    SetImageRect(index, r);
}

void TImagePack::SetWidth(int index, int value)
{
    QRect r = GetImageRect(index);
    r.setWidth(value);
    SetImageRect(index, r);
}

void TImagePack::SetHeight(int index, int value)
{
    QRect r = GetImageRect(index);
    r.setHeight(value);
    SetImageRect(index, r);
}

void TImagePack::Draw(QPainter& painter, int x, int y, int index) const
{
    QRect r = GetImageRect(index);
    r.moveTo(x, y);
    StretchDraw(painter, r, index);
}

void TImagePack::StretchDraw(QPainter& painter, const QRect& rectangle, int index) const
{
    TPictureEx picture;
    GetImageSafe(picture, index);
    if (picture.HasGraphic())
        SafeStretchDraw(painter, rectangle, *picture.Graphic());
}

bool TImagePack::IsInvalid(int index) const
{
    return index < 0 || index >= GetCount();
}

bool TImagePack::GetImageSafe(TPictureEx& picture, int index) const
{
    try {
        GetImage(picture, index);
        return true;
    } catch (const std::exception&) {
        picture.Assign(ErrorPicture());
        return false;
    }
}

// ---------------------------------------------------------------------------------
// TMatrixImagePack

const TPropertyTable& TMatrixImagePack::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("ImageLoader", &TMatrixImagePack::ImageLoader, &TMatrixImagePack::SetImageLoader)
            .Object("Image", &TMatrixImagePack::Image, &TMatrixImagePack::SetImage)
            .Int("CountCol", &TMatrixImagePack::CountCol, &TMatrixImagePack::SetCountCol)
            .Default(1)
            .Int("CountRow", &TMatrixImagePack::CountRow, &TMatrixImagePack::SetCountRow)
            .Default(1);
    return table;
}

TMatrixImagePack::TMatrixImagePack(TComponent* owner)
    : TImagePack(owner), FImage(std::make_unique<TPictureEx>()),
      FLoader(std::make_unique<TResourceImageLoader>(FImage.get()))
{
    FImage->Notify().OnChange = [this] { Changed(); };
}

TMatrixImagePack::~TMatrixImagePack()
{
    FImage->Notify().OnChange = nullptr;
}

void TMatrixImagePack::SetImageLoader(const TResourceImageLoader* value)
{
    if (value)
        FLoader->Assign(*value);
}

void TMatrixImagePack::SetImage(const TPicture* value)
{
    if (value)
        FImage->Assign(*value);
    else
        FImage->Clear();
}

void TMatrixImagePack::SetCountCol(int value)
{
    value = std::max(1, value);
    if (value == FCountCol)
        return;
    FCountCol = value;
    Changed();
}

void TMatrixImagePack::SetCountRow(int value)
{
    value = std::max(1, value);
    if (value == FCountRow)
        return;
    FCountRow = value;
    Changed();
}

bool TMatrixImagePack::IsInvalid(int index) const
{
    return TImagePack::IsInvalid(index) || !FImage->HasGraphic();
}

QRect TMatrixImagePack::GetImageRect(int index) const
{
    if (IsInvalid(index))
        return {};
    return MatrixCellRect(index, FCountCol, FCountRow, FImage->Width(), FImage->Height());
}

void TMatrixImagePack::GetImage(TPictureEx& picture, int index) const
{
    picture.Clear();
    const QRect cell = GetImageRect(index);
    if (cell.isEmpty())
        return;
    const TGraphic* source = FImage->Graphic();
    if (FCountCol == 1 && FCountRow == 1) {
        picture.SetGraphic(source->Clone());
        return;
    }
    // A cell is a 24-bit bitmap of the cell's size (our screens are deeper than 8 bits).
    QImage whole;
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(source))
        whole = ConvertPixels(bitmap->Pixels(), bitmap->PixelFormat(), TPixelFormat::pf24bit);
    else
        whole = source->Image().convertToFormat(QImage::Format_BGR888);
    auto cellBitmap = std::make_unique<TAppBitmap>();
    cellBitmap->SetImage(whole.copy(cell).convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(source); bitmap && bitmap->Transparent()) {
        cellBitmap->SetTransparentColor(bitmap->TransparentColor());
        cellBitmap->SetTransparent(true);
    }
    picture.SetGraphic(std::move(cellBitmap));
}

void TMatrixImagePack::StretchDraw(QPainter& painter, const QRect& rectangle, int index) const
{
    const QRect cell = GetImageRect(index);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(FImage->Graphic());
    if (cell.isEmpty() || !bitmap || bitmap->Transparent()) {
        // Transparent bitmaps draw through their masks, which belong to the whole
        // picture: those go through a cell bitmap.
        TImagePack::StretchDraw(painter, rectangle, index);
        return;
    }
    if (rectangle.width() <= 0 || rectangle.height() <= 0)
        return;
    if (cell == QRect(0, 0, bitmap->Width(), bitmap->Height())) {
        SafeStretchDraw(painter, rectangle, *bitmap);
        return;
    }
    // Straight from the source bitmap's cell, without making a cell bitmap.
    LockCanvas(painter.device());
    LockGraphic(bitmap);
    struct Unlock
    {
        QPainter& p;
        const TGraphic* g;
        ~Unlock()
        {
            p.restore();
            UnlockGraphic(g);
            UnlockCanvas(p.device());
        }
    } unlock{painter, bitmap};
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    DrawSharedImage(painter, QRectF(rectangle), bitmap->Pixels(), QRectF(cell));
}

void TMatrixImagePack::Loaded()
{
    TImagePack::Loaded();
    FLoader->OwnerLoaded();
}

void TMatrixImagePack::LoadFrom(const QString& resFile, const QString& resType, const QString& resName,
                                int countCol, int countRow)
{
    SetCountCol(countCol);
    SetCountRow(countRow);
    FLoader->SetAutoLoad(true);
    FLoader->SetResFile(resFile);
    FLoader->SetResType(resType);
    FLoader->SetResName(resName);
    FLoader->OwnerLoaded();
}

// ---------------------------------------------------------------------------------
// TCachedImagePack

const TPropertyTable& TCachedImagePack::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TCachedImagePack::TCachedImagePack(TComponent* owner) : TImagePack(owner) {}

TCachedImagePack::~TCachedImagePack()
{
    FCache.clear();
}

void TCachedImagePack::SetCacheLimit(int value)
{
    value = std::clamp(value, MinCacheLimit, MaxCacheLimit);
    if (value == FCacheLimit)
        return;
    FCacheLimit = value;
    Trim();
}

void TCachedImagePack::Trim()
{
    const size_t excess = FCache.size() > size_t(FCacheLimit) ? FCache.size() - size_t(FCacheLimit) : 0;
    if (excess)
        FCache.erase(FCache.begin(), FCache.begin() + ptrdiff_t(excess));
}

void TCachedImagePack::ClearCache()
{
    // Most recently used first.
    while (!FCache.empty())
        FCache.pop_back();
}

TPictureEx* TCachedImagePack::GetCachedPicture(int index)
{
    for (auto it = FCache.rbegin(); it != FCache.rend(); ++it) {
        if (it->Index != index)
            continue;
        if (it != FCache.rbegin()) {
            TEntry hit = std::move(*it);
            FCache.erase(std::next(it).base());
            FCache.push_back(std::move(hit));
        }
        return FCache.back().Picture.get();
    }
    FCache.push_back({index, std::make_unique<TPictureEx>()});
    TPictureEx* made = FCache.back().Picture.get();
    Trim();
    return made;
}

void TCachedImagePack::StoreCachedPicture(const TPictureEx& picture, int index)
{
    GetCachedPicture(index)->Assign(picture);
}

std::vector<int> TCachedImagePack::CachedIndexes() const
{
    std::vector<int> result;
    for (const TEntry& e : FCache)
        result.push_back(e.Index);
    return result;
}

void TCachedImagePack::GetImage(TPictureEx& picture, int index) const
{
    picture.Clear();
    if (IsInvalid(index))
        return;
    TPictureEx* cached = const_cast<TCachedImagePack*>(this)->GetCachedPicture(index);
    if (!cached->HasGraphic()) {
        try {
            LoadImage(*cached, index);
        } catch (const std::exception&) {
            cached->Assign(ErrorPicture());
        }
    }
    if (cached->Graphic())
        picture.SetGraphic(cached->Graphic()->Clone());
}

// ---------------------------------------------------------------------------------
// File packs

const TPropertyTable& TFileImagePackBase::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TFileImagePackBase::TFileImagePackBase(TComponent* owner) : TCachedImagePack(owner) {}

TFileImagePackBase::~TFileImagePackBase() = default;

void TFileImagePackBase::BeginUpdate()
{
    ++FUpdateCount;
}

void TFileImagePackBase::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0 && FChangingSent) {
        FChangingSent = false;
        ClearCache();
        Changed();
    }
}

void TFileImagePackBase::BeforeChange()
{
    if (FChangingSent)
        return;
    FChangingSent = true;
    NotifyChanging();
}

void TFileImagePackBase::AfterChange()
{
    if (FUpdateCount == 0 && FChangingSent) {
        FChangingSent = false;
        ClearCache();
        Changed();
    }
}

void TFileImagePackBase::SetFiles(const QStringList& files)
{
    BeforeChange();
    FFiles = files;
    Arrange(FFiles);
    AfterChange();
}

void TFileImagePackBase::AddFile(const QString& fileName)
{
    BeforeChange();
    FFiles.append(fileName);
    Arrange(FFiles);
    AfterChange();
}

void TFileImagePackBase::ClearFiles()
{
    BeforeChange();
    FFiles.clear();
    AfterChange();
}

QRect TFileImagePackBase::GetImageRect(int index) const
{
    if (IsInvalid(index))
        return {};
    TPictureEx picture;
    GetImageSafe(picture, index);
    return QRect(0, 0, picture.Width(), picture.Height());
}

void TFileImagePackBase::LoadImage(TPictureEx& picture, int index) const
{
    if (index < 0 || index >= FFiles.size())
        throw EImagePack(QStringLiteral("List index out of bounds (%1)").arg(index));
    const QString fileName = FFiles.at(index);
    if (OnFileLoad) {
        try {
            OnFileLoad(const_cast<TFileImagePackBase*>(this), fileName, picture);
        } catch (const std::exception&) {
            picture.Assign(ErrorPicture());
        }
    }
    bool ownKey = false;
    if (!picture.HasGraphic()) {
        TLoadedPicture loaded = LoadPictureFile(fileName);
        picture.SetGraphic(std::move(loaded.Graphic));
        // A picture whose file carries transparency keeps it: its key colour is one
        // the picture does not otherwise hold.
        if (loaded.KeyColor != clNone) {
            if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic())) {
                bitmap->SetTransparentColor(loaded.KeyColor);
                bitmap->SetTransparent(true);
                ownKey = true;
            }
        }
    }
    if (!ownKey)
        SetPictureTransparency(picture, FTransparentColor, FTransparent);
    // The mask is built here, on the thread that loads, not when first drawn.
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic()); bitmap && bitmap->Transparent())
        bitmap->PrepareMask();
}

const TPropertyTable& TFileImagePack::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("FileList", &TFileImagePack::FileList, &TFileImagePack::SetFileList)
            .Int("CacheLimit", &TFileImagePack::CacheLimit, &TFileImagePack::SetCacheLimit)
            .Default(1);
    return table;
}

TFileImagePack::TFileImagePack(TComponent* owner)
    : TFileImagePackBase(owner), FFileList(std::make_unique<TStrings>())
{
    // The published list is how forms fill the pack; its lines are copied in.
    FFileList->OnChange = [this] {
        if (FSyncing)
            return;
        SetFiles(FFileList->Lines());
    };
}

TFileImagePack::~TFileImagePack()
{
    FFileList->OnChange = nullptr;
}

void TFileImagePack::SetFileList(const TStrings* value)
{
    SetFiles(value ? value->Lines() : QStringList());
    FSyncing = true;
    FFileList->SetLines(Files());
    FSyncing = false;
}

const TPropertyTable& TFolderImagePack::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("FileMask", &TFolderImagePack::FileMask, &TFolderImagePack::SetFileMask)
            .Int("CacheLimit", &TFolderImagePack::CacheLimit, &TFolderImagePack::SetCacheLimit)
            .Default(1);
    return table;
}

TFolderImagePack::TFolderImagePack(TComponent* owner) : TFileImagePackBase(owner) {}

void TFolderImagePack::Arrange(QStringList& files) const
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(files.begin(), files.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

void TFolderImagePack::SetFileMask(const QString& value)
{
    if (value == FFileMask)
        return;
    FFileMask = value;
    Rescan();
}

void TFolderImagePack::Rescan()
{
    QStringList found;
    if (!FFileMask.isEmpty()) {
        const QString mask = FFileMask;
        const qsizetype cut = std::max(mask.lastIndexOf(u'/'), mask.lastIndexOf(u'\\'));
        const QString folderPart = cut >= 0 ? mask.left(cut + 1) : QString();
        QString pattern = mask.mid(cut + 1);
        // "*.*" is every name, with or without a dot, as on the platform it comes from.
        if (pattern.endsWith(QStringLiteral("*.*")))
            pattern.chop(2);
        const QRegularExpression matcher(QRegularExpression::wildcardToRegularExpression(
                                             pattern, QRegularExpression::UnanchoredWildcardConversion),
                                         QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression anchored(QRegularExpression::anchoredPattern(matcher.pattern()),
                                          QRegularExpression::CaseInsensitiveOption);
        QString folder =
            folderPart.isEmpty() ? QStringLiteral(".") : QString(folderPart).replace(u'\\', u'/');
        QDir dir(folder);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            // Folders are not pictures; names beginning with "." are hidden entries.
            if (name.startsWith(u'.') || entry.isDir())
                continue;
            if (!anchored.match(name).hasMatch())
                continue;
            found.append(folderPart + name);
        }
    }
    BeginUpdate();
    struct End
    {
        TFileImagePackBase* p;
        ~End() { p->EndUpdate(); }
    } end{this};
    ClearFiles();
    if (!found.isEmpty())
        SetFiles(found);
}

// ---------------------------------------------------------------------------------
// TCustomImagePack

const TPropertyTable& TCustomImagePack::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("CacheLimit", &TCustomImagePack::CacheLimit, &TCustomImagePack::SetCacheLimit)
            .Default(1);
    return table;
}

TCustomImagePack::TCustomImagePack(TComponent* owner) : TCachedImagePack(owner) {}

int TCustomImagePack::GetCount() const
{
    int count = 0;
    if (OnGetCount)
        OnGetCount(const_cast<TCustomImagePack*>(this), count);
    return std::max(0, count);
}

QRect TCustomImagePack::GetImageRect(int index) const
{
    if (IsInvalid(index))
        return {};
    TPictureEx picture;
    GetImageSafe(picture, index);
    return QRect(0, 0, picture.Width(), picture.Height());
}

void TCustomImagePack::LoadImage(TPictureEx& picture, int index) const
{
    if (OnGetImage)
        OnGetImage(const_cast<TCustomImagePack*>(this), picture, index);
}

void TCustomImagePack::Refresh()
{
    ClearCache();
    Changed();
}

void RegisterImagePackClasses()
{
    RegisterClasses<TMatrixImagePack, TFileImagePack, TFolderImagePack, TCustomImagePack>();
}

} // namespace velmo
