#include "video/mpvrendercontext.h"

#include <QImage>

#include <mpv/render.h>
#include <mpv/render_gl.h>

#include <cstdlib>
#include <cstring>

namespace quillet {

namespace {

// mpv's software scaler takes its fast paths when rows and the buffer start on 64-byte boundaries.
constexpr qsizetype RowAlignment = 64;

void freeAligned(void *buffer)
{
    std::free(buffer);
}

} // namespace

MpvRenderContext::MpvRenderContext(QObject *parent)
    : QObject(parent)
{
}

MpvRenderContext::~MpvRenderContext()
{
    free();
}

bool MpvRenderContext::createSoftware(mpv_handle *mpv)
{
    if (!mpv || m_context)
        return false;
    char apiType[] = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, apiType},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_context, mpv, params) < 0) {
        m_context = nullptr;
        return false;
    }
    // The callback must be in place at once: mpv's video thread waits for the first update to be taken.
    mpv_render_context_set_update_callback(m_context, &MpvRenderContext::onUpdate, this);
    return true;
}

bool MpvRenderContext::createOpenGl(mpv_handle *mpv, ProcAddressFunction procAddress, void *procContext)
{
    if (!mpv || m_context)
        return false;
    char apiType[] = MPV_RENDER_API_TYPE_OPENGL;
    mpv_opengl_init_params glParams {procAddress, procContext};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, apiType},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glParams},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_context, mpv, params) < 0) {
        m_context = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(m_context, &MpvRenderContext::onUpdate, this);
    return true;
}

void MpvRenderContext::free()
{
    if (!m_context)
        return;
    mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
    mpv_render_context_free(m_context);
    m_context = nullptr;
}

void MpvRenderContext::onUpdate(void *self)
{
    // Runs on an mpv thread: only post a call to the GUI thread.
    auto *context = static_cast<MpvRenderContext *>(self);
    if (!context->m_updatePosted.exchange(true))
        QMetaObject::invokeMethod(context, &MpvRenderContext::deliverUpdate, Qt::QueuedConnection);
}

void MpvRenderContext::deliverUpdate()
{
    // Cleared first, so that a callback arriving while the frame is drawn posts another delivery.
    m_updatePosted = false;
    if (m_context)
        emit frameRequested();
}

bool MpvRenderContext::takeNewFrame()
{
    return m_context && (mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME);
}

bool MpvRenderContext::renderSoftware(QImage &image)
{
    if (!m_context || image.isNull() || image.format() != QImage::Format_RGB32)
        return false;
    int size[2] = {image.width(), image.height()};
    char format[] = "bgr0";
    size_t stride = size_t(image.bytesPerLine());
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, size},
        {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(m_context, params) < 0)
        return false;
    // "bgr0" leaves the fourth byte undefined, while Qt's RGB32 wants it 0xff: some of Qt's blits copy it
    // through, and a stray 0 there turns into transparent pixels.
    for (int y = 0; y < image.height(); ++y) {
        auto *pixel = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pixel[x] |= 0xff000000u;
    }
    return true;
}

QImage MpvRenderContext::alignedImage(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype stride = (qsizetype(width) * 4 + RowAlignment - 1) / RowAlignment * RowAlignment;
    void *buffer = std::aligned_alloc(RowAlignment, size_t(stride * height));
    if (!buffer)
        return {};
    QImage image(static_cast<uchar *>(buffer), width, height, stride, QImage::Format_RGB32, &freeAligned, buffer);
    image.fill(Qt::black);
    return image;
}

bool MpvRenderContext::renderOpenGl(int framebuffer, int width, int height)
{
    if (!m_context || width <= 0 || height <= 0)
        return false;
    mpv_opengl_fbo fbo {framebuffer, width, height, 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    return mpv_render_context_render(m_context, params) >= 0;
}

void MpvRenderContext::reportSwap()
{
    if (m_context)
        mpv_render_context_report_swap(m_context);
}

} // namespace quillet
