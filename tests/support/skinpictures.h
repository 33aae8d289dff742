#pragma once
// Skin pictures for tests: a filled ellipse on white gives a round outline.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QSize>

namespace testsupport {

inline QImage discOnWhite(QSize size, QColor disc)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(QRect(QPoint(0, 0), size));
    return img;
}

} // namespace testsupport
