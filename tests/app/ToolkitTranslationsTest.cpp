#include "app/UToolkitTranslations.h"
#include <algorithm>

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace velmo {
namespace {

// The toolkit's texts as the file dialog asks for them.
QString LookIn()
{
    return QCoreApplication::translate("QFileDialog", "Look in:");
}

class ToolkitTranslations : public ::testing::Test
{
protected:
    void TearDown() override
    {
        // Every translator this test installed goes, so other tests see English.
        for (QTranslator* t : qApp->findChildren<QTranslator*>())
            QCoreApplication::removeTranslator(t), delete t;
    }
};

TEST_F(ToolkitTranslations, MissingFolderLeavesTheTextsAlone)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    EXPECT_EQ(InstallToolkitTranslations(*qApp, empty.path()), 0);
    EXPECT_EQ(LookIn(), QStringLiteral("Look in:"));
    EXPECT_TRUE(qApp->findChildren<QTranslator*>().isEmpty());
}

TEST_F(ToolkitTranslations, DamagedCatalogueIsIgnored)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"/qtbase_ja.qm", "/qt_ja.qm"}) {
        QFile f(dir.path() + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a catalogue at all");
    }
    EXPECT_EQ(InstallToolkitTranslations(*qApp, dir.path()), 0);
    EXPECT_EQ(LookIn(), QStringLiteral("Look in:"));
}

TEST_F(ToolkitTranslations, InstalledCatalogueTranslatesTheFileDialog)
{
    const QString system = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(system + QStringLiteral("/qtbase_ja.qm")))
        GTEST_SKIP() << "qt6-translations-l10n is not installed (scripts/install-deps installs it)";
    // Only the one catalogue, copied, so the result does not hang on what else the
    // folder holds.
    QTemporaryDir dir;
    ASSERT_TRUE(
        QFile::copy(system + QStringLiteral("/qtbase_ja.qm"), dir.path() + QStringLiteral("/qtbase_ja.qm")));
    EXPECT_EQ(InstallToolkitTranslations(*qApp, dir.path()), 1);
    const QString text = LookIn();
    EXPECT_NE(text, QStringLiteral("Look in:"));
    // Japanese: at least one character outside Latin-1.
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; }))
        << text.toStdString();
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST_F(ToolkitTranslations, DefaultFolderIsTheToolkits)
{
    const QString system = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const int expected = int(QFile::exists(system + QStringLiteral("/qtbase_ja.qm"))) +
                         int(QFile::exists(system + QStringLiteral("/qt_ja.qm")));
    EXPECT_EQ(InstallToolkitTranslations(*qApp), expected);
}

} // namespace
} // namespace velmo
