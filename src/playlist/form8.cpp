#include "playlist/form8.h"

#include "common/cancelkey.h"
#include "common/entrypath.h"
#include "common/twips.h"
#include "playlist/directorylist.h"
#include "playlist/drivelist.h"
#include "playlist/mainwindowapi.h"

#include <QFileInfo>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

Form8::Form8(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Drive1(new DriveList(this))
    , Dir1(new DirectoryList(this))
    , Command1(new QPushButton(QStringLiteral("&Choose Directory"), this))
{
    setWindowTitle(QStringLiteral("Choose Root Directory"));
    setAttribute(Qt::WA_DeleteOnClose);
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Dir1->setAccessibleName(QStringLiteral("Directories"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1, 1);
    layout->addWidget(Command1);
    resize(twipsToPixels(4800, logicalDpiX()), twipsToPixels(5400, logicalDpiY()));

    connectControls();
    // Open at the current root directory when there is one, so a wrong choice is easy to correct.
    MainWindowApi *api = MainWindowApi::instance();
    const QString root = api ? api->rootDirectory() : QString();
    const QString start = !root.isEmpty() && QFileInfo(root).isDir() ? root : DirectoryList::startPath();
    if (!Dir1->setPath(start))
        Dir1->setPath(Drive1->drive());
}

void Form8::connectControls()
{
    connect(Drive1, &DriveList::driveChanged, this, &Form8::Drive1_Change);
    // The drive list names the drive of the open directory, wherever the user went.
    connect(Dir1, &DirectoryList::pathChanged, Drive1, &DriveList::showDriveOf);
    connect(Command1, &QPushButton::clicked, this, &Form8::Command1_Click);
    addCancelKey(this, [this] { close(); });
}

void Form8::Drive1_Change()
{
    // A drive that cannot be opened (a medium taken out) leaves the directory as it was, and the drive list
    // goes back to the drive of that directory.
    if (!Dir1->setPath(Drive1->drive()))
        Drive1->showDriveOf(Dir1->path());
}

void Form8::Command1_Click()
{
    if (MainWindowApi *api = MainWindowApi::instance())
        api->setRootDirectory(rootDirectoryText(Dir1->path()));
    close();
}

} // namespace quillet
