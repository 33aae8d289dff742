#pragma once
// Draws mpv's video through its render API into a QOpenGLWidget.
#include <QOpenGLWidget>

struct mpv_handle;
struct mpv_render_context;

namespace rt {

class MpvVideoSurface : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit MpvVideoSurface(mpv_handle* mpv, QWidget* parent = nullptr);
    ~MpvVideoSurface() override;
    // Frees the render context; must run before the mpv handle goes away.
    void release();
    bool hasRenderContext() const { return render_ != nullptr; }

signals:
    void renderContextCreated();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void freeContext();
    void onContextDestroyed();

    mpv_handle* mpv_;
    mpv_render_context* render_ = nullptr;
};

} // namespace rt
