#include "appearance/form6.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/testenv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

struct Remote
{
    TestEnvironment env;
    FakeDialogs dialogs;
    FakeMainWindow main;
    QCheckBox *Option1 = new QCheckBox(&main.window);
    QSlider *Slider4 = new QSlider(&main.window);
    QLabel *Label9 = new QLabel(&main.window);
    Remote()
    {
        Form6::setTrayCheck([] { return true; });
        Option1->setObjectName(u"Option1"_s);
        Slider4->setObjectName(u"Slider4"_s);
        Label9->setObjectName(u"Label9"_s);
    }
    ~Remote() { Form6::setTrayCheck({}); }
    std::unique_ptr<Form6> open()
    {
        auto form = std::make_unique<Form6>();
        form->show();
        return form;
    }
};

class TstForm6 : public QObject
{
    Q_OBJECT
private slots:
    // Opening minimises the main window and hides it when a tray can bring it back; the mute box is copied.
    void openingSteps_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("with a tray") << true;
        QTest::newRow("without a tray") << false;
    }
    void openingSteps()
    {
        QFETCH(bool, tray);
        Remote f;
        Form6::setTrayCheck([tray] { return tray; });
        f.Option1->setChecked(true);
        f.main.window.show();
        auto form = f.open();
        QVERIFY(f.main.window.isMinimized() && form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(f.main.window.isVisible(), !tray);
        QVERIFY(form->Check1->isChecked() && f.main.player.mute());
    }
    void shapeButtonsAndSwitch()
    {
        Remote f;
        auto form = f.open();
        const QImage picture = QImage(u":/remote/full.png"_s).convertToFormat(QImage::Format_RGB32);
        const QRegion full = form->mask();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (((picture.pixel(x, y) & 0xFFFFFF) == 0) == full.contains(QPoint(x, y)))
                    QFAIL(qPrintable(u"pixel %1,%2"_s.arg(x).arg(y)));
        QSet<qint64> pictures;
        for (QToolButton *b : {form->command9, form->command10, form->command11, form->command12, form->command13})
            pictures << (b->icon().isNull() ? 0 : b->icon().pixmap(16).toImage().cacheKey());
        QVERIFY(!pictures.contains(0) && pictures.size() == 5);
        QTest::mouseClick(form->Label3, Qt::LeftButton);
        QCOMPARE(form->Label3->toolTip(), u"Show Controls"_s);
        QVERIFY(!form->mask().contains(QPoint(86, 190)) && form->mask().contains(form->Label3->geometry().center()));
        QTest::mouseClick(form->Label3, Qt::LeftButton);
        QCOMPARE(form->mask(), full);
    }
    // Only the left button drags the remote and works its labels; other buttons, and a press that ends off the
    // label, change nothing.
    void mouseButtons_data()
    {
        QTest::addColumn<QString>("target"); // "surface" or a label
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("releasedOutside");
        QTest::addColumn<QString>("expected"); // "moved", "closed", "switched", "preferences" or ""
        const auto row = [](const char *name, const char *target, Qt::MouseButton button, const char *expected,
                             bool outside = false) {
            QTest::newRow(name) << QString::fromLatin1(target) << button << outside << QString::fromLatin1(expected);
        };
        row("left drag moves", "surface", Qt::LeftButton, "moved");
        row("right drag", "surface", Qt::RightButton, "");
        row("middle drag", "surface", Qt::MiddleButton, "");
        row("left on Done closes", "Label2", Qt::LeftButton, "closed");
        row("right on Done", "Label2", Qt::RightButton, "");
        row("left on the switch", "Label3", Qt::LeftButton, "switched");
        row("right on the switch", "Label3", Qt::RightButton, "");
        row("left on the switch, let go outside", "Label3", Qt::LeftButton, "", true);
        row("left on P opens preferences", "Label4", Qt::LeftButton, "preferences");
        row("right on P", "Label4", Qt::RightButton, "");
    }
    void mouseButtons()
    {
        QFETCH(QString, target);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, releasedOutside);
        QFETCH(QString, expected);
        Remote f;
        QPointer<Form6> form = f.open().release(); // it deletes itself when closed
        const auto closeRemote = qScopeGuard([&form] { delete form.data(); });
        QVERIFY(QTest::qWaitForWindowExposed(form));
        int preferences = 0;
        connect(form, &Form6::preferencesRequested, this, [&preferences] { ++preferences; });
        const QPoint start = form->pos();
        const QRegion shape = form->mask();
        QWidget *widget = form->findChild<QLabel *>(target);
        QPoint at = widget ? widget->rect().center() : QPoint();
        if (!widget) { // a point of the picture with no control on it
            widget = form;
            for (int y = 0; y < form->height() && at.isNull(); y += 4)
                for (int x = 0; x < form->width() && at.isNull(); x += 4)
                    if (shape.contains(QPoint(x, y)) && !form->childAt(x, y))
                        at = QPoint(x, y);
        }
        // The surface is dragged; a label is clicked where it was pressed, or let go of outside it.
        const QPoint end = widget == form ? at + QPoint(30, 20) : releasedOutside ? QPoint(-30, -30) : at;
        QTest::mousePress(widget, button, {}, at);
        QTest::mouseMove(widget, end);
        QTest::mouseRelease(widget, button, {}, end);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList seen;
        if (!form)
            seen << u"closed"_s;
        else if (form->pos() == start + QPoint(30, 20))
            seen << u"moved"_s;
        else
            QCOMPARE(form->pos(), start);
        if (form && form->mask() != shape)
            seen << u"switched"_s;
        if (preferences)
            seen << u"preferences"_s;
        QCOMPARE(seen.join(u','), expected);
    }
    // The drop-down list follows the playlist, relative entries waiting for a root directory (asked for once), and
    // plays the entry chosen in it.
    void comboFollowsPlaylist()
    {
        Remote f;
        f.main.list->addMany({u"/m/Song.Title.mp3"_s, u"C:\\M\\Old.mp3"_s, u"/m.d/Readme"_s});
        auto form = f.open();
        QCOMPARE((QStringList {form->Combo1->itemText(0), form->Combo1->itemText(1), form->Combo1->itemText(2)}),
            (QStringList {u"Readme"_s, u"Song.Title"_s, u"Old"_s}));
        f.main.list->add(u"b.mp3"_s);
        QTest::qWait(1000); // the position copy ticks while the list waits for a root directory
        QCOMPARE(f.main.rootChooserCount, 1);
        f.main.root = u"/music/"_s;
        QTRY_COMPARE(form->Combo1->count(), 4);
        QCOMPARE(f.main.list->listIndex(), 3); // the selection is left on the last entry
        form->Combo1->setCurrentIndex(1);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(f.main.list->listIndex(), 1);
        QCOMPARE(f.main.startSelectedCount, 1);
        // The list shrank and the drop-down is not yet in step: its last item names no entry any more.
        form->Combo1->setCurrentIndex(3);
        f.main.list->removeAt(3);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(f.main.startSelectedCount, 1);
    }
    void transport_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("plays"); // empty: the playlist is empty and nothing is handed to the player
        QTest::addColumn<bool>("rooted"); // a root directory is chosen for the playlist's relative entries
        const QString next = u"command11"_s, previous = u"command12"_s;
        const QStringList noMore = {u"There Are No More Files To Play !"_s};
        const QString a = u"a.mp3"_s, b = u"b.mp3"_s, c = u"c.mp3"_s;
        QTest::newRow("next") << next << u"0"_s << QStringList() << b << true;
        QTest::newRow("next on the last") << next << u"2"_s << noMore << a << true;
        QTest::newRow("next past a shrunk list") << next << u"7"_s << noMore << a << true;
        QTest::newRow("previous") << previous << u"2"_s << QStringList() << b << true;
        QTest::newRow("previous at the first") << previous << u"0"_s << noMore << c << true;
        const QStringList addSome = noMore + QStringList {u"Please Add Some Files !"_s};
        QTest::newRow("previous, empty") << previous << QString() << addSome << QString() << true;
        // The user is asked for the root directory, and nothing is played until there is one.
        QTest::newRow("next without a root directory") << next << u"0"_s << QStringList() << b << false;
    }
    void transport()
    {
        QFETCH(QString, button);
        QFETCH(QString, current);
        QFETCH(QStringList, messages);
        QFETCH(QString, plays);
        QFETCH(bool, rooted);
        Remote f;
        if (!plays.isEmpty())
            f.main.list->addMany({u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s});
        if (rooted)
            f.main.root = u"/music/"_s;
        f.main.currentIndex = current;
        auto form = f.open();
        QTest::mouseClick(form->findChild<QToolButton *>(button), Qt::LeftButton);
        QCOMPARE(f.dialogs.messages, messages);
        // Opening the remote asks once for the list, the button once for the entry.
        QCOMPARE(f.main.rootChooserCount, rooted ? 0 : 2);
        if (!rooted)
            plays.clear();
        QCOMPARE(f.main.player.fileName(), plays.isEmpty() ? QString() : u"/music/"_s + plays);
        f.main.player.setPosition(3); // pause needs a position; stop rewinds
        f.main.player.calls.clear();
        QTest::mouseClick(form->command10, Qt::LeftButton);
        QTest::mouseClick(form->command13, Qt::LeftButton);
        QCOMPARE(f.main.player.calls.join(u','), plays.isEmpty() ? QString() : u"pause,setCurrentPosition 0,stop"_s);
        // The main window's status line follows; without a file it keeps what the first button left.
        QCOMPARE(f.main.statusText(), plays.isEmpty() ? u"Waiting .."_s : u"Stoped.."_s);
    }
    // The copy of position and time runs while the main player has a file, and rests without one.
    void positionCopyFollowsThePlayer()
    {
        Remote f;
        auto form = f.open();
        QTRY_VERIFY(!form->Timer1->isActive());
        f.main.player.setFileName(u"/m/a.mp3"_s);
        f.main.player.setDuration(180.5);
        f.main.player.setPosition(10.5);
        f.Slider4->setToolTip(u"Current Position : 00:10 Of 03:00 "_s);
        f.Label9->setText(u"Time : 00:10/03:00 "_s);
        emit f.main.player.mediaOpened();
        QTRY_COMPARE(form->Label1->text(), u"Time : 00:10/03:00 "_s);
        QVERIFY(form->Slider4->maximum() == 180 && form->Slider4->value() == 10);
        QCOMPARE(form->Slider4->toolTip(), f.Slider4->toolTip());
        f.main.player.setFileName({});
        QTRY_VERIFY(!form->Timer1->isActive());
    }
};

QTEST_MAIN(TstForm6)
#include "tst_form6.moc"
