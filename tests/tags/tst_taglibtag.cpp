#include "tags/taglibtag.h"

#include "fakes/testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/resource.h>

using quillet::TagLibTag;
using quillet::testing::testData;

namespace {

struct Frame
{
    QByteArray id;
    QByteArray bytes; // header and data, as stored
};

// The ID3v2 tag at the start of a file (2.3 or 2.4, not unsynchronised), as stored: enough to compare frames.
struct StoredTag
{
    int version = 0;
    qsizetype end = 0;
    QList<Frame> frames;
};

quint32 syncSafe(const char *p)
{
    return quint32(p[0] & 0x7f) << 21 | quint32(p[1] & 0x7f) << 14 | quint32(p[2] & 0x7f) << 7 | quint32(p[3] & 0x7f);
}

QByteArray syncSafeBytes(quint32 value)
{
    const char bytes[] {
        char((value >> 21) & 0x7f), char((value >> 14) & 0x7f), char((value >> 7) & 0x7f), char(value & 0x7f)};
    return QByteArray(bytes, 4);
}

QByteArray bigEndianBytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

StoredTag storedTag(const QByteArray &data)
{
    StoredTag tag;
    if (!data.startsWith("ID3"))
        return tag;
    tag.version = data.at(3);
    const qsizetype size = syncSafe(data.constData() + 6);
    tag.end = 10 + size;
    qsizetype pos = 10;
    if (data.at(5) & 0x40)
        pos += syncSafe(data.constData() + 10);
    while (pos + 10 <= tag.end && data.at(pos) != '\0') {
        const char *p = data.constData() + pos;
        const qsizetype frameSize = tag.version == 4 ? syncSafe(p + 4) : qFromBigEndian<quint32>(p + 4);
        tag.frames.append({data.mid(pos, 4), data.mid(pos, 10 + frameSize)});
        pos += 10 + frameSize;
    }
    return tag;
}

bool hasId3v1(const QByteArray &data)
{
    return data.size() >= 128 + storedTag(data).end && data.sliced(data.size() - 128).startsWith("TAG");
}

// The MPEG frames: everything after the ID3v2 tag and before an ID3v1 tag.
QByteArray audioBytes(const QByteArray &data)
{
    const qsizetype start = storedTag(data).end;
    return data.mid(start, data.size() - start - (hasId3v1(data) ? 128 : 0));
}

// The frames other than the six fields' ones (COMM is one of them only without a description, and none of the
// sample files has a described COMM).
QList<Frame> otherFrames(const QByteArray &data)
{
    static const QList<QByteArray> fieldIds {"TIT2", "TPE1", "TALB", "TYER", "TDRC", "TCON", "COMM"};
    QList<Frame> frames;
    for (const Frame &frame : storedTag(data).frames) {
        if (!fieldIds.contains(frame.id))
            frames.append(frame);
    }
    return frames;
}

QByteArray frameData(const QByteArray &data, const QByteArray &id)
{
    for (const Frame &frame : storedTag(data).frames) {
        if (frame.id == id)
            return frame.bytes.mid(10);
    }
    return {};
}

QString id3v1Text(const QByteArray &data, int offset, int width)
{
    const QByteArray field = data.sliced(data.size() - 128 + offset, width);
    return QString::fromLatin1(field.left(field.indexOf('\0') < 0 ? width : field.indexOf('\0')));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

QStringList texts(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *text : list)
        result.append(QString::fromUtf8(text));
    return result;
}

void setFields(TagLibTag &tag, const QStringList &values)
{
    tag.song = values.at(0);
    tag.artist = values.at(1);
    tag.album = values.at(2);
    tag.year = values.at(3);
    tag.comment = values.at(4);
    tag.genre = values.at(5);
}

QStringList fields(const TagLibTag &tag)
{
    return {tag.song, tag.artist, tag.album, tag.year, tag.comment, tag.genre};
}

// The six fields as ffprobe, a reader independent of TagLib, reports them.
QStringList ffprobeFields(const QString &path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_format"), QStringLiteral("-of"),
            QStringLiteral("json"), path});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        return {};
    const QJsonObject format = QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
    const QJsonObject tags = format.value(QLatin1String("format")).toObject().value(QLatin1String("tags")).toObject();
    QStringList seen;
    for (const char *key : {"title", "artist", "album", "date", "comment", "genre"})
        seen.append(tags.value(QLatin1String(key)).toString());
    return seen;
}

