#pragma once
// Draws mpv's video through its render API into a native window of its own,
// which the media control's view embeds only while a video is open. The rest
// of the main window is never composed through OpenGL, and no GL context
// exists while only sound plays.
//
// The GL context, mpv's render context and every frame live on a render
// thread of the surface: loading the GL driver, compiling shaders, drawing
// and swapping a full-screen frame in software, and mpv's wait for a frame's
// display time never hold up the window thread. Only the native window is
// made on the window thread. Where the platform cannot draw with OpenGL from
// another thread, the same steps run on the window thread instead.
#include <QSurfaceFormat>
#include <QWindow>
#include <atomic>
#include <functional>

struct mpv_handle;

namespace rt {

class MpvRenderWorker;

class MpvVideoSurface : public QWindow {
    Q_OBJECT
public:
    explicit MpvVideoSurface(mpv_handle* mpv);
    ~MpvVideoSurface() override;

    // Makes the GL context, then (`embed` having put the surface where it is
    // shown, on the window thread) mpv's render context on it. `done` runs
    // on the window thread at the end: true when mpv can draw through the
    // surface, false when OpenGL is not available. Neither runs after
    // release().
    void initRender(std::function<void()> embed, std::function<void(bool)> done);
    // Frees the render context and the GL context and ends the render
    // thread (mpv drops the video track it feeds); waits for them. Must run
    // before the mpv handle goes.
    void release();
    bool hasRenderContext() const { return ready_; }
    // Frames drawn so far.
    int framesDrawn() const;

protected:
    void exposeEvent(QExposeEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool event(QEvent* e) override;

private:
    // Runs `f` where the worker draws: queued on the render thread, or on
    // the window thread when there is none.
    void post(std::function<void()> f);
    // The same, returning once it has run.
    void runAndWait(const std::function<void()>& f);
    void noteGeometry();

    mpv_handle* mpv_;
    MpvRenderWorker* worker_ = nullptr;
    QThread* thread_ = nullptr;
    bool released_ = false;
    std::atomic_bool ready_{false};
};

} // namespace rt
