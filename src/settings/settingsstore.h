#pragma once

#include <QString>

#include <span>

namespace quillet {

// One preference: its section, key and the value a read gives when nothing is stored.
struct SettingDefault
{
    const char *section;
    const char *key;
    const char *value;
};

// The per-user settings store: short text values addressed by section and key, kept in
// <config directory>/<application name>.ini. Nothing is cached, so a write is seen by the next read anywhere.
class SettingsStore
{
public:
    // The stored text, or defaultValue when nothing is stored. Never creates a value.
    static QString read(const QString &section, const QString &key, const QString &defaultValue);
    // The stored text, or the key's default from the table of preferences.
    static QString read(const QString &section, const QString &key);
    // Stores the value, replacing any earlier one; false when the store file could not be written.
    static bool write(const QString &section, const QString &key, const QString &value);

    // The fifteen preferences with their defaults, in the order the preferences window writes them.
    static std::span<const SettingDefault> defaults();
    // The default of one preference (the empty text for an unknown key).
    static QString defaultValue(const QString &section, const QString &key);
    // The path of the store file.
    static QString filePath();
};

} // namespace quillet
