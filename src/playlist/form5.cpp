#include "playlist/form5.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "common/entrypath.h"
#include "common/timetext.h"
#include "common/twips.h"
#include "media/mediaplayer.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"
#include "playlist/tagrowreader.h"

#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace quillet {

namespace {

const QString kCaption = QStringLiteral("ID3 Playlist");

// The layout figures count the window's outer size as it was on the system they were drawn for: a 4-pixel
// border and a 19-pixel caption. Adding that frame to the inner size keeps the layout the same under every
// window manager (and without one).
constexpr int FrameWidthTwips = 120;
constexpr int FrameHeightTwips = 405;
constexpr int ButtonLeftTwips = 90;
constexpr int ButtonHeightTwips = 375;

PlaylistView *mainList()
{
    MainWindowApi *api = MainWindowApi::instance();
    return api ? api->playlistView() : nullptr;
}

} // namespace

Form5::Form5(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Label1(new QLabel(QStringLiteral("Loading List ..."), this))
    , List2(new QListWidget(this))
    , Command1(new QPushButton(QStringLiteral("&Play File"), this))
    , MP2(MediaPlayer::create(PlayerPurpose::Probe, this))
    , Timer1(new QTimer(this))
    , m_reader(new TagRowReader(this))
{
    setWindowTitle(kCaption);
    if (MainWindowApi *api = MainWindowApi::instance(); api && api->mainWidget())
        setWindowIcon(api->mainWidget()->windowIcon());
    Label1->adjustSize();
    // Label1 was made first, so the list covers it; it shows while the list is hidden.
    List2->setUniformItemSizes(true);
    List2->setAccessibleName(kCaption);
    List2->installEventFilter(this);
    // Changes of the main playlist arrive in bursts; one check after the burst is enough.
    Timer1->setSingleShot(true);
    Timer1->setInterval(0);
    Command1->setGeometry(
        twipsToPixels(ButtonLeftTwips, logicalDpiX()), 0, 0, twipsToPixels(ButtonHeightTwips, logicalDpiY()));
    resize(twipsToPixels(5400, logicalDpiX()), twipsToPixels(6600, logicalDpiY()));

    connectControls();
    watchMainPlaylist();
    // The list starts empty: the first check fills it when the main playlist is not empty.
    Timer1->start();
}

Form5::~Form5() = default;

void Form5::connectControls()
{
    connect(Timer1, &QTimer::timeout, this, &Form5::Timer1_Timer);
    connect(List2, &QListWidget::itemClicked, this, &Form5::List2_Click);
    connect(List2, &QListWidget::itemDoubleClicked, this, &Form5::List2_DblClick);
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    addCancelKey(this, [this] { close(); });
    connect(m_reader, &TagRowReader::rowsReady, this, &Form5::appendRows);
    connect(m_reader, &TagRowReader::finished, this, &Form5::finishRebuild);
}

void Form5::watchMainPlaylist()
{
    PlaylistView *list = mainList();
    if (!list || !list->playlist())
        return;
    connect(list->playlist(), &PlaylistModel::countChanged, Timer1, qOverload<>(&QTimer::start));
    // A rebuild ends on the last entry only when nobody chose another entry meanwhile. Selection changes that
    // come with a change of the count (a merge putting the selection back) restart the rebuild instead.
    const auto noteChoice = [this, list] {
        if (m_rebuilding && !m_settingIndex && list->count() == m_rowTarget)
            m_selectionChosen = true;
    };
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, noteChoice);
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this, noteChoice);
}

