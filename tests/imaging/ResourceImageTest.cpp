// Resource files and the resource picture loader: record layout and alignment,
// lookups, damaged files, the load rule and the picture's data-not-stored mark.
#include "ImagingTestHolder.h"
#include "ImagingTestSupport.h"
#include "base/UStream.h"
#include "imaging/UImageData.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "persist/UComponentStream.h"
#include "storage/UZLibStream.h"
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

// Resource-file bytes written independently of the reader.
class ResBytes
{
public:
    ResBytes& Record(const TResourceId& type, const TResourceId& name, const QByteArray& data)
    {
        QByteArray header;
        auto id = [&header](const TResourceId& r) {
            if (r.IsOrdinal) {
                header += char(0xFF);
                header += char(0xFF);
                header += char(r.Ordinal & 0xFF);
                header += char(r.Ordinal >> 8);
            } else {
                for (QChar c : r.Name) {
                    header += char(c.unicode() & 0xFF);
                    header += char(c.unicode() >> 8);
                }
                header += '\0';
                header += '\0';
            }
        };
        id(type);
        id(name);
        // DataVersion, MemoryFlags, LanguageId, Version, Characteristics.
        header += QByteArray(16, '\0');
        const uint32_t headerSize = uint32_t(8 + header.size());
        Put(uint32_t(data.size()));
        Put(headerSize);
        FBytes += header;
        Pad();
        FBytes += data;
        Pad();
        return *this;
    }
    // The empty record every resource file begins with.
    ResBytes& Leading() { return Record(TResourceId::FromOrdinal(0), TResourceId::FromOrdinal(0), {}); }
    QByteArray Data() const { return FBytes; }

private:
    void Put(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            FBytes += char((v >> (8 * i)) & 0xFF);
    }
    void Pad()
    {
        while (FBytes.size() % 4)
            FBytes += '\0';
    }
    QByteArray FBytes;
};

TResourceId Ord(uint16_t v)
{
    return TResourceId::FromOrdinal(v);
}
TResourceId Str(const QString& s)
{
    return TResourceId::FromString(s);
}

QImage Picture(int w, int h, unsigned seed)
{
    return RandomPicture(w, h, seed).convertToFormat(QImage::Format_BGR888);
}

// A BMP file of the picture; its DIB (without the 14-byte file header) is what a
// bitmap resource holds.
QByteArray BmpFile(const QImage& image)
{
    TAppBitmap bitmap;
    bitmap.SetImage(image, TPixelFormat::pf24bit);
    return bitmap.FileBytes();
}

