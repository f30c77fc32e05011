#include "app/FMain.h"
#include "app/UAppFrame.h"
#include "app/USettingsStore.h"
#include "app/UStartup.h"
#include "paper/UVelmoPapers.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class TQuietMain : public TfrmMain
{
public:
    void MakeInitialDocument() override {}
    bool OpenDocument(const QString&) override { return false; }
    bool SplashClosed() const override { return true; }
    void OfferStartupChoice() override {}
};

struct TPaperRow
{
    const char* Name;
    const char* Group;
    bool System;
};

QByteArray FileBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A data module with the real catalogue loader over temporary files.
class CatalogueStartup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCatalogueClasses();
        TSettingsKey::SetConfigRoot(FTemp.path() + QStringLiteral("/config"));
        FUser = FTemp.path() + QStringLiteral("/home/ベルモ/velmo.ppr");
        FInstalled = FTemp.path() + QStringLiteral("/share/velmo.ppr");
        QDir().mkpath(FTemp.path() + QStringLiteral("/share"));
    }
    void TearDown() override
    {
        FData.reset();
        TExecuteBlocker::ReleaseAll();
        TSettingsKey::SetConfigRoot(QString());
    }

    static void MakeCatalogue(const QString& fileName, int pprNo, std::initializer_list<TPaperRow> rows)
    {
        QFile::remove(fileName);
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        TVelmoPapers papers(fileName, false);
        for (const TPaperRow& row : rows) {
            TMatrixPaperInfo paper;
            paper.SetPortraitWidth(2100);
            paper.SetPortraitHeight(2970);
            paper.SetFaceCountX(2);
            paper.SetFaceCountY(5);
            paper.SetFaceWidth(1000);
            paper.SetFaceHeight(500);
            paper.SetLeftOffset(50);
            paper.SetTopOffset(100);
            paper.SetPaperName(QString::fromUtf8(row.Name));
            paper.SetGroupName(QString::fromUtf8(row.Group));
            paper.SetReadOnly(row.System);
            papers.StorePaper(paper);
        }
        TPaperUpdate update;
        update.SetPPRNo(pprNo);
        papers.SetUpdateInfo(update);
        QStringList groups;
        papers.GetGroupNames(groups);
        papers.SetGroupList(groups);
        TDocStorage(papers.Storage(), true, TPapersV2::GlobalInfoStorageName());
        papers.Close();
    }

    bool Start()
    {
        FData = std::make_unique<TStartup>();
        TAppFrame* frame = FData->AppFrame1();
        frame->Probes().LockFolder = FTemp.path() + QStringLiteral("/run");
        frame->Probes().ScreenColorBits = [] { return 24; };
        frame->Probes().HasCurrentPrinter = [] { return true; };
        frame->OnMessageBox = [this](const QString& text, const TButtonKinds&, int, int) {
            FShown.append(text);
            return mrOk;
        };
        FData->CreateMainWindow = [] { return new TQuietMain; };
        auto loader = std::make_unique<TPaperCatalogueLoader>();
        loader->UserFile = FUser;
        loader->InstalledFile = FInstalled;
        FData->SetCatalogueLoader(std::move(loader));
        return FData->Start();
    }
    void Stop()
    {
        FData->Shutdown();
        FData.reset();
        TExecuteBlocker::ReleaseAll();
    }
    QStringList Names() const
    {
        QStringList names;
        TVelmoPapers* papers = FData->Papers();
        for (int i = 0; papers && i < papers->Count(); ++i)
            names.append(papers->Paper(i)->PaperName());
        return names;
    }

    QTemporaryDir FTemp;
    QString FUser;
    QString FInstalled;
    std::unique_ptr<TStartup> FData;
    QStringList FShown;
};

