#include "playlist/form5.h"

#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"
#include "playlist/playlistmodel.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace quillet;
using quillet::testing::testData;
using quillet::testing::testDataDir;

namespace {

const QString kPatience = QStringLiteral("Please be patient ! This could take a minute !");

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

} // namespace

class TstForm5 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rowsOfTaggedFiles();
    void rowForms_data();
    void rowForms();
    void rebuildsAfterAddingAndClearing();
    void keepsWatchingWhileHidden();
    void changeDuringARebuildEndsInStep();
    void clickProbesTheEntryUnderTheRoot();
    void durationOfARealFile();
    void relativeEntryWithoutRootOpensTheChooser();
    void playsARow_data();
    void playsARow();

private:
    Form5 *makeForm();
    void waitForRebuilds(int count);

    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeMainWindow> m_main;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
    std::unique_ptr<testing::FakePlayerFactory> m_factory;
    QPointer<Form5> m_form;
    std::unique_ptr<QSignalSpy> m_rebuilt;
};

void TstForm5::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_main = std::make_unique<testing::FakeMainWindow>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
    m_factory = std::make_unique<testing::FakePlayerFactory>();
}

void TstForm5::cleanup()
{
    m_rebuilt.reset();
    delete m_form;
    m_factory.reset();
    m_dialogs.reset();
    m_main.reset();
    m_env.reset();
}

Form5 *TstForm5::makeForm()
{
    m_form = new Form5;
    m_rebuilt = std::make_unique<QSignalSpy>(m_form.data(), &Form5::rebuilt);
    m_form->show();
    return m_form;
}

void TstForm5::waitForRebuilds(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_rebuilt->size(), count, 30000);
    // Nothing more may follow.
    QTest::qWait(20);
    QCOMPARE(m_rebuilt->size(), count);
    QVERIFY(!m_form->isRebuilding());
}

void TstForm5::rowsOfTaggedFiles()
{
    m_main->window.setWindowIcon(QIcon(QPixmap(16, 16)));
    for (int n = 3; n >= 1; --n)
        m_main->list->add(testData(QStringLiteral("song%1.mp3").arg(n)));
    Form5 *form = makeForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("ID3 Playlist"));
    QCOMPARE(form->windowIcon().cacheKey(), m_main->window.windowIcon().cacheKey());
    waitForRebuilds(1);

    QCOMPARE(m_dialogs->messages, QStringList {kPatience});
    QCOMPARE(rowsOf(form->List2),
        (QStringList {QStringLiteral("1 . Song 1 - Artist 1"), QStringLiteral("2 . Song 2 - Artist 2"),
            QStringLiteral("3 . Song 3 - Artist 3")}));
    QVERIFY(form->List2->isVisible());
    QCOMPARE(m_main->list->listIndex(), 2);
    QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
}

void TstForm5::rowForms_data()
{
    QTest::addColumn<QString>("entry"); // "@" stands for the test data folder
    QTest::addColumn<bool>("withRoot");
    QTest::addColumn<QString>("row");

    QTest::newRow("song and artist") << "@/song1.mp3" << false << "1 . Song 1 - Artist 1";
    QTest::newRow("song only") << "@/id3-song-only.mp3" << false << "1 . Lonely Song";
    QTest::newRow("artist only") << "@/id3-artist-only.mp3" << false << "1 . Lonely Artist";
    QTest::newRow("untagged file") << "@/tone-22k-mono.mp3" << false << "1 . tone-22k-mono";
    QTest::newRow("not media") << "@/random.mp3" << false << "1 . random";
    QTest::newRow("missing drive path") << "C:\\Music\\track.one.mp3" << false << "1 . track.one";
    QTest::newRow("no dot in the file name") << "C:\\my.music\\README" << false << "1 . C:\\my.music\\README";
    QTest::newRow("relative under root") << "song2.mp3" << true << "1 . Song 2 - Artist 2";
    QTest::newRow("relative without root") << "song2.mp3" << false << "1 . song2";
}

void TstForm5::rowForms()
{
    QFETCH(QString, entry);
    QFETCH(bool, withRoot);
    QFETCH(QString, row);

    entry.replace(QLatin1Char('@'), testDataDir());
    if (withRoot)
        m_main->root = testDataDir() + QLatin1Char('/');
    m_main->list->add(entry);
    Form5 *form = makeForm();
    waitForRebuilds(1);
    QCOMPARE(rowsOf(form->List2), QStringList {row});
}

void TstForm5::rebuildsAfterAddingAndClearing()
{
    m_main->list->add(testData(QStringLiteral("song2.mp3")));
    Form5 *form = makeForm();
    waitForRebuilds(1);

    m_main->list->add(testData(QStringLiteral("song1.mp3")));
    waitForRebuilds(2);
    QCOMPARE(rowsOf(form->List2),
        (QStringList {QStringLiteral("1 . Song 1 - Artist 1"), QStringLiteral("2 . Song 2 - Artist 2")}));

    // A batch, and single adds in the same turn of the event loop, cause one rebuild.
    m_main->list->addMany({QStringLiteral("C:\\z\\last.mp3"), QStringLiteral("C:\\a\\first.mp3")});
    m_main->list->add(testData(QStringLiteral("song3.mp3")));
    waitForRebuilds(3);
    QCOMPARE(m_dialogs->messages, QStringList(3, kPatience));
    // Rows follow the main list's sorted order.
    QCOMPARE(rowsOf(form->List2),
        (QStringList {QStringLiteral("1 . Song 1 - Artist 1"), QStringLiteral("2 . Song 2 - Artist 2"),
            QStringLiteral("3 . Song 3 - Artist 3"), QStringLiteral("4 . first"), QStringLiteral("5 . last")}));
    QCOMPARE(m_main->list->listIndex(), 4);

    m_main->list->clear();
    waitForRebuilds(4);
    QCOMPARE(m_dialogs->messages.size(), 4);
    QCOMPARE(form->List2->count(), 0);
    QVERIFY(form->List2->isVisible());
}

