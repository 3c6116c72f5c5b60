// The main window's chrome: every button and menu item, reached with real clicks and keys as a user reaches it,
// runs its operation, and the windows it opens are reused.
#include "form1fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSlider>

using namespace quillet;
using namespace quillet::testing;

// What a click is expected to reach.
enum class Reach { Message, Input, OpenDialog, SaveDialog, PlayerCall, Window, Exit, Cleared, Nothing, Minimised };
Q_DECLARE_METATYPE(Reach)

namespace {

// The visible top-level window of a class, e.g. "Form3".
QWidget *shownWindow(const QString &className)
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && QString::fromLatin1(top->metaObject()->className()).endsWith(className))
            return top;
    }
    return nullptr;
}

QAction *findAction(const QMenu *menu, const QString &name)
{
    for (QAction *action : menu->actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

// Clicks through a path such as "imgMaximize/controls/neddt": a button of the window, then the items of the menus
// that open, each with the mouse on the item. "key:2" types 2 into the playlist. Returns what went wrong, if anything.
QString clickPath(Form1 &form, const QString &path)
{
    if (path.startsWith(QLatin1String("key:"))) {
        QTest::keyClick(form.List1, path.at(4).toLatin1());
        return {};
    }
    const QStringList steps = path.split(QLatin1Char('/'));
    auto *button = form.findChild<QAbstractButton *>(steps.first());
    if (!button || !button->isVisible())
        return QStringLiteral("no visible button ") + steps.first();
    QTest::mouseClick(button, Qt::LeftButton);
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
            return QStringLiteral("no open menu with ") + name;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    return {};
}

} // namespace

class TstForm1Chrome : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data();
    void clicks();
    void windowsAreReused();
};

void TstForm1Chrome::clicks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<Reach>("reach");
    QTest::addColumn<QString>("detail");
    // Paths through the window's own menu (imgMaximize), the button menus, the buttons and the keys typed into
    // the playlist, by what they reach. "empty" rows start with no entries and no file loaded.
    const auto rows = [](const char *paths, Reach reach, const char *detail = "", bool empty = false) {
        for (const QString &path : QString::fromLatin1(paths).split(QLatin1Char(' ')))
            QTest::newRow(qPrintable(path)) << path << empty << reach << QString::fromLatin1(detail);
    };
    rows("imgMaximize/addf/add Command1/addfilerr", Reach::OpenDialog, "Open MP3 File");
    rows("imgMaximize/list/loadplay", Reach::OpenDialog, "Edit List");
    rows("imgMaximize/list/saveplay Command2/saveplay", Reach::SaveDialog, "Edit List");
    rows("imgMaximize/addf/addurl Command1/addurlk", Reach::Input, "Please Enter the url :");
    rows("imgMaximize/remv/rf", Reach::Nothing);
    rows("imgMaximize/remv/clpl Command3/removeall", Reach::Cleared);
    rows("imgMaximize/controls/paly", Reach::Message, "No File To Play !", true);
    rows("Command3/removesel", Reach::Message, "No files to remove !", true);
    rows("imgMaximize/fileinfos Command7/fileinfo", Reach::Message, "Please play a file first !", true);
    rows("imgMaximize/controls/stiioo", Reach::PlayerCall, "stop");
    rows("imgMaximize/controls/llops", Reach::PlayerCall, "pause");
    rows("imgMaximize/controls/neddt", Reach::PlayerCall, "setFileName /m/c.mp3");
    rows("imgMaximize/controls/ssdww", Reach::PlayerCall, "setFileName /m/a.mp3");
    rows("imgMaximize/controls/fastfor Command15", Reach::PlayerCall, "setCurrentPosition 15");
    rows("imgMaximize/controls/rewinfd Command16", Reach::PlayerCall, "setCurrentPosition 5");
    rows("Command6", Reach::PlayerCall, "aboutBox");
    rows("imgMaximize/addf/ads Command1/adddirrr", Reach::Window, "Form2");
    rows("imgMaximize/addf/seartcjlkf Command1/searjf", Reach::Window, "Form9");
    rows("imgMaximize/videop Command7/digivideo Command4", Reach::Window, "Form3");
    rows("imgMaximize/idtd Command7/idshow key:1", Reach::Window, "id3t");
    rows("imgMaximize/idplay Command7/imglky key:3", Reach::Window, "Form5");
    rows("imgMaximize/remotecontrol Command7/remotec", Reach::Window, "Form6");
    rows("imgMaximize/preference Command7/preferenceo", Reach::Window, "frmOptions");
    rows("imgMaximize/sdppmn Command7/kldjfkhsdj", Reach::Window, "Form7");
    rows("imgMaximize/visualopt Command7/options Image3 key:2", Reach::Window, "Form4");
    rows("imgMaximize/about Command7/aboutquillet Command5 Image1", Reach::Window, "frmAbout");
    rows("imgMinimize", Reach::Minimised);
    rows("imgMaximize/exit imgCloseForm", Reach::Exit);
}