TEST_F(CatalogueStartup, FirstStartSeedsAWritableCopyOfTheInstalledCatalogue)
{
    MakeCatalogue(FInstalled, 1, {{"S1", "A4", true}, {"S2", "はがき", true}});
    QFile::setPermissions(FInstalled, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QByteArray installed = FileBytes(FInstalled);

    ASSERT_TRUE(Start()) << FShown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(FShown.isEmpty());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(PaperInfo)")), FUser);
    EXPECT_EQ(Names(), (QStringList{"S1", "S2"}));
    EXPECT_TRUE(QFileInfo(FUser).isWritable());
    EXPECT_NE(FData->MainWindow(), nullptr);

    // The user's changes go to the copy, never to the installed file.
    TMatrixPaperInfo mine;
    mine.Assign(*FData->Papers()->Paper(0));
    mine.SetPaperName(QStringLiteral("自分の用紙"));
    mine.SetReadOnly(false);
    FData->Papers()->StorePaper(mine);
    Stop();
    EXPECT_EQ(FileBytes(FInstalled), installed);

    ASSERT_TRUE(Start());
    EXPECT_EQ(Names(), (QStringList{"S1", "S2", "自分の用紙"}));
}

TEST_F(CatalogueStartup, ANewerInstalledCatalogueBringsItsSystemPapersAndKeepsTheUsers)
{
    MakeCatalogue(FUser, 1, {{"S1", "A4", true}, {"Mine", "自分", false}, {"Gone", "A4", true}});
    MakeCatalogue(FInstalled, 2, {{"S1", "A4新", true}, {"Mine", "配布", true}, {"S3", "CD", true}});
    {
        TVelmoPapers user(FUser, false);
        user.SetCompanyList({QStringLiteral("自分のメーカー")});
        user.Close();
    }
    ASSERT_TRUE(Start()) << FShown.join(QLatin1Char('\n')).toStdString();
    TVelmoPapers* papers = FData->Papers();
    EXPECT_EQ(Names(), (QStringList{"S1", "Mine", "Gone", "S3"}));
    EXPECT_EQ(papers->Paper(0)->GroupName(), QStringLiteral("A4新"));
    EXPECT_EQ(papers->Paper(1)->GroupName(), QStringLiteral("自分")); // the user's own paper stays
    EXPECT_FALSE(papers->Paper(1)->ReadOnly());
    EXPECT_EQ(papers->UpdateInfo().PPRNo(), 2);
    EXPECT_TRUE(papers->CompanyList().contains(QStringLiteral("自分のメーカー")));
    EXPECT_EQ(papers->GroupList().value(0), QStringLiteral("A4新"));
    Stop();

    // Merged once: the next start finds the same number and changes nothing.
    const QByteArray merged = FileBytes(FUser);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Names(), (QStringList{"S1", "Mine", "Gone", "S3"}));
    Stop();
    EXPECT_EQ(FileBytes(FUser), merged);
}

TEST_F(CatalogueStartup, AnOlderInstalledCatalogueLeavesTheCopyAlone)
{
    MakeCatalogue(FUser, 3, {{"S1", "A4", true}});
    MakeCatalogue(FInstalled, 2, {{"S1", "変更", true}, {"S2", "A4", true}});
    const QByteArray before = FileBytes(FUser);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Names(), (QStringList{"S1"}));
    Stop();
    EXPECT_EQ(FileBytes(FUser), before);
}

TEST_F(CatalogueStartup, ADamagedInstalledCatalogueDoesNotCostTheUserTheirs)
{
    MakeCatalogue(FUser, 1, {{"S1", "A4", true}, {"Mine", "自分", false}});
    MakeCatalogue(FInstalled, 2, {{"S1", "A4", true}, {"S2", "A4", true}});
    {
        // The update number reads, but the second paper does not.
        TRootStorage root;
        root.OpenFile(FInstalled, fmDocReadWrite);
        TDocStream(root, fmDocCreate, QStringLiteral("Papers\\$00000002")).WriteBytes("TPF0\x05junk");
        root.Close();
    }
    const QByteArray before = FileBytes(FUser);
    ASSERT_TRUE(Start()) << FShown.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Names(), (QStringList{"S1", "Mine"}));
    Stop();
    EXPECT_EQ(FileBytes(FUser), before);
}

