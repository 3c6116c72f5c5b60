// The main window's chrome: every menu item and button reaches its operation, captions and tooltips, the tray
// record's blinking and tip, restoring from the tray and minimising.
#include "form1fixture.h"

#include "app/picturebutton.h"
#include "app/windowregistry.h"
#include "appearance/form4.h"
#include "appearance/form6.h"
#include "playlist/form2.h"
#include "playlist/form5.h"
#include "playlist/form8.h"
#include "playlist/form9.h"
#include "settings/form7.h"
#include "settings/frmabout.h"
#include "settings/frmoptions.h"
#include "tags/id3t.h"
#include "video/form3.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

using namespace quillet;
using namespace quillet::testing;

class TstForm1Chrome : public QObject
{
    Q_OBJECT

private slots:
    void menuItems_data();
    void menuItems();
    void menuStructure();
    void buttons_data();
    void buttons();
    void pictureButtons_data();
    void pictureButtons();
    void windowsAreReused();
    void visualOptionsFromPictureAndKey();

    void trayBlinking_data();
    void trayBlinking();
    void trayTip_data();
    void trayTip();
    void doubleClickRestoresHiddenWindow();
    void rightClickThenExitEndsProgram();
    void minimiseWithoutTrayStaysMinimised();
};

// What a menu item or button is expected to reach.
enum class Reach { Message, Input, OpenDialog, SaveDialog, PlayerCall, Window, Exit, Disabled, Nothing };
Q_DECLARE_METATYPE(Reach)

// Checks that the window class named by a text is shown.
static bool windowShown(Form1 &form, const QString &kind)
{
    WindowRegistry *w = form.windows();
    QWidget *window = nullptr;
    if (kind == QLatin1String("Form2"))
        window = Form2::instance();
    else if (kind == QLatin1String("Form9"))
        window = Form9::instance();
    else if (kind == QLatin1String("Form3"))
        window = Form3::instance();
    else if (kind == QLatin1String("Form4"))
        window = w->find<Form4>();
    else if (kind == QLatin1String("Form6"))
        window = Form6::instance();
    else if (kind == QLatin1String("Form5"))
        window = w->find<Form5>();
    else if (kind == QLatin1String("id3t"))
        window = QApplication::topLevelWidgets().isEmpty() ? nullptr : [] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (qobject_cast<id3t *>(top))
                    return top;
            }
            return static_cast<QWidget *>(nullptr);
        }();
    else if (kind == QLatin1String("Form7"))
        window = w->find<Form7>();
    else if (kind == QLatin1String("frmAbout"))
        window = w->find<frmAbout>();
    else if (kind == QLatin1String("frmOptions"))
        window = w->find<frmOptions>();
    return window && window->isVisible();
}

void TstForm1Chrome::menuItems_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<Reach>("reach");
    QTest::addColumn<QString>("detail");
    const auto row = [](const char *item, const char *caption, Reach reach, const char *detail = "") {
        QTest::newRow(item) << QString::fromLatin1(item) << QString::fromLatin1(caption) << reach
                            << QString::fromLatin1(detail);
    };
    row("add", "Add File", Reach::OpenDialog, "Open MP3 File");
    row("addfilerr", "Add File", Reach::OpenDialog, "Open MP3 File");
    row("ads", "Add Directory", Reach::Window, "Form2");
    row("adddirrr", "Add Dir", Reach::Window, "Form2");
    row("addurl", "Add URL", Reach::Input, "Please Enter the url :");
    row("addurlk", "Add URL", Reach::Input, "Please Enter the url :");
    row("seartcjlkf", "Search Dir", Reach::Window, "Form9");
    row("searjf", "Search Dir", Reach::Window, "Form9");
    row("rf", "Remove File", Reach::Disabled);
    row("clpl", "Clear Playlist", Reach::Nothing, "cleared");
    row("removeall", "Remove All", Reach::Nothing, "cleared");
    row("removesel", "Remove File", Reach::Message, "No files to remove !");
    row("saveplay", "Save List", Reach::SaveDialog, "Edit List");
    row("loadplay", "Load List", Reach::OpenDialog, "Edit List");
    row("paly", "Play", Reach::Message, "No File To Play !");
    row("stiioo", "Stop", Reach::PlayerCall, "stop");
    row("llops", "Pause", Reach::PlayerCall, "pause");
    row("neddt", "Next", Reach::PlayerCall, "setFileName /m/b.mp3");
    row("ssdww", "Previous", Reach::PlayerCall, "setFileName /m/a.mp3");
    row("fastfor", "Fast Forward", Reach::PlayerCall, "setCurrentPosition 15");
    row("rewinfd", "Rewind", Reach::PlayerCall, "setCurrentPosition 5");
    row("fileinfos", "File Info", Reach::Message, "Please play a file first !");
    row("videop", "Video Player", Reach::Window, "Form3");
    row("idtd", "ID3 Tag Editor", Reach::Window, "id3t");
    row("idshow", "ID3 Tag Editor", Reach::Window, "id3t");
    row("idplay", "ID3 Playlist", Reach::Window, "Form5");
    row("imglky", "ID3 Playlist", Reach::Window, "Form5");
    row("digivideo", "Digital Video Player", Reach::Window, "Form3");
    row("remotecontrol", "Remote Control", Reach::Window, "Form6");
    row("remotec", "Remote Control", Reach::Window, "Form6");
    row("visualopt", "Visual Options", Reach::Window, "Form4");
    row("options", "Visual Options", Reach::Window, "Form4");
    row("fileinfo", "File Info", Reach::Message, "Please play a file first !");
    row("preference", "Preferences..", Reach::Window, "frmOptions");
    row("preferenceo", "Preferences..", Reach::Window, "frmOptions");
    row("sdppmn", "Register File Types Now", Reach::Window, "Form7");
    row("kldjfkhsdj", "Register File Types Now", Reach::Window, "Form7");
    row("about", "About", Reach::Window, "frmAbout");
    row("aboutquillet", "About Quillet ...", Reach::Window, "frmAbout");
    row("exit", "Exit", Reach::Exit);
}

