// Papers and catalogues of the earlier generation, built here byte by byte from their
// record layout (never by our own writer), read, converted and merged.
#include "base/UCodePage932.h"
#include "paper/CatalogueTestSupport.h"
#include "paper/UOldPapers.h"
#include "paper/UPaperRecords.h"
#include "persist/UComponentStream.h"
#include "storage/UDocFile.h"
#include "support/StreamBytes.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <typeinfo>

using namespace velmo;
using velmo::test::StreamBytes;

namespace {

QByteArray Sjis(const QString& text)
{
    return cp932::Encode(text);
}

// An older matrix record: every published property of the older layout, the ones the
// current papers lack included.
StreamBytes OldMatrix(const QString& name, bool landscape = false, int width = 2100, int height = 2970)
{
    StreamBytes b;
    b.Header("TMatrixPaperInfo")
        .Prop("Landscape")
        .Bool(landscape)
        .Prop("Width")
        .Int(width)
        .Prop("Height")
        .Int(height)
        .Prop("PaperName")
        .String(Sjis(name))
        .Prop("GroupName")
        .String(Sjis(QStringLiteral("A4")))
        .Prop("ReadOnly")
        .Bool(true)
        .Prop("PaperPurpose")
        .String(Sjis(QStringLiteral("宛名")))
        .Prop("Technology")
        .Int(3)
        .Prop("Version")
        .Int(0)
        .Prop("TopOffset")
        .Int(105)
        .Prop("LeftOffset")
        .Int(80)
        .Prop("BottomMargin")
        .Int(20)
        .Prop("RightMargin")
        .Int(30)
        .Prop("FaceWidth")
        .Int(900)
        .Prop("FaceHeight")
        .Int(420)
        .Prop("FaceCountX")
        .Int(2)
        .Prop("FaceCountY")
        .Int(6)
        .Prop("FaceShape")
        .Ident("fsRoundRect")
        .Prop("FacePurpose")
        .String("ADDR")
        .Prop("FaceMargin")
        .Int(15);
    return b;
}

QByteArray Finish(StreamBytes b)
{
    return b.End().End().Data();
}

// The resource header in front of a component stream, as documents store PaperInfo.
QByteArray Resource(const QByteArray& stream)
{
    StreamBytes r;
    r.Raw(QByteArray("\xFF\x0A\x00PAPERINFO\x00\x30\x10", 15)).U32(uint32_t(stream.size())).Raw(stream);
    return r.Data();
}

QByteArray OldFree(const QString& name)
{
    StreamBytes b;
    b.Header("TFreePaperInfo")
        .Prop("Landscape")
        .Bool(false)
        .Prop("Width")
        .Int(1000)
        .Prop("Height")
        .Int(1480)
        .Prop("PaperName")
        .String(Sjis(name))
        .Prop("ReadOnly")
        .Bool(false)
        .Prop("Version")
        .Int(7)
        .Prop("Faces")
        .Byte(14) // collection
        .Byte(1)
        .Prop("Left")
        .Int(100)
        .Prop("Top")
        .Int(200)
        .Prop("Width")
        .Int(800)
        .Prop("Height")
        .Int(800)
        .Prop("FaceShape")
        .Ident("fsDoughnut")
        .Prop("FacePurpose")
        .String("CD")
        .End()
        .End();
    return b.End().End().Data();
}

void ExpectCurrentClasses()
{
    const TComponentClass* matrix = FindComponentClass(u"TMatrixPaperInfo");
    const TComponentClass* free = FindComponentClass(u"TFreePaperInfo");
    ASSERT_TRUE(matrix && free);
    EXPECT_EQ(*matrix->Type, typeid(TMatrixPaperInfo));
    EXPECT_EQ(*free->Type, typeid(TFreePaperInfo));
    EXPECT_EQ(FindComponentClass(u"TPaperInfo"), nullptr);
}

class OldPaper : public ::testing::Test
{
protected:
    void SetUp() override { velmo::test::EnsureCatalogueClasses(); }

