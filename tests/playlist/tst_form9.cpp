#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/filetree.h"
#include "fakes/testenv.h"
#include "playlist/directorylist.h"
#include "playlist/form9.h"
#include "playlist/playlistmodel.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;

namespace {

QStringList listTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class TstForm9 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensReadyToSearch();
    void findsEveryEndingInAnyCase();
    void searchingAgainClearsTheResult();
    void unreadableStartFindsNothing();
    void countsPastSixteenBits();
    void searchButtonCancels();
    void closingDuringSearchIsSafe();
    void longestPathCanBeScrolledIntoView();
    void addsResultsInOneBatch();
    void addingAnEmptyResultSaysSo();
    void openReusesTheWindowUntilClosed();

private:
    // Types the ending, presses Search and waits for the end.
    void search(const QString &directory, const QString &ending);

    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeMainWindow> m_main;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
    QPointer<Form9> m_form;
    QTemporaryDir m_dir;
};

void TstForm9::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_main = std::make_unique<testing::FakeMainWindow>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
    m_form = new Form9;
}

void TstForm9::cleanup()
{
    delete m_form;
    Form9::unload();
    m_dialogs.reset();
    m_main.reset();
    m_env.reset();
}

void TstForm9::search(const QString &directory, const QString &ending)
{
    QVERIFY(m_form->Dir1->setPath(directory));
    m_form->Combo1->setEditText(ending);
    QSignalSpy finished(m_form.data(), &Form9::searchFinished);
    QTest::mouseClick(m_form->Command1, Qt::LeftButton);
    QVERIFY(finished.wait(30000));
}

void TstForm9::opensReadyToSearch()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Search For MP3 Files"));
    QCOMPARE(m_form->Label1->text(), QStringLiteral("0 Files"));
    QCOMPARE(m_form->Combo1->count(), 6);
    const QStringList items = {QStringLiteral("mp3"), QStringLiteral("wav"), QStringLiteral("mpg"),
        QStringLiteral("wma"), QStringLiteral("avi"), QStringLiteral("mpeg")};
    for (int i = 0; i < items.size(); ++i)
        QCOMPARE(m_form->Combo1->itemText(i), items.at(i));
    QCOMPARE(m_form->Combo1->currentText(), QStringLiteral("mp3"));
    QCOMPARE(m_form->Combo1->toolTip(), QStringLiteral("Type here the File Type To Search for."));
    QCOMPARE(m_form->List1->count(), 0);
    QCOMPARE(m_form->Command1->text(), QStringLiteral("&Search"));
    QCOMPARE(m_form->Command2->text(), QStringLiteral("&Add To Playlist"));
}

void TstForm9::findsEveryEndingInAnyCase()
{
    const QString root = m_dir.path() + QStringLiteral("/music");
    const QStringList matches = {
        QStringLiteral("a.mp3"),
        QStringLiteral("b.MP3"),
        QStringLiteral("c.Mp3"),
        QStringLiteral("xmp3"),
        QStringLiteral(".hidden.mp3"),
        QStringLiteral("sub/d.mp3"),
        QStringLiteral("sub/e.MP3"),
        QStringLiteral("sub/.h/f.mp3"),
        QStringLiteral("sub/deep/g.mP3"),
        QStringLiteral("other/h.mp3"),
        QStringLiteral("other/i.mp3"),
        QStringLiteral("other/j k.mp3"),
    };
    for (const QString &file : matches)
        QVERIFY(testing::makeFile(root, file));
    QVERIFY(testing::makeFile(root, QStringLiteral("note.txt")));
    QVERIFY(testing::makeFile(root, QStringLiteral("sub/song.mp3.part")));

    search(root, QStringLiteral("MP3"));
    QCOMPARE(m_form->Label1->text(), QStringLiteral(" 12 Files Found"));
    QStringList expected;
    for (const QString &file : matches)
        expected << root + QLatin1Char('/') + file;
    expected.sort();
    QStringList found = listTexts(m_form->List1);
    found.sort();
    QCOMPARE(found, expected);
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
}

void TstForm9::searchingAgainClearsTheResult()
{
    const QString root = m_dir.path() + QStringLiteral("/again");
    QVERIFY(testing::makeFile(root, QStringLiteral("one.mp3")));
    QVERIFY(testing::makeFile(root, QStringLiteral("two.wav")));
    search(root, QStringLiteral("mp3"));
    QCOMPARE(listTexts(m_form->List1), QStringList {root + QStringLiteral("/one.mp3")});
    search(root, QStringLiteral("wav"));
    QCOMPARE(listTexts(m_form->List1), QStringList {root + QStringLiteral("/two.wav")});
    QCOMPARE(m_form->Label1->text(), QStringLiteral(" 1 Files Found"));
    // The empty ending finds every file.
    search(root, QString());
    QCOMPARE(m_form->List1->count(), 2);
    QCOMPARE(m_form->Label1->text(), QStringLiteral(" 2 Files Found"));
}

void TstForm9::unreadableStartFindsNothing()
{
    const QString root = m_dir.path() + QStringLiteral("/gone");
    QVERIFY(testing::makeFile(root, QStringLiteral("a.mp3")));
    QVERIFY(m_form->Dir1->setPath(root));
    QVERIFY(QDir(root).removeRecursively());
    m_form->List1->addItem(QStringLiteral("earlier result"));
    QSignalSpy finished(m_form.data(), &Form9::searchFinished);
    m_form->Command1_Click();
    QVERIFY(finished.wait(10000));
    QCOMPARE(m_form->List1->count(), 0);
    QCOMPARE(m_form->Label1->text(), QStringLiteral(" 0 Files Found"));
}

