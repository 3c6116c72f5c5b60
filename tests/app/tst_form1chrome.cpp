// The main window's chrome: every button and menu item, reached with real clicks and keys as a user reaches it,
// runs its operation, and the windows it opens are reused.
#include "fakes/visiblerows.h"
#include "form1fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QToolTip>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

// What the user would see after a click: messages, dialogs asked for, the player's commands, windows shown, the
// program ending, the list emptied, the window minimised or moved from where it was.
QStringList seen(Form1Fixture &f, int entries, QPoint position)
{
    QStringList facts;
    for (const QString &text : std::as_const(f.dialogs.messages))
        facts << u"message "_s + text;
    for (const QString &prompt : std::as_const(f.dialogs.inputPrompts))
        facts << u"input "_s + prompt;
    for (const FileDialogRequest &request : std::as_const(f.dialogs.openRequests))
        facts << u"open "_s + request.title;
    for (const FileDialogRequest &request : std::as_const(f.dialogs.saveRequests))
        facts << u"save "_s + request.title;
    for (const QString &call : std::as_const(f.player().calls))
        facts << u"player "_s + call;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top != f.form.get() && !qobject_cast<QMenu *>(top))
            facts << u"window "_s + QString::fromLatin1(top->metaObject()->className()).section(u':', -1);
    }
    if (f.endProcessCalls == 1 && !f.form->isVisible())
        facts << u"exit"_s;
    if (entries && !f.form->List1->count())
        facts << u"cleared"_s;
    if (f.form->windowState() & Qt::WindowMinimized && f.form->isVisible())
        facts << u"minimised"_s;
    if (f.form->pos() != position)
        facts << u"moved"_s;
    // Rows the playlist shows besides the entries it started with.
    for (const QString &row : visibleRows(f.form->List1)) {
        if (!row.startsWith(u"/m/"_s))
            facts << u"shows "_s + row;
    }
    return facts;
}

