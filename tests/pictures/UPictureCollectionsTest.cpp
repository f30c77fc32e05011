#include "pictures/UPictureCollections.h"
#include "base/UCodePage932.h"
#include "imaging/UDIB.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::WriteFileBytes;

namespace {

void Touch(const QString& path, const QByteArray& bytes = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Sjis(const QString& text)
{
    return cp932::Encode(text);
}

// Independent formulation of the box filter: every source pixel is added to the
// thumbnail cell it falls in (the cell of column sx is ceil((sx + 1)·w / W) − 1).
QImage ReferenceReduce(const QImage& source, QSize size)
{
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    const int W = src.width(), H = src.height(), w = size.width(), h = size.height();
    std::vector<quint64> r(w * h), g(w * h), b(w * h), n(w * h);
    auto cell = [](int s, int big, int small) { return int((qint64(s + 1) * small + big - 1) / big) - 1; };
    for (int sy = 0; sy < H; ++sy)
        for (int sx = 0; sx < W; ++sx) {
            const int k = cell(sy, H, h) * w + cell(sx, W, w);
            const QRgb p = src.pixel(sx, sy);
            r[k] += qRed(p);
            g[k] += qGreen(p);
            b[k] += qBlue(p);
            ++n[k];
        }
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int k = y * w + x;
            out.setPixel(x, y, qRgb(int(r[k] / n[k]), int(g[k] / n[k]), int(b[k] / n[k])));
        }
    return out;
}

QImage Noise(int w, int h, quint32 seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    quint32 v = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            v = v * 1664525u + 1013904223u;
            image.setPixel(x, y, qRgb(v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF));
        }
    return image;
}

} // namespace

TEST(PictureThumbnails, FittedSizesRoundHalvesAwayFromZero)
{
    EXPECT_EQ(ThumbnailSize(400, 300, 100), QSize(98, 74)); // 73.5 rounds up
    EXPECT_EQ(ThumbnailSize(300, 400, 100), QSize(69, 92));
    EXPECT_EQ(ThumbnailSize(100, 100, 100), QSize(92, 92));
    EXPECT_EQ(ThumbnailSize(1000, 10, 50), QSize(48, 1)); // never a zero-height line
    EXPECT_TRUE(ThumbnailSize(0, 10, 100).isEmpty());
    EXPECT_TRUE(ThumbnailSize(10, 10, 8).isEmpty());
}

TEST(PictureThumbnails, CacheLimitIsAboutTenMegabytes)
{
    EXPECT_EQ(ThumbnailCacheLimit(150), 155);
    EXPECT_EQ(ThumbnailCacheLimit(100), 349);
    EXPECT_EQ(ThumbnailCacheLimit(50), 1398);
    EXPECT_EQ(ThumbnailCacheLimit(200), 87);
    EXPECT_EQ(ThumbnailCacheLimit(70), 713);
    EXPECT_EQ(ThumbnailCacheLimit(5000), 1);
}

TEST(PictureThumbnails, BoxFilterMatchesAnIndependentReduction)
{
    for (const QSize source :
         {QSize(400, 300), QSize(300, 400), QSize(997, 13), QSize(123, 457), QSize(98, 74)}) {
        const QImage image = Noise(source.width(), source.height(), source.width() * 7 + source.height());
        const QImage thumb = MakeThumbnail(image, 100, clNone, clWhite);
        const QSize fitted = ThumbnailSize(source.width(), source.height(), 100);
        ASSERT_EQ(thumb.size(), fitted);
        const QImage reference = ReferenceReduce(image, fitted);
        for (int y = 0; y < fitted.height(); ++y)
            for (int x = 0; x < fitted.width(); ++x)
                ASSERT_EQ(thumb.pixel(x, y) & 0xFFFFFF, reference.pixel(x, y) & 0xFFFFFF)
                    << source.width() << "x" << source.height() << " at " << x << "," << y;
    }
}

TEST(PictureThumbnails, KeyColourShowsTheBackground)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(qRgb(0xF0, 0xF0, 0xF0));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    const QImage thumb = MakeThumbnail(image, 100, 0xF0F0F0, 0xE6E6E6);
    ASSERT_EQ(thumb.size(), QSize(92, 92));
    EXPECT_EQ(thumb.pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(thumb.pixel(10, 80) & 0xFFFFFF, 0xE6E6E6u); // the key colour is gone
    // Without a key colour the pixel stays as it is.
    EXPECT_EQ(MakeThumbnail(image, 100, clNone, 0xE6E6E6).pixel(10, 80) & 0xFFFFFF, 0xF0F0F0u);
}

TEST(PictureThumbnails, SmallPicturesAreEnlargedFromTheirOwnPixels)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setPixel(1, 0, qRgb(200, 100, 50));
    const QImage thumb = MakeThumbnail(image, 100, clNone, clWhite);
    ASSERT_EQ(thumb.size(), QSize(98, 49));
    EXPECT_EQ(thumb.pixel(0, 0) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(thumb.pixel(97, 48) & 0xFFFFFF, 0xC86432u);
    // A null picture gives a background cell, not a crash.
    EXPECT_FALSE(MakeThumbnail(QImage(), 100, clNone, clWhite).isNull());
}

