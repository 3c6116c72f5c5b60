#pragma once

#include <QString>
#include <QTemporaryDir>

namespace quillet::testing {

// Points the data, config, home and XDG directories at a fresh temporary folder for the life of the object,
// so a test never touches the user's real files.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return m_dir.path(); }
    QString dataDir() const { return m_dir.path() + QStringLiteral("/data"); }
    QString configDir() const { return m_dir.path() + QStringLiteral("/config"); }
    // A path below the temporary folder.
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};

// A TCP socket on a free port of 127.0.0.1. Listening, it is a server that accepts (the kernel completes the
// handshake) and never answers; not listening, connections to its port are refused.
class LocalPort
{
public:
    explicit LocalPort(bool listening);
    ~LocalPort();
    Q_DISABLE_COPY(LocalPort)
    // An http address on the port; empty when the socket could not be set up.
    QString url() const { return m_url; }

private:
    int m_fd;
    QString m_url;
};

// How many threads of this process carry the name (as a thread names itself, e.g. through QThread's object name).
int threadsNamed(const QByteArray &name);

// The folder of generated test media.
QString testDataDir();
// A generated test file by name, e.g. testData("tone-44k-stereo.mp3").
QString testData(const QString &name);

} // namespace quillet::testing
