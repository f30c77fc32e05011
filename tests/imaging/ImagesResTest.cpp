// The delivered window pictures (build/data/Images.res): every picture the windows'
// packs name is there with its type and a size its grid divides evenly; our reader
// and an independent one (tests/imaging/read_res.py, with Pillow decoding the
// bitmaps) see the same records; the writer's output survives damage checks.
#include "ImagingTestSupport.h"
#include "imaging/FImagePackControls.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/UWindowPictures.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

QString ImagesResPath()
{
    return BinaryDir() + "/data/Images.res";
}

struct TNamed
{
    const char* Type;
    const char* Name;
    int Cols;
    int Rows;
};

// The pictures of the windows' packs, with the grids they are cut into.
const TNamed kNamed[] = {
    {"CBM", "ABOUTIMAGE", 1, 1},         {"RT_BITMAP", "FILLBACKIVORY2", 1, 1},
    {"RT_BITMAP", "CSVCONTOLLER", 1, 7}, {"RT_BITMAP", "VER1MARK", 1, 1},
    {"RT_BITMAP", "CHECKBOX", 2, 1},     {"RT_BITMAP", "FILLIMAGE1", 1, 1},
    {"RT_BITMAP", "FILLIMAGE8", 1, 1},   {"RT_BITMAP", "FILLBACK", 1, 1},
    {"RT_BITMAP", "ILCOMMANDON", 18, 1}, {"RT_BITMAP", "ILSTYLEON", 15, 1},
    {"RT_BITMAP", "PAPERGROUP", 4, 10},  {"CBM", "PRINTING", 1, 1},
    {"RT_BITMAP", "OSOROI", 1, 5},       {"RT_BITMAP", "WIZARDGROUP", 1, 12},
    {"RT_BITMAP", "OPENSELECT", 1, 5},
};

class ImagesRes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        ASSERT_TRUE(QFileInfo(ImagesResPath()).isFile()) << "build the images target";
        SetApplicationDirectory(BinaryDir() + "/data");
    }
    void TearDown() override { SetApplicationDirectory({}); }
};

TEST_F(ImagesRes, EveryWindowPictureIsThereAndItsGridDividesEvenly)
{
    for (const TNamed& n : kNamed) {
        SCOPED_TRACE(n.Name);
        TMatrixImagePack pack;
        pack.LoadFrom("Images.res", n.Type, n.Name, n.Cols, n.Rows);
        ASSERT_FALSE(pack.IsInvalid(0));
        ASSERT_FALSE(pack.IsInvalid(pack.GetCount() - 1));
        const QRect first = pack.GetImageRect(0);
        EXPECT_GE(first.width(), 16);
        EXPECT_GE(first.height(), 16);
        for (int i = 0; i < pack.GetCount(); ++i)
            ASSERT_EQ(pack.GetImageRect(i).size(), first.size()) << i;
        // Every cell holds a drawing: not a single colour.
        for (int i = 0; i < pack.GetCount(); ++i) {
            TPictureEx cell;
            pack.GetImage(cell, i);
            const QImage pixels = cell.Graphic()->Image().convertToFormat(QImage::Format_RGB32);
            const QRgb corner = pixels.pixel(0, 0);
            bool varied = false;
            for (int y = 0; y < pixels.height() && !varied; ++y)
                for (int x = 0; x < pixels.width() && !varied; ++x)
                    varied = pixels.pixel(x, y) != corner;
            EXPECT_TRUE(varied) << "cell " << i << " is blank";
        }
    }
    // Tool buttons are the size of tool buttons.
    TMatrixImagePack command;
    command.LoadFrom("Images.res", "RT_BITMAP", "ILCOMMANDON", 18, 1);
    EXPECT_EQ(command.GetImageRect(0).size(), QSize(32, 32));
    TMatrixImagePack style;
    style.LoadFrom("Images.res", "RT_BITMAP", "ILSTYLEON", 15, 1);
    EXPECT_EQ(style.GetImageRect(0).size(), QSize(24, 24));
}

