// The update dialog and the address dialog, driven through their buttons against a
// local HTTP server. With VELMO_SHOT_DIR set, each page is saved there as a PNG.
#include "AppTestSupport.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FUpdatePaper.h"
#include "storage/UZLibStream.h"
#include "support/TestSupport.h"
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QByteArray Index(const QByteArray& second, const QByteArray& name)
{
    return "QUILLON VERSION UP FILE\r\n" + second + "\r\n" + name;
}

std::unique_ptr<TMatrixPaperInfo> Paper(const QString& name, bool readOnly)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(3);
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(800);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetPaperName(name);
    paper->SetGroupName(QStringLiteral("A4"));
    paper->SetReadOnly(readOnly);
    return paper;
}

class UpdatePaperDialog : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        RegisterCatalogueClasses();
        Dir = new QTemporaryDir;
        const QString root = Dir->filePath("srv");
        QDir().mkpath(root);
        const QString catalogue = Dir->filePath("update.ppr");
        {
            TVelmoPapers update(catalogue, false);
            update.StorePaper(*Paper(QStringLiteral("新製品 A"), true));
            update.StorePaper(*Paper(QStringLiteral("新製品 B"), true));
            TPaperUpdate number;
            number.SetPPRNo(42);
            update.SetUpdateInfo(number);
            update.Close();
        }
        TMemoryStream source(ReadFileBytes(catalogue));
        TMemoryStream packed;
        Compress(source, packed, TCompressionLevel::clDefault);
        WriteFileBytes(root + "/new.ppz", packed.Data());
        WriteFileBytes(root + "/wrong.ppz", QByteArray(5000, 'w'));
        WriteFileBytes(root + "/new.vup", Index("42,2026/12/09 10:30:00", "new.ppz"));
        WriteFileBytes(root + "/wrong.vup", Index("43,2026/12/10", "wrong.ppz"));
        WriteFileBytes(root + "/zero.vup", Index("0,2026/12/09", "new.ppz"));
        Server = new QProcess;
        Server->start("/usr/bin/python3", {SourceDir() + "/tests/paper/update_server.py", root});
        ASSERT_TRUE(Server->waitForStarted(10000));
        ASSERT_TRUE(Server->waitForReadyRead(10000));
        Port = Server->readLine().trimmed().toInt();
    }
    static void TearDownTestSuite()
    {
        Server->kill();
        Server->waitForFinished(5000);
        delete Server;
        delete Dir;
    }

    void SetUp() override
    {
        ASSERT_GT(Port, 0);
        FPapers = std::make_unique<TVelmoPapers>(FFrame.Temp.filePath("mine.ppr"), false);
        FPapers->StorePaper(*Paper(QStringLiteral("私の用紙"), false));
    }

    static QString Url(const QString& path)
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(Port).arg(path);
    }

    static void Shot(QWidget& widget, const QString& name)
    {
        const QString dir = qEnvironmentVariable("VELMO_SHOT_DIR");
        if (dir.isEmpty())
            return;
        widget.show();
        QCoreApplication::processEvents();
        widget.grab().save(dir + "/" + name + ".png");
    }

    static bool HasText(const TfrmUpdatePaper& dialog, const QString& text)
    {
        for (const QString& t : dialog.PageTexts())
            if (t.contains(text))
                return true;
        return false;
    }

    static inline QTemporaryDir* Dir = nullptr;
    static inline QProcess* Server = nullptr;
    static inline int Port = 0;
    TFrameFixture FFrame;
    std::unique_ptr<TVelmoPapers> FPapers;
};

TEST_F(UpdatePaperDialog, WithoutAnAddressItSaysSo)
{
    TfrmUpdatePaper dialog(*FPapers);
    EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgNoAddress);
    EXPECT_FALSE(dialog.ActionButton()->isEnabled());
    EXPECT_TRUE(HasText(dialog, QStringLiteral("更新情報の取得先が設定されていません。")));
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    QStringList all;
    for (QLabel* l : labels)
        all << l->text();
    EXPECT_TRUE(all.contains(QStringLiteral("現在のパターン番号：0000")));
    EXPECT_TRUE(all.contains(QStringLiteral("最終更新日：未更新")));
    Shot(dialog, "update-no-address");
}

