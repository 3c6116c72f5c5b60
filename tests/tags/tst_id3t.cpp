#include "tags/id3t.h"

#include "fakes/fakedialogs.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"
#include "tags/taglibtag.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace quillet;
using quillet::testing::testData;

namespace {

const QString kRestart = QStringLiteral("Please Restart This Window after saving");

// "a|b|c" as a list of texts.
QStringList split(const char *joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char('|'));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The tags ffmpeg's reader sees, by key ("title", "artist", ...).
QHash<QString, QString> ffprobeTags(const QString &path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"), QStringLiteral("format_tags"),
            QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1"), path});
    QHash<QString, QString> tags;
    probe.waitForFinished(30000);
    const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1String("TAG:")) && eq > 0)
            tags.insert(line.mid(4, eq - 4).toLower(), line.mid(eq + 1));
    }
    return tags;
}

// Limits the size of files this process may write (as a full disk would), for the life of the object.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class TstId3t : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadFillsFromThePlayingFile_data();
    void loadFillsFromThePlayingFile();
    void nothingLoadedLeavesEverythingEmpty();
    void saveWritesAllSixFields();
    void longTextFromAFileSurvivesASave();
    void saveIsRefused_data();
    void saveIsRefused();
    void savingWaitsOnlyForAnOpenFile();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
    void fieldsTakeThirtyCharacters();

private:
    QString copyOf(const QString &name);
    QList<QLineEdit *> fields() const;

    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
    std::unique_ptr<testing::FakePlayer> m_player;
    QPointer<id3t> m_editor;
};

void TstId3t::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
    m_player = std::make_unique<testing::FakePlayer>();
    m_editor = new id3t;
    m_editor->setMainPlayer(m_player.get());
}

void TstId3t::cleanup()
{
    delete m_editor;
    m_player.reset();
    m_dialogs.reset();
    m_env.reset();
}

QString TstId3t::copyOf(const QString &name)
{
    const QString path = m_env->path(name);
    return QFile::copy(testData(name), path) ? path : QString();
}

// Artist, song, album, year, comment and the genre box's text field.
QList<QLineEdit *> TstId3t::fields() const
{
    return {m_editor->txtArtist, m_editor->txtSong, m_editor->txtAlbum, m_editor->txtYear, m_editor->txtComment,
        m_editor->txtGenre->lineEdit()};
}

void TstId3t::loadFillsFromThePlayingFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected"); // artist, song, album, year, comment, genre
    QTest::addColumn<QString>("info");

    QTest::newRow("tagged MPEG-1") << testData(QStringLiteral("song1.mp3")) << split("Artist 1|Song 1|Album 1|2001||")
                                   << "Sample Rate : 44 KHz And Data Rate : 128 KBPS In Mpeg Version : 1";
    QTest::newRow("untagged MPEG-2") << testData(QStringLiteral("tone-22k-mono.mp3")) << split("|||||")
                                     << "Sample Rate : 22 KHz And Data Rate : 64 KBPS In Mpeg Version : 2";
    QTest::newRow("missing file") << testData(QStringLiteral("no-such-file.mp3")) << split("|||||")
                                  << "Sample Rate : 0 KHz And Data Rate : 0 KBPS In Mpeg Version : 0";
}

void TstId3t::loadFillsFromThePlayingFile()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QFETCH(QString, info);

    m_player->setFileName(file);
    m_editor->show();
    QCOMPARE(m_editor->tag(), file);
    QStringList shown;
    for (const QLineEdit *field : fields())
        shown << field->text();
    QCOMPARE(shown, expected);
    QCOMPARE(m_editor->Label1->text(), info);
}

void TstId3t::nothingLoadedLeavesEverythingEmpty()
{
    m_editor->show();
    for (const QLineEdit *field : fields())
        QVERIFY(field->text().isEmpty());
    QVERIFY(m_editor->Label1->text().isEmpty());
    QCOMPARE(m_editor->txtGenre->count(), 125);
    QCOMPARE(m_editor->txtGenre->itemText(0), QStringLiteral("A capella"));
    QCOMPARE(m_editor->txtGenre->itemText(124), QStringLiteral("Vocal"));
    // Black at the top, full blue at the bottom.
    const QImage image = m_editor->grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(0, 0, 0));
    QCOMPARE(image.pixelColor(0, image.height() - 1), QColor(0, 0, 255));
}

