// The video playlist window with a fake player and scripted dialogs: loading, the start timer's hand-over, the
// buttons and double-clicks, and the video playlist file as a user would find it on disk.
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"
#include "playlist/playlistfile.h"
#include "settings/settingsstore.h"
#include "video/form3.h"
#include "video/frmbrowser.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace quillet;

class TstForm3 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadsTheSavedList_data();
    void loadsTheSavedList();
    void loadingMinimisesTheMainWindowOnly();
    void handOverFromTheCommandLine_data();
    void handOverFromTheCommandLine();
    void doneWritesTheList_data();
    void doneWritesTheList();
    void doneKeepsTheWindowAndBringsBackTheMainWindow();
    void failedWriteIsReported();
    void closeBoxDiscardsAndTheNextOpeningLoadsAfresh();
    void browseRemembersTheChosenName();
    void playsFromTheTextBoxAndTheList_data();
    void playsFromTheTextBoxAndTheList();
    void addAndRemove();
    void videoHasAPlayerOfItsOwn();

private:
    void writeVideoList(const QByteArray &bytes);
    QByteArray videoListBytes() const;
    // Opens the window and lets its start timer run.
    Form3 *openAndSettle();

    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
    std::unique_ptr<testing::FakePlayerFactory> m_players;
    std::unique_ptr<testing::FakeMainWindow> m_main;
};

namespace {

const QString NoFile = QStringLiteral("Please Choose A File Name !");

void setVideoSetting(const char *key, const QString &value)
{
    if (!value.isNull())
        QVERIFY(SettingsStore::write(QStringLiteral("Video"), QLatin1String(key), value));
}

// The player of the display window, or nullptr when no video was played.
testing::FakePlayer *videoPlayer()
{
    frmBrowser *window = frmBrowser::instance();
    return window ? qobject_cast<testing::FakePlayer *>(window->Media1) : nullptr;
}

void doubleClickEntry(Form3 *form, int row)
{
    const QRect item = form->List1->visualItemRect(form->List1->item(row));
    QTest::mouseDClick(form->List1->viewport(), Qt::LeftButton, {}, item.center());
}

} // namespace

void TstForm3::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
    m_players = std::make_unique<testing::FakePlayerFactory>();
    m_main = std::make_unique<testing::FakeMainWindow>();
    m_main->window.show();
}

void TstForm3::cleanup()
{
    Form3::unload();
    frmBrowser::unload();
    m_main.reset();
    m_players.reset();
    m_dialogs.reset();
    m_env.reset();
}

