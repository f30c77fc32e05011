#include "AppTestSupport.h"
#include "app/FHistoryMenu.h"
#include "base/UExceptions.h"
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QStringList Numbered(const QString& prefix, int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result.append(prefix + QString::number(i));
    return result;
}

TSettingsKey HistoryKey(const QString& name)
{
    return TSettingsKey(QStringLiteral("Software\\Quillon\\ベルモ\\1.0\\Settings\\") + name);
}

QStringList Captions(const QList<QAction*>& actions)
{
    QStringList result;
    for (QAction* action : actions)
        result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return result;
}

} // namespace

TEST(HistoryManager, AddPutsTextFirstAndKeepsTheLimit)
{
    TFrameFixture f;
    THistoryManager history;
    history.SetRegistryKey(QStringLiteral("$(UsedPaperHistory)"));
    history.SetLimit(20);
    const QStringList papers = Numbered(QStringLiteral("paper"), 20);
    for (const QString& paper : papers)
        history.Add(paper);
    QStringList expected = papers;
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(history.Items(), expected);

    // After a restart the list comes back in the same order.
    THistoryManager restarted;
    restarted.SetRegistryKey(QStringLiteral("$(UsedPaperHistory)"));
    restarted.SetLimit(20);
    EXPECT_EQ(restarted.Items(), expected);

    restarted.Add(QStringLiteral("paper20"));
    const QStringList items = restarted.Items();
    ASSERT_EQ(items.size(), 20);
    EXPECT_EQ(items.first(), QStringLiteral("paper20"));
    EXPECT_FALSE(items.contains(QStringLiteral("paper0")));
    EXPECT_EQ(items.last(), QStringLiteral("paper1"));
    EXPECT_EQ(HistoryKey(QStringLiteral("UsedPaperHistory")).ValueNames().size(), 20);
}

TEST(HistoryManager, CaseDifferentAddMovesToFrontWithNewSpelling)
{
    TFrameFixture f;
    THistoryManager history;
    history.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    history.Add(QStringLiteral("/home/u/a.lbd"));
    history.Add(QStringLiteral("/home/u/b.lbd"));
    history.Add(QStringLiteral("/HOME/U/A.LBD"));
    EXPECT_EQ(history.Items(),
              (QStringList{QStringLiteral("/HOME/U/A.LBD"), QStringLiteral("/home/u/b.lbd")}));
    history.Remove(QStringLiteral("/home/u/B.lbd"));
    EXPECT_EQ(history.Items(), QStringList{QStringLiteral("/HOME/U/A.LBD")});
    history.Clear();
    EXPECT_TRUE(history.Items().isEmpty());
}

TEST(HistoryManager, ReadsItemNumbersInOrderWithGaps)
{
    TFrameFixture f;
    TSettingsKey key = HistoryKey(QStringLiteral("FindPaperHistory"));
    key.WriteString(QStringLiteral("Item10"), QStringLiteral("ten"));
    key.WriteString(QStringLiteral("Item2"), QStringLiteral("two"));
    key.WriteString(QStringLiteral("Other"), QStringLiteral("ignored"));
    key.WriteString(QStringLiteral("Item7"), QStringLiteral("seven"));
    key.WriteString(QStringLiteral("ItemX"), QStringLiteral("ignored too"));
    THistoryManager history;
    history.SetRegistryKey(QStringLiteral("$(FindPaperHistory)"));
    EXPECT_EQ(history.Items(),
              (QStringList{QStringLiteral("two"), QStringLiteral("seven"), QStringLiteral("ten")}));
    history.SetLimit(2);
    EXPECT_EQ(history.Items(), (QStringList{QStringLiteral("two"), QStringLiteral("seven")}));
    // Saving renumbers from Item0 and drops everything else of the subkey.
    history.SetLimit(10);
    history.Add(QStringLiteral("new"));
    EXPECT_EQ(key.ValueNames().size(), 4);
    EXPECT_EQ(key.ReadString(QStringLiteral("Item0")), QStringLiteral("new"));
    EXPECT_EQ(key.ReadString(QStringLiteral("Item3")), QStringLiteral("ten"));
    EXPECT_FALSE(key.ReadString(QStringLiteral("Other")).has_value());
}

