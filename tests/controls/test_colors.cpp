// Colour arithmetic, gradients and the pixel surface's drawing rules.
#include "controls/colors.h"
#include "controls/pixelsurface.h"

#include <gtest/gtest.h>

using namespace melodune;
using rt::rgb;

namespace {

struct ClassicColors : ::testing::Test {
    SystemColors colors = SystemColors::classic();
    ScopedSystemColors scope{colors};
};

} // namespace

TEST(ColorHelpers, RoundHalfEven)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(12.5), 12);
    EXPECT_EQ(roundHalfEven(12.6), 13);
}

TEST(ColorHelpers, BlendLightenOffset)
{
    EXPECT_EQ(blendColors(rgb(1, 2, 3), rgb(2, 3, 4)), rgb(2, 2, 4));
    EXPECT_EQ(blendColors(rgb(0, 255, 10), rgb(255, 0, 20)), rgb(128, 128, 15)); // 127.5 -> 128
    // amount + ((255 - amount) * c) \ 255
    EXPECT_EQ(lightenColor(rgb(0, 100, 255), 32), rgb(32, 32 + (223 * 100) / 255, 255));
    EXPECT_EQ(lightenColor(rgb(10, 36, 106), 176), rgb(179, 187, 208));
    EXPECT_EQ(offsetColor(rgb(40, 200, 250), 15), rgb(55, 215, 255));
    EXPECT_EQ(offsetColor(rgb(40, 200, 250), -48), rgb(0, 152, 202));
    // Chains clamp after each step.
    EXPECT_EQ(offsetColor(offsetColor(rgb(40, 40, 40), -96), 21), rgb(21, 21, 21));
}

TEST(ColorHelpers, GradientStepsRoundHalfToEven)
{
    // 251 -> 240 over 4 steps: step 2 is 245.5, which rounds to 246.
    EXPECT_EQ(gradientColor(rgb(252, 252, 251), rgb(240, 240, 240), 2, 4), rgb(246, 246, 246));
    EXPECT_EQ(gradientColor(rgb(0, 0, 0), rgb(1, 3, 5), 1, 2), rgb(0, 2, 2)); // 0.5, 1.5, 2.5
    EXPECT_EQ(gradientColor(rgb(10, 20, 30), rgb(50, 60, 70), 0, 7), rgb(10, 20, 30));
    EXPECT_EQ(gradientColor(rgb(10, 20, 30), rgb(50, 60, 70), 7, 7), rgb(50, 60, 70));
    // No steps: the start colour, no division.
    EXPECT_EQ(gradientColor(rgb(10, 20, 30), rgb(50, 60, 70), 0, 0), rgb(10, 20, 30));
    EXPECT_EQ(gradientColor(rgb(10, 20, 30), rgb(50, 60, 70), 3, -2), rgb(10, 20, 30));
}

TEST_F(ClassicColors, TranslateColor)
{
    EXPECT_EQ(translateColor(rgb(1, 2, 3)), rgb(1, 2, 3));
    EXPECT_EQ(translateColor(sysColorRef(ColorBtnFace)), rgb(212, 208, 200));
    EXPECT_EQ(translateColor(static_cast<PackedColor>(0x80000011u)), rgb(128, 128, 128)); // grey text
    EXPECT_EQ(translateColor(static_cast<PackedColor>(0x800000FFu)), -1);
    EXPECT_EQ(translateColor(static_cast<PackedColor>(0x40000000u)), -1);
}

TEST(PixelSurface, LinesLeaveOutTheirEndPoint)
{
    PixelSurface s(10, 10);
    s.fill(0);
    s.line(2, 3, 6, 3, rgb(255, 0, 0));
    EXPECT_EQ(s.pixel(2, 3), rgb(255, 0, 0));
    EXPECT_EQ(s.pixel(5, 3), rgb(255, 0, 0));
    EXPECT_EQ(s.pixel(6, 3), 0);
    EXPECT_EQ(s.pixel(1, 3), 0);
    s.line(6, 5, 2, 5, rgb(0, 255, 0)); // right to left: 6..3
    EXPECT_EQ(s.pixel(6, 5), rgb(0, 255, 0));
    EXPECT_EQ(s.pixel(3, 5), rgb(0, 255, 0));
    EXPECT_EQ(s.pixel(2, 5), 0);
    s.line(4, 4, 4, 4, rgb(0, 0, 255)); // a zero-length line draws nothing
    EXPECT_EQ(s.pixel(4, 4), 0);
}

TEST(PixelSurface, RectOutlineCoversBothEnds)
{
    PixelSurface s(6, 6);
    s.fill(0);
    const PackedColor c = rgb(9, 9, 9);
    s.rectOutline(0, 0, 5, 5, c);
    for (int i = 0; i <= 5; ++i) {
        EXPECT_EQ(s.pixel(i, 0), c);
        EXPECT_EQ(s.pixel(i, 5), c);
        EXPECT_EQ(s.pixel(0, i), c);
        EXPECT_EQ(s.pixel(5, i), c);
    }
    EXPECT_EQ(s.pixel(1, 1), 0);
}

