#pragma once
// Draws mpv's video through its render API into a native window of its own,
// which the media control's view embeds only while a video is open. The rest
// of the main window is never composed through OpenGL, and no GL context
// exists while only sound plays.
#include <QWindow>

struct mpv_handle;
struct mpv_render_context;
class QOpenGLContext;

namespace rt {

class MpvVideoSurface : public QWindow {
    Q_OBJECT
public:
    explicit MpvVideoSurface(mpv_handle* mpv);
    ~MpvVideoSurface() override;
    // Makes the GL context and mpv's render context at once, so that mpv
    // finds somewhere to draw when it picks the tracks of the media being
    // opened. False when OpenGL is not available.
    bool initRender();
    // Frees the render context (mpv drops the video track it feeds); must
    // run before the mpv handle goes away.
    void release();
    bool hasRenderContext() const { return render_ != nullptr; }

protected:
    void exposeEvent(QExposeEvent* e) override;
    bool event(QEvent* e) override;

private:
    Q_INVOKABLE void render();

    mpv_handle* mpv_;
    QOpenGLContext* gl_ = nullptr;
    mpv_render_context* render_ = nullptr;
};

} // namespace rt
