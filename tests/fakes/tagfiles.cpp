#include "fakes/tagfiles.h"

#include "fakes/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
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

QStringList split(const char *joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char('|'));
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
    static const char *const script = R"(import json, sys, tempfile
from mutagen.id3 import ID3
def seen(path):
    data = open(path, 'rb').read()
    out = {'v': 0, 'size': 0, 'tail': 0, 'f': {}}
    end = len(data) - (128 if data[-128:-125] == b'TAG' else 0)
    source, tail = path, 0
    if not data.startswith(b'ID3') and data[end - 10:end - 7] == b'3DI':
        s = data[end - 4:end]
        tail = 20 + (s[0] << 21 | s[1] << 14 | s[2] << 7 | s[3])
        copy = tempfile.NamedTemporaryFile(suffix='.id3')
        copy.write(data[end - tail:end])
        copy.flush()
        source = copy.name
    try:
        t = ID3(source, translate=False, load_v1=False)
        out = {'v': t.version[1], 'size': 0 if tail else t.size, 'tail': tail,
               'f': {k: [str(f), repr(f)] for k, f in t.items()}}
    except Exception:
        pass
    out['audio'] = data[out['size']:end - out['tail']].hex()
    if data[-128:-125] == b'TAG':
        out['f']['v1:genre'] = [str(data[-1]), '']
    return out
print(json.dumps({path: seen(path) for path in sys.argv[1:]})))";
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"), QStringList {QStringLiteral("-c"), QString::fromUtf8(script)} + paths);
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString mutagenSees(const QJsonObject &tags, const QString &path, const char *key)
{
    const QJsonObject seen = tags.value(path).toObject();
    if (qstrcmp(key, "audio") == 0)
        return seen.value(QLatin1String(key)).toString();
    return seen.value(QLatin1String("f")).toObject().value(QLatin1String(key)).toArray().at(0).toString();
}

} // namespace quillet::testing
