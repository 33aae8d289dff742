#pragma once
// Window shapes of the button styles, computed pixel by pixel so the cut
// corners are exactly the ones the faces are drawn for.
#include <QPoint>
#include <QRegion>
#include <vector>

namespace melodune {

// The pixels of a polygon filled in alternate mode: pixel (x, y) belongs to it
// when the point (x, y) lies inside, edges on the left and top counting as
// inside and those on the right and bottom not (a w x h rectangle's polygon
// gives exactly its w x h pixels).
QRegion polygonRegion(const std::vector<QPoint>& points);

QRegion cutCornerRegion1(int w, int h);
QRegion cutCornerRegion2(int w, int h);
// The pixels whose centres lie in the rounded rectangle (0, 0, w + 1, h + 1)
// with 18 x 18 corner ellipses: every cell the round style paints.
QRegion roundRectRegion(int w, int h);

// The shape of a control of the given style: 5 and 7 cut corners 1; 8 and 9
// cut corners 2; 10 rounded; any other the whole rectangle.
QRegion buttonRegion(int style, int w, int h);

} // namespace melodune