    static std::unique_ptr<TPaperInfo> Read(const QByteArray& resource)
    {
        TMemoryStream stream(resource);
        return ReadOldPaper(stream);
    }
};

TEST_F(OldPaper, MatrixRecordBecomesACurrentPaperOfTheSameGeometry)
{
    const QByteArray bytes = Resource(Finish(OldMatrix(QStringLiteral("ABC 12面"))));
    // The current classes refuse it: the purpose text and the rest are unknown to them.
    {
        TMemoryStream stream(bytes);
        EXPECT_ANY_THROW(ReadComponentResourceAs<TPaperInfo>(stream));
    }
    std::unique_ptr<TPaperInfo> paper = Read(bytes);
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(paper.get());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->PortraitWidth(), 2100);
    EXPECT_EQ(matrix->PortraitHeight(), 2970);
    EXPECT_EQ(matrix->PaperName(), QStringLiteral("ABC 12面"));
    EXPECT_EQ(matrix->GroupName(), QStringLiteral("A4"));
    EXPECT_TRUE(matrix->ReadOnly());
    EXPECT_EQ(matrix->TopOffset(), 105);
    EXPECT_EQ(matrix->LeftOffset(), 80);
    EXPECT_EQ(matrix->BottomMargin(), 20);
    EXPECT_EQ(matrix->RightMargin(), 30);
    EXPECT_EQ(matrix->FaceWidth(), 900);
    EXPECT_EQ(matrix->FaceHeight(), 420);
    EXPECT_EQ(matrix->GetFaceCount(), 12);
    EXPECT_EQ(matrix->FaceShape(), fsRoundRect);
    EXPECT_EQ(matrix->FacePurpose(), QStringLiteral("ADDR"));
    EXPECT_EQ(matrix->FaceMargin(), 15);
    // The hole, corner and centre keep their defaults.
    EXPECT_EQ(matrix->CutCenterWidth(), 410);
    EXPECT_EQ(matrix->CutCenterHeight(), 410);
    EXPECT_EQ(matrix->RoundSize(), 100);
    EXPECT_EQ(matrix->CenterShape(), csEllipse);
    // Face 11 (column 1, row 5) by the grid formula.
    const TLogRect last = matrix->GetFaceRect(11);
    EXPECT_EQ(last.Left, 80 + 900 + 30);
    EXPECT_EQ(last.Top, 105 + 5 * (420 + 20));
    // The purpose text is gone from what the paper writes.
    const QByteArray written = ComponentStreamBytes(*matrix);
    EXPECT_FALSE(written.contains("PaperPurpose"));
    EXPECT_FALSE(written.contains("Technology"));
    ExpectCurrentClasses();
}

TEST_F(OldPaper, FaceTypeOneMakesACompactDisc)
{
    StreamBytes b = OldMatrix(QStringLiteral("CD"));
    b.Prop("FaceType").Int(1);
    auto paper = Read(Resource(Finish(b)));
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(paper.get());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->FaceShape(), fsDoughnut);
    EXPECT_EQ(matrix->FacePurpose(), QStringLiteral("CD"));
    EXPECT_EQ(matrix->GetCutCenter(0), QSize(410, 410));
}

TEST_F(OldPaper, LandscapeRecordKeepsItsOrientedSize)
{
    auto paper = Read(Resource(Finish(OldMatrix(QStringLiteral("横"), true, 2970, 2100))));
    ASSERT_TRUE(paper);
    EXPECT_TRUE(paper->Landscape());
    EXPECT_EQ(paper->Width(), 2970);
    EXPECT_EQ(paper->Height(), 2100);
    EXPECT_EQ(paper->PortraitWidth(), 2100);
    EXPECT_EQ(paper->PortraitHeight(), 2970);
}

TEST_F(OldPaper, FreeRecordBecomesAFreePaperWithItsFaces)
{
    auto paper = Read(Resource(OldFree(QStringLiteral("自由"))));
    auto* free = dynamic_cast<TFreePaperInfo*>(paper.get());
    ASSERT_TRUE(free);
    ASSERT_EQ(free->GetFaceCount(), 1);
    EXPECT_EQ(free->GetFaceRect(0), (TLogRect{100, 200, 900, 1000}));
    EXPECT_EQ(free->GetFaceShape(0), fsDoughnut);
    EXPECT_EQ(free->GetFacePurpose(0), QStringLiteral("CD"));
    EXPECT_EQ(free->PortraitHeight(), 1480);
}