void TstForm5::keepsWatchingWhileHidden()
{
    Form5 *form = makeForm();
    // An empty main playlist matches the empty rows: no warning, no rebuild.
    QTest::qWait(20);
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_rebuilt->size(), 0);

    form->close();
    QVERIFY(m_form);
    QVERIFY(form->isHidden());
    m_main->list->add(testData(QStringLiteral("song3.mp3")));
    waitForRebuilds(1);
    QCOMPARE(m_dialogs->messages, QStringList {kPatience});
    QCOMPARE(rowsOf(form->List2), QStringList {QStringLiteral("1 . Song 3 - Artist 3")});
    QVERIFY(form->isHidden());
}

void TstForm5::changeDuringARebuildEndsInStep()
{
    QStringList entries;
    for (int i = 0; i < 1500; ++i)
        entries << testData(QStringLiteral("song1.mp3"));
    m_main->list->addMany(entries);
    Form5 *form = makeForm();
    // Once the first rows are in, an entry is added at the end of the list.
    bool added = false;
    connect(form->List2->model(), &QAbstractItemModel::rowsInserted, form, [&] {
        if (!added) {
            added = true;
            m_main->list->add(QStringLiteral("C:\\zz\\late.mp3"));
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(added, 30000);
    waitForRebuilds(1);
    QCOMPARE(m_dialogs->messages, QStringList(2, kPatience));
    // Every row once, in order: nothing of the abandoned read, chunks of parallel readers in place.
    const QStringList rows = rowsOf(form->List2);
    QCOMPARE(rows.size(), 1501);
    for (int i = 0; i < 1500; ++i)
        QCOMPARE(rows.at(i), QStringLiteral("%1 . Song 1 - Artist 1").arg(i + 1));
    QCOMPARE(rows.at(1500), QStringLiteral("1501 . late"));
    QCOMPARE(m_main->list->listIndex(), 1500);
}

void TstForm5::clickProbesTheEntryUnderTheRoot()
{
    m_main->root = QStringLiteral("/root/");
    m_main->list->add(QStringLiteral("/music/aaa.mp3"));
    m_main->list->add(QStringLiteral("sub/long.mp3"));
    Form5 *form = makeForm();
    waitForRebuilds(1);
    testing::FakePlayer *mp2 = m_factory->players.first();
    QCOMPARE(m_factory->purposes.first(), PlayerPurpose::Probe);
    mp2->probeDurations.insert(QStringLiteral("/root/sub/long.mp3"), 3725.0);

    QListWidget *list = form->List2;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(form->windowTitle(), QStringLiteral("ID3 Playlist - Time 62:05"));
    QCOMPARE(m_main->list->listIndex(), 1);
    QCOMPARE(mp2->calls,
        (QStringList {QStringLiteral("setFileName /root/sub/long.mp3"), QStringLiteral("stop"),
            QStringLiteral("probeDuration")}));
}

void TstForm5::durationOfARealFile()
{
    // The window's own player is the real engine here.
    m_factory.reset();
    m_main->list->add(testData(QStringLiteral("tone-187s.mp3")));
    Form5 *form = makeForm();
    waitForRebuilds(1);
    form->List2->setCurrentRow(0);
    form->List2_Click();
    QCOMPARE(form->windowTitle(), QStringLiteral("ID3 Playlist - Time 03:07"));
}

void TstForm5::relativeEntryWithoutRootOpensTheChooser()
{
    m_main->list->add(QStringLiteral("song1.mp3"));
    Form5 *form = makeForm();
    waitForRebuilds(1);
    form->List2->setCurrentRow(0);
    form->List2_Click();
    QCOMPARE(m_main->rootChooserCount, 1);
    QCOMPARE(form->windowTitle(), QStringLiteral("ID3 Playlist"));
    QVERIFY(m_factory->players.first()->calls.isEmpty());
}

void TstForm5::playsARow_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("double-click") << "double-click";
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("Play File") << "button";
}

void TstForm5::playsARow()
{
    QFETCH(QString, how);
    for (int n = 1; n <= 3; ++n)
        m_main->list->add(testData(QStringLiteral("song%1.mp3").arg(n)));
    Form5 *form = makeForm();
    waitForRebuilds(1);
    QListWidget *list = form->List2;

    // With no row chosen nothing is played.
    form->Command1->click();
    QCOMPARE(m_main->startSelectedCount, 0);

    list->setCurrentRow(1);
    if (how == QLatin1String("double-click")) {
        // The view takes a double-click only on the item the first click pressed.
        const QPoint centre = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    } else if (how == QLatin1String("Enter")) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
    } else {
        form->Command1->click();
    }
    QCOMPARE(m_main->startSelectedCount, 1);
    QCOMPARE(m_main->list->listIndex(), 1);
}

QTEST_MAIN(TstForm5)
#include "tst_form5.moc"
