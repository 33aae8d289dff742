// Window shapes of the styles, checked at the corner pixels.
#include "controls/buttonregion.h"

#include <gtest/gtest.h>

using namespace melodune;

TEST(ButtonRegion, RectangleIsExactlyTheControl)
{
    const QRegion r = buttonRegion(0, 30, 20);
    EXPECT_EQ(r, QRegion(0, 0, 30, 20));
    EXPECT_EQ(polygonRegion({{0, 0}, {30, 0}, {30, 20}, {0, 20}}), QRegion(0, 0, 30, 20));
}

TEST(ButtonRegion, CornerPixelsPerStyle)
{
    const int w = 40, h = 24;
    struct Case {
        int style;
        QPoint p;
        bool inside;
    };
    const Case cases[] = {
        // Cut corners 1 (styles 5, 7): the four outermost pixels are cut.
        {5, {0, 0}, false}, {5, {w - 1, 0}, false}, {5, {0, h - 1}, false}, {5, {w - 1, h - 1}, false},
        {5, {1, 0}, true}, {5, {0, 1}, true}, {5, {w - 2, 0}, true}, {5, {w - 1, 1}, true},
        {5, {1, h - 1}, true}, {5, {w - 2, h - 1}, true}, {5, {w - 1, h - 2}, true}, {5, {0, h - 2}, true},
        {7, {0, 0}, false},
        // Cut corners 2 (styles 8, 9): exactly the pixels the style 8 frame uses.
        {8, {2, 0}, true}, {8, {1, 0}, false}, {8, {w - 4, 0}, true}, {8, {w - 3, 0}, false},
        {8, {1, 1}, true}, {8, {0, 1}, false}, {8, {w - 3, 1}, true}, {8, {w - 2, 1}, false},
        {8, {0, 2}, true}, {8, {w - 2, 2}, true}, {8, {w - 1, 2}, false}, {8, {w - 1, 3}, true},
        {8, {w - 1, h - 3}, true}, {8, {w - 1, h - 2}, false}, {8, {w - 2, h - 2}, true},
        {8, {w - 3, h - 1}, true}, {8, {w - 2, h - 1}, false}, {8, {3, h - 1}, true}, {8, {2, h - 1}, false},
        {8, {2, h - 2}, true}, {8, {1, h - 2}, false}, {8, {0, h - 4}, true}, {8, {0, h - 3}, false},
        {9, {0, 0}, false},
        // Everything else is the full rectangle.
        {0, {0, 0}, true}, {6, {w - 1, h - 1}, true}, {4, {w, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(buttonRegion(c.style, w, h).contains(c.p), c.inside)
            << "style " << c.style << " at " << c.p.x() << "," << c.p.y();
}

TEST(ButtonRegion, RoundAndDegenerateSizes)
{
    const QRegion round = buttonRegion(10, 40, 24);
    EXPECT_FALSE(round.contains(QPoint(0, 0)));
    EXPECT_TRUE(round.contains(QPoint(20, 12)));
    // Tiny or empty controls give a small or empty shape, never a failure.
    EXPECT_TRUE(buttonRegion(8, 0, 0).isEmpty());
    EXPECT_TRUE(buttonRegion(0, -3, 5).isEmpty());
    for (int style : {5, 8, 10})
        for (QSize size : {QSize(1, 1), QSize(2, 3), QSize(4, 4)})
            EXPECT_TRUE(QRegion(0, 0, size.width(), size.height()).contains(
                buttonRegion(style, size.width(), size.height()).boundingRect()));
}