TEST_F(OldPaper, DamagedRecordsFailAndPutTheCurrentClassesBack)
{
    const QByteArray good = Resource(Finish(OldMatrix(QStringLiteral("ABC 12面"))));
    int failures = 0;
    for (int cut = 0; cut < good.size(); ++cut) {
        TMemoryStream stream(good.left(cut));
        try {
            (void)ReadOldPaper(stream);
        } catch (const std::exception&) {
            ++failures;
        }
        ExpectCurrentClasses();
    }
    EXPECT_EQ(failures, good.size());

    // Bytes flipped one at a time: a result or an exception, never a crash, and the
    // names resolve as before.
    for (int i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0x5A);
        TMemoryStream stream(bad);
        try {
            (void)ReadOldPaper(stream);
        } catch (const std::exception&) {
        }
    }
    ExpectCurrentClasses();

    // A record of another class is no paper.
    StreamBytes other;
    other.Header("TPLStreamer").End().End();
    TMemoryStream stream(Resource(other.Data()));
    EXPECT_THROW(ReadOldPaper(stream), EReadError);
    ExpectCurrentClasses();
}

TEST(OldPaperMaker, DerivedFromTheName)
{
    EXPECT_EQ(MakerFromOldPaperName(QStringLiteral("ABC 12面")), QStringLiteral("ABC"));
    EXPECT_EQ(MakerFromOldPaperName(QStringLiteral("定型ハガキ")), QStringLiteral("定型"));
    EXPECT_EQ(MakerFromOldPaperName(QStringLiteral("ハガキ定型")), QStringLiteral("定型"));
    EXPECT_EQ(MakerFromOldPaperName(QStringLiteral("NoMaker")), QString());
    EXPECT_EQ(MakerFromOldPaperName(QString()), QString());
    EXPECT_EQ(MakerFromOldPaperName(QStringLiteral(" 先頭")), QString());
}

// ---------------------------------------------------------------------------------
// Older catalogue files

class OldCatalogue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        velmo::test::EnsureCatalogueClasses();
        ASSERT_TRUE(FDir.isValid());
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    // A compound file with the given streams, by our storage layer (the element
    // names and contents are the older layout, written out here by hand).
    QString MakeFile(const QString& name, const QList<QPair<QString, QByteArray>>& streams)
    {
        const QString file = Path(name);
        TRootStorage root;
        root.OpenFile(file, fmDocCreate);
        for (const auto& [path, bytes] : streams) {
            TDocStream s(root, fmDocCreate, path);
            s.WriteBytes(bytes);
        }
        root.Close();
        return file;
    }

    static QByteArray Le32(int32_t v)
    {
        StreamBytes b;
        b.U32(uint32_t(v));
        return b.Data();
    }

    static QByteArray ReadElement(const QString& file, const QString& path)
    {
        TRootStorage root;
        root.OpenFile(file, fmDocRead);
        if (!root.StreamExists(path))
            return "missing";
        TDocStream s(root, fmDocRead, path);
        return s.ReadBytes(s.Size());
    }

    QString Standard()
    {
        return MakeFile(QStringLiteral("old.ppr"),
                        {{"Papers\\P2", Finish(OldMatrix(QStringLiteral("定型ハガキ")))},
                         {"Papers\\P1", Finish(OldMatrix(QStringLiteral("ABC 12面")))},
                         {"Papers\\P3", OldFree(QStringLiteral("NoMaker"))},
                         {"GroupList\\GroupList", Sjis(QStringLiteral("A4\r\nハガキ\r\n"))},
                         {"GroupList\\GroupIcons", QByteArray("icon bytes")},
                         {"Version\\Version", Le32(0)}});
    }

    QTemporaryDir FDir;
};

