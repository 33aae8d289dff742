#include "visual/picturelayout.h"

#include <gtest/gtest.h>

using namespace melodune;

TEST(PictureLayout, FillsOneDirectionAndCentresTheOther)
{
    struct Case { QSize px; bool stretch; QRect twips; };
    const Case cases[] = {
        {{640, 480}, false, {0, 0, 4320, 3240}},     // exactly 4:3 fills the area
        {{300, 600}, false, {1350, 0, 1620, 3240}},  // tall: full height, centred across
        {{600, 300}, false, {0, 540, 4320, 2160}},   // wide: full width, centred down
        {{601, 300}, true, {0, 0, 4320, 3240}},      // stretched
        {{0, 0}, false, {0, 0, 4320, 3240}},         // no size: stretched, no division
        {{0, 10}, false, {0, 0, 4320, 3240}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coverPictureRect(c.px * 15, c.stretch), c.twips) << c.px.width() << "x" << c.px.height();
}
