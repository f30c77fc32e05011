#pragma once
// The application's settings and history lists for every library: the dialogs of the
// libraries below the application read and write them here, and the application
// frame installs where they live (the key "$(SysRegistryKey)" of its settings, the
// history lists on their keys). Without an installed store (tools, tests without a
// frame) reading gives the defaults and writing does nothing.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace velmo {

struct TSettingsStore
{
    std::function<std::optional<QString>(const QString& name)> Read;
    std::function<void(const QString& name, const QString& value)> Write;
    // A history list (macro text of its key), most recent first.
    std::function<QStringList(const QString& key)> HistoryItems;
    // Puts text first in the list, keeping at most limit entries.
    std::function<void(const QString& key, const QString& text, int limit)> AddHistory;
};

void SetSettingsStore(TSettingsStore store);

// Reading never creates anything and gives the default for anything missing or
// unreadable.
bool ReadSettingBool(const QString& name, bool defaultValue);
int ReadSettingInteger(const QString& name, int defaultValue);
QString ReadSettingString(const QString& name, const QString& defaultValue);
void WriteSettingBool(const QString& name, bool value);
void WriteSettingInteger(const QString& name, int value);
void WriteSettingString(const QString& name, const QString& value);

QStringList SettingsHistory(const QString& key);
void AddSettingsHistory(const QString& key, const QString& text, int limit = 10);

// A stored integer: decimal, surrounding blanks allowed; nothing else.
std::optional<int> ParseSettingInteger(const QString& text);

} // namespace velmo
