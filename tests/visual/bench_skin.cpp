// Cost of building the window outline from a skin: skinRegion against Qt's
// own QRegion(QBitmap) from the same picture's white mask, in the same run.
// Median of many builds each. A measuring tool, not a test; run it on a
// quiet machine.
#include "visual/skin.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

using namespace melodune;

namespace {

// Median and least time of `runs` calls, in ms.
std::pair<double, double> timeMs(int runs, const std::function<void()>& f)
{
    std::vector<double> ms;
    // The thread's processor time: other programs on a busy machine do not count.
    auto now = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    };
    for (int i = 0; i < runs; ++i) {
        const double start = now();
        f();
        ms.push_back(now() - start);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

// A 1920 x 1080 skin with a ragged outline and holes: each row's edges move
// at random, and white blots lie inside.
QImage raggedSkin()
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    QRandomGenerator rng(7);
    QPainter p(&img);
    int left = 200, right = 1720;
    for (int y = 40; y < 1040; ++y) {
        left = std::clamp(left + int(rng.bounded(9)) - 4, 20, 600);
        right = std::clamp(right + int(rng.bounded(9)) - 4, 1300, 1900);
        p.fillRect(QRect(left, y, right - left, 1), QColor(30 + y % 200, 60, 90));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 60; ++i)
        p.drawEllipse(QPoint(400 + int(rng.bounded(1100)), 100 + int(rng.bounded(880))), 10 + int(rng.bounded(60)),
                      10 + int(rng.bounded(60)));
    return img;
}

void compare(const char* name, const QImage& skin, int runs)
{
    const QImage whiteMask = skin.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor);
    const QBitmap mask = QBitmap::fromImage(whiteMask);
    const auto ours = timeMs(runs, [&] { (void)skinRegion(skin, 32); });
    // Qt from the ready-made bitmap, and from the picture (mask, bitmap, region).
    const auto qtRegion = timeMs(runs, [&] { (void)QRegion(mask); });
    const auto qtWhole = timeMs(runs, [&] {
        (void)QRegion(QBitmap::fromImage(skin.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor)));
    });
    const QRegion r = *skinRegion(skin, 32);
    std::printf("%-9s %4dx%-4d %5d rects  skinRegion %.3f ms | QRegion(QBitmap) %.3f ms: %.2fx"
                " | mask+bitmap+QRegion %.3f ms: %.2fx   (medians of processor time)\n",
                name, skin.width(), skin.height(), int(r.rectCount()), ours.first, qtRegion.first,
                ours.first / qtRegion.first, qtWhole.first, ours.first / qtWhole.first);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    compare("ragged", raggedSkin(), runs);
    compare("built-in", builtInSkin().toImage().convertToFormat(QImage::Format_RGB32), runs);
    return 0;
}
