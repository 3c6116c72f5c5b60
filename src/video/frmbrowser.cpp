#include "video/frmbrowser.h"

#include "common/dialogservice.h"
#include "common/twips.h"
#include "media/mpvplayer.h"
#include "video/videowidget.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include <utility>

namespace quillet {

namespace {

// The size the player's picture takes on screen when it sizes itself: full screen.
constexpr int FullScreenSize = 3;
// The picture fitted to the control's size.
constexpr int FitToSize = 4;
// The window's inside before any video has told its size.
constexpr int StartWidthTwips = 4800;
constexpr int StartHeightTwips = 3600;
// The same at 96 dots per inch, for a window that somehow has no size of its own when the video has none.
constexpr int StartWidthPixels = 320;
constexpr int StartHeightPixels = 240;

} // namespace

frmBrowser::frmBrowser(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Media1(MediaPlayer::create(PlayerPurpose::Video, this))
    , Timer1(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Video Player"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    Picture = new VideoWidget(Media1, this);
    resize(twipsToPixels(StartWidthTwips, logicalDpiX()), twipsToPixels(StartHeightTwips, logicalDpiY()));
    Picture->setGeometry(rect());
    Timer1->setInterval(100);
    connectControls();
    Timer1->start();
}

frmBrowser::~frmBrowser()
{
    // The render context lives on the player's mpv handle and must go first.
    Picture->release();
    delete Media1;
    Media1 = nullptr;
}

void frmBrowser::connectControls()
{
    connect(Timer1, &QTimer::timeout, this, &frmBrowser::Timer1_Timer);
    connect(Media1, &MediaPlayer::mediaOpened, this, &frmBrowser::Media1_MediaOpened);
    connect(Media1, &MediaPlayer::error, this, &frmBrowser::Media1_Error);
    connect(Picture, &VideoWidget::ready, this, &frmBrowser::pictureReady);
    // The size is known at the video's first reconfiguration; follow it at once rather than at the next tick.
    if (auto *mpv = qobject_cast<MpvPlayer *>(Media1))
        connect(mpv, &MpvPlayer::videoReconfigured, this, &frmBrowser::Timer1_Timer);
}

void frmBrowser::setFileName(const QString &fileName)
{
    // A file loaded before the render context exists would play without a picture.
    if (!Picture->isReady()) {
        m_pendingFile = fileName;
        return;
    }
    m_pendingFile.clear();
    Media1->setFileName(fileName);
}

void frmBrowser::pictureReady()
{
    if (m_pendingFile.isEmpty())
        return;
    Media1->setFileName(std::exchange(m_pendingFile, QString()));
}

void frmBrowser::Form_Resize()
{
    Picture->setGeometry(rect());
}

void frmBrowser::Timer1_Timer()
{
    Media1->setAutoSize(true);
    Picture->move(0, 0);
    const QSize video = videoSize();
    // At the end of a file, and for a file without a picture, the engine reports no size (or 0x0): the window
    // then keeps the size it has, since a window sized to nothing is unmapped and cannot be found again.
    if (Media1->autoSize() && !video.isEmpty() && !isFullScreen() && !isMinimized()) {
        QSize available = screen() ? screen()->availableGeometry().size() : video;
        // The frame around the inside takes its part of the screen too.
        available -= frameGeometry().size() - size();
        const QSize target = fittedSize(video, available, size());
        if (size() != target)
            resize(target);
    }
    if (Media1->displaySize() != FullScreenSize)
        Media1->setDisplaySize(FitToSize);
    applyDisplaySize();
}

void frmBrowser::Media1_MediaOpened()
{
    Media1->setAutoSize(true);
}

void frmBrowser::Media1_Error()
{
    dialogs().message(Media1->errorDescription());
}

void frmBrowser::toggleFullScreen()
{
    Media1->setDisplaySize(Media1->displaySize() == FullScreenSize ? FitToSize : FullScreenSize);
    applyDisplaySize();
}

void frmBrowser::applyDisplaySize()
{
    const bool wanted = Media1->displaySize() == FullScreenSize;
    if (wanted && !isFullScreen())
        showFullScreen();
    else if (!wanted && isFullScreen())
        showNormal();
}

QSize frmBrowser::videoSize() const
{
    auto *mpv = qobject_cast<MpvPlayer *>(Media1);
    return mpv ? mpv->videoSize() : QSize();
}

QSize frmBrowser::fittedSize(const QSize &video, const QSize &available, const QSize &current)
{
    if (video.isEmpty())
        return current.isEmpty() ? QSize(StartWidthPixels, StartHeightPixels) : current;
    if (available.isEmpty() || (video.width() <= available.width() && video.height() <= available.height()))
        return video;
    return video.scaled(available, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void frmBrowser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F && event->modifiers() == Qt::NoModifier) {
        toggleFullScreen();
        return;
    }
    if (event->key() == Qt::Key_Escape && Media1->displaySize() == FullScreenSize) {
        toggleFullScreen();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmBrowser::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        toggleFullScreen();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void frmBrowser::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !Media1)
        return;
    // The window manager may enter or leave full screen on its own; the display size follows it.
    if (isFullScreen() && Media1->displaySize() != FullScreenSize)
        Media1->setDisplaySize(FullScreenSize);
    else if (!isFullScreen() && Media1->displaySize() == FullScreenSize)
        Media1->setDisplaySize(FitToSize);
}

} // namespace quillet
