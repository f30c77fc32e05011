// Image packs: matrix cells, the cache, file and folder packs, custom packs, the
// error picture, picture transparency, and the controls that show pack images.
#include "ImagingTestSupport.h"
#include "imaging/FImagePackControls.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

// A bitmap whose every pixel tells where it is: red = x, green = y.
QImage CoordinatePicture(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 0x40));
    return image;
}

std::unique_ptr<TAppBitmap> BitmapOf(const QImage& image)
{
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(image, TPixelFormat::pf24bit);
    return bitmap;
}

QByteArray BmpFile(const QImage& image)
{
    return BitmapOf(image)->FileBytes();
}

struct TKinds
{
    int Changing = 0;
    int Changed = 0;
    int Destroying = 0;
    std::vector<char> Order;
};

class ImagePack : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        RegisterPictureFormats();
    }
    // Listens to a pack and counts what it hears.
    void Watch(TImagePack& pack)
    {
        FListener.SetCallback([this](TComponent*, const TGUID& kind) {
            if (kind == nkPackChanging) {
                ++FKinds.Changing;
                FKinds.Order.push_back('-');
            } else if (kind == nkPackChanged) {
                ++FKinds.Changed;
                FKinds.Order.push_back('+');
            } else if (kind == nkDestroying) {
                ++FKinds.Destroying;
            }
        });
        FListener.ListenTo(&pack.Broadcaster());
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = FDir.filePath(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    QTemporaryDir FDir;
    TListener FListener;
    TKinds FKinds;
};

TEST_F(ImagePack, MatrixCellsOfThreeOverOneHundredPixels)
{
    EXPECT_EQ(MatrixCellRect(0, 3, 1, 100, 10), QRect(0, 0, 33, 10));
    EXPECT_EQ(MatrixCellRect(1, 3, 1, 100, 10), QRect(33, 0, 34, 10));
    EXPECT_EQ(MatrixCellRect(2, 3, 1, 100, 10), QRect(67, 0, 33, 10));
}

TEST_F(ImagePack, MatrixCellsTileWithoutGapsAndDifferByAtMostOnePixel)
{
    for (int size = 1; size <= 130; ++size)
        for (int count = 1; count <= 13; ++count) {
            int expectedLeft = 0;
            int smallest = size, largest = 0;
            for (int col = 0; col < count; ++col) {
                const QRect r = MatrixCellRect(col, count, 1, size, 7);
                ASSERT_EQ(r.x(), expectedLeft) << size << " / " << count << " cell " << col;
                expectedLeft = r.x() + r.width();
                smallest = std::min(smallest, r.width());
                largest = std::max(largest, r.width());
                // Rows are cut the same way.
                const QRect down = MatrixCellRect(col * 1, 1, count, 7, size);
                EXPECT_EQ(down.y(), r.x());
                EXPECT_EQ(down.height(), r.width());
            }
            EXPECT_EQ(expectedLeft, size);
            EXPECT_LE(largest - smallest, 1) << size << " / " << count;
        }
    // Row by row: index 5 of a 4 × 3 grid is row 1, column 1.
    EXPECT_EQ(MatrixCellRect(5, 4, 3, 40, 30), QRect(10, 10, 10, 10));
    EXPECT_TRUE(MatrixCellRect(12, 4, 3, 40, 30).isNull());
    EXPECT_TRUE(MatrixCellRect(-1, 4, 3, 40, 30).isNull());
}

TEST_F(ImagePack, AMatrixPackWithoutAPictureHasOnlyInvalidImages)
{
    TMatrixImagePack pack;
    pack.SetCountCol(3);
    pack.SetCountRow(2);
    EXPECT_EQ(pack.GetCount(), 6);
    for (int i = -1; i <= 6; ++i) {
        EXPECT_TRUE(pack.IsInvalid(i)) << i;
        EXPECT_TRUE(pack.GetImageRect(i).isEmpty());
    }
    TPictureEx picture;
    picture.SetGraphic(BitmapOf(CoordinatePicture(4, 4)));
    pack.GetImage(picture, 0);
    EXPECT_FALSE(picture.HasGraphic()); // emptied, and stays empty
    QImage canvas(20, 20, QImage::Format_RGB32);
    canvas.fill(Qt::cyan);
    const QImage before = canvas;
    {
        QPainter painter(&canvas);
        pack.StretchDraw(painter, QRect(0, 0, 20, 20), 0);
        pack.Draw(painter, 0, 0, 1);
    }
    EXPECT_EQ(canvas, before);
}

TEST_F(ImagePack, IndexesOutsideTheCountAreInvalid)
{
    TMatrixImagePack pack;
    pack.Image()->SetGraphic(BitmapOf(CoordinatePicture(30, 10)));
    pack.SetCountCol(3);
    EXPECT_TRUE(pack.IsInvalid(-1));
    EXPECT_TRUE(pack.IsInvalid(pack.GetCount()));
    EXPECT_FALSE(pack.IsInvalid(0));
    EXPECT_FALSE(pack.IsInvalid(2));
    TPictureEx picture;
    pack.GetImage(picture, 3);
    EXPECT_FALSE(picture.HasGraphic());
}

TEST_F(ImagePack, CellsAreBitmapsOfTheCellAndOneByOneKeepsTheGraphicClass)
{
    const QImage source = CoordinatePicture(50, 30);
    const QByteArray jpeg = EncodeJPEG(source, 95);

    TMatrixImagePack whole;
    whole.Image()->EnsureJPEG()->SetFileBytes(jpeg);
    TPictureEx picture;
    whole.GetImage(picture, 0);
    ASSERT_TRUE(picture.HasGraphic());
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Graphic()->FileBytes(), jpeg);

    TMatrixImagePack grid;
    grid.Image()->EnsureJPEG()->SetFileBytes(jpeg);
    grid.SetCountCol(2);
    grid.SetCountRow(2);
    grid.GetImage(picture, 3);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 25);
    EXPECT_EQ(bitmap->Height(), 15);

    // A bitmap source: the cell holds exactly the source's pixels of the cell.
    TMatrixImagePack exact;
    exact.Image()->SetGraphic(BitmapOf(source));
    exact.SetCountCol(3);
    exact.SetCountRow(2);
    exact.GetImage(picture, 4); // row 1, column 1
    bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    const QRect cell = exact.GetImageRect(4);
    EXPECT_EQ(cell, QRect(17, 15, 16, 15));
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            ASSERT_EQ(PixelColor(bitmap->Pixels(), x, y) & 0xFFFFFF,
                      source.pixel(cell.x() + x, cell.y() + y) & 0xFFFFFF);
}