void TstForm1Chrome::menuItems()
{
    QFETCH(QString, item);
    QFETCH(QString, caption);
    QFETCH(Reach, reach);
    QFETCH(QString, detail);
    Form1Fixture f;
    Form1 &form = f.load();
    QAction *action = form.menuItem(item);
    QVERIFY2(action, qPrintable(item));
    QCOMPARE(action->text(), caption);
    if (reach == Reach::Disabled) {
        QVERIFY(!action->isEnabled());
        return;
    }
    QVERIFY(action->isEnabled());
    QVERIFY(action->isVisible());

    // A loaded file at 10 s of 100, two entries, the first current: every transport command has something to do.
    f.player().setFileName(QStringLiteral("/playing.mp3"));
    f.player().setPosition(10);
    f.player().calls.clear();
    form.Slider4->setRange(0, 100);
    form.Slider4->setValue(10);
    if (item != QLatin1String("removesel") && !item.startsWith(QStringLiteral("fileinfo"))
        && item != QLatin1String("paly")) {
        form.List1->addMany({QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")});
        form.Label1->setText(QStringLiteral("0"));
        if (item == QLatin1String("ssdww"))
            form.Label1->setText(QStringLiteral("1"));
    } else if (item != QLatin1String("removesel")) {
        f.player().setFileName(QString());
    }
    action->trigger();

    switch (reach) {
    case Reach::Message:
        QCOMPARE(f.dialogs.messages, QStringList{detail});
        break;
    case Reach::Input:
        QCOMPARE(f.dialogs.inputPrompts, QStringList{detail});
        break;
    case Reach::OpenDialog:
        QCOMPARE(f.dialogs.openRequests.size(), 1);
        QCOMPARE(f.dialogs.openRequests.first().title, detail);
        break;
    case Reach::SaveDialog:
        QCOMPARE(f.dialogs.saveRequests.size(), 1);
        QCOMPARE(f.dialogs.saveRequests.first().title, detail);
        break;
    case Reach::PlayerCall:
        QVERIFY2(f.player().calls.contains(detail), qPrintable(f.player().calls.join(QLatin1Char(','))));
        break;
    case Reach::Window:
        QVERIFY2(windowShown(form, detail), qPrintable(detail));
        break;
    case Reach::Exit:
        QVERIFY(!form.isVisible());
        QTRY_COMPARE(f.endProcessCalls, 1);
        break;
    case Reach::Nothing:
        QCOMPARE(form.List1->count(), 0);
        break;
    case Reach::Disabled:
        break;
    }
}

void TstForm1Chrome::menuStructure()
{
    Form1Fixture f;
    Form1 &form = f.load();
    QCOMPARE(form.mnuBar->title(), QStringLiteral("Fiile"));
    QCOMPARE(form.adddd->title(), QStringLiteral("Add"));
    QCOMPARE(form.removvewer->title(), QStringLiteral("Remove"));
    QCOMPARE(form.other->title(), QStringLiteral("Other"));
    QAction *sser = form.menuItem(QStringLiteral("sser"));
    QVERIFY(sser);
    QCOMPARE(sser->text(), QStringLiteral("none"));
    QVERIFY(!sser->isVisible());
    // The separators of the menus.
    for (const char *name : {"sdgjhgkju", "dsdds", "fgts", "psacegjkfkdj", "dsds"}) {
        QAction *separator = form.menuItem(QString::fromLatin1(name));
        QVERIFY2(separator && separator->isSeparator(), name);
    }
    QStringList topLevel;
    for (QAction *action : form.mnuBar->actions())
        topLevel << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(topLevel.mid(0, 4), (QStringList{QStringLiteral("Add"), QStringLiteral("Remove"), QStringLiteral("List"),
                                              QStringLiteral("Controls")}));
    QCOMPARE(topLevel.last(), QStringLiteral("none"));
}

void TstForm1Chrome::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("opens");
    QTest::newRow("Command1") << QStringLiteral("Command1") << QStringLiteral("Add &File") << QStringLiteral("Add File")
                              << QStringLiteral("adddd");
    QTest::newRow("Command2") << QStringLiteral("Command2") << QStringLiteral("Play &List")
                              << QStringLiteral("Add Playlist") << QStringLiteral("list");
    QTest::newRow("Command3") << QStringLiteral("Command3") << QStringLiteral("&Remove File")
                              << QStringLiteral("Remove File") << QStringLiteral("removvewer");
    QTest::newRow("Command7") << QStringLiteral("Command7") << QStringLiteral("&Other ..")
                              << QStringLiteral("Other Options ..") << QStringLiteral("other");
    QTest::newRow("Command4") << QStringLiteral("Command4") << QStringLiteral("Digital Video Player")
                              << QStringLiteral("Digital Video Player") << QStringLiteral("Form3");
    QTest::newRow("Command5") << QStringLiteral("Command5") << QStringLiteral("About..")
                              << QStringLiteral("About Quillet  MP3 Player..") << QStringLiteral("frmAbout");
    QTest::newRow("Command6") << QStringLiteral("Command6") << QStringLiteral("Plugin ")
                              << QStringLiteral("Media Player Video Plugin ..") << QStringLiteral("aboutBox");
    QTest::newRow("Command8") << QStringLiteral("Command8") << QStringLiteral(" R E  S  E T")
                              << QStringLiteral("RESET Volume Settings") << QString();
    QTest::newRow("Command15") << QStringLiteral("Command15") << QStringLiteral(">>")
                               << QStringLiteral("Fast Forward ..") << QString();
    QTest::newRow("Command16") << QStringLiteral("Command16") << QStringLiteral("<<") << QStringLiteral("Rewind ..")
                               << QString();
}

void TstForm1Chrome::buttons()
{
    QFETCH(QString, button);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(QString, opens);
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    auto *push = form.findChild<QPushButton *>(button);
    QVERIFY(push);
    QCOMPARE(push->text(), caption);
    QCOMPARE(push->toolTip(), tooltip);
    if (opens.isEmpty())
        return;
    QMenu *menu = opens == QLatin1String("list") ? form.listMenu : form.findChild<QMenu *>(opens);
    push->click();
    if (opens == QLatin1String("frmAbout") || opens == QLatin1String("Form3")) {
        QVERIFY(windowShown(form, opens));
    } else if (opens == QLatin1String("aboutBox")) {
        QCOMPARE(f.player().calls.last(), QStringLiteral("aboutBox"));
    } else {
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
    }
}

void TstForm1Chrome::pictureButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<bool>("pressedLook");
    QTest::newRow("imgCloseForm") << QStringLiteral("imgCloseForm") << QStringLiteral("Quit Program ..") << true;
    QTest::newRow("imgMinimize") << QStringLiteral("imgMinimize") << QStringLiteral("Minimize To Task Bar ..") << true;
    QTest::newRow("imgMaximize") << QStringLiteral("imgMaximize") << QStringLiteral("Main Menu ..") << true;
    QTest::newRow("Image3") << QStringLiteral("Image3") << QStringLiteral("Visual Options") << true;
    QTest::newRow("Image1") << QStringLiteral("Image1") << QStringLiteral("About Quillet ..") << false;
    QTest::newRow("command9") << QStringLiteral("command9") << QStringLiteral("Play") << false;
}

