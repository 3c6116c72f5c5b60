#include "video/openglvideoview.h"

#include <QOpenGLContext>

namespace quillet {

namespace {

void *procAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(name)) : nullptr;
}

} // namespace

OpenGlVideoView::OpenGlVideoView(mpv_handle *mpv, QWidget *parent)
    : QOpenGLWidget(parent)
    , m_mpv(mpv)
{
    connect(&m_render, &MpvRenderContext::frameRequested, this, &OpenGlVideoView::showNewFrame);
    connect(this, &QOpenGLWidget::frameSwapped, &m_render, &MpvRenderContext::reportSwap);
}

OpenGlVideoView::~OpenGlVideoView()
{
    release();
    // QOpenGLWidget's destructor destroys the context after this part of the object is gone: its
    // aboutToBeDestroyed must not reach release() then.
    if (QOpenGLContext *ownContext = context())
        disconnect(ownContext, nullptr, this, nullptr);
}

void OpenGlVideoView::release()
{
    if (!m_render.isValid())
        return;
    // mpv frees its textures and buffers in the context they were made in.
    makeCurrent();
    m_render.free();
    doneCurrent();
}

void OpenGlVideoView::initializeGL()
{
    // The context goes away when the widget moves to another window: free mpv's part while it still can be made
    // current; the next initializeGL() makes a new one.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OpenGlVideoView::release, Qt::UniqueConnection);
    if (m_render.isValid())
        return;
    if (!m_render.createOpenGl(m_mpv, &procAddress, nullptr)) {
        qWarning("mpv cannot render with this OpenGL context; falling back to software");
        emit failed();
        return;
    }
    emit ready();
}

void OpenGlVideoView::paintGL()
{
    const qreal ratio = devicePixelRatioF();
    m_render.renderOpenGl(int(defaultFramebufferObject()), qRound(width() * ratio), qRound(height() * ratio));
}

void OpenGlVideoView::showNewFrame()
{
    if (!m_render.takeNewFrame())
        return;
    ++m_frames;
    // A hidden or minimised widget gets no paint events, yet mpv waits for each frame to be rendered: draw it
    // anyway so that playback keeps its pace.
    if (!isVisible() || window()->isMinimized()) {
        makeCurrent();
        paintGL();
        doneCurrent();
        return;
    }
    update();
}

} // namespace quillet