// Non-Latin-1 text (UTF-16 in 2.3, UTF-8 in 2.4) and a genre that is not in the ID3v1 list.
const QStringList newFields {QStringLiteral("Ünïcödé Сонг ☃"), QStringLiteral("New Artist"),
    QStringLiteral("New Album"), QStringLiteral("2024"), QStringLiteral("Written by a test — fine"),
    QStringLiteral("Quillet Wave")};

} // namespace

class TestTagLibTag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readFields_data();
    void readFields();
    void readDamagedFiles_data();
    void readDamagedFiles();
    void writeRoundTrip_data();
    void writeRoundTrip();
    void writeChangesOnlyChangedFields();
    void writeKeepsId3v1InStep_data();
    void writeKeepsId3v1InStep();
    void writeUnusualLayouts_data();
    void writeUnusualLayouts();
    void writeFoundByFuzzing_data();
    void writeFoundByFuzzing();
    void writeFailures_data();
    void writeFailures();
    void writeFailsWhenFileCannotBeRewritten();

private:
    QString copySample(const QString &name);

    quillet::testing::TestEnvironment m_env;
    QTemporaryDir m_dir;
};

QString TestTagLibTag::copySample(const QString &name)
{
    const QString path = m_dir.filePath(QString::number(QRandomGenerator::global()->generate()) + name);
    if (!QFile::copy(testData(name), path))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    return path;
}

void TestTagLibTag::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(testData(QStringLiteral("tags-cover23.mp3"))), "test media missing");
}

void TestTagLibTag::readFields_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QList<int>>("mpeg"); // sample rate kHz, bit rate, MPEG version

    QTest::newRow("ID3v1 only") << QStringLiteral("tags-v1.mp3")
                                << texts({"Old Song", "Old Artist", "Old Album", "1987", "v1 comment", "Jazz"})
                                << QList<int> {44, 192, 1};
    QTest::newRow("ID3v2.3") << QStringLiteral("tags-v23.mp3")
                             << texts({"Three Song", "Three Artist", "Three Album", "2003", "", "Rock"})
                             << QList<int> {44, 128, 1};
    QTest::newRow("ID3v2.4 UTF-8") << QStringLiteral("tags-v24-utf8.mp3")
                                   << texts({"Grüße aus Köln", "Чайковский", "東京の夜", "2004", "", "Électronique"})
                                   << QList<int> {22, 64, 2};
    // ID3v1 holds only 30 characters of the title: the full one comes from ID3v2.
    QTest::newRow("ID3v1 and ID3v2") << QStringLiteral("tags-v1v2.mp3")
                                     << texts({"A Title Longer Than Thirty Characters", "Both Artist", "Both Album",
                                            "1999", "", "Blues"})
                                     << QList<int> {44, 128, 1};
    // MPEG 2.5 at 11.025 kHz counts as version 2.
    QTest::newRow("no tag") << QStringLiteral("tags-none.mp3") << texts({"", "", "", "", "", ""})
                            << QList<int> {11, 32, 2};
}

void TestTagLibTag::readFields()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QFETCH(QList<int>, mpeg);

    TagLibTag tag;
    tag.fileName = testData(file);
    tag.readTag();
    QCOMPARE(fields(tag), expected);
    QCOMPARE(QList<int>({tag.sampleRate(), tag.bitRate(), tag.mpegVersion()}), mpeg);
}

