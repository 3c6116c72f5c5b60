// Tag saves under faults made on purpose: the saver killed at random moments, another program changing the file
// during a save or after a crash, readers in other threads while a save runs, and copies another user planted. The
// file always ends as the old one, the new one, or as the other program left it; a copy not put back is kept and
// named to the user once.
#include "tags/fileidentity.h"
#include "tags/id3t.h"
#include "tags/recoveryfolder.h"
#include "tags/recoveryrecord.h"
#include "tags/saveplan.h"
#include "tags/tagnotices.h"

#include "fakes/childprocess.h"
#include "fakes/fakedialogs.h"
#include "fakes/tagfiles.h"
#include "fakes/tagsaves.h"
#include "fakes/testenv.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

QStringList leftInRecovery()
{
    return QDir(RecoveryFolder::path()).entryList(QDir::Files | QDir::Hidden);
}

// The one name of names that is not in known; empty when there is not exactly one.
QString newOne(const QStringList &names, const QStringList &known)
{
    QStringList added = names;
    for (const QString &name : known)
        added.removeOne(name);
    return added.size() == 1 ? added.first() : QString();
}

} // namespace

class TstTagSafety : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        // Children that drop to other users find their way in.
        QVERIFY(chmodPath(m_env->root(), 0755));
        TagNotices::take();
    }
    void cleanup() { m_env.reset(); }
    void savesUnderFire_data()
    {
        QTest::addColumn<QString>("trouble");
        for (const char *trouble : {"killed", "killed, then edited by another program", "truncated by another program",
                 "read by new threads", "edited by another program that keeps the file's time"})
            QTest::newRow(trouble) << trouble;
    }
    // Rounds of in-place saves, each disturbed at a random moment.
    void savesUnderFire()
    {
        QFETCH(QString, trouble);
        if (m_sampleList.isEmpty())
            prepareSamples();
        QCOMPARE(m_sampleList.size(), 2);
        const QString path = m_env->path(u"song.mp3"_s);
        // A second link makes every save write into the file itself.
        QVERIFY(writeFileBytes(path, {}) && linkPath(path, path + u".link"_s));
        QString error;
        // Kills and changes land before a random one of the system calls that a save makes.
        if (m_calls == 0) {
            QVERIFY(writeFileBytes(path, m_sampleList.first().old));
            m_calls = tracedSave(path, m_sampleList.first().title, {SaveStop::Call, -1}, {}, false).calls;
            QVERIFY(m_calls > 20);
        }
        // Half the rounds stop right before the first or the second write into the file instead.
        const auto moment = [this](int round) {
            return round % 4 < 2 ? SaveStop {SaveStop::Call, 1 + QRandomGenerator::global()->bounded(m_calls)}
                                 : SaveStop {SaveStop::Write, round % 4 - 1};
        };

        const bool killed = trouble.startsWith(u"killed"_s);
        const bool truncated = trouble.startsWith(u"truncated"_s);
        const bool editedInPlace = trouble.startsWith(u"edited"_s);
        QStringList kept;
        for (int round = 0; round < (killed || truncated ? 16 : editedInPlace ? 2 : 6); ++round) {
            const Sample &sample = m_sampleList.at(round % 2);
            QVERIFY(writeFileBytes(path, sample.old));
            if (killed) {
                tracedSave(path, sample.title, moment(round), {}, true);
                if (trouble.contains(u"edited"_s))
                    QVERIFY(writeFileBytes(path, sample.edited));
                const QByteArray before = fileBytes(path);
                readTagOf(path);
                const QByteArray now = fileBytes(path);
                if (before == sample.edited)
                    QVERIFY2(now == sample.edited, "a later edit was undone");
                else
                    QVERIFY2(now == sample.old || now == sample.saved, "the file is neither the old nor the new one");
            } else if (truncated) {
                const qint64 cut = sample.old.size() / 2;
                const auto truncate
                    = [&path, cut] { QVERIFY(::truncate(QFile::encodeName(path).constData(), cut) == 0); };
                const TracedSave traced = tracedSave(path, sample.title, moment(round), truncate, false);
                if (!traced.stopped)
                    truncate();
                const QByteArray now = fileBytes(path);
                if (traced.saved) {
                    // Cut after the save, before it (and then saved), or during it and then written whole again.
                    QVERIFY2(now == sample.saved.left(cut) || now == sample.halfSaved || now == sample.saved,
                        "a broken file saved as success");
                } else {
                    QVERIFY(traced.error.contains(path));
                    // Where the save wrote into the file that was cut, it says where the old one is.
                    const QStringList copies = leftInRecovery();
                    if (copies.size() > kept.size())
                        QVERIFY2(traced.error.contains(newOne(copies, kept)), qPrintable(traced.error));
                    kept = copies;
                }
                // A later read undoes nothing.
                readTagOf(path);
                QCOMPARE(fileBytes(path), now);
            } else if (editedInPlace) {
                // While the save makes its copy, a byte of the tag changes in place and the file's time is set back:
                // the save refuses, and the other program's edit stays.
                const QByteArray file = QFile::encodeName(path);
                QByteArray edited = sample.old;
                edited[20] = char(edited.at(20) ^ 0x20);
                const auto edit = [&] {
                    struct stat before = {};
                    QVERIFY(::stat(file.constData(), &before) == 0);
                    QVERIFY(writeFileBytes(path, edited));
                    const timespec times[2] {before.st_atim, before.st_mtim};
                    QVERIFY(::utimensat(AT_FDCWD, file.constData(), times, 0) == 0);
                };
                const TracedSave traced = tracedSave(path, sample.title, {SaveStop::Create, 1}, edit, false);
                QVERIFY(traced.stopped && !traced.saved);
                QVERIFY2(traced.error.contains(u"changed by another program"_s), qPrintable(traced.error));
                QCOMPARE(fileBytes(path), edited);
            } else {
                // Readers on new threads, as the ID3 playlist starts for each rebuild.
                std::atomic<bool> stop {false};
                std::thread readers([&] {
                    while (!stop)
                        std::thread([&path] { readTagOf(path); }).join();
                });
                const bool ok = saveTitle(path, sample.title, &error);
                stop = true;
                readers.join();
                QVERIFY2(ok, qPrintable(error));
                QCOMPARE(fileBytes(path), sample.saved);
            }
            // A copy stays only where the user was told, once, in a notice naming the file and the copy.
            const QStringList notices = TagNotices::take();
            const QStringList copies = leftInRecovery();
            if (!truncated) {
                QCOMPARE(notices.size(), copies.size() - kept.size());
                for (const QString &notice : notices)
                    QVERIFY2(notice.contains(path) && notice.contains(newOne(copies, kept)), qPrintable(notice));
                kept = copies;
            }
            for (const QString &copy : copies) {
                const QByteArray bytes = fileBytes(RecoveryFolder::path() + u'/' + copy);
                QVERIFY(bytes == m_sampleList.at(0).old || bytes == m_sampleList.at(1).old);
            }
        }
    }
    void plantedCopies_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::addColumn<QString>("refusal"); // why the victim's in-place save is refused; empty: it goes through
        QTest::newRow("in the shared temporary folder") << u"tmp"_s << u"Permission denied"_s;
        QTest::newRow("in a folder of another user") << u"other's folder"_s << u"it belongs to another user"_s;
        QTest::newRow("through a symbolic link") << u"symlink"_s << u"it is a symbolic link"_s;
        QTest::newRow("in a folder others may write") << u"open folder"_s << u"other users may write to it"_s;
        QTest::newRow("owned by another user, in the user's folder") << u"other's copy"_s << QString();
        QTest::newRow("with a second link, in the user's folder") << u"linked copy"_s << QString();
    }
    // Another user plants copies, complete and in Quillet's own format, that would turn the victim's file into theirs.
    // The victim (nobody) reads the tag and saves in place, in a folder they cannot write to: reading never touches
    // the file, and an in-place save goes through only with a recovery folder of the user's own.
    void plantedCopies()
    {
        QFETCH(QString, plant);
        QFETCH(QString, refusal);
        const QString root = m_env->root();
        const QString path = root + u"/music/song.mp3"_s;
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path, nobody));
        const QByteArray current = fileBytes(path);
        const QByteArray planted = QByteArray(current).replace("Both Artist", "Evil Artist");

        // The planter makes its copy with Quillet's own code.
        qputenv("QUILLET_DATA_DIR", QFile::encodeName(root + u"/scratch"_s));
        RecoveryFolder scratch;
        QString error;
        QVERIFY2(scratch.openForSave(&error), qPrintable(error));
        QVERIFY(RecoveryRecord::create(
            scratch, path, FileIdentity::ofPath(path), planted, SavePlan::between(planted, current), &error));
        const QString copyName = QFile::decodeName(RecoveryFolder::copyName(path));
        const QString oldName = QFile::decodeName(RecoveryFolder::oldFormatCopyName(path));
        const QByteArray record = fileBytes(RecoveryFolder::path() + u'/' + copyName);
        QVERIFY(!record.isEmpty());

        const QString data = root + u"/data"_s;
        const QString folder = data + u"/tag-recovery"_s;
        const QString tmp = root + u"/tmp"_s;
        QString plantedIn = folder;
        const auto plantAs = [&](uid_t uid) {
            return asUser(uid, [&](QString *) {
                // A folder of the planter's own is made readable, so that a victim who followed it could use it.
                const bool made = !QFileInfo::exists(plantedIn);
                return QDir().mkpath(plantedIn) && (!made || chmodPath(plantedIn, 0755))
                    && writeFileBytes(plantedIn + u'/' + copyName, record)
                    && writeFileBytes(plantedIn + u'/' + oldName, planted);
            });
        };
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(tmp) && chmodPath(tmp, 01777));
        if (plant == u"tmp"_s) {
            // The folder an earlier version fell back on when the data folder could not be written.
            plantedIn = tmp + u"/quillet-tag-recovery-65534"_s;
            QVERIFY(plantAs(otherUser));
        } else if (plant == u"other's folder"_s) {
            QVERIFY(chmodPath(data, 01777) && plantAs(otherUser));
        } else if (plant == u"symlink"_s) {
            plantedIn = tmp + u"/elsewhere"_s;
            QVERIFY(chmodPath(data, 01777) && plantAs(otherUser));
            QVERIFY(asUser(otherUser, [&](QString *) { return QFile::link(plantedIn, folder); }));
        } else {
            const bool open = plant == u"open folder"_s;
            QVERIFY(chownPath(data, nobody) && QDir().mkpath(folder) && chownPath(folder, nobody));
            QVERIFY(chmodPath(folder, open ? 0777 : 0700));
            // Into the user's own folder only root can put a file of another user.
            QVERIFY(plantAs(open ? otherUser : plant == u"linked copy"_s ? nobody : 0));
            const QString copy = folder + u'/' + copyName;
            const QString old = folder + u'/' + oldName;
            // Writable by anyone, so that only their owner tells them apart from the user's own.
            if (plant == u"other's copy"_s)
                QVERIFY(chownPath(copy, otherUser) && chownPath(old, otherUser) && chmodPath(copy, 0666)
                    && chmodPath(old, 0666));
            if (plant == u"linked copy"_s)
                QVERIFY(linkPath(copy, tmp + u"/a"_s) && linkPath(old, tmp + u"/b"_s));
        }

        qputenv("QUILLET_DATA_DIR", QFile::encodeName(data));
        qputenv("TMPDIR", QFile::encodeName(tmp));
        const auto restore = qScopeGuard([this] {
            qputenv("QUILLET_DATA_DIR", QFile::encodeName(m_env->dataDir()));
            qunsetenv("TMPDIR");
        });
        const FileIdentity before = FileIdentity::ofPath(path);
        QVERIFY(asUser(nobody, [&path](QString *) {
            readTagOf(path);
            return true;
        }));
        QCOMPARE(fileBytes(path), current);
        QVERIFY(FileIdentity::ofPath(path) == before);
        QCOMPARE(fileBytes(plantedIn + u'/' + copyName), record);

        const bool saved = asUser(
            nobody, [&path](QString *message) { return saveTitle(path, u"Victim Title"_s, message); }, &error);
        if (refusal.isEmpty()) {
            QVERIFY2(saved, qPrintable(error));
            const QJsonObject tags = mutagenTags({path});
            QCOMPARE(mutagenSees(tags, path, "TIT2"), u"Victim Title"_s);
            QCOMPARE(mutagenSees(tags, path, "TPE1"), u"Both Artist"_s);
        } else {
            QVERIFY(!saved);
            QVERIFY2(error.contains(path) && error.contains(refusal), qPrintable(error));
            QCOMPARE(fileBytes(path), current);
        }
    }
    // A reader that finds the copy of a save still running neither puts it back nor waits for it; another save waits.
    void readOrSaveDuringASave()
    {
        const QString path = m_env->path(u"song.mp3"_s);
        QVERIFY(placeTestFile(u"tags-none.mp3"_s, path) && linkPath(path, path + u".link"_s));
        const QByteArray old = fileBytes(path);
        const QString clean = m_env->path(u"clean.mp3"_s);
        QString error;
        QVERIFY(writeFileBytes(clean, old) && saveTitle(clean, u"Cut Title"_s, &error));
        QVERIFY(cutSave(path, u"Cut Title"_s, SaveStop {SaveStop::Write, 2}));
        const QByteArray cut = fileBytes(path);
        QVERIFY(cut != old && cut != fileBytes(clean));
        const QStringList copies = leftInRecovery();
        // The lock a running save holds.
        int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX) == 0);
        std::thread([&path] { readTagOf(path); }).join();
        readTagOf(path);
        ::close(fd);
        QCOMPARE(fileBytes(path), cut);
        QCOMPARE(leftInRecovery(), copies);
        readTagOf(path);
        QCOMPARE(fileBytes(path), old);
        QVERIFY(!QFileInfo::exists(RecoveryFolder::path()));
        QVERIFY(TagNotices::take().isEmpty());

        // A save that finds another one running waits for it, and then saves.
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX) == 0);
        bool saved = false;
        std::thread saving([&] { saved = saveTitle(path, u"Cut Title"_s, &error); });
        QThread::msleep(300);
        ::close(fd);
        saving.join();
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(fileBytes(path), fileBytes(clean));
    }
    // The copy of a save cut short, found changed by another program when the editor opens the file, is set aside,
    // and the user told once, in a message that names both files.
    void editorTellsOfASetAsideCopy()
    {
        FakeDialogs dialogs;
        const QString path = m_env->path(u"song.mp3"_s);
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path) && linkPath(path, path + u".link"_s));
        const QByteArray old = fileBytes(path);
        QVERIFY(cutSave(path, u"Cut Title"_s, SaveStop {SaveStop::Write, 1}));
        QVERIFY(otherTaggerSetsArtist(path, u"Other"_s));
        const QByteArray edited = fileBytes(path);

        id3t editor;
        editor.show();
        for (int open = 0; open < 2; ++open) {
            dialogs.openAnswers.enqueue(path);
            QTest::mouseClick(editor.cmdOpen, Qt::LeftButton);
            QTRY_COMPARE(dialogs.messages.size(), 1);
            QCOMPARE(editor.txtArtist->text(), u"Other"_s);
        }
        QCOMPARE(fileBytes(path), edited);
        const QStringList copies = leftInRecovery();
        QCOMPARE(copies.size(), 1);
        const QString kept = RecoveryFolder::path() + u'/' + copies.first();
        QVERIFY2(dialogs.messages.first().contains(path) && dialogs.messages.first().contains(kept),
            qPrintable(dialogs.messages.first()));
        QCOMPARE(fileBytes(kept), old);
    }

    // A save that waits for another one, which a crash ends after another program changed the file, sets that
    // save's copy aside and tells of it once, naming both files.
    void aSaveAfterACrashedOneTellsOfTheCopySetAside()
    {
        const QString path = m_env->path(u"song.mp3"_s);
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path) && linkPath(path, path + u".link"_s));
        const QByteArray old = fileBytes(path);
        std::thread waiting;
        bool saved = true;
        QString error;
        const auto meanwhile = [&] {
            waiting = std::thread([&] { saved = saveTitle(path, u"Mine"_s, &error); });
            QThread::msleep(300);
            QVERIFY(otherTaggerSetsArtist(path, u"Other"_s));
        };
        QVERIFY(tracedSave(path, u"Cut Title"_s, {SaveStop::Write, 1}, meanwhile, true).stopped);
        waiting.join();
        // Read before the other program's change, it is refused; read after it (on a slow machine), it goes through.
        QVERIFY2(saved || error.contains(u"changed by another program"_s), qPrintable(error));
        const QStringList notices = TagNotices::take();
        const QStringList copies = leftInRecovery();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(notices.size(), 1);
        QVERIFY2(
            notices.first().contains(path) && notices.first().contains(copies.first()), qPrintable(notices.first()));
        QCOMPARE(fileBytes(RecoveryFolder::path() + u'/' + copies.first()), old);
    }

