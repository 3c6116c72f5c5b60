#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

class FileDescriptor;
class RecoveryFolder;
class SavePlan;
struct FileIdentity;

// The copy an in-place save keeps in the recovery folder while it writes a file: the old bytes first (so that a copy
// set aside is the old file itself once cut to size), then which file is written and what the save writes there
// (a SavePlan), then a footer that marks the copy complete. A save writes into the file only once its copy is
// complete and on disk; a copy found incomplete belongs to a save that never touched the file.
class RecoveryRecord
{
public:
    struct Outcome
    {
        enum Kind {
            None, // no copy of this file, or one Quillet never uses (not the user's, or of another file)
            Busy, // a save of the file is running: nothing was done
            SaveFinished, // the file holds what the save wrote; the copy was removed
            PutBack, // the file was as the save left it and has its old bytes back; the copy was removed
            SetAside, // the file changed since, or cannot be written: it was left alone, the old one is keptAs
            Failed, // putting the old bytes back failed (reason); the copy stays
        } kind
            = None;
        QString keptAs;
        QString reason;
    };

    // Writes the copy for a save of the file at absolutePath (identity) that turns oldData into plan's result, and
    // syncs it to disk. False, with *error naming the reason, when it could not be written; nothing is left then.
    static bool create(const RecoveryFolder &folder, const QString &absolutePath, const FileIdentity &identity,
        const QByteArray &oldData, const SavePlan &plan, QString *error);
    // Removes the copy of a save that went through.
    static void remove(const RecoveryFolder &folder, const QString &absolutePath);
    // Deals with a copy of absolutePath left by a save that did not finish. The copy is put back only when the
    // file is the same one and is still in a state that the save could have left; otherwise the file is left alone
    // and the copy set aside under a name that is never used again automatically. locked is the caller's descriptor
    // of the file, locked against other saves, or nullptr: the file is then locked here without waiting, and
    // nothing is done (Busy) while a save holds it.
    static Outcome resolve(RecoveryFolder &folder, const QString &absolutePath, const FileDescriptor *locked);
};

} // namespace quillet
