#include "platform/mediacontrol.h"

#include <QKeyEvent>
#include <QScreen>

namespace rt {

MediaView::MediaView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
}

void MediaView::setSurface(QWidget* surface)
{
    surface_ = surface;
    if (surface_) {
        surface_->setParent(this);
        // Clicks on the picture give the focus to the view (and GotFocus).
        surface_->setFocusPolicy(Qt::NoFocus);
        surface_->setGeometry(rect());
        surface_->show();
    }
}

void MediaView::enterFullScreen()
{
    if (fullScreen_)
        return;
    fullScreen_ = true;
    QScreen* screen = window()->screen();
    if (parentWidget()) {
        savedGeometry_ = geometry();
        setWindowFlags(windowFlags() | Qt::Window);
    }
    // Without a window manager the full-screen state alone does not resize.
    if (screen)
        setGeometry(screen->geometry());
    showFullScreen();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    emit fullScreenChanged(true);
}

void MediaView::leaveFullScreen()
{
    if (!fullScreen_)
        return;
    fullScreen_ = false;
    if (parentWidget()) {
        setWindowFlags(windowFlags() & ~Qt::Window);
        setGeometry(savedGeometry_);
        show();
    } else {
        showNormal();
    }
    emit fullScreenChanged(false);
}

void MediaView::keyPressEvent(QKeyEvent* e)
{
    if (fullScreen_ && e->key() == Qt::Key_Escape) {
        leaveFullScreen();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void MediaView::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    emit focusReceived();
}

void MediaView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (surface_)
        surface_->setGeometry(rect());
}

void MediaControl::postOpenStateChange()
{
    QMetaObject::invokeMethod(this, [this] { emit OpenStateChange(); }, Qt::QueuedConnection);
}

void MediaControl::postPlayStateChange()
{
    QMetaObject::invokeMethod(this, [this] { emit PlayStateChange(); }, Qt::QueuedConnection);
}

void MediaControl::postOutputLost()
{
    QMetaObject::invokeMethod(this, [this] { emit OutputLost(); }, Qt::QueuedConnection);
}

} // namespace rt