void TestTagLibTag::readDamagedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("textsEmpty");

    const QByteArray tagged = readAll(testData(QStringLiteral("tags-cover23.mp3")));
    QVERIFY(!tagged.isEmpty());
    const auto make = [this](const QString &name, const QByteArray &data) {
        const QString path = m_dir.filePath(name);
        writeAll(path, data);
        return path;
    };
    QRandomGenerator random(20240611);
    const auto noise = [&random](qsizetype size) {
        QByteArray bytes(size, '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        return bytes;
    };
    QByteArray flipped = tagged;
    for (qsizetype i = 0; i < flipped.size(); i += 97)
        flipped[i] = char(~flipped.at(i));

    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.mp3")) << true;
    QTest::newRow("parent is a file") << make(QStringLiteral("plain"), "x") + QStringLiteral("/a.mp3") << true;
    QTest::newRow("directory") << m_dir.path() << true;
    QTest::newRow("empty") << make(QStringLiteral("empty.mp3"), {}) << true;
    QTest::newRow("ID3 header only") << make(QStringLiteral("header.mp3"), tagged.left(10)) << true;
    QTest::newRow("cut in first frame") << make(QStringLiteral("cut16.mp3"), tagged.left(16)) << true;
    QTest::newRow("cut in the tag") << make(QStringLiteral("cut100.mp3"), tagged.left(100)) << false;
    QTest::newRow("random") << make(QStringLiteral("random.mp3"), noise(65536)) << false;
    QTest::newRow("ID3 header claiming 256 MB")
        << make(QStringLiteral("huge.mp3"), QByteArray("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + noise(4096)) << false;
    QTest::newRow("random after ID3v1 marker") << make(QStringLiteral("tagonly.mp3"), "TAG" + noise(125)) << false;
    QTest::newRow("every 97th byte flipped") << make(QStringLiteral("flipped.mp3"), flipped) << false;
}

void TestTagLibTag::readDamagedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, textsEmpty);

    // Values of a previous file must not survive the read.
    TagLibTag tag;
    tag.fileName = testData(QStringLiteral("tags-v23.mp3"));
    tag.readTag();
    QCOMPARE(tag.song, QStringLiteral("Three Song"));

    tag.fileName = path;
    tag.readTag();
    if (textsEmpty) {
        QCOMPARE(fields(tag), QStringList(6, QString()));
        QCOMPARE(tag.sampleRate(), 0);
    }
    // Without a sample rate there is no MPEG audio, and no other figure either.
    if (tag.sampleRate() == 0) {
        QCOMPARE(tag.bitRate(), 0);
        QCOMPARE(tag.mpegVersion(), 0);
    }
}

void TestTagLibTag::writeRoundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("version");
    // ffmpeg writes a comment as a TXXX "comment" frame and ffprobe shows that one; it is another frame and stays.
    QTest::addColumn<QString>("ffprobeComment");

    QTest::newRow("ID3v1 only gets 2.3") << QStringLiteral("tags-v1.mp3") << 3 << newFields.at(4);
    QTest::newRow("2.3 stays 2.3") << QStringLiteral("tags-v23.mp3") << 3 << newFields.at(4);
    QTest::newRow("2.4 stays 2.4") << QStringLiteral("tags-v24-utf8.mp3") << 4 << newFields.at(4);
    QTest::newRow("ID3v1 and ID3v2") << QStringLiteral("tags-v1v2.mp3") << 3 << newFields.at(4);
    QTest::newRow("no tag gets 2.3") << QStringLiteral("tags-none.mp3") << 3 << newFields.at(4);
    QTest::newRow("cover and more, 2.3") << QStringLiteral("tags-cover23.mp3") << 3 << QStringLiteral("user comment");
    QTest::newRow("cover and more, 2.4") << QStringLiteral("tags-cover24.mp3") << 4 << newFields.at(4);
}

