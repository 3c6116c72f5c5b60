// The ID3 playlist: rows from tags, rebuilds following the main playlist, cancelling, selection, durations.
#include "playlist/form5.h"

#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/fakeplayer.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "fakes/visiblerows.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstForm5 : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_main = std::make_unique<FakeMainWindow>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_factory = std::make_unique<FakePlayerFactory>();
    }
    void cleanup()
    {
        m_rebuilt.reset();
        delete m_form;
        m_factory.reset();
        m_dialogs.reset();
        m_main.reset();
        m_env.reset();
    }
    void rowForms_data()
    {
        QTest::addColumn<QString>("entry"); // "@" stands for the test data folder
        QTest::addColumn<bool>("withRoot");
        QTest::addColumn<QString>("row");
        QTest::newRow("song only") << "@/id3-song-only.mp3" << false << "1 . Lonely Song";
        QTest::newRow("artist only") << "@/id3-artist-only.mp3" << false << "1 . Lonely Artist";
        QTest::newRow("untagged file") << "@/tone-22k-mono.mp3" << false << "1 . tone-22k-mono";
        QTest::newRow("relative under root") << "song2.mp3" << true << "1 . Song 2 - Artist 2";
        QTest::newRow("relative without root") << "song2.mp3" << false << "1 . song2";
        QTest::newRow("FLAC") << "@/fmt.flac" << false << "1 . Flac Song - Flac Artist";
        QTest::newRow("FLAC named .mp3") << "@/fmt-flac-named.mp3" << false << "1 . Flac Song - Flac Artist";
        QTest::newRow("Ogg Vorbis") << "@/fmt.ogg" << false << "1 . Vorbis Song - Vorbis Artist";
        QTest::newRow("Opus") << "@/fmt.opus" << false << "1 . Opus Song - Ünïcödé Künstler";
        QTest::newRow("M4A") << "@/fmt.m4a" << false << "1 . M4a Song - M4a Artist";
        QTest::newRow("WAV, RIFF INFO") << "@/fmt-wav-info.wav" << false << "1 . Wave Song - Wave Artist";
        QTest::newRow("WAV, ID3 chunk") << "@/fmt-wav-id3.wav" << false << "1 . Chunk Song - Chunk Artist";
        QTest::newRow("AIFF") << "@/fmt.aiff" << false << "1 . Aiff Song - Aiff Artist";
        QTest::newRow("URL") << "http://example.invalid/radio/cbr%20128.mp3" << false << "1 . cbr 128";
    }
    void rowForms()
    {
        QFETCH(QString, entry);
        QFETCH(bool, withRoot);
        QFETCH(QString, row);
        entry.replace(u'@', testDataDir());
        if (withRoot)
            m_main->root = testDataDir() + u'/';
        m_main->list->add(entry);
        Form5 *form = makeForm();
        waitForRebuilds(1);
        QCOMPARE(visibleRows(form->List2), QStringList {row});
    }
    void followsTheMainPlaylist()
    {
        Form5 *form = makeForm();
        // Closing only hides: the window keeps following the main playlist.
        form->close();
        QVERIFY(m_form && form->isHidden());
        m_main->list->add(testData(u"song2.mp3"_s));
        waitForRebuilds(1);
        form->show();
        // A batch and a single add in the same turn of the event loop cause one rebuild; rows follow the sorted order.
        m_main->list->addMany({testData(u"song3.mp3"_s), u"C:\\z\\last.mp3"_s});
        m_main->list->add(testData(u"song1.mp3"_s));
        waitForRebuilds(2);
        QCOMPARE(m_dialogs->messages, QStringList(2, u"Please be patient ! This could take a minute !"_s));
        QCOMPARE(visibleRows(form->List2),
            split("1 . Song 1 - Artist 1|2 . Song 2 - Artist 2|3 . Song 3 - Artist 3|4 . last"));
        QCOMPARE(m_main->list->listIndex(), 3);
        m_main->list->clear();
        waitForRebuilds(3);
        QCOMPARE(form->List2->count(), 0);
        // Then the window rests: its check of the main playlist does not keep waking it.
        QSignalSpy checks(form->Timer1, &QTimer::timeout);
        QTest::qWait(200);
        QVERIFY2(checks.size() <= 1, qPrintable(QString::number(checks.size())));
    }
    void changeDuringARebuildEndsInStep()
    {
        m_main->list->addMany(QStringList(600, testData(u"song1.mp3"_s)));
        Form5 *form = makeForm();
        // Once the first rows are in, an entry is added at the end of the list.
        bool added = false;
        connect(form->List2->model(), &QAbstractItemModel::rowsInserted, form, [&] {
            if (!std::exchange(added, true))
                m_main->list->add(u"C:\\zz\\late.mp3"_s);
        });
        // The read under way may still end before the next one starts; the rows end in step all the same.
        QTRY_VERIFY_WITH_TIMEOUT(added && !form->isRebuilding() && form->List2->count() == 601, 30000);
        // Every row once, in order: nothing of the abandoned read, chunks of parallel readers in place.
        for (int i = 0; i < 600; ++i)
            QCOMPARE(form->List2->item(i)->text(), u"%1 . Song 1 - Artist 1"_s.arg(i + 1));
        QCOMPARE(form->List2->item(600)->text(), u"601 . late"_s);
    }
    void destroyingDoesNotWaitForReads()
    {
        // The threads reading tags, by the name they give themselves.
        const auto readers = [] { return threadsNamed("quillet-tags"); };
        QTRY_COMPARE_WITH_TIMEOUT(readers(), 0, 20000); // readers let go by earlier tests
        m_main->list->addMany(QStringList(200, slowFile()));
        makeForm();
        QTRY_VERIFY(m_form->isRebuilding() && readers() > 0);
        delete m_form;
        // The readers are still inside a tag when the window is gone: nothing waited for them. Then they end, posting
        // nothing to the destroyed window.
        QVERIFY(readers() > 0);
        QTRY_COMPARE_WITH_TIMEOUT(readers(), 0, 20000);
    }
    void keepsTheSelectionMadeDuringARebuild()
    {
        m_main->list->addMany(QStringList(100, slowFile()));
        m_main->list->resize(300, 300);
        m_main->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_main->window));
        Form5 *form = makeForm();
        QTRY_VERIFY(form->isRebuilding());
        PlaylistView *list = m_main->list;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
        waitForRebuilds(1);
        QCOMPARE(list->selectedRows(), QList<int> {2});
        QCOMPARE(list->listIndex(), 2);
    }
    void durations()
    {
        m_factory.reset();
        m_main->list->addMany({testData(u"tone-187s.mp3"_s), u"relative.mp3"_s});
        Form5 *form = makeForm();
        waitForRebuilds(1);
        QListWidget *list = form->List2;
        // A relative entry without a root directory opens the chooser instead.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(m_main->rootChooserCount, 1);
        QCOMPARE(form->windowTitle(), u"ID3 Playlist"_s);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(form->windowTitle(), u"ID3 Playlist - Time 03:07"_s);
        // Enter, a double-click and the Play button each play the row.
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(m_main->startSelectedCount, 1);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(m_main->startSelectedCount, 2);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(m_main->startSelectedCount, 3);
    }

