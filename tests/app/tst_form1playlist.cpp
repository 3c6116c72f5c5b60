// Editing the playlist from the main window: adding, removing, keys, song information, dropping, file info and
// playlist files.
#include "form1fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QUrl>

using namespace quillet;
using namespace quillet::testing;

class TstForm1Playlist : public QObject
{
    Q_OBJECT

private slots:
    void addFileAndUrl();
    void cancelAddsNothing();
    void removeCurrent_data();
    void removeCurrent();
    void removeSelected_data();
    void removeSelected();
    void removeWithNoCurrentEntry();
    void keys();
    void songInformation_data();
    void songInformation();
    void entryCountOnMouseMove();
    void dropAddsFilesIgnoresText();
    void fileInfo();
    void fileInfoOnUrlOrMissingFile_data();
    void fileInfoOnUrlOrMissingFile();
    void saveAndLoadList();
    void saveListErrors();
    void loadListUnreadableKeepsPlaylist();
};

static const QStringList kFive = {QStringLiteral("/m/0.mp3"), QStringLiteral("/m/1.mp3"), QStringLiteral("/m/2.mp3"),
                                  QStringLiteral("/m/3.mp3"), QStringLiteral("/m/4.mp3")};

void TstForm1Playlist::addFileAndUrl()
{
    Form1Fixture f;
    Form1 &form = f.load();
    f.dialogs.openAnswers << QStringLiteral("/music/b.mp3") << QStringLiteral("/music/b.mp3");
    form.add_Click();
    form.add_Click();
    QCOMPARE(f.dialogs.openRequests.first().title, QStringLiteral("Open MP3 File"));
    QVERIFY(QFileInfo(f.dialogs.openRequests.first().initialDirectory).isDir());
    f.dialogs.inputAnswers << QStringLiteral("http://radio.example/stream");
    form.addurl_Click();
    QCOMPARE(f.dialogs.inputPrompts, QStringList{QStringLiteral("Please Enter the url :")});
    QCOMPARE(f.entries(), (QStringList{QStringLiteral("/music/b.mp3"), QStringLiteral("/music/b.mp3"),
                                       QStringLiteral("http://radio.example/stream")}));
}

void TstForm1Playlist::cancelAddsNothing()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.add_Click();
    form.addurl_Click();
    QCOMPARE(form.List1->count(), 0);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TstForm1Playlist::removeCurrent_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expectedCurrent");
    QTest::newRow("middle: the following entry becomes current") << 2 << 2;
    QTest::newRow("last: no entry is current") << 4 << -1;
}

void TstForm1Playlist::removeCurrent()
{
    QFETCH(int, current);
    QFETCH(int, expectedCurrent);
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany(kFive);
    form.List1->setListIndex(current);
    form.rf_Click();
    QStringList expected = kFive;
    expected.removeAt(current);
    QCOMPARE(f.entries(), expected);
    QCOMPARE(form.List1->listIndex(), expectedCurrent);
}

void TstForm1Playlist::removeSelected_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("expectedCurrent");
    QTest::newRow("entries 1 and 3 with 1 current")
        << QList<int>{1, 3} << 1 << QStringList{kFive.at(0), kFive.at(2), kFive.at(4)} << kFive.at(2);
    QTest::newRow("all selected empties the list") << QList<int>{0, 1, 2, 3, 4} << 2 << QStringList{} << QString();
    QTest::newRow("remembered index is the new last: none restored")
        << QList<int>{3, 4} << 2 << QStringList{kFive.at(0), kFive.at(1), kFive.at(2)} << QStringLiteral("-");
}

void TstForm1Playlist::removeSelected()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(QStringList, expected);
    QFETCH(QString, expectedCurrent);
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany(kFive);
    auto *selection = form.List1->selectionModel();
    selection->setCurrentIndex(form.List1->model()->index(current, 0), QItemSelectionModel::NoUpdate);
    selection->clearSelection();
    for (int row : selected)
        selection->select(form.List1->model()->index(row, 0), QItemSelectionModel::Select);
    // The "." key runs the very same steps as the menu item.
    form.List1_KeyPress(QLatin1Char('.'));
    QCOMPARE(f.entries(), expected);
    if (expectedCurrent == QLatin1String("-"))
        QVERIFY(form.List1->currentText() != kFive.at(2) || form.List1->selectedCount() == 0);
    else if (!expectedCurrent.isEmpty())
        QCOMPARE(form.List1->currentText(), expectedCurrent);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TstForm1Playlist::removeWithNoCurrentEntry()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany(kFive);
    form.List1_KeyPress(QLatin1Char('.'));
    form.rf_Click();
    QCOMPARE(f.dialogs.messages,
             (QStringList{QStringLiteral("No files to remove !"), QStringLiteral("No files to remove !")}));
    QCOMPARE(form.List1->count(), 5);
}

void TstForm1Playlist::keys()
{
    Form1Fixture f;
    Form1 &form = f.load();
    QList<QChar> windowKeys;
    connect(&form, &Form1::windowKeyPressed, this, [&](QChar key) { windowKeys << key; });
    form.List1->add(QStringLiteral("/m/a.mp3"));
    form.List1->setListIndex(0);
    form.List1->setFocus();
    QTest::keyClick(form.List1, Qt::Key_Return);
    QCOMPARE(f.player().fileName(), QStringLiteral("/m/a.mp3"));
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
    QTest::keyClicks(form.List1, QStringLiteral("1239"));
    QCOMPARE(windowKeys, (QList<QChar>{QLatin1Char('1'), QLatin1Char('2'), QLatin1Char('3')}));
    // "4" shows the file information of the playing file.
    QTest::keyClick(form.List1, Qt::Key_4);
    QCOMPARE(f.dialogs.messages.size(), 1);
}

void TstForm1Playlist::songInformation_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("title");
    QTest::newRow("tagged") << testData(QStringLiteral("song3.mp3")) << QStringLiteral("2. Song 3 - Artist 3")
                            << QStringLiteral("Song 3");
    QTest::newRow("no tag") << testData(QStringLiteral("tone-22k-mono.mp3")) << QStringLiteral("2. tone-22k-mono")
                            << QString();
    QTest::newRow("missing file with backslashes") << QStringLiteral("C:\\x\\Track 01.mp3")
                                                   << QStringLiteral("2. Track 01") << QString();
}

void TstForm1Playlist::songInformation()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QFETCH(QString, title);
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany({QStringLiteral(""), file});
    form.List1->setListIndex(1);
    QCOMPARE(form.Text3->text(), expected);
    QCOMPARE(form.Text8->text(), title);
}

void TstForm1Playlist::entryCountOnMouseMove()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany(kFive);
    QTest::mouseMove(form.List1->viewport(), QPoint(5, 5));
    form.List1_MouseMove();
    QCOMPARE(form.Text1->text(), QStringLiteral("5"));
    QCOMPARE(form.Text2->text(), QStringLiteral("# MP3(S)"));
}

void TstForm1Playlist::dropAddsFilesIgnoresText()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->add(QStringLiteral("/m/b.mp3"));
    auto drop = [&](QMimeData *data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.List1->viewport(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.List1->viewport(), &event);
    };
    QMimeData text;
    text.setText(QStringLiteral("/m/a.mp3"));
    drop(&text);
    QCOMPARE(form.List1->count(), 1);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/m/c.mp3")), QUrl::fromLocalFile(QStringLiteral("/m/A.mp3")),
                   QUrl::fromLocalFile(QStringLiteral("/m/dir"))});
    drop(&files);
    QCOMPARE(f.entries(), (QStringList{QStringLiteral("/m/A.mp3"), QStringLiteral("/m/b.mp3"),
                                       QStringLiteral("/m/c.mp3"), QStringLiteral("/m/dir")}));
}

void TstForm1Playlist::fileInfo()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.fileinfo_Click();
    QCOMPARE(f.dialogs.messages.takeFirst(), QStringLiteral("Please play a file first !"));

    const QString playing = testData(QStringLiteral("song1.mp3"));
    const QString clicked = testData(QStringLiteral("song2.mp3"));
    form.List1->add(clicked);
    form.List1->setListIndex(0);
    f.player().setFileName(playing);
    form.fileinfo_Click();
    const QFileInfo info(playing);
    const QLocale locale;
    const QString when = locale.toString(info.lastModified().date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(info.lastModified().time(), QLocale::LongFormat);
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Last Modified : ") + when + QStringLiteral(", File Size : ")
                                             + QString::number(info.size()) + QStringLiteral(" Bytes, File Name : ")
                                             + playing});
}

void TstForm1Playlist::fileInfoOnUrlOrMissingFile_data()
{
    QTest::addColumn<QString>("subject");
    QTest::newRow("URL") << QStringLiteral("http://radio.example/live");
    QTest::newRow("missing file") << QStringLiteral("/no/such/file.mp3");
}

void TstForm1Playlist::fileInfoOnUrlOrMissingFile()
{
    QFETCH(QString, subject);
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->add(subject);
    form.List1->setListIndex(0);
    form.fileinfo_Click();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(subject));
    QVERIFY(!f.dialogs.messages.first().startsWith(QStringLiteral("Last Modified")));
}

void TstForm1Playlist::saveAndLoadList()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany(kFive + QStringList{QStringLiteral("rel.mp3")});
    const QString path = f.env.path(QStringLiteral("saved.m3u"));
    f.dialogs.saveAnswers << path;
    form.saveplay_Click();
    QCOMPARE(f.dialogs.saveRequests.first().title, QStringLiteral("Edit List"));
    QCOMPARE(f.dialogs.saveRequests.first().filter, QStringLiteral("Playlist Files(*.M3U ; *.PLS)|*.M3U;*.PLS"));
    QCOMPARE(form.List1->listIndex(), 5);
    const QStringList saved = f.entries();
    form.clpl_Click();
    f.dialogs.openAnswers << path << path;
    form.loadplay_Click();
    QCOMPARE(f.entries(), saved);
    // Loading the same file again appends its entries again.
    form.loadplay_Click();
    QCOMPARE(form.List1->count(), 12);
}

void TstForm1Playlist::saveListErrors()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.saveplay_Click();
    QCOMPARE(f.dialogs.messages.takeFirst(), QStringLiteral("No Files To Save !"));
    form.List1->add(QStringLiteral("/m/a.mp3"));
    // The parent of the chosen file is a regular file: the write fails and says so.
    const QString blocker = f.env.path(QStringLiteral("blocker"));
    Form1Fixture::writeFile(blocker, "x");
    f.dialogs.saveAnswers << blocker + QStringLiteral("/list.m3u");
    form.saveplay_Click();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(QStringLiteral("list.m3u")));
    QCOMPARE(form.List1->count(), 1);
}

void TstForm1Playlist::loadListUnreadableKeepsPlaylist()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->add(QStringLiteral("/m/a.mp3"));
    f.dialogs.openAnswers << f.env.path(QStringLiteral("missing.m3u"));
    form.loadplay_Click();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(f.entries(), QStringList{QStringLiteral("/m/a.mp3")});
}

QTEST_MAIN(TstForm1Playlist)
#include "tst_form1playlist.moc"
