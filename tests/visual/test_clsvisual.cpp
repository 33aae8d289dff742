// The visualiser class: warp-and-fade arithmetic, transitions, draw styles
// and the marquee, on its 100 by 75 surface.
#include "visual/clsvisual.h"

#include "core/appenv.h"
#include "core/shared.h"
#include "platform/clock.h"
#include "visual/visualpanel.h"

#include <gtest/gtest.h>
#include <cmath>
#include <deque>
#include <random>

using namespace melodune;

namespace {

// A clock whose random numbers come from a script (then 0.999), counted.
struct ScriptedClock : rt::FakeClock {
    std::deque<double> script;
    int draws = 0;
    double uniform01() override
    {
        ++draws;
        if (script.empty())
            return 0.999;
        const double v = script.front();
        script.pop_front();
        return v;
    }
};

class Visualiser : public ::testing::Test {
protected:
    ScriptedClock clock;
    rt::ScopedClock scoped{&clock};
    clsVisual v;

    void SetUp() override
    {
        shared() = SharedState{};
        shared().SineTable = buildSineTable();
    }

    // Picture row y (top-down), column x: B, G, R.
    QRgb at(int x, int y) const
    {
        const uchar* p = v.Row(VisualSurface::Height - 1 - y) + 3 * x;
        return qRgb(p[2], p[1], p[0]);
    }
    void fill(uchar value)
    {
        for (int r = 0; r < VisualSurface::Height; ++r)
            std::memset(v.Row(r), value, 300);
    }
    int countColour(QRgb c) const
    {
        int n = 0;
        for (int y = 0; y < VisualSurface::Height; ++y)
            for (int x = 0; x < VisualSurface::Width; ++x)
                n += at(x, y) == c;
        return n;
    }
    bool allBlack() const { return countColour(qRgb(0, 0, 0)) == VisualSurface::Width * VisualSurface::Height; }
    // Passes of Calc without drawing until the picture is black.
    int passesToBlack()
    {
        v.DrawStyle = 7;
        for (int n = 1; n < 1000; ++n) {
            v.Calc();
            if (allBlack())
                return n;
        }
        return -1;
    }
    void setMap(std::int16_t sx, std::int16_t sy)
    {
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 75; ++y)
                v.setTransAt(x, y, sx, sy);
    }
};

} // namespace

TEST_F(Visualiser, SurfaceAndCounts)
{
    EXPECT_EQ(v.surface().bytesPerLine(), 300);
    EXPECT_TRUE(allBlack());
    EXPECT_EQ(v.TransCount(), 26);
    EXPECT_EQ(v.StyleCount(), 6);
    v.DrawStyle = 7; // stored unchecked
    EXPECT_EQ(v.DrawStyle, 7);
    // Memory row 0 is the picture's bottom line.
    v.Row(0)[0] = 200;
    EXPECT_EQ(at(0, 74), qRgb(0, 0, 200));
}

TEST_F(Visualiser, FadeArithmetic)
{
    // Sources inside: white reaches black after 62 passes; on the edge after 17.
    fill(255);
    setMap(50, 37);
    EXPECT_EQ(passesToBlack(), 62);
    fill(255);
    setMap(0, 40);
    EXPECT_EQ(passesToBlack(), 17);
    // Black stays black.
    v.Calc();
    EXPECT_TRUE(allBlack());

    // Before any transition every pixel takes 192/255 of the corner pixel
    // (memory row 0, column 0: the picture's bottom-left).
    clsVisual fresh;
    for (int r = 0; r < 75; ++r)
        for (int b = 0; b < 300; ++b)
            fresh.Row(r)[b] = static_cast<uchar>((r * 7 + b) & 0xFF);
    fresh.Row(0)[0] = 255;
    fresh.Row(0)[1] = 108;
    fresh.Row(0)[2] = 36;
    EXPECT_EQ(fresh.transAt(99, 74), (std::pair<std::int16_t, std::int16_t>(0, 0)));
    fresh.DrawStyle = 7;
    fresh.Calc();
    for (int r = 0; r < 75; r += 37)
        for (int x = 0; x < 100; x += 33) {
            const uchar* p = fresh.Row(r) + 3 * x;
            EXPECT_EQ(p[0], 192);
            EXPECT_EQ(p[1], 81);
            EXPECT_EQ(p[2], 27);
        }
}

