#include "app/coverartfile.h"

#include "common/appdirs.h"
#include "tags/embeddedpicture.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace quillet {

namespace {

// A cover file untouched for this long belongs to no Quillet that still runs.
constexpr qint64 StaleSeconds = 24 * 60 * 60;
const QString kPrefix = QStringLiteral("cover-");

} // namespace

CoverArtFile::~CoverArtFile()
{
    removeCurrent();
}

QString CoverArtFile::folder()
{
    return cacheDirectory() + QStringLiteral("/covers");
}

QString CoverArtFile::publish(const EmbeddedPicture &picture)
{
    const QString extension = picture.fileExtension();
    if (extension.isEmpty()) {
        removeCurrent();
        return {};
    }
    const QDir dir(folder());
    const QString name = kPrefix
        + QString::fromLatin1(QCryptographicHash::hash(picture.data, QCryptographicHash::Sha1).toHex())
        + QLatin1Char('.') + extension;
    const QString path = dir.filePath(name);
    if (path != m_current)
        removeCurrent();
    // The name is made from the bytes: a file of that name and size holds this picture already. It is written
    // whole or not at all, so that a panel never reads half a picture.
    QFile existing(path);
    if (existing.size() != picture.data.size()) {
        if (!QDir().mkpath(dir.path()))
            return {};
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(picture.data) != picture.data.size() || !file.commit())
            return {};
    } else if (existing.open(QIODevice::ReadWrite)) {
        existing.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
    }
    m_current = path;
    // Covers of a Quillet that ended without cleaning up.
    const QDateTime staleBefore = QDateTime::currentDateTime().addSecs(-StaleSeconds);
    const QFileInfoList others = dir.entryInfoList({kPrefix + QLatin1Char('*')}, QDir::Files);
    for (const QFileInfo &other : others) {
        if (other.filePath() != path && other.lastModified() < staleBefore)
            QFile::remove(other.filePath());
    }
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

void CoverArtFile::removeCurrent()
{
    if (m_current.isEmpty())
        return;
    QFile::remove(m_current);
    QDir().rmdir(QFileInfo(m_current).absolutePath());
    m_current.clear();
}

} // namespace quillet
