// Form1: the window's own picture buttons, the button row, the four pop-up menus, the tray icon and moving the
// frameless window.
#include "app/form1.h"

#include "app/appicon.h"
#include "app/desktopcommandgate.h"
#include "app/picturebutton.h"
#include "app/pictures.h"
#include "app/windowregistry.h"
#include "common/twips.h"
#include "media/mediaplayer.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QCursor>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace quillet {

static QPushButton *captionButton(const QString &name, const QString &caption, const QString &tip, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    return button;
}

void Form1::buildChrome()
{
    recolourPicturesWithPalette(this);
    imgCloseForm = new PictureButton(pictureIcon(Picture::Close), QStringLiteral("Quit Program .."), this);
    imgCloseForm->setObjectName(QStringLiteral("imgCloseForm"));
    imgMinimize = new PictureButton(pictureIcon(Picture::Minimize), QStringLiteral("Minimize To Task Bar .."), this);
    imgMinimize->setObjectName(QStringLiteral("imgMinimize"));
    imgMaximize = new PictureButton(pictureIcon(Picture::Menu), QStringLiteral("Main Menu .."), this);
    imgMaximize->setObjectName(QStringLiteral("imgMaximize"));
    Image3 = new PictureButton(pictureIcon(Picture::Palette), QStringLiteral("Visual Options"), this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image1 = new PictureButton(pictureIcon(Picture::About), QStringLiteral("About Quillet .."), this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPressedLook(false);

    Command1 = captionButton(QStringLiteral("Command1"), QStringLiteral("Add &File"), QStringLiteral("Add File"), this);
    Command2 = captionButton(QStringLiteral("Command2"), QStringLiteral("Play &List"), QStringLiteral("Add Playlist"),
                             this);
    Command3 = captionButton(QStringLiteral("Command3"), QStringLiteral("&Remove File"), QStringLiteral("Remove File"),
                             this);
    Command7 = captionButton(QStringLiteral("Command7"), QStringLiteral("&Other .."), QStringLiteral("Other Options .."),
                             this);
    Command4 = captionButton(QStringLiteral("Command4"), QStringLiteral("Digital Video Player"),
                             QStringLiteral("Digital Video Player"), this);
    Command5 = captionButton(QStringLiteral("Command5"), QStringLiteral("About.."),
                             QStringLiteral("About Quillet  MP3 Player.."), this);
    Command6 = captionButton(QStringLiteral("Command6"), QStringLiteral("Plugin "),
                             QStringLiteral("Media Player Video Plugin .."), this);
    Text158 = new QLineEdit(this);
    Text158->setObjectName(QStringLiteral("Text158"));
    Text158->hide();

    Timer4 = new QTimer(this);
    Timer4->setInterval(1000);
    buildMenus();
}

QAction *Form1::menuItem(const QString &name) const
{
    return findChild<QAction *>(name);
}

void Form1::buildMenus()
{
    // Adds an item to a menu; the action also lives on the window so that its shortcut works while the
    // menu is closed.
    const auto item = [this](QMenu *menu, const QString &name, const QString &caption, auto handler,
                             const QKeySequence &shortcut = {}) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            addAction(action);
        }
        menu->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto separator = [this](QMenu *menu, const QString &name) {
        QAction *action = menu->addSeparator();
        action->setObjectName(name);
        action->setParent(this);
    };
    const auto submenu = [this](QMenu *menu, const QString &name, const QString &caption) {
        QMenu *sub = menu->addMenu(caption);
        sub->setObjectName(name);
        sub->menuAction()->setObjectName(name);
        return sub;
    };
    const auto showPreferences = [this] { m_windows->showPreferences(); };
    const auto showFileTypes = [this] { m_windows->showFileTypes(); };
    const auto showAbout = [this] { Image1_Click(); };
    const auto showBrowser = [this] { m_windows->showDirectoryBrowser(); };
    const auto showSearch = [this] { m_windows->showFileSearch(); };
    const auto showVideo = [this] { m_windows->showVideoPlayer(); };
    const auto showRemote = [this] { m_windows->showRemote(); };
    const auto showVisualOptions = [this] { m_windows->showVisualOptions(); };
    const auto showTagEditor = [this] { m_windows->showTagEditor(MP1, List1->currentText()); };
    const auto showId3Playlist = [this] { m_windows->showId3Playlist(); };

    mnuBar = new QMenu(QStringLiteral("Fiile"), this);
    mnuBar->setObjectName(QStringLiteral("mnuBar"));
    QMenu *addf = submenu(mnuBar, QStringLiteral("addf"), QStringLiteral("Add"));
    item(addf, QStringLiteral("add"), QStringLiteral("Add File"), &Form1::add_Click, QKeySequence::Open);
    item(addf, QStringLiteral("ads"), QStringLiteral("Add Directory"), showBrowser, QKeySequence(Qt::CTRL | Qt::Key_D));
    item(addf, QStringLiteral("addurl"), QStringLiteral("Add URL"), &Form1::addurl_Click,
         QKeySequence(Qt::CTRL | Qt::Key_U));
    item(addf, QStringLiteral("seartcjlkf"), QStringLiteral("Search Dir"), showSearch, QKeySequence::Find);
    QMenu *remv = submenu(mnuBar, QStringLiteral("remv"), QStringLiteral("Remove"));
    // Greyed at design time and never enabled.
    item(remv, QStringLiteral("rf"), QStringLiteral("Remove File"), &Form1::rf_Click)->setEnabled(false);
    item(remv, QStringLiteral("clpl"), QStringLiteral("Clear Playlist"), &Form1::clpl_Click);
    listMenu = submenu(mnuBar, QStringLiteral("list"), QStringLiteral("List"));
    item(listMenu, QStringLiteral("saveplay"), QStringLiteral("Save List"), &Form1::saveplay_Click, QKeySequence::Save);
    item(listMenu, QStringLiteral("loadplay"), QStringLiteral("Load List"), &Form1::loadplay_Click,
         QKeySequence(Qt::CTRL | Qt::Key_L));
    QMenu *controls = submenu(mnuBar, QStringLiteral("controls"), QStringLiteral("Controls"));
    item(controls, QStringLiteral("paly"), QStringLiteral("Play"), &Form1::command9_Click,
         QKeySequence(Qt::CTRL | Qt::Key_P));
    item(controls, QStringLiteral("stiioo"), QStringLiteral("Stop"), &Form1::command10_Click,
         QKeySequence(Qt::CTRL | Qt::Key_K));
    item(controls, QStringLiteral("llops"), QStringLiteral("Pause"), &Form1::command11_Click,
         QKeySequence(Qt::CTRL | Qt::Key_Space));
    item(controls, QStringLiteral("neddt"), QStringLiteral("Next"), &Form1::command12_Click,
         QKeySequence(Qt::CTRL | Qt::Key_Right));
    item(controls, QStringLiteral("ssdww"), QStringLiteral("Previous"), &Form1::command13_Click,
         QKeySequence(Qt::CTRL | Qt::Key_Left));
    item(controls, QStringLiteral("fastfor"), QStringLiteral("Fast Forward"), &Form1::Command15_Click,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right));
    item(controls, QStringLiteral("rewinfd"), QStringLiteral("Rewind"), &Form1::Command16_Click,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left));
    item(mnuBar, QStringLiteral("videop"), QStringLiteral("Video Player"), showVideo,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    item(mnuBar, QStringLiteral("idtd"), QStringLiteral("ID3 Tag Editor"), showTagEditor,
         QKeySequence(Qt::CTRL | Qt::Key_T));
    item(mnuBar, QStringLiteral("idplay"), QStringLiteral("ID3 Playlist"), showId3Playlist,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    item(mnuBar, QStringLiteral("fileinfos"), QStringLiteral("File Info"), &Form1::fileinfo_Click,
         QKeySequence(Qt::CTRL | Qt::Key_I));
    item(mnuBar, QStringLiteral("remotecontrol"), QStringLiteral("Remote Control"), showRemote,
         QKeySequence(Qt::CTRL | Qt::Key_R));
    separator(mnuBar, QStringLiteral("sdgjhgkju"));
    // The desktop's own Preferences key is empty on most Linux desktops.
    item(mnuBar, QStringLiteral("preference"), QStringLiteral("Preferences.."), showPreferences,
         QKeySequence(Qt::CTRL | Qt::Key_Comma));
    item(mnuBar, QStringLiteral("sdppmn"), QStringLiteral("Register File Types Now"), showFileTypes);
    item(mnuBar, QStringLiteral("visualopt"), QStringLiteral("Visual Options"), showVisualOptions,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    separator(mnuBar, QStringLiteral("dsdds"));
    item(mnuBar, QStringLiteral("about"), QStringLiteral("About"), showAbout, QKeySequence::HelpContents);
    separator(mnuBar, QStringLiteral("fgts"));
    item(mnuBar, QStringLiteral("exit"), QStringLiteral("Exit"), &Form1::exitProgram, QKeySequence::Quit);
    item(mnuBar, QStringLiteral("sser"), QStringLiteral("none"), [] {})->setVisible(false);

    adddd = new QMenu(QStringLiteral("Add"), this);
    adddd->setObjectName(QStringLiteral("adddd"));
    item(adddd, QStringLiteral("addfilerr"), QStringLiteral("Add File"), &Form1::add_Click);
    item(adddd, QStringLiteral("adddirrr"), QStringLiteral("Add Dir"), showBrowser);
    item(adddd, QStringLiteral("addurlk"), QStringLiteral("Add URL"), &Form1::addurl_Click);
    item(adddd, QStringLiteral("searjf"), QStringLiteral("Search Dir"), showSearch);

    removvewer = new QMenu(QStringLiteral("Remove"), this);
    removvewer->setObjectName(QStringLiteral("removvewer"));
    item(removvewer, QStringLiteral("removesel"), QStringLiteral("Remove File"), &Form1::removesel_Click);
    item(removvewer, QStringLiteral("removeall"), QStringLiteral("Remove All"), &Form1::clpl_Click);

    other = new QMenu(QStringLiteral("Other"), this);
    other->setObjectName(QStringLiteral("other"));
    item(other, QStringLiteral("digivideo"), QStringLiteral("Digital Video Player"), showVideo);
    item(other, QStringLiteral("idshow"), QStringLiteral("ID3 Tag Editor"), showTagEditor);
    item(other, QStringLiteral("imglky"), QStringLiteral("ID3 Playlist"), showId3Playlist);
    item(other, QStringLiteral("fileinfo"), QStringLiteral("File Info"), &Form1::fileinfo_Click);
    item(other, QStringLiteral("remotec"), QStringLiteral("Remote Control"), showRemote);
    separator(other, QStringLiteral("psacegjkfkdj"));
    item(other, QStringLiteral("preferenceo"), QStringLiteral("Preferences.."), showPreferences);
    item(other, QStringLiteral("kldjfkhsdj"), QStringLiteral("Register File Types Now"), showFileTypes);
    item(other, QStringLiteral("options"), QStringLiteral("Visual Options"), showVisualOptions);
    separator(other, QStringLiteral("dsds"));
    item(other, QStringLiteral("aboutquillet"), QStringLiteral("About Quillet ..."), showAbout);
}

void Form1::connectChrome()
{
    connect(imgCloseForm, &PictureButton::clicked, this, &Form1::imgCloseForm_Click);
    connect(imgMinimize, &PictureButton::clicked, this, &Form1::imgMinimize_Click);
    connect(imgMaximize, &PictureButton::clicked, this, &Form1::imgMaximize_Click);
    connect(Image3, &PictureButton::clicked, this, &Form1::Image3_Click);
    connect(Image1, &PictureButton::clicked, this, &Form1::Image1_Click);
    connect(Command1, &QPushButton::clicked, this, [this] { popUp(adddd, QCursor::pos()); });
    connect(Command2, &QPushButton::clicked, this, [this] { popUp(listMenu, QCursor::pos()); });
    connect(Command3, &QPushButton::clicked, this, [this] { popUp(removvewer, QCursor::pos()); });
    connect(Command7, &QPushButton::clicked, this, [this] { popUp(other, QCursor::pos()); });
    connect(Command4, &QPushButton::clicked, this, [this] { m_windows->showVideoPlayer(); });
    connect(Command5, &QPushButton::clicked, this, &Form1::Image1_Click);
    connect(this, &Form1::videoFileOpened, m_windows, [this](const QString &path) { m_windows->showVideoPlayer(path); });
    connect(this, &Form1::remoteControlRequested, m_windows, &WindowRegistry::showRemote);
    connect(this, &Form1::visualOptionsRequested, m_windows, &WindowRegistry::showVisualOptions);
    connect(this, &Form1::windowKeyPressed, this, [this](QChar key) {
        if (key == QLatin1Char('1'))
            m_windows->showTagEditor(MP1, List1->currentText());
        else if (key == QLatin1Char('2'))
            m_windows->showVisualOptions();
        else if (key == QLatin1Char('3'))
            m_windows->showId3Playlist();
    });
    connect(Command6, &QPushButton::clicked, this, [this] { MP1->aboutBox(this); });
    connect(List1, &PlaylistView::contextRequested, this, &Form1::List1_MouseDown);
    connect(m_tray, &TrayIcon::doubleClicked, this, [this] { pichook_MouseMove(515); });
    // The tray's menu would run its loop inside an open dialog's (see DesktopCommandGate).
    connect(m_tray, &TrayIcon::contextRequested, this, [this] {
        if (DesktopCommandGate::isOpen())
            pichook_MouseMove(516);
    });
}

void Form1::popUp(QMenu *menu, const QPoint &globalPos)
{
    if (menu->isVisible())
        return;
    menu->popup(globalPos);
}

void Form1::List1_MouseDown(const QPoint &globalPos)
{
    popUp(other, globalPos);
}

void Form1::imgCloseForm_Click()
{
    close();
}

void Form1::imgMinimize_Click()
{
    m_tray->record.icon = windowIcon();
    m_tray->record.tip = QStringLiteral("Quillet");
    m_tray->add();
    showMinimized();
    // Without a tray there would be no way back to a hidden window: it then stays minimised.
    if (SettingsStore::read(QStringLiteral("Tray"), QStringLiteral("Hide")) == QLatin1String("1")
        && TrayIcon::trayAvailable())
        hide();
    if (SettingsStore::read(QStringLiteral("Remote"), QStringLiteral("Auto")) == QLatin1String("1"))
        emit remoteControlRequested();
}

void Form1::imgMaximize_Click()
{
    // The main menu opens at the window's top left corner, 12 by 24 twips in.
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    popUp(mnuBar, mapToGlobal(QPoint(twipsToPixels(12, dpi), twipsToPixels(24, dpi))));
}

void Form1::Image3_Click()
{
    emit visualOptionsRequested();
}

void Form1::Image1_Click()
{
    m_windows->showAbout();
}

void Form1::Timer4_Timer()
{
    const QIcon mainIcon = windowIcon();
    const bool animate = Label2->text() == QLatin1String("Playing..")
        && SettingsStore::read(QStringLiteral("Tray"), QStringLiteral("Animate")) == QLatin1String("1");
    if (!animate)
        m_tray->record.icon = mainIcon;
    else if (m_tray->record.icon.cacheKey() != mainIcon.cacheKey())
        m_tray->record.icon = mainIcon;
    else
        m_tray->record.icon = visualOptionsIcon();
    Text158->setText(windowTitle());
    m_tray->record.tip = TrayIcon::tipText(Text158->text());
    m_tray->modify();
}

void Form1::pichook_MouseMove(int message)
{
    m_lastTrayMessage = message;
    if (m_trayBusy)
        return;
    m_trayBusy = true;
    if (message == 515) {
        show();
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        raise();
        activateWindow();
        setFocus();
    } else if (message == 516) {
        // Drops tray messages that arrive while the menu is open.
        QEventLoop loop;
        connect(mnuBar, &QMenu::aboutToHide, &loop, &QEventLoop::quit);
        mnuBar->popup(QCursor::pos());
        if (mnuBar->isVisible())
            loop.exec();
    }
    m_trayBusy = false;
}

void Form1::mousePressEvent(QMouseEvent *event)
{
    // The frameless window moves when its background is dragged.
    if (event->button() == Qt::LeftButton) {
        if (windowHandle() && windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
        m_draggingWindow = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    if (m_draggingWindow && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void Form1::mouseReleaseEvent(QMouseEvent *event)
{
    m_draggingWindow = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace quillet
