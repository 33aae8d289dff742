#include "platform/mpvvideosurface.h"

#include <QOpenGLContext>
#include <mpv/render_gl.h>

namespace rt {
namespace {

void* procAddress(void*, const char* name)
{
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

void onRenderUpdate(void* ctx)
{
    // Called on an mpv thread: only post.
    QMetaObject::invokeMethod(static_cast<MpvVideoSurface*>(ctx), "update", Qt::QueuedConnection);
}

} // namespace

MpvVideoSurface::MpvVideoSurface(mpv_handle* mpv, QWidget* parent) : QOpenGLWidget(parent), mpv_(mpv) {}

MpvVideoSurface::~MpvVideoSurface()
{
    release();
    // The base class destroys the context after this destructor: its
    // aboutToBeDestroyed must not reach a surface that is gone.
    if (QOpenGLContext* ctx = context())
        disconnect(ctx, nullptr, this, nullptr);
}

void MpvVideoSurface::release()
{
    if (render_) {
        makeCurrent();
        freeContext();
        doneCurrent();
    }
    mpv_ = nullptr;
}

void MpvVideoSurface::freeContext()
{
    if (render_) {
        mpv_render_context_free(render_);
        render_ = nullptr;
    }
}

void MpvVideoSurface::onContextDestroyed()
{
    makeCurrent();
    freeContext();
    doneCurrent();
}

void MpvVideoSurface::initializeGL()
{
    // Moving the view to and from full screen gives a new GL context.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &MpvVideoSurface::onContextDestroyed,
            Qt::UniqueConnection);
    if (!mpv_ || render_)
        return;
    mpv_opengl_init_params gl{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) {
        render_ = nullptr;
        return;
    }
    mpv_render_context_set_update_callback(render_, &onRenderUpdate, this);
    emit renderContextCreated();
}

void MpvVideoSurface::paintGL()
{
    if (!render_)
        return;
    const qreal dpr = devicePixelRatioF();
    mpv_opengl_fbo fbo{int(defaultFramebufferObject()), int(width() * dpr), int(height() * dpr), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
}

} // namespace rt
