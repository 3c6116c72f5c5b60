#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// The temporary files that an atomic save leaves beside its target when its process dies between writing the new
// contents and renaming them over the old file. Qt names them "<target>.XXXXXX", six random letters; only those of
// the targets named are taken, and never one whose save is still running.
class StaleSaveFiles
{
public:
    // Whether name is a temporary file of a save of target (both plain file names).
    static bool isTemporaryOf(const QString &name, const QString &target);
    // Removes the leftovers of the named files of one folder. Saves hold a shared lock on the folder while their
    // temporary file exists (writeLinesAtomically); while one is running, in this process or another, nothing is
    // removed. Returns the paths removed.
    static QStringList removeBeside(const QString &folder, const QStringList &targets);
    // Removes the leftovers of a settings file saved by QSettings, which holds "<file>.lock" while it writes, and a
    // lock file left by a writer that died; nothing while a running writer holds the lock. Returns the paths removed.
    static QStringList removeBesideSettings(const QString &settingsFile);
};

} // namespace quillet
