#include "video/videowidget.h"

#include "media/mpvplayer.h"
#include "video/openglvideoview.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace quillet {

namespace {

mpv_handle *handleOf(MediaPlayer *player)
{
    auto *mpv = qobject_cast<MpvPlayer *>(player);
    return mpv ? mpv->handle() : nullptr;
}

enum class OpenGlSupport { None, Rasterised, Hardware };

// Whether an OpenGL context can be made and made current here (not on the offscreen platform, nor without GL), and
// whether it draws on a graphics card or with Mesa's rasteriser on the processor.
OpenGlSupport openGlSupport()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return OpenGlSupport::None;
    QOpenGLContext context;
    if (!context.create())
        return OpenGlSupport::None;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return OpenGlSupport::None;
    const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    const QByteArray renderer = QByteArray(name).toLower();
    context.doneCurrent();
    const bool rasterised = renderer.contains("llvmpipe") || renderer.contains("softpipe")
        || renderer.contains("software rasterizer") || renderer.contains("swrast");
    return rasterised ? OpenGlSupport::Rasterised : OpenGlSupport::Hardware;
}

OpenGlSupport cachedOpenGlSupport()
{
    static const OpenGlSupport support = openGlSupport();
    return support;
}

} // namespace

VideoWidget::VideoWidget(MediaPlayer *player, QWidget *parent)
    : VideoWidget(player, preferredRenderer(), parent)
{
}

VideoWidget::VideoWidget(MediaPlayer *player, Renderer renderer, QWidget *parent)
    : QWidget(parent)
    , m_player(player)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    if (!handleOf(player))
        return; // nothing to render: the picture stays black
    if (renderer == Renderer::OpenGl)
        startOpenGl();
    else if (renderer == Renderer::Software)
        startSoftware();
}

VideoWidget::~VideoWidget()
{
    release();
}

void VideoWidget::release()
{
    // The OpenGL view frees its render context with its own context current.
    delete m_glView;
    m_glView = nullptr;
    m_render.free();
    m_hasFrame = false;
}

void VideoWidget::startSoftware()
{
    if (!m_render.createSoftware(handleOf(m_player))) {
        qWarning("mpv refused a software render context: the video shows no picture");
        m_renderer = Renderer::None;
        return;
    }
    m_renderer = Renderer::Software;
    connect(
        &m_render, &MpvRenderContext::frameRequested, this, &VideoWidget::showNewSoftwareFrame, Qt::UniqueConnection);
}

void VideoWidget::startOpenGl()
{
    m_renderer = Renderer::OpenGl;
    m_glView = new OpenGlVideoView(handleOf(m_player), this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_glView);
    connect(m_glView, &OpenGlVideoView::ready, this, &VideoWidget::ready);
    connect(m_glView, &OpenGlVideoView::failed, this, [this] {
        // Dropped later: the failing view is still inside its initializeGL().
        m_glView->hide();
        m_glView->deleteLater();
        m_glView = nullptr;
        startSoftware();
        renderSoftwareFrame();
        update();
        if (m_renderer == Renderer::Software)
            emit ready();
    });
}

bool VideoWidget::isReady() const
{
    switch (m_renderer) {
    case Renderer::None:
        return true;
    case Renderer::Software:
        return m_render.isValid();
    case Renderer::OpenGl:
        return m_glView && m_glView->isReady();
    }
    return false;
}

quint64 VideoWidget::framesRendered() const
{
    return m_softwareFrames + (m_glView ? m_glView->framesRendered() : 0);
}

void VideoWidget::showNewSoftwareFrame()
{
    if (!m_render.takeNewFrame())
        return;
    // Rendered even while hidden: mpv waits for each frame to be taken before it shows the next.
    renderSoftwareFrame();
    if (m_hasFrame)
        ++m_softwareFrames;
    update();
}

void VideoWidget::renderSoftwareFrame()
{
    if (!m_render.isValid())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(qMax(1, qRound(width() * ratio)), qMax(1, qRound(height() * ratio)));
    if (m_frame.size() != pixels) {
        m_frame = MpvRenderContext::alignedImage(pixels.width(), pixels.height());
        m_frame.setDevicePixelRatio(ratio);
    }
    m_hasFrame = m_render.renderSoftware(m_frame);
}

void VideoWidget::paintEvent(QPaintEvent *)
{
    if (m_renderer == Renderer::OpenGl && m_glView)
        return; // the OpenGL view covers the whole widget
    QPainter painter(this);
    if (!m_hasFrame || m_frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Between a resize and the next rendered frame the old picture is stretched rather than cut.
    painter.drawImage(QRectF(rect()), m_frame);
}

void VideoWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A paused picture is drawn again at the new size at once.
    if (m_renderer == Renderer::Software && m_hasFrame)
        renderSoftwareFrame();
}

VideoWidget::Renderer VideoWidget::preferredRenderer()
{
    const QByteArray chosen = qgetenv("QUILLET_VIDEO_RENDERER").toLower();
    if (chosen == "software")
        return Renderer::Software;
    if (chosen == "opengl")
        return Renderer::OpenGl;
    // OpenGL drawn by the processor (Mesa's llvmpipe in virtual machines and Xvfb) costs more than mpv's own
    // software renderer and drops frames at HD sizes, so it is only used when asked for.
    return cachedOpenGlSupport() == OpenGlSupport::Hardware ? Renderer::OpenGl : Renderer::Software;
}

bool VideoWidget::openGlAvailable()
{
    return cachedOpenGlSupport() != OpenGlSupport::None;
}

QString VideoWidget::rendererName(Renderer renderer)
{
    switch (renderer) {
    case Renderer::None:
        return QStringLiteral("none");
    case Renderer::Software:
        return QStringLiteral("software");
    case Renderer::OpenGl:
        return QStringLiteral("OpenGL");
    }
    return {};
}

} // namespace quillet
