#include "AppTestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// A frame whose key file is "velmo.key" and whose folders lie in a temporary folder.
struct TDataFixture : TFrameFixture
{
    TDataFixture()
    {
        Frame->Macro().SetValue(QStringLiteral("SysKeyFile"), QStringLiteral("velmo.key"));
        Frame->Macro().SetValue(QStringLiteral("SysApplicationFolder"), QStringLiteral("velmo"));
        QDir().mkpath(Path(QStringLiteral("exe")));
    }
    QString Path(const QString& relative) const { return Temp.path() + QLatin1Char('/') + relative; }
    void MakeRoot(const QString& relative) { Touch(Path(relative + QStringLiteral("/velmo.key"))); }
};

} // namespace

TEST(FindDataFile, ExecutableFolderNeedsNoKeyFile)
{
    TDataFixture f;
    Touch(f.Path(QStringLiteral("exe/Data/Template/Wizard.dat")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\Template\\Wizard.dat"), QString()),
              f.Path(QStringLiteral("exe/Data/Template/Wizard.dat")));
    // Names in data files are looked up without regard to case.
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("data\\TEMPLATE\\wizard.DAT"), QString()),
              f.Path(QStringLiteral("exe/Data/Template/Wizard.dat")));
    EXPECT_TRUE(f.Shown.empty());
}

