#include "controls/pixelsurface.h"
#include "platform/units.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

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
        reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = toRgb(c);
}

QImage PixelSurface::enlarged(qreal ratio) const
{
    const int w = width(), h = height();
    if (image_.isNull() || w == 0 || h == 0 || !(ratio > 0))
        return {};
    const int dw = rt::devicePixels(w, ratio), dh = rt::devicePixels(h, ratio);
    QImage out(dw, dh, QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio);
    auto logical = [ratio](int device, int limit) { return std::min(limit - 1, int((device + 0.5) / ratio)); };
    std::vector<int> column(static_cast<std::size_t>(dw));
    for (int x = 0; x < dw; ++x)
        column[static_cast<std::size_t>(x)] = logical(x, w);
    const qsizetype rowBytes = qsizetype(dw) * 4;
    int lastSource = -1;
    for (int y = 0; y < dh; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        const int sy = logical(y, h);
        if (sy == lastSource) {
            std::memcpy(row, out.constScanLine(y - 1), static_cast<std::size_t>(rowBytes));
            continue;
        }
        const auto* src = reinterpret_cast<const QRgb*>(image_.constScanLine(sy));
        for (int x = 0; x < dw; ++x)
            row[x] = src[column[static_cast<std::size_t>(x)]];
        lastSource = sy;
    }
    return out;
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
        fillInclusive(a, b, y1, y1, c);
        return;
    }
    if (x1 == x2) {
        const int a = y1 <= y2 ? y1 : y2 + 1, b = y1 <= y2 ? y2 - 1 : y1;
        fillInclusive(x1, x1, a, b, c);
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
    if (!r.isEmpty())
        fillInclusive(r.left(), r.right(), r.top(), r.bottom(), c);
}

// Columns x1..x2 of rows y1..y2, clipped; the faces draw hundreds of short
// lines per paint, so this stays free of rectangle objects and calls.
void PixelSurface::fillInclusive(int x1, int x2, int y1, int y2, PackedColor c)
{
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, width() - 1);
    y2 = std::min(y2, height() - 1);
    if (x1 > x2 || y1 > y2)
        return;
    const QRgb v = toRgb(c);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int y = y1; y <= y2; ++y) {
        auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(row + x1, row + x2 + 1, v);
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

namespace {

// gradientColor for every step of one gradient, the three channels side by
// side: the same single-precision sums (the quotient of each lane is the
// correctly rounded one, as in the scalar form), rounded halves to even by
// adding and taking away 1.5 * 2^23. The faces draw several hundred
// gradient steps per paint; this keeps them cheap.
class GradientSteps {
public:
    GradientSteps(PackedColor from, PackedColor to, int steps) : from_(from), steps_(steps)
    {
        const int f[3] = {rt::redOf(from), rt::greenOf(from), rt::blueOf(from)};
        const int t[3] = {rt::redOf(to), rt::greenOf(to), rt::blueOf(to)};
        for (int k = 0; k < 3; ++k) {
            base_[k] = static_cast<float>(f[k]);
            delta_[k] = t[k] - f[k];
        }
        base_[3] = 0;
        delta_[3] = 0;
        divisor_ = F4{1, 1, 1, 1} * static_cast<float>(steps < 1 ? 1 : steps);
    }
    PackedColor at(int i) const
    {
        if (steps_ < 1)
            return from_;
        const I4 product = delta_ * i;
        const F4 v = base_ + __builtin_convertvector(product, F4) / divisor_;
        constexpr float shift = 12582912.0f; // 1.5 * 2^23
        const F4 rounded = (v + shift) - shift;
        I4 c = __builtin_convertvector(rounded, I4);
        c = c < 0 ? 0 : c;
        c = c > 255 ? 255 : c;
        return rt::rgb(c[0], c[1], c[2]);
    }

private:
    typedef float F4 __attribute__((vector_size(16)));
    typedef int I4 __attribute__((vector_size(16)));
    PackedColor from_;
    int steps_;
    F4 base_{}, divisor_{};
    I4 delta_{};
};

} // namespace

void PixelSurface::gradientVertical(PackedColor from, PackedColor to, int x1, int y, int x2, int steps)
{
    // Row y + i is the line x1..x2 - 1 (x2 itself left out, as line() draws
    // it; a backwards line x2 + 1..x1).
    const int a = std::max(0, x1 <= x2 ? x1 : x2 + 1), b = std::min(width() - 1, x1 <= x2 ? x2 - 1 : x1);
    const int first = std::max(0, -y), last = std::min(steps, height() - 1 - y);
    if (a > b || first > last)
        return;
    const GradientSteps g(from, to, steps);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int i = first; i <= last; ++i) {
        auto* row = reinterpret_cast<QRgb*>(bits + (y + i) * stride);
        std::fill(row + a, row + b + 1, toRgb(g.at(i)));
    }
}

void PixelSurface::gradientHorizontal(PackedColor from, PackedColor to, int x1, int y1, int x2, int y2)
{
    // Column x1 + i is the line y1..y2 - 1 (backwards: y2 + 1..y1).
    const int steps = x2 - x1;
    const int a = std::max(0, y1 <= y2 ? y1 : y2 + 1), b = std::min(height() - 1, y1 <= y2 ? y2 - 1 : y1);
    const int first = std::max(0, -x1), last = std::min(steps, width() - 1 - x1);
    if (a > b || first > last)
        return;
    const GradientSteps g(from, to, steps);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int i = first; i <= last; ++i) {
        const QRgb v = toRgb(g.at(i));
        for (int y = a; y <= b; ++y)
            reinterpret_cast<QRgb*>(bits + y * stride)[x1 + i] = v;
    }
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