TEST_F(ImagePack, MatrixCellsAreDrawnStraightFromTheSource)
{
    const QImage source = CoordinatePicture(60, 20);
    TMatrixImagePack pack;
    pack.Image()->SetGraphic(BitmapOf(source));
    pack.SetCountCol(3);
    QImage canvas(40, 40, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        pack.Draw(painter, 5, 7, 1);                      // natural size: 20 × 20 at (5, 7)
        pack.StretchDraw(painter, QRect(0, 0, 0, 10), 2); // zero width: nothing
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(canvas.pixel(5 + x, 7 + y) & 0xFFFFFF, source.pixel(20 + x, y) & 0xFFFFFF)
                << x << "," << y;
    EXPECT_EQ(canvas.pixel(4, 7) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(25, 7) & 0xFFFFFF, 0xFFFFFFu);
    // Doubled: each source pixel covers 2 × 2.
    QImage big(40, 40, QImage::Format_RGB32);
    {
        QPainter painter(&big);
        pack.StretchDraw(painter, QRect(0, 0, 40, 40), 0);
    }
    EXPECT_EQ(big.pixel(7, 9) & 0xFFFFFF, source.pixel(3, 4) & 0xFFFFFF);
}

TEST_F(ImagePack, CountsAndRectanglesCannotBeSet)
{
    TMatrixImagePack pack;
    pack.Image()->SetGraphic(BitmapOf(CoordinatePicture(10, 10)));
    try {
        pack.SetCount(4);
        FAIL();
    } catch (const EImagePack& e) {
        EXPECT_EQ(e.Message(), "Cannot set count of ImagePack");
    }
    for (auto set :
         {&TImagePack::SetLeft, &TImagePack::SetTop, &TImagePack::SetWidth, &TImagePack::SetHeight}) {
        try {
            (pack.*set)(0, 3);
            FAIL();
        } catch (const EImagePack& e) {
            EXPECT_EQ(e.Message(), "Cannot set ImageRect of ImagePack");
        }
    }
    EXPECT_EQ(pack.GetWidth(0), 10);
    EXPECT_EQ(pack.GetLeft(0), 0);
}

TEST_F(ImagePack, MatrixPacksAnnounceTheirChanges)
{
    TMatrixImagePack pack;
    Watch(pack);
    int onChange = 0;
    pack.OnChange = [&onChange](TImagePack*) { ++onChange; };
    pack.SetCountCol(4);
    pack.SetCountCol(4); // unchanged: nothing
    pack.SetCountRow(2);
    EXPECT_EQ(FKinds.Changed, 2);
    EXPECT_EQ(onChange, 2);
    pack.Image()->SetGraphic(BitmapOf(CoordinatePicture(8, 8)));
    EXPECT_GE(FKinds.Changed, 3);
    EXPECT_EQ(FKinds.Changing, 0);
}

TEST_F(ImagePack, MatrixPacksLoadTheirResource)
{
    const QImage strip = CoordinatePicture(90, 16);
    TAppBitmap bitmap;
    bitmap.SetImage(strip, TPixelFormat::pf24bit);
    const QByteArray file = WriteResourceFile(
        {{TResourceId::FromOrdinal(RT_BITMAP), TResourceId::FromString("STRIP"), BitmapResourceData(bitmap)},
         {TResourceId::FromString("CBM"), TResourceId::FromString("BIG"),
          CompressedBitmapResourceData(bitmap)}});
    Write("Pack.res", file);
    SetApplicationDirectory(FDir.path());
    struct Reset
    {
        ~Reset() { SetApplicationDirectory({}); }
    } reset;

    TMatrixImagePack pack;
    pack.LoadFrom("Pack.res", "RT_BITMAP", "STRIP", 9, 1);
    ASSERT_FALSE(pack.IsInvalid(8));
    EXPECT_EQ(pack.GetImageRect(8), QRect(80, 0, 10, 16));
    TPictureEx cell;
    pack.GetImage(cell, 2);
    auto* b = dynamic_cast<TSafetyBitmap*>(cell.Graphic());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(PixelColor(b->Pixels(), 3, 5) & 0xFFFFFF, strip.pixel(23, 5) & 0xFFFFFF);
    // A resource picture is not stored with its owner.
    EXPECT_TRUE(pack.Image()->DataNotStored());

    TMatrixImagePack compressed;
    compressed.LoadFrom("Pack.res", "CBM", "BIG", 1, 1);
    EXPECT_EQ(compressed.GetImageRect(0), QRect(0, 0, 90, 16));

    TMatrixImagePack missing;
    try {
        missing.LoadFrom("Pack.res", "RT_BITMAP", "NOTHERE", 1, 1);
        FAIL();
    } catch (const EResourceError& e) {
        EXPECT_EQ(e.Message(), "NOTHERE リソースが見つかりません");
    }
    EXPECT_TRUE(missing.IsInvalid(0));
}

TEST_F(ImagePack, ResourceFilesAreFoundThroughTheResolver)
{
    TAppBitmap bitmap;
    bitmap.SetImage(CoordinatePicture(12, 6), TPixelFormat::pf24bit);
    const QString installed =
        Write("share/Images.res",
              WriteResourceFile({{TResourceId::FromOrdinal(RT_BITMAP), TResourceId::FromString("MARK"),
                                  BitmapResourceData(bitmap)}}));
    SetApplicationDirectory(FDir.filePath("bin")); // nothing there
    QStringList asked;
    SetResourceFileResolver([&](const QString& resFile) {
        asked.append(resFile);
        return resFile == u"Images.res" ? installed : QString();
    });
    struct Reset
    {
        ~Reset()
        {
            SetResourceFileResolver({});
            SetApplicationDirectory({});
        }
    } reset;
    TMatrixImagePack pack;
    pack.LoadFrom("Images.res", "RT_BITMAP", "MARK", 1, 1);
    EXPECT_EQ(pack.GetImageRect(0), QRect(0, 0, 12, 6));
    EXPECT_EQ(asked, QStringList{"Images.res"});
    // What the resolver does not find is looked for beside the application.
    EXPECT_EQ(ResolveResourceFile("Other.res"), QDir(FDir.filePath("bin")).filePath("Other.res"));
    TMatrixImagePack other;
    EXPECT_THROW(other.LoadFrom("Other.res", "RT_BITMAP", "MARK", 1, 1), EResourceError);
}

TEST_F(ImagePack, MatrixPacksLoadAfterTheirFormIsRead)
{
    TAppBitmap bitmap;
    bitmap.SetImage(CoordinatePicture(20, 10), TPixelFormat::pf24bit);
    Write("Form.res", WriteResourceFile({{TResourceId::FromOrdinal(RT_BITMAP),
                                          TResourceId::FromString("CHECK"), BitmapResourceData(bitmap)}}));
    SetApplicationDirectory(FDir.path());
    struct Reset
    {
        ~Reset() { SetApplicationDirectory({}); }
    } reset;
    TMatrixImagePack pack;
    pack.ImageLoader()->SetResFile("Form.res");
    pack.ImageLoader()->SetResType("RT_BITMAP");
    pack.ImageLoader()->SetResName("CHECK");
    pack.SetCountCol(2);
    EXPECT_TRUE(pack.IsInvalid(0)); // nothing before the form has been read
    pack.Loaded();
    EXPECT_EQ(pack.GetImageRect(1), QRect(10, 0, 10, 10));

    TMatrixImagePack later;
    later.ImageLoader()->SetAutoLoad(false);
    later.ImageLoader()->SetResFile("Form.res");
    later.ImageLoader()->SetResType("RT_BITMAP");
    later.ImageLoader()->SetResName("CHECK");
    later.Loaded();
    EXPECT_TRUE(later.IsInvalid(0)); // AutoLoad False: its owner loads it
}

// A custom pack that counts its loads.
class CountingPack
{
public:
    CountingPack(int count, int cacheLimit)
    {
        Pack.SetCacheLimit(cacheLimit);
        Pack.OnGetCount = [count](TImagePack*, int& n) { n = count; };
        Pack.OnGetImage = [this](TImagePack*, TPictureEx& picture, int index) {
            ++Loads[index];
            if (index == FailAt)
                throw EImagePack(QStringLiteral("cannot"));
            picture.SetGraphic(BitmapOf(CoordinatePicture(10 + index, 5)));
        };
    }
    TCustomImagePack Pack;
    std::map<int, int> Loads;
    int FailAt = -1;
};

TEST_F(ImagePack, ACacheOfOneLoadsAgainAfterAnotherImage)
{
    CountingPack c(5, 1);
    TPictureEx picture;
    c.Pack.GetImage(picture, 0);
    c.Pack.GetImage(picture, 1);
    c.Pack.GetImage(picture, 0);
    EXPECT_EQ(c.Loads[0], 2);
    EXPECT_EQ(c.Loads[1], 1);
    EXPECT_EQ(picture.Width(), 10);
}

TEST_F(ImagePack, ACachedImageLoadsOnce)
{
    CountingPack c(5, 4);
    TPictureEx a, b;
    c.Pack.GetImage(a, 3);
    c.Pack.GetImage(b, 3);
    EXPECT_EQ(c.Loads[3], 1);
    EXPECT_EQ(b.Width(), 13);
    // Measuring goes through the cache as well.
    EXPECT_EQ(c.Pack.GetImageRect(3), QRect(0, 0, 13, 5));
    EXPECT_EQ(c.Loads[3], 1);
}

TEST_F(ImagePack, TheCacheTrimsTheLeastRecentlyUsedFirst)
{
    CountingPack c(10, 3);
    TPictureEx p;
    for (int i : {0, 1, 2, 0, 3})
        c.Pack.GetImage(p, i);
    // 1 was used least recently when 3 came in.
    EXPECT_EQ(c.Pack.CachedIndexes(), (std::vector<int>{2, 0, 3}));
    c.Pack.SetCacheLimit(2);
    EXPECT_EQ(c.Pack.CachedIndexes(), (std::vector<int>{0, 3}));
    c.Pack.SetCacheLimit(0); // below the range: one
    EXPECT_EQ(c.Pack.CacheLimit(), 1);
    EXPECT_EQ(c.Pack.CachedIndexes(), (std::vector<int>{3}));
    c.Pack.SetCacheLimit(100000);
    EXPECT_EQ(c.Pack.CacheLimit(), 65535);
    c.Pack.ClearCache();
    EXPECT_EQ(c.Pack.CachedCount(), 0);
}

TEST_F(ImagePack, StoredPicturesAreWhatTheCacheHandsOut)
{
    CountingPack c(4, 10);
    TPictureEx thumbnail;
    thumbnail.SetGraphic(BitmapOf(CoordinatePicture(7, 7)));
    c.Pack.StoreCachedPicture(thumbnail, 2);
    TPictureEx out;
    c.Pack.GetImage(out, 2);
    EXPECT_EQ(out.Width(), 7);
    EXPECT_EQ(c.Loads[2], 0);
    int changed = 0;
    c.Pack.OnChange = [&changed](TImagePack*) { ++changed; };
    c.Pack.Refresh();
    EXPECT_EQ(changed, 1);
    c.Pack.GetImage(out, 2);
    EXPECT_EQ(out.Width(), 12);
    EXPECT_EQ(c.Loads[2], 1);
}

TEST_F(ImagePack, AFailingImageIsTheErrorPictureUntilTheCacheIsCleared)
{
    CountingPack c(4, 10);
    c.FailAt = 1;
    TPictureEx picture;
    EXPECT_TRUE(c.Pack.GetImageSafe(picture, 1));
    const QSize error = MeasuredTextExtent(ErrorPictureText());
    EXPECT_EQ(QSize(picture.Width(), picture.Height()), error);
    c.Pack.GetImage(picture, 1);
    EXPECT_EQ(c.Loads[1], 1); // the error picture is what is cached
    EXPECT_EQ(c.Pack.GetImageRect(1), QRect(QPoint(0, 0), error));
    c.Pack.ClearCache();
    c.FailAt = -1;
    c.Pack.GetImage(picture, 1);
    EXPECT_EQ(picture.Width(), 11);
}

TEST_F(ImagePack, GetImageSafeGivesTheErrorPictureForARaisingPack)
{
    // A matrix pack whose graphic decodes to nothing cannot raise; a pack that raises
    // from GetImage is made here.
    class Raising : public TCustomImagePack
    {
    public:
        void GetImage(TPictureEx&, int) const override { throw EImagePack(QStringLiteral("no")); }
    } pack;
    TPictureEx picture;
    EXPECT_FALSE(pack.GetImageSafe(picture, 0));
    EXPECT_EQ(picture.Width(), ErrorPicture().Width());
}

TEST_F(ImagePack, TheErrorPictureIsTheRedTextOnWhite)
{
    const TPictureEx& error = ErrorPicture();
    EXPECT_EQ(ErrorPictureText(), QStringLiteral("イメージ処理\r\nエラー"));
    const QSize extent = MeasuredTextExtent(ErrorPictureText());
    EXPECT_EQ(error.Width(), extent.width());
    EXPECT_EQ(error.Height(), extent.height());
    // Two lines: taller than one.
    EXPECT_GT(extent.height(), MeasuredTextExtent(QStringLiteral("エラー")).height());
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(error.Graphic());
    ASSERT_NE(bitmap, nullptr);
    int red = 0, white = 0, other = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) {
            const QRgb c = PixelColor(bitmap->Pixels(), x, y);
            if ((c & 0xFFFFFF) == 0xFFFFFF)
                ++white;
            else if (qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60)
                ++red;
            else if (qRed(c) < qGreen(c) || qRed(c) < qBlue(c) || qGreen(c) != qBlue(c))
                ++other; // anything that is neither white, red nor their blend
        }
    EXPECT_GT(red, 30);
    EXPECT_GT(white, red);
    EXPECT_EQ(other, 0);
}

