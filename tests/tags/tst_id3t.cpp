#include "tags/id3t.h"

#include "fakes/fakedialogs.h"
#include "fakes/fakeplayer.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <memory>

#include <unistd.h>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

// What mutagen, a reader independent of TagLib, sees of each file: every tag item by its key (pictures and binary
// items by a hash of their bytes) and, under "audio", the hash ffmpeg gives the audio packets.
const char *const oracleScript = R"(import hashlib, json, subprocess, sys, mutagen
def text(x):
    return 'sha1 ' + hashlib.sha1(x).hexdigest() if isinstance(x, bytes) else str(x)
def seen(path):
    f = mutagen.File(path)
    out = {k: [text(x) for x in (v if isinstance(v, list) else [v])] for k, v in (f.tags.items() if f.tags else [])}
    for i, p in enumerate(getattr(f, 'pictures', [])):
        out['picture %d' % i] = [str(p.type), p.mime, p.desc, text(p.data)]
    out['audio'] = [subprocess.run(['ffmpeg', '-v', 'error', '-i', path, '-map', '0:a', '-c', 'copy', '-f', 'md5',
        '-'], capture_output=True, text=True).stdout.strip()]
    return out
print(json.dumps([seen(path) for path in sys.argv[1:]])))";

QJsonArray oracle(const QStringList &paths)
{
    QProcess python;
    python.start(u"/usr/bin/python3"_s, QStringList {u"-c"_s, QString::fromUtf8(oracleScript)} + paths);
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

} // namespace

