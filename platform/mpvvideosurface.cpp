#include "platform/mpvvideosurface.h"

#include <QOpenGLContext>
#include "platform/mpvlibrary.h"

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
    QMetaObject::invokeMethod(static_cast<MpvVideoSurface*>(ctx), "render", Qt::QueuedConnection);
}

} // namespace

MpvVideoSurface::MpvVideoSurface(mpv_handle* mpv) : mpv_(mpv)
{
    setSurfaceType(QSurface::OpenGLSurface);
    // Clicks and keys belong to the view around the picture, as they would
    // on a plain child widget.
    setFlags(flags() | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
}

MpvVideoSurface::~MpvVideoSurface()
{
    release();
}

bool MpvVideoSurface::initRender()
{
    if (render_)
        return true;
    if (!mpv_)
        return false;
    create();
    gl_ = new QOpenGLContext(this);
    if (!gl_->create() || !gl_->makeCurrent(this)) {
        delete gl_;
        gl_ = nullptr;
        return false;
    }
    mpv_opengl_init_params glParams{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glParams},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0)
        render_ = nullptr;
    gl_->doneCurrent();
    if (!render_) {
        delete gl_;
        gl_ = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(render_, &onRenderUpdate, this);
    return true;
}

void MpvVideoSurface::release()
{
    if (render_) {
        gl_->makeCurrent(this);
        mpv_render_context_free(render_);
        render_ = nullptr;
        gl_->doneCurrent();
    }
    delete gl_;
    gl_ = nullptr;
    mpv_ = nullptr;
}

void MpvVideoSurface::exposeEvent(QExposeEvent*)
{
    render();
}

bool MpvVideoSurface::event(QEvent* e)
{
    if (e->type() == QEvent::UpdateRequest) {
        render();
        return true;
    }
    return QWindow::event(e);
}

void MpvVideoSurface::render()
{
    if (!render_ || !isExposed() || !gl_->makeCurrent(this))
        return;
    const qreal dpr = devicePixelRatio();
    mpv_opengl_fbo fbo{int(gl_->defaultFramebufferObject()), int(width() * dpr), int(height() * dpr), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    gl_->swapBuffers(this);
}

} // namespace rt