TEST(HistoryManager, InstancesOnTheSameKeyShareEntries)
{
    TFrameFixture f;
    THistoryManager a, b;
    a.SetRegistryKey(QStringLiteral("$(LabelDataHistory)"));
    b.SetRegistryKey(QStringLiteral("$(LabelDataHistory)"));
    a.Add(QStringLiteral("/x"));
    b.Add(QStringLiteral("/y"));
    EXPECT_EQ(a.Items(), (QStringList{QStringLiteral("/y"), QStringLiteral("/x")}));
    // Reading does not create the key of an unused list.
    THistoryManager c;
    c.SetRegistryKey(QStringLiteral("$(CDPathHistory)"));
    EXPECT_TRUE(c.Items().isEmpty());
    EXPECT_FALSE(HistoryKey(QStringLiteral("CDPathHistory")).Exists());
}

TEST(HistoryManager, KeyWithoutLastPartIsRefused)
{
    TFrameFixture f;
    THistoryManager history;
    history.SetRegistryKey(QStringLiteral("$(SysRegistryKey)\\"));
    try {
        history.Add(QStringLiteral("x"));
        FAIL();
    } catch (const EHistoryManager& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("History用のキーがセットされていません"));
    }
    THistoryManager empty;
    EXPECT_THROW(empty.Items(), EHistoryManager);
}

TEST(HistoryMenu, EntriesFollowTheAnchorWithAcceleratorsAndClearItem)
{
    TFrameFixture f;
    QMenu menu;
    menu.addAction(QStringLiteral("開く"));
    QAction* anchor = menu.addAction(QStringLiteral("(history)"));
    QAction* exit = menu.addAction(QStringLiteral("終了"));
    THistoryMenuManager history;
    history.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    history.SetUseAccelerator(true);
    history.SetClearHistoryCaption(QStringLiteral("履歴の消去"));
    history.SetMenuItem(anchor);
    EXPECT_FALSE(anchor->isVisible());
    EXPECT_TRUE(history.CreatedActions().isEmpty());

    for (int i = 0; i < 12; ++i)
        history.Add(QStringLiteral("f%1 & co").arg(i));
    QStringList expected{QStringLiteral("開く"), QStringLiteral("(history)"), QStringLiteral("-")};
    for (int i = 0; i < 10; ++i)
        expected.append(QStringLiteral("&%1 f%2 && co").arg(i).arg(11 - i));
    expected.append({QStringLiteral("-"), QStringLiteral("履歴の消去"), QStringLiteral("終了")});
    EXPECT_EQ(Captions(menu.actions()), expected);
    EXPECT_EQ(menu.actions().last(), exit);

    QString clicked;
    history.OnMenuClick = [&](const QString& entry) {
        clicked = entry;
        EXPECT_EQ(history.Items().first(), entry); // moved to the front before the event
    };
    menu.actions()[5]->trigger(); // "&2 f9 & co"
    EXPECT_EQ(clicked, QStringLiteral("f9 & co"));
    EXPECT_EQ(menu.actions()[3]->text(), QStringLiteral("&0 f9 && co"));

    // The clear item empties the list and removes the entries.
    menu.actions()[menu.actions().size() - 2]->trigger();
    EXPECT_TRUE(history.Items().isEmpty());
    EXPECT_EQ(Captions(menu.actions()),
              (QStringList{QStringLiteral("開く"), QStringLiteral("(history)"), QStringLiteral("終了")}));
}

TEST(HistoryMenu, AnchorAtTheTopGetsNoSeparatorAndLettersFollowDigits)
{
    TFrameFixture f;
    QMenu menu;
    QAction* anchor = menu.addAction(QStringLiteral("(history)"));
    THistoryMenuManager history;
    history.SetRegistryKey(QStringLiteral("$(UserImageHistory)"));
    history.SetLimit(12);
    history.SetUseAccelerator(true);
    history.SetMenuItem(anchor);
    for (int i = 0; i < 12; ++i)
        history.Add(QString::number(i));
    const QStringList captions = Captions(menu.actions());
    ASSERT_EQ(captions.size(), 13);
    EXPECT_EQ(captions[1], QStringLiteral("&0 11"));
    EXPECT_EQ(captions[11], QStringLiteral("&A 1"));
    EXPECT_EQ(captions[12], QStringLiteral("&B 0"));
    EXPECT_EQ(THistoryMenuManager::MenuCaption(3, QStringLiteral("x"), false), QStringLiteral("x"));

    // Another list on the same key changes the entries; the menu shows them when opened.
    THistoryManager other;
    other.SetRegistryKey(QStringLiteral("$(UserImageHistory)"));
    other.Clear();
    Q_EMIT menu.aboutToShow();
    EXPECT_EQ(menu.actions().size(), 1);
}
