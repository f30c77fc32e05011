#include "app/UHistoryManager.h"
#include "app/UAppFrame.h"
#include "app/USettingsStore.h"
#include "base/UExceptions.h"
#include <algorithm>

namespace velmo {

THistoryManager::THistoryManager(QObject* owner) : QObject(owner)
{
    setObjectName(QStringLiteral("HistoryManager"));
}

void THistoryManager::SetRegistryKey(const QString& key)
{
    FRegistryKey = key;
}

QString THistoryManager::SubKeyPath() const
{
    const QString expanded = ExpandMacros(FRegistryKey);
    const qsizetype slash = expanded.lastIndexOf(QLatin1Char('\\'));
    const QString last = expanded.mid(slash + 1);
    if (last.isEmpty())
        throw EHistoryManager(QStringLiteral("History用のキーがセットされていません"));
    return expanded;
}

void THistoryManager::Reload()
{
    const TSettingsKey key(SubKeyPath());
    FLoading = true;
    std::vector<std::pair<qint64, QString>> numbered;
    for (const QString& name : key.ValueNames()) {
        if (!name.startsWith(QLatin1String("Item"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const qint64 number = name.mid(4).toLongLong(&ok);
        if (ok && number >= 0)
            numbered.emplace_back(number, name);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    FItems.clear();
    for (const auto& [number, name] : numbered) {
        if (FItems.size() >= FLimit)
            break;
        if (const auto value = key.ReadString(name))
            FItems.append(*value);
    }
    FLoading = false;
}

void THistoryManager::Save()
{
    if (FLoading)
        return;
    QList<std::pair<QString, QString>> values;
    for (int i = 0; i < FItems.size(); ++i)
        values.append({QStringLiteral("Item%1").arg(i), FItems[i]});
    TSettingsKey(SubKeyPath()).ReplaceKey(values);
    ListChanged();
}

void THistoryManager::Add(const QString& text)
{
    Reload();
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        if (FItems[i].compare(text, Qt::CaseInsensitive) == 0) {
            FItems.removeAt(i);
            break;
        }
    }
    FItems.prepend(text);
    while (FItems.size() > qMax(FLimit, 0))
        FItems.removeLast();
    Save();
}

void THistoryManager::Remove(const QString& text)
{
    Reload();
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        if (FItems[i].compare(text, Qt::CaseInsensitive) == 0) {
            FItems.removeAt(i);
            break;
        }
    }
    Save();
}

void THistoryManager::Clear()
{
    Reload();
    FItems.clear();
    Save();
}

QStringList THistoryManager::Items()
{
    Reload();
    return FItems;
}

} // namespace velmo
