#include "fakes/testenv.h"

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillet::testing {

TestEnvironment::TestEnvironment()
    : m_oldHome(qgetenv("HOME"))
{
    QDir().mkpath(dataDir());
    QDir().mkpath(configDir());
    qputenv("QUILLET_DATA_DIR", dataDir().toUtf8());
    qputenv("QUILLET_CONFIG_DIR", configDir().toUtf8());
    qputenv("HOME", m_dir.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("xdg-data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg-config")).toUtf8());
    qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("xdg-cache")).toUtf8());
    QDir().mkpath(m_dir.filePath(QStringLiteral("home")));
}

TestEnvironment::~TestEnvironment()
{
    qunsetenv("QUILLET_DATA_DIR");
    qunsetenv("QUILLET_CONFIG_DIR");
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qputenv("HOME", m_oldHome);
}

LocalPort::LocalPort(bool listening)
    : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) == 0
        && (!listening || ::listen(m_fd, 16) == 0)
        && ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        m_url = QStringLiteral("http://127.0.0.1:%1/stream.mp3").arg(ntohs(address.sin_port));
}

LocalPort::~LocalPort()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString testDataDir()
{
#ifdef QUILLET_TEST_DATA
    return QStringLiteral(QUILLET_TEST_DATA);
#else
    return qEnvironmentVariable("QUILLET_TEST_DATA");
#endif
}

QString testData(const QString &name)
{
    return testDataDir() + QLatin1Char('/') + name;
}

int threadsNamed(const QByteArray &name)
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QFileInfo &task : tasks.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(task.filePath() + QStringLiteral("/comm"));
        count += comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name;
    }
    return count;
}

} // namespace quillet::testing
