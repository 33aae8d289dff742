// Cost of building the window outline from a skin: skinRegion against Qt's
// own QRegion(QBitmap) from the same picture's white mask, in the same run.
// Median of many builds each. A measuring tool, not a test; run it on a
// quiet machine.
#include "visual/skin.h"

#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace melodune;

namespace {

double medianMs(int runs, const std::function<void()>& f)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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
    // The bitmap is made outside the timing: only the region building counts.
    const QBitmap mask = QBitmap::fromImage(skin.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor));
    const double ours = medianMs(runs, [&] { (void)skinRegion(skin, 32); });
    const double qt = medianMs(runs, [&] { (void)QRegion(mask); });
    const QRegion r = *skinRegion(skin, 32);
    std::printf("%-14s %4dx%-4d  skinRegion %.3f ms  QRegion(QBitmap) %.3f ms  ratio %.2fx  (%d rects)\n", name,
                skin.width(), skin.height(), ours, qt, ours / qt, int(r.rectCount()));
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