TEST_F(ImagePack, AFilePackShowsTheErrorPictureForDamagedFilesOnly)
{
    const QImage good = CoordinatePicture(21, 13);
    QByteArray damaged = BmpFile(good);
    damaged[0] = 'X'; // no longer "BM"
    const QStringList files = {
        Write("a.bmp", BmpFile(good)),        Write("b.bmp", damaged),
        Write("c.jpg", EncodeJPEG(good, 90)), Write("d.jpg", QByteArray("\xFF\xD8 cut", 6)),
        FDir.filePath("missing.bmp"),         Write("e.png", QByteArray("not a png"))};
    TFileImagePack pack;
    pack.SetCacheLimit(20);
    pack.SetFiles(files);
    ASSERT_EQ(pack.GetCount(), 6);
    const QSize error = MeasuredTextExtent(ErrorPictureText());
    for (int i = 0; i < pack.GetCount(); ++i) {
        TPictureEx picture;
        pack.GetImageSafe(picture, i);
        const QSize size(picture.Width(), picture.Height());
        if (i == 0 || i == 2)
            EXPECT_EQ(size, QSize(21, 13)) << i;
        else
            EXPECT_EQ(size, error) << i;
    }
    TPictureEx jpeg;
    pack.GetImage(jpeg, 2);
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(jpeg.Graphic()), nullptr);
}