void TestTagLibTag::writeRoundTrip()
{
    QFETCH(QString, file);
    QFETCH(int, version);
    QFETCH(QString, ffprobeComment);

    const QString path = copySample(file);
    const QByteArray before = readAll(path);
    const QFile::Permissions permissions = QFile::permissions(path);
    TagLibTag tag;
    tag.fileName = path;
    setFields(tag, newFields);
    QVERIFY2(tag.writeTag(), qPrintable(tag.lastError()));
    QVERIFY(tag.lastError().isEmpty());

    const QByteArray after = readAll(path);
    TagLibTag reader;
    reader.fileName = path;
    reader.readTag();
    QCOMPARE(fields(reader), newFields);
    QStringList probed = ffprobeFields(path);
    QCOMPARE(probed.size(), newFields.size());
    // ffprobe joins the kept 2.3 day and time frames to the year: "2024-12-05 12:30".
    probed[3].truncate(4);
    QStringList expected = newFields;
    expected[4] = ffprobeComment;
    QCOMPARE(probed, expected);

    const StoredTag stored = storedTag(after);
    QCOMPARE(stored.version, version);
    // Non-Latin-1 text: UTF-16 in 2.3, which has no UTF-8; UTF-8 in 2.4.
    QCOMPARE(int(frameData(after, "TIT2").at(0)), version == 3 ? 1 : 3);
    QCOMPARE(audioBytes(after), audioBytes(before));
    QCOMPARE(hasId3v1(after), hasId3v1(before));
    // The file is replaced by a rewritten copy, which must keep the old one's permissions.
    QCOMPARE(QFile::permissions(path), permissions);
    const QList<Frame> kept = otherFrames(after);
    const QList<Frame> old = otherFrames(before);
    QCOMPARE(kept.size(), old.size());
    for (qsizetype i = 0; i < old.size(); ++i) {
        QCOMPARE(kept.at(i).id, old.at(i).id);
        QCOMPARE(kept.at(i).bytes, old.at(i).bytes);
    }
    if (file.startsWith(QLatin1String("tags-cover")))
        QVERIFY(frameData(after, "APIC").contains("\x89PNG"));

    // Writing the same values again leaves the file as it is.
    QVERIFY(reader.writeTag());
    QCOMPARE(readAll(path), after);
}

void TestTagLibTag::writeChangesOnlyChangedFields()
{
    // A 2.3 file with TDAT and TIME frames, which TagLib itself drops when it rewrites a tag.
    const QString path = copySample(QStringLiteral("tags-cover23.mp3"));
    const QByteArray before = readAll(path);
    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    tag.song = QStringLiteral("Only The Song");
    QVERIFY2(tag.writeTag(), qPrintable(tag.lastError()));

    const QByteArray after = readAll(path);
    const QList<Frame> oldFrames = storedTag(before).frames;
    const QList<Frame> newFrames = storedTag(after).frames;
    QCOMPARE(newFrames.size(), oldFrames.size());
    for (qsizetype i = 0; i < oldFrames.size(); ++i) {
        QCOMPARE(newFrames.at(i).id, oldFrames.at(i).id);
        if (oldFrames.at(i).id != "TIT2")
            QCOMPARE(newFrames.at(i).bytes, oldFrames.at(i).bytes);
    }
    QCOMPARE(frameData(after, "TIT2"), QByteArray("\0Only The Song", 14));
    // The smaller tag keeps its old size, so the audio has not moved.
    QCOMPARE(storedTag(after).end, storedTag(before).end);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(id3v1Text(after, 3, 30), QStringLiteral("Only The Song"));
    QCOMPARE(id3v1Text(after, 33, 30), QStringLiteral("Cover Artist"));
}

void TestTagLibTag::writeKeepsId3v1InStep_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("id3v1"); // as stored: title, artist, album, year, comment
    QTest::addColumn<int>("genreIndex");

    QTest::newRow("Latin-1, known genre") << texts({"Été", "Band", "Record", "1975", "fine", "jazz"})
                                          << texts({"Été", "Band", "Record", "1975", "fine"}) << 8;
    QTest::newRow("other scripts, own genre")
        << newFields << texts({"Ünïcödé ???? ?", "New Artist", "New Album", "2024", "Written by a test ? fine"}) << 255;
    QTest::newRow("longer than the fields")
        << QStringList {QString(40, QLatin1Char('s')), QString(31, QLatin1Char('a')), QStringLiteral("B"),
               QStringLiteral("12345"), QString(35, QLatin1Char('c')), QStringLiteral("Blues")}
        << QStringList {QString(30, QLatin1Char('s')), QString(30, QLatin1Char('a')), QStringLiteral("B"),
               QStringLiteral("1234"), QString(30, QLatin1Char('c'))}
        << 0;
    QTest::newRow("all cleared") << QStringList(6, QString()) << QStringList(5, QString()) << 255;
}