TEST(PixelSurface, WritesOutsideAreClipped)
{
    PixelSurface s(4, 4);
    s.fill(rgb(1, 1, 1));
    s.line(-100, 2, 100, 2, rgb(2, 2, 2));
    s.fillRectXY(-5, -5, 100, 1, rgb(3, 3, 3));
    s.gradientVertical(rgb(0, 0, 0), rgb(255, 255, 255), -10, -10, 50, 40);
    s.gradientHorizontal(rgb(0, 0, 0), rgb(255, 255, 255), 3, 0, 3, 4); // one column, no division
    s.setPixel(4, 0, rgb(5, 5, 5));
    EXPECT_EQ(s.pixel(4, 0), -1);
    EXPECT_EQ(s.pixel(3, 0), 0); // column x1 with step 0 is the start colour

    PixelSurface empty(0, 0);
    empty.fill(0);
    empty.line(0, 0, 5, 0, 0);
    empty.gradientVertical(0, 0, 0, 0, 5, 0);
    EXPECT_EQ(empty.pixel(0, 0), -1);
}

TEST(PixelSurface, GradientRowsAndZeroSteps)
{
    PixelSurface s(5, 8);
    s.fill(0);
    s.band(1, 3, 2, 6, rgb(100, 100, 100), rgb(140, 140, 140)); // rows 2..6, 4 steps
    EXPECT_EQ(s.pixel(1, 2), rgb(100, 100, 100));
    EXPECT_EQ(s.pixel(3, 4), rgb(120, 120, 120));
    EXPECT_EQ(s.pixel(2, 6), rgb(140, 140, 140));
    EXPECT_EQ(s.pixel(4, 4), 0);
    EXPECT_EQ(s.pixel(2, 7), 0);
    s.band(0, 4, 7, 7, rgb(7, 7, 7), rgb(9, 9, 9)); // one row: its start colour
    EXPECT_EQ(s.pixel(0, 7), rgb(7, 7, 7));
    s.band(0, 4, 5, 3, rgb(8, 8, 8), rgb(9, 9, 9)); // reversed: nothing
    EXPECT_EQ(s.pixel(0, 4), 0);
}

TEST_F(ClassicColors, SoftFrame)
{
    PixelSurface s(10, 8);
    s.fill(0);
    const PackedColor outer = rgb(128, 128, 128), inner = rgb(255, 255, 255), corner = rgb(1, 2, 3);
    s.softFrame(0, 0, 9, 7, outer, inner, corner);
    EXPECT_EQ(s.pixel(0, 0), outer);
    EXPECT_EQ(s.pixel(8, 3), outer);     // outer right column x + w - 1
    EXPECT_EQ(s.pixel(9, 3), inner);     // inner right column x + w
    EXPECT_EQ(s.pixel(4, 7), inner);
    EXPECT_EQ(s.pixel(0, 7), corner);
    EXPECT_EQ(s.pixel(9, 0), corner);
    EXPECT_EQ(s.pixel(1, 6), blendColors(inner, outer));
    EXPECT_EQ(s.pixel(8, 1), blendColors(inner, outer));
}

TEST(Gradients, SurfaceStepsMatchTheScalarFormula)
{
    // The surface computes whole gradients at once; every step must be the
    // colour gradientColor gives, including clamped and backwards runs.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return int(seed >> 8);
    };
    for (int n = 0; n < 300; ++n) {
        const PackedColor from = next() & 0xFFFFFF, to = next() & 0xFFFFFF;
        const int steps = 1 + next() % 300;
        PixelSurface v(2, steps + 1), h(steps + 1, 2);
        v.gradientVertical(from, to, 0, 0, 2, steps);
        h.gradientHorizontal(from, to, 0, 0, steps, 2);
        for (int i = 0; i <= steps; ++i) {
            ASSERT_EQ(v.pixel(1, i), gradientColor(from, to, i, steps)) << n << " step " << i << " of " << steps;
            ASSERT_EQ(h.pixel(i, 1), gradientColor(from, to, i, steps)) << n << " step " << i << " of " << steps;
        }
    }
    // No steps: one row in the first colour; fewer: nothing.
    PixelSurface s(3, 3);
    s.fill(0);
    s.gradientVertical(rt::rgb(9, 9, 9), rt::rgb(200, 0, 0), 0, 1, 3, 0);
    EXPECT_EQ(s.pixel(1, 1), rt::rgb(9, 9, 9));
    EXPECT_EQ(s.pixel(1, 2), 0);
    s.gradientVertical(rt::rgb(9, 9, 9), rt::rgb(200, 0, 0), 0, 2, 3, -1);
    EXPECT_EQ(s.pixel(1, 2), 0);
}
