#include "fakes/filetree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace quillet::testing {

bool makeFile(const QString &root, const QString &relative)
{
    const QString path = root + QLatin1Char('/') + relative;
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

bool makeLinkedFiles(const QString &root, int count, int folders, const QString &nameTemplate)
{
    if (folders < 1 || !QDir().mkpath(root))
        return false;
    const QByteArray seed = QFile::encodeName(root + QStringLiteral("/seed"));
    const int fd = ::open(seed.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    for (int i = 0; i < count; ++i) {
        const QString folder = root + QStringLiteral("/f%1").arg(i % folders);
        if (i < folders && !QDir().mkpath(folder))
            return false;
        const QByteArray name = QFile::encodeName(folder + QLatin1Char('/') + nameTemplate.arg(i));
        if (::link(seed.constData(), name.constData()) != 0)
            return false;
    }
    return true;
}

} // namespace quillet::testing