class ResourceImage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        RegisterImagingTestHolder();
        SetApplicationDirectory(FDir.path());
        SetApplicationResourceFile({});
    }
    void TearDown() override
    {
        SetApplicationDirectory({});
        SetApplicationResourceFile({});
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = FDir.filePath(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(ResourceImage, RecordsAreFoundByTypeAndNameWithTheirAlignment)
{
    // Names of odd lengths make headers that are not multiples of four.
    const QByteArray file = ResBytes()
                                .Leading()
                                .Record(Str("JPEG"), Str("A"), "12345")
                                .Record(Str("JPEG"), Str("ABC"), "xyz")
                                .Record(Ord(RT_BITMAP), Str("ABC"), "bitmap")
                                .Record(Ord(RT_BITMAP), Ord(7), "seven")
                                .Data();
    EXPECT_EQ(FindResource(file, Str("JPEG"), Str("A")), "12345");
    EXPECT_EQ(FindResource(file, Str("jpeg"), Str("abc")), "xyz"); // case does not matter
    EXPECT_EQ(FindResource(file, Ord(RT_BITMAP), Str("ABC")), "bitmap");
    EXPECT_EQ(FindResource(file, Ord(RT_BITMAP), Str("#7")), "seven");
    EXPECT_EQ(FindResource(file, Ord(RT_BITMAP), Ord(7)), "seven");
    const std::vector<TResourceRecord> records = ReadResourceRecords(file);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[2].Name.Name, "ABC");
    EXPECT_EQ(records[2].DataSize, 3u);
    EXPECT_EQ(records[2].DataOffset % 4, 0);
    try {
        FindResource(file, Str("JPEG"), Str("MISSING"));
        FAIL();
    } catch (const EResourceError& e) {
        EXPECT_EQ(e.Message(), "MISSING リソースが見つかりません");
    }
    // An ordinal type does not match a string of its digits.
    EXPECT_THROW(FindResource(file, Str("2"), Str("ABC")), EResourceError);
}

TEST_F(ResourceImage, TheFirstMatchingRecordWins)
{
    const QByteArray file =
        ResBytes().Record(Str("CBM"), Str("X"), "first").Record(Str("CBM"), Str("x"), "second").Data();
    EXPECT_EQ(FindResource(file, Str("cbm"), Str("X")), "first");
}

TEST_F(ResourceImage, DamagedResourceFiles)
{
    const QByteArray good = ResBytes()
                                .Leading()
                                .Record(Str("JPEG"), Str("ONE"), QByteArray(50, 'a'))
                                .Record(Str("JPEG"), Str("TWO"), QByteArray(30, 'b'))
                                .Data();
    // Every truncation: the resource, or the damaged-file error, never more.
    for (int n = 0; n <= good.size(); ++n) {
        const QByteArray cut = good.left(n);
        try {
            EXPECT_EQ(FindResource(cut, Str("JPEG"), Str("TWO")), QByteArray(30, 'b'));
        } catch (const EResourceError&) {
        }
        try {
            ReadResourceRecords(cut);
        } catch (const EResourceError&) {
        }
    }
    // Every byte flipped.
    for (int n = 0; n < good.size(); ++n)
        for (int mask : {0x01, 0x80, 0xFF}) {
            QByteArray bad = good;
            bad[n] = char(bad[n] ^ mask);
            try {
                (void)FindResource(bad, Str("JPEG"), Str("TWO"));
            } catch (const EResourceError&) {
            }
        }

    auto header = [](uint32_t dataSize, uint32_t headerSize, const QByteArray& rest) {
        QByteArray b;
        for (uint32_t v : {dataSize, headerSize})
            for (int i = 0; i < 4; ++i)
                b += char((v >> (8 * i)) & 0xFF);
        return b + rest;
    };
    const QByteArray ids = QByteArray::fromHex("ffff0a00ffff0100");
    struct Case
    {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"header size below the ids", header(0, 4, ids)},
        {"header past the end", header(0, 400, ids)},
        {"data past the end", header(0xFFFFFFF0u, 16, ids)},
        {"name without terminator", header(0, 16, QByteArray::fromHex("ffff0a004100420043004400"))},
        {"type cut short", header(0, 12, QByteArray::fromHex("ffff0a00"))},
    };
    for (const Case& c : cases) {
        try {
            FindResource(c.bytes, Ord(10), Ord(1));
            ADD_FAILURE() << c.what;
        } catch (const EResourceError& e) {
            EXPECT_EQ(e.Message(), DamagedResourceFileMessage()) << c.what;
        }
    }
    // Padding shorter than a record header at the end is tolerated.
    EXPECT_EQ(FindResource(good + QByteArray(4, '\0'), Str("JPEG"), Str("ONE")), QByteArray(50, 'a'));
}

TEST_F(ResourceImage, TheLoaderWaitsForItsOwner)
{
    const QImage image = Picture(7, 5, 1);
    const QByteArray dib = BmpFile(image).mid(14);
    Write("Images.res", ResBytes().Leading().Record(Ord(RT_BITMAP), Str("LOGO"), dib).Data());
    TPictureEx picture;
    TResourceImageLoader loader(&picture);
    loader.SetResFile("Images.res");
    loader.SetResType("RT_BITMAP");
    loader.SetResName("LOGO");
    EXPECT_FALSE(picture.HasGraphic());
    loader.OwnerLoaded();
    ASSERT_TRUE(picture.HasGraphic());
    EXPECT_TRUE(picture.DataNotStored());
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Pixels().convertToFormat(QImage::Format_RGB32),
              image.convertToFormat(QImage::Format_RGB32));

    // AutoLoad off: changes load nothing.
    TPictureEx other;
    TResourceImageLoader quiet(&other);
    quiet.SetAutoLoad(false);
    quiet.OwnerLoaded();
    quiet.SetResFile("Images.res");
    quiet.SetResType("RT_BITMAP");
    quiet.SetResName("LOGO");
    EXPECT_FALSE(other.HasGraphic());
}

