#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/filetree.h"
#include "fakes/testenv.h"
#include "playlist/directorylist.h"
#include "playlist/drivelist.h"
#include "playlist/filelist.h"
#include "playlist/filepattern.h"
#include "playlist/form2.h"
#include "playlist/playlistmodel.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;

class TstForm2 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void browserPattern_data();
    void browserPattern();
    void listsMatchingFilesOnly();
    void addsTheDirectoryWithOneSeparator();
    void joinsAtTheRoot();
    void emptyDirectorySaysSo();
    void doubleClickPlaysWithoutAdding();
    void losingFocusClearsTheCurrentFile();
    void directoryListFollowsFolders();
    void driveThatCannotBeReadIsIgnored();
    void paintsTheGradientBackground();
    void doneKeepsTheWindowCloseDestroysIt();

private:
    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeMainWindow> m_main;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
    QPointer<Form2> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstForm2::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_main = std::make_unique<testing::FakeMainWindow>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_form = new Form2;
}

void TstForm2::cleanup()
{
    delete m_form;
    Form2::unload();
    m_dir.reset();
    m_dialogs.reset();
    m_main.reset();
    m_env.reset();
}

void TstForm2::browserPattern_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");

    QTest::newRow("mp3") << "song.mp3" << true;
    QTest::newRow("MP3 upper case") << "SONG.MP3" << true;
    QTest::newRow("mixed case wav") << "take.WaV" << true;
    QTest::newRow("m3u with dot") << "list.m3u" << true;
    QTest::newRow("m3u without dot") << "listm3u" << true;
    QTest::newRow("no extension") << "README" << true;
    QTest::newRow("midi data") << "x.mdi" << true;
    QTest::newRow("aiff") << "x.aiff" << true;
    QTest::newRow("text") << "notes.txt" << false;
    QTest::newRow("mp3 not at the end") << "song.mp3.part" << false;
    QTest::newRow("two extensions, last unknown") << "a.b.c" << false;
    QTest::newRow("mpeg") << "film.mpeg" << true;
    QTest::newRow("flac is not in the list") << "a.flac" << false;
}

void TstForm2::browserPattern()
{
    QFETCH(QString, name);
    QFETCH(bool, listed);
    QCOMPARE(FilePattern(browserFilePattern()).matches(name), listed);
}

void TstForm2::listsMatchingFilesOnly()
{
    const QString root = m_dir->path();
    const QStringList files = {QStringLiteral("b.MP3"), QStringLiteral("A.wav"), QStringLiteral("c.m3u"),
        QStringLiteral("README"), QStringLiteral("listm3u"), QStringLiteral("skip.txt"), QStringLiteral(".hidden.mp3"),
        QStringLiteral("folder.mp3/inside.mp3")};
    for (const QString &file : files)
        QVERIFY(testing::makeFile(root, file));
    QVERIFY(m_form->Dir1->setPath(root));
    QCOMPARE(m_form->File1->path(), root);
    // Alphabetical without regard to case; folders and hidden files stay out.
    QCOMPARE(m_form->File1->fileNames(),
        QStringList({QStringLiteral("A.wav"), QStringLiteral("b.MP3"), QStringLiteral("c.m3u"),
            QStringLiteral("listm3u"), QStringLiteral("README")}));
}

void TstForm2::addsTheDirectoryWithOneSeparator()
{
    const QString root = m_dir->path() + QStringLiteral("/dir");
    QVERIFY(testing::makeFile(root, QStringLiteral("y.wma")));
    QVERIFY(testing::makeFile(root, QStringLiteral("x.mp3")));
    m_main->list->add(QStringLiteral("/zzz.mp3"));
    // The directory given with a trailing separator still joins with exactly one.
    QVERIFY(m_form->Dir1->setPath(root + QLatin1Char('/')));

    QSignalSpy counts(m_main->list->playlist(), &PlaylistModel::countChanged);
    QTest::mouseClick(m_form->Command1, Qt::LeftButton);
    const QString x = root + QStringLiteral("/x.mp3");
    const QString y = root + QStringLiteral("/y.wma");
    QCOMPARE(m_main->list->entries(), QStringList({x, y, QStringLiteral("/zzz.mp3")}));
    QCOMPARE(counts.count(), 1);
    QCOMPARE(m_form->File1->listIndex(), 1);
    QVERIFY(m_dialogs->messages.isEmpty());

    // Nothing prevents adding a directory twice; equal entries sit next to each other.
    m_form->Command1_Click();
    QCOMPARE(m_main->list->entries(), QStringList({x, x, y, y, QStringLiteral("/zzz.mp3")}));
}