TEST_F(Visualiser, TransitionsMoveThePictureDownAndUp)
{
    for (auto [n, expectedRow] : {std::pair{18, 31}, std::pair{20, 29}}) {
        SCOPED_TRACE(n);
        clsVisual w;
        w.BuildTrans(n);
        // One white dot at picture row 30 (memory row 44).
        uchar* dot = w.Row(44) + 3 * 50;
        dot[0] = dot[1] = dot[2] = 255;
        w.DrawStyle = 7;
        w.Calc();
        int bestRow = -1, best = 0;
        for (int y = 0; y < 75; ++y)
            for (int x = 0; x < 100; ++x) {
                const uchar* p = w.Row(74 - y) + 3 * x;
                if (p[0] > best) {
                    best = p[0];
                    bestRow = y;
                }
            }
        EXPECT_EQ(bestRow, expectedRow);
        EXPECT_EQ(best, 108);
    }
}

TEST_F(Visualiser, MapKeepsOldValuesWhereNoneCanBeStored)
{
    v.BuildTrans(3);
    const auto before = v.transAt(10, 10);
    v.BuildTrans(26);
    v.BuildTrans(-1);
    EXPECT_EQ(v.transAt(10, 10), before);
    // Transition 16 keeps every row and wobbles by at most two columns.
    v.BuildTrans(16);
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 75; ++y) {
            const auto [sx, sy] = v.transAt(x, y);
            ASSERT_EQ(sy, y);
            ASSERT_LE(std::abs(sx - x), 2);
        }
    // Kind 5 with a large tangent: some coordinates cannot be stored and
    // keep the previous transition's value (here transition 16's).
    v.BuildTrans(13);
    int kept = 0;
    clsVisual ref;
    ref.BuildTrans(16);
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 75; ++y) {
            const auto [sx, sy] = v.transAt(x, y);
            kept += sx == ref.transAt(x, y).first && sy == ref.transAt(x, y).second;
        }
    EXPECT_GT(kept, 0);
}

// Run under the address and undefined-behaviour sanitizers: every map
// entry the pass classifies, every style's coordinates and conversions.
TEST_F(Visualiser, EveryTransitionAndStyleOnRandomInput)
{
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    auto& sh = shared();
    for (int n = 0; n < 26; ++n) {
        clsVisual w;
        w.BuildTrans(n);
        for (int style = 0; style <= 7; ++style) {
            w.DrawStyle = style;
            for (int frame = 0; frame < 200; ++frame) {
                for (auto& s : sh.WaveData)
                    s = static_cast<std::int16_t>(sample(gen));
                for (std::size_t i = 0; i < sh.LevelData.size(); ++i)
                    sh.LevelData[i] = (sh.WaveData[2 * i] + sh.WaveData[2 * i + 1]) / 65535.0f;
                clock.ticks += 50;
                clock.script.push_back(std::generate_canonical<double, 32>(gen));
                w.Calc();
            }
        }
    }
}

TEST_F(Visualiser, SilenceInEachStyle)
{
    const QRgb magenta = qRgb(255, 0, 255);
    // Styles 0 and 2 draw ten random indexes, find nothing loud and draw nothing.
    for (int style : {0, 2}) {
        clsVisual w;
        w.DrawStyle = style;
        clock.draws = 0;
        w.Calc();
        EXPECT_EQ(clock.draws, 10) << style;
    }
    // Style 1 at tick 0: a line at picture row 48 across the picture and its
    // half-turn twin about row 27, in the cycle's colour (magenta at 0 ms).
    v.DrawStyle = 1;
    v.Calc();
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(at(x, 48), magenta) << x;
    int twin = 0;
    for (int x = 0; x < 100; ++x)
        twin += at(x, 27) == magenta || at(x, 28) == magenta;
    EXPECT_EQ(twin, 100);

    // Style 3: 34 points on a circle of radius 5 about the centre.
    clsVisual c;
    c.DrawStyle = 3;
    c.Calc();
    ASSERT_EQ(c.points().size(), 34u);
    EXPECT_EQ(c.points().front(), QPoint(50, 42));
    for (const QPoint& p : c.points()) {
        const double r = std::hypot(p.x() - 50.0, p.y() - 37.5);
        EXPECT_GE(r, 4.4);
        EXPECT_LE(r, 5.6);
    }
}

TEST_F(Visualiser, BubbleBoxLeavesOutItsRightAndBottomEdges)
{
    shared().LevelData[0] = 0.2f; // r = 5: box 40..60 by 32..42
    clock.script = {0.0, 0.0, 0.5};
    v.DrawStyle = 0;
    v.Calc();
    const QRgb c = qRgb(20, 0, 50);
    int minX = 100, maxX = -1, minY = 100, maxY = -1;
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 100; ++x)
            if (at(x, y) == c) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    EXPECT_EQ(minX, 40);
    EXPECT_EQ(maxX, 59);
    EXPECT_EQ(minY, 32);
    EXPECT_EQ(maxY, 41);
    EXPECT_EQ(clock.draws, 3 + 9);
}

