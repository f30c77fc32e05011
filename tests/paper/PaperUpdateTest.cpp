// The catalogue update: the index, the download against a local HTTP server (good,
// slow, truncated, wrong, missing, hostile files; abort; proxy) and the merge.
#include "base/UDateTime.h"
#include "paper/CatalogueTestSupport.h"
#include "paper/UPaperRecords.h"
#include "paper/UPaperUpdate.h"
#include "storage/UZLibStream.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QByteArray Index(const QByteArray& second, const QByteArray& name,
                 const QByteArray& marker = "QUILLON VERSION UP FILE")
{
    return marker + "\r\n" + second + "\r\n" + name;
}

TEST(UpdateIndex, ThreeLinesWithTheMarker)
{
    TUpdateIndex index;
    ASSERT_TRUE(ParseUpdateIndex(Index("42,2026/12/09 10:30:00", "new.ppz"), &index));
    EXPECT_EQ(index.Version, 42);
    EXPECT_EQ(DayCountToDate(index.Date), QDate(2026, 12, 9));
    EXPECT_EQ(index.FileName, "new.ppz");
    // The marker in any case.
    EXPECT_TRUE(ParseUpdateIndex(Index("1,2026/1/2", "a.ppr", "quillon version up file"), &index));
    // A version that is no number counts as 0.
    ASSERT_TRUE(ParseUpdateIndex(Index("x,2026/1/2", "a.ppz"), &index));
    EXPECT_EQ(index.Version, 0);
    // A fourth, empty line; two lines; another marker; a bad date; no comma.
    EXPECT_FALSE(ParseUpdateIndex(Index("1,2026/1/2", "a.ppz\r\n"), &index));
    EXPECT_FALSE(ParseUpdateIndex("QUILLON VERSION UP FILE\r\n1,2026/1/2", &index));
    EXPECT_FALSE(ParseUpdateIndex(Index("1,2026/1/2", "a.ppz", "QUILLON VERSION UP FIL"), &index));
    EXPECT_FALSE(ParseUpdateIndex(Index("1,not a date", "a.ppz"), &index));
    EXPECT_FALSE(ParseUpdateIndex(Index("1 2026/1/2", "a.ppz"), &index));
    EXPECT_FALSE(ParseUpdateIndex(QByteArray(), &index));
    // Names that would leave the index's folder or name another host.
    for (const char* name : {"../x.ppz", "/etc/passwd", "http://evil/x.ppz", "", "..", "a b.ppz"})
        EXPECT_FALSE(ParseUpdateIndex(Index("1,2026/1/2", name), &index)) << name;
    // 1,000 lines of rubbish.
    EXPECT_FALSE(ParseUpdateIndex(QByteArray(100000, '\n'), &index));
}

TEST(UpdateIndex, DownloadUrlIsBesideTheIndex)
{
    EXPECT_EQ(UpdateDownloadUrl(QUrl("http://example.test/a/b/index.vup"), "new.ppz"),
              QUrl("http://example.test/a/b/new.ppz"));
    EXPECT_EQ(UpdateDownloadUrl(QUrl("https://h:8080/index.vup?x=1"), "n.ppz"), QUrl("https://h:8080/n.ppz"));
    EXPECT_FALSE(UpdateDownloadUrl(QUrl("http://h/a/i.vup"), "../n.ppz").isValid());
}

TEST(UpdateIndex, Texts)
{
    EXPECT_EQ(UpdateNumberText(7), "0007");
    EXPECT_EQ(UpdateNumberText(12345), "12345");
    EXPECT_EQ(UpdateDateText(0.75), QStringLiteral("未更新"));
    EXPECT_EQ(UpdateDateText(DateToDayCount(QDate(2026, 3, 4))), QStringLiteral("2026年3月4日"));
    EXPECT_TRUE(DefaultUpdateIndexUrl().isEmpty());
    EXPECT_EQ(DefaultUpdateIndexPath(), "/updater/velmo/ppr/velmoka.vup");
}