TEST_F(ImagePack, FilePacksLetTheirOwnerLoadAndApplyTransparency)
{
    const QString a = Write("a.bmp", BmpFile(CoordinatePicture(6, 6)));
    TFileImagePack pack;
    pack.SetCacheLimit(5);
    pack.SetFiles({a, QStringLiteral("owner:thumb"), QStringLiteral("owner:fail")});
    pack.OnFileLoad = [](TImagePack*, const QString& name, TPictureEx& picture) {
        if (name == u"owner:thumb")
            picture.SetGraphic(BitmapOf(CoordinatePicture(3, 2)));
        else if (name == u"owner:fail")
            throw EImagePack(QStringLiteral("no"));
    };
    pack.SetTransparent(true);
    TPictureEx picture;
    pack.GetImage(picture, 1);
    EXPECT_EQ(picture.Width(), 3);
    pack.GetImage(picture, 2);
    EXPECT_EQ(picture.Width(), ErrorPicture().Width());
    pack.GetImage(picture, 0);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_TRUE(bitmap->Transparent());
    EXPECT_EQ(bitmap->TransparentColor(), 0xF0F0F0);
}

TEST_F(ImagePack, FileListChangesAreAnnouncedOnceAroundTheChange)
{
    TFileImagePack pack;
    Watch(pack);
    pack.SetFiles({"x.bmp", "y.bmp"});
    EXPECT_EQ(FKinds.Order, (std::vector<char>{'-', '+'}));
    FKinds = {};
    pack.BeginUpdate();
    pack.AddFile("z.bmp");
    pack.AddFile("w.bmp");
    pack.ClearFiles();
    pack.AddFile("v.bmp");
    EXPECT_EQ(FKinds.Order, (std::vector<char>{'-'}));
    pack.EndUpdate();
    EXPECT_EQ(FKinds.Order, (std::vector<char>{'-', '+'}));
    EXPECT_EQ(pack.Files(), QStringList{"v.bmp"});
    // The published list copies its lines in.
    TStrings lines;
    lines.SetLines({"p.bmp", "q.bmp"});
    pack.SetFileList(&lines);
    EXPECT_EQ(pack.GetCount(), 2);
    EXPECT_EQ(pack.FileList()->Lines(), (QStringList{"p.bmp", "q.bmp"}));
}