TEST_F(ResourceImage, CompressedBitmapJPEGAndIconResources)
{
    const QImage image = Picture(9, 6, 2);
    TMemoryStream plain(BmpFile(image));
    TMemoryStream packed;
    Compress(plain, packed, TCompressionLevel::clMax);
    const QByteArray jpeg = EncodeJPEG(image, 95);
    // An icon image: a 16 × 16 32-bit DIB with double height and an AND mask.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(qRgba(10, 200, 30, 255));
    QByteArray ico;
    {
        QBuffer buffer(&ico);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, "ico").write(icon));
    }
    const uint32_t offset =
        uchar(ico[18]) | uchar(ico[19]) << 8 | uchar(ico[20]) << 16 | uchar(ico[21]) << 24;
    const QByteArray iconImage = ico.mid(int(offset));
    Write("pics.res", ResBytes()
                          .Leading()
                          .Record(Str("CBM"), Str("PACKED"), packed.Data())
                          .Record(Str("JPEG"), Str("PHOTO"), jpeg)
                          .Record(Ord(RT_ICON), Ord(1), iconImage)
                          .Record(Str("METAFILE"), Str("DRAWING"), "not read")
                          .Data());
    struct Case
    {
        const char* Type;
        const char* Name;
    };
    for (const Case& c : {Case{"cbm", "packed"}, Case{"JPEG", "PHOTO"}, Case{"RT_ICON", "#1"}}) {
        TPictureEx picture;
        TResourceImageLoader loader(&picture);
        loader.OwnerLoaded();
        loader.SetResFile("pics.res");
        loader.SetResType(c.Type);
        loader.SetResName(c.Name);
        ASSERT_TRUE(picture.HasGraphic()) << c.Type;
        EXPECT_TRUE(picture.DataNotStored());
        const QImage got = picture.Graphic()->Image().convertToFormat(QImage::Format_RGB32);
        if (QByteArray(c.Type) == "cbm") {
            EXPECT_EQ(got, image.convertToFormat(QImage::Format_RGB32));
        } else if (QByteArray(c.Type) == "JPEG") {
            EXPECT_TRUE(IsJPEGGraphic(picture.Graphic()));
            EXPECT_EQ(got.size(), image.size());
        } else {
            ASSERT_EQ(got.size(), QSize(16, 16));
            EXPECT_EQ(got.pixel(3, 3), qRgb(10, 200, 30));
        }
    }
    // Metafiles load nothing: the picture stays stored.
    TPictureEx picture;
    TResourceImageLoader loader(&picture);
    loader.OwnerLoaded();
    loader.SetResFile("pics.res");
    loader.SetResType("METAFILE");
    loader.SetResName("DRAWING");
    EXPECT_FALSE(picture.HasGraphic());
    EXPECT_FALSE(picture.DataNotStored());
}

TEST_F(ResourceImage, APictureFromAResourceIsNotStoredUntilTheResourceFails)
{
    const QByteArray dib = BmpFile(Picture(4, 4, 3)).mid(14);
    Write("Images.res", ResBytes().Record(Ord(RT_BITMAP), Str("A"), dib).Data());
    TImagingTestHolder holder;
    TPictureEx* picture = holder.ImageData()->Picture();
    TResourceImageLoader loader(picture);
    loader.OwnerLoaded();
    loader.SetResFile("Images.res");
    loader.SetResType("RT_BITMAP");
    loader.SetResName("A");
    ASSERT_TRUE(picture->HasGraphic());
    EXPECT_FALSE(ComponentStreamBytes(holder).contains("Picture.Data"));

    try {
        loader.SetResName("B");
        FAIL();
    } catch (const EResourceError& e) {
        EXPECT_EQ(e.Message(), "B リソースが見つかりません");
    }
    EXPECT_TRUE(ComponentStreamBytes(holder).contains("ImageData.Picture.Data"));
}

