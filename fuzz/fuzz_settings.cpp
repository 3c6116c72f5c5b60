// The settings file (INI), which the user may edit by hand: every preference is read from it, and a
// preference written into it afterwards reads back while the others keep their values.

#include "fuzzsupport.h"

#include "settings/settingsstore.h"

#include <QDir>

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Each input gets its own folder: QSettings keeps parsed files in a cache keyed by path, size and time,
    // which two inputs of one size written within the same clock tick would share.
    static quint64 run = 0;
    const QString folder = fuzz::scratch().filePath(QStringLiteral("config-%1").arg(++run));
    qputenv("QUILLET_CONFIG_DIR", folder.toLocal8Bit());
    QUILLET_FUZZ_CHECK(QDir().mkpath(folder));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(SettingsStore::filePath(), fuzz::inputBytes(data, size)));

    QStringList before;
    for (const SettingDefault &entry : SettingsStore::defaults())
        before.append(SettingsStore::read(QLatin1String(entry.section), QLatin1String(entry.key)));
    SettingsStore::read(QStringLiteral("Opening Files"), QStringLiteral("Unknown Key"), QStringLiteral("x"));

    // The preferences window writes one value at a time into whatever the file held.
    if (SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("7"))) {
        QUILLET_FUZZ_CHECK(
            SettingsStore::read(QStringLiteral("Splash"), QStringLiteral("Interval")) == QStringLiteral("7"));
        qsizetype i = 0;
        for (const SettingDefault &entry : SettingsStore::defaults()) {
            const QString section = QLatin1String(entry.section);
            const QString key = QLatin1String(entry.key);
            if (section != QLatin1String("Splash"))
                QUILLET_FUZZ_CHECK(SettingsStore::read(section, key) == before.at(i));
            ++i;
        }
    }
    QDir(folder).removeRecursively();
    return 0;
}