TEST(VisualColours, CycleAndInverse)
{
    struct Case {
        std::int64_t ms;
        rt::PackedColor colour;
    };
    const Case cases[] = {
        {0, rt::rgb(255, 0, 255)},    {1000, rt::rgb(255, 0, 0)}, {3000, rt::rgb(0, 255, 0)},
        {5000, rt::rgb(0, 0, 255)},   {6000, rt::rgb(255, 0, 255)},
        // Past 2^31 ms and below zero the cycle goes on.
        {-1000, rt::rgb(0, 0, 255)},  {(std::int64_t(1) << 31) + 352, rt::rgb(255, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ms);
        EXPECT_EQ(clsVisual::cycleColor(c.ms, 0), c.colour);
        EXPECT_EQ(clsVisual::cycleColorInverse(c.ms, 0),
                  rt::rgb(255 - rt::redOf(c.colour), 255 - rt::greenOf(c.colour), 255 - rt::blueOf(c.colour)));
    }
    EXPECT_EQ(clsVisual::cycleColor(0, 1000), rt::rgb(255, 0, 0));
    EXPECT_EQ(clsVisual::tickAngle(13 * 512 + 13), 1);
    EXPECT_EQ(clsVisual::tickAngle(-13), 511);
    EXPECT_EQ(clsVisual::tickAngle(std::int64_t(1) << 40), ((std::int64_t(1) << 40) / 13) % 512);
}

TEST_F(Visualiser, MarqueeWelcomeMovesAndComesBack)
{
    QString title, line, next;
    MarqueeParams m; // as the loader leaves it: x 10, step 1, width 100
    v.setFooter(QStringLiteral("Melodune 1.0.0"));
    std::vector<int> xs;
    for (int i = 0; i < 400; ++i) {
        v.CalcLrc(title, line, next, m);
        xs.push_back(m.x);
    }
    EXPECT_EQ(title, QStringLiteral(" Melodune "));
    EXPECT_EQ(next, QStringLiteral("Melodune 1.0.0"));
    EXPECT_EQ(xs.front(), 9);
    EXPECT_GE(m.width, 100);
    // It moves one pixel a frame until it has passed -width, then starts at 99.
    const auto restart = std::find(xs.begin(), xs.end(), 99);
    ASSERT_NE(restart, xs.end());
    EXPECT_EQ(*(restart - 1), -m.width - 1);
    for (auto it = xs.begin() + 1; it != restart; ++it)
        ASSERT_EQ(*it, *(it - 1) - 1);
    // Something was drawn.
    EXPECT_FALSE(allBlack());
}

TEST_F(Visualiser, MarqueeLineThatHasLeftBecomesTheTitle)
{
    QString title = QStringLiteral("old"), line = QStringLiteral("第一句歌词"), next = QStringLiteral("下一句");
    MarqueeParams m{-101, 3, 100};
    v.CalcLrc(title, line, next, m);
    EXPECT_EQ(title, QStringLiteral("第一句歌词"));
    EXPECT_TRUE(line.isEmpty());
    EXPECT_EQ(m.x, 97);
    EXPECT_EQ(next, QStringLiteral("下一句"));

    // A long line widens its box to its own width.
    QString t2, longLine = QString(40, QChar(u'长')), n2;
    MarqueeParams m2{100, 2, 100};
    v.CalcLrc(t2, longLine, n2, m2);
    EXPECT_GT(m2.width, 300);
    EXPECT_EQ(longLine, QString(40, QChar(u'长')));
}

TEST_F(Visualiser, PaintHandsScaledCopiesToThePanel)
{
    VisualPanel panel;
    v.Row(37)[150] = 255;
    v.PaintPicture(panel);
    EXPECT_EQ(panel.frame().size(), QSize(288, 216));
    EXPECT_EQ(panel.frame().format(), QImage::Format_RGB32);
    const qint64 key = panel.frame().cacheKey();
    v.PaintPictureLrc(panel);
    EXPECT_EQ(panel.frame().size(), QSize(334, 240));
    EXPECT_NE(panel.frame().cacheKey(), key);
    // The surface is never shared with the panel.
    EXPECT_NE(panel.frame().constBits(), v.surface().image().constBits());
}