void TstForm1Chrome::pictureButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, tooltip);
    QFETCH(bool, pressedLook);
    Form1Fixture f;
    Form1 &form = f.load();
    auto *button = form.findChild<QAbstractButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->toolTip(), tooltip);
    if (auto *picture = qobject_cast<PictureButton *>(button)) {
        button->setDown(true);
        QCOMPARE(picture->showsPressedBorder(), pressedLook);
        button->setDown(false);
        QVERIFY(!picture->showsPressedBorder());
    }
    // Crisp at any scale: the icon paints at 2x without scaling up a small bitmap.
    const QPixmap big = button->icon().pixmap(QSize(48, 48), 2.0);
    QCOMPARE(big.size(), QSize(96, 96));
}

void TstForm1Chrome::visualOptionsFromPictureAndKey()
{
    Form1Fixture f;
    Form1 &form = f.load();
    // Loaded hidden at start-up.
    QVERIFY(form.windows()->find<Form4>());
    QVERIFY(!windowShown(form, QStringLiteral("Form4")));
    form.Image3->click();
    QVERIFY(windowShown(form, QStringLiteral("Form4")));
    form.windows()->find<Form4>()->hide();
    form.List1_KeyPress(QLatin1Char('2'));
    QVERIFY(windowShown(form, QStringLiteral("Form4")));
    // "1" and "3" open the tag editor and the ID3 playlist.
    form.List1_KeyPress(QLatin1Char('1'));
    QVERIFY(windowShown(form, QStringLiteral("id3t")));
    form.List1_KeyPress(QLatin1Char('3'));
    QVERIFY(windowShown(form, QStringLiteral("Form5")));
}

