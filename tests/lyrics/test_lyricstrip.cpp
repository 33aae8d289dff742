// The strip of the picture lyric view: motion on a hit, shade, fill texts.
#include "lyrics/lyricstrip.h"

#include <gtest/gtest.h>

using namespace melodune;

TEST(LyricStrip, MotionOnAHit)
{
    const struct {
        int picture, strip;
        const char *cur, *next;
        int minStep;
        StripMotion expected;
    } cases[] = {
        // Wider than the picture, lasting 4 s: ((750 + 3000) \ 20) \ 5.
        {1500, 3000, "10.0", "14.0", 15, {750, 37}},
        // The text fits: centred and standing.
        {5010, 1000, "10.0", "14.0", 15, {2005, 0}},
        {3000, 3000, "1.0", "2.0", 15, {0, 0}},
        // The last line (next stamp "0"), stamps out of order, stamps that are
        // no number: the smallest step.
        {1500, 3000, "10.0", "0", 15, {750, 15}},
        {1500, 3000, "10.0", "8.0", 15, {750, 15}},
        {1500, 3000, "x", "14.0", 15, {750, 15}},
        {1500, 3000, "10.0", "14.0", 30, {750, 37}},
        {1500, 3000, "10.0", "30.0", 30, {750, 30}},
        // A long line that lasts long moves slowly, never below the minimum.
        {1500, 3000, "10.0", "60.0", 15, {750, 15}},
        // Halves round to even: 10.5 - 10.0 + 1 = 1.5 -> 2.
        {1500, 3000, "10.0", "10.5", 15, {750, 93}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stripMotionOnHit(c.picture, c.strip, c.cur, c.next, c.minStep), c.expected)
            << c.picture << " " << c.strip << " " << c.cur << " " << c.next;
}

TEST(LyricStrip, DarkensOnlyInTheLastMomentsOfALongLine)
{
    // A 4-second line: white until 0.8 s before the next, then 16 darker per
    // tick down to black, never below.
    EXPECT_EQ(stripShade(255, "10.0", "14.0", 13.1), 255);
    EXPECT_EQ(stripShade(255, "10.0", "14.0", 13.3), 239);
    EXPECT_EQ(stripShade(239, "10.0", "14.0", 13.35), 223);
    EXPECT_EQ(stripShade(10, "10.0", "14.0", 13.9), 0);
    EXPECT_EQ(stripShade(0, "10.0", "14.0", 13.95), 0);
    // Lines of 2 s or less, and the last line, stay white.
    EXPECT_EQ(stripShade(100, "10.0", "12.0", 11.9), 255);
    EXPECT_EQ(stripShade(100, "10.0", "0", 11.9), 255);
}

TEST(LyricStrip, FillTexts)
{
    EXPECT_EQ(stripTitleText("", kStripWelcome), kStripWelcome);
    EXPECT_EQ(stripTitleText(" … ", kStripWelcome), kStripWelcome);
    EXPECT_EQ(stripTitleText("……", "Title"), "Title");
    EXPECT_EQ(stripTitleText("一行 …", kStripWelcome), "一行 …");
    EXPECT_EQ(stripLineText("   "), kStripEmptyLine);
    EXPECT_EQ(stripLineText(""), kStripEmptyLine);
    EXPECT_EQ(stripLineText(" a "), " a ");
}
