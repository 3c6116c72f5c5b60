#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillet {

// Splits file bytes into lines ending at CR LF, CR or LF. Each line is decoded as UTF-8, or as Windows-1252
// when it is not valid UTF-8. A final line without a line end is kept; a file ending in a line end gives no
// extra empty line.
QStringList splitTextLines(const QByteArray &bytes);

// Decodes one line: UTF-8 when valid, otherwise Windows-1252.
QString decodeLine(QByteArrayView line);

// The outcome of reading or writing a whole file; error is a sentence for the user when ok is false.
struct FileResult
{
    bool ok = true;
    QString error;
};

// Reads a whole regular file, refusing anything larger than maxBytes. A named pipe, a device or a socket is refused
// with a message naming it, and reading never blocks.
FileResult readWholeFile(const QString &path, QByteArray *bytes, qint64 maxBytes = qint64(1) << 30);

// Writes the lines in UTF-8, each followed by CR LF, through a temporary file renamed over the target, so an
// interrupted or failed write leaves the old file whole. Creates the parent directory when it is missing. A folder that
// takes no new file is named as the reason.
FileResult writeLinesAtomically(const QString &path, const QStringList &lines);

} // namespace quillet
