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
    // Stores the value, replacing any earlier one; false when the value did not reach the store file.
    static bool write(const QString &section, const QString &key, const QString &value);

    // How every window takes a stored value, so that an odd hand-edited value means the same everywhere and the
    // preferences window shows what the program does.
    // A check-box preference: on for the text "1" only; "Opening Files"/"Manage" for any text that reads as the
    // number 1.
    static bool isOn(const QString &section, const QString &key);
    // "Opening Files"/"Auto Play": 1 plays an entry chosen from the clock, 2 the first entry, 0 (any other text)
    // nothing.
    static int autoPlay();
    // "Splash"/"Interval" in milliseconds, within the 20 to 200 the preferences window offers: a number outside
    // is taken as the nearer end, a text that is no number as the default.
    static int splashInterval();
    static constexpr int SplashIntervalMinimum = 20;
    static constexpr int SplashIntervalMaximum = 200;

    // The fifteen preferences with their defaults, in the order the preferences window writes them.
    static std::span<const SettingDefault> defaults();
    // The default of one preference (the empty text for an unknown key).
    static QString defaultValue(const QString &section, const QString &key);
    // The path of the store file.
    static QString filePath();
};

} // namespace quillet
