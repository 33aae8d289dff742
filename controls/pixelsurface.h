#pragma once
// An exact pixel surface for the button faces: single pixels, lines without
// their end point, fills and vertical/horizontal gradients. Every write is
// clipped to the surface, so no size or coordinate can reach outside it.
#include "controls/colors.h"
#include <QImage>
#include <QRect>

namespace melodune {

class PixelSurface {
public:
    PixelSurface() = default;
    PixelSurface(int width, int height);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }
    // Resizes; the content is undefined afterwards until the next fill.
    void resize(int width, int height);

    // -1 outside the surface.
    PackedColor pixel(int x, int y) const;
    void setPixel(int x, int y, PackedColor c);
    void fill(PackedColor c);
    // (x1, y1) to (x2, y2) one pixel wide; the end point itself is not drawn.
    void line(int x1, int y1, int x2, int y2, PackedColor c);
    // Fills left..right-1, top..bottom-1.
    void fillRect(const QRect& r, PackedColor c);
    void fillRectXY(int x, int y, int w, int h, PackedColor c);
    // Every pixel of the border of columns x..x+w and rows y..y+h.
    void rectOutline(int x, int y, int w, int h, PackedColor c);
    // steps + 1 rows from y: row y + i is the line x1..x2-1 in gradient colour i.
    // A step count of 0 draws one row in `from`; below 0 nothing.
    void gradientVertical(PackedColor from, PackedColor to, int x1, int y, int x2, int steps);
    // x2 - x1 + 1 columns from x1: column x1 + i is the line y1..y2-1.
    void gradientHorizontal(PackedColor from, PackedColor to, int x1, int y1, int x2, int y2);
    // The two-colour etched frame of the flat styles (see the face painters).
    void softFrame(int x, int y, int w, int h, PackedColor outer, PackedColor inner, PackedColor corner);

    // Inclusive-range helpers used by the face tables: a row, a column, and a
    // vertical band over rows y1..y2 (y2 - y1 steps).
    void hline(int x1, int x2, int y, PackedColor c) { line(x1, y, x2 + 1, y, c); }
    void vline(int x, int y1, int y2, PackedColor c) { line(x, y1, x, y2 + 1, c); }
    void band(int x1, int x2, int y1, int y2, PackedColor from, PackedColor to)
    {
        gradientVertical(from, to, x1, y1, x2 + 1, y2 - y1);
    }

    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

    // The surface on a screen of the given device pixel ratio: every device
    // pixel takes the colour of the logical pixel its centre lies in (no
    // blending), so at ratio 2 each pixel is a 2x2 block. The image is
    // ceil(width x ratio) by ceil(height x ratio) and carries the ratio.
    QImage enlarged(qreal ratio) const;

private:
    void fillInclusive(int x1, int x2, int y1, int y2, PackedColor c);

    QImage image_;
};

} // namespace melodune
