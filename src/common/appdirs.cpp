#include "common/appdirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillet {

QString applicationName()
{
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty())
        return QFileInfo(path).completeBaseName();
    return QStringLiteral("quillet");
}

static QString xdgDirectory(const char *variable, const char *fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    // The XDG base directory rules ignore relative paths.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

QString dataDirectory()
{
    const QString overridden = qEnvironmentVariable("QUILLET_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    return xdgDirectory("XDG_DATA_HOME", ".local/share") + QLatin1Char('/') + applicationName();
}

QString configDirectory()
{
    const QString overridden = qEnvironmentVariable("QUILLET_CONFIG_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    return xdgDirectory("XDG_CONFIG_HOME", ".config") + QLatin1Char('/') + applicationName();
}

QString cacheDirectory()
{
    return xdgDirectory("XDG_CACHE_HOME", ".cache") + QLatin1Char('/') + applicationName();
}

QString dataFile(const QString &name)
{
    return dataDirectory() + QLatin1Char('/') + name;
}

} // namespace quillet