TEST_F(ResourceImage, AMissingFileFallsBackToTheApplicationsResources)
{
    const QByteArray dib = BmpFile(Picture(3, 2, 4)).mid(14);
    const QString own = Write("velmo.res", ResBytes().Record(Ord(RT_BITMAP), Str("OWN"), dib).Data());
    TPictureEx picture;
    TResourceImageLoader loader(&picture);
    loader.OwnerLoaded();
    loader.SetResType("RT_BITMAP");
    try {
        loader.SetResName("OWN");
        FAIL();
    } catch (const EResourceError& e) {
        EXPECT_EQ(e.Message(), "リソース OWN が見つかりません"); // the program has none yet
    }
    SetApplicationResourceFile(own);
    loader.SetResFile("missing.res");
    EXPECT_EQ(picture.Width(), 3);
    try {
        loader.SetResName("NONE");
        FAIL();
    } catch (const EResourceError& e) {
        EXPECT_EQ(e.Message(), "リソース NONE が見つかりません");
    }
}

TEST_F(ResourceImage, TheLoadHandlerMayLoadThePictureItself)
{
    Write("h.res", ResBytes().Record(Str("CUSTOM"), Str("X"), "payload").Data());
    TPictureEx picture;
    TResourceImageLoader loader(&picture);
    QByteArray seen;
    loader.SetLoadHandler([&](const QByteArray& data, TPictureEx& p) {
        seen = data;
        p.EnsureBitmap()->SetImage(Picture(2, 2, 5));
        return true;
    });
    loader.OwnerLoaded();
    loader.SetResFile("h.res");
    loader.SetResType("CUSTOM");
    loader.SetResName("X");
    EXPECT_EQ(seen, "payload");
    EXPECT_TRUE(picture.DataNotStored());

    // Assigning from another loader copies the strings and loads.
    TPictureEx second;
    TResourceImageLoader copy(&second);
    copy.OwnerLoaded();
    copy.SetLoadHandler([](const QByteArray&, TPictureEx& p) {
        p.EnsureBitmap()->SetImage(Picture(5, 5, 6));
        return true;
    });
    copy.Assign(loader);
    EXPECT_EQ(copy.ResName(), "X");
    EXPECT_EQ(second.Width(), 5);
}

TEST_F(ResourceImage, ADamagedBitmapResourceIsAnInvalidGraphic)
{
    const QByteArray dib = BmpFile(Picture(4, 4, 7)).mid(14);
    for (int n : {0, 4, 20, 39}) {
        TPictureEx picture;
        EXPECT_THROW(LoadBitmapResource(dib.left(n), picture), Exception) << n;
    }
    TPictureEx picture;
    EXPECT_THROW(LoadIconResource("short", picture), Exception);
    EXPECT_THROW(LoadIconResource(QByteArray(40, '\x7F'), picture), Exception);
}

} // namespace velmo::test

namespace velmo::test {

TEST(ResourceFileSeeds, TheFuzzSeedsRead)
{
    RegisterImagingGraphics();
    const QByteArray file = ReadFileBytes(TestDataPath("fuzz/fuzz_resource_file/bitmap.res"));
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(ReadResourceRecords(file).size(), 3u);
    TPictureEx picture;
    LoadBitmapResource(FindResource(file, TResourceId::FromOrdinal(RT_BITMAP), TResourceId::FromString("a")),
                       picture);
    ASSERT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Graphic()->Image().pixel(0, 1) & 0xFFFFFF,
              0xFF0000u); // bottom-up: first row is the last
    const QByteArray strings = ReadFileBytes(TestDataPath("fuzz/fuzz_resource_file/strings.res"));
    EXPECT_EQ(ReadResourceRecords(strings).size(), 2u);
    TPictureEx jpeg;
    EXPECT_THROW(jpeg.EnsureJPEG()->SetFileBytes(
                     FindResource(strings, TResourceId::FromString("jpeg"), TResourceId::FromString("A"))),
                 Exception);
}

} // namespace velmo::test