class PaperUpdate : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        velmo::test::EnsureCatalogueClasses();
        Dir = new QTemporaryDir;
        const QString root = Dir->filePath("srv");
        QDir().mkpath(root);
        // The update: two system papers and one of the user's, number 42.
        const QString catalogue = Dir->filePath("update.ppr");
        {
            TVelmoPapers update(catalogue, false);
            update.StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("新製品 A"), "A4", true));
            update.StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("新製品 B"), "A4", true));
            TPaperUpdate number;
            number.SetPPRNo(42);
            update.SetUpdateInfo(number);
            update.Close();
        }
        const QByteArray plain = velmo::test::ReadFileBytes(catalogue);
        TMemoryStream source(plain);
        TMemoryStream packed;
        Compress(source, packed, TCompressionLevel::clDefault);
        velmo::test::WriteFileBytes(root + "/new.ppz", packed.Data());
        velmo::test::WriteFileBytes(root + "/new.ppr", plain);
        velmo::test::WriteFileBytes(root + "/wrong.ppz", QByteArray(5000, 'w'));
        // The container's marker with a size far beyond what follows.
        QByteArray hostile = CompressMarker();
        hostile += QByteArray("\xFF\xFF\xFF\x7F", 4);
        hostile += packed.Data().mid(CompressMarker().size() + 4);
        velmo::test::WriteFileBytes(root + "/hostile.ppz", hostile);
        // A packed file holding something that is not a catalogue.
        TMemoryStream junk(QByteArray(3000, 'j'));
        TMemoryStream packedJunk;
        Compress(junk, packedJunk, TCompressionLevel::clDefault);
        velmo::test::WriteFileBytes(root + "/junk.ppz", packedJunk.Data());
        for (const char* name : {"new.ppz", "new.ppr", "wrong.ppz", "hostile.ppz", "junk.ppz", "absent.ppz"})
            velmo::test::WriteFileBytes(root + "/" +
                                            QString::fromLatin1(name).replace(".pp", "-").append(".vup"),
                                        Index("42,2026/12/09 10:30:00", name));
        velmo::test::WriteFileBytes(root + "/zero.vup", Index("0,2026/12/09", "new.ppz"));

        Server = new QProcess;
        Server->start("/usr/bin/python3", {velmo::test::SourceDir() + "/tests/paper/update_server.py", root});
        ASSERT_TRUE(Server->waitForStarted(10000));
        ASSERT_TRUE(Server->waitForReadyRead(10000));
        Port = Server->readLine().trimmed().toInt();
        ASSERT_GT(Port, 0);
    }
    static void TearDownTestSuite()
    {
        Server->kill();
        Server->waitForFinished(5000);
        delete Server;
        delete Dir;
    }
    void SetUp() override { ASSERT_GT(Port, 0); }

    static QString Url(const QString& path)
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(Port).arg(path);
    }

    // The target catalogue with one paper of the user's own.
    std::unique_ptr<TVelmoPapers> Target()
    {
        auto papers = std::make_unique<TVelmoPapers>(FDir.filePath("mine.ppr"), false);
        papers->StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("私の用紙")));
        return papers;
    }

    static inline QTemporaryDir* Dir = nullptr;
    static inline QProcess* Server = nullptr;
    static inline int Port = 0;
    QTemporaryDir FDir;
};

TEST_F(PaperUpdate, FullUpdateMergesTheCatalogue)
{
    TPPRDownload download;
    download.SetIndexUrl(Url("ok/new-z.vup"));
    int connects = 0, packets = 0, successes = 0;
    download.OnConnect = [&] { ++connects; };
    download.OnPacket = [&] { ++packets; };
    download.OnSuccess = [&] { ++successes; };
    ASSERT_TRUE(download.ReadIndex()) << download.ErrorText().toStdString();
    EXPECT_EQ(download.Index().Version, 42);
    EXPECT_EQ(download.DownloadUrl(), QUrl(Url("ok/new.ppz")));
    const QString catalogue = download.CatalogueFile();
    EXPECT_TRUE(QFileInfo(catalogue).fileName().startsWith("PPR"));
    ASSERT_TRUE(download.DownloadCatalogue()) << download.ErrorText().toStdString();
    EXPECT_EQ(download.Percent(), 100);
    EXPECT_EQ(download.Received(), download.Expected());
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(successes, 2);
    EXPECT_GE(packets, 2);
    ASSERT_TRUE(QFile::exists(catalogue));

    auto target = Target();
    std::vector<std::pair<int, int>> steps;
    MergeDownloadedCatalogue(*target, catalogue, [&](int p, int t) { steps.emplace_back(p, t); });
    EXPECT_EQ(target->Count(), 3);
    EXPECT_GE(target->IndexOfName(QStringLiteral("新製品 B")), 0);
    EXPECT_EQ(target->UpdateInfo().PPRNo(), 42);
    EXPECT_NE(target->UpdateInfo().LastUpdate(), 0);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(2, 2));
    download.Cleanup();
    EXPECT_FALSE(QFile::exists(catalogue));
}