void TestTagLibTag::writeKeepsId3v1InStep()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, id3v1);
    QFETCH(int, genreIndex);

    const QString path = copySample(QStringLiteral("tags-v1v2.mp3"));
    const QByteArray before = readAll(path);
    TagLibTag tag;
    tag.fileName = path;
    setFields(tag, values);
    QVERIFY2(tag.writeTag(), qPrintable(tag.lastError()));

    const QByteArray after = readAll(path);
    QVERIFY(hasId3v1(after));
    const QStringList stored {id3v1Text(after, 3, 30), id3v1Text(after, 33, 30), id3v1Text(after, 63, 30),
        id3v1Text(after, 93, 4), id3v1Text(after, 97, 30)};
    QCOMPARE(stored, id3v1);
    QCOMPARE(int(quint8(after.back())), genreIndex);
    QCOMPARE(audioBytes(after), audioBytes(before));

    // ID3v2 holds everything in full; a cleared field is gone from both tags.
    TagLibTag reader;
    reader.fileName = path;
    reader.readTag();
    QCOMPARE(fields(reader), values);
}

void TestTagLibTag::writeUnusualLayouts_data()
{
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("keptFrame"); // must come out byte for byte, or empty

    const auto frame23 = [](const QByteArray &id, const QByteArray &data) {
        return id + bigEndianBytes(quint32(data.size())) + QByteArray(2, '\0') + data;
    };
    const auto frame24 = [](const QByteArray &id, const QByteArray &data) {
        return id + syncSafeBytes(quint32(data.size())) + QByteArray(2, '\0') + data;
    };
    const auto header = [](int version, char flags, qsizetype size) {
        return QByteArray("ID3") + char(version) + '\0' + flags + syncSafeBytes(quint32(size));
    };

    // 2.2 has three-letter frames; TagLib converts the tag, written as 2.3.
    const QByteArray frames22 = QByteArray("TT2\0\0\x05\0Old2", 11) + QByteArray("TP1\0\0\x04\0Art", 10);
    QTest::newRow("2.2") << header(2, 0, frames22.size() + 20) + frames22 + QByteArray(20, '\0') << 3 << QByteArray();

    // A whole-tag unsynchronised 2.3 tag: the private frame holds bytes that need it.
    const QByteArray priv = frame23("PRIV", QByteArray("owner\0\xff\xe0\xff\x00\x01", 11));
    QByteArray body = frame23("TIT2", QByteArray("\0Old", 4)) + priv;
    body.replace(QByteArray("\xff", 1), QByteArray("\xff\0", 2));
    QTest::newRow("2.3 unsynchronised") << header(3, char(0x80), body.size()) + body << 3 << priv;

    // A 2.4 extended header (size 6, one flag byte, no flags).
    const QByteArray txxx = frame24("TXXX", QByteArray("\0key\0value", 10));
    const QByteArray extended
        = syncSafeBytes(6) + QByteArray("\x01\0", 2) + frame24("TIT2", QByteArray("\0Old", 4)) + txxx;
    QTest::newRow("2.4 extended header") << header(4, char(0x40), extended.size()) + extended << 4 << txxx;

    // Some writers put 2.3-style sizes in 2.4 tags; 300 read as a sync-safe number would be 172.
    const QByteArray big = frame23("TXXX", QByteArray(1, '\0') + "big" + QByteArray(1, '\0') + QByteArray(295, 'v'));
    const QByteArray itunes = frame24("TIT2", QByteArray("\0Old", 4)) + big + frame24("TPE1", QByteArray("\0Art", 4));
    QTest::newRow("2.4 with 2.3 sizes") << header(4, 0, itunes.size()) + itunes << 4 << big;

    // A frame claims more bytes than the tag has; TagLib keeps what it can read.
    const QByteArray broken = frame23("TIT2", QByteArray("\0Old", 4)) + QByteArray("TXXX\0\0\x10\0\0\0", 10);
    QTest::newRow("damaged frame list") << header(3, 0, broken.size()) + broken << 3 << QByteArray();
}

