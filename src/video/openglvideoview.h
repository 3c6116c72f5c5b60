#pragma once

#include "video/mpvrendercontext.h"

#include <QOpenGLWidget>

struct mpv_handle;

namespace quillet {

// Shows a player's video through mpv's OpenGL renderer. The render context is made when the widget gets its
// OpenGL context and freed, with that context current, before the widget or its context goes away.
class OpenGlVideoView : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit OpenGlVideoView(mpv_handle *mpv, QWidget *parent = nullptr);
    ~OpenGlVideoView() override;

    // Frees the render context (the video stops showing); must happen before the mpv handle is destroyed.
    void release();
    // Whether the render context exists, i.e. pictures can be shown.
    bool isReady() const { return m_render.isValid(); }
    // New video frames taken from mpv so far.
    quint64 framesRendered() const { return m_frames; }

signals:
    // The render context exists: a file may now be loaded.
    void ready();
    // mpv could not render with this OpenGL context; another renderer is needed.
    void failed();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void showNewFrame();

    mpv_handle *m_mpv = nullptr;
    MpvRenderContext m_render;
    quint64 m_frames = 0;
};

} // namespace quillet