void TstId3t::saveWritesAllSixFields()
{
    const QString path = copyOf(QStringLiteral("song1.mp3"));
    m_editor->show();
    m_dialogs->openAnswers.enqueue(path);
    m_editor->cmdOpen->click();
    QCOMPARE(m_dialogs->openRequests.first().filter, QStringLiteral("MP3 Files(*.MP3)|*.MP3"));

    const QStringList values = split("New Artist|New Song|New Album|1999|Edited here|Chiptune Noir");
    const QList<QLineEdit *> edits = fields();
    for (int i = 0; i < edits.size(); ++i) {
        edits.at(i)->clear();
        QTest::keyClicks(edits.at(i), values.at(i));
    }
    m_editor->cmdSave->click();
    QCOMPARE(m_dialogs->messages, QStringList {kRestart});
    QTRY_VERIFY(!m_editor);

    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    QCOMPARE((QStringList {tag.artist, tag.song, tag.album, tag.year, tag.comment, tag.genre}), values);
    const QHash<QString, QString> probed = ffprobeTags(path);
    const QStringList keys = split("artist|title|album|date|comment|genre");
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(probed.value(keys.at(i)), values.at(i));
}

void TstId3t::longTextFromAFileSurvivesASave()
{
    const QString path = copyOf(QStringLiteral("tags-v1v2.mp3"));
    const QString title = QStringLiteral("A Title Longer Than Thirty Characters");
    m_dialogs->openAnswers.enqueue(path);
    m_editor->cmdOpen->click();
    QCOMPARE(m_editor->txtSong->text(), title);
    // Typing adds nothing to a field that is already past the limit.
    m_editor->txtSong->end(false);
    QTest::keyClicks(m_editor->txtSong, QStringLiteral("xyz"));
    QCOMPARE(m_editor->txtSong->text(), title);

    m_editor->txtAlbum->setText(QStringLiteral("Other Album"));
    m_editor->cmdSave->click();
    QCOMPARE(m_dialogs->messages, QStringList {kRestart});
    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    QCOMPARE(tag.song, title);
    QCOMPARE(tag.album, QStringLiteral("Other Album"));
}

void TstId3t::saveIsRefused_data()
{
    QTest::addColumn<bool>("playing");
    QTest::addColumn<QString>("message");
    QTest::newRow("file playing") << true << "Cannot Save File While Playing";
    QTest::newRow("nothing open") << false << "There Is No File To Save !";
}

void TstId3t::saveIsRefused()
{
    QFETCH(bool, playing);
    QFETCH(QString, message);

    const QString path = copyOf(QStringLiteral("song1.mp3"));
    const QByteArray before = fileBytes(path);
    if (playing)
        m_player->setFileName(path);
    m_editor->show();
    m_editor->txtSong->setText(QStringLiteral("Changed"));
    m_editor->cmdSave->click();
    QCOMPARE(m_dialogs->messages, QStringList {message});
    QCOMPARE(fileBytes(path), before);
    QVERIFY(m_editor && m_editor->isVisible());
}

void TstId3t::savingWaitsOnlyForAnOpenFile()
{
    // The player keeps the name of a file it stopped: the tag can be written then, but not while it is paused.
    const QString path = copyOf(QStringLiteral("song1.mp3"));
    m_player->setFileName(path);
    m_player->pause();
    m_editor->show();
    m_editor->txtSong->setText(QStringLiteral("Changed"));
    m_editor->cmdSave->click();
    QCOMPARE(m_dialogs->messages, QStringList {QStringLiteral("Cannot Save File While Playing")});
    m_player->stop();
    m_editor->cmdSave->click();
    QCOMPARE(m_dialogs->messages.last(), kRestart);
    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    QCOMPARE(tag.song, QStringLiteral("Changed"));
}

void TstId3t::failedWriteIsReported_data()
{
    QTest::addColumn<bool>("removeFile");
    QTest::newRow("file removed after opening") << true;
    QTest::newRow("write refused by the system") << false;
}

void TstId3t::failedWriteIsReported()
{
    QFETCH(bool, removeFile);

    const QString path = copyOf(QStringLiteral("song1.mp3"));
    const QByteArray before = fileBytes(path);
    m_dialogs->openAnswers.enqueue(path);
    m_editor->show();
    m_editor->cmdOpen->click();
    m_editor->txtSong->setText(QStringLiteral("Never Written"));
    if (removeFile) {
        QVERIFY(QFile::remove(path));
        m_editor->cmdSave->click();
    } else {
        FileSizeLimit limit(rlim_t(before.size() / 2));
        m_editor->cmdSave->click();
    }

    QCOMPARE(m_dialogs->messages.size(), 1);
    const QString message = m_dialogs->messages.first();
    QVERIFY2(message.contains(path) && !message.contains(kRestart), qPrintable(message));
    QVERIFY(m_editor && m_editor->isVisible());
    QCOMPARE(m_editor->txtSong->text(), QStringLiteral("Never Written"));
    QCOMPARE(fileBytes(path), removeFile ? QByteArray() : before);
}

void TstId3t::fieldsTakeThirtyCharacters()
{
    m_editor->show();
    const QString typed = QString(31, QLatin1Char('x'));
    for (QLineEdit *edit : fields()) {
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), typed.left(30));
    }
}

QTEST_MAIN(TstId3t)
#include "tst_id3t.moc"
