#include "fakes/tagfiles.h"

#include "fakes/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

namespace quillet::testing {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool placeTestFile(const QString &name, const QString &path, uid_t uid)
{
    return QDir().mkpath(QFileInfo(path).path()) && writeFileBytes(path, fileBytes(testData(name)))
        && chownPath(path, uid);
}

bool chownPath(const QString &path, uid_t uid)
{
    return ::lchown(QFile::encodeName(path).constData(), uid, uid) == 0;
}

bool chmodPath(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

bool linkPath(const QString &path, const QString &link)
{
    return ::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()) == 0;
}

bool otherTaggerSetsArtist(const QString &path, const QString &artist)
{
    return QProcess::execute(QStringLiteral("/usr/bin/mid3v2"), {QStringLiteral("-a"), artist, path}) == 0;
}

QJsonObject mutagenTags(const QStringList &paths)
{
    static const char *const script = R"(import json, sys
from mutagen.id3 import ID3
out = {}
for p in sys.argv[1:]:
    data = open(p, 'rb').read()
    seen, size = {}, 0
    try:
        t = ID3(p, load_v1=False)
        size = t.size
        seen = {k: str(t[k]) for k in ('TIT2', 'TPE1') if k in t}
    except Exception:
        pass
    end = len(data) - 128 if data[-128:-125] == b'TAG' else len(data)
    seen['audio'] = data[size:end].hex()
    out[p] = seen
print(json.dumps(out)))";
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"), QStringList {QStringLiteral("-c"), QString::fromUtf8(script)} + paths);
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString mutagenSees(const QJsonObject &tags, const QString &path, const char *key)
{
    return tags.value(path).toObject().value(QLatin1String(key)).toString();
}

} // namespace quillet::testing