void TestTagLibTag::writeUnusualLayouts()
{
    QFETCH(QByteArray, tag);
    QFETCH(int, version);
    QFETCH(QByteArray, keptFrame);

    const QByteArray audio = readAll(testData(QStringLiteral("tags-none.mp3")));
    const QString path = m_dir.filePath(QStringLiteral("%1.mp3").arg(QString::fromLatin1(QTest::currentDataTag())));
    writeAll(path, tag + audio);
    TagLibTag writer;
    writer.fileName = path;
    setFields(writer, newFields);
    QVERIFY2(writer.writeTag(), qPrintable(writer.lastError()));

    const QByteArray after = readAll(path);
    TagLibTag reader;
    reader.fileName = path;
    reader.readTag();
    QCOMPARE(fields(reader), newFields);
    QCOMPARE(reader.sampleRate(), 11);
    QCOMPARE(storedTag(after).version, version);
    QCOMPARE(after.sliced(storedTag(after).end), audio);
    if (!keptFrame.isEmpty())
        QVERIFY(after.left(storedTag(after).end).contains(keptFrame));
}

void TestTagLibTag::writeFoundByFuzzing_data()
{
    QTest::addColumn<QByteArray>("before"); // bytes before the audio
    QTest::addColumn<QStringList>("values"); // written, and what a reader must then see
    QTest::addColumn<bool>("unchanged"); // the file must stay byte for byte as it was

    const auto frame23 = [](const QByteArray &id, const QByteArray &data) {
        return id + bigEndianBytes(quint32(data.size())) + QByteArray(2, '\0') + data;
    };
    const auto frame24 = [](const QByteArray &id, const QByteArray &data) {
        return id + syncSafeBytes(quint32(data.size())) + QByteArray(2, '\0') + data;
    };
    const auto header = [](int version, char flags, qsizetype size) {
        return QByteArray("ID3") + char(version) + '\0' + flags + syncSafeBytes(quint32(size));
    };
    const QStringList old = texts({"Old", "Art", "", "", "", "Rock"});
    QStringList songOnly = old;
    songOnly[0] = QStringLiteral("New Song");

    // TagLib finds a tag behind stray bytes; a new tag in front of it would hide the fields not written.
    const QByteArray frames = frame23("TIT2", QByteArray("\0Old", 4)) + frame23("TPE1", QByteArray("\0Art", 4))
        + frame23("TCON", QByteArray("\0Rock", 5));
    QTest::newRow("tag after stray bytes") << "ID" + header(3, 0, frames.size()) + frames << songOnly << false;

    // Readers stop at a frame without content: new frames after it would never be seen.
    const QByteArray empty
        = frame23("TIT2", QByteArray("\0Old", 4)) + frame23("TXXX", {}) + frame23("TPE1", QByteArray("\0Art", 4));
    QTest::newRow("frame without content") << header(3, 0, empty.size()) + empty << newFields << false;

    // TagLib reads the old date frame TRDC as TDRC: it is the year, and a new year replaces it.
    const QByteArray dates
        = frame24("TRDC", QByteArray(1, '\0') + "2003") + frame24("TDRC", QByteArray(1, '\0') + "2004");
    QTest::newRow("TRDC date frame") << header(4, 0, dates.size()) + dates << newFields << false;

    // The same in a tag that TagLib rewrites (a damaged frame list), with the TRDC frame marked encrypted.
    const QByteArray encrypted = QByteArray("TRDC", 4) + syncSafeBytes(6) + QByteArray("\0\x04\x03(17)\0", 8)
        + frame24("TIT2", QByteArray("\0Old", 4)) + QByteArray("T[SE\0\0\0\x0f\0\0", 10);
    QTest::newRow("TRDC in a damaged tag")
        << header(4, 0, encrypted.size() + 20) + encrypted + QByteArray(20, '\0') << newFields << false;

    // A described comment without text in a tag that TagLib rewrites (2.2) must not hide the new comment.
    const QByteArray described = QByteArray("TT2\0\0\x04\0Old", 10) + QByteArray("COM\0\0\x06\0engi\0", 12);
    QTest::newRow("2.2 described empty comment")
        << header(2, 0, described.size() + 10) + described + QByteArray(10, '\0') << newFields << false;

    // Writing back what is shown leaves an unsynchronised tag as it was.
    QByteArray body = frame23("TIT2", QByteArray("\0Old", 4)) + frame23("TPE1", QByteArray("\0Art", 4))
        + frame23("TCON", QByteArray("\0Rock", 5)) + frame23("PRIV", QByteArray("o\0\xff\xe0", 4));
    body.replace(QByteArray("\xff", 1), QByteArray("\xff\0", 2));
    QTest::newRow("nothing changed") << header(3, char(0x80), body.size()) + body << old << true;
}

