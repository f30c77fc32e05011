// Work files from outside: previews, paper records, damaged and foreign files, the
// independent readers (olefile, gsf) and velmo-tool's view of the label streams.
#include "LabelDocTestSupport.h"
#include "document/ULDPreview.h"
#include "objects/ULDObjects.h"
#include "paper/UPaperRecords.h"
#include "persist/UComponentStream.h"
#include "storage/UZLibStream.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

using namespace velmo;
using namespace velmo::test;

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

class LabelDataFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FData = NewDocument();
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    // A saved document with a design at positions 0 and 5 and a second sheet.
    QString SavedDocument(const QString& name)
    {
        TDOList list;
        list.Add(NewRect({100, 100, 800, 300}, 0x0000FF));
        FData->WriteLabel(0, list);
        FData->WriteLabel(5, list);
        list.FreeObjects();
        FData->AddSheet();
        FData->SelectSheet(0);
        const QString path = Path(name);
        FData->Save(path);
        return path;
    }

    static void WriteStream(const QString& file, const QString& path, const QByteArray& bytes)
    {
        TFileStorage root(file, fmDocReadWrite);
        {
            TDocStream stream(root, fmDocCreate, path);
            stream.WriteBytes(bytes);
        }
        root.Close();
    }

    // The open document must be untouched by a failed load.
    void ExpectLoadFails(const QString& file)
    {
        FData->SetSheetName(QStringLiteral("開いている文書"));
        const int sheets = FData->SheetCount();
        try {
            FData->Load(file);
            ADD_FAILURE() << "loaded " << file.toStdString();
        } catch (const ELabelDataError& e) {
            EXPECT_EQ(e.Message(), NotLabelDataMessage());
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("指定されたファイルは「")));
            EXPECT_TRUE(e.Message().endsWith(QStringLiteral("」のデータではありません")));
        }
        EXPECT_EQ(FData->SheetCount(), sheets);
        EXPECT_EQ(FData->SheetName(), QStringLiteral("開いている文書"));
        EXPECT_EQ(FData->LabelCount(), 12);
        // Still fully usable.
        TDOList list;
        list.Add(NewRect({10, 10, 50, 50}));
        FData->WriteLabel(1, list);
        list.FreeObjects();
        EXPECT_TRUE(FData->LabelHasData(1));
    }

    QTemporaryDir FDir;
    std::unique_ptr<TLabelData> FData;
};

} // namespace

TEST_F(LabelDataFile, SavingMakesPreviewsOfDesignedPositions)
{
    const QString file = SavedDocument(QStringLiteral("p.lbd"));
    EXPECT_TRUE(FData->PreviewExists(0));
    EXPECT_TRUE(FData->PreviewExists(5));
    EXPECT_FALSE(FData->PreviewExists(1));

    QImage picture;
    ASSERT_TRUE(TLabelData::LoadPreview(file, 0, 5, picture));
    // A 90 x 40 mm label fits 200 x 89.
    EXPECT_EQ(picture.size(), QSize(200, 89));
    // The red rectangle covers the middle; the corner is white.
    EXPECT_EQ(QColor(picture.pixel(100, 44)), QColor(Qt::red));
    EXPECT_EQ(QColor(picture.pixel(2, 2)), QColor(Qt::white));
    {
        TFileStorage root(file, fmDocRead);
        TDocStream s(root, fmDocRead, QStringLiteral("Sheets\\NameList0\\Preview5"));
        const QByteArray bmp = s.ReadBytes(s.Size());
        ASSERT_GE(bmp.size(), 54);
        EXPECT_TRUE(bmp.startsWith("BM"));
        EXPECT_EQ(uint8_t(bmp[28]), 24); // bits per pixel
        EXPECT_EQ(bmp.size(), 54 + ((200 * 3 + 3) & ~3) * 89);
    }
    // An empty position has an empty preview; the second sheet has none at all.
    EXPECT_FALSE(TLabelData::LoadPreview(file, 0, 1, picture));
    EXPECT_FALSE(TLabelData::LoadPreview(file, 1, 0, picture));
    EXPECT_FALSE(TLabelData::LoadPreview(file, 7, 0, picture));
    EXPECT_FALSE(TLabelData::LoadPreview(Path(QStringLiteral("missing.lbd")), 0, 0, picture));

    // Writing a design drops its preview; the next save makes it again.
    TDOList list;
    list.Add(NewRect({0, 0, 900, 400}, 0x00FF00));
    FData->WriteLabel(5, list);
    list.FreeObjects();
    EXPECT_FALSE(FData->PreviewExists(5));
    FData->Save(file);
    ASSERT_TRUE(TLabelData::LoadPreview(file, 0, 5, picture));
    EXPECT_EQ(QColor(picture.pixel(100, 44)), QColor(Qt::green));
}