TEST_F(OldCatalogue, OpensWithRecordsInStreamOrder)
{
    const QString file = Standard();
    {
        TOldPapers old(file);
        ASSERT_EQ(old.Count(), 3);
        EXPECT_EQ(old.StreamName(0), QStringLiteral("P1"));
        EXPECT_EQ(old.Paper(0)->PaperName(), QStringLiteral("ABC 12面"));
        EXPECT_EQ(old.Paper(1)->PaperName(), QStringLiteral("定型ハガキ"));
        EXPECT_NE(dynamic_cast<TOldFreePaperInfo*>(old.Paper(2)), nullptr);
        EXPECT_EQ(old.Paper(0)->PaperPurpose(), QStringLiteral("宛名"));
        EXPECT_EQ(old.Paper(0)->Technology(), 3);
        // Version 0 in the record becomes 100; 7 stays.
        EXPECT_EQ(old.Paper(0)->Version(), 100);
        EXPECT_EQ(old.Paper(2)->Version(), 7);
        EXPECT_EQ(old.GroupNames(), (QStringList{"A4", QStringLiteral("ハガキ")}));
        EXPECT_EQ(old.GroupIcons(), QByteArray("icon bytes"));
        EXPECT_EQ(old.Version(), 100);
        // The default purposes went into each record.
        TPurposeList defaults;
        defaults.SetDefault();
        EXPECT_EQ(old.PurposeList()->Count(), defaults.Count());
        EXPECT_GE(old.Paper(0)->PurposeList()->Count(), defaults.Count());
        // Open exclusively: nobody else gets at the file meanwhile.
        EXPECT_THROW(TOldPapers again(file), std::exception);
        ExpectCurrentClasses();
    }
    // The version was written back.
    EXPECT_EQ(ReadElement(file, "Version\\Version"), Le32(100));
}

TEST_F(OldCatalogue, WithoutVersionStreamStaysWithout)
{
    const QString file =
        MakeFile(QStringLiteral("nov.ppr"), {{"Papers\\A", Finish(OldMatrix(QStringLiteral("X 1")))}});
    {
        TOldPapers old(file);
        EXPECT_EQ(old.Version(), 100);
        EXPECT_EQ(old.Count(), 1);
    }
    EXPECT_EQ(ReadElement(file, "Version\\Version"), QByteArray("missing"));
}

TEST_F(OldCatalogue, MergeStoresPapersWithTheirMakersOncePerName)
{
    const QString file = Standard();
    const QString target = Path(QStringLiteral("target.ppr"));
    {
        TVelmoPapers papers(target, false);
        papers.StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("既存")));
        TOldPaperMergeResult first = MergeOldPapers(papers, file);
        EXPECT_EQ(first.Merged, 3);
        EXPECT_TRUE(first.Skipped.isEmpty()) << first.Skipped.join('\n').toStdString();
        TOldPaperMergeResult second = MergeOldPapers(papers, file);
        EXPECT_EQ(second.Merged, 3);
        EXPECT_EQ(papers.Count(), 4);
        papers.Close();
    }
    TVelmoPapers papers(target, true);
    ASSERT_EQ(papers.Count(), 4);
    auto maker = [&](const QString& name) { return papers.GetExInfo(name, true)->Company(); };
    EXPECT_EQ(maker(QStringLiteral("ABC 12面")), QStringLiteral("ABC"));
    EXPECT_EQ(maker(QStringLiteral("定型ハガキ")), QStringLiteral("定型"));
    EXPECT_EQ(maker(QStringLiteral("NoMaker")), QString());
    const int abc = papers.IndexOfName(QStringLiteral("ABC 12面"));
    ASSERT_GE(abc, 0);
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(papers.Paper(abc));
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->GetFaceCount(), 12);
    EXPECT_EQ(matrix->FaceShape(), fsRoundRect);
    EXPECT_TRUE(matrix->ReadOnly());
    const int free = papers.IndexOfName(QStringLiteral("NoMaker"));
    ASSERT_GE(free, 0);
    EXPECT_NE(dynamic_cast<TFreePaperInfo*>(papers.Paper(free)), nullptr);
    ExpectCurrentClasses();
}

