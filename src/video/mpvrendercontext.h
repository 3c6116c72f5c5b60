#pragma once

#include <QObject>

#include <atomic>

class QImage;

struct mpv_handle;
struct mpv_render_context;

namespace quillet {

// One libmpv render context on a player's mpv handle: software (into a memory image) or OpenGL (into the current
// context's framebuffer). mpv asks for a redraw from its own threads; the request is posted to the GUI thread and
// arrives there as frameRequested(). The context must be freed before the mpv handle is destroyed; for OpenGL the
// context that it was made in must be current while it is freed.
class MpvRenderContext : public QObject
{
    Q_OBJECT
public:
    // The address of an OpenGL function by name, for mpv's OpenGL renderer.
    using ProcAddressFunction = void *(*)(void *context, const char *name);

    explicit MpvRenderContext(QObject *parent = nullptr);
    // Frees the render context if it is still there (see free()).
    ~MpvRenderContext() override;

    // Makes a software render context on the handle; false when mpv refuses (then nothing is made).
    bool createSoftware(mpv_handle *mpv);
    // Makes an OpenGL render context in the current OpenGL context; false when mpv refuses.
    bool createOpenGl(mpv_handle *mpv, ProcAddressFunction procAddress, void *procContext);
    // Frees the render context: video output stops; mpv calls back no more once this returns.
    void free();
    // Whether a render context exists.
    bool isValid() const { return m_context != nullptr; }

    // Called after frameRequested(): true when a new video frame is waiting to be rendered.
    bool takeNewFrame();
    // Renders the current frame, scaled to fit with black bars, into an image of Format_RGB32.
    bool renderSoftware(QImage &image);
    // An opaque black RGB32 image whose rows start on 64-byte boundaries, the fastest target for renderSoftware().
    static QImage alignedImage(int width, int height);
    // Renders the current frame into the framebuffer object of the current OpenGL context (0 is the default
    // framebuffer), flipped for OpenGL's bottom-up rows.
    bool renderOpenGl(int framebuffer, int width, int height);
    // Tells mpv that the rendered frame reached the screen, for its timing.
    void reportSwap();

signals:
    // mpv has something new to show; call takeNewFrame() and render.
    void frameRequested();

private:
    static void onUpdate(void *self);
    void deliverUpdate();

    mpv_render_context *m_context = nullptr;
    // Set while a delivery is posted, so that a burst of callbacks posts only one.
    std::atomic<bool> m_updatePosted {false};
};

} // namespace quillet