TEST_F(PaperUpdate, PlainCatalogueIsMergedWithoutUnpacking)
{
    TPPRDownload download;
    download.SetIndexUrl(Url("ok/new-r.vup"));
    ASSERT_TRUE(download.ReadIndex());
    ASSERT_TRUE(download.DownloadCatalogue());
    auto target = Target();
    MergeDownloadedCatalogue(*target, download.CatalogueFile());
    EXPECT_EQ(target->Count(), 3);
}

TEST_F(PaperUpdate, VersionZeroMeansNothingNew)
{
    TPPRDownload download;
    download.SetIndexUrl(Url("ok/zero.vup"));
    ASSERT_TRUE(download.ReadIndex());
    EXPECT_EQ(download.Index().Version, 0);
}

TEST_F(PaperUpdate, FailedDownloadsLeaveNoFilesAndTheCatalogueAsItWas)
{
    struct Case
    {
        const char* Index;
        bool IndexFails;
    } cases[] = {
        {"trunc/new-z.vup", false}, {"ok/wrong-z.vup", false},     {"ok/absent-z.vup", false},
        {"huge/new-z.vup", false},  {"ok/hostile-z.vup", false},   {"ok/nothing.vup", true},
        {"loop/new-z.vup", true},   {"elsewhere/new-z.vup", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Index);
        TPPRDownload download;
        download.SetIndexUrl(Url(c.Index));
        int failures = 0;
        download.OnFailure = [&] { ++failures; };
        if (c.IndexFails) {
            EXPECT_FALSE(download.ReadIndex());
            EXPECT_TRUE(download.CatalogueFile().isEmpty());
            continue;
        }
        ASSERT_TRUE(download.ReadIndex());
        const QString catalogue = download.CatalogueFile();
        EXPECT_FALSE(download.DownloadCatalogue());
        EXPECT_FALSE(download.ErrorText().isEmpty() && failures == 0);
        EXPECT_FALSE(QFile::exists(catalogue));
        EXPECT_TRUE(download.CatalogueFile().isEmpty());
    }
    // Unpacked but no catalogue: the merge refuses it and the catalogue stays.
    TPPRDownload download;
    download.SetIndexUrl(Url("ok/junk-z.vup"));
    ASSERT_TRUE(download.ReadIndex());
    ASSERT_TRUE(download.DownloadCatalogue());
    auto target = Target();
    EXPECT_ANY_THROW(MergeDownloadedCatalogue(*target, download.CatalogueFile()));
    EXPECT_EQ(target->Count(), 1);
    EXPECT_EQ(target->UpdateInfo().PPRNo(), 0);
    EXPECT_ANY_THROW(MergeDownloadedCatalogue(*target, FDir.filePath("none.ppr")));
    EXPECT_EQ(target->UpdateInfo().PPRNo(), 0);
}

TEST_F(PaperUpdate, DamagedUpdateCatalogueIsRefusedWhole)
{
    // A sound catalogue with one paper stream replaced by rubbish.
    const QString file = FDir.filePath("damaged.ppr");
    {
        TVelmoPapers update(file, false);
        update.StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("良 1"), "A4", true));
        update.StorePaper(*velmo::test::MakeNamedPaper(QStringLiteral("壊 2"), "A4", true));
        TPaperUpdate number;
        number.SetPPRNo(99);
        update.SetUpdateInfo(number);
        update.Close();
    }
    {
        TRootStorage root;
        root.OpenFile(file, fmDocReadWrite);
        TDocStream s(root, fmDocCreate, "Papers\\" + PaperKey(2));
        s.WriteBytes(QByteArray("TPF0\x10TMatrixPaperInfo\x00\x05Width\x04\xFF\xFF\xFF\x7F", 33));
        root.Close();
    }
    auto target = Target();
    try {
        MergeDownloadedCatalogue(*target, file);
        ADD_FAILURE() << "merged a damaged update";
    } catch (const EPaperCatalogError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("用紙情報更新エラー(")))
            << e.Message().toStdString();
    }
    EXPECT_EQ(target->Count(), 1);
    EXPECT_EQ(target->UpdateInfo().PPRNo(), 0);
    // An empty catalogue is no update either.
    const QString empty = FDir.filePath("empty.ppr");
    {
        TVelmoPapers none(empty, false);
        none.MarkChanged();
        none.Close();
    }
    EXPECT_THROW(MergeDownloadedCatalogue(*target, empty), EPaperCatalogError);
    EXPECT_EQ(target->UpdateInfo().PPRNo(), 0);
}