TEST_F(ImagesRes, OurReaderAndAnIndependentReaderAgree)
{
    const QByteArray file = ReadFileBytes(ImagesResPath());
    const std::vector<TResourceRecord> records = ReadResourceRecords(file);
    const ProcessResult python =
        RunProgram("/usr/bin/python3", {SourceDir() + "/tests/imaging/read_res.py", ImagesResPath()});
    ASSERT_EQ(python.ExitCode, 0) << python.StdErr.toStdString();
    const QStringList lines = QString::fromUtf8(python.StdOut).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(qsizetype(records.size()), lines.size());
    // The leading empty record, then one per named picture.
    ASSERT_EQ(records.size(), std::size(kNamed) + 1);
    for (size_t i = 0; i < records.size(); ++i) {
        const TResourceRecord& r = records[i];
        const QStringList f = lines[qsizetype(i)].split(u' ');
        SCOPED_TRACE(lines[qsizetype(i)].toStdString());
        EXPECT_EQ(f[0], r.Type.ToString());
        EXPECT_EQ(f[1], r.Name.ToString());
        EXPECT_EQ(f[2].toUInt(), r.DataSize);
        EXPECT_EQ(f[3].toLongLong(), r.DataOffset);
        if (i == 0)
            continue;
        // The picture as we decode it has Pillow's size and bit count.
        TPictureEx picture;
        LoadBitmapResource(file.mid(qsizetype(r.DataOffset), qsizetype(r.DataSize)), picture);
        auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(f.size(), 8);
        EXPECT_EQ(f[4].toInt(), bitmap->Width());
        EXPECT_EQ(f[5].toInt(), bitmap->Height());
        EXPECT_EQ(f[6].toInt(), 24);
        EXPECT_EQ(f[7], "RGB");
        const TNamed& n = kNamed[i - 1];
        EXPECT_EQ(r.Name.ToString(), n.Name);
        EXPECT_EQ(r.Type.ToString(), QString(n.Type) == "RT_BITMAP" ? QString("#2") : QString(n.Type));
    }
}

TEST_F(ImagesRes, TheWriterAlignsEveryPartAndTheReaderRefusesDamage)
{
    // Names of every length modulo four, data of every length modulo four.
    std::vector<TResourceEntry> entries;
    for (int i = 0; i < 8; ++i)
        entries.push_back({TResourceId::FromString("T"), TResourceId::FromString(QString(i + 1, u'N')),
                           QByteArray(i + 1, char('a' + i))});
    entries.push_back({TResourceId::FromOrdinal(10), TResourceId::FromOrdinal(9), "ord"});
    const QByteArray file = WriteResourceFile(entries);
    EXPECT_EQ(file.size() % 4, 0);
    const std::vector<TResourceRecord> records = ReadResourceRecords(file);
    ASSERT_EQ(records.size(), entries.size() + 1);
    for (size_t i = 1; i < records.size(); ++i) {
        EXPECT_EQ(records[i].DataOffset % 4, 0);
        EXPECT_EQ(file.mid(qsizetype(records[i].DataOffset), qsizetype(records[i].DataSize)),
                  entries[i - 1].Data);
    }
    EXPECT_EQ(FindResource(file, TResourceId::FromString("t"), TResourceId::FromString("nnnnn")), "eeeee");

    // Python reads what we wrote.
    QTemporaryDir dir;
    WriteFileBytes(dir.filePath("w.res"), file);
    const ProcessResult python =
        RunProgram("/usr/bin/python3", {SourceDir() + "/tests/imaging/read_res.py", dir.filePath("w.res")});
    ASSERT_EQ(python.ExitCode, 0) << python.StdErr.toStdString();
    EXPECT_TRUE(python.StdOut.contains("T NNNNNNN 7 ")) << python.StdOut.toStdString();

    auto put32 = [](QByteArray& b, int at, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            b[at + k] = char((v >> (8 * k)) & 0xFF);
    };
    const int start = 32; // the leading record is 32 bytes
    // A data size beyond the file.
    QByteArray bad = file;
    put32(bad, start, 0x7FFFFFF0);
    EXPECT_THROW(ReadResourceRecords(bad), EResourceError);
    EXPECT_THROW(FindResource(bad, TResourceId::FromString("T"), TResourceId::FromString("NN")),
                 EResourceError);
    // A header size smaller than the header.
    bad = file;
    put32(bad, start + 4, 8);
    EXPECT_THROW(ReadResourceRecords(bad), EResourceError);
    // A header size that is not a multiple of four and cuts into the name.
    bad = file;
    put32(bad, start + 4, 13);
    try {
        (void)FindResource(bad, TResourceId::FromString("T"), TResourceId::FromString("NNNNNNNN"));
    } catch (const EResourceError&) {
    }
    // A missing resource.
    try {
        (void)FindResource(file, TResourceId::FromString("T"), TResourceId::FromString("ZZ"));
        FAIL();
    } catch (const EResourceError& e) {
        EXPECT_EQ(e.Message(), "ZZ リソースが見つかりません");
    }
}

} // namespace
} // namespace velmo::test

