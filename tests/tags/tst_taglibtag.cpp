#include "tags/taglibtag.h"

#include "fakes/tagfiles.h"
#include "fakes/testenv.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

QByteArray frame(int version, const QByteArray &id, const QByteArray &data)
{
    QByteArray size(4, '\0');
    qToBigEndian(quint32(data.size()), size.data());
    return version == 2 ? id + size.right(3) + data : id + size + QByteArray(2, '\0') + data;
}

// A text frame in Latin-1.
QByteArray textFrame(int version, const QByteArray &id, const char *text)
{
    return frame(version, id, QByteArray(1, '\0') + text);
}

// A hand-made tag (with 20 bytes of padding) in front of a generated MP3 without one.
QByteArray tagged(int version, const QByteArray &frames)
{
    const quint32 size = quint32(frames.size() + 20);
    const char header[] {'I', 'D', '3', char(version), 0, 0, char(size >> 21 & 0x7f), char(size >> 14 & 0x7f),
        char(size >> 7 & 0x7f), char(size & 0x7f)};
    return QByteArray(header, 10) + frames + QByteArray(20, '\0') + fileBytes(testData(u"tags-none.mp3"_s));
}

QList<QString *> fieldsOf(TagLibTag &tag)
{
    return {&tag.song, &tag.artist, &tag.album, &tag.year, &tag.comment, &tag.genre};
}

QStringList texts(TagLibTag &tag)
{
    return {tag.song, tag.artist, tag.album, tag.year, tag.comment, tag.genre};
}

} // namespace

class TestTagLibTag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void tagsOfOtherPrograms_data();
    void tagsOfOtherPrograms();

private:
    QTemporaryDir m_dir;
};

