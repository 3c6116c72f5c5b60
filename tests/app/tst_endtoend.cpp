// The main window with the real libmpv player and null audio: a default playlist of three songs plays through,
// and the playlist survives an exit and a second start.
#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mediaplayer.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QFile>
#include <QLabel>
#include <QTest>

#include <clocale>

using namespace quillet;
using namespace quillet::testing;

class TstEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void playsThroughAndKeepsThePlaylist();
};

void TstEndToEnd::playsThroughAndKeepsThePlaylist()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    const QStringList songs = {testData(QStringLiteral("song1.mp3")), testData(QStringLiteral("song2.mp3")),
                               testData(QStringLiteral("song3.mp3"))};
    QVERIFY(PlaylistFile::write(PlaylistFile::defaultPlaylistPath(), songs).ok);
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("2"));

    int ended = 0;
    {
        Form1 form;
        form.setEndProcess([&] { ++ended; });
        form.load({});
        QCOMPARE(form.List1->entries(), songs);
        // The first tick of Timer2 starts the first entry.
        QTRY_COMPARE_WITH_TIMEOUT(form.MP1->fileName(), songs.at(0), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song1.."), 5000);
        QCOMPARE(form.Label8->text(), QStringLiteral("00:02"));
        QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
        // Its end starts the second.
        QTRY_COMPARE_WITH_TIMEOUT(form.MP1->fileName(), songs.at(1), 8000);
        QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."), 5000);
        QCOMPARE(form.Label1->text(), QStringLiteral("1"));
        QCOMPARE(form.Label8->text(), QStringLiteral("00:02"));
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.join(QLatin1Char('\n'))));

        QFile::remove(PlaylistFile::defaultPlaylistPath());
        form.exitProgram();
        QTRY_COMPARE(ended, 1);
    }
    QVERIFY(QFile::exists(PlaylistFile::defaultPlaylistPath()));

    Form1 second;
    second.load({});
    QCOMPARE(second.List1->entries(), songs);
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