void TstForm9::countsPastSixteenBits()
{
    const QString root = m_dir.path() + QStringLiteral("/many");
    constexpr int files = 33000;
    QVERIFY(testing::makeLinkedFiles(root, files, 33, QStringLiteral("song%1.mp3")));
    search(root, QStringLiteral("mp3"));
    QCOMPARE(m_form->Label1->text(), QStringLiteral(" 33000 Files Found"));
    QCOMPARE(m_form->List1->count(), files);

    m_form->Command2_Click();
    QCOMPARE(m_main->list->count(), files);
}

void TstForm9::searchButtonCancels()
{
    const QString root = m_dir.path() + QStringLiteral("/cancel");
    QVERIFY(testing::makeLinkedFiles(root, 3000, 30, QStringLiteral("song%1.mp3")));
    QVERIFY(m_form->Dir1->setPath(root));
    QSignalSpy finished(m_form.data(), &Form9::searchFinished);
    QTest::mouseClick(m_form->Command1, Qt::LeftButton);
    QVERIFY(m_form->isSearching());
    QCOMPARE(m_form->Command1->text(), QStringLiteral("&Cancel"));
    QCOMPARE(m_form->cursor().shape(), Qt::WaitCursor);
    QVERIFY(!m_form->Command2->isEnabled());
    QTest::mouseClick(m_form->Command1, Qt::LeftButton);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!m_form->isSearching());
    QCOMPARE(m_form->Command1->text(), QStringLiteral("&Search"));
    QVERIFY(m_form->Command2->isEnabled());
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
    // Whatever was found before the stop is listed and counted alike.
    QVERIFY(m_form->List1->count() <= 3000);
    QCOMPARE(m_form->Label1->text(), Form9::foundText(m_form->List1->count()));
}

void TstForm9::closingDuringSearchIsSafe()
{
    const QString root = m_dir.path() + QStringLiteral("/close");
    QVERIFY(testing::makeLinkedFiles(root, 3000, 30, QStringLiteral("song%1.mp3")));
    QVERIFY(m_form->Dir1->setPath(root));
    m_form->show();
    m_form->Command1_Click();
    QVERIFY(m_form->isSearching());
    m_form->close();
    QTRY_VERIFY(m_form.isNull());
    QTest::qWait(200);
}

void TstForm9::longestPathCanBeScrolledIntoView()
{
    const QString root = m_dir.path() + QStringLiteral("/wide");
    const QString longName = QString(180, QLatin1Char('w')) + QStringLiteral(".mp3");
    QVERIFY(testing::makeFile(root, QStringLiteral("short.mp3")));
    QVERIFY(testing::makeFile(root, QStringLiteral("deeper/") + longName));
    m_form->show();
    search(root, QStringLiteral("mp3"));
    const QString longest = root + QStringLiteral("/deeper/") + longName;
    const int width = m_form->List1->fontMetrics().horizontalAdvance(longest);
    QScrollBar *bar = m_form->List1->horizontalScrollBar();
    QTRY_VERIFY2(bar->maximum() + m_form->List1->viewport()->width() >= width,
        qPrintable(QStringLiteral("scrolls to %1 of %2").arg(bar->maximum()).arg(width)));
}

void TstForm9::addsResultsInOneBatch()
{
    const QString root = m_dir.path() + QStringLiteral("/add");
    QVERIFY(testing::makeFile(root, QStringLiteral("b.mp3")));
    QVERIFY(testing::makeFile(root, QStringLiteral("sub/A.mp3")));
    QVERIFY(testing::makeFile(root, QStringLiteral("sub/c.mp3")));
    m_main->list->add(root + QStringLiteral("/b.mp3"));
    search(root, QStringLiteral("mp3"));

    QSignalSpy counts(m_main->list->playlist(), &PlaylistModel::countChanged);
    QTest::mouseClick(m_form->Command2, Qt::LeftButton);
    QCOMPARE(counts.count(), 1);
    QCOMPARE(m_main->list->entries(),
        QStringList({root + QStringLiteral("/b.mp3"), root + QStringLiteral("/b.mp3"),
            root + QStringLiteral("/sub/A.mp3"), root + QStringLiteral("/sub/c.mp3")}));
    QCOMPARE(m_form->List1->currentRow(), 2);
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TstForm9::addingAnEmptyResultSaysSo()
{
    m_main->list->add(QStringLiteral("/kept.mp3"));
    m_form->Command2_Click();
    QCOMPARE(m_dialogs->messages, QStringList {QStringLiteral("All Files In The List Added !")});
    QCOMPARE(m_main->list->entries(), QStringList {QStringLiteral("/kept.mp3")});
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TstForm9::openReusesTheWindowUntilClosed()
{
    Form9 *first = Form9::open();
    QVERIFY(first->isVisible());
    QCOMPARE(first->parentWidget(), m_main->mainWidget());
    first->List1->addItem(QStringLiteral("kept"));
    QCOMPARE(Form9::open(), first);
    QCOMPARE(first->List1->count(), 1);

    QPointer<Form9> closed = first;
    first->close();
    QTRY_VERIFY(closed.isNull());
    QVERIFY(Form9::instance() == nullptr);
    Form9 *second = Form9::open();
    QCOMPARE(second->List1->count(), 0);
    QCOMPARE(second->Label1->text(), QStringLiteral("0 Files"));
}

QTEST_MAIN(TstForm9)
#include "tst_form9.moc"