void TestTagLibTag::tagsOfOtherPrograms_data()
{
    QTest::addColumn<QByteArray>("before"); // the file
    QTest::addColumn<QStringList>("read"); // what Quillet reads first (song ... genre), unless empty
    QTest::addColumn<int>("bitRate");
    QTest::addColumn<QStringList>("edits"); // "field=value"; none: no save
    QTest::addColumn<QStringList>("after"); // "mutagen key=text" it must see after the save; empty: save refused
    QTest::addColumn<QByteArray>("kept"); // bytes of a frame no reader takes, which must survive

    const auto row = [](const QByteArray &name, const QByteArray &before, const QByteArray &read, int bitRate,
                         const QByteArray &edits, const QByteArray &after, const QByteArray &kept = {}) {
        const auto list
            = [](const QByteArray &joined) { return joined.isEmpty() ? QStringList() : split(joined.constData()); };
        QTest::newRow(name.constData()) << before << list(read) << bitRate << list(edits) << list(after) << kept;
    };
    const auto sample = [](const char *name) { return fileBytes(testData(QString::fromLatin1(name))); };
    row("comments in three languages", sample("tags-comm3.mp3"),
        "Three Tongues|Poly Artist|Babel|2001|English words|Folk/Rock", 32, "comment=Neue Worte",
        "COMM::eng=Neue Worte");

    const QByteArray title = textFrame(3, "TIT2", "Old");
    const QByteArray artist = textFrame(3, "TPE1", "Art");
    const QByteArray emptyPopm = frame(3, "POPM", {});
    const QByteArray more = textFrame(3, "TALB", "Alb") + textFrame(3, "TYER", "1999")
        + frame(3, "COMM", QByteArray("\0eng\0c", 6)) + textFrame(3, "TCON", "(17)") + textFrame(3, "TRCK", "3")
        + textFrame(3, "TCOM", "Comp");
    row("empty frame first", tagged(3, title + emptyPopm + artist + more), "Old|Art|Alb|1999|c|Rock", 32, "artist=New",
        "TPE1=New|TIT2=Old", emptyPopm);
    row("empty frame, new fields", tagged(3, emptyPopm + more), "||Alb|1999|c|Rock", 32, "song=S|artist=A",
        "TIT2=S|TPE1=A|TRCK=3", emptyPopm);
    const QByteArray badEncoding = frame(3, "TALB", QByteArray("\7Bad", 4));
    row("bad encoding byte", tagged(3, title + badEncoding + artist), "Old|Art||||", 32, "song=New", "TIT2=New",
        badEncoding);
    row("frame runs past the tag", tagged(3, title + QByteArray("TXXX\0\0\x10\0\0\0", 10)), "Old|||||", 32, "song=New",
        "");

    const QByteArray frames22 = textFrame(2, "TT2", "Old") + textFrame(2, "TP1", "Art") + textFrame(2, "TAL", "Alb")
        + textFrame(2, "TYE", "2002") + textFrame(2, "TDA", "0512")
        + frame(2, "RVA", QByteArray("\x03\x10\x01\x00\x01\x00", 6)) + frame(2, "COM", QByteArray("\0engd\0x\0y", 9))
        + textFrame(2, "TCO", "Jazz");
    row("2.2 with TDA and RVA", tagged(2, frames22), "Old|Art|Alb|2002||Jazz", 32, "artist=Ünï ☃|comment=New",
        "TPE1=Ünï ☃|COMM::eng=New");

    row("ID3v1 only", sample("tags-v1.mp3"), "", 192, "artist=New",
        "TIT2=Old Song|TPE1=New|TALB=Old Album|TYER=1987|COMM::eng=v1 comment|TCON=Jazz|v1:genre=8");
    const std::pair<const char *, int> genres[] {{"Folk/Rock", 81}, {"Psychadelic", 67}, {"Jazz+Funk", 29},
        {"A capella", 123}, {"Avantgarde", 90}, {"Bebob", 85}, {"Dance Hall", 125}, {"Quillet Wave", 255}};
    for (const auto &[name, number] : genres) {
        row("genre " + QByteArray(name), sample("tags-v1v2.mp3"), "", 128, "genre=" + QByteArray(name),
            "TCON=" + QByteArray(name) + "|v1:genre=" + QByteArray::number(number));
    }

    // Tags other taggers write that a save used to damage or refuse, and reads that came out wrong.
    row("2.4 unsynchronised as a whole", sample("tags-v24-unsync.mp3"),
        "Caf\u00ff\u00e9 Stuffed|Stuffer|Whole Tag|2006|\u00ff\u00e0 comment|Jazz", 32, "album=New Album",
        "TALB=New Album");
    row("2.4 frame flags", sample("tags-v24-frameflags.mp3"),
        "Grouped Title|Ärtist mit Länge|Alb\u00ff\u00e0m|2008|Packed comment "
        "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx|Jazz",
        32, "artist=New Artist", "TPE1=New Artist", QByteArray("TXXX\0\0\0\x0e\0\x40\x02\0kept\0grouped", 24));
    row("UTF-16 without byte-order marks", sample("tags-nobom.mp3"),
        "Little Endian|Big Endian|東京の夜|1997|No mark|Blues", 32, "comment=Marked", "COMM::eng=Marked");
    row("tag appended at the end", sample("tags-appended.mp3"),
        "Tail Song With A Title Longer Than Thirty|Tail Ärtist ☃|Tail Album|2012|tail comment|Blues", 32,
        "album=Front Album",
        "TIT2=Tail Song With A Title Longer Than Thirty|TPE1=Tail Ärtist ☃|TALB=Front Album|TDRC=2012|"
        "COMM::eng=tail comment|TCON=Blues|TXXX:kept=at the end|v1:genre=0");
    row("extended header flag without one", sample("tags-falseext.mp3"), "Ripped Song|Ripper|Ripped Album|2002|ripped|",
        32, "song=Saved Song", "TIT2=Saved Song|TRCK=4/12");
    // Some writers give 2.4 frames 2.3-style sizes: 256 then reads as the sync-safe 128, which lands inside the title.
    const QByteArray longTitle = "Long " + QByteArray(250, 'x');
    row("2.4 frame with a 2.3-style size",
        tagged(4, textFrame(4, "TIT2", longTitle.constData()) + textFrame(4, "TPE1", "Art")), longTitle + "|Art||||",
        32, "album=New Album", "TALB=New Album");
    row("2.3 year with TDAT and TIME", sample("tags-cover23.mp3"),
        "Cover Song|Cover Artist|Cover Album|2010|user comment|Pop", 128, "year=2011", "TYER=2011|TDAT=|TIME=");
    // Inputs the fuzzer found: TagLib finds audio where the reader sees another container's signature.
    const auto found = [](const char *name) {
        return fileBytes(QStringLiteral(QUILLET_SOURCE_DIR "/fuzz/corpus/tags/") + QString::fromLatin1(name));
    };
    row("fuzz: signature before the audio", found("write-not-read-back-220b.mp3"), "|||||", 0, "song=New", "");
    row("fuzz: hex dump", found("write-not-read-back-674b.mp3"), "|||||", 0, "song=New", "");
    row("low rate CBR", sample("tags-lowrate.mp3"), "", 16, "", "");
    // A header whose size is no sync-safe number heads no tag: the audio behind it is still found.
    row("ID3v2 header with a broken size", QByteArray("ID3\x03\0\0\xff\xff\xff\xff", 10) + sample("tags-none.mp3"), "",
        32, "", "");
    row("2.4 cover, every field", sample("tags-cover24.mp3"), "", 128,
        "song=Ünïcödé Сонг ☃|artist=A|album=B|year=2024|comment=C|genre=Rock",
        "TIT2=Ünïcödé Сонг ☃|TPE1=A|TALB=B|TDRC=2024|COMM::eng=C|TCON=Rock");
    row("not MPEG audio", QByteArray("just text\n").repeated(100), "", 0, "song=New", "");
}

