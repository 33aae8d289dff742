#include "visual/visualpanel.h"

#include <QPaintEvent>
#include <QPainter>

namespace melodune {

VisualPanel::VisualPanel(QWidget* parent) : QWidget(parent)
{
    // The panel paints every pixel itself; no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

QImage& VisualPanel::frame(int width, int height)
{
    if (frame_.width() != width || frame_.height() != height || frame_.format() != QImage::Format_RGB32) {
        if (frame_.isNull() || frame_.size() != QSize(width, height)) {
            frame_ = QImage(width, height, QImage::Format_RGB32);
            frame_.fill(Qt::black);
        } else {
            frame_ = frame_.convertToFormat(QImage::Format_RGB32);
        }
    }
    frame_.setDevicePixelRatio(1.0); // the effects draw in logical pixels
    return frame_;
}

void VisualPanel::setFrame(QImage image)
{
    frame_ = std::move(image);
    update();
}

void VisualPanel::clearFrame()
{
    if (frame_.isNull())
        return;
    frame_ = QImage();
    update();
}

void VisualPanel::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (frame_.isNull()) {
        p.fillRect(e->rect(), Qt::black);
        return;
    }
    if (scaled_) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), frame_);
        return;
    }
    p.drawImage(QPoint(0, 0), frame_);
    // Whatever the frame does not cover stays black (the frame may be made
    // at the screen's pixels: its size here is its logical one).
    const QRegion rest = QRegion(e->rect()) - QRegion(QRect(QPoint(0, 0), frame_.deviceIndependentSize().toSize()));
    for (const QRect& r : rest)
        p.fillRect(r, Qt::black);
}

} // namespace melodune
