// The tick's arithmetic without a window: meter lengths and positions, the
// stretched window's jump, the three inline effects and the effect choice.
#include "visual/inlineeffects.h"
#include "visual/levelmeter.h"

#include <gtest/gtest.h>
#include <deque>
#include <map>
#include <set>

using namespace melodune;

namespace {

TickBlock constantBlock(int v)
{
    TickBlock b;
    b.fill(static_cast<std::int16_t>(v));
    return b;
}

// Rows of the frame holding a pixel of colour c, and how many there are.
std::map<int, int> rowsOf(const QImage& f, QRgb c)
{
    std::map<int, int> rows;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x)
            if ((f.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF))
                ++rows[y];
    return rows;
}

int litPixels(const QImage& f)
{
    int n = 0;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x)
            n += (f.pixel(x, y) & 0xFFFFFF) != 0;
    return n;
}

QImage blankFrame()
{
    QImage f(kEffectWidth, kEffectHeight, QImage::Format_RGB32);
    f.fill(Qt::white); // every effect starts by clearing
    return f;
}

} // namespace

TEST(LevelMeter, LengthAndBarFromPeak)
{
    struct Case {
        int peak, length, leftBar, rightBar;
    };
    const Case cases[] = {
        {0, 0, -45, 2145},          {3072, 30, -75, 2175},      {15360, 679, -724, 2824},
        {16384, 764, -809, 2909},   {-16384, 764, -809, 2909},  {32767, 2160, -2205, 4305},
        {-32768, 2160, -2205, 4305},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peak);
        EXPECT_EQ(meterLength(c.peak), c.length);
        MeterPositions m;
        m.showLevels(meterLength(c.peak), meterLength(c.peak));
        EXPECT_EQ(m.left[0], c.leftBar);
        EXPECT_EQ(m.left[1], c.rightBar);
        // Each marker is pushed out to its bar's inner end.
        EXPECT_EQ(m.left[2], std::min(2115, c.leftBar + 2160 - 30));
        EXPECT_EQ(m.left[3], std::max(2115, c.rightBar));
    }
}

TEST(LevelMeter, PeakTakesTheLouderOfTwoSamplesPerChannel)
{
    TickBlock b{};
    // S(1) right, S(2) left, S(719) right, S(720) left.
    b[1440 - 1] = 100;
    b[1440 - 2] = -200;
    b[1440 - 719] = -300;
    b[1440 - 720] = 150;
    MeterPeaks p = meterPeaks(b);
    EXPECT_EQ(p.left, -200);
    EXPECT_EQ(p.right, -300);
    // Equal magnitudes keep the newest sample.
    b[1440 - 720] = 200;
    b[1440 - 719] = 100;
    p = meterPeaks(b);
    EXPECT_EQ(p.left, -200);
    EXPECT_EQ(p.right, 100);
    // -32768 is the loudest sample there is.
    b[1440 - 720] = -32768;
    EXPECT_EQ(meterPeaks(b).left, -32768);
}

TEST(LevelMeter, MarkerDriftsBackAndRests)
{
    MeterPositions m;
    m.showLevels(meterLength(16384), 0);
    ASSERT_EQ(m.left[2], 1321);
    int ticks = 0;
    while (!m.markersAtRest()) {
        m.driftMarkers();
        ++ticks;
        ASSERT_LT(ticks, 1000);
    }
    EXPECT_EQ(ticks, 53);
    EXPECT_EQ(m.left[2], 2115);

    // The right marker from 2160 rests on the third tick: 2145, 2130, 2115.
    m.left[3] = 2160;
    m.driftMarkers();
    m.driftMarkers();
    EXPECT_FALSE(m.markersAtRest());
    m.driftMarkers();
    EXPECT_TRUE(m.markersAtRest());
    EXPECT_EQ(m.left[3], 2115);
}

TEST(LevelMeter, StretchedWindowFallsAndJumps)
{
    // Screen 15360 twips high, skin 6900: rest = 7590.
    EXPECT_EQ(keyModeTop(7590, 15360, 6900, 0, 0), 7590);          // silence: at rest
    EXPECT_EQ(keyModeTop(7000, 15360, 6900, 0, 0), 7015);          // falls back 15 a tick
    EXPECT_EQ(keyModeTop(9000, 15360, 6900, 0, 0), 7590);          // never below the rest
    // Full scale on the right channel jumps half-way to the top.
    EXPECT_EQ(keyModeTop(7590, 15360, 6900, 100, -32768), 3360);
    // A quiet peak (below 870 after the curve) does not move it.
    EXPECT_EQ(keyModeTop(7590, 15360, 6900, 4000, 0), 7590);
}

