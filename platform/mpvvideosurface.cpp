#include "platform/mpvvideosurface.h"

#include "platform/log.h"
#include "platform/mpvlibrary.h"

#include <QCoreApplication>
#include <QExposeEvent>
#include <QOpenGLContext>
#include <QPlatformSurfaceEvent>
#include <QThread>

namespace rt {

// The GL side of the surface: lives on the render thread (or on the window
// thread when the platform cannot draw from another one) and is touched
// only there, but for the atomics the window thread writes.
class MpvRenderWorker : public QObject {
public:
    MpvRenderWorker(mpv_handle* mpv, QWindow* window) : mpv_(mpv), window_(window) {}

    // Written by the window thread: the size to draw in device pixels, and
    // whether there is something on screen to draw into.
    std::atomic_int width{0};
    std::atomic_int height{0};
    std::atomic_bool exposed{false};
    std::atomic_int frames{0};

    bool createContext(const QSurfaceFormat& format)
    {
        gl_ = new QOpenGLContext;
        gl_->setFormat(format);
        if (gl_->create())
            return true;
        delete gl_;
        gl_ = nullptr;
        return false;
    }

    // mpv's render context on the window's surface.
    bool attach()
    {
        if (!gl_ || !gl_->makeCurrent(window_))
            return dropContext();
        mpv_opengl_init_params glParams{&procAddress, nullptr};
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glParams},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (mpv_render_context_create(&render_, mpv_, params) < 0)
            render_ = nullptr;
        gl_->doneCurrent();
        if (!render_)
            return dropContext();
        mpv_render_context_set_update_callback(render_, &onRenderUpdate, this);
        return true;
    }

    // Any thread (mpv calls it from its own): one frame is asked for at a
    // time.
    void requestFrame()
    {
        if (!frameAsked_.exchange(true))
            QMetaObject::invokeMethod(this, [this] { drawFrame(); }, Qt::QueuedConnection);
    }

    void releaseAll()
    {
        if (render_) {
            if (!gl_->makeCurrent(window_))
                qCWarning(lcPlatform) << "the video's render context is freed without its window";
            mpv_render_context_free(render_);
            render_ = nullptr;
        }
        dropContext();
    }

private:
    static void* procAddress(void*, const char* name)
    {
        QOpenGLContext* ctx = QOpenGLContext::currentContext();
        return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
    }
    // Called on an mpv thread: only ask.
    static void onRenderUpdate(void* ctx) { static_cast<MpvRenderWorker*>(ctx)->requestFrame(); }

    bool dropContext()
    {
        if (gl_)
            gl_->doneCurrent();
        delete gl_;
        gl_ = nullptr;
        return false;
    }

    void drawFrame()
    {
        frameAsked_ = false;
        if (!render_ || !exposed || !gl_->makeCurrent(window_))
            return;
        mpv_opengl_fbo fbo{int(gl_->defaultFramebufferObject()), width, height, 0};
        int flipY = 1;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(render_, params);
        gl_->swapBuffers(window_);
        ++frames;
    }

    mpv_handle* mpv_;
    QWindow* window_;
    QOpenGLContext* gl_ = nullptr;
    mpv_render_context* render_ = nullptr;
    std::atomic_bool frameAsked_{false};
};

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

int MpvVideoSurface::framesDrawn() const
{
    return worker_ ? worker_->frames.load() : 0;
}

void MpvVideoSurface::post(std::function<void()> f)
{
    QMetaObject::invokeMethod(worker_, std::move(f), Qt::QueuedConnection);
}

void MpvVideoSurface::runAndWait(const std::function<void()>& f)
{
    if (worker_->thread() == QThread::currentThread())
        f();
    else
        QMetaObject::invokeMethod(worker_, f, Qt::BlockingQueuedConnection);
}

void MpvVideoSurface::initRender(std::function<void()> embed, std::function<void(bool)> done)
{
    worker_ = new MpvRenderWorker(mpv_, this);
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("mpv render"));
    worker_->moveToThread(thread_);
    thread_->start();

    // Once the context exists (the GL driver is loaded by then), the native
    // window is made here and mpv's render context there.
    auto attach = [this, done] {
        post([this, done] {
            const bool ok = worker_->attach();
            QMetaObject::invokeMethod(
                this,
                [this, ok, done] {
                    if (released_)
                        return;
                    ready_ = ok;
                    done(ok);
                    if (ok && !released_)
                        worker_->requestFrame();
                },
                Qt::QueuedConnection);
        });
    };
    auto contextMade = [this, embed, done, attach](bool threaded, bool made) {
        if (released_)
            return;
        if (!threaded) {
            // The worker came back to this thread: it draws here.
            thread_->quit();
            thread_->wait();
            delete thread_;
            thread_ = nullptr;
            qCWarning(lcPlatform) << "OpenGL cannot draw from another thread here: video frames are drawn on the "
                                     "window's thread";
            made = worker_->createContext(requestedFormat());
        }
        if (!made) {
            qCWarning(lcPlatform) << "no OpenGL context for the video";
            done(false);
            return;
        }
        embed();
        create();
        noteGeometry();
        attach();
    };
    const QSurfaceFormat format = requestedFormat();
    QThread* windowThread = thread();
    post([this, format, windowThread, contextMade] {
        // Both ask the platform's GL integration, which loads the driver.
        const bool threaded = QOpenGLContext::supportsThreadedOpenGL();
        const bool made = threaded && worker_->createContext(format);
        if (!threaded)
            worker_->moveToThread(windowThread);
        QMetaObject::invokeMethod(
            this, [contextMade, threaded, made] { contextMade(threaded, made); }, Qt::QueuedConnection);
    });
}

void MpvVideoSurface::release()
{
    if (released_)
        return;
    released_ = true;
    ready_ = false;
    if (worker_) {
        MpvRenderWorker* w = worker_;
        runAndWait([w] { w->releaseAll(); });
    }
    if (thread_) {
        thread_->quit();
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
    delete worker_;
    worker_ = nullptr;
    mpv_ = nullptr;
}

void MpvVideoSurface::noteGeometry()
{
    if (!worker_)
        return;
    const qreal dpr = devicePixelRatio();
    worker_->width = int(width() * dpr);
    worker_->height = int(height() * dpr);
    worker_->exposed = isExposed();
}

void MpvVideoSurface::exposeEvent(QExposeEvent*)
{
    noteGeometry();
    if (worker_)
        worker_->requestFrame();
}

void MpvVideoSurface::resizeEvent(QResizeEvent* e)
{
    QWindow::resizeEvent(e);
    noteGeometry();
    if (worker_)
        worker_->requestFrame();
}

bool MpvVideoSurface::event(QEvent* e)
{
    if (e->type() == QEvent::UpdateRequest) {
        if (worker_)
            worker_->requestFrame();
        return true;
    }
    // The window's native surface goes for good (with its container, or
    // the main window): mpv's render context is freed while it still exists.
    if (e->type() == QEvent::PlatformSurface &&
        static_cast<QPlatformSurfaceEvent*>(e)->surfaceEventType() == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
        release();
    return QWindow::event(e);
}

} // namespace rt