TEST_F(UpdatePaperDialog, TheAddressIsEnteredAndKeptInTheDialogItself)
{
    TfrmUpdatePaper dialog(*FPapers);
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgNoAddress);
    ASSERT_NE(dialog.AddressEdit(), nullptr);
    EXPECT_TRUE(dialog.AddressEdit()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.ActionButton()->text(), QStringLiteral("接続"));
    // Only an http address with a host enables 接続.
    for (const char* bad : {"", "velmo", "ftp://127.0.0.1/x.vup", "http://"}) {
        dialog.AddressEdit()->setText(QString::fromLatin1(bad));
        EXPECT_FALSE(dialog.ActionButton()->isEnabled()) << bad;
    }
    dialog.AddressEdit()->setText(Url("ok/new.vup"));
    EXPECT_TRUE(dialog.ActionButton()->isEnabled());
    Shot(dialog, "update-enter-address");
    if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
        dialog.show();
        QCoreApplication::processEvents();
        dialog.grab().save(qEnvironmentVariable("VELMO_SHOTS") + QStringLiteral("/update-enter-address.png"));
    }
    dialog.ActionButton()->click();
    // Kept for next time, and used at once.
    EXPECT_EQ(ReadSettingString(QStringLiteral("PPRUpdaterURL"), QString()), Url("ok/new.vup"));
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
    EXPECT_TRUE(HasText(dialog, QStringLiteral("最新のパターン番号：0042")));
    TfrmUpdatePaper again(*FPapers);
    EXPECT_EQ(again.Page(), TfrmUpdatePaper::pgQueryConnect);
}

TEST_F(UpdatePaperDialog, AWrongAddressIsMendedFromTheFailurePage)
{
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), Url("missing/none.vup"));
    TfrmUpdatePaper dialog(*FPapers);
    EXPECT_FALSE(dialog.ChangeAddressButton()->isVisibleTo(&dialog));
    dialog.ActionButton()->click();
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgConnectionFailure);
    EXPECT_TRUE(dialog.ChangeAddressButton()->isVisibleTo(&dialog));
    dialog.AddressDialogHook = [this](TfrmUpdateURL& address) {
        address.Edit()->setText(Url("ok/new.vup"));
        address.accept();
        return true;
    };
    dialog.ChangeAddressButton()->click();
    EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryConnect);
    dialog.ActionButton()->click();
    EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
}

TEST_F(UpdatePaperDialog, FullUpdateThroughTheButtons)
{
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), Url("ok/new.vup"));
    TfrmUpdatePaper dialog(*FPapers);
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryConnect);
    EXPECT_EQ(dialog.ActionButton()->text(), QStringLiteral("接続"));
    EXPECT_TRUE(HasText(dialog, QStringLiteral("インターネットに接続してよろしいですか？")));
    Shot(dialog, "update-query-connect");
    dialog.ActionButton()->click();
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
    EXPECT_TRUE(HasText(dialog, QStringLiteral("最新のパターン番号：0042")));
    EXPECT_TRUE(HasText(dialog, QStringLiteral("最新のファイル日付：2026年12月9日")));
    EXPECT_TRUE(HasText(dialog, QStringLiteral("更新しますか？")));
    EXPECT_EQ(dialog.ActionButton()->text(), QStringLiteral("更新"));
    EXPECT_TRUE(dialog.ActionButton()->isEnabled());
    Shot(dialog, "update-query-update");
    dialog.ActionButton()->click();
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgFinish);
    EXPECT_TRUE(HasText(dialog, QStringLiteral("更新処理を終了しました")));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("閉じる"));
    EXPECT_EQ(FPapers->Count(), 3);
    EXPECT_EQ(FPapers->UpdateInfo().PPRNo(), 42);
    bool header = false;
    for (QLabel* l : dialog.findChildren<QLabel*>())
        header = header || l->text() == QStringLiteral("現在のパターン番号：0042");
    EXPECT_TRUE(header);
    Shot(dialog, "update-finish");
}

