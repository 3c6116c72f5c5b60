#include "tags/taglibtag.h"

#include "fakes/testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using quillet::TagLibTag;
using quillet::testing::testData;

namespace {

// What mutagen, a reader independent of TagLib, sees: the ID3v2 version, the tag's size and every frame it can
// read (key: [text, full description]); "v1:genre" holds the ID3v1 genre byte.
struct Oracle
{
    int version = 0;
    qsizetype size = 0;
    QJsonObject frames;
};

const char *const oracleScript = R"(import json, sys
from mutagen.id3 import ID3
data = open(sys.argv[1], 'rb').read()
out = {'v': 0, 'size': 0, 'f': {}}
try:
    t = ID3(sys.argv[1], translate=False, load_v1=False)
    out = {'v': t.version[1], 'size': t.size, 'f': {k: [str(f), repr(f)] for k, f in t.items()}}
except Exception:
    pass
if data[-128:-125] == b'TAG':
    out['f']['v1:genre'] = [str(data[-1]), '']
print(json.dumps(out)))";

Oracle oracle(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(oracleScript), path});
    python.waitForFinished(30000);
    const QJsonObject json = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    return {json.value(QLatin1String("v")).toInt(), qsizetype(json.value(QLatin1String("size")).toInt()),
        json.value(QLatin1String("f")).toObject()};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// The MPEG frames: everything after the ID3v2 tag and before an ID3v1 tag.
QByteArray audioBytes(const QByteArray &data, const Oracle &seen)
{
    const qsizetype end = data.size() - (seen.frames.contains(QLatin1String("v1:genre")) ? 128 : 0);
    return data.mid(seen.size, end - seen.size);
}

QByteArray frame(int version, const QByteArray &id, const QByteArray &data)
{
    QByteArray size(4, '\0');
    qToBigEndian(quint32(data.size()), size.data());
    return version == 2 ? id + size.right(3) + data : id + size + QByteArray(2, '\0') + data;
}

// A hand-made tag (with 20 bytes of padding) in front of a generated MP3 without one.
QByteArray tagged(int version, const QByteArray &frames)
{
    const quint32 size = quint32(frames.size() + 20);
    const char header[] {'I', 'D', '3', char(version), 0, 0, char(size >> 21 & 0x7f), char(size >> 14 & 0x7f),
        char(size >> 7 & 0x7f), char(size & 0x7f)};
    return QByteArray(header, 10) + frames + QByteArray(20, '\0') + readAll(testData(QStringLiteral("tags-none.mp3")));
}

const QStringList fieldNames {QStringLiteral("song"), QStringLiteral("artist"), QStringLiteral("album"),
    QStringLiteral("year"), QStringLiteral("comment"), QStringLiteral("genre")};

QStringList fields(const TagLibTag &tag)
{
    return {tag.song, tag.artist, tag.album, tag.year, tag.comment, tag.genre};
}

void setFields(TagLibTag &tag, const QStringList &values)
{
    QString *targets[] {&tag.song, &tag.artist, &tag.album, &tag.year, &tag.comment, &tag.genre};
    for (int i = 0; i < 6; ++i)
        *targets[i] = values.at(i);
}

// "field=value" edits applied to the six fields.
QStringList edited(QStringList values, const QStringList &edits)
{
    for (const QString &edit : edits)
        values[fieldNames.indexOf(edit.section(QLatin1Char('='), 0, 0))] = edit.section(QLatin1Char('='), 1);
    return values;
}

QStringList split(const char *joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char('|'));
}

