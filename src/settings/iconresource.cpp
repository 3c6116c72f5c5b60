#include "settings/iconresource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QScopeGuard>
#include <QStandardPaths>

namespace quillet {

QString IconResource::fileName()
{
    return QStringLiteral("quillet-icons.rcc");
}

QStringList IconResource::candidatePaths()
{
    const QString overridden = qEnvironmentVariable("QUILLET_ICON_FILE");
    if (!overridden.isEmpty())
        return {overridden};
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList paths {programDir + QLatin1Char('/') + fileName(),
        QDir::cleanPath(programDir + QStringLiteral("/../share/quillet/") + fileName())};
    const QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dir : dataDirs) {
        const QString path = dir + QStringLiteral("/quillet/") + fileName();
        if (!paths.contains(path))
            paths.append(path);
    }
    return paths;
}

QString IconResource::locate()
{
    const QStringList paths = candidatePaths();
    for (const QString &path : paths) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return paths.value(0);
}

QStringList IconResource::pictureNames()
{
    return {QStringLiteral("media.svg"), QStringLiteral("playlist.svg"), QStringLiteral("skin.svg"),
        QStringLiteral("quillet.svg")};
}

bool IconResource::load(const QString &path)
{
    m_pictures.clear();
    // An empty file holds no pictures; Qt would also keep the buffer it read for it when refusing it.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return false;
    // The file is mapped under its own root only while the pictures are copied out.
    const QString root = QStringLiteral("/quillet-icon-resource");
    if (!QResource::registerResource(path, root))
        return false;
    const auto unregister = qScopeGuard([&] { QResource::unregisterResource(path, root); });
    QMap<QString, QByteArray> pictures;
    const QStringList names = pictureNames();
    for (const QString &name : names) {
        QFile file(QLatin1Char(':') + root + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        if (bytes.isEmpty())
            return false;
        pictures.insert(name, bytes);
    }
    m_pictures = pictures;
    return true;
}

} // namespace quillet
