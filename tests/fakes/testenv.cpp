#include "fakes/testenv.h"

#include <QDir>

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
    QDir().mkpath(m_dir.filePath(QStringLiteral("home")));
}

TestEnvironment::~TestEnvironment()
{
    qunsetenv("QUILLET_DATA_DIR");
    qunsetenv("QUILLET_CONFIG_DIR");
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", m_oldHome);
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

} // namespace quillet::testing