void TstForm1Chrome::windowsAreReused()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.menuItem(QStringLiteral("ads"))->trigger();
    Form2 *first = Form2::instance();
    QVERIFY(first);
    first->hide();
    form.menuItem(QStringLiteral("adddirrr"))->trigger();
    QCOMPARE(Form2::instance(), first);
    QVERIFY(first->isVisible());
}

void TstForm1Chrome::trayBlinking_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("animate");
    QTest::addColumn<bool>("blinks");
    QTest::newRow("playing, animate on") << QStringLiteral("Playing..") << QStringLiteral("1") << true;
    QTest::newRow("playing, animate off") << QStringLiteral("Playing..") << QStringLiteral("0") << false;
    QTest::newRow("paused") << QStringLiteral("Paused..") << QStringLiteral("1") << false;
}

void TstForm1Chrome::trayBlinking()
{
    QFETCH(QString, status);
    QFETCH(QString, animate);
    QFETCH(bool, blinks);
    Form1Fixture f;
    Form1 &form = f.load();
    SettingsStore::write(QStringLiteral("Tray"), QStringLiteral("Animate"), animate);
    form.Label2->setText(status);
    const qint64 mainKey = form.windowIcon().cacheKey();
    QList<bool> isMain;
    for (int tick = 0; tick < 4; ++tick) {
        form.Timer4_Timer();
        isMain << (form.trayIcon()->record.icon.cacheKey() == mainKey);
    }
    if (blinks)
        QCOMPARE(isMain, (QList<bool>{false, true, false, true}));
    else
        QCOMPARE(isMain, (QList<bool>{true, true, true, true}));
}

void TstForm1Chrome::trayTip_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tip");
    QTest::newRow("blanks trimmed") << QStringLiteral(" Quillet MP3 Player - song.. ")
                                    << QStringLiteral("Quillet MP3 Player - song..");
    const QString longCaption = QStringLiteral(" Quillet MP3 Player - ") + QString(80, QLatin1Char('x'));
    QTest::newRow("cut to 63") << longCaption << longCaption.trimmed().left(63);
}

void TstForm1Chrome::trayTip()
{
    QFETCH(QString, caption);
    QFETCH(QString, tip);
    Form1Fixture f;
    Form1 &form = f.load();
    form.setWindowTitle(caption);
    form.Timer4_Timer();
    QCOMPARE(form.trayIcon()->record.tip, tip);
    QVERIFY(form.trayIcon()->record.tip.size() <= 63);
}

void TstForm1Chrome::doubleClickRestoresHiddenWindow()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    form.showMinimized();
    form.hide();
    form.pichook_MouseMove(515);
    QVERIFY(form.isVisible());
    QVERIFY(!(form.windowState() & Qt::WindowMinimized));
}

void TstForm1Chrome::rightClickThenExitEndsProgram()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.hide();
    bool menuWasOpen = false;
    QTimer::singleShot(50, &form, [&] {
        menuWasOpen = form.mnuBar->isVisible();
        // A second tray message while the menu is open is dropped.
        form.pichook_MouseMove(516);
        form.menuItem(QStringLiteral("exit"))->trigger();
        form.mnuBar->hide();
    });
    form.pichook_MouseMove(516);
    QVERIFY(menuWasOpen);
    QTRY_COMPARE(f.endProcessCalls, 1);
}

void TstForm1Chrome::minimiseWithoutTrayStaysMinimised()
{
    Form1Fixture f;
    Form1 &form = f.load();
    int remoteRequests = 0;
    connect(&form, &Form1::remoteControlRequested, this, [&] { ++remoteRequests; });
    form.show();
    form.imgMinimize_Click();
    // The offscreen platform has no tray: hiding would leave no way back.
    QVERIFY(form.isVisible());
    QVERIFY(form.windowState() & Qt::WindowMinimized);
    QVERIFY(form.trayIcon()->isPresent());
    QCOMPARE(remoteRequests, 1);
    SettingsStore::write(QStringLiteral("Remote"), QStringLiteral("Auto"), QStringLiteral("0"));
    form.imgMinimize_Click();
    QCOMPARE(remoteRequests, 1);
}

QTEST_MAIN(TstForm1Chrome)
#include "tst_form1chrome.moc"
