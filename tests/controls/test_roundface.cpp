// The round style (10): the choice of colour set, the band and corner art
// and the window shape that must hold every painted pixel.
#include "controls/buttonfaces.h"
#include "controls/buttonregion.h"
#include "controls/roundart.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace melodune;
using rt::rgb;

namespace {

constexpr PackedColor Sentinel = rgb(255, 0, 255);

PixelSurface painted(void (*paint)(PixelSurface&), int w, int h)
{
    PixelSurface s(w, h);
    s.fill(Sentinel);
    paint(s);
    return s;
}

using Cell = std::pair<int, int>;

// Cells of a w x h control that every set leaves unpainted.
std::set<Cell> outsideCells(int w, int h)
{
    std::set<Cell> out;
    auto row = [&](int y, int x1, int x2) {
        for (int x = x1; x <= x2; ++x)
            out.insert({x, y});
    };
    row(0, 0, 5); row(1, 0, 4); row(2, 0, 2); row(3, 0, 2); row(4, 0, 1);
    for (int y = 5; y <= 7; ++y) row(y, 0, 0);
    row(0, w - 7, w - 1); row(1, w - 5, w - 1); row(2, w - 4, w - 1); row(3, w - 3, w - 1); row(4, w - 2, w - 1);
    for (int y = 5; y <= 7; ++y) row(y, w - 1, w - 1);
    row(h - 1, 0, 4); row(h - 2, 0, 2); row(h - 3, 0, 1); row(h - 4, 0, 1); row(h - 5, 0, 0); row(h - 6, 0, 0);
    row(h - 1, w - 5, w - 1); row(h - 2, w - 4, w - 1); row(h - 3, w - 3, w - 1); row(h - 4, w - 2, w - 1);
    for (int y = h - 7; y <= h - 5; ++y) row(y, w - 1, w - 1);
    return out;
}

std::set<Cell> normalOnlyCells(int w, int h)
{
    return {{9, h - 5}, {11, h - 6}, {13, h - 6}, {15, h - 6}, {w - 17, h - 6}, {w - 15, h - 6},
            {w - 14, h - 6}, {w - 13, h - 6}, {w - 10, h - 6}, {w - 12, h - 5}, {w - 10, h - 5}, {w - 13, h - 4}};
}

int channelDistance(PackedColor a, PackedColor b)
{
    return std::max({std::abs(rt::redOf(a) - rt::redOf(b)), std::abs(rt::greenOf(a) - rt::greenOf(b)),
                     std::abs(rt::blueOf(a) - rt::blueOf(b))});
}

struct Painter {
    const char* name;
    void (*paint)(PixelSurface&);
    RoundSet set;
};
const Painter Painters[] = {{"normal", paintRoundNormal, RoundSet::Normal},
                            {"hot", paintRoundHot, RoundSet::Hot},
                            {"pressed", paintRoundPressed, RoundSet::Pressed}};

} // namespace

TEST(RoundFace, SetChosenByStateAndFocus)
{
    const int w = 60, h = 24;
    const struct {
        int state;
        bool focus;
        void (*expected)(PixelSurface&);
    } cases[] = {
        {StateNormal, false, paintRoundNormal}, {StateNormal, true, paintRoundHot},
        {StateHot, false, paintRoundHot},       {StateHot, true, paintRoundHot},
        {StatePressed, false, paintRoundPressed}, {StatePressed, true, paintRoundPressed},
        {StateDisabled, false, paintRoundNormal}, {StateDisabled, true, paintRoundHot},
    };
    for (const auto& c : cases) {
        PixelSurface s(w, h);
        s.fill(Sentinel);
        FaceInputs in;
        in.state = c.state;
        in.hasFocus = c.focus;
        in.useCustomColors = true; // ignored
        in.backColor = rgb(1, 2, 3);
        paintRoundStyle(s, in);
        EXPECT_EQ(s.image(), painted(c.expected, w, h).image()) << "state " << c.state << " focus " << c.focus;
    }
}