private:
    Form5 *makeForm()
    {
        m_form = new Form5;
        m_rebuilt = std::make_unique<QSignalSpy>(m_form.data(), &Form5::rebuilt);
        m_form->show();
        return m_form;
    }
    void waitForRebuilds(int count)
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_rebuilt->size(), count, 30000);
        QTest::qWait(20);
        QCOMPARE(m_rebuilt->size(), count);
        QVERIFY(!m_form->isRebuilding());
    }
    // An MP3 whose 24 MiB ID3v2 tag of padding takes the tag reader a moment to read.
    QString slowFile()
    {
        const QString path = m_env->path(u"slow.mp3"_s);
        QFile file(path);
        const int body = 24 << 20;
        const char header[10] = {'I', 'D', '3', 3, 0, 0, char((body >> 21) & 0x7f), char((body >> 14) & 0x7f),
            char((body >> 7) & 0x7f), char(body & 0x7f)};
        if (!file.open(QIODevice::WriteOnly) || file.write(header, 10) != 10 || !file.seek(10 + body))
            return {};
        file.write(fileBytes(testData(u"tone-22k-mono.mp3"_s)));
        return path;
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeMainWindow> m_main;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<FakePlayerFactory> m_factory;
    QPointer<Form5> m_form;
    std::unique_ptr<QSignalSpy> m_rebuilt;
};

QTEST_MAIN(TstForm5)
#include "tst_form5.moc"
