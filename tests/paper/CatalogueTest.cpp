#include "paper/CatalogueTestSupport.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include <QThread>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::FileBytes;
using velmo::test::MakeNamedPaper;

namespace {

class Catalogue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        velmo::test::EnsureCatalogueClasses();
        ASSERT_TRUE(FDir.isValid());
        FFile = FDir.filePath(QStringLiteral("velmo.ppr"));
    }
    // Makes a catalogue file with the named papers, in that order.
    void MakeFile(const QStringList& names)
    {
        QFile::remove(FFile);
        TVelmoPapers papers(FFile, false);
        for (const QString& name : names)
            papers.StorePaper(*MakeNamedPaper(name));
        papers.Close();
    }
    static QStringList Names(const TPapers& papers)
    {
        QStringList names;
        for (int i = 0; i < papers.Count(); ++i)
            names.append(papers.Paper(i)->PaperName());
        return names;
    }

    QTemporaryDir FDir;
    QString FFile;
};

TEST(CatalogueKeys, FormatAndParse)
{
    EXPECT_EQ(PaperKey(42), QStringLiteral("$0000002A"));
    EXPECT_EQ(PaperKey(0xFFFFFFFFu), QStringLiteral("$FFFFFFFF"));
    uint32_t n = 0;
    EXPECT_TRUE(ParsePaperKey(QStringLiteral("$0000002a"), &n));
    EXPECT_EQ(n, 42u);
    EXPECT_TRUE(ParsePaperKey(QStringLiteral("17"), &n));
    EXPECT_EQ(n, 17u);
    EXPECT_FALSE(ParsePaperKey(QStringLiteral("$XYZ"), &n));
    EXPECT_FALSE(ParsePaperKey(QStringLiteral("$100000000"), &n));
    EXPECT_EQ(PaperKeyNumber(QStringLiteral("ImageInfo")), 0u);
}

TEST_F(Catalogue, NewPapersTakeTheNextKey)
{
    TVelmoPapers papers(FFile, false);
    EXPECT_EQ(papers.Count(), 0);
    papers.StorePaper(*MakeNamedPaper(QStringLiteral("一")));
    EXPECT_EQ(papers.Key(0), QStringLiteral("$00000001"));
    // After $0000000F comes $00000010 (hexadecimal, not decimal 16 -> "$00000016").
    papers.RenameKey(0, QStringLiteral("$0000000F"));
    papers.StorePaper(*MakeNamedPaper(QStringLiteral("二")));
    EXPECT_EQ(papers.Key(1), QStringLiteral("$00000010"));
    EXPECT_TRUE(papers.Storage().StreamExists(QStringLiteral("Papers\\$00000010")));
    EXPECT_FALSE(papers.Storage().StreamExists(QStringLiteral("Papers\\$00000001")));
}

TEST_F(Catalogue, PapersAreStoredUprightWithTheirPurposes)
{
    {
        TVelmoPapers papers(FFile, false);
        auto paper = MakeNamedPaper(QStringLiteral("横"));
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetLandscape(true);
        TPurposeInfo* own = paper->PurposeList()->Add();
        own->SetID(QStringLiteral("MyOwn"));
        own->SetDisplayName(QStringLiteral("自分用"));
        papers.StorePaper(*paper);
        // The caller's paper keeps its orientation and flags.
        EXPECT_TRUE(paper->Landscape());
        EXPECT_FALSE(paper->StorePurposes());
        // The catalogue learned the purpose and wrote it at once.
        EXPECT_GE(papers.PurposeList()->Find(QStringLiteral("MyOwn")), 0);
        TDocStream stream(papers.Storage(), fmDocRead, QStringLiteral("Papers\\$00000001"));
        const QByteArray bytes = stream.ReadBytes(stream.Size());
        EXPECT_TRUE(bytes.contains("PurposeList"));
        papers.Close();
    }
    TVelmoPapers reopened(FFile, false);
    ASSERT_EQ(reopened.Count(), 1);
    TPaperInfo* paper = reopened.Paper(0);
    EXPECT_FALSE(paper->Landscape());
    EXPECT_EQ(paper->Width(), 2100);
    EXPECT_EQ(paper->Height(), 2970);
    EXPECT_GE(reopened.PurposeList()->Find(QStringLiteral("MyOwn")), 0);
    // Every paper read gains the catalogue's purposes.
    EXPECT_GE(paper->PurposeList()->Find(QStringLiteral("CD")), 0);
}