TEST_F(ImagePack, FolderPacksListFilesOnlyInCaseInsensitiveOrder)
{
    Write("b.bmp", "1");
    Write("A.bmp", "1");
    Write("c.BMP", "1");
    Write("noext", "1");
    Write(".hidden.bmp", "1");
    Write("d.jpg", "1");
    ASSERT_TRUE(QDir(FDir.path()).mkdir("sub.bmp"));
    TFolderImagePack pack;
    Watch(pack);
    pack.SetFileMask(FDir.path() + "/*.*");
    EXPECT_EQ(FKinds.Changing, 1);
    EXPECT_EQ(FKinds.Changed, 1);
    const QString d = FDir.path() + "/";
    EXPECT_EQ(pack.Files(), (QStringList{d + "A.bmp", d + "b.bmp", d + "c.BMP", d + "d.jpg", d + "noext"}));
    FKinds = {};
    pack.SetFileMask(FDir.path() + "/*.bmp");
    EXPECT_EQ(FKinds.Order, (std::vector<char>{'-', '+'}));
    EXPECT_EQ(pack.Files(), (QStringList{d + "A.bmp", d + "b.bmp", d + "c.BMP"}));
    pack.SetFileMask(FDir.path() + "/*.bmp"); // unchanged: nothing
    EXPECT_EQ(FKinds.Changed, 1);
    // The platform's separator works as well; the list keeps the mask's folder part.
    pack.SetFileMask(QDir::toNativeSeparators(FDir.path()).replace(u'/', u'\\') + "\\?.jpg");
    ASSERT_EQ(pack.GetCount(), 1);
    EXPECT_TRUE(pack.Files()[0].endsWith("\\d.jpg"));
    pack.SetFileMask(QString());
    EXPECT_EQ(pack.GetCount(), 0);
    pack.SetFileMask(FDir.path() + "/nowhere/*.*");
    EXPECT_EQ(pack.GetCount(), 0);
}