TEST_F(OldCatalogue, OlderPurposesJoinTheCatalogueList)
{
    // A purpose list with one purpose the current defaults lack.
    TPLStreamer streamer;
    streamer.List()->SetDefault();
    TPurposeInfo* extra = streamer.List()->Add();
    extra->SetID(QStringLiteral("OLDX"));
    extra->SetDisplayName(QStringLiteral("旧用途"));
    const QString file =
        MakeFile(QStringLiteral("p.ppr"), {{"Papers\\A", Finish(OldMatrix(QStringLiteral("X 1")))},
                                           {"PurposeList\\PurposeList", ComponentStreamBytes(streamer)}});
    TVelmoPapers papers(Path(QStringLiteral("t.ppr")), false);
    EXPECT_EQ(papers.PurposeList()->Find(QStringLiteral("OLDX")), -1);
    MergeOldPapers(papers, file);
    EXPECT_GE(papers.PurposeList()->Find(QStringLiteral("OLDX")), 0);
}

TEST_F(OldCatalogue, DamagedFilesAndRecords)
{
    const QString target = Path(QStringLiteral("t.ppr"));
    TVelmoPapers papers(target, false);
    papers.StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("既存")));

    // Not a compound file, missing, empty: refused before anything is merged.
    const QString text = Path(QStringLiteral("text.ppr"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a catalogue");
    }
    EXPECT_ANY_THROW(MergeOldPapers(papers, text));
    EXPECT_ANY_THROW(MergeOldPapers(papers, Path(QStringLiteral("missing.ppr"))));
    EXPECT_EQ(papers.Count(), 1);

    // A truncated record, a record of the wrong class, a paper that fails its checks
    // and a damaged version stream: the sound papers still come in, the rest is named.
    StreamBytes wrong;
    wrong.Header("TPLStreamer").End().End();
    StreamBytes outside = OldMatrix(QStringLiteral("外 1"));
    outside.Prop("FaceCountX").Int(50);
    const QByteArray good = Finish(OldMatrix(QStringLiteral("良 2")));
    const QString file = MakeFile(QStringLiteral("damaged.ppr"), {{"Papers\\A", good.left(good.size() / 2)},
                                                                  {"Papers\\B", wrong.Data()},
                                                                  {"Papers\\C", Finish(outside)},
                                                                  {"Papers\\D", good},
                                                                  {"Papers\\E", QByteArray()}});
    TOldPaperMergeResult result = MergeOldPapers(papers, file);
    EXPECT_EQ(result.Merged, 1);
    ASSERT_EQ(result.Skipped.size(), 4) << result.Skipped.join('\n').toStdString();
    EXPECT_TRUE(result.Skipped[0].startsWith("A: "));
    EXPECT_TRUE(result.Skipped[3].startsWith("C: ")) << result.Skipped[3].toStdString();
    EXPECT_EQ(papers.Count(), 2);
    EXPECT_GE(papers.IndexOfName(QStringLiteral("良 2")), 0);
    ExpectCurrentClasses();

    const QString badVersion =
        MakeFile(QStringLiteral("v.ppr"), {{"Version\\Version", QByteArray("\x01", 1)}});
    EXPECT_THROW(TOldPapers old(badVersion), EReadError);
    // A hostile group list size is refused rather than read.
    ExpectCurrentClasses();
}

TEST_F(OldCatalogue, AfterAMergeCurrentPapersReadNormally)
{
    MergeOldPapers(*std::make_unique<TVelmoPapers>(Path(QStringLiteral("t.ppr")), false), Standard());
    auto current = velmo::test::MakeNamedPaper(QStringLiteral("今"));
    TMemoryStream stream(ComponentResourceBytes(QStringLiteral("PaperInfo"), *current));
    auto back = ReadComponentResourceAs<TPaperInfo>(stream);
    EXPECT_NE(dynamic_cast<TMatrixPaperInfo*>(back.get()), nullptr);
}

} // namespace