TEST(RoundFace, BandsMiddleAndWhereTheyCross)
{
    const int w = 75, h = 30;
    const PixelSurface normal = painted(paintRoundNormal, w, h);
    const PixelSurface hot = painted(paintRoundHot, w, h);
    const PixelSurface pressed = painted(paintRoundPressed, w, h);
    const int mx = w / 2, my = h / 2;
    // A few band lines straight from the table, at their middles.
    EXPECT_EQ(normal.pixel(0, my), rgb(247, 247, 247));
    EXPECT_EQ(normal.pixel(2, my), rgb(153, 153, 153));
    EXPECT_EQ(hot.pixel(2, my), rgb(19, 46, 113));
    EXPECT_EQ(pressed.pixel(w - 3, my), rgb(25, 51, 109));
    EXPECT_EQ(normal.pixel(w - 1, my), rgb(246, 246, 246));
    EXPECT_EQ(hot.pixel(mx, 0), rgb(8, 6, 69));
    EXPECT_EQ(hot.pixel(mx, 1), rgb(201, 212, 241));
    EXPECT_EQ(pressed.pixel(mx, h - 2), rgb(62, 86, 90));
    EXPECT_EQ(normal.pixel(mx, h - 1), rgb(197, 197, 197));
    EXPECT_EQ(normal.pixel(mx, h - 7), rgb(254, 254, 255));
    EXPECT_EQ(hot.pixel(mx, my), rgb(106, 166, 226));      // middle
    EXPECT_EQ(pressed.pixel(mx, my), rgb(106, 155, 204));
    for (const Painter& p : Painters) {
        SCOPED_TRACE(p.name);
        const RoundArt& art = roundArt(p.set);
        const PixelSurface s = painted(p.paint, w, h);
        for (int x = 0; x < 18; ++x)
            EXPECT_EQ(s.pixel(x, my), art.left[std::size_t(x)]) << "column " << x;
        for (int i = 0; i < 17; ++i)
            EXPECT_EQ(s.pixel(w - 17 + i, my), art.right[std::size_t(i)]) << "column w - " << 17 - i;
        for (int y = 0; y < 12; ++y)
            EXPECT_EQ(s.pixel(mx, y), art.top[std::size_t(y)]) << "row " << y;
        for (int j = 0; j < 11; ++j)
            EXPECT_EQ(s.pixel(mx, h - 11 + j), art.bottom[std::size_t(j)]) << "row h - " << 11 - j;
        // The top band wins over column 17 of the left band; column w - 17
        // lies beyond the top band's end.
        EXPECT_EQ(s.pixel(17, 11), art.top[11]);
        EXPECT_EQ(s.pixel(17, h - 11), art.bottom[0]);
        EXPECT_EQ(s.pixel(w - 17, 11), art.right[0]);
        EXPECT_EQ(s.pixel(18, 12), art.middle);
        EXPECT_EQ(s.pixel(w - 18, h - 12), art.middle);
    }
}

