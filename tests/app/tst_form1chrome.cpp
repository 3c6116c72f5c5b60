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
// that open, each with the mouse on the item. "key 2" types into the playlist. Returns what went wrong, if anything.
QString clickPath(Form1 &form, const QString &path)
{
    if (path.startsWith(QLatin1String("key "))) {
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
    const auto row = [](const char *path, Reach reach, const char *detail = "", bool empty = false) {
        QTest::newRow(path) << QString::fromLatin1(path) << empty << reach << QString::fromLatin1(detail);
    };
    // The window's own menu.
    row("imgMaximize/addf/add", Reach::OpenDialog, "Open MP3 File");
    row("imgMaximize/addf/ads", Reach::Window, "Form2");
    row("imgMaximize/addf/addurl", Reach::Input, "Please Enter the url :");
    row("imgMaximize/addf/seartcjlkf", Reach::Window, "Form9");
    row("imgMaximize/remv/rf", Reach::Nothing);
    row("imgMaximize/remv/clpl", Reach::Cleared);
    row("imgMaximize/list/saveplay", Reach::SaveDialog, "Edit List");
    row("imgMaximize/list/loadplay", Reach::OpenDialog, "Edit List");
    row("imgMaximize/controls/paly", Reach::Message, "No File To Play !", true);
    row("imgMaximize/controls/stiioo", Reach::PlayerCall, "stop");
    row("imgMaximize/controls/llops", Reach::PlayerCall, "pause");
    row("imgMaximize/controls/neddt", Reach::PlayerCall, "setFileName /m/c.mp3");
    row("imgMaximize/controls/ssdww", Reach::PlayerCall, "setFileName /m/a.mp3");
    row("imgMaximize/controls/fastfor", Reach::PlayerCall, "setCurrentPosition 15");
    row("imgMaximize/controls/rewinfd", Reach::PlayerCall, "setCurrentPosition 5");
    row("imgMaximize/videop", Reach::Window, "Form3");
    row("imgMaximize/idtd", Reach::Window, "id3t");
    row("imgMaximize/idplay", Reach::Window, "Form5");
    row("imgMaximize/fileinfos", Reach::Message, "Please play a file first !", true);
    row("imgMaximize/remotecontrol", Reach::Window, "Form6");
    row("imgMaximize/preference", Reach::Window, "frmOptions");
    row("imgMaximize/sdppmn", Reach::Window, "Form7");
    row("imgMaximize/visualopt", Reach::Window, "Form4");
    row("imgMaximize/about", Reach::Window, "frmAbout");
    row("imgMaximize/exit", Reach::Exit);
    // The button menus.
    row("Command1/addfilerr", Reach::OpenDialog, "Open MP3 File");
    row("Command1/adddirrr", Reach::Window, "Form2");
    row("Command1/addurlk", Reach::Input, "Please Enter the url :");
    row("Command1/searjf", Reach::Window, "Form9");
    row("Command2/saveplay", Reach::SaveDialog, "Edit List");
    row("Command3/removesel", Reach::Message, "No files to remove !", true);
    row("Command3/removeall", Reach::Cleared);
    row("Command7/digivideo", Reach::Window, "Form3");
    row("Command7/idshow", Reach::Window, "id3t");
    row("Command7/imglky", Reach::Window, "Form5");
    row("Command7/fileinfo", Reach::Message, "Please play a file first !", true);
    row("Command7/remotec", Reach::Window, "Form6");
    row("Command7/preferenceo", Reach::Window, "frmOptions");
    row("Command7/kldjfkhsdj", Reach::Window, "Form7");
    row("Command7/options", Reach::Window, "Form4");
    row("Command7/aboutquillet", Reach::Window, "frmAbout");
    // Buttons and pictures.
    row("Command4", Reach::Window, "Form3");
    row("Command5", Reach::Window, "frmAbout");
    row("Command6", Reach::PlayerCall, "aboutBox");
    row("Command15", Reach::PlayerCall, "setCurrentPosition 15");
    row("Command16", Reach::PlayerCall, "setCurrentPosition 5");
    row("Image1", Reach::Window, "frmAbout");
    row("Image3", Reach::Window, "Form4");
    row("imgMinimize", Reach::Minimised);
    row("imgCloseForm", Reach::Exit);
    // Keys typed into the playlist.
    row("key 1", Reach::Window, "id3t");
    row("key 2", Reach::Window, "Form4");
    row("key 3", Reach::Window, "Form5");
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
