// Every window as a screen reader and a keyboard user meet it, on a real X server: the accessibility tree names
// every control and gives every bar its value, the focus starts on a control and Tab walks the controls in
// reading order, Escape closes, Enter does what a double-click does, and the commands have keys.
#include "form1fixture.h"

#include "app/windowregistry.h"
#include "appearance/form4.h"
#include "appearance/form6.h"
#include "common/qtdialogservice.h"
#include "fakes/xvfb.h"
#include "playlist/directorylist.h"
#include "playlist/filelist.h"
#include "playlist/form2.h"
#include "playlist/form5.h"
#include "playlist/form8.h"
#include "playlist/form9.h"
#include "settings/form7.h"
#include "settings/frmabout.h"
#include "settings/frmoptions.h"
#include "tags/id3t.h"
#include "video/form3.h"
#include "video/frmbrowser.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>

#include <algorithm>
#include <functional>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

const QStringList kWindows = {u"main window"_s, u"tag editor"_s, u"ID3 playlist"_s, u"video playlist"_s,
    u"directory browser"_s, u"file search"_s, u"root chooser"_s, u"remote control"_s, u"preferences"_s,
    u"visual options"_s, u"file types"_s, u"about"_s};

// Opens a window the way the main window's commands do: each command shows its window, which is then looked up.
QWidget *openWindow(Form1Fixture &f, const QString &name)
{
    WindowRegistry *w = f.form->windows();
    const QHash<QString, std::function<QWidget *()>> open = {{u"main window"_s, [&] { return f.form.get(); }},
        {u"main menu"_s, [&] { return f.form->mnuBar->popup(f.form->mapToGlobal(QPoint(10, 10))), f.form->mnuBar; }},
        {u"tag editor"_s,
            [&]() -> QWidget * {
                w->showTagEditor(f.form->MP1, f.form->List1->currentText());
                for (QWidget *top : QApplication::topLevelWidgets()) {
                    if (qobject_cast<id3t *>(top) && top->isVisible())
                        return top;
                }
                return nullptr;
            }},
        {u"ID3 playlist"_s, [&] { return w->showId3Playlist(), w->find<Form5>(); }},
        {u"video playlist"_s, [&] { return w->showVideoPlayer(), Form3::instance(); }},
        {u"video display"_s, [] { return frmBrowser::open(); }},
        {u"directory browser"_s, [&] { return w->showDirectoryBrowser(), Form2::instance(); }},
        {u"file search"_s, [&] { return w->showFileSearch(), Form9::instance(); }},
        {u"root chooser"_s, [&] { return w->showRootChooser(), Form8::instance(); }},
        {u"remote control"_s, [&] { return w->showRemote(), Form6::instance(); }},
        {u"remote control, controls hidden"_s,
            [&] {
                w->showRemote();
                QTest::mouseClick(Form6::instance()->Label3, Qt::LeftButton);
                return Form6::instance();
            }},
        {u"preferences"_s, [&] { return w->showPreferences(), w->find<frmOptions>(); }},
        {u"visual options"_s, [&] { return w->showVisualOptions(), w->visualOptions(); }},
        {u"file types"_s, [&] { return w->showFileTypes(), w->find<Form7>(); }},
        {u"about"_s, [&] { return w->showAbout(), w->find<frmAbout>(); }}};
    return open.contains(name) ? open.value(name)() : nullptr;
}

QString describe(QAccessibleInterface *node)
{
    QObject *object = node->object();
    return QString::fromLatin1(qAccessibleRoleString(node->role())) + u' '
        + (object ? object->objectName() : QString());
}

// What a walk of the accessibility tree found: the controls a user can act on, those without a name, those that
// take the focus but are announced as plain text, and the bars and sliders that do not tell their value.
struct TreeFindings
{
    int controls = 0;
    QStringList unnamed;
    QStringList mere;
    QStringList withoutValue;
};