void TstForm1Chrome::clicks()
{
    QFETCH(QString, path);
    QFETCH(bool, empty);
    QFETCH(Reach, reach);
    QFETCH(QString, detail);
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (!empty) {
        // A loaded file at 10 s of 100 and three entries, the middle one current: every command has work to do.
        f.player().setFileName(QStringLiteral("/playing.mp3"));
        f.player().setPosition(10);
        form.Slider4->setRange(0, 100);
        form.Slider4->setValue(10);
        form.List1->addMany({QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3"), QStringLiteral("/m/c.mp3")});
        form.Label1->setText(QStringLiteral("1"));
    }
    f.player().calls.clear();
    const int entries = form.List1->count();

    if (reach == Reach::Window)
        QVERIFY2(!shownWindow(detail), "already open before the click");
    const QString problem = clickPath(form, path);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    switch (reach) {
    case Reach::Message:
        QTRY_COMPARE(f.dialogs.messages, QStringList {detail});
        break;
    case Reach::Input:
        QTRY_COMPARE(f.dialogs.inputPrompts, QStringList {detail});
        break;
    case Reach::OpenDialog:
        QTRY_COMPARE(f.dialogs.openRequests.size(), 1);
        QCOMPARE(f.dialogs.openRequests.first().title, detail);
        break;
    case Reach::SaveDialog:
        QTRY_COMPARE(f.dialogs.saveRequests.size(), 1);
        QCOMPARE(f.dialogs.saveRequests.first().title, detail);
        break;
    case Reach::PlayerCall:
        QTRY_VERIFY2(f.player().calls.contains(detail), qPrintable(f.player().calls.join(QLatin1Char(','))));
        break;
    case Reach::Window:
        QTRY_VERIFY2(shownWindow(detail), qPrintable(detail));
        break;
    case Reach::Exit:
        QTRY_COMPARE(f.endProcessCalls, 1);
        QVERIFY(!form.isVisible());
        break;
    case Reach::Cleared:
        QTRY_COMPARE(form.List1->count(), 0);
        break;
    case Reach::Nothing:
        QTest::qWait(200);
        QCOMPARE(form.List1->count(), entries);
        QVERIFY(f.dialogs.messages.isEmpty() && f.player().calls.isEmpty());
        break;
    case Reach::Minimised:
        // The offscreen platform has no tray: hiding would leave no way back.
        QTRY_VERIFY(form.windowState() & Qt::WindowMinimized);
        QVERIFY(form.isVisible());
        break;
    }
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget *top : QApplication::topLevelWidgets())
        top->hide();
}

void TstForm1Chrome::windowsAreReused()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(clickPath(form, QStringLiteral("Command1/adddirrr")).isEmpty());
    QWidget *first = nullptr;
    QTRY_VERIFY((first = shownWindow(QStringLiteral("Form2"))));
    first->hide();
    QVERIFY(clickPath(form, QStringLiteral("imgMaximize/addf/ads")).isEmpty());
    QTRY_COMPARE(shownWindow(QStringLiteral("Form2")), first);
}

QTEST_MAIN(TstForm1Chrome)
#include "tst_form1chrome.moc"
