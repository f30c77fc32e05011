#pragma once
// Recently used lists (files, folders, papers, search words), most recent first,
// kept in a settings subkey as "Item0", "Item1", … so that every list on the same key
// shares its entries.
#include <QObject>
#include <QString>
#include <QStringList>

namespace velmo {

class THistoryManager : public QObject
{
    Q_OBJECT
public:
    explicit THistoryManager(QObject* owner = nullptr);

    // Macro text of the key, for example "$(OpenFileHistory)"; its last part is the
    // subkey that holds the entries.
    QString RegistryKey() const { return FRegistryKey; }
    void SetRegistryKey(const QString& key);
    int Limit() const { return FLimit; }
    void SetLimit(int limit) { FLimit = limit; }

    // Each raises EHistoryManager when the key has no usable last part.
    void Add(const QString& text);
    void Remove(const QString& text);
    void Clear();
    // The current entries, freshly read.
    QStringList Items();

protected:
    // Reads the stored entries (at most Limit) into the list.
    void Reload();
    // Called after the list changed and was stored; a manager with a menu rebuilds it.
    virtual void ListChanged() {}
    const QStringList& CachedItems() const { return FItems; }

private:
    QString SubKeyPath() const;
    void Save();

    QString FRegistryKey;
    int FLimit = 10;
    QStringList FItems;
    bool FLoading = false;
};

} // namespace velmo
