// What a tag save promises about the file itself: nothing is written over a file that changed since it was read,
// a replaced file keeps its owner, group, mode and extended attributes, and a full disk (or one that takes no bytes
// and reports no error) is named and leaves nothing behind.
#include "tags/filesnapshot.h"
#include "tags/recoveryfolder.h"
#include "tags/tagfilewriter.h"

#include "fakes/childprocess.h"
#include "fakes/tagfiles.h"
#include "fakes/tagsaves.h"
#include "fakes/testenv.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

QMap<QByteArray, QByteArray> attributes(const QString &path)
{
    QMap<QByteArray, QByteArray> found;
    const QByteArray file = QFile::encodeName(path);
    char names[4096];
    const ssize_t size = ::listxattr(file.constData(), names, sizeof names);
    for (const QByteArray &name : QByteArray(names, std::max<ssize_t>(size, 0)).split('\0')) {
        char value[4096];
        if (!name.isEmpty())
            found.insert(name, QByteArray(value, ::getxattr(file.constData(), name.constData(), value, 4096)));
    }
    return found;
}

// An access ACL (the kernel's xattr form) that gives the file's owner, group and others the bits of mode, and one
// more user read and write.
QByteArray accessAcl(uint mode, quint32 extraUser)
{
    QByteArray acl(4, '\0');
    qToLittleEndian(quint32(2), acl.data());
    const auto entry = [&acl](quint16 tag, uint permissions, quint32 id) {
        char bytes[8];
        qToLittleEndian(tag, bytes);
        qToLittleEndian(quint16(permissions), bytes + 2);
        qToLittleEndian(id, bytes + 4);
        acl.append(bytes, 8);
    };
    entry(0x01, mode >> 6 & 7, ~0u); // owner
    entry(0x02, 6, extraUser);
    entry(0x04, mode >> 3 & 7, ~0u); // group
    entry(0x10, 6, ~0u); // mask
    entry(0x20, mode & 7, ~0u); // others
    return acl;
}

} // namespace

