#include "visual/inlineeffects.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace melodune {

namespace {

constexpr double kPi = 3.14159265358979323846;

inline void plot(QImage& image, int x, int y, QRgb c)
{
    if (unsigned(x) < unsigned(image.width()) && unsigned(y) < unsigned(image.height()))
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = c;
}

int clampInt(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

void clearFrame(QImage& frame)
{
    frame.fill(0xff000000u);
}

// Sample magnitude scaled to the flame height, in 32 bits.
double flameHeight(int sample) { return std::abs(sample) / 32768.0 * 216.0; }

} // namespace

void effectLine(QImage& image, int x1, int y1, int x2, int y2, QRgb color)
{
    if (image.isNull())
        return;
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    const int steps = std::max(dx, -dy);
    if (x1 == x2) {
        for (int n = 0; n < steps; ++n, y += sy)
            plot(image, x, y, color);
        return;
    }
    for (int n = 0; n < steps; ++n) {
        plot(image, x, y, color);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void drawWaveform(QImage& frame, const TickBlock& b, std::int32_t meterLeft, std::int32_t meterRight)
{
    clearFrame(frame);
    const int ml = clampInt(meterLeft, 64, 255);
    const int mr = clampInt(meterRight, 64, 255);
    const QRgb c = qRgb(mr, ml, (ml + mr) / 2);
    int yL = roundHalfEven32(53 - S(b, 578) / 800.0);
    int yR = roundHalfEven32(161 - S(b, 577) / 800.0);
    for (int x = 0; x <= 287; ++x) {
        const int nextL = roundHalfEven32(53 - S(b, 576 - 2 * x) / 800.0);
        effectLine(frame, x, yL, x + 1, nextL, c);
        yL = nextL;
        const int nextR = roundHalfEven32(161 - S(b, 575 - 2 * x) / 800.0);
        effectLine(frame, x, yR, x + 1, nextR, c);
        yR = nextR;
    }
}

void drawLaser(QImage& frame, const TickBlock& b, std::int32_t meterLeft, std::int32_t meterRight)
{
    struct Angles {
        std::array<double, 720> cos{}, sin{};
        Angles()
        {
            for (int g = 0; g < 720; ++g) {
                cos[g] = std::cos(double(g));
                sin[g] = std::sin(double(g));
            }
        }
    };
    static const Angles a;
    clearFrame(frame);
    const int ml = clampInt(meterLeft, 64, 232);
    const int mr = clampInt(meterRight, 64, 232);
    const QRgb c = qRgb(mr, ml, (ml + mr) / 2);
    for (int g = 0; g <= 719; ++g) {
        const double v = S(b, 720 - g);
        const double length = roundHalfEven32(v * std::sin(v * kPi / 65536.0));
        if (length == 0)
            continue; // a line to its own start draws nothing
        effectLine(frame, 143, 107, roundHalfEven32(a.cos[g] * length / 180.0 + 143),
                   roundHalfEven32(107 - a.sin[g] * length / 180.0), c);
    }
}

void drawFlame(QImage& frame, const TickBlock& b, double random01)
{
    int hL = std::min(216, roundHalfEven32(flameHeight(S(b, 290))));
    int hR = std::min(216, roundHalfEven32(flameHeight(S(b, 289))));
    clearFrame(frame);
    const QRgb c = qRgb(255, clampInt(roundHalfEven32(random01 * (216 - (hL + hR) / 2)), 0, 255), 0);
    for (int g = 0; g <= 143; ++g) {
        hL = roundHalfEven32(flameHeight(S(b, 288 - 2 * g)) + hL) / 2;
        if (g < 5)
            hL = (hL + hR) / 2;
        hL = std::min(hL, 216);
        effectLine(frame, 143 - g, 216, 143 - g, 216 - hL, c);

        hR = roundHalfEven32(flameHeight(S(b, 287 - 2 * g)) + hR) / 2;
        if (g < 5)
            hR = (hL + hR) / 2;
        hR = std::min(hR, 216);
        effectLine(frame, g + 144, 216, g + 144, 216 - hR, c);
    }
}

void fillVisualInput(const TickBlock& b, std::array<std::int16_t, 1024>& wave, std::array<float, 512>& level)
{
    for (int g = 0; g <= 1023; ++g) {
        wave[static_cast<std::size_t>(g)] = static_cast<std::int16_t>(S(b, 1024 - g));
        if (g < 512)
            level[static_cast<std::size_t>(g)] =
                static_cast<float>((S(b, 1024 - 2 * g) + S(b, 1023 - 2 * g)) / 65535.0);
    }
}

int chooseEffect(EffectCounters& counters, std::int32_t& visualType, std::int32_t& visualRandom,
                 const std::function<double()>& random01)
{
    if (visualRandom >= 1) {
        counters.EffectTicks += 1;
        if (counters.EffectTicks > 100) {
            counters.reset();
            do {
                visualRandom = static_cast<std::int32_t>(std::floor(random01() * 9)) + 1;
            } while (visualRandom == visualType);
            visualType = visualRandom;
        }
    }
    if (visualType < 1 || visualType > 9) {
        visualType = 1;
        return 0;
    }
    return visualType;
}

} // namespace melodune