TEST_F(ImagePack, DestroyingAPackTellsItsListeners)
{
    auto pack = std::make_unique<TCustomImagePack>();
    Watch(*pack);
    pack.reset();
    EXPECT_EQ(FKinds.Destroying, 1);
    EXPECT_EQ(FListener.BroadcasterCount(), 0);
}

TEST_F(ImagePack, PictureTransparencyChangesOnlyADifferentFlag)
{
    TPictureEx picture;
    picture.SetGraphic(BitmapOf(CoordinatePicture(4, 4)));
    int changes = 0;
    picture.Notify().OnChange = [&changes] { ++changes; };
    SetPictureTransparency(picture, 0x00FF00, true);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
    EXPECT_TRUE(bitmap->Transparent());
    EXPECT_EQ(bitmap->TransparentColor(), 0x00FF00);
    EXPECT_EQ(changes, 0);                           // the picture was not told
    SetPictureTransparency(picture, 0x0000FF, true); // already transparent
    EXPECT_EQ(bitmap->TransparentColor(), 0x00FF00);
    SetPictureTransparency(picture, 0x0000FF, false);
    EXPECT_FALSE(bitmap->Transparent());
    // The picture hears its graphic again afterwards.
    bitmap->SetTransparent(true);
    EXPECT_EQ(changes, 1);
    // Graphics without the flag are left alone.
    TPictureEx jpeg;
    jpeg.EnsureJPEG()->SetFileBytes(EncodeJPEG(CoordinatePicture(8, 8)));
    SetPictureTransparency(jpeg, 0xFFFFFF, true);
    TPictureEx empty;
    SetPictureTransparency(empty, 0xFFFFFF, true);
    EXPECT_FALSE(empty.HasGraphic());
}