private:
    struct Sample
    {
        QString title;
        QByteArray old, saved, edited, halfSaved;
    };
    // Files for the rounds below: one whose tag grows (every byte behind it moves), one whose tag fits its room. For
    // each, what an undisturbed save makes of it and of its first half, and what another tagger makes of it.
    void prepareSamples()
    {
        for (const auto &[name, title] : {std::pair {"tags-none.mp3", "Grown Title"}, {"tags-v1v2.mp3", "Short"}}) {
            Sample sample {QString::fromLatin1(title), fileBytes(testData(QString::fromLatin1(name))), {}, {}, {}};
            const QString original = testData(QString::fromLatin1(name));
            const QString clean = m_samples.filePath(u"clean-"_s + QString::fromLatin1(name));
            const QString other = m_samples.filePath(u"other-"_s + QString::fromLatin1(name));
            const QString half = m_samples.filePath(u"half-"_s + QString::fromLatin1(name));
            QString error;
            QVERIFY(writeFileBytes(clean, sample.old) && writeFileBytes(other, sample.old)
                && writeFileBytes(half, sample.old.left(sample.old.size() / 2)));
            QVERIFY2(saveTitle(clean, sample.title, &error), qPrintable(error));
            if (saveTitle(half, sample.title, &error))
                sample.halfSaved = fileBytes(half);
            QVERIFY(otherTaggerSetsArtist(other, u"Other"_s));
            const QJsonObject tags = mutagenTags({original, clean, other});
            QCOMPARE(mutagenSees(tags, clean, "TIT2"), sample.title);
            QCOMPARE(mutagenSees(tags, clean, "audio"), mutagenSees(tags, original, "audio"));
            QCOMPARE(mutagenSees(tags, other, "TPE1"), u"Other"_s);
            sample.saved = fileBytes(clean);
            sample.edited = fileBytes(other);
            m_sampleList.append(sample);
        }
    }

    std::unique_ptr<TestEnvironment> m_env;
    QTemporaryDir m_samples;
    QList<Sample> m_sampleList;
    int m_calls = 0; // the system calls of one save
};

QTEST_MAIN(TstTagSafety)
#include "tst_tagsafety.moc"
