#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

struct FileSnapshot;

// Puts the new bytes of a tagged file on disk so that neither a failed write, nor a crash, nor another program
// writing the same file loses the old tag or the audio, and so that nothing another user planted is ever written
// into the user's files.
class TagFileWriter
{
public:
    // Writes newData (the file as it should be) over path, which was read as `read`. Nothing is written unless the
    // file is still exactly what was read. The file is replaced through a new one beside it that takes over its
    // owner, group, mode and extended attributes (ACLs too); where that is not possible (a folder the user cannot
    // write to, a file with more than one link, an owner or attribute the new file cannot take) the changed bytes
    // are written into the file itself, behind a copy of the old file in the user's own recovery folder, and read
    // back before the copy goes. Saves and recoveries of one file, in any thread or process, wait for each other.
    // False, with *error naming the file and the reason, when it was not saved; the file is then as it was, or,
    // where another program changed it during the save, as that program left it, and *error says where the old
    // file is kept.
    static bool write(const QString &path, const FileSnapshot &read, const QByteArray &newData, QString *error);
    // Deals with the copy that an in-place save of path left when it was cut short. The copy is put back only when
    // the file is still in a state that save could have left; otherwise the file is left alone, the copy kept
    // aside and the user told (TagNotices). Nothing is done while a save of the file runs, and nothing waits for
    // it. False, with *error set, when the old bytes could not be put back. Cheap when there is no copy.
    static bool recover(const QString &path, QString *error);
};

} // namespace quillet
