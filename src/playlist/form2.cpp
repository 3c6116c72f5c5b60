#include "playlist/form2.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "common/gradient.h"
#include "common/twips.h"
#include "media/mediaplayer.h"
#include "playlist/directorylist.h"
#include "playlist/drivelist.h"
#include "playlist/filelist.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistview.h"

#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

namespace quillet {

Form2::Form2(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Drive1(new DriveList(this))
    , Dir1(new DirectoryList(this))
    , File1(new FileList(this))
    , Command1(new QPushButton(QStringLiteral("Add These &File(s) To Play List"), this))
    , Command4(new QPushButton(QStringLiteral("&Done"), this))
{
    setWindowTitle(QStringLiteral("Choose Directory"));
    // The close box destroys the window; Done only hides it.
    setAttribute(Qt::WA_DeleteOnClose);
    File1->setPattern(browserFilePattern());
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Dir1->setAccessibleName(QStringLiteral("Directories"));
    File1->setAccessibleName(QStringLiteral("Files"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(Drive1, 0, 0, 1, 2);
    layout->addWidget(Dir1, 1, 0);
    layout->addWidget(File1, 1, 1);
    layout->addWidget(Command1, 2, 0);
    layout->addWidget(Command4, 2, 1);
    layout->setRowStretch(1, 1);
    resize(twipsToPixels(8400, logicalDpiX()), twipsToPixels(6000, logicalDpiY()));

    connectControls();
    const QString start = DirectoryList::startPath();
    if (!Dir1->setPath(start))
        Dir1->setPath(Drive1->drive());
}

Form2::~Form2()
{
    // Hiding the window takes the focus from File1, and its lostFocus() would otherwise reach File1_LostFocus()
    // on a Form2 that is already destroyed.
    File1->disconnect(this);
}

void Form2::connectControls()
{
    connect(Drive1, &DriveList::driveChanged, this, &Form2::Drive1_Change);
    // The drive list names the drive of the open directory, wherever the user went.
    connect(Dir1, &DirectoryList::pathChanged, Drive1, &DriveList::showDriveOf);
    connect(Dir1, &DirectoryList::pathChanged, this, &Form2::Dir1_Change);
    connect(File1, &QListWidget::itemDoubleClicked, this, &Form2::File1_DblClick);
    connect(File1, &FileList::lostFocus, this, &Form2::File1_LostFocus);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    // Enter on a file plays it, as a double-click does; Escape is Done.
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        new QShortcut(key, File1, this, &Form2::File1_DblClick, Qt::WidgetShortcut);
    addCancelKey(this, [this] { Command4_Click(); });
}

void Form2::Drive1_Change()
{
    // A drive that cannot be opened (a medium taken out) leaves the directory as it was, and the drive list
    // goes back to the drive of that directory.
    if (!Dir1->setPath(Drive1->drive()))
        Drive1->showDriveOf(Dir1->path());
}

void Form2::Dir1_Change()
{
    File1->setPath(Dir1->path());
}

void Form2::File1_DblClick()
{
    const QListWidgetItem *item = File1->currentItem();
    MainWindowApi *api = MainWindowApi::instance();
    if (!item || !api || !api->mainPlayer())
        return;
    api->mainPlayer()->setFileName(File1->filePath(item->text()));
    api->setStatusText(QStringLiteral("Playing.."));
}

void Form2::File1_LostFocus()
{
    if (File1->count() > 0)
        File1->setListIndex(-1);
}

void Form2::Command1_Click()
{
    File1->setListIndex(-1);
    if (File1->count() == 0) {
        dialogs().message(QStringLiteral("All Files In This Directory Added !"));
        File1->setVisible(true);
        return;
    }
    MainWindowApi *api = MainWindowApi::instance();
    if (!api || !api->playlistView())
        return;
    QStringList paths;
    const QStringList names = File1->fileNames();
    paths.reserve(names.size());
    for (const QString &name : names)
        paths << File1->filePath(name);
    api->playlistView()->addMany(paths);
    // The list is left on its last file, as after stepping through all of them.
    File1->setListIndex(File1->count() - 1);
}

void Form2::Command4_Click()
{
    hide();
}

void Form2::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintGradient(painter, rect());
}

} // namespace quillet
