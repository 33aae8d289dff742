#include "controls/pixelsurface.h"

#include <algorithm>
#include <cstdlib>

namespace melodune {

namespace {
QRgb toRgb(PackedColor c) { return qRgb(rt::redOf(c), rt::greenOf(c), rt::blueOf(c)); }
} // namespace

PixelSurface::PixelSurface(int width, int height) { resize(width, height); }

void PixelSurface::resize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (image_.width() == width && image_.height() == height && !image_.isNull())
        return;
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(Qt::black);
}

PackedColor PixelSurface::pixel(int x, int y) const
{
    if (!contains(x, y))
        return -1;
    const QRgb p = image_.pixel(x, y);
    return rt::rgb(qRed(p), qGreen(p), qBlue(p));
}

void PixelSurface::setPixel(int x, int y, PackedColor c)
{
    if (contains(x, y))
        image_.setPixel(x, y, toRgb(c));
}

void PixelSurface::fill(PackedColor c)
{
    if (!image_.isNull())
        image_.fill(toRgb(c));
}

void PixelSurface::line(int x1, int y1, int x2, int y2, PackedColor c)
{
    if (y1 == y2) {
        // Row y1, from x1 towards x2, x2 itself left out.
        const int a = x1 <= x2 ? x1 : x2 + 1, b = x1 <= x2 ? x2 - 1 : x1;
        if (a <= b)
            fillRect(QRect(QPoint(a, y1), QPoint(b, y1)), c);
        return;
    }
    if (x1 == x2) {
        const int a = y1 <= y2 ? y1 : y2 + 1, b = y1 <= y2 ? y2 - 1 : y1;
        if (a <= b)
            fillRect(QRect(QPoint(x1, a), QPoint(x1, b)), c);
        return;
    }
    // Bresenham from the start point, stopping before the end point.
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    const int steps = std::max(dx, -dy);
    for (int n = 0; n < steps; ++n) {
        setPixel(x, y, c);
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
}

void PixelSurface::fillRect(const QRect& r, PackedColor c)
{
    const QRect clipped = r.intersected(QRect(0, 0, width(), height()));
    if (clipped.isEmpty())
        return;
    const QRgb v = toRgb(c);
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row + clipped.left(), row + clipped.right() + 1, v);
    }
}

void PixelSurface::fillRectXY(int x, int y, int w, int h, PackedColor c)
{
    if (w > 0 && h > 0)
        fillRect(QRect(x, y, w, h), c);
}

void PixelSurface::rectOutline(int x, int y, int w, int h, PackedColor c)
{
    line(x, y, x + w, y, c);
    line(x + w, y, x + w, y + h, c);
    line(x + w, y + h, x, y + h, c);
    line(x, y + h, x, y, c);
}

void PixelSurface::gradientVertical(PackedColor from, PackedColor to, int x1, int y, int x2, int steps)
{
    for (int i = 0; i <= steps; ++i)
        line(x1, y + i, x2, y + i, gradientColor(from, to, i, steps));
}

void PixelSurface::gradientHorizontal(PackedColor from, PackedColor to, int x1, int y1, int x2, int y2)
{
    const int steps = x2 - x1;
    for (int i = 0; i <= steps; ++i)
        line(x1 + i, y1, x1 + i, y2, gradientColor(from, to, i, steps));
}

void PixelSurface::softFrame(int x, int y, int w, int h, PackedColor outer, PackedColor inner, PackedColor corner)
{
    rectOutline(x, y, w - 1, h - 1, outer);
    rectOutline(x + 1, y + 1, w - 1, h - 1, inner);
    setPixel(x, y + h, corner);
    setPixel(x + w, y, corner);
    const PackedColor mid = blendColors(inner, outer);
    setPixel(x + 1, y + h - 1, mid);
    setPixel(x + w - 1, y + 1, mid);
}

} // namespace melodune
