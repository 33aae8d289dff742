// The level meter strip: which columns a moving part changes, and that
// repainting only those leaves the same picture as painting it all.
#include "visual/meterstrip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using melodune::ColumnSpan;
using melodune::MeterStrip;

namespace {

std::vector<std::pair<int, int>> spans(int oldX, int newX, int width)
{
    std::vector<std::pair<int, int>> out;
    for (const ColumnSpan& s : melodune::changedColumns(oldX, newX, width))
        if (!s.isEmpty())
            out.emplace_back(s.from, s.to);
    return out;
}

} // namespace

TEST(MeterStrip, AMovingPartChangesTheColumnsItLeavesAndReaches)
{
    using Spans = std::vector<std::pair<int, int>>;
    EXPECT_EQ(spans(-3, -3, 144), Spans{});
    EXPECT_EQ(spans(-3, -53, 144), (Spans{{-53, -3}, {91, 141}}));  // a cover sliding out
    EXPECT_EQ(spans(-53, -3, 144), (Spans{{-53, -3}, {91, 141}}));  // and back
    EXPECT_EQ(spans(141, 142, 2), (Spans{{141, 142}, {143, 144}})); // a marker drifting a pixel
    EXPECT_EQ(spans(141, 180, 2), (Spans{{141, 143}, {180, 182}})); // pushed further than it is wide
}

TEST(MeterStrip, RepaintingTheChangedColumnsGivesTheWholePicture)
{
    MeterStrip strip;
    strip.resize(288, 12);
    const int rest[4][2] = {{-3, 144}, {143, 145}, {141, 2}, {141, 2}};
    for (int i = 0; i < 4; ++i)
        strip.setPart(i, rest[i][0], rest[i][1]);
    strip.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
    const QImage atRest = strip.grab().toImage();
    // At rest only the markers show between the covers.
    EXPECT_EQ(atRest.pixelColor(20, 5), QColor(0x0b, 0x0f, 0x18));
    EXPECT_EQ(atRest.pixelColor(141, 5), QColor(0xe8, 0xf0, 0xff));
    EXPECT_EQ(atRest.pixelColor(200, 5), QColor(0x0b, 0x0f, 0x18));

    // A few ticks of levels and drifting markers, each painted as it comes.
    const int ticks[][4] = {{-53, 193, 88, 193}, {-20, 150, 89, 192}, {-90, 160, 90, 191}, {-3, 143, 91, 190}};
    for (const auto& t : ticks) {
        for (int i = 0; i < 4; ++i)
            strip.movePart(i, t[i]);
        QCoreApplication::processEvents();
    }
    const QImage onScreen = strip.screen()->grabWindow(strip.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = strip.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(onScreen.size(), whole.size());
    EXPECT_EQ(onScreen, whole);
    // The scale shows where the left cover has slid away, under the marker's old place.
    EXPECT_NE(whole.pixelColor(141, 5), QColor(0x0b, 0x0f, 0x18));
    EXPECT_EQ(whole.pixelColor(91, 5), QColor(0xe8, 0xf0, 0xff));
}