TEST_F(Catalogue, StoringAnExistingNameKeepsItsPlace)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    TVelmoPapers papers(FFile, false);
    auto changed = MakeNamedPaper(QStringLiteral("A"), QStringLiteral("新しいグループ"));
    papers.StorePaper(*changed);
    EXPECT_EQ(papers.Count(), 3);
    EXPECT_EQ(Names(papers), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(papers.Key(0), QStringLiteral("$00000001"));
    EXPECT_EQ(papers.Paper(0)->GroupName(), QStringLiteral("新しいグループ"));
    EXPECT_NE(papers.Paper(0), changed.get());              // the catalogue keeps its own copy
    EXPECT_EQ(papers.IndexOfName(QStringLiteral("a")), -1); // names are case-sensitive
}

TEST_F(Catalogue, RenumberReversesAndStopsOnAnUnknownName)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    {
        TVelmoPapers papers(FFile, false);
        papers.Renumber({QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")});
        EXPECT_EQ(Names(papers), (QStringList{"C", "B", "A"}));
        EXPECT_EQ(papers.Keys(), (QStringList{"$00000004", "$00000005", "$00000006"}));
        EXPECT_TRUE(papers.KeysSorted());
        papers.Close();
    }
    TVelmoPapers papers(FFile, false);
    EXPECT_EQ(Names(papers), (QStringList{"C", "B", "A"}));
    try {
        papers.Renumber({QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("C")});
        FAIL() << "no error";
    } catch (const EPaperCatalogError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Bad paper name"));
    }
    // A moved behind every key before the error and keeps its new key; the list is
    // sorted again.
    EXPECT_TRUE(papers.KeysSorted());
    EXPECT_EQ(Names(papers), (QStringList{"C", "B", "A"}));
    EXPECT_EQ(papers.Key(2), QStringLiteral("$00000007"));
    // Too few names is an error too.
    EXPECT_THROW(papers.Renumber({QStringLiteral("A")}), EPaperCatalogError);
}

TEST_F(Catalogue, RenameKeyIgnoresAKeyInUse)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B")});
    TVelmoPapers papers(FFile, false);
    papers.SetKeysSorted(false);
    papers.RenameKey(0, QStringLiteral("$00000002"));
    EXPECT_EQ(papers.Keys(), (QStringList{"$00000001", "$00000002"}));
    papers.RenameKey(0, QStringLiteral("$00000009"));
    EXPECT_EQ(papers.Keys(), (QStringList{"$00000009", "$00000002"})); // unsorted: stays in place
    papers.SetKeysSorted(true);
    EXPECT_EQ(Names(papers), (QStringList{"B", "A"}));
    EXPECT_TRUE(papers.Storage().StreamExists(QStringLiteral("Papers\\$00000009")));
}

TEST_F(Catalogue, RewriteWritesEveryPaperAgain)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B")});
    TVelmoPapers papers(FFile, false);
    papers.Paper(1)->SetLandscape(true);
    std::vector<std::pair<int, int>> steps;
    papers.Rewrite([&](int position, int total) { steps.emplace_back(position, total); });
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps.back(), std::make_pair(4, 4));
    TDocStream stream(papers.Storage(), fmDocRead, QStringLiteral("Papers\\$00000002"));
    const QByteArray bytes = stream.ReadBytes(stream.Size());
    EXPECT_FALSE(bytes.contains("PurposeList"));
    EXPECT_TRUE(papers.Paper(1)->Landscape()); // only the stream is upright
}