void TstForm3::writeVideoList(const QByteArray &bytes)
{
    QFile file(PlaylistFile::defaultVideoPlaylistPath());
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TstForm3::videoListBytes() const
{
    QFile file(PlaylistFile::defaultVideoPlaylistPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

Form3 *TstForm3::openAndSettle()
{
    Form3 *form = Form3::open();
    if (!QTest::qWaitFor([form] { return !form->Timer1->isActive(); }))
        qWarning("the start timer did not run");
    return form;
}

void TstForm3::loadsTheSavedList_data()
{
    QTest::addColumn<QByteArray>("file"); // "<none>": no file at all
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no file") << QByteArray("<none>") << QStringList();
    QTest::newRow("CR LF lines in file order")
        << QByteArray("/v/b.avi\r\nhttp://host/a.mpg\r\n/v/c.mov\r\n")
        << QStringList {QStringLiteral("/v/b.avi"), QStringLiteral("http://host/a.mpg"), QStringLiteral("/v/c.mov")};
    QTest::newRow("LF lines from a Linux editor")
        << QByteArray("/v/a.avi\n/v/b.avi\n") << QStringList {QStringLiteral("/v/a.avi"), QStringLiteral("/v/b.avi")};
    QTest::newRow("empty first line hides the rest") << QByteArray("\r\n/v/a.avi\r\n/v/b.avi\r\n") << QStringList();
    QTest::newRow("empty first field hides the rest") << QByteArray(",x\r\n/v/a.avi\r\n") << QStringList();
    QTest::newRow("later empty lines are kept")
        << QByteArray("/v/a.avi\r\n\r\n/v/b.avi\r\n")
        << QStringList {QStringLiteral("/v/a.avi"), QString(), QStringLiteral("/v/b.avi")};
    QTest::newRow("entry with a comma read whole")
        << QByteArray("/v/one, two.avi\r\n") << QStringList {QStringLiteral("/v/one, two.avi")};
}

void TstForm3::loadsTheSavedList()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    if (file != "<none>")
        writeVideoList(file);

    Form3 *form = openAndSettle();
    QCOMPARE(form->entries(), expected);
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowTitle(), QStringLiteral("Video Player"));
    // The credit is the only message, and it names the engine that really decodes.
    QCOMPARE(m_dialogs->messages, QStringList {Form3::creditMessage()});
    const QString credit = Form3::creditMessage();
    QVERIFY(credit.startsWith(QStringLiteral("The Quillet Digital Video Player Uses mpv (libmpv ")));
    QVERIFY(credit.endsWith(QStringLiteral(" to decode Digital Video Files. So My Credit Goes To mpv ! ")));
    QVERIFY(!credit.contains(QStringLiteral("Microsoft")));
    // Nothing played: no hand-over.
    QVERIFY(frmBrowser::instance() == nullptr);
}

void TstForm3::loadingMinimisesTheMainWindowOnly()
{
    Form3 *form = openAndSettle();
    QVERIFY(m_main->window.windowState() & Qt::WindowMinimized);
    QVERIFY(!(form->windowState() & Qt::WindowMinimized));
    Form3::unload();

    // A main window hidden to the tray is not brought up by being minimised.
    m_main->window.setWindowState(Qt::WindowNoState);
    m_main->window.hide();
    openAndSettle();
    QVERIFY(!m_main->window.isVisible());
}

void TstForm3::handOverFromTheCommandLine_data()
{
    QTest::addColumn<QString>("open"); // null: not stored (default "0")
    QTest::addColumn<QString>("autoPlay"); // null: not stored (default "1")
    QTest::addColumn<QString>("handed");
    QTest::addColumn<bool>("added");
    QTest::addColumn<bool>("played");

    const QString video = QStringLiteral("/videos/clip.avi");
    QTest::newRow("open and auto") << QStringLiteral("1") << QStringLiteral("1") << video << true << true;
    QTest::newRow("defaults: play, do not add") << QString() << QString() << video << false << true;
    QTest::newRow("open only") << QStringLiteral("1") << QStringLiteral("0") << video << true << false;
    QTest::newRow("neither") << QStringLiteral("0") << QStringLiteral("0") << video << false << false;
    QTest::newRow("nothing handed over") << QStringLiteral("1") << QStringLiteral("1") << QString() << false << false;
}

void TstForm3::handOverFromTheCommandLine()
{
    QFETCH(QString, open);
    QFETCH(QString, autoPlay);
    QFETCH(QString, handed);
    QFETCH(bool, added);
    QFETCH(bool, played);
    setVideoSetting("Open", open);
    setVideoSetting("Auto", autoPlay);
    writeVideoList("/videos/saved.avi\r\n");

    // As the main window does it: open the window, then put the file into its text box.
    Form3 *form = Form3::open();
    form->handOver(handed);
    QTRY_VERIFY(!form->Timer1->isActive());

    QStringList expected {QStringLiteral("/videos/saved.avi")};
    if (added)
        expected << handed;
    QCOMPARE(form->entries(), expected);
    QCOMPARE(form->Text1->text(), handed);
    testing::FakePlayer *player = videoPlayer();
    QCOMPARE(player != nullptr, played);
    if (played) {
        QVERIFY(frmBrowser::instance()->isVisible());
        QCOMPARE(
            player->calls.filter(QStringLiteral("setFileName")), QStringList {QStringLiteral("setFileName ") + handed});
    }

    // A later hand-over to the open window is started as the first one was.
    form->handOver(QStringLiteral("/videos/later.avi"));
    QTRY_VERIFY(!form->Timer1->isActive());
    if (open == QLatin1String("1"))
        expected << QStringLiteral("/videos/later.avi");
    QCOMPARE(form->entries(), expected);
    if (played)
        QCOMPARE(player->calls.filter(QStringLiteral("setFileName")).size(), 2);
}

void TstForm3::doneWritesTheList_data()
{
    QTest::addColumn<QString>("save"); // null: not stored (default "1")
    QTest::addColumn<QByteArray>("before"); // the file before the window opens
    QTest::addColumn<QStringList>("added"); // typed and added in the window
    QTest::addColumn<int>("removeRows"); // entries removed from the top before Done
    QTest::addColumn<QByteArray>("after");

    const QStringList two {QStringLiteral("/v/z.avi"), QStringLiteral("http://host/a.mpg")};
    QTest::newRow("list order, CR LF lines") << QString() << QByteArray("/v/m.mov\r\n") << two << 0
                                             << QByteArray("/v/m.mov\r\n/v/z.avi\r\nhttp://host/a.mpg\r\n");
    QTest::newRow("save 1") << QStringLiteral("1") << QByteArray("<none>") << two << 0
                            << QByteArray("/v/z.avi\r\nhttp://host/a.mpg\r\n");
    QTest::newRow("save 0 leaves the file")
        << QStringLiteral("0") << QByteArray("/v/m.mov\r\n") << two << 0 << QByteArray("/v/m.mov\r\n");
    QTest::newRow("save 0 writes no file")
        << QStringLiteral("0") << QByteArray("<none>") << two << 0 << QByteArray("<missing>");
    QTest::newRow("all removed leaves the file") << QString() << QByteArray("/v/m.mov\r\n/v/n.mov\r\n") << QStringList()
                                                 << 2 << QByteArray("/v/m.mov\r\n/v/n.mov\r\n");
    QTest::newRow("empty lines left out") << QString() << QByteArray("/v/m.mov\r\n\r\n/v/n.mov\r\n") << QStringList()
                                          << 0 << QByteArray("/v/m.mov\r\n/v/n.mov\r\n");
    QTest::newRow("empty first line removed")
        << QString() << QByteArray("/v/m.mov\r\n\r\n/v/n.mov\r\n") << QStringList() << 1 << QByteArray("/v/n.mov\r\n");
    QTest::newRow("duplicates kept") << QString() << QByteArray("<none>")
                                     << QStringList {QStringLiteral("/v/a.avi"), QStringLiteral("/v/a.avi")} << 0
                                     << QByteArray("/v/a.avi\r\n/v/a.avi\r\n");
}

void TstForm3::doneWritesTheList()
{
    QFETCH(QString, save);
    QFETCH(QByteArray, before);
    QFETCH(QStringList, added);
    QFETCH(int, removeRows);
    QFETCH(QByteArray, after);
    setVideoSetting("Save", save);
    if (before != "<none>")
        writeVideoList(before);

    Form3 *form = openAndSettle();
    for (const QString &entry : added) {
        form->Text1->setText(entry);
        QTest::mouseClick(form->Command4, Qt::LeftButton);
    }
    for (int i = 0; i < removeRows; ++i) {
        form->List1->setCurrentRow(0);
        QTest::mouseClick(form->Command5, Qt::LeftButton);
    }
    const QStringList shown = form->entries();
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QCOMPARE(videoListBytes(), after);
    QCOMPARE(m_dialogs->messages.size(), 1); // the credit only

    // What was written reads back in the same order at the next run (empty lines aside).
    if (after != "<missing>" && after != before) {
        Form3::unload();
        QStringList expected = shown;
        expected.removeAll(QString());
        QCOMPARE(openAndSettle()->entries(), expected);
    }
}

void TstForm3::doneKeepsTheWindowAndBringsBackTheMainWindow()
{
    writeVideoList("/v/a.avi\r\n/v/b.avi\r\n/v/c.avi\r\n");
    QPointer<Form3> form = openAndSettle();
    QVERIFY(m_main->window.windowState() & Qt::WindowMinimized);
    form->Text1->setText(QStringLiteral("typed"));
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QVERIFY(!form->isVisible());
    QVERIFY(!(m_main->window.windowState() & Qt::WindowMinimized));
    QVERIFY(m_main->window.isVisible());
    // The last entry written is left current.
    QCOMPARE(form->List1->currentRow(), 2);

    // Opening again shows the same window as it was: no credit, no reload, no minimising.
    m_main->window.setWindowState(Qt::WindowNoState);
    writeVideoList("/v/other.avi\r\n");
    QCOMPARE(Form3::open(), form.data());
    QVERIFY(form->isVisible());
    QCOMPARE(form->Text1->text(), QStringLiteral("typed"));
    QCOMPARE(form->entries().size(), 3);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(!(m_main->window.windowState() & Qt::WindowMinimized));

    // A main window hidden to the tray stays hidden after Done.
    m_main->window.hide();
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QVERIFY(!m_main->window.isVisible());
}

void TstForm3::failedWriteIsReported()
{
    Form3 *form = openAndSettle();
    form->Text1->setText(QStringLiteral("/v/a.avi"));
    QTest::mouseClick(form->Command4, Qt::LeftButton);
    // The data directory lies below a regular file, so nothing can be written there.
    QFile blocker(m_env->path(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("QUILLET_DATA_DIR", m_env->path(QStringLiteral("blocker/data")).toUtf8());

    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QCOMPARE(m_dialogs->messages.size(), 2);
    QVERIFY(!m_dialogs->messages.last().isEmpty());
    QVERIFY(m_dialogs->messages.last() != Form3::creditMessage());
    // The list stays in the window.
    QCOMPARE(form->entries(), QStringList {QStringLiteral("/v/a.avi")});
}

void TstForm3::closeBoxDiscardsAndTheNextOpeningLoadsAfresh()
{
    writeVideoList("/v/saved.avi\r\n");
    QPointer<Form3> form = openAndSettle();
    form->Text1->setText(QStringLiteral("/v/new.avi"));
    QTest::mouseClick(form->Command4, Qt::LeftButton);
    QVERIFY(form->close());
    QTRY_VERIFY(form.isNull());
    QCOMPARE(videoListBytes(), QByteArray("/v/saved.avi\r\n"));

    m_main->window.setWindowState(Qt::WindowNoState);
    Form3 *again = openAndSettle();
    QCOMPARE(again->entries(), QStringList {QStringLiteral("/v/saved.avi")});
    QVERIFY(again->Text1->text().isEmpty());
    QCOMPARE(m_dialogs->messages, QStringList(2, Form3::creditMessage()));
    QVERIFY(m_main->window.windowState() & Qt::WindowMinimized);
}

void TstForm3::browseRemembersTheChosenName()
{
    Form3 *form = openAndSettle();
    m_dialogs->messages.clear();

    // Cancelled before anything was chosen.
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(m_dialogs->messages, QStringList {NoFile});
    QVERIFY(form->entries().isEmpty());
    QCOMPARE(m_dialogs->openRequests.size(), 1);
    QCOMPARE(m_dialogs->openRequests.first().title, QStringLiteral("Open File"));
    QCOMPARE(m_dialogs->openRequests.first().filter, QStringLiteral("All Files(*.*)|*.*"));
    QVERIFY(m_dialogs->openRequests.first().fileName.isEmpty());

    // Chosen: into the text box and onto the list.
    m_dialogs->openAnswers << QStringLiteral("/v/first.avi");
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(form->Text1->text(), QStringLiteral("/v/first.avi"));
    QCOMPARE(form->entries(), QStringList {QStringLiteral("/v/first.avi")});
    QCOMPARE(form->browsedFileName(), QStringLiteral("/v/first.avi"));

    // The dialog starts at the name chosen last; cancelling it adds nothing.
    form->Text1->setText(QStringLiteral("typed"));
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(m_dialogs->openRequests.last().fileName, QStringLiteral("/v/first.avi"));
    QCOMPARE(m_dialogs->messages, QStringList(2, NoFile));
    QCOMPARE(form->entries(), QStringList {QStringLiteral("/v/first.avi")});
    QCOMPARE(form->Text1->text(), QStringLiteral("typed"));
    QCOMPARE(form->browsedFileName(), QStringLiteral("/v/first.avi"));
}

void TstForm3::playsFromTheTextBoxAndTheList_data()
{
    QTest::addColumn<QString>("action"); // play, text, list
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("browsedFirst");
    QTest::addColumn<int>("listRow"); // -1: no current entry
    QTest::addColumn<QString>("played"); // empty: the message instead

    const QString url = QStringLiteral("http://host/stream.mpg");
    QTest::newRow("play typed URL") << "play" << url << false << -1 << url;
    QTest::newRow("play empty text") << "play" << QString() << true << -1 << QString();
    QTest::newRow("text double-click before any browse") << "text" << url << false << -1 << QString();
    QTest::newRow("text double-click after a browse") << "text" << url << true << -1 << url;
    QTest::newRow("list double-click on an entry") << "list" << url << false << 1 << QStringLiteral("/v/b.avi");
    QTest::newRow("list double-click on an empty entry") << "list" << url << false << 2 << QString();
    QTest::newRow("list double-click, nothing current") << "list" << url << false << -1 << QString();
}

void TstForm3::playsFromTheTextBoxAndTheList()
{
    QFETCH(QString, action);
    QFETCH(QString, typed);
    QFETCH(bool, browsedFirst);
    QFETCH(int, listRow);
    QFETCH(QString, played);
    writeVideoList("/v/a.avi\r\n/v/b.avi\r\n\r\n");
    Form3 *form = openAndSettle();
    if (browsedFirst) {
        m_dialogs->openAnswers << QStringLiteral("/v/browsed.avi");
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    }
    m_dialogs->messages.clear();
    form->Text1->setText(typed);
    form->List1->setCurrentRow(listRow);

    if (action == QLatin1String("play"))
        QTest::mouseClick(form->Command3, Qt::LeftButton);
    else if (action == QLatin1String("text"))
        QTest::mouseDClick(form->Text1, Qt::LeftButton);
    else if (listRow >= 0)
        doubleClickEntry(form, listRow);
    else
        QTest::mouseDClick(
            form->List1->viewport(), Qt::LeftButton, {}, QPoint(5, form->List1->viewport()->height() - 5));

    if (played.isEmpty()) {
        QTRY_COMPARE(m_dialogs->messages, QStringList {NoFile});
        QVERIFY(frmBrowser::instance() == nullptr);
    } else {
        QTRY_VERIFY(videoPlayer() != nullptr);
        QCOMPARE(videoPlayer()->calls.filter(QStringLiteral("setFileName")),
            QStringList {QStringLiteral("setFileName ") + played});
        QVERIFY(frmBrowser::instance()->isVisible());
        QVERIFY(m_dialogs->messages.isEmpty());
    }
    // Playing never changes the text box.
    QCOMPARE(form->Text1->text(), typed);
}

void TstForm3::addAndRemove()
{
    Form3 *form = openAndSettle();
    m_dialogs->messages.clear();

    // An empty text box adds nothing and says nothing.
    QTest::mouseClick(form->Command4, Qt::LeftButton);
    QVERIFY(form->entries().isEmpty());
    for (const char *name : {"/v/a.avi", "/v/b.avi", "/v/c.avi"}) {
        form->Text1->setText(QLatin1String(name));
        QTest::mouseClick(form->Command4, Qt::LeftButton);
    }

    // No current entry: nothing is removed.
    form->List1->setCurrentRow(-1);
    QTest::mouseClick(form->Command5, Qt::LeftButton);
    QCOMPARE(form->entries().size(), 3);

    form->List1->setCurrentRow(1);
    QTest::mouseClick(form->Command5, Qt::LeftButton);
    QCOMPARE(form->entries(), (QStringList {QStringLiteral("/v/a.avi"), QStringLiteral("/v/c.avi")}));
    QCOMPARE(form->List1->currentRow(), -1);
    // A second press removes nothing more, as nothing is current.
    QTest::mouseClick(form->Command5, Qt::LeftButton);
    QCOMPARE(form->entries().size(), 2);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TstForm3::videoHasAPlayerOfItsOwn()
{
    m_main->player.setFileName(QStringLiteral("/music/song.mp3"));
    m_main->player.calls.clear();
    Form3 *form = openAndSettle();
    form->Text1->setText(QStringLiteral("/v/a.avi"));
    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QVERIFY(videoPlayer() != nullptr);
    QCOMPARE(m_players->purposes, QList<PlayerPurpose> {PlayerPurpose::Video});
    // The main player is neither stopped nor given the video.
    QVERIFY(m_main->player.calls.isEmpty());
    QCOMPARE(m_main->player.fileName(), QStringLiteral("/music/song.mp3"));

    // A second play uses the same display window and player.
    frmBrowser *window = frmBrowser::instance();
    form->Text1->setText(QStringLiteral("/v/b.avi"));
    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QCOMPARE(frmBrowser::instance(), window);
    QCOMPARE(m_players->players.size(), 1);
    QCOMPARE(videoPlayer()->fileName(), QStringLiteral("/v/b.avi"));
}

QTEST_MAIN(TstForm3)
#include "tst_form3.moc"
