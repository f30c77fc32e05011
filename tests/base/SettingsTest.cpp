#include "base/USettings.h"
#include <QMap>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// A store over a map, as the application frame's is over its settings file.
struct MapStore
{
    QMap<QString, QString> Values;
    QMap<QString, QStringList> Lists;
    MapStore()
    {
        SetSettingsStore({[this](const QString& name) -> std::optional<QString> {
                              if (!Values.contains(name))
                                  return std::nullopt;
                              return Values.value(name);
                          },
                          [this](const QString& name, const QString& value) { Values[name] = value; },
                          [this](const QString& key) { return Lists.value(key); },
                          [this](const QString& key, const QString& text, int limit) {
                              QStringList& list = Lists[key];
                              list.removeAll(text);
                              list.prepend(text);
                              while (list.size() > limit)
                                  list.removeLast();
                          }});
    }
    ~MapStore() { SetSettingsStore({}); }
};

} // namespace

TEST(Settings, WithoutAStoreReadsGiveTheDefaultsAndWritesAreDropped)
{
    SetSettingsStore({});
    WriteSettingString(QStringLiteral("Name"), QStringLiteral("x"));
    EXPECT_EQ(ReadSettingString(QStringLiteral("Name"), QStringLiteral("default")),
              QStringLiteral("default"));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("Number"), 7), 7);
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("Flag"), true));
    AddSettingsHistory(QStringLiteral("$(Key)"), QStringLiteral("a"));
    EXPECT_TRUE(SettingsHistory(QStringLiteral("$(Key)")).isEmpty());
}

TEST(Settings, TypedValuesGoThroughTheStoreAndBadIntegersReadAsTheDefault)
{
    MapStore store;
    WriteSettingInteger(QStringLiteral("Port"), 8080);
    WriteSettingBool(QStringLiteral("Flag"), false);
    WriteSettingString(QStringLiteral("Url"), QStringLiteral("http://127.0.0.1/x.vup"));
    EXPECT_EQ(store.Values.value(QStringLiteral("Port")), QStringLiteral("8080"));
    EXPECT_EQ(store.Values.value(QStringLiteral("Flag")), QStringLiteral("0"));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("Port"), 80), 8080);
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("Flag"), true));
    EXPECT_EQ(ReadSettingString(QStringLiteral("Url"), QString()), QStringLiteral("http://127.0.0.1/x.vup"));
    // What is not a decimal integer reads as the default, blanks round one allowed.
    store.Values[QStringLiteral("Port")] = QStringLiteral("80a");
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("Port"), 80), 80);
    store.Values[QStringLiteral("Port")] = QStringLiteral(" 81 ");
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("Port"), 80), 81);
    store.Values[QStringLiteral("Flag")] = QStringLiteral("yes");
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("Flag"), true));
    EXPECT_FALSE(ParseSettingInteger(QString()).has_value());
    EXPECT_EQ(ParseSettingInteger(QStringLiteral("-3")), -3);
}

TEST(Settings, HistoryListsKeepTheLimitTheCallerAsksFor)
{
    MapStore store;
    for (int i = 0; i < 25; ++i)
        AddSettingsHistory(QStringLiteral("$(UsedPaperHistory)"), QStringLiteral("p%1").arg(i), 20);
    AddSettingsHistory(QStringLiteral("$(FindPaperHistory)"), QStringLiteral("a"));
    const QStringList used = SettingsHistory(QStringLiteral("$(UsedPaperHistory)"));
    ASSERT_EQ(used.size(), 20);
    EXPECT_EQ(used.front(), QStringLiteral("p24"));
    EXPECT_EQ(SettingsHistory(QStringLiteral("$(FindPaperHistory)")), QStringList{QStringLiteral("a")});
}
