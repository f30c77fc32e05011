#pragma once
// Settings keys of the current user, in place of a registry: a key path such as
// "Software\Quillon\ベルモ\1.0\Settings" names an INI file (maker folder, product
// file) and the groups inside it ("1.0/Settings"). Values are always texts.
#include "base/USettings.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace velmo {

class TSettingsKey
{
public:
    explicit TSettingsKey(const QString& keyPath);

    // Folder that holds the settings files; the user's config folder unless set
    // (tests point it at a temporary folder).
    static QString ConfigRoot();
    static void SetConfigRoot(const QString& folder);

    QString FileName() const { return FFileName; }
    QString Group() const { return FGroup; }
    bool IsValid() const { return !FFileName.isEmpty(); }

    // Whether the key holds any value or subkey; never creates anything.
    bool Exists() const;
    // The text of a value (name compared without regard to case), nothing when the
    // key, the value or a readable file is missing.
    std::optional<QString> ReadString(const QString& name) const;
    QStringList ValueNames() const;
    QStringList SubKeyNames() const;

    // Writing creates the file and the groups as needed; false when it could not be stored.
    bool WriteString(const QString& name, const QString& value);
    bool DeleteValue(const QString& name);
    // Removes the key with all its values and subkeys.
    bool DeleteKey();
    // Replaces the whole key by these values, in one write of the file.
    bool ReplaceKey(const QList<std::pair<QString, QString>>& values);

private:
    QString FKeyPath;
    QString FFileName;
    QString FGroup;
};

} // namespace velmo