class TstTagFileWriter : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        // Children that drop to other users find their way in.
        QVERIFY(chmodPath(m_env->root(), 0755));
    }
    void cleanup() { m_env.reset(); }
    void changedBeforeTheWrite_data()
    {
        QTest::addColumn<QString>("change");
        for (const char *change : {"truncated", "replaced", "rewritten, time kept", "appended to"})
            QTest::newRow(change) << change;
    }
    // Another program changes the file between the read and the write: nothing is written.
    void changedBeforeTheWrite()
    {
        QFETCH(QString, change);
        const QString path = m_env->path(u"song.mp3"_s);
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path));
        FileSnapshot read;
        QString error;
        QVERIFY2(read.read(path, qint64(1) << 30, &error), qPrintable(error));
        const QByteArray newData = QByteArray(read.bytes).replace("Both Artist", "Both Artisz");

        const QByteArray file = QFile::encodeName(path);
        if (change == QLatin1String("truncated")) {
            QVERIFY(::truncate(file.constData(), read.bytes.size() / 2) == 0);
        } else if (change == QLatin1String("replaced")) {
            QVERIFY(placeTestFile(u"tags-v23.mp3"_s, path + u".new"_s));
            QVERIFY(::rename(QFile::encodeName(path + u".new"_s).constData(), file.constData()) == 0);
        } else if (change == QLatin1String("appended to")) {
            QFile appended(path);
            QVERIFY(appended.open(QIODevice::Append) && appended.write("more") == 4);
        } else {
            // A tagger that restores the modification time after its edit.
            struct stat before = {};
            QVERIFY(::stat(file.constData(), &before) == 0);
            QVERIFY(writeFileBytes(path, QByteArray(read.bytes).replace("Both Album", "Both Albun")));
            const timespec times[2] {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, file.constData(), times, 0) == 0);
        }
        const QByteArray changed = fileBytes(path);

        QVERIFY(!TagFileWriter::write(path, read, newData, &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(fileBytes(path), changed);
        QVERIFY(!QFileInfo::exists(RecoveryFolder::path()));
    }
    void keepsOwnerModeAndAttributes_data()
    {
        QTest::addColumn<uint>("user"); // who saves, in a folder of their own
        QTest::addColumn<uint>("owner");
        QTest::addColumn<uint>("group");
        QTest::addColumn<uint>("mode");
        QTest::addColumn<bool>("replaced"); // by a new file, rather than written in place
        QTest::newRow("root saves another user's file") << 0u << uint(otherUser) << uint(otherUser) << 0640u << true;
        QTest::newRow("a user saves their own file") << uint(nobody) << uint(nobody) << uint(nobody) << 0604u << true;
        QTest::newRow("a user saves another user's file")
            << uint(nobody) << uint(otherUser) << uint(otherUser) << 0666u << false;
        QTest::newRow("a user saves their own file of another group")
            << uint(nobody) << uint(nobody) << uint(otherUser) << 0664u << false;
    }
    void keepsOwnerModeAndAttributes()
    {
        QFETCH(uint, user);
        QFETCH(uint, owner);
        QFETCH(uint, group);
        QFETCH(uint, mode);
        QFETCH(bool, replaced);
        const QString folder = m_env->path(u"music"_s);
        const QString path = folder + u"/song.mp3"_s;
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path) && chownPath(folder, user));
        const QByteArray file = QFile::encodeName(path);
        QVERIFY(::chown(file.constData(), owner, group) == 0 && ::chmod(file.constData(), mode) == 0);
        const QByteArray acl = accessAcl(mode, 65532);
        QVERIFY(::setxattr(file.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0);
        QVERIFY(::setxattr(file.constData(), "user.quillet.note", "keep me", 7, 0) == 0);
        struct stat before = {};
        QVERIFY(::stat(file.constData(), &before) == 0);
        const QMap<QByteArray, QByteArray> kept = attributes(path);
        QCOMPARE(kept.size(), 2);

        // An in-place save needs a data folder of the user's own.
        const QString data = m_env->path(u"user-data"_s);
        QVERIFY(QDir().mkpath(data) && chownPath(data, user));
        qputenv("QUILLET_DATA_DIR", QFile::encodeName(data));
        QString error;
        const bool saved = asUser(
            user, [&path](QString *message) { return saveTitle(path, u"Kept Title"_s, message); }, &error);
        qputenv("QUILLET_DATA_DIR", QFile::encodeName(m_env->dataDir()));
        QVERIFY2(saved, qPrintable(error));

        struct stat after = {};
        QVERIFY(::stat(file.constData(), &after) == 0);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(attributes(path), kept);
        QCOMPARE(after.st_ino != before.st_ino, replaced);
        QCOMPARE(mutagenSees(mutagenTags({path}), path, "TIT2"), u"Kept Title"_s);
    }
    // A folder that takes no new files, not even from root (chattr +i): the save goes into the file itself.
    void savesInAFolderThatTakesNoNewFiles()
    {
        const QString folder = m_env->path(u"locked"_s), path = folder + u"/song.mp3"_s;
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path));
        QCOMPARE(QProcess::execute(u"chattr"_s, {u"+i"_s, folder}), 0);
        const auto unlock = qScopeGuard([&folder] { QProcess::execute(u"chattr"_s, {u"-i"_s, folder}); });
        QString error;
        QVERIFY2(saveTitle(path, u"Kept Title"_s, &error), qPrintable(error));
        QCOMPARE(mutagenSees(mutagenTags({path}), path, "TIT2"), u"Kept Title"_s);
    }
    void fullDisk_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("roomForTheOldFile"); // but not for the grown one
        // Or a disk that takes no bytes and reports no error, as some network and FUSE file systems do when full.
        QTest::addColumn<Writes>("writes");
        QTest::newRow("no room for a copy") << true << false << Writes::Served;
        QTest::newRow("room for the old file only") << true << true << Writes::Served;
        QTest::newRow("no room for the new file") << false << false << Writes::Served;
        QTest::newRow("a disk that takes nothing and says nothing") << true << false << Writes::TakeNothing;
        // The song on a disk that drops one write, the copy on a good one: the file is put back, and the copy and its
        // folder removed.
        QTest::newRow("a song's disk that drops a write") << true << false << Writes::TakeNothingOnceIntoTheFile;
        // A disk that takes the bytes but fails to store them: the save is not reported as done.
        QTest::newRow("a song's disk that fails to store it") << true << false << Writes::FlushOfTheFileFails;
    }
    // On a full disk a save names the reason, and leaves the file as it was and no folder behind.
    void fullDisk()
    {
        QFETCH(bool, inPlace);
        QFETCH(bool, roomForTheOldFile);
        QFETCH(Writes, writes);
        const bool silent = writes != Writes::Served;
#if !defined(__x86_64__)
        if (silent)
            QSKIP("the traced save changes its write calls on x86-64 only");
#endif
        const QString path = m_env->path(u"song.mp3"_s);
        QVERIFY(placeTestFile(u"tags-none.mp3"_s, path) && (!inPlace || linkPath(path, path + u".link"_s)));
        const QByteArray old = fileBytes(path);
        const QString clean = m_env->path(u"clean.mp3"_s);
        QString error;
        QVERIFY(writeFileBytes(clean, old) && saveTitle(clean, u"Grown Title"_s, &error));
        const qint64 grown = fileBytes(clean).size();

        bool saved = false;
        if (silent) {
            // A save that keeps retrying is stopped at its 20,000th system call; a whole save makes a few hundred.
            const TracedSave traced = tracedSave(path, u"Grown Title"_s, {SaveStop::Call, 20000}, {}, true, writes);
            QVERIFY2(!traced.stopped, "the save hangs, retrying a write that takes nothing");
            saved = traced.saved;
            error = traced.error;
        } else {
            // As root no permission stops a write, but a file size limit does.
            rlimit was {};
            getrlimit(RLIMIT_FSIZE, &was);
            const rlimit full {rlim_t(roomForTheOldFile ? (old.size() + grown) / 2 : old.size() / 2), was.rlim_max};
            std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &full);
            saved = saveTitle(path, u"Grown Title"_s, &error);
            setrlimit(RLIMIT_FSIZE, &was);
            std::signal(SIGXFSZ, SIG_DFL);
        }

        QVERIFY(!saved);
        QVERIFY2(error.contains(path) && error.contains(qt_error_string(silent ? EIO : EFBIG)), qPrintable(error));
        QCOMPARE(fileBytes(path), writes == Writes::FlushOfTheFileFails ? fileBytes(clean) : old);
        QVERIFY2(!QFileInfo::exists(RecoveryFolder::path()), "the recovery folder was left behind");
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TstTagFileWriter)
#include "tst_tagfilewriter.moc"
