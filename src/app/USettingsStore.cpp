#include "app/USettingsStore.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace velmo {

namespace {

QString& ConfigRootOverride()
{
    static QString folder;
    return folder;
}

// A file name part must not climb out of the config folder or name a device.
QString SafePart(QString part)
{
    part.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (part == QLatin1String(".") || part == QLatin1String(".."))
        part.replace(QLatin1Char('.'), QLatin1Char('_'));
    return part;
}

enum class Access
{
    Read,
    Write
};

// Opens the file only when it can be used: reading needs an existing, readable,
// well-formed file; a file that cannot be parsed is never rewritten.
std::unique_ptr<QSettings> Open(const QString& fileName, Access access)
{
    const QFileInfo info(fileName);
    if (access == Access::Read && (!info.exists() || !info.isFile() || !info.isReadable()))
        return nullptr;
    auto settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    settings->setFallbacksEnabled(false);
    if (settings->status() != QSettings::NoError)
        return nullptr;
    if (access == Access::Write && !settings->isWritable())
        return nullptr;
    return settings;
}

QString MatchName(const QStringList& names, const QString& name)
{
    for (const QString& candidate : names)
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    return QString();
}

} // namespace

QString TSettingsKey::ConfigRoot()
{
    if (!ConfigRootOverride().isEmpty())
        return ConfigRootOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

void TSettingsKey::SetConfigRoot(const QString& folder)
{
    ConfigRootOverride() = folder;
}

TSettingsKey::TSettingsKey(const QString& keyPath) : FKeyPath(keyPath)
{
    QStringList parts;
    for (const QString& part : keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        parts.append(SafePart(part));
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return;
    const QString root = ConfigRoot();
    if (root.isEmpty())
        return;
    if (parts.size() == 1) {
        FFileName = root + QLatin1Char('/') + parts.first() + QLatin1String(".ini");
        return;
    }
    FFileName = root + QLatin1Char('/') + parts[0] + QLatin1Char('/') + parts[1] + QLatin1String(".ini");
    FGroup = parts.mid(2).join(QLatin1Char('/'));
}

bool TSettingsKey::Exists() const
{
    if (!IsValid())
        return false;
    auto settings = Open(FFileName, Access::Read);
    if (!settings)
        return false;
    if (FGroup.isEmpty())
        return true;
    settings->beginGroup(FGroup);
    return !settings->childKeys().isEmpty() || !settings->childGroups().isEmpty();
}

std::optional<QString> TSettingsKey::ReadString(const QString& name) const
{
    if (!IsValid() || name.isEmpty())
        return std::nullopt;
    auto settings = Open(FFileName, Access::Read);
    if (!settings)
        return std::nullopt;
    settings->beginGroup(FGroup);
    const QString stored = MatchName(settings->childKeys(), name);
    if (stored.isEmpty())
        return std::nullopt;
    const QVariant value = settings->value(stored);
    // A hand-edited "a, b" reads back as a list; the text is what was meant.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    if (!value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

QStringList TSettingsKey::ValueNames() const
{
    if (!IsValid())
        return {};
    auto settings = Open(FFileName, Access::Read);
    if (!settings)
        return {};
    settings->beginGroup(FGroup);
    return settings->childKeys();
}

QStringList TSettingsKey::SubKeyNames() const
{
    if (!IsValid())
        return {};
    auto settings = Open(FFileName, Access::Read);
    if (!settings)
        return {};
    settings->beginGroup(FGroup);
    return settings->childGroups();
}

namespace {

std::unique_ptr<QSettings> OpenForWriting(const QString& fileName)
{
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath()))
        return nullptr;
    auto settings = Open(fileName, Access::Write);
    if (!settings && QFileInfo(fileName).isFile() && QFileInfo(fileName).isWritable()) {
        // A file that cannot be parsed would block every later setting: keep it
        // beside the new one for the user and start afresh.
        const QString aside = fileName + QLatin1String(".damaged");
        QFile::remove(aside);
        if (QFile::rename(fileName, aside))
            settings = Open(fileName, Access::Write);
    }
    return settings;
}

} // namespace

bool TSettingsKey::ReplaceKey(const QList<std::pair<QString, QString>>& values)
{
    if (!IsValid())
        return false;
    if (values.isEmpty() && !QFileInfo::exists(FFileName))
        return true;
    auto settings = OpenForWriting(FFileName);
    if (!settings)
        return false;
    settings->beginGroup(FGroup);
    if (FGroup.isEmpty())
        settings->clear();
    else
        settings->remove(QString());
    for (const auto& [name, value] : values)
        if (!name.isEmpty())
            settings->setValue(name, value);
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

bool TSettingsKey::WriteString(const QString& name, const QString& value)
{
    if (!IsValid() || name.isEmpty())
        return false;
    auto settings = OpenForWriting(FFileName);
    if (!settings)
        return false;
    settings->beginGroup(FGroup);
    const QString stored = MatchName(settings->childKeys(), name);
    settings->setValue(stored.isEmpty() ? name : stored, value);
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

bool TSettingsKey::DeleteValue(const QString& name)
{
    if (!IsValid() || !QFileInfo::exists(FFileName))
        return false;
    auto settings = Open(FFileName, Access::Write);
    if (!settings)
        return false;
    settings->beginGroup(FGroup);
    const QString stored = MatchName(settings->childKeys(), name);
    if (stored.isEmpty())
        return false;
    settings->remove(stored);
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

bool TSettingsKey::DeleteKey()
{
    if (!IsValid() || !QFileInfo::exists(FFileName))
        return false;
    auto settings = Open(FFileName, Access::Write);
    if (!settings)
        return false;
    if (FGroup.isEmpty()) {
        settings->clear();
    } else {
        settings->beginGroup(FGroup);
        settings->remove(QString());
        settings->endGroup();
    }
    settings->sync();
    return settings->status() == QSettings::NoError;
}

} // namespace velmo
