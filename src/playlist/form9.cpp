#include "playlist/form9.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "common/gradient.h"
#include "common/twips.h"
#include "playlist/directorylist.h"
#include "playlist/drivelist.h"
#include "playlist/filesearch.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistview.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>

namespace quillet {

namespace {

const char *const SearchText = "&Search";
const char *const CancelText = "&Cancel";

} // namespace

Form9::Form9(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Drive1(new DriveList(this))
    , Dir1(new DirectoryList(this))
    , Combo1(new QComboBox(this))
    , Command1(new QPushButton(QLatin1String(SearchText), this))
    , List1(new QListWidget(this))
    , Label1(new QLabel(this))
    , Command2(new QPushButton(QStringLiteral("&Add To Playlist"), this))
    , m_search(new FileSearch(this))
{
    setWindowTitle(QStringLiteral("Search For MP3 Files"));
    setAttribute(Qt::WA_DeleteOnClose);

    Combo1->setEditable(true);
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Dir1->setAccessibleName(QStringLiteral("Directories"));
    Combo1->setAccessibleName(QStringLiteral("File Type"));
    Combo1->lineEdit()->setAccessibleName(QStringLiteral("File Type"));
    List1->setAccessibleName(QStringLiteral("Files Found"));
    Combo1->setToolTip(QStringLiteral("Type here the File Type To Search for."));
    Combo1->addItems({QStringLiteral("mp3"), QStringLiteral("wav"), QStringLiteral("mpg"), QStringLiteral("wma"),
        QStringLiteral("avi"), QStringLiteral("mpeg")});
    Combo1->setCurrentIndex(0);
    Combo1->setEditText(Combo1->itemText(0));
    // Typed endings stay as typed; they are not collected as list items.
    Combo1->setInsertPolicy(QComboBox::NoInsert);

    // Long result lists are laid out in slices so that the window keeps answering while they grow. The list
    // measures every path, so the widest one can be scrolled into view.
    List1->setLayoutMode(QListView::Batched);
    List1->setBatchSize(2000);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    Label1->setText(QStringLiteral("0 Files"));
    // The label sits on the dark background.
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(labelPalette);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Drive1, 0, 0);
    layout->addWidget(Combo1, 0, 1);
    layout->addWidget(Dir1, 1, 0, 2, 1);
    layout->addWidget(Command1, 1, 1, Qt::AlignTop);
    layout->addWidget(List1, 3, 0, 1, 2);
    layout->addWidget(Label1, 4, 0);
    layout->addWidget(Command2, 4, 1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);
    layout->setRowStretch(3, 2);
    resize(twipsToPixels(9000, logicalDpiX()), twipsToPixels(7200, logicalDpiY()));

    connectControls();
    const QString start = DirectoryList::startPath();
    if (!Dir1->setPath(start))
        Dir1->setPath(Drive1->drive());
}

Form9::~Form9()
{
    // The search thread must end before the window's controls go.
    delete m_search;
    m_search = nullptr;
}

void Form9::connectControls()
{
    connect(Drive1, &DriveList::driveChanged, this, &Form9::Drive1_Change);
    // The drive list names the drive of the open directory, wherever the user went.
    connect(Dir1, &DirectoryList::pathChanged, Drive1, &DriveList::showDriveOf);
    connect(Command1, &QPushButton::clicked, this, &Form9::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form9::Command2_Click);
    addCancelKey(this, [this] { close(); });
    connect(m_search, &FileSearch::found, this, &Form9::search_Found);
    connect(m_search, &FileSearch::finished, this, &Form9::search_Finished);
}

bool Form9::isSearching() const
{
    return m_search && m_search->isRunning();
}

QString Form9::foundText(qint64 count)
{
    // The blank stands where the sign of a negative number would be.
    return QLatin1Char(' ') + QString::number(count) + QStringLiteral(" Files Found");
}

void Form9::Drive1_Change()
{
    // A drive that cannot be opened (a medium taken out) leaves the directory as it was, and the drive list
    // goes back to the drive of that directory.
    if (!Dir1->setPath(Drive1->drive()))
        Drive1->showDriveOf(Dir1->path());
}

void Form9::Command1_Click()
{
    if (isSearching()) {
        m_search->cancel();
        return;
    }
    setCursor(Qt::WaitCursor);
    // The button cancels while the search runs, so it keeps the normal pointer.
    Command1->setCursor(Qt::ArrowCursor);
    Command1->setText(QLatin1String(CancelText));
    Command2->setEnabled(false);
    List1->clear();
    Label1->setText(foundText(0));
    m_search->start(Dir1->path(), Combo1->currentText());
}

void Form9::search_Found(const QStringList &paths, qint64 total)
{
    List1->addItems(paths);
    Label1->setText(foundText(total));
}

void Form9::search_Finished(qint64 total, bool)
{
    Label1->setText(foundText(total));
    Command1->setText(QLatin1String(SearchText));
    Command1->unsetCursor();
    Command2->setEnabled(true);
    unsetCursor();
    emit searchFinished();
}

void Form9::Command2_Click()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    List1->setCurrentRow(-1);
    List1->clearSelection();
    if (List1->count() == 0) {
        restoreCursor.dismiss();
        QGuiApplication::restoreOverrideCursor();
        dialogs().message(QStringLiteral("All Files In The List Added !"));
        List1->setVisible(true);
        return;
    }
    MainWindowApi *api = MainWindowApi::instance();
    if (!api || !api->playlistView())
        return;
    QStringList paths;
    paths.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i)
        paths << List1->item(i)->text();
    api->playlistView()->addMany(paths);
    // The list is left on its last entry, as after stepping through all of them.
    List1->setCurrentRow(List1->count() - 1);
}

void Form9::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintGradient(painter, rect());
}

void Form9::closeEvent(QCloseEvent *event)
{
    m_search->cancel();
    QWidget::closeEvent(event);
}

} // namespace quillet