void Form5::Timer1_Timer()
{
    // The warning box runs its own event loop; the check after it sees every change made meanwhile.
    if (m_warning)
        return;
    MainWindowApi *api = MainWindowApi::instance();
    PlaylistView *list = mainList();
    if (!list || list->count() == m_rowTarget)
        return;

    m_reader->cancel();
    m_warning = true;
    dialogs().message(QStringLiteral("Please be patient ! This could take a minute !"));
    m_warning = false;

    // A choice made during a rebuild that is now restarted still counts.
    if (!m_rebuilding)
        m_selectionChosen = false;
    m_rebuilding = true;
    setCursor(Qt::BusyCursor);
    List2->hide();
    List2->clear();
    m_rowTarget = list->count();
    if (m_rowTarget == 0) {
        finishRebuild();
        return;
    }
    // The tags are read on worker threads; rows appear as they are ready and the main list stays usable.
    m_reader->start(list->entries(), api->rootDirectory());
}

void Form5::appendRows(const QStringList &rows)
{
    List2->addItems(rows);
    if (List2->isHidden())
        showList();
}

void Form5::showList()
{
    List2->show();
    if (!focusWidget() || focusWidget() == Command1)
        List2->setFocus();
}

void Form5::finishRebuild()
{
    m_rebuilding = false;
    showList();
    unsetCursor();
    // The main list ends on its last entry, as after stepping through every entry, unless the user chose an
    // entry while the rows were read: that choice stays.
    PlaylistView *list = mainList();
    if (list && m_rowTarget > 0 && list->count() == m_rowTarget && !m_selectionChosen) {
        m_settingIndex = true;
        list->setListIndex(m_rowTarget - 1);
        m_settingIndex = false;
    }
    m_selectionChosen = false;
    emit rebuilt();
}

void Form5::List2_Click()
{
    const int row = List2->currentRow();
    const QListWidgetItem *item = List2->item(row);
    MainWindowApi *api = MainWindowApi::instance();
    PlaylistView *list = mainList();
    // A row may outlive its entry when entries were replaced without changing the count.
    if (!item || item->text().isEmpty() || !list || row >= list->count())
        return;
    list->setListIndex(row);
    const QString s = list->currentText();
    if (isAbsoluteEntry(s)) {
        MP2->setFileName(s);
    } else if (api->rootDirectory().isEmpty()) {
        api->showRootChooser();
        return;
    } else {
        MP2->setFileName(api->rootDirectory() + s);
    }
    MP2->stop();
    MP2->probeDuration();
    setWindowTitle(kCaption + QStringLiteral(" - Time ") + timeText(MP2->duration()));
}

void Form5::List2_DblClick()
{
    playRow(List2->currentRow());
}

void Form5::List2_KeyPress(QChar key)
{
    if (key == QChar(13))
        playRow(List2->currentRow());
}

void Form5::Command1_Click()
{
    playRow(List2->currentRow());
}

void Form5::playRow(int row)
{
    MainWindowApi *api = MainWindowApi::instance();
    PlaylistView *list = mainList();
    if (!list || row < 0 || row >= list->count())
        return;
    list->setListIndex(row);
    // The main window plays its current entry by its own rule (root directory, chooser, labels).
    api->startSelectedEntry();
}

void Form5::closeEvent(QCloseEvent *event)
{
    // The window stays loaded and keeps watching the main playlist.
    event->ignore();
    hide();
}

void Form5::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    const int w = pixelsToTwips(width(), dpiX) + FrameWidthTwips;
    const int h = pixelsToTwips(height(), dpiY) + FrameHeightTwips;
    // A size that would be negative is refused and that step skipped; positions may be negative.
    if (w - 105 >= 0)
        List2->resize(twipsToPixels(w - 105, dpiX), List2->height());
    if (h - 915 >= 0)
        List2->resize(List2->width(), twipsToPixels(h - 915, dpiY));
    if (w - 315 >= 0)
        Command1->resize(twipsToPixels(w - 315, dpiX), Command1->height());
    Command1->move(Command1->x(), twipsToPixels(h - 825, dpiY));
    Label1->move(
        twipsToPixels(w / 2.0, dpiX) - Label1->width() / 2, twipsToPixels(h / 2.0, dpiY) - Label1->height() / 2);
}

bool Form5::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == List2 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            List2_KeyPress(QChar(13));
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillet
