#pragma once

// Shared by the fuzz targets: a Qt application object, a scratch folder that stands in for the user's data and
// configuration folders, and a check that stops the run with a message when a reader breaks a promise.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quillet::fuzz {

// Stops the run (libFuzzer then saves the input) when a promise of the reader does not hold.
#define QUILLET_FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// The scratch folder of this run, removed at exit. In memory where the system has /dev/shm: the targets write
// files on every input, and the atomic writes flush them to disk.
inline QTemporaryDir &scratch()
{
    static QTemporaryDir directory(QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/quillet-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/quillet-fuzz-XXXXXX"));
    return directory;
}

// Creates the application object once and points the data and configuration folders into the scratch folder,
// so no run reads or writes the real home directory.
inline void initialise(int *argc, char ***argv)
{
    // Created once for the whole run and never destroyed: Qt needs it until the process ends.
    static QCoreApplication *application = new QCoreApplication(*argc, *argv);
    Q_UNUSED(application);
    if (!scratch().isValid()) {
        std::fprintf(stderr, "cannot create a scratch folder\n");
        std::exit(1);
    }
    qputenv("QUILLET_DATA_DIR", scratch().filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("QUILLET_CONFIG_DIR", scratch().filePath(QStringLiteral("config")).toLocal8Bit());
}

// A copy of the input, ended by a zero byte as every byte array read from a file is.
inline QByteArray inputBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Writes the bytes to a file, replacing it; false when that failed.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Reads a whole file (empty when it cannot be read).
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace quillet::fuzz
