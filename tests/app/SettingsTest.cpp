#include "AppTestSupport.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

TEST(Settings, ReadingGivesDefaultsAndNeverCreatesTheFile)
{
    TFrameFixture f;
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("Banding"), true));
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("Special"), false));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefFontName"), QStringLiteral("ＭＳ Ｐゴシック")),
              QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_FALSE(QFileInfo::exists(f.SettingsFile()));
    EXPECT_FALSE(QFileInfo::exists(f.Temp.path() + QStringLiteral("/config")));
    EXPECT_FALSE(TSettingsKey(ExpandMacros(QStringLiteral("$(SysRegistryKey)"))).Exists());
}

TEST(Settings, ValuesAreStoredAsTextsUnderTheSettingsKey)
{
    TFrameFixture f;
    WriteSettingBool(QStringLiteral("Banding"), false);
    WriteSettingInteger(QStringLiteral("DefBrushColor"), 12632256);
    WriteSettingInteger(QStringLiteral("frmMainLeft"), -8);
    WriteSettingString(QStringLiteral("CDPath"), QStringLiteral("/media/user/ベルモ, disc"));
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("Banding"), true));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefBrushColor"), 0), 12632256);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("frmMainLeft"), 0), -8);
    EXPECT_EQ(ReadSettingString(QStringLiteral("CDPath"), QString()),
              QStringLiteral("/media/user/ベルモ, disc"));
    // Value names are matched without regard to case, like the registry's.
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("defbrushcolor"), 0), 12632256);
    WriteSettingInteger(QStringLiteral("DEFBRUSHCOLOR"), 5);
    EXPECT_EQ(TSettingsKey(ExpandMacros(QStringLiteral("$(SysRegistryKey)"))).ValueNames().count(), 4);

    TSettingsKey key(QStringLiteral("Software\\Quillon\\ベルモ\\1.0\\Settings"));
    EXPECT_EQ(key.FileName(), f.SettingsFile());
    EXPECT_EQ(key.Group(), QStringLiteral("1.0/Settings"));
    EXPECT_EQ(key.ReadString(QStringLiteral("Banding")), QStringLiteral("0"));
    EXPECT_EQ(key.ReadString(QStringLiteral("DefBrushColor")), QStringLiteral("5"));
    EXPECT_TRUE(key.Exists());
}

TEST(Settings, HandEditedAndNonNumericValuesReadAsDefaults)
{
    TFrameFixture f;
    WriteFileBytes(f.SettingsFile(), "[1.0]\nSettings\\DefFontSize=big\nSettings\\Banding=yes\n"
                                     "Settings\\DefStyle= 3\nSettings\\Special=2\nSettings\\List=a, b\n");
    const QByteArray before = ReadFileBytes(f.SettingsFile());
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("Banding"), true));
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("Banding"), false));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefStyle"), 0), 3);
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("Special"), false)); // any non-zero number is true
    EXPECT_EQ(ReadSettingString(QStringLiteral("List"), QString()), QStringLiteral("a, b"));
    EXPECT_EQ(ReadFileBytes(f.SettingsFile()), before);
}

TEST(Settings, DamagedOrUnreadableFilesReadAsDefaultsAndStayUntouched)
{
    TFrameFixture f;
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 131 + 7) & 0xFF));
    garbage.prepend("[1.0\n\xff\xfe[[[=\n");
    WriteFileBytes(f.SettingsFile(), garbage);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
    EXPECT_EQ(ReadSettingString(QStringLiteral("CDPath"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ReadFileBytes(f.SettingsFile()), garbage);

    // Writing keeps the damaged file beside a fresh one.
    WriteSettingInteger(QStringLiteral("DefFontSize"), 12);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 12);

    // A file that cannot be read at all.
    QFile::setPermissions(f.SettingsFile(), QFileDevice::WriteOwner);
    if (!QFileInfo(f.SettingsFile()).isReadable()) {
        EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
        EXPECT_FALSE(TSettingsKey(ExpandMacros(QStringLiteral("$(SysRegistryKey)"))).Exists());
    }
    QFile::setPermissions(f.SettingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A folder where the file should be.
    QFile::remove(f.SettingsFile());
    QDir().mkpath(f.SettingsFile());
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
    WriteSettingInteger(QStringLiteral("DefFontSize"), 13); // fails quietly
    EXPECT_TRUE(QFileInfo(f.SettingsFile()).isDir());
}

TEST(Settings, WithoutRegistryKeyLineNothingIsReadOrWritten)
{
    TFrameFixture f;
    TMacroString table(QStringList{QStringLiteral("AppName=ベルモ")});
    f.Frame->SetMacro(table);
    WriteSettingInteger(QStringLiteral("DefFontSize"), 12);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefFontSize"), 24), 24);
    EXPECT_FALSE(QFileInfo::exists(f.Temp.path() + QStringLiteral("/config")));
}

TEST(Settings, KeyPathsStayInsideTheConfigFolder)
{
    TFrameFixture f;
    TSettingsKey key(QStringLiteral("Software\\..\\..\\x"));
    EXPECT_TRUE(
        QFileInfo(key.FileName()).absoluteFilePath().startsWith(f.Temp.path() + QStringLiteral("/config/")));
    TSettingsKey slash(QStringLiteral("Software\\a/../../b\\c"));
    EXPECT_TRUE(QDir::cleanPath(slash.FileName()).startsWith(f.Temp.path() + QStringLiteral("/config/")));
    EXPECT_FALSE(TSettingsKey(QString()).IsValid());
    EXPECT_FALSE(TSettingsKey(QStringLiteral("\\\\")).WriteString(QStringLiteral("a"), QStringLiteral("b")));
}

TEST(Settings, DeletingAKeyRemovesItsSubkeysOnly)
{
    TFrameFixture f;
    TSettingsKey settings(QStringLiteral("Software\\Quillon\\ベルモ\\1.0\\Settings"));
    TSettingsKey history(QStringLiteral("Software\\Quillon\\ベルモ\\1.0\\Settings\\OpenFileHistory"));
    settings.WriteString(QStringLiteral("A"), QStringLiteral("1"));
    history.WriteString(QStringLiteral("Item0"), QStringLiteral("x"));
    EXPECT_EQ(settings.SubKeyNames(), QStringList{QStringLiteral("OpenFileHistory")});
    EXPECT_TRUE(history.DeleteKey());
    EXPECT_FALSE(history.Exists());
    EXPECT_EQ(settings.ReadString(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_TRUE(settings.DeleteValue(QStringLiteral("a")));
    EXPECT_FALSE(settings.ReadString(QStringLiteral("A")).has_value());
}
