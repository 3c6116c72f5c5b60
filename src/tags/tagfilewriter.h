#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// Puts the new bytes of a tagged file on disk so that neither a failed write nor a crash loses the old tag or the
// audio.
class TagFileWriter
{
public:
    // Writes newData (the file as it should be) over path, whose bytes are oldData. The file is replaced through a
    // new one beside it; where that is not possible (a folder the user cannot write to, a file with more than one
    // link) the changed bytes are written into the file itself, guarded by a recovery copy. False, with *error
    // naming the file and the reason, when it could not be written; the file is then as it was.
    static bool write(const QString &path, const QByteArray &oldData, const QByteArray &newData, QString *error);
    // Puts back the old file from the recovery copy that a save cut short by a crash left behind. False, with
    // *error set, when there is one and it could not be put back. Cheap when there is none.
    static bool recover(const QString &path, QString *error);
};

} // namespace quillet