void walk(QAccessibleInterface *node, TreeFindings &found)
{
    if (!node || !node->isValid() || node->state().invisible)
        return;
    static const QSet<QAccessible::Role> acting = {QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::RadioButton, QAccessible::ComboBox, QAccessible::EditableText, QAccessible::List,
        QAccessible::Tree, QAccessible::Table, QAccessible::Slider, QAccessible::ScrollBar, QAccessible::SpinBox,
        QAccessible::Dial, QAccessible::Link, QAccessible::MenuItem, QAccessible::PageTab, QAccessible::ButtonMenu};
    static const QSet<QAccessible::Role> valued
        = {QAccessible::Slider, QAccessible::ScrollBar, QAccessible::SpinBox, QAccessible::Dial};
    const QAccessible::Role role = node->role();
    if (role == QAccessible::Separator)
        return;
    if (acting.contains(role) || node->state().focusable) {
        ++found.controls;
        if (node->text(QAccessible::Name).trimmed().isEmpty())
            found.unnamed << describe(node);
        if (role == QAccessible::StaticText)
            found.mere << describe(node) + u' ' + node->text(QAccessible::Name);
    }
    if (valued.contains(role) && !(node->valueInterface() && node->valueInterface()->currentValue().isValid()))
        found.withoutValue << describe(node);
    // A list's rows are its data, named by their text; a list speaks for its own scroll bars.
    if (role == QAccessible::List || role == QAccessible::Tree || role == QAccessible::Table)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), found);
}

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *node = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    return node ? node->text(QAccessible::Name) : u"<none>"_s;
}

QWidget *stopOf(QWidget *focus, const QList<QWidget *> &stops)
{
    for (QWidget *up = focus; up; up = up->parentWidget()) {
        if (stops.contains(up))
            return up;
    }
    return focus;
}

// The controls of a window that Tab should reach: shown, enabled, taking the focus by Tab, and not part of another
// such control.
QList<QWidget *> tabStops(QWidget *window)
{
    QList<QWidget *> stops;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->isWindow() || !widget->isVisible() || !widget->isEnabled()
            || !(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() || widget->window() != window)
            continue;
        // Of a group of option buttons, Tab reaches the chosen one; the arrow keys choose among them.
        if (auto *option = qobject_cast<QRadioButton *>(widget);
            option && option->autoExclusive() && !option->isChecked())
            continue;
        stops << widget;
    }
    // A combo box's text field or a list's inner parts belong to it.
    QList<QWidget *> outer;
    for (QWidget *stop : std::as_const(stops)) {
        if (!stops.contains(stopOf(stop->parentWidget(), stops)))
            outer << stop;
    }
    return outer;
}

// Whether b comes after a in reading order: further along the same row, on a row below, or at the top of a
// column to the right.
bool readsAfter(QWidget *window, QWidget *a, QWidget *b)
{
    const QRect ra(a->mapTo(window, QPoint(0, 0)), a->size());
    const QRect rb(b->mapTo(window, QPoint(0, 0)), b->size());
    const bool sameRow = (rb.center().y() >= ra.top() && rb.center().y() <= ra.bottom())
        || (ra.center().y() >= rb.top() && ra.center().y() <= rb.bottom());
    if (sameRow)
        return rb.center().x() > ra.center().x();
    return rb.top() >= ra.center().y() || rb.left() >= ra.right();
}

void waitForFocus(QWidget *window)
{
    [[maybe_unused]] const bool focused = QTest::qWaitFor(
        [window] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == window; }, 3000);
}

} // namespace

class TstAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // As with a screen reader running: the controls are described from the moment they are made.
        QAccessible::setActive(true);
        // The video display is looked at, not played: mpv's own renderer spares the OpenGL probe, whose Mesa
        // driver is unloaded at exit with an allocation of its own still held (a leak report of no module).
        qputenv("QUILLET_VIDEO_RENDERER", "software");
    }
    void init()
    {
        m_fixture = std::make_unique<Form1Fixture>();
        m_fixture->writeDefaultPlaylist("/music/First Song.mp3\r\n/music/Second Song.mp3\r\n");
        m_fixture->show();
    }
    void cleanup()
    {
        m_fixture.reset();
        Form3::unload();
        frmBrowser::unload();
    }

    void everyControlHasANameAndEveryBarItsValue_data()
    {
        QTest::addColumn<QString>("window");
        for (const QString &name : kWindows + QStringList {u"video display"_s, u"main menu"_s})
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyControlHasANameAndEveryBarItsValue()
    {
        QFETCH(QString, window);
        QWidget *shown = openWindow(*m_fixture, window);
        QVERIFY(shown && QTest::qWaitForWindowExposed(shown));
        TreeFindings found;
        walk(QAccessible::queryAccessibleInterface(shown), found);
        QVERIFY2(found.controls > 0, "no control found in the accessibility tree");
        QVERIFY2(found.unnamed.isEmpty(), qPrintable(u"without a name: "_s + found.unnamed.join(u", "_s)));
        QVERIFY2(found.mere.isEmpty(), qPrintable(u"announced as text: "_s + found.mere.join(u", "_s)));
        QVERIFY2(found.withoutValue.isEmpty(), qPrintable(u"without a value: "_s + found.withoutValue.join(u", "_s)));
    }
    void messageBoxIsNamedAndClosesWithEscape()
    {
        // The real message box of the program, answered from the keyboard.
        TreeFindings found;
        bool closedByEscape = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *box = nullptr;
            if (!QTest::qWaitFor([&box] { return (box = QApplication::activeModalWidget()) != nullptr; })
                || !QTest::qWaitForWindowExposed(box))
                return;
            walk(QAccessible::queryAccessibleInterface(box), found);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_Escape);
            closedByEscape = !box->isVisible();
        });
        QtDialogService().message(u"No File To Play !"_s);
        QVERIFY(closedByEscape);
        QVERIFY(found.controls > 0);
        QVERIFY2(found.unnamed.isEmpty(), qPrintable(found.unnamed.join(u", "_s)));
    }
    void focusStartsOnAControlTabReadsInOrderAndEscapeCloses_data()
    {
        QTest::addColumn<QString>("window");
        // The control that has the focus on opening, by its accessible name; none: the first in reading order.
        QTest::addColumn<QString>("startsAt");
        for (const QString &name : kWindows + QStringList {u"remote control, controls hidden"_s})
            QTest::newRow(qPrintable(name)) << name << (name == u"main window"_s ? u"Playlist"_s : QString());
    }
    void focusStartsOnAControlTabReadsInOrderAndEscapeCloses()
    {
        QFETCH(QString, window);
        QFETCH(QString, startsAt);
        QPointer<QWidget> shown = openWindow(*m_fixture, window);
        QVERIFY(shown);
        shown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        waitForFocus(shown);
        // The ID3 playlist opens while it reads the tags, its list hidden; the list has the focus once it is back.
        if (auto *id3Playlist = qobject_cast<Form5 *>(shown))
            QTRY_VERIFY(id3Playlist->List2->isVisible());
        QWidget *start = QApplication::focusWidget();
        QVERIFY2(start && start != shown && start->window() == shown, "no control has the focus");
        const QList<QWidget *> stops = tabStops(shown);
        if (!startsAt.isEmpty())
            QCOMPARE(accessibleName(stopOf(start, stops)), startsAt);

        // Tab from control to control until the focus comes back round, never to one cut off by the window's shape.
        QList<QWidget *> visited {stopOf(start, stops)};
        QStringList outOfOrder;
        QStringList cutOff;
        for (int i = 0; i <= stops.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *now = stopOf(QApplication::focusWidget(), stops);
            if (!shown->mask().isEmpty() && !shown->mask().contains(now->mapTo(shown, now->rect().center())))
                cutOff << accessibleName(now);
            if (now == visited.first())
                break;
            // A drop-down opened from the keyboard closes with Escape, and the window stays.
            if (auto *combo = qobject_cast<QComboBox *>(now)) {
                QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
                QTRY_VERIFY(combo->view()->isVisible());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                QVERIFY2(shown && shown->isVisible(),
                    qPrintable(u"Escape in the drop-down closes the window: "_s + accessibleName(now)));
                QTRY_VERIFY(!combo->view()->isVisible());
                QTRY_COMPARE(QApplication::focusWidget(), now);
            }
            if (!readsAfter(shown, visited.last(), now))
                outOfOrder << accessibleName(visited.last()) + u" -> "_s + accessibleName(now);
            visited << now;
        }
        QStringList missed;
        for (QWidget *stop : stops) {
            if (!visited.contains(stop))
                missed << accessibleName(stop);
        }
        QVERIFY2(missed.isEmpty(), qPrintable(u"Tab never reaches: "_s + missed.join(u", "_s)));
        QVERIFY2(cutOff.isEmpty(), qPrintable(u"Tab reaches, outside the shape: "_s + cutOff.join(u", ")));
        // From the first control the cycle reads in order throughout; from another it wraps once.
        QVERIFY2(outOfOrder.size() <= (startsAt.isEmpty() ? 0 : 1),
            qPrintable(u"out of reading order: "_s + outOfOrder.join(u", "_s)));
        // Back on the control it started on, Escape closes every window but the main one.
        if (shown != m_fixture->form.get()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!shown || !shown->isVisible());
        }
    }
    void aboutClosesWithTabAndEnter()
    {
        QWidget *about = openWindow(*m_fixture, u"about"_s);
        QVERIFY(QTest::qWaitForWindowActive(about));
        waitForFocus(about);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        // EXIT, a label, shows that it has the focus: a frame around it, at least a whole edge of pixels.
        QWidget *exit = QApplication::focusWidget();
        const QImage focused = exit->grab().toImage();
        exit->clearFocus();
        const QImage unfocused = exit->grab().toImage();
        int differing = 0;
        for (int y = 0; y < focused.height(); ++y) {
            for (int x = 0; x < focused.width(); ++x)
                differing += focused.pixel(x, y) != unfocused.pixel(x, y);
        }
        QVERIFY2(differing >= focused.width(), "the focused EXIT looks as without the focus");
        exit->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!about->isVisible());
    }
    void enterPlaysLikeADoubleClick_data()
    {
        QTest::addColumn<QString>("window");
        for (const QString &name : {u"video playlist"_s, u"directory browser"_s})
            QTest::newRow(qPrintable(name)) << name;
    }
    void enterPlaysLikeADoubleClick()
    {
        QFETCH(QString, window);
        const QString file = m_fixture->env.path(u"music/clip.mp3"_s);
        QDir().mkpath(QFileInfo(file).path());
        Form1Fixture::writeFile(file, "not really");
        QWidget *shown = openWindow(*m_fixture, window);
        QVERIFY(QTest::qWaitForWindowActive(shown));
        auto *video = qobject_cast<Form3 *>(shown);
        auto *browser = qobject_cast<Form2 *>(shown);
        if (video)
            video->List1->addItem(file);
        else
            browser->Dir1->setPath(QFileInfo(file).path());
        QListWidget *list = video ? video->List1 : browser->File1;
        QTRY_VERIFY(list->count() > 0);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Return);
        if (video) {
            QTRY_VERIFY(frmBrowser::instance());
            QTRY_COMPARE(static_cast<FakePlayer *>(frmBrowser::instance()->Media1)->fileName(), file);
        } else {
            QTRY_COMPARE(m_fixture->player().fileName(), file);
        }
    }
    void remoteDropDownOpensInTheRemotesColours()
    {
        auto *remote = static_cast<Form6 *>(openWindow(*m_fixture, u"remote control"_s));
        QVERIFY(QTest::qWaitForWindowExposed(remote));
        QTRY_COMPARE(remote->Combo1->count(), 2);
        remote->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(remote));
        remote->Combo1->setFocus();
        QTest::keyClick(remote->Combo1, Qt::Key_Down, Qt::AltModifier);
        QWidget *popup = remote->Combo1->view()->window();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QTest::qWait(50);
        const QImage shot = popup->screen()->grabWindow(popup->winId()).toImage();
        QHash<QRgb, int> counts;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x)
                ++counts[shot.pixel(x, y) & 0xFFFFFF];
        }
        // What the X server shows: the list's ground is the closed box's dark grey, its text the light grey.
        QCOMPARE(QColor(std::max_element(counts.cbegin(), counts.cend()).key()), QColor(0x40, 0x40, 0x40));
        QVERIFY2(counts.contains(0xC0C0C0), "no light grey text in the list");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    void windowsOpenNearTheMainWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("visual options") << u"visual options"_s;
        QTest::newRow("about") << u"about"_s;
    }
    void windowsOpenNearTheMainWindow()
    {
        QFETCH(QString, window);
        Form1 &main = *m_fixture->form;
        const QRect screen = main.screen()->availableGeometry();
        const QPoint middle = screen.center() - QPoint(main.width() / 2, main.height() / 2);
        main.move(middle);
        QTRY_COMPARE(main.pos(), middle);
        QWidget *opened = openWindow(*m_fixture, window);
        QVERIFY(QTest::qWaitForWindowExposed(opened));
        // It opens over the middle of the main window, wholly on the screen.
        const QRect placed = opened->frameGeometry();
        QVERIFY2(main.frameGeometry().contains(placed.center()),
            qPrintable(u"opened at %1,%2"_s.arg(placed.x()).arg(placed.y())));
        QVERIFY(screen.contains(placed));
    }
    void preferencesOpenByAKeyAsAFixedDialog()
    {
        Form1 &main = *m_fixture->form;
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Comma, Qt::ControlModifier);
        QTRY_VERIFY(main.windows()->find<frmOptions>() && main.windows()->find<frmOptions>()->isVisible());
        QWidget *preferences = main.windows()->find<frmOptions>();
        QVERIFY(QTest::qWaitForWindowExposed(preferences));
        // What the window manager is told: a dialog of the main window, of one size, without minimise and maximise
        // buttons.
        QProcess xprop;
        xprop.start(u"xprop"_s,
            {u"-id"_s, QString::number(preferences->winId()), u"WM_TRANSIENT_FOR"_s, u"WM_NORMAL_HINTS"_s,
                u"_NET_WM_WINDOW_TYPE"_s, u"_MOTIF_WM_HINTS"_s});
        QVERIFY2(xprop.waitForFinished(10000), "xprop (Debian package x11-utils) did not answer");
        const QString hints = QString::fromLatin1(xprop.readAllStandardOutput());
        QVERIFY2(hints.contains(u"_NET_WM_WINDOW_TYPE_DIALOG"_s), qPrintable(hints));
        const QString mainId = u"0x"_s + QString::number(main.winId(), 16);
        QVERIFY2(hints.contains(u"WM_TRANSIENT_FOR(WINDOW): window id # "_s + mainId), qPrintable(hints));
        const QString size = QString::number(preferences->width()) + u" by "_s + QString::number(preferences->height());
        QVERIFY2(hints.contains(u"minimum size: "_s + size) && hints.contains(u"maximum size: "_s + size),
            qPrintable(hints));
        // _MOTIF_WM_HINTS: flags, functions, decorations; minimise is function 8 and decoration 32, maximise 16 and 64.
        const QString motif = hints.section(u"_MOTIF_WM_HINTS"_s, 1).section(u'=', 1);
        const QStringList values = motif.split(u',');
        QVERIFY2(values.size() >= 3, qPrintable(hints));
        const uint functions = values.at(1).trimmed().toUInt(nullptr, 0);
        const uint decorations = values.at(2).trimmed().toUInt(nullptr, 0);
        QVERIFY2(!(functions & (8 | 16)) && !(decorations & (32 | 64)), qPrintable(hints));
    }

private:
    std::unique_ptr<Form1Fixture> m_fixture;
};

QUILLET_XVFB_TEST_MAIN(TstAccess)

#include "tst_access.moc"