// ---------------------------------------------------------------------------------
// Controls

QImage Grab(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

TEST_F(ImagePack, FillImagesTileTheirImageAndFillInvalidOnesWithTheBrush)
{
    const QImage tile = CoordinatePicture(16, 12);
    TMatrixImagePack pack;
    pack.Image()->SetGraphic(BitmapOf(tile));
    TFillImage fill;
    fill.resize(40, 30);
    QPalette palette = fill.palette();
    palette.setColor(fill.backgroundRole(), QColor(0x12, 0x34, 0x56));
    fill.setPalette(palette);
    QImage shot = Grab(fill);
    EXPECT_EQ(shot.pixel(20, 20) & 0xFFFFFF, 0x123456u); // no pack: the brush

    fill.SetImagePack(&pack);
    shot = Grab(fill);
    EXPECT_EQ(fill.LastTileCount(), 3 * 3);
    for (int y = 0; y < 30; y += 5)
        for (int x = 0; x < 40; x += 3)
            ASSERT_EQ(shot.pixel(x, y) & 0xFFFFFF, tile.pixel(x % 16, y % 12) & 0xFFFFFF) << x << "," << y;

    fill.SetImageIndex(5); // invalid: the brush
    shot = Grab(fill);
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0x123456u);

    // An image of width 0 draws nothing at all.
    TCustomImagePack empty;
    empty.OnGetCount = [](TImagePack*, int& n) { n = 1; };
    empty.OnGetImage = [](TImagePack*, TPictureEx&, int) {};
    fill.SetImagePack(&empty);
    fill.SetImageIndex(0);
    shot = Grab(fill);
    EXPECT_EQ(fill.LastTileCount(), 0);
}

