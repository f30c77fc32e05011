#include "base/USettings.h"

namespace velmo {

namespace {

TSettingsStore& Store()
{
    static TSettingsStore store;
    return store;
}

std::optional<QString> ReadText(const QString& name)
{
    return Store().Read ? Store().Read(name) : std::nullopt;
}

void WriteText(const QString& name, const QString& value)
{
    if (Store().Write)
        Store().Write(name, value);
}

} // namespace

void SetSettingsStore(TSettingsStore store)
{
    Store() = std::move(store);
}

std::optional<int> ParseSettingInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

bool ReadSettingBool(const QString& name, bool defaultValue)
{
    const std::optional<QString> text = ReadText(name);
    if (!text)
        return defaultValue;
    const std::optional<int> value = ParseSettingInteger(*text);
    return value ? *value != 0 : defaultValue;
}

int ReadSettingInteger(const QString& name, int defaultValue)
{
    const std::optional<QString> text = ReadText(name);
    if (!text)
        return defaultValue;
    return ParseSettingInteger(*text).value_or(defaultValue);
}

QString ReadSettingString(const QString& name, const QString& defaultValue)
{
    return ReadText(name).value_or(defaultValue);
}

void WriteSettingBool(const QString& name, bool value)
{
    WriteText(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void WriteSettingInteger(const QString& name, int value)
{
    WriteText(name, QString::number(value));
}

void WriteSettingString(const QString& name, const QString& value)
{
    WriteText(name, value);
}

QStringList SettingsHistory(const QString& key)
{
    return Store().HistoryItems ? Store().HistoryItems(key) : QStringList();
}

void AddSettingsHistory(const QString& key, const QString& text, int limit)
{
    if (Store().AddHistory)
        Store().AddHistory(key, text, limit);
}

} // namespace velmo