TEST(FindDataFile, WildcardsInTheLastPartTakeTheFirstOrdinaryFile)
{
    TDataFixture f;
    Touch(f.Path(QStringLiteral("exe/Data/b.cbm")));
    Touch(f.Path(QStringLiteral("exe/Data/a.cbm")));
    QDir().mkpath(f.Path(QStringLiteral("exe/Data/0.cbm")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\*.cbm"), QString()),
              f.Path(QStringLiteral("exe/Data/a.cbm")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\?.CBM"), QString()),
              f.Path(QStringLiteral("exe/Data/a.cbm")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\*.jpg"), QString()), QString());
}

TEST(FindDataFile, PathsLeavingARootAreNotFound)
{
    TDataFixture f;
    Touch(f.Path(QStringLiteral("secret.txt")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("..\\secret.txt"), QString()), QString());
    EXPECT_EQ(f.Frame->FindDataFile(f.Path(QStringLiteral("secret.txt")), QString()), QString());
    EXPECT_EQ(f.Frame->FindDataFile(QString(), QString()), QString());
}

TEST(FindDataFile, CDPathSettingIsARootOnlyWithTheKeyFile)
{
    TDataFixture f;
    Touch(f.Path(QStringLiteral("cd/Data/Osoroi/Osoroi.dat")));
    WriteSettingString(QStringLiteral("CDPath"), f.Path(QStringLiteral("cd")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\Osoroi\\Osoroi.dat"), QString()), QString());
    f.MakeRoot(QStringLiteral("cd"));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\Osoroi\\Osoroi.dat"), QString()),
              f.Path(QStringLiteral("cd/Data/Osoroi/Osoroi.dat")));
}

TEST(FindDataFile, InstalledFolderBecomesTheRememberedRoot)
{
    TDataFixture f;
    f.Frame->DataRoots().InstalledFolders = {f.Path(QStringLiteral("share/velmo"))};
    Touch(f.Path(QStringLiteral("share/velmo/Data/Font/a.fnt")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\Font\\a.fnt"), QString()),
              f.Path(QStringLiteral("share/velmo/Data/Font/a.fnt")));
    EXPECT_EQ(f.Frame->RememberedDataRoot(), f.Path(QStringLiteral("share/velmo")));
}

TEST(FindDataFile, RemovableMediaAndTheirApplicationFolder)
{
    TDataFixture f;
    f.Removable = {f.Path(QStringLiteral("media/usb")), f.Path(QStringLiteral("media/dvd"))};
    QDir().mkpath(f.Path(QStringLiteral("media/usb")));
    Touch(f.Path(QStringLiteral("media/dvd/Velmo/Data/x.dat")));
    // Without a key file the folder is no data root.
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\x.dat"), QString()), QString());
    EXPECT_EQ(f.Frame->RememberedDataRoot(), QString());
    f.MakeRoot(QStringLiteral("media/dvd/Velmo"));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\x.dat"), QString()),
              f.Path(QStringLiteral("media/dvd/Velmo/Data/x.dat")));
    EXPECT_EQ(f.Frame->RememberedDataRoot(), f.Path(QStringLiteral("media/dvd/Velmo")));
    // Remembered: found even after the media list has gone.
    f.Removable.clear();
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\x.dat"), QString()),
              f.Path(QStringLiteral("media/dvd/Velmo/Data/x.dat")));
    // A medium with the file at its top wins over the application folder.
    f.Removable = {f.Path(QStringLiteral("media/usb")), f.Path(QStringLiteral("media/dvd"))};
    f.Frame->SetRememberedDataRoot(QString());
    f.MakeRoot(QStringLiteral("media/usb"));
    Touch(f.Path(QStringLiteral("media/usb/Data/x.dat")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\x.dat"), QString()),
              f.Path(QStringLiteral("media/usb/Data/x.dat")));
}

TEST(FindDataFile, DiskSiblingsOfAMultiDiscSet)
{
    TDataFixture f;
    f.MakeRoot(QStringLiteral("set/Disk1"));
    f.MakeRoot(QStringLiteral("set/disk3"));
    QDir().mkpath(f.Path(QStringLiteral("set/disk2"))); // no key file: skipped
    Touch(f.Path(QStringLiteral("set/disk2/Data/y.dat")));
    Touch(f.Path(QStringLiteral("set/disk3/Data/y.dat")));
    WriteSettingString(QStringLiteral("CDPath"), f.Path(QStringLiteral("set/Disk1")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\y.dat"), QString()),
              f.Path(QStringLiteral("set/disk3/Data/y.dat")));
    // Only folders called disk… have siblings.
    f.MakeRoot(QStringLiteral("other/cd1"));
    f.MakeRoot(QStringLiteral("other/disk1"));
    Touch(f.Path(QStringLiteral("other/disk1/Data/z.dat")));
    WriteSettingString(QStringLiteral("CDPath"), f.Path(QStringLiteral("other/cd1")));
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\z.dat"), QString()), QString());
}

TEST(FindDataFile, AsksForTheDiscAndRetries)
{
    TDataFixture f;
    f.Answers = {mrYes, mrCancel};
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\missing.dat"), QStringLiteral("@")), QString());
    ASSERT_EQ(f.Shown.size(), 2u);
    EXPECT_EQ(f.Shown[0].Text,
              QStringLiteral("必要なファイルが見つかりません\r\nベルモのＣＤを正しくセットしてください。"));
    EXPECT_EQ(f.Shown[0].Buttons, (TButtonKinds{bkYes, bkCancel}));
    EXPECT_EQ(f.Shown[0].Default, 0);
    EXPECT_EQ(f.Shown[0].Cancel, 1);

    // A display name with macro-like text is shown as it is.
    f.Shown.clear();
    f.Answers = {mrCancel};
    f.Frame->FindDataFile(QStringLiteral("Data\\missing.dat"), QStringLiteral("$(素材)"));
    ASSERT_EQ(f.Shown.size(), 1u);
    EXPECT_TRUE(f.Shown[0].Text.startsWith(QStringLiteral("$(素材)が見つかりません")));

    // The handler is asked instead, and the file inserted meanwhile is found.
    f.Shown.clear();
    QStringList asked;
    f.Frame->OnCDNotFound = [&](const QString& name) {
        asked.append(name);
        Touch(f.Path(QStringLiteral("exe/Data/missing.dat")));
        return true;
    };
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("Data\\missing.dat"), QStringLiteral("素材集")),
              f.Path(QStringLiteral("exe/Data/missing.dat")));
    EXPECT_EQ(asked, QStringList{QStringLiteral("素材集")});
    EXPECT_TRUE(f.Shown.empty());
    // No display name: never asks.
    EXPECT_EQ(f.Frame->FindDataFile(QStringLiteral("nothing"), QString()), QString());
    EXPECT_EQ(asked.size(), 1);
}