TEST(InlineEffects, FramesForSilenceAndConstantInput)
{
    const QRgb grey = qRgb(64, 64, 64);
    struct Case {
        int sample;
        int effect;
        std::map<int, int> rows; // rows of the trace colour: pixel count
        int lit;
    };
    const Case cases[] = {
        {0, 1, {{53, 288}, {161, 288}}, 576},
        {0, 2, {}, 0},
        {0, 3, {}, 0},
        // 53 - 0.5 and 161 - 0.5 go to the even neighbour; 53.5 and 161.5 too.
        {400, 1, {{52, 288}, {160, 288}}, 576},
        {-400, 1, {{54, 288}, {162, 288}}, 576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sample " << c.sample << " effect " << c.effect);
        QImage f = blankFrame();
        const TickBlock b = constantBlock(c.sample);
        const int meter = meterLength(c.sample);
        if (c.effect == 1)
            drawWaveform(f, b, meter, meter);
        else if (c.effect == 2)
            drawLaser(f, b, meter, meter);
        else
            drawFlame(f, b, 0.5);
        EXPECT_EQ(litPixels(f), c.lit);
        if (!c.rows.empty()) {
            EXPECT_EQ(rowsOf(f, grey), c.rows);
        }
    }
}

TEST(InlineEffects, LoudInputStaysInsideTheFrame)
{
    // Full-scale alternating input: the longest rays and the highest bars.
    TickBlock b;
    for (int i = 0; i < kTickBlockSamples; ++i)
        b[static_cast<std::size_t>(i)] = (i / 3) % 2 ? -32768 : 32767;
    for (int effect = 1; effect <= 3; ++effect) {
        QImage f = blankFrame();
        if (effect == 1)
            drawWaveform(f, b, 2160, 2160);
        else if (effect == 2)
            drawLaser(f, b, 2160, 2160);
        else
            drawFlame(f, b, 0.99);
        EXPECT_GT(litPixels(f), 200) << effect;
    }
    // Flame: full bars in red with no green left, the bottom row untouched
    // (the bar's start is on the edge below the frame).
    QImage f = blankFrame();
    drawFlame(f, constantBlock(-32768), 0.99);
    EXPECT_EQ(f.pixel(10, 215) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(f.pixel(10, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(f.pixel(10, 0) & 0xFFFFFF, 0u);
}

TEST(InlineEffects, VisualiserInputFromARamp)
{
    TickBlock b;
    for (int i = 0; i < kTickBlockSamples; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * 20 - 14000);
    std::array<std::int16_t, 1024> wave{};
    std::array<float, 512> level{};
    fillVisualInput(b, wave, level);
    // The 1024 newest samples, oldest first.
    EXPECT_EQ(wave[0], S(b, 1024));
    EXPECT_EQ(wave[1023], S(b, 1));
    EXPECT_EQ(wave[0], b[416]);
    // The 512 newest pairs, oldest first, summed without a 16-bit limit.
    EXPECT_FLOAT_EQ(level[0], float((S(b, 1024) + S(b, 1023)) / 65535.0));
    EXPECT_FLOAT_EQ(level[511], float((S(b, 2) + S(b, 1)) / 65535.0));

    TickBlock full = constantBlock(32767);
    fillVisualInput(full, wave, level);
    EXPECT_FLOAT_EQ(level[100], 65534.0f / 65535.0f);
    fillVisualInput(constantBlock(-32768), wave, level);
    EXPECT_FLOAT_EQ(level[100], -65536.0f / 65535.0f);
}

TEST(EffectChoice, RandomModeChangesEvery101FramesWithoutRepeat)
{
    std::deque<double> script = {2.5 / 9, 2.5 / 9, 7.5 / 9}; // 3, 3 again, then 8
    int draws = 0;
    auto rnd = [&] {
        ++draws;
        const double v = script.front();
        script.pop_front();
        return v;
    };
    EffectCounters c;
    std::int32_t type = 3, random = 3;
    for (int frame = 1; frame <= 100; ++frame)
        ASSERT_EQ(chooseEffect(c, type, random, rnd), 3);
    EXPECT_EQ(draws, 0);
    c.VisualFrame = 40;
    EXPECT_EQ(chooseEffect(c, type, random, rnd), 8); // the 101st frame
    EXPECT_EQ(draws, 3);
    EXPECT_EQ(type, 8);
    EXPECT_EQ(random, 8);
    EXPECT_EQ(c.EffectTicks, 0);
    EXPECT_EQ(c.VisualFrame, 0);

    // A fixed effect never changes; out-of-range types become 1 and draw nothing.
    EffectCounters fixed;
    std::int32_t t = 5, r = 0;
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(chooseEffect(fixed, t, r, rnd), 5);
    for (int bad : {0, 10}) {
        t = bad;
        EXPECT_EQ(chooseEffect(fixed, t, r, rnd), 0);
        EXPECT_EQ(t, 1);
        EXPECT_EQ(chooseEffect(fixed, t, r, rnd), 1);
    }
}
