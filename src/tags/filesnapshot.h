#pragma once

#include "tags/fileidentity.h"

#include <QByteArray>
#include <QString>

namespace quillet {

// The bytes of a file as one read found them, and which file they came from. A save hands it to TagFileWriter,
// which writes only when the file is still exactly this.
struct FileSnapshot
{
    QByteArray bytes;
    FileIdentity identity;

    // Reads the regular file path whole, if it is at most maxSize bytes. A file written to while it is read is read
    // again. False, with *error naming the file and the reason, when it cannot be read.
    bool read(const QString &path, qint64 maxSize, QString *error);
};

} // namespace quillet
