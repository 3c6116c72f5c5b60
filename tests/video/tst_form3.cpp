// The video playlist window with a fake player and scripted dialogs, and its file as a user would find it on disk.
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/fakeplayer.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "playlist/playlistfile.h"
#include "settings/settingsstore.h"
#include "video/form3.h"
#include "video/frmbrowser.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

void writeVideoList(const QByteArray &bytes)
{
    QFile file(PlaylistFile::defaultVideoPlaylistPath());
    QDir().mkpath(QFileInfo(file).path());
    if (bytes != "<none>" && file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray videoListBytes()
{
    QFile file(PlaylistFile::defaultVideoPlaylistPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// The player of the display window, or nullptr when no video was played.
FakePlayer *videoPlayer()
{
    frmBrowser *window = frmBrowser::instance();
    return window ? qobject_cast<FakePlayer *>(window->Media1) : nullptr;
}

// Opens the window and lets its start timer run.
Form3 *openAndSettle()
{
    Form3 *form = Form3::open();
    if (!QTest::qWaitFor([form] { return !form->Timer1->isActive(); }))
        qWarning("the start timer did not run");
    return form;
}

void add(Form3 *form, const QStringList &entries)
{
    for (const QString &entry : entries) {
        form->Text1->setText(entry);
        QTest::mouseClick(form->Command4, Qt::LeftButton);
    }
}

} // namespace

class TstForm3 : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_players = std::make_unique<FakePlayerFactory>();
        m_main = std::make_unique<FakeMainWindow>();
        m_main->window.show();
    }
    void cleanup()
    {
        Form3::unload();
        frmBrowser::unload();
        m_main.reset();
        m_players.reset();
        m_dialogs.reset();
        m_env.reset();
    }
    void loadsTheSavedList_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no file") << QByteArray("<none>") << QStringList();
        QTest::newRow("CR LF lines in file order")
            << QByteArray("/v/b.avi\r\nhttp://host/a.mpg\r\n") << QStringList {u"/v/b.avi"_s, u"http://host/a.mpg"_s};
        QTest::newRow("LF lines from a Linux editor")
            << QByteArray("/v/a.avi\n/v/b.avi\n") << QStringList {u"/v/a.avi"_s, u"/v/b.avi"_s};
        QTest::newRow("empty first line hides the rest") << QByteArray("\r\n/v/a.avi\r\n") << QStringList();
    }
    void loadsTheSavedList()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        writeVideoList(file);
        Form3 *form = openAndSettle();
        QCOMPARE(form->entries(), expected);
        QVERIFY(form->isVisible());
        QCOMPARE(m_dialogs->messages, QStringList {Form3::creditMessage()});
        QVERIFY(frmBrowser::instance() == nullptr);
        // Loading minimises the main window, not itself; a main window hidden to the tray stays hidden.
        QVERIFY(m_main->window.windowState() & Qt::WindowMinimized);
        QVERIFY(!(form->windowState() & Qt::WindowMinimized));
        Form3::unload();
        m_main->window.setWindowState(Qt::WindowNoState);
        m_main->window.hide();
        openAndSettle();
        QVERIFY(!m_main->window.isVisible());
    }
    void handOverFromTheCommandLine_data()
    {
        QTest::addColumn<QString>("open"); // null: not stored (default "0")
        QTest::addColumn<QString>("autoPlay"); // null: not stored (default "1")
        QTest::addColumn<QString>("handed");
        QTest::addColumn<bool>("added");
        QTest::addColumn<bool>("played");
        const QString video = u"/videos/clip.avi"_s;
        QTest::newRow("open and auto") << u"1"_s << u"1"_s << video << true << true;
        QTest::newRow("defaults: play, do not add") << QString() << QString() << video << false << true;
        QTest::newRow("open only") << u"1"_s << u"0"_s << video << true << false;
        QTest::newRow("nothing handed over") << u"1"_s << u"1"_s << QString() << false << false;
    }
    void handOverFromTheCommandLine()
    {
        QFETCH(QString, open);
        QFETCH(QString, autoPlay);
        QFETCH(QString, handed);
        QFETCH(bool, added);
        QFETCH(bool, played);
        if (!open.isNull())
            SettingsStore::write(u"Video"_s, u"Open"_s, open);
        if (!autoPlay.isNull())
            SettingsStore::write(u"Video"_s, u"Auto"_s, autoPlay);
        writeVideoList("/videos/saved.avi\r\n");
        // As the main window does it: open the window, then hand the file over.
        Form3 *form = Form3::open();
        form->handOver(handed);
        QTRY_VERIFY(!form->Timer1->isActive());
        QStringList expected = QStringList {u"/videos/saved.avi"_s};
        if (added)
            expected << handed;
        QCOMPARE(form->entries(), expected);
        QCOMPARE(form->Text1->text(), handed);
        QCOMPARE(videoPlayer() != nullptr, played);
        if (played) {
            QVERIFY(frmBrowser::instance()->isVisible());
            QCOMPARE(videoPlayer()->calls.filter(u"setFileName"_s), QStringList {u"setFileName "_s + handed});
        }

        // A later hand-over to the open window is started as the first one was.
        form->handOver(u"/videos/later.avi"_s);
        QTRY_VERIFY(!form->Timer1->isActive());
        if (open == QLatin1String("1"))
            expected << u"/videos/later.avi"_s;
        QCOMPARE(form->entries(), expected);
        if (played)
            QCOMPARE(videoPlayer()->calls.filter(u"setFileName"_s).size(), 2);
    }
    void doneWritesTheList_data()
    {
        QTest::addColumn<QString>("save"); // null: not stored (default "1")
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("removeRows"); // entries removed from the top before Done
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("list order, CR LF lines") << QString() << QByteArray("/v/m.mov\r\n") << 0
                                                 << QByteArray("/v/m.mov\r\n/v/z.avi\r\nhttp://host/a.mpg\r\n");
        QTest::newRow("save 0 writes no file") << u"0"_s << QByteArray("<none>") << 0 << QByteArray("<none>");
        QTest::newRow("all removed leaves the file")
            << QString() << QByteArray("/v/m.mov\r\n") << 3 << QByteArray("/v/m.mov\r\n");
        QTest::newRow("empty lines left out")
            << QString() << QByteArray("/v/m.mov\r\n\r\n/v/n.mov\r\n") << 0
            << QByteArray("/v/m.mov\r\n/v/n.mov\r\n/v/z.avi\r\nhttp://host/a.mpg\r\n");
    }
    void doneWritesTheList()
    {
        QFETCH(QString, save);
        QFETCH(QByteArray, before);
        QFETCH(int, removeRows);
        QFETCH(QByteArray, after);
        if (!save.isNull())
            SettingsStore::write(u"Video"_s, u"Save"_s, save);
        writeVideoList(before);
        Form3 *form = openAndSettle();
        add(form, {u"/v/z.avi"_s, u"http://host/a.mpg"_s});
        // Remove takes the current entry only; with nothing current it takes nothing.
        for (int i = 0; i < removeRows; ++i) {
            form->List1->setCurrentRow(0);
            QTest::mouseClick(form->Command5, Qt::LeftButton);
            QTest::mouseClick(form->Command5, Qt::LeftButton);
        }
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QCOMPARE(videoListBytes(), after);
        QCOMPARE(m_dialogs->messages.size(), 1); // the credit only
    }
    void failedWriteIsReportedAndKeepsTheList()
    {
        Form3 *form = openAndSettle();
        add(form, {u"/v/a.avi"_s});
        // The data folder lies below a regular file, so nothing can be written there, even by root.
        QVERIFY(writeFileBytes(m_env->path(u"blocker"_s), {}));
        qputenv("QUILLET_DATA_DIR", m_env->path(u"blocker/data"_s).toUtf8());
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.size(), 2);
        QVERIFY(m_dialogs->messages.last().contains(m_env->path(u"blocker/data"_s)));
        QCOMPARE(form->entries(), QStringList {u"/v/a.avi"_s});
    }
    void playsFromTheTextBoxAndTheList_data()
    {
        QTest::addColumn<QString>("action"); // play, text, list
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("browsedFirst");
        QTest::addColumn<int>("listRow"); // -1: no current entry
        QTest::addColumn<QString>("played"); // empty: the message instead
        const QString url = u"http://host/stream.mpg"_s;
        QTest::newRow("play typed URL") << "play" << url << false << -1 << url;
        QTest::newRow("play empty text") << "play" << QString() << true << -1 << QString();
        QTest::newRow("text double-click before any browse") << "text" << url << false << -1 << QString();
        QTest::newRow("text double-click after a browse") << "text" << url << true << -1 << url;
        QTest::newRow("list double-click on an entry") << "list" << url << false << 1 << u"/v/b.avi"_s;
        QTest::newRow("list double-click, nothing current") << "list" << url << false << -1 << QString();
    }
    void playsFromTheTextBoxAndTheList()
    {
        QFETCH(QString, action);
        QFETCH(QString, typed);
        QFETCH(bool, browsedFirst);
        QFETCH(int, listRow);
        QFETCH(QString, played);
        m_main->player.setFileName(u"/music/song.mp3"_s);
        m_main->player.calls.clear();
        writeVideoList("/v/a.avi\r\n/v/b.avi\r\n");
        Form3 *form = openAndSettle();
        if (browsedFirst) {
            m_dialogs->openAnswers << u"/v/browsed.avi"_s;
            QTest::mouseClick(form->Command1, Qt::LeftButton);
        }
        m_dialogs->messages.clear();
        form->Text1->setText(typed);
        form->List1->setCurrentRow(listRow);
        if (action == QLatin1String("play"))
            QTest::mouseClick(form->Command3, Qt::LeftButton);
        else if (action == QLatin1String("text"))
            QTest::mouseDClick(form->Text1, Qt::LeftButton);
        else
            QTest::mouseDClick(form->List1->viewport(), Qt::LeftButton, {},
                listRow >= 0 ? form->List1->visualItemRect(form->List1->item(listRow)).center()
                             : QPoint(5, form->List1->viewport()->height() - 5));
        if (played.isEmpty()) {
            QTRY_COMPARE(m_dialogs->messages, QStringList {u"Please Choose A File Name !"_s});
            QVERIFY(frmBrowser::instance() == nullptr);
        } else {
            QTRY_VERIFY(videoPlayer() != nullptr);
            QCOMPARE(videoPlayer()->calls.filter(u"setFileName"_s), QStringList {u"setFileName "_s + played});
            QCOMPARE(m_players->purposes, QList<PlayerPurpose> {PlayerPurpose::Video});
        }
        // Playing never changes the text box, nor touches the main window's player.
        QCOMPARE(form->Text1->text(), typed);
        QVERIFY(m_main->player.calls.isEmpty());
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<FakePlayerFactory> m_players;
    std::unique_ptr<FakeMainWindow> m_main;
};

QTEST_MAIN(TstForm3)
#include "tst_form3.moc"
