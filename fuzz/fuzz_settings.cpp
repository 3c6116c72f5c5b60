// The settings file (INI), which the user may edit by hand. Every input is read in memory by the same functions
// that QSettings calls for the program's settings file; a preference written into what was read reads back while
// the others keep their values. Now and then the input also goes through the real store file, which must read the
// same.

#include "fuzzsupport.h"

#include "settings/settingsformat.h"
#include "settings/settingsstore.h"

#include <QDir>

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

// What the store gives for a key of the text: its value as text, or the default when there is none.
static QString storeValue(const QSettings::SettingsMap &values, const SettingDefault &entry)
{
    const QVariant value = values.value(QLatin1String(entry.section) + QLatin1Char('/') + QLatin1String(entry.key));
    return value.isValid() ? value.toString() : QLatin1String(entry.value);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QSettings::SettingsMap read = SettingsFormat::parse(bytes);

    // The preferences window writes one value at a time into whatever the file held: what is written back reads as
    // the same values, the new one included.
    QSettings::SettingsMap written = read;
    written.insert(QStringLiteral("Splash/Interval"), QStringLiteral("7"));
    const QSettings::SettingsMap again = SettingsFormat::parse(SettingsFormat::text(written));
    QUILLET_FUZZ_CHECK(again == written);

    // Through QSettings and the store file, as the program reads it (slow, so only for some inputs).
    static quint64 run = 0;
    if (++run % 256 != 0)
        return 0;
    // Each check gets its own folder: QSettings keeps parsed files in a cache keyed by path, size and time.
    const QString folder = fuzz::scratch().filePath(QStringLiteral("config-%1").arg(run));
    qputenv("QUILLET_CONFIG_DIR", folder.toLocal8Bit());
    QUILLET_FUZZ_CHECK(QDir().mkpath(folder));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(SettingsStore::filePath(), bytes));
    for (const SettingDefault &entry : SettingsStore::defaults()) {
        QUILLET_FUZZ_CHECK(
            SettingsStore::read(QLatin1String(entry.section), QLatin1String(entry.key)) == storeValue(read, entry));
    }
    if (SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("7"))) {
        for (const SettingDefault &entry : SettingsStore::defaults()) {
            QUILLET_FUZZ_CHECK(SettingsStore::read(QLatin1String(entry.section), QLatin1String(entry.key))
                == storeValue(written, entry));
        }
    }
    QDir(folder).removeRecursively();
    return 0;
}