TEST(PictureThumbnails, JpegIsDecodedReducedButNotBelowTheThumbnail)
{
    QTemporaryDir dir;
    const QString big = dir.filePath("big.jpg"), small = dir.filePath("small.JPG");
    WriteFileBytes(big, EncodeJPEG(Noise(800, 600, 1).convertToFormat(QImage::Format_RGB888), 90));
    WriteFileBytes(small, EncodeJPEG(Noise(120, 90, 2).convertToFormat(QImage::Format_RGB888), 90));
    EXPECT_EQ(LoadThumbnailSource(big, 100).size(), QSize(200, 150));           // a quarter
    EXPECT_EQ(LoadThumbnailSource(small, 100).size(), QSize(120, 90));          // a quarter would be 30 × 23
    EXPECT_EQ(LoadThumbnailSource(big, 100).format(), QImage::Format_Indexed8); // 256 colours
    bool failed = true;
    EXPECT_EQ(MakeFileThumbnail(big, 100, clNone, clWhite, &failed).size(), QSize(98, 74));
    EXPECT_FALSE(failed);
}

TEST(PictureThumbnails, DamagedFilesGiveTheErrorPicture)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    QTemporaryDir dir;
    QByteArray jpeg = EncodeJPEG(Noise(64, 64, 3).convertToFormat(QImage::Format_RGB888), 90);
    const struct
    {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"empty.jpg", QByteArray()},
        {"truncated.jpg", jpeg.left(40)},
        {"text.bmp", QByteArray("not a bitmap at all")},
        {"header.bmp", QByteArray::fromHex("424d") + QByteArray(60, '\xff')},
        {"huge.bmp", QByteArray::fromHex("424d0000000000000000360000002800000020ba0e0020ba0e0001001800")},
        {"photo.pcd", QByteArray(100, 'p')},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.Name);
        WriteFileBytes(path, c.Bytes);
        bool failed = false;
        const QImage thumb = MakeFileThumbnail(path, 100, clNone, clWhite, &failed);
        EXPECT_TRUE(failed) << c.Name;
        EXPECT_FALSE(thumb.isNull()) << c.Name;
        // The error picture's red text is in it.
        bool red = false;
        for (int y = 0; y < thumb.height() && !red; ++y)
            for (int x = 0; x < thumb.width() && !red; ++x) {
                const QRgb p = thumb.pixel(x, y);
                red = qRed(p) > 150 && qGreen(p) < 120 && qBlue(p) < 120;
            }
        EXPECT_TRUE(red) << c.Name;
    }
    bool failed = false;
    MakeFileThumbnail(dir.filePath("missing.bmp"), 100, clNone, clWhite, &failed);
    EXPECT_TRUE(failed);
}

TEST(PictureCaptions, CutCharacterByCharacterWithDots)
{
    auto width = [](const QString& t) { return int(t.size()) * 10; };
    EXPECT_EQ(CutCaption(QStringLiteral("ABCDEF"), 60, width), QStringLiteral("ABCDEF"));
    EXPECT_EQ(CutCaption(QStringLiteral("ABCDEFG"), 60, width), QStringLiteral("ABC..."));
    EXPECT_EQ(CutCaption(QStringLiteral("あいうえおかき"), 55, width), QStringLiteral("あい..."));
    // A character outside the basic plane is never split.
    const QString emoji = QStringLiteral("A") + QString::fromUcs4(U"\U0001F338") + QStringLiteral("BCDEFG");
    const QString cut = CutCaption(emoji, 60, width);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("...")));
    for (qsizetype i = 0; i < cut.size(); ++i)
        EXPECT_FALSE(cut[i].isHighSurrogate() && (i + 1 >= cut.size() || !cut[i + 1].isLowSurrogate()));
    // Nothing fits: only the dots remain.
    EXPECT_EQ(CutCaption(QStringLiteral("ABCDEF"), 5, width), QStringLiteral("..."));
}

TEST(PictureFiles, OnlyPlainFilesWithPictureExtensions)
{
    QTemporaryDir dir;
    Touch(dir.filePath("A.BMP"));
    Touch(dir.filePath("b.Jpeg"));
    Touch(dir.filePath("c.gif"));
    QDir(dir.path()).mkdir("d.jpg");
    const QStringList files = ListUserPictures(dir.path());
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files[0].endsWith("/A.BMP"));
    EXPECT_TRUE(files[1].endsWith("/b.Jpeg"));
    Touch(dir.filePath("e.PCD"));
    Touch(dir.filePath("f.jpg.txt"));
    Touch(dir.filePath("g.jpeg"));
    QDir(dir.path()).mkpath("sub");
    Touch(dir.filePath("sub/h.jpg"));
    EXPECT_EQ(ListUserPictures(dir.path()).size(), 4);
    EXPECT_TRUE(ListUserPictures(dir.filePath("missing")).isEmpty());
    EXPECT_TRUE(ListUserPictures(QString()).isEmpty());
}

