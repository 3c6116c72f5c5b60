// The libmpv functions Quillet calls, loaded from the shared library on their first use instead of when the program
// starts. libmpv brings some two hundred libraries with it (codecs, filters, audio and video outputs); loading and
// relocating them at exec delayed the first window by tens of milliseconds. Each function here resolves its
// namesake in libmpv once and calls it. Without libmpv, mpv_create() returns null and the player reports the
// engine as missing, as it does when the engine cannot start.
#include <mpv/client.h>
#include <mpv/render.h>

#include <dlfcn.h>

namespace {

void *library()
{
    static void *const handle = [] {
        void *h = dlopen("libmpv.so.2", RTLD_NOW | RTLD_LOCAL);
        return h ? h : dlopen("libmpv.so", RTLD_NOW | RTLD_LOCAL);
    }();
    return handle;
}

template<typename Function> Function resolve(const char *name)
{
    void *handle = library();
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

} // namespace

// Defines a function that forwards to libmpv's, or returns `fallback` when libmpv or the function is missing.
#define QUILLET_MPV_FORWARD(result, name, parameters, arguments, fallback)                                             \
    extern "C" result name parameters                                                                                  \
    {                                                                                                                  \
        static const auto function = resolve<result(*) parameters>(#name);                                             \
        if (!function)                                                                                                 \
            return fallback;                                                                                           \
        return function arguments;                                                                                     \
    }

#define QUILLET_MPV_FORWARD_VOID(name, parameters, arguments)                                                          \
    extern "C" void name parameters                                                                                    \
    {                                                                                                                  \
        static const auto function = resolve<void(*) parameters>(#name);                                               \
        if (function)                                                                                                  \
            function arguments;                                                                                        \
    }

namespace {
// What mpv_wait_event returns without libmpv: it never returns null.
mpv_event g_noEvent = {MPV_EVENT_NONE, 0, 0, nullptr};
} // namespace

QUILLET_MPV_FORWARD(unsigned long, mpv_client_api_version, (void), (), 0UL)
QUILLET_MPV_FORWARD(const char *, mpv_error_string, (int error), (error), "the playback engine (libmpv) is missing")
QUILLET_MPV_FORWARD_VOID(mpv_free, (void *data), (data))
QUILLET_MPV_FORWARD(mpv_handle *, mpv_create, (void), (), nullptr)
QUILLET_MPV_FORWARD(int, mpv_initialize, (mpv_handle * ctx), (ctx), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD_VOID(mpv_terminate_destroy, (mpv_handle * ctx), (ctx))
QUILLET_MPV_FORWARD(int, mpv_set_option_string, (mpv_handle * ctx, const char *name, const char *data),
    (ctx, name, data), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(int, mpv_command, (mpv_handle * ctx, const char **args), (ctx, args), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(int, mpv_command_ret, (mpv_handle * ctx, const char **args, mpv_node *result), (ctx, args, result),
    MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(int, mpv_set_property, (mpv_handle * ctx, const char *name, mpv_format format, void *data),
    (ctx, name, format, data), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(int, mpv_set_property_string, (mpv_handle * ctx, const char *name, const char *data),
    (ctx, name, data), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(int, mpv_get_property, (mpv_handle * ctx, const char *name, mpv_format format, void *data),
    (ctx, name, format, data), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(char *, mpv_get_property_string, (mpv_handle * ctx, const char *name), (ctx, name), nullptr)
QUILLET_MPV_FORWARD_VOID(mpv_free_node_contents, (mpv_node * node), (node))
QUILLET_MPV_FORWARD(
    int, mpv_request_log_messages, (mpv_handle * ctx, const char *min_level), (ctx, min_level), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(int, mpv_observe_property,
    (mpv_handle * mpv, uint64_t reply_userdata, const char *name, mpv_format format),
    (mpv, reply_userdata, name, format), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD(mpv_event *, mpv_wait_event, (mpv_handle * ctx, double timeout), (ctx, timeout), &g_noEvent)
QUILLET_MPV_FORWARD_VOID(mpv_set_wakeup_callback, (mpv_handle * ctx, void (*cb)(void *d), void *d), (ctx, cb, d))
QUILLET_MPV_FORWARD(int, mpv_render_context_create,
    (mpv_render_context * *res, mpv_handle *mpv, mpv_render_param *params), (res, mpv, params), MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD_VOID(mpv_render_context_set_update_callback,
    (mpv_render_context * ctx, mpv_render_update_fn callback, void *callback_ctx), (ctx, callback, callback_ctx))
QUILLET_MPV_FORWARD(uint64_t, mpv_render_context_update, (mpv_render_context * ctx), (ctx), 0)
QUILLET_MPV_FORWARD(int, mpv_render_context_render, (mpv_render_context * ctx, mpv_render_param *params), (ctx, params),
    MPV_ERROR_UNINITIALIZED)
QUILLET_MPV_FORWARD_VOID(mpv_render_context_report_swap, (mpv_render_context * ctx), (ctx))
QUILLET_MPV_FORWARD_VOID(mpv_render_context_free, (mpv_render_context * ctx), (ctx))