// Runs f in a child process as the unprivileged user nobody; true when it returned true.
template<typename F> bool asNobody(F f)
{
    const pid_t child = fork();
    if (child == 0) {
        const bool ok = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0 && f();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

class TestTagLibTag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void tagsOfOtherPrograms_data();
    void tagsOfOtherPrograms();
    void writeFailures_data();
    void writeFailures();

private:
    QTemporaryDir m_dir;
};

void TestTagLibTag::tagsOfOtherPrograms_data()
{
    QTest::addColumn<QByteArray>("before"); // the file
    QTest::addColumn<QString>("how"); // "" as root, "nobody" in a folder only root may write to, "linked" twice
    QTest::addColumn<QStringList>("read"); // what Quillet reads first (song ... genre), unless empty
    QTest::addColumn<int>("bitRate");
    QTest::addColumn<QStringList>("edits"); // "field=value"; none: no save
    QTest::addColumn<QStringList>("after"); // "mutagen key=text" it must see after the save; empty: save refused
    QTest::addColumn<QByteArray>("kept"); // bytes of a frame no reader takes, which must survive

    const auto sample = [](const char *name) { return readAll(testData(QString::fromLatin1(name))); };
    const QByteArray comm3 = sample("tags-comm3.mp3");
    QTest::newRow("comments in three languages") << comm3 << "" << split("Three Tongues|Poly Artist|Babel|2001|"
                                                                         "English words|Folk/Rock")
                                                 << 32 << split("comment=Neue Worte") << split("COMM::eng=Neue Worte")
                                                 << QByteArray();
    QTest::newRow("three languages, artist") << comm3 << "" << QStringList() << 32 << split("artist=Ünï ☃")
                                             << split("TPE1=Ünï ☃") << QByteArray();

    const QByteArray emptyPopm = frame(3, "POPM", {});
    const QByteArray frames23 = frame(3, "TALB", QByteArray("\0Alb", 4)) + frame(3, "TYER", QByteArray("\0" "1999", 5))
        + frame(3, "COMM", QByteArray("\0eng\0c", 6)) + frame(3, "TCON", QByteArray("\0(17)", 5))
        + frame(3, "TRCK", QByteArray("\0" "3", 2)) + frame(3, "TCOM", QByteArray("\0Comp", 5));
    QTest::newRow("empty frame first") << tagged(3, frame(3, "TIT2", QByteArray("\0Old", 4)) + emptyPopm
                                                     + frame(3, "TPE1", QByteArray("\0Art", 4)) + frames23)
                                       << "" << split("Old|Art|Alb|1999|c|Rock") << 32 << split("artist=New")
                                       << split("TPE1=New|TIT2=Old") << emptyPopm;
    QTest::newRow("empty frame, new fields") << tagged(3, emptyPopm + frame(3, "TRCK", QByteArray("\0" "3", 2))) << ""
                                             << split("|||||") << 32 << split("song=S|comment=C")
                                             << split("TIT2=S|COMM::eng=C|TRCK=3") << emptyPopm;
    const QByteArray badEncoding = frame(3, "TALB", QByteArray("\x07" "Bad", 4));
    QTest::newRow("bad encoding byte") << tagged(3, frame(3, "TIT2", QByteArray("\0Old", 4)) + badEncoding
                                                     + frame(3, "TPE1", QByteArray("\0Art", 4)))
                                       << "" << split("Old|Art||||") << 32 << split("song=New") << split("TIT2=New")
                                       << badEncoding;
    QTest::newRow("frame runs past the tag")
        << tagged(3, frame(3, "TIT2", QByteArray("\0Old", 4)) + QByteArray("TXXX\0\0\x10\0\0\0", 10)) << ""
        << split("Old|||||") << 32 << split("song=New") << QStringList() << QByteArray();

    const QByteArray frames22 = frame(2, "TT2", QByteArray("\0Old", 4)) + frame(2, "TP1", QByteArray("\0Art", 4))
        + frame(2, "TAL", QByteArray("\0Alb", 4)) + frame(2, "TYE", QByteArray("\0" "2002", 5))
        + frame(2, "TDA", QByteArray("\0" "0512", 5)) + frame(2, "RVA", QByteArray("\x03\x10\x01\x00\x01\x00", 6))
        + frame(2, "COM", QByteArray("\0engd\0x\0y", 9)) + frame(2, "TCO", QByteArray("\0Jazz", 5));
    QTest::newRow("2.2 with TDA and RVA") << tagged(2, frames22) << "" << split("Old|Art|Alb|2002||Jazz") << 32
                                          << split("artist=Ünï ☃|comment=New") << split("TPE1=Ünï ☃|COMM::eng=New")
                                          << QByteArray();

    QTest::newRow("ID3v1 only") << sample("tags-v1.mp3") << "" << QStringList() << 192 << split("artist=New")
                                << split("TIT2=Old Song|TPE1=New|TALB=Old Album|TYER=1987|COMM::eng=v1 comment|"
                                         "TCON=Jazz|v1:genre=8")
                                << QByteArray();

    const QByteArray v1v2 = sample("tags-v1v2.mp3");
    const std::pair<const char *, int> genres[] {{"Folk/Rock", 81}, {"Psychadelic", 67}, {"Jazz+Funk", 29},
        {"A capella", 123}, {"Avantgarde", 90}, {"Bebob", 85}, {"Dance Hall", 125}, {"Quillet Wave", 255}};
    for (const auto &[name, number] : genres) {
        const QString genre = QString::fromLatin1(name);
        QTest::addRow("genre %s", name) << v1v2 << "" << QStringList() << 128 << QStringList {QLatin1String("genre=") + genre}
                                        << QStringList {QLatin1String("TCON=") + genre, QLatin1String("v1:genre=") + QString::number(number)}
                                        << QByteArray();
    }

    QTest::newRow("low rate CBR") << sample("tags-lowrate.mp3") << "" << split("|||||") << 16 << QStringList()
                                  << QStringList() << QByteArray();
    QTest::newRow("2.4 cover, every field")
        << sample("tags-cover24.mp3") << "" << QStringList() << 128
        << split("song=Ünïcödé Сонг ☃|artist=A|album=B|year=2024|comment=C|genre=Rock")
        << split("TIT2=Ünïcödé Сонг ☃|TPE1=A|TALB=B|TDRC=2024|COMM::eng=C|TCON=Rock") << QByteArray();
    QTest::newRow("2.3 with TDAT and TIME") << sample("tags-cover23.mp3") << "" << QStringList() << 128
                                            << split("song=Only This") << split("TIT2=Only This|v1:genre=13")
                                            << QByteArray();
    QTest::newRow("folder only root may write") << sample("tags-v23.mp3") << "nobody" << QStringList() << 128
                                                << split("artist=Someone Else") << split("TPE1=Someone Else")
                                                << QByteArray();
    QTest::newRow("no tag, folder only root may write") << sample("tags-none.mp3") << "nobody" << QStringList() << 32
                                                        << split("song=Grown") << split("TIT2=Grown") << QByteArray();
    QTest::newRow("two hard links") << v1v2 << "linked" << QStringList() << 128 << split("album=Shared")
                                    << split("TALB=Shared") << QByteArray();
}

void TestTagLibTag::tagsOfOtherPrograms()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, how);
    QFETCH(QStringList, read);
    QFETCH(int, bitRate);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, kept);

    // A folder that the user nobody may enter but not write to, holding a file that nobody may write.
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder) && chmod(QFile::encodeName(m_dir.path()), 0755) == 0);
    const QString path = folder + QStringLiteral("/song.mp3");
    QVERIFY(writeAll(path, before));
    QVERIFY(chown(QFile::encodeName(path), 65534, 65534) == 0);
    const QString link = folder + QStringLiteral("/link.mp3");
    if (how == QLatin1String("linked"))
        QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(link)) == 0);

    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    if (!read.isEmpty())
        QCOMPARE(fields(tag), read);
    QCOMPARE(tag.bitRate(), bitRate);
    if (edits.isEmpty())
        return;
    const Oracle old = oracle(path);
    const QStringList values = edited(fields(tag), edits);
    setFields(tag, values);
    bool saved = false;
    if (how == QLatin1String("nobody")) {
        const QString data = folder + QStringLiteral("/data");
        QVERIFY(QDir().mkpath(data) && chown(QFile::encodeName(data), 65534, 65534) == 0);
        qputenv("QUILLET_DATA_DIR", QFile::encodeName(data));
        saved = asNobody([&tag] { return tag.writeTag(); });
        // The recovery copy of the old file is gone once the save is done.
        QVERIFY(QDir(data + QStringLiteral("/tag-recovery")).isEmpty());
    } else {
        saved = tag.writeTag();
    }

    const QByteArray now = readAll(path);
    if (after.isEmpty()) {
        QVERIFY(!saved);
        QCOMPARE(now, before);
        QVERIFY2(tag.lastError().contains(path) && tag.lastError().size() > path.size() + 20, qPrintable(tag.lastError()));
        return;
    }
    QVERIFY2(saved, qPrintable(tag.lastError()));
    if (how == QLatin1String("linked"))
        QCOMPARE(readAll(link), now);
    const Oracle seen = oracle(path);
    QCOMPARE(seen.version, old.version ? old.version : 3);
    QCOMPARE(audioBytes(now, seen), audioBytes(before, old));
    QVERIFY(now.contains(kept));
    QJsonObject expected;
    for (const QString &frame : after)
        expected.insert(frame.section(QLatin1Char('='), 0, 0), frame.section(QLatin1Char('='), 1));
    // Every frame seen before is still there, the same but for the edited ones.
    for (auto it = old.frames.begin(); it != old.frames.end(); ++it) {
        QVERIFY2(seen.frames.contains(it.key()), qPrintable(it.key()));
        if (!expected.contains(it.key()))
            QCOMPARE(seen.frames.value(it.key()), it.value());
    }
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(seen.frames.value(it.key()).toArray().at(0).toString(), it.value().toString());

    TagLibTag again;
    again.fileName = path;
    again.readTag();
    QCOMPARE(fields(again), values);
}