TEST(PictureIndex, ThirtySectionsGiveThirtyGenres)
{
    QString ini;
    for (int i = 0; i < 30; ++i)
        ini += QStringLiteral("[g%1]\r\nName=ジャンル%1\r\nDir=Data\\OnePoint\\g%1\r\n").arg(i);
    const QStringList genres = ReadOnePointGenres(Sjis(ini));
    ASSERT_EQ(genres.size(), 30);
    EXPECT_EQ(GenreCaption(genres[29]), QStringLiteral("ジャンル29"));
    EXPECT_EQ(GenreFolder(genres[29]), QStringLiteral("Data\\OnePoint\\g29"));
    EXPECT_EQ(BuiltInOnePointGenres().size(), 26);
    EXPECT_EQ(GenreCaption(BuiltInOnePointGenres()[24]), QStringLiteral("パネル"));
    EXPECT_EQ(GenreFolder(BuiltInOnePointGenres()[24]), QStringLiteral("Data\\panel"));
}

TEST(PictureIndex, MissingEntriesAreSkippedNotGuessed)
{
    const QByteArray ini =
        Sjis(QStringLiteral("; comment\r\nName=outside\r\n[nodir]\r\nName=行き先なし\r\n"
                            "[noname]\r\nDir=Data\\x\r\n[comma]\r\nName=A,B\r\nDir=Data\\y\r\n"
                            "[broken\r\nDir=Data\\z\r\n[empty]\r\nDir=\r\n"));
    const QStringList genres = ReadOnePointGenres(ini);
    ASSERT_EQ(genres.size(), 2);
    EXPECT_EQ(GenreCaption(genres[0]), QStringLiteral("noname"));
    EXPECT_EQ(GenreCaption(genres[1]), QStringLiteral("A、B")); // the comma would split it
    EXPECT_EQ(GenreFolder(genres[1]), QStringLiteral("Data\\y"));
    EXPECT_TRUE(ReadOnePointGenres(QByteArray()).isEmpty());
    EXPECT_TRUE(ReadOnePointGenres(QByteArray(1000, '\0')).isEmpty());
}

TEST(PictureIndex, DamagedIndexesStayBounded)
{
    QByteArray many;
    for (int i = 0; i < kMaxIniSections + 500; ++i)
        many += "[s" + QByteArray::number(i) + "]\nDir=a\n";
    EXPECT_EQ(int(ReadIniSections(many).size()), kMaxIniSections);
    // Bytes that are not code page 932 spoil nothing else.
    const QByteArray bad = QByteArray("[a]\nDir=Data\\a\n[\x81\xff\xfe]\nDir=Data\\b\n");
    EXPECT_EQ(ReadOnePointGenres(bad).size(), 2);
    // A UTF-8 index with its byte-order mark.
    const QByteArray utf8 = "\xEF\xBB\xBF" + QStringLiteral("[季]\nName=季節\nDir=Data\\s\n").toUtf8();
    ASSERT_EQ(ReadOnePointGenres(utf8).size(), 1);
    EXPECT_EQ(GenreCaption(ReadOnePointGenres(utf8)[0]), QStringLiteral("季節"));
    // A repeated section adds to the first; a repeated key keeps the first value.
    const auto sections = ReadIniSections("[a]\nDir=1\n[A]\nDir=2\nName=n\n");
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].Value("dir"), QStringLiteral("1"));
    EXPECT_EQ(sections[0].Value("NAME"), QStringLiteral("n"));
}

TEST(PictureIndex, BackgroundFoldersStayUnderTheIndex)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Pattern");
    const QByteArray ini =
        Sjis(QStringLiteral("[柄]\r\nFolder=pattern\r\n[上へ]\r\nFolder=..\\other\r\n"
                            "[絶対]\r\nFolder=/etc\r\n[なし]\r\nName=x\r\n[未作成]\r\nFolder=later\r\n"));
    const auto genres = ReadBackGenres(ini, dir.path());
    ASSERT_EQ(genres.size(), 2u);
    EXPECT_EQ(genres[0].Name, QStringLiteral("柄"));
    EXPECT_EQ(genres[0].Folder, dir.path() + "/Pattern"); // found without regard to case
    EXPECT_EQ(genres[1].Folder, dir.path() + "/later");
    EXPECT_TRUE(JoinDataPath(dir.path(), "..\\x").isEmpty());
    EXPECT_TRUE(JoinDataPath(dir.path(), "/x").isEmpty());
}

TEST(PictureChoices, RememberedIndexesResetWhenOutOfRange)
{
    int index = 5;
    EXPECT_EQ(ValidRemembered(index, 5), 0);
    EXPECT_EQ(index, 0);
    index = 4;
    EXPECT_EQ(ValidRemembered(index, 5), 4);
    index = -1;
    EXPECT_EQ(ValidRemembered(index, 0), 0);
}