TEST_F(Catalogue, EmptyExtraInformationRemovesTheRecord)
{
    TVelmoPapers papers(FFile, false);
    papers.StorePaper(*MakeNamedPaper(QStringLiteral("A")));
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("A"), false), nullptr);
    std::unique_ptr<TExPaperInfo> info = papers.GetExInfo(QStringLiteral("A"), true);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->PaperName(), QStringLiteral("A"));
    info->SetCompany(QStringLiteral("メーカー"));
    info->SetRoundSize(30);
    papers.StoreExInfo(*info);
    TExtraInfoBase* base = papers.Base(QStringLiteral("ExtraInfos"));
    ASSERT_TRUE(base);
    EXPECT_EQ(base->Count(), 1);
    auto found = papers.GetExInfo(QStringLiteral("A"), false);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Company(), QStringLiteral("メーカー"));
    EXPECT_EQ(found->RoundSize(), 30);

    TExPaperInfo empty;
    empty.SetPaperName(QStringLiteral("A"));
    papers.StoreExInfo(empty);
    EXPECT_EQ(base->Count(), 0);
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("A"), false), nullptr);
    QStringList streams;
    TDocStorage(papers.Storage(), false, QStringLiteral("ExtraInfos")).ListStreams(streams);
    EXPECT_TRUE(streams.isEmpty());
    // Records without a paper name or for unknown bases are ignored.
    TExPaperInfo nameless;
    nameless.SetCompany(QStringLiteral("X"));
    papers.StoreExInfo(nameless);
    papers.StoreRecord(QStringLiteral("NoSuchBase"), *info);
    EXPECT_EQ(base->Count(), 0);
    EXPECT_EQ(papers.FindRecord(QStringLiteral("NoSuchBase"), QStringLiteral("A")), nullptr);
}

TEST_F(Catalogue, ExtraInformationKeysAndLazyCache)
{
    {
        TVelmoPapers papers(FFile, false);
        for (const char* name : {"A", "B", "C"}) {
            papers.StorePaper(*MakeNamedPaper(QString::fromUtf8(name)));
            TExPaperInfo info;
            info.SetPaperName(QString::fromUtf8(name));
            info.SetPurpose(QStringLiteral("宛名") + QString::fromUtf8(name));
            papers.StoreExInfo(info);
        }
        auto* base = static_cast<TExInfoBase*>(papers.Base(QStringLiteral("ExtraInfos")));
        EXPECT_EQ(base->StreamNames(), (QStringList{"$00000001", "$00000002", "$00000003"}));
        papers.Close();
    }
    TVelmoPapers papers(FFile, false);
    auto* base = static_cast<TExInfoBase*>(papers.Base(QStringLiteral("ExtraInfos")));
    EXPECT_EQ(base->CachedCount(), 0); // nothing read at opening
    auto b = papers.GetExInfo(QStringLiteral("B"), false);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Purpose(), QStringLiteral("宛名B"));
    EXPECT_EQ(base->CachedCount(), 2); // read up to B's record
    // Replacing A's record deletes its old stream and takes a key above all.
    TExPaperInfo a;
    a.SetPaperName(QStringLiteral("A"));
    a.SetCompany(QStringLiteral("新"));
    papers.StoreExInfo(a);
    EXPECT_EQ(base->StreamNames(), (QStringList{"$00000002", "$00000004", "$00000003"}));
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("A"), false)->Company(), QStringLiteral("新"));
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("C"), false)->Purpose(), QStringLiteral("宛名C"));
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("Z"), false), nullptr);
    auto record = base->GetRecord(0);
    EXPECT_EQ(record->PaperName(), QStringLiteral("B"));
}

TEST_F(Catalogue, TwoRecordsForOnePaperAreAnError)
{
    {
        TVelmoPapers papers(FFile, false);
        papers.StorePaper(*MakeNamedPaper(QStringLiteral("A")));
        TExPaperInfo info;
        info.SetPaperName(QStringLiteral("A"));
        info.SetCompany(QStringLiteral("M"));
        WriteComponent(*std::make_unique<TDocStream>(papers.Storage(), fmDocCreate,
                                                     QStringLiteral("ExtraInfos\\$00000001")),
                       info);
        WriteComponent(*std::make_unique<TDocStream>(papers.Storage(), fmDocCreate,
                                                     QStringLiteral("ExtraInfos\\$00000002")),
                       info);
        papers.Close();
    }
    TVelmoPapers papers(FFile, false);
    try {
        papers.GetExInfo(QStringLiteral("Other"), false);
        FAIL() << "no error";
    } catch (const EPaperCatalogError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("用紙情報更新エラー(A)"));
    }
}