TEST_F(CatalogueStartup, NoCatalogueAnywhereEndsStartUp)
{
    EXPECT_FALSE(Start());
    EXPECT_EQ(FShown,
              QStringList{QStringLiteral("アプリケーションに必要なファイル「velmo.ppr」が開けませんでした")});
    EXPECT_EQ(FData->MainWindow(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(FUser));
}

TEST_F(CatalogueStartup, AReadOnlyCopyEndsStartUp)
{
    MakeCatalogue(FUser, 1, {{"S1", "A4", true}});
    QFile::setPermissions(FUser, QFileDevice::ReadOwner);
    EXPECT_FALSE(Start());
    EXPECT_EQ(FShown,
              QStringList{QStringLiteral("実行に必要なファイル「velmo.ppr」が読み取り専用になっています")});
    EXPECT_EQ(FData->MainWindow(), nullptr);
    EXPECT_EQ(FData->Papers(), nullptr);
}

TEST_F(CatalogueStartup, ADamagedCopyEndsStartUpWithTheMessage)
{
    const auto expectRefused = [this](const char* what) {
        FShown.clear();
        const QByteArray before = FileBytes(FUser);
        EXPECT_FALSE(Start()) << what;
        EXPECT_EQ(FShown, QStringList{QStringLiteral(
                              "アプリケーションに必要なファイル「velmo.ppr」が開けませんでした")})
            << what;
        EXPECT_EQ(FData->MainWindow(), nullptr) << what;
        Stop();
        EXPECT_EQ(FileBytes(FUser), before) << what;
    };
    QDir().mkpath(QFileInfo(FUser).absolutePath());
    {
        QFile file(FUser);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a catalogue");
    }
    expectRefused("not a compound file");

    MakeCatalogue(FUser, 1, {{"S1", "A4", true}, {"S2", "A4", true}});
    QByteArray bytes = FileBytes(FUser);
    {
        QFile file(FUser);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.left(bytes.size() / 2));
    }
    expectRefused("truncated");

    MakeCatalogue(FUser, 1, {{"S1", "A4", true}, {"S2", "A4", true}});
    {
        TRootStorage root;
        root.OpenFile(FUser, fmDocReadWrite);
        TMatrixPaperInfo outside;
        outside.SetPaperName(QStringLiteral("S2"));
        outside.SetPortraitWidth(1000);
        outside.SetPortraitHeight(1000);
        outside.SetFaceCountX(1);
        outside.SetFaceCountY(1);
        outside.SetFaceWidth(1200);
        outside.SetFaceHeight(100);
        WriteComponent(*std::make_unique<TDocStream>(root, fmDocCreate, QStringLiteral("Papers\\$00000002")),
                       outside);
        root.Close();
    }
    // One damaged paper does not lock the user out: the others load, the damage is
    // told once and stays in the file as it was.
    FShown.clear();
    const QByteArray before = FileBytes(FUser);
    ASSERT_TRUE(Start());
    EXPECT_EQ(FShown, QStringList{QStringLiteral("用紙情報「$00000002」を読み込めませんでした")});
    EXPECT_EQ(Names(), QStringList{QStringLiteral("S1")});
    Stop();
    EXPECT_EQ(FileBytes(FUser), before);
}

TEST(CatalogueLookup, InstalledCatalogueBesideTheProgram)
{
    QTemporaryDir temp;
    TAppFrame frame;
    frame.DataRoots().ExeFolder = temp.path() + QStringLiteral("/build/src");
    frame.DataRoots().InstalledFolders = {temp.path() + QStringLiteral("/share/velmo")};
    EXPECT_TRUE(TPaperCatalogueLoader::FindInstalledCatalogue(frame).isEmpty());

    QDir().mkpath(temp.path() + QStringLiteral("/share/velmo"));
    QFile(temp.path() + QStringLiteral("/share/velmo/velmo.ppr")).open(QIODevice::WriteOnly);
    EXPECT_EQ(TPaperCatalogueLoader::FindInstalledCatalogue(frame),
              temp.path() + QStringLiteral("/share/velmo/velmo.ppr"));
    // A build tree's catalogue comes first.
    QDir().mkpath(temp.path() + QStringLiteral("/build/data"));
    QFile(temp.path() + QStringLiteral("/build/data/velmo.ppr")).open(QIODevice::WriteOnly);
    EXPECT_EQ(TPaperCatalogueLoader::FindInstalledCatalogue(frame),
              temp.path() + QStringLiteral("/build/data/velmo.ppr"));
    EXPECT_EQ(TPaperCatalogueLoader::ReadUpdateNumber(temp.path() + QStringLiteral("/build/data/velmo.ppr")),
              -1);
}

TEST(CatalogueLookup, TheDeliveredCatalogueLoadsAtStartUp)
{
    const QString delivered = velmo::test::BinaryDir() + QStringLiteral("/data/velmo.ppr");
    ASSERT_TRUE(QFileInfo::exists(delivered));
    EXPECT_GE(TPaperCatalogueLoader::ReadUpdateNumber(delivered), 1);
    QTemporaryDir temp;
    TPaperCatalogueLoader loader;
    loader.UserFile = temp.path() + QStringLiteral("/velmo.ppr");
    loader.InstalledFile = delivered;
    TAppFrame frame;
    frame.SetMacro(TMacroString(ApplicationMacroLines()));
    loader.Prepare(frame);
    loader.Load(ExpandMacros(QStringLiteral("$(PaperInfo)")));
    ASSERT_NE(loader.Papers(), nullptr);
    EXPECT_GE(loader.Papers()->Count(), 150);
}

} // namespace
