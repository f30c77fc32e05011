// The merge command: cancelled, merged, a file that is no catalogue.
#include "document/FOldPaperMerge.h"
#include "paper/UVelmoPapers.h"
#include "support/TestSupport.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

TEST(OldPaperMergeCommand, CancelMergeAndFailure)
{
    RegisterCatalogueClasses();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = dir.filePath("old.ppr");
    const ProcessResult made =
        RunProgram("/usr/bin/python3", {SourceDir() + "/tests/tool/make_old_catalogue.py", old});
    if (made.ExitCode == 3)
        GTEST_SKIP() << "gsf is missing";
    ASSERT_EQ(made.ExitCode, 0);
    TVelmoPapers papers(dir.filePath("mine.ppr"), false);
    EXPECT_EQ(OldPaperMergeCaption(), QStringLiteral("ベルモ用紙情報のマージ(&M)..."));

    QStringList told;
    TOldPaperMergeHooks hooks;
    hooks.Tell = [&](QWidget*, const QString& text) { told << text; };
    hooks.AskFile = [](QWidget*) { return QString(); };
    EXPECT_FALSE(ExecuteOldPaperMerge(nullptr, papers, hooks));
    EXPECT_EQ(papers.Count(), 0);

    hooks.AskFile = [&](QWidget*) { return old; };
    EXPECT_TRUE(ExecuteOldPaperMerge(nullptr, papers, hooks));
    EXPECT_EQ(papers.Count(), 2);
    EXPECT_TRUE(told.isEmpty());

    const QString text = dir.filePath("text.ppr");
    WriteFileBytes(text, "not a compound file");
    hooks.AskFile = [&](QWidget*) { return text; };
    EXPECT_TRUE(ExecuteOldPaperMerge(nullptr, papers, hooks));
    ASSERT_EQ(told.size(), 1);
    EXPECT_FALSE(told[0].isEmpty());
    EXPECT_EQ(papers.Count(), 2);
}