TEST_F(Catalogue, BackgroundDesignsRoundTripAndFollowTheirPaper)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B")});
    test::TRecordTestShape first, second;
    first.SetValue(1);
    second.SetValue(2);
    TDOList face0, face1;
    face0.Add(&first);
    face1.Add(&second);
    face1.Add(&first);
    {
        TVelmoPapers papers(FFile, false);
        for (const char* name : {"A", "B"}) {
            TImagePaperInfo info;
            info.SetPaperName(QString::fromUtf8(name));
            info.SetLabelCount(2);
            info.SetFaceObjects(0, face0);
            info.SetFaceObjects(1, face1);
            papers.StoreRecord(QStringLiteral("PaperImages"), info);
        }
        auto* base = static_cast<TImageInfoBase*>(papers.Base(QStringLiteral("PaperImages")));
        EXPECT_EQ(base->StorageNames(), (QStringList{"$00000001", "$00000002"}));
        EXPECT_TRUE(papers.Storage().StreamExists(QStringLiteral("PaperImages\\$00000002\\$00000002")));
        papers.Close();
    }
    TVelmoPapers papers(FFile, false);
    std::unique_ptr<TExtraPaperInfo> found =
        papers.FindRecord(QStringLiteral("PaperImages"), QStringLiteral("B"));
    auto* image = dynamic_cast<TImagePaperInfo*>(found.get());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->LabelCount(), 2);
    EXPECT_TRUE(image->SeparatelyDesign());
    ASSERT_EQ(image->FaceCount(), 2);
    ASSERT_EQ(image->Faces(1).Count(), 2);
    EXPECT_EQ(static_cast<test::TRecordTestShape*>(image->Faces(1)[0])->Value(), 2);
    EXPECT_EQ(image->Faces(1)[0]->LayerGroup(), kBackgroundLayerGroup);
    EXPECT_FALSE(image->Faces(1)[0]->Selectable());
    EXPECT_FALSE(image->Faces(1)[0]->Enabled());

    // An extra record for A as well, then A goes: all of A's records go with it.
    TExPaperInfo ex;
    ex.SetPaperName(QStringLiteral("A"));
    ex.SetCompany(QStringLiteral("M"));
    papers.StoreExInfo(ex);
    papers.DeletePaper(papers.IndexOfName(QStringLiteral("A")));
    EXPECT_EQ(papers.Count(), 1);
    EXPECT_FALSE(papers.Storage().StreamExists(QStringLiteral("Papers\\$00000001")));
    EXPECT_EQ(papers.FindRecord(QStringLiteral("PaperImages"), QStringLiteral("A")), nullptr);
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("A"), false), nullptr);
    EXPECT_FALSE(papers.Storage().StorageExists(QStringLiteral("PaperImages\\$00000001")));
    EXPECT_NE(papers.FindRecord(QStringLiteral("PaperImages"), QStringLiteral("B")), nullptr);

    // An empty record only deletes.
    TImagePaperInfo empty;
    empty.SetPaperName(QStringLiteral("B"));
    papers.StoreRecord(QStringLiteral("PaperImages"), empty);
    EXPECT_EQ(papers.Base(QStringLiteral("PaperImages"))->Count(), 0);
}

TEST_F(Catalogue, MissingListsAreCreatedEmpty)
{
    {
        // A bare catalogue: papers and nothing else.
        TRootStorage root;
        root.OpenFile(FFile, fmDocCreate);
        auto paper = MakeNamedPaper(QStringLiteral("A"));
        WriteComponent(*std::make_unique<TDocStream>(root, fmDocCreate, QStringLiteral("Papers\\$00000001")),
                       *paper);
        root.Close();
    }
    {
        TVelmoPapers papers(FFile, false);
        EXPECT_EQ(papers.Count(), 1);
        EXPECT_EQ(papers.UpdateInfo().PPRNo(), 0);
        EXPECT_TRUE(papers.CompanyList().isEmpty());
        EXPECT_TRUE(papers.GroupList().isEmpty());
        EXPECT_TRUE(papers.Modified());
        papers.Close();
    }
    TRootStorage root;
    root.OpenFile(FFile, fmDocRead);
    for (const char* path : {"UpdateInfo\\UpdateInfo", "GroupList\\GroupList", "CompanyList\\CompanyList"})
        EXPECT_TRUE(root.StreamExists(QString::fromUtf8(path))) << path;
    EXPECT_TRUE(root.StorageExists(QStringLiteral("ExtraInfos")));
    EXPECT_TRUE(root.StorageExists(QStringLiteral("PaperImages")));
}