void TestTagLibTag::writeFailures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // written to path first when not empty
    QTest::addColumn<rlim_t>("sizeLimit"); // a file size limit for the save, as a full disk would be

    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("gone.mp3")) << QByteArray() << RLIM_INFINITY;
    QTest::newRow("folder under /proc") << QStringLiteral("/proc/self/quillet.mp3") << QByteArray() << RLIM_INFINITY;
    QTest::newRow("not MPEG audio") << m_dir.filePath(QStringLiteral("text.mp3"))
                                    << QByteArray("just some text, no audio\n").repeated(100) << RLIM_INFINITY;
    QTest::newRow("disk full") << m_dir.filePath(QStringLiteral("full.mp3"))
                               << readAll(testData(QStringLiteral("tags-cover23.mp3"))) << rlim_t(4096);
}

void TestTagLibTag::writeFailures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    QFETCH(rlim_t, sizeLimit);

    if (!content.isEmpty())
        QVERIFY(writeAll(path, content));
    TagLibTag tag;
    tag.fileName = path;
    setFields(tag, split("Song|Artist|Album|2024|Comment|Rock"));
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = sizeLimit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = tag.writeTag();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QVERIFY(tag.lastError().contains(path));
    QCOMPARE(readAll(path), content);
}

QTEST_GUILESS_MAIN(TestTagLibTag)
#include "tst_taglibtag.moc"
