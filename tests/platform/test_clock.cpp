#include "platform/clock.h"
#include "platform/units.h"

#include <gtest/gtest.h>

using namespace rt;

namespace {

TEST(Clock, SystemClock)
{
    const std::int64_t t0 = rt::clock().tickMs();
    rt::clock().sleepMs(20);
    EXPECT_GE(rt::clock().tickMs() - t0, 20);
    for (int i = 0; i < 1000; ++i) {
        const double r = rt::clock().uniform01();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    EXPECT_LE(std::abs(rt::clock().now().secsTo(QDateTime::currentDateTime())), 1);
}

TEST(Clock, FakeClock)
{
    FakeClock a, b;
    ScopedClock scoped(&a);
    rt::clock().sleepMs(1500);
    EXPECT_EQ(rt::clock().tickMs(), 1500);
    EXPECT_EQ(rt::clock().now(), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 6, 500)));
    for (int i = 0; i < 100; ++i) {
        const double r = a.uniform01();
        EXPECT_EQ(r, b.uniform01());
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    b.seed = 1;
    EXPECT_NE(a.uniform01(), b.uniform01());
}

TEST(Units, PackedColours)
{
    static_assert(rgb(255, 0, 0) == 0x0000FF && rgb(0, 0, 128) == 0x800000);
    for (const QColor c : {QColor(0, 0, 128), QColor(150, 150, 255), QColor(1, 2, 3)}) {
        const PackedColor p = fromQColor(c);
        EXPECT_EQ(p, c.red() + 256 * c.green() + 65536 * c.blue());
        EXPECT_EQ(toQColor(p), c);
    }
    EXPECT_EQ(twipsToPixels(pixelsToTwips(37)), 37);
}

} // namespace
