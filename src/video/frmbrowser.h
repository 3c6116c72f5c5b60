#pragma once

#include <QSize>
#include "common/singlewindow.h"

#include <QWidget>

class QTimer;

namespace quillet {

class MediaPlayer;
class VideoWidget;

// The video display window "Video Player": its player Media1 shows the picture over the whole window, and the
// window takes the size of the video (made smaller to fit the screen). Display size 3 is full screen; a
// double-click or F toggles it and Escape leaves it. Closing the window ends the video and destroys the window.
class frmBrowser : public QWidget, public SingleWindow<frmBrowser>
{
    Q_OBJECT
public:
    explicit frmBrowser(QWidget *parent = nullptr);
    // Frees the picture's render context before the player, as mpv requires.
    ~frmBrowser() override;

    // The video window comes to the front but leaves the keyboard with the list that started it.
    static constexpr bool takesFocus = false;

    // Loads and starts a file or URL in Media1, as soon as the picture can be shown.
    void setFileName(const QString &fileName);

    // The window was resized: the picture takes the whole inside of the window.
    void Form_Resize();
    // Every 100 ms: auto size on, the picture at the top left, the window at the video's size, display size 4
    // unless full screen.
    void Timer1_Timer();
    // Media1 opened a new file: auto size on.
    void Media1_MediaOpened();
    // Media1 failed: shows its error description.
    void Media1_Error();
    // Switches between full screen (display size 3) and the video's own size (display size 4).
    void toggleFullScreen();

    // The inside size the window takes for a video: the video's size, scaled down (keeping its shape) when it
    // does not fit the space available. Without a picture (no size, or 0x0) the window keeps its current size,
    // or takes the start size when it has none.
    static QSize fittedSize(const QSize &video, const QSize &available, const QSize &current);

    MediaPlayer *Media1 = nullptr;
    // The picture of Media1, over the whole window.
    VideoWidget *Picture = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void connectControls();
    void applyDisplaySize();
    void pictureReady();
    QSize videoSize() const;

    QString m_pendingFile;
};

} // namespace quillet
