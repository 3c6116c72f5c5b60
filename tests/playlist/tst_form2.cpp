// Finding files: the directory browser, the root-directory chooser and the file search, as the user drives them.
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/filetree.h"
#include "fakes/testenv.h"
#include "fakes/visiblerows.h"
#include "playlist/directorylist.h"
#include "playlist/drivelist.h"
#include "playlist/filelist.h"
#include "playlist/filesearch.h"
#include "playlist/form2.h"
#include "playlist/form8.h"
#include "playlist/form9.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstForm2 : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_main = std::make_unique<FakeMainWindow>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_main->window.resize(600, 300);
        m_main->list->resize(600, 300);
        m_form = new Form2;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup()
    {
        delete m_form;
        Form2::unload();
        Form8::unload();
        Form9::unload();
        m_dir.reset();
        m_dialogs.reset();
        m_main.reset();
        m_env.reset();
    }
    void showsMatchingFilesAndFollowsFolders()
    {
        const QString root = m_dir->path();
        for (const char *file : {"b.MP3", "A.wav", "c.m3u", "d.m3u8", "README", "skip.txt", "song.mp3.part", "e.flac",
                 ".hidden.mp3", "folder.mp3/inside.mp3", "beta/inner.mp3", "Alpha/x.mp3", ".cache/y.mp3"})
            QVERIFY(makeFile(root, QString::fromUtf8(file)));
        QVERIFY(m_form->Dir1->setPath(root));
        // Media and playlist files alphabetical without regard to case; other files, folders and hidden files stay out.
        const QStringList listed = {u"A.wav"_s, u"b.MP3"_s, u"c.m3u"_s, u"d.m3u8"_s, u"e.flac"_s, u"README"_s};
        QCOMPARE(visibleRows(m_form->File1), listed);
        QTreeWidgetItem *open = m_form->Dir1->currentItem();
        QVERIFY(open && open->childCount() == 3);
        QCOMPARE(open->child(0)->text(0), u"Alpha"_s);

        // Double-clicking a folder opens it, and the file list follows; the chain above leads back up.
        const auto activate = [this](QTreeWidgetItem *item) {
            const QPoint centre = m_form->Dir1->visualItemRect(item).center();
            QTest::mouseClick(m_form->Dir1->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(m_form->Dir1->viewport(), Qt::LeftButton, {}, centre);
        };
        activate(open->child(1));
        QCOMPARE(m_form->Dir1->path(), root + u"/beta"_s);
        QCOMPARE(visibleRows(m_form->File1), QStringList {u"inner.mp3"_s});
        activate(m_form->Dir1->currentItem()->parent());
        QCOMPARE(m_form->Dir1->path(), root);
        QCOMPARE(visibleRows(m_form->File1), listed);

        // A folder that cannot be opened keeps the list where it was.
        QVERIFY(!m_form->Dir1->setPath(root + u"/missing"_s));
        QVERIFY(!m_form->Dir1->setPath(root + u"/README"_s));
        QCOMPARE(m_form->Dir1->path(), root);
    }
    void addsTheDirectoryAndShowsIt()
    {
        const QString root = m_dir->path() + u"/dir"_s;
        QVERIFY(makeFile(root, u"y.wma"_s) && makeFile(root, u"x.mp3"_s));
        m_main->window.show();
        m_main->list->add(u"/zzz.mp3"_s);
        // The directory given with a trailing separator still joins with exactly one.
        QVERIFY(m_form->Dir1->setPath(root + u'/'));
        QTest::mouseClick(m_form->Command1, Qt::LeftButton);
        QCOMPARE(visibleRows(m_main->list), (QStringList {root + u"/x.mp3"_s, root + u"/y.wma"_s, u"/zzz.mp3"_s}));
        QVERIFY(m_dialogs->messages.isEmpty());

        // An empty directory says so and adds nothing.
        QVERIFY(m_form->Dir1->setPath(m_dir->path()));
        QTest::mouseClick(m_form->Command1, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages, QStringList {u"All Files In This Directory Added !"_s});
        QCOMPARE(m_main->list->count(), 3);
    }
    void doneKeepsTheWindowCloseDestroysIt()
    {
        Form2 *first = Form2::open();
        QCOMPARE(first->parentWidget(), m_main->mainWidget());
        QVERIFY(first->Dir1->setPath(m_dir->path()));
        QTest::mouseClick(first->Command4, Qt::LeftButton);
        QVERIFY(!first->isVisible());
        QCOMPARE(Form2::open(), first);
        QVERIFY(
            first->isVisible() && first->Drive1->isVisible() && first->Dir1->isVisible() && first->File1->isVisible());
        QCOMPARE(first->Dir1->path(), m_dir->path());
        // Each drive is offered once, the root among them, also after the drop-down was opened and read them anew.
        for (int open = 0; open < 2; ++open) {
            QTest::mouseClick(first->Drive1, Qt::LeftButton);
            QTRY_VERIFY(first->Drive1->view()->isVisible());
            QTest::keyClick(first->Drive1->view(), Qt::Key_Escape);
        }
        QStringList drives;
        for (int i = 0; i < first->Drive1->count(); ++i)
            drives << first->Drive1->itemData(i).toString();
        QVERIFY(drives.contains(u"/"_s));
        QCOMPARE(drives.removeDuplicates(), 0);

        QPointer<Form2> closed = first;
        first->close();
        QTRY_VERIFY(closed.isNull());
        QVERIFY(Form2::open()->Dir1->path() != m_dir->path());
    }
    void rootChooser()
    {
        const QString music = m_dir->path() + u"/music"_s;
        QVERIFY(QDir().mkpath(music + u"/rock"_s));
        m_main->root = music + u'/';
        QPointer<Form8> form = Form8::open();
        QVERIFY(
            form->isVisible() && form->Dir1->isVisible() && form->Drive1->isVisible() && form->Command1->isVisible());
        QCOMPARE(form->Dir1->path(), music);
        // A second request brings the same window back; closing it without a choice leaves the root alone.
        QCOMPARE(Form8::open(), form.data());
        form->close();
        QTRY_VERIFY(form.isNull());
        QCOMPARE(m_main->root, music + u'/');
        // The choice is stored with one trailing separator, and the chooser goes away.
        const QString rock = music + u"/rock"_s;
        for (const QString &chosen : {u"/"_s, rock, rock + u'/'}) {
            form = Form8::open();
            QVERIFY(form->Dir1->setPath(chosen));
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            QCOMPARE(m_main->root, chosen == QLatin1String("/") ? chosen : rock + u'/');
            QTRY_VERIFY(form.isNull());
        }
    }
    void neverFollowsDirectoryLinks()
    {
        const auto walkAll = [](const QString &directory) {
            QStringList found;
            FileSearch::walk(directory, u"mp3"_s, [&](const QString &path) { found << path; });
            found.sort();
            return found;
        };
        const QString root = m_dir->path() + u"/tree"_s;
        QVERIFY(makeFile(root, u"a/x.mp3"_s) && makeFile(root, u"b/y.mp3"_s));
        QVERIFY(makeFile(m_dir->path(), u"outside/z.mp3"_s));
        const std::pair<QString, const char *> links[] = {{root, "a/loop"}, {m_dir->path() + u"/outside"_s, "b/out"},
            {root + u"/a/x.mp3"_s, "b/link.mp3"}, {u"/missing.mp3"_s, "b/dead.mp3"}};
        for (const auto &[target, name] : links)
            QVERIFY(QFile::link(target, root + u'/' + QString::fromUtf8(name)));
        // A link to a file is a file; links to folders are not entered.
        QCOMPARE(walkAll(root), (QStringList {root + u"/a/x.mp3"_s, root + u"/b/link.mp3"_s, root + u"/b/y.mp3"_s}));
        // The start directory itself is the user's choice and is entered even when it is a link.
        QVERIFY(QFile::link(root, m_dir->path() + u"/start"_s));
        QCOMPARE(walkAll(m_dir->path() + u"/start"_s).size(), 3);
    }
    void searchesAndAddsTheResults_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        // Endings match without regard to case, also beyond ASCII; hidden files and folders are searched too.
        const QStringList mp3 = {u"SONG.MP3"_s, u"Song.Mp3"_s, u"song.mp3"_s, u"\u00c9T\u00c9.MP3"_s, u".hidden.mp3"_s,
            u"sub/.h/f.mp3"_s, u"sub/deep/G.mP3"_s, u"xmp3"_s};
        QTest::newRow("mp3") << u"mp3"_s << mp3;
        QTest::newRow("MP3") << u"MP3"_s << mp3;
        QTest::newRow("wav") << u"wav"_s << QStringList {u"TRACK.WAV"_s, u"tune.Wav"_s};
        QTest::newRow("Mpeg") << u"Mpeg"_s << QStringList {u"Clip.MPEG"_s};
        QTest::newRow("tgz") << u"tgz"_s << QStringList {u"BACKUP.TGZ"_s};
        QTest::newRow("non-ASCII ending") << u"\u00e9t\u00e9"_s << QStringList {u"Un \u00c9T\u00c9"_s};
    }
    // An ending typed into the box, in a folder of mixed-case names; the results join the playlist in one batch, which
    // the list shows at once.
    void searchesAndAddsTheResults()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        const QString root = m_dir->path();
        for (const char *file : {"SONG.MP3", "Song.Mp3", "song.mp3", "\xc3\x89T\xc3\x89.MP3", "TRACK.WAV", "tune.Wav",
                 "Clip.MPEG", "BACKUP.TGZ", "Un \xc3\x89T\xc3\x89", "song.mp3.part", "wav.txt", ".hidden.mp3",
                 "sub/.h/f.mp3", "sub/deep/G.mP3", "xmp3", "sub/song.mp3.part"})
            QVERIFY(makeFile(root, QString::fromUtf8(file)));
        QPointer<Form9> form9 = Form9::open();
        QVERIFY(form9->isVisible() && form9->Combo1->isVisible() && form9->List1->isVisible());
        QVERIFY(form9->Dir1->setPath(root));
        QTest::keyClick(form9->Combo1->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : typed) // letters beyond ASCII are typed with their own keys
            QTest::sendKeyEvent(QTest::Click, form9->Combo1->lineEdit(), Qt::Key(c.toUpper().unicode()), c, {});
        QSignalSpy finished(form9.data(), &Form9::searchFinished);
        found.sort();
        // A second search shows what it finds, in place of the first one's results.
        for (int round = 0; round < 2; ++round) {
            QTest::mouseClick(form9->Command1, Qt::LeftButton);
            QVERIFY(finished.wait(30000));
            QCOMPARE(form9->Label1->text(), u" %1 Files Found"_s.arg(found.size()));
            QStringList shown;
            for (const QString &path : visibleRows(form9->List1))
                shown << path.mid(root.size() + 1);
            shown.sort();
            QCOMPARE(shown, found);
        }

        m_main->window.show();
        m_main->list->add(root + u"/"_s + found.first());
        QTest::mouseClick(form9->Command2, Qt::LeftButton);
        QStringList rows = visibleRows(m_main->list);
        for (int i = 1; i < rows.size(); ++i)
            QVERIFY2(rows[i - 1].compare(rows[i], Qt::CaseInsensitive) <= 0, qPrintable(rows[i]));
        rows.sort();
        QStringList expected;
        for (const QString &file : found + found.mid(0, 1))
            expected << root + u'/' + file;
        expected.sort();
        QCOMPARE(rows, expected);
    }
    void cancelAndClose()
    {
        QPointer<Form9> form9 = Form9::open();
        const QString root = m_dir->path() + u"/many"_s;
        QVERIFY(makeLinkedFiles(root, 3000, 30, u"song%1.mp3"_s));
        QVERIFY(form9->Dir1->setPath(root));
        QSignalSpy finished(form9.data(), &Form9::searchFinished);
        QTest::mouseClick(form9->Command1, Qt::LeftButton);
        QVERIFY(form9->isSearching() && !form9->Command2->isEnabled());
        QTest::mouseClick(form9->Command1, Qt::LeftButton);
        QVERIFY(finished.wait(10000));
        QVERIFY(!form9->isSearching() && form9->Command2->isEnabled());
        QCOMPARE(form9->cursor().shape(), Qt::ArrowCursor);
        // Whatever was found before the stop is listed and counted alike.
        QCOMPARE(form9->Label1->text(), Form9::foundText(form9->List1->count()));

        // Closing while a search runs destroys the window safely; a new one starts empty.
        QTest::mouseClick(form9->Command1, Qt::LeftButton);
        form9->close();
        QTRY_VERIFY(form9.isNull());
        QTest::qWait(200);
        QCOMPARE(Form9::open()->List1->count(), 0);

        // Exit takes the window away without closing it: a search of the whole disk ends with it, at once.
        QVERIFY(Form9::instance()->Dir1->setPath(u"/"_s));
        QTest::mouseClick(Form9::instance()->Command1, Qt::LeftButton);
        QTRY_COMPARE(threadsNamed("FileSearch"), 1);
        Form9::unload();
        // The thread has ended its work; the system may take a moment to let it go.
        QTRY_COMPARE_WITH_TIMEOUT(threadsNamed("FileSearch"), 0, 1000);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeMainWindow> m_main;
    std::unique_ptr<FakeDialogs> m_dialogs;
    QPointer<Form2> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TstForm2)
#include "tst_form2.moc"