void TstForm2::joinsAtTheRoot()
{
    FileList list;
    QVERIFY(list.setPath(QStringLiteral("/")));
    QCOMPARE(list.filePath(QStringLiteral("x.mp3")), QStringLiteral("/x.mp3"));
    QVERIFY(list.setPath(m_dir->path()));
    QCOMPARE(list.filePath(QStringLiteral("x.mp3")), m_dir->path() + QStringLiteral("/x.mp3"));
}

void TstForm2::emptyDirectorySaysSo()
{
    QVERIFY(testing::makeFile(m_dir->path(), QStringLiteral("only.txt")));
    QVERIFY(m_form->Dir1->setPath(m_dir->path()));
    m_main->list->add(QStringLiteral("/kept.mp3"));
    m_form->Command1_Click();
    QCOMPARE(m_dialogs->messages, QStringList {QStringLiteral("All Files In This Directory Added !")});
    QCOMPARE(m_main->list->entries(), QStringList {QStringLiteral("/kept.mp3")});
}

void TstForm2::doubleClickPlaysWithoutAdding()
{
    QVERIFY(testing::makeFile(m_dir->path(), QStringLiteral("a.mp3")));
    QVERIFY(testing::makeFile(m_dir->path(), QStringLiteral("b.mp3")));
    QVERIFY(m_form->Dir1->setPath(m_dir->path()));
    m_main->currentIndex = QStringLiteral("7");
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    const QRect rect = m_form->File1->visualItemRect(m_form->File1->item(1));
    QTest::mouseClick(m_form->File1->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(m_form->File1->viewport(), Qt::LeftButton, {}, rect.center());

    QCOMPARE(
        m_main->player.calls, QStringList {QStringLiteral("setFileName ") + m_dir->path() + QStringLiteral("/b.mp3")});
    QCOMPARE(m_main->status, QStringLiteral("Playing.."));
    QCOMPARE(m_main->currentIndex, QStringLiteral("7"));
    QCOMPARE(m_main->list->count(), 0);

    // Without a current file a double-click does nothing.
    m_form->File1->setListIndex(-1);
    m_form->File1_DblClick();
    QCOMPARE(m_main->player.calls.size(), 1);
}

void TstForm2::losingFocusClearsTheCurrentFile()
{
    QVERIFY(testing::makeFile(m_dir->path(), QStringLiteral("a.mp3")));
    QVERIFY(m_form->Dir1->setPath(m_dir->path()));
    m_form->show();
    QApplication::setActiveWindow(m_form);
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_form->File1->setFocus();
    QTRY_VERIFY(m_form->File1->hasFocus());
    m_form->File1->setListIndex(0);
    m_form->Command4->setFocus();
    QTRY_COMPARE(m_form->File1->listIndex(), -1);
}

void TstForm2::directoryListFollowsFolders()
{
    const QString root = m_dir->path();
    QVERIFY(testing::makeFile(root, QStringLiteral("beta/inner.mp3")));
    QVERIFY(testing::makeFile(root, QStringLiteral("Alpha/x.mp3")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/.cache")));
    QVERIFY(testing::makeFile(root, QStringLiteral("top.mp3")));
    QVERIFY(m_form->Dir1->setPath(root));
    QCOMPARE(m_form->Dir1->subdirectories(), QStringList({QStringLiteral("Alpha"), QStringLiteral("beta")}));

    // Activating a folder opens it, and the file list follows.
    QSignalSpy changed(m_form->Dir1, &DirectoryList::pathChanged);
    QTreeWidgetItem *open = m_form->Dir1->currentItem();
    QVERIFY(open);
    emit m_form->Dir1->itemActivated(open->child(1), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_form->Dir1->path(), root + QStringLiteral("/beta"));
    QCOMPARE(m_form->File1->fileNames(), QStringList {QStringLiteral("inner.mp3")});

    // The chain above the open folder leads back up.
    QTreeWidgetItem *parent = m_form->Dir1->currentItem()->parent();
    QVERIFY(parent);
    emit m_form->Dir1->itemActivated(parent, 0);
    QCOMPARE(m_form->Dir1->path(), root);
    QCOMPARE(m_form->File1->fileNames(), QStringList {QStringLiteral("top.mp3")});

    // A folder that cannot be opened keeps the list where it was.
    QVERIFY(!m_form->Dir1->setPath(root + QStringLiteral("/missing")));
    QVERIFY(!m_form->Dir1->setPath(root + QStringLiteral("/top.mp3")));
    QCOMPARE(m_form->Dir1->path(), root);
}

void TstForm2::driveThatCannotBeReadIsIgnored()
{
    const QString usable = m_dir->path() + QStringLiteral("/usable");
    QVERIFY(testing::makeFile(usable, QStringLiteral("song.mp3")));
    m_form->Drive1->setDrives(
        {{m_dir->path() + QStringLiteral("/no-medium"), QStringLiteral("gone")}, {usable, QStringLiteral("usable")}});
    m_form->Drive1->setCurrentIndex(1);
    QCOMPARE(m_form->Dir1->path(), usable);
    QCOMPARE(m_form->File1->fileNames(), QStringList {QStringLiteral("song.mp3")});
    m_form->Drive1->setCurrentIndex(0);
    QCOMPARE(m_form->Dir1->path(), usable);
    QCOMPARE(m_form->File1->fileNames(), QStringList {QStringLiteral("song.mp3")});
    QCOMPARE(m_form->Drive1->drive(), usable);

    // Wherever the directory list goes, the drive list names its drive.
    m_form->Drive1->setDrives({{QStringLiteral("/"), QStringLiteral("/")}, {usable, QStringLiteral("usable")}});
    QVERIFY(m_form->Dir1->setPath(m_dir->path()));
    QCOMPARE(m_form->Drive1->drive(), QStringLiteral("/"));
    QVERIFY(testing::makeFile(usable, QStringLiteral("inner/x.mp3")));
    QVERIFY(m_form->Dir1->setPath(usable + QStringLiteral("/inner")));
    QCOMPARE(m_form->Drive1->drive(), usable);

    // The real list starts with the root and offers only directories.
    const QList<Drive> drives = DriveList::mountedDrives();
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first().path, QStringLiteral("/"));
    for (const Drive &drive : drives)
        QVERIFY2(QFileInfo(drive.path).isDir(), qPrintable(drive.path));
}

void TstForm2::paintsTheGradientBackground()
{
    const QImage image = m_form->grab().toImage();
    QCOMPARE(QColor(image.pixel(0, 0)), QColor(0, 0, 0));
    QCOMPARE(QColor(image.pixel(0, image.height() - 1)), QColor(0, 0, 255));
    QCOMPARE(QColor(image.pixel(image.width() - 1, image.height() - 1)), QColor(0, 0, 255));
    const QColor middle(image.pixel(0, image.height() / 2));
    QCOMPARE(middle.red(), 0);
    QVERIFY(qAbs(middle.blue() - 128) <= 2);
}

void TstForm2::doneKeepsTheWindowCloseDestroysIt()
{
    QVERIFY(testing::makeFile(m_dir->path(), QStringLiteral("a.mp3")));
    Form2 *first = Form2::open();
    QCOMPARE(first->windowTitle(), QStringLiteral("Choose Directory"));
    QCOMPARE(first->parentWidget(), m_main->mainWidget());
    QVERIFY(first->Dir1->setPath(m_dir->path()));
    QTest::mouseClick(first->Command4, Qt::LeftButton);
    QVERIFY(!first->isVisible());
    QCOMPARE(Form2::open(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->Dir1->path(), m_dir->path());

    QPointer<Form2> closed = first;
    first->close();
    QTRY_VERIFY(closed.isNull());
    Form2 *second = Form2::open();
    QVERIFY(second->Dir1->path() != m_dir->path());
}

QTEST_MAIN(TstForm2)
#include "tst_form2.moc"