QAction *findAction(const QMenu *menu, const QString &name)
{
    for (QAction *action : menu->actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

// Clicks through a path such as "imgMaximize/controls/neddt": a button of the window (or "right", a right click on
// the playlist), then the items of the menus that open, each with the mouse on the item. "key:2" types 2 into the
// playlist; "drag:left" drags the window's background with that button; "+" joins paths. Returns what went
// wrong, if anything.
QString clickPath(Form1 &form, const QString &path)
{
    if (path.contains(u'+')) { // one path after the other, in this order
        const QString first = clickPath(form, path.section(u'+', 0, 0));
        return first + clickPath(form, path.section(u'+', 1));
    }
    if (path.startsWith(u"key:"_s)) {
        QTest::keyClick(form.List1, path.at(4).toLatin1());
        return {};
    }
    if (path.startsWith(u"drag:"_s)) { // the window's background, with the left, right or middle button
        const Qt::MouseButton button = path.endsWith(u"left"_s) ? Qt::LeftButton
            : path.endsWith(u"right"_s)                         ? Qt::RightButton
                                                                : Qt::MiddleButton;
        QPoint at(1, 1);
        while (form.childAt(at) && at.y() < form.height())
            at += QPoint(0, 4);
        QTest::mousePress(&form, button, {}, at);
        QTest::mouseMove(&form, at + QPoint(40, 30));
        QTest::mouseRelease(&form, button, {}, at + QPoint(40, 30));
        return {};
    }
    const QStringList steps = path.split(u'/');
    if (steps.first() == u"right") { // a right click on the playlist
        QTest::mouseClick(form.List1->viewport(), Qt::RightButton, {}, {4, 4});
    } else {
        auto *button = form.findChild<QAbstractButton *>(steps.first());
        if (!button || !button->isVisible())
            return u"no visible button "_s + steps.first();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    for (const QString &name : steps.mid(1)) {
        QMenu *menu = nullptr;
        QAction *action = nullptr;
        if (!QTest::qWaitFor(
                [&] {
                    menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                    action = menu && menu->isVisible() ? findAction(menu, name) : nullptr;
                    return action != nullptr;
                },
                3000))
            return u"no open menu with "_s + name;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    return {};
}

} // namespace

class TstForm1Chrome : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("expected");
        // Paths through the window's own menu (imgMaximize), the button menus, the buttons and the keys typed into
        // the playlist, by what the user then sees. "empty" rows start with no entries and no file loaded.
        const auto rows = [](const char *paths, const char *expected, bool empty = false) {
            for (const QString &path : QString::fromLatin1(paths).split(u' '))
                QTest::newRow(qPrintable(path)) << path << empty << QString::fromLatin1(expected);
        };
        rows("imgMaximize/addf/add Command1/addfilerr", "open Open MP3 File");
        rows("imgMaximize/list/loadplay", "open Edit List");
        rows("imgMaximize/list/saveplay Command2/saveplay", "save Edit List");
        rows("imgMaximize/addf/addurl Command1/addurlk", "shows http://radio.example/live");
        rows("imgMaximize/remv/rf", ""); // greyed
        rows("imgMaximize/remv/clpl Command3/removeall", "cleared");
        rows("imgMaximize/controls/paly", "message No File To Play !", true);
        rows("Command3/removesel", "message No files to remove !", true);
        rows("imgMaximize/fileinfos Command7/fileinfo right/fileinfo", "message Please play a file first !", true);
        rows("imgMaximize/controls/stiioo", "player stop");
        rows("imgMaximize/controls/llops", "player pause");
        rows("imgMaximize/controls/neddt", "player setFileName /m/c.mp3");
        rows("imgMaximize/controls/ssdww", "player setFileName /m/a.mp3");
        rows("imgMaximize/controls/fastfor Command15", "player setCurrentPosition 15");
        rows("imgMaximize/controls/rewinfd Command16", "player setCurrentPosition 5");
        rows("Command6", "player aboutBox");
        rows("imgMaximize/addf/ads Command1/adddirrr", "window Form2");
        rows("imgMaximize/addf/seartcjlkf Command1/searjf", "window Form9");
        rows("imgMaximize/videop Command7/digivideo Command4", "window Form3");
        rows("imgMaximize/idtd Command7/idshow key:1", "window id3t");
        rows("imgMaximize/idplay Command7/imglky key:3", "window Form5");
        rows("imgMaximize/remotecontrol Command7/remotec", "window Form6");
        rows("imgMaximize/preference Command7/preferenceo", "window frmOptions");
        rows("imgMaximize/sdppmn Command7/kldjfkhsdj", "window Form7");
        rows("imgMaximize/visualopt Command7/options Image3 key:2", "window Form4");
        rows("imgMaximize/about Command7/aboutquillet Command5 Image1", "window frmAbout");
        // A window opened again is the same window.
        rows("Command1/adddirrr+imgMaximize/addf/ads", "window Form2");
        rows("imgMinimize", "minimised");
        rows("drag:left", "moved");
        rows("drag:right drag:middle", "");
        rows("imgMaximize/exit imgCloseForm", "exit");
        // Exit takes every window it opened with it.
        rows("Command1/searjf+Command1/adddirrr+Command5+imgMaximize/exit", "exit");
    }
    void clicks()
    {
        QFETCH(QString, path);
        QFETCH(bool, empty);
        QFETCH(QString, expected);
        Form1Fixture f;
        Form1 &form = f.show();
        if (!empty) {
            // A loaded file at 10 s of 100 and three entries, the middle one current: every command has work to do.
            f.player().setFileName(u"/playing.mp3"_s);
            f.player().setPosition(10);
            form.Slider4->setRange(0, 100);
            form.Slider4->setValue(10);
            form.List1->addMany({u"/m/a.mp3"_s, u"/m/b.mp3"_s, u"/m/c.mp3"_s});
            form.Label1->setText(u"1"_s);
        }
        f.player().calls.clear();
        const int entries = form.List1->count();
        const QPoint position = form.pos();
        QCOMPARE(seen(f, entries, position), QStringList());
        // A question for a text is answered (the only one is the address to add).
        f.dialogs.inputAnswers << u"http://radio.example/live"_s;
        const QString problem = clickPath(form, path);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (expected.isEmpty()) {
            QTest::qWait(200);
            QVERIFY2(seen(f, entries, position).isEmpty(), qPrintable(seen(f, entries, position).join(u',')));
        } else {
            QTRY_VERIFY2(
                seen(f, entries, position).contains(expected), qPrintable(seen(f, entries, position).join(u',')));
            QCOMPARE(seen(f, entries, position).count(expected), 1);
            // Exit leaves no window open.
            if (expected == u"exit"_s)
                QCOMPARE(seen(f, entries, position).filter(u"window "_s), QStringList());
        }
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        for (QWidget *top : QApplication::topLevelWidgets())
            top->hide();
    }
    // Resting the mouse on a control shows its tip, one control after the other.
    void tips()
    {
        Form1Fixture f;
        Form1 &form = f.show();
        const QList<QPair<QString, QString>> tips
            = {{u"Text3"_s, u"Song Info .."_s}, {u"Text1"_s, u"More Info .."_s}, {u"Text2"_s, u"More Info .."_s},
                {u"Command16"_s, u"Rewind .."_s}, {u"Command15"_s, u"Fast Forward .."_s}, {u"Slider1"_s, u"Balance"_s},
                {u"volume1"_s, u"Volume"_s}, {u"slider2"_s, u"Playcount"_s}, {u"slider3"_s, u"Auto Rewind"_s},
                {u"Option1"_s, u"Sound ON/OFF"_s}, {u"Command8"_s, u"RESET Volume Settings"_s},
                {u"command9"_s, u"Play"_s}, {u"imgMinimize"_s, u"Minimize To Task Bar .."_s}};
        for (const auto &[name, tip] : tips) {
            QWidget *control = form.findChild<QWidget *>(name);
            QTest::mouseMove(control, control->rect().center());
            QTRY_COMPARE(QToolTip::text(), tip);
        }
    }
};

QTEST_MAIN(TstForm1Chrome)
#include "tst_form1chrome.moc"
