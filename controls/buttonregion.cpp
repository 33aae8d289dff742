#include "controls/buttonregion.h"

#include <algorithm>
#include <cmath>

namespace melodune {

QRegion polygonRegion(const std::vector<QPoint>& pts)
{
    QRegion region;
    if (pts.size() < 3)
        return region;
    int top = pts[0].y(), bottom = pts[0].y();
    for (const QPoint& p : pts) {
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    std::vector<double> xs;
    for (int y = top; y < bottom; ++y) {
        xs.clear();
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const QPoint a = pts[i], b = pts[(i + 1) % pts.size()];
            if (a.y() == b.y())
                continue;
            const int ylo = std::min(a.y(), b.y()), yhi = std::max(a.y(), b.y());
            if (y < ylo || y >= yhi)
                continue;
            xs.push_back(a.x() + double(y - a.y()) * (b.x() - a.x()) / double(b.y() - a.y()));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            const int x0 = static_cast<int>(std::ceil(xs[i]));
            const int x1 = static_cast<int>(std::ceil(xs[i + 1]));
            if (x1 > x0)
                region += QRect(x0, y, x1 - x0, 1);
        }
    }
    return region;
}

QRegion cutCornerRegion1(int w, int h)
{
    return polygonRegion({{0, 1}, {1, 0}, {w - 1, 0}, {w, 1}, {w, h - 2}, {w - 2, h}, {2, h}, {0, h - 2}});
}

QRegion cutCornerRegion2(int w, int h)
{
    return polygonRegion({{0, 2}, {2, 0}, {w - 3, 0}, {w, 3}, {w, h - 3}, {w - 3, h}, {4, h}, {0, h - 4}});
}

QRegion roundRectRegion(int w, int h)
{
    // A pixel belongs when its centre lies in the rounded rectangle; the
    // corner art is drawn for exactly these pixels. Small sizes shrink the
    // corner ellipses to fit, as a rounded rectangle does.
    const double right = w + 1, bottom = h + 1;
    const double rx = std::min(9.0, right / 2), ry = std::min(9.0, bottom / 2);
    auto inside = [&](double px, double py) {
        const double ex = px < rx ? rx - px : px > right - rx ? px - (right - rx) : 0;
        const double ey = py < ry ? ry - py : py > bottom - ry ? py - (bottom - ry) : 0;
        return (ex * ex) / (rx * rx) + (ey * ey) / (ry * ry) <= 1.0;
    };
    QRegion region;
    for (int y = 0; y <= h; ++y) {
        const double py = y + 0.5;
        int x0 = 0;
        while (x0 <= w && !inside(x0 + 0.5, py))
            ++x0;
        int x1 = w;
        while (x1 >= x0 && !inside(x1 + 0.5, py))
            --x1;
        if (x1 >= x0)
            region += QRect(x0, y, x1 - x0 + 1, 1);
    }
    return region;
}

QRegion buttonRegion(int style, int w, int h)
{
    if (w <= 0 || h <= 0)
        return QRegion();
    // Tiny sizes fold the polygons over themselves; the shape never leaves
    // the control's own rectangle.
    const QRegion all(0, 0, w, h);
    switch (style) {
    case 5:
    case 7:
        return cutCornerRegion1(w, h) & all;
    case 8:
    case 9:
        return cutCornerRegion2(w, h) & all;
    case 10:
        return roundRectRegion(w, h) & all;
    default:
        return all;
    }
}

} // namespace melodune
