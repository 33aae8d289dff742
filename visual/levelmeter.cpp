#include "visual/levelmeter.h"

#include <cmath>
#include <cstdlib>

namespace melodune {

std::int32_t roundHalfEven32(double x)
{
    // The default rounding mode is to nearest, ties to even.
    return static_cast<std::int32_t>(std::nearbyint(x));
}

std::int32_t meterLength(std::int32_t peak)
{
    const std::int32_t magnitude = std::abs(peak);
    const std::int32_t linear = roundHalfEven32(magnitude / 32768.0 * 2160.0);
    return roundHalfEven32(linear * std::sin(linear * 0.000727220521664304));
}

MeterPeaks meterPeaks(const TickBlock& b)
{
    MeterPeaks p;
    p.left = S(b, 2);
    if (std::abs(S(b, 720)) > std::abs(S(b, 2)))
        p.left = S(b, 720);
    p.right = S(b, 1);
    if (std::abs(S(b, 719)) > std::abs(S(b, 1)))
        p.right = S(b, 719);
    return p;
}

void MeterPositions::driftMarkers()
{
    if (left[2] != MarkerRest)
        left[2] += Drift;
    if (left[3] != MarkerRest)
        left[3] -= Drift;
    if (left[2] > MarkerRest)
        left[2] = MarkerRest;
    if (left[3] < MarkerRest)
        left[3] = MarkerRest;
}

void MeterPositions::resetBars()
{
    left[0] = LeftBarRest;
    left[1] = RightBarRest;
}

void MeterPositions::showLevels(std::int32_t meterLeft, std::int32_t meterRight)
{
    left[0] = -meterLeft + LeftBarRest;
    left[1] = meterRight + RightBarRest;
    if (left[0] + BarWidth - 30 < left[2])
        left[2] = left[0] + BarWidth - 30;
    if (left[3] < left[1])
        left[3] = left[1];
}

int keyModeTop(int top, int screenHeight, int shapeHeight, std::int32_t peakLeft, std::int32_t peakRight)
{
    const double pi = 3.14159265358979323846;
    const int rest = screenHeight - shapeHeight - 870;
    double t = rest <= top ? rest : top + 15;
    double p = peakLeft;
    if (std::abs(peakLeft) < std::abs(peakRight))
        p = std::abs(peakRight);
    p = roundHalfEven32(p * std::sin(p * pi / 65536.0));
    if (p < 870)
        p = 0;
    const double target = rest - p / 32768.0 * (screenHeight - shapeHeight);
    if (target < t)
        t = (target + t) / 2.0;
    return roundHalfEven32(t);
}

} // namespace melodune