void TestTagLibTag::tagsOfOtherPrograms()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, read);
    QFETCH(int, bitRate);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, kept);

    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/song.mp3"_s;
    QVERIFY(writeFileBytes(path, before));

    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    if (!read.isEmpty())
        QCOMPARE(texts(tag), read);
    QCOMPARE(tag.bitRate(), bitRate);
    if (edits.isEmpty())
        return;
    // Saving the fields as read leaves the file as it was.
    tag.writeTag();
    QCOMPARE(fileBytes(path), before);
    static const QStringList names = split("song|artist|album|year|comment|genre");
    for (const QString &edit : edits)
        *fieldsOf(tag).at(names.indexOf(edit.section(u'=', 0, 0))) = edit.section(u'=', 1);
    const QStringList values = texts(tag);
    const bool saved = tag.writeTag();

    const QByteArray now = fileBytes(path);
    if (after.isEmpty()) {
        QVERIFY(!saved);
        QCOMPARE(now, before);
        const QString error = tag.lastError();
        QVERIFY2(error.contains(path) && error.size() > path.size() + 12, qPrintable(error));
        return;
    }
    QVERIFY2(saved, qPrintable(tag.lastError()));
    const QString copy = folder + u"/before.mp3"_s;
    QVERIFY(writeFileBytes(copy, before));
    const QJsonObject views = mutagenTags({copy, path});
    const QJsonObject oldView = views.value(copy).toObject(), seen = views.value(path).toObject();
    const QJsonObject oldFrames = oldView.value(u"f"_s).toObject(), frames = seen.value(u"f"_s).toObject();
    const int oldVersion = oldView.value(u"v"_s).toInt();
    QCOMPARE(seen.value(u"v"_s).toInt(), oldVersion ? oldVersion : 3);
    QCOMPARE(mutagenSees(views, path, "audio"), mutagenSees(views, copy, "audio"));
    // One tag, in front: an appended one would be a stale copy.
    QCOMPARE(seen.value(u"tail"_s).toInt(), 0);
    QVERIFY(now.contains(kept));
    QJsonObject expected;
    for (const QString &frame : after)
        expected.insert(frame.section(u'=', 0, 0), frame.section(u'=', 1));
    // Every frame seen before is still there, the same but for the edited ones and those expected gone ("KEY=").
    for (auto it = oldFrames.begin(); it != oldFrames.end(); ++it) {
        const QString want = expected.value(it.key()).toString(u"kept"_s);
        QVERIFY2(frames.contains(it.key()) == !want.isEmpty(), qPrintable(it.key()));
        if (!expected.contains(it.key()))
            QCOMPARE(frames.value(it.key()), it.value());
    }
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(frames.value(it.key()).toArray().at(0).toString(), it.value().toString());

    TagLibTag again;
    again.fileName = path;
    again.readTag();
    QCOMPARE(texts(again), values);
}

QTEST_GUILESS_MAIN(TestTagLibTag)
#include "tst_taglibtag.moc"
