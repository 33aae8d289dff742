// Cost of one animation-tick frame per effect and of one marquee frame:
// median and 99th percentile over many frames of sound-like input. A
// measuring tool, not a test; run it on a quiet machine.
#include "core/appenv.h"
#include "core/shared.h"
#include "visual/clsvisual.h"
#include "visual/inlineeffects.h"
#include "visual/visualpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

using namespace melodune;

namespace {

void report(const char* name, std::vector<double>& ms)
{
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    std::printf("%-22s median %.3f ms  p99 %.3f ms  (%zu frames)\n", name, median, p99, ms.size());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
    shared().SineTable = buildSineTable();
    std::mt19937 gen(1);
    std::normal_distribution<double> noise(0, 3000);
    TickBlock block;
    auto nextBlock = [&](int frame) {
        for (int i = 0; i < kTickBlockSamples; ++i) {
            const double t = (frame * kTickBlockSamples + i) / 2 / 44100.0;
            const double v = 12000 * std::sin(2 * M_PI * 220 * t) * (0.5 + 0.5 * std::sin(frame * 0.05)) + noise(gen);
            block[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
        }
    };
    VisualPanel panel;
    panel.resize(288, 216);
    for (int effect = 1; effect <= 9; ++effect) {
        clsVisual visual;
        visual.DrawStyle = effect - 4;
        std::vector<double> ms;
        QElapsedTimer t;
        for (int f = 0; f < frames; ++f) {
            nextBlock(f);
            if (f % 101 == 0)
                visual.BuildTrans(static_cast<int>(gen() % 26));
            t.start();
            const MeterPeaks peaks = meterPeaks(block);
            const int ml = meterLength(peaks.left), mr = meterLength(peaks.right);
            if (effect <= 3) {
                QImage& frame = panel.frame(kEffectWidth, kEffectHeight);
                if (effect == 1)
                    drawWaveform(frame, block, ml, mr);
                else if (effect == 2)
                    drawLaser(frame, block, ml, mr);
                else
                    drawFlame(frame, block, 0.5);
                panel.update();
            } else {
                fillVisualInput(block, shared().WaveData, shared().LevelData);
                visual.Calc();
                visual.PaintPicture(panel);
            }
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        char name[32];
        std::snprintf(name, sizeof name, "effect %d", effect);
        report(name, ms);
    }
    {
        clsVisual visual;
        visual.setFont(QFont(QStringLiteral("宋体"), 9));
        visual.setFooter(QStringLiteral("Melodune 1.0.0"));
        VisualPanel lrc;
        QString title, line = QStringLiteral("在这里唱一句很长很长的歌词 a long line"), next = QStringLiteral("下一句");
        MarqueeParams m{100, 2, 100};
        std::vector<double> ms;
        QElapsedTimer t;
        for (int f = 0; f < frames; ++f) {
            if (f % 101 == 0)
                visual.BuildTrans(static_cast<int>(gen() % 26));
            if (line.isEmpty())
                line = QStringLiteral("在这里唱一句很长很长的歌词 a long line");
            t.start();
            visual.CalcLrc(title, line, next, m);
            visual.PaintPictureLrc(lrc);
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        report("view-1 marquee", ms);
    }
    return 0;
}