TEST(LabelPreview, AveragingAndSizes)
{
    EXPECT_EQ(PreviewSizeFor(900, 400), QSize(200, 89));
    EXPECT_EQ(PreviewSizeFor(400, 900), QSize(89, 200));
    EXPECT_EQ(PreviewSizeFor(1000, 1), QSize(200, 1));
    EXPECT_TRUE(PreviewSizeFor(0, 100).isEmpty());
    // Black and white columns average to grey.
    QImage stripes(4, 2, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage half = ResampleAverage(stripes, QSize(2, 1));
    EXPECT_EQ(QColor(half.pixel(0, 0)), QColor(128, 128, 128));
    // The BMP reads back pixel for pixel.
    QImage colours(3, 2, QImage::Format_RGB888);
    colours.setPixel(0, 0, qRgb(1, 2, 3));
    colours.setPixel(2, 1, qRgb(200, 100, 50));
    QImage back;
    ASSERT_TRUE(back.loadFromData(EncodeBmp24(colours), "BMP"));
    EXPECT_EQ(back.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(back.pixel(2, 1), qRgb(200, 100, 50));
}

TEST_F(LabelDataFile, PaperRecordsAreWrittenReadAndDroppedWhenEmpty)
{
    TExPaperInfo extra;
    extra.SetPaperName(FData->Paper()->PaperName());
    extra.SetCompany(QStringLiteral("テスト紙工"));
    extra.SetRoundSize(30);
    FData->SetExtraInfo(&extra);
    TImagePaperInfo images;
    images.SetPaperName(FData->Paper()->PaperName());
    images.SetSeparatelyDesign(false);
    TDOList face;
    face.Add(NewRect({0, 0, 900, 100}, 0x808080));
    images.SetFaceObjects(0, face);
    face.FreeObjects();
    FData->SetImageInfo(&images);
    const QString file = Path(QStringLiteral("records.lbd"));
    FData->Save(file);
    {
        TFileStorage root(file, fmDocRead);
        EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperExtraInfo")));
        EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperImageInfo")));
        EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperImages\\$00000001")));
    }
    auto reopened = TLabelData::Open(file);
    ASSERT_NE(reopened->ExtraInfo(), nullptr);
    EXPECT_EQ(reopened->ExtraInfo()->Company(), QStringLiteral("テスト紙工"));
    EXPECT_EQ(reopened->ExtraInfo()->RoundSize(), 30);
    ASSERT_NE(reopened->ImageInfo(), nullptr);
    ASSERT_EQ(reopened->ImageInfo()->FaceCount(), 1);
    // Every position shows face 0, behind the design.
    OwnedList shown;
    reopened->GetPaperImages(7, shown.List);
    ASSERT_EQ(shown.List.Count(), 1);
    EXPECT_EQ(shown.List[0]->LayerGroup(), kBackgroundLayerGroup);
    EXPECT_FALSE(shown.List[0]->Selectable());

    // A new sheet starts without them; clearing them removes the streams.
    reopened->AddSheet();
    EXPECT_EQ(reopened->ExtraInfo(), nullptr);
    EXPECT_EQ(reopened->ImageInfo(), nullptr);
    reopened->SelectSheet(0);
    reopened->SetExtraInfo(nullptr);
    reopened->SetImageInfo(nullptr);
    reopened->Save(file);
    TFileStorage root(file, fmDocRead);
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperExtraInfo")));
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Sheets\\NameList0\\PaperImageInfo")));
    EXPECT_FALSE(root.StorageExists(QStringLiteral("Sheets\\NameList0\\PaperImages")));
}

TEST_F(LabelDataFile, ForeignAndTruncatedFilesAreRefused)
{
    const QString good = SavedDocument(QStringLiteral("good.lbd"));
    const QByteArray bytes = ReadFileBytes(good);

    QFile text(Path(QStringLiteral("text.lbd")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a compound file at all");
    text.close();
    ExpectLoadFails(text.fileName());
    ExpectLoadFails(Path(QStringLiteral("does-not-exist.lbd")));

    for (int cut : {0, 100, 512, 1024, int(bytes.size() / 2)}) {
        QFile f(Path(QStringLiteral("cut%1.lbd").arg(cut)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.left(cut));
        f.close();
        ExpectLoadFails(f.fileName());
    }

    // A compound file of somebody else's.
    {
        TRootStorage other;
        other.OpenFile(Path(QStringLiteral("other.lbd")), fmDocCreate);
        TDocStream s(other, fmDocCreate, QStringLiteral("Contents"));
        s.WriteBytes("hello");
    }
    ExpectLoadFails(Path(QStringLiteral("other.lbd")));
}

TEST_F(LabelDataFile, DamagedStreamsAreRefused)
{
    const QString good = SavedDocument(QStringLiteral("good.lbd"));
    const QByteArray original = ReadFileBytes(good);
    struct Case
    {
        const char* Path;
        QByteArray Bytes;
    };
    TMemoryStream wrongClass;
    {
        TDataInfo info; // a component of another class where a paper belongs
        WriteComponentResource(wrongClass, QStringLiteral("PaperInfo"), info);
    }
    QByteArray truncatedInfo;
    {
        TFileStorage root(good, fmDocRead);
        TDocStream s(root, fmDocRead, QStringLiteral("Sheets\\NameList0\\Info"));
        truncatedInfo = s.ReadBytes(s.Size() - 6);
    }
    const Case cases[] = {
        {"DataInfo", QByteArray("garbage")},
        {"DataInfo", QByteArray()},
        {"Sheets\\NameList", QByteArray("\x01\x00\x00\x00Missing\r\n", 13)},
        {"Sheets\\NameList", QByteArray("\x01\x00", 2)},
        {"Sheets\\NameList0\\Info", truncatedInfo},
        {"Sheets\\NameList1\\Info", QByteArray("\xFF\x0A\x00INFO\x00", 8)},
        {"Sheets\\NameList0\\PaperInfo", QByteArray("\xFF\x0A\x00PAPERINFO\x00\x30\x10\x00\x00\x00\x00", 19)},
        {"Sheets\\NameList1\\PaperInfo", wrongClass.Data()},
        {"Sheets\\NameList0\\NameList", QByteArray("\x02", 1)},
    };
    for (const Case& c : cases) {
        const QString file = Path(QStringLiteral("damaged.lbd"));
        QFile::remove(file);
        ASSERT_TRUE(QFile::copy(good, file));
        WriteStream(file, QString::fromUtf8(c.Path), c.Bytes);
        SCOPED_TRACE(c.Path);
        ExpectLoadFails(file);
    }
    // The good file itself is untouched by all this and loads.
    EXPECT_EQ(ReadFileBytes(good), original);
    EXPECT_NO_THROW(FData->Load(good));
}

TEST_F(LabelDataFile, PaperThatFailsItsChecksIsRefused)
{
    const QString good = SavedDocument(QStringLiteral("good.lbd"));
    auto writePaper = [&](const TPaperInfo& paper) {
        const QString file = Path(QStringLiteral("paper.lbd"));
        QFile::remove(file);
        EXPECT_TRUE(QFile::copy(good, file));
        WriteStream(file, QStringLiteral("Sheets\\NameList1\\PaperInfo"),
                    ComponentResourceBytes(QStringLiteral("PaperInfo"), paper));
        return file;
    };
    auto noFaces = SamplePaper(0, 6);
    ExpectLoadFails(writePaper(*noFaces));
    auto tooMany = SamplePaper(100000, 100000);
    ExpectLoadFails(writePaper(*tooMany));
    auto flat = SamplePaper();
    flat->SetFaceHeight(0);
    ExpectLoadFails(writePaper(*flat));
    auto noSheet = SamplePaper();
    noSheet->SetPortraitWidth(0);
    ExpectLoadFails(writePaper(*noSheet));
    // A sound paper of another size is fine.
    auto other = SamplePaper(1, 3);
    const QString file = writePaper(*other);
    auto data = TLabelData::Open(file);
    data->SelectSheet(1);
    EXPECT_EQ(data->LabelCount(), 3);
}

TEST_F(LabelDataFile, DamagedDesignsFailToReadAndLeaveTheDocumentWorking)
{
    SavedDocument(QStringLiteral("d.lbd"));
    const QString label = FData->SheetPath(0) + QStringLiteral("\\NameList0");
    const QByteArray damaged[] = {
        QByteArray("\xFF\x0A\x00LABELDATA\x00\x10\x00\x00\x00\x30\x00TPF0", 23),
        CompressMarker() + QByteArray("\x40\x00\x00\x00\x78\xDA\x01\x02", 8),
        CompressMarker() + QByteArray("\xFF\xFF\xFF\x7F", 4),
    };
    for (const QByteArray& bytes : damaged) {
        {
            TDocStream s(FData->Storage(), fmDocCreate, label);
            s.WriteBytes(bytes);
        }
        OwnedList read;
        EXPECT_ANY_THROW(FData->ReadLabel(0, read.List));
        EXPECT_EQ(read.List.Count(), 0);
    }
    // A class no one registered.
    {
        TMemoryStream s;
        TLDTestRect rect;
        TDOList list;
        list.Add(&rect);
        WriteLabelData(s, list);
        QByteArray bytes = s.Data();
        bytes.replace("TLDTestRect", "TLDTestXxxx");
        TDocStream out(FData->Storage(), fmDocCreate, label);
        out.WriteBytes(bytes);
    }
    OwnedList read;
    EXPECT_THROW(FData->ReadLabel(0, read.List), EClassNotFound);
    // Other designs still read, and writing over the damaged one mends it.
    FData->ReadLabel(5, read.List);
    EXPECT_EQ(read.List.Count(), 1);
    TDOList list;
    list.Add(NewRect({10, 10, 50, 50}));
    FData->WriteLabel(0, list);
    list.FreeObjects();
    OwnedList again;
    FData->ReadLabel(0, again.List);
    EXPECT_EQ(again.List.Count(), 1);
}

TEST_F(LabelDataFile, FailedSaveLeavesThePreviousFile)
{
    const QString file = SavedDocument(QStringLiteral("keep.lbd"));
    const QByteArray before = ReadFileBytes(file);
    FData->SetSheetName(QStringLiteral("未保存"));
    // A folder in the file's place cannot be replaced by the new file.
    const QString blocked = Path(QStringLiteral("blocked.lbd"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    EXPECT_ANY_THROW(FData->Save(blocked));
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_TRUE(FData->Modified());
    // Into a missing folder: nothing is created, the old file is untouched.
    EXPECT_ANY_THROW(FData->Save(Path(QStringLiteral("no/such/folder/x.lbd"))));
    EXPECT_EQ(ReadFileBytes(file), before);
    // The document still saves where it can.
    FData->Save(file);
    EXPECT_FALSE(FData->Modified());
    EXPECT_EQ(TLabelData::Open(file)->SheetName(), QStringLiteral("未保存"));
}

TEST_F(LabelDataFile, IndependentReadersSeeTheTree)
{
    const QString file = SavedDocument(QStringLiteral("interop.lbd"));
    if (!QFile::exists(kPython) || !QFile::exists(QStringLiteral("/usr/bin/gsf")))
        GTEST_FAIL() << "python3-olefile and libgsf-bin are needed (scripts/install-deps)";
    static const char kScript[] = R"(
import sys, zlib, olefile
ole = olefile.OleFileIO(sys.argv[1])
for entry in sorted('/'.join(p) for p in ole.listdir(streams=True, storages=True)):
    print(entry)
data = ole.openstream('Sheets/NameList0/NameList0').read()
marker = b'ZLIBCompress\x1a'
assert data.startswith(marker), data[:20]
size = int.from_bytes(data[13:17], 'little')
plain = zlib.decompress(data[17:])
assert len(plain) == size
assert plain[0] == 0xFF and b'LABELDATA' in plain[:16] and b'TPF0' in plain and b'TLDObjects' in plain
print('inflated', size)
)";
    const ProcessResult ole = RunProgram(kPython, {QStringLiteral("-c"), QString::fromLatin1(kScript), file});
    ASSERT_EQ(ole.ExitCode, 0) << ole.StdErr.toStdString();
    const QString out = QString::fromUtf8(ole.StdOut);
    for (const char* path :
         {"DataInfo", "Sheets", "Sheets/NameList", "Sheets/NameList0", "Sheets/NameList0/Info",
          "Sheets/NameList0/PaperInfo", "Sheets/NameList0/NameList", "Sheets/NameList0/NameList0",
          "Sheets/NameList0/NameList5", "Sheets/NameList0/Preview", "Sheets/NameList0/Preview0",
          "Sheets/NameList0/Preview5", "Sheets/NameList1/Info", "Sheets/NameList1/PaperInfo"})
        EXPECT_TRUE(out.split(u'\n').contains(QString::fromLatin1(path))) << path << "\n"
                                                                          << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("inflated")));

    const ProcessResult gsf = RunProgram(QStringLiteral("gsf"), {QStringLiteral("list"), file});
    ASSERT_EQ(gsf.ExitCode, 0) << gsf.StdErr.toStdString();
    const QString listed = QString::fromUtf8(gsf.StdOut);
    for (const char* path :
         {"DataInfo", "Sheets/NameList0/NameList5", "Sheets/NameList0/Preview5", "Sheets/NameList1/Info"})
        EXPECT_TRUE(listed.contains(QString::fromLatin1(path))) << path << "\n" << listed.toStdString();

    // velmo-tool inflates the label stream and shows its component resource.
    const QString tool = BinaryDir() + QStringLiteral("/src/velmo-tool");
    const ProcessResult dump =
        RunProgram(tool, {QStringLiteral("dump"), file, QStringLiteral("Sheets/NameList0/NameList5")});
    ASSERT_EQ(dump.ExitCode, 0) << dump.StdErr.toStdString();
    const QString shown = QString::fromUtf8(dump.StdOut);
    EXPECT_TRUE(shown.contains(QStringLiteral("TLDObjects"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("TLDTestRect"))) << shown.toStdString();
}

TEST_F(LabelDataFile, PrintedImagesTurnWithALandscapePaper)
{
    TImagePaperInfo images;
    images.SetPaperName(FData->Paper()->PaperName());
    TDOList face;
    face.Add(NewRect({100, 50, 300, 150}, 0x808080)); // centre (200, 100) on the upright 900 x 400 label
    images.SetFaceObjects(0, face);
    images.SetFaceObjects(1, face);
    face.FreeObjects();
    FData->SetImageInfo(&images);

    OwnedList upright;
    FData->GetPaperImages(1, upright.List);
    ASSERT_EQ(upright.List.Count(), 1);
    EXPECT_EQ(Supports<IDOBaseRect>(upright.List[0])->GetBaseRect(), (TLogRect{100, 50, 300, 150}));
    OwnedList none;
    FData->GetPaperImages(2, none.List); // separately designed: face 2 has no list
    EXPECT_EQ(none.List.Count(), 0);

    auto paper = SamplePaper();
    paper->SetLandscape(true);
    FData->SetPaper(paper.get());
    OwnedList turned;
    FData->GetPaperImages(0, turned.List);
    ASSERT_EQ(turned.List.Count(), 1);
    // The centre goes to (100, 900 - 200) on the 400 x 900 label.
    EXPECT_EQ(Supports<IDOBaseRect>(turned.List[0])->GetBaseRect(), (TLogRect{0, 650, 200, 750}));
}

TEST_F(LabelDataFile, ImpossibleSettingsAreRepairedOnLoad)
{
    // A file may come from anywhere; values no window could have made are put back.
    FData->SetCurrentLabelNo(500); // the paper has 12 labels
    FData->Grid()->SetSize(-5);
    FData->SetLastSave(std::numeric_limits<double>::quiet_NaN());
    FData->SetLastPrint(1e300);
    FData->AddSheet();
    FData->SetCurrentLabelNo(-3);
    FData->Grid()->SetSize(1000000);
    const QString file = Path(QStringLiteral("odd.lbd"));
    FData->Save(file);

    auto data = TLabelData::Open(file);
    EXPECT_EQ(data->LastSave(), 0.0);
    EXPECT_EQ(data->LastPrint(), 0.0);
    for (int sheet : {0, 1}) {
        data->SelectSheet(sheet);
        EXPECT_EQ(data->CurrentLabelNo(), 0) << sheet;
        EXPECT_EQ(data->Grid()->Size(), TGrid::kDefaultSize) << sheet;
    }
    EXPECT_FALSE(data->Modified());

    // Sound values stay as they were.
    FData->SelectSheet(0);
    FData->SetCurrentLabelNo(11);
    FData->Grid()->SetSize(25);
    FData->SetLastSave(45000.5);
    FData->Save(file);
    data = TLabelData::Open(file);
    data->SelectSheet(0);
    EXPECT_EQ(data->CurrentLabelNo(), 11);
    EXPECT_EQ(data->Grid()->Size(), 25);
    EXPECT_EQ(data->LastSave(), 45000.5);
}