class TstId3t : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_player = std::make_unique<FakePlayer>();
        m_editor = new id3t;
        m_editor->setMainPlayer(m_player.get());
    }
    void cleanup()
    {
        delete m_editor;
        m_player.reset();
        m_dialogs.reset();
        m_env.reset();
    }
    void opensOnThePlayingFile()
    {
        m_player->setFileName(testData(u"tone-22k-mono.mp3"_s));
        m_editor->show();
        QCOMPARE(m_editor->Label1->text(), u"Sample Rate : 22 KHz And Data Rate : 64 KBPS In Mpeg Version : 2"_s);
        // The genre box offers the genres to choose from, in order: the down arrow steps to the first.
        QTest::keyClick(m_editor->txtGenre, Qt::Key_Down);
        QCOMPARE(m_editor->txtGenre->currentText(), u"A capella"_s);
    }
    void changedOnDisk_data()
    {
        QTest::addColumn<QString>("answer"); // to the question whether to reload or overwrite
        QTest::addColumn<QStringList>("file"); // title, artist, album a reader sees afterwards
        QTest::addColumn<QStringList>("shown"); // the same in the editor, when it stays open
        QTest::newRow("overwrite") << "Overwrite" << split("Their Title|Both Artist|Mine") << QStringList();
        QTest::newRow("reload") << "Reload" << split("Their Title|Both Artist|Both Album")
                                << split("Their Title|Both Artist|Both Album");
        QTest::newRow("cancel") << "Cancel" << split("Their Title|Both Artist|Both Album")
                                << split("A Title Longer Than Thirty Characters|Both Artist|Mine");
    }
    void changedOnDisk()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, file);
        QFETCH(QStringList, shown);
        const QString path = m_env->path(u"shared.mp3"_s);
        QVERIFY(QFile::copy(testData(u"tags-v1v2.mp3"_s), path));
        m_dialogs->openAnswers.enqueue(path);
        m_dialogs->questionAnswers.enqueue(answer);
        m_editor->show();
        QTest::mouseClick(m_editor->cmdOpen, Qt::LeftButton);
        // Another tagger changes the title while the file is open here; here only the album is changed.
        QProcess tagger;
        tagger.start(u"/usr/bin/mid3v2"_s, {u"-t"_s, u"Their Title"_s, path});
        QVERIFY(tagger.waitForFinished(30000) && tagger.exitCode() == 0);
        const QByteArray theirs = fileBytes(path);
        QTest::mouseClick(m_editor->txtAlbum, Qt::LeftButton);
        QTest::keyClick(m_editor->txtAlbum, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(m_editor->txtAlbum, u"Mine"_s);
        QTest::mouseClick(m_editor->cmdSave, Qt::LeftButton);

        const QJsonObject seen = mutagenTags({path});
        const auto sees = [&](const char *key) { return mutagenSees(seen, path, key); };
        QCOMPARE((QStringList {sees("TIT2"), sees("TPE1"), sees("TALB")}), file);
        QCOMPARE(m_dialogs->questions.size(), 1);
        QVERIFY2(m_dialogs->questions.first().contains(path), qPrintable(m_dialogs->questions.first()));
        if (shown.isEmpty()) {
            QCOMPARE(m_dialogs->messages, QStringList {u"Please Restart This Window after saving"_s});
            QTRY_VERIFY(!m_editor);
            return;
        }
        QCOMPARE(fileBytes(path), theirs);
        QVERIFY(m_dialogs->messages.isEmpty());
        QVERIFY(m_editor && m_editor->isVisible());
        QCOMPARE(
            (QStringList {m_editor->txtSong->text(), m_editor->txtArtist->text(), m_editor->txtAlbum->text()}), shown);
    }
    void savingWaitsOnlyForAnOpenFile_data()
    {
        QTest::addColumn<QString>("playing"); // the name the player has the file by
        QTest::addColumn<bool>("paused");
        QTest::newRow("same name, paused") << "music/song.mp3" << true;
        QTest::newRow("through a linked folder") << "linked/song.mp3" << false;
        QTest::newRow("hard link") << "music/again.mp3" << false;
    }
    void savingWaitsOnlyForAnOpenFile()
    {
        QFETCH(QString, playing);
        QFETCH(bool, paused);
        // The player keeps the name of a file it stopped: the tag can be written then, but not while the file is open
        // in the player, under whatever name.
        const QString path = m_env->path(u"music/song.mp3"_s);
        QVERIFY(QDir().mkpath(m_env->path(u"music"_s)));
        QVERIFY(QFile::copy(testData(u"song1.mp3"_s), path));
        QVERIFY(QFile::link(m_env->path(u"music"_s), m_env->path(u"linked"_s)));
        QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(m_env->path(u"music/again.mp3"_s))) == 0);
        m_player->setFileName(m_env->path(playing));
        if (paused)
            m_player->pause();
        m_dialogs->openAnswers.enqueue(path);
        m_editor->show();
        QTest::mouseClick(m_editor->cmdOpen, Qt::LeftButton);
        const QByteArray before = fileBytes(path);
        m_editor->txtSong->selectAll();
        QTest::keyClicks(m_editor->txtSong, u"Changed"_s);
        QTest::mouseClick(m_editor->cmdSave, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages, QStringList {u"Cannot Save File While Playing"_s});
        QCOMPARE(fileBytes(path), before);
        m_player->stop();
        QTest::mouseClick(m_editor->cmdSave, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.last(), u"Please Restart This Window after saving"_s);
        QCOMPARE(mutagenSees(mutagenTags({path}), path, "TIT2"), u"Changed"_s);
    }
    void otherFormatsChangeOnlyTheEditedFields_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("format"); // as the information line names it, or its end for MPEG audio
        QTest::addColumn<QStringList>("edits"); // "field=typed text": artist, song, album, year, comment, genre
        QTest::addColumn<QStringList>("changes"); // "mutagen key=text" afterwards (no text: gone); empty: refused
        QTest::addColumn<QString>("refusal"); // part of the message of a refused save (by default: a damaged layout)
        const auto row = [](const char *name, const char *file, const char *format, const char *edits,
                             const char *changes, const char *refusal = "its layout is damaged or unusual") {
            QTest::newRow(name) << QString::fromLatin1(file) << QString::fromLatin1(format) << split(edits)
                                << (*changes ? split(changes) : QStringList()) << QString::fromLatin1(refusal);
        };
        // The title is longer than a field takes from the keyboard: it is shown whole and kept whole.
        row("MP3 with a long title", "tags-v1v2.mp3", "128 KBPS In Mpeg Version : 1",
            "artist=New Artist|album=New Album|year=1999|comment=Edited here|genre=Chiptune Noir",
            "TPE1=New Artist|TALB=New Album|TDRC=1999|COMM::eng=Edited here|COMM:ID3v1 Comment:eng=Edited here|"
            "TCON=Chiptune Noir");
        // Real songs are over a mebibyte, where the reader first looks for MPEG frames at both ends.
        row("MP3 of over a mebibyte", "tone-30m.mp3", "8 KBPS In Mpeg Version : 2", "song=Long Song", "TIT2=Long Song");
        row("FLAC", "fmt.flac", "FLAC", "artist=Neue Künstlerin|year=1999", "artist=Neue Künstlerin|date=1999");
        row("FLAC of over a mebibyte", "fmt-big.flac", "FLAC", "album=Big Album", "album=Big Album");
        row("Ogg Vorbis", "fmt.ogg", "Ogg Vorbis", "song=Changed Song|comment=", "title=Changed Song|description=");
        row("Opus", "fmt.opus", "Opus", "genre=Chiptune Noir|album=Ünïcödé Album",
            "genre=Chiptune Noir|album=Ünïcödé Album");
        row("M4A", "fmt.m4a", "M4A", "song=New Name|year=2001|comment=new words",
            "©nam=New Name|©day=2001|©cmt=new words");
        row("M4A without a year", "fmt-no-year.m4a", "M4A", "album=Other Album", "©alb=Other Album");
        row("M4A without any tag", "fmt-untagged.m4a", "M4A", "song=First Name", "©nam=First Name");
        row("M4A whose boxes contradict each other", "fmt-bad-boxes.m4a", "M4A", "song=Never", "");
        // Found by the fuzzer: a table of chunk offsets that claims more entries than its box holds kept TagLib's save
        // busy without end.
        row("M4A whose chunk offsets overrun their box", "fuzz/corpus/formats/m4a-chunk-offsets-past-their-box.m4a",
            "M4A", "song=Never", "");
        // Found by the fuzzer: a chunk offset table first in moov, where a file without udta gets its new tag, had its
        // count read from the tag's bytes and grew the save without end.
        row("M4A whose chunk offsets sit where the tag goes",
            "fuzz/corpus/formats/m4a-chunk-offsets-where-the-tag-goes.m4a", "MP4", "song=Never", "");
        row("M4A whose chunk offset table is cut short", "fmt-short-offsets.m4a", "M4A", "song=Never", "");
        // The check goes only as deep as real files nest, so that no file can exhaust its stack: deeper is refused.
        row("M4A whose boxes nest deeper than any real file's", "fmt-deep-boxes.m4a", "M4A", "song=Never", "",
            "its layout is damaged or unusual");
        row("WAV is only shown", "fmt-wav-id3.wav", "WAV", "song=Never", "",
            "Quillet shows the tags of WAV files but does not save them");
        row("AIFF is only shown", "fmt.aiff", "AIFF", "song=Never", "",
            "Quillet shows the tags of AIFF files but does not save them");
        // TagLib would drop the second cover, whose picture type it does not read.
        row("M4A whose save would lose a cover", "fmt-odd-cover.m4a", "M4A", "song=Never", "",
            "cannot be saved without losing data: its item covr would change");
    }
    void otherFormatsChangeOnlyTheEditedFields()
    {
        QFETCH(QString, file);
        QFETCH(QString, format);
        QFETCH(QStringList, edits);
        QFETCH(QStringList, changes);
        QFETCH(QString, refusal);
        // A name near the longest a folder takes, as some rippers give a song.
        const QString path = m_env->path(u"A song of a long name "_s.repeated(11) + u'.' + QFileInfo(file).suffix());
        QVERIFY(QFile::copy(file.startsWith(u"fuzz/") ? QUILLET_SOURCE_DIR "/"_L1 + file : testData(file), path));
        const QByteArray bytes = fileBytes(path);

        m_dialogs->openAnswers.enqueue(path);
        m_editor->show();
        QTest::mouseClick(m_editor->cmdOpen, Qt::LeftButton);
        QVERIFY2(m_editor->Label1->text().endsWith(format.contains(u':') ? format : u" KBPS In Format : "_s + format),
            qPrintable(m_editor->Label1->text()));
        // The field an edit "name=text" names.
        const auto fieldOf = [this](const QString &edit) {
            const QList<QLineEdit *> fields {m_editor->txtArtist, m_editor->txtSong, m_editor->txtAlbum,
                m_editor->txtYear, m_editor->txtComment, m_editor->txtGenre->lineEdit()};
            return fields.at(split("artist|song|album|year|comment|genre").indexOf(edit.section(u'=', 0, 0)));
        };
        for (const QString &edit : edits) {
            QLineEdit *field = fieldOf(edit);
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            // As a keyboard with these letters types them.
            for (const QChar letter : edit.section(u'=', 1))
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(letter), Qt::NoModifier);
        }
        QTest::mouseClick(m_editor->cmdSave, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.size(), 1);
        const QString message = m_dialogs->messages.first();
        if (changes.isEmpty()) {
            QVERIFY2(message.contains(path) && message.contains(refusal), qPrintable(message));
            // The editor stays open with what was typed, to try again.
            QVERIFY(m_editor && m_editor->isVisible());
            QCOMPARE(fieldOf(edits.last())->text(), edits.last().section(u'=', 1));
            QCOMPARE(fileBytes(path), bytes);
            return;
        }
        QCOMPARE(message, u"Please Restart This Window after saving"_s);
        QTRY_VERIFY(!m_editor);
        const QJsonArray seen = oracle({testData(file), path});
        QJsonObject expected = seen.at(0).toObject();
        for (const QString &change : changes) {
            const QString key = change.section(u'=', 0, 0), text = change.section(u'=', 1);
            if (text.isEmpty())
                expected.remove(key);
            else
                expected.insert(key, QJsonArray {text});
        }
        // Every other item, the pictures and the audio are as they were.
        QCOMPARE(seen.at(1).toObject(), expected);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<FakePlayer> m_player;
    QPointer<id3t> m_editor;
};

QTEST_MAIN(TstId3t)
#include "tst_id3t.moc"
