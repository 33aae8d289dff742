#pragma once
// The arithmetic of the animation tick apart from the window: the input
// block, the two-channel level meter in twips, and the jump of the stretched
// window. Magnitudes are taken in 32 bits (|-32768| does not fit 16).
#include <array>
#include <cstdint>

namespace melodune {

// The tick reads the newest 1440 samples, oldest first.
constexpr int kTickBlockSamples = 1440;
using TickBlock = std::array<std::int16_t, kTickBlockSamples>;

// S(k): the k-th newest sample of the block, S(1) the newest. Odd k is the
// right channel, even k the left one.
inline int S(const TickBlock& b, int k) { return b[static_cast<std::size_t>(kTickBlockSamples - k)]; }

// Nearest whole number, halves to the even neighbour.
std::int32_t roundHalfEven32(double x);

// Meter length in twips (0..2160) of a sample: linear scale, lowered in the
// middle by a quarter sine.
std::int32_t meterLength(std::int32_t peak);

struct MeterPeaks {
    std::int32_t left = 0;
    std::int32_t right = 0;
};
// Each channel's newest sample, or its sample half a block earlier when
// that is louder.
MeterPeaks meterPeaks(const TickBlock& block);

// Left edges, in twips inside the meter strip, of the four meter controls:
// 0 the left bar, 1 the right bar, 2 and 3 the peak markers.
struct MeterPositions {
    static constexpr int LeftBarRest = -45;
    static constexpr int RightBarRest = 2145;
    static constexpr int MarkerRest = 2115;
    static constexpr int BarWidth = 2160;
    static constexpr int Drift = 15;

    std::array<int, 4> left{LeftBarRest, RightBarRest, MarkerRest, MarkerRest};

    // Markers move back towards the rest by one drift step.
    void driftMarkers();
    bool markersAtRest() const { return left[2] == MarkerRest && left[3] == MarkerRest; }
    // Bars at rest (the meter is off).
    void resetBars();
    // Bars for the two lengths; each marker is pushed out by its bar.
    void showLevels(std::int32_t meterLeft, std::int32_t meterRight);
};

// The stretched window's next top edge (twips) for this tick's peaks: it
// falls back 15 twips a tick and jumps half-way towards the height the
// louder channel asks for.
int keyModeTop(int top, int screenHeight, int shapeHeight, std::int32_t peakLeft, std::int32_t peakRight);

} // namespace melodune
