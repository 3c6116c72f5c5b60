#include "video/form3.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "common/gradient.h"
#include "common/twips.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistfile.h"
#include "settings/settingsstore.h"
#include "video/frmbrowser.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <mpv/client.h>

namespace quillet {

namespace {

const QString &noFileMessage()
{
    static const QString text = QStringLiteral("Please Choose A File Name !");
    return text;
}

bool settingIsOn(const char *key)
{
    return SettingsStore::read(QStringLiteral("Video"), QLatin1String(key)) == QLatin1String("1");
}

QLabel *whiteLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    // The labels sit on the dark background.
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace

Form3::Form3(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Label1(whiteLabel(QStringLiteral("File Name, URL :"), this))
    , Text1(new QLineEdit(this))
    , Command1(new QPushButton(QStringLiteral("Browse"), this))
    , Command3(new QPushButton(QStringLiteral("Play"), this))
    , Command4(new QPushButton(QStringLiteral("Add To List"), this))
    , Command5(new QPushButton(QStringLiteral("Remove"), this))
    , Command2(new QPushButton(QStringLiteral("&Done"), this))
    , List1(new QListWidget(this))
    , Label2(whiteLabel(QStringLiteral("Tip : Double Click The File Name To Play."), this))
    , Timer1(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Video Player"));
    setAttribute(Qt::WA_DeleteOnClose);
    Label1->setBuddy(Text1);
    List1->setAccessibleName(QStringLiteral("Video Playlist"));
    Timer1->setInterval(10);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Text1, 0, 1);
    layout->addWidget(Command1, 0, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    buttons->addWidget(Command5);
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons, 1, 0, 1, 3);
    layout->addWidget(List1, 2, 0, 1, 3);
    layout->addWidget(Label2, 3, 0, 1, 3);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);
    resize(twipsToPixels(7200, logicalDpiX()), twipsToPixels(5400, logicalDpiY()));

    connectControls();
    Form_Load();
}

void Form3::handOver(const QString &fileName)
{
    Text1->setText(fileName);
    // The start step runs for every file handed over, also when the window already existed and its first start
    // step is long done.
    Timer1->start();
}

void Form3::connectControls()
{
    connect(Timer1, &QTimer::timeout, this, &Form3::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form3::Command5_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    // Neither control has a double-click signal that also fires away from an item: watch the events.
    Text1->installEventFilter(this);
    List1->viewport()->installEventFilter(this);
    // Enter on an entry plays it, as a double-click does; Escape is Done.
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        new QShortcut(key, List1, this, &Form3::List1_DblClick, Qt::WidgetShortcut);
    addCancelKey(this, [this] { Command2_Click(); });
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Text1)
            QTimer::singleShot(0, this, &Form3::Text1_DblClick);
        else if (watched == List1->viewport())
            QTimer::singleShot(0, this, &Form3::List1_DblClick);
    }
    return QWidget::eventFilter(watched, event);
}

QString Form3::creditMessage()
{
    const unsigned long api = mpv_client_api_version();
    return QStringLiteral(
        "The Quillet Digital Video Player Uses mpv (libmpv %1.%2) to decode Digital Video Files. So My Credit "
        "Goes To mpv ! ")
        .arg(api >> 16)
        .arg(api & 0xffff);
}

void Form3::Form_Load()
{
    dialogs().message(creditMessage());
    if (List1->count() == 0) {
        // A missing or unreadable file leaves the list empty; the file is read whole and closed at once.
        const PlaylistFile::ReadResult saved = PlaylistFile::readUnfiltered(PlaylistFile::defaultVideoPlaylistPath());
        if (saved.ok)
            List1->addItems(saved.entries);
        if (!saved.notice.isEmpty())
            dialogs().message(saved.notice);
    }
    show();
    if (MainWindowApi *api = MainWindowApi::instance()) {
        // A main window hidden to the tray stays hidden: only its state changes.
        QWidget *main = api->mainWidget();
        main->setWindowState(main->windowState() | Qt::WindowMinimized);
    }
    activateWindow();
    // Typing goes into the name field at once.
    Text1->setFocus();
    Timer1->start();
}

void Form3::Timer1_Timer()
{
    // Stopped first: a message box opened below runs the event loop, and the timer must not fire twice.
    Timer1->stop();
    if (Text1->text().isEmpty())
        return;
    if (settingIsOn("Open"))
        Command4_Click();
    if (settingIsOn("Auto"))
        Command3_Click();
}

void Form3::Command1_Click()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open File");
    request.filter = QStringLiteral("All Files(*.*)|*.*");
    // The dialog keeps its file name from the last browse.
    request.fileName = m_browsedFileName;
    const QString chosen = dialogs().openFileName(request);
    // A cancelled dialog adds nothing, even after an earlier browse.
    if (chosen.isEmpty()) {
        dialogs().message(noFileMessage());
        return;
    }
    m_browsedFileName = chosen;
    Text1->setText(chosen);
    List1->addItem(chosen);
}

void Form3::Command3_Click()
{
    if (Text1->text().isEmpty()) {
        dialogs().message(noFileMessage());
        return;
    }
    playInDisplayWindow(Text1->text());
}

void Form3::Text1_DblClick()
{
    if (m_browsedFileName.isEmpty()) {
        dialogs().message(noFileMessage());
        return;
    }
    playInDisplayWindow(Text1->text());
}

void Form3::List1_DblClick()
{
    const QListWidgetItem *current = List1->currentItem();
    const QString name = current ? current->text() : QString();
    if (name.isEmpty()) {
        dialogs().message(noFileMessage());
        return;
    }
    playInDisplayWindow(name);
}

void Form3::Command4_Click()
{
    if (!Text1->text().isEmpty())
        List1->addItem(Text1->text());
}

void Form3::Command5_Click()
{
    // Any current entry can be removed, an empty line read from the file too.
    const int row = List1->currentRow();
    if (row < 0 || row >= List1->count())
        return;
    delete List1->takeItem(row);
    List1->setCurrentRow(-1);
    List1->clearSelection();
}

void Form3::Command2_Click()
{
    hide();
    if (settingIsOn("Save") && List1->count() > 0) {
        QStringList lines;
        for (const QString &entry : entries()) {
            // An empty line cannot be played, and an empty first line would hide the whole list at the next read.
            if (!entry.isEmpty())
                lines.append(entry);
        }
        List1->setCurrentRow(List1->count() - 1);
        if (!lines.isEmpty()) {
            const FileResult written = PlaylistFile::write(PlaylistFile::defaultVideoPlaylistPath(), lines);
            if (!written.ok)
                dialogs().message(written.error);
        }
    }
    MainWindowApi *api = MainWindowApi::instance();
    QWidget *main = api ? api->mainWidget() : nullptr;
    if (main && main->isVisible()) {
        main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
        main->show();
        main->raise();
        main->activateWindow();
    }
}

QStringList Form3::entries() const
{
    QStringList list;
    list.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i)
        list.append(List1->item(i)->text());
    return list;
}

void Form3::playInDisplayWindow(const QString &name)
{
    frmBrowser::open()->setFileName(name);
}

void Form3::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintGradient(painter, rect());
}

} // namespace quillet