void TestTagLibTag::writeFoundByFuzzing()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, values);
    QFETCH(bool, unchanged);

    const QByteArray audio = readAll(testData(QStringLiteral("tags-none.mp3")));
    const QString path = m_dir.filePath(QStringLiteral("%1.mp3").arg(QString::fromLatin1(QTest::currentDataTag())));
    writeAll(path, before + audio);
    TagLibTag writer;
    writer.fileName = path;
    writer.readTag();
    QCOMPARE(writer.sampleRate(), 11);
    setFields(writer, values);
    QVERIFY2(writer.writeTag(), qPrintable(writer.lastError()));

    TagLibTag reader;
    reader.fileName = path;
    reader.readTag();
    QCOMPARE(fields(reader), values);
    QCOMPARE(reader.sampleRate(), 11);
    const QByteArray after = readAll(path);
    QVERIFY(after.endsWith(audio));
    if (unchanged)
        QCOMPARE(after, before + audio);
    // Stray bytes before a tag stay, and no second tag is put in front of them.
    if (!before.startsWith("ID3"))
        QVERIFY(after.startsWith(before.left(2) + "ID3"));
}

void TestTagLibTag::writeFailures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // written to path first when not empty

    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("gone.mp3")) << QByteArray();
    QTest::newRow("parent is a file") << m_dir.filePath(QStringLiteral("plain")) + QStringLiteral("/a.mp3")
                                      << QByteArray();
    QTest::newRow("folder under /proc") << QStringLiteral("/proc/self/quillet.mp3") << QByteArray();
    QTest::newRow("directory") << m_dir.path() << QByteArray();
    QTest::newRow("not MPEG audio") << m_dir.filePath(QStringLiteral("text.mp3"))
                                    << QByteArray("just some text, no audio\n").repeated(100);
}

void TestTagLibTag::writeFailures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);

    writeAll(m_dir.filePath(QStringLiteral("plain")), "x");
    if (!content.isEmpty())
        writeAll(path, content);
    TagLibTag tag;
    tag.fileName = path;
    setFields(tag, newFields);
    QVERIFY(!tag.writeTag());
    QVERIFY(!tag.lastError().isEmpty());
    if (!content.isEmpty())
        QCOMPARE(readAll(path), content);
    else
        QVERIFY(!QFileInfo(path).isFile());
}

void TestTagLibTag::writeFailsWhenFileCannotBeRewritten()
{
    // As root no permission stops a write, but a file size limit does: the tag needs the whole file rewritten.
    const QString path = copySample(QStringLiteral("tags-cover23.mp3"));
    const QByteArray before = readAll(path);
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);

    rlimit old {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limit = old;
    limit.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    TagLibTag tag;
    tag.fileName = path;
    setFields(tag, newFields);
    const bool written = tag.writeTag();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QVERIFY(!tag.lastError().isEmpty());
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);
}

QTEST_GUILESS_MAIN(TestTagLibTag)
#include "tst_taglibtag.moc"