TEST_F(ImagePack, ImageControlsFollowTheirPack)
{
    auto pack = std::make_unique<TMatrixImagePack>();
    pack->Image()->SetGraphic(BitmapOf(CoordinatePicture(40, 20)));
    pack->SetCountCol(2);
    TImageEx image;
    image.resize(100, 100);
    image.SetLoading(true);
    image.SetImagePack(pack.get());
    image.SetAutoSize(true);
    EXPECT_EQ(image.size(), QSize(100, 100)); // not while its form is read
    image.SetLoading(false);
    image.SetImageIndex(1);
    EXPECT_EQ(image.size(), QSize(20, 20));
    pack->SetCountCol(4); // the pack changes: the control follows
    EXPECT_EQ(image.size(), QSize(10, 20));
    pack.reset(); // the control lets go of a pack that goes away
    EXPECT_EQ(image.ImagePack(), nullptr);
    (void)Grab(image);
}

TEST_F(ImagePack, ImagesKeepTheirProportionsCentred)
{
    EXPECT_EQ(TImageEx::FitRect(QRect(0, 0, 100, 50), 40, 20, true), QRect(0, 0, 100, 50));
    EXPECT_EQ(TImageEx::FitRect(QRect(0, 0, 100, 100), 40, 20, true), QRect(0, 25, 100, 50));
    EXPECT_EQ(TImageEx::FitRect(QRect(0, 0, 100, 100), 20, 40, true), QRect(25, 0, 50, 100));
    EXPECT_EQ(TImageEx::FitRect(QRect(0, 0, 100, 100), 20, 40, false), QRect(0, 0, 100, 100));

    const QImage source = CoordinatePicture(20, 10);
    TMatrixImagePack pack;
    pack.Image()->SetGraphic(BitmapOf(source));
    TImageEx image;
    image.resize(40, 40);
    QPalette palette = image.palette();
    palette.setColor(image.backgroundRole(), QColor(0, 0, 0xFF));
    image.setPalette(palette);
    image.SetImagePack(&pack);
    const QImage shot = Grab(image);
    EXPECT_EQ(shot.pixel(10, 5) & 0xFFFFFF, 0x0000FFu);                     // above the image: brush
    EXPECT_EQ(shot.pixel(4, 12) & 0xFFFFFF, source.pixel(2, 1) & 0xFFFFFF); // image at 2×
    EXPECT_EQ(shot.pixel(10, 35) & 0xFFFFFF, 0x0000FFu);
}

} // namespace
} // namespace velmo::test