namespace velmo::test {
namespace {

// The pictures in the controls that show them: a patterned background, the tool
// bars and the paper-group list, as a window would put them together. With
// VELMO_SHOTS_DIR set the composition is written there as a PNG to look at.
TEST_F(ImagesRes, ControlsShowTheWindowPictures)
{
    TMatrixImagePack sand, command, style, groups, start;
    sand.LoadFrom("Images.res", "RT_BITMAP", "FILLBACK", 1, 1);
    command.LoadFrom("Images.res", "RT_BITMAP", "ILCOMMANDON", 18, 1);
    style.LoadFrom("Images.res", "RT_BITMAP", "ILSTYLEON", 15, 1);
    groups.LoadFrom("Images.res", "RT_BITMAP", "PAPERGROUP", 4, 10);
    start.LoadFrom("Images.res", "RT_BITMAP", "OPENSELECT", 1, 5);

    TFillImage window;
    window.resize(760, 420);
    window.SetImagePack(&sand);
    std::vector<std::unique_ptr<TImageEx>> images;
    auto place = [&](TMatrixImagePack& pack, int index, int x, int y, int w, int h) {
        auto image = std::make_unique<TImageEx>(&window);
        image->setGeometry(x, y, w, h);
        image->SetImagePack(&pack);
        image->SetImageIndex(index);
        image->setAutoFillBackground(false);
        images.push_back(std::move(image));
    };
    for (int i = 0; i < 18; ++i)
        place(command, i, 10 + i * 40, 10, 32, 32);
    for (int i = 0; i < 15; ++i)
        place(style, i, 10 + i * 30, 56, 24, 24);
    for (int g = 0; g < 10; ++g)
        place(groups, 4 * g + (g == 2 ? 1 : 0), 10 + g * 56, 100, 48, 48);
    for (int i = 0; i < 5; ++i)
        place(start, i, 10 + i * 72, 170, 64, 64);
    // Tool bars as the windows build them: icons from the pack cells.
    QToolBar commandBar(&window), styleBar(&window);
    commandBar.setGeometry(10, 250, 740, 44);
    commandBar.setIconSize(QSize(32, 32));
    styleBar.setGeometry(10, 300, 740, 36);
    styleBar.setIconSize(QSize(24, 24));
    commandBar.setAutoFillBackground(true);
    styleBar.setAutoFillBackground(true);
    for (int i = 0; i < command.GetCount(); ++i)
        commandBar.addAction(PackIcon(command, i), QString::number(i));
    for (int i = 0; i < style.GetCount(); ++i)
        styleBar.addAction(PackIcon(style, i), QString::number(i))->setCheckable(i < 4);
    styleBar.actions()[0]->setChecked(true);
    QImage shot(window.size(), QImage::Format_RGB32);
    window.render(&shot);
    // 760 × 420 in 64-pixel tiles: 12 × 7.
    EXPECT_EQ(window.LastTileCount(), 12 * 7);
    // The selected paper group sits on navy; its neighbours do not.
    EXPECT_EQ(shot.pixel(10 + 2 * 56, 100) & 0xFFFFFF, 0x000080u);
    EXPECT_NE(shot.pixel(10 + 3 * 56, 100) & 0xFFFFFF, 0x000080u);
    const QString shots = qEnvironmentVariable("VELMO_SHOTS_DIR");
    if (!shots.isEmpty())
        shot.save(QDir(shots).filePath("pack-controls.png"));
}

} // namespace
} // namespace velmo::test

namespace velmo::test {
namespace {

// A pack read from a form loads its picture from the resource and does not carry
// the picture in the form.
TEST_F(ImagesRes, AMatrixPackOnAFormLoadsItsResourceWhenRead)
{
    RegisterImagePackClasses();
    TMatrixImagePack pack;
    pack.SetName("mipCommand");
    pack.LoadFrom("Images.res", "RT_BITMAP", "ILCOMMANDON", 18, 1);
    ASSERT_FALSE(pack.IsInvalid(17));
    const QByteArray bytes = ComponentStreamBytes(pack);
    EXPECT_LT(bytes.size(), 400); // the picture is not in it
    const QString text = ComponentToText(bytes);
    EXPECT_TRUE(text.contains("ImageLoader.ResFile = 'Images.res'")) << text.toStdString();
    EXPECT_TRUE(text.contains("ImageLoader.ResName = 'ILCOMMANDON'"));
    EXPECT_TRUE(text.contains("CountCol = 18"));
    EXPECT_FALSE(text.contains("CountRow")); // its default
    TMemoryStream stream(bytes);
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    auto* back = dynamic_cast<TMatrixImagePack*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetCount(), 18);
    EXPECT_EQ(back->GetImageRect(17), QRect(544, 0, 32, 32));
}

} // namespace
} // namespace velmo::test

namespace velmo::test {
namespace {

TEST_F(ImagesRes, WindowPicturesLoadByNameAndMakeButtonIcons)
{
    for (int p = int(TWindowPicture::wpAbout); p <= int(TWindowPicture::wpStartupChoice); ++p) {
        TMatrixImagePack pack;
        LoadWindowPicture(pack, TWindowPicture(p));
        EXPECT_FALSE(pack.IsInvalid(pack.GetCount() - 1)) << WindowPictureInfo(TWindowPicture(p)).ResName;
    }
    TMatrixImagePack command;
    LoadWindowPicture(command, TWindowPicture::wpCommand);
    ASSERT_EQ(command.GetCount(), ciScanner + 1);
    const QIcon select = PackIcon(command, ciSelect);
    ASSERT_FALSE(select.isNull());
    const QImage icon = select.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);     // the white ground is see-through
    EXPECT_EQ(icon.pixel(11, 10), 0xFFFFFFFFu); // the pointer's white inside stays
    EXPECT_TRUE(PackIcon(command, 18).isNull());
}

} // namespace
} // namespace velmo::test
