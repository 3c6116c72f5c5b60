#include "settings/settingsstore.h"

#include "common/appdirs.h"
#include "settings/settingsformat.h"

#include <QDir>
#include <QSettings>

namespace quillet {

static const SettingDefault kDefaults[] = {
    {"Opening Files", "Auto Play", "1"},
    {"Opening Files", "Manage", "0"},
    {"Skins", "Auto", "1"},
    {"Skins", "Save", "1"},
    {"Video", "Open", "0"},
    {"Video", "Auto", "1"},
    {"Video", "Save", "1"},
    {"Playlist", "Continue", "1"},
    {"Playlist", "Save", "1"},
    {"Remote", "Auto", "1"},
    {"Remote", "Top", "1"},
    {"Remote", "Short", "0"},
    {"Tray", "Hide", "1"},
    {"Tray", "Animate", "1"},
    {"Splash", "Interval", "20"},
};

std::span<const SettingDefault> SettingsStore::defaults()
{
    return kDefaults;
}

QString SettingsStore::defaultValue(const QString &section, const QString &key)
{
    for (const SettingDefault &entry : kDefaults) {
        if (section == QLatin1String(entry.section) && key == QLatin1String(entry.key))
            return QString::fromLatin1(entry.value);
    }
    return {};
}

QString SettingsStore::filePath()
{
    return configDirectory() + QLatin1Char('/') + applicationName() + QStringLiteral(".ini");
}

static QString settingsKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

QString SettingsStore::read(const QString &section, const QString &key, const QString &defaultValue)
{
    QSettings settings(filePath(), SettingsFormat::format());
    const QVariant value = settings.value(settingsKey(section, key));
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

QString SettingsStore::read(const QString &section, const QString &key)
{
    return read(section, key, defaultValue(section, key));
}

bool SettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    const QString path = filePath();
    QDir().mkpath(configDirectory());
    QSettings settings(path, SettingsFormat::format());
    settings.setValue(settingsKey(section, key), value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    // A line the reader cannot parse (hand-edited, or a few bytes of junk) is reported as a format error
    // although the file was written; only a value that is not in the file now is a failed write.
    if (settings.status() != QSettings::FormatError)
        return false;
    const QVariant stored = QSettings(path, SettingsFormat::format()).value(settingsKey(section, key));
    return stored.isValid() && stored.toString() == value;
}

bool SettingsStore::isOn(const QString &section, const QString &key)
{
    const QString value = read(section, key);
    if (section == QLatin1String("Opening Files") && key == QLatin1String("Manage")) {
        bool isNumber = false;
        const double number = value.trimmed().toDouble(&isNumber);
        return isNumber && number == 1;
    }
    return value == QLatin1String("1");
}

int SettingsStore::autoPlay()
{
    const QString value = read(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"));
    if (value == QLatin1String("1"))
        return 1;
    if (value == QLatin1String("2"))
        return 2;
    return 0;
}

int SettingsStore::splashInterval()
{
    bool isNumber = false;
    const qlonglong value = read(QStringLiteral("Splash"), QStringLiteral("Interval")).trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return SplashIntervalMinimum;
    return int(qBound(qlonglong(SplashIntervalMinimum), value, qlonglong(SplashIntervalMaximum)));
}

} // namespace quillet