TEST(RoundFace, GivenRowsAndUnpaintedCells)
{
    const int w = 60, h = 24;
    auto row = [](const PixelSurface& s, int y) {
        std::vector<PackedColor> r;
        for (int x = 0; x < 17; ++x)
            r.push_back(s.pixel(x, y) == Sentinel ? RoundNoCell : s.pixel(x, y));
        return r;
    };
    const PackedColor NP = RoundNoCell;
    const std::vector<PackedColor> normalTop = {NP, NP, NP, NP, NP, NP, rgb(254, 254, 254), rgb(230, 230, 230),
        rgb(172, 172, 172), rgb(122, 122, 122), rgb(108, 108, 108), rgb(107, 107, 107), rgb(111, 111, 111),
        rgb(111, 111, 113), rgb(112, 112, 114), rgb(102, 104, 103), rgb(107, 109, 108)};
    const std::vector<PackedColor> hotTop = {NP, NP, NP, NP, NP, NP, rgb(254, 254, 254), rgb(229, 229, 230),
        rgb(165, 165, 169), rgb(94, 94, 108), rgb(41, 39, 72), rgb(12, 13, 55), rgb(6, 7, 55), rgb(5, 6, 54),
        rgb(6, 6, 58), rgb(7, 8, 65), rgb(7, 7, 69)};
    const std::vector<PackedColor> hotRow5 = {NP, rgb(254, 254, 254), rgb(201, 201, 205), rgb(23, 37, 136),
        rgb(0, 33, 146), rgb(0, 58, 161), rgb(51, 115, 213), rgb(111, 163, 223), rgb(118, 168, 221),
        rgb(115, 165, 216), rgb(128, 174, 223), rgb(125, 173, 219), rgb(132, 176, 223), rgb(134, 178, 223),
        rgb(136, 177, 223), rgb(141, 181, 225), rgb(142, 181, 227)};
    const std::vector<PackedColor> normalBottom = {NP, NP, NP, rgb(254, 254, 254), rgb(249, 249, 249),
        rgb(236, 236, 236), rgb(218, 218, 218), rgb(193, 193, 193), rgb(157, 157, 157), rgb(123, 123, 123),
        rgb(94, 94, 94), rgb(83, 83, 83), rgb(77, 77, 77), rgb(75, 75, 75), rgb(80, 80, 80), rgb(82, 82, 82),
        rgb(85, 85, 85)};
    const PixelSurface normal = painted(paintRoundNormal, w, h);
    const PixelSurface hot = painted(paintRoundHot, w, h);
    EXPECT_EQ(row(normal, 0), normalTop);
    EXPECT_EQ(row(hot, 0), hotTop);
    EXPECT_EQ(row(hot, 5), hotRow5);
    EXPECT_EQ(row(normal, h - 2), normalBottom);

    // Only the listed cells keep the background, at the smallest size where
    // the art covers the control and at larger ones.
    for (QSize size : {QSize(35, 23), QSize(60, 24), QSize(75, 30), QSize(200, 60)}) {
        const int sw = size.width(), sh = size.height();
        for (const Painter& p : Painters) {
            std::set<Cell> expected = outsideCells(sw, sh);
            if (p.set == RoundSet::Normal)
                expected.merge(normalOnlyCells(sw, sh));
            const PixelSurface s = painted(p.paint, sw, sh);
            std::set<Cell> background;
            for (int y = 0; y < sh; ++y)
                for (int x = 0; x < sw; ++x)
                    if (s.pixel(x, y) == Sentinel)
                        background.insert({x, y});
            EXPECT_EQ(background, expected) << p.name << " at " << sw << "x" << sh;
        }
    }
}

TEST(RoundFace, CornerCellsMeetTheirBands)
{
    // Every painted corner cell next to a band pixel stays within 8 levels
    // per channel of it, so the art joins the bands without a seam.
    const int w = 60, h = 30;
    for (const Painter& p : Painters) {
        const PixelSurface s = painted(p.paint, w, h);
        struct Seam {
            int x, y, bx, by;
        };
        std::vector<Seam> seams;
        for (int y = 0; y <= 10; ++y) {
            seams.push_back({16, y, 17, y});
            seams.push_back({w - 17, y, w - 18, y});
        }
        for (int y = h - 10; y < h; ++y) {
            seams.push_back({16, y, 17, y});
            seams.push_back({w - 17, y, w - 18, y});
        }
        for (int x = 0; x < 17; ++x) {
            seams.push_back({x, 10, x, 11});
            seams.push_back({x, h - 10, x, h - 11});
            seams.push_back({w - 17 + x, 10, w - 17 + x, 11});
            seams.push_back({w - 17 + x, h - 10, w - 17 + x, h - 11});
        }
        // The innermost corner cell of a bottom block touches two bands that
        // differ by more than that: it meets the nearer one.
        std::map<Cell, int> nearest;
        for (const Seam& seam : seams) {
            const PackedColor cell = s.pixel(seam.x, seam.y);
            if (cell == Sentinel)
                continue;
            const int d = channelDistance(cell, s.pixel(seam.bx, seam.by));
            auto [it, fresh] = nearest.try_emplace({seam.x, seam.y}, d);
            if (!fresh)
                it->second = std::min(it->second, d);
        }
        for (const auto& [cell, d] : nearest)
            EXPECT_LE(d, 8) << p.name << " cell " << cell.first << "," << cell.second;
    }
}

TEST(RoundFace, RegionHoldsEveryPaintedPixel)
{
    for (QSize size : {QSize(35, 23), QSize(75, 30), QSize(200, 60)}) {
        const int w = size.width(), h = size.height();
        const QRegion region = buttonRegion(10, w, h);
        for (const Painter& p : Painters) {
            const PixelSurface s = painted(p.paint, w, h);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    if (s.pixel(x, y) != Sentinel) {
                        EXPECT_TRUE(region.contains(QPoint(x, y)))
                            << p.name << " " << x << "," << y << " at " << w << "x" << h;
                    }
                }
            }
        }
        for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
        EXPECT_TRUE(QRegion(0, 0, w, h).contains(region.boundingRect()));
    }
}