TEST_F(Catalogue, ListsAreWrittenAtOnceAsCodePage932Lines)
{
    TVelmoPapers papers(FFile, false);
    papers.SetCompanyList({QStringLiteral("髙橋～"), QString(), QStringLiteral("B")});
    papers.SetGroupList({QStringLiteral("A4")});
    TDocStream stream(papers.Storage(), fmDocRead, QStringLiteral("CompanyList\\CompanyList"));
    EXPECT_EQ(test::Hex(stream.ReadBytes(stream.Size())),
              QStringLiteral("FB FC 8B B4 81 60 0D 0A 0D 0A 42 0D 0A"));
    EXPECT_EQ(DecodeCatalogueList(QByteArray("a\r\n\r\nb")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(DecodeCatalogueList(QByteArray("a\nb\n")), (QStringList{"a", "b"}));
    EXPECT_TRUE(DecodeCatalogueList(QByteArray()).isEmpty());
    // A name code page 932 cannot hold is refused, not damaged.
    EXPECT_THROW(papers.SetGroupList({QStringLiteral("\U0001F600")}), Exception);
    EXPECT_EQ(papers.GroupList(), (QStringList{"A4"}));
}

TEST_F(Catalogue, CompaniesAndGroupsInCatalogueOrder)
{
    TVelmoPapers papers(FFile, false);
    const char* rows[][3] = {
        {"A", "はがき", "M1"}, {"B", "A4", ""}, {"C", "はがき", "M2"}, {"D", "A4", "M1"}};
    for (auto& row : rows) {
        papers.StorePaper(*MakeNamedPaper(QString::fromUtf8(row[0]), QString::fromUtf8(row[1])));
        TExPaperInfo info;
        info.SetPaperName(QString::fromUtf8(row[0]));
        info.SetCompany(QString::fromUtf8(row[2]));
        papers.StoreExInfo(info);
    }
    QStringList companies{QStringLiteral("old")};
    papers.GetCompanies(companies);
    EXPECT_EQ(companies, (QStringList{"M1", "", "M2"}));
    QStringList groups{QStringLiteral("A4")};
    papers.GetGroupNames(groups);
    EXPECT_EQ(groups, (QStringList{"A4", "はがき"}));
}

TEST_F(Catalogue, ClosingWithoutChangesLeavesTheFileAlone)
{
    MakeFile({QStringLiteral("A")});
    const QByteArray before = FileBytes(FFile);
    const QDateTime stamp = QFileInfo(FFile).lastModified();
    {
        TVelmoPapers papers(FFile, false);
        papers.GetExInfo(QStringLiteral("A"), true);
        EXPECT_FALSE(papers.Modified());
    }
    EXPECT_EQ(FileBytes(FFile), before);
    EXPECT_EQ(QFileInfo(FFile).lastModified(), stamp);
}

TEST_F(Catalogue, ChangesReachTheFileOnlyAtClosing)
{
    MakeFile({QStringLiteral("A")});
    const QByteArray before = FileBytes(FFile);
    {
        TVelmoPapers papers(FFile, false);
        papers.StorePaper(*MakeNamedPaper(QStringLiteral("B")));
        EXPECT_TRUE(papers.Modified());
        EXPECT_EQ(FileBytes(FFile), before);
    } // the destructor writes back
    TVelmoPapers papers(FFile, true);
    EXPECT_EQ(Names(papers), (QStringList{"A", "B"}));
}

TEST_F(Catalogue, ReadOnlyCataloguesNeverWrite)
{
    MakeFile({QStringLiteral("A")});
    const QByteArray before = FileBytes(FFile);
    {
        TVelmoPapers papers(FFile, true);
        papers.StorePaper(*MakeNamedPaper(QStringLiteral("B")));
        papers.MarkChanged();
    }
    EXPECT_EQ(FileBytes(FFile), before);
}

TEST_F(Catalogue, MergeUpdateTakesSystemPapersListsAndGlobalInfo)
{
    const QString updateFile = FDir.filePath(QStringLiteral("update.ppr"));
    {
        TVelmoPapers update(updateFile, false);
        update.StorePaper(*MakeNamedPaper(QStringLiteral("Sys1"), QStringLiteral("A4"), true));
        update.StorePaper(*MakeNamedPaper(QStringLiteral("User"), QStringLiteral("更新"), true));
        update.StorePaper(*MakeNamedPaper(QStringLiteral("NotSystem"), QStringLiteral("A4"), false));
        TExPaperInfo info;
        info.SetPaperName(QStringLiteral("Sys1"));
        info.SetCompany(QStringLiteral("新メーカー"));
        update.StoreExInfo(info);
        TPaperUpdate number;
        number.SetPPRNo(7);
        update.SetUpdateInfo(number);
        update.SetCompanyList({QStringLiteral("新メーカー")});
        update.SetGroupList({QStringLiteral("A4"), QStringLiteral("更新")});
        TDocStream(update.Storage(), fmDocCreate, QStringLiteral("GlobalInfo\\Data")).WriteBytes("xyz");
        update.Close();
    }
    {
        TVelmoPapers papers(FFile, false);
        papers.StorePaper(*MakeNamedPaper(QStringLiteral("User"), QStringLiteral("自分"), false));
        TDocStorage(papers.Storage(), true, QStringLiteral("GlobalInfo"));
        papers.Close();
    }
    TVelmoPapers update(updateFile, true);
    {
        // Keeping the user's papers: the same-named system paper is left out.
        TVelmoPapers papers(FFile, false);
        papers.MergeUpdate(update, {}, true);
        EXPECT_EQ(Names(papers), (QStringList{"User", "Sys1"}));
        EXPECT_EQ(papers.Paper(0)->GroupName(), QStringLiteral("自分"));
        papers.Close();
    }
    TVelmoPapers papers(FFile, false);
    int last = -1;
    papers.MergeUpdate(update, [&](int position, int total) {
        EXPECT_EQ(total, 3);
        last = position;
    });
    EXPECT_EQ(last, 3);
    // The update's rules: a same-named paper is replaced, user or not; papers that
    // are not system papers stay out.
    EXPECT_EQ(Names(papers), (QStringList{"User", "Sys1"}));
    EXPECT_EQ(papers.Paper(0)->GroupName(), QStringLiteral("更新"));
    EXPECT_EQ(papers.GetExInfo(QStringLiteral("Sys1"), false)->Company(), QStringLiteral("新メーカー"));
    EXPECT_EQ(papers.UpdateInfo().PPRNo(), 7);
    EXPECT_GT(papers.UpdateInfo().LastUpdate(), 40000.0);
    EXPECT_EQ(papers.CompanyList(), (QStringList{"新メーカー"}));
    EXPECT_EQ(papers.GroupList(), (QStringList{"A4", "更新"}));
    EXPECT_TRUE(papers.Storage().StreamExists(QStringLiteral("GlobalInfo\\Data")));
    EXPECT_TRUE(papers.Modified());
}

// A catalogue without "GlobalInfo" (one the user started afresh) takes the update's:
// failing the whole update over an opaque storage the catalogue never reads would
// leave the user without new papers for no reason.
TEST_F(Catalogue, MergeUpdateIntoACatalogueWithoutGlobalInfoCreatesIt)
{
    const QString updateFile = FDir.filePath(QStringLiteral("update.ppr"));
    {
        TVelmoPapers update(updateFile, false);
        update.StorePaper(*MakeNamedPaper(QStringLiteral("Sys"), QStringLiteral("A4"), true));
        update.SetGroupList({QStringLiteral("A4")});
        TDocStorage(update.Storage(), true, QStringLiteral("GlobalInfo"));
        update.Close();
    }
    TVelmoPapers update(updateFile, true);
    TVelmoPapers papers(FFile, false);
    ASSERT_FALSE(papers.Storage().StorageExists(QStringLiteral("GlobalInfo")));
    EXPECT_NO_THROW(papers.MergeUpdate(update));
    EXPECT_EQ(papers.Count(), 1);
    EXPECT_EQ(papers.GroupList(), (QStringList{"A4"}));
    EXPECT_TRUE(papers.Storage().StorageExists(QStringLiteral("GlobalInfo")));
}

} // namespace

namespace {

// Damaged catalogue files: every one is refused with an exception, none crashes and
// none is written to.
class DamagedCatalogue : public Catalogue
{
protected:
    // Builds a good catalogue, then lets change damage the working copy's content.
    void Damage(const std::function<void(TRootStorage&)>& change)
    {
        MakeFile({QStringLiteral("A"), QStringLiteral("B")});
        TRootStorage root;
        root.OpenFile(FFile, fmDocReadWrite);
        change(root);
        root.Close();
    }
    void ExpectRefused()
    {
        const QByteArray before = FileBytes(FFile);
        EXPECT_THROW(TVelmoPapers(FFile, false), Exception);
        EXPECT_EQ(FileBytes(FFile), before);
    }
    static void Overwrite(TRootStorage& root, const QString& path, const QByteArray& bytes)
    {
        TDocStream stream(root, fmDocCreate, path);
        stream.WriteBytes(bytes);
    }
};

TEST_F(DamagedCatalogue, TruncatedFile)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B")});
    QByteArray bytes = FileBytes(FFile);
    for (int size : {0, 100, 511, int(bytes.size()) / 2}) {
        QFile file(FFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes.left(size));
        file.close();
        EXPECT_THROW(TVelmoPapers(FFile, false), Exception) << size;
    }
}

TEST_F(DamagedCatalogue, NotACompoundFile)
{
    QFile file(FFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("A4 label sheets, one a line\n");
    file.close();
    ExpectRefused();
}

TEST_F(DamagedCatalogue, APaperStreamHoldingSomethingElseIsSkippedAndKept)
{
    Damage([](TRootStorage& root) {
        TExPaperInfo notAPaper;
        WriteComponent(*std::make_unique<TDocStream>(root, fmDocCreate, QStringLiteral("Papers\\$00000002")),
                       notAPaper);
    });
    QByteArray damaged;
    {
        TRootStorage root;
        root.OpenFile(FFile, fmDocRead);
        TDocStream stream(root, fmDocRead, QStringLiteral("Papers\\$00000002"));
        damaged = stream.ReadBytes(stream.Size());
    }
    {
        TVelmoPapers papers(FFile, false);
        ASSERT_EQ(papers.Count(), 1);
        EXPECT_EQ(papers.Paper(0)->PaperName(), QStringLiteral("A"));
        EXPECT_EQ(papers.SkippedPapers(), QStringList{QStringLiteral("$00000002")});
        // A new paper never takes the damaged paper's key, and a write-back keeps it.
        papers.StorePaper(*MakeNamedPaper(QStringLiteral("C")));
        EXPECT_EQ(papers.Key(papers.IndexOfName(QStringLiteral("C"))), QStringLiteral("$00000003"));
        papers.RenameKey(papers.IndexOfName(QStringLiteral("C")), QStringLiteral("$00000002"));
        EXPECT_EQ(papers.Key(papers.IndexOfName(QStringLiteral("C"))), QStringLiteral("$00000003"));
        papers.Close();
    }
    TRootStorage root;
    root.OpenFile(FFile, fmDocRead);
    TDocStream stream(root, fmDocRead, QStringLiteral("Papers\\$00000002"));
    EXPECT_EQ(stream.ReadBytes(stream.Size()), damaged);
}

TEST_F(DamagedCatalogue, APurposeListOfTheWrongClass)
{
    Damage([](TRootStorage& root) {
        TPaperUpdate wrong;
        WriteComponent(
            *std::make_unique<TDocStream>(root, fmDocCreate, QStringLiteral("PurposeList\\PurposeList")),
            wrong);
    });
    ExpectRefused();
}

TEST_F(DamagedCatalogue, WrongUpdateInformation)
{
    Damage([](TRootStorage& root) {
        Overwrite(root, QStringLiteral("UpdateInfo\\UpdateInfo"), QByteArray("TPF0\x0cTPaperUpdate", 17));
    });
    ExpectRefused();
}

TEST_F(DamagedCatalogue, ABaseThatIsNotAStorage)
{
    // Opening would add the missing update information before it meets the damage;
    // nothing of that may reach the file.
    Damage([](TRootStorage& root) {
        root.DeleteElement(QStringLiteral("UpdateInfo"));
        root.DeleteElement(QStringLiteral("PaperImages"));
        Overwrite(root, QStringLiteral("PaperImages"), QByteArray("not a storage"));
    });
    ExpectRefused();
}

TEST_F(DamagedCatalogue, DamagedComponentStreams)
{
    MakeFile({QStringLiteral("A"), QStringLiteral("B")});
    QByteArray good;
    {
        TRootStorage root;
        root.OpenFile(FFile, fmDocRead);
        TDocStream stream(root, fmDocRead, QStringLiteral("Papers\\$00000001"));
        good = stream.ReadBytes(stream.Size());
    }
    // Cut at every length, and every byte flipped in turn: skipped or read, never a
    // crash, and the other paper always there.
    for (int cut = 0; cut < good.size(); ++cut) {
        TRootStorage root;
        root.OpenFile(FFile, fmDocReadWrite);
        Overwrite(root, QStringLiteral("Papers\\$00000001"), good.left(cut));
        root.Close();
        TVelmoPapers papers(FFile, true);
        ASSERT_EQ(papers.Count(), 1) << cut;
        EXPECT_EQ(papers.Paper(0)->PaperName(), QStringLiteral("B"));
        EXPECT_EQ(papers.SkippedPapers(), QStringList{QStringLiteral("$00000001")});
    }
    for (int at = 0; at < good.size(); ++at) {
        QByteArray bad = good;
        bad[at] = char(bad[at] ^ 0xA5);
        TRootStorage root;
        root.OpenFile(FFile, fmDocReadWrite);
        Overwrite(root, QStringLiteral("Papers\\$00000001"), bad);
        root.Close();
        try {
            TVelmoPapers papers(FFile, true);
            if (papers.Count() == 2) {
                EXPECT_TRUE(PaperDefect(*papers.Paper(0)).isEmpty());
            }
        } catch (const Exception&) {
        }
    }
}

TEST_F(DamagedCatalogue, APaperThatFailsItsChecks)
{
    struct Case
    {
        const char* What;
        std::function<void(TMatrixPaperInfo&)> Break;
    };
    const Case cases[] = {
        {"face outside", [](TMatrixPaperInfo& p) { p.SetLeftOffset(1000); }},
        {"no size", [](TMatrixPaperInfo& p) { p.SetPortraitWidth(0); }},
        {"no faces", [](TMatrixPaperInfo& p) { p.SetFaceCountX(0); }},
        {"too many faces", [](TMatrixPaperInfo& p) { p.SetFaceCountX(200000); }},
        {"empty face", [](TMatrixPaperInfo& p) { p.SetFaceWidth(0); }},
    };
    for (const Case& c : cases) {
        Damage([&](TRootStorage& root) {
            auto paper = MakeNamedPaper(QStringLiteral("B"));
            c.Break(*paper);
            WriteComponent(
                *std::make_unique<TDocStream>(root, fmDocCreate, QStringLiteral("Papers\\$00000002")),
                *paper);
        });
        TVelmoPapers papers(FFile, false);
        EXPECT_EQ(papers.Count(), 1) << c.What;
        EXPECT_EQ(papers.SkippedPapers(), QStringList{QStringLiteral("$00000002")}) << c.What;
    }
    // Overlapping faces are the user's choice, not damage.
    Damage([](TRootStorage& root) {
        auto paper = MakeNamedPaper(QStringLiteral("B"));
        paper->SetRightMargin(-100);
        WriteComponent(*std::make_unique<TDocStream>(root, fmDocCreate, QStringLiteral("Papers\\$00000002")),
                       *paper);
    });
    EXPECT_NO_THROW(TVelmoPapers(FFile, false));
}

TEST_F(DamagedCatalogue, DamagedRecordsFailOnlyWhereTheyAreRead)
{
    Damage([](TRootStorage& root) {
        Overwrite(root, QStringLiteral("ExtraInfos\\$00000001"),
                  QByteArray("TPF0\x0cTExPaperInfo\x00\x09PaperName", 28));
        Overwrite(root, QStringLiteral("PaperImages\\$00000001\\ImageInfo"), QByteArray("junk"));
    });
    TVelmoPapers papers(FFile, false);
    EXPECT_EQ(papers.Count(), 2);
    EXPECT_THROW(papers.GetExInfo(QStringLiteral("A"), false), Exception);
    // A background record that cannot be read belongs to no paper and blocks nothing.
    EXPECT_EQ(papers.FindRecord(QStringLiteral("PaperImages"), QStringLiteral("A")), nullptr);
    EXPECT_THROW(papers.Base(QStringLiteral("PaperImages"))->GetRecord(0), Exception);
}

} // namespace