TEST_F(PaperUpdate, AbortDuringASlowTransfer)
{
    TPPRDownload download;
    download.SetIndexUrl(Url("slow/new-z.vup"));
    ASSERT_TRUE(download.ReadIndex());
    const QString catalogue = download.CatalogueFile();
    int packets = 0;
    int lastPercent = -1;
    bool monotonic = true;
    download.OnPacket = [&] {
        ++packets;
        monotonic = monotonic && download.Percent() >= lastPercent;
        lastPercent = download.Percent();
        if (packets == 3)
            download.Abort();
    };
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(download.DownloadCatalogue());
    EXPECT_TRUE(download.Aborted());
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(monotonic);
    EXPECT_LT(download.Percent(), 100);
    EXPECT_GT(download.Expected(), 0);
    EXPECT_FALSE(QFile::exists(catalogue));

    // The same slow file to the end, with progress rising to 100.
    TPPRDownload whole;
    whole.SetIndexUrl(Url("slow/new-z.vup"));
    ASSERT_TRUE(whole.ReadIndex());
    std::vector<int> percents;
    whole.OnPacket = [&] { percents.push_back(whole.Percent()); };
    ASSERT_TRUE(whole.DownloadCatalogue());
    ASSERT_GE(percents.size(), 5u);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    whole.Cleanup();
}

TEST_F(PaperUpdate, StalledServerTimesOut)
{
    TPPRDownload download;
    download.SetIndexUrl(Url("stall/new-z.vup"));
    ASSERT_TRUE(download.ReadIndex());
    download.SetStallTimeout(500);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(download.DownloadCatalogue());
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(PaperUpdate, ConnectionFailureAndBadAddresses)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const int port = closed.serverPort();
    closed.close();
    TPPRDownload download;
    int connectionFailures = 0;
    download.OnConnectionFailure = [&] { ++connectionFailures; };
    download.SetIndexUrl(QStringLiteral("http://127.0.0.1:%1/ok/new-z.vup").arg(port));
    EXPECT_FALSE(download.ReadIndex());
    EXPECT_EQ(connectionFailures, 1);
    for (const char* url : {"", "not a url", "ftp://127.0.0.1/x.vup", "file:///etc/passwd"}) {
        download.SetIndexUrl(QString::fromLatin1(url));
        EXPECT_FALSE(download.ReadIndex()) << url;
    }
}

TEST_F(PaperUpdate, ProxyFromTheSettingsCarriesTheRequest)
{
    auto proxied = [&] {
        THTTPDownload probe;
        QByteArray body;
        EXPECT_TRUE(probe.Get(QUrl(Url("proxied")), &body));
        return body.toInt();
    };
    const int before = proxied();
    TPPRDownload download;
    // A host that does not resolve: only the proxy can answer.
    download.SetIndexUrl(QStringLiteral("http://velmo-update.invalid/ok/new-z.vup"));
    download.SetProxy(QStringLiteral("127.0.0.1"), Port);
    ASSERT_TRUE(download.ReadIndex()) << download.ErrorText().toStdString();
    EXPECT_EQ(download.Index().Version, 42);
    EXPECT_EQ(proxied(), before + 1);
    download.Cleanup();
    // No proxy host: the port alone does not make one.
    download.SetProxy(QString(), Port);
    download.SetIndexUrl(Url("ok/new-z.vup"));
    ASSERT_TRUE(download.ReadIndex());
    EXPECT_EQ(proxied(), before + 1);
    download.Cleanup();
}

} // namespace
