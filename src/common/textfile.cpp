#include "common/textfile.h"

#include "common/folderlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned codes map to themselves.
static const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeLine(QByteArrayView line)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(line.size());
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte < 0xA0 ? QChar(kCp1252High[byte - 0x80]) : QChar(char16_t(byte)));
    }
    return text;
}

// Splits decoded text at CR LF, CR and LF.
static QStringList splitDecoded(const QString &text)
{
    QStringList lines;
    const QChar *data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        // Skip four code units at a time while none is below 0x0E (CR and LF are 0x0D and 0x0A): a lane below it
        // sets its top bit after the subtraction while its own top bit is clear. Only whether some lane is below
        // matters; borrows past such a lane do not.
        constexpr quint64 Lanes = 0x0001000100010001;
        for (quint64 w; size - i >= 4; i += 4) {
            std::memcpy(&w, data + i, sizeof w);
            if ((w - 0x0E * Lanes) & ~w & (0x8000 * Lanes))
                break;
        }
        if (i == size)
            break;
        const char16_t c = data[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(QString(data + start, i - start));
        if (c == u'\r' && i + 1 < size && data[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(QString(data + start, size - start));
    return lines;
}

QStringList splitTextLines(const QByteArray &bytes)
{
    // Most files are UTF-8 throughout: decode them in one go.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = utf8.decode(bytes);
    if (!utf8.hasError())
        return splitDecoded(whole);

    QStringList lines;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(decodeLine(QByteArrayView(data + start, i - start)));
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(decodeLine(QByteArrayView(data + start, size - start)));
    return lines;
}

// What a file that is not a regular file is, for the user.
static QString fileKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a plain file");
}

static FileResult notRegular(const QString &path, mode_t mode)
{
    if (S_ISDIR(mode))
        return {false, QStringLiteral("%1 is a folder, not a file.").arg(path)};
    return {false, QStringLiteral("Cannot read %1: it is %2, not a regular file.").arg(path, fileKind(mode))};
}

static FileResult readError(const QString &path, int error)
{
    return {false, QStringLiteral("Cannot read %1: %2").arg(path, qt_error_string(error))};
}

FileResult readWholeFile(const QString &path, QByteArray *bytes, qint64 maxBytes)
{
    // Only a regular file has an end: a named pipe would block the window until a writer comes, and a device such as
    // /dev/zero never ends. Neither is opened in a way that can block, and a device is not opened at all, since
    // opening some has effects of its own.
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0)
        return readError(path, errno);
    if (!S_ISREG(info.st_mode))
        return notRegular(path, info.st_mode);
    const int descriptor = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return readError(path, errno);
    const auto closeFile = qScopeGuard([descriptor] { ::close(descriptor); });
    // The name may have been given to something else since the first look.
    if (::fstat(descriptor, &info) != 0)
        return readError(path, errno);
    if (!S_ISREG(info.st_mode))
        return notRegular(path, info.st_mode);
    const FileResult tooLarge {false, QStringLiteral("Cannot read %1: the file is too large.").arg(path)};
    if (info.st_size > maxBytes)
        return tooLarge;
    // The file may grow while it is read: it is read up to one byte past the limit, never further.
    QByteArray data(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype size = 0;
    for (;;) {
        if (size == data.size()) {
            if (size > maxBytes)
                return tooLarge;
            data.resize(qsizetype(qMin(qint64(size) * 2, maxBytes + 1)));
        }
        const ssize_t got = ::read(descriptor, data.data() + size, size_t(data.size() - size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return readError(path, errno);
        if (got == 0)
            break;
        size += got;
    }
    if (size > maxBytes)
        return tooLarge;
    data.truncate(size);
    *bytes = std::move(data);
    return {};
}

// The reason a save into the folder failed when the folder itself takes no new file (read-only, or not the user's),
// so that the message names the folder rather than the file.
static QString folderRefusal(const QString &directory)
{
    const QByteArray native = QFile::encodeName(directory);
    // A file made with O_TMPFILE has no name and goes when it is closed: the probe leaves nothing behind.
    const int probe = ::open(native.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (probe >= 0) {
        ::close(probe);
        return {};
    }
    int error = errno;
    // File systems without unnamed files: the permission check has to do.
    if (error == EOPNOTSUPP || error == EISDIR || error == EINVAL)
        error = ::access(native.constData(), W_OK | X_OK) == 0 ? 0 : errno;
    if (error != EACCES && error != EPERM && error != EROFS)
        return {};
    return QStringLiteral("the folder %1 is not writable (%2).").arg(directory, qt_error_string(error));
}

static FileResult writeError(const QString &path, const QString &directory, const QString &reason)
{
    const QString folder = folderRefusal(directory);
    return {false, QStringLiteral("Cannot write %1: %2").arg(path, folder.isEmpty() ? reason : folder)};
}

FileResult writeLinesAtomically(const QString &path, const QStringList &lines)
{
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory))
        return {false, QStringLiteral("Cannot write %1: the folder %2 cannot be created.").arg(path, directory)};
    // Held while the temporary file exists, so that a start-up clean-up of leftovers leaves it alone.
    const FolderLock saving(directory, FolderLock::Mode::Shared);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeError(path, directory, file.errorString());
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // Flush before commit: a short write found only while committing (a full disk, a file size limit) is not
    // reported by commit() and would replace the old file with a cut-off one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, QStringLiteral("Cannot write %1: %2").arg(path, reason)};
    }
    if (!file.commit())
        return writeError(path, directory, file.errorString());
    return {};
}

} // namespace quillet