TEST_F(UpdatePaperDialog, NothingNewAndFailures)
{
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), Url("ok/zero.vup"));
    {
        TfrmUpdatePaper dialog(*FPapers);
        dialog.ActionButton()->click();
        ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
        EXPECT_TRUE(HasText(dialog, QStringLiteral("新しい更新情報はありません")));
        EXPECT_FALSE(HasText(dialog, QStringLiteral("最新のパターン番号")));
        EXPECT_FALSE(dialog.ActionButton()->isEnabled());
        Shot(dialog, "update-nothing-new");
    }
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), Url("ok/wrong.vup"));
    {
        TfrmUpdatePaper dialog(*FPapers);
        dialog.ActionButton()->click();
        ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
        dialog.ActionButton()->click();
        ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgConnectionFailure);
        EXPECT_TRUE(HasText(dialog, QStringLiteral("アップデートファイルの取得に失敗しました")));
        EXPECT_EQ(dialog.ActionButton()->text(), QStringLiteral("再接続"));
        EXPECT_EQ(FPapers->Count(), 1);
        Shot(dialog, "update-failure");
        // Retry goes back to the index.
        dialog.ActionButton()->click();
        EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
    }
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), Url("ok/missing.vup"));
    {
        TfrmUpdatePaper dialog(*FPapers);
        dialog.ActionButton()->click();
        EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgConnectionFailure);
    }
    EXPECT_EQ(FPapers->Count(), 1);
    EXPECT_EQ(FPapers->UpdateInfo().PPRNo(), 0);
}

TEST_F(UpdatePaperDialog, AbortAsksAndStopsTheTransfer)
{
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), Url("slow/new.vup"));
    TfrmUpdatePaper dialog(*FPapers);
    dialog.ActionButton()->click();
    ASSERT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
    int asked = 0;
    dialog.ConfirmAbort = [&] {
        ++asked;
        // The first answer is Cancel: the transfer goes on.
        return asked > 1;
    };
    bool sawDownloading = false;
    QString cancelText;
    QTimer::singleShot(300, &dialog, [&] {
        sawDownloading = dialog.Page() == TfrmUpdatePaper::pgDownLoading;
        cancelText = dialog.CancelButton()->text();
        Shot(dialog, "update-downloading");
        dialog.CancelButton()->click();
        QTimer::singleShot(200, &dialog, [&] { dialog.CancelButton()->click(); });
    });
    dialog.ActionButton()->click();
    EXPECT_TRUE(sawDownloading);
    EXPECT_EQ(cancelText, QStringLiteral("中止"));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgConnectionFailure);
    EXPECT_EQ(FPapers->Count(), 1);
}

TEST_F(UpdatePaperDialog, ProxyFromTheSettings)
{
    WriteSettingString(QStringLiteral("PPRUpdaterURL"),
                       QStringLiteral("http://velmo-update.invalid/ok/new.vup"));
    WriteSettingString(QStringLiteral("PPRUpdaterProxy"), QStringLiteral("127.0.0.1"));
    WriteSettingInteger(QStringLiteral("PPRUpdaterProxyPort"), Port);
    TfrmUpdatePaper dialog(*FPapers);
    dialog.ActionButton()->click();
    EXPECT_EQ(dialog.Page(), TfrmUpdatePaper::pgQueryUpdate);
    EXPECT_TRUE(HasText(dialog, QStringLiteral("最新のパターン番号：0042")));
}

TEST_F(UpdatePaperDialog, AddressDialogShowsAndWritesTheSetting)
{
    {
        TfrmUpdateURL dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("用紙情報アップデートファイルのURLの変更"));
        EXPECT_TRUE(dialog.Edit()->text().isEmpty());
        dialog.Edit()->setText(
            QStringLiteral("  http://updates.example.test/updater/velmo/ppr/velmoka.vup "));
        Shot(dialog, "update-url");
        dialog.accept();
    }
    EXPECT_EQ(ReadSettingString(QStringLiteral("PPRUpdaterURL"), QString()),
              QStringLiteral("http://updates.example.test/updater/velmo/ppr/velmoka.vup"));
    TfrmUpdateURL again;
    EXPECT_EQ(again.Edit()->text(),
              QStringLiteral("http://updates.example.test/updater/velmo/ppr/velmoka.vup"));
    again.Edit()->setText(QStringLiteral("changed"));
    again.reject();
    EXPECT_EQ(ReadSettingString(QStringLiteral("PPRUpdaterURL"), QString()),
              QStringLiteral("http://updates.example.test/updater/velmo/ppr/velmoka.vup"));
}

} // namespace
