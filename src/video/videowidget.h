#pragma once

#include "video/mpvrendercontext.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace quillet {

class MediaPlayer;
class OpenGlVideoView;

// The picture of a video player: OpenGL where the platform gives a context on a graphics card, mpv's software
// renderer otherwise (and when OpenGL fails). A player that is not libmpv (a test's fake) leaves the picture black.
// Double-clicks and keys go on to the parent window.
class VideoWidget : public QWidget
{
    Q_OBJECT
public:
    enum class Renderer { None, Software, OpenGl };

    // Shows the player's video with the renderer the platform allows (see preferredRenderer()).
    explicit VideoWidget(MediaPlayer *player, QWidget *parent = nullptr);
    // Shows the player's video with the given renderer (None shows black).
    VideoWidget(MediaPlayer *player, Renderer renderer, QWidget *parent = nullptr);
    ~VideoWidget() override;

    // Frees the render context; must happen before the player is destroyed. The picture turns black.
    void release();
    // The renderer in use.
    Renderer renderer() const { return m_renderer; }
    // Whether pictures can be shown now; a file loaded before that would play without its picture.
    bool isReady() const;
    // New video frames rendered so far.
    quint64 framesRendered() const;

    // The renderer to use: QUILLET_VIDEO_RENDERER ("software" or "opengl") when set; otherwise OpenGL when a
    // context on a graphics card can be made, software on platforms without windows (offscreen), without OpenGL
    // or with OpenGL drawn by the processor.
    static Renderer preferredRenderer();
    // Whether an OpenGL context can be made here at all, drawn by a graphics card or by the processor.
    static bool openGlAvailable();
    // The renderer's name for messages and figures.
    static QString rendererName(Renderer renderer);

signals:
    // Pictures can be shown from now on.
    void ready();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void startSoftware();
    void startOpenGl();
    void renderSoftwareFrame();
    void showNewSoftwareFrame();

    QPointer<MediaPlayer> m_player;
    Renderer m_renderer = Renderer::None;
    MpvRenderContext m_render;
    OpenGlVideoView *m_glView = nullptr;
    QImage m_frame;
    bool m_hasFrame = false;
    quint64 m_softwareFrames = 0;
};

} // namespace quillet
